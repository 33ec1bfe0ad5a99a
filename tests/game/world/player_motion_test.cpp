// The runner's motion against numbers worked out by hand from the default
// tuning (steps of 0.01 s), his collisions with roofs, walls and pieces, the
// landing bonus, the exit sequence, and his actions from every state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "game/core/game_base.h"
#include "game/presentation/hud.h"
#include "game/world/building_manager.h"
#include "game/world/obstacle_manager.h"
#include "game/world/player.h"
#include "tests/game/world/runner_test_row.h"

namespace {

constexpr float kStep = 0.01f;

class PlayerMotionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitPlayerPhysicsDefaults();
        m_game.m_ScreenWidth = 480;
        m_game.m_ScreenHeight = 320;
        m_game.InitRandom(5u);
        m_player.SetSessionStats(&m_game);
    }

    // The runner at x on level 0 of `row`, standing on its first roof.
    void Stand(VokeTest::TestRow& row, float x = 0.0f, float speed = 360.0f)
    {
        m_player.SetCollisionMap(&row.m_buildings);
        m_player.Reset(0);
        m_player.PlaceOnGround();
        Place(x, m_player.m_PosY);
        m_player.SetMinSpeed(speed);
        m_player.SetSpeed(speed);
        m_player.SetAcceleration(0.0f);
        m_player.Update(kStep);  // finds the ground
    }
    void Place(float x, float y)
    {
        m_player.m_PosX = x;
        m_player.m_PosY = y;
        m_player.m_CellX = static_cast<int32_t>(std::floor(x));
        m_player.m_CellY = static_cast<int32_t>(std::floor(y));
    }

    // Flies from the current position until he is on a roof again (at most
    // 5 s): the highest rise above the take-off row and the time in the air.
    struct Flight {
        int32_t height;
        float time;
    };
    // The hold ends after `holdSteps` updates; with `pressAfterRise` the jump
    // is pressed again that many steps after the rise ended.
    Flight FlyUntilLanded(int holdSteps, int pressAfterRise = -1)
    {
        const int32_t start = m_player.m_CellY;
        int32_t top = start;
        int steps = 0;
        int riseEnd = -1;
        while (steps < 500) {
            if (steps == holdSteps) m_player.ClearJumpHeld();
            if (riseEnd < 0 && steps > 0 && !m_player.m_Rising) riseEnd = steps;
            if (pressAfterRise >= 0 && riseEnd >= 0 && steps == riseEnd + pressAfterRise) m_player.Jump();
            m_player.Update(kStep);
            ++steps;
            top = std::min(top, m_player.m_CellY);
            if (m_player.m_OnGround) break;
        }
        return {start - top, float(steps) * kStep};
    }

    GameBase m_game;
    Player m_player;
};

TEST_F(PlayerMotionTest, JumpHeightsAndAirTimesOfTheDefaultTuning)
{
    VokeTest::TestRow row(200, 0);
    // A tap: the power decays from 1.0 by 0.07 per step, 14 steps of rise
    // (3 px per unit of power and step), about 23 px, down after 0.37 s.
    Stand(row, 0.0f, 0.0f);
    m_player.Jump();
    Flight tap = FlyUntilLanded(0);
    EXPECT_NEAR(tap.height, 23, 1);
    EXPECT_NEAR(tap.time, 0.37f, 0.02f);
    EXPECT_EQ(m_game.m_Jumps, 1);
    // Held for 11 steps the power grows to 1.18 and then decays: about 68 px.
    m_player.Jump();
    EXPECT_NEAR(FlyUntilLanded(11).height, 68, 1);
    // Held for the whole 0.25 s the power reaches about 1.4: about 130 px,
    // 0.45 s up and 0.51 s down.
    m_player.Jump();
    Flight full = FlyUntilLanded(1000);
    EXPECT_NEAR(full.height, 130, 2);
    EXPECT_NEAR(full.time, 0.96f, 0.02f);
    // The runner stood still throughout, on the same roof.
    EXPECT_EQ(m_player.m_CellX, 0);
    EXPECT_EQ(m_player.m_CellY, VokeTest::TestRow::kRoof - 74);
    EXPECT_EQ(m_game.m_Jumps, 3);
    // With no speed, no acceleration and no input nothing moves.
    for (int i = 0; i < 100; ++i) m_player.Update(kStep);
    EXPECT_EQ(m_player.m_CellY, VokeTest::TestRow::kRoof - 74);
    EXPECT_EQ(m_player.m_VerticalSpeed, 0.0f);
    EXPECT_TRUE(m_player.m_OnGround);
}

