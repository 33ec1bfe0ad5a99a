// Level 4, the construction yard at 11 AM: a bare concrete frame, a brick
// building in yellow scaffolding, an orange steel frame, a finished block
// with a wall fan, girders hanging from crane cables, and loads hanging from
// above that the runner slides under. Every style walks on the image's top
// edge; the girders hang with their bottom edge 23 px below the roof line.
#include <cmath>

#include "tools/picturegen/building_painters.h"
#include "tools/picturegen/facade.h"

namespace PictureGen {

namespace {
const char* const kGroup = "level04";
constexpr int kHeight = 208;

const Rgb kYellow{222, 176, 56};
const Rgb kYellowLit{246, 212, 112};
const Rgb kYellowDark{170, 128, 36};
const Rgb kOrange{196, 98, 42};
const Rgb kOrangeLit{236, 148, 86};
const Rgb kOrangeDark{140, 66, 30};
const Rgb kInterior{40, 44, 54};

// ---- Style 1: the bare concrete frame ---------------------------------------

Facade ConcreteFrame()
{
    Facade f(kHeight, 0);
    f.body = [](Canvas& c, int w, int) {
        c.Rect(0, 0, w, kHeight, kInterior);
        for (int y = 0; y < kHeight; y += 52) {
            c.Rect(0, y, w, 8, {128, 128, 124});
            c.Rect(0, y, w, 2, {178, 178, 172});
            c.Rect(0, y + 8, w, 2, {62, 64, 70});
            c.Rect(0, y + 40, w, 12, {48, 54, 66});  // the far wall's lit foot
        }
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        c.Rect(bx + 12, 8, 8, kHeight - 8, {104, 104, 102});
        c.Rect(bx + 12, 8, 2, kHeight - 8, {142, 142, 138});
        for (int y = 10; y + 42 < kHeight; y += 52) {
            int pick = rng.Range(0, 5);
            if (pick == 0) {
                // Pallets of blocks.
                c.Rect(bx + 22, y + 28, 8, 14, {120, 112, 100});
                c.Rect(bx + 22, y + 28, 8, 2, {150, 142, 128});
            } else if (pick == 1) {
                // Plastic sheeting hung in the bay.
                c.Rect(bx + 21, y, 10, 42, {170, 196, 214}, 0.35);
                c.Rect(bx + 25, y, 1, 42, {200, 220, 232}, 0.4);
            } else if (pick == 2) {
                c.Rect(bx + 2, y + 30, 9, 12, {150, 96, 52});
                c.Rect(bx + 2, y + 30, 9, 2, {190, 130, 80});
            }
        }
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int ex = leftEnd ? x : x + w - 8;
        c.Rect(ex, 0, 8, kHeight, {112, 112, 110});
        c.Rect(ex, 0, 2, kHeight, leftEnd ? Rgb{150, 150, 146} : Rgb{96, 96, 94});
        for (int y = 0; y < kHeight; y += 52) c.Rect(ex, y, 8, 2, {178, 178, 172});
    };
    return f;
}

// ---- Style 0: brick in scaffolding ------------------------------------------

Facade Scaffolded()
{
    Facade f(kHeight, 0);
    f.body = [](Canvas& c, int w, int origin) {
        Bricks(c, 0, 0, w, kHeight, origin, 32, {{96, 70, 58}, {88, 64, 54}, {102, 76, 62}}, {70, 54, 48}, 16, 8);
        for (int y = 48; y < kHeight; y += 48) {
            c.Rect(0, y - 4, w, 4, {152, 112, 66});
            c.Rect(0, y, w, 2, kYellow);
            c.Rect(0, y + 2, w, 2, {60, 46, 40});
        }
        c.Rect(0, 0, w, 6, {160, 118, 70});
        c.Rect(0, 0, w, 1, {214, 170, 110});
        for (int x = 0; x < w; ++x)
            if (Wrap(x - origin, 8) == 0) c.Rect(x, 1, 1, 5, {120, 86, 50});
        c.Rect(0, 6, w, 2, {60, 46, 40});
    };
    f.block = [](Canvas& c, int bx, Rng&) {
        for (int y = 14; y + 20 < kHeight; y += 48) {
            c.Rect(bx + 14, y, 12, 20, {36, 32, 36});
            c.Rect(bx + 14, y, 12, 2, {120, 96, 80});
        }
        c.Rect(bx + 4, 6, 3, kHeight - 6, kYellow);
        c.Rect(bx + 4, 6, 1, kHeight - 6, kYellowLit);
        for (int y = 50; y + 44 < kHeight; y += 96) c.Line(bx + 9, y + 2, bx + 28, y + 44, 2, kYellowDark);
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int px = leftEnd ? x + 2 : x + w - 5;
        c.Rect(px, 0, 3, kHeight, kYellow);
        c.Rect(px, 0, 1, kHeight, kYellowLit);
        for (int y = 4; y < kHeight; y += 24) c.Rect(leftEnd ? x : x + w - 7, y, 7, 2, kYellowDark);
    };
    return f;
}

// ---- Style 2: the steel frame ------------------------------------------------

Facade SteelFrame()
{
    Facade f(kHeight, 0);
    f.body = [](Canvas& c, int w, int) {
        c.Rect(0, 0, w, kHeight, {36, 40, 50});
        for (int y = 0; y < kHeight; y += 56) {
            c.Rect(0, y + 28, w, 28, {46, 52, 64});
            c.Rect(0, y, w, 6, kOrange);
            c.Rect(0, y, w, 1, kOrangeLit);
            c.Rect(0, y + 6, w, 1, kOrangeDark);
        }
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        for (int y = 7; y + 49 <= kHeight; y += 56) {
            if (rng.Chance(0.35)) c.Rect(bx + 10, y + 2, 20, 44, {82, 112, 146}, 0.85);
            if (rng.Chance(0.45)) {
                c.Line(bx + 10, y + 1, bx + 29, y + 48, 1.5, kOrangeDark);
                c.Line(bx + 29, y + 1, bx + 10, y + 48, 1.5, kOrangeDark);
            }
        }
        c.Rect(bx + 2, 6, 6, kHeight - 6, kOrange);
        c.Rect(bx + 2, 6, 2, kHeight - 6, kOrangeLit);
        c.Rect(bx + 7, 6, 1, kHeight - 6, kOrangeDark);
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int px = leftEnd ? x : x + w - 7;
        c.Rect(px, 0, 7, kHeight, kOrange);
        c.Rect(px, 0, 2, kHeight, leftEnd ? kOrangeLit : kOrange);
        c.Rect(px + 6, 0, 1, kHeight, kOrangeDark);
    };
    return f;
}

// ---- Style 3: the finished block -------------------------------------------

Facade FinishedBlock()
{
    Facade f(kHeight, 0);
    f.body = [](Canvas& c, int w, int) {
        c.Rect(0, 0, w, kHeight, {74, 82, 96});
        for (int y = 48; y < kHeight; y += 40) c.Rect(0, y, w, 1, {60, 68, 80});
        c.Rect(0, 0, w, 6, {104, 110, 120});
        c.Rect(0, 0, w, 1, {156, 162, 170});
        c.Rect(0, 6, w, 1, {52, 58, 68});
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        for (int y = 16; y + 22 < kHeight; y += 40) {
            c.Rect(bx + 6, y, 20, 22, {52, 58, 70});
            c.Rect(bx + 7, y + 1, 18, 20, {120, 152, 196});
            c.Poly({bx + 7.0, y + 14.0, bx + 17.0, y + 1.0, bx + 22.0, y + 1.0, bx + 7.0, y + 20.0},
                   {160, 190, 222});
            if (rng.Chance(0.2)) c.Rect(bx + 7, y + 1, 18, 20, {70, 84, 100});
        }
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int px = leftEnd ? x : x + w - 8;
        c.Rect(px, 0, 8, kHeight, leftEnd ? Rgb{96, 104, 116} : Rgb{58, 64, 76});
        c.Rect(px, 0, 8, 1, {156, 162, 170});
    };
    return f;
}

// ---- Style 4: girders hanging from crane cables ----------------------------

// NOTE: a girder is 23 rows, the distance the game hangs it below the roof
// line; the end pieces carry a cable up past the top of the screen.
constexpr int kGirder = 23;
constexpr int kCableHeight = 272;

void Girder(Canvas& c, int x, int w, int y, int origin)
{
    c.Rect(x, y, w, 4, {214, 132, 44});
    c.Rect(x, y, w, 1, {246, 176, 92});
    c.Rect(x, y + 4, w, kGirder - 8, {186, 100, 36});
    c.Rect(x, y + kGirder - 4, w, 4, {150, 80, 30});
    for (int px = x; px < x + w; ++px) {
        int u = Wrap(px - origin, 32);
        // Lightening holes through the web.
        if (u >= 11 && u < 21) {
            double d = u - 15.5;
            int half = static_cast<int>(std::sqrt(std::max(0.0, 20.25 - d * d)));
            c.Clear(px, y + 11 - half, 1, 2 * half + 1);
        }
    }
}

void PaintBeams(ArtBook& book)
{
    {
        Canvas c(64, kGirder);
        Girder(c, 0, 64, 0, 0);
        book.Add(kGroup, "lev4_belka_02_b.png", c);
    }
    for (bool left : {true, false}) {
        const int w = 16;
        Canvas c(w, kCableHeight);
        int gy = kCableHeight - kGirder;
        Girder(c, 0, w, gy, left ? w : 0);
        int cx = left ? 7 : 8;
        c.Rect(cx, 0, 2, gy - 6, {54, 54, 60});
        c.Rect(cx, 0, 1, gy - 6, {120, 120, 124});
        // The shackle on the girder's flange.
        c.Rect(cx - 3, gy - 7, 8, 3, {70, 70, 78});
        c.Rect(cx - 2, gy - 4, 2, 4, {70, 70, 78});
        c.Rect(cx + 2, gy - 4, 2, 4, {70, 70, 78});
        // The girder's cut end.
        if (left) {
            c.Rect(0, gy, 2, kGirder, {236, 160, 80});
        } else {
            c.Rect(w - 2, gy, 2, kGirder, {120, 64, 26});
        }
        book.Add(kGroup, left ? "lev4_belka_01.png" : "lev4_belka_03.png", c);
    }
}

// Loads hanging from above; each repeats upwards, so its top row continues
// its bottom row.
void PaintHangingLoads(ArtBook& book)
{
    {
        // A lattice mast section.
        // The cross member sits mid-tile and the braces run on across the
        // joint, so the stack shows no seam.
        Canvas c(32, 32);
        c.Line(6, -1, 26, 15, 2.5, kYellowDark);
        c.Line(26, 17, 6, 33, 2.5, kYellowDark);
        c.Rect(2, 0, 4, 32, kYellow);
        c.Rect(2, 0, 1, 32, kYellowLit);
        c.Rect(26, 0, 4, 32, kYellowDark);
        c.Rect(6, 14, 20, 3, kYellow);
        c.Rect(6, 14, 20, 1, kYellowLit);
        book.Add(kGroup, "lev4_buildin2_02_sec_collision.png", c);
    }
    {
        // A bundle of pipes under a strap.
        Canvas c(30, 40);
        for (int i = 0; i < 3; ++i) {
            int px = 1 + i * 10;
            c.Rect(px, 0, 8, 40, {128, 134, 140});
            c.Rect(px, 0, 2, 40, {176, 182, 188});
            c.Rect(px + 6, 0, 2, 40, {84, 90, 98});
        }
        c.Rect(0, 30, 30, 6, kOrange);
        c.Rect(0, 30, 30, 1, kOrangeLit);
        c.Rect(0, 35, 30, 1, kOrangeDark);
        book.Add(kGroup, "lev4_buildin3_sec_collision.png", c);
    }
}

}  // namespace

void PaintConstructionBuildings(ArtBook& book)
{
    Facade scaffold = Scaffolded();
    PaintFacadeStyle(book, kGroup, "lev4_buildin2", scaffold);

    Facade frame = ConcreteFrame();
    PaintFacadeStyle(book, kGroup, "lev4_buildin1", frame);

    Facade steel = SteelFrame();
    PaintFacadeStyle(book, kGroup, "lev4_buildin3", steel);

    Facade block = FinishedBlock();
    PaintFacadePiece(book, kGroup, "lev4_buildin4_01.png", block, PieceKind::Left, 1);
    // The fan housing (the fan frames are drawn at +14, +43: a 32 px disc
    // centred on +30, +59).
    PaintFacadePiece(book, kGroup, "lev4_buildin4_02.png", block, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Rect(x0 + 6, 36, 52, 46, {74, 82, 96});
                         c.Rect(x0 + 9, 38, 42, 42, {54, 60, 72});
                         c.Rect(x0 + 9, 38, 42, 1, {120, 128, 140});
                         c.Circle(x0 + 30, 59, 18, {24, 28, 34});
                         c.Circle(x0 + 30, 59, 16.5, {34, 38, 46});
                     });
    PaintFacadePiece(book, kGroup, "lev4_buildin4_03.png", block, PieceKind::Middle, 2);
    // A company board.
    PaintFacadePiece(book, kGroup, "lev4_buildin4_04.png", block, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Rect(x0 + 4, 92, 56, 24, {222, 122, 40});
                         c.Rect(x0 + 4, 92, 56, 2, {246, 170, 96});
                         c.Rect(x0 + 10, 99, 14, 10, {250, 240, 226});
                         c.Rect(x0 + 28, 99, 26, 3, {250, 240, 226});
                         c.Rect(x0 + 28, 105, 18, 3, {250, 240, 226});
                     });
    PaintFacadePiece(book, kGroup, "lev4_buildin4_05.png", block, PieceKind::Right, 1);

    PaintBeams(book);
    PaintHangingLoads(book);
}

}  // namespace PictureGen
