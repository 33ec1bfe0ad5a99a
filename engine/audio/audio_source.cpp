#include "engine/audio/audio_source.h"

#include <cstring>

#include "engine/audio/audio_ogg.h"
#include "engine/audio/audio_wave.h"
#include "engine/audio/audio_xm.h"
#include "engine/core/vfs.h"

namespace Voke {

namespace {

bool EndsWith(const NarrowString& name, const char* ending)
{
    const size_t n = std::strlen(ending);
    return name.size() >= n && name.compare(name.size() - n, n, ending) == 0;
}

}  // namespace

SmartPtr<AudioSource> AudioSource::Create(const NarrowString& name, bool decode)
{
    SmartPtr<AudioSource> source;
    if (EndsWith(name, ".wav"))
        source = AudioWave::Create(name);
    else if (EndsWith(name, ".ogg"))
        source = AudioOgg::Create(Vfs::Open(name.c_str()));
    else if (EndsWith(name, ".xm"))
        source = AudioXM::Create(name);
    if (decode && source) return AudioBuffer::FromSource(source);
    return source;
}

SmartPtr<AudioSource> AudioSource::CreateCachedOgg(const NarrowString& name)
{
    if (!EndsWith(name, ".ogg")) return nullptr;
    return AudioOgg::Create(Vfs::OpenCached(name.c_str()));
}

AudioBuffer::AudioBuffer(const AudioFormat& format, std::vector<uint8_t> data) : m_data(std::move(data))
{
    m_format = format;
}

int AudioBuffer::Read(void* buffer, int bytes)
{
    const int length = GetLength();
    // A position set outside the data delivers nothing rather than reading
    // before or past the array.
    if (bytes <= 0 || m_position < 0 || m_position >= length) return 0;
    const int count = bytes < length - m_position ? bytes : length - m_position;
    std::memcpy(buffer, m_data.data() + m_position, static_cast<size_t>(count));
    m_position += count;
    return count;
}

SmartPtr<AudioBuffer> AudioBuffer::FromSource(AudioSource* source)
{
    if (!source) return nullptr;
    const int64_t length = source->GetLength();
    if (length < 0 || length > kMaxBytes) return nullptr;
    std::vector<uint8_t> data(static_cast<size_t>(length));
    int got = length > 0 ? source->Read(data.data(), static_cast<int>(length)) : 0;
    if (got < 0) got = 0;
    // Keep only what the source delivered, in whole frames, so that a short
    // decode never plays uninitialised bytes and looping stays frame-aligned.
    const int frame = source->GetFormat().FrameBytes() > 0 ? source->GetFormat().FrameBytes() : 2;
    data.resize(static_cast<size_t>(got - got % frame));
    return SmartPtr<AudioBuffer>(new AudioBuffer(source->GetFormat(), std::move(data)));
}

AudioPosition::AudioPosition(AudioSource* source) : m_source(source)
{
    if (source) m_format = source->GetFormat();
}

int AudioPosition::Read(void* buffer, int bytes)
{
    if (bytes <= 0 || !m_source) return 0;
    // Seeking a streaming decoder is costly; skip it when the inner source is
    // already where this reader left it (the usual case of a single play).
    if (m_source->GetPosition() != m_position) m_source->SetPosition(m_position);
    const int got = m_source->Read(buffer, bytes);
    if (got > 0) m_position += got;
    return got > 0 ? got : 0;
}

}  // namespace Voke
