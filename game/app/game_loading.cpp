// The game controller's language choice and loading: the flags, the load
// steps, the loader thread and the loading screen.
#include <system_error>

#include "engine/app/abstract_app.h"
#include "engine/core/asset_dict.h"
#include "engine/core/text_dict.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_ex.h"
#include "engine/text/font_set.h"
#include "engine/text/format.h"
#include "engine/text/screen_text.h"
#include "game/app/game.h"
#include "game/core/language.h"
#include "game/core/load_steps.h"

namespace {

struct FlagPlace {
    const char* code;
    const char* image;
    int32_t x;
    int32_t y;
};

// NOTE: five languages, in the order of LanguageCodes.
const FlagPlace kFlags[] = {
    {"en", "flag_en.png", 80, 90},   {"fr", "flag_fr.png", 195, 90},  {"it", "flag_it.png", 310, 90},
    {"gr", "flag_gr.png", 135, 180}, {"es", "flag_es.png", 255, 180},
};

struct LanguageFiles {
    const char* code;
    const char* texts;
    const char* atlases[2];  // null when the language has none
};

// German has the code "gr" but the text file "de.xml".
const LanguageFiles kLanguageFiles[] = {
    {"en", "l10n/en.xml", {nullptr, nullptr}},
    {"fr", "l10n/fr.xml", {"ab_fr.xml", "ab02_fr.xml"}},
    {"it", "l10n/it.xml", {"ab_it.xml", "ab02_it.xml"}},
    {"gr", "l10n/de.xml", {"ab_gr.xml", "ab02_gr.xml"}},
    {"es", "l10n/es.xml", {"ab_es.xml", "ab02_es.xml"}},
};

const char* const kLevelAtlases[GameWorld::kLevels] = {"level01.xml", "level02.xml", "level03.xml",
                                                       "level04.xml", "level05.xml", "level06.xml"};

// What a run of the game's load steps does.
enum class LoadWork {
    MenuAssets,       // the shared atlases, the language, the menu font
    LevelAtlas,       // one level's atlas per step
    MainMenu,         // the main menu and its pages
    World,            // one of the world's own steps per step
    DialogAndSounds,  // the game-over dialog and the sound bank
    Finish,           // the hand-over to the main menu
};

// NOTE: the steps that do work; the rest (0 to 14, 16 to 24, 31 to 33 and 83
// to 89) only count towards the percentage.
constexpr LoadStepRun<LoadWork> kLoadRuns[] = {
    {15, 1, LoadWork::MenuAssets},
    {25, GameWorld::kLevels, LoadWork::LevelAtlas},
    {34, 1, LoadWork::MainMenu},
    {Game::kFirstWorldStep, Game::kWorldSteps, LoadWork::World},
    {81, 1, LoadWork::DialogAndSounds},
    {82, 1, LoadWork::Finish},
};
static_assert(LoadStepRunsFit(kLoadRuns, Game::kLoadSteps), "the game's load runs overlap or overrun");
static_assert(Game::kWorldSteps == GameWorld::kLoadSteps, "every world step runs once");

// NOTE: the percentage reaches 100 once 85 of the 90 steps are done.
constexpr int32_t kStepsToFullPercent = 85;
constexpr float kPercentPerStep = 100.0f / kStepsToFullPercent;

// NOTE: the throbber turns at 2.13 rad/s and its angle stays in [0, 2 pi).
constexpr float kThrobberSpeed = 2.13f;
constexpr float kFullTurn = 6.283184f;
// NOTE: the percentage text is laid out in a box of 128 x 64.
constexpr Voke::ScreenText::Size kProgressBox = {128, 64};

void LoadAtlas(const char* name)
{
    if (Voke::AssetDict* dict = Voke::AbstractApp::s_assetDict) dict->LoadAtlas(name);
}

}  // namespace

void Game::LanguageScreen()
{
    for (const FlagPlace& place : kFlags)
        m_LanguageFlags.push_back(LanguageFlag{place.x, place.y, place.code, Voke::GetCachedSurface(place.image, false)});
}

bool Game::HitFlag(int32_t x, int32_t y)
{
    for (const LanguageFlag& flag : m_LanguageFlags) {
        const int32_t w = flag.image ? flag.image->GetWidth() : 0;
        const int32_t h = flag.image ? flag.image->GetHeight() : 0;
        // All four edges belong to the flag.
        if (x < flag.x || x > flag.x + w || y < flag.y || y > flag.y + h) continue;

        SelectLanguage(flag.code);
        m_LanguageFlags.clear();
        m_LoadStep.store(0, std::memory_order_relaxed);
        m_Loaded.store(false, std::memory_order_relaxed);
        m_StopLoading.store(false, std::memory_order_relaxed);
        m_Mode = GameMode::Loading;
        m_ModeTimer = 0.0f;
        if (m_UseLoaderThread) {
            try {
                // Starting the thread publishes everything written above.
                m_LoaderThread = std::thread(&Game::LoaderThread, this);
            } catch (const std::system_error&) {
                // No thread: the updates load step by step instead.
            }
        }
        return true;
    }
    return false;
}

void Game::SelectLanguage(const std::string& code) { SetLanguageCode(code); }

void Game::LoadLanguage()
{
    const std::string code = GetLanguageCode();
    for (const LanguageFiles& files : kLanguageFiles) {
        if (code != files.code) continue;
        if (Voke::TextDict* texts = Voke::AbstractApp::s_textDict) texts->Load(files.texts);
        for (const char* atlas : files.atlases)
            if (atlas) LoadAtlas(atlas);
        return;
    }
}

