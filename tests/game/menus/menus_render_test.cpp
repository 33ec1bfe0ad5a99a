// The main menu and its pages drawn for real through the GL batcher into a
// 480 x 320 off-screen target and read back, each driven through the menu's
// own input routing: opening, scrolling by keys, arrows and drags, closing;
// the exit dialog's yes and no; the endless page's level grid; the music and
// the intro sound against the sound switch; a menu whose pictures are all
// missing; and the game-over dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/audio/audio_asset.h"
#include "engine/audio/mixer.h"
#include "engine/core/asset_dict.h"
#include "engine/core/key_codes.h"
#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/core/vfs.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_ex.h"
#include "engine/text/font_set.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/core/language.h"
#include "game/menus/game_over_dialog.h"
#include "game/menus/main_menu.h"
#include "tests/engine/audio/audio_test_util.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/game/presentation/presentation_test_files.h"
#include "tests/game/presentation/render_target.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using Voke::Color;
using Voke::MakeColor;

constexpr int kW = 480;
constexpr int kH = 320;
const Color kGrey = MakeColor(60, 60, 60);

class FakeApp : public Voke::AbstractApp {
public:
    FakeApp() : AbstractApp(0) {}
    void Exit() override { ++exits; }
    int exits = 0;
};

// A whole target read back at once.
class Frame : public PresentationTest::Frame {
public:
    Frame(PresentationTest::Frame frame) : PresentationTest::Frame(std::move(frame)) {}
    // Pixels of the box x0 <= x < x1, y0 <= y < y1 for which `match` holds.
    int Count(int x0, int y0, int x1, int y1, const std::function<bool(Color)>& match) const
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += match(At(x, y)) ? 1 : 0;
        return n;
    }
};

bool White(Color c) { return Voke::ColorR(c) > 200 && Voke::ColorG(c) > 200 && Voke::ColorB(c) > 200; }
bool Red(Color c) { return Voke::ColorR(c) > 200 && Voke::ColorG(c) < 80 && Voke::ColorB(c) < 80; }
// The about page's lines, (191, 197, 240), at full coverage.
bool AboutInk(Color c) { return Voke::ColorB(c) > 200 && Voke::ColorR(c) > 150 && Voke::ColorR(c) < 220; }

// Solid pictures of the menu, each its own colour, so that every button can
// be found on the target.
struct Picture {
    const char* name;
    int w, h;
    Color colour;
};
const Picture kPictures[] = {
    {"main_menu_button_run.png", 100, 80, MakeColor(0, 255, 0)},  // overlaps the level column
    {"icon_krzyzyk.png", 20, 20, MakeColor(255, 0, 0)},
    {"main_menu_button_scores.png", 60, 20, MakeColor(0, 0, 255)},
    {"main_menu_button_about.png", 40, 20, MakeColor(255, 255, 0)},
    {"endless-mode-button.png", 80, 30, MakeColor(0, 255, 255)},
    {"more_games.png", 60, 20, MakeColor(255, 0, 255)},
    {"main_menu_koncowka_down.png", 20, 30, MakeColor(200, 200, 200)},
    {"main_menu_red_back.png", 60, 20, MakeColor(128, 0, 0)},
    {"icon_arrow_up.png", 16, 16, MakeColor(0, 128, 0)},
    {"icon_arrow_down.png", 16, 16, MakeColor(0, 0, 128)},
    {"endless-button-01.png", 150, 60, MakeColor(255, 128, 0)},
    {"endless-button-02.png", 150, 60, MakeColor(128, 255, 0)},
    {"endless-button-03.png", 150, 60, MakeColor(0, 128, 255)},
    {"endless-button-04.png", 150, 60, MakeColor(255, 0, 128)},
    {"endless-button-05.png", 150, 60, MakeColor(128, 0, 255)},
    {"endless-button-06.png", 150, 60, MakeColor(0, 255, 128)},
    {"gameover_restart.png", 150, 36, MakeColor(0, 200, 0)},
    {"gameover_back.png", 124, 28, MakeColor(0, 0, 200)},
    {"icon_facebook.png", 24, 24, MakeColor(50, 50, 255)},
    {"lampka.png", 10, 10, MakeColor(255, 255, 255)},
};

// The policeman's walk frame `i`, 12 x 24 of its own colour.
Color WalkColour(int i) { return MakeColor(uint8_t(100 + 5 * i), 20, 20); }

std::string Texts()
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<strings>\n";
    auto add = [&xml](const std::string& id, const std::string& text) {
        xml += "<string id=\"" + id + "\">" + text + "</string>\n";
    };
    for (int n = 1; n <= 37; ++n) add("IDS_ABOUT_LINE_" + std::to_string(n), n % 5 == 0 ? "-" : "About line " + std::to_string(n));
    add("IDS_MENU_HELP_ABOUT", "About");
    add("IDS_SCORES", "Scores");
    add("IDS_EXIT GAME", "Exit game?");
    add("IDS_YES", "Yes");
    add("IDS_NO", "No");
    add("IDS_ENDLESS_MODE", "Endless");
    add("IDS_GAME_OVER", "Game over");
    add("IDS_POINTS", "Points");
    add("IDS_DISTANCE", "Distance");
    add("IDS_COMPLETED", "Completed");
    return xml + "</strings>\n";
}

// Music, encoded once for every test that needs it.
const std::string& MusicFile()
{
    static std::string ogg;
    if (ogg.empty()) {
        VokeTest::TempDir dir;
        const std::string command = std::string(VOKE_OGG_ENCODER) + " " + (dir / "m.ogg") + " 2 22050 30000";
        if (std::system(command.c_str()) == 0) ogg = VokeTest::ReadAll(dir / "m.ogg");
    }
    return ogg;
}

