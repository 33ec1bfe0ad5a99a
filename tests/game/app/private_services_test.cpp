// The tests' own children and services (game_process.h): a child is ended so
// that it cleans up (SIGTERM first, SIGKILL only for one that stays), and a
// test's X server, session bus and sound server leave nothing behind once
// ended, also when the test's folder is too deep for a socket's path. And
// those that scripts/run and scripts/test start (scripts/services), and the
// check of what a test run left in /tmp (scripts/leftovers), run by bash as
// the scripts run them.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/game/app/game_process.h"
#include "tests/support/files.h"
#include "tests/support/poll.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

namespace {

using VokeTest::ChildProcess;
using VokeTest::Environment;
using VokeTest::Exists;
using VokeTest::PollUntil;
using VokeTest::ReadAll;

TEST(ChildProcessTest, EndsOnSigtermAndKillsOnlyAChildThatStays)
{
    VokeTest::TempDir dir;
    {
        // Cleans up on SIGTERM, as a service does.
        ChildProcess child({"sh", "-c", "trap 'echo cleaned > \"$0\"; exit 0' TERM; echo up > \"$0\"; "
                                        "while :; do sleep 0.05; done",
                            dir / "state"},
                           Environment({}, {}));
        ASSERT_TRUE(PollUntil([&] { return ReadAll(dir / "state") == "up\n"; }, 20.0));
    }
    EXPECT_EQ(ReadAll(dir / "state"), "cleaned\n");

    // Ignores SIGTERM: killed once the wait is over, and reaped.
    ChildProcess stays({"sh", "-c", "trap '' TERM; echo up > \"$0\"; exec sleep 600", dir / "stays"},
                       Environment({}, {}));
    ASSERT_TRUE(PollUntil([&] { return ReadAll(dir / "stays") == "up\n"; }, 20.0));
    stays.End(0.2);
    EXPECT_FALSE(stays.Running());
    EXPECT_EQ(stays.Wait(0.0), 128 + SIGKILL);
}

// The socket's path in the address that `name` ("NAME=") holds among `env`:
// after `prefix`, up to the address's options.
std::string SocketPath(const std::vector<std::string>& env, const std::string& name, const std::string& prefix)
{
    for (const std::string& var : env)
        if (var.rfind(name + prefix, 0) == 0) {
            const std::string path = var.substr(name.size() + prefix.size());
            return path.substr(0, path.find(','));
        }
    return "";
}

TEST(PrivateServicesTest, EndedTheyLeaveNothingBehindAlsoFromADeepFolder)
{
    // The folder's length: a short folder's under /tmp (whatever TMPDIR
    // is), one that leaves a socket's path room for a short name only, and
    // one deeper than any socket's path.
    for (const size_t length : {size_t(0), VokeTest::kSocketPathBytes - 8, 2 * VokeTest::kSocketPathBytes}) {
        VokeTest::TempDir top("/tmp");
        std::string folder = top.Path();
        while (folder.size() < length) folder += "/deep";
        SCOPED_TRACE(folder);
        const bool deep = length > 0;
        std::filesystem::create_directories(folder);
        std::string bus, pulse, xSocket;
        {
            VokeTest::PrivateServices services(folder);
            ASSERT_TRUE(services.Up());
            ASSERT_TRUE(services.StartSoundServer()) << services.SoundServerLog();
            const std::vector<std::string> env = services.Env();
            bus = SocketPath(env, "DBUS_SESSION_BUS_ADDRESS=", "unix:path=");
            pulse = SocketPath(env, "PULSE_SERVER=", "unix:");
            xSocket = "/tmp/.X11-unix/X" + services.Display().substr(1);
            EXPECT_TRUE(Exists(xSocket)) << xSocket;
            for (const std::string& socket : {bus, pulse}) {
                EXPECT_TRUE(Exists(socket)) << socket;
                EXPECT_LE(socket.size(), VokeTest::kSocketPathBytes) << socket;
                // In the test's folder, or (when too deep) one of their own.
                const std::string in = std::filesystem::path(socket).parent_path();
                EXPECT_EQ(in == folder, !deep) << socket;
            }
            std::string info;
            EXPECT_EQ(services.Pactl({"info"}, &info), 0) << info;
            ChildProcess call({"dbus-send", "--bus=unix:path=" + bus, "--print-reply", "--dest=org.freedesktop.DBus",
                               "/org/freedesktop/DBus", "org.freedesktop.DBus.GetId"},
                              Environment({}, {}));
            EXPECT_EQ(call.Wait(20.0), 0) << "the bus answers";

            // The sound server killed on purpose, as one that vanishes;
            // started again on the same socket.
            services.StopSoundServer();
            ASSERT_TRUE(services.StartSoundServer()) << services.SoundServerLog();
            services.StopSessionBus();
            EXPECT_FALSE(Exists(bus)) << "a bus ended on SIGTERM removes its socket";
        }
        EXPECT_FALSE(Exists(xSocket)) << "an X server ended on SIGTERM removes its socket";
        EXPECT_FALSE(Exists(pulse)) << "a sound server ended on SIGTERM removes its socket";
        if (deep) {
            EXPECT_FALSE(Exists(std::filesystem::path(bus).parent_path())) << bus;
        }
    }
}

const std::string kScripts = VOKE_SCRIPTS_DIR;

// Whether the process has ended: gone, or a zombie nobody has reaped yet.
bool Ended(pid_t pid)
{
    if (kill(pid, 0) != 0) return errno == ESRCH;
    const std::string stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
    const size_t name = stat.rfind(')');
    return name != std::string::npos && stat.compare(name, 3, ") Z") == 0;
}

TEST(ServicesScriptTest, TheServicesEndWithTheScriptKilledWithSigkillAlsoWithoutHome)
{
    VokeTest::TempDir dir;
    // The script holds on to its services until it is killed; HOME and the
    // services of the test run are not in its environment.
    const std::string script =
        "set -euo pipefail; source \"$0\"; trap stop_services EXIT; "
        "start_xvfb; start_session_bus; pulseaudio_running || true; "
        "start_pulseaudio 'module-null-sink sink_name=script'; "
        "echo \"$services_run ${DISPLAY#:} $services_watcher ${service_pids[*]}\" >\"$1\"; "
        "read -r _ <>\"$services_run/watch\"";
    ChildProcess shell({"bash", "-c", script, kScripts + "/services", dir / "state"},
                       Environment({"HOME=", "XDG_CONFIG_HOME=", "XDG_RUNTIME_DIR=", "DISPLAY=",
                                    "DBUS_SESSION_BUS_ADDRESS=", "PULSE_SERVER=", "PULSE_COOKIE=", "TMPDIR=",
                                    "VOKE_TEST_X_SOCKETS="},
                                   {"TMPDIR=" + dir.Path(), "VOKE_TEST_X_SOCKETS=" + (dir / "x-sockets")}),
                       dir / "log");
    ASSERT_TRUE(PollUntil([&] { return !ReadAll(dir / "state").empty() || !shell.Running(); }, 60.0));
    ASSERT_TRUE(shell.Running()) << ReadAll(dir / "log");
    std::istringstream state(ReadAll(dir / "state"));
    std::string folder, display;
    state >> folder >> display;
    std::vector<pid_t> pids;
    for (pid_t pid = 0; state >> pid;) pids.push_back(pid);
    ASSERT_EQ(pids.size(), 4u) << ReadAll(dir / "state");  // the watcher and the three services
    const std::string xSocket = "/tmp/.X11-unix/X" + display;
    EXPECT_EQ(ReadAll(dir / "x-sockets").rfind(xSocket + " ", 0), 0u) << "the X server records its socket";

    shell.Kill(SIGKILL);
    EXPECT_TRUE(PollUntil([&] { return std::all_of(pids.begin(), pids.end(), Ended); }, 30.0))
        << "a service outlives the script";
    // One that stays is ended here, as the script would have.
    for (const pid_t pid : pids)
        if (!Ended(pid)) kill(pid, SIGTERM);
    EXPECT_TRUE(PollUntil([&] { return !Exists(folder); }, 30.0)) << folder;
    EXPECT_FALSE(Exists(xSocket)) << "the X server ended on SIGTERM, removing its socket";
    EXPECT_EQ(ReadAll(dir / "log"), "");
}

// The output of `function` from scripts/leftovers with `args`.
std::string Leftovers(const VokeTest::TempDir& dir, const std::string& function, std::vector<std::string> args)
{
    args.insert(args.begin(), {"bash", "-c", "set -euo pipefail; source \"$0\"; " + function + " \"$@\" || echo no",
                               kScripts + "/leftovers"});
    ChildProcess bash(args, Environment({}, {}), dir / "out");
    EXPECT_EQ(bash.Wait(20.0), 0);
    return ReadAll(dir / "out");
}

TEST(LeftoverCheckTest, APathIsWithinAFolderOnWholeComponents)
{
    VokeTest::TempDir dir;
    EXPECT_EQ(Leftovers(dir, "path_within", {"/tmp/probes", "/tmp/probes"}), "");
    EXPECT_EQ(Leftovers(dir, "path_within", {"/tmp/probes/", "/tmp/probes"}), "");
    EXPECT_EQ(Leftovers(dir, "path_within", {"/tmp/probes/a/b", "/tmp/probes/"}), "");
    EXPECT_EQ(Leftovers(dir, "path_within", {"/tmp/probes2", "/tmp/probes"}), "no\n");
    EXPECT_EQ(Leftovers(dir, "path_within", {"/tmp/prob", "/tmp/probes"}), "no\n");
    EXPECT_EQ(Leftovers(dir, "path_within", {"/tmp", "/tmp/probes"}), "no\n");
}

// Sets the variable for the object's life, then gives it its value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name), m_had(std::getenv(name))
    {
        if (m_had) m_old = std::getenv(name);
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { m_had ? setenv(m_name, m_old.c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    bool m_had;
    std::string m_old;
};

TEST(LeftoverCheckTest, OnlyTheXSocketsTheRunsServersMadeAreCounted)
{
    VokeTest::TempDir dir;
    const std::string record = dir / "x-sockets";
    std::string socket;
    {
        ScopedVariable recording("VOKE_TEST_X_SOCKETS", record);
        VokeTest::PrivateXServer x;
        ASSERT_FALSE(x.Display().empty());
        socket = "/tmp/.X11-unix/X" + x.Display().substr(1);
        EXPECT_EQ(ReadAll(record).rfind(socket + " ", 0), 0u) << ReadAll(record);
        // Still there, as it was made: counted.
        EXPECT_EQ(Leftovers(dir, "recorded_left", {record}), ".X11-unix/X" + x.Display().substr(1) + "\n");
        // Another file at the same path, as another program's server would
        // make it on that display once ours had ended: not counted.
        VokeTest::WriteBytes(dir / "other", socket + " 1 1.000000000\n");
        EXPECT_EQ(Leftovers(dir, "recorded_left", {dir / "other"}), "");
    }
    // Removed by the server as it ended: nothing is counted.
    EXPECT_FALSE(Exists(socket));
    EXPECT_EQ(Leftovers(dir, "recorded_left", {record}), "");
    EXPECT_EQ(Leftovers(dir, "recorded_left", {dir / "none"}), "");
}

}  // namespace
