#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "engine/app/maemo_session.h"
#include "tests/engine/app/bus_peer.h"
#include "tests/support/poll.h"

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

// A session registered as `service` that counts in `calls` the passes in
// which top_application calls on its own interface reached it.
std::unique_ptr<MaemoSession> OpenCountingCalls(const NarrowString& service, int& calls)
{
    std::unique_ptr<MaemoSession> session = MaemoSession::Open(service, "0.0.1");
    if (session)
        session->WatchMethodCall(service, "top_application", [](void* data) { ++*static_cast<int*>(data); }, &calls);
    return session;
}

TEST(MaemoSessionTest, RegistersAValidServiceNameOnce)
{
    NarrowString service = UniqueService("register");
    std::unique_ptr<MaemoSession> session = MaemoSession::Open(service, "0.0.1");
    ASSERT_NE(session, nullptr);
    EXPECT_GE(session->GetSessionFd(), 0);

    // A second instance finds its name taken (by a first that is never
    // dispatched here, so it does not answer).
    MaemoSession::Registration registration = MaemoSession::Registration::kRegistered;
    testing::internal::CaptureStdout();
    EXPECT_EQ(MaemoSession::Open(service, "0.0.1", &registration), nullptr);
    EXPECT_EQ(registration, MaemoSession::Registration::kNotAnswering);
    // A name the bus refuses ("3d", with a leading digit).
    EXPECT_EQ(MaemoSession::Open("org.maemo.3d", "0.0.1", &registration), nullptr);
    EXPECT_EQ(registration, MaemoSession::Registration::kFailed);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("cannot register"), std::string::npos) << out;
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

// Service names may hold a '-', interface names may not: the service's calls
// go to an interface with a '_' in its place, and a program registered under
// such a name is found, and answers, on it.
TEST(MaemoSessionTest, AHyphenatedServiceIsAskedToTheFrontOnAValidInterface)
{
    EXPECT_EQ(MaemoSession::InterfaceName("org.maemo.vex-bolt"), "org.maemo.vex_bolt");
    EXPECT_EQ(MaemoSession::InterfaceName("org.maemo.vexbolt"), "org.maemo.vexbolt");
    EXPECT_EQ(MaemoSession::InterfaceName("org.maemo.1game"), "");  // no element starts with a digit

    const NarrowString service = "org.maemo.voke-hyphen-" + std::to_string(getpid());
    std::unique_ptr<MaemoSession> running = MaemoSession::Open(service, "0.0.1");
    ASSERT_NE(running, nullptr);
    int raised = 0;
    running->WatchMethodCall(MaemoSession::InterfaceName(service), "top_application",
                             [](void* data) { ++*static_cast<int*>(data); }, &raised);

    // A second start waits for the running one's answer: it runs beside it.
    MaemoSession::Registration second = MaemoSession::Registration::kRegistered;
    std::atomic<bool> done{false};
    std::thread start([&] {
        EXPECT_EQ(MaemoSession::Open(service, "0.0.1", &second), nullptr);
        done = true;
    });
    EXPECT_TRUE(DispatchUntil(*running, [&] { return done.load(); }));
    start.join();
    EXPECT_EQ(second, MaemoSession::Registration::kAlreadyRunning);
    EXPECT_EQ(raised, 1);
}

// Any program name gives a valid service name, the same every time, and its
// interface; only an empty one gives none.
TEST(MaemoSessionTest, EveryProgramNameGivesAServiceName)
{
    const NarrowString prefix = "org.maemo.";
    const struct {
        const char* program;
        const char* service;
    } cases[] = {
        {"vexbolt", "org.maemo.vexbolt"},
        {"vex-bolt", "org.maemo.vex-bolt"},
        {"vexbolt.bin", "org.maemo.vexbolt.bin"},
        {"9lives", "org.maemo._9lives"},
        {"vex bolt", "org.maemo.vex_bolt"},
        {"v\xc3\xa9xbolt", "org.maemo.v__xbolt"},
        {"game.3d", "org.maemo.game._3d"},
        {"a..b.", "org.maemo.a._.b._"},
        {".", "org.maemo._._"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MaemoSession::ServiceName(prefix, c.program), c.service) << c.program;
        EXPECT_FALSE(MaemoSession::InterfaceName(c.service).empty()) << c.service;
    }
    // Cut to the 255 bytes of a bus name, never after a '.'.
    const NarrowString longName(250, 'x');
    const NarrowString cut = MaemoSession::ServiceName(prefix, longName);
    EXPECT_EQ(cut, prefix + NarrowString(245, 'x'));
    const NarrowString dotted = MaemoSession::ServiceName(prefix, NarrowString(244, 'x') + ".yz");
    EXPECT_EQ(dotted, prefix + NarrowString(244, 'x'));
    EXPECT_FALSE(MaemoSession::InterfaceName(cut).empty());
    EXPECT_EQ(MaemoSession::ServiceName(prefix, ""), "");

    // A session under a name made so is registered and asked to the front
    // on its interface.
    const NarrowString service = MaemoSession::ServiceName(prefix, "9 lives-" + std::to_string(getpid()));
    std::unique_ptr<MaemoSession> running = MaemoSession::Open(service, "0.0.1");
    ASSERT_NE(running, nullptr);
    int raised = 0;
    running->WatchMethodCall(MaemoSession::InterfaceName(service), "top_application",
                             [](void* data) { ++*static_cast<int*>(data); }, &raised);
    EXPECT_EQ(RunChild({"dbus-send", "--session", "--print-reply", "--reply-timeout=5000", "--dest=" + service, "/",
                        MaemoSession::InterfaceName(service) + ".top_application"},
                       [&] { running->Dispatch(); }),
              0);
    EXPECT_EQ(raised, 1);

    // No name: a session on the bus all the same, which nobody can call.
    std::unique_ptr<MaemoSession> nameless = MaemoSession::Open("", "0.0.1");
    ASSERT_NE(nameless, nullptr);
    EXPECT_GE(nameless->GetSessionFd(), 0);
}

