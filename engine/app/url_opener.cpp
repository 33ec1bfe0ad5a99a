#include "engine/app/url_opener.h"

#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/app/clock.h"
#include "engine/core/report.h"

extern "C" char** environ;

namespace Voke {

namespace {

// A descriptor that becomes readable when the process ends; -1 where the
// kernel has none. Called directly: the C library's declaration of it is
// not usable from C++ here.
int WatchProcess(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

}  // namespace

UrlOpener::~UrlOpener()
{
    for (const Opener& opener : m_openers)
        if (opener.exitFd >= 0) close(opener.exitFd);
}

bool UrlOpener::Open(const NarrowString& url)
{
    NarrowString program = kProgram;
    NarrowString address = url;
    char* argv[] = {program.data(), address.data(), nullptr};
    // The opener starts with broken pipes ending programs again, as they
    // normally do (the game ignores them, and an ignored signal is
    // inherited), and in a session of its own.
    posix_spawnattr_t attributes;
    if (const int failed = posix_spawnattr_init(&attributes); failed != 0) {
        ReportError("web page: cannot open \"%s\": %s cannot be started: %s", url.c_str(), kProgram,
                    std::strerror(failed));
        return false;
    }
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, kProgram, nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        ReportError("web page: cannot open \"%s\": %s cannot be started: %s", url.c_str(), kProgram,
                    std::strerror(spawned));
        return false;
    }
    m_openers.push_back({child, WatchProcess(child), url, Now()});
    return true;
}

void UrlOpener::Collect()
{
    for (auto it = m_openers.begin(); it != m_openers.end();) {
        int status = 0;
        const pid_t ended = waitpid(it->pid, &status, WNOHANG);
        if (ended == 0 || (ended < 0 && errno == EINTR)) {
            ++it;
            continue;
        }
        // Ended (or, should another part of the process have collected it,
        // gone): nothing more to wait for. Its run lasted until now, as far
        // as the process can know.
        const int64_t ranMs = Now() - it->startMs;
        if (ended == it->pid && ranMs <= kFailureWindowMs) {
            if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
                ReportError("web page: \"%s\" could not be opened: %s ended with status %d", it->url.c_str(),
                            kProgram, WEXITSTATUS(status));
            else if (WIFSIGNALED(status))
                ReportError("web page: \"%s\" could not be opened: %s ended by signal %d", it->url.c_str(), kProgram,
                            WTERMSIG(status));
        }
        if (it->exitFd >= 0) close(it->exitFd);
        it = m_openers.erase(it);
    }
}

int64_t UrlOpener::Now() const
{
    return m_clock ? m_clock() : GetMonotonicMs();
}

void UrlOpener::AppendWaitDescriptors(std::vector<pollfd>& fds) const
{
    for (const Opener& opener : m_openers)
        if (opener.exitFd >= 0) fds.push_back({opener.exitFd, POLLIN, 0});
}

}  // namespace Voke
