// The main loop's frame clock: the time between two passes, in seconds.
#pragma once

#include <cstdint>

namespace Voke {

class FrameClock {
public:
    // The longest frame time handed on. A longer gap (the wall clock set
    // forward, the process stopped) would otherwise be simulated in one go.
    static constexpr float kMaxFrameSeconds = 1.0f;

    // Starts (or restarts, after a pause) counting from `nowMs`.
    void Restart(int64_t nowMs) { m_lastMs = nowMs; }

    // The frame time since the last reading, clamped to [0, kMaxFrameSeconds]
    // (the wall clock may also be set back); the reading becomes the start of
    // the next frame.
    float Next(int64_t nowMs)
    {
        int64_t elapsed = nowMs - m_lastMs;
        m_lastMs = nowMs;
        if (elapsed <= 0) return 0.0f;
        float seconds = static_cast<float>(elapsed) * 0.001f;
        return seconds > kMaxFrameSeconds ? kMaxFrameSeconds : seconds;
    }

private:
    int64_t m_lastMs = 0;
};

}  // namespace Voke
