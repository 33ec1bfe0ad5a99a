#include "engine/app/maemo_session.h"

#include <dbus/dbus.h>

#include <cstring>
#include <ctime>

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

int64_t MonotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

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

void DispatchConnection(DBusConnection* connection)
{
    if (!connection || !dbus_connection_get_is_connected(connection)) return;
    dbus_connection_read_write(connection, 0);
    while (dbus_connection_dispatch(connection) == DBUS_DISPATCH_DATA_REMAINS) {
    }
}

int ConnectionFd(DBusConnection* connection)
{
    int fd = -1;
    if (!connection || !dbus_connection_get_is_connected(connection)) return -1;
    if (!dbus_connection_get_unix_fd(connection, &fd)) return -1;
    return fd;
}

// Asks the owner of `service` to the front: a "top_application" call on the
// interface `service`, as the desktop sends it. Whether it answered.
bool CallTopApplication(DBusConnection* connection, const NarrowString& service)
{
    DBusMessage* call = dbus_message_new_method_call(service.c_str(), "/", service.c_str(), "top_application");
    if (!call) return false;
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply =
        dbus_connection_send_with_reply_and_block(connection, call, MaemoSession::kRaiseReplyMs, &error);
    dbus_message_unref(call);
    dbus_error_free(&error);
    if (!reply) return false;
    dbus_message_unref(reply);
    return true;
}

}  // namespace

struct MaemoSessionFilters {
    static DBusHandlerResult OnSessionMessage(DBusConnection* connection, DBusMessage* message, void* data)
    {
        MaemoSession* session = static_cast<MaemoSession*>(data);
        if (!session->m_methodHandler ||
            !dbus_message_is_method_call(message, session->m_methodInterface.c_str(),
                                         session->m_methodMember.c_str()))
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        // A caller that waits for an answer would otherwise wait until its
        // timeout. Sent at once: a paused program waits for incoming
        // messages only.
        if (!dbus_message_get_no_reply(message)) {
            if (DBusMessage* reply = dbus_message_new_method_return(message)) {
                dbus_connection_send(connection, reply, nullptr);
                dbus_message_unref(reply);
                dbus_connection_flush(connection);
            }
        }
        session->m_methodHandler(session->m_methodData);
        return DBUS_HANDLER_RESULT_HANDLED;
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
                                                 Registration* registration)
{
    Registration ignored = Registration::kFailed;
    Registration& result = registration ? *registration : ignored;
    result = Registration::kFailed;
    DBusError error;
    dbus_error_init(&error);
    if (!dbus_validate_bus_name(service.c_str(), &error)) {
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
    } else {
        const int reply =
            dbus_bus_request_name(session->m_session, service.c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
        if (reply != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER && reply != DBUS_REQUEST_NAME_REPLY_ALREADY_OWNER) {
            // The program already runs in this session: on a desktop nobody
            // else brings it to the front, so this start does.
            if (reply == DBUS_REQUEST_NAME_REPLY_EXISTS && CallTopApplication(session->m_session, service)) {
                dbus_error_free(&error);
                result = Registration::kAlreadyRunning;
                return nullptr;
            }
            ReportError("session: cannot register %s on the session bus: %s", service.c_str(),
                        dbus_error_is_set(&error) ? error.message : "the name is taken");
            dbus_error_free(&error);
            return nullptr;
        }
    }

    // Optional: without a system bus the display never reports a state.
    session->m_system = Connect(DBUS_BUS_SYSTEM, &error);
    dbus_error_free(&error);
    result = Registration::kRegistered;
    return session;
}

MaemoSession::~MaemoSession()
{
    if (m_session) {
        if (m_sessionFilterAdded) {
            dbus_bus_remove_match(m_session, m_methodRule.c_str(), nullptr);
            dbus_connection_remove_filter(m_session, MaemoSessionFilters::OnSessionMessage, this);
        }
        dbus_bus_release_name(m_session, m_service.c_str(), nullptr);
    }
    if (m_system && m_systemFilterAdded) {
        dbus_bus_remove_match(m_system, kDisplayStateRule, nullptr);
        dbus_connection_remove_filter(m_system, MaemoSessionFilters::OnSystemMessage, this);
    }
    Disconnect(m_system);
    Disconnect(m_session);
}

void MaemoSession::WatchMethodCall(const NarrowString& interface, const NarrowString& member,
                                   MethodHandler handler, void* data)
{
    if (!m_session) return;
    if (m_sessionFilterAdded) dbus_bus_remove_match(m_session, m_methodRule.c_str(), nullptr);
    m_methodInterface = interface;
    m_methodMember = member;
    m_methodHandler = handler;
    m_methodData = data;
    m_methodRule = "type='method_call',member='" + member + "',interface='" + interface + "'";
    // Calls addressed to our name arrive without the rule; it also lets the
    // desktop's broadcast calls through. A rule the bus refuses (an interface
    // that is no valid interface name) changes nothing for addressed calls.
    DBusError error;
    dbus_error_init(&error);
    dbus_bus_add_match(m_session, m_methodRule.c_str(), &error);
    dbus_error_free(&error);
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

bool MaemoSession::Request(const char* member, int64_t& lastSentMs)
{
    if (!m_system || !dbus_connection_get_is_connected(m_system)) return false;
    int64_t now = m_clock ? m_clock() : MonotonicMs();
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
    dbus_connection_flush(m_session);
    return queued;
}

void MaemoSession::Dispatch()
{
    DispatchConnection(m_system);
    DispatchConnection(m_session);
}

int MaemoSession::GetSessionFd() const { return ConnectionFd(m_session); }

int MaemoSession::GetSystemFd() const { return ConnectionFd(m_system); }

}  // namespace Voke
