// The software triangle fillers' vertex and edge walker (see
// Surface::DrawTriangle): affine texture mapping in single-precision floats,
// scanline by scanline, with a top-left fill rule.
#pragma once

#include <cstdint>

namespace Voke {

struct RasterVertex {
    float x, y;  // destination pixels
    float u, v;  // source texels (an atlas view's page offset included)
    int32_t firstRow;  // the first scanline at or below y (ceil(y)); the caller fills it
};

struct RasterEdges {
    const RasterVertex* a = nullptr;  // top
    const RasterVertex* b = nullptr;  // middle
    const RasterVertex* c = nullptr;  // bottom
    float leftX = 0, leftDx = 0, leftU = 0, leftDu = 0, leftV = 0, leftDv = 0;
    int32_t leftRows = 0;
    float rightX = 0, rightDx = 0;
    int32_t rightRows = 0;
    int leftSegments = 0;
    int rightSegments = 0;

    // Set up one side from `start` to `end` and return its row count; a
    // count of 0 leaves the side as it was (a negative count means the
    // vertices are out of order).
    int32_t SetupLeft(const RasterVertex& start, const RasterVertex& end);
    int32_t SetupRight(const RasterVertex& start, const RasterVertex& end);
    // Both sides one row down; false when the triangle has ended.
    bool Step();
};

}  // namespace Voke
