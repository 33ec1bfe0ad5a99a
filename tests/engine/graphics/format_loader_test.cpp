// The engine's own image containers and the GPU block formats: "CRLE",
// "C565", DDS, legacy PVR, ETC and "PVR+", good files beside damaged ones.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "engine/graphics/batcher.h"
#include "engine/graphics/compressed_image_loaders.h"
#include "engine/graphics/image_loader.h"
#include "engine/graphics/image_loader_565.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/pvr_plus_image_loader.h"
#include "engine/graphics/rle_image_loader.h"
#include "engine/graphics/surface.h"
#include "engine/graphics/texture_decoders.h"
#include "tests/engine/graphics/image_test_util.h"

namespace Voke {
namespace {

using ImageTest::Bytes;
using ImageTest::StreamOf;

void Put32(Bytes& b, size_t at, uint32_t v)
{
    if (b.size() < at + 4) b.resize(at + 4);
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// Sets the driver capabilities for one test and puts them back after.
class CapsScope {
public:
    CapsScope(bool dxtc, bool etc, bool pvr) : m_saved(*GetGLCaps())
    {
        GetGLCaps()->dxtc = dxtc;
        GetGLCaps()->etc = etc;
        GetGLCaps()->pvr = pvr;
    }
    ~CapsScope() { *GetGLCaps() = m_saved; }

private:
    GLCaps m_saved;
};

PixelDataGL* TextureOf(Surface* s)
{
    return s && s->GetPixelData() && s->GetPixelData()->GetKind() == PixelData::kTexture
               ? static_cast<PixelDataGL*>(s->GetPixelData())
               : nullptr;
}

// ---- CRLE

SmartPtr<MemPixelData> Rgba(int w, int h, const std::function<Color(int, int)>& colour)
{
    SmartPtr<MemPixelData> p(new MemPixelData(w, h, RGBA8888));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Color c = colour(x, y);
            uint8_t* q = p->GetDataMutable() + y * p->GetPitch() + x * 4;
            q[0] = ColorB(c);
            q[1] = ColorG(c);
            q[2] = ColorR(c);
            q[3] = ColorA(c);
        }
    return p;
}

Bytes EncodeRow(const std::vector<Color>& row)
{
    SmartPtr<MemPixelData> src(Rgba(int(row.size()), 1, [&](int x, int) { return row[size_t(x)]; }));
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(*src));
    return Bytes(rle->GetData(), rle->GetData() + rle->GetStreamSize());
}

Bytes CrleFile(int w, int h, const Bytes& stream)
{
    Bytes f = {'C', 'R', 'L', 'E'};
    Put32(f, 4, uint32_t(w));
    Put32(f, 8, uint32_t(h));
    Put32(f, 12, uint32_t(stream.size()));
    f.insert(f.end(), stream.begin(), stream.end());
    return f;
}

TEST(RunLengthImage, EncoderRecords)
{
    const Color opaque1234 = MakeColor(16, 68, 160);  // RGB565 0x1234
    EXPECT_EQ(EncodeRow({0, 0, 0, 0, 0}), (Bytes{0x0A, 3, 0, 0, 5, 0}));
    EXPECT_EQ(EncodeRow({opaque1234}), (Bytes{0x0A, 5, 0, 4, 1, 0, 0x34, 0x12}));
    EXPECT_EQ(EncodeRow({opaque1234, opaque1234, opaque1234}), (Bytes{0x0A, 5, 0, 4, 3, 0, 0x34, 0x12}));
    Bytes two = EncodeRow({opaque1234, MakeColor(0, 0, 0)});
    EXPECT_EQ(two, (Bytes{0x0A, 7, 0, 2, 2, 0, 0x34, 0x12, 0, 0}));
    // Translucent A, B, B, B: a literal of (A, B), then a repeat of B.
    Color a = MakeColor(255, 0, 0, 128), b = MakeColor(0, 0, 255, 64);
    EXPECT_EQ(EncodeRow({a, b, b, b}),
              (Bytes{0x0A, 15, 0, 1, 2, 0, 16, 0x00, 0xF8, 8, 0x1F, 0x00, 3, 2, 0, 8, 0x1F, 0x00}));
    // Alpha 1-7 is transparent whatever the colour; 248-255 opaque.
    EXPECT_EQ(EncodeRow({MakeColor(255, 255, 255, 7)}), (Bytes{0x0A, 3, 0, 0, 1, 0}));
    EXPECT_EQ(EncodeRow({MakeColor(255, 255, 255, 248)}), (Bytes{0x0A, 5, 0, 4, 1, 0, 0xFF, 0xFF}));
}

TEST(RunLengthImage, RoundTripThroughTheLoaderAndTheTexture)
{
    std::mt19937 rng(5);
    // Runs of repeated, varied, transparent and translucent pixels.
    SmartPtr<MemPixelData> src(Rgba(45, 9, [&](int x, int y) -> Color {
        int kind = ((x / 5) + y) % 4;
        if (kind == 0) return 0;
        if (kind == 1) return MakeColor(200, 100, 50);
        if (kind == 2) return MakeColor(uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 255);
        return MakeColor(uint8_t(rng()), 30, 90, uint8_t(8 + rng() % 240));
    }));
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(*src));
    Bytes stream(rle->GetData(), rle->GetData() + rle->GetStreamSize());
    Bytes file = CrleFile(45, 9, stream);

    SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(file)));
    ASSERT_TRUE(surface);
    PixelDataGL* texture = TextureOf(surface);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetWidth(), 45);
    ASSERT_TRUE(texture->GetData());
    // The texture holds the expanded pixels, red first.
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 45; ++x) {
            const uint8_t* s = src->GetData() + y * src->GetPitch() + x * 4;
            const uint8_t* t = texture->GetData() + (y * texture->GetPaddedWidth() + x) * 4;
            uint8_t alpha5 = s[3] >> 3;
            if (alpha5 == 0) {
                EXPECT_EQ(LoadLE32(t), 0u);
                continue;
            }
            uint8_t r5 = s[2] >> 3, b5 = s[0] >> 3, g6 = s[1] >> 2;
            EXPECT_EQ(t[0], uint8_t(r5 << 3 | r5 >> 2));
            EXPECT_EQ(t[1], uint8_t(g6 << 2 | g6 >> 4));
            EXPECT_EQ(t[2], uint8_t(b5 << 3 | b5 >> 2));
            EXPECT_EQ(t[3], alpha5 == 31 ? 255 : uint8_t(alpha5 << 3 | alpha5 >> 2));
        }
    }
}

TEST(RunLengthImage, DamagedStreamsAreRefused)
{
    // One row of width 2: an opaque repeat of 2.
    Bytes good = {0x0A, 5, 0, 4, 2, 0, 0x34, 0x12};
    EXPECT_TRUE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(CrleFile(2, 1, good)))));
    auto refused = [](int w, int h, const Bytes& s) { return !SmartPtr<Surface>(ImageLoader::Load(StreamOf(CrleFile(w, h, s)))); };
    EXPECT_TRUE(refused(1, 1, good));                                      // run past the row
    EXPECT_TRUE(refused(3, 1, good));                                      // row short of the width
    EXPECT_TRUE(refused(2, 2, good));                                      // missing row
    EXPECT_TRUE(refused(2, 1, Bytes{0x0A, 5, 0, 9, 2, 0, 0x34, 0x12}));    // unknown op
    EXPECT_TRUE(refused(2, 1, Bytes{0x0B, 5, 0, 4, 2, 0, 0x34, 0x12}));    // no row marker
    EXPECT_TRUE(refused(2, 1, Bytes{0x0A, 9, 0, 4, 2, 0, 0x34, 0x12}));    // row past the stream
    EXPECT_TRUE(refused(2, 1, Bytes{0x0A, 6, 0, 2, 2, 0, 0x34, 0x12, 0})); // literal past the row
    // Zero-count records cannot stall the decoder.
    EXPECT_TRUE(refused(2, 1, Bytes{0x0A, 3, 0, 0, 0, 0}));
    // A stream size beyond the file.
    Bytes f = CrleFile(2, 1, good);
    Put32(f, 12, 0xFFFFFFF0u);
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(f))));
    Bytes huge = CrleFile(2, 1, good);
    Put32(huge, 4, 0x7FFFFFFF);
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(huge))));
    ImageTest::FuzzFile(CrleFile(2, 1, good));

}

