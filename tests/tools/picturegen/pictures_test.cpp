// The pictures the build drew for the characters and the interface: every
// name the game asks for in its page, the runner's frames standing where his
// draw offsets and collision box say, loops that join, the policeman's torch
// where the menu starts the beam, HUD pieces that join the HUD's fills, and
// sizes that fit the places the menus give them. One test draws everything
// again and expects the same bytes.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/picturegen/png_pixels.h"

namespace {

const std::string kReview = PICTUREGEN_REVIEW_DIR;
const std::string kSheets = PICTUREGEN_SHEETS_DIR;

using Picture = PictureGenTest::PngPixels;

Picture Load(const std::string& group, const std::string& name)
{
    return PictureGenTest::LoadPng(kReview + "/" + group + "/" + name);
}

std::string Format(const char* pattern, int n)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, n);
    return buffer;
}

const std::vector<std::string> kCodes = {"en", "fr", "it", "gr", "es"};
std::string Localised(const std::string& name, const std::string& code)
{
    if (code == "en") return name;
    size_t dot = name.find('.');
    return name.substr(0, dot) + "_" + code + name.substr(dot);
}
std::string MenuPage(const std::string& code) { return code == "en" ? "ab02" : "ab_" + code; }
std::string DialogPage(const std::string& code) { return code == "en" ? "ab02" : "ab02_" + code; }

// --- The runner -------------------------------------------------------------

struct RunnerState {
    const char* name;
    std::vector<std::string> files;
    std::vector<int> offsets;  // dx, dy pairs; empty: centred
    int groundedFrom, groundedTo;
};

std::vector<std::string> Files(const char* pattern, int first, int step, int count)
{
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(Format(pattern, first + i * step));
    return out;
}

// The game's frame files and draw offsets, and the frames that stand on the
// roof (the take-off of the jump; every frame of the states on the roof).
const std::vector<RunnerState>& States()
{
    static const std::vector<RunnerState> states = {
        {"run", Files("cut_biegnie_%03d.png", 1, 1, 17),
         {37, 35, 34, 35, 32, 34, 31, 34, 33, 34, 36, 34, 40, 35, 43, 35, 40, 34,
          36, 34, 34, 33, 33, 33, 32, 33, 34, 34, 38, 34, 40, 35, 44, 35},
         0, 16},
        {"jump", Files("cut_jump%03d.png", 1, 1, 46),
         {46, 35, 41, 34, 37, 33, 37, 33, 36, 33, 37, 33, 38, 33, 41, 33, 42, 33, 44, 32, 47, 28, 50, 26,
          45, 27, 36, 28, 39, 30, 41, 33, 41, 34, 41, 35, 41, 35, 44, 34, 46, 29, 46, 29, 42, 30, 41, 31,
          42, 33, 43, 33, 44, 33, 46, 33, 47, 33, 50, 33, 52, 33, 52, 34, 51, 34, 50, 34, 50, 34, 50, 36,
          49, 36, 47, 37, 46, 37, 47, 38, 45, 38, 45, 38, 46, 38, 46, 39, 46, 40, 48, 39},
         0, 1},
        {"punch", Files("cut_cios01001%d.png", 3, 1, 5), {34, 34, 36, 34, 39, 37, 42, 39, 37, 38}, 0, 4},
        {"somersault", Files("cut_salto%03d.png", 40, 2, 26),
         {46, 34, 45, 33, 41, 30, 41, 30, 40, 37, 38, 46, 35, 44, 35, 42, 38, 37, 36, 36, 34, 37, 33, 37,
          34, 38, 36, 38, 36, 36, 37, 30, 38, 27, 39, 27, 41, 31, 43, 31, 49, 32, 49, 33, 48, 34, 47, 36,
          44, 35, 43, 36},
         -1, -1},
        {"landing roll", Files("cut_turnover%03d.png", 1, 4, 13),
         {42, 33, 40, 36, 35, 43, 31, 51, 30, 54, 34, 47, 36, 51, 33, 53, 41, 54, 45, 49, 47, 46, 47, 44, 46, 42},
         0, 12},
        {"slide", Files("slizg%04d.png", 7, 1, 8), {45, 38, 42, 39, 40, 41, 39, 47, 38, 54, 38, 55, 37, 56, 36, 56},
         0, 7},
        {"get-up", Files("slizg%04d.png", 15, 1, 6), {37, 57, 37, 51, 40, 46, 42, 41, 44, 37, 39, 34}, 0, 5},
        {"death", Files("cut_death%03d.png", 1, 8, 8), {}, -1, -1},
        {"stumble", Files("potyka%04d.png", 25, 2, 24),
         {42, 32, 36, 30, 32, 29, 34, 33, 40, 36, 40, 38, 42, 39, 43, 40, 43, 42, 42, 43, 41, 46, 40, 48,
          39, 48, 37, 48, 37, 46, 38, 44, 35, 42, 34, 39, 36, 36, 37, 34, 39, 34, 41, 35, 41, 34, 38, 32},
         0, 23},
    };
    return states;
}

