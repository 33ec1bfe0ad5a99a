#include "engine/app/abstract_app.h"

#include <clocale>

#include "engine/app/display.h"
#include "engine/app/maemo_input_context.h"
#include "engine/audio/mixer.h"
#include "engine/core/app_globals.h"
#include "engine/core/asset_dict.h"
#include "engine/core/key_codes.h"
#include "engine/core/memory.h"
#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/debug/debug_overlay.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/script/animated_surface_script.h"

namespace Voke {

AbstractApp* AbstractApp::s_instance = nullptr;
SmartPtr<Mixer> AbstractApp::s_mixer;
SmartPtr<AssetDict>& AbstractApp::s_assetDict = AssetDict::s_engine;
SmartPtr<Registry>& AbstractApp::s_registry = Registry::s_engine;
SmartPtr<TextDict> AbstractApp::s_textDict;
SmartPtr<DebugOverlay>& AbstractApp::s_debugOverlay = DebugOverlay::s_instance;

namespace {

// What the debug overlay's console reaches of the application: installed
// while an application object exists.
class AppDebugHost : public DebugOverlayHost {
public:
    void Exit() override
    {
        if (AbstractApp* app = AbstractApp::Instance()) app->Exit();
    }
    Registry* GetRegistry() override { return AbstractApp::s_registry; }
    TextDict* GetTextDict() override { return AbstractApp::s_textDict; }
    void SetAudioPaused(bool paused) override
    {
        if (AbstractApp::s_mixer) AbstractApp::s_mixer->SetPaused(Mixer::kPauseOverlay, paused);
    }
};

AppDebugHost g_debugHost;

}  // namespace

int MoviePlayerInterface::Play(const NarrowString&) { return 0; }

bool MoviePlayerInterface::IsFinished() { return true; }

AbstractApp::AbstractApp(uint32_t flags) : m_flags(flags)
{
    AppGlobals::Instance()->globals = new AppGlobals;
    std::setlocale(LC_CTYPE, "en_GB.utf-8");
    s_instance = this;
    DebugOverlay::SetHost(&g_debugHost);
    // Evicted textures upload again from the pixels they keep.
    PixelDataGL::SetKeepUploads((flags & kCollectIdleTextures) != 0);
    // The manager registers itself as the one the allocation front uses and
    // lives as long as the process; a later application reuses it.
    if (!MemPoolManager::Active()) new MemPoolManager;
    // Animations that name a script are driven by it.
    InstallAnimationScripts();
}

AbstractApp::~AbstractApp()
{
    s_instance = nullptr;
    s_mixer.Reset();
    s_assetDict.Reset();
    s_registry.Reset();
    s_textDict.Reset();
    s_debugOverlay.Reset();
    DebugOverlay::SetHost(nullptr);
    AppGlobals::Instance()->globals.Reset();
    m_moviePlayer.Reset();
    m_batcherFreeze.Reset();
    m_inputContext.Reset();
    m_display.Reset();
}

float AbstractApp::GetTimeRate() { return Voke::GetTimeRate(); }

void AbstractApp::SetTimeRate(float rate) { Voke::SetTimeRate(rate); }

void AbstractApp::SetDisplay(Display* display) { m_display = display; }

void AbstractApp::SetInputContext(MaemoInputContext* context) { m_inputContext = context; }

void AbstractApp::Tick(float seconds)
{
    if (m_moviePlayer && m_moviePlayer->IsFinished()) m_moviePlayer.Reset();
    if (m_paused) return;

    if (DebugOverlay* overlay = s_debugOverlay) {
        overlay->Update(seconds);
        if (!DebugOverlay::s_visible && !DebugOverlay::s_holdsInput) {
            float scaled = seconds * GetTimeRate();
            Update(scaled);
        }
    } else {
        float scaled = seconds * GetTimeRate();
        Update(scaled);
    }
    RenderFrame();
}

void AbstractApp::RenderFrame()
{
    {
        SmartPtr<MaemoSurface> surface = m_display ? m_display->GetSurface() : nullptr;
        if (surface && surface->BeginFrame()) {
            Render(surface);
            if (s_debugOverlay) s_debugOverlay->Render(surface);
            PostRender(surface);
            surface->Present();
        }
    }
    if (m_flags & kCollectIdleTextures) PixelDataGL::CollectUnused();
}

int AbstractApp::GetConsoleWakeDescriptor() const
{
    return s_debugOverlay ? s_debugOverlay->GetWakeDescriptor() : -1;
}

void AbstractApp::ServeConsoleWhilePaused()
{
    if (s_debugOverlay) s_debugOverlay->ServeWhilePaused();
}

void AbstractApp::SetActive(bool active)
{
    if (!(m_flags & kNeverPause)) m_paused = !active;
    if (s_mixer) s_mixer->SetPaused(Mixer::kPauseInactive, !active);
    OnFocusChanged(active);
}

void AbstractApp::DispatchKeyDown(unsigned key)
{
    if (m_paused) return;
    if (DebugOverlay* overlay = s_debugOverlay) {
        if (DebugOverlay::s_holdsInput) {
            DebugOverlay::s_holdsInput = false;
            return;
        }
        if (key == KEY_TILDE) {
            DebugOverlay::s_visible = !DebugOverlay::s_visible;
            if (s_mixer) s_mixer->SetPaused(Mixer::kPauseOverlay, DebugOverlay::s_visible);
            return;
        }
        if (DebugOverlay::s_visible) {
            overlay->OnKeyDown(key);
            return;
        }
    }
    OnKeyDown(key);
}

void AbstractApp::DispatchKeyUp(unsigned key)
{
    if (m_paused) return;
    if (DebugOverlay* overlay = s_debugOverlay) {
        if (DebugOverlay::s_holdsInput || key == KEY_TILDE) return;
        if (DebugOverlay::s_visible) {
            overlay->OnKeyUp(key);
            return;
        }
    }
    OnKeyUp(key);
}

void AbstractApp::DispatchPointerDown(int x, int y, int id)
{
    if (m_paused) return;
    if (DebugOverlay* overlay = s_debugOverlay) {
        if (DebugOverlay::s_holdsInput) {
            DebugOverlay::s_holdsInput = false;
            return;
        }
        if (DebugOverlay::s_visible) {
            overlay->OnPointerDown(x, y, id);
            return;
        }
    }
    OnPointerDown(x, y, id);
}

void AbstractApp::DispatchPointerMove(int x, int y, int id)
{
    if (m_paused) return;
    if (DebugOverlay* overlay = s_debugOverlay) {
        if (DebugOverlay::s_holdsInput) return;
        if (DebugOverlay::s_visible) {
            overlay->OnPointerMove(x, y, id);
            return;
        }
    }
    OnPointerMove(x, y, id);
}

void AbstractApp::DispatchPointerUp(int x, int y, int id)
{
    if (m_paused) return;
    if (DebugOverlay* overlay = s_debugOverlay) {
        if (DebugOverlay::s_holdsInput) return;
        if (DebugOverlay::s_visible) {
            overlay->OnPointerUp(x, y, id);
            return;
        }
    }
    OnPointerUp(x, y, id);
}

int AbstractApp::PlayMovie(const NarrowString& movie)
{
    m_moviePlayer = new MoviePlayerInterface;
    return m_moviePlayer->Play(movie);
}

void AbstractApp::FreezeBatcher() { m_batcherFreeze = new BatcherFreeze; }

bool AbstractApp::SetScale(const float& scale)
{
    Batcher* batcher = Batcher::Get();
    return batcher && batcher->SetScale(scale);
}

}  // namespace Voke
