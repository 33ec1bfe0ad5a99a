// The levels' ambient cues and the two thunders. Every cue fades in and out,
// so the game may start it at any moment over anything else.
#include <cmath>

#include "tools/soundgen/envelope.h"
#include "tools/soundgen/filters.h"
#include "tools/soundgen/oscillator.h"
#include "tools/soundgen/random.h"
#include "tools/soundgen/recipes.h"
#include "tools/soundgen/reverb.h"

namespace SoundGen {

namespace {

// NOTE: cues sit behind the action: 2 dB under the effects' -3 dBFS.
const double kCuePeak = -5.0;
// NOTE: a near thunder is as loud as an effect (it is also the credits'
// flash); a far one sits at the level of the cues.
const double kThunderPeak = -3.0;

Sound Finish(std::vector<float> samples, double peakDb, double fadeIn, double fadeOut)
{
    Sound sound = Sound::Mono(std::move(samples));
    NormalisePeak(sound, peakDb);
    FadeIn(sound, fadeIn);
    FadeOut(sound, fadeOut);
    return sound;
}

// A struck metal or wooden body as a few decaying partials.
struct Modal {
    double frequency[6];
    double tau[6];
    double level[6];
    int count;
};

}  // namespace

Sound AlarmSiren()
{
    // A prison alarm heard across the yard: pulses of a horn-like tone, each
    // gliding down, the whole alarm growing fainter (a pulsing, falling
    // siren at medium distance).
    const double seconds = 5.0;
    const int frames = FramesOf(seconds);
    std::vector<float> out(static_cast<size_t>(frames));
    Oscillator saw, square;
    Biquad horn, lowpass;
    horn.SetPeak(1150, 1.2, 7);
    lowpass.SetLowPass(3000);
    const double period = 0.42, on = 0.3;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double inPulse = std::fmod(t, period);
        const double glide = 980 * std::pow(720.0 / 980.0, std::min(inPulse / on, 1.0));
        const double gate = inPulse < 0.015 ? inPulse / 0.015
                            : inPulse < on  ? 1.0
                            : inPulse < on + 0.04 ? 1.0 - (inPulse - on) / 0.04
                                                  : 0.0;
        const double tone = 0.6 * saw.Saw(glide) + 0.4 * square.Pulse(glide * 1.004);
        const double fading = std::exp(-t / 4.0);
        out[static_cast<size_t>(i)] = static_cast<float>(lowpass.Process(horn.Process(static_cast<float>(tone))) * gate * fading);
    }
    return Finish(WithRoom(out, 0.85, 0.4, 0.35), kCuePeak, 0.15, 0.6);
}

Sound Sewers()
{
    // Water running through a brick tunnel: bands of flowing noise that swell
    // and ebb, bubbles, and a few clear drops echoing off the vault.
    const double seconds = 5.0;
    const int frames = FramesOf(seconds);
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED0008);
    Biquad bands[3];
    const double centres[3] = {300, 650, 1300};
    for (int b = 0; b < 3; ++b) bands[b].SetBandPass(centres[b], 1.3);
    OnePole swell[3];
    struct Bubble {
        double at, f0, tau, level;
        Oscillator osc;
    };
    Bubble bubbles[34];
    for (Bubble& b : bubbles) {
        b.at = noise.Range(0.1, seconds - 0.3);
        b.f0 = noise.Range(500, 1400);
        b.tau = noise.Range(0.012, 0.025);
        b.level = noise.Range(0.08, 0.3);
    }
    struct Drop {
        double at, f0, level;
        Oscillator osc;
    };
    Drop drops[4] = {{0.7, 2100, 0.55, {}}, {1.9, 2500, 0.45, {}}, {2.8, 1850, 0.6, {}}, {4.0, 2300, 0.4, {}}};
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        double s = 0;
        for (int b = 0; b < 3; ++b) {
            const double ebb = 0.6 + 3.0 * swell[b].LowPass(noise.Bipolar(), 2.0 + b);
            s += 0.45 * bands[b].Process(n) * std::max(ebb, 0.1);
        }
        for (Bubble& b : bubbles) {
            const double tb = t - b.at;
            if (tb < 0 || tb > 0.15) continue;
            s += b.level * b.osc.Sine(b.f0 * (1 + 0.6 * tb / 0.03)) * Strike(tb, 0.001, b.tau);
        }
        for (Drop& d : drops) {
            const double td = t - d.at;
            if (td < 0 || td > 0.3) continue;
            s += d.level * d.osc.Sine(d.f0 * (1 + 0.4 * std::min(td / 0.04, 1.0))) * Strike(td, 0.0008, 0.035);
        }
        out[static_cast<size_t>(i)] = static_cast<float>(s);
    }
    return Finish(WithRoom(out, 0.9, 0.3, 0.45), kCuePeak, 0.8, 1.0);
}

