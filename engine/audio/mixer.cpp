#include "engine/audio/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/audio/maemo_audio_device.h"
#include "engine/core/app_globals.h"

namespace Voke {

namespace {
const float kNormalRate = 1.0f;
}  // namespace

Mixer::Mixer(const AudioFormat& format, const MixerConfig& config, DeviceFactory factory)
    : m_format(format),
      m_config(config),
      m_factory(factory ? factory : &MaemoAudioDevice::Create),
      m_blockPos(0),
      m_rateEffect(format, &kNormalRate)
{
    // Blocks are whole stereo frames; anything smaller than one is useless.
    if (m_format.channels < 1 || m_format.channels > 2) m_format.channels = 2;
    if (m_config.bufferSize < 4) m_config.bufferSize = 4;
    m_config.bufferSize -= m_config.bufferSize % m_format.FrameBytes();
    if (m_config.maxChannels < 0) m_config.maxChannels = 0;
    m_block.assign(static_cast<size_t>(m_config.bufferSize), 0);
    m_blockPos = m_config.bufferSize;  // the first Read mixes a block
    m_rateEffect.SetFactor(GetTimeRate());

    std::lock_guard<std::mutex> guard(m_deviceLock);
    m_device = m_factory(m_format, m_config);
    if (m_device) m_device->Start(this);
}

Mixer::~Mixer()
{
    // The device goes first: its thread reads from this mixer until joined.
    {
        std::lock_guard<std::mutex> guard(m_deviceLock);
        m_device.Reset();
    }
    StopAll();
    std::lock_guard<std::mutex> guard(m_effectLock);
    m_effects.clear();
}

int Mixer::Read(void* buffer, int bytes)
{
    if (bytes <= 0) return 0;
    const float factor = EffectScale::ClampFactor(GetTimeRate());
    uint8_t* out = static_cast<uint8_t*>(buffer);
    int done = 0;
    while (done < bytes) {
        if (m_blockPos < m_config.bufferSize) {
            const int count = std::min(m_config.bufferSize - m_blockPos, bytes - done);
            std::memcpy(out + done, m_block.data() + m_blockPos, static_cast<size_t>(count));
            m_blockPos += count;
            done += count;
            continue;
        }
        MixBlock(factor);
    }
    return bytes;
}

void Mixer::MixBlock(float factor)
{
    const int blockSize = m_config.bufferSize;
    int in = blockSize;
    if (factor != 1.0f) {
        m_rateEffect.SetFactor(factor);
        in = m_rateEffect.GetInputSize(blockSize);
    }
    int work = std::max(blockSize, in);

    std::lock_guard<std::mutex> effectGuard(m_effectLock);
    for (auto it = m_effects.rbegin(); it != m_effects.rend(); ++it) {
        in = std::max(0, (*it)->GetInputSize(in));
        work = std::max(work, in);
    }
    // Whole frames only, so that channels never see a split frame.
    in -= in % m_format.FrameBytes();

    uint8_t* area = m_block.data();
    if (work > blockSize) {
        if (m_area.size() < static_cast<size_t>(work)) m_area.resize(static_cast<size_t>(work));
        area = m_area.data();
    }
    std::memset(area, 0, static_cast<size_t>(work));

    {
        std::lock_guard<std::mutex> channelGuard(m_channelLock);
        if (!m_channels.empty() && in > 0) {
            const size_t need = static_cast<size_t>(in) * AudioChannel::kWorkFactor;
            if (m_channelWork.size() < need) m_channelWork.resize(need);
            int16_t* mix = reinterpret_cast<int16_t*>(area);
            size_t kept = 0;
            for (size_t i = 0; i < m_channels.size(); ++i) {
                const int got = m_channels[i]->Read(mix, in, m_channelWork.data());
                if (got >= in) {
                    if (kept != i) m_channels[kept] = std::move(m_channels[i]);
                    ++kept;
                }
            }
            // Ended channels are released here, under the lock, so that
            // callers' weak handles see them gone.
            m_channels.resize(kept);
        }
    }

    for (auto it = m_effects.begin(); it != m_effects.end();) {
        in = (*it)->Process(area, in, in);
        if (in < 0) in = 0;
        if (in > work) in = work;
        if ((*it)->IsFinished())
            it = m_effects.erase(it);
        else
            ++it;
    }

    if (factor != 1.0f) m_rateEffect.Process(area, in, in);
    if (area != m_block.data()) std::memcpy(m_block.data(), area, static_cast<size_t>(blockSize));
    m_blockPos = 0;
}

WeakPtr<AudioChannel> Mixer::StartChannel(AudioSource* source, bool force)
{
    if (!source) return WeakPtr<AudioChannel>();
    std::vector<SmartPtr<AudioChannel>> stopped;  // released after the lock
    std::lock_guard<std::mutex> guard(m_channelLock);
    if (!force && static_cast<int>(m_channels.size()) >= m_config.maxChannels) return WeakPtr<AudioChannel>();

    // Every play reads through its own position, so that plays of one source
    // never move each other's read position and no caller needs to rewind a
    // source that the writer thread may be reading.
    const bool positionable = source->GetLength() > 0;
    SmartPtr<AudioSource> reader = positionable ? SmartPtr<AudioSource>(new AudioPosition(source)) : SmartPtr<AudioSource>(source);
    SmartPtr<AudioChannel> channel(new AudioChannel(m_format, reader));
    if (!channel->IsValid()) return WeakPtr<AudioChannel>();

    if (!positionable) {
        // A source without positions has one read position: a new play takes
        // it over from the earlier channel and starts it again.
        auto keep = std::stable_partition(m_channels.begin(), m_channels.end(),
                                          [source](const SmartPtr<AudioChannel>& c) { return c->GetSource() != source; });
        stopped.assign(std::make_move_iterator(keep), std::make_move_iterator(m_channels.end()));
        m_channels.erase(keep, m_channels.end());
        source->Rewind();
    }
    m_channels.push_back(channel);
    return WeakPtr<AudioChannel>(channel.Get());
}

WeakPtr<AudioChannel> Mixer::Play(AudioSource* source, bool force, bool looping)
{
    WeakPtr<AudioChannel> handle = StartChannel(source, force);
    std::lock_guard<std::mutex> guard(m_channelLock);
    auto it = Find(handle);
    if (it != m_channels.end()) {
        (*it)->SetLooping(looping);
        (*it)->SetPaused(false);
    }
    return handle;
}

std::vector<SmartPtr<AudioChannel>>::iterator Mixer::Find(const WeakPtr<AudioChannel>& channel)
{
    // Channels in the list are released only under the channel lock, so a
    // handle that still resolves here names a live channel.
    AudioChannel* target = channel.Get();
    if (!target) return m_channels.end();
    return std::find_if(m_channels.begin(), m_channels.end(),
                        [target](const SmartPtr<AudioChannel>& entry) { return entry.Get() == target; });
}

bool Mixer::StopChannel(const WeakPtr<AudioChannel>& channel)
{
    SmartPtr<AudioChannel> removed;  // released after the lock
    std::lock_guard<std::mutex> guard(m_channelLock);
    auto it = Find(channel);
    if (it == m_channels.end()) return false;
    removed = *it;
    m_channels.erase(it);
    return true;
}

bool Mixer::SetChannelPaused(const WeakPtr<AudioChannel>& channel, bool paused)
{
    std::lock_guard<std::mutex> guard(m_channelLock);
    auto it = Find(channel);
    if (it == m_channels.end()) return false;
    (*it)->SetPaused(paused);
    return true;
}

bool Mixer::SetChannelLooping(const WeakPtr<AudioChannel>& channel, bool looping)
{
    std::lock_guard<std::mutex> guard(m_channelLock);
    auto it = Find(channel);
    if (it == m_channels.end()) return false;
    (*it)->SetLooping(looping);
    return true;
}

bool Mixer::SetChannelGroup(const WeakPtr<AudioChannel>& channel, uint32_t mask)
{
    std::lock_guard<std::mutex> guard(m_channelLock);
    auto it = Find(channel);
    if (it == m_channels.end()) return false;
    (*it)->SetGroupMask(mask);
    return true;
}

bool Mixer::IsPlaying(const WeakPtr<AudioChannel>& channel)
{
    std::lock_guard<std::mutex> guard(m_channelLock);
    return Find(channel) != m_channels.end();
}

int Mixer::GetChannelCount()
{
    std::lock_guard<std::mutex> guard(m_channelLock);
    return static_cast<int>(m_channels.size());
}

void Mixer::SetGroupPaused(uint32_t mask, bool paused)
{
    std::lock_guard<std::mutex> guard(m_channelLock);
    for (auto& channel : m_channels)
        if (channel->GetGroupMask() & mask) channel->SetPaused(paused);
}

void Mixer::StopGroup(uint32_t mask)
{
    std::vector<SmartPtr<AudioChannel>> removed;  // released after the lock
    std::lock_guard<std::mutex> guard(m_channelLock);
    auto keep = std::stable_partition(m_channels.begin(), m_channels.end(),
                                      [mask](const SmartPtr<AudioChannel>& c) { return (c->GetGroupMask() & mask) == 0; });
    removed.assign(std::make_move_iterator(keep), std::make_move_iterator(m_channels.end()));
    m_channels.erase(keep, m_channels.end());
}

void Mixer::StopAll()
{
    std::vector<SmartPtr<AudioChannel>> removed;  // released after the lock
    std::lock_guard<std::mutex> guard(m_channelLock);
    removed.swap(m_channels);
}

void Mixer::AddEffect(AudioEffect* effect)
{
    if (!effect) return;
    std::lock_guard<std::mutex> guard(m_effectLock);
    m_effects.emplace_back(effect);
}

bool Mixer::RemoveEffect(AudioEffect* effect)
{
    std::lock_guard<std::mutex> guard(m_effectLock);
    auto it = std::find_if(m_effects.begin(), m_effects.end(),
                           [effect](const SmartPtr<AudioEffect>& entry) { return entry.Get() == effect; });
    if (it == m_effects.end()) return false;
    m_effects.erase(it);
    return true;
}

void Mixer::SetPaused(int reasons, bool paused)
{
    std::lock_guard<std::mutex> guard(m_deviceLock);
    const int mask = paused ? (m_pauseMask.fetch_or(reasons) | reasons) : (m_pauseMask.fetch_and(~reasons) & ~reasons);
    if (mask != 0) {
        // Releasing the device stops and joins its writer thread.
        m_device.Reset();
    } else if (!m_device) {
        m_device = m_factory(m_format, m_config);
        if (m_device) m_device->Start(this);
    }
}

bool Mixer::HasDevice()
{
    std::lock_guard<std::mutex> guard(m_deviceLock);
    return m_device.Get() != nullptr;
}

void Mixer::UpdateDevice()
{
    std::lock_guard<std::mutex> guard(m_deviceLock);
    if (m_device) m_device->Update();
}

}  // namespace Voke
