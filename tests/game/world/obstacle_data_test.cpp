// Obstacle spacing from "obstacles.xml", the kinds of each level and the
// half images and splinter colours that follow from a kind's name.
#include "game/world/obstacle_manager.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/surface.h"
#include "tests/game/support/game_data_folder.h"

namespace {

Obstacle Named(const char* name)
{
    Obstacle obstacle;
    obstacle.m_Active = true;
    std::strncpy(obstacle.m_Name, name, kObstacleNameLength);
    return obstacle;
}

TEST(ObstacleDataTest, SpacingPerLevelWithItsDefaultsAndBadInput)
{
    VokeTest::GameDataFolder data;
    ObstacleManager obstacles;
    obstacles.ReadParams();  // no file
    EXPECT_FALSE(obstacles.ReadParamsFrom(nullptr));
    data.Write("broken.xml", "<o><MinimumDistanceBetweenTwoObstacles level=\"1\" value=\"5\"/><");
    EXPECT_FALSE(obstacles.ReadParamsFrom("broken.xml"));

    data.Write("obstacles.xml", R"(<obstacles>
  <MinimumDistanceBetweenTwoObstacles level="3" value="300"/>
  <additionalrandomdistancebetweentwoobstacles level="3" value="0x40"/>
  <MinimumDistanceBetweenTwoObstacles level="0" value="1"/>
  <MinimumDistanceBetweenTwoObstacles level="7" value="1"/>
  <MinimumDistanceBetweenTwoObstacles value="1"/>
  <MinimumDistanceBetweenTwoObstacles level="2" value="far"/>
  <AdditionalRandomDistanceBetweenTwoObstacles level="2"/>
  <AdditionalRandomDistanceBetweenTwoObstacles level="5" value="0"/>
  <AdditionalRandomDistanceBetweenTwoObstacles level="6" value="-50"/>
</obstacles>)");
    obstacles.ReadParams();
    const int32_t minimum[6] = {400, 400, 300, 400, 400, 400};
    const int32_t additional[6] = {100, 100, 64, 100, 1, 1};  // below 1 is kept at 1
    for (int level = 0; level < 6; ++level) {
        EXPECT_EQ(obstacles.m_Spacing[level].MinimumDistanceBetweenTwoObstacles, minimum[level]) << level;
        EXPECT_EQ(obstacles.m_Spacing[level].AdditionalRandomDistanceBetweenTwoObstacles, additional[level]) << level;
    }
}

TEST(ObstacleDataTest, EachLevelHasItsKinds)
{
    const std::vector<std::vector<std::string>> kinds = {
        {"beczka_red.png", "beczki.png", "skrzynia2.png"}, {"wozek.png", "skrzynia2.png"},
        {"beczka_red.png", "beczka_kanal.png"},            {"beczka_red.png", "beczki.png", "skrzynia2.png"},
        {"skrzynia2.png", "beczki.png"},                   {"beczka_red.png", "beczki.png", "skrzynia2.png"},
    };
    ObstacleManager obstacles;
    for (int level = 0; level < 6; ++level) {
        obstacles.FillImageList(level);
        EXPECT_EQ(obstacles.m_Images, kinds[size_t(level)]) << level;
    }
    obstacles.FillImageList(6);
    EXPECT_EQ(obstacles.m_Images, kinds[5]);
}

TEST(ObstacleDataTest, HalfImagesAndSplinterColoursFollowTheKind)
{
    VokeTest::GameDataFolder data;
    ASSERT_TRUE(data.WritePng("wozek_frag01.png", 20, 8));
    ASSERT_TRUE(data.WritePng("wozek_frag02.png", 20, 12));
    ASSERT_TRUE(data.WritePng("beczki_frag01.png", 16, 10));  // no lower half
    ObstacleManager obstacles;

    Obstacle cart = Named("WOZEK.png");
    obstacles.AssignFragments(cart);
    EXPECT_TRUE(cart.m_HasFragments);
    ASSERT_NE(cart.m_UpperHalf.Get(), nullptr);
    ASSERT_NE(cart.m_LowerHalf.Get(), nullptr);
    EXPECT_EQ(cart.m_UpperHalf->GetHeight(), 8);
    EXPECT_EQ(cart.m_LowerHalf->GetHeight(), 12);
    Obstacle barrels = Named("beczki.png");
    obstacles.AssignFragments(barrels);
    EXPECT_TRUE(barrels.m_HasFragments);
    EXPECT_EQ(barrels.m_LowerHalf.Get(), nullptr);
    Obstacle stone = Named("kamien.png"), broken = Named("wozek.png"), gone = Named("wozek.png");
    broken.m_Broken = true;
    gone.m_Active = false;
    for (Obstacle* obstacle : {&stone, &broken, &gone}) {
        obstacles.AssignFragments(*obstacle);
        EXPECT_FALSE(obstacle->m_HasFragments);
        EXPECT_EQ(obstacle->m_UpperHalf.Get(), nullptr);
    }

    obstacles.m_ObstacleMap[3] = Named("wozek.png");
    obstacles.m_ObstacleMap[4] = Named("Beczka_Red.png");
    obstacles.m_ObstacleMap[5] = Named("kamien.png");
    uint8_t rgb[3] = {255, 255, 255};
    obstacles.GetFragmentColour(3, rgb);
    EXPECT_EQ(rgb[0] << 16 | rgb[1] << 8 | rgb[2], 197 << 16 | 190 << 8 | 174);
    obstacles.GetFragmentColour(4, rgb);
    EXPECT_EQ(rgb[0] << 16 | rgb[1] << 8 | rgb[2], 214 << 16 | 68 << 8 | 82);
    for (int id : {5, 99}) {
        uint8_t preset[3] = {255, 255, 255};
        obstacles.GetFragmentColour(id, preset);
        EXPECT_EQ(preset[0] & preset[1] & preset[2], 255);
    }
    obstacles.GetFragmentColour(3, nullptr);
}

}  // namespace
