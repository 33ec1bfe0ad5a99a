#include "engine/graphics/png_image_loader.h"

#include <png.h>

#include <cstring>

#include "engine/graphics/surface.h"

namespace Voke {

namespace {

void ReadCallback(png_structp png, png_bytep data, size_t length)
{
    SeekableStream* stream = static_cast<SeekableStream*>(png_get_io_ptr(png));
    // libpng never asks for more than a chunk's worth; a short read is an
    // error, not silently missing data.
    if (length > 0x7FFFFFFF || stream->Read(data, int(length)) != int(length)) png_error(png, "short read");
}

// Quiet handlers: a bad image is a null result, not console output.
void ErrorCallback(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void WarningCallback(png_structp, png_const_charp) {}

}  // namespace

bool PngImageLoader::CanLoad(SeekableStream* stream)
{
    if (!stream) return false;
    uint8_t sig[4];
    return stream->Read(sig, 4) == 4 && png_sig_cmp(sig, 0, 4) == 0;
}

PngImageLoader::~PngImageLoader()
{
    if (m_png && m_height > 0 && m_rowsRead == m_height) {
        png_structp png = m_png;
        if (!setjmp(png_jmpbuf(png))) png_read_end(png, m_info);
    }
    Destroy();
}

void PngImageLoader::Destroy()
{
    if (m_png) {
        png_structp png = m_png;
        png_infop info = m_info;
        png_destroy_read_struct(&png, &info, nullptr);
    }
    m_png = nullptr;
    m_info = nullptr;
    delete[] m_image;
    m_image = nullptr;
}

bool PngImageLoader::ReadHeader()
{
    if (m_png || !m_stream) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &ErrorCallback, &WarningCallback);
    if (!png) return false;
    m_png = png;
    m_info = png_create_info_struct(png);
    if (!m_info) {
        Destroy();
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        Destroy();
        return false;
    }
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_read_fn(png, m_stream.Get(), &ReadCallback);
    png_set_sig_bytes(png, 0);
    png_read_info(png, m_info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, m_info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    if (!IsSaneSize(width, height)) png_error(png, "image too large");

    bool trns = png_get_valid(png, m_info, PNG_INFO_tRNS) != 0;
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    // A grey image is alpha-only (one byte per pixel): its tRNS is ignored.
    if (trns && colorType != PNG_COLOR_TYPE_GRAY) png_set_tRNS_to_alpha(png);
    if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    m_interlaced = interlace != PNG_INTERLACE_NONE;
    if (m_interlaced) png_set_interlace_handling(png);
    png_read_update_info(png, m_info);

    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: m_format = A8; break;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_PALETTE: m_format = trns ? RGBA8888 : RGB888; break;
    default: m_format = RGBA8888; break;
    }
    m_rowBytes = png_get_rowbytes(png, m_info);
    // The transforms must give exactly the format's pixels: anything else
    // would write past the rows.
    if (m_rowBytes != size_t(width) * PixelData::GetFormatInfo(m_format).bytesPerPixel)
        png_error(png, "unexpected row size");
    m_width = width;
    m_height = height;
    return true;
}

bool PngImageLoader::ReadAllPasses()
{
    png_structp png = m_png;
    m_image = new uint8_t[m_rowBytes * m_height]();
    if (setjmp(png_jmpbuf(png))) return false;
    int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (uint32_t y = 0; y < m_height; ++y) png_read_row(png, m_image + m_rowBytes * y, nullptr);
    return true;
}

bool PngImageLoader::ReadRow(uint8_t* destination)
{
    if (!m_png || m_rowsRead >= m_height) return false;
    if (m_interlaced) {
        if (!m_image && !ReadAllPasses()) {
            Destroy();
            return false;
        }
        std::memcpy(destination, m_image + m_rowBytes * m_rowsRead, m_rowBytes);
    } else {
        png_structp png = m_png;
        if (setjmp(png_jmpbuf(png))) {
            Destroy();
            return false;
        }
        png_read_row(png, destination, nullptr);
    }
    ++m_rowsRead;
    return true;
}

SmartPtr<MemPixelData> PngImageLoader::LoadPixels()
{
    if (!ReadHeader()) return nullptr;
    SmartPtr<MemPixelData> pixels(new MemPixelData(int(m_width), int(m_height), m_format));
    uint8_t* data = pixels->GetDataMutable();
    for (uint32_t y = 0; y < m_height; ++y)
        if (!ReadRow(data + size_t(pixels->GetPitch()) * y)) return nullptr;
    return pixels;
}

Surface* PngImageLoader::Load()
{
    SmartPtr<MemPixelData> pixels = LoadPixels();
    if (!pixels) return nullptr;
    return new Surface(pixels);
}

}  // namespace Voke
