// The tutorial picture, one per language: drawn over the running level on
// the whole window (scaled from 854 x 480), translucent so the level shows
// through. It shows the controls the game world gives the screen: the left
// half punches, the right half jumps, the bottom strip (65 of the 320 rows,
// a fifth of the height) slides, and the keys. The pause overlay draws its
// menu button at a fifth of the window's height in the middle, so the
// middle column there stays clear.
#include <cmath>
#include <string>
#include <vector>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/interface_painters.h"
#include "tools/picturegen/runner.h"
#include "tools/picturegen/ui_kit.h"

namespace PictureGen {

using namespace Kit;

namespace {

constexpr int kWidth = 854, kHeight = 480;
// NOTE: the slide strip is 65 / 320 of the screen's height.
constexpr double kSlideTop = kHeight - kHeight * 65.0 / 320.0;

std::vector<std::string> Wrap(cairo_t* cr, const std::string& text, double width)
{
    std::vector<std::string> lines;
    std::string line, word;
    auto flush = [&](const std::string& w) {
        std::string candidate = line.empty() ? w : line + " " + w;
        if (!line.empty() && MeasureText(cr, candidate).width > width) {
            lines.push_back(line);
            line = w;
        } else {
            line = candidate;
        }
    };
    for (char c : text) {
        if (c == ' ') {
            if (!word.empty()) flush(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) flush(word);
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Text centred on x with its baseline at y.
void Centred(cairo_t* cr, double x, double y, const std::string& text)
{
    TextSize t = MeasureText(cr, text);
    ShadowedText(cr, std::round(x - t.width / 2), y, text);
}

// Wrapped lines centred on x from baseline y, shrinking until they fit in
// at most maxLines lines.
void Paragraph(cairo_t* cr, double x, double y, double width, const std::string& text, double size, int maxLines)
{
    std::vector<std::string> lines;
    for (;; size -= 0.5) {
        SelectFont(cr, FontStyle::Regular, size);
        lines = Wrap(cr, text, width);
        if (static_cast<int>(lines.size()) <= maxLines || size <= 10) break;
    }
    for (size_t i = 0; i < lines.size(); ++i) Centred(cr, x, y + i * std::round(size * 1.3), lines[i]);
}

// The runner posed for an action, centred on x, lift pixels above feetY
// where his shadow lies.
void Action(cairo_t* cr, RunnerStateId state, int frame, double scale, double x, double feetY, double lift = 0)
{
    Figure figure = PosedRunner(state, frame, scale);
    figure.Translate(x - (figure.Left() + figure.Right()) / 2, feetY - lift - figure.Bottom());
    cairo_save(cr);
    cairo_translate(cr, x, feetY);
    cairo_scale(cr, 1, 0.2);
    cairo_arc(cr, 0, 0, 14 * scale, 0, 2 * kPi);
    cairo_restore(cr);
    SetColour(cr, Palette::kInk, 0.5);
    cairo_fill(cr);
    figure.Draw(cr);
}

Surface Tutorial(const Words& words)
{
    Surface out = MakeSurface(kWidth, kHeight);
    Context context = MakeContext(out.get());
    cairo_t* cr = context.get();
    cairo_rectangle(cr, 0, 0, kWidth, kHeight);
    SetColour(cr, {12, 12, 22}, 0.62);
    cairo_fill(cr);

    // Title and how to go on.
    SelectFont(cr, FontStyle::Bold, 30);
    Centred(cr, kWidth / 2.0, 46, words.howToPlay);
    cairo_rectangle(cr, kWidth / 2.0 - 60, 56, 120, 3);
    SetColour(cr, Palette::kAccent);
    cairo_fill(cr);
    SelectFont(cr, FontStyle::Regular, 16);
    SetColour(cr, Palette::kAccentLight);
    TextSize go = MeasureText(cr, words.clickToContinue);
    FillText(cr, std::round(kWidth / 2.0 - go.width / 2), 82, words.clickToContinue);

    // The two halves, split by a dashed line below the menu button's place.
    const double dash[] = {8, 6};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_line_width(cr, 2);
    SetColour(cr, Palette::kText, 0.35);
    cairo_move_to(cr, kWidth / 2.0, 160);
    cairo_line_to(cr, kWidth / 2.0, kSlideTop - 30);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);

    const double half = kWidth / 4.0;
    struct {
        RunnerStateId state;
        int frame;
        const std::string& word;
        const std::string& hint;
        double x, lift;
    } actions[2] = {{kPunch, 3, words.punch, words.punchHint, half, 0},
                    {kJump, 10, words.jump, words.jumpHint, kWidth - half, 18}};
    for (const auto& a : actions) {
        Action(cr, a.state, a.frame, 2.4, a.x, 232, a.lift);
        SelectFont(cr, FontStyle::Bold, 30);
        SetColour(cr, Palette::kAccent);
        TextSize t = MeasureText(cr, a.word);
        FillText(cr, std::round(a.x - t.width / 2), 274, a.word);
        Paragraph(cr, a.x, 300, 360, a.hint, 16, 3);
    }

    // Keys, above the slide strip.
    SelectFont(cr, FontStyle::Regular, 15);
    Centred(cr, kWidth / 2.0, kSlideTop - 12, words.keys);

    // The slide strip.
    cairo_rectangle(cr, 0, kSlideTop, kWidth, kHeight - kSlideTop);
    SetColour(cr, Palette::kAccent, 0.16);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, kSlideTop, kWidth, 2);
    SetColour(cr, Palette::kAccent, 0.85);
    cairo_fill(cr);
    SelectFont(cr, FontStyle::Bold, 26);
    const double textLeft = 300;
    Action(cr, kSlide, 7, 2.2, textLeft - 90, kHeight - 18);
    SetColour(cr, Palette::kAccent);
    FillText(cr, textLeft, kSlideTop + 42, words.slide);
    SelectFont(cr, FontStyle::Regular, 16);
    std::vector<std::string> lines = Wrap(cr, words.slideHint, kWidth - textLeft - 30);
    for (size_t i = 0; i < lines.size() && i < 2; ++i) ShadowedText(cr, textLeft, kSlideTop + 66 + i * 20, lines[i]);
    return out;
}

}  // namespace

void PaintTutorial(PictureSink& sink)
{
    for (const Language& language : Languages())
        sink.Add(kLoose, Localised("tut-854x480.png", language), Tutorial(WordsFor(language)).get());
}

}  // namespace PictureGen
