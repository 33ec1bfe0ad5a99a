// Little-endian fields of binary files (WAVE headers, block files, pak
// directories, texture containers, run-length pixels, image headers, tracker
// modules), read through one bounded cursor.
//
// ByteReader walks a buffer it does not own and never reads outside it. A
// read that would pass the end reads nothing, yields zeros, leaves the cursor
// at the end and marks the reader failed; the mark stays, so a parser may read
// every field of a header and test Ok() once.
//
// LoadLE16 / LoadLE32 read one field at a place whose bounds the caller has
// already checked (a fixed-size block of a texture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Voke {

inline uint16_t LoadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t LoadLE32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

class ByteReader {
public:
    // An empty reader: every read fails.
    ByteReader() = default;
    // A reader over `size` bytes at `data`, which must outlive it.
    ByteReader(const void* data, size_t size) : m_data(static_cast<const uint8_t*>(data)), m_size(data ? size : 0) {}

    // False once any read, skip or seek went past the end.
    bool Ok() const { return m_ok; }
    size_t Tell() const { return m_position; }
    size_t Size() const { return m_size; }
    size_t Remaining() const { return m_size - m_position; }
    bool AtEnd() const { return m_position == m_size; }

    // Moves to `position`; past the end the reader fails and stands at the end.
    bool Seek(size_t position)
    {
        if (position > m_size) return Fail();
        m_position = position;
        return true;
    }
    // Moves `bytes` forward; past the end the reader fails and stands at the end.
    bool Skip(size_t bytes) { return Take(bytes) != nullptr || bytes == 0; }

    uint8_t U8() { return Take(1) ? m_data[m_position - 1] : 0; }
    uint16_t U16()
    {
        const uint8_t* p = Take(2);
        return p ? LoadLE16(p) : 0;
    }
    uint32_t U32()
    {
        const uint8_t* p = Take(4);
        return p ? LoadLE32(p) : 0;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }

    // Copies the next `bytes` bytes into `out`; when fewer remain, `out` is
    // zero-filled and the reader fails.
    bool Bytes(void* out, size_t bytes)
    {
        const uint8_t* p = Take(bytes);
        if (!p) {
            if (bytes) std::memset(out, 0, bytes);
            return bytes == 0;
        }
        if (bytes) std::memcpy(out, p, bytes);
        return true;
    }
    // True when the next bytes are the `length` characters of `tag`; the
    // cursor moves past them either way (a short buffer fails the reader).
    bool Match(const char* tag, size_t length)
    {
        const uint8_t* p = Take(length);
        return p && std::memcmp(p, tag, length) == 0;
    }
    // The next `bytes` bytes in place, moving past them; null (and failed)
    // when fewer remain. Zero bytes give the current place, which may be the
    // end of the buffer.
    const uint8_t* Take(size_t bytes)
    {
        if (bytes > Remaining()) {
            Fail();
            return nullptr;
        }
        const uint8_t* p = m_data + m_position;
        m_position += bytes;
        return p;
    }
    // A reader over the next `bytes` bytes (a row, a chunk), moving past them;
    // an empty, failed reader when fewer remain (and this one fails too).
    ByteReader Sub(size_t bytes)
    {
        const uint8_t* p = Take(bytes);
        if (!p) {
            ByteReader failed;
            failed.m_ok = false;
            return failed;
        }
        return ByteReader(p, bytes);
    }

private:
    bool Fail()
    {
        m_ok = false;
        m_position = m_size;
        return false;
    }

    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_position = 0;
    bool m_ok = true;
};

}  // namespace Voke
