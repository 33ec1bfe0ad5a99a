// The web-page opener with a stand-in "xdg-open" first on PATH: it collects
// every opener that ended and no other child, and reports one that failed.
// (That it never waits for a running opener is seen end to end, in the
// game's tests of its MORE GAMES button.)
#include <gtest/gtest.h>

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
// hours later and with any status: that end says nothing of the page. One
// that fails within the window is reported.
TEST(UrlOpenerTest, OnlyAnOpenerThatFailsSoonAfterItsStartIsReported)
{
    VokeTest::TempDir dir;
    std::ofstream(dir / "xdg-open") << "#!/bin/sh\nexit 3\n";
    chmod((dir / "xdg-open").c_str(), 0755);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (dir.Path() + ":" + path).c_str(), 1);
    UrlOpener opener;
    opener.SetClock(NowMs);
    // Starts an opener at `start` and, once it has ended, collects it at
    // `collected`; what that said.
    auto openAndCollect = [&](const char* url, int64_t start, int64_t collected) {
        g_nowMs = start;
        EXPECT_TRUE(opener.Open(url));
        std::vector<pollfd> ended;
        opener.AppendWaitDescriptors(ended);
        EXPECT_EQ(ended.size(), 1u);
        EXPECT_EQ(poll(ended.data(), ended.size(), 20000), 1) << "the opener did not end";
        g_nowMs = collected;
        testing::internal::CaptureStdout();
        opener.Collect();
        EXPECT_EQ(opener.Pending(), 0u);
        return testing::internal::GetCapturedStdout();
    };
    EXPECT_EQ(openAndCollect("https://example.org/late", 1000, 1001 + UrlOpener::kFailureWindowMs), "");
    EXPECT_EQ(openAndCollect("https://example.org/soon", 50000, 50000 + UrlOpener::kFailureWindowMs),
              "web page: \"https://example.org/soon\" could not be opened: xdg-open ended with status 3\n");
    setenv("PATH", path.c_str(), 1);
}

}  // namespace
}  // namespace Voke
