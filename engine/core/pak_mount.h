// Pak archives: many named files in one compressed block file.
//
// Archive content (the decoded bytes of the CompressedFile, little-endian):
//   0          i32   entry count N
//   4          12*N  entries {u32 name offset, u32 data offset, u32 size}
//   4 + 12N    u32   names size
//   8 + 12N    ...   names block: NUL-terminated full paths ("l10n/en.xml")
// Entries are sorted by name in strcasecmp order (letters folded to lower
// case); names are found by bisection without regard to case. Data offsets
// are positions in the decoded content.
//
// All files of one archive read through the mount's single decompressing
// stream, under the mount's lock, so any thread may read entries.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/core/compressed_file.h"
#include "engine/core/vfs.h"

namespace Voke {

class PakMount : public VfsMount {
public:
    // NOTE: directory limits, so that a damaged archive whose content decodes
    // to a large size (zeros compress very well) cannot make the mount
    // allocate gigabytes. The game's archives hold a few thousand entries.
    static constexpr uint32_t kMaxEntryCount = 1u << 20;
    static constexpr uint32_t kMaxNamesSize = 64u << 20;

    struct Entry {
        uint32_t nameOffset;
        uint32_t dataOffset;
        uint32_t size;
    };

    // Opens the archive and loads its directory. A missing or damaged archive
    // (see IsValid) leaves an empty directory that finds nothing.
    PakMount(const char* archivePath, const char* mountPoint, int flags);
    ~PakMount() override;

    // False when the archive did not open or its directory is damaged: a
    // negative count, more than kMaxEntryCount entries or kMaxNamesSize bytes
    // of names, a directory or names block running past the content,
    // names not ending in NUL, or an entry whose name or data lies outside
    // its block. The game's mount function refuses such archives.
    bool IsValid() const { return m_valid; }

    // The entry named `name` (any case), or null.
    const Entry* FindEntry(const char* name) const;
    // A new file over the entry, or null when there is none.
    File* OpenRead(const char* name) override;
    // Always null: archives are read-only.
    File* OpenWrite(const char*) override { return nullptr; }

    int GetEntryCount() const { return static_cast<int>(m_entries.size()); }
    const Entry& GetEntry(int index) const { return m_entries[size_t(index)]; }
    const char* GetName(const Entry& entry) const { return m_names.data() + entry.nameOffset; }

private:
    friend class VirtualFile;

    bool LoadDirectory();

    // The shared stream and the lock that serialises its use. Taken by every
    // thread reading an entry (main thread, loader thread, audio thread).
    // The audio thread may take it while holding mixer locks, so no mixer lock
    // may be taken while holding it.
    std::mutex m_lock;
    CompressedFile m_file;  // under m_lock

    // Immutable after construction; read without the lock.
    std::vector<Entry> m_entries;
    std::vector<char> m_names;  // the names block plus a final NUL
    bool m_valid = false;
};

// A read-only window onto one entry of a pak archive. Keeps its archive alive.
class VirtualFile : public File {
public:
    VirtualFile(PakMount* mount, const PakMount::Entry* entry);

    // Up to `bytes` bytes of the entry; 0 when closed or at its end. Fewer
    // than asked before the end means the archive is damaged there.
    int Read(void* buffer, int bytes) override;
    int Write(const void*, int) override { return 0; }
    // Clamped into [0, Length]; an unknown origin keeps the position. False
    // when closed.
    bool Seek(int offset, int origin) override;
    int Tell() override { return static_cast<int>(m_position); }
    // The entry's size, or -1 once closed.
    int Length() override { return m_entry ? static_cast<int>(m_entry->size) : -1; }
    // Forgets the entry; the archive stays held until destruction.
    bool Close() override;

private:
    SmartPtr<PakMount> m_mount;
    const PakMount::Entry* m_entry;  // null once closed
    uint32_t m_position = 0;
};

}  // namespace Voke
