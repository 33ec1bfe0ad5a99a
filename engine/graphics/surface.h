// Surfaces: drawable images, and the drawing operations.
//
// A surface holds one PixelData (normally a GPU texture), a clip rectangle, a
// flag word and an opacity. Drawing never touches pixels on the CPU: every
// operation sets the whole state it needs on the global batcher and hands it
// a quad, triangles or lines; consecutive draws with unchanged state share
// one draw call. Drawing runs on the main thread only and does nothing while
// no batcher exists (before GL is set up). Building a surface from pixel data
// makes no GL call, so the loader thread may do it.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "engine/graphics/pixel_data.h"
#include "engine/graphics/rect.h"

namespace Voke {

struct RasterVertex;

class Surface : public RefCounter, public WeakRefCounter {
public:
    enum Flags : uint32_t {
        kColorKey = 0x1,  // texels equal to the pixel data's key colour are transparent
        kLinear = 0x2,    // linear filtering when the texture is sampled
        kOpaque = 0x4,    // the pixels' alpha is not looked at: drawn without blending
                          // (a back buffer whose four-byte pixels carry a meaningless alpha)
    };

    // A render target of its own: a new empty texture of that size and format
    // (the game's back buffer is one).
    Surface(int width, int height, uint32_t format);
    // On existing pixel data: memory pixel data becomes a new texture holding
    // its pixels (converted now, uploaded at the first draw); texture and
    // composite pixel data is used as it is; any other kind leaves the surface
    // without pixel data and with an empty clip.
    explicit Surface(PixelData* pixels);
    ~Surface() override;

    virtual Color GetPixel(int x, int y) const;
    // Ignored outside the clip rectangle.
    virtual void SetPixel(int x, int y, const Color& color);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual const Rect* GetClipRect() const { return &m_clip; }
    virtual uint32_t TestFlags(uint32_t mask) const { return m_flags & mask; }
    virtual bool Update(const float& dt);
    virtual int GetDrawOffsetX() const { return 0; }
    virtual int GetDrawOffsetY() const { return 0; }
    virtual int GetPageX() const { return 0; }
    virtual int GetPageY() const { return 0; }
    // Whether a blit of the whole surface draws row y (of its own pixels)
    // fully opaque, hiding whatever lies under it. False where that is not
    // known.
    virtual bool IsRowOpaque(int /*y*/) const { return false; }
    // Whether a blit of the whole surface leaves row y (of its own pixels)
    // untouched, every pixel of it fully transparent. False where that is
    // not known.
    virtual bool IsRowClear(int /*y*/) const { return false; }

    PixelData* GetPixelData() const { return m_pixels; }
    void SetFlags(uint32_t flags) { m_flags = flags; }
    uint8_t GetOpacity() const { return m_opacity; }
    void SetOpacity(uint8_t opacity) { m_opacity = opacity; }
    void SetClipRect(const Rect& clip) { m_clip = clip; }

    // A new surface of the source's size and format, cleared to black, with
    // the source blitted onto it.
    static Surface* CreateCopy(Surface* source);

    // Drawing operations. `dst` is the target; `rect` a source rectangle in
    // the source's own pixels. A null surface or one without pixel data draws
    // nothing.
    static void Blit(Surface* dst, int x, int y, Surface* src, const Rect* rect);
    // Source alpha times source added to the destination.
    static void BlitAdditive(Surface* dst, int x, int y, Surface* src, const Rect* rect);
    // The texels multiplied by the colour's red, green and blue (its alpha is
    // not used; the source opacity is).
    static void BlitTinted(Surface* dst, int x, int y, const Color* color, Surface* src, const Rect* rect);
    // The rectangle stretched over the whole target; no colour key.
    static void BlitWhole(Surface* dst, Surface* src, const Rect* rect);
    static void FillRect(Surface* dst, int x1, int y1, int x2, int y2, const Color* color);
    static void DrawRectFrame(Surface* dst, int x1, int y1, int x2, int y2, const Color* color);
    static void DrawLine(Surface* dst, const float& x1, const float& y1, const float& x2, const float& y2,
                         const Color* color);
    static void DrawVLine(Surface* dst, int x, int y1, int y2, const Color* color);
    static void DrawHLine(Surface* dst, int x1, int x2, int y, const Color* color);
    // A polygon of int(4 * sqrt(radius)) segments; fewer than 3 segments, or a
    // radius that is not a finite number, draws nothing.
    static void FillCircle(Surface* dst, const float& cx, const float& cy, const float& radius, const Color* color);
    static void DrawCircle(Surface* dst, const float& cx, const float& cy, const float& radius, const Color* color);
    // Clears within the clip; alpha 0 for RGBA8888 targets, else 1 (the
    // colour's alpha is not used).
    static void Clear(Surface* dst, const Color* color);
    static void Clear(Surface* dst, int grey);

