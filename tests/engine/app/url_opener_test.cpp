// The web-page opener with a stand-in "xdg-open" first on PATH: it collects
// every opener that ended and no other child, and reports one that failed.
// (That it never waits for a running opener is seen end to end, in the
// game's tests of its MORE GAMES button.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/app/url_opener.h"
#include "tests/support/poll.h"
#include "tests/support/temp_dir.h"

namespace Voke {
namespace {

TEST(UrlOpenerTest, CollectsItsEndedOpenersOnlyAndReportsTheFailedOne)
{
    // The stand-in records its process id and exits with the status the
    // page's address ends in.
    VokeTest::TempDir dir;
    std::ofstream(dir / "xdg-open") << "#!/bin/sh\necho $$ >> '" << dir.Path() << "/started'\nexit ${1##*/}\n";
    chmod((dir / "xdg-open").c_str(), 0755);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (dir.Path() + ":" + path).c_str(), 1);
    // A child of the process's own, which the opener must leave alone.
    const pid_t other = fork();
    ASSERT_GE(other, 0);
    if (other == 0) _exit(7);

    UrlOpener opener;
    testing::internal::CaptureStdout();
    for (const char* url : {"https://example.org/0", "https://example.org/3", "https://example.org/0"})
        EXPECT_TRUE(opener.Open(url));
    const bool collected = VokeTest::PollUntil(
        [&] {
            opener.Collect();
            return opener.Pending() == 0;
        },
        20.0);
    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(opener.Open("https://example.org/0"));
    setenv("PATH", path.c_str(), 1);
    const std::string said = testing::internal::GetCapturedStdout();

    EXPECT_TRUE(collected);
    std::ifstream started(dir / "started");
    int count = 0;
    for (pid_t pid = 0; started >> pid; ++count) EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << "left: " << pid;
    EXPECT_EQ(count, 3);
    EXPECT_EQ(said,
              "web page: \"https://example.org/3\" could not be opened: xdg-open ended with status 3\n"
              "web page: cannot open \"https://example.org/0\": xdg-open cannot be started: No such file or "
              "directory\n");
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

// The opener's clock in the next test: set by the test.
int64_t g_nowMs = 0;
int64_t NowMs() { return g_nowMs; }

// An opener that runs the browser itself ends when the browser does, maybe
// hours later and with any status: that end says nothing of the page. The
// window runs from the opener's start to its end as Collect finds it: one
// that fails after running past the window is not reported, one that fails
// at once is, however late on the clock it starts.
TEST(UrlOpenerTest, OnlyAnOpenerThatFailsSoonAfterItsStartIsReported)
{
    // The stand-in ends with status 3: at once, or, for the page "long",
    // once the test writes a line into the pipe "end". The test holds the
    // pipe open for reading and writing, so that the stand-in's read waits
    // for that line, not for a writer.
    VokeTest::TempDir dir;
    const std::string end = dir / "end";
    ASSERT_EQ(mkfifo(end.c_str(), 0600), 0);
    const int endFd = open(end.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(endFd, 0);
    std::ofstream(dir / "xdg-open") << "#!/bin/sh\ncase $1 in *long) read line < '" << end << "' ;; esac\nexit 3\n";
    chmod((dir / "xdg-open").c_str(), 0755);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (dir.Path() + ":" + path).c_str(), 1);
    UrlOpener opener;
    opener.SetClock(NowMs);
    // Collects at the clock's time; what that said.
    auto collect = [&](int64_t at) {
        g_nowMs = at;
        testing::internal::CaptureStdout();
        opener.Collect();
        return testing::internal::GetCapturedStdout();
    };
    // Waits for the one pending opener's end through its descriptor with
    // `timeoutMs` (0: only looks); whether it ended.
    auto waitForEnd = [&](int timeoutMs) {
        std::vector<pollfd> ended;
        opener.AppendWaitDescriptors(ended);
        EXPECT_EQ(ended.size(), 1u);
        return poll(ended.data(), ended.size(), timeoutMs) == 1;
    };

    // The long run, looked at while it runs, at its start and once the
    // window has passed, then ended with its failure.
    g_nowMs = 1000;
    EXPECT_TRUE(opener.Open("https://example.org/long"));
    for (int64_t at : {int64_t{1000}, 1001 + UrlOpener::kFailureWindowMs}) {
        EXPECT_EQ(collect(at), "");
        EXPECT_EQ(opener.Pending(), 1u) << "ended before the test let it";
        EXPECT_FALSE(waitForEnd(0)) << "its descriptor wakes a wait while it runs";
    }
    EXPECT_EQ(write(endFd, "\n", 1), 1);
    EXPECT_TRUE(waitForEnd(20000)) << "the opener did not end";
    EXPECT_EQ(collect(1001 + UrlOpener::kFailureWindowMs), "");
    EXPECT_EQ(opener.Pending(), 0u);

    // The quick failure, long after the first opener's start.
    g_nowMs = 50000;
    EXPECT_TRUE(opener.Open("https://example.org/soon"));
    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(waitForEnd(20000)) << "the opener did not end";
    EXPECT_EQ(collect(50000),
              "web page: \"https://example.org/soon\" could not be opened: xdg-open ended with status 3\n");
    EXPECT_EQ(opener.Pending(), 0u);
    close(endFd);
}

}  // namespace
}  // namespace Voke
