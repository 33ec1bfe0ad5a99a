#include "engine/audio/audio_ogg.h"

#include <vorbis/vorbisfile.h>

#include <climits>

#include "engine/audio/vorbis_header_check.h"

namespace Voke {

struct AudioOgg::Decoder {
    OggVorbis_File file;
};

namespace {

size_t ReadCallback(void* ptr, size_t size, size_t count, void* source)
{
    if (size == 0 || count == 0) return 0;
    size_t bytes = size * count;
    if (bytes / size != count || bytes > INT_MAX) bytes = INT_MAX - INT_MAX % size;
    const int got = static_cast<SeekableStream*>(source)->Read(ptr, static_cast<int>(bytes));
    // The decoder counts whole items of `size` bytes.
    return got > 0 ? static_cast<size_t>(got) / size : 0;
}

int SeekCallback(void* source, ogg_int64_t offset, int whence)
{
    if (offset < INT_MIN || offset > INT_MAX) return -1;
    const int origin = whence == SEEK_SET ? IOStream::SeekSet : whence == SEEK_CUR ? IOStream::SeekCur : IOStream::SeekEnd;
    // The decoder needs to hear of a failed seek.
    return static_cast<SeekableStream*>(source)->Seek(static_cast<int>(offset), origin) ? 0 : -1;
}

int CloseCallback(void*) { return 0; }  // the stream is released with the source

long TellCallback(void* source) { return static_cast<SeekableStream*>(source)->Tell(); }

}  // namespace

AudioOgg::AudioOgg(SeekableStream* stream) : m_stream(stream), m_decoder(new Decoder()) {}

SmartPtr<AudioOgg> AudioOgg::Create(SeekableStream* stream)
{
    if (!stream) return nullptr;
    SmartPtr<AudioOgg> source(new AudioOgg(stream));
    // The decoder divides by fields of the setup header: they are checked
    // before it sees them.
    if (!VorbisHeaderCheck::Check(stream) || !stream->Seek(0, IOStream::SeekSet)) {
        source->m_decoder.reset();
        return nullptr;
    }
    const ov_callbacks callbacks = {&ReadCallback, &SeekCallback, &CloseCallback, &TellCallback};
    if (ov_open_callbacks(stream, &source->m_decoder->file, nullptr, 0, callbacks) != 0) {
        source->m_decoder.reset();
        return nullptr;
    }
    // Only the first stream's headers were checked: a file chained from
    // several streams (or damaged into looking so) is refused.
    if (ov_streams(&source->m_decoder->file) != 1) return nullptr;
    vorbis_info* info = ov_info(&source->m_decoder->file, -1);
    if (!info || info->channels < 1 || !AudioFormat::IsPlayableRate(info->rate)) return nullptr;
    source->m_format.channels = info->channels;
    source->m_format.rate = static_cast<int32_t>(info->rate);
    return source;
}

AudioOgg::~AudioOgg()
{
    if (m_decoder) ov_clear(&m_decoder->file);
}

int AudioOgg::Read(void* buffer, int bytes)
{
    if (!m_decoder || bytes <= 0) return 0;
    char* out = static_cast<char*>(buffer);
    int done = 0;
    while (done < bytes) {
        // Little-endian, 16-bit, signed: the engine's sample format.
        const long got = ov_read(&m_decoder->file, out + done, bytes - done, 0, 2, 1, nullptr);
        // 0 is the end of the stream, below 0 an error or a hole in the data.
        if (got <= 0) break;
        done += static_cast<int>(got);
    }
    return done;
}

void AudioOgg::Rewind()
{
    if (m_decoder) ov_pcm_seek(&m_decoder->file, 0);
}

int AudioOgg::GetLength()
{
    if (!m_decoder) return 0;
    return FramesToBytes(ov_pcm_total(&m_decoder->file, -1));
}

void AudioOgg::SetPosition(int bytes)
{
    if (!m_decoder) return;
    // Positions past the end go to the end, so that the next read is empty.
    ogg_int64_t frame = bytes > 0 ? bytes / m_format.FrameBytes() : 0;
    const ogg_int64_t total = ov_pcm_total(&m_decoder->file, -1);
    if (total >= 0 && frame > total) frame = total;
    ov_pcm_seek(&m_decoder->file, frame);
}

int AudioOgg::GetPosition()
{
    if (!m_decoder) return 0;
    // The decoder's position comes from granule positions in the file, which
    // a damaged file may set anywhere: it is kept inside the stream.
    ogg_int64_t frame = ov_pcm_tell(&m_decoder->file);
    const ogg_int64_t total = ov_pcm_total(&m_decoder->file, -1);
    if (total >= 0 && frame > total) frame = total;
    return FramesToBytes(frame);
}

int AudioOgg::FramesToBytes(int64_t frames) const
{
    // Granule positions run to 2^63: the limit is tested before multiplying.
    const int64_t frameBytes = m_format.FrameBytes();
    if (frames <= 0 || frameBytes <= 0 || frames > INT_MAX / frameBytes) return 0;
    return static_cast<int>(frames * frameBytes);
}

}  // namespace Voke
