// The running level: the world that the game controller starts, steps, draws
// and asks for its state.
//
// The world owns by value everything a level shows and simulates: the
// head-up display, the runner, the weather, thunder and fireworks, the
// tutorial/pause overlay, the credits script and, for each of the six
// levels, its parallax background, its decorations, its building row and
// its obstacles, plus the six pictures flown in between levels. One level is
// current at a time.
//
// A level runs from StartLevel until the controller reads a state other than
// Running: Caught once the runner's death has played, EndReached once the
// next level's flying picture has crossed the screen (or, on the last level,
// once the credits have finished), QuitToMenu from the pause menu. The
// in-game clock runs 120 times faster than play from the level's start time
// of day; after the level's playing time (never in endless mode) the
// building about a screen ahead of the runner becomes the exit.
//
// The level tuning comes from "level_gameplay.xml" (the runner's speeds and
// acceleration ranges, the playing time, the start time of day, the
// fireworks time of each level) with the game-wide switches the same file
// carries; the defaults are set at construction, reading the file
// overwrites only what it names and nothing is ever written back.
//
// Drawing goes into the game's 480 x 320 back buffer; the overlay is drawn
// afterwards over the window. Missing images and pictures draw nothing.
//
// Threads: LoadStep runs on the loader thread while the main thread does
// not touch the world; everything else on the main thread. The music
// channel is shared with the audio thread and its flags change only
// through the mixer's locked setters.
#pragma once

#include <cstdint>
#include <string>

#include "engine/audio/audio_channel.h"
#include "engine/audio/audio_source.h"
#include "engine/core/ref_counter.h"
#include "game/core/game_base.h"
#include "game/core/touch_point.h"
#include "game/presentation/fireworks.h"
#include "game/presentation/hud.h"
#include "game/presentation/level_background.h"
#include "game/presentation/level_decorations.h"
#include "game/presentation/script_player.h"
#include "game/presentation/thunder_effect.h"
#include "game/presentation/tiled_picture.h"
#include "game/presentation/tutorial_overlay.h"
#include "game/presentation/weather_effect.h"
#include "game/world/building_manager.h"
#include "game/world/building_tables.h"
#include "game/world/obstacle_manager.h"
#include "game/world/player.h"

namespace Voke {
class ScreenText;
class Surface;
}  // namespace Voke

class GameBase;
class SoundBank;

// A speed-dependent acceleration of the runner.
struct AccelerationRange {
    float minvel;  // lowest runner speed at which the range applies, px/s
    float maxvel;  // read and kept; nothing consults it
    float value;   // the acceleration in the range, px/s^2
};

// NOTE: a level keeps at most 8 acceleration ranges; later ones overwrite
// the eighth.
constexpr int32_t kMaxAccelerationRanges = 8;

// The tuning of one level (index 0 to 5; the file numbers levels 1 to 6).
struct LevelParams {
    float PlayerStartHorizontalSpeed = 360.0f;
    float PlayerMinHorizontalSpeed = 360.0f;
    float PlayerMaxHorizontalSpeed = 450.0f;
    float PlayerAcceleration = 2.8f;
    int32_t rangeCount = 0;
    AccelerationRange ranges[kMaxAccelerationRanges] = {};
    // Seconds of play after which the level's exit is placed.
    float TimeOfPlayingInSeconds = 115.0f;
    // Start time of day shown by the clock.
    int32_t hour = 23;
    int32_t minute = 0;
    int32_t second = 0;
    float FireworksStartTime = 5.0f;
};

// Whether the level's playing time is over after `elapsed` seconds of play.
// A playing time of 0 or less is over from the start.
bool IsLevelTimeOver(const LevelParams& params, float elapsed);
// Share of the playing time used, elapsed / playing time (for the time bar);
// 1.0 when the playing time is 0 or less.
float LevelTimeFraction(const LevelParams& params, float elapsed);

// What the controller reads from the world after every step.
enum class WorldState : int32_t {
    Inactive = 0,    // no level started (or it was prepared away)
    Running = 1,
    Caught = 2,      // the runner's death has played
    EndReached = 3,  // the flight to the next level is over, or the credits
    QuitToMenu = 4,  // the pause menu left the run
};

class GameWorld {
public:
    // NOTE: six levels, each with its scenery, row and obstacles, and one
    // flying picture leaving each level.
    static constexpr int kLevels = kLevelCount;
    // NOTE: the world's own loading steps, 0 to 45.
    static constexpr int kLoadSteps = 46;
    // NOTE: the game clock runs this many times faster than play.
    static constexpr float kClockRate = 120.0f;

