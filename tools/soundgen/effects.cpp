// The runner's and the obstacles' effects, and the caption jingle.
#include <cmath>

#include "tools/soundgen/envelope.h"
#include "tools/soundgen/filters.h"
#include "tools/soundgen/oscillator.h"
#include "tools/soundgen/random.h"
#include "tools/soundgen/recipes.h"
#include "tools/soundgen/reverb.h"
#include "tools/soundgen/tune.h"

namespace SoundGen {

namespace {

// NOTE: effects peak at -3 dBFS: loud enough over the music (which peaks at
// -6 dBFS) and still short of clipping when the mixer adds them up.
const double kEffectPeak = -3.0;

struct StepShape {
    uint64_t seed;
    double thump;    // Hz the heel's thud settles at
    double grit;     // centre of the sole's scrape, Hz
    double toe;      // seconds from heel to toe
    double toeGrit;  // centre of the toe's scrape, Hz
};

// A shoe on a flat roof: a low heel thud, the scrape of the sole, and the
// toe rolling off a few tens of milliseconds later, with a little gravel.
Sound Footstep(const StepShape& shape)
{
    const int frames = FramesOf(0.19);
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(shape.seed);
    Oscillator heel;
    Biquad gritBand, toeBand, gravelHigh;
    gritBand.SetBandPass(shape.grit, 0.9);
    toeBand.SetBandPass(shape.toeGrit, 1.1);
    gravelHigh.SetHighPass(3200);
    // A few grains of gravel crunching under the sole, mostly early.
    double grainAt[10], grainLevel[10];
    for (int g = 0; g < 10; ++g) {
        const double u = noise.Unit();
        grainAt[g] = 0.004 + 0.09 * u * u;
        grainLevel[g] = noise.Range(0.15, 0.45);
    }
    OnePole air;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        const double th = t - 0.003;
        const double thud = heel.Sine(shape.thump + 90 * std::exp(-std::max(th, 0.0) / 0.012)) * Strike(th, 0.002, 0.032);
        const double scrape = gritBand.Process(n) * Strike(th, 0.001, 0.02);
        const double toe = toeBand.Process(n) * Strike(t - shape.toe, 0.002, 0.016);
        double gravel = 0;
        const float grain = gravelHigh.Process(n);
        for (int g = 0; g < 10; ++g) gravel += grainLevel[g] * Strike(t - grainAt[g], 0.0003, 0.0015);
        const double s = 0.9 * thud + 1.1 * scrape + 0.7 * toe + gravel * grain;
        out[static_cast<size_t>(i)] = static_cast<float>(air.LowPass(s, 7000));
    }
    Sound sound = Sound::Mono(std::move(out));
    NormalisePeak(sound, kEffectPeak);
    FadeOut(sound, 0.03);
    return sound;
}

}  // namespace

Sound FootstepA() { return Footstep(StepShape{0x5EED0001, 72, 1700, 0.045, 2300}); }

Sound FootstepB() { return Footstep(StepShape{0x5EED0002, 66, 1450, 0.052, 2050}); }

Sound Jump()
{
    // The push off the roof, the whoosh of the body going up and a small
    // rising blip that makes it read as a game's jump.
    const int frames = FramesOf(0.25);
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED0003);
    Biquad push;
    push.SetBandPass(900, 1.0);
    StateVariableFilter whoosh;
    Oscillator blip;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        const double pushed = push.Process(n) * Strike(t, 0.001, 0.02);
        const double centre = 500 * std::pow(2200.0 / 500.0, std::min(t / 0.2, 1.0));
        const double rise = t < 0.07 ? std::pow(t / 0.07, 1.5) : std::exp(-(t - 0.07) / 0.05);
        const double air = whoosh.Process(n, centre, 1.2).band * rise;
        const double pitch = 260 * std::pow(2.0, std::min(t / 0.12, 1.0));
        const double tone = blip.Triangle(pitch) * Strike(t - 0.01, 0.006, 0.05);
        out[static_cast<size_t>(i)] = static_cast<float>(0.8 * pushed + 1.0 * air + 0.35 * tone);
    }
    Sound sound = Sound::Mono(std::move(out));
    NormalisePeak(sound, kEffectPeak);
    FadeOut(sound, 0.04);
    return sound;
}

Sound Slide()
{
    // Trousers and shoes skidding over tar: band-limited friction noise that
    // falls in pitch as the slide slows, shaken by an uneven surface, with
    // grit ticking under it.
    const double seconds = 0.55;
    const int frames = FramesOf(seconds);
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED0006);
    StateVariableFilter friction;
    Biquad rumble, gritHigh;
    rumble.SetLowPass(260, 0.8);
    gritHigh.SetHighPass(2500);
    OnePole wobble;
    double grainAt[40], grainLevel[40];
    for (int g = 0; g < 40; ++g) {
        grainAt[g] = noise.Range(0.01, seconds - 0.1);
        grainLevel[g] = noise.Range(0.1, 0.5);
    }
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        const double centre = 1400 * std::pow(600.0 / 1400.0, t / seconds);
        const double rough = 1.0 + 2.5 * wobble.LowPass(noise.Bipolar(), 25);
        const double body = friction.Process(n, centre, 1.4).band + 0.5 * rumble.Process(n);
        const double level = std::min(t / 0.025, 1.0) * (t < 0.3 ? 1.0 : std::exp(-(t - 0.3) / 0.12));
        double grains = 0;
        for (int g = 0; g < 40; ++g) grains += grainLevel[g] * Strike(t - grainAt[g], 0.0003, 0.0015);
        out[static_cast<size_t>(i)] = static_cast<float>(body * rough * level + gritHigh.Process(n) * grains);
    }
    Sound sound = Sound::Mono(std::move(out));
    NormalisePeak(sound, kEffectPeak);
    FadeIn(sound, 0.005);
    FadeOut(sound, 0.08);
    return sound;
}

