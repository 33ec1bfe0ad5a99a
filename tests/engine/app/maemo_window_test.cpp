// gtest comes before Xlib, whose None and Bool macros it would trip over.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/app/clock.h"
#include "engine/app/machine_keys.h"
#include "engine/app/maemo_display.h"
#include "engine/app/maemo_main.h"
#include "engine/app/maemo_session.h"
#include "engine/core/app_globals.h"
#include "engine/core/key_codes.h"
#include "engine/graphics/maemo_surface.h"
#include "tests/engine/app/bus_peer.h"
#include "tests/engine/app/maemo_test_app.h"
#include "tests/engine/app/x_test_connection.h"
#include "tests/support/poll.h"
#include "tests/support/temp_dir.h"

Voke::MaemoApplication* CreateApplication() { return new Voke::RecordingMaemoApp; }

namespace Voke {
namespace {

// The application's log lines for a key going down and coming up, and the
// key lines of a log in their order.
std::string KeyDown(unsigned key) { return "key down " + std::to_string(key); }
std::string KeyUp(unsigned key) { return "key up " + std::to_string(key); }
std::vector<std::string> KeyLines(const std::vector<std::string>& log)
{
    std::vector<std::string> keys;
    for (const std::string& e : log)
        if (e.rfind("key", 0) == 0) keys.push_back(e);
    return keys;
}

class MaemoWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(x.display, nullptr) << "the tests need an X server (DISPLAY)";
        x.RemoveActiveWindow();
        app = new RecordingMaemoApp;
        window = app->GetWindow();
    }
    void TearDown() override
    {
        x.RemoveActiveWindow();
        app.Reset();
    }

    // Waits until the server has what the application sent, so another
    // connection sees it.
    void SyncApp() { XSync(app->GetXDisplay(), False); }

    XTestConnection x;
    SmartPtr<RecordingMaemoApp> app;
    Window window = 0;
};

TEST_F(MaemoWindowTest, OpensWithItsWindowManagerProperties)
{
    SyncApp();
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(x.display, window, &attributes));
    EXPECT_EQ(attributes.width, 800);
    EXPECT_EQ(attributes.height, 480);
    EXPECT_EQ(attributes.map_state, IsViewable);

    Atom type = None;
    EXPECT_EQ(x.Property(window, "_NET_WM_STATE", &type),
              std::vector<long>{static_cast<long>(x.Intern("_NET_WM_STATE_FULLSCREEN"))});
    EXPECT_EQ(type, XA_ATOM);
    EXPECT_EQ(x.Property(window, "_HILDON_NON_COMPOSITED_WINDOW", &type), std::vector<long>{1});
    EXPECT_EQ(type, XA_INTEGER);
    EXPECT_EQ(x.Property(window, "_NET_WM_PID", &type), std::vector<long>{static_cast<long>(getpid())});
    EXPECT_EQ(type, XA_CARDINAL);
    EXPECT_EQ(x.Property(window, "WM_PROTOCOLS"), std::vector<long>{static_cast<long>(x.Intern("WM_DELETE_WINDOW"))});

    char* name = nullptr;
    ASSERT_TRUE(XFetchName(x.display, window, &name));
    EXPECT_STREQ(name, "Vexbolt!");
    XFree(name);

    XTextProperty machine{};
    ASSERT_TRUE(XGetWMClientMachine(x.display, window, &machine));
    char host[64] = {};
    gethostname(host, sizeof(host) - 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(machine.value), machine.nitems), std::string(host));
    XFree(machine.value);

    XWMHints* hints = XGetWMHints(x.display, window);
    ASSERT_NE(hints, nullptr);
    EXPECT_TRUE(hints->flags & InputHint);
    EXPECT_TRUE(hints->input);
    XFree(hints);

    app->SetClassHint("voke_game");
    SyncApp();
    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(x.display, window, &hint));
    EXPECT_STREQ(hint.res_name, "voke_game");
    EXPECT_STREQ(hint.res_class, "voke_game");
    XFree(hint.res_name);
    XFree(hint.res_class);

    app->SetMinimizable(false);
    SyncApp();
    EXPECT_EQ(x.Property(window, "_MEEGOTOUCH_CANNOT_MINIMIZE"), std::vector<long>{1});
    app->SetMinimizable(true);
    SyncApp();
    EXPECT_EQ(x.Property(window, "_MEEGOTOUCH_CANNOT_MINIMIZE"), std::vector<long>{0});
}

