#include "engine/graphics/maemo_surface.h"

#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/report.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data_gl.h"

namespace Voke {

namespace {

// The window-system side chosen before the window exists: the X connection,
// its EGL display and configuration, and the window named afterwards. Main
// thread only, like every EGL call of the program.
struct NativeTarget {
    ::Display* xDisplay = nullptr;
    EGLDisplay eglDisplay = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    Window window = 0;
    bool surfaceOwnsDisplay = false;  // a live surface terminates the EGL display
};
NativeTarget g_target;

void ReportEglFailure(const char* step)
{
    ReportError("EGL: %s failed (error 0x%04x)", step, static_cast<unsigned>(eglGetError()));
}

int VisualDepth(::Display* display, EGLint visualId)
{
    XVisualInfo wanted{};
    wanted.visualid = static_cast<VisualID>(visualId);
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
    if (!info) return 0;
    int depth = count > 0 ? info->depth : 0;
    XFree(info);
    return depth;
}

// Whether the X server has closed its end of the connection; reads nothing.
bool ServerHungUp(::Display* display)
{
    pollfd connection{ConnectionNumber(display), POLLRDHUP, 0};
    return poll(&connection, 1, 0) > 0 && (connection.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL));
}

// Mesa's software rasteriser starts one thread per processor, and every
// pass over a frame's tiles wakes them all and waits for the last. The frame
// needs processors besides: the main thread, the X server copying each
// swapped frame, the sound writer and the sound server. So, unless the
// environment names a count (LP_NUM_THREADS), it rasterises with half the
// processors this process may run on. Other drivers ignore the variable.
void ChooseRasteriserThreads()
{
    if (std::getenv("LP_NUM_THREADS")) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    const int processors = sched_getaffinity(0, sizeof(set), &set) == 0 ? CPU_COUNT(&set) : 1;
    const std::string threads = std::to_string(std::max(processors / 2, 1));
    setenv("LP_NUM_THREADS", threads.c_str(), 0);
}

void ForgetTarget()
{
    if (g_target.eglDisplay != EGL_NO_DISPLAY && !g_target.surfaceOwnsDisplay)
        eglTerminate(g_target.eglDisplay);
    g_target = NativeTarget{};
}

}  // namespace

unsigned long MaemoSurface::ChooseWindowVisual(void* xDisplay, int screenDepth)
{
    ForgetTarget();
    ::Display* display = static_cast<::Display*>(xDisplay);
    if (!display) {
        ReportError("EGL: no X display to choose a window configuration on");
        return 0;
    }
    ChooseRasteriserThreads();
    EGLDisplay eglDisplay = eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(display));
    if (eglDisplay == EGL_NO_DISPLAY) {
        ReportEglFailure("eglGetDisplay");
        return 0;
    }
    if (!eglInitialize(eglDisplay, nullptr, nullptr)) {
        ReportEglFailure("eglInitialize");
        return 0;
    }
    if (!eglBindAPI(EGL_OPENGL_ES_API)) {
        ReportEglFailure("eglBindAPI");
        eglTerminate(eglDisplay);
        return 0;
    }

    // At least 16 colour bits, as the handset's 16-bit screen has; EGL sorts
    // deeper configurations first, so walk them for one whose visual matches
    // the screen and fall back to the first with any visual.
    const EGLint attributes[] = {EGL_BUFFER_SIZE, 16, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                                 EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(eglDisplay, attributes, nullptr, 0, &count) || count <= 0) {
        if (count <= 0 && eglGetError() == EGL_SUCCESS)
            ReportError("EGL: no OpenGL ES 2.0 window configuration on this display");
        else
            ReportEglFailure("eglChooseConfig");
        eglTerminate(eglDisplay);
        return 0;
    }
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    if (!eglChooseConfig(eglDisplay, attributes, configs.data(), count, &count)) {
        ReportEglFailure("eglChooseConfig");
        eglTerminate(eglDisplay);
        return 0;
    }

    EGLConfig chosen = nullptr;
    EGLint chosenVisual = 0;
    for (EGLint i = 0; i < count; ++i) {
        EGLint visual = 0;
        if (!eglGetConfigAttrib(eglDisplay, configs[i], EGL_NATIVE_VISUAL_ID, &visual) || visual == 0) continue;
        if (!chosen) {
            chosen = configs[i];
            chosenVisual = visual;
        }
        if (VisualDepth(display, visual) == screenDepth) {
            chosen = configs[i];
            chosenVisual = visual;
            break;
        }
    }
    if (!chosen) {
        ReportError("EGL: no window configuration has an X visual");
        eglTerminate(eglDisplay);
        return 0;
    }

    g_target.xDisplay = display;
    g_target.eglDisplay = eglDisplay;
    g_target.config = chosen;
    return static_cast<unsigned long>(chosenVisual);
}

