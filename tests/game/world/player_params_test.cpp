// The runner's tuning file and the reach of his longest jump.
#include "game/world/player.h"

#include <gtest/gtest.h>

#include "tests/game/support/game_data_folder.h"

namespace {

class PlayerParamsTest : public ::testing::Test {
protected:
    void TearDown() override { InitPlayerPhysicsDefaults(); }
    VokeTest::GameDataFolder m_data;
    Player m_player;
};

TEST_F(PlayerParamsTest, ACompleteFileSetsEveryValueForEveryRunner)
{
    m_data.Write("player_params.xml", R"(<player>
  <GRAVITY_POWER value="1200"/>
  <JUMP_MAX_TIME_OF_GOING_UP value="0.3"/>
  <JUMP_INIT_SPEED value="320"/>
  <jump_acceleration_of_going_up value="1.5"/>
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
    // The constants are process-wide; the factors belong to the runner.
    Player other;
    EXPECT_EQ(other.m_ObstacleSpeedFactor[0], 0.92f);
    EXPECT_EQ(GRAVITY_POWER, 1200.0f);
}

TEST_F(PlayerParamsTest, MissingDamagedFilesAndBadElementsChangeNothing)
{
    EXPECT_FALSE(m_player.LoadParams("player_params.xml"));
    EXPECT_FALSE(m_player.LoadParams(nullptr));
    m_data.Write("broken.xml", "<p><GRAVITY_POWER value=\"5\"/><JUMP_INIT_SPEED");
    EXPECT_FALSE(m_player.LoadParams("broken.xml"));
    m_data.Write("player_params.xml", R"(<p>
  <JUMP_INIT_SPEED/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE level="0" value="0.1"/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE level="7" value="0.1"/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE value="0.1"/>
  <BlockAnimations value="on"/>
  <gravity_power value="900"/>
  <Gravity_Power value="950"/>
  <GRAVITY_POWER value="abc"/>
  <JUMP_MAX_TIME_OF_GOING_UP value=""/>
  <JUMP_ACCELERATION_OF_GOING_UP value="-."/>
  <JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN value=" 6.5 per second"/>
  <MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE level="2" value="none"/>
  <nested><GRAVITY_POWER value="9"/></nested>
</p>)");
    ASSERT_TRUE(m_player.LoadParams("player_params.xml"));
    // The last of a repeated key that holds a number; only the root's
    // children count, and a value without a number is no value.
    EXPECT_EQ(GRAVITY_POWER, 950.0f);
    EXPECT_EQ(JUMP_INIT_SPEED, 300.0f);
    EXPECT_EQ(JUMP_MAX_TIME_OF_GOING_UP, 0.25f);
    EXPECT_EQ(JUMP_ACCELERATION_OF_GOING_UP, 1.62f);
    EXPECT_EQ(JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN, 6.5f) << "the number before the words";
    for (float factor : m_player.m_ObstacleSpeedFactor) EXPECT_EQ(factor, 0.92f);
    EXPECT_FALSE(m_player.m_BlockAnimations);
    InitPlayerPhysicsDefaults();
    EXPECT_EQ(GRAVITY_POWER, 1000.0f);
}

// The jump as the motion step plays it, in the steps the motion rules quote:
// a full hold rises about 130 px and is back on level ground after about
// 0.95 s; a well-timed somersault keeps him up longer and higher.
TEST(JumpReachTest, FlightAndReachFollowTheJumpConstants)
{
    InitPlayerPhysicsDefaults();
    const float held = ComputeJumpAirTime(0.0f, false, 0.01f);
    EXPECT_NEAR(held, 0.95f, 0.03f);
    EXPECT_GT(ComputeJumpAirTime(125.0f, false, 0.01f), 0.0f);
    EXPECT_LT(ComputeJumpAirTime(135.0f, false, 0.01f), 0.0f);
    const float both = ComputeJumpAirTime(0.0f, true, 0.01f);
    EXPECT_NEAR(both, 1.38f, 0.03f);
    EXPECT_GT(ComputeJumpAirTime(145.0f, true, 0.01f), 0.0f);

    // Reach: speed x (flight - one step) + the hit box's 7 px, longer when
    // faster or when the far roof is lower, none above the jump's top.
    const float flat = ComputeJumpReach(360.0f, 0.0f);
    EXPECT_FLOAT_EQ(flat, 360.0f * (ComputeJumpAirTime(1.0f, true, kJumpReachStep) - kJumpReachStep) + 7.0f);
    EXPECT_NEAR(flat, 500.0f, 30.0f);
    EXPECT_GT(ComputeJumpReach(450.0f, 0.0f), flat);
    EXPECT_GT(ComputeJumpReach(360.0f, 64.0f), flat);
    EXPECT_LT(ComputeJumpReach(360.0f, -64.0f), flat);
    EXPECT_LT(ComputeJumpReach(360.0f, -200.0f), 0.0f);

    GRAVITY_POWER = 2000.0f;
    EXPECT_LT(ComputeJumpReach(360.0f, 0.0f), flat - 80.0f);
    InitPlayerPhysicsDefaults();
}

}  // namespace