Sound Impact()
{
    // A barrel or crate giving way: a low thump, a crack, the ringing of the
    // struck body, splinters falling after it, in a small room.
    const double seconds = 0.75;
    const int frames = FramesOf(seconds);
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED0011);
    Oscillator thump;
    Biquad crack;
    crack.SetLowPass(5000);
    const double modes[6] = {180, 294, 447, 651, 980, 1420};
    const double taus[6] = {0.09, 0.07, 0.06, 0.045, 0.035, 0.025};
    const double levels[6] = {0.5, 0.4, 0.35, 0.3, 0.2, 0.15};
    Oscillator body[6];
    double tuned[6];
    for (int m = 0; m < 6; ++m) tuned[m] = modes[m] * noise.Range(0.97, 1.03);
    struct Splinter {
        double at, level, f1, f2, tau;
        Oscillator a, b;
    };
    Splinter splinters[25];
    for (Splinter& s : splinters) {
        const double u = noise.Unit();
        s.at = 0.02 + 0.35 * u * u;
        s.level = noise.Range(0.1, 0.35) * (1.0 - s.at);
        s.f1 = noise.Range(800, 3000);
        s.f2 = s.f1 * noise.Range(1.3, 2.1);
        s.tau = noise.Range(0.008, 0.02);
    }
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        double s = thump.Sine(55 + 80 * std::exp(-t / 0.02)) * Strike(t, 0.001, 0.09);
        s += 0.7 * crack.Process(n) * Strike(t, 0.0005, 0.03);
        for (int m = 0; m < 6; ++m) s += levels[m] * body[m].Sine(tuned[m]) * Strike(t, 0.0008, taus[m]);
        for (Splinter& sp : splinters) {
            const double e = Strike(t - sp.at, 0.0003, sp.tau);
            s += sp.level * e * (sp.a.Sine(sp.f1) + 0.6 * sp.b.Sine(sp.f2) + 0.5 * n);
        }
        out[static_cast<size_t>(i)] = static_cast<float>(s);
    }
    Sound sound = Sound::Mono(WithRoom(out, 0.45, 0.5, 0.12));
    NormalisePeak(sound, kEffectPeak);
    FadeOut(sound, 0.1);
    return sound;
}

Sound CaptionJingle()
{
    // The title composing itself: a rising whoosh, bell notes running up an
    // A minor arpeggio as the letters land, and a soft chord that settles
    // them, in a roomy space (the key of the menu music).
    const double seconds = 2.1;
    const int frames = FramesOf(seconds);
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED0020);
    StateVariableFilter whooshFilter;
    const int bells[5] = {76, 81, 84, 88, 93};  // E5 A5 C6 E6 A6
    const int chord[4] = {57, 64, 69, 72};      // A3 E4 A4 C5
    Oscillator carrier[5], modulator[5], pad[8], boom;
    StateVariableFilter padFilter;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        const double sweep = 400 * std::pow(10.0, std::min(t / 0.45, 1.0));
        const double whoosh = whooshFilter.Process(n, sweep, 1.5).band *
                              (t < 0.4 ? t / 0.4 : std::exp(-(t - 0.4) / 0.06));
        double s = 0.5 * whoosh;
        for (int b = 0; b < 5; ++b) {
            const double tb = t - 0.06 * b;
            if (tb < 0) continue;
            const double f = NoteFrequency(bells[b]);
            const double index = 2.2 * std::exp(-tb / 0.15);
            const double m = modulator[b].Sine(f * 3.5);
            const double c = std::sin(2 * kPi * carrier[b].Phase() + index * m);
            carrier[b].Sine(f);
            s += 0.32 * c * Strike(tb, 0.002, 0.35);
        }
        const double tc = t - 0.42;
        if (tc >= 0) {
            double chordSum = 0;
            for (int c = 0; c < 4; ++c) {
                const double f = NoteFrequency(chord[c]);
                chordSum += pad[2 * c].Saw(f * 0.997) + pad[2 * c + 1].Saw(f * 1.003);
            }
            const double opened = padFilter.Process(chordSum / 8, 700 + 2500 * std::exp(-tc / 0.25), 0.9).low;
            s += 0.9 * opened * Strike(tc, 0.01, 0.6);
            s += 0.6 * boom.Sine(55 + 30 * std::exp(-tc / 0.05)) * Strike(tc, 0.003, 0.25);
        }
        out[static_cast<size_t>(i)] = static_cast<float>(s);
    }
    Sound sound = Sound::Mono(WithRoom(out, 0.75, 0.4, 0.3));
    NormalisePeak(sound, kEffectPeak);
    FadeIn(sound, 0.005);
    FadeOut(sound, 0.35);
    return sound;
}

}  // namespace SoundGen
