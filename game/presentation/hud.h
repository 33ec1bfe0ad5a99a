// The head-up display drawn over a running level.
//
// Five elements: the status panel at the top left (the in-game clock, a time
// bar filling as the level's playing time runs out, the lives), the score
// panel at the top right (seven score digits and the multiplier after an
// "X"), the level-intro banner at 70 % of the screen height on the right
// edge (the level's name and its clock label on a black band that opens,
// holds and closes), black letterbox bars at the top and bottom, and the
// score-gain popup that rises and fades beside the runner.
//
// The HUD owns no game state: the game world pushes the time fraction, the
// clock and the animation triggers every frame, the player pushes the points
// it gains and its screen position, and the score, multiplier, lives,
// endless flag, screen size and font set are read from the game.
//
// Numbers are drawn glyph by glyph from single-glyph texts laid out once in
// Load, so nothing is laid out while a level runs. Lives show 0 to 99 (larger
// counts show 99); negative numbers show as 0. An image that failed to load
// is skipped where it would be drawn.
//
// Load runs on the loader thread before the level's first frame; everything
// else on the main thread. There is no lock.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"

namespace Voke {
class ScreenText;
class Surface;
}  // namespace Voke

class GameBase;

// Empties the level-name table that every Hud::Load fills, freeing the
// names' memory; the table itself lasts as long as the program.
void DestroyLevelNameTable();

class Hud {
public:
    // NOTE: six levels, each with a title and a clock label.
    static constexpr int kLevels = 6;

    Hud();
    ~Hud();
    Hud(const Hud&) = delete;
    Hud& operator=(const Hud&) = delete;

    // The game. Without one nothing is drawn and no text is built.
    void SetOwner(GameBase* owner) { m_Owner = owner; }
    // Builds the texts, fetches the images and stops every animation. A text
    // id missing from the text dictionary shows the id itself; a missing
    // image leaves its element undrawn.
    void Load();
    // Drops the texts, the score-gain font and the panel images; the colour
    // and lives images stay until destruction.
    void Release();
    // At every level start: the level's texts (the index bounded to 0..5),
    // no letterbox, no banner, no popup, an empty time bar. The panels keep
    // their state.
    void Reset(int32_t level);
    // Called before a level is prepared or restarted; nothing to clear.
    void Clear() {}

    // The values of the three state machines, as GetBarsState,
    // GetPanelsState and GetIntroState report them. The bars and the panels
    // number their leaving and shown states in opposite orders.
    enum BarsState : int32_t { kBarsHidden = 0, kBarsComingIn = 1, kBarsGoingOut = 2, kBarsShown = 3 };
    enum PanelsState : int32_t { kPanelsHidden = 0, kPanelsComingIn = 1, kPanelsShown = 2, kPanelsGoingOut = 3 };
    // The banner opens, holds and closes, then is off again.
    enum IntroState : int32_t { kIntroOff = 0, kIntroOpening = 1, kIntroHolding = 2, kIntroClosing = 3 };

    // Letterbox bars: shown at once, or coming in and going out over time.
    void SetBarsShown();
    void HideBars();   // only from kBarsShown
    void ShowBars();   // only from kBarsHidden
    int32_t GetBarsState() const { return m_BarsState; }
    // Slides both panels out (from their current position while they are
    // still coming in); nothing while they are hidden or already leaving.
    void HidePanels();
    // Opens the level-intro banner: about 0.32 s opening, 4 s holding,
    // 0.32 s closing.
    void ShowLevelIntro();
    // The in-game time of day in seconds (hours wrap at 24).
    void SetClock(int32_t seconds) { m_Clock = seconds; }
    // Elapsed playing time over the level's playing time; the bar shows it
    // clamped to 0..1.
    void SetTimeFraction(float fraction) { m_TimeFraction = fraction; }
    // Starts (or restarts, with the new value) the score-gain popup.
    void ShowScoreGain(int32_t points);
    // Where the popup is anchored: the runner's screen position.
    void SetPlayerPosition(int32_t x, int32_t y);

