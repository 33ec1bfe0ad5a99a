#include "game/presentation/level_decorations.h"

#include <algorithm>
#include <cmath>

#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/pixel_math.h"
#include "game/presentation/resolution_dependence.h"
#include "game/presentation/sound_bank.h"

namespace {

// NOTE: copy positions are held within +-2^30 pixels, so no sum of a
// position and image sizes or periods can overflow.
constexpr int64_t kFarOff = int64_t(1) << 30;

constexpr double kTwoPi = 6.283184;
constexpr float kPi = 3.141592f;

constexpr int kHelicopterSound = 7;
constexpr int kTrainSound = 8;
constexpr int kPlaneSound = 9;

// The train's passing: a long, fading shake on both axes.
constexpr ShakeParams kTrainShake = {2.7f, 7.1f, true, true, true, true};

// Behaviour kinds.
enum Kind : int32_t {
    kHelicopter = 1,
    kSweepingBeam = 2,
    kStill = 3,
    kTrain = 4,
    kLamps = 5,
    kAnimated = 6,
    kDrops = 7,
    kWelder = 8,
    kSmokeA = 9,
    kSmokeB = 10,
    kSwinging = 11,
    kPlane = 12,
    kRedLight3 = 13,
    kRedLight2 = 14,
    kHangingBeam = 15,
    kNeon = 16,
    kSwayingHelicopter = 17,
    kBirds = 18,
    kMixedBirds = 19,
};

// Drawn as three copies, one period apart.
bool Repeats(int32_t kind)
{
    switch (kind) {
    case kStill:
    case kLamps:
    case kDrops:
    case kSmokeA:
    case kSmokeB:
    case kMixedBirds:
        return false;
    default:
        return true;
    }
}

// Kinds that draw from their current frame; without it they draw nothing.
bool NeedsFrame(int32_t kind) { return kind != kSmokeA && kind != kSmokeB && kind != kRedLight3 && kind != kRedLight2; }

// 0 to 1 and back over one phase.
float Tri(float p) { return p < 0.5f ? 2.0f * p : 2.0f - 2.0f * p; }

float SinCycle(float phase) { return static_cast<float>(std::sin(kTwoPi * static_cast<double>(phase))); }

int64_t Bounded(int64_t v) { return std::clamp(v, -kFarOff, kFarOff); }

// One bird of a flock: offset from the flock's position and frame step.
struct Bird {
    int32_t ox, oy, k;
};
const Bird kFlock[] = {{0, 3, 0},  {20, 5, 3},   {30, 1, 1},   {50, 7, 4},   {75, 4, 5},
                       {5, -7, 3}, {28, -15, 6}, {33, -29, 4}, {57, -18, 7}, {77, -16, 8}};
const Bird kMixedFlock[] = {{0, -23, 0}, {5, -25, 3}, {12, -11, 1}, {20, -7, 4}, {25, 4, 5}};
const Bird kMirroredFlock[] = {{17, 7, 0},   {46, 20, 3},  {75, 13, 6},  {34, 26, 9},
                               {63, 19, 12}, {22, 12, 15}, {51, 25, 18}, {80, 18, 21}};

void BlitAt(Voke::Surface* target, Voke::Surface* image, int64_t x, int64_t y)
{
    if (image) Voke::Surface::Blit(target, static_cast<int>(x), static_cast<int>(y), image, image->GetClipRect());
}

// The whole image rotated by `angle` about its pivot pixel, which lands on
// (x, y); `flip` 2 mirrors it left to right.
void Turn(Voke::Surface* target, Voke::Surface* image, int64_t x, int64_t y, float px, float py, float angle,
          int flip = 0)
{
    if (!image) return;
    const float scale[2] = {1.0f, 1.0f};
    const float pivot[2] = {px, py};
    const Voke::Rect whole = {0, 0, image->GetWidth(), image->GetHeight()};
    Voke::Surface::BlitTransformed(target, image, static_cast<float>(x), static_cast<float>(y), angle, scale, pivot,
                                   flip, whole);
}

}  // namespace

// One row of a level's built-in setup.
struct LevelDecorations::EmitterSetup {
    int32_t kind;
    int32_t x, y;
    // Depth plane whose resolution offset moves the prop.
    int32_t plane;
    float divisor;
    int32_t period;
    int32_t layer;
    float speed;
    int32_t state;
    float phase;
    const char* frames[DecorationEmitter::kMaxFrames];
    const char* secondary;
};

DecorationEmitter::DecorationEmitter() { SetDefaults(); }

void DecorationEmitter::SetDefaults()
{
    kind = 0;
    x = y = 0;
    divisor = 1.0f;
    period = 512;
    layer = 1;
    layerX = layerY = 0;
    dx = dy = 0.0f;
    state = 0;
    speed = 1.0f;
    count = 0;
    phase = 0.0f;
    frame = 0;
    phase2 = 0.0f;
    tileDown = false;
    flash = 0.0f;
    visible = false;
    spawnX = spawnY = 0;
    timer = 0.0f;
    startPhase = 0.0f;
}

