// The sound bank heard through the sound server that scripts/test starts:
// the engine's mixer plays into the null sink and the sink's monitor is
// recorded with parec, so what these tests compare is what a player would
// hear.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/audio/mixer.h"
#include "game/core/game_base.h"
#include "game/presentation/sound_bank.h"
#include "tests/game/presentation/presentation_test_files.h"
#include "tests/support/monitor_recorder.h"

extern char** environ;

namespace {

using VokeTest::Sounded;

// Every frame non-zero and distinct, and small enough that two plays add
// without saturating.
std::vector<int16_t> Signal(int frames)
{
    std::vector<int16_t> s(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        s[2 * i] = int16_t(1000 + (i * 7) % 11000);
        s[2 * i + 1] = int16_t(1500 + (i * 13) % 9000);
    }
    return s;
}

bool SomethingSounded(const std::vector<int16_t>& heard) { return !Sounded(heard).empty(); }

class SoundBankSink : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no sound server (scripts/test starts one)";
        m_signal = Signal(11025);  // half a second
        m_content.Write("gl_new_uderzenie_nowe_2.wav", PresentationTest::MakeWav(m_signal));
        m_game.InitRandom(3u);
        m_bank.SetOwner(&m_game);
        m_bank.Load();
    }
    void TearDown() override { Voke::AbstractApp::s_mixer.Reset(); }

    // The game's mixer on the sound server.
    void StartMixer()
    {
        Voke::AbstractApp::s_mixer = new Voke::Mixer();
        ASSERT_TRUE(Voke::AbstractApp::s_mixer->HasDevice());
    }
    // Waits until `recorder` has heard `samples` sounding samples (channels
    // interleaved).
    static void WaitForSounded(VokeTest::MonitorRecorder& recorder, size_t samples)
    {
        ASSERT_TRUE(recorder.WaitFor([samples](const std::vector<int16_t>& heard) {
            return Sounded(heard).size() >= samples;
        })) << "heard " << Sounded(recorder.Heard()).size() << " of " << samples << " samples";
    }

    PresentationTest::ContentFolder m_content;
    std::vector<int16_t> m_signal;
    GameBase m_game;
    SoundBank m_bank;
};

// The number of leading samples in which `sounded` is `signal`.
size_t Agreeing(const std::vector<int16_t>& sounded, const std::vector<int16_t>& signal)
{
    size_t k = 0;
    while (k < signal.size() && k < sounded.size() && sounded[k] == signal[k]) ++k;
    return k;
}

TEST_F(SoundBankSink, TwoOverlappingPlaysOfOneIdAreHeardAsTheirSum)
{
    // Two seconds (a sound the bank has not loaded yet): the second play
    // starts as soon as the first is heard, long before its end.
    const std::vector<int16_t> signal = Signal(44100);
    m_content.Write("gl_podskok_1.wav", PresentationTest::MakeWav(signal));
    m_bank.Load();
    VokeTest::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Running());
    StartMixer();
    m_bank.Play(2);
    ASSERT_TRUE(recorder.WaitFor(SomethingSounded));
    m_bank.Play(2);
    // The first play alone until the second starts, k samples later; then
    // both, each from its own position; then the second alone: n + k
    // samples in all.
    const size_t n = signal.size();
    recorder.WaitFor([&signal, n](const std::vector<int16_t>& heard) {
        const std::vector<int16_t> sounded = Sounded(heard);
        const size_t k = Agreeing(sounded, signal);
        return k < sounded.size() && sounded.size() >= n + k;
    });
    Voke::AbstractApp::s_mixer.Reset();
    const std::vector<int16_t> sounded = Sounded(recorder.Stop());

    const size_t k = Agreeing(sounded, signal);
    ASSERT_GT(k, 0u);
    ASSERT_LT(k, n) << "the second play was not heard over the first";
    ASSERT_EQ(sounded.size(), n + k) << "both plays whole, nothing more";
    size_t mismatches = 0;
    for (size_t j = 0; j < sounded.size(); ++j) {
        int want = (j < n ? signal[j] : 0) + (j >= k ? signal[j - k] : 0);
        if (sounded[j] != want) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST_F(SoundBankSink, TheSoundSwitchSilencesNewSounds)
{
    VokeTest::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Running());
    StartMixer();
    m_game.m_SoundOn = false;
    m_bank.Play(17);
    // Twice the sound's length of the monitor, in which it would have been
    // heard.
    ASSERT_TRUE(recorder.WaitForMore(1.0));
    EXPECT_EQ(Voke::AbstractApp::s_mixer->GetChannelCount(), 0);
    EXPECT_TRUE(Sounded(recorder.Stop()).empty());

    VokeTest::MonitorRecorder again;
    ASSERT_TRUE(again.Running());
    m_game.m_SoundOn = true;
    m_bank.Play(17);
    WaitForSounded(again, m_signal.size());
    Voke::AbstractApp::s_mixer.Reset();
    EXPECT_EQ(Sounded(again.Stop()), m_signal);
}

TEST_F(SoundBankSink, PauseAndResumeKeepThePosition)
{
    // Two seconds: the pause comes as soon as the sound is heard, long
    // before its end.
    const std::vector<int16_t> longer = Signal(44100);
    m_content.Write("gl_kroki_nowe_8_a.wav", PresentationTest::MakeWav(longer));
    m_bank.Load();
    VokeTest::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Running());
    StartMixer();
    m_bank.Play(0);
    ASSERT_TRUE(recorder.WaitFor(SomethingSounded));
    m_bank.PauseAll();
    // A second of the monitor: what was queued before the pause plays out,
    // then silence.
    ASSERT_TRUE(recorder.WaitForMore(1.0));
    m_bank.ResumeAll();
    WaitForSounded(recorder, longer.size());
    Voke::AbstractApp::s_mixer.Reset();
    const std::vector<int16_t> heard = recorder.Stop();

    // Every sample once, in order: nothing lost or repeated over the pause.
    EXPECT_EQ(Sounded(heard), longer);
    // And the pause was heard as silence between the first sample and the
    // last.
    bool started = false;
    size_t first = 0, last = 0, run = 0, longest = 0;
    for (size_t i = 0; i + 1 < heard.size(); i += 2)
        if (heard[i] || heard[i + 1]) {
            if (!started) first = i;
            started = true;
            last = i;
        }
    for (size_t i = first; i < last; i += 2) {
        run = heard[i] || heard[i + 1] ? 0 : run + 1;
        if (run > longest) longest = run;
    }
    EXPECT_GT(longest, 22050u / 4) << "frames of silence";
}

}  // namespace
