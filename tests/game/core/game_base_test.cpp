#include "game/core/game_base.h"

#include <gtest/gtest.h>

#include <random>

TEST(GameBaseTest, StartsWithOneMultiplierSoundOnAndEverythingElseClear)
{
    GameBase base;
    EXPECT_EQ(base.m_Multiplier, 1);
    EXPECT_TRUE(base.m_SoundOn);
    EXPECT_EQ(base.m_Score, 0);
    EXPECT_EQ(base.m_RunDistance, 0.0f);
    EXPECT_EQ(base.m_Random, nullptr);
    EXPECT_FALSE(base.m_Endless);
    EXPECT_FALSE(base.m_SwapControls);
}

TEST(GameBaseTest, RandomIsTheGeneratorsOutputModulo32767AndZeroWithoutOne)
{
    GameBase base;
    EXPECT_EQ(base.Random(), 0);
    base.InitRandom(1234u);
    std::mt19937 reference(1234u);
    for (int i = 0; i < 1000; ++i) {
        int32_t r = base.Random();
        EXPECT_EQ(r, static_cast<int32_t>(reference() % 32767u));
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 32767);
    }
    base.ReleaseRandom();
    EXPECT_EQ(base.m_Random, nullptr);
    EXPECT_EQ(base.Random(), 0);
}

TEST(GameBaseTest, OneSeedGivesOneSequence)
{
    GameBase a, b;
    a.InitRandom(77u);
    b.InitRandom(77u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(a.Random(), b.Random());
}

TEST(GameBaseTest, ShakeOffsetsAreCopiedEachStep)
{
    GameBase base;
    base.InitRandom(5u);
    ShakeParams params = {1.0f, 20.0f, true, true, false, false};
    base.m_Shake.Start(&params);
    base.UpdateShake(0.01f);
    EXPECT_EQ(base.m_ShakeX, base.m_Shake.GetOffsetX());
    EXPECT_EQ(base.m_ShakeY, base.m_Shake.GetOffsetY());
    base.UpdateShake(2.0f);
    EXPECT_EQ(base.m_ShakeX, 0);
    EXPECT_EQ(base.m_ShakeY, 0);
}

TEST(StrICmpTest, FoldsOnlyAsciiCapitals)
{
    EXPECT_EQ(StrICmp("obstacles.xml", "OBSTACLES.XML"), 0);
    EXPECT_EQ(StrICmp("a", "B"), -1);
    EXPECT_EQ(StrICmp("[", "a"), -1);  // '[' (91) is not folded
    EXPECT_EQ(StrICmp("abc", "ab"), 1);
    EXPECT_EQ(StrICmp("ab", "abc"), -1);
    EXPECT_EQ(StrICmp(nullptr, nullptr), -1);
    EXPECT_EQ(StrICmp("a", nullptr), 1);
    EXPECT_EQ(StrICmp("\xc3\xa9", "\xc3\x89"), 1);  // bytes above 127 compare unsigned, unfolded
}

TEST(ParallaxTileTest, DividesWrapsAndLeavesNegativeValues)
{
    int32_t x = -1, y = -1;
    ComputeParallaxTile(nullptr, 1, 1, 480, &x, &y, 1000.0f, 0.0f, 4.0f);
    EXPECT_EQ(x, 250);
    ComputeParallaxTile(nullptr, 1, 1, 480, &x, &y, 4000.0f, 0.0f, 4.0f);
    EXPECT_EQ(x, 40);
    ComputeParallaxTile(nullptr, 1, 1, 480, &x, &y, -100.0f, 0.0f, 4.0f);
    EXPECT_EQ(x, -25);
    ComputeParallaxTile(nullptr, 1, 1, 480, &x, &y, 10.0f, 10.0f, 0.5f);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 10);
    ComputeParallaxTile(nullptr, 1, 1, 480, &x, &y, 10.0f, 10.0f, 0.0f);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    ComputeParallaxTile(nullptr, 1, 1, 0, &x, nullptr, 1000.0f, 0.0f, 1.0f);  // no wrap below width 1
    EXPECT_EQ(x, 1000);
    ComputeParallaxTile(nullptr, 1, 1, 480, &x, &y, 1e30f, -1e30f, 1.0f);  // stays defined
    EXPECT_GE(x, 0);
}
