// The level tuning file: per-level records, game-wide switches, defaults,
// number forms and damaged files.
#include "game/world/game_world.h"

#include <gtest/gtest.h>

#include "tests/game/support/game_data_folder.h"

namespace {

void ExpectDefaults(const GameWorld& w)
{
    for (int level = 0; level < 6; ++level) {
        const LevelParams& p = w.GetLevelParams(level);
        EXPECT_EQ(p.PlayerStartHorizontalSpeed, 360.0f);
        EXPECT_EQ(p.PlayerMinHorizontalSpeed, 360.0f);
        EXPECT_EQ(p.PlayerMaxHorizontalSpeed, 450.0f);
        EXPECT_EQ(p.PlayerAcceleration, 2.8f);
        EXPECT_EQ(p.rangeCount, 0);
        EXPECT_EQ(p.TimeOfPlayingInSeconds, 115.0f);
        EXPECT_EQ(p.hour * 3600 + p.minute * 60 + p.second, 23 * 3600);
        EXPECT_EQ(p.FireworksStartTime, 5.0f);
    }
    EXPECT_EQ(w.RenderDebugParams, 0);
    EXPECT_FALSE(w.GetRenderFps());
    EXPECT_FALSE(w.IsDebugLevelsMenu());
    EXPECT_EQ(w.iPhoneSlideButtonHeight, 65);
    EXPECT_FALSE(w.HasMainMenuNameField());
    EXPECT_EQ(w.MainMenuMoreGamesURL, "");
}

TEST(LevelParamsTest, ACompleteFileInAnyCaseAndNesting)
{
    VokeTest::GameDataFolder data;
    data.Write("level_gameplay.xml", R"(<gameplay>
  <PlayerStartHorizontalSpeed level="2" value="380.5"/>
  <playerminhorizontalspeed level="2" value="370"/>
  <levels><PLAYERMAXHORIZONTALSPEED level="2" value="500"/>
    <more><PlayerAcceleration level="2" value="3.5"/></more></levels>
  <PlayerAccelerationRange level="2" minvel="370" maxvel="420" value="6"/>
  <PlayerAccelerationRange level="2" minvel="420" maxvel="500" value="1.5"/>
  <TimeOfPlayingInSeconds level="2" value="90"/>
  <TimeStart level="2" hour="3" minute="15" second="30"/>
  <FireworksStartTime level="6" value="12.5"/>
  <RenderDebugParams value="2"/>
  <RenderFPS value="yes"/>
  <DebugLevelsMenu value="true"/>
  <iPhoneSlideButtonHeight value="80"/>
  <MainMenuNameField value="1"/>
  <MainMenuMoreGamesURL value="http://example.org/more"/>
</gameplay>)");
    GameWorld world;
    ASSERT_TRUE(world.ReadLevelParams("level_gameplay.xml"));
    const LevelParams& p = world.GetLevelParams(1);
    EXPECT_EQ(p.PlayerStartHorizontalSpeed, 380.5f);
    EXPECT_EQ(p.PlayerMinHorizontalSpeed, 370.0f);
    EXPECT_EQ(p.PlayerMaxHorizontalSpeed, 500.0f);
    EXPECT_EQ(p.PlayerAcceleration, 3.5f);
    ASSERT_EQ(p.rangeCount, 2);
    EXPECT_EQ(p.ranges[0].minvel, 370.0f);
    EXPECT_EQ(p.ranges[0].maxvel, 420.0f);
    EXPECT_EQ(p.ranges[1].value, 1.5f);
    EXPECT_EQ(p.TimeOfPlayingInSeconds, 90.0f);
    EXPECT_EQ(p.hour, 3);
    EXPECT_EQ(p.minute, 15);
    EXPECT_EQ(p.second, 30);
    EXPECT_EQ(world.GetLevelParams(5).FireworksStartTime, 12.5f);
    EXPECT_EQ(world.GetLevelParams(0).PlayerAcceleration, 2.8f);
    EXPECT_EQ(world.RenderDebugParams, 2);
    EXPECT_TRUE(world.GetRenderFps());
    EXPECT_TRUE(world.IsDebugLevelsMenu());
    EXPECT_EQ(world.iPhoneSlideButtonHeight, 80);
    EXPECT_TRUE(world.HasMainMenuNameField());
    EXPECT_EQ(world.MainMenuMoreGamesURL, "http://example.org/more");
}

TEST(LevelParamsTest, MissingEmptyDamagedFilesAndBadElementsKeepTheDefaults)
{
    VokeTest::GameDataFolder data;
    GameWorld world;
    EXPECT_FALSE(world.ReadLevelParams("level_gameplay.xml"));
    EXPECT_FALSE(world.ReadLevelParams(nullptr));
    data.Write("broken.xml", "<gameplay><PlayerAcceleration level=\"1\" value=\"9\"/><TimeStart");
    EXPECT_FALSE(world.ReadLevelParams("broken.xml"));
    data.Write("empty.xml", "<gameplay/>");
    EXPECT_TRUE(world.ReadLevelParams("empty.xml"));
    data.Write("bad.xml", R"(<g>
  <PlayerAcceleration level="0" value="9"/>
  <PlayerAcceleration level="7" value="9"/>
  <PlayerAcceleration value="9"/>
  <TimeOfPlayingInSeconds level="one" value="9"/>
  <PlayerAccelerationRange minvel="1" maxvel="2" value="3"/>
  <TimeStart level="1" hour="abc"/>
  <RenderFPS value="TRUE"/>
  <DebugLevelsMenu value="on"/>
  <iPhoneSlideButtonHeight value="tall"/>
</g>)");
    EXPECT_TRUE(world.ReadLevelParams("bad.xml"));
    ExpectDefaults(world);
}

TEST(LevelParamsTest, IntegersReadAsPercentIAndBooleansAsTheExactWords)
{
    VokeTest::GameDataFolder data;
    data.Write("level_gameplay.xml", R"(<g>
  <TimeStart level="1" hour="08" minute="0x1e" second="010"/>
  <TimeStart level="2" hour="8"/>
  <iPhoneSlideButtonHeight value="0x50"/>
  <RenderFPS value="1"/>
  <DebugLevelsMenu value="yes"/>
</g>)");
    GameWorld world;
    ASSERT_TRUE(world.ReadLevelParams("level_gameplay.xml"));
    EXPECT_EQ(world.GetLevelParams(0).hour, 0);  // a leading 0 is octal: "08" reads as 0
    EXPECT_EQ(world.GetLevelParams(0).minute, 30);
    EXPECT_EQ(world.GetLevelParams(0).second, 8);
    EXPECT_EQ(world.GetLevelParams(1).hour, 8);
    EXPECT_EQ(world.iPhoneSlideButtonHeight, 80);
    EXPECT_TRUE(world.GetRenderFps());
    EXPECT_TRUE(world.IsDebugLevelsMenu());
}

TEST(LevelParamsTest, AccelerationRangesStopAtEightAndAccumulateOverReads)
{
    VokeTest::GameDataFolder data;
    std::string xml = "<g>";
    for (int i = 1; i <= 10; ++i)
        xml += "<PlayerAccelerationRange level=\"3\" minvel=\"" + std::to_string(i * 10) + "\" value=\"" +
               std::to_string(i) + "\"/>";
    data.Write("level_gameplay.xml", xml + "</g>");
    GameWorld world;
    ASSERT_TRUE(world.ReadLevelParams("level_gameplay.xml"));
    ASSERT_TRUE(world.ReadLevelParams("level_gameplay.xml"));
    const LevelParams& p = world.GetLevelParams(2);
    EXPECT_EQ(p.rangeCount, 8);
    EXPECT_EQ(p.ranges[6].value, 7.0f);
    EXPECT_EQ(p.ranges[7].minvel, 100.0f);  // the last range read sits in the eighth slot
    EXPECT_EQ(p.ranges[7].value, 10.0f);
}

TEST(LevelParamsTest, APlayingTimeOfZeroOrLessIsOverAtOnce)
{
    LevelParams p;
    EXPECT_FALSE(IsLevelTimeOver(p, 115.0f));
    EXPECT_TRUE(IsLevelTimeOver(p, 115.01f));
    EXPECT_FLOAT_EQ(LevelTimeFraction(p, 57.5f), 0.5f);
    for (float time : {0.0f, -3.0f}) {
        p.TimeOfPlayingInSeconds = time;
        EXPECT_TRUE(IsLevelTimeOver(p, 0.0f));
        EXPECT_EQ(LevelTimeFraction(p, 10.0f), 1.0f);
    }
}

}  // namespace
