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

// Two bounds, min..max inclusive.
struct MinMax {
    int min = 0;
    int max = 0;
};

// How a skyline looks: a row of blocks seeded from `seed`, the first starting
// at strip x `from` and each next one started before x `to` (the last may
// cross it), their feet on row `ground` (they are drawn down to the canvas
// bottom). A layer sets the rest in groups; the setters chain.
struct SkylineLook {
    SkylineLook(std::string seed, int from, int to, int ground);

    // Block heights, widths and the gaps between blocks.
    SkylineLook& Sizes(MinMax heights, MinMax widths, MinMax gaps);
    // The body, its lit (left) face and the lit windows.
    SkylineLook& Colours(Rgb body, Rgb lit, Rgb window);
    // The chance of a window being lit (none by default), its size and the
    // grid it sits on.
    SkylineLook& Windows(double chance, int w, int h, int stepX, int stepY);
    // The chances of a stepped, a pitched and a tank roof, and of an antenna.
    SkylineLook& Roofs(double step, double pitch, double tank, double antenna);

    int from, to, ground;
    MinMax heights{20, 60};
    MinMax widths{16, 40};
    MinMax gaps{0, 6};
    Rgb body, lit, window;
    double windowChance = 0.0;
    int windowW = 2, windowH = 2, windowStepX = 5, windowStepY = 6;
    double stepChance = 0.3, pitchChance = 0.0, tankChance = 0.0, antennaChance = 0.2;
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
