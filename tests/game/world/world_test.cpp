// The running level with the shipped content, headless: whole levels played
// by the automatic player to their end, a runner left alone until he is
// caught, the clock, the exit, the speed rule, sound cues and weather,
// pause and the touch zones, keys, loading and release.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

#include "engine/audio/mixer.h"
#include "engine/core/key_codes.h"
#include "engine/text/screen_text.h"
#include "game/world/game_world.h"
#include "tests/game/support/autoplayer.h"
#include "tests/game/world/shipped_world.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

class World : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_shipped = new VokeTest::ShippedWorld;
        std::string error;
        if (!s_shipped->Load(error)) s_error = error.empty() ? "loading failed" : error;
    }
    static void TearDownTestSuite()
    {
        delete s_shipped;
        s_shipped = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_error.empty()) << s_error;
        game().m_SoundOn = false;  // nothing drains the mixer here
        game().m_SwapControls = false;
        game().m_Endless = false;
    }
    void TearDown() override
    {
        world().StopMusic();
        world().PrepareLevel();
    }

    static GameBase& game() { return s_shipped->game; }
    static GameWorld& world() { return *s_shipped->world; }
    static Player& runner() { return s_shipped->world->GetPlayer(); }

    // One frame as the game runs it: the step, then the render pass (which
    // has nothing to draw into here).
    static void Frame(float dt = kFrame)
    {
        world().Update(dt);
        world().Render(nullptr);
    }
    // A started level's first frames, until the pause button works.
    static void Settle()
    {
        for (int i = 0; i < 3; ++i) Frame();
    }
    static Voke::Mixer& mixer() { return *Voke::AbstractApp::s_mixer; }
    static bool MusicPaused()
    {
        Voke::SmartPtr<Voke::AudioChannel> channel = world().GetMusicChannel().Lock();
        return channel && channel->IsPaused();
    }

    static VokeTest::ShippedWorld* s_shipped;
    static std::string s_error;
};

VokeTest::ShippedWorld* World::s_shipped = nullptr;
std::string World::s_error;

using WorldLevels = World;
using WorldInput = World;
using WorldRules = World;

TEST_F(WorldLevels, EveryLevelRunsFromItsStartToItsEnd)
{
    for (int32_t level = 0; level < GameWorld::kLevels; ++level) {
        SCOPED_TRACE(level);
        s_shipped->Start(level, 9000u + uint32_t(level));
        world().StartMusic();
        ASSERT_TRUE(mixer().IsPlaying(world().GetMusicChannel()));
        const LevelParams& params = world().GetLevelParams(level);
        const int32_t start = params.hour * 3600 + params.minute * 60 + params.second;
        EXPECT_EQ(world().GetClock(), start);

        VokeTest::AutoPlayer policy;
        const std::clock_t cpu = std::clock();
        float exitAt = -1.0f;
        bool clockRight = true;
        int frames = 0;
        // NOTE: a level's playing time is at most 120 s; the exit run and the
        // flight (or the credits) take well under a minute more.
        while (world().GetState() == WorldState::Running && frames < 200 * 60) {
            policy.Act(runner(), world().GetBuildings(level), world().GetObstacles(level), kFrame);
            Frame();
            ++frames;
            if (exitAt < 0.0f && world().IsExitPlaced()) exitAt = world().GetElapsed();
            // 120 game seconds per second of play, from the start hour.
            const int32_t expected = int32_t(double(world().GetElapsed()) * 120.0) + start;
            if (!runner().IsDying() && world().GetClock() != expected) clockRight = false;
        }
        const double seconds = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        std::printf("level %d: ended after %.1f s of play, exit placed at %.2f s, %.1f s CPU\n", level,
                    double(world().GetElapsed()), double(exitAt), seconds);

        EXPECT_EQ(world().GetState(), WorldState::EndReached) << "at x " << runner().m_PosX;
        EXPECT_TRUE(clockRight);
        EXPECT_EQ(game().m_LevelTime, world().GetClock() - start);
        // The exit comes with the first ground under him after the playing time.
        EXPECT_GT(exitAt, params.TimeOfPlayingInSeconds);
        EXPECT_LT(exitAt, params.TimeOfPlayingInSeconds + 2.0f);
        if (level < GameWorld::kLevels - 1) {
            EXPECT_FALSE(world().IsEndingStarted());
            EXPECT_TRUE(mixer().IsPlaying(world().GetMusicChannel())) << "the music plays on into the next level";
            EXPECT_EQ(game().m_Completed, 0);
        } else {
            // The ending: music off, the runner gone, the credits played out.
            EXPECT_TRUE(world().IsEndingStarted());
            EXPECT_TRUE(world().IsRunnerGone());
            EXPECT_FALSE(mixer().IsPlaying(world().GetMusicChannel()));
            EXPECT_EQ(game().m_Completed, 1);
            EXPECT_GE(world().EndingTimer, 4.0f);
            EXPECT_FALSE(world().GetScriptPlayer().IsActive()) << "stopped once finished";
        }
        // The end freezes the scene until the controller moves on.
        const float elapsed = world().GetElapsed();
        Frame();
        EXPECT_EQ(world().GetElapsed(), elapsed);
    }
}