// A second start whose running program does not answer (stopped, or hung)
// gives up within the reply time and names the process that owns the name,
// for the caller to say; one whose running program ends while it is asked
// takes the name itself.
TEST(MaemoSessionTest, ASecondStartTellsWhoDoesNotAnswer)
{
    const NarrowString service = UniqueService("stopped");
    std::unique_ptr<MaemoSession> stopped = MaemoSession::Open(service, "0.0.1");
    ASSERT_NE(stopped, nullptr);
    stopped->WatchMethodCall(service, "top_application", [](void*) {}, nullptr);
    MaemoSession::Registration registration = MaemoSession::Registration::kRegistered;
    uint32_t ownerProcess = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(MaemoSession::Open(service, "0.0.1", &registration, &ownerProcess), nullptr);  // never dispatched
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(registration, MaemoSession::Registration::kNotAnswering);
    EXPECT_EQ(ownerProcess, static_cast<uint32_t>(getpid()));

    // The owner leaves without answering once the call has reached it.
    const NarrowString leaving = UniqueService("leaving");
    auto owner = std::make_unique<BusPeer>();
    ASSERT_TRUE(owner->Own(leaving.c_str()));
    std::thread leave([&] {
        owner->CollectUntil("top_application");
        owner.reset();
    });
    std::unique_ptr<MaemoSession> taken = MaemoSession::Open(leaving, "0.0.1", &registration);
    leave.join();
    EXPECT_NE(taken, nullptr);
    EXPECT_EQ(registration, MaemoSession::Registration::kRegistered);
}

// A flood of calls: each dispatch serves at most its share of them, raises
// once, and answers those it served; in the end every caller has its answer.
TEST(MaemoSessionTest, AFloodOfCallsIsServedAShareAtATime)
{
    const NarrowString service = UniqueService("flood");
    int handled = 0;
    std::unique_ptr<MaemoSession> session = OpenCountingCalls(service, handled);
    ASSERT_NE(session, nullptr);

    // NOTE: two callers of 3000 calls each, every other one waiting for a
    // reply: far more than a dispatch's share, and more than the socket
    // holds at once.
    constexpr int kCallers = 2, kCalls = 3000;
    std::vector<std::unique_ptr<BusPeer>> callers;
    for (int k = 0; k < kCallers; ++k) {
        callers.push_back(std::make_unique<BusPeer>());
        ASSERT_NE(callers.back()->connection, nullptr);
    }
    std::vector<std::vector<DBusPendingCall*>> pending(kCallers);
    for (int k = 0; k < kCallers; ++k) {
        for (int i = 0; i < kCalls; ++i) {
            DBusMessage* call =
                dbus_message_new_method_call(service.c_str(), "/", service.c_str(), "top_application");
            if (i % 2) {
                dbus_message_set_no_reply(call, TRUE);
                dbus_connection_send(callers[k]->connection, call, nullptr);
            } else {
                DBusPendingCall* reply = nullptr;
                dbus_connection_send_with_reply(callers[k]->connection, call, &reply, DBUS_TIMEOUT_INFINITE);
                pending[k].push_back(reply);
            }
            dbus_message_unref(call);
        }
    }
    // The callers write while the session dispatches, as separate programs
    // would.
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int k = 0; k < kCallers; ++k)
        writers.emplace_back([&, k] {
            while (!stop && dbus_connection_read_write_dispatch(callers[k]->connection, 10)) {
            }
        });
    auto answered = [&] {
        for (const auto& calls : pending)
            for (DBusPendingCall* call : calls)
                if (!dbus_pending_call_get_completed(call)) return false;
        return true;
    };
    // What one pass of the frame loop may serve, however many calls wait (a
    // share of each bus's messages): a session that drained every call
    // arriving, as one that flushed its replies blocking did, served
    // thousands in a pass.
    constexpr int kPassShare = 128;
    int largest = 0;
    bool bounded = true;
    const bool all = VokeTest::PollUntil(
        [&] {
            const int before = handled;
            const int dispatched = session->Dispatch();
            largest = std::max(largest, dispatched);
            bounded = bounded && dispatched <= kPassShare && handled - before <= 1;
            return answered();
        },
        120.0, std::chrono::milliseconds(0));
    stop = true;
    for (std::thread& writer : writers) writer.join();
    EXPECT_TRUE(all) << "not every caller was answered";
    EXPECT_TRUE(bounded) << "a dispatch served more than its share (" << largest << "), or raised more than once";
    EXPECT_GE(handled, 1);
    for (const auto& calls : pending)
        for (DBusPendingCall* call : calls) {
            DBusMessage* reply = dbus_pending_call_steal_reply(call);
            EXPECT_TRUE(reply && dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN);
            if (reply) dbus_message_unref(reply);
            dbus_pending_call_unref(call);
        }
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

