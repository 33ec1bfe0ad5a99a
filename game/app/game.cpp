#include "game/app/game.h"

#include <cmath>

#include "engine/app/abstract_app.h"
#include "engine/audio/audio_asset.h"
#include "engine/audio/mixer.h"
#include "engine/core/asset_dict.h"
#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_ex.h"
#include "engine/text/font_set.h"
#include "engine/text/screen_text.h"
#include "game/app/run_records.h"

namespace {

// NOTE: the master volume's shift: 0 leaves the mix as it is, 16 silences it.
constexpr uint32_t kVolumeOn = 0;
constexpr uint32_t kVolumeOff = 16;

// The splash logo fades in over its first half and out over its second:
// sin(t x pi / 3).
constexpr float kSplashPhase = 1.0471973f;

}  // namespace

Game::Game()
    : m_Screen(GameScreen::Menu),
      m_ScreenTimer(0.0f),
      m_Level(0),
      m_SavedSpeed(0.0f),
      m_Mode(GameMode::Start),
      m_ModeTimer(0.0f),
      m_LastShownStep(0),
      m_ProgressPercent(0),
      m_ThrobberAngle(0.0f),
      m_LoadStep(0),
      m_Loaded(false),
      m_StopLoading(false),
      m_UseLoaderThread(true)
{
    // A run always sets the lives before reading them.
    m_Lives = 1;
}

Game::~Game()
{
    // The loader writes into the members: it must be gone before they are.
    StopLoader();
}

void Game::Init()
{
    InitRandom();
    m_ResolutionTable.Load(m_ScreenWidth, m_ScreenHeight);
    m_Resolution = &m_ResolutionTable;

    // The master volume: created silent, then opened, so that nothing is
    // heard at full volume before the sound switch is known.
    if (Voke::Mixer* mixer = Voke::AbstractApp::s_mixer) {
        m_MasterVolume = new Voke::EffectVolumeShift(mixer->GetFormat(), kVolumeOff);
        mixer->AddEffect(m_MasterVolume);
        m_MasterVolume->SetShift(kVolumeOn);
    }

    LoadBigFont();

    m_MainMenu.SetContext(this);
    m_World.SetOwner(this);
    m_GameOverDialog.SetOwner(this);
    m_SoundBank.SetOwner(this);

    m_Level = kLevelPrison;
    m_SplashLogo = Voke::GetCachedSurface("ostrel_logo.png", false);
    m_Throbber = Voke::GetCachedSurface("throbber-alpha.png@linear", false);

    m_Mode = GameMode::Splash;
    m_ModeTimer = 0.0f;
}

void Game::LoadBigFont()
{
    m_Fonts = new Voke::Text::FontSet;
    m_BigFont = Voke::GetCachedFont("fontbig.xml");
    // The first font of the set: it becomes the default.
    m_Fonts->Add("fontbig", m_BigFont);
}

void Game::Update(const float& dt)
{
    switch (m_Mode) {
    case GameMode::Start:
        m_ModeTimer += dt;
        break;
    case GameMode::Splash:
        m_ModeTimer += dt;
        if (m_ModeTimer >= kSplashSeconds) {
            m_SplashLogo.Reset();
            LanguageScreen();
            m_Mode = GameMode::LanguageChoice;
        }
        break;
    case GameMode::LanguageChoice:
        // The tap on a flag is handled by OnPointerReleaseAt.
        break;
    case GameMode::Loading:
        UpdateLoading(dt);
        break;
    case GameMode::Play:
        m_ScreenTimer += dt;
        UpdateShake(dt);
        UpdateScreen(dt);
        break;
    }
}

void Game::UpdateScreen(float dt)
{
    switch (m_Screen) {
    case GameScreen::Menu:
        if (m_MainMenu.IsActive())
            m_MainMenu.Update(dt);
        else
            StartRun(dt);
        break;
    case GameScreen::InGame:
        m_World.Update(dt);
        OnWorldState(static_cast<int32_t>(m_World.GetState()));
        break;
    case GameScreen::Retry:
        m_SoundBank.PauseAll();
        m_World.StopMusic();
        m_World.StartMusic();
        m_World.ResetLevels();
        SetScreen(GameScreen::InGame);
        // The retried level starts at the speed the runner had when he came
        // into it from the level before.
        if (m_Level > kLevelPrison) m_World.GetPlayer().SetSpeed(m_SavedSpeed);
        break;
    case GameScreen::GameOver:
        m_GameOverDialog.Update(dt);
        OnGameOverChoice(m_GameOverDialog.GetChoice());
        break;
    case GameScreen::NextLevel:
        m_Level += 1;
        if (m_Level >= kLevelCount) m_Level = kLevelPrison;
        SetScreen(GameScreen::InGame);
        m_World.Update(dt);
        m_SavedSpeed = m_World.GetPlayer().GetSpeed();
        break;
    }
}

