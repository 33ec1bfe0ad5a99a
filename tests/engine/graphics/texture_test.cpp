// GPU textures on the real driver: compressed uploads, composites, the
// window's framebuffer, empty render targets and eviction of idle textures.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/opengl_shader.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "tests/engine/graphics/gl_fixture.h"

namespace Voke {
namespace Test {
namespace {

using TextureTest = GLTest;

SmartPtr<Surface> Compressed(uint32_t format, int w, int h, const uint8_t* block, size_t blockSize)
{
    SmartPtr<PixelDataGL> pixels(new PixelDataGL(w, h, format));
    uint8_t* data = pixels->GetDataMutable();
    for (uint32_t at = 0; at + blockSize <= pixels->GetDataSize(); at += uint32_t(blockSize))
        std::memcpy(data + at, block, blockSize);
    return SmartPtr<Surface>(new Surface(pixels.Get()));
}

TEST_F(TextureTest, CompressedTexturesBelowOneBlock)
{
    const uint8_t dxt1Green[8] = {0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0};
    const uint8_t dxt5Red[16] = {255, 255, 0, 0, 0, 0, 0, 0, 0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
    const uint8_t etc1[8] = {0xF0, 0, 0, 0, 0, 0, 0, 0};  // base red 15, table 0, index 0
    SmartPtr<Surface> a(Compressed(DXT1, 2, 2, dxt1Green, 8));
    SmartPtr<Surface> b(Compressed(DXT5, 2, 2, dxt5Red, 16));
    SmartPtr<Surface> c(Compressed(ETC1, 2, 2, etc1, 8));
    SmartPtr<Surface> d(Compressed(DXT1, 8, 4, dxt1Green, 8));
    Surface::Blit(m_window, 0, 0, a, a->GetClipRect());
    Surface::Blit(m_window, 4, 0, b, b->GetClipRect());
    Surface::Blit(m_window, 8, 0, c, c->GetClipRect());
    Surface::Blit(m_window, 12, 0, d, d->GetClipRect());
    EXPECT_EQ(WindowPixel(1, 1), MakeColor(0, 255, 0));
    EXPECT_EQ(WindowPixel(5, 1), MakeColor(255, 0, 0));
    EXPECT_EQ(WindowPixel(9, 1), MakeColor(255, 2, 2));
    EXPECT_EQ(WindowPixel(19, 3), MakeColor(0, 255, 0));
    EXPECT_EQ(WindowPixel(20, 3), MakeColor(0, 0, 0));
}

TEST_F(TextureTest, CompositeTakesTransparencyFromTheAlphaRed)
{
    Color blue = MakeColor(0, 0, 255);
    Surface::FillRect(m_window, 0, 0, kWidth, kHeight, &blue);
    SmartPtr<MemPixelData> colorPixels(new MemPixelData(2, 1, RGB888));
    colorPixels->SetPixel(0, 0, MakeColor(255, 0, 0));
    colorPixels->SetPixel(1, 0, MakeColor(0, 255, 0));
    SmartPtr<MemPixelData> alphaPixels(new MemPixelData(2, 1, RGB888));
    alphaPixels->SetPixel(1, 0, MakeColor(255, 255, 255));  // red 255: transparent
    SmartPtr<PixelDataGL> color(new PixelDataGL(*colorPixels));
    SmartPtr<PixelDataGL> alpha(new PixelDataGL(*alphaPixels));
    SmartPtr<Surface> composite(new Surface(new PixelDataComposite(color, alpha)));
    Surface::Blit(m_window, 0, 0, composite, composite->GetClipRect());
    EXPECT_EQ(WindowPixel(0, 0), MakeColor(255, 0, 0));
    EXPECT_EQ(WindowPixel(1, 0), blue);
}

TEST_F(TextureTest, CompositeKeepsItsAlphaAcrossNewTargets)
{
    // Creating a fresh target binds its texture on unit 0, where the mask
    // program reads the composite's alpha part.
    const Color red = MakeColor(255, 0, 0);
    SmartPtr<MemPixelData> colorPixels(new MemPixelData(8, 8, RGB888));
    SmartPtr<MemPixelData> alphaPixels(new MemPixelData(8, 8, RGB888));  // red 0: opaque
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) colorPixels->SetPixel(x, y, red);
    SmartPtr<PixelDataGL> color(new PixelDataGL(*colorPixels));
    SmartPtr<PixelDataGL> alpha(new PixelDataGL(*alphaPixels));
    SmartPtr<Surface> composite(new Surface(new PixelDataComposite(color, alpha)));
    SmartPtr<Surface> first(new Surface(8, 8, RGBA8888));
    SmartPtr<Surface> second(new Surface(8, 8, RGBA8888));
    Surface::Blit(first, 0, 0, composite, composite->GetClipRect());
    Surface::Blit(second, 0, 0, composite, composite->GetClipRect());
    for (Surface* target : {first.Get(), second.Get()}) {
        EXPECT_EQ(TargetPixel(target, 0, 0), red);
        EXPECT_EQ(TargetPixel(target, 7, 7), red);
    }
}

TEST_F(TextureTest, WindowFramebufferIsNeverATexture)
{
    auto* screen = static_cast<PixelDataGL*>(m_window->GetPixelData());
    EXPECT_EQ(screen->GetFramebuffer(), 0u);
    EXPECT_EQ(screen->GetPitch(), 2u * kWidth);
    Color red = MakeColor(255, 0, 0);
    uint64_t uploads = GetRenderStats().textureUploads;
    Surface::FillRect(m_window, 0, 0, 4, 4, &red);
    EXPECT_EQ(screen->GetTexture(), 0u);
    EXPECT_EQ(GetRenderStats().textureUploads, uploads);

    // A render target of its own uploads an empty texture at first use.
    SmartPtr<Surface> target(new Surface(480, 320, RGB565));
    Surface::FillRect(target, 0, 0, 480, 320, &red);
    EXPECT_EQ(GetRenderStats().textureUploads, uploads + 1);
    EXPECT_EQ(TargetPixel(target, 479, 319), red);
}

TEST_F(TextureTest, IdleTexturesAreEvictedAndComeBack)
{
    PixelDataGL::SetKeepUploads(true);
    SmartPtr<Surface> idle(MakeImage(2, 2, RGB888, [](int, int) { return MakeColor(0, 200, 0); }));
    SmartPtr<Surface> busy(MakeImage(2, 2, RGB888, [](int, int) { return MakeColor(200, 0, 0); }));
    Surface::Blit(m_window, 0, 0, idle, idle->GetClipRect());
    auto* idleTexture = static_cast<PixelDataGL*>(idle->GetPixelData());
    auto* busyTexture = static_cast<PixelDataGL*>(busy->GetPixelData());
    for (int frame = 0; frame < PixelDataGL::kIdleFramesBeforeEviction + 1; ++frame) {
        EXPECT_TRUE(idleTexture->IsUploaded()) << frame;
        Surface::Blit(m_window, 4, 0, busy, busy->GetClipRect());
        Batcher()->Flush();
        PixelDataGL::CollectUnused();
    }
    EXPECT_FALSE(idleTexture->IsUploaded());
    EXPECT_EQ(idleTexture->GetTexture(), 0u);
    EXPECT_TRUE(busyTexture->IsUploaded());
    Surface::Blit(m_window, 8, 0, idle, idle->GetClipRect());  // uploads again from its record
    EXPECT_EQ(WindowPixel(9, 1), MakeColor(0, 200, 0));
    PixelDataGL::SetKeepUploads(false);
}

TEST_F(TextureTest, ReleasedNamesAreRebuiltAtNextUse)
{
    PixelDataGL::SetKeepUploads(true);
    SmartPtr<Surface> image(MakeImage(2, 2, RGB888, [](int, int) { return MakeColor(9, 99, 199); }));
    Surface::Blit(m_window, 0, 0, image, image->GetClipRect());
    Batcher()->Flush();
    // Every GL name goes, as at the end of a context; the objects rebuild
    // themselves at their next use.
    PixelDataGL::ReleaseAll();
    OpenGLShader::DeleteAll();
    EXPECT_FALSE(static_cast<PixelDataGL*>(image->GetPixelData())->IsUploaded());
    EXPECT_EQ(Batcher()->GetProgram(OpenGLBatcher::kTextured)->GetProgram(), 0u);
    Surface::Clear(m_window, 0);
    Surface::Blit(m_window, 0, 0, image, image->GetClipRect());
    EXPECT_EQ(WindowPixel(1, 1), MakeColor(9, 99, 199));
    PixelDataGL::SetKeepUploads(false);
}

TEST_F(TextureTest, TextureBytesFollowUploadsAndEvictions)
{
    PixelDataGL::SetKeepUploads(true);
    const uint64_t before = PixelDataGL::GetTextureBytes();
    // 3 x 5 RGB888 pads to 4 x 8 at 3 bytes; 5 x 2 RGBA8888 to 8 x 2 at 4;
    // an RGB565 render target of 3 x 3 to 4 x 4 at 2; an 8 x 4 DXT1 is two
    // 8-byte blocks. Nothing counts before its first draw.
    SmartPtr<Surface> rgb(MakeImage(3, 5, RGB888, [](int, int) { return MakeColor(1, 2, 3); }));
    SmartPtr<Surface> rgba(MakeImage(5, 2, RGBA8888, [](int, int) { return MakeColor(1, 2, 3); }));
    SmartPtr<Surface> target(new Surface(3, 3, RGB565));
    const uint8_t dxt1[8] = {0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0};
    SmartPtr<Surface> compressed(Compressed(DXT1, 8, 4, dxt1, 8));
    EXPECT_EQ(PixelDataGL::GetTextureBytes(), before);
    Surface::Blit(m_window, 0, 0, rgb, rgb->GetClipRect());
    Surface::Blit(m_window, 0, 0, rgba, rgba->GetClipRect());
    Color red = MakeColor(255, 0, 0);
    Surface::FillRect(target, 0, 0, 3, 3, &red);
    Surface::Blit(m_window, 0, 0, compressed, compressed->GetClipRect());
    Batcher()->Flush();
    EXPECT_EQ(PixelDataGL::GetTextureBytes(), before + 4 * 8 * 3 + 8 * 2 * 4 + 4 * 4 * 2 + 16);

    // An evicted texture gives its storage back; destroyed ones too.
    for (int frame = 0; frame < PixelDataGL::kIdleFramesBeforeEviction + 1; ++frame) {
        Surface::Blit(m_window, 0, 0, rgba, rgba->GetClipRect());
        Batcher()->Flush();
        PixelDataGL::CollectUnused();
    }
    EXPECT_EQ(PixelDataGL::GetTextureBytes(), before + 8 * 2 * 4);
    rgba.Reset();
    EXPECT_EQ(PixelDataGL::GetTextureBytes(), before);
    PixelDataGL::SetKeepUploads(false);
}

}  // namespace
}  // namespace Test
}  // namespace Voke
