#include "engine/app/maemo_application.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/app/clock.h"
#include "engine/app/frame_clock.h"
#include "engine/app/maemo_display.h"
#include "engine/app/maemo_input_context.h"
#include "engine/app/maemo_main.h"
#include "engine/app/maemo_session.h"
#include "engine/core/app_globals.h"
#include "engine/core/report.h"
#include "engine/graphics/maemo_surface.h"

namespace Voke {

MaemoApplication* MaemoApplication::s_instance = nullptr;

namespace {

// The events the window listens to: keys, exposure, structure (map, size),
// focus, the pointer's crossings (where the focus follows the pointer, they
// move the keyboard in and out of the window) and the keys down after each
// FocusIn and EnterNotify.
const long kWindowEventMask = KeyPressMask | KeyReleaseMask | ExposureMask | StructureNotifyMask | FocusChangeMask |
                              EnterWindowMask | LeaveWindowMask | KeymapStateMask;
// Bytes of the client machine's name, the last one forced to 0.
constexpr std::size_t kHostNameBytes = 64;
// The XInput version the touch handling is written against.
constexpr int kXInputMajor = 2;
constexpr int kXInputMinor = 0;
// "_HILDON_NON_COMPOSITED_WINDOW": the desktop shows the window directly.
constexpr long kNonComposited = 1;
// The exit status of a program whose platform cannot be set up.
constexpr int kSetupFailureStatus = 1;
// The exit status when the X server goes away under the program.
constexpr int kConnectionLostStatus = 1;

// The handlers that were in force before the application's, put back when
// it ends.
XErrorHandler g_previousErrorHandler = nullptr;
XIOErrorHandler g_previousConnectionHandler = nullptr;
bool g_handlersInstalled = false;

// Set by a termination signal, read by the main loop (main thread). The
// signal also writes a byte into the wake pipe, which the pause wait polls, so
// a signal that lands just before the wait blocks still ends it.
volatile std::sig_atomic_t g_terminationRequested = 0;
int g_wakePipe[2] = {-1, -1};

}  // namespace

// Xlib's handlers for the two ways the window can go away under the program.
struct MaemoApplication::XHandlers {
    static void Install()
    {
        if (g_handlersInstalled) return;
        g_previousErrorHandler = XSetErrorHandler(OnError);
        g_previousConnectionHandler = XSetIOErrorHandler(OnConnectionLost);
        g_handlersInstalled = true;
    }
    static void Uninstall()
    {
        if (!g_handlersInstalled) return;
        XSetErrorHandler(g_previousErrorHandler);
        XSetIOErrorHandler(g_previousConnectionHandler);
        g_handlersInstalled = false;
    }

    // A request on the window that crossed its destruction by another client
    // fails with BadWindow or BadDrawable (a frame presented just before the
    // DestroyNotify was read): the window is lost, as its DestroyNotify says.
    // Once the loss is settled no request may name the window any more, so a
    // later error on it is a fault and goes, like every other error, to the
    // handler in force before (Xlib's own, which ends the process).
    static int OnError(::Display* display, XErrorEvent* error)
    {
        MaemoApplication* app = s_instance;
        if (app && display == app->m_xDisplay && !app->m_windowLossSettled && error->resourceid == app->m_window &&
            (error->error_code == BadWindow || error->error_code == BadDrawable)) {
            app->LoseWindow();
            return 0;
        }
        return g_previousErrorHandler ? g_previousErrorHandler(display, error) : 0;
    }

