#include "engine/graphics/opengl_batcher.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/core/report.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"

namespace Voke {

namespace {

float g_drawingScale = 1.0f;  // shared by all batchers; main thread only

constexpr uint32_t kQuadIndexCount = OpenGLBatcher::kMaxVertices / 4 * 6;

}  // namespace

float OpenGLBatcher::GetDrawingScale() { return g_drawingScale; }

OpenGLBatcher::OpenGLBatcher()
    : m_vertices(new BatcherVertex[kMaxVertices]),
      m_indices(new uint16_t[kMaxIndices]),
      m_quadIndices(new uint16_t[kQuadIndexCount]),
      m_programs{OpenGLShader(false), OpenGLShader(false), OpenGLShader(true), OpenGLShader(false),
                 OpenGLShader(false), OpenGLShader(false), OpenGLShader(false)}
{
    for (uint32_t q = 0, n = 0; q < kQuadIndexCount; q += 6, n += 4) {
        const uint16_t quad[6] = {uint16_t(n), uint16_t(n + 1), uint16_t(n + 2),
                                  uint16_t(n), uint16_t(n + 2), uint16_t(n + 3)};
        std::memcpy(m_quadIndices + q, quad, sizeof(quad));
    }
    const GLCaps* caps = GetGLCaps();
    if (caps->vbo) {
        m_useBuffers = true;
        GLuint names[5] = {0, 0, 0, 0, 0};
        glGenBuffers(5, names);
        m_vertexRing.names[0] = names[0];
        m_vertexRing.names[1] = names[1];
        m_vertexRing.capacity = kVertexRingBytes;
        m_indexRing.names[0] = names[2];
        m_indexRing.names[1] = names[3];
        m_indexRing.capacity = kIndexRingBytes;
        m_quadIndexBuffer = names[4];
        for (int i = 1; i >= 0; --i) {
            // The vertex ring's current buffer stays bound as the array
            // buffer; the first one is bound last.
            glBindBuffer(GL_ARRAY_BUFFER, m_vertexRing.names[i]);
            glBufferData(GL_ARRAY_BUFFER, kVertexRingBytes, nullptr, GL_STREAM_DRAW);
            BindIndexBuffer(m_indexRing.names[i]);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, kIndexRingBytes, nullptr, GL_STREAM_DRAW);
        }
        BindIndexBuffer(m_quadIndexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, kQuadIndexCount * 2, m_quadIndices, GL_STATIC_DRAW);
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
        m_programs[kPlain].SetSources(OpenGLShader::UVOnlyVertexSource(), OpenGLShader::PlainFragmentSource());
        SelectProgram(&m_programs[kTextured]);
    }
    for (GLuint i = 0; i < 3; ++i) glEnableVertexAttribArray(i);
    PointAttributes(m_useBuffers ? 0 : reinterpret_cast<uintptr_t>(m_vertices));
    SetTexturing(true);
}

OpenGLBatcher::~OpenGLBatcher()
{
    for (GLuint i = 0; i < 3; ++i) glDisableVertexAttribArray(i);
    if (m_useBuffers) {
        GLuint names[5] = {m_vertexRing.names[0], m_vertexRing.names[1], m_indexRing.names[0],
                           m_indexRing.names[1], m_quadIndexBuffer};
        glDeleteBuffers(5, names);
    }
    delete[] m_vertices;
    delete[] m_indices;
    delete[] m_quadIndices;
    // The programs (members) delete their GL objects as they are destroyed.
}

// `base` is the first vertex's address, or its offset in the bound buffer.
void OpenGLBatcher::PointAttributes(uintptr_t base)
{
    auto at = [base](uintptr_t offset) { return reinterpret_cast<const void*>(base + offset); };
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(BatcherVertex), at(offsetof(BatcherVertex, x)));
    glVertexAttribPointer(1, 2, GL_UNSIGNED_SHORT, GL_FALSE, sizeof(BatcherVertex), at(offsetof(BatcherVertex, u)));
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(BatcherVertex), at(offsetof(BatcherVertex, r)));
    m_attributeBase = base;
}

bool OpenGLBatcher::MakeRoom(Ring& ring, uint32_t bytes)
{
    if (ring.cursor + bytes <= ring.capacity) return false;
    ring.current ^= 1u;
    ring.cursor = 0;
    return true;
}

