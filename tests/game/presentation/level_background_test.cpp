// Level backgrounds drawn through the GL batcher into a 480 x 320 target and
// read back: parallax layers at several camera positions, their repeats, the
// one-colour fills above and below the strips, the shake, the resolution
// offsets, and pictures that are missing or damaged.
#include "game/presentation/level_background.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/core/game_base.h"
#include "game/presentation/resolution_dependence.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/game/presentation/render_target.h"

namespace {

using Voke::Color;
using Voke::MakeColor;

constexpr int kW = 480;
constexpr int kH = 320;
const Color kBackdrop = MakeColor(1, 2, 3);

// A picture pixel that tells which picture and which of its pixels it is.
Color Code(int tag, int u, int v)
{
    return MakeColor(uint8_t(tag), uint8_t(u & 255), uint8_t(((u >> 8) << 5) | (v & 31)));
}

// One item of a strip in the tests' model: a picture `w` x `h` coded with `tag`.
struct Item {
    int tag, w, h;
};

class LevelBackgroundTest : public PresentationTest::RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        MakeTarget(kW, kH);
        m_game.m_ScreenWidth = kW;
        m_game.m_ScreenHeight = kH;
        m_background.SetOwner(&m_game);
    }

    void Png(const std::string& name, int w, int h, const Voke::Test::PixelFunction& pixel)
    {
        m_content->Write(name, Voke::Test::MakePngFile(w, h, pixel));
    }
    void CodedPng(const std::string& name, const Item& item)
    {
        const int tag = item.tag;
        Png(name, item.w, item.h, [tag](int x, int y) { return Code(tag, x, y); });
    }
    // A tiled-picture description of one coded image.
    void Picture(const std::string& name, const Item& item)
    {
        const std::string image = name + ".png";
        CodedPng(image, item);
        m_content->Write(name, "<picture width=\"" + std::to_string(item.w) + "\" height=\"" + std::to_string(item.h) +
                                   "\"><texture filename=\"" + image + "\"/></picture>");
    }
    void ColourImage(const std::string& name, Color c)
    {
        Png(name, 4, 4, [c](int, int) { return c; });
    }

    // Draws one layer alone at the scroll and reads the target back.
    PresentationTest::Frame DrawAlone(int layer, float scrollX, float scrollY)
    {
        m_background.SetScroll(scrollX, scrollY);
        m_background.UpdateLayers();
        Clear(kBackdrop);
        m_background.DrawLayer(m_target, layer);
        return Read();
    }

    // What a strip of `items` starting at (x0, y0) shows at (x, y): the item
    // pixel, its fill below / above when given, else the backdrop.
    static Color Expected(const std::vector<Item>& items, int x0, int y0, int x, int y, const Color* below,
                          const Color* above)
    {
        if (x < x0) return kBackdrop;
        int left = x0;
        for (size_t i = 0;; i = (i + 1) % items.size()) {
            const Item& item = items[i];
            if (x < left + item.w) {
                const int u = x - left, v = y - y0;
                if (v >= 0 && v < item.h) return Code(item.tag, u, v);
                if (v >= item.h && below && y0 + item.h <= kH) return *below;
                if (v < 0 && above && y0 >= 0) return *above;
                return kBackdrop;
            }
            left += item.w;
        }
    }

    static void ExpectStrip(const PresentationTest::Frame& frame, const std::vector<Item>& items, int x0, int y0,
                            const Color* below, const Color* above)
    {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                ASSERT_EQ(frame.At(x, y), Expected(items, x0, y0, x, y, below, above)) << x << "," << y;
            }
    }

    // Level index 0: two strips, the moon and the sky.
    void WriteLevel1()
    {
        Picture("lev1_bg2_a.xml", m_near[0]);
        Picture("lev1_bg2_b.xml", m_near[1]);
        Picture("lev1_bg1_a.xml", {211, 300, 30});
        Picture("lev1_bg1_b.xml", {212, 200, 30});
        Picture("lev1_bg0.xml", {213, 500, 20});
        CodedPng("lev1_moon.png", m_moon);
        Picture("lev1_bg.xml", m_sky);
        ColourImage("c2d2842.png", m_nearFill);
        ColourImage("c3f4b77.png", MakeColor(63, 75, 119));
        ColourImage("c526594.png", MakeColor(82, 101, 148));
    }

    GameBase m_game;
    LevelBackground m_background;
    // Layer 0 of level index 0: 1000 pixels of strip.
    const std::vector<Item> m_near = {{201, 600, 40}, {202, 400, 60}};
    const Color m_nearFill = MakeColor(45, 40, 66);
    const Item m_moon = {220, 60, 120};
    const Item m_sky = {230, 200, 400};
};

