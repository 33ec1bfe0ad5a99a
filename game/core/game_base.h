// The game's base services: the first part of the game controller.
//
// GameBase is a plain record that the controller (Game) starts with, so that
// every component holding a pointer to the game reads these fields directly:
// the logical screen size, the pointer scale, the screen shake and its
// offsets, the fonts, the statistics of the current run, the game's one
// random generator, the resolution table and the game-wide flags. Beside it
// are the small services the whole game uses: StrICmp for the XML readers,
// ComputeParallaxTile for the scenery and DrawPanel for the pop-up pages.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "game/core/screen_shake.h"

namespace Voke {
class FontEx;
class RNG;
class Surface;
namespace Text {
class FontSet;
}
}  // namespace Voke

class ResolutionDependence;

// NOTE: the logical screen the game lays out and draws in, whatever the
// window's size; also the size that a component without a game base takes
// the screen to have.
constexpr int32_t kLogicalScreenWidth = 480;
constexpr int32_t kLogicalScreenHeight = 320;

// The six levels, as the game numbers them (0 to 5; the data files count
// from 1). Some rules belong to one level: the sewers' water pieces, the
// construction yard's fans and beams.
enum GameLevel : int32_t {
    kLevelPrison = 0,
    kLevelUnderground = 1,
    kLevelSewers = 2,
    kLevelConstructionYard = 3,
    kLevelSuburbs = 4,
    kLevelRooftops = 5,
};

class GameBase {
public:
    GameBase();
    ~GameBase();
    GameBase(const GameBase&) = delete;
    GameBase& operator=(const GameBase&) = delete;

    // Creates the generator, seeded from the clock in whole seconds, and
    // hands it to the screen shake (whose defaults are then restored).
    void InitRandom();
    // As InitRandom with a fixed seed: one seed gives one game (tests and
    // benchmarks).
    void InitRandom(uint32_t seed);
    // Releases the generator; Random gives 0 afterwards.
    void ReleaseRandom();
    // The generator's next 32-bit output modulo 32767 (0 to 32766); 0 while
    // there is no generator. Every random number of the game's own code comes
    // from here, so the number and order of calls shape every later draw.
    int32_t Random();
    // Steps the screen shake and copies its offsets into m_ShakeX / m_ShakeY.
    void UpdateShake(float dt);

    // Logical screen, kLogicalScreenWidth x kLogicalScreenHeight in this
    // game; set by the application.
    int32_t m_ScreenWidth;
    int32_t m_ScreenHeight;
    // Window to logical screen: m_ScreenWidth / display width (and height).
    float m_PointerScaleX;
    float m_PointerScaleY;
    // Current shake offsets, added to the positions of shaken drawing.
    int32_t m_ShakeX;
    int32_t m_ShakeY;
    ScreenShake m_Shake;

    // "default" (from "fontMenu.xml") and "fontbig" (from "fontbig.xml"),
    // and the set that holds both by those names.
    Voke::SmartPtr<Voke::FontEx> m_DefaultFont;
    Voke::SmartPtr<Voke::FontEx> m_BigFont;
    Voke::SmartPtr<Voke::Text::FontSet> m_Fonts;

    // Statistics of the current run. Times are game-clock seconds (the clock
    // runs 120 times faster than real time); distances pixels, 10 to the metre.
    int32_t m_RunTime;
    int32_t m_LevelTime;
    float m_RunDistance;
    float m_LevelDistance;
    int32_t m_Jumps;
    int32_t m_Slides;
    int32_t m_ObstaclesDestroyed;
    int32_t m_Score;
    int32_t m_Multiplier;
    // 1 once the last level's ending has started.
    int32_t m_Completed;
    // Lives left in the run. The controller owns the count; it sits here
    // beside the score so the head-up display can read it through its owner.
    int32_t m_Lives;

    // Null before InitRandom and after ReleaseRandom.
    Voke::SmartPtr<Voke::RNG> m_Random;
    // Points into the controller, which owns the table; null until the
    // game's initialisation.
    ResolutionDependence* m_Resolution;
    bool m_SoundOn;
    bool m_TutorialShown;
    bool m_FromLevelMenu;
    bool m_Endless;
    int32_t m_EndlessLevel;
    // Jump and punch halves of the screen swapped ("/controls/swap").
    bool m_SwapControls;
};

// Case-insensitive compare of NUL-terminated byte strings for the XML
// readers: only 'A'..'Z' are folded. Returns -1, 0 or 1; a null `a` gives -1,
// else a null `b` gives 1.
int32_t StrICmp(const char* a, const char* b);

// Parallax offsets of the scenery. outX = trunc(unitX * scrollX / divisor)
// when divisor > 0 (else 0), wrapped into [0, width) when width >= 1 and the
// value is not negative. outY = trunc(unitY * scrollY / divisor) when
// divisor >= 1, trunc(unitY * scrollY) when 0 < divisor < 1, else 0. Either
// output may be null; the owner is not used.
void ComputeParallaxTile(const GameBase* owner, int32_t unitX, int32_t unitY, int32_t width, int32_t* outX,
                         int32_t* outY, float scrollX, float scrollY, float divisor);

// A pop-up panel with inclusive corners (x1, y1) and (x2, y2): the outline
// through (x1, y1)-(x2 + 1, y2 + 1) and a translucent fill 3 px inside.
void DrawPanel(Voke::Surface* surface, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
