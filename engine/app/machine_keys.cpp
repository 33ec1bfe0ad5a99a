#include "engine/app/machine_keys.h"

#include <string>

#include "engine/app/abstract_app.h"
#include "engine/app/display.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/maemo_surface.h"

namespace Voke {
namespace {

// The renderer's facts, as GL initialisation recorded them (zeros and empty
// strings before a GL context exists).
const GLCaps& ReadGLCaps() { return *GetGLCaps(); }
std::string ReadGLVendor() { return GLInfo::GetVendor(); }
std::string ReadGLRenderer() { return GLInfo::GetRenderer(); }
std::string ReadGLVersion() { return GLInfo::GetVersion(); }

Display* CurrentDisplay()
{
    AbstractApp* app = AbstractApp::Instance();
    return app ? app->GetDisplay() : nullptr;
}

// The window surface's size; 0 without a display or surface.
int WindowSurfaceWidth()
{
    Display* display = CurrentDisplay();
    MaemoSurface* surface = display ? display->GetSurface() : nullptr;
    return surface ? surface->GetWidth() : 0;
}

int WindowSurfaceHeight()
{
    Display* display = CurrentDisplay();
    MaemoSurface* surface = display ? display->GetSurface() : nullptr;
    return surface ? surface->GetHeight() : 0;
}

}  // namespace

Any MachineKeyResolutionX::Get() const { return Any(WindowSurfaceWidth()); }
Any MachineKeyResolutionY::Get() const { return Any(WindowSurfaceHeight()); }

int MachineKeyOrientation::ToDegrees(int orientation)
{
    switch (orientation) {
    case 1: return 0;
    case 2: return 90;
    case 4: return 180;
    case 8: return 270;
    default: return 0;
    }
}

Any MachineKeyOrientation::Get() const
{
    Display* display = CurrentDisplay();
    return Any(display ? ToDegrees(display->GetOrientation()) : 0);
}

Any MachineKeyPlatform::Get() const { return Any(std::string("maemo")); }

Any MachineKeyGL_FBO::Get() const { return Any(ReadGLCaps().fbo); }
Any MachineKeyGL_GLSL::Get() const { return Any(ReadGLCaps().glsl); }
Any MachineKeyGL_VBO::Get() const { return Any(ReadGLCaps().vbo); }
Any MachineKeyGL_PVR::Get() const { return Any(ReadGLCaps().pvr); }
Any MachineKeyGL_DXTC::Get() const { return Any(ReadGLCaps().dxtc); }
Any MachineKeyGL_ETC::Get() const { return Any(ReadGLCaps().etc); }
Any MachineKeyGLTextureSize::Get() const { return Any(ReadGLCaps().maxTextureSize); }
Any MachineKeyGLTextureUnits::Get() const { return Any(ReadGLCaps().textureUnits); }
Any MachineKeyGLVendor::Get() const { return Any(ReadGLVendor()); }
Any MachineKeyGLRenderer::Get() const { return Any(ReadGLRenderer()); }
Any MachineKeyGLVersion::Get() const { return Any(ReadGLVersion()); }

void InstallMachineKeys(Registry& registry)
{
    registry.AddMachineKey("/machine/resolution", "x", new MachineKeyResolutionX);
    registry.AddMachineKey("/machine/resolution", "y", new MachineKeyResolutionY);
    registry.AddMachineKey("/machine", "orientation", new MachineKeyOrientation);
    registry.AddMachineKey("/machine", "platform", new MachineKeyPlatform);
    registry.AddMachineKey("/machine/gl", "fbo", new MachineKeyGL_FBO);
    registry.AddMachineKey("/machine/gl", "glsl", new MachineKeyGL_GLSL);
    registry.AddMachineKey("/machine/gl", "vbo", new MachineKeyGL_VBO);
    registry.AddMachineKey("/machine/gl", "pvr", new MachineKeyGL_PVR);
    registry.AddMachineKey("/machine/gl", "dxtc", new MachineKeyGL_DXTC);
    registry.AddMachineKey("/machine/gl", "etc", new MachineKeyGL_ETC);
    registry.AddMachineKey("/machine/gl", "texsize", new MachineKeyGLTextureSize);
    registry.AddMachineKey("/machine/gl", "tmu", new MachineKeyGLTextureUnits);
    registry.AddMachineKey("/machine/gl", "vendor", new MachineKeyGLVendor);
    registry.AddMachineKey("/machine/gl", "renderer", new MachineKeyGLRenderer);
    registry.AddMachineKey("/machine/gl", "version", new MachineKeyGLVersion);
}

}  // namespace Voke