    // The X server went away (killed, or the connection closed). The Xlib
    // call that met the loss cannot go on once this returns (it would work
    // on a torn-down connection and crash, even with an exit handler that
    // returns), so the program ends here: one line; the application's
    // Unload, which saves as at a close, when the main loop runs; then status
    // 1 without the exit-time teardown, whose window and EGL parts would
    // reach the dead connection.
    [[noreturn]] static int OnConnectionLost(::Display* display)
    {
        ReportError("X: the connection to the display \"%s\" was lost", DisplayString(display));
        MaemoApplication* app = s_instance;
        if (app && display == app->m_xDisplay) {
            app->m_connectionLost = true;
            if (app->m_loopRunning) {
                app->m_loopRunning = false;
                app->Unload();
            }
        }
        std::fflush(nullptr);
        std::_Exit(kConnectionLostStatus);
    }
};

KeyboardFocus::Step KeyboardFocus::Take(int type, int detail, bool focusFlag)
{
    bool leaving = false;
    switch (type) {
    case FocusIn:
        // NotifyPointer: the focus follows the pointer, which is in the window.
        (detail == NotifyPointer ? m_underPointer : m_focused) = true;
        break;
    case FocusOut:  // of any detail: the window holds no window the keys could go to
    case UnmapNotify:
        m_focused = m_underPointer = false;
        leaving = true;
        break;
    case EnterNotify:
        // The flag is set where the keys go to the window under the pointer:
        // the focus is this window, one around it, the root or PointerRoot.
        if (detail != NotifyInferior) m_underPointer = focusFlag;
        break;
    case LeaveNotify:
        // Into a window of its own (NotifyInferior) the keys still reach it.
        if (detail == NotifyInferior) break;
        m_underPointer = false;
        leaving = true;
        break;
    default:
        break;
    }
    return {leaving && !HasKeyboard(), HasKeyboard()};
}

MaemoApplication::MaemoApplication(uint32_t flags) : AbstractApp(flags)
{
    s_instance = this;
    if (g_wakePipe[0] < 0 && pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) g_wakePipe[0] = g_wakePipe[1] = -1;

    OpenConnection();
    CreateXWindow();
    SelectPointerEvents();
    m_atomPositionX = XInternAtom(m_xDisplay, "Abs MT Position X", False);
    m_atomPositionY = XInternAtom(m_xDisplay, "Abs MT Position Y", False);
    m_atomTrackingId = XInternAtom(m_xDisplay, "Abs MT Tracking ID", False);
    FindTouchDevice();
    SetWindowProperties();
    ShowWindow();
    SetInputContext(new MaemoInputContext(this));
    CreateDisplay();
    ReadLanguage();
    XFlush(m_xDisplay);
}

MaemoApplication::~MaemoApplication()
{
    m_touch.SetDevice(0, {});
    m_inputContext.Reset();
    m_display.Reset();
    MaemoDisplay::ReleaseWindowSurface();
    MaemoSurface::SetNativeWindow(nullptr, 0);
    ::Display* dpy = m_xDisplay;
    ReleaseKeyRepeat();
    // A window destroyed by another client is not destroyed again.
    if (!m_windowLost) XDestroyWindow(dpy, m_window);
    if (m_colormap) XFreeColormap(dpy, m_colormap);
    XCloseDisplay(dpy);
    m_xDisplay = nullptr;
    XHandlers::Uninstall();
    if (s_instance == this) s_instance = nullptr;
}

void MaemoApplication::OpenConnection()
{
    m_xDisplay = XOpenDisplay(nullptr);
    if (!m_xDisplay) {
        const char* name = XDisplayName(nullptr);
        if (!name || !*name) ExitOnError(kSetupFailureStatus, "X: cannot open a display: DISPLAY is not set");
        ExitOnError(kSetupFailureStatus, "X: cannot open the display \"%s\"", name);
    }
    XHandlers::Install();

    int event = 0;
    int error = 0;
    if (!XQueryExtension(m_xDisplay, "XInputExtension", &m_xiOpcode, &event, &error))
        ExitOnError(kSetupFailureStatus, "X: the display \"%s\" has no XInput extension", DisplayString(m_xDisplay));
    int major = kXInputMajor;
    int minor = kXInputMinor;
    if (XIQueryVersion(m_xDisplay, &major, &minor) == BadRequest)
        ExitOnError(kSetupFailureStatus, "X: the display \"%s\" does not offer XInput %d.%d", DisplayString(m_xDisplay),
                    kXInputMajor, kXInputMinor);

    // A held key's repeats then come as presses without releases, for this
    // connection alone (the setting ends with it), and the input context
    // drops them. Without it, auto-repeat is switched off with the focus.
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(m_xDisplay, True, &detectable);
    m_switchKeyRepeat = !detectable;
}

void MaemoApplication::CreateXWindow()
{
    // The window takes the visual the EGL configuration needs on this screen
    // (the handset's is 16-bit, a desktop's usually 24-bit).
    ::Display* dpy = m_xDisplay;
    const int screen = DefaultScreen(dpy);
    m_root = RootWindow(dpy, screen);
    unsigned long visualId = MaemoSurface::ChooseWindowVisual(dpy, DefaultDepth(dpy, screen));
    if (!visualId) ExitOnError(kSetupFailureStatus, "X: no window visual suits OpenGL ES 2.0 on this screen");
    XVisualInfo wanted{};
    wanted.visualid = visualId;
    int count = 0;
    XVisualInfo* visual = XGetVisualInfo(dpy, VisualIDMask, &wanted, &count);
    if (!visual || count < 1)
        ExitOnError(kSetupFailureStatus, "X: the EGL configuration's visual 0x%lx is not on this screen", visualId);
    m_colormap = XCreateColormap(dpy, m_root, visual->visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.event_mask = kWindowEventMask;
    attributes.colormap = m_colormap;
    attributes.border_pixel = 0;  // required when the depth differs from the root's
    m_window = XCreateWindow(dpy, m_root, 0, 0, kWindowWidth, kWindowHeight, 0, visual->depth, InputOutput,
                             visual->visual, CWEventMask | CWColormap | CWBorderPixel, &attributes);
    XFree(visual);
    // Property changes of the root carry the active window; the pause wait
    // wakes on them.
    XSelectInput(dpy, m_root, PropertyChangeMask);
}

void MaemoApplication::SelectPointerEvents()
{
    unsigned char maskBytes[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(maskBytes, XI_ButtonPress);
    XISetMask(maskBytes, XI_ButtonRelease);
    XISetMask(maskBytes, XI_Motion);
    XIEventMask mask{};
    mask.deviceid = XIAllDevices;
    mask.mask_len = sizeof(maskBytes);
    mask.mask = maskBytes;
    XISelectEvents(m_xDisplay, m_window, &mask, 1);
}

void MaemoApplication::SetWindowProperties()
{
    ::Display* dpy = m_xDisplay;
    long fullScreen = static_cast<long>(XInternAtom(dpy, "_NET_WM_STATE_FULLSCREEN", False));
    XChangeProperty(dpy, m_window, XInternAtom(dpy, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&fullScreen), 1);
    long nonComposited = kNonComposited;
    XChangeProperty(dpy, m_window, XInternAtom(dpy, "_HILDON_NON_COMPOSITED_WINDOW", False), XA_INTEGER, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&nonComposited), 1);
    long pid = static_cast<long>(getpid());
    XChangeProperty(dpy, m_window, XInternAtom(dpy, "_NET_WM_PID", False), XInternAtom(dpy, "CARDINAL", False),
                    32, PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);

    char host[kHostNameBytes] = {};
    gethostname(host, sizeof(host));
    host[sizeof(host) - 1] = 0;
    char* hostList[] = {host};
    XTextProperty machine{};
    if (XStringListToTextProperty(hostList, 1, &machine)) {
        XSetWMClientMachine(dpy, m_window, &machine);
        XFree(machine.value);
    }

    m_wmDeleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    Atom protocols[] = {m_wmDeleteWindow};
    XSetWMProtocols(dpy, m_window, protocols, 1);
    m_netActiveWindow = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
    m_activeWindowRead = false;
}

void MaemoApplication::ShowWindow()
{
    ::Display* dpy = m_xDisplay;
    XMapWindow(dpy, m_window);
    XStoreName(dpy, m_window, ApplicationTitle.c_str());

    XWMHints* hints = XGetWMHints(dpy, m_window);
    if (!hints) {
        XWMHints input{};
        input.flags = InputHint;
        input.input = True;
        XSetWMHints(dpy, m_window, &input);
    } else {
        hints->input = True;
        hints->flags |= InputHint;
        XSetWMHints(dpy, m_window, hints);
        XFree(hints);
    }
}

void MaemoApplication::CreateDisplay()
{
    MaemoSurface::SetNativeWindow(m_xDisplay, m_window);
    SmartPtr<MaemoDisplay> display = MaemoDisplay::Create(kWindowWidth, kWindowHeight);
    if (!display) ExitOnError(kSetupFailureStatus, "X: the window has no EGL surface to draw into");
    SetDisplay(display);
}

void MaemoApplication::FindTouchDevice()
{
    ::Display* dpy = m_xDisplay;
    int count = 0;
    XIDeviceInfo* masters = XIQueryDevice(dpy, XIAllMasterDevices, &count);
    int pointerId = -1;
    for (int i = 0; masters && i < count; ++i) {
        if (masters[i].use == XIMasterPointer) {
            pointerId = masters[i].deviceid;
            break;
        }
    }
    if (masters) XIFreeDeviceInfo(masters);
    // No master pointer: no touches (a sound default the desktop never needs).
    if (pointerId < 0) return;

    XIDeviceInfo* device = XIQueryDevice(dpy, pointerId, &count);
    if (!device || count < 1) {
        if (device) XIFreeDeviceInfo(device);
        return;
    }
    m_touchDeviceId = pointerId;
    int buttonSource = -1;
    std::vector<TouchTracker::Valuator> valuators;
    for (int i = 0; i < device->num_classes; ++i) {
        XIAnyClassInfo* info = device->classes[i];
        if (info->type == XIButtonClass && buttonSource < 0) buttonSource = info->sourceid;
        if (info->type != XIValuatorClass) continue;
        XIValuatorClassInfo* valuator = reinterpret_cast<XIValuatorClassInfo*>(info);
        TouchTracker::Label label = TouchTracker::Label::kOther;
        if (valuator->label == m_atomPositionX)
            label = TouchTracker::Label::kPositionX;
        else if (valuator->label == m_atomPositionY)
            label = TouchTracker::Label::kPositionY;
        else if (valuator->label == m_atomTrackingId)
            label = TouchTracker::Label::kTrackingId;
        valuators.push_back({valuator->number, label});
    }
    XIFreeDeviceInfo(device);

    // "Max Contacts" of the button class's source device; a device without
    // it (every mouse) keeps zero contacts.
    unsigned maxContacts = 0;
    Atom property = XInternAtom(dpy, "Max Contacts", True);
    if (buttonSource >= 0 && property != None) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XIGetProperty(dpy, buttonSource, property, 0, 1, False, XA_INTEGER, &type, &format, &items, &after,
                          &data) == Success &&
            type == XA_INTEGER && items > 0 && data)
            maxContacts = data[0];
        if (data) XFree(data);
    }
    m_touch.SetDevice(maxContacts, std::move(valuators));
}

