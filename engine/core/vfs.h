// The virtual file system: asset and save paths opened through a list of
// mounts.
//
// A mount claims the paths that begin with its mount point (compared without
// regard to case; an empty mount point claims every path) and serves them
// from a pak archive or a native folder. The list is searched from the most
// recently added mount. A claiming mount that cannot open the path ends the
// search with null unless it has the fall-through flag.
//
// The game mounts "data.pak" and "atlas.pak" at the empty mount point and the
// folder "save/" as a writable save-file mount at "save/", so lookups try the
// save folder, then "atlas.pak", then "data.pak".
#pragma once

#include <cstddef>

#include "engine/core/io_stream.h"
#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {

class VfsMount : public RefCounter {
public:
    enum Flags {
        FallThrough = 0x1,  // on a failed open the search goes on
        SaveFiles = 0x2,    // a native mount opens save files (config folder)
    };

    VfsMount(const char* mountPoint, int flags);

    // `name` is the path without the mount point. Each returns a new file
    // (reference count 0) or null.
    virtual File* OpenRead(const char* name) = 0;
    virtual File* OpenWrite(const char* name) = 0;

    // True when `path` begins with the mount point, ignoring case.
    bool Matches(const char* path) const;

    const NarrowString& GetMountPoint() const { return m_mountPoint; }
    int GetFlags() const { return m_flags; }

private:
    friend struct Vfs;
    friend class VfsStaticData;
    NarrowString m_mountPoint;
    int m_flags;
    SmartPtr<VfsMount> m_next;  // the list is linked through these (under the list lock)
};

// A folder of the native file system. Read-only files are memory-mapped; with
// the SaveFiles flag files are save files, which can also be written.
class NativeMount : public VfsMount {
public:
    // The root is kept whole, whatever its length.
    NativeMount(const char* root, const char* mountPoint, int flags);

    // Opens root + name; roots and names of any length are used whole (a
    // path the system cannot open gives null). Safe to call from several
    // threads at once.
    File* OpenRead(const char* name) override;
    // Null unless this is a save-file mount.
    File* OpenWrite(const char* name) override;

    const NarrowString& GetRoot() const { return m_root; }

private:
    NarrowString m_root;
};

// The mount list, held by the application globals (slot `vfs`).
class VfsStaticData : public RefCounter {
public:
    ~VfsStaticData() override;

private:
    friend struct Vfs;
    SmartPtr<VfsMount> m_head;  // under the list lock (vfs.cpp)
};

// The mount table's operations. The list is built on the main thread at
// start-up; any thread may open files through it afterwards.
struct Vfs {
    // Installs a new, empty mount list, releasing the previous one.
    static void Init();
    // Releases the mount list; opens then fail until the next Init.
    static void Shutdown();

    // Adds the pak archive at `archive` in front of the list. Null, mounting
    // nothing, when the archive does not open or is damaged, or when no list
    // is installed.
    static VfsMount* MountPak(const NarrowString& archive, const char* mountPoint, int flags);
    // Adds a native folder in front of the list (its existence is not
    // checked). Null when no list is installed.
    static VfsMount* MountDirectory(const NarrowString& root, const char* mountPoint, int flags);

    // Opens `path` for reading / writing through the list. Null when no mount
    // claims the path, when the last claiming mount fails, or when no list is
    // installed.
    static File* Open(const char* path);
    static File* OpenWrite(const char* path);
    // A whole-file copy in memory of `path`. Never null: when the path does not
    // open, the file holds nothing (Length 0, reads give 0).
    static File* OpenCached(const char* path);

    // Replaces the contents of `path` with `size` bytes of `data` through
    // OpenWrite, so that a failure leaves the previous file intact (on save
    // mounts). True only when every byte was written and kept.
    static bool WriteFile(const char* path, const void* data, int size);

    // The first mount claiming `path`, searching from `start` (included) or
    // from the head when `start` is null.
    static VfsMount* FindMount(const char* path, VfsMount* start = nullptr);
    // Removes the first mount claiming `path` / the given mount from the list;
    // returns it (owned by the handle), or null when absent.
    static SmartPtr<VfsMount> Unmount(const char* path);
    static SmartPtr<VfsMount> Unmount(VfsMount* mount);

    // Puts `mount` in front of the list (searched first) and returns it; null,
    // releasing a mount nobody else owns, when no list is installed.
    static VfsMount* PushFront(VfsMount* mount);

private:
    static File* OpenThrough(const char* path, bool write);
};

// "VOKE master.6e386a52 built Aug 31 2011 13:05:40": shown by the debug
// overlay and the remote console.
extern const NarrowString g_buildInfo;

}  // namespace Voke
