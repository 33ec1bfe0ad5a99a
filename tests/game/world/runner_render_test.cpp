// The runner, his dust, the obstacles and their splinters drawn for real
// through the GL batcher into a 480 x 320 off-screen target, and the pixels
// read back. Images come from PNG files in a temporary mounted folder
// through the asset dictionary, or are made in memory.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/asset_dict.h"
#include "engine/core/vfs.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/world/obstacle_manager.h"
#include "game/world/player.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/engine/graphics/gl_fixture.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using Voke::Color;
using Voke::MakeColor;

constexpr int kW = 480;
constexpr int kH = 320;

const Color kBlack = MakeColor(0, 0, 0);
const Color kRed = MakeColor(255, 0, 0);
const Color kGreen = MakeColor(0, 255, 0);
const Color kBlue = MakeColor(0, 0, 255);
const Color kWhite = MakeColor(255, 255, 255);
const Color kYellow = MakeColor(255, 255, 0);

int g_loads = 0;

// Counts the image files the asset path decodes.
Voke::Surface* CountingLoader(const Voke::NarrowString& path)
{
    Voke::Surface* surface = Voke::Test::LoadTestImageFile(path);
    if (surface) ++g_loads;
    return surface;
}

class RunnerRender : public Voke::Test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        Voke::Vfs::Init();
        Voke::Vfs::MountDirectory(m_dir.Path() + "/", "", 0);
        Voke::AssetDict::s_engine = new Voke::AssetDict;
        g_loads = 0;
        Voke::SetSurfaceFileLoader(&CountingLoader);
        m_target = new Voke::Surface(kW, kH, Voke::RGBA8888);
        Voke::Surface::Clear(m_target, &kBlack);
        Voke::Surface::FillRect(m_target, 0, 0, kW, kH, &kBlack);
        m_game.m_ScreenWidth = kW;
        m_game.m_ScreenHeight = kH;
        m_game.InitRandom(77u);
    }
    void TearDown() override
    {
        m_target.Reset();
        Voke::SetSurfaceFileLoader(nullptr);
        Voke::AssetDict::s_engine.Reset();
        Voke::Vfs::Shutdown();
        GLTest::TearDown();
    }

    void Png(const std::string& name, int w, int h, Color c)
    {
        VokeTest::WriteBytes(m_dir / name, Voke::Test::MakePngFile(w, h, [c](int, int) { return c; }));
    }
    static Voke::Surface* Solid(int w, int h, Color c)
    {
        return MakeImage(w, h, Voke::RGBA8888, [c](int, int) { return c; });
    }
    void Clear()
    {
        Voke::Surface::FillRect(m_target, 0, 0, kW, kH, &kBlack);
    }

    // The whole target, read back at once.
    std::vector<uint8_t> Read() { return TargetPixels(m_target); }
    static Color At(const std::vector<uint8_t>& rgba, int x, int y)
    {
        const uint8_t* p = &rgba[(size_t(y) * kW + x) * 4];
        return MakeColor(p[0], p[1], p[2]);
    }
    // Whether the rectangle (x, y, w, h) holds colour c and its one-pixel
    // border does not.
    static void ExpectRect(const std::vector<uint8_t>& rgba, int x, int y, int w, int h, Color c)
    {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i) ASSERT_EQ(At(rgba, i, j), c) << i << "," << j;
        for (int i = x - 1; i <= x + w; ++i) {
            EXPECT_NE(At(rgba, i, y - 1), c) << i;
            EXPECT_NE(At(rgba, i, y + h), c) << i;
        }
        for (int j = y; j < y + h; ++j) {
            EXPECT_NE(At(rgba, x - 1, j), c) << j;
            EXPECT_NE(At(rgba, x + w, j), c) << j;
        }
    }

    VokeTest::TempDir m_dir;
    Voke::SmartPtr<Voke::Surface> m_target;
    GameBase m_game;
};

