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

// The painted steel in its tones, and the dark inside of the frames.
const Rgb kYellow{222, 176, 56}, kYellowLit{246, 212, 112}, kYellowDark{170, 128, 36};
const Rgb kOrange{196, 98, 42}, kOrangeLit{236, 148, 86}, kOrangeDark{140, 66, 30};
const Rgb kInterior{40, 44, 54};

// ---- Style 1: the bare concrete frame ---------------------------------------

Facade ConcreteFrame()
{
    Facade f(kHeight, 0);
    f.body = [](Canvas& c, int w, int) {
        c.Rect(0, 0, w, kHeight, kInterior);
        for (int y = 0; y < kHeight; y += 52) {
            c.Slab(0, y, w, 8, {128, 128, 124}, {178, 178, 172}, 2);
            c.Rect(0, y + 8, w, 2, {62, 64, 70});
            c.Rect(0, y + 40, w, 12, {48, 54, 66});  // the far wall's lit foot
        }
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        c.Post(bx + 12, 8, 8, kHeight - 8, {104, 104, 102}, {142, 142, 138}, 2);
        for (int y = 10; y + 42 < kHeight; y += 52) {
            int pick = rng.Range(0, 5);
            if (pick == 0) {
                // Pallets of blocks.
                c.Slab(bx + 22, y + 28, 8, 14, {120, 112, 100}, {150, 142, 128}, 2);
            } else if (pick == 1) {
                // Plastic sheeting hung in the bay.
                c.Rect(bx + 21, y, 10, 42, {170, 196, 214}, 0.35);
                c.Rect(bx + 25, y, 1, 42, {200, 220, 232}, 0.4);
            } else if (pick == 2) {
                c.Slab(bx + 2, y + 30, 9, 12, {150, 96, 52}, {190, 130, 80}, 2);
            }
        }
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int ex = leftEnd ? x : x + w - 8;
        c.Post(ex, 0, 8, kHeight, {112, 112, 110}, leftEnd ? Rgb{150, 150, 146} : Rgb{96, 96, 94}, 2);
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
        c.Slab(0, 0, w, 6, {160, 118, 70}, {214, 170, 110}, 1);
        for (int x = 0; x < w; ++x)
            if (Wrap(x - origin, 8) == 0) c.Rect(x, 1, 1, 5, {120, 86, 50});
        c.Rect(0, 6, w, 2, {60, 46, 40});
    };
    f.block = [](Canvas& c, int bx, Rng&) {
        for (int y = 14; y + 20 < kHeight; y += 48) {
            c.Slab(bx + 14, y, 12, 20, {36, 32, 36}, {120, 96, 80}, 2);
        }
        c.Post(bx + 4, 6, 3, kHeight - 6, kYellow, kYellowLit, 1);
        for (int y = 50; y + 44 < kHeight; y += 96) c.Line(bx + 9, y + 2, bx + 28, y + 44, 2, kYellowDark);
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int px = leftEnd ? x + 2 : x + w - 5;
        c.Post(px, 0, 3, kHeight, kYellow, kYellowLit, 1);
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
            c.Slab(0, y, w, 6, kOrange, kOrangeLit, 1);
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
        c.Post(bx + 2, 6, 6, kHeight - 6, kOrange, kOrangeLit, 2, kOrangeDark, 1);
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int px = leftEnd ? x : x + w - 7;
        c.Post(px, 0, 7, kHeight, kOrange, leftEnd ? kOrangeLit : kOrange, 2, kOrangeDark, 1);
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
        c.Slab(0, 0, w, 6, {104, 110, 120}, {156, 162, 170}, 1);
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
        c.Slab(px, 0, 8, kHeight, leftEnd ? Rgb{96, 104, 116} : Rgb{58, 64, 76}, {156, 162, 170}, 1);
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
    c.Slab(x, y, w, 4, {214, 132, 44}, {246, 176, 92}, 1);
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
    book.Paint(kGroup, "lev4_belka_02_b.png", 64, kGirder, [](Canvas& c) {
        Girder(c, 0, 64, 0, 0);
    });
    for (bool left : {true, false}) {
        const int w = 16;
        Canvas c(w, kCableHeight);
        int gy = kCableHeight - kGirder;
        Girder(c, 0, w, gy, left ? w : 0);
        int cx = left ? 7 : 8;
        c.Post(cx, 0, 2, gy - 6, {54, 54, 60}, {120, 120, 124}, 1);
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
    book.Paint(kGroup, "lev4_buildin2_02_sec_collision.png", 32, 32, [](Canvas& c) {
        // A lattice mast section.
        // The cross member sits mid-tile and the braces run on across the
        // joint, so the stack shows no seam.
        c.Line(6, -1, 26, 15, 2.5, kYellowDark);
        c.Line(26, 17, 6, 33, 2.5, kYellowDark);
        c.Post(2, 0, 4, 32, kYellow, kYellowLit, 1);
        c.Rect(26, 0, 4, 32, kYellowDark);
        c.Slab(6, 14, 20, 3, kYellow, kYellowLit, 1);
    });
    book.Paint(kGroup, "lev4_buildin3_sec_collision.png", 30, 40, [](Canvas& c) {
        // A bundle of pipes under a strap.
        for (int i = 0; i < 3; ++i) {
            int px = 1 + i * 10;
            c.Post(px, 0, 8, 40, {128, 134, 140}, {176, 182, 188}, 2);
            c.Rect(px + 6, 0, 2, 40, {84, 90, 98});
        }
        c.Slab(0, 30, 30, 6, kOrange, kOrangeLit, 1, kOrangeDark, 1);
    });
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
                         c.Slab(x0 + 9, 38, 42, 42, {54, 60, 72}, {120, 128, 140}, 1);
                         c.Circle(x0 + 30, 59, 18, {24, 28, 34});
                         c.Circle(x0 + 30, 59, 16.5, {34, 38, 46});
                     });
    PaintFacadePiece(book, kGroup, "lev4_buildin4_03.png", block, PieceKind::Middle, 2);
    // A company board.
    PaintFacadePiece(book, kGroup, "lev4_buildin4_04.png", block, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Slab(x0 + 4, 92, 56, 24, {222, 122, 40}, {246, 170, 96}, 2);
                         c.Rect(x0 + 10, 99, 14, 10, {250, 240, 226});
                         c.Rect(x0 + 28, 99, 26, 3, {250, 240, 226});
                         c.Rect(x0 + 28, 105, 18, 3, {250, 240, 226});
                     });
    PaintFacadePiece(book, kGroup, "lev4_buildin4_05.png", block, PieceKind::Right, 1);

    PaintBeams(book);
    PaintHangingLoads(book);
}

}  // namespace PictureGen
