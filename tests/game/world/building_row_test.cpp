// The generated row of buildings: its rules, a golden row per level for a
// fixed seed and the fixture images, the exit and final buildings, the
// recycling, the queries, and that every gap can be jumped at the level's
// minimum speed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/core/vfs.h"
#include "game/core/game_base.h"
#include "game/world/building_manager.h"
#include "game/world/game_world.h"
#include "game/world/player.h"
#include "tests/game/support/game_data_folder.h"

namespace {

constexpr uint32_t kGoldenSeed = 20110831u;

// Level 4 of the golden rows: second-collision pieces on, spaced by a countdown.
const char* const kSecondPiecesArrangement = R"(<a>
  <m_AllowSecondCollision value="true"/>
  <m_HowOftenSecondCollision value="2"/>
  <m_MoreSpaceIfCloserTillTheEnd value="1.5"/>
</a>)";

class BuildingRowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.WriteBuildingPieces());
        m_base.m_ScreenWidth = 480;
        m_base.m_ScreenHeight = 320;
        m_base.InitRandom(kGoldenSeed);
        m_manager.SetOwner(&m_base);
    }
    void Load(int32_t level)
    {
        m_manager.LoadAllArrangeParams();
        m_manager.Load(level);
    }
    const Building& At(int32_t key) const { return m_manager.GetBuildings().at(key); }
    static int32_t MiddleCount(const Building& b)
    {
        int32_t n = 0;
        while (n < kMaxMiddlePieces && b.middlePieces[n] != -1) ++n;
        return n;
    }
    static int ImageWidth(int32_t level, int32_t piece, int* height = nullptr)
    {
        int width = 0, h = 0;
        VokeTest::GameDataFolder::PieceSize(GetBuildingPieces(level, nullptr)[piece].image, width, h);
        if (height) *height = h;
        return width;
    }

    VokeTest::GameDataFolder m_data;
    GameBase m_base;
    BuildingManager m_manager;
};

TEST_F(BuildingRowTest, GapsRoofsAndWidthsFollowTheArrangement)
{
    m_data.Write("build_arrange_lev1.xml", R"(<a>
  <m_FreeSpaceBetweenConstant value="80"/>
  <m_FreeSpaceBetweenRandomRange value="30"/>
  <m_MoreSpaceIfCloserTillTheEnd value="2.5"/>
  <m_BuildingsCollisionMarginLeft value="5"/>
  <m_BuildingsCollisionMarginRight value="7"/>
  <m_MinBuildingWidth value="300"/>
</a>)");
    Load(0);
    ASSERT_EQ(m_manager.GetBuildings().size(), 25u);

    // The first building: left of the screen, style 0, at least 8 middle
    // pieces, an unraised roof and a box reaching 2000 px further left.
    const Building& first = At(0);
    EXPECT_EQ(first.style, 0);
    EXPECT_EQ(first.x, -44);
    EXPECT_GE(MiddleCount(first), 8);
    EXPECT_EQ(first.roofY, 224);
    EXPECT_EQ(first.collisionTop, 264);  // level 0 roofs are walked 40 px below the image top
    EXPECT_EQ(first.collisionLeft, -44 - 2000 - 5 - 1);
    EXPECT_EQ(m_manager.GetFirstTop(), 264);

    for (int32_t i = 0; i < 25; ++i) {
        const Building& b = At(i);
        int32_t middle = 0;
        for (int32_t k = 0; k < MiddleCount(b); ++k) middle += ImageWidth(0, b.middlePieces[k]);
        EXPECT_EQ(b.rightX - b.x, ImageWidth(0, b.leftPiece) + middle + ImageWidth(0, b.rightPiece)) << i;
        EXPECT_TRUE(middle > 300 || MiddleCount(b) == kMaxMiddlePieces) << i;
        EXPECT_EQ(b.collisionRight, b.rightX + 7 + 1);
        EXPECT_LT(b.style, 7);  // never the final style
        if (i == 0) continue;
        EXPECT_EQ(b.collisionLeft, b.x - 5 - 1);
        EXPECT_GE(b.roofY, 224);
        EXPECT_LE(b.roofY, 224 + 64);
        EXPECT_NE(b.style, At(i - 1).style);
        const int32_t gap = b.x - At(i - 1).rightX - 80 - static_cast<int32_t>(float(i - 1) * 2.5f);
        EXPECT_GE(gap, 0) << i;
        EXPECT_LE(gap, 30) << i;
    }
}

