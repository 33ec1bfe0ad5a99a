// The level art as the game will read it: every picture the game asks for in
// its atlas group, building pieces that join in any order, one-colour images
// of exactly their colour, obstacle halves that make the whole, tiled-picture
// files that match the pictures they place, and the same bytes every run.
//
// The tiled-picture files in content/data are kept equal to the painter's
// layouts; run this test with LEVEL_ART_WRITE_XML=1 to rewrite them after
// changing a layout.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/picturegen/png_pixels.h"
#include "tools/picturegen/building_tables.h"
#include "tools/picturegen/level_art.h"

namespace PictureGen {
namespace {

namespace fs = std::filesystem;

using Image = PictureGenTest::PngPixels;

// Mean absolute channel difference between two pixel runs of equal length.
double Diff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            sum += std::abs(static_cast<int>((a[i] >> shift) & 255) - static_cast<int>((b[i] >> shift) & 255));
    return a.empty() ? 0 : sum / (4.0 * a.size());
}

// Column x, taking `rows` rows aligned to the top or to the bottom.
std::vector<uint32_t> Column(const Image& img, int x, int rows, bool bottom)
{
    std::vector<uint32_t> out;
    int y0 = bottom ? img.h - rows : 0;
    for (int y = y0; y < y0 + rows; ++y) out.push_back(img.At(x, y));
    return out;
}

std::vector<uint32_t> Row(const Image& img, int y)
{
    std::vector<uint32_t> out;
    for (int x = 0; x < img.w; ++x) out.push_back(img.At(x, y));
    return out;
}

// The largest difference between neighbouring columns inside a picture.
double InteriorColumnStep(const Image& img, int rows, bool bottom)
{
    double most = 0;
    for (int x = 0; x + 1 < img.w; ++x)
        most = std::max(most, Diff(Column(img, x, rows, bottom), Column(img, x + 1, rows, bottom)));
    return most;
}

double Luminance(const Image& img, int y)
{
    double sum = 0;
    for (int x = 0; x < img.w; ++x) {
        uint32_t p = img.At(x, y);
        sum += 0.3 * ((p >> 16) & 255) + 0.59 * ((p >> 8) & 255) + 0.11 * (p & 255);
    }
    return sum / img.w;
}

// The pictures the game asks for, by the atlas group they are packed in.
std::map<std::string, std::vector<std::string>> Inventory()
{
    std::map<std::string, std::vector<std::string>> groups;
    for (int level = 0; level < 6; ++level)
        for (const PieceRow& r : PieceTable(level).rows) groups[BuildingGroup(r.image)].push_back(r.image);
    auto& ab = groups["ab01"];
    for (const char* o : {"beczka_red", "beczki", "skrzynia2", "wozek", "beczka_kanal"})
        for (const char* suffix : {".png", "_frag01.png", "_frag02.png"}) ab.push_back(std::string(o) + suffix);
    ab.push_back("ray_reflec3.png");
    auto& l1 = groups["level01"];
    for (int i = 1; i <= 3; ++i) l1.push_back(Numbered("helicopter%d.png", i));
    l1.push_back("lev1_moon.png");
    auto& l2 = groups["level02"];
    for (const char* n : {"lev2_lamp_subway_cala.png", "lev2_train_background_01.png", "lev2_bg_peron01.png"})
        l2.push_back(n);
    auto& l3 = groups["level03"];
    for (int i = 1; i <= 8; ++i) l3.push_back(Numbered("lev3_woda2_%02d.png", i));
    for (int i = 1; i <= 12; ++i) l3.push_back(Numbered("lev3_woda3_woda%02d.png", i));
    for (int i = 1; i <= 4; ++i) l3.push_back(Numbered("lev3_rat_anim_%02d.png", i));
    for (const char* n : {"lev3_rat.png", "lev3_rat2.png", "kropla.png", "lev3_bg_00_rury2.png"}) l3.push_back(n);
    auto& l4 = groups["level04"];
    for (int i = 1; i <= 3; ++i) l4.push_back(Numbered("lev4_fan_%d.png", i));
    for (const char* n : {"lev4_spawacz_1.png", "lev4_spawacz_2.png", "lev4_bg2_ramie_dzwigu.png",
                          "lev4_ru_smoke04.png", "lev4_smoke_bg0.png"})
        l4.push_back(n);
    auto& l5 = groups["level05"];
    for (int i = 1; i <= 3; ++i) l5.push_back(Numbered("lev5_heli_%d.png", i));
    for (int i = 1; i <= 5; ++i) l5.push_back(Numbered("lev5_ptok_%d.png", i));
    auto& l6 = groups["level06"];
    for (const char* n : {"lev6_jetb_747_off.png", "lev6_ray_reflec.png", "lev6_neon_1_on.png",
                          "lev6_neon_1_off.png", "lev6_neon_2_on.png", "lev6_neon_2_off.png"})
        l6.push_back(n);
    // One-colour images lie on the atlas page of the pictures drawn with
    // them; the test checks the page apart ("colours" is no group).
    auto& loose = groups["colours"];
    // Splinters, the head-up display and the aeroplane's lights.
    for (const char* n : {"cd64452.png", "cb1b2cb.png", "cd0ab95.png", "cc5beae.png", "caae605.png", "cffffff.png",
                          "c000000.png", "c4a4973.png", "c25263a.png", "c00ff00.png", "cff0000.png"})
        loose.push_back(n);
    // The background fills, blank padded.
    for (const char* n : {"c2d2842.png", "c3f4b77.png", "c526594.png", "c182831.png", "c213c42.png", "c396563.png",
                          "c 0 0 0.png", "c31344a.png", "c21495a.png", "c3f536a.png", "c547195.png", "c7396c6.png",
                          "c89614b.png", "ca58361.png", "cc69e73.png", "cffe7ad.png", "c7d562b.png", "c4b505a.png"})
        loose.push_back(n);
    return groups;
}

std::vector<std::string> LayoutFiles()
{
    std::vector<std::string> files = {"lev1_bg2_a.xml", "lev1_bg2_b.xml", "lev1_bg1_a.xml", "lev1_bg1_b.xml",
                                      "lev1_bg0.xml",   "lev1_bg.xml",    "thunder1.xml"};
    for (int p = 1; p <= 4; ++p) {
        int items = (p == 1 || p == 4) ? 4 : 5;
        for (int i = 0; i < items; ++i)
            files.push_back("lev2_bg_platform" + std::to_string(p) + "_" + std::string(1, static_cast<char>('a' + i)) + ".xml");
    }
    for (const char* f : {"lev3_bg_01_a.xml", "lev3_bg_01_b.xml", "lev3_bg_02_a.xml", "lev3_bg_02_b.xml",
                          "lev3_bg_03_a.xml", "lev3_bg_03_b.xml", "lev4_bg2_bez_ramienia_dzwigu_a.xml",
                          "lev4_bg2_bez_ramienia_dzwigu_b.xml", "lev4_bg1_a.xml", "lev4_bg1_b.xml", "lev4_bg0_a.xml",
                          "lev4_bg0_b.xml", "lev4_bg.xml", "lev5_bg2_a.xml", "lev5_bg2_b.xml", "lev5_bg1_a.xml",
                          "lev5_bg1_b.xml", "lev5_bg0_a.xml", "lev5_bg0_b.xml", "lev5_bg.xml", "lev6_bg2_a.xml",
                          "lev6_bg2_b.xml", "lev6_bg1.xml", "lev6_bg0.xml", "lev6_bg.xml", "menu_main_bg_01.xml",
                          "menu_main_bg_02.xml", "menu_main_bg_03.xml"})
        files.push_back(f);
    for (int k = 1; k <= 6; ++k) files.push_back(Numbered("flying_from_level_%d", k) + "_to_" + std::to_string(k + 1) + ".xml");
    return files;
}

class LevelArtTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_out = new VokeTest::TempDir();
        PictureSink sink(s_out->Path() + "/out");
        sink.EnableSheets(s_out->Path() + "/sheets");
        ArtBook book(sink);
        s_layouts = new std::vector<TiledLayout>(PaintAllLevelArt(book));
        s_ok = sink.Ok();
        s_groups = new std::map<std::string, std::string>(sink.Groups());
    }
    static void TearDownTestSuite()
    {
        delete s_layouts;
        delete s_groups;
        delete s_out;
    }

    static std::string PathOf(const std::string& name)
    {
        auto it = s_groups->find(name);
        return it == s_groups->end() ? std::string() : s_out->Path() + "/out/" + it->second + "/" + name;
    }
    static Image Picture(const std::string& name) { return PictureGenTest::LoadPng(PathOf(name)); }

    static VokeTest::TempDir* s_out;
    static std::vector<TiledLayout>* s_layouts;
    static std::map<std::string, std::string>* s_groups;
    static bool s_ok;
};