    // Advances the bars, the banner, the popup and the panels, in that order.
    void Update(float dt);
    void UpdateBars(float dt);
    void UpdateLevelIntro(float dt);
    void UpdateScoreGain(float dt);
    void UpdatePanels(float dt);

    // Draws the HUD: outside endless mode the status panel and the banner,
    // then the score panel, the bars and the popup.
    void Draw(Voke::Surface* target);
    void DrawStatusPanel(Voke::Surface* target);
    void DrawLevelIntro(Voke::Surface* target);
    void DrawScorePanel(Voke::Surface* target);
    void DrawBars(Voke::Surface* target);
    void DrawScoreGain(Voke::Surface* target);

    // The pieces of Load and Release.
    void LoadTitleTexts();
    void LoadDigitTexts();
    void LoadPanelImages();
    void LoadScoreFont();
    void ReleaseGroupA();  // level titles and clock labels
    void ReleaseGroupB();  // digits, colon and cross
    void ReleaseScoreGain();
    void ReleasePanelImages();

    // State, for the game world's checks and for tests.
    int32_t GetLevel() const { return m_Level; }
    float GetBarsAmount() const { return m_BarsAmount; }
    int32_t GetIntroState() const { return m_IntroState; }
    float GetIntroPhase() const { return m_IntroPhase; }
    int32_t GetPanelsState() const { return m_PanelsState; }
    float GetPanelsAmount() const { return m_PanelsAmount; }
    bool IsScoreGainActive() const { return m_GainActive; }
    float GetScoreGainAmount() const { return m_GainAmount; }

private:
    enum PanelImage { kScoreSeparator, kScoreIcon, kTimeBar, kTimeIcon, kCapDown, kCapUp, kPanelImages };
    enum ColourImage { kBlack, kPanelLine, kPanelFill, kWhite, kLivesIcon, kLivesSeparator, kColourImages };

    // One pixel of a one-colour image stretched over (x, y, width, height).
    void Fill(Voke::Surface* target, Voke::Surface* colour, int32_t x, int32_t y, int32_t width, int32_t height);
    // A laid-out text at (x, y); nothing for a missing or empty text.
    static void DrawText(Voke::Surface* target, const Voke::ScreenText* text, int32_t x, int32_t y);
    // Digit 0 to 9 at (x, y).
    void DrawDigit(Voke::Surface* target, int32_t digit, int32_t x, int32_t y);
    // The whole image with its top-left corner at (x, y); nothing when null.
    static void BlitImage(Voke::Surface* target, Voke::Surface* image, int32_t x, int32_t y);
    static int32_t WidthOf(const Voke::Surface* image);

    GameBase* m_Owner;
    int32_t m_Level;
    float m_BarsAmount;
    int32_t m_BarsState;
    Voke::SmartPtr<Voke::ScreenText> m_Titles[kLevels];
    Voke::SmartPtr<Voke::ScreenText> m_ClockLabels[kLevels];
    int32_t m_IntroState;
    float m_IntroPhase;
    int32_t m_PanelsState;
    float m_PanelsAmount;
    int32_t m_Clock;
    Voke::SmartPtr<Voke::ScreenText> m_Digits[10];
    Voke::SmartPtr<Voke::ScreenText> m_Colon;
    Voke::SmartPtr<Voke::ScreenText> m_Cross;
    Voke::SmartPtr<Voke::Surface> m_PanelImages[kPanelImages];
    float m_TimeFraction;
    Voke::SmartPtr<Voke::Surface> m_ScoreFont;
    bool m_GainActive;
    int32_t m_GainValue;
    float m_GainAmount;
    int32_t m_PlayerX;
    int32_t m_PlayerY;
    Voke::SmartPtr<Voke::Surface> m_ColourImages[kColourImages];
};
