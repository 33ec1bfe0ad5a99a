// The game world loaded from the built archives "data.pak" and "atlas.pak"
// the way the game loads it: the archives mounted (atlas.pak searched first),
// the engine's registry, asset and text dictionaries and a mixer without an
// output device, an 800 x 480 display for the overlay, the two fonts, the
// English texts, the menu and level atlases, the sound bank, then the
// world's 46 loading steps. Saves go to a temporary configuration folder.
//
// Objects are torn down in reverse, before any GL context the caller made
// goes away.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "engine/app/abstract_app.h"
#include "engine/app/display.h"
#include "engine/audio/mixer.h"
#include "engine/core/asset_dict.h"
#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/core/vfs.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/text/font_ex.h"
#include "engine/text/font_set.h"
#include "game/core/game_base.h"
#include "game/presentation/sound_bank.h"
#include "game/world/game_world.h"
#include "tests/engine/audio/audio_test_util.h"
#include "tests/support/temp_dir.h"

namespace VokeTest {

class ShippedWorld {
public:
    // NOTE: the device's window, which the pause overlay places its button on.
    static constexpr int kWindowWidth = 800;
    static constexpr int kWindowHeight = 480;

    ~ShippedWorld() { Unload(); }

    // Everything above; false with the reason in `error`.
    bool Load(std::string& error)
    {
        setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
        m_app = new Voke::AbstractApp(0);
        m_app->SetDisplay(new Voke::Display(new Window(kWindowWidth, kWindowHeight)));
        Voke::Vfs::Init();
        if (!Voke::Vfs::MountPak(VXB_DATA_PAK, "", 0) ||
            !Voke::Vfs::MountPak(VXB_ATLAS_PAK, "", Voke::VfsMount::FallThrough)) {
            error = "the archives " VXB_DATA_PAK " and " VXB_ATLAS_PAK " do not open";
            return false;
        }
        Voke::Vfs::MountDirectory("save/", "save/", Voke::VfsMount::FallThrough | Voke::VfsMount::SaveFiles);
        Voke::AbstractApp::s_registry = new Voke::Registry;
        Voke::AbstractApp::s_assetDict = new Voke::AssetDict;
        Voke::AbstractApp::s_mixer =
            new Voke::Mixer(Voke::AudioFormat{2, 22050}, Voke::MixerConfig(), &Voke::test::NoDevice);
        Voke::AbstractApp::s_textDict = new Voke::TextDict;
        if (!Voke::AbstractApp::s_textDict->Load("l10n/en.xml")) {
            error = "no English texts";
            return false;
        }
        for (const char* atlas : {"ab01.xml", "ab02.xml", "level01.xml", "level02.xml", "level03.xml", "level04.xml",
                                  "level05.xml", "level06.xml"}) {
            if (!Voke::AbstractApp::s_assetDict->LoadAtlas(atlas)) {
                error = std::string("the atlas ") + atlas + " does not load";
                return false;
            }
        }

        game.m_ScreenWidth = 480;
        game.m_ScreenHeight = 320;
        game.m_PointerScaleX = 480.0f / kWindowWidth;
        game.m_PointerScaleY = 320.0f / kWindowHeight;
        game.InitRandom(1u);
        game.m_BigFont = Voke::GetCachedFont("fontbig.xml");
        game.m_DefaultFont = Voke::GetCachedFont("fontMenu.xml");
        game.m_Fonts = new Voke::Text::FontSet;
        game.m_Fonts->Add("fontbig", game.m_BigFont);
        game.m_Fonts->Add("default", game.m_DefaultFont);

        world = std::make_unique<GameWorld>();
        world->SetOwner(&game);
        for (int step = 0; step < GameWorld::kLoadSteps; ++step) world->LoadStep(step);
        bank.SetOwner(&game);
        bank.Load();
        world->SetSoundBank(&bank);
        return true;
    }

    // A fresh run of a level as the controller starts one from the level
    // menu: seeded, every row rebuilt, the runner at the level's start
    // speed, the tutorial already seen.
    void Start(int32_t level, uint32_t seed)
    {
        game.InitRandom(seed);
        game.m_FromLevelMenu = true;
        game.m_Endless = false;
        game.m_TutorialShown = true;
        game.m_Completed = 0;
        world->PrepareLevel();
        world->ResetLevels();
        world->StartLevel(level);
    }

    void Unload()
    {
        if (world) {
            world->PrepareLevel();
            world->Release();
            world.reset();
        }
        bank.Release();
        game.m_Fonts = nullptr;
        game.m_BigFont = nullptr;
        game.m_DefaultFont = nullptr;
        game.ReleaseRandom();
        Voke::Vfs::Shutdown();
        m_app.Reset();  // and the engine's handles with it
    }

    GameBase game;
    SoundBank bank;
    std::unique_ptr<GameWorld> world;

private:
    class Window : public Voke::MaemoSurface {
    public:
        Window(int width, int height) : MaemoSurface(width, height) {}
    };

    TempDir m_config;
    Voke::SmartPtr<Voke::AbstractApp> m_app;
};

}  // namespace VokeTest
