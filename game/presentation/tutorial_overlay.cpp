#include "game/presentation/tutorial_overlay.h"

#include "engine/app/abstract_app.h"
#include "engine/app/display.h"
#include "engine/core/registry.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/language.h"
#include "game/core/pixel_math.h"
#include "game/presentation/sound_bank.h"

namespace {

const char* const kSwapKey = "/controls/swap";
const char* const kControlsNode = "/controls";
const char* const kDefaultControls = "controls.xml";
const char* const kSavedControls = "save/controls.xml";
const char* const kPictureName = "tut-854x480.png@linear";
const char* const kButtonName = "tutorial-android-main-menu.png";

// NOTE: the button's top edge, as a share of the window's height.
constexpr float kButtonTop = 0.2f;

// A logical coordinate in window pixels; a scale that is not positive
// counts as 1 (the touch was not scaled).
int32_t ToWindow(int32_t logical, float scale)
{
    if (!(scale > 0.0f)) return logical;
    return TruncToPixel(static_cast<float>(logical) / scale);
}

}  // namespace

TutorialOverlay::TutorialOverlay()
    : m_Owner(nullptr),
      m_SoundBank(nullptr),
      m_Active(false),
      m_ButtonX(0),
      m_ButtonY(0),
      m_Mode(kNone),
      m_TouchResult(kNone),
      m_Timer(0.0f),
      m_SlideButtonHeight(0)
{
}

TutorialOverlay::~TutorialOverlay() = default;

void TutorialOverlay::Load()
{
    LoadControls();
    // Kept by the dictionary, so that the picture stays loaded between runs
    // even while the overlay has let it go.
    m_Picture = Voke::GetCachedSurface(LocalizedAssetName(kPictureName), true);
    m_MenuButton = Voke::GetCachedSurface(LocalizedAssetName(kButtonName), false);
}

void TutorialOverlay::LoadControls()
{
    Voke::Registry* registry = Voke::AbstractApp::s_registry;
    if (!registry) return;
    // An empty base path merges each file under the node it names itself;
    // the player's copy, read last, overrides the defaults.
    registry->Load(kDefaultControls, false, "");
    registry->Load(kSavedControls, false, "");
    bool swap = false;
    if (m_Owner && registry->Get(kSwapKey, swap)) m_Owner->m_SwapControls = swap;
}

bool TutorialOverlay::SaveControls()
{
    Voke::Registry* registry = Voke::AbstractApp::s_registry;
    if (!registry || !m_Owner) return false;
    if (!registry->Set(kSwapKey, static_cast<bool>(m_Owner->m_SwapControls))) return false;
    return registry->Save(kSavedControls, kControlsNode);
}

bool TutorialOverlay::GetScreenSize(int32_t& width, int32_t& height)
{
    Voke::AbstractApp* app = Voke::AbstractApp::Instance();
    Voke::Display* display = app ? app->GetDisplay() : nullptr;
    Voke::MaemoSurface* screen = display ? display->GetSurface() : nullptr;
    if (!screen) return false;
    width = screen->GetWidth();
    height = screen->GetHeight();
    return true;
}

void TutorialOverlay::PlaceButton(int32_t screenWidth, int32_t screenHeight)
{
    if (!m_ShownButton) return;
    m_ButtonX = (screenWidth - m_ShownButton->GetWidth()) / 2;
    m_ButtonY = TruncToPixel(static_cast<float>(screenHeight) * kButtonTop);
}

void TutorialOverlay::Show(int32_t mode)
{
    m_Active = true;
    m_Mode = mode;
    m_TouchResult = kNone;
    if (mode != kPause) {
        m_ShownButton = nullptr;
        return;
    }
    // Without its picture the pause menu is the plain picture: any touch
    // resumes.
    m_ShownButton = m_MenuButton;
    int32_t w = 0, h = 0;
    if (GetScreenSize(w, h)) PlaceButton(w, h);
}

void TutorialOverlay::Reset()
{
    m_Active = false;
    m_Timer = 0.0f;
}

void TutorialOverlay::Tick(float dt)
{
    if (m_Active) m_Timer += dt;
}

void TutorialOverlay::HandleTouches(const TouchList& touches)
{
    if (!m_Active) return;
    m_TouchResult = kNone;
    if (m_ShownButton) {
        const int32_t left = m_ButtonX, top = m_ButtonY;
        const int32_t right = left + m_ShownButton->GetWidth();
        const int32_t bottom = top + m_ShownButton->GetHeight();
        const float scaleX = m_Owner ? m_Owner->m_PointerScaleX : 1.0f;
        const float scaleY = m_Owner ? m_Owner->m_PointerScaleY : 1.0f;
        for (const TouchPoint& touch : touches) {
            const int32_t sx = ToWindow(touch.x, scaleX);
            const int32_t sy = ToWindow(touch.y, scaleY);
            if (sx < left || sx > right || sy < top || sy > bottom) continue;
            m_TouchResult = m_Mode;
            if (m_Mode == kPause && m_SoundBank) m_SoundBank->PauseAll();
            break;
        }
    }
    // Any touch closes the overlay.
    m_Active = false;
}

void TutorialOverlay::Draw(Voke::Surface* target)
{
    if (!m_Active || !target || !m_Picture) return;
    Voke::Surface::BlitWhole(target, m_Picture, m_Picture->GetClipRect());
    if (!m_ShownButton) return;
    // Placed again at every draw, so that the button follows the window's
    // size; without a display the target stands for the window.
    int32_t w = target->GetWidth(), h = target->GetHeight();
    GetScreenSize(w, h);
    PlaceButton(w, h);
    Voke::Surface::Blit(target, m_ButtonX, m_ButtonY, m_ShownButton, m_ShownButton->GetClipRect());
}

void TutorialOverlay::Release()
{
    SaveControls();
    m_Picture = nullptr;
}
