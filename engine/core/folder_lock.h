// One process at a time in a folder: an exclusive advisory lock (flock) on
// the file ".lock" in it, which also holds the holder's process id so that
// the others can name it.
//
// The lock's descriptor is opened close-on-exec, so no program the holder
// starts (a browser that outlives it) keeps the folder. The kernel drops the
// lock however the holder ends, SIGKILL included: a crash leaves nothing to
// clean up, only a file with a stale process id, which the next holder
// overwrites. The lock binds only processes that take it.
#pragma once

#include "engine/core/strings.h"

namespace Voke {

class FolderLock {
public:
    enum class State {
        kFree,         // nothing taken (yet, or given back)
        kHeld,         // this object holds the folder
        kInUse,        // another holder has it: another process, or another
                       // FolderLock of this one (each open of the file counts)
        kUnavailable,  // the lock file cannot be opened or locked here
    };

    // The lock file's name inside the folder.
    static constexpr const char* kFileName = ".lock";

    FolderLock() = default;
    // Gives the folder back.
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Gives back what this object holds, then tries once, without waiting,
    // to lock `folder`/.lock (created with mode 0600 when missing; the folder
    // itself must exist). kHeld: the file now holds this process's id.
    // kInUse: Holder() names the other process. kUnavailable: Error() is
    // the errno value (ENOENT for a missing folder, ENOLCK or EOPNOTSUPP
    // where the file system has no locks). Never kFree.
    State Take(const NarrowString& folder);
    // Gives the folder back (closes the file, leaving it in place); kFree.
    void Release();

    State GetState() const { return m_state; }
    // With kInUse: the process id the lock file names, 0 when it names none
    // (a holder that has not written it yet).
    int Holder() const { return m_holder; }
    // With kUnavailable: why; 0 otherwise.
    int Error() const { return m_error; }

private:
    State Fail(int error);
    bool WriteOwnId();
    int ReadHolder() const;

    int m_fd = -1;
    State m_state = State::kFree;
    int m_holder = 0;
    int m_error = 0;
};

}  // namespace Voke
