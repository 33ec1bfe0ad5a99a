#include "game/world/player.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/core/xml.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/pixel_math.h"
#include "game/presentation/hud.h"
#include "game/presentation/sound_bank.h"
#include "game/world/building_manager.h"
#include "game/world/obstacle_manager.h"

namespace {

// The six jump constants: where each is held, its default and its key in
// the tuning file.
struct JumpConstant {
    float* value;
    float initial;
    const char* key;
};
constexpr JumpConstant kJumpConstants[] = {
    {&GRAVITY_POWER, 1000.0f, "GRAVITY_POWER"},
    {&JUMP_MAX_TIME_OF_GOING_UP, 0.25f, "JUMP_MAX_TIME_OF_GOING_UP"},
    {&JUMP_INIT_SPEED, 300.0f, "JUMP_INIT_SPEED"},
    {&JUMP_ACCELERATION_OF_GOING_UP, 1.62f, "JUMP_ACCELERATION_OF_GOING_UP"},
    {&JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN, 7.0f, "JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN"},
    {&TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP, 0.435f,
     "TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP"},
};

// The default of the constant held at `value`, worked out at compile time so
// that each constant holds it from program start.
constexpr float InitialOf(const float* value)
{
    for (const JumpConstant& constant : kJumpConstants)
        if (constant.value == value) return constant.initial;
    return 0.0f;
}

}  // namespace

float GRAVITY_POWER = InitialOf(&GRAVITY_POWER);
float JUMP_MAX_TIME_OF_GOING_UP = InitialOf(&JUMP_MAX_TIME_OF_GOING_UP);
float JUMP_INIT_SPEED = InitialOf(&JUMP_INIT_SPEED);
float JUMP_ACCELERATION_OF_GOING_UP = InitialOf(&JUMP_ACCELERATION_OF_GOING_UP);
float JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN = InitialOf(&JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN);
float TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP =
    InitialOf(&TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP);

void InitPlayerPhysicsDefaults()
{
    for (const JumpConstant& constant : kJumpConstants) *constant.value = constant.initial;
}

namespace {

// Reads the attribute as a number into `out`. A value without a digit in it
// ("abc", "", "-") is not a number and leaves `out` as it was: the engine's
// float reader would store 0, which for gravity keeps the runner in the air.
void ReadNumber(const Voke::XmlIt& element, const char* name, float& out)
{
    const char* value = element.GetAttributeRaw(name);
    if (!value) return;
    const char* end = value;
    const double number = Voke::StrToD(value, &end);
    for (const char* p = value; p < end; ++p)
        if (*p >= '0' && *p <= '9') {
            out = static_cast<float>(number);
            return;
        }
}

}  // namespace

bool Player::LoadParams(const char* fileName)
{
    if (!fileName) return false;
    Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Load(fileName));
    if (!document) return false;

    for (Voke::XmlIt element(document.Get(), nullptr); element; element.Next()) {
        const char* name = element.GetName();
        bool matched = false;
        for (const JumpConstant& constant : kJumpConstants) {
            if (StrICmp(name, constant.key) == 0) {
                ReadNumber(element, "value", *constant.value);
                matched = true;
                break;
            }
        }
        if (matched) continue;
        if (StrICmp(name, "MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE") == 0) {
            int level = 0;
            element.GetAttribute("level", level);
            if (level >= 1 && level <= kLevelCount) ReadNumber(element, "value", m_ObstacleSpeedFactor[level - 1]);
        } else if (StrICmp(name, "BlockAnimations") == 0) {
            element.GetAttribute("value", m_BlockAnimations);
        }
    }
    return true;
}

namespace {

// NOTE: a flight stops after 20 s or 20000 steps, far beyond any jump the
// constants can make while gravity is positive.
constexpr float kMaxFlightTime = 20.0f;
constexpr int kMaxFlightSteps = 20000;

int MaxFlightSteps(float dt)
{
    const int steps = static_cast<int>(kMaxFlightTime / dt);
    return steps > kMaxFlightSteps ? kMaxFlightSteps : steps;
}

// The runner's longest jump from a roof's edge, played by his own update in
// steps of `dt`: he stands on the take-off roof at height 0, the jump is
// pressed there and held throughout, and from the first step on there is
// nothing under him (no buildings: no landing, no walls). When
// `somersaultStep` is 2 or more the jump is pressed again just before that
// step; `somersaultTaken` tells whether that press was taken. Returns the
// last moment at which his feet are at or above `level` (px relative to the
// take-off, y downward), interpolated between steps, or -1 when they never
// are after take-off.
float Flight(float level, float dt, int somersaultStep, bool* somersaultTaken)
{
    Player runner;
    runner.Reset(0);
    // On the spot: the reach follows from the time, and a forward speed
    // would only count against the move's points per step.
    runner.SetMinSpeed(0.0f);
    runner.SetSpeed(0.0f);
    runner.SetAcceleration(0.0f);
    runner.m_OnGround = 1;
    runner.Jump();
    if (somersaultTaken) *somersaultTaken = false;

    const float start = runner.m_PosY;
    float best = level >= 0.0f ? 0.0f : -1.0f;
    const int maxSteps = MaxFlightSteps(dt);
    for (int k = 1; k <= maxSteps; ++k) {
        if (k == somersaultStep) {
            runner.Jump();
            if (somersaultTaken) *somersaultTaken = runner.m_AirJumpUsed != 0;
        }
        const float previous = runner.m_PosY - start;
        runner.Update(dt);
        const float y = runner.m_PosY - start;
        if (y <= level) {
            best = k * dt;
        } else if (previous <= level) {
            best = (k - 1) * dt + dt * (level - previous) / (y - previous);
        }
        // Falling past the level with no rise left to come: done.
        const bool riseLeft = runner.m_Rising || k < somersaultStep;
        if (!riseLeft && runner.m_VerticalSpeed > 0.0f && y > level) break;
    }
    return best;
}

}  // namespace

