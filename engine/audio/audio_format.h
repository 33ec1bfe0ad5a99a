// The format of 16-bit sample data: channel count and sample rate. Samples are
// always signed 16-bit little-endian, stereo frames interleaved left then
// right; the width is not part of the format.
#pragma once

#include <cstdint>

namespace Voke {

struct AudioFormat {
    // NOTE: the highest sample rate a sound file may declare (the highest
    // rate of common audio hardware); files declaring more are refused at
    // load, which also keeps rate arithmetic far from overflow.
    static constexpr int32_t kMaxRate = 384000;

    int32_t channels = 0;  // 1 mono, 2 stereo
    int32_t rate = 0;      // sample frames per second

    // Whether a file may declare `rate` (1 to kMaxRate).
    static bool IsPlayableRate(int64_t rate) { return rate >= 1 && rate <= kMaxRate; }

    // Bytes of one frame of 16-bit data.
    int32_t FrameBytes() const { return channels * 2; }
    bool operator==(const AudioFormat& other) const { return channels == other.channels && rate == other.rate; }
    bool operator!=(const AudioFormat& other) const { return !(*this == other); }
};

}  // namespace Voke
