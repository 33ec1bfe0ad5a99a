// The output device on the PulseAudio sound server: one playback stream
// opened through the simple API and one writer thread that pulls blocks from
// the stream it serves (the mixer) and writes them to the server, which
// blocks while the server's buffer is full and so paces the thread.
//
// Without a sound server, or after the server goes away, the device stays
// silent: its thread still pulls blocks at the rate they would be heard (so
// sounds end on time and nothing piles up) and sleeps in between, never
// spinning. Meanwhile it tries to open a new stream once per
// kReconnectInterval, so the sound comes back with the server.
//
// Underruns: the simple API reports none, so the writer asks the server,
// before each write, how much written sound is still to be heard (the
// stream's latency, which includes the sink's own). A write that finds less
// than an eighth of a block left, once the stream has been filled and has
// started, came too late: the server ran dry, or was within a few
// milliseconds of it, and the listener heard a gap. Such writes are counted
// process-wide, over every device. Limits: on a sink whose own latency
// exceeds an eighth of a block a dry server is not seen; the server's clock
// is interpolated between its timing updates.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/audio/audio_device.h"
#include "engine/core/strings.h"

struct pa_simple;

namespace Voke {

class MaemoAudioDevice : public AudioDevice {
public:
    // A new device for `format` with writes of config.bufferSize bytes; the
    // mixer's device factory.
    static SmartPtr<AudioDevice> Create(const AudioFormat& format, const MixerConfig& config);

    // Sets "PULSE_PROP_application.name" to the application's name and opens
    // the playback stream. Always yields a device, connected or not.
    MaemoAudioDevice(const AudioFormat& format, const MixerConfig& config);
    // Stops and joins the writer thread, then closes the stream.
    ~MaemoAudioDevice() override;

    // Starts the writer thread over `stream`; only the first call does.
    void Start(AudioStream* stream) override;

    // Whether the stream to the server is open (false without a server, or
    // once a write has failed).
    bool IsConnected() const { return m_connected.load(); }
    const AudioFormat& GetFormat() const { return m_format; }

    // The name the device gives the server: the program's title.
    static NarrowString GetApplicationName();

    // Writes, by every device of the process so far, that found the
    // server's buffer empty (see above).
    static uint64_t GetUnderrunCount();

    // NOTE: how often a device without a server tries to connect again.
    static constexpr std::chrono::milliseconds kReconnectInterval{1000};

private:
    // Opens the playback stream; leaves m_connection null when no server
    // takes it. Constructor, then the writer thread only.
    void Connect();
    void ThreadMain();
    void CloseConnection();

    AudioFormat m_format;
    // Opened by the constructor; afterwards opened again, used and closed
    // only by the writer thread, and closed by the destructor after the join.
    pa_simple* m_connection = nullptr;
    std::atomic<bool> m_connected{false};
    std::vector<uint8_t> m_buffer;
    std::thread m_thread;
    WeakPtr<AudioStream> m_stream;

    // Set by the destroying thread, read by the writer thread; the condition
    // wakes a writer that is sleeping through a silent block.
    std::atomic<bool> m_stopFlag{false};
    std::mutex m_stopLock;
    std::condition_variable m_stopCondition;
};

}  // namespace Voke