TEST_F(MaemoWindowTest, TheWindowSurfaceHasAContextOnTheWindowsVisual)
{
    MaemoSurface* surface = app->GetDisplay()->GetSurface();
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface, MaemoDisplay::GetWindowSurface());
    EXPECT_NE(surface->GetEglContext(), nullptr);
    EXPECT_NE(surface->GetEglSurface(), nullptr);
    EXPECT_TRUE(surface->BeginFrame());
    EXPECT_TRUE(surface->Present());
}

TEST_F(MaemoWindowTest, DisplaysShareTheSurfaceAndKeepTheirOrientation)
{
    Display* first = app->GetDisplay();
    EXPECT_EQ(first->GetOrientation(), Display::kLandscape);
    EXPECT_EQ(first->GetSupportedOrientations(), 3);

    SmartPtr<MaemoDisplay> tall = MaemoDisplay::Create(480, 800);
    SmartPtr<MaemoDisplay> square = MaemoDisplay::Create(600, 600);
    EXPECT_EQ(tall->GetOrientation(), Display::kPortrait);
    EXPECT_EQ(square->GetOrientation(), Display::kPortrait);
    EXPECT_EQ(tall->GetSurface(), first->GetSurface());
    EXPECT_EQ(square->GetSurface(), first->GetSurface());
    EXPECT_EQ(first->GetSurface()->GetWidth(), 600);

    EXPECT_FALSE(first->SetOrientation(3));
    SyncApp();
    EXPECT_TRUE(x.Property(window, "_MEEGOTOUCH_ORIENTATION_ANGLE").empty());
    EXPECT_TRUE(first->SetOrientation(Display::kPortrait));
    SyncApp();
    EXPECT_EQ(x.Property(window, "_MEEGOTOUCH_ORIENTATION_ANGLE"), std::vector<long>{270});
    EXPECT_EQ(first->GetOrientation(), Display::kLandscape);
    EXPECT_TRUE(first->SetOrientation(Display::kLandscape));
    SyncApp();
    EXPECT_EQ(x.Property(window, "_MEEGOTOUCH_ORIENTATION_ANGLE"), std::vector<long>{0});
}

TEST_F(MaemoWindowTest, KeysArriveAsEngineKeyCodes)
{
    app->GoFullScreen();
    x.MoveTo(400, 240);
    x.Focus(window);
    int frame = 0;
    app->step = [&](RecordingMaemoApp& a) {
        if (++frame == 2) {
            x.Tap(XK_q);
            x.Tap(XK_Return);
            x.Tap(XK_F1);  // no engine key
            x.Key(XK_Shift_L, true);
            x.Tap(XK_a);
            x.Key(XK_Shift_L, false);
            x.Tap(XK_Left);
        }
        return a.Logged(KeyUp(KEY_LEFT));
    };
    EXPECT_EQ(app->Run(), 0);
    EXPECT_FALSE(app->timedOut);
    EXPECT_EQ(KeyLines(app->log),
              (std::vector<std::string>{KeyDown(KEY_Q), KeyUp(KEY_Q), KeyDown(KEY_SELECT), KeyUp(KEY_SELECT),
                                        KeyDown(KEY_SHIFT), KeyDown(KEY_A), KeyUp(KEY_A), KeyUp(KEY_SHIFT),
                                        KeyDown(KEY_LEFT), KeyUp(KEY_LEFT)}));
    EXPECT_EQ(app->initializes, 1);
    EXPECT_EQ(app->unloads, 1);
}

TEST_F(MaemoWindowTest, PointerButtonOneIsTouchContactZero)
{
    app->GoFullScreen();
    int frame = 0;
    app->step = [&](RecordingMaemoApp& a) {
        if (++frame == 2) {
            x.MoveTo(120, 200);
            x.Button(3, true);  // other buttons are no touch
            x.Button(3, false);
            x.Button(1, true);
            x.MoveTo(300, 250);
            x.Button(1, false);
            x.MoveTo(310, 260);  // hovering is no touch either
        }
        return a.Logged("pointer up 300,250#0");
    };
    EXPECT_EQ(app->Run(), 0);
    EXPECT_FALSE(app->timedOut);
    std::vector<std::string> pointer;
    for (const std::string& e : app->log)
        if (e.rfind("pointer", 0) == 0) pointer.push_back(e);
    EXPECT_EQ(pointer, (std::vector<std::string>{"pointer down 120,200#0", "pointer move 300,250#0",
                                                 "pointer up 300,250#0"}));
}

