#include "game/core/screen_shake.h"

#include <cmath>

#include "engine/core/rng.h"
#include "game/core/pixel_math.h"

namespace {
// NOTE: a new offset pair at most every 16 ms of frame time, and at most one
// pair per Update however long the frame.
constexpr float kStepInterval = 0.016f;
}  // namespace

ScreenShake::ScreenShake() : m_Random(nullptr) { RestoreDefaults(); }

void ScreenShake::RestoreDefaults()
{
    m_Duration = 0.5f;
    m_Strength = 5.0f;
    m_ShakeX = true;
    m_ShakeY = true;
    m_FadeX = false;
    m_FadeY = false;
    m_Running = false;
    m_Remaining = 0.0f;
    m_OffsetX = 0.0f;
    m_OffsetY = 0.0f;
    m_StepTimer = 0.0f;
}

void ScreenShake::SetRandom(Voke::RNG* random)
{
    m_Random = random;
    RestoreDefaults();
}

void ScreenShake::Start(const ShakeParams* params)
{
    if (!params) return;
    if (m_Running && params->strength < m_Strength) return;
    m_Duration = params->duration;
    m_Strength = params->strength;
    m_ShakeX = params->shakeX;
    m_ShakeY = params->shakeY;
    m_FadeX = params->fadeX;
    m_FadeY = params->fadeY;
    m_StepTimer = 0.0f;
    m_OffsetX = 0.0f;
    m_OffsetY = 0.0f;
    // A request without a positive duration (or with a NaN one) ends the
    // shake at once: there is no time to shake or to fade over.
    m_Running = m_Duration > 0.0f;
    m_Remaining = m_Duration;
}

void ScreenShake::Stop() { m_Running = false; }

float ScreenShake::NextOffset()
{
    // Without a random source the raw value is 0, the most negative offset.
    uint32_t r = m_Random ? m_Random->GetUInt32() : 0u;
    return (m_Strength * 0.001f) * (static_cast<float>(r % 2000u) - 1000.0f);
}

void ScreenShake::Update(float dt)
{
    if (m_Running) {
        m_Remaining -= dt;
        // A NaN frame time ends the shake as well.
        if (!(m_Remaining > 0.0f)) {
            m_Running = false;
        } else {
            m_StepTimer -= dt;
            if (m_StepTimer <= 0.0f) {
                m_StepTimer = kStepInterval;
                m_OffsetX = NextOffset();
                m_OffsetY = NextOffset();
                // Running implies a positive duration to divide by.
                float fade = std::sin(m_Remaining * 1.570796f / m_Duration);
                if (m_FadeX) m_OffsetX *= fade;
                if (m_FadeY) m_OffsetY *= fade;
            }
        }
    }
    if (!m_Running) {
        m_OffsetX = 0.0f;
        m_OffsetY = 0.0f;
    }
    if (!m_ShakeX) m_OffsetX = 0.0f;
    if (!m_ShakeY) m_OffsetY = 0.0f;
}

int ScreenShake::GetOffsetX() const { return TruncToPixel(m_OffsetX); }
int ScreenShake::GetOffsetY() const { return TruncToPixel(m_OffsetY); }
