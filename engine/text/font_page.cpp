#include "engine/text/font_page.h"

namespace Voke {

// No image decoder is linked into the engine yet, so no page can be read from
// a file: fonts built by name measure and lay out but draw nothing until a
// page is set on them. Pages decoded by the caller go through FontEx::SetPage.
Surface* LoadFontPage(const NarrowString&) { return nullptr; }

}  // namespace Voke
