// The head-up display drawn for real through the GL batcher into a 480 x 320
// off-screen target and read back.
//
// Texts are checked against a reference: the texts the HUD should show,
// drawn white on black at the places they should have, give each pixel's
// ink; the same HUD loaded without fonts gives each pixel's background; the
// HUD's own picture must be the background inked by the reference, pixel by
// pixel. So a digit in the wrong place, a missing one or an extra one fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/core/text_dict.h"
#include "engine/core/xml.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/presentation/hud.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/engine/text/text_test_support.h"
#include "tests/game/presentation/render_target.h"

namespace {

using PresentationTest::Frame;
using Voke::Color;
using Voke::MakeColor;

constexpr int kW = 480;
constexpr int kH = 320;
// The score panel's left reference and the status panel's left edge with
// both panels fully in.
constexpr int kXr = kW - 90;
constexpr int kX0 = 0;

const Color kGrey = MakeColor(60, 60, 60);
const Color kBlack = MakeColor(0, 0, 0);
const Color kWhite = MakeColor(255, 255, 255);
const Color kLine = MakeColor(0x4a, 0x49, 0x73);
const Color kFill = MakeColor(0x25, 0x26, 0x3a);
const Color kSeparator = MakeColor(200, 0, 0);
const Color kLivesIcon = MakeColor(0, 200, 0);
const Color kTimeBar = MakeColor(0, 0, 200);

// Fixture sizes: the lives separator and icon widths place the lives.
constexpr int kSeparatorW = 4;
constexpr int kLivesIconW = 8;
constexpr int kLivesX = kX0 + kSeparatorW + kLivesIconW + 88;
// The score-gain strip: a prefix cell and ten digit cells, each its own
// colour.
constexpr int kCell = 13;
constexpr int kCellH = 12;
Color CellColour(int cell) { return MakeColor(uint8_t(30 + 20 * cell), uint8_t(255 - 20 * cell), 100); }

// A text the HUD should show: its string, its box's left edge and top, and
// whether it is centred in a 16-pixel box (digits, ":" and "X") or left in
// a 256-pixel one (the banner's texts).
struct Placed {
    std::string text;
    int x;
    int y;
    bool glyph = true;
};

class HudRender : public PresentationTest::RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        MakeTarget(kW, kH);
        m_game.m_ScreenWidth = kW;
        m_game.m_ScreenHeight = kH;
        m_game.m_Lives = 3;
        m_game.m_Multiplier = 1;
        m_font = Voke::Test::LoadBuiltFont("fontMenu.xml");
        ASSERT_TRUE(m_font && m_font->GetPage());
        m_fonts = new Voke::Text::FontSet;
        m_fonts->Add("default", m_font);