LevelDecorations::LevelDecorations()
    : m_Owner(nullptr),
      m_Level(0),
      m_EventFlag(false),
      m_ScrollX(0.0f),
      m_ScrollY(0.0f),
      m_TrainOn(false),
      m_TrainPrev(false),
      m_HeliOn(false),
      m_HeliPrev(false),
      m_PlaneOn(false),
      m_PlanePrev(false),
      m_SoundBank(nullptr)
{
}

LevelDecorations::~LevelDecorations() = default;

int32_t LevelDecorations::Random() { return m_Owner ? m_Owner->Random() : 0; }

int32_t LevelDecorations::ScreenWidth() const { return m_Owner ? m_Owner->m_ScreenWidth : kLogicalScreenWidth; }

int32_t LevelDecorations::ScreenHeight() const { return m_Owner ? m_Owner->m_ScreenHeight : kLogicalScreenHeight; }

int32_t LevelDecorations::GetLiveSpriteCount() const
{
    int32_t n = 0;
    for (const DecorationSprite& sprite : m_Sprites)
        if (sprite.used) ++n;
    return n;
}

// ---------------------------------------------------------------------------
// Loading: the six levels' props.

void LevelDecorations::Load(int32_t levelIndex)
{
    m_Level = levelIndex;
    m_EventFlag = false;
    for (DecorationEmitter& e : m_Emitters) e.SetDefaults();
    switch (levelIndex) {
    case kLevelPrison:
        LoadLevel1();
        break;
    case kLevelUnderground:
        LoadLevel2();
        break;
    case kLevelSewers:
        LoadLevel3();
        break;
    case kLevelConstructionYard:
        LoadLevel4();
        LoadSmoke();
        break;
    case kLevelSuburbs:
        LoadLevel5();
        break;
    case kLevelRooftops:
        LoadLevel6();
        break;
    default:
        break;
    }
    m_TrainOn = m_TrainPrev = false;
    m_HeliOn = m_HeliPrev = false;
    m_Green = Voke::GetCachedSurface("c00ff00.png", false);
    m_Red = Voke::GetCachedSurface("cff0000.png", false);
}

void LevelDecorations::SetupEmitters(const EmitterSetup* rows, int count)
{
    for (int i = 0; i < count && i < kEmitters; ++i) {
        const EmitterSetup& row = rows[i];
        DecorationEmitter& e = m_Emitters[i];
        e.SetDefaults();
        e.kind = row.kind;
        e.x = row.x;
        e.y = row.y;
        e.divisor = row.divisor;
        e.period = row.period;
        e.layer = row.layer;
        if (m_Owner && m_Owner->m_Resolution)
            m_Owner->m_Resolution->Apply(static_cast<unsigned>(m_Level), static_cast<unsigned>(row.plane), &e.x, &e.y);
        e.speed = row.speed;
        e.state = row.state;
        e.phase = row.phase;
        e.startPhase = row.phase;
        // Kept in the dictionary for the run; a missing frame still takes
        // its slot, so the animation keeps its timing.
        for (const char* name : row.frames) {
            if (!name) break;
            e.frames[e.count++] = Voke::GetCachedSurface(name, true);
        }
        if (row.secondary) e.secondary = Voke::GetCachedSurface(row.secondary, true);
    }
}

// The setup tables: kind, position, plane, divisor, period, layer, speed,
// state, start phase, frames, secondary image.
// clang-format off
void LevelDecorations::LoadLevel1()
{
    static const EmitterSetup rows[] = {
        {kHelicopter, 720, 215, 1, 3.0f, 2400, 1, 9.0f, 0, 0.0f,
         {"helicopter1.png", "helicopter2.png", "helicopter3.png"}, "ray_reflec3.png"},
        {kSweepingBeam, 574, 78, 1, 3.0f, 831, 1, 0.0f, 2, 0.0f, {"ray_reflec3.png"}, nullptr},
    };
    SetupEmitters(rows, 2);
}

void LevelDecorations::LoadLevel2()
{
    static const EmitterSetup rows[] = {
        {kLamps, 112, 170, 2, 3.5f, 256, 1, 1.0f, 0, 0.0f, {"lev2_lamp_subway_cala.png"}, nullptr},
        {kTrain, 500, 228, 2, 3.0f, 3000, 1, 0.2f, 0, 0.0f, {"lev2_train_background_01.png"}, nullptr},
    };
    SetupEmitters(rows, 2);
}

