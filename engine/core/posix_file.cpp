#include "engine/core/posix_file.h"

namespace Voke {

PosixFile::~PosixFile()
{
    MarkFileActivity();
    if (m_file) fclose(m_file);
}

bool PosixFile::OpenRead(const char* path)
{
    Close();
    m_file = fopen(path, "rbe");
    return m_file != nullptr;
}

bool PosixFile::OpenWrite(const char* path)
{
    Close();
    m_file = fopen(path, "wbe");
    return m_file != nullptr;
}

bool PosixFile::Close()
{
    MarkFileActivity();
    if (!m_file) return true;
    const bool ok = fclose(m_file) == 0;
    m_file = nullptr;
    return ok;
}

int PosixFile::Read(void* buffer, int bytes)
{
    MarkFileActivity();
    if (!m_file || bytes <= 0) return 0;
    return static_cast<int>(fread(buffer, 1, static_cast<size_t>(bytes), m_file));
}

int PosixFile::Write(const void* buffer, int bytes)
{
    MarkFileActivity();
    if (!m_file || bytes <= 0) return 0;
    return static_cast<int>(fwrite(buffer, 1, static_cast<size_t>(bytes), m_file));
}

bool PosixFile::Seek(int offset, int origin)
{
    MarkFileActivity();
    if (!m_file || origin < SeekSet || origin > SeekEnd) return false;
    static_assert(SEEK_SET == SeekSet && SEEK_CUR == SeekCur && SEEK_END == SeekEnd, "stdio origins");
    return fseek(m_file, offset, origin) == 0;
}

int PosixFile::Tell()
{
    MarkFileActivity();
    return m_file ? static_cast<int>(ftell(m_file)) : 0;
}

int PosixFile::Length()
{
    MarkFileActivity();
    if (!m_file) return 0;
    const long position = ftell(m_file);
    fseek(m_file, 0, SEEK_END);
    const long length = ftell(m_file);
    fseek(m_file, position, SEEK_SET);
    return static_cast<int>(length);
}

}  // namespace Voke
