#include "game/menus/game_over_dialog.h"

#include "engine/core/key_codes.h"
#include "engine/graphics/surface.h"
#include "engine/text/screen_text.h"
#include "game/menus/menu_support.h"

namespace {

// NOTE: the dialog's panel, in logical pixels.
constexpr int32_t kPanelWidth = 336;
constexpr int32_t kPanelHeight = 160;
constexpr int32_t kMargin = 16;
constexpr int32_t kTitleHeight = 46;
// Drawing order of the lines, top to bottom: score, distance, jumps,
// running time, obstacles.
constexpr int32_t kLineOrder[GameOverDialog::kLines] = {2, 3, 1, 0, 4};

}  // namespace

GameOverDialog::GameOverDialog()
    : m_Owner(nullptr),
      m_Active(false),
      m_Elapsed(0.0f),
      m_Selection(0)
{
}

GameOverDialog::~GameOverDialog() { Release(); }

void GameOverDialog::SetOwner(GameBase* game)
{
    m_Owner = game;
    m_RestartButton.SetOwner(game);
    m_BackButton.SetOwner(game);
    m_FacebookButton.SetOwner(game);
}

void GameOverDialog::Load()
{
    const int32_t w = MenuSupport::ScreenWidth(m_Owner), h = MenuSupport::ScreenHeight(m_Owner);
    m_Frame.Layout(m_Owner, kPanelWidth, kPanelHeight, kTitleHeight, kMargin);
    m_Frame.SetTitle(m_Owner, "IDS_GAME_OVER");

    Select(0);
    // The restart and back captions are never drawn: both get pictures.
    m_RestartButton.SetText(MenuSupport::Text("IDS_RESTART_GAME"), true);
    m_BackButton.SetText(MenuSupport::Text("IDS_BACK_TO_MAIN_MENU"), true);
    m_FacebookButton.SetText(Voke::ToWideString("FACEBOOK"), true);

    using MenuSupport::ImageHeight;
    using MenuSupport::ImageWidth;
    const Voke::SmartPtr<Voke::Surface> restart = MenuSupport::LoadImage("gameover_restart.png", true, false);
    // NOTE: centred on x 240 whatever the logical width.
    m_RestartButton.SetPicture(restart, 240 - ImageWidth(restart) / 2, h - 45 - ImageHeight(restart));
    const Voke::SmartPtr<Voke::Surface> back = MenuSupport::LoadImage("gameover_back.png", true, false);
    m_BackButton.SetPicture(back, w - 16 - ImageWidth(back), h - 10 - ImageHeight(back));

    const Voke::SmartPtr<Voke::Surface> facebook = MenuSupport::LoadImage("icon_facebook.png", false, false);
    m_FacebookButton.SetPicture(facebook, m_Frame.left + kMargin, m_Frame.bottom - 10 - ImageHeight(facebook));

    m_BarImage = MenuSupport::LoadImage("main_menu_koncowka_down.png", false, false);
    m_Elapsed = 0.0f;
}

void GameOverDialog::Show()
{
    m_Elapsed = 0.0f;
    m_Active = true;
    Select(0);
    StartSlideIn();
}

void GameOverDialog::Select(int32_t index)
{
    m_RestartButton.Show();
    m_BackButton.Show();
    m_FacebookButton.Show();
    m_Selection = index;
    (index == 0 ? m_RestartButton : m_BackButton).focused = true;
}

void GameOverDialog::StartSlideIn()
{
    m_RestartButton.SetSlide(1, 240.0f, 450.0f, 90.0f);
    m_BackButton.SetSlide(1, 120.0f, 220.0f, 40.0f);
}

int32_t GameOverDialog::GetChoice() const
{
    if (m_RestartButton.clicked) return kChoiceRestart;
    if (m_BackButton.clicked) return kChoiceBack;
    return kChoiceNone;
}

void GameOverDialog::SetLine(int32_t index, const Voke::WideString& text)
{
    m_Lines[index] = MenuSupport::Layout(
        MenuSupport::MakeFormat(m_Owner, "default", {255, 255, 255, 255}, MenuSupport::kAlignCentre), text,
        kPanelWidth);
}

void GameOverDialog::SetLine1(const Voke::WideString& text) { SetLine(0, text); }
void GameOverDialog::SetLine2(const Voke::WideString& text) { SetLine(1, text); }
void GameOverDialog::SetLine3(const Voke::WideString& text) { SetLine(2, text); }
void GameOverDialog::SetLine4(const Voke::WideString& text) { SetLine(3, text); }
void GameOverDialog::SetLine5(const Voke::WideString& text) { SetLine(4, text); }

void GameOverDialog::Update(float dt)
{
    if (!m_Active) return;
    m_Elapsed += dt;
    m_RestartButton.Update(dt);
    m_BackButton.Update(dt);
    m_FacebookButton.Update(dt);
}

void GameOverDialog::Render(Voke::Surface* target)
{
    if (!m_Active) return;
    MenuSupport::DrawBottomBar(target, m_Owner, m_BarImage, m_Elapsed);
    m_Frame.Render(target);
    int32_t y = m_Frame.BodyTop() - 2;
    for (int32_t index : kLineOrder) {
        const Voke::ScreenText* line = m_Lines[index];
        if (!line) continue;
        MenuSupport::DrawText(target, line, m_Frame.CentreX() - line->width / 2, y);
        y += line->height;
    }
    m_RestartButton.Render(target);
    m_BackButton.Render(target);
}

void GameOverDialog::OnPointerPressAt(int32_t x, int32_t y)
{
    if (!m_Active) return;
    m_RestartButton.clicked = m_BackButton.clicked = m_FacebookButton.clicked = false;
    m_RestartButton.OnPointerPressAt(x, y);
    m_BackButton.OnPointerPressAt(x, y);
}

void GameOverDialog::OnKeyDown(unsigned key)
{
    if (!m_Active) return;
    m_RestartButton.OnKeyDown(key);
    m_BackButton.OnKeyDown(key);
    if (key != Voke::KEY_LEFT && key != Voke::KEY_RIGHT) return;
    // Two buttons: either key moves the focus to the other one.
    Select(1 - m_Selection);
}

void GameOverDialog::OnKeyUp(unsigned key)
{
    if (!m_Active) return;
    m_RestartButton.OnKeyUp(key);
    m_BackButton.OnKeyUp(key);
}

void GameOverDialog::Release()
{
    m_RestartButton.Release();
    m_BackButton.Release();
    m_FacebookButton.Release();
    m_Frame.Release();
    for (auto& line : m_Lines) line = nullptr;
    m_BarImage = nullptr;
}
