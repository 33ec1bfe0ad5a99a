// Backgrounds of the last three levels: the construction yard in daylight,
// the suburbs in the afternoon and the rooftops at dusk.
#include <cmath>

#include "tools/picturegen/background_painters.h"
#include "tools/picturegen/facade.h"
#include "tools/picturegen/scenery.h"

namespace PictureGen {

namespace {

// Each level's atlas page and the fills under its far, middle and near layers.
const char* const kSite = "level04";
const Rgb kSiteFar{115, 150, 198}, kSiteMid{84, 113, 149}, kSiteNear{63, 83, 106};
const char* const kSuburb = "level05";
const Rgb kSubFar{198, 158, 115}, kSubMid{165, 131, 97}, kSubNear{137, 97, 75};
const char* const kRoofs = "level06";
const Rgb kDuskNear{125, 86, 43}, kDuskMid{75, 80, 90}, kDuskFar{96, 78, 92};

// A strip of rolling ground: the top line is a sum of sines whose periods
// divide the strip, so it joins itself.
void Hills(Canvas& c, int total, int base, int amplitude, Rgb body, Rgb lit, int seed)
{
    for (int x = -160; x < total + 160; ++x) {
        double u = 2 * M_PI * x / total;
        double y = base - amplitude * (0.5 * std::sin(3 * u + seed) + 0.3 * std::sin(7 * u + 2 * seed) +
                                       0.2 * std::sin(13 * u + 3 * seed));
        int top = static_cast<int>(std::lround(y));
        c.Rect(x, top, 1, c.Height() - top, body);
        c.Rect(x, top, 1, 2, lit);
    }
}

void Tree(Canvas& c, double x, double ground, double r, Rgb leaf, Rgb lit, Rgb trunk)
{
    c.Rect(x - 1, ground - r, 2, r, trunk);
    c.Circle(x, ground - r * 1.6, r, leaf);
    c.Circle(x - r * 0.6, ground - r * 1.2, r * 0.7, leaf);
    c.Circle(x + r * 0.6, ground - r * 1.2, r * 0.7, leaf);
    c.Circle(x - r * 0.35, ground - r * 1.9, r * 0.45, lit);
}

void House(Canvas& c, double x, double ground, double w, double h, Rgb wall, Rgb roof, Rgb window,
           bool chimney)
{
    c.Rect(x, ground - h, w, h, wall);
    c.Poly({x - 2, ground - h, x + w / 2, ground - h - w * 0.45, x + w + 2, ground - h}, roof);
    if (chimney) c.Rect(x + w * 0.7, ground - h - w * 0.4, 3, w * 0.25, roof);
    if (w >= 14) {
        c.Rect(x + w * 0.2, ground - h * 0.6, 3, 3, window);
        c.Rect(x + w * 0.65, ground - h * 0.6, 3, 3, window);
    }
}

// The houses of a village row: the chance of a house at a step, its width
// and height, colours and chance of a chimney, and the gap after it.
struct RowHouses {
    double chance;
    MinMax width, height;
    Rgb wall, roof, window;
    double chimneyChance;
    MinMax gap;
};
// The trees between them: drawn `inset` px into their step, their radius,
// colours and step.
struct RowTrees {
    int inset;
    MinMax radius;
    Rgb leaf, lit, trunk;
    MinMax step;
};

// A row of houses among round trees standing on `ground` from x 0 to the end
// of the strip; steps that land inside `keepClear` (its ends excluded) move on
// by 10 px, leaving the place to something else.
void Village(Canvas& c, Rng& rng, int total, int ground, const RowHouses& houses, const RowTrees& trees,
             MinMax keepClear = {})
{
    for (int x = 0; x < total;) {
        if (x > keepClear.min && x < keepClear.max) {
            x += 10;
            continue;
        }
        if (rng.Chance(houses.chance)) {
            int w = rng.Range(houses.width.min, houses.width.max);
            House(c, x, ground, w, rng.Range(houses.height.min, houses.height.max), houses.wall, houses.roof,
                  houses.window, rng.Chance(houses.chimneyChance));
            x += w + rng.Range(houses.gap.min, houses.gap.max);
        } else {
            Tree(c, x + trees.inset, ground, rng.Range(trees.radius.min, trees.radius.max), trees.leaf, trees.lit,
                 trees.trunk);
            x += rng.Range(trees.step.min, trees.step.max);
        }
    }
}

// ========================== Level 4: the construction yard ==================

void PaintSiteTextures(ArtBook& book)
{
    book.Paint(kSite, "lev4_bg1_crane.png", 130, 100, [](Canvas& c) {
        // A tower crane for the middle distance.
        Rgb steel{92, 122, 158};
        c.Rect(40, 14, 5, 86, steel);
        for (int y = 16; y < 100; y += 8) c.Line(40, y, 45, y + 8, 1, steel);
        c.Rect(2, 12, 126, 3, steel);
        c.Line(42, 2, 4, 12, 1, steel);
        c.Line(42, 2, 126, 12, 1, steel);
        c.Rects({{40, 0, 5, 14}, {6, 15, 10, 8}, {100, 15, 1, 40}, {97, 55, 7, 3}}, steel);
    });
    book.Paint(kSite, "lev4_bg1_chimney.png", 10, 90, [](Canvas& c) {
        // A factory chimney; the smoke rises from its top centre.
        c.Post(1, 3, 8, 87, {92, 120, 154}, {104, 132, 164}, 2);
        c.Rect(0, 0, 10, 4, {76, 102, 134});
        for (int y = 20; y < 90; y += 20) c.Rect(1, y, 8, 2, {180, 96, 80});
    });
    Rgb steel{56, 74, 96}, steelLit{74, 96, 120};
    book.Paint(kSite, "lev4_bg2_bay.png", 32, 40, [&](Canvas& c) {
        // One bay of a steel skeleton: a column on its left, a beam on top.
        c.Post(0, 0, 4, 40, steel, steelLit, 1);
        c.Slab(0, 0, 32, 4, steel, steelLit, 1);
    });
    book.Paint(kSite, "lev4_bg2_column.png", 4, 40, [&](Canvas& c) { c.Post(0, 0, 4, 40, steel, steelLit, 1); });
    book.Paint(kSite, "lev4_bg2_mast.png", 16, 32, [&](Canvas& c) {
        c.Rects({{0, 0, 3, 32}, {13, 0, 3, 32}}, steel);
        c.Line(2, 0, 14, 16, 1.5, steel);
        c.Line(14, 16, 2, 32, 1.5, steel);
    });
    book.Paint(kSite, "lev4_bg2_jib.png", 200, 14, [&](Canvas& c) {
        // The jib and counter-jib; the hanging load's cable leaves the tip
        // at (199, 7).
        c.Rects({{0, 10, 200, 3}, {60, 0, 140, 2}}, steel);
        for (int x = 60; x < 196; x += 10) c.Line(x, 1, x + 5, 11, 1, steel);
        c.Line(0, 10, 60, 0, 1.5, steel);
        c.Rect(196, 2, 4, 10, steel);
    });
    book.Paint(kSite, "lev4_bg2_cab.png", 28, 20, [](Canvas& c) {
        c.Slab(0, 0, 28, 20, {214, 170, 60}, {240, 206, 110}, 2);
        c.Rect(4, 5, 14, 8, {120, 150, 190});
    });
    book.Paint(kSite, "lev4_bg2_weight.png", 18, 18,
               [](Canvas& c) { c.Slab(0, 0, 18, 18, {80, 96, 116}, {110, 126, 146}, 2); });
    book.Paint(kSite, "lev4_bg2_container.png", 48, 26, [](Canvas& c) {
        c.Slab(0, 0, 48, 26, {170, 80, 50}, {204, 116, 80}, 2);
        for (int x = 4; x < 48; x += 5) c.Rect(x, 3, 2, 22, {140, 62, 40});
    });
    book.Paint(kSite, "lev4_bg2_fence.png", 64, 40, [&](Canvas& c) {
        // The site fence and the ground behind it.
        c.Rect(0, 24, 64, 16, kSiteNear);
        for (int x = 0; x < 64; x += 16) c.Rect(x + 6, 0, 2, 24, steel);
        c.Rects({{0, 2, 64, 1}, {0, 20, 64, 1}}, steel);
        for (int x = -24; x < 64; x += 4) c.Line(x, 3, x + 17, 20, 1, steel, 0.5);
        c.Rect(0, 24, 64, 1, {80, 100, 122});
    });
}
}  // namespace

void PaintConstructionBackground(ArtBook& book, std::vector<TiledLayout>& out)
{
    AddSky(book, kSite, "lev4_sky.png", 16, 320,
           {{0.0, {90, 134, 200}}, {0.6, {160, 194, 230}}, {1.0, {186, 210, 236}}});
    AddCloud(book, kSite, "lev4_cloud1.png", 120, 40, {244, 248, 252}, 0.9, "cloud1");
    AddCloud(book, kSite, "lev4_cloud2.png", 90, 28, {236, 242, 250}, 0.85, "cloud2");
    out.push_back(SkyLayout("lev4_bg.xml", 320, "lev4_sky.png",
                            {{"lev4_cloud1.png", 30, 34}, {"lev4_cloud2.png", 300, 64}, {"lev4_cloud2.png", 170, 16}}));

    PaintSiteTextures(book);

    // Layer 2: the far city, light as the haze; factory chimneys at x 50,
    // 448 and 940 whose smoke the decorations raise.
    PaintHalvedLayer(book, out, kSite, "lev4_bg0", {1024, 40, 70, 140}, kSiteFar, [](Canvas& c, LayerBand b) {
        Skyline(c, SkylineLook("site-far", 0, b.width, b.height)
                       .Sizes({16, 44}, {14, 40}, {-2, 6})
                       .Colours(kSiteFar, {126, 160, 206}, {140, 170, 210})
                       .Roofs(0.3, 0.0, 0.0, 0.25));
        for (int cx : {50, 448, 940}) {
            int ctop = (cx == 940 ? 94 : 44) - b.top;
            c.Rect(cx - 3, ctop, 6, b.height - ctop, {104, 140, 188});
            c.Rect(cx - 4, ctop, 8, 2, {96, 130, 178});
        }
    });

    {
        // Layer 1: sheds and works; chimneys at x 659 and 816 (tops at y 57
        // and 35) for the nearer smoke, and a tower crane.
        const int total = 1024, top = 70, h = 50;
        Strip strip(total, h);
        Skyline(strip.C(), SkylineLook("site-mid", 0, total, h)
                               .Sizes({12, 34}, {24, 70}, {-4, 10})
                               .Colours(kSiteMid, {94, 124, 160}, {150, 176, 210})
                               .Windows(0.05, 3, 2, 7, 6)
                               .Roofs(0.2, 0.35, 0.0, 0.1));
        AddFoldedHalves(book, kSite, "lev4_bg1", strip, 512);
        TiledLayout a{"lev4_bg1_a.xml", 512, 160, {}};
        a.Texture("lev4_bg1_crane.png", 170, -4).Texture("lev4_bg1_a.png", 0, top).Fill(0, top + h, 512, 160 - top - h, kSiteMid);
        TiledLayout b{"lev4_bg1_b.xml", 512, 160, {}};
        b.Texture("lev4_bg1_chimney.png", 659 - 512 - 5, 57)
            .Texture("lev4_bg1_chimney.png", 816 - 512 - 5, 35)
            .Texture("lev4_bg1_b.png", 0, top)
            .Fill(0, top + h, 512, 160 - top - h, kSiteMid);
        out.push_back(a);
        out.push_back(b);
    }

    {
        // Layer 0: steel skeletons whose beams carry the welders (at 110, 137
        // and 568, 150; the third works on the ground at 658, 225), and the
        // crane whose jib tip (951, 31) holds the swinging load.
        TiledLayout a{"lev4_bg2_bez_ramienia_dzwigu_a.xml", 512, 250, {}};
        a.Texture("lev4_bg2_bay.png", 64, 83, 5, 4)
            .Texture("lev4_bg2_column.png", 224, 83, 1, 4)
            .Texture("lev4_bg2_container.png", 300, 184)
            .Texture("lev4_bg2_container.png", 356, 184)
            .Texture("lev4_bg2_container.png", 330, 158)
            .Texture("lev4_bg2_fence.png", 0, 210, 8);
        TiledLayout b{"lev4_bg2_bez_ramienia_dzwigu_b.xml", 512, 250, {}};
        b.Texture("lev4_bg2_bay.png", 24, 96, 5, 4)
            .Texture("lev4_bg2_column.png", 184, 96, 1, 4)
            .Texture("lev4_bg2_mast.png", 300, 40, 1, 7)
            .Texture("lev4_bg2_jib.png", 240, 24)
            .Texture("lev4_bg2_cab.png", 294, 38)
            .Texture("lev4_bg2_weight.png", 244, 34)
            .Texture("lev4_bg2_fence.png", 0, 210, 8);
        out.push_back(a);
        out.push_back(b);
    }
}

// ============================ Level 5: the suburbs ===========================

void PaintSuburbBackground(ArtBook& book, std::vector<TiledLayout>& out)
{
    AddSky(book, kSuburb, "lev5_sky.png", 16, 230,
           {{0.0, {118, 170, 214}}, {0.55, {206, 214, 196}}, {1.0, {255, 231, 173}}});
    AddSun(book, kSuburb, "lev5_sun.png", 64, 64, 32, 32, 32, {255, 244, 200}, 0.6, 12, {255, 248, 220});
    AddCloud(book, kSuburb, "lev5_cloud.png", 110, 34, {255, 250, 236}, 0.85, "cloud5");
    out.push_back(SkyLayout("lev5_bg.xml", 230, "lev5_sky.png",
                            {{"lev5_sun.png", 360, 26}, {"lev5_cloud.png", 50, 46}, {"lev5_cloud.png", 240, 84}}));

    // Layer 2: far hills with farms and trees, rows 70..130.
    PaintHalvedLayer(book, out, kSuburb, "lev5_bg0", {1024, 70, 60, 150}, kSubFar, [](Canvas& c, LayerBand b) {
        const int total = b.width;
        Hills(c, total, 34, 16, kSubFar, {212, 176, 132}, 1);
        Rng rng("suburb-far");
        for (int i = 0; i < 40; ++i) {
            int x = rng.Range(0, total - 1);
            double u = 2 * M_PI * x / total;
            double g = 34 - 16 * (0.5 * std::sin(3 * u + 1) + 0.3 * std::sin(7 * u + 2) + 0.2 * std::sin(13 * u + 3)) +
                       4;
            if (rng.Chance(0.5))
                House(c, x, g, 6, 4, {210, 176, 136}, {184, 128, 96}, {210, 176, 136}, false);
            else
                Tree(c, x, g, 2.5, {182, 144, 104}, {194, 156, 114}, {170, 130, 96});
        }
    });
    // Layer 1: a village of pitched roofs among round trees, rows 60..130.
    PaintHalvedLayer(book, out, kSuburb, "lev5_bg1", {1024, 60, 70, 150}, kSubMid, [](Canvas& c, LayerBand b) {
        Hills(c, b.width, 52, 6, kSubMid, {176, 142, 106}, 4);
        Rng rng("suburb-mid");
        Village(c, rng, b.width, 60, {0.55, {18, 34}, {10, 18}, kSubMid, {146, 100, 76}, {220, 196, 150}, 0.5, {4, 14}},
                {6, {5, 8}, {150, 118, 86}, {164, 132, 98}, {120, 90, 66}, {10, 18}});
    });
    // Layer 0: nearer houses, a church tower, gardens, rows 116..206.
    PaintHalvedLayer(book, out, kSuburb, "lev5_bg2", {1024, 116, 90, 216}, kSubNear, [](Canvas& c, LayerBand b) {
        const int total = b.width, h = b.height;
        Rng rng("suburb-near");
        c.Rect(-160, 70, total + 320, h - 70, kSubNear);
        // The church.
        c.Rect(600, 10, 16, 70, kSubNear);
        c.Poly({598, 10, 608, -14, 618, 10}, {112, 70, 54});
        c.Rect(604, 20, 8, 10, {96, 62, 50});
        c.Rect(616, 40, 40, 40, kSubNear);
        c.Poly({614, 40, 636, 24, 658, 40}, {112, 70, 54});
        Village(c, rng, total, 74, {0.6, {30, 52}, {18, 30}, kSubNear, {118, 74, 56}, {214, 184, 140}, 0.6, {6, 16}},
                {8, {8, 13}, {116, 86, 64}, {130, 98, 74}, {92, 66, 50}, {16, 26}}, {580, 670});
        for (int x = -160; x < total + 160; x += 6) c.Rect(x, 72, 2, 6, {120, 86, 66});
        c.Rect(-160, 74, total + 320, 1, {120, 86, 66});
    });
}

// ============================ Level 6: the rooftops ==========================

void PaintRooftopBackground(ArtBook& book, std::vector<TiledLayout>& out)
{
    AddSky(book, kRoofs, "lev6_sky.png", 16, 320,
           {{0.0, {44, 44, 72}}, {0.32, {110, 70, 100}}, {0.62, {214, 112, 84}}, {0.8, {246, 166, 96}},
            {1.0, {250, 192, 122}}});
    AddSun(book, kRoofs, "lev6_sun.png", 80, 44, 40, 40, 40, {255, 210, 140}, 0.55, 16, {255, 226, 170});
    book.Paint(kRoofs, "lev6_clouds.png", 180, 24, [](Canvas& c) {
        c.Ellipse(90, 12, 88, 4, {190, 110, 130}, 0.7);
        c.Ellipse(60, 18, 50, 3, {200, 120, 130}, 0.6);
        c.Ellipse(120, 6, 40, 2.5, {170, 100, 130}, 0.6);
    });
    out.push_back(SkyLayout("lev6_bg.xml", 320, "lev6_sky.png",
                            {{"lev6_sun.png", 70, 156}, {"lev6_clouds.png", 230, 70}, {"lev6_clouds.png", 10, 36}}));

    book.Paint(kRoofs, "lev6_bg0.png", 256, 200, [](Canvas& c) {
        // Layer 2: far towers; masts with warning lights at x 25, 105, 113,
        // their tips at the top edge of this layer.
        Skyline(c, SkylineLook("roof-far", 130, 256, 200)
                       .Sizes({90, 150}, {16, 36}, {-4, 4})
                       .Colours(kDuskFar, {110, 86, 98}, {200, 150, 110})
                       .Windows(0.05, 1, 2, 4, 5)
                       .Roofs(0.3, 0.0, 0.0, 0.0));
        // The masted towers.
        c.Post(14, 22, 22, 178, kDuskFar, {110, 86, 98}, 4);
        c.Rects({{25, 0, 1, 22}, {40, 70, 30, 130}}, kDuskFar);
        c.Post(94, 16, 30, 184, kDuskFar, {110, 86, 98}, 5);
        c.Rects({{105, 0, 1, 16}, {113, 0, 1, 16}, {74, 90, 18, 110}}, kDuskFar);
        for (int y = 30; y < 200; y += 7)
            for (int x = 98; x < 122; x += 4)
                if ((x * 7 + y * 13) % 11 == 0) c.Rect(x, y, 1, 2, {200, 150, 110});
    });
    TiledLayout far{"lev6_bg0.xml", 512, 200, {}};
    far.Texture("lev6_bg0.png", 0, 0, 2);
    out.push_back(far);

    {
        // Layer 1: the middle skyline; warning lights at (45, 0), (53, 2),
        // (133, 2) and (165, 19) of this layer.
        Strip strip(512, 100);
        Canvas& c = strip.C();
        Skyline(c, SkylineLook("roof-mid", 200, 512 + 30, 100)
                       .Sizes({36, 76}, {20, 48}, {-4, 6})
                       .Colours(kDuskMid, {86, 90, 100}, {226, 174, 104})
                       .Windows(0.22, 2, 2, 5, 6)
                       .Roofs(0.3, 0.0, 0.0, 0.3));
        c.Rect(-6, 40, 36, 60, kDuskMid);
        c.Post(36, 8, 26, 92, kDuskMid, {86, 90, 100}, 4);
        c.Rects({{45, 1, 1, 7}, {53, 3, 1, 5}, {66, 30, 30, 70}, {100, 50, 24, 50}, {126, 12, 16, 88}, {133, 3, 1, 9}},
                kDuskMid);
        c.Post(148, 21, 40, 79, kDuskMid, {86, 90, 100}, 5);
        Rng rng("roof-mid-windows");
        for (int x = 40; x < 186; x += 5)
            for (int y = 16; y < 96; y += 6)
                if ((x < 62 || x > 150) && rng.Chance(0.2)) c.Rect(x, y, 2, 2, {226, 174, 104});
        AddFolded(book, kRoofs, "lev6_bg1.png", strip);
    }
    TiledLayout mid{"lev6_bg1.xml", 512, 130, {}};
    mid.Texture("lev6_bg1.png", 0, 0).Fill(0, 100, 512, 30, kDuskMid);
    out.push_back(mid);

    // Layer 0: the nearest blocks, rows 90..230; blank walls for the neon
    // signs at (312, 110) and (819, 123).
    PaintHalvedLayer(book, out, kRoofs, "lev6_bg2", {1024, 90, 140, 240}, kDuskNear, [](Canvas& c, LayerBand b) {
        Skyline(c, SkylineLook("roof-near", 0, b.width, b.height)
                       .Sizes({80, 120}, {40, 96}, {-6, 6})
                       .Colours(kDuskNear, {146, 102, 54}, {252, 204, 124})
                       .Windows(0.14, 3, 4, 8, 11)
                       .Roofs(0.3, 0.0, 0.2, 0.3));
        for (int nx : {312, 819}) {
            int ny = (nx == 312 ? 110 : 123) - b.top;
            c.Post(nx - 12, ny - 10, 88, b.height - ny + 10, {116, 80, 40}, {140, 98, 52}, 6);
            c.Rect(nx - 14, ny - 12, 92, 3, {150, 108, 62});
        }
    });
}

}  // namespace PictureGen
