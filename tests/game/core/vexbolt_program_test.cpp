// The game's executable end to end, as a player meets it: started with the
// built archives beside it and a home folder of its own, on the test X
// server and sound server, driven from outside with XTest taps through the
// splash, the language flags, the menu's intro and its play button, left to
// lose its four lives, then closed with the window manager's close request.
// It must exit with 0, print no sanitizer report, and leave a valid score
// file in the user's configuration folder; a second run starts from damaged
// save files and repairs them.
//
// What the window shows is read back from the X server, so each step waits
// for the screen it expects rather than for a fixed time.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/registry.h"
#include "game/menus/score_table.h"
#include "tests/engine/app/x_test_connection.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

// The game as a child process with a home folder of its own; its standard
// output and error go to a file. Always ended and reaped.
class GameProcess {
public:
    explicit GameProcess(const std::string& home) : m_log(home + "/game.log")
    {
        auto replaced = [](const std::string& var) {
            for (const char* name : {"HOME=", "XDG_CONFIG_HOME=", "ASAN_OPTIONS=", "LD_PRELOAD="})
                if (var.rfind(name, 0) == 0) return true;
            return false;
        };
        std::vector<std::string> vars;
        for (char** e = environ; *e; ++e)
            if (!replaced(*e)) vars.push_back(*e);
        vars.push_back("HOME=" + home);
        // Mesa's driver stays loaded to the end (the window's eglTerminate
        // would unload it, and what it keeps for the process would show as
        // leaks of an unknown module). The fast unwinder: the slow one can
        // deadlock against the driver's code generator registering its frames.
        vars.push_back("LD_PRELOAD=" + std::string(VEXBOLT_KEEP_GL_DRIVER));
        vars.push_back("ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:verify_asan_link_order=0");
        std::vector<char*> envp;
        for (std::string& v : vars) envp.push_back(v.data());
        envp.push_back(nullptr);

        const int out = open(m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out, 1);
        posix_spawn_file_actions_adddup2(&actions, out, 2);
        std::string program = VEXBOLT_PROGRAM;
        char* argv[] = {program.data(), nullptr};
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (out >= 0) close(out);
    }
    ~GameProcess()
    {
        if (m_pid <= 0) return;
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    bool Running()
    {
        if (m_pid <= 0) return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) != m_pid) return true;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_pid = -1;
        return false;
    }
    // The exit status once the game has ended by itself within `seconds`;
    // -1 when it has not.
    int Wait(double seconds)
    {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Running() && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return Running() ? -1 : m_status;
    }
    std::string Output() const { return VokeTest::ReadAll(m_log); }

private:
    std::string m_log;
    pid_t m_pid = -1;
    int m_status = -1;
};

// The game's window as the X server shows it.
class GameWindow {
public:
    // NOTE: the window is the device's, 800 x 480; the game's logical screen
    // is 480 x 320.
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 480;

    bool Find(double seconds)
    {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            if ((m_window = Named(m_x.Root(), "Vexbolt!"))) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    bool Connected() const { return m_x.display != nullptr; }

    // The window's pixels now, 0xRRGGBB, row by row.
    std::vector<uint32_t> Capture()
    {
        std::vector<uint32_t> pixels;
        XImage* image = XGetImage(m_x.display, m_window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        if (!image) return pixels;
        pixels.resize(size_t(kWidth) * kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) pixels[size_t(y) * kWidth + x] = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
        XDestroyImage(image);
        return pixels;
    }
    // Captures until `seen` holds for a capture, at most `seconds`.
    bool WaitFor(const std::function<bool(const std::vector<uint32_t>&)>& seen, double seconds)
    {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            const std::vector<uint32_t> pixels = Capture();
            if (!pixels.empty() && seen(pixels)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    // A press and release of the first button at a window position.
    void Tap(int x, int y)
    {
        int rx = 0, ry = 0;
        Window child = 0;
        XTranslateCoordinates(m_x.display, m_window, m_x.Root(), x, y, &rx, &ry, &child);
        m_x.MoveTo(rx, ry);
        m_x.Button(1, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        m_x.Button(1, false);
    }
    void Close() { m_x.SendDeleteWindow(m_window); }

private:
    Window Named(Window parent, const char* name)
    {
        Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_x.display, parent, &root, &up, &children, &count)) return 0;
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* title = nullptr;
            if (XFetchName(m_x.display, children[i], &title) && title) {
                if (std::strcmp(title, name) == 0) found = children[i];
                XFree(title);
            }
            if (!found) found = Named(children[i], name);
        }
        if (children) XFree(children);
        return found;
    }

    Voke::XTestConnection m_x;
    Window m_window = 0;
};

int Red(uint32_t p) { return int(p >> 16 & 0xFF); }
int Green(uint32_t p) { return int(p >> 8 & 0xFF); }
int Blue(uint32_t p) { return int(p & 0xFF); }
uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) { return pixels[size_t(y) * GameWindow::kWidth + x]; }
bool Dark(uint32_t p) { return Red(p) < 24 && Green(p) < 24 && Blue(p) < 24; }

// Where things are on the window: logical positions times 800 / 480.
// The French flag's white band (logical 240, 120) and the gap between the
// two rows of flags (logical 240, 166).
bool LanguageScreen(const std::vector<uint32_t>& p)
{
    const uint32_t white = At(p, 400, 180);
    return Red(white) > 200 && Green(white) > 200 && Blue(white) > 200 && Dark(At(p, 400, 250)) &&
           !Dark(At(p, 208, 180));
}
// The splash logo's disc, centred on the window.
bool SplashShown(const std::vector<uint32_t>& p) { return !Dark(At(p, 400, 206)); }
// A scene over most of the window (the menu's), not the loading screen.
bool MostlyDrawn(const std::vector<uint32_t>& p)
{
    int drawn = 0, total = 0;
    for (int y = 5; y < GameWindow::kHeight; y += 20)
        for (int x = 5; x < GameWindow::kWidth; x += 20, ++total) drawn += Dark(At(p, x, y)) ? 0 : 1;
    return drawn * 2 > total;
}
// The menu's orange play button at the bottom centre (its orange left of
// the caption); it slides in once the intro has ended, and blinks.
constexpr int kPlayX = 300, kPlayY = 373;
bool PlayButton(const std::vector<uint32_t>& p)
{
    const uint32_t c = At(p, kPlayX, kPlayY);
    return Red(c) > 200 && Green(c) > 90 && Green(c) < 200 && Blue(c) < 90;
}

class VexboltProgramTest : public ::testing::Test {
protected:
    std::string SavePath(const std::string& name) const { return m_home / (".config/Vexbolt!/save/" + name); }

