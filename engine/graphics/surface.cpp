#include "engine/graphics/surface.h"

#include <algorithm>
#include <cmath>

#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data_gl.h"

namespace Voke {

namespace {

constexpr float kInv255 = 0.003921569f;  // 1/255 as every colour conversion uses it

// The texture behind a target surface, or null when it cannot be drawn into.
PixelDataGL* TargetOf(Surface* dst)
{
    if (!dst) return nullptr;
    PixelData* pixels = dst->GetPixelData();
    if (!pixels || pixels->GetKind() != PixelData::kTexture) return nullptr;
    return static_cast<PixelDataGL*>(pixels);
}

bool Drawable(Surface* src)
{
    if (!src || !src->GetPixelData()) return false;
    int kind = src->GetPixelData()->GetKind();
    return kind == PixelData::kTexture || kind == PixelData::kComposite;
}

BatcherVertex Vertex(float x, float y, uint16_t u, uint16_t v, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    return BatcherVertex{x, y, u, v, r, g, b, a};
}

// The state of a textured draw of src onto dst; null when nothing can be drawn.
Batcher* BeginTextured(Surface* dst, Surface* src, int blendMode, bool allowKey)
{
    Batcher* batcher = Batcher::Get();
    PixelDataGL* target = TargetOf(dst);
    if (!batcher || !target || !Drawable(src)) return nullptr;
    PixelData* pixels = src->GetPixelData();
    batcher->SetShader(nullptr);
    batcher->SetTexturing(true);
    batcher->SetRenderTarget(target, dst->TestFlags(~0u));
    batcher->SetTexture(pixels, src->TestFlags(~0u), src->GetOpacity());
    batcher->SetClipRect(dst->GetClipRect());
    batcher->SetBlendMode(blendMode);
    if (allowKey && src->TestFlags(Surface::kColorKey)) {
        const uint8_t* key = pixels->GetColorKey();
        batcher->SetColorKey(true, key[0] * kInv255, key[1] * kInv255, key[2] * kInv255);
    } else {
        batcher->SetColorKey(false, 0, 0, 0);
    }
    batcher->SetLineMode(false);
    return batcher;
}

// The state of an untextured draw onto dst; null when nothing can be drawn.
Batcher* BeginColored(Surface* dst, bool lines, const Color* color)
{
    Batcher* batcher = Batcher::Get();
    PixelDataGL* target = TargetOf(dst);
    if (!batcher || !target || !color) return nullptr;
    batcher->SetShader(nullptr);
    batcher->SetTexturing(false);
    batcher->SetRenderTarget(target, dst->TestFlags(~0u));
    batcher->SetClipRect(dst->GetClipRect());
    batcher->SetBlendMode(0);
    batcher->SetColorKey(false, 0, 0, 0);
    batcher->SetLineMode(lines);
    batcher->SetOpacityHint(ColorA(*color));
    return batcher;
}

// The quad of an axis-aligned blit: the clamped rectangle of src at (x, y)
// plus the source's draw offset. Clamping does not move the destination.
void BlitQuad(Batcher* batcher, int x, int y, Surface* src, const Rect* rect, uint8_t r, uint8_t g, uint8_t b,
              bool opaque = false)
{
    PixelData* pixels = src->GetPixelData();
    int W = pixels->GetWidth(), H = pixels->GetHeight();
    int sx = std::max(rect->x, 0), sy = std::max(rect->y, 0);
    int w = std::max(std::min(rect->x + rect->w, W) - sx, 0);
    int h = std::max(std::min(rect->y + rect->h, H) - sy, 0);
    float tx = float(x + src->GetDrawOffsetX()), ty = float(y + src->GetDrawOffsetY());
    float su = pixels->GetTexScaleU(), sv = pixels->GetTexScaleV();
    float left = float(src->GetPageX() + sx) * su, top = float(src->GetPageY() + sy) * sv;
    uint16_t uL = BatcherVertex::TexCoord(left), uR = BatcherVertex::TexCoord(left + su * float(w));
    uint16_t vT = BatcherVertex::TexCoord(top), vB = BatcherVertex::TexCoord(top + sv * float(h));
    uint8_t a = src->GetOpacity();
    BatcherVertex v0 = Vertex(tx, ty, uL, vT, r, g, b, a);
    BatcherVertex v1 = Vertex(tx + float(w), ty, uR, vT, r, g, b, a);
    BatcherVertex v2 = Vertex(tx + float(w), ty + float(h), uR, vB, r, g, b, a);
    BatcherVertex v3 = Vertex(tx, ty + float(h), uL, vB, r, g, b, a);
    if (opaque)
        batcher->AddOpaqueQuad(&v0, &v1, &v2, &v3);
    else
        batcher->AddQuad(&v0, &v1, &v2, &v3);
}

// Runs of fewer opaque rows are drawn blended with the rows around them.
constexpr int kMinOpaqueRun = 8;
// Runs of fewer clear rows are drawn with the rows around them.
constexpr int kMinClearRun = 4;

// A plain blit in pieces of whole rows: runs of rows that the source knows to
// be opaque all through go to the batcher as opaque quads (drawn without
// blending where the batcher can: the same pixels, faster), runs of rows it
// knows to be fully transparent are left out (blending them changes no
// pixel), the rows between them go as ordinary quads. The pieces do not
// overlap, and each keeps the texels of its rows (texture coordinates of
// whole texels are exact).
void BlitInRowRuns(Batcher* batcher, int x, int y, Surface* src, const Rect& rect)
{
    const int top = std::max(rect.y, 0), bottom = std::min(rect.y + rect.h, src->GetPixelData()->GetHeight());
    auto piece = [&](int from, int to, bool opaque) {
        if (from >= to) return;
        const Rect rows{rect.x, from, rect.w, to - from};
        BlitQuad(batcher, x, y + (from - top), src, &rows, 255, 255, 255, opaque);
    };
    int blendedFrom = top;  // the first row neither drawn nor left out yet
    for (int row = top; row < bottom;) {
        int runEnd = row;
        if (src->IsRowOpaque(row)) {
            while (runEnd < bottom && src->IsRowOpaque(runEnd)) ++runEnd;
            if (runEnd - row >= kMinOpaqueRun) {
                piece(blendedFrom, row, false);
                piece(row, runEnd, true);
                blendedFrom = runEnd;
            }
        } else if (src->IsRowClear(row)) {
            while (runEnd < bottom && src->IsRowClear(runEnd)) ++runEnd;
            if (runEnd - row >= kMinClearRun) {
                piece(blendedFrom, row, false);
                blendedFrom = runEnd;
            }
        }
        row = std::max(runEnd, row + 1);
    }
    piece(blendedFrom, bottom, false);
}

// Segment count of a circle polygon; 0 when it cannot be drawn.
int CircleSegments(float radius)
{
    if (!std::isfinite(radius) || radius <= 0.0f) return 0;
    double n = 4.0 * std::sqrt(double(radius));
    // NOTE: a bound on the segments of one circle keeps absurd radii from
    // flooding the batch; 4096 segments is a radius of a million pixels.
    return n > 4096.0 ? 4096 : int(n);
}

// Point k of the polygon, rotating the offset incrementally as the engine
// always has (no trigonometry per point).
struct CircleWalk {
    float cx, cy, dx, dy, c, s;
    CircleWalk(float x, float y, float radius, int n) : cx(x), cy(y), dx(radius), dy(0.0f)
    {
        float step = 6.2831855f / float(n);
        c = std::cos(step);
        s = std::sin(step);
    }
    void Next()
    {
        float nx = dx * c - dy * s;
        float ny = dx * s + dy * c;
        dx = nx;
        dy = ny;
    }
};

}  // namespace

Surface::Surface() = default;

Surface::Surface(int width, int height, uint32_t format)
{
    SetPixelData(new PixelDataGL(width, height, format));
}

Surface::Surface(PixelData* pixels)
{
    if (!pixels) return;
    switch (pixels->GetKind()) {
    case PixelData::kMemory:
    case PixelData::kRunLength: {
        SmartPtr<PixelData> hold(pixels);  // a count-0 source lives through the conversion
        SetPixelData(new PixelDataGL(*pixels));
        break;
    }
    case PixelData::kTexture:
    case PixelData::kComposite: SetPixelData(pixels); break;
    default: break;
    }
}

Surface::~Surface() { m_pixels.Reset(); }

void Surface::SetPixelData(PixelData* pixels)
{
    m_pixels = pixels;
    m_clip = Rect{0, 0, pixels ? pixels->GetWidth() : 0, pixels ? pixels->GetHeight() : 0};
}

Color Surface::GetPixel(int x, int y) const { return m_pixels ? m_pixels->GetPixel(x, y) : 0; }

void Surface::SetPixel(int x, int y, const Color& color)
{
    if (!m_pixels || x < m_clip.x || y < m_clip.y || x >= m_clip.x + m_clip.w || y >= m_clip.y + m_clip.h) return;
    m_pixels->SetPixel(x, y, color);
}

int Surface::GetWidth() const { return m_pixels ? m_pixels->GetWidth() : 0; }

int Surface::GetHeight() const { return m_pixels ? m_pixels->GetHeight() : 0; }

bool Surface::Update(const float&) { return true; }

Surface* Surface::CreateCopy(Surface* source)
{
    uint32_t format = source->GetPixelData() ? source->GetPixelData()->GetFormat() : uint32_t(RGBA8888);
    Surface* copy = new Surface(source->GetWidth(), source->GetHeight(), format);
    Color black = 0xFF000000u;
    Clear(copy, &black);
    Blit(copy, 0, 0, source, source->GetClipRect());
    return copy;
}

void Surface::Blit(Surface* dst, int x, int y, Surface* src, const Rect* rect)
{
    if (!rect) return;
    if (Batcher* batcher = BeginTextured(dst, src, 0, true)) BlitInRowRuns(batcher, x, y, src, *rect);
}

void Surface::BlitAdditive(Surface* dst, int x, int y, Surface* src, const Rect* rect)
{
    if (!rect) return;
    if (Batcher* batcher = BeginTextured(dst, src, 1, true)) BlitQuad(batcher, x, y, src, rect, 255, 255, 255);
}

void Surface::BlitTinted(Surface* dst, int x, int y, const Color* color, Surface* src, const Rect* rect)
{
    if (!rect || !color) return;
    if (Batcher* batcher = BeginTextured(dst, src, 0, true))
        BlitQuad(batcher, x, y, src, rect, ColorR(*color), ColorG(*color), ColorB(*color));
}

namespace {

// One axis of a stretch of `count` texels over `extent` target pixels, in
// three parts: the pixels at either end whose samples fall outside the
// outermost texels' centres, and those between. Linear filtering would mix
// the texels beyond the source's edge into the end parts (the texture's
// padding, or a neighbour on an atlas page), so they hold the edge texel's
// centre instead; the middle part is the plain stretch. At the texture's own
// edge, clamping does that already and the end part stays empty.
struct StretchAxis {
    int32_t bounds[4];        // part i is the pixels [bounds[i], bounds[i + 1])
    uint16_t from[3], to[3];  // each part's texture coordinates at 0 and at `extent`
    bool Plain() const { return bounds[1] == 0 && bounds[2] == bounds[3]; }
};

StretchAxis MeasureStretch(int32_t extent, float first, float texel, int32_t count)
{
    const float last = first + texel * float(count);
    const uint16_t t0 = BatcherVertex::TexCoord(first), t1 = BatcherVertex::TexCoord(last);
    StretchAxis axis{{0, 0, extent, extent}, {t0, t0, t1}, {t0, t1, t1}};
    if (count <= 0 || extent <= count) return axis;
    // Half-texel coordinates are exact in the vertex units for power-of-two
    // textures.
    axis.from[0] = axis.to[0] = BatcherVertex::TexCoord(first + 0.5f * texel);
    axis.from[2] = axis.to[2] = BatcherVertex::TexCoord(last - 0.5f * texel);
    // Pixel p samples (p + 1/2) count / extent texels in: before the first
    // centre while (2p + 1) count < extent, past the last while
    // (2p + 1) count > (2 count - 1) extent.
    const int64_t n = count, m = extent;
    if (first > 0.0f) axis.bounds[1] = int32_t((m + n - 1) / (2 * n));
    if (last < 1.0f) axis.bounds[2] = int32_t(std::min<int64_t>(((2 * n - 1) * m + n) / (2 * n), m));
    return axis;
}

}  // namespace

void Surface::BlitWhole(Surface* dst, Surface* src, const Rect* rect)
{
    if (!rect) return;
    Batcher* batcher = BeginTextured(dst, src, 0, false);
    if (!batcher) return;
    PixelData* pixels = src->GetPixelData();
    int W = pixels->GetWidth(), H = pixels->GetHeight();
    int sx = std::max(rect->x, 0), sy = std::max(rect->y, 0);
    int w = std::max(std::min(rect->x + rect->w, W) - sx, 0);
    int h = std::max(std::min(rect->y + rect->h, H) - sy, 0);
    float su = pixels->GetTexScaleU(), sv = pixels->GetTexScaleV();
    float left = float(src->GetPageX() + sx) * su, top = float(src->GetPageY() + sy) * sv;
    const int32_t width = dst->GetPixelData()->GetWidth(), height = dst->GetPixelData()->GetHeight();
    const StretchAxis across = MeasureStretch(width, left, su, w);
    const StretchAxis down = MeasureStretch(height, top, sv, h);
    const float right = float(width), bottom = float(height);
    uint8_t a = src->GetOpacity();
    auto quad = [&](int column, int row) {
        BatcherVertex q0 = Vertex(0, 0, across.from[column], down.from[row], 255, 255, 255, a);
        BatcherVertex q1 = Vertex(right, 0, across.to[column], down.from[row], 255, 255, 255, a);
        BatcherVertex q2 = Vertex(right, bottom, across.to[column], down.to[row], 255, 255, 255, a);
        BatcherVertex q3 = Vertex(0, bottom, across.from[column], down.to[row], 255, 255, 255, a);
        batcher->AddQuad(&q0, &q1, &q2, &q3);
    };
    if (across.Plain() && down.Plain()) {
        quad(1, 1);
        return;
    }
    // Otherwise the same quad is drawn once for each part of the target (an
    // edge, a corner, the inside) with the clip cut to that part. Every part
    // keeps the plain stretch's geometry, so the inside is drawn exactly as
    // it would be on its own. The clip stays on the last part: every drawing
    // operation sets its own.
    const Rect* clip = dst->GetClipRect();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int32_t x0 = std::max(across.bounds[column], clip->x);
            const int32_t x1 = std::min(across.bounds[column + 1], clip->x + clip->w);
            const int32_t y0 = std::max(down.bounds[row], clip->y);
            const int32_t y1 = std::min(down.bounds[row + 1], clip->y + clip->h);
            if (x0 >= x1 || y0 >= y1) continue;
            const Rect part{x0, y0, x1 - x0, y1 - y0};
            batcher->SetClipRect(&part);
            quad(column, row);
        }
    }
}

