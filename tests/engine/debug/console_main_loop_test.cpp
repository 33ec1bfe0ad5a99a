// The remote console under the platform's real main loop (Xvfb): while the
// window is inactive the loop runs no frame, yet a connected client's
// commands are answered, and its "exit" ends the program from the pause.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "engine/debug/debug_overlay.h"
#include "tests/engine/app/maemo_test_app.h"
#include "tests/engine/app/x_test_connection.h"
#include "tests/engine/debug/console_test_support.h"

Voke::MaemoApplication* CreateApplication() { return new Voke::RecordingMaemoApp; }

namespace Voke {
namespace {

// Tells the test when the loop has paused: no frame runs after the focus
// loss until the window is active again.
class PausingApp : public RecordingMaemoApp {
public:
    void OnFocusChanged(bool active) override
    {
        RecordingMaemoApp::OnFocusChanged(active);
        if (active || m_told) return;
        m_told = true;
        paused.set_value();
    }
    std::promise<void> paused;

private:
    bool m_told = false;
};

TEST(ConsoleMainLoopTest, CommandsAreServedWhileTheApplicationIsPaused)
{
    XTestConnection x;
    ASSERT_NE(x.display, nullptr) << "the test needs an X server (DISPLAY)";
    x.RemoveActiveWindow();
    SmartPtr<PausingApp> app(new PausingApp);
    app->GoFullScreen();
    DebugOverlay* overlay = DebugOverlay::Create();
    ASSERT_TRUE(overlay->StartListening(DebugOverlay::kLoopbackAddress, 0));
    Voke::Test::ConsoleUser user(overlay->GetListeningPort());
    ASSERT_TRUE(user.IsConnected());

    std::future<void> paused = app->paused.get_future();
    std::vector<std::string> greeting, help;
    std::thread remote;
    app->step = [&](RecordingMaemoApp&) {
        // Once a frame has taken the connection, another window becomes
        // the active one.
        if (remote.joinable() || overlay->GetClientCount() == 0) return false;
        x.SetActiveWindow(x.Root());
        remote = std::thread([&, window = app->GetWindow()] {
            greeting = user.ReadLines(nullptr, 2);
            if (paused.wait_for(std::chrono::seconds(20)) == std::future_status::ready) {
                user.Send("help\r\n");
                help = user.ReadLines(nullptr, 15);
            }
            user.Send("exit\r\n");
            // Unanswered: resume, so that the loop serves the exit.
            if (help.size() < 15) XTestConnection().SetActiveWindow(window);
        });
        return false;
    };
    EXPECT_EQ(app->Run(), 0);
    ASSERT_TRUE(remote.joinable()) << "no frame took the connection";
    remote.join();
    EXPECT_EQ(greeting.size(), 2u);
    EXPECT_EQ(help, std::vector<std::string>(overlay->GetHelpLines().begin(), overlay->GetHelpLines().end()));
    EXPECT_EQ(app->log, std::vector<std::string>{"inactive"}) << "the window had to be active again";
    EXPECT_EQ(app->updatesWhilePaused, 0);
    EXPECT_EQ(app->unloads, 1);
    x.RemoveActiveWindow();
}

}  // namespace
}  // namespace Voke
