// The on-screen debug overlay and its console.
//
// Drawn over the game by the application base (which routes frames and input
// through it while one exists): a status line (frame rate, memory, video
// memory), disk and network activity icons, up to four live plots, memory
// pool bars, a full-screen text console with line editing and history, and a
// fatal-error screen. It draws with a built-in 6 x 8 font and built-in icons,
// so it works without any asset file.
//
// The console runs one command interpreter for two kinds of user: lines typed
// on the device while the console is open, and remote users on TCP (see
// StartListening). Every command runs on the main thread: a client's thread
// only reads its lines and queues them; the overlay's Update executes them
// and writes the replies, and so does ServeWhilePaused while the application
// is paused and no Update runs. Replies are sent without waiting: what a
// client does not take stays queued for later frames, and a client that lets
// more than kMaxPendingReplyBytes pile up, or whose connection fails, is
// disconnected. So the main thread never waits for a client, and a client
// costs a frame at most the run of kMaxQueuedLines commands.
//
// Limits: a console line holds at most kMaxLineBytes bytes; the console keeps
// the newest kMaxConsoleLines lines; a client may have kMaxQueuedLines lines
// waiting before its thread stops reading; at most kMaxClients connections are
// served at once.
//
// Nothing in the game creates an overlay.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/graphics/tint.h"

namespace Voke {

class DebugPlot;
class FpsCounter;
class ListenSocket;
class Registry;
class Surface;
class TextDict;
struct ConsoleClient;
struct ConsoleCommand;

// What the overlay needs of the application it runs in. The application base
// installs one for as long as it lives; without one, "exit" does nothing and
// the registry listings reply that there is no registry.
class DebugOverlayHost {
public:
    virtual ~DebugOverlayHost() = default;
    // Asks the application to end, as closing its window does.
    virtual void Exit() = 0;
    virtual Registry* GetRegistry() = 0;
    virtual TextDict* GetTextDict() = 0;
    // Sets or clears the mixer's pause bit of the overlay.
    virtual void SetAudioPaused(bool paused) = 0;
};

// A console command registered by code: called on the main thread with the
// text after the command's name, the client that sent it (null for a line
// typed on the device) and its table entry. Replies go through Print with
// that client.
using ConsoleHandler = void (*)(void* context, const NarrowString& arguments, ConsoleClient* client,
                                const ConsoleCommand& command);
struct ConsoleCommand {
    ConsoleHandler handler;
    void* context;
};

class DebugOverlay : public RefCounter {
public:
    // NOTE: longer console lines are refused whole ("Line too long"): a
    // remote client cannot make the program buffer without bound.
    static constexpr std::size_t kMaxLineBytes = 4096;
    // NOTE: the console forgets its oldest lines beyond this many.
    static constexpr std::size_t kMaxConsoleLines = 10000;
    // NOTE: typed lines remembered for the history keys.
    static constexpr std::size_t kMaxHistory = 256;
    // NOTE: a client's thread waits while this many of its lines are queued
    // for the main thread.
    static constexpr std::size_t kMaxQueuedLines = 64;
    // NOTE: replies a client has not taken, beyond what the system buffers
    // for its connection; a client that lets more pile up is disconnected.
    static constexpr std::size_t kMaxPendingReplyBytes = 256 * 1024;
    // NOTE: connections served at once (each has a thread and its stack); a
    // further one is told so and closed.
    static constexpr std::size_t kMaxClients = 4;
    // The remote console's port, and its address: the loopback interface
    // only, since the console can end the program and change settings
    // without any authentication.
    static constexpr uint16_t kConsolePort = 1337;
    static constexpr uint32_t kLoopbackAddress = 0x7F000001u;

    // Plot slots, in drawing order.
    enum Plot { kPlotFrameRate = 0, kPlotMemory = 1, kPlotVideoMemory = 2, kPlotCounter = 3, kPlotCount = 4 };

    // Makes an overlay and stores it as the instance (releasing the previous
    // one); returns it.
    static DebugOverlay* Create();
    // The instance, or null (always null in the game).
    static DebugOverlay* Instance() { return s_instance; }
    // The one process-wide overlay handle; the application base's overlay
    // handle refers to it and releases it when the application ends.
    static SmartPtr<DebugOverlay> s_instance;