uint32_t OpenGLBatcher::Upload(Ring& ring, uint32_t target, const void* data, uint32_t bytes)
{
    uint32_t at = ring.cursor;
    glBufferSubData(target, at, bytes, data);
    ring.cursor = at + ((bytes + 15) & ~15u);  // the next upload starts on a vertex boundary
    return at;
}

void OpenGLBatcher::BindIndexBuffer(uint32_t name)
{
    if (name == m_boundIndexBuffer) return;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
    m_boundIndexBuffer = name;
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

// The program is made current in GL when the batch is drawn (Flush), which
// may pick the plain variant of the textured one.
void OpenGLBatcher::SelectProgram(OpenGLShader* program) { m_currentShader = program; }

void OpenGLBatcher::BindProgram(OpenGLShader* program)
{
    program->Use();
    m_glShader = program;
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
            const bool nearest = !texture->IsLinearFiltered();
            m_texelUnits[0] = nearest ? TexelUnits(texture->GetPaddedWidth()) : 0;
            m_texelUnits[1] = nearest ? TexelUnits(texture->GetPaddedHeight()) : 0;
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
            m_texelUnits[0] = m_texelUnits[1] = 0;
        }
    } else {
        return;  // CPU-side pixel data is never bound
    }
    const bool noAlpha = PixelData::GetFormatInfo(source->GetFormat()).alphaBits == 0 || (flags & Surface::kOpaque);
    bool opaque = noAlpha && alpha == 255 && m_blendMode != 1;
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
    // A target without a framebuffer gets one even right after the bound
    // target went away (the batcher then holds NoFramebuffer too).
    const bool noFramebuffer = target->GetFramebuffer() == PixelDataGL::NoFramebuffer;
    if (GetGLCaps()->fbo && (noFramebuffer || target->GetFramebuffer() != m_framebuffer)) {
        if (noFramebuffer) {
            GLuint fb = 0;
            glGenFramebuffers(1, &fb);
            glBindFramebuffer(GL_FRAMEBUFFER, fb);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target->GetTexture(), 0);
            GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
            if (status != GL_FRAMEBUFFER_COMPLETE)
                ReportError("OpenGLBatcher: render target %dx%d is not drawable (framebuffer status 0x%x)",
                            target->GetWidth(), target->GetHeight(), status);
            target->SetFramebuffer(fb);
        } else {
            // From an off-screen picture to the window: the driver starts on
            // the picture now. Making the window current may wait for the
            // display server (a software driver asks it for the window's
            // size), and the picture is drawn meanwhile instead of after.
            if (target->GetFramebuffer() == 0 && m_framebuffer != 0) glFlush();
            glBindFramebuffer(GL_FRAMEBUFFER, target->GetFramebuffer());
        }
        m_framebuffer = target->GetFramebuffer();
        resized = true;
    }
    if (resized)
        SetViewport(target->GetWidth(), target->GetHeight(), m_framebuffer, BoundProgram(), g_drawingScale);
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
    if (enable && BoundProgram() == &m_programs[kKey]) m_glShader->SetUniform3f("key", r, g, b);
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
    m_currentShader = program;
    if (BoundProgram() != program) BindProgram(program);  // the caller sets its uniforms next
}

OpenGLShader* OpenGLBatcher::BoundProgram() const
{
    // A program deleted and rebuilt since it was bound (a GL shutdown
    // between frames) is no longer current.
    return m_glShader && m_currentProgram && m_glShader->GetProgram() == m_currentProgram ? m_glShader : nullptr;
}

void OpenGLBatcher::DropPending()
{
    m_vertexCount = 0;
    m_indexCount = 0;
    m_quadsOnly = true;
    m_colorAnd = 0xFFFFFFFFu;
}

void OpenGLBatcher::Flush()
{
    DrawPending();
    if (!m_opaqueQuads.empty()) DrawOpaqueQuads();
}

