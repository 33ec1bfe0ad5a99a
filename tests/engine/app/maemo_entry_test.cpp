// The whole program entry, run as a child process: registration, the window,
// input, the desktop's calls and the exit statuses.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/key_codes.h"
#include "tests/engine/app/bus_peer.h"
#include "tests/engine/app/x_test_connection.h"
#include "tests/support/poll.h"
#include "tests/support/spawn.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

namespace Voke {
namespace {

const char kProgram[] = VOKE_ENTRY_PROGRAM;

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }
std::string DirName(const std::string& path) { return path.substr(0, path.rfind('/')); }

// The program as a child with its standard output on a pipe. The child is
// always ended and reaped, whatever the test does.
class Child {
public:
    // `env` entries "NAME=value" replace or (with an empty value after '=')
    // remove variables of this process's environment. `program` is the path
    // it is started through (a link, say), and its argv[0] unless `argv0`
    // is given.
    explicit Child(const std::vector<std::string>& env = {}, const std::string& program = kProgram,
                   const char* argv0 = nullptr)
    {
        std::vector<std::string> vars;
        for (char** e = environ; *e; ++e) {
            std::string var = *e;
            bool replaced = false;
            for (const std::string& change : env)
                if (var.compare(0, change.find('=') + 1, change, 0, change.find('=') + 1) == 0) replaced = true;
            if (!replaced) vars.push_back(var);
        }
        for (const std::string& change : env)
            if (change.back() != '=') vars.push_back(change);
        std::vector<char*> envp;
        for (std::string& v : vars) envp.push_back(v.data());
        envp.push_back(nullptr);

        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        std::string path = program;
        std::string name = argv0 ? argv0 : program;
        char* argv[] = {name.data(), nullptr};
        const VokeTest::SpawnAttributes attributes;
        if (posix_spawn(&m_pid, path.c_str(), &actions, attributes.Get(), argv, envp.data()) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_out = fds[0];
    }
    ~Child()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
        if (m_out >= 0) close(m_out);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    void Signal(int signal) { kill(m_pid, signal); }
    // Stops reading: the child's next line goes into a pipe with no reader.
    void CloseOutput()
    {
        if (m_out >= 0) close(m_out);
        m_out = -1;
    }

    // The next line of output, or "" after `ms` milliseconds or at the end.
    std::string ReadLine(int ms = 20000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            std::size_t newline = m_buffer.find('\n');
            if (newline != std::string::npos) {
                std::string line = m_buffer.substr(0, newline);
                m_buffer.erase(0, newline + 1);
                return line;
            }
            int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
            if (left <= 0) return "";
            pollfd fd{m_out, POLLIN, 0};
            if (poll(&fd, 1, left) <= 0) continue;
            char chunk[512];
            ssize_t got = read(m_out, chunk, sizeof(chunk));
            if (got <= 0) return "";
            m_buffer.append(chunk, static_cast<std::size_t>(got));
        }
    }
    // Reads lines until one starts with `prefix`; returns it or "".
    std::string WaitFor(const std::string& prefix, int ms = 20000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            std::string line = ReadLine(ms);
            if (line.compare(0, prefix.size(), prefix) == 0) return line;
            if (line.empty()) return "";
        }
        return "";
    }
    // The exit status once the child ends by itself (within `ms`), or -1000.
    int Wait(int ms = 20000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status)) : -1000;
            }
            usleep(5000);
        }
        return -1000;
    }
    std::string Rest()
    {
        std::string rest;
        for (std::string line = ReadLine(500); !line.empty(); line = ReadLine(500)) rest += line + "\n";
        return rest;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
};

TEST(MaemoEntryTest, OnASixteenBitScreenTheWindowIsSixteenBit)
{
    // Like the handset's screen.
    VokeTest::PrivateXServer server("800x480x16");
    ASSERT_FALSE(server.Display().empty());
    Child child({"DISPLAY=" + server.Display()});
    std::string ready = child.WaitFor("ready ");
    ASSERT_FALSE(ready.empty()) << child.Rest();
    XTestConnection x(server.Display().c_str());
    ASSERT_NE(x.display, nullptr);
    Window window = std::stoul(ready.substr(6));
    XWindowAttributes attributes{};
    EXPECT_TRUE(XGetWindowAttributes(x.display, window, &attributes));
    EXPECT_EQ(attributes.depth, 16);
    EXPECT_EQ(attributes.width, 800);
    x.SendDeleteWindow(window);
    EXPECT_EQ(child.Wait(), 0);
}

