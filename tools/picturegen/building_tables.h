// The game's building pieces and styles per level, as the painters and the
// contact sheets need them: which image is a left, middle, right or
// second-collision piece of which style, its flags, and each style's roof
// collision offset and second-collision inset.
#pragma once

#include <string>
#include <vector>

namespace PictureGen {

enum PiecePart { kPartLeft = 0, kPartMiddle = 1, kPartRight = 2, kPartSecond = 3 };

// Flag bits of a piece row.
constexpr unsigned kFlagWater = 1;
constexpr unsigned kFlagSingle = 8;
constexpr unsigned kFlagFan = 16;
constexpr unsigned kFlagBeamLeft = 32;
constexpr unsigned kFlagBeamMiddle = 64;
constexpr unsigned kFlagBeamRight = 128;

struct PieceRow {
    std::string image;
    int part;
    int style;
    unsigned flags;
};

struct StyleRow {
    int roofOffset;  // the walk line below the image top
    int inset;       // second-collision inset
};

struct LevelPieces {
    std::vector<PieceRow> rows;
    std::vector<StyleRow> styles;  // the last one is the final building's
};

// Level index 0..5.
const LevelPieces& PieceTable(int level);

// The atlas page of a level: "level01" for index 0 ... "level06".
std::string LevelGroup(int level);

// The atlas group of a level picture: the level its file name belongs to
// ("lev2_train01.png" -> "level02"); names of no level go on the shared
// page "ab01".
std::string BuildingGroup(const std::string& image);

}  // namespace PictureGen
