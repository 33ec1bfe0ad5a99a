#include "game/presentation/weather_effect.h"

#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/pixel_math.h"

namespace {

// NOTE: drops fall 300 pixels per second along each axis at scale 1.
constexpr float kSpeed = 300.0f;
// NOTE: how far a drop may leave the screen before it respawns, and the
// margin within which it is still drawn.
constexpr int32_t kMargin = 16;

// a mod b for the seeding, 0 when the screen gives no range to draw from.
int32_t Mod(int32_t a, int32_t b) { return b > 0 ? a % b : 0; }

}  // namespace

WeatherEffect::WeatherEffect() : m_Owner(nullptr), m_MarginX(0), m_MarginY(0), m_Active(false), m_Kind(0)
{
    for (WeatherDrop& drop : m_Drops) drop = WeatherDrop{0, 0, 0, 0.0f, 0.0f, 0.0f, 1.0f, false};
}

WeatherEffect::~WeatherEffect() = default;

int32_t WeatherEffect::Random() { return m_Owner ? m_Owner->Random() : 0; }

void WeatherEffect::Load()
{
    m_Images[0] = Voke::GetCachedSurface("deszcz.png", true);
    m_Images[1] = Voke::GetCachedSurface("snieg.png", true);
}

void WeatherEffect::Seed(WeatherDrop& drop)
{
    const int32_t w = m_Owner ? m_Owner->m_ScreenWidth : 0;
    const int32_t h = m_Owner ? m_Owner->m_ScreenHeight : 0;
    // Right of the screen's first two thirds, up to a screen width further,
    // and up to one and a half screen heights above its top.
    drop.startX = Mod(Random(), w) + (2 * w) / 3;
    drop.startY = -Mod(Random(), (3 * h) / 2);
    drop.scale = static_cast<float>(Random() % 32768 + 32768) / 65536.0f;
}

void WeatherEffect::Reset()
{
    m_Kind = 0;
    m_Active = false;
    m_MarginX = kMargin;
    m_MarginY = kMargin;
    for (WeatherDrop& drop : m_Drops) {
        Seed(drop);
        drop.t = 0.0f;
        drop.x = 0.0f;
        drop.y = 0.0f;
        drop.alive = false;
    }
}

void WeatherEffect::Start()
{
    if (m_Active) return;
    m_Active = true;
    for (WeatherDrop& drop : m_Drops) drop.alive = true;
}

void WeatherEffect::Update(float dt)
{
    const float h = m_Owner ? static_cast<float>(m_Owner->m_ScreenHeight) : 0.0f;
    for (WeatherDrop& drop : m_Drops) {
        if (!drop.alive) continue;
        // The position uses the travel before this step.
        const float d = drop.t * drop.scale;
        drop.x = static_cast<float>(drop.startX) - d;
        drop.y = static_cast<float>(drop.startY) + d;
        drop.t += dt * kSpeed;
        // A drop whose position is not a number (a broken frame time) is
        // respawned as well, rather than stuck for ever.
        const bool gone = drop.x < static_cast<float>(-m_MarginX) || drop.y > h + static_cast<float>(m_MarginY);
        if (gone || !(drop.x == drop.x) || !(drop.t == drop.t)) {
            drop.t = 0.0f;
            drop.kind = m_Kind;
            drop.alive = m_Active;
            Seed(drop);
        }
    }
}

void WeatherEffect::Draw(Voke::Surface* target)
{
    if (!target || !m_Owner) return;
    const int32_t w = m_Owner->m_ScreenWidth, h = m_Owner->m_ScreenHeight;
    const int32_t shakeX = m_Owner->m_ShakeX, shakeY = m_Owner->m_ShakeY;
    for (const WeatherDrop& drop : m_Drops) {
        if (!drop.alive) continue;
        if (drop.kind < 0 || drop.kind >= kKinds) continue;
        Voke::Surface* image = m_Images[drop.kind];
        if (!image) continue;
        const int64_t px = int64_t(TruncToPixel(drop.x)) + shakeX;
        const int64_t py = int64_t(TruncToPixel(drop.y)) + shakeY;
        if (px > w || py > h || px + m_MarginX < 0 || py + m_MarginY < 0) continue;
        Voke::Surface::Blit(target, static_cast<int>(px), static_cast<int>(py), image, image->GetClipRect());
    }
}

void WeatherEffect::Release()
{
    for (auto& image : m_Images) image = nullptr;
}