TEST_F(WorldLevels, ARunnerLeftAloneIsCaughtAndTheClockStopsAsHeDies)
{
    s_shipped->Start(0, 77u);
    int32_t clockAtDeath = -1;
    int frames = 0;
    while (world().GetState() == WorldState::Running && frames < 60 * 60) {
        Frame();
        ++frames;
        if (clockAtDeath < 0 && runner().IsDying()) clockAtDeath = world().GetClock();
    }
    ASSERT_EQ(world().GetState(), WorldState::Caught);
    EXPECT_GT(clockAtDeath, 23 * 3600);
    EXPECT_EQ(world().GetClock(), clockAtDeath);
    EXPECT_FALSE(world().IsExitPlaced());
    // Nothing moves until the controller acts on it.
    const float x = runner().m_PosX;
    Frame();
    EXPECT_EQ(runner().m_PosX, x);
    EXPECT_EQ(world().GetState(), WorldState::Caught);
    // A prepared world reports no level.
    world().PrepareLevel();
    EXPECT_EQ(world().GetState(), WorldState::Inactive);
    Frame();
    EXPECT_EQ(world().GetState(), WorldState::Inactive);
}

TEST_F(WorldLevels, TheCurrentLevelsMembersFollowEveryStartAndPrepare)
{
    for (int32_t level = 0; level < GameWorld::kLevels; ++level) {
        s_shipped->Start(level, 3u);
        EXPECT_EQ(world().m_Background, &world().m_Backgrounds[level]) << "level " << level;
        EXPECT_EQ(world().m_CurrentBuildings, &world().m_Buildings[level]) << "level " << level;
        EXPECT_EQ(world().m_CurrentDecorations, &world().m_Decorations[level]) << "level " << level;
        EXPECT_EQ(world().m_CurrentObstacles, &world().m_Obstacles[level]) << "level " << level;
        world().PrepareLevel();
        EXPECT_EQ(world().m_Background, nullptr);
        EXPECT_EQ(world().m_CurrentBuildings, nullptr);
        EXPECT_EQ(world().m_CurrentDecorations, nullptr);
        EXPECT_EQ(world().m_CurrentObstacles, nullptr);
    }
}

TEST_F(WorldLevels, TheFirstStartShowsTheTutorialAndOneSecondIsTwoMinutesOnTheClock)
{
    s_shipped->Start(0, 5u);
    game().m_TutorialShown = false;
    world().StartLevel(0);
    EXPECT_TRUE(game().m_TutorialShown);
    EXPECT_TRUE(world().IsPaused());
    EXPECT_TRUE(world().GetOverlay().IsActive());
    EXPECT_EQ(world().GetOverlay().GetMode(), TutorialOverlay::kTutorial);
    Frame();
    EXPECT_EQ(world().GetFrameCount(), 0) << "the world waits under the tutorial";

    // Any touch closes it and the game goes on; its release does nothing.
    world().OnTouch({{100, 100}});
    EXPECT_FALSE(world().IsPaused());
    EXPECT_FALSE(world().GetOverlay().IsActive());
    world().OnPointerUp({{100, 100}});

    for (int i = 0; i < 16; ++i) Frame(0.0625f);  // exactly one second in floats
    EXPECT_EQ(world().GetClock(), 23 * 3600 + 2 * 60);  // 23:02:00
    EXPECT_EQ(game().m_LevelTime, 120);
}