        const char* dictionary =
            "<strings><string id=\"IDS_PRISON\">Prison</string><string id=\"IDS_SEWERS\">Sewers</string></strings>";
        Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Create(std::string(dictionary)));
        Voke::AbstractApp::s_textDict = new Voke::TextDict;
        ASSERT_TRUE(Voke::AbstractApp::s_textDict->LoadDocument(document));
        WriteImages();
    }
    void TearDown() override
    {
        Voke::AbstractApp::s_textDict.Reset();
        RenderTarget::TearDown();
    }

    void Png(const std::string& name, int w, int h, Color c)
    {
        m_content->Write(name, Voke::Test::MakePngFile(w, h, [c](int, int) { return c; }));
    }
    void WriteImages()
    {
        Png("c000000.png", 4, 4, kBlack);
        Png("c4a4973.png", 4, 4, kLine);
        Png("c25263a.png", 4, 4, kFill);
        Png("cffffff.png", 4, 4, kWhite);
        Png("lives-hud-separator.png", kSeparatorW, 10, kSeparator);
        Png("lives-hud-icon.png", kLivesIconW, 10, kLivesIcon);
        Png("hud_time_bar.png", 75, 6, kTimeBar);
        Png("hud_time_icon.png", 12, 12, MakeColor(200, 200, 0));
        Png("main_menu_koncowka_up.png", 6, 19, MakeColor(0, 200, 200));
        Png("main_menu_koncowka_down.png", 30, 19, MakeColor(200, 0, 200));
        Png("hud_score_separator.png", 6, 14, MakeColor(100, 50, 0));
        Png("hud_score_icon.png", 10, 10, MakeColor(120, 120, 120));
        m_content->Write("hud_score_font.png", Voke::Test::MakePngFile(11 * kCell, kCellH, [](int x, int) {
                             return CellColour(x / kCell);
                         }));
    }

    // Loads the HUD under test, and its twin without fonts, which draws the
    // same picture without any text.
    void LoadBoth()
    {
        m_plain.SetOwner(&m_game);
        m_plain.Load();
        m_game.m_Fonts = m_fonts;
        m_hud.SetOwner(&m_game);
        m_hud.Load();
    }
    template <class F>
    void Both(F f)
    {
        f(m_hud);
        f(m_plain);
    }
    // The level start, then long enough for the bars to leave and the panels
    // to come fully in.
    void StartLevel(int level)
    {
        Both([level](Hud& h) {
            h.Reset(level);
            h.SetBarsShown();
            h.HideBars();
            h.ShowLevelIntro();
            h.Update(1.4f);
            h.Update(0.7f);
        });
    }

    Frame Draw(Hud& hud)
    {
        Clear(kGrey);
        hud.Draw(m_target);
        return Read();
    }
    // The texts white on black.
    Frame Reference(const std::vector<Placed>& texts)
    {
        Clear(kBlack);
        for (const Placed& p : texts) {
            Voke::SmartPtr<Voke::ScreenText> text(new Voke::ScreenText(
                WhiteText(m_fonts, p.glyph), Voke::ToWideString(p.text), {p.glyph ? 16 : 256, 0}));
            text->Draw(m_target, p.x, p.y);
        }
        return Read();
    }
    // Every pixel of the HUD is its background inked by the reference.
    void ExpectTexts(const std::vector<Placed>& texts)
    {
        const Frame got = Draw(m_hud);
        const Frame background = Draw(m_plain);
        const Frame ink = Reference(texts);
        int inked = 0, wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int coverage = ink.Channel(x, y, 0);
                inked += coverage > 0;
                for (int c = 0; c < 3; ++c) {
                    const int bg = background.Channel(x, y, c);
                    const int want = bg + (255 - bg) * coverage / 255;
                    if (std::abs(got.Channel(x, y, c) - want) > 3 && ++wrong <= 5)
                        ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << ": got "
                                      << got.Channel(x, y, c) << ", want " << want;
                }
            }
        EXPECT_EQ(wrong, 0);
        if (!texts.empty()) {
            EXPECT_GT(inked, 10 * int(texts.size()));
        }
    }

    // The score as seven digits from xr + 34, most significant first.
    static void AddScore(std::vector<Placed>& texts, const std::string& digits)
    {
        for (int i = 0; i < 7; ++i) texts.push_back({digits.substr(i, 1), kXr + 34 + 7 * i, 10});
    }
    static void AddClock(std::vector<Placed>& texts, const std::string& hhmmss)
    {
        const int xs[6] = {21, 28, 38, 45, 55, 62};
        const std::string digits = hhmmss.substr(0, 2) + hhmmss.substr(3, 2) + hhmmss.substr(6, 2);
        for (int i = 0; i < 6; ++i) texts.push_back({digits.substr(i, 1), kX0 + xs[i], 2});
        texts.push_back({":", kX0 + 33, 1});
        texts.push_back({":", kX0 + 50, 1});
    }

    Voke::SmartPtr<Voke::FontEx> m_font;
    Voke::SmartPtr<Voke::Text::FontSet> m_fonts;
    GameBase m_game;
    Hud m_hud;
    Hud m_plain;
};