void Game::StartRun(float dt)
{
    // The menu closed itself: the run button, a level button or an endless
    // level.
    ClearRunStatistics(true);
    m_World.ResetLevels();
    m_FromLevelMenu = false;
    m_Level = kLevelPrison;
    m_Lives = 3;
    if (m_MainMenu.m_ChosenLevel >= 0) {
        m_Level = m_MainMenu.m_ChosenLevel;
        m_FromLevelMenu = true;
    } else if (m_Endless) {
        m_Level = m_EndlessLevel;
    }
    SetScreen(GameScreen::InGame);
    // The first level of a run is entered at its own start speed, which a
    // retry restores; a speed kept from an earlier run does not count.
    m_SavedSpeed = m_World.GetPlayer().GetSpeed();
    m_World.Update(dt);
    m_World.StartMusic();
}

void Game::OnWorldState(int32_t state)
{
    switch (state) {
    case static_cast<int32_t>(WorldState::Caught):
        AddLevelTotals();
        if (m_Endless) {
            // An endless run ends at its first catch and keeps only its
            // level's best score.
            RaiseEndlessRecord(Voke::AbstractApp::s_registry, m_EndlessLevel, m_Score);
            SaveConfig();
            SetScreen(GameScreen::GameOver);
        } else if (m_Lives > 0) {
            // Tested before it is lowered: a run ends at its fourth catch.
            m_Lives -= 1;
            m_Multiplier = 1;
            m_LevelDistance = 0.0f;
            m_LevelTime = 0;
            SetScreen(GameScreen::Retry);
        } else {
            AddRunToScores();
            SaveConfig();
            SetScreen(GameScreen::GameOver);
        }
        break;
    case static_cast<int32_t>(WorldState::EndReached):
        AddLevelTotals();
        if (m_Level < kLevelRooftops) {
            SetScreen(GameScreen::NextLevel);
        } else {
            AddRunToScores();
            SaveConfig();
            SetScreen(GameScreen::GameOver);
        }
        break;
    case static_cast<int32_t>(WorldState::QuitToMenu):
        m_World.StopMusic();
        m_SoundBank.PauseAll();
        SetScreen(GameScreen::Menu);
        break;
    default:
        break;
    }
}

void Game::OnGameOverChoice(int32_t choice)
{
    if (choice == GameOverDialog::kChoiceRestart) {
        m_FromLevelMenu = false;
        m_GameOverDialog.Hide();
        ClearRunStatistics(false);
        m_World.StopMusic();
        m_SoundBank.PauseAll();
        m_World.StartMusic();
        m_World.ResetLevels();
        m_Lives = 3;
        // An endless run restarts its own level.
        if (!m_Endless) m_Level = kLevelPrison;
        SetScreen(GameScreen::InGame);
    } else if (choice == GameOverDialog::kChoiceBack) {
        m_GameOverDialog.Hide();
        m_World.StopMusic();
        m_SoundBank.PauseAll();
        m_Level = kLevelPrison;
        SetScreen(GameScreen::Menu);
    }
}

void Game::ClearRunStatistics(bool newRun)
{
    m_RunTime = 0;
    m_LevelTime = 0;
    m_Jumps = 0;
    m_LevelDistance = 0.0f;
    m_RunDistance = 0.0f;
    m_Slides = 0;
    m_ObstaclesDestroyed = 0;
    m_Score = 0;
    m_Multiplier = 1;
    m_Completed = 0;
    if (newRun) m_TutorialShown = false;
}

void Game::AddLevelTotals()
{
    m_RunTime += m_LevelTime;
    m_RunDistance += m_LevelDistance;
}