TEST_F(MaemoWindowTest, CloseRequestEndsTheLoopAfterThePass)
{
    app->GoFullScreen();
    int frame = 0;
    int closedAt = -1;
    app->step = [&](RecordingMaemoApp& a) {
        ++frame;
        if (frame == 2) x.SendDeleteWindow(window);
        if (a.IsQuitRequested() && closedAt < 0) closedAt = frame;
        return false;
    };
    EXPECT_EQ(app->Run(), 0);
    EXPECT_FALSE(app->timedOut);
    // The pass that reads the request still ticks; the next one ends the loop.
    EXPECT_EQ(closedAt, frame);
    EXPECT_EQ(app->unloads, 1);
}

TEST_F(MaemoWindowTest, AnInactiveWindowGetsNoFramesAndResumesWithAShortFrame)
{
    app->GoFullScreen();
    int frame = 0;
    std::thread desktop;
    std::atomic<int64_t> returnedMs{0};
    int64_t resumedMs = 0;
    app->step = [&](RecordingMaemoApp& a) {
        // Another window becomes active.
        if (++frame == 2) x.SetActiveWindow(x.Root());
        if (a.Logged("active") && resumedMs == 0) resumedMs = GetTimeMs();
        return a.Logged("active") && a.updates > a.updatesAtPause + 2;
    };
    // Once the application is paused, this window is the active one again
    // after a while.
    app->focusChanged = [&](RecordingMaemoApp&, bool active) {
        if (active) return;
        desktop = std::thread([&returnedMs, w = window] {
            XTestConnection wm;
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            returnedMs = GetTimeMs();
            wm.SetActiveWindow(w);
        });
    };
    EXPECT_EQ(app->Run(), 0);
    if (desktop.joinable()) desktop.join();
    EXPECT_FALSE(app->timedOut);
    ASSERT_GE(app->updatesAtPause, 0);
    // The first update after the pause is the one after "active". Its frame
    // began when the window had become active again or later: it lasts no
    // longer than from then to that update, however long that was; a frame
    // that held the pause would be 400 ms longer.
    std::size_t resumed = static_cast<std::size_t>(app->updatesAtPause);
    ASSERT_LT(resumed, app->frameTimes.size());
    EXPECT_LE(app->frameTimes[resumed], static_cast<float>(resumedMs - returnedMs) * 0.001f)
        << "the paused time reached the application";
    EXPECT_EQ(app->log, (std::vector<std::string>{"inactive", "active"}));
    EXPECT_EQ(app->updatesWhilePaused, 0);
}

TEST_F(MaemoWindowTest, CloseRequestWhilePausedEndsAtOnce)
{
    app->GoFullScreen();
    int frame = 0;
    app->step = [&](RecordingMaemoApp&) {
        if (++frame == 2) x.SetActiveWindow(x.Root());
        return false;
    };
    // The close request arrives once the application has paused.
    app->focusChanged = [&](RecordingMaemoApp&, bool active) {
        if (!active) x.SendDeleteWindow(window);
    };
    EXPECT_EQ(app->Run(), 0);
    EXPECT_FALSE(app->timedOut);
    EXPECT_EQ(app->updates, 2);
    EXPECT_EQ(app->unloads, 1);
}

// Tests that hold q, and may change the server's key auto-repeat.
class MaemoWindowKeyTest : public MaemoWindowTest {
protected:
    // A test that stopped short releases the key all the same.
    void TearDown() override
    {
        MaemoWindowTest::TearDown();
        x.Key(XK_q, false);
        XAutoRepeatOn(x.display);
        XSync(x.display, False);
    }