void MaemoSurface::SetNativeWindow(void* xDisplay, unsigned long window)
{
    if (!xDisplay || !window) {
        ForgetTarget();
        return;
    }
    g_target.window = window;
}

MaemoSurface* MaemoSurface::Create(int width, int height)
{
    if (g_target.eglDisplay == EGL_NO_DISPLAY || !g_target.window) {
        ReportError("EGL: no window to create the window surface on");
        return nullptr;
    }
    if (g_target.surfaceOwnsDisplay) {
        ReportError("EGL: the window already has its surface");
        return nullptr;
    }
    MaemoSurface* surface = new MaemoSurface(width, height);
    if (!surface->AttachContext()) {
        surface->DetachContext();
        delete surface;
        return nullptr;
    }
    surface->InitGL();
    return surface;
}

MaemoSurface::~MaemoSurface()
{
    if (m_eglDisplay) {
        ShutdownGL();
        DetachContext();
    }
}

bool MaemoSurface::AttachContext()
{
    m_xDisplay = g_target.xDisplay;
    m_window = g_target.window;
    m_eglDisplay = g_target.eglDisplay;
    g_target.surfaceOwnsDisplay = true;

    EGLSurface eglSurface = eglCreateWindowSurface(m_eglDisplay, g_target.config,
                                                   static_cast<EGLNativeWindowType>(m_window), nullptr);
    if (eglSurface == EGL_NO_SURFACE) {
        ReportEglFailure("eglCreateWindowSurface");
        return false;
    }
    m_eglSurface = eglSurface;

    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext context = eglCreateContext(m_eglDisplay, g_target.config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        ReportEglFailure("eglCreateContext");
        return false;
    }
    m_eglContext = context;

    if (!eglMakeCurrent(m_eglDisplay, eglSurface, eglSurface, context)) {
        ReportEglFailure("eglMakeCurrent");
        return false;
    }
    return true;
}

void MaemoSurface::DetachContext()
{
    if (!m_eglDisplay) return;
    eglMakeCurrent(m_eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (m_eglContext) eglDestroyContext(m_eglDisplay, m_eglContext);
    if (m_eglSurface) eglDestroySurface(m_eglDisplay, m_eglSurface);
    eglTerminate(m_eglDisplay);
    eglReleaseThread();
    m_eglContext = nullptr;
    m_eglSurface = nullptr;
    m_eglDisplay = nullptr;
    // The EGL display is gone; a new surface needs a new configuration.
    if (g_target.eglDisplay != EGL_NO_DISPLAY) g_target = NativeTarget{};
}

bool MaemoSurface::SwapBuffers()
{
    if (!m_eglDisplay) return true;
    // Mesa's X11 presentation loops for ever over a connection whose server
    // has gone, and such a frame would never be shown anyway: it is not
    // presented when the server has hung up. Xlib then reports the loss to
    // the main loop at its next event read.
    if (m_xDisplay && ServerHungUp(static_cast<::Display*>(m_xDisplay))) return false;
    if (!eglSwapBuffers(m_eglDisplay, m_eglSurface)) {
        // Reported once: a lost window fails every frame from then on.
        if (!m_swapFailureReported) ReportEglFailure("eglSwapBuffers");
        m_swapFailureReported = true;
        return false;
    }
    return true;
}

MaemoSurface::MaemoSurface(int width, int height)
{
    SmartPtr<PixelDataGL> screen(PixelDataGL::CreateScreen(width, height));
    SetPixelData(screen);
}

// The GL layer (capabilities, the global batcher, scissor and blending state)
// sets itself up once the context is current.
void MaemoSurface::InitGL()
{
    GLInfo::Init();
    glEnable(GL_SCISSOR_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// And releases its GL names while the context is still current.
void MaemoSurface::ShutdownGL() { GLInfo::Shutdown(); }

bool MaemoSurface::BeginFrame() { return true; }

bool MaemoSurface::Present()
{
    if (Batcher* batcher = Batcher::Get()) batcher->Flush();
    return SwapBuffers();
}

void MaemoSurface::Resize(int width, int height)
{
    PixelData* pixels = GetPixelData();
    if (!pixels || pixels->GetKind() != PixelData::kTexture) return;
    static_cast<PixelDataGL*>(pixels)->ResizeScreen(width, height);
    m_clip = Rect{0, 0, pixels->GetWidth(), pixels->GetHeight()};
}

}  // namespace Voke
