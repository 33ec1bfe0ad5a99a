// Backgrounds of the first three levels: the prison under the moon, the
// underground station and the sewer vaults; and the lightning bolt.
//
// Each layer's picture is placed in the coordinates of its tiled-picture file;
// on screen a layer's file y lands at baseY - scrollY / factor, with scrollY
// about 200 (so "lev1_bg1" rows appear about 66 px higher than written).
#include <cmath>

#include "tools/picturegen/background_painters.h"
#include "tools/picturegen/facade.h"
#include "tools/picturegen/scenery.h"

namespace PictureGen {

void AddSky(ArtBook& book, const std::string& group, const std::string& name, int w, int h,
            const std::vector<SkyStop>& stops)
{
    Canvas c(w, h);
    SkyGradient(c, stops);
    book.Add(group, name, c);
}

void AddCloud(ArtBook& book, const std::string& group, const std::string& name, int w, int h, Rgb colour,
              double alpha, const std::string& seed)
{
    Canvas c(w, h);
    Rng rng(seed);
    // A flat bottom and a heap of round puffs: one tone, drawn as one shape.
    cairo_push_group(c.Cr());
    c.Ellipse(w / 2.0, h * 0.75, w * 0.46, h * 0.22, colour);
    for (int i = 0; i < 6; ++i) {
        double px = w * (0.18 + 0.64 * i / 5.0);
        double r = h * (0.22 + 0.2 * rng.Unit());
        c.Circle(px, h * 0.72 - r * 0.6, r, colour);
    }
    cairo_pop_group_to_source(c.Cr());
    cairo_paint_with_alpha(c.Cr(), alpha);
    book.Add(group, name, c);
}

void AddSun(ArtBook& book, const std::string& group, const std::string& name, int w, int h, double cx, double cy,
            double glowR, Rgb glow, double glowAlpha, double r, Rgb disc)
{
    Canvas c(w, h);
    c.Glow(cx, cy, glowR, glow, glowAlpha);
    c.Circle(cx, cy, r, disc);
    book.Add(group, name, c);
}

void AddStars(ArtBook& book, const std::string& group, const std::string& name, int w, int h, int count, Rgb colour,
              const std::string& seed, double maxY)
{
    Canvas c(w, h);
    Stars(c, count, colour, seed, maxY);
    book.Add(group, name, c);
}

void AddHalvedLayer(ArtBook& book, std::vector<TiledLayout>& out, const std::string& group, const std::string& stem,
                    const Strip& strip, int top, int layoutHeight, Rgb fill)
{
    const int half = strip.Width() / 2, h = strip.Height();
    AddFoldedHalves(book, group, stem, strip, half);
    for (const char* side : {"_a", "_b"}) {
        TiledLayout t{stem + side + ".xml", half, layoutHeight, {}};
        t.Texture(stem + side + ".png", 0, top).Fill(0, top + h, half, layoutHeight - top - h, fill);
        out.push_back(t);
    }
}

TiledLayout SkyLayout(const std::string& file, int height, const std::string& sky,
                      const std::vector<Placement>& items)
{
    TiledLayout t{file, 480, height, {}};
    t.Texture(sky, 0, 0, 30);
    for (const Placement& p : items) t.Texture(p.name, p.x, p.y);
    return t;
}

void PaintHalvedLayer(ArtBook& book, std::vector<TiledLayout>& out, const std::string& group, const std::string& stem,
                      LayerBand band, Rgb fill, const std::function<void(Canvas&, LayerBand)>& paint)
{
    Strip strip(band.width, band.height);
    paint(strip.C(), band);
    AddHalvedLayer(book, out, group, stem, strip, band.top, band.layoutHeight, fill);
}

// ============================ Level 1: the prison ============================

namespace {
const char* const kPrison = "level01";
const Rgb kNightFar{82, 101, 148}, kNightMid{63, 75, 119}, kNightNear{45, 40, 66};
// Lit windows and lamps.
const Rgb kWarm{236, 196, 110}, kWarmDim{200, 150, 80};

void PaintWatchtower(ArtBook& book)
{
    // NOTE: the searchlight sits at (24, 8): the sweeping beam of the level's
    // decorations turns about that point when the tower stands at x 574 of
    // the layer.
    Canvas c(48, 112);
    Rgb body{56, 66, 106}, lit{72, 84, 126}, dark{42, 50, 84};
    c.Line(12, 44, 7, 112, 3, body);
    c.Line(36, 44, 41, 112, 3, dark);
    for (int y = 56; y < 112; y += 18) {
        c.Line(11, y, 38, y + 16, 1.2, body);
        c.Line(37, y, 10, y + 16, 1.2, dark);
    }
    c.Rect(6, 40, 36, 4, lit);
    c.Post(8, 20, 32, 20, body, lit, 5);
    c.Rect(15, 26, 8, 8, kWarm);
    c.Rect(27, 26, 8, 8, kWarmDim);
    c.Poly({3, 21, 24, 11, 45, 21}, dark);
    c.Poly({3, 21, 24, 11, 24, 21}, lit);
    c.Rect(20, 5, 8, 6, {96, 104, 140});
    c.Glow(24, 8, 9, {255, 250, 220}, 0.7);
    c.Rect(21, 7, 6, 2, {255, 252, 230});
    book.Add(kPrison, "lev1_tower.png", c);
}

void PaintPrisonMid(ArtBook& book, std::vector<TiledLayout>& out)
{
    // The perimeter wall with halls behind it; rows 50..130 of the layer.
    const int total = 831, top = 50, h = 80;
    Strip strip(total, h);
    Canvas& c = strip.C();
    Rgb hall{70, 82, 128}, hallLit{78, 92, 138};
    // Two long halls with pitched roofs and chimneys behind the wall.
    struct Hall {
        int x, w, ridge;
    };
    for (Hall hl : {Hall{30, 250, 18}, Hall{470, 230, 26}, Hall{720, 140, 34}}) {
        int eave = hl.ridge + 18;
        c.Rect(hl.x, eave, hl.w, h - eave, hall);
        c.Poly({static_cast<double>(hl.x - 4), static_cast<double>(eave), static_cast<double>(hl.x + 14),
                static_cast<double>(hl.ridge), static_cast<double>(hl.x + hl.w - 14), static_cast<double>(hl.ridge),
                static_cast<double>(hl.x + hl.w + 4), static_cast<double>(eave)},
               hall);
        c.Rect(hl.x + 14, hl.ridge, hl.w - 28, 2, hallLit);
        for (int cx = hl.x + 30; cx < hl.x + hl.w - 20; cx += 70) c.Rect(cx, hl.ridge - 10, 6, 10, hall);
        for (int wx = hl.x + 10; wx < hl.x + hl.w - 10; wx += 14) c.Rect(wx, eave + 6, 3, 4, kWarmDim);
    }
    // The wall: coping, stone courses and razor wire.
    int coping = 112 - top;
    c.Slab(-160, coping, total + 320, h - coping, kNightMid, {86, 98, 142}, 3);
    for (int y = coping + 8; y < h; y += 6) c.Rect(-160, y, total + 320, 1, {58, 70, 112});
    for (int x = -160; x < total + 160; x += 9) c.Ring(x, coping - 6, 5.5, 1.0, {86, 98, 142}, 0.8);
    // Lamps on the wall.
    for (int x : {60, 330, 500, 760}) {
        c.Rect(x, coping - 26, 2, 26, {50, 60, 98});
        c.Rect(x - 3, coping - 28, 8, 3, {96, 104, 140});
        c.Glow(x + 1, coping - 25, 14, kWarm, 0.45);
    }
    AddFoldedHalves(book, kPrison, "lev1_bg1", strip, 415);
    PaintWatchtower(book);

    TiledLayout a{"lev1_bg1_a.xml", 415, 190, {}};
    a.Texture("lev1_bg1_a.png", 0, top).Texture("lev1_tower.png", 140 - 24, 0).Fill(0, 130, 415, 60, kNightMid);
    TiledLayout b{"lev1_bg1_b.xml", 416, 190, {}};
    b.Texture("lev1_bg1_b.png", 0, top).Texture("lev1_tower.png", 574 - 415 - 24, 0).Fill(0, 130, 416, 60, kNightMid);
    out.push_back(a);
    out.push_back(b);
}

void PaintPrisonNear(ArtBook& book, std::vector<TiledLayout>& out)
{
    // Long cell blocks with rows of small windows, a chapel, a water tower
    // and floodlight masts; rows 90..230 of the layer.
    const int total = 1024, top = 90, h = 140;
    Strip strip(total, h);
    Canvas& c = strip.C();
    const Rgb lit{55, 50, 80};
    Rng rng("prison-near");
    for (int x = 0; x < total;) {
        int w = rng.Range(110, 190);
        int bh = rng.Range(64, 86);
        int roof = h - bh;
        c.Post(x, roof, w, bh, kNightNear, lit, 4);
        c.Rect(x, roof, w, 2, lit);
        // Cells: rows of narrow windows, a few lit.
        for (int wy = roof + 7; wy + 4 < h - 4; wy += 9)
            for (int wx = x + 7; wx + 2 < x + w - 4; wx += 6)
                c.Rect(wx, wy, 2, 4, rng.Chance(0.07) ? kWarmDim : Rgb{36, 32, 54});
        // Vents and chimneys on the flat roof.
        for (int k = 0; k < 3; ++k) {
            int vx = x + rng.Range(8, w - 16);
            int vh = rng.Range(3, 12);
            c.Rect(vx, roof - vh, rng.Range(3, 8), vh, kNightNear);
        }
        x += w + rng.Range(6, 30);
    }
    // A chapel with a pointed roof between the blocks.
    c.Rect(300, 46, 40, h - 46, kNightNear);
    c.Poly({296, 46, 320, 22, 344, 46}, kNightNear);
    c.Rect(316, 8, 8, 40, kNightNear);
    c.Poly({314, 8, 320, -4, 326, 8}, kNightNear);
    c.Rect(300, 46, 4, h - 46, lit);
    c.Rect(314, 60, 12, 16, kWarmDim);
    c.Circle(320, 60, 6, kWarmDim);
    // A water tower on legs.
    for (int lx : {700, 724}) c.Rect(lx, 12, 3, h - 12, kNightNear);
    c.Line(702, 30, 725, 60, 1.5, kNightNear);
    c.Line(725, 30, 702, 60, 1.5, kNightNear);
    c.Rect(692, 0, 44, 16, kNightNear);
    c.Poly({690, 0, 714, -8, 738, 0}, kNightNear);
    c.Rect(692, 0, 6, 16, lit);
    // Floodlight masts.
    for (int x : {120, 470, 880}) {
        c.Rect(x, 4, 2, h, {40, 36, 60});
        c.Rect(x - 4, 2, 10, 4, {70, 66, 96});
        c.Glow(x + 1, 6, 18, {255, 240, 190}, 0.45);
    }
    AddHalvedLayer(book, out, kPrison, "lev1_bg2", strip, top, 240, kNightNear);
}
}  // namespace

void PaintPrisonBackground(ArtBook& book, std::vector<TiledLayout>& out)
{
    // The sky: fixed, drawn from y -150; only its rows 150..470 are seen.
    AddSky(book, kPrison, "lev1_sky.png", 16, 320,
           {{0.0, {18, 16, 34}}, {0.35, {40, 40, 74}}, {0.7, {72, 84, 130}}, {1.0, {90, 106, 154}}});
    AddStars(book, kPrison, "lev1_stars.png", 240, 130, 46, {230, 230, 255}, "prison-stars", 120);
    TiledLayout sky{"lev1_bg.xml", 480, 470, {}};
    sky.Texture("lev1_sky.png", 0, 150, 30).Texture("lev1_stars.png", 0, 150, 2);
    out.push_back(sky);

    book.Paint(kPrison, "lev1_moon.png", 128, 160, [](Canvas& c) {
        // The moon: its picture hangs from y -82 at the right edge.
        c.Glow(64, 112, 54, {190, 200, 255}, 0.3);
        c.Circle(64, 112, 17, {236, 232, 210});
        c.Circle(58, 107, 4, {214, 210, 190});
        c.Circle(70, 118, 3, {214, 210, 190});
        c.Circle(67, 104, 2, {220, 216, 196});
    });

    {
        // The far town, light and low, melting into its fill.
        Strip strip(256, 80);
        Skyline(strip.C(), SkylineLook("prison-far", 0, 256, 80)
                               .Sizes({14, 54}, {10, 30}, {-2, 4})
                               .Colours(kNightFar, {90, 110, 158}, {156, 150, 170})
                               .Windows(0.07, 1, 2, 4, 5)
                               .Roofs(0.3, 0.0, 0.0, 0.3));
        AddFolded(book, kPrison, "lev1_bg0.png", strip);
    }
    TiledLayout far{"lev1_bg0.xml", 512, 150, {}};
    far.Texture("lev1_bg0.png", 0, 0, 2).Fill(0, 80, 512, 70, kNightFar);
    out.push_back(far);

    PaintPrisonMid(book, out);
    PaintPrisonNear(book, out);
}

void PaintThunder(ArtBook& book, std::vector<TiledLayout>& out)
{
    const int w = 200, h = 230;
    Canvas c(w, h);
    Rng rng("thunder");
    std::vector<double> pts;
    double x = 120, y = 0;
    pts.push_back(x);
    pts.push_back(y);
    while (y < h - 10) {
        x += rng.Range(-16, 10);
        y += rng.Range(10, 22);
        pts.push_back(x);
        pts.push_back(y);
    }
    auto stroke = [&c](const std::vector<double>& p, double width, Rgb col, double a) {
        for (size_t i = 2; i + 1 < p.size(); i += 2) c.Line(p[i - 2], p[i - 1], p[i], p[i + 1], width, col, a);
    };
    // Two branches off the main bolt.
    std::vector<double> branch1{pts[6], pts[7]}, branch2{pts[14], pts[15]};
    for (int i = 0; i < 4; ++i) {
        branch1.push_back(branch1[branch1.size() - 2] + rng.Range(6, 14));
        branch1.push_back(branch1[branch1.size() - 2] + rng.Range(8, 16));
        branch2.push_back(branch2[branch2.size() - 2] - rng.Range(6, 14));
        branch2.push_back(branch2[branch2.size() - 2] + rng.Range(8, 16));
    }
    for (auto* p : {&pts, &branch1, &branch2}) stroke(*p, 9, {190, 180, 255}, 0.22);
    stroke(pts, 3.2, {236, 232, 255}, 1.0);
    stroke(branch1, 1.8, {220, 216, 255}, 0.9);
    stroke(branch2, 1.8, {220, 216, 255}, 0.9);
    stroke(pts, 1.2, {255, 255, 255}, 1.0);
    book.Add(kPrison, "thunder_bolt.png", c);
    TiledLayout t{"thunder1.xml", w, h, {}};
    t.Texture("thunder_bolt.png", 0, 0);
    out.push_back(t);
}

// ========================= Level 2: the underground ==========================

namespace {
const char* const kMetro = "level02";
const Rgb kTunnelNear{24, 40, 49}, kTunnelMid{33, 60, 66}, kTunnelFar{57, 101, 99};
const Rgb kFarWall{78, 128, 120};

void PaintMetroTextures(ArtBook& book)
{
    book.Paint(kMetro, "lev2_bg4_vault.png", 64, 130, [](Canvas& c) {
        // The far vault: a rib every 64 px over a cornice.
        c.VGradient(0, 0, 64, 110, {20, 36, 42}, {46, 80, 82});
        for (int y = 0; y < 110; y += 4) c.Rect(0, y, 4, 2, {40, 68, 72});
        c.Post(0, 0, 6, 110, {34, 60, 64}, {52, 86, 88}, 1);
        c.Slab(0, 110, 64, 8, {62, 104, 100}, {96, 146, 138}, 1);
        c.Rect(0, 118, 64, 12, kFarWall);
    });
    book.Paint(kMetro, "lev2_bg4_clock.png", 28, 28, [](Canvas& c) {
        c.Circle(14, 14, 13, {30, 46, 50});
        c.Circle(14, 14, 11, {226, 232, 222});
        c.Line(14, 14, 14, 6, 2, {30, 40, 44});
        c.Line(14, 14, 20, 16, 1.5, {30, 40, 44});
    });
    book.Paint(kMetro, "lev2_bg4_vent.png", 48, 20, [](Canvas& c) {
        c.Rect(0, 0, 48, 20, {36, 60, 64});
        for (int y = 3; y < 18; y += 3) c.Rect(3, y, 42, 1, {22, 38, 42});
    });
    book.Paint(kMetro, "lev2_bg4_sign.png", 96, 18, [](Canvas& c) {
        c.Slab(0, 0, 96, 18, {26, 60, 110}, {70, 110, 160}, 1);
        for (int i = 0; i < 7; ++i) c.Rect(10 + i * 11, 6, 7, 6, {236, 240, 240});
        c.Circle(6, 9, 4, {236, 240, 240});
    });
    book.Paint(kMetro, "lev2_bg3_beam.png", 32, 40, [](Canvas& c) {
        // The far platform's ceiling beam; the lamps hang from its foot.
        c.Slab(0, 0, 32, 32, {46, 80, 84}, {72, 112, 112}, 2);
        c.Rect(0, 30, 32, 4, {34, 60, 64});
        c.Rect(0, 34, 32, 6, {28, 48, 52});
        c.Rect(0, 36, 32, 1, {60, 92, 96});
    });
    book.Paint(kMetro, "lev2_bg3_wall.png", 32, 64, [](Canvas& c) {
        Bricks(c, 0, 0, 32, 64, 0, 32, {{96, 150, 140}, {92, 146, 136}, {100, 154, 144}}, {70, 116, 108}, 16, 8);
    });
    book.Paint(kMetro, "lev2_bg3_edge.png", 32, 14, [](Canvas& c) {
        c.Rect(0, 0, 32, 3, {150, 176, 166});
        c.Rect(0, 3, 32, 3, {200, 176, 72});
        c.Rect(0, 6, 32, 8, {44, 76, 78});
        c.Rect(0, 13, 32, 1, {30, 52, 54});
    });
    const Rgb posterInk[3] = {{210, 90, 70}, {236, 200, 90}, {90, 150, 210}};
    for (int i = 0; i < 3; ++i) {
        book.Paint(kMetro, Numbered("lev2_bg3_poster%d.png", i + 1), 36, 44, [&](Canvas& c) {
            c.Rect(0, 0, 36, 44, {40, 54, 58});
            c.Rect(2, 2, 32, 40, {232, 226, 210});
            c.Rect(4, 4, 28, 22, posterInk[i]);
            if (i == 0) c.Circle(18, 15, 7, {250, 230, 170});
            if (i == 1) c.Poly({6, 24, 18, 6, 30, 24}, {60, 70, 80});
            if (i == 2) c.Rect(8, 10, 20, 8, {240, 240, 240});
            c.Rects({{4, 30, 24, 3}, {4, 36, 16, 2}}, {60, 60, 66});
        });
    }
    book.Paint(kMetro, "lev2_bg3_name.png", 90, 16, [](Canvas& c) {
        c.Rect(0, 0, 90, 16, {30, 44, 48});
        c.Rect(2, 2, 86, 12, {232, 236, 230});
        for (int i = 0; i < 8; ++i) c.Rect(8 + i * 10, 5, 6, 6, {30, 44, 48});
        c.Rect(0, 0, 90, 1, {120, 150, 150});
    });
    book.Paint(kMetro, "lev2_bg3_bench.png", 40, 14, [](Canvas& c) {
        c.Slab(0, 4, 40, 4, {120, 84, 60}, {160, 120, 90}, 1);
        c.Rect(0, 0, 40, 3, {110, 78, 56});
        for (int lx : {4, 34}) c.Rect(lx, 8, 2, 6, {40, 50, 54});
    });
    book.Paint(kMetro, "lev2_bg2_girder.png", 32, 28, [](Canvas& c) {
        c.Slab(0, 0, 32, 28, {30, 54, 60}, {54, 88, 92}, 2, {22, 40, 46}, 4);
        for (int x = 4; x < 32; x += 8) c.Rect(x, 10, 2, 2, {60, 96, 100});
    });
    book.Paint(kMetro, "lev2_bg2_pillar.png", 24, 64, [](Canvas& c) {
        c.Post(0, 0, 24, 64, {36, 64, 70}, {50, 86, 90}, 4, {26, 48, 54}, 4);
    });
    book.Paint(kMetro, "lev2_bg2_capital.png", 36, 12, [](Canvas& c) {
        c.Slab(0, 0, 36, 12, {40, 70, 76}, {62, 100, 104}, 2, {28, 50, 54}, 2);
    });
    book.Paint(kMetro, "lev2_bg2_edge.png", 32, 24, [](Canvas& c) {
        c.Slab(0, 0, 32, 24, {30, 54, 60}, {70, 108, 108}, 3);
        c.Rect(0, 3, 32, 2, {22, 40, 44});
        for (int x = 0; x < 32; x += 16) c.Rect(x, 5, 1, 19, {24, 44, 50});
    });
    book.Paint(kMetro, "lev2_bg1_girder.png", 32, 24, [](Canvas& c) {
        c.Rect(0, 0, 32, 24, {20, 34, 42});
        c.Slab(0, 18, 32, 6, {16, 28, 34}, {40, 62, 70}, 1);
        for (int x = 6; x < 32; x += 16) c.Circle(x, 10, 1.5, {52, 80, 86});
    });
    book.Paint(kMetro, "lev2_bg1_pillar.png", 40, 64, [](Canvas& c) {
        c.Post(0, 0, 40, 64, {26, 44, 52}, {38, 62, 70}, 5, {18, 32, 38}, 6);
    });
    book.Paint(kMetro, "lev2_bg1_sign.png", 30, 12, [](Canvas& c) {
        c.Slab(0, 0, 30, 12, {30, 150, 90}, {110, 220, 160}, 1);
        c.Poly({6, 6, 12, 2, 12, 10}, {240, 250, 240});
        c.Rect(12, 5, 12, 2, {240, 250, 240});
    });
    book.Paint(kMetro, "lev2_bg1_rails.png", 32, 20, [](Canvas& c) {
        c.Rect(0, 0, 32, 20, {18, 30, 36});
        c.Rect(0, 6, 32, 2, {110, 120, 122});
        c.Rect(0, 8, 32, 1, {60, 66, 70});
        for (int x = 4; x < 32; x += 16) c.Rect(x, 9, 8, 3, {40, 34, 30});
        c.Rect(0, 14, 32, 6, kTunnelNear);
    });
    book.Paint(kMetro, "lev2_bg_peron01.png", 256, 48, [](Canvas& c) {
        // The near platform's lip in front of the runner: its top rows are
        // clear so his feet stay visible on the low platform.
        c.Rect(0, 20, 256, 2, {96, 116, 106});
        c.Rect(0, 22, 256, 5, {204, 174, 64});
        for (int x = 1; x < 256; x += 4) c.Rect(x, 23, 2, 3, {160, 132, 44});
        c.Slab(0, 27, 256, 21, {12, 18, 22}, {30, 40, 44}, 1);
    });
}
}  // namespace

void PaintMetroBackground(ArtBook& book, std::vector<TiledLayout>& out)
{
    PaintMetroTextures(book);

    // Layer 3: the far vault and wall.
    struct Far {
        const char* file;
        int w;
    };
    const Far far[4] = {{"lev2_bg_platform4_a.xml", 256},
                        {"lev2_bg_platform4_b.xml", 192},
                        {"lev2_bg_platform4_c.xml", 256},
                        {"lev2_bg_platform4_d.xml", 320}};
    for (int i = 0; i < 4; ++i) {
        TiledLayout t{far[i].file, far[i].w, 380, {}};
        t.Texture("lev2_bg4_vault.png", 0, 0, far[i].w / 64).Fill(0, 130, far[i].w, 250, kFarWall);
        // Under the vault, above the far platform's beam (which hides this
        // layer below about its row 87).
        if (i == 0) t.Texture("lev2_bg4_clock.png", 110, 60);
        if (i == 1) t.Texture("lev2_bg4_vent.png", 70, 68);
        if (i == 3) t.Texture("lev2_bg4_sign.png", 110, 68);
        out.push_back(t);
    }

    // Layer 2: the far platform under its beam; the tunnel lamps hang at
    // y 66 of this layer, the train passes over rows 115..167.
    struct Wall {
        const char* file;
        int w;
        std::vector<std::pair<const char*, std::pair<int, int>>> extras;
    };
    const Wall walls[5] = {
        {"lev2_bg_platform3_a.xml", 256,
         {{"lev2_bg3_name.png", {30, 48}}, {"lev2_bg3_poster1.png", {160, 66}}, {"lev2_bg3_bench.png", {190, 122}}}},
        {"lev2_bg_platform3_b.xml", 192,
         {{"lev2_bg3_poster2.png", {30, 66}}, {"lev2_bg3_poster3.png", {112, 66}}, {"lev2_bg3_bench.png", {70, 122}}}},
        {"lev2_bg_platform3_c.xml", 224,
         {{"lev2_bg3_poster1.png", {20, 66}}, {"lev2_bg3_name.png", {90, 48}}, {"lev2_bg3_bench.png", {150, 122}}}},
        {"lev2_bg_platform3_d.xml", 256,
         {{"lev2_bg3_poster3.png", {50, 66}}, {"lev2_bg3_poster2.png", {170, 66}}, {"lev2_bg3_bench.png", {100, 122}}}},
        {"lev2_bg_platform3_e.xml", 224,
         {{"lev2_bg3_name.png", {110, 48}}, {"lev2_bg3_poster1.png", {30, 66}}}},
    };
    for (const Wall& wl : walls) {
        TiledLayout t{wl.file, wl.w, 150, {}};
        t.Texture("lev2_bg3_wall.png", 0, 40, wl.w / 32, 2);
        t.Texture("lev2_bg3_beam.png", 0, 0, wl.w / 32);
        for (const auto& e : wl.extras) t.Texture(e.first, e.second.first, e.second.second);
        t.Texture("lev2_bg3_edge.png", 0, 136, wl.w / 32);
        out.push_back(t);
    }

    // Layers 1 and 0 are pieces of a width with pillars at some x.
    struct Pillared {
        const char* file;
        int w;
        std::vector<int> pillars;
    };
    // Layer 1: columns between the tracks under a girder.
    const Pillared cols[5] = {{"lev2_bg_platform2_a.xml", 192, {80}},
                             {"lev2_bg_platform2_b.xml", 256, {40, 190}},
                             {"lev2_bg_platform2_c.xml", 224, {120}},
                             {"lev2_bg_platform2_d.xml", 192, {60}},
                             {"lev2_bg_platform2_e.xml", 288, {100, 230}}};
    for (const Pillared& cl : cols) {
        TiledLayout t{cl.file, cl.w, 300, {}};
        t.Fill(0, 0, cl.w, 56, kTunnelMid);
        t.Texture("lev2_bg2_girder.png", 0, 56, cl.w / 32);
        for (int p : cl.pillars) t.Texture("lev2_bg2_pillar.png", p, 96, 1, 3).Texture("lev2_bg2_capital.png", p - 6, 84);
        t.Texture("lev2_bg2_edge.png", 0, 262, cl.w / 32).Fill(0, 286, cl.w, 14, kTunnelMid);
        out.push_back(t);
    }

    // Layer 0: the near ceiling, heavy columns and the rails under the trains.
    const Pillared nears[4] = {{"lev2_bg_platform1_a.xml", 320, {200}},
                           {"lev2_bg_platform1_b.xml", 256, {}},
                           {"lev2_bg_platform1_c.xml", 384, {100, 300}},
                           {"lev2_bg_platform1_d.xml", 288, {}}};
    for (const Pillared& n : nears) {
        TiledLayout t{n.file, n.w, 430, {}};
        t.Fill(0, 0, n.w, 130, kTunnelNear);
        for (int p : n.pillars) t.Texture("lev2_bg1_pillar.png", p, 154, 1, 5).Texture("lev2_bg1_sign.png", p + 5, 232);
        t.Texture("lev2_bg1_girder.png", 0, 130, n.w / 32);
        t.Texture("lev2_bg1_rails.png", 0, 410, n.w / 32);
        out.push_back(t);
    }
}

// ============================= Level 3: the sewers ===========================

namespace {
const char* const kSewer = "level03";
const Rgb kVault{49, 52, 74};
const Rgb kSewerFar{33, 73, 90};

// Adds an arch to the path: the upper half of the ellipse about (cx, cy)
// with radii rx and ry.
void ArchPath(cairo_t* cr, double cx, double cy, double rx, double ry)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, M_PI, 2 * M_PI);
    cairo_restore(cr);
}

