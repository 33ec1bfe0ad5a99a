// Fonts for the text tests: pages decoded from the PNGs the font builder
// writes, and a small font built in code with round numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ref_counter.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_ex.h"

namespace Voke {
namespace Test {

// Folder holding the fonts built for the tests.
std::string FontDir();
// A surface of the PNG at `path`: greyscale images as A8, others as
// RGBA8888; null when it cannot be read.
Surface* LoadPngPage(const std::string& path);
// The coverage (grey level, or alpha) of every pixel of the PNG at `path`,
// row by row; empty when it cannot be read.
std::vector<uint8_t> ReadPngCoverage(const std::string& path, int& width);
// The font description FontDir()/name with its page set from the PNG beside it.
SmartPtr<FontEx> LoadBuiltFont(const std::string& name);

// Glyphs 10 pixels wide and 16 high for space, tab, CR, LF and 'a' to 'z'
// ('A' and 'V' too: 'V' is 12 wide and the pair (A, V) kerns by 2); each
// glyph's page rectangle sits at x = 10 * index. The page is an A8 surface.
SmartPtr<FontEx> MakeTestFont();

}  // namespace Test
}  // namespace Voke
