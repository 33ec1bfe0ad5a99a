// The fireworks over the last level (level index 5).
//
// Every 1.1 seconds a burst of 29 rockets is thrown from one random point in
// the upper third of the screen, with a big flash; each rocket flies under
// gravity, leaves a trail of small fading sparks drawn additively with one
// of five trail images (the burst's kind) and dies after 1.5 seconds or when
// it leaves the screen. Nothing runs on the other levels. The game world
// owns one for the whole run and draws it among the far background layers.
//
// Fixed pools of 160 rockets and 600 sparks, searched for the first free
// slot: a request that finds none is dropped. Load runs on the loader
// thread, everything else on the main thread.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "engine/graphics/surface.h"

class GameBase;

// The argument of Fireworks::SpawnSpark.
struct SparkTemplate {
    Voke::SmartPtr<Voke::Surface> image;
    float life;  // seconds
    float x;
    float y;
    float vx;  // pixels per second, scaled by a random 0 to 0.999
    float vy;
    bool additive;
};

class Fireworks {
public:
    // NOTE: at most two bursts (58 rockets) live at once, well inside 160
    // rocket slots; overlapping bursts may fill the 600 spark slots, and
    // further sparks are then not created until slots free up.
    static constexpr int kRockets = 160;
    static constexpr int kSparks = 600;
    static constexpr int kTrailKinds = 5;
    // The level index on which the show runs.
    static constexpr int kShowLevel = 5;

    Fireworks();
    ~Fireworks();
    Fireworks(const Fireworks&) = delete;
    Fireworks& operator=(const Fireworks&) = delete;

    // The game: random numbers, screen size and shake offsets. Without one
    // the screen counts as 0 x 0 and every random number as 0.
    void SetOwner(GameBase* owner) { m_Owner = owner; }
    // Gets the flash image "firework_big_04.png" and the five trail images,
    // kept loaded for the run; a missing image draws nothing.
    void Load();
    void LoadThunk() { Load(); }
    // Drops the six images and every spark.
    void Release();
    void ReleaseTwin() { Release(); }
    // At every level start: the level index. Stops the show; on the last
    // level every particle is cleared, so the first Update after Start
    // launches a burst.
    void SetMode(int32_t level);
    // Does nothing; called when a level is prepared or restarted.
    void Reset() {}
    // Lets the show run; only on the last level.
    void Start();
    bool IsRunning() const { return m_Running && m_Mode == kShowLevel; }
    // Moves the rockets, launches bursts and moves and retires the sparks,
    // while running.
    void Update(float dt);
    // Step 3 of Update alone: moves and retires the sparks.
    void UpdateSparks(float dt);
    // Draws the live sparks while running.
    void Draw(Voke::Surface* target);

    // Starts a rocket at (x, y) with a random velocity; a negative kind
    // takes a random one. The slot, or -1 when all are in use.
    int32_t LaunchRocket(int32_t x, int32_t y, int32_t kind);
    // Starts a spark from the template; dropped when all slots are in use.
    void SpawnSpark(const SparkTemplate& spark);

    // Live particle counts, for inspection.
    int GetActiveRockets() const;
    int GetActiveSparks() const;

private:
    struct Rocket {
        bool active;
        float age;
        float x;
        float y;
        float vx;
        float vy;
        float trailTimer;
        int32_t kind;
    };
    struct Spark {
        bool active;
        Voke::SmartPtr<Voke::Surface> image;
        float life;
        bool additive;
        float remaining;
        float x;
        float y;
        float vx;
        float vy;
    };

    int32_t Random();
    uint32_t RawRandom();
    void UpdateRockets(float dt);
    void LaunchBurst();
    void DrawSparks(Voke::Surface* target);

    GameBase* m_Owner;
    int32_t m_Mode;
    bool m_Running;
    Rocket m_Rockets[kRockets];
    float m_LaunchTimer;
    Spark m_Sparks[kSparks];
    Voke::SmartPtr<Voke::Surface> m_Flash;
    Voke::SmartPtr<Voke::Surface> m_Trails[kTrailKinds];
};
