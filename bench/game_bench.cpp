// The whole game, measured: the real application with the built archives in
// its 800 x 480 window, started through the engine's program entry, goes
// through the splash, the language flags (English is tapped), the loading
// screen and the main menu (the run button is pressed with the select key);
// then each of the six levels is played for a fixed time by the tests'
// automatic player, the controller moving on to the next level when the time
// is up. The loader thread, the mixer's writer thread and the music run as in
// the game; the game's generator is seeded.
//
// Frames are paced at 60 per second, as a display's refresh paces them, and
// every frame steps the game by 1/60 s. A frame's time is one pass of the
// main loop from the game's update through the draw and the buffer swap to
// the next pass (the X events and the bus between them included); the pacing
// sleep and the automatic player's planning, which is not the game's, are
// left out.
//
// The floor: what every frame of this design costs whatever it shows, the
// 480 x 320 back buffer stretched over the window and the buffers swapped,
// measured in the same window and run, on frames that do nothing else (no
// update, no scene): for a tenth of the play time per level (at least 2 s)
// at the menu right before the first level, and as long again after the
// last level. The levels are given as ratios to it.
//
// Prints one figure per line, `key value`, on standard output:
//   floor.frame_ms.median, .p99          the floor's frame time, ms (both
//                                        stretches of floor frames together)
//   floor.cpu_ms.mean, floor.present_ms.mean
//                                        its processor time per frame, and
//                                        the time from the stretch's issue to
//                                        the next pass
//   levelN.frame_ms.median, .p99, .max   frame time, ms (N = 1 to 6)
//   levelN.frame_ms.vs_floor             the level's median over the floor's
//   levelN.p99.vs_floor                  the level's 99th percentile over the
//                                        floor's
//   levelN.fps                           frames per second the frame time allows
//   levelN.update_ms.mean, .draw_ms.mean, .present_ms.mean
//                                        the frame's parts: the game's update,
//                                        issuing the draw, and the rest (the
//                                        rasterising, the swap, the events)
//   levelN.cpu_ms.mean                   processor time of the whole process
//                                        (all its threads) per frame
//   levelN.frames_over_16.7ms            frames that missed a 60 Hz refresh
//   levelN.stolen_s                      processor time the hypervisor took
//                                        from this machine during the level
//                                        (all processors, s; 0 on bare metal)
//   levelN.frames_stolen                 frames during which it took any
//   levelN.frame_ms.p99_unstolen         99th percentile of the other frames
//   levelN.draw_calls, .texture_binds    per frame
//   levelN.texture_mb                    GL texture storage at the level's end
//   levelN.rss_mb, .rss_anon_mb          resident memory at the level's end, all
//                                        and its anonymous part
//   levelN.deaths                        catches of the runner (the level restarts)
//   start_to_splash_s                    program start to the first splash frame shown
//   loading_s                            the language tap to the first menu frame shown
//   rss_mb_after_loading                 resident memory at the first menu frame
//   peak_rss_mb                          the process's peak resident memory
//   audio_underruns                      writes that found the sound server dry
// and a few lines about the run, starting with "#", on standard error.
//
//   game_bench [--seconds S] [--seed N] [--data DIR] [--trace FILE]
//     S: play time per level (default 60); N: the generator's seed (default
//     2026); DIR: the folder holding data.pak and atlas.pak (default: the
//     build's); FILE: every timed frame written as a line "level seconds
//     frame update draw present cpu machine steal" (level 0: a floor
//     frame; ms; machine: the busy processor time of every process, steal:
//     the time the hypervisor took, both counted in 10 ms ticks), to find
//     where slow frames sit.
//     Needs an X server, a session bus and a sound server (scripts/test
//     game_bench runs it with all three).
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/app/maemo_main.h"
#include "engine/audio/maemo_audio_device.h"
#include "engine/core/application_title.h"
#include "engine/core/key_codes.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "game/app/game.h"
#include "game/app/vxb06_application.h"
#include "tests/game/support/autoplayer.h"

