// The background layers of each level: the pictures their tiled-picture
// files repeat and the layouts of those files (placed where the game's
// background setup puts each layer, so that the decorations that belong to a
// layer meet the features painted for them: the prison tower's lamp, the
// sewer outlet, the cranes' chimneys and the rooftop masts and neon walls).
#pragma once

#include <functional>
#include <string>
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
// A sun of w x h: a glow of radius glowR fading from glowAlpha at (cx, cy)
// under a disc of radius r.
void AddSun(ArtBook& book, const std::string& group, const std::string& name, int w, int h, double cx, double cy,
            double glowR, Rgb glow, double glowAlpha, double r, Rgb disc);
// A w x h picture of `count` stars (see Stars) as a picture of the book.
void AddStars(ArtBook& book, const std::string& group, const std::string& name, int w, int h, int count, Rgb colour,
              const std::string& seed, double maxY);

// A layer painted as one strip and shown in two halves: the pictures
// "<stem>_a.png" and "<stem>_b.png" (AddFoldedHalves, cut in the middle) and
// their tiled pictures "<stem>_a.xml" and "<stem>_b.xml", each as wide as its
// half and layoutHeight high, the half at y top and `fill` below it.
void AddHalvedLayer(ArtBook& book, std::vector<TiledLayout>& out, const std::string& group, const std::string& stem,
                    const Strip& strip, int top, int layoutHeight, Rgb fill);

// A picture placed in a tiled picture at (x, y).
struct Placement {
    std::string name;
    int x = 0;
    int y = 0;
};
// The tiled picture of a level's sky, 480 x height: the sky picture repeated
// 30 times across from the top, then the pictures (sun, clouds) over it.
TiledLayout SkyLayout(const std::string& file, int height, const std::string& sky,
                      const std::vector<Placement>& items);

// The size of a layer painted as one strip: `width` wide and `height` high,
// shown from row `top` of tiled pictures `layoutHeight` high.
struct LayerBand {
    int width;
    int top;
    int height;
    int layoutHeight;
};
// Paints a strip of the band's size with `paint` (given the band) and adds it
// as AddHalvedLayer does, with `fill` below it.
void PaintHalvedLayer(ArtBook& book, std::vector<TiledLayout>& out, const std::string& group, const std::string& stem,
                      LayerBand band, Rgb fill, const std::function<void(Canvas&, LayerBand)>& paint);

}  // namespace PictureGen
