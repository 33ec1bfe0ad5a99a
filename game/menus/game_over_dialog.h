// The dialog that ends a run: a title bar reading "IDS_GAME_OVER", five
// statistic lines of the run just ended (set by the game), a bar that
// slides in along the bottom edge, and two picture buttons, restart and
// back to the main menu, that slide in from the right.
//
// The game reads the user's answer each frame with GetChoice: 3 none yet,
// 0 restart, 1 back to the menu; it then hides the dialog. A third button
// (captioned "FACEBOOK") is built and animated with the others but is never
// drawn, pressed or focused.
//
// Load runs on the loader thread; everything else on the main thread.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "game/menus/button.h"
#include "game/menus/dialog_frame.h"

class GameBase;

class GameOverDialog {
public:
    static constexpr int32_t kChoiceRestart = 0;
    static constexpr int32_t kChoiceBack = 1;
    static constexpr int32_t kChoiceNone = 3;
    static constexpr int32_t kLines = 5;

    GameOverDialog();
    ~GameOverDialog();
    GameOverDialog(const GameOverDialog&) = delete;
    GameOverDialog& operator=(const GameOverDialog&) = delete;

    void SetOwner(GameBase* game);
    // Builds the title, the buttons and the layout; a missing picture leaves
    // its button 0 x 0 and undrawn.
    void Load();
    // Opens the dialog with restart focused and both buttons sliding in.
    void Show();
    // The slide-in of Show on its own.
    void StartSlideIn();
    void Hide() { m_Active = false; }
    bool IsActive() const { return m_Active; }
    // 0 when restart is clicked, else 1 when back is clicked, else 3.
    int32_t GetChoice() const;
    // The statistic lines, laid out centred over the panel; drawn top to
    // bottom as lines 3, 4, 2, 1, 5. A line never set takes no space.
    void SetLine1(const Voke::WideString& text);
    void SetLine2(const Voke::WideString& text);
    void SetLine3(const Voke::WideString& text);
    void SetLine4(const Voke::WideString& text);
    void SetLine5(const Voke::WideString& text);
    void Update(float dt);
    void Render(Voke::Surface* target);
    void OnPointerPressAt(int32_t x, int32_t y);
    void OnPointerDragAt(int32_t /*x*/, int32_t /*y*/) {}
    void OnPointerReleaseAt(int32_t /*x*/, int32_t /*y*/) {}
    void OnKeyDown(unsigned key);
    void OnKeyUp(unsigned key);
    void Release();

    int32_t GetSelection() const { return m_Selection; }
    Button& GetRestartButton() { return m_RestartButton; }
    Button& GetBackButton() { return m_BackButton; }
    Button& GetFacebookButton() { return m_FacebookButton; }
    const Voke::ScreenText* GetLine(int32_t number) const { return m_Lines[number - 1]; }

private:
    void SetLine(int32_t index, const Voke::WideString& text);
    // Shows the three buttons afresh and focuses restart (0) or back (1).
    void Select(int32_t index);

    GameBase* m_Owner;
    bool m_Active;
    float m_Elapsed;
    Button m_RestartButton;
    Button m_BackButton;
    Button m_FacebookButton;
    int32_t m_Selection;
    DialogFrame m_Frame;
    Voke::SmartPtr<Voke::ScreenText> m_Lines[kLines];
    Voke::SmartPtr<Voke::Surface> m_BarImage;
};
