// A picture of what the game drew, as the picture tests keep it: RGB, top
// row first, either a target read back whole or a window frame at half its
// size (each pixel the mean of a 2 x 2 block); read and written as PNG, and
// compared with a reference the way those tests do.
//
// Limits: only the simple PNG forms libpng converts to RGB are read; odd
// window sizes lose their last row or column when halved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace VokeTest {

class ScreenPicture {
public:
    ScreenPicture() = default;
    ScreenPicture(int32_t width, int32_t height);

    // An off-screen target read back whole: RGBA, `width` x `height`, top
    // row first (as the GL fixture's TargetPixels gives it). An empty
    // picture when the pixels are fewer than the size says.
    static ScreenPicture FromTarget(const std::vector<uint8_t>& rgba, int32_t width, int32_t height);
    // The half-size picture of a frame read back with glReadPixels: RGBA,
    // `width` x `height`, bottom row first. An empty picture when the rows
    // are fewer than the size says.
    static ScreenPicture FromFramebuffer(const std::vector<uint8_t>& rgba, int32_t width, int32_t height);

    // False, the picture unchanged, when the file does not open or is not a
    // PNG libpng can read.
    bool Read(const std::string& path);
    // False when the file cannot be written (or the picture is empty).
    bool Write(const std::string& path) const;

    // The pixels that differ between two pictures of one size: a pixel
    // differs when any channel is more than `tolerance` off. Pictures of
    // different sizes differ everywhere (the larger pixel count is given).
    int64_t CountDiffering(const ScreenPicture& other, int32_t tolerance) const;

    bool Empty() const { return m_rgb.empty(); }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int64_t PixelCount() const { return int64_t(m_width) * m_height; }
    // The pixel at (x, y) as 0xRRGGBB.
    uint32_t At(int32_t x, int32_t y) const;
    void Set(int32_t x, int32_t y, uint32_t rgb);

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    std::vector<uint8_t> m_rgb;
};

}  // namespace VokeTest
