// Whole levels played by the automatic player for a minute each, headless:
// the runner, the building row and the obstacles together, with the tuning
// the game ships (its data files when the content folder has them, else the
// built-in defaults).
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "engine/core/vfs.h"
#include "game/core/game_base.h"
#include "tests/game/support/autoplayer.h"
#include "tests/game/support/level_run.h"
#include "tests/game/world/runner_test_data.h"

namespace {

constexpr float kStep = 0.01f;
constexpr int kSteps = 6000;  // 60 game seconds at 100 steps per second
constexpr uint32_t kSeed = 7031u;

class AutoplayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.IsMounted());
        ASSERT_TRUE(m_data.WriteBuildingPieces());
        ASSERT_TRUE(m_data.WriteObstacles());
        // The shipped tuning files, when there are any, in front of the
        // fixture images.
        const std::string shipped = VEXBOLT_CONTENT_DATA_DIR;
        if (std::filesystem::is_directory(shipped)) {
            ASSERT_NE(Voke::Vfs::MountDirectory(shipped + "/", "", Voke::VfsMount::FallThrough), nullptr);
        }
        m_game.m_ScreenWidth = 480;
        m_game.m_ScreenHeight = 320;
    }

    VokeTest::RunnerData m_data;
    GameBase m_game;
};

TEST_F(AutoplayerTest, SurvivesAMinuteOnEveryLevel)
{
    for (int32_t level = 0; level < 6; ++level) {
        SCOPED_TRACE(level);
        m_game.InitRandom(kSeed + uint32_t(level));
        m_game.m_ObstaclesDestroyed = m_game.m_Jumps = m_game.m_Score = 0;
        m_game.m_Multiplier = 1;
        VokeTest::LevelRun run(m_game);
        run.Load(level);
        run.Start();
        VokeTest::AutoPlayer policy;
        Player& runner = run.GetPlayer();

        const std::clock_t start = std::clock();
        int step = 0;
        int stumbles = 0;
        for (; step < kSteps && !runner.IsDying(); ++step) {
            policy.Act(runner, run.GetBuildings(), run.GetObstacles(), kStep);
            const int32_t before = runner.m_State;
            run.Step(kStep);
            stumbles += runner.m_State == kPlayerStumble && before != kPlayerStumble;
        }
        const double cpu = double(std::clock() - start) / CLOCKS_PER_SEC;
        EXPECT_FALSE(runner.IsDying()) << "crashed at step " << step << ", x " << runner.m_PosX;
        // He kept his pace, crossed gaps and broke what stood in his way.
        EXPECT_GT(runner.m_PosX, 60.0f * run.GetParams().PlayerMinHorizontalSpeed);
        EXPECT_GT(m_game.m_Jumps, 20);
        EXPECT_GT(m_game.m_ObstaclesDestroyed, 2);
        EXPECT_EQ(stumbles, 0);
        std::printf("level %d: x %.0f, %d jumps (%d somersaults), %d obstacles broken, %d slides, score %d, "
                    "%.3f s CPU\n",
                    level, double(runner.m_PosX), m_game.m_Jumps, policy.m_Somersaults, m_game.m_ObstaclesDestroyed,
                    policy.m_Slides, m_game.m_Score, cpu);
    }
}

TEST_F(AutoplayerTest, WithoutInputTheRunnerIsCaught)
{
    for (int32_t level : {0, 5}) {
        SCOPED_TRACE(level);
        m_game.InitRandom(kSeed);
        VokeTest::LevelRun run(m_game);
        run.Load(level);
        run.Start();
        const Building first = run.GetBuildings().GetBuildings().at(0);
        Player& runner = run.GetPlayer();
        int step = 0;
        for (; step < kSteps && !runner.IsDeadAnimationDone(); ++step) run.Step(kStep);
        EXPECT_TRUE(runner.IsDeadAnimationDone());
        // He ran off the first roof and into the side of the next building.
        float x = 0.0f, y = 0.0f;
        runner.GetPosition(&x, &y);
        EXPECT_GT(x + kPlayerBoxLeft, float(first.collisionRight));
        EXPECT_GT(y + kPlayerBoxBottom, float(first.collisionTop));
        EXPECT_EQ(runner.m_State, kPlayerDeath);
    }
}

}  // namespace