const Voke::NarrowString ApplicationTitle = "Vexbolt!";

namespace {

using Clock = std::chrono::steady_clock;

// NOTE: frames are paced at, and the game stepped by, 1/60 s.
constexpr double kFrameSeconds = 1.0 / 60.0;
// NOTE: the menu is left this long after its first frame (its intro plays).
constexpr double kMenuSeconds = 1.0;
// NOTE: each stretch of floor frames lasts this share of a level's play
// time, and at least kMinFloorSeconds.
constexpr double kFloorShare = 0.1;
constexpr double kMinFloorSeconds = 2.0;

struct Options {
    double seconds = 60.0;
    uint32_t seed = 2026;
    std::string dataDir = VXB_DATA_DIR;
    std::string trace;
};

struct FrameTrace {
    int level;
    double seconds, frameMs, updateMs, drawMs, presentMs, cpuMs;
    // The machine's busy processor time over the frame (every process,
    // this one included) and the time the hypervisor took, ms.
    double machineMs, stealMs;
};

struct LevelFigures {
    std::vector<double> frameMs;
    // The frames during which the hypervisor took no processor time.
    std::vector<double> unstolenFrameMs;
    // Summed over the frames, ms: the game's update, the issue of the draw
    // (the batcher's calls), and the rest (the last batch, the swap and the
    // main loop's events).
    double updateMs = 0.0;
    double drawMs = 0.0;
    double presentMs = 0.0;
    // The process's processor time over the frames (every thread: the
    // renderer's, the sound writer's), ms: what the frames cost whatever
    // else runs on the machine.
    double cpuMs = 0.0;
    // Processor time the hypervisor gave to other machines over the frames
    // (all processors, ms): frames wait for it whatever the game does.
    double stealMs = 0.0;
    uint64_t drawCalls = 0;
    uint64_t textureBinds = 0;
    uint64_t textureBytes = 0;
    // Resident memory at the level's end: all of it, and the anonymous part
    // (the heap, the driver's textures and bins; the rest is mapped files).
    double rssMb = 0.0;
    double rssAnonMb = 0.0;
    int deaths = 0;
    int gameOvers = 0;
};

struct RunFigures {
    Clock::time_point start;
    double startToSplash = -1.0;
    double loading = -1.0;
    double loadedRssMb = 0.0;
    LevelFigures levels[GameWorld::kLevels];
    LevelFigures floor;
    std::vector<FrameTrace> trace;
    bool finished = false;
};

Options g_options;
RunFigures g_run;

// The machine's busy and stolen processor time so far, in seconds (the
// first line of /proc/stat; zeros when it cannot be read).
struct MachineCpu {
    double busy = 0.0;
    double steal = 0.0;
};

MachineCpu ReadMachineCpu()
{
    MachineCpu cpu;
    std::FILE* stat = std::fopen("/proc/stat", "r");
    if (!stat) return cpu;
    unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    const int fields = std::fscanf(stat, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &user, &nice, &system, &idle,
                                   &iowait, &irq, &softirq, &steal);
    std::fclose(stat);
    if (fields != 8) return cpu;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    cpu.busy = static_cast<double>(user + nice + system + irq + softirq) / tick;
    cpu.steal = static_cast<double>(steal) / tick;
    return cpu;
}

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A "Name:   N kB" line of /proc/self/status, in MB; 0 when missing.
double StatusMb(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(name);
    while (std::getline(status, line))
        if (line.compare(0, length, name) == 0 && line.size() > length && line[length] == ':')
            return std::atof(line.c_str() + length + 1) / 1024.0;
    return 0.0;
}

double Since(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

// The application, driven as a player would drive it, with its frames timed.
class BenchApplication : public vxb06Application {
public:
    void Initialize() override
    {
        vxb06Application::Initialize();
        GetGame().InitRandom(g_options.seed);
        m_nextTick = Clock::now();
    }

    void Update(float& seconds) override
    {
        const Clock::time_point now = Clock::now();
        // The pass that ends here: its frame has been shown.
        if (m_frameFigures) {
            LevelFigures& figures = *m_frameFigures;
            FrameTrace frame{m_frameLevel + 1,
                                   m_levelTime,
                                   Since(m_frameStart, now) * 1000.0,
                                   Since(m_frameStart, m_updateEnd) * 1000.0,
                                   Since(m_drawStart, m_drawEnd) * 1000.0,
                                   Since(m_drawEnd, now) * 1000.0,
                                   (ProcessCpuSeconds() - m_frameCpu) * 1000.0,
                                   0.0,
                                   0.0};
            const MachineCpu machine = ReadMachineCpu();
            frame.machineMs = (machine.busy - m_frameMachine.busy) * 1000.0;
            frame.stealMs = (machine.steal - m_frameMachine.steal) * 1000.0;
            figures.frameMs.push_back(frame.frameMs);
            figures.updateMs += frame.updateMs;
            figures.drawMs += frame.drawMs;
            figures.presentMs += frame.presentMs;
            figures.cpuMs += frame.cpuMs;
            figures.stealMs += frame.stealMs;
            if (frame.stealMs <= 0.0) figures.unstolenFrameMs.push_back(frame.frameMs);
            if (!g_options.trace.empty()) g_run.trace.push_back(frame);
        }
        if (g_run.startToSplash < 0.0 && m_renderedMode == GameMode::Splash)
            g_run.startToSplash = Since(g_run.start, now);
        if (g_run.loading < 0.0 && m_tapped && m_renderedMode == GameMode::Play) {
            g_run.loading = Since(m_tapTime, now);
            g_run.loadedRssMb = StatusMb("VmRSS");
            m_menuTime = 0.0;
        }

        m_nextTick += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kFrameSeconds));
        if (m_nextTick > now)
            std::this_thread::sleep_until(m_nextTick);
        else
            m_nextTick = now;  // late: the next refresh is the next one

        m_frameLevel = Drive();
        m_frameFigures = m_floorFrames > 0 ? &g_run.floor : m_frameLevel >= 0 ? &g_run.levels[m_frameLevel] : nullptr;
        m_frameMachine = ReadMachineCpu();
        m_frameStart = Clock::now();
        m_frameCpu = ProcessCpuSeconds();
        seconds = static_cast<float>(kFrameSeconds);
        // A floor frame leaves the game as it is.
        if (m_floorFrames == 0) vxb06Application::Update(seconds);
        m_updateEnd = Clock::now();
        if (m_floorFrames == 0) Observe();
    }

