// The generator's only source of randomness: a seeded xorshift64* sequence,
// so that every run of the generator writes the same bytes.
#pragma once

#include <cstdint>

namespace SoundGen {

class Random {
public:
    // Any seed works, 0 included (it is mixed first).
    explicit Random(uint64_t seed) : m_state(Mix(seed)) {}

    uint64_t Next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1DULL;
    }
    // Uniform in [0, 1).
    double Unit() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
    // Uniform in [-1, 1).
    double Bipolar() { return 2.0 * Unit() - 1.0; }
    double Range(double low, double high) { return low + (high - low) * Unit(); }

    // A well-spread, never-zero state from any 64-bit value (splitmix64).
    static uint64_t Mix(uint64_t value)
    {
        value += 0x9E3779B97F4A7C15ULL;
        value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
        value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
        value ^= value >> 31;
        return value ? value : 1;
    }

private:
    uint64_t m_state;
};

}  // namespace SoundGen
