// Pictures the game shows before its atlases are loaded, which stay loose
// files: the splash logo (drawn unscaled, centred in the 800 x 480 window),
// the loading throbber (turned about its centre), the five language flags
// (less than 115 px wide so that they stay apart on the language screen),
// and the pictures of the save-file error page.
#include <cmath>
#include <string>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/interface_painters.h"
#include "tools/picturegen/ui_kit.h"

namespace PictureGen {

using namespace Kit;

namespace {

// The team's mark: an orange disc carrying a white bolt, and the team's name.
Surface SplashLogo()
{
    const int w = 400, h = 200;
    Surface out = MakeSurface(w, h);
    Context cr = MakeContext(out.get());
    cairo_arc(cr.get(), 200, 66, 46, 0, 2 * kPi);
    SetColour(cr.get(), Palette::kAccent);
    cairo_fill_preserve(cr.get());
    cairo_set_line_width(cr.get(), 3);
    SetColour(cr.get(), Palette::kAccentLight);
    cairo_stroke(cr.get());
    cairo_new_path(cr.get());
    const double bolt[][2] = {{212, 24}, {180, 72}, {200, 72}, {188, 110}, {224, 56}, {204, 56}};
    for (const auto& p : bolt) cairo_line_to(cr.get(), p[0], p[1]);
    cairo_close_path(cr.get());
    SetColour(cr.get(), Palette::kText);
    cairo_fill(cr.get());

    SelectFont(cr.get(), FontStyle::BoldOblique, 34);
    const std::string name = "VEXBOLT!";
    TextSize t = MeasureText(cr.get(), name);
    SetColour(cr.get(), Palette::kText);
    FillText(cr.get(), (w - t.width) / 2, 158, name);
    SelectFont(cr.get(), FontStyle::Bold, 15);
    const std::string team = "T  E  A  M";
    TextSize u = MeasureText(cr.get(), team);
    SetColour(cr.get(), Palette::kAccentLight);
    FillText(cr.get(), (w - u.width) / 2, 184, team);
    return out;
}

// Twelve dots round a ring, brighter towards the leading one.
Surface Throbber()
{
    const int size = 48;
    Surface out = MakeSurface(size, size);
    Context cr = MakeContext(out.get());
    for (int i = 0; i < 12; ++i) {
        double a = i * kPi / 6;
        double alpha = 0.12 + 0.88 * (i + 1) / 12.0;
        cairo_arc(cr.get(), 24 + 17 * std::cos(a), 24 + 17 * std::sin(a), 2.2 + 1.4 * (i + 1) / 12.0, 0, 2 * kPi);
        SetColour(cr.get(), Palette::kText, alpha);
        cairo_fill(cr.get());
    }
    return out;
}

// NOTE: flags are 90 x 60 with a light rim so that the dark colours read on
// the black language screen.
constexpr int kFlagW = 90, kFlagH = 60;

void Bands(cairo_t* cr, bool vertical, std::initializer_list<std::pair<Rgb, double>> bands)
{
    double at = 0;
    for (auto [colour, share] : bands) {
        if (vertical) cairo_rectangle(cr, at * kFlagW, 0, share * kFlagW + 0.5, kFlagH);
        else cairo_rectangle(cr, 0, at * kFlagH, kFlagW, share * kFlagH + 0.5);
        SetColour(cr, colour);
        cairo_fill(cr);
        at += share;
    }
}

void UnionFlag(cairo_t* cr)
{
    const Rgb blue = {1, 33, 105}, red = {200, 16, 46}, white = {255, 255, 255};
    cairo_rectangle(cr, 0, 0, kFlagW, kFlagH);
    SetColour(cr, blue);
    cairo_fill(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    // Saltires: white, then red offset anticlockwise in each half.
    cairo_set_line_width(cr, 12);
    SetColour(cr, white);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, kFlagW, kFlagH);
    cairo_move_to(cr, kFlagW, 0);
    cairo_line_to(cr, 0, kFlagH);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, kFlagW, kFlagH);
    cairo_clip(cr);
    cairo_set_line_width(cr, 4);
    SetColour(cr, red);
    const double o = 2.0;
    // Each arm of the red saltire lies on the clockwise side of its diagonal.
    cairo_move_to(cr, 0, -o * 1.5);
    cairo_line_to(cr, kFlagW / 2.0, kFlagH / 2.0 - o * 1.5);
    cairo_move_to(cr, kFlagW, kFlagH + o * 1.5);
    cairo_line_to(cr, kFlagW / 2.0, kFlagH / 2.0 + o * 1.5);
    cairo_move_to(cr, kFlagW + o * 1.5, 0);
    cairo_line_to(cr, kFlagW / 2.0 + o * 1.5, kFlagH / 2.0);
    cairo_move_to(cr, -o * 1.5, kFlagH);
    cairo_line_to(cr, kFlagW / 2.0 - o * 1.5, kFlagH / 2.0);
    cairo_stroke(cr);
    cairo_restore(cr);
    // Crosses: white 20, red 12.
    cairo_rectangle(cr, kFlagW / 2.0 - 10, 0, 20, kFlagH);
    cairo_rectangle(cr, 0, kFlagH / 2.0 - 10, kFlagW, 20);
    SetColour(cr, white);
    cairo_fill(cr);
    cairo_rectangle(cr, kFlagW / 2.0 - 6, 0, 12, kFlagH);
    cairo_rectangle(cr, 0, kFlagH / 2.0 - 6, kFlagW, 12);
    SetColour(cr, red);
    cairo_fill(cr);
}

Surface Flag(const std::string& code)
{
    Surface out = MakeSurface(kFlagW, kFlagH);
    Context cr = MakeContext(out.get());
    RoundedRect(cr.get(), 0, 0, kFlagW, kFlagH, 3);
    cairo_clip(cr.get());
    if (code == "fr") Bands(cr.get(), true, {{{0, 85, 164}, 1 / 3.0}, {{255, 255, 255}, 1 / 3.0}, {{239, 65, 53}, 1 / 3.0}});
    else if (code == "it")
        Bands(cr.get(), true, {{{0, 140, 69}, 1 / 3.0}, {{244, 249, 255}, 1 / 3.0}, {{205, 33, 42}, 1 / 3.0}});
    else if (code == "gr")
        Bands(cr.get(), false, {{{24, 24, 24}, 1 / 3.0}, {{221, 0, 0}, 1 / 3.0}, {{255, 206, 0}, 1 / 3.0}});
    else if (code == "es") Bands(cr.get(), false, {{{170, 21, 27}, 0.25}, {{241, 191, 0}, 0.5}, {{170, 21, 27}, 0.25}});
    else UnionFlag(cr.get());
    RoundedRect(cr.get(), 0.5, 0.5, kFlagW - 1, kFlagH - 1, 3);
    cairo_set_line_width(cr.get(), 1);
    SetColour(cr.get(), {210, 210, 220}, 0.8);
    cairo_stroke(cr.get());
    return out;
}

// The save-file error page: a storage card with a sign (cannot open, damaged,
// full) and a yes / no prompt drawn as a tick and a cross.
Surface StorageError(int kind)
{
    Surface out = MakeSurface(120, 90);
    Context cr = MakeContext(out.get());
    RoundedRect(cr.get(), 30, 8, 60, 74, 6);
    SetColour(cr.get(), Palette::kPanel);
    cairo_fill_preserve(cr.get());
    cairo_set_line_width(cr.get(), 2);
    SetColour(cr.get(), Palette::kPanelEdge);
    cairo_stroke(cr.get());
    cairo_rectangle(cr.get(), 42, 8, 36, 20);
    SetColour(cr.get(), Palette::kPanelEdge);
    cairo_fill(cr.get());
    SetColour(cr.get(), Palette::kAccent);
    if (kind == 0) {  // cannot be opened
        RoundedRect(cr.get(), 56, 36, 8, 24, 3);
        cairo_fill(cr.get());
        cairo_arc(cr.get(), 60, 69, 4, 0, 2 * kPi);
        cairo_fill(cr.get());
    } else if (kind == 1) {  // damaged
        cairo_set_line_width(cr.get(), 4);
        cairo_move_to(cr.get(), 40, 44);
        cairo_line_to(cr.get(), 54, 56);
        cairo_line_to(cr.get(), 64, 46);
        cairo_line_to(cr.get(), 80, 62);
        cairo_stroke(cr.get());
    } else {  // full
        for (int i = 0; i < 4; ++i) cairo_rectangle(cr.get(), 40, 38 + i * 10, 40, 7);
        cairo_fill(cr.get());
    }
    return out;
}

Surface YesNo()
{
    Surface out = MakeSurface(140, 36);
    Context cr = MakeContext(out.get());
    for (int i = 0; i < 2; ++i) {
        double cx = 35 + i * 70;
        cairo_arc(cr.get(), cx, 18, 16, 0, 2 * kPi);
        SetColour(cr.get(), i == 0 ? Palette::kAccent : Palette::kBack);
        cairo_fill(cr.get());
    }
    cairo_set_line_width(cr.get(), 4);
    cairo_set_line_cap(cr.get(), CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr.get(), CAIRO_LINE_JOIN_ROUND);
    SetColour(cr.get(), Palette::kText);
    cairo_move_to(cr.get(), 27, 18);
    cairo_line_to(cr.get(), 33, 24);
    cairo_line_to(cr.get(), 44, 11);
    cairo_stroke(cr.get());
    cairo_move_to(cr.get(), 98, 11);
    cairo_line_to(cr.get(), 112, 25);
    cairo_move_to(cr.get(), 112, 11);
    cairo_line_to(cr.get(), 98, 25);
    cairo_stroke(cr.get());
    return out;
}

}  // namespace

void PaintStartScreens(PictureSink& sink)
{
    sink.Add(kLoose, "ostrel_logo.png", SplashLogo().get());
    sink.Add(kLoose, "throbber-alpha.png", Throbber().get());
    for (const Language& language : Languages())
        sink.Add(kLoose, "flag_" + language.code + ".png", Flag(language.code).get());
    // Status 1 (cannot open), 3 and 4 (damaged, short read) and 2 (full).
    sink.Add(kLoose, "loading/load1.png", StorageError(0).get());
    sink.Add(kLoose, "loading/load2.png", StorageError(1).get());
    sink.Add(kLoose, "loading/load3.png", StorageError(2).get());
    sink.Add(kLoose, "loading/yesno.png", YesNo().get());
}

}  // namespace PictureGen
