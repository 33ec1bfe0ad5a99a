// How a font obtains its page image by asset name. Kept apart from the font so
// that the image loaders and the asset dictionary stay out of the layout code.
#pragma once

#include "engine/core/strings.h"
#include "engine/graphics/surface.h"

namespace Voke {

// A new surface holding the page image named `imageName`, or null when the
// image cannot be opened or decoded.
Surface* LoadFontPage(const NarrowString& imageName);

}  // namespace Voke
