// Saves cut off by SIGKILL at random moments: a child process saves the
// score file and the endless file in a loop through the game's own save
// code, alternating two contents, and is killed; the file left behind is
// always one of the two, whole, however many times this is done.
#include <gtest/gtest.h>

#include <signal.h>
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
#include "game/core/run_records.h"
#include "game/menus/score_table.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

// NOTE: enough kills to land in every step of a save (create, write, sync,
// close, rename) many times over; a save takes about a millisecond.
constexpr int kKills = 150;
constexpr int kLatestKillMicroseconds = 4000;

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

    // Runs `save(k)` for k = 0, 1, 2, ... in a child until it is killed at a
    // random moment, `kKills` times; after each kill `check` looks at what
    // was left.
    void KillWhileSaving(const std::function<void(int)>& save, const std::function<void()>& check)
    {
        std::mt19937 random(std::random_device{}());
        std::uniform_int_distribution<int> moment(0, kLatestKillMicroseconds);
        for (int kill = 0; kill < kKills && !HasFatalFailure(); ++kill) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                alarm(20);  // never outlives a test that went wrong
                for (int k = 0;; ++k) save(k);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
            ::kill(child, SIGKILL);
            int status = 0;
            waitpid(child, &status, 0);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
            check();
        }
    }

    VokeTest::TempDir m_config;
};

std::string ScoreTable(int32_t distance)
{
    ScoreRecord table[kScoreRecords] = {};
    for (int k = 0; k < kScoreRecords; ++k) table[k] = ScoreRecord{distance - k, distance * 3 + k, k % 2};
    uint8_t bytes[kScoreTableBytes];
    EncodeScoreTable(table, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

TEST_F(SaveInterruptionTest, AKilledScoreSaveLeavesThePreviousOrTheNewTable)
{
    const std::string tables[2] = {ScoreTable(1000), ScoreTable(2000)};
    ASSERT_TRUE(SaveScoreFile(reinterpret_cast<const uint8_t*>(tables[0].data())));
    int seenNew = 0;
    KillWhileSaving([&](int k) { SaveScoreFile(reinterpret_cast<const uint8_t*>(tables[k % 2].data())); },
                    [&] {
                        const std::string left = VokeTest::ReadAll(SavePath("config.xml"));
                        ASSERT_TRUE(left == tables[0] || left == tables[1]) << left.size() << " bytes";
                        seenNew += left == tables[1];
                    });
    EXPECT_GT(seenNew, 0) << "no kill came after a whole save";
}

TEST_F(SaveInterruptionTest, AKilledEndlessSaveLeavesThePreviousOrTheNewFile)
{
    // Two registries whose files differ in length, so that a mix of the two
    // could not pass for either.
    Voke::Registry registries[2];
    std::string files[2];
    for (int r = 0; r < 2; ++r) {
        for (int level = 0; level < 6; ++level)
            ASSERT_TRUE(registries[r].Set(EndlessRecordKey(level), r == 0 ? level : 1000000 + level * 12345));
        ASSERT_TRUE(registries[r].Save("save/endless.xml", "/endless"));
        files[r] = VokeTest::ReadAll(SavePath("endless.xml"));
    }
    ASSERT_NE(files[0].size(), files[1].size());

    KillWhileSaving([&](int k) { registries[k % 2].Save("save/endless.xml", "/endless"); },
                    [&] {
                        const std::string left = VokeTest::ReadAll(SavePath("endless.xml"));
                        ASSERT_TRUE(left == files[0] || left == files[1]) << left;
                    });
}

}  // namespace