TEST_F(BuildingRowTest, StyleRules)
{
    // Two ordinary styles alternate; the flat platform style is never raised.
    for (int32_t level : {1, 2}) {
        BuildingManager manager;
        manager.SetOwner(&m_base);
        manager.Load(level);
        for (const auto& [key, b] : manager.GetBuildings()) {
            EXPECT_EQ(b.style, key % 2) << level << " " << key;
            if (level == 1 && b.style == 1) {
                EXPECT_EQ(b.roofY, 224 + 80);
            }
        }
    }
    // No two buildings of other styles in a row.
    m_data.Write("build_arrange_lev4.xml", "<a><m_AlwaysFirstBuildingBetween value=\"1\"/></a>");
    Load(3);
    int32_t others = 0;
    for (int32_t i = 1; i < 25; ++i) {
        EXPECT_FALSE(At(i).style > 0 && At(i - 1).style > 0) << i;
        others += At(i).style > 0;
    }
    EXPECT_GT(others, 5);
}

TEST_F(BuildingRowTest, SecondCollisionPiecesOnlyOnWideBuildingsFromTheFourthOn)
{
    m_data.Write("build_arrange_lev5.xml", R"(<a>
  <m_AllowSecondCollision value="true"/>
  <m_HowOftenSecondCollision value="0"/>
  <m_SecondCollisionDistanceFromGround value="25"/>
  <m_MinBuildingWidth value="150"/>
  <m_MaxMiddleAssets value="4"/>
</a>)");
    Load(4);
    int32_t narrow = 0, carrying = 0;
    for (const auto& [key, b] : m_manager.GetBuildings()) {
        const bool wide = b.rightX - b.x >= 320;
        EXPECT_EQ(b.hasSecondCollision, key > 2 && wide) << key;
        narrow += key > 2 && !wide;
        if (!b.hasSecondCollision) continue;
        ++carrying;
        int height = 0;
        const int width = ImageWidth(4, b.secondPiece, &height);
        EXPECT_EQ(GetBuildingPieces(4, nullptr)[b.secondPiece].style, b.style);
        EXPECT_EQ(b.secondRight, (b.collisionLeft + b.collisionRight) / 2 + width);
        EXPECT_EQ(b.secondBottom, b.collisionTop + 1 - 25);
        EXPECT_EQ(b.secondTop, b.secondBottom - height);  // single pieces: as high as the image
    }
    EXPECT_GT(narrow, 0);
    EXPECT_GT(carrying, 0);

    // Stacked pieces reach a screen up. Negative data: a countdown below 0
    // counts as 0 and draws of a negative range give 0.
    m_data.Write("build_arrange_lev4.xml", R"(<a>
  <m_AllowSecondCollision value="true"/>
  <m_HowOftenSecondCollision value="-7"/>
  <m_MaxMiddleAssets value="-1"/>
  <m_FreeSpaceBetweenRandomRange value="-1"/>
  <m_HeightRandomRange value="-5"/>
</a>)");
    Load(3);
    int32_t stacked = 0;
    for (int32_t i = 1; i < 25; ++i) {
        EXPECT_EQ(At(i).roofY, 224);
        EXPECT_EQ(At(i).x, At(i - 1).rightX + 50);
        if (At(i).hasSecondCollision) stacked += At(i).secondTop == At(i).secondBottom - 320;
    }
    EXPECT_GT(stacked, 0);
}

