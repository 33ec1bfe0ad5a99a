// The frame counter: turns frame times into a frames-per-second figure,
// published four times a second.
#pragma once

#include "engine/core/ref_counter.h"

namespace Voke {

class FpsCounter : public RefCounter {
public:
    // NOTE: the figure is recomputed once more than this many seconds have
    // passed since the last one.
    static constexpr float kPeriod = 0.25f;

    FpsCounter() = default;

    // Counts one frame of `seconds`; once the elapsed time exceeds the period
    // publishes frames / elapsed and starts counting again.
    void Update(float seconds);

    // The last published figure; 0 until the first period has passed.
    float GetFps() const { return m_fps; }

private:
    float m_elapsed = 0.0f;
    int m_frames = 0;
    float m_fps = 0.0f;
};

}  // namespace Voke
