// Audio sources over files the tests write: WAVE files, Ogg Vorbis files
// encoded by a helper program, and modules assembled in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/audio/audio_ogg.h"
#include "engine/audio/audio_source.h"
#include "engine/audio/audio_wave.h"
#include "engine/audio/audio_xm.h"
#include "engine/core/cached_file.h"
#include "engine/core/vfs.h"
#include "tests/engine/audio/audio_test_util.h"
#include "tests/engine/audio/xm_builder.h"
#include "tests/support/seed.h"
#include "tests/support/temp_dir.h"

namespace Voke {
namespace {

using test::ByteWriter;

struct WavOptions {
    uint16_t tag = 1;
    uint16_t channels = 2;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    uint32_t fmtSize = 16;
    bool listChunk = false;
    uint32_t listSize = 10;  // an odd size is followed by a pad byte
    std::string riffId = "RIFF";
    std::string waveId = "WAVE";
    std::string dataId = "data";
    int64_t dataSizeOverride = -1;
    bool withData = true;
};

std::vector<uint8_t> Wav(const std::vector<int16_t>& samples, const WavOptions& o = WavOptions())
{
    ByteWriter w;
    w.Text(o.riffId, 4);
    w.U32(0);
    w.Text(o.waveId, 4);
    w.Text("fmt ", 4);
    w.U32(o.fmtSize);
    w.U16(o.tag);
    w.U16(o.channels);
    w.U32(o.rate);
    w.U32(o.rate * o.channels * 2);
    w.U16(static_cast<uint32_t>(o.channels * 2));
    w.U16(o.bits);
    for (uint32_t i = 16; i < o.fmtSize; ++i) w.U8(0);
    if (o.listChunk) {
        w.Text("LIST", 4);
        w.U32(o.listSize);
        for (uint32_t i = 0; i < o.listSize + (o.listSize & 1); ++i) w.U8(i < o.listSize ? 'a' + i % 26 : 0);
    }
    if (o.withData) {
        w.Text(o.dataId, 4);
        w.U32(o.dataSizeOverride >= 0 ? static_cast<uint32_t>(o.dataSizeOverride) : static_cast<uint32_t>(samples.size() * 2));
        for (int16_t s : samples) w.U16(static_cast<uint16_t>(s));
    }
    return w.bytes;
}

std::vector<int16_t> Ramp(size_t count)
{
    std::vector<int16_t> s(count);
    for (size_t i = 0; i < count; ++i) s[i] = static_cast<int16_t>(i * 37 - 9000);
    return s;
}

std::vector<int16_t> ReadAll(AudioSource* source, int chunk = 1000)
{
    std::vector<int16_t> out;
    std::vector<int16_t> part(static_cast<size_t>(chunk) / 2);
    for (;;) {
        const int got = source->Read(part.data(), chunk);
        out.insert(out.end(), part.begin(), part.begin() + got / 2);
        if (got < chunk) break;
    }
    return out;
}

// Ogg pages carry a CRC over their bytes; damage that is meant to reach the
// decoder (and not be dropped with the page) has it put right.
struct OggPage {
    size_t start;
    size_t end;
};

std::vector<OggPage> OggPages(const std::vector<uint8_t>& file)
{
    std::vector<OggPage> pages;
    size_t at = 0;
    while (at + 27 <= file.size() && std::memcmp(&file[at], "OggS", 4) == 0) {
        const size_t segments = file[at + 26];
        size_t end = at + 27 + segments;
        if (end > file.size()) break;
        for (size_t i = 0; i < segments; ++i) end += file[at + 27 + i];
        if (end > file.size()) break;
        pages.push_back({at, end});
        at = end;
    }
    return pages;
}

void FixCrc(std::vector<uint8_t>& file, const OggPage& page)
{
    std::memset(&file[page.start + 22], 0, 4);
    uint32_t crc = 0;
    for (size_t i = page.start; i < page.end; ++i) {
        crc ^= uint32_t(file[i]) << 24;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i) file[page.start + 22 + size_t(i)] = static_cast<uint8_t>(crc >> (8 * i));
}

// Opens and plays a damaged file as the game would: reads to the end, seeks,
// reads again. A source may be refused; one that opens reads no more than
// `limit` bytes and reports positions inside its length.
void PlayDamaged(const std::vector<uint8_t>& bytes, int limit)
{
    SmartPtr<AudioSource> source = AudioOgg::Create(new CachedFile(bytes.data(), static_cast<int>(bytes.size()), true));
    if (!source) return;
    std::vector<uint8_t> work(8192);
    int total = 0;
    for (int got; (got = source->Read(work.data(), static_cast<int>(work.size()))) > 0 && total <= limit;) total += got;
    EXPECT_LE(total, limit);
    const int length = source->GetLength();
    EXPECT_GE(length, 0);
    source->SetPosition(length / 2);
    EXPECT_LE(source->GetPosition(), length);
    source->Read(work.data(), static_cast<int>(work.size()));
    EXPECT_LE(source->GetPosition(), length);
    source->Rewind();
    source->Read(work.data(), static_cast<int>(work.size()));
}

// PlayDamaged over `good` with the byte at `at` set to `value` and its
// page's CRC put right.
void PlayWithByte(const std::vector<uint8_t>& good, const std::vector<OggPage>& pages, size_t at, uint8_t value)
{
    std::vector<uint8_t> bad = good;
    bad[at] = value;
    for (const OggPage& page : pages)
        if (at >= page.start && at < page.end) FixCrc(bad, page);
    PlayDamaged(bad, 1 << 20);
}

class SourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Vfs::Init();
        ASSERT_NE(Vfs::MountDirectory(dir.Path() + "/", "", 0), nullptr);
    }
    void TearDown() override { Vfs::Shutdown(); }