TEST_F(BuildingRowTest, WithoutImagesOrTablesNothingBreaks)
{
    BuildingManager bare;
    bare.SetOwner(&m_base);
    bare.StartLevel(0);  // no table installed
    bare.MarkReached(0);
    bare.Update(0.01f);
    EXPECT_TRUE(bare.GetBuildings().empty());
    EXPECT_EQ(bare.GetFirstTop(), 0);
    EXPECT_FALSE(bare.TestCollision(-100, -100, 100, 100, nullptr, nullptr));
    EXPECT_EQ(bare.FindRoofSpot(0, 0, 10, 10, false, nullptr), -1);
    EXPECT_TRUE(bare.GetBuildings().empty());  // the queries inserted nothing

    Load(0);
    m_manager.StartLevel(1);  // not this manager's level
    EXPECT_TRUE(m_manager.GetBuildings().empty());

    // Extreme numbers in a file neither overflow nor divide by zero.
    std::string extreme = "<a>";
    for (const char* key : {"m_FreeSpaceBetweenConstant", "m_FreeSpaceBetweenRandomRange", "m_ConstantY",
                            "m_HeightRandomRange", "m_MaxMiddleAssets", "m_HowOftenSecondCollision",
                            "m_SecondCollisionDistanceFromGround", "m_LastBuildingTranslationX"})
        extreme += std::string("<") + key + " value=\"2147483647\"/>";
    m_data.Write("build_arrange_lev5.xml", extreme + "<m_MoreSpaceIfCloserTillTheEnd value=\"1e38\"/>"
                                                     "<m_AllowSecondCollision value=\"1\"/></a>");
    Load(4);
    for (int i = 0; i < 50; ++i) m_manager.GenerateNextBuilding();
    m_manager.MarkReached(30);
    EXPECT_TRUE(m_manager.GetBuildingFlag(m_manager.GetBuildings().rbegin()->first));

    // Missing images count as 0 x 0; with no gap either, a camera far ahead
    // does not hold the update up.
    VokeTest::GameDataFolder empty;
    empty.Write("build_arrange_lev1.xml", "<a><m_FreeSpaceBetweenConstant value=\"0\"/>"
                                          "<m_FreeSpaceBetweenRandomRange value=\"0\"/></a>");
    BuildingManager blind;
    blind.SetOwner(&m_base);
    blind.LoadAllArrangeParams();
    blind.Load(0);
    ASSERT_EQ(blind.GetBuildings().size(), 25u);
    for (const auto& [key, b] : blind.GetBuildings()) EXPECT_EQ(b.rightX, b.x);
    blind.SetScroll(1.0e9f, 0.0f);
    blind.Update(0.01f);
    EXPECT_EQ(blind.GetBuildings().size(), 25u);
}

// One line per building: key, x, width, roof y, style, second-collision piece.
std::string RowText(const BuildingManager& manager, int32_t count)
{
    std::ostringstream out;
    for (const auto& [key, b] : manager.GetBuildings()) {
        if (key >= count) break;
        out << key << ' ' << b.x << ' ' << b.rightX - b.x << ' ' << b.roofY << ' ' << b.style << ' '
            << (b.hasSecondCollision ? b.secondPiece : -1) << '\n';
    }
    return out.str();
}

std::string SeededRows(GameBase& base, const std::vector<int32_t>& levels, uint32_t seed, int32_t count)
{
    std::string text;
    for (int32_t level : levels) {
        base.InitRandom(seed);
        BuildingManager manager;
        manager.SetOwner(&base);
        manager.LoadAllArrangeParams();
        manager.Load(level);
        while (!manager.GetBuildings().empty() && manager.GetBuildings().rbegin()->first + 1 < count)
            manager.GenerateNextBuilding();
        text += "level " + std::to_string(level) + " seed " + std::to_string(seed) + "\n" + RowText(manager, count);
    }
    return text;
}

// Levels 0 (built-in arrangement) and 4 (second-collision pieces) with the
// fixture images; written by the printing test below and checked in.
TEST_F(BuildingRowTest, GoldenRows)
{
    std::ifstream file(VEXBOLT_TEST_DATA_DIR "/building_rows.golden");
    ASSERT_TRUE(file.good());
    std::stringstream golden;
    golden << file.rdbuf();
    m_data.Write("build_arrange_lev5.xml", kSecondPiecesArrangement);
    EXPECT_EQ(SeededRows(m_base, {0, 4}, kGoldenSeed, 30), golden.str());
}

// Prints a seeded row for inspection (by default the golden rows):
//   game_data_tests --gtest_also_run_disabled_tests --gtest_filter='*PrintSeededRow'
// VEXBOLT_ROW_LEVEL (0-5), VEXBOLT_ROW_SEED and VEXBOLT_ROW_COUNT choose the
// row; VEXBOLT_ROW_DATA names a folder of images and arrangement files to
// use instead of the fixture.
TEST_F(BuildingRowTest, DISABLED_PrintSeededRow)
{
    const char* level = std::getenv("VEXBOLT_ROW_LEVEL");
    const char* seed = std::getenv("VEXBOLT_ROW_SEED");
    const char* count = std::getenv("VEXBOLT_ROW_COUNT");
    const char* folder = std::getenv("VEXBOLT_ROW_DATA");
    if (folder)
        ASSERT_NE(Voke::Vfs::MountDirectory(std::string(folder) + "/", "", 0), nullptr);
    else
        m_data.Write("build_arrange_lev5.xml", kSecondPiecesArrangement);
    std::printf("%s", SeededRows(m_base, level ? std::vector<int32_t>{std::atoi(level)} : std::vector<int32_t>{0, 4},
                                 seed ? uint32_t(std::strtoul(seed, nullptr, 10)) : kGoldenSeed,
                                 count ? std::atoi(count) : 30)
                          .c_str());
}

