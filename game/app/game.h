// The game controller: owns every object of the game and runs its two state
// machines.
//
// The top mode goes once from Start through the splash logo (3 s), the
// language flags and the loading screen to Play; in Play the screen machine
// moves between the main menu, a running level, a retry after a lost life,
// the game-over dialog and the step to the next level. The controller turns
// what the running level reports (caught, end reached, quit to the menu)
// into those moves, counts lives and levels, keeps the run's statistics and
// records (run_records.h), routes input to the open page or else to the
// running level, and draws the frame by mode and screen.
//
// Loading runs the 90 numbered load steps on a loader thread while the main
// thread turns the throbber and shows the percentage. The hand-over is the
// step counter and the loaded flag (release on the loader, acquire on the
// main thread); until the main thread has seen the flag it touches nothing
// the loader builds: no input is routed (input is ignored until Play,
// except the tap on a flag), the world, the menu and the dialog are neither
// updated, drawn nor asked anything. The thread is joined as soon as its
// end is seen, and by Unload and the destructor before anything is
// released (they stop it between two steps first). When no thread can be
// started the steps run on the main thread, one per update.
//
// Everything else runs on the main thread. The application
// (vxb06_application.h) holds the controller by value and forwards frames,
// draws and input to it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio/audio_effect.h"
#include "engine/core/ref_counter.h"
#include "game/core/game_base.h"
#include "game/core/touch_point.h"
#include "game/menus/game_over_dialog.h"
#include "game/menus/main_menu.h"
#include "game/presentation/resolution_dependence.h"
#include "game/presentation/sound_bank.h"
#include "game/world/game_world.h"

namespace Voke {
class ScreenText;
class Surface;
}  // namespace Voke

// The top mode.
enum class GameMode : int32_t {
    Start = 0,           // constructed, Init not yet run: the frame stays black
    Splash = 1,          // the splash logo, 3 s
    LanguageChoice = 2,  // the five flags, until one is tapped
    Loading = 3,         // the load steps run; throbber and percentage
    Play = 4,            // the screen machine runs
};

// The screen, in GameMode::Play.
enum class GameScreen : int32_t {
    Menu = 0,       // the main menu
    InGame = 1,     // a level runs
    Retry = 2,      // the level restarts after a lost life (one update)
    GameOver = 3,   // the game-over dialog over the stopped level
    NextLevel = 4,  // the next level is entered (one update)
};

// One flag of the language screen: where it is drawn, its language and its
// picture.
struct LanguageFlag {
    int32_t x;
    int32_t y;
    std::string code;
    Voke::SmartPtr<Voke::Surface> image;
};

class Game : public GameBase {
public:
    // NOTE: 90 load steps; the world's 46 are steps 35 to 80.
    static constexpr int32_t kLoadSteps = 90;
    static constexpr int32_t kFirstWorldStep = 35;
    static constexpr int32_t kWorldSteps = 46;
    // NOTE: the splash logo shows for 3 s.
    static constexpr float kSplashSeconds = 3.0f;
    // NOTE: the more-games button opens this page; the world's
    // "MainMenuMoreGamesURL" setting is read but not used for it.
    static constexpr const char* kMoreGamesUrl = "https://vexbolt.example.org/more-games";
    static constexpr const char* kRetrySound = "gl_new_skladanie_napisu_2.wav@buffer";

    Game();
    // Stops and joins a loader thread that still runs, then destroys the
    // members in reverse order.
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Once, after the engine's registry, asset dictionary and mixer exist:
    // the random generator, the resolution table, the master volume, the big
    // font, the owners of the members, the splash logo and the throbber;
    // then the splash starts. Missing pictures or fonts leave them undrawn.
    void Init();
    // One game step of dt seconds.
    void Update(const float& dt);
    // The frame, drawn into the 480 x 320 back buffer.
    void Render(Voke::Surface* backBuffer);
    // What lies over the scaled back buffer, in window pixels: the splash
    // logo, or the running level's tutorial and pause overlay.
    void RenderOverlay(Voke::Surface* target);
    // Changes the screen; the current screen again does nothing.
    void SetScreen(GameScreen screen);

    // Input in logical pixels, routed to the open main menu, else the open
    // game-over dialog, else the running level. Ignored before Play, except
    // a release in the language choice, which picks a flag.
    void OnPointerDown(const TouchList& touches);
    void OnPointerUp(const TouchList& touches);
    void OnPointerMove(const TouchList& touches);
    void OnPointerPressAt(int32_t x, int32_t y);
    void OnPointerReleaseAt(int32_t x, int32_t y);
    void OnPointerDragAt(int32_t x, int32_t y);
    void OnKeyDown(int32_t key);
    void OnKeyUp(int32_t key);
    // Losing the focus while a level runs pauses it (the pause overlay opens).
    void OnFocusChanged(bool active);

    // Whether the main menu's more-games button was clicked since the last
    // call; false before Play.
    bool TakeMoreGamesRequest();
    // The world's "RenderFPS" setting; false before Play.
    bool IsRenderFpsEnabled() const;

