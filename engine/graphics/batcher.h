// The batcher interface, the record of the GL driver's capabilities and the
// renderer's counters.
//
// All drawing reaches the GPU through one global batcher: drawing operations
// set its state and hand it vertices; it collects them into one pending batch
// until a state change or a full buffer forces a draw. OpenGLBatcher is the
// one implementation. Only the main thread, which owns the GL context, calls
// any operation here (the capability record may be read by the loader thread,
// which starts after it is filled).
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "engine/core/ref_counter.h"
#include "engine/graphics/rect.h"

namespace Voke {

class OpenGLShader;
class PixelData;
class PixelDataGL;

// The vertex handed to the Add operations, stored and drawn as it is: position
// in target units, texture coordinates in the padded texture in units of
// 1/32768 (0 the left or top edge, 32768 the right or bottom one; see
// TexCoord), and a colour that multiplies the texel.
//
// A power of two as the unit keeps the coordinates of whole texels of a
// power-of-two texture exact, as 32-bit floats kept them: a blit maps texels
// onto pixels exactly one to one.
struct BatcherVertex {
    float x, y;
    uint16_t u, v;
    uint8_t r, g, b, a;

    // NOTE: coordinates run from 0 to just under 2 (past 1 the texture's edge
    // texels continue); finer than 1/32768 of the texture they are rounded.
    static constexpr float kTexCoordUnit = 32768.0f;
    // A texture coordinate (0..1 across the padded texture) as stored; values
    // outside the range (and NaN) are clamped to it.
    static uint16_t TexCoord(float t)
    {
        if (!(t > 0.0f)) return 0;
        float units = t * kTexCoordUnit + 0.5f;
        return units >= 65535.0f ? uint16_t(65535) : uint16_t(units);
    }
};
// NOTE: 16 bytes a vertex (the per-vertex cost of a software renderer grows
// with it); the GL vertex layout expects exactly this.
static_assert(sizeof(BatcherVertex) == 16, "the GL vertex layout expects 16-byte vertices");

class Batcher : public RefCounter {
public:
    ~Batcher() override = default;

    // Binds the source's texture(s) for what follows, uploading it on first
    // use with the filtering of `flags` (0x2 linear). `alpha` is the vertex
    // alpha that will be used; it decides blending.
    virtual void SetTexture(PixelData* source, uint32_t flags, uint8_t alpha) = 0;
    // Draws what follows into `target` (the window's pixel data or a texture).
    virtual void SetRenderTarget(PixelDataGL* target, uint32_t flags) = 0;
    // 0 alpha blending, 1 additive.
    virtual void SetBlendMode(int mode) = 0;
    // Texels of exactly this colour (0..1 per channel) are not drawn.
    virtual void SetColorKey(bool enable, float r, float g, float b) = 0;
    // The scissor for what follows, in target pixels from the top left.
    virtual void SetClipRect(const Rect* rect) = 0;
    // Textured drawing, or plain vertex colour.
    virtual void SetTexturing(bool on) = 0;
    // Pending indices are drawn as lines instead of triangles.
    virtual void SetLineMode(bool on) = 0;
    // Draws with a caller's program (made current at once, so the caller may
    // set its uniforms) until SetShader(null), which draws what is pending
    // and returns to the built-in program for the current state. Without
    // shader support both are no-ops.
    virtual void SetShader(OpenGLShader* program) = 0;
    // The vertex alpha of untextured drawing that follows (decides blending).
    virtual void SetOpacityHint(uint8_t alpha) = 0;
    // Draws the pending batch and empties it.
    virtual void Flush() = 0;
    // Called before a texture's GL names are deleted: afterwards no pending
    // vertex uses it.
    virtual void CheckTexture(PixelDataGL* texture) = 0;
    // Clears the current target (within the scissor); pending vertices are
    // dropped, not drawn.
    virtual void Clear(const float& r, const float& g, const float& b, const float& a) = 0;
    // One vertex continuing a line strip.
    virtual void AddVertex(const BatcherVertex* v) = 0;
    virtual void AddLine(const BatcherVertex* a, const BatcherVertex* b) = 0;
    virtual void AddTriangle(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c) = 0;
    // Two triangles (a, b, c) and (a, c, d); vertices in order around the quad.
    virtual void AddQuad(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c,
                         const BatcherVertex* d) = 0;
    // A quad of a plain blit whose texels are all opaque: blending it would
    // give its texels unchanged, so a batcher may draw it without blending.
    // Added as any quad unless the batcher does so.
    virtual void AddOpaqueQuad(const BatcherVertex* a, const BatcherVertex* b, const BatcherVertex* c,
                               const BatcherVertex* d)
    {
        AddQuad(a, b, c, d);
    }
    // Scale between target pixels and drawing units; true when supported.
    virtual bool SetScale(const float& scale);

    // The global batcher: null until GL initialisation, replaced by each one.
    static Batcher* Get() { return s_global; }

private:
    friend class GLInfo;
    static SmartPtr<Batcher> s_global;
};

// What the GL driver offers; all zero before initialisation. A plain global
// record, so tests may set flags to reach other code paths.
struct GLCaps {
    bool fbo;
    bool vbo;
    bool glsl;
    bool pvr;
    bool dxtc;
    bool etc;
    // Four-byte pixels may be uploaded (and rendered to) in blue-green-red-
    // alpha order (GL_EXT_texture_format_BGRA8888).
    bool bgra;
    int32_t maxTextureSize;
    int32_t textureUnits;
};

// Never null.
GLCaps* GetGLCaps();

// The driver's strings and extension names, cached when the GL context is set
// up; empty before.
class GLInfo {
public:
    static std::string GetVendor();
    static std::string GetRenderer();
    static std::string GetVersion();
    static bool HasExtension(const std::string& name);

    // With a GL context current: reads the extensions and limits, fills the
    // capability record and replaces the global batcher. Returns true.
    static bool Init();
    // Before the GL context goes away: releases the batcher and deletes the GL
    // names of every live texture and shader (the objects survive and rebuild
    // themselves on next use in a new context).
    static void Shutdown();

    // Splits an extension string at white space into `out` (used by Init).
    static void SplitExtensions(const char* text, std::set<std::string>& out);
};

// Counters the renderer keeps for tests and benchmarks. Main thread only.
struct RenderStats {
    uint64_t drawCalls = 0;        // glDrawElements calls
    uint64_t textureBinds = 0;     // glBindTexture calls
    uint64_t programSwitches = 0;  // glUseProgram calls
    uint64_t textureUploads = 0;   // textures created and filled
};
RenderStats& GetRenderStats();

}  // namespace Voke
