// Shader programs: one OpenGL ES 2.0 program from a vertex and a fragment
// source, built lazily on first use. Every program is registered so that all
// GL objects can be deleted when the context goes away and rebuilt on their
// next use. Main thread only (the registry has no lock).
//
// Every vertex source gets the position define prepended and ends its main
// function with GLPOSITION; attributes are bound as inPos 0, inUV 1,
// inColor 2; samplers "tex" on unit 0 and "tex2" on unit 1. inUV arrives in
// the batcher's texture units (BatcherVertex), which the built-in vertex
// sources scale to 0..1. Every built-in source that reads texture
// coordinates declares the varying vTex through TexCoordPrelude(), so both
// stages of a program agree on its precision.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/ref_counter.h"

namespace Voke {

class OpenGLShader : public RefCounter {
public:
    explicit OpenGLShader(bool twoTextures = false);
    ~OpenGLShader() override;
    OpenGLShader(const OpenGLShader&) = delete;
    OpenGLShader& operator=(const OpenGLShader&) = delete;

    // Copies both sources; no GL call.
    void SetSources(const std::string& vertex, const std::string& fragment);

    // Builds the program if it has none, makes it current and points "tex"
    // (and "tex2") at units 0 (and 1). A compile or link failure prints one
    // line with the driver's log on standard output, once, and returns false;
    // the program is then not retried until DeleteAll/Release.
    bool Use(uint32_t framebuffer = 0);
    // The GL program name, 0 while unbuilt.
    uint32_t GetProgram(uint32_t /*framebuffer*/ = 0) const { return m_program; }

    // Set a uniform of this program by name (looked up at every call; an
    // unknown name is a no-op). GL applies it to the current program, so the
    // caller makes this one current first.
    void SetUniform1i(const char* name, int v) const;
    void SetUniform1f(const char* name, float v) const;
    void SetUniform2f(const char* name, float a, float b) const;
    void SetUniform3f(const char* name, float a, float b, float c) const;

    static void Unbind();
    // Deletes the GL objects of every registered program; sources stay.
    static void DeleteAll();
    // Deletes this program's GL objects; the next Use rebuilds it.
    void Release();

    // The vertex position define prepended to every vertex source.
    static const char* PositionDefine();
    // The declaration of the texture coordinate varying vTex, highp where
    // the fragment stage has highp and mediump elsewhere; it opens every
    // built-in source that reads texture coordinates, in both stages.
    static const char* TexCoordPrelude();

    // Sources of the built-in programs and the tint effect.
    static const char* TexturedVertexSource();
    static const char* ColorVertexSource();
    static const char* UVOnlyVertexSource();
    static const char* KeyFragmentSource();
    static const char* TexturedFragmentSource();
    static const char* PlainFragmentSource();
    static const char* MaskFragmentSource();
    static const char* FontFragmentSource();
    static const char* ColorFragmentSource();
    static const char* FlashFragmentSource();
    static const char* TintFragmentSource();

private:
    bool Build();

    uint32_t m_program = 0;
    bool m_twoTextures;
    bool m_failed = false;  // the last build failed; not retried until released
    uint32_t m_vertexShader = 0;
    uint32_t m_fragmentShader = 0;
    std::string m_vertexSource;
    std::string m_fragmentSource;
};

}  // namespace Voke
