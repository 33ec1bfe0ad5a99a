// Plain RGB565 images ("C565"): "C565", width (u32), height (u32), then
// width x height little-endian RGB565 pixels, rows top first, no padding.
// Every pixel is opaque.
#pragma once

#include <cstdint>

#include "engine/graphics/image_loader.h"

namespace Voke {

class ImageLoader565 : public ImageLoader {
public:
    // True when the next 4 bytes are "C565".
    static bool CanLoad(SeekableStream* stream);

    // A surface over RGB565 memory pixels; null when the header is absurd or
    // the file holds fewer pixel bytes than it announces.
    Surface* Load() override;
    // Reads magic, width and height; false on a short read or absurd size.
    bool ReadHeader() override;
    int GetWidth() const override { return int(m_width); }
    int GetHeight() const override { return int(m_height); }
    uint32_t GetFormat() const override { return RGB565; }
    // Reads 2 x width bytes; false on a short read.
    bool ReadRow(uint8_t* destination) override;

    // The file's pixels, or null.
    SmartPtr<MemPixelData> LoadPixels();

private:
    uint32_t m_width = 0;
    uint32_t m_height = 0;
};

}  // namespace Voke
