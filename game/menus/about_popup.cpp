#include "game/menus/about_popup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/key_codes.h"
#include "engine/graphics/surface.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/core/language.h"
#include "game/menus/menu_support.h"

namespace {

// NOTE: the page's panel, in logical pixels.
constexpr int32_t kPanelWidth = 400;
constexpr int32_t kPanelHeight = 230;
constexpr int32_t kTitleHeight = 46;
constexpr int32_t kTextMargin = 19;
// NOTE: lines are laid out 35 pixels plus the margin narrower than the panel.
constexpr int32_t kLineInset = 35;
// NOTE: the text window ends this far above the panel's bottom edge; the
// arrows sit 10 pixels in from its right edge.
constexpr int32_t kWindowBottomInset = 42;
constexpr int32_t kArrowInset = 10;

struct LanguageLimit {
    const char* code;
    int32_t limit;
};
// NOTE: the drag limits follow each language's text height.
const LanguageLimit kDragLimits[] = {{"en", 585}, {"fr", 625}, {"it", 605}, {"gr", 580}, {"es", 630}};

const char* const kKeyHintNames[4] = {
    "main_menu_psp_buttons_cross2.png",
    "main_menu_psp_buttons_square2.png",
    "main_menu_psp_buttons_up2.png",
    "main_menu_psp_buttons_down2.png",
};

}  // namespace

Voke::SmartPtr<Voke::ScreenText> AboutPopup::s_Lines[AboutPopup::kLines];

AboutPopup::AboutPopup()
    : m_Owner(nullptr),
      m_Visible(false),
      m_Left(0),
      m_Top(0),
      m_Right(0),
      m_Bottom(0),
      m_PanelWidth(0),
      m_PanelHeight(0),
      m_TextMargin(0),
      m_TitleHeight(0),
      m_DragY(0),
      m_Scroll(0),
      m_Dragging(false)
{
}

AboutPopup::~AboutPopup() { Release(); }

void AboutPopup::SetOwner(GameBase* game)
{
    m_Owner = game;
    m_CloseButton.SetOwner(game);
    m_DownButton.SetOwner(game);
    m_UpButton.SetOwner(game);
}

int32_t AboutPopup::DragLimit(const char* languageCode)
{
    for (const LanguageLimit& entry : kDragLimits)
        if (languageCode && std::strcmp(languageCode, entry.code) == 0) return entry.limit;
    return -1;
}

const Voke::ScreenText* AboutPopup::GetLine(int32_t index)
{
    return index >= 0 && index < kLines ? s_Lines[index].Get() : nullptr;
}

void AboutPopup::Load()
{
    const int32_t w = MenuSupport::ScreenWidth(m_Owner), h = MenuSupport::ScreenHeight(m_Owner);
    m_PanelWidth = kPanelWidth;
    m_PanelHeight = kPanelHeight;
    m_Left = w / 2 - kPanelWidth / 2;
    m_Right = w / 2 + kPanelWidth / 2;
    m_Top = h / 2 - kPanelHeight / 2;
    m_Bottom = h / 2 + kPanelHeight / 2;
    m_TitleHeight = kTitleHeight;
    m_TextMargin = kTextMargin;

    const Voke::Text::Format lineFormat =
        MenuSupport::MakeFormat(m_Owner, "default", {191, 197, 240, 255}, MenuSupport::kAlignCentre);
    for (int32_t n = 1; n <= kLines; ++n) {
        char id[32];
        std::snprintf(id, sizeof id, "IDS_ABOUT_LINE_%i", static_cast<int>(n));
        const Voke::WideString text = MenuSupport::Text(id);
        if (text == L"-") continue;
        s_Lines[n - 1] = MenuSupport::Layout(lineFormat, text, m_PanelWidth - kLineInset - m_TextMargin);
    }

    m_Title = MenuSupport::Layout(
        MenuSupport::MakeFormat(m_Owner, "fontbig", {255, 255, 255, 255}, MenuSupport::kAlignCentre),
        MenuSupport::Text("IDS_MENU_HELP_ABOUT"), m_PanelWidth);

    m_CloseButton.Show();
    m_DownButton.Show();
    m_UpButton.Show();
    // The captions are never drawn: the buttons get images below.
    m_DownButton.SetText(MenuSupport::Text("IDS_READ_MORE_DOWN"), true);
    m_UpButton.SetText(MenuSupport::Text("IDS_READ_MORE_UP"), true);
    m_CloseButton.SetText(MenuSupport::Text("IDS_CLOSE"), true);

    m_CloseImage = MenuSupport::LoadImage("main_menu_red_back.png", true, false);
    m_DownImage = MenuSupport::LoadImage("icon_arrow_down.png", false, false);
    m_UpImage = MenuSupport::LoadImage("icon_arrow_up.png", false, false);
    for (int i = 0; i < 4; ++i) m_KeyHintImages[i] = MenuSupport::LoadImage(kKeyHintNames[i], false, false);

    int32_t iw = MenuSupport::ImageWidth(m_CloseImage), ih = MenuSupport::ImageHeight(m_CloseImage);
    m_CloseButton.SetImages(m_CloseImage, m_CloseImage);
    m_CloseButton.SetRect((m_Left + m_Right) / 2 - iw / 2, m_Bottom - m_TextMargin / 2 - ih, iw, ih, false);

    iw = MenuSupport::ImageWidth(m_DownImage);
    ih = MenuSupport::ImageHeight(m_DownImage);
    m_DownButton.SetImages(m_DownImage, m_DownImage);
    m_DownButton.SetRect(m_Right - kArrowInset - iw, m_Bottom - 3 * m_TextMargin - ih, iw, ih, false);

    iw = MenuSupport::ImageWidth(m_UpImage);
    ih = MenuSupport::ImageHeight(m_UpImage);
    m_UpButton.SetImages(m_UpImage, m_UpImage);
    m_UpButton.SetRect(m_Right - kArrowInset - iw, m_Top + m_TitleHeight + 2 * m_TextMargin, iw, ih, false);

    m_CloseButton.focused = true;
}

