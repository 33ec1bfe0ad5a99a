// A remote console user for tests: a plain POSIX TCP client on the loopback
// interface that reads CR LF lines while running the overlay's frames, since
// the overlay executes remote lines in its Update.
#pragma once

#include <string>
#include <vector>

#include "engine/core/ref_counter.h"
#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/debug/debug_overlay.h"

namespace Voke {
namespace Test {

class ConsoleUser {
public:
    explicit ConsoleUser(uint16_t port);
    ~ConsoleUser();
    ConsoleUser(const ConsoleUser&) = delete;
    ConsoleUser& operator=(const ConsoleUser&) = delete;

    bool IsConnected() const { return m_fd >= 0; }
    // Sends every byte (false when the connection failed).
    bool Send(const std::string& bytes);
    // The next line without its CR LF, running overlay frames while waiting;
    // false on timeout, end of stream, or a line not ending in CR LF.
    bool ReadLine(DebugOverlay* overlay, std::string& line);
    // The next `count` lines (fewer on failure).
    std::vector<std::string> ReadLines(DebugOverlay* overlay, std::size_t count);
    // True when the server closes the connection (after any pending lines,
    // which are dropped) before the timeout.
    bool WaitForEnd(DebugOverlay* overlay);
    void Close();

private:
    // Reads what is there within a short wait; false at end of stream.
    bool Fill(DebugOverlay* overlay);

    int m_fd = -1;
    std::string m_buffer;
    bool m_ended = false;
};

// The application side of the console: a registry, a text dictionary, and a
// count of exit requests.
class TestHost : public DebugOverlayHost {
public:
    TestHost() : registry(new Registry), texts(new TextDict) {}
    void Exit() override { ++exits; }
    Registry* GetRegistry() override { return services ? registry.Get() : nullptr; }
    TextDict* GetTextDict() override { return services ? texts.Get() : nullptr; }
    void SetAudioPaused(bool paused) override { audioPaused = paused; }

    SmartPtr<Registry> registry;
    SmartPtr<TextDict> texts;
    bool services = true;
    int exits = 0;
    bool audioPaused = false;
};

}  // namespace Test
}  // namespace Voke