class MenuRender : public PresentationTest::RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        m_app = new FakeApp;
        for (const char* font : {"fontMenu.xml", "fontMenu.png", "fontbig.xml", "fontbig.png"})
            m_content->Write(font, VokeTest::ReadAll(std::string(VEXBOLT_MENU_FONT_DIR) + "/" + font));
        m_content->Write("l10n/en.xml", Texts());
        if (m_withPictures) {
            for (const Picture& p : kPictures) {
                const Color c = p.colour;
                m_content->Write(p.name, Voke::Test::MakePngFile(p.w, p.h, [c](int, int) { return c; }));
            }
            for (int i = 0; i < MainMenu::kWalkFrames; ++i) {
                char name[32];
                std::snprintf(name, sizeof name, "policjant_idzie%04d.png", i);
                const Color c = WalkColour(i);
                m_content->Write(name, Voke::Test::MakePngFile(12, 24, [c](int, int) { return c; }));
            }
        }
        m_content->Write("music_main_menu.ogg", MusicFile());
        m_content->Write("gl_new_skladanie_napisu_2.wav",
                         PresentationTest::MakeWav(std::vector<int16_t>(4000, 1000)));
        SetLanguageCode("en");

        Voke::AbstractApp::s_textDict = new Voke::TextDict;
        ASSERT_TRUE(Voke::AbstractApp::s_textDict->Load("l10n/en.xml"));
        Voke::AbstractApp::s_registry = new Voke::Registry;
        Voke::AbstractApp::s_mixer =
            new Voke::Mixer(Voke::AudioFormat{2, 22050}, Voke::MixerConfig(), &Voke::test::NoDevice);

        m_game = std::make_unique<GameBase>();
        m_game->m_ScreenWidth = kW;
        m_game->m_ScreenHeight = kH;
        m_game->m_DefaultFont = Voke::GetCachedFont("fontMenu.xml");
        m_game->m_BigFont = Voke::GetCachedFont("fontbig.xml");
        m_game->m_Fonts = new Voke::Text::FontSet;
        m_game->m_Fonts->Add("default", m_game->m_DefaultFont);
        m_game->m_Fonts->Add("fontbig", m_game->m_BigFont);
        MakeTarget(kW, kH);

        m_menu = std::make_unique<MainMenu>();
        m_menu->SetContext(m_game.get());
        m_menu->Load();
        m_menu->Show();
    }
    void TearDown() override
    {
        m_menu.reset();
        m_game.reset();
        m_target.Reset();
        m_content.reset();
        m_app.Reset();
        RenderTarget::TearDown();
    }

    Voke::Mixer& Mixer() { return *Voke::AbstractApp::s_mixer; }

    // The menu past its intro with every button at rest.
    void SkipIntroAndSettle()
    {
        m_menu->OnKeyDown(Voke::KEY_A);
        m_menu->Update(3.0f);
    }
    // The menu, or any page or dialog, drawn on grey and read back.
    Frame Draw() { return Draw(*m_menu); }
    template <typename Page>
    Frame Draw(Page& page)
    {
        Clear(kGrey);
        page.Render(m_target);
        return Read();
    }
    Frame Read() { return RenderTarget::Read(); }
    void Tap(int x, int y)
    {
        m_menu->OnPointerPressAt(x, y);
        m_menu->OnPointerReleaseAt(x, y);
    }
    void Key(unsigned key)
    {
        m_menu->OnKeyDown(key);
        m_menu->OnKeyUp(key);
    }
    void Drag(int fromY, int toY)
    {
        m_menu->OnPointerDown({{240, fromY}});
        m_menu->OnPointerMove({{240, fromY + (toY - fromY) / 2}, {240, toY}});
        m_menu->OnPointerUp({});
    }
    // Every pixel of the rows y0 <= y < y1 (x0 <= x < x1) of `after` shows
    // what `before` showed `shift` rows lower.
    static void ExpectScrolled(const Frame& before, const Frame& after, int shift, int x0, int y0, int x1, int y1)
    {
        int differing = 0;
        for (int y = y0; y < y1 - shift; ++y)
            for (int x = x0; x < x1; ++x) differing += after.At(x, y) != before.At(x, y + shift) ? 1 : 0;
        EXPECT_EQ(differing, 0) << "shift " << shift;
    }

    bool m_withPictures = true;
    Voke::SmartPtr<FakeApp> m_app;
    std::unique_ptr<GameBase> m_game;
    std::unique_ptr<MainMenu> m_menu;
};

TEST_F(MenuRender, IntroWaitsForInputThenTheMenuSlidesIn)
{
    Frame intro = Draw();
    EXPECT_EQ(intro.At(5, 5), kGrey) << "no scene during the intro's first second";
    EXPECT_TRUE(m_menu->IsIntroActive());

    // A key only ends the intro: no focus move, no page, no activation.
    m_menu->OnKeyDown(Voke::KEY_SELECT);
    EXPECT_FALSE(m_menu->IsIntroActive());
    EXPECT_TRUE(m_menu->IsActive());
    EXPECT_EQ(m_menu->GetFocus(), MainMenu::kRunButton);
    EXPECT_FALSE(m_menu->GetScoresPage().IsActive());
    m_menu->Update(3.0f);

    Frame menu = Draw();
    EXPECT_EQ(menu.At(5, 5), MakeColor(80, 90, 143)) << "sky";
    EXPECT_EQ(menu.At(240, 230), MakeColor(0, 255, 0)) << "run, centred on 240";
    EXPECT_EQ(menu.At(413, 300), MakeColor(0, 0, 255)) << "scores";
    EXPECT_EQ(menu.At(420, 15), MakeColor(255, 255, 0)) << "about, left of the cross";
    EXPECT_EQ(menu.At(460, 20), kGrey) << "the exit cross is never drawn";
    EXPECT_EQ(menu.At(50, 298), MakeColor(0, 255, 255)) << "endless";
    EXPECT_EQ(menu.At(40, 20), MakeColor(255, 0, 255)) << "more games";
    EXPECT_EQ(menu.At(215, 300), MakeColor(200, 200, 200)) << "the panel's cap at rest";
    EXPECT_EQ(menu.At(350, 283), MakeColor(73, 73, 114)) << "the panel's top line";
    EXPECT_EQ(menu.At(350, 300), MakeColor(37, 38, 58)) << "the panel";
    EXPECT_LT(Voke::ColorR(menu.At(242, 60)), 40) << "the framed level buttons";
    EXPECT_GT(menu.Count(240, 58, 376, 75, White), 10) << "a level caption";

    // Mid-slide, the run button is still right of its place.
    m_menu->Show();
    m_menu->Update(0.1f);
    Frame sliding = Draw();
    EXPECT_NE(sliding.At(195, 230), MakeColor(0, 255, 0));
}