void Surface::FillRect(Surface* dst, int x1, int y1, int x2, int y2, const Color* color)
{
    Batcher* batcher = BeginColored(dst, false, color);
    if (!batcher) return;
    uint8_t r = ColorR(*color), g = ColorG(*color), b = ColorB(*color), a = ColorA(*color);
    BatcherVertex v0 = Vertex(float(x1), float(y1), 0, 0, r, g, b, a);
    BatcherVertex v1 = Vertex(float(x2), float(y1), 0, 0, r, g, b, a);
    BatcherVertex v2 = Vertex(float(x2), float(y2), 0, 0, r, g, b, a);
    BatcherVertex v3 = Vertex(float(x1), float(y2), 0, 0, r, g, b, a);
    batcher->AddQuad(&v0, &v1, &v2, &v3);
}

void Surface::DrawRectFrame(Surface* dst, int x1, int y1, int x2, int y2, const Color* color)
{
    Batcher* batcher = BeginColored(dst, true, color);
    if (!batcher) return;
    uint8_t r = ColorR(*color), g = ColorG(*color), b = ColorB(*color), a = ColorA(*color);
    float left = float(std::min(x1, x2)), right = float(std::max(x1, x2));
    BatcherVertex p0 = Vertex(left, float(y1), 0, 0, r, g, b, a);
    BatcherVertex p1 = Vertex(right, float(y1), 0, 0, r, g, b, a);
    BatcherVertex p2 = Vertex(right, float(y2), 0, 0, r, g, b, a);
    BatcherVertex p3 = Vertex(left - 1.0f, float(y2), 0, 0, r, g, b, a);
    batcher->AddLine(&p0, &p1);
    batcher->AddVertex(&p2);
    batcher->AddVertex(&p3);
    batcher->AddVertex(&p0);
}

