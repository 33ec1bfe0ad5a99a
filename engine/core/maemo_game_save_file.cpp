#include "engine/core/maemo_game_save_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "engine/core/application_title.h"
#include "engine/core/safe_save.h"

namespace Voke {

namespace {

// Creates `dir` and its missing parents, owner-only. True when it exists as a
// folder afterwards.
bool MakeFolders(const NarrowString& dir)
{
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (errno != ENOENT) return false;
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const NarrowString prefix = dir.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == NarrowString::npos) break;
    }
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The save folder as this process holds it (main thread only).
FolderLock g_folderLock;
// Set while another process holds the save folder; read by every thread
// that saves (main, loader).
std::atomic<bool> g_writesRefused{false};

}  // namespace

MaemoGameSaveFile::~MaemoGameSaveFile() { Close(); }

NarrowString MaemoGameSaveFile::BuildPath(const char* name)
{
    NarrowString base;
    const char* config = getenv("XDG_CONFIG_HOME");
    const char* home = getenv("HOME");
    // Only an absolute XDG_CONFIG_HOME counts: a relative one would put the
    // saves wherever the program runs (its own folder).
    if (config && *config == '/') {
        base = config;
    } else if (home && *home) {
        base = home;
        base += "/.config";
    } else {
        return NarrowString();
    }
    return base + "/" + ApplicationTitle + "/" + name;
}

int MaemoGameSaveFile::CheckWritable(const char* name, NarrowString& folder)
{
    folder = BuildPath(name);
    if (folder.empty()) return ENOENT;
    // The nearest part of the path that exists decides: the folder itself,
    // or the parent in which a save would create the missing ones.
    NarrowString existing = folder;
    for (;;) {
        struct stat st;
        if (stat(existing.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return ENOTDIR;
            return access(existing.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
        }
        const int error = errno;
        // (The working folder or the root gone: nothing is left to climb.)
        if (error != ENOENT || existing == "." || existing == "/") return error;
        const size_t slash = existing.rfind('/');
        if (slash == NarrowString::npos)
            existing = ".";
        else
            existing.resize(slash == 0 ? 1 : slash);
    }
}

FolderLock::State MaemoGameSaveFile::ClaimFolder(const char* name, int& holder)
{
    holder = 0;
    g_writesRefused = false;
    g_folderLock.Release();
    NarrowString folder = BuildPath(name);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty() || !MakeFolders(folder)) return FolderLock::State::kUnavailable;
    const FolderLock::State state = g_folderLock.Take(folder);
    if (state == FolderLock::State::kInUse) {
        holder = g_folderLock.Holder();
        g_writesRefused = true;
    }
    return state;
}

bool MaemoGameSaveFile::OpenRead(const char* name)
{
    Close();
    const NarrowString full = BuildPath(name);
    return !full.empty() && PosixFile::OpenRead(full.c_str());
}

bool MaemoGameSaveFile::OpenWrite(const char* name)
{
    Close();
    if (g_writesRefused) return false;
    const NarrowString full = BuildPath(name);
    const size_t slash = full.rfind('/');
    if (full.empty() || slash == NarrowString::npos || slash == full.size() - 1) return false;
    if (slash > 0 && !MakeFolders(full.substr(0, slash))) return false;
    m_file = SafeSave::Begin(full);
    if (!m_file) return false;
    m_target = full;
    m_writeFailed = false;
    return true;
}

int MaemoGameSaveFile::Write(const void* buffer, int bytes)
{
    const int written = PosixFile::Write(buffer, bytes);
    if (bytes > 0 && written != bytes) m_writeFailed = true;
    return written;
}

bool MaemoGameSaveFile::Close()
{
    if (m_target.empty()) return PosixFile::Close();
    MarkFileActivity();
    FILE* file = m_file;
    m_file = nullptr;
    const NarrowString target = std::move(m_target);
    m_target.clear();
    return SafeSave::Finish(file, target, !m_writeFailed);
}

}  // namespace Voke