TEST_F(BuildingRowTest, RecyclingReplacesBuildingsThatLeftTheScreen)
{
    Load(0);
    const int32_t right2 = At(2).rightX;
    // Draw offset 10 and a shake of 3: building 2 goes once its right edge
    // + 14 lies left of the scroll.
    m_manager.SetDrawOffset(10, 192);
    m_base.m_ShakeX = 3;
    m_manager.SetScroll(float(right2 + 14), 0.0f);
    m_manager.Update(0.01f);
    EXPECT_EQ(m_manager.GetBuildings().begin()->first, 2);
    m_manager.SetScroll(float(right2 + 15), 0.0f);
    m_manager.Update(0.01f);
    EXPECT_EQ(m_manager.GetBuildings().begin()->first, 3);
    EXPECT_EQ(m_manager.GetBuildings().size(), 25u);
    EXPECT_EQ(m_manager.GetLastBuildingRight(), At(27).rightX);
}

TEST_F(BuildingRowTest, TheExitIsAScreenAheadAndTheFinalBuildingClosesTheRow)
{
    m_data.Write("build_arrange_lev1.xml",
                 "<a><m_LastBuildingTranslationX value=\"12\"/><m_LastBuildingTranslationY value=\"-8\"/></a>");
    Load(0);
    const int32_t nextX = At(24).rightX;
    m_manager.MarkReached(77);  // no such building
    EXPECT_EQ(m_manager.GetBuildings().size(), 25u);

    m_manager.MarkReached(2);
    int32_t exitKey = 3;
    while (At(exitKey).x <= At(2).x + 480) ++exitKey;
    const Building& exit = At(exitKey);
    EXPECT_TRUE(m_manager.IsReached(exitKey));
    EXPECT_TRUE(exit.rightX - exit.x > 960 || MiddleCount(exit) == kMaxMiddlePieces);

    EXPECT_EQ(m_manager.GetBuildings().rbegin()->first, exitKey + 1);
    const Building& last = At(exitKey + 1);
    EXPECT_TRUE(m_manager.GetBuildingFlag(exitKey + 1));
    EXPECT_FALSE(m_manager.IsReached(exitKey + 1));
    EXPECT_EQ(last.leftPiece, 27);  // the final style's rows
    for (int32_t piece : last.middlePieces) EXPECT_EQ(piece, 28);
    EXPECT_EQ(last.rightPiece, 29);
    EXPECT_EQ(last.x, exit.rightX + 12);
    EXPECT_EQ(last.collisionTop, exit.roofY - 8);  // the final style walks on the image top
    EXPECT_EQ(last.rightX - last.x, ImageWidth(0, 27) + 20 * ImageWidth(0, 28) + ImageWidth(0, 29));

    // Generation goes on with the old keys beyond the removed buildings.
    m_manager.GenerateNextBuilding();
    EXPECT_EQ(m_manager.GetBuildings().rbegin()->first, 25);
    EXPECT_GE(At(25).x, nextX + 50);

    // An exit on the last building gets a new final building after it.
    Load(0);
    m_manager.MarkReached(24);
    EXPECT_TRUE(m_manager.IsReached(24));
    EXPECT_TRUE(m_manager.GetBuildingFlag(25));
    EXPECT_EQ(At(25).x, At(24).rightX + 12);
}