void LevelDecorations::LoadLevel3()
{
    static const EmitterSetup rows[] = {
        {kAnimated, 34, 310, 1, 1.82f, 868, 1, 1.04f, 0, 0.0f,
         {"lev3_woda3_woda01.png", "lev3_woda3_woda02.png", "lev3_woda3_woda03.png", "lev3_woda3_woda04.png",
          "lev3_woda3_woda05.png", "lev3_woda3_woda06.png", "lev3_woda3_woda07.png", "lev3_woda3_woda08.png",
          "lev3_woda3_woda09.png", "lev3_woda3_woda10.png", "lev3_woda3_woda11.png", "lev3_woda3_woda12.png"},
         nullptr},
        {kDrops, 0, 230, 0, 1.01f, 261, 1, 1.0f, 0, 0.0f, {"kropla.png"}, nullptr},
    };
    SetupEmitters(rows, 2);
}

void LevelDecorations::LoadLevel4()
{
    static const EmitterSetup rows[] = {
        {kWelder, 110, 247, 0, 2.0f, 1024, 1, 8.64f, 0, 0.0f, {"lev4_spawacz_1.png", "lev4_spawacz_2.png"}, nullptr},
        {kWelder, 568, 260, 0, 2.0f, 1024, 1, 12.0f, 0, 0.0f, {"lev4_spawacz_1.png", "lev4_spawacz_2.png"}, nullptr},
        {kWelder, 658, 335, 0, 2.0f, 1024, 1, 4.9f, 0, 0.0f, {"lev4_spawacz_1.png", "lev4_spawacz_2.png"}, nullptr},
        {kSmokeA, 659, 142, 1, 5.0f, 1024, 1, 1.0f, 0, 0.0f, {}, nullptr},
        {kSmokeA, 816, 120, 1, 5.0f, 1024, 1, 1.0f, 0, 0.0f, {}, nullptr},
        {kSmokeB, 50, 84, 2, 9.0f, 1024, 1, 1.0f, 0, 0.0f, {}, nullptr},
        {kSmokeB, 940, 134, 2, 9.0f, 1024, 1, 1.0f, 0, 0.0f, {}, nullptr},
        {kSmokeB, 448, 84, 2, 9.0f, 1024, 1, 1.0f, 0, 0.0f, {}, nullptr},
        {kSwinging, 951, 141, 0, 2.0f, 1024, 1, 0.33f, 0, 0.0f, {"lev4_bg2_ramie_dzwigu.png"}, nullptr},
    };
    SetupEmitters(rows, 9);
}

void LevelDecorations::LoadSmoke()
{
    ResetSprites();
    m_SmokeA = Voke::GetCachedSurface("lev4_ru_smoke04.png", true);
    m_SmokeB = Voke::GetCachedSurface("lev4_smoke_bg0.png", true);
}

void LevelDecorations::LoadLevel5()
{
    static const EmitterSetup rows[] = {
        {kSwayingHelicopter, 720, 215, 1, 3.0f, 2400, 1, 9.0f, 0, 0.0f,
         {"lev5_heli_1.png", "lev5_heli_2.png", "lev5_heli_3.png"}, nullptr},
        {kBirds, 720, 295, 0, 1.6f, 1920, 0, 4.0f, 0, 0.0f,
         {"lev5_ptok_1.png", "lev5_ptok_2.png", "lev5_ptok_3.png", "lev5_ptok_4.png", "lev5_ptok_5.png"}, nullptr},
        {kMixedBirds, 1680, 295, 0, 1.6f, 1920, 0, 3.0f, 0, 0.0f,
         {"lev5_ptok_1.png", "lev5_ptok_2.png", "lev5_ptok_3.png", "lev5_ptok_4.png", "lev5_ptok_5.png"}, nullptr},
    };
    SetupEmitters(rows, 3);
}

void LevelDecorations::LoadLevel6()
{
    static const EmitterSetup rows[] = {
        {kPlane, 460, 150, 1, 5.8f, 1000, 1, 1.0f, 0, 0.0f, {"lev6_jetb_747_off.png"}, nullptr},
        {kRedLight3, 45, 108, 1, 5.0f, 512, 1, 1.0f, 0, 0.0f, {}, nullptr},
        {kRedLight3, 53, 110, 1, 5.0f, 512, 1, 1.4f, 0, 0.0f, {}, nullptr},
        {kRedLight3, 133, 110, 1, 5.0f, 512, 1, 1.0f, 0, 0.0f, {}, nullptr},
        {kRedLight3, 165, 127, 1, 5.0f, 512, 1, 1.4f, 0, 0.0f, {}, nullptr},
        {kRedLight2, 25, 58, 2, 9.0f, 512, 1, 1.3f, 0, 0.0f, {}, nullptr},
        {kRedLight2, 105, 58, 2, 9.0f, 512, 1, 1.6f, 0, 0.0f, {}, nullptr},
        {kRedLight2, 113, 58, 2, 9.0f, 512, 1, 1.8f, 0, 0.0f, {}, nullptr},
        {kHangingBeam, 500, 258, 1, 7.0f, 580, 1, 0.18f, 0, 0.1f, {"lev6_ray_reflec.png"}, nullptr},
        {kHangingBeam, 600, 258, 1, 7.0f, 580, 1, 0.21f, 0, 0.4f, {"lev6_ray_reflec.png"}, nullptr},
        {kHangingBeam, 300, 258, 1, 7.0f, 580, 1, 0.12f, 0, 0.7f, {"lev6_ray_reflec.png"}, nullptr},
        {kNeon, 819, 223, 0, 2.0f, 1024, 0, 2.1f, 0, 0.0f, {"lev6_neon_1_on.png", "lev6_neon_1_off.png"}, nullptr},
        {kNeon, 312, 210, 0, 2.0f, 1024, 0, 1.7f, 0, 0.5f, {"lev6_neon_2_on.png", "lev6_neon_2_off.png"}, nullptr},
    };
    SetupEmitters(rows, 13);
}
// clang-format on