TEST_F(WorldInput, TouchZonesSlideJumpAndPunch)
{
    s_shipped->Start(0, 11u);
    // Before the third frame the pause button's rectangle is an ordinary
    // control: the left half punches.
    Frame();
    world().OnTouch({{200, 10}});
    EXPECT_FALSE(world().IsPaused());
    EXPECT_EQ(runner().m_State, kPlayerPunch);

    auto fresh = [] {
        s_shipped->Start(0, 11u);
        Settle();
    };
    // The slide band's top row slides; one row higher the halves act.
    fresh();
    world().OnTouch({{100, 320 - world().iPhoneSlideButtonHeight}});
    EXPECT_EQ(runner().m_State, kPlayerSlide);
    fresh();
    world().OnTouch({{100, 320 - world().iPhoneSlideButtonHeight - 1}});
    EXPECT_EQ(runner().m_State, kPlayerPunch);
    fresh();
    world().OnTouch({{300, 200}});
    EXPECT_TRUE(runner().m_JumpRequested);
    EXPECT_NE(runner().m_State, kPlayerPunch);

    // Swapped halves.
    game().m_SwapControls = true;
    fresh();
    world().OnTouch({{100, 200}});
    EXPECT_TRUE(runner().m_JumpRequested);
    EXPECT_NE(runner().m_State, kPlayerPunch);
    fresh();
    world().OnTouch({{300, 200}});
    EXPECT_EQ(runner().m_State, kPlayerPunch);
    game().m_SwapControls = false;

    // Two points in one list both act, in order.
    fresh();
    world().OnTouch({{100, 200}, {300, 200}});
    EXPECT_EQ(runner().m_State, kPlayerPunch);
    EXPECT_TRUE(runner().m_JumpRequested);
}

TEST_F(WorldInput, PauseFreezesTheLevelAndTheMusicAndATouchResumes)
{
    s_shipped->Start(1, 12u);
    world().StartMusic();
    Settle();
    EXPECT_FALSE(MusicPaused());

    world().OnTouch({{240 + 59, 39}});
    ASSERT_TRUE(world().IsPaused());
    EXPECT_TRUE(world().GetOverlay().IsActive());
    EXPECT_EQ(world().GetOverlay().GetMode(), TutorialOverlay::kPause);
    const float elapsed = world().GetElapsed();
    const float x = runner().m_PosX;
    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_TRUE(MusicPaused());
    EXPECT_EQ(world().GetElapsed(), elapsed);
    EXPECT_EQ(runner().m_PosX, x);
    EXPECT_FALSE(runner().m_JumpRequested);

    // A touch away from the menu button closes the menu; neither it nor its
    // release makes the runner act, and touches wait for that release.
    world().OnTouch({{400, 300}});
    EXPECT_FALSE(world().IsPaused());
    EXPECT_EQ(world().GetState(), WorldState::Running);
    world().OnTouch({{400, 200}});
    EXPECT_FALSE(runner().m_JumpRequested);
    world().OnPointerUp({{400, 300}});
    Frame();
    EXPECT_FALSE(MusicPaused());
    EXPECT_GT(world().GetElapsed(), elapsed);
    world().OnTouch({{400, 200}});
    EXPECT_TRUE(runner().m_JumpRequested);

    // Just outside the rectangle is a control again.
    world().OnTouch({{240 + 60, 20}});
    EXPECT_FALSE(world().IsPaused());
    world().OnTouch({{240, 40}});
    EXPECT_FALSE(world().IsPaused());
}