TEST_F(MenuRender, PolicemanWalksAcrossAndTheLampBlinks)
{
    SkipIntroAndSettle();
    // 3 s at 45 px/s from 520; the swing phase, past 1 twice, starts over
    // at frame 0, whose offsets are (41, 31).
    EXPECT_FLOAT_EQ(m_menu->GetPolicemanX(), 385.0f);
    EXPECT_EQ(m_menu->GetFrame(), 0);
    Frame frame = Draw();
    EXPECT_EQ(frame.At(385 + 41 + 6, 169 + 31 + 12), WalkColour(0));
    EXPECT_NE(frame.At(385 + 41 - 2, 169 + 31 + 12), WalkColour(0));
    const Color lamp = frame.At(220, 28);
    EXPECT_GT(Voke::ColorR(lamp), 60) << "the lamp at (215, 23)";

    m_menu->Update(0.5f);
    EXPECT_EQ(m_menu->GetFrame(), 15) << "half a cycle";
    EXPECT_EQ(Draw().At(int(m_menu->GetPolicemanX()) + 42 + 6, 169 + 31 + 12), WalkColour(15));

    // Off the left edge after about 10 s more, then back at W + 40.
    float previous = m_menu->GetPolicemanX();
    bool wrapped = false;
    for (int i = 0; i < 140; ++i) {
        m_menu->Update(0.1f);
        EXPECT_GE(m_menu->GetFrame(), 0);
        EXPECT_LT(m_menu->GetFrame(), MainMenu::kWalkFrames);
        const uint8_t opacity = m_menu->GetLampOpacity();
        EXPECT_GE(opacity, 10);
        EXPECT_LE(opacity, 250);
        if (m_menu->GetPolicemanX() > previous) {
            EXPECT_FLOAT_EQ(m_menu->GetPolicemanX(), 520.0f);
            EXPECT_LT(previous - 4.5f, -65.0f);
            wrapped = true;
        }
        previous = m_menu->GetPolicemanX();
    }
    EXPECT_TRUE(wrapped);
}

TEST_F(MenuRender, KeysCycleTheFocusAndHiddenLevelButtonsTakeNothing)
{
    SkipIntroAndSettle();
    for (int i = 0; i < 4; ++i) Key(Voke::KEY_RIGHT);
    EXPECT_EQ(m_menu->GetFocus(), 11);
    Key(Voke::KEY_RIGHT);
    EXPECT_EQ(m_menu->GetFocus(), 0) << "with the level buttons";
    Key(Voke::KEY_LEFT);
    EXPECT_EQ(m_menu->GetFocus(), 11);

    // A press where the run button and level button 5 overlap picks the
    // lower index while the level buttons are shown...
    Tap(260, 210);
    EXPECT_FALSE(m_menu->IsActive());
    EXPECT_EQ(m_menu->m_ChosenLevel, 5);
    EXPECT_FALSE(m_menu->GetMusicChannel().GetCell() && Mixer().IsPlaying(m_menu->GetMusicChannel()));

    // ...and the run button once they are hidden.
    m_menu->m_LevelSelect = false;
    m_game->m_Endless = true;
    m_menu->Show();
    EXPECT_EQ(m_menu->m_ChosenLevel, -1);
    m_menu->Update(3.0f);
    Frame hidden = Draw();
    EXPECT_EQ(hidden.At(242, 60), kGrey) << "level buttons not drawn";
    Key(Voke::KEY_LEFT);
    EXPECT_EQ(m_menu->GetFocus(), 6);
    Key(Voke::KEY_LEFT);
    EXPECT_EQ(m_menu->GetFocus(), 11);
    Key(Voke::KEY_RIGHT);
    EXPECT_EQ(m_menu->GetFocus(), 6);
    Tap(300, 60);
    EXPECT_TRUE(m_menu->IsActive()) << "a hidden level button";
    Tap(260, 210);
    EXPECT_FALSE(m_menu->IsActive());
    EXPECT_EQ(m_menu->m_ChosenLevel, -1);
    EXPECT_FALSE(m_game->m_Endless) << "the run button starts a normal run";

    // The exit cross answers keys only; back opens the dialog too.
    m_menu->Show();
    Tap(460, 20);
    EXPECT_FALSE(m_menu->GetExitDialog().IsActive());
    Key(Voke::KEY_RIGHT);
    Key(Voke::KEY_RIGHT);
    EXPECT_EQ(m_menu->GetFocus(), MainMenu::kExitButton);
    Key(Voke::KEY_SELECT);
    EXPECT_TRUE(m_menu->GetExitDialog().IsActive());
    Key(Voke::KEY_SELECT);  // the dialog's focused "no"
    EXPECT_FALSE(m_menu->GetExitDialog().IsActive());
    Key(Voke::KEY_BACK);
    EXPECT_TRUE(m_menu->GetExitDialog().IsActive());

    // More games: collected once, and a later press on the menu clears an
    // uncollected click.
    m_menu->GetExitDialog().Hide();
    Tap(40, 20);
    EXPECT_TRUE(m_menu->IsActive());
    EXPECT_TRUE(m_menu->TakeMoreGamesClick());
    EXPECT_FALSE(m_menu->TakeMoreGamesClick());
    Tap(40, 20);
    Tap(5, 200);
    EXPECT_FALSE(m_menu->TakeMoreGamesClick());
}

