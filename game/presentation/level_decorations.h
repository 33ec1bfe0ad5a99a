// The moving props of one level's scenery: helicopters with sweeping
// searchlights, a metro train that shakes the screen and sets the tunnel
// lamps swinging, running water and falling drops, welders throwing sparks,
// smoke plumes, flocks of birds, an aeroplane with blinking lights, red
// warning lights, hanging searchlight beams and blinking neon signs.
//
// The game world holds one object per level index 0 to 5 and updates and
// draws only the current level's. Each object has 16 emitters (one placed
// prop with a behaviour kind, 1 to 19) and a pool of 150 short-lived sprites
// (smoke puffs and sparks some kinds spawn). What each level places is built
// in (Load runs the level's setup). A prop belongs to a parallax layer: it
// scrolls at the camera speed divided by its divisor and repeats every
// period pixels of that layer. Everything is drawn with the game's shake
// offsets added. Coordinates are pixels of the logical screen, times
// seconds, angles radians.
//
// Drawing passes: RenderAnimations(target, far, layer) draws the emitters
// whose divisor is >= 1 (far != 0) or below 1 (far == 0) and whose layer is
// `layer` (any value below -1 selects every layer); RenderSprites(target,
// layer) the live sprites of one layer. Where the world calls them between
// its background layers is the world's (per level).
//
// Limits: fixed storage, no allocation while running; a full sprite pool
// drops new sprites. An image that cannot be loaded stays null and whatever
// needs it is not drawn; nothing is reported. Load runs on the loader
// thread, everything else on the main thread; there is no lock.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"

namespace Voke {
class Surface;
}

class GameBase;
class SoundBank;

// One placed prop. Defaults are those of construction and Load.
struct DecorationEmitter {
    // NOTE: up to 12 animation frames per prop.
    static constexpr int kMaxFrames = 12;

    DecorationEmitter();
    // Every field that has a default back to it; the frames and the
    // secondary image keep their references.
    void SetDefaults();

    int32_t kind;  // 0: empty slot
    int32_t x;
    int32_t y;
    // The layer scrolls at camera / divisor; >= 1 puts the prop into the
    // far pass, below 1 into the near pass.
    float divisor;
    // Repeat distance in layer pixels; also the spacing of lamps and drop
    // columns.
    int32_t period;
    int32_t layer;
    // The layer's scroll, recomputed at the end of every Update.
    int32_t layerX;
    int32_t layerY;
    // Motion offsets added to the position.
    float dx;
    float dy;
    // Sweeping beam only: 1 speed falling, 2 speed rising.
    int32_t state;
    // Phase advance per second.
    float speed;
    Voke::SmartPtr<Voke::Surface> frames[kMaxFrames];
    int32_t count;  // frames used, 0 to 12
    float phase;    // 0 to 1
    int32_t frame;  // from phase
    // Helicopter only: the searchlight beam.
    Voke::SmartPtr<Voke::Surface> secondary;
    float phase2;
    // Still image only: repeated down to the bottom of the target.
    bool tileDown;
    // Swing amplitude factor: 1 while the train is seen, then fading.
    float flash;
    // Set when a drawn copy lay on the screen; cleared by every Update.
    bool visible;
    // Screen position of the last copy on the screen: where sprites spawn.
    int32_t spawnX;
    int32_t spawnY;
    // Seconds to the next sprite.
    float timer;
    // The phase the level's setup gave; Reset returns to it.
    float startPhase;
};

// What AddSprite is asked to spawn.
struct DecorationSpriteParams {
    Voke::SmartPtr<Voke::Surface> image;  // may be null
    float life = 1.0f;                    // seconds
    float x = 0.0f;
    float y = 0.0f;
    float vx = 1.0f;  // velocity scales
    float vy = 1.0f;
    int32_t layer = 0;
    bool square = false;  // a filled square instead of the image
    uint8_t colour[4] = {255, 255, 255, 255};
    int32_t size = 2;  // the square's side
    bool noFade = false;
};

struct DecorationSprite {
    bool used = false;
    DecorationSpriteParams params;
    float life = 0.0f;  // remaining
    float x = 0.0f;
    float y = 0.0f;
    float vx = 0.0f;
    float vy = 0.0f;
};

