// A whole read-only file mapped into memory.
#pragma once

#include <cstdint>

#include "engine/core/io_stream.h"

namespace Voke {

class MmapFile : public File {
public:
    MmapFile() = default;
    ~MmapFile() override;
    MmapFile(const MmapFile&) = delete;
    MmapFile& operator=(const MmapFile&) = delete;

    // Maps the whole regular file at `path` (closing first). False for a
    // missing path, a directory or other non-regular file, a file of 2 GiB or
    // more, or a failed mapping; the file is then closed. An empty file opens
    // with nothing mapped and Length 0.
    bool OpenRead(const char* path) override;
    // Always false: mapped files are read-only.
    bool OpenWrite(const char*) override { return false; }
    bool Close() override;
    bool IsOpen() override { return m_open; }

    int Read(void* buffer, int bytes) override;
    int Write(const void*, int) override { return 0; }
    // The position is clamped into [0, Length]; an unknown origin keeps it.
    // Always true.
    bool Seek(int offset, int origin) override;
    int Tell() override;
    int Length() override;

    // Zero-copy read: lowers `bytes` to what remains (0 for a negative
    // request), returns a pointer to that many mapped bytes at the position
    // and advances past them.
    const unsigned char* Map(int& bytes);

protected:
    // The mapping, for derived classes that decode from it directly.
    const unsigned char* Data() const { return m_data; }

private:
    const unsigned char* m_data = nullptr;  // null when closed or empty
    uint32_t m_size = 0;
    uint32_t m_position = 0;
    bool m_open = false;                    // also true for an empty file
};

}  // namespace Voke
