#include "engine/app/maemo_input_context.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/app/clock.h"
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
