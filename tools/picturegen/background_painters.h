// The background layers of each level: the pictures their tiled-picture
// files repeat and the layouts of those files (placed where the game's
// background setup puts each layer, so that the decorations that belong to a
// layer meet the features painted for them: the prison tower's lamp, the
// sewer outlet, the cranes' chimneys and the rooftop masts and neon walls).
#pragma once

#include <vector>

#include "tools/picturegen/art_kit.h"
#include "tools/picturegen/scenery.h"
#include "tools/picturegen/tiled_layout.h"

namespace PictureGen {

void PaintPrisonBackground(ArtBook& book, std::vector<TiledLayout>& out);
void PaintMetroBackground(ArtBook& book, std::vector<TiledLayout>& out);
void PaintSewerBackground(ArtBook& book, std::vector<TiledLayout>& out);
void PaintConstructionBackground(ArtBook& book, std::vector<TiledLayout>& out);
void PaintSuburbBackground(ArtBook& book, std::vector<TiledLayout>& out);
void PaintRooftopBackground(ArtBook& book, std::vector<TiledLayout>& out);
// The lightning bolt of "thunder1.xml".
void PaintThunder(ArtBook& book, std::vector<TiledLayout>& out);

// A vertical sky gradient w x h as a picture of the book.
void AddSky(ArtBook& book, const std::string& group, const std::string& name, int w, int h,
            const std::vector<SkyStop>& stops);
// A soft cloud of w x h: overlapping ellipses in a colour.
void AddCloud(ArtBook& book, const std::string& group, const std::string& name, int w, int h, Rgb colour,
              double alpha, const std::string& seed);

}  // namespace PictureGen