void Game::SetScreen(GameScreen screen)
{
    if (screen == m_Screen) return;
    m_Screen = screen;
    m_ScreenTimer = 0.0f;
    switch (screen) {
    case GameScreen::Menu:
        if (!m_MainMenu.IsActive()) m_MainMenu.Show();
        break;
    case GameScreen::InGame:
        if (m_MainMenu.IsActive()) m_MainMenu.Deactivate();
        m_World.PrepareLevel();
        m_World.StartLevel(m_Level);
        break;
    case GameScreen::Retry:
        if (m_SoundOn) PlayRetrySound();
        break;
    case GameScreen::GameOver:
        FillGameOverLines();
        if (!m_GameOverDialog.IsActive()) m_GameOverDialog.Show();
        break;
    case GameScreen::NextLevel:
        break;
    }
}

void Game::PlayRetrySound()
{
    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    Voke::AssetDict* dict = Voke::AbstractApp::s_assetDict;
    if (!mixer || !dict) return;
    // Kept in the dictionary once decoded. The mixer plays it through a read
    // position of its own, forced past its channel limit.
    Voke::SmartPtr<Voke::AudioSource> sound = Voke::GetCachedSound(*dict, kRetrySound, true);
    if (sound) mixer->Play(sound, true);
}

void Game::FillGameOverLines()
{
    const GameOverLines lines = MakeGameOverLines(*this, Voke::AbstractApp::s_textDict);
    m_GameOverDialog.SetLine4(lines.line[4]);
    m_GameOverDialog.SetLine3(lines.line[3]);
    m_GameOverDialog.SetLine2(lines.line[2]);
    m_GameOverDialog.SetLine1(lines.line[1]);
    m_GameOverDialog.SetLine5(lines.line[5]);
}

void Game::AddRunToScores() { m_MainMenu.AddScore(MakeScoreRecord(*this)); }

void Game::SaveConfig() { SaveRunRecords(m_MainMenu, Voke::AbstractApp::s_registry); }

void Game::LoadConfig() { LoadRunRecords(m_MainMenu, Voke::AbstractApp::s_registry); }

void Game::Render(Voke::Surface* backBuffer)
{
    Voke::Surface::Clear(backBuffer, 0);
    switch (m_Mode) {
    case GameMode::Start:
    case GameMode::Splash:
        break;
    case GameMode::LanguageChoice:
        for (const LanguageFlag& flag : m_LanguageFlags) {
            if (flag.image) Voke::Surface::Blit(backBuffer, flag.x, flag.y, flag.image, flag.image->GetClipRect());
        }
        break;
    case GameMode::Loading:
        RenderLoading(backBuffer);
        break;
    case GameMode::Play:
        switch (m_Screen) {
        case GameScreen::Menu:
            m_MainMenu.Render(backBuffer);
            break;
        case GameScreen::InGame:
        case GameScreen::Retry:
        case GameScreen::NextLevel:
            m_World.Render(backBuffer);
            break;
        case GameScreen::GameOver:
            m_World.Render(backBuffer);
            m_GameOverDialog.Render(backBuffer);
            break;
        }
        break;
    }
}

void Game::RenderOverlay(Voke::Surface* target)
{
    if (m_Mode == GameMode::Splash) {
        if (!m_SplashLogo) return;
        const double wave = std::sin(static_cast<double>(m_ModeTimer * kSplashPhase)) * 255.0;
        int32_t opacity = static_cast<int32_t>(wave);
        if (opacity < 0) opacity = 0;
        if (opacity > 255) opacity = 255;
        m_SplashLogo->SetOpacity(static_cast<uint8_t>(opacity));
        // Centred in the window at its own size.
        const int32_t x = target->GetWidth() / 2 - m_SplashLogo->GetWidth() / 2;
        const int32_t y = target->GetHeight() / 2 - m_SplashLogo->GetHeight() / 2;
        Voke::Surface::Blit(target, x, y, m_SplashLogo, m_SplashLogo->GetClipRect());
        return;
    }
    // The world's overlay belongs to a loaded world.
    if (m_Mode == GameMode::Play) m_World.DrawOverlay(target);
}

void Game::SyncSound(bool before, bool after)
{
    if (before == after) return;
    m_SoundOn = after;
    m_MainMenu.m_SoundOn = after;
    if (m_MasterVolume) m_MasterVolume->SetShift(after ? kVolumeOn : kVolumeOff);
}

void Game::OnPointerDown(const TouchList& touches)
{
    if (m_Mode != GameMode::Play) return;
    if (m_MainMenu.IsActive())
        m_MainMenu.OnPointerDown(touches);
    else if (!m_GameOverDialog.IsActive())
        m_World.OnTouch(touches);
}