float ComputeJumpAirTime(float height, bool somersault, float step)
{
    if (!(step > 0.0f)) return -1.0f;
    const float level = -height;
    float best = Flight(level, step, 0, nullptr);
    if (!somersault) return best;
    // The second press is taken from the second step on (he has left the
    // roof) until its allowance after the rise has run out: every step of
    // that window is tried.
    for (int press = 2; press <= MaxFlightSteps(step); ++press) {
        bool taken = false;
        const float time = Flight(level, step, press, &taken);
        if (!taken) break;
        if (time > best) best = time;
    }
    return best;
}

float ComputeJumpReach(float speed, float drop, float step)
{
    // He leaves the near roof once his box's left edge passes the roof's
    // right edge and must have his feet 2 px above the far roof when the
    // box's right edge is 1 px short of it.
    constexpr float kBoxSpan = static_cast<float>(kPlayerBoxRight - kPlayerBoxLeft + 1);
    constexpr float kCornerClearance = 2.0f;
    const float time = ComputeJumpAirTime(kCornerClearance - 1.0f - drop, true, step);
    if (time < 0.0f) return -1.0f;
    return speed * (time - step) + kBoxSpan;
}

namespace {

// The states: frames, and how fast the animation phase advances (per
// second; the run's rate also grows with the speed, see AnimationStep).
//
//   state         frames  rate  ends by time            jump   slide   punch
//   run             17    1+v/300 never (loops)          yes    yes     yes
//   jump            46    0.64  never (landing)          yes    air: no yes
//   punch            5    4.6   at 1: run                yes    yes     no
//   somersault      26    1.2   never (landing roll)     yes    air: no yes
//   landing roll    13    2.1   at 1: run                yes    yes     yes
//   slide            8    3.5   at 1.5: get-up           yes    no      yes
//   get-up           6    3.5   at 1: run                yes    no      yes
//   death            8    3.0   never                    no     no      no
//   stumble         24    1.3   at 1: run                yes    yes     yes
//
// "yes" under an action means it is taken from that state, subject to the
// rules of Jump, Slide and Punch: no slide in the air, no jump or punch
// while the standing box is blocked, nothing after landing on the exit
// building. A jump pressed on the ground is queued and started by the next
// update. With BlockAnimations the slide starts only from the run state and
// the punch only from run or landing roll.
struct StateInfo {
    int32_t frames;
    float rate;
};
const StateInfo kStates[kPlayerStateCount] = {
    {17, 1.0f}, {46, 0.64f}, {5, 4.6f}, {26, 1.2f}, {13, 2.1f}, {8, 3.5f}, {6, 3.5f}, {8, 3.0f}, {24, 1.3f},
};

// The image files of each state's frames: printf format, first number, step.
struct FrameFiles {
    const char* format;
    int first;
    int step;
};
const FrameFiles kFrameFiles[kPlayerStateCount] = {
    {"cut_biegnie_%03d.png", 1, 1}, {"cut_jump%03d.png", 1, 1},     {"cut_cios01001%d.png", 3, 1},
    {"cut_salto%03d.png", 40, 2},   {"cut_turnover%03d.png", 1, 4}, {"slizg%04d.png", 7, 1},
    {"slizg%04d.png", 15, 1},       {"cut_death%03d.png", 1, 8},    {"potyka%04d.png", 25, 2},
};
const char* const kDustImage = "kurz.png";

// Where each frame's top-left corner goes in the sprite cell (dx, dy), per
// state; frame k uses pair k. Death frames are centred instead.
const int8_t kRunOffsets[17][2] = {{37, 35}, {34, 35}, {32, 34}, {31, 34}, {33, 34}, {36, 34},
                                   {40, 35}, {43, 35}, {40, 34}, {36, 34}, {34, 33}, {33, 33},
                                   {32, 33}, {34, 34}, {38, 34}, {40, 35}, {44, 35}};
const int8_t kJumpOffsets[46][2] = {
    {46, 35}, {41, 34}, {37, 33}, {37, 33}, {36, 33}, {37, 33}, {38, 33}, {41, 33}, {42, 33}, {44, 32},
    {47, 28}, {50, 26}, {45, 27}, {36, 28}, {39, 30}, {41, 33}, {41, 34}, {41, 35}, {41, 35}, {44, 34},
    {46, 29}, {46, 29}, {42, 30}, {41, 31}, {42, 33}, {43, 33}, {44, 33}, {46, 33}, {47, 33}, {50, 33},
    {52, 33}, {52, 34}, {51, 34}, {50, 34}, {50, 34}, {50, 36}, {49, 36}, {47, 37}, {46, 37}, {47, 38},
    {45, 38}, {45, 38}, {46, 38}, {46, 39}, {46, 40}, {48, 39}};
const int8_t kPunchOffsets[5][2] = {{34, 34}, {36, 34}, {39, 37}, {42, 39}, {37, 38}};
const int8_t kSomersaultOffsets[26][2] = {{46, 34}, {45, 33}, {41, 30}, {41, 30}, {40, 37}, {38, 46}, {35, 44},
                                          {35, 42}, {38, 37}, {36, 36}, {34, 37}, {33, 37}, {34, 38}, {36, 38},
                                          {36, 36}, {37, 30}, {38, 27}, {39, 27}, {41, 31}, {43, 31}, {49, 32},
                                          {49, 33}, {48, 34}, {47, 36}, {44, 35}, {43, 36}};
const int8_t kLandingRollOffsets[13][2] = {{42, 33}, {40, 36}, {35, 43}, {31, 51}, {30, 54}, {34, 47}, {36, 51},
                                           {33, 53}, {41, 54}, {45, 49}, {47, 46}, {47, 44}, {46, 42}};
const int8_t kSlideOffsets[8][2] = {{45, 38}, {42, 39}, {40, 41}, {39, 47}, {38, 54}, {38, 55}, {37, 56}, {36, 56}};
const int8_t kGetUpOffsets[6][2] = {{37, 57}, {37, 51}, {40, 46}, {42, 41}, {44, 37}, {39, 34}};
const int8_t kStumbleOffsets[24][2] = {{42, 32}, {36, 30}, {32, 29}, {34, 33}, {40, 36}, {40, 38}, {42, 39}, {43, 40},
                                       {43, 42}, {42, 43}, {41, 46}, {40, 48}, {39, 48}, {37, 48}, {37, 46}, {38, 44},
                                       {35, 42}, {34, 39}, {36, 36}, {37, 34}, {39, 34}, {41, 35}, {41, 34}, {38, 32}};
const int8_t (*const kOffsets[kPlayerStateCount])[2] = {
    kRunOffsets,   kJumpOffsets,  kPunchOffsets, kSomersaultOffsets, kLandingRollOffsets,
    kSlideOffsets, kGetUpOffsets, nullptr,       kStumbleOffsets,
};

// NOTE: the swept move tests at most 50 points per step, so a step whose
// longer axis is 48 px or more ends short of its target.
constexpr int64_t kMaxSweepPoints = 50;
// NOTE: cells are held within +-2^30 px, so that the box offsets added to
// them cannot overflow, however long a runner without ground falls.
constexpr float kMaxCell = 1073741824.0f;

// The run's animation rate grows by one cycle per second for every this
// many px/s of speed.
constexpr float kRunRateSpeed = 300.0f;
constexpr float kDeathTime = 1.35f;
constexpr float kExitLandTime = 1.0f;
constexpr float kBounce = -0.7f;
constexpr float kPunchRate = 4.6f;
constexpr float kPunchMax = 2.0f;
constexpr float kPunchReach = 1.0f;
// Five breaks in a row raise the multiplier, up to 9 (99 in endless mode).
constexpr int32_t kBreaksPerMultiplier = 5;
constexpr int32_t kMaxMultiplier = 9;
constexpr int32_t kMaxEndlessMultiplier = 99;
constexpr int32_t kBreakPoints = 100;
constexpr int32_t kNearEdgeBonus = 500;
constexpr int32_t kEdgeBonus = 200;
constexpr int32_t kNearEdge = 40;
constexpr int32_t kEdge = 60;
// One footstep every 125 px.
constexpr float kFootstepsPerPixel = 0.008f;
constexpr float kDustEmitTime = 0.8f;
constexpr float kDustLife = 0.15f;
// A puff's opacity is its remaining life times this, so a fresh one (0.15 s
// of life) is opaque.
constexpr float kDustOpacityPerSecond = 1706.6666f;
constexpr float kStartSpeed = 360.0f;
constexpr float kStartMaxSpeed = 720.0f;
constexpr float kStartAcceleration = 2.8f;

// The cell of a position: truncated toward zero, one less for a negative
// coordinate, and held within +-2^30.
int32_t CellOf(float v)
{
    if (!(v == v)) return 0;
    if (v >= kMaxCell) return static_cast<int32_t>(kMaxCell);
    if (v <= -kMaxCell) return -static_cast<int32_t>(kMaxCell);
    const int32_t cell = static_cast<int32_t>(v);
    return v < 0.0f ? cell - 1 : cell;
}

}  // namespace

