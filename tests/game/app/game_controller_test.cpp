// The game controller with the real world and the built archives, driven
// through its own input from the main menu: a normal run to its fourth
// catch, the restart and back choices of the game-over dialog, an endless
// run, leaving a run through the pause menu, losing the focus, and the last
// level played to its end by the automatic player.
#include <cstring>

#include "engine/core/key_codes.h"
#include "engine/core/registry.h"
#include "game/app/run_records.h"
#include "tests/game/app/game_harness.h"
#include "tests/game/support/autoplayer.h"

namespace {

using VokeTest::GameHarness;

class GameControllerTest : public GameHarness {
protected:
    void SetUp() override
    {
        GameHarness::SetUp();
        LoadGame(false);
        if (HasFatalFailure()) return;
        // Nothing drains the mixer here: no sounds pile up.
        m_game->m_SoundOn = false;
        Key(Voke::KEY_SELECT);  // ends the menu's intro
        ASSERT_FALSE(menu().IsIntroActive());
    }

    MainMenu& menu() { return m_game->GetMainMenu(); }
    GameWorld& world() { return m_game->GetWorld(); }
    GameOverDialog& dialog() { return m_game->GetGameOverDialog(); }

    // The run button is focused whenever the menu opens.
    void StartRunFromMenu()
    {
        ASSERT_TRUE(menu().IsActive());
        Key(Voke::KEY_SELECT);
        ASSERT_FALSE(menu().IsActive());
        Step();
        ASSERT_EQ(m_game->GetScreen(), GameScreen::InGame);
    }
    // A run from the level menu's button of `level` (the focus starts on
    // the run button), past the tutorial.
    void StartRunAtLevel(int32_t level)
    {
        menu().m_LevelSelect = true;
        for (int32_t press = level; press < 7; ++press) Key(Voke::KEY_LEFT);
        ASSERT_EQ(menu().GetFocus(), level);
        Key(Voke::KEY_SELECT);
        Step();
        ASSERT_EQ(m_game->GetLevel(), level);
        CloseTutorial();
    }
    // Closes the tutorial that the first level of a run opens.
    void CloseTutorial()
    {
        ASSERT_TRUE(world().IsPaused());
        Tap(240, 160);
        ASSERT_FALSE(world().IsPaused());
    }
    // Steps with nobody at the controls until the screen is `screen`,
    // counting the retries passed on the way; at most `seconds` of play.
    int RunUntil(GameScreen screen, float seconds = 600.0f)
    {
        int retries = 0;
        for (float t = 0.0f; t < seconds && m_game->GetScreen() != screen; t += kStep) {
            Step();
            if (m_game->GetScreen() == GameScreen::Retry) {
                ++retries;
                m_livesAtRetry.push_back(m_game->m_Lives);
                m_savedAtRetry = m_savedAtRetry || VokeTest::Exists(SaveFile("config.xml"));
            }
        }
        return retries;
    }
    // A key held over one update: the dialog reads its buttons in the update
    // and a key's release clears them.
    void HoldKey(int32_t key)
    {
        m_game->OnKeyDown(key);
        Step();
        m_game->OnKeyUp(key);
    }
    // The automatic player at the controls while the level `level` runs (its
    // retries included, each with a fresh plan), at most `seconds` of play.
    void PlayLevel(int32_t level, float seconds)
    {
        VokeTest::AutoPlayer policy;
        for (float t = 0.0f; t < seconds && m_game->GetLevel() == level; t += kStep) {
            if (m_game->GetScreen() == GameScreen::GameOver) return;
            if (m_game->GetScreen() == GameScreen::Retry) policy = VokeTest::AutoPlayer();
            policy.Act(world().GetPlayer(), world().GetBuildings(level), world().GetObstacles(level), kStep);
            Step();
        }
    }
    int ScoreEntries()
    {
        int entries = 0;
        for (int32_t k = 0; k < kScoreRecords; ++k) {
            const ScoreRecord& r = menu().GetScoresPage().GetRecord(k);
            if (r.distance != 0 || r.points != 0 || r.completed != 0) ++entries;
        }
        return entries;
    }