    void Write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::ofstream out(dir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<uint8_t> ReadFile(const std::string& name)
    {
        std::ifstream in(dir / name, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    // Encodes the test signal with the helper program.
    bool Encode(const std::string& name, int channels, int rate, int frames)
    {
        const std::string command = std::string(VOKE_OGG_ENCODER) + " " + (dir / name) + " " + std::to_string(channels) +
                                    " " + std::to_string(rate) + " " + std::to_string(frames);
        return std::system(command.c_str()) == 0;
    }

    VokeTest::TempDir dir;
};

TEST_F(SourcesTest, WaveWithExtraChunksDecodesExactly)
{
    const std::vector<int16_t> samples = Ramp(2000);
    WavOptions o;
    o.fmtSize = 18;
    o.listChunk = true;
    o.dataId = "dAtA";
    Write("s.wav", Wav(samples, o));
    Write("s.WAV", Wav(samples, o));

    SmartPtr<AudioSource> wave = AudioSource::Create("s.wav", false);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->GetFormat(), (AudioFormat{2, 22050}));
    EXPECT_EQ(wave->GetLength(), 4000);
    EXPECT_EQ(ReadAll(wave, 999 * 2), samples);
    wave->SetPosition(400);
    std::vector<int16_t> two(2);
    EXPECT_EQ(wave->Read(two.data(), 4), 4);
    EXPECT_EQ(two[0], samples[200]);
    wave->SetPosition(1 << 30);  // past the end: clamped
    EXPECT_EQ(wave->GetPosition(), 4000);
    EXPECT_EQ(wave->Read(two.data(), 4), 0);
    wave->Rewind();
    EXPECT_EQ(ReadAll(wave), samples);

    SmartPtr<AudioSource> buffer = AudioSource::Create("s.wav", true);
    ASSERT_TRUE(buffer);
    EXPECT_NE(dynamic_cast<AudioBuffer*>(buffer.Get()), nullptr);
    EXPECT_EQ(ReadAll(buffer), samples);

    EXPECT_FALSE(AudioSource::Create("s.WAV", false));  // endings are case-sensitive
    EXPECT_FALSE(AudioSource::Create("missing.wav", false));
    EXPECT_FALSE(AudioSource::Create("wav", false));
}

TEST_F(SourcesTest, WaveFilesThatCannotPlayAreRefused)
{
    const std::vector<int16_t> samples = Ramp(100);
    std::vector<WavOptions> refused(7);
    refused[0].tag = 3;        // floating point
    refused[1].bits = 8;       // would play as noise
    refused[2].channels = 3;
    refused[3].withData = false;
    refused[4].dataSizeOverride = 0;
    refused[5].rate = 0;
    refused[6].fmtSize = 4;
    for (size_t i = 0; i < refused.size(); ++i) {
        Write("r.wav", Wav(samples, refused[i]));
        EXPECT_FALSE(AudioSource::Create("r.wav", false)) << i;
        EXPECT_FALSE(AudioSource::Create("r.wav", true)) << i;
    }
    Write("r.wav", std::vector<uint8_t>(35, 0));
    EXPECT_FALSE(AudioSource::Create("r.wav", false));

    // A chunk whose size would step backwards (or far past the end).
    std::vector<uint8_t> bytes = Wav(samples, WavOptions());
    ByteWriter bad;
    bad.bytes.assign(bytes.begin(), bytes.begin() + 36);
    bad.Text("junk", 4);
    bad.U32(0xFFFFFFF8u);
    bad.bytes.insert(bad.bytes.end(), bytes.begin() + 36, bytes.end());
    Write("r.wav", bad.bytes);
    EXPECT_FALSE(AudioSource::Create("r.wav", false));
}

TEST_F(SourcesTest, WaveIdentifiersRatesAndPadBytesAreHeeded)
{
    const std::vector<int16_t> samples = Ramp(400);
    // A chunk of odd size before the data is followed by a pad byte.
    WavOptions odd;
    odd.listChunk = true;
    odd.listSize = 7;
    Write("odd.wav", Wav(samples, odd));
    SmartPtr<AudioSource> wave = AudioSource::Create("odd.wav", false);
    ASSERT_TRUE(wave);
    EXPECT_EQ(ReadAll(wave), samples);

    // Not RIFF WAVE, or a rate no hardware plays: refused at load.
    std::vector<WavOptions> refused(5);
    refused[0].riffId = "RIFX";
    refused[1].waveId = "AVI ";
    refused[2].rate = AudioFormat::kMaxRate + 1;
    refused[3].rate = 0x7FFFFFF0;  // doubled by the mixer's converters
    refused[4].rate = 0xFFFFFFFF;
    for (size_t i = 0; i < refused.size(); ++i) {
        Write("r.wav", Wav(samples, refused[i]));
        EXPECT_FALSE(AudioSource::Create("r.wav", false)) << i;
    }
    WavOptions highest;
    highest.rate = AudioFormat::kMaxRate;
    Write("high.wav", Wav(samples, highest));
    SmartPtr<AudioSource> high = AudioSource::Create("high.wav", false);
    ASSERT_TRUE(high);
    EXPECT_EQ(high->GetFormat().rate, AudioFormat::kMaxRate);

    // A source built with any rate at all meets the mixer without overflow:
    // a rate it cannot convert gives no channel.
    SmartPtr<Mixer> mixer(new Mixer(AudioFormat{2, 22050}, MixerConfig(), &test::NoDevice));
    mixer->Play(high, false);
    for (int32_t rate : {0x7FFFFFFF, 0x40000000, -22050}) {
        SmartPtr<AudioBuffer> hostile = test::MakeBuffer(AudioFormat{2, rate}, samples);
        mixer->Play(hostile, false);
    }
    std::vector<uint8_t> block(4096);
    mixer->Read(block.data(), 4096);
    EXPECT_EQ(mixer->GetChannelCount(), 0);
}

TEST_F(SourcesTest, WaveDataSizePastTheFileIsCut)
{
    const std::vector<int16_t> samples = Ramp(101);  // odd: 50.5 frames
    WavOptions o;
    o.dataSizeOverride = 0x7FFFFFF0;
    Write("big.wav", Wav(samples, o));
    SmartPtr<AudioSource> buffer = AudioSource::Create("big.wav", true);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->GetLength(), 200);  // whole frames of what is there
    std::vector<int16_t> expected(samples.begin(), samples.begin() + 100);
    EXPECT_EQ(ReadAll(buffer), expected);

    // Every truncation of a good file is refused or reads only its bytes.
    const std::vector<uint8_t> good = Wav(Ramp(64), WavOptions());
    for (size_t size = 0; size < good.size(); ++size) {
        Write("cut.wav", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(size)));
        SmartPtr<AudioSource> cut = AudioSource::Create("cut.wav", true);
        if (cut) {
            EXPECT_LE(static_cast<size_t>(cut->GetLength()), size > 44 ? size - 44 : 0);
        }
    }
}

