// Obstacles along a generated building row: placement for a fixed seed,
// the spacing rules and bad data, hits, breaks and their splinters, the
// per-step update and the clearing ahead of the exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <filesystem>
#include <sstream>
#include <string>

#include "engine/graphics/asset_surfaces.h"
#include "game/core/game_base.h"
#include "game/world/building_manager.h"
#include "game/world/obstacle_manager.h"
#include "tests/game/world/runner_test_data.h"

namespace {

constexpr uint32_t kSeed = 20110901u;

class ObstacleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.WriteBuildingPieces());
        ASSERT_TRUE(m_data.WriteObstacles());
        m_game.m_ScreenWidth = 480;
        m_game.m_ScreenHeight = 320;
        m_game.InitRandom(kSeed);
        m_buildings.SetOwner(&m_game);
        m_obstacles.SetOwner(&m_game);
    }
    // Loads a level's row and obstacles as the game's loading step does and
    // places them for a new run.
    void Load(int32_t level, uint32_t seed = kSeed)
    {
        m_game.InitRandom(seed);
        m_buildings.Load(level);
        m_obstacles.ReadParams();
        m_obstacles.SetupForLevel(level);
        m_obstacles.SetBuildingManager(&m_buildings);
        m_obstacles.Generate(true);
    }
    // One line per obstacle: id, kind, box.
    std::string List() const
    {
        std::ostringstream out;
        for (const auto& [id, o] : m_obstacles.m_ObstacleMap)
            out << id << ' ' << o.m_Name << ' ' << o.m_Box[0] << ' ' << o.m_Box[1] << '\n';
        return out.str();
    }

    VokeTest::RunnerData m_data;
    GameBase m_game;
    BuildingManager m_buildings;
    ObstacleManager m_obstacles;
};

TEST_F(ObstacleTest, PlacementForAFixedSeed)
{
    Load(0);
    // The first obstacles of level 0 for the seed, with the fixture images.
    const std::string list = List();
    EXPECT_EQ(list.substr(0, list.find("\n12 ") + 1),
              "0 skrzynia2.png 1524 282\n"
              "1 skrzynia2.png 2048 282\n"
              "2 beczka_red.png 2552 248\n"
              "3 beczki.png 3013 256\n"
              "4 beczka_red.png 3987 280\n"
              "5 skrzynia2.png 4479 284\n"
              "6 skrzynia2.png 4990 255\n"
              "7 beczki.png 5912 233\n"
              "8 beczki.png 7438 291\n"
              "9 beczki.png 7979 252\n"
              "10 beczka_red.png 8526 281\n"
              "11 skrzynia2.png 9443 248\n");
    // Every one stands wholly on a roof, its lowest row on the roof's
    // collision top, 100 px or more from both roof ends, never on the first
    // building; one follows another at its width plus 400 to 499 px or more.
    ASSERT_GT(m_obstacles.m_ObstacleMap.size(), 20u);
    const Obstacle* previous = nullptr;
    for (const auto& [id, o] : m_obstacles.m_ObstacleMap) {
        int32_t key = -1;
        for (const auto& [k, b] : m_buildings.GetBuildings())
            if (b.collisionLeft <= o.m_Box[0] && o.m_Box[2] <= b.collisionRight) key = k;
        ASSERT_GT(key, 0) << id;
        const Building& b = m_buildings.GetBuildings().at(key);
        EXPECT_EQ(o.m_Box[3] - 1, b.collisionTop) << id;
        EXPECT_GE(o.m_Box[0] - b.collisionLeft, 100) << id;
        EXPECT_GE(b.collisionRight - o.m_Box[2], 100) << id;
        EXPECT_EQ(o.m_Box[2] - o.m_Box[0], o.m_Image->GetWidth());
        EXPECT_EQ(o.m_Box[3] - o.m_Box[1], o.m_Image->GetHeight());
        for (int i = 0; i < 4; ++i) EXPECT_EQ(o.m_HitBox[i], o.m_Box[i]);
        EXPECT_TRUE(o.m_HasFragments && o.m_UpperHalf && o.m_LowerHalf);
        if (previous) {
            EXPECT_GE(o.m_Box[0] - previous->m_Box[0], previous->m_Image->GetWidth() + 400) << id;
        }
        previous = &o;
    }
    // Placement reaches the end of the row, and goes on as the row grows.
    EXPECT_GE(m_obstacles.m_Cursor, m_buildings.GetLastBuildingRight());
    const int32_t count = int32_t(m_obstacles.m_ObstacleMap.size());
    m_buildings.SetDrawOffset(10, 192);
    m_buildings.SetScroll(float(m_buildings.GetBuildings().at(5).rightX + 20), 0.0f);
    m_buildings.Update(0.01f);
    EXPECT_GE(m_obstacles.m_Cursor, m_buildings.GetLastBuildingRight());
    EXPECT_GT(int32_t(m_obstacles.m_ObstacleMap.size()), count);
    // The same seed places the same obstacles again.
    m_game.InitRandom(kSeed);
    m_buildings.StartLevel(0);
    m_obstacles.Generate(true);
    EXPECT_EQ(List(), list);
}

