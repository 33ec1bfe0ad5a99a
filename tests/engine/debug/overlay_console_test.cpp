// The console on the device: line editing, history, executing typed lines,
// scrolling by keys, drags and flings, the bounded line store, and script
// errors reported from another thread.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "engine/core/key_codes.h"
#include "engine/debug/debug_overlay.h"
#include "engine/script/lua.h"
#include "tests/engine/debug/console_test_support.h"

namespace Voke {
namespace Test {
namespace {

using Lines = std::vector<std::string>;

class OverlayConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DebugOverlay::SetHost(&host);
        DebugOverlay::s_visible = false;
        overlay = new DebugOverlay;
    }
    void TearDown() override
    {
        overlay.Reset();
        DebugOverlay::s_instance.Reset();
        DebugOverlay::SetHost(nullptr);
        DebugOverlay::s_visible = false;
    }
    void Keys(std::initializer_list<unsigned> keys)
    {
        for (unsigned key : keys) overlay->OnKeyDown(key);
    }
    void Type(const std::string& text)
    {
        for (char c : text) overlay->OnKeyDown(c == ' ' ? KEY_SPACE : unsigned(KEY_A + (c - 'a')));
    }
    void Frame(float seconds) { overlay->Update(seconds); }
    // The console lines after the welcome text.
    Lines Printed()
    {
        Lines lines = overlay->GetConsoleLines();
        lines.erase(lines.begin());
        return lines;
    }