TEST_F(PlayerMotionTest, TheSomersaultAddsAirTimeWithinItsWindow)
{
    VokeTest::TestRow row(200, 0);
    Stand(row, 0.0f, 0.0f);
    // Full hold, the second press as the rise ends: a 23 px rise from the
    // top, about 1.15 s in all, ending in a landing roll.
    m_player.Jump();
    Flight early = FlyUntilLanded(1000, 0);
    EXPECT_NEAR(early.time, 1.15f, 0.03f);
    EXPECT_EQ(m_player.m_State, kPlayerLandingRoll);
    EXPECT_EQ(m_game.m_Jumps, 2);
    // The last press the window allows (0.43 s after the rise ended) keeps
    // him up longest: 1.38 s.
    m_player.Jump();
    Flight late = FlyUntilLanded(1000, 43);
    EXPECT_NEAR(late.time, 1.38f, 0.03f);
    EXPECT_EQ(m_game.m_Jumps, 4);
    // One step later the window has closed: the press is ignored.
    m_player.Jump();
    Flight missed = FlyUntilLanded(1000, 44);
    EXPECT_NEAR(missed.time, 0.96f, 0.02f);
    EXPECT_EQ(m_game.m_Jumps, 5);
    EXPECT_EQ(m_player.m_State, kPlayerRun);

    // One somersault per airborne period: a third press only marks the jump
    // held.
    m_player.Jump();
    m_player.Update(kStep);
    m_player.Jump();
    m_player.Update(kStep);
    EXPECT_EQ(m_player.m_State, kPlayerSomersault);
    m_player.ClearJumpHeld();
    m_player.Jump();
    EXPECT_FALSE(m_player.m_JumpRequested);
    EXPECT_TRUE(m_player.m_JumpHeld);
    // Running off a roof is no rise: no air jump.
    VokeTest::TestRow gap(300, 0);
    Stand(gap, 797.0f - 43.0f, 100.0f);
    while (m_player.m_OnGround) m_player.Update(kStep);
    m_player.Jump();
    EXPECT_FALSE(m_player.m_JumpRequested);
}

TEST_F(PlayerMotionTest, RunningOffARoofFallsIntoTheGapAndDiesAtTheWall)
{
    VokeTest::TestRow row(200, 0);
    Stand(row, 700.0f);
    EXPECT_EQ(m_player.GetGroundId(), 0);
    while (m_player.m_OnGround) m_player.Update(kStep);
    // Off the roof: still running, frame frozen, no ground, gravity pulls.
    EXPECT_EQ(m_player.m_State, kPlayerRun);
    EXPECT_EQ(m_player.GetGroundId(), -1);
    EXPECT_GT(m_player.m_CellX + kPlayerBoxLeft, row.At(0).collisionRight);
    const int32_t frame = m_player.m_Frame;
    m_player.Update(kStep);
    m_player.Update(kStep);
    EXPECT_EQ(m_player.m_Frame, frame);
    EXPECT_GT(m_player.m_VerticalSpeed, 0.0f);

    int steps = 0;
    while (!m_player.IsDying() && steps++ < 200) m_player.Update(kStep);
    ASSERT_TRUE(m_player.IsDying());
    // The box met the next building's side below its roof and bounced off.
    EXPECT_EQ(m_player.m_CellX + kPlayerBoxRight + 1, row.At(1).collisionLeft);
    EXPECT_GT(m_player.m_CellY + kPlayerBoxBottom, row.At(1).collisionTop);
    EXPECT_FLOAT_EQ(m_player.m_Speed, -0.7f * 360.0f);
    EXPECT_EQ(m_player.m_State, kPlayerDeath);
    float x = 0.0f, y = 0.0f;
    m_player.GetPosition(&x, &y);
    EXPECT_EQ(x, m_player.m_CrashX);
    EXPECT_EQ(y, m_player.m_CrashY);
    // Caught 1.35 s later.
    int dying = 0;
    while (!m_player.IsDeadAnimationDone() && dying++ < 1000) m_player.Update(kStep);
    EXPECT_NEAR(float(dying) * kStep, 1.35f, 0.015f);
}

