// The batcher's state machine on the real driver: how many draw calls state
// changes cost, the batch limit, quads beside other shapes, the vertex ring,
// the program for opaque white batches, blending decisions, the scissor and
// the release of textures with geometry pending.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "engine/graphics/tint.h"
#include "tests/engine/graphics/gl_fixture.h"

namespace Voke {
namespace Test {
namespace {

const Color kRed = MakeColor(255, 0, 0);

using BatcherTest = GLTest;

Color Checker(int x, int y) { return (x + y) % 2 ? MakeColor(255, 255, 255) : MakeColor(0, 0, 255); }

TEST_F(BatcherTest, OneTextureOneDrawCall)
{
    SmartPtr<Surface> a(MakeImage(4, 4, RGBA8888, Checker));
    SmartPtr<Surface> b(MakeImage(4, 4, RGBA8888, Checker));
    Surface::Blit(m_window, 0, 0, a, a->GetClipRect());
    Batcher()->Flush();
    RenderStats before = GetRenderStats();
    for (int i = 0; i < 100; ++i) Surface::Blit(m_window, i % 60, i % 40, a, a->GetClipRect());
    EXPECT_EQ(GetRenderStats().drawCalls, before.drawCalls);
    Batcher()->Flush();
    EXPECT_EQ(GetRenderStats().drawCalls, before.drawCalls + 1);
    EXPECT_EQ(GetRenderStats().textureBinds, before.textureBinds);
    EXPECT_EQ(GetRenderStats().programSwitches, before.programSwitches);

    Surface::Blit(m_window, 0, 0, a, a->GetClipRect());
    Surface::Blit(m_window, 0, 0, b, b->GetClipRect());
    Surface::Blit(m_window, 0, 0, b, b->GetClipRect());
    Batcher()->Flush();
    EXPECT_EQ(GetRenderStats().drawCalls, before.drawCalls + 3);

    // Fills between blits switch program and texturing: three batches.
    Surface::Blit(m_window, 0, 0, a, a->GetClipRect());
    Surface::FillRect(m_window, 0, 0, 2, 2, &kRed);
    Surface::FillRect(m_window, 4, 4, 6, 6, &kRed);
    Surface::Blit(m_window, 0, 0, a, a->GetClipRect());
    Batcher()->Flush();
    EXPECT_EQ(GetRenderStats().drawCalls, before.drawCalls + 6);
}

TEST_F(BatcherTest, BatchRunsToTheSixteenBitIndexLimit)
{
    OpenGLBatcher* b = Batcher();
    BatcherVertex v{0, 0, 0, 0, 255, 255, 255, 255};
    // A quad over one pixel (a quad that covers none is left out).
    const BatcherVertex q[4] = {v, {1, 0, 0, 0, 255, 255, 255, 255}, {1, 1, 0, 0, 255, 255, 255, 255},
                                {0, 1, 0, 0, 255, 255, 255, 255}};
    Surface::FillRect(m_window, 0, 0, 1, 1, &kRed);  // a state for the geometry
    b->Flush();
    b->AddVertex(&v);
    EXPECT_EQ(b->GetPendingIndexCount(), 1u);  // the first vertex of a strip
    b->AddVertex(&v);
    EXPECT_EQ(b->GetPendingIndexCount(), 3u);  // joined to the one before
    b->Clear(0, 0, 0, 1);
    EXPECT_EQ(b->GetPendingIndexCount(), 0u);

    // 16 384 quads address all 65 536 vertices: one draw.
    uint64_t draws = GetRenderStats().drawCalls;
    for (uint32_t i = 0; i < OpenGLBatcher::kMaxVertices / 4; ++i) b->AddQuad(&q[0], &q[1], &q[2], &q[3]);
    EXPECT_EQ(b->GetPendingVertexCount(), OpenGLBatcher::kMaxVertices);
    EXPECT_EQ(b->GetPendingIndexCount(), OpenGLBatcher::kMaxVertices / 4 * 6);
    EXPECT_EQ(GetRenderStats().drawCalls, draws);
    b->AddQuad(&q[0], &q[1], &q[2], &q[3]);  // one more: the full batch is drawn first
    EXPECT_EQ(b->GetPendingVertexCount(), 4u);
    EXPECT_EQ(GetRenderStats().drawCalls, draws + 1);
    b->Clear(0, 0, 0, 1);

    // Lines fill it the same way, and a quad after them gets indices of its own.
    while (b->GetPendingVertexCount() + 2 <= OpenGLBatcher::kMaxVertices - 4) b->AddLine(&v, &v);
    b->AddQuad(&q[0], &q[1], &q[2], &q[3]);
    EXPECT_EQ(b->GetPendingVertexCount(), OpenGLBatcher::kMaxVertices);
    EXPECT_EQ(b->GetPendingIndexCount(), (OpenGLBatcher::kMaxVertices - 4) + 6);
    draws = GetRenderStats().drawCalls;
    b->AddTriangle(&v, &v, &v);
    EXPECT_EQ(GetRenderStats().drawCalls, draws + 1);
    EXPECT_EQ(b->GetPendingIndexCount(), 3u);
    b->Clear(0, 0, 0, 1);
}

TEST_F(BatcherTest, QuadsAndOtherShapesShareABatch)
{
    // Quads first (drawn through the fixed quad indices), then triangles and
    // lines in the same batch: the quads get their indices written.
    const Color green = MakeColor(0, 255, 0), blue = MakeColor(0, 0, 255);
    uint64_t draws = GetRenderStats().drawCalls;
    Surface::FillRect(m_window, 0, 0, 8, 8, &kRed);
    Surface::FillRect(m_window, 10, 0, 18, 8, &kRed);
    Surface::FillCircle(m_window, 30, 20, 6, &kRed);
    Surface::FillRect(m_window, 40, 0, 48, 8, &kRed);
    Surface::FillRect(m_window, 0, 30, 8, 38, &green);
    Surface::DrawLine(m_window, 0, 44.5f, 60, 44.5f, &blue);
    EXPECT_EQ(WindowPixel(4, 4), kRed);
    EXPECT_EQ(WindowPixel(14, 4), kRed);
    EXPECT_EQ(WindowPixel(30, 20), kRed);
    EXPECT_EQ(WindowPixel(44, 4), kRed);
    EXPECT_EQ(WindowPixel(4, 34), green);
    EXPECT_EQ(WindowPixel(20, 44), blue);
    EXPECT_EQ(WindowPixel(20, 10), MakeColor(0, 0, 0));
    EXPECT_EQ(GetRenderStats().drawCalls, draws + 2);  // the line mode splits
}

TEST_F(BatcherTest, UploadsGoRoundBothBuffersOfEachRing)
{
    // More full batches than both vertex buffers hold: each draw still reads
    // its own vertices.
    SmartPtr<Surface> image(MakeImage(2, 2, RGBA8888, [](int x, int) { return x ? kRed : MakeColor(0, 0, 255); }));
    const Rect left{0, 0, 1, 2}, right{1, 0, 1, 2};
    const uint32_t batches = 2 * (OpenGLBatcher::kVertexRingBytes / (OpenGLBatcher::kMaxVertices * 16)) + 1;
    for (uint32_t k = 0; k <= batches * (OpenGLBatcher::kMaxVertices / 4); ++k)
        Surface::Blit(m_window, int(k % 2) * 2, 0, image, k % 2 ? &right : &left);
    Surface::Blit(m_window, 10, 10, image, image->GetClipRect());
    EXPECT_EQ(WindowPixel(0, 0), MakeColor(0, 0, 255));
    EXPECT_EQ(WindowPixel(2, 1), kRed);
    EXPECT_EQ(WindowPixel(10, 10), MakeColor(0, 0, 255));
    EXPECT_EQ(WindowPixel(11, 11), kRed);

    // Lines take the index ring round both of its buffers the same way (a
    // full batch of lines is a quarter of a buffer); the last draws of
    // quads and lines land where they should.
    const Color green = MakeColor(0, 255, 0);
    for (uint32_t k = 0; k <= 9 * (OpenGLBatcher::kMaxVertices / 2); ++k)
        Surface::DrawLine(m_window, 20.0f, 20.5f, 30.0f, 20.5f, k % 2 ? &green : &kRed);
    Surface::Blit(m_window, 40, 40, image, image->GetClipRect());
    Surface::DrawLine(m_window, 20.0f, 24.5f, 30.0f, 24.5f, &green);
    EXPECT_EQ(WindowPixel(25, 20), kRed);
    EXPECT_EQ(WindowPixel(25, 24), green);
    EXPECT_EQ(WindowPixel(41, 41), kRed);
}

TEST_F(BatcherTest, OpaqueWhiteBatchesSkipTheVertexColour)
{
    OpenGLBatcher* b = Batcher();
    SmartPtr<Surface> image(MakeImage(2, 2, RGB888, [](int, int) { return MakeColor(200, 100, 50); }));
    Surface::Blit(m_window, 0, 0, image, image->GetClipRect());
    b->Flush();
    EXPECT_EQ(b->GetDrawnShader(), b->GetProgram(OpenGLBatcher::kPlain));
    EXPECT_EQ(b->GetCurrentShader(), b->GetProgram(OpenGLBatcher::kTextured));
    EXPECT_EQ(WindowPixel(1, 1), MakeColor(200, 100, 50));

    // One tinted quad in the batch: the whole batch multiplies the colour.
    const Color half = MakeColor(128, 255, 255);
    Surface::Blit(m_window, 4, 0, image, image->GetClipRect());
    Surface::BlitTinted(m_window, 8, 0, &half, image, image->GetClipRect());
    b->Flush();
    EXPECT_EQ(b->GetDrawnShader(), b->GetProgram(OpenGLBatcher::kTextured));
    EXPECT_EQ(WindowPixel(5, 1), MakeColor(200, 100, 50));
    EXPECT_EQ(WindowPixel(9, 1), MakeColor(100, 100, 50));
    image->SetOpacity(128);  // translucent vertices are not white either
    Surface::Blit(m_window, 12, 0, image, image->GetClipRect());
    b->Flush();
    EXPECT_EQ(b->GetDrawnShader(), b->GetProgram(OpenGLBatcher::kTextured));
}

// Quads reaching past the target are cut to it where that moves no sample.
// Each drawing is made twice: past the edges of a small target, and well
// inside a larger one, whose matching part must be the same byte for byte.
TEST_F(BatcherTest, QuadsCutAtTheTargetsEdgesGiveTheWholeQuadsPicture)
{
    SmartPtr<Surface> image(MakeImage(16, 16, RGBA8888, [](int x, int y) {
        return MakeColor(uint8_t(x * 16), uint8_t(y * 16), uint8_t(255 - x * 8), uint8_t(128 + x * 8));
    }));
    SmartPtr<Surface> dot(MakeImage(1, 1, RGBA8888, [](int, int) { return MakeColor(30, 160, 90); }));
    const Color fill = MakeColor(200, 40, 40, 160);
    const float none[2] = {0.0f, 0.0f}, wide[2] = {37.0f, 5.0f}, triple[2] = {3.0f, 3.0f}, twice[2] = {2.0f, 2.0f};
    auto draw = [&](Surface* target, int at) {
        Surface::Blit(target, at - 5, at - 7, image, image->GetClipRect());
        Surface::Blit(target, at + 20, at + 22, image, image->GetClipRect());
        Surface::FillRect(target, at - 3, at + 26, at + 40, at + 30, &fill);
        // One texel stretched across the left edge, texels stretched by
        // whole numbers across the right edge (the cut there falls between
        // texels: not made), and mirrored across the top.
        Surface::BlitTransformed(target, dot, float(at) - 20.0f, float(at) + 3.0f, 0.0f, wide, none, 0,
                                 *dot->GetClipRect());
        Surface::BlitTransformed(target, image, float(at) + 13.2f, float(at) + 2.0f, 0.0f, triple, none, 0,
                                 *image->GetClipRect());
        Surface::BlitTransformed(target, image, float(at) + 4.0f, float(at) - 9.0f, 0.0f, twice, none, 2,
                                 *image->GetClipRect());
    };
    // Sizes of powers of two keep positions exact on their way to pixels.
    SmartPtr<Surface> small(new Surface(32, 32, RGBA8888)), large(new Surface(128, 128, RGBA8888));
    Surface::Clear(small, 0);
    Surface::Clear(large, 0);
    draw(small, 0);
    draw(large, 48);
    const std::vector<uint8_t> cut = TargetPixels(small), whole = TargetPixels(large);
    for (int y = 0; y < 32; ++y)
        ASSERT_EQ(0, std::memcmp(&cut[size_t(y) * 32 * 4], &whole[(size_t(y + 48) * 128 + 48) * 4], 32 * 4))
            << "row " << y;

    // The batch holds the quad as cut; a quad wholly outside is left out.
    OpenGLBatcher* b = Batcher();
    Surface::Blit(small, -5, -7, image, image->GetClipRect());
    ASSERT_EQ(b->GetPendingVertexCount(), 4u);
    const BatcherVertex* v = b->GetPendingVertices();
    EXPECT_EQ(v[0].x, 0.0f);
    EXPECT_EQ(v[0].y, 0.0f);
    EXPECT_EQ(v[2].x, 11.0f);
    Surface::Blit(small, 32, 3, image, image->GetClipRect());
    EXPECT_EQ(b->GetPendingVertexCount(), 4u);
    b->Flush();
}

TEST(BatcherVertexTest, TexCoordsOfWholeTexelsAreExact)
{
    for (int size : {1, 2, 256, 2048}) {
        for (int texel = 0; texel <= size; ++texel) {
            float t = float(texel) * (1.0f / float(size));
            EXPECT_EQ(float(BatcherVertex::TexCoord(t)) * (1.0f / BatcherVertex::kTexCoordUnit), t) << texel << "/" << size;
        }
    }
    EXPECT_EQ(BatcherVertex::TexCoord(-0.5f), 0);
    EXPECT_EQ(BatcherVertex::TexCoord(std::nanf("")), 0);
    EXPECT_EQ(BatcherVertex::TexCoord(1.5f), 49152);
    EXPECT_EQ(BatcherVertex::TexCoord(2.0f), 65535);
    EXPECT_EQ(BatcherVertex::TexCoord(1e30f), 65535);
}

TEST_F(BatcherTest, BlendingFollowsFormatAlphaAndMode)
{
    OpenGLBatcher* b = Batcher();
    SmartPtr<Surface> opaque(MakeImage(1, 1, RGB565, Checker));
    SmartPtr<Surface> withAlpha(MakeImage(1, 1, RGBA8888, Checker));
    b->SetRenderTarget(static_cast<PixelDataGL*>(m_window->GetPixelData()), 0);
    b->SetBlendMode(0);
    b->SetTexture(opaque->GetPixelData(), 0, 255);
    EXPECT_FALSE(b->IsBlending());
    b->SetTexture(opaque->GetPixelData(), 0, 128);
    EXPECT_TRUE(b->IsBlending());
    b->SetTexture(withAlpha->GetPixelData(), 0, 255);
    EXPECT_TRUE(b->IsBlending());
    b->SetBlendMode(1);
    b->SetTexture(opaque->GetPixelData(), 0, 255);
    EXPECT_TRUE(b->IsBlending());
    b->SetOpacityHint(255);
    EXPECT_TRUE(b->IsBlending());  // additive keeps blending
    b->SetBlendMode(0);
    b->SetOpacityHint(255);
    EXPECT_FALSE(b->IsBlending());
    b->SetOpacityHint(10);
    EXPECT_TRUE(b->IsBlending());
    // An image flagged opaque is drawn without blending whatever its alpha.
    b->SetTexture(withAlpha->GetPixelData(), Surface::kOpaque, 255);
    EXPECT_FALSE(b->IsBlending());
    b->SetTexture(withAlpha->GetPixelData(), Surface::kOpaque, 128);
    EXPECT_TRUE(b->IsBlending());
}

// A four-byte back buffer drawn into, then stretched over the window as
// opaque: its colours arrive in their own order (whichever byte order the
// driver takes the texture in), and the alpha that blending left in it does
// not show through.
TEST_F(BatcherTest, FourByteBackBufferStretchesOpaque)
{
    SmartPtr<Surface> back(new Surface(4, 4, RGBA8888));
    back->SetFlags(back->TestFlags(~0u) | Surface::kOpaque);
    Surface::Clear(back, 0);
    SmartPtr<Surface> translucent(MakeImage(4, 4, RGBA8888, [](int, int) { return MakeColor(200, 100, 50, 128); }));
    Surface::Blit(back, 0, 0, translucent, translucent->GetClipRect());
    const Color white = MakeColor(255, 255, 255);
    Surface::FillRect(m_window, 0, 0, 16, 16, &white);
    Surface::BlitWhole(m_window, back, back->GetClipRect());
    Batcher()->Flush();
    // Half of (200, 100, 50) over black, not blended once more over white.
    const Color seen = WindowPixel(8, 8);
    EXPECT_NEAR(ColorR(seen), 100, 2);
    EXPECT_NEAR(ColorG(seen), 50, 2);
    EXPECT_NEAR(ColorB(seen), 25, 2);
}

TEST_F(BatcherTest, RedundantStateCostsNothing)
{
    OpenGLBatcher* b = Batcher();
    Surface::FillRect(m_window, 0, 0, 4, 4, &kRed);
    uint32_t pending = b->GetPendingVertexCount();
    ASSERT_GT(pending, 0u);
    b->SetRenderTarget(static_cast<PixelDataGL*>(m_window->GetPixelData()), 0);
    b->SetClipRect(m_window->GetClipRect());
    b->SetBlendMode(0);
    b->SetTexturing(false);
    b->SetColorKey(false, 0, 0, 0);
    EXPECT_EQ(b->GetPendingVertexCount(), pending);
    Rect other{1, 1, 5, 5};
    b->SetClipRect(&other);
    EXPECT_EQ(b->GetPendingVertexCount(), 0u);
}

TEST_F(BatcherTest, ShaderOverrideEndsWithTheNextOrdinaryDraw)
{
    OpenGLBatcher* b = Batcher();
    SmartPtr<Tint> tint(new Tint);
    SmartPtr<Surface> image(MakeImage(2, 2, RGB888, Checker));
    b->SetShader(tint->GetShader());
    b->SetColorKey(true, 1, 0, 1);  // ignored entirely under an override
    EXPECT_EQ(b->GetCurrentShader(), tint->GetShader());
    b->SetShader(nullptr);
    EXPECT_EQ(b->GetCurrentShader(), b->GetProgram(OpenGLBatcher::kTextured));

    // A keyed composite still draws with the mask program.
    SmartPtr<MemPixelData> colorPixels(new MemPixelData(1, 1, RGB888));
    SmartPtr<MemPixelData> alphaPixels(new MemPixelData(1, 1, RGB888));
    SmartPtr<PixelDataGL> color(new PixelDataGL(*colorPixels));
    SmartPtr<PixelDataGL> alpha(new PixelDataGL(*alphaPixels));
    SmartPtr<Surface> composite(new Surface(new PixelDataComposite(color, alpha)));
    composite->SetFlags(Surface::kColorKey);
    Surface::Blit(m_window, 0, 0, composite, composite->GetClipRect());
    EXPECT_EQ(b->GetCurrentShader(), b->GetProgram(OpenGLBatcher::kMask));
    Surface::Blit(m_window, 0, 0, image, image->GetClipRect());
    EXPECT_EQ(b->GetCurrentShader(), b->GetProgram(OpenGLBatcher::kTextured));
}

TEST_F(BatcherTest, ReleasingTexturesWithGeometryPending)
{
    SmartPtr<Surface> image(MakeImage(2, 2, RGB888, [](int, int) { return kRed; }));
    Surface::Blit(m_window, 0, 0, image, image->GetClipRect());
    image.Reset();  // the bound source goes: what used it is drawn first
    EXPECT_EQ(Batcher()->GetPendingVertexCount(), 0u);
    EXPECT_EQ(WindowPixel(1, 1), kRed);

    SmartPtr<Surface> target(new Surface(8, 8, RGBA8888));
    Surface::FillRect(target, 0, 0, 8, 8, &kRed);
    EXPECT_GT(Batcher()->GetPendingVertexCount(), 0u);
    target.Reset();  // the current target goes: its geometry is dropped
    EXPECT_EQ(Batcher()->GetPendingVertexCount(), 0u);
    Surface::FillRect(m_window, 4, 4, 6, 6, &kRed);  // the window is bound afresh
    EXPECT_EQ(WindowPixel(5, 5), kRed);
}

}  // namespace
}  // namespace Test
}  // namespace Voke
