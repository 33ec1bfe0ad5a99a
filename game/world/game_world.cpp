#include "game/world/game_world.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/app/abstract_app.h"
#include "engine/audio/audio_asset.h"
#include "engine/audio/mixer.h"
#include "engine/core/asset_dict.h"
#include "engine/core/key_codes.h"
#include "engine/core/strings.h"
#include "engine/core/xml.h"
#include "engine/debug/debug_overlay.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_set.h"
#include "engine/text/format.h"
#include "engine/text/screen_text.h"
#include "game/core/debug_text.h"
#include "game/core/game_base.h"
#include "game/core/language.h"
#include "game/core/load_steps.h"
#include "game/core/pixel_math.h"
#include "game/core/xml_elements.h"
#include "game/presentation/sound_bank.h"

namespace {

const char* const kLevelParamsFile = "level_gameplay.xml";
const char* const kMusicFile = "music_ingame.ogg@cache";
const char* const kPauseButtonFile = "pause_button.png";
const char* const kFlyingPictureFiles[GameWorld::kLevels] = {
    "flying_from_level_1_to_2.xml", "flying_from_level_2_to_3.xml", "flying_from_level_3_to_4.xml",
    "flying_from_level_4_to_5.xml", "flying_from_level_5_to_6.xml", "flying_from_level_6_to_7.xml",
};

// NOTE: the camera. The runner's cell is drawn this far from the screen's
// left edge and the scenery's anchor this far above the bottom. His vertical
// offset from the line y = 200 is split: 77 % moves him on the screen, the
// rest scrolls the scenery, which never scrolls more than 26 px below its
// rest, except on the exit building, where his share falls by 200 points a
// second until the scenery follows him fully.
constexpr int32_t kCameraX = 10;
constexpr int32_t kAnchorAboveBottom = 128;
constexpr float kCameraLine = 200.0f;
constexpr float kMaxSceneryDrop = 26.0f;
constexpr float kFollowShare = 77.0f;
constexpr float kFollowShareFall = 200.0f;

// NOTE: the pause button's touch rectangle: 59 px either side of the
// screen's centre, above y = 40; it pauses once two updates have run.
constexpr int32_t kPauseHalfWidth = 59;
constexpr int32_t kPauseBottom = 40;
constexpr int32_t kPauseFirstFrame = 2;
// The button's picture: shown for 4 s, then fading out over 2 s, top at y 6.
constexpr float kPauseShowTime = 4.0f;
constexpr float kPauseFadeEnd = 6.0f;
constexpr float kPauseFadeRate = 127.5f;
constexpr int32_t kPauseButtonTop = 6;
// The pause screen's dimming.
constexpr uint8_t kPauseDim = 192;

// NOTE: the ending: the screen fades to black from 2 s after the runner has
// left it (opaque 1.5 s later), and from 4 s only the credits are shown.
constexpr float kEndingFadeStart = 2.0f;
constexpr float kEndingFadeRate = 170.0f;
constexpr float kCreditsStart = 4.0f;

// NOTE: the next level's picture enters while the runner is at most this
// far into the level.
constexpr int32_t kEnteringReach = 160;

// Sound cues: the bank's id per level (-1 none) and the seconds after which
// it repeats (0: once).
struct SoundCue {
    int id;
    float repeat;
};
constexpr SoundCue kSoundCues[GameWorld::kLevels] = {
    {10, 0.0f},   // kLevelPrison
    {-1, 0.0f},   // kLevelUnderground
    {11, 25.0f},  // kLevelSewers
    {12, 20.0f},  // kLevelConstructionYard
    {13, 20.0f},  // kLevelSuburbs
    {14, 23.0f},  // kLevelRooftops
};
// The level whose cue sounds only while the fireworks fly.
constexpr int32_t kFireworksLevel = kLevelRooftops;
// The run's first level (no picture flies in, the camera split does not
// ease in, the runner always gets the start speed), the last one (its exit
// building starts the ending) and the one with the storm.
constexpr int32_t kFirstLevel = kLevelPrison;
constexpr int32_t kLastLevel = kLevelRooftops;
constexpr int32_t kStormLevel = kLevelPrison;

// Where a level draws its fifth background layer, 4: first of all (the
// prison's sky), in front of the runner (the underground's platform edge),
// or nowhere.
enum class ExtraLayer { kNone, kFarthest, kInFrontOfRunner };

// What a level's decorations draw right after one of the background layers
// 2, 1 and 0, in this order: the far pass of every layer or of that layer
// alone, then the sprites of that layer.
enum DecorationPasses : uint8_t {
    kNoDecorations = 0,
    kFarEveryLayer = 1,
    kFarThisLayer = 2,
    kSpritesOfThisLayer = 4,
};

// Each level's drawing between its background layers.
struct SceneryPasses {
    ExtraLayer extraLayer;
    uint8_t afterLayer2;
    uint8_t afterLayer1;
    uint8_t afterLayer0;
};

// clang-format off
constexpr SceneryPasses kSceneryPasses[GameWorld::kLevels] = {
    // kLevelPrison: the helicopter and the sweeping beam.
    {ExtraLayer::kFarthest,        kNoDecorations,      kFarEveryLayer,      kNoDecorations},
    // kLevelUnderground: the lamps and the train.
    {ExtraLayer::kInFrontOfRunner, kFarEveryLayer,      kNoDecorations,      kNoDecorations},
    // kLevelSewers: the water and the drops.
    {ExtraLayer::kNone,            kNoDecorations,      kNoDecorations,      kFarEveryLayer},
    // kLevelConstructionYard: the far smoke (sprite layer 2), the near
    // smoke (1), then the welders and the crane with their sparks (0).
    {ExtraLayer::kNone,            kSpritesOfThisLayer, kSpritesOfThisLayer, kFarEveryLayer | kSpritesOfThisLayer},
    // kLevelSuburbs: the helicopter (decoration layer 1), then the birds (0).
    {ExtraLayer::kNone,            kNoDecorations,      kFarThisLayer,       kFarThisLayer},
    // kLevelRooftops: every prop, then the neon signs (layer 0) once more.
    {ExtraLayer::kNone,            kFarEveryLayer,      kNoDecorations,      kFarThisLayer},
};
// clang-format on

const SceneryPasses& SceneryPassesOf(int32_t level)
{
    static constexpr SceneryPasses kPlain = {ExtraLayer::kNone, kNoDecorations, kNoDecorations, kNoDecorations};
    return level >= 0 && level < GameWorld::kLevels ? kSceneryPasses[level] : kPlain;
}

// The decorations that follow background layer `layer`.
void DrawDecorationsAfter(LevelDecorations& decorations, Voke::Surface* target, uint8_t passes, int32_t layer)
{
    if (passes & kFarEveryLayer)
        decorations.RenderAnimations(target, LevelDecorations::kFarPass, LevelDecorations::kEveryLayer);
    if (passes & kFarThisLayer) decorations.RenderAnimations(target, LevelDecorations::kFarPass, layer);
    if (passes & kSpritesOfThisLayer) decorations.RenderSprites(target, layer);
}

// NOTE: the first level's weather runs on a 16 s cycle: rain starts in its
// seconds 0 to 2, thunder strikes in the first 0.55 s of second 5 and the
// rain stops with thunder in seconds 10 to 12.
constexpr int32_t kWeatherCycle = 16;
constexpr int32_t kThunderSecond = 5;
constexpr float kThunderWindow = 0.55f;

const Voke::Color kBlack = Voke::MakeColor(0, 0, 0, 255);

Voke::Color BlackWithAlpha(int32_t alpha)
{
    return Voke::MakeColor(0, 0, 0, static_cast<uint8_t>(std::clamp(alpha, 0, 255)));
}

// The time of day, in seconds, `elapsed` seconds of play after `start`:
// whole game seconds truncated; a value that is not a number counts as 0 and
// the result stays within the int range.
int32_t ClockAfter(int32_t start, float elapsed)
{
    double seconds = static_cast<double>(elapsed) * static_cast<double>(GameWorld::kClockRate);
    if (!(seconds == seconds)) seconds = 0.0;
    seconds = std::trunc(seconds) + static_cast<double>(start);
    return static_cast<int32_t>(std::clamp(seconds, double(INT32_MIN), double(INT32_MAX)));
}

// The record named by the element's "level" (1 to 6), or null.
LevelParams* LevelOf(const Voke::XmlIt& element, LevelParams* levels)
{
    int level = 0;
    element.GetAttribute("level", level);
    return level >= 1 && level <= GameWorld::kLevels ? &levels[level - 1] : nullptr;
}

}  // namespace

