// PNG decoding speed: the engine's loader (stream -> memory pixel data, and
// the whole load into a texture-ready surface) against libpng decoding the
// same files straight from memory with the same transformations. A plain
// program; prints megapixels per second for each.
//
//   image_bench [rounds]
//
// Files: RGBA and RGB images of game-like sizes, 32 x 32 to 1024 x 1024,
// shapes and gradients with a little noise (they compress like artwork).
// Each round decodes the whole set once per method; the best round counts.
// Both decode into a new buffer per image.
#include <png.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "engine/core/application_title.h"
#include "engine/core/cached_file.h"
#include "engine/graphics/image_loader.h"
#include "engine/graphics/png_image_loader.h"
#include "engine/graphics/surface.h"

// The engine expects the program to name itself (save-file folder).
const Voke::NarrowString ApplicationTitle = "image_bench";

using Bytes = std::vector<uint8_t>;

namespace {

void WriteToVector(png_structp png, png_bytep data, size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void FlushNothing(png_structp) {}

Bytes MakePng(int size, bool alpha, uint32_t seed)
{
    std::mt19937 rng(seed);
    int channels = alpha ? 4 : 3;
    Bytes pixels(size_t(size) * size_t(size) * size_t(channels));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            uint8_t* p = &pixels[(size_t(y) * size_t(size) + size_t(x)) * size_t(channels)];
            int dx = x - size / 2, dy = y - size / 2;
            bool inside = dx * dx + dy * dy < size * size / 5;
            p[0] = uint8_t(inside ? 200 + (rng() & 7) : x * 255 / size);
            p[1] = uint8_t(inside ? 80 : y * 255 / size);
            p[2] = uint8_t((x ^ y) & 0x3F);
            if (alpha) p[3] = inside ? 255 : uint8_t((x + y) & 1 ? 0 : 128);
        }
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) std::abort();
    png_set_write_fn(png, &out, &WriteToVector, &FlushNothing);
    png_set_IHDR(png, info, png_uint_32(size), png_uint_32(size), 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < size; ++y) png_write_row(png, &pixels[size_t(y) * size_t(size) * size_t(channels)]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct Reader {
    const Bytes* bytes;
    size_t pos;
};
void ReadFromVector(png_structp png, png_bytep data, size_t length)
{
    Reader* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->bytes->size() - r->pos < length) png_error(png, "short");
    std::memcpy(data, r->bytes->data() + r->pos, length);
    r->pos += length;
}

// libpng straight into RGBA rows: a plain read loop with the loader's
// transformations, into a new buffer per image as the loader must use.
bool LibpngDecode(const Bytes& file, std::unique_ptr<uint8_t[]>& out)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Reader reader{&file, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, &ReadFromVector);
    png_read_info(png, info);
    int type = png_get_color_type(png, info);
    png_set_strip_16(png);
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (type & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    png_read_update_info(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    out.reset(new uint8_t[rowBytes * height]);
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, out.get() + rowBytes * y, nullptr);
    png_read_end(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    struct File {
        int size;
        Bytes png;
    };
    std::vector<File> files;
    double megapixels = 0;
    for (int size : {32, 64, 128, 256, 512, 1024})
        for (bool alpha : {true, false}) {
            // Smaller images are more numerous in a game: the set holds
            // about as many pixels of each size.
            int copies = std::max(1, (1024 * 1024) / (size * size) / 16);
            for (int i = 0; i < copies; ++i) {
                files.push_back({size, MakePng(size, alpha, uint32_t(size + i))});
                megapixels += double(size) * size / 1e6;
            }
        }
    std::printf("PNG set: %zu files, %.2f megapixels, 32x32 to 1024x1024, RGBA and RGB\n", files.size(), megapixels);

    double best[3] = {1e9, 1e9, 1e9};
    std::unique_ptr<uint8_t[]> scratch;
    for (int round = 0; round < rounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        for (const File& f : files) {
            Voke::SmartPtr<Voke::PngImageLoader> loader(
                new Voke::PngImageLoader(new Voke::CachedFile(f.png.data(), int(f.png.size()), false)));
            Voke::SmartPtr<Voke::MemPixelData> pixels = loader->LoadPixels();
            if (!pixels) std::abort();
        }
        best[0] = std::min(best[0], Seconds(start));

        start = std::chrono::steady_clock::now();
        for (const File& f : files)
            if (!LibpngDecode(f.png, scratch)) std::abort();
        best[1] = std::min(best[1], Seconds(start));

        start = std::chrono::steady_clock::now();
        for (const File& f : files) {
            Voke::SmartPtr<Voke::Surface> surface(
                Voke::ImageLoader::Load(new Voke::CachedFile(f.png.data(), int(f.png.size()), false)));
            if (!surface) std::abort();
        }
        best[2] = std::min(best[2], Seconds(start));
    }
    std::printf("engine loader, stream -> pixel data:      %8.1f MP/s\n", megapixels / best[0]);
    std::printf("libpng direct, memory -> RGBA rows:        %8.1f MP/s\n", megapixels / best[1]);
    std::printf("engine loader, stream -> surface/texture:  %8.1f MP/s\n", megapixels / best[2]);
    std::printf("loader keeps %.0f%% of libpng's speed (needs at least 80%%)\n", 100.0 * best[1] / best[0]);
    return best[1] / best[0] >= 0.8 ? 0 : 1;
}
