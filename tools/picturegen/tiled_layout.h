// Tiled pictures as the level art lays them out: the root size and the
// texture and rectangle tiles that the game's tiled-picture files describe,
// the text of those files, and a drawing of them (with the game's parallax
// layer rules) for the contact sheets.
//
// The files themselves live in content/data; a test keeps them equal to
// LayoutXml of the layouts the painters return, so that the pictures and the
// files that place them cannot drift apart.
#pragma once

#include <cairo.h>

#include <map>
#include <string>
#include <vector>

#include "tools/picturegen/art_kit.h"

namespace PictureGen {

struct LayoutTile {
    bool rect = false;
    std::string filename;  // texture tiles only
    int x = 0;
    int y = 0;
    int width = 0;  // texture: step between repeats, 0 = the image's width; rectangle: its size
    int height = 0;
    int countx = 1;
    int county = 1;
    Rgb colour;  // rectangles only
};

// NOTE: the game reads at most 64 tiles of a picture; LayoutXml refuses more.
constexpr int kMaxTiles = 64;

struct TiledLayout {
    std::string file;  // the archive name, e.g. "lev1_bg0.xml"
    int width = 0;
    int height = 0;
    std::vector<LayoutTile> tiles;

    TiledLayout& Texture(const std::string& name, int x, int y, int countx = 1, int county = 1, int stepX = 0,
                         int stepY = 0);
    TiledLayout& Fill(int x, int y, int w, int h, Rgb colour);
};

// The file text (UTF-8, tab-indented, one tile per line). Empty when the
// layout has more tiles than the game reads.
std::string LayoutXml(const TiledLayout& layout);

// Draws the layout with its origin at (x, y) the way the game does: texture
// repeats at their steps, rectangles filled with their colour. Textures are
// looked up in the book; a missing one draws nothing.
void DrawLayout(cairo_t* cr, const TiledLayout& layout, int x, int y, const ArtBook& book);

// One layer of a level background: what the game's per-level setup gives it.
struct LayerSetup {
    int layer = 0;
    std::vector<std::string> items;  // ".xml" tiled pictures or ".png" images
    double factor = 1.0;
    int baseX = 0;
    int baseY = 0;
    bool once = false;
    bool baseXFromRight = false;  // baseX = screen width + 10 - the first image's width
    bool fillBelow = false;
    Rgb below;
    bool fillAbove = false;
    Rgb above;
};

// The game's background setup of a level (index 0..5), layer by layer.
std::vector<LayerSetup> BackgroundSetup(int level);

// Draws one background layer into a 480 x 320 view at the given camera
// scroll, following the game's layer placement, repetition and fills.
void DrawBackgroundLayer(cairo_t* cr, const LayerSetup& setup, double scrollX, double scrollY,
                         const std::map<std::string, TiledLayout>& layouts, const ArtBook& book);

// The size of an item: a layout's root size or an image's size.
void ItemSize(const std::string& item, const std::map<std::string, TiledLayout>& layouts, const ArtBook& book,
              int* w, int* h);

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 320;

}  // namespace PictureGen
