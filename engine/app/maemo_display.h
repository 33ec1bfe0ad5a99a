// The handset's display: wraps the one window surface and sets the screen's
// orientation through the window property the desktop reads.
#pragma once

#include "engine/app/display.h"

namespace Voke {

class MaemoDisplay : public Display {
public:
    // A display for a window of width x height. The first call creates the
    // process-wide window surface (MaemoSurface::Create); later calls resize
    // that surface in place, so every display shares it. Returns a new display
    // (reference count 0), or null when the window surface could not be
    // created.
    static MaemoDisplay* Create(int width, int height);

    // Landscape when the surface is wider than high, else portrait.
    explicit MaemoDisplay(MaemoSurface* surface);

    // 1 (portrait) sets the window's orientation angle to 270, 2 (landscape)
    // to 0; any other value returns false and does nothing. The display's own
    // orientation stays the one of its size.
    bool SetOrientation(int orientation) override;
    int GetOrientation() const override { return m_orientation; }
    int GetSupportedOrientations() const override { return kPortrait | kLandscape; }

    // The process-wide window surface, or null.
    static MaemoSurface* GetWindowSurface();
    // Releases the process-wide window surface (the application's destructor
    // does, before the window goes).
    static void ReleaseWindowSurface();

private:
    int m_orientation;
};

}  // namespace Voke