// ---- C565

Bytes C565File(uint32_t w, uint32_t h, const Bytes& pixels)
{
    Bytes f = {'C', '5', '6', '5'};
    Put32(f, 4, w);
    Put32(f, 8, h);
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

TEST(Rgb565Image, PixelsLowByteFirst)
{
    SmartPtr<ImageLoader565> loader(new ImageLoader565);
    EXPECT_EQ(loader->GetFormat(), uint32_t(RGB565));
    loader->SetStream(StreamOf(C565File(2, 1, {0x00, 0xF8, 0x1F, 0x00})));
    SmartPtr<MemPixelData> pixels = loader->LoadPixels();
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->GetPixel(0, 0), MakeColor(0xF8, 0, 0));
    EXPECT_EQ(pixels->GetPixel(1, 0), MakeColor(0, 0, 0xF8));

    SmartPtr<Surface> empty(ImageLoader::Load(StreamOf(C565File(0, 5, {}))));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->GetWidth(), 0);
}

TEST(Rgb565Image, ShortOrAbsurdFilesAreRefused)
{
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(C565File(2, 2, {1, 2, 3, 4, 5, 6, 7})))));
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(C565File(0x80000000u, 0x80000000u, {})))));
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(C565File(8192, 8192, {1, 2})))));
    ImageTest::FuzzFile(C565File(3, 2, Bytes(12, 0x5A)));
}

// ---- DDS

Bytes DdsFile(int w, int h, const char* fourcc, const Bytes& blocks, uint32_t dxgi = 0)
{
    Bytes f(128, 0);
    std::memcpy(f.data(), "DDS ", 4);
    Put32(f, 4, 124);
    Put32(f, 12, uint32_t(h));
    Put32(f, 16, uint32_t(w));
    std::memcpy(&f[84], fourcc, 4);
    if (std::strcmp(fourcc, "DX10") == 0) {
        Bytes ext(20, 0);
        Put32(ext, 0, dxgi);
        f.insert(f.end(), ext.begin(), ext.end());
    }
    f.insert(f.end(), blocks.begin(), blocks.end());
    return f;
}

Bytes RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (uint8_t& x : b) x = uint8_t(rng());
    return b;
}

TEST(DdsImage, BlocksGoStraightIntoThePaddedTexture)
{
    CapsScope caps(true, true, false);
    Bytes blocks = RandomBytes(15 * 8 * 8, 1);  // 60 x 32: 8 block rows of 120 bytes
    SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(DdsFile(60, 32, "DXT1", blocks))));
    PixelDataGL* texture = TextureOf(surface);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetFormat(), uint32_t(DXT1));
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(0, std::memcmp(texture->GetData() + row * 128, blocks.data() + row * 120, 120));
        EXPECT_EQ(Bytes(8, 0), Bytes(texture->GetData() + row * 128 + 120, texture->GetData() + row * 128 + 128));
    }
    Bytes whole = RandomBytes(16 * 8 * 16, 2);
    surface = ImageLoader::Load(StreamOf(DdsFile(64, 32, "DX10", whole, 77)));
    texture = TextureOf(surface);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetFormat(), uint32_t(DXT5));
    EXPECT_EQ(0, std::memcmp(texture->GetData(), whole.data(), whole.size()));
}

