// The picture tour: the real game (its application object, the built
// archives, the real window on the test X server, the mixer on the test
// sound server) driven in this process with scripted keys and taps through
// every screen a player meets, from the splash to the credits. At each
// screen the window's frame is read back from the GL driver before it is
// shown, halved to 400 x 240 and compared with a reference picture kept in
// references/; a screen that draws differently fails the test.
//
// The run is deterministic: fixed game steps of 1/60 s, the game's random
// generator on a fixed seed, and the load steps on the main thread (one per
// update) so that the loading screen is caught at a known step. The levels
// are played by the automatic player; between the screens the tour draws
// only every few steps (as a slow machine would), which keeps the six
// levels, about twelve minutes of play, to well under a minute of wall time.
//
// The references are pictures of a reviewed run. After a change that is
// meant to alter what a screen shows, write new ones and look at each
// before committing it:
//   VXB_TOUR_OUT=/some/folder scripts/test ctest --test-dir BUILD -R GameTour
// writes every screen there as NAME.png (and compares nothing); copy the
// changed ones over tests/game/tour/references/. A failing comparison writes
// the picture it saw to tour_seen/ in the test's working folder.
#include <GLES2/gl2.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/core/key_codes.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/graphics/surface.h"
#include "game/app/vxb06_application.h"
#include "tests/game/support/autoplayer.h"
#include "tests/game/support/screen_picture.h"
#include "tests/support/temp_dir.h"

namespace {

using VokeTest::ScreenPicture;

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 480;
constexpr float kStep = 1.0f / 60.0f;
constexpr uint32_t kSeed = 20240611;
// NOTE: while a level runs, one frame in kSkimDraw steps is drawn (the
// screens are drawn afresh when they are taken): enough for what the
// drawing decides (the end of a level's flight) to follow within half a
// second, few enough to keep the run short.
constexpr int kSkimDraw = 30;
// NOTE: driver rounding: a pixel of the halved picture differs when a
// channel is more than 24 off, and at most 0.4 % of the picture (384
// pixels) may differ. A missing picture, a layer out of place or a text
// laid out anew changes thousands.
constexpr int32_t kChannelTolerance = 24;
constexpr int64_t kMaxDifferingPixels = (kWindowWidth / 2) * (kWindowHeight / 2) * 4 / 1000;


// The game's application with a frame grab between the drawing and the
// buffer swap.
class TourApp : public vxb06Application {
public:
    // Reads the next drawn frame back into `Grabbed`.
    void ArmGrab() { m_armed = true; }
    const std::vector<uint8_t>& Grabbed() const { return m_grabbed; }

    void PostRender(Voke::MaemoSurface* surface) override
    {
        vxb06Application::PostRender(surface);
        if (!m_armed) return;
        m_armed = false;
        // The batcher still holds the frame's last draws.
        if (Voke::Batcher* batcher = Voke::Batcher::Get()) batcher->Flush();
        GLint previous = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        m_grabbed.assign(size_t(kWindowWidth) * kWindowHeight * 4, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGBA, GL_UNSIGNED_BYTE, m_grabbed.data());
        glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
    }

private:
    bool m_armed = false;
    std::vector<uint8_t> m_grabbed;
};

class GameTour : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Mesa's driver modules stay loaded to the end of the process: the
        // window's eglTerminate would unload them, and what they keep for
        // the process would show as leaks of an unknown module. (The tour
        // runs with the fast unwinder: the slow one can deadlock against
        // the driver's code generator registering its frames.)
        for (const char* module : {VOKE_GL_DRIVER, "libEGL_mesa.so.0"})
            if (module[0]) dlopen(module, RTLD_LAZY | RTLD_NODELETE);
        // The game opens "data.pak" and "atlas.pak" in its working folder,
        // as the executable does beside them; saves go to a folder of the
        // test's own.
        m_startFolder = std::filesystem::current_path();
        m_seenFolder = m_startFolder / "tour_seen";
        std::filesystem::current_path(std::filesystem::path(VXB_DATA_PAK).parent_path());
        setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
        m_out = std::getenv("VXB_TOUR_OUT") ? std::getenv("VXB_TOUR_OUT") : "";
        if (!m_out.empty()) std::filesystem::create_directories(m_out);

