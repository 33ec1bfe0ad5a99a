// Shader programs and the GL capability record on the real driver.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/opengl_shader.h"
#include "engine/graphics/tint.h"
#include "tests/engine/graphics/gl_fixture.h"

namespace Voke {
namespace Test {
namespace {

using ShaderTest = GLTest;
using GLInfoTest = GLTest;

TEST_F(ShaderTest, EveryProgramCompilesAndLinksOnce)
{
    for (int i = 0; i < OpenGLBatcher::kProgramCount; ++i) {
        OpenGLShader* program = Batcher()->GetProgram(OpenGLBatcher::Program(i));
        ASSERT_TRUE(program->Use()) << "program " << i;
        uint32_t name = program->GetProgram();
        EXPECT_NE(name, 0u);
        ASSERT_TRUE(program->Use());
        EXPECT_EQ(program->GetProgram(), name) << "built twice";
    }
    SmartPtr<Tint> tint(new Tint);
    EXPECT_TRUE(tint->GetShader()->Use());
    tint->GetShader()->SetUniform3f("noSuchUniform", 1, 2, 3);  // location -1: a no-op
}

TEST_F(ShaderTest, DeleteAllLeavesSourcesToRebuildFrom)
{
    OpenGLShader* textured = Batcher()->GetProgram(OpenGLBatcher::kTextured);
    ASSERT_TRUE(textured->Use());
    OpenGLShader::DeleteAll();
    EXPECT_EQ(textured->GetProgram(), 0u);
    ASSERT_TRUE(textured->Use());
    EXPECT_NE(textured->GetProgram(), 0u);
}

// The driver's copy of a shader's source text.
std::string ShaderSource(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_SHADER_SOURCE_LENGTH, &length);
    std::vector<char> text(size_t(length > 0 ? length : 0) + 1, '\0');
    glGetShaderSource(shader, GLsizei(text.size()), nullptr, text.data());
    return text.data();
}

// Both stages of every program that reads texture coordinates declare them
// through the prelude, read back from the programs as built. A stage that
// declared them itself at mediump would compile, link and draw the same
// pictures here (this driver interpolates mediump at full precision), while
// GPUs with 16-bit mediump sample large pages up to half a texel off.
TEST_F(ShaderTest, EveryProgramThatSamplesTakesItsCoordinatesFromThePrelude)
{
    std::vector<OpenGLShader*> programs;
    for (int i = 0; i < OpenGLBatcher::kProgramCount; ++i)
        programs.push_back(Batcher()->GetProgram(OpenGLBatcher::Program(i)));
    SmartPtr<Tint> tint(new Tint);
    programs.push_back(tint->GetShader());
    const std::string prelude = OpenGLShader::TexCoordPrelude();
    for (size_t i = 0; i < programs.size(); ++i) {
        SCOPED_TRACE("program " + std::to_string(i));
        ASSERT_TRUE(programs[i]->Use());
        GLuint shaders[2] = {0, 0};
        GLsizei count = 0;
        glGetAttachedShaders(programs[i]->GetProgram(), 2, &count, shaders);
        ASSERT_EQ(count, 2);
        int stagesWithCoordinates = 0;
        for (GLuint shader : shaders) {
            const std::string source = ShaderSource(shader);
            if (source.find("vTex") == std::string::npos) continue;
            ++stagesWithCoordinates;
            EXPECT_TRUE(source.find(prelude) != std::string::npos) << "no prelude in\n" << source;
        }
        // Only the colour program samples nothing.
        EXPECT_EQ(stagesWithCoordinates, i == OpenGLBatcher::kColor ? 0 : 2);
    }
}

// Whether a fragment shader that opens with `prelude` and reads vTex
// compiles on the driver when every precision qualifier but `kept` is made a
// syntax error by a macro: it does only when the prelude declares vTex with
// `kept` (a fragment shader has no default float precision, so a declaration
// without any does not compile either).
bool CompilesWithOnly(const std::string& prelude, const std::string& kept)
{
    std::string source;
    for (const std::string precision : {"lowp", "mediump", "highp"})
        if (precision != kept) source += "#define " + precision + " not_" + kept + "\n";
    source += prelude + "void main() { gl_FragColor = vec4(vTex, vTex); }\n";
    const char* text = source.c_str();
    const GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    glDeleteShader(shader);
    return compiled == GL_TRUE;
}

// The prelude with the macro of the fragment stage's highp, on which it
// depends, renamed to one the test defines or not.
std::string PreludeWhereFragmentHighp(bool defined)
{
    std::string prelude = OpenGLShader::TexCoordPrelude();
    const std::string macro = "GL_FRAGMENT_PRECISION_HIGH";
    const std::string renamed = "TEST_FRAGMENT_PRECISION_HIGH";
    size_t at = prelude.find(macro);
    EXPECT_NE(at, std::string::npos) << "the prelude does not ask for the fragment stage's highp:\n" << prelude;
    for (; at != std::string::npos; at = prelude.find(macro, at)) prelude.replace(at, macro.size(), renamed);
    return (defined ? "#define " + renamed + " 1\n" : std::string()) + prelude;
}

// The prelude declares the coordinates highp where the fragment stage has
// highp and mediump where it lacks it, as the driver's own preprocessor and
// compiler read it, each branch taken in turn. A prelude at mediump in both
// would build and draw the same pictures here.
TEST_F(ShaderTest, ThePreludesCoordinatesAreHighpExactlyWhereTheFragmentStageHasIt)
{
    const std::string high = PreludeWhereFragmentHighp(true);
    EXPECT_TRUE(CompilesWithOnly(high, "highp")) << high;
    EXPECT_FALSE(CompilesWithOnly(high, "mediump")) << high;
    const std::string low = PreludeWhereFragmentHighp(false);
    EXPECT_TRUE(CompilesWithOnly(low, "mediump")) << low;
    EXPECT_FALSE(CompilesWithOnly(low, "highp")) << low;

    // As written, on this driver, whose fragment stage has highp.
    GLint range[2] = {0, 0};
    GLint precision = 0;
    glGetShaderPrecisionFormat(GL_FRAGMENT_SHADER, GL_HIGH_FLOAT, range, &precision);
    ASSERT_GT(precision, 0);
    EXPECT_TRUE(CompilesWithOnly(OpenGLShader::TexCoordPrelude(), "highp"));
}

TEST_F(ShaderTest, CompileFailureIsOneLineAndAFailureReturn)
{
    SmartPtr<OpenGLShader> broken(new OpenGLShader);
    broken->SetSources(OpenGLShader::TexturedVertexSource(), "void main() { gl_FragColor = undeclared; }\n");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(broken->Use());
    EXPECT_FALSE(broken->Use());  // not retried, not reported again
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("OpenGLShader: fragment shader does not compile: ", 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
    EXPECT_EQ(broken->GetProgram(), 0u);

    SmartPtr<OpenGLShader> unlinked(new OpenGLShader);
    // Both compile, but the varying the fragment reads is never written.
    unlinked->SetSources(OpenGLShader::ColorVertexSource(),
                         "varying mediump vec2 vMissing;\nvoid main() { gl_FragColor = vec4(vMissing, 0.0, 1.0); }\n");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(unlinked->Use());
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("OpenGLShader: program does not link: ", 0), 0u) << out;
}

TEST_F(GLInfoTest, ReportsTheDriversRealFacts)
{
    const GLCaps* caps = GetGLCaps();
    EXPECT_TRUE(caps->fbo && caps->vbo && caps->glsl);
    EXPECT_TRUE(caps->dxtc);
    EXPECT_TRUE(caps->etc);
    EXPECT_FALSE(caps->pvr);
    EXPECT_GE(caps->maxTextureSize, 2048);
    EXPECT_GE(caps->textureUnits, 8);
    EXPECT_EQ(GLInfo::GetVersion().rfind("OpenGL ES 2.0", 0), 0u) << GLInfo::GetVersion();
    EXPECT_FALSE(GLInfo::GetRenderer().empty());
    EXPECT_TRUE(GLInfo::HasExtension("GL_EXT_texture_compression_s3tc"));
    EXPECT_FALSE(GLInfo::HasExtension("GL_EXT_texture_compression"));

    SmartPtr<Voke::Batcher> old(Voke::Batcher::Get());
    GLInfo::Init();
    EXPECT_NE(Voke::Batcher::Get(), old.Get());
    EXPECT_TRUE(Voke::Batcher::Get()->SetScale(1.0f));
}

}  // namespace
}  // namespace Test
}  // namespace Voke