TEST_F(HudRender, PanelsShowScoreClockLivesAndMultiplier)
{
    LoadBoth();
    StartLevel(0);
    ASSERT_EQ(m_hud.GetPanelsState(), 2);
    // Past the banner, so that only the panels show.
    Both([](Hud& h) {
        h.Update(5.0f);
        h.Update(1.0f);
    });
    ASSERT_EQ(m_hud.GetIntroState(), 0);

    struct Case {
        int score, multiplier, lives, clock;
        std::string scoreDigits, clockText;
        std::vector<Placed> multiplierAndLives;
    };
    const std::vector<Case> cases = {
        {1234, 1, 3, 25 * 3600 + 61, "0001234", "01:01:01",
         {{"1", kXr - 18, 9}, {"X", kXr - 25, 9}, {"3", kLivesX, 8}}},
        {12345678, 0, 12, 23 * 3600 + 59 * 60 + 59, "2345678", "23:59:59",
         {{"X", kXr - 18, 9}, {"1", kLivesX, 8}, {"2", kLivesX + 7, 8}}},
        {-5, 10, 150, -100, "0000000", "00:00:00",
         {{"0", kXr - 18, 9}, {"1", kXr - 25, 9}, {"X", kXr - 32, 9}, {"9", kLivesX, 8}, {"9", kLivesX + 7, 8}}},
        {9999999, 11, -2, 7 * 3600, "9999999", "07:00:00",
         {{"1", kXr - 15, 9}, {"1", kXr - 22, 9}, {"X", kXr - 29, 9}, {"0", kLivesX, 8}}},
        {42, 99, 0, 0, "0000042", "00:00:00",
         {{"9", kXr - 15, 9}, {"9", kXr - 22, 9}, {"X", kXr - 29, 9}, {"0", kLivesX, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scoreDigits + " x" + std::to_string(c.multiplier));
        m_game.m_Score = c.score;
        m_game.m_Multiplier = c.multiplier;
        m_game.m_Lives = c.lives;
        Both([&](Hud& h) { h.SetClock(c.clock); });
        std::vector<Placed> texts = c.multiplierAndLives;
        AddScore(texts, c.scoreDigits);
        AddClock(texts, c.clockText);
        ExpectTexts(texts);
    }

    // The panels' own pieces.
    const Frame frame = Draw(m_plain);
    EXPECT_EQ(frame.At(kX0 + 110, 15), kFill);
    EXPECT_EQ(frame.At(kX0 + 82, 15), kSeparator);
    EXPECT_EQ(frame.At(kX0 + 95, 15), kLivesIcon);
    EXPECT_EQ(frame.At(kXr + 89, 20), kFill);
}

TEST_F(HudRender, TimeBarFillsWithTheFractionWithinItsLength)
{
    LoadBoth();
    StartLevel(2);
    struct Case {
        float fraction;
        int width;
    };
    for (const Case c : {Case{-1.0f, 0}, Case{0.0f, 0}, Case{0.25f, 17}, Case{0.5f, 35}, Case{1.0f, 71},
                         Case{3.0f, 71}}) {
        SCOPED_TRACE(c.fraction);
        m_plain.SetTimeFraction(c.fraction);
        const Frame frame = Draw(m_plain);
        for (int x = kX0 + 3; x < kX0 + 3 + 75; ++x) {
            const Color want = x < kX0 + 3 + c.width ? kWhite : kTimeBar;
            ASSERT_EQ(frame.At(x, 21), want) << x;
            ASSERT_EQ(frame.At(x, 22), want) << x;
            ASSERT_EQ(frame.At(x, 20), kTimeBar) << x;
            ASSERT_EQ(frame.At(x, 23), kTimeBar) << x;
        }
    }
}

TEST_F(HudRender, PanelsSlideFromTheSidesAfterTheLetterboxHasGone)
{
    LoadBoth();
    Both([](Hud& h) {
        h.Reset(0);
        h.SetBarsShown();
        h.HideBars();
    });
    // Bars at full height: a twelfth of the screen at the top and bottom.
    Frame frame = Draw(m_plain);
    for (int x : {0, 200, kW - 1}) {
        EXPECT_EQ(frame.At(x, 0), kBlack);
        EXPECT_EQ(frame.At(x, 25), kBlack);
        EXPECT_EQ(frame.At(x, 26), kGrey);
        EXPECT_EQ(frame.At(x, kH - 26), kBlack);
        EXPECT_EQ(frame.At(x, kH - 27), kGrey);
        EXPECT_EQ(frame.At(x, kH - 1), kBlack);
    }
    // Going out at 0.75 a second: after half a second 0.625 of 26 rows.
    m_plain.Update(0.5f);
    frame = Draw(m_plain);
    EXPECT_EQ(frame.At(100, 15), kBlack);
    EXPECT_EQ(frame.At(100, 16), kGrey);
    EXPECT_EQ(frame.At(100, kH - 16), kBlack);
    EXPECT_EQ(frame.At(100, kH - 17), kGrey);
    EXPECT_EQ(m_plain.GetPanelsState(), 0);
    EXPECT_EQ(frame.At(50, 20), kGrey) << "no panel while the bars show";

    // The bars empty; the panels come in from both sides, the status panel
    // from the left, the score panel from the right.
    m_plain.Update(0.8f);
    EXPECT_EQ(m_plain.GetBarsState(), 2);
    m_plain.Update(0.05f);
    m_plain.Update(0.45f);
    EXPECT_EQ(m_plain.GetBarsState(), 0);
    ASSERT_EQ(m_plain.GetPanelsState(), 1);
    float amount = m_plain.GetPanelsAmount();
    EXPECT_GT(amount, 0.0f);
    EXPECT_LT(amount, 1.0f);
    frame = Draw(m_plain);
    const int shift = int((1.0f - amount) * 200.0f);
    ASSERT_GT(shift, 0);
    ASSERT_LT(shift, 100);
    // The status panel's fill ends at s + 113, its line row at 26; the score
    // panel's fill starts at xr - 30.
    EXPECT_EQ(frame.At(kX0 + kSeparatorW + 112 - shift, 26), kLine);
    EXPECT_EQ(frame.At(kX0 + kSeparatorW + 113 - shift, 26), MakeColor(0, 200, 200)) << "the status panel's cap";
    EXPECT_EQ(frame.At(kX0 + kSeparatorW + 119 - shift, 26), kGrey);
    EXPECT_EQ(frame.At(kXr - 29 + shift, 8), kLine);
    EXPECT_EQ(frame.At(kXr - 31 + shift, 12), MakeColor(200, 0, 200)) << "the score panel's cap";

    // Hidden halfway in, they go back from where they are.
    m_plain.HidePanels();
    EXPECT_EQ(m_plain.GetPanelsState(), 3);
    EXPECT_EQ(m_plain.GetPanelsAmount(), amount);
    m_plain.Update(0.1f);
    EXPECT_LT(m_plain.GetPanelsAmount(), amount);
    m_plain.Update(2.0f);
    EXPECT_EQ(m_plain.GetPanelsState(), 0);
    frame = Draw(m_plain);
    EXPECT_EQ(frame.At(50, 20), kGrey);
    EXPECT_EQ(frame.At(kXr + 50, 20), kGrey);

    // At the level's end the bars come back in and stay.
    m_plain.ShowBars();
    m_plain.Update(1.5f);
    EXPECT_EQ(m_plain.GetBarsState(), 3);
    EXPECT_EQ(Draw(m_plain).At(100, 25), kBlack);
}

TEST_F(HudRender, LevelBannerOpensShowsItsTextsAndCloses)
{
    LoadBoth();
    const int y0 = 224;  // 70 % of the height
    for (int level : {0, 3}) {
        SCOPED_TRACE(level);
        const int full = level == 3 ? 121 : 82;
        const int b = kW + 3 - full;
        Both([level](Hud& h) {
            h.Reset(level);
            h.ShowLevelIntro();
            h.Update(0.1f);  // opening: 0.31 of the width
        });
        Frame frame = Draw(m_plain);
        const int opening = int(full * m_plain.GetIntroPhase());
        EXPECT_EQ(frame.At(kW - opening, y0 + 8), kBlack);
        EXPECT_EQ(frame.At(kW - opening - 2, y0 + 8), kGrey);
        EXPECT_EQ(frame.At(kW - opening - 1, y0 + 1), kGrey);

        // Holding, halfway: the band at its full width, both texts at rest.
        Both([](Hud& h) {
            h.Update(0.3f);
            h.Update(2.0f);
        });
        ASSERT_EQ(m_hud.GetIntroState(), 2);
        frame = Draw(m_plain);
        EXPECT_EQ(frame.At(kW - full - 1, y0 + 2), kBlack);
        EXPECT_EQ(frame.At(kW - full - 2, y0 + 8), kGrey);
        EXPECT_EQ(frame.At(kW - full, y0 + 1), kBlack);
        EXPECT_EQ(frame.At(kW - full - 1, y0 + 1), kGrey);
        EXPECT_EQ(frame.At(kW - full, y0 + 17), kGrey);
        const std::string title = level == 3 ? "IDS_CONSTRUCTION_YARD" : "Prison";
        const std::string label = level == 3 ? "11:00 AM" : "11:00 PM";
        ExpectTexts({{title, b, y0, false}, {label, b, y0 + 16, false}});

        // Near the end of the hold the title has started out to the right.
        Both([](Hud& h) { h.Update(1.7f); });  // phase 0.925
        const float p = m_hud.GetIntroPhase();
        ASSERT_GT(p, 0.9f);
        ASSERT_LT(p, 0.95f);
        ExpectTexts({{title, b + int((p - 0.9f) * 20.0f * full), y0, false}, {label, b, y0 + 16, false}});

        // Closed after the last third of a second.
        Both([](Hud& h) {
            h.Update(0.4f);
            h.Update(0.4f);
        });
        EXPECT_EQ(m_hud.GetIntroState(), 0);
        frame = Draw(m_plain);
        EXPECT_EQ(frame.At(kW - 1, y0 + 8), kGrey);
    }

    // At the start of the hold the title comes in from the right.
    Both([](Hud& h) {
        h.Reset(2);
        h.ShowLevelIntro();
        h.Update(0.33f);
        h.Update(0.08f);  // phase 0.02
    });
    const float p = m_hud.GetIntroPhase();
    ASSERT_LT(p, 0.05f);
    const int b = kW + 3 - 82;
    ExpectTexts({{"Sewers", b + int(82 * (1.0f - 20.0f * p)), y0, false},
                 {"7:00 AM", b + int((1.0f - (p - 0.05f) * 20.0f) * 82), y0 + 16, false}});
}

TEST_F(HudRender, EndlessModeShowsOnlyTheScorePanelBarsAndPopup)
{
    LoadBoth();
    StartLevel(1);
    m_game.m_Endless = true;
    m_game.m_Score = 77;
    m_game.m_Multiplier = 25;
    std::vector<Placed> texts = {{"5", kXr - 15, 9}, {"2", kXr - 22, 9}, {"X", kXr - 29, 9}};
    AddScore(texts, "0000077");
    ExpectTexts(texts);
    const Frame frame = Draw(m_plain);
    EXPECT_EQ(frame.At(kX0 + 82, 15), kGrey) << "no status panel";
    EXPECT_EQ(frame.At(kW - 5, 224 + 8), kGrey) << "no banner";
}

TEST_F(HudRender, ScoreGainRisesAndFadesBesideTheRunner)
{
    LoadBoth();
    m_plain.Reset(0);
    m_plain.SetPlayerPosition(100, 150);
    m_plain.ShowScoreGain(205);
    // Fully visible: the digits right of the prefix, at 40 pixels' rise.
    Frame frame = Draw(m_plain);
    const int y = 150 - 20 + 40;
    const int prefix = 100 + 53;
    const int cells[4] = {0, 1 + 2, 1 + 0, 1 + 5};
    for (int i = 0; i < 4; ++i)
        for (int dx : {0, 6, 12}) {
            EXPECT_EQ(frame.At(prefix + kCell * i + dx, y), CellColour(cells[i])) << i;
            EXPECT_EQ(frame.At(prefix + kCell * i + dx, y + kCellH - 1), CellColour(cells[i])) << i;
        }
    EXPECT_EQ(frame.At(prefix - 1, y + 3), kGrey);
    EXPECT_EQ(frame.At(prefix + 4 * kCell, y + 3), kGrey);
    EXPECT_EQ(frame.At(prefix, y - 1), kGrey);
    EXPECT_EQ(frame.At(prefix, y + kCellH), kGrey);

    // Half a second later, at amount 0.4: drawn at 0.4 of its opacity,
    // 2 pixels further left and 24 higher.
    m_plain.Update(0.5f);
    ASSERT_TRUE(m_plain.IsScoreGainActive());
    const float a = m_plain.GetScoreGainAmount();
    ASSERT_NEAR(a, 0.4f, 1e-5f);
    const int opacity = int(a * 256.0f);
    frame = Draw(m_plain);
    const int x2 = prefix - int((1.0f - a) * 4.0f), y2 = 150 - 20 + int(a * 40.0f);
    EXPECT_EQ(x2, prefix - 2);
    for (int i = 0; i < 4; ++i) {
        const Color cell = CellColour(cells[i]);
        for (int c = 0; c < 3; ++c) {
            const int ground = 60, ink = int(cell >> (8 * c) & 0xFF);
            const Color got = frame.At(x2 + kCell * i + 5, y2 + 5);
            EXPECT_NEAR(int(got >> (8 * c) & 0xFF), ground + (ink - ground) * opacity / 255, 2) << i << "," << c;
        }
    }
    m_plain.Update(0.34f);
    EXPECT_FALSE(m_plain.IsScoreGainActive());
    EXPECT_EQ(Draw(m_plain).At(x2 + 5, y2 + 5), kGrey);

    // Nothing gained, or a loss: the prefix alone.
    for (int points : {0, -40}) {
        m_plain.ShowScoreGain(points);
        frame = Draw(m_plain);
        EXPECT_EQ(frame.At(prefix + 5, y + 5), CellColour(0));
        EXPECT_EQ(frame.At(prefix + kCell + 5, y + 5), kGrey);
    }
    // The level start hides it.
    m_plain.Reset(1);
    EXPECT_EQ(Draw(m_plain).At(prefix + 5, y + 5), kGrey);
}

TEST_F(HudRender, MissingImagesAreSkippedAndTheTextsStillShow)
{
    // No image at all.
    m_content.reset();
    m_content = std::make_unique<PresentationTest::ContentFolder>();
    LoadBoth();
    StartLevel(4);
    Both([](Hud& h) {
        h.SetPlayerPosition(10, 100);
        h.ShowScoreGain(5);
        h.SetClock(15 * 3600);
        h.Update(1.0f);
    });
    m_game.m_Score = 3;
    std::vector<Placed> texts = {{"1", kXr - 18, 9}, {"X", kXr - 25, 9}, {"3", kX0 + 88, 8}};
    AddScore(texts, "0000003");
    AddClock(texts, "15:00:00");
    texts.push_back({"IDS_SUBURBS", kW + 3 - 82, 224, false});
    texts.push_back({"3:00 PM", kW + 3 - 82, 224 + 16, false});
    ExpectTexts(texts);
    const Frame frame = Draw(m_plain);
    for (int y = 0; y < kH; y += 3)
        for (int x = 0; x < kW; x += 3) ASSERT_EQ(frame.At(x, y), kGrey) << x << "," << y;
}

}  // namespace
