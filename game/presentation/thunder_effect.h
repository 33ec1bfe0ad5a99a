// A lightning strike: for a random 0.1 to 0.2 seconds up to five bolt
// pictures at random places near the top of the screen, jittering by a few
// pixels, one of two thunder sounds and a hard screen shake lasting exactly
// as long as the flash.
//
// The game world owns one, starts it from its weather script on the first
// level and draws it behind the nearer background layers, so the bolts
// appear in the distant sky. Load runs on the loader thread, everything else
// on the main thread.
#pragma once

#include <cstdint>

#include "game/presentation/tiled_picture.h"

namespace Voke {
class Surface;
}

class GameBase;
class SoundBank;

struct ThunderBolt {
    bool enabled;
    TiledPicture picture;
    int32_t x;
    int32_t y;
    int32_t jitterX;  // -7 to 7
    int32_t jitterY;
};

class ThunderEffect {
public:
    // NOTE: five bolt slots; Load enables the first three.
    static constexpr int kBolts = 5;

    ThunderEffect();
    ~ThunderEffect();
    ThunderEffect(const ThunderEffect&) = delete;
    ThunderEffect& operator=(const ThunderEffect&) = delete;

    // The game: screen width, shake offsets, the screen shake and random
    // numbers. Without one a flash neither shakes nor draws, and every
    // random number is 0.
    void SetOwner(GameBase* owner) { m_Owner = owner; }
    // The bank of the thunder sounds (ids 15 and 16), or null for silence.
    void SetSoundBank(SoundBank* soundBank) { m_SoundBank = soundBank; }
    // Enables bolts 0 to 2, each picture created from "thunder1.xml"; a
    // missing description leaves the bolts empty.
    void Load();
    // At level start: no flash.
    void Reset();
    // Starts a flash; ignored while one is showing.
    void Start();
    bool IsActive() const { return m_Active; }
    void Update(float dt);
    // Draws the enabled bolts while a flash shows.
    void Draw(Voke::Surface* target);
    void Release();
    // Called by the game world when it prepares and starts a level.
    void NoOp() {}

    const ThunderBolt& GetBolt(int i) const { return m_Bolts[i]; }
    float GetFlashTime() const { return m_FlashTime; }

private:
    int32_t Random();

    GameBase* m_Owner;
    SoundBank* m_SoundBank;
    bool m_Active;
    float m_FlashTime;
    float m_JitterTimer;
    ThunderBolt m_Bolts[kBolts];
};