    // Every level and switch at its default, no level active, state Running.
    GameWorld();
    // Destroys the members in reverse order; Release should have run.
    ~GameWorld();
    GameWorld(const GameWorld&) = delete;
    GameWorld& operator=(const GameWorld&) = delete;

    // The game (its GameBase part): hands it to every member. Not owned.
    void SetOwner(GameBase* owner);
    // The game's sound bank, for the runner, the thunder, the overlay, the
    // decorations and the obstacles of every level and the level's sound
    // cues. Null silences them.
    void SetSoundBank(SoundBank* soundBank);
    // One loading step, 0 to 45, on the loader thread (another number only
    // clears the ending). A file or asset that is missing leaves its member
    // empty; nothing is reported.
    void LoadStep(int32_t step);
    // Stops the music and drops every image, picture, sound and text of the
    // world and its members; the overlay saves the controls setting first.
    void Release();

    // Reads the level tuning file. False, every value unchanged, for a null
    // name, a file that does not open or one that is not XML; true once the
    // file was walked. Elements are matched by name without regard to case
    // at any depth; an element whose "level" is missing or outside 1 to 6,
    // or an attribute that is missing or does not parse, changes nothing.
    // Acceleration ranges accumulate: a second read appends to them.
    bool ReadLevelParams(const char* fileName);

    bool IsDebugLevelsMenu() const { return DebugLevelsMenu; }
    bool HasMainMenuNameField() const { return MainMenuNameField != 0; }
    bool GetRenderFps() const { return RenderFPS; }

    // The tuning of a level 0 to 5 (level 0 for any other number).
    const LevelParams& GetLevelParams(int32_t level) const;

    // Starts (or restarts) level 0 to 5; another number does nothing. The
    // row and obstacles are not rebuilt here (ResetLevels does that).
    void StartLevel(int32_t level);
    // Ends the active level: no level is current and GetState gives Inactive.
    void PrepareLevel();
    // Rebuilds every level's row and places its obstacles afresh.
    void ResetLevels();
    // One game step of dt seconds: the level's rules, camera, runner,
    // scenery and effects. Nothing while no level is active, while paused
    // (but for pausing the music) or once the state is not Running.
    void Update(float dt);
    WorldState GetState() const { return m_Active ? m_State : WorldState::Inactive; }

    // Pause shows the pause menu and pauses the sound bank; Resume resumes
    // the bank. The music follows on the next Update.
    void Pause();
    void Resume();
    // Pauses the sound bank's channels (the last level's ending).
    void PauseSounds();
    // Plays the in-game music from its beginning, looping, on a channel of
    // its own (a channel still playing from an earlier start is stopped
    // first); nothing without the music source or a mixer.
    void StartMusic();
    // Stops the music channel while it plays.
    void StopMusic();

    // Input in logical screen pixels and engine key codes; only while a
    // level is active.
    void OnTouch(const TouchList& touches);
    void OnPointerMove(const TouchList& touches);
    void OnPointerUp(const TouchList& touches);
    void OnKey(unsigned key);
    void OnKeyUp(unsigned key);

    // Draws the active level into the back buffer. With a null target
    // nothing is drawn, but the transitions still advance (their end ends
    // the level), so a run without a screen ends its levels too.
    void Render(Voke::Surface* target);
    // The flying pictures that carry the screen from one level into the next.
    void DrawTransitions(Voke::Surface* target);
    // The tutorial/pause overlay over the finished frame, while shown.
    void DrawOverlay(Voke::Surface* target);

    // Parts of Update, in the order it runs them.
    void UpdateCamera(float dt);
    void UpdateSoundCues(float dt);
    void UpdateWeather();

    // State, for the controller and for tests.
    Player& GetPlayer() { return m_Player; }
    const Player& GetPlayer() const { return m_Player; }
    Hud& GetHud() { return m_Hud; }
    TutorialOverlay& GetOverlay() { return m_Overlay; }
    ScriptPlayer& GetScriptPlayer() { return m_ScriptPlayer; }
    BuildingManager& GetBuildings(int32_t level) { return m_Buildings[ClampLevel(level)]; }
    ObstacleManager& GetObstacles(int32_t level) { return m_Obstacles[ClampLevel(level)]; }
    int32_t GetLevel() const { return m_Level; }
    bool IsActive() const { return m_Active; }
    bool IsPaused() const { return m_Paused; }
    bool IsExitPlaced() const { return m_ExitPlaced; }
    bool IsEndingStarted() const { return m_EndingStarted; }
    bool IsRunnerGone() const { return m_RunnerGone; }
    float GetElapsed() const { return m_Elapsed; }
    int32_t GetClock() const { return m_Clock; }
    int32_t GetFrameCount() const { return m_FrameCount; }
    const Voke::WeakPtr<Voke::AudioChannel>& GetMusicChannel() const { return m_MusicChannel; }
    const Voke::AudioSource* GetMusicSource() const { return m_MusicSource; }