void PaintSewerTextures(ArtBook& book)
{
    book.Paint(kSewer, "lev3_bg3_arch.png", 128, 130, [](Canvas& c) {
        // The far tunnel: arches receding into the morning light.
        c.Rect(0, 0, 128, 130, {44, 86, 104});
        c.Rect(24, 40, 80, 90, {28, 62, 78});
        c.Ellipse(64, 40, 40, 26, {28, 62, 78});
        c.Rect(40, 60, 48, 70, {70, 130, 142});
        c.Ellipse(64, 60, 24, 16, {70, 130, 142});
        c.Glow(64, 80, 34, {170, 226, 226}, 0.5);
        for (int y = 4; y < 40; y += 8) c.Rect(0, y, 128, 1, {38, 78, 96});
        c.Slab(0, 112, 128, 18, kSewerFar, {110, 190, 200}, 1);
        c.Rect(30, 118, 30, 1, {90, 170, 186});
        c.Rect(76, 124, 24, 1, {90, 170, 186});
    });
    book.Paint(kSewer, "lev3_bg3_light.png", 60, 120, [](Canvas& c) {
        // A shaft of light from a street grate.
        for (int y = 0; y < 120; ++y) {
            double t = y / 120.0;
            c.Rect(8 + t * 30, y, 14 + t * 8, 1, {210, 240, 230}, 0.22 * (1 - t));
        }
    });
    book.Paint(kSewer, "lev3_bg2_pillar.png", 32, 60, [](Canvas& c) {
        Bricks(c, 0, 0, 32, 60, 0, 32, {{42, 60, 76}, {38, 56, 70}, {46, 64, 80}}, {30, 44, 56}, 16, 6);
        c.Rect(0, 0, 3, 60, {56, 76, 92});
        c.Rect(29, 0, 3, 60, {30, 44, 56});
    });
    book.Paint(kSewer, "lev3_bg2_pipe.png", 64, 12, [](Canvas& c) {
        c.Slab(0, 1, 64, 10, {66, 92, 104}, {104, 136, 146}, 2, {44, 62, 72}, 2);
        c.Rect(30, 0, 5, 12, {80, 108, 120});
    });
    book.Paint(kSewer, "lev3_bg1_pillar.png", 48, 60, [](Canvas& c) {
        Bricks(c, 0, 0, 48, 60, 0, 48, {{52, 56, 80}, {48, 52, 74}, {56, 60, 84}}, {38, 40, 58}, 16, 6);
        c.Rect(0, 0, 4, 60, {66, 70, 96});
        c.Rect(43, 0, 5, 60, {36, 38, 56});
    });
    book.Paint(kSewer, "lev3_bg1_outlet.png", 24, 24, [](Canvas& c) {
        // The outlet the big waterfall pours from (its centre at 12, 12).
        c.Circle(12, 12, 11.5, {86, 104, 120});
        c.Circle(12, 12, 9, {16, 24, 32});
        c.Rect(2, 3, 20, 2, {120, 140, 152});
    });
    book.Paint(kSewer, "lev3_bg_00_rury2.png", 384, 80, [](Canvas& c) {
        // Pipes along the ceiling, in front of everything but the runner.
        auto pipe = [&c](int y, int d, Rgb body) {
            c.Slab(0, y, 384, d, body, Lift(body, 36), std::max(2, d / 4));
            c.Rect(0, y + d - std::max(2, d / 4), 384, std::max(2, d / 4), Scale(body, 0.7));
        };
        for (int x = 20; x < 384; x += 96) c.Rect(x, 0, 4, 60, {30, 36, 44});
        pipe(32, 16, {56, 74, 86});
        pipe(52, 10, {86, 70, 60});
        pipe(66, 8, {60, 80, 92});
        for (int x = 60; x < 384; x += 128) {
            c.Slab(x, 30, 6, 20, {72, 92, 104}, {120, 144, 152}, 2);
        }
        c.Rect(200, 74, 3, 5, {140, 210, 220}, 0.8);
    });
}
}  // namespace

