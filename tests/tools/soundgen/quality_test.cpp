// The generated sounds as the game gets them: every file the game asks for
// exists, loads through the engine's sound sources, never clips, has the
// length its use needs, and the music loops without a click.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/audio/audio_asset.h"
#include "engine/core/vfs.h"
#include "tests/support/temp_dir.h"
#include "tools/soundgen/catalogue.h"
#include "tools/soundgen/tune.h"

namespace {

using Voke::AudioSource;
using Voke::SmartPtr;

// What the game asks the asset dictionary for (without the "@" options).
const char* const kEffects[] = {"gl_kroki_nowe_8_a.wav", "gl_kroki_nowe_8_b.wav", "gl_podskok_1.wav", "gl_wslizg_1.wav",
                                "gl_new_uderzenie_nowe_2.wav"};
const char* const kCues[] = {"gl_alarm_5_syrena_puls_malejacy_sredni.wav", "gl_new_kanaly_5.wav", "gl_budowa_loop_3.wav",
                             "gl_new_suburbs_2.wav", "gl_fajerwerki_1.wav", "gl_piorun_1.wav", "gl_piorun_5.wav"};
const char* const kPasses[] = {"gl_helikopter_1_przelot.wav", "gl_metro_2_tory_syrena.wav", "gl_samolot_przelot_1.wav"};
const char* const kJingle = "gl_new_skladanie_napisu_2.wav";
const char* const kMusic[] = {"music_main_menu.ogg", "music_ingame.ogg"};

std::vector<std::string> AllWaves()
{
    std::vector<std::string> names(std::begin(kEffects), std::end(kEffects));
    names.insert(names.end(), std::begin(kCues), std::end(kCues));
    names.insert(names.end(), std::begin(kPasses), std::end(kPasses));
    names.push_back(kJingle);
    return names;
}

// Samples of a whole sound, per channel, in [-1, 1).
struct Decoded {
    int channels = 0;
    int rate = 0;
    std::vector<std::vector<float>> samples;

    int Frames() const { return samples.empty() ? 0 : static_cast<int>(samples[0].size()); }
    double Seconds() const { return rate ? double(Frames()) / rate : 0; }
    double PeakDb() const
    {
        float peak = 0;
        for (const auto& channel : samples)
            for (float s : channel) peak = std::max(peak, std::fabs(s));
        return 20 * std::log10(std::max(peak, 1e-9f));
    }
};

class GeneratedSounds : public ::testing::Test {
protected:
    void SetUp() override
    {
        Voke::Vfs::Init();
        ASSERT_NE(Voke::Vfs::MountDirectory(std::string(SOUNDGEN_OUT) + "/", "", 0), nullptr);
    }
    void TearDown() override { Voke::Vfs::Shutdown(); }

    // Loads as the game does ("@buffer" for waves, "@cache" for music) and
    // reads the whole sound.
    static bool Load(const std::string& name, Decoded& out)
    {
        const bool music = name.size() > 4 && name.compare(name.size() - 4, 4, ".ogg") == 0;
        SmartPtr<AudioSource> source = Voke::SplitAudioFileOption(name + (music ? "@cache" : "@buffer"));
        if (!source) return false;
        out.channels = source->GetFormat().channels;
        out.rate = source->GetFormat().rate;
        std::vector<int16_t> pcm;
        std::vector<int16_t> block(8192);
        for (int got; (got = source->Read(block.data(), static_cast<int>(block.size() * 2))) > 0;)
            pcm.insert(pcm.end(), block.begin(), block.begin() + got / 2);
        if (out.channels < 1) return false;
        out.samples.assign(static_cast<size_t>(out.channels), {});
        for (size_t i = 0; i < pcm.size(); ++i)
            out.samples[i % static_cast<size_t>(out.channels)].push_back(pcm[i] / 32768.0f);
        return true;
    }
};

TEST_F(GeneratedSounds, EveryFileTheGameAsksForIsWrittenAndNothingElse)
{
    std::set<std::string> expected(std::begin(kMusic), std::end(kMusic));
    for (const std::string& name : AllWaves()) expected.insert(name);

    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(SOUNDGEN_OUT))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, expected);

    // The list the build gives the content packer names the same files.
    std::set<std::string> listed;
    std::istringstream list(SOUNDGEN_FILE_LIST);
    for (std::string name; std::getline(list, name, ',');) listed.insert(name);
    EXPECT_EQ(listed, expected);

    // So does the generator itself, asked for its list.
    std::FILE* pipe = popen((std::string(SOUNDGEN_PROGRAM) + " --list").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> printed;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) printed.insert(std::string(line, std::strcspn(line, "\n")));
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(printed, expected);
}

