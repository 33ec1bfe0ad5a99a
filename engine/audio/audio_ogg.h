// Ogg Vorbis sources, decoded while they play by the reference Vorbis decoder
// (libvorbisfile) reading from an engine stream (a file, a pak entry or a copy
// in memory). A damaged file gives no source, or reads that end early; the
// decoder refuses headers it cannot use rather than divide by their fields.
#pragma once

#include <memory>

#include "engine/audio/audio_source.h"
#include "engine/core/io_stream.h"

namespace Voke {

class AudioOgg : public AudioSource {
public:
    // A source decoding `stream`, which it keeps. Null when the decoder does
    // not recognise the stream as Ogg Vorbis, or its rate is outside 1 to
    // AudioFormat::kMaxRate.
    static SmartPtr<AudioOgg> Create(SeekableStream* stream);
    ~AudioOgg() override;

    // Fills the request in one call, looping over the decoder's packets; a
    // damaged or truncated stream ends the read with what was decoded.
    int Read(void* buffer, int bytes) override;
    void Rewind() override;
    // 0 when the stream cannot tell its length (or it passes 2 GiB).
    int GetLength() override;
    void SetPosition(int bytes) override;
    // Never past the stream's end; 0 when it cannot be told.
    int GetPosition() override;

    struct Decoder;  // the decoder's state, kept out of this header

private:
    explicit AudioOgg(SeekableStream* stream);
    // Bytes of `frames` frames; 0 for a count that is negative or does not
    // fit 2 GiB.
    int FramesToBytes(int64_t frames) const;

    SmartPtr<SeekableStream> m_stream;
    std::unique_ptr<Decoder> m_decoder;
};

}  // namespace Voke
