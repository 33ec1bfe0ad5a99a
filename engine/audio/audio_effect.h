// Audio effects: transforms of 16-bit sample blocks, run by the mixer over
// every mixed block (master effects) and by channels over their own data.
// They run on the audio writer thread inside the mixer's locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/audio/audio_format.h"
#include "engine/core/ref_counter.h"

namespace Voke {

class AudioEffect : public RefCounter {
public:
    ~AudioEffect() override = default;

    // Transforms the first `bytes` bytes of `buffer` in place; returns the
    // number of valid bytes afterwards. `capacity` is the size of the request
    // the data was read for.
    virtual int Process(uint8_t* buffer, int capacity, int bytes) = 0;
    // True when the effect should leave its list after this block.
    virtual bool IsFinished() { return false; }
    // Input bytes needed to produce `outputBytes` bytes.
    virtual int GetInputSize(int outputBytes) { return outputBytes; }
};

// Volume by bit shift: every sample is shifted right arithmetically. Shift 0
// leaves the data as it is, 1 halves it, 16 silences it.
class EffectVolumeShift : public AudioEffect {
public:
    EffectVolumeShift(const AudioFormat& format, uint32_t shift) : m_format(format), m_shift(shift) {}

    // Any shift of 15 or more gives 0 for non-negative and -1 for negative
    // samples.
    int Process(uint8_t* buffer, int capacity, int bytes) override;

    // Written by the main thread, read by the writer thread; a change takes
    // effect from the next block.
    void SetShift(uint32_t shift) { m_shift.store(shift, std::memory_order_relaxed); }
    uint32_t GetShift() const { return m_shift.load(std::memory_order_relaxed); }

private:
    AudioFormat m_format;
    std::atomic<uint32_t> m_shift;
};

// Playback-rate change by sample-and-hold: each output frame repeats the
// input frame last taken. Above 1 plays faster, below 1 slower. The carried
// read position keeps the sequence continuous from one block to the next.
class EffectScale : public AudioEffect {
public:
    // Rates are limited to this range (a factor of 16 asks 16 blocks of input
    // per block of output); zero, negative and huge factors take the nearest
    // limit and NaN counts as 1, so no request size ever goes negative.
    static constexpr float kMinFactor = 1.0f / 16.0f;
    static constexpr float kMaxFactor = 16.0f;

    // `rate` points at the rate to start with.
    EffectScale(const AudioFormat& format, const float* rate);

    // Sets `outputBytes` as the output size of the next Process and returns
    // the input bytes that Process needs for it.
    int GetInputSize(int outputBytes) override;
    // Resamples `bytes` input bytes into the output size last given to
    // GetInputSize and returns it; a factor of 1 returns the data unchanged.
    int Process(uint8_t* buffer, int bytes, int unused) override;

    void SetFactor(float factor) { m_factor = ClampFactor(factor); }
    float GetFactor() const { return m_factor; }
    float GetPosition() const { return m_position; }
    void SetOutputSize(int bytes) { m_outputSize = bytes > 0 ? static_cast<uint32_t>(bytes) : 0; }

    static float ClampFactor(float factor);

private:
    int FrameShift() const { return m_format.channels > 1 ? 2 : 1; }

    AudioFormat m_format;
    float m_factor;
    float m_position = 1.0f;
    uint32_t m_outputSize = 0;
    uint32_t m_held = 0;
    std::vector<uint8_t> m_work;
};

}  // namespace Voke
