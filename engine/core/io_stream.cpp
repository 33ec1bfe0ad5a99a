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

bool File::OpenWrite(const char*) { return false; }
bool File::OpenRead(const char*) { return false; }

}  // namespace Voke
