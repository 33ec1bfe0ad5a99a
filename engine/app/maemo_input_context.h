// The keyboard input context: turns X key events of the hardware keyboard into
// engine key codes and hands them to the application's key dispatch. The
// keyboard's function key (ISO_Level3_Shift) turns the top letter row into
// digits and a few letters into symbols; the context tracks it itself.
//
// A key held down is one press: the X server repeats it as presses alone
// (detectable auto-repeat, which the application asks for), and the context
// drops the press of a key it already holds down.
#pragma once

#include <bitset>

#include "engine/core/ref_counter.h"

typedef union _XEvent XEvent;

namespace Voke {

class AbstractApp;

class MaemoInputContext : public RefCounter {
public:
    explicit MaemoInputContext(AbstractApp* app) : m_app(app) {}

    // Dispatches KeyPress and KeyRelease events that map to a key code; other
    // events are ignored, and so is the press of a key already down.
    void HandleKeyEvent(const XEvent* event);
    // The same for the X key code `keycode` whose keysym is `keysym`. A
    // release is translated and dispatched whether or not its key was down.
    void HandleKey(unsigned keycode, unsigned long keysym, bool pressed);
    // Forgets which keys are down: the keyboard has left the window or the
    // application pauses, and the releases of the keys held then go elsewhere
    // or are dropped. The held flags stay as they are. No release is
    // dispatched for a forgotten key: it may still be held, and its release,
    // when it comes here, passes on as always.
    void ForgetKeysDown() { m_keysDown.reset(); }
    // Forgets the keys that `keymap` says are up: a bit per X key code, the
    // lowest bit of byte 0 for code 0, as KeymapNotify gives it. Codes 0 to
    // 7, which X never sends, count as up (their byte is not read). Keys it
    // says are down are not added.
    static constexpr unsigned kKeymapBytes = 32;
    void ForgetKeysUp(const char (&keymap)[kKeymapBytes]);
    bool IsKeyDown(unsigned keycode) const { return keycode < kKeyCodes && m_keysDown.test(keycode); }

    // The key code of an X key event (0 for none); updates the held flags.
    unsigned TranslateKey(XEvent* event, bool pressed);
    // The same for an X keysym.
    unsigned TranslateKeysym(unsigned long keysym, bool pressed);

    bool IsShiftHeld() const { return m_shiftHeld; }
    bool IsFunctionHeld() const { return m_functionHeld; }

private:
    // NOTE: X key codes are one byte (8 to 255 in use); a code beyond is not
    // tracked, and each of its presses is passed on.
    static constexpr unsigned kKeyCodes = 256;

    bool m_shiftHeld = false;
    bool m_functionHeld = false;
    std::bitset<kKeyCodes> m_keysDown;
    AbstractApp* m_app;  // the owner, which outlives the context
};

}  // namespace Voke