// The reach the content's gaps are checked against is what the runner
// himself makes: with the jump pressed on his last step on the roof and held,
// and the second press tried at every step, he lands on a far roof the
// reach's distance away and on none a few steps' travel further.
TEST_F(PlayerMotionTest, TheJumpReachIsWhatTheRunnerCrosses)
{
    constexpr float kSpeed = 360.0f;
    for (int32_t rise : {0, 40}) {
        const float reach = ComputeJumpReach(kSpeed, float(-rise), kStep);
        ASSERT_GT(reach, 0.0f);
        for (float beyond : {0.0f, 4.0f * kSpeed * kStep}) {
            // The row's gap is two pixels wider than the gap between the
            // collision boxes.
            VokeTest::TestRow row(int32_t(reach + beyond) + 2, rise);
            bool landed = false;
            for (int press = 1; press < 150 && !landed; ++press) {
                Stand(row, 600.0f, kSpeed);
                const int32_t edge = row.At(0).collisionRight;
                while (int32_t(std::floor(m_player.m_PosX + kSpeed * kStep)) + kPlayerBoxLeft <= edge)
                    m_player.Update(kStep);
                m_player.Jump();
                for (int step = 0; step < 500 && !m_player.IsDying(); ++step) {
                    if (step == press) m_player.Jump();
                    m_player.Update(kStep);
                    if (m_player.m_OnGround && m_player.GetGroundId() != 0) break;
                }
                landed = m_player.GetGroundId() == 1 && !m_player.IsDying();
            }
            EXPECT_EQ(landed, beyond == 0.0f) << "rise " << rise << ", gap " << int32_t(reach + beyond);
        }
    }
}

