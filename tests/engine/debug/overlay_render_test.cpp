// The overlay drawn by the real driver into an off-screen 800 x 480 target,
// pixels read back: text and its colour escapes, the status line and icons,
// the plots and their labels, the console and the fatal-error box.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/core/io_stream.h"
#include "engine/core/key_codes.h"
#include "engine/debug/debug_images.h"
#include "engine/debug/debug_overlay.h"
#include "engine/debug/debug_plot.h"
#include "engine/debug/network.h"
#include "engine/graphics/surface.h"
#include "tests/engine/graphics/gl_fixture.h"

namespace Voke {
namespace Test {
namespace {

constexpr int W = 800;
constexpr int H = 480;

const Color kBlack = MakeColor(0, 0, 0);
const Color kWhite = MakeColor(255, 255, 255);
const Color kGrey = MakeColor(100, 100, 100);

bool Near(Color a, Color b, int tolerance = 10)
{
    return std::abs(int(ColorR(a)) - int(ColorR(b))) <= tolerance &&
           std::abs(int(ColorG(a)) - int(ColorG(b))) <= tolerance &&
           std::abs(int(ColorB(a)) - int(ColorB(b))) <= tolerance;
}

std::string Show(Color c)
{
    return "(" + std::to_string(ColorR(c)) + ", " + std::to_string(ColorG(c)) + ", " + std::to_string(ColorB(c)) +
           ")";
}

class OverlayRenderTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        target = new Surface(W, H, RGBA8888);
        Fill(kBlack);
        overlay = new DebugOverlay;
        DebugOverlay::s_visible = false;
        DebugOverlay::s_holdsInput = false;
    }
    void TearDown() override
    {
        DebugOverlay::s_visible = false;
        DebugOverlay::s_holdsInput = false;
        DebugOverlay::s_fatalMessage.clear();
        overlay.Reset();
        target.Reset();
        GLTest::TearDown();
    }
    void Fill(Color color) { Surface::FillRect(target, 0, 0, W, H, &color); }
    Color At(int x, int y) { return TargetPixel(target, x, y); }
    void ExpectAt(int x, int y, Color expected, const char* what, int tolerance = 10)
    {
        Color got = At(x, y);
        EXPECT_TRUE(Near(got, expected, tolerance)) << what << " at " << x << "," << y << ": " << Show(got);
    }
    void Frames(int count, float seconds)
    {
        for (int i = 0; i < count; ++i) overlay->Update(seconds);
    }

    SmartPtr<Surface> target;
    SmartPtr<DebugOverlay> overlay;
};

TEST_F(OverlayRenderTest, TextGlyphsColoursTabsAndUnknownBytes)
{
    Fill(kGrey);
    overlay->DrawText(target, 10, 10, "A");
    ExpectAt(11, 10, kWhite, "top of A");
    ExpectAt(10, 13, kWhite, "bar of A");
    ExpectAt(10, 10, kBlack, "cell background");
    ExpectAt(16, 10, kGrey, "past the cell");

    overlay->DrawText(target, 10, 30, NarrowString("\x01\xFF\x00\x00" "A", 5));
    ExpectAt(11, 30, MakeColor(255, 0, 0), "red A");
    // The colour lasts to the end of the text; a tab leaves 16 pixels.
    overlay->DrawText(target, 10, 50, NarrowString("\x01\x00\xFF\x00" "A\tB", 7));
    ExpectAt(11, 50, MakeColor(0, 255, 0), "green A");
    ExpectAt(20, 50, kGrey, "the tab's gap");
    ExpectAt(32, 50, MakeColor(0, 255, 0), "green B after the tab");

    // Every byte outside 32 to 185 shows the diamond, UTF-8 included.
    overlay->DrawText(target, 100, 10, NarrowString(1, char(kDiamondCode)));
    overlay->DrawText(target, 110, 10, "\xC3\xA9");
    overlay->DrawText(target, 130, 10, "\n");
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 6; ++x) {
            Color diamond = At(100 + x, 10 + y);
            EXPECT_EQ(At(110 + x, 10 + y), diamond) << x << "," << y;
            EXPECT_EQ(At(116 + x, 10 + y), diamond) << x << "," << y;
            EXPECT_EQ(At(130 + x, 10 + y), diamond) << x << "," << y;
        }
    ExpectAt(103, 13, kWhite, "centre of the diamond");

