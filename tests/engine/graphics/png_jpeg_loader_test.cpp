// PNG and JPEG loading, and format selection by leading bytes.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "engine/core/vfs.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/compressed_image_loaders.h"
#include "engine/graphics/image_loader.h"
#include "engine/graphics/jpeg_image_loader.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/png_image_loader.h"
#include "engine/graphics/surface.h"
#include "tests/engine/graphics/image_test_util.h"
#include "tests/support/temp_dir.h"

namespace Voke {
namespace {

using ImageTest::Bytes;
using ImageTest::StreamOf;

// Decodes through the row protocol, as Load does, into packed rows.
bool DecodeRows(const Bytes& file, int& width, int& height, uint32_t& format, Bytes& out)
{
    SmartPtr<ImageLoader> loader(ImageTest::SelectFor(file));
    if (!loader || !loader->ReadHeader()) return false;
    width = loader->GetWidth();
    height = loader->GetHeight();
    format = loader->GetFormat();
    size_t pitch = size_t(width) * PixelData::GetFormatInfo(format).bytesPerPixel;
    out.assign(pitch * size_t(height), 0);
    for (int y = 0; y < height; ++y)
        if (!loader->ReadRow(out.data() + pitch * size_t(y))) return false;
    return true;
}

uint32_t ExpectedFormat(int colorType, bool trns)
{
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: return A8;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_PALETTE: return trns ? RGBA8888 : RGB888;
    default: return RGBA8888;
    }
}

TEST(PngLoader, EveryColourTypeDepthTransparencyAndInterlaceMatchesLibpng)
{
    struct Type {
        int colorType;
        std::vector<int> depths;
        bool trnsAllowed;
    };
    const Type types[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, true},
        {PNG_COLOR_TYPE_RGB, {8, 16}, true},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, true},
        {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, false},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}, false},
    };
    int cases = 0;
    for (const Type& type : types) {
        for (int depth : type.depths) {
            for (int trns = 0; trns <= (type.trnsAllowed ? 1 : 0); ++trns) {
                for (int interlaced = 0; interlaced <= 1; ++interlaced) {
                    ImageTest::PngSpec spec;
                    spec.colorType = type.colorType;
                    spec.bitDepth = depth;
                    spec.trns = trns != 0;
                    spec.interlaced = interlaced != 0;
                    spec.width = 37;
                    spec.height = 11;
                    spec.seed = uint32_t(++cases);
                    SCOPED_TRACE(testing::Message() << "type " << type.colorType << " depth " << depth << " tRNS "
                                                    << trns << " interlaced " << interlaced);
                    Bytes file = ImageTest::WritePng(spec);
                    int refWidth, refHeight, channels;
                    Bytes reference = ImageTest::ReferencePngDecode(file, refWidth, refHeight, channels);

                    int width, height;
                    uint32_t format;
                    Bytes rows;
                    ASSERT_TRUE(DecodeRows(file, width, height, format, rows));
                    EXPECT_EQ(width, 37);
                    EXPECT_EQ(height, 11);
                    EXPECT_EQ(format, ExpectedFormat(type.colorType, trns != 0));
                    EXPECT_EQ(int(PixelData::GetFormatInfo(format).bytesPerPixel), channels);
                    EXPECT_TRUE(rows == reference);

                    // The whole load gives a texture of the same pixels, red first.
                    SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(file)));
                    ASSERT_TRUE(surface);
                    auto* texture = static_cast<PixelDataGL*>(surface->GetPixelData());
                    ASSERT_EQ(texture->GetKind(), PixelData::kTexture);
                    EXPECT_EQ(texture->GetFormat(), format);
                    const uint8_t* up = texture->GetData();
                    size_t bpp = size_t(channels);
                    size_t upPitch = size_t(texture->GetPaddedWidth()) * bpp;
                    const uint8_t* px = up + upPitch * 10 + 36 * bpp;
                    const uint8_t* ref = reference.data() + size_t(width) * bpp * 10 + 36 * bpp;
                    if (bpp >= 3) {
                        EXPECT_EQ(px[0], ref[2]);
                        EXPECT_EQ(px[2], ref[0]);
                    } else {
                        EXPECT_EQ(px[0], ref[0]);
                    }
                }
            }
        }
    }
}

