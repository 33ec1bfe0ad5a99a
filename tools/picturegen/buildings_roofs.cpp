// Level 5, the suburbs at 3 PM: plastered and brick houses under red tiled
// roofs, a timber house under slate and a flat-roofed block of flats.
// Level 6, the rooftops at 7 PM: brick, slate and stone blocks and a glass
// office with lit windows, a corrugated hall whose top is the walk line, and
// billboards on legs to slide under. Styles with a roof collision offset of
// 40 show the roof behind the runner in their top 40 rows.
#include <cmath>

#include "tools/picturegen/building_painters.h"
#include "tools/picturegen/facade.h"

namespace PictureGen {

namespace {
constexpr int kHeight = 248;
constexpr int kWalk = 40;

// ---- Shared roof parts ---------------------------------------------------------

// A tiled roof slope behind the runner: rows of scalloped tiles under a ridge.
void TiledSlope(Canvas& c, int w, int origin, Rgb a, Rgb b, Rgb ridge, Rgb ridgeLit)
{
    for (int row = 0; row < 7; ++row) {
        int y = 10 + row * 4;
        int shift = (row % 2) * 4;
        for (int x = 0; x < w; ++x) {
            int u = Wrap(x - origin - shift, 8);
            int tile = Wrap(x - origin - shift, 32) / 8;
            Rgb tone = ((tile + row) % 3 == 0) ? b : a;
            c.Rect(x, y, 1, 4, tone);
            if (u == 0) c.Rect(x, y, 1, 4, Scale(b, 0.8));
        }
        c.Rect(0, y + 3, w, 1, Scale(b, 0.75));
    }
    c.Slab(0, 6, w, 4, ridge, ridgeLit, 1);
}

// The cornice the runner runs on, with its shadow on the wall.
void Cornice(Canvas& c, int w, Rgb lit, Rgb face, Rgb shadow)
{
    c.Rect(0, kWalk - 2, w, 2, Scale(face, 0.7));
    Ledge(c, 0, kWalk, w, 4, lit, face, shadow);
}

void Railing(Canvas& c, int w, int origin, int top, Rgb rail, Rgb post)
{
    c.Rect(0, top, w, 2, rail);
    c.Rect(0, top + 10, w, 1, post);
    for (int x = 0; x < w; ++x)
        if (Wrap(x - origin, 16) == 6) c.Rect(x, top, 2, kWalk - 8 - top, post);
}

// ---- Level 5 facades ----------------------------------------------------------

struct SuburbLook {
    Rgb wall, wallDark, trim, glass, shutter;
    bool brick, boards;
    int roof;  // 0 red tiles, 1 slate, 2 flat with railing
};

Facade SuburbHouse(SuburbLook look)
{
    Facade f(kHeight, kWalk);
    f.body = [look](Canvas& c, int w, int origin) {
        if (look.brick) {
            Bricks(c, 0, kWalk, w, kHeight - kWalk, origin, 32, {look.wall, Scale(look.wall, 0.93), Lift(look.wall, 6)},
                   look.wallDark, 16, 6);
        } else {
            c.Rect(0, kWalk, w, kHeight - kWalk, look.wall);
            if (look.boards)
                for (int y = kWalk + 8; y < kHeight; y += 6) c.Rect(0, y, w, 1, look.wallDark);
        }
        if (look.roof == 0) TiledSlope(c, w, origin, {158, 62, 46}, {136, 52, 40}, {112, 42, 32}, {196, 104, 80});
        if (look.roof == 1) TiledSlope(c, w, origin, {78, 76, 88}, {64, 62, 74}, {52, 50, 60}, {130, 128, 140});
        if (look.roof == 2) {
            Railing(c, w, origin, 14, {96, 92, 92}, {78, 74, 76});
            c.Rect(0, 30, w, 10, Scale(look.wall, 1.08));
        }
        Cornice(c, w, {226, 206, 176}, {178, 156, 130}, Scale(look.wallDark, 0.7));
        c.Rect(0, 104, w, 2, Scale(look.wall, 1.15));
        c.Rect(0, 168, w, 2, Scale(look.wall, 1.15));
    };
    f.block = [look](Canvas& c, int bx, Rng& rng) {
        for (int y : {58, 122, 186}) {
            if (look.roof == 2) {
                // Balconies on the block of flats.
                c.Rect(bx + 4, y - 6, 24, 36, Scale(look.wall, 0.85));
                Window(c, bx + 8, y - 2, 16, 24, look.trim, look.glass, 1, look.trim);
                c.Rect(bx + 2, y + 20, 28, 3, Scale(look.wall, 1.2));
                for (int x = bx + 3; x < bx + 29; x += 3) c.Rect(x, y + 12, 1, 8, {70, 66, 66});
                c.Rect(bx + 2, y + 11, 28, 1, {90, 86, 86});
                continue;
            }
            Window(c, bx + 10, y, 12, 22, look.trim, look.glass, 1, look.trim);
            c.Rect(bx + 11, y + 1, 10, 4, Mix(look.glass, {255, 231, 173}, 0.35));
            if (rng.Chance(0.6)) {
                c.Rect(bx + 4, y, 5, 22, look.shutter);
                c.Rect(bx + 23, y, 5, 22, look.shutter);
                for (int sy = y + 3; sy < y + 22; sy += 4) {
                    c.Rect(bx + 4, sy, 5, 1, Scale(look.shutter, 0.8));
                    c.Rect(bx + 23, sy, 5, 1, Scale(look.shutter, 0.8));
                }
            }
            c.Rect(bx + 9, y + 22, 14, 2, look.trim);
        }
    };
    f.end = [look](Canvas& c, int x, int w, bool leftEnd) {
        int px = leftEnd ? x : x + w - 6;
        c.Rect(px, kWalk, 6, kHeight - kWalk, leftEnd ? Scale(look.wall, 1.15) : Scale(look.wall, 0.8));
        // The roof's gable end.
        if (look.roof != 2) {
            if (leftEnd)
                c.Poly({static_cast<double>(x), 40, x + 10.0, 6, x + 10.0, 40}, Scale(look.wall, 1.05));
            else
                c.Poly({x + w - 10.0, 6, x + w + 0.0, 40, x + w - 10.0, 40}, Scale(look.wall, 0.8));
            c.Clear(leftEnd ? x : x + w - 10, 0, 10, 6);
        }
    };
    return f;
}

// ---- Level 6 facades ----------------------------------------------------------

const Rgb kDuskRoof{84, 70, 66};
const Rgb kDuskRail{50, 46, 54};
const Rgb kWarmLit{242, 188, 112};
const Rgb kDuskDark{32, 30, 38};

struct DuskLook {
    Rgb wall, wallDark, glassLit, frame;
    int kind;  // 0 brick, 1 panels, 2 stone with parapet, 3 glass office
    double lit;
};

Facade DuskBlock(DuskLook look)
{
    Facade f(kHeight, kWalk);
    f.body = [look](Canvas& c, int w, int origin) {
        if (look.kind == 0) {
            Bricks(c, 0, kWalk, w, kHeight - kWalk, origin, 32, {look.wall, Scale(look.wall, 0.92), Lift(look.wall, 5)},
                   look.wallDark, 16, 6);
        } else {
            c.Rect(0, kWalk, w, kHeight - kWalk, look.wall);
            if (look.kind == 1)
                for (int y = kWalk + 30; y < kHeight; y += 32) c.Rect(0, y, w, 1, look.wallDark);
            if (look.kind == 3) {
                for (int y = kWalk + 10; y < kHeight; y += 24) {
                    c.Rect(0, y, w, 18, look.frame);
                    c.Rect(0, y + 1, w, 16, kDuskDark);
                }
            }
        }
        c.Slab(0, 30, w, 10, kDuskRoof, {120, 94, 80}, 1);
        if (look.kind == 2) {
            c.Slab(0, 18, w, 20, Scale(look.wall, 0.95), {170, 126, 92}, 2);
        } else {
            Railing(c, w, origin, 16, {70, 64, 72}, kDuskRail);
        }
        Ledge(c, 0, kWalk, w, 4, {206, 142, 96}, Scale(look.wall, 1.3), Scale(look.wallDark, 0.6));
    };
    f.block = [look](Canvas& c, int bx, Rng& rng) {
        if (look.kind == 3) {
            for (int y = kWalk + 10; y < kHeight; y += 24) {
                for (int s = 0; s < 3; ++s)
                    if (rng.Chance(look.lit)) c.Rect(bx + 2 + s * 10, y + 1, 8, 16, look.glassLit);
                for (int s = 1; s < 3; ++s) c.Rect(bx + 1 + s * 10, y + 1, 1, 16, look.frame);
            }
            return;
        }
        for (int y : {60, 112, 164, 216}) {
            Rgb glass = rng.Chance(look.lit) ? look.glassLit : kDuskDark;
            Window(c, bx + 9, y, 14, 22, look.frame, glass, 1, look.frame);
            if (look.kind == 2) c.Rect(bx + 7, y - 3, 18, 3, Scale(look.wall, 1.2));
        }
    };
    f.end = [look](Canvas& c, int x, int w, bool leftEnd) {
        int px = leftEnd ? x : x + w - 6;
        c.Rect(px, kWalk + 4, 6, kHeight - kWalk - 4, leftEnd ? Scale(look.wall, 1.2) : Scale(look.wall, 0.75));
        if (look.kind != 2) c.Rect(leftEnd ? x : x + w - 2, 16, 2, kWalk - 16 - 8, kDuskRail);
    };
    return f;
}

// The corrugated hall (level 6 style 4): its top edge is the walk line.
Facade Hall()
{
    Facade f(208, 0);
    f.body = [](Canvas& c, int w, int origin) {
        c.Rect(0, 0, w, 208, {64, 60, 66});
        for (int x = 0; x < w; ++x) {
            int u = Wrap(x - origin, 4);
            if (u == 0) c.Rect(x, 8, 1, 200, {84, 78, 84});
            if (u == 2) c.Rect(x, 8, 1, 200, {50, 46, 54});
        }
        c.Slab(0, 0, w, 8, {110, 96, 90}, {196, 150, 112}, 2);
        c.Rect(0, 8, w, 2, {38, 34, 40});
        c.Rect(0, 120, w, 3, {90, 82, 86});
    };
    f.block = [](Canvas& c, int bx, Rng& rng) {
        if (rng.Chance(0.5)) {
            c.Rect(bx + 6, 30, 20, 14, {40, 38, 44});
            for (int y = 32; y < 44; y += 3) c.Rect(bx + 7, y, 18, 1, {92, 86, 92});
        } else {
            c.Slab(bx + 8, 40, 16, 10, {242, 188, 112}, {255, 226, 170}, 1);
        }
    };
    f.end = [](Canvas& c, int x, int w, bool leftEnd) {
        int px = leftEnd ? x : x + w - 5;
        c.Rect(px, 0, 5, 208, leftEnd ? Rgb{120, 104, 98} : Rgb{44, 40, 46});
    };
    return f;
}

// A billboard on legs; the runner slides under the board (the lowest 29
// rows are legs: the style's second-collision inset).
void PaintBillboard(ArtBook& book, const std::string& name, int poster)
{
    const int w = 112, h = 92, legs = 29;
    Canvas c(w, h);
    int boardBottom = h - legs;
    for (int lx : {18, 88}) {
        c.Post(lx, boardBottom, 5, legs, {52, 48, 56}, {110, 96, 92}, 1);
        c.Line(lx + 2, boardBottom + 2, lx + (lx < 50 ? 14 : -10), h - 1, 2, {52, 48, 56});
    }
    c.Slab(0, 6, w, boardBottom - 6, {40, 38, 46}, {150, 120, 100}, 1);
    c.Rect(3, 9, w - 6, boardBottom - 12, {30, 28, 34});
    int px = 4, py = 10, pw = w - 8, ph = boardBottom - 14;
    if (poster == 0) {
        // A holiday poster: sea, sun and a sail.
        c.Rect(px, py, pw, ph, {244, 150, 84});
        c.Circle(px + 74, py + ph / 2, 12, {255, 214, 120});
        c.Rect(px, py + ph / 2, pw, ph / 2, {60, 120, 170});
        c.Poly({px + 24.0, py + ph - 8.0, px + 36.0, py + 8.0, px + 40.0, py + ph - 8.0}, {250, 244, 236});
        c.Rect(px + 6, py + 4, 30, 4, {255, 250, 240});
    } else {
        // A drink: a tall bottle on deep red with bold bars of text.
        c.Rect(px, py, pw, ph, {170, 36, 54});
        c.Rect(px + 14, py + 8, 12, ph - 12, {240, 230, 210});
        c.Rect(px + 17, py + 2, 6, 8, {240, 230, 210});
        c.Rect(px + 14, py + 24, 12, 8, {230, 180, 60});
        c.Rect(px + 40, py + 10, 52, 7, {255, 244, 230});
        c.Rect(px + 40, py + 22, 40, 5, {255, 244, 230});
        c.Rect(px + 40, py + 34, 46, 5, {255, 200, 90});
    }
    // Lamps over the board.
    for (int lx : {20, 56, 92}) {
        c.Rect(lx - 1, 0, 3, 6, {60, 56, 62});
        c.Rect(lx - 4, 4, 9, 3, {90, 84, 90});
        c.Glow(lx, 10, 14, {255, 240, 200}, 0.35);
    }
    book.Add("level06", name, c);
}

}  // namespace

void PaintRoofItems(ArtBook& book, const std::string& group, const std::string& prefix, const RoofItemPalette& p)
{
    book.Paint(group, prefix + "klatka.png", 44, 46, [&](Canvas& c) {
        // A stairwell housing with a door.
        c.Post(0, 4, 44, 42, p.wall, p.wallLit, 6, p.wallDark, 6);
        c.Slab(0, 0, 44, 5, p.roof, p.roofLit, 1);
        c.Slab(14, 16, 16, 30, p.door, p.wallLit, 1);
        c.Rect(26, 30, 2, 2, p.metalLit);
    });
    book.Paint(group, prefix + "komin.png", 20, 40, [&](Canvas& c) {
        // A brick chimney with a cap.
        Bricks(c, 2, 6, 16, 34, 2, 16, {p.brick, Scale(p.brick, 0.92)}, p.brickDark, 8, 4);
        c.Rect(2, 6, 3, 34, Scale(p.brick, 1.15));
        c.Rect(15, 6, 3, 34, Scale(p.brick, 0.8));
        c.Slab(0, 2, 20, 4, p.roof, p.roofLit, 1);
        c.Rect(6, 0, 8, 2, p.metalDark);
    });
    book.Paint(group, prefix + "rura1.png", 36, 28, [&](Canvas& c) {
        // A bent vent pipe on a foot.
        c.Post(4, 8, 9, 20, p.metal, p.metalLit, 3, p.metalDark, 2);
        c.Slab(4, 0, 30, 9, p.metal, p.metalLit, 2, p.metalDark, 2);
        c.Rect(30, 0, 6, 12, p.metalDark);
        c.Rect(0, 24, 17, 4, p.wallDark);
    });
    book.Paint(group, prefix + "wentylacja.png", 32, 24, [&](Canvas& c) {
        // A vent box with louvres.
        c.Slab(0, 0, 32, 24, p.metal, p.metalLit, 2);
        c.Rect(0, 0, 3, 24, p.metalLit);
        c.Rect(29, 0, 3, 24, p.metalDark);
        for (int y = 6; y < 22; y += 4) c.Rect(5, y, 22, 2, p.metalDark);
    });
}

void PaintSuburbBuildings(ArtBook& book)
{
    const char* group = "level05";
    SuburbLook plaster{{108, 74, 56}, {84, 58, 44}, {222, 208, 186}, {62, 56, 66}, {72, 98, 64}, false, false, 0};
    SuburbLook brick{{118, 60, 46}, {92, 48, 38}, {214, 200, 180}, {56, 50, 60}, {120, 70, 48}, true, false, 0};
    SuburbLook timber{{90, 86, 92}, {70, 66, 72}, {226, 218, 204}, {58, 56, 66}, {140, 60, 50}, false, true, 1};
    SuburbLook flats{{104, 94, 86}, {82, 74, 68}, {200, 190, 176}, {60, 58, 66}, {0, 0, 0}, false, false, 2};
    auto dish = [](Canvas& c, int x0, int, Rng&) {
        // A satellite dish behind the railing.
        c.Ellipse(x0 + 14, 18, 7, 9, {200, 196, 190});
        c.Ellipse(x0 + 15, 18, 5, 7, {170, 166, 160});
        c.Rect(x0 + 13, 26, 2, 6, {96, 92, 92});
    };
    PaintFacadeStyles(book, group, "lev5_buildin",
                      {SuburbHouse(plaster), SuburbHouse(brick), SuburbHouse(timber), SuburbHouse(flats)},
                      {nullptr, nullptr, nullptr, dish});
    RoofItemPalette items{{150, 120, 100}, {186, 156, 132}, {112, 88, 72}, {96, 70, 60}, {170, 130, 110},
                          {62, 52, 52}, {150, 152, 156}, {206, 208, 210}, {96, 98, 104}, {150, 70, 52},
                          {110, 60, 48}};
    PaintRoofItems(book, group, "lev5_second_collision_", items);
}

void PaintRooftopBuildings(ArtBook& book)
{
    const char* group = "level06";
    DuskLook brick{{66, 48, 42}, {50, 36, 32}, kWarmLit, {40, 32, 32}, 0, 0.45};
    DuskLook panels{{58, 60, 72}, {46, 48, 58}, {156, 186, 218}, {40, 42, 52}, 1, 0.4};
    DuskLook stone{{80, 66, 54}, {62, 50, 42}, kWarmLit, {50, 40, 36}, 2, 0.35};
    DuskLook glass{{44, 50, 62}, {34, 38, 48}, {238, 214, 150}, {56, 62, 76}, 3, 0.4};
    auto tank = [](Canvas& c, int x0, int, Rng&) {
        // A timber water tank on a stand.
        for (int lx : {-8, 18}) c.Rect(x0 + lx, 22, 3, 10, {40, 34, 34});
        c.Post(x0 - 12, 4, 38, 20, {104, 70, 52}, {136, 94, 70}, 5);
        c.Poly({x0 - 14.0, 5.0, x0 + 7.0, -4.0, x0 + 28.0, 5.0}, {70, 50, 44});
        for (int y = 10; y < 24; y += 6) c.Rect(x0 - 12, y, 38, 1, {60, 40, 34});
    };
    auto airConditioning = [](Canvas& c, int x0, int, Rng&) {
        for (int ux : {-12, 8}) {
            c.Slab(x0 + ux, 18, 20, 14, {110, 112, 120}, {170, 172, 178}, 1);
            c.Circle(x0 + ux + 10, 25, 5, {70, 72, 80});
        }
    };
    auto aerial = [](Canvas& c, int x0, int, Rng&) {
        // An aerial on the parapet.
        c.Rect(x0 + 15, 0, 2, 18, {60, 56, 62});
        for (int y : {4, 9}) c.Rect(x0 + 8, y, 16, 1, {60, 56, 62});
    };
    // The fifth style is the corrugated hall.
    PaintFacadeStyles(book, group, "lev6_buildin",
                      {DuskBlock(brick), DuskBlock(panels), DuskBlock(stone), DuskBlock(glass), Hall()},
                      {tank, airConditioning, aerial});
    PaintBillboard(book, "lev6_billboard_2.png", 0);
    PaintBillboard(book, "lev6_billboard2.png", 1);
    RoofItemPalette items{{76, 64, 62}, {120, 96, 84}, {52, 44, 44}, {62, 54, 56}, {150, 112, 90},
                          {34, 30, 34}, {110, 108, 114}, {172, 160, 156}, {66, 64, 70}, {96, 58, 48},
                          {70, 42, 36}};
    PaintRoofItems(book, group, "lev6_second_collision_", items);
}

}  // namespace PictureGen
