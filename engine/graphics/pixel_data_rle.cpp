#include "engine/graphics/pixel_data_rle.h"

#include <cstring>
#include <vector>

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

// NOTE: counts and row lengths are 16-bit fields of the format.
constexpr uint32_t kMaxField = 0xFFFF;

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

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

PixelDataRLE::PixelDataRLE(PixelData& source)
{
    m_width = source.GetWidth();
    m_height = source.GetHeight();
    m_format = RLE;
    m_pitch = 0;
    m_size = 0;
    m_stream = nullptr;
    Encode(source);
}

uint32_t PixelDataRLE::Encode(PixelData& source)
{
    FreeData();
    m_size = 0;
    const uint8_t* in = source.GetDataMutable();
    int width = source.GetWidth();
    int height = source.GetHeight();
    if (!in || source.GetFormat() != RGBA8888 || width < 0 || height < 0 ||
        source.GetPitch() < uint32_t(width) * 4)
        return 0;

    std::vector<uint8_t> stream, row, pending;
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = in + size_t(source.GetPitch()) * size_t(y);
        row.clear();
        pending.clear();
        int op = -1;
        uint32_t count = 0;
        auto flush = [&] {
            if (count == 0) return;
            row.push_back(uint8_t(op));
            Put16(row, count);
            size_t pixelBytes = (op == 1 || op == 3) ? 3 : 2;
            if (op == 1 || op == 2) row.insert(row.end(), pending.begin(), pending.end());
            if (op == 3 || op == 4) row.insert(row.end(), pending.begin(), pending.begin() + long(pixelBytes));
            pending.clear();
            count = 0;
        };
        for (int x = 0; x < width; ++x, p += 4) {
            uint32_t alpha5 = p[3] >> 3;
            uint32_t colour = uint32_t(p[0] >> 3) | uint32_t(p[1] >> 2) << 5 | uint32_t(p[2] >> 3) << 11;
            if (alpha5 == 0) {
                if (op != 0 || count == kMaxField) {
                    flush();
                    op = 0;
                }
                ++count;
                continue;
            }
            bool opaque = alpha5 == 31;
            int literal = opaque ? 2 : 1;
            int repeat = opaque ? 4 : 3;
            uint8_t pixel[3];
            size_t n = 0;
            if (!opaque) pixel[n++] = uint8_t(alpha5);
            pixel[n++] = uint8_t(colour);
            pixel[n++] = uint8_t(colour >> 8);
            if (op != literal && op != repeat) {
                flush();
                op = repeat;
            } else if (count > 0) {
                bool same = std::memcmp(&pending[pending.size() - n], pixel, n) == 0;
                if (!same && op == repeat) {
                    if (count >= 2) flush();
                    op = literal;
                } else if (same && op == literal) {
                    if (count >= 2) flush();
                    op = repeat;
                }
            }
            if (count == kMaxField) flush();
            pending.insert(pending.end(), pixel, pixel + n);
            ++count;
        }
        flush();
        if (row.size() > kMaxField) return 0;
        stream.push_back(kRowMarker);
        Put16(stream, uint32_t(row.size()));
        stream.insert(stream.end(), row.begin(), row.end());
    }
    if (stream.size() > 0xFFFFFFFFu) return 0;
    m_size = uint32_t(stream.size());
    if (m_size) {
        m_stream = new uint8_t[m_size];
        std::memcpy(m_stream, stream.data(), m_size);
    }
    return m_size;
}

bool PixelDataRLE::Decode(const uint8_t* stream, uint32_t size, int width, int height, uint8_t* out,
                          size_t outPitch)
{
    if (!out) return false;
    return Walk(stream, size, width, height, [&](int y, int x, uint8_t op, uint32_t count, const uint8_t* in) {
        uint8_t* p = out + size_t(y) * outPitch + size_t(x) * 4;
        switch (op) {
        case Transparent: std::memset(p, 0, size_t(count) * 4); break;
        case TranslucentLiteral:
            for (uint32_t i = 0; i < count; ++i, in += 3) Put(p + 4 * i, LoadLE16(in + 1), Expand5(in[0] & 31));
            break;
        case OpaqueLiteral:
            for (uint32_t i = 0; i < count; ++i, in += 2) Put(p + 4 * i, LoadLE16(in), 255);
            break;
        case TranslucentRepeat:
            for (uint32_t i = 0; i < count; ++i) Put(p + 4 * i, LoadLE16(in + 1), Expand5(in[0] & 31));
            break;
        case OpaqueRepeat:
            for (uint32_t i = 0; i < count; ++i) Put(p + 4 * i, LoadLE16(in), 255);
            break;
        }
    });
}

}  // namespace Voke