bool IsLevelTimeOver(const LevelParams& params, float elapsed)
{
    return params.TimeOfPlayingInSeconds <= 0.0f || elapsed > params.TimeOfPlayingInSeconds;
}

float LevelTimeFraction(const LevelParams& params, float elapsed)
{
    if (params.TimeOfPlayingInSeconds <= 0.0f) return 1.0f;
    return elapsed / params.TimeOfPlayingInSeconds;
}

GameWorld::GameWorld()
    : m_Owner(nullptr),
      m_Active(false),
      m_State(WorldState::Running),
      m_SoundBank(nullptr),
      RenderFPS(false),
      DebugLevelsMenu(false),
      m_FrameCount(0),
      m_Elapsed(0.0f),
      m_TimeStart(0),
      m_Clock(0),
      m_Background(nullptr),
      m_CurrentBuildings(nullptr),
      m_CurrentDecorations(nullptr),
      m_CurrentObstacles(nullptr),
      m_Level(0),
      m_ExitPlaced(false),
      m_EndReached(false),
      CameraFollowShare(0.0f),
      m_EndingStarted(false),
      m_RunnerGone(false),
      EndingTimer(0.0f),
      m_TransitionStartY(0),
      m_TransitionExitY(0),
      m_PlayerShare(0.0f),
      m_SceneryShare(0.0f),
      RenderDebugParams(0),
      m_CueOncePlayed(false),
      m_CueRepeatPlayed(false),
      SoundCueTimer(0.0f),
      m_Paused(false),
      m_SwallowRelease(false),
      iPhoneSlideButtonHeight(65),
      MainMenuNameField(0),
      m_MusicPaused(false)
{
    // The tutorial explains the slide band even when the tuning file does
    // not name its height.
    m_Overlay.SetSlideButtonHeight(iPhoneSlideButtonHeight);
}

GameWorld::~GameWorld() = default;

void GameWorld::SetOwner(GameBase* owner)
{
    m_Owner = owner;
    m_ScriptPlayer.SetOwner(owner);
    m_Hud.SetOwner(owner);
    m_Player.SetSessionStats(owner);
    m_Weather.SetOwner(owner);
    m_Thunder.SetOwner(owner);
    m_Fireworks.SetOwner(owner);
    m_Overlay.SetOwner(owner);
    for (int L = 0; L < kLevels; ++L) {
        m_Backgrounds[L].SetOwner(owner);
        m_Decorations[L].SetOwner(owner);
        m_Buildings[L].SetOwner(owner);
        m_Obstacles[L].SetOwner(owner);
    }
}

