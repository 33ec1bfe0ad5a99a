#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/app/maemo_session.h"
#include "tests/engine/app/bus_peer.h"

namespace Voke {
namespace {

NarrowString UniqueService(const char* what)
{
    return "org.maemo.voke_" + NarrowString(what) + "_" + std::to_string(getpid());
}

// Dispatches the session until `done` or ten seconds have passed.
template <class Done>
bool DispatchUntil(MaemoSession& session, Done done)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        session.Dispatch();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST(MaemoSessionTest, RegistersAValidServiceNameOnce)
{
    NarrowString service = UniqueService("register");
    std::unique_ptr<MaemoSession> session = MaemoSession::Open(service, "0.0.1");
    ASSERT_NE(session, nullptr);
    EXPECT_GE(session->GetSessionFd(), 0);

    // A second instance finds its name taken.
    testing::internal::CaptureStdout();
    EXPECT_EQ(MaemoSession::Open(service, "0.0.1"), nullptr);
    // A base name the bus refuses ("3d", with a leading digit).
    EXPECT_EQ(MaemoSession::Open("org.maemo.3d", "0.0.1"), nullptr);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("cannot register " + service), std::string::npos) << out;
    EXPECT_NE(out.find("not a valid service name"), std::string::npos) << out;

    // Closing releases the name for the next instance.
    session.reset();
    EXPECT_NE(MaemoSession::Open(service, "0.0.1"), nullptr);
}

TEST(MaemoSessionTest, AnswersOnlyTheWatchedMethodCall)
{
    NarrowString service = UniqueService("method");
    std::unique_ptr<MaemoSession> session = MaemoSession::Open(service, "0.0.1");
    ASSERT_NE(session, nullptr);
    int calls = 0;
    session->WatchMethodCall(service, "top_application", [](void* data) { ++*static_cast<int*>(data); }, &calls);
    auto dispatch = [&] { session->Dispatch(); };

    // Without a reply wanted, as the desktop sends it.
    EXPECT_EQ(RunChild({"dbus-send", "--session", "--type=method_call", "--dest=" + service, "/org/maemo/any",
                        service + ".top_application"},
                       dispatch),
              0);
    EXPECT_TRUE(DispatchUntil(*session, [&] { return calls == 1; }));
    // A caller that waits for a reply gets one.
    EXPECT_EQ(RunChild({"dbus-send", "--session", "--print-reply", "--reply-timeout=2000", "--dest=" + service, "/",
                        service + ".top_application"},
                       dispatch),
              0);
    EXPECT_EQ(calls, 2);
    // The same member on another interface is not ours: the caller gets an
    // error and the handler is not called.
    EXPECT_NE(RunChild({"dbus-send", "--session", "--print-reply", "--reply-timeout=2000", "--dest=" + service, "/",
                        "org.maemo.other.top_application"},
                       dispatch),
              0);
    EXPECT_EQ(calls, 2);
}

class StandInSystemBus : public ::testing::Test {
protected:
    // The session bus stands in for the system bus that carries the display
    // service. libdbus reads the address at the process's first connection,
    // which these tests make.
    void SetUp() override { setenv("DBUS_SYSTEM_BUS_ADDRESS", std::getenv("DBUS_SESSION_BUS_ADDRESS"), 1); }
    void TearDown() override { unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }
};

TEST_F(StandInSystemBus, FollowsTheDisplayState)
{
    std::unique_ptr<MaemoSession> session = MaemoSession::Open(UniqueService("display"), "0.0.1");
    ASSERT_NE(session, nullptr);
    ASSERT_NE(session->GetSystemConnection(), nullptr);
    std::vector<int> states;
    session->SetDisplayStateHandler([](int state, void* data) { static_cast<std::vector<int>*>(data)->push_back(state); },
                                    &states);
    BusPeer service;
    for (const char* state : {"off", "dimmed", "sideways", "on"}) service.EmitDisplayState(state);
    EXPECT_TRUE(DispatchUntil(*session, [&] { return states.size() >= 3; }));
    EXPECT_EQ(states, (std::vector<int>{MaemoSession::kDisplayOff, MaemoSession::kDisplayDimmed,
                                        MaemoSession::kDisplayOn}));
}

// The session's clock in these tests: set by the test, not by the time
// its steps take.
int64_t g_nowMs = 0;
int64_t NowMs() { return g_nowMs; }

TEST_F(StandInSystemBus, DisplayRequestsGoOutOncePerInterval)
{
    BusPeer service;
    ASSERT_TRUE(service.Own("org.voke.DisplayService"));
    std::unique_ptr<MaemoSession> session = MaemoSession::Open(UniqueService("requests"), "0.0.1");
    ASSERT_NE(session, nullptr);
    session->SetClock(NowMs);
    // What the main loop does every frame while the game keeps the display
    // lit: within one interval one of each goes out, at its end the next.
    const int64_t interval = MaemoSession::kRequestIntervalMs;
    for (int64_t now : {int64_t(0), interval - 1, interval, 2 * interval - 1, 3 * interval}) {
        g_nowMs = now;
        for (int frame = 0; frame < 20; ++frame) {
            EXPECT_TRUE(session->RequestDisplayOn());
            EXPECT_TRUE(session->PauseBlanking());
        }
    }
    CallDisplayService(session->GetSystemConnection(), "End");
    const std::vector<std::string> once = {"RequestDisplayOn", "RequestBlankingPause"};
    std::vector<std::string> expected;
    for (int k = 0; k < 3; ++k) expected.insert(expected.end(), once.begin(), once.end());
    expected.push_back("End");
    EXPECT_EQ(service.CollectUntil("End"), expected);
}

TEST(MaemoSessionTest, WithoutASystemBusTheDisplayStaysOn)
{
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/voke-system-bus", 1);
    std::unique_ptr<MaemoSession> session = MaemoSession::Open(UniqueService("nosystem"), "0.0.1");
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->GetSystemConnection(), nullptr);
    EXPECT_EQ(session->GetSystemFd(), -1);
    EXPECT_FALSE(session->RequestDisplayOn());
    EXPECT_FALSE(session->PauseBlanking());
}

}  // namespace
}  // namespace Voke