void AboutPopup::Show()
{
    m_Visible = true;
    m_CloseButton.Show();
    m_DownButton.Show();
    m_UpButton.Show();
    m_CloseButton.focused = true;
    m_Dragging = false;
    m_Scroll = 0;
    m_DragY = 0;
}

void AboutPopup::Update(float dt)
{
    if (!m_Visible) return;
    m_CloseButton.Update(dt);
    m_DownButton.Update(dt);
    m_UpButton.Update(dt);
}

void AboutPopup::Render(Voke::Surface* target)
{
    if (!m_Visible) return;
    DrawPanel(target, m_Left, m_Top, m_Right, m_Top + m_TitleHeight);
    DrawPanel(target, m_Left, m_Top + m_TitleHeight, m_Right, m_Bottom);
    MenuSupport::DrawText(target, m_Title, (m_Left + m_Right) / 2 - MenuSupport::TextWidth(m_Title) / 2,
                          m_Top + m_TitleHeight / 2 - MenuSupport::TextHeight(m_Title) / 2);
    m_CloseButton.Render(target);
    m_DownButton.Render(target);
    m_UpButton.Render(target);

    MenuSupport::ClipTo(target, m_Left, m_Top + m_TitleHeight + m_TextMargin, m_Left + m_PanelWidth,
                        m_Top + m_PanelHeight - kWindowBottomInset);
    int32_t y = m_Top + m_TitleHeight + m_TextMargin - m_Scroll;
    for (const auto& line : s_Lines) {
        if (!line) {
            y += kBlankLineHeight;
            continue;
        }
        MenuSupport::DrawText(target, line, (m_Left + m_Right) / 2 - line->width / 2, y);
        y += line->height + 1;
    }
    MenuSupport::ResetClip(target, m_Owner);
}

void AboutPopup::ScrollDown() { m_Scroll = std::min(m_Scroll + kKeyStep, kKeyScrollLimit); }

void AboutPopup::ScrollUp() { m_Scroll = std::max(m_Scroll - kKeyStep, 0); }

void AboutPopup::OnKeyDown(unsigned key)
{
    if (!m_Visible) return;
    m_CloseButton.OnKeyDown(key);
    m_DownButton.OnKeyDown(key);
    m_UpButton.OnKeyDown(key);
    if (m_CloseButton.clicked) m_Visible = false;
    if (key == Voke::KEY_DOWN) ScrollDown();
    if (key == Voke::KEY_UP) ScrollUp();
}

void AboutPopup::OnKeyUp(unsigned key)
{
    if (!m_Visible) return;
    m_CloseButton.OnKeyUp(key);
    m_DownButton.OnKeyUp(key);
    m_UpButton.OnKeyUp(key);
}

void AboutPopup::OnPointerPressAt(int32_t x, int32_t y)
{
    if (!m_Visible) return;
    m_CloseButton.clicked = m_DownButton.clicked = m_UpButton.clicked = false;
    m_CloseButton.OnPointerPressAt(x, y);
    m_DownButton.OnPointerPressAt(x, y);
    m_UpButton.OnPointerPressAt(x, y);
    if (m_CloseButton.clicked) {
        m_Visible = false;
        return;
    }
    // The arrows scroll like the keys.
    if (m_DownButton.clicked) ScrollDown();
    if (m_UpButton.clicked) ScrollUp();
}

void AboutPopup::OnPointerDown(const TouchList& touches)
{
    if (touches.empty()) return;
    m_Dragging = true;
    m_DragY = touches.front().y;
}

void AboutPopup::OnPointerMove(const TouchList& touches)
{
    if (!m_Dragging || touches.empty()) return;
    const int32_t limit = DragLimit(GetLanguageCode().c_str());
    for (const TouchPoint& touch : touches) {
        // 64-bit sums: touch positions come from outside, and without a
        // language limit the scroll has no upper bound but the int range.
        int64_t scroll = std::max<int64_t>(int64_t(m_Scroll) + m_DragY - touch.y, 0);
        if (limit >= 0) scroll = std::min<int64_t>(scroll, limit);
        m_Scroll = int32_t(std::min<int64_t>(scroll, INT32_MAX));
        m_DragY = touch.y;
    }
}

void AboutPopup::OnPointerUp(const TouchList& /*touches*/) { m_Dragging = false; }

void AboutPopup::Release()
{
    m_CloseButton.Release();
    m_DownButton.Release();
    m_UpButton.Release();
    for (auto& line : s_Lines) line = nullptr;
    m_Title = nullptr;
    m_CloseImage = nullptr;
    m_UpImage = nullptr;
    m_DownImage = nullptr;
    for (auto& image : m_KeyHintImages) image = nullptr;
}