    std::vector<int32_t> m_livesAtRetry;
    // Whether a score file existed at any retry.
    bool m_savedAtRetry = false;
};

TEST_F(GameControllerTest, NormalRunEndsAtTheFourthCatchWithOneScoreAndOneSave)
{
    StartRunFromMenu();
    EXPECT_EQ(m_game->GetLevel(), 0);
    EXPECT_EQ(m_game->m_Lives, 3);
    EXPECT_FALSE(m_game->m_FromLevelMenu);
    CloseTutorial();

    EXPECT_EQ(RunUntil(GameScreen::GameOver), 3);
    ASSERT_EQ(m_game->GetScreen(), GameScreen::GameOver);
    EXPECT_EQ(m_livesAtRetry, (std::vector<int32_t>{2, 1, 0}));
    EXPECT_FALSE(m_savedAtRetry) << "retries save nothing";
    EXPECT_EQ(m_game->m_Lives, 0);
    EXPECT_EQ(m_game->GetLevel(), 0);
    EXPECT_TRUE(dialog().IsActive());
    EXPECT_FALSE(world().IsPaused()) << "a retried level shows no tutorial";

    // One entry, the run's: its distance is the four lives' together.
    EXPECT_EQ(ScoreEntries(), 1);
    const ScoreRecord& entry = menu().GetScoresPage().GetRecord(0);
    EXPECT_EQ(entry.distance, int32_t(m_game->m_RunDistance * 0.1f));
    EXPECT_GT(entry.distance, 0);
    EXPECT_EQ(entry.points, m_game->m_Score);
    EXPECT_EQ(entry.completed, 0);
    EXPECT_GT(m_game->m_RunTime, 0);

    // Saved once, at the end, with the table as the menu holds it.
    const std::string saved = VokeTest::ReadAll(SaveFile("config.xml"));
    ASSERT_EQ(saved.size(), size_t(kScoreTableBytes));
    uint8_t table[kScoreTableBytes];
    menu().GetScoresTable(table, kScoreTableBytes);
    EXPECT_EQ(std::memcmp(saved.data(), table, kScoreTableBytes), 0);
    EXPECT_TRUE(VokeTest::Exists(SaveFile("endless.xml")));

    // The dialog waits; the world is frozen beneath it.
    const float elapsed = world().GetElapsed();
    for (int i = 0; i < 60; ++i) Step();
    EXPECT_EQ(m_game->GetScreen(), GameScreen::GameOver);
    EXPECT_EQ(world().GetElapsed(), elapsed);
}

TEST_F(GameControllerTest, RestartStartsAFreshRunAtLevelZeroAndBackReturnsToTheMenu)
{
    // A run from the level menu: the restart still begins at level 0.
    menu().m_LevelSelect = true;
    Key(Voke::KEY_LEFT);
    Key(Voke::KEY_LEFT);
    Key(Voke::KEY_LEFT);
    Key(Voke::KEY_LEFT);
    Key(Voke::KEY_LEFT);
    ASSERT_EQ(menu().GetFocus(), 2);
    Key(Voke::KEY_SELECT);
    Step();
    ASSERT_EQ(m_game->GetScreen(), GameScreen::InGame);
    EXPECT_EQ(m_game->GetLevel(), 2);
    EXPECT_TRUE(m_game->m_FromLevelMenu);
    EXPECT_EQ(world().GetLevel(), 2);
    CloseTutorial();
    RunUntil(GameScreen::GameOver);
    ASSERT_EQ(m_game->GetScreen(), GameScreen::GameOver);
    EXPECT_EQ(m_game->GetLevel(), 2);

    // Restart is focused when the dialog opens.
    HoldKey(Voke::KEY_SELECT);
    EXPECT_EQ(m_game->GetScreen(), GameScreen::InGame);
    EXPECT_FALSE(dialog().IsActive());
    EXPECT_EQ(m_game->GetLevel(), 0);
    EXPECT_EQ(world().GetLevel(), 0);
    EXPECT_FALSE(m_game->m_FromLevelMenu);
    EXPECT_EQ(m_game->m_Lives, 3);
    EXPECT_EQ(m_game->m_RunTime, 0);
    EXPECT_EQ(m_game->m_RunDistance, 0.0f);
    EXPECT_EQ(m_game->m_Score, 0);
    EXPECT_FALSE(world().IsPaused()) << "the tutorial was shown in this session's run";

    m_livesAtRetry.clear();
    RunUntil(GameScreen::GameOver);
    ASSERT_EQ(m_game->GetScreen(), GameScreen::GameOver);
    EXPECT_EQ(m_livesAtRetry, (std::vector<int32_t>{2, 1, 0}));
    EXPECT_EQ(ScoreEntries(), 2);

    // Back to the menu: focus the other button first.
    Key(Voke::KEY_RIGHT);
    HoldKey(Voke::KEY_SELECT);
    EXPECT_EQ(m_game->GetScreen(), GameScreen::Menu);
    EXPECT_TRUE(menu().IsActive());
    EXPECT_FALSE(dialog().IsActive());
    EXPECT_EQ(m_game->GetLevel(), 0);
    EXPECT_EQ(menu().m_ChosenLevel, -1);

    // And a new run from there shows the tutorial again.
    StartRunFromMenu();
    EXPECT_TRUE(world().IsPaused());
}

TEST_F(GameControllerTest, EndlessRunEndsAtItsFirstCatchWithoutAScoreEntry)
{
    // As the endless page leaves the menu for its level.
    m_game->m_Endless = true;
    m_game->m_EndlessLevel = 1;
    menu().Deactivate();
    Step();
    ASSERT_EQ(m_game->GetScreen(), GameScreen::InGame);
    EXPECT_EQ(m_game->GetLevel(), 1);
    CloseTutorial();
    // Points on the way, so that the record has something to beat.
    int32_t* score = &m_game->m_Score;
    for (int i = 0; i < 30; ++i) Step();
    *score += 1234;

    EXPECT_EQ(RunUntil(GameScreen::GameOver), 0);
    ASSERT_EQ(m_game->GetScreen(), GameScreen::GameOver);
    EXPECT_EQ(m_game->m_Lives, 3) << "whatever the lives";
    EXPECT_EQ(ScoreEntries(), 0);

    // The level's best score, raised and saved before the dialog showed.
    int best = -1;
    ASSERT_TRUE(Voke::AbstractApp::s_registry->Get(EndlessRecordKey(1), best));
    EXPECT_EQ(best, m_game->m_Score);
    Voke::Registry saved;
    ASSERT_TRUE(saved.Load("save/endless.xml", false, ""));
    int savedBest = -1;
    ASSERT_TRUE(saved.Get(EndlessRecordKey(1), savedBest));
    EXPECT_EQ(savedBest, best);
    EXPECT_TRUE(VokeTest::Exists(SaveFile("config.xml")));

    // Restart keeps the endless level.
    HoldKey(Voke::KEY_SELECT);
    EXPECT_EQ(m_game->GetScreen(), GameScreen::InGame);
    EXPECT_EQ(m_game->GetLevel(), 1);
    EXPECT_EQ(m_game->m_Score, 0);
}

TEST_F(GameControllerTest, PauseMenuQuitReturnsToTheMenuWithoutSaving)
{
    StartRunFromMenu();
    CloseTutorial();
    for (int i = 0; i < 30; ++i) Step();
    Key(Voke::KEY_BACK);  // pauses
    ASSERT_TRUE(world().IsPaused());
    for (int i = 0; i < 10; ++i) Step();
    EXPECT_EQ(m_game->GetScreen(), GameScreen::InGame);
    Key(Voke::KEY_ESCAPE);  // the pause menu's way out
    Step();
    EXPECT_EQ(m_game->GetScreen(), GameScreen::Menu);
    EXPECT_TRUE(menu().IsActive());
    EXPECT_FALSE(VokeTest::Exists(SaveFile("config.xml")));
    EXPECT_EQ(ScoreEntries(), 0);
}

TEST_F(GameControllerTest, LosingTheFocusPausesARunningLevelOnly)
{
    m_game->OnFocusChanged(false);
    m_game->OnFocusChanged(true);
    EXPECT_EQ(m_game->GetScreen(), GameScreen::Menu);
    EXPECT_TRUE(menu().IsActive());

    StartRunFromMenu();
    CloseTutorial();
    for (int i = 0; i < 30; ++i) Step();
    m_game->OnFocusChanged(false);
    EXPECT_TRUE(world().IsPaused());
    m_game->OnFocusChanged(true);
    EXPECT_TRUE(world().IsPaused()) << "the player resumes from the pause menu";
    const float elapsed = world().GetElapsed();
    Step();
    EXPECT_EQ(world().GetElapsed(), elapsed);
    Tap(240, 160);
    Step();
    EXPECT_GT(world().GetElapsed(), elapsed);
}

TEST_F(GameControllerTest, TheLastLevelEndsTheRunWithACompletedScore)
{
    // Level 6 from the level menu, played by the automatic player.
    menu().m_LevelSelect = true;
    Key(Voke::KEY_LEFT);
    Key(Voke::KEY_LEFT);
    ASSERT_EQ(menu().GetFocus(), 5);
    Key(Voke::KEY_SELECT);
    Step();
    ASSERT_EQ(m_game->GetLevel(), 5);
    CloseTutorial();

    // NOTE: a level's playing time is at most 120 s, and the credits take
    // well under a minute; four lives at most.
    PlayLevel(5, 4 * 200.0f);
    ASSERT_EQ(m_game->GetScreen(), GameScreen::GameOver);
    EXPECT_GT(m_game->m_Lives, 0) << "the automatic player lost every life";
    EXPECT_EQ(m_game->GetLevel(), 5) << "never wraps to the first level";
    EXPECT_EQ(m_game->m_Completed, 1);
    EXPECT_GT(m_game->m_RunTime, int32_t(world().GetLevelParams(5).TimeOfPlayingInSeconds * 120.0f))
        << "the whole playing time in game-clock seconds";
    EXPECT_EQ(ScoreEntries(), 1);
    EXPECT_EQ(menu().GetScoresPage().GetRecord(0).completed, 1);
    EXPECT_EQ(VokeTest::ReadAll(SaveFile("config.xml")).size(), size_t(kScoreTableBytes));
}

// Closing the window during the credits: the application's Unload runs in
// the middle of the ending, with the credits' script and the level live. It
// must release everything (the leak check at exit sees what it does not).
TEST_F(GameControllerTest, UnloadedDuringTheCreditsItReleasesEverything)
{
    menu().m_LevelSelect = true;
    Key(Voke::KEY_LEFT);
    Key(Voke::KEY_LEFT);
    Key(Voke::KEY_SELECT);
    Step();
    ASSERT_EQ(m_game->GetLevel(), 5);
    CloseTutorial();

    VokeTest::AutoPlayer policy;
    auto credits = [&] { return world().IsEndingStarted() && world().EndingTimer >= 5.0f; };
    for (float t = 0.0f; t < 4 * 200.0f && !credits(); t += kStep) {
        ASSERT_NE(m_game->GetScreen(), GameScreen::GameOver) << "the automatic player lost every life";
        if (m_game->GetScreen() == GameScreen::Retry) policy = VokeTest::AutoPlayer();
        policy.Act(world().GetPlayer(), world().GetBuildings(5), world().GetObstacles(5), kStep);
        Step();
    }
    ASSERT_TRUE(credits());
    ASSERT_EQ(m_game->GetScreen(), GameScreen::InGame);

    // What the main loop runs once the window is closed.
    m_game->Unload();
    m_game.reset();
}

TEST_F(GameControllerTest, TheEndOfALevelLeadsIntoTheNextAtTheSpeedReached)
{
    ASSERT_NO_FATAL_FAILURE(StartRunAtLevel(4));

    PlayLevel(4, 4 * 200.0f);
    ASSERT_EQ(m_game->GetLevel(), 5) << "the automatic player lost every life";
    EXPECT_EQ(m_game->GetScreen(), GameScreen::InGame) << "the next level runs at once";
    EXPECT_EQ(world().GetLevel(), 5);
    EXPECT_GT(m_game->m_RunTime, 0) << "the first level's totals went into the run's";
    EXPECT_GT(m_game->m_RunDistance, 0.0f);
    const float saved = m_game->GetSavedSpeed();
    EXPECT_EQ(saved, world().GetPlayer().GetSpeed());
    EXPECT_FALSE(VokeTest::Exists(SaveFile("config.xml")));

    // Caught on the sixth level: the retry starts at the speed it was
    // entered with.
    RunUntil(GameScreen::Retry);
    ASSERT_EQ(m_game->GetScreen(), GameScreen::Retry);
    Step();
    EXPECT_EQ(m_game->GetScreen(), GameScreen::InGame);
    EXPECT_EQ(m_game->GetLevel(), 5);
    EXPECT_EQ(world().GetPlayer().GetSpeed(), saved);

    // A later run from the level menu retries at its level's own start
    // speed, not at the one this run saved.
    RunUntil(GameScreen::GameOver);
    ASSERT_EQ(m_game->GetScreen(), GameScreen::GameOver);
    Key(Voke::KEY_RIGHT);
    HoldKey(Voke::KEY_SELECT);
    ASSERT_EQ(m_game->GetScreen(), GameScreen::Menu);
    ASSERT_NO_FATAL_FAILURE(StartRunAtLevel(4));
    const float start = world().GetLevelParams(4).PlayerStartHorizontalSpeed;
    ASSERT_NE(start, saved);
    RunUntil(GameScreen::Retry);
    ASSERT_EQ(m_game->GetScreen(), GameScreen::Retry);
    Step();
    EXPECT_EQ(m_game->GetLevel(), 4);
    EXPECT_EQ(world().GetPlayer().GetSpeed(), start);
}

}  // namespace
