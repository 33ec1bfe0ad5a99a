// An X server of a test's own (Xvfb on a free display), and on request a
// window manager on it (openbox), for tests that need a screen of another
// depth, one they can stop under a program, or a desktop's window manager
// (minimising, activating, focus). Both end with the object, on SIGTERM so
// that the server removes its socket from /tmp/.X11-unix, and with the test's
// process even when it is killed. The server's socket is recorded where
// VOKE_TEST_X_SOCKETS says (scripts/test, sharing the machine's /tmp).
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/poll.h"
#include "tests/support/spawn.h"

namespace VokeTest {

class PrivateXServer {
public:
    // `screen` as Xvfb takes it: width x height x depth.
    explicit PrivateXServer(const std::string& screen = "800x480x24")
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 5);  // -displayfd writes the number here
        QuietOutput(actions);
        // No reset when the last client goes: a server that resets between
        // one test's clients refuses the next one for a moment.
        m_xPid = Spawn({"Xvfb", "-displayfd", "5", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, actions,
                       environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string number;
        pollfd fd{fds[0], POLLIN, 0};
        char c = 0;
        while (m_xPid > 0 && poll(&fd, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) {
            m_display = ":" + number;
            RecordSocket("/tmp/.X11-unix/X" + number);
        }
    }
    ~PrivateXServer()
    {
        End(m_wmPid);
        Stop();
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N", or empty when the server did not start.
    const std::string& Display() const { return m_display; }

    // Starts openbox on the server and waits until it manages the screen
    // (it announces itself on the root window); false when it does not.
    bool StartWindowManager()
    {
        if (m_display.empty()) return false;
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("DISPLAY=", 0) != 0) env.push_back(*e);
        env.push_back("DISPLAY=" + m_display);
        std::vector<char*> envp;
        for (std::string& v : env) envp.push_back(v.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        QuietOutput(actions);
        m_wmPid = Spawn({"openbox", "--sm-disable"}, actions, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (m_wmPid <= 0) return false;
        ::Display* x = XOpenDisplay(m_display.c_str());
        if (!x) return false;
        const Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
        const bool managed = PollUntil(
            [&] {
                Atom type = None;
                int format = 0;
                unsigned long items = 0, after = 0;
                unsigned char* data = nullptr;
                const bool found = XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, XA_WINDOW, &type,
                                                      &format, &items, &after, &data) == Success &&
                                   items == 1;
                if (data) XFree(data);
                return found;
            },
            20.0);
        XCloseDisplay(x);
        return managed;
    }

    // Ends the server under its clients; every connection to it must be
    // closed first in this process, whose Xlib would end it otherwise.
    void Stop() { End(m_xPid); }

private:
    // Started through setpriv: the child dies with the test's process.
    static pid_t Spawn(std::vector<std::string> args, const posix_spawn_file_actions_t& actions, char* const* envp)
    {
        args.insert(args.begin(), {"setpriv", "--pdeathsig", "KILL"});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp) != 0) pid = -1;
        return pid;
    }
    // A run of scripts/test that shares the machine's /tmp names a file where
    // its X servers record their sockets, each by path, inode and change time
    // as `stat -c '%n %i %.9Z'` prints them: its check counts a socket left
    // there only when it is the one made here.
    static void RecordSocket(const std::string& socket)
    {
        const char* record = std::getenv("VOKE_TEST_X_SOCKETS");
        struct stat made;
        if (!record || !*record || stat(socket.c_str(), &made) != 0) return;
        char line[256];
        const int length = std::snprintf(line, sizeof line, "%s %llu %lld.%09ld\n", socket.c_str(),
                                         static_cast<unsigned long long>(made.st_ino),
                                         static_cast<long long>(made.st_ctim.tv_sec), made.st_ctim.tv_nsec);
        const int fd = open(record, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return;
        // One write: the servers of tests side by side append to the same file.
        [[maybe_unused]] const ssize_t written = write(fd, line, length);
        close(fd);
    }
    static void QuietOutput(posix_spawn_file_actions_t& actions)
    {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    static void End(pid_t& pid)
    {
        if (pid <= 0) return;
        EndChild(pid);
        pid = -1;
    }

    pid_t m_xPid = -1;
    pid_t m_wmPid = -1;
    std::string m_display;
};

}  // namespace VokeTest
