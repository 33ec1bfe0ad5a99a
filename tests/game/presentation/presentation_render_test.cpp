// Tiled pictures, parallax strips, rain, thunder and fireworks drawn for real
// through the GL batcher into a 480 x 320 off-screen target, and the pixels
// read back.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/core/asset_dict.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/presentation/fireworks.h"
#include "game/presentation/thunder_effect.h"
#include "game/presentation/tiled_picture.h"
#include "game/presentation/weather_effect.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/game/presentation/render_target.h"

namespace {

using Voke::Color;
using Voke::MakeColor;

constexpr int kW = 480;
constexpr int kH = 320;

const Color kBlack = MakeColor(0, 0, 0);
const Color kRed = MakeColor(255, 0, 0);
const Color kGreen = MakeColor(0, 255, 0);
const Color kBlue = MakeColor(0, 0, 255);
const Color kWhite = MakeColor(255, 255, 255);
const Color kYellow = MakeColor(255, 255, 0);

std::string Hex(Color c)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x", Voke::ColorR(c), Voke::ColorG(c), Voke::ColorB(c));
    return text;
}

using PresentationTest::Frame;

class PresentationRender : public PresentationTest::RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        MakeTarget(kW, kH);
        Voke::Surface::Clear(m_target, &kBlack);
        m_game.m_ScreenWidth = kW;
        m_game.m_ScreenHeight = kH;
        m_game.InitRandom(1234u);
    }
    void Png(const std::string& name, int w, int h, const Voke::Test::PixelFunction& pixel)
    {
        m_content->Write(name, Voke::Test::MakePngFile(w, h, pixel));
    }
    // The one-colour image that rectangles of that colour stretch.
    void ColourImage(Color c)
    {
        Png("c" + Hex(c) + ".png", 4, 4, [c](int, int) { return c; });
    }
    void Text(const std::string& name, const std::string& text) { m_content->Write(name, text); }

    void Clear(Color c = kBlack) { RenderTarget::Clear(c); }

    GameBase m_game;
};

// 8 x 4: a red left column, a blue right column, green between with a white
// bottom row, so that every seam between repeats is visible.
Color Strip(int x, int y) { return x == 0 ? kRed : x == 7 ? kBlue : (y == 3 ? kWhite : kGreen); }

const char kStripPicture[] =
    "<picture width=\"40\" height=\"8\">\n"
    "  <rect x=\"0\" y=\"-6\" width=\"40\" height=\"6\" r=\"16\" g=\"32\" b=\"48\"/>\n"
    "  <texture countx=\"5\" county=\"2\" filename=\"strip.png\"/>\n"
    "  <rect x=\"0\" y=\"8\" width=\"40\" height=\"5\" r=\"0xc8\" g=\"100\" b=\"0\"/>\n"
    "</picture>\n";

TEST_F(PresentationRender, TileRepeatsJoinExactlyWithFillsAboveAndBelow)
{
    Png("strip.png", 8, 4, Strip);
    const Color sky = MakeColor(16, 32, 48), ground = MakeColor(200, 100, 0);
    ColourImage(sky);
    ColourImage(ground);
    Text("strip.xml", kStripPicture);
    TiledPicture picture;
    ASSERT_TRUE(picture.Create("strip.xml"));
    EXPECT_EQ(picture.GetWidth(), 40);
    EXPECT_EQ(picture.GetHeight(), 8);
    picture.Draw(m_target, 3, 20);
    const Frame frame = Read();

    for (int y = 20; y < 28; ++y) {
        for (int x = 3; x < 43; ++x) EXPECT_EQ(frame.At(x, y), Strip((x - 3) % 8, (y - 20) % 4)) << x << "," << y;
        EXPECT_EQ(frame.At(2, y), kBlack);
        EXPECT_EQ(frame.At(43, y), kBlack);
    }
    for (int x = 3; x < 43; ++x) {
        for (int y = 14; y < 20; ++y) EXPECT_EQ(frame.At(x, y), sky) << x << "," << y;
        for (int y = 28; y < 33; ++y) EXPECT_EQ(frame.At(x, y), ground) << x << "," << y;
        EXPECT_EQ(frame.At(x, 13), kBlack);
        EXPECT_EQ(frame.At(x, 33), kBlack);
    }
    EXPECT_EQ(frame.At(2, 14), kBlack);
    EXPECT_EQ(frame.At(43, 32), kBlack);
}

