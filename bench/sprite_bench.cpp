// Sprite benchmark: N textured 32 x 32 sprites from one atlas page, alpha
// blended, drawn per frame into an 800 x 480 target for a number of frames.
// Prints sprites per second, draw calls per frame and the largest N that
// holds 60 frames per second.
//
//   sprite_bench [N [frames]]      defaults: 2000 sprites, 300 frames
//
// With DISPLAY set it draws into an 800 x 480 X window through the window
// surface, each frame ending with Present (flush and buffer swap), as the
// game's frames do. Without DISPLAY it renders through Mesa's surfaceless EGL
// platform into an 800 x 480 pbuffer standing in for the window, each frame
// ending with the batcher's flush and glFinish.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/core/ref_counter.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/graphics/pixel_data.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"

namespace {

using namespace Voke;

constexpr int kWidth = 800;
constexpr int kHeight = 480;
constexpr int kSprite = 32;
constexpr int kPage = 256;  // an 8 x 8 grid of sprites on one page

// An 800 x 480 X window with the window surface on it; null without X.
MaemoSurface* CreateWindowSurface(::Display** xOut)
{
    ::Display* x = XOpenDisplay(nullptr);
    if (!x) return nullptr;
    int screen = DefaultScreen(x);
    unsigned long visualId = MaemoSurface::ChooseWindowVisual(x, DefaultDepth(x, screen));
    XVisualInfo wanted{};
    wanted.visualid = visualId;
    int count = 0;
    XVisualInfo* info = visualId ? XGetVisualInfo(x, VisualIDMask, &wanted, &count) : nullptr;
    if (!info) return nullptr;
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(x, RootWindow(x, screen), info->visual, AllocNone);
    attributes.border_pixel = 0;
    Window window = XCreateWindow(x, RootWindow(x, screen), 0, 0, kWidth, kHeight, 0, info->depth, InputOutput,
                                  info->visual, CWColormap | CWBorderPixel, &attributes);
    XFree(info);
    XMapWindow(x, window);
    XSync(x, False);
    MaemoSurface::SetNativeWindow(x, window);
    *xOut = x;
    return MaemoSurface::Create(kWidth, kHeight);
}

bool CreateContext()
{
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return false;
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
    eglBindAPI(EGL_OPENGL_ES_API);
    const EGLint want[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                           EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
    EGLConfig configs[64];
    EGLint count = 0;
    eglChooseConfig(display, want, configs, 64, &count);
    EGLConfig config = nullptr;
    for (EGLint i = 0; i < count && !config; ++i) {
        EGLint r = 0;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &r);
        if (r == 8) config = configs[i];
    }
    if (!config) return false;
    const EGLint size[] = {EGL_WIDTH, kWidth, EGL_HEIGHT, kHeight, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    const EGLint version[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, version);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, surface, surface, context))
        return false;
    GLInfo::Init();
    glEnable(GL_SCISSOR_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return true;
}

struct Scene {
    SmartPtr<Surface> window;
    MaemoSurface* windowSurface = nullptr;  // the X window's, or null offscreen
    SmartPtr<Surface> page;
    std::vector<Rect> sprites;
};

// Renders `frames` frames of n sprites; returns seconds per frame.
double Run(Scene& scene, int n, int frames, uint64_t* drawCalls)
{
    uint32_t seed = 12345;
    auto next = [&seed]() { return seed = seed * 1664525u + 1013904223u; };
    Color back = MakeColor(20, 30, 40);
    uint64_t draws = GetRenderStats().drawCalls;
    auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        Surface::Clear(scene.window, &back);
        for (int i = 0; i < n; ++i) {
            int x = int(next() % (kWidth - kSprite)), y = int(next() % (kHeight - kSprite));
            Surface::Blit(scene.window, x, y, scene.page, &scene.sprites[size_t(i) % scene.sprites.size()]);
        }
        if (scene.windowSurface) {
            scene.windowSurface->Present();
        } else {
            Batcher::Get()->Flush();
            glFinish();
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (drawCalls) *drawCalls = GetRenderStats().drawCalls - draws;
    return seconds / frames;
}

}  // namespace

int main(int argc, char** argv)
{
    int n = argc > 1 ? std::atoi(argv[1]) : 2000;
    int frames = argc > 2 ? std::atoi(argv[2]) : 300;
    if (n < 1 || frames < 1) {
        std::printf("usage: sprite_bench [sprites per frame] [frames]\n");
        return 2;
    }
    // An ES 2.0 context as on the handset; no shader cache in the home folder.
    setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 0);
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    ::Display* x = nullptr;
    SmartPtr<MaemoSurface> windowSurface(CreateWindowSurface(&x));
    if (!windowSurface && !CreateContext()) {
        std::printf("sprite_bench: no OpenGL ES 2.0 context\n");
        return 1;
    }
    {
        Scene scene;
        scene.windowSurface = windowSurface;
        if (windowSurface) scene.window = windowSurface.Get();
        else scene.window = new Surface(PixelDataGL::CreateScreen(kWidth, kHeight));
        SmartPtr<MemPixelData> pixels(new MemPixelData(kPage, kPage, RGBA8888));
        for (int y = 0; y < kPage; ++y)
            for (int x = 0; x < kPage; ++x) {
                // A round sprite in each cell: opaque inside, transparent corners.
                int dx = x % kSprite - kSprite / 2, dy = y % kSprite - kSprite / 2;
                uint8_t a = dx * dx + dy * dy < 15 * 15 ? 255 : dx * dx + dy * dy < 16 * 16 ? 128 : 0;
                pixels->SetPixel(x, y, MakeColor(uint8_t(x), uint8_t(y), uint8_t(x ^ y), a));
            }
        scene.page = new Surface(pixels.Get());
        for (int y = 0; y < kPage; y += kSprite)
            for (int x = 0; x < kPage; x += kSprite) scene.sprites.push_back(Rect{x, y, kSprite, kSprite});

        Run(scene, n, 5, nullptr);  // warm up: upload, program builds
        uint64_t draws = 0;
        double perFrame = Run(scene, n, frames, &draws);
        std::printf("target: 800x480 %s, %s, %s\n", windowSurface ? "X window (DISPLAY)" : "offscreen pbuffer (no DISPLAY)",
                    GLInfo::GetVersion().c_str(), GLInfo::GetRenderer().c_str());
        std::printf("sprites per frame: %d, frames: %d\n", n, frames);
        std::printf("frame time: %.3f ms (%.1f fps)\n", perFrame * 1000.0, 1.0 / perFrame);
        std::printf("sprites per second: %.0f\n", n / perFrame);
        std::printf("draw calls per frame: %.2f\n", double(draws) / frames);

        // The largest N at 60 fps: double while it holds, then bisect.
        const double budget = 1.0 / 60.0;
        const int trial = 30;
        int good = 0, bad = 0;
        for (int m = 16; m <= (1 << 22); m *= 2) {
            if (Run(scene, m, trial, nullptr) <= budget) good = m;
            else {
                bad = m;
                break;
            }
        }
        while (bad && bad - good > good / 50 + 1) {
            int mid = (good + bad) / 2;
            if (Run(scene, mid, trial, nullptr) <= budget) good = mid;
            else bad = mid;
        }
        std::printf("largest N at 60 fps: %d\n", good);
    }
    if (windowSurface) {
        windowSurface.Reset();
        XCloseDisplay(x);
    } else {
        GLInfo::Shutdown();
    }
    return 0;
}
