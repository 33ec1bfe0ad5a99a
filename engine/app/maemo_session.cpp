#include "engine/app/maemo_session.h"

#include <dbus/dbus.h>
#include <sys/ioctl.h>

#include <cstring>

#include "engine/app/clock.h"
#include "engine/core/report.h"

namespace Voke {

namespace {

// The display-management service on the system bus: requests go to it as
// method calls without replies, and it announces the display's state ("on",
// "off" or "dimmed") as a signal with one text argument.
const char kDisplayService[] = "org.voke.DisplayService";
const char kDisplayRequestPath[] = "/org/voke/DisplayService/request";
const char kDisplayRequestInterface[] = "org.voke.DisplayService.Request";
const char kDisplayOnRequest[] = "RequestDisplayOn";
const char kBlankingPauseRequest[] = "RequestBlankingPause";
const char kDisplaySignalInterface[] = "org.voke.DisplayService.Signal";
const char kDisplayStateSignal[] = "DisplayState";
const char kDisplayStateRule[] = "type='signal',interface='org.voke.DisplayService.Signal',member='DisplayState'";

// A private connection to one of the buses, which must not end the process
// when the bus goes away; null with the error left in `error`.
DBusConnection* Connect(DBusBusType type, DBusError* error)
{
    DBusConnection* connection = dbus_bus_get_private(type, error);
    if (connection) dbus_connection_set_exit_on_disconnect(connection, FALSE);
    return connection;
}

void Disconnect(DBusConnection*& connection)
{
    if (!connection) return;
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
    connection = nullptr;
}

// Writes what the connection has queued, as far as the socket takes it now;
// reads what has arrived on the way.
void WritePending(DBusConnection* connection)
{
    if (dbus_connection_get_is_connected(connection) && dbus_connection_has_messages_to_send(connection))
        dbus_connection_read_write(connection, 0);
}

int ConnectionFd(DBusConnection* connection)
{
    int fd = -1;
    if (!connection || !dbus_connection_get_is_connected(connection)) return -1;
    if (!dbus_connection_get_unix_fd(connection, &fd)) return -1;
    return fd;
}

// The bytes a bus or interface name element holds besides '-' (bus names
// only): ASCII letters, digits and '_'.
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameByte(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '_'; }

// Whether the connection's socket holds bytes not read yet.
bool HasUnreadBytes(DBusConnection* connection)
{
    const int fd = ConnectionFd(connection);
    int bytes = 0;
    return fd >= 0 && ioctl(fd, FIONREAD, &bytes) == 0 && bytes > 0;
}

// The process id of the owner of `service`, as the bus knows it; 0 when it
// cannot tell.
uint32_t OwnerProcess(DBusConnection* connection, const NarrowString& service)
{
    DBusMessage* call = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS,
                                                     "GetConnectionUnixProcessID");
    const char* name = service.c_str();
    if (!call || !dbus_message_append_args(call, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID)) {
        if (call) dbus_message_unref(call);
        return 0;
    }
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection, call, MaemoSession::kRaiseReplyMs, nullptr);
    dbus_message_unref(call);
    dbus_uint32_t pid = 0;
    if (reply && !dbus_message_get_args(reply, nullptr, DBUS_TYPE_UINT32, &pid, DBUS_TYPE_INVALID)) pid = 0;
    if (reply) dbus_message_unref(reply);
    return pid;
}

// How a "top_application" call to the owner of a service went.
enum class CallOutcome {
    kAnswered,
    // No answer in time: the owner is stopped or hung.
    kNoAnswer,
    // The name has no owner any more (it ended before or while it was
    // called).
    kOwnerGone,
    kFailed,
};

// Asks the owner of `service` to the front: a "top_application" call on the
// service's interface, as the desktop sends it. `reason` receives why a call
// that was not answered failed.
CallOutcome CallTopApplication(DBusConnection* connection, const NarrowString& service, NarrowString& reason)
{
    const NarrowString interface = MaemoSession::InterfaceName(service);
    if (interface.empty()) {
        reason = "\"" + service + "\" has no interface name";
        return CallOutcome::kFailed;
    }
    DBusMessage* call = dbus_message_new_method_call(service.c_str(), "/", interface.c_str(), "top_application");
    if (!call) {
        reason = "out of memory";
        return CallOutcome::kFailed;
    }
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply =
        dbus_connection_send_with_reply_and_block(connection, call, MaemoSession::kRaiseReplyMs, &error);
    dbus_message_unref(call);
    if (reply) {
        dbus_message_unref(reply);
        dbus_error_free(&error);
        return CallOutcome::kAnswered;
    }
    // The bus answers for an owner that leaves without a reply with the same
    // error as a call that timed out: whether the name still has an owner
    // tells the two apart.
    CallOutcome outcome = CallOutcome::kFailed;
    if (!dbus_bus_name_has_owner(connection, service.c_str(), nullptr)) {
        outcome = CallOutcome::kOwnerGone;
        reason = "the program that owned it has ended";
    } else if (dbus_error_has_name(&error, DBUS_ERROR_NO_REPLY) || dbus_error_has_name(&error, DBUS_ERROR_TIMEOUT)) {
        outcome = CallOutcome::kNoAnswer;
    } else {
        reason = dbus_error_is_set(&error) ? error.message : "the call failed";
    }
    dbus_error_free(&error);
    return outcome;
}

}  // namespace

