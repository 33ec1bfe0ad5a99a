// Sprite benchmark: N textured 32 x 32 sprites from one 256 x 256 atlas page,
// alpha blended, drawn per frame into an 800 x 480 target, by the engine and,
// as its baseline, by a minimal raw OpenGL ES 2.0 path in the same process and
// window. Prints frame times, draw calls per frame and the engine/raw ratio of
// frame rates (1.0 means as fast as the raw path).
//
//   sprite_bench                  N = 1000, 5000 and 20000, then the largest N
//                                 that holds 60 frames per second, both paths
//   sprite_bench N [frames]       that N only, no search (default 300 frames)
//
// The raw path draws the same sprites (same positions, same cells of a copy of
// the page in one texture of its own) with positions computed and uploaded
// every frame, one draw per frame through 32-bit indices. It runs in a GL
// context of its own on the same window surface, so neither path disturbs the
// GL state the other keeps; before measuring, both draw one frame that is read
// back to check that their pictures agree. Every measurement warms both paths
// up first, then alternates them in short rounds; the ratio printed is the
// median of the rounds' ratios, so a burst of machine load spoils a round or
// two, not the figure. The 60 fps searches of the two paths advance in turn,
// and a probe that misses is retried before it counts as missed.
//
// With DISPLAY set it draws into an 800 x 480 X window through the window
// surface, each frame ending with Present (flush and buffer swap), as the
// game's frames do; the raw path swaps the same window. Without DISPLAY it
// renders through Mesa's surfaceless EGL platform into an 800 x 480 pbuffer
// standing in for the window, each frame ending with glFinish.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
// NOTE: frames drawn by each path before a measurement (texture uploads,
// program builds, buffer growth), and the frames of one round of a
// measurement, which alternates the paths round by round.
constexpr int kWarmUpFrames = 20;
constexpr int kRoundFrames = 10;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The sprite positions of every frame: the same sequence for both paths.
struct Positions {
    uint32_t seed = 12345;
    int Next(int range) { return int((seed = seed * 1664525u + 1013904223u) % uint32_t(range)); }
};

// The EGL objects both paths draw through.
struct Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext engine = EGL_NO_CONTEXT;
    EGLContext raw = EGL_NO_CONTEXT;
    bool window = false;  // swap the window, or glFinish the pbuffer
};

// An 800 x 480 X window with the window surface on it; null without X.
SmartPtr<MaemoSurface> CreateWindowSurface(::Display** xOut)
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

// The offscreen stand-in for the window: a pbuffer and an ES 2.0 context.
bool CreateOffscreenContext(Egl& egl)
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
    egl.display = display;
    egl.surface = surface;
    egl.engine = context;
    GLInfo::Init();
    glEnable(GL_SCISSOR_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return true;
}