TEST(AudioBufferTest, ReadsClampAtBothEnds)
{
    SmartPtr<AudioBuffer> buffer = test::MakeBuffer({1, 22050}, Ramp(2000));  // 4000 bytes
    std::vector<uint8_t> out(10000);
    EXPECT_EQ(buffer->Read(out.data(), 10000), 4000);
    EXPECT_EQ(buffer->Read(out.data(), 10000), 0);
    buffer->Rewind();
    EXPECT_EQ(buffer->Read(out.data(), 10), 10);
    buffer->SetPosition(-50);
    EXPECT_EQ(buffer->Read(out.data(), 100), 0);
    buffer->SetPosition(1 << 30);
    EXPECT_EQ(buffer->Read(out.data(), 100), 0);

    // Two positions over one buffer read it independently.
    buffer->Rewind();
    SmartPtr<AudioPosition> a(new AudioPosition(buffer));
    SmartPtr<AudioPosition> b(new AudioPosition(buffer));
    std::vector<int16_t> fromA, fromB;
    for (int i = 0; i < 4; ++i) {
        std::vector<int16_t> part(250);
        a->Read(part.data(), 500);
        fromA.insert(fromA.end(), part.begin(), part.end());
        b->Read(part.data(), 500);
        fromB.insert(fromB.end(), part.begin(), part.end());
    }
    const std::vector<int16_t> ramp = Ramp(2000);
    EXPECT_EQ(fromA, std::vector<int16_t>(ramp.begin(), ramp.begin() + 1000));
    EXPECT_EQ(fromB, fromA);
}

