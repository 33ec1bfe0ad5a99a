#include "engine/app/maemo_input_context.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "engine/app/abstract_app.h"
#include "engine/core/key_codes.h"

namespace Voke {

void MaemoInputContext::HandleKeyEvent(const XEvent* event)
{
    if (event->type != KeyPress && event->type != KeyRelease) return;
    const bool pressed = event->type == KeyPress;
    XKeyEvent copy = event->xkey;  // XLookupKeysym takes a non-const event
    HandleKey(event->xkey.keycode, XLookupKeysym(&copy, 0), pressed);
}

void MaemoInputContext::HandleKey(unsigned keycode, unsigned long keysym, bool pressed)
{
    if (keycode < kKeyCodes) {
        if (pressed && m_keysDown.test(keycode)) return;  // the server's repeat of a held key
        m_keysDown.set(keycode, pressed);
    }
    unsigned code = TranslateKeysym(keysym, pressed);
    if (code == KEY_INVALID || !m_app) return;
    if (pressed)
        m_app->DispatchKeyDown(code);
    else
        m_app->DispatchKeyUp(code);
}

void MaemoInputContext::ForgetKeysUp(const char (&keymap)[kKeymapBytes])
{
    static_assert(kKeymapBytes * 8 == kKeyCodes, "a bit of the keymap for each tracked code");
    // X key codes start at 8: the first byte, which KeymapNotify leaves
    // unset, is not read.
    constexpr unsigned kFirstCode = 8;
    for (unsigned code = 0; code < kKeyCodes; ++code) {
        const bool down = code >= kFirstCode && (static_cast<unsigned char>(keymap[code / 8]) >> (code % 8) & 1u);
        if (!down) m_keysDown.reset(code);
    }
}

unsigned MaemoInputContext::TranslateKey(XEvent* event, bool pressed)
{
    return TranslateKeysym(XLookupKeysym(&event->xkey, 0), pressed);
}

unsigned MaemoInputContext::TranslateKeysym(unsigned long keysym, bool pressed)
{
    switch (keysym) {
    case XK_ISO_Level3_Shift:
        m_functionHeld = pressed;
        return KEY_INVALID;
    case XK_Shift_L:
        m_shiftHeld = pressed;
        return KEY_SHIFT;
    case XK_Control_L:
        return m_functionHeld ? KEY_TILDE : KEY_INVALID;
    case XK_Left: return KEY_LEFT;
    case XK_Right: return KEY_RIGHT;
    case XK_Up: return KEY_UP;
    case XK_Down: return KEY_DOWN;
    case XK_Return:
    case XK_KP_Enter: return KEY_SELECT;
    case XK_BackSpace: return KEY_BACK;
    case XK_space: return KEY_SPACE;
    case XK_period: return KEY_PERIOD;
    default: break;
    }

    unsigned long letter = keysym;
    if (letter >= XK_A && letter <= XK_Z) letter += XK_a - XK_A;
    if (letter < XK_a || letter > XK_z) return KEY_INVALID;
    char c = static_cast<char>('a' + (letter - XK_a));

    if (m_functionHeld) {
        // The top row gives the digits 1 to 9 and 0.
        static const char kTopRow[] = "qwertyuiop";
        for (unsigned i = 0; i < 10; ++i)
            if (kTopRow[i] == c) return i == 9 ? KEY_0 : KEY_1 + i;
        switch (c) {
        case 'a': return KEY_ASTERISK;
        case 'd': return KEY_HASH;
        case 'n': return KEY_QUOTE;
        case 'v': return KEY_SLASH;
        default: break;
        }
    }
    return KEY_A + static_cast<unsigned>(c - 'a');
}

}  // namespace Voke
