// Run-length images ("CRLE"): 16-bit colour with 5-bit alpha, coded row by
// row as runs of transparent, literal and repeated pixels.
//
// File: "CRLE", width (u32), height (u32), stream size (u32), then the
// stream: per row 0x0A, the row's record bytes (u16), the records. A record
// is an op byte, a pixel count (u16) and its payload:
//   0 transparent run    none
//   1 translucent literal count x {alpha5 (u8), colour (u16)}
//   2 opaque literal     count x {colour (u16)}
//   3 translucent repeat {alpha5, colour}
//   4 opaque repeat      {colour}
// All little-endian; colours RGB565; a row's counts add up to the width.
//
// The loader keeps the coded stream as it is (PixelDataRLE); it is expanded
// to 32-bit pixels when the texture is built. Streams are checked whole when
// loaded: a stream that is not exactly well-formed for its size loads as
// null, and expansion of a stream never reads or writes outside its buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/graphics/image_loader.h"
#include "engine/graphics/pixel_data_rle.h"

namespace Voke {

class RLEImageLoader : public ImageLoader {
public:
    // True when the next 4 bytes are "CRLE".
    static bool CanLoad(SeekableStream* stream);
    // A surface over the run-length pixels; null for a damaged file.
    Surface* Load() override;
    // The file's run-length pixels, or null.
    SmartPtr<PixelDataRLE> LoadPixels();
};

}  // namespace Voke