TEST_F(LevelBackgroundTest, NearLayerMovesAtHalfTheCameraSpeedAndRepeatsWithItsFill)
{
    WriteLevel1();
    m_background.Load(0);
    const BackgroundLayer& layer = m_background.GetLayer(0);
    ASSERT_TRUE(layer.enabled);
    EXPECT_EQ(layer.count, 2);
    EXPECT_EQ(layer.totalWidth, 1000);

    struct Case {
        float scrollX, scrollY;
        int x, y;  // the layer's displacement
    };
    // Wrapped into the strip ahead of the start; behind it (negative) the
    // strip is not wrapped and leaves the screen's left part bare.
    for (const Case& c : {Case{0, 0, 0, 0}, Case{2500, 200, 250, 100}, Case{-300, 0, -150, 0},
                          Case{1999.9f, 150, 999, 75}, Case{123457, -41, 728, -20}}) {
        SCOPED_TRACE(c.scrollX);
        const PresentationTest::Frame frame = DrawAlone(0, c.scrollX, c.scrollY);
        EXPECT_EQ(layer.x, c.x);
        EXPECT_EQ(layer.y, c.y);
        ExpectStrip(frame, m_near, -c.x, 80 - c.y, &m_nearFill, nullptr);
    }
}

TEST_F(LevelBackgroundTest, DisplacementFollowsEachLayersDivisor)
{
    WriteLevel1();
    m_background.Load(0);
    m_background.SetScroll(3000.0f, 200.0f);
    m_background.UpdateLayers();
    EXPECT_EQ(m_background.GetLayer(0).y, 100);
    EXPECT_EQ(m_background.GetLayer(2).x, 600 % 500);
    // The fixed sky ignores the camera.
    EXPECT_EQ(m_background.GetLayer(4).x, 0);
    EXPECT_EQ(m_background.GetLayer(4).y, 0);

    // A foreground layer (factor 0.68) follows the camera's height one to
    // one and, behind its start, shows the end of its strip.
    Png("lev2_bg_peron01.png", 600, 50, [](int x, int y) { return Code(240, x, y); });
    LevelBackground platform;
    platform.SetOwner(&m_game);
    platform.Load(1);
    platform.SetScroll(-100.0f, 200.0f);
    platform.UpdateLayers();
    const BackgroundLayer& front = platform.GetLayer(4);
    EXPECT_EQ(front.totalWidth, 600);
    EXPECT_EQ(front.x, 453);
    EXPECT_EQ(front.y, 200);
    // The same through the unused copy.
    platform.SetScroll(0.0f, 0.0f);
    platform.UpdateLayersCopy();
    EXPECT_EQ(front.x, 0);
}

