// The credits script and the tutorial and pause overlay drawn for real
// through the GL batcher into off-screen targets and read back.
#include <gtest/gtest.h>

#include <string>

#include "engine/app/abstract_app.h"
#include "engine/app/display.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/presentation/script_player.h"
#include "game/presentation/tutorial_overlay.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/engine/text/text_test_support.h"
#include "tests/game/presentation/render_target.h"

namespace {

using PresentationTest::Frame;
using PresentationTest::RenderTarget;
using Voke::Color;
using Voke::MakeColor;

const Color kBlack = MakeColor(0, 0, 0);
const Color kGreen = MakeColor(0, 200, 0);

// ---------------------------------------------------------------- Credits

class CreditsRender : public RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        MakeTarget(480, 320);
        m_fonts = new Voke::Text::FontSet;
        m_fonts->Add("default", Voke::SmartPtr<Voke::FontEx>(Voke::Test::LoadBuiltFont("fontMenu.xml")));
        m_game.m_ScreenWidth = 480;
        m_game.m_ScreenHeight = 320;
        m_game.m_Fonts = m_fonts;
        m_player.SetOwner(&m_game);
    }

    // The text as the credits lay it out, drawn alone at (x, y).
    Frame Expected(const char* text, bool centred, int x, int y)
    {
        Voke::SmartPtr<Voke::ScreenText> laidOut(
            new Voke::ScreenText(WhiteText(m_fonts, centred), Voke::ToWideString(text), {480, 0}));
        Clear(kBlack);
        laidOut->Draw(m_target, x, y);
        return Read();
    }
    Frame Drawn()
    {
        Clear(kBlack);
        m_player.Draw(m_target);
        return Read();
    }

    Voke::SmartPtr<Voke::Text::FontSet> m_fonts;
    GameBase m_game;
    ScriptPlayer m_player;
};

TEST_F(CreditsRender, ScrollingMovesTheTextBySpeedTimesTime)
{
    m_content->Write("the_end.xml",
                     "<s><TextSimple text=\"Vexbolt credits\" xpos=\"10\" ypos=\"200\" time=\"0\"/>"
                     "<StartMovingUp speed=\"40\" time=\"2\"/><StopMovingUp time=\"1\"/><Wait time=\"1\"/></s>");
    m_player.LoadTheEnd();
    m_player.Reset();
    EXPECT_EQ(Drawn(), Expected("", false, 0, 0)) << "nothing before the start";
    m_player.Start();
    m_player.Update(0.0f);
    EXPECT_EQ(Drawn(), Expected("Vexbolt credits", false, 10, 200));
    m_player.Update(0.5f);
    EXPECT_EQ(Drawn(), Expected("Vexbolt credits", false, 10, 180));
    m_player.Update(1.0f);
    EXPECT_EQ(Drawn(), Expected("Vexbolt credits", false, 10, 140));
    m_player.Update(0.25f);
    EXPECT_EQ(Drawn(), Expected("Vexbolt credits", false, 10, 130));
    // Stopped at 2 s: back in place.
    m_player.Update(0.5f);
    EXPECT_EQ(m_player.GetScroll(), 0.0f);
    EXPECT_EQ(Drawn(), Expected("Vexbolt credits", false, 10, 200));
}

TEST_F(CreditsRender, PositionsAtTheEndsOfTheIntRangeDrawNothingAndNeverOverflow)
{
    m_content->Write("logo.png", Voke::Test::MakePngFile(6, 4, [](int, int) { return kGreen; }));
    m_content->Write("the_end.xml",
                     "<s><TextSimple text=\"Above\" xpos=\"10\" ypos=\"-2147483648\" time=\"0\"/>"
                     "<TextSimple text=\"Below\" xpos=\"10\" ypos=\"2147483647\" time=\"0\"/>"
                     "<TextSimple text=\"Right\" xpos=\"2147483647\" ypos=\"100\" time=\"0\"/>"
                     "<Gfx file=\"logo.png\" xpos=\"-2147483648\" ypos=\"-2147483648\" time=\"0\"/>"
                     "<TextSimple text=\"Vexbolt credits\" xpos=\"10\" ypos=\"200\" time=\"0\"/>"
                     "<StartMovingUp speed=\"-30\" time=\"1\"/><StartMovingUp speed=\"60\" time=\"1\"/></s>");
    m_player.LoadTheEnd();
    m_player.Reset();
    m_player.Start();
    m_player.Update(0.0f);
    EXPECT_EQ(Drawn(), Expected("Vexbolt credits", false, 10, 200));
    // Scrolling down (a negative speed), then up.
    m_player.Update(0.5f);
    EXPECT_EQ(Drawn(), Expected("Vexbolt credits", false, 10, 215));
    m_player.Update(1.5f);
    EXPECT_EQ(Drawn(), Expected("Vexbolt credits", false, 10, 125));
}

