#include "engine/app/maemo_input_context.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

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
