#include "tests/engine/graphics/gl_fixture.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>

#include <cstdio>
#include <cstdlib>

#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/pixel_data_gl.h"

namespace Voke {
namespace Test {

namespace {

EGLDisplay g_display = EGL_NO_DISPLAY;
EGLSurface g_surface = EGL_NO_SURFACE;
EGLContext g_context = EGL_NO_CONTEXT;

}  // namespace

bool CreateOffscreenContext(int width, int height)
{
    // Hermetic runs: a real ES 2.0 context, no shader cache, few threads.
    setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 0);
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    setenv("LP_NUM_THREADS", "2", 0);

    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        std::printf("test: eglGetPlatformDisplayEXT is missing\n");
        return false;
    }
    g_display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (g_display == EGL_NO_DISPLAY || !eglInitialize(g_display, nullptr, nullptr)) {
        std::printf("test: no surfaceless EGL display (0x%x)\n", eglGetError());
        return false;
    }
    eglBindAPI(EGL_OPENGL_ES_API);
    const EGLint want[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                           EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
    EGLConfig configs[64];
    EGLint count = 0;
    eglChooseConfig(g_display, want, configs, 64, &count);
    // The first matches are deeper (10-bit) configurations: take an exact
    // 8-bit one so that pixels read back exactly.
    EGLConfig config = nullptr;
    for (EGLint i = 0; i < count && !config; ++i) {
        EGLint r = 0, g = 0, b = 0, a = 0;
        eglGetConfigAttrib(g_display, configs[i], EGL_RED_SIZE, &r);
        eglGetConfigAttrib(g_display, configs[i], EGL_GREEN_SIZE, &g);
        eglGetConfigAttrib(g_display, configs[i], EGL_BLUE_SIZE, &b);
        eglGetConfigAttrib(g_display, configs[i], EGL_ALPHA_SIZE, &a);
        if (r == 8 && g == 8 && b == 8 && a == 8) config = configs[i];
    }
    if (!config) {
        std::printf("test: no 8-bit RGBA pbuffer configuration\n");
        return false;
    }
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    g_surface = eglCreatePbufferSurface(g_display, config, size);
    const EGLint version[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    g_context = eglCreateContext(g_display, config, EGL_NO_CONTEXT, version);
    if (g_surface == EGL_NO_SURFACE || g_context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(g_display, g_surface, g_surface, g_context)) {
        std::printf("test: no pbuffer context (0x%x)\n", eglGetError());
        return false;
    }
    GLInfo::Init();
    glEnable(GL_SCISSOR_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return true;
}

void DestroyOffscreenContext()
{
    if (g_display == EGL_NO_DISPLAY) return;
    GLInfo::Shutdown();
    eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (g_context != EGL_NO_CONTEXT) eglDestroyContext(g_display, g_context);
    if (g_surface != EGL_NO_SURFACE) eglDestroySurface(g_display, g_surface);
    // The display stays initialised: eglTerminate unloads the driver, whose
    // few blocks kept for the process would then show up as leaks in an
    // unknown module. A second initialisation reuses it.
    g_display = EGL_NO_DISPLAY;
    g_surface = EGL_NO_SURFACE;
    g_context = EGL_NO_CONTEXT;
}

void GLTest::SetUp()
{
    ASSERT_TRUE(CreateOffscreenContext(kWidth, kHeight));
    m_window = new Surface(PixelDataGL::CreateScreen(kWidth, kHeight));
    Color black = 0xFF000000u;
    Surface::Clear(m_window, &black);
}

void GLTest::TearDown()
{
    m_window.Reset();
    DestroyOffscreenContext();
}

OpenGLBatcher* GLTest::Batcher() { return static_cast<OpenGLBatcher*>(Voke::Batcher::Get()); }

Color GLTest::WindowPixel(int x, int y)
{
    Batcher()->Flush();
    GLint fb = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    uint8_t p[4] = {0, 0, 0, 0};
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(fb));
    // The device's window has no alpha channel; the pbuffer's is ignored.
    return MakeColor(p[0], p[1], p[2], 255);
}

Color GLTest::TargetPixel(Surface* target, int x, int y)
{
    Batcher()->Flush();
    auto* texture = static_cast<PixelDataGL*>(target->GetPixelData());
    GLint fb = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
    glBindFramebuffer(GL_FRAMEBUFFER, texture->GetFramebuffer());
    uint8_t p[4] = {0, 0, 0, 0};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(fb));
    return MakeColor(p[0], p[1], p[2], p[3]);
}

std::vector<uint8_t> GLTest::TargetPixels(Surface* target)
{
    Batcher()->Flush();
    auto* texture = static_cast<PixelDataGL*>(target->GetPixelData());
    GLint fb = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
    glBindFramebuffer(GL_FRAMEBUFFER, texture->GetFramebuffer());
    std::vector<uint8_t> rgba(size_t(target->GetWidth()) * target->GetHeight() * 4);
    glReadPixels(0, 0, target->GetWidth(), target->GetHeight(), GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(fb));
    return rgba;
}

void GLTest::Store(MemPixelData* pixels, int x, int y, Color c)
{
    uint8_t* p = pixels->GetDataMutable() + size_t(y) * pixels->GetPitch() +
                 size_t(x) * PixelData::GetFormatInfo(pixels->GetFormat()).bytesPerPixel;
    switch (pixels->GetFormat()) {
    case A8: p[0] = ColorA(c); break;
    case RGB565: {
        uint16_t w = uint16_t((ColorR(c) >> 3) << 11 | (ColorG(c) >> 2) << 5 | (ColorB(c) >> 3));
        p[0] = uint8_t(w);
        p[1] = uint8_t(w >> 8);
        break;
    }
    case RGB888: p[0] = ColorB(c); p[1] = ColorG(c); p[2] = ColorR(c); break;
    case RGBA8888: p[0] = ColorB(c); p[1] = ColorG(c); p[2] = ColorR(c); p[3] = ColorA(c); break;
    default: break;
    }
}

}  // namespace Test
}  // namespace Voke
