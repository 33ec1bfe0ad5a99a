// Review sheets that put the interface pictures where the game puts them on
// its 480 x 320 screen (shown twice enlarged): the head-up display, the main
// menu with its intro, the endless-mode page and the game-over dialog, in
// English and in German (the longest words). Only written with sheets; the
// pictures are read back from what the painters wrote. Panels and texts that
// the game draws itself are stood in for with plain shapes and DejaVu text.
#include <cmath>
#include <map>
#include <string>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/interface_painters.h"
#include "tools/picturegen/ui_kit.h"

namespace PictureGen {

using namespace Kit;

namespace {

constexpr int kW = 480, kH = 320, kZoom = 2;

class Screen {
public:
    Screen(PictureSink& sink, Rgb background) : m_sink(sink), m_surface(MakeSurface(kW, kH)), m_cr(MakeContext(m_surface.get()))
    {
        SetColour(m_cr.get(), background);
        cairo_paint(m_cr.get());
    }
    cairo_t* cr() { return m_cr.get(); }

    // A picture the painters wrote, read back once per screen; null when
    // there is none of that name.
    cairo_surface_t* Picture(const std::string& name)
    {
        auto it = m_pictures.find(name);
        if (it == m_pictures.end()) it = m_pictures.emplace(name, Surface(m_sink.Load(name))).first;
        return it->second.get();
    }
    // Blits a picture at (x, y); returns its size.
    std::pair<int, int> Blit(const std::string& name, double x, double y, double alpha = 1.0)
    {
        cairo_surface_t* picture = Picture(name);
        if (!picture) {
            m_sink.Fail("preview: no picture " + name);
            return {0, 0};
        }
        cairo_set_source_surface(cr(), picture, x, y);
        cairo_paint_with_alpha(cr(), alpha);
        return Size(name);
    }
    std::pair<int, int> Size(const std::string& name)
    {
        cairo_surface_t* picture = Picture(name);
        if (!picture) return {0, 0};
        return {cairo_image_surface_get_width(picture), cairo_image_surface_get_height(picture)};
    }
    void Fill(double x, double y, double w, double h, Rgb colour, double alpha = 1.0)
    {
        cairo_rectangle(cr(), x, y, w, h);
        SetColour(cr(), colour, alpha);
        cairo_fill(cr());
    }
    // The game's panel: a frame and a translucent body.
    void Panel(double x1, double y1, double x2, double y2)
    {
        Fill(x1, y1, x2 - x1 + 1, y2 - y1 + 1, {40, 42, 65});
        Fill(x1 + 3, y1 + 3, x2 - x1 - 5, y2 - y1 - 5, {30, 32, 55}, 228 / 255.0);
    }
    // A single-glyph text of the HUD, centred in a 16 px box at (x, y).
    void Glyph(const std::string& text, double x, double y, double size = 12)
    {
        SelectFont(cr(), FontStyle::Bold, size);
        TextSize t = MeasureText(cr(), text);
        SetColour(cr(), {255, 255, 255});
        FillText(cr(), x + 8 - t.width / 2, y + size, text);
    }
    void Title(const std::string& text, double cx, double y)
    {
        SelectFont(cr(), FontStyle::Bold, 18);
        TextSize t = MeasureText(cr(), text);
        ShadowedText(cr(), cx - t.width / 2, y, text);
    }
    void Write(const std::string& name)
    {
        Surface big = MakeSurface(kW * kZoom, kH * kZoom);
        Context cr = MakeContext(big.get());
        cairo_scale(cr.get(), kZoom, kZoom);
        cairo_set_source_surface(cr.get(), m_surface.get(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
        cairo_paint(cr.get());
        m_sink.AddSheet(name, big.get());
    }

private:
    PictureSink& m_sink;
    Surface m_surface;
    Context m_cr;
    std::map<std::string, Surface> m_pictures;
};

void HudPreview(PictureSink& sink, const Language& language)
{
    Screen s(sink, {45, 40, 66});
    s.Fill(0, 250, kW, 70, {20, 18, 32});
    s.Blit("cut_biegnie_005.png", 170 + 33, 177 + 34);
    s.Blit("kurz.png", 170 + 30, 177 + 70, 0.6);
    // Status panel, fully in.
    const int sep = s.Size("lives-hud-separator.png").first, icon = s.Size("lives-hud-icon.png").first;
    s.Fill(0, 26, sep + 113, 1, Palette::kPanelEdge);
    s.Fill(0, 8, sep + 113, 18, Palette::kPanel);
    s.Blit("hud_time_bar.png", 3, 19);
    s.Blit("hud_time_icon.png", 3, 6);
    s.Blit("lives-hud-separator.png", 81, 11);
    s.Blit("lives-hud-icon.png", sep + 88, 11);
    s.Blit("main_menu_koncowka_up.png", sep + 113, 8);
    s.Fill(3, 21, 40, 2, {255, 255, 255});
    const char* clock[6] = {"2", "3", "1", "4", "0", "5"};
    const int clockX[6] = {21, 28, 38, 45, 55, 62};
    for (int i = 0; i < 6; ++i) s.Glyph(clock[i], clockX[i], 2);
    s.Glyph(":", 33, 1);
    s.Glyph(":", 50, 1);
    s.Glyph("3", sep + icon + 88, 8);
    // Score panel.
    const int xr = kW - 90;
    s.Fill(xr - 30, 8, 120, 1, Palette::kPanelEdge);
    s.Fill(xr - 30, 9, 120, 18, Palette::kPanel);
    s.Blit("main_menu_koncowka_down.png", xr - 60, 8);
    s.Blit("hud_score_separator.png", xr - 40, 10);
    s.Blit("hud_score_icon.png", xr + 18, 12);
    const char* score = "0012450";
    for (int i = 0; i < 7; ++i) s.Glyph(std::string(1, score[6 - i]), xr + 76 - 7 * i, 10);
    s.Glyph("3", xr - 18, 9);
    s.Glyph("X", xr - 25, 9);
    // Pause button and a score gain of 250 at the runner.
    auto [pw, ph] = s.Size(Localised("pause_button.png", language));
    (void)ph;
    s.Blit(Localised("pause_button.png", language), kW / 2 - pw / 2, 6);
    if (cairo_surface_t* font = s.Picture("hud_score_font.png")) {
        // Right to left: 0, 5, 2 and the "+" (cell 0; digit d is cell d + 1).
        const int cells[4] = {1, 6, 3, 0};
        double x = 170 + 40 - 1 + 13 * 4, y = 177 - 20 + 28;
        for (int i = 0; i < 4; ++i, x -= 13) {
            cairo_save(s.cr());
            cairo_rectangle(s.cr(), x, y, 13, 16);
            cairo_clip(s.cr());
            cairo_set_source_surface(s.cr(), font, x - 13 * cells[i], y);
            cairo_paint(s.cr());
            cairo_restore(s.cr());
        }
    }
    s.Write("preview_hud_" + language.code);
}

void MenuPreview(PictureSink& sink, const Language& language)
{
    Screen s(sink, {30, 32, 56});
    s.Fill(0, 0, kW, 14, {80, 90, 143});
    s.Fill(0, 243, kW, 77, {22, 22, 38});  // the pavement under the policeman
    s.Blit("lampka.png", 215, 23, 0.8);
    // The policeman at mid-screen, frame 8, and his torch.
    const int frame = 8;
    const double swing = std::sin(kPi * (frame + 0.5) / 31);
    const int dx = 41, dy = 31, px = 250;
    if (cairo_surface_t* beam = s.Picture("menu_main_latarka.png")) {
        cairo_save(s.cr());
        cairo_translate(s.cr(), px + 3 + dx, dy + 189 + std::trunc(3.12 * swing));
        cairo_rotate(s.cr(), -0.21 * swing);
        cairo_set_source_surface(s.cr(), beam, -94, -18);
        cairo_paint(s.cr());
        cairo_restore(s.cr());
    }
    s.Blit("policjant_idzie0008.png", px + dx, dy + 169);
    // Bottom panel, slid in.
    auto [cw, ch] = s.Size("main_menu_koncowka_down.png");
    const int x0 = 210, b = kH - (kH / 26) / 2 - 1;
    s.Blit("main_menu_koncowka_down.png", x0, b - ch);
    s.Fill(x0 + cw, b - ch, kW, 1, {73, 73, 114});
    s.Fill(x0 + cw, b - ch + 1, kW, ch - 2, {37, 38, 58});
    auto place = [&](const std::string& name, int x, int y) { s.Blit(name, x, y); };
    auto size = [&](const std::string& name) { return s.Size(name); };
    const std::string run = Localised("main_menu_button_run.png", language);
    const std::string scores = Localised("main_menu_button_scores.png", language);
    const std::string endless = Localised("endless-mode-button.png", language);
    const std::string more = Localised("more_games.png", language);
    const int crossW = size("icon_krzyzyk.png").first;
    place("main_menu_button_about.png", kW - 20 - crossW - size("main_menu_button_about.png").first, 5);
    place(scores, kW - 37 - size(scores).first, kH - 10 - size(scores).second);
    place(endless, 10, kH - 37);
    place(more, 10, 10);
    place(run, 240 - size(run).first / 2, kH - 50 - size(run).second);
    s.Write("preview_menu_" + language.code);

    // The intro over the scene once it has flown in.
    Screen intro(sink, {30, 32, 56});
    const int yb = 49 * kH / 100;
    for (int x = -90; x <= kW;) {
        x += intro.Blit("menu_main_01_e.png", x, yb - 48).first;
        x += intro.Blit("menu_main_01_e2.png", x, yb - 48).first;
    }
    for (int x = 0; x <= kW;) x += intro.Blit("menu_main_02_b.png", x, yb + 9).first;
    intro.Blit("menu_main_03_b.png", -24, yb - 86);
    intro.Blit("menu_main_04_b.png", 296, yb + 6);
    const std::string tap = Localised("main_menu_tap_to_continue.png", language);
    intro.Blit(tap, kW / 2 - intro.Size(tap).first / 2, kH - 51);
    intro.Write("preview_intro_" + language.code);
}

void PagesPreview(PictureSink& sink, const Language& language)
{
    const Words& words = WordsFor(language);
    Screen s(sink, {30, 32, 56});
    const int left = (kW - 350) / 2, top = (kH - 297) / 2;
    s.Panel(left, top, left + 350, top + 42);
    s.Panel(left, top + 43, left + 350, top + 43 + 255);
    s.Title(words.endless, left + 175, top + 28);
    auto [iw, ih] = s.Size(Localised("endless-button-06.png", language));
    const int gap = (350 - 2 * iw) / 3;
    for (int i = 0; i < 6; ++i) {
        int c = i / 3, r = i % 3;
        int x = left + gap + c * (gap + iw), y = top + 42 + gap + r * (ih + gap);
        s.Blit(Localised(Numbered("endless-button-%02d.png", i + 1), language), x, y);
        SelectFont(s.cr(), FontStyle::Bold, 12);
        std::string best = std::to_string(1200 * (i + 1));
        TextSize t = MeasureText(s.cr(), best);
        ShadowedText(s.cr(), x + iw - 1 - t.width - 4, y + ih - 4, best);
    }
    const std::string back = Localised("main_menu_red_back.png", language);
    auto [bw, bh] = s.Size(back);
    (void)bh;
    s.Blit(back, left + (350 - bw) / 2, top + 42 + gap + 3 * (ih + gap));
    s.Write("preview_endless_" + language.code);

    // Game over: panel, the slid-in bar and the two buttons.
    Screen g(sink, {45, 40, 66});
    g.Panel(72, 80, 408, 126);
    g.Panel(72, 126, 408, 240);
    g.Title("GAME OVER", 240, 110);
    auto [cw, ch] = g.Size("main_menu_koncowka_down.png");
    g.Blit("main_menu_koncowka_down.png", 210, kH - 1 - 6 - ch);
    g.Fill(210 + cw, kH - 1 - 6 - ch, kW, 1, {73, 73, 114});
    g.Fill(210 + cw, kH - 6 - ch, kW, ch - 2, {37, 38, 58});
    const std::string restart = Localised("gameover_restart.png", language);
    const std::string menu = Localised("gameover_back.png", language);
    auto [rw, rh] = g.Size(restart);
    g.Blit(restart, 240 - rw / 2, kH - 45 - rh);
    auto [mw, mh] = g.Size(menu);
    g.Blit(menu, kW - 16 - mw, kH - 10 - mh);
    g.Write("preview_game_over_" + language.code);
}

}  // namespace

void PaintPreviews(PictureSink& sink)
{
    if (!sink.SheetsEnabled()) return;
    for (const Language& language : Languages()) {
        if (language.code != "en" && language.code != "gr") continue;
        HudPreview(sink, language);
        MenuPreview(sink, language);
        PagesPreview(sink, language);
    }
}

}  // namespace PictureGen
