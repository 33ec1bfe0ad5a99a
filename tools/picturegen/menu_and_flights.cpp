// The main menu's night scene in three tiled pictures (far: the sky, the town
// and the watchtower whose lamp blinks at (215, 23) and whose searchlight
// turns about (298, 24); middle: the prison wall and the pavement the
// policeman walks along, his feet about y 242; near: the kerb, a lamp post and
// a bush in front of him), and the six level-to-level flights: each shows
// the scenery of the level it leads to, so the curtain that carries it in
// hands over to that level.
#include <cmath>

#include "tools/picturegen/background_painters.h"
#include "tools/picturegen/facade.h"
#include "tools/picturegen/level_art.h"
#include "tools/picturegen/scenery.h"

namespace PictureGen {

namespace {

void PaintMenuTextures(ArtBook& book)
{
    const char* g = kSharedGroup;
    AddSky(book, g, "menubg_sky.png", 16, 160, {{0.0, {80, 90, 143}}, {1.0, {98, 108, 158}}});
    AddStars(book, g, "menubg_stars.png", 240, 90, 30, {236, 236, 255}, "menu-stars", 86);
    {
        Strip strip(240, 70);
        Skyline(strip.C(), SkylineLook("menu-city", 0, 240, 70)
                               .Sizes({14, 50}, {10, 28}, {-2, 4})
                               .Colours({64, 70, 114}, {72, 78, 122}, {200, 170, 110})
                               .Windows(0.08, 1, 2, 4, 5)
                               .Roofs(0.3, 0.0, 0.0, 0.3));
        AddFolded(book, g, "menubg_city.png", strip);
    }
    book.Paint(g, "menubg_tower.png", 126, 200, [](Canvas& c) {
        // The watchtower, drawn at (178, 0) of the screen: the blinking lamp
        // sits at (37, 23) of it, the searchlight's pivot at (120, 24).
        Rgb body{44, 48, 84}, lit{58, 62, 100}, dark{34, 36, 64};
        c.Post(56, 50, 40, 150, body, lit, 8, dark, 6);
        for (int y = 70; y < 200; y += 30) c.Rect(56, y, 40, 2, dark);
        c.Rect(30, 48, 94, 4, lit);
        c.Post(32, 24, 88, 24, body, lit, 6);
        for (int wx = 44; wx < 112; wx += 18) c.Rect(wx, 29, 12, 12, {226, 186, 104});
        c.Slab(26, 17, 100, 7, dark, {84, 88, 128}, 2);
        c.Rect(112, 18, 12, 10, {80, 84, 120});
        c.Rect(30, 20, 10, 4, {70, 74, 110});
    });
    book.Paint(g, "menubg_wall.png", 64, 62, [](Canvas& c) {
        // The prison wall: razor wire, coping and brick.
        Bricks(c, 0, 16, 64, 46, 0, 64, {{58, 58, 96}, {54, 54, 90}, {62, 62, 100}}, {46, 46, 78}, 16, 7);
        c.Slab(0, 12, 64, 5, {92, 94, 136}, {120, 122, 160}, 1);
        for (int x = -8; x < 72; x += 8) c.Ring(x + 4, 6, 5.5, 1, {110, 112, 150}, 0.85);
    });
    book.Paint(g, "menubg_walllamp.png", 16, 20, [](Canvas& c) {
        c.Glow(8, 8, 8, {255, 220, 150}, 0.6);
        c.Rect(4, 4, 8, 5, {80, 80, 110});
        c.Rect(5, 8, 6, 2, {255, 236, 180});
    });
    book.Paint(g, "menubg_kerb.png", 32, 10, [](Canvas& c) {
        c.Slab(0, 0, 32, 10, {40, 40, 64}, {110, 110, 146}, 2);
        c.Rect(0, 2, 32, 2, {70, 70, 104});
        c.Rect(31, 2, 1, 8, {30, 30, 50});
    });
    book.Paint(g, "menubg_lamppost.png", 44, 220, [](Canvas& c) {
        // A street lamp in front of the scene.
        c.Glow(30, 14, 22, {255, 224, 160}, 0.55);
        c.Post(8, 10, 4, 210, {22, 22, 38}, {50, 50, 78}, 1);
        c.Line(10, 12, 28, 8, 3, {22, 22, 38});
        c.Rect(22, 8, 16, 6, {30, 30, 48});
        c.Rect(24, 14, 12, 2, {255, 236, 180});
        c.Rect(4, 206, 12, 14, {22, 22, 38});
    });
    book.Paint(g, "menubg_bush.png", 96, 56, [](Canvas& c) {
        Rng rng("menu-bush");
        for (int i = 0; i < 9; ++i)
            c.Circle(10 + i * 10 + rng.Range(-3, 3), 34 + rng.Range(-8, 6), 12 + rng.Range(0, 6), {24, 28, 42});
        c.Rect(0, 40, 96, 16, {24, 28, 42});
    });
}

std::vector<TiledLayout> MenuLayouts()
{
    std::vector<TiledLayout> out;
    TiledLayout far{"menu_main_bg_01.xml", 480, 306, {}};
    far.Texture("menubg_sky.png", 0, 0, 30)
        .Texture("menubg_stars.png", 0, 0, 2)
        .Texture("menubg_city.png", 0, 100, 2)
        .Fill(0, 170, 480, 136, {52, 56, 94})
        .Texture("menubg_tower.png", 178, -14);
    out.push_back(far);
    // Drawn at (72, -10): x -72 is the screen's left edge.
    TiledLayout mid{"menu_main_bg_02.xml", 408, 330, {}};
    mid.Texture("menubg_wall.png", -72, 176, 8)
        .Fill(-72, 238, 480, 2, {96, 98, 132})
        .Fill(-72, 240, 480, 14, {70, 72, 104})
        .Fill(-72, 254, 480, 76, {52, 54, 84})
        .Texture("menubg_walllamp.png", 20, 196)
        .Texture("menubg_walllamp.png", 250, 196);
    out.push_back(mid);
    TiledLayout near{"menu_main_bg_03.xml", 480, 320, {}};
    near.Texture("menubg_kerb.png", 0, 262, 15)
        .Fill(0, 272, 480, 48, {26, 26, 44})
        .Texture("menubg_bush.png", 392, 220)
        .Texture("menubg_lamppost.png", 2, 52);
    out.push_back(near);
    return out;
}

// A layer of the scenery a flight shows: its picture at (0, y) repeated
// `count` times across (none where the name is empty), then its colour
// filling from row fillY to 160 px under the screen (none where fillY is 0).
struct FlightLayer {
    std::string picture;
    int y;
    int count;
    int fillY;
    Rgb fill;
};

// A flight into a daylight level: the sky's top colour over the 80 rows
// above the screen, the sky picture across the screen with its sun and
// clouds, then the layers from far to near.
TiledLayout DaylightFlight(const std::string& file, Rgb skyTop, const std::string& sky,
                           const std::vector<Placement>& skyItems, const std::vector<FlightLayer>& layers)
{
    TiledLayout t{file, 480, 320, {}};
    t.Fill(0, -80, 480, 80, skyTop).Texture(sky, 0, 0, 30);
    for (const Placement& item : skyItems) t.Texture(item.name, item.x, item.y);
    for (const FlightLayer& layer : layers) {
        if (!layer.picture.empty()) t.Texture(layer.picture, 0, layer.y, layer.count);
        if (layer.fillY != 0) t.Fill(0, layer.fillY, 480, 480 - layer.fillY, layer.fill);
    }
    return t;
}

std::vector<TiledLayout> FlightLayouts()
{
    std::vector<TiledLayout> out;
    // Each reaches above and below the screen: the picture follows the
    // runner's fall out of a level and the camera into the next.
    {
        TiledLayout t{"flying_from_level_1_to_2.xml", 480, 320, {}};
        t.Fill(0, -80, 480, 480, {24, 40, 49})
            .Texture("lev2_bg4_vault.png", 0, -30, 8)
            .Texture("lev2_bg3_beam.png", 0, 96, 15)
            .Texture("lev2_bg3_wall.png", 0, 136, 15, 2)
            .Texture("lev2_bg3_name.png", 40, 150)
            .Texture("lev2_bg3_poster1.png", 180, 160)
            .Texture("lev2_bg3_poster3.png", 330, 160)
            .Texture("lev2_bg3_bench.png", 240, 218)
            .Texture("lev2_bg3_edge.png", 0, 232, 15)
            .Texture("lev2_lamp_subway_cala.png", 70, 96)
            .Texture("lev2_lamp_subway_cala.png", 300, 96)
            .Texture("lev2_bg1_rails.png", 0, 290, 15);
        out.push_back(t);
    }
    {
        TiledLayout t{"flying_from_level_2_to_3.xml", 480, 320, {}};
        t.Fill(0, -80, 480, 480, {33, 73, 90})
            .Texture("lev3_bg3_arch.png", 0, 80, 4)
            .Texture("lev3_bg3_light.png", 120, 80)
            .Fill(0, -80, 480, 120, {49, 52, 74})
            .Texture("lev3_bg_01_a.png", 0, 40)
            .Texture("lev3_bg1_pillar.png", 10, 110, 1, 4)
            .Texture("lev3_bg1_pillar.png", 444, 110, 1, 4)
            .Texture("lev3_bg_00_rury2.png", 0, -20)
            .Texture("lev3_bg_00_rury2.png", 384, -20);
        out.push_back(t);
    }
    out.push_back(DaylightFlight("flying_from_level_3_to_4.xml", {90, 134, 200}, "lev4_sky.png",
                                 {{"lev4_cloud1.png", 60, 40}},
                                 {{"lev4_bg0_a.png", 110, 1, 180, {115, 150, 198}},
                                  {"lev4_bg1_a.png", 170, 1, 220, {84, 113, 149}},
                                  {"lev4_bg2_fence.png", 250, 8, 290, {63, 83, 106}}}));
    out.push_back(DaylightFlight("flying_from_level_4_to_5.xml", {118, 170, 214}, "lev5_sky.png",
                                 {{"lev5_sun.png", 340, 30}, {"lev5_cloud.png", 80, 60}},
                                 {{"", 0, 0, 230, {255, 231, 173}},
                                  {"lev5_bg0_a.png", 120, 1, 180, {198, 158, 115}},
                                  {"lev5_bg1_a.png", 150, 1, 220, {165, 131, 97}},
                                  {"lev5_bg2_a.png", 190, 1, 280, {137, 97, 75}}}));
    out.push_back(DaylightFlight("flying_from_level_5_to_6.xml", {44, 44, 72}, "lev6_sky.png",
                                 {{"lev6_sun.png", 90, 170}},
                                 {{"lev6_bg0.png", 70, 2, 0, {}},
                                  {"lev6_bg1.png", 130, 1, 230, {75, 80, 90}},
                                  {"lev6_bg2_a.png", 170, 1, 270, {125, 86, 43}}}));
    {
        // The last flight is never shown in a run: a night sky is enough.
        TiledLayout t{"flying_from_level_6_to_7.xml", 480, 320, {}};
        t.Fill(0, -80, 480, 480, {20, 18, 36}).Texture("lev1_stars.png", 0, 0, 2).Texture("lev1_stars.png", 0, 130, 2);
        out.push_back(t);
    }
    return out;
}

}  // namespace

std::vector<TiledLayout> PaintMenuBackgrounds(ArtBook& book)
{
    PaintMenuTextures(book);
    return MenuLayouts();
}

std::vector<TiledLayout> PaintFlights(ArtBook&) { return FlightLayouts(); }

}  // namespace PictureGen
