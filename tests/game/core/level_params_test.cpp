// The level tuning file: per-level records, game-wide switches, defaults,
// number forms and damaged files.
#include "game/core/game_world.h"

#include <gtest/gtest.h>

#include "tests/game/core/game_data_folder.h"

namespace {

class LevelParamsTest : public ::testing::Test {
protected:
    VokeTest::GameDataFolder m_data;
    GameWorld m_world;
};

void ExpectDefaults(const LevelParams& p)
{
    EXPECT_EQ(p.PlayerStartHorizontalSpeed, 360.0f);
    EXPECT_EQ(p.PlayerMinHorizontalSpeed, 360.0f);
    EXPECT_EQ(p.PlayerMaxHorizontalSpeed, 450.0f);
    EXPECT_EQ(p.PlayerAcceleration, 2.8f);
    EXPECT_EQ(p.rangeCount, 0);
    EXPECT_EQ(p.ranges[0].value, 0.0f);
    EXPECT_EQ(p.TimeOfPlayingInSeconds, 115.0f);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 0);
    EXPECT_EQ(p.second, 0);
    EXPECT_EQ(p.FireworksStartTime, 5.0f);
}

void ExpectDefaultSwitches(const GameWorld& w)
{
    EXPECT_EQ(w.RenderDebugParams, 0);
    EXPECT_FALSE(w.GetRenderFps());
    EXPECT_FALSE(w.IsDebugLevelsMenu());
    EXPECT_EQ(w.iPhoneSlideButtonHeight, 65);
    EXPECT_FALSE(w.HasMainMenuNameField());
    EXPECT_EQ(w.MainMenuMoreGamesURL, "");
}