Player::Player()
    : m_PosX(0.0f),
      m_PosY(0.0f),
      m_CellX(0),
      m_CellY(0),
      m_Speed(kStartSpeed),
      m_VerticalSpeed(0.0f),
      m_Game(nullptr),
      m_Level(0),
      m_Buildings(nullptr),
      m_Obstacles(nullptr),
      m_Hud(nullptr),
      m_SoundBank(nullptr),
      m_MinSpeed(kStartSpeed),
      m_MaxSpeed(kStartMaxSpeed),
      m_Acceleration(kStartAcceleration),
      m_JumpRequested(0),
      m_Rising(0),
      m_AirJumpUsed(0),
      m_JumpPower(0.0f),
      m_TimeSinceJumpPress(0.0f),
      m_TimeSinceRiseEnd(0.0f),
      m_JumpHeld(0),
      m_OnGround(0),
      m_GroundKey(-1),
      m_PunchTime(kPunchMax),
      m_State(kPlayerRun),
      m_FrameCount(kStates[kPlayerRun].frames),
      m_Phase(0.0f),
      m_Frame(0),
      m_DrawX(0),
      m_DrawY(0),
      m_Dying(0),
      m_DeathTimer(0.0f),
      m_DeathDone(0),
      m_CrashX(0.0f),
      m_CrashY(0.0f),
      m_ExitLanded(0),
      m_ExitLandTimer(0.0f),
      m_ExitPhase(0),
      m_ExitLandX(0.0f),
      m_ExitStartX(0.0f),
      m_ExitStartY(0.0f),
      m_BlockAnimations(false),
      m_FootstepIndex(0),
      m_Dust(),
      m_DustEmitTime(0.0f),
      m_DustCountdown(0.0f),
      m_BreakStreak(0)
{
    for (float& factor : m_ObstacleSpeedFactor) factor = 0.92f;
}

