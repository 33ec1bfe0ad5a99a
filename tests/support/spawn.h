// Children that tests start see SIGPIPE as a program started from a shell
// does, at its default action, whatever the test's process does with it (a
// bus connection may have it ignored, and an ignored signal is inherited): a
// child's own handling of broken pipes is then what the test sees.
//
// A child that a test no longer needs is ended so that it cleans up: SIGTERM
// first, on which a service closes its sockets and removes their files, and
// SIGKILL only when it has not ended after a bounded wait.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>

#include "tests/support/poll.h"

namespace VokeTest {

class SpawnAttributes {
public:
    SpawnAttributes()
    {
        posix_spawnattr_init(&m_attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&m_attributes, &defaults);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* Get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

// NOTE: how long a child has to end after SIGTERM before it is killed: a
// service ends within a second of it even on a loaded machine; only one
// that hangs takes this long.
constexpr double kEndSeconds = 10.0;

// Ends the child `pid` with SIGTERM, or with SIGKILL once it has not ended
// within `seconds`, and reaps it. Its wait status; -1 when it was no child
// of this process (or was reaped already).
inline int EndChild(pid_t pid, double seconds = kEndSeconds)
{
    int status = 0;
    pid_t reaped = 0;
    kill(pid, SIGTERM);
    PollUntil([&] { return (reaped = waitpid(pid, &status, WNOHANG)) != 0; }, seconds,
              std::chrono::milliseconds(10));
    if (reaped == 0) {
        kill(pid, SIGKILL);
        reaped = waitpid(pid, &status, 0);
    }
    return reaped == pid ? status : -1;
}

}  // namespace VokeTest
