// Scenery benchmark: the construction site's scenery (four background
// layers with their fills, welders, sparks, smoke, the crane and the
// building row with its fans, every image on one atlas page) drawn each
// frame into the game's 480 x 320 back buffer, which is then stretched over
// an 800 x 480 window stand-in, as the game's frames do. Renders through
// Mesa's surfaceless EGL platform; each frame ends with the batcher's flush
// and glFinish. Prints milliseconds and draw calls per frame.
//
//   scenery_bench [frames]      default: 600 frames (ten seconds of play)
#include <GLES2/gl2.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "game/app/vxb06_application.h"
#include "tests/engine/graphics/gl_fixture.h"
#include "tests/game/presentation/scenery_scene.h"

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 600;
    if (frames < 1) {
        std::printf("usage: scenery_bench [frames]\n");
        return 2;
    }
    if (!Voke::Test::CreateOffscreenContext(800, 480)) return 1;
    int result = 0;
    {
        Voke::SmartPtr<Voke::Surface> window(new Voke::Surface(Voke::PixelDataGL::CreateScreen(800, 480)));
        Voke::SmartPtr<Voke::Surface> backBuffer(vxb06Application::CreateBackBuffer());
        PresentationTest::ContentFolder content;
        auto scene = std::make_unique<PresentationTest::ConstructionSite>();
        if (!PresentationTest::ConstructionSite::WriteContent(content, true)) {
            std::printf("scenery_bench: the content could not be written\n");
            result = 1;
        } else {
            scene->Load();
            const Voke::Color black = Voke::MakeColor(0, 0, 0);
            const Voke::Rect whole = {0, 0, 480, 320};
            auto frame = [&](int i) {
                scene->Step(900.0f + 3.0f * float(i % 400), 100.0f, 1.0f / 60.0f);
                Voke::Surface::Clear(backBuffer, &black);
                scene->Draw(backBuffer);
                Voke::Surface::BlitWhole(window, backBuffer, &whole);
                Voke::Batcher::Get()->Flush();
                glFinish();
            };
            // Warm up: textures uploaded, the sprite pool filled.
            for (int i = 0; i < 60; ++i) frame(i);
            const uint64_t draws = Voke::GetRenderStats().drawCalls;
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < frames; ++i) frame(60 + i);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double perFrame = seconds / frames;
            std::printf("scenery_bench: %s, LP_NUM_THREADS=%s\n", Voke::GLInfo::GetRenderer().c_str(),
                        std::getenv("LP_NUM_THREADS") ? std::getenv("LP_NUM_THREADS") : "(default)");
            std::printf(
                "  %d frames: %.3f ms per frame (%.0f frames per second), %.1f draw calls per frame, "
                "%d live sprites\n",
                frames, perFrame * 1000.0, 1.0 / perFrame, double(Voke::GetRenderStats().drawCalls - draws) / frames,
                scene->m_decorations.GetLiveSpriteCount());
        }
        scene.reset();
    }
    Voke::Test::DestroyOffscreenContext();
    return result;
}
