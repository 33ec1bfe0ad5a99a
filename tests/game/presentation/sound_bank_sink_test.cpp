// The sound bank heard through the sound server that scripts/test starts:
// the engine's mixer plays into the null sink and the sink's monitor is
// recorded with parec, so what these tests compare is what a player would
// hear.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/audio/mixer.h"
#include "game/core/game_base.h"
#include "game/presentation/sound_bank.h"
#include "tests/game/presentation/presentation_test_files.h"
#include "tests/support/monitor_recorder.h"

extern char** environ;

namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

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

// The frames that are not silent: what sounded, without the silence before,
// after and between (a pause, or a gap a slow writer thread leaves).
std::vector<int16_t> Sounded(const std::vector<int16_t>& heard)
{
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < heard.size(); i += 2)
        if (heard[i] != 0 || heard[i + 1] != 0) out.insert(out.end(), {heard[i], heard[i + 1]});
    return out;
}

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

    PresentationTest::ContentFolder m_content;
    std::vector<int16_t> m_signal;
    GameBase m_game;
    SoundBank m_bank;
};

TEST_F(SoundBankSink, TwoOverlappingPlaysOfOneIdAreHeardAsTheirSum)
{
    VokeTest::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Running());
    StartMixer();
    m_bank.Play(17);
    SleepMs(150);
    m_bank.Play(17);
    SleepMs(900);
    Voke::AbstractApp::s_mixer.Reset();
    SleepMs(200);
    const std::vector<int16_t> sounded = Sounded(recorder.Stop());

    // The first play alone until the second starts, k samples later; then
    // both, each from its own position; then the second alone.
    const size_t n = m_signal.size();
    size_t k = 0;
    while (k < n && k < sounded.size() && sounded[k] == m_signal[k]) ++k;
    ASSERT_GT(k, 0u);
    ASSERT_LT(k, n) << "the second play was not heard over the first";
    ASSERT_EQ(sounded.size(), n + k) << "both plays whole, nothing more";
    size_t mismatches = 0;
    for (size_t j = 0; j < sounded.size(); ++j) {
        int want = (j < n ? m_signal[j] : 0) + (j >= k ? m_signal[j - k] : 0);
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
    SleepMs(700);
    EXPECT_EQ(Voke::AbstractApp::s_mixer->GetChannelCount(), 0);
    const std::vector<int16_t> silent = recorder.Stop();
    EXPECT_GT(silent.size(), 22050u / 2);
    EXPECT_TRUE(Sounded(silent).empty());

    VokeTest::MonitorRecorder again;
    m_game.m_SoundOn = true;
    m_bank.Play(17);
    SleepMs(800);
    Voke::AbstractApp::s_mixer.Reset();
    SleepMs(200);
    EXPECT_EQ(Sounded(again.Stop()), m_signal);
}

TEST_F(SoundBankSink, PauseAndResumeKeepThePosition)
{
    const std::vector<int16_t> longer = Signal(22050);
    m_content.Write("gl_kroki_nowe_8_a.wav", PresentationTest::MakeWav(longer));
    m_bank.Load();
    VokeTest::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Running());
    StartMixer();
    m_bank.Play(0);
    SleepMs(300);
    m_bank.PauseAll();
    SleepMs(500);
    m_bank.ResumeAll();
    SleepMs(1200);
    Voke::AbstractApp::s_mixer.Reset();
    SleepMs(200);
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
