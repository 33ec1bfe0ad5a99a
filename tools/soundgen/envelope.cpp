#include "tools/soundgen/envelope.h"

#include <cmath>

namespace SoundGen {

double Adsr::Held(double t) const
{
    if (t < attack) return t / attack;
    return sustain + (1.0 - sustain) * std::exp(-(t - attack) / (decay > 1e-6 ? decay : 1e-6));
}

double Adsr::At(double t, double gate) const
{
    if (t < 0) return 0;
    if (t < gate) return Held(t);
    if (release <= 0) return 0;
    const double u = (t - gate) / release;
    if (u >= 1) return 0;
    // An exponential fall bent so that it meets 0 exactly at u = 1.
    static const double floorLevel = std::exp(-5.0);
    return Held(gate) * (std::exp(-5.0 * u) - floorLevel) / (1.0 - floorLevel);
}

double Curve::At(double t) const
{
    if (m_points.empty()) return 0;
    if (t <= m_points.front().first) return m_points.front().second;
    for (size_t i = 1; i < m_points.size(); ++i) {
        const auto& a = m_points[i - 1];
        const auto& b = m_points[i];
        if (t <= b.first) {
            const double span = b.first - a.first;
            return span > 0 ? a.second + (b.second - a.second) * (t - a.first) / span : b.second;
        }
    }
    return m_points.back().second;
}

double Strike(double t, double attack, double tau)
{
    if (t < 0) return 0;
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / tau);
}

}  // namespace SoundGen