    // A floor frame only stretches the back buffer (whatever it last held)
    // over the window; the main loop then swaps as on every frame.
    void Render(Voke::MaemoSurface* surface) override
    {
        m_drawStart = Clock::now();
        if (m_floorFrames > 0) {
            Voke::Surface::BlitWhole(surface, GetBackBuffer(), GetBackBuffer()->GetClipRect());
            --m_floorFrames;
        } else {
            vxb06Application::Render(surface);
        }
        m_drawEnd = Clock::now();
        m_renderedMode = GetGame().GetMode();
    }

private:
    // Presses what the coming frame needs; returns the level whose figures
    // the frame counts for, or -1.
    int Drive()
    {
        if (m_floorFrames > 0) return -1;
        if (m_exitAfterFloor) {
            g_run.finished = true;
            Exit();
            return -1;
        }
        Game& game = GetGame();
        if (game.GetMode() == GameMode::LanguageChoice && !m_tapped && !game.GetLanguageFlags().empty()) {
            const LanguageFlag& flag = game.GetLanguageFlags().front();  // English
            const int w = flag.image ? flag.image->GetWidth() : 0;
            const int h = flag.image ? flag.image->GetHeight() : 0;
            const int x = WindowX(flag.x + w / 2), y = WindowY(flag.y + h / 2);
            m_tapTime = Clock::now();
            m_tapped = true;
            DispatchPointerDown(x, y, 0);
            DispatchPointerUp(x, y, 0);
            return -1;
        }
        if (game.GetMode() != GameMode::Play) return -1;

        if (game.GetScreen() == GameScreen::Menu) {
            // The intro is skipped by the first press, the run button (which
            // has the focus) pressed by the next.
            m_menuTime += kFrameSeconds;
            if (m_menuTime >= kMenuSeconds && m_level < 0) {
                if (!m_floorBeforeDone) {
                    m_floorBeforeDone = true;
                    StartFloor();
                    return -1;
                }
                PressSelect();
                m_menuTime = kMenuSeconds - 0.25;
            }
            return -1;
        }
        if (game.GetScreen() != GameScreen::InGame) return m_level;

        GameWorld& world = game.GetWorld();
        if (m_level < 0) StartLevel(game.GetLevel());
        if (world.GetState() != WorldState::Running) return m_level;
        if (world.IsPaused()) {
            // The tutorial at the run's start: any touch closes it.
            DispatchPointerDown(WindowX(game.m_ScreenWidth - 20), WindowY(game.m_ScreenHeight - 20), 0);
            DispatchPointerUp(WindowX(game.m_ScreenWidth - 20), WindowY(game.m_ScreenHeight - 20), 0);
            return m_level;
        }
        if (m_levelTime >= g_options.seconds) {
            FinishLevel();
            if (m_level + 1 >= GameWorld::kLevels) {
                m_exitAfterFloor = true;
                StartFloor();
                return -1;
            }
            // The controller enters the next level in this frame's update,
            // which counts for that level.
            StartLevel(m_level + 1);
            game.SetScreen(GameScreen::NextLevel);
            return m_level;
        }
        m_player.Act(world.GetPlayer(), world.GetBuildings(m_level), world.GetObstacles(m_level),
                     static_cast<float>(kFrameSeconds));
        m_levelTime += kFrameSeconds;
        return m_level;
    }

