#include "engine/debug/unix_network.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace Voke {

namespace {

// NOTE: the backlog of pending connections; the console accepts one per frame.
constexpr int kListenBacklog = 5;

sockaddr_in MakeAddress(uint32_t address, uint16_t port)
{
    sockaddr_in in;
    std::memset(&in, 0, sizeof in);
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    in.sin_addr.s_addr = htonl(address);
    return in;
}

}  // namespace

StreamSocket* UnixNetwork::CreateStreamSocket()
{
    // A failed socket() is kept as descriptor -1: every call then fails into
    // state 2.
    return new UnixStreamSocket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0), kSocketClosed);
}

ListenSocket* UnixNetwork::CreateListenSocket()
{
    int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor == -1) return nullptr;
    int on = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::fcntl(descriptor, F_SETFL, O_NONBLOCK);
    return new UnixListenSocket(descriptor, kSocketClosed);
}

uint32_t UnixNetwork::ResolveHost(const char* name)
{
    if (!name) return 0;
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &result) != 0 || !result) return 0;
    uint32_t address = 0;
    if (result->ai_addr && result->ai_addrlen >= sizeof(sockaddr_in))
        address = ntohl(reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(result);
    return address;
}

UnixListenSocket::UnixListenSocket(int descriptor, int state) : m_descriptor(descriptor), m_state(state) {}

UnixListenSocket::~UnixListenSocket()
{
    if (m_descriptor != -1) ::close(m_descriptor);
}

int UnixListenSocket::Listen(uint32_t address, uint16_t port)
{
    sockaddr_in in = MakeAddress(address, port);
    if (::bind(m_descriptor, reinterpret_cast<sockaddr*>(&in), sizeof in) != 0 ||
        ::listen(m_descriptor, kListenBacklog) != 0) {
        m_state = kSocketError;
        return -1;
    }
    m_state = kSocketOpen;
    return 0;
}

StreamSocket* UnixListenSocket::Accept()
{
    int descriptor = ::accept4(m_descriptor, nullptr, nullptr, SOCK_CLOEXEC);
    if (descriptor != -1) return new UnixStreamSocket(descriptor, kSocketOpen);
    // Nothing waiting, or a connection that went away before it was taken:
    // the listener is fine.
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
        m_state = kSocketError;
    return nullptr;
}

uint16_t UnixListenSocket::GetLocalPort() const
{
    sockaddr_in in;
    socklen_t length = sizeof in;
    if (::getsockname(m_descriptor, reinterpret_cast<sockaddr*>(&in), &length) != 0) return 0;
    return ntohs(in.sin_port);
}

UnixStreamSocket::UnixStreamSocket(int descriptor, int state) : m_state(state), m_descriptor(descriptor)
{
    // The console's client threads rely on blocking reads.
    int flags = ::fcntl(m_descriptor, F_GETFL);
    if (flags != -1) ::fcntl(m_descriptor, F_SETFL, flags & ~O_NONBLOCK);
}

UnixStreamSocket::~UnixStreamSocket()
{
    if (m_descriptor != -1) ::close(m_descriptor);
}

int UnixStreamSocket::Read(void* buffer, int bytes)
{
    if (bytes <= 0) return 0;
    char* out = static_cast<char*>(buffer);
    int done = 0;
    while (done < bytes) {
        MarkNetworkActivity();
        ssize_t got = ::recv(m_descriptor, out + done, size_t(bytes - done), 0);
        if (got > 0) {
            done += int(got);
        } else if (got == 0) {
            m_state = kSocketClosed;
            break;
        } else if (errno != EINTR) {
            m_state = kSocketError;
            break;
        }
    }
    return done;
}

int UnixStreamSocket::Write(const void* buffer, int bytes)
{
    if (bytes <= 0) return 0;
    const char* in = static_cast<const char*>(buffer);
    int done = 0;
    while (done < bytes) {
        MarkNetworkActivity();
        // MSG_NOSIGNAL: a peer that has gone makes the send fail instead of
        // raising SIGPIPE, which would end the program.
        ssize_t sent = ::send(m_descriptor, in + done, size_t(bytes - done), MSG_NOSIGNAL);
        if (sent >= 0) {
            done += int(sent);
        } else if (errno != EINTR) {
            m_state = kSocketError;
            break;
        }
    }
    return done;
}

int UnixStreamSocket::Connect(uint32_t address, uint16_t port)
{
    MarkNetworkActivity();
    sockaddr_in in = MakeAddress(address, port);
    int result = ::connect(m_descriptor, reinterpret_cast<sockaddr*>(&in), sizeof in);
    m_state = result == 0 ? kSocketOpen : kSocketError;
    return result == 0 ? 0 : -1;
}

void UnixStreamSocket::Shutdown()
{
    if (m_descriptor != -1) ::shutdown(m_descriptor, SHUT_RDWR);
}

int UnixStreamSocket::TrySend(const void* buffer, int bytes)
{
    if (m_state == kSocketError) return -1;
    if (bytes <= 0) return 0;
    for (;;) {
        MarkNetworkActivity();
        ssize_t sent = ::send(m_descriptor, buffer, size_t(bytes), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent >= 0) return int(sent);
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        if (errno != EINTR) {
            m_state = kSocketError;
            return -1;
        }
    }
}

}  // namespace Voke
