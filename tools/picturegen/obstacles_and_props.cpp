// The five obstacles (barrels, crate, cart) with their upper and lower
// halves, and the props drawn over building pieces: the sewer drain's water,
// the two rats on the sewer roofs and the construction block's wall fan.
#include <cmath>

#include "tools/picturegen/facade.h"
#include "tools/picturegen/level_art.h"

namespace PictureGen {

namespace {

// ---- Obstacles -----------------------------------------------------------------
// Strong contrast on the dark roofs: saturated bodies, a light top face, the
// right side in shade. Each one's colour is its splinters' colour.

void Drum(Canvas& c, double x, double y, double w, double h, Rgb body, Rgb lit, Rgb shade, Rgb rib)
{
    c.Rect(x, y + 3, w, h - 3, body);
    c.Rect(x + 1, y + h - 3, w - 2, 3, shade);
    c.Rect(x + 2, y + 3, w * 0.25, h - 6, lit);
    c.Rect(x + w * 0.72, y + 3, w * 0.28, h - 6, shade);
    for (double ry : {y + h * 0.33, y + h * 0.66}) c.Rect(x, ry, w, 2, rib);
    c.Ellipse(x + w / 2, y + 3, w / 2, 3, Lift(lit, 20));
    c.Ellipse(x + w / 2, y + 3, w / 2 - 3, 1.6, shade);
}

void PaintObstacle(ArtBook& book, const std::string& name, const Canvas& c)
{
    book.Add(kSharedGroup, name + ".png", c);
    // The halves are the picture cut across: the upper half is the top
    // h / 2 rows, the lower half the rest.
    int w = c.Width(), h = c.Height();
    int upper = h / 2;
    Canvas top(w, upper);
    top.CopyFrom(c.Surface(), 0, 0, w, upper, 0, 0);
    Canvas bottom(w, h - upper);
    bottom.CopyFrom(c.Surface(), 0, upper, w, h - upper, 0, 0);
    book.Add(kSharedGroup, name + "_frag01.png", top);
    book.Add(kSharedGroup, name + "_frag02.png", bottom);
}

void PaintObstacleSet(ArtBook& book)
{
    {
        Canvas c(24, 32);
        Drum(c, 0, 0, 24, 32, {214, 68, 82}, {240, 116, 124}, {160, 44, 58}, {170, 48, 62});
        PaintObstacle(book, "beczka_red", c);
    }
    {
        // Three barrels: two standing, one lying across them.
        Canvas c(44, 36);
        Rgb body{177, 178, 203}, lit{212, 214, 232}, shade{130, 132, 160}, rib{146, 148, 176};
        Drum(c, 1, 14, 20, 22, body, lit, shade, rib);
        Drum(c, 23, 14, 20, 22, body, lit, shade, rib);
        c.Rect(4, 2, 36, 12, body);
        c.Rect(4, 2, 36, 3, lit);
        c.Rect(4, 11, 36, 3, shade);
        c.Ellipse(4, 8, 3, 6, shade);
        c.Ellipse(40, 8, 3, 6, lit);
        for (int rx : {16, 28}) c.Rect(rx, 2, 2, 12, rib);
        PaintObstacle(book, "beczki", c);
    }
    {
        // A wooden crate with a cross brace.
        Canvas c(32, 30);
        Rgb wood{208, 171, 149}, lit{232, 204, 184}, dark{160, 122, 100};
        c.Rect(0, 2, 32, 28, wood);
        c.Rect(0, 0, 32, 3, lit);
        for (int y = 9; y < 30; y += 7) c.Rect(2, y, 28, 1, dark);
        c.Line(4, 26, 28, 5, 3, dark);
        c.Rect(0, 2, 3, 28, lit);
        c.Rect(29, 2, 3, 28, dark);
        c.Rect(0, 27, 32, 3, dark);
        PaintObstacle(book, "skrzynia2", c);
    }
    {
        // A platform trolley loaded with a case.
        Canvas c(48, 30);
        Rgb body{197, 190, 174}, lit{226, 222, 208}, dark{146, 140, 126};
        c.Rect(2, 16, 44, 6, body);
        c.Rect(2, 16, 44, 1, lit);
        c.Rect(2, 21, 44, 1, dark);
        c.Rect(0, 2, 3, 20, dark);
        c.Rect(0, 2, 8, 3, body);
        c.Rect(10, 4, 30, 12, {160, 90, 60});
        c.Rect(10, 4, 30, 2, {200, 130, 96});
        c.Rect(23, 1, 6, 3, dark);
        for (int wx : {10, 38}) {
            c.Circle(wx, 24.5, 6, {50, 50, 56});
            c.Circle(wx, 24.5, 2, body);
        }
        PaintObstacle(book, "wozek", c);
    }
    {
        // A sewer barrel of something green and vile.
        Canvas c(24, 32);
        Drum(c, 0, 0, 24, 32, {170, 230, 5}, {206, 250, 90}, {120, 170, 0}, {130, 180, 10});
        c.Rect(5, 13, 14, 8, {40, 50, 20});
        c.Poly({12, 14, 17, 20, 7, 20}, {170, 230, 5});
        PaintObstacle(book, "beczka_kanal", c);
    }
}

// ---- Sewer water pouring from the drain -------------------------------------
// NOTE: 8 frames; the streaks fall 10 px per frame over an 80 px cycle so
// the loop has no jump.

void PaintDrainWater(ArtBook& book)
{
    const int w = 40, h = 80, frames = 8;
    for (int f = 0; f < frames; ++f) {
        Canvas c(w, h);
        // The sheet of water widens as it falls and fades out low down.
        for (int y = 0; y < h; ++y) {
            double t = y / static_cast<double>(h);
            double half = 12 + 6 * t;
            double a = 0.75 * (1.0 - t * t);
            c.Rect(20 - half, y, 2 * half, 1, {90, 170, 190}, a);
        }
        for (int k = 0; k < 6; ++k) {
            int sx = 10 + ((k * 7) % 22);
            for (int rep = -1; rep < 2; ++rep) {
                int sy = Wrap(k * 23 + f * 10, 80) + rep * 80;
                c.Rect(sx, sy, 2, 14, {200, 246, 250}, 0.8);
            }
        }
        c.Rect(8, 0, 24, 2, {210, 250, 255}, 0.9);
        book.Add("level03", Numbered("lev3_woda2_%02d.png", f + 1), c);
    }
}

// ---- Rats ---------------------------------------------------------------------

// A rat facing right (or left), its feet on the bottom row; head lifted by
// `raise` px and the tail swung by `swing` for the pause frames.
void Rat(Canvas& c, bool right, double raise, double swing)
{
    Rgb fur{96, 90, 98}, furLit{130, 124, 130}, dark{50, 46, 52}, pink{200, 140, 150};
    double dir = right ? 1 : -1;
    double cx = c.Width() / 2.0;
    auto X = [&](double dx) { return cx + dir * dx; };
    c.Line(X(-5), 7, X(-9), 6 - swing, 1.2, pink);
    c.Line(X(-9), 6 - swing, X(-12), 8 - swing, 1.0, pink);
    c.Ellipse(X(-1), 6.5, 6, 3.5, fur);
    c.Ellipse(X(-1), 5, 4, 1.5, furLit);
    c.Ellipse(X(5), 6 - raise, 3.5, 2.5, fur);
    c.Circle(X(8), 6.5 - raise, 0.9, pink);
    c.Circle(X(4), 4 - raise, 1.2, furLit);
    c.Rect(X(5.5) - 0.5, 5 - raise, 1, 1, dark);
    c.Rect(X(-4) - 1, 9, 2, 1, dark);
    c.Rect(X(3) - 1, 9, 2, 1, dark);
}

void PaintRats(ArtBook& book)
{
    const int w = 26, h = 10;
    {
        Canvas c(w, h);
        Rat(c, false, 0, 0);
        book.Add("level03", "lev3_rat.png", c);
    }
    {
        Canvas c(w, h);
        Rat(c, true, 0, 0);
        book.Add("level03", "lev3_rat2.png", c);
    }
    const double raise[4] = {0, 1.5, 2.5, 1.0};
    const double swing[4] = {0, 1.5, 0, -1.5};
    for (int i = 0; i < 4; ++i) {
        Canvas c(w, h);
        Rat(c, true, raise[i], swing[i]);
        book.Add("level03", Numbered("lev3_rat_anim_%02d.png", i + 1), c);
    }
}

// ---- The wall fan -------------------------------------------------------------
// NOTE: three blades, 120 degrees apart; the three frames turn by 40 degrees
// each, so the loop turns on evenly.

void PaintFans(ArtBook& book)
{
    for (int f = 0; f < 3; ++f) {
        Canvas c(32, 32);
        c.Circle(16, 16, 15, {44, 50, 58});
        for (int b = 0; b < 3; ++b) {
            double a = (f * 40.0 + b * 120.0) * M_PI / 180.0;
            double ex = 16 + 13 * std::cos(a), ey = 16 + 13 * std::sin(a);
            double sx = 16 + 6 * std::cos(a + 0.9), sy = 16 + 6 * std::sin(a + 0.9);
            c.Poly({16, 16, sx, sy, ex, ey}, {176, 184, 192});
            c.Line(16, 16, ex, ey, 2, {140, 148, 158});
        }
        c.Circle(16, 16, 3.5, {96, 104, 112});
        c.Circle(15, 15, 1.5, {200, 206, 212});
        for (int k = 0; k < 4; ++k) c.Rect(1, 4 + k * 8, 30, 1, {30, 34, 40}, 0.8);
        book.Add("level04", Numbered("lev4_fan_%d.png", f + 1), c);
    }
}

}  // namespace

void PaintObstacles(ArtBook& book) { PaintObstacleSet(book); }

void PaintBuildingProps(ArtBook& book)
{
    PaintDrainWater(book);
    PaintRats(book);
    PaintFans(book);
}

}  // namespace PictureGen
