// Channels and the mixer, read directly without an output device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <limits>
#include <vector>

#include "engine/audio/audio_channel.h"
#include "engine/audio/mixer.h"
#include "engine/core/app_globals.h"
#include "tests/engine/audio/audio_test_util.h"

namespace Voke {
namespace {

using test::MakeBuffer;
using test::NoDevice;
using test::ReadSamples;

const AudioFormat kStereo22{2, 22050};

// A stereo signal in which every sample is distinct.
std::vector<int16_t> Signal(int frames, int seed = 0)
{
    std::vector<int16_t> s(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        s[2 * i] = static_cast<int16_t>((i * 7 + seed) % 20000 - 10000);
        s[2 * i + 1] = static_cast<int16_t>((i * 13 + seed) % 30000 - 15000);
    }
    return s;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override { SetTimeRate(1.0f); }
    void TearDown() override { SetTimeRate(1.0f); }

    SmartPtr<Mixer> mixer{new Mixer(kStereo22, MixerConfig(), &NoDevice)};
};

TEST_F(MixerTest, ReadsOfAnySizeGiveTheSameStream)
{
    const std::vector<int16_t> signal = Signal(30000);
    SmartPtr<Mixer> other(new Mixer(kStereo22, MixerConfig(), &NoDevice));
    mixer->Play(MakeBuffer(kStereo22, signal), true);
    other->Play(MakeBuffer(kStereo22, signal), true);

    std::vector<int16_t> whole;
    for (int i = 0; i < 12; ++i) {
        std::vector<int16_t> part = ReadSamples(mixer, 4096);
        whole.insert(whole.end(), part.begin(), part.end());
    }
    std::vector<int16_t> pieces;
    for (int i = 0; i < 119; ++i) {
        std::vector<int16_t> part = ReadSamples(other, 410);
        pieces.insert(pieces.end(), part.begin(), part.end());
    }
    ASSERT_LE(pieces.size(), whole.size());
    EXPECT_TRUE(std::equal(pieces.begin(), pieces.end(), whole.begin()));
    EXPECT_TRUE(std::equal(signal.begin(), signal.begin() + 12 * 2048, whole.begin()));
}

TEST_F(MixerTest, EndedChannelIsDroppedInItsBlock)
{
    WeakPtr<AudioChannel> channel = mixer->Play(MakeBuffer(kStereo22, Signal(250)), true);  // 1000 bytes
    ASSERT_TRUE(mixer->IsPlaying(channel));
    std::vector<int16_t> block = ReadSamples(mixer, 4096);
    EXPECT_EQ(block[499], Signal(250)[499]);
    EXPECT_EQ(block[500], 0);
    EXPECT_TRUE(channel.Expired());
    EXPECT_FALSE(mixer->StopChannel(channel));
    EXPECT_FALSE(mixer->SetChannelLooping(channel, true));
    EXPECT_EQ(mixer->GetChannelCount(), 0);
}

TEST_F(MixerTest, SumsSaturateAndMasterVolumeShiftApplies)
{
    std::vector<int16_t> a(4096, 30000), b(4096, 30000), c(4096, -30000), d(4096, -30000);
    for (size_t i = 0; i < 4096; i += 2) {
        c[i] = 1000;
        d[i] = 234;
    }
    mixer->Play(MakeBuffer(kStereo22, a), true);
    mixer->Play(MakeBuffer(kStereo22, b), true);
    std::vector<int16_t> block = ReadSamples(mixer, 4096);
    EXPECT_EQ(block[0], 32767);
    EXPECT_EQ(block[2047], 32767);

    mixer->StopAll();
    SmartPtr<EffectVolumeShift> volume(new EffectVolumeShift(kStereo22, 1));
    mixer->AddEffect(volume);
    mixer->Play(MakeBuffer(kStereo22, c), true);
    mixer->Play(MakeBuffer(kStereo22, d), true);
    block = ReadSamples(mixer, 4096);
    EXPECT_EQ(block[0], (1000 + 234) >> 1);
    EXPECT_EQ(block[1], -32768 >> 1);
    volume->SetShift(0);
    block = ReadSamples(mixer, 4096);
    EXPECT_EQ(block[0], 1234);
    EXPECT_EQ(block[1], -32768);
    EXPECT_TRUE(mixer->RemoveEffect(volume));
    EXPECT_FALSE(mixer->RemoveEffect(volume));
}

TEST_F(MixerTest, PausedChannelStaysAndIsSilent)
{
    WeakPtr<AudioChannel> channel = mixer->StartChannel(MakeBuffer(kStereo22, Signal(100)), true);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadSamples(mixer, 4096), std::vector<int16_t>(2048, 0));
    EXPECT_TRUE(mixer->IsPlaying(channel));
    ASSERT_TRUE(mixer->SetChannelPaused(channel, false));
    std::vector<int16_t> block = ReadSamples(mixer, 4096);
    EXPECT_EQ(block[0], Signal(100)[0]);
    EXPECT_FALSE(mixer->IsPlaying(channel));
}

TEST_F(MixerTest, ChannelLimitAppliesOnlyToUnforcedPlays)
{
    for (int i = 0; i < 10; ++i) ASSERT_FALSE(mixer->Play(MakeBuffer(kStereo22, Signal(100)), false).Expired());
    EXPECT_TRUE(mixer->StartChannel(MakeBuffer(kStereo22, Signal(100)), false).Expired());
    EXPECT_FALSE(mixer->Play(MakeBuffer(kStereo22, Signal(100)), true).Expired());
    EXPECT_EQ(mixer->GetChannelCount(), 11);
}

TEST_F(MixerTest, OneSourceOnSeveralChannelsPlaysWholeOnEach)
{
    const std::vector<int16_t> signal = Signal(3000);
    SmartPtr<AudioBuffer> shared = MakeBuffer(kStereo22, signal);
    mixer->Play(shared, true);
    ReadSamples(mixer, 4096);  // the first play is a block in
    mixer->Play(shared, true);
    std::vector<int16_t> block = ReadSamples(mixer, 4096);
    for (size_t i = 0; i < block.size(); ++i) {
        const int expected = std::clamp(signal[i + 2048] + signal[i], -32768, 32767);
        ASSERT_EQ(block[i], expected) << i;
    }
}

TEST_F(MixerTest, LoopingFromThePlayOnKeepsAShortSoundGoing)
{
    const std::vector<int16_t> signal = Signal(100);  // 400 bytes, shorter than a block
    WeakPtr<AudioChannel> channel = mixer->Play(MakeBuffer(kStereo22, signal), true, true);
    for (int b = 0; b < 3; ++b) {
        std::vector<int16_t> block = ReadSamples(mixer, 4096);
        for (size_t i = 0; i < block.size(); ++i) ASSERT_EQ(block[i], signal[(b * 2048 + i) % 200]);
    }
    EXPECT_TRUE(mixer->StopChannel(channel));
    EXPECT_TRUE(channel.Expired());

    // An empty looping source ends instead of being rewound for ever.
    WeakPtr<AudioChannel> empty = mixer->Play(MakeBuffer(kStereo22, {}), true, true);
    ReadSamples(mixer, 4096);
    EXPECT_TRUE(empty.Expired());
}

TEST_F(MixerTest, GroupOperationsTouchOnlyMatchingChannels)
{
    WeakPtr<AudioChannel> a = mixer->Play(MakeBuffer(kStereo22, std::vector<int16_t>(20000, 100)), true);
    WeakPtr<AudioChannel> b = mixer->Play(MakeBuffer(kStereo22, std::vector<int16_t>(20000, 10)), true);
    mixer->SetChannelGroup(a, 1);
    mixer->SetChannelGroup(b, 2);
    mixer->SetGroupPaused(1, true);
    EXPECT_EQ(ReadSamples(mixer, 4096)[0], 10);
    mixer->StopGroup(2);
    EXPECT_TRUE(b.Expired());
    EXPECT_TRUE(mixer->IsPlaying(a));
}

// Records the order in which the mixer asks and runs its master effects.
struct OrderEffect : AudioEffect {
    OrderEffect(std::vector<int>* log, int id, int extra, bool finishes) : log(log), id(id), extra(extra), finishes(finishes) {}
    int GetInputSize(int out) override
    {
        log->push_back(id);
        return out + extra;
    }
    int Process(uint8_t*, int, int bytes) override
    {
        log->push_back(10 + id);
        return bytes - extra;
    }
    bool IsFinished() override { return finishes; }
    std::vector<int>* log;
    int id, extra;
    bool finishes;
};

TEST_F(MixerTest, MasterEffectsAreAskedBackwardsAndRunForwards)
{
    std::vector<int> log;
    mixer->AddEffect(new OrderEffect(&log, 1, 8, false));
    mixer->AddEffect(new OrderEffect(&log, 2, 4, true));
    const std::vector<int16_t> signal = Signal(5000);
    SmartPtr<AudioBuffer> source = MakeBuffer(kStereo22, signal);
    mixer->Play(source, true);
    ReadSamples(mixer, 4096);
    EXPECT_EQ(log, (std::vector<int>{2, 1, 11, 12}));
    // The channel was asked for the first effect's input size.
    EXPECT_EQ(source->GetPosition(), 4096 + 12);
    log.clear();
    ReadSamples(mixer, 4096);
    EXPECT_EQ(log, (std::vector<int>{1, 11}));  // the finished effect is gone
}

TEST_F(MixerTest, TimeRateChangesTheInputPulled)
{
    SmartPtr<AudioBuffer> source = MakeBuffer(kStereo22, Signal(20000));
    mixer->Play(source, true);
    SetTimeRate(0.5f);
    std::vector<int16_t> block = ReadSamples(mixer, 4096);
    EXPECT_EQ(source->GetPosition(), 2048);
    EXPECT_EQ(block[0], Signal(20000)[0]);
    EXPECT_EQ(block[2], Signal(20000)[0]);
    EXPECT_EQ(block[4], Signal(20000)[2]);

    for (float rate : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(), 1e9f}) {
        SetTimeRate(rate);
        const int before = source->GetPosition();
        ReadSamples(mixer, 4096);
        const int pulled = source->GetPosition() - before;
        EXPECT_GE(pulled, 0) << rate;
        EXPECT_LE(pulled, 4096 * 17) << rate;
    }
}

