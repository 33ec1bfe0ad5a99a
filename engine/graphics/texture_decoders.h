// Software decoders of GPU block formats, for drivers that lack them.
//
// DXT (S3TC) uses the engine's own fast arithmetic on packed 16-bit colours
// (weights 5/16 and 21/32 in place of 1/3 and 2/3), so its in-between
// colours differ slightly from a GPU's; ETC1 is decoded exactly. Pixels of a
// 4 x 4 block are numbered row by row: pixel (column k, row r) is 4r + k.
#pragma once

#include <cstdint>

namespace Voke {

// The four RGB565 colours a DXT colour block can index. Four-colour mode
// when `fourColour` is set or c0 > c1; else three colours and black.
void DxtColourPalette(uint16_t c0, uint16_t c1, bool fourColour, uint16_t palette[4]);
// The eight alphas a DXT5 alpha block can index.
void Dxt5AlphaPalette(uint8_t a0, uint8_t a1, uint8_t palette[8]);

// An 8-byte DXT1 block into 16 RGB565 pixels (no transparency).
void DecodeDxt1Block(const uint8_t* block, uint16_t out[16]);
// A 16-byte DXT5 block into 16 RGBA8888 pixels, each 4 bytes blue, green,
// red, alpha.
void DecodeDxt5Block(const uint8_t* block, uint8_t out[16 * 4]);
// An 8-byte ETC1 block into 16 pixels of 3 bytes blue, green, red.
void DecodeEtc1Block(const uint8_t* block, uint8_t out[16 * 3]);

}  // namespace Voke
