#include "tools/soundgen/signal.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace SoundGen {

int FramesOf(double seconds) { return static_cast<int>(std::lround(seconds * kRate)); }

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

double GainToDb(double gain)
{
    return gain > 0 ? 20.0 * std::log10(gain) : -std::numeric_limits<double>::infinity();
}

Sound::Sound(int frames, bool stereo) : left(static_cast<size_t>(frames), 0.0f)
{
    if (stereo) right.assign(static_cast<size_t>(frames), 0.0f);
}

Sound Sound::Mono(std::vector<float> samples)
{
    Sound sound;
    sound.left = std::move(samples);
    return sound;
}

Sound Sound::Stereo(std::vector<float> left, std::vector<float> right)
{
    Sound sound;
    right.resize(left.size(), 0.0f);
    sound.left = std::move(left);
    sound.right = std::move(right);
    return sound;
}

Level Measure(const Sound& sound)
{
    double peak = 0, sum = 0;
    size_t count = 0;
    for (const std::vector<float>* channel : {&sound.left, &sound.right}) {
        for (float s : *channel) {
            peak = std::max(peak, double(std::fabs(s)));
            sum += double(s) * s;
        }
        count += channel->size();
    }
    Level level;
    level.peakDb = GainToDb(peak);
    level.rmsDb = GainToDb(count ? std::sqrt(sum / double(count)) : 0.0);
    return level;
}

void NormalisePeak(Sound& sound, double peakDb)
{
    float peak = 0;
    for (float s : sound.left) peak = std::max(peak, std::fabs(s));
    for (float s : sound.right) peak = std::max(peak, std::fabs(s));
    if (peak <= 0) return;
    const float gain = static_cast<float>(DbToGain(peakDb) / peak);
    for (float& s : sound.left) s *= gain;
    for (float& s : sound.right) s *= gain;
}

namespace {

template <typename GainOfIndex>
void ApplyGain(Sound& sound, int from, int to, GainOfIndex gain)
{
    for (int i = std::max(from, 0); i < std::min(to, sound.Frames()); ++i) {
        const float g = static_cast<float>(gain(i));
        sound.left[i] *= g;
        if (sound.IsStereo()) sound.right[i] *= g;
    }
}

}  // namespace

void FadeIn(Sound& sound, double seconds)
{
    const int n = std::min(FramesOf(seconds), sound.Frames());
    if (n <= 0) return;
    ApplyGain(sound, 0, n, [n](int i) { return 0.5 - 0.5 * std::cos(kPi * i / n); });
}

void FadeOut(Sound& sound, double seconds)
{
    const int frames = sound.Frames();
    const int n = std::min(FramesOf(seconds), frames);
    if (n <= 0) return;
    // The last frame reaches exact silence.
    ApplyGain(sound, frames - n, frames,
              [n, frames](int i) { return 0.5 - 0.5 * std::cos(kPi * (frames - 1 - i) / (n - 1 > 0 ? n - 1 : 1)); });
}

void AddInto(std::vector<float>& target, const std::vector<float>& source, int at, double gain)
{
    const int size = static_cast<int>(target.size());
    for (size_t i = 0; i < source.size(); ++i) {
        const long long t = at + static_cast<long long>(i);
        if (t < 0) continue;
        if (t >= size) break;
        target[static_cast<size_t>(t)] += static_cast<float>(source[i] * gain);
    }
}

std::vector<short> ToPcm16(const Sound& sound)
{
    const bool stereo = sound.IsStereo();
    std::vector<short> pcm(sound.left.size() * (stereo ? 2 : 1));
    auto convert = [](float s) {
        const long v = std::lround(double(s) * 32767.0);
        return static_cast<short>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
    };
    for (size_t i = 0; i < sound.left.size(); ++i) {
        if (stereo) {
            pcm[2 * i] = convert(sound.left[i]);
            pcm[2 * i + 1] = convert(sound.right[i]);
        } else {
            pcm[i] = convert(sound.left[i]);
        }
    }
    return pcm;
}

}  // namespace SoundGen