TEST_F(LevelBackgroundTest, FixedLayersStayStillWhileMovingLayersShake)
{
    WriteLevel1();
    // A narrower logical screen puts the moon where a repeat would still
    // show on the target.
    m_game.m_ScreenWidth = 200;
    m_background.Load(0);
    m_game.m_ScreenWidth = kW;
    EXPECT_EQ(m_background.GetLayer(3).baseX, 210 - m_moon.w);
    m_game.m_ShakeX = 5;
    m_game.m_ShakeY = -3;
    m_background.SetScroll(2500.0f, 200.0f);
    m_background.UpdateLayers();

    Clear(kBackdrop);
    m_background.DrawLayer(m_target, 4);
    PresentationTest::Frame frame = Read();
    ExpectStrip(frame, {m_sky}, 0, -150, nullptr, nullptr);

    // The moon is drawn once, however much of the screen lies right of it.
    Clear(kBackdrop);
    m_background.DrawLayer(m_target, 3);
    frame = Read();
    for (int y = 0; y < kH; y += 2)
        for (int x = 0; x < kW; ++x) {
            const bool moon = x >= 150 && x < 210 && y < 120 - 82;
            ASSERT_EQ(frame.At(x, y), moon ? Code(m_moon.tag, x - 150, y + 82) : kBackdrop) << x << "," << y;
        }

    Clear(kBackdrop);
    m_background.DrawLayer(m_target, 0);
    frame = Read();
    ExpectStrip(frame, m_near, -250 + 5, 80 - 100 - 3, &m_nearFill, nullptr);
}

TEST_F(LevelBackgroundTest, PlatformsFillBelowWithBlankPaddedColourNamesAndAbove)
{
    char name[16];
    BackgroundFillImageName(0, 0, 0, name, sizeof name);
    EXPECT_STREQ(name, "c 0 0 0.png");
    BackgroundFillImageName(1, 0xab, 16, name, sizeof name);
    EXPECT_STREQ(name, "c 1ab10.png");

    const std::vector<Item> platforms = {{241, 150, 30}, {242, 100, 20}, {243, 90, 30}, {244, 60, 25}};
    const char* names[] = {"lev2_bg_platform1_a.xml", "lev2_bg_platform1_b.xml", "lev2_bg_platform1_c.xml",
                           "lev2_bg_platform1_d.xml"};
    for (int i = 0; i < 4; ++i) Picture(names[i], platforms[size_t(i)]);
    const Item peron = {240, 600, 50};
    CodedPng("lev2_bg_peron01.png", peron);
    const Color black = MakeColor(0, 0, 0), tunnel = MakeColor(24, 40, 49);
    ColourImage("c 0 0 0.png", black);
    ColourImage("c182831.png", tunnel);
    m_background.Load(1);

    // The platform edge in front of the camera: wrapped to show the strip's
    // end behind the start, with black below it down to the screen's bottom.
    PresentationTest::Frame frame = DrawAlone(4, -100.0f, 400.0f);
    ExpectStrip(frame, {peron}, -453, 80, &black, nullptr);

    // The tunnel strip: filled above and below each item; an item whose
    // bottom lies below the screen gets no fill below, one whose bottom is
    // at 300 a fill to the bottom.
    const int x0 = -(int(200.0f / 1.27f) % 400);
    frame = DrawAlone(0, 200.0f, -100.0f);
    ExpectStrip(frame, platforms, x0, 20 + 78, &tunnel, &tunnel);
    for (float scrollY : {-330.5f, -356.0f}) {
        SCOPED_TRACE(scrollY);
        frame = DrawAlone(0, 200.0f, scrollY);
        const int y = m_background.GetLayer(0).y;
        ASSERT_EQ(y, scrollY < -350.0f ? -280 : -260);
        ExpectStrip(frame, platforms, x0, 20 - y, &tunnel, &tunnel);
    }
}

