// Sample buffers of the sound generator and the level arithmetic on them.
//
// Every sound is rendered as floating-point samples in [-1, 1] at one rate,
// the rate of the game's mixer, so that no sound is ever resampled while the
// game plays. A sound is mono, or stereo when its source moves across the
// listener. Level figures are in dB relative to full scale (dBFS): 0 dBFS is
// the largest 16-bit sample.
#pragma once

#include <vector>

namespace SoundGen {

// NOTE: 22050 Hz is the game mixer's rate; the mixer converts only rates that
// are 1/4, 1/2, 2 or 4 times its own, and a source at its own rate costs no
// conversion at all.
constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

// Frames in `seconds` of sound, rounded to the nearest frame.
int FramesOf(double seconds);
double DbToGain(double db);
double GainToDb(double gain);  // -inf dB for 0

// A mono or stereo sound. A mono sound keeps its samples in `left` and leaves
// `right` empty.
struct Sound {
    std::vector<float> left;
    std::vector<float> right;

    Sound() = default;
    Sound(int frames, bool stereo);
    static Sound Mono(std::vector<float> samples);
    static Sound Stereo(std::vector<float> left, std::vector<float> right);

    bool IsStereo() const { return !right.empty(); }
    int Frames() const { return static_cast<int>(left.size()); }
    double Seconds() const { return double(Frames()) / kRate; }
};

struct Level {
    double peakDb = 0;  // largest absolute sample of any channel
    double rmsDb = 0;   // root mean square over every sample of every channel
};
Level Measure(const Sound& sound);

// Scales the sound so that its largest sample sits at `peakDb` (below 0). A
// silent sound stays silent.
void NormalisePeak(Sound& sound, double peakDb);

// Raised-cosine fades over the first / last `seconds` of the sound, so that it
// starts and ends at silence whatever is playing at those moments.
void FadeIn(Sound& sound, double seconds);
void FadeOut(Sound& sound, double seconds);

// Adds `source` into `target` from frame `at` on, scaled by `gain`; samples
// that fall outside `target` are dropped.
void AddInto(std::vector<float>& target, const std::vector<float>& source, int at, double gain);

// Equal-power placement of a mono track: pan -1 is hard left, +1 hard right;
// `pan` is called once per frame with the time in seconds.
template <typename PanOfTime>
Sound PanTrack(const std::vector<float>& mono, PanOfTime pan);

// 16-bit samples with rounding; the caller has kept the sound inside full
// scale (a sample beyond it is clamped, never wrapped). Stereo frames are
// interleaved left, right.
std::vector<short> ToPcm16(const Sound& sound);

}  // namespace SoundGen

#include "tools/soundgen/signal_pan.inl"
