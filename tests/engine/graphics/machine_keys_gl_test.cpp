// The "/machine" keys that read the renderer and the window surface, with
// the real driver's facts.
#include <gtest/gtest.h>

#include <string>

#include "engine/app/abstract_app.h"
#include "engine/app/display.h"
#include "engine/app/machine_keys.h"
#include "engine/core/registry.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/maemo_surface.h"
#include "tests/engine/graphics/gl_fixture.h"

namespace Voke {
namespace Test {
namespace {

using MachineKeysGLTest = GLTest;

// A window surface on framebuffer pixel data of its own, without EGL objects.
class SizedSurface : public MaemoSurface {
public:
    SizedSurface(int width, int height) : MaemoSurface(width, height) {}
};

TEST_F(MachineKeysGLTest, ReportTheDriversFacts)
{
    SmartPtr<Registry> registry(new Registry);
    InstallMachineKeys(*registry);
    bool s3tc = false, etc = false, pvr = true, fbo = false, glsl = false, vbo = false;
    int texsize = 0, tmu = 0;
    std::string version, renderer, vendor;
    EXPECT_TRUE(registry->Get("/machine/gl/dxtc", s3tc));
    EXPECT_TRUE(registry->Get("/machine/gl/etc", etc));
    EXPECT_TRUE(registry->Get("/machine/gl/pvr", pvr));
    EXPECT_TRUE(registry->Get("/machine/gl/fbo", fbo));
    EXPECT_TRUE(registry->Get("/machine/gl/glsl", glsl));
    EXPECT_TRUE(registry->Get("/machine/gl/vbo", vbo));
    EXPECT_TRUE(registry->Get("/machine/gl/texsize", texsize));
    EXPECT_TRUE(registry->Get("/machine/gl/tmu", tmu));
    EXPECT_TRUE(registry->Get("/machine/gl/version", version));
    EXPECT_TRUE(registry->Get("/machine/gl/renderer", renderer));
    EXPECT_TRUE(registry->Get("/machine/gl/vendor", vendor));
    EXPECT_TRUE(s3tc);
    EXPECT_TRUE(etc);
    EXPECT_FALSE(pvr);
    EXPECT_TRUE(fbo && glsl && vbo);
    EXPECT_EQ(texsize, GetGLCaps()->maxTextureSize);
    EXPECT_GT(texsize, 0);
    EXPECT_EQ(tmu, GetGLCaps()->textureUnits);
    EXPECT_EQ(version.rfind("OpenGL ES 2.0", 0), 0u) << version;
    EXPECT_NE(renderer.find("llvmpipe"), std::string::npos) << renderer;
    EXPECT_FALSE(vendor.empty());
    EXPECT_FALSE(registry->Set("/machine/gl/pvr", true));
}

TEST_F(MachineKeysGLTest, ResolutionIsTheWindowSurfaceSize)
{
    SmartPtr<Registry> registry(new Registry);
    InstallMachineKeys(*registry);
    SmartPtr<AbstractApp> app(new AbstractApp(0));
    SmartPtr<MaemoSurface> window(new SizedSurface(800, 480));
    app->SetDisplay(new Display(window));
    int x = 0, y = 0;
    EXPECT_TRUE(registry->Get("/machine/resolution/x", x));
    EXPECT_TRUE(registry->Get("/machine/resolution/y", y));
    EXPECT_EQ(x, 800);
    EXPECT_EQ(y, 480);
    window->Resize(480, 800);
    EXPECT_TRUE(registry->Get("/machine/resolution/x", x));
    EXPECT_EQ(x, 480);
    EXPECT_EQ(window->GetClipRect()->h, 800);
}

}  // namespace
}  // namespace Test
}  // namespace Voke
