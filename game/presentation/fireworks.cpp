#include "game/presentation/fireworks.h"

#include <algorithm>

#include "engine/core/rng.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/pixel_math.h"

namespace {

// NOTE: the show's timing and motion, in seconds and pixels per second.
constexpr float kGravity = 60.0f;
constexpr float kTrailInterval = 0.043f;
constexpr float kTrailLife = 0.5f;
constexpr float kTrailSpeed = 0.2f;  // a trail spark's share of its rocket's velocity
constexpr float kRocketLife = 1.5f;
constexpr float kBurstInterval = 1.1f;
constexpr int kRocketsPerBurst = 29;
constexpr float kFlashLife = 0.75f;

const char* const kFlashImage = "firework_big_04.png";
const char* const kTrailImages[Fireworks::kTrailKinds] = {
    "firework_small_02.png", "firework_small_04.png", "firework_small_05.png",
    "firework_small_06.png", "firework_small_07.png",
};

// a mod b, 0 when the screen gives no range to draw from.
int32_t Mod(int32_t a, int32_t b) { return b > 0 ? a % b : 0; }

}  // namespace

Fireworks::Fireworks() : m_Owner(nullptr), m_Mode(0), m_Running(false), m_LaunchTimer(0.0f)
{
    for (Rocket& rocket : m_Rockets) rocket = Rocket{false, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0};
    for (Spark& spark : m_Sparks) {
        spark.active = false;
        spark.life = spark.remaining = 0.0f;
        spark.additive = false;
        spark.x = spark.y = spark.vx = spark.vy = 0.0f;
    }
}

Fireworks::~Fireworks() = default;

int32_t Fireworks::Random() { return m_Owner ? m_Owner->Random() : 0; }

uint32_t Fireworks::RawRandom() { return m_Owner && m_Owner->m_Random ? m_Owner->m_Random->GetUInt32() : 0u; }

void Fireworks::Load()
{
    m_Flash = Voke::GetCachedSurface(kFlashImage, true);
    for (int i = 0; i < kTrailKinds; ++i) m_Trails[i] = Voke::GetCachedSurface(kTrailImages[i], true);
}

void Fireworks::Release()
{
    m_Flash = nullptr;
    for (auto& trail : m_Trails) trail = nullptr;
    // The sparks' own references go too, so that nothing keeps the images
    // alive past the game's unload.
    for (Spark& spark : m_Sparks) {
        spark.active = false;
        spark.image = nullptr;
    }
}

void Fireworks::SetMode(int32_t level)
{
    m_Mode = level;
    m_Running = false;
    if (level != kShowLevel) return;
    for (Rocket& rocket : m_Rockets) rocket.active = false;
    for (Spark& spark : m_Sparks) spark.active = false;
    m_LaunchTimer = 0.0f;
}

void Fireworks::Start()
{
    if (m_Mode == kShowLevel) m_Running = true;
}

int32_t Fireworks::LaunchRocket(int32_t x, int32_t y, int32_t kind)
{
    int32_t slot = 0;
    while (slot < kRockets && m_Rockets[slot].active) ++slot;
    if (slot == kRockets) return -1;
    Rocket& rocket = m_Rockets[slot];
    rocket.active = true;
    rocket.age = 0.0f;
    rocket.trailTimer = 0.0f;
    rocket.x = static_cast<float>(x);
    rocket.y = static_cast<float>(y);
    rocket.vx = 10.0f + static_cast<float>(Random() % 5900) * 0.01f;
    if (Random() % 2 == 1) rocket.vx = -rocket.vx;
    rocket.vy = -(25.0f + static_cast<float>(Random() % 5900) * 0.01f);
    rocket.kind = kind >= 0 ? kind : static_cast<int32_t>(RawRandom() % kTrailKinds);
    return slot;
}

void Fireworks::SpawnSpark(const SparkTemplate& spark)
{
    int slot = 0;
    while (slot < kSparks && m_Sparks[slot].active) ++slot;
    if (slot == kSparks) return;
    Spark& s = m_Sparks[slot];
    s.active = true;
    s.image = spark.image;
    s.life = spark.life;
    s.remaining = spark.life;
    s.x = spark.x;
    s.y = spark.y;
    s.additive = spark.additive;
    s.vx = spark.vx * 0.001f * static_cast<float>(Random() % 1000);
    s.vy = spark.vy * 0.001f * static_cast<float>(Random() % 1000);
}

