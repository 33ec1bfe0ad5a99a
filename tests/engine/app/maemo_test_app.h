// An application for the platform tests: records what reaches its hooks and
// runs a scripted step on every frame.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/app/clock.h"
#include "engine/app/maemo_application.h"

namespace Voke {

class RecordingMaemoApp : public MaemoApplication {
public:
    RecordingMaemoApp() : MaemoApplication(0) {}

    // Called on every Update; returns true when the test is done (the
    // application then exits). A run longer than `limitMs` exits as well:
    // that only guards against a test that hangs.
    std::function<bool(RecordingMaemoApp&)> step;
    int64_t limitMs = 30000;
    // Called on every change of focus, after it is logged: on a loss the
    // main loop goes on into its paused wait.
    std::function<void(RecordingMaemoApp&, bool active)> focusChanged;
    bool timedOut = false;

    std::vector<std::string> log;  // input, focus and life-cycle events
    std::vector<float> frameTimes;
    int initializes = 0;
    int unloads = 0;
    int updates = 0;
    int renders = 0;
    int updatesAtPause = -1;     // updates before the last loss of focus
    int updatesWhilePaused = 0;  // updates between a loss of focus and its return

    void Initialize() override
    {
        ++initializes;
        m_startMs = GetTimeMs();
    }
    void Unload() override { ++unloads; }
    void Update(float& seconds) override
    {
        ++updates;
        if (m_inactive) ++updatesWhilePaused;
        frameTimes.push_back(seconds);
        if (GetTimeMs() - m_startMs > limitMs) {
            timedOut = true;
            Exit();
            return;
        }
        if (step && step(*this)) Exit();
    }
    void Render(MaemoSurface*) override { ++renders; }
    void OnKeyDown(unsigned key) override { log.push_back("key down " + std::to_string(key)); }
    void OnKeyUp(unsigned key) override { log.push_back("key up " + std::to_string(key)); }
    void OnFocusChanged(bool active) override
    {
        log.push_back(active ? "active" : "inactive");
        m_inactive = !active;
        if (!active) updatesAtPause = updates;
        if (focusChanged) focusChanged(*this, active);
    }
    void OnPointerDown(int x, int y, int id) override { Pointer("down", x, y, id); }
    void OnPointerMove(int x, int y, int id) override { Pointer("move", x, y, id); }
    void OnPointerUp(int x, int y, int id) override { Pointer("up", x, y, id); }
    void OnAccelerometer(float& x, float& y, float& z) override
    {
        log.push_back("accel " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z));
    }

    using MaemoApplication::ReadAccelerometer;

    bool Logged(const std::string& entry) const
    {
        for (const std::string& e : log)
            if (e == entry) return true;
        return false;
    }

private:
    void Pointer(const char* what, int x, int y, int id)
    {
        log.push_back(std::string("pointer ") + what + " " + std::to_string(x) + "," + std::to_string(y) + "#" +
                      std::to_string(id));
    }
    int64_t m_startMs = 0;
    bool m_inactive = false;
};

}  // namespace Voke