    // A colour escape cut short ends the text; so does a zero byte.
    overlay->DrawText(target, 10, 70, "AB\x01\xFF");
    overlay->DrawText(target, 10, 90, NarrowString("A\0B", 3));
    ExpectAt(17, 70, kWhite, "B before the broken escape");
    ExpectAt(23, 70, kGrey, "nothing after it");
    ExpectAt(17, 90, kGrey, "nothing after the zero");
    overlay->DrawText(target, 10, 110, "\x01");
    overlay->DrawText(target, 790, 110, std::string(5000, 'W').c_str());  // runs off the surface
    overlay->DrawText(nullptr, 0, 0, "A");
    overlay->DrawText(target, 0, 0, static_cast<const char*>(nullptr));
}

TEST_F(OverlayRenderTest, StatusLineAndActivityIcons)
{
    Fill(kGrey);
    overlay->ShowFrameRate(true);
    overlay->ShowMemory(true);
    overlay->ShowVideoMemory(true);
    overlay->ShowActivityIcons(true);
    g_fileActivity = true;
    g_networkActivity = true;
    overlay->Render(target);
    ExpectAt(0, 0, kWhite, "F of FPS");
    ExpectAt(70, 0, kWhite, "M of MEM");
    ExpectAt(175, 0, kWhite, "V of VRAM");
    ExpectAt(W - 32 + 10, H - 32 + 3, kWhite, "disk shutter");
    ExpectAt(W - 32 + 3, H - 32 + 3, MakeColor(0x47, 0x50, 0xC8), "disk body", 12);
    ExpectAt(W - 32, H - 32, kGrey, "disk corner is transparent");
    ExpectAt(W - 64 + 15, H - 32 + 7, kWhite, "network wave");
    ExpectAt(W - 64 + 15, H - 32 + 4, kBlack, "network background");
    ExpectAt(W - 64, H - 32, kGrey, "network corner is transparent");
    EXPECT_FALSE(g_fileActivity) << "cleared once shown";
    EXPECT_FALSE(g_networkActivity);

    // Without the switch the flags stay for whoever shows them.
    overlay->ShowActivityIcons(false);
    g_networkActivity = true;
    Fill(kGrey);
    overlay->Render(target);
    ExpectAt(W - 64 + 15, H - 32 + 7, kGrey, "no icon");
    EXPECT_TRUE(g_networkActivity);
}

TEST_F(OverlayRenderTest, PlotsShareTheBottomBandAndLabelOnlyTakenSamples)
{
    Fill(kWhite);
    overlay->Execute("plot f");
    overlay->Execute("plot m");
    overlay->Render(target);
    // Two plots: a dark band over the bottom 100 rows, each plot in half.
    ExpectAt(5, H - 101, kWhite, "above the band");
    ExpectAt(5, H - 95, MakeColor(127, 127, 127), "band");
    // The frame-rate plot in (10, 390, 380, 80).
    ExpectAt(385, 430, kWhite, "vertical axis");
    ExpectAt(200, 465, kWhite, "horizontal axis");
    ExpectAt(200, 400, MakeColor(255, 64, 64), "high line");
    ExpectAt(200, 460, MakeColor(64, 64, 255), "low line");
    ExpectAt(22 + 1, 397, MakeColor(127, 127, 127), "no high label before a sample");
    ExpectAt(193, 462, kWhite, "the 5 s label");
    ExpectAt(383, 462, kWhite, "the 0 s label");
    // The memory plot in (410, 390, 380, 80).
    ExpectAt(785, 430, kWhite, "second plot's axis");

    Frames(3, 0.125f);
    Fill(kWhite);
    overlay->Render(target);
    bool labelled = false;
    for (int x = 22; x < 28; ++x) labelled = labelled || !Near(At(x, 397), MakeColor(127, 127, 127));
    EXPECT_TRUE(labelled) << "the high value is labelled once sampled";
}

TEST_F(OverlayRenderTest, PlotDrawsTheAverageAndSamplesByScale)
{
    // One zero, then sevens: low 0, high 7, average 6 after seven samples.
    int taken = 0;
    SmartPtr<DebugPlot> plot(new DebugPlot([&taken] { return taken++ == 0 ? 0.0f : 7.0f; }));
    for (int i = 0; i < 7; ++i) plot->Update(0.125f);
    ASSERT_NEAR(plot->GetAverage(), 6.0f, 1e-4f);
    ASSERT_NEAR(plot->GetHigh().shown, 7.0f, 1e-3f);
    plot->Draw(target, 0, 0, 400, 80, overlay);
    // Scale 60 / 7: the average maps to 70 - int(51.4) = 19.
    ExpectAt(100, 19, MakeColor(64, 255, 64), "average line");
    ExpectAt(100, 18, kBlack, "just above it");
    // Samples run right to left, 3.8 pixels apart: the newest ones are 7s on
    // the top edge, the first sample (0) is on the bottom edge.
    ExpectAt(385, 10, kWhite, "newest samples");
    ExpectAt(300, 10, MakeColor(255, 64, 64), "no sample this far left");

    // A constant value gives a zero range: the samples lie on the bottom edge.
    SmartPtr<DebugPlot> flat(new DebugPlot([] { return 3.0f; }));
    for (int i = 0; i < 5; ++i) flat->Update(0.125f);
    Fill(kBlack);
    flat->Draw(target, 0, 100, 400, 80, nullptr);
    ExpectAt(385, 170, kWhite, "flat samples on the low line");
    ExpectAt(300, 170, MakeColor(64, 255, 64), "the average, on the same line");
}