    // After the game's step: catches and a lost run.
    void Observe()
    {
        Game& game = GetGame();
        if (m_level < 0 || game.GetMode() != GameMode::Play) return;
        if (game.GetScreen() == GameScreen::Retry) {
            ++g_run.levels[m_level].deaths;
            m_player = VokeTest::AutoPlayer();
        } else if (game.GetScreen() == GameScreen::GameOver) {
            // Every life lost: the level starts again with new lives.
            ++g_run.levels[m_level].deaths;
            ++g_run.levels[m_level].gameOvers;
            game.GetGameOverDialog().Hide();
            game.GetWorld().StopMusic();
            game.GetWorld().ResetLevels();
            game.m_Lives = 3;
            game.SetScreen(GameScreen::InGame);
            game.GetWorld().StartMusic();
            m_player = VokeTest::AutoPlayer();
        }
    }

    void StartLevel(int level)
    {
        m_level = level;
        m_levelTime = 0.0;
        m_player = VokeTest::AutoPlayer();
        m_statsBefore = Voke::GetRenderStats();
        GetGame().m_Lives = 3;
    }

    void FinishLevel()
    {
        LevelFigures& figures = g_run.levels[m_level];
        const Voke::RenderStats after = Voke::GetRenderStats();
        figures.drawCalls = after.drawCalls - m_statsBefore.drawCalls;
        figures.textureBinds = after.textureBinds - m_statsBefore.textureBinds;
        figures.textureBytes = Voke::PixelDataGL::GetTextureBytes();
        figures.rssMb = StatusMb("VmRSS");
        figures.rssAnonMb = StatusMb("RssAnon");
    }

    void StartFloor()
    {
        m_floorFrames = static_cast<int>(std::max(g_options.seconds * kFloorShare, kMinFloorSeconds) / kFrameSeconds);
    }

