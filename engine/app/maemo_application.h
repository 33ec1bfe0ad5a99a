// The handset's application class, between the application base and the
// game's application: one full-screen 800 x 480 X window with the properties
// the handset's desktop expects, multi-touch through XInput2, keys through the
// input context, the EGL window surface through the display, and the desktop
// services (raising the window, minimising, keeping the display lit, opening a
// web page, quitting). Run is the program's main loop.
//
// Xlib and XInput2 stay inside maemo_application.cpp: here the X display
// connection is an opaque pointer and windows and atoms are plain XIDs.
#pragma once

#include <cstdint>

#include "engine/app/abstract_app.h"
#include "engine/app/touch_tracker.h"
#include "engine/app/url_opener.h"
#include "engine/core/strings.h"

struct _XDisplay;
typedef union _XEvent XEvent;

namespace Voke {

class MaemoSession;

// Whether the window has the keyboard, followed through the window's own
// focus and crossing events (no request to the server): the focus is the
// window itself, or the focus follows the pointer (PointerRoot, the root or a
// window around this one) and the pointer is in the window. Where the focus
// follows the pointer, its moves bring no focus events, only crossings.
class KeyboardFocus {
public:
    struct Step {
        // The event leaves the window without the keyboard: the releases of
        // the keys held may go to another window.
        bool forgetKeys = false;
        bool hasKeyboard = false;
    };
    // Takes one X event of the window by its X type: FocusIn and FocusOut
    // with their detail, EnterNotify and LeaveNotify with their detail and
    // focus flag, UnmapNotify; the arguments an event lacks are not looked
    // at, and any other type changes nothing.
    Step Take(int type, int detail, bool focusFlag);
    bool HasKeyboard() const { return m_focused || m_underPointer; }

private:
    bool m_focused = false;       // the focus is the window
    bool m_underPointer = false;  // the keys follow the pointer, which is in the window
};

class MaemoApplication : public AbstractApp {
public:
    // The window's size at creation, whatever the screen's; the real size
    // arrives later as a configure event.
    static constexpr int kWindowWidth = 800;
    static constexpr int kWindowHeight = 480;
    // Where the accelerometer's position is read from, "(%d,%d,%d)" in
    // thousandths of the gravity unit.
    static constexpr const char* kAccelerometerPath = "/sys/devices/platform/lis3lv02d/position";

    // Opens the X display, insists on XInput 2.0, asks for detectable key
    // auto-repeat, creates and maps the window with its properties and the
    // EGL window surface, finds the pointer device, and reads the language
    // from LANG. Never returns on failure: no X display, no XInput 2.0 or no
    // EGL window surface ends the process with status 1 after one line on
    // standard output.
    //
    // From then on the window can go away under the program in two ways.
    // Destroyed by another client: the main loop ends as at a close request
    // (Unload, status 0) without drawing again, and nothing touches the
    // window any more. The X server gone: one line on standard output, the
    // application's Unload when the main loop runs, and the process ends at
    // once with status 1, without another request to the server.
    explicit MaemoApplication(uint32_t flags);
    ~MaemoApplication() override;

    // The one platform application, or null.
    static MaemoApplication* Instance() { return s_instance; }

    // The main loop: Initialize, then passes of bus dispatch, X events, the
    // active-window check, the accelerometer and one Tick, until Exit or a
    // close request; then Unload. Returns the exit status: 0, or the one
    // given to ExitWithError.
    int Run();

    // Connects the application to its session: answers "top_application" on
    // the service's interface (MaemoSession::InterfaceName) by raising the
    // window, once per bus dispatch however many calls came, and follows the
    // display's state. The session must outlive the main loop; DetachSession before it
    // goes.
    void SetupDBus(MaemoSession* session, const NarrowString& service);
    void DetachSession() { m_session = nullptr; }
    // Sets the window's class hint, name and class both `name`.
    void SetClassHint(const NarrowString& name);
    // Asks for full screen, waits until the window is mapped (at most
    // kMapWaitMs) and asks to be the active window.
    void GoFullScreen();
    static constexpr int kMapWaitMs = 5000;
    // Asks the desktop to make the window the active one.
    void Activate();
    // Brings the window back and to the front on the user's behalf: maps it
    // again (which restores a minimised window) and asks the desktop to make
    // it the active one.
    void BringToFront();
    // The session's handlers. The display state: on and dimmed count as on,
    // off as off, other values are ignored. A "top_application" call on the
    // service's interface: BringToFront.
    static void OnDisplayState(int state, void* application);
    static void OnDBusMessage(void* application);

