// The building row drawn through the GL batcher into a 480 x 320 target and
// read back, with its props: water frames running along the sewer buildings,
// the two rats on their roofs, fans and hanging beams on the construction
// site, and second-collision pieces stacked to the top of the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "game/core/game_base.h"
#include "game/world/building_manager.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/game/presentation/render_target.h"
#include "tests/game/support/game_data_folder.h"

namespace {

using Voke::Color;
using Voke::MakeColor;

constexpr int kW = 480;
constexpr int kH = 320;
const Color kBackdrop = MakeColor(1, 2, 3);

// Piece images: a colour of their own (blue 0), sized as in the data tests.
Color PieceColour(const std::string& name)
{
    uint32_t hash = 2166136261u;
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    return MakeColor(uint8_t(64 + (hash & 0x7f)), uint8_t(64 + ((hash >> 8) & 0x7f)), 0);
}
Color WaterColour(int i) { return MakeColor(0, uint8_t(30 * i), 255); }
Color RatColour(int i) { return MakeColor(255, uint8_t(20 + 20 * i), 200); }
Color FanColour(int i) { return MakeColor(uint8_t(30 + 60 * i), 0, 255); }
bool IsRat(Color c) { return Voke::ColorR(c) == 255 && Voke::ColorB(c) == 200; }

class BuildingRender : public PresentationTest::RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        MakeTarget(kW, kH);
        Clear(kBackdrop);
        m_game.m_ScreenWidth = kW;
        m_game.m_ScreenHeight = kH;
        m_game.InitRandom(20110831u);
        m_row.SetOwner(&m_game);
    }

    void Solid(const std::string& name, int w, int h, Color c)
    {
        m_content->Write(name, Voke::Test::MakePngFile(w, h, [c](int, int) { return c; }));
    }
    // Every piece of the level at its fixture size; second-collision pieces
    // `secondHeight` high when given. `skip` is left out.
    void WritePieces(int level, int secondHeight = 0, const std::string& skip = "")
    {
        int32_t rows = 0;
        const BuildingPiece* pieces = GetBuildingPieces(level, &rows);
        for (int32_t i = 0; i < rows; ++i) {
            const std::string name = pieces[i].image;
            if (name == skip) continue;
            int w = 0, h = 0;
            VokeTest::GameDataFolder::PieceSize(name, w, h);
            if (pieces[i].part == kPartSecondCollision && secondHeight > 0) h = secondHeight;
            if (pieces[i].flags & (kPieceBeamLeft | kPieceBeamMiddle | kPieceBeamRight)) h = 40;
            Solid(name, w, h, PieceColour(name));
        }
    }
    void WriteProps()
    {
        char name[32];
        for (int i = 0; i < 8; ++i) {
            std::snprintf(name, sizeof name, "lev3_woda2_%02d.png", i + 1);
            Solid(name, 10, 10, WaterColour(i));
        }
        const char* rats[] = {"lev3_rat.png",         "lev3_rat2.png",        "lev3_rat_anim_01.png",
                              "lev3_rat_anim_02.png", "lev3_rat_anim_03.png", "lev3_rat_anim_04.png"};
        for (int i = 0; i < 6; ++i) Solid(rats[i], 12, 8, RatColour(i));
        for (int i = 0; i < 3; ++i) Solid("lev4_fan_" + std::to_string(i + 1) + ".png", 10, 10, FanColour(i));
    }
    const char* Image(int32_t piece) const { return GetBuildingPieces(m_row.GetLevel(), nullptr)[piece].image; }
    uint32_t Flags(int32_t piece) const { return GetBuildingPieces(m_row.GetLevel(), nullptr)[piece].flags; }
    static int Width(const char* name)
    {
        int w = 0, h = 0;
        VokeTest::GameDataFolder::PieceSize(name, w, h);
        return w;
    }
    // Puts the building's left edge at screen x and its roof line at y.
    void Show(const Building& b, int x, int y)
    {
        m_row.SetScroll(float(b.x - x), float(b.roofY - y));
        Clear(kBackdrop);
        m_row.Render(m_target);
    }
    // The first building after key 0 for which `pick` holds; -1 when none.
    template <class Pick>
    int32_t Find(Pick pick) const
    {
        for (const auto& [key, b] : m_row.GetBuildings())
            if (key > 0 && pick(b)) return key;
        return -1;
    }
    // Any rat pixel in the columns x1 to x2 (screen), rows above y.
    static bool RatsIn(const PresentationTest::Frame& frame, int x1, int x2, int y)
    {
        for (int x = std::max(x1, 0); x < std::min(x2, kW); ++x)
            for (int r = std::max(y - 12, 0); r < std::min(y, kH); ++r)
                if (IsRat(frame.At(x, r))) return true;
        return false;
    }

    GameBase m_game;
    BuildingManager m_row;
};

