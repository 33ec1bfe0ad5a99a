// Band-limited oscillators: one phase accumulator, read as sine, sawtooth,
// pulse or triangle. Sawtooth and pulse correct their steps with polynomial
// band-limited steps (polyBLEP), so notes up to a few kHz do not alias into
// audible whistles at 22050 Hz. The frequency is given per sample, so pitch
// bends, vibrato and Doppler shifts need no extra state.
#pragma once

namespace SoundGen {

class Oscillator {
public:
    Oscillator() = default;
    // `phase` in cycles, [0, 1).
    explicit Oscillator(double phase) : m_phase(phase) {}

    double Sine(double frequency);
    double Saw(double frequency);
    // `width` is the high part of the cycle, (0, 1).
    double Pulse(double frequency, double width = 0.5);
    double Triangle(double frequency);

    double Phase() const { return m_phase; }

private:
    // Returns the phase before the step and sets `dt`, the step in cycles.
    double Step(double frequency, double& dt);

    double m_phase = 0;
};

}  // namespace SoundGen