Player::~Player() { Release(); }

void Player::SetSessionStats(GameBase* game) { m_Game = game; }

void Player::SetSoundBank(SoundBank* soundBank) { m_SoundBank = soundBank; }

void Player::SetCollisionMap(BuildingManager* buildings) { m_Buildings = buildings; }

void Player::SetObstacleManager(ObstacleManager* obstacles) { m_Obstacles = obstacles; }

void Player::SetScoreHud(Hud* hud) { m_Hud = hud; }

Voke::SmartPtr<Voke::Surface>* Player::Frames(int32_t state, int32_t* count)
{
    static_assert(sizeof kRunOffsets / sizeof kRunOffsets[0] == 17, "one offset per run frame");
    static_assert(sizeof kJumpOffsets / sizeof kJumpOffsets[0] == 46, "one offset per jump frame");
    static_assert(sizeof kSomersaultOffsets / sizeof kSomersaultOffsets[0] == 26, "one per somersault frame");
    static_assert(sizeof kStumbleOffsets / sizeof kStumbleOffsets[0] == 24, "one per stumble frame");
    Voke::SmartPtr<Voke::Surface>* const frames[kPlayerStateCount] = {
        m_RunFrames,         m_JumpFrames,  m_PunchFrames,  m_SomersaultFrames, m_LandingRollFrames,
        m_SlideFrames,       m_GetUpFrames, m_DeathFrames,  m_StumbleFrames,
    };
    if (state < 0 || state >= kPlayerStateCount) {
        if (count) *count = 0;
        return nullptr;
    }
    if (count) *count = kStates[state].frames;
    return frames[state];
}

void Player::Load()
{
    // Frames in state order, then the dust, as the loading step expects.
    for (int32_t state = 0; state < kPlayerStateCount; ++state) {
        int32_t count = 0;
        Voke::SmartPtr<Voke::Surface>* frames = Frames(state, &count);
        const FrameFiles& files = kFrameFiles[state];
        for (int32_t i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, files.format, files.first + i * files.step);
            frames[i] = Voke::GetCachedSurface(name, false);
        }
    }
    m_DustImage = Voke::GetCachedSurface(kDustImage, false);
    LoadParams("player_params.xml");
}

void Player::Release()
{
    m_DustImage.Reset();
    for (int32_t state = 0; state < kPlayerStateCount; ++state) {
        int32_t count = 0;
        Voke::SmartPtr<Voke::Surface>* frames = Frames(state, &count);
        for (int32_t i = 0; i < count; ++i) frames[i].Reset();
    }
}

void Player::Reset(int32_t level)
{
    m_DeathTimer = 0.0f;
    m_CrashX = m_CrashY = 0.0f;
    m_ExitLandTimer = 0.0f;
    m_ExitLandX = 0.0f;
    m_JumpPower = 0.0f;
    m_Dying = m_DeathDone = m_ExitLanded = m_ExitPhase = 0;
    m_JumpRequested = m_Rising = m_AirJumpUsed = m_JumpHeld = m_OnGround = 0;
    m_DrawX = m_DrawY = 0;
    m_BreakStreak = 0;
    m_DustEmitTime = m_DustCountdown = 0.0f;

    m_Level = level;
    m_TimeSinceJumpPress = 10.0f;
    // No air jump before the first rise.
    m_TimeSinceRiseEnd = TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP + 10.0f;
    m_PunchTime = kPunchMax;
    m_GroundKey = -1;
    m_FootstepIndex = -1;

    // Later levels enter from one screen to the left while the flight from
    // the previous level is shown.
    const int32_t width = m_Game ? m_Game->m_ScreenWidth : kLogicalScreenWidth;
    m_PosX = level == kLevelPrison ? 0.0f : -static_cast<float>(width);
    m_CellX = static_cast<int32_t>(m_PosX);
    m_PosY = 0.0f;
    m_CellY = 0;
    m_VerticalSpeed = 0.0f;

    if (m_Game && m_Game->m_FromLevelMenu) {
        m_MinSpeed = m_Speed = kStartSpeed;
        m_MaxSpeed = kStartMaxSpeed;
    }
    SetState(kPlayerRun);
}