void MaemoApplication::ReadLanguage()
{
    const char* lang = std::getenv("LANG");
    if (!lang || !*lang) return;
    AppGlobals* globals = AppGlobals::Instance()->globals;
    if (!globals) return;
    NarrowString value(lang);
    std::size_t split = value.find('_');
    if (split == NarrowString::npos) {
        globals->language = value;
        globals->country = value;
    } else {
        globals->language = value.substr(0, split);
        globals->country = value.substr(split + 1);
    }
}

void MaemoApplication::SetupDBus(MaemoSession* session, const NarrowString& service)
{
    m_session = session;
    m_serviceName = service;
    if (!session) return;
    session->SetDisplayStateHandler(OnDisplayState, this);
    // The service's interface: the service name unless it holds characters
    // that interface names cannot (a program named "vex-bolt").
    session->WatchMethodCall(MaemoSession::InterfaceName(service), "top_application", OnDBusMessage, this);
}

void MaemoApplication::OnDisplayState(int state, void* application)
{
    MaemoApplication* app = static_cast<MaemoApplication*>(application);
    if (state == MaemoSession::kDisplayOn || state == MaemoSession::kDisplayDimmed)
        app->m_displayOn = true;
    else if (state == MaemoSession::kDisplayOff)
        app->m_displayOn = false;
}

