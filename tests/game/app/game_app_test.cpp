// The application's frame stepping and pointer mapping, and the loading
// screen's percentage: the arithmetic between the window and the game.
#include <gtest/gtest.h>

#include <vector>

#include "game/app/game.h"
#include "game/app/vxb06_application.h"

namespace {

std::vector<float> Steps(float dt)
{
    std::vector<float> steps;
    StepGameTime(dt, [&](const float& step) { steps.push_back(step); });
    return steps;
}

float Sum(const std::vector<float>& steps)
{
    float sum = 0.0f;
    for (float s : steps) sum += s;
    return sum;
}

TEST(FrameSteppingTest, ShortFramesAreOneStepLongOnesSmallStepsAndARest)
{
    EXPECT_EQ(Steps(0.05f), std::vector<float>{0.05f});
    EXPECT_EQ(Steps(0.1f), std::vector<float>{0.1f}) << "0.1 s is not more than 0.1 s";
    EXPECT_EQ(Steps(0.0f), std::vector<float>{0.0f});

    const std::vector<float> long_ = Steps(0.35f);
    ASSERT_GE(long_.size(), 26u);
    ASSERT_LE(long_.size(), 27u);
    for (size_t i = 0; i + 1 < long_.size(); ++i) EXPECT_EQ(long_[i], 0.01f);
    EXPECT_GT(long_.back(), 0.09f);
    EXPECT_LE(long_.back(), 0.1f);
    EXPECT_NEAR(Sum(long_), 0.35f, 1e-4f);
}

TEST(FrameSteppingTest, EveryFrameIsSteppedWholeAndAnyFrameEnds)
{
    // The frame clock's longest frame, 1 s, is stepped in full.
    const std::vector<float> second = Steps(1.0f);
    ASSERT_GE(second.size(), 91u);
    ASSERT_LE(second.size(), 92u);
    EXPECT_NEAR(Sum(second), 1.0f, 1e-4f);
    EXPECT_NEAR(Sum(Steps(2.5f)), 2.5f, 1e-3f);
    // A frame too long to count down in small steps ends with one long step.
    EXPECT_EQ(Steps(1e30f), (std::vector<float>{0.01f, 0.1f}));
}

TEST(PointerMappingTest, WindowPixelsTruncateIntoTheLogicalScreen)
{
    const float sx = 480.0f / 800.0f, sy = 320.0f / 480.0f;
    EXPECT_EQ(MapPointer(799, 479, sx, sy).x, 479);
    EXPECT_EQ(MapPointer(799, 479, sx, sy).y, 319);
    EXPECT_EQ(MapPointer(0, 0, sx, sy).x, 0);
    EXPECT_EQ(MapPointer(1, 1, sx, sy).x, 0) << "0.6 truncates to 0";
    EXPECT_EQ(MapPointer(400, 240, sx, sy).x, 240);
    EXPECT_EQ(MapPointer(400, 240, sx, sy).y, 160);
    EXPECT_EQ(MapPointer(-5, -2, sx, sy).x, -3) << "toward zero";
    EXPECT_EQ(MapPointer(-5, -2, sx, sy).y, -1);
    // Before the first frame the scale is zero: everything lands on (0, 0).
    EXPECT_EQ(MapPointer(700, 400, 0.0f, 0.0f).x, 0);
    EXPECT_EQ(MapPointer(700, 400, 0.0f, 0.0f).y, 0);
}

TEST(LoadingPercentTest, EightyFiveStepsMakeAHundred)
{
    EXPECT_EQ(Game::LoadPercent(0), 0);
    EXPECT_EQ(Game::LoadPercent(1), 1);
    EXPECT_EQ(Game::LoadPercent(15), 17);
    EXPECT_EQ(Game::LoadPercent(42), 49);
    EXPECT_EQ(Game::LoadPercent(84), 98);
    EXPECT_EQ(Game::LoadPercent(85), 100);
    EXPECT_EQ(Game::LoadPercent(90), 100);
    EXPECT_EQ(Game::LoadPercent(-3), 0);
}

}  // namespace
