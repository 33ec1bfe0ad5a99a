#include <GLES2/gl2.h>

#include <cctype>

#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/opengl_shader.h"
#include "engine/graphics/pixel_data_gl.h"

namespace Voke {

SmartPtr<Batcher> Batcher::s_global;

bool Batcher::SetScale(const float&) { return false; }

namespace {

// Filled by GLInfo::Init on the main thread before the loader thread starts.
GLCaps g_caps = {};
std::string g_vendor;
std::string g_renderer;
std::string g_version;
std::set<std::string> g_extensions;
RenderStats g_stats;

std::string GLString(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

}  // namespace

GLCaps* GetGLCaps() { return &g_caps; }

RenderStats& GetRenderStats() { return g_stats; }

std::string GLInfo::GetVendor() { return g_vendor; }
std::string GLInfo::GetRenderer() { return g_renderer; }
std::string GLInfo::GetVersion() { return g_version; }

bool GLInfo::HasExtension(const std::string& name) { return g_extensions.count(name) != 0; }

void GLInfo::SplitExtensions(const char* text, std::set<std::string>& out)
{
    if (!text) return;
    const char* p = text;
    while (*p) {
        while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
        const char* start = p;
        while (*p && !std::isspace(static_cast<unsigned char>(*p))) ++p;
        if (p > start) out.insert(std::string(start, p));
    }
}

bool GLInfo::Init()
{
    SplitExtensions(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), g_extensions);
    g_vendor = GLString(GL_VENDOR);
    g_renderer = GLString(GL_RENDERER);
    g_version = GLString(GL_VERSION);
    // OpenGL ES 2.0 has all three.
    g_caps.fbo = true;
    g_caps.vbo = true;
    g_caps.glsl = true;
    if (HasExtension("GL_IMG_texture_compression_pvrtc")) g_caps.pvr = true;
    if (HasExtension("GL_EXT_texture_compression_s3tc")) g_caps.dxtc = true;
    if (HasExtension("GL_OES_compressed_ETC1_RGB8_texture")) g_caps.etc = true;
    if (HasExtension("GL_EXT_texture_format_BGRA8888")) g_caps.bgra = true;
    GLint value = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    g_caps.maxTextureSize = value;
    value = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &value);
    g_caps.textureUnits = value;
    // The old batcher goes first: its programs must not outlive its buffers.
    Batcher::s_global.Reset();
    Batcher::s_global = new OpenGLBatcher;
    return true;
}

void GLInfo::Shutdown()
{
    Batcher::s_global.Reset();
    PixelDataGL::ReleaseAll();
    OpenGLShader::DeleteAll();
}

}  // namespace Voke
