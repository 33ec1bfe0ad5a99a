// The engine's own key codes, the same on every platform it serves. The names
// are also those under which scripts see the codes.
#pragma once

#include <cstddef>

namespace Voke {

enum KeyCode : unsigned {
    KEY_INVALID = 0,
    KEY_LEFT = 1,
    KEY_RIGHT = 2,
    KEY_UP = 3,
    KEY_DOWN = 4,
    KEY_LSOFT = 5,
    KEY_SELECT = 6,
    KEY_RSOFT = 7,
    KEY_ESCAPE = 8,
    KEY_BACK = 9,
    KEY_SHIFT = 10,
    KEY_GAMING_A = 11,
    KEY_GAMING_B = 12,
    KEY_0 = 13, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9,
    KEY_HASH = 23,
    KEY_ASTERISK = 24,
    KEY_VOLUME_UP = 25,
    KEY_VOLUME_DOWN = 26,
    KEY_SPACE = 27,
    KEY_AT = 28,
    KEY_APOSTROPHE = 29,
    KEY_TILDE = 30,  // also toggles the debug overlay
    KEY_QUOTE = 31,
    KEY_SLASH = 32,
    KEY_PERIOD = 33,
    KEY_EQUALS = 34,
    // 35 to 37 have no name.
    KEY_LEFT_BRACKET = 38,
    KEY_RIGHT_BRACKET = 39,
    KEY_A = 40, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
    KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z,
    KEY_PSP_TRIANGLE = 66,
    KEY_PSP_CIRCLE,
    KEY_PSP_CROSS,
    KEY_PSP_SQUARE,
    KEY_PSP_L,
    KEY_PSP_R,
    KEY_PSP_START,
    KEY_PSP_SELECT,
    KEY_MENU = 74,
};

struct KeyCodeName {
    const char* name;  // "KEY_LEFT"
    unsigned code;
};

// Every named key code, in code order.
const KeyCodeName* GetKeyCodeNames(std::size_t* count);

}  // namespace Voke
