// Pixel formats, memory pixel access, XPM text and the conversion of pixels
// for upload, all without a GL context.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/graphics/atlas.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/pixel_data_rle.h"
#include "engine/graphics/surface.h"
#include "engine/graphics/tint.h"

namespace Voke {
namespace {

TEST(PixelAccess, ReadsEachFormatAndAnswersZeroOutside)
{
    SmartPtr<MemPixelData> p565(new MemPixelData(2, 1, RGB565));
    p565->GetDataMutable()[0] = 0xFF;
    p565->GetDataMutable()[1] = 0xFF;
    EXPECT_EQ(p565->GetPixel(0, 0), 0xFFF8FCF8u);
    EXPECT_EQ(p565->GetPixel(-1, 0), 0u);
    EXPECT_EQ(p565->GetPixel(2, 0), 0u);

    SmartPtr<MemPixelData> rgba(new MemPixelData(1, 1, RGBA8888));
    uint8_t bgra[4] = {1, 2, 3, 4};  // blue first in memory
    std::memcpy(rgba->GetDataMutable(), bgra, 4);
    EXPECT_EQ(rgba->GetPixel(0, 0), MakeColor(3, 2, 1, 4));
}

TEST(PixelAccess, SetPixelBlendsOrReplacesByFormat)
{
    SmartPtr<MemPixelData> rgb(new MemPixelData(1, 1, RGB888));
    rgb->SetPixel(0, 0, MakeColor(10, 20, 30, 255));
    EXPECT_EQ(rgb->GetData()[0], 30);
    EXPECT_EQ(rgb->GetData()[2], 10);
    rgb->SetPixel(0, 0, MakeColor(200, 200, 200, 0));  // alpha 0 keeps every byte
    EXPECT_EQ(rgb->GetPixel(0, 0), MakeColor(10, 20, 30));
    SmartPtr<MemPixelData> black(new MemPixelData(1, 1, RGB888));
    black->SetPixel(0, 0, MakeColor(255, 255, 255, 128));
    EXPECT_EQ(black->GetData()[0], 128);

    SmartPtr<MemPixelData> rgba(new MemPixelData(1, 1, RGBA8888));
    rgba->SetPixel(0, 0, MakeColor(1, 2, 3, 0));
    EXPECT_EQ(rgba->GetPixel(0, 0), MakeColor(1, 2, 3, 0));

    SmartPtr<MemPixelData> p565(new MemPixelData(1, 1, RGB565));
    p565->SetPixel(0, 0, MakeColor(255, 0, 255));
    EXPECT_EQ(p565->GetData()[0] | p565->GetData()[1] << 8, 0xF81F);
    p565->SetPixel(5, 5, MakeColor(0, 0, 0));  // outside: ignored, no write
}

TEST(Xpm, ColoursRowsAndDamagedText)
{
    const char* image[] = {"3 2 2 1", "#\tc #FF00FF", ".\tc #ff0000", "#.#", ".#"};
    SmartPtr<MemPixelData> xpm(new MemPixelData(image));
    EXPECT_EQ(xpm->GetFormat(), uint32_t(RGB888));
    EXPECT_EQ(xpm->GetPixel(0, 0), MakeColor(255, 0, 255));
    EXPECT_EQ(xpm->GetData()[0], 255);  // blue first
    EXPECT_EQ(xpm->GetPixel(1, 0), MakeColor(0, 0, 0));  // lower-case hex counts as 0
    EXPECT_EQ(xpm->GetPixel(1, 1), MakeColor(255, 0, 255));
    EXPECT_EQ(xpm->GetPixel(2, 1), MakeColor(0, 0, 0));  // short row: black, not read past

    const char* twice[] = {"1 1 2 2", "ab\tc #00FF00", "ab\tc #0000FF", "ab"};
    EXPECT_EQ(SmartPtr<MemPixelData>(new MemPixelData(twice))->GetPixel(0, 0), MakeColor(0, 0, 255));

    const char* unknown[] = {"2 1 1 1", "x\tc #FFFFFF", "yx"};
    SmartPtr<MemPixelData> u(new MemPixelData(unknown));
    EXPECT_EQ(u->GetPixel(0, 0), MakeColor(0, 0, 0));
    EXPECT_EQ(u->GetPixel(1, 0), MakeColor(255, 255, 255));

    const char* absurd[] = {"100000 100000 1 1"};
    EXPECT_EQ(SmartPtr<MemPixelData>(new MemPixelData(absurd))->GetWidth(), 0);
    const char* truncated[] = {"2 2 1 1", nullptr};
    EXPECT_EQ(SmartPtr<MemPixelData>(new MemPixelData(truncated))->GetPixel(0, 0), MakeColor(0, 0, 0));
}

TEST(UploadConversion, PadsByReplicatingLastColumnAndRow)
{
    SmartPtr<MemPixelData> src(new MemPixelData(100, 30, RGB565));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x) {
            src->GetDataMutable()[(y * 100 + x) * 2] = uint8_t(x);
            src->GetDataMutable()[(y * 100 + x) * 2 + 1] = uint8_t(y);
        }
    SmartPtr<PixelDataGL> gl(new PixelDataGL(*src));
    EXPECT_EQ(gl->GetPaddedWidth(), 128);
    EXPECT_EQ(gl->GetPaddedHeight(), 32);
    EXPECT_FLOAT_EQ(gl->GetTexScaleU(), 1.0f / 128);
    EXPECT_FLOAT_EQ(gl->GetTexScaleV(), 1.0f / 32);
    const uint8_t* d = gl->GetData();
    EXPECT_EQ(d[(5 * 128 + 127) * 2], 99);  // column 127 repeats column 99
    EXPECT_EQ(d[(31 * 128 + 10) * 2 + 1], 29);  // row 31 repeats row 29
    EXPECT_EQ(src->GetData(), nullptr);  // the source's copy is freed

