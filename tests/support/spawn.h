// Children that tests start see SIGPIPE as a program started from a shell
// does, at its default action, whatever the test's process does with it (a
// bus connection may have it ignored, and an ignored signal is inherited): a
// child's own handling of broken pipes is then what the test sees.
#pragma once

#include <signal.h>
#include <spawn.h>

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

}  // namespace VokeTest