TEST(MaemoEntryTest, RunsTheApplicationUntilItsWindowIsClosed)
{
    XTestConnection x;
    ASSERT_NE(x.display, nullptr);
    x.RemoveActiveWindow();
    XSelectInput(x.display, x.Root(), SubstructureNotifyMask);
    BusPeer desktop;
    ASSERT_NE(desktop.connection, nullptr);
    desktop.Match("type='signal',interface='com.nokia.hildon_desktop',member='exit_app_view'");

    Child child;
    ASSERT_TRUE(child.Started());
    std::string ready = child.WaitFor("ready ");
    ASSERT_FALSE(ready.empty()) << child.Rest();
    unsigned long window = std::stoul(ready.substr(6));
    // It works in its own directory and registers under its base name.
    EXPECT_EQ(ready.substr(ready.find(' ', 6) + 1), DirName(kProgram));
    const std::string service = "org.maemo." + BaseName(kProgram);
    EXPECT_TRUE(dbus_bus_name_has_owner(desktop.connection, service.c_str(), nullptr));

    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(x.display, window, &hint));
    EXPECT_EQ(std::string(hint.res_name), BaseName(kProgram));
    XFree(hint.res_name);
    XFree(hint.res_class);

    // Keys reach the game.
    x.MoveTo(200, 100);
    x.Focus(window);
    x.Tap(XK_q);
    EXPECT_EQ(child.WaitFor("key"), "key down " + std::to_string(KEY_Q));

    // Another window comes to the front: the application pauses. The desktop
    // asks it to the front again; the paused application still hears that and
    // asks the window manager (here: this test), on the user's behalf, to
    // activate its window.
    x.SetActiveWindow(x.Root());
    EXPECT_EQ(child.WaitFor("inactive"), "inactive");
    XSync(x.display, False);
    while (XPending(x.display)) {
        XEvent discard;
        XNextEvent(x.display, &discard);
    }
    EXPECT_EQ(RunChild({"dbus-send", "--session", "--type=method_call", "--dest=" + service, "/" ,
                        service + ".top_application"},
                       [] {}),
              0);
    bool activated = false;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!activated && std::chrono::steady_clock::now() < end) {
        while (XPending(x.display)) {
            XEvent event;
            XNextEvent(x.display, &event);
            if (event.type == ClientMessage && event.xclient.window == window &&
                event.xclient.message_type == x.Intern("_NET_ACTIVE_WINDOW") && event.xclient.data.l[0] == 2)
                activated = true;
        }
        usleep(5000);
    }
    EXPECT_TRUE(activated);
    x.SetActiveWindow(window);
    EXPECT_EQ(child.WaitFor("active"), "active");
    x.RemoveActiveWindow();

    // Minimising goes to the desktop as a signal.
    x.Tap(XK_m);
    EXPECT_EQ(child.WaitFor("minimize"), "minimize 1");
    std::vector<std::string> signals = desktop.CollectUntil("exit_app_view");
    EXPECT_NE(std::find(signals.begin(), signals.end(), "exit_app_view"), signals.end());

    // Closing the window ends the program normally.
    x.SendDeleteWindow(window);
    EXPECT_EQ(child.WaitFor("unload"), "unload");
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_FALSE(dbus_bus_name_has_owner(desktop.connection, service.c_str(), nullptr));
}

