// The software triangle fillers (declared with Surface).
#include <algorithm>
#include <cmath>

#include "engine/graphics/pixel_data.h"
#include "engine/graphics/raster.h"
#include "engine/graphics/surface.h"

namespace Voke {

int32_t RasterEdges::SetupLeft(const RasterVertex& start, const RasterVertex& end)
{
    int32_t rows = end.firstRow - start.firstRow;
    if (rows == 0) return 0;
    float prestep = float(start.firstRow) - start.y;
    float r = 1.0f / float(rows);
    leftDx = (end.x - start.x) * r;
    leftDu = (end.u - start.u) * r;
    leftDv = (end.v - start.v) * r;
    leftX = start.x + leftDx * prestep;
    leftU = start.u + leftDu * prestep;
    leftV = start.v + leftDv * prestep;
    leftRows = rows;
    return rows;
}

int32_t RasterEdges::SetupRight(const RasterVertex& start, const RasterVertex& end)
{
    int32_t rows = end.firstRow - start.firstRow;
    if (rows == 0) return 0;
    float prestep = float(start.firstRow) - start.y;
    rightDx = (end.x - start.x) / float(rows);
    rightX = start.x + rightDx * prestep;
    rightRows = rows;
    return rows;
}

bool RasterEdges::Step()
{
    if (--leftRows > 0) {
        leftX += leftDx;
        leftU += leftDu;
        leftV += leftDv;
    } else if (--leftSegments <= 0 || SetupLeft(*b, *c) <= 0) {
        return false;
    }
    if (--rightRows > 0) {
        rightX += rightDx;
    } else if (rightSegments != 2) {
        return false;
    } else {
        rightSegments = 1;
        if (SetupRight(*b, *c) <= 0) return false;
    }
    return true;
}

namespace {

// A position truncated toward zero, then clamped into [lo, hi] (NaN gives hi).
inline int TruncClamp(float f, int lo, int hi)
{
    if (!(f < float(hi) + 1.0f)) return hi;
    if (!(f > float(lo) - 1.0f)) return lo;
    int i = int(f);
    return i < lo ? lo : i > hi ? hi : i;
}

inline int CeilInt(float f) { return int(std::ceil(f)); }  // callers keep |f| within the raster limit

bool VertexOk(const RasterVertex& v)
{
    const float m = Surface::kMaxRasterCoordinate;
    return std::fabs(v.x) <= m && std::fabs(v.y) <= m && std::isfinite(v.u) && std::isfinite(v.v) &&
           v.firstRow >= -int32_t(m) - 1 && v.firstRow <= int32_t(m) + 1;
}

// Red in bits 11-15, blue 0-4, green moved to bits 21-26.
inline uint32_t Spread(uint32_t p) { return (p & 0xF81F) | ((p & 0x07E0) << 16); }

inline uint16_t Blend(uint16_t d, uint32_t fill, uint32_t k)
{
    uint32_t D = Spread(d);
    uint32_t T = D + (((fill - D) * k) >> 5);
    return uint16_t((T & 0xF81F) | ((T >> 16) & 0x07C0));
}

inline uint16_t Add(uint16_t d, uint32_t fill, uint32_t k)
{
    uint32_t P = (k * fill) >> 5;
    uint32_t s = (P & 0xF81F) | ((P >> 16) & 0x07C0);
    if (s == 0) return d;
    uint32_t sum = (s & ~0x0820u) + (uint32_t(d) & ~0x0820u);
    return uint16_t((sum & 0xFFFF) | ((sum & 0x20) ? 0x001F : 0) | ((sum & 0x800) ? 0x07E0 : 0) |
                    ((sum & 0x10000) ? 0xF800 : 0));
}

inline uint32_t FillOfTexel(uint32_t t)  // 32-bit texel: blue 0-7, green 8-15, red 16-23
{
    uint32_t blue = t & 0xFF, green = (t >> 8) & 0xFF, red = (t >> 16) & 0xFF;
    return (blue >> 3) | ((red & 0xF8) << 8) | ((green & 0xFC) << 19);
}

inline uint32_t FillOfTint(const uint8_t tint[3])
{
    return (uint32_t(tint[0] & 0xF8) << 8) | (uint32_t(tint[1] & 0xFC) << 19) | (uint32_t(tint[2]) >> 3);
}

// The memory pixels of a surface, when it has them in the expected format.
PixelData* MemoryPixels(Surface* s, uint32_t format)
{
    if (!s) return nullptr;
    PixelData* p = s->GetPixelData();
    if (!p || p->GetKind() != PixelData::kMemory || p->GetFormat() != format || !p->GetData()) return nullptr;
    return p;
}

// Walks the triangle and calls op(destination pixel, texel address) for each
// covered pixel.
template <class Op>
void Fill(Surface* dst, Surface* src, uint32_t srcFormat, const RasterVertex& a, const RasterVertex& b,
          const RasterVertex& c, Op op)
{
    PixelData* out = MemoryPixels(dst, RGB565);
    PixelData* in = MemoryPixels(src, srcFormat);
    if (!out || !in || !VertexOk(a) || !VertexOk(b) || !VertexOk(c)) return;

    float t = (b.y - a.y) / (c.y - a.y);
    float width = (a.x - b.x) + t * (c.x - a.x);
    if (!(width > 0) && !(width < 0)) return;  // 0 or not a number
    RasterEdges e;
    e.a = &a;
    e.b = &b;
    e.c = &c;
    if (width > 0) {
        if (e.SetupRight(a, c) < 1) return;
        e.rightSegments = 1;
        e.leftSegments = 2;
        if (e.SetupLeft(a, b) <= 0) {
            e.leftSegments = 1;
            if (e.SetupLeft(b, c) < 1) return;
        }
    } else {
        if (e.SetupLeft(a, c) < 1) return;
        e.leftSegments = 1;
        e.rightSegments = 2;
        if (e.SetupRight(a, b) < 1) {
            e.rightSegments = 1;
            if (e.SetupRight(b, c) < 1) return;
        }
    }
    float r = 1.0f / width;
    float dudx = ((a.u - b.u) + t * (c.u - a.u)) * r;
    float dvdx = ((a.v - b.v) + t * (c.v - a.v)) * r;

    int y = a.firstRow;
    while (y < 0) {
        if (!e.Step()) return;
        ++y;
    }
    // Destination rows of the surface's width, within the buffer.
    int W = std::min(dst->GetWidth(), out->GetWidth());
    int H = std::min(dst->GetHeight(), out->GetHeight());
    uint32_t outPitch = out->GetPitch();
    if (W <= 0 || H <= 0 || outPitch < uint32_t(W) * 2) return;
    // The source window, kept inside the source's buffer.
    uint32_t bpp = PixelData::GetFormatInfo(srcFormat).bytesPerPixel;
    size_t texelPitch = in->GetPitch() / bpp;
    int wx0 = std::max(src->GetPageX(), 0), wy0 = std::max(src->GetPageY(), 0);
    int wx1 = std::min(src->GetPageX() + src->GetWidth(), std::min(in->GetWidth(), int(texelPitch))) - 1;
    int wy1 = std::min(src->GetPageY() + src->GetHeight(), in->GetHeight()) - 1;
    if (wx1 < wx0 || wy1 < wy0) return;
    const uint8_t* texels = in->GetData();
    uint8_t* pixels = out->GetDataMutable();

    while (y < H) {
        int x0 = CeilInt(e.leftX), x1 = CeilInt(e.rightX);
        float u = e.leftU + (float(x0) - e.leftX) * dudx;
        float v = e.leftV + (float(x0) - e.leftX) * dvdx;
        x0 = std::min(x0, W);
        x1 = std::min(x1, W);
        if (x0 < 0) {
            u += float(-x0) * dudx;
            v += float(-x0) * dvdx;
            x0 = 0;
        }
        uint16_t* row = reinterpret_cast<uint16_t*>(pixels + size_t(outPitch) * size_t(y));
        for (int x = x0; x < x1; ++x) {
            int tu = TruncClamp(u, wx0, wx1), tv = TruncClamp(v, wy0, wy1);
            op(row[x], texels + (size_t(tv) * texelPitch + size_t(tu)) * bpp);
            u += dudx;
            v += dvdx;
        }
        if (++y >= H || !e.Step()) break;
    }
}

inline uint32_t Texel32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t OpacityCoverage(uint32_t opacity, uint32_t alpha)
{
    return std::min<uint32_t>((opacity * (alpha >> 3)) >> 8, 30);
}

}  // namespace

void Surface::FillTriangleA8Tint(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                 const RasterVertex& c, const uint8_t tint[3])
{
    uint32_t fill = FillOfTint(tint);
    Fill(dst, src, A8, a, b, c, [fill](uint16_t& d, const uint8_t* t) {
        if (uint32_t k = uint32_t(*t) >> 3) d = Blend(d, fill, k);
    });
}

void Surface::FillTriangleA8TintOpacity(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                        const RasterVertex& c, const uint8_t tint[3], uint8_t opacity)
{
    uint32_t fill = FillOfTint(tint);
    Fill(dst, src, A8, a, b, c, [fill, opacity](uint16_t& d, const uint8_t* t) {
        if (uint32_t k = (uint32_t(opacity) * *t) >> 11) d = Blend(d, fill, k);
    });
}

void Surface::FillTriangleRGBA8888(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                   const RasterVertex& c)
{
    Fill(dst, src, RGBA8888, a, b, c, [](uint16_t& d, const uint8_t* t) {
        uint32_t k = uint32_t(t[3]) >> 3;
        if (k == 31)
            d = uint16_t((t[0] >> 3) | ((t[2] & 0xF8) << 8) | ((t[1] & 0xFC) << 3));
        else if (k)
            d = Blend(d, FillOfTexel(Texel32(t)), k);
    });
}

void Surface::FillTriangleRGBA8888Opacity(Surface* dst, Surface* src, const RasterVertex& a,
                                          const RasterVertex& b, const RasterVertex& c, uint8_t opacity)
{
    Fill(dst, src, RGBA8888, a, b, c, [opacity](uint16_t& d, const uint8_t* t) {
        if (uint32_t k = OpacityCoverage(opacity, t[3])) d = Blend(d, FillOfTexel(Texel32(t)), k);
    });
}

void Surface::FillTriangle565(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                              const RasterVertex& c)
{
    Fill(dst, src, RGB565, a, b, c, [](uint16_t& d, const uint8_t* t) { d = uint16_t(t[0] | t[1] << 8); });
}

void Surface::FillTriangleRGBA8888Add(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                      const RasterVertex& c, uint8_t opacity)
{
    Fill(dst, src, RGBA8888, a, b, c, [opacity](uint16_t& d, const uint8_t* t) {
        if (uint32_t k = OpacityCoverage(opacity, t[3])) d = Add(d, FillOfTexel(Texel32(t)), k);
    });
}

void Surface::DrawTriangle(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                           const RasterVertex& c)
{
    if (!src || !src->GetPixelData()) return;
    uint8_t opacity = src->GetOpacity();
    uint32_t format = src->GetPixelData()->GetFormat();
    if (opacity == 0) return;
    if (opacity == 255) {
        if (format == RGB565) FillTriangle565(dst, src, a, b, c);
        if (format == RGBA8888) FillTriangleRGBA8888(dst, src, a, b, c);
    } else if (format == RGBA8888) {
        FillTriangleRGBA8888Opacity(dst, src, a, b, c, opacity);
    }
}

void Surface::DrawTriangleTinted(Surface* dst, Surface* src, const uint8_t tint[3], const RasterVertex& a,
                                 const RasterVertex& b, const RasterVertex& c)
{
    if (!src) return;
    uint8_t opacity = src->GetOpacity();
    if (opacity == 255)
        FillTriangleA8Tint(dst, src, a, b, c, tint);
    else if (opacity != 0)
        FillTriangleA8TintOpacity(dst, src, a, b, c, tint, opacity);
}

void Surface::DrawTriangleAdditive(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                   const RasterVertex& c)
{
    if (src && src->GetOpacity() != 0) FillTriangleRGBA8888Add(dst, src, a, b, c, src->GetOpacity());
}

}  // namespace Voke
