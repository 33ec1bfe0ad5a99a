// Screen shake: a jittering pixel offset for a limited time.
//
// Every 16 ms of accumulated frame time a running shake draws a new offset
// within +-strength on each enabled axis, optionally fading out along a
// quarter sine wave. The game owns one (GameBase::m_Shake) and copies its
// integer offsets into GameBase::m_ShakeX / m_ShakeY once per step; thunder
// and the level decorations start shakes. Main thread only.
#pragma once

namespace Voke {
class RNG;
}

// A shake request.
struct ShakeParams {
    float duration;  // seconds
    float strength;  // largest offset in pixels
    bool shakeX;
    bool shakeY;
    bool fadeX;
    bool fadeY;
};

class ScreenShake {
public:
    ScreenShake();

    // Stores the random source (not owned), then restores the default
    // settings without clearing it.
    void SetRandom(Voke::RNG* random);
    // A null request does nothing; a weaker request than the running shake
    // is ignored, an equal or stronger one replaces it. A request whose
    // duration is not positive ends the shake at once.
    void Start(const ShakeParams* params);
    // Ends the shake; the offsets drop to 0 at the next Update.
    void Stop();
    void Update(float dt);
    // The offsets truncated toward zero.
    int GetOffsetX() const;
    int GetOffsetY() const;
    bool IsRunning() const { return m_Running; }
    // The release hook GameBase::ReleaseRandom calls; there is nothing to free.
    void Release() {}

private:
    void RestoreDefaults();
    float NextOffset();

    float m_Duration;
    float m_Strength;
    bool m_ShakeX;
    bool m_ShakeY;
    bool m_FadeX;
    bool m_FadeY;
    bool m_Running;
    float m_Remaining;
    float m_OffsetX;
    float m_OffsetY;
    float m_StepTimer;
    Voke::RNG* m_Random;
};
