// The remote console over real TCP connections on the loopback interface:
// the greeting, every command with good and bad arguments, over-long lines,
// clients that vanish mid-reply or never read, the limit on connections,
// clients one after another, and shutting down while clients are connected.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/app_globals.h"
#include "engine/core/asset_dict.h"
#include "engine/core/xml.h"
#include "engine/debug/debug_overlay.h"
#include "engine/debug/debug_plot.h"
#include "engine/debug/network.h"
#include "engine/graphics/pixel_data.h"
#include "engine/graphics/surface.h"
#include "tests/engine/debug/console_test_support.h"

namespace Voke {
namespace Test {
namespace {

using Lines = std::vector<std::string>;

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DebugOverlay::SetHost(&host);
        overlay = new DebugOverlay;
        ASSERT_TRUE(overlay->StartListening(DebugOverlay::kLoopbackAddress, 0));
        port = overlay->GetListeningPort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override
    {
        overlay.Reset();
        DebugOverlay::SetHost(nullptr);
        AssetDict::s_engine.Reset();
        Network::Release();
        SetTimeRate(1.0f);
    }

    // A connected user past the greeting.
    std::unique_ptr<ConsoleUser> Connect()
    {
        std::unique_ptr<ConsoleUser> user(new ConsoleUser(port));
        EXPECT_TRUE(user->IsConnected());
        EXPECT_EQ(user->ReadLines(overlay, 2),
                  (Lines{DebugOverlay::GetWelcomeText(), "Vexbolt! remote debug connection"}));
        return user;
    }
    // Sends one command and reads `count` reply lines.
    Lines Ask(ConsoleUser& user, const std::string& command, std::size_t count)
    {
        EXPECT_TRUE(user.Send(command + "\r\n"));
        return user.ReadLines(overlay, count);
    }
    // Sends a command that replies nothing: the next reply is the marker's.
    void Silent(ConsoleUser& user, const std::string& command)
    {
        EXPECT_TRUE(user.Send(command + "\r\n"));
        EXPECT_EQ(Ask(user, "marker", 1), Lines{"Unknown command"}) << command;
    }
    void RunFrames(int count)
    {
        float frame = 1.0f / 60.0f;
        for (int i = 0; i < count; ++i) overlay->Update(frame);
    }