TEST_F(MenuRender, AboutPageScrollsByKeysArrowsAndDragsWithinItsWindow)
{
    SkipIntroAndSettle();
    Tap(420, 15);
    ASSERT_TRUE(m_menu->GetAboutPage().IsVisible());
    AboutPopup& about = m_menu->GetAboutPage();
    const Frame top = Draw();
    EXPECT_EQ(top.At(240, 236), top.At(240, 240)) << "no run button while a page is open";
    EXPECT_GT(top.Count(60, 110, 410, 233, AboutInk), 100) << "lines in the window";
    EXPECT_EQ(top.Count(40, 92, 440, 110, AboutInk), 0) << "nothing above the window";
    EXPECT_EQ(top.Count(40, 233, 440, 275, AboutInk), 0) << "nothing below it";
    EXPECT_GT(top.Count(40, 45, 440, 91, White), 20) << "the title";
    EXPECT_EQ(top.At(240, 256), MakeColor(128, 0, 0)) << "the close button, 9 above the panel's bottom";
    EXPECT_EQ(top.At(422, 135), MakeColor(0, 128, 0)) << "the up arrow, two margins below the title";
    EXPECT_EQ(top.At(422, 208), MakeColor(0, 0, 128)) << "the down arrow";

    Key(Voke::KEY_DOWN);
    EXPECT_EQ(about.GetScroll(), 96);
    ExpectScrolled(top, Draw(), 96, 60, 110, 410, 233);
    for (int expected : {192, 288, 384, 480, 545}) {
        Key(Voke::KEY_DOWN);
        EXPECT_EQ(about.GetScroll(), expected);
    }
    Key(Voke::KEY_UP);
    EXPECT_EQ(about.GetScroll(), 449);

    // Drags stop at the language's limit; the keys at 545.
    Drag(300, 100);
    EXPECT_EQ(about.GetScroll(), 585);
    Key(Voke::KEY_DOWN);
    EXPECT_EQ(about.GetScroll(), 545);
    Drag(100, 400);
    Drag(100, 400);
    EXPECT_EQ(about.GetScroll(), 0);
    Drag(250, 213);
    EXPECT_EQ(about.GetScroll(), 37);
    ExpectScrolled(top, Draw(), 37, 60, 110, 410, 233);
    SetLanguageCode("xx");
    Drag(400, 0);
    Drag(400, 0);
    EXPECT_EQ(about.GetScroll(), 837) << "no upper limit outside the five languages";
    SetLanguageCode("en");

    // The arrows scroll like the keys.
    Tap(422, 208);
    EXPECT_EQ(about.GetScroll(), 545);
    Tap(422, 135);
    EXPECT_EQ(about.GetScroll(), 449);

    // Close, and each opening starts from the top.
    Tap(240, 256);
    EXPECT_FALSE(about.IsVisible());
    EXPECT_EQ(Draw().At(240, 230), MakeColor(0, 255, 0));
    Tap(420, 15);
    EXPECT_EQ(about.GetScroll(), 0);
    Key(Voke::KEY_SPACE);
    EXPECT_FALSE(about.IsVisible()) << "the focused close button";
}

TEST_F(MenuRender, ScoresPageShowsTheTableAsOfItsOpening)
{
    for (int i = 0; i < 10; ++i) m_menu->AddScore(ScoreRecord{100 * i, 7 * i, i == 3 ? 1 : 0});
    SkipIntroAndSettle();
    Tap(413, 300);
    ScoresPopup& scores = m_menu->GetScoresPage();
    ASSERT_TRUE(scores.IsActive());
    const Frame top = Draw();
    EXPECT_GT(top.Count(112, 115, 350, 225, White), 200) << "lines in the window";
    EXPECT_EQ(top.Count(96, 226, 384, 240, White), 0) << "clipped below";
    EXPECT_EQ(top.Count(96, 102, 384, 115, White), 0) << "clipped above";
    EXPECT_EQ(top.Count(96, 105, 112, 225, White), 0) << "lines start 16 pixels in";

    // Drags and keys within 0..86.
    Drag(220, 20);
    EXPECT_EQ(scores.GetScroll(), 86);
    ExpectScrolled(top, Draw(), 86, 100, 115, 350, 225);
    Drag(20, 26);
    EXPECT_EQ(scores.GetScroll(), 80);
    Key(Voke::KEY_DOWN);
    EXPECT_EQ(scores.GetScroll(), 86);
    Drag(20, 101);
    EXPECT_EQ(scores.GetScroll(), 5);
    Key(Voke::KEY_UP);
    EXPECT_EQ(scores.GetScroll(), 0);

    // A tap on an arrow scrolls at once; its mark stays, so a later key
    // takes the arrow's step again.
    Tap(362, 219);
    EXPECT_EQ(scores.GetScroll(), 12);
    Key(Voke::KEY_A);
    EXPECT_EQ(scores.GetScroll(), 24);
    Tap(362, 134);
    EXPECT_EQ(scores.GetScroll(), 12);
    Key(Voke::KEY_UP);
    EXPECT_EQ(scores.GetScroll(), 0);

    // A run added while the page is open shows from the next opening.
    const Frame before = Draw();
    m_menu->AddScore(ScoreRecord{99999, 99999, 0});
    const Frame same = Draw();
    EXPECT_EQ(same.Count(96, 115, 384, 225, White), before.Count(96, 115, 384, 225, White));
    Tap(240, 251);
    EXPECT_FALSE(scores.IsActive());
    Tap(413, 300);
    EXPECT_EQ(scores.GetScroll(), 0) << "the scroll survives closing";
    EXPECT_NE(Draw().Count(96, 115, 384, 225, White), before.Count(96, 115, 384, 225, White));

    // The table reaches the game in its byte form through the menu.
    uint8_t bytes[kScoreTableBytes];
    m_menu->GetScoresTable(bytes, kScoreTableBytes);
    EXPECT_EQ(bytes[8], 1) << "the completed run ranks first";
    EXPECT_EQ(bytes[12], 0x9F) << "then 99999 metres";
    std::memset(bytes, 0, sizeof bytes);
    m_menu->SetScoresTable(bytes, kScoreTableBytes);
    EXPECT_EQ(scores.GetRecord(0).points, 0);
}

