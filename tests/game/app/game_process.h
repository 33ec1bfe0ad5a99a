// The game's executable as its end-to-end tests drive it: the game as a child
// process with a home folder of its own (GameProcess), its window on the X
// server read back and tapped with XTest (GameWindow), the screens it shows
// recognised from a few pixels, and services of a test's own (an X server, a
// session bus, a sound server) for the tests that run side by side or stop
// a service under the game.
//
// Everything waits by polling for the effect it expects, never for a fixed
// time, and every child started here is ended and reaped with its object.
#pragma once

#include <X11/Xutil.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/app/x_test_connection.h"
#include "tests/support/files.h"
#include "tests/support/poll.h"
#include "tests/support/spawn.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

namespace VokeTest {

// A child process with the given arguments and environment, its standard
// output and error in `log` (or discarded when `log` is empty). Ended with
// the object when still running, as EndChild does (SIGTERM, SIGKILL only
// after a bounded wait), and reaped.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& args, const std::vector<std::string>& env,
                 const std::string& log = "")
    {
        std::vector<std::string> strings = args;
        std::vector<char*> argv;
        for (std::string& a : strings) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> vars = env;
        std::vector<char*> envp;
        for (std::string& v : vars) envp.push_back(v.data());
        envp.push_back(nullptr);

        const int out = open(log.empty() ? "/dev/null" : log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (out >= 0) {
            posix_spawn_file_actions_adddup2(&actions, out, 1);
            posix_spawn_file_actions_adddup2(&actions, out, 2);
        }
        const SpawnAttributes attributes;
        if (posix_spawnp(&m_pid, argv[0], &actions, attributes.Get(), argv.data(), envp.data()) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (out >= 0) close(out);
    }
    ~ChildProcess() { End(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0 || m_status >= 0; }
    pid_t Pid() const { return m_pid; }
    bool Running()
    {
        if (m_pid <= 0) return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) != m_pid) return true;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_pid = -1;
        return false;
    }
    // The exit status (128 + the signal for a killed child) once the child
    // has ended by itself within `seconds`; -1 when it has not.
    int Wait(double seconds)
    {
        PollUntil([this] { return !Running(); }, seconds);
        return Running() ? -1 : m_status;
    }
    // Ends the child so that it cleans up: SIGTERM, then SIGKILL once it
    // has not ended within `seconds`; reaps it.
    void End(double seconds = kEndSeconds)
    {
        if (m_pid <= 0) return;
        const int status = EndChild(m_pid, seconds);
        m_status = status < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_pid = -1;
    }
    // Sends `signal` and, for SIGKILL, reaps the child.
    void Kill(int signal)
    {
        if (m_pid <= 0) return;
        kill(m_pid, signal);
        if (signal != SIGKILL) return;
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_status = 128 + SIGKILL;
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_status = -1;
};

// The environment of this process without the variables whose names (with
// their "=") are in `drop`, plus `add`.
inline std::vector<std::string> Environment(const std::vector<std::string>& drop, const std::vector<std::string>& add)
{
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e) {
        bool dropped = false;
        for (const std::string& name : drop) dropped = dropped || std::strncmp(*e, name.c_str(), name.size()) == 0;
        if (!dropped) vars.push_back(*e);
    }
    vars.insert(vars.end(), add.begin(), add.end());
    return vars;
}

// How a game is started besides its home folder.
struct GameOptions {
    // Variables set for the game ("NAME=value"), replacing this process's.
    std::vector<std::string> env;
    // The executable; the built one by default. The game changes to its
    // folder and mounts the archives from there.
    std::string program = VEXBOLT_PROGRAM;
    // Arguments run before the program, which they must end by executing
    // (with the program's path as its first argument).
    std::vector<std::string> wrapper;
    // The file in the home folder that takes its output.
    std::string log = "game.log";
};

// The game as a child process with a home folder of its own; its standard
// output and error go to the options' log ("game.log") in that folder.
// Always ended and reaped.
class GameProcess {
public:
    explicit GameProcess(const std::string& home, const GameOptions& options = GameOptions())
        : m_log(home + "/" + options.log), m_child(Arguments(options), Variables(home, options), m_log)
    {
    }

