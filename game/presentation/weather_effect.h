// Rain over the running level: a fixed pool of 500 drops falling down and to
// the left at 45 degrees, each at its own speed, respawning above and to the
// right of the screen when it leaves it.
//
// Stopping the weather does not clear the drops: each drop that leaves the
// screen respawns dead, so the rain thins out. Starting it again revives
// every drop where it is. The game world owns one effect for all levels and
// drives it on the first level; the snow image is loaded but the game only
// ever selects rain. Load runs on the loader thread, everything else on the
// main thread.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"

namespace Voke {
class Surface;
}

class GameBase;

struct WeatherDrop {
    int32_t kind;  // image index: 0 rain, 1 snow
    int32_t startX;
    int32_t startY;
    float x;
    float y;
    float t;      // distance travelled along each axis before scaling
    float scale;  // speed factor, 0.5 to just under 1.0
    bool alive;
};

class WeatherEffect {
public:
    // NOTE: a fixed pool of drops; no allocation while it rains.
    static constexpr int kDrops = 500;
    static constexpr int kKinds = 2;

    WeatherEffect();
    ~WeatherEffect();
    WeatherEffect(const WeatherEffect&) = delete;
    WeatherEffect& operator=(const WeatherEffect&) = delete;

    // The game: screen size, shake offsets and random numbers. Without one
    // the screen counts as 0 x 0 and every random number as 0.
    void SetOwner(GameBase* owner) { m_Owner = owner; }
    // Gets "deszcz.png" (rain) and "snieg.png" (snow), kept loaded for the
    // run, through the asset dictionary; a missing image
    // leaves its drops undrawn.
    void Load();
    // At level start: rain, inactive, margins 16, every drop reseeded dead.
    void Reset();
    // Revives every drop at once; nothing while already active.
    void Start();
    // Drops die as they leave the screen.
    void Stop() { m_Active = false; }
    bool IsActive() const { return m_Active; }
    // The image of drops that respawn from now on (0 rain, 1 snow; other
    // values draw nothing).
    void SetKind(int kind) { m_Kind = kind; }
    void Update(float dt);
    void Draw(Voke::Surface* target);
    void Release();
    // Called by the game world when it prepares and starts a level.
    void NoOp() {}

    // The pool, for inspection.
    const WeatherDrop& GetDrop(int i) const { return m_Drops[i]; }
    WeatherDrop& GetDrop(int i) { return m_Drops[i]; }

private:
    int32_t Random();
    void Seed(WeatherDrop& drop);

    GameBase* m_Owner;
    Voke::SmartPtr<Voke::Surface> m_Images[kKinds];
    int32_t m_MarginX;
    int32_t m_MarginY;
    WeatherDrop m_Drops[kDrops];
    bool m_Active;
    int32_t m_Kind;
};
