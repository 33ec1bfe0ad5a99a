// Transformed blits: a rectangle of a source surface drawn scaled, rotated
// about a pivot and optionally mirrored, as one textured quad.
#include <cmath>

#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"

namespace Voke {

namespace {

constexpr float kInv255 = 0.003921569f;

// Whether a plain quad of `rect`, scaled without rotation, can only sample
// opaque texels: its rows and the row on each side are opaque all through,
// and a column on each side stays inside the source. A stretched quad's
// texture coordinates may round onto the texel just past its edge, so the
// texels around it must be opaque too. Such a quad draws the same pixels
// blended or not.
bool SamplesOnlyOpaque(Surface* src, const float m[4], const Rect& rect)
{
    if (m[1] != 0.0f || m[2] != 0.0f || m[0] == 0.0f || m[3] == 0.0f) return false;
    const PixelData* pixels = src->GetPixelData();
    if (rect.w <= 0 || rect.h <= 0 || rect.x < 1 || rect.x + rect.w > pixels->GetWidth() - 1 || rect.y < 1 ||
        rect.y + rect.h > pixels->GetHeight() - 1)
        return false;
    for (int row = rect.y - 1; row <= rect.y + rect.h; ++row)
        if (!src->IsRowOpaque(row)) return false;
    return true;
}

// Sets the batcher state of a transformed blit and adds its quad.
void Submit(Surface* dst, Surface* src, const float& x, const float& y, const float m[4], const float anchor[2],
            int flip, const Rect& rect, int blendMode, uint8_t r, uint8_t g, uint8_t b)
{
    Batcher* batcher = Batcher::Get();
    if (!batcher || !dst || !src) return;
    PixelData* target = dst->GetPixelData();
    PixelData* pixels = src->GetPixelData();
    if (!target || target->GetKind() != PixelData::kTexture || !pixels ||
        (pixels->GetKind() != PixelData::kTexture && pixels->GetKind() != PixelData::kComposite))
        return;
    float pos[4][2], tex[4][2];
    Surface::ComputeTransformedQuad(src, x, y, m, anchor, flip, rect, pos, tex);

    batcher->SetShader(nullptr);
    batcher->SetTexturing(true);
    batcher->SetRenderTarget(static_cast<PixelDataGL*>(target), dst->TestFlags(~0u));
    batcher->SetTexture(pixels, src->TestFlags(~0u), src->GetOpacity());
    batcher->SetClipRect(dst->GetClipRect());
    batcher->SetBlendMode(blendMode);
    if (src->TestFlags(Surface::kColorKey)) {
        const uint8_t* key = pixels->GetColorKey();
        batcher->SetColorKey(true, key[0] * kInv255, key[1] * kInv255, key[2] * kInv255);
    } else {
        batcher->SetColorKey(false, 0, 0, 0);
    }
    batcher->SetLineMode(false);
    uint8_t a = src->GetOpacity();
    BatcherVertex v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = BatcherVertex{pos[i][0], pos[i][1], BatcherVertex::TexCoord(tex[i][0]), BatcherVertex::TexCoord(tex[i][1]),
                             r, g, b, a};
    // A stretched opaque rectangle (a one-colour fill, mostly) goes to the
    // batcher as an opaque quad, drawn unblended where the batcher can.
    if (blendMode == 0 && SamplesOnlyOpaque(src, m, rect))
        batcher->AddOpaqueQuad(&v[0], &v[1], &v[2], &v[3]);
    else
        batcher->AddQuad(&v[0], &v[1], &v[2], &v[3]);
}

}  // namespace

void Surface::MakeRotationScale(float angle, const float scale[2], float m[4])
{
    double s = std::sin(double(angle)), c = std::cos(double(angle));
    float sf = float(s), cf = float(c);
    m[0] = cf * scale[0];
    m[1] = -(sf * scale[1]);
    m[2] = sf * scale[0];
    m[3] = cf * scale[1];
}

void Surface::ComputeTransformedQuad(Surface* src, const float& x, const float& y, const float m[4],
                                     const float anchor[2], int flip, const Rect& rect, float pos[4][2],
                                     float tex[4][2])
{
    float ox = float(src->GetDrawOffsetX()), oy = float(src->GetDrawOffsetY());
    float w = float(rect.w), h = float(rect.h);
    float ax = anchor[0], ay = anchor[1];
    const float corners[4][2] = {
        {ox - ax, oy - ay},
        {(w - ax) + ox, oy - ay},
        {(w - ax) + ox, (h - ay) + oy},
        {ox - ax, (h - ay) + oy},
    };
    for (int i = 0; i < 4; ++i) {
        pos[i][0] = m[0] * corners[i][0] + m[1] * corners[i][1] + x;
        pos[i][1] = m[2] * corners[i][0] + m[3] * corners[i][1] + y;
    }
    int px0 = src->GetPageX(), py0 = src->GetPageY();
    const int texel[4][2] = {
        {px0 + rect.x, py0 + rect.y},
        {px0 + rect.x + rect.w, py0 + rect.y},
        {px0 + rect.x + rect.w, py0 + rect.y + rect.h},
        {px0 + rect.x, py0 + rect.y + rect.h},
    };
    static const int kOrder[3][4] = {{0, 1, 2, 3}, {3, 2, 1, 0}, {1, 0, 3, 2}};
    const int* order = flip == 1 ? kOrder[1] : flip == 2 ? kOrder[2] : kOrder[0];
    PixelData* pixels = src->GetPixelData();
    float su = pixels ? pixels->GetTexScaleU() : 1.0f, sv = pixels ? pixels->GetTexScaleV() : 1.0f;
    for (int i = 0; i < 4; ++i) {
        tex[i][0] = float(texel[order[i]][0]) * su;
        tex[i][1] = float(texel[order[i]][1]) * sv;
    }
}

void Surface::BlitWithMatrix(Surface* dst, Surface* src, const float& x, const float& y, const float m[4],
                             const float anchor[2], int flip, const Rect& rect)
{
    Submit(dst, src, x, y, m, anchor, flip, rect, 0, 255, 255, 255);
}

void Surface::BlitWithMatrixAdditive(Surface* dst, Surface* src, const float& x, const float& y, const float m[4],
                                     const float anchor[2], int flip, const Rect& rect)
{
    Submit(dst, src, x, y, m, anchor, flip, rect, 1, 255, 255, 255);
}

void Surface::BlitTransformed(Surface* dst, Surface* src, const float& x, const float& y, const float& angle,
                              const float scale[2], const float anchor[2], int flip, const Rect& rect)
{
    float m[4];
    MakeRotationScale(angle, scale, m);
    BlitWithMatrix(dst, src, x, y, m, anchor, flip, rect);
}

void Surface::BlitTransformedAdditive(Surface* dst, Surface* src, const float& x, const float& y,
                                      const float& angle, const float scale[2], const float anchor[2], int flip,
                                      const Rect& rect)
{
    float m[4];
    MakeRotationScale(angle, scale, m);
    BlitWithMatrixAdditive(dst, src, x, y, m, anchor, flip, rect);
}

void Surface::BlitTransformedTinted(Surface* dst, Surface* src, const float& x, const float& y, const float& angle,
                                    const float scale[2], const float anchor[2], int flip, const Rect& rect,
                                    const uint8_t tint[3])
{
    float m[4];
    MakeRotationScale(angle, scale, m);
    Submit(dst, src, x, y, m, anchor, flip, rect, 0, tint[0], tint[1], tint[2]);
}

}  // namespace Voke
