// The web-page opener with a stand-in "xdg-open" first on PATH: it never
// waits for the opener, collects every one that ended and no other child,
// and reports one that failed.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/app/url_opener.h"
#include "tests/support/files.h"
#include "tests/support/poll.h"
#include "tests/support/temp_dir.h"

namespace Voke {
namespace {

class UrlOpenerTest : public ::testing::Test {
protected:
    // The stand-in records its process id, then does what the file "mode"
    // says: "fail" exits with 3, "stay" runs until it is ended, anything
    // else exits with 0.
    void SetUp() override
    {
        const std::string script = m_dir / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "echo $$ >> '"
                              << m_dir.Path() << "/started'\n"
                                 "case $(cat '"
                              << m_dir.Path() << "/mode') in\n"
                                 "fail) exit 3 ;;\n"
                                 "stay) exec sleep 600 ;;\n"
                                 "esac\n";
        chmod(script.c_str(), 0755);
        const char* path = std::getenv("PATH");
        m_savedPath = path ? path : "";
        setenv("PATH", (m_dir.Path() + ":" + m_savedPath).c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", m_savedPath.c_str(), 1);
        for (pid_t pid : Started()) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    void Mode(const std::string& mode) { VokeTest::WriteBytes(m_dir / "mode", mode); }
    std::vector<pid_t> Started()
    {
        std::vector<pid_t> pids;
        std::ifstream in(m_dir / "started");
        for (pid_t pid = 0; in >> pid;) pids.push_back(pid);
        return pids;
    }
    // Collects until every opener has ended and is collected.
    bool CollectAll(UrlOpener& opener)
    {
        return VokeTest::PollUntil(
            [&] {
                opener.Collect();
                return opener.Pending() == 0;
            },
            20.0);
    }

    VokeTest::TempDir m_dir;
    std::string m_savedPath;
};

TEST_F(UrlOpenerTest, ReturnsAtOnceAndTheOpenerOutlivesIt)
{
    Mode("stay");
    {
        UrlOpener opener;
        ASSERT_TRUE(opener.Open("https://example.org/"));
        ASSERT_TRUE(VokeTest::PollUntil([&] { return Started().size() == 1; }, 20.0));
        opener.Collect();
        EXPECT_EQ(opener.Pending(), 1u);
        // In a session of its own: a Ctrl-C meant for the program does not
        // reach it.
        EXPECT_EQ(getsid(Started()[0]), Started()[0]);
    }
    EXPECT_EQ(kill(Started()[0], 0), 0) << "the opener ended with the program's opener";
}

TEST_F(UrlOpenerTest, CollectsEndedOpenersAndReportsTheFailedOne)
{
    // A child of the process's own, which the opener must leave alone.
    const pid_t other = fork();
    ASSERT_GE(other, 0);
    if (other == 0) _exit(7);

    UrlOpener opener;
    Mode("done");
    testing::internal::CaptureStdout();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(opener.Open("https://example.org/" + std::to_string(i)));
    EXPECT_TRUE(CollectAll(opener));
    Mode("fail");
    ASSERT_TRUE(opener.Open("https://example.org/failing"));
    EXPECT_TRUE(CollectAll(opener));
    const std::string said = testing::internal::GetCapturedStdout();

    // Every opener is collected: none is left as a zombie.
    ASSERT_EQ(Started().size(), 4u);
    for (pid_t pid : Started()) EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << pid;
    EXPECT_EQ(said,
              "web page: \"https://example.org/failing\" could not be opened: xdg-open ended with status 3\n");
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST_F(UrlOpenerTest, WithoutAnOpenerItSaysSo)
{
    setenv("PATH", "/nonexistent", 1);
    UrlOpener opener;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(opener.Open("https://example.org/"));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("xdg-open cannot be started"), std::string::npos);
    EXPECT_EQ(opener.Pending(), 0u);
}

}  // namespace
}  // namespace Voke
