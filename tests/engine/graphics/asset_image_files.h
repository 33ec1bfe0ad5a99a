// Image files for the asset tests, made by the tests themselves: PNG pages
// (libpng's encoder) and DDS pages (DXT1 blocks of at most two colours).
#pragma once

#include <functional>
#include <string>

#include "engine/core/io_stream.h"
#include "engine/graphics/pixel_data.h"
#include "engine/graphics/surface.h"

namespace Voke {
namespace Test {

using PixelFunction = std::function<Color(int x, int y)>;

// An 8-bit RGB PNG file of w x h.
std::string MakePngFile(int w, int h, const PixelFunction& pixel);
// The same with the colours' alpha kept (8-bit RGBA).
std::string MakeRgbaPngFile(int w, int h, const PixelFunction& pixel);
// A DXT1 DDS file of w x h (multiples of 4). Each 4 x 4 block may hold two
// colours of RGB565 precision; a third is lost.
std::string MakeDdsFile(int w, int h, const PixelFunction& pixel);

// A stream over a copy of `bytes`.
SmartPtr<SeekableStream> MakeMemoryStream(const std::string& bytes);

// Reads an image file by path the way the asset path does (the engine's
// image loaders).
Surface* LoadTestImageFile(const NarrowString& path);

}  // namespace Test
}  // namespace Voke
