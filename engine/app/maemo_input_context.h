// The keyboard input context: turns X key events of the hardware keyboard into
// engine key codes and hands them to the application's key dispatch. The
// keyboard's function key (ISO_Level3_Shift) turns the top letter row into
// digits and a few letters into symbols; the context tracks it itself.
#pragma once

#include "engine/core/ref_counter.h"

typedef union _XEvent XEvent;

namespace Voke {

class AbstractApp;

class MaemoInputContext : public RefCounter {
public:
    explicit MaemoInputContext(AbstractApp* app) : m_app(app) {}

    // Dispatches KeyPress and KeyRelease events that map to a key code; other
    // events are ignored.
    void HandleKeyEvent(const XEvent* event);

    // The key code of an X key event (0 for none); updates the held flags.
    unsigned TranslateKey(XEvent* event, bool pressed);
    // The same for an X keysym.
    unsigned TranslateKeysym(unsigned long keysym, bool pressed);

    bool IsShiftHeld() const { return m_shiftHeld; }
    bool IsFunctionHeld() const { return m_functionHeld; }

private:
    bool m_shiftHeld = false;
    bool m_functionHeld = false;
    AbstractApp* m_app;  // the owner, which outlives the context
};

}  // namespace Voke
