#include "engine/graphics/jpeg_image_loader.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "engine/graphics/surface.h"

namespace Voke {

struct JpegImageLoader::Decoder {
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    std::jmp_buf jump;  // armed by each loader function before it calls libjpeg
    bool created = false;
    bool started = false;
};

namespace {

// Replaces libjpeg's error exit, which would end the process: back to the
// loader function that called the library.
void ErrorExit(j_common_ptr info)
{
    JpegImageLoader::Decoder* decoder = static_cast<JpegImageLoader::Decoder*>(info->client_data);
    std::longjmp(decoder->jump, 1);
}

void OutputMessage(j_common_ptr) {}

}  // namespace

JpegImageLoader::JpegImageLoader() : m_decoder(new Decoder) {}

JpegImageLoader::~JpegImageLoader() { Destroy(); }

void JpegImageLoader::Destroy()
{
    if (m_decoder && m_decoder->created) {
        // jpeg_destroy_decompress only frees memory; it never raises an error.
        jpeg_destroy_decompress(&m_decoder->info);
        m_decoder->created = false;
        m_decoder->started = false;
    }
    delete[] m_file;
    m_file = nullptr;
}

bool JpegImageLoader::CanLoad(SeekableStream* stream)
{
    if (!stream) return false;
    // The start-of-image marker and the first byte of the next marker; the
    // segment after it may be any (JFIF's APP0, a camera's Exif APP1, a
    // table). A marker's code is neither 0x00 (a stuffed byte) nor 0xFF.
    uint8_t sig[4];
    return stream->Read(sig, 4) == 4 && sig[0] == 0xFF && sig[1] == 0xD8 && sig[2] == 0xFF && sig[3] != 0x00 &&
           sig[3] != 0xFF;
}

bool JpegImageLoader::ReadHeader()
{
    Decoder* d = m_decoder.get();
    if (d->created || !m_stream) return false;
    int64_t size = BytesLeft();
    if (size < 4 || size > 0x7FFFFFFF) return false;
    m_file = new uint8_t[size_t(size)];
    if (!ReadExact(m_file, size)) {
        Destroy();
        return false;
    }
    d->info.err = jpeg_std_error(&d->error);
    d->error.error_exit = &ErrorExit;
    d->error.output_message = &OutputMessage;
    if (setjmp(d->jump)) {
        Destroy();
        return false;
    }
    jpeg_create_decompress(&d->info);
    d->info.client_data = d;
    d->created = true;
    jpeg_mem_src(&d->info, m_file, static_cast<unsigned long>(size));
    jpeg_read_header(&d->info, TRUE);
    // Colour and grey files are decoded straight into the blue-first order
    // of RGB888; CMYK and YCCK have no such conversion.
    J_COLOR_SPACE space = d->info.jpeg_color_space;
    if (space != JCS_YCbCr && space != JCS_GRAYSCALE && space != JCS_RGB) {
        Destroy();
        return false;
    }
    d->info.out_color_space = JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&d->info);
    if (!IsSaneSize(d->info.output_width, d->info.output_height) || d->info.output_components != 3) {
        Destroy();
        return false;
    }
    jpeg_start_decompress(&d->info);
    d->started = true;
    m_width = d->info.output_width;
    m_height = d->info.output_height;
    return true;
}

bool JpegImageLoader::ReadRow(uint8_t* destination)
{
    Decoder* d = m_decoder.get();
    if (!d->started || d->info.output_scanline >= d->info.output_height) return false;
    if (setjmp(d->jump)) {
        Destroy();
        return false;
    }
    JSAMPROW row = destination;
    // A warning means damaged data (libjpeg pads a truncated file with grey
    // and goes on): such a file is refused.
    if (jpeg_read_scanlines(&d->info, &row, 1) != 1 || d->error.num_warnings != 0) {
        Destroy();
        return false;
    }
    return true;
}

SmartPtr<MemPixelData> JpegImageLoader::LoadPixels()
{
    if (!ReadHeader()) return nullptr;
    SmartPtr<MemPixelData> pixels(new MemPixelData(int(m_width), int(m_height), RGB888));
    uint8_t* data = pixels->GetDataMutable();
    for (uint32_t y = 0; y < m_height; ++y)
        if (!ReadRow(data + size_t(pixels->GetPitch()) * y)) return nullptr;
    return pixels;
}

Surface* JpegImageLoader::Load()
{
    SmartPtr<MemPixelData> pixels = LoadPixels();
    if (!pixels) return nullptr;
    return new Surface(pixels);
}

}  // namespace Voke
