// The button's own rules: where a press hits, which keys act, and how the
// slide-in moves it. (How it draws is checked with the pages that use it,
// in menus_render_test.cpp.)
#include "game/menus/button.h"

#include <gtest/gtest.h>

#include "engine/core/key_codes.h"

namespace {

TEST(ButtonTest, PressesHitTheRestRectangleGrownByFivePixels)
{
    Button button;
    button.SetRect(100, 50, 40, 20, false);
    // Corners and edges 5 pixels out hit, 6 pixels out miss.
    const int hits[][2] = {{95, 45}, {145, 75}, {95, 75}, {145, 45}, {120, 60}};
    const int misses[][2] = {{94, 60}, {146, 60}, {120, 44}, {120, 76}, {-200, -200}};
    for (const auto& p : misses) {
        button.OnPointerPressAt(p[0], p[1]);
        EXPECT_FALSE(button.clicked) << p[0] << "," << p[1];
    }
    EXPECT_FALSE(button.toggled);
    bool toggled = false;
    for (const auto& p : hits) {
        button.clicked = false;
        button.OnPointerPressAt(p[0], p[1]);
        toggled = !toggled;
        EXPECT_TRUE(button.clicked) << p[0] << "," << p[1];
        EXPECT_EQ(button.toggled, toggled);
    }

    // Hidden, disabled or sliding: the page decides who gets presses, and
    // the test uses the rest position.
    button.clicked = false;
    button.visible = false;
    button.enabled = false;
    button.SetSlide(1, 200.0f, 0.0f, 0.0f);
    button.OnPointerPressAt(100, 50);
    EXPECT_TRUE(button.clicked);
    button.clicked = false;
    button.OnPointerPressAt(button.GetX() + 1, 55);
    EXPECT_FALSE(button.clicked) << "the slid position is not hit";
}

TEST(ButtonTest, OnlyAFocusedButtonTakesTheActivationKeys)
{
    Button button;
    for (unsigned key : {Voke::KEY_SELECT, Voke::KEY_SPACE, Voke::KEY_PSP_CROSS}) {
        button.OnKeyDown(key);
        EXPECT_FALSE(button.clicked) << "unfocused";
    }
    button.focused = true;
    for (unsigned key : {Voke::KEY_LEFT, Voke::KEY_BACK, Voke::KEY_PSP_CIRCLE, Voke::KEY_A}) {
        button.OnKeyDown(key);
        EXPECT_FALSE(button.clicked) << key;
    }
    EXPECT_FALSE(button.toggled);

    bool toggled = false;
    for (unsigned key : {Voke::KEY_SELECT, Voke::KEY_SPACE, Voke::KEY_PSP_CROSS}) {
        button.OnKeyDown(key);
        toggled = !toggled;
        EXPECT_TRUE(button.clicked);
        button.OnKeyUp(Voke::KEY_A);
        EXPECT_TRUE(button.clicked) << "another key's release keeps the mark";
        button.OnKeyUp(key);
        EXPECT_FALSE(button.clicked);
        EXPECT_EQ(button.toggled, toggled) << "a press and release leave the toggle flipped";
    }
}

TEST(ButtonTest, SlideComesToRestAndShowKeepsIt)
{
    Button button;
    button.SetRect(200, 10, 50, 20, false);
    button.SetSlide(-1, 40.9f, 0.0f, 0.0f);
    EXPECT_EQ(button.GetX(), 160) << "drawn 40 pixels left";
    button.SetSlide(1, 100.0f, 300.0f, 100.0f);
    button.Update(0.1f);
    EXPECT_FLOAT_EQ(button.slideOffset, 70.0f) << "the speed before the step moves it";
    EXPECT_FLOAT_EQ(button.slideSpeed, 290.0f);
    EXPECT_EQ(button.GetX(), 270);
    button.Update(10.0f);
    EXPECT_EQ(button.slideOffset, 0.0f);
    EXPECT_EQ(button.slideSpeed, 0.0f);
    EXPECT_EQ(button.GetX(), 200);

    // A disabled button neither slides nor counts time.
    button.SetSlide(1, 50.0f, 100.0f, 0.0f);
    button.enabled = false;
    const float time = button.time;
    button.Update(0.2f);
    EXPECT_EQ(button.slideOffset, 50.0f);
    EXPECT_EQ(button.time, time);

    // Show restarts the clock and clears the marks, but keeps the slide and
    // the toggle.
    button.toggled = true;
    button.focused = true;
    button.clicked = true;
    button.time = 3.0f;
    button.Show();
    EXPECT_TRUE(button.enabled);
    EXPECT_TRUE(button.visible);
    EXPECT_FALSE(button.focused);
    EXPECT_FALSE(button.clicked);
    EXPECT_TRUE(button.toggled);
    EXPECT_EQ(button.time, 0.0f);
    EXPECT_EQ(button.slideOffset, 50.0f);
}

}  // namespace