void MaemoApplication::OnDBusMessage(void* application)
{
    static_cast<MaemoApplication*>(application)->BringToFront();
}

void MaemoApplication::SendToRoot(unsigned long type, long d0, long d1, long d2, long d3, long d4)
{
    if (!HasWindow()) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = m_window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = d0;
    event.xclient.data.l[1] = d1;
    event.xclient.data.l[2] = d2;
    event.xclient.data.l[3] = d3;
    event.xclient.data.l[4] = d4;
    // A desktop's window manager takes requests to the root window with the
    // redirect mask (the notify mask alone reaches only onlookers).
    XSendEvent(m_xDisplay, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(m_xDisplay);
}

void MaemoApplication::Activate()
{
    // Source indication 1: the request comes from an application.
    SendToRoot(m_netActiveWindow, 1, 0, 0, 0, 0);
}

void MaemoApplication::BringToFront()
{
    if (!HasWindow()) return;
    // A minimised (iconic) window is restored by mapping it again; mapping a
    // window that is mapped changes nothing.
    XMapWindow(m_xDisplay, m_window);
    // Source indication 2, on the user's behalf: the call stands for the
    // user asking for the program. A window manager that keeps applications
    // from taking the focus refuses an application's own request while the
    // user works in another window.
    SendToRoot(m_netActiveWindow, 2, CurrentTime, 0, 0, 0);
}

void MaemoApplication::SetClassHint(const NarrowString& name)
{
    if (!HasWindow()) return;
    XClassHint* hint = XAllocClassHint();
    if (!hint) return;
    NarrowString copy = name;
    hint->res_name = copy.data();
    hint->res_class = copy.data();
    XSetClassHint(m_xDisplay, m_window, hint);
    XFree(hint);
    XFlush(m_xDisplay);
}

void MaemoApplication::GoFullScreen()
{
    if (!HasWindow()) return;
    ::Display* dpy = m_xDisplay;
    Atom state = XInternAtom(dpy, "_NET_WM_STATE", False);
    Atom fullScreen = XInternAtom(dpy, "_NET_WM_STATE_FULLSCREEN", False);
    SendToRoot(state, 1, static_cast<long>(fullScreen), 0, 0, 0);

    // Wait for the window to be mapped; what comes before is discarded, so the
    // size is read afresh afterwards. Bounded: a window mapped before this
    // call has no MapNotify left to wait for.
    const int64_t deadline = GetTimeMs() + kMapWaitMs;
    bool mapped = false;
    while (!mapped) {
        while (!mapped && XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            if (event.type == MapNotify && event.xmap.window == m_window)
                mapped = true;
            else if (event.type == GenericEvent && XGetEventData(dpy, &event.xcookie))
                XFreeEventData(dpy, &event.xcookie);
        }
        int64_t left = deadline - GetTimeMs();
        if (mapped || left <= 0) break;
        pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left));
    }
    XWindowAttributes window{};
    if (XGetWindowAttributes(dpy, m_window, &window)) Resize(window.width, window.height);

    m_netActiveWindow = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
    m_activeWindowRead = false;
    Activate();
    XFlush(dpy);
}