    // Without a window manager the keyboard follows the pointer: the
    // pointer in the application's window, which covers the screen, and
    // another client's window over its top right corner (kOtherX, kOtherY
    // lies in it), which hears the keys released over it.
    static constexpr int kOtherX = 700, kOtherY = 50;
    Window FollowThePointerBesideAnotherWindow()
    {
        x.Focus(PointerRoot);
        x.MoveTo(400, 240);
        const Window other = XCreateSimpleWindow(x.display, x.Root(), 600, 0, 200, 100, 0, 0, 0);
        XSelectInput(x.display, other, KeyReleaseMask);
        XMapWindow(x.display, other);
        XSync(x.display, False);
        return other;
    }
    // Whether `other` has heard the release of q; reads this connection's
    // events.
    bool ReleasedOver(Window other)
    {
        bool released = false;
        while (XPending(x.display)) {
            XEvent event;
            XNextEvent(x.display, &event);
            released = released || (event.type == KeyRelease && event.xkey.window == other &&
                                    event.xkey.keycode == XKeysymToKeycode(x.display, XK_q));
        }
        return released;
    }
};

// The server's key auto-repeat, a setting of the whole X session, is left as
// the user set it, on or off; a key held while it is on repeats, and the
// application hears one press.
class MaemoWindowHeldKeyTest : public MaemoWindowKeyTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MaemoWindowHeldKeyTest, IsOnePressAndAutoRepeatStaysAsSet)
{
    const bool on = GetParam();
    on ? XAutoRepeatOn(x.display) : XAutoRepeatOff(x.display);
    app->GoFullScreen();
    x.MoveTo(400, 240);
    x.Focus(window);
    // This connection hears the window's keys as well, repeats included
    // (as releases and presses).
    XSelectInput(x.display, window, KeyPressMask | KeyReleaseMask);
    const unsigned q = XKeysymToKeycode(x.display, XK_q);
    int serverPresses = 0;
    int64_t pressedMs = 0;
    bool released = false;
    bool changed = false;
    int frame = 0;
    app->step = [&](RecordingMaemoApp& a) {
        while (XPending(x.display)) {
            XEvent event;
            XNextEvent(x.display, &event);
            if (event.type == KeyPress && event.xkey.keycode == q) ++serverPresses;
        }
        changed = changed || x.AutoRepeatOn() != on;
        if (++frame == 2) {
            x.Key(XK_q, true);
            pressedMs = GetTimeMs();
        }
        // Held 2 s and, with auto-repeat on, until the server has repeated
        // it; then released, and done once the release has arrived.
        if (pressedMs && !released && GetTimeMs() - pressedMs >= 2000 && (!on || serverPresses > 2)) {
            x.Key(XK_q, false);
            released = true;
        }
        return a.Logged(KeyUp(KEY_Q));
    };
    EXPECT_EQ(app->Run(), 0);
    EXPECT_FALSE(app->timedOut);
    EXPECT_EQ(app->log, (std::vector<std::string>{KeyDown(KEY_Q), KeyUp(KEY_Q)}))
        << serverPresses << " presses from the server";
    EXPECT_FALSE(changed) << "auto-repeat changed while the window had the keyboard";
    app.Reset();
    EXPECT_EQ(x.AutoRepeatOn(), on) << "after the application's end";
}

// (Xlib's Bool macro hides ::testing::Bool.)
INSTANTIATE_TEST_SUITE_P(AutoRepeat, MaemoWindowHeldKeyTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "On" : "Off"; });

// A key released while away, with the keyboard at no window or the
// application paused, is a press of its own when it is pressed again.
TEST_F(MaemoWindowTest, AKeyReleasedWhileAwayIsPressedAfresh)
{
    app->GoFullScreen();
    x.MoveTo(400, 240);
    x.Focus(window);
    int frame = 0;
    bool back = false;
    app->step = [&](RecordingMaemoApp& a) {
        if (++frame == 2) {
            x.Key(XK_q, true);
            x.Focus(None);
            x.Key(XK_q, false);
            x.Focus(window);
            x.Tap(XK_q);
            // Another window becomes active while w is held.
            x.Key(XK_w, true);
            x.SetActiveWindow(x.Root());
        }
        if (a.Logged("active") && !back) {
            back = true;
            x.Tap(XK_w);
        }
        return a.Logged(KeyUp(KEY_W));
    };
    app->focusChanged = [&](RecordingMaemoApp&, bool active) {
        if (active) return;
        x.Key(XK_w, false);
        x.SetActiveWindow(window);
    };
    EXPECT_EQ(app->Run(), 0);
    EXPECT_FALSE(app->timedOut);
    EXPECT_EQ(KeyLines(app->log), (std::vector<std::string>{KeyDown(KEY_Q), KeyDown(KEY_Q), KeyUp(KEY_Q),
                                                            KeyDown(KEY_W), KeyDown(KEY_W), KeyUp(KEY_W)}));
}

