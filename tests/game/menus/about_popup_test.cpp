// The about page's scroll at the top of the int range: without a limit for
// the language, one long drag takes it there, and the keys still step it
// back within their range.
#include "game/menus/about_popup.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "engine/core/key_codes.h"
#include "game/core/language.h"

namespace {

TEST(AboutPopupTest, KeysStepBackFromADragToTheTopOfTheIntRange)
{
    SetLanguageCode("xx");
    AboutPopup page;
    page.Show();
    page.OnPointerDown({{0, INT32_MAX}});
    page.OnPointerMove({{0, INT32_MIN}});
    EXPECT_EQ(page.GetScroll(), INT32_MAX);
    page.OnKeyDown(Voke::KEY_DOWN);
    EXPECT_EQ(page.GetScroll(), AboutPopup::kKeyScrollLimit);
    page.OnPointerDown({{0, INT32_MAX}});
    page.OnPointerMove({{0, INT32_MIN}});
    page.OnKeyDown(Voke::KEY_UP);
    EXPECT_EQ(page.GetScroll(), INT32_MAX - AboutPopup::kKeyStep) << "up has no upper bound to keep to";
    SetLanguageCode("en");
}

}  // namespace