// A frame placed in the 100 x 100 cell as the game places it: the alpha of
// every cell pixel.
std::vector<int> InCell(const Picture& frame, int dx, int dy, int cell = 100)
{
    std::vector<int> alpha(static_cast<size_t>(cell) * cell, 0);
    for (int y = 0; y < frame.h; ++y)
        for (int x = 0; x < frame.w; ++x) {
            int cx = dx + x, cy = dy + y;
            if (cx >= 0 && cy >= 0 && cx < cell && cy < cell) alpha[cy * cell + cx] = frame.Alpha(x, y);
        }
    return alpha;
}

long Difference(const std::vector<int>& a, const std::vector<int>& b)
{
    long sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum;
}

// The wrap from the last frame to the first changes the picture no more than
// the largest step between neighbours.
void ExpectLoopJoins(const std::vector<std::vector<int>>& cells, const char* what)
{
    long largest = 0;
    for (size_t k = 0; k + 1 < cells.size(); ++k) largest = std::max(largest, Difference(cells[k], cells[k + 1]));
    long wrap = Difference(cells.back(), cells.front());
    EXPECT_LE(wrap, largest) << what << ": the loop jumps from its last frame to its first";
    EXPECT_GT(wrap, 0) << what << ": the last frame repeats the first";
}

TEST(RunnerFrames, EveryFrameStaysInTheCellAndStandsOnTheRoofWhereItShould)
{
    int frames = 0;
    for (const RunnerState& state : States()) {
        for (size_t k = 0; k < state.files.size(); ++k, ++frames) {
            const std::string& name = state.files[k];
            Picture frame = Load("ab01", name);
            ASSERT_FALSE(frame.Empty()) << name;
            if (state.offsets.empty()) {
                // Centred by the game: any size up to the cell.
                EXPECT_LE(frame.w, 100) << name;
                EXPECT_LE(frame.h, 100) << name;
                continue;
            }
            const int dx = state.offsets[2 * k], dy = state.offsets[2 * k + 1];
            EXPECT_LE(dx + frame.w, 100) << name << " leaves the cell on the right";
            EXPECT_LE(dy + frame.h, 100) << name << " leaves the cell at the bottom";
            const int bottom = dy + frame.h - 1;
            bool grounded = static_cast<int>(k) >= state.groundedFrom && static_cast<int>(k) <= state.groundedTo;
            if (grounded) {
                EXPECT_EQ(bottom, 73) << name << ": the feet are not on the roof line";
                int strongest = 0;
                for (int x = 0; x < frame.w; ++x) strongest = std::max(strongest, frame.Alpha(x, frame.h - 1));
                EXPECT_GE(strongest, 200) << name << ": nothing solid stands on the roof line";
            } else {
                EXPECT_LE(bottom, 73) << name << " reaches below the roof line";
            }
        }
    }
    EXPECT_EQ(frames, 153);
}