// The keyboard follows the pointer, which takes it to another window while
// q is held: q is released there, with no FocusOut for the application, and
// pressed afresh once the pointer is back.
TEST_F(MaemoWindowKeyTest, AKeyReleasedOverAnotherWindowIsPressedAfresh)
{
    app->GoFullScreen();
    const Window other = FollowThePointerBesideAnotherWindow();
    int phase = 0;
    app->step = [&](RecordingMaemoApp& a) {
        if (phase == 0) {
            x.Key(XK_q, true);
            ++phase;
        } else if (phase == 1 && a.Logged(KeyDown(KEY_Q))) {
            x.MoveTo(kOtherX, kOtherY);
            x.Key(XK_q, false);
            ++phase;
        } else if (phase == 2 && ReleasedOver(other)) {
            x.MoveTo(400, 240);
            x.Tap(XK_q);
            ++phase;
        }
        return phase == 3 && a.Logged(KeyUp(KEY_Q));
    };
    EXPECT_EQ(app->Run(), 0);
    EXPECT_FALSE(app->timedOut) << "stopped at phase " << phase;
    EXPECT_EQ(KeyLines(app->log), (std::vector<std::string>{KeyDown(KEY_Q), KeyDown(KEY_Q), KeyUp(KEY_Q)}));
}

// A client without the keyboard extension (XKB_DISABLE keeps Xlib from it)
// cannot have the server tell repeats: the application switches the server's
// auto-repeat off while its window has the keyboard.
class MaemoWindowWithoutRepeatDetectionTest : public MaemoWindowKeyTest {
protected:
    void SetUp() override
    {
        setenv("XKB_DISABLE", "1", 1);
        MaemoWindowKeyTest::SetUp();
        unsetenv("XKB_DISABLE");
    }
};

// The keyboard follows the pointer: a key held 1.5 s in the window is one
// press, and auto-repeat is the user's again whenever the pointer or the
// window takes the keyboard elsewhere. Each step waits for the one before to
// show in the server's auto-repeat.
TEST_F(MaemoWindowWithoutRepeatDetectionTest, UnderPointerFocusAHeldKeyIsOnePress)
{
    XAutoRepeatOn(x.display);
    app->GoFullScreen();
    FollowThePointerBesideAnotherWindow();
    int phase = 0;
    int64_t pressedMs = 0;
    app->step = [&](RecordingMaemoApp& a) {
        const bool on = x.AutoRepeatOn();
        if (phase == 0) {
            // The crossing and focus events so far reach the next pass.
            SyncApp();
            ++phase;
        } else if (phase == 1) {
            // What that pass asked of the server is done before the press.
            SyncApp();
            x.Key(XK_q, true);
            pressedMs = GetTimeMs();
            ++phase;
        } else if (phase == 2 && GetTimeMs() - pressedMs >= 1500) {
            x.Key(XK_q, false);
            ++phase;
        } else if (phase == 3 && a.Logged(KeyUp(KEY_Q))) {
            x.MoveTo(kOtherX, kOtherY);
            ++phase;
        } else if (phase == 4 && on) {
            x.MoveTo(400, 240);
            ++phase;
        } else if (phase == 5 && !on) {
            XUnmapWindow(x.display, window);
            XSync(x.display, False);
            ++phase;
        } else if (phase == 6 && on) {
            XMapWindow(x.display, window);
            XSync(x.display, False);
            ++phase;
        } else if (phase == 7 && !on) {
            ++phase;
        }
        return phase == 8;
    };
    EXPECT_EQ(app->Run(), 0);
    EXPECT_FALSE(app->timedOut) << "stopped at phase " << phase;
    EXPECT_EQ(KeyLines(app->log), (std::vector<std::string>{KeyDown(KEY_Q), KeyUp(KEY_Q)}));
    app.Reset();
    EXPECT_TRUE(x.AutoRepeatOn()) << "after the application's end";
}