void GameWorld::SetSoundBank(SoundBank* soundBank)
{
    m_SoundBank = soundBank;
    m_Player.SetSoundBank(soundBank);
    m_Thunder.SetSoundBank(soundBank);
    // The pause menu's main-menu button pauses the bank's sounds itself.
    m_Overlay.SetSoundBank(soundBank);
    for (int L = 0; L < kLevels; ++L) {
        m_Decorations[L].SetContext(soundBank);
        m_Obstacles[L].SetSoundBank(soundBank);
    }
}

namespace {

// What a run of the world's load steps does.
enum class WorldLoadWork {
    LevelParams,
    HudAssets,
    PlayerAssets,
    WeatherAssets,
    FireworksAssets,
    ThunderAssets,
    LevelScenery,       // each level's four parts in turn
    FlyingPictures,     // one picture per step
    Music,
    CreditsAndOverlay,
    SoundCues,
    PauseButton,
};

// NOTE: a level's scenery loads in four steps, in this order.
enum LevelLoadPart { kLoadBackground, kLoadDecorations, kLoadBuildings, kLoadObstacles, kLevelLoadParts };

// NOTE: the steps that do work; 40 to 45 do nothing of their own.
constexpr LoadStepRun<WorldLoadWork> kWorldLoadRuns[] = {
    {0, 1, WorldLoadWork::LevelParams},
    {1, 1, WorldLoadWork::HudAssets},
    {2, 1, WorldLoadWork::PlayerAssets},
    {3, 1, WorldLoadWork::WeatherAssets},
    {4, 1, WorldLoadWork::FireworksAssets},
    {5, 1, WorldLoadWork::ThunderAssets},
    {6, GameWorld::kLevels * kLevelLoadParts, WorldLoadWork::LevelScenery},
    {30, GameWorld::kLevels, WorldLoadWork::FlyingPictures},
    {36, 1, WorldLoadWork::Music},
    {37, 1, WorldLoadWork::CreditsAndOverlay},
    {38, 1, WorldLoadWork::SoundCues},
    {39, 1, WorldLoadWork::PauseButton},
};
static_assert(LoadStepRunsFit(kWorldLoadRuns, GameWorld::kLoadSteps), "the world's load runs overlap or overrun");

}  // namespace

void GameWorld::LoadStep(int32_t step)
{
    if (const LoadStepRun<WorldLoadWork>* run = FindLoadStepRun(kWorldLoadRuns, step)) {
        const int32_t index = step - run->first;
        switch (run->work) {
        case WorldLoadWork::LevelParams:
            ReadLevelParams(kLevelParamsFile);
            break;
        case WorldLoadWork::HudAssets:
            m_Hud.Load();
            break;
        case WorldLoadWork::PlayerAssets:
            m_Player.Load();
            break;
        case WorldLoadWork::WeatherAssets:
            m_Weather.Load();
            break;
        case WorldLoadWork::FireworksAssets:
            m_Fireworks.Load();
            break;
        case WorldLoadWork::ThunderAssets:
            m_Thunder.Load();
            break;
        case WorldLoadWork::LevelScenery: {
            const int32_t L = index / kLevelLoadParts;
            switch (index % kLevelLoadParts) {
            case kLoadBackground:
                m_Backgrounds[L].Load(L);
                break;
            case kLoadDecorations:
                m_Decorations[L].Load(L);
                break;
            case kLoadBuildings:
                m_Buildings[L].LoadAllArrangeParams();
                m_Buildings[L].Load(L);
                break;
            case kLoadObstacles:
                m_Obstacles[L].ReadParams();
                m_Obstacles[L].SetupForLevel(L);
                m_Obstacles[L].SetBuildingManager(&m_Buildings[L]);
                break;
            }
            break;
        }
        case WorldLoadWork::FlyingPictures:
            FlyingPicture[index].Create(kFlyingPictureFiles[index]);
            break;
        case WorldLoadWork::Music: {
            // Held whole in memory and decoded while it plays. The dictionary
            // hands back the source already held, so loading twice keeps one.
            Voke::AssetDict* dict = Voke::AssetDict::s_engine;
            m_MusicSource =
                dict ? Voke::GetCachedSound(*dict, kMusicFile, false) : Voke::SplitAudioFileOption(kMusicFile);
            break;
        }
        case WorldLoadWork::CreditsAndOverlay:
            m_ScriptPlayer.LoadTheEnd();
            m_Overlay.Load();
            break;
        case WorldLoadWork::SoundCues:
            m_CueOncePlayed = m_CueRepeatPlayed = false;
            SoundCueTimer = 0.0f;
            break;
        case WorldLoadWork::PauseButton:
            PauseButtonImage = Voke::GetCachedSurface(LocalizedAssetName(kPauseButtonFile), false);
            PauseText = nullptr;
            if (m_Owner && m_Owner->m_Fonts) {
                Voke::Text::Format format;
                format.fontSet = m_Owner->m_Fonts;
                format.fontName = "fontbig";
                format.color = {255, 255, 255, 255};
                format.alignment = 2;  // centred
                format.flags =
                    Voke::Text::Format::kFontName | Voke::Text::Format::kColor | Voke::Text::Format::kAlignment;
                PauseText = new Voke::ScreenText(format, Voke::ToWideString("PAUSED"),
                                                 Voke::ScreenText::Size{ScreenWidth(), 0});
            }
            break;
        }
    }
    // A level started after loading never begins in the ending.
    m_EndingStarted = m_RunnerGone = false;
    EndingTimer = 0.0f;
}

void GameWorld::Release()
{
    PauseText = nullptr;
    PauseButtonImage = nullptr;
    StopMusic();
    m_MusicSource = nullptr;
    for (TiledPicture& picture : FlyingPicture) picture.Release();
    for (int L = 0; L < kLevels; ++L) {
        m_Backgrounds[L].Release();
        m_Decorations[L].Release();
        m_Buildings[L].Release();
        m_Buildings[L].OnRelease();
        m_Obstacles[L].Release();
        m_Obstacles[L].OnRelease();
    }
    m_Hud.Release();
    m_Player.Release();
    m_Weather.Release();
    m_Fireworks.Release();
    m_Thunder.Release();
    m_ScriptPlayer.Release();
    // Saves the controls setting first.
    m_Overlay.Release();
}