    SmartPtr<MemPixelData> square(new MemPixelData(64, 64, A8));
    SmartPtr<PixelDataGL> unpadded(new PixelDataGL(*square));
    EXPECT_EQ(unpadded->GetPaddedWidth(), 64);
}

TEST(UploadConversion, SwapsToRedFirstAndRefusesEmptyImages)
{
    SmartPtr<MemPixelData> rgb(new MemPixelData(1, 1, RGB888));
    rgb->SetPixel(0, 0, MakeColor(1, 2, 3));
    SmartPtr<PixelDataGL> gl(new PixelDataGL(*rgb));
    EXPECT_EQ(gl->GetData()[0], 1);
    EXPECT_EQ(gl->GetData()[2], 3);

    SmartPtr<MemPixelData> rgba(new MemPixelData(2, 1, RGBA8888));
    rgba->SetPixel(1, 0, MakeColor(9, 8, 7, 6));
    SmartPtr<PixelDataGL> gl4(new PixelDataGL(*rgba));
    EXPECT_EQ(gl4->GetData()[4], 9);
    EXPECT_EQ(gl4->GetData()[7], 6);

    // Zero-sized images are not read (no row -1 to replicate) and upload empty.
    SmartPtr<MemPixelData> empty(new MemPixelData(0, 7, RGB565));
    SmartPtr<PixelDataGL> none(new PixelDataGL(*empty));
    EXPECT_EQ(none->GetData(), nullptr);
    EXPECT_EQ(none->GetPaddedWidth(), 1);
    // A source whose pixels were already freed gives zeros, not a crash.
    SmartPtr<MemPixelData> freed(new MemPixelData(3, 3, RGB888));
    freed->FreeData();
    SmartPtr<PixelDataGL> zeros(new PixelDataGL(*freed));
    EXPECT_EQ(zeros->GetData()[0], 0);
}

// Rows opaque all through, as atlas entries tell them to a caller that skips
// drawing what they hide: one translucent pixel inside the rectangle (at its
// last column) voids its row, pixels outside it do not; what cannot be told
// is nothing, and the entry's opacity, filtering or colour key void all.
TEST(OpaqueRows, FromTheUploadRecordThroughAtlasEntries)
{
    SmartPtr<MemPixelData> src(new MemPixelData(6, 4, RGBA8888));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) src->SetPixel(x, y, MakeColor(10, 20, 30, 255));
    src->SetPixel(4, 1, MakeColor(10, 20, 30, 254));
    src->SetPixel(5, 2, MakeColor(0, 0, 0, 0));
    src->SetPixel(0, 3, MakeColor(0, 0, 0, 0));
    SmartPtr<PixelDataGL> gl(new PixelDataGL(*src));
    EXPECT_EQ(gl->FindOpaqueRows(1, 0, 4, 4), (std::vector<bool>{true, false, true, true}));
    EXPECT_TRUE(gl->FindOpaqueRows(3, 2, 4, 1).empty());  // past the right edge
    EXPECT_TRUE(gl->FindOpaqueRows(0, -1, 2, 2).empty());

