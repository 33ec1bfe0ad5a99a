// The folder lock: one holder at a time, named to the others, and kept from
// the programs the holder starts. (A holder killed with SIGKILL: the game's
// own tests, vexbolt_reliability_test.cpp.)
#include "engine/core/folder_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "tests/support/files.h"
#include "tests/support/spawn.h"
#include "tests/support/temp_dir.h"

using Voke::FolderLock;
using VokeTest::ReadAll;
using VokeTest::WriteBytes;

namespace {

using State = FolderLock::State;

TEST(FolderLock, OneHolderAtATimeWhichTheOthersCanName)
{
    VokeTest::TempDir dir;
    const std::string self = std::to_string(getpid());
    // A stale, longer id from a holder that was killed is replaced whole.
    WriteBytes(dir / ".lock", "99999999999\n");
    FolderLock first, second;
    ASSERT_EQ(first.Take(dir.Path()), State::kHeld);
    EXPECT_EQ(ReadAll(dir / ".lock"), self + "\n");
    // Each open of the file counts, so one process can stand for two.
    EXPECT_EQ(second.Take(dir.Path()), State::kInUse);
    EXPECT_EQ(second.Holder(), getpid());
    // A file that names no process: the holder stays unnamed.
    for (const char* text : {"", "garbage\n", "-4\n", "99999999999\n"}) {
        WriteBytes(dir / ".lock", text);
        EXPECT_EQ(second.Take(dir.Path()), State::kInUse) << text;
        EXPECT_EQ(second.Holder(), 0) << text;
    }

    first.Release();
    EXPECT_EQ(first.GetState(), State::kFree);
    EXPECT_EQ(second.Take(dir.Path()), State::kHeld);
    EXPECT_EQ(ReadAll(dir / ".lock"), self + "\n");
    EXPECT_EQ(first.Take(dir.Path()), State::kInUse);

    // No folder: nothing is created.
    EXPECT_EQ(first.Take(dir / "missing"), State::kUnavailable);
    EXPECT_EQ(first.Error(), ENOENT);
    EXPECT_FALSE(VokeTest::Exists(dir / "missing"));
}

TEST(FolderLock, ProgramsTheHolderStartsDoNotKeepIt)
{
    VokeTest::TempDir dir;
    FolderLock first;
    ASSERT_EQ(first.Take(dir.Path()), State::kHeld);
    // A program that outlives its parent's hold, as a browser does.
    char sleep[] = "sleep", seconds[] = "600";
    char* argv[] = {sleep, seconds, nullptr};
    const VokeTest::SpawnAttributes attributes;
    pid_t child = -1;
    ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, attributes.Get(), argv, environ), 0);
    FolderLock second;
    const State whileHeld = second.Take(dir.Path());
    first.Release();
    const State afterwards = second.Take(dir.Path());
    VokeTest::EndChild(child);
    EXPECT_EQ(whileHeld, State::kInUse);
    EXPECT_EQ(afterwards, State::kHeld);
}

}  // namespace
