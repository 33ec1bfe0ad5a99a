// A live plot: samples one value every tenth of a second, keeps the last ten
// seconds, follows the minimum, maximum and average (the bounds ease toward
// new values) and draws itself as a small chart with value labels in the
// debug overlay's font.
//
// Limits: at most kHistory samples are kept; values are drawn within the
// chart's inner area and never converted to pixels outside +-kMaxPixel.
#pragma once

#include <functional>
#include <vector>

#include "engine/core/ref_counter.h"

namespace Voke {

class DebugOverlay;
class Surface;

class DebugPlot : public RefCounter {
public:
    using Sampler = std::function<float()>;

    // NOTE: a sample every tenth of a second over a ten-second window keeps
    // 100 samples.
    static constexpr float kPeriod = 0.1f;
    static constexpr float kWindow = 10.0f;
    static constexpr int kHistory = 100;
    // NOTE: a bound of the range is drawn through a pixel position no farther
    // than this from the chart, whatever the value.
    static constexpr float kMaxPixel = 100000.0f;

    // A value that is shown eased: each step of 0.033 s moves the shown value
    // half way to its target.
    struct SmoothedValue {
        float target;
        float shown;
        float rate = 0.5f;
        float step = 0.033f;
        float timer = 0.0f;

        void Update(float seconds);
    };

    explicit DebugPlot(Sampler sampler);

    // Advances the easing and takes a sample once the period has passed.
    void Update(float seconds);
    // Draws the chart in the rectangle (x, y, w, h) of the surface; the
    // labels through `text` (none when null).
    void Draw(Surface* surface, int x, int y, int w, int h, DebugOverlay* text) const;

    const std::vector<float>& GetSamples() const { return m_samples; }
    const SmoothedValue& GetLow() const { return m_low; }
    const SmoothedValue& GetHigh() const { return m_high; }
    float GetAverage() const { return m_average; }

private:
    float m_sampleTimer = 0.0f;
    Sampler m_sampler;
    std::vector<float> m_samples;  // oldest first
    SmoothedValue m_low;
    SmoothedValue m_high;
    float m_average = 0.0f;
};

}  // namespace Voke
