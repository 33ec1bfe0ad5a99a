#include "game/menus/endless_menu.h"

#include <cstdio>

#include "engine/app/abstract_app.h"
#include "engine/core/key_codes.h"
#include "engine/core/registry.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_ex.h"
#include "engine/text/font_set.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/menus/main_menu.h"
#include "game/menus/menu_support.h"

namespace {

// NOTE: the page's panel, in logical pixels.
constexpr int32_t kPanelWidth = 350;
constexpr int32_t kPanelHeight = 255;
constexpr int32_t kTitleHeight = 42;
constexpr int32_t kColumns = 2;
constexpr int32_t kRows = 3;

}  // namespace

EndlessMenu::EndlessMenu()
    : m_Active(false),
      m_Owner(nullptr),
      m_Buttons(kLevels),
      m_Selected(0),
      m_Left(0),
      m_Top(0),
      m_PanelWidth(0),
      m_PanelHeight(0),
      m_TitleHeight(0),
      m_Menu(nullptr),
      m_ScoreTexts(kLevels),
      m_ScoreTextWidth(0)
{
}

EndlessMenu::~EndlessMenu() { Release(); }

void EndlessMenu::SetOwner(GameBase* game)
{
    m_Owner = game;
    for (Button& button : m_Buttons) button.SetOwner(game);
}

void EndlessMenu::Load()
{
    const int32_t w = MenuSupport::ScreenWidth(m_Owner), h = MenuSupport::ScreenHeight(m_Owner);
    m_PanelWidth = kPanelWidth;
    m_PanelHeight = kPanelHeight;
    m_TitleHeight = kTitleHeight;
    m_Left = (w - kPanelWidth) / 2;
    m_Top = (h - (kPanelHeight + kTitleHeight)) / 2;

    m_Title = MenuSupport::LayoutTitle(m_Owner, "IDS_ENDLESS_MODE", m_PanelWidth);

    // A second Load lays the page out again instead of adding a second back
    // button.
    m_Buttons.resize(kLevels);
    Voke::SmartPtr<Voke::Surface> picture;
    for (int32_t i = 0; i < kLevels; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "endless-button-%02d.png", static_cast<int>(i + 1));
        picture = MenuSupport::LoadImage(name, true, false);
        m_Buttons[size_t(i)].Show();
        m_Buttons[size_t(i)].SetImages(picture, picture);
    }
    const int32_t iw = MenuSupport::ImageWidth(picture), ih = MenuSupport::ImageHeight(picture);
    const int32_t gap = (m_PanelWidth - kColumns * iw) / 3;
    for (int32_t i = 0; i < kLevels; ++i) {
        const int32_t column = i / kRows, row = i % kRows;
        m_Buttons[size_t(i)].SetRect(m_Left + gap + column * (gap + iw),
                                     m_Top + m_TitleHeight + gap + row * (ih + gap), iw, ih, false);
    }

    Voke::SmartPtr<Voke::Text::FontSet> fonts(new Voke::Text::FontSet);
    fonts->Add("default", Voke::GetCachedFont("fontMenu.xml"));
    fonts->SetDefaultName("default");
    m_ScoreFormat.fontSet = fonts;
    m_ScoreFormat.color = {255, 255, 255, 255};
    m_ScoreFormat.alignment = MenuSupport::kAlignRight;
    m_ScoreFormat.flags = Voke::Text::Format::kColor | Voke::Text::Format::kAlignment;
    m_ScoreTextWidth = iw - 1;

    Voke::SmartPtr<Voke::Surface> back = MenuSupport::LoadImage("main_menu_red_back.png", true, true);
    Button backButton;
    backButton.SetOwner(m_Owner);
    backButton.Show();
    backButton.SetPicture(back, m_Left + (m_PanelWidth - MenuSupport::ImageWidth(back)) / 2,
                          m_Top + m_TitleHeight + gap + kRows * (ih + gap));
    m_Buttons.push_back(backButton);
}

void EndlessMenu::Show()
{
    m_Active = true;
    for (Button& button : m_Buttons) button.Show();
    Voke::Registry* registry = Voke::AbstractApp::s_registry;
    for (int32_t k = 1; k <= kLevels; ++k) {
        char path[40];
        std::snprintf(path, sizeof path, "/endless/scores/level%02d", static_cast<int>(k));
        int value = 0;
        if (registry) registry->Get(path, value);
        m_ScoreTexts[size_t(k - 1)] =
            MenuSupport::Layout(m_ScoreFormat, MenuSupport::NumberText("%d", value), m_ScoreTextWidth);
    }
    m_Selected = GetButtonCount() - 1;
    if (m_Selected >= 0) m_Buttons[size_t(m_Selected)].focused = true;
}

void EndlessMenu::Update(float dt)
{
    if (!m_Active) return;
    for (Button& button : m_Buttons) button.Update(dt);
}

void EndlessMenu::Render(Voke::Surface* target)
{
    if (!m_Active) return;
    DrawPanel(target, m_Left, m_Top, m_Left + m_PanelWidth, m_Top + m_TitleHeight);
    DrawPanel(target, m_Left, m_Top + m_TitleHeight + 1, m_Left + m_PanelWidth,
              m_Top + m_TitleHeight + 1 + m_PanelHeight);
    MenuSupport::DrawText(target, m_Title, m_Left + (m_PanelWidth - MenuSupport::TextWidth(m_Title)) / 2,
                          m_Top + (m_TitleHeight - MenuSupport::TextHeight(m_Title)) / 2);
    for (int32_t i = 0; i < kLevels && i < GetButtonCount(); ++i) {
        Button& button = m_Buttons[size_t(i)];
        button.Render(target);
        const Voke::ScreenText* score = m_ScoreTexts[size_t(i)];
        MenuSupport::DrawText(target, score, button.GetX(),
                              button.GetY() + button.GetHeight() - MenuSupport::TextHeight(score));
    }
    if (GetButtonCount() > kBackIndex) m_Buttons[kBackIndex].Render(target);
}

void EndlessMenu::Choose(int32_t index)
{
    if (index < kLevels) {
        if (m_Owner) {
            m_Owner->m_EndlessLevel = index;
            m_Owner->m_Endless = true;
        }
        if (m_Menu) m_Menu->Deactivate();
    }
    m_Active = false;
}

void EndlessMenu::OnKeyDown(unsigned key)
{
    if (!m_Active || m_Buttons.empty()) return;
    const int32_t last = GetButtonCount() - 1;
    if (key == Voke::KEY_LEFT || key == Voke::KEY_RIGHT) {
        m_Buttons[size_t(m_Selected)].focused = false;
        if (key == Voke::KEY_LEFT)
            m_Selected = m_Selected == 0 ? last : m_Selected - 1;
        else
            m_Selected = m_Selected == last ? 0 : m_Selected + 1;
        m_Buttons[size_t(m_Selected)].focused = true;
        return;
    }
    m_Buttons[size_t(m_Selected)].focused = true;
    if (IsActivationKey(key)) Choose(m_Selected);
}

void EndlessMenu::OnPointerPressAt(int32_t x, int32_t y)
{
    if (!m_Active) return;
    for (int32_t i = 0; i < GetButtonCount(); ++i) {
        Button& button = m_Buttons[size_t(i)];
        button.clicked = false;
        button.OnPointerPressAt(x, y);
        if (button.clicked) {
            Choose(i);
            return;
        }
    }
}

void EndlessMenu::Release()
{
    for (Button& button : m_Buttons) button.Release();
    m_Title = nullptr;
}
