// Records what the default sound sink plays: parec reads the sink's monitor
// (stereo, 16-bit, 22050 Hz) until Stop. The constructor returns once the
// recorder is connected to the server, so sounds started afterwards are heard
// from their first sample.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/poll.h"

extern char** environ;

namespace VokeTest {

// The frames of `heard` that are not silent, channels interleaved: what
// sounded, without the silence before, after and between (a pause, or a gap
// that a slow writer thread leaves).
inline std::vector<int16_t> Sounded(const std::vector<int16_t>& heard)
{
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < heard.size(); i += 2)
        if (heard[i] != 0 || heard[i + 1] != 0) out.insert(out.end(), {heard[i], heard[i + 1]});
    return out;
}

class MonitorRecorder {
public:
    // NOTE: the waits here only guard against a server that hangs: they
    // end as soon as what they wait for has happened.
    static constexpr double kGuardSeconds = 60.0;
    static constexpr int kFramesPerSecond = 22050;

    MonitorRecorder()
    {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const char* argv[] = {"parec", "-d", "@DEFAULT_MONITOR@", "--format=s16le", "--rate=22050", "--channels=2",
                              "--raw", "--latency-msec=20", nullptr};
        if (posix_spawnp(&m_pid, "parec", &actions, nullptr, const_cast<char**>(argv), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_fd = fds[0];
        m_reader = std::thread([this] {
            uint8_t buffer[4096];
            for (;;) {
                const ssize_t got = read(m_fd, buffer, sizeof(buffer));
                if (got <= 0) break;
                std::lock_guard<std::mutex> hold(m_lock);
                m_bytes.insert(m_bytes.end(), buffer, buffer + got);
            }
        });
        m_connected = m_pid > 0 && PollUntil([] { return std::system("pactl list short source-outputs | grep -q .") == 0; },
                                        kGuardSeconds, std::chrono::milliseconds(50));
    }
    ~MonitorRecorder() { Stop(); }
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // Whether parec runs and is connected to the server.
    bool Running() const { return m_pid > 0 && m_connected; }

    // The samples heard so far, channels interleaved.
    std::vector<int16_t> Heard()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return Samples();
    }
    // Waits until `done` holds for the samples heard so far; whether it did
    // before the guard.
    bool WaitFor(const std::function<bool(const std::vector<int16_t>&)>& done)
    {
        return PollUntil([&] { return done(Heard()); }, kGuardSeconds, std::chrono::milliseconds(10));
    }
    // Waits until `seconds` of the monitor's time more than now have been
    // recorded, sounding or silent; whether they were before the guard.
    bool WaitForMore(double seconds)
    {
        const size_t frames = Heard().size() / 2 + size_t(seconds * kFramesPerSecond);
        return WaitFor([frames](const std::vector<int16_t>& heard) { return heard.size() / 2 >= frames; });
    }

    // Ends the recording; the samples heard, channels interleaved.
    std::vector<int16_t> Stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGINT);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        if (m_reader.joinable()) m_reader.join();
        if (m_fd >= 0) close(m_fd);
        m_fd = -1;
        return Samples();
    }

private:
    std::vector<int16_t> Samples() const
    {
        std::vector<int16_t> samples(m_bytes.size() / 2);
        if (!samples.empty()) std::memcpy(samples.data(), m_bytes.data(), samples.size() * 2);
        return samples;
    }

    pid_t m_pid = -1;
    int m_fd = -1;
    bool m_connected = false;
    std::thread m_reader;
    std::mutex m_lock;
    std::vector<uint8_t> m_bytes;
};

}  // namespace VokeTest
