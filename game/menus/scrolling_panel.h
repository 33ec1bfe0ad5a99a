// What the main menu's scrolling pages (about, scores) have in common: a
// framed panel with its title, a close button centred at the bottom, an up
// and a down arrow at the right edge, the page's open flag, and the scroll
// that drags move over a clipped window of lines.
//
// The page decides what its keys and arrows do to the scroll, draws its own
// lines in the window, and forwards input and time only while it is open. A
// press or key that clicks close closes the page.
//
// Layout and PlaceButtons run in the page's Load on the loader thread;
// everything else on the main thread.
#pragma once

#include <cstdint>

#include "game/core/touch_point.h"
#include "game/menus/button.h"
#include "game/menus/dialog_frame.h"

class GameBase;

class ScrollingPanel {
public:
    // NOTE: the window of lines ends 42 pixels above the panel's bottom edge.
    static constexpr int32_t kWindowBottomInset = 42;

    ScrollingPanel();

    // The game, whose font set the buttons' captions use.
    void SetOwner(GameBase* game);
    // Centres the frame on the owner's screen and lays its title out.
    void Layout(const GameBase* owner, const char* titleId, int32_t panelWidth, int32_t panelHeight,
                int32_t titleHeight, int32_t panelMargin);
    // Gives the buttons their pictures (close the localised
    // "main_menu_red_back.png", the arrows "icon_arrow_down.png" and
    // "icon_arrow_up.png") and their places: close centred half a margin
    // above the bottom edge, the arrows `arrowInset` in from the right edge,
    // down three margins above the bottom edge, up two margins below the
    // title bar. A missing picture leaves its button 0 x 0 and undrawn.
    void PlaceButtons(int32_t arrowInset);
    // The three buttons shown afresh with close focused.
    void ShowButtons();
    // Advances the buttons.
    void Update(float dt);
    // The frame and the buttons.
    void Render(Voke::Surface* target);
    // Clips the target to the window of lines and returns the row of the
    // first line at the current scroll.
    int32_t BeginLines(Voke::Surface* target) const;
    // Forwards the key to the buttons; close clicked closes the page.
    void OnKeyDown(unsigned key);
    void OnKeyUp(unsigned key);
    // Clears the buttons' clicked marks and hit-tests all three; close hit
    // closes the page.
    void OnPointerPressAt(int32_t x, int32_t y);
    // A drag starts at the first touch and ends with the touches' release.
    void OnPointerDown(const TouchList& touches);
    void OnPointerUp() { dragging = false; }
    // During a drag each touch scrolls by how far it moved up from the last
    // one, within 0 to maxScroll.
    void OnPointerMove(const TouchList& touches, int32_t maxScroll);
    // Moves the lines up by `delta` pixels (down for a negative one): the
    // scroll becomes scroll + delta, within 0 to maxScroll.
    void ScrollBy(int64_t delta, int32_t maxScroll);
    // Drops the title and the buttons' captions and pictures.
    void Release();

    bool active;
    DialogFrame frame;
    Button closeButton;
    Button downButton;
    Button upButton;
    int32_t scroll;
    int32_t dragY;
    bool dragging;
};
