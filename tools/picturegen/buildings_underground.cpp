// Level 2, the underground at 3 AM: the runner crosses the roofs of parked
// trains (cold lit windows, a yellow band, graffiti) and drops to the
// platform; steel columns with hazard stripes hang from the ceiling.
// Level 3, the sewers at 7 AM: brick walkways with stone kerbs, a drain that
// pours water, ladders, a great pipe and a pipe bridge to slide under.
// Both walk on the image's top edge.
#include <cmath>

#include "tools/picturegen/building_painters.h"
#include "tools/picturegen/facade.h"

namespace PictureGen {

namespace {

const char* const kMetroGroup = "level02";
const char* const kSewerGroup = "level03";

// NOTE: 208 rows reach the screen bottom from the highest roof the camera
// shows (about y 190) with margin.
constexpr int kHeight = 208;

// ---- Level 2: trains ------------------------------------------------------

const Rgb kTrainRoofLit{150, 186, 182}, kTrainRoof{96, 136, 136};
const Rgb kTrainBody{70, 110, 112}, kTrainBodyDark{52, 86, 90}, kTrainStripe{214, 178, 70};
// Window frames and the lit and dark glass.
const Rgb kTrainFrame{40, 66, 70}, kTrainLit{168, 220, 210}, kTrainDark{28, 46, 52};
const Rgb kPit{14, 22, 28};

// Rounds the roof's end: the corner square of size r at x is cleared and a
// quarter disc of roof drawn in it.
void RoundCorner(Canvas& c, int x, int r, bool leftEnd)
{
    c.Clear(x, 0, r, r);
    cairo_t* cr = c.Cr();
    cairo_save(cr);
    cairo_rectangle(cr, x, 0, r, r);
    cairo_clip(cr);
    c.Circle(leftEnd ? x + r : x, r, r, kTrainRoof);
    c.Circle(leftEnd ? x + r : x, r, r - 2, kTrainBodyDark);
    cairo_restore(cr);
}

Facade Train()
{
    Facade f(kHeight, 0);
    f.cap = 40;
    f.body = [](Canvas& c, int w, int origin) {
        c.Rect(0, 0, w, 2, kTrainRoofLit);
        c.Rect(0, 2, w, 7, kTrainRoof);
        c.Rect(0, 9, w, 2, {50, 78, 82});
        c.Rect(0, 11, w, 70, kTrainBody);
        c.Rect(0, 56, w, 5, kTrainStripe);
        c.Rect(0, 61, w, 2, {150, 120, 50});
        c.Rect(0, 81, w, 9, {34, 50, 56});
        c.Rect(0, 90, w, 12, {22, 30, 36});
        // Rails, sleepers and the pit under the train.
        c.Rect(0, 102, w, kHeight - 102, kPit);
        c.Rect(0, 103, w, 2, {120, 132, 132});
        c.Rect(0, 105, w, 2, {64, 74, 78});
        for (int y : {134, 146}) c.Rect(0, y, w, 1, {26, 36, 42});
        for (int x = 0; x < w; ++x) {
            int u = Wrap(x - origin, 16);
            if (u >= 4 && u < 12) c.Rect(x, 107, 1, 4, {46, 40, 36});
            int v = Wrap(x - origin, 32);
            // A wheel under every block.
            if (v >= 10 && v < 22) {
                double dx = v - 15.5;
                int half = static_cast<int>(std::sqrt(std::max(0.0, 36 - dx * dx)));
                c.Rect(x, 97 - half, 1, 2 * half, {16, 20, 24});
                if (v == 15 || v == 16) c.Rect(x, 96, 1, 2, {70, 80, 84});
            }
        }
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        Rgb glass = rng.Chance(0.75) ? kTrainLit : kTrainDark;
        c.Rect(bx + 5, 17, 22, 28, kTrainFrame);
        c.Rect(bx + 6, 18, 20, 26, glass);
        if (glass == kTrainLit && rng.Chance(0.5)) {
            int hx = bx + 9 + rng.Range(0, 10);
            c.Circle(hx + 2.5, 34, 3, {60, 90, 92});
            c.Rect(hx - 1, 37, 7, 7, {60, 90, 92});
        }
        c.Rect(bx + 6, 18, 20, 2, {200, 236, 228});
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        if (leftEnd) {
            // The cab: a rounded nose, a wide windscreen and a headlight.
            RoundCorner(c, x, 10, true);
            c.Rect(x, 10, 10, 71, kTrainBodyDark);
            c.Rect(x + 10, 0, 1, 2, kTrainRoofLit);
            c.Rect(x + 2, 16, 30, 28, kTrainFrame);
            c.Slab(x + 3, 17, 28, 26, {120, 170, 166}, {200, 236, 228}, 3);
            c.Rect(x, 56, 10, 5, kTrainStripe);
            c.Glow(x + 4, 70, 14, {255, 244, 200}, 0.6);
            c.Rect(x + 2, 68, 5, 4, {255, 250, 220});
        } else {
            c.Rect(x + w - 10, 10, 10, 71, kTrainBodyDark);
            RoundCorner(c, x + w - 8, 8, false);
            c.Rect(x + 4, 14, 10, 32, {60, 100, 102});
            c.Rect(x + 5, 15, 8, 30, {44, 74, 78});
            c.Glow(x + w - 4, 70, 8, {255, 60, 50}, 0.7);
            c.Rect(x + w - 6, 68, 4, 4, {255, 70, 60});
        }
    };
    return f;
}

// A door in a block whose left edge is 4 px left of x: the block's window is
// covered with the car's body first.
void Door(Canvas& c, int x)
{
    c.Rect(x - 4, 11, 32, 45, kTrainBody);
    c.Rect(x, 13, 24, 68, kTrainFrame);
    c.Rect(x + 1, 14, 11, 66, {62, 100, 102});
    c.Rect(x + 12, 14, 11, 66, {58, 94, 96});
    c.Rect(x + 3, 20, 7, 22, kTrainLit);
    c.Rect(x + 14, 20, 7, 22, kTrainLit);
}

// Graffiti: fat round letter shapes in two colours with a dark rim.
void Graffiti(Canvas& c, int x, int w, Rgb a, Rgb b, Rng& rng)
{
    // Kept off the piece's edges so that its joints stay the train's.
    cairo_t* cr = c.Cr();
    cairo_save(cr);
    cairo_rectangle(cr, x, 0, w, c.Height());
    cairo_clip(cr);
    for (int i = 0; i < w / 12; ++i) {
        double cx = x + 8 + i * 12 + rng.Range(-2, 2);
        double cy = 66 + rng.Range(-4, 4);
        double rx = 7 + rng.Range(0, 3);
        double ry = 9 + rng.Range(0, 4);
        c.Ellipse(cx, cy, rx + 1.5, ry + 1.5, {30, 30, 40});
        c.Ellipse(cx, cy, rx, ry, (i % 2) ? a : b);
        c.Ellipse(cx - 2, cy - 3, rx * 0.35, ry * 0.3, {240, 240, 230}, 0.8);
    }
    cairo_restore(cr);
}

// The platform the runner drops to between trains.
Facade Platform()
{
    Facade f(96, 0);
    f.body = [](Canvas& c, int w, int origin) {
        Bricks(c, 0, 10, w, 86, origin, 32, {{54, 84, 86}, {50, 80, 82}, {58, 88, 90}}, {36, 58, 60}, 16, 8);
        c.Rect(0, 0, w, 2, {176, 190, 180});
        c.Rect(0, 2, w, 6, {120, 136, 130});
        c.Rect(0, 3, w, 4, {214, 184, 70});
        for (int x = 0; x < w; ++x)
            if (Wrap(x - origin, 4) == 1) c.Rect(x, 4, 1, 2, {170, 140, 50});
        c.Rect(0, 8, w, 3, {28, 42, 46});
    };
    f.block = [](Canvas& c, int bx, Rng&) {
        c.Rect(bx + 12, 40, 8, 6, {24, 36, 40});
        c.Rect(bx + 13, 42, 6, 1, {44, 66, 68});
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int ex = leftEnd ? x : x + w - 4;
        c.Rect(ex, 0, 4, 96, leftEnd ? Rgb{96, 120, 116} : Rgb{36, 56, 58});
        c.Rect(leftEnd ? x + 4 : x + w - 6, 11, 2, 85, {40, 62, 64});
    };
    return f;
}

// A steel column with hazard stripes hanging from the ceiling; it repeats
// upwards, so the stripes' period divides the height.
void PaintHazardColumn(ArtBook& book)
{
    Canvas c(28, 32);
    c.Rect(0, 0, 28, 32, {210, 170, 50});
    cairo_t* cr = c.Cr();
    cairo_save(cr);
    cairo_rectangle(cr, 3, 0, 22, 32);
    cairo_clip(cr);
    for (int k = -4; k < 6; ++k) {
        double y0 = k * 16.0;
        c.Poly({0, y0, 28, y0 + 28, 28, y0 + 36, 0, y0 + 8}, {26, 26, 30});
    }
    cairo_restore(cr);
    c.Rect(0, 0, 3, 32, {96, 104, 108});
    c.Rect(25, 0, 3, 32, {44, 50, 54});
    c.Rect(0, 0, 1, 32, {150, 158, 160});
    book.Add(kMetroGroup, "lev2_second_coll_01.png", c);
}

// ---- Level 3: sewer walkways ------------------------------------------------

const Rgb kKerbLit{156, 178, 182}, kKerb{112, 132, 140};
const Rgb kSewerMortar{30, 42, 52};
const Rgb kIron{74, 88, 96}, kIronLit{110, 128, 134};
const Rgb kDrain{14, 22, 28};

Facade Walkway()
{
    Facade f(kHeight, 0);
    f.body = [](Canvas& c, int w, int origin) {
        Bricks(c, 0, 7, w, kHeight - 7, origin, 32, {{46, 66, 80}, {42, 61, 74}, {50, 70, 84}}, kSewerMortar, 16,
               8);
        c.VGradient(0, 120, w, kHeight - 120, {10, 18, 24}, {10, 18, 24}, 0.0, 0.45);
        // The wet line and weed near the water, waving with a 32 px period.
        for (int x = 0; x < w; ++x) {
            double u = Wrap(x - origin, 32) / 32.0;
            int top = 186 + static_cast<int>(std::lround(3 * std::sin(u * 2 * M_PI)));
            c.Slab(x, top, 1, kHeight - top, {44, 78, 70}, {70, 118, 100}, 1);
        }
        c.Rect(0, 0, w, 1, kKerbLit);
        c.Rect(0, 1, w, 5, kKerb);
        c.Rect(0, 6, w, 1, {54, 66, 76});
        for (int x = 0; x < w; ++x)
            if (Wrap(x - origin, 32) == 0) c.Rect(x, 1, 1, 5, {90, 108, 116});
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        // Dressed corner stones.
        for (int y = 7, i = 0; y < kHeight; y += 10, ++i) {
            int qw = (i % 2) ? 8 : 13;
            int qx = leftEnd ? x : x + w - qw;
            c.Rect(qx, y, qw, 9, leftEnd ? Rgb{72, 92, 104} : Rgb{40, 56, 66});
        }
        c.Rect(leftEnd ? x : x + w - 1, 0, 1, 6, leftEnd ? kKerbLit : Rgb{70, 86, 94});
    };
    return f;
}

void PaintSewerColumnPipe(ArtBook& book)
{
    // Scenery that stands on the walkway and rises into the vault.
    const int w = 40, h = 320;
    Canvas c(w, h);
    c.Post(6, 0, 28, h, {64, 92, 108}, {100, 134, 146}, 5, {42, 62, 76}, 6);
    for (int y = 20; y < h - 20; y += 64) {
        c.Slab(3, y, 34, 6, {84, 112, 124}, {130, 160, 168}, 1);
        for (int bx = 6; bx < 36; bx += 8) c.Rect(bx, y + 2, 2, 2, {40, 56, 66});
    }
    // A valve wheel and the rust under it.
    c.Rect(34, 236, 4, 4, kIron);
    c.Circle(38, 238, 1.5, kIronLit);
    c.Rect(12, 244, 10, 40, {120, 74, 52}, 0.35);
    c.Slab(0, h - 8, w, 8, {78, 104, 116}, {130, 160, 168}, 1);
    book.Add(kSewerGroup, "lev3_build_a_01_sec_collision.png", c);
}

void PaintPipeBridge(ArtBook& book)
{
    // NOTE: the lowest 34 rows are the legs: the runner slides between them
    // (the style's second-collision inset is 34).
    const int w = 96, h = 64;
    Canvas c(w, h);
    for (int lx : {8, 84}) {
        c.Post(lx, 28, 4, 36, {60, 72, 80}, {96, 110, 116}, 1);
        c.Rect(lx - 3, 61, 10, 3, {60, 72, 80});
        c.Rect(lx - 4, 26, 12, 3, {74, 88, 96});
    }
    c.Slab(0, 4, w, 24, {80, 104, 116}, {124, 154, 164}, 4, {50, 66, 76}, 6);
    for (int fx : {2, 46, 90}) {
        c.Slab(fx, 1, 4, 30, {96, 122, 132}, {150, 176, 182}, 1);
    }
    // A warning band.
    cairo_t* cr = c.Cr();
    cairo_save(cr);
    cairo_rectangle(cr, 22, 8, 20, 14);
    cairo_clip(cr);
    c.Rect(22, 8, 20, 14, {220, 180, 50});
    for (int k = -2; k < 6; ++k) c.Poly({22.0 + k * 8, 8, 26.0 + k * 8, 8, 18.0 + k * 8, 22, 14.0 + k * 8, 22}, {30, 30, 34});
    cairo_restore(cr);
    c.Rect(60, 10, 14, 6, {130, 80, 56}, 0.4);
    book.Add(kSewerGroup, "lev3_build_a_02_sec_collision.png", c);
}

}  // namespace

void PaintMetroBuildings(ArtBook& book)
{
    Facade train = Train();
    PaintFacadePiece(book, kMetroGroup, "lev2_train01.png", train, PieceKind::Left, 0);
    PaintFacadePiece(book, kMetroGroup, "lev2_train02.png", train, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         Door(c, x0 + 36);
                     });
    PaintFacadePiece(book, kMetroGroup, "lev2_train02_grafiti1.png", train, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int w, Rng& rng) {
                         Graffiti(c, x0 + 2, w - 4, {214, 70, 150}, {240, 140, 50}, rng);
                     });
    PaintFacadePiece(book, kMetroGroup, "lev2_train02_grafiti2.png", train, PieceKind::Middle, 3,
                     [](Canvas& c, int x0, int w, Rng& rng) {
                         Door(c, x0 + 36);
                         Graffiti(c, x0 + 2, w - 4, {110, 210, 90}, {250, 220, 60}, rng);
                     });
    // The joint between two cars: rubber bellows under a continuous roof.
    PaintFacadePiece(book, kMetroGroup, "lev2_train03.png", train, PieceKind::Middle, 1,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Rect(x0 + 4, 11, 3, 70, {96, 136, 136});
                         c.Rect(x0 + 25, 11, 3, 70, kTrainBodyDark);
                         c.Rect(x0 + 7, 11, 18, 79, {30, 44, 48});
                         for (int x = x0 + 9; x < x0 + 25; x += 4) c.Rect(x, 11, 1, 79, {50, 68, 72});
                     });
    PaintFacadePiece(book, kMetroGroup, "lev2_train04.png", train, PieceKind::Right, 0);

    Facade platform = Platform();
    PaintFacadePiece(book, kMetroGroup, "lev2_platform_run01.png", platform, PieceKind::Left, 0);
    PaintFacadePiece(book, kMetroGroup, "lev2_platform_run02.png", platform, PieceKind::Middle, 2);
    PaintFacadePiece(book, kMetroGroup, "lev2_platform_run03.png", platform, PieceKind::Right, 0);
    PaintHazardColumn(book);
}

