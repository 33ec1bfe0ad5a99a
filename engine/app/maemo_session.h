// The program's session on the desktop's message buses.
//
// The handset registers every application with its session service: the
// application owns a well-known name on the session bus, listens on the system
// bus for the display's state (on, off, dimmed) and may ask the display service
// to switch the display on or to postpone blanking. This layer does exactly
// that over libdbus, and nothing else; the application never sees a libdbus
// type.
//
// Both buses are optional. Without a session bus the program runs unknown to
// the desktop (it cannot be raised nor minimised); without a system bus
// (build machines and desktops often have none) the display counts as on
// for good.
// Every call runs on the main thread; handlers run inside Dispatch and Wait.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/strings.h"

struct DBusConnection;

namespace Voke {

class MaemoSession {
public:
    // Display states reported by the display service.
    enum DisplayState : int {
        kDisplayOn = 0,
        kDisplayOff = 1,
        kDisplayDimmed = 2,
    };
    using DisplayStateHandler = void (*)(int state, void* data);
    using MethodHandler = void (*)(void* data);

    // How a registration went.
    enum class Registration {
        // A session (on the session bus, or without one when none answers).
        kRegistered,
        // Another process of this session owns the name, and answered a
        // "top_application" call on the interface `service`: the program
        // already runs and was asked to the front. No session.
        kAlreadyRunning,
        // An invalid name, or one whose owner did not answer. No session.
        kFailed,
    };

    // Registers the application: connects to the session bus and takes the
    // name `service` there (which must be a valid bus name), then connects to
    // the system bus if one answers. `version` is the application's version,
    // kept for the record. When another process owns the name, it is asked
    // to the front with a "top_application" call (waiting at most
    // kRaiseReplyMs for its answer) and no session is made. Returns null for
    // an invalid name or one that another process owns; a session bus that
    // does not answer gives a session without it. A failure, and a session
    // bus that does not answer, are reported as one line on standard output.
    // `registration`, when given, receives how it went.
    static std::unique_ptr<MaemoSession> Open(const NarrowString& service, const NarrowString& version,
                                              Registration* registration = nullptr);
    static constexpr int kRaiseReplyMs = 10000;
    // Releases the name and closes both connections.
    ~MaemoSession();
    MaemoSession(const MaemoSession&) = delete;
    MaemoSession& operator=(const MaemoSession&) = delete;

    const NarrowString& GetService() const { return m_service; }
    const NarrowString& GetVersion() const { return m_version; }
    DBusConnection* GetSessionConnection() const { return m_session; }
    // Null without a system bus.
    DBusConnection* GetSystemConnection() const { return m_system; }

    // Calls `handler(data)` for every method call whose interface and member
    // are these (any object path). A caller that waits for a reply gets an
    // empty one. One handler; a second call replaces it.
    void WatchMethodCall(const NarrowString& interface, const NarrowString& member, MethodHandler handler,
                         void* data);
    // Calls `handler(state, data)` whenever the display service reports the
    // display's state. Without a system bus it is never called.
    void SetDisplayStateHandler(DisplayStateHandler handler, void* data);

    // Asks the display service to switch the display on, and to postpone
    // blanking. Each request goes out at most once per kRequestInterval ms;
    // the others are dropped, since callers repeat them every frame. False
    // when there is no system bus or the message could not be queued.
    bool RequestDisplayOn();
    bool PauseBlanking();
    static constexpr int64_t kRequestIntervalMs = 1000;
    // Tests drive the clock the interval is measured on (monotonic
    // milliseconds by default).
    void SetClock(int64_t (*nowMs)()) { m_clock = nowMs; }

    // Sends a signal without arguments on the session bus and flushes it.
    bool SendSignal(const char* path, const char* interface, const char* member);

    // Reads, writes and dispatches what the buses have ready, system bus
    // first, without waiting.
    void Dispatch();
    // The file descriptors to wait on for incoming messages; -1 for a bus that
    // is absent or gone.
    int GetSessionFd() const;
    int GetSystemFd() const;

private:
    friend struct MaemoSessionFilters;
    MaemoSession() = default;
    bool Request(const char* member, int64_t& lastSentMs);

    NarrowString m_service;
    NarrowString m_version;
    DBusConnection* m_session = nullptr;
    DBusConnection* m_system = nullptr;

    NarrowString m_methodInterface;
    NarrowString m_methodMember;
    NarrowString m_methodRule;
    MethodHandler m_methodHandler = nullptr;
    void* m_methodData = nullptr;
    bool m_sessionFilterAdded = false;

    DisplayStateHandler m_displayHandler = nullptr;
    void* m_displayData = nullptr;
    bool m_systemFilterAdded = false;

    // The clock of the request interval; null for the monotonic clock.
    int64_t (*m_clock)() = nullptr;
    // When each request last went out (monotonic ms); -1 for never.
    int64_t m_lastDisplayOnMs = -1;
    int64_t m_lastBlankingPauseMs = -1;
};

}  // namespace Voke
