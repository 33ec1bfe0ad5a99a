// Level 1, the prison at 11 PM: dark violet cell blocks, an office block and
// the perimeter wall. Every style walks 40 px below the image top, so the top
// 40 rows show the roof behind the runner: fences with barbed wire, railings,
// a parapet with floodlights, tanks and masts.
#include <cmath>

#include "tools/picturegen/building_painters.h"
#include "tools/picturegen/facade.h"

namespace PictureGen {

namespace {
const char* const kGroup = "level01";

// NOTE: 248 = the 40-row roof plus 208 rows of wall, enough to reach the
// screen bottom from the highest roof the camera shows (about y 190).
constexpr int kHeight = 248;
constexpr int kWalk = 40;

// Each material in its tones.
const Rgb kMortar{20, 18, 32};
const Rgb kLedgeLit{128, 122, 170}, kLedge{70, 66, 102}, kLedgeShadow{14, 12, 24};
const Rgb kRoofTop{62, 58, 92}, kRoof{40, 37, 62};
const Rgb kFrame{20, 18, 32}, kBar{40, 34, 52};
const Rgb kGlassDark{14, 12, 24}, kGlassLit{238, 198, 112}, kGlassWarm{206, 150, 76};
const Rgb kSteel{76, 72, 106}, kSteelDark{46, 43, 68};
const Rgb kLamp{255, 236, 170};

Rgb Glass(Rng& rng, double litChance)
{
    if (!rng.Chance(litChance)) return kGlassDark;
    return rng.Chance(0.5) ? kGlassLit : kGlassWarm;
}

// The roof surface behind the runner and the lit ledge he runs on.
void RoofAndLedge(Canvas& c, int w)
{
    c.Slab(0, 30, w, kWalk - 30, kRoof, kRoofTop, 1);
    Ledge(c, 0, kWalk, w, 4, kLedgeLit, kLedge, kLedgeShadow);
}

// A chain-link fence with a barbed top wire between rows top and bottom;
// posts every 32 px, the mesh every 8, all measured from origin.
void ChainFence(Canvas& c, int w, int origin, int top, int bottom)
{
    for (int x = -64 + Wrap(origin, 8); x < w + 64; x += 8) {
        c.Bar(x, top + 3, x + (bottom - top - 3), bottom, 1.0, kSteel, 0.45);
        c.Bar(x, bottom, x + (bottom - top - 3), top + 3, 1.0, kSteel, 0.45);
    }
    c.Rect(0, top + 2, w, 1, kSteel);
    for (int x = 0; x < w; ++x) {
        int u = Wrap(x - origin, 32);
        if (u == 14 || u == 15) c.Rect(x, top, 1, bottom - top, u == 14 ? kSteel : kSteelDark);
        // Barbed wire: a small loop every 8 px.
        int v = Wrap(x - origin, 8);
        if (v == 2 || v == 6) c.Rect(x, top - 2, 1, 2, kSteel);
        if (v == 3 || v == 4 || v == 5) c.Rect(x, v == 4 ? top - 3 : top - 2, 1, 1, kSteel);
    }
}

// Coils of razor wire on top of a wall: overlapping loops every 8 px.
void RazorCoils(Canvas& c, int w, int origin, int y)
{
    for (int x = -32 + Wrap(origin, 8); x < w + 32; x += 8) c.Ring(x + 4, y, 6.5, 1.0, kSteel, 0.8);
}

// ---- Style 0: the cell block, brick with small barred windows -----------

Facade CellBlock()
{
    Facade f(kHeight, kWalk);
    f.body = [](Canvas& c, int w, int origin) {
        Bricks(c, 0, kWalk + 5, w, kHeight - kWalk - 5, origin, 32, {{30, 27, 46}, {28, 25, 43}, {33, 30, 50}},
               kMortar, 16, 6);
        ChainFence(c, w, origin, 8, 30);
        RoofAndLedge(c, w);
        // A string course between the floors.
        for (int y : {104, 160}) c.Rect(0, y, w, 2, {42, 38, 62});
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        for (int y : {62, 118, 174}) {
            Rgb glass = Glass(rng, 0.18);
            Window(c, bx + 10, y, 12, 16, kFrame, glass, 2, kBar);
            c.Rect(bx + 9, y + 16, 14, 2, {46, 42, 70});  // sill
        }
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        // The corner: a pilaster, lit on the left end, in shade on the right.
        Rgb face = leftEnd ? Rgb{44, 40, 66} : Rgb{22, 20, 34};
        int px = leftEnd ? x : x + w - 6;
        c.Rect(px, kWalk + 4, 6, kHeight - kWalk - 4, face);
        c.Rect(leftEnd ? x : x + w - 1, 8, 1, kWalk - 8, kSteel);  // end post of the fence
    };
    return f;
}

// ---- Style 1: concrete block with pilasters and floodlights --------------

Facade ConcreteBlock()
{
    Facade f(kHeight, kWalk);
    f.period = 40;
    f.body = [](Canvas& c, int w, int origin) {
        c.Rect(0, kWalk, w, kHeight - kWalk, {34, 31, 52});
        for (int y = kWalk + 46; y < kHeight; y += 46) c.Rect(0, y, w, 1, {26, 24, 42});
        // Parapet with a coping.
        c.Slab(0, 22, w, kWalk - 22, {40, 37, 62}, {80, 76, 110}, 3);
        Ledge(c, 0, kWalk, w, 4, kLedgeLit, kLedge, kLedgeShadow);
        for (int x = 0; x < w; ++x)
            if (Wrap(x - origin, 40) < 5) c.Rect(x, kWalk + 5, 1, kHeight - kWalk - 5, {40, 37, 60});
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        for (int y : {58, 120, 182}) Window(c, bx + 20, y, 10, 28, kFrame, Glass(rng, 0.2), 1, kBar);
        // A floodlight on the parapet.
        c.Rect(bx + 21, 9, 2, 13, kSteelDark);
        c.Rect(bx + 18, 6, 8, 4, kSteel);
        c.Glow(bx + 22, 9, 11, kLamp, 0.35);
        c.Rect(bx + 19, 9, 6, 1, kLamp);
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        Rgb face = leftEnd ? Rgb{46, 43, 70} : Rgb{24, 22, 38};
        c.Slab(leftEnd ? x : x + w - 8, 22, 8, kHeight - 22, face, {86, 82, 116}, 3);
    };
    return f;
}

// ---- Styles 2 and 3: the old stone wing with arched windows --------------

void ArchedWindow(Canvas& c, int x, int y, int w, int h, Rgb glass)
{
    c.Rect(x - 1, y + w / 2, w + 2, h - w / 2 + 1, kFrame);
    c.Circle(x + w / 2.0, y + w / 2.0, w / 2.0 + 1, kFrame);
    c.Rect(x, y + w / 2, w, h - w / 2, glass);
    c.Circle(x + w / 2.0, y + w / 2.0, w / 2.0, glass);
    c.Rect(x + w / 2, y + 2, 1, h - 2, kBar);
    c.Rect(x, y + h / 2 + 2, w, 1, kBar);
}

Facade StoneWing(bool drainpipeEnds)
{
    Facade f(kHeight, kWalk);
    f.cap = 24;
    f.body = [](Canvas& c, int w, int origin) {
        Bricks(c, 0, kWalk + 5, w, kHeight - kWalk - 5, origin, 32, {{36, 30, 50}, {33, 28, 46}, {39, 33, 54}},
               {24, 20, 36}, 16, 12);
        // Iron railing: two rails and balusters every 4 px.
        c.Rect(0, 14, w, 2, kSteel);
        c.Rect(0, 24, w, 1, kSteelDark);
        for (int x = 0; x < w; ++x) {
            if (Wrap(x - origin, 4) == 0) c.Rect(x, 16, 1, 14, kSteelDark);
            if (Wrap(x - origin, 16) == 8) c.Rect(x, 11, 1, 3, kSteel);
        }
        RoofAndLedge(c, w);
        c.Rect(0, 94, w, 3, {46, 40, 64});  // a band of dressed stone
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        for (int y : {60, 116, 176}) ArchedWindow(c, bx + 10, y, 12, 22, Glass(rng, 0.15));
    };
    f.end = [drainpipeEnds](Canvas& c, int x, int w, bool leftEnd) {
        // Quoins: big corner stones, alternately long and short.
        for (int y = kWalk + 5, i = 0; y < kHeight; y += 12, ++i) {
            int qw = (i % 2) ? 10 : 16;
            int qx = leftEnd ? x : x + w - qw;
            c.Rect(qx, y, qw, 11, leftEnd ? Rgb{48, 42, 68} : Rgb{28, 24, 40});
        }
        if (drainpipeEnds) {
            int px = leftEnd ? x + 18 : x + w - 21;
            c.Post(px, kWalk - 2, 3, kHeight - kWalk + 2, kSteelDark, kSteel, 1);
            for (int y = kWalk + 30; y < kHeight; y += 60) c.Rect(px - 1, y, 5, 2, kSteel);
        }
    };
    return f;
}

// ---- Style 4: the office block with ribbon windows ------------------------

Facade OfficeBlock()
{
    Facade f(kHeight, kWalk);
    f.body = [](Canvas& c, int w, int origin) {
        c.Rect(0, kWalk, w, kHeight - kWalk, {36, 33, 56});
        for (int y : {62, 120, 178}) {
            c.Rect(0, y - 2, w, 2, {46, 42, 70});
            c.Rect(0, y, w, 14, kFrame);
            c.Rect(0, y + 1, w, 12, kGlassDark);
            c.Rect(0, y + 14, w, 1, {30, 28, 46});
        }
        // A pipe railing.
        c.Rect(0, 16, w, 2, kSteel);
        c.Rect(0, 24, w, 1, kSteelDark);
        for (int x = 0; x < w; ++x)
            if (Wrap(x - origin, 16) == 4) c.Rect(x, 16, 2, 14, kSteelDark);
        RoofAndLedge(c, w);
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        for (int y : {62, 120, 178}) {
            for (int s = 0; s < 4; ++s) {
                int sx = bx + 1 + s * 8;
                if (rng.Chance(0.22)) c.Rect(sx, y + 1, 6, 12, rng.Chance(0.5) ? kGlassLit : kGlassWarm);
            }
            for (int s = 1; s < 4; ++s) c.Rect(bx + s * 8, y + 1, 1, 12, kFrame);
        }
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int px = leftEnd ? x : x + w - 7;
        c.Rect(px, kWalk + 4, 7, kHeight - kWalk - 4, leftEnd ? Rgb{48, 44, 72} : Rgb{26, 24, 40});
    };
    return f;
}

// ---- Styles 5 and 6: the perimeter wall (its pieces serve as ends too) ----

Facade PerimeterWall(bool concrete)
{
    Facade f(kHeight, kWalk);
    f.cap = 0;
    f.body = [concrete](Canvas& c, int w, int origin) {
        if (concrete) {
            c.Rect(0, kWalk, w, kHeight - kWalk, {32, 30, 50});
            for (int x = 0; x < w; ++x)
                if (Wrap(x - origin, 16) == 0) c.Rect(x, kWalk + 5, 1, kHeight - kWalk - 5, {25, 23, 40});
        } else {
            Bricks(c, 0, kWalk + 5, w, kHeight - kWalk - 5, origin, 32,
                   {{29, 26, 44}, {32, 29, 48}, {27, 24, 41}}, {19, 17, 30}, 32, 16);
        }
        // Low posts with razor wire between them.
        for (int x = 0; x < w; ++x)
            if (Wrap(x - origin, 32) == 16) c.Rect(x, 12, 2, kWalk - 12, kSteelDark);
        RazorCoils(c, w, origin, 22);
        RoofAndLedge(c, w);
    };
    return f;
}

}  // namespace

void PaintPrisonBuildings(ArtBook& book)
{
    Facade cells = CellBlock();
    PaintFacadeStyle(book, kGroup, "lev1_buildin1", cells);

    Facade concrete = ConcreteBlock();
    PaintFacadePiece(book, kGroup, "lev1_buildin2_02.png", concrete, PieceKind::Left, 1);
    PaintFacadePiece(book, kGroup, "lev1_buildin2_03.png", concrete, PieceKind::Middle, 2);
    PaintFacadePiece(book, kGroup, "lev1_buildin2_01.png", concrete, PieceKind::Right, 1);

    Facade wing = StoneWing(false);
    PaintFacadeStyle(book, kGroup, "lev1_buildin3", wing);

    Facade wing2 = StoneWing(true);
    PaintFacadePiece(book, kGroup, "lev1_buildin3_08.png", wing2, PieceKind::Left, 1);
    PaintFacadePiece(book, kGroup, "lev1_buildin3_09.png", wing2, PieceKind::Right, 1);
    PaintFacadePiece(book, kGroup, "lev1_buildin3_04.png", wing2, PieceKind::Middle, 2);
    // A tall lit hall window across the middle block.
    PaintFacadePiece(book, kGroup, "lev1_buildin3_06.png", wing2, PieceKind::Middle, 3,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Rect(x0 + 33, kWalk + 5, 30, 160, {46, 38, 62});
                         ArchedWindow(c, x0 + 38, 62, 20, 120, kGlassWarm);
                         c.Rect(x0 + 38, 100, 20, 1, kBar);
                         c.Rect(x0 + 38, 140, 20, 1, kBar);
                     });
    // A ventilation grille and a drainpipe.
    PaintFacadePiece(book, kGroup, "lev1_buildin3_07.png", wing2, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Rect(x0 + 6, 64, 52, 30, {46, 38, 62});
                         c.Rect(x0 + 16, 68, 32, 22, kFrame);
                         for (int y = 70; y < 88; y += 4) c.Rect(x0 + 17, y, 30, 2, kSteelDark);
                         c.Post(x0 + 31, kWalk + 4, 3, kHeight - kWalk - 4, kSteelDark, kSteel, 1);
                     });
    // A stair housing on the roof.
    PaintFacadePiece(book, kGroup, "lev1_buildin3_10.png", wing2, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Slab(x0 + 12, 6, 40, 24, {52, 46, 74}, {82, 76, 110}, 2);
                         c.Rect(x0 + 12, 8, 4, 22, {60, 54, 84});
                         c.Rect(x0 + 22, 14, 10, 16, kGlassDark);
                         c.Rect(x0 + 38, 12, 8, 6, kGlassLit);
                     });

    Facade office = OfficeBlock();
    PaintFacadePiece(book, kGroup, "lev1_buildin4_01.png", office, PieceKind::Left, 1);
    PaintFacadePiece(book, kGroup, "lev1_buildin4_02.png", office, PieceKind::Middle, 2);
    // A water tank on legs.
    PaintFacadePiece(book, kGroup, "lev1_buildin4_03.png", office, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         for (int lx : {14, 46}) c.Rect(x0 + lx, 20, 3, 12, kSteelDark);
                         c.Slab(x0 + 10, 2, 44, 20, {56, 52, 82}, {86, 82, 116}, 2);
                         c.Rect(x0 + 10, 4, 5, 18, {66, 62, 94});
                         for (int y = 8; y < 22; y += 6) c.Rect(x0 + 10, y, 44, 1, {42, 39, 62});
                     });
    // A radio mast with a red warning light.
    PaintFacadePiece(book, kGroup, "lev1_buildin4_04.png", office, PieceKind::Middle, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Rect(x0 + 31, 2, 2, 28, kSteel);
                         c.Line(x0 + 24, 30, x0 + 31, 10, 1, kSteelDark);
                         c.Line(x0 + 40, 30, x0 + 33, 10, 1, kSteelDark);
                         c.Glow(x0 + 32, 3, 6, {255, 60, 60}, 0.6);
                         c.Rect(x0 + 31, 1, 2, 2, {255, 90, 80});
                         c.Ellipse(x0 + 50, 20, 6, 7, {70, 66, 98});
                     });
    PaintFacadePiece(book, kGroup, "lev1_buildin4_05.png", office, PieceKind::Right, 1);

    Facade wall = PerimeterWall(false);
    // A lamp post over the wall.
    PaintFacadePiece(book, kGroup, "lev1_buildin5_01.png", wall, PieceKind::Uniform, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Rect(x0 + 23, 4, 2, kWalk - 4, kSteelDark);
                         c.Rect(x0 + 19, 3, 9, 3, kSteel);
                         c.Glow(x0 + 23, 6, 14, kLamp, 0.4);
                         c.Rect(x0 + 20, 5, 7, 1, kLamp);
                     });
    // A warning plate on the wall.
    PaintFacadePiece(book, kGroup, "lev1_buildin5_02.png", wall, PieceKind::Uniform, 2,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Slab(x0 + 20, 80, 24, 16, {170, 150, 70}, {200, 180, 96}, 1);
                         c.Rect(x0 + 24, 85, 16, 2, {50, 40, 30});
                         c.Rect(x0 + 24, 90, 10, 2, {50, 40, 30});
                     });
    Facade wall2 = PerimeterWall(true);
    // A steel gate under a lamp.
    PaintFacadePiece(book, kGroup, "lev1_buildin6_01.png", wall2, PieceKind::Uniform, 3,
                     [](Canvas& c, int x0, int, Rng&) {
                         c.Slab(x0 + 26, 110, 44, kHeight - 110, {30, 28, 44}, {60, 56, 86}, 2);
                         for (int x = x0 + 30; x < x0 + 68; x += 6) c.Rect(x, 114, 2, kHeight - 114, {40, 37, 58});
                         c.Rect(x0 + 44, 92, 8, 4, kSteel);
                         c.Glow(x0 + 48, 96, 16, kLamp, 0.45);
                         c.Rect(x0 + 45, 95, 6, 1, kLamp);
                     });
}

}  // namespace PictureGen