TEST(PngLoader, EveryTruncationAndEveryChangedByteIsSafe)
{
    for (bool interlaced : {false, true}) {
        ImageTest::PngSpec spec;
        spec.width = 9;
        spec.height = 5;
        spec.colorType = PNG_COLOR_TYPE_PALETTE;
        spec.bitDepth = 4;
        spec.trns = true;
        spec.interlaced = interlaced;
        Bytes file = ImageTest::WritePng(spec);
        int w, h, c;
        Bytes full = ImageTest::ReferencePngDecode(file, w, h, c);
        for (size_t n = 0; n < file.size(); ++n) {
            Bytes cut(file.begin(), file.begin() + long(n));
            int cw, ch;
            uint32_t format;
            Bytes rows;
            // Rows are delivered once decoded: only a cut inside the last
            // chunk's checksum or the end chunk still yields the whole image.
            if (DecodeRows(cut, cw, ch, format, rows)) {
                EXPECT_GE(n, file.size() - 16) << "cut at " << n;
                EXPECT_TRUE(rows == full);
            }
        }
        for (size_t i = 0; i < file.size(); ++i) {
            for (uint8_t value : {uint8_t(0), uint8_t(0xFF), uint8_t(file[i] ^ 0x10)}) {
                Bytes bad = file;
                bad[i] = value;
                SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(bad)));
                if (surface) {
                EXPECT_LE(surface->GetWidth(), ImageLoader::kMaxImageSide);
            }
            }
        }
    }
}

TEST(PngLoader, AbsurdSizeIsRefused)
{
    ImageTest::PngSpec spec;
    spec.width = 9000;
    spec.height = 1;
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(ImageTest::WritePng(spec)))));
}

TEST(PngLoader, FinishesItsFileSoTheStreamStandsAfterIt)
{
    ImageTest::PngSpec spec;
    Bytes file = ImageTest::WritePng(spec);
    Bytes joined = file;
    joined.push_back(0xAB);
    SmartPtr<CachedFile> stream(StreamOf(joined));
    {
        SmartPtr<PngImageLoader> loader(new PngImageLoader(stream));
        SmartPtr<Surface> surface(loader->Load());
        ASSERT_TRUE(surface);
    }
    EXPECT_EQ(stream->Tell(), int(file.size()));
}

Bytes Gradient(int width, int height, int components)
{
    Bytes samples(size_t(width * height * components));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                samples[size_t((y * width + x) * components + c)] = uint8_t(x * 7 + y * 3 + c * 50);
    return samples;
}

TEST(JpegLoader, ColourAndGreyDecodeBlueFirst)
{
    // Pure red: stored as 0, 0, 255 (within the codec's rounding).
    Bytes red(16 * 16 * 3);
    for (size_t i = 0; i < red.size(); i += 3) red[i] = 255;
    int w, h;
    uint32_t format;
    Bytes rows;
    ASSERT_TRUE(DecodeRows(ImageTest::WriteJpeg(16, 16, 3, red), w, h, format, rows));
    EXPECT_EQ(format, uint32_t(RGB888));
    EXPECT_LE(rows[0], 3);
    EXPECT_LE(rows[1], 3);
    EXPECT_GE(rows[2], 250);

    // A grey file gives equal blue, green and red near the source.
    Bytes grey = Gradient(21, 13, 1);
    ASSERT_TRUE(DecodeRows(ImageTest::WriteJpeg(21, 13, 1, grey), w, h, format, rows));
    ASSERT_EQ(w, 21);
    ASSERT_EQ(h, 13);
    for (size_t i = 0; i < grey.size(); ++i) {
        EXPECT_EQ(rows[3 * i], rows[3 * i + 1]);
        EXPECT_EQ(rows[3 * i], rows[3 * i + 2]);
        EXPECT_NEAR(rows[3 * i], grey[i], 8);
    }

    SmartPtr<Surface> surface(ImageLoader::Load(StreamOf(ImageTest::WriteJpeg(21, 13, 3, Gradient(21, 13, 3)))));
    ASSERT_TRUE(surface);
    EXPECT_EQ(surface->GetWidth(), 21);
    EXPECT_EQ(surface->GetHeight(), 13);
}

// The same picture as a camera writes it: the JFIF APP0 segment replaced by
// an Exif APP1 segment (an empty little-endian TIFF directory).
Bytes ExifJpeg(const Bytes& jfif)
{
    const size_t app0End = 4 + size_t(jfif[4] << 8 | jfif[5]);
    const uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Bytes file = {0xFF, 0xD8, 0xFF, 0xE1, 0, uint8_t(2 + sizeof exif)};
    file.insert(file.end(), exif, exif + sizeof exif);
    file.insert(file.end(), jfif.begin() + long(app0End), jfif.end());
    return file;
}

