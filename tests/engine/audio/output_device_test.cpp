// The sound-server output device. Run against the private PulseAudio server
// that scripts/test starts (PULSE_SERVER); what the null sink heard is
// recorded from its monitor with parec and compared with the mixer's output.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio/maemo_audio_device.h"
#include "engine/audio/mixer.h"
#include "tests/engine/audio/audio_test_util.h"
#include "tests/support/monitor_recorder.h"
#include "tests/support/poll.h"
#include "tests/support/spawn.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace Voke {
namespace {

const AudioFormat kStereo22{2, 22050};

bool HaveServer() { return std::getenv("PULSE_SERVER") != nullptr; }

int CountThreads()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ++count;
        closedir(dir);
    }
    return count;
}

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

using Clock = std::chrono::steady_clock;
double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// NOTE: the waits only guard against a hang: each ends as soon as what it
// waits for has happened.
constexpr double kGuardSeconds = 60.0;

bool PollUntil(const std::function<bool()>& done)
{
    return VokeTest::PollUntil(done, kGuardSeconds, std::chrono::milliseconds(5));
}

// A sound of a fifth of a second on `mixer` ends, pulled at the pace of
// playback rather than at once, and its writer, now silent, sleeps between
// blocks instead of spinning: over at least `watchSeconds` it takes less than
// half of one processor's time (a spinning one takes all it gets: most of a
// processor, or its share of a busy machine's).
void ExpectPacedAndQuiet(Mixer& mixer, bool paced, double watchSeconds)
{
    const double cpuBefore = CpuSeconds();
    const Clock::time_point start = Clock::now();
    WeakPtr<AudioChannel> channel = mixer.Play(test::MakeBuffer(kStereo22, std::vector<int16_t>(4410 * 2, 100)), true);
    ASSERT_TRUE(PollUntil([&] { return !mixer.IsPlaying(channel); })) << "the sound never ended";
    // Five blocks of 1024 frames; a writer that was held up takes two at
    // once.
    if (paced) {
        EXPECT_GE(SecondsSince(start), 0.1) << "the sound ended before it could have been heard";
    }
    while (SecondsSince(start) < watchSeconds) SleepMs(10);
    const double cpu = CpuSeconds() - cpuBefore, wall = SecondsSince(start);
    EXPECT_LT(cpu, 0.5 * wall) << cpu << " s of processor time in " << wall << " s";
}

// A second of stereo signal whose frames are all distinct and non-zero.
std::vector<int16_t> Signal()
{
    std::vector<int16_t> s(22050 * 2);
    for (int i = 0; i < 22050; ++i) {
        s[2 * i] = static_cast<int16_t>(8000 * std::sin(i * 0.0628) + (i % 2 ? 1 : -1));
        s[2 * i + 1] = static_cast<int16_t>(i % 30000 - 15000 + (i % 30000 == 15000));
    }
    return s;
}

TEST(MaemoAudioDeviceTest, PlaysTheMixersOutputBitExact)
{
    if (!HaveServer()) GTEST_SKIP() << "no sound server (scripts/test starts one)";
    const std::vector<int16_t> signal = Signal();

    // What the mixer hands the device, read from a twin without a device.
    SmartPtr<Mixer> twin(new Mixer(kStereo22, MixerConfig(), &test::NoDevice));
    twin->Play(test::MakeBuffer(kStereo22, signal), true);
    const std::vector<int16_t> expected = test::ReadSamples(twin, static_cast<int>(signal.size()) * 2 + 8192);

    VokeTest::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Running());
    {
        SmartPtr<Mixer> mixer(new Mixer(kStereo22, MixerConfig()));
        ASSERT_TRUE(mixer->HasDevice());
        mixer->Play(test::MakeBuffer(kStereo22, signal), true);
        // Every frame of the signal is non-zero; silence before and after
        // it, and any gap a slow writer thread leaves on a busy machine, is
        // dropped.
        recorder.WaitFor(
            [&](const std::vector<int16_t>& heard) { return VokeTest::Sounded(heard).size() >= signal.size(); });
    }
    const std::vector<int16_t> heard = recorder.Stop();
    const std::vector<int16_t> sounded = VokeTest::Sounded(heard);
    ASSERT_GE(sounded.size(), signal.size()) << "captured " << heard.size() / 2 << " frames";
    size_t mismatches = 0;
    for (size_t i = 0; i < signal.size(); ++i)
        if (sounded[i] != expected[i]) ++mismatches;
    EXPECT_EQ(mismatches, 0u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + static_cast<long>(signal.size()), signal.begin()));
}

TEST(MaemoAudioDeviceTest, PausingReleasesTheDeviceAndItsThread)
{
    const int threads = CountThreads();
    SmartPtr<Mixer> mixer(new Mixer(kStereo22, MixerConfig()));
    // The writer thread, and the client library's own thread when connected.
    const int withDevice = CountThreads();
    EXPECT_EQ(withDevice, threads + (HaveServer() ? 2 : 1));
    // A joined thread can still be listed in /proc for a moment after the
    // join returns (the kernel wakes the joiner before it removes the task),
    // so its end is waited for.
    auto threadsGone = [&] { return PollUntil([&] { return CountThreads() == threads; }); };
    for (int i = 0; i < 5; ++i) {
        mixer->SetPaused(Mixer::kPauseInactive, true);
        EXPECT_FALSE(mixer->HasDevice());
        EXPECT_TRUE(threadsGone()) << CountThreads() << " threads, " << threads << " before the device";
        mixer->SetPaused(Mixer::kPauseInactive, false);
        EXPECT_TRUE(mixer->HasDevice());
    }
    EXPECT_EQ(CountThreads(), withDevice);
    mixer.Reset();
    EXPECT_TRUE(threadsGone()) << CountThreads() << " threads, " << threads << " before the device";
}

