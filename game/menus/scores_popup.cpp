#include "game/menus/scores_popup.h"

#include <algorithm>
#include <cstring>

#include "engine/core/key_codes.h"
#include "engine/text/screen_text.h"
#include "game/menus/menu_support.h"

namespace {

// NOTE: the page's panel, in logical pixels.
constexpr int32_t kPanelWidth = 288;
constexpr int32_t kPanelHeight = 214;
constexpr int32_t kTitleHeight = 49;
constexpr int32_t kMargin = 13;

}  // namespace

ScoresPopup::ScoresPopup() : m_Owner(nullptr), m_Table() {}

ScoresPopup::~ScoresPopup() { Release(); }

void ScoresPopup::SetOwner(GameBase* game)
{
    m_Owner = game;
    m_Panel.SetOwner(game);
}

void ScoresPopup::Load()
{
    m_Panel.Layout(m_Owner, "IDS_SCORES", kPanelWidth, kPanelHeight, kTitleHeight, kMargin);
    m_Panel.ShowButtons();
    // The caption is never drawn: the button gets a picture below.
    m_Panel.closeButton.SetText(MenuSupport::Text("IDS_CLOSE"), true);
    // NOTE: the arrows sit a margin in from the panel's right edge.
    m_Panel.PlaceButtons(kMargin);
    std::memset(m_Table, 0, sizeof m_Table);
}

void ScoresPopup::Show()
{
    BuildLines();
    m_Panel.active = true;
    m_Panel.ShowButtons();
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
        Voke::WideString text = MenuSupport::NumberText("%2d", k + 1) + L". ";
        if (record.completed > 0) {
            text += completed + L"! " + points + L": " + MenuSupport::NumberText("%d", record.points);
        } else {
            text += distance + L": " + MenuSupport::NumberText("%d", record.distance) + L", " + points + L": " +
                    MenuSupport::NumberText("%d", record.points);
        }
        m_Lines[k] = MenuSupport::Layout(format, text, kPanelWidth);
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
    m_Panel.scroll = std::clamp(m_Panel.scroll + delta, 0, kMaxScroll);
}

void ScoresPopup::OnPointerDown(const TouchList& touches) { m_Panel.OnPointerDown(touches); }

void ScoresPopup::OnPointerMove(const TouchList& touches) { m_Panel.OnPointerMove(touches, kMaxScroll); }

void ScoresPopup::OnPointerPressAt(int32_t x, int32_t y)
{
    if (!m_Panel.active) return;
    m_Panel.OnPointerPressAt(x, y);
    if (!m_Panel.active) return;  // closed
    // The arrows scroll at once; their marks stay until the next press, and
    // key presses meanwhile take their steps again.
    if (m_Panel.downButton.clicked) ScrollBy(kScrollStep);
    if (m_Panel.upButton.clicked) ScrollBy(-kScrollStep);
}

void ScoresPopup::OnKeyDown(unsigned key)
{
    if (!m_Panel.active) return;
    m_Panel.OnKeyDown(key);
    if (m_Panel.downButton.clicked || key == Voke::KEY_DOWN) ScrollBy(kScrollStep);
    if (m_Panel.upButton.clicked || key == Voke::KEY_UP) ScrollBy(-kScrollStep);
}

void ScoresPopup::OnKeyUp(unsigned key)
{
    if (m_Panel.active) m_Panel.OnKeyUp(key);
}

void ScoresPopup::Update(float dt)
{
    if (m_Panel.active) m_Panel.Update(dt);
}

void ScoresPopup::Render(Voke::Surface* target)
{
    if (!m_Panel.active) return;
    m_Panel.Render(target);
    const int32_t x = m_Panel.frame.left + (kMargin * 5) / 4;
    int32_t y = m_Panel.BeginLines(target);
    for (const auto& line : m_Lines) {
        if (!MenuSupport::HasGlyphs(line)) continue;
        MenuSupport::DrawText(target, line, x, y);
        y += line->height + 1;
    }
    MenuSupport::ResetClip(target, m_Owner);
}

void ScoresPopup::Release() { m_Panel.Release(); }
