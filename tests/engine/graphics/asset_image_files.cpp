#include "tests/engine/graphics/asset_image_files.h"

#include <png.h>

#include <cstring>
#include <vector>

#include "engine/core/cached_file.h"
#include "engine/core/vfs.h"
#include "engine/graphics/animation_file.h"

namespace Voke {
namespace Test {

std::string MakePngFile(int w, int h, const PixelFunction& pixel)
{
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Color c = pixel(x, y);
            uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            p[0] = ColorR(c);
            p[1] = ColorG(c);
            p[2] = ColorB(c);
        }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr)) return std::string();
    std::string file(size, '\0');
    if (!png_image_write_to_memory(&image, file.data(), &size, 0, rgb.data(), 0, nullptr)) return std::string();
    file.resize(size);
    return file;
}

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

SeekableStream* MakeMemoryStream(const std::string& bytes)
{
    return new CachedFile(bytes.data(), int(bytes.size()), true);
}

namespace {

// Until the engine's image loaders are linked in: the two page formats the
// tests make, decoded here.
Surface* DecodePng(const std::string& bytes)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return nullptr;
    image.format = PNG_FORMAT_BGR;
    SmartPtr<MemPixelData> pixels(new MemPixelData(int(image.width), int(image.height), RGB888));
    if (!png_image_finish_read(&image, nullptr, pixels->GetDataMutable(), int(pixels->GetPitch()), nullptr))
        return nullptr;
    return new Surface(pixels.Get());
}

Surface* DecodeDds(const std::string& bytes)
{
    if (bytes.size() < 128 || bytes.compare(84, 4, "DXT1") != 0) return nullptr;
    auto le32 = [&](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    const int h = int(le32(12)), w = int(le32(16));
    if (w <= 0 || h <= 0 || w % 4 || h % 4 || bytes.size() < 128 + size_t(w / 4) * (h / 4) * 8) return nullptr;
    SmartPtr<MemPixelData> pixels(new MemPixelData(w, h, RGB888));
    const uint8_t* block = reinterpret_cast<const uint8_t*>(bytes.data()) + 128;
    for (int by = 0; by < h; by += 4)
        for (int bx = 0; bx < w; bx += 4, block += 8) {
            uint16_t colour[2] = {uint16_t(block[0] | block[1] << 8), uint16_t(block[2] | block[3] << 8)};
            for (int i = 0; i < 16; ++i) {
                uint16_t c = colour[(block[4 + i / 4] >> (2 * (i % 4))) & 1];
                pixels->SetPixel(bx + i % 4, by + i / 4,
                                 MakeColor(uint8_t((c >> 11) * 255 / 31), uint8_t((c >> 5 & 63) * 255 / 63),
                                           uint8_t((c & 31) * 255 / 31)));
            }
        }
    return new Surface(pixels.Get());
}

}  // namespace

Surface* LoadTestImageFile(const NarrowString& path)
{
    SmartPtr<File> file(Vfs::Open(path.c_str()));
    if (!file) return nullptr;
    if (AnimationFile::CanLoad(file)) {
        file->Seek(0, IOStream::SeekSet);
        return AnimationFile::Load(file);
    }
    file->Seek(0, IOStream::SeekSet);
    std::string bytes(size_t(file->Length() > 0 ? file->Length() : 0), '\0');
    if (file->Read(bytes.data(), int(bytes.size())) != int(bytes.size())) return nullptr;
    if (bytes.compare(0, 4, "\x89PNG") == 0) return DecodePng(bytes);
    if (bytes.compare(0, 4, "DDS ") == 0) return DecodeDds(bytes);
    return nullptr;
}

}  // namespace Test
}  // namespace Voke
