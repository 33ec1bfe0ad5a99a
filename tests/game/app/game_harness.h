// The game controller as the application sets it up, without a window: the
// engine's registry, asset dictionary, text dictionary and a mixer without
// an output device, the built game archives mounted as the game mounts them,
// a save folder of its own (a temporary configuration folder), and a Game
// initialised for the 480 x 320 screen with a fixed random seed.
//
// Steps drive it as the application does, in game steps of 1/60 s by default.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "engine/app/abstract_app.h"
#include "engine/audio/mixer.h"
#include "engine/core/asset_dict.h"
#include "engine/core/key_codes.h"
#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/core/vfs.h"
#include "engine/graphics/surface.h"
#include "game/app/game.h"
#include "tests/engine/audio/audio_test_util.h"
#include "tests/support/files.h"
#include "tests/support/poll.h"
#include "tests/support/temp_dir.h"

namespace VokeTest {

class GameHarness : public ::testing::Test {
protected:
    static constexpr float kStep = 1.0f / 60.0f;
    static constexpr uint32_t kSeed = 20240611;

    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
        m_save = m_config / "Vexbolt!/save/";
        Voke::Vfs::Init();
        ASSERT_NE(Voke::Vfs::MountPak(VXB_DATA_PAK, "", 0), nullptr);
        ASSERT_NE(Voke::Vfs::MountPak(VXB_ATLAS_PAK, "", Voke::VfsMount::FallThrough), nullptr);
        ASSERT_NE(Voke::Vfs::MountDirectory("save/", "save/",
                                            Voke::VfsMount::FallThrough | Voke::VfsMount::SaveFiles),
                  nullptr);
        Voke::AbstractApp::s_registry = new Voke::Registry;
        Voke::AbstractApp::s_assetDict = new Voke::AssetDict;
        Voke::AbstractApp::s_mixer =
            new Voke::Mixer(Voke::AudioFormat{2, 22050}, Voke::MixerConfig(), &Voke::test::NoDevice);
        Voke::AbstractApp::s_textDict = new Voke::TextDict;
        m_backBuffer = new Voke::Surface(480, 320, Voke::RGBA8888);
        m_window = new Voke::Surface(800, 480, Voke::RGBA8888);
        m_game = std::make_unique<Game>();
        m_game->m_ScreenWidth = 480;
        m_game->m_ScreenHeight = 320;
        m_game->m_PointerScaleX = 0.6f;
        m_game->m_PointerScaleY = 320.0f / 480.0f;
    }

    void TearDown() override
    {
        if (m_game) {
            m_game->Unload();
            m_game.reset();
        }
        m_window.Reset();
        m_backBuffer.Reset();
        Voke::AbstractApp::s_textDict.Reset();
        Voke::AbstractApp::s_mixer.Reset();
        Voke::AbstractApp::s_assetDict.Reset();
        Voke::AbstractApp::s_registry.Reset();
        Voke::Vfs::Shutdown();
    }

    // Init with the game's generator on a fixed seed.
    void Init()
    {
        m_game->Init();
        m_game->InitRandom(kSeed);
    }

    // One frame: the step, then the render pass, which draws nothing here
    // (there is no batcher) but runs everything the frame's drawing decides,
    // such as the end of the flight between two levels.
    void Step(float dt = kStep)
    {
        m_game->Update(dt);
        m_game->Render(m_backBuffer);
        m_game->RenderOverlay(m_window);
    }
    // Steps until `done` holds, at most `seconds` of game time; whether it
    // held.
    bool StepUntil(const std::function<bool()>& done, float seconds, float dt = kStep)
    {
        for (float t = 0.0f; t < seconds; t += dt) {
            if (done()) return true;
            Step(dt);
        }
        return done();
    }

    // From the splash to the language flags.
    void PassSplash()
    {
        ASSERT_TRUE(StepUntil([&] { return m_game->GetMode() == GameMode::LanguageChoice; }, 4.0f));
    }
    // The flag of `code` tapped at its centre.
    void TapFlag(const std::string& code)
    {
        for (const LanguageFlag& flag : m_game->GetLanguageFlags()) {
            if (flag.code != code) continue;
            ASSERT_TRUE(flag.image) << code;
            m_game->OnPointerReleaseAt(flag.x + flag.image->GetWidth() / 2, flag.y + flag.image->GetHeight() / 2);
            return;
        }
        FAIL() << "no flag " << code;
    }
    // Splash, English, loading, until the menu is up in Play; `threaded`
    // picks the loader thread or the main thread's updates.
    void LoadGame(bool threaded = true, const std::string& language = "en")
    {
        Init();
        m_game->SetLoaderThreadEnabled(threaded);
        PassSplash();
        TapFlag(language);
        ASSERT_EQ(m_game->GetMode(), GameMode::Loading);
        if (threaded) {
            StepWhileLoading();
        } else {
            for (int i = 0; i < 20000 && m_game->GetMode() != GameMode::Play; ++i) Step();
        }
        ASSERT_EQ(m_game->GetMode(), GameMode::Play);
    }
    // Steps, a millisecond apart, while the loader thread loads; `each`
    // runs after every step. The thread's time is not game time: the
    // number of steps is the machine's business, and the bound (minutes of
    // wall time) only guards against a loader that hangs.
    void StepWhileLoading(const std::function<void()>& each = [] {})
    {
        PollUntil(
            [&] {
                if (m_game->GetMode() != GameMode::Loading) return true;
                Step();
                each();
                return false;
            },
            300.0, std::chrono::milliseconds(1));
    }

    void Key(int32_t key)
    {
        m_game->OnKeyDown(key);
        m_game->OnKeyUp(key);
    }
    // A touch down and up at one logical point, as the application sends it.
    void Tap(int32_t x, int32_t y)
    {
        const TouchList touches{{x, y}};
        m_game->OnPointerDown(touches);
        m_game->OnPointerPressAt(x, y);
        m_game->OnPointerUp(touches);
        m_game->OnPointerReleaseAt(x, y);
    }

    std::string SaveFile(const std::string& name) const { return m_save + name; }

    TempDir m_config;
    std::string m_save;
    Voke::SmartPtr<Voke::Surface> m_backBuffer;
    Voke::SmartPtr<Voke::Surface> m_window;
    std::unique_ptr<Game> m_game;
};

}  // namespace VokeTest