// Draws of the game's generator that placement takes for a row `limit` px
// long when no image loads: two per candidate, the cursor stepping by the
// spacing alone.
int32_t CandidatesWithoutImages(uint32_t seed, int32_t limit, int32_t minimum, int32_t additional)
{
    GameBase game;
    game.InitRandom(seed);
    int32_t cursor = 0, candidates = 0;
    while (cursor < limit) {
        game.Random();
        cursor += std::max(minimum + game.Random() % additional, 1);
        ++candidates;
    }
    return candidates;
}

TEST_F(ObstacleTest, MissingImagesAndBadSpacingStillEndTheWalk)
{
    // One kind missing: the others are placed, that one never.
    std::filesystem::remove(m_data.Path() + "/beczki.png");
    Load(0);
    ASSERT_GT(m_obstacles.m_ObstacleMap.size(), 10u);
    for (const auto& [id, o] : m_obstacles.m_ObstacleMap) EXPECT_STRNE(o.m_Name, "beczki.png");

    // No kind loads: nothing is placed, but every candidate draws both its
    // numbers and moves the cursor on, so what follows draws the same.
    for (const VokeTest::ObstacleImage& image : VokeTest::kObstacleImages)
        std::filesystem::remove(m_data.Path() + "/" + image.name);
    Voke::AssetDict::s_engine = new Voke::AssetDict;  // forgets what was loaded
    GameBase reference;
    ObstacleManager bare;
    bare.SetOwner(&m_game);
    bare.SetupForLevel(0);
    bare.SetBuildingManager(&m_buildings);
    m_game.InitRandom(kSeed);
    bare.Generate(true);
    EXPECT_TRUE(bare.m_ObstacleMap.empty());
    const int32_t limit = m_buildings.GetLastBuildingRight();
    reference.InitRandom(kSeed);
    for (int32_t i = 2 * CandidatesWithoutImages(kSeed, limit, 400, 100); i > 0; --i) reference.Random();
    EXPECT_EQ(m_game.Random(), reference.Random());

    // A negative minimum counts as 0 and the cursor moves at least a pixel
    // per candidate, so even an empty image with no spacing ends the walk.
    m_data.Write("obstacles.xml", R"(<o><MinimumDistanceBetweenTwoObstacles level="1" value="-1000"/>
  <AdditionalRandomDistanceBetweenTwoObstacles level="1" value="0"/></o>)");
    bare.ReadParams();
    EXPECT_EQ(bare.m_Spacing[0].MinimumDistanceBetweenTwoObstacles, -1000);
    EXPECT_EQ(bare.m_Spacing[0].AdditionalRandomDistanceBetweenTwoObstacles, 1);
    m_game.InitRandom(kSeed);
    bare.Generate(true);
    EXPECT_TRUE(bare.m_ObstacleMap.empty());
    EXPECT_EQ(bare.m_Cursor, limit);
    reference.InitRandom(kSeed);
    for (int32_t i = 2 * limit; i > 0; --i) reference.Random();
    EXPECT_EQ(m_game.Random(), reference.Random());

    // With images and that spacing, obstacles stand side by side at most.
    ASSERT_TRUE(m_data.WriteObstacles());
    Voke::AssetDict::s_engine = new Voke::AssetDict;
    bare.Generate(true);
    ASSERT_GT(bare.m_ObstacleMap.size(), 10u);
    const Obstacle* previous = nullptr;
    for (const auto& [id, o] : bare.m_ObstacleMap) {
        if (previous) {
            EXPECT_GE(o.m_Box[0], previous->m_Box[2]);
        }
        previous = &o;
    }
    // No kinds (a level outside 0 to 5 set up first): nothing.
    ObstacleManager none;
    none.SetOwner(&m_game);
    none.SetupForLevel(9);
    none.SetBuildingManager(&m_buildings);
    none.Generate(true);
    EXPECT_TRUE(none.m_ObstacleMap.empty());
}

