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
#include <thread>
#include <vector>

extern char** environ;

namespace VokeTest {

class MonitorRecorder {
public:
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
                m_bytes.insert(m_bytes.end(), buffer, buffer + got);
            }
        });
        for (int i = 0; i < 100 && std::system("pactl list short source-outputs | grep -q .") != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~MonitorRecorder() { Stop(); }
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    bool Running() const { return m_pid > 0; }

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
        std::vector<int16_t> samples(m_bytes.size() / 2);
        if (!samples.empty()) std::memcpy(samples.data(), m_bytes.data(), samples.size() * 2);
        return samples;
    }

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    std::thread m_reader;
    std::vector<uint8_t> m_bytes;
};

}  // namespace VokeTest