int64_t SlowNowMs() { return g_nowMs += 1000; }

// The passes a session takes to answer a top_application call that carries
// `bytes` of text, and a plain call sent after it: each pass waits for the
// bus as a frame would, then dispatches. -1 when they are not answered.
int PassesToAnswerALargeCall(MaemoSession& session, const NarrowString& service, std::size_t bytes)
{
    BusPeer caller;
    if (!caller.connection) return -1;
    const std::string text(bytes, 'x');
    std::vector<DBusPendingCall*> pending;
    for (const std::string& argument : {text, std::string()}) {
        DBusMessage* call = dbus_message_new_method_call(service.c_str(), "/", service.c_str(), "top_application");
        const char* value = argument.c_str();
        if (!argument.empty()) dbus_message_append_args(call, DBUS_TYPE_STRING, &value, DBUS_TYPE_INVALID);
        DBusPendingCall* reply = nullptr;
        dbus_connection_send_with_reply(caller.connection, call, &reply, DBUS_TIMEOUT_INFINITE);
        dbus_message_unref(call);
        if (reply) pending.push_back(reply);
    }
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        while (!stop && dbus_connection_read_write_dispatch(caller.connection, 10)) {
        }
    });
    int passes = 0;
    const bool answered = VokeTest::PollUntil(
        [&] {
            pollfd fd{session.GetSessionFd(), POLLIN, 0};
            if (!session.HasQueuedMessages()) poll(&fd, 1, 100);
            session.Dispatch();
            ++passes;
            return std::all_of(pending.begin(), pending.end(), dbus_pending_call_get_completed);
        },
        120.0, std::chrono::milliseconds(0));
    stop = true;
    writer.join();
    for (DBusPendingCall* call : pending) dbus_pending_call_unref(call);
    return answered && pending.size() == 2 ? passes : -1;
}

// A call of many megabytes (a client gone wrong or hostile) is read in a few
// passes, so that the calls behind it are answered soon; and a pass whose
// share of time is spent stops reading, so that it never holds up a frame.
TEST(MaemoSessionTest, ALargeCallIsReadInAFewPassesEachWithinItsShare)
{
    const NarrowString service = UniqueService("large");
    int handled = 0;
    std::unique_ptr<MaemoSession> session = OpenCountingCalls(service, handled);
    ASSERT_NE(session, nullptr);

    // NOTE: 16 MB, read a few kilobytes a pass (libdbus's own bound) as
    // before, took thousands of passes: over a minute of frames.
    constexpr std::size_t kLarge = 16u << 20;
    constexpr int kLargestPassCount = static_cast<int>(kLarge / (16u << 10));
    session->SetClock(NowMs);  // a clock that stands still: only the reads bound a pass
    const int passes = PassesToAnswerALargeCall(*session, service, kLarge);
    EXPECT_GT(passes, 0) << "not answered";
    EXPECT_LE(passes, kLargestPassCount) << "read less than 16 kB a pass";
    EXPECT_GE(handled, 1);

    // Every read takes a second: each pass reads once.
    constexpr std::size_t kSmaller = 1u << 20;
    session->SetClock(SlowNowMs);
    EXPECT_GE(PassesToAnswerALargeCall(*session, service, kSmaller), static_cast<int>(kSmaller / (16u << 10)));
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