TEST_F(ObstacleTest, HitsBreaksAndSplinters)
{
    Load(1);
    ASSERT_GE(m_obstacles.m_ObstacleMap.size(), 3u);
    auto it = m_obstacles.m_ObstacleMap.begin();
    const int32_t first = it->first;
    const int32_t second = std::next(it)->first;
    const Obstacle& a = it->second;
    const Obstacle& b = std::next(it)->second;

    // Inclusive edges: a box whose right edge is the obstacle's left edge
    // meets it, one pixel less does not; the search stops at the first
    // obstacle right of the box.
    int32_t id = -1;
    EXPECT_TRUE(m_obstacles.FindHit(a.m_Box[0] - 7, a.m_Box[1], a.m_Box[0], a.m_Box[3], &id));
    EXPECT_EQ(id, first);
    id = -1;
    EXPECT_FALSE(m_obstacles.FindHit(a.m_Box[0] - 7, a.m_Box[1], a.m_Box[0] - 1, a.m_Box[3], &id));
    EXPECT_EQ(id, -1);
    EXPECT_TRUE(m_obstacles.FindHit(a.m_Box[0], a.m_Box[3], a.m_Box[0], a.m_Box[3] + 50, nullptr));
    EXPECT_FALSE(m_obstacles.FindHit(a.m_Box[0], a.m_Box[3] + 1, b.m_Box[2], a.m_Box[3] + 50, nullptr) &&
                 b.m_Box[3] < a.m_Box[3] + 1);

    // Unknown ids change nothing.
    m_obstacles.MarkHit(9999);
    m_obstacles.Break(-5);
    for (const ObstacleFragment& f : m_obstacles.m_Fragments) EXPECT_FALSE(f.m_Active);

    // Tripped over: no longer met, so it trips him once; silent.
    m_obstacles.MarkHit(first);
    EXPECT_TRUE(a.m_Hit);
    EXPECT_FALSE(m_obstacles.FindHit(a.m_Box[0], a.m_Box[1], a.m_Box[2], a.m_Box[3], nullptr));

    // Broken: 60 splinters from the centre of its box, forward only, one in
    // four of them 3 px, in the kind's colour.
    m_obstacles.Break(second);
    EXPECT_TRUE(b.m_Broken);
    uint8_t rgb[3] = {255, 255, 255};
    m_obstacles.GetFragmentColour(second, rgb);
    int big = 0;
    for (const ObstacleFragment& f : m_obstacles.m_Fragments) {
        ASSERT_TRUE(f.m_Active);
        EXPECT_EQ(f.m_X, float((b.m_Box[0] + b.m_Box[2]) / 2));
        EXPECT_EQ(f.m_Y, float((b.m_Box[1] + b.m_Box[3]) / 2));
        EXPECT_GE(f.m_SpeedX, 0.0f);
        EXPECT_LE(f.m_SpeedX, 2397.6f);
        EXPECT_GE(f.m_SpeedY, -1200.0f);
        EXPECT_LE(f.m_SpeedY, 1197.6f);
        EXPECT_EQ(f.m_Life, 0.65f);
        EXPECT_EQ(f.m_Colour[0], rgb[0]);
        EXPECT_EQ(f.m_Colour[1], rgb[1]);
        EXPECT_EQ(f.m_Colour[2], rgb[2]);
        EXPECT_TRUE(f.m_Size == 2 || f.m_Size == 3);
        big += f.m_Size == 3;
    }
    EXPECT_GT(big, 5);
    EXPECT_LT(big, 25);
    // A second break while they fly finds the pool full.
    const ObstacleFragment before = m_obstacles.m_Fragments[17];
    m_obstacles.Break(std::next(it, 2)->first);
    EXPECT_EQ(m_obstacles.m_Fragments[17].m_SpeedX, before.m_SpeedX);

    // The first update plays the break sound once (never for a trip) and
    // moves the splinters in straight lines.
    m_obstacles.Update(0.1f);
    EXPECT_TRUE(b.m_SoundDone);
    EXPECT_FALSE(a.m_SoundDone);
    EXPECT_FLOAT_EQ(m_obstacles.m_Fragments[17].m_X, before.m_X + 0.1f * before.m_SpeedX);
    EXPECT_FLOAT_EQ(m_obstacles.m_Fragments[17].m_Y, before.m_Y + 0.1f * before.m_SpeedY);
    // Splinters go on the first update after their life ran out; hit and
    // broken obstacles a second after.
    for (int i = 0; i < 6; ++i) m_obstacles.Update(0.1f);
    for (const ObstacleFragment& f : m_obstacles.m_Fragments) EXPECT_TRUE(f.m_Active && f.m_Life <= 0.0f);
    m_obstacles.Update(0.1f);
    for (const ObstacleFragment& f : m_obstacles.m_Fragments) EXPECT_FALSE(f.m_Active);
    EXPECT_TRUE(a.m_Active && b.m_Active);
    for (int i = 0; i < 2; ++i) m_obstacles.Update(0.1f);
    EXPECT_FALSE(a.m_Active);
    EXPECT_FALSE(b.m_Active);
    EXPECT_TRUE(std::next(it, 3)->second.m_Active);
}

