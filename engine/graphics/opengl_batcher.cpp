#include "engine/graphics/opengl_batcher.h"

#include <GLES2/gl2.h>

#include <cstdio>
#include <cstring>

#include "engine/graphics/pixel_data_gl.h"

namespace Voke {

namespace {

float g_drawingScale = 1.0f;  // shared by all batchers; main thread only

constexpr uint32_t kVertexBytes = OpenGLBatcher::kMaxVertices * sizeof(BatcherVertex);

}  // namespace

float OpenGLBatcher::GetDrawingScale() { return g_drawingScale; }

OpenGLBatcher::OpenGLBatcher()
    : m_vertices(new uint8_t[kVertexBytes]),
      m_indices(new uint8_t[kIndexBytes]),
      m_programs{OpenGLShader(false), OpenGLShader(false), OpenGLShader(true),
                 OpenGLShader(false), OpenGLShader(false), OpenGLShader(false)}
{
    const GLCaps* caps = GetGLCaps();
    if (caps->vbo) {
        m_useBuffers = true;
        GLuint names[2] = {0, 0};
        glGenBuffers(2, names);
        m_vertexBuffer = names[0];
        m_indexBuffer = names[1];
        // Both stay bound for the batcher's life.
        glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    } else {
        m_indexPointer = m_indices;
    }
    if (caps->glsl) {
        m_shadersEnabled = true;
        m_programs[kKey].SetSources(OpenGLShader::TexturedVertexSource(), OpenGLShader::KeyFragmentSource());
        m_programs[kTextured].SetSources(OpenGLShader::TexturedVertexSource(),
                                         OpenGLShader::TexturedFragmentSource());
        m_programs[kMask].SetSources(OpenGLShader::TexturedVertexSource(), OpenGLShader::MaskFragmentSource());
        m_programs[kFont].SetSources(OpenGLShader::TexturedVertexSource(), OpenGLShader::FontFragmentSource());
        m_programs[kColor].SetSources(OpenGLShader::ColorVertexSource(), OpenGLShader::ColorFragmentSource());
        m_programs[kFlash].SetSources(OpenGLShader::UVOnlyVertexSource(), OpenGLShader::FlashFragmentSource());
        SelectProgram(&m_programs[kTextured]);
    }
    const uint8_t* base = m_useBuffers ? nullptr : m_vertices;
    for (GLuint i = 0; i < 3; ++i) glEnableVertexAttribArray(i);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(BatcherVertex), base);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(BatcherVertex), base + 8);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(BatcherVertex), base + 16);
    SetTexturing(true);
}

OpenGLBatcher::~OpenGLBatcher()
{
    for (GLuint i = 0; i < 3; ++i) glDisableVertexAttribArray(i);
    if (m_useBuffers) {
        GLuint names[2] = {m_vertexBuffer, m_indexBuffer};
        glDeleteBuffers(2, names);
    }
    delete[] m_vertices;
    delete[] m_indices;
    // The programs (members) delete their GL objects as they are destroyed.
}

void OpenGLBatcher::BindTexture(uint32_t name)
{
    glBindTexture(GL_TEXTURE_2D, name);
    ++GetRenderStats().textureBinds;
}

void OpenGLBatcher::SetViewport(int width, int height, uint32_t framebuffer, OpenGLShader* program, float scale)
{
    if (width <= 0 || height <= 0) return;
    if (program) {
        if (framebuffer == 0)  // the window: y grows downwards
            program->SetUniform3f("screen", 2.0f / (scale * float(width)), -2.0f / (scale * float(height)), -1.0f);
        else  // a texture: its first row is the image's top row
            program->SetUniform3f("screen", 2.0f / float(width), 2.0f / float(height), 1.0f);
    }
    glViewport(0, 0, width, height);
}

