// A PNG the picture generator wrote, read back into its pixels for the
// generator's tests (the character and interface pictures, the level art).
#pragma once

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace PictureGenTest {

struct PngPixels {
    int w = 0, h = 0;
    std::vector<uint32_t> px;  // premultiplied ARGB, as cairo holds it
    uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    int Alpha(int x, int y) const { return static_cast<int>(At(x, y) >> 24); }
    // The straight (not premultiplied) colour; black where the pixel is clear.
    std::array<int, 3> Colour(int x, int y) const
    {
        uint32_t p = At(x, y);
        int a = static_cast<int>(p >> 24);
        if (a == 0) return {0, 0, 0};
        auto channel = [&](int shift) { return static_cast<int>(((p >> shift) & 0xff) * 255 + a / 2) / a; };
        return {channel(16), channel(8), channel(0)};
    }
    bool Empty() const { return w == 0 || h == 0; }
};

// The pixels of the PNG at path; empty (w = h = 0) when it cannot be read.
inline PngPixels LoadPng(const std::string& path)
{
    PngPixels picture;
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        picture.w = cairo_image_surface_get_width(s);
        picture.h = cairo_image_surface_get_height(s);
        int stride = cairo_image_surface_get_stride(s);
        const unsigned char* data = cairo_image_surface_get_data(s);
        picture.px.resize(static_cast<size_t>(picture.w) * picture.h);
        for (int y = 0; y < picture.h; ++y)
            std::copy_n(reinterpret_cast<const uint32_t*>(data + y * stride), picture.w,
                        &picture.px[static_cast<size_t>(y) * picture.w]);
    }
    cairo_surface_destroy(s);
    return picture;
}

}  // namespace PictureGenTest
