#include "engine/graphics/image_loader_565.h"

#include <cstring>

#include "engine/graphics/surface.h"

namespace Voke {

bool ImageLoader565::CanLoad(SeekableStream* stream)
{
    if (!stream) return false;
    uint8_t magic[4];
    return stream->Read(magic, 4) == 4 && std::memcmp(magic, "C565", 4) == 0;
}

bool ImageLoader565::ReadHeader()
{
    uint8_t bytes[12];
    ByteReader header = ReadTaggedHeader(bytes, sizeof bytes);
    const uint32_t width = header.U32(), height = header.U32();
    if (!header.Ok() || !IsSaneSize(width, height)) return false;
    m_width = width;
    m_height = height;
    return true;
}

bool ImageLoader565::ReadRow(uint8_t* destination) { return ReadExact(destination, int64_t(m_width) * 2); }

SmartPtr<MemPixelData> ImageLoader565::LoadPixels()
{
    if (!ReadHeader()) return nullptr;
    int64_t bytes = int64_t(m_width) * m_height * 2;
    if (bytes > BytesLeft()) return nullptr;
    SmartPtr<MemPixelData> pixels(new MemPixelData(int(m_width), int(m_height), RGB565));
    if (bytes > 0 && !ReadExact(pixels->GetDataMutable(), bytes)) return nullptr;
    return pixels;
}

Surface* ImageLoader565::Load()
{
    SmartPtr<MemPixelData> pixels = LoadPixels();
    return pixels ? new Surface(pixels) : nullptr;
}

}  // namespace Voke
