// The seed of a randomised test. VOKE_TEST_SEED, when set, gives it, so that
// a failure seen once (on another machine too) is replayed with the same
// random choices; otherwise a test that draws a fresh seed each run gets one
// from std::random_device, and a test with a fixed default keeps it. The
// seed goes into every failure message through SCOPED_TRACE(SeedNote(seed)),
// which covers the assertions of the thread that declares it, helpers it
// calls included, until the end of its scope.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

namespace VokeTest {

constexpr const char* kSeedVariable = "VOKE_TEST_SEED";

// A decimal number from 0 to 4294967295, digits only; nothing for anything
// else (a sign, spaces, other characters, a value out of range).
inline std::optional<uint32_t> ParseSeed(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + uint64_t(c - '0');
        if (value > UINT32_MAX) return std::nullopt;
    }
    return uint32_t(value);
}

// The seed in VOKE_TEST_SEED; nothing when it is unset or empty. A value
// that is no seed fails the current test, saying so, and gives nothing.
inline std::optional<uint32_t> EnvironmentSeed()
{
    const char* text = std::getenv(kSeedVariable);
    if (!text || !*text) return std::nullopt;
    const std::optional<uint32_t> seed = ParseSeed(text);
    if (!seed)
        ADD_FAILURE() << kSeedVariable << "=\"" << text << "\" is no seed: give a decimal number from 0 to "
                      << UINT32_MAX;
    return seed;
}

// The environment's seed, or a fresh one.
inline uint32_t TestSeed()
{
    if (const std::optional<uint32_t> seed = EnvironmentSeed()) return *seed;
    return std::random_device{}();
}

// The environment's seed, or `fixed`: for tests whose usual inputs are
// fixed and whose expectations hold for any seed.
inline uint32_t TestSeed(uint32_t fixed) { return EnvironmentSeed().value_or(fixed); }

// The trace line of a failure: the seed and how to run the test again with it.
inline std::string SeedNote(uint32_t seed)
{
    std::string note = "seed " + std::to_string(seed) + "; rerun with " + kSeedVariable + "=" + std::to_string(seed);
    if (const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info())
        note += std::string(" ctest -R '^") + test->test_suite_name() + "\\." + test->name() + "$'";
    return note;
}

}  // namespace VokeTest
