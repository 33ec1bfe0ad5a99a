// The effects' motion, timing and use of the game's random numbers, and the
// resolution table, without drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "game/core/game_base.h"
#include "game/presentation/fireworks.h"
#include "game/presentation/resolution_dependence.h"
#include "game/presentation/thunder_effect.h"
#include "game/presentation/weather_effect.h"
#include "tests/game/presentation/presentation_test_files.h"

namespace {

// The game's random numbers as GameBase::Random gives them for a seed.
class Reference {
public:
    explicit Reference(uint32_t seed) : m_mt(seed) {}
    int32_t R() { return int32_t(m_mt() % 32767u); }
    uint32_t U() { return m_mt(); }

private:
    std::mt19937 m_mt;
};

class Effects : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_game.m_ScreenWidth = 480;
        m_game.m_ScreenHeight = 320;
        m_game.InitRandom(kSeed);
    }
    static constexpr uint32_t kSeed = 4321u;
    GameBase m_game;
};

// ---------------------------------------------------------------- resolution

TEST(ResolutionDependenceTest, DefaultsFollowTheScreenHeight)
{
    PresentationTest::ContentFolder content;
    ResolutionDependence table;
    int x = 7, y = 7;
    table.Load(480, 320);
    for (unsigned level = 0; level < 6; ++level)
        for (unsigned plane = 0; plane < 5; ++plane) {
            ASSERT_TRUE(table.Get(level, plane, &x, &y));
            EXPECT_EQ(x, 0);
            EXPECT_EQ(y, 0);
        }

    table.Load(480, 480);
    const int tall[5] = {120, 79, 39, 0, 0};
    for (unsigned plane = 0; plane < 5; ++plane) {
        table.Get(0, plane, nullptr, &y);
        EXPECT_EQ(y, tall[plane]);
        table.Get(1, plane, nullptr, &y);
        EXPECT_EQ(y, 160);
        table.Get(2, plane, nullptr, &y);
        EXPECT_EQ(y, 160);
        table.Get(5, plane, nullptr, &y);
        EXPECT_EQ(y, tall[plane]);
    }
    table.Load(480, 200);
    const int low[3] = {-90, -60, -30};
    for (unsigned plane = 0; plane < 3; ++plane) {
        table.Get(3, plane, nullptr, &y);
        EXPECT_EQ(y, low[plane]);
    }

    x = y = 5;
    EXPECT_FALSE(table.Get(6, 0, &x, &y));
    EXPECT_FALSE(table.Get(0, 5, &x, &y));
    EXPECT_FALSE(table.Apply(6, 0, &x, &y));
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 5);
}

TEST(ResolutionDependenceTest, TheDataFileAddsItsCorrections)
{
    PresentationTest::ContentFolder content;
    content.Write("resolution_dependence.xml",
                  "<table>\n"
                  "  <Translation level=\"2\" plane=\"3\" movex=\"4\" movey=\"5\"/>\n"
                  "  <translation level=\"2\" plane=\"3\" movex=\"-1\" movey=\"7\"/>\n"
                  "  <Translation level=\"1\" plane=\"0\" movex=\"0x10\" movey=\"-3\"/>\n"
                  "  <Translation level=\"0\" plane=\"0\" movex=\"100\" movey=\"100\"/>\n"
                  "  <Translation level=\"7\" plane=\"0\" movex=\"100\" movey=\"100\"/>\n"
                  "  <Translation level=\"3\" plane=\"5\" movex=\"100\" movey=\"100\"/>\n"
                  "  <Translation level=\"3\" plane=\"1\" movex=\"100\"/>\n"
                  "  <Translation level=\"6\" plane=\"4\" movex=\"2147483647\" movey=\"0\"/>\n"
                  "  <Translation level=\"6\" plane=\"4\" movex=\"2147483647\" movey=\"0\"/>\n"
                  "  <Other level=\"3\" plane=\"2\" movex=\"9\" movey=\"9\"/>\n"
                  "</table>\n");
    content.Write("copy.xml", "<t><Translation level=\"2\" plane=\"3\" movex=\"1\" movey=\"1\"/></t>");
    content.Write("broken.xml", "<t><Translation");
    ResolutionDependence table;
    table.Load(480, 480);
    int x = 0, y = 0;
    table.Get(1, 3, &x, &y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 160 + 12);
    table.Get(0, 0, &x, &y);
    EXPECT_EQ(x, 16);
    EXPECT_EQ(y, 120 - 3);
    int total = 0;
    for (unsigned level = 0; level < 5; ++level)
        for (unsigned plane = 0; plane < 5; ++plane) {
            table.Get(level, plane, &x, nullptr);
            total += x;
        }
    EXPECT_EQ(total, 3 + 16) << "elements out of range or incomplete change nothing";
    table.Get(5, 4, &x, nullptr);
    EXPECT_EQ(x, 2147483647) << "sums saturate";

    x = 10;
    y = 20;
    EXPECT_TRUE(table.Apply(1, 3, &x, &y));
    EXPECT_EQ(x, 13);
    EXPECT_EQ(y, 192);
    EXPECT_TRUE(table.Apply(1, 3, nullptr, &y));

    EXPECT_TRUE(table.LoadCopy("copy.xml"));
    table.Get(1, 3, &x, &y);
    EXPECT_EQ(x, 4);
    EXPECT_FALSE(table.LoadCopy(nullptr));
    EXPECT_FALSE(table.LoadCopy("absent.xml"));
    EXPECT_FALSE(table.LoadCopy("broken.xml"));
}

