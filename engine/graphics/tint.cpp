#include "engine/graphics/tint.h"

#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/render_features.h"
#include "engine/graphics/surface.h"

namespace Voke {

namespace {
constexpr uint32_t kOverBrightFeature = 0x20;
constexpr float kInv255 = 0.003921569f;
}  // namespace

Tint::Tint() : m_shader(false)
{
    if (GetRenderFeatureFlags() & kOverBrightFeature)
        m_shader.SetSources(OpenGLShader::UVOnlyVertexSource(), OpenGLShader::TintFragmentSource());
}

void Tint::SetColor(const float& r, const float& g, const float& b)
{
    m_r = int(r * 255.0f);
    m_g = int(g * 255.0f);
    m_b = int(b * 255.0f);
}

void Tint::Apply(Surface* source, Surface* destination, int x, int y, const Rect* rect)
{
    Batcher* batcher = Batcher::Get();
    if (!batcher || !source || !destination || !rect) return;
    PixelData* target = destination->GetPixelData();
    PixelData* pixels = source->GetPixelData();
    if (!target || target->GetKind() != PixelData::kTexture || !pixels ||
        (pixels->GetKind() != PixelData::kTexture && pixels->GetKind() != PixelData::kComposite))
        return;

    bool overBright = (m_r > 255 || m_g > 255 || m_b > 255) && (GetRenderFeatureFlags() & kOverBrightFeature);
    if (!overBright) {
        batcher->SetShader(nullptr);
    } else {
        batcher->SetShader(&m_shader);
        m_shader.SetUniform3f("vColor", m_r * kInv255, m_g * kInv255, m_b * kInv255);
    }
    batcher->SetTexturing(true);
    batcher->SetRenderTarget(static_cast<PixelDataGL*>(target), destination->TestFlags(~0u));
    batcher->SetTexture(pixels, source->TestFlags(~0u), source->GetOpacity());
    batcher->SetClipRect(destination->GetClipRect());
    batcher->SetBlendMode(0);
    batcher->SetColorKey(false, 0, 0, 0);
    if (source->TestFlags(Surface::kColorKey)) {
        const uint8_t* key = pixels->GetColorKey();
        batcher->SetColorKey(true, key[0] * kInv255, key[1] * kInv255, key[2] * kInv255);
    } else {
        batcher->SetColorKey(false, 0, 0, 0);
    }
    batcher->SetLineMode(false);

    float left = float(x + destination->GetDrawOffsetX()), top = float(y + destination->GetDrawOffsetY());
    float right = left + float(rect->w), bottom = top + float(rect->h);
    float su = pixels->GetTexScaleU(), sv = pixels->GetTexScaleV();
    float u = float(source->GetPageX() + rect->x) * su, v = float(source->GetPageY() + rect->y) * sv;
    uint16_t uL = BatcherVertex::TexCoord(u), uR = BatcherVertex::TexCoord(u + float(rect->w) * su);
    uint16_t vT = BatcherVertex::TexCoord(v), vB = BatcherVertex::TexCoord(v + float(rect->h) * sv);
    uint8_t r = uint8_t(m_r), g = uint8_t(m_g), b = uint8_t(m_b);
    BatcherVertex v0{left, top, uL, vT, r, g, b, 255};
    BatcherVertex v1{right, top, uR, vT, r, g, b, 255};
    BatcherVertex v2{right, bottom, uR, vB, r, g, b, 255};
    BatcherVertex v3{left, bottom, uL, vB, r, g, b, 255};
    batcher->AddQuad(&v0, &v1, &v2, &v3);
}

}  // namespace Voke