TEST_F(WorldInput, ThePauseMenusButtonStopsTheMusicAndLeavesForTheMenu)
{
    s_shipped->Start(2, 13u);
    world().StartMusic();
    Settle();
    world().Pause();
    TutorialOverlay& overlay = world().GetOverlay();
    // The button lies in window pixels; touches are logical.
    const int32_t x = int32_t(float(overlay.GetButtonX() + 4) * game().m_PointerScaleX) + 1;
    const int32_t y = int32_t(float(overlay.GetButtonY() + 4) * game().m_PointerScaleY) + 1;
    world().OnTouch({{x, y}});
    EXPECT_EQ(overlay.GetTouchResult(), TutorialOverlay::kPause);
    EXPECT_EQ(world().GetState(), WorldState::QuitToMenu);
    EXPECT_FALSE(mixer().IsPlaying(world().GetMusicChannel()));
}

TEST_F(WorldInput, KeysPauseQuitResumeAndControlTheRunner)
{
    using namespace Voke;
    s_shipped->Start(0, 14u);
    Settle();
    world().OnKey(KEY_UP);
    EXPECT_TRUE(runner().m_JumpRequested);
    world().OnKeyUp(KEY_UP);
    EXPECT_FALSE(runner().m_JumpHeld);
    s_shipped->Start(0, 14u);
    Settle();
    world().OnKey(KEY_SPACE);
    EXPECT_EQ(runner().m_State, kPlayerPunch);
    s_shipped->Start(0, 14u);
    Settle();
    world().OnKey(KEY_DOWN);
    EXPECT_EQ(runner().m_State, kPlayerSlide);

    world().OnKey(KEY_BACK);
    ASSERT_TRUE(world().IsPaused());
    world().OnKey(KEY_PSP_L);
    world().OnKey(KEY_PSP_R);
    EXPECT_TRUE(world().IsPaused()) << "the shoulder keys do not close the pause menu";
    world().OnKey(KEY_UP);
    EXPECT_FALSE(world().IsPaused());
    EXPECT_FALSE(world().GetOverlay().IsActive());
    EXPECT_FALSE(runner().m_JumpRequested) << "the key that resumed does not jump";

    world().OnKey(KEY_ESCAPE);
    ASSERT_TRUE(world().IsPaused());
    world().OnKey(KEY_ESCAPE);
    EXPECT_EQ(world().GetState(), WorldState::QuitToMenu);
    EXPECT_FALSE(world().IsPaused());
}

TEST_F(WorldRules, TheHighestRangeReachedSetsTheAccelerationAndEndlessRunsNeverEnd)
{
    s_shipped->Start(0, 15u);
    LevelParams saved = world().m_LevelParams[0];
    LevelParams& params = world().m_LevelParams[0];
    params.rangeCount = 3;
    params.ranges[0] = {0.0f, 0.0f, 11.0f};
    params.ranges[1] = {400.0f, 0.0f, 22.0f};
    params.ranges[2] = {420.0f, 0.0f, 33.0f};
    Settle();
    auto accelerationAt = [](float speed) {
        runner().m_Speed = speed;
        Frame();
        return runner().GetAcceleration();
    };
    EXPECT_EQ(accelerationAt(399.0f), 11.0f);
    EXPECT_EQ(accelerationAt(400.0f), 22.0f);
    EXPECT_EQ(accelerationAt(440.0f), 33.0f);
    // Unsorted: the highest-numbered range that qualifies wins.
    params.ranges[2] = {0.0f, 0.0f, 44.0f};
    EXPECT_EQ(accelerationAt(440.0f), 44.0f);

    // Endless: the last range is left out, and the exit never comes.
    game().m_Endless = true;
    params.TimeOfPlayingInSeconds = 1.0f;
    s_shipped->game.m_Endless = true;
    world().StartLevel(0);
    Settle();
    EXPECT_EQ(accelerationAt(440.0f), 22.0f);
    VokeTest::AutoPlayer policy;
    for (int i = 0; i < 5 * 60 && world().GetState() == WorldState::Running; ++i) {
        policy.Act(runner(), world().GetBuildings(0), world().GetObstacles(0), kFrame);
        Frame();
    }
    EXPECT_FALSE(world().IsExitPlaced());
    EXPECT_GT(world().GetClock(), 23 * 3600 + 5 * 60 * 2 - 10);
    world().m_LevelParams[0] = saved;
}