    void PressSelect()
    {
        DispatchKeyDown(Voke::KEY_SELECT);
        DispatchKeyUp(Voke::KEY_SELECT);
    }

    // A logical screen position as a window pixel that maps back onto it.
    int WindowX(int x) const { return (x * kWindowWidth + kLogicalScreenWidth - 1) / kLogicalScreenWidth; }
    int WindowY(int y) const { return (y * kWindowHeight + kLogicalScreenHeight - 1) / kLogicalScreenHeight; }

    Clock::time_point m_nextTick;
    Clock::time_point m_frameStart;
    Clock::time_point m_updateEnd;
    double m_frameCpu = 0.0;
    MachineCpu m_frameMachine;
    Clock::time_point m_drawStart;
    Clock::time_point m_drawEnd;
    Clock::time_point m_tapTime;
    int m_frameLevel = -1;
    // The figures the frame under way counts for, or null.
    LevelFigures* m_frameFigures = nullptr;
    // Floor frames still to draw; the first stretch of them is done; the
    // run ends after the second.
    int m_floorFrames = 0;
    bool m_floorBeforeDone = false;
    bool m_exitAfterFloor = false;
    GameMode m_renderedMode = GameMode::Start;
    bool m_tapped = false;
    double m_menuTime = 0.0;
    int m_level = -1;
    double m_levelTime = 0.0;
    Voke::RenderStats m_statsBefore;
    VokeTest::AutoPlayer m_player;
};

double Percentile(std::vector<double> values, double share)
{
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t rank = static_cast<size_t>(std::ceil(share * static_cast<double>(values.size())));
    return values[std::min(values.size(), std::max<size_t>(rank, 1)) - 1];
}


bool ParseOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        if (arg == "--seconds")
            g_options.seconds = std::atof(argv[++i]);
        else if (arg == "--seed")
            g_options.seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--data")
            g_options.dataDir = argv[++i];
        else if (arg == "--trace")
            g_options.trace = argv[++i];
        else
            return false;
    }
    return g_options.seconds > 0.0;
}

void Print(const std::string& key, double value) { std::printf("%s %.3f\n", key.c_str(), value); }
void Print(const std::string& key, uint64_t value) { std::printf("%s %llu\n", key.c_str(), (unsigned long long)value); }

}  // namespace

Voke::MaemoApplication* CreateApplication() { return new BenchApplication; }

