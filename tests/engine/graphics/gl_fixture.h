// A real OpenGL ES 2.0 context for tests: Mesa's surfaceless EGL platform
// with a pbuffer standing in for the window (framebuffer 0), an 8-bit-per-
// channel configuration and the context held to ES 2.0. Set up as the window
// surface sets up its context: GL info, scissor test, blend function.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/core/ref_counter.h"
#include "engine/graphics/pixel_data.h"
#include "engine/graphics/surface.h"

namespace Voke {

class OpenGLBatcher;
class PixelDataGL;

namespace Test {

// Creates the display, pbuffer and context and makes them current; false
// with a message on failure. Also called by the benchmark.
bool CreateOffscreenContext(int width, int height);
void DestroyOffscreenContext();

class GLTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;

    void SetUp() override;
    void TearDown() override;

    OpenGLBatcher* Batcher();
    // The pixel at (x, y) from the top left of the window as a Color (alpha
    // always 255: the window has none). Flushes first.
    Color WindowPixel(int x, int y);
    // The pixel at (x, y) of an off-screen target surface (its first row is
    // the image's top row).
    Color TargetPixel(Surface* target, int x, int y);
    // All pixels of an off-screen target, RGBA, in the same row order.
    // Flushes first.
    std::vector<uint8_t> TargetPixels(Surface* target);

    // A texture surface of w x h from memory pixels of `format` filled by
    // `fill(x, y)` (a Color; stored in the format's own memory layout).
    template <class F>
    static Surface* MakeImage(int w, int h, uint32_t format, F fill)
    {
        SmartPtr<MemPixelData> pixels(new MemPixelData(w, h, format));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Store(pixels, x, y, fill(x, y));
        return new Surface(pixels.Get());
    }
    static void Store(MemPixelData* pixels, int x, int y, Color c);

    SmartPtr<Surface> m_window;
};

}  // namespace Test
}  // namespace Voke
