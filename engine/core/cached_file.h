// A whole file held in a heap buffer (or a view of the caller's buffer).
#pragma once

#include <cstdint>

#include "engine/core/io_stream.h"

namespace Voke {

class CachedFile : public File {
public:
    CachedFile() = default;
    // With `copy` the file copies the `size` bytes and owns the copy; without
    // it the file reads the caller's buffer, which must outlive it, and never
    // frees it. A negative size is taken as 0.
    CachedFile(const void* data, int size, bool copy);
    ~CachedFile() override;
    CachedFile(const CachedFile&) = delete;
    CachedFile& operator=(const CachedFile&) = delete;

    // Reads the whole of `path` through the mount table into a new buffer.
    // False when the path does not open or its length cannot be had; a short
    // read keeps only the bytes that arrived.
    bool OpenRead(const char* path) override;
    // Closes, then false: cached files are read-only.
    bool OpenWrite(const char* path) override;
    bool Close() override;
    bool IsOpen() override { return m_buffer != nullptr; }

    // 0 without a buffer or at a position outside [0, Length).
    int Read(void* buffer, int bytes) override;
    int Write(const void*, int) override { return 0; }
    // Not clamped: a position outside [0, Length] is kept and reported by
    // Tell (saturated to the int range). False without a buffer or for an
    // unknown origin.
    bool Seek(int offset, int origin) override;
    int Tell() override { return m_buffer ? m_position : 0; }
    int Length() override { return static_cast<int>(m_size); }

private:
    const unsigned char* m_buffer = nullptr;
    uint32_t m_size = 0;
    int32_t m_position = 0;
    bool m_owns = true;  // the buffer was allocated here and is freed here
};

}  // namespace Voke
