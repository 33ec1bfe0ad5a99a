// The main menu's page for starting an endless run: a panel titled with the
// text of "IDS_ENDLESS_MODE" holding one picture button per level
// ("endless-button-01.png" to "-06.png") in two columns of three, each with
// that level's best endless score in its lower right corner, and a back
// button below the grid.
//
// Choosing a level sets the game's endless flag and level and closes the
// main menu, which makes the game start the run; back only closes the page.
// The best scores are the registry's "/endless/scores/level01" to
// "level06", read at every opening (a missing key shows 0).
//
// Load runs on the loader thread before the page can open; everything else
// on the main thread.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/ref_counter.h"
#include "engine/text/format.h"
#include "game/menus/button.h"

namespace Voke {
class ScreenText;
class Surface;
}  // namespace Voke

class GameBase;
class MainMenu;

class EndlessMenu {
public:
    // NOTE: six levels; the back button follows them as index 6.
    static constexpr int32_t kLevels = 6;
    static constexpr int32_t kBackIndex = kLevels;

    EndlessMenu();
    ~EndlessMenu();
    EndlessMenu(const EndlessMenu&) = delete;
    EndlessMenu& operator=(const EndlessMenu&) = delete;

    // The game, given to the six level buttons present at this point.
    void SetOwner(GameBase* game);
    // The menu that a chosen level closes.
    void SetMenu(MainMenu* menu) { m_Menu = menu; }
    // Builds the title, the grid, the score format and the back button. The
    // grid is measured from the sixth level's picture; a missing picture
    // makes its button 0 x 0 and undrawn.
    void Load();
    // Opens the page with back focused and rereads the six best scores.
    void Show();
    void Hide() { m_Active = false; }
    bool IsActive() const { return m_Active; }
    void Update(float dt);
    void Render(Voke::Surface* target);
    void OnKeyDown(unsigned key);
    void OnPointerPressAt(int32_t x, int32_t y);
    void Release();

    int32_t GetSelected() const { return m_Selected; }
    int32_t GetButtonCount() const { return int32_t(m_Buttons.size()); }
    Button& GetButton(int32_t index) { return m_Buttons[size_t(index)]; }
    const Voke::ScreenText* GetScoreText(int32_t level) const { return m_ScoreTexts[size_t(level)]; }

private:
    void Choose(int32_t index);

    bool m_Active;
    GameBase* m_Owner;
    std::vector<Button> m_Buttons;
    int32_t m_Selected;
    int32_t m_Left;
    int32_t m_Top;
    int32_t m_PanelWidth;
    int32_t m_PanelHeight;
    Voke::SmartPtr<Voke::ScreenText> m_Title;
    int32_t m_TitleHeight;
    MainMenu* m_Menu;
    std::vector<Voke::SmartPtr<Voke::ScreenText>> m_ScoreTexts;
    int32_t m_ScoreTextWidth;
    Voke::Text::Format m_ScoreFormat;
};
