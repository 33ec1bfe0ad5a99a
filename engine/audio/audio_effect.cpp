#include "engine/audio/audio_effect.h"

#include <cmath>
#include <cstring>

namespace Voke {

int EffectVolumeShift::Process(uint8_t* buffer, int /*capacity*/, int bytes)
{
    uint32_t shift = GetShift();
    if (shift == 0 || bytes < 2) return bytes;
    // A 16-bit sample shifted by 15 is already 0 or -1; larger shifts would be
    // undefined on the promoted int.
    if (shift > 15) shift = 15;
    const int count = bytes / 2;
    int16_t* samples = reinterpret_cast<int16_t*>(buffer);
    for (int i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(samples[i] >> shift);
    return bytes;
}

float EffectScale::ClampFactor(float factor)
{
    if (std::isnan(factor)) return 1.0f;
    if (factor < kMinFactor) return kMinFactor;
    if (factor > kMaxFactor) return kMaxFactor;
    return factor;
}

EffectScale::EffectScale(const AudioFormat& format, const float* rate)
    : m_format(format), m_factor(ClampFactor(rate ? *rate : 1.0f))
{
}

int EffectScale::GetInputSize(int outputBytes)
{
    SetOutputSize(outputBytes);
    const int shift = FrameShift();
    const float frames = static_cast<float>(m_outputSize >> shift);
    const float needed = std::ceil(m_position + frames * m_factor - 1.0f);
    return needed > 0.0f ? static_cast<int>(needed) << shift : 0;
}

int EffectScale::Process(uint8_t* buffer, int bytes, int /*unused*/)
{
    if (m_factor == 1.0f) return bytes;
    if (bytes < 0) bytes = 0;
    if (m_work.size() != static_cast<size_t>(bytes)) m_work.resize(static_cast<size_t>(bytes));
    if (bytes > 0) std::memcpy(m_work.data(), buffer, static_cast<size_t>(bytes));

    const int shift = FrameShift();
    const uint32_t frames = m_outputSize >> shift;
    if (frames == 0) return static_cast<int>(m_outputSize);

    const size_t frameBytes = size_t(1) << shift;
    const uint32_t inputFrames = static_cast<uint32_t>(bytes) >> shift;
    uint32_t cursor = 0;
    float position = m_position;
    for (uint32_t i = 0; i < frames; ++i) {
        if (position >= 1.0f) {
            const uint32_t k = static_cast<uint32_t>(position);
            // Rounding of the carried position may step one frame past the
            // input; hold the last frame rather than read beyond it.
            if (inputFrames > 0) {
                const uint32_t at = cursor < inputFrames ? cursor : inputFrames - 1;
                std::memcpy(&m_held, m_work.data() + at * frameBytes, frameBytes);
            }
            position -= static_cast<float>(k);
            cursor += k;
        }
        std::memcpy(buffer + i * frameBytes, &m_held, frameBytes);
        position += m_factor;
    }
    m_position = position;
    return static_cast<int>(m_outputSize);
}

}  // namespace Voke
