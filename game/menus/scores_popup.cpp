#include "game/menus/scores_popup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/core/key_codes.h"
#include "engine/graphics/surface.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/menus/menu_support.h"

namespace {

// NOTE: the page's panel, in logical pixels.
constexpr int32_t kPanelWidth = 288;
constexpr int32_t kPanelHeight = 214;
constexpr int32_t kTitleHeight = 49;
constexpr int32_t kMargin = 13;
// NOTE: the scroll window ends this far above the panel's bottom edge.
constexpr int32_t kWindowBottomInset = 42;

Voke::WideString Number(const char* format, int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<int>(value));
    return Voke::ToWideString(text);
}

}  // namespace

ScoresPopup::ScoresPopup()
    : m_Owner(nullptr),
      m_Active(false),
      m_Left(0),
      m_Top(0),
      m_Right(0),
      m_Bottom(0),
      m_PanelWidth(0),
      m_PanelHeight(0),
      m_Margin(0),
      m_TitleHeight(0),
      m_Table(),
      m_DragY(0),
      m_Scroll(0),
      m_Dragging(false)
{
}

ScoresPopup::~ScoresPopup() { Release(); }

void ScoresPopup::SetOwner(GameBase* game)
{
    m_Owner = game;
    m_CloseButton.SetOwner(game);
    m_DownButton.SetOwner(game);
    m_UpButton.SetOwner(game);
}

void ScoresPopup::Load()
{
    const int32_t w = MenuSupport::ScreenWidth(m_Owner), h = MenuSupport::ScreenHeight(m_Owner);
    m_PanelWidth = kPanelWidth;
    m_PanelHeight = kPanelHeight;
    m_Left = w / 2 - kPanelWidth / 2;
    m_Right = w / 2 + kPanelWidth / 2;
    m_Top = h / 2 - kPanelHeight / 2;
    m_Bottom = h / 2 + kPanelHeight / 2;
    m_TitleHeight = kTitleHeight;
    m_Margin = kMargin;

    m_Title = MenuSupport::Layout(
        MenuSupport::MakeFormat(m_Owner, "fontbig", {255, 255, 255, 255}, MenuSupport::kAlignCentre),
        MenuSupport::Text("IDS_SCORES"), m_PanelWidth);

    m_CloseButton.Show();
    m_DownButton.Show();
    m_UpButton.Show();
    // The caption is never drawn: the button gets its image below.
    m_CloseButton.SetText(MenuSupport::Text("IDS_CLOSE"), true);

    m_CloseImage = MenuSupport::LoadImage("main_menu_red_back.png", true, false);
    int32_t iw = MenuSupport::ImageWidth(m_CloseImage), ih = MenuSupport::ImageHeight(m_CloseImage);
    m_CloseButton.SetImages(m_CloseImage, m_CloseImage);
    m_CloseButton.SetRect((m_Left + m_Right) / 2 - iw / 2, m_Bottom - m_Margin / 2 - ih, iw, ih, false);

    m_DownImage = MenuSupport::LoadImage("icon_arrow_down.png", false, false);
    iw = MenuSupport::ImageWidth(m_DownImage);
    ih = MenuSupport::ImageHeight(m_DownImage);
    m_DownButton.SetImages(m_DownImage, m_DownImage);
    m_DownButton.SetRect(m_Right - m_Margin - iw, m_Bottom - 3 * m_Margin - ih, iw, ih, false);

    m_UpImage = MenuSupport::LoadImage("icon_arrow_up.png", false, false);
    iw = MenuSupport::ImageWidth(m_UpImage);
    ih = MenuSupport::ImageHeight(m_UpImage);
    m_UpButton.SetImages(m_UpImage, m_UpImage);
    m_UpButton.SetRect(m_Right - m_Margin - iw, m_Top + m_TitleHeight + 2 * m_Margin, iw, ih, false);

    std::memset(m_Table, 0, sizeof m_Table);
    m_CloseButton.focused = true;
}

void ScoresPopup::Show()
{
    BuildLines();
    m_Active = true;
    m_CloseButton.Show();
    m_DownButton.Show();
    m_UpButton.Show();
    m_CloseButton.focused = true;
}

void ScoresPopup::BuildLines()
{
    for (auto& line : m_Lines) line = nullptr;
    const Voke::Text::Format format = MenuSupport::MakeUnalignedFormat(m_Owner, "default", {255, 255, 255, 255});
    const Voke::WideString completed = MenuSupport::Text("IDS_COMPLETED");
    const Voke::WideString points = MenuSupport::Text("IDS_POINTS");
    const Voke::WideString distance = MenuSupport::Text("IDS_DISTANCE");
    for (int32_t k = 0; k < kScoreRecords; ++k) {
        const ScoreRecord& record = m_Table[k];
        Voke::WideString text = Number("%2d", k + 1) + L". ";
        if (record.completed > 0) {
            text += completed + L"! " + points + L": " + Number("%d", record.points);
        } else {
            text += distance + L": " + Number("%d", record.distance) + L", " + points + L": " +
                    Number("%d", record.points);
        }
        m_Lines[k] = MenuSupport::Layout(format, text, m_PanelWidth);
    }
}

