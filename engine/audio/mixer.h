// The engine's software mixer. Sources, channels and the output device arrive
// with the audio work; this holds what the application base asks of it.
#pragma once

#include <atomic>

#include "engine/core/ref_counter.h"

namespace Voke {

class Mixer : public RefCounter, public WeakRefCounter {
public:
    // Pause reasons held in the pause mask.
    enum PauseReason : int {
        kPauseInactive = 1,  // the application is not the active window
        kPauseOverlay = 2,   // the debug overlay is shown
    };

    // Adds (`paused` true) or removes the reason bits. While the mask is non-zero
    // the mixer holds no output device.
    void SetPaused(int reasons, bool paused);
    int GetPauseMask() const { return m_pauseMask.load(); }

private:
    std::atomic<int> m_pauseMask{0};
};

}  // namespace Voke
