#include "engine/graphics/maemo_surface.h"

namespace Voke {

// Without a GL context there is nothing to prepare or to swap.
bool MaemoSurface::BeginFrame() { return true; }

bool MaemoSurface::Present() { return true; }

}  // namespace Voke