    bool Started() const { return m_child.Started(); }
    pid_t Pid() const { return m_child.Pid(); }
    bool Running() { return m_child.Running(); }
    int Wait(double seconds) { return m_child.Wait(seconds); }
    void Kill(int signal) { m_child.Kill(signal); }
    std::string Output() const { return ReadAll(m_log); }

private:
    static std::vector<std::string> Arguments(const GameOptions& options)
    {
        std::vector<std::string> args = options.wrapper;
        args.push_back(options.program);
        return args;
    }
    static std::vector<std::string> Variables(const std::string& home, const GameOptions& options)
    {
        std::vector<std::string> drop = {"HOME=", "XDG_CONFIG_HOME=", "ASAN_OPTIONS=", "LD_PRELOAD="};
        for (const std::string& var : options.env) drop.push_back(var.substr(0, var.find('=') + 1));
        std::vector<std::string> add = options.env;
        add.push_back("HOME=" + home);
        // Mesa's driver stays loaded to the end (the window's eglTerminate
        // would unload it, and what it keeps for the process would show as
        // leaks of an unknown module). The fast unwinder: the slow one can
        // deadlock against the driver's code generator registering its frames.
        add.push_back("LD_PRELOAD=" + std::string(VEXBOLT_KEEP_GL_DRIVER));
        add.push_back("ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:verify_asan_link_order=0");
        return Environment(drop, add);
    }

    std::string m_log;
    ChildProcess m_child;
};

// Exit 0 and no sanitizer report in the output.
inline ::testing::AssertionResult EndedCleanly(GameProcess& game, double seconds = 60.0)
{
    const int status = game.Wait(seconds);
    const std::string output = game.Output();
    if (status != 0) return ::testing::AssertionFailure() << "exit status " << status << "\n" << output;
    for (const char* report : {"Sanitizer", "runtime error", "terminate called"})
        if (output.find(report) != std::string::npos) return ::testing::AssertionFailure() << output;
    return ::testing::AssertionSuccess();
}

// The game's window as the X server shows it.
class GameWindow {
public:
    // NOTE: the window is the device's, 800 x 480; the game's logical screen
    // is 480 x 320.
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 480;

    // On the X server named `display` (the environment's by default).
    // The game's window can vanish between any two requests (a game that
    // ends): X errors are ignored for the whole test process rather than
    // ending it through Xlib's default handler.
    explicit GameWindow(const std::string& display = "") : m_x(display.empty() ? nullptr : display.c_str())
    {
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    // The window of `game`: a wait for it (Find, WaitFor) gives up as soon
    // as the game has ended, instead of waiting out its guard.
    explicit GameWindow(GameProcess& game, const std::string& display = "") : GameWindow(display)
    {
        m_gameRunning = [&game] { return game.Running(); };
    }

    // Whether the window appeared within `seconds` (and before its game
    // ended).
    bool Find(double seconds)
    {
        return PollUntil([this] { return (m_window = Named(m_x.Root(), "Vexbolt!")) != 0 || !m_gameRunning(); },
                         seconds) &&
               m_window != 0;
    }
    bool Connected() const { return m_x.display != nullptr; }

    // The window's pixels now, 0xRRGGBB, row by row; empty when the window
    // is gone.
    std::vector<uint32_t> Capture()
    {
        std::vector<uint32_t> pixels;
        XImage* image = XGetImage(m_x.display, m_window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        if (!image) return pixels;
        pixels.resize(size_t(kWidth) * kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) pixels[size_t(y) * kWidth + x] = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
        XDestroyImage(image);
        return pixels;
    }
    // Captures until `seen` holds for a capture, at most `seconds` (and
    // while its game runs).
    bool WaitFor(const std::function<bool(const std::vector<uint32_t>&)>& seen, double seconds)
    {
        bool found = false;
        PollUntil(
            [&] {
                const std::vector<uint32_t> pixels = Capture();
                found = !pixels.empty() && seen(pixels);
                if (found || !m_gameRunning()) return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(80));
                return false;
            },
            seconds);
        return found;
    }

    // A press and release of the first button at a window position.
    void Tap(int x, int y)
    {
        int rx = 0, ry = 0;
        Window child = 0;
        XTranslateCoordinates(m_x.display, m_window, m_x.Root(), x, y, &rx, &ry, &child);
        m_x.MoveTo(rx, ry);
        m_x.Button(1, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        m_x.Button(1, false);
    }
    void Close() { m_x.SendDeleteWindow(m_window); }
    // Minimised, as a desktop's task bar does it (through the window
    // manager).
    void Minimize()
    {
        XIconifyWindow(m_x.display, m_window, DefaultScreen(m_x.display));
        XSync(m_x.display, False);
    }
    // Shown on the screen, and the window manager's active window.
    bool Viewable()
    {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(m_x.display, m_window, &attributes) && attributes.map_state == IsViewable;
    }
    bool Active() { return m_x.Property(m_x.Root(), "_NET_ACTIVE_WINDOW") == std::vector<long>{long(m_window)}; }
    // Destroys the window from this connection, as a tool that closes
    // windows without asking does.
    void Destroy()
    {
        XDestroyWindow(m_x.display, m_window);
        XSync(m_x.display, False);
    }

private:
    Window Named(Window parent, const char* name)
    {
        Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_x.display, parent, &root, &up, &children, &count)) return 0;
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* title = nullptr;
            if (XFetchName(m_x.display, children[i], &title) && title) {
                if (std::strcmp(title, name) == 0) found = children[i];
                XFree(title);
            }
            if (!found) found = Named(children[i], name);
        }
        if (children) XFree(children);
        return found;
    }

    Voke::XTestConnection m_x;
    Window m_window = 0;
    std::function<bool()> m_gameRunning = [] { return true; };
};