TEST_F(MaemoWindowTest, AResizedWindowGetsANewDisplayOnTheSameSurface)
{
    app->GoFullScreen();
    Display* first = app->GetDisplay();
    MaemoSurface* surface = first->GetSurface();
    int frame = 0;
    app->step = [&](RecordingMaemoApp& a) {
        if (++frame == 2) {
            XResizeWindow(x.display, window, 480, 800);
            XSync(x.display, False);
        }
        return a.GetDisplay() != first;
    };
    SmartPtr<Display> keep = first;
    EXPECT_EQ(app->Run(), 0);
    EXPECT_FALSE(app->timedOut);
    EXPECT_EQ(app->GetDisplay()->GetSurface(), surface);
    EXPECT_EQ(app->GetDisplay()->GetOrientation(), Display::kPortrait);
    EXPECT_EQ(surface->GetWidth(), 480);
    EXPECT_EQ(surface->GetHeight(), 800);

    // The registry's live keys read the new size.
    SmartPtr<Registry> registry(new Registry);
    InstallMachineKeys(*registry);
    int width = 0;
    int height = 0;
    EXPECT_TRUE(registry->Get("/machine/resolution/x", width));
    EXPECT_TRUE(registry->Get("/machine/resolution/y", height));
    EXPECT_EQ(width, 480);
    EXPECT_EQ(height, 800);
}

// A small file's text ("" when it cannot be read).
std::string ReadText(const std::string& path)
{
    std::string text;
    if (FILE* in = std::fopen(path.c_str(), "r")) {
        char buffer[512] = {};
        text.assign(buffer, std::fread(buffer, 1, sizeof(buffer) - 1, in));
        std::fclose(in);
    }
    return text;
}

TEST_F(MaemoWindowTest, WebPagesOpenWithTheAddressAsOneArgument)
{
    // A stand-in for the desktop's opener that records its arguments.
    const VokeTest::TempDir folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string dir = folder.Path();
    const std::string script = dir + "/xdg-open";
    FILE* file = std::fopen(script.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fprintf(file,
                 "#!/bin/sh\nprintf '%%s\\n' \"$#\" \"$1\" > '%s/args'\n"
                 "sed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status > '%s/ignored.part'\n"
                 "mv '%s/ignored.part' '%s/ignored'\n",
                 dir.c_str(), dir.c_str(), dir.c_str(), dir.c_str());
    std::fclose(file);
    chmod(script.c_str(), 0755);
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir + ":" + savedPath).c_str(), 1);

    // The program ignores SIGPIPE; the opener starts with it as usual.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    const WideString url = L"http://example.org/?a=1&b=$(touch " + ToWideString(dir) + L"/hacked);c='\u00e9'";
    EXPECT_TRUE(app->OpenUrl(url));
    sigaction(SIGPIPE, &previous, nullptr);
    // The opener runs on its own; its record is whole once "ignored" is.
    ASSERT_TRUE(VokeTest::PollUntil([&] { return access((dir + "/ignored").c_str(), F_OK) == 0; }, 20.0));
    const std::string ignored = ReadText(dir + "/ignored");
    EXPECT_EQ(std::strtoull(ignored.c_str(), nullptr, 16) & (1ull << (SIGPIPE - 1)), 0u) << ignored;
    EXPECT_FALSE(ignored.empty());
    EXPECT_EQ(ReadText(dir + "/args"), "1\n" + ToNarrowString(url) + "\n");
    EXPECT_NE(access((dir + "/hacked").c_str(), F_OK), 0) << "the address went through a shell";

    EXPECT_FALSE(app->OpenUrl(L""));

    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(app->OpenUrl(L"http://example.org/"));
    setenv("PATH", savedPath.c_str(), 1);
}

// A session whose system bus is the tests' session bus, standing in for the
// bus that carries the display service. libdbus reads the bus addresses once
// per process, at its first connection: call this before any other.
std::unique_ptr<MaemoSession> OpenWithStandInSystemBus(const char* what)
{
    setenv("DBUS_SYSTEM_BUS_ADDRESS", std::getenv("DBUS_SESSION_BUS_ADDRESS"), 1);
    return MaemoSession::Open("org.maemo.voke_" + std::string(what) + "_" + std::to_string(getpid()), "0.0.1");
}