TEST_F(MenuRender, ScoreLinesEndLeftOfTheArrowsWhateverTheFigures)
{
    // A hand-edited table at the ends of the int range.
    ScoreRecord table[kScoreRecords];
    for (int32_t k = 0; k < kScoreRecords; ++k)
        table[k] = k % 2 ? ScoreRecord{INT32_MIN, INT32_MIN, 0} : ScoreRecord{INT32_MAX, INT32_MAX, k % 4 ? 0 : 1};
    uint8_t bytes[kScoreTableBytes];
    EncodeScoreTable(table, bytes);
    m_menu->SetScoresTable(bytes, kScoreTableBytes);
    SkipIntroAndSettle();
    Tap(413, 300);
    ASSERT_TRUE(m_menu->GetScoresPage().IsActive());
    // The arrows (16 px here) stand 13 px in from the panel's right edge.
    for (int scroll : {0, 86}) {
        Drag(120, 120 - scroll);
        const Frame frame = Draw();
        EXPECT_GT(frame.Count(112, 115, 355, 225, White), 200) << scroll;
        EXPECT_EQ(frame.Count(353, 115, 384, 225, White), 0) << scroll;
    }
}

TEST_F(MenuRender, ExitDialogAsksAndOnlyYesQuits)
{
    SkipIntroAndSettle();
    ExitDialog& dialog = m_menu->GetExitDialog();
    Key(Voke::KEY_BACK);
    ASSERT_TRUE(dialog.IsActive());
    EXPECT_EQ(dialog.GetSelected(), 1) << "no is chosen first";
    Frame asked = Draw();
    EXPECT_GT(asked.Count(250, 168, 346, 198, Red), 5) << "the focused no, in red";
    EXPECT_EQ(asked.Count(140, 168, 236, 198, Red), 0);
    EXPECT_GT(asked.Count(140, 168, 236, 198, White), 5) << "yes in white";
    EXPECT_GT(asked.Count(96, 96, 384, 145, White), 20) << "the title";
    EXPECT_EQ(asked.Count(140, 178, 200, 198, [](Color c) { return c == MakeColor(128, 0, 0); }), 0)
        << "the picture that places the buttons is not drawn";

    // The focused caption blinks; a move restarts the blink on the other.
    m_menu->Update(0.15f);
    EXPECT_EQ(Draw().Count(250, 168, 346, 198, Red), 0) << "hidden phase";
    Key(Voke::KEY_RIGHT);
    EXPECT_EQ(dialog.GetSelected(), 0);
    Frame yes = Draw();
    EXPECT_GT(yes.Count(140, 168, 236, 198, Red), 5);
    Key(Voke::KEY_LEFT);
    EXPECT_EQ(dialog.GetSelected(), 1);

    Key(Voke::KEY_SELECT);
    EXPECT_FALSE(dialog.IsActive());
    EXPECT_EQ(m_app->exits, 0);
    dialog.OnKeyDown(Voke::KEY_SELECT);
    dialog.OnPointerPressAt(150, 185);
    EXPECT_EQ(m_app->exits, 0) << "a closed dialog ignores input";

    // The choice survives closing; a touch on yes quits whatever the focus.
    Key(Voke::KEY_PSP_CIRCLE);
    Key(Voke::KEY_RIGHT);
    Tap(260, 185);
    EXPECT_FALSE(dialog.IsActive());
    Key(Voke::KEY_BACK);
    EXPECT_EQ(dialog.GetSelected(), 0);
    Key(Voke::KEY_LEFT);
    Tap(150, 185);
    EXPECT_EQ(m_app->exits, 1);
    EXPECT_TRUE(dialog.IsActive()) << "the dialog stays until the program ends";
}

