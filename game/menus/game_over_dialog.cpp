#include "game/menus/game_over_dialog.h"

#include <algorithm>

#include "engine/core/key_codes.h"
#include "engine/graphics/surface.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/menus/menu_support.h"
#include "game/presentation/pixel_math.h"

namespace {

// NOTE: the dialog's panel, in logical pixels.
constexpr int32_t kPanelWidth = 336;
constexpr int32_t kPanelHeight = 160;
constexpr int32_t kMargin = 16;
constexpr int32_t kTitleHeight = 46;
// NOTE: the bottom bar slides 160 steps of 2 pixels at 640 steps a second.
constexpr float kBarRate = 640.0f;
constexpr int32_t kBarSteps = 160;

const Voke::Color kBarEdgeColour = Voke::MakeColor(73, 73, 114, 255);
const Voke::Color kBarColour = Voke::MakeColor(37, 38, 58, 255);

// Drawing order of the lines, top to bottom: score, distance, jumps,
// running time, obstacles.
constexpr int32_t kLineOrder[GameOverDialog::kLines] = {2, 3, 1, 0, 4};

}  // namespace

GameOverDialog::GameOverDialog()
    : m_Owner(nullptr),
      m_Active(false),
      m_Elapsed(0.0f),
      m_Selection(0),
      m_Left(0),
      m_Top(0),
      m_Right(0),
      m_Bottom(0),
      m_PanelWidth(0),
      m_PanelHeight(0),
      m_Margin(0),
      m_TitleHeight(0)
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
    m_PanelWidth = kPanelWidth;
    m_PanelHeight = kPanelHeight;
    m_Left = w / 2 - kPanelWidth / 2;
    m_Right = w / 2 + kPanelWidth / 2;
    m_Top = h / 2 - kPanelHeight / 2;
    m_Bottom = h / 2 + kPanelHeight / 2;
    m_Margin = kMargin;
    m_TitleHeight = kTitleHeight;

    m_Title = MenuSupport::Layout(
        MenuSupport::MakeFormat(m_Owner, "fontbig", {255, 255, 255, 255}, MenuSupport::kAlignCentre),
        MenuSupport::Text("IDS_GAME_OVER"), m_PanelWidth);

    m_RestartButton.Show();
    m_BackButton.Show();
    m_FacebookButton.Show();
    // The restart and back captions are never drawn: both get pictures.
    m_RestartButton.SetText(MenuSupport::Text("IDS_RESTART_GAME"), true);
    m_BackButton.SetText(MenuSupport::Text("IDS_BACK_TO_MAIN_MENU"), true);
    m_FacebookButton.SetText(Voke::ToWideString("FACEBOOK"), true);
    m_Selection = 0;
    m_RestartButton.focused = true;

    m_RestartImage = MenuSupport::LoadImage("gameover_restart.png", true, false);
    int32_t iw = MenuSupport::ImageWidth(m_RestartImage), ih = MenuSupport::ImageHeight(m_RestartImage);
    m_RestartButton.SetImages(m_RestartImage, m_RestartImage);
    // NOTE: centred on x 240 whatever the logical width.
    m_RestartButton.SetRect(240 - iw / 2, h - 45 - ih, iw, ih, false);

    m_BackImage = MenuSupport::LoadImage("gameover_back.png", true, false);
    iw = MenuSupport::ImageWidth(m_BackImage);
    ih = MenuSupport::ImageHeight(m_BackImage);
    m_BackButton.SetImages(m_BackImage, m_BackImage);
    m_BackButton.SetRect(w - 16 - iw, h - 10 - ih, iw, ih, false);

    for (auto& image : m_FacebookImages) image = MenuSupport::LoadImage("icon_facebook.png", false, false);
    iw = MenuSupport::ImageWidth(m_FacebookImages[0]);
    ih = MenuSupport::ImageHeight(m_FacebookImages[0]);
    m_FacebookButton.SetImages(m_FacebookImages[0], m_FacebookImages[1]);
    m_FacebookButton.SetRect(m_Left + m_Margin, m_Bottom - 10 - ih, iw, ih, false);

    m_BarImage = MenuSupport::LoadImage("main_menu_koncowka_down.png", false, false);
    m_Elapsed = 0.0f;
}

void GameOverDialog::Show()
{
    m_Elapsed = 0.0f;
    m_Active = true;
    m_RestartButton.Show();
    m_BackButton.Show();
    m_FacebookButton.Show();
    m_RestartButton.focused = true;
    m_Selection = 0;
    StartSlideIn();
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
    const int32_t w = MenuSupport::ScreenWidth(m_Owner), h = MenuSupport::ScreenHeight(m_Owner);
    const int32_t reveal = std::min(TruncToPixel(m_Elapsed * kBarRate), kBarSteps);
    const int32_t barX = 2 * (265 - reveal);
    const int32_t d = (h / 26) / 2;
    const int32_t bw = MenuSupport::ImageWidth(m_BarImage), bh = MenuSupport::ImageHeight(m_BarImage);
    MenuSupport::DrawImage(target, m_BarImage, barX, h - 1 - d - bh);
    Voke::Surface::FillRect(target, barX + bw, h - 1 - d - bh, barX + bw + w, h - d - bh, &kBarEdgeColour);
    Voke::Surface::FillRect(target, barX + bw, h - d - bh, barX + bw + w, h - d - 2, &kBarColour);

    DrawPanel(target, m_Left, m_Top, m_Right, m_Top + m_TitleHeight);
    DrawPanel(target, m_Left, m_Top + m_TitleHeight, m_Right, m_Bottom);
    MenuSupport::DrawText(target, m_Title, (m_Left + m_Right) / 2 - MenuSupport::TextWidth(m_Title) / 2,
                          m_Top + m_TitleHeight / 2 - MenuSupport::TextHeight(m_Title) / 2);

    int32_t y = m_Top + m_TitleHeight + m_Margin - 2;
    for (int32_t index : kLineOrder) {
        const Voke::ScreenText* line = m_Lines[index];
        if (!line) continue;
        MenuSupport::DrawText(target, line, (m_Left + m_Right) / 2 - line->width / 2, y);
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
    const int32_t next = 1 - m_Selection;
    m_RestartButton.Show();
    m_BackButton.Show();
    m_FacebookButton.Show();
    m_Selection = next;
    (next == 0 ? m_RestartButton : m_BackButton).focused = true;
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
    m_Title = nullptr;
    for (auto& line : m_Lines) line = nullptr;
    m_BarImage = nullptr;
    m_RestartImage = nullptr;
    m_BackImage = nullptr;
    for (auto& image : m_FacebookImages) image = nullptr;
}
