// A picture of the game's window as the tour keeps it: RGB, top row first,
// at half the window's size (each pixel the mean of a 2 x 2 block), with
// reading and writing as PNG and the comparison the tour applies to it.
//
// Limits: only the simple PNG forms libpng converts to RGB are read; odd
// window sizes lose their last row or column when halved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace VokeTest {

class TourPicture {
public:
    TourPicture() = default;
    TourPicture(int32_t width, int32_t height);

    // The half-size picture of a frame read back with glReadPixels: RGBA,
    // `width` x `height`, bottom row first. An empty picture when the rows
    // are fewer than the size says.
    static TourPicture FromFramebuffer(const std::vector<uint8_t>& rgba, int32_t width, int32_t height);

    // False, the picture unchanged, when the file does not open or is not a
    // PNG libpng can read.
    bool Read(const std::string& path);
    // False when the file cannot be written (or the picture is empty).
    bool Write(const std::string& path) const;

    // The pixels that differ between two pictures of one size: a pixel
    // differs when any channel is more than `tolerance` off. Pictures of
    // different sizes differ everywhere (the larger pixel count is given).
    int64_t CountDiffering(const TourPicture& other, int32_t tolerance) const;

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