TEST_F(GeneratedSounds, WavesLoadAtTheMixerRateMonoUnlessTheyMove)
{
    const std::set<std::string> moving(std::begin(kPasses), std::end(kPasses));
    for (const std::string& name : AllWaves()) {
        SCOPED_TRACE(name);
        Decoded sound;
        ASSERT_TRUE(Load(name, sound));
        EXPECT_EQ(sound.rate, 22050);
        EXPECT_EQ(sound.channels, moving.count(name) ? 2 : 1);
        EXPECT_GT(sound.Frames(), 0);
    }
}

TEST_F(GeneratedSounds, NothingClips)
{
    std::vector<std::string> names = AllWaves();
    names.insert(names.end(), std::begin(kMusic), std::end(kMusic));
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Decoded sound;
        ASSERT_TRUE(Load(name, sound));
        EXPECT_LT(sound.PeakDb(), -1.0);
        // Not silent either: every sound is meant to be heard.
        EXPECT_GT(sound.PeakDb(), -12.0);
    }
}

TEST_F(GeneratedSounds, LengthsSuitTheirUse)
{
    for (const char* name : {"gl_kroki_nowe_8_a.wav", "gl_kroki_nowe_8_b.wav", "gl_podskok_1.wav"}) {
        Decoded sound;
        ASSERT_TRUE(Load(name, sound));
        EXPECT_LT(sound.Seconds(), 0.3) << name << ": steps and the jump repeat quickly";
    }
    for (const char* name : kEffects) {
        Decoded sound;
        ASSERT_TRUE(Load(name, sound));
        EXPECT_LT(sound.Seconds(), 1.0) << name;
    }
    std::vector<const char*> cues(std::begin(kCues), std::end(kCues));
    cues.insert(cues.end(), std::begin(kPasses), std::end(kPasses));
    for (const char* name : cues) {
        Decoded sound;
        ASSERT_TRUE(Load(name, sound));
        EXPECT_GE(sound.Seconds(), 2.0) << name;
        EXPECT_LE(sound.Seconds(), 6.0) << name;
    }
}

TEST_F(GeneratedSounds, WavesStartAndEndInSilence)
{
    // A sound may start over anything and be heard to its end: its first and
    // last frames are silent, so neither end clicks.
    for (const std::string& name : AllWaves()) {
        SCOPED_TRACE(name);
        Decoded sound;
        ASSERT_TRUE(Load(name, sound));
        for (const auto& channel : sound.samples) {
            EXPECT_LT(std::fabs(channel.front()), 0.001f);
            EXPECT_LT(std::fabs(channel.back()), 0.001f);
        }
    }
}

TEST_F(GeneratedSounds, PassesMoveFromLeftToRight)
{
    // A fly-by starts on the left and leaves on the right, loudest between.
    for (const char* name : kPasses) {
        SCOPED_TRACE(name);
        Decoded sound;
        ASSERT_TRUE(Load(name, sound));
        ASSERT_EQ(sound.channels, 2);
        const int n = sound.Frames();
        auto energy = [&](int channel, int from, int to) {
            double sum = 0;
            for (int i = from; i < to; ++i) sum += double(sound.samples[channel][i]) * sound.samples[channel][i];
            return sum;
        };
        EXPECT_GT(energy(0, 0, n / 3), 2 * energy(1, 0, n / 3));
        EXPECT_GT(energy(1, 2 * n / 3, n), 2 * energy(0, 2 * n / 3, n));
        const double middle = energy(0, n / 3, 2 * n / 3) + energy(1, n / 3, 2 * n / 3);
        EXPECT_GT(middle, energy(0, 0, n / 3) + energy(1, 0, n / 3));
        EXPECT_GT(middle, energy(0, 2 * n / 3, n) + energy(1, 2 * n / 3, n));
    }
}