TEST_F(BuildingRowTest, CollisionsAtRoofsEdgesGapsAndPastTheRow)
{
    m_data.Write("build_arrange_lev5.xml", kSecondPiecesArrangement);
    Load(4);
    const Building& b = At(5);
    const Building& next = At(6);
    int32_t depth = -1, key = -1;
    const int32_t x = b.collisionLeft + 20;
    EXPECT_TRUE(m_manager.TestCollision(x, b.collisionTop - 42, x + 6, b.collisionTop, &depth, &key));
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(key, 5);
    EXPECT_FALSE(m_manager.TestCollision(x, b.collisionTop - 43, x + 6, b.collisionTop - 1, &depth, &key));
    // Edges are inclusive; in the gap nothing is met however deep, past the
    // last building neither.
    EXPECT_TRUE(m_manager.TestCollision(b.collisionRight, 0, b.collisionRight + 6, b.collisionTop, nullptr, &key));
    EXPECT_EQ(key, 5);
    EXPECT_TRUE(
        m_manager.TestCollision(next.collisionLeft - 6, 0, next.collisionLeft, next.collisionTop, nullptr, &key));
    EXPECT_EQ(key, 6);
    EXPECT_FALSE(m_manager.TestCollision(b.collisionRight + 1, 0, next.collisionLeft - 1, 5000, nullptr, nullptr));
    const int32_t end = m_manager.GetBuildings().rbegin()->second.collisionRight;
    EXPECT_FALSE(m_manager.TestCollision(end + 1, 0, end + 7, 5000, nullptr, nullptr));

    // Tracking starts the search one building before the current one.
    m_manager.SetTracking(true);
    m_manager.SetCurrentKey(10);
    EXPECT_FALSE(m_manager.TestCollision(x, 0, x + 6, b.collisionTop, nullptr, nullptr));
    m_manager.SetCurrentKey(6);
    EXPECT_TRUE(m_manager.TestCollision(x, 0, x + 6, b.collisionTop, nullptr, nullptr));
    m_manager.SetTracking(false);

    // A second-collision piece is met before the roof under it.
    auto carrying = std::find_if(m_manager.GetBuildings().begin(), m_manager.GetBuildings().end(),
                                 [](const auto& entry) { return entry.second.hasSecondCollision; });
    ASSERT_NE(carrying, m_manager.GetBuildings().end());
    const Building& c = carrying->second;
    const int32_t bottom = c.secondBottom - c.secondInset;
    EXPECT_TRUE(m_manager.TestCollision(c.secondLeft, bottom, c.secondLeft + 6, c.collisionTop, &depth, &key));
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(key, carrying->first);
    EXPECT_TRUE(m_manager.TestCollision(c.secondLeft, bottom + 1, c.secondLeft + 6, c.collisionTop, &depth, &key));
    EXPECT_EQ(depth, 1);

    // Exact lookups: a missing key answers false, false and 0, inserting nothing.
    EXPECT_EQ(m_manager.GetBuildingLeft(5), b.collisionLeft);
    EXPECT_FALSE(m_manager.IsReached(25) || m_manager.GetBuildingFlag(25) || m_manager.GetBuildingLeft(25));
    EXPECT_EQ(m_manager.GetBuildings().size(), 25u);
}

TEST_F(BuildingRowTest, RoofSpotsKeepClearOfEndsGapsSecondPiecesAndTheFirstBuilding)
{
    m_data.Write("build_arrange_lev5.xml", R"(<a>
  <m_AllowSecondCollision value="true"/>
  <m_MinBuildingWidth value="700"/>
</a>)");
    Load(4);
    const Building& b = At(1);
    ASSERT_FALSE(b.hasSecondCollision);
    int32_t key = -1;
    EXPECT_EQ(m_manager.FindRoofSpot(b.collisionLeft + 100, 0, b.collisionLeft + 140, 30, false, &key),
              b.collisionTop - 30);
    EXPECT_EQ(key, 1);
    EXPECT_EQ(m_manager.FindRoofSpot(b.collisionLeft + 99, 0, b.collisionLeft + 140, 30, false, nullptr), -1);
    EXPECT_NE(m_manager.FindRoofSpot(b.collisionRight - 140, 0, b.collisionRight - 100, 30, false, nullptr), -1);
    EXPECT_EQ(m_manager.FindRoofSpot(b.collisionRight - 140, 0, b.collisionRight - 99, 30, false, nullptr), -1);
    EXPECT_EQ(m_manager.FindRoofSpot(b.collisionRight - 10, 0, b.collisionRight + 30, 30, false, nullptr), -1);
    EXPECT_EQ(m_manager.FindRoofSpot(At(0).collisionLeft + 500, 0, At(0).collisionLeft + 540, 30, false, nullptr), -1);

    // Beside a second-collision piece: strict wants the span left of it,
    // otherwise 65 px of room on either side.
    auto carrying = std::find_if(m_manager.GetBuildings().begin(), m_manager.GetBuildings().end(),
                                 [](const auto& entry) { return entry.second.hasSecondCollision; });
    ASSERT_NE(carrying, m_manager.GetBuildings().end());
    const Building& c = carrying->second;
    const int32_t left = c.secondLeft - 85, right = c.secondRight + 65;
    EXPECT_NE(m_manager.FindRoofSpot(left, 0, left + 20, 30, true, nullptr), -1);
    EXPECT_EQ(m_manager.FindRoofSpot(left + 1, 0, left + 21, 30, false, nullptr), -1);
    EXPECT_NE(m_manager.FindRoofSpot(right, 0, right + 20, 30, false, nullptr), -1);
    EXPECT_EQ(m_manager.FindRoofSpot(right, 0, right + 20, 30, true, nullptr), -1);
    EXPECT_EQ(m_manager.FindRoofSpot(right - 1, 0, right + 19, 30, false, nullptr), -1);
}

