// Volume shift and the sample-and-hold rate change.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/audio/audio_effect.h"

namespace Voke {
namespace {

const AudioFormat kStereo{2, 22050};

std::vector<int16_t> Ramp(int frames)
{
    std::vector<int16_t> data(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        data[2 * i] = static_cast<int16_t>(i);
        data[2 * i + 1] = static_cast<int16_t>(-i);
    }
    return data;
}

uint8_t* Bytes(std::vector<int16_t>& v) { return reinterpret_cast<uint8_t*>(v.data()); }

TEST(EffectVolumeShiftTest, ShiftsArithmeticallyAndSaturatesLargeShifts)
{
    std::vector<int16_t> block = {-3, 3, 32767, -32768, 0, -1};
    const std::vector<int16_t> original = block;
    EffectVolumeShift effect(kStereo, 0);
    EXPECT_EQ(effect.Process(Bytes(block), 12, 12), 12);
    EXPECT_EQ(block, original);

    effect.SetShift(1);
    effect.Process(Bytes(block), 12, 12);
    EXPECT_EQ(block, (std::vector<int16_t>{-2, 1, 16383, -16384, 0, -1}));

    for (uint32_t shift : {16u, 40u, 0xFFFFFFFFu}) {
        block = original;
        effect.SetShift(shift);
        effect.Process(Bytes(block), 12, 12);
        EXPECT_EQ(block, (std::vector<int16_t>{-1, 0, 0, -1, 0, -1})) << shift;
    }

    // Blocks too short to hold a sample are left alone.
    block = original;
    effect.SetShift(3);
    EXPECT_EQ(effect.Process(Bytes(block), 1, 1), 1);
    EXPECT_EQ(effect.Process(Bytes(block), 0, 0), 0);
    EXPECT_EQ(block, original);
}

TEST(EffectScaleTest, HalfRateRepeatsEveryFrameTwice)
{
    const float rate = 0.5f;
    EffectScale effect(kStereo, &rate);
    ASSERT_EQ(effect.GetInputSize(4096), 2048);
    std::vector<int16_t> block = Ramp(1024);  // room for the output
    EXPECT_EQ(effect.Process(Bytes(block), 2048, 2048), 4096);
    for (int i = 0; i < 1024; ++i) {
        ASSERT_EQ(block[2 * i], i / 2) << i;
        ASSERT_EQ(block[2 * i + 1], -(i / 2)) << i;
    }
    EXPECT_FLOAT_EQ(effect.GetPosition(), 1.0f);
}

TEST(EffectScaleTest, DoubleRateTakesEverySecondFrameAfterTheFirstStep)
{
    const float rate = 2.0f;
    EffectScale effect(kStereo, &rate);
    ASSERT_EQ(effect.GetInputSize(4096), 8192);
    std::vector<int16_t> block = Ramp(2048);
    EXPECT_EQ(effect.Process(Bytes(block), 8192, 8192), 4096);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[2], 1);
    EXPECT_EQ(block[4], 3);
    EXPECT_EQ(block[2 * 1023], 2045);
    EXPECT_EQ(block[2 * 1023 + 1], -2045);
    EXPECT_FLOAT_EQ(effect.GetPosition(), 2.0f);
}

TEST(EffectScaleTest, BlocksContinueWhereThePreviousEnded)
{
    const float rate = 0.75f;
    EffectScale whole(kStereo, &rate);
    EffectScale split(kStereo, &rate);
    const std::vector<int16_t> input = Ramp(8192);

    std::vector<int16_t> one = input;
    const int needed = whole.GetInputSize(8192);
    whole.Process(Bytes(one), needed, needed);

    std::vector<int16_t> two;
    int offset = 0;
    for (int block = 0; block < 2; ++block) {
        const int bytes = split.GetInputSize(4096);
        std::vector<int16_t> part(input.begin() + offset / 2, input.begin() + offset / 2 + 4096);
        split.Process(Bytes(part), bytes, bytes);
        two.insert(two.end(), part.begin(), part.begin() + 2048);
        offset += bytes;
    }
    EXPECT_EQ(std::vector<int16_t>(one.begin(), one.begin() + 4096), two);
}

TEST(EffectScaleTest, UnusableFactorsNeverAskNegativeOrHugeInput)
{
    const float bad[] = {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 1e30f, 1e-30f};
    for (float rate : bad) {
        EffectScale effect(kStereo, &rate);
        for (int block = 0; block < 3; ++block) {
            const int in = effect.GetInputSize(4096);
            ASSERT_GE(in, 0) << rate;
            ASSERT_LE(in, 4096 * 17) << rate;
            ASSERT_EQ(in % 4, 0);
            std::vector<int16_t> area(static_cast<size_t>(std::max(in, 4096)) / 2, 7);
            EXPECT_EQ(effect.Process(Bytes(area), in, in), 4096);
        }
    }
}

TEST(EffectScaleTest, ShortInputHoldsTheLastFrameInsteadOfReadingPastIt)
{
    const float rate = 2.0f;
    EffectScale effect(kStereo, &rate);
    effect.GetInputSize(4096);
    std::vector<int16_t> area = Ramp(1024);
    // Only 16 frames arrive where 2048 were asked for.
    std::vector<int16_t> input(area.begin(), area.begin() + 32);
    std::vector<int16_t> out(2048, 0);
    std::copy(input.begin(), input.end(), out.begin());
    EXPECT_EQ(effect.Process(Bytes(out), 64, 64), 4096);
    EXPECT_EQ(out[2 * 1023], 15);
}

}  // namespace
}  // namespace Voke
