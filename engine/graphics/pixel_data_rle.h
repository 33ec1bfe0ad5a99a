// Run-length coded pixels: rows of 5-6-5 colour with 5-bit alpha, kept coded
// in memory until the texture is built (the GPU pixel data decodes them).
//
// A stream is `height` rows, top first; a row is the byte 0x0A, a u16 length
// (little-endian) of the records that follow, then records {u8 op, u16
// count, payload}: op 0 count transparent pixels; op 1 count literal pixels
// {u8 alpha5, u16 rgb565}; op 2 count literal opaque pixels {u16 rgb565};
// op 3 one {u8 alpha5, u16 rgb565} repeated count times; op 4 one opaque
// {u16 rgb565} repeated. The counts of a row add up to the width.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/byte_reader.h"
#include "engine/graphics/pixel_data.h"

namespace Voke {

class PixelDataRLE : public PixelData {
public:
    // Starts every row of the stream.
    static constexpr uint8_t kRowMarker = 0x0A;
    // Record ops of the stream.
    enum Op : uint8_t { Transparent = 0, TranslucentLiteral = 1, OpaqueLiteral = 2, TranslucentRepeat = 3, OpaqueRepeat = 4 };

    // Copies `size` bytes of stream from `data`.
    PixelDataRLE(int width, int height, uint32_t size, const uint8_t* data);
    // Encodes a source of RGBA8888 memory pixels (see Encode).
    explicit PixelDataRLE(PixelData& source);
    ~PixelDataRLE() override;

    const uint8_t* GetData() const override { return m_stream; }
    uint8_t* GetDataMutable() override { return m_stream; }
    void FreeData() override;
    int GetKind() const override { return kRunLength; }
    uint32_t GetStreamSize() const { return m_stream ? m_size : 0; }

    // Replaces the stream with the coded pixels of `source` (RGBA8888 pixels
    // in memory, rows of 4 x width bytes) and returns its size: per row, a
    // pixel with alpha below 8 is transparent, 248 and up opaque, the rest
    // translucent; the first pixel of a class starts a repeat, a repeat of
    // one becomes a literal when a different pixel follows, a literal turns
    // into a repeat when an equal pixel follows. Runs are split at 65535
    // pixels. A source in another format or without pixels, or a row whose
    // records would exceed 65535 bytes, gives an empty stream (size 0).
    uint32_t Encode(PixelData& source);

    // Decodes the stream into `out`: rows of `outPitch` bytes holding 4-byte
    // pixels blue, green, red, alpha (8 bits each). Never reads past the
    // stream or writes past width x height pixels; a damaged row (wrong
    // marker, a record past the row's end, an unknown op, counts beyond the
    // width) leaves the rest of the image as it was and returns false.
    static bool Decode(const uint8_t* stream, uint32_t size, int width, int height, uint8_t* out,
                       size_t outPitch);

    // Walks the records of a stream of `height` rows of `width` pixels in
    // order, calling visit(y, x, op, count, payload) for each, where x is the
    // record's first pixel and payload its bytes (3 per pixel of op 1, 2 per
    // pixel of op 2, one pixel of op 3 or 4, none for op 0), all inside the
    // stream. Stops at the first fault and returns false: a missing row
    // marker, a row past the stream, a record past its row, an unknown op, a
    // count past the width, a row whose counts fall short of the width, or
    // bytes after the last row. Records before the fault have been visited.
    template <class Visit>
    static bool Walk(const uint8_t* stream, uint32_t size, int width, int height, Visit&& visit);

private:
    uint32_t m_size = 0;
    uint8_t* m_stream = nullptr;
};

template <class Visit>
bool PixelDataRLE::Walk(const uint8_t* stream, uint32_t size, int width, int height, Visit&& visit)
{
    if (!stream || width < 0) return false;
    ByteReader in(stream, size);
    for (int y = 0; y < height; ++y) {
        if (in.U8() != kRowMarker) return false;
        ByteReader row = in.Sub(in.U16());
        if (!in.Ok()) return false;
        int x = 0;
        while (!row.AtEnd()) {
            const uint8_t op = row.U8();
            const uint32_t count = row.U16();
            size_t payload;
            switch (op) {
            case Transparent: payload = 0; break;
            case TranslucentLiteral: payload = size_t(count) * 3; break;
            case OpaqueLiteral: payload = size_t(count) * 2; break;
            case TranslucentRepeat: payload = 3; break;
            case OpaqueRepeat: payload = 2; break;
            default: return false;
            }
            const uint8_t* bytes = row.Take(payload);
            if (!row.Ok() || count > uint32_t(width - x)) return false;
            visit(y, x, op, count, bytes);
            x += int(count);
        }
        if (x != width) return false;
    }
    return in.AtEnd();
}

}  // namespace Voke
