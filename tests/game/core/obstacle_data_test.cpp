// Obstacle spacing from "obstacles.xml", the kinds of each level and the
// half images and splinter colours that follow from a kind's name.
#include "game/core/obstacle_manager.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/surface.h"
#include "tests/game/core/game_data_folder.h"

namespace {

class ObstacleDataTest : public ::testing::Test {
protected:
    void ExpectDefaultSpacing(int level)
    {
        EXPECT_EQ(m_obstacles.m_Spacing[level].MinimumDistanceBetweenTwoObstacles, 400) << level;
        EXPECT_EQ(m_obstacles.m_Spacing[level].AdditionalRandomDistanceBetweenTwoObstacles, 100) << level;
    }
    VokeTest::GameDataFolder m_data;
    ObstacleManager m_obstacles;
};

Obstacle Named(const char* name)
{
    Obstacle obstacle;
    obstacle.m_Active = true;
    std::strncpy(obstacle.m_Name, name, kObstacleNameLength);
    return obstacle;
}

TEST_F(ObstacleDataTest, OneLevelsElementsChangeOnlyThatLevel)
{
    m_data.Write("obstacles.xml", R"(<obstacles>
  <MinimumDistanceBetweenTwoObstacles level="3" value="300"/>
  <additionalrandomdistancebetweentwoobstacles level="3" value="0x40"/>
</obstacles>)");
    m_obstacles.ReadParams();
    EXPECT_EQ(m_obstacles.m_Spacing[2].MinimumDistanceBetweenTwoObstacles, 300);
    EXPECT_EQ(m_obstacles.m_Spacing[2].AdditionalRandomDistanceBetweenTwoObstacles, 64);
    for (int level : {0, 1, 3, 4, 5}) ExpectDefaultSpacing(level);
}

TEST_F(ObstacleDataTest, BadLevelsValuesAndFilesChangeNothing)
{
    m_obstacles.ReadParams();  // no file
    EXPECT_FALSE(m_obstacles.ReadParamsFrom("obstacles.xml"));
    EXPECT_FALSE(m_obstacles.ReadParamsFrom(nullptr));
    m_data.Write("broken.xml", "<o><MinimumDistanceBetweenTwoObstacles level=\"1\" value=\"5\"/><");
    EXPECT_FALSE(m_obstacles.ReadParamsFrom("broken.xml"));

    m_data.Write("obstacles.xml", R"(<o>
  <MinimumDistanceBetweenTwoObstacles level="0" value="1"/>
  <MinimumDistanceBetweenTwoObstacles level="7" value="1"/>
  <MinimumDistanceBetweenTwoObstacles value="1"/>
  <MinimumDistanceBetweenTwoObstacles level="2" value="far"/>
  <AdditionalRandomDistanceBetweenTwoObstacles level="2"/>
</o>)");
    EXPECT_TRUE(m_obstacles.ReadParamsFrom("obstacles.xml"));
    for (int level = 0; level < 6; ++level) ExpectDefaultSpacing(level);
}

TEST_F(ObstacleDataTest, AnAdditionalDistanceBelowOneIsKeptAtOne)
{
    m_data.Write("obstacles.xml", R"(<o>
  <AdditionalRandomDistanceBetweenTwoObstacles level="1" value="0"/>
  <AdditionalRandomDistanceBetweenTwoObstacles level="2" value="-50"/>
  <AdditionalRandomDistanceBetweenTwoObstacles level="3" value="1"/>
</o>)");
    EXPECT_TRUE(m_obstacles.ReadParamsFrom("obstacles.xml"));
    for (int level : {0, 1, 2}) EXPECT_EQ(m_obstacles.m_Spacing[level].AdditionalRandomDistanceBetweenTwoObstacles, 1);
}

TEST_F(ObstacleDataTest, EachLevelHasItsKinds)
{
    const std::vector<std::vector<std::string>> kinds = {
        {"beczka_red.png", "beczki.png", "skrzynia2.png"},
        {"wozek.png", "skrzynia2.png"},
        {"beczka_red.png", "beczka_kanal.png"},
        {"beczka_red.png", "beczki.png", "skrzynia2.png"},
        {"skrzynia2.png", "beczki.png"},
        {"beczka_red.png", "beczki.png", "skrzynia2.png"},
    };
    for (int level = 0; level < 6; ++level) {
        m_obstacles.FillImageList(level);
        EXPECT_EQ(m_obstacles.m_Images, kinds[size_t(level)]) << level;
    }
    m_obstacles.FillImageList(6);
    m_obstacles.FillImageList(-1);
    EXPECT_EQ(m_obstacles.m_Images, kinds[5]);
}

TEST_F(ObstacleDataTest, KindsWithHalvesLoadThemAndOthersDoNot)
{
    ASSERT_TRUE(m_data.WritePng("wozek_frag01.png", 20, 8));
    ASSERT_TRUE(m_data.WritePng("wozek_frag02.png", 20, 12));
    ASSERT_TRUE(m_data.WritePng("beczki_frag01.png", 16, 10));  // no lower half

    Obstacle cart = Named("WOZEK.png");
    m_obstacles.AssignFragments(cart);
    EXPECT_TRUE(cart.m_HasFragments);
    ASSERT_NE(cart.m_UpperHalf.Get(), nullptr);
    ASSERT_NE(cart.m_LowerHalf.Get(), nullptr);
    EXPECT_EQ(cart.m_UpperHalf->GetHeight(), 8);
    EXPECT_EQ(cart.m_LowerHalf->GetHeight(), 12);

    Obstacle barrels = Named("beczki.png");
    m_obstacles.AssignFragments(barrels);
    EXPECT_TRUE(barrels.m_HasFragments);
    EXPECT_NE(barrels.m_UpperHalf.Get(), nullptr);
    EXPECT_EQ(barrels.m_LowerHalf.Get(), nullptr);

    Obstacle unknown = Named("kamien.png");
    m_obstacles.AssignFragments(unknown);
    EXPECT_FALSE(unknown.m_HasFragments);

    Obstacle broken = Named("wozek.png");
    broken.m_Broken = true;
    m_obstacles.AssignFragments(broken);
    Obstacle inactive = Named("wozek.png");
    inactive.m_Active = false;
    m_obstacles.AssignFragments(inactive);
    EXPECT_FALSE(broken.m_HasFragments);
    EXPECT_FALSE(inactive.m_HasFragments);
    EXPECT_EQ(broken.m_UpperHalf.Get(), nullptr);
}

TEST_F(ObstacleDataTest, SplinterColoursFollowTheKind)
{
    m_obstacles.m_ObstacleMap[3] = Named("wozek.png");
    m_obstacles.m_ObstacleMap[4] = Named("Beczka_Red.png");
    m_obstacles.m_ObstacleMap[5] = Named("kamien.png");
    uint8_t rgb[3] = {255, 255, 255};
    m_obstacles.GetFragmentColour(3, rgb);
    EXPECT_EQ(rgb[0], 197);
    EXPECT_EQ(rgb[1], 190);
    EXPECT_EQ(rgb[2], 174);
    m_obstacles.GetFragmentColour(4, rgb);
    EXPECT_EQ(rgb[0], 214);
    EXPECT_EQ(rgb[1], 68);
    EXPECT_EQ(rgb[2], 82);

    for (int id : {5, 99}) {
        uint8_t preset[3] = {255, 255, 255};
        m_obstacles.GetFragmentColour(id, preset);
        EXPECT_EQ(preset[0], 255);
        EXPECT_EQ(preset[1], 255);
        EXPECT_EQ(preset[2], 255);
    }
    m_obstacles.GetFragmentColour(3, nullptr);
}

}  // namespace