TEST_F(PlayerMotionTest, AWallAheadKillsTheRunnerAndAPieceAboveStopsHisRise)
{
    // No gap and a roof 60 px higher: he runs into its side.
    VokeTest::TestRow wall(0, 60);
    Stand(wall, 600.0f);
    while (!m_player.IsDying() && m_player.m_CellX < 2000) m_player.Update(kStep);
    ASSERT_TRUE(m_player.IsDying());
    EXPECT_TRUE(m_player.m_OnGround);
    EXPECT_EQ(m_player.m_CellX + kPlayerBoxRight + 1, wall.At(1).collisionLeft);
    EXPECT_FLOAT_EQ(m_player.m_Speed, -252.0f);
    // Dying, he drifts back and does nothing more.
    m_player.Jump();
    m_player.Punch();
    m_player.Slide();
    EXPECT_FALSE(m_player.m_JumpRequested);
    EXPECT_EQ(m_player.m_State, kPlayerDeath);
    m_player.Update(kStep);
    EXPECT_LT(m_player.m_CellX + kPlayerBoxRight + 1, wall.At(1).collisionLeft);

    // Under a piece hanging 30 px above the roof the standing box is
    // blocked: no jump.
    VokeTest::TestRow low(100, 0, true);
    const Building& b = low.At(3);
    ASSERT_TRUE(b.hasSecondCollision);
    Stand(low, 0.0f, 0.0f);
    Place(float(b.secondLeft - kPlayerBoxLeft + 10), float(b.collisionTop - 74));
    m_player.Update(kStep);
    ASSERT_TRUE(m_player.IsBlockedAbove());
    m_player.Jump();
    EXPECT_FALSE(m_player.m_JumpRequested);

    // One hanging 60 px above: a jump under it hits it from below. He dies,
    // is thrown down, and lands on the roof in his death frames.
    VokeTest::TestRow high(100, 0, true, 40, 60);
    const Building& c = high.At(3);
    Stand(high, 0.0f, 0.0f);
    Place(float(c.secondLeft - kPlayerBoxLeft + 10), float(c.collisionTop - 74));
    m_player.Update(kStep);
    ASSERT_FALSE(m_player.IsBlockedAbove());
    m_player.Jump();
    int steps = 0;
    while (!m_player.IsDying() && steps++ < 100) m_player.Update(kStep);
    ASSERT_TRUE(m_player.IsDying());
    EXPECT_EQ(m_player.m_CellY + kPlayerBoxTop - 1, c.secondBottom);
    EXPECT_GT(m_player.m_VerticalSpeed, 0.0f);
    while (!m_player.m_OnGround && steps++ < 200) m_player.Update(kStep);
    EXPECT_TRUE(m_player.m_OnGround);
    EXPECT_EQ(m_player.m_State, kPlayerDeath);
    EXPECT_EQ(m_player.m_FootstepIndex, -1);
}

TEST_F(PlayerMotionTest, LandingOnARoofEdgeAndTheLandingBonus)
{
    VokeTest::TestRow row(200, 0);
    const Building& far = row.At(1);
    Stand(row, 0.0f, 0.0f);
    Hud hud;
    m_player.SetScoreHud(&hud);
    m_game.m_Multiplier = 3;
    const float air = float(far.collisionTop - 74 - 40);
    // Falling straight down with the box's right column over the roof's
    // first column: he lands (6 px from the edge: 500 points times 3).
    Place(float(far.collisionLeft - kPlayerBoxRight), air);
    m_player.m_OnGround = 0;
    FlyUntilLanded(0);
    EXPECT_TRUE(m_player.m_OnGround);
    EXPECT_FALSE(m_player.IsDying());
    EXPECT_EQ(m_player.GetGroundId(), 1);
    EXPECT_EQ(m_player.m_CellY + kPlayerBoxBottom, far.collisionTop - 1);
    EXPECT_EQ(m_game.m_Score, 1500);
    EXPECT_TRUE(hud.IsScoreGainActive());
    // Bonus by the box's left edge: 39 px in 500, 59 px 200, 60 px none.
    for (int32_t d : {39, 59, 60}) {
        m_game.m_Score = 0;
        Place(float(far.collisionLeft - kPlayerBoxLeft + d), air);
        m_player.m_OnGround = 0;
        FlyUntilLanded(0);
        EXPECT_EQ(m_game.m_Score, d == 39 ? 1500 : d == 59 ? 600 : 0) << d;
    }
    // One pixel short of the edge he meets the roof's corner: he dies.
    Place(float(far.collisionLeft - kPlayerBoxRight - 1), air);
    m_player.m_OnGround = 0;
    FlyUntilLanded(0);
    EXPECT_TRUE(m_player.IsDying());
}

