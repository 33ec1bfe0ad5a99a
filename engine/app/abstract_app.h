// The application base. A game derives from it (through the platform's
// application class) and overrides its hooks; the platform's main loop drives
// it with one Tick per pass and feeds it keys, touch contacts, focus changes
// and accelerometer readings through the dispatch operations. It owns the
// engine-wide static handles.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {

class Display;
class MaemoInputContext;
class MaemoSurface;
class Mixer;
class AssetDict;
class DebugOverlay;
class Registry;
class TextDict;

// Held only to mark the batcher as frozen.
class BatcherFreeze : public RefCounter {};

// A placeholder movie player without video output: a movie started with it is
// finished at once.
class MoviePlayerInterface : public RefCounter {
public:
    virtual int Play(const NarrowString& movie);
    virtual bool IsFinished();
};

class AbstractApp : public RefCounter {
public:
    enum Flags : uint32_t {
        kNeverPause = 0x8,            // keep updating and rendering while inactive
        kCollectIdleTextures = 0x80,  // release textures not drawn for a while
    };

    explicit AbstractApp(uint32_t flags);
    ~AbstractApp() override;
    AbstractApp(const AbstractApp&) = delete;
    AbstractApp& operator=(const AbstractApp&) = delete;

    // Hooks; the defaults do nothing.
    virtual void Initialize() {}
    virtual void Unload() {}
    virtual void OnKeyDown(unsigned /*key*/) {}
    virtual void OnKeyUp(unsigned /*key*/) {}
    virtual void OnFocusChanged(bool /*active*/) {}
    virtual void Update(float& /*seconds*/) {}
    virtual void Render(MaemoSurface* /*surface*/) {}
    virtual void OnPointerDown(int /*x*/, int /*y*/, int /*id*/) {}
    virtual void OnPointerUp(int /*x*/, int /*y*/, int /*id*/) {}
    virtual void OnPointerMove(int /*x*/, int /*y*/, int /*id*/) {}
    virtual void EnableAccelerometer(float& /*interval*/) {}
    virtual void DisableAccelerometer() {}
    virtual void OnAccelerometer(float& /*x*/, float& /*y*/, float& /*z*/) {}
    virtual void Exit() {}
    virtual bool OpenUrl(const WideString& /*url*/) { return false; }
    virtual bool Minimize() { return false; }
    virtual void SetMinimizable(bool /*minimizable*/) {}
    virtual void SetKeepDisplayOn(bool /*on*/) {}
    // Pauses (unless the flags say never) or resumes the application, pauses
    // or resumes the mixer and tells the application of the focus change.
    virtual void SetActive(bool active);
    virtual void PostRender(MaemoSurface* /*surface*/) {}

    // One frame step: update with the frame time scaled by the time rate, then
    // a render pass. Does nothing but drop a finished movie while paused.
    void Tick(float seconds);
    // One render pass on the display's window surface.
    void RenderFrame();
    // The debug console's work while paused: a platform loop that blocks
    // while the application is paused polls this descriptor (-1: none) and,
    // when it is readable, calls ServeConsoleWhilePaused, so remote commands
    // are still served.
    int GetConsoleWakeDescriptor() const;
    void ServeConsoleWhilePaused();

    // Input from the platform; dropped while paused. The debug overlay, when
    // there is one, gets the first word.
    void DispatchPointerDown(int x, int y, int id);
    void DispatchPointerMove(int x, int y, int id);
    void DispatchPointerUp(int x, int y, int id);
    void DispatchKeyDown(unsigned key);
    void DispatchKeyUp(unsigned key);

    int PlayMovie(const NarrowString& movie);
    void FreezeBatcher();
    // Forwards the scale to the global batcher; false when there is none.
    static bool SetScale(const float& scale);

    uint32_t GetFlags() const { return m_flags; }
    bool IsPaused() const { return m_paused; }
    Display* GetDisplay() const { return m_display; }
    void SetDisplay(Display* display);
    MaemoInputContext* GetInputContext() const { return m_inputContext; }
    void SetInputContext(MaemoInputContext* context);
    MoviePlayerInterface* GetMoviePlayer() const { return m_moviePlayer; }

    // The one application object, or null.
    static AbstractApp* Instance() { return s_instance; }

    // Engine-wide handles, filled by the game's Initialize and released by the
    // destructor. Read without locks by the loader thread, which starts after
    // they are set and ends before they are cleared.
    static SmartPtr<Mixer> s_mixer;
    // The engine's asset dictionary: the same handle as AssetDict::s_engine,
    // through which the graphics and audio loaders reach it.
    static SmartPtr<AssetDict>& s_assetDict;
    // The engine's registry: the same handle as Registry::s_engine, through
    // which the script functions reach it.
    static SmartPtr<Registry>& s_registry;
    static SmartPtr<TextDict> s_textDict;
    // The debug overlay: the same handle as DebugOverlay::s_instance (empty
    // unless something calls DebugOverlay::Create; nothing in the game does).
    static SmartPtr<DebugOverlay>& s_debugOverlay;

    // The global time-rate factor (1.0 unless the console changes it).
    static float GetTimeRate();
    static void SetTimeRate(float rate);

protected:
    SmartPtr<Display> m_display;
    SmartPtr<MaemoInputContext> m_inputContext;
    uint32_t m_flags;
    bool m_paused = false;
    SmartPtr<BatcherFreeze> m_batcherFreeze;
    SmartPtr<MoviePlayerInterface> m_moviePlayer;

private:
    static AbstractApp* s_instance;
};

}  // namespace Voke
