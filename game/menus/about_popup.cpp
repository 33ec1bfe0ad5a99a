#include "game/menus/about_popup.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/key_codes.h"
#include "engine/graphics/surface.h"
#include "engine/text/screen_text.h"
#include "game/core/language.h"
#include "game/menus/menu_support.h"

namespace {

// NOTE: the page's panel, in logical pixels.
constexpr int32_t kPanelWidth = 400;
constexpr int32_t kPanelHeight = 230;
constexpr int32_t kTitleHeight = 46;
constexpr int32_t kTextMargin = 19;
// NOTE: the arrows sit 10 pixels in from the panel's right edge.
constexpr int32_t kArrowInset = 10;
// NOTE: the lines' column runs from the margin at the panel's left edge to
// 35 pixels in from its right edge, just left of the arrows (24 pixels wide,
// 10 in); each line is laid out over the column's width and centred in it.
constexpr int32_t kLineInset = 35;
constexpr int32_t kLineWidth = kPanelWidth - kLineInset - kTextMargin;

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

AboutPopup::AboutPopup() : m_Owner(nullptr) {}

AboutPopup::~AboutPopup() { Release(); }

void AboutPopup::SetOwner(GameBase* game)
{
    m_Owner = game;
    m_Panel.SetOwner(game);
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
    m_Panel.Layout(m_Owner, "IDS_MENU_HELP_ABOUT", kPanelWidth, kPanelHeight, kTitleHeight, kTextMargin);
    const Voke::Text::Format lineFormat =
        MenuSupport::MakeFormat(m_Owner, "default", {191, 197, 240, 255}, MenuSupport::kAlignCentre);
    for (int32_t n = 1; n <= kLines; ++n) {
        char id[32];
        std::snprintf(id, sizeof id, "IDS_ABOUT_LINE_%i", static_cast<int>(n));
        const Voke::WideString text = MenuSupport::Text(id);
        if (text == L"-") continue;
        s_Lines[n - 1] = MenuSupport::Layout(lineFormat, text, kLineWidth);
    }

    m_Panel.ShowButtons();
    // The captions are never drawn: the buttons get pictures below.
    m_Panel.downButton.SetText(MenuSupport::Text("IDS_READ_MORE_DOWN"), true);
    m_Panel.upButton.SetText(MenuSupport::Text("IDS_READ_MORE_UP"), true);
    m_Panel.closeButton.SetText(MenuSupport::Text("IDS_CLOSE"), true);
    m_Panel.PlaceButtons(kArrowInset);
    for (int i = 0; i < 4; ++i) m_KeyHintImages[i] = MenuSupport::LoadImage(kKeyHintNames[i], false, false);
}

void AboutPopup::Show()
{
    m_Panel.active = true;
    m_Panel.ShowButtons();
    m_Panel.dragging = false;
    m_Panel.scroll = 0;
    m_Panel.dragY = 0;
}

void AboutPopup::Update(float dt)
{
    if (m_Panel.active) m_Panel.Update(dt);
}

void AboutPopup::Render(Voke::Surface* target)
{
    if (!m_Panel.active) return;
    m_Panel.Render(target);
    // Centred on the panel instead, the widest lines would run under the
    // arrows.
    const int32_t centreX = (m_Panel.frame.left + kTextMargin + m_Panel.frame.right - kLineInset) / 2;
    int32_t y = m_Panel.BeginLines(target);
    for (const auto& line : s_Lines) {
        if (!line) {
            y += kBlankLineHeight;
            continue;
        }
        MenuSupport::DrawText(target, line, centreX - line->width / 2, y);
        y += line->height + 1;
    }
    MenuSupport::ResetClip(target, m_Owner);
}

void AboutPopup::ScrollDown() { m_Panel.ScrollBy(kKeyStep, kKeyScrollLimit); }

// Up is bounded below only: a drag may have taken the scroll past the key
// limit.
void AboutPopup::ScrollUp() { m_Panel.ScrollBy(-kKeyStep, INT32_MAX); }

void AboutPopup::OnKeyDown(unsigned key)
{
    if (!m_Panel.active) return;
    m_Panel.OnKeyDown(key);
    if (key == Voke::KEY_DOWN) ScrollDown();
    if (key == Voke::KEY_UP) ScrollUp();
}

void AboutPopup::OnKeyUp(unsigned key)
{
    if (m_Panel.active) m_Panel.OnKeyUp(key);
}

void AboutPopup::OnPointerPressAt(int32_t x, int32_t y)
{
    if (!m_Panel.active) return;
    m_Panel.OnPointerPressAt(x, y);
    if (!m_Panel.active) return;  // closed
    // The arrows scroll like the keys.
    if (m_Panel.downButton.clicked) ScrollDown();
    if (m_Panel.upButton.clicked) ScrollUp();
}

void AboutPopup::OnPointerDown(const TouchList& touches) { m_Panel.OnPointerDown(touches); }

void AboutPopup::OnPointerMove(const TouchList& touches)
{
    // Without a limit for the language the scroll is bounded by the int
    // range only.
    const int32_t limit = DragLimit(GetLanguageCode().c_str());
    m_Panel.OnPointerMove(touches, limit >= 0 ? limit : INT32_MAX);
}

void AboutPopup::Release()
{
    m_Panel.Release();
    for (auto& line : s_Lines) line = nullptr;
    for (auto& image : m_KeyHintImages) image = nullptr;
}
