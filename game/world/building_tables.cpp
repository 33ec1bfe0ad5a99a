#include "game/world/building_tables.h"

namespace {

constexpr int32_t L = kPartLeft;
constexpr int32_t M = kPartMiddle;
constexpr int32_t R = kPartRight;
constexpr int32_t S = kPartSecondCollision;

// Rows of one style are consecutive; each table ends with the final style's
// left, middle and right rows, which show the look of the next level.
constexpr BuildingPiece kLevel0Pieces[] = {
    {"lev1_buildin1_01.png", L, 0, 0},
    {"lev1_buildin1_02.png", M, 0, 0},
    {"lev1_buildin1_03.png", R, 0, 0},
    {"lev1_buildin2_02.png", L, 1, 0},
    {"lev1_buildin2_03.png", M, 1, 0},
    {"lev1_buildin2_01.png", R, 1, 0},
    {"lev1_buildin3_01.png", L, 2, 0},
    {"lev1_buildin3_02.png", M, 2, 0},
    {"lev1_buildin3_03.png", R, 2, 0},
    {"lev1_buildin3_08.png", L, 3, 0},
    {"lev1_buildin3_04.png", M, 3, 0},
    {"lev1_buildin3_06.png", M, 3, 0},
    {"lev1_buildin3_07.png", M, 3, 0},
    {"lev1_buildin3_10.png", M, 3, 0},
    {"lev1_buildin3_09.png", R, 3, 0},
    {"lev1_buildin4_01.png", L, 4, 0},
    {"lev1_buildin4_02.png", M, 4, 0},
    {"lev1_buildin4_03.png", M, 4, 0},
    {"lev1_buildin4_04.png", M, 4, 0},
    {"lev1_buildin4_05.png", R, 4, 0},
    {"lev1_buildin5_01.png", L, 5, 0},
    {"lev1_buildin5_01.png", M, 5, 0},
    {"lev1_buildin5_02.png", M, 5, 0},
    {"lev1_buildin5_02.png", R, 5, 0},
    {"lev1_buildin6_01.png", L, 6, 0},
    {"lev1_buildin6_01.png", M, 6, 0},
    {"lev1_buildin6_01.png", R, 6, 0},
    {"lev2_train01.png", L, 7, 0},
    {"lev2_train02.png", M, 7, 0},
    {"lev2_train04.png", R, 7, 0},
};

constexpr BuildingPiece kLevel1Pieces[] = {
    {"lev2_train01.png", L, 0, 0},
    {"lev2_train02.png", M, 0, 0},
    {"lev2_train02_grafiti1.png", M, 0, 0},
    {"lev2_train02_grafiti2.png", M, 0, 0},
    {"lev2_train03.png", M, 0, 0},
    {"lev2_train04.png", R, 0, 0},
    {"lev2_second_coll_01.png", S, 0, 0},
    {"lev2_platform_run01.png", L, 1, 0},
    {"lev2_platform_run02.png", M, 1, 0},
    {"lev2_platform_run03.png", R, 1, 0},
    {"lev3_build_b_04.png", L, 2, 0},
    {"lev3_build_b_01.png", M, 2, 0},
    {"lev3_build_b_05.png", R, 2, 0},
};

constexpr BuildingPiece kLevel2Pieces[] = {
    {"lev3_build_b_04.png", L, 0, 0},
    {"lev3_build_b_01.png", M, 0, 0},
    {"lev3_build_b_02.png", M, 0, kPieceWater},
    {"lev3_build_b_02.png", M, 0, kPieceWater},
    {"lev3_build_b_03.png", M, 0, 0},
    {"lev3_build_b_05.png", R, 0, 0},
    {"lev3_build_a_01_sec_collision.png", S, 0, kPieceSingle},
    {"lev3_build_b_04.png", L, 1, 0},
    {"lev3_build_b_01.png", M, 1, 0},
    {"lev3_build_b_02.png", M, 1, kPieceWater},
    {"lev3_build_b_02.png", M, 1, kPieceWater},
    {"lev3_build_b_03.png", M, 1, 0},
    {"lev3_build_b_05.png", R, 1, 0},
    {"lev3_build_a_02_sec_collision.png", S, 1, kPieceSingle},
    {"lev4_buildin2_01.png", L, 2, 0},
    {"lev4_buildin2_02.png", M, 2, 0},
    {"lev4_buildin2_03.png", R, 2, 0},
};

constexpr BuildingPiece kLevel3Pieces[] = {
    {"lev4_buildin2_01.png", L, 0, 0},
    {"lev4_buildin2_02.png", M, 0, 0},
    {"lev4_buildin2_03.png", R, 0, 0},
    {"lev4_buildin2_02_sec_collision.png", S, 0, 0},
    {"lev4_buildin1_01.png", L, 1, 0},
    {"lev4_buildin1_02.png", M, 1, 0},
    {"lev4_buildin1_03.png", R, 1, 0},
    {"lev4_buildin3_01.png", L, 2, 0},
    {"lev4_buildin3_02.png", M, 2, 0},
    {"lev4_buildin3_03.png", R, 2, 0},
    {"lev4_buildin3_sec_collision.png", S, 2, 0},
    {"lev4_buildin4_01.png", L, 3, 0},
    {"lev4_buildin4_02.png", M, 3, kPieceFan},
    {"lev4_buildin4_03.png", M, 3, 0},
    {"lev4_buildin4_04.png", M, 3, 0},
    {"lev4_buildin4_05.png", R, 3, 0},
    {"lev4_belka_01.png", L, 4, kPieceBeamLeft},
    {"lev4_belka_02_b.png", M, 4, kPieceBeamMiddle},
    {"lev4_belka_03.png", R, 4, kPieceBeamRight},
    {"lev5_buildin1_01.png", L, 5, 0},
    {"lev5_buildin1_02.png", M, 5, 0},
    {"lev5_buildin1_03.png", R, 5, 0},
};

constexpr BuildingPiece kLevel4Pieces[] = {
    {"lev5_buildin1_01.png", L, 0, 0},
    {"lev5_buildin1_02.png", M, 0, 0},
    {"lev5_buildin1_03.png", R, 0, 0},
    {"lev5_second_collision_klatka.png", S, 0, kPieceSingle},
    {"lev5_second_collision_komin.png", S, 0, kPieceSingle},
    {"lev5_second_collision_rura1.png", S, 0, kPieceSingle},
    {"lev5_second_collision_wentylacja.png", S, 0, kPieceSingle},
    {"lev5_buildin2_01.png", L, 1, 0},
    {"lev5_buildin2_02.png", M, 1, 0},
    {"lev5_buildin2_03.png", R, 1, 0},
    {"lev5_second_collision_klatka.png", S, 1, kPieceSingle},
    {"lev5_second_collision_komin.png", S, 1, kPieceSingle},
    {"lev5_second_collision_rura1.png", S, 1, kPieceSingle},
    {"lev5_second_collision_wentylacja.png", S, 1, kPieceSingle},
    {"lev5_buildin3_01.png", L, 2, 0},
    {"lev5_buildin3_02.png", M, 2, 0},
    {"lev5_buildin3_03.png", R, 2, 0},
    {"lev5_second_collision_klatka.png", S, 2, kPieceSingle},
    {"lev5_second_collision_komin.png", S, 2, kPieceSingle},
    {"lev5_second_collision_rura1.png", S, 2, kPieceSingle},
    {"lev5_second_collision_wentylacja.png", S, 2, kPieceSingle},
    {"lev5_buildin4_01.png", L, 3, 0},
    {"lev5_buildin4_02.png", M, 3, 0},
    {"lev5_buildin4_03.png", R, 3, 0},
    {"lev5_second_collision_klatka.png", S, 3, kPieceSingle},
    {"lev5_second_collision_komin.png", S, 3, kPieceSingle},
    {"lev5_second_collision_rura1.png", S, 3, kPieceSingle},
    {"lev5_second_collision_wentylacja.png", S, 3, kPieceSingle},
    {"lev6_buildin1_01.png", L, 4, 0},
    {"lev6_buildin1_02.png", M, 4, 0},
    {"lev6_buildin1_03.png", R, 4, 0},
};

constexpr BuildingPiece kLevel5Pieces[] = {
    {"lev6_buildin1_01.png", L, 0, 0},
    {"lev6_buildin1_02.png", M, 0, 0},
    {"lev6_buildin1_03.png", R, 0, 0},
    {"lev6_billboard_2.png", S, 0, kPieceSingle},
    {"lev6_buildin2_01.png", L, 1, 0},
    {"lev6_buildin2_02.png", M, 1, 0},
    {"lev6_buildin2_03.png", R, 1, 0},
    {"lev6_billboard2.png", S, 1, kPieceSingle},
    {"lev6_buildin3_01.png", L, 2, 0},
    {"lev6_buildin3_02.png", M, 2, 0},
    {"lev6_buildin3_03.png", R, 2, 0},
    {"lev6_second_collision_klatka.png", S, 2, kPieceSingle},
    {"lev6_second_collision_komin.png", S, 2, kPieceSingle},
    {"lev6_second_collision_rura1.png", S, 2, kPieceSingle},
    {"lev6_second_collision_wentylacja.png", S, 2, kPieceSingle},
    {"lev6_buildin4_01.png", L, 3, 0},
    {"lev6_buildin4_02.png", M, 3, 0},
    {"lev6_buildin4_03.png", R, 3, 0},
    {"lev6_second_collision_klatka.png", S, 3, kPieceSingle},
    {"lev6_second_collision_komin.png", S, 3, kPieceSingle},
    {"lev6_second_collision_rura1.png", S, 3, kPieceSingle},
    {"lev6_second_collision_wentylacja.png", S, 3, kPieceSingle},
    {"lev6_buildin5_01.png", L, 4, 0},
    {"lev6_buildin5_02.png", M, 4, 0},
    {"lev6_buildin5_03.png", R, 4, 0},
    {"lev6_buildin1_01.png", L, 5, 0},
    {"lev6_buildin1_02.png", M, 5, 0},
    {"lev6_buildin1_03.png", R, 5, 0},
};

// {roof collision offset, roof y offset, height factor, single middle piece,
// second-collision inset}; the last style of each level is its final style.
constexpr BuildingStyle kLevel0Styles[] = {
    {40, 0, 1.0f, false, 0}, {40, 0, 1.0f, false, 0}, {40, 0, 1.0f, false, 0}, {40, 0, 1.0f, false, 0},
    {40, 0, 1.0f, false, 0}, {40, 0, 1.0f, false, 0}, {40, 0, 1.0f, false, 0}, {0, 0, 1.0f, false, 0},
};
constexpr BuildingStyle kLevel1Styles[] = {
    {0, 0, 1.0f, false, 0},
    {0, 80, 0.0f, false, 0},
    {0, 0, 1.0f, false, 0},
};
constexpr BuildingStyle kLevel2Styles[] = {
    {0, 0, 1.0f, false, 390},
    {0, 0, 1.0f, false, 34},
    {0, 0, 1.0f, false, 0},
};
constexpr BuildingStyle kLevel3Styles[] = {
    {0, 0, 1.0f, false, 0}, {0, 0, 1.0f, false, 0}, {0, 0, 1.0f, false, 0},
    {0, 0, 1.0f, false, 0}, {0, 0, 1.0f, false, 0}, {40, 0, 1.0f, false, 0},
};
constexpr BuildingStyle kLevel4Styles[] = {
    {40, 0, 1.0f, false, 0}, {40, 0, 1.0f, false, 0}, {40, 0, 1.0f, false, 0},
    {40, 0, 1.0f, false, 0}, {40, 0, 1.0f, false, 0},
};
constexpr BuildingStyle kLevel5Styles[] = {
    {40, 0, 1.0f, false, 29}, {40, 0, 1.0f, false, 29}, {40, 0, 1.0f, false, 0},
    {40, 0, 1.0f, false, 0},  {0, 0, 1.0f, false, 0},   {40, 0, 1.0f, false, 0},
};

template <typename T, int32_t N>
constexpr int32_t CountOf(const T (&)[N])
{
    return N;
}

struct LevelTables {
    const BuildingPiece* pieces;
    int32_t pieceCount;
    const BuildingStyle* styles;
    int32_t styleCount;
};

constexpr LevelTables kLevels[kLevelCount] = {
    {kLevel0Pieces, CountOf(kLevel0Pieces), kLevel0Styles, CountOf(kLevel0Styles)},
    {kLevel1Pieces, CountOf(kLevel1Pieces), kLevel1Styles, CountOf(kLevel1Styles)},
    {kLevel2Pieces, CountOf(kLevel2Pieces), kLevel2Styles, CountOf(kLevel2Styles)},
    {kLevel3Pieces, CountOf(kLevel3Pieces), kLevel3Styles, CountOf(kLevel3Styles)},
    {kLevel4Pieces, CountOf(kLevel4Pieces), kLevel4Styles, CountOf(kLevel4Styles)},
    {kLevel5Pieces, CountOf(kLevel5Pieces), kLevel5Styles, CountOf(kLevel5Styles)},
};

constexpr bool TablesFitTheImageSlots()
{
    for (const LevelTables& level : kLevels)
        if (level.pieceCount > kMaxBuildingPieces) return false;
    return true;
}
static_assert(TablesFitTheImageSlots(), "a piece table outgrows the building manager's image slots");

}  // namespace

const BuildingPiece* GetBuildingPieces(int32_t level, int32_t* rowCount)
{
    const bool valid = level >= 0 && level < kLevelCount;
    if (rowCount) *rowCount = valid ? kLevels[level].pieceCount : 0;
    return valid ? kLevels[level].pieces : nullptr;
}

const BuildingStyle* GetBuildingStyles(int32_t level, int32_t* styleCount)
{
    const bool valid = level >= 0 && level < kLevelCount;
    if (styleCount) *styleCount = valid ? kLevels[level].styleCount : 0;
    return valid ? kLevels[level].styles : nullptr;
}