// A second ES 2.0 context of the engine context's configuration, for the raw
// path on the same surface.
bool CreateRawContext(Egl& egl)
{
    EGLint id = 0;
    if (!eglQueryContext(egl.display, egl.engine, EGL_CONFIG_ID, &id)) return false;
    const EGLint want[] = {EGL_CONFIG_ID, id, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(egl.display, want, &config, 1, &count) || count < 1) return false;
    const EGLint version[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    egl.raw = eglCreateContext(egl.display, config, EGL_NO_CONTEXT, version);
    return egl.raw != EGL_NO_CONTEXT;
}

void EndFrame(const Egl& egl)
{
    if (egl.window) eglSwapBuffers(egl.display, egl.surface);
    else glFinish();
}

// ---- the raw path

const char kRawVertex[] =
    "attribute vec2 pos;\n"
    "attribute vec2 uv;\n"
    "varying mediump vec2 vuv;\n"
    "void main() {\n"
    "  vuv = uv;\n"
    "  gl_Position = vec4(pos.x * (2.0 / 800.0) - 1.0, 1.0 - pos.y * (2.0 / 480.0), 0.0, 1.0);\n"
    "}\n";
const char kRawFragment[] =
    "varying mediump vec2 vuv;\n"
    "uniform lowp sampler2D tex;\n"
    "void main() {\n"
    "  gl_FragColor = texture2D(tex, vuv);\n"
    "}\n";

class RawPath {
public:
    // In the raw context: program, page texture (RGBA rows, red first) and
    // an index buffer for `maxSprites`. False when something is missing.
    bool Init(const std::vector<uint8_t>& page, int maxSprites)
    {
        const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        if (!extensions || !std::strstr(extensions, "GL_OES_element_index_uint")) return false;
        GLuint vs = Compile(GL_VERTEX_SHADER, kRawVertex), fs = Compile(GL_FRAGMENT_SHADER, kRawFragment);
        m_program = glCreateProgram();
        glAttachShader(m_program, vs);
        glAttachShader(m_program, fs);
        glBindAttribLocation(m_program, 0, "pos");
        glBindAttribLocation(m_program, 1, "uv");
        glLinkProgram(m_program);
        GLint linked = 0;
        glGetProgramiv(m_program, GL_LINK_STATUS, &linked);
        if (!linked) return false;
        glUseProgram(m_program);
        glUniform1i(glGetUniformLocation(m_program, "tex"), 0);

        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kPage, kPage, 0, GL_RGBA, GL_UNSIGNED_BYTE, page.data());

        std::vector<uint32_t> indices(size_t(maxSprites) * 6);
        for (uint32_t i = 0; i < uint32_t(maxSprites); ++i) {
            const uint32_t q[6] = {4 * i, 4 * i + 1, 4 * i + 2, 4 * i, 4 * i + 2, 4 * i + 3};
            std::copy(q, q + 6, &indices[size_t(i) * 6]);
        }
        GLuint buffers[2];
        glGenBuffers(2, buffers);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 4), indices.data(), GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, nullptr);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<const void*>(8));
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(20 / 255.0f, 30 / 255.0f, 40 / 255.0f, 1.0f);
        m_maxSprites = maxSprites;
        return glGetError() == GL_NO_ERROR;
    }

    int GetMaxSprites() const { return m_maxSprites; }

    double Run(const Egl& egl, int n, int frames, bool present = true)
    {
        Positions positions;
        m_vertices.resize(size_t(n) * 16);
        auto start = Clock::now();
        for (int f = 0; f < frames; ++f) {
            glClear(GL_COLOR_BUFFER_BIT);
            float* v = m_vertices.data();
            for (int i = 0; i < n; ++i) {
                float x = float(positions.Next(kWidth - kSprite)), y = float(positions.Next(kHeight - kSprite));
                int cell = i % 64;
                float u0 = float(cell % 8) * (1.0f / 8.0f), v0 = float(cell / 8) * (1.0f / 8.0f);
                float u1 = u0 + 1.0f / 8.0f, v1 = v0 + 1.0f / 8.0f, s = float(kSprite);
                const float quad[16] = {x, y, u0, v0, x + s, y, u1, v0, x + s, y + s, u1, v1, x, y + s, u0, v1};
                std::memcpy(v, quad, sizeof(quad));
                v += 16;
            }
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(size_t(n) * 64), m_vertices.data(), GL_STREAM_DRAW);
            glDrawElements(GL_TRIANGLES, n * 6, GL_UNSIGNED_INT, nullptr);
            if (present) EndFrame(egl);
            else glFinish();
        }
        return Seconds(start);
    }

private:
    static GLuint Compile(GLenum type, const char* source)
    {
        GLuint shader = glCreateShader(type);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        return shader;
    }

    GLuint m_program = 0;
    int m_maxSprites = 0;
    std::vector<float> m_vertices;
};

// ---- the engine path and the measurements

struct Scene {
    Egl egl;
    SmartPtr<Surface> window;
    MaemoSurface* windowSurface = nullptr;  // the X window's, or null offscreen
    SmartPtr<Surface> page;
    std::vector<Rect> sprites;
    RawPath raw;
};

double RunEngine(Scene& scene, int n, int frames, bool present = true)
{
    Positions positions;
    Color back = MakeColor(20, 30, 40);
    auto start = Clock::now();
    for (int f = 0; f < frames; ++f) {
        Surface::Clear(scene.window, &back);
        for (int i = 0; i < n; ++i) {
            int x = positions.Next(kWidth - kSprite), y = positions.Next(kHeight - kSprite);
            Surface::Blit(scene.window, x, y, scene.page, &scene.sprites[size_t(i) % scene.sprites.size()]);
        }
        if (scene.windowSurface && present) {
            scene.windowSurface->Present();
        } else {
            Batcher::Get()->Flush();
            glFinish();
        }
    }
    return Seconds(start);
}

double RunRaw(Scene& scene, int n, int frames)
{
    eglMakeCurrent(scene.egl.display, scene.egl.surface, scene.egl.surface, scene.egl.raw);
    double seconds = scene.raw.Run(scene.egl, n, frames);
    eglMakeCurrent(scene.egl.display, scene.egl.surface, scene.egl.surface, scene.egl.engine);
    return seconds;
}