void PaintSewerBuildings(ArtBook& book)
{
    Facade walk = Walkway();
    PaintFacadePiece(book, kSewerGroup, "lev3_build_b_04.png", walk, PieceKind::Left, 1);
    // A grate low in the wall.
    PaintFacadePiece(book, kSewerGroup, "lev3_build_b_01.png", walk, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Rect(x0 + 18, 70, 28, 18, kDrain);
                         c.Rect(x0 + 17, 69, 30, 1, {90, 110, 118});
                         for (int x = x0 + 20; x < x0 + 46; x += 5) c.Rect(x, 70, 2, 18, kIron);
                     });
    // The drain the water pours from (the water frames are drawn at +12, +42).
    PaintFacadePiece(book, kSewerGroup, "lev3_build_b_02.png", walk, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Rect(x0 + 8, 30, 48, 20, {84, 104, 114});
                         c.Ellipse(x0 + 32, 34, 24, 10, {84, 104, 114});
                         c.Rect(x0 + 11, 34, 42, 14, kDrain);
                         c.Ellipse(x0 + 32, 36, 21, 8, kDrain);
                         c.Rect(x0 + 8, 48, 48, 3, {110, 132, 140});
                         c.Rect(x0 + 12, 51, 40, 60, {30, 60, 62}, 0.5);
                     });
    // An iron ladder down the wall.
    PaintFacadePiece(book, kSewerGroup, "lev3_build_b_03.png", walk, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         for (int y = 12; y < kHeight; y += 10) c.Slab(x0 + 22, y, 20, 2, kIron, kIronLit, 1);
                         c.Rect(x0 + 20, 4, 3, kHeight - 4, kIron);
                         c.Rect(x0 + 41, 4, 3, kHeight - 4, {54, 66, 74});
                         c.Rect(x0 + 20, 4, 1, kHeight - 4, kIronLit);
                         c.Rect(x0 + 23, 60, 18, 30, {120, 74, 52}, 0.3);
                     });
    PaintFacadePiece(book, kSewerGroup, "lev3_build_b_05.png", walk, PieceKind::Right, 1);
    PaintSewerColumnPipe(book);
    PaintPipeBridge(book);
}

}  // namespace PictureGen
