// How a font obtains its page image by asset name. Kept apart from the font so
// that the asset dictionary and the image loaders stay out of the layout code.
#pragma once

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/graphics/surface.h"

namespace Voke {

// The page image named `imageName` (options after '@' applied), shared
// through the engine's asset dictionary as a weak entry when there is one, so
// fonts built from the same image share one page; null when the image cannot
// be opened or decoded.
SmartPtr<Surface> LoadFontPage(const NarrowString& imageName);

}  // namespace Voke