// The pixels of one frame of n sprites drawn by each path, read back before
// they are shown: the count of pixels that differ (0 when both draw the same
// picture).
size_t CompareFrames(Scene& scene, int n)
{
    std::vector<uint8_t> engine(size_t(kWidth) * kHeight * 4), raw(engine.size());
    RunEngine(scene, n, 1, false);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, engine.data());
    eglMakeCurrent(scene.egl.display, scene.egl.surface, scene.egl.surface, scene.egl.raw);
    scene.raw.Run(scene.egl, n, 1, false);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    eglMakeCurrent(scene.egl.display, scene.egl.surface, scene.egl.surface, scene.egl.engine);
    size_t differ = 0;
    for (size_t i = 0; i < engine.size(); i += 4) differ += std::memcmp(&engine[i], &raw[i], 3) != 0;
    return differ;
}

struct Measurement {
    double engine = 0, raw = 0;  // median seconds per frame of the rounds
    double ratio = 0;            // median of the rounds' engine/raw frame-rate ratios
    double drawCalls = 0;        // the engine's, per frame
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// Both paths at n: warm-up, then `frames` frames each in short rounds that
// alternate the paths. Each round's pair of times gives a ratio; the median
// of those ratios is the figure (a burst of machine load spoils a round or
// two, not the result).
Measurement Measure(Scene& scene, int n, int frames)
{
    RunEngine(scene, n, kWarmUpFrames);
    RunRaw(scene, n, kWarmUpFrames);
    std::vector<double> engine, raw, ratios;
    uint64_t draws = GetRenderStats().drawCalls;
    const int rounds = std::max(1, frames / kRoundFrames);
    for (int r = 0; r < rounds; ++r) {
        // The order alternates too, so neither path always follows the other.
        double e = 0, w = 0;
        if (r % 2 == 0) {
            e = RunEngine(scene, n, kRoundFrames);
            w = RunRaw(scene, n, kRoundFrames);
        } else {
            w = RunRaw(scene, n, kRoundFrames);
            e = RunEngine(scene, n, kRoundFrames);
        }
        engine.push_back(e / kRoundFrames);
        raw.push_back(w / kRoundFrames);
        ratios.push_back(w / e);
    }
    Measurement m;
    m.drawCalls = double(GetRenderStats().drawCalls - draws) / (double(rounds) * kRoundFrames);
    m.engine = Median(engine);
    m.raw = Median(raw);
    m.ratio = Median(ratios);
    return m;
}

void Print(int n, const Measurement& m)
{
    std::printf("N = %5d: engine %7.3f ms (%6.1f fps, %.2f draws), raw %7.3f ms (%6.1f fps), engine/raw %.3f\n", n,
                m.engine * 1000.0, 1.0 / m.engine, m.drawCalls, m.raw * 1000.0, 1.0 / m.raw, m.ratio);
    std::fflush(stdout);
}

// Whether one path draws n sprites at 60 fps. A probe that misses is retried
// (NOTE: up to three tries, the best counting) before it counts as missed, so
// one slow probe on a busy machine does not end the search.
template <class RunPath>
bool HoldsAt60(RunPath run, int n)
{
    const int trial = 30;
    run(n, 5);
    for (int attempt = 0; attempt < 3; ++attempt)
        if (run(n, trial) / trial <= 1.0 / 60.0) return true;
    return false;
}

// The search for the largest N one path draws at 60 fps: doubling from 16
// while probes hold, then bisecting to within 2%.
struct Search60 {
    int good = 0, bad = 0, next = 16;
    bool done = false;

    void Record(bool held, int limit)
    {
        if (held) good = next;
        else bad = next;
        if (!bad) {
            next *= 2;
            done = next > limit;
        } else {
            done = bad - good <= good / 50 + 1;
            next = (good + bad) / 2;
        }
    }
};

void PrintLoad(const char* when)
{
    double load[3] = {0, 0, 0};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) load[0] = load[1] = load[2] = 0;
        std::fclose(f);
    }
    std::printf("machine load %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
}

}  // namespace