struct MaemoSessionFilters {
    static DBusHandlerResult OnSessionMessage(DBusConnection*, DBusMessage* message, void* data)
    {
        MaemoSession* session = static_cast<MaemoSession*>(data);
        if (!session->m_methodHandler || session->m_methodInterface.empty() ||
            !dbus_message_is_method_call(message, session->m_methodInterface.c_str(),
                                         session->m_methodMember.c_str()))
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        // The handler runs once the pass's messages are dispatched, and the
        // callers that wait get their answers after it.
        session->m_methodCalled = true;
        if (!dbus_message_get_no_reply(message))
            if (DBusMessage* reply = dbus_message_new_method_return(message)) session->m_replies.push_back(reply);
        return DBUS_HANDLER_RESULT_HANDLED;
    }

    // Runs the method handler once for the watched calls of this dispatch,
    // then answers their callers, without waiting for the socket.
    static void AnswerCalls(MaemoSession& session)
    {
        if (session.m_methodCalled && session.m_methodHandler) session.m_methodHandler(session.m_methodData);
        session.m_methodCalled = false;
        for (DBusMessage* reply : session.m_replies) {
            dbus_connection_send(session.m_session, reply, nullptr);
            dbus_message_unref(reply);
        }
        session.m_replies.clear();
    }

    // Dispatches at most `budget` messages of the connection. While no whole
    // message waits, reads on as long as the socket holds more, within the
    // pass's share of reads and of time: libdbus takes a few kilobytes a
    // read, and a large message read a read a pass would keep every call
    // behind it waiting for minutes.
    static int DispatchConnection(const MaemoSession& session, DBusConnection* connection, int budget)
    {
        if (!connection || !dbus_connection_get_is_connected(connection)) return 0;
        dbus_connection_read_write(connection, 0);
        const int64_t readUntilMs = session.Now() + MaemoSession::kReadShareMs;
        int reads = 1;
        int dispatched = 0;
        while (dispatched < budget) {
            const DBusDispatchStatus status = dbus_connection_get_dispatch_status(connection);
            if (status == DBUS_DISPATCH_DATA_REMAINS) {
                dbus_connection_dispatch(connection);
                ++dispatched;
                continue;
            }
            if (status != DBUS_DISPATCH_COMPLETE || reads >= MaemoSession::kMaxReadsPerDispatch ||
                !HasUnreadBytes(connection) || session.Now() >= readUntilMs)
                break;
            dbus_connection_read_write(connection, 0);
            ++reads;
        }
        return dispatched;
    }

    static DBusHandlerResult OnSystemMessage(DBusConnection*, DBusMessage* message, void* data)
    {
        MaemoSession* session = static_cast<MaemoSession*>(data);
        if (!dbus_message_is_signal(message, kDisplaySignalInterface, kDisplayStateSignal))
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        const char* text = nullptr;
        DBusError error;
        dbus_error_init(&error);
        if (!dbus_message_get_args(message, &error, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID)) {
            dbus_error_free(&error);
            return DBUS_HANDLER_RESULT_HANDLED;
        }
        int state = -1;
        if (std::strcmp(text, "on") == 0)
            state = MaemoSession::kDisplayOn;
        else if (std::strcmp(text, "off") == 0)
            state = MaemoSession::kDisplayOff;
        else if (std::strcmp(text, "dimmed") == 0)
            state = MaemoSession::kDisplayDimmed;
        if (state >= 0 && session->m_displayHandler) session->m_displayHandler(state, session->m_displayData);
        return DBUS_HANDLER_RESULT_HANDLED;
    }
};