void OpenGLBatcher::DrawOpaqueQuads()
{
    // The pending batch has just been drawn: the opaque quads take its place
    // and draw with the same state, blending aside.
    const size_t count = m_opaqueQuads.size();
    std::memcpy(m_vertices, m_opaqueQuads.data(), count * sizeof(BatcherVertex));
    m_vertexCount = uint32_t(count);
    m_opaqueQuads.clear();
    glDisable(GL_BLEND);
    DrawPending();
    glEnable(GL_BLEND);
}

bool OpenGLBatcher::CoversOpaqueQuad(const Box& box) const
{
    // Pixels belong to a quad by their centres, so quads that only share an
    // edge share no pixel.
    for (size_t i = 0; i < m_opaqueQuads.size(); i += 4) {
        const Box quad = BoundsOf(&m_opaqueQuads[i]);
        if (box.left < quad.right && quad.left < box.right && box.top < quad.bottom && quad.top < box.bottom)
            return true;
    }
    return false;
}

void OpenGLBatcher::DrawPending()
{
    if (m_vertexCount == 0) return;
    if (m_shadersEnabled) {
        OpenGLShader* program = m_currentShader;
        // Texel times opaque white is the texel: the plain program skips the
        // colour's interpolation and product for every pixel.
        if (program == &m_programs[kTextured] && m_colorAnd == 0xFFFFFFFFu) program = &m_programs[kPlain];
        if (program && BoundProgram() != program) BindProgram(program);
    }
    const void* indices = nullptr;
    GLsizei count = GLsizei(GetPendingIndexCount());
    if (m_useBuffers) {
        const uint32_t vertexBytes = m_vertexCount * sizeof(BatcherVertex);
        bool turned = MakeRoom(m_vertexRing, vertexBytes);
        // The attribute pointers name the buffer bound when they are set.
        if (turned) glBindBuffer(GL_ARRAY_BUFFER, m_vertexRing.Name());
        uint32_t at = Upload(m_vertexRing, GL_ARRAY_BUFFER, m_vertices, vertexBytes);
        if (turned || at != m_attributeBase) PointAttributes(at);
        if (m_quadsOnly) {
            BindIndexBuffer(m_quadIndexBuffer);
        } else {
            MakeRoom(m_indexRing, m_indexCount * 2);
            BindIndexBuffer(m_indexRing.Name());
            uint32_t offset = Upload(m_indexRing, GL_ELEMENT_ARRAY_BUFFER, m_indices, m_indexCount * 2);
            indices = reinterpret_cast<const void*>(uintptr_t(offset));
        }
    } else {
        indices = m_quadsOnly ? m_quadIndices : m_indices;
    }
    glDrawElements(m_lineMode ? GL_LINES : GL_TRIANGLES, count, GL_UNSIGNED_SHORT, indices);
    ++GetRenderStats().drawCalls;
    DropPending();
}

void OpenGLBatcher::CheckTexture(PixelDataGL* texture)
{
    if (GetGLCaps()->fbo && texture->GetFramebuffer() != PixelDataGL::NoFramebuffer &&
        texture->GetFramebuffer() != 0 && m_framebuffer == texture->GetFramebuffer()) {
        DropPending();
        m_opaqueQuads.clear();
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
    m_opaqueQuads.clear();
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT);
}

bool OpenGLBatcher::SetScale(const float& scale)
{
    g_drawingScale = scale;
    if (m_viewportWidth != 0)
        SetViewport(m_viewportWidth, m_viewportHeight, m_framebuffer, BoundProgram(), g_drawingScale);
    return true;
}

void OpenGLBatcher::Reserve(uint32_t vertices, uint32_t indices)
{
    if (m_vertexCount + vertices > kMaxVertices || GetPendingIndexCount() + indices > kMaxIndices) Flush();
}

void OpenGLBatcher::WriteQuadIndices()
{
    // The batch stops being quads only: its quads get their indices written.
    m_indexCount = GetPendingIndexCount();
    std::memcpy(m_indices, m_quadIndices, m_indexCount * 2);
    m_quadsOnly = false;
}

void OpenGLBatcher::AddVertex(const BatcherVertex* v)
{
    if (!m_opaqueQuads.empty()) Flush();  // lines and triangles are not checked for cover
    Reserve(1, 2);
    if (m_quadsOnly) WriteQuadIndices();
    uint32_t n = m_vertexCount;
    CopyVertex(v);
    PutIndex(n);
    if (n > 0) PutIndex(n - 1);
}

