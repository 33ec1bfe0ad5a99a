// "PVR+" composite images: a colour image and a separate alpha image (its
// red channel is the transparency) stored back to back, each a complete PNG
// or legacy PVR file:
//   "PVR+", flags (u8: bit 0 colour part is PVR, bit 1 alpha part is PVR),
//   colour part, alpha part.
// The two become one composite texture of the colour part's size.
#pragma once

#include <cstdint>

#include "engine/graphics/image_loader.h"

namespace Voke {

class PvrPlusImageLoader : public ImageLoader {
public:
    // True for "PVR+" with a flag byte of 0 (two PNGs), or any other flag
    // byte when the driver has PVRTC.
    static bool CanLoad(SeekableStream* stream);
    // Reads magic and flags; false on a short read.
    bool ParseHeader();
    // Null when either part does not load.
    Surface* Load() override;

private:
    bool m_colourIsPvr = false;
    bool m_alphaIsPvr = false;
};

}  // namespace Voke