TEST_F(OverlayRenderTest, ConsoleShowsTheNewestLinesOverADimmedPicture)
{
    Fill(kWhite);
    DebugOverlay::s_visible = true;
    overlay->Print("hello");
    overlay->OnKeyDown(KEY_A);
    overlay->OnKeyDown(KEY_B);
    Frames(1, 0.1f);  // the cursor blinks on
    overlay->Render(target);
    const Color dimmed = MakeColor(63, 63, 63);
    ExpectAt(400, 200, dimmed, "dimmed picture");
    // Two lines at the bottom of 57 rows: the welcome text, then "hello".
    ExpectAt(0, 56 * 8 + 1, kWhite, "V of the welcome text");
    ExpectAt(0, 57 * 8, kWhite, "h of hello");
    ExpectAt(5, 57 * 8, dimmed, "glyph background is transparent");
    ExpectAt(1, H - 8, kWhite, "> of the edit line");
    ExpectAt(26, H - 1, kWhite, "cursor after two characters");
    ExpectAt(W - 5, 300, dimmed, "no scroll bar while everything fits");

    // More lines than rows: the oldest are hidden, marked and shown on the
    // scroll bar.
    for (int i = 0; i < 100; ++i) overlay->Print("line");
    Fill(kWhite);
    overlay->Render(target);
    ExpectAt(8, 0, kWhite, "more above");
    ExpectAt(W - 5, 300, MakeColor(128, 128, 128), "scroll bar");
    ExpectAt(W - 5, 100, dimmed, "above the bar");
    // The frame's left edge (the driver may light either pixel of a slanted
    // last segment).
    EXPECT_TRUE(Near(At(W - 6, 100), MakeColor(128, 128, 128)) || Near(At(W - 7, 100), MakeColor(128, 128, 128)));

    // Scrolled back past the oldest line: it stops with the oldest on top.
    for (int i = 0; i < 10; ++i) overlay->OnKeyDown(KEY_VOLUME_DOWN);
    Fill(kWhite);
    overlay->Render(target);
    EXPECT_EQ(overlay->GetScrollOffset(), 102 - 57);
    ExpectAt(0, 8 + 1, kWhite, "V of the welcome text on the first row");
    ExpectAt(8, H - 16, kWhite, "more below");
    ExpectAt(8, 0, dimmed, "nothing above");
}

TEST_F(OverlayRenderTest, FatalBoxIsCentredAndAtLeastNineteenCellsWide)
{
    DebugOverlay::s_holdsInput = true;
    DebugOverlay::s_fatalMessage = "short";
    DebugOverlay::s_visible = true;  // the fatal screen wins over the console
    Frames(1, 0.1f);                 // the title blinks on
    overlay->Render(target);
    const Color red = MakeColor(247, 32, 1);
    const int x = (W - 6 * 19) / 2;
    ExpectAt(x + 3, 103, red, "top left corner");
    ExpectAt(x + 18 * 6 + 2, 106, red, "top right corner");
    ExpectAt(x + 2, 110, red, "left bar");
    ExpectAt(x + 19 * 6 + 2, 110, kBlack, "past the right edge");
    ExpectAt(x + 12 + 1, 116, red, "G of the title");
    ExpectAt(x + 12 + 1, 134, red, "s of the message");
    ExpectAt(x + 3, 151, red, "bottom left corner");
    ExpectAt(400, 300, kBlack, "no console");

    Frames(1, 0.5f);  // blink off: no title
    Fill(kBlack);
    overlay->Render(target);
    ExpectAt(x + 12 + 1, 116, kBlack, "title blinked off");
    ExpectAt(x + 12 + 1, 134, red, "the message stays");

    DebugOverlay::s_fatalMessage = std::string(30, 'x');
    Fill(kBlack);
    overlay->Render(target);
    const int wide = (W - 6 * 34) / 2;
    ExpectAt(wide + 3, 103, red, "wider box");
    ExpectAt(wide + 33 * 6 + 2, 106, red, "its right corner");
}

}  // namespace
}  // namespace Test
}  // namespace Voke
