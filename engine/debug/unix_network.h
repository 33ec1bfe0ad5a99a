// The network layer over POSIX sockets: IPv4 TCP only. The one file of the
// debug library that includes the socket headers.
#pragma once

#include <atomic>

#include "engine/debug/network.h"

namespace Voke {

class UnixNetwork : public Network {
public:
    StreamSocket* CreateStreamSocket() override;
    // SO_REUSEADDR set, non-blocking (Accept never waits).
    ListenSocket* CreateListenSocket() override;
    uint32_t ResolveHost(const char* name) override;
};

class UnixListenSocket : public ListenSocket {
public:
    UnixListenSocket(int descriptor, int state);
    ~UnixListenSocket() override;
    UnixListenSocket(const UnixListenSocket&) = delete;
    UnixListenSocket& operator=(const UnixListenSocket&) = delete;

    int Listen(uint32_t address, uint16_t port) override;
    StreamSocket* Accept() override;
    int GetState() const override { return m_state; }
    uint16_t GetLocalPort() const override;

private:
    int m_descriptor;
    int m_state;
};

class UnixStreamSocket : public StreamSocket {
public:
    // Takes over the descriptor (closed by the destructor) and puts it in
    // blocking mode.
    UnixStreamSocket(int descriptor, int state);
    ~UnixStreamSocket() override;
    UnixStreamSocket(const UnixStreamSocket&) = delete;
    UnixStreamSocket& operator=(const UnixStreamSocket&) = delete;

    // Waits until `bytes` bytes have arrived. The peer closing the connection
    // first sets state 0, a failure state 2; either way the bytes received so
    // far are counted. 0 bytes asks for nothing and makes no system call.
    int Read(void* buffer, int bytes) override;
    // Sends every byte (retrying short sends and interruptions). A closed
    // peer is a failure (state 2), never a signal. Returns the bytes sent.
    int Write(const void* buffer, int bytes) override;
    int Connect(uint32_t address, uint16_t port) override;
    int GetState() const override { return m_state.load(std::memory_order_relaxed); }
    void Shutdown() override;
    int TrySend(const void* buffer, int bytes) override;

private:
    // Written by the thread that reads and the thread that writes.
    std::atomic<int> m_state;
    int m_descriptor;
};

}  // namespace Voke
