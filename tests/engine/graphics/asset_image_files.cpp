#include "tests/engine/graphics/asset_image_files.h"

#include <png.h>

#include <cstring>
#include <vector>

#include "engine/core/cached_file.h"
#include "engine/graphics/image_loader.h"

namespace Voke {
namespace Test {

namespace {

std::string EncodePng(int w, int h, const PixelFunction& pixel, bool alpha)
{
    const size_t channels = alpha ? 4 : 3;
    std::vector<uint8_t> bytes(size_t(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Color c = pixel(x, y);
            uint8_t* p = &bytes[(size_t(y) * w + x) * channels];
            p[0] = ColorR(c);
            p[1] = ColorG(c);
            p[2] = ColorB(c);
            if (alpha) p[3] = ColorA(c);
        }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, bytes.data(), 0, nullptr)) return std::string();
    std::string file(size, '\0');
    if (!png_image_write_to_memory(&image, file.data(), &size, 0, bytes.data(), 0, nullptr)) return std::string();
    file.resize(size);
    return file;
}

}  // namespace

std::string MakePngFile(int w, int h, const PixelFunction& pixel) { return EncodePng(w, h, pixel, false); }

std::string MakeRgbaPngFile(int w, int h, const PixelFunction& pixel) { return EncodePng(w, h, pixel, true); }

namespace {

void PutLE32(std::string& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[at + i] = char(v >> (8 * i) & 0xFF);
}

uint16_t To565(Color c) { return uint16_t((ColorR(c) & 0xF8) << 8 | (ColorG(c) & 0xFC) << 3 | ColorB(c) >> 3); }

}  // namespace

std::string MakeDdsFile(int w, int h, const PixelFunction& pixel)
{
    std::string file(128, '\0');
    std::memcpy(&file[0], "DDS ", 4);
    PutLE32(file, 4, 124);                               // header size
    PutLE32(file, 8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000);  // caps, height, width, pixel format, linear size
    PutLE32(file, 12, uint32_t(h));
    PutLE32(file, 16, uint32_t(w));
    PutLE32(file, 20, uint32_t(w / 4 * h / 4 * 8));     // linear size
    PutLE32(file, 28, 1);                                // mipmaps
    PutLE32(file, 76, 32);                               // pixel format size
    PutLE32(file, 80, 0x4);                              // four-cc
    std::memcpy(&file[84], "DXT1", 4);
    PutLE32(file, 108, 0x1000);                          // texture
    for (int by = 0; by < h; by += 4)
        for (int bx = 0; bx < w; bx += 4) {
            uint16_t c0 = To565(pixel(bx, by)), c1 = c0;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    if (To565(pixel(bx + x, by + y)) != c0) c1 = To565(pixel(bx + x, by + y));
            if (c0 > c1) std::swap(c0, c1);  // three-colour mode: index 0 is c0, 1 is c1
            uint32_t indices = 0;
            for (int i = 0; i < 16; ++i)
                if (To565(pixel(bx + i % 4, by + i / 4)) == c1 && c1 != c0) indices |= 1u << (2 * i);
            char block[8] = {char(c0 & 0xFF), char(c0 >> 8), char(c1 & 0xFF), char(c1 >> 8)};
            for (int i = 0; i < 4; ++i) block[4 + i] = char(indices >> (8 * i) & 0xFF);
            file.append(block, 8);
        }
    return file;
}

SmartPtr<SeekableStream> MakeMemoryStream(const std::string& bytes)
{
    return SmartPtr<SeekableStream>(new CachedFile(bytes.data(), int(bytes.size()), true));
}

Surface* LoadTestImageFile(const NarrowString& path) { return ImageLoader::LoadFile(path); }

}  // namespace Test
}  // namespace Voke