TEST_F(SourcesTest, ModulesPlayAndDecodeToAnEmptyBuffer)
{
    test::XmModule m;
    test::XmPattern p;
    test::Event(p.packed, 49, 1, 0, 0, 0);
    m.patterns.push_back(p);
    test::XmInstrument inst;
    test::XmSample s;
    s.values.assign(1000, 8192);
    s.loopType = 1;
    s.loopLength = 1000;
    inst.samples.push_back(s);
    m.instruments.push_back(inst);
    Write("song.xm", test::BuildXm(m));
    Write("bad.xm", std::vector<uint8_t>(400, 0x41));

    SmartPtr<AudioSource> song = AudioSource::Create("song.xm", false);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->GetFormat(), (AudioFormat{1, 22050}));
    std::vector<int16_t> out(2000);
    EXPECT_EQ(song->Read(out.data(), 4001), 4000);  // whole samples only
    EXPECT_NE(out[1999], 0);

    // A module has one play position: a second play takes it over.
    SmartPtr<Mixer> mixer(new Mixer(AudioFormat{2, 22050}, MixerConfig(), &test::NoDevice));
    WeakPtr<AudioChannel> first = mixer->Play(song, true);
    WeakPtr<AudioChannel> second = mixer->Play(song, true);
    EXPECT_TRUE(first.Expired());
    EXPECT_TRUE(mixer->IsPlaying(second));
    EXPECT_EQ(mixer->GetChannelCount(), 1);

    SmartPtr<AudioSource> decoded = AudioSource::Create("song.xm", true);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->GetLength(), 0);
    EXPECT_FALSE(AudioSource::Create("bad.xm", false));
    EXPECT_FALSE(AudioSource::Create("none.xm", false));
}

