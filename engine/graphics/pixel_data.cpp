#include "engine/graphics/pixel_data.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace Voke {

namespace {

const PixelFormatInfo kFormats[NoFormat] = {
    {1, 8, 0, 0, 0, 8},   // A8
    {2, 16, 5, 6, 5, 0},  // RGB565
    {3, 24, 8, 8, 8, 0},  // RGB888
    {4, 32, 8, 8, 8, 8},  // RGBA8888
    {0, 32, 5, 6, 5, 5},  // RLE
    {0, 24, 8, 8, 8, 0},  // DXT1
    {0, 32, 8, 8, 8, 8},  // DXT5
    {0, 32, 8, 8, 8, 0},  // PVRTC2_RGB
    {0, 32, 8, 8, 8, 8},  // PVRTC2_RGBA
    {0, 32, 8, 8, 8, 0},  // PVRTC4_RGB
    {0, 32, 8, 8, 8, 8},  // PVRTC4_RGBA
    {0, 32, 8, 8, 8, 0},  // ETC1
};
const PixelFormatInfo kNoFormat = {0, 0, 0, 0, 0, 0};

// NOTE: the largest side an XPM image may declare; the compiled-in images are
// at most 512 pixels wide.
constexpr int kMaxXpmSide = 4096;

// (t + (t >> 8)) >> 8 with t = s * a + d * (255 - a) + 1: s over d at alpha a.
inline uint32_t Blend(uint32_t s, uint32_t d, uint32_t a)
{
    uint32_t t = s * a + d * (255 - a) + 1;
    return (t + (t >> 8)) >> 8;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

unsigned ParseHexByte(const char* s)
{
    int hi = HexDigit(s[0]);
    int lo = s[0] ? HexDigit(s[1]) : -1;
    if (hi < 0) return lo < 0 ? 0 : unsigned(lo);
    if (lo < 0) return unsigned(hi) * 16;
    return unsigned(hi * 16 + lo);
}

Color PixelData::GetPixel(int, int) const { return 0xFF000000u; }

void PixelData::SetPixel(int, int, const Color&) {}

void PixelData::SetColorKey(Color key)
{
    m_colorKey[0] = ColorR(key);
    m_colorKey[1] = ColorG(key);
    m_colorKey[2] = ColorB(key);
    m_colorKey[3] = ColorA(key);
}

const PixelFormatInfo& PixelData::GetFormatInfo(uint32_t format)
{
    return IsValidFormat(format) ? kFormats[format] : kNoFormat;
}

void MemPixelData::Allocate(int width, int height, uint32_t format)
{
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    m_width = width;
    m_height = height;
    m_format = format;
    m_pitch = GetFormatInfo(format).bytesPerPixel * uint32_t(width);
    size_t size = size_t(m_pitch) * size_t(height);
    m_buffer = size ? new uint8_t[size]() : nullptr;
}

MemPixelData::MemPixelData(int width, int height, uint32_t format) { Allocate(width, height, format); }

MemPixelData::MemPixelData(PixelData& source) : PixelData(source)
{
    m_colorKey[0] = 255;
    m_colorKey[1] = 0;
    m_colorKey[2] = 255;
    m_colorKey[3] = 255;
    size_t size = size_t(m_pitch) * size_t(m_height > 0 ? m_height : 0);
    m_buffer = size ? new uint8_t[size]() : nullptr;
    if (const uint8_t* from = source.GetDataMutable(); from && m_buffer) std::memcpy(m_buffer, from, size);
}

MemPixelData::MemPixelData(const char* const* xpm)
{
    int width = 0, height = 0, colors = 0, cpp = 0;
    if (!xpm || !xpm[0] || std::sscanf(xpm[0], "%i %i %i %i", &width, &height, &colors, &cpp) != 4 ||
        width < 0 || height < 0 || width > kMaxXpmSide || height > kMaxXpmSide || colors < 0 || cpp < 1 ||
        cpp > 8) {
        Allocate(0, 0, RGB888);
        return;
    }
    Allocate(width, height, RGB888);

    std::map<std::string, Color> table;
    const char* const* line = xpm + 1;
    for (int i = 0; i < colors; ++i, ++line) {
        const char* text = *line;
        if (!text) return;  // the text ends early: the rest stays black
        if (std::strlen(text) < size_t(cpp) + 1) continue;
        std::string key(text, size_t(cpp));
        char type = 0;
        char word[16] = {};
        if (std::sscanf(text + cpp + 1, "%c %15s", &type, word) != 2) continue;
        // Characters 1-6 of "#RRGGBB"; a short word reads as zeros.
        char digits[7] = {};
        for (int k = 0; k < 6 && word[k + 1]; ++k) digits[k] = word[k + 1];
        table[key] = MakeColor(uint8_t(ParseHexByte(digits)), uint8_t(ParseHexByte(digits + 2)),
                               uint8_t(ParseHexByte(digits + 4)));
    }
    for (int y = 0; y < height; ++y, ++line) {
        const char* row = *line;
        if (!row) return;
        size_t length = std::strlen(row);
        for (int x = 0; x < width; ++x) {
            size_t at = size_t(x) * size_t(cpp);
            if (at + size_t(cpp) > length) break;
            auto found = table.find(std::string(row + at, size_t(cpp)));
            if (found == table.end()) continue;
            uint8_t* p = m_buffer + size_t(y) * m_pitch + size_t(x) * 3;
            p[0] = ColorB(found->second);
            p[1] = ColorG(found->second);
            p[2] = ColorR(found->second);
        }
    }
}

MemPixelData::~MemPixelData() { delete[] m_buffer; }

void MemPixelData::FreeData()
{
    delete[] m_buffer;
    m_buffer = nullptr;
}

Color MemPixelData::GetPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    if (!m_buffer) return 0xFF000000u;
    const uint8_t* p = m_buffer + size_t(y) * m_pitch + size_t(x) * GetFormatInfo(m_format).bytesPerPixel;
    switch (m_format) {
    case RGB565: {
        uint32_t w = uint32_t(p[0]) | uint32_t(p[1]) << 8;
        return MakeColor(uint8_t((w >> 8) & 0xF8), uint8_t(((w >> 5) & 63) << 2), uint8_t((w << 3) & 0xFF));
    }
    case RGB888: return MakeColor(p[2], p[1], p[0]);
    case RGBA8888: return MakeColor(p[2], p[1], p[0], p[3]);
    default: return 0xFF000000u;
    }
}

void MemPixelData::SetPixel(int x, int y, const Color& color)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || !m_buffer) return;
    uint8_t* p = m_buffer + size_t(y) * m_pitch + size_t(x) * GetFormatInfo(m_format).bytesPerPixel;
    uint32_t a = ColorA(color);
    switch (m_format) {
    case RGB565: {
        uint32_t w = uint32_t(p[0]) | uint32_t(p[1]) << 8;
        uint32_t r = Blend(ColorR(color), (w >> 11) << 3, a);
        uint32_t g = Blend(ColorG(color), ((w >> 5) & 63) << 2, a);
        uint32_t b = Blend(ColorB(color), (w << 3) & 0xFF, a);
        w = (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
        p[0] = uint8_t(w);
        p[1] = uint8_t(w >> 8);
        break;
    }
    case RGB888:
        p[0] = uint8_t(Blend(ColorB(color), p[0], a));
        p[1] = uint8_t(Blend(ColorG(color), p[1], a));
        p[2] = uint8_t(Blend(ColorR(color), p[2], a));
        break;
    case RGBA8888:
        p[0] = ColorB(color);
        p[1] = ColorG(color);
        p[2] = ColorR(color);
        p[3] = uint8_t(a);
        break;
    default: break;
    }
}

}  // namespace Voke