    // At the end of the main loop: stops and joins the loader, releases what
    // loading built (once it has all been built), the master volume and the
    // generator.
    void Unload();

    // Language choice and loading.
    // The five flags, drawn from the splash's end until one is tapped.
    void LanguageScreen();
    // The language of every text and localised picture from now on.
    void SelectLanguage(const std::string& code);
    // The chosen language's texts and localised atlases.
    void LoadLanguage();
    // Runs load step m_LoadStep and counts it; false after the last.
    bool LoadStep();
    // The loader thread's body: load steps until the last (or until told to
    // stop), then the loaded flag. Returns null.
    static void* LoaderThread(void* controller);
    void LoadBigFont();
    void LoadMenuFont();
    void BuildMainMenu();
    void LoadDialogAndSounds();
    void FinishLoading();
    // The loading screen's percentage for a number of steps done: 0 to 100,
    // 100 from 85 steps on.
    static int32_t LoadPercent(int32_t steps);

    // Run statistics and saved scores (run_records.h).
    // The finished run, into the main menu's score table.
    void AddRunToScores();
    // Writes the score file and the endless records.
    void SaveConfig();
    // Reads them back (the last load step).
    void LoadConfig();

    // State, for the application, tools and tests.
    GameMode GetMode() const { return m_Mode; }
    GameScreen GetScreen() const { return m_Screen; }
    float GetModeTimer() const { return m_ModeTimer; }
    float GetScreenTimer() const { return m_ScreenTimer; }
    int32_t GetLevel() const { return m_Level; }
    float GetSavedSpeed() const { return m_SavedSpeed; }
    int32_t GetLoadStepCount() const { return m_LoadStep.load(std::memory_order_acquire); }
    bool IsLoaded() const { return m_Loaded.load(std::memory_order_acquire); }
    float GetThrobberAngle() const { return m_ThrobberAngle; }
    const Voke::ScreenText* GetProgressText() const { return m_ProgressText; }
    int32_t GetProgressPercent() const { return m_ProgressPercent; }
    const std::vector<LanguageFlag>& GetLanguageFlags() const { return m_LanguageFlags; }
    Voke::EffectVolumeShift* GetMasterVolume() const { return m_MasterVolume; }
    // The members; reach them only once loading is over.
    MainMenu& GetMainMenu() { return m_MainMenu; }
    GameWorld& GetWorld() { return m_World; }
    GameOverDialog& GetGameOverDialog() { return m_GameOverDialog; }
    SoundBank& GetSoundBank() { return m_SoundBank; }
    // Whether the loader runs on a thread of its own (the default) or, step
    // by step, in the main thread's updates. Set before the flag is tapped.
    void SetLoaderThreadEnabled(bool enabled) { m_UseLoaderThread = enabled; }

private:
    void UpdateLoading(float dt);
    void RenderLoading(Voke::Surface* target);
    void UpdateScreen(float dt);
    void StartRun(float dt);
    void OnWorldState(int32_t state);
    void OnGameOverChoice(int32_t choice);
    // Zeroes the run's statistics; `newRun` also shows the tutorial again.
    void ClearRunStatistics(bool newRun);
    // Adds the level's time and distance to the run's.
    void AddLevelTotals();
    // Copies a page's changed sound switch everywhere and sets the master
    // volume from it.
    void SyncSound(bool before, bool after);
    void PlayRetrySound();
    void FillGameOverLines();
    // Tells a loader thread to stop after its current step and joins it.
    void StopLoader();
    bool HitFlag(int32_t x, int32_t y);

    ResolutionDependence m_ResolutionTable;
    MainMenu m_MainMenu;
    GameWorld m_World;
    GameOverDialog m_GameOverDialog;
    SoundBank m_SoundBank;
    GameScreen m_Screen;
    float m_ScreenTimer;
    int32_t m_Level;
    float m_SavedSpeed;
    Voke::SmartPtr<Voke::EffectVolumeShift> m_MasterVolume;
    std::vector<LanguageFlag> m_LanguageFlags;
    Voke::SmartPtr<Voke::Surface> m_SplashLogo;
    GameMode m_Mode;
    float m_ModeTimer;

    // The loading screen: main thread only.
    Voke::SmartPtr<Voke::Surface> m_Throbber;
    int32_t m_LastShownStep;
    int32_t m_ProgressPercent;
    Voke::SmartPtr<Voke::ScreenText> m_ProgressText;
    float m_ThrobberAngle;
    // The hand-over between the loader thread and the main thread: the
    // loader writes the step count after every step and the loaded flag once
    // after the last (release); the main thread reads both (acquire) and
    // touches what the loader builds only after it has seen the flag. The
    // stop flag is the main thread's, read by the loader between steps.
    std::atomic<int32_t> m_LoadStep;
    std::atomic<bool> m_Loaded;
    std::atomic<bool> m_StopLoading;
    std::thread m_LoaderThread;
    bool m_UseLoaderThread;
};