TEST_F(MaemoWindowTest, ADisplaySwitchedOffPausesUntilItIsLitOrDimmed)
{
    std::unique_ptr<MaemoSession> session = OpenWithStandInSystemBus("displayoff");
    ASSERT_NE(session, nullptr);
    ASSERT_NE(session->GetSystemConnection(), nullptr);
    app->SetupDBus(session.get(), session->GetService());
    app->GoFullScreen();
    BusPeer displayService;
    int frame = 0;
    app->step = [&](RecordingMaemoApp& a) {
        if (++frame == 2) displayService.EmitDisplayState("off");
        return a.Logged("active") && a.updates > a.updatesAtPause + 2;
    };
    // Dimmed while the application is paused.
    app->focusChanged = [&](RecordingMaemoApp&, bool active) {
        if (!active) displayService.EmitDisplayState("dimmed");
    };
    EXPECT_EQ(app->Run(), 0);
    app->DetachSession();
    EXPECT_FALSE(app->timedOut);
    EXPECT_EQ(app->log, (std::vector<std::string>{"inactive", "active"}));
    EXPECT_EQ(app->updatesWhilePaused, 0);
    EXPECT_TRUE(app->IsDisplayOn());
}

// The session's clock in the test of its requests, driven by the test.
int64_t g_sessionMs = 0;
int64_t SessionMs() { return g_sessionMs; }

TEST_F(MaemoWindowTest, KeepingTheDisplayOnAsksTheDisplayServiceWithoutFlooding)
{
    std::unique_ptr<MaemoSession> session = OpenWithStandInSystemBus("keepon");
    ASSERT_NE(session, nullptr);
    ASSERT_NE(session->GetSystemConnection(), nullptr);
    session->SetClock(SessionMs);
    BusPeer displayService;
    ASSERT_TRUE(displayService.Own("org.voke.DisplayService"));
    app->SetupDBus(session.get(), session->GetService());
    app->SetKeepDisplayOn(true);
    // Every frame asks; with a quarter of the request interval per frame,
    // 30 frames span seven and a quarter intervals: one of each request in
    // each of eight intervals goes out.
    constexpr int kFrames = 30;
    g_sessionMs = 0;
    app->step = [](RecordingMaemoApp& a) {
        g_sessionMs = a.updates * MaemoSession::kRequestIntervalMs / 4;
        return a.updates >= kFrames;
    };
    EXPECT_EQ(app->Run(), 0);
    app->DetachSession();
    EXPECT_FALSE(app->timedOut);
    CallDisplayService(session->GetSystemConnection(), "End");
    std::vector<std::string> expected;
    for (int interval = 0; interval < 8; ++interval) {
        expected.push_back("RequestDisplayOn");
        expected.push_back("RequestBlankingPause");
    }
    expected.push_back("End");
    EXPECT_EQ(displayService.CollectUntil("End"), expected);
}

TEST_F(MaemoWindowTest, TheAccelerometerIsReadOncePerInterval)
{
    const VokeTest::TempDir folder;
    const std::string path = folder / "accelerometer";
    FILE* values = std::fopen(path.c_str(), "w");
    ASSERT_NE(values, nullptr);
    ASSERT_GE(std::fputs("(-18,1008,36)\n", values), 0);
    ASSERT_EQ(std::fclose(values), 0);
    app->SetAccelerometerPath(path.c_str());
    float interval = 0.1f;
    app->EnableAccelerometer(interval);
    // The first frame reads at once (the time starts at the interval), then
    // every third one: the time restarts from 0, not from the excess.
    std::vector<int> readAt;
    for (int frame = 0; frame < 8; ++frame) {
        std::size_t before = app->log.size();
        app->ReadAccelerometer(0.04f);
        if (app->log.size() > before) readAt.push_back(frame);
    }
    EXPECT_EQ(readAt, (std::vector<int>{0, 3, 6}));
    EXPECT_TRUE(app->Logged("accel 1.008000 -0.018000 0.036000"));

    // A line that does not parse is skipped; the accelerometer stays on.
    FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("garbage", file);
    std::fclose(file);
    std::size_t before = app->log.size();
    for (int frame = 0; frame < 3; ++frame) app->ReadAccelerometer(0.04f);
    EXPECT_EQ(app->log.size(), before);
    EXPECT_TRUE(app->IsAccelerometerOn());

    // Once the file is gone the accelerometer is off.
    unlink(path.c_str());
    for (int frame = 0; frame < 3; ++frame) app->ReadAccelerometer(0.04f);
    EXPECT_FALSE(app->IsAccelerometerOn());
}

TEST(ProgramEntryTest, SplitsTheProgramPath)
{
    ProgramPath full = SplitProgramPath("/opt/x/bin/game");
    EXPECT_EQ(full.directory, "/opt/x/bin");
    EXPECT_EQ(full.baseName, "game");
    EXPECT_EQ(SplitProgramPath(nullptr).baseName, "");
}