TEST_F(SourcesTest, OggDecodesTheEncodedSignal)
{
    ASSERT_TRUE(Encode("tone.ogg", 2, 22050, 22050));
    Write("tone.wav", ReadFile("tone.ogg"));  // Ogg data under a WAVE name

    SmartPtr<AudioSource> streamed = AudioSource::Create("tone.ogg", false);
    ASSERT_TRUE(streamed);
    EXPECT_EQ(streamed->GetFormat(), (AudioFormat{2, 22050}));
    EXPECT_EQ(streamed->GetLength(), 22050 * 4);
    const std::vector<int16_t> decoded = ReadAll(streamed, 4096);
    ASSERT_EQ(decoded.size(), 22050u * 2);

    // Lossy, but close to the signal: left 441 Hz, right 882 Hz at half scale.
    double error = 0, power = 0;
    for (size_t i = 0; i < 22050; ++i) {
        const double t = static_cast<double>(i) / 22050;
        const double left = 0.5 * 32768 * std::sin(2 * M_PI * 441 * t);
        const double right = 0.5 * 32768 * std::sin(2 * M_PI * 882 * t);
        error += std::pow(decoded[2 * i] - left, 2) + std::pow(decoded[2 * i + 1] - right, 2);
        power += left * left + right * right;
    }
    EXPECT_GT(10 * std::log10(power / error), 25.0);

    SmartPtr<AudioSource> cached = AudioSource::CreateCachedOgg("tone.ogg");
    ASSERT_TRUE(cached);
    EXPECT_EQ(ReadAll(cached, 3000), decoded);
    SmartPtr<AudioSource> buffer = AudioSource::Create("tone.ogg", true);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(ReadAll(buffer), decoded);

    cached->SetPosition(40000);
    EXPECT_EQ(cached->GetPosition(), 40000);
    std::vector<int16_t> part(100);
    EXPECT_EQ(cached->Read(part.data(), 200), 200);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), decoded.begin() + 20000));
    cached->Rewind();
    EXPECT_EQ(cached->GetPosition(), 0);

    EXPECT_FALSE(AudioSource::CreateCachedOgg("tone.wav"));
    EXPECT_FALSE(AudioSource::Create("tone.wav", false));
    EXPECT_FALSE(AudioSource::CreateCachedOgg("missing.ogg"));
    EXPECT_FALSE(AudioSource::Create("missing.ogg", false));
}

TEST_F(SourcesTest, DamagedOggFailsOrEndsEarly)
{
    ASSERT_TRUE(Encode("mono.ogg", 1, 44100, 8000));
    const std::vector<uint8_t> good = ReadFile("mono.ogg");
    ASSERT_GT(good.size(), 200u);
    std::vector<uint8_t> work(1 << 16);
    for (size_t size = 0; size < good.size(); size += 37) {
        SmartPtr<CachedFile> cut(new CachedFile(good.data(), static_cast<int>(size), true));
        SmartPtr<AudioSource> source = AudioOgg::Create(cut);
        if (!source) continue;
        SmartPtr<AudioBuffer> whole = AudioBuffer::FromSource(source);
        ASSERT_TRUE(whole);
        EXPECT_LE(whole->GetLength(), 16000);
    }
    for (size_t at = 0; at < good.size(); at += 11) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x5A;
        SmartPtr<CachedFile> file(new CachedFile(bad.data(), static_cast<int>(bad.size()), true));
        SmartPtr<AudioSource> source = AudioOgg::Create(file);
        if (!source) continue;
        while (source->Read(work.data(), static_cast<int>(work.size())) == static_cast<int>(work.size())) {}
    }
    Write("noise.ogg", std::vector<uint8_t>(5000, 0x33));
    EXPECT_FALSE(AudioSource::Create("noise.ogg", true));
}

