// JPEG images through libjpeg, decoded from memory into RGB888 memory
// pixels, blue first. Colour and greyscale files are read; CMYK and YCCK
// files are refused. Library errors end the load with no image (the error
// exit jumps back into the loader function that called the library, never
// ends the process); nothing is printed.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/graphics/image_loader.h"

namespace Voke {

class JpegImageLoader : public ImageLoader {
public:
    JpegImageLoader();
    ~JpegImageLoader() override;

    // True when the next 4 bytes are FF D8 FF and the code of any marker
    // (JFIF APP0, Exif APP1, ...).
    static bool CanLoad(SeekableStream* stream);

    Surface* Load() override;
    // Reads the whole stream into memory and starts the decoder.
    bool ReadHeader() override;
    int GetWidth() const override { return int(m_width); }
    int GetHeight() const override { return int(m_height); }
    uint32_t GetFormat() const override { return RGB888; }
    bool ReadRow(uint8_t* destination) override;

    // The JPEG decoded into new memory pixels, or null.
    SmartPtr<MemPixelData> LoadPixels();

    struct Decoder;  // libjpeg's structures, kept out of this header

private:
    void Destroy();

    uint32_t m_width = 0;
    uint32_t m_height = 0;
    std::unique_ptr<Decoder> m_decoder;
    uint8_t* m_file = nullptr;
};

}  // namespace Voke