const LevelParams& GameWorld::GetLevelParams(int32_t level) const { return m_LevelParams[ClampLevel(level)]; }

bool GameWorld::ReadLevelParams(const char* fileName)
{
    if (!fileName) return false;
    Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Load(fileName));
    if (!document) return false;

    VisitXmlElements(document.Get(), [this](const Voke::XmlIt& element) {
        const char* name = element.GetName();
        float LevelParams::*scalar = nullptr;
        if (StrICmp(name, "PlayerStartHorizontalSpeed") == 0)
            scalar = &LevelParams::PlayerStartHorizontalSpeed;
        else if (StrICmp(name, "PlayerMinHorizontalSpeed") == 0)
            scalar = &LevelParams::PlayerMinHorizontalSpeed;
        else if (StrICmp(name, "PlayerMaxHorizontalSpeed") == 0)
            scalar = &LevelParams::PlayerMaxHorizontalSpeed;
        else if (StrICmp(name, "PlayerAcceleration") == 0)
            scalar = &LevelParams::PlayerAcceleration;
        else if (StrICmp(name, "TimeOfPlayingInSeconds") == 0)
            scalar = &LevelParams::TimeOfPlayingInSeconds;
        else if (StrICmp(name, "FireworksStartTime") == 0)
            scalar = &LevelParams::FireworksStartTime;

        if (scalar) {
            if (LevelParams* level = LevelOf(element, m_LevelParams)) element.GetAttribute("value", level->*scalar);
        } else if (StrICmp(name, "PlayerAccelerationRange") == 0) {
            if (LevelParams* level = LevelOf(element, m_LevelParams)) {
                // The ninth and later ranges of a level overwrite the eighth.
                const int32_t slot =
                    level->rangeCount < kMaxAccelerationRanges ? level->rangeCount : kMaxAccelerationRanges - 1;
                element.GetAttribute("minvel", level->ranges[slot].minvel);
                element.GetAttribute("maxvel", level->ranges[slot].maxvel);
                element.GetAttribute("value", level->ranges[slot].value);
                if (level->rangeCount < kMaxAccelerationRanges) ++level->rangeCount;
            }
        } else if (StrICmp(name, "TimeStart") == 0) {
            if (LevelParams* level = LevelOf(element, m_LevelParams)) {
                element.GetAttribute("hour", level->hour);
                element.GetAttribute("minute", level->minute);
                element.GetAttribute("second", level->second);
            }
        } else if (StrICmp(name, "RenderDebugParams") == 0) {
            element.GetAttribute("value", RenderDebugParams);
        } else if (StrICmp(name, "RenderFPS") == 0) {
            element.GetAttribute("value", RenderFPS);
        } else if (StrICmp(name, "DebugLevelsMenu") == 0) {
            element.GetAttribute("value", DebugLevelsMenu);
        } else if (StrICmp(name, "iPhoneSlideButtonHeight") == 0) {
            element.GetAttribute("value", iPhoneSlideButtonHeight);
            // The tutorial explains the same band.
            m_Overlay.SetSlideButtonHeight(iPhoneSlideButtonHeight);
        } else if (StrICmp(name, "MainMenuNameField") == 0) {
            element.GetAttribute("value", MainMenuNameField);
        } else if (StrICmp(name, "MainMenuMoreGamesURL") == 0) {
            element.GetAttribute("value", MainMenuMoreGamesURL);
        }
    });
    return true;
}

// ---------------------------------------------------------------------------
// Level start and end.

void GameWorld::SetCurrentLevelMembers(int32_t level)
{
    const bool some = level >= 0 && level < kLevels;
    m_Background = some ? &m_Backgrounds[level] : nullptr;
    m_CurrentBuildings = some ? &m_Buildings[level] : nullptr;
    m_CurrentDecorations = some ? &m_Decorations[level] : nullptr;
    m_CurrentObstacles = some ? &m_Obstacles[level] : nullptr;
}

bool GameWorld::HasCurrentLevel() const
{
    return m_Background && m_CurrentBuildings && m_CurrentDecorations && m_CurrentObstacles;
}

int32_t GameWorld::ScreenWidth() const { return m_Owner ? m_Owner->m_ScreenWidth : kLogicalScreenWidth; }

int32_t GameWorld::ScreenHeight() const { return m_Owner ? m_Owner->m_ScreenHeight : kLogicalScreenHeight; }

