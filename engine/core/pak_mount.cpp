#include "engine/core/pak_mount.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "engine/core/byte_reader.h"

namespace Voke {

PakMount::PakMount(const char* archivePath, const char* mountPoint, int flags)
    : VfsMount(mountPoint, flags)
{
    m_valid = m_file.OpenRead(archivePath) && LoadDirectory();
    if (!m_valid) {
        m_entries.clear();
        m_names.clear();
    }
}

PakMount::~PakMount() = default;

bool PakMount::LoadDirectory()
{
    const uint64_t length = uint64_t(m_file.Length());
    unsigned char word[4];
    if (m_file.Read(word, 4) != 4) return false;
    const int32_t count = ByteReader(word, 4).I32();
    if (count < 0 || uint32_t(count) > kMaxEntryCount) return false;
    // The whole directory must fit in the content before anything is
    // allocated for it, so a damaged count cannot ask for gigabytes.
    const uint64_t tableEnd = 4 + uint64_t(count) * 12;
    if (tableEnd + 4 > length) return false;

    std::vector<unsigned char> raw(size_t(count) * 12);
    if (!raw.empty() && m_file.Read(raw.data(), int(raw.size())) != int(raw.size())) return false;
    if (m_file.Read(word, 4) != 4) return false;
    const uint32_t namesSize = ByteReader(word, 4).U32();
    if (namesSize > kMaxNamesSize) return false;
    if (tableEnd + 4 + namesSize > length) return false;
    m_names.assign(size_t(namesSize) + 1, '\0');
    if (namesSize && m_file.Read(m_names.data(), int(namesSize)) != int(namesSize)) return false;
    if (namesSize && m_names[namesSize - 1] != '\0') return false;  // last name runs past the block

    m_entries.resize(size_t(count));
    ByteReader table(raw.data(), raw.size());
    for (Entry& e : m_entries) {
        e.nameOffset = table.U32();
        e.dataOffset = table.U32();
        e.size = table.U32();
        if (e.nameOffset >= namesSize) return false;
        if (uint64_t(e.dataOffset) + e.size > length) return false;
    }
    return true;
}

const PakMount::Entry* PakMount::FindEntry(const char* name) const
{
    int low = 0;
    int high = static_cast<int>(m_entries.size()) - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const int c = strcasecmp(name, GetName(m_entries[size_t(middle)]));
        if (c == 0) return &m_entries[size_t(middle)];
        if (c < 0)
            high = middle - 1;
        else
            low = middle + 1;
    }
    return nullptr;
}

File* PakMount::OpenRead(const char* name)
{
    const Entry* entry = FindEntry(name);
    return entry ? new VirtualFile(this, entry) : nullptr;
}

VirtualFile::VirtualFile(PakMount* mount, const PakMount::Entry* entry) : m_mount(mount), m_entry(entry) {}

int VirtualFile::Read(void* buffer, int bytes)
{
    if (!m_entry || bytes <= 0 || m_position >= m_entry->size) return 0;
    const int count = static_cast<int>(std::min(uint32_t(bytes), m_entry->size - m_position));
    int got;
    {
        std::lock_guard<std::mutex> lock(m_mount->m_lock);
        // Entries lie inside the content (checked at load), which is below
        // 2 GiB, so the offset fits the stream's int position.
        m_mount->m_file.Seek(static_cast<int>(m_entry->dataOffset + m_position), IOStream::SeekSet);
        got = m_mount->m_file.Read(buffer, count);
    }
    if (got > 0) m_position += uint32_t(got);
    return got;
}

bool VirtualFile::Seek(int offset, int origin)
{
    if (!m_entry) return false;
    m_position = ClampedSeek(offset, origin, m_position, m_entry->size);
    return true;
}

bool VirtualFile::Close()
{
    m_entry = nullptr;
    return true;
}

}  // namespace Voke
