// The title screen and the hub of the menu pages.
//
// The menu draws an animated night scene (three tiled backgrounds, a
// blinking lamp, a swinging light ray, a policeman walking right to left
// with a swinging flashlight), plays the menu music in a loop, shows a
// one-time title intro that waits for a tap or key, and turns the user's
// choices into requests to the game: start a run (normal, from a chosen
// level, or endless), open the about, scores, exit or endless page, or open
// the more-games web page.
//
// Buttons: 0 to 5 start a chosen level and exist only with the level-select
// switch (they are neither drawn, focused nor hit without it); 6 about, 7
// run (focused at every opening), 8 scores, 9 exit (keyboard only, never
// drawn), 10 endless mode, 11 more games (collected by the game through
// TakeMoreGamesClick).
//
// Input while a page is open goes to that page only (about, scores, exit,
// endless, the first one open); the pages close themselves. The game routes
// input, Update and Render here only while the menu is active and starts a
// run when it finds the menu inactive, reading m_ChosenLevel and its own
// endless fields.
//
// The music plays whatever the sound switch; the intro sound only with it.
// Every play reads the shared sound through a position of its own, so the
// music never disturbs another channel of the same sound (the credits play
// it too), and channel flags change only through the mixer.
//
// SetContext comes first, then Load on the loader thread, then Show on the
// main thread once loading is over; everything after Load is main-thread.
// Any image that fails to load is skipped where it would be drawn and
// counts as 0 x 0 where it would size something.
#pragma once

#include <cstdint>

#include "engine/audio/audio_channel.h"
#include "engine/audio/audio_source.h"
#include "engine/core/ref_counter.h"
#include "game/core/touch_point.h"
#include "game/menus/about_popup.h"
#include "game/menus/button.h"
#include "game/menus/endless_menu.h"
#include "game/menus/exit_dialog.h"
#include "game/menus/score_table.h"
#include "game/menus/scores_popup.h"
#include "game/presentation/tiled_picture.h"

namespace Voke {
class Surface;
}

class GameBase;

class MainMenu {
public:
    // NOTE: twelve buttons; see the table at the top.
    static constexpr int32_t kButtons = 12;
    static constexpr int32_t kLevelButtons = 6;
    static constexpr int32_t kAboutButton = 6;
    static constexpr int32_t kRunButton = 7;
    static constexpr int32_t kScoresButton = 8;
    static constexpr int32_t kExitButton = 9;
    static constexpr int32_t kEndlessButton = 10;
    static constexpr int32_t kMoreGamesButton = 11;
    // NOTE: the policeman's walk cycle has 31 frames.
    static constexpr int32_t kWalkFrames = 31;
    static constexpr int32_t kIntroImages = 6;

    // The walk frame and flashlight-hand offsets, per walk frame.
    static const int32_t PolicemanFrameOffsets[kWalkFrames][2];

    MainMenu();
    ~MainMenu();
    MainMenu(const MainMenu&) = delete;
    MainMenu& operator=(const MainMenu&) = delete;

    // The game: screen size, fonts, sound switch, endless fields. Passed on
    // to the buttons and the pages.
    void SetContext(GameBase* game);
    // Lays the menu out and loads every picture, sound and background, then
    // the pages; arms the intro. Reports nothing: what fails to load is left
    // empty.
    void Load();
    // Makes the menu the current screen: no level chosen, buttons slide in
    // with run focused, the policeman starts at the right edge and the music
    // starts from its beginning on a new looping channel.
    void Show();
    // Leaves the menu and stops its music.
    void Deactivate();
    bool IsActive() const { return m_Active; }
    void Update(float dt);
    void Render(Voke::Surface* target);
    void OnKeyDown(unsigned key);
    void OnKeyUp(unsigned key);
    void OnPointerPressAt(int32_t x, int32_t y);
    void OnPointerReleaseAt(int32_t x, int32_t y);
    // Drags reach the scrolling pages through the touch lists; a drag at a
    // single point does nothing.
    void OnPointerDragAt(int32_t /*x*/, int32_t /*y*/) {}
    void OnPointerDown(const TouchList& touches);
    void OnPointerUp(const TouchList& touches);
    void OnPointerMove(const TouchList& touches);
    // Whether the more-games button was clicked since the last call; clears
    // the mark.
    bool TakeMoreGamesClick();

    // The scores page's table in its 120-byte form (score_table.h), and a
    // finished normal run to rank into it.
    void GetScoresTable(uint8_t* buffer, int32_t size) const { m_ScoresPage.GetTable(buffer, size); }
    void SetScoresTable(const uint8_t* buffer, int32_t size) { m_ScoresPage.SetTable(buffer, size); }
    void AddScore(const ScoreRecord* record) { m_ScoresPage.AddScore(record); }
    void AddScore(const ScoreRecord& record) { m_ScoresPage.AddScore(&record); }