    // Splash, English, the intro, play, the tutorial; then no input until
    // the fourth catch has saved the score; then the close request.
    void PlayOneRun(GameProcess& game)
    {
        ASSERT_TRUE(game.Started());
        GameWindow window;
        ASSERT_TRUE(window.Connected());
        ASSERT_TRUE(window.Find(60.0)) << game.Output();

        ASSERT_TRUE(window.WaitFor(SplashShown, 30.0)) << "the splash logo";
        // Taps before the flags go nowhere.
        window.Tap(208, 180);
        ASSERT_TRUE(window.WaitFor(LanguageScreen, 30.0)) << "the language flags";
        window.Tap(208, 180);  // the British flag: English
        ASSERT_TRUE(window.WaitFor(MostlyDrawn, 60.0)) << "loading ends in the menu";
        window.Tap(400, 240);  // ends the intro
        ASSERT_TRUE(window.WaitFor(PlayButton, 20.0)) << "the play button";
        window.Tap(kPlayX, kPlayY);
        ASSERT_TRUE(window.WaitFor([](const std::vector<uint32_t>& p) { return !PlayButton(p); }, 20.0));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        window.Tap(300, 240);  // closes the tutorial

        // NOTE: a runner left alone is caught within seconds; four lives.
        // The score file is saved (whole, or not at all) when the run ends.
        auto saved = [&] { return VokeTest::ReadAll(SavePath("config.xml")).size() == size_t(kScoreTableBytes); };
        const auto end = Clock::now() + std::chrono::seconds(180);
        while (!saved() && Clock::now() < end && game.Running())
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_TRUE(saved()) << "no finished run\n" << game.Output();
        window.Close();
    }

    void ExpectCleanExit(GameProcess& game)
    {
        EXPECT_EQ(game.Wait(60.0), 0);
        const std::string output = game.Output();
        for (const char* report : {"Sanitizer", "runtime error"})
            EXPECT_EQ(output.find(report), std::string::npos) << output;
    }

    // One record, the run's, and nine empty ones.
    void ExpectOneRunInScoreFile()
    {
        const std::string bytes = VokeTest::ReadAll(SavePath("config.xml"));
        ASSERT_EQ(bytes.size(), size_t(kScoreTableBytes));
        ScoreRecord table[kScoreRecords];
        DecodeScoreTable(reinterpret_cast<const uint8_t*>(bytes.data()), table);
        EXPECT_GT(table[0].distance, 0);
        EXPECT_GE(table[0].points, 0);
        EXPECT_EQ(table[0].completed, 0);
        for (int k = 1; k < kScoreRecords; ++k) {
            EXPECT_EQ(table[k].distance, 0) << k;
            EXPECT_EQ(table[k].points, 0) << k;
        }
    }

    // A registry file the engine reads, holding `key`.
    void ExpectRegistryFile(const std::string& name, const std::string& key)
    {
        Voke::Registry registry;
        ASSERT_TRUE(registry.LoadFromString(VokeTest::ReadAll(SavePath(name)), false, "")) << name;
        EXPECT_NE(registry.GetKey(key, false), nullptr) << name << " " << key;
    }

    VokeTest::TempDir m_home;
};

TEST_F(VexboltProgramTest, PlaysARunAndLeavesItsScoreInTheSaveFolder)
{
    GameProcess game(m_home.Path());
    ASSERT_NO_FATAL_FAILURE(PlayOneRun(game));
    ExpectCleanExit(game);
    ExpectOneRunInScoreFile();
    ExpectRegistryFile("endless.xml", "/endless/scores/level06");
    ExpectRegistryFile("controls.xml", "/controls/swap");
}

TEST_F(VexboltProgramTest, StartsFromDamagedSaveFilesAndRepairsThem)
{
    VokeTest::WriteBytes(SavePath("config.xml"), std::string(57, '\xee'));
    VokeTest::WriteBytes(SavePath("endless.xml"), "<registry><node name=\"/endless\"><key name=\"level0");
    VokeTest::WriteBytes(SavePath("controls.xml"), std::string("\0\x01\x02not xml", 10));

    GameProcess game(m_home.Path());
    ASSERT_NO_FATAL_FAILURE(PlayOneRun(game));
    ExpectCleanExit(game);
    ExpectOneRunInScoreFile();
    ExpectRegistryFile("endless.xml", "/endless/scores/level01");
    ExpectRegistryFile("controls.xml", "/controls/swap");
}

}  // namespace
