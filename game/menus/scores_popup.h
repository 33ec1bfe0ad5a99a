// The main menu's high-score page, and the owner of the high-score table.
//
// The page shows a framed panel titled with the text of "IDS_SCORES", one
// line per record (rebuilt each time the page opens) scrolling in a clipped
// window, a close button and two arrow buttons. The list scrolls by
// dragging, by the Up and Down keys and by 12 pixels per arrow press; an
// arrow's clicked mark stays until the next press, and every key pressed
// meanwhile takes that arrow's step again.
//
// The table keeps completed runs above all others, ranked by points, and
// the rest by distance; among equals the newer run stands above. The game
// controller reaches it through the main menu: GetTable / SetTable in the
// 120-byte form of score_table.h, AddScore after a normal run.
//
// Load runs on the loader thread before the page can open; everything else
// on the main thread.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "game/menus/score_table.h"
#include "game/menus/scrolling_panel.h"

class GameBase;

class ScoresPopup {
public:
    // NOTE: the lines scroll at most 86 pixels, 12 per arrow step.
    static constexpr int32_t kMaxScroll = 86;
    static constexpr int32_t kScrollStep = 12;
    // NOTE: a line shows its figures within -max / 10 to max, so that the
    // longest line ends left of the arrow buttons in every language. A
    // hand-edited table may hold any int (the table keeps it as it is); a
    // run of the game stays far below these.
    static constexpr int32_t kShownDistanceMax = 99999;
    static constexpr int32_t kShownPointsMax = 9999999;

    ScoresPopup();
    ~ScoresPopup();
    ScoresPopup(const ScoresPopup&) = delete;
    ScoresPopup& operator=(const ScoresPopup&) = delete;

    void SetOwner(GameBase* game);
    // Lays the page out, builds the title and fetches the button images (a
    // missing image leaves its button 0 x 0 and undrawn); clears the table.
    void Load();
    // Rebuilds the lines from the table and opens the page with the close
    // button focused; the scroll stays where it was.
    void Show();
    void Hide() { m_Panel.active = false; }
    bool IsActive() const { return m_Panel.active; }

    // Copies the table's 120 bytes out / in; nothing for a null buffer or a
    // size below 120. A table copied in is put in rank order (equal records
    // keep their order), so a hand-edited file cannot rank a run wrongly. A
    // new table shows from the next Show.
    void GetTable(uint8_t* buffer, int32_t size) const;
    void SetTable(const uint8_t* buffer, int32_t size);
    // Inserts the record by rank; a null record, or one ranking below all
    // ten, changes nothing.
    void AddScore(const ScoreRecord* record);
    const ScoreRecord& GetRecord(int32_t rank) const { return m_Table[rank]; }

    void OnPointerDown(const TouchList& touches);
    void OnPointerUp(const TouchList& /*touches*/) { m_Panel.OnPointerUp(); }
    void OnPointerMove(const TouchList& touches);
    void OnPointerPressAt(int32_t x, int32_t y);
    void OnPointerReleaseAt(int32_t /*x*/, int32_t /*y*/) {}
    void OnKeyDown(unsigned key);
    void OnKeyUp(unsigned key);
    void Update(float dt);
    void Render(Voke::Surface* target);
    // Drops the buttons' texts and images, the title and the images.
    void Release();

    int32_t GetScroll() const { return m_Panel.scroll; }
    Button& GetCloseButton() { return m_Panel.closeButton; }
    Button& GetDownButton() { return m_Panel.downButton; }
    Button& GetUpButton() { return m_Panel.upButton; }
    const Voke::ScreenText* GetLine(int32_t rank) const { return m_Lines[rank]; }

private:
    void BuildLines();
    void ScrollBy(int32_t delta);

    GameBase* m_Owner;
    ScrollingPanel m_Panel;
    ScoreRecord m_Table[kScoreRecords];
    Voke::SmartPtr<Voke::ScreenText> m_Lines[kScoreRecords];
};