void Surface::DrawLine(Surface* dst, const float& x1, const float& y1, const float& x2, const float& y2,
                       const Color* color)
{
    Batcher* batcher = BeginColored(dst, true, color);
    if (!batcher) return;
    uint8_t r = ColorR(*color), g = ColorG(*color), b = ColorB(*color), a = ColorA(*color);
    BatcherVertex p0 = Vertex(x1, y1, 0, 0, r, g, b, a);
    BatcherVertex p1 = Vertex(x2, y2, 0, 0, r, g, b, a);
    batcher->AddLine(&p0, &p1);
}

void Surface::DrawVLine(Surface* dst, int x, int y1, int y2, const Color* color)
{
    DrawLine(dst, float(x), float(y1), float(x), float(y2), color);
}

void Surface::DrawHLine(Surface* dst, int x1, int x2, int y, const Color* color)
{
    DrawLine(dst, float(x1), float(y), float(x2), float(y), color);
}

void Surface::FillCircle(Surface* dst, const float& cx, const float& cy, const float& radius, const Color* color)
{
    int n = CircleSegments(radius);
    if (n - 2 <= 0) return;
    Batcher* batcher = BeginColored(dst, false, color);
    if (!batcher) return;
    uint8_t r = ColorR(*color), g = ColorG(*color), b = ColorB(*color), a = ColorA(*color);
    CircleWalk walk(cx, cy, radius, n);
    BatcherVertex p0 = Vertex(cx + walk.dx, cy + walk.dy, 0, 0, r, g, b, a);
    walk.Next();
    BatcherVertex prev = Vertex(cx + walk.dx, cy + walk.dy, 0, 0, r, g, b, a);
    for (int k = 1; k <= n - 2; ++k) {
        walk.Next();
        BatcherVertex next = Vertex(cx + walk.dx, cy + walk.dy, 0, 0, r, g, b, a);
        batcher->AddTriangle(&p0, &prev, &next);
        prev = next;
    }
}

