#include "tests/engine/graphics/image_test_util.h"

#include <png.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>

namespace Voke {
namespace ImageTest {

namespace {

void WriteToVector(png_structp png, png_bytep data, size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void FlushNothing(png_structp) {}

struct MemoryReader {
    const Bytes* bytes;
    size_t pos;
};
void ReadFromVector(png_structp png, png_bytep data, size_t length)
{
    MemoryReader* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (r->bytes->size() - r->pos < length) png_error(png, "short");
    std::memcpy(data, r->bytes->data() + r->pos, length);
    r->pos += length;
}

int Channels(int colorType)
{
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    default: return 4;
    }
}

}  // namespace

Bytes WritePng(const PngSpec& spec)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png write failed");
    }
    png_set_write_fn(png, &out, &WriteToVector, &FlushNothing);
    png_set_IHDR(png, info, png_uint_32(spec.width), png_uint_32(spec.height), spec.bitDepth, spec.colorType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::mt19937 rng(spec.seed);
    if (spec.colorType == PNG_COLOR_TYPE_PALETTE) {
        int entries = 1 << spec.bitDepth;
        std::vector<png_color> palette(static_cast<size_t>(entries));
        for (png_color& c : palette) {
            c.red = png_byte(rng());
            c.green = png_byte(rng());
            c.blue = png_byte(rng());
        }
        png_set_PLTE(png, info, palette.data(), entries);
        if (spec.trns) {
            std::vector<png_byte> alphas(static_cast<size_t>(entries) / 2 + 1);
            for (png_byte& a : alphas) a = png_byte(rng());
            png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
        }
    } else if (spec.trns) {
        png_color_16 key = {};
        int max = (1 << spec.bitDepth) - 1;
        key.gray = png_uint_16(rng() & unsigned(max));
        key.red = png_uint_16(rng() & unsigned(max));
        key.green = png_uint_16(rng() & unsigned(max));
        key.blue = png_uint_16(rng() & unsigned(max));
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    size_t rowBytes = (size_t(spec.width) * size_t(Channels(spec.colorType)) * size_t(spec.bitDepth) + 7) / 8;
    std::vector<Bytes> rows(size_t(spec.height), Bytes(rowBytes));
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows) {
        for (uint8_t& b : row) b = uint8_t(rng());
        // A few repeats so that tRNS colours actually occur.
        if (spec.trns && rowBytes >= 16) std::memcpy(row.data() + rowBytes / 2, row.data(), rowBytes / 2);
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes ReferencePngDecode(const Bytes& bytes, int& width, int& height, int& channels)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{&bytes, 0};
    Bytes out;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error("png read failed");
    }
    png_set_read_fn(png, &reader, &ReadFromVector);
    png_read_info(png, info);
    int colorType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS) && colorType != PNG_COLOR_TYPE_GRAY) png_set_tRNS_to_alpha(png);
    if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    width = int(png_get_image_width(png, info));
    height = int(png_get_image_height(png, info));
    channels = png_get_channels(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    out.resize(rowBytes * size_t(height));
    std::vector<png_bytep> rows;
    for (int y = 0; y < height; ++y) rows.push_back(out.data() + rowBytes * size_t(y));
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return out;
}

Bytes WriteJpeg(int width, int height, int components, const Bytes& samples, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    cinfo.write_JFIF_header = TRUE;
    cinfo.write_Adobe_marker = FALSE;
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    size_t stride = size_t(width) * size_t(components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

}  // namespace ImageTest
}  // namespace Voke
