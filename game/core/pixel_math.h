// Float-to-int conversion for the whole game (positions, frames, scrolls and
// fades), whose floats come from frame times and data: a NaN or a far-off
// value must not make the conversion undefined. Every layer uses this one.
#pragma once

#include <cstdint>

// Truncation toward zero; NaN gives 0, values beyond the int range the
// nearest bound.
inline int32_t TruncToPixel(float v)
{
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(v);
}