void Player::PlaceOnGround()
{
    if (!m_Buildings) return;
    // The bottom of the box (73) rests one pixel above the roof.
    m_PosY = static_cast<float>(m_Buildings->GetFirstTop() - (kPlayerBoxBottom + 1));
    m_CellY = static_cast<int32_t>(m_PosY);
}

void Player::SetSpeed(float speed)
{
    m_Speed = speed;
    if (m_Speed < m_MinSpeed) m_Speed = m_MinSpeed;
    if (m_Speed > m_MaxSpeed) m_Speed = m_MaxSpeed;
}

void Player::SetMinSpeed(float speed)
{
    m_MinSpeed = speed;
    if (m_Speed < speed) m_Speed = speed;
}

void Player::SetMaxSpeed(float speed)
{
    m_MaxSpeed = speed;
    if (m_Speed > speed) m_Speed = speed;
}

void Player::GetExitStart(float* x, float* y) const
{
    if (x) *x = m_ExitStartX;
    if (y) *y = m_ExitStartY;
}

void Player::GetPosition(float* x, float* y) const
{
    if (x) *x = m_Dying ? m_CrashX : m_PosX;
    if (y) *y = m_Dying ? m_CrashY : m_PosY;
}

void Player::SetState(int32_t state)
{
    m_State = state;
    m_Phase = 0.0f;
    m_Frame = 0;
    m_FrameCount = state >= 0 && state < kPlayerStateCount ? kStates[state].frames : 0;
}

void Player::AddScore(int32_t points)
{
    if (!m_Game) return;
    const int32_t gain = m_Game->m_Multiplier * points;
    if (m_Hud) m_Hud->ShowScoreGain(gain);
    m_Game->m_Score += gain;
}

bool Player::Collides(int32_t cx, int32_t cy, int32_t top) const
{
    return m_Buildings && m_Buildings->TestCollision(cx + kPlayerBoxLeft, cy + top, cx + kPlayerBoxRight,
                                                     cy + kPlayerBoxBottom, nullptr, nullptr);
}

bool Player::IsBlockedAbove() const { return Collides(m_CellX, m_CellY, kPlayerBoxTop); }

void Player::Jump()
{
    if (m_Dying || m_ExitLanded || IsBlockedAbove()) return;
    if (m_OnGround) {
        m_JumpRequested = 1;
        m_TimeSinceJumpPress = 0.0f;
    } else if ((m_Rising || m_TimeSinceRiseEnd < TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP) &&
               !m_AirJumpUsed) {
        m_AirJumpUsed = 1;
        m_JumpRequested = 1;
    }
    m_JumpHeld = 1;
}

void Player::Slide()
{
    if (m_Dying || m_ExitLanded) return;
    if (m_BlockAnimations) {
        if (m_State != kPlayerRun || !m_OnGround) return;
    } else if (m_State == kPlayerSlide || m_State == kPlayerGetUp || !m_OnGround) {
        return;
    }
    SetState(kPlayerSlide);
    PlaySound(kSoundSlide);
    if (m_Game) m_Game->m_Slides += 1;
}

void Player::Punch()
{
    if (m_Dying || m_ExitLanded || IsBlockedAbove()) return;
    if (m_BlockAnimations) {
        if (m_State != kPlayerRun && m_State != kPlayerLandingRoll) return;
    } else if (m_State == kPlayerPunch) {
        return;
    }
    m_PunchTime = 0.0f;
    SetState(kPlayerPunch);
}

void Player::PlaySound(int id)
{
    if (m_SoundBank) m_SoundBank->Play(id);
}

int32_t Player::Random() { return m_Game ? m_Game->Random() : 0; }

void Player::AnimationStep(float dt)
{
    if (m_State >= 0 && m_State < kPlayerStateCount) {
        if (m_State == kPlayerRun) {
            if (m_OnGround) m_Phase += dt + m_Speed * dt / kRunRateSpeed;
        } else {
            m_Phase += dt * kStates[m_State].rate;
        }
        switch (m_State) {
        case kPlayerRun:
            if (m_Phase >= 1.0f) {
                m_Phase -= 1.0f;
                if (m_Phase >= 1.0f) m_Phase = 0.0f;
            }
            break;
        case kPlayerJump:
        case kPlayerSomersault:
        case kPlayerDeath:
            if (m_Phase > 1.0f) m_Phase = 1.0f;
            break;
        case kPlayerSlide:
            if (m_Phase >= 1.5f) {
                if (IsBlockedAbove())
                    m_Phase = 1.5f;
                else
                    SetState(kPlayerGetUp);
            }
            break;
        default:  // punch, landing roll, get-up, stumble
            if (m_Phase >= 1.0f) SetState(kPlayerRun);
            break;
        }
    }
    if (m_FrameCount > 0) {
        int32_t frame = TruncToPixel(static_cast<float>(m_FrameCount) * m_Phase);
        if (frame < 0) frame = 0;
        if (frame > m_FrameCount - 1) frame = m_FrameCount - 1;
        m_Frame = frame;
    } else {
        m_Frame = 0;
    }
}