void ScoresPopup::GetTable(uint8_t* buffer, int32_t size) const
{
    if (!buffer || size < kScoreTableBytes) return;
    EncodeScoreTable(m_Table, buffer);
}

void ScoresPopup::SetTable(const uint8_t* buffer, int32_t size)
{
    if (!buffer || size < kScoreTableBytes) return;
    DecodeScoreTable(buffer, m_Table);
}

void ScoresPopup::AddScore(const ScoreRecord* record)
{
    if (!record) return;
    const ScoreRecord n = *record;
    int32_t rank = -1;
    for (int32_t k = 0; k < kScoreRecords && rank < 0; ++k) {
        const ScoreRecord& r = m_Table[k];
        const bool rCompleted = r.completed > 0;
        if (n.completed > 0) {
            if (!rCompleted || r.points <= n.points) rank = k;
        } else if (!rCompleted && r.distance <= n.distance) {
            rank = k;
        }
    }
    if (rank < 0) return;
    for (int32_t k = kScoreRecords - 1; k > rank; --k) m_Table[k] = m_Table[k - 1];
    m_Table[rank] = n;
}

void ScoresPopup::ScrollBy(int32_t delta)
{
    m_Scroll = std::clamp(m_Scroll + delta, 0, kMaxScroll);
}

void ScoresPopup::OnPointerDown(const TouchList& touches)
{
    if (touches.empty()) return;
    m_Dragging = true;
    m_DragY = touches.front().y;
}

void ScoresPopup::OnPointerUp(const TouchList& /*touches*/) { m_Dragging = false; }

void ScoresPopup::OnPointerMove(const TouchList& touches)
{
    if (touches.empty() || !m_Dragging) return;
    for (const TouchPoint& touch : touches) {
        // 64-bit difference: touch positions come from outside.
        const int64_t scroll = int64_t(m_Scroll) + m_DragY - touch.y;
        m_Scroll = int32_t(std::clamp<int64_t>(scroll, 0, kMaxScroll));
        m_DragY = touch.y;
    }
}

void ScoresPopup::OnPointerPressAt(int32_t x, int32_t y)
{
    if (!m_Active) return;
    m_CloseButton.clicked = m_DownButton.clicked = m_UpButton.clicked = false;
    m_CloseButton.OnPointerPressAt(x, y);
    m_DownButton.OnPointerPressAt(x, y);
    m_UpButton.OnPointerPressAt(x, y);
    if (m_CloseButton.clicked) {
        m_Active = false;
        return;
    }
    // The arrows scroll at once; their marks stay until the next press, and
    // key presses meanwhile take their steps again.
    if (m_DownButton.clicked) ScrollBy(kScrollStep);
    if (m_UpButton.clicked) ScrollBy(-kScrollStep);
}

void ScoresPopup::OnKeyDown(unsigned key)
{
    if (!m_Active) return;
    m_CloseButton.OnKeyDown(key);
    m_DownButton.OnKeyDown(key);
    m_UpButton.OnKeyDown(key);
    if (m_CloseButton.clicked) m_Active = false;
    if (m_DownButton.clicked || key == Voke::KEY_DOWN) ScrollBy(kScrollStep);
    if (m_UpButton.clicked || key == Voke::KEY_UP) ScrollBy(-kScrollStep);
}

void ScoresPopup::OnKeyUp(unsigned key)
{
    if (!m_Active) return;
    m_CloseButton.OnKeyUp(key);
    m_DownButton.OnKeyUp(key);
    m_UpButton.OnKeyUp(key);
}

void ScoresPopup::Update(float dt)
{
    if (!m_Active) return;
    m_CloseButton.Update(dt);
    m_DownButton.Update(dt);
    m_UpButton.Update(dt);
}

void ScoresPopup::Render(Voke::Surface* target)
{
    if (!m_Active) return;
    DrawPanel(target, m_Left, m_Top, m_Right, m_Top + m_TitleHeight);
    DrawPanel(target, m_Left, m_Top + m_TitleHeight, m_Right, m_Bottom);
    MenuSupport::DrawText(target, m_Title, (m_Left + m_Right) / 2 - MenuSupport::TextWidth(m_Title) / 2,
                          m_Top + m_TitleHeight / 2 - MenuSupport::TextHeight(m_Title) / 2);
    m_CloseButton.Render(target);
    m_DownButton.Render(target);
    m_UpButton.Render(target);

    MenuSupport::ClipTo(target, m_Left, m_Top + m_TitleHeight + m_Margin, m_Left + m_PanelWidth,
                        m_Top + m_PanelHeight - kWindowBottomInset);
    int32_t y = m_Top + m_TitleHeight + m_Margin - m_Scroll;
    for (const auto& line : m_Lines) {
        if (!MenuSupport::HasGlyphs(line)) continue;
        MenuSupport::DrawText(target, line, m_Left + (m_Margin * 5) / 4, y);
        y += line->height + 1;
    }
    MenuSupport::ResetClip(target, m_Owner);
}

void ScoresPopup::Release()
{
    m_CloseButton.Release();
    m_DownButton.Release();
    m_UpButton.Release();
    m_Title = nullptr;
    m_CloseImage = nullptr;
    m_UpImage = nullptr;
    m_DownImage = nullptr;
}
