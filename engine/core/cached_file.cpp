#include "engine/core/cached_file.h"

#include <climits>
#include <cstring>

#include "engine/core/vfs.h"

namespace Voke {

CachedFile::CachedFile(const void* data, int size, bool copy)
{
    if (size < 0) size = 0;
    m_size = static_cast<uint32_t>(size);
    m_owns = copy;
    if (copy) {
        unsigned char* own = new unsigned char[m_size ? m_size : 1];
        if (m_size) std::memcpy(own, data, m_size);
        m_buffer = own;
    } else {
        m_buffer = static_cast<const unsigned char*>(data);
    }
}

CachedFile::~CachedFile() { Close(); }

bool CachedFile::Close()
{
    if (m_owns) delete[] m_buffer;
    m_buffer = nullptr;
    m_size = 0;
    m_position = 0;
    m_owns = true;
    return true;
}

bool CachedFile::OpenWrite(const char*)
{
    Close();
    return false;
}

bool CachedFile::OpenRead(const char* path)
{
    Close();
    SmartPtr<File> source = Vfs::Open(path);
    if (!source) return false;
    source->Seek(0, SeekEnd);
    const int length = source->Tell();
    source->Seek(0, SeekSet);
    if (length < 0) return false;
    unsigned char* buffer = new unsigned char[length ? length : 1];
    const int got = length ? source->Read(buffer, length) : 0;
    m_buffer = buffer;
    m_size = got > 0 ? static_cast<uint32_t>(got) : 0;
    m_position = 0;
    m_owns = true;
    return true;
}

int CachedFile::Read(void* buffer, int bytes)
{
    if (!m_buffer || bytes <= 0 || m_position < 0 || uint32_t(m_position) >= m_size) return 0;
    const uint32_t remaining = m_size - uint32_t(m_position);
    const uint32_t count = uint32_t(bytes) < remaining ? uint32_t(bytes) : remaining;
    std::memcpy(buffer, m_buffer + m_position, count);
    m_position += int32_t(count);
    return int(count);
}

bool CachedFile::Seek(int offset, int origin)
{
    int64_t target;
    if (!m_buffer || !SeekTarget(offset, origin, m_position, m_size, target)) return false;
    if (target < INT_MIN) target = INT_MIN;
    if (target > INT_MAX) target = INT_MAX;
    m_position = int32_t(target);
    return true;
}

}  // namespace Voke
