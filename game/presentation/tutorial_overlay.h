// The full-screen picture over a running level: the tutorial at the first
// level start (mode 0) and the pause menu (mode 1), which adds a button that
// leaves the run for the main menu. Any touch closes it.
//
// It is drawn over the finished frame on the real window, so its positions
// are window pixels: the button is centred, its top at 20 % of the window's
// height, recomputed at every draw so that it follows the window's size.
//
// The overlay also loads and saves the control-swap setting, the registry's
// bool key "/controls/swap" (which half of the screen jumps and which
// punches): the defaults come from "controls.xml" in the game data, the
// player's copy is "save/controls.xml".
//
// Leaving the run is the game world's to do: after a touch list closed the
// overlay with GetTouchResult() == 1, the world stops its music and switches
// the game to the main menu. The overlay itself only pauses the sound bank.
//
// Without its picture the overlay draws nothing but still takes touches and
// closes. Load runs on the loader thread, everything else on the main thread.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "game/core/touch_point.h"

namespace Voke {
class Surface;
}

class GameBase;
class SoundBank;

class TutorialOverlay {
public:
    enum Mode : int32_t {
        kTutorial = 0,
        kPause = 1,
        kNone = 2,  // no mode shown yet; also the touch result of a miss
    };

    TutorialOverlay();
    ~TutorialOverlay();
    TutorialOverlay(const TutorialOverlay&) = delete;
    TutorialOverlay& operator=(const TutorialOverlay&) = delete;

    // The game: pointer scale and the control-swap byte. Without one the
    // setting is neither read nor written and touches are taken as window
    // pixels.
    void SetOwner(GameBase* owner) { m_Owner = owner; }
    // The bank whose sounds pause when the pause menu's button leaves the
    // run; null for none.
    void SetSoundBank(SoundBank* soundBank) { m_SoundBank = soundBank; }
    // LoadControls, then the tutorial picture and the menu button picture in
    // the chosen language. A missing picture is left empty.
    void Load();
    // Reads "/controls/swap" into the game's control-swap byte after merging
    // "controls.xml", then "save/controls.xml", into the registry. A missing
    // or damaged file merges nothing; without the key the byte keeps its
    // value.
    void LoadControls();
    // Stores the game's control-swap byte in "/controls/swap" and writes the
    // "/controls" subtree to "save/controls.xml". False, with the previous
    // save file intact, when there is no registry or the file cannot be
    // written.
    bool SaveControls();

    // Shows mode 0 (tutorial) or 1 (pause menu with its button).
    void Show(int32_t mode);
    bool IsActive() const { return m_Active; }
    void Hide() { m_Active = false; }
    // At level start: hidden, timer at 0.
    void Reset();
    // While shown: closes the overlay. In mode 1 the first touch on the
    // button (edges included) sets the touch result to 1 and pauses the
    // sound bank; every other list leaves the result at 2.
    void HandleTouches(const TouchList& touches);
    int32_t GetTouchResult() const { return m_TouchResult; }
    // While shown: the picture scaled over the whole target, then the button.
    void Draw(Voke::Surface* target);
    // SaveControls, then drops the tutorial picture (the button picture
    // stays).
    void Release();

    // Time the overlay has been shown since the last Reset, in seconds.
    void Tick(float dt);
    float GetTimer() const { return m_Timer; }
    // The height in logical pixels of the bottom band in which a touch
    // makes the runner slide (the band the tutorial picture explains).
    void SetSlideButtonHeight(int32_t height) { m_SlideButtonHeight = height; }
    int32_t GetSlideButtonHeight() const { return m_SlideButtonHeight; }
    // Called by the game world when it prepares a level.
    void NoOp() {}

    int32_t GetMode() const { return m_Mode; }
    // The shown button's top-left corner in window pixels.
    int32_t GetButtonX() const { return m_ButtonX; }
    int32_t GetButtonY() const { return m_ButtonY; }

private:
    // Places the shown button on a window of that size.
    void PlaceButton(int32_t screenWidth, int32_t screenHeight);
    // The window's size from the display's main surface; false when there is
    // no display.
    static bool GetScreenSize(int32_t& width, int32_t& height);

    GameBase* m_Owner;
    SoundBank* m_SoundBank;
    bool m_Active;
    Voke::SmartPtr<Voke::Surface> m_MenuButton;
    Voke::SmartPtr<Voke::Surface> m_ShownButton;
    int32_t m_ButtonX;
    int32_t m_ButtonY;
    int32_t m_Mode;
    int32_t m_TouchResult;
    Voke::SmartPtr<Voke::Surface> m_Picture;
    float m_Timer;
    int32_t m_SlideButtonHeight;
};