void PaintSewerBackground(ArtBook& book, std::vector<TiledLayout>& out)
{
    PaintSewerTextures(book);

    // Layer 3: the far tunnel.
    TiledLayout far3a{"lev3_bg_03_a.xml", 384, 130, {}};
    far3a.Texture("lev3_bg3_arch.png", 0, 0, 3).Texture("lev3_bg3_light.png", 100, 0);
    TiledLayout far3b{"lev3_bg_03_b.xml", 384, 130, {}};
    far3b.Texture("lev3_bg3_arch.png", 0, 0, 3).Texture("lev3_bg3_light.png", 240, 0);
    out.push_back(far3a);
    out.push_back(far3b);

    {
        // Layer 2: brick arches on pillars every 256 px with a pipe along
        // them; the band is rows 0..70, the pillars go on below.
        const int total = 768, h = 70;
        Strip strip(total, h);
        Canvas& c = strip.C();
        Bricks(c, -160, 0, total + 320, h, 0, 32, {{40, 58, 74}, {37, 54, 69}, {43, 61, 78}}, {30, 44, 56}, 16, 6);
        cairo_t* cr = c.Cr();
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        for (int px : {96 - 768, 96, 352, 608, 96 + 768}) {
            double cx = px + 32 + 112;
            cairo_rectangle(cr, px + 32, 40, 224, h);
            cairo_fill(cr);
            ArchPath(cr, cx, 40, 112, 30);
            cairo_fill(cr);
        }
        cairo_restore(cr);
        for (int px : {96 - 768, 96, 352, 608, 96 + 768}) {
            double cx = px + 32 + 112;
            SetColour(cr, {60, 80, 98});
            cairo_set_line_width(cr, 3);
            ArchPath(cr, cx, 40, 113, 31);
            cairo_stroke(cr);
        }
        AddFoldedHalves(book, kSewer, "lev3_bg_02", strip, 448);
        TiledLayout a{"lev3_bg_02_a.xml", 448, 250, {}};
        a.Texture("lev3_bg_02_a.png", 0, 0)
            .Texture("lev3_bg2_pillar.png", 96, 70, 1, 3)
            .Texture("lev3_bg2_pillar.png", 352, 70, 1, 3)
            .Texture("lev3_bg2_pipe.png", 0, 150, 7);
        TiledLayout b{"lev3_bg_02_b.xml", 320, 250, {}};
        b.Texture("lev3_bg_02_b.png", 0, 0).Texture("lev3_bg2_pillar.png", 160, 70, 1, 3).Texture("lev3_bg2_pipe.png", 0, 150, 5);
        out.push_back(a);
        out.push_back(b);
    }

    {
        // Layer 1: the near vault (solid above, its colour also fills over
        // it), great arches, pillars every 434 px, and the outlet whose
        // waterfall the decorations animate at x 34, y 194 of this layer.
        const int total = 868, top = 40, h = 70;
        Strip strip(total, h);
        Canvas& c = strip.C();
        Bricks(c, -160, 0, total + 320, h, 0, 48, {{52, 56, 80}, {48, 52, 74}, {56, 60, 84}}, {38, 40, 58}, 16, 6);
        cairo_t* cr = c.Cr();
        for (int px : {10 - 868, 10, 444, 10 + 868}) {
            double x0 = px + 48, w = 434 - 48;
            ArchPath(cr, x0 + w / 2, h, w / 2, h - 14);
            cairo_save(cr);
            cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
            cairo_fill(cr);
            cairo_restore(cr);
            ArchPath(cr, x0 + w / 2, h, w / 2 + 2, h - 12);
            SetColour(cr, {74, 78, 104});
            cairo_set_line_width(cr, 4);
            cairo_stroke(cr);
        }
        AddFoldedHalves(book, kSewer, "lev3_bg_01", strip, 434);
        TiledLayout a{"lev3_bg_01_a.xml", 434, 340, {}};
        a.Fill(0, 0, 434, top, kVault)
            .Texture("lev3_bg_01_a.png", 0, top)
            .Texture("lev3_bg1_pillar.png", 10, top + h, 1, 4)
            .Texture("lev3_bg1_outlet.png", 46, 180);
        TiledLayout b{"lev3_bg_01_b.xml", 434, 340, {}};
        b.Fill(0, 0, 434, top, kVault).Texture("lev3_bg_01_b.png", 0, top).Texture("lev3_bg1_pillar.png", 10, top + h, 1, 4);
        out.push_back(a);
        out.push_back(b);
    }
}

}  // namespace PictureGen
