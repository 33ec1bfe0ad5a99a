#include "game/menus/main_menu.h"

#include <algorithm>
#include <cmath>

#include "engine/app/abstract_app.h"
#include "engine/audio/mixer.h"
#include "engine/core/key_codes.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/pixel_math.h"
#include "game/menus/menu_support.h"

namespace {

constexpr float kPi = 3.14159265358979f;

struct Slide {
    int32_t direction;
    float offset;
    float speed;
    float deceleration;
};
// NOTE: the slide-in of buttons 6 to 11, in that order.
const Slide kSlides[6] = {
    {1, 120.0f, 320.0f, 40.0f}, {1, 240.0f, 500.0f, 90.0f}, {1, 120.0f, 250.0f, 40.0f},
    {1, 50.0f, 250.0f, 40.0f},  {-1, 170.0f, 390.0f, 38.0f}, {-1, 170.0f, 310.0f, 38.0f},
};

// NOTE: the intro sound starts 0.65 s into the intro; skipping the intro
// sets its clock past 1 s, where its animation is complete.
constexpr float kIntroSoundTime = 0.65f;
constexpr float kIntroSkippedTime = 1.01f;
// NOTE: the policeman walks 45 px/s from W + 40 to -65; one walk cycle takes
// 1 / 1.01 s.
constexpr float kPolicemanSpeed = 45.0f;
constexpr float kPolicemanStartPastRight = 40.0f;
constexpr float kPolicemanWrapX = -65.0f;
constexpr float kSwingRate = 1.01f;
// NOTE: the ray swings once in 6.25 s, the lamp blinks twice a second.
constexpr float kRayRate = 0.16f;
constexpr int32_t kWalkBaseY = 169;

const Voke::Color kSkyColour = Voke::MakeColor(80, 90, 143, 255);

bool IsBackKey(unsigned key) { return key == Voke::KEY_BACK || key == Voke::KEY_PSP_CIRCLE; }

void BlitTurned(Voke::Surface* target, Voke::Surface* image, float x, float y, float angle, float pivotX,
                float pivotY, int flip)
{
    if (!image) return;
    const float scale[2] = {1.0f, 1.0f};
    const float pivot[2] = {pivotX, pivotY};
    Voke::Surface::BlitTransformed(target, image, x, y, angle, scale, pivot, flip, *image->GetClipRect());
}

}  // namespace

const int32_t MainMenu::PolicemanFrameOffsets[kWalkFrames][2] = {
    {41, 31}, {40, 31}, {40, 32}, {41, 32}, {41, 32}, {41, 32}, {41, 32}, {41, 32}, {41, 31}, {41, 31}, {41, 31},
    {41, 31}, {41, 31}, {42, 31}, {42, 31}, {42, 31}, {40, 32}, {40, 32}, {40, 32}, {41, 32}, {42, 32}, {42, 32},
    {42, 32}, {42, 31}, {42, 31}, {42, 31}, {41, 31}, {41, 30}, {41, 30}, {41, 31}, {41, 31},
};

MainMenu::MainMenu()
    : m_SoundOn(true),
      m_ChosenLevel(-1),
      m_LevelSelect(true),
      m_Game(nullptr),
      m_Active(false),
      m_PanelTime(0.0f),
      m_Focus(0),
      m_LampPhase(0.0f),
      m_RayPhase(0.0f),
      m_IntroTime(0.0f),
      m_IntroActive(false),
      m_FrameCount(0),
      m_SwingPhase(0.0f),
      m_Frame(0),
      m_PolicemanX(0.0f),
      m_IntroSoundPlayed(false),
      m_NameField(false)
{
}

MainMenu::~MainMenu() = default;

void MainMenu::SetContext(GameBase* game)
{
    m_Game = game;
    for (Button& button : m_Buttons) button.SetOwner(game);
    m_AboutPage.SetOwner(game);
    m_ScoresPage.SetOwner(game);
    m_ExitDialog.SetOwner(game);
    m_EndlessPage.SetOwner(game);
}

MainMenu::Page MainMenu::OpenPage() const
{
    if (m_AboutPage.IsVisible()) return Page::kAbout;
    if (m_ScoresPage.IsActive()) return Page::kScores;
    if (m_ExitDialog.IsActive()) return Page::kExit;
    if (m_EndlessPage.IsActive()) return Page::kEndless;
    return Page::kNone;
}

void MainMenu::StartButtonSlides()
{
    for (int32_t i = 0; i < 6; ++i) {
        const Slide& s = kSlides[i];
        m_Buttons[kAboutButton + i].SetSlide(s.direction, s.offset, s.speed, s.deceleration);
    }
}

