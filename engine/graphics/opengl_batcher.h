// The batcher on OpenGL ES 2.0. It keeps one vertex array and one 16-bit
// index array for the pending batch, six built-in programs, and a copy of
// every piece of GL state it has set. A state call that changes nothing
// returns at once; one that changes something first draws what is pending
// with the old state, so drawing with unchanged state shares one draw call.
// Main thread only.
#pragma once

#include <cstdint>

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
    void Flush() override;
    void CheckTexture(PixelDataGL* texture) override;
    void Clear(const float& r, const float& g, const float& b, const float& a) override;
    void AddVertex(const BatcherVertex* v) override;
    void AddLine(const BatcherVertex* a, const BatcherVertex* b) override;
    void AddTriangle(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c) override;
    void AddQuad(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c,
                 const BatcherVertex* d) override;
    bool SetScale(const float& scale) override;

    // Draws with a caller's program until SetShader(null), which draws what
    // is pending and returns to the built-in program for the current state.
    void SetShader(OpenGLShader* program);

    // NOTE: the pending batch holds at most 16 384 indices (32 768 bytes) and
    // as many vertices; a full index array forces a draw.
    static constexpr uint32_t kIndexBytes = 32768;
    static constexpr uint32_t kMaxVertices = 16384;

    // For tests and tools.
    uint32_t GetPendingVertexCount() const { return m_vertexCount; }
    uint32_t GetPendingIndexBytes() const { return m_indexCursor; }
    uint32_t GetFramebuffer() const { return m_framebuffer; }
    bool IsBlending() const { return m_blending; }
    const OpenGLShader* GetCurrentShader() const { return m_currentShader; }
    // The built-in programs, in the order key, textured, mask, font, colour,
    // flash.
    enum Program { kKey, kTextured, kMask, kFont, kColor, kFlash, kProgramCount };
    OpenGLShader* GetProgram(Program which) { return &m_programs[which]; }
    static float GetDrawingScale();

private:
    void SelectProgram(OpenGLShader* program);
    void SelectStateProgram();
    void SetViewport(int width, int height, uint32_t framebuffer, OpenGLShader* program, float scale);
    void Reserve(uint32_t indexBytes);
    void CopyVertex(const BatcherVertex* v);
    void PutIndex(uint32_t index);
    void DropPending();
    void SetBlending(bool on);
    void BindTexture(uint32_t name);

    uint32_t m_vertexBuffer = 0;
    uint32_t m_indexBuffer = 0;
    uint8_t* m_vertices;
    uint32_t m_vertexCursor = 0;
    uint8_t* m_indices;
    uint32_t m_indexCursor = 0;
    uint16_t m_vertexCount = 0;
    uint32_t m_boundTexture = 0;
    uint32_t m_boundAlphaTexture = 0;  // the alpha part of a bound composite
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
    OpenGLShader* m_currentShader = nullptr;
    bool m_shaderOverride = false;
    uint32_t m_currentProgram = 0;
    bool m_useBuffers = false;
    const void* m_indexPointer = nullptr;
};

}  // namespace Voke