TEST_F(PresentationRender, ParallaxStripJoinsAtEveryScrollPosition)
{
    Png("strip.png", 8, 4, Strip);
    const Color marker = MakeColor(255, 0, 255);
    ColourImage(marker);
    // A 40-pixel strip whose first two columns are marked, so that a strip
    // copy out of place shows.
    Text("layer.xml",
         "<layer width=\"40\" height=\"4\">\n"
         "  <texture countx=\"5\" filename=\"strip.png\"/>\n"
         "  <rect width=\"2\" height=\"4\" r=\"255\" g=\"0\" b=\"255\"/>\n"
         "</layer>\n");
    TiledPicture strip;
    ASSERT_TRUE(strip.Create("layer.xml"));
    const int width = strip.GetWidth();

    for (float scroll : {0.0f, 7.5f, 79.0f, 80.0f, 123.9f, 1000.0f, 98765.0f}) {
        SCOPED_TRACE(scroll);
        Clear();
        // A layer moving at half the scroll speed, repeated across the screen.
        int32_t offset = -1;
        ComputeParallaxTile(&m_game, 1, 1, width, &offset, nullptr, scroll, 0.0f, 2.0f);
        ASSERT_GE(offset, 0);
        ASSERT_LT(offset, width);
        for (int x = -offset; x < kW; x += width) strip.Draw(m_target, x, 100);
        const Frame frame = Read();
        const int shift = int(scroll / 2.0f) % width;
        for (int x = 0; x < kW; ++x) {
            const int u = (x + shift) % width;
            const Color want = u < 2 ? marker : Strip(u % 8, 0);
            ASSERT_EQ(frame.At(x, 100), want) << "column " << x;
            ASSERT_EQ(frame.At(x, 99), kBlack);
            ASSERT_EQ(frame.At(x, 104), kBlack);
        }
    }
}

TEST_F(PresentationRender, HugeCountsAndFarOffPicturesDrawOnlyWhatIsSeen)
{
    Png("strip.png", 8, 4, Strip);
    Text("long.xml", "<p><texture countx=\"2000000000\" county=\"2000000000\" filename=\"strip.png\"/></p>");
    Text("stacked.xml", "<p><texture width=\"-5\" height=\"-1\" countx=\"100000000\" county=\"50000\" "
                        "filename=\"strip.png\"/></p>");
    Text("gaps.xml", "<p><texture width=\"12\" countx=\"3\" filename=\"strip.png\"/></p>");
    TiledPicture longStrip, stacked, gaps;
    ASSERT_TRUE(longStrip.Create("long.xml"));
    ASSERT_TRUE(stacked.Create("stacked.xml"));
    ASSERT_TRUE(gaps.Create("gaps.xml"));

    // Billions of repeats, starting far to the left and above: the whole
    // target is covered, seams in place.
    longStrip.Draw(m_target, -800003, -400001);
    Frame frame = Read();
    for (int y = 0; y < kH; y += 7)
        for (int x = 0; x < kW; ++x) ASSERT_EQ(frame.At(x, y), Strip((x + 3) % 8, (y + 1) % 4)) << x << "," << y;

    // Every repeat on one spot, and a picture far off the target.
    Clear();
    stacked.Draw(m_target, 100, 100);
    gaps.Draw(m_target, -10000, 0);
    longStrip.Draw(m_target, kW, 0);
    gaps.Draw(m_target, 0, 200);
    frame = Read();
    for (int x = 0; x < 8; ++x) EXPECT_EQ(frame.At(100 + x, 100), Strip(x, 0));
    EXPECT_EQ(frame.At(99, 100), kBlack);
    EXPECT_EQ(frame.At(108, 100), kBlack);
    EXPECT_EQ(frame.At(100, 104), kBlack);
    EXPECT_EQ(frame.At(0, 0), kBlack);
    EXPECT_EQ(frame.At(kW - 1, 0), kBlack);
    // A step wider than the image leaves gaps.
    for (int c = 0; c < 3; ++c) {
        for (int x = 0; x < 8; ++x) EXPECT_EQ(frame.At(12 * c + x, 200), Strip(x, 0));
        for (int x = 8; x < 12; ++x) EXPECT_EQ(frame.At(12 * c + x, 200), kBlack);
    }
}