TEST_F(WorldRules, SoundCuesRepeatByLevelAndTheFirstLevelHasItsStorm)
{
    s_shipped->Start(2, 16u);
    Frame();
    EXPECT_FALSE(world().m_CueRepeatPlayed) << "no cue on the first frame";
    Frame();
    EXPECT_TRUE(world().m_CueRepeatPlayed);
    EXPECT_EQ(world().SoundCueTimer, 0.0f);
    world().SoundCueTimer = 25.0f;
    world().UpdateSoundCues(0.0f);
    EXPECT_EQ(world().SoundCueTimer, 25.0f) << "due only after more than 25 s";
    world().UpdateSoundCues(0.001f);
    EXPECT_EQ(world().SoundCueTimer, 0.0f);

    // The last level's cue waits for the fireworks.
    s_shipped->Start(5, 16u);
    Frame();
    Frame();
    EXPECT_FALSE(world().m_CueRepeatPlayed);

    // The first level: rain from second 0, thunder early in second 5, the
    // rain stopped with thunder in seconds 10 to 12.
    s_shipped->Start(0, 16u);
    world().m_Elapsed = 0.5f;
    world().UpdateWeather();
    EXPECT_TRUE(world().m_Weather.IsActive());
    world().m_Elapsed = 5.6f;
    world().UpdateWeather();
    EXPECT_FALSE(world().m_Thunder.IsActive());
    world().m_Elapsed = 5.3f;
    world().UpdateWeather();
    EXPECT_TRUE(world().m_Thunder.IsActive());
    world().m_Thunder.Reset();
    world().m_Elapsed = 10.2f;
    world().UpdateWeather();
    EXPECT_FALSE(world().m_Weather.IsActive());
    EXPECT_TRUE(world().m_Thunder.IsActive());
}

TEST_F(WorldRules, TheLevelEndsOnceTheNextPictureHasCrossedTheScreen)
{
    s_shipped->Start(1, 17u);
    Settle();
    const int32_t w = world().FlyingPicture[1].GetWidth();
    ASSERT_GT(w, 0);
    // An exit run of the picture's width and a screen: just covered.
    runner().m_ExitPhase = 1;
    runner().m_ExitStartX = 1000.0f;
    runner().m_CellX = 1000 + w + 480;
    runner().m_PosX = float(runner().m_CellX);
    world().Render(nullptr);
    EXPECT_FALSE(world().m_EndReached);
    runner().m_PosX = float(++runner().m_CellX);
    world().Render(nullptr);
    EXPECT_TRUE(world().m_EndReached);
    EXPECT_EQ(world().GetState(), WorldState::Running);
    world().Update(kFrame);
    EXPECT_EQ(world().GetState(), WorldState::EndReached);
}

TEST_F(World, LoadingStepsAndReleaseKeepOneMusicSourceAndStopTheMusic)
{
    const Voke::AudioSource* music = world().GetMusicSource();
    ASSERT_NE(music, nullptr);
    world().LoadStep(36);
    EXPECT_EQ(world().GetMusicSource(), music) << "the dictionary's source again, not a second one";
    world().m_EndingStarted = world().m_RunnerGone = true;
    world().EndingTimer = 3.0f;
    world().LoadStep(40);
    EXPECT_FALSE(world().IsEndingStarted());
    EXPECT_FALSE(world().IsRunnerGone());
    EXPECT_EQ(world().EndingTimer, 0.0f);
    ASSERT_NE(world().PauseText, nullptr);
    EXPECT_GT(world().PauseText->width, 0);
    EXPECT_NE(world().PauseButtonImage, nullptr);

    // Starting the music again replaces the channel rather than adding one.
    world().StartMusic();
    const int channels = mixer().GetChannelCount();
    world().StartMusic();
    EXPECT_EQ(mixer().GetChannelCount(), channels);
    ASSERT_TRUE(mixer().IsPlaying(world().GetMusicChannel()));
    const Voke::WeakPtr<Voke::AudioChannel> channel = world().GetMusicChannel();

    // Release stops it; a released world loads again.
    world().Release();
    EXPECT_FALSE(mixer().IsPlaying(channel));
    EXPECT_EQ(world().GetMusicSource(), nullptr);
    for (int step = 0; step < GameWorld::kLoadSteps; ++step) world().LoadStep(step);
    EXPECT_NE(world().GetMusicSource(), nullptr);
}

}  // namespace
