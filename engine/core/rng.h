// The engine's pseudo-random source: the Mersenne Twister MT19937 (32-bit),
// giving exactly the reference sequence for a seed.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"

namespace Voke {

class RNG : public RefCounter {
public:
    explicit RNG(uint32_t seed);
    // Seeded from the clock in whole seconds since the epoch.
    RNG();

    // Restarts the sequence of `seed`.
    void Seed(uint32_t seed);
    uint32_t GetUInt32();

private:
    static constexpr int kStateSize = 624;
    uint32_t m_state[kStateSize];
    // Position of the next word to temper; 0 means regenerate first.
    uint32_t m_index = 0;
};

}  // namespace Voke
