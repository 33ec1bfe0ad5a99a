#include "engine/core/vfs.h"

#include <strings.h>

#include <mutex>
#include <vector>

#include "engine/core/app_globals.h"
#include "engine/core/cached_file.h"
#include "engine/core/maemo_game_save_file.h"
#include "engine/core/mmap_file.h"
#include "engine/core/pak_mount.h"

namespace Voke {

const NarrowString g_buildInfo = NarrowString("VOKE ") + "master" + "." + "6e386a52" + " built " +
                                 "Aug 31 2011 13:05:40";

namespace {

// Guards the application globals' `vfs` slot and the links of the mount list:
// the main thread mounts and unmounts, any thread (main, loader) opens.
std::mutex g_listLock;

VfsStaticData* CurrentList()
{
    return dynamic_cast<VfsStaticData*>(AppGlobals::Instance()->vfs.Get());
}

}  // namespace

VfsMount::VfsMount(const char* mountPoint, int flags)
    : m_mountPoint(mountPoint ? mountPoint : ""), m_flags(flags)
{
}

bool VfsMount::Matches(const char* path) const
{
    return strncasecmp(path, m_mountPoint.c_str(), m_mountPoint.size()) == 0;
}

NativeMount::NativeMount(const char* root, const char* mountPoint, int flags)
    : VfsMount(mountPoint, flags), m_root(root ? root : "")
{
}

File* NativeMount::OpenRead(const char* name)
{
    // Each call builds its own path, so opens from two threads do not mix.
    const NarrowString path = m_root + name;
    File* file;
    if (GetFlags() & SaveFiles)
        file = new MaemoGameSaveFile;
    else
        file = new MmapFile;
    if (!file->OpenRead(path.c_str())) {
        delete file;
        return nullptr;
    }
    return file;
}

File* NativeMount::OpenWrite(const char* name)
{
    if (!(GetFlags() & SaveFiles)) return nullptr;
    const NarrowString path = m_root + name;
    MaemoGameSaveFile* file = new MaemoGameSaveFile;
    if (!file->OpenWrite(path.c_str())) {
        delete file;
        return nullptr;
    }
    return file;
}

VfsStaticData::~VfsStaticData()
{
    // Unlink iteratively so a long list does not recurse through destructors.
    SmartPtr<VfsMount> mount = std::move(m_head);
    while (mount) {
        SmartPtr<VfsMount> next = std::move(mount->m_next);
        mount = std::move(next);
    }
}

void Vfs::Init()
{
    SmartPtr<RefCounter> old;
    {
        std::lock_guard<std::mutex> lock(g_listLock);
        old = AppGlobals::Instance()->vfs;
        AppGlobals::Instance()->vfs = new VfsStaticData;
    }
    // `old` dies here, outside the lock: its mounts may close files.
}

void Vfs::Shutdown()
{
    SmartPtr<RefCounter> old;
    std::lock_guard<std::mutex> lock(g_listLock);
    old = std::move(AppGlobals::Instance()->vfs);
}

VfsMount* Vfs::PushFront(VfsMount* mount)
{
    SmartPtr<VfsMount> owned(mount);
    std::lock_guard<std::mutex> lock(g_listLock);
    VfsStaticData* list = CurrentList();
    if (!list) return nullptr;
    owned->m_next = list->m_head;
    list->m_head = owned;
    return mount;
}

VfsMount* Vfs::MountPak(const NarrowString& archive, const char* mountPoint, int flags)
{
    {
        MmapFile probe;
        if (!probe.OpenRead(archive.c_str())) return nullptr;
    }
    SmartPtr<PakMount> mount(new PakMount(archive.c_str(), mountPoint, flags));
    if (!mount->IsValid()) return nullptr;
    return PushFront(mount);
}

VfsMount* Vfs::MountDirectory(const NarrowString& root, const char* mountPoint, int flags)
{
    return PushFront(new NativeMount(root.c_str(), mountPoint, flags));
}

File* Vfs::OpenThrough(const char* path, bool write)
{
    if (!path) return nullptr;
    // Take the claiming mounts under the lock, open outside it: opening may
    // touch the disk and must not hold up other threads' lookups.
    std::vector<SmartPtr<VfsMount>> claiming;
    {
        std::lock_guard<std::mutex> lock(g_listLock);
        VfsStaticData* list = CurrentList();
        if (!list) return nullptr;
        for (VfsMount* mount = list->m_head; mount; mount = mount->m_next) {
            if (!mount->Matches(path)) continue;
            claiming.emplace_back(mount);
            if (!(mount->GetFlags() & VfsMount::FallThrough)) break;
        }
    }
    for (const SmartPtr<VfsMount>& mount : claiming) {
        const char* name = path + mount->GetMountPoint().size();
        File* file = write ? mount->OpenWrite(name) : mount->OpenRead(name);
        if (file) return file;
    }
    return nullptr;
}

File* Vfs::Open(const char* path) { return OpenThrough(path, false); }

File* Vfs::OpenWrite(const char* path) { return OpenThrough(path, true); }

File* Vfs::OpenCached(const char* path)
{
    CachedFile* file = new CachedFile;
    file->OpenRead(path);
    return file;
}

bool Vfs::WriteFile(const char* path, const void* data, int size)
{
    if (size < 0) return false;
    SmartPtr<File> file = OpenWrite(path);
    if (!file) return false;
    const bool written = file->Write(data, size) == size;
    // A save file keeps the previous contents when a write fell short.
    const bool closed = file->Close();
    return written && closed;
}

VfsMount* Vfs::FindMount(const char* path, VfsMount* start)
{
    std::lock_guard<std::mutex> lock(g_listLock);
    VfsStaticData* list = CurrentList();
    if (!list || !path) return nullptr;
    VfsMount* mount = start ? start : list->m_head.Get();
    for (; mount; mount = mount->m_next)
        if (mount->Matches(path)) return mount;
    return nullptr;
}

SmartPtr<VfsMount> Vfs::Unmount(const char* path)
{
    std::lock_guard<std::mutex> lock(g_listLock);
    VfsStaticData* list = CurrentList();
    if (!list || !path) return nullptr;
    for (SmartPtr<VfsMount>* link = &list->m_head; *link; link = &(*link)->m_next) {
        if ((*link)->Matches(path)) {
            SmartPtr<VfsMount> removed = *link;
            *link = removed->m_next;
            removed->m_next.Reset();
            return removed;
        }
    }
    return nullptr;
}

SmartPtr<VfsMount> Vfs::Unmount(VfsMount* mount)
{
    std::lock_guard<std::mutex> lock(g_listLock);
    VfsStaticData* list = CurrentList();
    if (!list || !mount) return nullptr;
    for (SmartPtr<VfsMount>* link = &list->m_head; *link; link = &(*link)->m_next) {
        if (link->Get() == mount) {
            SmartPtr<VfsMount> removed = *link;
            *link = removed->m_next;
            removed->m_next.Reset();
            return removed;
        }
    }
    return nullptr;
}

}  // namespace Voke