TEST(DdsImage, SoftwareDecodingWithoutDriverSupport)
{
    CapsScope caps(false, false, false);
    Bytes blocks = RandomBytes(2 * 8, 3);
    SmartPtr<ImageLoader> loader(ImageTest::SelectFor(DdsFile(8, 4, "DXT1", blocks)));
    SmartPtr<Surface> surface(loader->Load());
    PixelDataGL* texture = TextureOf(surface);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetFormat(), uint32_t(RGB565));
    uint16_t decoded[16];
    DecodeDxt1Block(blocks.data() + 8, decoded);
    // Pixel (column 5, row 2) is pixel (1, 2) of the second block.
    EXPECT_EQ(LoadLE16(texture->GetData() + (2 * 8 + 5) * 2), decoded[2 * 4 + 1]);

    Bytes dxt5 = RandomBytes(16, 4);
    surface = ImageLoader::Load(StreamOf(DdsFile(4, 4, "DXT5", dxt5)));
    texture = TextureOf(surface);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetFormat(), uint32_t(RGBA8888));
    uint8_t rgba[64];
    DecodeDxt5Block(dxt5.data(), rgba);
    const uint8_t* t = texture->GetData() + (3 * 4 + 2) * 4;  // red first in the texture
    EXPECT_EQ(t[0], rgba[(3 * 4 + 2) * 4 + 2]);
    EXPECT_EQ(t[2], rgba[(3 * 4 + 2) * 4 + 0]);
    EXPECT_EQ(t[3], rgba[(3 * 4 + 2) * 4 + 3]);
}

TEST(DdsImage, UnsupportedAndDamagedFilesAreRefused)
{
    for (bool dxtc : {true, false}) {
        CapsScope caps(dxtc, false, false);
        Bytes blocks = RandomBytes(8 * 4, 5);
        EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(DdsFile(8, 8, "DXT3", blocks)))));
        EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(DdsFile(8, 8, "DX10", blocks, 74)))));
        EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(DdsFile(6, 8, "DXT1", blocks)))));
        EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(DdsFile(-8, 8, "DXT1", blocks)))));
        EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(DdsFile(8, 16, "DXT1", blocks)))));
        ImageTest::FuzzFile(DdsFile(8, 8, "DXT1", blocks));
    }
}

// ---- legacy PVR and ETC

Bytes PvrFile(int w, int h, uint32_t flags, uint32_t bits, const Bytes& data, uint32_t dataSize = ~0u)
{
    // Header and data sized at once and filled in place: appending to a
    // vector of known small size makes g++ 12 report false array-bounds
    // errors in optimised builds.
    Bytes f(52 + data.size(), 0);
    Put32(f, 0, 52);
    Put32(f, 4, uint32_t(h));
    Put32(f, 8, uint32_t(w));
    Put32(f, 16, flags);
    Put32(f, 20, dataSize == ~0u ? uint32_t(data.size()) : dataSize);
    Put32(f, 24, bits);
    std::memcpy(&f[44], "PVR!", 4);
    Put32(f, 48, 1);
    std::copy(data.begin(), data.end(), f.begin() + 52);
    return f;
}

TEST(PvrImage, FormatFromBitsAndAlphaOnlyWithDriverSupport)
{
    Bytes data = RandomBytes(8 * 8 / 2, 6);
    {
        CapsScope caps(true, true, false);
        EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(PvrFile(8, 8, 0x8019, 4, data)))));
    }
    CapsScope caps(false, false, true);
    for (uint32_t type : {0x0Cu, 0x0Du, 0x18u, 0x19u}) {
        SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(PvrFile(8, 8, 0x8000 | type, 4, data))));
        PixelDataGL* texture = TextureOf(surface);
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->GetFormat(), uint32_t(PVRTC4_RGBA));
        EXPECT_EQ(0, std::memcmp(texture->GetData(), data.data(), data.size()));
    }
    SmartPtr<Surface> rgb2(ImageLoader::Load(StreamOf(PvrFile(16, 8, 0x18, 2, RandomBytes(32, 7)))));
    ASSERT_TRUE(TextureOf(rgb2));
    EXPECT_EQ(TextureOf(rgb2)->GetFormat(), uint32_t(PVRTC2_RGB));
    // Bits per pixel 3, a size that is no power of two, data short of the
    // top level: refused.
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(PvrFile(8, 8, 0x19, 3, data)))));
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(PvrFile(12, 8, 0x19, 4, data)))));
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(PvrFile(16, 16, 0x19, 4, data)))));
    // Mipmaps after the top level are skipped, not copied past the buffer.
    Bytes mipmapped = RandomBytes(32 + 8 + 8, 8);
    SmartPtr<CachedFile> stream(StreamOf(PvrFile(8, 8, 0x19, 4, mipmapped)));
    SmartPtr<ImageLoader> loader(ImageLoader::Select(stream));
    EXPECT_TRUE(SmartPtr<Surface>(loader->Load()));
    EXPECT_EQ(stream->Tell(), stream->Length());
    ImageTest::FuzzFile(PvrFile(8, 8, 0x8019, 4, data));
}

