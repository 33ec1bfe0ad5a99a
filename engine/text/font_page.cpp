#include "engine/text/font_page.h"

#include "engine/graphics/asset_surfaces.h"

namespace Voke {

SmartPtr<Surface> LoadFontPage(const NarrowString& imageName) { return GetCachedSurface(imageName, false); }

}  // namespace Voke
