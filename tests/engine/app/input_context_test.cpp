#include "engine/app/maemo_input_context.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>
// After gtest, whose names X.h's None would hide.
#include <X11/X.h>

#include <string>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/app/clock.h"
#include "engine/app/maemo_application.h"
#include "engine/core/key_codes.h"

namespace Voke {
namespace {

TEST(KeyTranslationTest, EveryKeysymOfTheTable)
{
    SmartPtr<MaemoInputContext> context(new MaemoInputContext(nullptr));
    struct Row {
        unsigned long keysym;
        unsigned plain;
        unsigned withFunction;
    };
    const Row rows[] = {
        {XK_Left, KEY_LEFT, KEY_LEFT}, {XK_KP_Enter, KEY_SELECT, KEY_SELECT}, {XK_BackSpace, KEY_BACK, KEY_BACK},
        {XK_Control_L, KEY_INVALID, KEY_TILDE}, {XK_p, KEY_P, KEY_0}, {XK_a, KEY_A, KEY_ASTERISK},
        {XK_v, KEY_V, KEY_SLASH}, {XK_z, KEY_Z, KEY_Z}, {XK_Q, KEY_Q, KEY_1}, {XK_F1, KEY_INVALID, KEY_INVALID},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(context->TranslateKeysym(row.keysym, true), row.plain) << row.keysym;
        EXPECT_EQ(context->TranslateKeysym(XK_ISO_Level3_Shift, true), KEY_INVALID);
        EXPECT_EQ(context->TranslateKeysym(row.keysym, true), row.withFunction) << row.keysym;
        EXPECT_EQ(context->TranslateKeysym(XK_ISO_Level3_Shift, false), KEY_INVALID);
    }
}

TEST(KeyTranslationTest, ModifiersFollowTheirKeys)
{
    MaemoInputContext context(nullptr);
    // The release uses the function flag of the moment of release.
    EXPECT_EQ(context.TranslateKeysym(XK_ISO_Level3_Shift, true), KEY_INVALID);
    EXPECT_TRUE(context.IsFunctionHeld());
    EXPECT_EQ(context.TranslateKeysym(XK_q, true), KEY_1);
    EXPECT_EQ(context.TranslateKeysym(XK_ISO_Level3_Shift, false), KEY_INVALID);
    EXPECT_EQ(context.TranslateKeysym(XK_q, false), KEY_Q);

    // Shift is reported and recorded but changes no letter.
    EXPECT_EQ(context.TranslateKeysym(XK_Shift_L, true), KEY_SHIFT);
    EXPECT_TRUE(context.IsShiftHeld());
    EXPECT_EQ(context.TranslateKeysym(XK_a, true), KEY_A);
    EXPECT_EQ(context.TranslateKeysym(XK_Shift_L, false), KEY_SHIFT);
    EXPECT_FALSE(context.IsShiftHeld());
}

// The keys the context dispatches, as "down N" and "up N".
class KeyRecordingApp : public AbstractApp {
public:
    KeyRecordingApp() : AbstractApp(0) {}
    void OnKeyDown(unsigned key) override { keys.push_back("down " + std::to_string(key)); }
    void OnKeyUp(unsigned key) override { keys.push_back("up " + std::to_string(key)); }
    std::vector<std::string> keys;
};

std::string Down(unsigned key) { return "down " + std::to_string(key); }
std::string Up(unsigned key) { return "up " + std::to_string(key); }

// X key codes of a desktop keyboard.
constexpr unsigned kCodeQ = 24, kCodeA = 38, kCodeReturn = 36, kCodeKeypadEnter = 104, kCodeLevel3 = 92;

// The server repeats a held key as presses alone.
TEST(HeldKeyTest, EachKeyIsOnePressUntilItsRelease)
{
    SmartPtr<KeyRecordingApp> app(new KeyRecordingApp);
    SmartPtr<MaemoInputContext> context(new MaemoInputContext(app));
    for (int i = 0; i < 4; ++i) context->HandleKey(kCodeQ, XK_q, true);
    EXPECT_TRUE(context->IsKeyDown(kCodeQ));
    // Another key while q repeats.
    context->HandleKey(kCodeA, XK_a, true);
    context->HandleKey(kCodeQ, XK_q, true);
    context->HandleKey(kCodeA, XK_a, true);
    context->HandleKey(kCodeA, XK_a, false);
    context->HandleKey(kCodeQ, XK_q, true);
    context->HandleKey(kCodeQ, XK_q, false);
    EXPECT_FALSE(context->IsKeyDown(kCodeQ));
    context->HandleKey(kCodeQ, XK_q, true);
    context->HandleKey(kCodeQ, XK_q, false);
    // Two keys that give the same engine key are held apart.
    context->HandleKey(kCodeReturn, XK_Return, true);
    context->HandleKey(kCodeKeypadEnter, XK_KP_Enter, true);
    context->HandleKey(kCodeKeypadEnter, XK_KP_Enter, false);
    context->HandleKey(kCodeReturn, XK_Return, true);
    context->HandleKey(kCodeReturn, XK_Return, false);
    EXPECT_EQ(app->keys, (std::vector<std::string>{Down(KEY_Q), Down(KEY_A), Up(KEY_A), Up(KEY_Q), Down(KEY_Q),
                                                   Up(KEY_Q), Down(KEY_SELECT), Down(KEY_SELECT), Up(KEY_SELECT),
                                                   Up(KEY_SELECT)}));
}

TEST(HeldKeyTest, ReleasesPassAndForgettingEndsEveryHold)
{
    SmartPtr<KeyRecordingApp> app(new KeyRecordingApp);
    SmartPtr<MaemoInputContext> context(new MaemoInputContext(app));
    // A release whose press went to another window.
    context->HandleKey(kCodeQ, XK_q, false);
    // The keyboard leaves while q is held, and comes back while it still is.
    context->HandleKey(kCodeQ, XK_q, true);
    context->ForgetKeysDown();
    EXPECT_FALSE(context->IsKeyDown(kCodeQ));
    context->HandleKey(kCodeQ, XK_q, true);
    // The function key's flag follows its own events alone.
    context->HandleKey(kCodeLevel3, XK_ISO_Level3_Shift, true);
    context->ForgetKeysDown();
    EXPECT_TRUE(context->IsFunctionHeld());
    context->HandleKey(kCodeLevel3, XK_ISO_Level3_Shift, true);
    context->HandleKey(kCodeA, XK_a, true);
    context->HandleKey(kCodeLevel3, XK_ISO_Level3_Shift, false);
    EXPECT_FALSE(context->IsFunctionHeld());
    // A code past the tracked range is not held: every press passes.
    context->HandleKey(300, XK_z, true);
    context->HandleKey(300, XK_z, true);
    EXPECT_EQ(app->keys, (std::vector<std::string>{Up(KEY_Q), Down(KEY_Q), Down(KEY_Q), Down(KEY_ASTERISK),
                                                   Down(KEY_Z), Down(KEY_Z)}));
}

// KeymapNotify after the keyboard came back: a key released elsewhere is
// pressed afresh, one still held keeps repeating as nothing.
TEST(HeldKeyTest, KeysTheKeymapSaysAreUpAreForgotten)
{
    SmartPtr<KeyRecordingApp> app(new KeyRecordingApp);
    SmartPtr<MaemoInputContext> context(new MaemoInputContext(app));
    constexpr unsigned kCodeBelowX = 3;  // X never sends it; a stray call may
    for (unsigned code : {kCodeQ, kCodeA, kCodeBelowX}) context->HandleKey(code, XK_z, true);
    char keymap[MaemoInputContext::kKeymapBytes] = {};
    keymap[0] = static_cast<char>(0xff);  // not filled in by KeymapNotify
    keymap[kCodeA / 8] = static_cast<char>(1u << (kCodeA % 8));
    context->ForgetKeysUp(keymap);
    EXPECT_FALSE(context->IsKeyDown(kCodeQ));
    EXPECT_TRUE(context->IsKeyDown(kCodeA));
    EXPECT_FALSE(context->IsKeyDown(kCodeBelowX));
    // A key down in the keymap that was pressed elsewhere is not taken up.
    keymap[kCodeReturn / 8] |= static_cast<char>(1u << (kCodeReturn % 8));
    context->ForgetKeysUp(keymap);
    EXPECT_FALSE(context->IsKeyDown(kCodeReturn));
}

// What the window's focus and crossing events say about the keyboard, in
// the orders an X server sends them: first where the focus follows the
// pointer (no window manager), then with a focus of its own.
TEST(KeyboardFocusTest, FollowsItsFocusAndThePointerWhereTheFocusFollowsIt)
{
    struct {
        const char* what;
        int type;
        int detail;
        bool focusFlag;
        bool forgetKeys;
        bool hasKeyboard;
    } const events[] = {
        {"mapped under the pointer, focus PointerRoot", EnterNotify, NotifyAncestor, true, false, true},
        {"over another window", LeaveNotify, NotifyNonlinear, true, true, false},
        {"back", EnterNotify, NotifyNonlinear, true, false, true},
        {"into a window of its own", LeaveNotify, NotifyInferior, true, false, true},
        {"out of it", EnterNotify, NotifyInferior, true, false, true},
        {"focus to another window", FocusOut, NotifyPointer, false, true, false},
        {"out and in while another window has the focus", EnterNotify, NotifyNonlinear, false, false, false},
        {"the focus to the root window", FocusIn, NotifyPointer, false, false, true},
        {"unmapped", UnmapNotify, 0, false, true, false},
        {"an event of no concern", KeyPress, 0, false, false, false},
        {"mapped by a window manager", EnterNotify, NotifyAncestor, false, false, false},
        {"focused", FocusIn, NotifyNonlinear, false, false, true},
        {"the pointer leaves", LeaveNotify, NotifyNonlinear, true, false, true},
        {"and comes back", EnterNotify, NotifyNonlinear, true, false, true},
        // Minimised by a window manager that passes the focus through
        // PointerRoot before it unmaps the window.
        {"minimised: focus out", FocusOut, NotifyNonlinear, false, true, false},
        {"  the focus follows the pointer", FocusIn, NotifyPointer, false, false, true},
        {"  the pointer leaves", LeaveNotify, NotifyAncestor, true, true, false},
        {"  unmapped", UnmapNotify, 0, false, true, false},
        {"restored and focused", FocusIn, NotifyNonlinear, false, false, true},
        {"unmapped with the focus", UnmapNotify, 0, false, true, false},
        {"its focus out after", FocusOut, NotifyNonlinear, false, true, false},
    };
    KeyboardFocus focus;
    EXPECT_FALSE(focus.HasKeyboard());
    for (const auto& e : events) {
        const KeyboardFocus::Step step = focus.Take(e.type, e.detail, e.focusFlag);
        EXPECT_EQ(step.forgetKeys, e.forgetKeys) << e.what;
        EXPECT_EQ(step.hasKeyboard, e.hasKeyboard) << e.what;
        EXPECT_EQ(focus.HasKeyboard(), e.hasKeyboard) << e.what;
    }
}

TEST(KeyCodeTableTest, NamesEveryCodeOnce)
{
    std::size_t count = 0;
    const KeyCodeName* names = GetKeyCodeNames(&count);
    EXPECT_EQ(count, 72u);  // 0 to 74 less the three unnamed codes
    for (std::size_t i = 1; i < count; ++i) EXPECT_LT(names[i - 1].code, names[i].code);
    EXPECT_STREQ(names[count - 1].name, "KEY_MENU");
    EXPECT_EQ(names[count - 1].code, 74u);
}

TEST(ClockTest, MillisecondsAreComputedInSixtyFourBits)
{
    EXPECT_EQ(TimeValToMs(2147483, 648000), 2147483648LL);   // past 2^31 ms
    EXPECT_EQ(TimeValToMs(4294967, 296999), 4294967296LL);   // past 2^32 ms
    EXPECT_EQ(TimeValToMs(1700000000, 999999), 1700000000999LL);
    int64_t a = GetTimeMs();
    int64_t b = GetTimeMs();
    EXPECT_GE(b, a);
    EXPECT_NEAR(static_cast<double>(a) / 1000.0, static_cast<double>(GetTime()), 2.0);
}

}  // namespace
}  // namespace Voke
