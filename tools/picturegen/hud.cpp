// The head-up display's pieces and the pause button.
//
// The HUD's panels are filled by the game with the colours of "c25263a.png"
// (body) and "c4a4973.png" (edge); the pieces here join them: the end caps
// continue the bands (body 18 rows with the edge row above or below it), the
// time bar frames the 71 x 2 white fill that the game draws 2 rows into it,
// and the score-gain font is a strip of 13-px cells: "+" and the digits 0-9.
#include <cmath>
#include <string>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/interface_painters.h"
#include "tools/picturegen/ui_kit.h"

namespace PictureGen {

using namespace Kit;

namespace {

// NOTE: both caps are 30 x 20: edge and 18 body rows, then a clear row, as
// the bands they end are drawn.
constexpr int kCapWidth = 30, kCapHeight = 20, kBandRows = 19;

// A band end: the band of 19 rows (edge row on top or at the bottom) ending
// in a round end on the left or the right.
Surface PanelCap(bool edgeOnTop, bool roundLeft)
{
    return DrawPicture(kCapWidth, kCapHeight, [&](cairo_t* cr) {
        const double r = kBandRows / 2.0;
        auto band = [&](double shift) {
            // A capsule running off the straight end of the picture.
            if (roundLeft) Capsule(cr, 4, shift, kCapWidth + 2 * r, kBandRows);
            else Capsule(cr, -2 * r - 4, shift, kCapWidth + 2 * r, kBandRows);
        };
        cairo_save(cr);
        band(0);
        cairo_clip(cr);
        band(0);
        FillPath(cr, Palette::kPanelEdge);
        band(edgeOnTop ? 1 : -1);
        FillPath(cr, Palette::kPanel);
        cairo_restore(cr);
    });
}

Surface TimeIcon()
{
    return DrawPicture(14, 13, [](cairo_t* cr) {
        cairo_set_line_width(cr, 1.6);
        SetColour(cr, {232, 232, 244});
        cairo_arc(cr, 7, 7, 5.2, 0, 2 * kPi);
        cairo_stroke(cr);
        cairo_rectangle(cr, 5.5, 0, 3, 1.6);
        cairo_fill(cr);
        cairo_set_line_width(cr, 1.3);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        SetColour(cr, Palette::kAccent);
        cairo_move_to(cr, 7, 7);
        cairo_line_to(cr, 7, 3.8);
        cairo_move_to(cr, 7, 7);
        cairo_line_to(cr, 9.4, 8.2);
        cairo_stroke(cr);
    });
}

// The groove of the time bar: the game fills x 0-70 of rows 2-3 in white.
Surface TimeBar()
{
    return DrawPicture(74, 6, [](cairo_t* cr) {
        Capsule(cr, 0, 0, 74, 6);
        FillPath(cr, Palette::kPanelEdge);
        FillRect(cr, 0, 2, 72, 2, {16, 16, 28});
    });
}

// The separator before the lives: a light rule 3 px wide.
Surface LivesSeparator()
{
    return DrawPicture(3, 12, [](cairo_t* cr) {
        FillRect(cr, 1, 0, 1, 12, {150, 148, 200});
    });
}

// The lives icon: the runner's head and striped shoulders.
Surface LivesIcon()
{
    return DrawPicture(11, 12, [](cairo_t* cr) {
        Capsule(cr, 0.5, 7, 10, 8);
        FillPath(cr, {38, 44, 70});
        FillRect(cr, 0.5, 8.5, 10, 1.5, {238, 234, 216});
        FillDisc(cr, 5.5, 4, 3.4, {238, 190, 150});
        cairo_save(cr);
        cairo_arc(cr, 5.5, 4, 3.6, 0, 2 * kPi);
        cairo_clip(cr);
        cairo_rectangle(cr, 0, 0, 11, 2.4);
        cairo_rectangle(cr, 0, 0, 3.2, 5);
        FillPath(cr, {70, 44, 34});
        cairo_restore(cr);
    });
}

Surface ScoreIcon()
{
    return DrawPicture(13, 12, [](cairo_t* cr) {
        SetColour(cr, {255, 206, 70});
        DrawIcon(cr, Icon::Star, 0.5, -0.5, 12);
    });
}

// Behind the multiplier: an accent pill under "X" and its digits, which the
// game draws from 25 px left of the panel's reference to 2 px left of it.
Surface MultiplierBadge()
{
    return DrawPicture(39, 16, [](cairo_t* cr) {
        Capsule(cr, 10, 1, 28, 15);
        FillPath(cr, Palette::kAccentDark);
    });
}

// "+" and 0-9 in 13-px cells, warm yellow with a dark rim.
Surface ScoreFont()
{
    const int cell = 13, height = 16;
    return DrawPicture(cell * 11, height, [&](cairo_t* cr) {
        SelectFont(cr, FontStyle::Bold, 15);
        const std::string glyphs[11] = {"+", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
        for (int i = 0; i < 11; ++i) {
            TextSize t = MeasureText(cr, glyphs[i]);
            double x = i * cell + (cell - t.inkWidth) / 2 - t.inkLeft;
            double y = std::round((height + t.ascent) / 2);
            cairo_save(cr);
            cairo_rectangle(cr, i * cell, 0, cell, height);
            cairo_clip(cr);
            cairo_move_to(cr, x, y);
            cairo_text_path(cr, glyphs[i].c_str());
            cairo_set_line_width(cr, 2.2);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            SetColour(cr, {60, 30, 10}, 0.85);
            cairo_stroke_preserve(cr);
            FillPath(cr, {255, 214, 90});
            cairo_restore(cr);
        }
    });
}

// The pause button, centred at the top of the screen: at most 118 x 34, the
// size of its tap zone.
Surface PauseButton(const Words& words)
{
    return TextButton(words.pause, 100, 26, ButtonStyle::Secondary, Icon::Pause, 13);
}

}  // namespace

void PaintHud(PictureSink& sink)
{
    sink.Add(kInterfacePage, "main_menu_koncowka_down.png", PanelCap(true, true).get());
    sink.Add(kInterfacePage, "main_menu_koncowka_up.png", PanelCap(false, false).get());
    AddPictures(sink, kInterfacePage,
                {{"hud_time_icon.png", TimeIcon}, {"hud_time_bar.png", TimeBar},
                 {"lives-hud-separator.png", LivesSeparator}, {"lives-hud-icon.png", LivesIcon},
                 {"hud_score_icon.png", ScoreIcon}, {"hud_score_separator.png", MultiplierBadge},
                 {"hud_score_font.png", ScoreFont}});
    for (const Language& language : Languages())
        sink.Add(language.dialogPage, Localised("pause_button.png", language), PauseButton(WordsFor(language)).get());
}

}  // namespace PictureGen
