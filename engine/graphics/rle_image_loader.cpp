#include "engine/graphics/rle_image_loader.h"

#include <cstring>
#include <memory>

#include "engine/graphics/surface.h"

namespace Voke {

bool RLEImageLoader::CanLoad(SeekableStream* stream)
{
    if (!stream) return false;
    uint8_t magic[4];
    return stream->Read(magic, 4) == 4 && std::memcmp(magic, "CRLE", 4) == 0;
}

SmartPtr<PixelDataRLE> RLEImageLoader::LoadPixels()
{
    uint8_t bytes[16];
    ByteReader header = ReadTaggedHeader(bytes, sizeof bytes);
    const uint32_t width = header.U32(), height = header.U32(), size = header.U32();
    if (!header.Ok() || !IsSaneSize(width, height) || size > BytesLeft()) return nullptr;
    std::unique_ptr<uint8_t[]> stream(new uint8_t[size ? size : 1]);
    // The whole stream must be well-formed for its size before it is kept.
    auto none = [](int, int, uint8_t, uint32_t, const uint8_t*) {};
    if (!ReadExact(stream.get(), size) || !PixelDataRLE::Walk(stream.get(), size, int(width), int(height), none))
        return nullptr;
    return new PixelDataRLE(int(width), int(height), size, stream.get());
}

Surface* RLEImageLoader::Load()
{
    SmartPtr<PixelDataRLE> pixels = LoadPixels();
    return pixels ? new Surface(pixels) : nullptr;
}

}  // namespace Voke
