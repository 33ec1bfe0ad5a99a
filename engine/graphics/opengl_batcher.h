// The batcher on OpenGL ES 2.0. It keeps the pending batch (vertices, and
// 16-bit indices unless the batch holds quads only), seven built-in programs,
// and a copy of every piece of GL state it has set. A state call that changes
// nothing returns at once; one that changes something first draws what is
// pending with the old state, so drawing with unchanged state shares one draw
// call.
//
// Drawing costs on a software renderer are mostly per vertex and per pixel,
// so a batch of quads only draws through a fixed index buffer (no indices are
// written or uploaded), vertices are uploaded into a ring buffer (no upload
// waits for a draw still reading the buffer), and a textured batch whose
// vertices are all opaque white draws with a program that skips the colour.
// Main thread only.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_shader.h"

namespace Voke {

class OpenGLBatcher : public Batcher {
public:
    // With a GL context current; reads vbo and glsl from the capability record.
    OpenGLBatcher();
    ~OpenGLBatcher() override;

    void SetTexture(PixelData* source, uint32_t flags, uint8_t alpha) override;
    void SetRenderTarget(PixelDataGL* target, uint32_t flags) override;
    void SetBlendMode(int mode) override;
    void SetColorKey(bool enable, float r, float g, float b) override;
    void SetClipRect(const Rect* rect) override;
    void SetTexturing(bool on) override;
    void SetLineMode(bool on) override;
    void SetOpacityHint(uint8_t alpha) override;
    void SetShader(OpenGLShader* program) override;
    void Flush() override;
    void CheckTexture(PixelDataGL* texture) override;
    void Clear(const float& r, const float& g, const float& b, const float& a) override;
    void AddVertex(const BatcherVertex* v) override;
    void AddLine(const BatcherVertex* a, const BatcherVertex* b) override;
    void AddTriangle(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c) override;
    void AddQuad(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c,
                 const BatcherVertex* d) override;
    // Under alpha blending with the ordinary textured program, the quad joins
    // a second batch of opaque quads, drawn without blending right after the
    // pending batch (a software rasteriser copies unblended texels on a fast
    // path and blends several times slower). Blended geometry that would
    // cover one of them draws both batches first, so every pixel still
    // receives its quads in the order they were added.
    void AddOpaqueQuad(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c,
                       const BatcherVertex* d) override;
    bool SetScale(const float& scale) override;

    // NOTE: the pending batch holds at most 65 536 vertices, all a 16-bit
    // index can address (16 384 quads), and twice as many indices (a line
    // strip's vertex adds two); a full batch forces a draw.
    static constexpr uint32_t kMaxVertices = 65536;
    static constexpr uint32_t kMaxIndices = 2 * kMaxVertices;
    // NOTE: each ring (vertices, and indices of batches with more than quads)
    // has two buffers of two full batches each (2 MiB and 512 KiB); an upload
    // that does not fit behind the last one moves on to the front of the
    // other buffer. The buffers are made once: fresh storage at every turn
    // cost a software driver an allocation and its page faults, several
    // milliseconds in the middle of a frame.
    static constexpr uint32_t kVertexRingBytes = 2 * kMaxVertices * sizeof(BatcherVertex);
    static constexpr uint32_t kIndexRingBytes = 2 * kMaxIndices * 2;

    // NOTE: at most 256 opaque quads wait beside a batch (each quad added
    // is checked against them); one more draws both.
    static constexpr size_t kMaxOpaqueQuads = 256;

    // For tests and tools.
    uint32_t GetPendingVertexCount() const { return m_vertexCount; }
    const BatcherVertex* GetPendingVertices() const { return m_vertices; }
    // Indices of the pending batch (6 a quad, also for a batch of quads only).
    uint32_t GetPendingIndexCount() const { return m_quadsOnly ? m_vertexCount / 4 * 6 : m_indexCount; }
    uint32_t GetFramebuffer() const { return m_framebuffer; }
    bool IsBlending() const { return m_blending; }
    // The program chosen for the current state (the caller's under SetShader).
    const OpenGLShader* GetCurrentShader() const { return m_currentShader; }
    // The built-in programs, in the order key, textured, mask, font, colour,
    // flash, and plain (textured without the vertex colour, for batches of
    // opaque white vertices).
    enum Program { kKey, kTextured, kMask, kFont, kColor, kFlash, kPlain, kProgramCount };
    OpenGLShader* GetProgram(Program which) { return &m_programs[which]; }
    // The program of the last draw, or null before the first.
    const OpenGLShader* GetDrawnShader() const { return m_glShader; }
    static float GetDrawingScale();

private:
    // Two GL buffers taken in turn, each written front to back, one upload
    // after another. By the time a buffer is written again, the draws that
    // read it are a whole buffer's worth of uploads old.
    struct Ring {
        uint32_t names[2] = {0, 0};
        uint32_t capacity = 0;
        uint32_t cursor = 0;
        uint32_t current = 0;
        uint32_t Name() const { return names[current]; }
    };
    // Makes room for `bytes` in the ring: when they do not fit behind the
    // last upload the ring turns to its other buffer, and true is returned
    // (the caller binds Name()).
    static bool MakeRoom(Ring& ring, uint32_t bytes);
    // Copies `bytes` into the ring's current buffer, bound to `target`, after
    // MakeRoom; returns their offset.
    static uint32_t Upload(Ring& ring, uint32_t target, const void* data, uint32_t bytes);

