// The main menu's buttons, its title intro and blinking lamp, the pages'
// buttons and the game-over buttons, with their localised variants.
//
// Sizes follow where the menus place them on the 480 x 320 screen: the run
// button centred above y 270, scores at the bottom right on the menu's
// bottom panel, endless mode at (10, 283) and at most 37 high, more games at
// the top left; the back button at most about 100 wide (the exit dialog puts
// two of them 110 px apart); the six endless-mode level pictures 150 x 54 in
// the endless page's grid (gap 16, back button at y 279).
#include <cmath>
#include <string>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/interface_painters.h"
#include "tools/picturegen/runner.h"
#include "tools/picturegen/ui_kit.h"

namespace PictureGen {

using namespace Kit;

namespace {

// The disc of a round button, size x size.
void RoundBase(cairo_t* cr, int size)
{
    const double c = size / 2.0;
    cairo_arc(cr, c, c, c - 1, 0, 2 * kPi);
    AccentEdgedPanel(cr);
}

// Round icon buttons (about, exit cross, share).
Surface RoundIcon(int size, Icon icon)
{
    return DrawPicture(size, size, [&](cairo_t* cr) {
        const double c = size / 2.0;
        RoundBase(cr, size);
        SetColour(cr, Palette::kText);
        double inner = std::round(size * 0.56);
        DrawIcon(cr, icon, std::round(c - inner / 2), std::round(c - inner / 2), inner);
    });
}

Surface Arrow(bool up)
{
    return DrawPicture(24, 24, [&](cairo_t* cr) {
        RoundBase(cr, 24);
        cairo_new_path(cr);
        if (up) {
            cairo_move_to(cr, 12, 6.5);
            cairo_line_to(cr, 18, 15);
            cairo_line_to(cr, 6, 15);
        } else {
            cairo_move_to(cr, 12, 17.5);
            cairo_line_to(cr, 18, 9);
            cairo_line_to(cr, 6, 9);
        }
        cairo_close_path(cr);
        FillPath(cr, Palette::kText);
    });
}

// Key hints (loaded by the about page, never drawn): a cross, a square and
// the up and down arrows on small dark discs.
Surface KeyHint(int kind)
{
    return DrawPicture(20, 20, [&](cairo_t* cr) {
        FillDisc(cr, 10, 10, 9, Palette::kPanel, 0.9);
        SetColour(cr, Palette::kText);
        cairo_set_line_width(cr, 1.8);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        switch (kind) {
        case 0:
            cairo_move_to(cr, 6.5, 6.5);
            cairo_line_to(cr, 13.5, 13.5);
            cairo_move_to(cr, 13.5, 6.5);
            cairo_line_to(cr, 6.5, 13.5);
            cairo_stroke(cr);
            break;
        case 1:
            cairo_rectangle(cr, 6.5, 6.5, 7, 7);
            cairo_stroke(cr);
            break;
        default:
            cairo_move_to(cr, 10, kind == 2 ? 5.5 : 14.5);
            cairo_line_to(cr, 14.5, kind == 2 ? 13 : 7);
            cairo_line_to(cr, 5.5, kind == 2 ? 13 : 7);
            cairo_close_path(cr);
            cairo_fill(cr);
            break;
        }
    });
}

// The blinking lamp of the menu scene: a small red warning light.
Surface Lamp()
{
    return DrawPicture(16, 16, [](cairo_t* cr) {
        PaintRadial(cr, 8, 8, 0, 8,
                    {{0, 1, 0.92, 0.8, 1}, {0.22, 1, 0.45, 0.3, 1}, {0.5, 1, 0.25, 0.15, 0.4}, {1, 1, 0.2, 0.1, 0}});
    });
}

// The words that blink under the title intro.
Surface TapLabel(const Words& words)
{
    Surface probe = MakeSurface(1, 1);
    Context measure = MakeContext(probe.get());
    SelectFont(measure.get(), FontStyle::Bold, 14);
    TextSize t = MeasureText(measure.get(), words.tapToContinue);
    int width = static_cast<int>(std::ceil(t.width)) + 24;
    return DrawPicture(width, 24, [&](cairo_t* cr) {
        Capsule(cr, 0, 0, width, 24);
        FillPath(cr, Palette::kPanel, 0.7);
        SelectFont(cr, FontStyle::Bold, 14);
        ShadowedText(cr, 12, 17, words.tapToContinue);
    });
}

// --- Title intro -----------------------------------------------------------

// The upper band of the intro, 48 high, tiled strip 1, strip 2, strip 1, ...
// Both share the band's edges so they join in any order; strip 1 carries
// speed streaks, strip 2 a row of chevrons.
void BandBase(cairo_t* cr, int width)
{
    FillRect(cr, 0, 4, width, 40, Palette::kPanel, 0.92);
    cairo_rectangle(cr, 0, 4, width, 2);
    cairo_rectangle(cr, 0, 42, width, 2);
    FillPath(cr, Palette::kAccent);
}

Surface UpperStrip1()
{
    return DrawPicture(96, 48, [](cairo_t* cr) {
        BandBase(cr, 96);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_width(cr, 2);
        SetColour(cr, Palette::kPanelEdge);
        const double streaks[3][3] = {{14, 16, 40}, {30, 26, 62}, {8, 34, 30}};
        for (const auto& s : streaks) {
            cairo_move_to(cr, s[0], s[1]);
            cairo_line_to(cr, s[0] + s[2], s[1]);
            cairo_stroke(cr);
        }
    });
}

Surface UpperStrip2()
{
    return DrawPicture(64, 48, [](cairo_t* cr) {
        BandBase(cr, 64);
        cairo_set_line_width(cr, 3);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        for (int i = 0; i < 3; ++i) {
            double x = 14 + i * 14;
            cairo_move_to(cr, x, 17);
            cairo_line_to(cr, x + 7, 24);
            cairo_line_to(cr, x, 31);
            SetColour(cr, Palette::kAccent, 0.35 + 0.3 * i);
            cairo_stroke(cr);
        }
    });
}

// The lower band: a thin hazard stripe, 128 wide so that it tiles (period 16).
Surface LowerStrip()
{
    return DrawPicture(128, 14, [](cairo_t* cr) {
        cairo_rectangle(cr, 0, 2, 128, 10);
        cairo_clip(cr);
        SetColour(cr, Palette::kInk, 0.9);
        cairo_paint(cr);
        SetColour(cr, Palette::kAccent);
        for (int x = -16; x < 128 + 16; x += 16) {
            cairo_move_to(cr, x, 12);
            cairo_line_to(cr, x + 8, 12);
            cairo_line_to(cr, x + 16, 2);
            cairo_line_to(cr, x + 8, 2);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
    });
}

// The game's title on a slanted plate; it flies in from the left and starts
// 24 px off screen, so the plate runs out of its left edge.
Surface TitlePiece()
{
    const int width = 344, height = 104;
    return DrawPicture(width, height, [&](cairo_t* cr) {
        auto plate = [&](double inset) {
            cairo_new_path(cr);
            cairo_move_to(cr, 0, 22 + inset);
            cairo_line_to(cr, 336 - inset, 22 + inset);
            cairo_line_to(cr, 314 - inset, 92 - inset);
            cairo_line_to(cr, 0, 92 - inset);
            cairo_close_path(cr);
        };
        plate(0);
        FillPath(cr, Palette::kAccent);
        plate(3);
        FillPath(cr, Palette::kInk, 0.96);

        // The menu draws this piece 24 px left of the screen's edge: the title's
        // ink (with its 3 px shadow) keeps within the visible part, x 30 to 322.
        const std::string name = "VEXBOLT", bang = "!";
        const double visibleLeft = 30, visibleWidth = 292;
        const double size = FitTextSize(cr, FontStyle::BoldOblique, name + bang, visibleWidth - 3, 58);
        SelectFont(cr, FontStyle::BoldOblique, size);
        const TextSize t = MeasureText(cr, name + bang);
        const double x = visibleLeft + (visibleWidth - 3 - t.inkWidth) / 2 - t.inkLeft, y = 80;
        SetColour(cr, Palette::kAccentDark);
        FillText(cr, x + 3, y + 3, name + bang);
        SetColour(cr, Palette::kText);
        FillText(cr, x, y, name);
        SetColour(cr, Palette::kAccent);
        FillText(cr, x + MeasureText(cr, name).width, y, bang);
    });
}

// The runner in full flight with speed streaks behind him, flying in from
// the right under the title.
Surface RunnerPiece()
{
    const int width = 176, height = 72;
    return DrawPicture(width, height, [&](cairo_t* cr) {
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        const double streaks[4][3] = {{20, 28, 70}, {6, 40, 84}, {26, 52, 62}, {44, 64, 40}};
        for (const auto& s : streaks) {
            cairo_set_line_width(cr, 3);
            SetColour(cr, Palette::kAccent, 0.85);
            cairo_move_to(cr, s[0], s[1]);
            cairo_line_to(cr, s[0] + s[2], s[1]);
            cairo_stroke(cr);
        }
        // The leap of the runner's jump, a third larger than in the game.
        Figure figure = PosedRunner(kJump, 5, 1.3);
        figure.Translate(144 - figure.Right(), 16 - figure.Top());
        figure.Draw(cr);
    });
}

// --- Endless mode level pictures ------------------------------------------

// A thumbnail of each level's scene in its own palette.
void LevelScene(cairo_t* cr, int level, double w, double h)
{
    auto sky = [&](Rgb top, Rgb bottom) {
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, h);
        cairo_pattern_add_color_stop_rgb(g, 0, top.r / 255.0, top.g / 255.0, top.b / 255.0);
        cairo_pattern_add_color_stop_rgb(g, 1, bottom.r / 255.0, bottom.g / 255.0, bottom.b / 255.0);
        cairo_set_source(cr, g);
        cairo_paint(cr);
        cairo_pattern_destroy(g);
    };
    auto blocks = [&](const double (*b)[3], int n, double base, Rgb c) {
        for (int i = 0; i < n; ++i) cairo_rectangle(cr, b[i][0], base - b[i][2], b[i][1], b[i][2]);
        FillPath(cr, c);
    };
    switch (level) {
    case 0: {  // prison at night: moon, wall, watchtower and searchlight
        sky({45, 40, 66}, {82, 101, 148});
        FillDisc(cr, 118, 14, 7, {236, 232, 200});
        cairo_move_to(cr, 40, 12);
        cairo_line_to(cr, 120, 44);
        cairo_line_to(cr, 104, 50);
        cairo_close_path(cr);
        FillPath(cr, {255, 250, 210}, 0.18);
        cairo_rectangle(cr, 30, 12, 16, 42);
        cairo_rectangle(cr, 27, 10, 22, 4);
        FillPath(cr, {30, 28, 46});
        cairo_rectangle(cr, 0, 34, w, h);
        for (int x = 6; x < w; x += 12) cairo_rectangle(cr, x, 30, 6, 5);
        FillPath(cr, {38, 36, 60});
        cairo_rectangle(cr, 58, 40, 4, 4);
        cairo_rectangle(cr, 92, 42, 4, 4);
        FillPath(cr, {255, 214, 110});
        break;
    }
    case 1: {  // underground: tunnel arch, platform lamps and a train
        sky({24, 40, 49}, {33, 60, 66});
        cairo_arc(cr, w / 2, h + 10, 70, kPi, 2 * kPi);
        FillPath(cr, {57, 101, 99}, 0.5);
        FillRect(cr, 14, 26, 120, 18, {57, 101, 99});
        for (int x = 20; x < 130; x += 18) cairo_rectangle(cr, x, 29, 12, 7);
        FillPath(cr, {200, 236, 228});
        FillRect(cr, 0, 44, w, h, {24, 40, 49});
        for (int x = 20; x < w; x += 50) {
            cairo_arc(cr, x, 8, 3, 0, 2 * kPi);
            FillPath(cr, {220, 250, 255});
        }
        break;
    }
    case 2: {  // sewers: brick arch and water
        sky({49, 52, 74}, {33, 73, 90});
        cairo_rectangle(cr, 0, 0, w, h);
        cairo_arc_negative(cr, w / 2, 44, 48, 0, kPi);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        FillPath(cr, {33, 73, 90});
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        FillRect(cr, 0, 40, w, h, {40, 120, 140});
        cairo_set_line_width(cr, 1.5);
        SetColour(cr, {140, 230, 240});
        for (int x = 10; x < w; x += 24) {
            cairo_move_to(cr, x, 44);
            cairo_line_to(cr, x + 10, 44);
        }
        cairo_stroke(cr);
        break;
    }
    case 3: {  // construction yard by day: blue sky, cranes, beams
        sky({115, 150, 198}, {160, 190, 225});
        const double far[][3] = {{0, 30, 14}, {34, 24, 22}, {62, 40, 12}, {108, 42, 18}};
        blocks(far, 4, 54, {84, 113, 149});
        cairo_set_line_width(cr, 3);
        SetColour(cr, {246, 180, 40});
        cairo_move_to(cr, 104, 54);
        cairo_line_to(cr, 104, 8);
        cairo_move_to(cr, 70, 10);
        cairo_line_to(cr, 140, 10);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, 80, 10);
        cairo_line_to(cr, 80, 26);
        cairo_stroke(cr);
        FillRect(cr, 70, 26, 20, 3, {226, 120, 30});
        break;
    }
    case 4: {  // suburbs in the afternoon: houses with red roofs
        sky({255, 231, 173}, {240, 200, 140});
        FillDisc(cr, 30, 16, 8, {255, 246, 210});
        for (int i = 0; i < 4; ++i) {
            double x = 8 + i * 36, top = 30 + (i % 2) * 4;
            FillRect(cr, x, top, 26, h - top, {165, 131, 97});
            cairo_move_to(cr, x - 3, top);
            cairo_line_to(cr, x + 13, top - 12);
            cairo_line_to(cr, x + 29, top);
            cairo_close_path(cr);
            FillPath(cr, {190, 70, 50});
        }
        break;
    }
    default: {  // rooftops at dusk: skyline, neon, an aeroplane's light
        sky({75, 80, 90}, {125, 86, 43});
        const double tall[][3] = {{0, 22, 30}, {26, 18, 40}, {48, 30, 24}, {82, 20, 44}, {106, 44, 32}};
        blocks(tall, 5, 54, {40, 36, 40});
        FillRect(cr, 110, 28, 26, 5, {255, 90, 170});
        FillRect(cr, 30, 22, 10, 4, {90, 230, 255});
        FillDisc(cr, 70, 8, 1.5, {255, 80, 80});
        break;
    }
    }
}

Surface EndlessLevel(int level, const Words& words)
{
    const int w = 150, h = 54;
    return DrawPicture(w, h, [&](cairo_t* cr) {
        cairo_save(cr);
        RoundedRect(cr, 1, 1, w - 2, h - 2, 7);
        cairo_clip(cr);
        LevelScene(cr, level, w, h);
        // Darker corners under the level name and the best score.
        cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, 0, h);
        cairo_pattern_add_color_stop_rgba(shade, 0, 0.1, 0.1, 0.16, 0.55);
        cairo_pattern_add_color_stop_rgba(shade, 0.35, 0.1, 0.1, 0.16, 0.0);
        cairo_pattern_add_color_stop_rgba(shade, 0.65, 0.1, 0.1, 0.16, 0.0);
        cairo_pattern_add_color_stop_rgba(shade, 1, 0.1, 0.1, 0.16, 0.6);
        cairo_set_source(cr, shade);
        cairo_paint(cr);
        cairo_pattern_destroy(shade);
        cairo_restore(cr);
        RoundedRect(cr, 1, 1, w - 2, h - 2, 7);
        cairo_set_line_width(cr, 2);
        SetColour(cr, Palette::kAccent);
        cairo_stroke(cr);

        // The level's number and name at the top left.
        FillDisc(cr, 12, 12, 7, Palette::kAccent);
        SelectFont(cr, FontStyle::Bold, 10);
        std::string number = std::to_string(level + 1);
        TextSize n = MeasureText(cr, number);
        SetColour(cr, Palette::kText);
        FillText(cr, 12 - n.inkLeft - n.inkWidth / 2, 15.5, number);
        double size = FitTextSize(cr, FontStyle::Bold, words.levels[level], w - 30, 11);
        SelectFont(cr, FontStyle::Bold, size);
        ShadowedText(cr, 23, 16, words.levels[level]);
    });
}

}  // namespace