    // The console is open: it covers the screen, takes keys and pointers,
    // and the game is not updated. Toggled by the application base's key 30.
    static bool s_visible;
    // The fatal-error screen is shown and the game is frozen; the next key or
    // pointer press clears it. Set together with s_fatalMessage.
    static bool s_holdsInput;
    static NarrowString s_fatalMessage;
    // Sampled by the counter plot.
    static std::atomic<int32_t> s_counter;

    // The text sent first to every remote client and printed when an overlay
    // is made.
    static const char* GetWelcomeText();

    static void SetHost(DebugOverlayHost* host);
    static DebugOverlayHost* GetHost();

    // Builds the font and icons (no GL call yet), fills the help list, prints
    // the welcome text and installs the script error reporter.
    DebugOverlay();
    // Closes the console port and every client connection (telling each that
    // the program is ending, then waiting for its thread).
    ~DebugOverlay() override;
    DebugOverlay(const DebugOverlay&) = delete;
    DebugOverlay& operator=(const DebugOverlay&) = delete;

    // The application base's hooks (virtual so that its tests can watch the
    // routing). Update runs before the game's update each frame and leaves
    // the frame time as it is; Render draws over the finished frame.
    virtual void Update(float& seconds);
    virtual void Render(Surface* surface);
    virtual void OnKeyDown(unsigned key);
    virtual void OnKeyUp(unsigned key);
    virtual void OnPointerDown(int x, int y, int id);
    virtual void OnPointerUp(int x, int y, int id);
    virtual void OnPointerMove(int x, int y, int id);

    // Draws text in the built-in font, 6 pixels a character, from (x, y)
    // rightwards, until the end of the text or a zero byte. Byte 1 and the
    // three bytes after it (red, green, blue) colour the rest of the text;
    // an escape cut short by the end of the text is ignored. A tab advances
    // 16 pixels; codes outside 32 to 185 draw a diamond; there are no line
    // breaks. The char* form cannot carry a zero colour component.
    void DrawText(Surface* surface, int x, int y, const NarrowString& text);
    void DrawText(Surface* surface, int x, int y, const char* text);

    // Prints text, one output line per LF-separated piece (a trailing LF
    // gives a last, empty line): to the client's connection, each line ending
    // in CR LF, or, without a client, to the console lines (the view stays on
    // the same lines when it is scrolled back). Local printing is safe from
    // any thread; printing to a client is for the main thread.
    void Print(const NarrowString& text, ConsoleClient* client = nullptr);
    // Prints to the console when logging is switched on.
    void Log(const NarrowString& text);
    // Runs one command line and prints the reply to the client, or, without
    // one, to the console (the line is then added to the history). Main
    // thread only.
    void Execute(const NarrowString& line, ConsoleClient* client = nullptr);

    // Adds a command (replacing one of the same name) and its help line.
    void RegisterCommand(const NarrowString& name, ConsoleHandler handler, void* context,
                         const NarrowString& description);
    void UnregisterCommand(const NarrowString& name);
    void AddHelpLine(const NarrowString& text);

    // Opens the console's listening socket (replacing an earlier one). False
    // when the address and port cannot be bound. Port 0 lets the system pick
    // one (see GetListeningPort).
    bool StartListening(uint32_t address = kLoopbackAddress, uint16_t port = kConsolePort);
    // The port listened on; 0 when not listening.
    uint16_t GetListeningPort() const;
    // Connections being served (ended ones until they are next served).
    std::size_t GetClientCount() const { return m_clients.size(); }
    // For a main loop that blocks while the application is paused (and so
    // runs no Update): readable while a client's line waits or a client has
    // gone; the loop then calls ServeWhilePaused. -1 when the system gives
    // no descriptor (lines then wait for the next Update).
    int GetWakeDescriptor() const { return m_wakeDescriptor; }
    // Runs the clients' waiting lines, sends what they have not taken yet
    // and lets ended clients go, as Update does; new connections are taken
    // only by Update.
    void ServeWhilePaused() { ServeClients(); }

