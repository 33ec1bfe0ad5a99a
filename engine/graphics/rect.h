// A rectangle of pixels: the clip rectangle of a surface and the source
// rectangle of every blit. It covers x <= px < x + w, y <= py < y + h.
#pragma once

#include <cstdint>

namespace Voke {

struct Rect {
    int32_t x;
    int32_t y;
    int32_t w;
    int32_t h;
};

inline bool operator==(const Rect& a, const Rect& b)
{
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}
inline bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }

}  // namespace Voke