// ---------------------------------------------------------------------------
// Run state.

void LevelDecorations::ResetSprites()
{
    for (DecorationSprite& sprite : m_Sprites) sprite = DecorationSprite();
}

void LevelDecorations::Reset()
{
    m_EventFlag = false;
    m_ScrollX = m_ScrollY = 0.0f;
    ResetSprites();
    for (DecorationEmitter& e : m_Emitters) {
        e.layerX = e.layerY = 0;
        e.dx = e.dy = 0.0f;
        // The setup's start phase keeps props of one kind out of step (the
        // hanging beams, the two neon signs) at every start.
        e.phase = e.startPhase;
        e.frame = 0;
        e.flash = 0.0f;
        e.visible = false;
        e.spawnX = e.spawnY = 0;
        e.timer = 0.0f;
    }
    m_TrainOn = m_TrainPrev = false;
    m_HeliOn = m_HeliPrev = false;
    m_PlaneOn = m_PlanePrev = false;
}

void LevelDecorations::SetScroll(float x, float y)
{
    m_ScrollX = x;
    m_ScrollY = y;
}

void LevelDecorations::RefreshLayerOffsets()
{
    for (DecorationEmitter& e : m_Emitters)
        ComputeParallaxTile(m_Owner, 1, 1, e.period, &e.layerX, &e.layerY, m_ScrollX, m_ScrollY, e.divisor);
}

void LevelDecorations::Update(float dt)
{
    for (DecorationEmitter& e : m_Emitters)
        if (e.kind != 0) UpdateEmitter(e, dt);

    for (DecorationSprite& sprite : m_Sprites) {
        if (!sprite.used) continue;
        if (sprite.life <= 0.0f) {
            sprite = DecorationSprite();
            continue;
        }
        sprite.x += sprite.vx * dt;
        sprite.y += sprite.vy * dt;
        sprite.life -= dt;
    }

    RefreshLayerOffsets();
    for (DecorationEmitter& e : m_Emitters) e.visible = false;
}

void LevelDecorations::UpdateEmitter(DecorationEmitter& e, float dt)
{
    const int32_t lx = e.layerX;
    // A flyer follows its layer's scroll up and down until the runner dies;
    // then it leaves up and to the left by time.
    auto flyer = [&](int32_t q, float a, float b) {
        if (!m_EventFlag) {
            e.dy = -static_cast<float>((lx / q) % 240);
        } else {
            e.dx -= a * dt;
            e.dy -= b * dt;
        }
    };
    switch (e.kind) {
    case kHelicopter:
    case kSwayingHelicopter:
        flyer(7, 24.0f, 38.0f);
        e.phase2 += 0.182f * dt;
        if (!(e.phase2 <= 1.0f)) e.phase2 = 0.0f;
        break;
    case kBirds:
    case kMixedBirds:
        flyer(4, 38.0f, 50.0f);
        break;
    case kPlane:
        flyer(4, 14.0f, 20.0f);
        break;
    case kTrain:
        e.dx = -4.0f * static_cast<float>(lx);
        break;
    case kSweepingBeam:
        // The sweep swells to its top speed and dies away, over and over.
        if (e.state == 2) {
            e.speed += dt / 14.0f;
            if (e.speed > 0.2593f) {
                e.speed = 0.2593f;
                e.state = 1;
            }
        } else if (e.state == 1) {
            e.speed -= dt / 14.0f;
            if (e.speed < 0.0f) {
                e.speed = 0.0f;
                e.state = 2;
            }
        }
        break;
    default:
        break;
    }

    // A phase past 1 starts again at exactly 0 (a NaN one too).
    e.phase += e.speed * dt;
    if (!(e.phase <= 1.0f)) e.phase = 0.0f;

    if (e.flash > 0.0f) {
        e.flash -= 0.25f * dt;
        if (e.flash < 0.0f) e.flash = 0.0f;
    }

    // The flags' rising edges: these run for every prop, but only the first
    // one of an Update sees the edge.
    if (m_TrainOn) {
        e.flash = 1.0f;
        if (!m_TrainPrev) {
            if (m_Owner) m_Owner->m_Shake.Start(&kTrainShake);
            if (m_SoundBank) m_SoundBank->Play(kTrainSound);
        }
    }
    m_TrainPrev = m_TrainOn;
    if (m_PlaneOn && !m_PlanePrev && m_SoundBank) m_SoundBank->Play(kPlaneSound);
    m_PlanePrev = m_PlaneOn;
    if (m_HeliOn && !m_HeliPrev && m_SoundBank) m_SoundBank->Play(kHelicopterSound);
    m_HeliPrev = m_HeliOn;

    if (e.visible && (e.kind == kWelder || e.kind == kSmokeA || e.kind == kSmokeB)) {
        e.timer -= dt;
        if (e.timer <= 0.0f) {
            e.timer = e.kind == kWelder ? 0.03f : (e.kind == kSmokeA ? 0.1f : 0.045f);
            Spawn(e);
        }
    }

    if (e.count < 1) {
        e.frame = 0;
    } else {
        e.frame = TruncToPixel(static_cast<float>(e.count) * e.phase);
        if (e.frame < 0) e.frame = 0;
        if (e.frame >= e.count) e.frame = e.count - 1;
    }
}