TEST(EtcImage, UploadReadyAndSoftwarePaths)
{
    // Individual mode, red 15 in the first half, table 0, index 0 (+2).
    Bytes blocks = {0xF0, 0, 0, 0, 0, 0, 0, 0};
    Bytes more = RandomBytes(8 * 5, 9);
    blocks.insert(blocks.end(), more.begin(), more.end());  // 12 x 8: 3 x 2 blocks
    {
        CapsScope caps(false, true, false);
        SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(PvrFile(12, 8, 0x36, 4, blocks))));
        PixelDataGL* texture = TextureOf(surface);
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->GetFormat(), uint32_t(ETC1));
        EXPECT_EQ(0, std::memcmp(texture->GetData() + 32, blocks.data() + 24, 24));  // second block row
    }
    CapsScope caps(false, false, false);
    SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(PvrFile(12, 8, 0x36, 4, blocks))));
    PixelDataGL* texture = TextureOf(surface);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetFormat(), uint32_t(RGB888));
    const uint8_t* first = texture->GetData();  // red first in the texture
    EXPECT_EQ((Bytes(first, first + 3)), (Bytes{255, 2, 2}));
    uint8_t decoded[48];
    DecodeEtc1Block(blocks.data() + 8 * 4, decoded);  // block (1, 1)
    const uint8_t* t = texture->GetData() + ((4 + 3) * texture->GetPaddedWidth() + 4 + 2) * 3;
    EXPECT_EQ(t[0], decoded[(3 * 4 + 2) * 3 + 2]);
    EXPECT_EQ(t[1], decoded[(3 * 4 + 2) * 3 + 1]);
    EXPECT_EQ(t[2], decoded[(3 * 4 + 2) * 3 + 0]);

    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(PvrFile(12, 8, 0x36, 4, blocks, 40)))));
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(PvrFile(10, 8, 0x36, 4, blocks)))));
    ImageTest::FuzzFile(PvrFile(12, 8, 0x36, 4, blocks));
}

TEST(EtcDecoder, DifferentialFlipAndClamping)
{
    // Differential: red 31 + delta -1, green 0, blue 16; flip set; tables 7
    // and 0; every index 3 (-b) in the top half, 1 (+b) in the bottom.
    uint32_t w0 = (31u << 27) | (7u << 24) | (0u << 19) | (16u << 11) | (7u << 5) | (0u << 2) | 2u | 1u;
    uint32_t w1 = 0;
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y) {
            int i = 4 * x + y;
            if (y < 2) w1 |= (1u << i) | (1u << (16 + i));
            else w1 |= 1u << i;
        }
    uint8_t block[8];
    for (int i = 0; i < 4; ++i) {
        block[i] = uint8_t(w0 >> (24 - 8 * i));
        block[4 + i] = uint8_t(w1 >> (24 - 8 * i));
    }
    uint8_t out[48];
    DecodeEtc1Block(block, out);
    // Top: base (255, 0, 132) - 183 -> (72, 0, 0) clamped; bottom: base2
    // red 30 -> 247, + 8 -> 255.
    const uint8_t* top = out;                 // blue, green, red
    EXPECT_EQ((Bytes(top, top + 3)), (Bytes{0, 0, 72}));
    const uint8_t* bottom = out + 3 * 8;      // row 2
    EXPECT_EQ(bottom[2], 255);
    EXPECT_EQ(bottom[0], 132 + 8);
}