TEST(RunnerFrames, TheRunnersBodyCoversTheCollisionBox)
{
    for (size_t k = 0; k < 17; ++k) {
        const RunnerState& run = States()[0];
        Picture frame = Load("ab01", run.files[k]);
        std::vector<int> cell = InCell(frame, run.offsets[2 * k], run.offsets[2 * k + 1]);
        // From the shoulders to below the hips the body runs through the box
        // (the chest leans ahead of it, the hips are over it).
        int rows = 0, covered = 0;
        for (int y = 44; y <= 60; ++y, ++rows) {
            int solid = 0;
            for (int x = 43; x <= 49; ++x) solid += cell[y * 100 + x] >= 128;
            covered += solid >= 1;
        }
        EXPECT_GE(covered * 10, rows * 9) << run.files[k] << ": the body strays from the collision box";
        // And the figure's middle is over the box.
        long sum = 0, weight = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                sum += static_cast<long>(x) * cell[y * 100 + x];
                weight += cell[y * 100 + x];
            }
        double middle = double(sum) / weight;
        EXPECT_GT(middle, 42) << run.files[k];
        EXPECT_LT(middle, 56) << run.files[k];
    }
}

TEST(RunnerFrames, TheRunCycleLoopsWithoutAJump)
{
    const RunnerState& run = States()[0];
    std::vector<std::vector<int>> cells;
    for (size_t k = 0; k < run.files.size(); ++k)
        cells.push_back(InCell(Load("ab01", run.files[k]), run.offsets[2 * k], run.offsets[2 * k + 1]));
    ExpectLoopJoins(cells, "run");
}

TEST(RunnerFrames, DustAndEffectsAreSmallSprites)
{
    Picture dust = Load("ab01", "kurz.png");
    EXPECT_GE(dust.w, 4);
    EXPECT_LE(dust.w, 8);
    EXPECT_GE(dust.h, 4);
    EXPECT_LE(dust.h, 8);
    // The dust is light, so that it reads on the dark roofs.
    EXPECT_GE(dust.Colour(dust.w / 2, dust.h / 2)[0], 180);
    for (const char* name : {"deszcz.png", "snieg.png", "firework_small_02.png", "firework_small_04.png",
                             "firework_small_05.png", "firework_small_06.png", "firework_small_07.png"}) {
        Picture p = Load("ab01", name);
        ASSERT_FALSE(p.Empty()) << name;
        EXPECT_LE(std::max(p.w, p.h), 12) << name;
    }
    // Rain falls down and to the left: the streak runs from the top right to
    // the bottom left.
    Picture rain = Load("ab01", "deszcz.png");
    EXPECT_GT(rain.Alpha(1, rain.h - 2), rain.Alpha(1, 1));
    EXPECT_GT(rain.Alpha(rain.w - 2, 1), rain.Alpha(rain.w - 2, rain.h - 2) - 1);
    Picture flash = Load("ab01", "firework_big_04.png");
    EXPECT_GE(flash.w, 32);
    EXPECT_EQ(flash.w, flash.h);
}

// Mean height of the pixels near a colour (hair or shoes) in a frame.
double MeanRow(const Picture& frame, std::array<int, 3> colour, int tolerance)
{
    double sum = 0;
    int count = 0;
    for (int y = 0; y < frame.h; ++y)
        for (int x = 0; x < frame.w; ++x) {
            if (frame.Alpha(x, y) < 250) continue;
            auto c = frame.Colour(x, y);
            if (std::abs(c[0] - colour[0]) + std::abs(c[1] - colour[1]) + std::abs(c[2] - colour[2]) <= tolerance) {
                sum += y;
                ++count;
            }
        }
    return count ? sum / count : -1;
}

TEST(RunnerFrames, SomersaultAndRollTurnTheBodyOverWhileDeathEndsOnHisBack)
{
    const std::array<int, 3> hair = {70, 44, 34}, shoes = {240, 238, 230};
    // Upright at the start, upside down half-way through the turn.
    auto headAboveFeet = [&](const std::string& name) {
        Picture frame = Load("ab01", name);
        double head = MeanRow(frame, hair, 12), feet = MeanRow(frame, shoes, 12);
        EXPECT_GE(head, 0) << name << ": no hair";
        EXPECT_GE(feet, 0) << name << ": no shoes";
        return head < feet;
    };
    EXPECT_TRUE(headAboveFeet("cut_salto040.png"));
    EXPECT_FALSE(headAboveFeet("cut_salto058.png"));
    EXPECT_TRUE(headAboveFeet("cut_salto076.png"));
    EXPECT_TRUE(headAboveFeet("cut_turnover001.png"));
    EXPECT_FALSE(headAboveFeet("cut_turnover021.png"));
    EXPECT_TRUE(headAboveFeet("cut_turnover049.png"));
    // The death starts upright and ends thrown flat.
    Picture first = Load("ab01", "cut_death001.png"), last = Load("ab01", "cut_death057.png");
    EXPECT_GT(first.h, first.w);
    EXPECT_GT(last.w, last.h);
}

