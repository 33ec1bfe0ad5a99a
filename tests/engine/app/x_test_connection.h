// The tests' own X connection: drives the application's window from outside
// with XTest, as a user or a window manager would.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <string>
#include <vector>

namespace Voke {

class XTestConnection {
public:
    explicit XTestConnection(const char* name = nullptr) : display(XOpenDisplay(name)) {}
    ~XTestConnection()
    {
        if (display) XCloseDisplay(display);
    }
    XTestConnection(const XTestConnection&) = delete;
    XTestConnection& operator=(const XTestConnection&) = delete;

    Window Root() const { return DefaultRootWindow(display); }
    Atom Intern(const char* name) { return XInternAtom(display, name, False); }

    void Key(KeySym keysym, bool press)
    {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), press, CurrentTime);
        XSync(display, False);
    }
    void Tap(KeySym keysym)
    {
        Key(keysym, true);
        Key(keysym, false);
    }
    void MoveTo(int x, int y)
    {
        XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
        XSync(display, False);
    }
    void Button(unsigned button, bool press)
    {
        XTestFakeButtonEvent(display, button, press, CurrentTime);
        XSync(display, False);
    }
    void Focus(Window window)
    {
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        XSync(display, False);
    }
    // The root's active-window property, as a window manager keeps it.
    void SetActiveWindow(Window window)
    {
        XChangeProperty(display, Root(), Intern("_NET_ACTIVE_WINDOW"), XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&window), 1);
        XSync(display, False);
    }
    void RemoveActiveWindow()
    {
        XDeleteProperty(display, Root(), Intern("_NET_ACTIVE_WINDOW"));
        XSync(display, False);
    }
    void SendDeleteWindow(Window window)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = Intern("WM_PROTOCOLS");
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(Intern("WM_DELETE_WINDOW"));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);
    }
    // The 32-bit items of a window property; empty when it is absent.
    std::vector<long> Property(Window window, const char* name, Atom* type = nullptr)
    {
        Atom actual = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::vector<long> result;
        if (XGetWindowProperty(display, window, Intern(name), 0, 64, False, AnyPropertyType, &actual, &format,
                               &items, &after, &data) == Success &&
            data && format == 32) {
            const long* values = reinterpret_cast<const long*>(data);
            result.assign(values, values + items);
        }
        if (data) XFree(data);
        if (type) *type = actual;
        return result;
    }
    bool AutoRepeatOn()
    {
        XKeyboardState state{};
        XGetKeyboardControl(display, &state);
        return state.global_auto_repeat == AutoRepeatModeOn;
    }

    ::Display* display;
};

}  // namespace Voke
