#include "engine/core/mmap_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace Voke {

MmapFile::~MmapFile()
{
    MarkFileActivity();
    if (m_data) munmap(const_cast<unsigned char*>(m_data), m_size);
}

bool MmapFile::OpenRead(const char* path)
{
    Close();  // virtual: a derived class frees its own state too
    MarkFileActivity();
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    // Positions are 32-bit signed, so larger files are refused.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > INT_MAX) {
        close(fd);
        return false;
    }
    m_position = 0;
    m_size = static_cast<uint32_t>(st.st_size);
    if (m_size == 0) {
        // mmap refuses a length of 0; an empty file is still a file.
        close(fd);
        m_open = true;
        return true;
    }
    void* p = mmap(nullptr, m_size, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (p == MAP_FAILED) {
        m_size = 0;
        return false;
    }
    m_data = static_cast<const unsigned char*>(p);
    m_open = true;
    return true;
}

bool MmapFile::Close()
{
    MarkFileActivity();
    if (m_data) munmap(const_cast<unsigned char*>(m_data), m_size);
    m_data = nullptr;
    m_size = 0;
    m_position = 0;
    m_open = false;
    return true;
}

int MmapFile::Read(void* buffer, int bytes)
{
    const unsigned char* p = Map(bytes);
    if (bytes > 0) std::memcpy(buffer, p, static_cast<size_t>(bytes));
    return bytes;
}

const unsigned char* MmapFile::Map(int& bytes)
{
    MarkFileActivity();
    const uint32_t remaining = m_size - m_position;
    if (bytes < 0 || !m_data) bytes = 0;
    if (static_cast<uint32_t>(bytes) > remaining) bytes = static_cast<int>(remaining);
    const unsigned char* p = m_data ? m_data + m_position : nullptr;
    m_position += static_cast<uint32_t>(bytes);
    return p;
}

bool MmapFile::Seek(int offset, int origin)
{
    MarkFileActivity();
    m_position = ClampedSeek(offset, origin, m_position, m_size);
    return true;
}

int MmapFile::Tell()
{
    MarkFileActivity();
    return static_cast<int>(m_position);
}

int MmapFile::Length()
{
    MarkFileActivity();
    return static_cast<int>(m_size);
}

}  // namespace Voke