// ------------------------------------------------------------------- weather

TEST_F(Effects, WeatherSeedsDropsFromTheGamesNumbersInOrder)
{
    WeatherEffect weather;
    weather.SetOwner(&m_game);
    weather.Reset();
    Reference ref(kSeed);
    for (int i = 0; i < WeatherEffect::kDrops; ++i) {
        const WeatherDrop& drop = weather.GetDrop(i);
        EXPECT_EQ(drop.startX, ref.R() % 480 + 320);
        EXPECT_EQ(drop.startY, -(ref.R() % 480));
        EXPECT_EQ(drop.scale, float(ref.R() % 32768 + 32768) / 65536.0f);
        EXPECT_FALSE(drop.alive);
    }
    // Nothing moves before Start.
    weather.Update(0.5f);
    EXPECT_EQ(weather.GetDrop(0).x, 0.0f);
    EXPECT_EQ(weather.GetDrop(0).t, 0.0f);
    EXPECT_EQ(m_game.Random(), ref.R());
}

TEST_F(Effects, WeatherDropsFallDiagonallyRespawnAndDieAfterStop)
{
    WeatherEffect weather;
    weather.SetOwner(&m_game);
    weather.Reset();
    weather.Start();
    EXPECT_TRUE(weather.IsActive());
    WeatherDrop& drop = weather.GetDrop(0);
    drop.startX = 500;
    drop.startY = -100;
    drop.scale = 0.5f;
    for (int i = 0; i < 100; ++i) weather.Update(0.01f);
    // Each position uses the travel before its step: t = 297, d = 148.5.
    EXPECT_NEAR(drop.x, 351.5f, 0.01f);
    EXPECT_NEAR(drop.y, 48.5f, 0.01f);

    // Past the bottom margin: respawned, alive while the weather runs.
    drop.startY = 400;
    drop.startX = 400;
    weather.Update(0.01f);
    EXPECT_TRUE(drop.alive);
    EXPECT_EQ(drop.t, 0.0f);
    EXPECT_LE(drop.startY, 0);

    weather.Stop();
    weather.SetKind(1);
    drop.startX = -17;
    weather.Update(0.01f);
    EXPECT_FALSE(drop.alive) << "a drop leaving the screen after Stop respawns dead";
    EXPECT_EQ(drop.kind, 1);
    EXPECT_TRUE(weather.GetDrop(1).alive) << "the others fall on";
    weather.Start();
    EXPECT_TRUE(drop.alive) << "Start revives every drop at once";

    // A broken frame time does not leave drops stuck.
    weather.Update(std::nanf(""));
    weather.Update(0.01f);
    for (int i = 0; i < WeatherEffect::kDrops; ++i) ASSERT_TRUE(std::isfinite(weather.GetDrop(i).x));
}

TEST(WeatherTest, WithoutAScreenNothingDividesByZero)
{
    GameBase game;
    game.InitRandom(1u);
    WeatherEffect weather;
    weather.SetOwner(&game);
    weather.Reset();
    weather.Start();
    for (int i = 0; i < 10; ++i) weather.Update(0.1f);
    WeatherEffect lonely;
    lonely.Reset();
    lonely.Start();
    lonely.Update(0.1f);
    EXPECT_EQ(lonely.GetDrop(0).startX, 0);
}

// ------------------------------------------------------------------- thunder

TEST_F(Effects, ThunderFlashDrawsItsNumbersOnceAndShakesAsLongAsItShows)
{
    ThunderEffect thunder;
    thunder.SetOwner(&m_game);
    thunder.Load();  // no description: the bolts are enabled but empty
    thunder.Start();
    Reference ref(kSeed);
    EXPECT_FLOAT_EQ(thunder.GetFlashTime(), 0.1f + float(ref.R() % 1000) * 0.0001f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(thunder.GetBolt(i).x, ref.R() % 480 - 130);
        EXPECT_EQ(thunder.GetBolt(i).y, -(ref.R() % 50));
    }
    EXPECT_TRUE(m_game.m_Shake.IsRunning());

    // A second start during the flash draws nothing and changes nothing.
    const int x0 = thunder.GetBolt(0).x;
    thunder.Start();
    EXPECT_EQ(thunder.GetBolt(0).x, x0);
    // Without a sound bank no number is drawn for the sound.
    EXPECT_EQ(m_game.Random(), ref.R());

    // Jitter every 19 ms, between flashes too.
    thunder.Update(0.01f);
    const int jx = thunder.GetBolt(0).jitterX;
    EXPECT_EQ(jx, ref.R() % 15 - 7);
    EXPECT_EQ(thunder.GetBolt(0).jitterY, ref.R() % 15 - 7);
    for (int i = 1; i < 3; ++i) {
        ref.R();
        ref.R();
    }
    thunder.Update(0.01f);
    EXPECT_EQ(m_game.Random(), ref.R()) << "no new jitter 10 ms later";
    EXPECT_TRUE(thunder.IsActive());

    // Another part's shake, started meanwhile, ends with the flash.
    ShakeParams other = {5.0f, 30.0f, true, true, false, false};
    m_game.m_Shake.Start(&other);
    thunder.Update(0.25f);
    EXPECT_FALSE(thunder.IsActive());
    EXPECT_FALSE(m_game.m_Shake.IsRunning());
    thunder.Start();
    EXPECT_TRUE(thunder.IsActive());
    thunder.Reset();
    EXPECT_FALSE(thunder.IsActive());
}

