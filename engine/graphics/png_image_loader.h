// PNG images through libpng, decoded row by row into memory pixels.
//
// Every colour type, bit depth and interlacing is read: 16-bit channels are
// cut to 8, small depths and palettes expanded to 8 bits per channel, no
// gamma is applied, and colour pixels come out blue first:
//   grey                 -> A8 (the grey value is the alpha of a font-like
//                           alpha-only image; a tRNS chunk is ignored)
//   grey + alpha         -> RGBA8888 (grey in blue, green and red)
//   RGB, palette         -> RGB888, or RGBA8888 with a tRNS chunk
//   RGB + alpha          -> RGBA8888
// libpng errors end the load with no image (libpng's long jump lands in the
// loader function that called it); nothing is printed.
#pragma once

#include <cstdint>

#include "engine/graphics/image_loader.h"

struct png_struct_def;
struct png_info_def;

namespace Voke {

class PngImageLoader : public ImageLoader {
public:
    PngImageLoader() = default;
    explicit PngImageLoader(SeekableStream* stream) { SetStream(stream); }
    // Reads the rest of the PNG (through its end chunk) when every row was
    // read, so that the stream stands after the file (a "PVR+" part follows).
    ~PngImageLoader() override;

    // True when the next 4 bytes start the PNG signature.
    static bool CanLoad(SeekableStream* stream);

    Surface* Load() override;
    bool ReadHeader() override;
    int GetWidth() const override { return int(m_width); }
    int GetHeight() const override { return int(m_height); }
    uint32_t GetFormat() const override { return m_format; }
    bool ReadRow(uint8_t* destination) override;

    // The PNG decoded into new memory pixels, or null.
    SmartPtr<MemPixelData> LoadPixels();

private:
    void Destroy();
    bool ReadAllPasses();

    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint32_t m_format = NoFormat;
    png_struct_def* m_png = nullptr;
    png_info_def* m_info = nullptr;
    size_t m_rowBytes = 0;
    uint32_t m_rowsRead = 0;
    bool m_interlaced = false;
    uint8_t* m_image = nullptr;  // interlaced images are decoded whole first
};

}  // namespace Voke
