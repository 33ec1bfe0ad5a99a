// The on-screen debug overlay, as the application base sees it: a frame hook,
// a render hook and input hooks, and the two process-wide flags that decide
// who gets input. Nothing in the game creates an overlay.
#pragma once

#include "engine/core/ref_counter.h"

namespace Voke {

class MaemoSurface;

class DebugOverlay : public RefCounter {
public:
    // Advances the overlay; may change the frame time the application gets.
    virtual void Update(float& seconds);
    virtual void Render(MaemoSurface* surface);
    virtual void OnKeyDown(unsigned key);
    virtual void OnKeyUp(unsigned key);
    virtual void OnPointerDown(int x, int y, int id);
    virtual void OnPointerUp(int x, int y, int id);
    virtual void OnPointerMove(int x, int y, int id);

    // The overlay is shown; toggled by KEY_TILDE.
    static bool s_visible;
    // The overlay has taken input: the next key-down or pointer-down is
    // swallowed and clears the flag.
    static bool s_holdsInput;
};

}  // namespace Voke
