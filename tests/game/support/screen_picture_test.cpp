// The picture tests' pictures: halving a frame read back from GL (bottom row first)
// into an upright picture, the PNG round trip, and the comparison that
// tells driver rounding from a screen drawn differently.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/game/support/screen_picture.h"
#include "tests/support/temp_dir.h"

namespace {

using VokeTest::ScreenPicture;

// A w x h RGBA frame, bottom row first, each pixel from `color(x, y)` with
// y counted from the top.
template <class Color>
std::vector<uint8_t> Frame(int w, int h, Color color)
{
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = color(x, y);
            uint8_t* p = &rgba[(size_t(h - 1 - y) * w + x) * 4];
            p[0] = uint8_t(c >> 16);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c);
            p[3] = 255;
        }
    return rgba;
}

TEST(ScreenPictureTest, HalvingAveragesEachBlockAndTurnsTheFrameUpright)
{
    // Top half red, bottom half blue; the top-left block mixes black and
    // white in a checker.
    const std::vector<uint8_t> rgba = Frame(8, 6, [](int x, int y) -> uint32_t {
        if (x < 2 && y < 2) return (x + y) % 2 ? 0xFFFFFF : 0x000000;
        return y < 3 ? 0xFF0000 : 0x0000FF;
    });
    const ScreenPicture half = ScreenPicture::FromFramebuffer(rgba, 8, 6);
    ASSERT_EQ(half.Width(), 4);
    ASSERT_EQ(half.Height(), 3);
    EXPECT_EQ(half.At(0, 0), 0x808080u) << "the mean of two black and two white pixels, rounded";
    EXPECT_EQ(half.At(3, 0), 0xFF0000u);
    EXPECT_EQ(half.At(3, 1), 0x800080u) << "the block across the border mixes both";
    EXPECT_EQ(half.At(3, 2), 0x0000FFu);

    // Fewer bytes than the size says: nothing.
    EXPECT_TRUE(ScreenPicture::FromFramebuffer(std::vector<uint8_t>(10), 8, 6).Empty());
}

TEST(ScreenPictureTest, RoundTripsThroughPngAndRejectsWhatIsNoPicture)
{
    VokeTest::TempDir dir;
    ScreenPicture picture(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) picture.Set(x, y, uint32_t(x * 40) << 16 | uint32_t(y * 90) << 8 | 7);
    ASSERT_TRUE(picture.Write(dir / "p.png"));
    ScreenPicture back;
    ASSERT_TRUE(back.Read(dir / "p.png"));
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(back.Height(), 3);
    EXPECT_EQ(back.CountDiffering(picture, 0), 0);

    EXPECT_FALSE(back.Read(dir / "missing.png"));
    {
        FILE* f = std::fopen((dir / "text.png").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("not a picture", f);
        std::fclose(f);
    }
    EXPECT_FALSE(back.Read(dir / "text.png"));
    EXPECT_EQ(back.Width(), 5) << "a failed read leaves the picture as it was";
    EXPECT_FALSE(ScreenPicture().Write(dir / "empty.png"));
    EXPECT_FALSE(picture.Write(dir / "no/such/folder.png"));
}

TEST(ScreenPictureTest, RoundingPassesAndAMovedOrMissingLayerDoesNot)
{
    ScreenPicture reference(40, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) reference.Set(x, y, x >= 10 && x < 20 && y >= 5 && y < 15 ? 0xE0C040 : 0x203040);

    // Every channel a little off: within the tolerance.
    ScreenPicture rounded = reference;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) rounded.Set(x, y, reference.At(x, y) + 0x0A0A0A);
    EXPECT_EQ(rounded.CountDiffering(reference, 24), 0);
    EXPECT_EQ(rounded.CountDiffering(reference, 9), 40 * 20) << "every pixel is 10 off in each channel";

    // The block two pixels to the right: two columns on each side differ.
    ScreenPicture moved(40, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) moved.Set(x, y, x >= 12 && x < 22 && y >= 5 && y < 15 ? 0xE0C040 : 0x203040);
    EXPECT_EQ(moved.CountDiffering(reference, 24), 2 * 2 * 10);

    // One channel alone far off counts.
    ScreenPicture blue = reference;
    blue.Set(0, 0, reference.At(0, 0) ^ 0x0000FF);
    EXPECT_EQ(blue.CountDiffering(reference, 24), 1);

    // A picture of another size differs everywhere.
    EXPECT_EQ(ScreenPicture(40, 10).CountDiffering(reference, 255), 800);
}

}  // namespace
