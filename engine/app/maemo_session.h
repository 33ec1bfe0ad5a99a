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

#include <poll.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/strings.h"

struct DBusConnection;
struct DBusMessage;

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
        // "top_application" call on the service's interface: the program
        // already runs and was asked to come to the front. No session.
        kAlreadyRunning,
        // Another process owns the name and did not answer that call within
        // kRaiseReplyMs: it is stopped or hung. No session.
        kNotAnswering,
        // An invalid name, or the bus refused it. No session.
        kFailed,
    };

    // Registers the application: connects to the session bus and takes the
    // name `service` there (which must be a valid bus name, see ServiceName;
    // an empty one takes no name: the program then runs on the bus unknown
    // by name), then connects to the system bus if one answers. `version` is
    // the application's version, kept for the record. When another process
    // owns the name, it is asked to the front with a "top_application" call
    // on InterfaceName(service), waiting at most kRaiseReplyMs for its
    // answer, and no session is made; should the owner have gone meanwhile,
    // the name is asked for once more. Returns null for an invalid name or
    // one that another process keeps; a session bus that does not answer
    // gives a session without it. An invalid name, a refusal by the bus
    // (with the bus's own error) and a session bus that does not answer are
    // reported as one line on standard output; an owner that does not
    // answer is left to the caller to report (kNotAnswering), who knows the
    // program's name. `registration`, when given, receives how it went, and
    // `owner`, when given, the process id of an owner that did not answer
    // (0 when the bus cannot tell).
    static std::unique_ptr<MaemoSession> Open(const NarrowString& service, const NarrowString& version,
                                              Registration* registration = nullptr, uint32_t* owner = nullptr);
    // NOTE: a running program answers within a frame or two; one that does
    // not in this time is stopped or hung, and a second start that waits
    // longer only keeps the user waiting.
    static constexpr int kRaiseReplyMs = 3000;
    // The service name of a program called `program` (its base name, which
    // may hold any bytes): `prefix` (a valid bus name ending in '.')
    // followed by the program's name made a valid bus name: every byte that
    // a bus name cannot hold becomes '_', an element that is empty or starts
    // with a digit gets a '_' in front, and the whole is cut to the 255
    // bytes a bus name may have. Every start under the same name gets the
    // same service name, so a second start finds the first. Empty for an
    // empty program name, from which no name can be made.
    static NarrowString ServiceName(const NarrowString& prefix, const NarrowString& program);
    // The D-Bus interface name of a service's own calls: the service name
    // with every character that an interface name cannot hold (a '-', which
    // bus names allow) replaced by '_'. Empty when even that is no valid
    // interface name.
    static NarrowString InterfaceName(const NarrowString& service);

    // Releases the name and closes both connections.
    ~MaemoSession();
    MaemoSession(const MaemoSession&) = delete;
    MaemoSession& operator=(const MaemoSession&) = delete;

    const NarrowString& GetService() const { return m_service; }
    const NarrowString& GetVersion() const { return m_version; }
    DBusConnection* GetSessionConnection() const { return m_session; }
    // Null without a system bus.
    DBusConnection* GetSystemConnection() const { return m_system; }

    // Watches method calls whose interface and member are these (any object
    // path): once per Dispatch in which at least one arrived, `handler(data)`
    // is called, and then every caller that waits for a reply gets an empty
    // one. One handler; a second call replaces it. An interface that is no
    // valid interface name watches nothing.
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
    // Tests drive the clock the interval and the read share are measured
    // on (monotonic milliseconds by default).
    void SetClock(int64_t (*nowMs)()) { m_clock = nowMs; }

    // Queues a signal without arguments on the session bus and writes what
    // the socket takes now; the rest goes out with the next Dispatch.
    bool SendSignal(const char* path, const char* interface, const char* member);

    // Reads what the buses have ready, system bus first, dispatches at most
    // kMaxMessagesPerDispatch of the messages received on each, and writes
    // what is pending, all without waiting. While no whole message has
    // arrived, it reads on as long as the socket holds more, for at most
    // kReadShareMs on the session's clock (SetClock) and kMaxReadsPerDispatch
    // reads: a large message comes in within a few passes, not a few
    // kilobytes a pass. Returns how many messages were dispatched. However
    // many arrive, one call never takes longer than its share: the rest wait
    // for the next.
    int Dispatch();
    // NOTE: a frame's share of the bus. A flood of calls (from a client gone
    // wrong or hostile) then costs a frame no more than this many small
    // messages, while a desktop's few calls are all served at once.
    static constexpr int kMaxMessagesPerDispatch = 64;
    // NOTE: a frame's share of reading one bus: 4 ms of the 16.7 of a frame
    // at 60 per second. A read takes a few kilobytes at most (libdbus's own
    // bound) in some microseconds: a 100 MB call comes in within a second on
    // an idle desktop machine, about three on one loaded three times over.
    // The count bounds a pass whose clock does not move.
    static constexpr int64_t kReadShareMs = 4;
    static constexpr int kMaxReadsPerDispatch = 1024;
    // The file descriptors to wait on for incoming messages; -1 for a bus that
    // is absent or gone.
    int GetSessionFd() const;
    int GetSystemFd() const;
    // Adds to `fds` what a wait for the buses watches: each connected bus's
    // descriptor, for reading, and for writing while it has messages that
    // the socket did not take yet (replies to a caller that reads slowly).
    void AppendWaitDescriptors(std::vector<pollfd>& fds) const;
    // Whether messages were received that no Dispatch has served yet (a
    // wait on the descriptors would not see them).
    bool HasQueuedMessages() const;

private:
    friend struct MaemoSessionFilters;
    MaemoSession() = default;
    bool Request(const char* member, int64_t& lastSentMs);
    int64_t Now() const;

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
    // The replies to the watched calls of the current Dispatch whose callers
    // wait for one, sent once the handler has run. The calls themselves are
    // not kept: a large one is freed as soon as it is dispatched.
    std::vector<DBusMessage*> m_replies;
    bool m_methodCalled = false;

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