VokeTest::TempDir* LevelArtTest::s_out = nullptr;
std::vector<TiledLayout>* LevelArtTest::s_layouts = nullptr;
std::map<std::string, std::string>* LevelArtTest::s_groups = nullptr;
bool LevelArtTest::s_ok = false;

TEST_F(LevelArtTest, EveryPictureTheGameAsksForIsInItsGroup)
{
    ASSERT_TRUE(s_ok);
    for (const auto& group : Inventory())
        for (const std::string& name : group.second) {
            auto it = s_groups->find(name);
            ASSERT_NE(it, s_groups->end()) << name;
            if (group.first == "colours")
                EXPECT_NE(it->second, "loose") << name;
            else
                EXPECT_EQ(it->second, group.first) << name;
            EXPECT_TRUE(VokeTest::Exists(PathOf(name))) << name;
        }
    // The groups are atlas pages and "loose"; no page outgrows 2048 x 2048
    // and the level pages stay small.
    std::map<std::string, long> area;
    for (const auto& entry : *s_groups) {
        Image img = Picture(entry.first);
        ASSERT_GT(img.w, 0) << entry.first;
        EXPECT_LE(img.w, 2048) << entry.first;
        EXPECT_LE(img.h, 2048) << entry.first;
        area[entry.second] += static_cast<long>(img.w) * img.h;
    }
    for (const auto& a : area) {
        if (a.first.compare(0, 5, "level") == 0) {
            EXPECT_LT(a.second, 900000) << a.first;
        }
    }
}