TEST_F(LevelParamsTest, ACompleteFileSetsEveryValue)
{
    ASSERT_TRUE(m_data.IsMounted());
    m_data.Write("level_gameplay.xml", R"(<gameplay>
  <PlayerStartHorizontalSpeed level="2" value="380.5"/>
  <PlayerMinHorizontalSpeed level="2" value="370"/>
  <PlayerMaxHorizontalSpeed level="2" value="500"/>
  <PlayerAcceleration level="2" value="3.5"/>
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
    ASSERT_TRUE(m_world.ReadLevelParams("level_gameplay.xml"));

    const LevelParams& p = m_world.GetLevelParams(1);
    EXPECT_EQ(p.PlayerStartHorizontalSpeed, 380.5f);
    EXPECT_EQ(p.PlayerMinHorizontalSpeed, 370.0f);
    EXPECT_EQ(p.PlayerMaxHorizontalSpeed, 500.0f);
    EXPECT_EQ(p.PlayerAcceleration, 3.5f);
    ASSERT_EQ(p.rangeCount, 2);
    EXPECT_EQ(p.ranges[0].minvel, 370.0f);
    EXPECT_EQ(p.ranges[0].maxvel, 420.0f);
    EXPECT_EQ(p.ranges[0].value, 6.0f);
    EXPECT_EQ(p.ranges[1].value, 1.5f);
    EXPECT_EQ(p.TimeOfPlayingInSeconds, 90.0f);
    EXPECT_EQ(p.hour, 3);
    EXPECT_EQ(p.minute, 15);
    EXPECT_EQ(p.second, 30);
    EXPECT_EQ(m_world.GetLevelParams(5).FireworksStartTime, 12.5f);
    ExpectDefaults(m_world.GetLevelParams(0));  // other levels untouched

    EXPECT_EQ(m_world.RenderDebugParams, 2);
    EXPECT_TRUE(m_world.GetRenderFps());
    EXPECT_TRUE(m_world.IsDebugLevelsMenu());
    EXPECT_EQ(m_world.iPhoneSlideButtonHeight, 80);
    EXPECT_TRUE(m_world.HasMainMenuNameField());
    EXPECT_EQ(m_world.MainMenuMoreGamesURL, "http://example.org/more");
}

TEST_F(LevelParamsTest, MissingEmptyAndDamagedFilesKeepTheDefaults)
{
    EXPECT_FALSE(m_world.ReadLevelParams("level_gameplay.xml"));
    EXPECT_FALSE(m_world.ReadLevelParams(nullptr));

    m_data.Write("broken.xml", "<gameplay><PlayerAcceleration level=\"1\" value=\"9\"/><TimeStart");
    EXPECT_FALSE(m_world.ReadLevelParams("broken.xml"));
    m_data.Write("binary.xml", std::string("\x00\xff\xfe<", 4));
    EXPECT_FALSE(m_world.ReadLevelParams("binary.xml"));

    m_data.Write("empty.xml", "<gameplay/>");
    EXPECT_TRUE(m_world.ReadLevelParams("empty.xml"));

    for (int level = 0; level < 6; ++level) ExpectDefaults(m_world.GetLevelParams(level));
    ExpectDefaultSwitches(m_world);
}

TEST_F(LevelParamsTest, IntegersFollowPercentIAndBooleansTheExactWords)
{
    m_data.Write("level_gameplay.xml", R"(<g>
  <TimeStart level="1" hour="08" minute="0x1e" second="010"/>
  <TimeStart level="2" hour="8" minute="abc"/>
  <iPhoneSlideButtonHeight value="0x50"/>
  <RenderDebugParams value="017"/>
  <RenderFPS value="TRUE"/>
  <DebugLevelsMenu value="on"/>
  <MainMenuNameField value="x"/>
</g>)");
    ASSERT_TRUE(m_world.ReadLevelParams("level_gameplay.xml"));
    EXPECT_EQ(m_world.GetLevelParams(0).hour, 0);  // a leading 0 is octal: "08" reads as 0
    EXPECT_EQ(m_world.GetLevelParams(0).minute, 30);
    EXPECT_EQ(m_world.GetLevelParams(0).second, 8);
    EXPECT_EQ(m_world.GetLevelParams(1).hour, 8);
    EXPECT_EQ(m_world.GetLevelParams(1).minute, 0);  // unparsable: unchanged
    EXPECT_EQ(m_world.iPhoneSlideButtonHeight, 80);
    EXPECT_EQ(m_world.RenderDebugParams, 15);
    EXPECT_FALSE(m_world.GetRenderFps());  // words are compared with case
    EXPECT_FALSE(m_world.IsDebugLevelsMenu());
    EXPECT_FALSE(m_world.HasMainMenuNameField());

    m_data.Write("words.xml", R"(<g><RenderFPS value="1"/><DebugLevelsMenu value="yes"/></g>)");
    ASSERT_TRUE(m_world.ReadLevelParams("words.xml"));
    EXPECT_TRUE(m_world.GetRenderFps());
    EXPECT_TRUE(m_world.IsDebugLevelsMenu());
}

TEST_F(LevelParamsTest, LevelsOutsideOneToSixAndElementsWithoutALevelAreIgnored)
{
    m_data.Write("level_gameplay.xml", R"(<g>
  <PlayerAcceleration level="0" value="9"/>
  <PlayerAcceleration level="7" value="9"/>
  <PlayerAcceleration value="9"/>
  <PlayerAcceleration level="one" value="9"/>
  <TimeOfPlayingInSeconds level="-1" value="9"/>
  <PlayerAccelerationRange minvel="1" maxvel="2" value="3"/>
</g>)");
    ASSERT_TRUE(m_world.ReadLevelParams("level_gameplay.xml"));
    for (int level = 0; level < 6; ++level) ExpectDefaults(m_world.GetLevelParams(level));
}

TEST_F(LevelParamsTest, NamesMatchInAnyCaseAndAtAnyDepth)
{
    m_data.Write("level_gameplay.xml", R"(<g>
  <playeracceleration level="1" value="4"/>
  <levels><PLAYERMAXHORIZONTALSPEED level="1" value="600"/><deeper><timestart level="1" hour="7"/></deeper></levels>
  <IPHONESLIDEBUTTONHEIGHT value="70"/>
</g>)");
    ASSERT_TRUE(m_world.ReadLevelParams("level_gameplay.xml"));
    EXPECT_EQ(m_world.GetLevelParams(0).PlayerAcceleration, 4.0f);
    EXPECT_EQ(m_world.GetLevelParams(0).PlayerMaxHorizontalSpeed, 600.0f);
    EXPECT_EQ(m_world.GetLevelParams(0).hour, 7);
    EXPECT_EQ(m_world.iPhoneSlideButtonHeight, 70);
}

TEST_F(LevelParamsTest, AccelerationRangesStopAtEightAndAccumulateOverReads)
{
    std::string xml = "<g>";
    for (int i = 1; i <= 10; ++i)
        xml += "<PlayerAccelerationRange level=\"3\" minvel=\"" + std::to_string(i * 10) + "\" maxvel=\"" +
               std::to_string(i * 10 + 5) + "\" value=\"" + std::to_string(i) + "\"/>";
    xml += "</g>";
    m_data.Write("level_gameplay.xml", xml);
    ASSERT_TRUE(m_world.ReadLevelParams("level_gameplay.xml"));
    const LevelParams& p = m_world.GetLevelParams(2);
    EXPECT_EQ(p.rangeCount, 8);
    EXPECT_EQ(p.ranges[6].value, 7.0f);
    EXPECT_EQ(p.ranges[7].minvel, 100.0f);  // the tenth range in the eighth slot
    EXPECT_EQ(p.ranges[7].value, 10.0f);

    m_data.Write("one.xml", R"(<g><PlayerAccelerationRange level="4" minvel="1" value="2"/></g>)");
    ASSERT_TRUE(m_world.ReadLevelParams("one.xml"));
    ASSERT_TRUE(m_world.ReadLevelParams("one.xml"));
    EXPECT_EQ(m_world.GetLevelParams(3).rangeCount, 2);
    EXPECT_EQ(m_world.GetLevelParams(3).ranges[1].maxvel, 0.0f);  // missing attribute: unchanged
}

TEST(LevelTimeTest, APlayingTimeOfZeroOrLessIsOverAtOnce)
{
    LevelParams p;
    EXPECT_FALSE(IsLevelTimeOver(p, 115.0f));
    EXPECT_TRUE(IsLevelTimeOver(p, 115.01f));
    EXPECT_FLOAT_EQ(LevelTimeFraction(p, 57.5f), 0.5f);
    for (float time : {0.0f, -3.0f}) {
        p.TimeOfPlayingInSeconds = time;
        EXPECT_TRUE(IsLevelTimeOver(p, 0.0f));
        EXPECT_EQ(LevelTimeFraction(p, 0.0f), 1.0f);
        EXPECT_EQ(LevelTimeFraction(p, 10.0f), 1.0f);
    }
}

}  // namespace
