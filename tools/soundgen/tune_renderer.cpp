#include "tools/soundgen/tune_renderer.h"

#include <algorithm>
#include <cmath>

#include "tools/soundgen/filters.h"
#include "tools/soundgen/oscillator.h"
#include "tools/soundgen/random.h"
#include "tools/soundgen/reverb.h"

namespace SoundGen {

namespace {

// NOTE: a voice is cut at most this long after its note ends, whatever its
// release says, so a slip in a tune cannot render minutes per note.
const double kMaxTail = 8.0;

// Note placement in the loop, in 1/960 beat, for seeding: the same note in
// the first bar and in the bar that repeats it gets the same noise.
uint64_t PlaceSeed(int part, double beatInLoop, int index)
{
    const uint64_t tick = static_cast<uint64_t>(std::llround(beatInLoop * 960.0));
    return Random::Mix((uint64_t(part) << 48) ^ (tick << 8) ^ uint64_t(index));
}

// The metallic clang of cymbals: six detuned square waves.
double Metal(Oscillator* oscillators, double pitch)
{
    static const double kFrequencies[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double sum = 0;
    for (int i = 0; i < 6; ++i) sum += oscillators[i].Pulse(kFrequencies[i] * 1.7 * pitch);
    return sum / 6.0;
}

// Adds one note of an instrument (the voice alone, dry) into a mono track
// from frame `at`, cut at the track's end.
void RenderNote(const InstrumentSpec& spec, int note, double velocity, double gateSeconds, uint64_t seed,
                std::vector<float>& track, long long at)
{
    const double frequency = NoteFrequency(note);
    const double end = std::min(spec.amp.End(gateSeconds), gateSeconds + kMaxTail);
    const long long frames = static_cast<long long>(std::ceil(end * kRate));
    const long long size = static_cast<long long>(track.size());
    Oscillator one(0.0), two(0.37), sub(0.0), modulator(0.0);
    StateVariableFilter filter;
    Random noise(seed);
    const double spread = std::pow(2.0, spec.detune / 2400.0);
    const double fdecay = spec.fdecay > 0 ? spec.fdecay : spec.amp.decay;
    for (long long i = 0; i < frames && at + i < size; ++i) {
        const double t = double(i) / kRate;
        const double level = spec.amp.At(t, gateSeconds);
        if (at + i < 0) continue;
        double f = frequency;
        if (spec.vibrato > 0) {
            const double depth = spec.vibrato * std::min(1.0, t / 0.25);
            f *= std::pow(2.0, depth * std::sin(2 * kPi * spec.vibratoRate * t) / 1200.0);
        }
        double s = 0;
        switch (spec.wave) {
        case Wave::Sine:
            s = one.Sine(f);
            break;
        case Wave::Triangle:
            s = spec.detune > 0 ? 0.5 * (one.Triangle(f / spread) + two.Triangle(f * spread)) : one.Triangle(f);
            break;
        case Wave::Saw:
            s = spec.detune > 0 ? 0.5 * (one.Saw(f / spread) + two.Saw(f * spread)) : one.Saw(f);
            break;
        case Wave::Square:
            s = spec.detune > 0 ? 0.5 * (one.Pulse(f / spread) + two.Pulse(f * spread)) : one.Pulse(f);
            break;
        case Wave::Pulse:
            s = spec.detune > 0 ? 0.5 * (one.Pulse(f / spread, spec.width) + two.Pulse(f * spread, spec.width))
                                : one.Pulse(f, spec.width);
            break;
        case Wave::Fm: {
            const double index = spec.index * std::exp(-t / spec.fmdecay);
            const double m = modulator.Sine(f * spec.ratio);
            // Phase modulation of the carrier by the modulator.
            s = std::sin(2 * kPi * one.Phase() + index * m);
            one.Sine(f);
            break;
        }
        }
        if (spec.sub > 0) s += spec.sub * sub.Sine(f / 2);
        if (spec.noise > 0) s += spec.noise * noise.Bipolar();
        if (spec.cutoff > 0) {
            const double opening = spec.envmod * velocity * std::exp(-t / fdecay);
            s = filter.Process(s, spec.cutoff * std::pow(2.0, opening), spec.resonance).low;
        }
        track[static_cast<size_t>(at + i)] += static_cast<float>(spec.gain * velocity * level * s);
    }
}

}  // namespace

std::vector<float> RenderDrum(DrumLane lane, double velocity, double pitch, uint64_t seed)
{
    Random noise(seed);
    double seconds = 0.3;
    switch (lane) {
    case DrumLane::Kick: seconds = 0.5; break;
    case DrumLane::Snare: seconds = 0.35; break;
    case DrumLane::Clap: seconds = 0.35; break;
    case DrumLane::Rim: seconds = 0.1; break;
    case DrumLane::Hat: seconds = 0.15; break;
    case DrumLane::OpenHat: seconds = 0.7; break;
    case DrumLane::Shaker: seconds = 0.15; break;
    case DrumLane::TomLow:
    case DrumLane::TomHigh: seconds = 0.6; break;
    case DrumLane::Crash: seconds = 2.2; break;
    case DrumLane::Count: break;
    }
    std::vector<float> out(static_cast<size_t>(FramesOf(seconds)));
    Oscillator tone(0.0), second(0.0);
    Oscillator metal[6] = {Oscillator(0.0), Oscillator(0.13), Oscillator(0.29), Oscillator(0.41), Oscillator(0.57),
                           Oscillator(0.73)};
    Biquad band, high, low;
    OnePole smooth;
    switch (lane) {
    case DrumLane::Snare: high.SetHighPass(1200); low.SetLowPass(8000); break;
    case DrumLane::Clap: band.SetBandPass(1300, 1.1); break;
    case DrumLane::Rim: high.SetHighPass(3000); break;
    case DrumLane::Hat:
    case DrumLane::OpenHat: high.SetHighPass(6500); break;
    case DrumLane::Shaker: band.SetBandPass(5500, 1.2); break;
    case DrumLane::Crash: high.SetHighPass(3500); low.SetLowPass(9500); break;
    default: break;
    }
    const int frames = static_cast<int>(out.size());
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float n = static_cast<float>(noise.Bipolar());
        double s = 0;
        switch (lane) {
        case DrumLane::Kick: {
            const double f = pitch * (48 + 110 * std::exp(-t / 0.03));
            s = tone.Sine(f) * Strike(t, 0.0015, 0.22) + 0.25 * smooth.LowPass(n, 3000) * Strike(t, 0.0005, 0.005);
            break;
        }
        case DrumLane::Snare: {
            const double body = 0.5 * tone.Sine(185 * pitch) + 0.3 * second.Sine(330 * pitch);
            s = body * Strike(t, 0.001, 0.05) + 0.8 * low.Process(high.Process(n)) * Strike(t, 0.001, 0.12);
            break;
        }
        case DrumLane::Clap: {
            // Three quick claps and a short room after them.
            double env = 0;
            for (double onset : {0.0, 0.011, 0.022}) env += Strike(t - onset, 0.0005, 0.006);
            env += 0.7 * Strike(t - 0.03, 0.001, 0.09);
            s = 1.6 * band.Process(n) * env;
            break;
        }
        case DrumLane::Rim:
            s = 0.6 * tone.Sine(1700 * pitch) * Strike(t, 0.0005, 0.012) + 0.5 * high.Process(n) * Strike(t, 0.0005, 0.006);
            break;
        case DrumLane::Hat:
            s = high.Process(static_cast<float>(0.5 * n + 0.8 * Metal(metal, pitch))) * Strike(t, 0.0005, 0.03);
            break;
        case DrumLane::OpenHat:
            s = high.Process(static_cast<float>(0.5 * n + 0.8 * Metal(metal, pitch))) * Strike(t, 0.001, 0.2);
            break;
        case DrumLane::Shaker:
            s = 1.2 * band.Process(n) * Strike(t, 0.012, 0.035);
            break;
        case DrumLane::TomLow:
        case DrumLane::TomHigh: {
            const double base = lane == DrumLane::TomLow ? 95 : 150;
            const double f = pitch * (base + 0.6 * base * std::exp(-t / 0.05));
            s = tone.Sine(f) * Strike(t, 0.001, 0.2) + 0.15 * smooth.LowPass(n, 2000) * Strike(t, 0.0005, 0.01);
            break;
        }
        case DrumLane::Crash:
            s = low.Process(high.Process(static_cast<float>(0.7 * n + 0.6 * Metal(metal, pitch * 1.3)))) *
                Strike(t, 0.001, 0.7);
            break;
        case DrumLane::Count: break;
        }
        out[static_cast<size_t>(i)] = static_cast<float>(velocity * s);
    }
    // The last milliseconds fade, so a hit never ends on a step.
    Sound sound = Sound::Mono(std::move(out));
    FadeOut(sound, 0.01);
    return sound.left;
}

namespace {

// A part's dry track and what becomes of it in the mix.
struct Track {
    std::vector<float> dry;
    double pan = 0, reverb = 0, echo = 0;
};

// The arranged events, in loop beats, for one pass of the sequence plus the
// first bar once more.
struct Arranged {
    struct Note {
        int part;
        double beat;  // from the loop's start; the repeated bar lies beyond the end
        const NoteEvent* event;
    };
    struct Hit {
        int kit;
        double beat;
        const DrumHit* hit;
    };
    std::vector<Note> notes;
    std::vector<Hit> hits;
};

Arranged Arrange(const Tune& tune)
{
    Arranged out;
    const double total = tune.TotalBeats();
    const double bar = tune.meter;
    double sectionStart = 0;
    for (int s : tune.sequence) {
        const Section& section = tune.sections[static_cast<size_t>(s)];
        for (const std::vector<int>& chain : section.chains) {
            double at = 0;
            size_t link = 0;
            while (at < section.bars * bar - 1e-9) {
                const Pattern& pattern = tune.patterns[static_cast<size_t>(chain[link])];
                const double start = sectionStart + at;
                auto place = [&](double beat, auto add) {
                    add(start + beat);
                    // The loop's first bar sounds again after the end.
                    if (start + beat < bar - 1e-9) add(start + beat + total);
                };
                for (const NoteEvent& event : pattern.notes)
                    place(event.beat, [&](double b) { out.notes.push_back({pattern.part, b, &event}); });
                for (const DrumHit& hit : pattern.hits)
                    place(hit.beat, [&](double b) { out.hits.push_back({pattern.part, b, &hit}); });
                at += pattern.bars * bar;
                link = (link + 1) % chain.size();
            }
        }
        sectionStart += section.bars * bar;
    }
    return out;
}

// The ping-pong echo: left hears the delay, right the delay of the delay.
void AddEcho(const std::vector<float>& send, double delayFrames, double feedback, std::vector<float>& left,
             std::vector<float>& right)
{
    const size_t delay = static_cast<size_t>(std::max(1.0, std::round(delayFrames)));
    std::vector<float> lineLeft(delay, 0.0f), lineRight(delay, 0.0f);
    OnePole tone;
    size_t index = 0;
    for (size_t i = 0; i < send.size(); ++i) {
        const float outLeft = lineLeft[index], outRight = lineRight[index];
        // Each repeat a little darker, like a tape echo.
        lineLeft[index] = static_cast<float>(send[i] + feedback * tone.LowPass(outRight, 3500));
        lineRight[index] = outLeft;
        if (++index == delay) index = 0;
        left[i] += outLeft;
        right[i] += outRight;
    }
}

}  // namespace

Sound RenderTune(const Tune& tune)
{
    const double beatFrames = tune.BeatFrames();
    const double total = tune.TotalBeats();
    const long long loop = tune.LoopFrames();
    const long long barFrames = std::llround(tune.meter * beatFrames);
    const long long frames = loop + barFrames;
    // A beat's frame in the render: the repeated bar is placed from the loop's
    // end frame on, exactly as the first bar is placed from frame 0.
    auto frameOf = [&](double beat) {
        return beat < total - 1e-9 ? std::llround(beat * beatFrames) : loop + std::llround((beat - total) * beatFrames);
    };
    const Arranged arranged = Arrange(tune);

    std::vector<Track> tracks;
    for (const InstrumentSpec& spec : tune.instruments)
        tracks.push_back(Track{std::vector<float>(static_cast<size_t>(frames)), spec.pan, spec.reverb, spec.echo});
    const size_t kitBase = tracks.size();
    for (const KitSpec& spec : tune.kits)
        tracks.push_back(Track{std::vector<float>(static_cast<size_t>(frames)), spec.pan, spec.reverb, spec.echo});

    for (const Arranged::Note& placed : arranged.notes) {
        const InstrumentSpec& spec = tune.instruments[static_cast<size_t>(placed.part)];
        const double gate = placed.event->beats * beatFrames / kRate;
        const double inLoop = placed.beat < total - 1e-9 ? placed.beat : placed.beat - total;
        for (size_t n = 0; n < placed.event->notes.size(); ++n)
            RenderNote(spec, placed.event->notes[n], placed.event->velocity, gate,
                       PlaceSeed(placed.part, inLoop, static_cast<int>(n)), tracks[static_cast<size_t>(placed.part)].dry,
                       frameOf(placed.beat));
    }
    for (const Arranged::Hit& placed : arranged.hits) {
        const KitSpec& kit = tune.kits[static_cast<size_t>(placed.kit)];
        const double inLoop = placed.beat < total - 1e-9 ? placed.beat : placed.beat - total;
        const uint64_t seed = PlaceSeed(1000 + placed.kit, inLoop, static_cast<int>(placed.hit->lane));
        const std::vector<float> hit = RenderDrum(placed.hit->lane, placed.hit->velocity, kit.pitch, seed);
        AddInto(tracks[kitBase + static_cast<size_t>(placed.kit)].dry, hit, static_cast<int>(frameOf(placed.beat)),
                kit.gain);
    }

    Sound mix(static_cast<int>(frames), true);
    std::vector<float> roomSend(static_cast<size_t>(frames)), echoSend(static_cast<size_t>(frames));
    for (const Track& track : tracks) {
        const double angle = (track.pan + 1) * kPi / 4;
        // Equal power, normalised so that the centre keeps unit gain per side.
        const float gl = static_cast<float>(std::cos(angle) * std::sqrt(2.0));
        const float gr = static_cast<float>(std::sin(angle) * std::sqrt(2.0));
        for (size_t i = 0; i < track.dry.size(); ++i) {
            const float s = track.dry[i];
            mix.left[i] += gl * s;
            mix.right[i] += gr * s;
            roomSend[i] += static_cast<float>(track.reverb * s);
            echoSend[i] += static_cast<float>(track.echo * s);
        }
    }
    Reverb room(tune.roomSize, tune.roomDamping);
    for (size_t i = 0; i < roomSend.size(); ++i) {
        float l, r;
        room.Process(roomSend[i], l, r);
        mix.left[i] += 3.0f * l;
        mix.right[i] += 3.0f * r;
    }
    AddEcho(echoSend, tune.echoBeats * beatFrames, tune.echoFeedback, mix.left, mix.right);

    // Cross-fade the repeated bar into the start, then cut the loop.
    for (long long i = 0; i < barFrames; ++i) {
        const double w = 0.5 + 0.5 * std::cos(kPi * double(i) / double(barFrames));
        const size_t a = static_cast<size_t>(i), b = static_cast<size_t>(loop + i);
        mix.left[a] = static_cast<float>(w * mix.left[b] + (1 - w) * mix.left[a]);
        mix.right[a] = static_cast<float>(w * mix.right[b] + (1 - w) * mix.right[a]);
    }
    mix.left.resize(static_cast<size_t>(loop));
    mix.right.resize(static_cast<size_t>(loop));
    NormalisePeak(mix, tune.levelDb);
    return mix;
}

}  // namespace SoundGen
