#include "engine/audio/audio_channel.h"

#include <algorithm>
#include <cstring>

namespace Voke {

namespace {

// Output frame j takes input frame j / UP (up-conversion) or the average of
// DOWN input frames (down-conversion); channels map frame-wise, left with left
// and right with right, mono to both sides, stereo to mono as the average.
// Sums are 32-bit; divisions truncate toward zero.
template <int CI, int CO, int UP, int DOWN>
void Convert(const int16_t* in, int16_t* out, int outFrames)
{
    for (int j = 0; j < outFrames; ++j) {
        const int16_t* f = UP > 1 ? in + (j / UP) * CI : in + j * DOWN * CI;
        int16_t* o = out + j * CO;
        if (CI == CO) {
            for (int c = 0; c < CI; ++c) {
                int32_t sum = 0;
                for (int k = 0; k < DOWN; ++k) sum += f[k * CI + c];
                o[c] = static_cast<int16_t>(sum / DOWN);
            }
        } else if (CI == 1) {
            int32_t sum = 0;
            for (int k = 0; k < DOWN; ++k) sum += f[k];
            const int16_t m = static_cast<int16_t>(sum / DOWN);
            for (int c = 0; c < CO; ++c) o[c] = m;
        } else {
            int32_t sum = 0;
            for (int k = 0; k < DOWN * CI; ++k) sum += f[k];
            o[0] = static_cast<int16_t>(sum / (DOWN * CI));
        }
    }
}

template <int CI, int CO>
AudioChannel::Converter PickRate(int up, int down)
{
    if (up == 4) return &Convert<CI, CO, 4, 1>;
    if (up == 2) return &Convert<CI, CO, 2, 1>;
    if (down == 4) return &Convert<CI, CO, 1, 4>;
    if (down == 2) return &Convert<CI, CO, 1, 2>;
    return &Convert<CI, CO, 1, 1>;
}

AudioChannel::Converter PickConverter(int ci, int co, int up, int down)
{
    if (ci == 1 && co == 1) return PickRate<1, 1>(up, down);
    if (ci == 1 && co == 2) return PickRate<1, 2>(up, down);
    if (ci == 2 && co == 1) return PickRate<2, 1>(up, down);
    return PickRate<2, 2>(up, down);
}

}  // namespace

AudioChannel::AudioChannel(const AudioFormat& mixFormat, AudioSource* source) : m_source(source)
{
    if (!source) return;
    const AudioFormat& in = source->GetFormat();
    const bool channelsKnown = (in.channels == 1 || in.channels == 2) && (mixFormat.channels == 1 || mixFormat.channels == 2);
    if (!channelsKnown || in.rate <= 0 || mixFormat.rate <= 0) return;

    // 64-bit products: a source's rate may be anything a caller built.
    const int64_t inRate = in.rate, mixRate = mixFormat.rate;
    if (mixRate == inRate) {
    } else if (mixRate == inRate * 2) {
        m_up = 2;
    } else if (mixRate == inRate * 4) {
        m_up = 4;
    } else if (inRate == mixRate * 2) {
        m_down = 2;
    } else if (inRate == mixRate * 4) {
        m_down = 4;
    } else {
        return;  // no conversion for this pairing: the mixer refuses the channel
    }
    m_inFrameBytes = in.FrameBytes();
    m_outFrameBytes = mixFormat.FrameBytes();
    if (m_up != 1 || m_down != 1 || in.channels != mixFormat.channels)
        m_convert = PickConverter(in.channels, mixFormat.channels, m_up, m_down);
    m_valid = true;
}

int AudioChannel::ReadSource(uint8_t* into, int bytes)
{
    if (!IsLooping()) {
        const int got = m_source->Read(into, bytes);
        return got > 0 ? got : 0;
    }
    int total = 0;
    bool justRewound = false;
    while (total < bytes) {
        int got = m_source->Read(into + total, bytes - total);
        if (got < 0) got = 0;
        // A read right after a rewind that delivers nothing is an empty
        // source, which would otherwise be rewound forever.
        if (got == 0 && justRewound) break;
        total += got;
        if (total >= bytes) break;
        m_source->Rewind();
        justRewound = true;
    }
    return total;
}

int AudioChannel::ReadConverted(uint8_t* out, int bytes, uint8_t* input)
{
    if (!m_valid || bytes <= 0) return 0;
    if (!m_convert) return ReadSource(out, bytes);

    const int outFrames = bytes / m_outFrameBytes;
    int produced = 0;
    if (m_carry > 0) {
        const int k = std::min(m_carry, outFrames);
        m_convert(reinterpret_cast<const int16_t*>(&m_heldSample), reinterpret_cast<int16_t*>(out), k);
        m_carry -= k;
        produced = k;
    }
    const int remain = outFrames - produced;
    if (remain <= 0) return produced * m_outFrameBytes;

    const int needIn = m_up > 1 ? (remain + m_up - 1) / m_up : remain * m_down;
    const int gotIn = ReadSource(input, needIn * m_inFrameBytes) / m_inFrameBytes;
    int made;
    if (m_up > 1) {
        const int available = gotIn * m_up;
        made = std::min(available, remain);
        if (available > made) {
            m_carry = available - made;
            m_heldSample = 0;
            std::memcpy(&m_heldSample, input + (gotIn - 1) * m_inFrameBytes, static_cast<size_t>(m_inFrameBytes));
        }
    } else {
        made = gotIn / m_down;
    }
    if (made > 0)
        m_convert(reinterpret_cast<const int16_t*>(input), reinterpret_cast<int16_t*>(out + produced * m_outFrameBytes), made);
    return (produced + made) * m_outFrameBytes;
}

int AudioChannel::Read(int16_t* mix, int bytes, uint8_t* work)
{
    if (IsPaused()) return bytes;
    int got = ReadConverted(work, bytes, work + bytes);
    if (got <= 0) return 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (auto it = m_effects.begin(); it != m_effects.end();) {
            got = (*it)->Process(work, bytes, got);
            if ((*it)->IsFinished())
                it = m_effects.erase(it);
            else
                ++it;
        }
    }
    if (got > bytes) got = bytes;
    if (got < 0) got = 0;
    const int count = got / 2;
    const int16_t* add = reinterpret_cast<const int16_t*>(work);
    for (int i = 0; i < count; ++i) {
        const int32_t sum = int32_t(mix[i]) + int32_t(add[i]);
        mix[i] = static_cast<int16_t>(sum < -32768 ? -32768 : (sum > 32767 ? 32767 : sum));
    }
    return got;
}

void AudioChannel::AddEffect(AudioEffect* effect)
{
    if (!effect) return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_effects.emplace_back(effect);
}

bool AudioChannel::RemoveEffect(AudioEffect* effect)
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto it = m_effects.begin(); it != m_effects.end(); ++it) {
        if (it->Get() == effect) {
            m_effects.erase(it);
            return true;
        }
    }
    return false;
}

}  // namespace Voke