std::unique_ptr<MaemoSession> MaemoSession::Open(const NarrowString& service, const NarrowString& version,
                                                 Registration* registration, uint32_t* owner)
{
    Registration ignored = Registration::kFailed;
    Registration& result = registration ? *registration : ignored;
    result = Registration::kFailed;
    if (owner) *owner = 0;
    DBusError error;
    dbus_error_init(&error);
    if (!service.empty() && !dbus_validate_bus_name(service.c_str(), &error)) {
        ReportError("session: \"%s\" is not a valid service name: %s", service.c_str(), error.message);
        dbus_error_free(&error);
        return nullptr;
    }

    std::unique_ptr<MaemoSession> session(new MaemoSession);
    session->m_service = service;
    session->m_version = version;
    session->m_session = Connect(DBUS_BUS_SESSION, &error);
    if (!session->m_session) {
        // A desktop without a session bus still runs the program; it only
        // cannot be raised by the desktop nor minimise itself.
        ReportError("session: cannot connect to the session bus, running without it: %s",
                    dbus_error_is_set(&error) ? error.message : "unknown error");
        dbus_error_free(&error);
    } else if (!service.empty()) {
        // The name is asked for a second time only when its owner ended
        // between the first request and the call to it.
        constexpr int kRequests = 2;
        for (int request = 1;; ++request) {
            const int reply =
                dbus_bus_request_name(session->m_session, service.c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
            if (reply == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER || reply == DBUS_REQUEST_NAME_REPLY_ALREADY_OWNER) break;
            NarrowString reason = dbus_error_is_set(&error) ? error.message : "the name is taken";
            dbus_error_free(&error);
            if (reply == DBUS_REQUEST_NAME_REPLY_EXISTS) {
                // The program already runs in this session: on a desktop
                // nobody else brings it to the front, so this start does.
                const CallOutcome outcome = CallTopApplication(session->m_session, service, reason);
                if (outcome == CallOutcome::kAnswered) {
                    result = Registration::kAlreadyRunning;
                    return nullptr;
                }
                if (outcome == CallOutcome::kNoAnswer) {
                    if (owner) *owner = OwnerProcess(session->m_session, service);
                    result = Registration::kNotAnswering;
                    return nullptr;
                }
                if (outcome == CallOutcome::kOwnerGone && request < kRequests) continue;
            }
            ReportError("session: cannot register %s on the session bus: %s", service.c_str(), reason.c_str());
            return nullptr;
        }
    }

    // Optional: without a system bus the display never reports a state.
    session->m_system = Connect(DBUS_BUS_SYSTEM, &error);
    dbus_error_free(&error);
    result = Registration::kRegistered;
    return session;
}

NarrowString MaemoSession::ServiceName(const NarrowString& prefix, const NarrowString& program)
{
    if (program.empty()) return NarrowString();
    NarrowString name = prefix;
    for (std::size_t start = 0;;) {
        const std::size_t dot = program.find('.', start);
        NarrowString element = program.substr(start, dot == NarrowString::npos ? dot : dot - start);
        for (char& c : element)
            if (!IsNameByte(c) && c != '-') c = '_';
        if (element.empty() || IsDigit(element[0])) element.insert(0, 1, '_');
        name += element;
        if (dot == NarrowString::npos) break;
        name += '.';
        start = dot + 1;
    }
    if (name.size() > DBUS_MAXIMUM_NAME_LENGTH) name.resize(DBUS_MAXIMUM_NAME_LENGTH);
    if (name.back() == '.') name.pop_back();
    return dbus_validate_bus_name(name.c_str(), nullptr) ? name : NarrowString();
}

NarrowString MaemoSession::InterfaceName(const NarrowString& service)
{
    NarrowString name = service;
    for (char& c : name)
        if (!IsNameByte(c) && c != '.') c = '_';
    return dbus_validate_interface(name.c_str(), nullptr) ? name : NarrowString();
}

MaemoSession::~MaemoSession()
{
    for (DBusMessage* reply : m_replies) dbus_message_unref(reply);
    m_replies.clear();
    // Closing a connection gives its name and its match rules back to the
    // bus. Nothing here waits for the bus: a call that waits for its reply
    // first reads every message queued before it, which after a flood of
    // calls kept a closed game alive for seconds.
    if (m_session && m_sessionFilterAdded)
        dbus_connection_remove_filter(m_session, MaemoSessionFilters::OnSessionMessage, this);
    if (m_system && m_systemFilterAdded)
        dbus_connection_remove_filter(m_system, MaemoSessionFilters::OnSystemMessage, this);
    Disconnect(m_system);
    Disconnect(m_session);
}

void MaemoSession::WatchMethodCall(const NarrowString& interface, const NarrowString& member,
                                   MethodHandler handler, void* data)
{
    if (!m_session) return;
    if (m_sessionFilterAdded && !m_methodRule.empty()) dbus_bus_remove_match(m_session, m_methodRule.c_str(), nullptr);
    m_methodRule.clear();
    m_methodHandler = handler;
    m_methodData = data;
    m_methodMember = member;
    // libdbus asserts on a call that names an invalid interface: such a
    // watch matches nothing.
    m_methodInterface =
        dbus_validate_interface(interface.c_str(), nullptr) && dbus_validate_member(member.c_str(), nullptr)
            ? interface
            : NarrowString();
    if (!m_methodInterface.empty()) {
        // Calls addressed to our name arrive without the rule; it also lets
        // the desktop's broadcast calls through.
        m_methodRule = "type='method_call',member='" + member + "',interface='" + interface + "'";
        DBusError error;
        dbus_error_init(&error);
        dbus_bus_add_match(m_session, m_methodRule.c_str(), &error);
        dbus_error_free(&error);
    }
    if (!m_sessionFilterAdded)
        m_sessionFilterAdded =
            dbus_connection_add_filter(m_session, MaemoSessionFilters::OnSessionMessage, this, nullptr);
}

void MaemoSession::SetDisplayStateHandler(DisplayStateHandler handler, void* data)
{
    m_displayHandler = handler;
    m_displayData = data;
    if (!m_system || m_systemFilterAdded) return;
    DBusError error;
    dbus_error_init(&error);
    dbus_bus_add_match(m_system, kDisplayStateRule, &error);
    dbus_error_free(&error);
    m_systemFilterAdded = dbus_connection_add_filter(m_system, MaemoSessionFilters::OnSystemMessage, this, nullptr);
}

int64_t MaemoSession::Now() const { return m_clock ? m_clock() : GetMonotonicMs(); }

bool MaemoSession::Request(const char* member, int64_t& lastSentMs)
{
    if (!m_system || !dbus_connection_get_is_connected(m_system)) return false;
    const int64_t now = Now();
    if (lastSentMs >= 0 && now - lastSentMs < kRequestIntervalMs) return true;
    DBusMessage* message =
        dbus_message_new_method_call(kDisplayService, kDisplayRequestPath, kDisplayRequestInterface, member);
    if (!message) return false;
    dbus_message_set_no_reply(message, TRUE);
    bool queued = dbus_connection_send(m_system, message, nullptr);
    dbus_message_unref(message);
    if (queued) lastSentMs = now;
    return queued;
}

bool MaemoSession::RequestDisplayOn() { return Request(kDisplayOnRequest, m_lastDisplayOnMs); }

bool MaemoSession::PauseBlanking() { return Request(kBlankingPauseRequest, m_lastBlankingPauseMs); }

bool MaemoSession::SendSignal(const char* path, const char* interface, const char* member)
{
    if (!m_session) return false;
    DBusMessage* message = dbus_message_new_signal(path, interface, member);
    if (!message) return false;
    bool queued = dbus_connection_send(m_session, message, nullptr);
    dbus_message_unref(message);
    WritePending(m_session);
    return queued;
}

int MaemoSession::Dispatch()
{
    int dispatched = MaemoSessionFilters::DispatchConnection(*this, m_system, kMaxMessagesPerDispatch);
    dispatched += MaemoSessionFilters::DispatchConnection(*this, m_session, kMaxMessagesPerDispatch);
    if (m_session) {
        MaemoSessionFilters::AnswerCalls(*this);
        WritePending(m_session);
    }
    if (m_system) WritePending(m_system);
    return dispatched;
}

int MaemoSession::GetSessionFd() const { return ConnectionFd(m_session); }

int MaemoSession::GetSystemFd() const { return ConnectionFd(m_system); }

bool MaemoSession::HasQueuedMessages() const
{
    for (DBusConnection* connection : {m_system, m_session})
        if (connection && dbus_connection_get_is_connected(connection) &&
            dbus_connection_get_dispatch_status(connection) == DBUS_DISPATCH_DATA_REMAINS)
            return true;
    return false;
}

void MaemoSession::AppendWaitDescriptors(std::vector<pollfd>& fds) const
{
    for (DBusConnection* connection : {m_system, m_session}) {
        const int fd = ConnectionFd(connection);
        if (fd < 0) continue;
        short events = POLLIN;
        if (dbus_connection_has_messages_to_send(connection)) events |= POLLOUT;
        fds.push_back({fd, events, 0});
    }
}

}  // namespace Voke
