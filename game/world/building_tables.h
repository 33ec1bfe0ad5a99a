// The compiled-in building data of the six levels: which image pieces make up
// the buildings and the building styles they belong to.
//
// A building is a left piece, middle pieces and a right piece drawn side by
// side, optionally with a second-collision piece (an obstacle above the roof
// that the runner passes under). Each level has one piece table, rows in a
// fixed order (a row's position is its piece index and its image slot), and
// one style list whose last entry is the final style: the level's final
// building is made of the table's last three rows. Both are constant for the
// life of the process and depend on no file.
#pragma once

#include <cstdint>

// What a piece forms of a building.
enum BuildingPart : int32_t {
    kPartLeft = 0,
    kPartMiddle = 1,
    kPartRight = 2,
    kPartSecondCollision = 3,
};

// Flag bits of a piece row.
enum BuildingPieceFlags : uint32_t {
    kPieceWater = 1,         // level index 2: animated water drawn over this middle piece
    kPieceNoObstacles = 4,   // no obstacle on a building whose first middle piece has it
    kPieceSingle = 8,        // second-collision piece drawn once; its box is as high as the image
    kPieceFan = 16,          // level index 3: turning fan drawn over this middle piece
    kPieceBeamLeft = 32,     // level index 3: drawn hanging from the roof line
    kPieceBeamMiddle = 64,
    kPieceBeamRight = 128,
};

// One row of a level's piece table.
struct BuildingPiece {
    const char* image;  // asset name, loaded without image options
    int32_t part;       // BuildingPart
    int32_t style;      // index into the level's style list
    uint32_t flags;     // BuildingPieceFlags
};

// One building style of a level.
struct BuildingStyle {
    // The roof's collision top lies this far below the pieces' top edge.
    int32_t roofCollisionOffset;
    // Added to the arrangement's m_ConstantY.
    int32_t roofYOffset;
    // Scales the arrangement's random roof lowering (0: none).
    float heightFactor;
    // A building of this style wants one middle piece.
    bool singleMiddlePiece;
    // A second-collision box ends this far above the bottom of its piece.
    int32_t secondCollisionInset;
};

// NOTE: the largest piece table has 31 rows; a building manager keeps this
// many image slots.
constexpr int32_t kMaxBuildingPieces = 36;
constexpr int32_t kLevelCount = 6;

// The level's piece table and its row count (30, 13, 17, 22, 31, 28 for
// levels 0 to 5). Null and a count of 0 for a level outside 0 to 5.
const BuildingPiece* GetBuildingPieces(int32_t level, int32_t* rowCount);
// The level's style list and its length (8, 3, 3, 6, 5, 6); the last entry
// is the final style. Null and 0 for a level outside 0 to 5.
const BuildingStyle* GetBuildingStyles(int32_t level, int32_t* styleCount);