TEST_F(MixerTest, PauseReasonsHoldTheDeviceClosedUntilAllClear)
{
    static int made;
    made = 0;
    struct CountingDevice : AudioDevice {
        void Start(AudioStream*) override {}
    };
    auto factory = [](const AudioFormat&, const MixerConfig&) -> SmartPtr<AudioDevice> {
        ++made;
        return SmartPtr<AudioDevice>(new CountingDevice);
    };
    SmartPtr<Mixer> m(new Mixer(kStereo22, MixerConfig(), factory));
    EXPECT_EQ(made, 1);
    m->SetPaused(Mixer::kPauseInactive, true);
    m->SetPaused(Mixer::kPauseOverlay, true);
    EXPECT_FALSE(m->HasDevice());
    m->SetPaused(Mixer::kPauseInactive, false);
    EXPECT_FALSE(m->HasDevice());
    EXPECT_EQ(m->GetPauseMask(), Mixer::kPauseOverlay);
    m->SetPaused(Mixer::kPauseOverlay, false);
    EXPECT_TRUE(m->HasDevice());
    EXPECT_EQ(made, 2);
}

// A device whose thread pulls blocks as fast as it can.
class BusyDevice : public AudioDevice {
public:
    ~BusyDevice() override
    {
        stop = true;
        if (thread.joinable()) thread.join();
    }
    void Start(AudioStream* stream) override
    {
        thread = std::thread([this, stream] {
            std::vector<uint8_t> block(4096);
            while (!stop) stream->Read(block.data(), 4096);
        });
    }
    std::atomic<bool> stop{false};
    std::thread thread;
};

