// The output side of the audio system: a stream that yields mixed sample data
// (the mixer) and a device that feeds a stream to the platform's sound server
// from a writer thread of its own.
#pragma once

#include <cstdint>

#include "engine/audio/audio_format.h"
#include "engine/core/ref_counter.h"

namespace Voke {

// Sizes of the mixer's work.
struct MixerConfig {
    int bufferSize = 4096;  // bytes per mixing block and per device write
    int maxChannels = 10;   // playing channels, unless a play is forced
};

// Something that fills buffers with sample data on request.
class AudioStream : public RefCounter, public WeakRefCounter {
public:
    ~AudioStream() override = default;
    // Fills `bytes` bytes of `buffer`; returns the count.
    virtual int Read(void* buffer, int bytes) = 0;
};

class AudioDevice : public RefCounter {
public:
    ~AudioDevice() override = default;
    // Begins feeding the device from `stream` on the device's own thread. The
    // stream must outlive the device: whoever owns both releases the device
    // first, which stops and joins the thread.
    virtual void Start(AudioStream* stream) = 0;
    // Hook for devices that need a periodic nudge; the sound-server device
    // needs none.
    virtual void Update() {}
};

}  // namespace Voke
