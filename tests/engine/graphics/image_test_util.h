// Helpers of the image loader tests: image files written at test time with
// the real libraries, and in-memory streams over them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/core/cached_file.h"
#include "engine/core/ref_counter.h"
#include "engine/graphics/image_loader.h"
#include "engine/graphics/surface.h"

namespace Voke {
namespace ImageTest {

using Bytes = std::vector<uint8_t>;

// A stream over a copy of the bytes.
inline SmartPtr<CachedFile> StreamOf(const Bytes& bytes)
{
    return SmartPtr<CachedFile>(new CachedFile(bytes.data(), int(bytes.size()), true));
}

// The loader Select picks for the bytes (it holds the stream), or null.
inline SmartPtr<ImageLoader> SelectFor(const Bytes& bytes)
{
    SmartPtr<CachedFile> stream(StreamOf(bytes));
    return SmartPtr<ImageLoader>(ImageLoader::Select(stream));
}

struct PngSpec {
    int width = 13;
    int height = 7;
    int colorType = 2;  // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    bool trns = false;
    uint32_t seed = 1;
};

// A PNG written with libpng: random samples (palette indices within a full
// palette), with a tRNS chunk when asked.
Bytes WritePng(const PngSpec& spec);

// libpng's own decoding of `png` with the transformations the loader asks
// for (16 bits cut to 8, small depths and palettes expanded, tRNS to alpha
// except for grey, blue first, grey+alpha to four channels, interlace
// handling, no gamma): rows packed without padding. `channels` gets the
// bytes per pixel.
Bytes ReferencePngDecode(const Bytes& png, int& width, int& height, int& channels);

// Truncation at every length gives null; every byte set to a few values is
// loaded without a fault (ASan and UBSan watch), and whatever loads is sane.
// `slack`: trailing bytes a loader need not read (a PNG's last checksum and
// end chunk come after its pixels).
inline void FuzzFile(const Bytes& file, size_t validPrefix = 0, size_t slack = 0)
{
    for (size_t n = validPrefix; n + slack < file.size(); ++n) {
        Bytes cut(file.begin(), file.begin() + long(n));
        EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(cut)))) << "cut at " << n;
    }
    for (size_t i = 0; i < file.size(); ++i) {
        for (uint8_t value : {uint8_t(0), uint8_t(0xFF), uint8_t(0x7F), uint8_t(file[i] + 1), uint8_t(file[i] ^ 0x80)}) {
            Bytes bad = file;
            bad[i] = value;
            SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(bad)));
            if (surface) {
                EXPECT_LE(surface->GetWidth(), ImageLoader::kMaxImageSide);
                EXPECT_LE(surface->GetHeight(), ImageLoader::kMaxImageSide);
            }
        }
    }
}

// A baseline JPEG written with libjpeg from RGB (3 components, red first),
// grey (1) or CMYK (4) samples; always with a JFIF marker first.
Bytes WriteJpeg(int width, int height, int components, const Bytes& samples, int quality = 95);

}  // namespace ImageTest
}  // namespace Voke