void GameWorld::StartLevel(int32_t level)
{
    if (level < 0 || level >= kLevels) return;
    if (m_Active) PrepareLevel();

    m_Level = level;
    SetCurrentLevelMembers(level);
    m_ExitPlaced = false;
    m_CurrentBuildings->ResetCurrent();
    m_CurrentDecorations->Reset();
    m_ScriptPlayer.Reset();
    m_Overlay.Reset();

    // The letterbox bars start shown and slide out; the level's banner opens.
    m_Hud.Reset(level);
    m_Hud.SetBarsShown();
    m_Hud.HideBars();
    m_Hud.ShowLevelIntro();

    m_Weather.Reset();
    m_Thunder.Reset();
    m_Fireworks.SetMode(level);

    const LevelParams& params = m_LevelParams[level];
    m_Player.Reset(level);
    m_Player.SetCollisionMap(m_CurrentBuildings);
    m_Player.SetObstacleManager(m_CurrentObstacles);
    m_Player.SetScoreHud(&m_Hud);
    m_Player.SetMinSpeed(params.PlayerMinHorizontalSpeed);
    m_Player.SetMaxSpeed(params.PlayerMaxHorizontalSpeed);
    m_Player.SetAcceleration(params.PlayerAcceleration);
    // Otherwise the runner keeps the speed he brought from the last level
    // (the controller restores a saved one on a retry).
    if (level == kFirstLevel || (m_Owner && (m_Owner->m_FromLevelMenu || m_Owner->m_Endless)))
        m_Player.SetSpeed(params.PlayerStartHorizontalSpeed);
    m_Player.PlaceOnGround();

    m_Paused = false;
    if (m_Owner && !m_Owner->m_TutorialShown) {
        m_Overlay.Show(TutorialOverlay::kTutorial);
        m_Owner->m_TutorialShown = true;
        m_Paused = true;
    }

    m_CueOncePlayed = m_CueRepeatPlayed = false;
    SoundCueTimer = 0.0f;
    // Computed wide: the hour, minute and second come from a data file.
    const int64_t timeStart = int64_t(params.hour) * 3600 + int64_t(params.minute) * 60 + params.second;
    m_TimeStart = static_cast<int32_t>(std::clamp<int64_t>(timeStart, INT32_MIN, INT32_MAX));
    m_Clock = m_TimeStart;

    m_EndReached = false;
    m_Elapsed = 0.0f;
    m_EndingStarted = m_RunnerGone = false;
    m_SwallowRelease = false;
    m_FrameCount = 0;
    EndingTimer = 0.0f;
    CameraFollowShare = kFollowShare;
    m_Active = true;
    m_State = WorldState::Running;
}

void GameWorld::PrepareLevel()
{
    if (m_Active) {
        m_Hud.Clear();
        m_Fireworks.Reset();
        m_Thunder.NoOp();
        m_Weather.NoOp();
        m_Overlay.NoOp();
    }
    m_Active = false;
    SetCurrentLevelMembers(kNoLevel);
}

void GameWorld::ResetLevels()
{
    for (int L = 0; L < kLevels; ++L) {
        m_Buildings[L].StartLevel(L);
        m_Obstacles[L].Generate(true);
    }
}

// ---------------------------------------------------------------------------
// The step.

void GameWorld::Update(float dt)
{
    if (!m_Active || !HasCurrentLevel()) return;
    // The music pauses with the world; nothing else moves while paused.
    SetMusicPaused(m_Paused);
    if (m_Paused) return;
    if (m_State != WorldState::Running) return;

    // The world stands still under the tutorial, but for the level's first
    // frame.
    m_Overlay.Tick(dt);
    if (m_Overlay.IsActive() && m_FrameCount > 0) return;

    const LevelParams& params = m_LevelParams[m_Level];
    m_Hud.SetTimeFraction(LevelTimeFraction(params, m_Elapsed));
    if (m_Player.IsOnSpecialBuilding() && m_Hud.GetBarsState() == Hud::kBarsHidden) {
        m_Hud.HidePanels();
        m_Hud.ShowBars();
    }
    m_Hud.SetClock(m_Clock);
    m_Hud.Update(dt);

    UpdateCamera(dt);
    if (!m_EndingStarted && m_FrameCount > 0) UpdateSoundCues(dt);

    // The exit: the building after the runner's becomes the exit building
    // once the playing time is over; retried while he is in the air.
    if (m_Owner && !m_Owner->m_Endless && IsLevelTimeOver(params, m_Elapsed) && !m_ExitPlaced) {
        const int32_t ground = m_Player.GetGroundId();
        if (ground >= 0) {
            m_CurrentBuildings->MarkReached(ground + 1);
            m_CurrentObstacles->ClearAhead(ScreenWidth() + m_Player.m_CellX);
            m_ExitPlaced = true;
        }
    }
    if (m_Elapsed > params.FireworksStartTime) m_Fireworks.Start();

    // The speed rule: the highest-numbered range whose lower speed he has
    // reached sets his acceleration; endless mode leaves the last range out.
    const int32_t ranges = params.rangeCount - (m_Owner && m_Owner->m_Endless ? 1 : 0);
    for (int32_t i = std::min(ranges, kMaxAccelerationRanges) - 1; i >= 0; --i) {
        if (params.ranges[i].minvel <= m_Player.m_Speed) {
            m_Player.SetAcceleration(params.ranges[i].value);
            break;
        }
    }

    m_Background->UpdateLayers(dt);
    if (!(m_EndingStarted && m_RunnerGone) && m_FrameCount > 0) m_Player.Update(dt);
    m_CurrentBuildings->Update(dt);
    m_CurrentObstacles->Update(dt);
    m_CurrentDecorations->Update(dt);
    m_Weather.Update(dt);
    m_Thunder.Update(dt);
    m_Fireworks.Update(dt);
    if (!m_EndingStarted) UpdateWeather();

    if (m_Player.IsDying()) {
        m_Hud.HidePanels();
        m_CurrentDecorations->SetEventFlag();
    }
    if (m_Player.IsDeadAnimationDone()) m_State = WorldState::Caught;
    if (m_EndReached) m_State = WorldState::EndReached;

    if (m_EndingStarted && m_RunnerGone) {
        EndingTimer += dt;
        if (EndingTimer >= kCreditsStart) {
            m_ScriptPlayer.Update(dt);
            if (m_ScriptPlayer.IsFinished()) {
                m_State = WorldState::EndReached;
                m_ScriptPlayer.Stop();
            }
        }
    }

    m_Elapsed += dt;
    // The clock stops while the runner dies.
    if (!m_Player.IsDying()) {
        m_Clock = ClockAfter(m_TimeStart, m_Elapsed);
        if (m_Owner)
            m_Owner->m_LevelTime =
                static_cast<int32_t>(std::clamp<int64_t>(int64_t(m_Clock) - m_TimeStart, INT32_MIN, INT32_MAX));
    }
    m_FrameCount += 1;
}

