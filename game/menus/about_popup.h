// The main menu's about page: a framed panel titled with the text of
// "IDS_MENU_HELP_ABOUT" over 37 lines of localised text ("IDS_ABOUT_LINE_1"
// to "IDS_ABOUT_LINE_37"; a line whose text is "-" is a 13-pixel blank),
// centred in the column left of the arrows, a close button and two arrow
// buttons.
//
// The text scrolls by dragging (up to a limit that depends on the language)
// and by 96 pixels per Up or Down key or arrow press (down to 545 at most).
// Each opening starts at the top with the close button focused.
//
// The lines are one table for every instance: Load fills it, Release (and
// the destructor) empties it. Load runs on the loader thread after the texts
// and fonts exist and before the page can open; everything else on the main
// thread.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "game/menus/scrolling_panel.h"

class GameBase;

class AboutPopup {
public:
    // NOTE: 37 lines of text.
    static constexpr int32_t kLines = 37;
    // NOTE: keys and arrows scroll 96 pixels a step, to 545 at most in every
    // language; a blank line takes 13 pixels.
    static constexpr int32_t kKeyStep = 96;
    static constexpr int32_t kKeyScrollLimit = 545;
    static constexpr int32_t kBlankLineHeight = 13;

    AboutPopup();
    ~AboutPopup();
    AboutPopup(const AboutPopup&) = delete;
    AboutPopup& operator=(const AboutPopup&) = delete;

    void SetOwner(GameBase* game);
    // Builds the lines, the title, the images and the layout. A missing
    // image leaves its button 0 x 0 and undrawn; a missing text shows its id.
    void Load();
    void Show();
    void Hide() { m_Panel.active = false; }
    bool IsVisible() const { return m_Panel.active; }
    void Update(float dt);
    void Render(Voke::Surface* target);
    void OnKeyDown(unsigned key);
    void OnKeyUp(unsigned key);
    void OnPointerPressAt(int32_t x, int32_t y);
    void OnPointerReleaseAt(int32_t /*x*/, int32_t /*y*/) {}
    void OnPointerDown(const TouchList& touches);
    void OnPointerMove(const TouchList& touches);
    void OnPointerUp(const TouchList& /*touches*/) { m_Panel.OnPointerUp(); }
    // Drops the buttons' texts and images, the class-wide lines, the title
    // and the images.
    void Release();

    // The largest drag scroll for a language code; -1 for no limit (codes
    // outside the game's five).
    static int32_t DragLimit(const char* languageCode);

    int32_t GetScroll() const { return m_Panel.scroll; }
    Button& GetCloseButton() { return m_Panel.closeButton; }
    Button& GetDownButton() { return m_Panel.downButton; }
    Button& GetUpButton() { return m_Panel.upButton; }
    static const Voke::ScreenText* GetLine(int32_t index);

private:
    void ScrollDown();
    void ScrollUp();

    GameBase* m_Owner;
    ScrollingPanel m_Panel;
    // Loaded with the page and held, never drawn.
    Voke::SmartPtr<Voke::Surface> m_KeyHintImages[4];

    // Entry i holds line i + 1; null is a blank line.
    static Voke::SmartPtr<Voke::ScreenText> s_Lines[kLines];
};
