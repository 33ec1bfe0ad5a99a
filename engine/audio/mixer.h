// The engine's software mixer.
//
// One mixer exists, held by the application base. Each playing sound is a
// channel that converts its source to the mixer's format and is added, with
// saturation, into a mixing block; the output device's writer thread pulls
// finished blocks through Read, after the master effects and the resampling
// by the global time-rate factor have run over them. While any pause reason
// is held the mixer has no output device (and no writer thread); channels and
// effects keep their state.
//
// Threads and locks. The writer thread runs Read and takes, in this order, the
// effect-list lock, the channel-list lock, a channel's own lock and, beneath a
// source read, an archive's lock. Other threads take one mixer lock at a time.
// SetPaused takes no list lock: releasing the device joins the writer thread,
// so it must not be called with a mixer lock held.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "engine/audio/audio_channel.h"
#include "engine/audio/audio_device.h"
#include "engine/audio/audio_effect.h"
#include "engine/audio/audio_source.h"
#include "engine/core/ref_counter.h"

namespace Voke {

class Mixer : public AudioStream {
public:
    // Pause reasons held in the pause mask.
    enum PauseReason : int {
        kPauseInactive = 1,  // the application is not the active window
        kPauseOverlay = 2,   // the debug overlay is shown
    };

    // Makes the output device for a mixer; null when there is none.
    using DeviceFactory = SmartPtr<AudioDevice> (*)(const AudioFormat& format, const MixerConfig& config);

    // The game's mixer: stereo, 22050 Hz, 4096-byte blocks, 10 channels, fed
    // to the sound server (`factory` null means the sound-server device).
    // Without a sound server the mixer still works and plays into silence.
    explicit Mixer(const AudioFormat& format = AudioFormat{2, 22050}, const MixerConfig& config = MixerConfig(),
                   DeviceFactory factory = nullptr);
    ~Mixer() override;
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Fills `bytes` bytes with mixed data and returns `bytes`. Writer thread.
    int Read(void* buffer, int bytes) override;

    // A new, paused channel playing `source` from its beginning. Every channel
    // reads through a position of its own, so one source may sound on several
    // channels at once; a source that cannot be positioned (a module) stops
    // its earlier channel instead. Empty when the source is null, its format
    // has no conversion to the mixer's, or, unless `force`, the mixer already
    // has its maximum of channels. Callers never rewind a source themselves.
    WeakPtr<AudioChannel> StartChannel(AudioSource* source, bool force);
    // StartChannel, with the looping flag set before the channel is audible,
    // then unpaused.
    WeakPtr<AudioChannel> Play(AudioSource* source, bool force, bool looping = false);
    // Removes and releases the channel; false when it has already ended.
    bool StopChannel(const WeakPtr<AudioChannel>& channel);

    // Flag changes and queries on a channel, made under the channel-list lock
    // so that they never touch a channel the writer thread is releasing. The
    // setters return false when the channel has already ended.
    bool SetChannelPaused(const WeakPtr<AudioChannel>& channel, bool paused);
    bool SetChannelLooping(const WeakPtr<AudioChannel>& channel, bool looping);
    bool SetChannelGroup(const WeakPtr<AudioChannel>& channel, uint32_t mask);
    bool IsPlaying(const WeakPtr<AudioChannel>& channel);
    int GetChannelCount();

    // Group operations on every channel whose group mask shares a bit with
    // `mask`.
    void SetGroupPaused(uint32_t mask, bool paused);
    void StopGroup(uint32_t mask);
    void StopAll();

    // Master effects, run in list order over every mixed block.
    void AddEffect(AudioEffect* effect);
    bool RemoveEffect(AudioEffect* effect);

    // Adds (`paused` true) or removes the reason bits. While the mask is non-zero
    // the mixer holds no output device; when it becomes zero a new device is
    // made and started. Main thread only.
    void SetPaused(int reasons, bool paused);
    int GetPauseMask() const { return m_pauseMask.load(); }
    bool HasDevice();
    // Passes the device's periodic nudge on when there is a device.
    void UpdateDevice();

    const AudioFormat& GetFormat() const { return m_format; }
    const MixerConfig& GetConfig() const { return m_config; }

private:
    // The channel-list entry for `channel`, or end(); channel lock held.
    std::vector<SmartPtr<AudioChannel>>::iterator Find(const WeakPtr<AudioChannel>& channel);
    void MixBlock(float factor);

    AudioFormat m_format;
    MixerConfig m_config;
    DeviceFactory m_factory;

    // The output device: made and released by SetPaused (main thread) and the
    // destructor, never touched by the writer thread.
    std::mutex m_deviceLock;
    SmartPtr<AudioDevice> m_device;
    std::atomic<int> m_pauseMask{0};

    // Channel list: written by the main and loader threads (play, stop),
    // read and pruned by the writer thread.
    std::mutex m_channelLock;
    std::vector<SmartPtr<AudioChannel>> m_channels;

    // Master effects: written by the main thread, run by the writer thread.
    std::mutex m_effectLock;
    std::vector<SmartPtr<AudioEffect>> m_effects;

    // Writer thread only: the current block, how much of it has been handed
    // out, the larger mixing area a rate change or an effect may need, the
    // channels' scratch area and the resampler behind the time rate.
    std::vector<uint8_t> m_block;
    int m_blockPos;
    std::vector<uint8_t> m_area;
    std::vector<uint8_t> m_channelWork;
    EffectScale m_rateEffect;
};

}  // namespace Voke