void OpenGLBatcher::SelectProgram(OpenGLShader* program)
{
    if (program == m_currentShader && program->GetProgram() == m_currentProgram && m_currentProgram) return;
    program->Use();
    m_currentShader = program;
    m_currentProgram = program->GetProgram();
    SetViewport(m_viewportWidth, m_viewportHeight, m_framebuffer, program, g_drawingScale);
    if (program == &m_programs[kKey])
        program->SetUniform3f("key", m_keyColor[0], m_keyColor[1], m_keyColor[2]);
}

// The built-in program for the recorded state: colour when untextured; mask
// for a composite source (even with the key on); key when the key is on;
// font for an alpha-only texture; textured otherwise.
void OpenGLBatcher::SelectStateProgram()
{
    if (!m_shadersEnabled || m_shaderOverride) return;
    if (!m_texturing) SelectProgram(&m_programs[kColor]);
    else if (m_compositeBound) SelectProgram(&m_programs[kMask]);
    else if (m_keyEnabled) SelectProgram(&m_programs[kKey]);
    else if (m_alphaOnlyBound) SelectProgram(&m_programs[kFont]);
    else SelectProgram(&m_programs[kTextured]);
}

void OpenGLBatcher::SetBlending(bool on)
{
    if (on == m_blending) return;
    Flush();
    if (on) glEnable(GL_BLEND);
    else glDisable(GL_BLEND);
    m_blending = on;
}

void OpenGLBatcher::SetTexture(PixelData* source, uint32_t flags, uint8_t alpha)
{
    if (!source) return;
    source->Touch();
    if (source->GetKind() == PixelData::kTexture) {
        PixelDataGL* texture = static_cast<PixelDataGL*>(source);
        if (m_boundTexture != texture->GetTexture() || !texture->IsUploaded() || m_compositeBound) {
            Flush();
            m_compositeBound = false;
            m_boundAlphaTexture = 0;
            if (!texture->IsUploaded()) texture->Upload(flags);
            else BindTexture(texture->GetTexture());
            m_alphaOnlyBound = texture->GetFormat() == A8;
            SelectStateProgram();
            m_boundTexture = texture->GetTexture();
        }
    } else if (source->GetKind() == PixelData::kComposite) {
        PixelDataComposite* composite = static_cast<PixelDataComposite*>(source);
        PixelDataGL* color = composite->GetColor();
        PixelDataGL* alphaPart = composite->GetAlpha();
        if (m_boundTexture != color->GetTexture() || !color->IsUploaded() || !alphaPart->IsUploaded() ||
            !m_compositeBound) {
            Flush();
            composite->Upload(flags);
            BindTexture(alphaPart->GetTexture());
            glActiveTexture(GL_TEXTURE1);
            BindTexture(color->GetTexture());
            glActiveTexture(GL_TEXTURE0);
            m_compositeBound = true;
            m_alphaOnlyBound = false;
            if (m_shadersEnabled) SelectProgram(&m_programs[kMask]);
            m_boundTexture = color->GetTexture();
            m_boundAlphaTexture = alphaPart->GetTexture();
        }
    } else {
        return;  // CPU-side pixel data is never bound
    }
    bool opaque = PixelData::GetFormatInfo(source->GetFormat()).alphaBits == 0 && alpha == 255 && m_blendMode != 1;
    SetBlending(!opaque);
}

