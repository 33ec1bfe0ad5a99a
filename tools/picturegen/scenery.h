// Scenery helpers for the background layers: strips that wrap around (a
// layer's items repeat side by side, so whatever leaves the strip's right end
// comes back at its left), skylines of simple blocks with lit windows, and
// vertical gradients for skies.
#pragma once

#include <memory>
#include <string>

#include "tools/picturegen/art_kit.h"

namespace PictureGen {

// A strip `width` wide that wraps: paint in strip coordinates (x may run a
// margin past either end), then Fold() gives the seamless strip.
class Strip {
public:
    Strip(int width, int height, int margin = 160);
    Canvas& C() { return *m_wide; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The finished strip: what crossed an end, wrapped to the other.
    std::unique_ptr<Canvas> Fold() const;

private:
    int m_width;
    int m_height;
    int m_margin;
    std::unique_ptr<Canvas> m_wide;
};

// Adds the w x h part of the strip at (x, y) to the book.
void AddSlice(ArtBook& book, const std::string& group, const std::string& name, const Canvas& strip, int x, int y,
              int w, int h);

// Folds the strip and adds it whole to the book.
void AddFolded(ArtBook& book, const std::string& group, const std::string& name, const Strip& strip);
// Folds the strip and adds it cut in two at x split: "<stem>_a.png" left of
// the cut and "<stem>_b.png" from it to the end.
void AddFoldedHalves(ArtBook& book, const std::string& group, const std::string& stem, const Strip& strip,
                     int split);

struct SkylineLook {
    int from = 0;       // strip x where the first block starts
    int to = 512;       // blocks start before this x (the last may cross it)
    int ground = 100;   // the blocks' feet; they are drawn down to the canvas bottom
    int minHeight = 20;
    int maxHeight = 60;
    int minWidth = 16;
    int maxWidth = 40;
    int minGap = 0;
    int maxGap = 6;
    Rgb body;
    Rgb lit;       // the lit (left) face
    Rgb window;    // lit windows
    double windowChance = 0.1;
    int windowW = 2;
    int windowH = 2;
    int windowStepX = 5;
    int windowStepY = 6;
    double antennaChance = 0.2;
    double stepChance = 0.3;
    double pitchChance = 0.0;
    double tankChance = 0.0;
    std::string seed;
};

// Draws a row of blocks of random heights and widths with roofs (flat,
// stepped, pitched, an antenna or a water tank) and a few lit windows.
void Skyline(Canvas& c, const SkylineLook& look);

// A sky gradient picture of w x h through the given stops (t from 0 at the
// top to 1 at the bottom, ascending).
struct SkyStop {
    double t;
    Rgb colour;
};
void SkyGradient(Canvas& c, const std::vector<SkyStop>& stops);

// Scattered stars over a w x h picture: small dots, a few brighter.
void Stars(Canvas& c, int count, Rgb colour, const std::string& seed, double maxY);

}  // namespace PictureGen