// How far the runner gets in a level's playing time: from the start speed,
// accelerating by the level's speed rule, between the minimum and maximum.
float LevelRunDistance(const LevelParams& p)
{
    const float dt = 0.01f;
    float speed = p.PlayerStartHorizontalSpeed, acceleration = p.PlayerAcceleration, distance = 0.0f;
    for (float t = 0.0f; t < p.TimeOfPlayingInSeconds; t += dt) {
        for (int32_t i = p.rangeCount - 1; i >= 0; --i)
            if (p.ranges[i].minvel <= speed) {
                acceleration = p.ranges[i].value;
                break;
            }
        if (speed < p.PlayerMaxHorizontalSpeed) speed = std::min(speed + dt * acceleration, p.PlayerMaxHorizontalSpeed);
        distance += dt * std::max(speed, p.PlayerMinHorizontalSpeed);
    }
    return distance;
}

// Counts the gaps from the first building to two screens past where the
// exit is placed, and the final building's, that are beyond the runner's
// reach at the level's minimum speed.
void CheckLevelGaps(GameBase& base, const LevelParams& params, int32_t level, int32_t& gaps, int32_t& unreachable)
{
    BuildingManager manager;
    manager.SetOwner(&base);
    manager.LoadAllArrangeParams();
    manager.Load(level);
    const float end = LevelRunDistance(params) + 2.0f * 480.0f;
    while (float(manager.GetBuildings().rbegin()->second.x) < end) manager.GenerateNextBuilding();
    manager.MarkReached(std::prev(manager.GetBuildings().end(), 3)->first);
    gaps = unreachable = 0;
    for (auto a = manager.GetBuildings().begin(), b = std::next(a); b != manager.GetBuildings().end(); ++a, ++b) {
        const float gap = float(b->second.collisionLeft - a->second.collisionRight);
        const float drop = float(b->second.collisionTop - a->second.collisionTop);
        ++gaps;
        unreachable += gap > ComputeJumpReach(params.PlayerMinHorizontalSpeed, drop);
    }
}

TEST_F(BuildingRowTest, EveryGapOfEveryLevelIsWithinTheRunnersReach)
{
    for (int32_t file = 1; file <= 6; ++file)
        m_data.Write("build_arrange_lev" + std::to_string(file) + ".xml", R"(<a>
  <m_FreeSpaceBetweenConstant value="60"/>
  <m_FreeSpaceBetweenRandomRange value="80"/>
  <m_MoreSpaceIfCloserTillTheEnd value="1.5"/>
</a>)");
    m_data.Write("level_gameplay.xml", "<g><PlayerMaxHorizontalSpeed level=\"6\" value=\"520\"/></g>");
    GameWorld world;
    ASSERT_TRUE(world.ReadLevelParams("level_gameplay.xml"));
    int32_t gaps = 0, unreachable = 0;
    for (int32_t level = 0; level < 6; ++level) {
        CheckLevelGaps(m_base, world.GetLevelParams(level), level, gaps, unreachable);
        EXPECT_GT(gaps, 40) << level;
        EXPECT_EQ(unreachable, 0) << level;
    }

    // The check bites: gaps of 498 px are within reach on level ground but
    // not ahead of a roof raised by about 27 px or more; 698 px never.
    m_data.Write("build_arrange_lev1.xml", R"(<a><m_FreeSpaceBetweenConstant value="500"/>
  <m_FreeSpaceBetweenRandomRange value="0"/><m_MoreSpaceIfCloserTillTheEnd value="0"/></a>)");
    CheckLevelGaps(m_base, world.GetLevelParams(0), 0, gaps, unreachable);
    EXPECT_GT(unreachable, 0);
    EXPECT_LT(unreachable, gaps / 2);
    m_data.Write("build_arrange_lev1.xml", "<a><m_FreeSpaceBetweenConstant value=\"700\"/></a>");
    CheckLevelGaps(m_base, world.GetLevelParams(0), 0, gaps, unreachable);
    EXPECT_EQ(unreachable, gaps - 1);  // all but the flush final building
}

}  // namespace
