// The display: the window surface and the orientation of the screen.
#pragma once

#include "engine/core/ref_counter.h"
#include "engine/graphics/maemo_surface.h"

namespace Voke {

class Display : public RefCounter {
public:
    enum Orientation : int {
        kPortrait = 1,
        kLandscape = 2,
    };

    explicit Display(MaemoSurface* surface = nullptr) : m_surface(surface) {}

    // Asks the platform to show the screen in `orientation`; the base display
    // supports portrait only.
    virtual bool SetOrientation(int orientation) { return orientation == kPortrait; }
    virtual int GetOrientation() const { return kPortrait; }
    // A mask of orientations.
    virtual int GetSupportedOrientations() const { return kPortrait; }

    MaemoSurface* GetSurface() const { return m_surface; }

protected:
    SmartPtr<MaemoSurface> m_surface;
};

}  // namespace Voke
