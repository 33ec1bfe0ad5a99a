// The tracker-module player over modules assembled by the test.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/audio/module_player.h"
#include "tests/engine/audio/xm_builder.h"

namespace Voke {
namespace {

using ModulePlayer::CModuleSong;
using Player = ModulePlayer::ModulePlayer;
using test::BuildXm;
using test::Event;
using test::XmInstrument;
using test::XmModule;
using test::XmPattern;
using test::XmSample;

// One instrument with one constant 8-bit sample of value 64 x 256.
XmInstrument ConstantInstrument(size_t length = 20000, uint8_t loopType = 0)
{
    XmInstrument inst;
    XmSample s;
    s.values.assign(length, 64 * 256);
    s.loopType = loopType;
    s.loopLength = loopType ? static_cast<uint32_t>(length) : 0;
    inst.samples.push_back(s);
    return inst;
}

XmModule OneNote(uint8_t speed = 1)
{
    XmModule m;
    m.speed = speed;
    XmPattern p;
    p.rows = 4;
    Event(p.packed, 49, 1, 0, 0, 0);
    for (int i = 0; i < 3; ++i) p.packed.push_back(0x80);
    m.patterns.push_back(p);
    m.instruments.push_back(ConstantInstrument());
    return m;
}

bool Load(CModuleSong& song, const XmModule& m)
{
    const std::vector<uint8_t> file = BuildXm(m);
    return song.LoadFromMemory(file.data(), file.size());
}

int32_t PitchStep(int note) { return static_cast<int32_t>(std::pow(2.0, (note - 66.15) / 12.0) * 4096.0); }

TEST(ModuleSongTest, DecodesDeltaSamplesOfBothWidths)
{
    XmModule m = OneNote();
    XmSample wide;
    wide.sixteenBit = true;
    wide.values = {1000, -1000, 32767, -32768, 5};
    wide.relativeNote = 12;
    m.instruments[0].samples.push_back(wide);
    XmSample narrow;
    narrow.values = {256, -512, 127 * 256, -128 * 256};
    m.instruments[0].samples.push_back(narrow);
    CModuleSong song;
    ASSERT_TRUE(Load(song, m));
    const auto& samples = song.GetInstruments()[0].samples;
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[1].data, wide.values);
    EXPECT_EQ(samples[1].length, 5u);
    EXPECT_EQ(samples[1].pitchFactor, 8192);
    EXPECT_EQ(samples[2].data, narrow.values);
}

TEST(ModulePlayerTest, TimingFollowsTempoAndSpeed)
{
    CModuleSong song;
    XmModule m = OneNote(3);
    ASSERT_TRUE(Load(song, m));
    Player player;
    player.SetSong(&song);
    EXPECT_EQ(player.GetSamplesPerTick(), 441);
    std::vector<int16_t> out(441 * 3);
    EXPECT_FALSE(player.Render(out.data(), 10));  // no order range yet
    player.SetOrderRange(-1, -1);
    ASSERT_TRUE(player.Render(out.data(), static_cast<int>(out.size())));
    // The first row is read on the third tick: two ticks of silence first.
    EXPECT_EQ(out[2 * 441 - 1], 0);
    // Full volume twice over the gain: 16384 becomes 16382.
    EXPECT_EQ(out[2 * 441], 16382);

    m.tempo = 120;
    ASSERT_TRUE(Load(song, m));
    player.SetSong(&song);
    EXPECT_EQ(player.GetSamplesPerTick(), 459);
}

TEST(ModulePlayerTest, RowEventsSetNotesVolumesAndTiming)
{
    XmModule m;
    m.channels = 2;
    XmPattern p;
    p.rows = 4;
    // Row 0: note 30 with instrument 1; the second channel sets volume 0x50.
    Event(p.packed, 30, 1, 0, 0, 0);
    Event(p.packed, 30, 1, 0x50, 15, 31);
    // Row 1: 0x81 0x31 plays note 49 with the previous instrument; 0x5F
    // leaves the volume; F20 sets tempo 32.
    p.packed.insert(p.packed.end(), {0x81, 0x31});
    Event(p.packed, 0, 0, 0x5F, 15, 32);
    // Row 2: F00 changes nothing; volume slide down by 0x10 once.
    Event(p.packed, 0, 0, 0x61, 15, 0);
    p.packed.push_back(0x80);
    p.packed.insert(p.packed.end(), {0x80, 0x80});
    m.patterns.push_back(p);
    m.instruments.push_back(ConstantInstrument());
    CModuleSong song;
    ASSERT_TRUE(Load(song, m));
    Player player;
    player.SetSong(&song);
    player.SetOrderRange(-1, -1);
    std::vector<int16_t> out(441 * 31);

    ASSERT_TRUE(player.Render(out.data(), 1));  // tick 1: row 0
    EXPECT_EQ(player.GetChannel(1)->volume, 65535);
    EXPECT_EQ(player.GetSpeed(), 31);
    EXPECT_EQ(player.GetChannel(0)->step, PitchStep(30));

    // Speed 31: the next row comes 31 ticks later.
    player.Render(out.data(), 441 * 31 - 1);
    player.Render(out.data(), 1);
    EXPECT_EQ(player.GetChannel(0)->note, 49);
    EXPECT_EQ(player.GetChannel(0)->step, PitchStep(49));
    EXPECT_EQ(player.GetChannel(1)->volume, 65535);
    EXPECT_EQ(player.GetTempo(), 32);
    const int perTick = player.GetSamplesPerTick();
    EXPECT_EQ(perTick, 22050 / (32 * 50 / 125));

    player.Render(out.data(), 1);
    std::vector<int16_t> long_(static_cast<size_t>(perTick) * 31);
    player.Render(long_.data(), static_cast<int>(long_.size()));
    EXPECT_EQ(player.GetSpeed(), 31);
    EXPECT_EQ(player.GetTempo(), 32);
    EXPECT_EQ(player.GetChannel(0)->volume, 65535 - 1024);
}

TEST(ModulePlayerTest, PlaysTheOrderRangeForever)
{
    XmModule m = OneNote();
    m.patterns.push_back(m.patterns[0]);
    m.patterns[1].rows = 2;
    m.orders = {0, 1, 0};
    CModuleSong song;
    ASSERT_TRUE(Load(song, m));
    Player player;
    player.SetSong(&song);
    player.SetOrderRange(-1, -1);
    std::vector<int> orders;
    std::vector<int16_t> out(441);
    for (int tick = 0; tick < 12; ++tick) {
        ASSERT_TRUE(player.Render(out.data(), 441));
        orders.push_back(player.GetOrder());
    }
    // Rows: 4 of order 0, 2 of order 1, 4 of order 2, then order 0 again.
    EXPECT_EQ(orders, (std::vector<int>{0, 0, 0, 1, 1, 2, 2, 2, 2, 0, 0, 0}));
}

TEST(ModulePlayerTest, KeyOffNeedsAnEnvelopeToSilence)
{
    XmModule m = OneNote();
    m.patterns[0].packed = {};
    Event(m.patterns[0].packed, 49, 1, 0, 0, 0);
    m.patterns[0].packed.insert(m.patterns[0].packed.end(), {0x81, 97, 0x80, 0x80});
    m.instruments[0] = ConstantInstrument(200000);
    CModuleSong plain;
    ASSERT_TRUE(Load(plain, m));

    m.instruments[0].volumeType = 1;
    m.instruments[0].envelope = {{0, 64}, {2, 64}, {4, 0}};
    m.instruments[0].sustain = 1;
    CModuleSong enveloped;
    ASSERT_TRUE(Load(enveloped, m));

    for (CModuleSong* song : {&plain, &enveloped}) {
        Player player;
        player.SetSong(song);
        player.SetOrderRange(-1, -1);
        std::vector<int16_t> out(441 * 12);
        player.Render(out.data(), static_cast<int>(out.size()));
        if (song == &plain)
            EXPECT_NE(out.back(), 0);
        else
            EXPECT_EQ(out.back(), 0);
    }
}

TEST(ModulePlayerTest, SampleWithoutLoopEndsAndLoopedSampleGoesOn)
{
    // A loop flag with a loop length of 0 plays as no loop.
    struct Case {
        uint8_t loopType;
        uint32_t loopLength;
        bool playing;
    };
    for (const Case& c : {Case{0, 0, false}, Case{1, 100, true}, Case{2, 100, true}, Case{1, 0, false}}) {
        XmModule m = OneNote();
        m.instruments[0] = ConstantInstrument(100, c.loopType);
        m.instruments[0].samples[0].loopLength = c.loopLength;
        CModuleSong song;
        ASSERT_TRUE(Load(song, m));
        Player player;
        player.SetSong(&song);
        player.SetOrderRange(-1, -1);
        std::vector<int16_t> out(441);
        player.Render(out.data(), 441);
        EXPECT_EQ(player.GetChannel(0)->sample != nullptr, c.playing) << int(c.loopType) << " " << c.loopLength;
    }
}

// Renders one second of a loaded song; damaged songs must neither crash nor
// hang.
void PlaySecond(const CModuleSong& song)
{
    Player player;
    player.SetSong(&song);
    player.SetOrderRange(-1, -1);
    std::vector<int16_t> out(22050);
    EXPECT_TRUE(player.Render(out.data(), static_cast<int>(out.size())));
}

TEST(ModuleSongTest, DamagedModulesFailOrPlaySafely)
{
    std::vector<XmModule> damaged;
    XmModule m = OneNote();
    m.orders = {0, 7, 200};  // patterns that do not exist
    damaged.push_back(m);
    m = OneNote();
    m.patterns[0].packed = {0x9F, 49};  // the row ends inside an event
    damaged.push_back(m);
    m = OneNote();
    m.instruments[0].sampleHeaderSize = 64;
    damaged.push_back(m);
    m = OneNote();
    m.instruments[0].samples[0].loopType = 1;
    m.instruments[0].samples[0].loopStart = 50000;
    m.instruments[0].samples[0].loopLength = 90000;
    damaged.push_back(m);
    m = OneNote();
    m.tempo = 60000;
    damaged.push_back(m);
    m = OneNote();
    m.speed = 0;
    damaged.push_back(m);
    m = OneNote();
    m.patterns[0].packed = {};
    Event(m.patterns[0].packed, 49, 200, 0, 15, 255);
    damaged.push_back(m);
    m = OneNote();
    m.instruments[0].volumeType = 1;
    m.instruments[0].envelope = {{0, 64}, {0, 200}, {3, 30}};
    m.instruments[0].pointCountOverride = 20;
    m.instruments[0].sustain = 40;
    damaged.push_back(m);
    m = OneNote();
    m.instruments[0].keyMap[48] = 9;  // a sample the instrument does not have
    damaged.push_back(m);
    m = OneNote();
    m.instruments[0].samples[0].relativeNote = 127;
    m.patterns[0].packed = {};
    Event(m.patterns[0].packed, 96, 1, 0, 1, 255);  // portamento up, full speed
    damaged.push_back(m);
    m = OneNote();
    m.instruments[0].headerSize = 5000;  // past the end of the file
    damaged.push_back(m);

    for (size_t i = 0; i < damaged.size(); ++i) {
        CModuleSong song;
        if (Load(song, damaged[i])) PlaySecond(song);
    }

    // Song lengths, channel counts and identification outside the format.
    for (int variant = 0; variant < 4; ++variant) {
        m = OneNote();
        if (variant == 0) m.songLengthOverride = 300;
        if (variant == 1) m.channels = 0;
        if (variant == 2) m.id = "Extended Mobile: ";
        if (variant == 3) m.headerSize = 100;
        CModuleSong song;
        EXPECT_FALSE(Load(song, m)) << variant;
        EXPECT_FALSE(song.IsLoaded());
    }
}

TEST(ModuleSongTest, EveryTruncationFailsOrPlays)
{
    XmModule m = OneNote();
    m.instruments[0] = ConstantInstrument(64, 1);
    m.instruments[0].volumeType = 1;
    m.instruments[0].envelope = {{0, 64}, {4, 32}, {8, 0}};
    const std::vector<uint8_t> file = BuildXm(m);
    for (size_t size = 0; size < file.size(); ++size) {
        std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<long>(size));
        CModuleSong song;
        EXPECT_FALSE(song.LoadFromMemory(cut.data(), cut.size())) << size;
    }
    // Single corrupted bytes anywhere in the file.
    for (size_t at = 0; at < file.size(); ++at) {
        std::vector<uint8_t> bad = file;
        bad[at] ^= 0xA5;
        CModuleSong song;
        if (song.LoadFromMemory(bad.data(), bad.size())) PlaySecond(song);
    }
}

}  // namespace
}  // namespace Voke
