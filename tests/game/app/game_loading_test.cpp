// From the splash to the main menu with the built game archives: the splash,
// the language flags and their hit test, the languages' files, the load
// steps on the loader thread and, without one, on the main thread, the
// percentage, and leaving the game while it loads.
#include <unistd.h>

#include <set>

#include "engine/graphics/asset_surfaces.h"
#include "engine/text/font_set.h"
#include "engine/text/screen_text.h"
#include "game/core/language.h"
#include "tests/game/app/game_harness.h"

namespace {

using VokeTest::GameHarness;

class GameLoadingTest : public GameHarness {};

TEST_F(GameLoadingTest, SplashFadesForThreeSecondsThenTheFlagsWait)
{
    EXPECT_EQ(m_game->GetMode(), GameMode::Start);
    Step(1.0f);
    EXPECT_EQ(m_game->GetMode(), GameMode::Start) << "nothing happens before Init";
    Init();
    ASSERT_EQ(m_game->GetMode(), GameMode::Splash);

    Voke::SmartPtr<Voke::Surface> logo = Voke::GetCachedSurface("ostrel_logo.png", false);
    ASSERT_TRUE(logo);
    // No batcher here: the overlay sets the logo's opacity and draws nothing.
    Voke::SmartPtr<Voke::Surface> window = new Voke::Surface(800, 480, Voke::RGBA8888);
    m_game->RenderOverlay(window);
    EXPECT_EQ(logo->GetOpacity(), 0);
    Step(1.5f);
    m_game->RenderOverlay(window);
    EXPECT_GE(logo->GetOpacity(), 254) << "full at 1.5 s, as the float sine falls";
    // A tap where the English flag will be goes nowhere during the splash.
    const int32_t englishX = 125, englishY = 120;
    Tap(englishX, englishY);
    Step(1.49f);
    EXPECT_EQ(m_game->GetMode(), GameMode::Splash);
    m_game->RenderOverlay(window);
    EXPECT_LT(logo->GetOpacity(), 10);
    Step(0.01f);
    ASSERT_EQ(m_game->GetMode(), GameMode::LanguageChoice);

    std::set<std::string> codes;
    for (const LanguageFlag& flag : m_game->GetLanguageFlags()) {
        codes.insert(flag.code);
        EXPECT_TRUE(flag.image) << flag.code;
        if (flag.code == "en" && flag.image) {
            EXPECT_GE(englishX, flag.x);
            EXPECT_LT(englishX, flag.x + flag.image->GetWidth());
            EXPECT_GE(englishY, flag.y);
            EXPECT_LT(englishY, flag.y + flag.image->GetHeight());
        }
    }
    EXPECT_EQ(codes, (std::set<std::string>{"en", "fr", "it", "gr", "es"}));

    // Only a release on a flag goes anywhere before the game has loaded.
    Tap(5, 5);
    Key(Voke::KEY_SELECT);
    Step(10.0f);
    EXPECT_EQ(m_game->GetMode(), GameMode::LanguageChoice);
}

TEST_F(GameLoadingTest, FlagsTakeTheirWholeRectangleEdgesIncluded)
{
    Init();
    m_game->SetLoaderThreadEnabled(false);
    PassSplash();
    const LanguageFlag fr = m_game->GetLanguageFlags()[1];
    ASSERT_EQ(fr.code, "fr");
    const int32_t w = fr.image->GetWidth(), h = fr.image->GetHeight();

    m_game->OnPointerReleaseAt(fr.x + w + 1, fr.y);
    m_game->OnPointerReleaseAt(fr.x - 1, fr.y + h);
    m_game->OnPointerReleaseAt(fr.x, fr.y + h + 1);
    EXPECT_EQ(m_game->GetMode(), GameMode::LanguageChoice) << "one pixel outside";

    m_game->OnPointerReleaseAt(fr.x + w, fr.y + h);
    EXPECT_EQ(m_game->GetMode(), GameMode::Loading) << "the far corner belongs to the flag";
    EXPECT_EQ(GetLanguageCode(), "fr");
    EXPECT_TRUE(m_game->GetLanguageFlags().empty());
    EXPECT_EQ(m_game->GetLoadStepCount(), 0);
}

TEST_F(GameLoadingTest, MainThreadLoadsOneStepPerUpdateWithoutAThread)
{
    Init();
    m_game->SetLoaderThreadEnabled(false);
    PassSplash();
    TapFlag("en");
    std::vector<int32_t> percents;
    for (int i = 1; i <= Game::kLoadSteps; ++i) {
        ASSERT_EQ(m_game->GetMode(), GameMode::Loading) << i;
        Step();
        ASSERT_EQ(m_game->GetLoadStepCount(), i);
        percents.push_back(m_game->GetProgressPercent());
        if (i == 83) {
            // The last real step has shown the menu while the screen still
            // loads: input waits for Play, so a key does not end its intro.
            EXPECT_TRUE(m_game->GetMainMenu().IsActive());
            EXPECT_TRUE(m_game->GetMainMenu().IsIntroActive());
            Key(Voke::KEY_SELECT);
            Tap(240, 160);
            EXPECT_TRUE(m_game->GetMainMenu().IsIntroActive());
        }
    }
    EXPECT_EQ(percents[14], 17) << "15 steps";
    EXPECT_EQ(percents[83], 98);
    EXPECT_EQ(percents[84], 100) << "85 steps";
    EXPECT_EQ(m_game->GetMode(), GameMode::Play) << "the 90th step ends loading";
    EXPECT_EQ(m_game->GetScreen(), GameScreen::Menu);
    EXPECT_TRUE(m_game->GetMainMenu().IsActive());
    ASSERT_TRUE(m_game->GetProgressText());
    EXPECT_GT(m_game->GetProgressText()->width, 0) << "laid out in the big font";
    EXPECT_EQ(m_game->GetLoadStepCount(), Game::kLoadSteps);
}

TEST_F(GameLoadingTest, EachStepDoesItsWorkAtItsNumber)
{
    Init();
    m_game->SetLoaderThreadEnabled(false);
    PassSplash();
    TapFlag("en");
    const Voke::AssetDict& dict = *Voke::AbstractApp::s_assetDict;
    const GameWorld& world = m_game->GetWorld();
    const char* const levelAtlases[] = {"level01.xml", "level02.xml", "level03.xml",
                                        "level04.xml", "level05.xml", "level06.xml"};
    // The world's steps are the game's from 35 on.
    constexpr int kWorld = 35;
    for (int done = 0; done < Game::kLoadSteps; ++done) {
        ASSERT_EQ(m_game->GetLoadStepCount(), done);
        EXPECT_EQ(dict.HasAtlas("ab01.xml"), done > 15) << done;
        EXPECT_EQ(m_game->m_Fonts->Contains("default"), done > 15) << done;
        for (int L = 0; L < 6; ++L) EXPECT_EQ(dict.HasAtlas(levelAtlases[L]), done > 25 + L) << done << " " << L;
        EXPECT_EQ(world.GetMusicSource() != nullptr, done > kWorld + 36) << done;
        EXPECT_EQ(world.PauseText != nullptr, done > kWorld + 39) << done;
        EXPECT_EQ(m_game->GetMainMenu().IsActive(), done > 82) << done;
        Step();
    }
    EXPECT_EQ(m_game->GetMode(), GameMode::Play);
}

TEST_F(GameLoadingTest, LoaderThreadShowsTheMenuBeforePlay)
{
    Init();
    PassSplash();
    TapFlag("en");
    ASSERT_EQ(m_game->GetMode(), GameMode::Loading);
    float angle = m_game->GetThrobberAngle();
    int32_t lastPercent = 0;
    StepWhileLoading([&] {
        EXPECT_GE(m_game->GetProgressPercent(), lastPercent) << "the percentage never goes back";
        lastPercent = m_game->GetProgressPercent();
        EXPECT_GE(m_game->GetThrobberAngle(), 0.0f);
        EXPECT_LT(m_game->GetThrobberAngle(), 6.283184f);
    });
    ASSERT_EQ(m_game->GetMode(), GameMode::Play);
    EXPECT_NE(m_game->GetThrobberAngle(), angle);
    EXPECT_TRUE(m_game->IsLoaded());
    EXPECT_EQ(m_game->GetLoadStepCount(), Game::kLoadSteps);
    // The loader may run its last steps between two updates, so the last
    // percentage seen can be below 100 (the main-thread test sees each).
    EXPECT_LE(lastPercent, 100);
    // The last step showed the menu on the loader thread, before the main
    // thread saw the end of loading.
    EXPECT_TRUE(m_game->GetMainMenu().IsActive());
    EXPECT_EQ(m_game->GetScreen(), GameScreen::Menu);
    EXPECT_EQ(m_game->GetMainMenu().m_LevelSelect, m_game->GetWorld().IsDebugLevelsMenu());

    // The menu now takes input: a key ends its intro.
    ASSERT_TRUE(m_game->GetMainMenu().IsIntroActive());
    Key(Voke::KEY_SELECT);
    EXPECT_FALSE(m_game->GetMainMenu().IsIntroActive());
}

TEST_F(GameLoadingTest, LeavingWhileLoadingStopsAndJoinsTheLoader)
{
    Init();
    PassSplash();
    TapFlag("en");
    for (int i = 0; i < 5; ++i) {
        Step();
        usleep(20000);
    }
    m_game->Unload();
    const int32_t stopped = m_game->GetLoadStepCount();
    usleep(50000);
    EXPECT_EQ(m_game->GetLoadStepCount(), stopped) << "nothing runs after Unload";
    m_game.reset();
}

TEST_F(GameLoadingTest, DestroyingWhileLoadingJoinsTheLoader)
{
    Init();
    PassSplash();
    TapFlag("en");
    Step();
    // No Unload: the destructor stops the thread before the members go.
    m_game.reset();
}

TEST_F(GameLoadingTest, EnglishLoadsNoLocalisedAtlas)
{
    LoadGame(false, "en");
    Voke::AssetDict& dict = *Voke::AbstractApp::s_assetDict;
    EXPECT_TRUE(dict.HasAtlas("ab01.xml"));
    EXPECT_TRUE(dict.HasAtlas("level06.xml"));
    for (const char* atlas : {"ab_fr.xml", "ab_gr.xml", "ab02_gr.xml", "ab_es.xml", "ab_it.xml"})
        EXPECT_FALSE(dict.HasAtlas(atlas)) << atlas;
    EXPECT_EQ(LocalizedAssetName("pause_button.png"), "pause_button.png");
    EXPECT_NE(Voke::AbstractApp::s_textDict->Get("IDS_SCORE"), L"IDS_SCORE");
}

TEST_F(GameLoadingTest, GermanLoadsItsTextsAndAtlasesUnderGr)
{
    LoadGame(false, "gr");
    Voke::AssetDict& dict = *Voke::AbstractApp::s_assetDict;
    EXPECT_TRUE(dict.HasAtlas("ab_gr.xml"));
    EXPECT_TRUE(dict.HasAtlas("ab02_gr.xml"));
    EXPECT_FALSE(dict.HasAtlas("ab_fr.xml"));
    EXPECT_EQ(LocalizedAssetName("pause_button.png"), "pause_button_gr.png");

    // The texts are "l10n/de.xml"'s.
    Voke::SmartPtr<Voke::TextDict> german = new Voke::TextDict;
    ASSERT_TRUE(german->Load("l10n/de.xml"));
    EXPECT_EQ(Voke::AbstractApp::s_textDict->Get("IDS_SCORE"), german->Get("IDS_SCORE"));
    Voke::SmartPtr<Voke::TextDict> english = new Voke::TextDict;
    ASSERT_TRUE(english->Load("l10n/en.xml"));
    EXPECT_NE(german->Get("IDS_SCORE"), english->Get("IDS_SCORE"));
}

TEST_F(GameLoadingTest, UnloadAfterLoadingReleasesTheAtlases)
{
    LoadGame(false);
    Voke::AssetDict& dict = *Voke::AbstractApp::s_assetDict;
    ASSERT_TRUE(dict.HasAtlas("ab02.xml"));
    m_game->Unload();
    for (const char* atlas : {"ab01.xml", "ab02.xml", "level01.xml", "level06.xml"})
        EXPECT_FALSE(dict.HasAtlas(atlas)) << atlas;
    EXPECT_FALSE(m_game->m_Fonts);
    EXPECT_FALSE(m_game->m_Random);
    m_game.reset();
}

}  // namespace
