#include "engine/app/abstract_app.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/display.h"
#include "engine/audio/mixer.h"
#include "engine/core/app_globals.h"
#include "engine/core/asset_dict.h"
#include "engine/core/key_codes.h"
#include "engine/core/memory.h"
#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/debug/debug_overlay.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/script/lua.h"

namespace Voke {
namespace {

std::vector<std::string> g_log;

class RecordingSurface : public MaemoSurface {
public:
    bool begins = true;
    bool BeginFrame() override
    {
        g_log.push_back("begin");
        return begins;
    }
    bool Present() override
    {
        g_log.push_back("present");
        return true;
    }
};

class RecordingApp : public AbstractApp {
public:
    explicit RecordingApp(uint32_t flags) : AbstractApp(flags) {}
    void Update(float& seconds) override
    {
        lastUpdate = seconds;
        g_log.push_back("update");
    }
    void Render(MaemoSurface*) override { g_log.push_back("render"); }
    void PostRender(MaemoSurface*) override { g_log.push_back("postrender"); }
    void OnKeyDown(unsigned key) override { g_log.push_back("down " + std::to_string(key)); }
    void OnKeyUp(unsigned key) override { g_log.push_back("up " + std::to_string(key)); }
    void OnPointerDown(int x, int y, int id) override { Pointer("pdown", x, y, id); }
    void OnPointerMove(int x, int y, int id) override { Pointer("pmove", x, y, id); }
    void OnPointerUp(int x, int y, int id) override { Pointer("pup", x, y, id); }
    void OnFocusChanged(bool active) override { g_log.push_back(active ? "focus in" : "focus out"); }
    void Exit() override { g_log.push_back("exit"); }
    float lastUpdate = -1.0f;

private:
    void Pointer(const char* what, int x, int y, int id)
    {
        g_log.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) + "#" + std::to_string(id));
    }
};

class RecordingOverlay : public DebugOverlay {
public:
    void Update(float& seconds) override
    {
        g_log.push_back("overlay update");
        seconds *= 0.5f;
    }
    void Render(Surface*) override { g_log.push_back("overlay render"); }
    void OnKeyDown(unsigned key) override { g_log.push_back("overlay down " + std::to_string(key)); }
    void OnKeyUp(unsigned key) override { g_log.push_back("overlay up " + std::to_string(key)); }
    void OnPointerDown(int, int, int) override { g_log.push_back("overlay pdown"); }
};

class AbstractAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        DebugOverlay::s_visible = false;
        DebugOverlay::s_holdsInput = false;
        SetTimeRate(1.0f);
    }
    // The application with a display over a recording window surface.
    SmartPtr<RecordingApp> MakeApp(uint32_t flags)
    {
        SmartPtr<RecordingApp> app(new RecordingApp(flags));
        surface = new RecordingSurface;
        app->SetDisplay(new Display(surface));
        return app;
    }
    void DispatchAll(AbstractApp* app)
    {
        app->DispatchKeyDown(KEY_A);
        app->DispatchKeyUp(KEY_A);
        app->DispatchPointerDown(1, 2, 0);
        app->DispatchPointerMove(3, 4, 0);
        app->DispatchPointerUp(5, 6, 0);
    }
    RecordingSurface* surface = nullptr;
};

TEST_F(AbstractAppTest, TickUpdatesWithScaledTimeThenRendersAFrame)
{
    auto app = MakeApp(0);
    EXPECT_EQ(AbstractApp::Instance(), app.Get());
    app->Tick(0.02f);
    EXPECT_FLOAT_EQ(app->lastUpdate, 0.02f);
    EXPECT_EQ(g_log, (std::vector<std::string>{"update", "begin", "render", "postrender", "present"}));

    AbstractApp::SetTimeRate(2.0f);
    app->Tick(0.25f);
    EXPECT_FLOAT_EQ(app->lastUpdate, 0.5f);
}

TEST_F(AbstractAppTest, PausedApplicationNeitherUpdatesRendersNorTakesInput)
{
    auto app = MakeApp(0);
    AbstractApp::s_mixer = new Mixer;
    app->SetActive(false);
    EXPECT_TRUE(app->IsPaused());
    EXPECT_EQ(AbstractApp::s_mixer->GetPauseMask(), Mixer::kPauseInactive);
    g_log.clear();

    app->Tick(0.1f);
    DispatchAll(app);
    EXPECT_TRUE(g_log.empty());

    app->SetActive(true);
    EXPECT_EQ(AbstractApp::s_mixer->GetPauseMask(), 0);
    DispatchAll(app);
    EXPECT_EQ(g_log, (std::vector<std::string>{"focus in", "down 40", "up 40", "pdown 1,2#0", "pmove 3,4#0",
                                               "pup 5,6#0"}));
}

TEST_F(AbstractAppTest, NeverPauseFlagKeepsRunningButStillPausesTheMixer)
{
    auto app = MakeApp(AbstractApp::kNeverPause);
    AbstractApp::s_mixer = new Mixer;
    app->SetActive(false);
    EXPECT_FALSE(app->IsPaused());
    EXPECT_EQ(AbstractApp::s_mixer->GetPauseMask(), Mixer::kPauseInactive);
    EXPECT_EQ(g_log, std::vector<std::string>{"focus out"});
    app->Tick(0.1f);
    EXPECT_EQ(g_log.size(), 6u);
}

TEST_F(AbstractAppTest, FailedFrameBeginSkipsDrawingButStillCollectsTextures)
{
    auto app = MakeApp(AbstractApp::kCollectIdleTextures);
    surface->begins = false;
    unsigned collections = PixelDataGL::GetCollectionCount();
    app->RenderFrame();
    EXPECT_EQ(g_log, std::vector<std::string>{"begin"});
    EXPECT_EQ(PixelDataGL::GetCollectionCount(), collections + 1);

    auto plain = MakeApp(0);
    plain->RenderFrame();
    EXPECT_EQ(PixelDataGL::GetCollectionCount(), collections + 1);
}