TEST(MixerThreadsTest, PlaysStopsAndFlagChangesRaceTheWriterSafely)
{
    auto factory = [](const AudioFormat&, const MixerConfig&) -> SmartPtr<AudioDevice> { return SmartPtr<AudioDevice>(new BusyDevice); };
    SmartPtr<Mixer> mixer(new Mixer(kStereo22, MixerConfig(), factory));
    SmartPtr<AudioBuffer> shortSound = MakeBuffer(kStereo22, Signal(300));
    SmartPtr<AudioBuffer> longSound = MakeBuffer(kStereo22, Signal(40000));
    SmartPtr<EffectVolumeShift> volume(new EffectVolumeShift(kStereo22, 0));
    std::vector<WeakPtr<AudioChannel>> handles;
    for (int i = 0; i < 3000; ++i) {
        handles.push_back(mixer->Play(i % 3 ? shortSound.Get() : longSound.Get(), true, i % 7 == 0));
        WeakPtr<AudioChannel>& some = handles[static_cast<size_t>(i * 7919) % handles.size()];
        mixer->SetChannelPaused(some, i % 2 == 0);
        mixer->SetChannelLooping(some, false);
        if (i % 5 == 0) mixer->StopChannel(handles[static_cast<size_t>(i) / 2]);
        if (i % 11 == 0) mixer->AddEffect(volume);
        if (i % 13 == 0) mixer->RemoveEffect(volume);
        volume->SetShift(static_cast<uint32_t>(i % 3));
        if (i % 200 == 0) {
            mixer->SetPaused(Mixer::kPauseInactive, true);
            mixer->SetPaused(Mixer::kPauseInactive, false);
        }
        if (i % 500 == 0) mixer->StopAll();
    }
    mixer.Reset();
    for (const auto& handle : handles) EXPECT_TRUE(handle.Expired());
}

