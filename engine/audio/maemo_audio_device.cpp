#include "engine/audio/maemo_audio_device.h"

#include <pulse/simple.h>

#include <chrono>
#include <cstdlib>

#include "engine/core/application_title.h"

namespace Voke {

namespace {
// Written by the writer threads, read by anyone.
std::atomic<uint64_t> g_underruns{0};
}  // namespace

uint64_t MaemoAudioDevice::GetUnderrunCount() { return g_underruns.load(); }

SmartPtr<AudioDevice> MaemoAudioDevice::Create(const AudioFormat& format, const MixerConfig& config)
{
    return SmartPtr<AudioDevice>(new MaemoAudioDevice(format, config));
}

NarrowString MaemoAudioDevice::GetApplicationName()
{
    return ApplicationTitle;
}

MaemoAudioDevice::MaemoAudioDevice(const AudioFormat& format, const MixerConfig& config) : m_format(format)
{
    const int bufferSize = config.bufferSize > 0 ? config.bufferSize : 4096;
    m_buffer.assign(static_cast<size_t>(bufferSize), 0);

    const NarrowString name = GetApplicationName();
    setenv("PULSE_PROP_application.name", name.c_str(), 1);
    Connect();
}

void MaemoAudioDevice::Connect()
{
    const NarrowString name = GetApplicationName();
    const int bufferSize = static_cast<int>(m_buffer.size());
    pa_sample_spec spec;
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = static_cast<uint32_t>(m_format.rate);
    spec.channels = static_cast<uint8_t>(m_format.channels);
    // Two blocks of target length: the mixer runs about two blocks ahead of
    // what is heard.
    pa_buffer_attr attr;
    attr.maxlength = 2 * static_cast<uint32_t>(bufferSize);
    attr.tlength = 2 * static_cast<uint32_t>(bufferSize);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(bufferSize);
    attr.fragsize = static_cast<uint32_t>(-1);
    // An invalid spec would trip an assertion inside the library; refuse it
    // here and stay silent.
    if (pa_sample_spec_valid(&spec))
        m_connection = pa_simple_new(nullptr, name.c_str(), PA_STREAM_PLAYBACK, nullptr, "audio", &spec, nullptr, &attr, nullptr);
    m_connected = m_connection != nullptr;
}

MaemoAudioDevice::~MaemoAudioDevice()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(m_stopLock);
            m_stopFlag = true;
        }
        m_stopCondition.notify_all();
        m_thread.join();
    }
    CloseConnection();
}

void MaemoAudioDevice::CloseConnection()
{
    if (m_connection) pa_simple_free(m_connection);
    m_connection = nullptr;
    m_connected = false;
}

void MaemoAudioDevice::Start(AudioStream* stream)
{
    if (m_thread.joinable() || !stream) return;
    m_stream = stream;
    m_thread = std::thread(&MaemoAudioDevice::ThreadMain, this);
}

void MaemoAudioDevice::ThreadMain()
{
    const int bytes = static_cast<int>(m_buffer.size());
    const int bytesPerSecond = m_format.rate * m_format.FrameBytes();
    // How long one block plays: the pace of a device without a server.
    const auto blockTime = std::chrono::microseconds(
        bytesPerSecond > 0 ? int64_t(bytes) * 1000000 / bytesPerSecond : 46000);
    auto next = std::chrono::steady_clock::now();
    auto lastAttempt = next;
    // NOTE: a stream starts playing once two blocks (its target length)
    // are written; before that an empty buffer is no underrun. Afterwards a
    // write that finds less than an eighth of a block still to be heard
    // counts as one: a writer on time finds one to two blocks queued, and
    // what remains when the server has run dry is the sink's own latency
    // (well under a millisecond on a null sink).
    int written = 0;
    const pa_usec_t dryUs = static_cast<pa_usec_t>(blockTime.count() / 8);

    while (!m_stopFlag.load()) {
        // A server that has come (back) is taken up again, so the sound
        // returns without a restart; at most one attempt per interval, since
        // a refused connection costs a socket round trip.
        if (!m_connection && std::chrono::steady_clock::now() - lastAttempt >= kReconnectInterval) {
            lastAttempt = std::chrono::steady_clock::now();
            Connect();
            if (m_connection) {
                next = lastAttempt;
                written = 0;  // a new stream fills up again
            }
        }

        // The stream outlives the thread (its owner releases the device, and
        // so joins this thread, before anything else).
        if (AudioStream* stream = m_stream.Get()) stream->Read(m_buffer.data(), bytes);

        if (m_connection) {
            if (written >= 2) {
                int error = 0;
                const pa_usec_t queued = pa_simple_get_latency(m_connection, &error);
                if (queued < dryUs && error == 0) ++g_underruns;
            }
            if (pa_simple_write(m_connection, m_buffer.data(), m_buffer.size(), nullptr) >= 0) {
                if (written < 2) ++written;
                next = std::chrono::steady_clock::now();
                continue;
            }
            // The server has gone: carry on silently rather than spin on
            // writes that fail at once.
            CloseConnection();
        }
        next += blockTime;
        // After a stall, resume the pace from now instead of catching up.
        const auto now = std::chrono::steady_clock::now();
        if (next < now - blockTime) next = now;
        std::unique_lock<std::mutex> lock(m_stopLock);
        m_stopCondition.wait_until(lock, next, [this] { return m_stopFlag.load(); });
    }
}

}  // namespace Voke
