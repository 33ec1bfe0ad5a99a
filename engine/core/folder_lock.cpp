#include "engine/core/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace Voke {

FolderLock::~FolderLock() { Release(); }

FolderLock::State FolderLock::Take(const NarrowString& folder)
{
    Release();
    const NarrowString path = folder + "/" + kFileName;
    // Close-on-exec: a child that inherited the descriptor would keep the
    // lock after this process ends.
    m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    if (m_fd < 0) return Fail(errno);
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) return Fail(error);
        const int holder = ReadHolder();
        Release();
        m_holder = holder;
        return m_state = State::kInUse;
    }
    // A failed write costs only the name in the other copies' line.
    WriteOwnId();
    return m_state = State::kHeld;
}

void FolderLock::Release()
{
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    m_state = State::kFree;
    m_holder = 0;
    m_error = 0;
}

FolderLock::State FolderLock::Fail(int error)
{
    Release();
    m_error = error;
    return m_state = State::kUnavailable;
}

bool FolderLock::WriteOwnId()
{
    char text[24];
    const int length = std::snprintf(text, sizeof(text), "%d\n", static_cast<int>(getpid()));
    // Written over the old id before the rest is cut off, so that a reader
    // never finds the file empty once a holder has written it.
    return pwrite(m_fd, text, static_cast<size_t>(length), 0) == length && ftruncate(m_fd, length) == 0;
}

int FolderLock::ReadHolder() const
{
    // NOTE: a process id has at most 10 digits; more is no id.
    char text[16];
    const ssize_t length = pread(m_fd, text, sizeof(text) - 1, 0);
    if (length <= 0) return 0;
    text[length] = '\0';
    char* end = nullptr;
    errno = 0;
    const long id = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || (*end != '\n' && *end != '\0') || id <= 0 || id > INT_MAX) return 0;
    return static_cast<int>(id);
}

}  // namespace Voke
