#include "tools/soundgen/filters.h"

#include <cmath>

#include "tools/soundgen/signal.h"

namespace SoundGen {

double ClampCutoff(double hz)
{
    const double top = 0.45 * kRate;
    return hz < 10 ? 10 : (hz > top ? top : hz);
}

void Biquad::Set(double b0, double b1, double b2, double a0, double a1, double a2)
{
    m_b0 = b0 / a0;
    m_b1 = b1 / a0;
    m_b2 = b2 / a0;
    m_a1 = a1 / a0;
    m_a2 = a2 / a0;
}

void Biquad::SetLowPass(double cutoff, double q)
{
    const double w = 2 * kPi * ClampCutoff(cutoff) / kRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    Set((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::SetHighPass(double cutoff, double q)
{
    const double w = 2 * kPi * ClampCutoff(cutoff) / kRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    Set((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::SetBandPass(double centre, double q)
{
    const double w = 2 * kPi * ClampCutoff(centre) / kRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    Set(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::SetPeak(double centre, double q, double gainDb)
{
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = 2 * kPi * ClampCutoff(centre) / kRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    Set(1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a);
}

float Biquad::Process(float x)
{
    const double y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
    m_x2 = m_x1;
    m_x1 = x;
    m_y2 = m_y1;
    m_y1 = y;
    return static_cast<float>(y);
}

StateVariableFilter::Output StateVariableFilter::Process(double x, double cutoff, double q)
{
    const double g = std::tan(kPi * ClampCutoff(cutoff) / kRate);
    const double k = 1.0 / (q < 0.5 ? 0.5 : (q > 20 ? 20 : q));
    const double a1 = 1.0 / (1.0 + g * (g + k)), a2 = g * a1, a3 = g * a2;
    const double v3 = x - m_ic2;
    const double v1 = a1 * m_ic1 + a2 * v3;
    const double v2 = m_ic2 + a2 * m_ic1 + a3 * v3;
    m_ic1 = 2 * v1 - m_ic1;
    m_ic2 = 2 * v2 - m_ic2;
    return Output{v2, v1, x - k * v1 - v2};
}

double OnePole::LowPass(double x, double cutoff)
{
    if (cutoff != m_cutoff) {
        m_cutoff = cutoff;
        m_a = 1.0 - std::exp(-2.0 * kPi * ClampCutoff(cutoff) / kRate);
    }
    m_y += m_a * (x - m_y);
    return m_y;
}

}  // namespace SoundGen