TEST_F(BuildingRender, SewerRowRunsWaterAlongItsPiecesWithRatsOnTheRoofs)
{
    WritePieces(2);
    WriteProps();
    m_row.Load(2);
    EXPECT_EQ(m_row.GetWaterPhase(), 0.0f);
    // Just over half a cycle of water; the first rat walks, the second
    // pauses.
    m_row.Update(0.45f);
    EXPECT_NEAR(m_row.GetWaterPhase(), 0.54f, 1e-6f);
    EXPECT_EQ(m_row.GetRat(0).state, 0);
    EXPECT_EQ(m_row.GetRat(1).state, 1);

    const int32_t key = Find([&](const Building& b) {
        return b.leftPiece >= 0 && (Flags(b.middlePieces[0]) & kPieceWater) && (Flags(b.middlePieces[1]) & kPieceWater);
    });
    ASSERT_GE(key, 0);
    const Building& b = m_row.GetBuildings().at(key);
    Show(b, 30, 150);
    const PresentationTest::Frame frame = Read();

    // The pieces side by side from the left edge, water over the middle
    // pieces that carry it, frame 4 shifted by the slot.
    int pen = 30;
    EXPECT_EQ(frame.At(pen + 1, 151), PieceColour(Image(b.leftPiece)));
    pen += Width(Image(b.leftPiece));
    for (int j = 0; j < kMaxMiddlePieces && b.middlePieces[j] != -1 && pen <= kW - 30; ++j) {
        const int32_t piece = b.middlePieces[j];
        EXPECT_EQ(frame.At(pen + 1, 151), PieceColour(Image(piece))) << j;
        if (Flags(piece) & kPieceWater) {
            EXPECT_EQ(frame.At(pen + 12, 150 + 42), WaterColour((4 + j) % 8)) << j;
            EXPECT_EQ(frame.At(pen + 21, 150 + 51), WaterColour((4 + j) % 8)) << j;
            EXPECT_EQ(frame.At(pen + 11, 150 + 42), PieceColour(Image(piece))) << j;
        }
        pen += Width(Image(piece));
    }

    // The rats over the middle 80% of the roof, standing on it: the first
    // walking right (image 1), the second pausing (pause frame 3: image 5).
    const int w = b.rightX + 1 - b.x;
    const int left = 30 + w / 10, span = (w * 8) / 10;
    const double a = double(span / 2);
    for (int i = 0; i < 2; ++i) {
        const RatWalker& rat = m_row.GetRat(i);
        const int x = left + span / 2 + int(std::sin(double(rat.walkPhase) * 6.283184 - 1.570796) * a);
        EXPECT_EQ(rat.x, x) << i;
        if (x + 12 > kW) continue;
        const Color want = RatColour(i == 0 ? 1 : 5);
        EXPECT_EQ(frame.At(x, 150 - 8), want) << i;
        EXPECT_EQ(frame.At(x + 11, 149), want) << i;
        EXPECT_NE(frame.At(x, 150 - 9), want) << i;
    }
    EXPECT_TRUE(RatsIn(frame, 30, 30 + w, 150));

    // No rats on the first building, nor on the exit and final buildings.
    const Building& first = m_row.GetBuildings().at(0);
    Show(first, 0, 200);
    EXPECT_FALSE(RatsIn(Read(), 0, first.rightX - first.x, 200));
    m_row.MarkReached(key);
    for (const auto& [k, e] : m_row.GetBuildings()) {
        if (!e.reached && !e.final) continue;
        Show(e, 0, 200);
        EXPECT_FALSE(RatsIn(Read(), 0, e.rightX - e.x, 200)) << k;
    }
}