void GameWorld::UpdateCamera(float dt)
{
    float px = 0.0f, py = 0.0f;
    m_Player.GetPosition(&px, &py);
    const int32_t baseY = ScreenHeight() - kAnchorAboveBottom;
    m_CurrentBuildings->SetDrawOffset(kCameraX, baseY);
    m_CurrentObstacles->SetDrawOffset(kCameraX, baseY);
    m_Player.SetDrawOffset(kCameraX, baseY);

    // The runner's offset from the camera line is split between moving him
    // on the screen (a) and scrolling the scenery (b); on later levels the
    // split eases in over the first second.
    const float dy = py - kCameraLine;
    float share = CameraFollowShare;
    if (m_Level != kFirstLevel && m_Elapsed < 1.0f) share *= m_Elapsed;
    float a = share * dy * 0.01f;
    float b = (100.0f - share) * dy * 0.01f;
    if (dy > a + b) a += dy - (a + b);
    m_PlayerShare = a;
    m_SceneryShare = b;
    const bool onExit = m_Player.IsOnSpecialBuilding();
    if (!onExit && b > kMaxSceneryDrop) {
        b = kMaxSceneryDrop;
        a = dy - kMaxSceneryDrop;
    }
    // On the exit building the scenery soon follows him fully.
    if (onExit) CameraFollowShare = std::max(CameraFollowShare - dt * kFollowShareFall, 0.0f);

    int32_t drawX = kCameraX;
    if (m_Level == kLastLevel && onExit) {
        // The ending: the camera stops where he landed and he runs off.
        if (!m_EndingStarted) {
            m_EndingStarted = true;
            StopMusic();
            PauseSounds();
            m_ScriptPlayer.Start();
            if (m_Owner) m_Owner->m_Completed = 1;
        }
        const int32_t landing = m_Player.GetSpecialLandingX();
        px = static_cast<float>(landing);
        drawX = m_Player.m_CellX + kCameraX - landing;
        if (drawX > ScreenWidth()) m_RunnerGone = true;
    }

    m_Background->SetScroll(px, b + kCameraLine);
    if (m_Player.IsDying()) {
        m_Player.SetDrawOffset(m_Player.m_CellX - TruncToPixel(px) + drawX,
                               TruncToPixel(a) + baseY + m_Player.m_CellY - TruncToPixel(py));
    } else {
        m_Player.SetDrawOffset(drawX, TruncToPixel(a) + baseY);
    }
    m_CurrentBuildings->SetScroll(px, b + kCameraLine);
    m_CurrentObstacles->SetScroll(px, b + kCameraLine);
    m_CurrentDecorations->SetScroll(px, b + kCameraLine);
    // The entering picture continues at the height the last one left it.
    if (m_FrameCount == 0) m_TransitionStartY = TruncToPixel(b) + m_TransitionExitY;
}

void GameWorld::UpdateSoundCues(float dt)
{
    SoundCueTimer += dt;
    const SoundCue& cue = kSoundCues[m_Level];
    if (cue.id < 0) return;
    // The last level's cue is the fireworks' crackle.
    if (m_Level == kFireworksLevel && !m_Fireworks.IsRunning()) return;
    bool& played = cue.repeat > 0.0f ? m_CueRepeatPlayed : m_CueOncePlayed;
    const bool due = !played || (cue.repeat > 0.0f && SoundCueTimer > cue.repeat);
    if (!due) return;
    if (m_SoundBank) m_SoundBank->Play(cue.id);
    played = true;
    SoundCueTimer = 0.0f;
}

void GameWorld::UpdateWeather()
{
    if (m_Level != kStormLevel) return;
    const int32_t s = TruncToPixel(m_Elapsed);
    const int32_t k = s % kWeatherCycle;
    if (k >= 0 && k <= 2) {
        if (!m_Weather.IsActive()) m_Weather.Start();
    } else if (k == kThunderSecond) {
        if (m_Elapsed - static_cast<float>(s) <= kThunderWindow) m_Thunder.Start();
    } else if (k >= 10 && k <= 12) {
        if (m_Weather.IsActive()) {
            m_Thunder.Start();
            m_Weather.Stop();
            m_Weather.SetKind(0);
        }
    }
}

// ---------------------------------------------------------------------------
// Pause and sound.

void GameWorld::Pause()
{
    m_Paused = true;
    m_Overlay.Show(TutorialOverlay::kPause);
    if (m_SoundBank) m_SoundBank->PauseAll();
}

void GameWorld::Resume()
{
    m_Paused = false;
    if (m_SoundBank) m_SoundBank->ResumeAll();
}

void GameWorld::PauseSounds()
{
    if (m_SoundBank) m_SoundBank->PauseAll();
}

void GameWorld::StartMusic()
{
    if (!m_MusicSource) return;
    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    if (!mixer) return;
    // A looping channel nobody holds could never be stopped again.
    StopMusic();
    // The mixer reads the source through a new position from its
    // beginning; the source itself is never rewound, since an ending
    // channel may still be reading it on the audio thread.
    m_MusicChannel = mixer->Play(m_MusicSource, true, true);
    m_MusicPaused = false;
}

void GameWorld::StopMusic()
{
    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    if (mixer && m_MusicChannel.GetCell()) mixer->StopChannel(m_MusicChannel);
    m_MusicChannel = nullptr;
    m_MusicPaused = false;
}