// --- The policeman ------------------------------------------------------------

const int kPolicemanOffsets[31][2] = {
    {41, 31}, {40, 31}, {40, 32}, {41, 32}, {41, 32}, {41, 32}, {41, 32}, {41, 32}, {41, 31}, {41, 31}, {41, 31},
    {41, 31}, {41, 31}, {42, 31}, {42, 31}, {42, 31}, {40, 32}, {40, 32}, {40, 32}, {41, 32}, {42, 32}, {42, 32},
    {42, 32}, {42, 31}, {42, 31}, {42, 31}, {41, 31}, {41, 30}, {41, 30}, {41, 31}, {41, 31},
};

TEST(PolicemanFrames, WalksOnOneLineWithTheTorchWhereTheBeamStarts)
{
    std::vector<std::vector<int>> cells;
    for (int f = 0; f < 31; ++f) {
        std::string name = Format("policjant_idzie%04d.png", f);
        Picture frame = Load("ab01", name);
        ASSERT_FALSE(frame.Empty()) << name;
        const int dx = kPolicemanOffsets[f][0], dy = kPolicemanOffsets[f][1];
        // Feet on cell row 73, as the runner's: the menu's pavement at y 242.
        EXPECT_EQ(dy + frame.h - 1, 73) << name << ": the feet leave the pavement line";
        // The menu puts the beam's pivot 3 px into the frame and 20 px down,
        // lowered by 3.12 sin(pi * phase): the torch's bright lens is there.
        int lensY = 20 + static_cast<int>(std::trunc(3.12 * std::sin(3.14159265358979 * (f + 0.5) / 31)));
        int brightest = 0;
        for (int y = lensY - 1; y <= lensY + 1; ++y)
            for (int x = 2; x <= 4; ++x)
                if (frame.Alpha(x, y) > 200) {
                    auto c = frame.Colour(x, y);
                    brightest = std::max(brightest, std::min({c[0], c[1], c[2]}));
                }
        EXPECT_GE(brightest, 180) << name << ": no lit lens where the beam starts";
        cells.push_back(InCell(frame, dx, dy));
    }
    ExpectLoopJoins(cells, "policeman");

    // The beam turns about (94, 18) and shines to the left of it.
    Picture beam = Load("ab01", "menu_main_latarka.png");
    ASSERT_GE(beam.w, 95);
    ASSERT_GE(beam.h, 37);
    EXPECT_GT(beam.Alpha(60, 18), 0);
    EXPECT_GT(beam.Alpha(60, 18), beam.Alpha(60, 2));
    EXPECT_EQ(beam.Alpha(beam.w - 1, 0), 0);
}

// --- Head-up display and interface --------------------------------------------

TEST(HudPieces, PanelCapsContinueTheHudBands)
{
    const std::array<int, 3> edge = {74, 73, 115}, body = {37, 38, 58};
    // The left cap of bands whose edge runs along the top (score panel, menu
    // and game-over bottom bars) and the right cap of the status panel, whose
    // edge runs along its bottom; both end 19 rows of band and a clear row.
    Picture down = Load("ab02", "main_menu_koncowka_down.png");
    Picture up = Load("ab02", "main_menu_koncowka_up.png");
    ASSERT_EQ(down.h, 20);
    ASSERT_EQ(up.h, 20);
    for (int y = 0; y < 20; ++y) {
        int x = down.w - 1;
        if (y == 19) {
            EXPECT_EQ(down.Alpha(x, y), 0);
            EXPECT_EQ(up.Alpha(0, y), 0);
            continue;
        }
        EXPECT_EQ(down.Alpha(x, y), 255) << y;
        EXPECT_EQ(down.Colour(x, y), y == 0 ? edge : body) << "down cap row " << y;
        EXPECT_EQ(up.Alpha(0, y), 255) << y;
        EXPECT_EQ(up.Colour(0, y), y == 18 ? edge : body) << "up cap row " << y;
    }
}