void LevelDecorations::Spawn(DecorationEmitter& e)
{
    DecorationSpriteParams p;
    p.x = static_cast<float>(e.spawnX);
    p.y = static_cast<float>(e.spawnY);
    switch (e.kind) {
    case kSmokeA:
        // Fading puffs drifting up and left.
        p.image = m_SmokeA;
        p.life = 1.2f + static_cast<float>(Random() % 200) * 0.001f;
        p.vx = -90.0f;
        p.vy = -70.0f;
        p.layer = 1;
        break;
    case kSmokeB:
        // A dense, slow plume.
        p.image = m_SmokeB;
        p.life = 4.2f;
        p.vx = -20.0f;
        p.vy = -30.0f;
        p.layer = 2;
        p.noFade = true;
        break;
    case kWelder:
        // White sparks flying down and left from the torch.
        p.life = 0.28f + static_cast<float>(Random() % 100) * 0.001f;
        p.x += 10.0f;
        p.y += 10.0f;
        p.vx = -120.0f;
        p.vy = 200.0f;
        p.layer = 0;
        p.square = true;
        break;
    default:
        return;
    }
    AddSprite(&p);
}

void LevelDecorations::AddSprite(const DecorationSpriteParams* params)
{
    if (!params) return;
    DecorationSprite* slot = nullptr;
    for (DecorationSprite& sprite : m_Sprites)
        if (!sprite.used) {
            slot = &sprite;
            break;
        }
    if (!slot) return;
    slot->used = true;
    slot->params = *params;
    slot->life = params->life;
    slot->x = params->x;
    slot->y = params->y;
    slot->vx = params->vx * 0.001f * static_cast<float>(Random() % 1000);
    // Plume B drifts at one to two times its scale. Only the plume's own
    // image counts: a spark (no image) stays at its speed when the plume's
    // image is missing.
    if (params->image && params->image == m_SmokeB) slot->vx += params->vx;
    const int32_t r = Random();
    slot->vy = params->noFade ? params->vy : params->vy * 0.001f * static_cast<float>(r % 1000);
}

// ---------------------------------------------------------------------------
// Drawing.

void LevelDecorations::DrawSprites(Voke::Surface* target, int32_t layer)
{
    if (!target) return;
    const int64_t sx = m_Owner ? m_Owner->m_ShakeX : 0, sy = m_Owner ? m_Owner->m_ShakeY : 0;
    const int64_t w = ScreenWidth(), h = ScreenHeight();
    for (DecorationSprite& sprite : m_Sprites) {
        if (!sprite.used || !(sprite.life > 0.0f) || sprite.params.layer != layer) continue;
        const DecorationSpriteParams& p = sprite.params;
        const int64_t px = TruncToPixel(sprite.x) + sx, py = TruncToPixel(sprite.y) + sy;
        int32_t alpha = 0;
        if (p.life > 0.0f) {
            const int32_t k = TruncToPixel(sprite.life * 256.0f / p.life);
            alpha = k >= 0 ? std::min(k, 255) : 0;
        }
        if (p.noFade) alpha = 255;

        if (p.square) {
            const int64_t s = std::clamp<int64_t>(p.size, 0, kFarOff);
            const int64_t left = px - s / 2, top = py - s / 2;
            if (left + s >= 0 && left - s < w && top + s >= 0 && top - s < h) {
                const Voke::Color colour = Voke::MakeColor(p.colour[0], p.colour[1], p.colour[2], uint8_t(alpha));
                Voke::Surface::FillRect(target, static_cast<int>(left), static_cast<int>(top),
                                        static_cast<int>(left + s), static_cast<int>(top + s), &colour);
            }
            continue;
        }
        Voke::Surface* image = p.image;
        if (!image) continue;
        image->SetOpacity(uint8_t(alpha));
        const int64_t iw = image->GetWidth(), ih = image->GetHeight();
        const int64_t m = std::max(iw, ih);
        if (px + m >= 0 && px - m < w && py + m >= 0 && py - m < h) BlitAt(target, image, px - iw / 2, py - ih / 2);
    }
}

