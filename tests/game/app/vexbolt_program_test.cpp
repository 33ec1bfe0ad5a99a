// The game's executable end to end, as a player meets it: started with the
// built archives beside it and a home folder of its own, on the test X
// server and sound server, driven from outside with XTest taps through the
// splash, the language flags, the menu's intro and its play button, left to
// lose its four lives, then closed with the window manager's close request.
// It must exit with 0, print no sanitizer report, and leave a valid score
// file in the user's configuration folder; a second run starts from damaged
// save files and repairs them.
//
// What the window shows is read back from the X server, so each step waits
// for the screen it expects rather than for a fixed time.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/registry.h"
#include "game/menus/score_table.h"
#include "tests/game/app/game_process.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using VokeTest::GameProcess;
using VokeTest::GameWindow;

class VexboltProgramTest : public ::testing::Test {
protected:
    std::string SavePath(const std::string& name) const { return m_home / (".config/Vexbolt!/save/" + name); }

    // Splash, English, the intro, play, the tutorial; then no input until
    // the fourth catch has saved the score; then the close request.
    void PlayOneRun(GameProcess& game)
    {
        GameWindow window(game);
        ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
        ASSERT_NO_FATAL_FAILURE(VokeTest::StartRun(window));

        // The score file is saved (whole, or not at all) when the run ends.
        auto saved = [&] { return VokeTest::ReadAll(SavePath("config.xml")).size() == size_t(kScoreTableBytes); };
        VokeTest::PollUntil([&] { return saved() || !game.Running(); }, VokeTest::kRunGuardSeconds);
        ASSERT_TRUE(saved()) << "no finished run\n" << game.Output();
        window.Close();
    }

    void ExpectCleanExit(GameProcess& game) { EXPECT_TRUE(VokeTest::EndedCleanly(game)); }

    // One record, the run's, and nine empty ones.
    void ExpectOneRunInScoreFile()
    {
        const std::string bytes = VokeTest::ReadAll(SavePath("config.xml"));
        ASSERT_EQ(bytes.size(), size_t(kScoreTableBytes));
        ScoreRecord table[kScoreRecords];
        DecodeScoreTable(reinterpret_cast<const uint8_t*>(bytes.data()), table);
        EXPECT_GT(table[0].distance, 0);
        EXPECT_GE(table[0].points, 0);
        EXPECT_EQ(table[0].completed, 0);
        for (int k = 1; k < kScoreRecords; ++k) {
            EXPECT_EQ(table[k].distance, 0) << k;
            EXPECT_EQ(table[k].points, 0) << k;
        }
    }

    // A registry file the engine reads, holding `key`.
    void ExpectRegistryFile(const std::string& name, const std::string& key)
    {
        Voke::Registry registry;
        ASSERT_TRUE(registry.LoadFromString(VokeTest::ReadAll(SavePath(name)), false, "")) << name;
        EXPECT_NE(registry.GetKey(key, false), nullptr) << name << " " << key;
    }

    VokeTest::TempDir m_home;
};

TEST_F(VexboltProgramTest, PlaysARunAndLeavesItsScoreInTheSaveFolder)
{
    GameProcess game(m_home.Path());
    ASSERT_NO_FATAL_FAILURE(PlayOneRun(game));
    ExpectCleanExit(game);
    ExpectOneRunInScoreFile();
    ExpectRegistryFile("endless.xml", "/endless/scores/level06");
    ExpectRegistryFile("controls.xml", "/controls/swap");
}

TEST_F(VexboltProgramTest, StartsFromDamagedSaveFilesAndRepairsThem)
{
    VokeTest::WriteBytes(SavePath("config.xml"), std::string(57, '\xee'));
    VokeTest::WriteBytes(SavePath("endless.xml"), "<registry><node name=\"/endless\"><key name=\"level0");
    VokeTest::WriteBytes(SavePath("controls.xml"), std::string("\0\x01\x02not xml", 10));

    GameProcess game(m_home.Path());
    ASSERT_NO_FATAL_FAILURE(PlayOneRun(game));
    ExpectCleanExit(game);
    ExpectOneRunInScoreFile();
    ExpectRegistryFile("endless.xml", "/endless/scores/level01");
    ExpectRegistryFile("controls.xml", "/controls/swap");
}

}  // namespace
