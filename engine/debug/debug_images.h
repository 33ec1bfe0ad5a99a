// The debug overlay's built-in images, compiled into the program as XPM text
// so the overlay needs no asset file: the 6 x 8 font (byte codes 32 to 185)
// and the two 32 x 32 activity icons. Building them makes no GL call.
#pragma once

#include "engine/core/ref_counter.h"
#include "engine/graphics/rect.h"

namespace Voke {

class Surface;

constexpr int kGlyphWidth = 6;
constexpr int kGlyphHeight = 8;
constexpr int kLastFontCode = 185;
// The console's symbols in the font.
constexpr unsigned char kArrowUpCode = 160;
constexpr unsigned char kArrowDownCode = 161;
constexpr unsigned char kArrowLeftCode = 162;
constexpr unsigned char kDiamondCode = 163;  // also every code outside 32 to 185
constexpr unsigned char kCornerTopLeftCode = 164;
constexpr unsigned char kCornerTopRightCode = 165;
constexpr unsigned char kCornerBottomLeftCode = 166;
constexpr unsigned char kCornerBottomRightCode = 167;
constexpr unsigned char kHorizontalLineCode = 179;
constexpr unsigned char kVerticalLineCode = 180;

// Each returns a new surface in RGB565. The font: white
// glyphs on black, with black as its key colour (transparent only while the
// surface's colour-key flag is set). The icons: magenta is transparent, and
// their colour-key flag is set.
SmartPtr<Surface> CreateDebugFontSurface();
SmartPtr<Surface> CreateDiskIconSurface();
SmartPtr<Surface> CreateNetworkIconSurface();

// The font image's cell of a byte code; the diamond's for codes outside 32
// to 185.
Rect GetGlyphRect(unsigned char code);

}  // namespace Voke