TEST_F(MenuRender, EndlessPageShowsTheGridAndStartsTheChosenLevel)
{
    Voke::AbstractApp::s_registry->Set("/endless/scores/level03", 1234);
    SkipIntroAndSettle();
    Tap(50, 298);
    EndlessMenu& endless = m_menu->GetEndlessPage();
    ASSERT_TRUE(endless.IsActive());
    Frame grid = Draw();
    // Two columns of three, 16 pixels apart, then back below the grid.
    const int xs[2] = {81, 247}, ys[3] = {69, 145, 221};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(grid.At(xs[i / 3] + 5, ys[i % 3] + 5), kPictures[10 + i].colour) << "level " << i + 1;
    EXPECT_EQ(grid.At(240, 307), MakeColor(128, 0, 0)) << "back";
    const int level3Digits = grid.Count(81 + 100, 221 + 40, 81 + 150, 221 + 60, White);
    const int level1Digits = grid.Count(81 + 100, 69 + 40, 81 + 150, 69 + 60, White);
    EXPECT_GT(level3Digits, level1Digits) << "1234 against 0, in the lower right corners";
    EXPECT_GT(level1Digits, 0);

    // A score saved meanwhile shows from the next opening.
    Voke::AbstractApp::s_registry->Set("/endless/scores/level01", 88888);
    EXPECT_EQ(Draw().Count(181, 109, 231, 129, White), level1Digits);

    EXPECT_EQ(endless.GetSelected(), EndlessMenu::kBackIndex);
    Key(Voke::KEY_LEFT);
    EXPECT_EQ(endless.GetSelected(), 5);
    Key(Voke::KEY_RIGHT);
    Key(Voke::KEY_RIGHT);
    EXPECT_EQ(endless.GetSelected(), 0);
    Key(Voke::KEY_PSP_CROSS);
    EXPECT_FALSE(endless.IsActive());
    EXPECT_FALSE(m_menu->IsActive()) << "level 1 chosen";
    EXPECT_TRUE(m_game->m_Endless);
    EXPECT_EQ(m_game->m_EndlessLevel, 0);

    m_menu->Show();
    m_game->m_Endless = false;
    Tap(50, 298);
    EXPECT_GT(Draw().Count(181, 109, 231, 129, White), level1Digits);
    Tap(240, 307);
    EXPECT_FALSE(endless.IsActive());
    EXPECT_TRUE(m_menu->IsActive()) << "back only closes the page";
    EXPECT_FALSE(m_game->m_Endless);

    // A press chooses whatever has the focus: level 3.
    Tap(50, 298);
    Tap(100, 250);
    EXPECT_FALSE(m_menu->IsActive());
    EXPECT_TRUE(m_game->m_Endless);
    EXPECT_EQ(m_game->m_EndlessLevel, 2);
}

TEST_F(MenuRender, MusicLoopsOnItsOwnChannelAndTheIntroSoundObeysTheSwitch)
{
    Voke::WeakPtr<Voke::AudioChannel> music = m_menu->GetMusicChannel();
    ASSERT_TRUE(Mixer().IsPlaying(music));
    EXPECT_EQ(Mixer().GetChannelCount(), 1);
    m_menu->Update(0.6f);
    EXPECT_EQ(Mixer().GetChannelCount(), 1);
    m_menu->Update(0.1f);
    EXPECT_EQ(Mixer().GetChannelCount(), 2) << "the intro sound at 0.65 s";
    m_menu->Update(1.0f);
    EXPECT_EQ(Mixer().GetChannelCount(), 2) << "once";
    Mixer().StopAll();

    // The credits play the same music; leaving and showing the menu starts
    // the menu's own channel and leaves theirs alone.
    Voke::SmartPtr<Voke::AudioSource> shared =
        Voke::GetCachedSound(*Voke::AssetDict::s_engine, "music_main_menu.ogg@cache", true);
    Voke::WeakPtr<Voke::AudioChannel> credits = Mixer().Play(shared, true, true);
    Voke::test::ReadSamples(&Mixer(), 8192);
    m_menu->Deactivate();
    m_menu->Show();
    ASSERT_TRUE(Mixer().IsPlaying(credits));
    ASSERT_TRUE(Mixer().IsPlaying(m_menu->GetMusicChannel()));
    EXPECT_EQ(Mixer().GetChannelCount(), 2);
    m_menu->Show();
    EXPECT_EQ(Mixer().GetChannelCount(), 2) << "one menu music at a time";
    Voke::test::ReadSamples(&Mixer(), 8192);
    EXPECT_TRUE(Mixer().IsPlaying(credits));
    m_menu->Deactivate();
    EXPECT_FALSE(Mixer().IsPlaying(m_menu->GetMusicChannel()));
    EXPECT_TRUE(Mixer().IsPlaying(credits));
    Mixer().StopAll();

    // With the sound switch off the music still plays, the intro sound not;
    // an intro ended before 0.65 s never plays it.
    for (bool skip : {false, true}) {
        MainMenu menu;
        m_game->m_SoundOn = !skip ? false : true;
        menu.SetContext(m_game.get());
        menu.Load();
        menu.Show();
        EXPECT_EQ(Mixer().GetChannelCount(), 1);
        EXPECT_EQ(menu.m_SoundOn, m_game->m_SoundOn);
        if (skip) {
            menu.Update(0.3f);
            menu.OnPointerPressAt(0, 0);
        }
        menu.Update(1.0f);
        EXPECT_EQ(Mixer().GetChannelCount(), 1) << (skip ? "skipped" : "switched off");
        menu.Deactivate();
        menu.Release();
    }
}

class MenuWithoutPictures : public MenuRender {
protected:
    MenuWithoutPictures() { m_withPictures = false; }
};

TEST_F(MenuWithoutPictures, EveryPageStillOpensDrawsAndCloses)
{
    EXPECT_EQ(m_menu->GetButton(MainMenu::kRunButton).GetWidth(), 0);
    m_menu->Update(2.0f);
    Draw();  // the intro without its strips
    SkipIntroAndSettle();
    Frame menu = Draw();
    EXPECT_EQ(menu.At(5, 5), MakeColor(80, 90, 143));
    EXPECT_EQ(menu.At(350, 300), kGrey) << "the panel takes the missing cap's height, 0";
    Tap(240, 270);  // the run button's place, 0 x 0
    EXPECT_FALSE(m_menu->IsActive());
    m_menu->Show();
    m_menu->Update(3.0f);
    for (int page : {MainMenu::kAboutButton, MainMenu::kScoresButton, MainMenu::kExitButton,
                     MainMenu::kEndlessButton}) {
        while (m_menu->GetFocus() != page) Key(Voke::KEY_RIGHT);
        Key(Voke::KEY_SELECT);
        m_menu->Update(0.1f);
        Frame open = Draw();
        EXPECT_GT(open.Count(40, 0, 440, 150, White), 20) << "the page's title, page " << page;
        Key(Voke::KEY_DOWN);
        Key(page == MainMenu::kEndlessButton ? Voke::KEY_SELECT : Voke::KEY_BACK);
        if (m_menu->GetExitDialog().IsActive() || m_menu->GetAboutPage().IsVisible() ||
            m_menu->GetScoresPage().IsActive())
            Key(Voke::KEY_SELECT);
        EXPECT_TRUE(m_menu->IsActive());
        m_menu->GetAboutPage().Hide();
        m_menu->GetScoresPage().Hide();
        m_menu->GetExitDialog().Hide();
        m_menu->GetEndlessPage().Hide();
    }
}