Sound Construction()
{
    // A building site across the street: a hammer ringing on steel, a burst
    // of a jackhammer, and a diesel engine idling under it all.
    const double seconds = 5.0;
    const int frames = FramesOf(seconds);
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED0009);
    const Modal steel = {{520, 1206, 2210, 3448, 4878, 0}, {0.45, 0.3, 0.2, 0.12, 0.08, 0}, {1, 0.6, 0.4, 0.25, 0.15, 0}, 5};
    const double blows[5] = {0.35, 1.0, 1.62, 2.28, 2.9};
    double blowLevel[5];
    for (double& level : blowLevel) level = noise.Range(0.8, 1.0);
    Oscillator ring[5][5];
    Biquad click, hammerBand, engineLow;
    click.SetHighPass(2000);
    hammerBand.SetBandPass(900, 0.7);
    engineLow.SetLowPass(300);
    Oscillator engine, engineHarmonic, thud;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        double s = 0;
        const float clicked = click.Process(n);
        for (int b = 0; b < 5; ++b) {
            const double tb = t - blows[b];
            if (tb < 0) continue;
            double clang = 0.4 * clicked * Strike(tb, 0.0003, 0.004);
            for (int m = 0; m < steel.count; ++m)
                clang += steel.level[m] * ring[b][m].Sine(steel.frequency[m]) * Strike(tb, 0.0005, steel.tau[m]);
            s += 0.5 * blowLevel[b] * clang;
        }
        // The jackhammer: 22 blows a second from 3.3 s to 4.6 s.
        const double tj = t - 3.3;
        if (tj >= 0 && tj < 1.3) {
            const double within = std::fmod(tj, 1.0 / 22);
            const double burst = Strike(within, 0.0005, 0.008);
            const double envelope = std::min(tj / 0.05, 1.0) * std::min((1.3 - tj) / 0.05, 1.0);
            s += 0.6 * envelope * burst * (hammerBand.Process(n) + 0.5 * thud.Sine(110));
        }
        const double throb = 1.0 + 0.2 * std::sin(2 * kPi * 3 * t);
        s += 0.35 * throb * engineLow.Process(static_cast<float>(engine.Saw(48) + 0.5 * engineHarmonic.Saw(96)));
        out[static_cast<size_t>(i)] = static_cast<float>(s);
    }
    return Finish(WithRoom(out, 0.7, 0.5, 0.25), kCuePeak, 0.5, 0.8);
}