// Frames of the loop of a built-in tune, as the tune says.
long long TuneFrames(const std::string& file, SoundGen::Tune& tune)
{
    for (const SoundGen::TuneEntry& entry : SoundGen::Tunes()) {
        std::string error;
        if (entry.file == file) return SoundGen::ParseTune(entry.text, entry.source, tune, error) ? tune.LoopFrames() : -1;
    }
    return -1;
}

TEST_F(GeneratedSounds, MusicDecodesToTheLengthOfItsTune)
{
    for (const char* name : kMusic) {
        SCOPED_TRACE(name);
        SoundGen::Tune tune;
        const long long frames = TuneFrames(name, tune);
        ASSERT_GT(frames, 0);
        SmartPtr<AudioSource> source = Voke::SplitAudioFileOption(std::string(name) + "@cache");
        ASSERT_TRUE(source);
        EXPECT_EQ(source->GetFormat(), (Voke::AudioFormat{2, 22050}));
        EXPECT_EQ(source->GetLength(), frames * 4);
        Decoded sound;
        ASSERT_TRUE(Load(name, sound));
        EXPECT_EQ(sound.Frames(), frames);
        EXPECT_GE(sound.Seconds(), 30.0);
        EXPECT_LE(sound.Seconds(), 60.0);
    }
}

// The jump in level across the boundary before frame `at`, taken modulo the
// length so that the loop's end meets its start: the change in RMS level
// between the 10 ms before and the 10 ms after, in dB, largest of the
// channels.
double LevelJumpDb(const Decoded& sound, long long at)
{
    const long long n = sound.Frames();
    const long long window = sound.rate / 100;
    double jump = 0;
    for (const auto& channel : sound.samples) {
        auto sample = [&](long long i) { return double(channel[static_cast<size_t>(((i % n) + n) % n)]); };
        double before = 0, after = 0;
        for (long long i = 0; i < window; ++i) {
            before += sample(at - 1 - i) * sample(at - 1 - i);
            after += sample(at + i) * sample(at + i);
        }
        jump = std::max(jump, std::fabs(10 * std::log10((after + 1e-12) / (before + 1e-12))));
    }
    return jump;
}

TEST_F(GeneratedSounds, MusicLoopsJoinWithoutAClick)
{
    for (const char* name : kMusic) {
        SCOPED_TRACE(name);
        SoundGen::Tune tune;
        ASSERT_GT(TuneFrames(name, tune), 0);
        Decoded sound;
        ASSERT_TRUE(Load(name, sound));
        const long long n = sound.Frames();
        ASSERT_GT(n, sound.rate);

        // Sample to sample: the step from the last frame to the first is no
        // larger than the steps the music itself takes in the 50 ms around.
        for (const auto& channel : sound.samples) {
            auto sample = [&](long long i) { return double(channel[static_cast<size_t>(((i % n) + n) % n)]); };
            const double join = std::fabs(sample(0) - sample(-1));
            double around = 0;
            for (long long i = -sound.rate / 20; i <= sound.rate / 20; ++i)
                if (i != 0) around = std::max(around, std::fabs(sample(i) - sample(i - 1)));
            EXPECT_LE(join, around);
        }

        // Level: the loop's end meets its start on a bar line, and the level
        // changes there no more than across the tune's other bar lines.
        const double barFrames = tune.meter * tune.BeatFrames();
        double within = 0;
        for (int bar = 1; bar < tune.TotalBars(); ++bar) within = std::max(within, LevelJumpDb(sound, std::llround(bar * barFrames)));
        EXPECT_LE(LevelJumpDb(sound, 0), within);
    }
}

TEST_F(GeneratedSounds, EveryRunWritesTheSameBytes)
{
    VokeTest::TempDir again;
    const std::string command = std::string(SOUNDGEN_PROGRAM) + " " + again.Path();
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    for (const auto& entry : std::filesystem::directory_iterator(SOUNDGEN_OUT)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(bytes(entry.path().string()), bytes(again / name)) << name;
    }
}

}  // namespace