void GameWorld::SetMusicPaused(bool paused)
{
    if (paused == m_MusicPaused || !m_MusicChannel.GetCell()) return;
    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    if (!mixer) return;
    // False once the channel has ended; then there is nothing to follow.
    mixer->SetChannelPaused(m_MusicChannel, paused);
    m_MusicPaused = paused;
}

// ---------------------------------------------------------------------------
// Input.

void GameWorld::OnTouch(const TouchList& touches)
{
    if (!m_Active || touches.empty() || m_SwallowRelease) return;
    if (m_Paused) {
        if (!m_Overlay.IsActive()) return;
        m_Overlay.HandleTouches(touches);
        if (m_Overlay.IsActive()) return;
        m_SwallowRelease = true;
        if (m_Overlay.GetTouchResult() == TutorialOverlay::kPause) {
            // The main-menu button: the overlay has paused the sound bank;
            // the controller turns the state into the menu screen.
            StopMusic();
            m_State = WorldState::QuitToMenu;
        } else {
            Resume();
        }
        return;
    }

    const int32_t w = ScreenWidth();
    if (m_FrameCount >= kPauseFirstFrame && m_State == WorldState::Running) {
        for (const TouchPoint& point : touches) {
            const int32_t off = point.x - w / 2;
            if ((off < 0 ? -off : off) <= kPauseHalfWidth && point.y < kPauseBottom) {
                Pause();
                return;
            }
        }
    }
    const bool swap = m_Owner && m_Owner->m_SwapControls;
    for (const TouchPoint& point : touches) {
        if (point.y >= ScreenHeight() - iPhoneSlideButtonHeight) {
            m_Player.Slide();
        } else if ((point.x >= w / 2) != swap) {
            m_Player.Jump();
        } else {
            m_Player.Punch();
        }
    }
}

void GameWorld::OnPointerMove(const TouchList&) {}

void GameWorld::OnPointerUp(const TouchList&)
{
    if (!m_Active || m_Paused) return;
    if (m_SwallowRelease) {
        m_SwallowRelease = false;
        return;
    }
    m_Player.ClearJumpHeld();
}

void GameWorld::OnKey(unsigned key)
{
    if (!m_Active) return;
    if (m_Paused) {
        if (key == Voke::KEY_ESCAPE || key == Voke::KEY_PSP_CIRCLE) {
            m_State = WorldState::QuitToMenu;
            m_Overlay.Hide();
            Resume();
        } else if (key != Voke::KEY_PSP_L && key != Voke::KEY_PSP_R) {
            m_Overlay.Hide();
            m_Paused = false;
            if (m_SoundBank) m_SoundBank->ResumeAll();
        }
        return;
    }
    if ((key == Voke::KEY_ESCAPE || key == Voke::KEY_PSP_START || key == Voke::KEY_BACK) &&
        m_State == WorldState::Running && !m_EndingStarted) {
        Pause();
    } else if (key == Voke::KEY_UP || key == Voke::KEY_PSP_CROSS || key == Voke::KEY_SELECT) {
        m_Player.Jump();
    } else if (key == Voke::KEY_SPACE || key == Voke::KEY_PSP_SQUARE) {
        m_Player.Punch();
    } else if (key == Voke::KEY_DOWN) {
        m_Player.Slide();
    }
}

void GameWorld::OnKeyUp(unsigned key)
{
    if (!m_Active) return;
    if (key == Voke::KEY_UP || key == Voke::KEY_PSP_CROSS || key == Voke::KEY_SELECT) m_Player.ClearJumpHeld();
}

// ---------------------------------------------------------------------------
// Drawing.

void GameWorld::Render(Voke::Surface* target)
{
    if (!m_Active || !HasCurrentLevel()) return;
    if (!target) {
        // Nothing to draw into (a run without a screen): the transitions
        // still move on, since their end ends the level.
        DrawTransitions(nullptr);
        return;
    }
    // The ending: once the runner has gone, the fade, then the credits alone.
    if (m_EndingStarted && m_RunnerGone) {
        if (m_State == WorldState::EndReached) return;
        if (EndingTimer >= kCreditsStart) {
            m_ScriptPlayer.Draw(target);
            return;
        }
    }

    DrawScenery(target);
    if (RenderDebugParams != 0) DrawDebugLines(target);
    DrawPauseButton(target);
    m_Hud.Draw(target);

    const int32_t W = ScreenWidth(), H = ScreenHeight();
    if (m_EndingStarted && m_RunnerGone && EndingTimer >= kEndingFadeStart) {
        const Voke::Color fade = BlackWithAlpha(TruncToPixel((EndingTimer - kEndingFadeStart) * kEndingFadeRate));
        Voke::Surface::FillRect(target, 0, 0, W, H, &fade);
    }
    if (m_Paused && !m_Overlay.IsActive()) {
        const Voke::Color dim = BlackWithAlpha(kPauseDim);
        Voke::Surface::FillRect(target, 0, 0, W, H, &dim);
        const Voke::ScreenText* text = PauseText;
        if (text && text->GetGlyphs() && text->GetGlyphs()[0].page)
            text->Draw(target, W / 2 - text->width / 2, H / 2 - text->height / 2);
    }
}

GameWorld::LayerOrder GameWorld::BackgroundLayerOrder(int32_t level)
{
    static constexpr int32_t kSkyFirst[] = {4, 3, 2, 1, 0};
    static constexpr int32_t kEdgeLast[] = {3, 2, 1, 0, 4};
    switch (SceneryPassesOf(level).extraLayer) {
    case ExtraLayer::kFarthest:
        return LayerOrder{kSkyFirst, 5};
    case ExtraLayer::kInFrontOfRunner:
        return LayerOrder{kEdgeLast, 5};
    case ExtraLayer::kNone:
        break;
    }
    return LayerOrder{kSkyFirst + 1, 4};
}

