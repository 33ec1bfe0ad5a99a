// WAVE sources: 16-bit integer PCM read from a stream as it plays.
#pragma once

#include "engine/audio/audio_source.h"
#include "engine/core/io_stream.h"

namespace Voke {

class AudioWave : public AudioSource {
public:
    // A source over the named file, opened through the mount table. Null when
    // the file is missing or is not a RIFF "WAVE" file of mono or stereo
    // 16-bit integer PCM at a rate of 1 to AudioFormat::kMaxRate with a
    // non-empty "data" chunk inside the file.
    static SmartPtr<AudioWave> Create(const NarrowString& name);
    // The same over an open stream, which the source keeps.
    static SmartPtr<AudioWave> Create(SeekableStream* stream);

    // Reads the header and walks the chunks up to the "data" chunk (skipping
    // the pad byte after a chunk of odd size), leaving the stream at its
    // first sample byte. Returns the sample-data length in
    // bytes (cut to what the file holds, in whole frames), or 0 when the file
    // is refused; `format` receives the channel count and rate.
    static int ParseHeader(SeekableStream* stream, AudioFormat& format);

    // Delivers what the stream delivers, never more than the data holds.
    int Read(void* buffer, int bytes) override;
    void Rewind() override;
    int GetLength() override { return m_length; }
    // Clamped to the sample data.
    void SetPosition(int bytes) override;
    int GetPosition() override { return m_position; }

private:
    AudioWave(SeekableStream* stream, const AudioFormat& format, int length);

    SmartPtr<SeekableStream> m_stream;
    int m_length;
    int m_dataStart;
    int m_position = 0;
};

}  // namespace Voke
