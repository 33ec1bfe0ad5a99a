// One playing sound in the mixer: pulls 16-bit data from its source, converts
// it to the mixer's format, runs its own effects and adds the result, with
// saturation, into the mixing block.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <vector>

#include "engine/audio/audio_effect.h"
#include "engine/audio/audio_source.h"
#include "engine/core/ref_counter.h"

namespace Voke {

class AudioChannel : public RefCounter, public WeakRefCounter {
public:
    // Input-to-output byte ratio of the largest conversion (8 input bytes per
    // output byte, a stereo source at four times the rate of a mono mixer)
    // plus the output itself: the working area a Read of n bytes needs.
    static constexpr int kWorkFactor = 9;

    // A paused, non-looping channel over `source` converting to `mixFormat`.
    // Conversions exist between mono and stereo and for source rates of half,
    // a quarter, twice and four times the mixer's rate; for any other pairing
    // IsValid is false and the channel must not be played.
    AudioChannel(const AudioFormat& mixFormat, AudioSource* source);
    ~AudioChannel() override = default;

    bool IsValid() const { return m_valid; }

    // Adds up to `bytes` bytes of converted data into `mix`, using `work`
    // (at least kWorkFactor x `bytes` bytes) as scratch. Returns the bytes
    // contributed; fewer than `bytes` means the source has ended. A paused
    // channel adds nothing and returns `bytes`. Runs on the writer thread.
    int Read(int16_t* mix, int bytes, uint8_t* work);
    // Fills `out` with up to `bytes` bytes in the mixer's format, reading the
    // source's data into `input` (kWorkFactor - 1 times `bytes` bytes).
    int ReadConverted(uint8_t* out, int bytes, uint8_t* input);

    void AddEffect(AudioEffect* effect);
    bool RemoveEffect(AudioEffect* effect);

    // Flags read by the writer thread at its next block. Callers outside the
    // mixer change them through the mixer (Mixer::SetChannelPaused and
    // friends), which checks under its lock that the channel still plays.
    bool IsPaused() const { return m_paused.load(std::memory_order_relaxed); }
    void SetPaused(bool paused) { m_paused.store(paused, std::memory_order_relaxed); }
    bool IsLooping() const { return m_looping.load(std::memory_order_relaxed); }
    void SetLooping(bool looping) { m_looping.store(looping, std::memory_order_relaxed); }
    uint32_t GetGroupMask() const { return m_groupMask.load(std::memory_order_relaxed); }
    void SetGroupMask(uint32_t mask) { m_groupMask.store(mask, std::memory_order_relaxed); }

    AudioSource* GetSource() const { return m_source; }

    // A conversion between frames: `up` output frames per input frame or one
    // output frame per `down` input frames, with the channel counts mapped.
    using Converter = void (*)(const int16_t* in, int16_t* out, int outFrames);

private:
    // Reads `bytes` bytes of source data into `into`, rewinding at the end
    // when looping.
    int ReadSource(uint8_t* into, int bytes);

    SmartPtr<AudioSource> m_source;
    int m_inFrameBytes = 0;   // bytes of one source frame
    int m_outFrameBytes = 0;  // bytes of one mixer frame
    int m_up = 1;             // output frames per input frame
    int m_down = 1;           // input frames per output frame
    Converter m_convert = nullptr;  // null: formats match, no conversion
    bool m_valid = false;

    std::atomic<bool> m_looping{false};
    std::atomic<bool> m_paused{true};
    std::atomic<uint32_t> m_groupMask{0};

    // The channel's own effects; `m_lock` guards the list against the main
    // thread's AddEffect/RemoveEffect while the writer thread runs them.
    std::mutex m_lock;
    std::list<SmartPtr<AudioEffect>> m_effects;

    // Writer thread only: the input frame of an up-conversion still owed
    // `m_carry` more repeats at the start of the next read, so that every
    // input frame is repeated exactly `m_up` times across reads.
    uint32_t m_heldSample = 0;
    int m_carry = 0;
};

}  // namespace Voke