void MaemoApplication::Exit() { m_quitRequested = true; }

void MaemoApplication::ExitWithError(int status, const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    ReportErrorList(format, arguments);
    va_end(arguments);
    m_exitStatus = status;
    Exit();
}

void MaemoApplication::LoseWindow()
{
    m_windowLost = true;
    Exit();
}

void MaemoApplication::SettleWindowLoss()
{
    if (!m_windowLost || m_windowLossSettled) return;
    // The errors of requests still in flight when the window went arrive
    // here, and are absorbed.
    XSync(m_xDisplay, False);
    m_windowLossSettled = true;
}

int MaemoApplication::EndLoop()
{
    m_loopRunning = false;
    SettleWindowLoss();
    Unload();
    return m_exitStatus;
}

void MaemoApplication::RequestTermination()
{
    g_terminationRequested = 1;
    if (g_wakePipe[1] >= 0) {
        ssize_t ignored = write(g_wakePipe[1], "t", 1);  // a full pipe already wakes the wait
        (void)ignored;
    }
}

bool MaemoApplication::OpenUrl(const WideString& url)
{
    NarrowString address = ToNarrowString(url);
    if (address.empty()) return false;
    return m_urlOpener.Open(address);
}

bool MaemoApplication::Minimize()
{
    if (!m_session) return false;
    return m_session->SendSignal("/", "com.nokia.hildon_desktop", "exit_app_view");
}