TEST_F(RunnerRender, FramesArePlacedByTheirStatesOffsetsAndShaken)
{
    Png("cut_biegnie_001.png", 5, 5, kBlue);
    Png("cut_jump021.png", 6, 8, kRed);
    Png("cut_death001.png", 80, 60, kGreen);
    Png("cut_salto090.png", 4, 4, kYellow);
    Png("kurz.png", 4, 4, kWhite);
    VokeTest::WriteBytes(m_dir / "player_params.xml", "<p><GRAVITY_POWER value=\"1234\"/></p>");
    Player player;
    player.SetSessionStats(&m_game);
    player.Load();
    EXPECT_EQ(GRAVITY_POWER, 1234.0f);
    InitPlayerPhysicsDefaults();
    // Each file found is loaded once; a missing one leaves its frame empty.
    EXPECT_TRUE(player.m_JumpFrames[20] && player.m_RunFrames[0] && player.m_DeathFrames[0] && player.m_DustImage);
    EXPECT_TRUE(player.m_SomersaultFrames[25]);
    EXPECT_FALSE(player.m_JumpFrames[0] || player.m_JumpFrames[21] || player.m_PunchFrames[0]);
    EXPECT_EQ(g_loads, 5);

    // Jump frame 20 goes at (46, 29) in the cell, shaken by (3, -2).
    m_game.m_ShakeX = 3;
    m_game.m_ShakeY = -2;
    player.SetDrawOffset(100, 50);
    player.SetState(kPlayerJump);
    player.m_Frame = 20;
    player.Draw(m_target);
    ExpectRect(Read(), 100 + 3 + 46, 50 - 2 + 29, 6, 8, kRed);
    // Death frames are centred in the cell: 80 x 60 at (10, 20).
    Clear();
    player.SetState(kPlayerDeath);
    player.Draw(m_target);
    ExpectRect(Read(), 100 + 3 + 10, 50 - 2 + 20, 80, 60, kGreen);
    // The run's first frame at (37, 35); an empty frame draws nothing.
    Clear();
    player.SetState(kPlayerRun);
    player.Draw(m_target);
    ExpectRect(Read(), 100 + 3 + 37, 50 - 2 + 35, 5, 5, kBlue);
    Clear();
    player.SetState(kPlayerJump);
    player.Draw(m_target);
    player.SetState(42);
    player.Draw(m_target);
    const std::vector<uint8_t> empty = Read();
    for (int y = 0; y < kH; y += 3)
        for (int x = 0; x < kW; x += 3) ASSERT_EQ(At(empty, x, y), kBlack);
    EXPECT_EQ(g_loads, 5);
}

TEST_F(RunnerRender, DustFadesWithItsLife)
{
    Png("kurz.png", 4, 4, kWhite);
    Player player;
    player.SetSessionStats(&m_game);
    player.Load();
    m_game.m_ShakeX = -1;
    m_game.m_ShakeY = 2;
    player.m_Dust[3] = DustParticle{0.075f, 200.7f, 100.2f, 0.0f, 0.0f};
    player.m_Dust[9] = DustParticle{0.2f, 300.0f, 150.0f, 0.0f, 0.0f};
    player.m_Dust[11] = DustParticle{0.0f, 350.0f, 150.0f, 0.0f, 0.0f};
    player.DrawDust(m_target);
    const std::vector<uint8_t> frame = Read();
    // Half its life left: half opaque; a fresh one opaque; a dead one unseen.
    const Color half = At(frame, 200 - 1 + 1, 100 + 2 + 1);
    EXPECT_NEAR(Voke::ColorR(half), 128, 2);
    EXPECT_EQ(Voke::ColorR(half), Voke::ColorB(half));
    EXPECT_EQ(At(frame, 200 - 2, 102), kBlack);
    ExpectRect(frame, 300 - 1, 150 + 2, 4, 4, kWhite);
    EXPECT_EQ(At(frame, 350, 153), kBlack);
    EXPECT_EQ(player.m_DustImage->GetOpacity(), 255);
}

// An obstacle with its image and halves, placed by hand.
Obstacle& AddObstacle(ObstacleManager& obstacles, int32_t id, int32_t x, int32_t y, Voke::Surface* image,
                      Voke::Surface* upper, Voke::Surface* lower)
{
    Obstacle o;
    o.m_Active = true;
    std::strcpy(o.m_Name, "beczka_red.png");
    o.m_Image = image;
    o.m_UpperHalf = upper;
    o.m_LowerHalf = lower;
    o.m_HasFragments = upper || lower;
    const int32_t box[4] = {x, y, x + image->GetWidth(), y + image->GetHeight()};
    std::memcpy(o.m_Box, box, sizeof box);
    std::memcpy(o.m_HitBox, box, sizeof box);
    return obstacles.m_ObstacleMap.emplace(id, std::move(o)).first->second;
}

