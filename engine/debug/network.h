// The network layer of the remote console: a process-wide factory of IPv4 TCP
// sockets, the two socket kinds it makes, and the network activity flag.
//
// Addresses are 32-bit IPv4 numbers in host byte order (0 = any address);
// ports are 16-bit, host byte order. Sockets report failures only through
// their state and their return values; nothing here prints.
//
// Socket states: 0 closed (before listening or connecting, and after the peer
// closed the connection), 1 open (listening, or connected), 2 error (final).
//
// Threads: a socket is used by one thread at a time, except that one thread
// may write to and shut down a stream socket while another is blocked reading
// it (the console's main thread and a client thread).
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/core/io_stream.h"
#include "engine/core/ref_counter.h"

namespace Voke {

// Set before every receive, send and connect, on any thread; the debug
// overlay shows its network icon while it is set and clears it. Only a
// display hint (relaxed atomic so that concurrent setting is not a race).
extern std::atomic<bool> g_networkActivity;
inline void MarkNetworkActivity() { g_networkActivity.store(true, std::memory_order_relaxed); }

enum SocketState : int { kSocketClosed = 0, kSocketOpen = 1, kSocketError = 2 };

// A connected TCP stream. Read blocks until the whole count has arrived.
class StreamSocket : public IOStream {
public:
    // Connects to address:port; state 1 and 0 on success, state 2 and -1 on
    // failure.
    virtual int Connect(uint32_t address, uint16_t port) = 0;
    virtual int GetState() const = 0;
    // Ends the connection in both directions without closing the descriptor:
    // a read blocked in another thread returns with what it has.
    virtual void Shutdown() = 0;
    // Sends what the connection takes at once, never waiting for the peer:
    // the bytes sent (0 when it takes none now), or -1 once the connection
    // has failed (state 2). A closed peer is a failure, never a signal.
    virtual int TrySend(const void* buffer, int bytes) = 0;

    bool IsOpen() override { return GetState() == kSocketOpen; }
    // False once the socket has failed.
    bool IsGood() override { return GetState() != kSocketError; }
};

// A listening TCP socket; Accept never blocks.
class ListenSocket : public RefCounter {
public:
    // Binds to address:port and listens. 0 and state 1 on success; -1 and
    // state 2 when either step fails.
    virtual int Listen(uint32_t address, uint16_t port) = 0;
    // A new connected socket (state 1, blocking reads), or null when no
    // connection is waiting or on failure (then the state becomes 2 unless
    // the failure is one that a later call may not meet again).
    virtual StreamSocket* Accept() = 0;
    virtual int GetState() const = 0;
    // The port the socket is bound to (the one the system picked for port
    // 0); 0 when it is not bound.
    virtual uint16_t GetLocalPort() const = 0;

    bool IsListening() const { return GetState() == kSocketOpen; }
};

// The factory. One process-wide instance, made by Create.
class Network : public RefCounter {
public:
    // Both return a new socket (reference count 0), or null when the system
    // gives no socket (the stream socket: a socket that fails every call).
    virtual StreamSocket* CreateStreamSocket() = 0;
    virtual ListenSocket* CreateListenSocket() = 0;
    // The first IPv4 address of the host name, host byte order; 0 when the
    // name does not resolve.
    virtual uint32_t ResolveHost(const char* name) = 0;

    // Makes the platform's network, stores it as the instance (releasing the
    // previous one) and returns it.
    static Network* Create();
    // The instance; null until Create.
    static Network* Instance();
    // Drops the instance.
    static void Release();

private:
    static SmartPtr<Network> s_instance;
};

}  // namespace Voke