void LevelDecorations::RenderAnimations(Voke::Surface* target, int32_t far, int32_t layer)
{
    if (!target) return;
    const int64_t sx = m_Owner ? m_Owner->m_ShakeX : 0, sy = m_Owner ? m_Owner->m_ShakeY : 0;
    for (DecorationEmitter& e : m_Emitters) {
        if (e.kind == 0) continue;
        if (far != 0 ? !(e.divisor >= 1.0f) : !(e.divisor < 1.0f)) continue;
        if (layer >= -1 && e.layer != layer) continue;
        const int copies = Repeats(e.kind) ? 3 : 1;
        for (int c = 0; c < copies; ++c) {
            const int64_t x = int64_t(e.x) + sx - e.layerX + TruncToPixel(e.dx) + int64_t(c) * e.period;
            int64_t y = int64_t(e.y) + sy + TruncToPixel(e.dy);
            if (far != 0) y -= e.layerY;
            DrawCopy(target, e, Bounded(x), Bounded(y));
        }
    }
}

namespace {

// NOTE: a copy is skipped when it lies farther off the screen than its
// picture's larger side and this margin (room for pictures turned about a
// pivot); the helicopter's reach is its width and its beam's length, the
// mixed flock's a fixed span that holds its mirrored half.
constexpr int64_t kTurnMargin = 100;
constexpr int64_t kMixedFlockReach = 356;

// NOTE: the searchlight beam picture turns about its lamp, this pixel.
constexpr float kBeamPivotX = 71.0f;
constexpr float kBeamPivotY = 14.0f;
// The helicopter's lamp, from the top-left corner of its picture; its beam
// swings from 0 to this angle and back over phase2.
constexpr int64_t kHeliLampX = 178;
constexpr int64_t kHeliLampY = 84;
constexpr float kHeliBeamSwing = -1.23f;
// The sweeping beam swings across this arc, from minus half of it to plus
// half and back over its phase.
constexpr float kSweepArc = 2.10681f;
constexpr float kSweepHalfArc = 1.053405f;
static_assert(kSweepHalfArc * 2.0f == kSweepArc, "the sweep is centred");

// NOTE: five tunnel lamps, one period apart, hanging from this pixel and
// swinging at most this far while the train's flash lasts.
constexpr int kLampCount = 5;
constexpr float kLampPivotX = 61.0f;
constexpr float kLampPivotY = 26.0f;
constexpr float kLampSwing = 0.15f;
// NOTE: the crane arm swings about this pixel of its top edge.
constexpr float kCranePivotX = 58.0f;
constexpr float kCraneSwing = 0.24f;
// NOTE: the hanging beams hang turned half a turn (pi) about this pixel of
// their top edge and swing either side of it.
constexpr float kHangingPivotX = 40.0f;
constexpr float kHangingSwing = 0.34f;
// NOTE: the swaying helicopter turns about this pixel: it leans by the
// first angle and sways by the second either side of it over phase2.
constexpr float kSwayPivotX = 123.0f;
constexpr float kSwayPivotY = 19.0f;
constexpr float kSwayLean = 0.26f;
constexpr float kSwayAmount = 0.13f;

// NOTE: a metro train of three cars, one picture wide each.
constexpr int kTrainCars = 3;

// NOTE: the aeroplane's 2 x 2 navigation lights, green and red, placed from
// its picture's top-left corner, shine for one of every three 2.5 px steps
// of its climb.
constexpr int64_t kGreenLightY = 15;
constexpr int64_t kRedLightX = 113;
constexpr int64_t kRedLightY = 17;
constexpr float kNavLightSize = 2.0f;
constexpr float kNavBlinkRate = 0.4f;
constexpr int32_t kNavBlinkSteps = 3;
// NOTE: a warning light shines for the first tenth of its phase; the big
// one is 3 x 3 around its point and dimmed, the small one 2 x 2.
constexpr float kWarningBlinkSteps = 10.0f;
constexpr float kBigWarningSize = 3.0f;
constexpr uint8_t kBigWarningOpacity = 168;
constexpr float kSmallWarningSize = 2.0f;

// A one-colour image's pixel stretched over s x s from (x, y).
void Light(Voke::Surface* target, Voke::Surface* colour, int64_t x, int64_t y, float s)
{
    if (!colour) return;
    const float scale[2] = {s, s};
    const float pivot[2] = {0.0f, 0.0f};
    const Voke::Rect pixel = {2, 2, 1, 1};
    Voke::Surface::BlitTransformed(target, colour, static_cast<float>(x), static_cast<float>(y), 0.0f, scale, pivot, 0,
                                   pixel);
}

// The emitter's current frame, or null.
Voke::Surface* CurrentFrame(const DecorationEmitter& e)
{
    if (e.count > 0 && e.frame >= 0 && e.frame < e.count && e.frame < DecorationEmitter::kMaxFrames)
        return e.frames[e.frame];
    return nullptr;
}

// Whether a copy with picture F at (x, y) is too far off the screen to show
// anything. The train and the drops test their own parts.
bool FarOffScreen(const DecorationEmitter& e, const Voke::Surface& F, int64_t x, int64_t y, int64_t W, int64_t H)
{
    if (e.kind == kTrain || e.kind == kDrops) return false;
    const int64_t fw = F.GetWidth(), fh = F.GetHeight();
    int64_t m = std::max(fw, fh) + kTurnMargin;
    if (e.kind == kHelicopter) m = fw + (e.secondary ? e.secondary->GetHeight() : 0) + kTurnMargin;
    if (e.kind == kMixedBirds) m = kMixedFlockReach;
    return !(x + m >= 0 && x - m < W && y + m >= 0 && y - m < H);
}

// The helicopter and its swinging beam; true when it is on the screen.
bool DrawHelicopter(Voke::Surface* target, const DecorationEmitter& e, Voke::Surface* F, int64_t x, int64_t y,
                    int64_t W)
{
    const int64_t beamReach = e.secondary ? e.secondary->GetHeight() : 0;
    if (!(x + F->GetWidth() + beamReach >= 0 && x < W)) return false;
    BlitAt(target, F, x, y);
    Turn(target, e.secondary, x + kHeliLampX, y + kHeliLampY, kBeamPivotX, kBeamPivotY,
         kHeliBeamSwing * Tri(e.phase2));
    return x >= 0;
}

void DrawSweepingBeam(Voke::Surface* target, const DecorationEmitter& e, Voke::Surface* F, int64_t x, int64_t y,
                      int64_t W)
{
    const int64_t fh = F->GetHeight();
    if (x + fh >= 0 && x - fh < W)
        Turn(target, F, x, y, kBeamPivotX, kBeamPivotY, kSweepArc * Tri(e.phase) - kSweepHalfArc);
}

void DrawStill(Voke::Surface* target, const DecorationEmitter& e, Voke::Surface* F, int64_t x, int64_t y)
{
    const int64_t fh = F->GetHeight();
    if (!e.tileDown || fh <= 0) {
        BlitAt(target, F, x, y);
        return;
    }
    int64_t top = y;
    // Repeats wholly above the target are stepped over.
    if (top + fh <= 0) top += (-top / fh) * fh;
    for (; top < target->GetHeight(); top += fh) BlitAt(target, F, x, top);
}

// The cars that overlap the screen; true when there is one.
bool DrawTrain(Voke::Surface* target, Voke::Surface* F, int64_t x, int64_t y, int64_t W)
{
    const int64_t fw = F->GetWidth();
    bool seen = false;
    for (int j = 0; j < kTrainCars; ++j) {
        const int64_t cx = x + j * fw;
        if ((cx >= 0 && cx < W) || (cx + fw >= 0 && cx + fw < W)) {
            BlitAt(target, F, cx, y);
            seen = true;
        }
    }
    return seen;
}

void DrawLamps(Voke::Surface* target, const DecorationEmitter& e, Voke::Surface* F, int64_t x, int64_t y)
{
    const float angle = kLampSwing * e.flash * SinCycle(e.phase);
    for (int j = 0; j < kLampCount; ++j) Turn(target, F, x + int64_t(j) * e.period, y, kLampPivotX, kLampPivotY, angle);
}

// Drops falling down the screen over the phase, one column per period from
// the copy's x to the right edge.
void DrawDrops(Voke::Surface* target, const DecorationEmitter& e, Voke::Surface* F, int64_t x, int64_t y, int64_t W,
               int64_t H)
{
    const int64_t dropY = y + TruncToPixel(static_cast<float>(H) * e.phase);
    if (e.period <= 0) {
        // Columns without spacing all fall in one place.
        if (x >= 0) BlitAt(target, F, x, dropY);
        return;
    }
    int64_t cx = x;
    if (cx < 0) cx += ((-cx + e.period - 1) / e.period) * e.period;
    for (; cx <= W; cx += e.period) BlitAt(target, F, cx, dropY);
}

void DrawPlane(Voke::Surface* target, const DecorationEmitter& e, Voke::Surface* F, Voke::Surface* green,
               Voke::Surface* red, int64_t x, int64_t y)
{
    BlitAt(target, F, x, y);
    // The navigation lights blink with the climb.
    if (TruncToPixel(e.dy * kNavBlinkRate) % kNavBlinkSteps == 0) {
        Light(target, green, x, y + kGreenLightY, kNavLightSize);
        Light(target, red, x + kRedLightX, y + kRedLightY, kNavLightSize);
    }
}

void DrawWarningLight(Voke::Surface* target, const DecorationEmitter& e, Voke::Surface* red, int64_t x, int64_t y)
{
    if (TruncToPixel(e.phase * kWarningBlinkSteps) != 0 || !red) return;
    if (e.kind == kRedLight3) {
        red->SetOpacity(kBigWarningOpacity);
        Light(target, red, x - 1, y - 1, kBigWarningSize);
        red->SetOpacity(255);
    } else {
        Light(target, red, x, y, kSmallWarningSize);
    }
}

// One bird per row, each a few frames ahead of the flock's frame.
template <size_t N>
void DrawBirds(Voke::Surface* target, const DecorationEmitter& e, const Bird (&birds)[N], int64_t x, int64_t y)
{
    for (const Bird& bird : birds)
        BlitAt(target, e.frames[(e.frame + bird.k) % e.count], x + bird.ox, y + bird.oy);
}

void DrawMixedFlock(Voke::Surface* target, const DecorationEmitter& e, int64_t x, int64_t y)
{
    DrawBirds(target, e, kMixedFlock, x, y);
    // The rest of the flock flies the other way, drifting against the
    // climb.
    const int64_t drift = TruncToPixel(e.dy);
    for (const Bird& bird : kMirroredFlock)
        Turn(target, e.frames[(e.frame + bird.k) % e.count], x + bird.ox - drift, y + bird.oy, 0.0f, 0.0f, 0.0f, 2);
}

}  // namespace