TEST_F(RunnerRender, ObstaclesWholeTumblingAndBrokenInHalves)
{
    ObstacleManager obstacles;
    obstacles.SetOwner(&m_game);
    obstacles.SetDrawOffset(10, 5);
    obstacles.SetScroll(400.7f, 100.2f);
    Voke::SmartPtr<Voke::Surface> image(Solid(20, 10, kYellow));
    Voke::SmartPtr<Voke::Surface> upper(Solid(20, 4, kRed));
    Voke::SmartPtr<Voke::Surface> lower(Solid(20, 6, kBlue));
    // Whole: at its box, less the truncated scroll, plus the anchor.
    Obstacle& o = AddObstacle(obstacles, 0, 500, 200, image.Get(), upper.Get(), lower.Get());
    obstacles.Render(m_target);
    ExpectRect(Read(), 110, 105, 20, 10, kYellow);

    // Broken, at the moment of breaking: the halves stacked where it stood.
    Clear();
    o.m_Broken = true;
    obstacles.Render(m_target);
    std::vector<uint8_t> frame = Read();
    ExpectRect(frame, 110, 105, 20, 4, kRed);
    ExpectRect(frame, 110, 109, 20, 6, kBlue);
    // A broken one without halves shows nothing.
    Clear();
    o.m_HasFragments = false;
    obstacles.Render(m_target);
    frame = Read();
    EXPECT_EQ(At(frame, 115, 107), kBlack);

    // Tripped over, half a second on: 288 px further right and 112 lower,
    // turned about its centre; not at its place any more.
    Clear();
    o.m_Broken = false;
    o.m_Hit = true;
    o.m_HitTime = 0.5f;
    obstacles.Render(m_target);
    frame = Read();
    EXPECT_EQ(At(frame, 110 + 288 + 10, 105 + 112 + 5), kYellow);
    EXPECT_EQ(At(frame, 110 + 10, 105 + 5), kBlack);
    // Inactive: not drawn.
    Clear();
    o.m_Active = false;
    obstacles.Render(m_target);
    frame = Read();
    EXPECT_EQ(At(frame, 110 + 288 + 10, 105 + 112 + 5), kBlack);
}

TEST_F(RunnerRender, SplintersAreFadingSquaresOfTheirColourTile)
{
    const Color red = MakeColor(214, 68, 82);
    Png("cd64452.png", 4, 4, red);
    Png("cffffff.png", 4, 4, kWhite);
    ObstacleManager obstacles;
    obstacles.SetOwner(&m_game);
    obstacles.SetupForLevel(0);  // loads and holds the colour tiles
    const int loadsAfterSetup = g_loads;
    EXPECT_EQ(loadsAfterSetup, 2);

    ObstacleFragment splinter;
    splinter.m_LifeSpan = 0.65f;
    splinter.m_StartX = 300.6f;
    splinter.m_StartY = 150.2f;
    splinter.m_Size = 3;
    splinter.m_Colour[0] = 214;
    splinter.m_Colour[1] = 68;
    splinter.m_Colour[2] = 82;
    obstacles.EmitFragment(splinter);
    obstacles.m_Fragments[0].m_SpeedX = obstacles.m_Fragments[0].m_SpeedY = 0.0f;
    splinter.m_StartX = 100.0f;
    splinter.m_Size = 2;
    splinter.m_Colour[0] = splinter.m_Colour[1] = splinter.m_Colour[2] = 255;
    obstacles.EmitFragment(splinter);
    obstacles.m_Fragments[1].m_SpeedX = obstacles.m_Fragments[1].m_SpeedY = 0.0f;
    // Fresh: opaque, a 3 x 3 square at its truncated position plus the
    // offsets and the shake.
    m_game.m_ShakeX = 1;
    obstacles.RenderFragmentsAt(m_target, 5, -10);
    std::vector<uint8_t> frame = Read();
    ExpectRect(frame, 300 + 5 + 1, 150 - 10, 3, 3, red);
    ExpectRect(frame, 100 + 5 + 1, 150 - 10, 2, 2, kWhite);
    // Half its life on: about half opaque.
    obstacles.UpdateFragments(0.325f);
    Clear();
    obstacles.RenderFragmentsAt(m_target, 5, -10);
    frame = Read();
    EXPECT_NEAR(Voke::ColorR(At(frame, 307, 141)), 214 / 2, 3);
    EXPECT_NEAR(Voke::ColorG(At(frame, 307, 141)), 68 / 2, 3);
    // Through the camera: the anchor less the scroll.
    obstacles.SetDrawOffset(10, 20);
    obstacles.SetScroll(50.9f, 30.5f);
    Clear();
    obstacles.RenderFragments(m_target);
    frame = Read();
    EXPECT_GT(Voke::ColorR(At(frame, 300 + 10 - 50 + 1, 150 + 20 - 30)), 90);
    // Gone once its life has run out.
    obstacles.UpdateFragments(0.33f);
    obstacles.UpdateFragments(0.01f);
    Clear();
    obstacles.RenderFragmentsAt(m_target, 5, -10);
    frame = Read();
    EXPECT_EQ(At(frame, 307, 141), kBlack);
    // The tiles were decoded once, at setup, and kept; their opacity is back.
    EXPECT_EQ(g_loads, loadsAfterSetup);
    EXPECT_EQ(obstacles.m_FragmentTiles[0]->GetOpacity(), 255);
    // Released, a tile is fetched again when a splinter needs it.
    obstacles.Release();
    obstacles.EmitFragment(splinter);
    obstacles.RenderFragmentsAt(m_target, 0, 0);
    EXPECT_EQ(g_loads, loadsAfterSetup + 1);
}

}  // namespace