TEST_F(PlayerMotionTest, EndlessSpeedAndTheSweptMove)
{
    // Without buildings every move is free and he falls without end. A
    // 60 px step is walked in at most 50 points: it ends 47 px along.
    m_player.Reset(0);
    m_player.SetMinSpeed(0.0f);
    m_player.SetMaxSpeed(1000.0f);
    m_player.SetSpeed(600.0f);
    m_player.SetAcceleration(0.0f);
    m_player.Update(0.1f);
    EXPECT_EQ(m_player.m_CellX, 47);
    EXPECT_FALSE(m_player.m_OnGround);
    m_player.Update(0.01f);
    EXPECT_GT(m_player.m_CellY, 0);

    // The speed grows to the maximum, and past it in endless mode.
    m_player.Reset(0);
    m_player.SetMaxSpeed(400.0f);
    m_player.SetSpeed(399.0f);
    m_player.SetAcceleration(200.0f);
    m_player.Update(0.01f);
    EXPECT_EQ(m_player.GetSpeed(), 400.0f);
    m_game.m_Endless = true;
    m_player.Update(0.01f);
    EXPECT_FLOAT_EQ(m_player.GetSpeed(), 402.0f);
    m_game.m_Endless = false;
    m_player.Update(0.01f);
    EXPECT_EQ(m_player.GetSpeed(), 400.0f);
    // The level distance is the furthest x he reached.
    EXPECT_EQ(m_game.m_LevelDistance, 47.0f);
    m_game.m_LevelDistance = 0.0f;
    m_player.Update(0.01f);
    EXPECT_EQ(m_game.m_LevelDistance, m_player.m_PosX - 0.01f * 400.0f);
}

// Places an obstacle of w x h standing on the runner's roof at x.
int32_t PlaceObstacle(ObstacleManager& obstacles, int32_t id, int32_t x, int32_t w, int32_t h)
{
    Obstacle o;
    o.m_Active = true;
    std::strcpy(o.m_Name, "beczki.png");
    o.m_Image = VokeTest::MakeSurface(w, h);
    const int32_t box[4] = {x, VokeTest::TestRow::kRoof - h + 1, x + w, VokeTest::TestRow::kRoof + 1};
    std::memcpy(o.m_Box, box, sizeof box);
    std::memcpy(o.m_HitBox, box, sizeof box);
    obstacles.m_ObstacleMap.emplace(id, std::move(o));
    return id;
}

TEST_F(PlayerMotionTest, APunchInTimeBreaksAnObstacleAndABodyHitStumbles)
{
    VokeTest::TestRow row(200, 0);
    ObstacleManager obstacles;
    obstacles.SetOwner(&m_game);
    m_player.SetObstacleManager(&obstacles);
    // On the first roof, which reaches 2000 px to the left.
    Stand(row, -1600.0f, 400.0f);
    m_player.SetMaxSpeed(400.0f);
    m_game.m_Multiplier = 2;
    // Five obstacles 100 px apart, punched 0.1 s before he reaches each.
    for (int32_t i = 0; i < 5; ++i) PlaceObstacle(obstacles, i, -1500 + 100 * i, 32, 30);
    for (int32_t i = 0; i < 5; ++i) {
        while (m_player.m_CellX + 1 + kPlayerBoxRight + 40 < -1500 + 100 * i) m_player.Update(kStep);
        m_player.Punch();
        EXPECT_EQ(m_player.m_State, kPlayerPunch);
        while (!obstacles.m_ObstacleMap.at(i).m_Broken && m_player.m_CellX < 0) m_player.Update(kStep);
        EXPECT_TRUE(obstacles.m_ObstacleMap.at(i).m_Broken) << i;
    }
    // 100 points each at the multiplier of the moment; the fifth break in a
    // row raises the multiplier after its own points.
    EXPECT_EQ(m_game.m_Score, 5 * 200);
    EXPECT_EQ(m_game.m_Multiplier, 3);
    EXPECT_EQ(m_game.m_ObstaclesDestroyed, 5);
    EXPECT_EQ(m_player.m_BreakStreak, 0);
    EXPECT_EQ(m_player.GetSpeed(), 400.0f);

    // Walking into one: he stumbles, slows by the level's factor (not below
    // his minimum) and the multiplier is back to 1; it trips him only once.
    m_player.SetMinSpeed(300.0f);
    PlaceObstacle(obstacles, 5, -900, 32, 30);
    while (!obstacles.m_ObstacleMap.at(5).m_Hit && m_player.m_CellX < 0) m_player.Update(kStep);
    EXPECT_EQ(m_player.m_State, kPlayerStumble);
    EXPECT_FLOAT_EQ(m_player.GetSpeed(), 400.0f * 0.92f);
    EXPECT_EQ(m_game.m_Multiplier, 1);
    EXPECT_EQ(m_game.m_ObstaclesDestroyed, 5);
    EXPECT_FALSE(obstacles.FindHit(-2000, 0, -800, 400, nullptr));
    m_player.m_ObstacleSpeedFactor[0] = 0.5f;
    PlaceObstacle(obstacles, 6, -820, 32, 30);
    while (!obstacles.m_ObstacleMap.at(6).m_Hit && m_player.m_CellX < 0) m_player.Update(kStep);
    EXPECT_EQ(m_player.GetSpeed(), 300.0f);
    // The stumble ends in the run after 1 / 1.3 s.
    int steps = 0;
    while (m_player.m_State == kPlayerStumble && steps++ < 200) m_player.Update(kStep);
    EXPECT_NEAR(float(steps) * kStep, 1.0f / 1.3f, 0.015f);
    // A slide lowers the box's top to 55: an obstacle meeting only the upper
    // part of the standing box passes over him.
    Obstacle& high = obstacles.m_ObstacleMap.at(PlaceObstacle(obstacles, 7, m_player.m_CellX + 80, 32, 10));
    for (int32_t* box : {high.m_Box, high.m_HitBox}) {
        box[1] = m_player.m_CellY + 40;
        box[3] = m_player.m_CellY + 50;
    }
    m_player.Slide();
    for (int i = 0; i < 30; ++i) m_player.Update(kStep);
    EXPECT_FALSE(high.m_Hit);
    EXPECT_GT(m_player.m_CellX + kPlayerBoxLeft, high.m_Box[2]);
}