void LevelDecorations::DrawCopy(Voke::Surface* target, DecorationEmitter& e, int64_t x, int64_t y)
{
    const int64_t W = ScreenWidth(), H = ScreenHeight();
    if (x >= 0 && x < W) {
        e.spawnX = static_cast<int32_t>(x);
        e.spawnY = static_cast<int32_t>(y);
        e.visible = true;
    }

    Voke::Surface* F = CurrentFrame(e);
    // A prop whose picture is missing is not drawn at all (nor heard).
    if (!F && NeedsFrame(e.kind)) return;
    // Copies wholly off the screen are not drawn and change no flag.
    if (F && FarOffScreen(e, *F, x, y, W, H)) return;

    switch (e.kind) {
    case kHelicopter:
        m_HeliOn = DrawHelicopter(target, e, F, x, y, W);
        break;
    case kSweepingBeam:
        DrawSweepingBeam(target, e, F, x, y, W);
        break;
    case kStill:
        DrawStill(target, e, F, x, y);
        break;
    case kTrain:
        if (x <= W) m_TrainOn = DrawTrain(target, F, x, y, W);
        break;
    case kLamps:
        DrawLamps(target, e, F, x, y);
        break;
    case kAnimated:
    case kWelder:
    case kNeon:
        BlitAt(target, F, x, y);
        break;
    case kDrops:
        if (x <= W) DrawDrops(target, e, F, x, y, W, H);
        break;
    case kSwinging:
        Turn(target, F, x, y, kCranePivotX, 0.0f, kCraneSwing * SinCycle(e.phase));
        break;
    case kPlane:
        m_PlaneOn = x >= 0 && x <= W;
        DrawPlane(target, e, F, m_Green, m_Red, x, y);
        break;
    case kRedLight3:
    case kRedLight2:
        DrawWarningLight(target, e, m_Red, x, y);
        break;
    case kHangingBeam:
        Turn(target, F, x, y, kHangingPivotX, 0.0f, kPi + kHangingSwing * SinCycle(e.phase));
        break;
    case kSwayingHelicopter:
        Turn(target, F, x, y, kSwayPivotX, kSwayPivotY, kSwayLean + kSwayAmount * SinCycle(e.phase2));
        m_HeliOn = x >= 0 && x < W;
        break;
    case kBirds:
        DrawBirds(target, e, kFlock, x, y);
        break;
    case kMixedBirds:
        DrawMixedFlock(target, e, x, y);
        break;
    default:
        break;
    }
}

void LevelDecorations::Release()
{
    // Only the construction yard has smoke.
    if (m_Level == kLevelConstructionYard) {
        m_SmokeA.Reset();
        m_SmokeB.Reset();
        ResetSprites();
    }
    for (DecorationEmitter& e : m_Emitters) {
        for (int32_t i = 0; i < e.count && i < DecorationEmitter::kMaxFrames; ++i) e.frames[i].Reset();
        e.secondary.Reset();
    }
}

void LevelDecorations::Clear()
{
    m_SmokeA.Reset();
    m_SmokeB.Reset();
    ResetSprites();
}