TEST(JpegLoader, ExifFilesDecodeLikeJfifFiles)
{
    const Bytes jfif = ImageTest::WriteJpeg(24, 16, 3, Gradient(24, 16, 3), 80);
    const Bytes exif = ExifJpeg(jfif);
    ASSERT_EQ(exif[3], 0xE1);
    int w, h;
    uint32_t format;
    Bytes fromJfif, fromExif;
    ASSERT_TRUE(DecodeRows(jfif, w, h, format, fromJfif));
    ASSERT_TRUE(DecodeRows(exif, w, h, format, fromExif));
    EXPECT_EQ(w, 24);
    EXPECT_EQ(h, 16);
    EXPECT_TRUE(fromExif == fromJfif);
    ImageTest::FuzzFile(exif);
}

TEST(JpegLoader, CmykIsRefused)
{
    Bytes file = ImageTest::WriteJpeg(8, 8, 4, Gradient(8, 8, 4));
    ASSERT_EQ(file[3], 0xE0);  // selected as JFIF
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(file))));
}

TEST(JpegLoader, EveryTruncationAndEveryChangedByteIsSafe)
{
    ImageTest::FuzzFile(ImageTest::WriteJpeg(24, 16, 3, Gradient(24, 16, 3), 80));
}

Bytes PvrHeader(uint8_t type)
{
    Bytes h(52, 0);
    h[0] = 52;
    h[16] = type;
    std::memcpy(&h[44], "PVR!", 4);
    return h;
}

TEST(ImageSelection, LeadingBytesDecide)
{
    ImageTest::PngSpec spec;
    Bytes png = ImageTest::WritePng(spec);
    SmartPtr<ImageLoader> loader(ImageTest::SelectFor(png));
    EXPECT_TRUE(dynamic_cast<PngImageLoader*>(loader.Get()));
    EXPECT_EQ(loader->GetStream()->Tell(), 0);

    Bytes jfif = ImageTest::WriteJpeg(8, 8, 3, Gradient(8, 8, 3));
    loader = ImageTest::SelectFor(jfif);
    EXPECT_TRUE(dynamic_cast<JpegImageLoader*>(loader.Get()));
    // Any marker may follow the start of image; a stuffed zero or a fill
    // byte is not a marker.
    for (uint8_t code : {uint8_t(0xE1), uint8_t(0xDB), uint8_t(0xC4), uint8_t(0xFE)}) {
        Bytes other = jfif;
        other[3] = code;
        EXPECT_TRUE(dynamic_cast<JpegImageLoader*>(ImageTest::SelectFor(other).Get())) << int(code);
    }
    for (uint8_t code : {uint8_t(0x00), uint8_t(0xFF)}) {
        Bytes other = jfif;
        other[3] = code;
        EXPECT_FALSE(ImageTest::SelectFor(other)) << int(code);
    }

    loader = ImageTest::SelectFor(PvrHeader(0x36));
    EXPECT_TRUE(dynamic_cast<EtcImageLoader*>(loader.Get()));
    loader = ImageTest::SelectFor(PvrHeader(0x19));
    EXPECT_TRUE(dynamic_cast<PvrImageLoader*>(loader.Get()));
    EXPECT_FALSE(ImageTest::SelectFor(PvrHeader(0x10)));

    // Animations need the exact declaration.
    const std::string xml = "<?xml version=\"1.0\"?><anim/>", quoted = "<?xml version='1.0'?><anim/>";
    EXPECT_TRUE(ImageTest::SelectFor(Bytes(xml.begin(), xml.end())));
    EXPECT_FALSE(ImageTest::SelectFor(Bytes(quoted.begin(), quoted.end())));
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::Load(StreamOf(Bytes(xml.begin(), xml.end())))));  // no frame

    EXPECT_FALSE(ImageTest::SelectFor(Bytes{0x89, 'P', 'N'}));
    EXPECT_FALSE(ImageTest::SelectFor(Bytes{}));
    EXPECT_FALSE(ImageLoader::Select(nullptr));
    EXPECT_FALSE(ImageLoader::Load(nullptr));
}

TEST(ImageSelection, LoadFileOpensThroughTheMountTable)
{
    VokeTest::TempDir dir;
    Bytes png = ImageTest::WritePng(ImageTest::PngSpec());
    std::ofstream(dir / "picture.jpg", std::ios::binary)  // a PNG whatever its name says
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    Vfs::Init();
    Vfs::MountDirectory(dir.Path() + "/", "", 0);
    SmartPtr<Surface> surface(ImageLoader::LoadFile("picture.jpg"));
    EXPECT_TRUE(surface);
    EXPECT_FALSE(SmartPtr<Surface>(ImageLoader::LoadFile("missing.png")));
    // Images by asset name are read through the loaders.
    SmartPtr<Surface> keyed(LoadSurfaceWithOptions("picture.jpg@ck"));
    ASSERT_TRUE(keyed);
    EXPECT_TRUE(keyed->TestFlags(Surface::kColorKey));
    Vfs::Shutdown();
}

}  // namespace
}  // namespace Voke
