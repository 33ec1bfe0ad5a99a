#include "engine/debug/debug_overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/core/io_stream.h"
#include "engine/core/key_codes.h"
#include "engine/core/memory.h"
#include "engine/debug/console_client.h"
#include "engine/debug/debug_images.h"
#include "engine/debug/debug_plot.h"
#include "engine/debug/fps_counter.h"
#include "engine/debug/network.h"
#include "engine/graphics/pixel_data.h"
#include "engine/graphics/surface.h"
#include "engine/script/lua.h"

namespace Voke {

SmartPtr<DebugOverlay> DebugOverlay::s_instance;
bool DebugOverlay::s_visible = false;
bool DebugOverlay::s_holdsInput = false;
NarrowString DebugOverlay::s_fatalMessage;
std::atomic<int32_t> DebugOverlay::s_counter{0};

namespace {

DebugOverlayHost* g_host = nullptr;

// The overlay that receives script errors. Guards against the loader thread
// reporting into an overlay that the main thread is destroying: taken by the
// reporter (any thread) and by the overlay's construction and destruction.
std::mutex g_reporterLock;
DebugOverlay* g_reportingOverlay = nullptr;

const Color kWhite = MakeColor(255, 255, 255);
const Color kGrey = MakeColor(128, 128, 128);
const Color kRed = MakeColor(255, 0, 0);
const Color kShade = MakeColor(0, 0, 0, 128);
const Color kConsoleShade = MakeColor(0, 0, 0, 192);

// NOTE: console scrolling by touch: one line per 7 pixels dragged; a fling is
// sampled every 0.1 s, slows to 80 % each time and moves a line per 2 pixels
// of accumulated speed.
constexpr int kDragPixelsPerLine = 7;
constexpr float kFlingStep = 0.1f;
constexpr float kFlingDecay = 0.8f;
constexpr float kFlingPixelsPerLine = 2.0f;
// NOTE: keys 25 and 26 and pointers 3 and 4 scroll this many lines.
constexpr int kScrollPage = 20;
constexpr int kHorizontalStep = 10;

const char* const kShiftedDigits = ")!@#$%^&*(";

NarrowString Repeat(unsigned char c, int count) { return NarrowString(size_t(std::max(count, 0)), char(c)); }

NarrowString Format(const char* format, int value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// A figure in kilobytes for the status line, saturated to the int range.
int Kilobytes(std::size_t bytes)
{
    std::size_t kb = bytes / 1024;
    return kb > 2147483647u ? 2147483647 : int(kb);
}

}  // namespace

DebugOverlay* DebugOverlay::Create()
{
    s_instance = new DebugOverlay;
    return s_instance;
}

const char* DebugOverlay::GetWelcomeText() { return "Voke engine debug console"; }

void DebugOverlay::SetHost(DebugOverlayHost* host) { g_host = host; }

DebugOverlayHost* DebugOverlay::GetHost() { return g_host; }

DebugOverlay::DebugOverlay()
    : m_font(CreateDebugFontSurface()),
      m_diskIcon(CreateDiskIconSurface()),
      m_networkIcon(CreateNetworkIconSurface()),
      m_fpsCounter(new FpsCounter)
{
    m_helpLines = {
        "1. assets: show managed assets",
        "           star denotes held asset",
        "2. reglist: lists registry keys",
        "3. regcallbacks: lists registry callbacks",
        "regset reg/path value: sets registry key",
        "4. logging: switch VOKE_MSG logging",
        "5. texts: show text dictionary",
        "6. plot: show / hide all debug plots",
        "  61. plot f: show / hide fps plot",
        "  62. plot m: show / hide memory plot",
        "  63. plot v: show / hide video memory plot",
        "7. exit: close application",
        "8. floppy: show disk access indicator",
        "9. timeskew skew: set time skew",
        "13. pool: pool allocator stats",
    };
    Print(GetWelcomeText());
    {
        std::lock_guard<std::mutex> lock(g_reporterLock);
        g_reportingOverlay = this;
    }
    Lua::SetErrorReporter(&DebugOverlay::ReportScriptError);
}

DebugOverlay::~DebugOverlay()
{
    {
        std::lock_guard<std::mutex> lock(g_reporterLock);
        if (g_reportingOverlay == this) {
            g_reportingOverlay = nullptr;
            if (Lua::GetErrorReporter() == &DebugOverlay::ReportScriptError) Lua::SetErrorReporter(nullptr);
        }
    }
    CloseConsole();
    for (SmartPtr<DebugPlot>& plot : m_plots) plot.Reset();
    m_fpsCounter.Reset();
}

void DebugOverlay::ReportScriptError(const char* path, const char* error)
{
    std::lock_guard<std::mutex> lock(g_reporterLock);
    DebugOverlay* overlay = g_reportingOverlay;
    if (!overlay) return;
    overlay->Print(NarrowString("Fatal error reading file ") + (path ? path : "") + "\n" + (error ? error : ""));
    overlay->m_scriptErrorPending.store(true);
}

// --- Frame -------------------------------------------------------------------

void DebugOverlay::Update(float& seconds)
{
    const float dt = seconds;
    m_blinkTimer += dt;
    if (m_blinkTimer > 0.5f) m_blinkTimer = -0.5f;

    // A script failed to load: show it at once, with the sound paused as the
    // console's toggle key does.
    if (m_scriptErrorPending.exchange(false)) {
        s_visible = true;
        if (g_host) g_host->SetAudioPaused(true);
    }

    if (s_visible) UpdateScrolling(dt);

    if (m_showFrameRate || m_plots[kPlotFrameRate]) m_fpsCounter->Update(dt);
    for (SmartPtr<DebugPlot>& plot : m_plots)
        if (plot) plot->Update(dt);

    if (m_listenSocket) AcceptClient();
    if (!m_clients.empty()) ServeClients();
}

void DebugOverlay::UpdateScrolling(float seconds)
{
    std::lock_guard<std::mutex> lock(m_linesLock);
    if (m_dragging) {
        int delta = m_lastY - m_anchorY;
        while (delta > kDragPixelsPerLine) {
            ++m_scrollOffset;
            m_anchorY += kDragPixelsPerLine;
            delta -= kDragPixelsPerLine;
        }
        while (delta < -kDragPixelsPerLine && m_scrollOffset > 0) {
            --m_scrollOffset;
            m_anchorY -= kDragPixelsPerLine;
            delta += kDragPixelsPerLine;
        }
        return;
    }
    if (std::abs(m_flingSpeed) <= 0.1f) return;
    m_flingTimer += seconds;
    while (m_flingTimer > kFlingStep) {
        m_flingTimer -= kFlingStep;
        m_flingAccumulator += m_flingSpeed;
        m_flingSpeed *= kFlingDecay;
    }
    while (m_flingAccumulator > kFlingPixelsPerLine) {
        m_flingAccumulator -= kFlingPixelsPerLine;
        ++m_scrollOffset;
    }
    while (m_flingAccumulator < -kFlingPixelsPerLine) {
        m_flingAccumulator += kFlingPixelsPerLine;
        if (m_scrollOffset > 0) --m_scrollOffset;
        if (m_scrollOffset == 0) {
            m_flingSpeed = 0.0f;
            m_flingAccumulator = 0.0f;
            break;
        }
    }
}

void DebugOverlay::Render(Surface* surface)
{
    if (!surface) return;
    if (s_holdsInput) {
        RenderFatal(surface);
    } else if (s_visible) {
        RenderConsole(surface);
    } else {
        RenderStatus(surface);
    }
}

void DebugOverlay::RenderFatal(Surface* surface)
{
    const int w = std::max(int(s_fatalMessage.size()), 15);
    const int x = (surface->GetWidth() - kGlyphWidth * (w + 4)) / 2;
    const NarrowString color = "\x01\xF7\x20\x01";  // (247, 32, 1)
    const NarrowString line = Repeat(kHorizontalLineCode, w + 2);
    const NarrowString bar(1, char(kVerticalLineCode));
    const NarrowString empty = bar + Repeat(' ', w + 2) + bar;

    DrawText(surface, x, 100, color + char(kCornerTopLeftCode) + line + char(kCornerTopRightCode));
    DrawText(surface, x, 148, color + char(kCornerBottomLeftCode) + line + char(kCornerBottomRightCode));
    for (int y : {108, 124, 140}) DrawText(surface, x, y, color + empty);

    // Both texts fit inside the bars: the box is at least 15 cells wider
    // than the title and 2 wider than the message.
    NarrowString title = empty;
    if (m_blinkTimer > 0.0f) title.replace(size_t((w - 11) / 2), 15, "GURU MEDITATION");
    DrawText(surface, x, 116, color + title);
    NarrowString message = empty;
    message.replace(2, s_fatalMessage.size(), s_fatalMessage);
    DrawText(surface, x, 132, color + message);
}

void DebugOverlay::RenderConsole(Surface* surface)
{
    const int W = surface->GetWidth(), H = surface->GetHeight();
    Surface::FillRect(surface, 0, 0, W, H, &kConsoleShade);
    // The glyphs' black background lets the game show through.
    m_font->SetFlags(Surface::kColorKey);

    DrawText(surface, 0, H - kGlyphHeight, "> " + m_editLine);
    if (m_blinkTimer > 0.0f) {
        float cx = float(kGlyphWidth * int(m_editLine.size()) + 12);
        Surface::DrawLine(surface, cx, float(H - 1) + 0.5f, cx + 6.0f, float(H - 1) + 0.5f, &kWhite);
    }

    std::vector<NarrowString> visible;
    int first = 0, end = 0, count = 0, startRow = 0;
    const int rows = H / kGlyphHeight - 3;
    {
        std::lock_guard<std::mutex> lock(m_linesLock);
        count = int(m_lines.size());
        if (count > rows && m_scrollOffset > count - rows) m_scrollOffset = count - rows;
        first = std::max(0, count - rows - m_scrollOffset);
        end = std::min(count, first + std::max(rows, 0));
        startRow = std::max(0, rows - count);
        for (int i = first; i < end; ++i) visible.push_back(m_lines[size_t(i)]);
    }

    if (first > 0) DrawText(surface, 0, 0, NarrowString(" ") + Repeat(kArrowUpCode, 3));
    for (size_t i = 0; i < visible.size(); ++i) {
        int y = (startRow + int(i) + 1) * kGlyphHeight;
        const NarrowString& text = visible[i];
        if (m_horizontalScroll > 0)
            DrawText(surface, 0, y,
                     NarrowString(1, char(kArrowLeftCode)) + text.substr(std::min(size_t(m_horizontalScroll), text.size())));
        else
            DrawText(surface, 0, y, text);
    }
    if (end < count) DrawText(surface, 0, H - 2 * kGlyphHeight, NarrowString(" ") + Repeat(kArrowDownCode, 3));
    if (first > 0 || end < count) {
        Surface::DrawRectFrame(surface, W - 6, 2, W - 2, H - 2, &kGrey);
        Surface::FillRect(surface, W - 5, first * (H - 6) / count + 4, W - 4, end * (H - 6) / count + 4, &kGrey);
    }

    m_font->SetFlags(0);
}

void DebugOverlay::RenderStatus(Surface* surface)
{
    const int W = surface->GetWidth(), H = surface->GetHeight();
    int x = 0;
    if (m_showFrameRate) {
        DrawText(surface, x, 0, Format("FPS: %i", int(m_fpsCounter->GetFps())));
        x += 70;
    }
    if (m_showMemory) {
        DrawText(surface, x, 0, Format("MEM: %iKB", Kilobytes(Memory::GetUsed())));
        x += 105;
    }
    if (m_showVideoMemory) DrawText(surface, x, 0, Format("VRAM: %iKB", Kilobytes(Memory::GetVideoUsed())));

    if (m_showActivityIcons) {
        const int diskWidth = m_diskIcon->GetWidth();
        if (g_fileActivity.exchange(false, std::memory_order_relaxed))
            Surface::Blit(surface, W - diskWidth, H - m_diskIcon->GetHeight(), m_diskIcon, m_diskIcon->GetClipRect());
        if (g_networkActivity.exchange(false, std::memory_order_relaxed))
            Surface::Blit(surface, W - diskWidth - m_networkIcon->GetWidth(), H - m_networkIcon->GetHeight(),
                          m_networkIcon, m_networkIcon->GetClipRect());
    }

    int shown = 0;
    for (const SmartPtr<DebugPlot>& plot : m_plots) shown += plot ? 1 : 0;
    if (shown > 0) {
        Surface::FillRect(surface, 0, H - 100, W, H, &kShade);
        const int cell = W / shown;
        int k = 0;
        for (const SmartPtr<DebugPlot>& plot : m_plots) {
            if (!plot) continue;
            plot->Draw(surface, 10 + k * cell, H - 90, cell - 20, 80, this);
            ++k;
        }
    }

    if (m_showPoolStats) {
        MemPoolManager* manager = MemPoolManager::Active();
        int y = 32;
        for (MemPool* pool = manager ? manager->GetFirstPool() : nullptr; pool; pool = pool->next, y += 8) {
            DrawText(surface, 0, y, Format("%5i", int(pool->blockSize)).substr(0, 5));
            Surface::FillRect(surface, 41, y, 147, y + 6, &kShade);
            Surface::DrawRectFrame(surface, 42, y + 1, 146, y + 5, &kWhite);
            if (pool->blockCount > 0) {
                int bar = int(uint64_t(pool->GetUsedBlocks()) * 100u / pool->blockCount);
                Surface::FillRect(surface, 44, y + 2, 44 + bar, y + 4, &kRed);
            }
        }
    }
}

void DebugOverlay::DrawText(Surface* surface, int x, int y, const char* text)
{
    if (text) DrawText(surface, x, y, NarrowString(text));
}

void DebugOverlay::DrawText(Surface* surface, int x, int y, const NarrowString& text)
{
    if (!surface || !m_font) return;
    const Rect* clip = surface->GetClipRect();
    const int right = clip ? clip->x + clip->w : surface->GetWidth();
    bool tinted = false;
    for (size_t i = 0; i < text.size() && x < right; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0) break;
        if (c == 1) {
            // A colour escape needs its three bytes; one cut short by the end
            // of the text has nothing left to colour.
            if (i + 3 >= text.size()) break;
            m_tint.SetColor(float(static_cast<unsigned char>(text[i + 1])) / 255.0f,
                            float(static_cast<unsigned char>(text[i + 2])) / 255.0f,
                            float(static_cast<unsigned char>(text[i + 3])) / 255.0f);
            tinted = true;
            i += 3;
            continue;
        }
        if (c == '\t') {
            x += 16;
            continue;
        }
        Rect cell = GetGlyphRect(c);
        if (tinted)
            m_tint.Apply(m_font, surface, x, y, &cell);
        else
            Surface::Blit(surface, x, y, m_font, &cell);
        x += kGlyphWidth;
    }
}

// --- Plots and switches ------------------------------------------------------

void DebugOverlay::ShowPlot(Plot plot, bool show)
{
    SmartPtr<DebugPlot>& slot = m_plots[plot];
    if (!show) {
        slot.Reset();
        return;
    }
    if (slot) return;
    DebugPlot::Sampler sampler;
    switch (plot) {
    case kPlotFrameRate: {
        FpsCounter* counter = m_fpsCounter;
        sampler = [counter] { return counter->GetFps(); };
        break;
    }
    case kPlotMemory:
        sampler = [] { return float(Memory::GetUsed()) / 1024.0f; };
        break;
    case kPlotVideoMemory:
        sampler = [] { return float(Memory::GetVideoUsed()) / 1024.0f; };
        break;
    default:
        sampler = [] { return float(s_counter.load(std::memory_order_relaxed)); };
        break;
    }
    slot = new DebugPlot(std::move(sampler));
}

DebugPlot* DebugOverlay::GetPlot(Plot plot) const { return plot >= 0 && plot < kPlotCount ? m_plots[plot] : nullptr; }

void DebugOverlay::ShowActivityIcons(bool show)
{
    m_showActivityIcons = show;
    g_fileActivity.store(false, std::memory_order_relaxed);
}

std::vector<NarrowString> DebugOverlay::GetConsoleLines() const
{
    std::lock_guard<std::mutex> lock(m_linesLock);
    return std::vector<NarrowString>(m_lines.begin(), m_lines.end());
}

int DebugOverlay::GetScrollOffset() const
{
    std::lock_guard<std::mutex> lock(m_linesLock);
    return m_scrollOffset;
}

// --- Input -------------------------------------------------------------------

void DebugOverlay::OnKeyDown(unsigned key)
{
    auto append = [this](char c) {
        if (m_editLine.size() < kMaxLineBytes) m_editLine.push_back(c);
    };
    if (key >= KEY_0 && key <= KEY_9) {
        unsigned digit = key - KEY_0;
        append(m_shift ? kShiftedDigits[digit] : char('0' + digit));
        return;
    }
    if (key >= KEY_A && key <= KEY_Z) {
        append(char((m_shift ? 'A' : 'a') + (key - KEY_A)));
        return;
    }
    switch (key) {
    case KEY_SPACE: append(' '); break;
    case 31: append(m_shift ? '"' : '\''); break;
    case 32: append(m_shift ? '?' : '/'); break;
    case 33: append(m_shift ? '>' : '.'); break;
    case 34: append(m_shift ? '+' : '='); break;
    case 35: append(m_shift ? ':' : ';'); break;
    case 36: append(m_shift ? '<' : ','); break;
    case 37: append(m_shift ? '_' : '-'); break;
    case 38: append(m_shift ? '{' : '['); break;
    case 39: append(m_shift ? '}' : ']'); break;
    case KEY_BACK:
        if (!m_editLine.empty()) m_editLine.pop_back();
        break;
    case KEY_SELECT: {
        NarrowString line;
        line.swap(m_editLine);
        Print("> " + line);
        Execute(line);
        break;
    }
    case KEY_UP:
        if (m_historyPosition < 0) {
            if (m_history.empty()) break;
            m_historyPosition = int(m_history.size()) - 1;
        } else if (m_historyPosition > 0) {
            --m_historyPosition;
        }
        m_editLine = m_history[size_t(m_historyPosition)];
        break;
    case KEY_DOWN:
        if (m_historyPosition >= 0 && m_historyPosition < int(m_history.size()) - 1) {
            ++m_historyPosition;
            m_editLine = m_history[size_t(m_historyPosition)];
        }
        break;
    case KEY_LEFT:
        if (m_horizontalScroll > 0) m_horizontalScroll -= kHorizontalStep;
        break;
    case KEY_RIGHT:
        // NOTE: bounded by the longest line the console can hold.
        if (m_horizontalScroll < int(kMaxLineBytes)) m_horizontalScroll += kHorizontalStep;
        break;
    case KEY_VOLUME_UP: {
        std::lock_guard<std::mutex> lock(m_linesLock);
        m_scrollOffset = std::max(0, m_scrollOffset - kScrollPage);
        break;
    }
    case KEY_VOLUME_DOWN: {
        std::lock_guard<std::mutex> lock(m_linesLock);
        m_scrollOffset += kScrollPage;
        break;
    }
    case KEY_SHIFT: m_shift = true; break;
    default: break;
    }
}

void DebugOverlay::OnKeyUp(unsigned key)
{
    if (key == KEY_SHIFT) m_shift = false;
}

void DebugOverlay::OnPointerDown(int, int y, int id)
{
    std::lock_guard<std::mutex> lock(m_linesLock);
    if (id == 3) {
        m_scrollOffset += kScrollPage;
    } else if (id == 4) {
        m_scrollOffset = std::max(0, m_scrollOffset - kScrollPage);
    } else if (id == 0) {
        m_dragging = true;
        m_anchorY = m_previousY = m_lastY = y;
    }
}

void DebugOverlay::OnPointerMove(int, int y, int id)
{
    if (id != 0) return;
    std::lock_guard<std::mutex> lock(m_linesLock);
    m_previousY = m_lastY;
    m_lastY = y;
}

void DebugOverlay::OnPointerUp(int, int, int id)
{
    if (id != 0) return;
    std::lock_guard<std::mutex> lock(m_linesLock);
    m_dragging = false;
    m_flingSpeed = float(m_lastY - m_previousY);
    m_flingTimer = 0.0f;
    m_flingAccumulator = 0.0f;
}

}  // namespace Voke