TEST_F(SourcesTest, DamagedOggSetupHeadersNeverStopTheProcess)
{
    // Every byte of the setup header (codebooks, residues, ...) zeroed in
    // turn with the page's CRC put right, so that the decoder sees it: a
    // codebook of dimension 0 used by a residue must not divide by zero.
    for (int channels : {1, 2}) {
        ASSERT_TRUE(Encode("short.ogg", channels, 22050 * channels, 2000));
        const std::vector<uint8_t> good = ReadFile("short.ogg");
        const std::vector<OggPage> pages = OggPages(good);
        ASSERT_GE(pages.size(), 3u);
        const uint8_t setupId[] = {5, 'v', 'o', 'r', 'b', 'i', 's'};
        const auto setup = std::search(good.begin(), good.end(), setupId, setupId + sizeof setupId);
        ASSERT_NE(setup, good.end());
        const size_t from = static_cast<size_t>(setup - good.begin()) + sizeof setupId;
        size_t page = 0;
        while (pages[page].end <= from) ++page;
        SmartPtr<AudioSource> whole = AudioOgg::Create(new CachedFile(good.data(), static_cast<int>(good.size()), true));
        ASSERT_TRUE(whole);  // the good file passes the check
        EXPECT_EQ(whole->GetLength(), 2000 * 2 * channels);
        for (size_t at = from; at < pages[page].end; ++at) PlayWithByte(good, pages, at, 0);
    }
}

TEST_F(SourcesTest, RandomlyDamagedOggNeverStopsTheProcess)
{
    ASSERT_TRUE(Encode("short.ogg", 2, 22050, 3000));
    const std::vector<uint8_t> good = ReadFile("short.ogg");
    const std::vector<OggPage> pages = OggPages(good);
    ASSERT_GE(pages.size(), 3u);
    const uint32_t seed = VokeTest::TestSeed(5);
    SCOPED_TRACE(VokeTest::SeedNote(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 2000; ++round) {
        const size_t at = rng() % good.size();
        PlayWithByte(good, pages, at, static_cast<uint8_t>(rng()));
    }
}

TEST_F(SourcesTest, HugeGranulePositionsStayInsideTheStream)
{
    ASSERT_TRUE(Encode("long.ogg", 2, 22050, 22050 * 8));
    const std::vector<uint8_t> good = ReadFile("long.ogg");
    const std::vector<OggPage> pages = OggPages(good);
    ASSERT_GE(pages.size(), 5u);  // the length is told by the last of several
    for (int64_t granule : {int64_t(1) << 62, INT64_MAX, int64_t(INT32_MAX) * 3}) {
        // The last page's granule position tells the stream's length.
        std::vector<uint8_t> bad = good;
        const OggPage& last = pages.back();
        for (int i = 0; i < 8; ++i) bad[last.start + 6 + size_t(i)] = static_cast<uint8_t>(granule >> (8 * i));
        FixCrc(bad, last);
        SmartPtr<AudioSource> source = AudioOgg::Create(new CachedFile(bad.data(), static_cast<int>(bad.size()), true));
        if (!source) continue;
        // A length past 2 GiB cannot be told (0); positions stay inside what
        // is known of the stream either way.
        const int length = source->GetLength();
        EXPECT_GE(length, 0);
        std::vector<uint8_t> work(4096);
        const int got = source->Read(work.data(), 4096);
        EXPECT_EQ(source->GetPosition(), got);
        source->SetPosition(1 << 30);
        EXPECT_GE(source->GetPosition(), 0);
        if (length > 0) {
            EXPECT_LE(source->GetPosition(), length);
        }
    }
}

TEST_F(SourcesTest, MixerPlaysMonoOggAtTwiceItsRateThroughTheHalvingPath)
{
    ASSERT_TRUE(Encode("fast.ogg", 1, 44100, 44100));
    SmartPtr<AudioSource> source = AudioSource::CreateCachedOgg("fast.ogg");
    ASSERT_TRUE(source);
    const std::vector<int16_t> decoded = ReadAll(source, 4096);
    SmartPtr<Mixer> mixer(new Mixer(AudioFormat{2, 22050}, MixerConfig(), &test::NoDevice));
    mixer->Play(source, true);
    const std::vector<int16_t> block = test::ReadSamples(mixer, 4096);
    for (size_t f = 0; f < 1024; ++f) {
        const int m = (decoded[2 * f] + decoded[2 * f + 1]) / 2;
        ASSERT_EQ(block[2 * f], m) << f;
        ASSERT_EQ(block[2 * f + 1], m) << f;
    }
}

}  // namespace
}  // namespace Voke
