// The debug overlay's console: the command interpreter, printing, and the
// remote connections (accepting, the client threads, serving their lines).
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <map>

#include "engine/core/any.h"
#include "engine/core/app_globals.h"
#include "engine/core/application_title.h"
#include "engine/core/asset_dict.h"
#include "engine/core/io_stream.h"
#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/debug/console_client.h"
#include "engine/debug/debug_overlay.h"
#include "engine/debug/debug_plot.h"
#include "engine/debug/network.h"
#include "engine/graphics/surface.h"

namespace Voke {

namespace {

// NOTE: a client thread only reads bytes and queues lines, so a small stack
// does; sanitizer builds need room for their instrumented frames.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t kClientStackBytes = 1024 * 1024;
#else
constexpr std::size_t kClientStackBytes = 40960;
#endif

bool StartsWith(const NarrowString& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Reads one line: bytes up to LF, every CR dropped. A line longer than the
// limit is read to its end but not kept. False when a read yields no byte
// (the peer closed, or the connection failed or was shut down).
bool ReadConsoleLine(StreamSocket* socket, ConsoleClient::Line& line)
{
    char c;
    while (socket->Read(&c, 1) == 1) {
        if (c == '\n') return true;
        if (c == '\r' || line.tooLong) continue;
        if (line.text.size() < DebugOverlay::kMaxLineBytes) {
            line.text.push_back(c);
        } else {
            line.tooLong = true;
            NarrowString().swap(line.text);
        }
    }
    return false;
}

void AppendRegistryNode(const Registry::Node& node, const NarrowString& name, int depth,
                        std::vector<NarrowString>& out)
{
    out.push_back(NarrowString(size_t(depth), ' ') + "[" + name + "]");
    const NarrowString indent(size_t(depth + 2), ' ');
    for (const auto& entry : node.keys) {
        NarrowString line = indent + entry.first + ": ";
        const Any value = entry.second->Get();
        switch (entry.second->GetType()) {
        case RegistryKey::kBool: {
            bool b = false;
            if (value.Get(b)) line += b ? "true" : "false";
            break;
        }
        case RegistryKey::kInt: {
            int i = 0;
            if (value.Get(i)) AppendInt(line, i);
            break;
        }
        case RegistryKey::kFloat: {
            float f = 0.0f;
            if (value.Get(f)) AppendFloat(line, f);
            break;
        }
        case RegistryKey::kString: {
            std::string s;
            if (value.Get(s)) line += "\"" + s + "\"";
            break;
        }
        }
        out.push_back(line);
    }
    for (const auto& child : node.children) AppendRegistryNode(*child.second, child.first, depth + 2, out);
}

}  // namespace

// --- Printing and commands ---------------------------------------------------

void DebugOverlay::Print(const NarrowString& text, ConsoleClient* client)
{
    std::vector<NarrowString> lines;
    size_t start = 0;
    for (;;) {
        size_t lf = text.find('\n', start);
        lines.push_back(text.substr(start, lf == NarrowString::npos ? NarrowString::npos : lf - start));
        if (lf == NarrowString::npos) break;
        start = lf + 1;
    }
    if (client) {
        for (const NarrowString& line : lines) WriteLine(client, line);
        return;
    }
    std::lock_guard<std::mutex> lock(m_linesLock);
    for (NarrowString& line : lines) {
        m_lines.push_back(std::move(line));
        // Scrolled back: stay on the same lines.
        if (m_scrollOffset > 0) ++m_scrollOffset;
    }
    while (m_lines.size() > kMaxConsoleLines) m_lines.pop_front();
}

void DebugOverlay::Log(const NarrowString& text)
{
    if (m_logging) Print(text);
}

void DebugOverlay::WriteLine(ConsoleClient* client, const NarrowString& line)
{
    if (client->disconnected) return;
    client->pending += line;
    client->pending += "\r\n";
    // Sent in bulk after the client's lines have run, or here once the queue
    // is full: what the connection then leaves is too much.
    if (client->pending.size() > kMaxPendingReplyBytes) {
        SendPending(client);
        if (client->pending.size() > kMaxPendingReplyBytes) Disconnect(client);
    }
}

void DebugOverlay::Execute(const NarrowString& line, ConsoleClient* client)
{
    if (!client) {
        m_history.push_back(line);
        if (m_history.size() > kMaxHistory) m_history.erase(m_history.begin());
        m_historyPosition = -1;
    }
    auto is = [&line](const char* number, const char* word) { return line == number || line == word; };

    if (is("1", "assets")) {
        ListAssets(client);
    } else if (is("2", "reglist")) {
        ListRegistry(client);
    } else if (is("3", "regcallbacks")) {
        ListRegistryCallbacks(client);
    } else if (StartsWith(line, "regset ")) {
        SetRegistryValue(line.substr(7), client);
    } else if (is("4", "logging")) {
        if (client) {
            Print("VOKE_MSG logging not available on remote connections", client);
        } else {
            m_logging = !m_logging;
            Print(m_logging ? "Logging enabled" : "Logging disabled");
        }
    } else if (is("5", "texts")) {
        ListTexts(client);
    } else if (is("6", "plot")) {
        bool all = true;
        for (const SmartPtr<DebugPlot>& plot : m_plots) all = all && plot;
        for (int i = 0; i < kPlotCount; ++i) ShowPlot(Plot(i), !all);
    } else if (is("61", "plot f")) {
        ShowPlot(kPlotFrameRate, !m_plots[kPlotFrameRate]);
    } else if (is("62", "plot m")) {
        ShowPlot(kPlotMemory, !m_plots[kPlotMemory]);
    } else if (is("63", "plot v")) {
        ShowPlot(kPlotVideoMemory, !m_plots[kPlotVideoMemory]);
    } else if (is("64", "plot b")) {
        ShowPlot(kPlotCounter, !m_plots[kPlotCounter]);
    } else if (is("7", "exit")) {
        if (DebugOverlayHost* host = GetHost()) host->Exit();
    } else if (is("8", "floppy")) {
        ShowActivityIcons(!m_showActivityIcons);
    } else if (StartsWith(line, "9 ")) {
        SetTimeSkew(line.substr(2), client);
    } else if (StartsWith(line, "timeskew ")) {
        SetTimeSkew(line.substr(9), client);
    } else if (is("13", "pool")) {
        m_showPoolStats = !m_showPoolStats;
    } else if (is("", "help")) {
        for (const NarrowString& help : m_helpLines) Print(help, client);
    } else {
        size_t space = line.find(' ');
        NarrowString name = line.substr(0, space);
        NarrowString arguments = space == NarrowString::npos ? NarrowString() : line.substr(space + 1);
        auto found = m_commands.find(name);
        if (found == m_commands.end()) {
            Print("Unknown command", client);
        } else {
            // A copy: the handler may unregister its own command.
            ConsoleCommand command = found->second;
            command.handler(command.context, arguments, client, command);
        }
    }
}

void DebugOverlay::RegisterCommand(const NarrowString& name, ConsoleHandler handler, void* context,
                                   const NarrowString& description)
{
    if (!handler) return;
    m_commands[name] = ConsoleCommand{handler, context};
    AddHelpLine(description.empty() ? name : name + ": " + description);
}

void DebugOverlay::UnregisterCommand(const NarrowString& name) { m_commands.erase(name); }

void DebugOverlay::AddHelpLine(const NarrowString& text) { m_helpLines.push_back(text); }

void DebugOverlay::SetTimeSkew(const NarrowString& text, ConsoleClient* client)
{
    // A text that is no number gives 0, which stops game time. Negative,
    // infinite and NaN factors would run the game backwards or break every
    // timer, so they are refused.
    double skew = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(skew) || skew < 0.0 || skew > double(FLT_MAX)) {
        Print("Bad time skew: give a number of 0 or more", client);
        return;
    }
    SetTimeRate(float(skew));
}

void DebugOverlay::ListAssets(ConsoleClient* client)
{
    AssetDict* dict = AssetDict::s_engine;
    if (!dict) {
        Print("AssetDict not available", client);
        return;
    }
    std::vector<NarrowString> out{"Assets maintained by AssetDict:"};
    int held = 0, total = 0;
    dict->ForEachWeak([&](const NarrowString& name, const Any& entry, bool resident) {
        // The image entries; fonts and sounds share the dictionary.
        const WeakPtr<Surface>* image = entry.Get<WeakPtr<Surface>>();
        if (!image) return;
        ++total;
        const char* mark = resident ? "C " : image->Get() ? "* " : "  ";
        if (mark[0] != ' ') ++held;
        out.push_back(mark + name);
    });
    NarrowString summary = "Held/total: ";
    AppendInt(summary, held);
    summary += "/";
    AppendInt(summary, total);
    out.push_back(summary);
    for (const NarrowString& line : out) Print(line, client);
}

void DebugOverlay::ListRegistry(ConsoleClient* client)
{
    Registry* registry = GetHost() ? GetHost()->GetRegistry() : nullptr;
    if (!registry) {
        Print("Registry not available", client);
        return;
    }
    std::vector<NarrowString> out;
    registry->Inspect([&out](const Registry::Node& root) { AppendRegistryNode(root, "root", 0, out); });
    for (const NarrowString& line : out) Print(line, client);
}

void DebugOverlay::ListRegistryCallbacks(ConsoleClient* client)
{
    Registry* registry = GetHost() ? GetHost()->GetRegistry() : nullptr;
    if (!registry) {
        Print("Registry not available", client);
        return;
    }
    std::map<std::string, std::vector<std::string>> byPath;
    for (auto& entry : registry->GetCallbackDescriptions()) byPath[entry.first].push_back(entry.second);
    for (const auto& path : byPath) {
        Print(path.first, client);
        for (const std::string& description : path.second) Print("  " + description, client);
    }
}

void DebugOverlay::SetRegistryValue(const NarrowString& arguments, ConsoleClient* client)
{
    Registry* registry = GetHost() ? GetHost()->GetRegistry() : nullptr;
    if (!registry) {
        Print("Registry not available", client);
        return;
    }
    size_t space = arguments.find(' ');
    if (space == NarrowString::npos) {
        Print("Bad params", client);
        return;
    }
    const NarrowString path = arguments.substr(0, space);
    const NarrowString value = arguments.substr(space + 1);
    if (value.empty()) {
        Print("Empty value", client);
        return;
    }
    if (!registry->GetKey(path, true)) {
        Print("Bad registry path", client);
        return;
    }
    bool stored;
    const char first = value.front(), last = value.back();
    if (value == "true") {
        stored = registry->Set(path, true);
    } else if (value == "false") {
        stored = registry->Set(path, false);
    } else if (value.size() >= 2 && first == last && (first == '\'' || first == '"')) {
        stored = registry->Set(path, value.substr(1, value.size() - 2));
    } else {
        double number = StrToD(value.c_str());
        if (number == std::floor(number) && number >= double(INT_MIN) && number <= double(INT_MAX))
            stored = registry->Set(path, int(number));
        else
            stored = registry->Set(path, float(number));
    }
    if (!stored) Print("Setting registry value failed", client);
}

void DebugOverlay::ListTexts(ConsoleClient* client)
{
    TextDict* texts = GetHost() ? GetHost()->GetTextDict() : nullptr;
    if (!texts) {
        Print("TextDict not available", client);
        return;
    }
    auto table = texts->GetAll();
    for (const auto& entry : *table) Print(entry.first + " -> " + ToNarrowString(entry.second), client);
}

// --- Remote connections ------------------------------------------------------

bool DebugOverlay::StartListening(uint32_t address, uint16_t port)
{
    if (m_wakeDescriptor < 0) m_wakeDescriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    Network* network = Network::Create();
    m_listenSocket = network->CreateListenSocket();
    return m_listenSocket && m_listenSocket->Listen(address, port) == 0;
}

uint16_t DebugOverlay::GetListeningPort() const
{
    return m_listenSocket && m_listenSocket->IsListening() ? m_listenSocket->GetLocalPort() : 0;
}

void DebugOverlay::SignalWake()
{
    if (m_wakeDescriptor < 0) return;
    const uint64_t one = 1;
    ssize_t ignored = ::write(m_wakeDescriptor, &one, sizeof one);  // a full counter wakes as well
    (void)ignored;
}

void DebugOverlay::AcceptClient()
{
    if (!m_listenSocket->IsListening()) return;
    SmartPtr<StreamSocket> socket(m_listenSocket->Accept());
    if (!socket) return;
    if (m_clients.size() >= kMaxClients) {
        // Told why, without waiting for it to read; the connection closes
        // with the socket.
        NarrowString refusal = "Too many connections (the limit is ";
        AppendInt(refusal, int(kMaxClients));
        refusal += ")\r\n";
        socket->TrySend(refusal.data(), int(refusal.size()));
        return;
    }

    std::unique_ptr<ConsoleClient> client(new ConsoleClient);
    client->socket = socket;
    client->overlay = this;
    WriteLine(client.get(), GetWelcomeText());
    WriteLine(client.get(), ApplicationTitle + " remote debug connection");
    SendPending(client.get());

    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return;
    pthread_attr_setstacksize(&attributes, kClientStackBytes);
    int failed = pthread_create(&client->thread, &attributes, &DebugOverlay::ClientThreadEntry, client.get());
    pthread_attr_destroy(&attributes);
    // The system's least stack grows with the thread-local storage of the
    // loaded libraries; take its default size then.
    if (failed == EINVAL) failed = pthread_create(&client->thread, nullptr, &DebugOverlay::ClientThreadEntry, client.get());
    if (failed != 0) return;  // the connection closes with the record
    client->threadStarted = true;
    m_clients.push_back(std::move(client));
}

void* DebugOverlay::ClientThreadEntry(void* client)
{
    ConsoleClient* record = static_cast<ConsoleClient*>(client);
    record->overlay->ClientThread(record);
    return nullptr;
}

void DebugOverlay::ClientThread(ConsoleClient* client)
{
    // The socket outlives this thread: the main thread releases it only after
    // joining.
    StreamSocket* socket = client->socket;
    for (;;) {
        ConsoleClient::Line line;
        if (!ReadConsoleLine(socket, line)) break;
        {
            std::unique_lock<std::mutex> lock(client->lock);
            client->roomForLines.wait(lock, [client] { return client->stopping || client->lines.size() < kMaxQueuedLines; });
            if (client->stopping) break;
            client->lines.push_back(std::move(line));
        }
        SignalWake();
    }
    {
        std::lock_guard<std::mutex> lock(client->lock);
        client->finished = true;
    }
    SignalWake();
}

void DebugOverlay::ServeClients()
{
    // Emptied before the queues are looked at: a line queued from here on
    // wakes the next wait.
    uint64_t signals;
    if (m_wakeDescriptor >= 0) {
        ssize_t ignored = ::read(m_wakeDescriptor, &signals, sizeof signals);
        (void)ignored;
    }

    for (auto it = m_clients.begin(); it != m_clients.end();) {
        ConsoleClient* client = it->get();
        std::deque<ConsoleClient::Line> lines;
        bool finished;
        {
            std::lock_guard<std::mutex> lock(client->lock);
            lines.swap(client->lines);
            finished = client->finished;
        }
        client->roomForLines.notify_one();
        for (const ConsoleClient::Line& line : lines) {
            if (client->disconnected) break;
            if (line.tooLong) {
                NarrowString reply = "Line too long (the limit is ";
                AppendInt(reply, int(kMaxLineBytes));
                WriteLine(client, reply + " bytes)");
            } else {
                Execute(line.text, client);
            }
        }
        SendPending(client);
        if (finished) {
            // The thread has done its last act; joining it does not wait.
            if (client->threadStarted) pthread_join(client->thread, nullptr);
            it = m_clients.erase(it);
        } else {
            ++it;
        }
    }
}

void DebugOverlay::SendPending(ConsoleClient* client)
{
    size_t sent = 0;
    while (!client->disconnected && sent < client->pending.size()) {
        int count = client->socket->TrySend(client->pending.data() + sent,
                                            int(std::min<size_t>(client->pending.size() - sent, INT_MAX)));
        if (count < 0) Disconnect(client);
        if (count <= 0) break;
        sent += size_t(count);
    }
    client->pending.erase(0, sent);
}

void DebugOverlay::Disconnect(ConsoleClient* client)
{
    client->disconnected = true;
    NarrowString().swap(client->pending);
    {
        std::lock_guard<std::mutex> lock(client->lock);
        client->stopping = true;
    }
    client->roomForLines.notify_one();
    // Wakes the thread's blocked read; it then ends and is joined when the
    // client is next served.
    client->socket->Shutdown();
}

void DebugOverlay::CloseConsole()
{
    m_listenSocket.Reset();
    for (std::unique_ptr<ConsoleClient>& client : m_clients) {
        WriteLine(client.get(), "Application is shutting down. KTHXBAI");
        SendPending(client.get());
        if (!client->disconnected) Disconnect(client.get());
        if (client->threadStarted) pthread_join(client->thread, nullptr);
    }
    m_clients.clear();
    if (m_wakeDescriptor >= 0) ::close(m_wakeDescriptor);
    m_wakeDescriptor = -1;
}

}  // namespace Voke