// What the window shows, from a few pixels.
namespace Screens {

inline int Red(uint32_t p) { return int(p >> 16 & 0xFF); }
inline int Green(uint32_t p) { return int(p >> 8 & 0xFF); }
inline int Blue(uint32_t p) { return int(p & 0xFF); }
inline uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) { return pixels[size_t(y) * GameWindow::kWidth + x]; }
inline bool Dark(uint32_t p) { return Red(p) < 24 && Green(p) < 24 && Blue(p) < 24; }

// Where things are on the window: logical positions times 800 / 480.
// The French flag's white band (logical 240, 120) and the gap between the
// two rows of flags (logical 240, 166).
inline bool Language(const std::vector<uint32_t>& p)
{
    const uint32_t white = At(p, 400, 180);
    return Red(white) > 200 && Green(white) > 200 && Blue(white) > 200 && Dark(At(p, 400, 250)) &&
           !Dark(At(p, 208, 180));
}
// The British flag, which picks English.
constexpr int kEnglishX = 208, kEnglishY = 180;
// A scene over most of the window (the menu's or a level's), not the
// loading screen.
inline bool MostlyDrawn(const std::vector<uint32_t>& p)
{
    int drawn = 0, total = 0;
    for (int y = 5; y < GameWindow::kHeight; y += 20)
        for (int x = 5; x < GameWindow::kWidth; x += 20, ++total) drawn += Dark(At(p, x, y)) ? 0 : 1;
    return drawn * 2 > total;
}
// The menu's orange play button at the bottom centre (its orange left of
// the caption); it slides in once the intro has ended, and blinks.
constexpr int kPlayX = 300, kPlayY = 373;
inline bool PlayButton(const std::vector<uint32_t>& p)
{
    const uint32_t c = At(p, kPlayX, kPlayY);
    return Red(c) > 200 && Green(c) > 90 && Green(c) < 200 && Blue(c) < 90;
}
// The tutorial's picture over the window: a black band along its top and
// an orange line above its bottom edge, from edge to edge (no other screen
// of the game has both); the rest of the picture lets the level show
// through.
inline bool Tutorial(const std::vector<uint32_t>& p)
{
    auto orange = [](uint32_t c) { return Red(c) > 180 && Green(c) > 95 && Green(c) < 155 && Blue(c) < 80; };
    for (int x = 4; x < GameWindow::kWidth; x += 24) {
        if (!Dark(At(p, x, 10))) return false;
        if (!orange(At(p, x, 382)) && !orange(At(p, x, 383)) && !orange(At(p, x, 384))) return false;
    }
    return true;
}

}  // namespace Screens