// ----------------------------------------------------------------- fireworks

TEST_F(Effects, FireworksRunOnlyOnTheLastLevel)
{
    Fireworks fireworks;
    fireworks.SetOwner(&m_game);
    for (int level = 0; level < 5; ++level) {
        fireworks.SetMode(level);
        fireworks.Start();
        fireworks.Update(0.1f);
        EXPECT_FALSE(fireworks.IsRunning());
        EXPECT_EQ(fireworks.GetActiveRockets(), 0);
    }
    Reference ref(kSeed);
    EXPECT_EQ(m_game.Random(), ref.R()) << "no numbers drawn off the last level";

    fireworks.SetMode(5);
    EXPECT_FALSE(fireworks.IsRunning());
    fireworks.Start();
    EXPECT_TRUE(fireworks.IsRunning());
    fireworks.Update(0.01f);
    EXPECT_EQ(fireworks.GetActiveRockets(), 29);
    EXPECT_EQ(fireworks.GetActiveSparks(), 1);
    // Bursts every 1.1 s; a rocket lives 1.5 s at most.
    for (int i = 0; i < 200; ++i) {
        fireworks.Update(0.01f);
        ASSERT_LE(fireworks.GetActiveRockets(), 58);
    }
    fireworks.SetMode(5);
    EXPECT_EQ(fireworks.GetActiveRockets(), 0);
    EXPECT_EQ(fireworks.GetActiveSparks(), 0);
    EXPECT_FALSE(fireworks.IsRunning());
}

TEST_F(Effects, RocketsDrawTheirNumbersAndDieAtTheEdges)
{
    Fireworks fireworks;
    fireworks.SetOwner(&m_game);
    Reference ref(kSeed);
    // Three numbers for the velocity; a random kind takes a raw one more.
    EXPECT_EQ(fireworks.LaunchRocket(100, 100, 3), 0);
    EXPECT_EQ(fireworks.LaunchRocket(100, 100, -1), 1);
    for (int i = 0; i < 6; ++i) ref.R();
    ref.U();
    EXPECT_EQ(m_game.Random(), ref.R());

    // Full pools drop further requests.
    for (int i = 2; i < Fireworks::kRockets; ++i) ASSERT_EQ(fireworks.LaunchRocket(0, 0, 0), i);
    EXPECT_EQ(fireworks.LaunchRocket(0, 0, 0), -1);
    for (int i = 0; i < Fireworks::kSparks + 5; ++i) fireworks.SpawnSpark(SparkTemplate{nullptr, 1.0f, 0, 0, 0, 0, true});
    EXPECT_EQ(fireworks.GetActiveSparks(), Fireworks::kSparks);

    // On the right edge a rocket lives, beyond it dies.
    Fireworks edges;
    edges.SetOwner(&m_game);
    edges.SetMode(5);
    edges.Start();
    edges.Update(0.001f);  // the first burst
    ASSERT_EQ(edges.GetActiveRockets(), 29);
    edges.LaunchRocket(480, 100, 0);
    edges.LaunchRocket(481, 100, 0);
    edges.Update(0.0f);
    EXPECT_EQ(edges.GetActiveRockets(), 30);

    // Above the top a rocket dies, after leaving its trail spark.
    Fireworks top;
    top.SetOwner(&m_game);
    top.SetMode(5);
    top.Start();
    top.Update(0.001f);
    ASSERT_EQ(top.GetActiveSparks(), 1);
    top.LaunchRocket(200, 0, 0);
    top.Update(0.001f);
    EXPECT_EQ(top.GetActiveRockets(), 29);
    EXPECT_EQ(top.GetActiveSparks(), 1 + 30) << "every rocket left a trail spark, the dying one too";

    // A spark without time left is retired at the next update.
    Fireworks spent;
    spent.SetOwner(&m_game);
    spent.SetMode(5);
    spent.SpawnSpark(SparkTemplate{nullptr, 0.0f, 10, 10, 100, 100, true});
    spent.UpdateSparks(0.1f);
    EXPECT_EQ(spent.GetActiveSparks(), 0);
}

}  // namespace