Sound Suburbs()
{
    // An afternoon street: a soft breeze, two kinds of birds and a car going
    // by a block away.
    const double seconds = 5.0;
    const int frames = FramesOf(seconds);
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED000D);
    Biquad wind, car, carEngine;
    wind.SetLowPass(500);
    car.SetLowPass(700);
    carEngine.SetBandPass(120, 2);
    OnePole gust;
    struct Chirp {
        double at, length, from, to, trill, level;
        Oscillator osc;
    };
    std::vector<Chirp> chirps;
    // A twittering bird: three groups of quick falling chirps.
    for (double group : {0.4, 1.8, 3.3}) {
        const int count = 3 + static_cast<int>(noise.Unit() * 3);
        double at = group;
        for (int c = 0; c < count; ++c) {
            Chirp chirp{at, noise.Range(0.06, 0.12), noise.Range(3800, 4400), noise.Range(2700, 3100), 35, 0.3, {}};
            chirps.push_back(chirp);
            at += chirp.length + noise.Range(0.03, 0.06);
        }
    }
    // A second bird calling "tee-oo".
    for (double call : {1.0, 2.9}) {
        chirps.push_back(Chirp{call, 0.15, 3000, 3000, 0, 0.22, {}});
        chirps.push_back(Chirp{call + 0.17, 0.2, 2500, 2300, 0, 0.22, {}});
    }
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        double s = 0.35 * wind.Process(n) * (0.7 + 3.0 * std::fabs(gust.LowPass(noise.Bipolar(), 0.7)));
        const double carLevel = std::exp(-std::pow((t - 2.6) / 0.9, 2));
        s += 0.5 * carLevel * (car.Process(n) + 0.8 * carEngine.Process(n));
        for (Chirp& c : chirps) {
            const double tc = t - c.at;
            if (tc < 0 || tc > c.length) continue;
            const double u = tc / c.length;
            const double f = c.from + (c.to - c.from) * u;
            const double shape = std::sin(kPi * u);
            const double trill = c.trill > 0 ? 0.6 + 0.4 * std::sin(2 * kPi * c.trill * tc) : 1.0;
            s += c.level * c.osc.Sine(f) * shape * shape * trill;
        }
        out[static_cast<size_t>(i)] = static_cast<float>(s);
    }
    return Finish(WithRoom(out, 0.5, 0.6, 0.15), kCuePeak - 1, 0.6, 0.8);
}

Sound Fireworks()
{
    // A rocket whistling up, bursting with a boom that echoes off the
    // buildings, crackling stars, and a second rocket further off.
    const double seconds = 5.0;
    const int frames = FramesOf(seconds);
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED000E);
    Oscillator whistle, boom, farBoom;
    Biquad hiss, bang, farBang, crackleHigh;
    hiss.SetHighPass(3000);
    bang.SetLowPass(2500);
    farBang.SetLowPass(1200);
    crackleHigh.SetHighPass(2000);
    double crackAt[120], crackLevel[120];
    for (int c = 0; c < 120; ++c) {
        const double u = noise.Unit();
        crackAt[c] = 1.3 + 2.0 * u * u;
        crackLevel[c] = noise.Range(0.2, 0.6) * (1.0 - 0.7 * u);
    }
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        double s = 0;
        if (t >= 0.1 && t < 1.05) {
            const double u = (t - 0.1) / 0.95;
            const double f = 900 * std::pow(2200.0 / 900.0, u);
            s += 0.25 * u * (whistle.Sine(f) + 0.5 * hiss.Process(n));
        }
        const double tb = t - 1.05;
        const float banged = bang.Process(n);
        if (tb >= 0) s += banged * Strike(tb, 0.001, 0.12) + boom.Sine(45 + 45 * std::exp(-tb / 0.05)) * Strike(tb, 0.002, 0.25);
        const double tf = t - 2.7;
        const float farBanged = farBang.Process(n);
        if (tf >= 0)
            s += 0.45 * (farBanged * Strike(tf, 0.002, 0.15) + farBoom.Sine(40 + 30 * std::exp(-tf / 0.06)) * Strike(tf, 0.004, 0.3));
        const float crackled = crackleHigh.Process(n);
        double crackles = 0;
        for (int c = 0; c < 120; ++c) crackles += crackLevel[c] * Strike(t - crackAt[c], 0.0002, 0.0012);
        s += 0.35 * crackles * crackled;
        out[static_cast<size_t>(i)] = static_cast<float>(s);
    }
    return Finish(WithRoom(out, 0.88, 0.35, 0.4), kCuePeak, 0.05, 0.8);
}