// Under a window manager, which gives the keyboard to the program, minimises
// it and gives the keyboard to another window and back, as a user has it do.
class UnderAWindowManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.StartWindowManager());
        ASSERT_NE(x.display, nullptr);
    }

    bool Viewable(Window window)
    {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(x.display, window, &attributes) && attributes.map_state == IsViewable;
    }
    bool Focused(Window window)
    {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(x.display, &focus, &revert);
        return focus == window;
    }
    // On the user's behalf, which restores a minimised window.
    void Activate(Window window)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = x.Intern("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;
        XSendEvent(x.display, x.Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XSync(x.display, False);
    }
    static bool Eventually(const std::function<bool()>& done) { return VokeTest::PollUntil(done, 20.0); }
    void SetAutoRepeat(bool on)
    {
        on ? XAutoRepeatOn(x.display) : XAutoRepeatOff(x.display);
        XSync(x.display, False);
    }
    Window Other()
    {
        const Window other = XCreateSimpleWindow(x.display, x.Root(), 0, 0, 200, 100, 0, 0, 0);
        XMapWindow(x.display, other);
        return other;
    }

    VokeTest::PrivateXServer server;
    XTestConnection x{server.Display().c_str()};
};

// The program hears a key: it has taken in the focus that came before. It
// can start paused, until the window manager makes its window the active
// one, and drops the keys until then: tapped again until one arrives.
::testing::AssertionResult HearsAKey(XTestConnection& x, Child& child)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
        x.Tap(XK_q);
        if (!child.WaitFor("key down ", 1000).empty()) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "no key reached the program";
}

// Key auto-repeat, a setting of the user's whole X session, stays as the
// user set it, on or off, whatever the program's window goes through.
TEST_F(UnderAWindowManager, KeyAutoRepeatStaysAsTheUserSetIt)
{
    BusPeer bus;
    const std::string service = "org.maemo." + BaseName(kProgram);
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "auto-repeat on" : "auto-repeat off");
        // The program before has let its name on the bus go.
        ASSERT_TRUE(Eventually([&] { return !dbus_bus_name_has_owner(bus.connection, service.c_str(), nullptr); }));
        SetAutoRepeat(on);
        Child child({"DISPLAY=" + server.Display()});
        const std::string ready = child.WaitFor("ready ");
        ASSERT_FALSE(ready.empty()) << child.Rest();
        const Window window = std::stoul(ready.substr(6));
        ASSERT_TRUE(Eventually([&] { return Focused(window); })) << "the window took the keyboard";
        ASSERT_TRUE(HearsAKey(x, child));
        EXPECT_EQ(x.AutoRepeatOn(), on) << "the program has the keyboard";

        // Its "inactive" and "active" come after the focus events that
        // went with them.
        XIconifyWindow(x.display, window, DefaultScreen(x.display));
        XSync(x.display, False);
        EXPECT_EQ(child.WaitFor("inactive"), "inactive");
        EXPECT_TRUE(Eventually([&] { return !Viewable(window); })) << "minimised";
        const Window other = Other();
        Activate(other);
        ASSERT_TRUE(Eventually([&] { return Focused(other); }));
        EXPECT_EQ(x.AutoRepeatOn(), on) << "minimised";
        Activate(window);
        EXPECT_EQ(child.WaitFor("active"), "active") << "restored";
        EXPECT_EQ(x.AutoRepeatOn(), on) << "restored";

        x.SendDeleteWindow(window);
        EXPECT_EQ(child.Wait(), 0);
        EXPECT_EQ(x.AutoRepeatOn(), on) << "closed";
        XDestroyWindow(x.display, other);
    }
}

// A server without detectable auto-repeat (XKB_DISABLE keeps Xlib from the
// server's keyboard extension): auto-repeat is off exactly while the program
// has the focus, and put back as it was found when the program took it.
TEST_F(UnderAWindowManager, WhereRepeatsCannotBeToldAutoRepeatIsOffWhileTheProgramHasTheFocus)
{
    SetAutoRepeat(true);
    Child child({"DISPLAY=" + server.Display(), "XKB_DISABLE=1"});
    const std::string ready = child.WaitFor("ready ");
    ASSERT_FALSE(ready.empty()) << child.Rest();
    const Window window = std::stoul(ready.substr(6));
    ASSERT_TRUE(Eventually([&] { return Focused(window) && !x.AutoRepeatOn(); })) << "the window took the keyboard";

    // Minimised: the keyboard leaves it, and stays with another window.
    XIconifyWindow(x.display, window, DefaultScreen(x.display));
    EXPECT_TRUE(Eventually([&] { return !Viewable(window) && x.AutoRepeatOn(); })) << "minimised";
    const Window other = Other();
    Activate(other);
    ASSERT_TRUE(Eventually([&] { return Focused(other); }));
    EXPECT_TRUE(x.AutoRepeatOn());

    // The user switches it off meanwhile; back to the program, and closed.
    SetAutoRepeat(false);
    Activate(window);
    EXPECT_TRUE(Eventually([&] { return Viewable(window) && Focused(window); })) << "restored";
    EXPECT_FALSE(x.AutoRepeatOn());
    x.SendDeleteWindow(window);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_FALSE(x.AutoRepeatOn()) << "put back as found";
}