int main(int argc, char** argv)
{
    g_run.start = Clock::now();
    if (!ParseOptions(argc, argv)) {
        std::fprintf(stderr, "usage: game_bench [--seconds S] [--seed N] [--data DIR] [--trace FILE]\n");
        return 2;
    }
    // The saves go to a folder of their own, removed afterwards.
    char configTemplate[] = "/tmp/game_bench.XXXXXX";
    const char* config = mkdtemp(configTemplate);
    if (!config) {
        std::fprintf(stderr, "game_bench: no temporary folder\n");
        return 1;
    }
    setenv("XDG_CONFIG_HOME", config, 1);
    // The trace is named from where the bench was started.
    if (!g_options.trace.empty()) g_options.trace = std::filesystem::absolute(g_options.trace).string();
    if (chdir(g_options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "game_bench: no folder %s\n", g_options.dataDir.c_str());
        return 1;
    }
    // The program entry as the game's executable runs it, in the archives'
    // folder.
    const int status = Voke::RunMaemoProgram("game_bench");
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    if (status != 0 || !g_run.finished) {
        std::fprintf(stderr, "game_bench: the run did not finish (status %d)\n", status);
        return 1;
    }

    if (!g_options.trace.empty()) {
        std::FILE* out = std::fopen(g_options.trace.c_str(), "w");
        if (!out) {
            std::fprintf(stderr, "game_bench: cannot write %s\n", g_options.trace.c_str());
            return 1;
        }
        for (const FrameTrace& f : g_run.trace)
            std::fprintf(out, "%d %.3f %.3f %.3f %.3f %.3f %.3f %.0f %.0f\n", f.level, f.seconds, f.frameMs, f.updateMs,
                         f.drawMs, f.presentMs, f.cpuMs, f.machineMs, f.stealMs);
        std::fclose(out);
    }

    const char* threads = std::getenv("LP_NUM_THREADS");
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::fprintf(stderr, "# %.0f s per level, seed %u, LP_NUM_THREADS=%s, load average %.2f %.2f %.2f\n",
                 g_options.seconds, g_options.seed, threads ? threads : "(default)", load[0], load[1], load[2]);
    const LevelFigures& floor = g_run.floor;
    const double floorFrames = std::max<double>(1.0, static_cast<double>(floor.frameMs.size()));
    const double floorMedian = Percentile(floor.frameMs, 0.5), floorP99 = Percentile(floor.frameMs, 0.99);
    Print("floor.frame_ms.median", floorMedian);
    Print("floor.frame_ms.p99", floorP99);
    Print("floor.cpu_ms.mean", floor.cpuMs / floorFrames);
    Print("floor.present_ms.mean", floor.presentMs / floorFrames);
    for (int level = 0; level < GameWorld::kLevels; ++level) {
        const LevelFigures& f = g_run.levels[level];
        const std::string key = "level" + std::to_string(level + 1) + ".";
        double total = 0.0;
        uint64_t late = 0;
        for (double ms : f.frameMs) {
            total += ms;
            late += ms > kFrameSeconds * 1000.0;
        }
        const double frames = std::max<double>(1.0, static_cast<double>(f.frameMs.size()));
        Print(key + "frame_ms.median", Percentile(f.frameMs, 0.5));
        Print(key + "frame_ms.p99", Percentile(f.frameMs, 0.99));
        Print(key + "frame_ms.max", Percentile(f.frameMs, 1.0));
        Print(key + "frame_ms.vs_floor", floorMedian > 0.0 ? Percentile(f.frameMs, 0.5) / floorMedian : 0.0);
        Print(key + "p99.vs_floor", floorP99 > 0.0 ? Percentile(f.frameMs, 0.99) / floorP99 : 0.0);
        Print(key + "fps", total > 0.0 ? 1000.0 * frames / total : 0.0);
        Print(key + "update_ms.mean", f.updateMs / frames);
        Print(key + "draw_ms.mean", f.drawMs / frames);
        Print(key + "present_ms.mean", f.presentMs / frames);
        Print(key + "cpu_ms.mean", f.cpuMs / frames);
        Print(key + "frames_over_16.7ms", late);
        Print(key + "stolen_s", f.stealMs / 1000.0);
        Print(key + "frames_stolen", static_cast<uint64_t>(f.frameMs.size() - f.unstolenFrameMs.size()));
        Print(key + "frame_ms.p99_unstolen", Percentile(f.unstolenFrameMs, 0.99));
        Print(key + "draw_calls", static_cast<double>(f.drawCalls) / frames);
        Print(key + "texture_binds", static_cast<double>(f.textureBinds) / frames);
        Print(key + "texture_mb", static_cast<double>(f.textureBytes) / (1024.0 * 1024.0));
        Print(key + "rss_mb", f.rssMb);
        Print(key + "rss_anon_mb", f.rssAnonMb);
        Print(key + "deaths", static_cast<uint64_t>(f.deaths));
        if (f.gameOvers) std::fprintf(stderr, "# level %d: every life lost %d times\n", level + 1, f.gameOvers);
    }
    Print("start_to_splash_s", g_run.startToSplash);
    Print("loading_s", g_run.loading);
    Print("rss_mb_after_loading", g_run.loadedRssMb);
    Print("peak_rss_mb", StatusMb("VmHWM"));
    Print("audio_underruns", Voke::MaemoAudioDevice::GetUnderrunCount());
    return 0;
}