TEST(MaemoAudioDeviceTest, WithoutAServerSoundsEndOnTimeAndNothingSpins)
{
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string saved = previous ? previous : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/voke-no-server", 1);
    {
        SmartPtr<MaemoAudioDevice> device(new MaemoAudioDevice(kStereo22, MixerConfig()));
        EXPECT_FALSE(device->IsConnected());
    }
    SmartPtr<Mixer> mixer(new Mixer(kStereo22, MixerConfig()));
    ASSERT_TRUE(mixer->HasDevice());
    ExpectPacedAndQuiet(*mixer, true, 0.6);
    mixer->SetPaused(Mixer::kPauseInactive, true);
    mixer->SetPaused(Mixer::kPauseInactive, false);
    mixer.Reset();
    if (previous)
        setenv("PULSE_SERVER", saved.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
}

// A quiet tone whose writer is held up once, at its tenth block, for
// `stallMs`.
class StallingStream : public AudioStream {
public:
    explicit StallingStream(int stallMs) : m_stallMs(stallMs) {}
    int Read(void* buffer, int bytes) override
    {
        if (++m_reads == 10) SleepMs(m_stallMs);
        auto* samples = static_cast<int16_t*>(buffer);
        for (int i = 0; i < bytes / 2; ++i) samples[i] = static_cast<int16_t>((i & 64) ? 300 : -300);
        return bytes;
    }

    int Reads() const { return m_reads; }

private:
    int m_stallMs;
    std::atomic<int> m_reads{0};
};

TEST(MaemoAudioDeviceTest, AWriterHeldUpPastTheServersBufferCountsAnUnderrun)
{
    if (!HaveServer()) GTEST_SKIP() << "no sound server (scripts/test starts one)";
    // Two 4096-byte blocks are about 93 ms of sound: a 400 ms stall leaves
    // the server dry at least once.
    const uint64_t before = MaemoAudioDevice::GetUnderrunCount();
    SmartPtr<StallingStream> stream(new StallingStream(400));
    SmartPtr<MaemoAudioDevice> device(new MaemoAudioDevice(kStereo22, MixerConfig()));
    ASSERT_TRUE(device->IsConnected());
    device->Start(stream);
    EXPECT_TRUE(PollUntil([&] { return MaemoAudioDevice::GetUnderrunCount() >= before + 1; }))
        << stream->Reads() << " blocks read";
}

// A sound server of the test's own, so that the test can make it go away.
// Its home, runtime folder and socket are in a folder of the test's own; it
// dies with the test's process.
class PrivateServer {
public:
    PrivateServer() : m_socket(m_sockets / "socket")
    {
        if (m_dir.Path().empty() || m_sockets.Path().empty()) return;
        const std::string runtime = m_dir / "runtime";
        mkdir(runtime.c_str(), 0700);
        m_server = "unix:" + m_socket;
        const std::string home = "HOME=" + m_dir.Path(), xdg = "XDG_RUNTIME_DIR=" + runtime;
        const std::string sink = "--load=module-null-sink sink_name=gone rate=22050 format=s16le channels=2 norewinds=1";
        const std::string socket = "--load=module-native-protocol-unix socket=" + m_socket + " auth-anonymous=1";
        const char* argv[] = {"setpriv", "--pdeathsig", "KILL", "pulseaudio", "--daemonize=no", "--exit-idle-time=-1",
                              "--disallow-exit", "-n", "--use-pid-file=no", "--log-target=stderr", "--log-level=error",
                              sink.c_str(), socket.c_str(), nullptr};
        const char* env[] = {home.c_str(), xdg.c_str(), "PATH=/usr/bin:/bin", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv), const_cast<char**>(env)) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        // Ready once its socket exists: the sink's module is loaded before
        // the socket's.
        if (m_pid > 0 && !PollUntil([&] { return access(m_socket.c_str(), F_OK) == 0; })) Stop();
    }
    ~PrivateServer()
    {
        if (m_pid > 0) VokeTest::EndChild(m_pid);
    }
    bool Running() const { return m_pid > 0; }
    const std::string& Address() const { return m_server; }
    // Kills the server, as one that crashes goes: its socket file stays.
    void Stop()
    {
        if (m_pid <= 0) return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    VokeTest::TempDir m_dir;
    VokeTest::SocketFolder m_sockets{m_dir.Path(), sizeof "socket" - 1};
    std::string m_socket;
    std::string m_server;
    pid_t m_pid = -1;
};

TEST(MaemoAudioDeviceTest, ServerGoingAwayLeavesASilentDeviceThatDoesNotSpin)
{
    PrivateServer server;
    ASSERT_TRUE(server.Running());
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string saved = previous ? previous : "";
    setenv("PULSE_SERVER", server.Address().c_str(), 1);
    SmartPtr<Mixer> mixer(new Mixer(kStereo22, MixerConfig()));
    if (previous)
        setenv("PULSE_SERVER", saved.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");

    ASSERT_TRUE(mixer->HasDevice());
    server.Stop();
    // Whether the writer has noticed yet or not, the sound ends and the
    // writer stays quiet.
    ExpectPacedAndQuiet(*mixer, false, 0.7);
    mixer.Reset();
}

}  // namespace
}  // namespace Voke