    // Showing makes the plot when its slot is empty; hiding releases it.
    void ShowFpsPlot(bool show) { ShowPlot(kPlotFrameRate, show); }
    void ShowMemoryPlot(bool show) { ShowPlot(kPlotMemory, show); }
    void ShowVideoMemoryPlot(bool show) { ShowPlot(kPlotVideoMemory, show); }
    void ShowCounterPlot(bool show) { ShowPlot(kPlotCounter, show); }
    DebugPlot* GetPlot(Plot plot) const;
    // The status line's three figures.
    void ShowFrameRate(bool show) { m_showFrameRate = show; }
    void ShowMemory(bool show) { m_showMemory = show; }
    void ShowVideoMemory(bool show) { m_showVideoMemory = show; }
    // The activity icons (also clears the disk activity flag) and the pool
    // bars.
    void ShowActivityIcons(bool show);
    void ShowPoolStats(bool show) { m_showPoolStats = show; }
    bool IsShowingActivityIcons() const { return m_showActivityIcons; }
    bool IsShowingPoolStats() const { return m_showPoolStats; }
    bool IsLogging() const { return m_logging; }
    FpsCounter* GetFpsCounter() const { return m_fpsCounter; }

    // The console's state, for tests and tools.
    std::vector<NarrowString> GetConsoleLines() const;
    int GetScrollOffset() const;
    int GetHorizontalScroll() const { return m_horizontalScroll; }
    const NarrowString& GetEditLine() const { return m_editLine; }
    const std::vector<NarrowString>& GetHistory() const { return m_history; }
    const std::vector<NarrowString>& GetHelpLines() const { return m_helpLines; }
    float GetBlinkTimer() const { return m_blinkTimer; }

private:
    static void ReportScriptError(const char* path, const char* error);
    static void* ClientThreadEntry(void* client);
    void ClientThread(ConsoleClient* client);

    void ShowPlot(Plot plot, bool show);
    void RenderFatal(Surface* surface);
    void RenderConsole(Surface* surface);
    void RenderStatus(Surface* surface);
    void UpdateScrolling(float seconds);
    void AcceptClient();
    void ServeClients();
    void Disconnect(ConsoleClient* client);
    // Closes the port and ends every connection, telling each client that
    // the program is ending.
    void CloseConsole();
    void WriteLine(ConsoleClient* client, const NarrowString& line);
    void SendPending(ConsoleClient* client);
    void SignalWake();

    void ListAssets(ConsoleClient* client);
    void ListRegistry(ConsoleClient* client);
    void ListRegistryCallbacks(ConsoleClient* client);
    void SetRegistryValue(const NarrowString& arguments, ConsoleClient* client);
    void ListTexts(ConsoleClient* client);
    void SetTimeSkew(const NarrowString& text, ConsoleClient* client);

    SmartPtr<Surface> m_font;
    Tint m_tint;
    SmartPtr<Surface> m_diskIcon;
    SmartPtr<Surface> m_networkIcon;

    NarrowString m_editLine;
    // Guards the console lines and the scroll offset; taken by the main
    // thread and by any thread that prints to the console (the script error
    // reporter runs on the loader thread).
    mutable std::mutex m_linesLock;
    std::deque<NarrowString> m_lines;
    int m_scrollOffset = 0;  // lines back from the newest; 0 shows the newest at the bottom
    std::vector<NarrowString> m_history;
    std::vector<NarrowString> m_helpLines;
    int m_horizontalScroll = 0;  // characters
    bool m_logging = false;
    float m_blinkTimer = 0.0f;
    bool m_shift = false;
    int m_historyPosition = -1;  // -1: not browsing
    bool m_dragging = false;
    int m_anchorY = 0;
    int m_previousY = 0;
    int m_lastY = 0;
    float m_flingSpeed = 0.0f;
    float m_flingTimer = 0.0f;
    float m_flingAccumulator = 0.0f;
    std::map<NarrowString, ConsoleCommand> m_commands;
    SmartPtr<FpsCounter> m_fpsCounter;
    bool m_showFrameRate = false;
    bool m_showMemory = false;
    bool m_showActivityIcons = false;
    bool m_showVideoMemory = false;
    bool m_showPoolStats = false;
    SmartPtr<DebugPlot> m_plots[kPlotCount];
    SmartPtr<ListenSocket> m_listenSocket;
    std::list<std::unique_ptr<ConsoleClient>> m_clients;
    // Counts lines queued and clients ended by the client threads; read
    // empty by the main thread before it serves them.
    int m_wakeDescriptor = -1;
    // Set by the script error reporter (any thread); the main thread then
    // opens the console and pauses the sound.
    std::atomic<bool> m_scriptErrorPending{false};
};

}  // namespace Voke
