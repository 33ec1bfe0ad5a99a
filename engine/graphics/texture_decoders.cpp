#include "engine/graphics/texture_decoders.h"

#include <algorithm>
#include <cstring>

#include "engine/core/byte_reader.h"

namespace Voke {

namespace {

// Green moves to bits 21-26 so that red, green and blue can be added and
// scaled in one 32-bit word without carrying into each other.
inline uint32_t Pack(uint32_t c) { return (c | ((c & 0x7E0) << 16)) & ~0x7E0u; }
inline uint16_t Unpack(uint32_t v) { return uint16_t((v & 0xF81F) | ((v & 0x7C00000) >> 16)); }

inline uint32_t BE32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline uint8_t Expand5(uint32_t v) { return uint8_t((v << 3) | (v >> 2)); }
inline uint8_t Expand6(uint32_t v) { return uint8_t((v << 2) | (v >> 4)); }

const int kEtc1Modifiers[8][2] = {{2, 8}, {5, 17}, {9, 29}, {13, 42}, {18, 60}, {24, 80}, {33, 106}, {47, 183}};

inline uint8_t Clamp255(int v) { return uint8_t(std::min(255, std::max(0, v))); }

}  // namespace

void DxtColourPalette(uint16_t c0, uint16_t c1, bool fourColour, uint16_t palette[4])
{
    palette[0] = c0;
    palette[1] = c1;
    uint32_t p0 = Pack(c0), p1 = Pack(c1);
    if (fourColour || c0 > c1) {
        uint32_t d = p1 - p0;
        palette[2] = Unpack(p0 + (((d * 5) >> 4) & 0x7FFFFFF));
        palette[3] = Unpack(p0 + ((d * 21) >> 5));
    } else {
        palette[2] = Unpack((p0 + p1) >> 1);
        palette[3] = 0;
    }
}

void Dxt5AlphaPalette(uint8_t a0, uint8_t a1, uint8_t palette[8])
{
    palette[0] = a0;
    palette[1] = a1;
    if (a0 > a1) {
        for (int i = 1; i <= 6; ++i) palette[i + 1] = uint8_t(((7 - i) * a0 + i * a1) / 7);
    } else {
        for (int i = 1; i <= 4; ++i) palette[i + 1] = uint8_t(((5 - i) * a0 + i * a1) / 5);
        palette[6] = 0;
        palette[7] = 255;
    }
}

void DecodeDxt1Block(const uint8_t* block, uint16_t out[16])
{
    uint16_t palette[4];
    DxtColourPalette(LoadLE16(block), LoadLE16(block + 2), false, palette);
    uint32_t indices = LoadLE32(block + 4);
    for (int i = 0; i < 16; ++i) out[i] = palette[(indices >> (2 * i)) & 3];
}

void DecodeDxt5Block(const uint8_t* block, uint8_t out[16 * 4])
{
    uint8_t alphas[8];
    Dxt5AlphaPalette(block[0], block[1], alphas);
    uint64_t alphaBits = 0;
    for (int i = 0; i < 6; ++i) alphaBits |= uint64_t(block[2 + i]) << (8 * i);
    uint16_t palette[4];
    DxtColourPalette(LoadLE16(block + 8), LoadLE16(block + 10), true, palette);
    uint32_t indices = LoadLE32(block + 12);
    for (int i = 0; i < 16; ++i) {
        uint16_t c = palette[(indices >> (2 * i)) & 3];
        uint8_t* p = out + 4 * i;
        p[0] = Expand5(c & 31);
        p[1] = Expand6((c >> 5) & 63);
        p[2] = Expand5(c >> 11);
        p[3] = alphas[(alphaBits >> (3 * i)) & 7];
    }
}

void DecodeEtc1Block(const uint8_t* block, uint8_t out[16 * 3])
{
    uint32_t w0 = BE32(block), w1 = BE32(block + 4);
    int base[2][3];
    if (w0 & 2) {
        // Differential: 5-bit base and a 3-bit signed delta per channel.
        for (int c = 0; c < 3; ++c) {
            int shift = 27 - 8 * c;
            int b = int((w0 >> shift) & 31);
            int delta = int((w0 >> (shift - 3)) & 7);
            if (delta >= 4) delta -= 8;
            int b2 = (b + delta) & 31;  // wraps like the hardware; valid files stay in range
            base[0][c] = Expand5(uint32_t(b));
            base[1][c] = Expand5(uint32_t(b2));
        }
    } else {
        for (int c = 0; c < 3; ++c) {
            int shift = 28 - 8 * c;
            int b1 = int((w0 >> shift) & 15), b2 = int((w0 >> (shift - 4)) & 15);
            base[0][c] = (b1 << 4) | b1;
            base[1][c] = (b2 << 4) | b2;
        }
    }
    int table[2] = {int((w0 >> 5) & 7), int((w0 >> 2) & 7)};
    bool flip = (w0 & 1) != 0;
    for (int x = 0; x < 4; ++x) {
        for (int y = 0; y < 4; ++y) {
            int sub = flip ? (y >= 2) : (x >= 2);
            int i = 4 * x + y;
            int index = int(((w1 >> (16 + i)) & 1) << 1 | ((w1 >> i) & 1));
            int a = kEtc1Modifiers[table[sub]][0], b = kEtc1Modifiers[table[sub]][1];
            int mod = index == 0 ? a : index == 1 ? b : index == 2 ? -a : -b;
            uint8_t* p = out + 3 * (4 * y + x);
            p[0] = Clamp255(base[sub][2] + mod);
            p[1] = Clamp255(base[sub][1] + mod);
            p[2] = Clamp255(base[sub][0] + mod);
        }
    }
}

}  // namespace Voke
