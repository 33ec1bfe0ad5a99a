// Saves cut off by SIGKILL at random moments: a child process saves the
// score file and the endless file in a loop through the game's own save
// code, each save with contents of its own, and reports every save that
// returned on a pipe; it is killed at a random moment after it has reported
// some. The file left behind is always the last reported save or the one
// that followed it, whole, however many times this is done.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "engine/core/registry.h"
#include "engine/core/vfs.h"
#include "game/app/run_records.h"
#include "game/menus/score_table.h"
#include "tests/support/files.h"
#include "tests/support/seed.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

// NOTE: enough kills to land in every step of a save (create, write, sync,
// close, rename) many times over.
constexpr int kKills = 150;
// NOTE: only guards against a child that hangs; a save takes milliseconds.
constexpr int kReportTimeoutMs = 60000;

// Reads one report from the child; false at its end or after the timeout.
bool ReadReport(int fd, int timeoutMs)
{
    pollfd ready{fd, POLLIN, 0};
    char report = 0;
    return poll(&ready, 1, timeoutMs) > 0 && read(fd, &report, 1) == 1;
}

class SaveInterruptionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
        Voke::Vfs::Init();
        ASSERT_NE(Voke::Vfs::MountDirectory("save/", "save/", Voke::VfsMount::FallThrough | Voke::VfsMount::SaveFiles),
                  nullptr);
    }
    void TearDown() override { Voke::Vfs::Shutdown(); }

    std::string SavePath(const std::string& name) const { return m_config / ("Vexbolt!/save/" + name); }

    // Runs `save(k)` for k = 0, 1, 2, ... in a child, `kKills` times. The
    // child reports each save that succeeded; it is killed after one or two
    // reports and then a random moment that spans two saves at the pace it
    // has saved at so far (its start included): a kill can fall in any step
    // of a save, whatever the disk's speed. The
    // file at `path` must then hold `contents(k)` of the last reported save
    // or of the one after it (done, not yet reported).
    void KillWhileSaving(const std::string& path, const std::function<bool(int)>& save,
                         const std::function<std::string(int)>& contents)
    {
        // The child only saves and reports; every assertion is the parent's,
        // inside this trace.
        const uint32_t seed = VokeTest::TestSeed();
        SCOPED_TRACE(VokeTest::SeedNote(seed));
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> saves(1, 2);
        std::uniform_real_distribution<double> moment(0.0, 2.0);
        for (int kill = 0; kill < kKills && !HasFatalFailure(); ++kill) {
            int reports[2];
            ASSERT_EQ(pipe2(reports, O_CLOEXEC), 0);
            const Clock::time_point forked = Clock::now();
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                close(reports[0]);
                prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that went wrong
                for (int k = 0;; ++k)
                    if (!save(k) || write(reports[1], "s", 1) != 1) _exit(1);
            }
            close(reports[1]);

            const int wanted = saves(random);
            int reported = 0;
            while (reported < wanted && ReadReport(reports[0], kReportTimeoutMs)) ++reported;
            if (reported == wanted) {
                const auto pace = (Clock::now() - forked) / wanted;
                std::this_thread::sleep_for(std::chrono::duration_cast<Clock::duration>(pace * moment(random)));
            }
            ::kill(child, SIGKILL);
            int status = 0;
            waitpid(child, &status, 0);
            // The reports written before the kill are still in the pipe.
            while (ReadReport(reports[0], 0)) ++reported;
            close(reports[0]);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
                << "the child ended by itself after " << reported << " saves: a save failed";
            ASSERT_GE(reported, wanted);

            const std::string left = VokeTest::ReadAll(path);
            ASSERT_TRUE(left == contents(reported - 1) || left == contents(reported))
                << "after " << reported << " reported saves the file holds " << left.size() << " bytes";
        }
    }

    VokeTest::TempDir m_config;
};

// The score table of save k: every save's differs from the one before.
std::string ScoreTable(int k)
{
    const int32_t distance = 1000 + k;
    ScoreRecord table[kScoreRecords] = {};
    for (int r = 0; r < kScoreRecords; ++r) table[r] = ScoreRecord{distance - r, distance * 3 + r, r % 2};
    uint8_t bytes[kScoreTableBytes];
    EncodeScoreTable(table, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

TEST_F(SaveInterruptionTest, AKilledScoreSaveLeavesThePreviousOrTheNewTable)
{
    ASSERT_TRUE(SaveScoreFile(reinterpret_cast<const uint8_t*>(ScoreTable(0).data())));
    KillWhileSaving(
        SavePath("config.xml"),
        [](int k) { return SaveScoreFile(reinterpret_cast<const uint8_t*>(ScoreTable(k).data())); }, ScoreTable);
}

// The endless records of save k: the file's text changes in its values and
// now and then in its length.
bool SetEndlessRecords(Voke::Registry& registry, int k)
{
    bool set = true;
    for (int level = 0; level < 6; ++level)
        set = registry.Set(EndlessRecordKey(level), k % 2 == 0 ? k + level : 1000000 + k * 12345 + level) && set;
    return set;
}

TEST_F(SaveInterruptionTest, AKilledEndlessSaveLeavesThePreviousOrTheNewFile)
{
    auto contents = [](int k) {
        Voke::Registry registry;
        return SetEndlessRecords(registry, k) ? std::string(registry.ToXml("/endless")) : std::string();
    };
    // The file holds what the registry gives as its text.
    Voke::Registry first;
    ASSERT_TRUE(SetEndlessRecords(first, 0));
    ASSERT_TRUE(first.Save("save/endless.xml", "/endless"));
    ASSERT_EQ(VokeTest::ReadAll(SavePath("endless.xml")), contents(0));
    ASSERT_NE(contents(1).size(), contents(2).size());

    Voke::Registry registry;
    KillWhileSaving(
        SavePath("endless.xml"),
        [&](int k) {
            return SetEndlessRecords(registry, k) && registry.Save("save/endless.xml", "/endless");
        },
        contents);
}

}  // namespace
