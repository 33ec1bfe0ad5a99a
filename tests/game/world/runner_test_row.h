// A building row laid out by hand for the runner's tests: buildings of two
// alternating styles, the first 840 px wide and the others 440 px, a fixed
// gap apart, the second style's roof a fixed step higher. Images are made in
// memory (no files, no GL); nothing is random.
#pragma once

#include <cstdint>

#include "engine/graphics/pixel_data.h"
#include "engine/graphics/surface.h"
#include "game/world/building_manager.h"

namespace VokeTest {

// An image of w x h in memory.
inline Voke::SmartPtr<Voke::Surface> MakeSurface(int w, int h)
{
    Voke::SmartPtr<Voke::MemPixelData> pixels(new Voke::MemPixelData(w, h, Voke::RGBA8888));
    return Voke::SmartPtr<Voke::Surface>(new Voke::Surface(pixels.Get()));
}

class TestRow {
public:
    // NOTE: roofs are at y 224 (the first style) and 224 - step.
    static constexpr int32_t kRoof = 224;

    // `second`: a second-collision piece of 40 x `secondHeight` px on every
    // building from key 3 on whose width allows it, `secondGap` px above
    // the roof.
    TestRow(int32_t gap, int32_t step, bool second = false, int32_t secondHeight = 40, int32_t secondGap = 30)
    {
        const int widths[kPieces] = {20, 100, 20, 20, 100, 20, 40, 20, 100, 20};
        for (int i = 0; i < kPieces; ++i)
            m_images[i] = MakeSurface(widths[i], i == kSecondPiece ? secondHeight : 200);
        m_styles[0] = BuildingStyle{0, 0, 0.0f, false, 0};
        m_styles[1] = BuildingStyle{0, -step, 0.0f, false, 0};
        m_styles[2] = BuildingStyle{0, 0, 0.0f, false, 0};
        BuildArrangeParams params;
        params.m_FreeSpaceBetweenConstant = gap;
        params.m_FreeSpaceBetweenRandomRange = 0;
        params.m_MoreSpaceIfCloserTillTheEnd = 0.0f;
        params.m_HeightRandomRange = 0;
        params.m_MaxMiddleAssets = 1;
        params.m_AllowSecondCollision = second;
        params.m_HowOftenSecondCollision = 0;
        params.m_SecondCollisionDistanceFromGround = secondGap;
        m_buildings.SetupGenerator(kPieces, kTable, m_images, 3, m_styles, 6, params);
    }

    const Building& At(int32_t key) const { return m_buildings.GetBuildings().at(key); }

    BuildingManager m_buildings;

private:
    static constexpr int kPieces = 10;
    static constexpr int kSecondPiece = 6;
    static constexpr BuildingPiece kTable[kPieces] = {
        {"l0", kPartLeft, 0, 0},  {"m0", kPartMiddle, 0, 0}, {"r0", kPartRight, 0, 0},
        {"l1", kPartLeft, 1, 0},  {"m1", kPartMiddle, 1, 0}, {"r1", kPartRight, 1, 0},
        {"s1", kPartSecondCollision, 1, kPieceSingle},        {"lf", kPartLeft, 2, 0},
        {"mf", kPartMiddle, 2, 0}, {"rf", kPartRight, 2, 0},
    };
    Voke::SmartPtr<Voke::Surface> m_images[kPieces];
    BuildingStyle m_styles[3];
};

}  // namespace VokeTest
