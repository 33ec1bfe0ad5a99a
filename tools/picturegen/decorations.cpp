// The moving props of each level's scenery: the police helicopter and the
// searchlight beams of the prison, the tunnel lamps and the far train, the
// sewer waterfall and drops, the welders, the crane's load and the smoke, the
// news helicopter and the birds, the aeroplane, the festival beams and the
// neon signs. Pivots and anchor points are those the decorations turn and
// place them by.
#include <cmath>

#include "tools/picturegen/facade.h"
#include "tools/picturegen/level_art.h"

namespace PictureGen {

namespace {

// A cone of light from a point (ax, ay) widening to `bottom` wide at the
// picture's bottom, fading out downwards.
void LightCone(Canvas& c, double ax, double ay, double top, double bottom, Rgb colour, double alpha)
{
    int h = c.Height();
    cairo_t* cr = c.Cr();
    cairo_pattern_t* p = cairo_pattern_create_linear(0, ay, 0, h);
    AddColourStop(p, 0, colour, alpha);
    AddColourStop(p, 1, colour, 0);
    cairo_set_source(cr, p);
    cairo_move_to(cr, ax - top / 2, ay);
    cairo_line_to(cr, ax + top / 2, ay);
    cairo_line_to(cr, ax + bottom / 2, h);
    cairo_line_to(cr, ax - bottom / 2, h);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

// ---- Level 1 ----------------------------------------------------------------------

void PaintPoliceHelicopter(ArtBook& book)
{
    // NOTE: 192 x 92 with the searchlight under the nose at (178, 84), where
    // the beam's pivot is placed.
    Rgb body{58, 64, 96}, lit{96, 104, 146}, dark{34, 36, 56};
    for (int f = 0; f < 3; ++f) {
        Canvas c(192, 92);
        // Tail boom, fin and tail rotor.
        c.Poly({104, 40, 16, 36, 16, 42, 104, 56}, body);
        c.Poly({8, 20, 22, 34, 22, 44, 10, 44}, body);
        double tr = 9;
        double ta = f * M_PI / 3;
        c.Line(15 - tr * std::cos(ta), 36 - tr * std::sin(ta), 15 + tr * std::cos(ta), 36 + tr * std::sin(ta), 1.5,
               lit);
        c.Circle(15, 36, tr, lit, 0.18);
        // Cabin.
        c.Ellipse(140, 48, 44, 20, body);
        c.Ellipse(136, 38, 34, 8, lit);
        c.Ellipse(168, 46, 14, 10, {84, 104, 146});
        c.Ellipse(171, 43, 6, 4, {140, 160, 200});
        c.Rect(118, 28, 6, 8, body);
        // Skids.
        c.Rect(108, 72, 72, 2, dark);
        c.Line(122, 64, 118, 72, 2, dark);
        c.Line(160, 64, 164, 72, 2, dark);
        // The searchlight.
        c.Rect(170, 74, 12, 6, dark);
        c.Circle(178, 82, 3, {255, 250, 220});
        c.Glow(178, 82, 8, {255, 250, 220}, 0.7);
        // Navigation lights.
        c.Rect(12, 22, 2, 2, {255, 70, 60});
        // Main rotor: a blur and the blades at three angles.
        c.Ellipse(121, 24, 70, 4, lit, 0.22);
        double spans[3] = {70, 30, 54};
        double s = spans[f];
        c.Line(121 - s, 24 + (f - 1), 121 + s, 24 - (f - 1), 2, lit);
        c.Rect(117, 21, 8, 4, dark);
        book.Add("level01", Numbered("helicopter%d.png", f + 1), c);
    }
}

void PaintSearchBeam(ArtBook& book)
{
    // NOTE: the pivot (71, 14) is the lamp; the beam points down from it.
    Canvas c(142, 230);
    LightCone(c, 71, 14, 6, 136, {255, 250, 214}, 0.4);
    LightCone(c, 71, 14, 2, 60, {255, 252, 232}, 0.3);
    c.Glow(71, 14, 12, {255, 250, 220}, 0.8);
    c.Circle(71, 14, 3, {255, 255, 240});
    book.Add(kSharedGroup, "ray_reflec3.png", c);
}

// ---- Level 2 ----------------------------------------------------------------------

void PaintTunnelLamp(ArtBook& book)
{
    // NOTE: hung by its rod; the lamp swings about (61, 26), the top of the
    // fitting.
    Canvas c(122, 60);
    LightCone(c, 61, 33, 52, 118, {210, 246, 236}, 0.3);
    c.Rect(60, 0, 2, 26, {40, 60, 64});
    c.Rect(32, 26, 58, 6, {60, 84, 88});
    c.Rect(32, 26, 58, 1, {110, 140, 140});
    c.Rect(34, 31, 54, 2, {230, 255, 248});
    book.Add("level02", "lev2_lamp_subway_cala.png", c);
}

void PaintFarTrain(ArtBook& book)
{
    // One car; the decoration draws three side by side.
    const int w = 150, h = 52;
    Canvas c(w, h);
    c.Rect(2, 4, w - 4, 38, {96, 150, 144});
    c.Rect(2, 2, w - 4, 3, {150, 196, 188});
    c.Rect(2, 12, w - 4, 14, {40, 66, 66});
    for (int x = 6; x < w - 10; x += 18) c.Rect(x, 13, 14, 12, {214, 246, 236});
    c.Rect(2, 32, w - 4, 3, {214, 178, 70});
    c.Rect(2, 42, w - 4, 6, {30, 44, 48});
    for (int x : {20, 40, 110, 130}) c.Circle(x, 47, 4, {16, 22, 26});
    c.Rect(0, 6, 2, 40, {30, 44, 48});
    c.Rect(w - 2, 6, 2, 40, {30, 44, 48});
    book.Add("level02", "lev2_train_background_01.png", c);
}

// ---- Level 3 ----------------------------------------------------------------------

void PaintWaterfall(ArtBook& book)
{
    // NOTE: 12 frames; streaks fall 9 px a frame over a 108 px cycle, so the
    // twelfth frame leads back to the first.
    const int w = 48, h = 110, frames = 12;
    for (int f = 0; f < frames; ++f) {
        Canvas c(w, h);
        for (int y = 0; y < h - 8; ++y) {
            double t = y / static_cast<double>(h);
            double half = 9 + 8 * t;
            c.Rect(24 - half, y, 2 * half, 1, {80, 160, 184}, 0.7);
        }
        for (int k = 0; k < 8; ++k) {
            int sx = 12 + (k * 11) % 24;
            for (int rep = -1; rep < 2; ++rep) {
                int sy = Wrap(k * 31 + f * 9, 108) + rep * 108;
                c.Rect(sx, sy, 2, 16, {206, 248, 252}, 0.75);
            }
        }
        Rng rng(Numbered("foam%d", f));
        c.Ellipse(24, h - 6, 22, 5, {200, 240, 246}, 0.75);
        for (int i = 0; i < 6; ++i) c.Circle(rng.Range(4, w - 4), rng.Range(h - 14, h - 4), rng.Range(1, 3), {236, 252, 255}, 0.8);
        book.Add("level03", Numbered("lev3_woda3_woda%02d.png", f + 1), c);
    }
}

void PaintDrop(ArtBook& book)
{
    Canvas c(4, 7);
    c.Circle(2, 4.6, 1.9, {170, 224, 234});
    c.Poly({2, 0, 3.6, 4, 0.4, 4}, {170, 224, 234});
    c.Rect(1, 3, 1, 2, {236, 252, 255});
    book.Add("level03", "kropla.png", c);
}

// ---- Level 4 ----------------------------------------------------------------------

void PaintWelder(ArtBook& book)
{
    // NOTE: the torch tip is at (10, 10): the sparks leave from there.
    for (int f = 0; f < 2; ++f) {
        Canvas c(24, 28);
        Rgb suit{44, 54, 68}, lit{64, 76, 92};
        c.Ellipse(17, 18, 6, 7, suit);
        c.Rect(12, 22, 10, 6, suit);
        c.Circle(17, 9, 4, {220, 178, 50});
        c.Rect(13, 10, 4, 3, {30, 34, 40});
        c.Line(15, 16, 10, 11, 2.5, lit);
        if (f == 0) {
            c.Glow(10, 10, 9, {200, 230, 255}, 0.9);
            c.Circle(10, 10, 2, {255, 255, 255});
        } else {
            c.Glow(10, 10, 4, {255, 200, 120}, 0.8);
        }
        book.Add("level04", Numbered("lev4_spawacz_%d.png", f + 1), c);
    }
}

void PaintCraneLoad(ArtBook& book)
{
    // NOTE: hangs from the jib at its pivot (58, 0) and swings about it.
    Canvas c(116, 110);
    c.Rect(57, 0, 2, 58, {50, 54, 62});
    c.Rect(52, 56, 12, 10, {222, 176, 56});
    c.Rect(52, 56, 12, 2, {246, 212, 112});
    c.Line(58, 66, 14, 88, 1.5, {50, 54, 62});
    c.Line(58, 66, 102, 88, 1.5, {50, 54, 62});
    for (int i = 0; i < 3; ++i) {
        int y = 88 + i * 6;
        c.Rect(8, y, 100, 6, {200, 104, 44});
        c.Rect(8, y, 100, 1, {236, 150, 86});
        c.Rect(8, y + 5, 100, 1, {140, 66, 30});
    }
    book.Add("level04", "lev4_bg2_ramie_dzwigu.png", c);
}

void PaintSmoke(ArtBook& book)
{
    {
        Canvas c(20, 20);
        c.Glow(10, 10, 10, {110, 118, 128}, 0.9);
        c.Circle(9, 9, 5, {124, 132, 142}, 0.6);
        book.Add("level04", "lev4_ru_smoke04.png", c);
    }
    {
        Canvas c(24, 16);
        c.Ellipse(12, 9, 11, 6, {190, 206, 224}, 0.55);
        c.Circle(9, 7, 5, {204, 216, 232}, 0.6);
        c.Circle(15, 8, 4, {198, 212, 228}, 0.6);
        book.Add("level04", "lev4_smoke_bg0.png", c);
    }
}

// ---- Level 5 ----------------------------------------------------------------------

void PaintNewsHelicopter(ArtBook& book)
{
    // NOTE: 170 x 60 with the rotor hub at (123, 19), the point it sways
    // about.
    Rgb white{232, 230, 226}, shade{180, 178, 176}, red{200, 60, 50}, dark{60, 60, 66};
    for (int f = 0; f < 3; ++f) {
        Canvas c(170, 60);
        c.Poly({90, 30, 16, 28, 16, 34, 90, 44}, white);
        c.Poly({8, 14, 20, 28, 20, 36, 10, 36}, red);
        c.Circle(14, 30, 7, dark, 0.2);
        c.Ellipse(122, 37, 36, 14, white);
        c.Ellipse(122, 44, 32, 6, shade);
        c.Rect(88, 36, 68, 4, red);
        c.Ellipse(148, 33, 12, 8, {140, 176, 210});
        c.Rect(119, 19, 8, 7, dark);
        c.Rect(98, 56, 52, 2, dark);
        c.Line(108, 50, 104, 56, 2, dark);
        c.Line(140, 50, 144, 56, 2, dark);
        c.Ellipse(123, 19, 60, 3, dark, 0.2);
        double spans[3] = {60, 26, 46};
        c.Line(123 - spans[f], 19, 123 + spans[f], 19, 2, dark);
        c.Line(14, 30 - 6 + f * 4, 14, 30 + 6 - f * 4, 1.5, dark);
        book.Add("level05", Numbered("lev5_heli_%d.png", f + 1), c);
    }
}

void PaintBirds(ArtBook& book)
{
    // Five wing positions of one flap, top to bottom and back.
    const double lift[5] = {-3.5, -1.5, 0.5, 2.5, 0.5};
    for (int f = 0; f < 5; ++f) {
        Canvas c(12, 8);
        Rgb ink{58, 46, 44};
        double wy = 4 + lift[f];
        c.Line(1, wy, 6, 4.5, 1.4, ink);
        c.Line(6, 4.5, 11, wy, 1.4, ink);
        c.Ellipse(6, 4.8, 1.8, 1.2, ink);
        book.Add("level05", Numbered("lev5_ptok_%d.png", f + 1), c);
    }
}

// ---- Level 6 ----------------------------------------------------------------------

void PaintJet(ArtBook& book)
{
    // NOTE: nose left; the game blinks its lights at (0, 15) and (113, 17).
    Canvas c(116, 34);
    Rgb body{46, 42, 58}, lit{70, 64, 84};
    c.Poly({48, 18, 86, 33, 94, 33, 66, 18}, body);
    c.Poly({56, 15, 80, 4, 86, 4, 70, 15}, Scale(body, 0.85));
    c.Ellipse(58, 17, 56, 4.5, body);
    c.Ellipse(8, 17, 8, 4, body);
    c.Ellipse(54, 15, 50, 2, lit);
    c.Poly({98, 15, 106, 0, 114, 0, 114, 17}, body);
    c.Poly({100, 18, 114, 24, 114, 18}, body);
    c.Ellipse(72, 25, 6, 2.5, lit);
    for (int x = 14; x < 96; x += 5) c.Rect(x, 16, 2, 1, {230, 206, 150});
    book.Add("level06", "lev6_jetb_747_off.png", c);
}

void PaintFestivalBeam(ArtBook& book)
{
    // NOTE: drawn turned by about pi about (40, 0): a searchlight on a roof
    // shining up into the sky.
    Canvas c(80, 220);
    LightCone(c, 40, 0, 4, 78, {255, 236, 190}, 0.35);
    LightCone(c, 40, 0, 2, 24, {255, 248, 220}, 0.25);
    book.Add("level06", "lev6_ray_reflec.png", c);
}

void NeonTube(Canvas& c, const std::vector<std::vector<double>>& strokes, Rgb colour, bool on)
{
    for (const auto& s : strokes)
        for (size_t i = 2; i + 1 < s.size(); i += 2) {
            if (on) c.Line(s[i - 2], s[i - 1], s[i], s[i + 1], 5, colour, 0.25);
            c.Line(s[i - 2], s[i - 1], s[i], s[i + 1], 1.6, on ? Mix(colour, {255, 255, 255}, 0.45) : Scale(colour, 0.35));
        }
}

void PaintNeons(ArtBook& book)
{
    // A cocktail glass and a star.
    std::vector<std::vector<double>> glass = {{6, 4, 22, 4, 14, 13, 6, 4},
                                              {14, 13, 14, 20},
                                              {9, 20, 19, 20},
                                              {30, 12, 33, 5, 36, 12, 43, 12, 37, 16, 40, 22, 33, 18, 27, 22, 30, 16, 24,
                                               12, 30, 12},
                                              {48, 4, 48, 20}};
    // Block letters.
    std::vector<std::vector<double>> hotel = {{4, 4, 4, 22},  {4, 13, 12, 13}, {12, 4, 12, 22},
                                              {17, 4, 25, 4, 25, 22, 17, 22, 17, 4},
                                              {29, 4, 39, 4},  {34, 4, 34, 22},
                                              {51, 4, 43, 4, 43, 22, 51, 22}, {43, 13, 49, 13},
                                              {55, 4, 55, 22, 62, 22}};
    for (bool on : {true, false}) {
        Canvas a(56, 24);
        NeonTube(a, glass, {255, 80, 170}, on);
        book.Add("level06", on ? "lev6_neon_1_on.png" : "lev6_neon_1_off.png", a);
        Canvas b(64, 26);
        NeonTube(b, hotel, {80, 226, 255}, on);
        book.Add("level06", on ? "lev6_neon_2_on.png" : "lev6_neon_2_off.png", b);
    }
}

// The blinking lamp of the main menu's watchtower, when the interface
// painter has not drawn one: a warning lamp in a small glow.
void PaintMenuLamp(ArtBook& book)
{
    if (book.Sink().Groups().count("lampka.png")) return;
    Canvas c(14, 14);
    c.Glow(7, 7, 7, {255, 120, 80}, 0.7);
    c.Circle(7, 7, 2.5, {255, 200, 160});
    book.Add(kSharedGroup, "lampka.png", c);
}

}  // namespace

void PaintDecorations(ArtBook& book)
{
    PaintPoliceHelicopter(book);
    PaintSearchBeam(book);
    PaintTunnelLamp(book);
    PaintFarTrain(book);
    PaintWaterfall(book);
    PaintDrop(book);
    PaintWelder(book);
    PaintCraneLoad(book);
    PaintSmoke(book);
    PaintNewsHelicopter(book);
    PaintBirds(book);
    PaintJet(book);
    PaintFestivalBeam(book);
    PaintNeons(book);
    PaintMenuLamp(book);
}

}  // namespace PictureGen