    TestHost host;
    SmartPtr<DebugOverlay> overlay;
    uint16_t port = 0;
};

TEST_F(ConsoleTest, GreetsThenAnswersHelpAndEmptyLines)
{
    auto user = Connect();
    const Lines help(overlay->GetHelpLines().begin(), overlay->GetHelpLines().end());
    ASSERT_EQ(help.size(), 15u);
    EXPECT_EQ(help.front(), "1. assets: show managed assets");
    EXPECT_EQ(help.back(), "13. pool: pool allocator stats");
    EXPECT_EQ(Ask(*user, "help", 15), help);
    EXPECT_EQ(Ask(*user, "", 15), help);
    // A bare LF ends a line as well; commands are case-sensitive.
    EXPECT_TRUE(user->Send("help\n"));
    EXPECT_EQ(user->ReadLines(overlay, 15), help);
    EXPECT_EQ(Ask(*user, "HELP", 1), Lines{"Unknown command"});
    // Nothing was printed on the device's console but the welcome text.
    EXPECT_EQ(overlay->GetConsoleLines(), Lines{DebugOverlay::GetWelcomeText()});
}

TEST_F(ConsoleTest, RegsetStoresValuesByKindAndRefusesBadOnes)
{
    auto user = Connect();
    EXPECT_EQ(Ask(*user, "regset /a", 1), Lines{"Bad params"});
    EXPECT_EQ(Ask(*user, "regset /a ", 1), Lines{"Empty value"});
    EXPECT_EQ(Ask(*user, "regset nopath 1", 1), Lines{"Bad registry path"});
    EXPECT_EQ(Ask(*user, "regset", 1), Lines{"Unknown command"});
    host.registry->AddMachineKey("/machine", "fixed", new RegistryKeyProtectedInt);
    EXPECT_EQ(Ask(*user, "regset /machine/fixed 3", 1), Lines{"Setting registry value failed"});

    Silent(*user, "regset /t/quoted 'x y'");
    Silent(*user, "regset /t/double \"q\"");
    Silent(*user, "regset /t/whole 2.0");
    Silent(*user, "regset /t/negative -7");
    Silent(*user, "regset /t/fraction 2.5");
    Silent(*user, "regset /t/on true");
    Silent(*user, "regset /t/off false");
    std::string text;
    EXPECT_TRUE(host.registry->Get("/t/quoted", text));
    EXPECT_EQ(text, "x y");
    EXPECT_TRUE(host.registry->Get("/t/double", text));
    EXPECT_EQ(text, "q");
    int whole = 0;
    EXPECT_TRUE(host.registry->Get("/t/whole", whole));
    EXPECT_EQ(whole, 2);
    EXPECT_TRUE(host.registry->Get("/t/negative", whole));
    EXPECT_EQ(whole, -7);
    float fraction = 0;
    EXPECT_TRUE(host.registry->Get("/t/fraction", fraction));
    EXPECT_FLOAT_EQ(fraction, 2.5f);
    bool on = false, off = true;
    EXPECT_TRUE(host.registry->Get("/t/on", on));
    EXPECT_TRUE(host.registry->Get("/t/off", off));
    EXPECT_TRUE(on);
    EXPECT_FALSE(off);

    // The listing: nodes and keys in name order, values by type.
    EXPECT_EQ(Ask(*user, "reglist", 11), (Lines{"[root]", "  [machine]", "    fixed: ", "  [t]", "    double: \"q\"",
                                                "    fraction: 2.500000", "    negative: -7", "    off: false",
                                                "    on: true", "    quoted: \"x y\"", "    whole: 2"}));
    EXPECT_EQ(Ask(*user, "2", 1), Lines{"[root]"});
}

TEST_F(ConsoleTest, RegistryCallbacksAreListedByPath)
{
    auto user = Connect();
    Silent(*user, "regcallbacks");  // none registered: nothing at all
    auto callback = [](void*, const std::string&, RegistryKey*) {};
    host.registry->AddCallback("/b", callback, nullptr, "second", "b.cpp", 2);
    host.registry->AddCallback("/a", callback, nullptr, "first", "a.cpp", 1);
    host.registry->AddCallback("/b", callback, nullptr, "third", "b.cpp", 3);
    EXPECT_EQ(Ask(*user, "3", 5),
              (Lines{"/a", "  first (a.cpp: 1)", "/b", "  second (b.cpp: 2)", "  third (b.cpp: 3)"}));
}

TEST_F(ConsoleTest, CommandsNeedingAMissingServiceSaySo)
{
    auto user = Connect();
    host.services = false;
    EXPECT_EQ(Ask(*user, "reglist", 1), Lines{"Registry not available"});
    EXPECT_EQ(Ask(*user, "regcallbacks", 1), Lines{"Registry not available"});
    EXPECT_EQ(Ask(*user, "regset /a 1", 1), Lines{"Registry not available"});
    EXPECT_EQ(Ask(*user, "texts", 1), Lines{"TextDict not available"});
    EXPECT_EQ(Ask(*user, "assets", 1), Lines{"AssetDict not available"});
}

TEST_F(ConsoleTest, ListsTextsAndImageAssets)
{
    auto user = Connect();
    SmartPtr<Xml> document = Xml::Create(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><strings><string id=\"IDS_B\">b\xC3\xA9</string>"
        "<string id=\"IDS_A\">a</string></strings>");
    ASSERT_TRUE(host.texts->LoadDocument(document));
    EXPECT_EQ(Ask(*user, "5", 2), (Lines{"IDS_A -> a", "IDS_B -> b\xC3\xA9"}));

    AssetDict::s_engine = new AssetDict;
    auto image = [](const NarrowString&) { return new Surface(new MemPixelData(1, 1, RGB888)); };
    SmartPtr<Surface> live = AssetDict::s_engine->GetCached<Surface>("live.png", false, image);
    AssetDict::s_engine->GetCached<Surface>("kept.png", true, image);
    AssetDict::s_engine->GetCached<Surface>("gone.png", false, image);  // dropped at once
    EXPECT_EQ(Ask(*user, "assets", 5), (Lines{"Assets maintained by AssetDict:", "  gone.png", "C kept.png",
                                              "* live.png", "Held/total: 2/3"}));
}

TEST_F(ConsoleTest, TimeSkewTakesOnlyFiniteNonNegativeFactors)
{
    auto user = Connect();
    Silent(*user, "timeskew 0.5");
    EXPECT_FLOAT_EQ(GetTimeRate(), 0.5f);
    Silent(*user, "9 0.25");
    EXPECT_FLOAT_EQ(GetTimeRate(), 0.25f);
    Silent(*user, "timeskew fast");  // no number: time stands still
    EXPECT_FLOAT_EQ(GetTimeRate(), 0.0f);
    Silent(*user, "9 2");
    for (const char* bad : {"timeskew -1", "timeskew nan", "timeskew inf", "9 1e300"}) {
        EXPECT_EQ(Ask(*user, bad, 1), Lines{"Bad time skew: give a number of 0 or more"}) << bad;
        EXPECT_FLOAT_EQ(GetTimeRate(), 2.0f) << bad;
    }
    EXPECT_EQ(Ask(*user, "timeskew", 1), Lines{"Unknown command"});
}

TEST_F(ConsoleTest, SwitchesPlotsIconsPoolsAndExit)
{
    auto user = Connect();
    EXPECT_EQ(Ask(*user, "logging", 1), Lines{"VOKE_MSG logging not available on remote connections"});
    EXPECT_FALSE(overlay->IsLogging());

    Silent(*user, "61");
    EXPECT_NE(overlay->GetPlot(DebugOverlay::kPlotFrameRate), nullptr);
    Silent(*user, "plot");  // some shown: all four shown
    for (int i = 0; i < DebugOverlay::kPlotCount; ++i) EXPECT_NE(overlay->GetPlot(DebugOverlay::Plot(i)), nullptr);
    Silent(*user, "plot m");
    EXPECT_EQ(overlay->GetPlot(DebugOverlay::kPlotMemory), nullptr);
    Silent(*user, "6");
    Silent(*user, "6");  // all shown: all hidden
    for (int i = 0; i < DebugOverlay::kPlotCount; ++i) EXPECT_EQ(overlay->GetPlot(DebugOverlay::Plot(i)), nullptr);
    Silent(*user, "63");
    Silent(*user, "plot b");
    EXPECT_NE(overlay->GetPlot(DebugOverlay::kPlotVideoMemory), nullptr);
    EXPECT_NE(overlay->GetPlot(DebugOverlay::kPlotCounter), nullptr);
    Silent(*user, "plot v");
    EXPECT_EQ(overlay->GetPlot(DebugOverlay::kPlotVideoMemory), nullptr);

    g_fileActivity = true;
    Silent(*user, "floppy");
    EXPECT_TRUE(overlay->IsShowingActivityIcons());
    EXPECT_FALSE(g_fileActivity);
    Silent(*user, "8");
    EXPECT_FALSE(overlay->IsShowingActivityIcons());
    Silent(*user, "pool");
    EXPECT_TRUE(overlay->IsShowingPoolStats());
    Silent(*user, "13");
    EXPECT_FALSE(overlay->IsShowingPoolStats());

    EXPECT_EQ(Ask(*user, "7 ", 1), Lines{"Unknown command"});
    EXPECT_EQ(host.exits, 0);
    Silent(*user, "exit");
    Silent(*user, "7");
    EXPECT_EQ(host.exits, 2);
}

TEST_F(ConsoleTest, RegisteredCommandsRunWithTheirArgumentsAndReplyToTheSender)
{
    struct Seen {
        DebugOverlay* overlay;
        std::string arguments;
        int calls = 0;
    } seen{overlay.Get(), "", 0};
    overlay->RegisterCommand(
        "echo",
        [](void* context, const NarrowString& arguments, ConsoleClient* client, const ConsoleCommand&) {
            auto* record = static_cast<Seen*>(context);
            record->arguments = arguments;
            ++record->calls;
            record->overlay->Print("got " + arguments + "\nsecond line\n", client);
        },
        &seen, "repeats its arguments");
    overlay->RegisterCommand("bare", [](void*, const NarrowString&, ConsoleClient*, const ConsoleCommand&) {},
                             nullptr, "");
    EXPECT_EQ(overlay->GetHelpLines().size(), 17u);
    EXPECT_EQ(overlay->GetHelpLines()[15], "echo: repeats its arguments");
    EXPECT_EQ(overlay->GetHelpLines()[16], "bare");

    auto user = Connect();
    // One reply text with several LFs arrives as several CR LF lines, a
    // trailing LF as a last, empty line.
    EXPECT_EQ(Ask(*user, "echo a b", 3), (Lines{"got a b", "second line", ""}));
    EXPECT_EQ(seen.arguments, "a b");
    EXPECT_EQ(Ask(*user, "echo", 3), (Lines{"got ", "second line", ""}));
    EXPECT_EQ(seen.arguments, "");
    overlay->UnregisterCommand("echo");
    EXPECT_EQ(Ask(*user, "echo again", 1), Lines{"Unknown command"});
    EXPECT_EQ(seen.calls, 2);
}

TEST_F(ConsoleTest, OverlongLineIsRefusedAndTheConnectionGoesOn)
{
    auto user = Connect();
    // Sixteen times the limit without a line end, then the rest of that line
    // and a good command. (The server reads a byte per call: a longer line
    // would only make the test slow on a loaded machine.)
    std::string huge(16 * DebugOverlay::kMaxLineBytes, 'x');
    EXPECT_TRUE(user->Send(huge));
    EXPECT_TRUE(user->Send("help\r\nlogging\r\n"));
    EXPECT_EQ(user->ReadLines(overlay, 2),
              (Lines{"Line too long (the limit is 4096 bytes)", "VOKE_MSG logging not available on remote connections"}));
    // A line of exactly the limit is still a command.
    EXPECT_EQ(Ask(*user, std::string(DebugOverlay::kMaxLineBytes, 'y'), 1), Lines{"Unknown command"});
    EXPECT_EQ(Ask(*user, std::string(DebugOverlay::kMaxLineBytes + 1, 'y'), 1),
              Lines{"Line too long (the limit is 4096 bytes)"});

    // The server takes new connections meanwhile.
    auto second = Connect();
    EXPECT_EQ(Ask(*second, "4", 1), Lines{"VOKE_MSG logging not available on remote connections"});
}

TEST_F(ConsoleTest, ClientThatLeavesMidReplyIsDroppedWithoutASignal)
{
    {
        auto user = Connect();
        // Many replies queued, then the user is gone before they are written:
        // the writes fail (without SIGPIPE, which would end this program).
        std::string lots;
        for (int i = 0; i < 40; ++i) lots += "help\r\n";
        EXPECT_TRUE(user->Send(lots));
    }
    for (int i = 0; i < 2000 && overlay->GetClientCount() > 0; ++i) RunFrames(1);
    EXPECT_EQ(overlay->GetClientCount(), 0u);

    auto next = Connect();
    EXPECT_EQ(Ask(*next, "1", 1), Lines{"AssetDict not available"});
}

TEST_F(ConsoleTest, ClientThatNeverReadsIsDisconnectedWhileOthersAreServed)
{
    overlay->RegisterCommand(
        "flood",
        [](void* context, const NarrowString&, ConsoleClient* client, const ConsoleCommand&) {
            static_cast<DebugOverlay*>(context)->Print(std::string(64 * 1024, 'z'), client);
        },
        overlay.Get(), "");
    auto reader = Connect();
    auto hog = Connect();
    // The hog asks for a thousand large replies, far more than a connection
    // holds, and never reads them. Every frame ends without waiting for it
    // (a frame that waited would hang here until the guard), and once its
    // replies pile up it is cut off, however many frames the console's
    // thread takes to hand the requests on.
    std::string requests;
    for (int i = 0; i < 1000; ++i) requests += "flood\r\n";
    ASSERT_TRUE(hog->Send(requests));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (overlay->GetClientCount() == 2 && std::chrono::steady_clock::now() < deadline) RunFrames(1);
    EXPECT_EQ(overlay->GetClientCount(), 1u);
    EXPECT_TRUE(hog->WaitForEnd(overlay));
    EXPECT_EQ(Ask(*reader, "logging", 1), Lines{"VOKE_MSG logging not available on remote connections"});
}

TEST_F(ConsoleTest, ConnectionsBeyondTheLimitAreToldSoAndClosed)
{
    std::vector<std::unique_ptr<ConsoleUser>> users;
    for (std::size_t i = 0; i < DebugOverlay::kMaxClients; ++i) users.push_back(Connect());
    ConsoleUser extra(port);
    EXPECT_EQ(extra.ReadLines(overlay, 1), Lines{"Too many connections (the limit is 4)"});
    EXPECT_TRUE(extra.WaitForEnd(overlay));
    EXPECT_EQ(overlay->GetClientCount(), DebugOverlay::kMaxClients);

    // A place that comes free is taken by the next connection.
    users.front()->Close();
    for (int i = 0; i < 2000 && overlay->GetClientCount() == DebugOverlay::kMaxClients; ++i) RunFrames(1);
    auto next = Connect();
    EXPECT_EQ(Ask(*next, "4", 1), Lines{"VOKE_MSG logging not available on remote connections"});
}

TEST_F(ConsoleTest, ClientsOneAfterAnother)
{
    for (int round = 0; round < 3; ++round) {
        auto user = Connect();
        EXPECT_EQ(Ask(*user, "help", 15).size(), 15u) << round;
        user->Close();
        for (int i = 0; i < 2000 && overlay->GetClientCount() > 0; ++i) RunFrames(1);
        EXPECT_EQ(overlay->GetClientCount(), 0u) << round;
    }
}

TEST_F(ConsoleTest, ShutdownTellsConnectedClientsAndWaitsForTheirThreads)
{
    auto idle = Connect();
    auto busy = Connect();
    ASSERT_EQ(overlay->GetClientCount(), 2u);
    // The busy user fills its queue (no frame runs meanwhile), so its thread
    // waits for room when the overlay goes.
    std::string lots;
    for (int i = 0; i < 300; ++i) lots += "plot\r\n";
    EXPECT_TRUE(busy->Send(lots));

    overlay.Reset();
    std::string line;
    EXPECT_TRUE(idle->ReadLine(nullptr, line));
    EXPECT_EQ(line, "Application is shutting down. KTHXBAI");
    EXPECT_TRUE(idle->WaitForEnd(nullptr));
    EXPECT_TRUE(busy->ReadLine(nullptr, line));
    EXPECT_EQ(line, "Application is shutting down. KTHXBAI");
    EXPECT_TRUE(busy->WaitForEnd(nullptr));
}

TEST_F(ConsoleTest, ListensOnTheLoopbackOnlyAndOneConnectionPerFrame)
{
    EXPECT_EQ(DebugOverlay::kConsolePort, 1337);
    EXPECT_EQ(DebugOverlay::kLoopbackAddress, 0x7F000001u);
    ConsoleUser first(port), second(port);
    ASSERT_TRUE(first.IsConnected());
    ASSERT_TRUE(second.IsConnected());
    RunFrames(1);
    EXPECT_EQ(overlay->GetClientCount(), 1u);
    RunFrames(1);
    EXPECT_EQ(overlay->GetClientCount(), 2u);

    // A port that is taken cannot be listened on again.
    SmartPtr<DebugOverlay> other(new DebugOverlay);
    EXPECT_FALSE(other->StartListening(DebugOverlay::kLoopbackAddress, port));
    EXPECT_EQ(other->GetListeningPort(), 0);
}

}  // namespace
}  // namespace Test
}  // namespace Voke