void Player::Update(float dt)
{
    // The building search starts next to the runner's building.
    if (m_Buildings) {
        m_Buildings->SetTracking(true);
        if (m_GroundKey >= 0) m_Buildings->SetCurrentKey(m_GroundKey);
    }
    if (m_Game && m_PosX >= 0.0f && m_PosX > m_Game->m_LevelDistance) m_Game->m_LevelDistance = m_PosX;
    const int32_t top = m_State == kPlayerSlide ? kPlayerBoxSlideTop : kPlayerBoxTop;

    DeathAndExitStep(dt);
    AnimationStep(dt);
    JumpStep(dt);
    RiseStep(dt);
    SpeedStep(dt);
    Move(dt, top);
    GroundStep(top);
    if (!Crash(top) && !m_Dying) HitObstacles(dt, top);
    if (!m_Rising && !m_OnGround) m_VerticalSpeed += dt * GRAVITY_POWER;
    Footsteps();
    DustStep(dt);
}

void Player::DeathAndExitStep(float dt)
{
    if (m_Dying) {
        m_DeathTimer -= dt;
        if (m_DeathTimer <= 0.0f) m_DeathDone = 1;
    }
    // The exit: one second after landing on the exit building, the second
    // phase starts once he is in the air or on the final building.
    if (m_ExitLanded) {
        m_ExitLandTimer -= dt;
        if (m_ExitLandTimer <= 0.0f && !m_ExitPhase &&
            (!m_OnGround || (m_Buildings && m_Buildings->GetBuildingFlag(m_GroundKey)))) {
            m_ExitPhase = 1;
            m_ExitStartX = m_PosX;
            m_ExitStartY = m_PosY;
        }
    }
}

void Player::JumpStep(float dt)
{
    m_TimeSinceJumpPress += dt;
    if (m_JumpRequested) {
        if (m_Game) m_Game->m_Jumps += 1;
        PlaySound(kSoundJump);
        if (m_OnGround) {
            m_DustEmitTime = kDustEmitTime;
            m_DustCountdown = 0.0f;
        }
        m_VerticalSpeed = 0.0f;
        m_Phase = 0.0f;
        m_JumpRequested = 0;
        m_Rising = 1;
        m_JumpPower = 1.0f;
        SetState(m_AirJumpUsed ? kPlayerSomersault : kPlayerJump);
    } else if (!m_Rising) {
        m_TimeSinceRiseEnd += dt;
    }
    if (m_TimeSinceJumpPress > JUMP_MAX_TIME_OF_GOING_UP) m_JumpHeld = 0;
}

void Player::RiseStep(float dt)
{
    // No gravity while rising: the speed follows the jump power, which grows
    // while the jump is held and decays otherwise. A somersault is never held.
    if (!m_Rising) return;
    float slowing = dt * JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN;
    bool ends = false;
    if (m_JumpHeld && !m_AirJumpUsed) {
        m_JumpPower += JUMP_ACCELERATION_OF_GOING_UP * dt;
        if (m_JumpPower > 0.0f) {
            m_VerticalSpeed = -JUMP_INIT_SPEED * m_JumpPower;
        } else {
            ends = true;
            slowing = 0.0f;
        }
    } else if (m_JumpPower > slowing) {
        m_VerticalSpeed = -JUMP_INIT_SPEED * m_JumpPower;
        m_JumpPower -= slowing;
    } else {
        ends = true;
    }
    if (ends) {
        m_VerticalSpeed = JUMP_INIT_SPEED * (m_JumpPower - slowing);
        m_TimeSinceRiseEnd = 0.0f;
        m_JumpPower = 0.0f;
        m_Rising = 0;
        m_DustEmitTime = -1.0f;
    }
}

void Player::SpeedStep(float dt)
{
    // Accelerate up to the maximum (without limit in endless mode), never
    // below the minimum while moving forward. A dying runner keeps his
    // (bounced) speed.
    const bool endless = m_Game && m_Game->m_Endless;
    if (!endless && m_Speed > m_MaxSpeed) m_Speed = m_MaxSpeed;
    if (m_Dying) return;
    if (endless) {
        m_Speed += dt * m_Acceleration;
    } else if (m_Speed < m_MaxSpeed) {
        m_Speed += dt * m_Acceleration;
        if (m_Speed > m_MaxSpeed) m_Speed = m_MaxSpeed;
    }
    if (m_Speed > 0.0f && m_Speed < m_MinSpeed) m_Speed = m_MinSpeed;
}

