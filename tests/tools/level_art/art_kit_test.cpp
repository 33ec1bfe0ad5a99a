// The drawing kit's own rules: the one-colour image names, strips that wrap,
// repeating wall patterns, lit slabs and posts, skylines, facade styles and
// halved layers, the tiled-picture file text, and the background layer
// drawing the contact sheets use (placement, repetition and fills as the game
// draws them).
#include <cairo.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tools/picturegen/background_painters.h"
#include "tools/picturegen/facade.h"
#include "tools/picturegen/scenery.h"
#include "tools/picturegen/tiled_layout.h"

namespace PictureGen {
namespace {

uint32_t PixelAt(cairo_surface_t* s, int x, int y)
{
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    return reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(s))[x];
}

uint32_t Opaque(Rgb c) { return 0xff000000u | (c.r << 16) | (c.g << 8) | c.b; }

TEST(ColourImageNameTest, RectanglesPadWithZerosAndFillsWithBlanks)
{
    EXPECT_EQ(ColourImageName({0, 0, 0}), "c000000.png");
    EXPECT_EQ(FillColourImageName({0, 0, 0}), "c 0 0 0.png");
    EXPECT_EQ(ColourImageName({10, 0, 255}), "c0a00ff.png");
    EXPECT_EQ(FillColourImageName({10, 0, 255}), "c a 0ff.png");
    EXPECT_EQ(FillColourImageName({45, 40, 66}), ColourImageName({45, 40, 66}));
}

TEST(StripTest, WhatCrossesOneEndComesBackAtTheOther)
{
    Strip strip(64, 8, 32);
    strip.C().Rect(56, 0, 16, 8, {255, 0, 0});   // runs 8 px past the right end
    strip.C().Rect(-20, 0, 4, 8, {0, 0, 255});   // lies wholly left of the start
    std::unique_ptr<Canvas> folded = strip.Fold();
    EXPECT_EQ(PixelAt(folded->Surface(), 63, 4), Opaque({255, 0, 0}));
    EXPECT_EQ(PixelAt(folded->Surface(), 7, 4), Opaque({255, 0, 0}));
    EXPECT_EQ(PixelAt(folded->Surface(), 8, 4), 0u);
    EXPECT_EQ(PixelAt(folded->Surface(), 44, 4), Opaque({0, 0, 255}));
    EXPECT_EQ(PixelAt(folded->Surface(), 47, 4), Opaque({0, 0, 255}));
    EXPECT_EQ(PixelAt(folded->Surface(), 43, 4), 0u);
    EXPECT_EQ(PixelAt(folded->Surface(), 48, 4), 0u);
}

TEST(BricksTest, ThePatternRepeatsEveryPeriodFromItsOrigin)
{
    Canvas c(200, 40);
    Bricks(c, 0, 0, 200, 40, 8, 32, {{90, 60, 50}, {80, 55, 45}, {100, 70, 60}}, {40, 30, 30}, 16, 6);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x + 32 < 200; ++x) ASSERT_EQ(PixelAt(c.Surface(), x, y), PixelAt(c.Surface(), x + 32, y));
    // Joints fall on the origin: the column at x 8 is mortar in the first
    // course, the half-brick shift puts it at x 16 in the second.
    EXPECT_EQ(PixelAt(c.Surface(), 8, 2), Opaque({40, 30, 30}));
    EXPECT_EQ(PixelAt(c.Surface(), 16, 8), Opaque({40, 30, 30}));
    EXPECT_EQ(Wrap(-1, 32), 31);
    EXPECT_EQ(Wrap(65, 32), 1);
}

TEST(CanvasShapesTest, SlabsAndPostsPutTheirBandsOnTheirEdgesAndRectsDrawEveryBox)
{
    const Rgb body{10, 20, 30}, lit{200, 200, 200}, shade{1, 2, 3};
    Canvas c(40, 20);
    c.Slab(2, 2, 10, 8, body, lit, 2, shade, 3);  // rows 2-3 lit, 4-6 body, 7-9 shade
    c.Post(20, 2, 10, 8, body, lit, 1, shade, 4);  // column 20 lit, 21-25 body, 26-29 shade
    c.Slab(32, 2, 4, 4, body, lit, 0);             // no bands: all body
    c.Rects({{0, 15, 2, 2}, {38, 15, 2, 2}}, lit);
    const std::pair<std::pair<int, int>, Rgb> expected[] = {
        {{5, 3}, lit},   {{5, 4}, body},  {{5, 6}, body},  {{5, 7}, shade}, {{5, 9}, shade}, {{20, 5}, lit},
        {{25, 5}, body}, {{26, 9}, shade}, {{32, 2}, body}, {{1, 16}, lit},  {{39, 16}, lit}};
    for (const auto& [at, colour] : expected)
        EXPECT_EQ(PixelAt(c.Surface(), at.first, at.second), Opaque(colour)) << at.first << "," << at.second;
    for (auto [x, y] : {std::pair{5, 10}, {30, 5}, {20, 16}}) EXPECT_EQ(PixelAt(c.Surface(), x, y), 0u);
}

