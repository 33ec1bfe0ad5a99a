#include "game/presentation/thunder_effect.h"

#include "game/core/game_base.h"
#include "game/presentation/sound_bank.h"

namespace {

// NOTE: the bolts jitter to new offsets every 19 ms of frame time.
constexpr float kJitterInterval = 0.019f;
constexpr float kShakeStrength = 20.0f;
constexpr int kThunderSoundA = 15;
constexpr int kThunderSoundB = 16;

}  // namespace

ThunderEffect::ThunderEffect()
    : m_Owner(nullptr), m_SoundBank(nullptr), m_Active(false), m_FlashTime(0.0f), m_JitterTimer(0.0f)
{
    for (ThunderBolt& bolt : m_Bolts) {
        bolt.enabled = false;
        bolt.x = bolt.y = bolt.jitterX = bolt.jitterY = 0;
    }
}

ThunderEffect::~ThunderEffect() = default;

int32_t ThunderEffect::Random() { return m_Owner ? m_Owner->Random() : 0; }

void ThunderEffect::Load()
{
    for (ThunderBolt& bolt : m_Bolts) {
        bolt.enabled = false;
        bolt.x = bolt.y = bolt.jitterX = bolt.jitterY = 0;
    }
    for (int i = 0; i < 3; ++i) {
        m_Bolts[i].enabled = true;
        m_Bolts[i].picture.Create("thunder1.xml");
    }
}

void ThunderEffect::Reset()
{
    m_FlashTime = 0.0f;
    m_Active = false;
}

void ThunderEffect::Start()
{
    if (m_Active) return;
    m_Active = true;
    m_FlashTime = 0.1f + static_cast<float>(Random() % 1000) * 0.0001f;
    m_JitterTimer = 0.0f;
    const int32_t w = m_Owner ? m_Owner->m_ScreenWidth : 0;
    for (ThunderBolt& bolt : m_Bolts) {
        if (!bolt.enabled) continue;
        const int32_t r = Random();
        bolt.x = (w > 0 ? r % w : 0) - 130;
        bolt.y = -(Random() % 50);
    }
    if (m_SoundBank) m_SoundBank->Play(Random() % 2 == 0 ? kThunderSoundA : kThunderSoundB);
    if (m_Owner) {
        const ShakeParams shake = {m_FlashTime, kShakeStrength, true, true, false, false};
        m_Owner->m_Shake.Start(&shake);
    }
}

void ThunderEffect::Update(float dt)
{
    if (m_Active) {
        m_FlashTime -= dt;
        // A NaN frame time ends the flash too.
        if (!(m_FlashTime > 0.0f)) {
            m_Active = false;
            // Whatever shake runs now ends with the flash.
            if (m_Owner) m_Owner->m_Shake.Stop();
        }
    }
    m_JitterTimer -= dt;
    if (!(m_JitterTimer > 0.0f)) {
        m_JitterTimer = kJitterInterval;
        for (ThunderBolt& bolt : m_Bolts) {
            if (!bolt.enabled) continue;
            bolt.jitterX = Random() % 15 - 7;
            bolt.jitterY = Random() % 15 - 7;
        }
    }
}

void ThunderEffect::Draw(Voke::Surface* target)
{
    if (!m_Active || !m_Owner) return;
    for (ThunderBolt& bolt : m_Bolts) {
        if (!bolt.enabled) continue;
        bolt.picture.Draw(target, bolt.x + bolt.jitterX + m_Owner->m_ShakeX, bolt.y + bolt.jitterY + m_Owner->m_ShakeY);
    }
}

void ThunderEffect::Release()
{
    for (ThunderBolt& bolt : m_Bolts) bolt.picture.Release();
}