void OpenGLBatcher::SetRenderTarget(PixelDataGL* target, uint32_t flags)
{
    if (!target) return;
    target->Touch();
    if (m_framebuffer == target->GetFramebuffer() && target->IsUploaded() &&
        m_viewportWidth == target->GetWidth() && m_viewportHeight == target->GetHeight())
        return;
    Flush();
    if (!target->IsUploaded()) {
        // An empty texture for a new off-screen surface; creating it binds it
        // on unit 0, where the current program reads the bound source: the
        // alpha part for a composite (its colour stays on unit 1).
        target->Upload(flags);
        BindTexture(m_compositeBound ? m_boundAlphaTexture : m_boundTexture);
    }
    bool resized = m_viewportWidth != target->GetWidth() || m_viewportHeight != target->GetHeight();
    if (GetGLCaps()->fbo && target->GetFramebuffer() != m_framebuffer) {
        if (target->GetFramebuffer() == PixelDataGL::NoFramebuffer) {
            GLuint fb = 0;
            glGenFramebuffers(1, &fb);
            glBindFramebuffer(GL_FRAMEBUFFER, fb);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target->GetTexture(), 0);
            GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
            if (status != GL_FRAMEBUFFER_COMPLETE)
                std::printf("OpenGLBatcher: render target %dx%d is not drawable (framebuffer status 0x%x)\n",
                            target->GetWidth(), target->GetHeight(), status);
            target->SetFramebuffer(fb);
        } else {
            glBindFramebuffer(GL_FRAMEBUFFER, target->GetFramebuffer());
        }
        m_framebuffer = target->GetFramebuffer();
        resized = true;
    }
    if (resized) {
        // The current program was deleted and rebuilt since it was recorded
        // (a GL shutdown between frames): make it current again.
        if (m_shadersEnabled && m_currentShader && m_currentShader->GetProgram() != m_currentProgram) {
            m_currentShader->Use();
            m_currentProgram = m_currentShader->GetProgram();
            if (m_currentShader == &m_programs[kKey])
                m_currentShader->SetUniform3f("key", m_keyColor[0], m_keyColor[1], m_keyColor[2]);
        }
        SetViewport(target->GetWidth(), target->GetHeight(), m_framebuffer, m_currentShader, g_drawingScale);
    }
    m_viewportWidth = target->GetWidth();
    m_viewportHeight = target->GetHeight();
}

void OpenGLBatcher::SetBlendMode(int mode)
{
    if (mode == m_blendMode) return;
    Flush();
    if (mode == 0) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else if (mode == 1) {
        SetBlending(true);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    }
    m_blendMode = mode;
}

void OpenGLBatcher::SetOpacityHint(uint8_t alpha)
{
    SetBlending(alpha != 255 || m_blendMode == 1);
}

void OpenGLBatcher::SetColorKey(bool enable, float r, float g, float b)
{
    if (!m_shadersEnabled || m_shaderOverride) return;
    if (enable == m_keyEnabled &&
        (!enable || (r == m_keyColor[0] && g == m_keyColor[1] && b == m_keyColor[2])))
        return;
    Flush();
    m_keyEnabled = enable;
    if (enable) {
        m_keyColor[0] = r;
        m_keyColor[1] = g;
        m_keyColor[2] = b;
    }
    if (m_texturing) SelectStateProgram();
    if (enable && m_currentShader == &m_programs[kKey]) m_currentShader->SetUniform3f("key", r, g, b);
}

void OpenGLBatcher::SetClipRect(const Rect* rect)
{
    if (!rect) return;
    Rect r = *rect;
    if (m_framebuffer == 0)  // GL counts window rows from the bottom
        r.y = int(float(m_viewportHeight) * g_drawingScale - float(rect->y) - float(rect->h));
    if (r == m_scissor) return;
    Flush();
    glScissor(r.x, r.y, r.w, r.h);
    m_scissor = r;
}

void OpenGLBatcher::SetTexturing(bool on)
{
    if (on == m_texturing) return;
    Flush();
    m_texturing = on;
    SelectStateProgram();
}

void OpenGLBatcher::SetLineMode(bool on)
{
    if (on == m_lineMode) return;
    Flush();
    m_lineMode = on;
}

void OpenGLBatcher::SetShader(OpenGLShader* program)
{
    if (!m_shadersEnabled) return;
    if (!program) {
        if (!m_shaderOverride) return;
        // Geometry added under the caller's program is drawn with it; what
        // follows uses the built-in program for the current state.
        Flush();
        m_shaderOverride = false;
        SelectStateProgram();
        return;
    }
    Flush();
    m_shaderOverride = true;
    SelectProgram(program);
}

void OpenGLBatcher::DropPending()
{
    m_vertexCursor = 0;
    m_indexCursor = 0;
    m_vertexCount = 0;
}

