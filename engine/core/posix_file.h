// A stdio file: the one kind of file that can be written.
#pragma once

#include <cstdio>

#include "engine/core/io_stream.h"

namespace Voke {

class PosixFile : public File {
public:
    PosixFile() = default;
    ~PosixFile() override;
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    // Both close first; true when fopen gave a file ("rb" / "wb": writing
    // truncates an existing file at once).
    bool OpenRead(const char* path) override;
    bool OpenWrite(const char* path) override;
    // fclose when open; false when fclose reported an error (data written
    // before it may be lost).
    bool Close() override;
    bool IsOpen() override { return m_file != nullptr; }

    // fread / fwrite; 0 when closed or for bytes <= 0.
    int Read(void* buffer, int bytes) override;
    int Write(const void* buffer, int bytes) override;
    // fseek; false when closed, for an unknown origin or when fseek fails.
    bool Seek(int offset, int origin) override;
    // ftell; 0 when closed.
    int Tell() override;
    // The size, keeping the position; 0 when closed.
    int Length() override;

protected:
    FILE* m_file = nullptr;
};

}  // namespace Voke
