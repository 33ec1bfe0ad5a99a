#include "tools/picturegen/building_tables.h"

namespace PictureGen {

namespace {
LevelPieces MakeLevel(int level)
{
    LevelPieces t;
    auto row = [&t](const std::string& image, int part, int style, unsigned flags = 0) {
        t.rows.push_back({image, part, style, flags});
    };
    const int L = kPartLeft, M = kPartMiddle, R = kPartRight, S = kPartSecond;
    // The roof items of levels 5 and 6: single pieces standing on the roof.
    auto roofItems = [&row](const std::string& prefix, int style) {
        for (const char* item : {"klatka", "komin", "rura1", "wentylacja"})
            row(prefix + item + ".png", kPartSecond, style, kFlagSingle);
    };
    switch (level) {
    case 0:
        row("lev1_buildin1_01.png", L, 0);
        row("lev1_buildin1_02.png", M, 0);
        row("lev1_buildin1_03.png", R, 0);
        row("lev1_buildin2_02.png", L, 1);
        row("lev1_buildin2_03.png", M, 1);
        row("lev1_buildin2_01.png", R, 1);
        row("lev1_buildin3_01.png", L, 2);
        row("lev1_buildin3_02.png", M, 2);
        row("lev1_buildin3_03.png", R, 2);
        row("lev1_buildin3_08.png", L, 3);
        row("lev1_buildin3_04.png", M, 3);
        row("lev1_buildin3_06.png", M, 3);
        row("lev1_buildin3_07.png", M, 3);
        row("lev1_buildin3_10.png", M, 3);
        row("lev1_buildin3_09.png", R, 3);
        row("lev1_buildin4_01.png", L, 4);
        row("lev1_buildin4_02.png", M, 4);
        row("lev1_buildin4_03.png", M, 4);
        row("lev1_buildin4_04.png", M, 4);
        row("lev1_buildin4_05.png", R, 4);
        row("lev1_buildin5_01.png", L, 5);
        row("lev1_buildin5_01.png", M, 5);
        row("lev1_buildin5_02.png", M, 5);
        row("lev1_buildin5_02.png", R, 5);
        row("lev1_buildin6_01.png", L, 6);
        row("lev1_buildin6_01.png", M, 6);
        row("lev1_buildin6_01.png", R, 6);
        row("lev2_train01.png", L, 7);
        row("lev2_train02.png", M, 7);
        row("lev2_train04.png", R, 7);
        t.styles = {{40, 0}, {40, 0}, {40, 0}, {40, 0}, {40, 0}, {40, 0}, {40, 0}, {0, 0}};
        break;
    case 1:
        row("lev2_train01.png", L, 0);
        row("lev2_train02.png", M, 0);
        row("lev2_train02_grafiti1.png", M, 0);
        row("lev2_train02_grafiti2.png", M, 0);
        row("lev2_train03.png", M, 0);
        row("lev2_train04.png", R, 0);
        row("lev2_second_coll_01.png", S, 0);
        row("lev2_platform_run01.png", L, 1);
        row("lev2_platform_run02.png", M, 1);
        row("lev2_platform_run03.png", R, 1);
        row("lev3_build_b_04.png", L, 2);
        row("lev3_build_b_01.png", M, 2);
        row("lev3_build_b_05.png", R, 2);
        t.styles = {{0, 0}, {0, 0}, {0, 0}};
        break;
    case 2:
        for (int style = 0; style < 2; ++style) {
            row("lev3_build_b_04.png", L, style);
            row("lev3_build_b_01.png", M, style);
            row("lev3_build_b_02.png", M, style, kFlagWater);
            row("lev3_build_b_02.png", M, style, kFlagWater);
            row("lev3_build_b_03.png", M, style);
            row("lev3_build_b_05.png", R, style);
            row(style == 0 ? "lev3_build_a_01_sec_collision.png" : "lev3_build_a_02_sec_collision.png", S, style,
                kFlagSingle);
        }
        row("lev4_buildin2_01.png", L, 2);
        row("lev4_buildin2_02.png", M, 2);
        row("lev4_buildin2_03.png", R, 2);
        t.styles = {{0, 390}, {0, 34}, {0, 0}};
        break;
    case 3:
        row("lev4_buildin2_01.png", L, 0);
        row("lev4_buildin2_02.png", M, 0);
        row("lev4_buildin2_03.png", R, 0);
        row("lev4_buildin2_02_sec_collision.png", S, 0);
        row("lev4_buildin1_01.png", L, 1);
        row("lev4_buildin1_02.png", M, 1);
        row("lev4_buildin1_03.png", R, 1);
        row("lev4_buildin3_01.png", L, 2);
        row("lev4_buildin3_02.png", M, 2);
        row("lev4_buildin3_03.png", R, 2);
        row("lev4_buildin3_sec_collision.png", S, 2);
        row("lev4_buildin4_01.png", L, 3);
        row("lev4_buildin4_02.png", M, 3, kFlagFan);
        row("lev4_buildin4_03.png", M, 3);
        row("lev4_buildin4_04.png", M, 3);
        row("lev4_buildin4_05.png", R, 3);
        row("lev4_belka_01.png", L, 4, kFlagBeamLeft);
        row("lev4_belka_02_b.png", M, 4, kFlagBeamMiddle);
        row("lev4_belka_03.png", R, 4, kFlagBeamRight);
        row("lev5_buildin1_01.png", L, 5);
        row("lev5_buildin1_02.png", M, 5);
        row("lev5_buildin1_03.png", R, 5);
        t.styles = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {40, 0}};
        break;
    case 4:
        for (int style = 0; style < 4; ++style) {
            std::string base = "lev5_buildin" + std::to_string(style + 1);
            row(base + "_01.png", L, style);
            row(base + "_02.png", M, style);
            row(base + "_03.png", R, style);
            roofItems("lev5_second_collision_", style);
        }
        row("lev6_buildin1_01.png", L, 4);
        row("lev6_buildin1_02.png", M, 4);
        row("lev6_buildin1_03.png", R, 4);
        t.styles = {{40, 0}, {40, 0}, {40, 0}, {40, 0}, {40, 0}};
        break;
    case 5:
        for (int style = 0; style < 5; ++style) {
            std::string base = "lev6_buildin" + std::to_string(style + 1);
            row(base + "_01.png", L, style);
            row(base + "_02.png", M, style);
            row(base + "_03.png", R, style);
            if (style == 0) row("lev6_billboard_2.png", S, 0, kFlagSingle);
            if (style == 1) row("lev6_billboard2.png", S, 1, kFlagSingle);
            if (style == 2 || style == 3) roofItems("lev6_second_collision_", style);
        }
        row("lev6_buildin1_01.png", L, 5);
        row("lev6_buildin1_02.png", M, 5);
        row("lev6_buildin1_03.png", R, 5);
        t.styles = {{40, 29}, {40, 29}, {40, 0}, {40, 0}, {0, 0}, {40, 0}};
        break;
    default:
        break;
    }
    return t;
}
}  // namespace

const LevelPieces& PieceTable(int level)
{
    static const std::vector<LevelPieces> tables = [] {
        std::vector<LevelPieces> all;
        for (int level = 0; level < 6; ++level) all.push_back(MakeLevel(level));
        return all;
    }();
    static const LevelPieces empty;
    return level >= 0 && level < 6 ? tables[level] : empty;
}

std::string LevelGroup(int level) { return "level0" + std::to_string(level + 1); }

std::string BuildingGroup(const std::string& image)
{
    // "levN_..." belongs to the atlas page "level0N".
    if (image.size() > 4 && image.compare(0, 3, "lev") == 0 && image[3] >= '1' && image[3] <= '6')
        return LevelGroup(image[3] - '1');
    return "ab01";
}

}  // namespace PictureGen
