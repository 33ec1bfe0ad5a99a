#include "tools/soundgen/oscillator.h"

#include <cmath>

#include "tools/soundgen/signal.h"

namespace SoundGen {

namespace {

// The residual of a band-limited unit step at phase t, for a step of dt
// cycles per sample.
double PolyBlep(double t, double dt)
{
    if (dt <= 0) return 0;
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0;
}

}  // namespace

double Oscillator::Step(double frequency, double& dt)
{
    dt = std::fabs(frequency) / kRate;
    if (dt > 0.5) dt = 0.5;  // above Nyquist nothing meaningful remains
    const double phase = m_phase;
    m_phase += dt;
    m_phase -= std::floor(m_phase);
    return phase;
}

double Oscillator::Sine(double frequency)
{
    double dt;
    return std::sin(2.0 * kPi * Step(frequency, dt));
}

double Oscillator::Saw(double frequency)
{
    double dt;
    const double t = Step(frequency, dt);
    return 2.0 * t - 1.0 - PolyBlep(t, dt);
}

double Oscillator::Pulse(double frequency, double width)
{
    double dt;
    const double t = Step(frequency, dt);
    double value = t < width ? 1.0 : -1.0;
    value += PolyBlep(t, dt);
    double falling = t - width;
    falling -= std::floor(falling);
    value -= PolyBlep(falling, dt);
    // Centred, so that narrow pulses carry no offset.
    return value - (2.0 * width - 1.0);
}

double Oscillator::Triangle(double frequency)
{
    double dt;
    const double t = Step(frequency, dt);
    return 1.0 - 4.0 * std::fabs(t - 0.5);
}

}  // namespace SoundGen