TEST_F(LevelBackgroundTest, ResolutionOffsetsMoveEachPlane)
{
    m_content->Write("resolution_dependence.xml",
                     "<r><Translation level=\"2\" plane=\"4\" movex=\"7\" movey=\"-5\"/>"
                     "<Translation level=\"2\" plane=\"1\" movex=\"-3\" movey=\"9\"/></r>");
    CodedPng("lev2_bg_peron01.png", {240, 600, 50});
    ResolutionDependence table;
    table.Load(kW, kH);
    m_game.m_Resolution = &table;
    m_background.Load(1);
    EXPECT_EQ(m_background.GetLayer(4).baseX, 7);
    EXPECT_EQ(m_background.GetLayer(4).baseY, 475);
    EXPECT_EQ(m_background.GetLayer(1).baseX, -3);
    EXPECT_EQ(m_background.GetLayer(1).baseY, 53);
    EXPECT_EQ(m_background.GetLayer(0).baseY, 20);
    EXPECT_EQ(m_background.GetLayer(1).totalWidth, 0) << "its pictures are missing";

    // Offsets at the ends of the int range move a plane far off the screen:
    // it draws nothing, and nothing overflows on the way.
    m_content->Write("resolution_dependence.xml",
                     "<r><Translation level=\"2\" plane=\"4\" movex=\"0\" movey=\"2147483647\"/>"
                     "<Translation level=\"2\" plane=\"4\" movex=\"-2147483648\" movey=\"1\"/></r>");
    ResolutionDependence far;
    far.Load(kW, kH);
    m_game.m_Resolution = &far;
    LevelBackground platform;
    platform.SetOwner(&m_game);
    platform.Load(1);
    EXPECT_GT(platform.GetLayer(4).baseY, 1 << 20);
    EXPECT_LT(platform.GetLayer(4).baseX, -(1 << 20));
    platform.SetScroll(-1e9f, -1e9f);
    platform.UpdateLayers();
    Clear(kBackdrop);
    platform.DrawLayer(m_target, 4);
    const PresentationTest::Frame drawn = Read();
    Clear(kBackdrop);
    EXPECT_TRUE(drawn == Read()) << "nothing drawn";
}

TEST_F(LevelBackgroundTest, MissingAndDamagedItemsDrawNothingAndNeverHang)
{
    // Level index 3: one strip of two pictures without width, one of a
    // negative width, one whose image and fill colour are missing.
    CodedPng("crane.png", {250, 30, 30});
    m_content->Write("lev4_bg2_bez_ramienia_dzwigu_a.xml",
                     "<p width=\"-40\" height=\"-9\"><texture filename=\"crane.png\"/></p>");
    m_content->Write("lev4_bg2_bez_ramienia_dzwigu_b.xml", "<p><texture filename=\"crane.png\"/></p>");
    m_content->Write("lev4_bg0_a.xml", "<p width=\"100\" height=\"10\"><texture filename=\"absent.png\"/></p>");
    m_content->Write("lev4_bg0_b.xml", "<p width=\"100\"");
    testing::internal::CaptureStdout();
    m_background.Load(3);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(m_background.GetLayer(0).totalWidth, 0);
    EXPECT_EQ(m_background.GetLayer(2).totalWidth, 100);

    for (float scroll : {0.0f, -5000.0f, 1e9f, -1e9f}) {
        m_background.SetScroll(scroll, scroll);
        m_background.UpdateLayers();
        Clear(kBackdrop);
        for (int layer = -1; layer <= 5; ++layer) m_background.DrawLayer(m_target, layer);
    }
    // The widthless pictures are drawn once each, on one spot.
    m_background.SetScroll(0.0f, 0.0f);
    m_background.UpdateLayers();
    Clear(kBackdrop);
    m_background.DrawLayer(m_target, 0);
    m_background.DrawLayer(m_target, 2);
    m_background.DrawLayer(m_target, 5);
    m_background.DrawLayer(m_target, -1);
    PresentationTest::Frame frame = Read();
    for (int y = 0; y < kH; y += 3)
        for (int x = 0; x < kW; ++x) {
            const bool crane = x < 30 && y >= 110 && y < 140;
            ASSERT_EQ(frame.At(x, y), crane ? Code(250, x, y - 110) : kBackdrop) << x << "," << y;
        }

    // Released, nothing is left to draw.
    m_background.Release();
    Clear(kBackdrop);
    for (int layer = 0; layer < LevelBackground::kLayers; ++layer) m_background.DrawLayer(m_target, layer);
    frame = Read();
    EXPECT_EQ(frame.At(5, 115), kBackdrop);

    // No level, no layers.
    LevelBackground none;
    none.Load(6);
    none.Load(-1);
    for (int layer = 0; layer < LevelBackground::kLayers; ++layer) EXPECT_FALSE(none.GetLayer(layer).enabled);
}

}  // namespace
