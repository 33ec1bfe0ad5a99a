// Pixel data: the block of pixels behind a surface, and the pixel-format table
// every piece of image code consults.
//
// Four kinds exist: pixels in memory (MemPixelData, here), run-length coded
// pixels, a GPU texture (PixelDataGL) and a colour texture paired with an
// alpha texture (PixelDataComposite). Nothing in this file calls GL, so pixel
// data may be built on the loader thread.
//
// Three- and four-byte pixels are held blue first in memory (blue, green, red,
// then alpha); they are swapped to red first only when uploaded to the GPU.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/ref_counter.h"

namespace Voke {

// A 32-bit colour: red in bits 0-7, green 8-15, blue 16-23, alpha 24-31 (in
// memory the bytes red, green, blue, alpha). Alpha 255 is opaque.
using Color = uint32_t;

constexpr Color MakeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    return Color(r) | Color(g) << 8 | Color(b) << 16 | Color(a) << 24;
}
constexpr uint8_t ColorR(Color c) { return uint8_t(c); }
constexpr uint8_t ColorG(Color c) { return uint8_t(c >> 8); }
constexpr uint8_t ColorB(Color c) { return uint8_t(c >> 16); }
constexpr uint8_t ColorA(Color c) { return uint8_t(c >> 24); }

enum PixelFormat : uint32_t {
    A8 = 0,
    RGB565 = 1,
    RGB888 = 2,
    RGBA8888 = 3,
    RLE = 4,
    DXT1 = 5,
    DXT5 = 6,
    PVRTC2_RGB = 7,
    PVRTC2_RGBA = 8,
    PVRTC4_RGB = 9,
    PVRTC4_RGBA = 10,
    ETC1 = 11,
    NoFormat = 12,
};

// One row of the format table. Bytes per pixel 0 marks a coded format whose
// data has no fixed size per pixel.
struct PixelFormatInfo {
    uint32_t bytesPerPixel;
    uint32_t bitsPerPixel;
    uint32_t redBits;
    uint32_t greenBits;
    uint32_t blueBits;
    uint32_t alphaBits;
};

class PixelData : public RefCounter {
public:
    enum Kind : int { kMemory = 0, kRunLength = 1, kTexture = 3, kComposite = 5 };

    PixelData() = default;
    // Takes size, pitch, format and colour key of `other`; the copy starts
    // unowned.
    PixelData(const PixelData& other) = default;
    PixelData& operator=(const PixelData&) = delete;

    virtual Color GetPixel(int x, int y) const;
    virtual void SetPixel(int x, int y, const Color& color);
    virtual const uint8_t* GetData() const { return nullptr; }
    virtual uint8_t* GetDataMutable() { return nullptr; }
    // Drops the CPU copy of the pixels.
    virtual void FreeData() {}
    // A pixel position times these gives texture coordinates.
    virtual float GetTexScaleU() const { return 1.0f; }
    virtual float GetTexScaleV() const { return 1.0f; }
    virtual int GetKind() const = 0;
    // Marks the data as used in this frame.
    virtual void Touch() {}

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    uint32_t GetPitch() const { return m_pitch; }
    uint32_t GetFormat() const { return m_format; }

    // The colour key: red, green, blue, alpha bytes (opaque magenta by default).
    const uint8_t* GetColorKey() const { return m_colorKey; }
    void SetColorKey(Color key);

    // The table row of a format; a number outside 0..11 gives a row of zeros.
    static const PixelFormatInfo& GetFormatInfo(uint32_t format);
    static bool IsValidFormat(uint32_t format) { return format < NoFormat; }

protected:
    int32_t m_width = 0;
    int32_t m_height = 0;
    uint32_t m_pitch = 0;
    uint32_t m_format = NoFormat;
    uint8_t m_colorKey[4] = {255, 0, 255, 255};
};

// Pixels in memory, in an owned buffer of pitch x height bytes.
class MemPixelData : public PixelData {
public:
    // A zeroed buffer of width x height pixels of `format`; coded formats and
    // negative sizes give an empty buffer with pitch 0.
    MemPixelData(int width, int height, uint32_t format);
    // A copy of the source's pixels (height x pitch bytes from its
    // GetDataMutable; zeros when the source holds none). The colour key takes
    // its default.
    explicit MemPixelData(PixelData& source);
    // An RGB888 image from XPM text: a header line "W H NCOLOURS CPP", the
    // colour lines, then the rows. A pixel naming no defined colour, and the
    // missing part of a short row, stay black. Header values that are missing
    // or absurd (negative, or above 4096 pixels a side) give an empty image.
    explicit MemPixelData(const char* const* xpm);
    ~MemPixelData() override;

    Color GetPixel(int x, int y) const override;
    void SetPixel(int x, int y, const Color& color) override;
    const uint8_t* GetData() const override { return m_buffer; }
    uint8_t* GetDataMutable() override { return m_buffer; }
    void FreeData() override;
    int GetKind() const override { return kMemory; }

private:
    void Allocate(int width, int height, uint32_t format);
    uint8_t* m_buffer = nullptr;
};

// The value of two upper-case hexadecimal digits. When the first character is
// no such digit the result is the value of the second alone (0 if that is no
// digit either); when only the second is none, the first digit times 16.
unsigned ParseHexByte(const char* s);

}  // namespace Voke
