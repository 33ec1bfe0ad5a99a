// Game world benchmark: each of the six levels played by the tests'
// automatic player with the shipped archives, every frame stepped and drawn
// as the game does it (the back buffer cleared and drawn, stretched over an
// 800 x 480 window stand-in, the overlay drawn over it), each frame ending
// with the batcher's flush and glFinish. Renders through Mesa's surfaceless
// EGL platform. Prints milliseconds, processor time (all the process's
// threads, the renderer's included), draw calls and texture binds per frame
// for each level, and the slowest frame.
//
//   world_bench [frames]      default: 1200 frames per level (20 s of play)
#include <GLES2/gl2.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "game/app/vxb06_application.h"
#include "tests/engine/graphics/gl_fixture.h"
#include "tests/game/support/autoplayer.h"
#include "tests/game/world/shipped_world.h"

namespace {

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 1200;
    if (frames < 1) {
        std::printf("usage: world_bench [frames]\n");
        return 2;
    }
    if (!Voke::Test::CreateOffscreenContext(800, 480)) return 1;
    int result = 0;
    {
        Voke::SmartPtr<Voke::Surface> window(new Voke::Surface(Voke::PixelDataGL::CreateScreen(800, 480)));
        Voke::SmartPtr<Voke::Surface> backBuffer(vxb06Application::CreateBackBuffer());
        VokeTest::ShippedWorld shipped;
        std::string error;
        if (!shipped.Load(error)) {
            std::printf("world_bench: %s\n", error.c_str());
            result = 1;
        } else {
            shipped.game.m_SoundOn = false;
            std::printf("world_bench: %s, LP_NUM_THREADS=%s, %d frames per level\n",
                        Voke::GLInfo::GetRenderer().c_str(),
                        std::getenv("LP_NUM_THREADS") ? std::getenv("LP_NUM_THREADS") : "(default)", frames);
            const Voke::Color black = Voke::MakeColor(0, 0, 0);
            const Voke::Rect whole = {0, 0, 480, 320};
            const float dt = 1.0f / 60.0f;
            for (int level = 0; level < GameWorld::kLevels; ++level) {
                shipped.Start(level, 100u + uint32_t(level));
                GameWorld& world = *shipped.world;
                VokeTest::AutoPlayer policy;
                // The player's planning is not the game's: it runs before
                // the frame's clock starts.
                auto frame = [&] {
                    world.Update(dt);
                    Voke::Surface::Clear(backBuffer, &black);
                    world.Render(backBuffer);
                    Voke::Surface::BlitWhole(window, backBuffer, &whole);
                    world.DrawOverlay(window);
                    Voke::Batcher::Get()->Flush();
                    glFinish();
                };
                // Warm up: textures uploaded, the entering flight over.
                for (int i = 0; i < 120; ++i) {
                    policy.Act(world.GetPlayer(), world.GetBuildings(level), world.GetObstacles(level), dt);
                    frame();
                }
                const Voke::RenderStats before = Voke::GetRenderStats();
                double seconds = 0.0, slowest = 0.0, cpu = 0.0;
                int played = 0, late = 0;
                for (; played < frames && world.GetState() == WorldState::Running; ++played) {
                    policy.Act(world.GetPlayer(), world.GetBuildings(level), world.GetObstacles(level), dt);
                    const auto start = std::chrono::steady_clock::now();
                    const double cpuStart = ProcessCpuSeconds();
                    frame();
                    cpu += ProcessCpuSeconds() - cpuStart;
                    const double took =
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                    seconds += took;
                    slowest = std::max(slowest, took);
                    late += took > 1.0 / 60.0;
                }
                const Voke::RenderStats after = Voke::GetRenderStats();
                const double perFrame = seconds / std::max(played, 1);
                std::printf("  level %d: %.3f ms per frame (%.0f frames per second), %.3f ms processor time, "
                            "slowest %.3f ms, %d of %d over 1/60 s, %.1f draw calls and %.1f texture binds per frame\n",
                            level + 1, perFrame * 1000.0, 1.0 / perFrame, cpu * 1000.0 / std::max(played, 1),
                            slowest * 1000.0, late, played,
                            double(after.drawCalls - before.drawCalls) / std::max(played, 1),
                            double(after.textureBinds - before.textureBinds) / std::max(played, 1));
            }
        }
        shipped.Unload();
    }
    Voke::Test::DestroyOffscreenContext();
    return result;
}
