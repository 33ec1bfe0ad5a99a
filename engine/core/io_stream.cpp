#include "engine/core/io_stream.h"

namespace Voke {

std::atomic<bool> g_fileActivity{false};

bool IOStream::WriteString(const NarrowString& text)
{
    const int length = static_cast<int>(text.size());
    return Write(text.data(), length) == length;
}

bool IOStream::ReadLine(NarrowString& line)
{
    char c;
    while (Read(&c, 1) >= 1) {
        if (c == '\n') return true;
        if (c != '\r') line.push_back(c);
    }
    return false;
}

bool SeekableStream::SeekTarget(int offset, int origin, int64_t position, int64_t length, int64_t& target)
{
    switch (origin) {
    case SeekSet: target = offset; return true;
    case SeekCur: target = position + offset; return true;
    case SeekEnd: target = length + offset; return true;
    default: return false;
    }
}

uint32_t SeekableStream::ClampedSeek(int offset, int origin, uint32_t position, uint32_t length)
{
    int64_t target;
    if (!SeekTarget(offset, origin, position, length, target)) return position;
    if (target < 0) return 0;
    return target > int64_t(length) ? length : static_cast<uint32_t>(target);
}

bool File::OpenWrite(const char*) { return false; }
bool File::OpenRead(const char*) { return false; }

}  // namespace Voke