void GameWorld::DrawScenery(Voke::Surface* target)
{
    const SceneryPasses& passes = SceneryPassesOf(m_Level);
    LevelBackground& bg = *m_Background;
    LevelDecorations& deco = *m_CurrentDecorations;

    // Each layer draws only the rows that the layers after it leave
    // uncovered.
    const LayerOrder order = BackgroundLayerOrder(m_Level);
    RowBand rows[LevelBackground::kLayers];
    bg.FindVisibleRows(*target, order.layers, order.count, rows);

    if (passes.extraLayer == ExtraLayer::kFarthest) bg.DrawLayer(target, 4, rows[4]);
    bg.DrawLayer(target, 3, rows[3]);
    m_Thunder.Draw(target);
    bg.DrawLayer(target, 2, rows[2]);
    DrawDecorationsAfter(deco, target, passes.afterLayer2, 2);
    m_Fireworks.Draw(target);
    bg.DrawLayer(target, 1, rows[1]);
    DrawDecorationsAfter(deco, target, passes.afterLayer1, 1);
    bg.DrawLayer(target, 0, rows[0]);
    DrawDecorationsAfter(deco, target, passes.afterLayer0, 0);
    m_CurrentBuildings->Render(target);
    m_CurrentObstacles->Render(target);
    m_CurrentObstacles->RenderFragments(target);
    // Under the tutorial the runner is not shown.
    if (!m_Overlay.IsActive()) m_Player.Draw(target);
    if (passes.extraLayer == ExtraLayer::kInFrontOfRunner) bg.DrawLayer(target, 4, rows[4]);
    deco.RenderAnimations(target, LevelDecorations::kNearPass, LevelDecorations::kEveryLayer);
    m_Weather.Draw(target);
    DrawTransitions(target);
}

void GameWorld::DrawTransitions(Voke::Surface* target)
{
    const int32_t W = ScreenWidth(), H = ScreenHeight();
    float px = 0.0f, py = 0.0f;
    m_Player.GetPosition(&px, &py);
    const int32_t ix = TruncToPixel(px);

    // Entering: the last level's picture leaves to the left as the runner
    // runs in from one screen to the left, over black where nothing is yet.
    if (m_Level > kFirstLevel && ix <= kEnteringReach && target) {
        if (ix <= 0) Voke::Surface::FillRect(target, 0, 0, -ix, H, &kBlack);
        FlyingPicture[m_Level - 1].Draw(target, -(ix + W), m_TransitionStartY - TruncToPixel(m_SceneryShare));
    }

    // Leaving: after the picture's width of the exit run, a black curtain
    // carrying the next level's picture slides in from the right; once it
    // covers the screen the level is over.
    if (!m_Player.IsInExitPhase()) return;
    float ex = 0.0f, ey = 0.0f;
    m_Player.GetExitStart(&ex, &ey);
    TiledPicture& picture = FlyingPicture[m_Level];
    const int32_t w = picture.GetWidth();
    int64_t d = int64_t(m_Player.m_CellX) - TruncToPixel(ex);
    if (d > int64_t(w) + W) {
        m_EndReached = true;
        d = int64_t(w) + W;
    }
    m_TransitionExitY = (H - kLogicalScreenHeight) - (m_Player.m_CellY - TruncToPixel(ey));
    if (!target) return;
    const int64_t u = std::max<int64_t>(W - d + w, 0);
    if (u < W) Voke::Surface::FillRect(target, static_cast<int>(u), 0, static_cast<int>(u + W), H, &kBlack);
    picture.Draw(target, static_cast<int>(W - d + w), m_TransitionExitY);
}

void GameWorld::DrawOverlay(Voke::Surface* target)
{
    if (target && m_Overlay.IsActive()) m_Overlay.Draw(target);
}

void GameWorld::DrawDebugLines(Voke::Surface* target)
{
    // Debug output of a developer build: shown only while a debug overlay
    // exists, which the game never makes.
    if (!Voke::DebugOverlay::Instance()) return;
    const int32_t w = target->GetWidth(), h = target->GetHeight();
    char line[96];
    std::snprintf(line, sizeof line, "SEC: %i", TruncToPixel(m_Elapsed));
    DrawDebugText(m_Owner, target, w - 65, h - 12, line);
    std::snprintf(line, sizeof line, "SPEED: %i , %f", TruncToPixel(m_Player.m_Speed),
                  static_cast<double>(m_Player.GetAcceleration()));
    DrawDebugText(m_Owner, target, 160, h - 12, line);
    std::snprintf(line, sizeof line, "STEPSCOUNT: %i", TruncToPixel(m_Player.m_PosX * 0.008f));
    DrawDebugText(m_Owner, target, 10, h - 12, line);
    std::snprintf(line, sizeof line, "player: %i , %i", m_Player.m_CellX, m_Player.m_CellY);
    DrawDebugText(m_Owner, target, 0, h - 24, line);
}

void GameWorld::DrawPauseButton(Voke::Surface* target)
{
    Voke::Surface* image = PauseButtonImage;
    if (m_Paused || !(m_Elapsed < kPauseFadeEnd) || !image) return;
    // Full for four seconds, then fading out over two; the rectangle keeps
    // pausing after it has gone.
    int32_t alpha = 255;
    if (m_Elapsed > kPauseShowTime) alpha = 255 - TruncToPixel((m_Elapsed - kPauseShowTime) * kPauseFadeRate);
    alpha = std::clamp(alpha, 0, 255);
    const uint8_t previous = image->GetOpacity();
    image->SetOpacity(static_cast<uint8_t>(alpha));
    Voke::Surface::Blit(target, ScreenWidth() / 2 - image->GetWidth() / 2, kPauseButtonTop, image,
                        image->GetClipRect());
    image->SetOpacity(previous);
}
