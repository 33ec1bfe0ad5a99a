// The socket layer on the loopback interface: listening, accepting, reads
// that wait for their whole count, writes to a peer that has gone, and name
// resolution.
#include "engine/debug/network.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "tests/support/poll.h"

namespace Voke {
namespace {

constexpr uint32_t kLoopback = 0x7F000001u;

// Waits for `done`; the limit only guards against a hang.
bool WaitUntil(const std::function<bool()>& done)
{
    return VokeTest::PollUntil(done, 20.0, std::chrono::milliseconds(5));
}

// Whether thread `tid` of this process is blocked receiving from a socket.
// Where the kernel does not tell, it is taken to be.
bool WaitsToReceive(pid_t tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
    if (!in) return true;
    long call = -1;
    in >> call;
    return in && call == SYS_recvfrom;
}

class NetworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        network = Network::Create();
        listener = network->CreateListenSocket();
        ASSERT_TRUE(listener);
        ASSERT_EQ(listener->Listen(kLoopback, 0), 0);
        port = listener->GetLocalPort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override { Network::Release(); }

    // A connected pair: the client end and the accepted end.
    void Connect(SmartPtr<StreamSocket>& client, SmartPtr<StreamSocket>& server)
    {
        client = network->CreateStreamSocket();
        ASSERT_EQ(client->Connect(kLoopback, port), 0);
        EXPECT_EQ(client->GetState(), kSocketOpen);
        ASSERT_TRUE(WaitUntil([&] {
            server = listener->Accept();
            return server.Get() != nullptr;
        }));
        EXPECT_EQ(server->GetState(), kSocketOpen);
        EXPECT_TRUE(server->IsOpen());
    }

    Network* network = nullptr;
    SmartPtr<ListenSocket> listener;
    uint16_t port = 0;
};

TEST_F(NetworkTest, TheFactoryIsOneProcessWideInstance)
{
    EXPECT_EQ(Network::Instance(), network);
    Network* second = Network::Create();
    EXPECT_EQ(Network::Instance(), second);
    Network::Release();
    EXPECT_EQ(Network::Instance(), nullptr);
}

TEST_F(NetworkTest, AcceptWithNothingPendingGivesNullAndKeepsListening)
{
    EXPECT_TRUE(listener->IsListening());
    EXPECT_EQ(listener->Accept(), nullptr);
    EXPECT_EQ(listener->GetState(), kSocketOpen);

    // The port is taken: a second listener fails into the error state.
    SmartPtr<ListenSocket> second(network->CreateListenSocket());
    EXPECT_EQ(second->GetState(), kSocketClosed);
    EXPECT_EQ(second->Listen(kLoopback, port), -1);
    EXPECT_EQ(second->GetState(), kSocketError);
    EXPECT_FALSE(second->IsListening());
    EXPECT_EQ(second->GetLocalPort(), 0);
}

TEST_F(NetworkTest, ReadsWaitForTheWholeCountAndStopWhenThePeerCloses)
{
    SmartPtr<StreamSocket> client, server;
    Connect(client, server);

    // Two sends read as one: the read waits for all eight bytes.
    std::thread writer([&] {
        client->Write("abcd", 4);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        client->Write("efgh", 4);
    });
    char buffer[16] = {};
    EXPECT_EQ(server->Read(buffer, 8), 8);
    writer.join();
    EXPECT_STREQ(buffer, "abcdefgh");
    EXPECT_EQ(server->Read(buffer, 0), 0);

    // The peer sends three bytes and closes: the read returns those three
    // and the socket counts as closed.
    EXPECT_EQ(client->Write("xyz", 3), 3);
    client.Reset();
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(server->Read(buffer, 10), 3);
    EXPECT_STREQ(buffer, "xyz");
    EXPECT_EQ(server->GetState(), kSocketClosed);
    EXPECT_FALSE(server->IsOpen());
    EXPECT_TRUE(server->IsGood());

    NarrowString line = "kept";
    EXPECT_FALSE(server->ReadLine(line));
    EXPECT_EQ(line, "kept");
}

TEST_F(NetworkTest, LinesDropCarriageReturns)
{
    SmartPtr<StreamSocket> client, server;
    Connect(client, server);
    ASSERT_TRUE(client->WriteString("he\rllo\r\nworld\n"));
    NarrowString line;
    EXPECT_TRUE(server->ReadLine(line));
    EXPECT_EQ(line, "hello");
    line.clear();
    EXPECT_TRUE(server->ReadLine(line));
    EXPECT_EQ(line, "world");
}

TEST_F(NetworkTest, WritingToAPeerThatHasGoneFailsWithoutASignal)
{
    SmartPtr<StreamSocket> client, server;
    Connect(client, server);
    client.Reset();
    // A large write needs many sends; the first ones may still be taken
    // before the peer's reset arrives, a later one fails. Without
    // MSG_NOSIGNAL this would end the test program with SIGPIPE.
    std::string block(1 << 20, 'x');
    int written = 1;
    for (int i = 0; i < 50 && server->GetState() != kSocketError; ++i) written = server->Write(block.data(), int(block.size()));
    EXPECT_EQ(server->GetState(), kSocketError);
    EXPECT_LT(written, int(block.size()));
    EXPECT_FALSE(server->IsGood());
}

TEST_F(NetworkTest, ShutdownWakesABlockedReader)
{
    SmartPtr<StreamSocket> client, server;
    Connect(client, server);
    int got = -1;
    std::atomic<pid_t> tid{0};
    std::thread reader([&] {
        tid = gettid();
        char c;
        got = server->Read(&c, 1);
    });
    EXPECT_TRUE(WaitUntil([&] { return tid != 0 && WaitsToReceive(tid); }));
    server->Shutdown();
    reader.join();
    EXPECT_EQ(got, 0);
}

TEST_F(NetworkTest, ConnectingToAPortWithoutListenerFails)
{
    uint16_t closedPort = port;
    listener.Reset();  // nothing listens there any more
    SmartPtr<StreamSocket> client(network->CreateStreamSocket());
    EXPECT_EQ(client->Connect(kLoopback, closedPort), -1);
    EXPECT_EQ(client->GetState(), kSocketError);
    char c;
    EXPECT_EQ(client->Read(&c, 1), 0);
}

TEST_F(NetworkTest, ActivityFlagIsSetByTraffic)
{
    SmartPtr<StreamSocket> client, server;
    g_networkActivity = false;
    Connect(client, server);
    EXPECT_TRUE(g_networkActivity);
    g_networkActivity = false;
    client->Write("a", 1);
    EXPECT_TRUE(g_networkActivity);
}

TEST_F(NetworkTest, ResolvesHostNames)
{
    EXPECT_EQ(network->ResolveHost("localhost"), kLoopback);
    EXPECT_EQ(network->ResolveHost("127.0.0.1"), kLoopback);
    EXPECT_EQ(network->ResolveHost("no-such-host.invalid"), 0u);
    EXPECT_EQ(network->ResolveHost(nullptr), 0u);
}

}  // namespace
}  // namespace Voke