void Game::LoadMenuFont()
{
    m_DefaultFont = Voke::GetCachedFont("fontMenu.xml");
    // The set takes its own lock: the main thread lays the percentage out
    // with it meanwhile.
    m_Fonts->Add("default", m_DefaultFont);
}

void Game::BuildMainMenu()
{
    m_Level = 0;
    m_MainMenu.Load();
}

void Game::LoadDialogAndSounds()
{
    m_GameOverDialog.Load();
    m_SoundBank.Load();
}

void Game::FinishLoading()
{
    m_World.SetSoundBank(&m_SoundBank);
    m_MainMenu.SetNameFieldEnabled(m_World.HasMainMenuNameField());
    LoadConfig();
    m_MainMenu.Show();
    m_Screen = GameScreen::Menu;
    m_ScreenTimer = 0.0f;
}

bool Game::LoadStep()
{
    const int32_t step = m_LoadStep.load(std::memory_order_relaxed);
    if (const LoadStepRun<LoadWork>* run = FindLoadStepRun(kLoadRuns, step)) {
        const int32_t index = step - run->first;
        switch (run->work) {
        case LoadWork::MenuAssets:
            LoadAtlas("ab01.xml");
            LoadAtlas("ab02.xml");
            LoadLanguage();
            LoadMenuFont();
            break;
        case LoadWork::LevelAtlas:
            LoadAtlas(kLevelAtlases[index]);
            break;
        case LoadWork::MainMenu:
            BuildMainMenu();
            break;
        case LoadWork::World:
            m_World.LoadStep(index);
            break;
        case LoadWork::DialogAndSounds:
            LoadDialogAndSounds();
            break;
        case LoadWork::Finish:
            FinishLoading();
            break;
        }
    }
    // Released: the main thread reads the count for the percentage.
    m_LoadStep.store(step + 1, std::memory_order_release);
    return step + 1 < kLoadSteps;
}

void* Game::LoaderThread(void* controller)
{
    if (!controller) return nullptr;
    Game* game = static_cast<Game*>(controller);
    bool more = true;
    while (more && !game->m_StopLoading.load(std::memory_order_acquire)) more = game->LoadStep();
    // Everything the steps built is published with the flag.
    if (!more) game->m_Loaded.store(true, std::memory_order_release);
    return nullptr;
}

void Game::StopLoader()
{
    m_StopLoading.store(true, std::memory_order_release);
    if (m_LoaderThread.joinable()) m_LoaderThread.join();
}

int32_t Game::LoadPercent(int32_t steps)
{
    int32_t percent = static_cast<int32_t>(static_cast<float>(steps) * kPercentPerStep);
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    return percent;
}

void Game::UpdateLoading(float dt)
{
    m_ModeTimer += dt;
    m_ThrobberAngle += dt * kThrobberSpeed;
    if (m_ThrobberAngle >= kFullTurn) m_ThrobberAngle -= kFullTurn;

    // Without a loader thread the steps run here, one per update.
    if (!m_LoaderThread.joinable() && !m_Loaded.load(std::memory_order_relaxed)) {
        if (!LoadStep()) m_Loaded.store(true, std::memory_order_release);
    }

    const int32_t step = m_LoadStep.load(std::memory_order_acquire);
    if (step == 0 || step != m_LastShownStep) {
        m_LastShownStep = step;
        m_ProgressPercent = LoadPercent(step);
        Voke::Text::Format format;
        format.fontSet = m_Fonts;
        format.fontName = "fontbig";
        format.color = {255, 255, 255, 255};
        format.alignment = 0;
        format.attribute100 = 0;
        format.flags = Voke::Text::Format::kFontName | Voke::Text::Format::kColor |
                       Voke::Text::Format::kAlignment | Voke::Text::Format::kAttribute100;
        const std::string text = std::to_string(m_ProgressPercent) + " %";
        m_ProgressText = new Voke::ScreenText(format, Voke::ToWideString(text), kProgressBox);
    }

    if (m_Loaded.load(std::memory_order_acquire)) {
        // The thread has done its last step; its end is near.
        if (m_LoaderThread.joinable()) m_LoaderThread.join();
        // Every picture page goes to the driver now, behind the loading
        // screen, rather than at its first draw in the middle of a run.
        if (Voke::AssetDict* dict = Voke::AbstractApp::s_assetDict) dict->UploadAtlasPages();
        m_Throbber.Reset();
        m_MainMenu.m_LevelSelect = m_World.IsDebugLevelsMenu();
        m_Mode = GameMode::Play;
        m_ModeTimer = 0.0f;
    }
}

void Game::RenderLoading(Voke::Surface* target)
{
    if (!m_Throbber) return;
    const float w = static_cast<float>(m_Throbber->GetWidth());
    const float h = static_cast<float>(m_Throbber->GetHeight());
    const float height = static_cast<float>(target->GetHeight());
    const float scale[2] = {1.0f, 1.0f};
    const float pivot[2] = {w / 2.0f, h / 2.0f};
    // Turning about its centre in the bottom-left corner.
    Voke::Surface::BlitTransformed(target, m_Throbber, w / 2.0f, height - h / 2.0f, m_ThrobberAngle, scale, pivot, 0,
                                   *m_Throbber->GetClipRect());
    if (m_ProgressText && m_ProgressText->GetGlyphs())
        m_ProgressText->Draw(target, m_Throbber->GetWidth(), target->GetHeight() + 10 - m_Throbber->GetHeight());
}