    void EnableAccelerometer(float& interval) override;
    void DisableAccelerometer() override;
    void Exit() override;
    // The end of an application that finds it cannot run (e.g. while
    // initializing): reports the formatted line (ReportError), then Exit
    // with `status` as Run's result: Unload and the window's end run as at
    // a close.
    void ExitWithError(int status, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // Starts "xdg-open" with the address as its one argument (no shell) and
    // returns at once: true when it started. The main loop collects it once
    // it ends, and reports one that failed (UrlOpener).
    bool OpenUrl(const WideString& url) override;
    // Asks the desktop to minimise the application; false without a session.
    bool Minimize() override;
    void SetMinimizable(bool minimizable) override;
    void SetKeepDisplayOn(bool on) override;

    // Asks the main loop to end as if Exit had been called; safe to call from
    // a signal handler. The program entry calls it on SIGTERM, SIGINT and
    // SIGHUP, so that the application's end runs.
    static void RequestTermination();

    // Sets a 32-bit CARDINAL property with one item on the window.
    void SetWindowCardinal(const char* property, long value);
    // Splits LANG into the language and the country of the application
    // globals; unset or empty leaves them alone.
    static void ReadLanguage();

    _XDisplay* GetXDisplay() const { return m_xDisplay; }
    unsigned long GetWindow() const { return m_window; }
    unsigned long GetRootWindow() const { return m_root; }
    bool IsQuitRequested() const { return m_quitRequested; }
    bool IsDisplayOn() const { return m_displayOn; }
    bool IsKeepDisplayOn() const { return m_keepDisplayOn; }
    bool IsAccelerometerOn() const { return m_accelerometerOn; }
    const NarrowString& GetServiceName() const { return m_serviceName; }
    // Whether the window is the desktop's active one and the display is on.
    // With no active-window property at all (no window manager) the window
    // counts as active. The property is read again only once it changed.
    bool IsActiveWindow();
    // Tests point the accelerometer elsewhere.
    void SetAccelerometerPath(const char* path) { m_accelerometerPath = path; }

protected:
    // The main loop's accelerometer step for a frame of `frameSeconds`: a
    // reading (OnAccelerometer) once more than the interval has passed since
    // the last; a missing file switches the accelerometer off, an unreadable
    // line skips the reading.
    void ReadAccelerometer(float frameSeconds);

private:
    struct XHandlers;

    // The construction's steps, in order; each ends the process (status 1,
    // one line) when the platform cannot do its part.
    void OpenConnection();
    void CreateXWindow();
    // Reads the root's "_NET_ACTIVE_WINDOW": whether it names this window.
    bool ReadActiveWindow() const;
    void SelectPointerEvents();
    void SetWindowProperties();
    void ShowWindow();
    void CreateDisplay();

    // Whether requests may still go to the window: it was not destroyed by
    // another client, and the connection to the server holds (the
    // application's Unload after the server went away sends none).
    bool HasWindow() const { return !m_windowLost && !m_connectionLost; }
    // The window was destroyed by another client: Exit, drawing nothing more.
    void LoseWindow();
    // After a loss of the window, takes in the errors of the requests that
    // were on their way; from then on an error on the window is a fault.
    void SettleWindowLoss();
    // The end of the main loop: Unload, and Run's result.
    int EndLoop();

    // One X event, for the running loop and the paused wait alike; while
    // paused, keys are dropped (touches still keep the contact set current).
    // Returns false when the event is a close request or the window's
    // destruction (Exit is then called).
    bool HandleEvent(XEvent& event, bool paused);
    void HandleInputEvent(XEvent& event);
    void Resize(int width, int height);
    // Blocks while paused until the window is active and the display on,
    // dispatching the buses and serving the debug console. Returns false
    // when a close request (or the console's "exit") or the window's loss
    // ended it.
    bool WaitWhilePaused();
    void SendToRoot(unsigned long type, long d0, long d1, long d2, long d3, long d4);
    // Key auto-repeat is a setting of the user's whole X session, which the
    // program leaves alone: the server reports a held key's repeats as
    // presses alone, and the input context drops them. Only a server that
    // cannot do so gets auto-repeat switched off while the window has the
    // keyboard (KeyboardFocus) and the application runs, and put back as it
    // was found whenever the keyboard can go elsewhere (the focus or the
    // pointer leaving, an unmap, a pause) and at the application's end.
    void HoldKeyRepeat();
    void ReleaseKeyRepeat();
    void UpdateKeyRepeat();
    // A focus, crossing or unmap event of the window: where the keyboard
    // goes, and the keys whose releases may be missed from then on.
    void FollowKeyboard(const XEvent& event);
    void FindTouchDevice();

    bool m_quitRequested = false;
    int m_exitStatus = 0;
    bool m_windowLost = false;
    bool m_windowLossSettled = false;
    bool m_connectionLost = false;
    // Between Initialize and Unload.
    bool m_loopRunning = false;
    bool m_displayOn = true;
    bool m_keepDisplayOn = false;
    bool m_accelerometerOn = false;
    float m_accelerometerInterval = 0.0f;
    float m_accelerometerTime = 0.0f;
    const char* m_accelerometerPath = kAccelerometerPath;

    _XDisplay* m_xDisplay = nullptr;
    unsigned long m_window = 0;
    unsigned long m_root = 0;
    unsigned long m_colormap = 0;
    unsigned long m_wmDeleteWindow = 0;
    unsigned long m_netActiveWindow = 0;
    // The root's "_NET_ACTIVE_WINDOW" as last read, and whether it still
    // holds: a property change (PropertyNotify on the root) calls for a new
    // read. Reading it on every pass would make each frame wait for the
    // server to finish the frame before.
    bool m_activeWindowRead = false;
    bool m_activeWindowIsOurs = false;
    int m_xiOpcode = 0;
    int m_touchDeviceId = -1;
    unsigned long m_atomPositionX = 0;
    unsigned long m_atomPositionY = 0;
    unsigned long m_atomTrackingId = 0;
    TouchTracker m_touch;
    UrlOpener m_urlOpener;

    // Whether the server cannot report repeats as such, so that auto-repeat
    // is switched off with the focus; whether it is switched off by this
    // program now, and whether it was on before that.
    bool m_switchKeyRepeat = false;
    bool m_autoRepeatHeld = false;
    bool m_autoRepeatFoundOn = true;
    KeyboardFocus m_keyboardFocus;

    MaemoSession* m_session = nullptr;
    NarrowString m_serviceName;

    static MaemoApplication* s_instance;
};

}  // namespace Voke