    // Transformed blits: the rectangle scaled, rotated by `angle` radians
    // (clockwise on screen) about `anchor` (pixels from the rectangle's top
    // left), which lands on (x, y). flip 1 mirrors top to bottom, 2 left to
    // right; other values draw unmirrored.
    static void BlitTransformed(Surface* dst, Surface* src, const float& x, const float& y, const float& angle,
                                const float scale[2], const float anchor[2], int flip, const Rect& rect);
    static void BlitTransformedAdditive(Surface* dst, Surface* src, const float& x, const float& y,
                                        const float& angle, const float scale[2], const float anchor[2], int flip,
                                        const Rect& rect);
    static void BlitTransformedTinted(Surface* dst, Surface* src, const float& x, const float& y, const float& angle,
                                      const float scale[2], const float anchor[2], int flip, const Rect& rect,
                                      const uint8_t tint[3]);
    // The rotation-scale matrix m00, m01, m10, m11 (row-major).
    static void MakeRotationScale(float angle, const float scale[2], float m[4]);
    // Corner positions (top-left, top-right, bottom-right, bottom-left) and
    // their texture coordinates (already scaled to the texture).
    static void ComputeTransformedQuad(Surface* src, const float& x, const float& y, const float m[4],
                                       const float anchor[2], int flip, const Rect& rect, float pos[4][2],
                                       float tex[4][2]);
    static void BlitWithMatrix(Surface* dst, Surface* src, const float& x, const float& y, const float m[4],
                               const float anchor[2], int flip, const Rect& rect);
    static void BlitWithMatrixAdditive(Surface* dst, Surface* src, const float& x, const float& y, const float m[4],
                                       const float anchor[2], int flip, const Rect& rect);

    // Converts the RGB888 upload buffer of the surface's texture to RGB565 in
    // place. Returns false, changing nothing, for any other pixel data or
    // when the buffer is gone.
    static bool ConvertRGB888To565(Surface* surface);

    // Software triangle fillers: one texture-mapped triangle of `src` drawn
    // on the CPU into `dst`, vertices in order of increasing y. Both surfaces
    // must be over memory pixel data: the destination RGB565, the source of
    // the format the filler reads. Anything else, an opacity of 0, vertices
    // out of order or outside +-kMaxRasterCoordinate draws nothing; rows and
    // columns outside the destination are never written and texel reads stay
    // inside the source's window (coordinates outside it take the edge
    // texel). Blending is in 5 bits per channel (coverage 0 to 31).
    //
    // By the source's opacity and format: 255 and RGB565 copies, 255 and
    // RGBA8888 blends by texel alpha, 1-254 and RGBA8888 by alpha x opacity.
    static void DrawTriangle(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                             const RasterVertex& c);
    // An A8 source's texels as the coverage of `tint` (red, green, blue).
    static void DrawTriangleTinted(Surface* dst, Surface* src, const uint8_t tint[3], const RasterVertex& a,
                                   const RasterVertex& b, const RasterVertex& c);
    // An RGBA8888 source added, saturating, scaled by alpha x opacity.
    static void DrawTriangleAdditive(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                     const RasterVertex& c);
    static void FillTriangleA8Tint(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                   const RasterVertex& c, const uint8_t tint[3]);
    static void FillTriangleA8TintOpacity(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                          const RasterVertex& c, const uint8_t tint[3], uint8_t opacity);
    static void FillTriangleRGBA8888(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                     const RasterVertex& c);
    static void FillTriangleRGBA8888Opacity(Surface* dst, Surface* src, const RasterVertex& a,
                                            const RasterVertex& b, const RasterVertex& c, uint8_t opacity);
    static void FillTriangle565(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                const RasterVertex& c);
    static void FillTriangleRGBA8888Add(Surface* dst, Surface* src, const RasterVertex& a, const RasterVertex& b,
                                        const RasterVertex& c, uint8_t opacity);
    // NOTE: vertex coordinates beyond this many pixels draw nothing (keeps
    // every row count and loop bounded).
    static constexpr float kMaxRasterCoordinate = 1 << 20;

protected:
    // The bare base for subclasses, which set pixel data, clip and the rest.
    Surface();
    void SetPixelData(PixelData* pixels);

    SmartPtr<PixelData> m_pixels;
    Rect m_clip = {0, 0, 0, 0};
    uint32_t m_flags = 0;
    uint8_t m_opacity = 255;
};

}  // namespace Voke
