#include "tools/picturegen/scenery.h"

#include <cmath>
#include <utility>

namespace PictureGen {

Strip::Strip(int width, int height, int margin)
    : m_width(width), m_height(height), m_margin(margin), m_wide(new Canvas(width + 2 * margin, height))
{
    cairo_translate(m_wide->Cr(), margin, 0);
}

std::unique_ptr<Canvas> Strip::Fold() const
{
    std::unique_ptr<Canvas> out(new Canvas(m_width, m_height));
    cairo_surface_t* wide = m_wide->Surface();
    cairo_surface_flush(wide);
    // The middle, then the left margin wrapped to the right end and the right
    // margin wrapped to the left end.
    for (int shift : {0, m_width, -m_width}) out->Draw(wide, -m_margin + shift, 0);
    return out;
}

void AddSlice(ArtBook& book, const std::string& group, const std::string& name, const Canvas& strip, int x, int y,
              int w, int h)
{
    Canvas part(w, h);
    cairo_surface_flush(strip.Surface());
    part.CopyFrom(strip.Surface(), x, y, w, h, 0, 0);
    book.Add(group, name, part);
}

void AddFolded(ArtBook& book, const std::string& group, const std::string& name, const Strip& strip)
{
    std::unique_ptr<Canvas> folded = strip.Fold();
    book.Add(group, name, *folded);
}

void AddFoldedHalves(ArtBook& book, const std::string& group, const std::string& stem, const Strip& strip,
                     int split)
{
    std::unique_ptr<Canvas> folded = strip.Fold();
    AddSlice(book, group, stem + "_a.png", *folded, 0, 0, split, strip.Height());
    AddSlice(book, group, stem + "_b.png", *folded, split, 0, strip.Width() - split, strip.Height());
}

SkylineLook::SkylineLook(std::string seedText, int fromX, int toX, int groundRow)
    : from(fromX), to(toX), ground(groundRow), seed(std::move(seedText))
{
}

SkylineLook& SkylineLook::Sizes(MinMax blockHeights, MinMax blockWidths, MinMax blockGaps)
{
    heights = blockHeights;
    widths = blockWidths;
    gaps = blockGaps;
    return *this;
}

SkylineLook& SkylineLook::Colours(Rgb bodyColour, Rgb litColour, Rgb windowColour)
{
    body = bodyColour;
    lit = litColour;
    window = windowColour;
    return *this;
}

SkylineLook& SkylineLook::Windows(double chance, int w, int h, int stepX, int stepY)
{
    windowChance = chance;
    windowW = w;
    windowH = h;
    windowStepX = stepX;
    windowStepY = stepY;
    return *this;
}

SkylineLook& SkylineLook::Roofs(double step, double pitch, double tank, double antenna)
{
    stepChance = step;
    pitchChance = pitch;
    tankChance = tank;
    antennaChance = antenna;
    return *this;
}

void Skyline(Canvas& c, const SkylineLook& s)
{
    Rng rng(s.seed);
    int bottom = c.Height();
    for (int x = s.from; x < s.to;) {
        int w = rng.Range(s.widths.min, s.widths.max);
        int h = rng.Range(s.heights.min, s.heights.max);
        int top = s.ground - h;
        c.Rect(x, top, w, bottom - top, s.body);
        c.Rect(x, top, std::max(1, w / 6), bottom - top, s.lit);
        double roof = rng.Unit();
        if (roof < s.stepChance) {
            int sw = w / 2 + rng.Range(0, w / 4);
            int sh = rng.Range(4, 10);
            int sx = x + rng.Range(1, std::max(1, w - sw - 1));
            c.Rect(sx, top - sh, sw, sh, s.body);
            c.Rect(sx, top - sh, std::max(1, sw / 6), sh, s.lit);
        } else if (roof < s.stepChance + s.pitchChance) {
            c.Poly({static_cast<double>(x) - 1, static_cast<double>(top), x + w / 2.0, top - w * 0.4,
                    x + w + 1.0, static_cast<double>(top)},
                   s.body);
        } else if (roof < s.stepChance + s.pitchChance + s.tankChance) {
            int tx = x + rng.Range(2, std::max(2, w - 10));
            c.Rect(tx + 1, top - 4, 1, 4, s.body);
            c.Rect(tx + 6, top - 4, 1, 4, s.body);
            c.Rect(tx, top - 11, 8, 7, s.body);
        }
        if (rng.Chance(s.antennaChance)) {
            int ax = x + rng.Range(2, std::max(2, w - 3));
            int ah = rng.Range(6, 16);
            c.Rect(ax, top - ah, 1, ah, s.body);
        }
        // Windows on a grid, a few of them lit.
        for (int wy = top + 4; wy + s.windowH < s.ground; wy += s.windowStepY)
            for (int wx = x + 3; wx + s.windowW < x + w - 1; wx += s.windowStepX)
                if (rng.Chance(s.windowChance)) c.Rect(wx, wy, s.windowW, s.windowH, s.window);
        x += w + rng.Range(s.gaps.min, s.gaps.max);
    }
}

void SkyGradient(Canvas& c, const std::vector<SkyStop>& stops)
{
    if (stops.empty()) return;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, c.Height());
    for (const SkyStop& s : stops) AddColourStop(p, s.t, s.colour);
    cairo_set_source(c.Cr(), p);
    cairo_paint(c.Cr());
    cairo_pattern_destroy(p);
}

void Stars(Canvas& c, int count, Rgb colour, const std::string& seed, double maxY)
{
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        int x = rng.Range(0, c.Width() - 1);
        int y = rng.Range(0, static_cast<int>(maxY));
        double a = 0.35 + 0.5 * rng.Unit();
        if (rng.Chance(0.12)) {
            c.Rect(x, y, 2, 2, colour, a);
        } else {
            c.Rect(x, y, 1, 1, colour, a);
        }
    }
}

}  // namespace PictureGen