// Waits for the ClientMessage that asks the window manager (this test) to
// activate `window` on the user's behalf.
bool ActivationAsked(XTestConnection& x, Window window)
{
    return VokeTest::PollUntil(
        [&] {
            while (XPending(x.display)) {
                XEvent event;
                XNextEvent(x.display, &event);
                if (event.type == ClientMessage && event.xclient.window == window &&
                    event.xclient.message_type == x.Intern("_NET_ACTIVE_WINDOW") && event.xclient.data.l[0] == 2)
                    return true;
            }
            return false;
        },
        20.0);
}

// Started again through a link whose name is no valid bus name as it is
// ("vex-bolt" holds a '-', which no interface name may; "9 lives" a space
// and a leading digit): both starts still meet on the bus under the name
// made of it: the second asks the first to the front and ends; the first
// asks for activation. Stopped, the first does not answer: the second says
// so, soon, naming it.
TEST(MaemoEntryTest, ASecondStartUnderAnyNameAsksTheFirstToTheFront)
{
    XTestConnection x;
    ASSERT_NE(x.display, nullptr);
    x.RemoveActiveWindow();
    XSelectInput(x.display, x.Root(), SubstructureNotifyMask);
    XSync(x.display, False);
    const VokeTest::TempDir folder;
    ASSERT_FALSE(folder.Path().empty());
    for (const char* name : {"vex-bolt", "9 lives"}) {
        SCOPED_TRACE(name);
        const std::string link = folder / name;
        ASSERT_EQ(symlink(kProgram, link.c_str()), 0);

        Child first({}, link);
        const std::string ready = first.WaitFor("ready ");
        ASSERT_FALSE(ready.empty()) << first.Rest();
        const Window window = std::stoul(ready.substr(6));

        {
            Child second({}, link);
            EXPECT_EQ(second.Wait(), 0);
            EXPECT_EQ(second.Rest(), "session: Vexbolt! is already running; it was asked to come to the front\n");
        }
        EXPECT_TRUE(ActivationAsked(x, window)) << "the running program asked for nothing";

        first.Signal(SIGSTOP);
        {
            Child second({}, link);
            EXPECT_EQ(second.Wait(), -1);
            const std::string pid = std::to_string(first.Pid());
            EXPECT_EQ(second.Rest(), "session: Vexbolt! is already running (process " + pid +
                                         ") but does not answer; wait until it does, or end it (kill " + pid +
                                         "), then start it again\n");
        }
        first.Signal(SIGCONT);
        x.SendDeleteWindow(window);
        EXPECT_EQ(first.WaitFor("unload"), "unload");
        EXPECT_EQ(first.Wait(), 0);
    }
}

// A client sends one top_application call carrying 64 MB (gone wrong, or
// hostile): the program reads it within a few frames and answers, and the
// calls behind it are answered as ever: a second start asks it to the front.
TEST(MaemoEntryTest, ALargeCallDoesNotStallItsAnswers)
{
    Child first;
    ASSERT_FALSE(first.WaitFor("ready ").empty()) << first.Rest();
    BusPeer caller;
    ASSERT_NE(caller.connection, nullptr);
    const std::string service = "org.maemo." + BaseName(kProgram);
    DBusMessage* call = dbus_message_new_method_call(service.c_str(), "/", service.c_str(), "top_application");
    {
        const std::string text(64u << 20, 'x');
        const char* value = text.c_str();
        dbus_message_append_args(call, DBUS_TYPE_STRING, &value, DBUS_TYPE_INVALID);
    }
    DBusError error;
    dbus_error_init(&error);
    // NOTE: a guard against a hang only: read a few kilobytes a frame, as
    // before, the call took minutes.
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(caller.connection, call, 120000, &error);
    dbus_message_unref(call);
    EXPECT_NE(reply, nullptr) << (dbus_error_is_set(&error) ? error.message : "");
    if (reply) dbus_message_unref(reply);
    dbus_error_free(&error);

    Child second;
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(second.Rest(), "session: Vexbolt! is already running; it was asked to come to the front\n");
    first.Signal(SIGTERM);
    EXPECT_EQ(first.WaitFor("unload"), "unload");
    EXPECT_EQ(first.Wait(), 0);
}

