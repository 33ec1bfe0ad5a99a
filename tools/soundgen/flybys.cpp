// Things that pass the listener: rendered as a mono source whose pitch,
// loudness and brightness follow its distance and speed, then placed in the
// stereo field from left to right as it goes by.
#include <cmath>

#include "tools/soundgen/envelope.h"
#include "tools/soundgen/filters.h"
#include "tools/soundgen/oscillator.h"
#include "tools/soundgen/random.h"
#include "tools/soundgen/recipes.h"
#include "tools/soundgen/reverb.h"

namespace SoundGen {

namespace {

const double kPassPeak = -5.0;  // NOTE: as loud as the level cues
const double kSpeedOfSound = 343.0;

// A straight pass: closest at `closest` metres, at time `when`, moving left
// to right at `speed` m/s.
struct Pass {
    double when, speed, closest;

    double Along(double t) const { return speed * (t - when); }
    double Distance(double t) const { return std::hypot(Along(t), closest); }
    // Heard pitch over emitted pitch: above 1 while approaching.
    double Doppler(double t) const
    {
        const double radial = speed * Along(t) / Distance(t);  // positive when receding
        return kSpeedOfSound / (kSpeedOfSound + radial);
    }
    double Gain(double t) const { return closest / Distance(t); }
    double Pan(double t) const { return Along(t) / Distance(t); }
};

Sound Place(const std::vector<float>& mono, const Pass& pass, double roomWet, double fadeIn, double fadeOut)
{
    Sound sound = PanTrack(WithRoom(mono, 0.6, 0.5, roomWet), [&pass](double t) { return 0.85 * pass.Pan(t); });
    NormalisePeak(sound, kPassPeak);
    FadeIn(sound, fadeIn);
    FadeOut(sound, fadeOut);
    return sound;
}

}  // namespace

Sound HelicopterPass()
{
    // Rotor blades slapping eleven times a second, the tail rotor's buzz and
    // the turbine's whine, all shifting down in pitch as it passes.
    const double seconds = 6.0;
    const int frames = FramesOf(seconds);
    const Pass pass{3.0, 35, 25};
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED0007);
    Oscillator blade, thump, tail, turbine, turbineHarmonic;
    Biquad slap, tailBand;
    slap.SetLowPass(600);
    tailBand.SetBandPass(400, 1.5);
    OnePole air;
    double sinceSlap = 1.0;
    double previousPhase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double doppler = pass.Doppler(t);
        const float n = static_cast<float>(noise.Bipolar());
        // A blade passes on every turn of the rotor phase.
        blade.Sine(11 * doppler);
        if (blade.Phase() < previousPhase) sinceSlap = 0;
        previousPhase = blade.Phase();
        sinceSlap += 1.0 / kRate;
        double s = 1.2 * slap.Process(n) * Strike(sinceSlap, 0.002, 0.025);
        s += 0.8 * thump.Sine(70 * doppler) * Strike(sinceSlap, 0.003, 0.03);
        s += 0.15 * tailBand.Process(static_cast<float>(tail.Saw(95 * doppler)));
        s += 0.05 * (turbine.Sine(1650 * doppler) + 0.3 * turbineHarmonic.Sine(3300 * doppler));
        const double gain = pass.Gain(t);
        out[static_cast<size_t>(i)] = static_cast<float>(air.LowPass(s * gain, 1200 + 6000 * gain));
    }
    return Place(out, pass, 0.1, 0.5, 0.8);
}

