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

// True when record a ranks above record b whatever their age: completed runs
// above all others and by points, the others by distance. Between records
// of equal rank the newer one stands above.
bool RanksAbove(const ScoreRecord& a, const ScoreRecord& b)
{
    const bool aCompleted = a.completed > 0, bCompleted = b.completed > 0;
    if (aCompleted != bCompleted) return aCompleted;
    return aCompleted ? a.points > b.points : a.distance > b.distance;
}

// A figure as a line shows it: within -max / 10 to max, no wider than max.
int32_t Shown(int32_t figure, int32_t max) { return std::clamp(figure, -max / 10, max); }

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
        const Voke::WideString shownPoints = MenuSupport::NumberText("%d", Shown(record.points, kShownPointsMax));
        if (record.completed > 0) {
            text += completed + L"! " + points + L": " + shownPoints;
        } else {
            text += distance + L": " + MenuSupport::NumberText("%d", Shown(record.distance, kShownDistanceMax)) + L", " +
                    points + L": " + shownPoints;
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
    // A table the game wrote is in rank order already and stays as it is. A
    // hand-edited one is put in order, keeping the order of equal records,
    // so that a new run never pushes out a better one standing below it.
    std::stable_sort(m_Table, m_Table + kScoreRecords, RanksAbove);
}

void ScoresPopup::AddScore(const ScoreRecord* record)
{
    if (!record) return;
    const ScoreRecord n = *record;
    // Above the first record that does not rank above the new one: among
    // equals the newer run stands higher.
    int32_t rank = -1;
    for (int32_t k = 0; k < kScoreRecords && rank < 0; ++k)
        if (!RanksAbove(m_Table[k], n)) rank = k;
    if (rank < 0) return;
    for (int32_t k = kScoreRecords - 1; k > rank; --k) m_Table[k] = m_Table[k - 1];
    m_Table[rank] = n;
}

void ScoresPopup::ScrollBy(int32_t delta) { m_Panel.ScrollBy(delta, kMaxScroll); }

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