    TestHost host;
    SmartPtr<DebugOverlay> overlay;
};

TEST_F(OverlayConsoleTest, TheInstanceIsMadeByCreate)
{
    EXPECT_EQ(DebugOverlay::Instance(), nullptr);
    DebugOverlay* first = DebugOverlay::Create();
    EXPECT_EQ(DebugOverlay::Instance(), first);
    DebugOverlay* second = DebugOverlay::Create();
    EXPECT_EQ(DebugOverlay::Instance(), second);
    EXPECT_EQ(overlay->GetConsoleLines(), Lines{DebugOverlay::GetWelcomeText()});
}

TEST_F(OverlayConsoleTest, KeysEditTheLineWithAndWithoutShift)
{
    Keys({KEY_0, KEY_9, KEY_SPACE, 31, 32, 33, 34, 35, 36, 37, 38, 39});
    EXPECT_EQ(overlay->GetEditLine(), "09 '/.=;,-[]");
    overlay->OnKeyDown(KEY_SHIFT);
    Keys({KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9, KEY_A, KEY_Z});
    Keys({31, 32, 33, 34, 35, 36, 37, 38, 39});
    overlay->OnKeyUp(KEY_SHIFT);
    Keys({KEY_Q});
    EXPECT_EQ(overlay->GetEditLine(), "09 '/.=;,-[])!@#$%^&*(AZ\"?>+:<_{}q");
    // Keys without a character change nothing; back removes one at a time.
    Keys({KEY_TILDE, KEY_MENU, KEY_INVALID});
    std::string line = overlay->GetEditLine();
    for (size_t i = 0; i < line.size() + 3; ++i) overlay->OnKeyDown(KEY_BACK);
    EXPECT_EQ(overlay->GetEditLine(), "");
}

TEST_F(OverlayConsoleTest, SelectEchoesAndRunsTheLine)
{
    Type("help");
    Keys({KEY_SELECT});
    Lines printed = Printed();
    ASSERT_EQ(printed.size(), 16u);
    EXPECT_EQ(printed[0], "> help");
    EXPECT_EQ(printed[1], "1. assets: show managed assets");
    EXPECT_EQ(overlay->GetEditLine(), "");
    EXPECT_EQ(overlay->GetHistory(), Lines{"help"});

    // Logging is switched on the device only; Log prints only while it is on.
    overlay->Log("hidden");
    overlay->Execute("logging");
    overlay->Log("shown");
    overlay->Execute("4");
    overlay->Log("hidden again");
    printed = Printed();
    EXPECT_EQ(Lines(printed.end() - 3, printed.end()), (Lines{"Logging enabled", "shown", "Logging disabled"}));
}

TEST_F(OverlayConsoleTest, HistoryBrowsesOlderAndNewerLines)
{
    Keys({KEY_UP});
    EXPECT_EQ(overlay->GetEditLine(), "") << "an empty history leaves the line";
    Type("typed");
    Keys({KEY_UP, KEY_DOWN});
    EXPECT_EQ(overlay->GetEditLine(), "typed");
    Keys({KEY_SELECT});
    overlay->Execute("a");
    overlay->Execute("b");
    overlay->Execute("c");
    ASSERT_EQ(overlay->GetHistory(), (Lines{"typed", "a", "b", "c"}));
    Keys({KEY_UP});
    EXPECT_EQ(overlay->GetEditLine(), "c");
    Keys({KEY_UP, KEY_UP});
    EXPECT_EQ(overlay->GetEditLine(), "a");
    Keys({KEY_DOWN});
    EXPECT_EQ(overlay->GetEditLine(), "b");
    Keys({KEY_DOWN, KEY_DOWN});
    EXPECT_EQ(overlay->GetEditLine(), "c") << "not past the newest";
    Keys({KEY_UP, KEY_UP, KEY_UP, KEY_UP, KEY_UP, KEY_UP, KEY_UP, KEY_UP});
    EXPECT_EQ(overlay->GetEditLine(), "typed") << "not past the oldest";
    // Running a line ends browsing: up starts from the newest again.
    Keys({KEY_SELECT, KEY_UP});
    EXPECT_EQ(overlay->GetEditLine(), "typed");
    EXPECT_EQ(overlay->GetHistory().back(), "typed");
}

TEST_F(OverlayConsoleTest, PrintingWhileScrolledBackKeepsTheView)
{
    overlay->Print("one");
    EXPECT_EQ(overlay->GetScrollOffset(), 0) << "at the newest, new lines scroll in";
    Keys({KEY_VOLUME_DOWN});
    EXPECT_EQ(overlay->GetScrollOffset(), 20);
    overlay->Print("two");
    EXPECT_EQ(overlay->GetScrollOffset(), 21);
    overlay->Print("three\nfour\n");  // three lines: the last one empty
    EXPECT_EQ(overlay->GetScrollOffset(), 24);
    EXPECT_EQ(Printed(), (Lines{"one", "two", "three", "four", ""}));
    Keys({KEY_VOLUME_UP});
    EXPECT_EQ(overlay->GetScrollOffset(), 4);
    Keys({KEY_VOLUME_UP});
    EXPECT_EQ(overlay->GetScrollOffset(), 0);
    overlay->OnPointerDown(5, 5, 3);
    EXPECT_EQ(overlay->GetScrollOffset(), 20);
    overlay->OnPointerDown(5, 5, 4);
    overlay->OnPointerDown(5, 5, 4);
    EXPECT_EQ(overlay->GetScrollOffset(), 0);

    Keys({KEY_LEFT});
    EXPECT_EQ(overlay->GetHorizontalScroll(), 0);
    Keys({KEY_RIGHT, KEY_RIGHT, KEY_LEFT});
    EXPECT_EQ(overlay->GetHorizontalScroll(), 10);
}

TEST_F(OverlayConsoleTest, TheConsoleKeepsABoundedNumberOfLines)
{
    const size_t limit = DebugOverlay::kMaxConsoleLines;
    for (size_t i = 0; i < limit + 5; ++i) overlay->Print("line " + std::to_string(i));
    Lines lines = overlay->GetConsoleLines();
    ASSERT_EQ(lines.size(), limit);
    EXPECT_EQ(lines.front(), "line 5");
    EXPECT_EQ(lines.back(), "line " + std::to_string(limit + 4));
}

TEST_F(OverlayConsoleTest, DraggingScrollsALinePerSevenPixelsAndFlingsSlowDown)
{
    DebugOverlay::s_visible = true;
    overlay->OnPointerDown(0, 100, 0);
    overlay->OnPointerMove(0, 130, 0);
    Frame(0.01f);
    EXPECT_EQ(overlay->GetScrollOffset(), 4);  // 30 pixels: 4 lines, 2 left over
    overlay->OnPointerMove(0, 100, 0);         // 28 pixels back up from the new anchor 128
    Frame(0.01f);
    EXPECT_EQ(overlay->GetScrollOffset(), 1);
    // Other pointers neither drag nor fling.
    overlay->OnPointerMove(0, 90, 1);
    overlay->OnPointerUp(0, 90, 1);
    Frame(0.01f);
    EXPECT_EQ(overlay->GetScrollOffset(), 1);

    // Let go while moving down 10 pixels a frame: a fling.
    overlay->OnPointerMove(0, 110, 0);
    overlay->OnPointerUp(0, 110, 0);
    Frame(0.0625f);
    EXPECT_EQ(overlay->GetScrollOffset(), 1) << "no 0.1 s step yet";
    Frame(0.0625f);  // one step: 10 pixels, 4 lines, 2 left
    EXPECT_EQ(overlay->GetScrollOffset(), 5);
    Frame(0.125f);  // speed 8: 10 pixels, 4 lines, 2 left
    EXPECT_EQ(overlay->GetScrollOffset(), 9);

    // A fling upwards stops at the newest line.
    overlay->OnPointerDown(0, 200, 0);
    overlay->OnPointerMove(0, 140, 0);
    overlay->OnPointerUp(0, 140, 0);
    for (int i = 0; i < 10; ++i) Frame(0.125f);
    EXPECT_EQ(overlay->GetScrollOffset(), 0);
}

TEST_F(OverlayConsoleTest, ScriptErrorsOpenTheConsoleOnTheNextFrame)
{
    ASSERT_NE(Lua::GetErrorReporter(), nullptr);
    // Reported from another thread, as the game's loader thread would.
    std::thread loader([] {
        Lua lua;
        EXPECT_FALSE(lua.DoFile("no_such_script.lua"));
    });
    loader.join();
    Lines printed = Printed();
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed[0], "Fatal error reading file no_such_script.lua");
    EXPECT_FALSE(printed[1].empty());
    EXPECT_FALSE(DebugOverlay::s_visible);
    EXPECT_FALSE(host.audioPaused);

    Frame(0.01f);
    EXPECT_TRUE(DebugOverlay::s_visible);
    EXPECT_TRUE(host.audioPaused);

    overlay.Reset();
    EXPECT_EQ(Lua::GetErrorReporter(), nullptr);
}

}  // namespace
}  // namespace Test
}  // namespace Voke