void OpenGLBatcher::AddLine(const BatcherVertex* a, const BatcherVertex* b)
{
    if (!m_opaqueQuads.empty()) Flush();  // lines and triangles are not checked for cover
    Reserve(2, 2);
    if (m_quadsOnly) WriteQuadIndices();
    uint32_t n = m_vertexCount;
    CopyVertex(a);
    CopyVertex(b);
    PutIndex(n);
    PutIndex(n + 1);
}

void OpenGLBatcher::AddTriangle(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c)
{
    if (!m_opaqueQuads.empty()) Flush();  // lines and triangles are not checked for cover
    Reserve(3, 3);
    if (m_quadsOnly) WriteQuadIndices();
    uint32_t n = m_vertexCount;
    CopyVertex(a);
    CopyVertex(b);
    CopyVertex(c);
    PutIndex(n);
    PutIndex(n + 1);
    PutIndex(n + 2);
}

OpenGLBatcher::Box OpenGLBatcher::BoundsOf(const BatcherVertex* q)
{
    return {std::min({q[0].x, q[1].x, q[2].x, q[3].x}), std::min({q[0].y, q[1].y, q[2].y, q[3].y}),
            std::max({q[0].x, q[1].x, q[2].x, q[3].x}), std::max({q[0].y, q[1].y, q[2].y, q[3].y})};
}

namespace {

bool IsOpaqueWhite(const BatcherVertex* v) { return v->r == 255 && v->g == 255 && v->b == 255 && v->a == 255; }

// One axis of an axis-aligned quad: where its two edges lie and the texture
// coordinate along that axis at each.
struct Span {
    float p0, p1;
    uint16_t t0, t1;
};

enum class Cut { kInside, kCut, kKept };

// Cuts a span that reaches into [0, extent] to it. The texture coordinates
// of a cut edge are what the uncut span interpolates there, when that is a
// whole unit (the plane through the samples stays the same), or stay as they
// are when the whole span samples one texel (nearest sampling then gives
// that texel wherever the samples fall) or when nothing reads them. Any
// other span is kept uncut.
Cut CutSpan(Span& span, float extent, uint32_t texelUnits, bool coordsUnused)
{
    const float lo = std::min(span.p0, span.p1), hi = std::max(span.p0, span.p1);
    if (!std::isfinite(lo) || !std::isfinite(hi)) return Cut::kKept;
    if (lo >= 0.0f && hi <= extent) return Cut::kInside;
    const float p0 = std::clamp(span.p0, 0.0f, extent), p1 = std::clamp(span.p1, 0.0f, extent);
    if (!coordsUnused) {
        const double dt = double(span.t1) - double(span.t0), dp = double(span.p1) - double(span.p0);
        const double t0 = span.t0 + (double(p0) - span.p0) * dt / dp;
        const double t1 = span.t0 + (double(p1) - span.p0) * dt / dp;
        if (t0 == std::floor(t0) && t1 == std::floor(t1)) {
            span.t0 = uint16_t(t0);
            span.t1 = uint16_t(t1);
        } else {
            const int tLo = std::min(span.t0, span.t1), tHi = std::max(span.t0, span.t1);
            const int units = int(texelUnits);
            const bool oneTexel = units != 0 && (tHi == tLo || tLo / units == (tHi - 1) / units);
            if (!oneTexel) return Cut::kKept;
        }
    }
    span.p0 = p0;
    span.p1 = p1;
    return Cut::kCut;
}

}  // namespace

uint32_t OpenGLBatcher::TexelUnits(int paddedSize)
{
    const uint32_t units = uint32_t(BatcherVertex::kTexCoordUnit);
    return paddedSize > 0 && units % uint32_t(paddedSize) == 0 ? units / uint32_t(paddedSize) : 0;
}