TEST_F(LevelArtTest, ColourImagesAreExactlyTheirColour)
{
    std::set<std::string> named;
    std::map<std::string, std::vector<std::string>> inventory = Inventory();
    for (const std::string& n : inventory["colours"]) named.insert(n);
    for (const TiledLayout& t : *s_layouts)
        for (const LayoutTile& tile : t.tiles)
            if (tile.rect) named.insert(ColourImageName(tile.colour));
    for (const std::string& name : named) {
        ASSERT_EQ(name.size(), 11u) << name;
        int rgb[3];
        for (int i = 0; i < 3; ++i) rgb[i] = static_cast<int>(std::strtol(name.substr(1 + 2 * i, 2).c_str(), nullptr, 16));
        Image img = Picture(name);
        ASSERT_GE(img.w, 3) << name;
        ASSERT_GE(img.h, 3) << name;
        uint32_t want = 0xff000000u | (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
        for (uint32_t p : img.px) ASSERT_EQ(p, want) << name;
    }
}

// Pieces of one style: the left, middle and right images and how to line
// them up (girders hang by their bottom edge).
struct StylePieces {
    std::vector<std::string> left, middle, right, second;
    int walk = 0;
    bool beam = false;
};

std::vector<StylePieces> Styles(int level)
{
    const LevelPieces& t = PieceTable(level);
    std::vector<StylePieces> out(t.styles.size());
    for (const PieceRow& r : t.rows) {
        StylePieces& s = out[r.style];
        std::vector<std::string>* list = r.part == kPartLeft ? &s.left
                                         : r.part == kPartMiddle ? &s.middle
                                         : r.part == kPartRight ? &s.right
                                                                 : &s.second;
        if (std::find(list->begin(), list->end(), r.image) == list->end()) list->push_back(r.image);
        s.beam = s.beam || (r.flags & (kFlagBeamLeft | kFlagBeamMiddle | kFlagBeamRight));
    }
    for (size_t s = 0; s < out.size(); ++s) out[s].walk = t.styles[s].roofOffset;
    return out;
}

TEST_F(LevelArtTest, BuildingPiecesJoinInAnyOrder)
{
    for (int level = 0; level < 6; ++level) {
        for (const StylePieces& s : Styles(level)) {
            ASSERT_FALSE(s.middle.empty());
            Image first = Picture(s.middle[0]);
            int rows = first.h;
            std::map<std::string, Image> images;
            for (const auto* list : {&s.left, &s.middle, &s.right})
                for (const std::string& n : *list) {
                    images[n] = Picture(n);
                    rows = std::min(rows, images[n].h);
                }
            auto col = [&](const std::string& n, bool last) {
                const Image& img = images[n];
                return Column(img, last ? img.w - 1 : 0, rows, s.beam);
            };
            // Every middle piece starts and ends alike, the left piece ends
            // and the right piece starts as they do.
            for (const std::string& m : s.middle) {
                EXPECT_EQ(col(m, false), col(s.middle[0], false)) << m;
                EXPECT_EQ(col(m, true), col(s.middle[0], true)) << m;
            }
            for (const std::string& l : s.left) EXPECT_EQ(col(l, true), col(s.middle[0], true)) << l;
            for (const std::string& r : s.right) EXPECT_EQ(col(r, false), col(s.middle[0], false)) << r;
            // And a joint looks like the inside of a piece.
            double inside = 0;
            for (const auto& e : images) inside = std::max(inside, InteriorColumnStep(e.second, rows, s.beam));
            for (const std::string& a : s.middle)
                for (const std::string& b : s.middle)
                    EXPECT_LE(Diff(col(a, true), col(b, false)), inside) << a << " | " << b;
        }
    }
}

TEST_F(LevelArtTest, RoofsAreWhereTheStylesWalkAndReachTheScreenBottom)
{
    for (int level = 0; level < 6; ++level) {
        std::vector<StylePieces> styles = Styles(level);
        for (size_t si = 0; si < styles.size(); ++si) {
            const StylePieces& s = styles[si];
            if (s.beam) continue;
            // NOTE: the highest roof the camera shows is about y 190; the low
            // platform of level 2 (80 px lower) about y 270.
            bool lowPlatform = level == 1 && si == 1;
            int reach = lowPlatform ? 60 : 150;
            for (const auto* list : {&s.left, &s.middle, &s.right})
                for (const std::string& n : *list) {
                    Image img = Picture(n);
                    EXPECT_GE(img.h - s.walk, reach) << n;
                    for (int y = s.walk + 12; y < img.h; ++y)
                        for (int x = 0; x < img.w; ++x) ASSERT_EQ(img.Alpha(x, y), 255) << n << " " << x << "," << y;
                    // The walk line is a lit edge over a darker wall.
                    double below = 0;
                    for (int y = s.walk + 6; y < s.walk + 30; ++y) below += Luminance(img, y) / 24;
                    EXPECT_GT(Luminance(img, s.walk), below + 10) << n;
                }
        }
    }
}

TEST_F(LevelArtTest, StackedPiecesRepeatUpwardsAndSinglePiecesStandOnTheirBottom)
{
    for (int level = 0; level < 6; ++level)
        for (const PieceRow& r : PieceTable(level).rows) {
            if (r.part != kPartSecond) continue;
            Image img = Picture(r.image);
            if (r.flags & kFlagSingle) {
                // Standing on the roof (or on legs): the bottom row has ink.
                int ink = 0;
                for (int x = 0; x < img.w; ++x) ink += img.Alpha(x, img.h - 1) > 0;
                EXPECT_GT(ink, 0) << r.image;
                continue;
            }
            double inside = 0;
            for (int y = 0; y + 1 < img.h; ++y) inside = std::max(inside, Diff(Row(img, y), Row(img, y + 1)));
            EXPECT_LE(Diff(Row(img, img.h - 1), Row(img, 0)), inside) << r.image;
        }
}

TEST_F(LevelArtTest, ObstacleHalvesAreTheObstacleCutAcross)
{
    for (const char* o : {"beczka_red", "beczki", "skrzynia2", "wozek", "beczka_kanal"}) {
        Image whole = Picture(std::string(o) + ".png");
        Image upper = Picture(std::string(o) + "_frag01.png");
        Image lower = Picture(std::string(o) + "_frag02.png");
        ASSERT_EQ(upper.w, whole.w);
        ASSERT_EQ(lower.w, whole.w);
        ASSERT_EQ(upper.h, whole.h / 2) << o;
        ASSERT_EQ(upper.h + lower.h, whole.h) << o;
        for (int y = 0; y < whole.h; ++y)
            for (int x = 0; x < whole.w; ++x)
                ASSERT_EQ(whole.At(x, y), y < upper.h ? upper.At(x, y) : lower.At(x, y - upper.h)) << o;
        // Standing on the roof: the bottom row has solid ink.
        int solid = 0;
        for (int x = 0; x < whole.w; ++x) solid += whole.Alpha(x, whole.h - 1) == 255;
        EXPECT_GE(solid, 4) << o;
    }
}

TEST_F(LevelArtTest, TiledPictureFilesPlaceThePaintedPictures)
{
    bool rewrite = std::getenv("LEVEL_ART_WRITE_XML") != nullptr;
    std::map<std::string, const TiledLayout*> byFile;
    for (const TiledLayout& t : *s_layouts) byFile[t.file] = &t;
    std::vector<std::string> files = LayoutFiles();
    EXPECT_EQ(byFile.size(), files.size());
    for (const std::string& f : files) {
        ASSERT_TRUE(byFile.count(f)) << f;
        const TiledLayout& t = *byFile[f];
        std::string text = LayoutXml(t);
        ASSERT_FALSE(text.empty()) << f << " has more tiles than the game reads";
        std::string path = std::string(LEVEL_ART_DATA_DIR) + "/" + f;
        if (rewrite) VokeTest::WriteBytes(path, text);
        EXPECT_EQ(VokeTest::ReadAll(path), text) << f << " differs from its layout (LEVEL_ART_WRITE_XML=1 rewrites it)";
        for (const LayoutTile& tile : t.tiles) {
            if (tile.rect) continue;
            auto it = s_groups->find(tile.filename);
            ASSERT_NE(it, s_groups->end()) << f << ": " << tile.filename;
            EXPECT_NE(it->second, "loose") << tile.filename;
        }
    }
    for (int k = 1; k <= 6; ++k) {
        const TiledLayout& t = *byFile[Numbered("flying_from_level_%d", k) + "_to_" + std::to_string(k + 1) + ".xml"];
        EXPECT_EQ(t.width, 480);
        EXPECT_EQ(t.height, 320);
    }
    // Layers whose decorations stand on painted features keep the
    // decorations' repeat (the tower's beam, the sewer outlet, the chimneys,
    // the welders' beams, the masts' lights, the neon walls).
    auto strip = [&](std::initializer_list<const char*> items) {
        int w = 0;
        for (const char* i : items) w += byFile[i]->width;
        return w;
    };
    EXPECT_EQ(strip({"lev1_bg1_a.xml", "lev1_bg1_b.xml"}), 831);
    EXPECT_EQ(strip({"lev3_bg_01_a.xml", "lev3_bg_01_b.xml"}), 868);
    EXPECT_EQ(strip({"lev4_bg2_bez_ramienia_dzwigu_a.xml", "lev4_bg2_bez_ramienia_dzwigu_b.xml"}), 1024);
    EXPECT_EQ(strip({"lev4_bg1_a.xml", "lev4_bg1_b.xml"}), 1024);
    EXPECT_EQ(strip({"lev4_bg0_a.xml", "lev4_bg0_b.xml"}), 1024);
    EXPECT_EQ(strip({"lev6_bg1.xml"}), 512);
    EXPECT_EQ(strip({"lev6_bg0.xml"}), 512);
    EXPECT_EQ(strip({"lev6_bg2_a.xml", "lev6_bg2_b.xml"}), 1024);
}

TEST_F(LevelArtTest, ContactSheetsAreWrittenWhenAskedFor)
{
    for (int level = 1; level <= 6; ++level)
        for (const char* kind : {"_buildings.png", "_scene.png"})
            EXPECT_TRUE(VokeTest::Exists(s_out->Path() + "/sheets/level0" + std::to_string(level) + kind)) << level;
    for (const char* sheet : {"menu_scene.png", "flights.png", "obstacles_and_props.png", "decorations.png"})
        EXPECT_TRUE(VokeTest::Exists(s_out->Path() + "/sheets/" + sheet)) << sheet;
}

TEST_F(LevelArtTest, APaintingGivesTheSameBytesEveryTime)
{
    VokeTest::TempDir again;
    {
        PictureSink sink(again.Path());
        ArtBook book(sink);
        PaintAllLevelArt(book);
        ASSERT_TRUE(sink.Ok());
    }
    int compared = 0;
    for (const auto& entry : *s_groups) {
        std::string second = again.Path() + "/" + entry.second + "/" + entry.first;
        ASSERT_EQ(VokeTest::ReadAll(PathOf(entry.first)), VokeTest::ReadAll(second)) << entry.first;
        ++compared;
    }
    EXPECT_GT(compared, 250);
}

}  // namespace
}  // namespace PictureGen