TEST(HudPieces, TimeBarAndScoreFontFitTheirDrawing)
{
    // The game fills x 0-70 of rows 2-3 of the bar in white.
    Picture bar = Load("ab02", "hud_time_bar.png");
    ASSERT_GE(bar.w, 71);
    ASSERT_GE(bar.h, 4);
    for (int x = 0; x < 71; ++x) EXPECT_EQ(bar.Alpha(x, 2), 255) << x;
    // Eleven 13-px cells: the prefix and the digits.
    Picture font = Load("ab02", "hud_score_font.png");
    EXPECT_EQ(font.w, 143);
    for (int cell = 0; cell < 11; ++cell) {
        int ink = 0;
        for (int y = 0; y < font.h; ++y)
            for (int x = cell * 13; x < cell * 13 + 13; ++x) ink += font.Alpha(x, y) > 128;
        EXPECT_GT(ink, 10) << "empty cell " << cell;
    }
    // Every cell holds its own glyph.
    for (int a = 0; a < 11; ++a)
        for (int b = a + 1; b < 11; ++b) {
            bool same = true;
            for (int y = 0; y < font.h && same; ++y)
                for (int x = 0; x < 13 && same; ++x) same = font.Alpha(a * 13 + x, y) == font.Alpha(b * 13 + x, y);
            EXPECT_FALSE(same) << "cells " << a << " and " << b;
        }
    // The status panel is the separator's width plus 113: keep it narrow.
    EXPECT_LE(Load("ab02", "lives-hud-separator.png").w, 6);
    EXPECT_LE(Load("ab02", "hud_time_icon.png").h, 13);
}

TEST(InterfacePictures, SizesFitWhereTheMenusPutThem)
{
    for (const std::string& code : kCodes) {
        Picture pause = Load(DialogPage(code), Localised("pause_button.png", code));
        ASSERT_FALSE(pause.Empty()) << code;
        EXPECT_LE(pause.w, 118);
        EXPECT_LE(pause.h, 34);
        Picture back = Load(DialogPage(code), Localised("main_menu_red_back.png", code));
        EXPECT_LE(back.w, 100) << "yes and no are 110 px apart";
        EXPECT_LE(Load(MenuPage(code), Localised("endless-mode-button.png", code)).h, 37);
        // Endless page: two columns of level pictures, three rows, the back
        // button below, all inside the panel (its body ends at y 309).
        Picture level = Load(DialogPage(code), Localised("endless-button-06.png", code));
        int gap = (350 - 2 * level.w) / 3;
        EXPECT_GE(gap, 4);
        EXPECT_LE(53 + gap + 3 * (level.h + gap) + back.h, 309) << code;
        // The scores button sits at the bottom right, clear of the endless one.
        Picture scores = Load(MenuPage(code), Localised("main_menu_button_scores.png", code));
        Picture endless = Load(MenuPage(code), Localised("endless-mode-button.png", code));
        EXPECT_LT(10 + endless.w, 480 - 37 - scores.w) << code;
    }
    // Flags are placed 115 px apart.
    Picture first = Load("loose", "flag_en.png");
    EXPECT_LT(first.w, 115);
    for (const std::string& code : kCodes) {
        Picture flag = Load("loose", "flag_" + code + ".png");
        EXPECT_EQ(flag.w, first.w) << code;
        EXPECT_EQ(flag.h, first.h) << code;
    }
    Picture splash = Load("loose", "ostrel_logo.png");
    EXPECT_LE(splash.w, 800);
    EXPECT_LE(splash.h, 480);
    Picture throbber = Load("loose", "throbber-alpha.png");
    EXPECT_EQ(throbber.w, throbber.h);
    for (const std::string& code : kCodes) {
        Picture tutorial = Load("loose", Localised("tut-854x480.png", code));
        EXPECT_EQ(tutorial.w, 854) << code;
        EXPECT_EQ(tutorial.h, 480) << code;
    }
}

