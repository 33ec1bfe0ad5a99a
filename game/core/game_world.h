// The running level: the world that the game controller starts, steps and
// asks for its state.
//
// Here: the level tuning of "level_gameplay.xml" (the runner's speeds and
// acceleration ranges, the playing time, the start time of day, the
// fireworks time of each of the six levels) and the game-wide switches the
// same file carries. The defaults are set at construction; reading the file
// overwrites only what it names and nothing is ever written back.
#pragma once

#include <cstdint>
#include <string>

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

class GameWorld {
public:
    // Every level and switch at its default.
    GameWorld();
    GameWorld(const GameWorld&) = delete;
    GameWorld& operator=(const GameWorld&) = delete;

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

    // Fields in the order of the world's record; the level's other members
    // sit between them.
    bool RenderFPS;
    bool DebugLevelsMenu;
    LevelParams m_LevelParams[6];
    int32_t RenderDebugParams;
    // Height of the bottom band of the screen where a touch slides, logical
    // pixels; the tutorial overlay gets the same value.
    int32_t iPhoneSlideButtonHeight;
    int32_t MainMenuNameField;
    // Read and kept; the more-games button opens the application's own address.
    std::string MainMenuMoreGamesURL;
};
