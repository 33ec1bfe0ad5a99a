#include "engine/debug/debug_plot.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "engine/debug/debug_overlay.h"
#include "engine/graphics/surface.h"

namespace Voke {

namespace {

const Color kWhite = MakeColor(255, 255, 255);
const Color kLowColor = MakeColor(64, 64, 255);
const Color kHighColor = MakeColor(255, 64, 64);
const Color kAverageColor = MakeColor(64, 255, 64);

// Lines run through pixel centres, so a line at row y lights row y.
void Line(Surface* surface, float x1, float y1, float x2, float y2, const Color& color)
{
    float ax = x1 + 0.5f, ay = y1 + 0.5f, bx = x2 + 0.5f, by = y2 + 0.5f;
    Surface::DrawLine(surface, ax, ay, bx, by, &color);
}

// A float as an int for a label, saturated instead of overflowing.
int ClampToInt(double value)
{
    if (!(value == value)) return 0;  // NaN
    if (value >= 2147483647.0) return 2147483647;
    if (value <= -2147483648.0) return -2147483647 - 1;
    return int(value);
}

void Label(DebugOverlay* text, Surface* surface, int x, int y, int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%i", value);
    text->DrawText(surface, x, y, buffer);
}

}  // namespace

void DebugPlot::SmoothedValue::Update(float seconds)
{
    timer += seconds;
    while (timer > step) {
        if (target == shown) {
            timer = 0.0f;
            break;
        }
        shown += (target - shown) * rate;
        timer -= step;
    }
}

DebugPlot::DebugPlot(Sampler sampler) : m_sampler(std::move(sampler))
{
    m_low.target = m_low.shown = FLT_MAX;
    m_high.target = m_high.shown = -FLT_MAX;
}

void DebugPlot::Update(float seconds)
{
    m_sampleTimer += seconds;
    m_low.Update(seconds);
    m_high.Update(seconds);
    if (m_sampleTimer <= kPeriod) return;

    float v = m_sampler ? m_sampler() : 0.0f;
    if (!std::isfinite(v)) v = 0.0f;
    m_samples.push_back(v);
    m_sampleTimer = 0.0f;

    m_low.target = std::min(v, m_low.shown);
    m_high.target = std::max(v, m_high.shown);
    if (m_low.shown == FLT_MAX) m_low.shown = m_low.target;
    if (m_high.shown == -FLT_MAX) m_high.shown = m_high.target;

    const std::size_t count = m_samples.size();
    const float n = float(kHistory);
    if (count > std::size_t(kHistory)) {
        // A moving average over the last n samples.
        m_average = (v - m_samples[count - 1 - kHistory] + n * m_average) / n;
        m_samples.erase(m_samples.begin(), m_samples.end() - kHistory);
        // The average has wandered into the outer 30 % of the shown range:
        // the bounds no longer fit the recent samples, so they are retargeted.
        float r = (m_high.shown - m_low.shown) * 0.3f;
        if (m_low.shown + r > m_average || m_high.shown - r < m_average) {
            auto range = std::minmax_element(m_samples.begin(), m_samples.end());
            m_low.target = *range.first;
            m_high.target = *range.second;
        }
        double sum = 0.0;
        for (float s : m_samples) sum += s;
        m_average = float(sum / double(m_samples.size()));
    } else {
        m_average = (v + float(count - 1) * m_average) / float(count);
    }
}

void DebugPlot::Draw(Surface* surface, int x, int y, int w, int h, DebugOverlay* text) const
{
    const float left = float(x), top = float(y), right = float(x + w), bottom = float(y + h);
    Line(surface, right - 5, bottom - 5, right - 5, top + 5, kWhite);
    Line(surface, left + 5, bottom - 5, right - 5, bottom - 5, kWhite);
    Line(surface, right - 6, top + 6, right - 3, top + 6, kWhite);

    const int innerLeft = x + 10, innerRight = x + w - 10, innerTop = y + 10, innerBottom = y + h - 10;
    Line(surface, float(innerLeft), float(innerBottom), float(innerRight), float(innerBottom), kLowColor);
    Line(surface, float(innerLeft), float(innerTop), float(innerRight), float(innerTop), kHighColor);

    const float range = m_high.shown - m_low.shown;
    const float scale = range != 0.0f && std::isfinite(range) ? float(h - 20) / range : 0.0f;
    auto toY = [&](float v) {
        float offset = std::clamp((v - m_low.shown) * scale, -kMaxPixel, kMaxPixel);
        if (!std::isfinite(offset)) offset = 0.0f;
        return innerBottom - int(offset);
    };

    const bool hasSamples = !m_samples.empty();
    const bool hasLine = m_samples.size() >= 2;
    int averageY = innerBottom;
    if (hasLine) {
        averageY = toY(m_average);
        Line(surface, float(innerLeft), float(averageY), float(innerRight), float(averageY), kAverageColor);

        const float step = float(w - 20) * kPeriod / kWindow;
        float px = float(innerRight);
        int py = toY(m_samples.back());
        for (std::size_t i = m_samples.size() - 1; i > 0; --i) {
            float qx = px - step;
            if (qx < float(innerLeft)) break;
            int qy = toY(m_samples[i - 1]);
            if (py >= innerTop && qy >= innerTop) Line(surface, px, float(py), qx, float(qy), kWhite);
            px = qx;
            py = qy;
        }
    }

    if (!text) return;
    // The bounds exist only once a sample has been taken.
    if (hasSamples) {
        int low = ClampToInt(m_low.shown);
        if (m_low.shown < 0.0f) low -= low > -2147483647 - 1 ? 1 : 0;
        Label(text, surface, x + 12, y + h - 13, low);
        Label(text, surface, x + 12, y + 7, ClampToInt(std::ceil(double(m_high.shown))));
    }
    if (hasLine) Label(text, surface, x + 12, averageY - 3, ClampToInt(double(m_average) + 0.5));
    Label(text, surface, x + 3 + (w - 20) / 2, y + h - 8, int(kWindow / 2));
    Label(text, surface, x + w - 8, y + h - 8, 0);
}

}  // namespace Voke
