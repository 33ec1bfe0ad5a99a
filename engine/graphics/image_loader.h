// Image loading: a file is recognised by its leading bytes (never by its
// name) and decoded by the loader of its format into pixel data wrapped in a
// new surface.
//
// Selection tries, in this order: PNG, JPEG, frame animations (XML,
// see animation_file.h), "CRLE", "C565", DDS, legacy PVR (PVRTC), legacy PVR
// holding ETC1, "PVR+". Each test rewinds the stream and reads at most 52
// bytes.
//
// Loading makes no GL call, so it may run on the loader thread; textures are
// uploaded on their first draw.
//
// Bad input: every loader checks its header against the bytes the stream
// really holds and against the limits below before it allocates or reads;
// a damaged, truncated or absurd file gives null, never a partial image, and
// nothing is printed.
#pragma once

#include <cstdint>

#include "engine/core/byte_reader.h"  // header fields are read with ByteReader
#include "engine/core/io_stream.h"
#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/graphics/pixel_data.h"

namespace Voke {

class Surface;

class ImageLoader : public RefCounter {
public:
    // NOTE: the largest image side any loader accepts (the biggest texture
    // the target GPUs take is 2048; Mesa takes 16384).
    static constexpr int kMaxImageSide = 8192;
    // NOTE: the most pixels any loader decodes (64 MiB of 32-bit pixels), so
    // that a small damaged file cannot make it allocate without bound.
    static constexpr int64_t kMaxImagePixels = int64_t(4096) * 4096;

    ~ImageLoader() override;

    // Decodes the whole image from the stream's current position; a new
    // surface (count 0) or null when the file is damaged or unsupported.
    virtual Surface* Load() = 0;
    // The row-reader protocol (PNG, JPEG and C565): ReadHeader once, then
    // ReadRow once per row from the top into rows of width x bytes-per-pixel
    // of GetFormat. ReadHeader is false for a damaged header; ReadRow false
    // when the row cannot be decoded (the loader is then finished).
    virtual bool ReadHeader() { return false; }
    virtual int GetWidth() const { return 0; }
    virtual int GetHeight() const { return 0; }
    virtual uint32_t GetFormat() const { return NoFormat; }
    virtual bool ReadRow(uint8_t* destination);

    // A new loader (count 0) holding the stream, for the first format whose
    // test passes; null when none does. The stream is rewound.
    static ImageLoader* Select(SeekableStream* stream);
    // Selects and loads; null when no format matches or the loader fails.
    static Surface* Load(SeekableStream* stream);
    // Opens the path through the mount table and loads it; null when no
    // mount opens it.
    static Surface* LoadFile(const NarrowString& path);

    void SetStream(SeekableStream* stream) { m_stream = stream; }
    SeekableStream* GetStream() const { return m_stream; }

    // Whether width x height is a size a loader may allocate for.
    static bool IsSaneSize(int64_t width, int64_t height);

protected:
    // Reads exactly `bytes` bytes; false on a short read.
    bool ReadExact(void* buffer, int64_t bytes);
    // Reads a header of `bytes` bytes into `buffer` and gives a reader over
    // it past its four-byte tag; a failed reader on a short read.
    ByteReader ReadTaggedHeader(uint8_t* buffer, int bytes);
    // Bytes from the current position to the end of the stream (0 when
    // unknown).
    int64_t BytesLeft();

    SmartPtr<SeekableStream> m_stream;
};

}  // namespace Voke
