// Helpers of the audio tests: sources made from sample vectors and a mixer
// without an output device, read directly.
#pragma once

#include <cstring>
#include <vector>

#include "engine/audio/audio_source.h"
#include "engine/audio/mixer.h"

namespace Voke {
namespace test {

inline SmartPtr<AudioBuffer> MakeBuffer(const AudioFormat& format, const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes(samples.size() * 2);
    if (!samples.empty()) std::memcpy(bytes.data(), samples.data(), bytes.size());
    return SmartPtr<AudioBuffer>(new AudioBuffer(format, std::move(bytes)));
}

inline SmartPtr<AudioDevice> NoDevice(const AudioFormat&, const MixerConfig&) { return nullptr; }

inline std::vector<int16_t> ReadSamples(AudioStream* stream, int bytes)
{
    std::vector<int16_t> out(static_cast<size_t>(bytes) / 2);
    stream->Read(out.data(), bytes);
    return out;
}

}  // namespace test
}  // namespace Voke