TEST_F(PresentationRender, DescriptionsLoadTheirTilesInOrder)
{
    Png("strip.png", 8, 4, Strip);
    ColourImage(kRed);
    ColourImage(MakeColor(10, 0, 255));
    std::string many = "<p>";
    for (int i = 0; i < 65; ++i) many += "<rect x=\"" + std::to_string(i) + "\" width=\"1\" height=\"2\" r=\"255\"/>";
    many += "</p>";
    Text("many.xml", many);
    // Another element between tiles takes no slot; names in any case.
    Text("mixed.xml",
         "<p><TEXTURE filename=\"strip.png\" countx=\"-3\"/><note><rect width=\"9\" height=\"9\"/></note>"
         "<Rect y=\"10\" width=\"3\" height=\"2\" r=\"10\" g=\"0\" b=\"255\"/></p>");
    Text("missing.xml", "<p><texture filename=\"nothing.png\"/><rect y=\"20\" width=\"4\" height=\"1\" r=\"255\"/></p>");
    Text("broken.xml", "<p><rect width=\"4\"</p>");
    Text("empty.xml", "<p width=\"7\"><other/></p>");

    TiledPicture picture;
    EXPECT_FALSE(picture.Create(nullptr));
    EXPECT_FALSE(picture.Create("absent.xml"));
    EXPECT_FALSE(picture.Create("broken.xml"));
    EXPECT_FALSE(picture.IsLoaded());
    ASSERT_TRUE(picture.Create("empty.xml"));
    EXPECT_TRUE(picture.IsLoaded());
    EXPECT_EQ(picture.GetWidth(), 7);

    TiledPicture capped, mixed, missing;
    ASSERT_TRUE(capped.Create("many.xml"));
    ASSERT_TRUE(mixed.Create("mixed.xml"));
    testing::internal::CaptureStdout();
    ASSERT_TRUE(missing.Create("missing.xml"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " \nERROR in TiledPicture::Create(): <missing.xml> , <nothing.png> = Texture doesn't exist? \n \n");

    picture.Draw(m_target, 0, 0);
    capped.Draw(m_target, 0, 0);
    mixed.Draw(m_target, 100, 0);
    missing.Draw(m_target, 200, 0);
    const Frame frame = Read();
    EXPECT_EQ(frame.At(63, 1), kRed);
    EXPECT_EQ(frame.At(64, 0), kBlack) << "the 65th tile is ignored";
    EXPECT_EQ(frame.At(107, 3), kBlue) << "a count below 1 draws once";
    EXPECT_EQ(frame.At(108, 0), kBlack);
    EXPECT_EQ(frame.At(100, 10), MakeColor(10, 0, 255)) << "the tile after another element";
    EXPECT_EQ(frame.At(102, 11), MakeColor(10, 0, 255));
    EXPECT_EQ(frame.At(103, 10), kBlack);
    EXPECT_EQ(frame.At(108, 8), kBlack) << "children of children are not tiles";
    EXPECT_EQ(frame.At(203, 20), kRed) << "a tile without its image does not stop the others";
}

TEST_F(PresentationRender, CreatingAgainReplacesTheTilesAndReleaseEmptiesThem)
{
    Png("strip.png", 8, 4, Strip);
    ColourImage(MakeColor(16, 32, 48));
    ColourImage(MakeColor(200, 100, 0));
    ColourImage(kWhite);
    Text("strip.xml", kStripPicture);
    Text("small.xml", "<p width=\"3\" height=\"1\"><texture/><rect width=\"3\" height=\"1\" r=\"255\" g=\"255\" b=\"255\"/></p>");
    TiledPicture picture;
    ASSERT_TRUE(picture.Create("strip.xml"));
    ASSERT_TRUE(picture.Create("small.xml"));
    EXPECT_EQ(picture.GetWidth(), 3);
    picture.Draw(m_target, 10, 10);
    Frame frame = Read();
    EXPECT_EQ(frame.At(10, 10), kWhite);
    EXPECT_EQ(frame.At(12, 10), kWhite);
    EXPECT_EQ(frame.At(13, 10), kBlack) << "nothing of the earlier picture is left";
    EXPECT_EQ(frame.At(10, 11), kBlack);
    EXPECT_EQ(frame.At(10, 18), kBlack);

    picture.Release();
    EXPECT_FALSE(picture.IsLoaded());
    EXPECT_EQ(picture.GetWidth(), 3);
    EXPECT_EQ(picture.GetHeight(), 1);
    Clear();
    picture.Draw(m_target, 10, 10);
    EXPECT_EQ(Read().At(10, 10), kBlack);
}

// Opaque rows of tiled pictures, which the background uses to leave hidden
// rows of farther layers undrawn. Images tell their opaque rows only as
// atlas entries, so the tiles' images sit on one page: "bars.png" 6 x 5 with
// its rows 1 and 3 translucent, "solid.png" 4 x 3, "thin.png" 1 x 2 and the
// colour of "c102030.png", all opaque otherwise.
class TiledPictureRows : public PresentationRender {
protected:
    struct Image {
        const char* name;
        int x, w, h;
        std::vector<int> translucentRows;
    };
    // A tile as the description gives it; a rectangle when `image` is null.
    struct TileSpec {
        const Image* image;
        int x, y, width, height, countx, county;
    };

    const Image kBars{"bars.png", 0, 6, 5, {1, 3}};
    const Image kSolid{"solid.png", 8, 4, 3, {}};
    const Image kThin{"thin.png", 16, 1, 2, {}};
    const Image kColour{"c102030.png", 20, 4, 4, {}};

    void SetUp() override
    {
        PresentationRender::SetUp();
        std::string xml = "<atlas>\n";
        for (const Image* image : {&kBars, &kSolid, &kThin, &kColour})
            xml += "<rect id=\"" + std::string(image->name) + "\" x=\"" + std::to_string(image->x) +
                   "\" y=\"0\" width=\"" + std::to_string(image->w) + "\" height=\"" + std::to_string(image->h) +
                   "\"/>\n";
        Text("rows.xml", xml + "</atlas>\n");
        m_content->Write("rows.png", Voke::Test::MakeRgbaPngFile(32, 8, [this](int x, int y) {
            const Image& image = x < 8 ? kBars : x < 16 ? kSolid : x < 20 ? kThin : kColour;
            const bool translucent = std::count(image.translucentRows.begin(), image.translucentRows.end(), y) > 0;
            return MakeColor(16, 32, 48, translucent ? 128 : 255);
        }));
        ASSERT_TRUE(Voke::AssetDict::s_engine && Voke::AssetDict::s_engine->LoadAtlas("rows.xml"));
    }

    static std::string Description(int w, int h, const std::vector<TileSpec>& tiles)
    {
        std::string xml = "<p width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\">";
        for (const TileSpec& t : tiles) {
            xml += t.image ? "<texture filename=\"" + std::string(t.image->name) + "\""
                           : std::string("<rect r=\"16\" g=\"32\" b=\"48\"");
            xml += " x=\"" + std::to_string(t.x) + "\" y=\"" + std::to_string(t.y) + "\" width=\"" +
                   std::to_string(t.width) + "\" height=\"" + std::to_string(t.height) + "\" countx=\"" +
                   std::to_string(t.countx) + "\" county=\"" + std::to_string(t.county) + "\"/>";
        }
        return xml + "</p>";
    }

    // The rows the picture marks opaque (none when it gives no rows), and
    // the rows expected of it (none when no row is opaque).
    static std::vector<bool> MarkedRows(const TiledPicture& picture)
    {
        const std::vector<bool>* rows = picture.GetOpaqueRows();
        return rows ? *rows : std::vector<bool>();
    }
    static std::vector<bool> NoneIfClear(std::vector<bool> rows)
    {
        if (std::none_of(rows.begin(), rows.end(), [](bool r) { return r; })) rows.clear();
        return rows;
    }

    // The rows that every column of the picture has under an opaque row of
    // some repeat, found pixel by pixel.
    static std::vector<bool> CoveredRows(int w, int h, const std::vector<TileSpec>& tiles)
    {
        std::vector<bool> covered(size_t(w) * h, false);
        auto mark = [&](int64_t x0, int64_t x1, int64_t y) {
            for (int64_t x = std::max<int64_t>(x0, 0); x < std::min<int64_t>(x1, w) && y >= 0 && y < h; ++x)
                covered[size_t(y) * w + size_t(x)] = true;
        };
        for (const TileSpec& t : tiles) {
            if (!t.image) {
                for (int y = t.y; y < t.y + t.height; ++y) mark(t.x, int64_t(t.x) + t.width, y);
                continue;
            }
            // As loaded: a step of 0 takes the image's size, a negative one 0.
            const int64_t stepX = t.width == 0 ? t.image->w : std::max(t.width, 0);
            const int64_t stepY = t.height == 0 ? t.image->h : std::max(t.height, 0);
            for (int64_t r = 0; r < t.county; ++r)
                for (int64_t c = 0; c < t.countx; ++c)
                    for (int k = 0; k < t.image->h; ++k)
                        if (!std::count(t.image->translucentRows.begin(), t.image->translucentRows.end(), k))
                            mark(t.x + c * stepX, t.x + c * stepX + t.image->w, t.y + r * stepY + k);
        }
        std::vector<bool> rows(static_cast<size_t>(h));
        for (int y = 0; y < h; ++y)
            rows[size_t(y)] =
                std::all_of(covered.begin() + y * w, covered.begin() + (y + 1) * w, [](bool c) { return c; });
        return rows;
    }
};

TEST_F(TiledPictureRows, RowsAreOpaqueWhereTheTilesOpaqueRowsCoverTheWidth)
{
    struct Case {
        const char* what;
        int w, h;
        std::vector<TileSpec> tiles;
    };
    const std::vector<Case> cases = {
        {"overlapping repeats hide translucent rows", 12, 14, {{&kBars, -2, -1, 4, 3, 5, 6}}},
        {"repeats a row apart", 9, 12, {{&kBars, 0, 0, 6, 1, 2, 9}}},
        {"images side by side", 12, 10, {{&kBars, 0, 0, 0, 0, 2, 2}}},
        {"gaps between repeats filled by another tile",
         10,
         6,
         {{&kThin, 1, 0, 2, 0, 5, 3}, {&kThin, 0, 0, 2, 2, 5, 2}, {&kSolid, 8, 0, 0, 0, 1, 1}}},
        {"gaps left open", 10, 4, {{&kThin, 0, 0, 2, 2, 5, 2}}},
        {"one spot, many times", 6, 5, {{&kBars, 0, 0, -1, -1, 1000, 1000}}},
        {"a rectangle over translucent rows", 12, 9, {{&kBars, 0, 2, 6, 5, 2, 1}, {nullptr, 0, 3, 12, 1, 1, 1}}},
        {"a rectangle short of the width", 12, 4, {{nullptr, 1, 0, 11, 4, 1, 1}}},
        {"repeats far off to the left", 7, 6, {{&kSolid, -400000, 0, 4, 3, 100001, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Text("case.xml", Description(c.w, c.h, c.tiles));
        TiledPicture picture;
        ASSERT_TRUE(picture.Create("case.xml"));
        EXPECT_EQ(MarkedRows(picture), NoneIfClear(CoveredRows(c.w, c.h, c.tiles)));
    }
}

// A description of a few hundred bytes can repeat one tile a hundred
// thousand times each way. The search must cost what the picture shows.
TEST_F(TiledPictureRows, HugeRepeatCountsCostNoMoreThanThePictureShows)
{
    const int kSide = 512;
    Text("plain.xml", Description(kSide, kSide, {{&kSolid, 0, 0, 0, 0, kSide / 4, kSide / 3 + 1}}));
    Text("repeated.xml", Description(kSide, kSide, {{&kSolid, 0, 0, 1, 1, 100000, 100000}}));
    Text("enough.xml", Description(kSide, kSide, {{&kSolid, 0, 0, 1, 1, kSide, kSide}}));
    TiledPicture plain, repeated, enough;
    ASSERT_TRUE(plain.Create("plain.xml"));
    ASSERT_TRUE(repeated.Create("repeated.xml"));
    ASSERT_TRUE(enough.Create("enough.xml"));
    for (const TiledPicture* picture : {&plain, &repeated}) {
        const std::vector<bool>* rows = picture->GetOpaqueRows();
        ASSERT_NE(rows, nullptr);
        EXPECT_EQ(*rows, std::vector<bool>(size_t(kSide), true));
    }
    // At most the image's rows, the picture's rows the tile lands on, one
    // run of columns and a combination per row; counts past the picture's
    // edge change nothing.
    EXPECT_LE(repeated.GetRowSearchSteps(), kSolid.h + 2 * kSide + 1);
    EXPECT_EQ(repeated.GetRowSearchSteps(), enough.GetRowSearchSteps());
}

// Rectangles reaching billions of pixels off the picture: what is drawn is
// exactly the rectangle's part of the target, and every row marked opaque is
// drawn across the whole picture. (Past 2^24 a position or size has no exact
// float.)
TEST_F(TiledPictureRows, FarOffRectanglesAreDrawnAsFarAsTheirRowsAreMarked)
{
    struct Case {
        const char* what;
        int w, h;
        int32_t x, y, width, height;
        int drawX, drawY;
    };
    const Case cases[] = {
        {"across", 201, 10, -33554432, 0, 33554633, 10, 10, 20},
        {"down", 10, 647, 0, -2147483000, 10, 2147483647, 30, -400},
        {"both ways", 300, 200, -33554431, -16777217, 33554731, 16777417, 100, 60},
        {"ending just before the picture", 20, 20, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 5, 5},
    };
    const Color colour = MakeColor(16, 32, 48);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Text("far.xml", Description(c.w, c.h, {{nullptr, c.x, c.y, c.width, c.height, 1, 1}}));
        TiledPicture picture;
        ASSERT_TRUE(picture.Create("far.xml"));
        Clear(kYellow);
        picture.Draw(m_target, c.drawX, c.drawY);
        const Frame frame = Read();

        const int64_t left = int64_t(c.drawX) + c.x, right = left + c.width;
        const int64_t top = int64_t(c.drawY) + c.y, bottom = top + c.height;
        int wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool inside = x >= left && x < right && y >= top && y < bottom;
                if (frame.At(x, y) == (inside ? colour : kYellow)) continue;
                if (wrong++ == 0) ADD_FAILURE() << "first wrong pixel " << x << "," << y << ": " << Hex(frame.At(x, y));
            }
        EXPECT_EQ(wrong, 0);

        // The rectangle covers the picture's width: its rows in the picture
        // are marked, and each marked row on the target is drawn across.
        std::vector<bool> expected(size_t(c.h), false);
        for (int r = 0; r < c.h; ++r)
            expected[size_t(r)] = int64_t(c.x) <= 0 && int64_t(c.x) + c.width >= c.w && r >= int64_t(c.y) &&
                                  r < int64_t(c.y) + c.height;
        ASSERT_EQ(MarkedRows(picture), NoneIfClear(expected));
        for (int r = 0; r < c.h; ++r) {
            const int y = c.drawY + r;
            if (!expected[size_t(r)] || y < 0 || y >= kH) continue;
            for (int x = std::max(c.drawX, 0); x < std::min(c.drawX + c.w, kW); ++x)
                ASSERT_EQ(frame.At(x, y), colour) << "marked row " << r << ", column " << x - c.drawX;
        }
    }
}

// Frames of play: the game steps its shake, then the effect, then draws.
TEST_F(PresentationRender, RainDrawsEveryLiveDropAtItsShakenPositionAndStops)
{
    Png("deszcz.png", 2, 3, [](int, int) { return kWhite; });
    WeatherEffect weather;
    weather.SetOwner(&m_game);
    weather.Load();
    weather.Reset();
    weather.Start();
    for (int i = 0; i < 40; ++i) weather.Update(0.02f);
    m_game.m_ShakeX = 3;
    m_game.m_ShakeY = -2;
    weather.Draw(m_target);
    Frame frame = Read();

    // Every drop inside the screen shows where it is, moved by the shake;
    // every lit pixel belongs to a drop.
    std::vector<bool> covered(size_t(kW) * kH, false);
    int onScreen = 0;
    for (int i = 0; i < WeatherEffect::kDrops; ++i) {
        const WeatherDrop& drop = weather.GetDrop(i);
        ASSERT_TRUE(drop.alive);
        const int px = int(drop.x) + 3, py = int(drop.y) - 2;
        for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                if (px + dx >= 0 && px + dx < kW && py + dy >= 0 && py + dy < kH) {
                    covered[size_t(py + dy) * kW + px + dx] = true;
                    EXPECT_EQ(frame.At(px + dx, py + dy), kWhite) << "drop " << i;
                }
        if (px >= 0 && py >= 0 && px < kW && py < kH) ++onScreen;
    }
    EXPECT_GT(onScreen, 50);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (!covered[size_t(y) * kW + x]) {
                ASSERT_EQ(frame.At(x, y), kBlack) << x << "," << y;
            }

    // Stopped, the rain thins out and ends.
    weather.Stop();
    for (int i = 0; i < 300; ++i) weather.Update(0.02f);
    Clear();
    weather.Draw(m_target);
    frame = Read();
    for (int y = 0; y < kH; y += 3)
        for (int x = 0; x < kW; ++x) ASSERT_EQ(frame.At(x, y), kBlack);
}

TEST_F(PresentationRender, ThunderBoltsShowDuringTheFlashOnly)
{
    Png("bolt.png", 20, 60, [](int, int) { return kYellow; });
    Text("thunder1.xml", "<bolt width=\"20\" height=\"60\"><texture filename=\"bolt.png\"/></bolt>");
    ThunderEffect thunder;
    thunder.SetOwner(&m_game);
    thunder.Load();
    thunder.Reset();
    thunder.Start();
    ASSERT_TRUE(thunder.IsActive());
    m_game.UpdateShake(0.01f);
    thunder.Update(0.01f);
    EXPECT_TRUE(m_game.m_Shake.IsRunning());
    thunder.Draw(m_target);
    Frame frame = Read();
    int seen = 0;
    for (int i = 0; i < 3; ++i) {
        const ThunderBolt& bolt = thunder.GetBolt(i);
        const int x = bolt.x + bolt.jitterX + m_game.m_ShakeX, y = bolt.y + bolt.jitterY + m_game.m_ShakeY;
        // The bolt's lowest row, inside the screen wherever the bolt falls.
        if (x + 10 >= 0 && x + 10 < kW) {
            EXPECT_EQ(frame.At(x + 10, y + 59), kYellow) << "bolt " << i;
            EXPECT_EQ(frame.At(x + 10, y + 60), kBlack) << "bolt " << i;
            ++seen;
        }
    }
    EXPECT_GT(seen, 0);
    EXPECT_FALSE(thunder.GetBolt(3).enabled);

    // The flash ends, and the shake with it.
    thunder.Update(0.25f);
    m_game.UpdateShake(0.25f);
    EXPECT_FALSE(thunder.IsActive());
    EXPECT_FALSE(m_game.m_Shake.IsRunning());
    EXPECT_EQ(m_game.m_ShakeX, 0);
    Clear();
    thunder.Draw(m_target);
    frame = Read();
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < kW; ++x) ASSERT_EQ(frame.At(x, y), kBlack);
}

TEST_F(PresentationRender, FireworksAddLightOverTheSceneOnTheLastLevelOnly)
{
    const Color flash = MakeColor(100, 80, 40), trail = MakeColor(50, 50, 50);
    Png("firework_big_04.png", 9, 9, [flash](int, int) { return flash; });
    for (const char* name : {"firework_small_02.png", "firework_small_04.png", "firework_small_05.png",
                             "firework_small_06.png", "firework_small_07.png"})
        Png(name, 3, 3, [trail](int, int) { return trail; });
    const Color grey = MakeColor(60, 60, 60);
    Fireworks fireworks;
    fireworks.SetOwner(&m_game);
    fireworks.Load();

    // Not on the other levels.
    Clear(grey);
    fireworks.SetMode(2);
    fireworks.Start();
    fireworks.Update(0.016f);
    fireworks.Draw(m_target);
    EXPECT_FALSE(fireworks.IsRunning());
    Frame frame = Read();
    for (int y = 0; y < kH; y += 4)
        for (int x = 0; x < kW; ++x) ASSERT_EQ(frame.At(x, y), grey);

    // The burst point, from the game's generator as the show draws it.
    std::mt19937 reference(1234u);
    const int bx = int(reference() % 32767u) % kW;
    const int by = kH / 6 + int(reference() % 32767u) % (kH / 6);

    fireworks.SetMode(5);
    fireworks.Start();
    fireworks.Update(0.016f);
    fireworks.Update(0.016f);
    ASSERT_TRUE(fireworks.IsRunning());
    EXPECT_EQ(fireworks.GetActiveRockets(), 29);
    EXPECT_EQ(fireworks.GetActiveSparks(), 30) << "the flash and one trail spark per rocket";
    fireworks.Draw(m_target);
    frame = Read();

    // The flash, at its opacity after two frames, added over the grey (its
    // corner, clear of the trail sparks that start at the burst point).
    float remaining = 0.75f;
    remaining -= 0.016f;
    remaining -= 0.016f;
    const int opacity = int(remaining * 256.0f / 0.75f);
    auto added = [&](int channel) { return std::min(255, 60 + (channel * opacity + 127) / 255); };
    const Color corner = frame.At(bx >= 4 ? bx - 4 : bx + 4, by + 4);
    EXPECT_NEAR(Voke::ColorR(corner), added(100), 2);
    EXPECT_NEAR(Voke::ColorG(corner), added(80), 2);
    EXPECT_NEAR(Voke::ColorB(corner), added(40), 2);
    const Color centre = frame.At(bx, by);
    EXPECT_GE(Voke::ColorR(centre), added(100) - 2);
    EXPECT_GE(Voke::ColorG(centre), added(80) - 2);
    // Light is only added: nothing is darker than the scene under it, and
    // away from the burst the scene is untouched.
    int brighter = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Color c = frame.At(x, y);
            ASSERT_GE(Voke::ColorR(c), 60);
            ASSERT_GE(Voke::ColorG(c), 60);
            ASSERT_GE(Voke::ColorB(c), 60);
            if (c != grey) ++brighter;
            if (std::abs(x - bx) > 30 || std::abs(y - by) > 30) {
                ASSERT_EQ(c, grey) << x << "," << y;
            }
        }
    EXPECT_GE(brighter, 81);
}

}  // namespace