TEST_F(MenuRender, GameOverDialogStacksItsLinesAndReportsTheChoice)
{
    GameOverDialog dialog;
    dialog.SetOwner(m_game.get());
    dialog.Load();
    auto draw = [&]() { return Draw(dialog); };
    // Rows holding the line ink, and the ink's width in the first and the
    // last of them.
    auto inkRows = [](const Frame& f, int& first, int& last) {
        first = last = -1;
        for (int y = 140; y < 240; ++y)
            if (f.Count(72, y, 408, y + 1, White) > 0) {
                if (first < 0) first = y;
                last = y;
            }
    };
    EXPECT_EQ(draw().At(240, 160), kGrey) << "closed";
    dialog.SetLine5(L"I");
    dialog.Show();
    int first, last;
    Frame alone = draw();
    inkRows(alone, first, last);
    EXPECT_GE(first, 140) << "the first row starts at top + 60";
    EXPECT_LT(last, 140 + dialog.GetLine(5)->height) << "unset lines take no space";

    const Voke::WideString wide = L"WWWWWWWWWWWW";
    dialog.SetLine1(wide);
    dialog.SetLine2(wide);
    dialog.SetLine3(L"I");
    dialog.SetLine4(wide);
    dialog.SetLine5(L"I");
    const int h = dialog.GetLine(1)->height;
    Frame all = draw();
    int allFirst, allLast;
    inkRows(all, allFirst, allLast);
    EXPECT_EQ(allFirst, first) << "line 3 on top";
    EXPECT_EQ(allLast, last + 4 * h) << "line 5 four rows lower, without gaps";
    EXPECT_LT(all.Count(72, allFirst, 408, allFirst + 1, White), 6) << "the narrow line 3 first";
    EXPECT_GT(all.Count(72, allFirst + h, 408, allFirst + h + 4, White), 20) << "then line 4";

    // The bar slides in from 530 to 210 within a quarter second.
    EXPECT_EQ(all.At(250, 300), kGrey) << "the bar starts off screen";
    dialog.Update(0.25f);
    Frame bar = draw();
    EXPECT_EQ(bar.At(215, 300), MakeColor(200, 200, 200)) << "the cap";
    EXPECT_EQ(bar.At(250, 300), MakeColor(37, 38, 58));
    EXPECT_EQ(bar.At(250, 283), MakeColor(73, 73, 114));
    dialog.Update(5.0f);
    Frame rest = draw();
    EXPECT_EQ(rest.At(240, 257), MakeColor(0, 200, 0)) << "restart at rest";
    EXPECT_EQ(rest.At(400, 296), MakeColor(0, 0, 200)) << "back at rest";
    EXPECT_EQ(rest.Count(88, 206, 112, 230, [](Color c) { return c == MakeColor(50, 50, 255); }), 0)
        << "the third button is not drawn";

    EXPECT_EQ(dialog.GetChoice(), 3);
    dialog.OnPointerPressAt(100, 218);
    EXPECT_EQ(dialog.GetChoice(), 3) << "the third button is never pressed";
    dialog.OnKeyDown(Voke::KEY_SELECT);
    dialog.OnKeyUp(Voke::KEY_SELECT);
    EXPECT_EQ(dialog.GetChoice(), 3) << "a press and release before the update";
    dialog.OnKeyDown(Voke::KEY_SPACE);
    EXPECT_EQ(dialog.GetChoice(), 0);
    dialog.OnKeyUp(Voke::KEY_SPACE);
    dialog.OnKeyDown(Voke::KEY_RIGHT);
    EXPECT_EQ(dialog.GetSelection(), 1);
    dialog.OnKeyDown(Voke::KEY_PSP_CROSS);
    EXPECT_EQ(dialog.GetChoice(), 1);
    dialog.OnPointerPressAt(240, 257);
    EXPECT_EQ(dialog.GetChoice(), 0);
    dialog.OnPointerPressAt(400, 296);
    EXPECT_EQ(dialog.GetChoice(), 1);
    dialog.Hide();
    dialog.OnPointerPressAt(240, 257);
    EXPECT_EQ(dialog.GetChoice(), 1) << "a closed dialog ignores presses";
    dialog.Release();
}

