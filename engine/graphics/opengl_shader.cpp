#include "engine/graphics/opengl_shader.h"

#include <GLES2/gl2.h>

#include <set>
#include <vector>

#include "engine/core/report.h"
#include "engine/graphics/batcher.h"

namespace Voke {

namespace {

// Live programs; main thread only.
std::set<OpenGLShader*>& Registry()
{
    static std::set<OpenGLShader*> registry;
    return registry;
}

// Positions and the pixel-to-clip mapping are highp: at mediump the mapped
// right or bottom edge of a target wider or taller than 1024 px can fall
// more than half a pixel short, leaving its last column or row undrawn.
// Vertex shaders always have highp.
const char kPositionDefine[] =
    "#define GLPOSITION gl_Position = vec4( inPos.x * screen[0] - 1.0, inPos.y * screen[1] - screen[2], 0.0, 1.0 );\n";

// Texture coordinates at the precision of the positions wherever the
// fragment stage has it: at mediump, 16-bit floats on many GPUs, a
// coordinate in the right half of a 2048-texel page is off by up to half a
// texel. Every program that samples declares vTex through this one text, in
// both of its stages: GL_FRAGMENT_PRECISION_HIGH is defined alike in the
// vertex and the fragment stage, so the two declarations always agree
// (highp in both, or mediump in both where the fragment stage lacks highp).
#define TEXCOORD_PRELUDE                     \
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"    \
    "varying highp vec2 vTex;\n"             \
    "#else\n"                                \
    "varying mediump vec2 vTex;\n"           \
    "#endif\n"
const char kTexCoordPrelude[] = TEXCOORD_PRELUDE;

const char kTexturedVertex[] =
    TEXCOORD_PRELUDE
    "uniform highp vec3 screen;\n"
    "attribute highp vec2 inPos;\n"
    "attribute highp vec2 inUV;\n"
    "attribute lowp vec4 inColor;\n"
    "varying lowp vec4 vColor;\n"
    "void main() {\n"
    "  vTex = inUV * (1.0 / 32768.0);\n"
    "  vColor = inColor;\n"
    "  GLPOSITION\n"
    "}\n";

const char kColorVertex[] =
    "uniform highp vec3 screen;\n"
    "attribute highp vec2 inPos;\n"
    "attribute lowp vec4 inColor;\n"
    "varying lowp vec4 vColor;\n"
    "void main() {\n"
    "  vColor = inColor;\n"
    "  GLPOSITION\n"
    "}\n";

const char kUVOnlyVertex[] =
    TEXCOORD_PRELUDE
    "uniform highp vec3 screen;\n"
    "attribute highp vec2 inPos;\n"
    "attribute highp vec2 inUV;\n"
    "void main() {\n"
    "  vTex = inUV * (1.0 / 32768.0);\n"
    "  GLPOSITION\n"
    "}\n";

const char kKeyFragment[] =
    TEXCOORD_PRELUDE
    "varying lowp vec4 vColor;\n"
    "uniform lowp sampler2D tex;\n"
    "uniform lowp vec3 key;\n"
    "void main() {\n"
    "  lowp vec4 t = texture2D(tex, vTex);\n"
    "  if (t.rgb == key) discard;\n"
    "  gl_FragColor = t * vColor;\n"
    "}\n";

const char kTexturedFragment[] =
    TEXCOORD_PRELUDE
    "varying lowp vec4 vColor;\n"
    "uniform lowp sampler2D tex;\n"
    "void main() {\n"
    "  gl_FragColor = texture2D(tex, vTex) * vColor;\n"
    "}\n";

// The texel alone: the textured program for opaque white vertices, which
// most pixels go through (every sprite drawn as it is, and the back buffer's
// stretch over the window). Its sampler is highp where the fragment language
// has it: a low-precision texel is converted through half floats, which keeps
// a software rasteriser (Mesa's llvmpipe) off its fast 8-bit path. The
// textured program keeps lowp: on that path texel times colour left some
// blended images undrawn.
#define TEXTURE_SAMPLER                      \
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"    \
    "uniform highp sampler2D tex;\n"         \
    "#else\n"                                \
    "uniform lowp sampler2D tex;\n"          \
    "#endif\n"
const char kPlainFragment[] =
    TEXCOORD_PRELUDE
    TEXTURE_SAMPLER
    "void main() {\n"
    "  gl_FragColor = texture2D(tex, vTex);\n"
    "}\n";
#undef TEXTURE_SAMPLER

// tex holds transparency in its red channel, tex2 the colour.
const char kMaskFragment[] =
    TEXCOORD_PRELUDE
    "varying lowp vec4 vColor;\n"
    "uniform lowp sampler2D tex;\n"
    "uniform lowp sampler2D tex2;\n"
    "void main() {\n"
    "  gl_FragColor = vec4(texture2D(tex2, vTex).rgb, 1.0 - texture2D(tex, vTex).r) * vColor;\n"
    "}\n";

const char kFontFragment[] =
    TEXCOORD_PRELUDE
    "varying lowp vec4 vColor;\n"
    "uniform lowp sampler2D tex;\n"
    "void main() {\n"
    "  gl_FragColor = vColor * vec4(1.0, 1.0, 1.0, texture2D(tex, vTex).a);\n"
    "}\n";

const char kColorFragment[] =
    "varying lowp vec4 vColor;\n"
    "void main() {\n"
    "  gl_FragColor = vColor;\n"
    "}\n";

const char kFlashFragment[] =
    TEXCOORD_PRELUDE
    "uniform lowp sampler2D tex;\n"
    "uniform lowp vec3 vColor;\n"
    "void main() {\n"
    "  gl_FragColor = vec4(vColor * 0.9, 1.0) + texture2D(tex, vTex) * 0.1;\n"
    "}\n";

// The colour may exceed 1.0 (an over-bright tint), hence mediump.
const char kTintFragment[] =
    TEXCOORD_PRELUDE
    "uniform lowp sampler2D tex;\n"
    "uniform mediump vec3 vColor;\n"
    "void main() {\n"
    "  gl_FragColor = texture2D(tex, vTex) * vec4(vColor, 1.0);\n"
    "}\n";
#undef TEXCOORD_PRELUDE

// The first line of a driver log, for a one-line report.
// The first line of a shader's or program's info log, read with the matching
// pair of GL queries.
std::string FirstLogLine(GLuint object, void (*getParameter)(GLuint, GLenum, GLint*),
                         void (*getLog)(GLuint, GLsizei, GLsizei*, GLchar*))
{
    GLint length = 0;
    getParameter(object, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(size_t(length > 0 ? length : 0) + 1, '\0');
    if (length > 0) getLog(object, length, nullptr, log.data());
    std::string line(log.data());
    size_t end = line.find_first_of("\r\n");
    if (end != std::string::npos) line.resize(end);
    return line.empty() ? std::string("no log") : line;
}

// Compiles one shader; on failure prints one line and returns 0.
GLuint Compile(GLenum kind, const std::string& source)
{
    GLuint shader = glCreateShader(kind);
    if (!shader) {
        ReportError("OpenGLShader: glCreateShader failed (GL error 0x%x)", glGetError());
        return 0;
    }
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        ReportError("OpenGLShader: %s shader does not compile: %s", kind == GL_VERTEX_SHADER ? "vertex" : "fragment",
                    FirstLogLine(shader, glGetShaderiv, glGetShaderInfoLog).c_str());
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

OpenGLShader::OpenGLShader(bool twoTextures) : m_twoTextures(twoTextures) { Registry().insert(this); }

OpenGLShader::~OpenGLShader()
{
    Release();
    Registry().erase(this);
}

void OpenGLShader::SetSources(const std::string& vertex, const std::string& fragment)
{
    m_vertexSource = vertex;
    m_fragmentSource = fragment;
    m_failed = false;
}

bool OpenGLShader::Build()
{
    m_vertexShader = Compile(GL_VERTEX_SHADER, kPositionDefine + m_vertexSource);
    m_fragmentShader = m_vertexShader ? Compile(GL_FRAGMENT_SHADER, m_fragmentSource) : 0;
    if (!m_fragmentShader) {
        Release();
        return false;
    }
    m_program = glCreateProgram();
    glAttachShader(m_program, m_vertexShader);
    glAttachShader(m_program, m_fragmentShader);
    glBindAttribLocation(m_program, 0, "inPos");
    glBindAttribLocation(m_program, 1, "inUV");
    glBindAttribLocation(m_program, 2, "inColor");
    glLinkProgram(m_program);
    GLint ok = GL_FALSE;
    glGetProgramiv(m_program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        ReportError("OpenGLShader: program does not link: %s",
                    FirstLogLine(m_program, glGetProgramiv, glGetProgramInfoLog).c_str());
        Release();
        return false;
    }
    return true;
}

bool OpenGLShader::Use(uint32_t)
{
    if (!m_program) {
        if (m_failed) return false;
        if (!Build()) {
            m_failed = true;
            return false;
        }
    }
    glUseProgram(m_program);
    ++GetRenderStats().programSwitches;
    SetUniform1i("tex", 0);
    if (m_twoTextures) SetUniform1i("tex2", 1);
    return true;
}

void OpenGLShader::SetUniform1i(const char* name, int v) const
{
    if (m_program) glUniform1i(glGetUniformLocation(m_program, name), v);
}

void OpenGLShader::SetUniform1f(const char* name, float v) const
{
    if (m_program) glUniform1f(glGetUniformLocation(m_program, name), v);
}

void OpenGLShader::SetUniform2f(const char* name, float a, float b) const
{
    if (m_program) glUniform2f(glGetUniformLocation(m_program, name), a, b);
}

void OpenGLShader::SetUniform3f(const char* name, float a, float b, float c) const
{
    if (m_program) glUniform3f(glGetUniformLocation(m_program, name), a, b, c);
}

void OpenGLShader::Unbind() { glUseProgram(0); }

void OpenGLShader::DeleteAll()
{
    for (OpenGLShader* shader : Registry()) shader->Release();
}

void OpenGLShader::Release()
{
    if (m_program) glDeleteProgram(m_program);
    if (m_vertexShader) glDeleteShader(m_vertexShader);
    if (m_fragmentShader) glDeleteShader(m_fragmentShader);
    m_program = m_vertexShader = m_fragmentShader = 0;
    m_failed = false;
}

const char* OpenGLShader::PositionDefine() { return kPositionDefine; }
const char* OpenGLShader::TexCoordPrelude() { return kTexCoordPrelude; }
const char* OpenGLShader::TexturedVertexSource() { return kTexturedVertex; }
const char* OpenGLShader::ColorVertexSource() { return kColorVertex; }
const char* OpenGLShader::UVOnlyVertexSource() { return kUVOnlyVertex; }
const char* OpenGLShader::KeyFragmentSource() { return kKeyFragment; }
const char* OpenGLShader::TexturedFragmentSource() { return kTexturedFragment; }
const char* OpenGLShader::PlainFragmentSource() { return kPlainFragment; }
const char* OpenGLShader::MaskFragmentSource() { return kMaskFragment; }
const char* OpenGLShader::FontFragmentSource() { return kFontFragment; }
const char* OpenGLShader::ColorFragmentSource() { return kColorFragment; }
const char* OpenGLShader::FlashFragmentSource() { return kFlashFragment; }
const char* OpenGLShader::TintFragmentSource() { return kTintFragment; }

}  // namespace Voke
