// Another client on the tests' session bus: calls, emits and observes what
// the application's session sends, the way the desktop and the display
// service would.
#pragma once

#include <dbus/dbus.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern "C" char** environ;

namespace Voke {

class BusPeer {
public:
    BusPeer()
    {
        DBusError error;
        dbus_error_init(&error);
        connection = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
        dbus_error_free(&error);
        if (connection) dbus_connection_set_exit_on_disconnect(connection, FALSE);
    }
    ~BusPeer()
    {
        if (!connection) return;
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
    BusPeer(const BusPeer&) = delete;
    BusPeer& operator=(const BusPeer&) = delete;

    bool Own(const char* name)
    {
        return dbus_bus_request_name(connection, name, DBUS_NAME_FLAG_DO_NOT_QUEUE, nullptr) ==
               DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER;
    }
    void Match(const char* rule)
    {
        dbus_bus_add_match(connection, rule, nullptr);
        dbus_connection_flush(connection);
    }
    void EmitDisplayState(const char* state)
    {
        DBusMessage* message =
            dbus_message_new_signal("/org/voke/DisplayService/signal", "org.voke.DisplayService.Signal", "DisplayState");
        dbus_message_append_args(message, DBUS_TYPE_STRING, &state, DBUS_TYPE_INVALID);
        dbus_connection_send(connection, message, nullptr);
        dbus_message_unref(message);
        dbus_connection_flush(connection);
    }
    // The members of the messages that arrive, until the one named `last`
    // (included) or, should it never come, for at most `seconds`.
    std::vector<std::string> CollectUntil(const std::string& last, int seconds = 30)
    {
        std::vector<std::string> members;
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            dbus_connection_read_write(connection, 10);
            while (DBusMessage* message = dbus_connection_pop_message(connection)) {
                const char* member = dbus_message_get_member(message);
                const char* sender = dbus_message_get_sender(message);
                // Signals count unless the bus itself sends them.
                if (member && (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_SIGNAL ||
                               std::string(sender ? sender : "") != "org.freedesktop.DBus"))
                    members.push_back(member);
                dbus_message_unref(message);
                if (!members.empty() && members.back() == last) return members;
            }
        }
        return members;
    }

    DBusConnection* connection = nullptr;
};

// Sends a call without reply named `member` to the display service from
// `connection` and flushes it. The bus keeps one connection's messages in
// order: once it has arrived, so has everything sent before it.
inline void CallDisplayService(DBusConnection* connection, const char* member)
{
    DBusMessage* message = dbus_message_new_method_call("org.voke.DisplayService", "/org/voke/DisplayService/request",
                                                        "org.voke.DisplayService.Request", member);
    dbus_message_set_no_reply(message, TRUE);
    dbus_connection_send(connection, message, nullptr);
    dbus_message_unref(message);
    dbus_connection_flush(connection);
}

// Runs a program to its end, while `poll` keeps the caller's side going;
// returns its exit status, or -1 when it could not be started. The child is
// always reaped.
inline int RunChild(std::vector<std::string> args, const std::function<void()>& poll)
{
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    for (;;) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0) return -1;
        poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace Voke