TEST_F(CreditsRender, CentredLinesSplashesAndClearScreen)
{
    m_content->Write("logo.png", Voke::Test::MakePngFile(6, 4, [](int, int) { return kGreen; }));
    m_content->Write("the_end.xml",
                     "<s><TextCenter text=\"The end\" ypos=\"100\" time=\"1\"/>"
                     "<Splash time=\"2\"/>"
                     "<ClearScreen time=\"0.5\"/>"
                     "<Gfx file=\"logo.png\" xpos=\"30\" ypos=\"40\" time=\"1\"/></s>");
    m_player.LoadTheEnd();
    m_player.Reset();
    m_player.Start();
    m_player.Update(0.5f);
    EXPECT_EQ(Drawn(), Expected("The end", true, 0, 100));

    // The flash: opaque white at once, half faded half a second later,
    // gone after a second; the text under it all the while.
    m_player.Update(0.5f);
    Frame frame = Drawn();
    EXPECT_EQ(frame.At(0, 0), MakeColor(255, 255, 255));
    EXPECT_EQ(frame.At(479, 319), MakeColor(255, 255, 255));
    m_player.Update(0.5f);
    frame = Drawn();
    EXPECT_NEAR(frame.Channel(5, 5, 0), 127, 1);
    EXPECT_NEAR(frame.Channel(470, 300, 2), 127, 1);
    m_player.Update(0.6f);
    EXPECT_EQ(Drawn(), Expected("The end", true, 0, 100));

    // The clear hides the text and the flash; the picture comes after it.
    m_player.Update(1.0f);
    frame = Drawn();
    EXPECT_EQ(frame, Expected("", false, 0, 0));
    m_player.Update(0.5f);
    frame = Drawn();
    EXPECT_EQ(frame.At(30, 40), kGreen);
    EXPECT_EQ(frame.At(35, 43), kGreen);
    EXPECT_EQ(frame.At(36, 43), kBlack);
    EXPECT_EQ(frame.At(29, 40), kBlack);
    EXPECT_EQ(frame.At(240, 105), kBlack) << "the text stays hidden";
    m_player.Stop();
    EXPECT_EQ(Drawn(), Expected("", false, 0, 0));
}

// ---------------------------------------------------------------- Overlay

class SizedSurface : public Voke::MaemoSurface {
public:
    SizedSurface(int width, int height) : MaemoSurface(width, height) {}
};

const Color kQuadrants[4] = {MakeColor(200, 0, 0), MakeColor(0, 0, 200), MakeColor(200, 200, 0),
                             MakeColor(0, 200, 200)};
const Color kButton = MakeColor(250, 250, 250);

class OverlayRender : public RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        MakeTarget(200, 120);
        m_app = new Voke::AbstractApp(0);
        m_window = new SizedSurface(200, 120);
        m_app->SetDisplay(new Voke::Display(m_window));
        m_overlay.SetOwner(&m_game);
    }
    void TearDown() override
    {
        m_content.reset();
        m_app.Reset();
        RenderTarget::TearDown();
    }
    void WritePictures()
    {
        // Four 2 x 2 quadrants, so that the filtered middles are pure.
        m_content->Write("tut-854x480.png", Voke::Test::MakePngFile(4, 4, [](int x, int y) {
                             return kQuadrants[(y / 2) * 2 + x / 2];
                         }));
        m_content->Write("tutorial-android-main-menu.png",
                         Voke::Test::MakePngFile(20, 10, [](int, int) { return kButton; }));
    }
    Frame Drawn()
    {
        Clear(kBlack);
        m_overlay.Draw(m_target);
        return Read();
    }
    bool AllBlack(const Frame& frame) const
    {
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x)
                if (frame.At(x, y) != kBlack) return false;
        return true;
    }

    Voke::SmartPtr<Voke::AbstractApp> m_app;
    Voke::SmartPtr<Voke::MaemoSurface> m_window;
    GameBase m_game;
    TutorialOverlay m_overlay;
};

TEST_F(OverlayRender, ThePictureCoversTheScreenAndTheButtonSitsCentred)
{
    WritePictures();
    m_overlay.Load();
    EXPECT_TRUE(AllBlack(Drawn())) << "hidden";

    m_overlay.Show(TutorialOverlay::kTutorial);
    Frame frame = Drawn();
    EXPECT_EQ(frame.At(20, 12), kQuadrants[0]);
    EXPECT_EQ(frame.At(180, 12), kQuadrants[1]);
    EXPECT_EQ(frame.At(20, 108), kQuadrants[2]);
    EXPECT_EQ(frame.At(180, 108), kQuadrants[3]);
    EXPECT_NE(frame.At(100, 28), kButton) << "no button on the tutorial";

    // The pause menu: the button centred, its top at 20 % of the height.
    m_overlay.Show(TutorialOverlay::kPause);
    frame = Drawn();
    EXPECT_EQ(frame.At(20, 12), kQuadrants[0]);
    EXPECT_EQ(frame.At(90, 24), kButton);
    EXPECT_EQ(frame.At(109, 33), kButton);
    EXPECT_NE(frame.At(89, 28), kButton);
    EXPECT_NE(frame.At(110, 28), kButton);
    EXPECT_NE(frame.At(100, 23), kButton);
    EXPECT_NE(frame.At(100, 34), kButton);

    // The window changes size: the button follows at the next draw.
    static_cast<SizedSurface*>(m_window.Get())->Resize(854, 480);
    Drawn();
    EXPECT_EQ(m_overlay.GetButtonX(), (854 - 20) / 2);
    EXPECT_EQ(m_overlay.GetButtonY(), 96);
    // And touches are tested against the new place (logical = window / 2).
    m_game.m_PointerScaleX = m_game.m_PointerScaleY = 0.5f;
    m_overlay.HandleTouches({{(417 + 2) / 2, 100 / 2}});
    EXPECT_EQ(m_overlay.GetTouchResult(), 1);
    EXPECT_TRUE(AllBlack(Drawn())) << "closed by the touch";
}

TEST_F(OverlayRender, WithoutItsPictureTheOverlayDrawsNothingAndStillCloses)
{
    m_content->Write("tutorial-android-main-menu.png",
                     Voke::Test::MakePngFile(20, 10, [](int, int) { return kButton; }));
    m_overlay.Load();
    m_overlay.Show(TutorialOverlay::kPause);
    EXPECT_TRUE(AllBlack(Drawn()));
    m_overlay.HandleTouches({{5, 5}});
    EXPECT_FALSE(m_overlay.IsActive());
    EXPECT_EQ(m_overlay.GetTouchResult(), 2);
}

}  // namespace
