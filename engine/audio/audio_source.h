// Audio sources: things that hand out signed 16-bit sample data on request.
//
// All sizes and positions are byte counts of 16-bit sample data (a stereo
// frame is 4 bytes, a mono frame 2), never frames or seconds. A Read that
// delivers fewer bytes than asked means the end of the sound.
//
// Sources are made on the main or loader thread and read only by the audio
// writer thread, through the mixer's channels.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/audio/audio_format.h"
#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {

class AudioSource : public RefCounter, public WeakRefCounter {
public:
    ~AudioSource() override = default;

    // Copies up to `bytes` bytes into `buffer` and advances; returns the count
    // delivered (0 for a request of 0 or less, or at the end).
    virtual int Read(void* buffer, int bytes) = 0;
    // Back to the first sample.
    virtual void Rewind() = 0;
    // Total length of the sample data in bytes; 0 when the source cannot tell.
    virtual int GetLength() = 0;
    // Moves to a byte offset from the start of the sample data. Positions past
    // the end make the next Read deliver nothing.
    virtual void SetPosition(int bytes) = 0;
    virtual int GetPosition() = 0;

    const AudioFormat& GetFormat() const { return m_format; }

    // A source for a file, chosen by the name's ending (case-sensitive):
    // ".wav" a wave source and ".ogg" an Ogg Vorbis source, both read through
    // the mount table; ".xm" a tracker-module source. With `decode` the result
    // is instead a buffer holding the whole decoded sound. Null for any other
    // ending, a missing file or a file that cannot be read as its kind.
    static SmartPtr<AudioSource> Create(const NarrowString& name, bool decode);
    // An Ogg Vorbis source decoding from a copy of the whole file held in
    // memory, so that playing it never touches the archives. Null when the
    // name does not end in ".ogg" or the file is missing or not Ogg Vorbis.
    static SmartPtr<AudioSource> CreateCachedOgg(const NarrowString& name);

protected:
    AudioFormat m_format;
};

// A sound decoded whole into memory.
class AudioBuffer : public AudioSource {
public:
    // Limit of one decoded sound: 128 MiB is over 25 minutes of 44100 Hz
    // stereo; longer sounds are refused rather than allowed to exhaust memory.
    static constexpr int64_t kMaxBytes = int64_t(128) << 20;

    AudioBuffer(const AudioFormat& format, std::vector<uint8_t> data);

    int Read(void* buffer, int bytes) override;
    void Rewind() override { m_position = 0; }
    int GetLength() override { return static_cast<int>(m_data.size()); }
    void SetPosition(int bytes) override { m_position = bytes; }
    int GetPosition() override { return m_position; }

    const std::vector<uint8_t>& GetData() const { return m_data; }

    // Decodes what remains of `source` into a new buffer at position 0, with
    // the source's format. The buffer holds exactly the bytes the source
    // delivered (a truncated file gives a shorter buffer, never stale bytes);
    // its length is whole frames. Null when the source is null or reports a
    // length beyond kMaxBytes. The source is left at its end.
    static SmartPtr<AudioBuffer> FromSource(AudioSource* source);

private:
    std::vector<uint8_t> m_data;
    int m_position = 0;
};

// A read position of its own over a shared source, so that one sound can play
// on several channels at once. Each Read moves the inner source to this
// position first, which is safe because only the writer thread reads sources.
class AudioPosition : public AudioSource {
public:
    // A null `source` gives a source that delivers nothing.
    explicit AudioPosition(AudioSource* source);

    int Read(void* buffer, int bytes) override;
    void Rewind() override { m_position = 0; }
    int GetLength() override { return m_source ? m_source->GetLength() : 0; }
    void SetPosition(int bytes) override { m_position = bytes; }
    int GetPosition() override { return m_position; }

    AudioSource* GetInner() const { return m_source; }

private:
    SmartPtr<AudioSource> m_source;
    int m_position = 0;
};

}  // namespace Voke
