// The software DXT and ETC1 decoders against the driver's own decoding of the
// same blocks (Mesa, through a real GL context): ETC1 exactly, DXT within
// the engine's cheaper interpolation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "engine/graphics/texture_decoders.h"
#include "tests/engine/graphics/gl_fixture.h"

namespace Voke {
namespace Test {
namespace {

using BlockDecoderTest = GLTest;
constexpr int kSize = 16;  // 4 x 4 blocks

// Draws a 16 x 16 texture of the blocks at the window's corner.
void DrawBlocks(Surface* window, uint32_t format, const std::vector<uint8_t>& blocks)
{
    SmartPtr<PixelDataGL> pixels(new PixelDataGL(kSize, kSize, format));
    ASSERT_EQ(pixels->GetDataSize(), blocks.size());
    std::memcpy(pixels->GetDataMutable(), blocks.data(), blocks.size());
    SmartPtr<Surface> surface(new Surface(pixels.Get()));
    Surface::Blit(window, 0, 0, surface, surface->GetClipRect());
}

std::vector<uint8_t> Random(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> b(n);
    for (uint8_t& x : b) x = uint8_t(rng());
    return b;
}

uint8_t Expand(uint32_t v, int bits) { return uint8_t(bits == 5 ? (v << 3 | v >> 2) : (v << 2 | v >> 4)); }

TEST_F(BlockDecoderTest, Etc1MatchesTheDriverExactly)
{
    std::vector<uint8_t> blocks = Random(16 * 8, 11);
    DrawBlocks(m_window, ETC1, blocks);
    for (int b = 0; b < 16; ++b) {
        uint8_t decoded[48];
        DecodeEtc1Block(blocks.data() + 8 * b, decoded);
        for (int i = 0; i < 16; ++i) {
            int x = (b % 4) * 4 + i % 4, y = (b / 4) * 4 + i / 4;
            Color c = WindowPixel(x, y);
            EXPECT_EQ(ColorR(c), decoded[3 * i + 2]) << x << "," << y;
            EXPECT_EQ(ColorG(c), decoded[3 * i + 1]) << x << "," << y;
            EXPECT_EQ(ColorB(c), decoded[3 * i + 0]) << x << "," << y;
        }
    }
}

TEST_F(BlockDecoderTest, DxtMatchesTheDriverWithinTheEnginesArithmetic)
{
    // Random DXT1 blocks (both colour modes) and DXT5 blocks with opaque
    // alpha, so that the window shows the colours unblended.
    std::vector<uint8_t> dxt1 = Random(16 * 8, 12);
    std::vector<uint8_t> dxt5 = Random(16 * 16, 13);
    for (int b = 0; b < 16; ++b) {
        uint8_t* block = dxt5.data() + 16 * b;
        block[0] = block[1] = 255;
        std::memset(block + 2, 0, 6);
    }
    for (int pass = 0; pass < 2; ++pass) {
        DrawBlocks(m_window, pass == 0 ? DXT1 : DXT5, pass == 0 ? dxt1 : dxt5);
        for (int b = 0; b < 16; ++b) {
            uint8_t rgb[16][3];
            if (pass == 0) {
                uint16_t decoded[16];
                DecodeDxt1Block(dxt1.data() + 8 * b, decoded);
                for (int i = 0; i < 16; ++i) {
                    rgb[i][0] = Expand(decoded[i] >> 11, 5);
                    rgb[i][1] = Expand((decoded[i] >> 5) & 63, 6);
                    rgb[i][2] = Expand(decoded[i] & 31, 5);
                }
            } else {
                uint8_t decoded[64];
                DecodeDxt5Block(dxt5.data() + 16 * b, decoded);
                for (int i = 0; i < 16; ++i) {
                    EXPECT_EQ(decoded[4 * i + 3], 255);
                    rgb[i][0] = decoded[4 * i + 2];
                    rgb[i][1] = decoded[4 * i + 1];
                    rgb[i][2] = decoded[4 * i + 0];
                }
            }
            for (int i = 0; i < 16; ++i) {
                int x = (b % 4) * 4 + i % 4, y = (b / 4) * 4 + i / 4;
                Color c = WindowPixel(x, y);
                // 5/16 and 21/32 for 1/3 and 2/3, on 5- and 6-bit channels.
                EXPECT_NEAR(ColorR(c), rgb[i][0], 12) << "pass " << pass << " at " << x << "," << y;
                EXPECT_NEAR(ColorG(c), rgb[i][1], 12) << "pass " << pass << " at " << x << "," << y;
                EXPECT_NEAR(ColorB(c), rgb[i][2], 12) << "pass " << pass << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace Test
}  // namespace Voke