// Conversions of the channel, read through ReadConverted.
std::vector<int16_t> Convert(const AudioFormat& mix, const AudioFormat& in, const std::vector<int16_t>& data, int outFrames)
{
    SmartPtr<AudioChannel> channel(new AudioChannel(mix, MakeBuffer(in, data)));
    EXPECT_TRUE(channel->IsValid());
    std::vector<uint8_t> work(static_cast<size_t>(outFrames) * mix.FrameBytes() * AudioChannel::kWorkFactor);
    const int bytes = outFrames * mix.FrameBytes();
    const int got = channel->ReadConverted(work.data(), bytes, work.data() + bytes);
    std::vector<int16_t> out(static_cast<size_t>(got) / 2);
    std::memcpy(out.data(), work.data(), static_cast<size_t>(got));
    return out;
}

TEST(AudioChannelTest, ConvertsMonoToStereoAtEveryKnownRate)
{
    EXPECT_EQ(Convert(kStereo22, {1, 22050}, {5, -7}, 2), (std::vector<int16_t>{5, 5, -7, -7}));
    EXPECT_EQ(Convert(kStereo22, {1, 11025}, {5, -7}, 4), (std::vector<int16_t>{5, 5, 5, 5, -7, -7, -7, -7}));
    EXPECT_EQ(Convert(kStereo22, {1, 44100}, {5, -8, 3, 4}, 2), (std::vector<int16_t>{-1, -1, 3, 3}));
    EXPECT_EQ(Convert({2, 44100}, {1, 11025}, {9}, 4), (std::vector<int16_t>(8, 9)));
}

TEST(AudioChannelTest, StereoRateChangesKeepLeftWithLeft)
{
    EXPECT_EQ(Convert(kStereo22, {2, 44100}, {100, -100, 300, -301, 1, 2, 3, 4}, 2),
              (std::vector<int16_t>{200, -200, 2, 3}));
    EXPECT_EQ(Convert(kStereo22, {2, 11025}, {100, -100, 7, 8}, 4),
              (std::vector<int16_t>{100, -100, 100, -100, 7, 8, 7, 8}));
    EXPECT_EQ(Convert({1, 22050}, {2, 22050}, {100, -301, 6, 6}, 2), (std::vector<int16_t>{-100, 6}));
}

TEST(AudioChannelTest, OddRequestsRepeatEveryInputSampleExactly)
{
    std::vector<int16_t> data(400);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<int16_t>(i);
    for (int32_t mixRate : {22050, 44100}) {
        const int32_t rate = 11025;
        const int repeat = mixRate / rate;
        SmartPtr<AudioChannel> channel(new AudioChannel({2, mixRate}, MakeBuffer({1, rate}, data)));
        std::vector<uint8_t> work(4096 * AudioChannel::kWorkFactor);
        std::vector<int16_t> all;
        for (int frames : {1, 3, 7, 2, 5, 11, 1, 9}) {
            const int got = channel->ReadConverted(work.data(), frames * 4, work.data() + frames * 4);
            ASSERT_EQ(got, frames * 4);
            const int16_t* s = reinterpret_cast<const int16_t*>(work.data());
            all.insert(all.end(), s, s + frames * 2);
        }
        for (size_t f = 0; f < all.size() / 2; ++f) {
            ASSERT_EQ(all[2 * f], static_cast<int16_t>(f / repeat)) << rate << " frame " << f;
            ASSERT_EQ(all[2 * f + 1], all[2 * f]);
        }
    }
}

TEST(AudioChannelTest, UnknownRatesAreRefused)
{
    SmartPtr<Mixer> mixer(new Mixer(kStereo22, MixerConfig(), &NoDevice));
    for (AudioFormat format : {AudioFormat{2, 16000}, AudioFormat{1, 0}, AudioFormat{3, 22050}, AudioFormat{0, 22050}})
        EXPECT_TRUE(mixer->Play(MakeBuffer(format, std::vector<int16_t>(100, 1)), true).Expired());
    EXPECT_EQ(mixer->GetChannelCount(), 0);
}

}  // namespace
}  // namespace Voke
