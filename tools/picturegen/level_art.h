// The level art: building pieces, obstacles and their halves, level props,
// background layers, thunder, menu backgrounds, flights, decorations, the
// one-colour images, and their contact sheets. PaintLevelArt (painters.h)
// runs PaintAllLevelArt into a book over the sink.
#pragma once

#include <vector>

#include "tools/picturegen/art_kit.h"
#include "tools/picturegen/tiled_layout.h"

namespace PictureGen {

// Paints every level-art picture into the book (and its sheets when the sink
// writes sheets) and returns the tiled-picture layouts that the files in
// content/data describe, in a fixed order.
std::vector<TiledLayout> PaintAllLevelArt(ArtBook& book);

// The families, in the order PaintAllLevelArt runs them.
void PaintBuildings(ArtBook& book);
void PaintObstacles(ArtBook& book);
void PaintBuildingProps(ArtBook& book);  // water, rats, fans
void PaintDecorations(ArtBook& book);
std::vector<TiledLayout> PaintBackgrounds(ArtBook& book);  // 49 layer pictures, their images, thunder
std::vector<TiledLayout> PaintMenuBackgrounds(ArtBook& book);
std::vector<TiledLayout> PaintFlights(ArtBook& book);
// Every one-colour image the game asks for, and one for each rectangle
// colour of the layouts.
void PaintColourImages(ArtBook& book, const std::vector<TiledLayout>& layouts);
void PaintContactSheets(ArtBook& book, const std::vector<TiledLayout>& layouts);

// The game-wide atlas page the level art puts its shared pictures in.
extern const char* const kSharedGroup;

}  // namespace PictureGen