// Where the program finds its folder, however it was started; the facts as
// the system would give them.
TEST(ProgramEntryTest, ChoosesTheExecutablesFolderHoweverItWasStarted)
{
    const NarrowString loader = "/usr/lib/x86_64-linux-gnu/ld-linux-x86-64.so.2";
    struct Case {
        const char* how;
        ExecutableFacts facts;
        const char* folder;
    };
    const Case cases[] = {
        {"a path, through a link",
         {"bin/game", "/opt/game/build/game", "/opt/game/build/game", "/opt/game/build/game", loader},
         "/opt/game/build"},
        // The kernel runs the loader, which is given the program's path.
        {"through the dynamic loader", {"build/game", "/opt/game/build/game", loader, loader, loader},
         "/opt/game/build"},
        {"through the loader, without /proc", {"build/game", "/opt/game/build/game", "", loader, loader},
         "/opt/game/build"},
        {"a bare name found on PATH", {"game", "", "/opt/game/build/game", "/opt/game/build/game", loader},
         "/opt/game/build"},
        {"a bare name without /proc", {"game", "", "", "/usr/games/game", loader}, "/usr/games"},
        {"a made-up path", {"/no/such/game", "", "/opt/game/build/game", "/opt/game/build/game", loader},
         "/opt/game/build"},
        // argv[0] names a file or folder that exists but is not the program.
        {"another program's path as argv[0]",
         {"/usr/bin/env", "/usr/bin/env", "/opt/game/build/game", "/opt/game/build/game", loader}, "/opt/game/build"},
        {"a folder as argv[0]", {"/opt/game", "/opt/game", "/opt/game/build/game", "/opt/game/build/game", loader},
         "/opt/game/build"},
        {"a wrapper script that passes its own path on",
         {"/usr/bin/game", "/usr/bin/game", "/opt/game/game", "/opt/game/game", loader}, "/opt/game"},
        {"a program without a loader", {"game", "", "/opt/s/game", "/opt/s/game", ""}, "/opt/s"},
        {"in the root", {"/game", "/game", "/game", "/game", loader}, "/"},
        {"nothing known", {"game", "", "", "", loader}, ""},
        {"no argv[0]", {"", "", "", "", ""}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseExecutableFolder(c.facts), c.folder) << c.how;

    // This process: its own file's folder, from its path or from the kernel.
    const ExecutableFacts self = ReadExecutableFacts("no-such-program");
    ASSERT_FALSE(self.kernelFile.empty());
    EXPECT_FALSE(self.loaderFile.empty());
    EXPECT_NE(self.loaderFile, self.kernelFile);
    EXPECT_EQ(ChooseExecutableFolder(ReadExecutableFacts("/usr/bin/env")),
              SplitProgramPath(self.kernelFile.c_str()).directory);
    EXPECT_EQ(ChooseExecutableFolder(self), SplitProgramPath(self.kernelFile.c_str()).directory);
    EXPECT_EQ(ChooseExecutableFolder(ReadExecutableFacts(self.kernelFile.c_str())),
              SplitProgramPath(self.kernelFile.c_str()).directory);
}

TEST(ProgramEntryTest, ReadsLanguageAndCountryFromLang)
{
    AppGlobals::Instance()->globals = new AppGlobals;
    AppGlobals* globals = AppGlobals::Instance()->globals;
    struct Case {
        const char* lang;
        const char* language;
        const char* country;
    };
    const Case cases[] = {{"de", "de", "de"}, {"fi_FI", "fi", "FI"}, {"en_GB.UTF-8", "en", "GB.UTF-8"}};
    for (const Case& c : cases) {
        setenv("LANG", c.lang, 1);
        MaemoApplication::ReadLanguage();
        EXPECT_EQ(globals->language, c.language);
        EXPECT_EQ(globals->country, c.country);
    }
    setenv("LANG", "", 1);
    MaemoApplication::ReadLanguage();
    EXPECT_EQ(globals->language, "en");
    unsetenv("LANG");
    MaemoApplication::ReadLanguage();
    EXPECT_EQ(globals->country, "GB.UTF-8");
    AppGlobals::Instance()->globals.Reset();
}

}  // namespace
}  // namespace Voke
