#include "game/core/screen_shake.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <utility>

#include "engine/core/rng.h"

namespace {
ShakeParams Params(float duration, float strength)
{
    return ShakeParams{duration, strength, true, true, false, false};
}

// The offset the shake draws from a raw generator value.
float Expected(uint32_t r, float strength) { return strength * 0.001f * (float(r % 2000u) - 1000.0f); }
}  // namespace

TEST(ScreenShakeTest, OffsetsFollowTheRawGeneratorWithinTheStrength)
{
    Voke::RNG rng(42u), reference(42u);
    ScreenShake shake;
    shake.SetRandom(&rng);
    ShakeParams p = Params(1.0f, 5.0f);
    shake.Start(&p);
    for (int i = 0; i < 50; ++i) {
        shake.Update(0.02f);  // longer than the step interval: a new pair every update
        float x = Expected(reference.GetUInt32(), 5.0f);
        float y = Expected(reference.GetUInt32(), 5.0f);
        EXPECT_EQ(shake.GetOffsetX(), static_cast<int>(x));
        EXPECT_EQ(shake.GetOffsetY(), static_cast<int>(y));
        EXPECT_GE(shake.GetOffsetX(), -5);
        EXPECT_LE(shake.GetOffsetX(), 4);
    }
}

TEST(ScreenShakeTest, NewOffsetsOnlyEverySixteenMilliseconds)
{
    Voke::RNG rng(3u), reference(3u);
    ScreenShake shake;
    shake.SetRandom(&rng);
    ShakeParams p = Params(1.0f, 20.0f);
    shake.Start(&p);
    shake.Update(0.001f);
    int x = static_cast<int>(Expected(reference.GetUInt32(), 20.0f));
    reference.GetUInt32();
    for (int i = 0; i < 10; ++i) {
        shake.Update(0.001f);  // 10 ms later: still the first pair
        EXPECT_EQ(shake.GetOffsetX(), x);
    }
}

TEST(ScreenShakeTest, WeakerRequestsAreIgnoredStrongerOnesReplace)
{
    Voke::RNG rng(1u);
    ScreenShake shake;
    shake.SetRandom(&rng);
    ShakeParams strong = Params(0.2f, 20.0f), weak = Params(5.0f, 3.0f);
    shake.Start(&strong);
    shake.Start(&weak);  // ignored: the shake still ends after 0.2 s
    shake.Update(0.25f);
    EXPECT_FALSE(shake.IsRunning());
    shake.Start(&weak);
    shake.Start(&strong);  // replaces, with the new duration
    shake.Update(0.1f);
    EXPECT_TRUE(shake.IsRunning());
    shake.Update(0.15f);
    EXPECT_FALSE(shake.IsRunning());
    shake.Start(nullptr);
    EXPECT_FALSE(shake.IsRunning());
}

TEST(ScreenShakeTest, FadesAlongAQuarterSineAndDisabledAxesStayStill)
{
    Voke::RNG rng(9u), reference(9u);
    ScreenShake shake;
    shake.SetRandom(&rng);
    ShakeParams p = {0.5f, 1000.0f, true, false, true, false};
    shake.Start(&p);
    shake.Update(0.25f);
    float x = Expected(reference.GetUInt32(), 1000.0f) * std::sin(0.25f * 1.570796f / 0.5f);
    EXPECT_EQ(shake.GetOffsetX(), static_cast<int>(x));
    EXPECT_EQ(shake.GetOffsetY(), 0);
}

TEST(ScreenShakeTest, ExtremeRawValuesGiveTheEndsOfTheRange)
{
    // Seeds whose first output is 0 and 1999 modulo 2000.
    uint32_t low = 0, high = 0;
    for (uint32_t seed = 1; (!low || !high) && seed < 200000u; ++seed) {
        const uint32_t r = std::mt19937(seed)() % 2000u;
        if (r == 0 && !low) low = seed;
        if (r == 1999 && !high) high = seed;
    }
    ASSERT_TRUE(low && high);
    for (auto [seed, want] : {std::pair<uint32_t, int>{low, -5}, {high, 4}}) {
        Voke::RNG rng(seed);
        ScreenShake shake;
        shake.SetRandom(&rng);
        ShakeParams p = Params(1.0f, 5.0f);
        shake.Start(&p);
        shake.Update(0.01f);
        EXPECT_EQ(shake.GetOffsetX(), want) << "seed " << seed;
    }
}

TEST(ScreenShakeTest, EndsWhenTheTimeIsUpOrAtOnceWithoutADuration)
{
    Voke::RNG rng(2u);
    ScreenShake shake;
    shake.SetRandom(&rng);
    ShakeParams p = Params(0.1f, 50.0f);
    shake.Start(&p);
    shake.Update(0.05f);
    const int x = shake.GetOffsetX(), y = shake.GetOffsetY();
    ASSERT_TRUE(x != 0 || y != 0);
    shake.Stop();
    EXPECT_EQ(shake.GetOffsetX(), x) << "Stop keeps the offsets until the next update";
    EXPECT_EQ(shake.GetOffsetY(), y);
    shake.Update(0.01f);
    EXPECT_EQ(shake.GetOffsetX(), 0);
    EXPECT_EQ(shake.GetOffsetY(), 0);

    // A frame longer than the time left ends the shake in that step.
    shake.Start(&p);
    shake.Update(0.05f);
    shake.Update(0.2f);
    EXPECT_FALSE(shake.IsRunning());
    EXPECT_EQ(shake.GetOffsetX(), 0);

    // No duration, or a negative or NaN one, with a fade that would divide
    // by it: over at once, offsets 0.
    for (float duration : {0.0f, -1.0f, std::nanf("")}) {
        ShakeParams none = {duration, 50.0f, true, true, true, true};
        shake.Start(&none);
        EXPECT_FALSE(shake.IsRunning()) << duration;
        shake.Update(0.001f);
        EXPECT_FALSE(shake.IsRunning());
        EXPECT_EQ(shake.GetOffsetX(), 0);
        EXPECT_EQ(shake.GetOffsetY(), 0);
    }
    // An absurd strength gives bounded offsets.
    ShakeParams huge = {1.0f, 1e30f, true, true, false, false};
    shake.Start(&huge);
    shake.Update(0.02f);
    EXPECT_TRUE(shake.GetOffsetX() == INT32_MIN || shake.GetOffsetX() == INT32_MAX || shake.GetOffsetX() == 0);
}
