#include "game/menus/exit_dialog.h"

#include "engine/app/abstract_app.h"
#include "engine/core/key_codes.h"
#include "engine/graphics/surface.h"
#include "game/menus/menu_support.h"

namespace {

// NOTE: the dialog's panel, in logical pixels.
constexpr int32_t kPanelWidth = 288;
constexpr int32_t kPanelHeight = 128;
constexpr int32_t kTitleHeight = 49;
constexpr int32_t kMargin = 13;
// NOTE: yes sits 70 pixels left of the centre, no 40 right of it, both 20
// pixels above the bottom margin.
constexpr int32_t kYesOffset = -70;
constexpr int32_t kNoOffset = 40;
constexpr int32_t kButtonLift = 20;

constexpr int32_t kYes = 0;
constexpr int32_t kNo = 1;

}  // namespace

ExitDialog::ExitDialog() : m_Owner(nullptr), m_Active(false), m_Selected(0) {}

ExitDialog::~ExitDialog() { Release(); }

void ExitDialog::SetOwner(GameBase* game)
{
    m_Owner = game;
    for (Button& button : m_Buttons) button.SetOwner(game);
}

void ExitDialog::Load()
{
    m_Frame.Layout(m_Owner, kPanelWidth, kPanelHeight, kTitleHeight, kMargin);
    m_Frame.SetTitle(m_Owner, "IDS_EXIT GAME");

    for (Button& button : m_Buttons) button.Show();
    const int32_t centre = m_Frame.CentreX();
    const char* const ids[2] = {"IDS_YES", "IDS_NO"};
    const int32_t offsets[2] = {kYesOffset, kNoOffset};
    m_ButtonImage = MenuSupport::LoadImage("main_menu_red_back.png", true, false);
    const int32_t iw = MenuSupport::ImageWidth(m_ButtonImage), ih = MenuSupport::ImageHeight(m_ButtonImage);
    for (int32_t i = 0; i < 2; ++i) {
        Button& button = m_Buttons[i];
        // The caption is laid out for a third of the panel; the rectangle
        // then takes the picture's size.
        button.SetRect(centre - kPanelWidth / 6, m_Frame.bottom - kPanelHeight / 10 - kMargin, kPanelWidth / 3,
                       kPanelHeight / 10, true);
        button.SetText(MenuSupport::Text(ids[i]), false);
        button.SetRect(centre + offsets[i] - iw / 2, m_Frame.bottom - kButtonLift - kMargin / 2 - ih, iw, ih, false);
    }
    m_Buttons[kNo].focused = true;
    m_Selected = kNo;
}

void ExitDialog::Show()
{
    m_Active = true;
    for (Button& button : m_Buttons) button.Show();
    m_Buttons[m_Selected].focused = true;
}

void ExitDialog::Update(float dt)
{
    if (!m_Active) return;
    for (Button& button : m_Buttons) button.Update(dt);
}

void ExitDialog::Render(Voke::Surface* target)
{
    if (!m_Active) return;
    m_Frame.Render(target);
    m_Buttons[kYes].Render(target);
    m_Buttons[kNo].Render(target);
    MenuSupport::ResetClip(target, m_Owner);
}

void ExitDialog::Select(int32_t index)
{
    for (Button& button : m_Buttons) button.Show();
    m_Selected = index;
    m_Buttons[index].focused = true;
}

void ExitDialog::ActOnClicks()
{
    if (m_Buttons[kNo].clicked) m_Active = false;
    if (m_Buttons[kYes].clicked) {
        if (Voke::AbstractApp* app = Voke::AbstractApp::Instance()) app->Exit();
    }
}

void ExitDialog::OnKeyDown(unsigned key)
{
    if (!m_Active) return;
    for (Button& button : m_Buttons) button.OnKeyDown(key);
    // Two buttons: either key moves the focus to the other one.
    if (key == Voke::KEY_LEFT || key == Voke::KEY_RIGHT) Select(1 - m_Selected);
    ActOnClicks();
}

void ExitDialog::OnKeyUp(unsigned key)
{
    if (!m_Active) return;
    for (Button& button : m_Buttons) button.OnKeyUp(key);
}

void ExitDialog::OnPointerPressAt(int32_t x, int32_t y)
{
    if (!m_Active) return;
    for (Button& button : m_Buttons) button.clicked = false;
    m_Buttons[kYes].OnPointerPressAt(x, y);
    m_Buttons[kNo].OnPointerPressAt(x, y);
    ActOnClicks();
}

void ExitDialog::Release()
{
    for (Button& button : m_Buttons) button.Release();
    m_Frame.Release();
    m_ButtonImage = nullptr;
}
