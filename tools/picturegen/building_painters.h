// The building pieces of each level (file levels 1 to 6), each family in its
// own file; PaintBuildings runs them in level order.
#pragma once

#include "tools/picturegen/art_kit.h"

namespace PictureGen {

void PaintPrisonBuildings(ArtBook& book);        // "lev1_buildin*"
void PaintMetroBuildings(ArtBook& book);         // "lev2_train*", "lev2_platform_run*", "lev2_second_coll_01"
void PaintSewerBuildings(ArtBook& book);         // "lev3_build_*"
void PaintConstructionBuildings(ArtBook& book);  // "lev4_buildin*", "lev4_belka_*"
void PaintSuburbBuildings(ArtBook& book);        // "lev5_buildin*", "lev5_second_collision_*"
void PaintRooftopBuildings(ArtBook& book);       // "lev6_buildin*", "lev6_billboard*", "lev6_second_collision_*"

// Roof items that stand on a roof and must be jumped over (the collision
// box is the whole image): a stairwell housing, a chimney, a pipe and a
// vent, in a palette.
struct RoofItemPalette {
    Rgb wall, wallLit, wallDark, roof, roofLit, door, metal, metalLit, metalDark, brick, brickDark;
};
void PaintRoofItems(ArtBook& book, const std::string& group, const std::string& prefix,
                    const RoofItemPalette& p);

}  // namespace PictureGen