TEST(InterfacePictures, EveryLanguageHasItsOwnWords)
{
    // Buttons with words differ from language to language and keep one size.
    for (const char* name : {"main_menu_button_run.png", "gameover_restart.png", "endless-button-02.png",
                             "tut-854x480.png"}) {
        std::vector<Picture> variants;
        for (const std::string& code : kCodes) {
            std::string page = std::string(name).rfind("main_menu", 0) == 0 ? MenuPage(code) : DialogPage(code);
            if (std::string(name).rfind("tut-", 0) == 0) page = "loose";
            variants.push_back(Load(page, Localised(name, code)));
            ASSERT_FALSE(variants.back().Empty()) << name << " " << code;
        }
        for (size_t a = 0; a < variants.size(); ++a) {
            EXPECT_EQ(variants[a].w, variants[0].w) << name;
            EXPECT_EQ(variants[a].h, variants[0].h) << name;
            for (size_t b = a + 1; b < variants.size(); ++b)
                EXPECT_NE(variants[a].px, variants[b].px) << name << ": " << kCodes[a] << " and " << kCodes[b];
        }
    }
}

TEST(InterfacePictures, TitleIntroStripsTile)
{
    // Upper strips alternate 1, 2, 1, ...; the lower strip repeats itself.
    Picture one = Load("ab02", "menu_main_01_e.png"), two = Load("ab02", "menu_main_01_e2.png");
    ASSERT_EQ(one.h, two.h);
    for (int y = 0; y < one.h; ++y) {
        EXPECT_EQ(one.px[y * one.w + one.w - 1], two.px[y * two.w]) << y;
        EXPECT_EQ(two.px[y * two.w + two.w - 1], one.px[y * one.w]) << y;
    }
    Picture lower = Load("ab02", "menu_main_02_b.png");
    ASSERT_EQ(lower.w % 16, 0);
    for (int y = 0; y < lower.h; ++y)
        for (int x = 0; x + 16 < lower.w; ++x)
            EXPECT_NEAR(lower.Alpha(x, y), lower.Alpha(x + 16, y), 1) << x << "," << y;
}

// --- Inventory, pages, sheets, determinism -------------------------------------

std::map<std::string, std::vector<std::string>> Expected()
{
    std::map<std::string, std::vector<std::string>> pages;
    auto& characters = pages["ab01"];
    for (const RunnerState& state : States()) characters.insert(characters.end(), state.files.begin(), state.files.end());
    for (int f = 0; f < 31; ++f) characters.push_back(Format("policjant_idzie%04d.png", f));
    for (const char* name : {"kurz.png", "menu_main_latarka.png", "deszcz.png", "snieg.png", "firework_big_04.png",
                             "firework_small_02.png", "firework_small_04.png", "firework_small_05.png",
                             "firework_small_06.png", "firework_small_07.png"})
        characters.push_back(name);
    for (const char* name :
         {"main_menu_koncowka_down.png", "main_menu_koncowka_up.png", "hud_time_icon.png", "hud_time_bar.png",
          "lives-hud-separator.png", "lives-hud-icon.png", "hud_score_icon.png", "hud_score_separator.png",
          "hud_score_font.png", "icon_krzyzyk.png", "main_menu_button_about.png", "icon_arrow_up.png",
          "icon_arrow_down.png", "icon_facebook.png", "main_menu_psp_buttons_cross2.png",
          "main_menu_psp_buttons_square2.png", "main_menu_psp_buttons_up2.png", "main_menu_psp_buttons_down2.png",
          "lampka.png", "menu_main_01_e.png", "menu_main_01_e2.png", "menu_main_02_b.png", "menu_main_03_b.png",
          "menu_main_04_b.png"})
        pages["ab02"].push_back(name);
    for (const std::string& code : kCodes) {
        for (const char* name : {"main_menu_button_run.png", "main_menu_button_scores.png", "endless-mode-button.png",
                                 "more_games.png", "main_menu_tap_to_continue.png"})
            pages[MenuPage(code)].push_back(Localised(name, code));
        for (const char* name : {"pause_button.png", "main_menu_red_back.png", "gameover_restart.png",
                                 "gameover_back.png", "tutorial-android-main-menu.png"})
            pages[DialogPage(code)].push_back(Localised(name, code));
        for (int level = 1; level <= 6; ++level)
            pages[DialogPage(code)].push_back(Localised(Format("endless-button-%02d.png", level), code));
        pages["loose"].push_back(Localised("tut-854x480.png", code));
        pages["loose"].push_back("flag_" + code + ".png");
    }
    for (const char* name : {"ostrel_logo.png", "throbber-alpha.png", "loading/load1.png", "loading/load2.png",
                             "loading/load3.png", "loading/yesno.png"})
        pages["loose"].push_back(name);
    return pages;
}

