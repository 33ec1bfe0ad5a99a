#include "tests/engine/debug/console_test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace Voke {
namespace Test {

namespace {
// NOTE: generous for sanitizer builds on a busy machine; a passing test
// never waits this long.
constexpr auto kTimeout = std::chrono::seconds(20);
}  // namespace

ConsoleUser::ConsoleUser(uint16_t port)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in in;
    std::memset(&in, 0, sizeof in);
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&in), sizeof in) != 0) Close();
}

ConsoleUser::~ConsoleUser() { Close(); }

void ConsoleUser::Close()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool ConsoleUser::Send(const std::string& bytes)
{
    size_t done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        ssize_t sent = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        done += size_t(sent);
    }
    return done == bytes.size();
}

bool ConsoleUser::Fill(DebugOverlay* overlay)
{
    float frame = 1.0f / 60.0f;
    if (overlay) overlay->Update(frame);
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 5) <= 0) return true;
    char chunk[4096];
    ssize_t got = ::recv(m_fd, chunk, sizeof chunk, 0);
    if (got <= 0) {
        m_ended = true;
        return false;
    }
    m_buffer.append(chunk, size_t(got));
    return true;
}

bool ConsoleUser::ReadLine(DebugOverlay* overlay, std::string& line)
{
    auto deadline = std::chrono::steady_clock::now() + kTimeout;
    for (;;) {
        size_t lf = m_buffer.find('\n');
        if (lf != std::string::npos) {
            if (lf == 0 || m_buffer[lf - 1] != '\r') return false;
            line = m_buffer.substr(0, lf - 1);
            m_buffer.erase(0, lf + 1);
            return true;
        }
        if (m_fd < 0 || m_ended || std::chrono::steady_clock::now() > deadline) return false;
        Fill(overlay);
    }
}

std::vector<std::string> ConsoleUser::ReadLines(DebugOverlay* overlay, std::size_t count)
{
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < count && ReadLine(overlay, line)) lines.push_back(line);
    return lines;
}

bool ConsoleUser::WaitForEnd(DebugOverlay* overlay)
{
    auto deadline = std::chrono::steady_clock::now() + kTimeout;
    while (!m_ended && m_fd >= 0 && std::chrono::steady_clock::now() < deadline) Fill(overlay);
    return m_ended;
}

}  // namespace Test
}  // namespace Voke