    SmartPtr<Surface> page(new Surface(gl.Get()));
    SmartPtr<AtlasSurface> entry(new AtlasSurface(page, 1, 0, 4, 4));
    EXPECT_TRUE(entry->IsRowOpaque(0));
    EXPECT_FALSE(entry->IsRowOpaque(1));
    EXPECT_TRUE(entry->IsRowOpaque(3));
    EXPECT_FALSE(entry->IsRowOpaque(4));
    entry->SetOpacity(200);
    EXPECT_FALSE(entry->IsRowOpaque(0));
    entry->SetOpacity(255);
    page->SetFlags(Surface::kLinear);
    EXPECT_FALSE(entry->IsRowOpaque(0));
    EXPECT_FALSE(page->IsRowOpaque(0));  // a plain surface tells nothing

    SmartPtr<MemPixelData> rgb(new MemPixelData(3, 2, RGB888));
    EXPECT_EQ(SmartPtr<PixelDataGL>(new PixelDataGL(*rgb))->FindOpaqueRows(0, 0, 3, 2), (std::vector<bool>{true, true}));
    SmartPtr<MemPixelData> alpha(new MemPixelData(3, 2, A8));
    EXPECT_TRUE(SmartPtr<PixelDataGL>(new PixelDataGL(*alpha))->FindOpaqueRows(0, 0, 3, 2).empty());
}

// The upload buffer of a run-length image (red first after the swap).
std::vector<uint8_t> DecodeRle(int width, int height, const std::vector<uint8_t>& stream)
{
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(width, height, uint32_t(stream.size()), stream.data()));
    SmartPtr<PixelDataGL> gl(new PixelDataGL(*rle));
    EXPECT_EQ(gl->GetFormat(), uint32_t(RGBA8888));
    EXPECT_EQ(rle->GetData(), nullptr);  // the stream is freed once decoded
    const uint8_t* d = gl->GetData();
    return std::vector<uint8_t>(d, d + size_t(gl->GetPaddedWidth()) * gl->GetPaddedHeight() * 4);
}

TEST(RunLengthUpload, DecodesEveryOp)
{
    // op 3: two pixels alpha 31 of 0xF800; op 0: one transparent; op 1: one
    // pixel alpha 16 of 0x001F; op 2: one opaque 0x07E0; op 4: three of 0xFFFF.
    std::vector<uint8_t> row = {0, 0, 0,
                                3, 2, 0, 31, 0x00, 0xF8,
                                0, 1, 0,
                                1, 1, 0, 16, 0x1F, 0x00,
                                2, 1, 0, 0xE0, 0x07,
                                4, 3, 0, 0xFF, 0xFF};
    row[1] = uint8_t(row.size() - 3);
    row[0] = 0x0A;
    std::vector<uint8_t> d = DecodeRle(8, 1, row);
    const uint8_t want[8][4] = {{255, 0, 0, 255}, {255, 0, 0, 255}, {0, 0, 0, 0}, {0, 0, 255, 132},
                                {0, 255, 0, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}};
    for (int x = 0; x < 8; ++x)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(d[size_t(x) * 4 + c], want[x][c]) << x << "," << c;
}

TEST(RunLengthUpload, DamagedStreamsStayInsideTheirBuffers)
{
    auto opaqueRow = [](uint8_t count) { return std::vector<uint8_t>{0x0A, 5, 0, 4, count, 0, 0x00, 0xF8}; };
    // Two good rows, then padding rows repeat the last one.
    std::vector<uint8_t> two = opaqueRow(3);
    std::vector<uint8_t> second = opaqueRow(3);
    two.insert(two.end(), second.begin(), second.end());
    std::vector<uint8_t> d = DecodeRle(3, 3, two);
    EXPECT_EQ(d[0], 255);
    EXPECT_EQ(d[2 * 16 + 3], 0);  // row 2 of 3 was never in the stream: transparent
    // Counts past the width, an unknown op, a truncated stream, a bad marker:
    // nothing is written past the image, the rest stays transparent.
    EXPECT_EQ(DecodeRle(2, 1, opaqueRow(200))[0], 0);
    EXPECT_EQ(DecodeRle(3, 1, {0x0A, 3, 0, 9, 3, 0})[0], 0);
    EXPECT_EQ(DecodeRle(3, 1, {0x0A, 5, 0, 4, 3})[0], 0);
    EXPECT_EQ(DecodeRle(3, 2, {0x0B, 5, 0, 4, 3, 0, 0x00, 0xF8})[0], 0);
    EXPECT_EQ(DecodeRle(3, 1, {0x0A, 200, 0, 4, 3, 0, 0x00, 0xF8})[0], 0);  // row longer than the stream
    EXPECT_EQ(DecodeRle(4, 1, {0x0A, 9, 0, 1, 4, 0, 31, 0, 0xF8, 31, 0, 0xF8})[0], 0);  // literal runs out
}