TEST(Inventory, EveryPictureIsInThePageTheGameLoadsItFrom)
{
    int count = 0;
    for (const auto& [page, names] : Expected())
        for (const std::string& name : names) {
            ++count;
            Picture p = Load(page, name);
            EXPECT_FALSE(p.Empty()) << page << "/" << name << " is missing";
        }
    EXPECT_EQ(count, 153 + 31 + 10 + 24 + 5 * (5 + 5 + 6 + 2) + 6);
}

TEST(Inventory, AtlasPagesStaySmall)
{
    // NOTE: a page holds at most 2048 x 2048; keep the pictures of each page
    // well under that, so that they pack with room to spare.
    for (const auto& entry : std::filesystem::directory_iterator(kReview)) {
        std::string page = entry.path().filename().string();
        if (page == "loose" || !entry.is_directory()) continue;
        long area = 0;
        for (const auto& file : std::filesystem::recursive_directory_iterator(entry.path())) {
            if (!file.is_regular_file()) continue;
            std::string rel = std::filesystem::relative(file.path(), entry.path()).string();
            Picture p = Load(page, rel);
            EXPECT_LE(std::max(p.w, p.h), 2048) << rel;
            area += static_cast<long>(p.w) * p.h;
        }
        EXPECT_LE(area, 2048L * 2048L * 6 / 10) << page;
    }
    // The runner, the policeman and the effects fit one 1024 x 1024 page.
    long characters = 0;
    const auto expected = Expected();
    for (const std::string& name : expected.at("ab01")) {
        Picture p = Load("ab01", name);
        characters += static_cast<long>(p.w + 2) * (p.h + 2);
    }
    EXPECT_LE(characters, 1024L * 1024L * 8 / 10);
}

TEST(Inventory, ContactSheetsAreWrittenForEveryPageAndTheCharacters)
{
    for (const auto& [page, names] : Expected())
        EXPECT_TRUE(std::filesystem::exists(kSheets + "/" + page + ".png")) << page;
    for (const char* sheet : {"runner_run", "runner_jump", "runner_punch", "runner_somersault", "runner_landing_roll",
                              "runner_slide", "runner_get-up", "runner_death", "runner_stumble", "runner_game_size",
                              "policeman", "preview_hud_en", "preview_menu_en", "preview_intro_en"})
        EXPECT_TRUE(std::filesystem::exists(kSheets + "/" + sheet + ".png")) << sheet;
}

std::string Bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Determinism, DrawingAgainGivesTheSameBytes)
{
    VokeTest::TempDir dir;
    std::string command = std::string(PICTUREGEN_PATH) + " " + dir.Path() + "/out > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    int files = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(kReview)) {
        if (!file.is_regular_file()) continue;
        std::filesystem::path rel = std::filesystem::relative(file.path(), kReview);
        ++files;
        EXPECT_EQ(Bytes(file.path()), Bytes(std::filesystem::path(dir.Path()) / "out" / rel)) << rel;
    }
    EXPECT_GE(files, 300);
}

TEST(Determinism, ABadCommandLineIsRefused)
{
    EXPECT_NE(std::system((std::string(PICTUREGEN_PATH) + " > /dev/null 2>&1").c_str()), 0);
    EXPECT_NE(std::system((std::string(PICTUREGEN_PATH) + " /tmp/x --bogus > /dev/null 2>&1").c_str()), 0);
}

}  // namespace