void MaemoApplication::SetMinimizable(bool minimizable)
{
    SetWindowCardinal("_MEEGOTOUCH_CANNOT_MINIMIZE", minimizable ? 0 : 1);
}

void MaemoApplication::SetKeepDisplayOn(bool on) { m_keepDisplayOn = on; }

void MaemoApplication::SetWindowCardinal(const char* property, long value)
{
    if (!HasWindow()) return;
    Atom atom = XInternAtom(m_xDisplay, property, False);
    if (atom == None) return;
    XChangeProperty(m_xDisplay, m_window, atom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
    XFlush(m_xDisplay);
}

void MaemoApplication::EnableAccelerometer(float& interval)
{
    m_accelerometerInterval = interval;
    m_accelerometerTime = interval;
    m_accelerometerOn = true;
}

void MaemoApplication::DisableAccelerometer() { m_accelerometerOn = false; }

bool MaemoApplication::IsActiveWindow()
{
    if (!m_activeWindowRead) {
        m_activeWindowIsOurs = ReadActiveWindow();
        m_activeWindowRead = true;
    }
    return m_activeWindowIsOurs && m_displayOn;
}

void MaemoApplication::HoldKeyRepeat()
{
    if (!m_switchKeyRepeat || m_autoRepeatHeld || !HasWindow()) return;
    XKeyboardState state{};
    XGetKeyboardControl(m_xDisplay, &state);
    m_autoRepeatFoundOn = state.global_auto_repeat == AutoRepeatModeOn;
    XAutoRepeatOff(m_xDisplay);
    XFlush(m_xDisplay);
    m_autoRepeatHeld = true;
}

void MaemoApplication::ReleaseKeyRepeat()
{
    if (!m_autoRepeatHeld) return;
    m_autoRepeatHeld = false;
    if (m_autoRepeatFoundOn) XAutoRepeatOn(m_xDisplay);
    XFlush(m_xDisplay);
}

void MaemoApplication::UpdateKeyRepeat()
{
    if (m_keyboardFocus.HasKeyboard() && !m_paused)
        HoldKeyRepeat();
    else
        ReleaseKeyRepeat();
}

void MaemoApplication::FollowKeyboard(const XEvent& event)
{
    int detail = 0;
    bool focusFlag = false;
    if (event.type == FocusIn || event.type == FocusOut) detail = event.xfocus.detail;
    if (event.type == EnterNotify || event.type == LeaveNotify) {
        detail = event.xcrossing.detail;
        focusFlag = event.xcrossing.focus;
    }
    if (m_keyboardFocus.Take(event.type, detail, focusFlag).forgetKeys && m_inputContext)
        m_inputContext->ForgetKeysDown();
    UpdateKeyRepeat();
}

bool MaemoApplication::ReadActiveWindow() const
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool active = false;
    if (XGetWindowProperty(m_xDisplay, m_root, m_netActiveWindow, 0, 1, False, XA_WINDOW, &type, &format, &items,
                           &after, &data) == Success) {
        if (type == None)
            active = true;  // no window manager keeps the property: nothing else competes
        else if (type == XA_WINDOW && format == 32 && items >= 1 && data)
            active = reinterpret_cast<unsigned long*>(data)[0] == m_window;
    }
    if (data) XFree(data);
    return active;
}