// Quads are cut to the target before they are batched. GL clips at the
// viewport anyway, so this changes what is drawn only where it is exact (see
// CutSpan); it is done because of a software rasteriser (Mesa's llvmpipe):
// it fills a draw's axis-aligned quads as rectangles on its fast path, but
// one vertex outside the viewport sends the whole draw through its clipper,
// which hands every quad of that draw on as two triangles, filled several
// times slower. Scrolling scenery always reaches past the screen's edges.
bool OpenGLBatcher::CutToTarget(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c,
                                const BatcherVertex* d, BatcherVertex out[4]) const
{
    out[0] = *a;
    out[1] = *b;
    out[2] = *c;
    out[3] = *d;
    if (m_lineMode || m_viewportWidth <= 0 || m_viewportHeight <= 0 || m_framebuffer == PixelDataGL::NoFramebuffer)
        return true;
    // The window's drawing units are scaled; a texture's are its pixels.
    const float scale = m_framebuffer == 0 ? g_drawingScale : 1.0f;
    const float width = float(m_viewportWidth) * scale, height = float(m_viewportHeight) * scale;
    // Wholly outside, turned or not: no pixel to draw.
    const Box bounds = BoundsOf(out);
    if (bounds.right <= 0.0f || bounds.left >= width || bounds.bottom <= 0.0f || bounds.top >= height) return false;
    const bool aligned = a->x == d->x && b->x == c->x && a->u == d->u && b->u == c->u && a->y == b->y &&
                         d->y == c->y && a->v == b->v && d->v == c->v;
    const bool oneColor =
        std::memcmp(&a->r, &b->r, 4) == 0 && std::memcmp(&a->r, &c->r, 4) == 0 && std::memcmp(&a->r, &d->r, 4) == 0;
    if (!aligned || !oneColor) return true;
    // The built-in colour program reads no texture coordinates; a caller's
    // program may read them for anything, so only exact cuts are made there.
    const bool coordsUnused = !m_texturing && !m_shaderOverride;
    const bool sampled = m_texturing && !m_shaderOverride && !m_compositeBound;
    Span across{a->x, b->x, a->u, b->u}, down{a->y, d->y, a->v, d->v};
    const Cut x = CutSpan(across, width, sampled ? m_texelUnits[0] : 0, coordsUnused);
    const Cut y = CutSpan(down, height, sampled ? m_texelUnits[1] : 0, coordsUnused);
    if (x != Cut::kCut && y != Cut::kCut) return true;
    out[0].x = out[3].x = across.p0;
    out[1].x = out[2].x = across.p1;
    out[0].u = out[3].u = across.t0;
    out[1].u = out[2].u = across.t1;
    out[0].y = out[1].y = down.p0;
    out[3].y = out[2].y = down.p1;
    out[0].v = out[1].v = down.t0;
    out[3].v = out[2].v = down.t1;
    return true;
}

void OpenGLBatcher::AddOpaqueQuad(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c,
                                  const BatcherVertex* d)
{
    BatcherVertex quad[4];
    if (!CutToTarget(a, b, c, d, quad)) return;
    const bool plainBlend = m_shadersEnabled && m_blending && m_blendMode == 0 && m_texturing && !m_lineMode &&
                            m_currentShader == &m_programs[kTextured];
    if (!plainBlend || !IsOpaqueWhite(a) || !IsOpaqueWhite(b) || !IsOpaqueWhite(c) || !IsOpaqueWhite(d)) {
        PutQuad(quad);
        return;
    }
    if (m_opaqueQuads.size() >= 4 * kMaxOpaqueQuads) Flush();
    m_opaqueQuads.insert(m_opaqueQuads.end(), quad, quad + 4);
}

void OpenGLBatcher::AddQuad(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c,
                            const BatcherVertex* d)
{
    BatcherVertex quad[4];
    if (CutToTarget(a, b, c, d, quad)) PutQuad(quad);
}

void OpenGLBatcher::PutQuad(const BatcherVertex* quad)
{
    if (!m_opaqueQuads.empty() && CoversOpaqueQuad(BoundsOf(quad))) Flush();
    Reserve(4, 6);
    uint32_t n = m_vertexCount;
    CopyVertex(quad);
    CopyVertex(quad + 1);
    CopyVertex(quad + 2);
    CopyVertex(quad + 3);
    if (m_quadsOnly) return;  // the quad indices apply at the draw
    PutIndex(n);
    PutIndex(n + 1);
    PutIndex(n + 2);
    PutIndex(n);
    PutIndex(n + 2);
    PutIndex(n + 3);
}

}  // namespace Voke