void Fireworks::UpdateRockets(float dt)
{
    const float w = m_Owner ? static_cast<float>(m_Owner->m_ScreenWidth) : 0.0f;
    for (Rocket& rocket : m_Rockets) {
        if (!rocket.active) continue;
        const float vy = rocket.vy;
        rocket.vy += kGravity * dt;
        rocket.y += vy * dt;
        rocket.x += rocket.vx * dt;

        rocket.trailTimer -= dt;
        if (rocket.trailTimer < 0.0f) {
            rocket.trailTimer = kTrailInterval;
            Voke::Surface* trail = rocket.kind >= 0 && rocket.kind < kTrailKinds ? m_Trails[rocket.kind].Get() : nullptr;
            SpawnSpark(SparkTemplate{trail, kTrailLife, rocket.x, rocket.y, kTrailSpeed * rocket.vx,
                                     kTrailSpeed * rocket.vy, true});
        }

        // Off the top or a side of the screen; a position that is not a
        // number (a broken frame time) counts as off the screen.
        if (!(rocket.y >= 0.0f) || !(rocket.x >= 0.0f) || rocket.x > w) rocket.active = false;
        rocket.age += dt;
        if (!(rocket.age <= kRocketLife)) rocket.active = false;
    }
}

void Fireworks::LaunchBurst()
{
    const int32_t w = m_Owner ? m_Owner->m_ScreenWidth : 0;
    const int32_t h = m_Owner ? m_Owner->m_ScreenHeight : 0;
    // One point between a sixth and a third of the screen height.
    const int32_t x = Mod(Random(), w);
    const int32_t y = h / 6 + Mod(Random(), h / 6);
    const int32_t kind = static_cast<int32_t>(RawRandom() % kTrailKinds);
    for (int i = 0; i < kRocketsPerBurst; ++i) LaunchRocket(x, y, kind);
    SpawnSpark(SparkTemplate{m_Flash, kFlashLife, static_cast<float>(x), static_cast<float>(y), 0.0f, 0.0f, true});
}

void Fireworks::UpdateSparks(float dt)
{
    for (Spark& spark : m_Sparks) {
        if (!spark.active) continue;
        // A NaN time left retires the spark as well.
        if (!(spark.remaining > 0.0f)) {
            spark.active = false;
            continue;
        }
        spark.x += spark.vx * dt;
        spark.y += spark.vy * dt;
        spark.remaining -= dt;
    }
}

void Fireworks::Update(float dt)
{
    if (!IsRunning()) return;
    UpdateRockets(dt);
    m_LaunchTimer -= dt;
    if (m_LaunchTimer < 0.0f) {
        m_LaunchTimer = kBurstInterval;
        LaunchBurst();
    }
    UpdateSparks(dt);
}

void Fireworks::Draw(Voke::Surface* target)
{
    if (!IsRunning()) return;
    DrawSparks(target);
}

void Fireworks::DrawSparks(Voke::Surface* target)
{
    if (!target) return;
    const int64_t w = m_Owner ? m_Owner->m_ScreenWidth : 0;
    const int64_t h = m_Owner ? m_Owner->m_ScreenHeight : 0;
    const int64_t shakeX = m_Owner ? m_Owner->m_ShakeX : 0;
    const int64_t shakeY = m_Owner ? m_Owner->m_ShakeY : 0;
    for (Spark& spark : m_Sparks) {
        if (!spark.active || !(spark.remaining > 0.0f)) continue;
        Voke::Surface* image = spark.image;
        if (!image) continue;
        // Fades out over the spark's life.
        int32_t opacity = 0;
        if (spark.life > 0.0f) opacity = std::clamp(TruncToPixel(spark.remaining * 256.0f / spark.life), 0, 255);
        const int64_t px = TruncToPixel(spark.x) + shakeX;
        const int64_t py = TruncToPixel(spark.y) + shakeY;
        const int64_t iw = image->GetWidth(), ih = image->GetHeight();
        const int64_t r = std::max(iw, ih);
        if (px + r < 0 || px - r >= w || py + r < 0 || py - r >= h) continue;
        image->SetOpacity(static_cast<uint8_t>(opacity));
        const int x = static_cast<int>(px - iw / 2), y = static_cast<int>(py - ih / 2);
        if (spark.additive)
            Voke::Surface::BlitAdditive(target, x, y, image, image->GetClipRect());
        else
            Voke::Surface::Blit(target, x, y, image, image->GetClipRect());
    }
}

int Fireworks::GetActiveRockets() const
{
    return static_cast<int>(std::count_if(std::begin(m_Rockets), std::end(m_Rockets),
                                          [](const Rocket& r) { return r.active; }));
}

int Fireworks::GetActiveSparks() const
{
    return static_cast<int>(std::count_if(std::begin(m_Sparks), std::end(m_Sparks),
                                          [](const Spark& s) { return s.active; }));
}