// NOTE: how long a step of the game's start may take before a test gives
// up: only a game that hangs takes this long (each step takes seconds).
constexpr double kScreenGuardSeconds = 120.0;
// NOTE: the same for a run left alone until its end: a runner left alone
// is caught within seconds, four times.
constexpr double kRunGuardSeconds = 300.0;

// The game's window with the language flags, by which the game has taken
// its save folder.
inline void ReachLanguage(GameProcess& game, GameWindow& window)
{
    ASSERT_TRUE(window.Find(kScreenGuardSeconds)) << game.Output();
    ASSERT_TRUE(window.WaitFor(Screens::Language, kScreenGuardSeconds)) << "the language flags\n" << game.Output();
}

// English, the menu's intro: ends with the play button shown.
inline void ReachMenu(GameProcess& game, GameWindow& window)
{
    ASSERT_TRUE(game.Started());
    ASSERT_TRUE(window.Connected());
    ASSERT_NO_FATAL_FAILURE(ReachLanguage(game, window));
    window.Tap(Screens::kEnglishX, Screens::kEnglishY);
    ASSERT_TRUE(window.WaitFor(Screens::MostlyDrawn, kScreenGuardSeconds))
        << "loading ends in the menu\n" << game.Output();
    window.Tap(400, 240);  // ends the intro
    ASSERT_TRUE(window.WaitFor(Screens::PlayButton, kScreenGuardSeconds)) << "the play button\n" << game.Output();
}

// The tutorial that opens a game's first level, closed with a tap: the
// runner runs.
inline void CloseTutorial(GameWindow& window)
{
    ASSERT_TRUE(window.WaitFor(Screens::Tutorial, kScreenGuardSeconds)) << "the tutorial";
    window.Tap(300, 240);
    ASSERT_TRUE(window.WaitFor([](const std::vector<uint32_t>& p) { return !Screens::Tutorial(p); },
                               kScreenGuardSeconds))
        << "the tutorial stays";
}

// From the menu: play, then the tutorial closed; the runner runs.
inline void StartRun(GameWindow& window)
{
    window.Tap(Screens::kPlayX, Screens::kPlayY);
    CloseTutorial(window);
}

// Services of a test's own, so that games run side by side (each owns the
// session bus name and the X server's focus of its own services) or a test
// can stop one under the game: an X server (Xvfb, 800 x 480) and a session
// bus, and on request a window manager and a sound server with a null sink.
// All are ended with the object, on SIGTERM: their sockets are in `folder`
// (or, when its paths would be too long for a socket, a short folder under
// /tmp, removed with the object), except the X server's own in
// /tmp/.X11-unix, which it removes as it ends.
class PrivateServices {
public:
    explicit PrivateServices(const std::string& folder) : m_folder(folder), m_sockets(folder, kLongestSocketName)
    {
        StartSessionBus();
    }
    ~PrivateServices()
    {
        m_pulse.reset();
        m_sessionBus.reset();
    }
    PrivateServices(const PrivateServices&) = delete;
    PrivateServices& operator=(const PrivateServices&) = delete;