void MaemoApplication::Resize(int width, int height)
{
    MaemoSurface* surface = MaemoDisplay::GetWindowSurface();
    if (surface && surface->GetWidth() == width && surface->GetHeight() == height) return;
    m_display.Reset();
    SetDisplay(MaemoDisplay::Create(width, height));
}

void MaemoApplication::HandleInputEvent(XEvent& event)
{
    XGenericEventCookie* cookie = &event.xcookie;
    if (cookie->extension != m_xiOpcode || !XGetEventData(m_xDisplay, cookie)) return;
    if (cookie->evtype == XI_ButtonPress || cookie->evtype == XI_ButtonRelease || cookie->evtype == XI_Motion) {
        const XIDeviceEvent* device = static_cast<const XIDeviceEvent*>(cookie->data);
        if (m_touch.IsMultiTouch()) {
            const XIValuatorState& state = device->valuators;
            std::size_t values = 0;
            for (int i = 0; i < state.mask_len * 8; ++i)
                if (XIMaskIsSet(state.mask, i)) ++values;
            m_touch.HandleValuators(state.mask, state.mask_len, state.values, values, this);
        } else if (device->deviceid == m_touchDeviceId) {
            // Every device's copy arrives; the master's alone counts.
            TouchTracker::PointerKind kind = cookie->evtype == XI_ButtonPress     ? TouchTracker::PointerKind::kPress
                                             : cookie->evtype == XI_ButtonRelease ? TouchTracker::PointerKind::kRelease
                                                                                  : TouchTracker::PointerKind::kMotion;
            m_touch.HandlePointer(kind, device->detail, device->event_x, device->event_y, this);
        }
    }
    XFreeEventData(m_xDisplay, cookie);
}

bool MaemoApplication::HandleEvent(XEvent& event, bool paused)
{
    switch (event.type) {
    case KeyPress:
    case KeyRelease:
        if (m_inputContext && !paused) m_inputContext->HandleKeyEvent(&event);
        break;
    case FocusIn:
    case FocusOut:
    case EnterNotify:
    case LeaveNotify:
    case UnmapNotify:
        FollowKeyboard(event);
        break;
    case KeymapNotify:
        // The keys released while the keyboard was elsewhere are up.
        if (m_inputContext) m_inputContext->ForgetKeysUp(event.xkeymap.key_vector);
        break;
    case Expose:
        RenderFrame();
        break;
    case PropertyNotify:
        if (event.xproperty.window == m_root && event.xproperty.atom == m_netActiveWindow) m_activeWindowRead = false;
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == m_window) Resize(event.xconfigure.width, event.xconfigure.height);
        break;
    case ClientMessage:
        if (event.xclient.format == 32 && static_cast<unsigned long>(event.xclient.data.l[0]) == m_wmDeleteWindow) {
            Exit();
            return false;
        }
        break;
    case DestroyNotify:
        // Another client destroyed the window (a close without asking).
        if (event.xdestroywindow.window == m_window) {
            LoseWindow();
            return false;
        }
        break;
    case GenericEvent:
        HandleInputEvent(event);
        break;
    default:
        break;
    }
    return true;
}

void MaemoApplication::ReadAccelerometer(float frameSeconds)
{
    m_accelerometerTime += frameSeconds;
    if (!(m_accelerometerTime > m_accelerometerInterval)) return;
    m_accelerometerTime = 0.0f;
    FILE* file = std::fopen(m_accelerometerPath, "r");
    if (!file) {
        m_accelerometerOn = false;
        return;
    }
    int a = 0;
    int b = 0;
    int c = 0;
    int parsed = std::fscanf(file, "(%d,%d,%d)", &a, &b, &c);
    std::fclose(file);
    if (parsed != 3) return;  // an unreadable line: no reading this time
    float x = static_cast<float>(b) * 0.001f;
    float y = static_cast<float>(a) * 0.001f;
    float z = static_cast<float>(c) * 0.001f;
    OnAccelerometer(x, y, z);
}

