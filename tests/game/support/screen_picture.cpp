#include "tests/game/support/screen_picture.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace VokeTest {

ScreenPicture::ScreenPicture(int32_t width, int32_t height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)), m_rgb(size_t(m_width) * m_height * 3, 0)
{
}

ScreenPicture ScreenPicture::FromTarget(const std::vector<uint8_t>& rgba, int32_t width, int32_t height)
{
    if (width < 1 || height < 1 || rgba.size() < size_t(width) * height * 4) return ScreenPicture();
    ScreenPicture picture(width, height);
    for (size_t i = 0; i < size_t(width) * height; ++i) std::memcpy(&picture.m_rgb[i * 3], &rgba[i * 4], 3);
    return picture;
}

ScreenPicture ScreenPicture::FromFramebuffer(const std::vector<uint8_t>& rgba, int32_t width, int32_t height)
{
    if (width < 2 || height < 2 || rgba.size() < size_t(width) * height * 4) return ScreenPicture();
    ScreenPicture half(width / 2, height / 2);
    for (int32_t y = 0; y < half.m_height; ++y) {
        // glReadPixels gives the bottom row first.
        const uint8_t* lower = &rgba[size_t(height - 1 - 2 * y) * width * 4];
        const uint8_t* upper = &rgba[size_t(height - 2 - 2 * y) * width * 4];
        for (int32_t x = 0; x < half.m_width; ++x) {
            uint8_t* out = &half.m_rgb[(size_t(y) * half.m_width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                const int sum = lower[8 * x + c] + lower[8 * x + 4 + c] + upper[8 * x + c] + upper[8 * x + 4 + c];
                out[c] = uint8_t((sum + 2) / 4);
            }
        }
    }
    return half;
}

bool ScreenPicture::Read(const std::string& path)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    m_width = int32_t(image.width);
    m_height = int32_t(image.height);
    m_rgb.swap(rgb);
    return true;
}

bool ScreenPicture::Write(const std::string& path) const
{
    if (Empty()) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(m_width);
    image.height = png_uint_32(m_height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, m_rgb.data(), 0, nullptr) != 0;
}

int64_t ScreenPicture::CountDiffering(const ScreenPicture& other, int32_t tolerance) const
{
    if (m_width != other.m_width || m_height != other.m_height) return std::max(PixelCount(), other.PixelCount());
    int64_t differing = 0;
    for (size_t i = 0; i < m_rgb.size(); i += 3) {
        bool differs = false;
        for (size_t c = 0; c < 3; ++c) differs = differs || std::abs(int(m_rgb[i + c]) - int(other.m_rgb[i + c])) > tolerance;
        differing += differs;
    }
    return differing;
}

uint32_t ScreenPicture::At(int32_t x, int32_t y) const
{
    const uint8_t* p = &m_rgb[(size_t(y) * m_width + x) * 3];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

void ScreenPicture::Set(int32_t x, int32_t y, uint32_t rgb)
{
    uint8_t* p = &m_rgb[(size_t(y) * m_width + x) * 3];
    p[0] = uint8_t(rgb >> 16);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb);
}

}  // namespace VokeTest
