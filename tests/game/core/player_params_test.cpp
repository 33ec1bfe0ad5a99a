// The runner's tuning file and the reach of his longest jump.
#include "game/core/player.h"

#include <gtest/gtest.h>

#include "tests/game/core/game_data_folder.h"

namespace {

class PlayerParamsTest : public ::testing::Test {
protected:
    void TearDown() override { InitPlayerPhysicsDefaults(); }
    VokeTest::GameDataFolder m_data;
    Player m_player;
};

void ExpectDefaultConstants()
{
    EXPECT_EQ(GRAVITY_POWER, 1000.0f);
    EXPECT_EQ(JUMP_MAX_TIME_OF_GOING_UP, 0.25f);
    EXPECT_EQ(JUMP_INIT_SPEED, 300.0f);
    EXPECT_EQ(JUMP_ACCELERATION_OF_GOING_UP, 1.62f);
    EXPECT_EQ(JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN, 7.0f);
    EXPECT_EQ(TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP, 0.435f);
}

TEST_F(PlayerParamsTest, ACompleteFileSetsEveryValue)
{
    m_data.Write("player_params.xml", R"(<player>
  <GRAVITY_POWER value="1200"/>
  <JUMP_MAX_TIME_OF_GOING_UP value="0.3"/>
  <JUMP_INIT_SPEED value="320"/>
  <JUMP_ACCELERATION_OF_GOING_UP value="1.5"/>
  <JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN value="6.5"/>
  <TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP value="0.5"/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE level="1" value="0.8"/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE level="6" value="0.7"/>
  <BlockAnimations value="yes"/>
</player>)");
    ASSERT_TRUE(m_player.LoadParams("player_params.xml"));
    EXPECT_EQ(GRAVITY_POWER, 1200.0f);
    EXPECT_EQ(JUMP_MAX_TIME_OF_GOING_UP, 0.3f);
    EXPECT_EQ(JUMP_INIT_SPEED, 320.0f);
    EXPECT_EQ(JUMP_ACCELERATION_OF_GOING_UP, 1.5f);
    EXPECT_EQ(JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN, 6.5f);
    EXPECT_EQ(TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP, 0.5f);
    EXPECT_EQ(m_player.m_ObstacleSpeedFactor[0], 0.8f);
    EXPECT_EQ(m_player.m_ObstacleSpeedFactor[1], 0.92f);
    EXPECT_EQ(m_player.m_ObstacleSpeedFactor[5], 0.7f);
    EXPECT_TRUE(m_player.m_BlockAnimations);

    // The constants are process-wide: another runner sees them too, and
    // the defaults come back only through the initialiser.
    Player other;
    EXPECT_EQ(other.m_ObstacleSpeedFactor[0], 0.92f);
    EXPECT_EQ(GRAVITY_POWER, 1200.0f);
    InitPlayerPhysicsDefaults();
    ExpectDefaultConstants();
}

TEST_F(PlayerParamsTest, MissingEmptyAndDamagedFilesKeepTheDefaults)
{
    EXPECT_FALSE(m_player.LoadParams("player_params.xml"));
    EXPECT_FALSE(m_player.LoadParams(nullptr));
    m_data.Write("broken.xml", "<p><GRAVITY_POWER value=\"5\"/><JUMP_INIT_SPEED");
    EXPECT_FALSE(m_player.LoadParams("broken.xml"));
    m_data.Write("empty.xml", "<p/>");
    EXPECT_TRUE(m_player.LoadParams("empty.xml"));
    ExpectDefaultConstants();
    for (float factor : m_player.m_ObstacleSpeedFactor) EXPECT_EQ(factor, 0.92f);
    EXPECT_FALSE(m_player.m_BlockAnimations);
}

TEST_F(PlayerParamsTest, KeysMatchInAnyCaseTheLastOneWinsAndBadValuesChangeNothing)
{
    m_data.Write("player_params.xml", R"(<p>
  <gravity_power value="900"/>
  <Gravity_Power value="950"/>
  <JUMP_INIT_SPEED/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE level="0" value="0.1"/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE level="7" value="0.1"/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE value="0.1"/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE level="3"/>
  <BlockAnimations value="on"/>
  <nested><JUMP_MAX_TIME_OF_GOING_UP value="9"/></nested>
</p>)");
    ASSERT_TRUE(m_player.LoadParams("player_params.xml"));
    EXPECT_EQ(GRAVITY_POWER, 950.0f);
    EXPECT_EQ(JUMP_INIT_SPEED, 300.0f);
    EXPECT_EQ(JUMP_MAX_TIME_OF_GOING_UP, 0.25f);  // only the root's children are settings
    for (float factor : m_player.m_ObstacleSpeedFactor) EXPECT_EQ(factor, 0.92f);
    EXPECT_FALSE(m_player.m_BlockAnimations);

    m_data.Write("one.xml", R"(<p><BlockAnimations value="1"/></p>)");
    ASSERT_TRUE(m_player.LoadParams("one.xml"));
    EXPECT_TRUE(m_player.m_BlockAnimations);
}

// The jump as the motion step plays it, in the steps the motion description
// quotes: a full hold rises about 130 px and lands on level ground after
// about 0.95 s; a somersault keeps him up longer.
TEST(JumpReachTest, FlightFollowsTheJumpConstants)
{
    InitPlayerPhysicsDefaults();
    const float step = 0.01f;
    const float held = ComputeJumpAirTime(0.0f, false, step);
    EXPECT_NEAR(held, 0.95f, 0.03f);
    EXPECT_GT(ComputeJumpAirTime(125.0f, false, step), 0.0f);
    EXPECT_LT(ComputeJumpAirTime(140.0f, false, step), 0.0f);

    const float both = ComputeJumpAirTime(0.0f, true, step);
    EXPECT_GT(both, held + 0.3f);
    EXPECT_LT(both, held + 0.6f);
    EXPECT_GT(ComputeJumpAirTime(140.0f, true, step), 0.0f);  // the somersault climbs higher

    // Lower ground is met later, higher ground sooner.
    EXPECT_GT(ComputeJumpAirTime(-60.0f, true, step), both);
    EXPECT_LT(ComputeJumpAirTime(60.0f, true, step), both);

    GRAVITY_POWER = 2000.0f;
    EXPECT_LT(ComputeJumpAirTime(0.0f, true, step), both);
    InitPlayerPhysicsDefaults();
}

TEST(JumpReachTest, ReachGrowsWithSpeedAndDropAndEndsAboveTheJumpsTop)
{
    InitPlayerPhysicsDefaults();
    const float flat = ComputeJumpReach(360.0f, 0.0f);
    EXPECT_GT(flat, 440.0f);
    EXPECT_LT(flat, 540.0f);
    // Box width and the late press are allowed for: speed x (flight - step) + 7.
    const float flight = ComputeJumpAirTime(1.0f, true, kJumpReachStep);
    EXPECT_FLOAT_EQ(flat, 360.0f * (flight - kJumpReachStep) + 7.0f);

    EXPECT_GT(ComputeJumpReach(450.0f, 0.0f), flat);
    EXPECT_GT(ComputeJumpReach(360.0f, 64.0f), flat);
    EXPECT_LT(ComputeJumpReach(360.0f, -64.0f), flat);
    EXPECT_GT(ComputeJumpReach(360.0f, -64.0f), 0.0f);
    EXPECT_LT(ComputeJumpReach(360.0f, -400.0f), 0.0f);  // a roof higher than any jump
}

}  // namespace
