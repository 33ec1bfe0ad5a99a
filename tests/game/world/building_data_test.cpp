// The building data: the arrangement files with their defaults, and the
// compiled-in piece and style tables.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "game/world/building_manager.h"
#include "game/world/building_tables.h"
#include "tests/game/support/game_data_folder.h"

namespace {

void ExpectTableDefaults(const BuildArrangeParams& p, float moreSpace)
{
    EXPECT_EQ(p.m_FreeSpaceBetweenConstant, 50);
    EXPECT_EQ(p.m_FreeSpaceBetweenRandomRange, 70);
    EXPECT_EQ(p.m_MoreSpaceIfCloserTillTheEnd, moreSpace);
    EXPECT_EQ(p.m_ConstantY, 224);
    EXPECT_EQ(p.m_HeightRandomRange, 64);
    EXPECT_EQ(p.m_MinMiddleAssets, 1);
    EXPECT_EQ(p.m_MaxMiddleAssets, 20);
    EXPECT_FALSE(p.m_AllowSecondCollision);
    EXPECT_EQ(p.m_HowOftenSecondCollision, 1);
    EXPECT_EQ(p.m_SecondCollisionDistanceFromGround, 30);
    EXPECT_FALSE(p.m_AlwaysFirstBuildingBetween);
    EXPECT_EQ(p.m_MinBuildingWidth, 350);
    EXPECT_EQ(p.m_LastBuildingTranslationX, 0);
    EXPECT_EQ(p.m_LastBuildingTranslationY, 0);
    EXPECT_EQ(p.m_BuildingsCollisionMarginLeft, 0);
    EXPECT_EQ(p.m_BuildingsCollisionMarginRight, 0);
}

TEST(BuildArrangeTest, EveryLevelStartsFromTheTableDefaults)
{
    BuildingManager manager;
    for (int level = 0; level < 6; ++level)
        ExpectTableDefaults(manager.GetArrangeParams(level), level < 2 ? 4.0f : 0.0f);

    // Without files nothing changes.
    VokeTest::GameDataFolder data;
    manager.LoadAllArrangeParams();
    for (int level = 0; level < 6; ++level)
        ExpectTableDefaults(manager.GetArrangeParams(level), level < 2 ? 4.0f : 0.0f);
}

TEST(BuildArrangeTest, ACompleteFileSetsAllSixteenKeys)
{
    VokeTest::GameDataFolder data;
    data.Write("build_arrange_lev3.xml", R"(<arrange>
  <m_FreeSpaceBetweenConstant value="60"/>
  <m_FreeSpaceBetweenRandomRange value="40"/>
  <m_MoreSpaceIfCloserTillTheEnd value="1.5"/>
  <m_ConstantY value="200"/>
  <m_HeightRandomRange value="32"/>
  <m_MinMiddleAssets value="2"/>
  <m_MaxMiddleAssets value="12"/>
  <m_AllowSecondCollision value="true"/>
  <m_HowOftenSecondCollision value="3"/>
  <m_SecondCollisionDistanceFromGround value="0"/>
  <m_AlwaysFirstBuildingBetween value="yes"/>
  <m_MinBuildingWidth value="400"/>
  <m_LastBuildingTranslationX value="-10"/>
  <m_LastBuildingTranslationY value="20"/>
  <m_BuildingsCollisionMarginLeft value="3"/>
  <m_BuildingsCollisionMarginRight value="4"/>
</arrange>)");
    BuildingManager manager;
    manager.LoadAllArrangeParams();
    const BuildArrangeParams& p = manager.GetArrangeParams(2);
    EXPECT_EQ(p.m_FreeSpaceBetweenConstant, 60);
    EXPECT_EQ(p.m_FreeSpaceBetweenRandomRange, 40);
    EXPECT_EQ(p.m_MoreSpaceIfCloserTillTheEnd, 1.5f);
    EXPECT_EQ(p.m_ConstantY, 200);
    EXPECT_EQ(p.m_HeightRandomRange, 32);
    EXPECT_EQ(p.m_MinMiddleAssets, 2);
    EXPECT_EQ(p.m_MaxMiddleAssets, 12);
    EXPECT_TRUE(p.m_AllowSecondCollision);
    EXPECT_EQ(p.m_HowOftenSecondCollision, 3);
    EXPECT_EQ(p.m_SecondCollisionDistanceFromGround, 0);
    EXPECT_TRUE(p.m_AlwaysFirstBuildingBetween);
    EXPECT_EQ(p.m_MinBuildingWidth, 400);
    EXPECT_EQ(p.m_LastBuildingTranslationX, -10);
    EXPECT_EQ(p.m_LastBuildingTranslationY, 20);
    EXPECT_EQ(p.m_BuildingsCollisionMarginLeft, 3);
    EXPECT_EQ(p.m_BuildingsCollisionMarginRight, 4);
    ExpectTableDefaults(manager.GetArrangeParams(1), 4.0f);  // each file fills its own block
}

TEST(BuildArrangeTest, NumberFormsCaseBadValuesAndBadFiles)
{
    VokeTest::GameDataFolder data;
    data.Write("build_arrange_lev7.xml", "<a><m_ConstantY value=\"1\"/></a>");
    data.Write("build_arrange_lev2.xml", "<a><m_ConstantY value=\"1\"/><m_MinBuildingWidth");
    BuildArrangeParams untouched;
    EXPECT_FALSE(BuildingManager::LoadArrangeParams(6, &untouched));
    EXPECT_FALSE(BuildingManager::LoadArrangeParams(-1, &untouched));
    EXPECT_FALSE(BuildingManager::LoadArrangeParams(0, nullptr));
    EXPECT_FALSE(BuildingManager::LoadArrangeParams(0, &untouched));  // missing
    EXPECT_FALSE(BuildingManager::LoadArrangeParams(1, &untouched));  // damaged
    ExpectTableDefaults(untouched, 4.0f);

    data.Write("build_arrange_lev1.xml", R"(<a>
  <M_CONSTANTY value="0x100"/>
  <m_minbuildingwidth value="0400"/>
  <m_FreeSpaceBetweenConstant value="abc"/>
  <m_AllowSecondCollision value="TRUE"/>
  <m_AlwaysFirstBuildingBetween/>
  <m_MoreSpaceIfCloserTillTheEnd value="abc"/>
  <m_HeightRandomRange value="10"/>
  <m_HeightRandomRange value="20"/>
  <SomethingElse value="1"/>
  <group><m_MaxMiddleAssets value="3"/></group>
</a>)");
    BuildArrangeParams p;
    ASSERT_TRUE(BuildingManager::LoadArrangeParams(0, &p));
    EXPECT_EQ(p.m_ConstantY, 256);
    EXPECT_EQ(p.m_MinBuildingWidth, 256);  // a leading 0 is octal
    EXPECT_EQ(p.m_FreeSpaceBetweenConstant, 50);
    EXPECT_FALSE(p.m_AllowSecondCollision);  // the words are compared with case
    EXPECT_FALSE(p.m_AlwaysFirstBuildingBetween);
    EXPECT_EQ(p.m_MoreSpaceIfCloserTillTheEnd, 0.0f);  // a float is always converted
    EXPECT_EQ(p.m_HeightRandomRange, 20);              // the last occurrence wins
    EXPECT_EQ(p.m_MaxMiddleAssets, 20);                // only the root's children are keys
}

// The tables are data transcribed by hand: invariants that catch a slip.
TEST(BuildingTablesTest, RowAndStyleCountsAndTheFinalStyle)
{
    const int32_t rowCounts[6] = {30, 13, 17, 22, 31, 28};
    const int32_t styleCounts[6] = {8, 3, 3, 6, 5, 6};
    for (int32_t level = 0; level < 6; ++level) {
        int32_t rows = 0, styles = 0;
        const BuildingPiece* pieces = GetBuildingPieces(level, &rows);
        const BuildingStyle* list = GetBuildingStyles(level, &styles);
        ASSERT_NE(pieces, nullptr);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(rows, rowCounts[level]);
        EXPECT_EQ(styles, styleCounts[level]);
        EXPECT_LE(rows, kMaxBuildingPieces);

        // Rows of one style are consecutive and styles come in order.
        for (int32_t i = 1; i < rows; ++i) {
            EXPECT_GE(pieces[i].style, pieces[i - 1].style) << level << " row " << i;
            EXPECT_LE(pieces[i].style, pieces[i - 1].style + 1) << level << " row " << i;
        }
        // The final style is made of exactly the last three rows: L, M, R.
        EXPECT_EQ(pieces[rows - 3].part, kPartLeft);
        EXPECT_EQ(pieces[rows - 2].part, kPartMiddle);
        EXPECT_EQ(pieces[rows - 1].part, kPartRight);
        for (int32_t i = rows - 3; i < rows; ++i) EXPECT_EQ(pieces[i].style, styles - 1);
        EXPECT_EQ(pieces[rows - 4].style, styles - 2);
        // Every ordinary style has a left, a middle and a right piece.
        for (int32_t style = 0; style < styles - 1; ++style) {
            std::set<int32_t> parts;
            for (int32_t i = 0; i < rows; ++i)
                if (pieces[i].style == style) parts.insert(pieces[i].part);
            EXPECT_TRUE(parts.count(kPartLeft) && parts.count(kPartMiddle) && parts.count(kPartRight))
                << level << " style " << style;
        }
        for (int32_t style = 0; style < styles; ++style) EXPECT_FALSE(list[style].singleMiddlePiece);
    }
    EXPECT_EQ(GetBuildingPieces(6, nullptr), nullptr);
    int32_t count = 7;
    EXPECT_EQ(GetBuildingStyles(-1, &count), nullptr);
    EXPECT_EQ(count, 0);
}

TEST(BuildingTablesTest, FlagsSitOnlyWhereTheyBelong)
{
    // {level, row, flags} of every flagged row; all others are 0.
    std::set<std::tuple<int, int, uint32_t>> expected = {
        {2, 2, kPieceWater},       {2, 3, kPieceWater},        {2, 9, kPieceWater},       {2, 10, kPieceWater},
        {2, 6, kPieceSingle},      {2, 13, kPieceSingle},      {3, 12, kPieceFan},        {3, 16, kPieceBeamLeft},
        {3, 17, kPieceBeamMiddle}, {3, 18, kPieceBeamRight},
    };
    for (int level : {4, 5}) {
        int32_t rows = 0;
        const BuildingPiece* pieces = GetBuildingPieces(level, &rows);
        for (int32_t i = 0; i < rows; ++i)
            if (pieces[i].part == kPartSecondCollision) expected.insert({level, i, kPieceSingle});
    }
    std::set<std::tuple<int, int, uint32_t>> found;
    for (int32_t level = 0; level < 6; ++level) {
        int32_t rows = 0;
        const BuildingPiece* pieces = GetBuildingPieces(level, &rows);
        for (int32_t i = 0; i < rows; ++i)
            if (pieces[i].flags) found.insert({level, i, pieces[i].flags});
    }
    EXPECT_EQ(found, expected);
}

}  // namespace