TEST_F(AbstractAppTest, FinishedMovieIsDroppedOnNextTickEvenWhilePaused)
{
    auto app = MakeApp(0);
    EXPECT_EQ(app->PlayMovie("intro"), 0);
    ASSERT_NE(app->GetMoviePlayer(), nullptr);
    app->SetActive(false);
    app->Tick(0.1f);
    EXPECT_EQ(app->GetMoviePlayer(), nullptr);
}

TEST_F(AbstractAppTest, OverlayTakesInputFirst)
{
    auto app = MakeApp(0);
    AbstractApp::s_mixer = new Mixer;
    AbstractApp::s_debugOverlay = new RecordingOverlay;

    // Tilde toggles the overlay and pauses the mixer while it is shown.
    app->DispatchKeyDown(KEY_TILDE);
    app->DispatchKeyUp(KEY_TILDE);
    EXPECT_TRUE(DebugOverlay::s_visible);
    EXPECT_EQ(AbstractApp::s_mixer->GetPauseMask(), Mixer::kPauseOverlay);
    EXPECT_TRUE(g_log.empty());

    // While shown, the overlay gets keys and pointers, and the application is
    // not updated (only drawn).
    app->DispatchKeyDown(KEY_B);
    app->DispatchKeyUp(KEY_B);
    app->DispatchPointerDown(1, 1, 0);
    app->Tick(0.1f);
    EXPECT_EQ(g_log, (std::vector<std::string>{"overlay down 41", "overlay up 41", "overlay pdown", "overlay update",
                                               "begin", "render", "overlay render", "postrender", "present"}));

    // Hidden again: the application is updated with the time the overlay left.
    app->DispatchKeyDown(KEY_TILDE);
    g_log.clear();
    app->Tick(0.1f);
    EXPECT_FLOAT_EQ(app->lastUpdate, 0.05f);

    // Holding input swallows the next down event and lets the following through.
    DebugOverlay::s_holdsInput = true;
    g_log.clear();
    app->DispatchPointerMove(1, 1, 0);
    app->DispatchPointerDown(1, 1, 0);
    app->DispatchPointerDown(2, 2, 0);
    EXPECT_EQ(g_log, std::vector<std::string>{"pdown 2,2#0"});
}

TEST_F(AbstractAppTest, ConsoleCommandsReachTheApplication)
{
    auto app = MakeApp(0);
    AbstractApp::s_mixer = new Mixer;
    AbstractApp::s_registry = new Registry;
    DebugOverlay* overlay = DebugOverlay::Create();
    EXPECT_EQ(AbstractApp::s_debugOverlay.Get(), overlay) << "one handle";

    overlay->Execute("regset /debug/level 3");
    int level = 0;
    EXPECT_TRUE(AbstractApp::s_registry->Get("/debug/level", level));
    EXPECT_EQ(level, 3);
    overlay->Execute("exit");
    EXPECT_EQ(g_log, std::vector<std::string>{"exit"});

    // A script that fails to load opens the console and pauses the sound at
    // the next frame; the game is then no longer updated.
    g_log.clear();
    Lua::GetErrorReporter()("broken.lua", "syntax error");
    app->Tick(0.1f);
    EXPECT_TRUE(DebugOverlay::s_visible);
    EXPECT_EQ(AbstractApp::s_mixer->GetPauseMask(), Mixer::kPauseOverlay);
    app->Tick(0.1f);
    EXPECT_EQ(g_log, (std::vector<std::string>{"begin", "render", "postrender", "present", "begin", "render",
                                               "postrender", "present"}));
    // The console's own toggle key closes it and lets the sound go on.
    app->DispatchKeyDown(KEY_TILDE);
    EXPECT_FALSE(DebugOverlay::s_visible);
    EXPECT_EQ(AbstractApp::s_mixer->GetPauseMask(), 0);
}

TEST_F(AbstractAppTest, DestructionReleasesEngineWideHandles)
{
    WeakPtr<Mixer> mixer;
    WeakPtr<TextDict> dict;
    {
        auto app = MakeApp(0);
        AbstractApp::s_mixer = new Mixer;
        mixer = AbstractApp::s_mixer.Get();
        AbstractApp::s_debugOverlay = new DebugOverlay;
        AbstractApp::s_assetDict = new AssetDict;
        AbstractApp::s_registry = new Registry;
        AbstractApp::s_textDict = new TextDict;
        dict = AbstractApp::s_textDict.Get();
        EXPECT_EQ(AssetDict::s_engine.Get(), AbstractApp::s_assetDict.Get()) << "one handle, seen by the loaders";
        EXPECT_NE(AppGlobals::Instance()->globals.Get(), nullptr);
        EXPECT_NE(MemPoolManager::Active(), nullptr);
    }
    EXPECT_EQ(AbstractApp::Instance(), nullptr);
    EXPECT_EQ(mixer.Get(), nullptr);
    EXPECT_EQ(AbstractApp::s_debugOverlay.Get(), nullptr);
    EXPECT_EQ(AbstractApp::s_assetDict.Get(), nullptr);
    EXPECT_EQ(AbstractApp::s_registry.Get(), nullptr);
    EXPECT_TRUE(dict.Expired());
    EXPECT_EQ(AppGlobals::Instance()->globals.Get(), nullptr);
    EXPECT_EQ(AppGlobals::GetLanguage(), "");
}

}  // namespace
}  // namespace Voke