    void SelectProgram(OpenGLShader* program);
    void SelectStateProgram();
    // Makes `program` current in GL with this batcher's uniforms.
    void BindProgram(OpenGLShader* program);
    void SetViewport(int width, int height, uint32_t framebuffer, OpenGLShader* program, float scale);
    void Reserve(uint32_t vertices, uint32_t indices);
    void WriteQuadIndices();
    void DropPending();
    // Draws the pending batch (Flush draws the opaque quads after it).
    void DrawPending();
    void DrawOpaqueQuads();
    // A quad's bounds in drawing units.
    struct Box {
        float left, top, right, bottom;
    };
    static Box BoundsOf(const BatcherVertex* quad);
    // The quad a, b, c, d cut to the visible part of the target where the
    // cut moves no sample (see opengl_batcher.cpp), in `out`; false when none
    // of it is visible.
    bool CutToTarget(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c, const BatcherVertex* d,
                     BatcherVertex out[4]) const;
    void PutQuad(const BatcherVertex* quad);
    // Units per texel of a texture so many texels across, 0 when not whole.
    static uint32_t TexelUnits(int paddedSize);
    // Whether geometry within `box` would cover a waiting opaque quad.
    bool CoversOpaqueQuad(const Box& box) const;
    void SetBlending(bool on);
    void BindTexture(uint32_t name);
    void BindIndexBuffer(uint32_t name);
    void PointAttributes(uintptr_t base);
    // m_glShader while it is current in GL, else null.
    OpenGLShader* BoundProgram() const;

    void CopyVertex(const BatcherVertex* v)
    {
        m_vertices[m_vertexCount++] = *v;
        uint32_t color;
        static_assert(sizeof(color) == 4, "four colour bytes");
        std::memcpy(&color, &v->r, 4);
        m_colorAnd &= color;
    }
    void PutIndex(uint32_t index) { m_indices[m_indexCount++] = uint16_t(index); }

    BatcherVertex* m_vertices;
    uint32_t m_vertexCount = 0;
    uint16_t* m_indices;               // written only once the batch holds more than quads
    uint32_t m_indexCount = 0;
    bool m_quadsOnly = true;           // the batch holds quads only: the quad indices apply
    uint32_t m_colorAnd = 0xFFFFFFFFu; // the pending vertices' colours ANDed: all white when unchanged
    uint16_t* m_quadIndices;           // 0 1 2 0 2 3, 4 5 6 4 6 7, ... for a full batch
    std::vector<BatcherVertex> m_opaqueQuads;  // four vertices each, in order
    Ring m_vertexRing;
    Ring m_indexRing;
    uint32_t m_quadIndexBuffer = 0;
    uint32_t m_boundIndexBuffer = 0;
    uintptr_t m_attributeBase = 0;     // where the attributes point now
    uint32_t m_boundTexture = 0;
    uint32_t m_boundAlphaTexture = 0;  // the alpha part of a bound composite
    // Texture coordinate units per texel of the bound texture, across and
    // down, while it is sampled nearest; 0 otherwise.
    uint32_t m_texelUnits[2] = {0, 0};
    uint32_t m_framebuffer = 0;
    int m_blendMode = 0;
    bool m_blending = false;
    bool m_compositeBound = false;
    bool m_keyEnabled = false;
    float m_keyColor[3] = {0, 0, 0};
    bool m_alphaOnlyBound = false;
    Rect m_scissor = {0, 0, 0, 0};
    int m_viewportHeight = 0;
    int m_viewportWidth = 0;
    bool m_texturing = false;
    bool m_lineMode = false;
    bool m_shadersEnabled = false;
    OpenGLShader m_programs[kProgramCount];
    OpenGLShader* m_currentShader = nullptr;  // chosen for the state
    OpenGLShader* m_glShader = nullptr;       // current in GL (the last bound)
    uint32_t m_currentProgram = 0;            // m_glShader's GL name when bound
    bool m_shaderOverride = false;
    bool m_useBuffers = false;
};

}  // namespace Voke