// A punch breaks what he meets within 1 / 4.6 s (about 0.22 s) of it: 21
// steps of 0.01 s after the punch, not 22.
TEST_F(PlayerMotionTest, APunchReachesAboutAFifthOfASecondAhead)
{
    VokeTest::TestRow row(200, 0);
    ObstacleManager obstacles;
    obstacles.SetOwner(&m_game);
    m_player.SetObstacleManager(&obstacles);
    // Steps from the start until he meets the obstacle (broken or hit),
    // punching before step `punchAt` (none when negative).
    auto meet = [&](int punchAt) {
        obstacles.m_ObstacleMap.clear();
        Stand(row, -1600.0f, 400.0f);
        m_player.SetMaxSpeed(400.0f);
        Obstacle& o = obstacles.m_ObstacleMap.at(PlaceObstacle(obstacles, 0, -1400, 32, 30));
        int steps = 0;
        while (!o.m_Broken && !o.m_Hit && steps < 200) {
            if (steps == punchAt) m_player.Punch();
            m_player.Update(kStep);
            ++steps;
        }
        return std::make_pair(steps, o.m_Broken);
    };
    const int contact = meet(-1).first;
    ASSERT_GT(contact, 30);
    ASSERT_LT(contact, 200);
    EXPECT_EQ(meet(contact - 21), std::make_pair(contact, true));
    EXPECT_EQ(meet(contact - 22), std::make_pair(contact, false));
}

