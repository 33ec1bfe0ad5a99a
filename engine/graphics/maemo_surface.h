// The window surface: the one surface drawn into the program's window. A
// render pass begins a frame on it, draws, and presents the frame.
//
// It owns the window's EGL objects (the EGL display on the X connection, the
// window surface and the OpenGL ES 2.0 context) and makes the context current
// on the thread that creates it; only that thread may draw. The platform picks
// the EGL configuration before it creates its X window (ChooseWindowVisual), so
// the window gets the visual and depth the configuration needs on the running
// screen, then names the window (SetNativeWindow) before the first Create.
//
// This file knows nothing of the application: the X display connection and
// window come in through those two calls.
//
// Its pixel data stands for the window's own framebuffer (framebuffer 0, the
// window's size, RGB565, never uploaded or sampled), so drawing with it as
// the target draws on the screen. Creating it sets up the GL layer (the
// capability record and the global batcher); destroying it shuts that down.
#pragma once

#include "engine/graphics/surface.h"

namespace Voke {

class MaemoSurface : public Surface {
public:
    // The surface with no window system behind it: frames begin and present
    // without drawing anywhere. Used where no window exists.
    MaemoSurface() = default;
    ~MaemoSurface() override;

    // Connects EGL to the X display connection `xDisplay` (an Xlib Display*)
    // and picks the window configuration: OpenGL ES 2.0, at least 16 colour
    // bits, preferring one whose X visual has the screen's `screenDepth`.
    // Returns the X visual id the window must be created with, or 0 after a
    // failure, which is reported as one line on standard output. The choice is
    // kept for the next Create on that connection.
    static unsigned long ChooseWindowVisual(void* xDisplay, int screenDepth);
    // The X window that the next Create draws into (created with the visual of
    // ChooseWindowVisual). Null / 0 forgets the window and the choice.
    static void SetNativeWindow(void* xDisplay, unsigned long window);

    // The window surface for a window of width x height pixels: EGL window
    // surface and ES 2.0 context on the window named by SetNativeWindow, made
    // current. Returns a new surface (reference count 0), or null when no
    // window was named or an EGL step failed; each failure is reported as one
    // line on standard output.
    static MaemoSurface* Create(int width, int height);

    // Prepares a frame; the render pass draws the frame only when it is true.
    virtual bool BeginFrame();
    // Draws what the batcher still holds and shows the frame drawn since
    // BeginFrame; returns whether the buffer swap succeeded.
    virtual bool Present();

    // After a window size change: the same surface and EGL objects, the new
    // size in the pixel data and the clip rectangle.
    void Resize(int width, int height);

    // The EGL display, context and window surface (EGLDisplay, EGLContext,
    // EGLSurface); null for a surface without a window.
    void* GetEglDisplay() const { return m_eglDisplay; }
    void* GetEglContext() const { return m_eglContext; }
    void* GetEglSurface() const { return m_eglSurface; }

protected:
    // On new framebuffer pixel data of width x height; no EGL objects.
    MaemoSurface(int width, int height);

private:
    // EGL steps, kept apart so the GL layer can hook in around them.
    bool AttachContext();  // window surface, context, make current
    void DetachContext();  // release current, destroy context and surface, terminate
    bool SwapBuffers();
    // The GL layer's set-up after the context is current and its shutdown
    // before the context goes.
    void InitGL();
    void ShutdownGL();

    void* m_xDisplay = nullptr;
    unsigned long m_window = 0;
    void* m_eglDisplay = nullptr;
    void* m_eglContext = nullptr;
    void* m_eglSurface = nullptr;
    bool m_swapFailureReported = false;
};

}  // namespace Voke