void Player::GroundStep(int32_t top)
{
    // On the ground while the box one pixel lower meets a building.
    int32_t key = -1;
    if (!m_Buildings || !m_Buildings->TestCollision(m_CellX + kPlayerBoxLeft, m_CellY + 1 + top,
                                                    m_CellX + kPlayerBoxRight, m_CellY + 1 + kPlayerBoxBottom,
                                                    nullptr, &key)) {
        m_OnGround = 0;
        m_GroundKey = -1;
        return;
    }
    m_GroundKey = key;
    if (!m_OnGround) Land(key);
}

void Player::Move(float dt, int32_t top)
{
    // An upward speed moves him even on the ground (that is how a jump
    // leaves the roof); a downward one does not.
    float dy = dt * m_VerticalSpeed;
    if (m_OnGround && m_VerticalSpeed > 0.0f) {
        m_VerticalSpeed = 0.0f;
        dy = 0.0f;
    }
    const float tx = m_PosX + dt * m_Speed;
    const float ty = m_PosY + dy;
    const int32_t x1 = CellOf(tx);
    const int32_t y1 = CellOf(ty);
    const int32_t x0 = m_CellX;
    const int32_t y0 = m_CellY;
    if (x1 == x0 && y1 == y0) {
        m_PosX = tx;
        m_PosY = ty;
        return;
    }

    // Walk the line from the current cell to the target cell; every point
    // that is free becomes the position, the first that collides ends the
    // walk. The current cell is tested first, so a runner already inside a
    // building does not move.
    const int64_t mx = int64_t(x1) - x0;
    const int64_t my = int64_t(y1) - y0;
    const int64_t n = std::max(std::llabs(mx), std::llabs(my)) + 2;
    int64_t lastX = x0;
    int64_t lastY = y0;
    for (int64_t i = 0; i <= n && i < kMaxSweepPoints; ++i) {
        const int64_t cx = i == n ? x1 : x0 + mx * i / n;
        const int64_t cy = i == n ? y1 : y0 + my * i / n;
        if (i > 0 && cx == lastX && cy == lastY) continue;
        lastX = cx;
        lastY = cy;
        if (Collides(static_cast<int32_t>(cx), static_cast<int32_t>(cy), top)) break;
        if (i == 0) continue;
        m_CellX = static_cast<int32_t>(cx);
        m_CellY = static_cast<int32_t>(cy);
        if (i == n) {
            m_PosX = tx;
            m_PosY = ty;
        } else {
            m_PosX = static_cast<float>(cx);
            m_PosY = static_cast<float>(cy);
        }
    }
}

void Player::Land(int32_t key)
{
    m_OnGround = 1;
    m_AirJumpUsed = 0;
    m_VerticalSpeed = 0.0f;
    // A dying runner who falls back on a roof keeps his death frames: he
    // neither runs nor makes footsteps for the rest of his fall.
    if (!m_Dying) SetState(m_State == kPlayerSomersault ? kPlayerLandingRoll : kPlayerRun);
    if (m_Buildings->IsReached(key) && !m_ExitLanded) {
        m_ExitLanded = 1;
        m_ExitLandTimer = kExitLandTime;
        m_ExitLandX = static_cast<float>(m_CellX);
    }
    // A landing close behind the building's left edge earns a bonus.
    if (m_GroundKey >= 0) {
        const int32_t d = std::abs(m_CellX + kPlayerBoxLeft - m_Buildings->GetBuildingLeft(key));
        if (d < kNearEdge)
            AddScore(kNearEdgeBonus);
        else if (d < kEdge)
            AddScore(kEdgeBonus);
    }
}

bool Player::Crash(int32_t top)
{
    if (!m_Buildings) return false;
    const int32_t dir = m_Speed < 0.0f ? -1 : 1;
    bool ahead = Collides(m_CellX + dir, m_CellY, top);
    const bool above = Collides(m_CellX, m_CellY - 1, top);
    // A roof corner right ahead and below, with nothing under him, is a
    // wall too.
    if (!ahead && !above && !Collides(m_CellX, m_CellY + 1, top) && Collides(m_CellX + dir, m_CellY + 1, top))
        ahead = true;
    if (!ahead && !above) return false;
    if (!m_Dying) {
        m_AirJumpUsed = m_JumpRequested = m_Rising = 0;
        SetState(kPlayerDeath);
        m_Dying = 1;
        m_DeathTimer = kDeathTime;
        m_CrashX = m_PosX;
        m_CrashY = m_PosY;
    }
    if (ahead) m_Speed *= kBounce;
    if (above) m_VerticalSpeed *= kBounce;
    return true;
}