class LevelDecorations {
public:
    // NOTE: 16 props per level and a pool of 150 sprites.
    static constexpr int kEmitters = 16;
    static constexpr int kSprites = 150;
    // RenderAnimations' passes (far: divisor >= 1, near: below 1) and its
    // layer that selects every layer.
    static constexpr int32_t kNearPass = 0;
    static constexpr int32_t kFarPass = 1;
    static constexpr int32_t kEveryLayer = -2;

    LevelDecorations();
    ~LevelDecorations();
    LevelDecorations(const LevelDecorations&) = delete;
    LevelDecorations& operator=(const LevelDecorations&) = delete;

    // The game: screen size, shake offsets and the screen shake, random
    // numbers and the resolution table. Not owned. Without one nothing
    // shakes, every random number is 0 and the screen is 480 x 320.
    void SetOwner(GameBase* owner) { m_Owner = owner; }
    // The sound bank for the helicopter (7), train (8) and aeroplane (9)
    // sounds; null for silence.
    void SetContext(SoundBank* soundBank) { m_SoundBank = soundBank; }
    // Resets the emitters and runs the setup of level index 0 to 5 (none for
    // another index), then gets the green and red light images. Images that
    // cannot be loaded stay null.
    void Load(int32_t levelIndex);
    // At every level start and retry: clears the run state (scroll, flags,
    // motion, phases, timers, every sprite); the props stay.
    void Reset();
    void SetScroll(float x, float y);
    // The runner is dying: the flyers now leave by time.
    void SetEventFlag() { m_EventFlag = true; }
    void Update(float dt);
    void RenderAnimations(Voke::Surface* target, int32_t far, int32_t layer);
    void RenderSprites(Voke::Surface* target, int32_t layer) { DrawSprites(target, layer); }
    void DrawSprites(Voke::Surface* target, int32_t layer);
    // Puts a sprite into the first free slot; a null request or a full pool
    // does nothing.
    void AddSprite(const DecorationSpriteParams* params);
    // Drops the level's images (the light images stay until destruction);
    // the object must be loaded again before it is drawn.
    void Release();
    // Drops the smoke images and frees every sprite.
    void Clear();
    // Recomputes every emitter's layer scroll from the stored scroll.
    void RefreshLayerOffsets();

    // For tests and tools.
    const DecorationEmitter& GetEmitter(int i) const { return m_Emitters[i]; }
    DecorationEmitter& GetEmitter(int i) { return m_Emitters[i]; }
    const DecorationSprite& GetSprite(int i) const { return m_Sprites[i]; }
    int32_t GetLiveSpriteCount() const;
    int32_t GetLevel() const { return m_Level; }
    bool GetEventFlag() const { return m_EventFlag; }
    Voke::Surface* GetSmokeA() const { return m_SmokeA; }
    Voke::Surface* GetSmokeB() const { return m_SmokeB; }

private:
    struct EmitterSetup;

    void LoadLevel1();
    void LoadLevel2();
    void LoadLevel3();
    void LoadLevel4();
    void LoadLevel5();
    void LoadLevel6();
    void LoadSmoke();
    void SetupEmitters(const EmitterSetup* rows, int count);
    void ResetSprites();

    void UpdateEmitter(DecorationEmitter& e, float dt);
    void Spawn(DecorationEmitter& e);
    void DrawCopy(Voke::Surface* target, DecorationEmitter& e, int64_t x, int64_t y);
    int32_t Random();
    int32_t ScreenWidth() const;
    int32_t ScreenHeight() const;

    GameBase* m_Owner;
    int32_t m_Level;
    bool m_EventFlag;
    DecorationEmitter m_Emitters[kEmitters];
    float m_ScrollX;
    float m_ScrollY;
    // Set while drawing when a train car, helicopter or aeroplane is seen;
    // Update turns their rising edges into sounds and the train's shake.
    bool m_TrainOn;
    bool m_TrainPrev;
    bool m_HeliOn;
    bool m_HeliPrev;
    bool m_PlaneOn;
    bool m_PlanePrev;
    SoundBank* m_SoundBank;
    DecorationSprite m_Sprites[kSprites];
    Voke::SmartPtr<Voke::Surface> m_SmokeA;
    Voke::SmartPtr<Voke::Surface> m_SmokeB;
    Voke::SmartPtr<Voke::Surface> m_Green;
    Voke::SmartPtr<Voke::Surface> m_Red;
};