void PaintMenus(PictureSink& sink)
{
    const char* page = kInterfacePage;
    sink.Add(page, "icon_krzyzyk.png", RoundIcon(24, Icon::Cross).get());
    sink.Add(page, "main_menu_button_about.png", RoundIcon(28, Icon::Info).get());
    sink.Add(page, "icon_arrow_up.png", Arrow(true).get());
    sink.Add(page, "icon_arrow_down.png", Arrow(false).get());
    sink.Add(page, "icon_facebook.png", RoundIcon(24, Icon::Share).get());
    const char* hints[4] = {"main_menu_psp_buttons_cross2.png", "main_menu_psp_buttons_square2.png",
                            "main_menu_psp_buttons_up2.png", "main_menu_psp_buttons_down2.png"};
    for (int i = 0; i < 4; ++i) sink.Add(page, hints[i], KeyHint(i).get());
    AddPictures(sink, page,
                {{"lampka.png", Lamp}, {"menu_main_01_e.png", UpperStrip1}, {"menu_main_01_e2.png", UpperStrip2},
                 {"menu_main_02_b.png", LowerStrip}, {"menu_main_03_b.png", TitlePiece},
                 {"menu_main_04_b.png", RunnerPiece}});

    for (const Language& language : Languages()) {
        const Words& words = WordsFor(language);
        auto menu = [&](const char* name, const Surface& image) {
            sink.Add(language.menuPage, Localised(name, language), image.get());
        };
        auto dialog = [&](const std::string& name, const Surface& image) {
            sink.Add(language.dialogPage, Localised(name, language), image.get());
        };
        menu("main_menu_button_run.png", TextButton(words.play, 150, 40, ButtonStyle::Primary, Icon::Play, 20));
        menu("main_menu_button_scores.png",
             TextButton(words.scores, 140, 28, ButtonStyle::Secondary, Icon::Trophy, 13));
        menu("endless-mode-button.png",
             TextButton(words.endless, 150, 28, ButtonStyle::Secondary, Icon::Infinity, 13));
        menu("more_games.png", TextButton(words.moreGames, 124, 26, ButtonStyle::Secondary, Icon::Grid, 12));
        menu("main_menu_tap_to_continue.png", TapLabel(words));

        dialog("main_menu_red_back.png", TextButton(words.back, 92, 24, ButtonStyle::Back, Icon::Back, 12));
        dialog("gameover_restart.png", TextButton(words.restart, 170, 36, ButtonStyle::Primary, Icon::Restart, 17));
        dialog("gameover_back.png", TextButton(words.mainMenu, 124, 28, ButtonStyle::Secondary, Icon::Home, 12));
        // The pause overlay's button is drawn on the window itself (800 x
        // 480), so it is drawn larger.
        dialog("tutorial-android-main-menu.png",
               TextButton(words.mainMenu, 240, 48, ButtonStyle::Secondary, Icon::Home, 20));
        for (int level = 0; level < 6; ++level)
            dialog(Numbered("endless-button-%02d.png", level + 1), EndlessLevel(level, words));
    }
}

}  // namespace PictureGen