        m_app = new TourApp;
        m_app->GoFullScreen();
        m_app->Initialize();
        game().InitRandom(kSeed);
        game().SetLoaderThreadEnabled(false);
        m_started = std::chrono::steady_clock::now();
    }

    void TearDown() override
    {
        if (m_app) {
            m_app->Unload();
            m_app.Reset();
        }
        std::filesystem::current_path(m_startFolder);
    }

    Game& game() { return m_app->GetGame(); }
    GameWorld& world() { return game().GetWorld(); }
    MainMenu& menu() { return game().GetMainMenu(); }
    bool InLevel() { return game().GetMode() == GameMode::Play && game().GetScreen() == GameScreen::InGame; }

    // One game step, the automatic player at the controls while a level
    // runs; the frame drawn when `draw`.
    void Step(bool draw = true)
    {
        if (InLevel() && world().GetState() == WorldState::Running && !world().IsPaused()) {
            const int32_t level = world().GetLevel();
            if (level != m_playedLevel || game().m_Lives != m_playedLives) {
                m_player = VokeTest::AutoPlayer();
                m_playedLevel = level;
                m_playedLives = game().m_Lives;
            }
            m_player.Act(world().GetPlayer(), world().GetBuildings(level), world().GetObstacles(level), kStep);
        }
        if (draw) {
            m_app->Tick(kStep);
        } else {
            float seconds = kStep;
            m_app->Update(seconds);
        }
    }
    // Steps for `seconds` of game time, every frame drawn.
    void Run(float seconds)
    {
        for (float t = 0.0f; t + kStep / 2 < seconds; t += kStep) Step();
    }
    // Steps until `done` holds, at most `seconds` of game time, drawing one
    // frame in `drawEvery`; whether it held.
    bool RunUntil(const std::function<bool()>& done, float seconds, int drawEvery = 1)
    {
        int steps = 0;
        for (float t = 0.0f; t < seconds; t += kStep) {
            if (done()) return true;
            Step(++steps % drawEvery == 0);
        }
        return done();
    }

    // A key pressed and held over one step, as a player's key is.
    void Key(unsigned key)
    {
        m_app->DispatchKeyDown(key);
        Step();
        m_app->DispatchKeyUp(key);
        Step();
    }
    // A tap at a point of the game's 480 x 320 screen: the window pixel
    // that the application maps onto it, pressed over one step.
    void Tap(int32_t x, int32_t y)
    {
        const int wx = (x * kWindowWidth + 479) / 480;
        const int wy = (y * kWindowHeight + 319) / 320;
        m_app->DispatchPointerDown(wx, wy, 0);
        Step();
        m_app->DispatchPointerUp(wx, wy, 0);
        Step();
    }
    void TapFlag(const std::string& code)
    {
        for (const LanguageFlag& flag : game().GetLanguageFlags()) {
            if (flag.code != code || !flag.image) continue;
            Tap(flag.x + flag.image->GetWidth() / 2, flag.y + flag.image->GetHeight() / 2);
            return;
        }
        ADD_FAILURE() << "no flag " << code;
    }

    // The screen as it stands, drawn once more and read back, then written
    // out or compared with its reference.
    void Shot(const std::string& name)
    {
        m_app->ArmGrab();
        m_app->RenderFrame();
        const ScreenPicture seen = ScreenPicture::FromFramebuffer(m_app->Grabbed(), kWindowWidth, kWindowHeight);
        ASSERT_FALSE(seen.Empty()) << name;
        m_shots.push_back(name);
        if (!m_out.empty()) {
            EXPECT_TRUE(seen.Write(m_out + "/" + name + ".png")) << m_out;
            return;
        }
        const std::string path = std::string(VXB_TOUR_REFERENCES) + "/" + name + ".png";
        ScreenPicture reference;
        if (!reference.Read(path)) {
            ADD_FAILURE() << "no reference picture " << path;
            return;
        }
        const int64_t differing = seen.CountDiffering(reference, kChannelTolerance);
        std::printf("%-14s at %5.1f s of wall time: %lld pixels differ\n", name.c_str(), WallSeconds(),
                    static_cast<long long>(differing));
        if (differing <= kMaxDifferingPixels) return;
        std::filesystem::create_directories(m_seenFolder);
        const std::string seenPath = (m_seenFolder / (name + ".png")).string();
        seen.Write(seenPath);
        ADD_FAILURE() << "the screen \"" << name << "\" differs from " << path << " in " << differing
                      << " pixels; what it showed is in " << seenPath;
    }

    // Steps until a focused button's blink shows it (at most a blink).
    void ShowBlinking(const Button& button)
    {
        for (int i = 0; i < 8 && int(button.time * 8.0f) % 2 != 0; ++i) Step();
    }

    double WallSeconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    }

    VokeTest::TempDir m_config;
    std::filesystem::path m_startFolder;
    std::filesystem::path m_seenFolder;
    std::string m_out;
    Voke::SmartPtr<TourApp> m_app;
    VokeTest::AutoPlayer m_player;
    int32_t m_playedLevel = -1;
    int32_t m_playedLives = -1;
    std::vector<std::string> m_shots;
    std::chrono::steady_clock::time_point m_started;
};

