// The generator's filters.
//
// - Biquad: the second-order sections of the audio-EQ cookbook (low-pass,
//   high-pass, band-pass of 0 dB peak, peaking EQ) with fixed coefficients.
// - StateVariableFilter: a trapezoidal (zero-delay) state-variable filter
//   whose cutoff may change on every sample without blowing up, for sweeps
//   and envelope-driven synth filters.
// - OnePole: a first-order low-pass (its complement is the high-pass), cheap
//   enough for air absorption and smoothing of random control signals.
// Cutoffs are clamped to 10 Hz .. 0.45 x the sample rate.
#pragma once

namespace SoundGen {

class Biquad {
public:
    void SetLowPass(double cutoff, double q = 0.7071);
    void SetHighPass(double cutoff, double q = 0.7071);
    void SetBandPass(double centre, double q);
    void SetPeak(double centre, double q, double gainDb);

    float Process(float x);
    void Reset() { m_x1 = m_x2 = m_y1 = m_y2 = 0; }

private:
    void Set(double b0, double b1, double b2, double a0, double a1, double a2);

    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

class StateVariableFilter {
public:
    struct Output {
        double low, band, high;
    };
    // One sample through the filter at `cutoff` Hz with resonance `q`
    // (0.5 .. 20; 0.7071 is flat).
    Output Process(double x, double cutoff, double q);
    void Reset() { m_ic1 = m_ic2 = 0; }

private:
    double m_ic1 = 0, m_ic2 = 0;
};

class OnePole {
public:
    double LowPass(double x, double cutoff);
    double HighPass(double x, double cutoff) { return x - LowPass(x, cutoff); }
    void Reset(double value = 0) { m_y = value; }

private:
    double m_y = 0;
    double m_cutoff = -1;
    double m_a = 1;
};

// Clamps a cutoff into the range every filter here accepts.
double ClampCutoff(double hz);

}  // namespace SoundGen