Sound MetroPass()
{
    // A train running through the station tunnel: rumble and motor hum,
    // wheels knocking over rail joints in pairs, a thin squeal, and its
    // two-tone horn as it comes in.
    const double seconds = 6.0;
    const int frames = FramesOf(seconds);
    const Pass pass{3.2, 18, 6};
    std::vector<float> out(static_cast<size_t>(frames));
    Random noise(0x5EED0012);
    Biquad rumble, motor, squeal, click;
    rumble.SetLowPass(180, 0.9);
    motor.SetLowPass(400);
    squeal.SetBandPass(3200, 20);
    click.SetBandPass(2500, 1.5);
    Oscillator hum, whine, hornLow, hornHigh, knock;
    OnePole squealLevel, air;
    double brown = 0;
    // Bogies pass every 15 m car, their two axles 2.5 m apart.
    const double axle = 2.5 / pass.speed, car = 15.0 / pass.speed;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double doppler = pass.Doppler(t);
        const float n = static_cast<float>(noise.Bipolar());
        brown = 0.995 * brown + 0.06 * n;
        // The train is long: loud while any of it is near, not just its nose.
        const double body = 1.0 / (1.0 + std::exp(-(t - 1.6) / 0.3)) * 1.0 / (1.0 + std::exp((t - 4.8) / 0.35));
        double s = body * (rumble.Process(static_cast<float>(brown)) * 1.4 +
                           0.25 * motor.Process(static_cast<float>(hum.Saw(60 * doppler))) + 0.03 * whine.Sine(420 * doppler));
        const double inCar = std::fmod(t, car);
        const double knocks = Strike(inCar, 0.001, 0.02) + Strike(inCar - axle, 0.001, 0.02);
        s += body * knocks * (0.5 * knock.Sine(90) + 0.4 * click.Process(n));
        s += body * 0.08 * squeal.Process(n) * std::fabs(squealLevel.LowPass(noise.Bipolar(), 1.5)) * 8;
        const double th = t - 0.5;
        if (th >= 0 && th < 1.1) {
            const double gate = std::min(th / 0.04, 1.0) * std::min((1.1 - th) / 0.1, 1.0);
            s += 0.35 * gate * (hornLow.Saw(440 * doppler) + hornHigh.Saw(554.37 * doppler)) * 0.5;
        }
        const double gain = pass.Gain(t);
        out[static_cast<size_t>(i)] = static_cast<float>(air.LowPass(s * std::sqrt(gain), 1500 + 5000 * gain));
    }
    return Place(out, pass, 0.35, 0.4, 0.8);
}

Sound AeroplanePass()
{
    // A jet high overhead: broad roar and a thin whine, with the sweeping
    // comb of its sound reflected off the ground as the angle changes.
    const double seconds = 6.0;
    const int frames = FramesOf(seconds);
    const Pass pass{3.0, 150, 250};
    std::vector<float> source(static_cast<size_t>(frames));
    Random noise(0x5EED0013);
    Biquad pink1, pink2;
    pink1.SetLowPass(2500, 0.6);
    pink2.SetLowPass(400, 0.7);
    Oscillator whine;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        source[static_cast<size_t>(i)] = static_cast<float>(0.6 * pink1.Process(n) + 0.8 * pink2.Process(n) +
                                                             0.02 * whine.Sine(2400 * pass.Doppler(t)));
    }
    std::vector<float> out(static_cast<size_t>(frames));
    OnePole air;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double elevation = pass.closest / pass.Distance(t);
        // The ground reflection arrives later by twice the ear's height
        // projected on the line to the plane.
        const double delay = 2 * 1.7 * elevation / kSpeedOfSound * kRate;
        const double at = i - delay;
        const int whole = static_cast<int>(std::floor(at));
        const double frac = at - whole;
        double reflected = 0;
        if (whole >= 0 && whole + 1 < frames)
            reflected = (1 - frac) * source[static_cast<size_t>(whole)] + frac * source[static_cast<size_t>(whole + 1)];
        const double s = source[static_cast<size_t>(i)] + 0.7 * reflected;
        const double gain = pass.Gain(t);
        out[static_cast<size_t>(i)] = static_cast<float>(air.LowPass(s * gain, 800 + 2500 * std::pow(elevation, 4)));
    }
    return Place(out, pass, 0.15, 1.2, 1.2);
}

}  // namespace SoundGen
