// The main menu's construction: layout, button places and pictures, sounds,
// backgrounds, the pages, the intro and the policeman; and their release.
#include <cstdio>

#include "engine/audio/audio_asset.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/menus/main_menu.h"
#include "game/menus/menu_support.h"

namespace {

const char* const kLevelCaptionIds[MainMenu::kLevelButtons] = {
    "IDS_PRISON", "IDS_METRO", "IDS_SEWERS", "IDS_FACTORY", "IDS_SUBURBS", "IDS_ROOFTOPS",
};

struct ButtonImage {
    int32_t button;
    const char* name;
    bool localised;
};
// In loading order.
const ButtonImage kButtonImages[] = {
    {MainMenu::kExitButton, "icon_krzyzyk.png", false},
    {MainMenu::kScoresButton, "main_menu_button_scores.png", true},
    {MainMenu::kRunButton, "main_menu_button_run.png", true},
    {MainMenu::kAboutButton, "main_menu_button_about.png", false},
    {MainMenu::kEndlessButton, "endless-mode-button.png", true},
    {MainMenu::kMoreGamesButton, "more_games.png", true},
};

const char* const kBackgroundNames[3] = {"menu_main_bg_01.xml", "menu_main_bg_02.xml", "menu_main_bg_03.xml"};

}  // namespace

void MainMenu::Load()
{
    const int32_t w = MenuSupport::ScreenWidth(m_Game), h = MenuSupport::ScreenHeight(m_Game);
    // The menu's layout is the whole logical screen, centred on itself.
    const int32_t left = w / 2 - w / 2, top = h / 2 - h / 2, right = w / 2 + w / 2, bottom = h / 2 + h / 2;
    const int32_t margin = w / 40;
    m_ChosenLevel = -1;

    // The column the level buttons stand in; buttons 6 to 11 are placed
    // again below from their pictures.
    for (int32_t k = 0; k < kButtons; ++k)
        m_Buttons[k].SetRect((left + right) / 2, (k + 2) * (h / 11), w / 3 - 2 * margin, h / 11 - margin, true);
    for (int32_t k = 0; k < kLevelButtons; ++k) m_Buttons[k].SetText(MenuSupport::Text(kLevelCaptionIds[k]), true);

    for (const ButtonImage& entry : kButtonImages) {
        Voke::SmartPtr<Voke::Surface> image = MenuSupport::LoadImage(entry.name, entry.localised, false);
        m_Buttons[entry.button].SetImages(image, image);
    }
    auto place = [&](int32_t index, int32_t x, int32_t y) {
        Button& button = m_Buttons[index];
        button.SetRect(x, y, MenuSupport::ImageWidth(button.offImage), MenuSupport::ImageHeight(button.offImage),
                       false);
    };
    auto imageW = [&](int32_t index) { return MenuSupport::ImageWidth(m_Buttons[index].offImage); };
    auto imageH = [&](int32_t index) { return MenuSupport::ImageHeight(m_Buttons[index].offImage); };
    const int32_t crossW = imageW(kExitButton);
    // NOTE: the run button is centred on x 240 whatever the logical width.
    place(kRunButton, 240 - imageW(kRunButton) / 2, bottom - 50 - imageH(kRunButton));
    place(kExitButton, right - 10 - imageW(kExitButton), top + 10);
    place(kScoresButton, right - 37 - imageW(kScoresButton), bottom - 10 - imageH(kScoresButton));
    place(kAboutButton, right - 20 - crossW - imageW(kAboutButton), top + 5);
    place(kEndlessButton, left + 10, bottom - 37);
    place(kMoreGamesButton, left + 10, 10);

    m_Music = Voke::GetCachedSound("music_main_menu.ogg@cache", true);
    m_IntroSound = Voke::GetCachedSound("gl_new_skladanie_napisu_2.wav@buffer", true);

    for (int i = 0; i < 3; ++i) m_Backgrounds[i].Create(kBackgroundNames[i]);
    m_RayImage = MenuSupport::LoadImage("ray_reflec3.png", false, false);
    m_LampImage = MenuSupport::LoadImage("lampka.png", false, false);
    m_EndlessPage.SetMenu(this);
    m_RayPhase = 0.0f;
    m_LampPhase = 0.0f;

    m_AboutPage.Load();
    m_ScoresPage.Load();
    m_ExitDialog.Load();
    m_EndlessPage.Load();

    LoadIntro();
    m_PanelCapImage = MenuSupport::LoadImage("main_menu_koncowka_down.png", false, false);
    LoadPoliceman();
    m_PanelTime = 0.0f;
}

void MainMenu::LoadIntro()
{
    m_IntroActive = true;
    m_IntroTime = 0.0f;
    const char* const names[kIntroImages] = {"menu_main_01_e.png", "menu_main_01_e2.png",
                                             "menu_main_02_b.png", "menu_main_03_b.png",
                                             "menu_main_04_b.png", "main_menu_tap_to_continue.png"};
    for (int32_t i = 0; i < kIntroImages; ++i)
        m_IntroImages[i] = MenuSupport::LoadImage(names[i], i == kIntroImages - 1, false);
    m_IntroSoundPlayed = false;
}

void MainMenu::LoadPoliceman()
{
    for (int32_t i = 0; i < kWalkFrames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "policjant_idzie%04d.png", static_cast<int>(i));
        m_WalkFrames[i] = MenuSupport::LoadImage(name, false, false);
    }
    m_FlashlightImage = MenuSupport::LoadImage("menu_main_latarka.png", false, false);
    m_Frame = 0;
    m_FrameCount = kWalkFrames;
    m_PolicemanX = PolicemanStartX();
    m_SwingPhase = 0.0f;
}

void MainMenu::ReleasePoliceman()
{
    for (auto& frame : m_WalkFrames) frame = nullptr;
    m_FlashlightImage = nullptr;
}

void MainMenu::Release()
{
    m_IntroSound = nullptr;
    m_Music = nullptr;
    ReleasePoliceman();
    m_ExitDialog.Release();
    m_ScoresPage.Release();
    m_AboutPage.Release();
    m_EndlessPage.Release();
    for (Button& button : m_Buttons) button.Release();
    for (TiledPicture& background : m_Backgrounds) background.Release();
    m_RayImage = nullptr;
    m_LampImage = nullptr;
    for (auto& image : m_IntroImages) image = nullptr;
    m_PanelCapImage = nullptr;
}