// A book over a temporary folder.
class PaintedBookTest : public ::testing::Test {
protected:
    PaintedBookTest() : m_sink(m_dir.Path()), m_book(m_sink) {}
    uint32_t At(const std::string& name, int x, int y) { return PixelAt(m_book.Find(name), x, y); }

    VokeTest::TempDir m_dir;
    PictureSink m_sink;
    ArtBook m_book;
};

TEST_F(PaintedBookTest, FacadeStylesAreNumberedAndEachExtraStandsOnItsOwnLeftPiece)
{
    auto plain = [](Rgb colour) {
        Facade f(8, 0);
        f.body = [colour](Canvas& c, int w, int) { c.Rect(0, 0, w, 8, colour); };
        return f;
    };
    auto mark = [](Canvas& c, int x0, int, Rng&) { c.Rect(x0, 0, 1, 1, {255, 0, 0}); };
    PaintFacadeStyles(m_book, "level05", "s", {plain({0, 0, 90}), plain({0, 90, 0})}, {nullptr, mark});
    for (const char* name : {"s1_01.png", "s1_02.png", "s1_03.png", "s2_02.png", "s2_03.png"})
        EXPECT_NE(At(name, 16, 0), Opaque({255, 0, 0})) << name;
    EXPECT_EQ(At("s1_02.png", 0, 0), Opaque({0, 0, 90}));
    EXPECT_EQ(At("s2_01.png", 16, 0), Opaque({255, 0, 0}));  // after the 16 px cap
    EXPECT_EQ(At("s2_03.png", 0, 7), Opaque({0, 90, 0}));
}

TEST_F(PaintedBookTest, AHalvedLayerHandsItsPainterTheBandAndStandsAtItsTop)
{
    std::vector<TiledLayout> out;
    PaintHalvedLayer(m_book, out, "level04", "x", {64, 10, 8, 30}, {9, 9, 9},
                     [](Canvas& c, LayerBand b) { c.Rect(0, 0, b.width, b.height, {0, 200, 0}); });
    EXPECT_EQ(m_book.WidthOf("x_b.png"), 32);
    EXPECT_EQ(At("x_a.png", 31, 7), Opaque({0, 200, 0}));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(LayoutXml(out[1]), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                 "<picture width=\"32\" height=\"30\">\n"
                                 "\t<texture filename=\"x_b.png\" x=\"0\" y=\"10\"/>\n"
                                 "\t<rect x=\"0\" y=\"18\" width=\"32\" height=\"12\" r=\"9\" g=\"9\" b=\"9\"/>\n"
                                 "</picture>\n");
}

TEST(SkylineTest, WindowsAreLitOnlyWhenTheLookAsksAndBlocksStandOnTheGround)
{
    const Rgb body{40, 40, 60}, lit{50, 50, 70}, window{250, 200, 100};
    auto draw = [&](bool withWindows) {
        auto c = std::make_unique<Canvas>(60, 40);
        SkylineLook look("test", 0, 60, 40);
        look.Sizes({20, 20}, {30, 30}, {0, 0}).Colours(body, lit, window).Roofs(0, 0, 0, 0);
        if (withWindows) look.Windows(1.0, 3, 2, 6, 7);
        Skyline(*c, look);
        return c;
    };
    auto dark = draw(false), bright = draw(true);
    // Blocks 30 wide and 20 high from x 0 and 30, their tops at row 20, the
    // lit face their first 5 columns.
    EXPECT_EQ(PixelAt(dark->Surface(), 10, 19), 0u);
    EXPECT_EQ(PixelAt(dark->Surface(), 10, 20), Opaque(body));
    EXPECT_EQ(PixelAt(dark->Surface(), 34, 39), Opaque(lit));
    EXPECT_EQ(PixelAt(dark->Surface(), 9, 24), Opaque(body));
    // The first window of each block at (x + 3, top + 4), 3 x 2; the next 6
    // across and 7 down.
    for (auto [x, y] : {std::pair{3, 24}, {5, 25}, {9, 24}, {33, 31}})
        EXPECT_EQ(PixelAt(bright->Surface(), x, y), Opaque(window)) << x << "," << y;
    EXPECT_EQ(PixelAt(bright->Surface(), 12, 24), Opaque(body));
    EXPECT_EQ(PixelAt(bright->Surface(), 9, 26), Opaque(body));
}