TEST_F(GameTour, EveryScreenLooksAsReviewed)
{
    // The splash logo at full strength, halfway through its 3 s.
    Run(1.5f);
    Shot("splash");
    ASSERT_TRUE(RunUntil([&] { return game().GetMode() == GameMode::LanguageChoice; }, 2.0f));
    Run(0.5f);
    Shot("language");

    TapFlag("en");
    ASSERT_EQ(game().GetMode(), GameMode::Loading);
    ASSERT_TRUE(RunUntil([&] { return game().GetLoadStepCount() >= Game::kLoadSteps / 2; }, 10.0f));
    Shot("loading");
    ASSERT_TRUE(RunUntil([&] { return game().GetMode() == GameMode::Play; }, 10.0f));

    // The title intro (with its tap label lit), then the menu with its
    // buttons slid in.
    Run(2.3f);
    Shot("menu_intro");
    Key(Voke::KEY_SELECT);
    ASSERT_FALSE(menu().IsIntroActive());
    Run(2.0f);
    Shot("menu");

    // The pages, each opened with the keys and closed with its own button.
    Key(Voke::KEY_LEFT);
    ASSERT_EQ(menu().GetFocus(), MainMenu::kAboutButton);
    Key(Voke::KEY_SELECT);
    Run(1.0f);
    Shot("about");
    Key(Voke::KEY_SELECT);
    ASSERT_FALSE(menu().GetAboutPage().IsVisible());

    Key(Voke::KEY_RIGHT);
    Key(Voke::KEY_RIGHT);
    ASSERT_EQ(menu().GetFocus(), MainMenu::kScoresButton);
    Key(Voke::KEY_SELECT);
    Run(1.0f);
    Shot("scores");
    Key(Voke::KEY_SELECT);
    ASSERT_FALSE(menu().GetScoresPage().IsActive());

    Key(Voke::KEY_RIGHT);
    Key(Voke::KEY_RIGHT);
    ASSERT_EQ(menu().GetFocus(), MainMenu::kEndlessButton);
    Key(Voke::KEY_SELECT);
    Run(1.0f);
    Shot("endless");
    ASSERT_EQ(menu().GetEndlessPage().GetSelected(), EndlessMenu::kBackIndex);
    Key(Voke::KEY_SELECT);
    ASSERT_FALSE(menu().GetEndlessPage().IsActive());
    ASSERT_TRUE(menu().IsActive()) << "the back button, not a level, was chosen";

    Key(Voke::KEY_BACK);
    Run(1.0f);
    Shot("exit");
    {
        Button& no = menu().GetExitDialog().GetNoButton();
        Tap(no.GetX() + no.GetWidth() / 2, no.GetY() + no.GetHeight() / 2);
    }
    ASSERT_FALSE(menu().GetExitDialog().IsActive());
    ASSERT_TRUE(menu().IsActive());

    // A run: the first level opens under the tutorial.
    while (menu().GetFocus() != MainMenu::kRunButton) Key(Voke::KEY_LEFT);
    Key(Voke::KEY_SELECT);
    ASSERT_TRUE(InLevel());
    Run(0.5f);
    ASSERT_TRUE(world().GetOverlay().IsActive());
    Shot("tutorial");
    Tap(240, 160);
    ASSERT_FALSE(world().GetOverlay().IsActive());

    for (int32_t level = 0; level < GameWorld::kLevels; ++level) {
        SCOPED_TRACE(level);
        const std::string name = "level" + std::to_string(level + 1);
        ASSERT_TRUE(RunUntil([&] { return InLevel() && world().GetLevel() == level; }, 60.0f, kSkimDraw));
        ASSERT_TRUE(RunUntil([&] { return world().GetElapsed() >= 2.0f; }, 10.0f, kSkimDraw));
        Shot(name + "_start");
        if (level == 0) {
            // The pause menu over the level; a tap away from its button
            // resumes.
            Key(Voke::KEY_BACK);
            ASSERT_TRUE(world().IsPaused());
            Shot("pause");
            Tap(240, 300);
            ASSERT_FALSE(world().IsPaused());
        }
        // Near the end: the exit building about a screen ahead.
        const float playing = world().GetLevelParams(level).TimeOfPlayingInSeconds;
        ASSERT_TRUE(RunUntil([&] { return !InLevel() || world().GetElapsed() >= playing - 3.0f; }, 200.0f * 4,
                             kSkimDraw));
        ASSERT_TRUE(RunUntil([&] { return !InLevel() || world().IsExitPlaced(); }, 10.0f, kSkimDraw));
        ASSERT_EQ(world().GetLevel(), level) << "the automatic player lost every life";
        const float placed = world().GetElapsed();
        ASSERT_TRUE(RunUntil([&] { return world().GetElapsed() >= placed + 1.0f; }, 2.0f, kSkimDraw));
        Shot(name + "_end");

        if (level == 0) {
            // The flight into the next level: the black curtain carrying
            // the next level's picture, caught with its left edge in the
            // middle of the screen.
            const int64_t middle = 480 / 2 + int64_t(world().FlyingPicture[0].GetWidth());
            ASSERT_TRUE(RunUntil(
                [&] {
                    if (!InLevel() || world().GetLevel() != 0) return true;
                    const Player& runner = world().GetPlayer();
                    float ex = 0.0f, ey = 0.0f;
                    runner.GetExitStart(&ex, &ey);
                    return runner.IsInExitPhase() && runner.m_CellX - int64_t(ex) >= middle;
                },
                20.0f, kSkimDraw));
            ASSERT_TRUE(InLevel() && world().GetLevel() == 0);
            Shot("flight");
        }
    }

    // The ending: the runner leaves the last level's exit, the scene fades
    // and the credits roll; caught with the team's lines in the middle.
    ASSERT_TRUE(RunUntil([&] { return !InLevel() || world().GetScriptPlayer().GetElapsed() >= 16.5f; }, 60.0f,
                         kSkimDraw));
    ASSERT_TRUE(InLevel());
    Shot("credits");
    ASSERT_TRUE(RunUntil([&] { return game().GetScreen() == GameScreen::GameOver; }, 60.0f, kSkimDraw));
    Run(1.0f);
    ShowBlinking(game().GetGameOverDialog().GetRestartButton());
    Shot("game_over");
    EXPECT_EQ(game().m_Completed, 1);

    std::printf("the tour took %.1f s of wall time for %zu screens\n", WallSeconds(), m_shots.size());
}

}  // namespace