TEST_F(PlayerMotionTest, TheExitSequence)
{
    VokeTest::TestRow row(200, 0);
    row.m_buildings.MarkReached(0);
    int32_t exitKey = -1;
    for (const auto& [key, b] : row.m_buildings.GetBuildings())
        if (b.reached) exitKey = key;
    ASSERT_GT(exitKey, 0);
    const Building& exit = row.At(exitKey);
    Stand(row, 0.0f, 0.0f);
    Place(float(exit.collisionLeft + 200), float(exit.collisionTop - 74 - 20));
    m_player.m_OnGround = 0;
    FlyUntilLanded(0);
    ASSERT_TRUE(m_player.IsOnSpecialBuilding());
    EXPECT_EQ(m_player.GetSpecialLandingX(), exit.collisionLeft + 200);
    // Nothing more he can do there.
    m_player.Jump();
    m_player.Punch();
    m_player.Slide();
    EXPECT_EQ(m_player.m_State, kPlayerRun);
    EXPECT_FALSE(m_player.m_JumpRequested);
    // A second on the exit roof starts nothing; the second phase starts once
    // he is in the air, and only once.
    for (int i = 0; i < 120; ++i) m_player.Update(kStep);
    EXPECT_FALSE(m_player.IsInExitPhase());
    // Past the exit roof (the final building here has no pieces, so no
    // roof): the step after the one that finds him in the air starts it.
    Place(float(exit.collisionRight + 10), m_player.m_PosY);
    m_player.Update(kStep);
    EXPECT_FALSE(m_player.IsInExitPhase());
    const float startX = m_player.m_PosX, startY = m_player.m_PosY;
    m_player.Update(kStep);
    ASSERT_TRUE(m_player.IsInExitPhase());
    float x = 0.0f, y = 0.0f;
    m_player.GetExitStart(&x, nullptr);
    m_player.GetExitStart(nullptr, &y);
    EXPECT_EQ(x, startX);
    EXPECT_EQ(y, startY);
    m_player.Update(kStep);
    m_player.GetExitStart(&x, nullptr);
    EXPECT_EQ(x, startX);
    // A reset clears it all.
    m_player.Reset(2);
    EXPECT_FALSE(m_player.IsOnSpecialBuilding() || m_player.IsInExitPhase() || m_player.IsDying());
    EXPECT_EQ(m_player.GetSpecialLandingX(), -1);
    EXPECT_EQ(m_player.m_PosX, -480.0f);
}

// Actions from every state, on a roof, with and without BlockAnimations:
// 'J' the jump is queued for the next update, 'S' the slide starts, 'P' the
// punch starts, '-' refused. A state's row lists jump, slide, punch.
TEST_F(PlayerMotionTest, ActionsFromEveryState)
{
    const char* const free[kPlayerStateCount] = {"JSP", "JSP", "JS-", "JSP", "JSP", "J-P", "J-P", "---", "JSP"};
    const char* const blocked[kPlayerStateCount] = {"JSP", "J--", "J--", "J--", "J-P", "J--", "J--", "---", "J--"};
    VokeTest::TestRow row(200, 0);
    for (bool block : {false, true}) {
        m_player.m_BlockAnimations = block;
        for (int32_t state = 0; state < kPlayerStateCount; ++state) {
            for (int action = 0; action < 3; ++action) {
                Stand(row, 100.0f, 0.0f);
                m_player.SetState(state);
                if (state == kPlayerDeath) m_player.m_Dying = 1;
                m_player.m_PunchTime = 2.0f;
                const char want = (block ? blocked : free)[state][action];
                if (action == 0) {
                    m_player.Jump();
                    EXPECT_EQ(m_player.m_JumpRequested != 0, want == 'J') << block << " " << state;
                    EXPECT_EQ(m_player.m_State, state);
                    if (want == 'J') {
                        m_player.Update(kStep);
                        EXPECT_EQ(m_player.m_State, kPlayerJump);
                        EXPECT_TRUE(m_player.m_Rising);
                    }
                } else if (action == 1) {
                    const int32_t slides = m_game.m_Slides;
                    m_player.Slide();
                    EXPECT_EQ(m_player.m_State == kPlayerSlide && m_game.m_Slides == slides + 1, want == 'S')
                        << block << " " << state;
                } else {
                    m_player.Punch();
                    EXPECT_EQ(m_player.m_State == kPlayerPunch && m_player.m_PunchTime == 0.0f, want == 'P')
                        << block << " " << state;
                }
                m_player.m_Dying = 0;
            }
        }
    }
    // In the air: no slide; a punch may start there.
    m_player.m_BlockAnimations = false;
    Stand(row, 100.0f, 0.0f);
    m_player.Jump();
    m_player.Update(kStep);
    m_player.Slide();
    EXPECT_EQ(m_player.m_State, kPlayerJump);
    m_player.Punch();
    EXPECT_EQ(m_player.m_State, kPlayerPunch);
    // Unknown states have no frames.
    m_player.SetState(12);
    m_player.Update(kStep);
    EXPECT_EQ(m_player.m_FrameCount, 0);
    EXPECT_EQ(m_player.m_Frame, 0);
}

