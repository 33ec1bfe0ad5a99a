// The synthesiser's parts: envelopes end in silence, filters and the room
// stay stable, waves are written as the engine reads them, and a rendered
// tune is a loop of the right length that joins smoothly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tools/soundgen/envelope.h"
#include "tools/soundgen/filters.h"
#include "tools/soundgen/oscillator.h"
#include "tools/soundgen/reverb.h"
#include "tools/soundgen/tune.h"
#include "tools/soundgen/tune_renderer.h"
#include "tools/soundgen/wave_writer.h"

namespace SoundGen {
namespace {

TEST(Envelopes, ReleaseEndsInExactSilenceWithoutAStep)
{
    Adsr adsr;
    adsr.attack = 0.01;
    adsr.decay = 0.1;
    adsr.sustain = 0.5;
    adsr.release = 0.2;
    const double gate = 0.3;
    EXPECT_EQ(adsr.At(0, gate), 0);
    EXPECT_NEAR(adsr.At(0.01, gate), 1.0, 1e-9);
    // No jump where the release takes over, none where it ends.
    EXPECT_NEAR(adsr.At(gate - 1e-7, gate), adsr.At(gate, gate), 1e-6);
    EXPECT_NEAR(adsr.At(adsr.End(gate) - 1e-4, gate), 0, 1e-3);
    EXPECT_EQ(adsr.At(adsr.End(gate), gate), 0);
    EXPECT_EQ(adsr.At(-1, gate), 0);

    const Curve curve = {{0, 0}, {1, 1}, {2, 0.5}};
    EXPECT_EQ(curve.At(-1), 0);
    EXPECT_DOUBLE_EQ(curve.At(0.5), 0.5);
    EXPECT_DOUBLE_EQ(curve.At(1.5), 0.75);
    EXPECT_EQ(curve.At(9), 0.5);
}

// Level in dB of a sine at `hz` through `process`, after it settles.
template <typename Process>
double SineGainDb(double hz, Process process)
{
    Oscillator osc;
    double peak = 0;
    for (int i = 0; i < kRate; ++i) {
        const double y = process(osc.Sine(hz));
        if (i > kRate / 2) peak = std::max(peak, std::fabs(y));
    }
    return 20 * std::log10(peak);
}

TEST(Filters, PassAndStopWhereTheySay)
{
    Biquad low;
    low.SetLowPass(500);
    EXPECT_NEAR(SineGainDb(100, [&](double x) { return low.Process(static_cast<float>(x)); }), 0, 0.5);
    low.Reset();
    EXPECT_LT(SineGainDb(5000, [&](double x) { return low.Process(static_cast<float>(x)); }), -35);

    Biquad band;
    band.SetBandPass(1000, 2);
    EXPECT_NEAR(SineGainDb(1000, [&](double x) { return band.Process(static_cast<float>(x)); }), 0, 0.5);

    StateVariableFilter svf;
    EXPECT_NEAR(SineGainDb(100, [&](double x) { return svf.Process(x, 500, 0.7071).low; }), 0, 0.5);
    // A cutoff swept over the whole range at high resonance stays bounded.
    svf.Reset();
    Oscillator saw;
    double peak = 0;
    for (int i = 0; i < kRate; ++i) {
        const double cutoff = 20 * std::pow(500.0, 0.5 + 0.5 * std::sin(i * 0.01));
        peak = std::max(peak, std::fabs(svf.Process(saw.Saw(110), cutoff, 8).low));
    }
    EXPECT_TRUE(std::isfinite(peak));
    EXPECT_LT(peak, 20);
}

TEST(Oscillators, BandLimitedWavesKeepTheirPitchAndRange)
{
    for (int wave = 0; wave < 4; ++wave) {
        Oscillator osc;
        int crossings = 0;
        double previous = 0, peak = 0, sum = 0;
        for (int i = 0; i < kRate; ++i) {
            const double y = wave == 0 ? osc.Sine(441) : wave == 1 ? osc.Saw(441) : wave == 2 ? osc.Pulse(441, 0.3) : osc.Triangle(441);
            if (i > 0 && previous < 0 && y >= 0) ++crossings;
            previous = y;
            peak = std::max(peak, std::fabs(y));
            sum += y;
        }
        EXPECT_NEAR(crossings, 441, 2) << wave;
        EXPECT_LT(peak, 1.5) << wave;  // a centred 30 % pulse reaches 1.4
        EXPECT_NEAR(sum / kRate, 0, 0.02) << wave;
    }
}

TEST(Rooms, TailsDecayAndStayFinite)
{
    Reverb room(1.0, 0.0);  // the longest, brightest room
    double early = 0, late = 0;
    for (int i = 0; i < 12 * kRate; ++i) {
        float l, r;
        room.Process(i == 0 ? 1.0f : 0.0f, l, r);
        ASSERT_TRUE(std::isfinite(l) && std::isfinite(r));
        const double energy = double(l) * l + double(r) * r;
        if (i < kRate) early += energy;
        if (i >= 11 * kRate) late += energy;
    }
    EXPECT_GT(early, 0);
    EXPECT_LT(late, early * 1e-4);
}

TEST(WaveFiles, AreSixteenBitPcmAtTheMixerRate)
{
    Sound mono = Sound::Mono({0.0f, 0.5f, -0.5f, 1.5f, -1.5f});
    const std::string bytes = WaveBytes(mono);
    ASSERT_EQ(bytes.size(), 44u + 10u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    auto u16 = [&](size_t at) { return int(uint8_t(bytes[at])) | int(uint8_t(bytes[at + 1])) << 8; };
    auto s16 = [&](size_t at) { return static_cast<int16_t>(u16(at)); };
    EXPECT_EQ(u16(20), 1);   // integer PCM
    EXPECT_EQ(u16(22), 1);   // mono
    EXPECT_EQ(u16(24), kRate);
    EXPECT_EQ(u16(34), 16);  // bits
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(u16(40), 10);
    EXPECT_EQ(s16(44), 0);
    EXPECT_EQ(s16(46), 16384);  // rounded
    EXPECT_EQ(s16(48), -16384);
    EXPECT_EQ(s16(50), 32767);  // beyond full scale: clamped, never wrapped
    EXPECT_EQ(s16(52), -32768);

    Sound stereo = Sound::Stereo({0.25f}, {-0.25f});
    const std::string pair = WaveBytes(stereo);
    EXPECT_EQ(int(uint8_t(pair[22])), 2);
    EXPECT_EQ(static_cast<int16_t>(int(uint8_t(pair[44])) | int(uint8_t(pair[45])) << 8), 8192);
    EXPECT_EQ(static_cast<int16_t>(int(uint8_t(pair[46])) | int(uint8_t(pair[47])) << 8), -8192);
}

TEST(Levels, NormaliseAndFadeAsAsked)
{
    Sound sound = Sound::Mono(std::vector<float>(2205, 0.25f));
    NormalisePeak(sound, -3);
    EXPECT_NEAR(Measure(sound).peakDb, -3, 1e-4);
    FadeIn(sound, 0.01);
    FadeOut(sound, 0.01);
    EXPECT_EQ(sound.left.front(), 0.0f);
    EXPECT_EQ(sound.left.back(), 0.0f);
    EXPECT_GT(sound.left[1102], 0.7f);
    Sound silent = Sound::Mono(std::vector<float>(10, 0.0f));
    NormalisePeak(silent, -3);
    EXPECT_EQ(silent.left[5], 0.0f);
}

// Two bars of a sine pad whose notes ring across every bar line and the
// loop's end, in a long room: cutting it without the cross-fade would leave
// a step the size of the note at the join.
const char* const kRingingTune = R"(tempo 120
key C major
room 0.9 0.2
instrument pad wave=sine attack=0.05 decay=0.5 sustain=0.8 release=1.5 gain=0.5 reverb=0.8 echo=0.5
pattern ring pad 1
  C4 | G4
end
section s 2 ring
sequence s
)";

TEST(TuneLoops, HaveTheTunesLengthAndJoinSmoothly)
{
    Tune tune;
    std::string error;
    ASSERT_TRUE(ParseTune(kRingingTune, "ring.tune", tune, error)) << error;
    const Sound loop = RenderTune(tune);
    ASSERT_TRUE(loop.IsStereo());
    ASSERT_EQ(loop.Frames(), tune.LoopFrames());
    EXPECT_NEAR(Measure(loop).peakDb, tune.levelDb, 1e-3);

    for (const std::vector<float>* channel : {&loop.left, &loop.right}) {
        double within = 0;
        for (size_t i = 1; i < channel->size(); ++i) within = std::max(within, double(std::fabs((*channel)[i] - (*channel)[i - 1])));
        const double join = std::fabs(channel->front() - channel->back());
        EXPECT_LE(join, within);
        // The sound at the join is the ringing note, not silence.
        EXPECT_GT(std::fabs(channel->back()) + std::fabs((*channel)[channel->size() - 20]), 0.01);
    }

    // One build, one set of bytes.
    const Sound again = RenderTune(tune);
    EXPECT_TRUE(again.left == loop.left && again.right == loop.right);
}

TEST(Drums, EveryLaneSoundsAndEndsSilently)
{
    for (int lane = 0; lane < static_cast<int>(DrumLane::Count); ++lane) {
        const std::vector<float> hit = RenderDrum(static_cast<DrumLane>(lane), 1.0, 1.0, 7);
        SCOPED_TRACE(DrumLaneName(static_cast<DrumLane>(lane)));
        ASSERT_FALSE(hit.empty());
        float peak = 0;
        for (float s : hit) peak = std::max(peak, std::fabs(s));
        EXPECT_GT(peak, 0.05f);
        EXPECT_LT(peak, 2.0f);
        EXPECT_EQ(hit.back(), 0.0f);
        EXPECT_EQ(RenderDrum(static_cast<DrumLane>(lane), 1.0, 1.0, 7), hit);
    }
}

}  // namespace
}  // namespace SoundGen
