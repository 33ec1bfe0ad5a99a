// The window surface on a real X window (Xvfb): the GL layer comes up with
// the window's context, frames drawn through the batcher reach the window,
// and the GL layer goes down with the surface.
#include <gtest/gtest.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xutil.h>

#include "engine/app/display.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "tests/engine/app/maemo_test_app.h"

Voke::MaemoApplication* CreateApplication() { return new Voke::RecordingMaemoApp; }

namespace Voke {
namespace {

// Keeps Mesa's driver loaded for the whole test process: the window
// surface's eglTerminate would otherwise unload it, and the few blocks the
// driver keeps for the process would show up as leaks of an unknown module.
class KeepDriverLoaded : public ::testing::Environment {
public:
    void SetUp() override
    {
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay) return;
        EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY) eglInitialize(display, nullptr, nullptr);
    }
};
const auto* const g_keepDriver = ::testing::AddGlobalTestEnvironment(new KeepDriverLoaded);

// The window's pixel at (x, y) as the X server shows it, as a Color.
Color WindowPixel(::Display* display, Window window, int x, int y)
{
    XSync(display, False);
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return MakeColor(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p));
}

class WindowSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = new RecordingMaemoApp;
        surface = app->GetDisplay() ? app->GetDisplay()->GetSurface() : nullptr;
        ASSERT_NE(surface, nullptr) << "the tests need an X server (DISPLAY)";
    }

    SmartPtr<RecordingMaemoApp> app;
    MaemoSurface* surface = nullptr;
};

TEST_F(WindowSurfaceTest, FramesReachTheWindow)
{
    ASSERT_NE(Batcher::Get(), nullptr);
    EXPECT_TRUE(GetGLCaps()->glsl);
    EXPECT_EQ(GLInfo::GetVersion().rfind("OpenGL ES 2.0", 0), 0u) << GLInfo::GetVersion();
    EXPECT_EQ(surface->GetWidth(), 800);
    EXPECT_EQ(surface->GetHeight(), 480);
    auto* screen = static_cast<PixelDataGL*>(surface->GetPixelData());
    EXPECT_EQ(screen->GetFramebuffer(), 0u);

    // The game's frame: everything into a 480 x 320 back buffer, which is
    // stretched over the window.
    SmartPtr<Surface> back(new Surface(480, 320, RGB565));
    Color blue = MakeColor(0, 0, 255), red = MakeColor(255, 0, 0), green = MakeColor(0, 255, 0);
    ASSERT_TRUE(surface->BeginFrame());
    Surface::Clear(back, &blue);
    Surface::FillRect(back, 0, 0, 48, 32, &red);
    Surface::FillRect(back, 432, 288, 480, 320, &green);
    Surface::BlitWhole(surface, back, back->GetClipRect());
    auto* batcher = static_cast<OpenGLBatcher*>(Batcher::Get());
    EXPECT_GT(batcher->GetPendingVertexCount(), 0u);
    EXPECT_TRUE(surface->Present());
    EXPECT_EQ(batcher->GetPendingVertexCount(), 0u);

    ::Display* x = app->GetXDisplay();
    Window window = app->GetWindow();
    EXPECT_EQ(WindowPixel(x, window, 0, 0), red);
    EXPECT_EQ(WindowPixel(x, window, 79, 47), red);  // 48 x 32 scaled to 80 x 48
    EXPECT_EQ(WindowPixel(x, window, 80, 48), blue);
    EXPECT_EQ(WindowPixel(x, window, 400, 240), blue);
    EXPECT_EQ(WindowPixel(x, window, 799, 479), green);
    EXPECT_EQ(WindowPixel(x, window, 720, 432), green);
    EXPECT_EQ(WindowPixel(x, window, 719, 431), blue);
}

TEST_F(WindowSurfaceTest, ResizeKeepsTheSurfaceWithANewClip)
{
    surface->Resize(480, 800);
    EXPECT_EQ(surface->GetWidth(), 480);
    EXPECT_EQ(surface->GetPixelData()->GetPitch(), 960u);
    const Rect* clip = surface->GetClipRect();
    EXPECT_EQ(clip->w, 480);
    EXPECT_EQ(clip->h, 800);
    EXPECT_EQ(app->GetDisplay()->GetSurface(), surface);
}

TEST_F(WindowSurfaceTest, TheGLLayerGoesWithTheSurface)
{
    SmartPtr<Surface> image(new Surface(new MemPixelData(4, 4, RGB888)));
    Surface::Blit(surface, 0, 0, image, image->GetClipRect());
    surface->Present();
    auto* texture = static_cast<PixelDataGL*>(image->GetPixelData());
    EXPECT_TRUE(texture->IsUploaded());
    surface = nullptr;
    app.Reset();
    EXPECT_EQ(Batcher::Get(), nullptr);
    EXPECT_FALSE(texture->IsUploaded());  // its GL names went with the context
    EXPECT_EQ(texture->GetTexture(), 0u);
}

}  // namespace
}  // namespace Voke