TEST_F(PlayerMotionTest, SlideUnderAPieceHoldsUntilTheWayIsFreeThenGetsUp)
{
    VokeTest::TestRow pieces(100, 0, true);
    const Building& b = pieces.At(3);
    ASSERT_TRUE(b.hasSecondCollision);
    Stand(pieces, 0.0f, 0.0f);
    Place(float(b.secondLeft - kPlayerBoxRight - 30), float(b.collisionTop - 74));
    m_player.SetMinSpeed(100.0f);
    m_player.SetSpeed(100.0f);
    m_player.Update(kStep);
    m_player.Slide();
    EXPECT_EQ(m_game.m_Slides, 1);
    // The slide would end after 1.5 / 3.5 s; under the 40 px piece it is
    // held in its last frame until the standing box is free.
    bool held = false;
    while (m_player.m_State == kPlayerSlide && !m_player.IsDying()) {
        if (m_player.m_Phase == 1.5f && m_player.IsBlockedAbove()) {
            held = true;
            EXPECT_EQ(m_player.m_Frame, 7);
            m_player.Punch();  // refused under the piece
            m_player.Jump();
            EXPECT_EQ(m_player.m_State, kPlayerSlide);
            EXPECT_FALSE(m_player.m_JumpRequested);
        }
        m_player.Update(kStep);
    }
    EXPECT_TRUE(held);
    EXPECT_FALSE(m_player.IsDying());
    EXPECT_EQ(m_player.m_State, kPlayerGetUp);
    EXPECT_GT(m_player.m_CellX + kPlayerBoxLeft, b.secondRight);
    int steps = 0;
    while (m_player.m_State == kPlayerGetUp && steps++ < 100) m_player.Update(kStep);
    EXPECT_EQ(m_player.m_State, kPlayerRun);
    EXPECT_FALSE(m_player.IsDying());
}

TEST_F(PlayerMotionTest, DustPuffsFromAJump)
{
    VokeTest::TestRow row(200, 0);
    Stand(row, 0.0f, 300.0f);
    m_player.SetDrawOffset(10, 192);
    // A jump from the roof throws the first pair of puffs at once, at his
    // feet; the end of the rise stops the emission.
    m_player.Jump();
    m_player.Update(kStep);
    int alive = 0;
    for (const DustParticle& puff : m_player.m_Dust) {
        if (puff.life <= 0.0f) continue;
        ++alive;
        EXPECT_NEAR(puff.x, 10 + 41, 3.0f + 300.0f * 1.25f * kStep);
        EXPECT_NEAR(puff.y, 192 + 73, 3.1f);
        EXPECT_LE(puff.vx, -0.25f * 300.0f + 1.0f);
    }
    EXPECT_EQ(alive, 2);
    for (int i = 0; i < 60; ++i) m_player.Update(kStep);
    EXPECT_LT(m_player.m_DustEmitTime, 0.0f);
    for (int i = 0; i < 20; ++i) m_player.Update(kStep);
    for (const DustParticle& puff : m_player.m_Dust) EXPECT_LE(puff.life, 0.0f);
    // All 15 slots alive: more are dropped.
    for (int i = 0; i < 20; ++i) m_player.EmitDust();
    alive = 0;
    for (const DustParticle& puff : m_player.m_Dust) alive += puff.life > 0.0f;
    EXPECT_EQ(alive, kDustParticles);
}

}  // namespace