void MainMenu::Show()
{
    m_ChosenLevel = -1;
    m_Active = true;
    m_PanelTime = 0.0f;
    FocusButton(kRunButton);
    StartButtonSlides();
    m_PolicemanX = PolicemanStartX();
    m_SoundOn = m_Game ? m_Game->m_SoundOn : true;

    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    if (m_Music && mixer) {
        // One menu music at a time, should the menu be shown twice without
        // leaving it.
        if (m_MusicChannel.GetCell()) mixer->StopChannel(m_MusicChannel);
        // A new read position over the shared music, from its beginning,
        // looping before it is heard: a channel of the same music that the
        // credits may still be playing keeps its own position. Forced past
        // the channel limit.
        m_MusicChannel = mixer->Play(m_Music, true, true);
    }
}

void MainMenu::Deactivate()
{
    m_Active = false;
    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    if (mixer && m_MusicChannel.GetCell()) mixer->StopChannel(m_MusicChannel);
}

void MainMenu::SkipIntro()
{
    m_IntroActive = false;
    m_IntroTime = kIntroSkippedTime;
    StartButtonSlides();
}

void MainMenu::FocusButton(int32_t index)
{
    for (Button& button : m_Buttons) button.Show();
    m_Focus = index;
    m_Buttons[index].focused = true;
}

void MainMenu::Activate(int32_t index)
{
    switch (index) {
    case kRunButton:
        if (m_Game) m_Game->m_Endless = false;
        Deactivate();
        break;
    case kAboutButton:
        m_AboutPage.Show();
        break;
    case kScoresButton:
        m_ScoresPage.Show();
        break;
    case kExitButton:
        m_ExitDialog.Show();
        break;
    case kEndlessButton:
        m_EndlessPage.Show();
        break;
    case kMoreGamesButton:
        // Its clicked mark waits for TakeMoreGamesClick.
        break;
    default:
        if (m_LevelSelect && index >= 0 && index < kLevelButtons) {
            Deactivate();
            m_ChosenLevel = index;
        }
        break;
    }
}

template <typename Handle>
bool MainMenu::ToOpenPopup(Handle handle)
{
    switch (OpenPage()) {
    case Page::kAbout:
        handle(m_AboutPage);
        return true;
    case Page::kScores:
        handle(m_ScoresPage);
        return true;
    case Page::kExit:
        handle(m_ExitDialog);
        return true;
    default:
        return false;
    }
}

template <typename Handle>
bool MainMenu::ToOpenPage(Handle handle)
{
    if (OpenPage() != Page::kEndless) return ToOpenPopup(handle);
    handle(m_EndlessPage);
    return true;
}

void MainMenu::OnKeyDown(unsigned key)
{
    if (!m_Active) return;
    if (m_IntroActive) {
        SkipIntro();
        return;
    }
    if (ToOpenPage([key](auto& page) { page.OnKeyDown(key); })) return;
    if (IsBackKey(key)) {
        m_ExitDialog.Show();
        return;
    }
    for (Button& button : m_Buttons) button.OnKeyDown(key);

    int32_t next = m_Focus;
    if (key == Voke::KEY_RIGHT) {
        next = m_Focus + 1;
        if (next >= kButtons) next = m_LevelSelect ? 0 : kAboutButton;
    } else if (key == Voke::KEY_LEFT) {
        next = m_Focus - 1;
        if (m_LevelSelect ? next < 0 : next < kLevelButtons) next = kButtons - 1;
    }
    if (next != m_Focus) FocusButton(next);

    if (IsActivationKey(key)) Activate(m_Focus);
}

void MainMenu::OnKeyUp(unsigned key)
{
    if (!m_Active) return;
    if (ToOpenPopup([key](auto& page) { page.OnKeyUp(key); })) return;
    for (Button& button : m_Buttons) button.OnKeyUp(key);
}

void MainMenu::OnPointerPressAt(int32_t x, int32_t y)
{
    if (!m_Active) return;
    if (m_IntroActive) {
        SkipIntro();
        return;
    }
    if (ToOpenPage([x, y](auto& page) { page.OnPointerPressAt(x, y); })) return;

    for (Button& button : m_Buttons) button.clicked = false;
    // The level buttons take part only while they are shown, so that their
    // hidden column never swallows a press meant for the run button.
    for (int32_t i = m_LevelSelect ? 0 : kAboutButton; i < kButtons; ++i) {
        if (i == kExitButton) continue;  // reached by keys only
        m_Buttons[i].OnPointerPressAt(x, y);
        if (m_Buttons[i].clicked) {
            Activate(i);
            return;
        }
    }
}

void MainMenu::OnPointerReleaseAt(int32_t x, int32_t y)
{
    if (!m_Active) return;
    if (ToOpenPopup([x, y](auto& page) { page.OnPointerReleaseAt(x, y); })) return;
    for (Button& button : m_Buttons) button.OnPointerReleaseAt(x, y);
}

