#include "engine/audio/audio_wave.h"

#include <cctype>
#include <cstring>

#include "engine/core/vfs.h"

namespace Voke {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

}  // namespace

int AudioWave::ParseHeader(SeekableStream* stream, AudioFormat& format)
{
    if (!stream) return 0;
    const int64_t fileLength = stream->Length();
    uint8_t header[36];
    if (!stream->Seek(0, IOStream::SeekSet) || stream->Read(header, 36) != 36) return 0;
    const uint32_t fmtSize = U32(header + 16);
    const uint16_t tag = U16(header + 20);
    const uint16_t channels = U16(header + 22);
    const uint32_t rate = U32(header + 24);
    const uint16_t bits = U16(header + 34);
    // Only integer PCM of 16 bits, mono or stereo, is played: anything else
    // would be read as noise.
    if (tag != 1 || bits != 16 || (channels != 1 && channels != 2) || rate == 0 || rate > 0x7FFFFFFF || fmtSize < 16) return 0;
    format.channels = channels;
    format.rate = static_cast<int32_t>(rate);

    // Chunks follow the fmt chunk, whatever its size; every step moves
    // forward and stays inside the file, so the walk ends.
    int64_t next = 20 + int64_t(fmtSize);
    while (next + 8 <= fileLength) {
        uint8_t chunk[8];
        if (!stream->Seek(static_cast<int>(next), IOStream::SeekSet) || stream->Read(chunk, 8) != 8) return 0;
        const uint32_t size = U32(chunk + 4);
        char id[4];
        for (int i = 0; i < 4; ++i) id[i] = static_cast<char>(std::toupper(chunk[i]));
        if (std::memcmp(id, "DATA", 4) == 0) {
            // A data size beyond the file is cut to what the file holds.
            int64_t length = fileLength - (next + 8);
            if (int64_t(size) < length) length = size;
            length -= length % format.FrameBytes();
            return static_cast<int>(length);
        }
        next += 8 + int64_t(size);
    }
    return 0;
}

SmartPtr<AudioWave> AudioWave::Create(SeekableStream* stream)
{
    SmartPtr<SeekableStream> hold(stream);
    AudioFormat format;
    const int length = ParseHeader(stream, format);
    if (length <= 0) return nullptr;
    return SmartPtr<AudioWave>(new AudioWave(stream, format, length));
}

SmartPtr<AudioWave> AudioWave::Create(const NarrowString& name)
{
    return Create(Vfs::Open(name.c_str()));
}

AudioWave::AudioWave(SeekableStream* stream, const AudioFormat& format, int length)
    : m_stream(stream), m_length(length), m_dataStart(stream->Tell())
{
    m_format = format;
}

int AudioWave::Read(void* buffer, int bytes)
{
    if (bytes <= 0 || m_position < 0 || m_position >= m_length) return 0;
    const int count = bytes < m_length - m_position ? bytes : m_length - m_position;
    const int got = m_stream->Read(buffer, count);
    if (got <= 0) return 0;
    m_position += got;
    return got;
}

void AudioWave::Rewind()
{
    m_stream->Seek(m_dataStart, IOStream::SeekSet);
    m_position = 0;
}

void AudioWave::SetPosition(int bytes)
{
    if (bytes < 0) bytes = 0;
    if (bytes > m_length) bytes = m_length;
    m_stream->Seek(m_dataStart + bytes, IOStream::SeekSet);
    m_position = bytes;
}

}  // namespace Voke
