// Blits drawn for real and read back: every pixel format, blending, the
// colour key, render targets, transformed blits and the tint.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/pixel_data_rle.h"
#include "engine/graphics/surface.h"
#include "engine/graphics/tint.h"
#include "tests/engine/graphics/gl_fixture.h"

namespace Voke {
namespace Test {
namespace {

// Channels within `tolerance` (blending rounds either way by one).
::testing::AssertionResult Near(Color actual, Color expected, int tolerance = 0)
{
    for (int shift = 0; shift < 32; shift += 8) {
        int a = int(actual >> shift & 0xFF), e = int(expected >> shift & 0xFF);
        if (std::abs(a - e) > tolerance) {
            char text[64];
            std::snprintf(text, sizeof text, "got 0x%08x, want 0x%08x", unsigned(actual), unsigned(expected));
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

const Color kRed = MakeColor(255, 0, 0);
const Color kGreen = MakeColor(0, 255, 0);
const Color kBlue = MakeColor(0, 0, 255);
const Color kWhite = MakeColor(255, 255, 255);
const Color kBlack = MakeColor(0, 0, 0);
const Color kMagenta = MakeColor(255, 0, 255);

// 2 x 2: red, green on top; blue, white below.
Color Quadrants(int x, int y) { return y == 0 ? (x == 0 ? kRed : kGreen) : (x == 0 ? kBlue : kWhite); }

using BlitTest = GLTest;

TEST_F(BlitTest, EveryUncompressedFormatDrawsItsPixels)
{
    SmartPtr<Surface> s565(MakeImage(2, 2, RGB565, Quadrants));
    SmartPtr<Surface> s888(MakeImage(2, 2, RGB888, [](int x, int y) { return MakeColor(10 + x, 100 + y, 200); }));
    SmartPtr<Surface> s8888(MakeImage(2, 2, RGBA8888, [](int x, int y) { return MakeColor(7, 77 + x, 177 + y); }));
    SmartPtr<Surface> a8(MakeImage(2, 1, A8, [](int x, int) { return MakeColor(0, 0, 0, x ? 255 : 0); }));
    Surface::Blit(m_window, 0, 0, s565, s565->GetClipRect());
    Surface::Blit(m_window, 4, 0, s888, s888->GetClipRect());
    Surface::Blit(m_window, 8, 0, s8888, s8888->GetClipRect());
    Surface::Blit(m_window, 12, 0, a8, a8->GetClipRect());

    EXPECT_TRUE(Near(WindowPixel(0, 0), kRed));
    EXPECT_TRUE(Near(WindowPixel(1, 0), kGreen));
    EXPECT_TRUE(Near(WindowPixel(0, 1), kBlue));
    EXPECT_TRUE(Near(WindowPixel(1, 1), kWhite));
    EXPECT_TRUE(Near(WindowPixel(2, 0), kBlack));
    EXPECT_TRUE(Near(WindowPixel(4, 0), MakeColor(10, 100, 200)));
    EXPECT_TRUE(Near(WindowPixel(5, 1), MakeColor(11, 101, 200)));
    EXPECT_TRUE(Near(WindowPixel(9, 1), MakeColor(7, 78, 178)));
    // An alpha-only image is drawn in the vertex colour (white) with its alpha.
    EXPECT_TRUE(Near(WindowPixel(12, 0), kBlack));
    EXPECT_TRUE(Near(WindowPixel(13, 0), kWhite));

    // Run-length pixels: an opaque blue run, a transparent one, half-alpha red.
    const uint8_t stream[] = {0x0A, 14, 0, 4, 1, 0, 0x1F, 0x00, 0, 1, 0, 3, 1, 0, 15, 0x00, 0xF8};
    SmartPtr<Surface> rle(new Surface(new PixelDataRLE(3, 1, sizeof stream, stream)));
    Color grey = MakeColor(100, 100, 100);
    Surface::FillRect(m_window, 16, 0, 19, 1, &grey);
    Surface::Blit(m_window, 16, 0, rle, rle->GetClipRect());
    EXPECT_TRUE(Near(WindowPixel(16, 0), kBlue));
    EXPECT_TRUE(Near(WindowPixel(17, 0), grey));
    EXPECT_TRUE(Near(WindowPixel(18, 0), MakeColor(175, 52, 52), 1));  // alpha 15 -> 123
}

TEST_F(BlitTest, NarrowImagesHonourTheirRowLayout)
{
    // Rows of 1 and 2 pixels of 1-, 2- and 3-byte formats are not 4-byte
    // aligned; each row must still be read from its own bytes.
    auto rows = [](int x, int y) { return MakeColor(uint8_t(60 * y + 20 * x), 255, 0, uint8_t(60 * y + 20 * x + 15)); };
    const uint32_t formats[] = {A8, RGB565, RGB888};
    int at = 0;
    for (uint32_t format : formats) {
        for (int width = 1; width <= 2; ++width, at += 4) {
            SmartPtr<Surface> image(MakeImage(width, 3, format, rows));
            Surface::Blit(m_window, at, 10, image, image->GetClipRect());
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < width; ++x) {
                    Color got = WindowPixel(at + x, 10 + y);
                    uint8_t v = uint8_t(60 * y + 20 * x), a = uint8_t(v + 15);
                    Color want = format == A8       ? MakeColor(a, a, a)
                                 : format == RGB565 ? MakeColor(v & 0xF8, 255, 0)
                                                    : MakeColor(v, 255, 0);
                    // 5-bit red widens to 8 bits by GL's own rounding.
                    EXPECT_TRUE(Near(got, want, format == RGB565 ? 8 : 1))
                        << "format " << format << " width " << width << " at " << x << "," << y;
                }
        }
    }
}

TEST_F(BlitTest, AlphaAndAdditiveBlending)
{
    Color grey = MakeColor(50, 50, 50);
    Surface::FillRect(m_window, 0, 0, kWidth, kHeight, &grey);
    SmartPtr<Surface> half(MakeImage(1, 1, RGBA8888, [](int, int) { return MakeColor(250, 0, 0, 128); }));
    SmartPtr<Surface> glow(MakeImage(1, 1, RGB888, [](int, int) { return MakeColor(100, 50, 0); }));
    Surface::Blit(m_window, 0, 0, half, half->GetClipRect());
    Surface::BlitAdditive(m_window, 2, 0, glow, glow->GetClipRect());
    glow->SetOpacity(128);
    Surface::Blit(m_window, 4, 0, glow, glow->GetClipRect());
    // src * a + dst * (1 - a)
    EXPECT_TRUE(Near(WindowPixel(0, 0), MakeColor(150, 25, 25), 1));
    // src * a + dst
    EXPECT_TRUE(Near(WindowPixel(2, 0), MakeColor(150, 100, 50)));
    // Opacity below 255 blends even an opaque format.
    EXPECT_TRUE(Near(WindowPixel(4, 0), MakeColor(75, 50, 25), 1));
}

TEST_F(BlitTest, MagentaKeyIsTransparentOnlyWithTheFlag)
{
    Surface::FillRect(m_window, 0, 0, kWidth, kHeight, &kBlue);
    for (uint32_t format : {uint32_t(RGB565), uint32_t(RGB888)}) {
        SmartPtr<Surface> keyed(MakeImage(2, 1, format, [](int x, int) { return x ? kMagenta : kGreen; }));
        keyed->GetPixelData()->SetColorKey(0xFFFF00FF);
        Surface::Blit(m_window, 0, 0, keyed, keyed->GetClipRect());
        keyed->SetFlags(Surface::kColorKey);
        Surface::Blit(m_window, 0, 2, keyed, keyed->GetClipRect());
        EXPECT_TRUE(Near(WindowPixel(1, 0), kMagenta)) << format;
        EXPECT_TRUE(Near(WindowPixel(0, 2), kGreen)) << format;
        EXPECT_TRUE(Near(WindowPixel(1, 2), kBlue)) << format;
        Surface::FillRect(m_window, 0, 0, kWidth, kHeight, &kBlue);
    }
    // A colour only near the key is drawn.
    SmartPtr<Surface> near(MakeImage(1, 1, RGB888, [](int, int) { return MakeColor(255, 1, 255); }));
    near->SetFlags(Surface::kColorKey);
    Surface::Blit(m_window, 5, 5, near, near->GetClipRect());
    EXPECT_TRUE(Near(WindowPixel(5, 5), MakeColor(255, 1, 255)));
}

TEST_F(BlitTest, ClampedSourceRectangleKeepsTheDestination)
{
    SmartPtr<Surface> image(MakeImage(2, 2, RGB888, Quadrants));
    Rect big{-5, -5, 20, 20};
    Surface::Blit(m_window, 10, 10, image, &big);
    EXPECT_TRUE(Near(WindowPixel(10, 10), kRed));
    EXPECT_TRUE(Near(WindowPixel(11, 11), kWhite));
    EXPECT_TRUE(Near(WindowPixel(12, 12), kBlack));
    Rect part{1, 0, 1, 2};
    Surface::Blit(m_window, 20, 10, image, &part);
    EXPECT_TRUE(Near(WindowPixel(20, 10), kGreen));
    EXPECT_TRUE(Near(WindowPixel(21, 10), kBlack));
    Color tint = MakeColor(255, 0, 255, 0);  // the colour's alpha is not used
    Surface::BlitTinted(m_window, 30, 10, &tint, image, image->GetClipRect());
    EXPECT_TRUE(Near(WindowPixel(31, 11), kMagenta));
}

TEST_F(BlitTest, RenderTargetKeepsOrientationWhenBlittedBack)
{
    for (uint32_t format : {uint32_t(RGB565), uint32_t(RGBA8888)}) {
        SmartPtr<Surface> target(new Surface(16, 8, format));
        Surface::Clear(target, &kBlue);
        Surface::FillRect(target, 0, 0, 4, 2, &kRed);
        SmartPtr<Surface> image(MakeImage(2, 2, RGB888, Quadrants));
        Surface::Blit(target, 14, 6, image, image->GetClipRect());
        // Row 0 of the texture is the image's top row.
        EXPECT_TRUE(Near(TargetPixel(target, 0, 0), kRed));
        EXPECT_TRUE(Near(TargetPixel(target, 15, 7), kWhite));
        if (format == RGBA8888) {
            EXPECT_EQ(ColorA(TargetPixel(target, 8, 4)), 0);  // cleared with alpha 0
        }

        Surface::FillRect(m_window, 0, 0, kWidth, kHeight, &kGreen);
        Surface::Blit(m_window, 30, 20, target, target->GetClipRect());
        EXPECT_TRUE(Near(WindowPixel(30, 20), kRed)) << format;
        EXPECT_TRUE(Near(WindowPixel(33, 21), kRed)) << format;
        EXPECT_TRUE(Near(WindowPixel(34, 22), format == RGBA8888 ? kGreen : kBlue)) << format;
        EXPECT_TRUE(Near(WindowPixel(44, 26), kRed)) << format;
        EXPECT_TRUE(Near(WindowPixel(45, 27), kWhite)) << format;
        EXPECT_TRUE(Near(WindowPixel(46, 28), kGreen)) << format;
    }
}

TEST_F(BlitTest, CreateCopyAndStretchOverTheWholeTarget)
{
    SmartPtr<Surface> image(MakeImage(2, 2, RGB888, Quadrants));
    SmartPtr<Surface> copy(Surface::CreateCopy(image));
    EXPECT_TRUE(Near(TargetPixel(copy, 1, 1), kWhite));
    Surface::BlitWhole(m_window, copy, copy->GetClipRect());
    EXPECT_TRUE(Near(WindowPixel(0, 0), kRed));
    EXPECT_TRUE(Near(WindowPixel(kWidth / 2 - 1, kHeight / 2 - 1), kRed));
    EXPECT_TRUE(Near(WindowPixel(kWidth / 2, 0), kGreen));
    EXPECT_TRUE(Near(WindowPixel(0, kHeight - 1), kBlue));
    EXPECT_TRUE(Near(WindowPixel(kWidth - 1, kHeight - 1), kWhite));
}

TEST_F(BlitTest, ScaledRotatedAndMirroredBlits)
{
    SmartPtr<Surface> image(MakeImage(2, 2, RGB888, Quadrants));
    const Rect all{0, 0, 2, 2};
    const float one[2] = {1, 1}, two[2] = {2, 2}, origin[2] = {0, 0}, centre[2] = {1, 1};

    Surface::BlitTransformed(m_window, image, 4, 4, 0.0f, two, origin, 0, all);
    EXPECT_TRUE(Near(WindowPixel(4, 4), kRed));
    EXPECT_TRUE(Near(WindowPixel(5, 5), kRed));
    EXPECT_TRUE(Near(WindowPixel(6, 4), kGreen));
    EXPECT_TRUE(Near(WindowPixel(4, 7), kBlue));
    EXPECT_TRUE(Near(WindowPixel(7, 7), kWhite));
    EXPECT_TRUE(Near(WindowPixel(8, 8), kBlack));

    // A quarter turn clockwise about the centre, which lands on (20, 20).
    Surface::BlitTransformed(m_window, image, 20, 20, float(M_PI / 2), one, centre, 0, all);
    EXPECT_TRUE(Near(WindowPixel(19, 19), kBlue));
    EXPECT_TRUE(Near(WindowPixel(20, 19), kRed));
    EXPECT_TRUE(Near(WindowPixel(20, 20), kGreen));
    EXPECT_TRUE(Near(WindowPixel(19, 20), kWhite));

    Surface::BlitTransformed(m_window, image, 30, 4, 0.0f, one, origin, 2, all);  // left to right
    EXPECT_TRUE(Near(WindowPixel(30, 4), kGreen));
    EXPECT_TRUE(Near(WindowPixel(31, 5), kBlue));
    Surface::BlitTransformed(m_window, image, 30, 10, 0.0f, one, origin, 1, all);  // top to bottom
    EXPECT_TRUE(Near(WindowPixel(30, 10), kBlue));
    EXPECT_TRUE(Near(WindowPixel(31, 11), kGreen));
    Surface::BlitTransformed(m_window, image, 30, 16, 0.0f, one, origin, 3, all);  // unmirrored
    EXPECT_TRUE(Near(WindowPixel(30, 16), kRed));

    // Negative scale mirrors about the anchor; additive adds; tinted multiplies.
    const float mirror[2] = {-1, 1};
    Surface::BlitTransformed(m_window, image, 42, 4, 0.0f, mirror, origin, 0, all);
    EXPECT_TRUE(Near(WindowPixel(41, 4), kRed));
    EXPECT_TRUE(Near(WindowPixel(40, 4), kGreen));
    Surface::BlitTransformedAdditive(m_window, image, 42, 4, 0.0f, mirror, origin, 0, all);
    EXPECT_TRUE(Near(WindowPixel(41, 4), kRed));
    const uint8_t tint[3] = {255, 0, 0};
    Surface::BlitTransformedTinted(m_window, image, 50, 4, 0.0f, one, origin, 0, all, tint);
    EXPECT_TRUE(Near(WindowPixel(51, 5), kRed));
    EXPECT_TRUE(Near(WindowPixel(51, 4), kBlack));
}

TEST_F(BlitTest, TintAndOverBrightTint)
{
    SmartPtr<Surface> grey(MakeImage(2, 1, RGB888, [](int x, int) { return x ? kMagenta : MakeColor(100, 100, 100); }));
    grey->GetPixelData()->SetColorKey(0xFFFF00FF);
    SmartPtr<Tint> tint(new Tint);
    const Rect all{0, 0, 2, 1};

    tint->SetColor(1.0f, 1.0f, 1.0f);  // unchanged, through the built-in program
    tint->Apply(grey, m_window, 0, 0, &all);
    EXPECT_TRUE(Near(WindowPixel(0, 0), MakeColor(100, 100, 100)));
    EXPECT_EQ(Batcher()->GetCurrentShader(), Batcher()->GetProgram(OpenGLBatcher::kTextured));

    tint->SetColor(1.0f, 0.5f, 0.0f);
    tint->Apply(grey, m_window, 0, 2, &all);
    EXPECT_TRUE(Near(WindowPixel(0, 2), MakeColor(100, 50, 0), 1));

    tint->SetColor(2.0f, 2.0f, 1.0f);  // over-bright: its own program doubles the texel
    tint->Apply(grey, m_window, 0, 4, &all);
    EXPECT_EQ(Batcher()->GetCurrentShader(), tint->GetShader());
    // An ordinary blit right after draws with the ordinary program again.
    Surface::Blit(m_window, 0, 6, grey, &all);
    EXPECT_NE(Batcher()->GetCurrentShader(), tint->GetShader());
    EXPECT_TRUE(Near(WindowPixel(0, 4), MakeColor(200, 200, 100)));
    EXPECT_TRUE(Near(WindowPixel(0, 6), MakeColor(100, 100, 100)));

    // A keyed source keeps its key under an ordinary tint.
    grey->SetFlags(Surface::kColorKey);
    tint->SetColor(1.0f, 1.0f, 1.0f);
    tint->Apply(grey, m_window, 4, 0, &all);
    EXPECT_TRUE(Near(WindowPixel(5, 0), kBlack));
    EXPECT_TRUE(Near(WindowPixel(4, 0), MakeColor(100, 100, 100)));
}

// The game's frame: a 480 x 320 back buffer, linearly filtered, stretched
// over windows larger than it. Its texture is padded to 512 x 512; the
// window's outermost pixels must show the back buffer's edge texels, not a
// mix with the padding beyond them.
TEST(StretchedFrame, TheWindowsEdgesShowTheBackBuffersEdges)
{
    const Color inside = MakeColor(200, 150, 100), column = MakeColor(20, 240, 60), row = MakeColor(90, 30, 250),
                corner = MakeColor(255, 255, 0);
    struct Size {
        int w, h;
    };
    for (const Size size : {Size{800, 480}, Size{1366, 768}, Size{1052, 700}, Size{800, 1052}}) {
        ASSERT_TRUE(CreateOffscreenContext(size.w, size.h));
        SmartPtr<Surface> window(new Surface(PixelDataGL::CreateScreen(size.w, size.h)));
        SmartPtr<Surface> back(new Surface(480, 320, RGBA8888));
        back->SetFlags(back->TestFlags(~0u) | Surface::kLinear | Surface::kOpaque);
        for (const bool edged : {false, true}) {
            SCOPED_TRACE(std::to_string(size.w) + " x " + std::to_string(size.h) + (edged ? ", edged" : ", plain"));
            // Edged: the last column, the last row and the corner each of a
            // colour of their own.
            Surface::Clear(back, &inside);
            if (edged) {
                Surface::FillRect(back, 479, 0, 480, 319, &column);
                Surface::FillRect(back, 0, 319, 479, 320, &row);
                Surface::FillRect(back, 479, 319, 480, 320, &corner);
            }
            const Color black = MakeColor(0, 0, 0);
            Surface::Clear(window, &black);
            Surface::BlitWhole(window, back, back->GetClipRect());
            Batcher::Get()->Flush();
            std::vector<uint8_t> rgba(size_t(size.w) * size_t(size.h) * 4);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glReadPixels(0, 0, size.w, size.h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
            // From the top left, as the window shows it.
            auto pixel = [&](int x, int y) {
                const uint8_t* p = &rgba[(size_t(size.h - 1 - y) * size_t(size.w) + size_t(x)) * 4];
                return MakeColor(p[0], p[1], p[2]);
            };
            // Window pixels whose sample lies on the same source row or
            // column as the edge's centre (not between it and its inner
            // neighbour) show the edge texel.
            auto onInnerTexels = [](int p, int extent, int texels) {
                return (2.0 * p + 1.0) * texels <= (2.0 * texels - 3.0) * extent;
            };
            for (int y = 0; y < size.h; ++y) {
                if (!onInnerTexels(y, size.h, 320)) continue;
                ASSERT_TRUE(Near(pixel(size.w - 1, y), edged ? column : inside, 1)) << "last column, row " << y;
                ASSERT_TRUE(Near(pixel(0, y), inside, 1)) << "first column, row " << y;
            }
            for (int x = 0; x < size.w; ++x) {
                if (!onInnerTexels(x, size.w, 480)) continue;
                ASSERT_TRUE(Near(pixel(x, size.h - 1), edged ? row : inside, 1)) << "last row, column " << x;
                ASSERT_TRUE(Near(pixel(x, 0), inside, 1)) << "first row, column " << x;
            }
            EXPECT_TRUE(Near(pixel(size.w - 1, size.h - 1), edged ? corner : inside, 1));
            EXPECT_TRUE(Near(pixel(0, 0), inside, 1));
        }
        back.Reset();
        window.Reset();
        DestroyOffscreenContext();
    }
}

// A part of an image (as an atlas entry is a part of its page) stretched
// over the window: the texels around it do not show at any edge.
TEST_F(BlitTest, AStretchedPartShowsNothingAroundIt)
{
    SmartPtr<Surface> image(MakeImage(6, 4, RGB888, [](int x, int y) {
        return x == 0 || x == 5 || y == 0 || y == 3 ? kMagenta : (x < 3 ? kGreen : kBlue);
    }));
    image->SetFlags(image->TestFlags(~0u) | Surface::kLinear);
    const Rect part{1, 1, 4, 2};
    Surface::BlitWhole(m_window, image, &part);
    for (int y = 0; y < kHeight; ++y) {
        ASSERT_TRUE(Near(WindowPixel(0, y), kGreen, 1)) << "row " << y;
        ASSERT_TRUE(Near(WindowPixel(kWidth - 1, y), kBlue, 1)) << "row " << y;
    }
    for (int x = 0; x < kWidth; ++x) {
        const Color c = x < kWidth / 2 - 8 ? kGreen : x >= kWidth / 2 + 8 ? kBlue : 0;
        if (!c) continue;
        ASSERT_TRUE(Near(WindowPixel(x, 0), c, 1)) << "column " << x;
        ASSERT_TRUE(Near(WindowPixel(x, kHeight - 1), c, 1)) << "column " << x;
    }
}

}  // namespace
}  // namespace Test
}  // namespace Voke
