// What a finished run leaves: its score record, the game-over lines, the
// endless best scores in the registry, and the score and endless files in a
// real save folder, damaged ones included.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/core/vfs.h"
#include "engine/core/xml.h"
#include "game/app/run_records.h"
#include "game/core/game_base.h"
#include "game/menus/main_menu.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

const char kDefaults[] = R"(<?xml version="1.0" encoding="utf-8"?>
<registry>
  <node name="/endless">
    <node name="scores">
      <key name="level01" type="int">0</key>
      <key name="level02" type="int">0</key>
      <key name="level03" type="int">500</key>
      <key name="level04" type="int">0</key>
      <key name="level05" type="int">0</key>
      <key name="level06" type="int">0</key>
    </node>
  </node>
</registry>
)";

int Best(Voke::Registry& registry, int32_t level)
{
    int value = -1;
    registry.Get(EndlessRecordKey(level), value);
    return value;
}

TEST(RunRecordTest, RecordTakesWholeMetresScoreAndCompletion)
{
    GameBase game;
    game.m_RunDistance = 12345.6f;
    game.m_Score = 777;
    game.m_Completed = 1;
    const ScoreRecord record = MakeScoreRecord(game);
    EXPECT_EQ(record.distance, 1234);
    EXPECT_EQ(record.points, 777);
    EXPECT_EQ(record.completed, 1);
    game.m_RunDistance = 9.99f;
    EXPECT_EQ(MakeScoreRecord(game).distance, 0) << "truncated, not rounded";
}

TEST(RunRecordTest, GameOverLinesJoinTextsAndFigures)
{
    GameBase game;
    game.m_RunDistance = 12345.6f;
    game.m_Score = 4321;
    game.m_Jumps = 17;
    game.m_RunTime = 7384;
    game.m_ObstaclesDestroyed = 5;

    Voke::SmartPtr<Voke::TextDict> texts = new Voke::TextDict;
    Voke::SmartPtr<Voke::Xml> document = Voke::Xml::Create(std::string(R"(<strings>
        <string id="IDS_DISTANCE">Distance</string><string id="IDS_SHORT_METERS">m</string>
        <string id="IDS_SCORE">Score</string><string id="IDS_JUMPS">Jumps</string>
        <string id="IDS_RUNNING_TIME">Time</string></strings>)"));
    ASSERT_TRUE(texts->LoadDocument(document));

    const GameOverLines lines = MakeGameOverLines(game, texts);
    EXPECT_EQ(lines.line[4], L"Distance: 1234 m");
    EXPECT_EQ(lines.line[3], L"Score: 4321");
    EXPECT_EQ(lines.line[2], L"Jumps: 17");
    EXPECT_EQ(lines.line[1], L"Time:  2h:03m:04s");
    EXPECT_EQ(lines.line[5], L"IDS_OBSTACLES_DESTROYED: 5") << "a missing text shows its id";

    EXPECT_EQ(FormatRunTime(0), " 0h:00m:00s");
    EXPECT_EQ(FormatRunTime(36 * 3600 + 59), "36h:00m:59s");
    EXPECT_EQ(MakeGameOverLines(game, nullptr).line[3], L"IDS_SCORE: 4321");
}

TEST(EndlessRecordTest, OnlyExistingKeysAreRaisedAndOnlyByHigherScores)
{
    Voke::Registry registry;
    ASSERT_TRUE(registry.LoadFromString(kDefaults, false, ""));
    EXPECT_EQ(EndlessRecordKey(0), "/endless/scores/level01");
    EXPECT_EQ(EndlessRecordKey(5), "/endless/scores/level06");

    EXPECT_FALSE(RaiseEndlessRecord(&registry, 2, 500)) << "equal to the record";
    EXPECT_FALSE(RaiseEndlessRecord(&registry, 2, 499));
    EXPECT_EQ(Best(registry, 2), 500);
    EXPECT_TRUE(RaiseEndlessRecord(&registry, 2, 501));
    EXPECT_EQ(Best(registry, 2), 501);

    EXPECT_FALSE(RaiseEndlessRecord(&registry, 6, 900)) << "there is no seventh level";
    EXPECT_EQ(registry.GetKey(EndlessRecordKey(6), false), nullptr) << "a missing key is not created";
    Voke::Registry empty;
    EXPECT_FALSE(RaiseEndlessRecord(&empty, 0, 900));
    EXPECT_EQ(empty.GetKey(EndlessRecordKey(0), false), nullptr);
    EXPECT_FALSE(RaiseEndlessRecord(nullptr, 0, 900));

    ASSERT_TRUE(registry.Set("/endless/scores/level04", std::string("text")));
    EXPECT_FALSE(RaiseEndlessRecord(&registry, 3, 900)) << "a key that holds no number is left alone";
}

// A game data folder holding "endless.xml" at the root, and a save folder of
// its own at "save/", mounted as the game mounts them.
class RecordFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
        VokeTest::WriteBytes(m_data / "endless.xml", kDefaults);
        Voke::Vfs::Init();
        ASSERT_NE(Voke::Vfs::MountDirectory(m_data.Path() + "/", "", 0), nullptr);
        ASSERT_NE(Voke::Vfs::MountDirectory("save/", "save/",
                                            Voke::VfsMount::FallThrough | Voke::VfsMount::SaveFiles),
                  nullptr);
        m_save = m_config / "Vexbolt!/save/";
    }
    void TearDown() override { Voke::Vfs::Shutdown(); }

    VokeTest::TempDir m_config;
    VokeTest::TempDir m_data;
    std::string m_save;
};

