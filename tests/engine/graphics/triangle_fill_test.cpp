// The software triangle fillers, on memory surfaces.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "engine/graphics/pixel_data.h"
#include "engine/graphics/raster.h"
#include "engine/graphics/surface.h"

namespace Voke {
namespace {

// A surface kept over memory pixels (the public constructors make textures).
class MemSurface : public Surface {
public:
    MemSurface(int w, int h, uint32_t format) { SetPixelData(new MemPixelData(w, h, format)); }
    uint16_t Pixel(int x, int y) const
    {
        const uint8_t* p = GetPixelData()->GetData() + y * GetPixelData()->GetPitch() + x * 2;
        return uint16_t(p[0] | p[1] << 8);
    }
    void Set565(int x, int y, uint16_t v)
    {
        uint8_t* p = GetPixelData()->GetDataMutable() + y * GetPixelData()->GetPitch() + x * 2;
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
    }
    uint8_t* At(int x, int y)
    {
        PixelData* d = GetPixelData();
        return d->GetDataMutable() + y * d->GetPitch() + x * PixelData::GetFormatInfo(d->GetFormat()).bytesPerPixel;
    }
};

RasterVertex V(float x, float y, float u, float v) { return {x, y, u, v, int32_t(std::ceil(y))}; }
// u, v equal to x, y plus an offset.
RasterVertex P(float x, float y, float offset = 0) { return V(x, y, x + offset, y + offset); }

uint16_t Rgb565(int r5, int g6, int b5) { return uint16_t(r5 << 11 | g6 << 5 | b5); }

void FillRgba(MemSurface& s, uint8_t b, uint8_t g, uint8_t r, uint8_t a)
{
    for (int y = 0; y < s.GetHeight(); ++y)
        for (int x = 0; x < s.GetWidth(); ++x) {
            uint8_t* p = s.At(x, y);
            p[0] = b, p[1] = g, p[2] = r, p[3] = a;
        }
}

TEST(TriangleFill, OpaqueCopyAndTheTopLeftRule)
{
    SmartPtr<MemSurface> src(new MemSurface(8, 8, RGB565)), dst(new MemSurface(8, 8, RGB565));
    std::mt19937 rng(1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) src->Set565(x, y, uint16_t(rng() | 1));
    // Lower-left half: the left edge x = 0 and the pixels left of x = y.
    Surface::DrawTriangle(dst, src, P(0, 0), P(0, 8), P(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(dst->Pixel(x, y), x < y ? src->Pixel(x, y) : 0) << x << "," << y;

    // Flat top: starts with the edge b to c; the top row is drawn.
    SmartPtr<MemSurface> flat(new MemSurface(8, 8, RGB565));
    Surface::DrawTriangle(flat, src, P(0, 0), P(8, 0), P(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(flat->Pixel(x, y), x >= y ? src->Pixel(x, y) : 0) << x << "," << y;

    // Opacity 128 on an RGB565 source draws nothing.
    SmartPtr<MemSurface> none(new MemSurface(8, 8, RGB565));
    src->SetOpacity(128);
    Surface::DrawTriangle(none, src, P(0, 0), P(0, 8), P(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(none->Pixel(x, y), 0);
}

TEST(TriangleFill, RgbaStoresExactlyOnlyAtFullCoverage)
{
    SmartPtr<MemSurface> src(new MemSurface(4, 4, RGBA8888)), dst(new MemSurface(4, 4, RGB565));
    FillRgba(*src, 0x80, 0x40, 0xFF, 255);  // blue, green, red, alpha
    Surface::DrawTriangle(dst, src, P(0, 0), P(0, 4), P(4, 4));
    uint16_t exact = Rgb565(31, 0x40 >> 2, 0x80 >> 3);
    EXPECT_EQ(dst->Pixel(0, 1), exact);

    // Opacity 254: coverage 30 over black. Red 31 -> 29; green 16 -> 15 with
    // its lowest bit cleared -> 14; blue 16 -> 15.
    SmartPtr<MemSurface> blended(new MemSurface(4, 4, RGB565));
    src->SetOpacity(254);
    Surface::DrawTriangle(blended, src, P(0, 0), P(0, 4), P(4, 4));
    EXPECT_EQ(blended->Pixel(0, 1), Rgb565(29, 14, 15));
}

TEST(TriangleFill, AdditiveSaturates)
{
    SmartPtr<MemSurface> src(new MemSurface(4, 4, RGBA8888)), dst(new MemSurface(4, 4, RGB565));
    FillRgba(*src, 255, 255, 255, 255);
    dst->Set565(0, 1, Rgb565(31, 0, 0));
    Surface::DrawTriangleAdditive(dst, src, P(0, 0), P(0, 4), P(4, 4));
    // White at coverage 30 is red 29, green 58, blue 29; the lowest bits of
    // red and green serve as carry bits of the saturating addition.
    EXPECT_EQ(dst->Pixel(0, 2), Rgb565(28, 58, 29));
    EXPECT_EQ(dst->Pixel(0, 1), Rgb565(31, 58, 29));  // red stays at its maximum
}

TEST(TriangleFill, TintedAlphaCoverage)
{
    SmartPtr<MemSurface> src(new MemSurface(4, 4, A8)), dst(new MemSurface(4, 4, RGB565));
    *src->At(0, 1) = 7;    // coverage 0
    *src->At(0, 2) = 255;  // coverage 31
    dst->Set565(0, 1, 0x1234);
    const uint8_t white[3] = {255, 255, 255};
    Surface::DrawTriangleTinted(dst, src, white, P(0, 0), P(0, 4), P(4, 4));
    EXPECT_EQ(dst->Pixel(0, 1), 0x1234);
    EXPECT_EQ(dst->Pixel(0, 2), Rgb565(30, 60, 30));
    // At opacity 128 a texel of 255 gives coverage 15.
    SmartPtr<MemSurface> half(new MemSurface(4, 4, RGB565));
    src->SetOpacity(128);
    Surface::DrawTriangleTinted(half, src, white, P(0, 0), P(0, 4), P(4, 4));
    EXPECT_EQ(half->Pixel(0, 2), Rgb565(14, 28, 14));
}

TEST(TriangleFill, ClippingAdvancesTexturesAndTexelsClampToTheWindow)
{
    SmartPtr<MemSurface> src(new MemSurface(16, 16, RGB565)), dst(new MemSurface(8, 8, RGB565));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) src->Set565(x, y, uint16_t(y * 16 + x + 1));
    // Starts 4 rows above and 4 columns left of the destination.
    Surface::DrawTriangle(dst, src, P(-4, -4, 4), P(-4, 12, 4), P(12, 12, 4));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(dst->Pixel(x, y), x < y ? src->Pixel(x + 4, y + 4) : 0);

    // Texture coordinates far outside: the edge texels.
    SmartPtr<MemSurface> clamp(new MemSurface(8, 8, RGB565));
    Surface::DrawTriangle(clamp, src, V(0, 0, -100, 500), V(0, 8, -100, 500), V(8, 8, -100, 500));
    EXPECT_EQ(clamp->Pixel(0, 5), src->Pixel(0, 15));

    // Entirely below the destination.
    SmartPtr<MemSurface> below(new MemSurface(8, 8, RGB565));
    Surface::DrawTriangle(below, src, P(0, 9), P(0, 20), P(8, 20));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(below->Pixel(x, y), 0);
}

TEST(TriangleFill, UnsuitableSurfacesAndVerticesDrawNothing)
{
    SmartPtr<MemSurface> src(new MemSurface(8, 8, RGB565));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) src->Set565(x, y, 0xFFFF);
    SmartPtr<MemSurface> dst888(new MemSurface(8, 8, RGB888));
    Surface::DrawTriangle(dst888, src, P(0, 0), P(0, 8), P(8, 8));
    EXPECT_EQ(*dst888->At(0, 5), 0);
    SmartPtr<Surface> texture(new Surface(8, 8, RGB565));  // no memory pixels
    Surface::DrawTriangle(texture, src, P(0, 0), P(0, 8), P(8, 8));
    Surface::DrawTriangle(nullptr, src, P(0, 0), P(0, 8), P(8, 8));

    SmartPtr<MemSurface> dst(new MemSurface(8, 8, RGB565));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Surface::DrawTriangle(dst, src, P(0, 8), P(0, 0), P(8, 4));           // out of order
    Surface::DrawTriangle(dst, src, V(nan, 0, 0, 0), P(0, 8), P(8, 8));   // not a number
    Surface::DrawTriangle(dst, src, P(0, 0), P(0, 8), V(8, 8, nan, nan));
    Surface::DrawTriangle(dst, src, P(0, -3e9f), P(0, 8), P(8, 3e9f));    // beyond the raster limit
    Surface::DrawTriangle(dst, src, P(0, 0), P(0, 0), P(0, 0));           // empty
    int drawn = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) drawn += dst->Pixel(x, y) != 0;
    // Out-of-order vertices may draw part of the triangle, never outside.
    EXPECT_LE(drawn, 64);
}

}  // namespace
}  // namespace Voke