    bool Up() const { return !m_x.Display().empty() && !m_bus.empty(); }
    const std::string& Display() const { return m_x.Display(); }
    // A window manager (openbox) on the X server, as on a desktop.
    bool StartWindowManager() { return m_x.StartWindowManager(); }
    // The variables that point a game at these services.
    std::vector<std::string> Env() const
    {
        std::vector<std::string> env = {"DISPLAY=" + Display(), "DBUS_SESSION_BUS_ADDRESS=" + m_bus,
                                        "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (m_sockets / "no-system-bus")};
        if (!m_pulseSocket.empty()) env.push_back("PULSE_SERVER=unix:" + m_pulseSocket);
        return env;
    }

    // A sound server with one null sink, "reliability", on a socket that
    // stays the same across restarts. Waits until it answers.
    bool StartSoundServer()
    {
        m_pulseSocket = m_sockets / "pulse.sock";
        const std::string home = m_folder + "/pulse-home", runtime = m_folder + "/pulse-runtime";
        std::filesystem::create_directories(home);
        std::filesystem::create_directories(runtime);
        chmod(runtime.c_str(), 0700);
        unlink(m_pulseSocket.c_str());
        std::vector<std::string> args = kDieWithTheTest;
        args.insert(args.end(), {"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
                                 "--use-pid-file=no", "--log-target=stderr", "--log-level=error",
                                 "--load=module-null-sink sink_name=reliability rate=22050 format=s16le channels=2",
                                 "--load=module-native-protocol-unix socket=" + m_pulseSocket + " auth-anonymous=1"});
        m_pulse = std::make_unique<ChildProcess>(
            args,
            // On the test's own bus: the server takes a well-known name there.
            Environment({"HOME=", "XDG_RUNTIME_DIR=", "PULSE_SERVER=", "PULSE_COOKIE=", "DBUS_SESSION_BUS_ADDRESS="},
                        {"HOME=" + home, "XDG_RUNTIME_DIR=" + runtime, "DBUS_SESSION_BUS_ADDRESS=" + m_bus}),
            m_folder + "/pulse.log");
        return PollUntil([this] { return Pactl({"info"}) == 0 || !m_pulse->Running(); }, 20.0) && m_pulse->Running();
    }
    std::string SoundServerLog() const { return ReadAll(m_folder + "/pulse.log"); }
    // Ends the session bus under its clients.
    void StopSessionBus() { m_sessionBus.reset(); }
    // Ends the X server under its clients; every connection to it must be
    // closed first in this process, whose Xlib would end it otherwise.
    void StopXServer() { m_x.Stop(); }
    // Kills the sound server: it vanishes under its clients as a crashed
    // one does, leaving its socket file in the folder.
    void StopSoundServer()
    {
        if (m_pulse) m_pulse->Kill(SIGKILL);
        m_pulse.reset();
    }
    // Runs pactl against the sound server; its exit status, its output in
    // `output` when given.
    int Pactl(const std::vector<std::string>& args, std::string* output = nullptr)
    {
        std::vector<std::string> argv = {"pactl"};
        argv.insert(argv.end(), args.begin(), args.end());
        const std::string log = m_folder + "/pactl.out";
        ChildProcess pactl(argv, Environment({"PULSE_SERVER="}, {"PULSE_SERVER=unix:" + m_pulseSocket}), log);
        const int status = pactl.Wait(20.0);
        if (output) *output = ReadAll(log);
        return status;
    }

private:
    void StartSessionBus()
    {
        const std::string out = m_folder + "/bus.out";
        std::vector<std::string> args = kDieWithTheTest;
        // On a socket in the folder rather than the configuration's default
        // (a new socket in /tmp, left there when the bus is killed).
        args.insert(args.end(), {"dbus-daemon", "--session", "--address=unix:path=" + (m_sockets / "bus"), "--nofork",
                                 "--print-address=1"});
        m_sessionBus = std::make_unique<ChildProcess>(args, Environment({}, {}), out);
        std::string text;
        PollUntil(
            [&] {
                text = ReadAll(out);
                return text.find('\n') != std::string::npos || !m_sessionBus->Running();
            },
            20.0);
        const size_t line = text.find('\n');
        if (line != std::string::npos && m_sessionBus->Running()) m_bus = text.substr(0, line);
    }

    // Services started through this end with the test's process even when
    // it is killed (a test that runs out of time), instead of outliving it.
    inline static const std::vector<std::string> kDieWithTheTest = {"setpriv", "--pdeathsig", "KILL"};
    // "no-system-bus", "pulse.sock" and "bus".
    static constexpr size_t kLongestSocketName = 13;

    std::string m_folder;
    SocketFolder m_sockets;
    PrivateXServer m_x;
    std::string m_bus;
    std::unique_ptr<ChildProcess> m_sessionBus;
    std::string m_pulseSocket;
    std::unique_ptr<ChildProcess> m_pulse;
};

}  // namespace VokeTest