TEST_F(ObstacleTest, PassedObstaclesAreForgottenAndNoneArePlacedPastTheExit)
{
    Load(0);
    const Obstacle& first = m_obstacles.m_ObstacleMap.begin()->second;
    const int32_t firstId = m_obstacles.m_ObstacleMap.begin()->first;
    // Forgotten once its right edge lies left of the screen: draw offset 10,
    // a shake of 2.
    m_game.m_ShakeX = 2;
    m_obstacles.SetDrawOffset(10, 192);
    m_obstacles.SetScroll(float(first.m_Box[2] + 12), 0.0f);
    m_obstacles.Update(0.01f);
    EXPECT_EQ(m_obstacles.m_ObstacleMap.begin()->first, firstId);
    m_obstacles.SetScroll(float(first.m_Box[2] + 13), 0.0f);
    m_obstacles.Update(0.01f);
    EXPECT_EQ(m_obstacles.m_ObstacleMap.begin()->first, firstId + 1);

    // The exit: active obstacles from x on go, inactive ones and those
    // before x stay, and those keep working; the row's new buildings get no
    // obstacles.
    auto middle = std::next(m_obstacles.m_ObstacleMap.begin(), 4);
    const int32_t x = middle->second.m_Box[0];
    const int32_t tripped = std::next(middle)->first;
    m_obstacles.MarkHit(tripped);
    for (int i = 0; i < 10; ++i) m_obstacles.Update(0.1f);
    ASSERT_FALSE(m_obstacles.m_ObstacleMap.at(tripped).m_Active);
    m_obstacles.ClearAhead(x);
    ASSERT_EQ(m_obstacles.m_ObstacleMap.size(), 5u);
    EXPECT_LT(std::prev(m_obstacles.m_ObstacleMap.end(), 2)->second.m_Box[0], x);
    EXPECT_EQ(m_obstacles.m_ObstacleMap.rbegin()->first, tripped);
    const Obstacle& kept = m_obstacles.m_ObstacleMap.begin()->second;
    EXPECT_TRUE(m_obstacles.FindHit(kept.m_Box[0], kept.m_Box[1], kept.m_Box[2], kept.m_Box[3], nullptr));
    m_buildings.SetDrawOffset(10, 192);
    m_buildings.SetScroll(float(m_buildings.GetBuildings().at(8).rightX + 20), 0.0f);
    m_buildings.Update(0.01f);
    m_obstacles.Generate(false);
    EXPECT_EQ(m_obstacles.m_ObstacleMap.size(), 5u);
    // Until the next run.
    m_obstacles.Generate(true);
    EXPECT_GT(m_obstacles.m_ObstacleMap.size(), 10u);

    // Setting up a level again empties it, keeps the spacing read before
    // and resets the splinters; release empties it too.
    m_obstacles.m_Spacing[0].MinimumDistanceBetweenTwoObstacles = 123;
    m_obstacles.Break(m_obstacles.m_ObstacleMap.begin()->first);
    m_obstacles.SetupForLevel(0);
    EXPECT_TRUE(m_obstacles.m_ObstacleMap.empty());
    EXPECT_EQ(m_obstacles.m_Spacing[0].MinimumDistanceBetweenTwoObstacles, 123);
    for (const ObstacleFragment& f : m_obstacles.m_Fragments) EXPECT_FALSE(f.m_Active);
    m_obstacles.Generate(true);
    m_obstacles.Release();
    EXPECT_TRUE(m_obstacles.m_ObstacleMap.empty());
}

}  // namespace