    // Fields in the order of the world's record. The game-wide settings
    // read from the tuning file keep the names of its keys: RenderFPS,
    // DebugLevelsMenu, RenderDebugParams, iPhoneSlideButtonHeight,
    // MainMenuNameField and MainMenuMoreGamesURL (so do the LevelParams
    // fields). The other names without m_ are state, not settings:
    // FlyingPicture, CameraFollowShare, EndingTimer, SoundCueTimer,
    // PauseButtonImage and PauseText.
    GameBase* m_Owner;
    bool m_Active;
    WorldState m_State;
    SoundBank* m_SoundBank;
    bool RenderFPS;
    bool DebugLevelsMenu;
    int32_t m_FrameCount;
    // Seconds of play since the level started.
    float m_Elapsed;
    // The level's start time of day and the shown time of day, in seconds.
    int32_t m_TimeStart;
    int32_t m_Clock;
    Hud m_Hud;
    Player m_Player;
    WeatherEffect m_Weather;
    ThunderEffect m_Thunder;
    Fireworks m_Fireworks;
    TutorialOverlay m_Overlay;
    LevelBackground m_Backgrounds[kLevels];
    // The background layers of a level in the order the scenery draws them
    // (on the second level the platform edge last, in front of the runner).
    struct LayerOrder {
        const int32_t* layers;
        int32_t count;
    };
    static LayerOrder BackgroundLayerOrder(int32_t level);
    BuildingManager m_Buildings[kLevels];
    LevelDecorations m_Decorations[kLevels];
    ObstacleManager m_Obstacles[kLevels];
    // The current level's members; all null while no level is active. Set
    // only through SetCurrentLevelMembers.
    LevelBackground* m_Background;
    BuildingManager* m_CurrentBuildings;
    LevelDecorations* m_CurrentDecorations;
    ObstacleManager* m_CurrentObstacles;
    // Picture k is shown leaving level k and again entering level k + 1.
    TiledPicture FlyingPicture[kLevels];
    int32_t m_Level;
    bool m_ExitPlaced;
    // Set by the transition drawing once the next level's picture covers the
    // screen; the next Update turns it into EndReached.
    bool m_EndReached;
    // Percent of the runner's vertical offset taken by moving him on the
    // screen (the rest scrolls the scenery).
    float CameraFollowShare;
    LevelParams m_LevelParams[kLevels];
    Voke::SmartPtr<Voke::AudioSource> m_MusicSource;
    Voke::WeakPtr<Voke::AudioChannel> m_MusicChannel;
    ScriptPlayer m_ScriptPlayer;
    // The last level's ending: begun on the exit building; the runner has
    // left the screen; seconds since he left.
    bool m_EndingStarted;
    bool m_RunnerGone;
    float EndingTimer;
    // Vertical positions of the flying pictures entering and leaving.
    int32_t m_TransitionStartY;
    int32_t m_TransitionExitY;
    // The camera's split of the runner's vertical offset, px.
    float m_PlayerShare;
    float m_SceneryShare;
    int32_t RenderDebugParams;
    bool m_CueOncePlayed;
    bool m_CueRepeatPlayed;
    float SoundCueTimer;
    Voke::SmartPtr<Voke::Surface> PauseButtonImage;
    bool m_Paused;
    Voke::SmartPtr<Voke::ScreenText> PauseText;
    // The touch that closed the pause menu is still down; its release must
    // not act.
    bool m_SwallowRelease;
    // Height of the bottom band of the screen where a touch slides, logical
    // pixels; the tutorial overlay gets the same value.
    int32_t iPhoneSlideButtonHeight;
    int32_t MainMenuNameField;
    // Read and kept; the more-games button opens the application's own address.
    std::string MainMenuMoreGamesURL;

private:
    // No level: the current-level pointers are all null.
    static constexpr int32_t kNoLevel = -1;

    static int32_t ClampLevel(int32_t level) { return level >= 0 && level < kLevels ? level : 0; }
    // Points the current-level pointers at the members of level 0 to 5, or
    // sets them all null for kNoLevel.
    void SetCurrentLevelMembers(int32_t level);
    bool HasCurrentLevel() const;
    // The logical screen, 480 x 320 without an owner.
    int32_t ScreenWidth() const;
    int32_t ScreenHeight() const;
    void DrawScenery(Voke::Surface* target);
    void DrawDebugLines(Voke::Surface* target);
    void DrawPauseButton(Voke::Surface* target);
    // The music channel's paused flag as last set through the mixer.
    void SetMusicPaused(bool paused);
    bool m_MusicPaused;
};
