// Texture files already in a GPU block format:
//   DdsImageLoader  DDS with DXT1 or DXT5 blocks ("DXT1", "DXT5", or "DX10"
//                   with a BC1 or BC3 format code); top level only.
//   PvrImageLoader  legacy PVR version 2 files with PVRTC data.
//   EtcImageLoader  the same container holding ETC1 blocks.
// With driver support (GLCaps dxtc, pvr, etc) the blocks are read straight
// into the texture's upload buffer; without it DDS is decoded to RGB565
// (DXT1) or RGBA8888 (DXT5) and ETC to RGB888 in software, and PVR gives no
// image.
//
// Legacy PVR header (52 bytes, little-endian): header length 52, height,
// width, mipmap count, flags (bits 0-7 pixel type, 0x8000 alpha), data size,
// bits per pixel, four bit masks, "PVR!", surface count; data at 52.
//
// Refused (null): other block formats, DXT/ETC sizes that are not whole
// blocks (multiples of 4), PVRTC sizes that are not powers of two, data
// shorter than the top level or longer than the file, absurd sizes. Data
// beyond the top level (mipmaps, further surfaces) is skipped.
#pragma once

#include <cstdint>

#include "engine/graphics/image_loader.h"

namespace Voke {

class DdsImageLoader : public ImageLoader {
public:
    // True when the next 4 bytes are "DDS ".
    static bool CanLoad(SeekableStream* stream);
    // Reads the 128-byte header (and the "DX10" extension); false when it is
    // short or names a format, size or data size this loader refuses.
    bool ParseHeader();
    Surface* Load() override;

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    uint32_t m_format = NoFormat;
    uint32_t m_dataSize = 0;
};

class PvrImageLoader : public ImageLoader {
public:
    // True when the next 52 bytes are a legacy PVR header of pixel type
    // 0x0C, 0x0D, 0x18 or 0x19.
    static bool CanLoad(SeekableStream* stream);
    // False when the header is short or refused.
    bool ParseHeader();
    // Null without PVRTC support.
    Surface* Load() override;

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    uint32_t m_format = NoFormat;
    uint32_t m_dataSize = 0;
    bool m_twiddled = false;
};

class EtcImageLoader : public ImageLoader {
public:
    // True when the next 52 bytes are a legacy PVR header of pixel type 0x36.
    static bool CanLoad(SeekableStream* stream);
    bool ParseHeader();
    Surface* Load() override;

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    uint32_t m_dataSize = 0;
};

}  // namespace Voke
