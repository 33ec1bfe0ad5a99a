#include "engine/graphics/pixel_data_rle.h"

#include <cstring>

namespace Voke {

namespace {

inline uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t Expand6(uint32_t v) { return (v << 2) | (v >> 4); }

inline void Put(uint8_t* p, uint32_t rgb565, uint32_t alpha8)
{
    p[0] = uint8_t(Expand5(rgb565 & 31));
    p[1] = uint8_t(Expand6((rgb565 >> 5) & 63));
    p[2] = uint8_t(Expand5(rgb565 >> 11));
    p[3] = uint8_t(alpha8);
}

inline uint32_t U16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

}  // namespace

PixelDataRLE::PixelDataRLE(int width, int height, uint32_t size, const uint8_t* data)
    : m_size(size), m_stream(new uint8_t[size ? size : 1])
{
    m_width = width > 0 ? width : 0;
    m_height = height > 0 ? height : 0;
    m_pitch = 0;
    m_format = RLE;
    if (size && data) std::memcpy(m_stream, data, size);
}

PixelDataRLE::~PixelDataRLE() { delete[] m_stream; }

void PixelDataRLE::FreeData()
{
    delete[] m_stream;
    m_stream = nullptr;
}

bool PixelDataRLE::Decode(const uint8_t* stream, uint32_t size, int width, int height, uint8_t* out,
                          size_t outPitch)
{
    if (!stream || !out) return false;
    uint32_t at = 0;
    for (int y = 0; y < height; ++y) {
        if (size - at < 3 || stream[at] != 0x0A) return false;
        uint32_t rowEnd = at + 3 + U16(stream + at + 1);
        if (rowEnd > size) return false;
        at += 3;
        uint8_t* row = out + size_t(y) * outPitch;
        int x = 0;
        while (x < width) {
            if (rowEnd - at < 3) return false;
            uint32_t op = stream[at];
            uint32_t count = U16(stream + at + 1);
            at += 3;
            if (count > uint32_t(width - x)) return false;
            uint8_t* p = row + size_t(x) * 4;
            switch (op) {
            case 0: std::memset(p, 0, size_t(count) * 4); break;
            case 1:
                if (rowEnd - at < 3 * count) return false;
                for (uint32_t i = 0; i < count; ++i, at += 3) Put(p + 4 * i, U16(stream + at + 1), Expand5(stream[at] & 31));
                break;
            case 2:
                if (rowEnd - at < 2 * count) return false;
                for (uint32_t i = 0; i < count; ++i, at += 2) Put(p + 4 * i, U16(stream + at), 255);
                break;
            case 3:
                if (rowEnd - at < 3) return false;
                for (uint32_t i = 0; i < count; ++i) Put(p + 4 * i, U16(stream + at + 1), Expand5(stream[at] & 31));
                at += 3;
                break;
            case 4:
                if (rowEnd - at < 2) return false;
                for (uint32_t i = 0; i < count; ++i) Put(p + 4 * i, U16(stream + at), 255);
                at += 2;
                break;
            default: return false;
            }
            x += int(count);
        }
        at = rowEnd;
    }
    return true;
}

}  // namespace Voke
