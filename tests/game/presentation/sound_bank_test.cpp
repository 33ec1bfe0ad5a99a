// The sound bank on a real mixer without an output device, whose mixed
// blocks are read directly: what the sound switch and the ids keep from
// playing, and what pausing reaches. (What overlapping plays sound like is
// heard through the sound server in sound_bank_sink_test.cpp.)
#include "game/presentation/sound_bank.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/audio/mixer.h"
#include "engine/core/rng.h"
#include "game/core/game_base.h"
#include "game/presentation/thunder_effect.h"
#include "tests/engine/audio/audio_test_util.h"
#include "tests/game/presentation/presentation_test_files.h"

namespace {

const Voke::AudioFormat kStereo22{2, 22050};
// NOTE: the mixer's default block: 4096 bytes, 1024 stereo frames.
constexpr int kBlockSamples = 2048;

// Distinct, non-zero samples small enough that two plays never saturate.
std::vector<int16_t> Signal(int frames, int base)
{
    std::vector<int16_t> s(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        s[2 * i] = int16_t(base + (i * 7) % 11000);
        s[2 * i + 1] = int16_t(base + 500 + (i * 13) % 9000);
    }
    return s;
}

class SoundBankTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_jump = Signal(3000, 1000);
        m_content.Write("gl_podskok_1.wav", PresentationTest::MakeWav(m_jump));
        m_content.Write("gl_piorun_1.wav", PresentationTest::MakeWav(std::vector<int16_t>(4096, 1000)));
        m_content.Write("gl_piorun_5.wav", PresentationTest::MakeWav(std::vector<int16_t>(4096, 2000)));
        m_content.Write("gl_wslizg_1.wav", "RIFF, but not a sound");
        Voke::AbstractApp::s_mixer = new Voke::Mixer(kStereo22, Voke::MixerConfig(), &Voke::test::NoDevice);
        m_game.InitRandom(77u);
        m_bank.SetOwner(&m_game);
        m_bank.Load();
    }
    void TearDown() override { Voke::AbstractApp::s_mixer.Reset(); }

    Voke::Mixer& Mixer() { return *Voke::AbstractApp::s_mixer; }
    std::vector<int16_t> Block() { return Voke::test::ReadSamples(&Mixer(), kBlockSamples * 2); }

    PresentationTest::ContentFolder m_content;
    std::vector<int16_t> m_jump;
    GameBase m_game;
    SoundBank m_bank;
};

TEST_F(SoundBankTest, TheSwitchAndUnknownIdsKeepSoundsFromStarting)
{
    m_game.m_SoundOn = false;
    m_bank.Play(2);
    EXPECT_EQ(Mixer().GetChannelCount(), 0);
    m_game.m_SoundOn = true;
    for (int id : {-1, 3, 4, 5, 18, 1000}) m_bank.Play(id);
    m_bank.Play(6);   // a file that is not a sound: its slot stays empty
    m_bank.Play(17);  // a file that is missing
    EXPECT_EQ(Mixer().GetChannelCount(), 0);

    SoundBank unowned;
    unowned.Load();
    unowned.Play(2);
    EXPECT_EQ(Mixer().GetChannelCount(), 0) << "without the game there is no switch to read";

    // The switch stops nothing already playing.
    m_bank.Play(2);
    m_game.m_SoundOn = false;
    EXPECT_EQ(Block()[0], m_jump[0]);

    // Without a mixer nothing plays or pauses.
    Voke::AbstractApp::s_mixer.Reset();
    m_game.m_SoundOn = true;
    m_bank.Play(2);
    m_bank.PauseAll();
}

TEST_F(SoundBankTest, PausingReachesTheNewestChannelOfEachSound)
{
    m_bank.Play(2);
    m_bank.Play(2);
    m_bank.PauseAll();
    // Only the newer play is paused: the older one sounds alone.
    std::vector<int16_t> block = Block();
    EXPECT_EQ(block[0], m_jump[0]);
    EXPECT_EQ(block[kBlockSamples - 1], m_jump[kBlockSamples - 1]);
    m_bank.ResumeAll();
    // The newer play resumes from its first sample.
    block = Block();
    EXPECT_EQ(block[0], m_jump[kBlockSamples] + m_jump[0]);

    // Released sounds play no more, but pausing still reaches the channels.
    m_bank.Release();
    m_bank.Play(2);
    EXPECT_EQ(Mixer().GetChannelCount(), 2);
    m_bank.PauseAll();
    block = Block();
    EXPECT_EQ(block[0], m_jump[2 * kBlockSamples]) << "the older play, untracked, goes on";
    m_bank.ResumeAll();
    while (Mixer().GetChannelCount() > 0) Block();
    // Ended channels are skipped.
    m_bank.PauseAll();
    m_bank.ResumeAll();
    EXPECT_EQ(Mixer().GetChannelCount(), 0);
}

TEST_F(SoundBankTest, ThunderPlaysOneOfItsTwoSoundsByTheParityOfANumber)
{
    ThunderEffect thunder;
    thunder.SetOwner(&m_game);
    thunder.SetSoundBank(&m_bank);
    thunder.Load();  // three bolts, their pictures missing
    m_game.m_ScreenWidth = 480;
    m_game.m_ScreenHeight = 320;
    for (int flash = 0; flash < 6; ++flash) {
        // The number the thunder draws for its sound, after the flash time
        // and three bolts.
        GameBase twin;
        twin.InitRandom(0u);
        *twin.m_Random = *m_game.m_Random;
        for (int i = 0; i < 7; ++i) twin.Random();
        const int expected = twin.Random() % 2 == 0 ? 1000 : 2000;

        thunder.Start();
        EXPECT_EQ(Block()[0], expected) << "flash " << flash;
        thunder.Update(0.3f);
        while (Mixer().GetChannelCount() > 0) Block();
    }
}

}  // namespace
