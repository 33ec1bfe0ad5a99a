#include "engine/audio/audio_wave.h"

#include <cctype>
#include <cstring>

#include "engine/core/byte_reader.h"
#include "engine/core/vfs.h"

namespace Voke {

int AudioWave::ParseHeader(SeekableStream* stream, AudioFormat& format)
{
    if (!stream) return 0;
    const int64_t fileLength = stream->Length();
    uint8_t bytes[36];
    if (!stream->Seek(0, IOStream::SeekSet) || stream->Read(bytes, 36) != 36) return 0;
    ByteReader header(bytes, sizeof bytes);
    const bool riff = header.Match("RIFF", 4);
    header.Skip(4);  // the RIFF size: the file's own length is used instead
    const bool wave = header.Match("WAVE", 4);
    header.Skip(4);  // the fmt chunk's identifier
    const uint32_t fmtSize = header.U32();
    const uint16_t tag = header.U16();
    const uint16_t channels = header.U16();
    const uint32_t rate = header.U32();
    header.Skip(6);  // byte rate and block align follow from the rest
    const uint16_t bits = header.U16();
    // Only integer PCM of 16 bits, mono or stereo, is played: anything else
    // would be read as noise.
    if (!riff || !wave || tag != 1 || bits != 16 || (channels != 1 && channels != 2) ||
        !AudioFormat::IsPlayableRate(rate) || fmtSize < 16)
        return 0;
    format.channels = channels;
    format.rate = static_cast<int32_t>(rate);

    // Chunks follow the fmt chunk, whatever its size; a chunk of odd size is
    // followed by a pad byte. Every step moves forward and stays inside the
    // file, so the walk ends.
    int64_t next = 20 + int64_t(fmtSize) + (fmtSize & 1);
    while (next + 8 <= fileLength) {
        uint8_t chunkBytes[8];
        if (!stream->Seek(static_cast<int>(next), IOStream::SeekSet) || stream->Read(chunkBytes, 8) != 8) return 0;
        ByteReader chunk(chunkBytes, sizeof chunkBytes);
        char id[4];
        for (char& c : id) c = static_cast<char>(std::toupper(chunk.U8()));
        const uint32_t size = chunk.U32();
        if (std::memcmp(id, "DATA", 4) == 0) {
            // A data size beyond the file is cut to what the file holds.
            int64_t length = fileLength - (next + 8);
            if (int64_t(size) < length) length = size;
            length -= length % format.FrameBytes();
            return static_cast<int>(length);
        }
        next += 8 + int64_t(size) + (size & 1);
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