    // Stored only; nothing reads it.
    void SetNameFieldEnabled(bool enabled) { m_NameField = enabled; }

    // Operations the game does not call: the intro skip, the intro step and
    // the policeman step on their own, and the policeman drawn on a row.
    void SkipIntro();
    void UpdateIntro(float dt);
    void UpdatePoliceman(float dt);
    void RenderPoliceman(Voke::Surface* target, int32_t row);
    // Gives buttons 6 to 11 their slide-in.
    void StartButtonSlides();

    // Drops every picture and sound and the pages' and backgrounds'
    // resources. Leaves the music channel playing.
    void Release();
    void ReleasePoliceman();

    // The pages and buttons, for the game's tests and tools.
    AboutPopup& GetAboutPage() { return m_AboutPage; }
    ScoresPopup& GetScoresPage() { return m_ScoresPage; }
    ExitDialog& GetExitDialog() { return m_ExitDialog; }
    EndlessMenu& GetEndlessPage() { return m_EndlessPage; }
    Button& GetButton(int32_t index) { return m_Buttons[index]; }
    int32_t GetFocus() const { return m_Focus; }
    bool IsIntroActive() const { return m_IntroActive; }
    float GetPolicemanX() const { return m_PolicemanX; }
    int32_t GetFrame() const { return m_Frame; }
    float GetLampPhase() const { return m_LampPhase; }
    // The lamp's opacity for the current lamp phase, 10 to 250.
    uint8_t GetLampOpacity() const;
    const Voke::WeakPtr<Voke::AudioChannel>& GetMusicChannel() const { return m_MusicChannel; }

    // Fields the game reads and writes.
    // The game's sound switch as copied by the last Show.
    bool m_SoundOn;
    // -1, or the level 0 to 5 picked with a level button.
    int32_t m_ChosenLevel;
    // The level-select switch (the world's "DebugLevelsMenu").
    bool m_LevelSelect;

private:
    // Which page is open, in the order input reaches them.
    enum class Page { kNone, kAbout, kScores, kExit, kEndless };
    Page OpenPage() const;
    void LoadIntro();
    void LoadPoliceman();
    // Where the policeman enters: just past the right edge.
    float PolicemanStartX() const;
    void FocusButton(int32_t index);
    // Does what button `index` stands for, chosen by key or press: starts a
    // run, opens a page, or leaves a more-games click to be collected.
    void Activate(int32_t index);
    // Hands the open page to `handle` and returns true; false when no page
    // is open. ToOpenPopup serves the about, scores and exit pages only: the
    // endless page has no handlers for releases and touches, and lets those
    // reach the menu as if no page were open.
    template <typename Handle>
    bool ToOpenPage(Handle handle);
    template <typename Handle>
    bool ToOpenPopup(Handle handle);
    void RenderScene(Voke::Surface* target);
    void RenderIntro(Voke::Surface* target);
    void DrawPoliceman(Voke::Surface* target, int32_t baseY, bool mirrored, float angleBase, float angleSign);

    GameBase* m_Game;
    bool m_Active;
    float m_PanelTime;
    Button m_Buttons[kButtons];
    int32_t m_Focus;
    TiledPicture m_Backgrounds[3];  // far, middle, near
    Voke::SmartPtr<Voke::Surface> m_RayImage;
    Voke::SmartPtr<Voke::Surface> m_LampImage;
    float m_LampPhase;
    float m_RayPhase;
    AboutPopup m_AboutPage;
    ScoresPopup m_ScoresPage;
    ExitDialog m_ExitDialog;
    EndlessMenu m_EndlessPage;
    // upper strip 1, upper strip 2, lower strip, left piece, right piece,
    // tap label
    Voke::SmartPtr<Voke::Surface> m_IntroImages[kIntroImages];
    float m_IntroTime;
    bool m_IntroActive;
    Voke::SmartPtr<Voke::Surface> m_PanelCapImage;
    Voke::SmartPtr<Voke::Surface> m_WalkFrames[kWalkFrames];
    int32_t m_FrameCount;
    float m_SwingPhase;
    int32_t m_Frame;
    float m_PolicemanX;
    Voke::SmartPtr<Voke::Surface> m_FlashlightImage;
    Voke::SmartPtr<Voke::AudioSource> m_Music;
    Voke::WeakPtr<Voke::AudioChannel> m_MusicChannel;
    bool m_IntroSoundPlayed;
    Voke::SmartPtr<Voke::AudioSource> m_IntroSound;
    bool m_NameField;
};