bool MaemoApplication::WaitWhilePaused()
{
    ::Display* dpy = m_xDisplay;
    for (;;) {
        if (g_terminationRequested) {
            Exit();
            return false;
        }
        if (!HasWindow()) return false;
        // Without a system bus nobody can report the display on again.
        if (!m_displayOn && (!m_session || m_session->GetSystemFd() < 0)) m_displayOn = true;
        if (IsActiveWindow()) return true;

        std::vector<pollfd> fds;
        while (!XPending(dpy)) {
            if (!HasWindow()) return false;
            fds.clear();
            fds.push_back({ConnectionNumber(dpy), POLLIN, 0});
            if (g_wakePipe[0] >= 0) fds.push_back({g_wakePipe[0], POLLIN, 0});
            // The buses wake it for their messages, and for the replies the
            // socket did not take yet.
            if (m_session) m_session->AppendWaitDescriptors(fds);
            // The debug console serves its clients while paused; its "exit"
            // ends the wait like a close request.
            const std::size_t console = fds.size();
            if (int fd = GetConsoleWakeDescriptor(); fd >= 0) fds.push_back({fd, POLLIN, 0});
            const bool consoleWatched = fds.size() > console;
            // An opener that ends is collected while paused too.
            m_urlOpener.AppendWaitDescriptors(fds);
            // Messages received beyond a dispatch's share are served
            // without waiting for more.
            const int timeout = m_session && m_session->HasQueuedMessages() ? 0 : -1;
            if (poll(fds.data(), fds.size(), timeout) < 0) {
                if (errno != EINTR) return true;
                break;  // a signal: look at the termination flag
            }
            if (g_terminationRequested) break;
            m_urlOpener.Collect();
            if (consoleWatched && fds[console].revents) {
                ServeConsoleWhilePaused();
                if (m_quitRequested) return false;
            }
            if (m_session) {
                bool wasOn = m_displayOn;
                m_session->Dispatch();
                if (m_displayOn != wasOn || (!m_displayOn && m_session->GetSystemFd() < 0)) break;
            }
        }
        while (XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            if (!HandleEvent(event, true)) return false;
        }
    }
}

int MaemoApplication::Run()
{
    ::Display* dpy = m_xDisplay;
    Initialize();
    m_loopRunning = true;
    FrameClock clock;
    clock.Restart(GetTimeMs());

    for (;;) {
        if (g_terminationRequested) Exit();
        if (m_quitRequested) return EndLoop();
        if (m_session) {
            m_session->Dispatch();
            if (m_keepDisplayOn) {
                m_session->RequestDisplayOn();
                m_session->PauseBlanking();
            }
        }

        while (HasWindow() && XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            HandleEvent(event, false);
        }
        m_urlOpener.Collect();

        bool active = IsActiveWindow();
        // Lost while draining or reading: nothing is drawn any more, and the
        // next pass ends the loop.
        if (!HasWindow()) continue;
        if (active && m_paused)
            SetActive(true);
        else if (!active && !m_paused)
            SetActive(false);
        // Keys are dropped while paused, their releases too: none stays down,
        // and the server's auto-repeat is the user's meanwhile.
        if (m_paused && m_inputContext) m_inputContext->ForgetKeysDown();
        UpdateKeyRepeat();

        float seconds = clock.Next(GetTimeMs());
        if (m_accelerometerOn && !m_paused) ReadAccelerometer(seconds);

        Tick(seconds);

        if (m_paused) {
            if (!WaitWhilePaused()) return EndLoop();
            // The time spent paused is not a frame.
            clock.Restart(GetTimeMs());
        }
    }
}

}  // namespace Voke