void Player::HitObstacles(float dt, int32_t top)
{
    m_PunchTime += kPunchRate * dt;
    if (m_PunchTime > kPunchMax) m_PunchTime = kPunchMax;
    if (!m_Obstacles) return;

    // The box one pixel ahead.
    int32_t id = -1;
    if (!m_Obstacles->FindHit(m_CellX + 1 + kPlayerBoxLeft, m_CellY + top, m_CellX + 1 + kPlayerBoxRight,
                              m_CellY + kPlayerBoxBottom, &id))
        return;
    if (m_PunchTime <= kPunchReach) {
        // Punched in time: it breaks, and every fifth break in a row raises
        // the multiplier (after this break's points).
        m_Obstacles->Break(id);
        if (m_Game) m_Game->m_ObstaclesDestroyed += 1;
        AddScore(kBreakPoints);
        m_BreakStreak += 1;
        if (m_BreakStreak >= kBreaksPerMultiplier) {
            m_BreakStreak = 0;
            if (m_Game) {
                const int32_t cap = m_Game->m_Endless ? kMaxEndlessMultiplier : kMaxMultiplier;
                if (m_Game->m_Multiplier < cap) m_Game->m_Multiplier += 1;
            }
        }
    } else {
        // Walked into it: he stumbles and slows down, and the streak is over.
        SetState(kPlayerStumble);
        m_Obstacles->MarkHit(id);
        m_BreakStreak = 0;
        if (m_Game) m_Game->m_Multiplier = 1;
        if (m_Level >= 0 && m_Level < kLevelCount) m_Speed *= m_ObstacleSpeedFactor[m_Level];
        if (m_Speed < m_MinSpeed) m_Speed = m_MinSpeed;
    }
}

void Player::Footsteps()
{
    if (m_State != kPlayerRun || !m_OnGround) {
        m_FootstepIndex = -1;
        return;
    }
    const int32_t index = TruncToPixel(m_PosX * kFootstepsPerPixel);
    if (index == m_FootstepIndex) return;
    m_FootstepIndex = index;
    PlaySound(index > 0 && index % 2 == 1 ? kSoundFootstepOdd : kSoundFootstep);
}

void Player::DustStep(float dt)
{
    m_DustEmitTime -= dt;
    for (DustParticle& puff : m_Dust) {
        if (puff.life <= 0.0f) continue;
        puff.x += dt * puff.vx;
        puff.y += dt * puff.vy;
        puff.life -= dt;
    }
    if (m_DustEmitTime > 0.0f) {
        m_DustCountdown -= dt;
        if (m_DustCountdown <= 0.0f) {
            m_DustCountdown = 0.02f + (kDustEmitTime - m_DustCountdown) * 0.05f;
            EmitDust();
            EmitDust();
        }
    }
}

void Player::EmitDust()
{
    for (DustParticle& puff : m_Dust) {
        if (puff.life > 0.0f) continue;
        // At his feet within 3 px, drifting left on the screen at a quarter
        // to one and a quarter of his speed as the world scrolls past.
        puff.life = kDustLife;
        puff.x = static_cast<float>(m_DrawX + 41 + (Random() % 7 - 3));
        puff.y = static_cast<float>(m_DrawY + kPlayerBoxBottom + (Random() % 7 - 3));
        puff.vx = (static_cast<float>(Random() % 1000) * 0.001f - 1.25f) * m_Speed;
        puff.vy = static_cast<float>(Random() % 1000) * 0.001f - 0.5f;
        return;
    }
}

void Player::SetDrawOffset(int32_t x, int32_t y)
{
    m_DrawX = x;
    m_DrawY = y;
}

void Player::Draw(Voke::Surface* target)
{
    const int32_t shakeX = m_Game ? m_Game->m_ShakeX : 0;
    const int32_t shakeY = m_Game ? m_Game->m_ShakeY : 0;
    const int32_t sx = m_DrawX + shakeX;
    const int32_t sy = m_DrawY + shakeY;
    if (m_Hud) m_Hud->SetPlayerPosition(sx, sy);

    int32_t count = 0;
    Voke::SmartPtr<Voke::Surface>* frames = Frames(m_State, &count);
    if (frames && m_Frame >= 0 && m_Frame < count && frames[m_Frame]) {
        Voke::Surface* image = frames[m_Frame].Get();
        int32_t dx = 0;
        int32_t dy = 0;
        if (m_State == kPlayerDeath) {
            dx = 50 - image->GetWidth() / 2;
            dy = 50 - image->GetHeight() / 2;
        } else {
            dx = kOffsets[m_State][m_Frame % count][0];
            dy = kOffsets[m_State][m_Frame % count][1];
        }
        Voke::Surface::Blit(target, sx + dx, sy + dy, image, image->GetClipRect());
    }
    DrawDust(target);
}

void Player::DrawDust(Voke::Surface* target)
{
    Voke::Surface* image = m_DustImage.Get();
    if (!image) return;
    const int32_t shakeX = m_Game ? m_Game->m_ShakeX : 0;
    const int32_t shakeY = m_Game ? m_Game->m_ShakeY : 0;
    for (const DustParticle& puff : m_Dust) {
        if (puff.life <= 0.0f) continue;
        int32_t opacity = TruncToPixel(puff.life * kDustOpacityPerSecond);
        if (opacity < 0) opacity = 0;
        if (opacity > 255) opacity = 255;
        image->SetOpacity(static_cast<uint8_t>(opacity));
        Voke::Surface::Blit(target, TruncToPixel(puff.x) + shakeX, TruncToPixel(puff.y) + shakeY, image,
                            image->GetClipRect());
    }
    // The image is shared through the asset dictionary: leave it opaque.
    image->SetOpacity(255);
}