TEST(LayoutXmlTest, WritesTilesInOrderAndRefusesMoreThanTheGameReads)
{
    TiledLayout t{"x.xml", 512, 150, {}};
    t.Texture("a.png", 0, -20, 2).Fill(0, 80, 512, 70, {82, 101, 148}).Texture("b.png", 4, 5, 1, 3, 0, 40);
    EXPECT_EQ(LayoutXml(t),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<picture width=\"512\" height=\"150\">\n"
              "\t<texture filename=\"a.png\" x=\"0\" y=\"-20\" countx=\"2\"/>\n"
              "\t<rect x=\"0\" y=\"80\" width=\"512\" height=\"70\" r=\"82\" g=\"101\" b=\"148\"/>\n"
              "\t<texture filename=\"b.png\" x=\"4\" y=\"5\" height=\"40\" county=\"3\"/>\n"
              "</picture>\n");
    for (int i = 0; i < kMaxTiles - 3; ++i) t.Fill(0, 0, 1, 1, {1, 2, 3});
    EXPECT_FALSE(LayoutXml(t).empty());
    t.Fill(0, 0, 1, 1, {1, 2, 3});
    EXPECT_TRUE(LayoutXml(t).empty());
}

// A book with one 40 x 20 picture, for the layer drawing.
class LayerDrawingTest : public ::testing::Test {
protected:
    LayerDrawingTest() : m_sink(m_dir.Path()), m_book(m_sink)
    {
        Canvas item(40, 20);
        item.Rect(0, 0, 40, 20, {200, 10, 10});
        m_book.Add("level01", "item.png", item);
        m_view = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kScreenWidth, kScreenHeight);
        m_cr = cairo_create(m_view);
    }
    ~LayerDrawingTest() override
    {
        cairo_destroy(m_cr);
        cairo_surface_destroy(m_view);
    }
    uint32_t At(int x, int y) { return PixelAt(m_view, x, y); }
    // A layer of "item.xml": the picture tiled once.
    LayerSetup TiledItemLayer()
    {
        TiledLayout item{"item.xml", 40, 20, {}};
        item.Texture("item.png", 0, 0);
        m_layouts["item.xml"] = item;
        LayerSetup s;
        s.items = {"item.xml"};
        return s;
    }

    VokeTest::TempDir m_dir;
    PictureSink m_sink;
    ArtBook m_book;
    cairo_surface_t* m_view;
    cairo_t* m_cr;
    std::map<std::string, TiledLayout> m_layouts;
};

TEST_F(LayerDrawingTest, AMovingLayerRepeatsAcrossTheScreenAndFillsBelowToTheBottom)
{
    LayerSetup s = TiledItemLayer();
    s.factor = 2.0;
    s.baseY = 380;  // y = 380 - 200 / 2 = 280: the item's bottom at 300
    s.fillBelow = true;
    s.below = {0, 200, 0};
    // x = 100 / 2 = 50, wrapped by the strip's 40 px: 10 px to the left.
    DrawBackgroundLayer(m_cr, s, 100, 200, m_layouts, m_book);
    EXPECT_EQ(At(0, 285), Opaque({200, 10, 10}));
    EXPECT_EQ(At(29, 285), Opaque({200, 10, 10}));
    EXPECT_EQ(At(479, 285), Opaque({200, 10, 10}));
    EXPECT_EQ(At(10, 279), 0u);
    EXPECT_EQ(At(10, 300), Opaque({0, 200, 0}));
    EXPECT_EQ(At(479, 319), Opaque({0, 200, 0}));
}

TEST_F(LayerDrawingTest, AnImageDrawnOnceFromTheRightStandsAlone)
{
    LayerSetup s;
    s.items = {"item.png"};
    s.factor = 0;
    s.once = true;
    s.baseXFromRight = true;
    s.baseY = 10;
    DrawBackgroundLayer(m_cr, s, 5000, 200, m_layouts, m_book);
    // baseX = 480 + 10 - 40: the image's right 10 px lie off the screen.
    EXPECT_EQ(At(450, 15), Opaque({200, 10, 10}));
    EXPECT_EQ(At(449, 15), 0u);
    EXPECT_EQ(At(400, 15), 0u);
}

TEST_F(LayerDrawingTest, AForegroundLayerWrapsNegativeScrollAndFillsAboveWhenBelowTheTop)
{
    LayerSetup s = TiledItemLayer();
    s.factor = 0.68;
    s.baseY = 300;  // y = scrollY (not divided): 300 - 200 = 100
    s.fillAbove = true;
    s.above = {0, 0, 200};
    DrawBackgroundLayer(m_cr, s, -100, 200, m_layouts, m_book);
    // x = trunc(-147.06) + 40 = -107: the strip starts at x 107 and repeats
    // to the right edge.
    EXPECT_EQ(At(107, 110), Opaque({200, 10, 10}));
    EXPECT_EQ(At(106, 110), 0u);
    EXPECT_EQ(At(479, 110), Opaque({200, 10, 10}));
    EXPECT_EQ(At(110, 50), Opaque({0, 0, 200}));
    EXPECT_EQ(At(106, 50), 0u);
}

}  // namespace
}  // namespace PictureGen
