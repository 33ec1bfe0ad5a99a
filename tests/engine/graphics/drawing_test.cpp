// Untextured drawing read back from the real driver: fills, frames, lines,
// circles, clears and the clip rectangle.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "tests/engine/graphics/gl_fixture.h"

namespace Voke {
namespace Test {
namespace {

const Color kRed = MakeColor(255, 0, 0);
const Color kBlack = MakeColor(0, 0, 0);

using DrawingTest = GLTest;

TEST_F(DrawingTest, FillRectCoversExactlyItsPixelsInEitherOrder)
{
    Surface::FillRect(m_window, 10, 10, 20, 20, &kRed);
    Surface::FillRect(m_window, 40, 30, 30, 25, &kRed);  // corners swapped
    EXPECT_EQ(WindowPixel(10, 10), kRed);
    EXPECT_EQ(WindowPixel(19, 19), kRed);
    EXPECT_EQ(WindowPixel(20, 20), kBlack);
    EXPECT_EQ(WindowPixel(9, 10), kBlack);
    EXPECT_EQ(WindowPixel(30, 25), kRed);
    EXPECT_EQ(WindowPixel(39, 29), kRed);
    EXPECT_EQ(WindowPixel(40, 29), kBlack);

    Color half = MakeColor(0, 0, 255, 128);
    Surface::FillRect(m_window, 10, 10, 12, 12, &half);
    Color got = WindowPixel(10, 10);
    EXPECT_NEAR(ColorR(got), 127, 1);
    EXPECT_NEAR(ColorB(got), 128, 1);
}

TEST_F(DrawingTest, LinesAndFrames)
{
    Color green = MakeColor(0, 255, 0);
    Surface::DrawLine(m_window, 2.5f, 30.5f, 12.5f, 30.5f, &green);
    for (int x = 3; x < 12; ++x) EXPECT_EQ(WindowPixel(x, 30), green) << x;
    EXPECT_EQ(WindowPixel(6, 29), kBlack);
    EXPECT_EQ(WindowPixel(6, 31), kBlack);
    EXPECT_EQ(WindowPixel(14, 30), kBlack);

    Surface::DrawVLine(m_window, 50, 5, 15, &green);
    int lit = 0;
    for (int x = 49; x <= 50; ++x) lit += WindowPixel(x, 10) == green;
    EXPECT_EQ(lit, 1);

    // A frame touches all four edges and leaves its inside alone; swapped x
    // draws the same frame.
    Surface::DrawRectFrame(m_window, 20, 5, 30, 15, &kRed);
    Surface::DrawRectFrame(m_window, 45, 25, 35, 35, &kRed);
    for (int base : {0, 15}) {
        int x0 = 20 + base, y0 = 5 + 20 * (base != 0);
        auto any = [&](int xa, int ya, int xb, int yb) {
            return WindowPixel(xa, ya) == kRed || WindowPixel(xb, yb) == kRed;
        };
        EXPECT_TRUE(any(x0 + 5, y0 - 1, x0 + 5, y0)) << "top " << base;
        EXPECT_TRUE(any(x0 + 5, y0 + 9, x0 + 5, y0 + 10)) << "bottom " << base;
        EXPECT_TRUE(any(x0 - 1, y0 + 5, x0, y0 + 5)) << "left " << base;
        EXPECT_TRUE(any(x0 + 9, y0 + 5, x0 + 10, y0 + 5)) << "right " << base;
        EXPECT_EQ(WindowPixel(x0 + 5, y0 + 5), kBlack) << base;
    }
}

TEST_F(DrawingTest, CirclesFilledAndOutlined)
{
    Surface::FillCircle(m_window, 16.0f, 16.0f, 10.0f, &kRed);
    EXPECT_EQ(WindowPixel(16, 16), kRed);
    EXPECT_EQ(WindowPixel(16, 23), kRed);
    EXPECT_EQ(WindowPixel(9, 16), kRed);
    EXPECT_EQ(WindowPixel(8, 8), kBlack);  // outside the rim
    EXPECT_EQ(WindowPixel(28, 16), kBlack);

    Color green = MakeColor(0, 255, 0);
    Surface::DrawCircle(m_window, 45.0f, 20.0f, 10.0f, &green);
    EXPECT_EQ(WindowPixel(45, 20), kBlack);
    int rim = 0;
    for (int y = 8; y <= 12; ++y)
        for (int x = 43; x <= 47; ++x) rim += WindowPixel(x, y) == green;
    EXPECT_GT(rim, 0);

    // Radii that make fewer than three segments, or no number, draw nothing.
    uint64_t draws = GetRenderStats().drawCalls;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float r : {0.3f, 0.0f, -4.0f, nan, std::numeric_limits<float>::infinity()}) {
        Surface::FillCircle(m_window, 5.0f, 40.0f, r, &green);
        Surface::DrawCircle(m_window, 5.0f, 40.0f, r, &green);
    }
    Batcher()->Flush();
    EXPECT_EQ(GetRenderStats().drawCalls, draws);
    EXPECT_EQ(WindowPixel(5, 40), kBlack);
}

TEST_F(DrawingTest, ClipRectLimitsDrawingAndClearing)
{
    m_window->SetClipRect(Rect{8, 6, 10, 12});
    Surface::FillRect(m_window, 0, 0, kWidth, kHeight, &kRed);
    EXPECT_EQ(WindowPixel(8, 6), kRed);
    EXPECT_EQ(WindowPixel(17, 17), kRed);
    EXPECT_EQ(WindowPixel(7, 6), kBlack);
    EXPECT_EQ(WindowPixel(8, 5), kBlack);
    EXPECT_EQ(WindowPixel(18, 17), kBlack);
    EXPECT_EQ(WindowPixel(17, 18), kBlack);

    Surface::Clear(m_window, 128);
    EXPECT_EQ(WindowPixel(10, 10), MakeColor(128, 128, 128));
    EXPECT_EQ(WindowPixel(20, 20), kBlack);
    m_window->SetClipRect(Rect{0, 0, kWidth, kHeight});

    SmartPtr<Surface> target(new Surface(8, 8, RGBA8888));
    target->SetClipRect(Rect{0, 0, 4, 8});  // texture targets are not flipped
    Surface::Clear(target, &kRed);
    EXPECT_EQ(TargetPixel(target, 0, 0), MakeColor(255, 0, 0, 0));  // RGBA targets clear to alpha 0
    EXPECT_EQ(TargetPixel(target, 3, 7), MakeColor(255, 0, 0, 0));
    EXPECT_NE(ColorR(TargetPixel(target, 4, 0)), 255);
}

TEST_F(DrawingTest, ClearDropsGeometryNotYetDrawn)
{
    Surface::FillRect(m_window, 0, 0, 10, 10, &kRed);
    Color blue = MakeColor(0, 0, 255);
    Surface::Clear(m_window, &blue);
    EXPECT_EQ(Batcher()->GetPendingVertexCount(), 0u);
    EXPECT_EQ(WindowPixel(5, 5), blue);
}

// The pixels of the last column and the last row of an RGBA read-back of
// w x h that differ from `expected`; `topDown` when its first row is the
// top one (a texture target), not the bottom one (the window).
int EdgeMisses(const std::vector<uint8_t>& rgba, int w, int h, bool topDown, Color expected)
{
    auto at = [&](int x, int y) {
        const uint8_t* p = &rgba[(size_t(topDown ? y : h - 1 - y) * size_t(w) + size_t(x)) * 4];
        return MakeColor(p[0], p[1], p[2]);
    };
    int misses = 0;
    for (int y = 0; y < h; ++y) misses += at(w - 1, y) != expected;
    for (int x = 0; x < w; ++x) misses += at(x, h - 1) != expected;
    return misses;
}

// A fill over the whole of a window or a texture target wider or taller than
// 1024 px reaches its last column and row (positions mapped to clip space at
// medium precision fell more than half a pixel short at these sizes).
TEST(LargeTargets, AWholeFillReachesTheLastColumnAndRow)
{
    struct Size {
        int w, h;
    };
    const Color fill = MakeColor(30, 200, 90);
    const Color black = MakeColor(0, 0, 0);
    for (const Size size : {Size{1052, 32}, Size{1545, 32}, Size{32, 1052}, Size{32, 1545}}) {
        SCOPED_TRACE(std::to_string(size.w) + " x " + std::to_string(size.h));
        ASSERT_TRUE(CreateOffscreenContext(size.w, size.h));
        std::vector<uint8_t> rgba(size_t(size.w) * size_t(size.h) * 4);
        {
            SmartPtr<Surface> window(new Surface(PixelDataGL::CreateScreen(size.w, size.h)));
            Surface::Clear(window, &black);
            Surface::FillRect(window, 0, 0, size.w, size.h, &fill);
            Batcher::Get()->Flush();
            glReadPixels(0, 0, size.w, size.h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
            EXPECT_EQ(EdgeMisses(rgba, size.w, size.h, false, fill), 0) << "window";

            SmartPtr<Surface> target(new Surface(size.w, size.h, RGBA8888));
            Surface::Clear(target, &black);
            Surface::FillRect(target, 0, 0, size.w, size.h, &fill);
            Batcher::Get()->Flush();
            glBindFramebuffer(GL_FRAMEBUFFER, static_cast<PixelDataGL*>(target->GetPixelData())->GetFramebuffer());
            glReadPixels(0, 0, size.w, size.h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            EXPECT_EQ(EdgeMisses(rgba, size.w, size.h, true, fill), 0) << "texture target";
        }
        DestroyOffscreenContext();
    }
}

}  // namespace
}  // namespace Test
}  // namespace Voke