// ---- PVR+

Bytes PngOf(int w, int h, int colorType, uint32_t seed)
{
    ImageTest::PngSpec spec;
    spec.width = w;
    spec.height = h;
    spec.colorType = colorType;
    spec.seed = seed;
    return ImageTest::WritePng(spec);
}

Bytes PvrPlusFile(uint8_t flags, const Bytes& colour, const Bytes& alpha)
{
    Bytes f(5 + colour.size() + alpha.size(), 0);  // sized at once, as PvrFile's
    std::memcpy(f.data(), "PVR+", 4);
    f[4] = flags;
    auto at = std::copy(colour.begin(), colour.end(), f.begin() + 5);
    std::copy(alpha.begin(), alpha.end(), at);
    return f;
}

TEST(PvrPlusImage, TwoPngPartsMakeOneComposite)
{
    Bytes colour = PngOf(10, 6, PNG_COLOR_TYPE_RGB, 1), alpha = PngOf(4, 4, PNG_COLOR_TYPE_RGB, 2);
    SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(PvrPlusFile(0, colour, alpha))));
    ASSERT_TRUE(surface);
    PixelData* pixels = surface->GetPixelData();
    ASSERT_EQ(pixels->GetKind(), PixelData::kComposite);
    auto* composite = static_cast<PixelDataComposite*>(pixels);
    EXPECT_EQ(composite->GetWidth(), 10);
    EXPECT_EQ(composite->GetHeight(), 6);
    EXPECT_EQ(composite->GetFormat(), uint32_t(RGBA8888));
    EXPECT_EQ(composite->GetAlpha()->GetWidth(), 4);  // read from its own offset

    // The alpha part decodes to the same pixels as on its own.
    SmartPtr<Surface> alone(ImageLoader::Load(StreamOf(alpha)));
    EXPECT_EQ(0, std::memcmp(composite->GetAlpha()->GetData(), TextureOf(alone)->GetData(),
                             TextureOf(alone)->GetDataSize() ? TextureOf(alone)->GetDataSize() : 4 * 4 * 3));
}

TEST(PvrPlusImage, PvrPartsNeedPvrtc)
{
    Bytes colour = PngOf(8, 8, PNG_COLOR_TYPE_RGB, 3), alpha = PngOf(8, 8, PNG_COLOR_TYPE_RGB, 4);
    for (uint8_t flags : {1, 2, 3, 4})
        EXPECT_FALSE(ImageTest::SelectFor(PvrPlusFile(flags, colour, alpha)));
    CapsScope caps(false, false, true);
    // Flag 4 sets neither part bit: two PNGs, but selected only with PVRTC.
    EXPECT_TRUE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(PvrPlusFile(4, colour, alpha)))));
    Bytes pvr = PvrFile(8, 8, 0x19, 4, RandomBytes(32, 5));
    SmartPtr<Surface> mixed(ImageLoader::Load(StreamOf(PvrPlusFile(1, pvr, alpha))));
    ASSERT_TRUE(mixed);
    EXPECT_EQ(static_cast<PixelDataComposite*>(mixed->GetPixelData())->GetColor()->GetFormat(), uint32_t(PVRTC4_RGB));
}

TEST(PvrPlusImage, ADamagedPartGivesNoImage)
{
    Bytes colour = PngOf(6, 5, PNG_COLOR_TYPE_RGB, 5), alpha = PngOf(6, 5, PNG_COLOR_TYPE_GRAY_ALPHA, 6);
    Bytes file = PvrPlusFile(0, colour, alpha);
    Bytes noAlpha = PvrPlusFile(0, colour, {});
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(noAlpha))));
    ImageTest::FuzzFile(file, file.size() - alpha.size(), 16);
}

}  // namespace
}  // namespace Voke
