// The window surface: the one surface drawn into the program's window. A
// render pass begins a frame on it, draws, and presents the frame.
#pragma once

#include "engine/graphics/surface.h"

namespace Voke {

class MaemoSurface : public Surface {
public:
    // Prepares a frame; the render pass draws the frame only when it is true.
    virtual bool BeginFrame();
    // Shows the frame drawn since BeginFrame; returns whether it was shown.
    virtual bool Present();
};

}  // namespace Voke