TEST_F(RecordFilesTest, SavedTableAndRecordsComeBackOverTheDefaults)
{
    {
        MainMenu menu;
        Voke::Registry registry;
        LoadRunRecords(menu, &registry);
        EXPECT_EQ(Best(registry, 2), 500) << "the defaults without a save";
        EXPECT_EQ(menu.GetScoresPage().GetRecord(0).points, 0);

        menu.AddScore(ScoreRecord{1234, 99, 0});
        ASSERT_TRUE(RaiseEndlessRecord(&registry, 2, 800));
        ASSERT_TRUE(SaveRunRecords(menu, &registry));
        EXPECT_EQ(VokeTest::ReadAll(m_save + "config.xml").size(), 120u);
        EXPECT_TRUE(VokeTest::Exists(m_save + "endless.xml"));

        menu.AddScore(ScoreRecord{2000, 5, 0});
        ASSERT_TRUE(SaveRunRecords(menu, &registry));
        EXPECT_EQ(VokeTest::ReadAll(m_save + "config.xml").size(), 120u) << "120 bytes after every save";
    }
    MainMenu menu;
    Voke::Registry registry;
    LoadRunRecords(menu, &registry);
    EXPECT_EQ(Best(registry, 2), 800) << "the saved record over the default";
    EXPECT_EQ(Best(registry, 0), 0);
    EXPECT_EQ(menu.GetScoresPage().GetRecord(0).distance, 2000);
    EXPECT_EQ(menu.GetScoresPage().GetRecord(1).distance, 1234);
    EXPECT_EQ(menu.GetScoresPage().GetRecord(1).points, 99);
}

TEST_F(RecordFilesTest, DamagedFilesAreIgnoredAndReplacedByTheNextSave)
{
    VokeTest::WriteBytes(m_save + "config.xml", std::string(50, '\x7f'));
    VokeTest::WriteBytes(m_save + "endless.xml", "<registry><node name=\"/endless\"><key name=");

    MainMenu menu;
    Voke::Registry registry;
    LoadRunRecords(menu, &registry);
    for (int32_t k = 0; k < kScoreRecords; ++k) EXPECT_EQ(menu.GetScoresPage().GetRecord(k).points, 0);
    EXPECT_EQ(Best(registry, 2), 500) << "a broken save merges nothing";

    menu.AddScore(ScoreRecord{10, 20, 0});
    ASSERT_TRUE(SaveRunRecords(menu, &registry));
    EXPECT_EQ(VokeTest::ReadAll(m_save + "config.xml").size(), 120u);
    MainMenu again;
    Voke::Registry reread;
    LoadRunRecords(again, &reread);
    EXPECT_EQ(again.GetScoresPage().GetRecord(0).points, 20);
    EXPECT_EQ(Best(reread, 2), 500);
}

TEST_F(RecordFilesTest, AnUnwritableSaveFolderKeepsTheOldFiles)
{
    MainMenu menu;
    Voke::Registry registry;
    LoadRunRecords(menu, &registry);
    menu.AddScore(ScoreRecord{10, 20, 0});
    ASSERT_TRUE(SaveRunRecords(menu, &registry));
    const std::string before = VokeTest::ReadAll(m_save + "config.xml");

    // The game's folder in the configuration folder replaced by a file: no
    // save can be made below it, and nothing is lost.
    setenv("XDG_CONFIG_HOME", (m_save + "config.xml").c_str(), 1);
    menu.AddScore(ScoreRecord{30, 40, 0});
    EXPECT_FALSE(SaveRunRecords(menu, &registry));
    setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
    EXPECT_EQ(VokeTest::ReadAll(m_save + "config.xml"), before);
}

}  // namespace