void MainMenu::OnPointerDown(const TouchList& touches)
{
    if (m_Active) ToOpenPopup([&touches](auto& page) { page.OnPointerDown(touches); });
}

void MainMenu::OnPointerUp(const TouchList& touches)
{
    if (m_Active) ToOpenPopup([&touches](auto& page) { page.OnPointerUp(touches); });
}

void MainMenu::OnPointerMove(const TouchList& touches)
{
    if (m_Active) ToOpenPopup([&touches](auto& page) { page.OnPointerMove(touches); });
}

bool MainMenu::TakeMoreGamesClick()
{
    const bool clicked = m_Buttons[kMoreGamesButton].clicked;
    m_Buttons[kMoreGamesButton].clicked = false;
    return clicked;
}

void MainMenu::UpdateIntro(float dt)
{
    if (!m_IntroActive) return;
    m_IntroTime += dt;
    if (m_IntroTime < kIntroSoundTime || m_IntroSoundPlayed) return;
    m_IntroSoundPlayed = true;
    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    if (!m_Game || !m_Game->m_SoundOn || !m_IntroSound || !mixer) return;
    // Played once through a read position of its own (the shared sound is
    // also the game's retry sound); the channel is not kept.
    mixer->Play(m_IntroSound, true);
}

float MainMenu::PolicemanStartX() const
{
    return float(MenuSupport::ScreenWidth(m_Game)) + kPolicemanStartPastRight;
}

void MainMenu::UpdatePoliceman(float dt)
{
    m_PolicemanX -= kPolicemanSpeed * dt;
    if (m_PolicemanX < kPolicemanWrapX) m_PolicemanX = PolicemanStartX();
    m_SwingPhase += kSwingRate * dt;
    if (m_SwingPhase >= 1.0f) {
        m_SwingPhase -= 1.0f;
        if (m_SwingPhase >= 1.0f) m_SwingPhase = 0.0f;
    }
    if (m_FrameCount <= 0) {
        m_Frame = 0;
        return;
    }
    m_Frame = std::clamp(TruncToPixel(m_SwingPhase * float(m_FrameCount)), 0, m_FrameCount - 1);
}

void MainMenu::Update(float dt)
{
    if (!m_Active) return;
    if (m_IntroActive) {
        UpdateIntro(dt);
    } else {
        m_PanelTime += dt;
        UpdatePoliceman(dt);
    }
    m_RayPhase += kRayRate * dt;
    if (m_RayPhase > 1.0f) m_RayPhase = 0.0f;
    m_LampPhase += dt;
    if (m_LampPhase > 1.0f) m_LampPhase = 0.0f;

    if (ToOpenPage([dt](auto& page) { page.Update(dt); })) return;
    for (Button& button : m_Buttons) button.Update(dt);
}

uint8_t MainMenu::GetLampOpacity() const
{
    const int32_t blink = TruncToPixel(std::fabs(std::sin(4.0f * kPi * m_LampPhase)) * 240.0f);
    return uint8_t(std::clamp(blink, 0, 240) + 10);
}

void MainMenu::DrawPoliceman(Voke::Surface* target, int32_t baseY, bool mirrored, float angleBase,
                             float angleSign)
{
    const int32_t* offset = PolicemanFrameOffsets[((m_Frame % kWalkFrames) + kWalkFrames) % kWalkFrames];
    const int32_t dx = offset[0], dy = offset[1];
    const int32_t px = TruncToPixel(m_PolicemanX);
    if (!target || baseY + dy > target->GetHeight()) return;
    const float s = std::sin(kPi * m_SwingPhase);
    const int32_t swing = TruncToPixel(3.12f * s);
    Voke::Surface* frame =
        m_Frame >= 0 && m_Frame < kWalkFrames ? m_WalkFrames[m_Frame].Get() : nullptr;
    if (!mirrored) {
        BlitTurned(target, m_FlashlightImage, float(px + 3 + dx), float(dy + baseY + 20 + swing),
                   -0.21f * s, 94.0f, 18.0f, 0);
        MenuSupport::DrawImage(target, frame, px + dx, dy + baseY);
        return;
    }
    const int32_t tw = target->GetWidth();
    BlitTurned(target, m_FlashlightImage, float(tw - 3 - px - dx), float(baseY + dy + 17 + swing),
               angleBase + angleSign * 0.21f * s, 94.0f, 18.0f, 0);
    if (frame)
        BlitTurned(target, frame, float(tw - px - dx - frame->GetWidth()), float(baseY + dy), 0.0f, 0.0f, 0.0f, 2);
}

