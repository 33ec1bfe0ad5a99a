#include "engine/graphics/rle_image_loader.h"

#include <cstring>
#include <memory>

#include "engine/graphics/surface.h"

namespace Voke {

namespace {

// True when the stream is exactly `size` bytes of `height` rows, each a row
// marker, its length, and records of ops 0 to 4 that lie inside the row and
// whose counts add up to exactly `width`.
bool IsWellFormed(const uint8_t* stream, size_t size, uint32_t width, uint32_t height)
{
    size_t pos = 0;
    for (uint32_t y = 0; y < height; ++y) {
        if (size - pos < 3 || stream[pos] != 0x0A) return false;
        size_t rowEnd = pos + 3 + ReadLE16(stream + pos + 1);
        if (rowEnd > size) return false;
        pos += 3;
        uint32_t remaining = width;
        while (pos < rowEnd) {
            if (rowEnd - pos < 3) return false;
            uint8_t op = stream[pos];
            uint32_t count = ReadLE16(stream + pos + 1);
            if (count > remaining) return false;
            size_t payload;
            switch (op) {
            case 0: payload = 0; break;
            case 1: payload = size_t(count) * 3; break;
            case 2: payload = size_t(count) * 2; break;
            case 3: payload = 3; break;
            case 4: payload = 2; break;
            default: return false;
            }
            if (rowEnd - pos - 3 < payload) return false;
            remaining -= count;
            pos += 3 + payload;
        }
        if (remaining != 0) return false;
    }
    return pos == size;
}

}  // namespace

bool RLEImageLoader::CanLoad(SeekableStream* stream)
{
    if (!stream) return false;
    uint8_t magic[4];
    return stream->Read(magic, 4) == 4 && std::memcmp(magic, "CRLE", 4) == 0;
}

PixelDataRLE* RLEImageLoader::LoadPixels()
{
    uint8_t header[16];
    if (!ReadExact(header, 16)) return nullptr;
    uint32_t width = ReadLE32(header + 4);
    uint32_t height = ReadLE32(header + 8);
    uint32_t size = ReadLE32(header + 12);
    if (!IsSaneSize(width, height) || size > BytesLeft()) return nullptr;
    std::unique_ptr<uint8_t[]> stream(new uint8_t[size ? size : 1]);
    if (!ReadExact(stream.get(), size) || !IsWellFormed(stream.get(), size, width, height))
        return nullptr;
    return new PixelDataRLE(int(width), int(height), size, stream.get());
}

Surface* RLEImageLoader::Load()
{
    PixelDataRLE* pixels = LoadPixels();
    return pixels ? new Surface(pixels) : nullptr;
}

}  // namespace Voke
