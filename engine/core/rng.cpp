#include "engine/core/rng.h"

#include <ctime>

namespace Voke {

namespace {
constexpr int kShift = 397;
constexpr uint32_t kMatrix = 0x9908b0dfu;
}  // namespace

RNG::RNG(uint32_t seed) { Seed(seed); }

RNG::RNG() { Seed(static_cast<uint32_t>(std::time(nullptr))); }

void RNG::Seed(uint32_t seed)
{
    m_state[0] = seed;
    for (uint32_t i = 1; i < kStateSize; ++i)
        m_state[i] = 1812433253u * (m_state[i - 1] ^ (m_state[i - 1] >> 30)) + i;
    m_index = 0;
}

uint32_t RNG::GetUInt32()
{
    if (m_index == 0) {
        for (int k = 0; k < kStateSize; ++k) {
            uint32_t y = (m_state[k] & 0x80000000u) | (m_state[(k + 1) % kStateSize] & 0x7fffffffu);
            m_state[k] = m_state[(k + kShift) % kStateSize] ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
        }
    }
    uint32_t y = m_state[m_index];
    if (++m_index == kStateSize) m_index = 0;
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    return y;
}

}  // namespace Voke