void MainMenu::RenderPoliceman(Voke::Surface* target, int32_t row)
{
    if (row == 0) {
        DrawPoliceman(target, kWalkBaseY, false, 0.0f, 0.0f);
        return;
    }
    const int32_t base = row < 0 ? kWalkBaseY : row == 1 ? 325 : 78 * row + 247;
    if (row > 0)
        DrawPoliceman(target, base, true, kPi, 1.0f);
    else
        DrawPoliceman(target, base, true, 0.0f, -1.0f);
}

void MainMenu::RenderScene(Voke::Surface* target)
{
    const int32_t w = MenuSupport::ScreenWidth(m_Game);
    Voke::Surface::FillRect(target, 0, 0, w, 14, &kSkyColour);
    m_Backgrounds[0].Draw(target, 0, 14);
    if (m_LampImage) {
        m_LampImage->SetOpacity(GetLampOpacity());
        MenuSupport::DrawImage(target, m_LampImage, 215, 23);
    }
    BlitTurned(target, m_RayImage, 298.0f, 24.0f, 0.91f * std::sin(2.0f * kPi * m_RayPhase), 71.0f, 14.0f, 0);
    m_Backgrounds[1].Draw(target, 72, -10);
    DrawPoliceman(target, kWalkBaseY, false, 0.0f, 0.0f);
    m_Backgrounds[2].Draw(target, 0, 0);
}

void MainMenu::RenderIntro(Voke::Surface* target)
{
    const int32_t w = MenuSupport::ScreenWidth(m_Game), h = MenuSupport::ScreenHeight(m_Game);
    const int32_t tw = target ? target->GetWidth() : 0;
    const float t = 3.0f * m_IntroTime;
    const int32_t yb = (49 * h) / 100;
    const int32_t x0 = std::max(0, w / 2 - 240);
    Voke::Surface* upper1 = m_IntroImages[0];
    Voke::Surface* upper2 = m_IntroImages[1];
    Voke::Surface* lower = m_IntroImages[2];

    // The strips repeat across the target; a strip that failed to load has
    // no width, and is not repeated.
    const int32_t upperStep = MenuSupport::ImageWidth(upper1) + MenuSupport::ImageWidth(upper2);
    if (upperStep > 0) {
        for (int64_t x = t < 3.0f ? TruncToPixel((3.0f - t) * 30.0f) - 90 : -90; x <= tw;) {
            MenuSupport::DrawImage(target, upper1, int32_t(x), yb - 48);
            x += MenuSupport::ImageWidth(upper1);
            MenuSupport::DrawImage(target, upper2, int32_t(x), yb - 48);
            x += MenuSupport::ImageWidth(upper2);
        }
    }
    const int32_t lowerStep = MenuSupport::ImageWidth(lower);
    if (lowerStep > 0) {
        for (int64_t x = t < 2.0f ? TruncToPixel((2.0f - t) * 500.0f) : 0; x <= tw; x += lowerStep)
            MenuSupport::DrawImage(target, lower, int32_t(x), yb + 9);
    }
    const int32_t fly = t < 3.0f ? TruncToPixel((3.0f - t) * 700.0f) : 0;
    MenuSupport::DrawImage(target, m_IntroImages[3], x0 - 24 - fly, yb - 86);
    MenuSupport::DrawImage(target, m_IntroImages[4], x0 + 296 + fly, yb + 6);

    if (t < 3.0f) return;
    if (TruncToPixel(1.03f * t) % 2 != 0) {
        Voke::Surface* label = m_IntroImages[5];
        MenuSupport::DrawImage(target, label, w / 2 - MenuSupport::ImageWidth(label) / 2, h - 51);
    }
    const int32_t alpha = std::clamp(TruncToPixel((1.0f - 2.0f * (t - 3.0f)) * 256.0f), 0, 255);
    const Voke::Color flash = Voke::MakeColor(255, 255, 255, uint8_t(alpha));
    Voke::Surface::FillRect(target, 0, 0, w, h, &flash);
}

void MainMenu::Render(Voke::Surface* target)
{
    if (!m_Active) return;
    if (m_IntroTime >= 1.0f) RenderScene(target);
    if (m_IntroActive) {
        RenderIntro(target);
        return;
    }
    if (ToOpenPage([target](auto& page) { page.Render(target); })) return;
    MenuSupport::DrawBottomBar(target, m_Game, m_PanelCapImage, m_PanelTime);
    if (m_LevelSelect)
        for (int32_t i = 0; i < kLevelButtons; ++i) m_Buttons[i].Render(target);
    for (int32_t i : {kAboutButton, kScoresButton, kEndlessButton, kMoreGamesButton, kRunButton})
        m_Buttons[i].Render(target);
}