void Surface::DrawCircle(Surface* dst, const float& cx, const float& cy, const float& radius, const Color* color)
{
    int n = CircleSegments(radius);
    if (n < 3) return;
    Batcher* batcher = BeginColored(dst, true, color);
    if (!batcher) return;
    uint8_t r = ColorR(*color), g = ColorG(*color), b = ColorB(*color), a = ColorA(*color);
    CircleWalk walk(cx, cy, radius, n);
    BatcherVertex p0 = Vertex(cx + walk.dx, cy + walk.dy, 0, 0, r, g, b, a);
    batcher->AddLine(&p0, &p0);
    for (int k = 1; k <= n; ++k) {
        walk.Next();
        BatcherVertex p = Vertex(cx + walk.dx, cy + walk.dy, 0, 0, r, g, b, a);
        batcher->AddVertex(&p);
    }
}

void Surface::Clear(Surface* dst, const Color* color)
{
    Batcher* batcher = Batcher::Get();
    PixelDataGL* target = TargetOf(dst);
    if (!batcher || !target || !color) return;
    batcher->SetRenderTarget(target, dst->TestFlags(~0u));
    batcher->SetClipRect(dst->GetClipRect());
    float r = ColorR(*color) * kInv255, g = ColorG(*color) * kInv255, b = ColorB(*color) * kInv255;
    float a = target->GetFormat() == RGBA8888 ? 0.0f : 1.0f;
    batcher->Clear(r, g, b, a);
}

void Surface::Clear(Surface* dst, int grey)
{
    uint8_t v = uint8_t(std::clamp(grey, 0, 255));
    Color color = MakeColor(v, v, v);
    Clear(dst, &color);
}

bool Surface::ConvertRGB888To565(Surface* surface)
{
    PixelData* pixels = surface ? surface->GetPixelData() : nullptr;
    if (!pixels || pixels->GetKind() != PixelData::kTexture || pixels->GetFormat() != RGB888) return false;
    PixelDataGL* texture = static_cast<PixelDataGL*>(pixels);
    const PixelDataGL::UploadData* upload = texture->GetUploadData();
    uint8_t* data = texture->GetDataMutable();
    if (!upload || !data || texture->IsUploaded()) return false;
    // The upload buffer is already red first (swapped when it was built).
    size_t count = size_t(upload->width) * size_t(upload->height);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = data + 3 * i;
        uint16_t w = uint16_t((p[0] & 0xF8) << 8 | (p[1] & 0xFC) << 3 | p[2] >> 3);
        data[2 * i] = uint8_t(w);
        data[2 * i + 1] = uint8_t(w >> 8);
    }
    texture->SetUploadFormat565();
    return true;
}

}  // namespace Voke
