// The main menu's quit confirmation: a small framed panel titled with the
// text of "IDS_EXIT GAME" and two caption buttons, yes and no ("IDS_YES",
// "IDS_NO", in the big font). Yes asks the application to end the program
// (the dialog stays open until the main loop ends); no closes the dialog.
//
// Left and Right move the key focus between the two buttons; the chosen
// button is kept from one opening to the next (no after loading).
//
// Load runs on the loader thread before the dialog can open; everything
// else on the main thread.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "game/core/touch_point.h"
#include "game/menus/button.h"
#include "game/menus/dialog_frame.h"

class GameBase;

class ExitDialog {
public:
    ExitDialog();
    ~ExitDialog();
    ExitDialog(const ExitDialog&) = delete;
    ExitDialog& operator=(const ExitDialog&) = delete;

    void SetOwner(GameBase* game);
    // Builds the title and the buttons; their places are measured from the
    // back button's picture ("main_menu_red_back.png"), which is not drawn.
    // Without that picture the buttons are 0 x 0 but keep their captions.
    void Load();
    void Show();
    void Hide() { m_Active = false; }
    bool IsActive() const { return m_Active; }
    void Update(float dt);
    void Render(Voke::Surface* target);
    void OnKeyDown(unsigned key);
    void OnKeyUp(unsigned key);
    void OnPointerPressAt(int32_t x, int32_t y);
    void OnPointerReleaseAt(int32_t /*x*/, int32_t /*y*/) {}
    void OnPointerDown(const TouchList& /*touches*/) {}
    void OnPointerMove(const TouchList& /*touches*/) {}
    void OnPointerUp(const TouchList& /*touches*/) {}
    void Release();

    // 0 yes, 1 no: the button holding the key focus.
    int32_t GetSelected() const { return m_Selected; }
    Button& GetYesButton() { return m_Buttons[0]; }
    Button& GetNoButton() { return m_Buttons[1]; }

private:
    void Select(int32_t index);
    void ActOnClicks();

    GameBase* m_Owner;
    bool m_Active;
    Button m_Buttons[2];  // yes, no
    int32_t m_Selected;
    DialogFrame m_Frame;
    Voke::SmartPtr<Voke::Surface> m_ButtonImage;
};