// The about page with the game's own texts, font and pictures, in each of
// the five languages.
class AboutContent : public PresentationTest::RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        ASSERT_NE(Voke::Vfs::MountPak(VXB_DATA_PAK, "", Voke::VfsMount::FallThrough), nullptr);
        ASSERT_NE(Voke::Vfs::MountPak(VXB_ATLAS_PAK, "", Voke::VfsMount::FallThrough), nullptr);
        // The page holding the arrows.
        ASSERT_TRUE(Voke::AssetDict::s_engine->LoadAtlas("ab02.xml"));
        m_game.m_ScreenWidth = kW;
        m_game.m_ScreenHeight = kH;
        m_game.m_DefaultFont = Voke::GetCachedFont("fontMenu.xml");
        m_game.m_BigFont = Voke::GetCachedFont("fontbig.xml");
        m_game.m_Fonts = new Voke::Text::FontSet;
        m_game.m_Fonts->Add("default", m_game.m_DefaultFont);
        m_game.m_Fonts->Add("fontbig", m_game.m_BigFont);
        MakeTarget(kW, kH);
    }
    void TearDown() override
    {
        Voke::AbstractApp::s_textDict.Reset();
        SetLanguageCode("en");
        RenderTarget::TearDown();
    }
    // The page laid out from the texts in `file` for the language `code`,
    // open at the top.
    void Open(AboutPopup& page, const char* code, const char* file)
    {
        SetLanguageCode(code);
        Voke::AbstractApp::s_textDict = new Voke::TextDict;
        ASSERT_TRUE(Voke::AbstractApp::s_textDict->Load(file));
        page.SetOwner(&m_game);
        page.Load();
        page.Show();
    }
    Frame Draw(AboutPopup& page)
    {
        Clear(kGrey);
        page.Render(m_target);
        return Frame(Read());
    }
    // The lowest row of the text window (y 110 to 232) with text in it left
    // of the arrows, which draw their own light pixels; 0 when it shows none.
    static int LastInkRow(AboutPopup& page, const Frame& frame)
    {
        for (int y = 232; y >= 110; --y)
            if (frame.Count(40, y, page.GetUpButton().GetX(), y + 1, AboutInk) > 0) return y;
        return 0;
    }

    GameBase m_game;
};

// The game's language codes and the files of their texts.
const std::pair<const char*, const char*> kAboutLanguages[] = {
    {"en", "l10n/en.xml"}, {"fr", "l10n/fr.xml"}, {"it", "l10n/it.xml"}, {"gr", "l10n/de.xml"}, {"es", "l10n/es.xml"}};

// Scrolled to its limits, the Down key's and the language's drag limit: at
// the key limit the last line stands at the bottom of the text window; at
// the drag limit the window still shows the last lines.
TEST_F(AboutContent, EveryLanguageShowsItsLastLinesAtTheScrollLimits)
{
    for (const auto& [code, file] : kAboutLanguages) {
        SCOPED_TRACE(code);
        AboutPopup page;
        ASSERT_NO_FATAL_FAILURE(Open(page, code, file));
        for (int i = 0; i < 6; ++i) page.OnKeyDown(Voke::KEY_DOWN);
        ASSERT_EQ(page.GetScroll(), AboutPopup::kKeyScrollLimit);
        const int keyEnd = LastInkRow(page, Draw(page));
        EXPECT_GE(keyEnd, 233 - 15) << "the last line at the bottom of the window";

        page.OnPointerDown({{240, 300}});
        page.OnPointerMove({{240, -1000}});
        const int limit = AboutPopup::DragLimit(code);
        ASSERT_EQ(page.GetScroll(), limit);
        const Frame end = Draw(page);
        EXPECT_EQ(LastInkRow(page, end), keyEnd - (limit - AboutPopup::kKeyScrollLimit)) << "the same last line";
        EXPECT_GE(LastInkRow(page, end), 110 + 2 * 14) << "at least the last two lines show";
        page.Release();
    }
}

// At every scroll from the top to the language's drag limit, one pixel at a
// time, no line draws into the rectangle of either arrow. The arrows are
// drawn there themselves, so each rectangle is compared with the page drawn
// with every line blank.
TEST_F(AboutContent, NoLineRunsUnderTheArrowsAtAnyScroll)
{
    std::string blank = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<strings>\n";
    for (int n = 1; n <= AboutPopup::kLines; ++n)
        blank += "<string id=\"IDS_ABOUT_LINE_" + std::to_string(n) + "\">-</string>\n";
    m_content->Write("l10n/blank.xml", blank + "</strings>\n");
    struct Box {
        int x, y, w, h;
    };
    AboutPopup empty;
    ASSERT_NO_FATAL_FAILURE(Open(empty, "en", "l10n/blank.xml"));
    const Frame bare = Draw(empty);
    ASSERT_EQ(bare.Count(40, 110, 400, 233, AboutInk), 0) << "no lines";
    auto boxOf = [](const Button& b) { return Box{b.GetX(), b.GetY(), b.GetWidth(), b.GetHeight()}; };
    const Box arrows[2] = {boxOf(empty.GetUpButton()), boxOf(empty.GetDownButton())};
    for (const Box& box : arrows) ASSERT_GT(box.w * box.h, 0) << "the arrow pictures";
    empty.Release();

    for (const auto& [code, file] : kAboutLanguages) {
        SCOPED_TRACE(code);
        AboutPopup page;
        ASSERT_NO_FATAL_FAILURE(Open(page, code, file));
        const int limit = AboutPopup::DragLimit(code);
        // Per arrow: the scrolls at which text falls inside it, the first of
        // them, and how far in from the rectangle's left edge it reaches.
        int hits[2] = {0, 0}, first[2] = {-1, -1}, depth[2] = {0, 0};
        page.OnPointerDown({{240, 0}});
        for (int scroll = 0; scroll <= limit; ++scroll) {
            if (scroll > 0) page.OnPointerMove({{240, -scroll}});
            ASSERT_EQ(page.GetScroll(), scroll);
            const Frame frame = Draw(page);
            for (int a = 0; a < 2; ++a) {
                const Box& box = arrows[a];
                int reach = 0;
                for (int y = box.y; y < box.y + box.h; ++y)
                    for (int x = box.x; x < box.x + box.w; ++x)
                        if (frame.At(x, y) != bare.At(x, y)) reach = std::max(reach, x - box.x + 1);
                if (reach == 0) continue;
                if (hits[a]++ == 0) first[a] = scroll;
                depth[a] = std::max(depth[a], reach);
            }
        }
        EXPECT_EQ(hits[0], 0) << "under the up arrow from scroll " << first[0] << ", " << depth[0] << " px in";
        EXPECT_EQ(hits[1], 0) << "under the down arrow from scroll " << first[1] << ", " << depth[1] << " px in";
        page.Release();
    }
}

}  // namespace