namespace {

// Thunder: an optional crack and tearing, then rolling rumble built from
// swells of low noise at irregular times.
struct ThunderShape {
    uint64_t seed;
    double seconds;
    bool crack;
    double rumbleCutoff;
    double bumps[7];
    double fadeIn, fadeOut;
    double peakDb;
};

Sound Thunder(const ThunderShape& shape)
{
    const int frames = FramesOf(shape.seconds);
    std::vector<float> rumble(static_cast<size_t>(frames)), crack(static_cast<size_t>(frames));
    Random noise(shape.seed);
    Biquad crackHigh, rumbleLow, subLow;
    crackHigh.SetHighPass(1500);
    rumbleLow.SetLowPass(shape.rumbleCutoff, 0.9);
    subLow.SetLowPass(80);
    double brown = 0;
    double bumpLevel[7], bumpRise[7], bumpFall[7];
    for (int b = 0; b < 7; ++b) {
        bumpLevel[b] = noise.Range(0.5, 1.0) * (1.0 - 0.1 * b);
        bumpRise[b] = noise.Range(0.05, 0.2);
        bumpFall[b] = noise.Range(0.25, 0.55);
    }
    double tearAt[15], tearLevel[15];
    for (int k = 0; k < 15; ++k) {
        tearAt[k] = noise.Range(0.02, 0.35);
        tearLevel[k] = noise.Range(0.3, 1.0) * (1.0 - tearAt[k] * 2);
    }
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        // Brown noise: leaky integration of white noise.
        brown = 0.997 * brown + 0.05 * n;
        double rumbleLevel = 0;
        for (int b = 0; b < 7; ++b) {
            const double tb = t - shape.bumps[b];
            if (tb < 0) continue;
            rumbleLevel += bumpLevel[b] * (tb < bumpRise[b] ? tb / bumpRise[b] : std::exp(-(tb - bumpRise[b]) / bumpFall[b]));
        }
        const double low = rumbleLow.Process(static_cast<float>(brown)) + 0.6 * subLow.Process(static_cast<float>(brown));
        // Soft saturation keeps a chance swing of the noise from standing
        // out as a thump of its own.
        rumble[static_cast<size_t>(i)] = static_cast<float>(std::tanh(rumbleLevel * low));
        if (shape.crack) {
            const float cracked = crackHigh.Process(n);
            double tear = 0;
            for (int k = 0; k < 15; ++k) tear += tearLevel[k] * Strike(t - tearAt[k], 0.0005, 0.01);
            crack[static_cast<size_t>(i)] = static_cast<float>(n * Strike(t - 0.02, 0.001, 0.04) + cracked * tear * 0.6);
        }
    }
    // The crack is the loudest moment; the rumble rolls in under it.
    Sound rolled = Sound::Mono(rumble);
    NormalisePeak(rolled, shape.crack ? -6.0 : 0.0);
    Sound cracked = Sound::Mono(crack);
    NormalisePeak(cracked, 0.0);
    for (size_t i = 0; i < rumble.size(); ++i) rumble[i] = rolled.left[i] + cracked.left[i];
    return Finish(WithRoom(rumble, 0.92, 0.6, 0.3), shape.peakDb, shape.fadeIn, shape.fadeOut);
}

}  // namespace

Sound ThunderNear()
{
    return Thunder(ThunderShape{0x5EED000F, 5.5, true, 300, {0.15, 0.6, 1.1, 1.7, 2.4, 3.2, 3.9}, 0.002, 1.2, kThunderPeak});
}

Sound ThunderFar()
{
    return Thunder(ThunderShape{0x5EED0010, 5.0, false, 200, {0.3, 0.9, 1.6, 2.2, 2.7, 3.1, 3.6}, 0.4, 1.2, kCuePeak});
}

}  // namespace SoundGen
