// The game's application object: the one class through which the engine's
// main loop drives the game, and the game's only polymorphic class.
//
// Initialize creates the engine-wide services (registry with the machine
// keys, asset dictionary, mount table, mixer, text dictionary), the 480 x 320
// back buffer into which the whole game draws, and initialises the game
// controller. Each frame it steps the controller (long frames in small steps),
// draws it into the back buffer and stretches that over the window, and
// keeps the frame-rate figure. Touches become one logical touch point on the
// 480 x 320 screen; every event goes on to the controller.
//
// All fingers share the one touch point and the one pressed flag: each event
// overwrites the point, and the first release clears pressed.
#pragma once

#include <cstdint>

#include "engine/app/maemo_application.h"
#include "engine/core/ref_counter.h"
#include "game/app/game.h"
#include "game/core/touch_point.h"

namespace Voke {
class ScreenText;
class Surface;
}  // namespace Voke

// NOTE: a frame longer than 0.1 s is cut into steps of 0.01 s and a last step
// of the rest. The engine's frame clock hands on at most 1 s, so a long stall
// (the process stopped, a slow machine) costs about 90 small steps.
constexpr float kLongFrameSeconds = 0.1f;
constexpr float kSmallStepSeconds = 0.01f;

// Calls step(seconds) for the game steps of a frame of dt seconds: while
// more than 0.1 s remains, a step of 0.01 s; then one step of the rest. A
// frame of up to 0.1 s is one step of dt.
template <class Step>
void StepGameTime(float dt, Step&& step)
{
    float remaining = dt;
    while (remaining > kLongFrameSeconds) {
        const float small = kSmallStepSeconds;
        step(small);
        const float next = remaining - kSmallStepSeconds;
        // Beyond about 2^18 s (only an absurd time rate gets there) a float
        // no longer shrinks by 0.01: end with one long step instead of
        // looping for ever.
        if (next == remaining) {
            remaining = kLongFrameSeconds;
            break;
        }
        remaining = next;
    }
    step(remaining);
}

// A window position scaled into the logical screen, each product truncated
// toward zero.
inline TouchPoint MapPointer(int x, int y, float scaleX, float scaleY)
{
    return TouchPoint{static_cast<int32_t>(static_cast<float>(x) * scaleX),
                      static_cast<int32_t>(static_cast<float>(y) * scaleY)};
}

class vxb06Application : public Voke::MaemoApplication {
public:
    // NOTE: the frame rate is averaged over at least 0.25 s.
    static constexpr float kFpsPeriod = 0.25f;
    // The exit status when an archive is missing or cannot be read.
    static constexpr int kArchiveFailureStatus = 1;
    // The mount point and root of the save files, in the player's
    // configuration folder.
    static constexpr const char* kSaveFolder = "save/";

    // The platform window and display (application flags 0), then the game.
    vxb06Application();
    // Destroys the game, then the back buffer and the touch list.
    ~vxb06Application() override;

    void Initialize() override;
    void Unload() override;
    void OnKeyDown(unsigned key) override;
    void OnKeyUp(unsigned key) override;
    void OnFocusChanged(bool active) override;
    void Update(float& seconds) override;
    void Render(Voke::MaemoSurface* surface) override;
    // (x, y) in window pixels; the touch id is not used.
    void OnPointerDown(int x, int y, int id) override;
    void OnPointerUp(int x, int y, int id) override;
    void OnPointerMove(int x, int y, int id) override;

    // A new back buffer of the logical screen's size, as the game draws into
    // it and stretches it over the window.
    static Voke::SmartPtr<Voke::Surface> CreateBackBuffer();

    Game& GetGame() { return m_Game; }
    Voke::Surface* GetBackBuffer() const { return m_BackBuffer; }
    int32_t GetFps() const { return m_Fps; }

private:
    // The "FPS: %i" line on the back buffer, in "fontbig": the engine's debug
    // overlay, which would draw it, does not exist in the game.
    void DrawFps(Voke::Surface* target);
    // Takes the save folder for this copy of the game (creating it, as a
    // save would, and locking it) when it can be written. One line on
    // standard output when it cannot be written, there is none, or another
    // copy holds it (then every save fails); nothing otherwise.
    void TakeSaveFolder();
    void StorePoint(int x, int y);

    TouchList m_TouchList;
    Voke::SmartPtr<Voke::Surface> m_BackBuffer;
    float m_FpsTime;
    int32_t m_FrameCount;
    int32_t m_Fps;
    bool m_Pressed;
    // The frame-rate line as laid out for m_FpsShown.
    Voke::SmartPtr<Voke::ScreenText> m_FpsText;
    int32_t m_FpsShown;
    Game m_Game;
};