void OpenGLBatcher::Flush()
{
    if (m_vertexCount == 0) return;
    if (m_useBuffers) {
        glBufferData(GL_ARRAY_BUFFER, m_vertexCursor, m_vertices, GL_STREAM_DRAW);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, m_indexCursor, m_indices, GL_STREAM_DRAW);
    }
    glDrawElements(m_lineMode ? GL_LINES : GL_TRIANGLES, GLsizei(m_indexCursor / 2), GL_UNSIGNED_SHORT,
                   m_indexPointer);
    ++GetRenderStats().drawCalls;
    DropPending();
}

void OpenGLBatcher::CheckTexture(PixelDataGL* texture)
{
    if (GetGLCaps()->fbo && texture->GetFramebuffer() != PixelDataGL::NoFramebuffer &&
        texture->GetFramebuffer() != 0 && m_framebuffer == texture->GetFramebuffer()) {
        DropPending();
        // The framebuffer is going: the next target must be bound afresh.
        m_framebuffer = PixelDataGL::NoFramebuffer;
        m_viewportWidth = m_viewportHeight = 0;
    } else if (texture->GetTexture() &&
               (m_boundTexture == texture->GetTexture() || m_boundAlphaTexture == texture->GetTexture())) {
        Flush();
        // The name may be handed out again: the next source is bound afresh.
        m_boundTexture = 0;
        m_boundAlphaTexture = 0;
        m_compositeBound = false;
    }
}

void OpenGLBatcher::Clear(const float& r, const float& g, const float& b, const float& a)
{
    DropPending();
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT);
}

bool OpenGLBatcher::SetScale(const float& scale)
{
    g_drawingScale = scale;
    if (m_viewportWidth != 0)
        SetViewport(m_viewportWidth, m_viewportHeight, m_framebuffer, m_currentShader, g_drawingScale);
    return true;
}

void OpenGLBatcher::Reserve(uint32_t indexBytes)
{
    if (m_indexCursor + indexBytes >= kIndexBytes) Flush();
}

void OpenGLBatcher::CopyVertex(const BatcherVertex* v)
{
    std::memcpy(m_vertices + m_vertexCursor, v, sizeof(BatcherVertex));
    m_vertexCursor += sizeof(BatcherVertex);
}

void OpenGLBatcher::PutIndex(uint32_t index)
{
    uint16_t i = uint16_t(index);
    std::memcpy(m_indices + m_indexCursor, &i, 2);
    m_indexCursor += 2;
}

void OpenGLBatcher::AddVertex(const BatcherVertex* v)
{
    Reserve(4);
    uint32_t n = m_vertexCount;
    CopyVertex(v);
    PutIndex(n);
    if (n > 0) PutIndex(n - 1);
    m_vertexCount = uint16_t(n + 1);
}

void OpenGLBatcher::AddLine(const BatcherVertex* a, const BatcherVertex* b)
{
    Reserve(4);
    uint32_t n = m_vertexCount;
    CopyVertex(a);
    CopyVertex(b);
    PutIndex(n);
    PutIndex(n + 1);
    m_vertexCount = uint16_t(n + 2);
}

void OpenGLBatcher::AddTriangle(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c)
{
    Reserve(6);
    uint32_t n = m_vertexCount;
    CopyVertex(a);
    CopyVertex(b);
    CopyVertex(c);
    PutIndex(n);
    PutIndex(n + 1);
    PutIndex(n + 2);
    m_vertexCount = uint16_t(n + 3);
}

void OpenGLBatcher::AddQuad(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c,
                            const BatcherVertex* d)
{
    Reserve(12);
    uint32_t n = m_vertexCount;
    CopyVertex(a);
    CopyVertex(b);
    CopyVertex(c);
    CopyVertex(d);
    PutIndex(n);
    PutIndex(n + 1);
    PutIndex(n + 2);
    PutIndex(n);
    PutIndex(n + 2);
    PutIndex(n + 3);
    m_vertexCount = uint16_t(n + 4);
}

}  // namespace Voke