TEST(UploadConversion, CompressedBuffersHoldWholeBlocks)
{
    // Below one 4 x 4 block a level still needs one whole block.
    EXPECT_EQ(SmartPtr<PixelDataGL>(new PixelDataGL(2, 2, ETC1))->GetDataSize(), 8u);
    EXPECT_EQ(SmartPtr<PixelDataGL>(new PixelDataGL(1, 1, DXT5))->GetDataSize(), 16u);
    EXPECT_EQ(SmartPtr<PixelDataGL>(new PixelDataGL(60, 32, DXT1))->GetDataSize(), 16u * 8 * 8);
    // PVRTC needs 8 x 8 (4 bpp) or 16 x 8 (2 bpp) worth of data.
    EXPECT_EQ(SmartPtr<PixelDataGL>(new PixelDataGL(4, 4, PVRTC4_RGBA))->GetDataSize(), 32u);
    // Render targets get no buffer; run-length and unknown formats become RGB888.
    SmartPtr<PixelDataGL> target(new PixelDataGL(10, 10, RLE));
    EXPECT_EQ(target->GetFormat(), uint32_t(RGB888));
    EXPECT_EQ(target->GetData(), nullptr);
    EXPECT_EQ(SmartPtr<PixelDataGL>(new PixelDataGL(1, 1, 99))->GetFormat(), uint32_t(RGB888));
}

TEST(UploadConversion, Convert888To565ReadsTheRedFirstBuffer)
{
    SmartPtr<MemPixelData> rgb(new MemPixelData(2, 1, RGB888));
    rgb->SetPixel(0, 0, MakeColor(255, 0, 0));
    rgb->SetPixel(1, 0, MakeColor(0, 0, 255));
    SmartPtr<Surface> s(new Surface(rgb.Get()));
    ASSERT_TRUE(Surface::ConvertRGB888To565(s));
    const uint8_t* d = s->GetPixelData()->GetData();
    EXPECT_EQ(d[0] | d[1] << 8, 0xF800);  // red stays red
    EXPECT_EQ(d[2] | d[3] << 8, 0x001F);
    EXPECT_EQ(s->GetPixelData()->GetFormat(), uint32_t(RGB565));
    EXPECT_FALSE(Surface::ConvertRGB888To565(s));  // no longer RGB888
}

TEST(SurfaceBasics, PixelWritesRespectTheClip)
{
    SmartPtr<MemPixelData> cpu(new MemPixelData(4, 4, RGB888));
    // Pixel access goes to the pixel data; writes respect the clip.
    struct Clipped : Surface {
        explicit Clipped(PixelData* p) { SetPixelData(p); }
    };
    SmartPtr<Surface> c(new Clipped(cpu.Get()));
    c->SetClipRect(Rect{0, 0, 2, 2});
    c->SetPixel(2, 0, MakeColor(255, 255, 255));
    EXPECT_EQ(c->GetPixel(2, 0), MakeColor(0, 0, 0));
    c->SetPixel(1, 1, MakeColor(255, 255, 255));
    EXPECT_EQ(c->GetPixel(1, 1), MakeColor(255, 255, 255));
    EXPECT_EQ(c->GetPixel(3, 3), MakeColor(0, 0, 0));  // outside the clip still reads
}

TEST(SurfaceBasics, DrawingWithoutABatcherDoesNothing)
{
    ASSERT_EQ(Batcher::Get(), nullptr);
    SmartPtr<Surface> target(new Surface(8, 8, RGBA8888));
    Color red = MakeColor(255, 0, 0);
    Surface::FillRect(target, 0, 0, 4, 4, &red);
    Surface::DrawCircle(target, 4, 4, 3, &red);
    Surface::Blit(target, 0, 0, target, target->GetClipRect());
    EXPECT_FALSE(static_cast<PixelDataGL*>(target->GetPixelData())->IsUploaded());
}

TEST(GLInfoRecord, ExtensionSplitting)
{
    std::set<std::string> a, b;
    GLInfo::SplitExtensions("GL_A GL_B GL_C", a);
    GLInfo::SplitExtensions("  GL_A\t\tGL_B  GL_C GL_A \n", b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.size(), 3u);
}

}  // namespace
}  // namespace Voke
