#include "engine/graphics/compressed_image_loaders.h"

#include <cstring>
#include <memory>

#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "engine/graphics/texture_decoders.h"

namespace Voke {

namespace {

constexpr int kDdsHeaderSize = 128;
constexpr int kDx10HeaderSize = 20;
constexpr int kPvrHeaderSize = 52;
constexpr uint32_t kPvrAlphaFlag = 0x8000;
constexpr uint32_t kPvrTwiddledFlag = 0x200;

bool IsPowerOfTwo(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

// The fields of a legacy PVR header.
struct PvrHeader {
    int32_t height = 0;
    int32_t width = 0;
    uint32_t flags = 0;
    uint32_t dataSize = 0;
    uint32_t bits = 0;
    uint8_t Type() const { return uint8_t(flags); }  // bits 0-7 of the flags
};

// Reads a legacy PVR header; true when it is one (length 52 and "PVR!").
bool ReadPvrHeader(SeekableStream* stream, PvrHeader& out)
{
    uint8_t bytes[kPvrHeaderSize];
    if (!stream || stream->Read(bytes, kPvrHeaderSize) != kPvrHeaderSize) return false;
    ByteReader header(bytes, sizeof bytes);
    const uint32_t length = header.U32();
    out.height = header.I32();
    out.width = header.I32();
    header.Skip(4);  // mipmap count: only the top level is read
    out.flags = header.U32();
    out.dataSize = header.U32();
    out.bits = header.U32();
    header.Seek(44);  // past the four bit masks
    return length == kPvrHeaderSize && header.Match("PVR!", 4);
}

bool IsPvrtcType(uint8_t type) { return type == 0x0C || type == 0x0D || type == 0x18 || type == 0x19; }
constexpr uint8_t kEtc1Type = 0x36;

// Copies whole block rows of a width x height image from the stream into the
// block buffer of a padded texture; each block row starts on the texture's.
bool ReadBlockRows(SeekableStream* stream, PixelDataGL* texture, int width, int height, int blockSize)
{
    uint8_t* buffer = texture->GetDataMutable();
    size_t rowBytes = size_t(width / 4) * size_t(blockSize);
    size_t paddedRowBytes = size_t(texture->GetPaddedWidth() / 4) * size_t(blockSize);
    size_t rows = size_t(height / 4);
    if (!buffer || paddedRowBytes * rows > texture->GetDataSize()) return false;
    if (paddedRowBytes == rowBytes)
        return stream->Read(buffer, int(rowBytes * rows)) == int(rowBytes * rows);
    for (size_t row = 0; row < rows; ++row)
        if (stream->Read(buffer + row * paddedRowBytes, int(rowBytes)) != int(rowBytes)) return false;
    return true;
}

// Skips what follows the top level (mipmaps, more surfaces).
void SkipRest(SeekableStream* stream, uint32_t dataSize, uint32_t used)
{
    if (dataSize > used) stream->Seek(int(dataSize - used), IOStream::SeekCur);
}

}  // namespace

// ---- DDS

bool DdsImageLoader::CanLoad(SeekableStream* stream)
{
    if (!stream) return false;
    uint8_t magic[4];
    return stream->Read(magic, 4) == 4 && std::memcmp(magic, "DDS ", 4) == 0;
}

bool DdsImageLoader::ParseHeader()
{
    uint8_t bytes[kDdsHeaderSize];
    if (!ReadExact(bytes, kDdsHeaderSize)) return false;
    ByteReader header(bytes, sizeof bytes);
    header.Seek(12);
    m_height = header.I32();
    m_width = header.I32();
    header.Seek(84);  // the pixel format's four-character code
    const uint8_t* fourCC = header.Take(4);
    m_format = NoFormat;
    if (std::memcmp(fourCC, "DXT1", 4) == 0) {
        m_format = DXT1;
    } else if (std::memcmp(fourCC, "DXT5", 4) == 0) {
        m_format = DXT5;
    } else if (std::memcmp(fourCC, "DX10", 4) == 0) {
        uint8_t extension[kDx10HeaderSize];
        if (!ReadExact(extension, kDx10HeaderSize)) return false;
        uint32_t code = ByteReader(extension, sizeof extension).U32();
        if (code >= 70 && code <= 72) m_format = DXT1;  // BC1 typeless, unorm, unorm sRGB
        if (code >= 76 && code <= 78) m_format = DXT5;  // BC3 likewise
    }
    if (m_format == NoFormat || m_width <= 0 || m_height <= 0 || m_width % 4 || m_height % 4 ||
        !IsSaneSize(m_width, m_height))
        return false;
    uint64_t size = uint64_t(m_width / 4) * uint64_t(m_height / 4) * (m_format == DXT1 ? 8 : 16);
    if (int64_t(size) > BytesLeft()) return false;
    m_dataSize = uint32_t(size);
    return true;
}

Surface* DdsImageLoader::Load()
{
    if (!ParseHeader()) return nullptr;
    int blockSize = m_format == DXT1 ? 8 : 16;
    if (GetGLCaps()->dxtc) {
        SmartPtr<PixelDataGL> texture(new PixelDataGL(m_width, m_height, m_format));
        if (!ReadBlockRows(m_stream, texture, m_width, m_height, blockSize)) return nullptr;
        return new Surface(texture.Get());
    }
    std::unique_ptr<uint8_t[]> blocks(new uint8_t[m_dataSize]);
    if (!ReadExact(blocks.get(), m_dataSize)) return nullptr;
    SmartPtr<MemPixelData> pixels(new MemPixelData(m_width, m_height, m_format == DXT1 ? RGB565 : RGBA8888));
    uint8_t* out = pixels->GetDataMutable();
    size_t pitch = pixels->GetPitch();
    const uint8_t* block = blocks.get();
    for (int by = 0; by < m_height / 4; ++by) {
        for (int bx = 0; bx < m_width / 4; ++bx, block += blockSize) {
            uint8_t* corner = out + size_t(4 * by) * pitch;
            if (m_format == DXT1) {
                uint16_t decoded[16];
                DecodeDxt1Block(block, decoded);
                for (int r = 0; r < 4; ++r) std::memcpy(corner + r * pitch + size_t(bx) * 8, decoded + 4 * r, 8);
            } else {
                uint8_t decoded[64];
                DecodeDxt5Block(block, decoded);
                for (int r = 0; r < 4; ++r) std::memcpy(corner + r * pitch + size_t(bx) * 16, decoded + 16 * r, 16);
            }
        }
    }
    return new Surface(pixels.Get());
}

// ---- legacy PVR (PVRTC)

bool PvrImageLoader::CanLoad(SeekableStream* stream)
{
    PvrHeader header;
    return ReadPvrHeader(stream, header) && IsPvrtcType(header.Type());
}

bool PvrImageLoader::ParseHeader()
{
    PvrHeader header;
    if (!ReadPvrHeader(m_stream, header) || !IsPvrtcType(header.Type())) return false;
    m_height = header.height;
    m_width = header.width;
    m_dataSize = header.dataSize;
    m_twiddled = (header.flags & kPvrTwiddledFlag) != 0;
    bool alpha = (header.flags & kPvrAlphaFlag) != 0;
    if (header.bits == 2)
        m_format = alpha ? PVRTC2_RGBA : PVRTC2_RGB;
    else if (header.bits == 4)
        m_format = alpha ? PVRTC4_RGBA : PVRTC4_RGB;
    else
        return false;
    // The data goes into the texture unchanged, so it must already have the
    // texture's power-of-two size.
    return IsPowerOfTwo(m_width) && IsPowerOfTwo(m_height) && IsSaneSize(m_width, m_height) &&
           int64_t(m_dataSize) <= BytesLeft();
}

Surface* PvrImageLoader::Load()
{
    if (!ParseHeader() || !GetGLCaps()->pvr) return nullptr;
    SmartPtr<PixelDataGL> texture(new PixelDataGL(m_width, m_height, m_format));
    uint32_t topLevel = texture->GetDataSize();
    if (m_dataSize < topLevel || !texture->GetDataMutable() || !ReadExact(texture->GetDataMutable(), topLevel))
        return nullptr;
    SkipRest(m_stream, m_dataSize, topLevel);
    return new Surface(texture.Get());
}

// ---- ETC1 in the legacy PVR container

bool EtcImageLoader::CanLoad(SeekableStream* stream)
{
    PvrHeader header;
    return ReadPvrHeader(stream, header) && header.Type() == kEtc1Type;
}

bool EtcImageLoader::ParseHeader()
{
    PvrHeader header;
    if (!ReadPvrHeader(m_stream, header) || header.Type() != kEtc1Type) return false;
    m_height = header.height;
    m_width = header.width;
    m_dataSize = header.dataSize;
    if (m_width <= 0 || m_height <= 0 || m_width % 4 || m_height % 4 || !IsSaneSize(m_width, m_height)) return false;
    uint64_t topLevel = uint64_t(m_width / 4) * uint64_t(m_height / 4) * 8;
    return m_dataSize >= topLevel && int64_t(m_dataSize) <= BytesLeft();
}

Surface* EtcImageLoader::Load()
{
    if (!ParseHeader()) return nullptr;
    uint32_t topLevel = uint32_t(m_width / 4) * uint32_t(m_height / 4) * 8;
    if (GetGLCaps()->etc) {
        SmartPtr<PixelDataGL> texture(new PixelDataGL(m_width, m_height, ETC1));
        if (!ReadBlockRows(m_stream, texture, m_width, m_height, 8)) return nullptr;
        SkipRest(m_stream, m_dataSize, topLevel);
        return new Surface(texture.Get());
    }
    std::unique_ptr<uint8_t[]> blocks(new uint8_t[topLevel]);
    if (!ReadExact(blocks.get(), topLevel)) return nullptr;
    SkipRest(m_stream, m_dataSize, topLevel);
    SmartPtr<MemPixelData> pixels(new MemPixelData(m_width, m_height, RGB888));
    uint8_t* out = pixels->GetDataMutable();
    size_t pitch = pixels->GetPitch();
    const uint8_t* block = blocks.get();
    for (int by = 0; by < m_height / 4; ++by) {
        for (int bx = 0; bx < m_width / 4; ++bx, block += 8) {
            uint8_t decoded[48];
            DecodeEtc1Block(block, decoded);
            for (int r = 0; r < 4; ++r)
                std::memcpy(out + size_t(4 * by + r) * pitch + size_t(bx) * 12, decoded + 12 * r, 12);
        }
    }
    return new Surface(pixels.Get());
}

}  // namespace Voke