// Started with an empty argv[0] no service name can be made: the program
// says so once, and runs; a second start alike runs beside it.
TEST(MaemoEntryTest, WithoutANameItSaysSoAndRuns)
{
    const std::string said =
        "session: the program was started without a name, so it takes none on the session bus; started again, it "
        "cannot bring this one to the front";
    Child first({}, kProgram, "");
    EXPECT_EQ(first.ReadLine(), said);
    ASSERT_FALSE(first.WaitFor("ready ").empty()) << first.Rest();
    Child second({}, kProgram, "");
    EXPECT_EQ(second.ReadLine(), said);
    ASSERT_FALSE(second.WaitFor("ready ").empty()) << second.Rest();
    for (Child* child : {&first, &second}) {
        child->Signal(SIGTERM);
        EXPECT_EQ(child->WaitFor("unload"), "unload");
        EXPECT_EQ(child->Wait(), 0);
    }
}

TEST(MaemoEntryTest, TheGameCanEndTheProgram)
{
    XTestConnection x;
    Child child;
    std::string ready = child.WaitFor("ready ");
    ASSERT_FALSE(ready.empty()) << child.Rest();
    x.MoveTo(10, 10);
    x.Focus(std::stoul(ready.substr(6)));
    x.Tap(XK_x);
    EXPECT_EQ(child.WaitFor("unload"), "unload");
    EXPECT_EQ(child.Wait(), 0);
}

TEST(MaemoEntryTest, ATerminationSignalEndsTheProgramLikeAClose)
{
    XTestConnection x;
    Child child;
    std::string ready = child.WaitFor("ready ");
    ASSERT_FALSE(ready.empty()) << child.Rest();
    // Paused (another window active): the signal ends the wait as well.
    x.SetActiveWindow(x.Root());
    EXPECT_EQ(child.WaitFor("inactive"), "inactive");
    child.Signal(SIGTERM);
    EXPECT_EQ(child.WaitFor("unload"), "unload");
    EXPECT_EQ(child.Wait(), 0);
    x.RemoveActiveWindow();
}

// Nothing reads its output any more: the lines it writes then fail with
// EPIPE, and neither that nor a SIGPIPE sent to it ends the program; a close
// still does, normally.
TEST(MaemoEntryTest, ABrokenPipeDoesNotEndTheProgram)
{
    XTestConnection x;
    Child child;
    std::string ready = child.WaitFor("ready ");
    ASSERT_FALSE(ready.empty()) << child.Rest();
    const Window window = std::stoul(ready.substr(6));
    child.Signal(SIGPIPE);
    child.CloseOutput();
    x.MoveTo(10, 10);
    x.Focus(window);
    x.Tap(XK_q);  // its "key down" line has no reader
    x.SendDeleteWindow(window);
    EXPECT_EQ(child.Wait(), 0);
}

TEST(MaemoEntryTest, WithoutASessionBusItSaysSoInOneLineAndRuns)
{
    Child child({"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/voke-bus"});
    const std::string said = child.WaitFor("session: ");
    EXPECT_NE(said.find("session bus"), std::string::npos) << said;
    const std::string ready = child.WaitFor("ready ");
    ASSERT_FALSE(ready.empty()) << child.Rest();
    child.Signal(SIGTERM);
    EXPECT_EQ(child.WaitFor("unload"), "unload");
    EXPECT_EQ(child.Wait(), 0);
}

TEST(MaemoEntryTest, WithoutAnXServerItExitsWithOneAfterOneLine)
{
    Child child({"DISPLAY="});
    EXPECT_EQ(child.Wait(), 1);
    EXPECT_EQ(child.Rest(), "X: cannot open a display: DISPLAY is not set\n");
}

}  // namespace
}  // namespace Voke
