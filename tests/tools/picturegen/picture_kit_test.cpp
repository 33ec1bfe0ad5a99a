// The picture generator's kit: the sink's naming rules, pose interpolation,
// the figure's bounds, ink bounds and crops, and pictures drawn and filled
// through the kit.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <utility>

#include "tests/support/temp_dir.h"
#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/picture_sink.h"
#include "tools/picturegen/skeleton.h"

namespace PictureGen {
namespace {

using namespace Kit;

Surface Dot(int w, int h, int x, int y)
{
    Surface s = MakeSurface(w, h);
    Context cr = MakeContext(s.get());
    cairo_rectangle(cr.get(), x, y, 1, 1);
    cairo_set_source_rgb(cr.get(), 1, 0, 0);
    cairo_fill(cr.get());
    return s;
}

TEST(PictureSink, WritesPicturesIntoGroupFoldersAndReadsThemBack)
{
    VokeTest::TempDir dir;
    PictureSink sink(dir.Path());
    sink.Add("ab01", "a.png", Dot(4, 3, 1, 1).get());
    sink.Add("loose", "loading/b.png", Dot(2, 2, 0, 0).get());
    EXPECT_TRUE(sink.Ok());
    EXPECT_EQ(sink.Count(), 2);
    EXPECT_TRUE(std::filesystem::exists(dir / "ab01/a.png"));
    EXPECT_TRUE(std::filesystem::exists(dir / "loose/loading/b.png"));
    Surface back(sink.Load("a.png"));
    ASSERT_TRUE(back);
    EXPECT_EQ(cairo_image_surface_get_width(back.get()), 4);
    EXPECT_EQ(cairo_image_surface_get_height(back.get()), 3);
    EXPECT_EQ(sink.Load("missing.png"), nullptr);
}

TEST(PictureSink, RefusesAPictureNamedTwiceOrANameLeavingItsFolder)
{
    for (const auto& [group, name] : std::vector<std::pair<std::string, std::string>>{
             {"ab01", "../x.png"}, {"ab01", "/tmp/x.png"}, {"..", "x.png"}, {"a/b", "x.png"}, {"ab01", ""},
             {"ab01", "a//b.png"}}) {
        VokeTest::TempDir dir;
        PictureSink sink(dir.Path());
        sink.Add(group, name, Dot(2, 2, 0, 0).get());
        EXPECT_FALSE(sink.Ok()) << group << " / " << name;
        EXPECT_EQ(sink.Count(), 0);
    }
    VokeTest::TempDir dir;
    PictureSink sink(dir.Path());
    sink.Add("ab01", "same.png", Dot(2, 2, 0, 0).get());
    sink.Add("ab02", "same.png", Dot(2, 2, 1, 1).get());
    EXPECT_FALSE(sink.Ok());
    EXPECT_EQ(sink.Groups().at("same.png"), "ab01");
}

TEST(PictureSink, SheetsAreWrittenOnlyWhenAskedFor)
{
    VokeTest::TempDir dir;
    PictureSink plain(dir / "out");
    plain.Add("ab01", "a.png", Dot(4, 4, 1, 1).get());
    plain.WriteGroupSheets();
    EXPECT_FALSE(std::filesystem::exists(dir / "sheets"));

    PictureSink sink(dir / "out2");
    sink.EnableSheets(dir / "sheets");
    sink.Add("ab01", "a.png", Dot(4, 4, 1, 1).get());
    sink.WriteGroupSheets();
    EXPECT_TRUE(sink.Ok());
    EXPECT_TRUE(std::filesystem::exists(dir / "sheets/ab01.png"));
}

Pose With(double value)
{
    Pose p{};
    p.fill(value);
    return p;
}

TEST(PoseAt, PassesThroughEveryKeyAndHoldsTheEnds)
{
    std::vector<PoseKey> keys = {{0.0, With(0)}, {0.25, With(40)}, {1.0, With(-10)}};
    EXPECT_DOUBLE_EQ(PoseAt(keys, 0.25, false)[kLean], 40);
    EXPECT_DOUBLE_EQ(PoseAt(keys, 1.0, false)[kFarKnee], -10);
    EXPECT_DOUBLE_EQ(PoseAt(keys, 1.5, false)[kHipX], -10);
    EXPECT_DOUBLE_EQ(PoseAt(keys, -0.5, false)[kHipX], 0);
    double between = PoseAt(keys, 0.6, false)[kHipX];
    EXPECT_LT(between, 40);
    EXPECT_GT(between, -10);
}

TEST(PoseAt, CyclicPosesWrapFromTheLastKeyToTheFirst)
{
    std::vector<PoseKey> keys = {{0.0, With(0)}, {0.5, With(20)}};
    EXPECT_NEAR(PoseAt(keys, 1.0, true)[kTurn], 0, 1e-9);
    EXPECT_NEAR(PoseAt(keys, 1.5, true)[kTurn], 20, 1e-9);
    // Symmetric keys: the way back mirrors the way out.
    EXPECT_NEAR(PoseAt(keys, 0.25, true)[kTurn], PoseAt(keys, 0.75, true)[kTurn], 1e-9);
}

TEST(Figure, BoundsFollowTranslationAndMirroring)
{
    Pose p{};
    p[kHipX] = 50;
    p[kHipY] = 50;
    p[kNearThigh] = 40;  // the near leg reaches forward
    Outfit outfit;
    Figure figure(CharacterBuild(), outfit, p);
    double left = figure.Left(), right = figure.Right(), bottom = figure.Bottom();
    EXPECT_GT(right - 50, 50 - left);  // more of him ahead of the hip
    EXPECT_GT(bottom, 65);
    EXPECT_LT(figure.Top(), 35);
    figure.Translate(3, -2);
    EXPECT_NEAR(figure.Left(), left + 3, 1e-9);
    EXPECT_NEAR(figure.Bottom(), bottom - 2, 1e-9);
    figure.Mirror(53);
    EXPECT_NEAR(figure.Right(), 106 - (left + 3), 1e-9);
    EXPECT_NEAR(figure.Hip().x, 53, 1e-9);  // on the mirror line
}

TEST(InkBox, FindsTheInkAboveTheThresholdAndCropsIt)
{
    Surface s = Dot(10, 8, 6, 2);
    InkBox ink = FindInk(s.get());
    EXPECT_EQ(ink.x, 6);
    EXPECT_EQ(ink.y, 2);
    EXPECT_EQ(ink.w, 1);
    EXPECT_EQ(ink.h, 1);
    EXPECT_TRUE(FindInk(MakeSurface(5, 5).get()).Empty());
    Surface crop = CropSurface(s.get(), 5, 1, 4, 4);
    InkBox moved = FindInk(crop.get());
    EXPECT_EQ(moved.x, 1);
    EXPECT_EQ(moved.y, 1);
    EXPECT_EQ(cairo_image_surface_get_width(crop.get()), 4);
}

TEST(DrawPicture, FillsEachShapeInItsOwnColourOnAPictureOfTheGivenSize)
{
    Surface s = DrawPicture(12, 10, [](cairo_t* cr) {
        FillDisc(cr, 8, 5, 2.5, {0, 0, 255});
        FillRect(cr, 0, 0, 4, 4, {255, 0, 0});  // the disc is not filled again
        cairo_rectangle(cr, 0, 6, 2, 2);
        cairo_rectangle(cr, 2, 8, 2, 2);
        FillPath(cr, {0, 255, 0}, 0.5);
    });
    ASSERT_TRUE(s);
    EXPECT_EQ(cairo_image_surface_get_width(s.get()), 12);
    EXPECT_EQ(cairo_image_surface_get_height(s.get()), 10);
    cairo_surface_flush(s.get());
    auto at = [&](int x, int y) {
        const unsigned char* row = cairo_image_surface_get_data(s.get()) + y * cairo_image_surface_get_stride(s.get());
        return reinterpret_cast<const uint32_t*>(row)[x];
    };
    EXPECT_EQ(at(1, 1), 0xffff0000u);
    EXPECT_EQ(at(8, 5), 0xff0000ffu);
    EXPECT_EQ(at(11, 0), 0u);
    for (auto [x, y] : {std::pair{1, 7}, {3, 9}}) {
        uint32_t p = at(x, y);
        EXPECT_NEAR(static_cast<int>(p >> 24), 128, 1) << x << "," << y;
        EXPECT_EQ(p & 0x00ff00ffu, 0u) << x << "," << y;
    }
    EXPECT_EQ(at(3, 7), 0u);
}

}  // namespace
}  // namespace PictureGen