void Game::OnPointerUp(const TouchList& touches)
{
    if (m_Mode != GameMode::Play) return;
    if (m_MainMenu.IsActive())
        m_MainMenu.OnPointerUp(touches);
    else if (!m_GameOverDialog.IsActive())
        m_World.OnPointerUp(touches);
}

void Game::OnPointerMove(const TouchList& touches)
{
    if (m_Mode != GameMode::Play) return;
    if (m_MainMenu.IsActive())
        m_MainMenu.OnPointerMove(touches);
    else if (!m_GameOverDialog.IsActive())
        m_World.OnPointerMove(touches);
}

void Game::OnPointerPressAt(int32_t x, int32_t y)
{
    if (m_Mode != GameMode::Play) return;
    const bool before = m_MainMenu.m_SoundOn;
    if (m_MainMenu.IsActive()) {
        m_MainMenu.OnPointerPressAt(x, y);
        SyncSound(before, m_MainMenu.m_SoundOn);
    } else if (m_GameOverDialog.IsActive()) {
        // The dialog has no sound switch of its own to change.
        m_GameOverDialog.OnPointerPressAt(x, y);
    }
}

void Game::OnPointerReleaseAt(int32_t x, int32_t y)
{
    if (m_Mode == GameMode::LanguageChoice) {
        HitFlag(x, y);
        return;
    }
    if (m_Mode != GameMode::Play) return;
    if (m_MainMenu.IsActive())
        m_MainMenu.OnPointerReleaseAt(x, y);
    else if (m_GameOverDialog.IsActive())
        m_GameOverDialog.OnPointerReleaseAt(x, y);
}

void Game::OnPointerDragAt(int32_t x, int32_t y)
{
    if (m_Mode != GameMode::Play) return;
    if (m_MainMenu.IsActive())
        m_MainMenu.OnPointerDragAt(x, y);
    else if (m_GameOverDialog.IsActive())
        m_GameOverDialog.OnPointerDragAt(x, y);
}

void Game::OnKeyDown(int32_t key)
{
    if (m_Mode != GameMode::Play) return;
    const bool before = m_MainMenu.m_SoundOn;
    if (m_MainMenu.IsActive()) {
        m_MainMenu.OnKeyDown(static_cast<unsigned>(key));
        SyncSound(before, m_MainMenu.m_SoundOn);
    } else if (m_GameOverDialog.IsActive()) {
        m_GameOverDialog.OnKeyDown(static_cast<unsigned>(key));
    } else {
        m_World.OnKey(static_cast<unsigned>(key));
    }
}

void Game::OnKeyUp(int32_t key)
{
    if (m_Mode != GameMode::Play) return;
    if (m_MainMenu.IsActive())
        m_MainMenu.OnKeyUp(static_cast<unsigned>(key));
    else if (m_GameOverDialog.IsActive())
        m_GameOverDialog.OnKeyUp(static_cast<unsigned>(key));
    else
        m_World.OnKeyUp(static_cast<unsigned>(key));
}

void Game::OnFocusChanged(bool active)
{
    // Becoming active again leaves the pause overlay open: the player
    // resumes from it.
    if (active || m_Mode != GameMode::Play) return;
    if (m_Screen == GameScreen::InGame && m_World.GetState() == WorldState::Running) m_World.Pause();
}

bool Game::TakeMoreGamesRequest()
{
    if (m_Mode != GameMode::Play) return false;
    return m_MainMenu.TakeMoreGamesClick();
}

bool Game::IsRenderFpsEnabled() const { return m_Mode == GameMode::Play && m_World.GetRenderFps(); }

void Game::Unload()
{
    StopLoader();
    // What loading built is released once all of it was built; a load
    // stopped half way leaves its members to their destructors.
    if (m_Mode == GameMode::Play || m_Loaded.load(std::memory_order_acquire)) {
        m_SoundBank.Release();
        m_GameOverDialog.Release();
        m_World.PrepareLevel();
        m_World.Release();
        m_MainMenu.Release();
        m_Fonts.Reset();
        m_BigFont.Reset();
        m_DefaultFont.Reset();
        if (Voke::AssetDict* dict = Voke::AbstractApp::s_assetDict) {
            for (const char* atlas : {"ab01.xml", "ab02.xml", "level01.xml", "level02.xml", "level03.xml",
                                      "level04.xml", "level05.xml", "level06.xml"})
                dict->Remove(atlas);
        }
    }
    // The mixer keeps its own reference in its effect list.
    m_MasterVolume.Reset();
    m_ResolutionTable.Release();
    ReleaseRandom();
}