TEST_F(BuildingRender, ConstructionRowTurnsFansHangsBeamsAndStacksSecondPieces)
{
    WritePieces(3, 64);
    WriteProps();
    m_content->Write("build_arrange_lev4.xml",
                     "<a><m_AllowSecondCollision value=\"true\"/><m_HowOftenSecondCollision value=\"0\"/></a>");
    m_row.LoadAllArrangeParams();
    m_row.Load(3);
    EXPECT_EQ(m_row.GetFanPhase(), 0.0f);
    m_row.Update(0.05f);
    EXPECT_NEAR(m_row.GetFanPhase(), 0.35f, 1e-6f);

    // A fan piece shows the frame of the phase, shifted by its slot.
    const int32_t fanKey = Find([&](const Building& b) {
        for (int j = 0; j < 4 && b.middlePieces[j] != -1; ++j)
            if (Flags(b.middlePieces[j]) & kPieceFan) return true;
        return false;
    });
    ASSERT_GE(fanKey, 0);
    const Building& fans = m_row.GetBuildings().at(fanKey);
    Show(fans, 10, 150);
    PresentationTest::Frame frame = Read();
    int pen = 10 + (fans.leftPiece >= 0 ? Width(Image(fans.leftPiece)) : 0);
    for (int j = 0; j < 4 && fans.middlePieces[j] != -1; ++j) {
        if (Flags(fans.middlePieces[j]) & kPieceFan) {
            EXPECT_EQ(frame.At(pen + 14, 150 + 43), FanColour((1 + j) % 3)) << j;
            EXPECT_EQ(frame.At(pen + 23, 150 + 52), FanColour((1 + j) % 3)) << j;
        }
        pen += Width(Image(fans.middlePieces[j]));
    }

    // Beams hang from the roof line: a 40-pixel beam on a roof at 200 is
    // drawn from 183.
    const int32_t beamKey =
        Find([&](const Building& b) { return b.leftPiece >= 0 && (Flags(b.leftPiece) & kPieceBeamLeft); });
    ASSERT_GE(beamKey, 0);
    const Building& beams = m_row.GetBuildings().at(beamKey);
    Show(beams, 10, 200);
    frame = Read();
    const Color beam = PieceColour(Image(beams.leftPiece));
    EXPECT_EQ(frame.At(11, 183), beam);
    EXPECT_EQ(frame.At(11, 222), beam);
    EXPECT_NE(frame.At(11, 182), beam);
    EXPECT_NE(frame.At(11, 223), beam);

    // A stacked second piece, 64 pixels high, bottom at 100: drawn at 36
    // and -28, nothing above or below.
    const int32_t stackKey = Find(
        [&](const Building& b) { return b.hasSecondCollision && !(Flags(b.secondPiece) & kPieceSingle) && b.x > 0; });
    ASSERT_GE(stackKey, 0);
    const Building& stacked = m_row.GetBuildings().at(stackKey);
    m_row.SetScroll(float(stacked.secondLeft - 100), float(stacked.secondBottom - 100));
    Clear(kBackdrop);
    m_row.Render(m_target);
    frame = Read();
    const Color second = PieceColour(Image(stacked.secondPiece));
    for (int y = 0; y < 100; ++y) ASSERT_EQ(frame.At(101, y), second) << y;
    EXPECT_NE(frame.At(101, 100), second);
    EXPECT_NE(frame.At(99, 50), second);

    // With the roof below the screen, the pieces are gone but the second
    // piece, above the roof, still shows.
    m_row.SetScroll(float(stacked.secondLeft - 100), float(stacked.roofY - kH - 5));
    Clear(kBackdrop);
    m_row.Render(m_target);
    frame = Read();
    const int bottom = stacked.secondBottom - (stacked.roofY - kH - 5);
    ASSERT_LT(bottom, kH);
    EXPECT_EQ(frame.At(101, bottom - 1), second);
    EXPECT_EQ(frame.At(101, 0), second);

    // The phases wrap: a long frame past two cycles starts at 0.
    m_row.Update(0.2f);
    EXPECT_NEAR(m_row.GetFanPhase(), 0.35f + 1.4f - 1.0f, 1e-5f);
    m_row.Update(0.3f);
    EXPECT_EQ(m_row.GetFanPhase(), 0.0f);
}

TEST_F(BuildingRender, MissingImagesDrawNothingAndNeverHang)
{
    // The construction site without one second piece's image and without
    // its props; every second piece stacks.
    WritePieces(3, 64, "lev4_buildin2_02_sec_collision.png");
    m_content->Write("build_arrange_lev4.xml",
                     "<a><m_AllowSecondCollision value=\"true\"/><m_HowOftenSecondCollision value=\"0\"/></a>");
    m_row.LoadAllArrangeParams();
    m_row.Load(3);
    const int32_t key = Find([&](const Building& b) {
        return b.hasSecondCollision && std::string(Image(b.secondPiece)) == "lev4_buildin2_02_sec_collision.png";
    });
    ASSERT_GE(key, 0);
    const Building& b = m_row.GetBuildings().at(key);
    m_row.SetScroll(float(b.secondLeft - 100), float(b.secondBottom - 100));
    Clear(kBackdrop);
    m_row.Render(m_target);
    EXPECT_EQ(Read().At(101, 50), kBackdrop);

    // The whole row without any image, with the screen shaking, from far
    // off to beyond its end.
    BuildingManager empty;
    empty.SetOwner(&m_game);
    empty.Load(2);
    m_game.m_ShakeX = 7;
    m_game.m_ShakeY = -4;
    for (float x : {-1e9f, 0.0f, 500.0f, 1e9f}) {
        empty.SetScroll(x, x);
        empty.Update(0.016f);
        empty.Render(m_target);
    }
    empty.Release();
    m_row.Release();
    m_row.Render(m_target);
}

}  // namespace