int main(int argc, char** argv)
{
    const int fixedN = argc > 1 ? std::atoi(argv[1]) : 0;
    const int frames = argc > 2 ? std::atoi(argv[2]) : 300;
    if (argc > 3 || (argc > 1 && fixedN < 1) || frames < kRoundFrames) {
        std::printf("usage: sprite_bench [sprites per frame [frames, at least %d]]\n", kRoundFrames);
        return 2;
    }
    // An ES 2.0 context as on the handset; no shader cache in the home folder.
    setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 0);
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    // NOTE: the raw path's index buffer covers this many sprites (the
    // search's limit for both paths).
    const int maxSprites = std::max(fixedN, 1 << 17);
    ::Display* x = nullptr;
    SmartPtr<MaemoSurface> windowSurface(CreateWindowSurface(&x));
    {
        Scene scene;
        if (windowSurface) {
            scene.egl.display = windowSurface->GetEglDisplay();
            scene.egl.surface = windowSurface->GetEglSurface();
            scene.egl.engine = windowSurface->GetEglContext();
            scene.egl.window = true;
        } else if (!CreateOffscreenContext(scene.egl)) {
            std::printf("sprite_bench: no OpenGL ES 2.0 context\n");
            return 1;
        }
        scene.windowSurface = windowSurface;
        if (windowSurface) scene.window = windowSurface.Get();
        else scene.window = new Surface(PixelDataGL::CreateScreen(kWidth, kHeight));

        // A round sprite in each cell: opaque inside, transparent corners.
        std::vector<uint8_t> rgba(size_t(kPage) * kPage * 4);
        SmartPtr<MemPixelData> pixels(new MemPixelData(kPage, kPage, RGBA8888));
        for (int y = 0; y < kPage; ++y)
            for (int x = 0; x < kPage; ++x) {
                int dx = x % kSprite - kSprite / 2, dy = y % kSprite - kSprite / 2;
                uint8_t a = dx * dx + dy * dy < 15 * 15 ? 255 : dx * dx + dy * dy < 16 * 16 ? 128 : 0;
                Color c = MakeColor(uint8_t(x), uint8_t(y), uint8_t(x ^ y), a);
                pixels->SetPixel(x, y, c);
                uint8_t* p = &rgba[(size_t(y) * kPage + size_t(x)) * 4];
                p[0] = ColorR(c);
                p[1] = ColorG(c);
                p[2] = ColorB(c);
                p[3] = ColorA(c);
            }
        scene.page = new Surface(pixels.Get());
        for (int y = 0; y < kPage; y += kSprite)
            for (int x = 0; x < kPage; x += kSprite) scene.sprites.push_back(Rect{x, y, kSprite, kSprite});

        if (!CreateRawContext(scene.egl)) {
            std::printf("sprite_bench: no second GL context for the raw path\n");
            return 1;
        }
        eglMakeCurrent(scene.egl.display, scene.egl.surface, scene.egl.surface, scene.egl.raw);
        bool rawReady = scene.raw.Init(rgba, maxSprites);
        eglMakeCurrent(scene.egl.display, scene.egl.surface, scene.egl.surface, scene.egl.engine);
        if (!rawReady) {
            std::printf("sprite_bench: the raw path cannot be set up (32-bit indices are needed)\n");
            return 1;
        }

        const char* threads = std::getenv("LP_NUM_THREADS");
        std::printf("target: 800x480 %s, %s, %s, LP_NUM_THREADS=%s\n",
                    windowSurface ? "X window (DISPLAY)" : "offscreen pbuffer (no DISPLAY)",
                    GLInfo::GetVersion().c_str(), GLInfo::GetRenderer().c_str(), threads ? threads : "(unset)");
        std::printf("32x32 alpha-blended sprites; %d warm-up frames, then %d frames per path in alternating "
                    "rounds of %d; medians of the rounds\n",
                    kWarmUpFrames, frames, kRoundFrames);
        std::printf("pixels that differ between the paths' pictures of 1000 sprites: %zu\n",
                    CompareFrames(scene, 1000));
        PrintLoad("before");

        if (fixedN) {
            Print(fixedN, Measure(scene, fixedN, frames));
        } else {
            for (int n : {1000, 5000, 20000}) Print(n, Measure(scene, n, frames));
            // Both searches advance probe by probe in turn, so that a change
            // of machine load falls on both.
            Search60 engine, raw;
            while (!engine.done || !raw.done) {
                if (!engine.done)
                    engine.Record(HoldsAt60([&](int n, int f) { return RunEngine(scene, n, f); }, engine.next),
                                  maxSprites);
                if (!raw.done)
                    raw.Record(HoldsAt60([&](int n, int f) { return RunRaw(scene, n, f); }, raw.next), maxSprites);
            }
            std::printf("largest N at 60 fps: engine %d, raw %d, engine/raw %.3f\n", engine.good, raw.good,
                        raw.good ? double(engine.good) / raw.good : 0.0);
        }
        PrintLoad("after");
        eglDestroyContext(scene.egl.display, scene.egl.raw);
    }
    if (windowSurface) {
        windowSurface.Reset();
        XCloseDisplay(x);
    } else {
        GLInfo::Shutdown();
    }
    return 0;
}
