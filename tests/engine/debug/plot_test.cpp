// The frame counter and the plot's sampling, smoothing and averaging against
// hand-computed sequences.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "engine/debug/debug_plot.h"
#include "engine/debug/fps_counter.h"

namespace Voke {
namespace {

TEST(FpsCounterTest, PublishesFramesOverElapsedOncePastAQuarterSecond)
{
    FpsCounter counter;
    for (int i = 0; i < 4; ++i) {
        counter.Update(0.0625f);  // 0.25 s after four: not past the period yet
        EXPECT_EQ(counter.GetFps(), 0.0f) << i;
    }
    counter.Update(0.0625f);
    EXPECT_FLOAT_EQ(counter.GetFps(), 5.0f / 0.3125f);
    // Counting starts again: three frames of 0.1 s give 10.
    counter.Update(0.1f);
    counter.Update(0.1f);
    EXPECT_FLOAT_EQ(counter.GetFps(), 16.0f);
    counter.Update(0.1f);
    EXPECT_NEAR(counter.GetFps(), 10.0f, 1e-4f);

    // At 60 frames a second the first figure, 60, comes after about 0.25 s.
    FpsCounter smooth;
    for (int i = 0; i < 14; ++i) smooth.Update(1.0f / 60.0f);
    EXPECT_EQ(smooth.GetFps(), 0.0f);
    for (int i = 0; i < 3; ++i) smooth.Update(1.0f / 60.0f);
    EXPECT_NEAR(smooth.GetFps(), 60.0f, 0.5f);
    for (int i = 0; i < 600; ++i) smooth.Update(1.0f / 60.0f);
    EXPECT_NEAR(smooth.GetFps(), 60.0f, 0.5f);
}

// A sampler that returns the values in order, then the last one for ever.
DebugPlot::Sampler Sequence(std::vector<float> values)
{
    auto next = std::make_shared<size_t>(0);
    return [values, next] { return values[std::min((*next)++, values.size() - 1)]; };
}

TEST(DebugPlotTest, FirstSamplesSetTheBoundsAndTheRunningMean)
{
    DebugPlot plot(Sequence({10.0f, 20.0f, 20.0f}));
    plot.Update(0.05f);
    EXPECT_TRUE(plot.GetSamples().empty()) << "a sample every 0.1 s";
    EXPECT_FLOAT_EQ(plot.GetLow().shown, 3.4028235e38f);
    EXPECT_FLOAT_EQ(plot.GetHigh().shown, -3.4028235e38f);

    plot.Update(0.075f);  // 0.125 s
    ASSERT_EQ(plot.GetSamples(), std::vector<float>{10.0f});
    EXPECT_FLOAT_EQ(plot.GetLow().shown, 10.0f);
    EXPECT_FLOAT_EQ(plot.GetHigh().shown, 10.0f);
    EXPECT_FLOAT_EQ(plot.GetAverage(), 10.0f);

    plot.Update(0.125f);
    EXPECT_FLOAT_EQ(plot.GetHigh().target, 20.0f);
    EXPECT_FLOAT_EQ(plot.GetHigh().shown, 10.0f) << "eases from the next step on";
    EXPECT_FLOAT_EQ(plot.GetLow().target, 10.0f);
    EXPECT_FLOAT_EQ(plot.GetAverage(), 15.0f);

    // 0.125 s holds three steps of 0.033 s: 10 -> 15 -> 17.5 -> 18.75.
    plot.Update(0.125f);
    EXPECT_FLOAT_EQ(plot.GetHigh().shown, 18.75f);
    EXPECT_FLOAT_EQ(plot.GetHigh().target, 20.0f);
    EXPECT_NEAR(plot.GetAverage(), 50.0f / 3.0f, 1e-5f);
}

TEST(DebugPlotTest, AJumpIsHalvedEveryStep)
{
    DebugPlot plot(Sequence({0.0f, 100.0f}));
    plot.Update(0.125f);
    plot.Update(0.125f);
    ASSERT_EQ(plot.GetHigh().target, 100.0f);
    for (float expected : {50.0f, 75.0f, 87.5f}) {
        plot.Update(0.034f);
        EXPECT_FLOAT_EQ(plot.GetHigh().shown, expected);
    }
    EXPECT_FLOAT_EQ(plot.GetLow().shown, 0.0f);
}

TEST(DebugPlotTest, KeepsTenSecondsAndMovesTheAverage)
{
    float next = 0.0f;
    DebugPlot plot([&next] { return next++; });
    for (int i = 0; i < 100; ++i) plot.Update(0.125f);
    ASSERT_EQ(plot.GetSamples().size(), 100u);
    EXPECT_NEAR(plot.GetAverage(), 49.5f, 1e-3f);
    plot.Update(0.125f);  // the 101st sample (100) replaces the first (0)
    ASSERT_EQ(plot.GetSamples().size(), 100u);
    EXPECT_EQ(plot.GetSamples().front(), 1.0f);
    EXPECT_EQ(plot.GetSamples().back(), 100.0f);
    EXPECT_NEAR(plot.GetAverage(), 50.5f, 1e-3f);
}

TEST(DebugPlotTest, AnAverageOutsideTheMiddleOfTheRangeRetargetsTheBounds)
{
    // One spike, then a hundred zeros: once the spike leaves the window the
    // average (0) lies in the bottom 30 % of the shown range 0..1000.
    std::vector<float> values(101, 0.0f);
    values[0] = 1000.0f;
    DebugPlot plot(Sequence(values));
    for (int i = 0; i < 100; ++i) plot.Update(0.125f);
    EXPECT_FLOAT_EQ(plot.GetHigh().shown, 1000.0f);
    EXPECT_NEAR(plot.GetAverage(), 10.0f, 1e-3f);
    plot.Update(0.125f);
    EXPECT_FLOAT_EQ(plot.GetAverage(), 0.0f);
    EXPECT_FLOAT_EQ(plot.GetHigh().target, 0.0f);
    EXPECT_FLOAT_EQ(plot.GetLow().target, 0.0f);
    EXPECT_FLOAT_EQ(plot.GetHigh().shown, 1000.0f) << "the shown bound eases";
    plot.Update(0.04f);
    EXPECT_FLOAT_EQ(plot.GetHigh().shown, 500.0f);
}

TEST(DebugPlotTest, ConstantAndUnusableSamplesKeepFiniteBounds)
{
    DebugPlot constant([] { return 7.0f; });
    for (int i = 0; i < 150; ++i) constant.Update(0.125f);
    EXPECT_EQ(constant.GetLow().shown, 7.0f);
    EXPECT_EQ(constant.GetHigh().shown, 7.0f);
    EXPECT_EQ(constant.GetAverage(), 7.0f);

    DebugPlot broken([] { return std::numeric_limits<float>::quiet_NaN(); });
    for (int i = 0; i < 5; ++i) broken.Update(0.125f);
    EXPECT_EQ(broken.GetSamples(), std::vector<float>(5, 0.0f));
    EXPECT_EQ(broken.GetAverage(), 0.0f);
}

}  // namespace
}  // namespace Voke
