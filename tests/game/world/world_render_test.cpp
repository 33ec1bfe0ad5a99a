// The running level drawn through the GL batcher on Mesa into the game's
// 480 x 320 back buffer, with the shipped archives: each level played for
// four seconds by the automatic player, every frame drawn as the game draws
// it, the last frame compared with a reference picture stored beside this
// file, and the draw calls and texture binds of every frame counted.
//
// The references are pictures of reviewed runs. After a change that is meant
// to alter what a level shows, make new ones and look at each before
// committing it:
//   VXB_WORLD_FRAMES_OUT=/some/folder build-test/tests/game/world/game_world_render_tests
// writes level1.png to level6.png there (and the test then compares nothing);
// copy them over tests/game/world/world_frames/.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/asset_dict.h"
#include "engine/core/vfs.h"
#include "engine/debug/debug_overlay.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "game/presentation/level_background.h"
#include "tests/engine/graphics/gl_fixture.h"
#include "tests/game/support/autoplayer.h"
#include "tests/game/support/screen_picture.h"
#include "tests/game/world/shipped_world.h"

namespace {

constexpr int kW = 480;
constexpr int kH = 320;
constexpr float kFrame = 1.0f / 60.0f;
// NOTE: four seconds of play: the scenery's props are out, the banner is
// still up and the pause button not yet fading.
constexpr int kFrames = 240;
// NOTE: the most draw calls and texture binds one frame of a level in play
// may cost; the shipped levels take 17 to 35 draws (a batch's opaque rows
// are a draw of their own) and 10 to 12 binds (the figures are printed).
constexpr uint64_t kDrawCallBudget = 40;
constexpr uint64_t kTextureBindBudget = 20;
// NOTE: driver rounding: a pixel differs when a channel is more than 24 off,
// and at most 0.3 % of the frame (460 pixels) may differ. Moving or dropping
// a layer changes thousands.
constexpr int kChannelTolerance = 24;
constexpr int kMaxDifferingPixels = kW * kH * 3 / 1000;

std::string ReferencePath(int level)
{
    return std::string(VEXBOLT_WORLD_FRAMES_DIR) + "/level" + std::to_string(level + 1) + ".png";
}

class WorldFrames : public Voke::Test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        m_target = new Voke::Surface(kW, kH, Voke::RGBA8888);
    }
    void TearDown() override
    {
        m_shipped.Unload();
        m_target.Reset();
        GLTest::TearDown();
    }

    // One frame as the game draws it: the back buffer cleared to black,
    // then the level. Returns its draw calls and texture binds.
    Voke::RenderStats DrawFrame(GameWorld& world)
    {
        Batcher()->Flush();
        const Voke::RenderStats before = Voke::GetRenderStats();
        const Voke::Color black = Voke::MakeColor(0, 0, 0);
        Voke::Surface::Clear(m_target, &black);
        world.Render(m_target);
        Batcher()->Flush();
        const Voke::RenderStats after = Voke::GetRenderStats();
        Voke::RenderStats cost;
        cost.drawCalls = after.drawCalls - before.drawCalls;
        cost.textureBinds = after.textureBinds - before.textureBinds;
        return cost;
    }

    // Brightness (the sum of the channels) of a pixel.
    static int Brightness(const VokeTest::ScreenPicture& picture, int x, int y)
    {
        const uint32_t p = picture.At(x, y);
        return int(p >> 16 & 0xFF) + int(p >> 8 & 0xFF) + int(p & 0xFF);
    }

    // The target's pixels.
    VokeTest::ScreenPicture ReadPicture() { return VokeTest::ScreenPicture::FromTarget(TargetPixels(m_target), kW, kH); }

    VokeTest::ShippedWorld m_shipped;
    Voke::SmartPtr<Voke::Surface> m_target;
};

TEST_F(WorldFrames, EveryLevelMatchesItsReferenceWithinTheDrawCallBudget)
{
    std::string error;
    ASSERT_TRUE(m_shipped.Load(error)) << error;
    m_shipped.game.m_SoundOn = false;
    const char* out = std::getenv("VXB_WORLD_FRAMES_OUT");
    for (int level = 0; level < GameWorld::kLevels; ++level) {
        SCOPED_TRACE(level);
        m_shipped.Start(level, 4200u + uint32_t(level));
        GameWorld& world = *m_shipped.world;
        VokeTest::AutoPlayer policy;
        uint64_t mostDraws = 0, mostBinds = 0;
        for (int frame = 0; frame < kFrames; ++frame) {
            policy.Act(world.GetPlayer(), world.GetBuildings(level), world.GetObstacles(level), kFrame);
            world.Update(kFrame);
            const Voke::RenderStats cost = DrawFrame(world);
            mostDraws = std::max(mostDraws, cost.drawCalls);
            mostBinds = std::max(mostBinds, cost.textureBinds);
        }
        ASSERT_EQ(world.GetState(), WorldState::Running);
        std::printf("level %d: at most %llu draw calls and %llu texture binds per frame\n", level + 1,
                    static_cast<unsigned long long>(mostDraws), static_cast<unsigned long long>(mostBinds));
        EXPECT_LE(mostDraws, kDrawCallBudget);
        EXPECT_LE(mostBinds, kTextureBindBudget);

        const VokeTest::ScreenPicture frame = ReadPicture();
        if (out) {
            const std::string path = std::string(out) + "/level" + std::to_string(level + 1) + ".png";
            EXPECT_TRUE(frame.Write(path)) << path;
            continue;
        }
        VokeTest::ScreenPicture reference;
        ASSERT_TRUE(reference.Read(ReferencePath(level))) << ReferencePath(level);
        ASSERT_EQ(reference.PixelCount(), frame.PixelCount()) << ReferencePath(level);
        EXPECT_LE(frame.CountDiffering(reference, kChannelTolerance), kMaxDifferingPixels)
            << "pixels that differ from " << ReferencePath(level);
    }
}

// The background layers drawn each only in the rows that the layers in
// front of it leave uncovered give exactly the picture of every layer drawn
// whole: on every level, along the run and with the screen shaken (the
// sky stays put while the rest moves).
TEST_F(WorldFrames, LayersLeftUndrawnUnderOpaqueRowsChangeNoPixel)
{
    std::string error;
    ASSERT_TRUE(m_shipped.Load(error)) << error;
    m_shipped.game.m_SoundOn = false;
    Voke::SmartPtr<Voke::Surface> whole(new Voke::Surface(kW, kH, Voke::RGBA8888));
    const Voke::Color black = Voke::MakeColor(0, 0, 0);
    for (int level = 0; level < GameWorld::kLevels; ++level) {
        SCOPED_TRACE(level);
        m_shipped.Start(level, 77u + uint32_t(level));
        GameWorld& world = *m_shipped.world;
        LevelBackground& background = world.m_Backgrounds[level];
        const GameWorld::LayerOrder order = GameWorld::BackgroundLayerOrder(level);
        VokeTest::AutoPlayer policy;
        int hiddenRows = 0;
        for (int frame = 0; frame < kFrames; ++frame) {
            policy.Act(world.GetPlayer(), world.GetBuildings(level), world.GetObstacles(level), kFrame);
            world.Update(kFrame);
            if (frame % 20 != 19) continue;
            m_shipped.game.m_ShakeX = (frame / 20 % 3 - 1) * 5;
            m_shipped.game.m_ShakeY = (frame / 20 % 2) * 4 - 2;
            RowBand rows[LevelBackground::kLayers];
            background.FindVisibleRows(*m_target, order.layers, order.count, rows);
            Voke::Surface::Clear(whole, &black);
            Voke::Surface::Clear(m_target, &black);
            for (int32_t i = 0; i < order.count; ++i) {
                const int32_t layer = order.layers[i];
                background.DrawLayer(whole, layer);
                background.DrawLayer(m_target, layer, rows[layer]);
                hiddenRows += kH - std::clamp(rows[layer].bottom, 0, kH) + std::clamp(rows[layer].top, 0, kH);
            }
            ASSERT_TRUE(TargetPixels(whole) == TargetPixels(m_target)) << "frame " << frame;
        }
        std::printf("level %d: %.1f rows of layers left undrawn per frame\n", level + 1, hiddenRows / 12.0);
        // Something was left undrawn: on every level the layers hide at
        // least a quarter of a screen's rows of one another per frame.
        EXPECT_GT(hiddenRows, 12 * kH / 4) << "rows left undrawn";
    }
}

TEST_F(WorldFrames, PauseScreenAndEndingFadeDarkenTheLevel)
{
    std::string error;
    ASSERT_TRUE(m_shipped.Load(error)) << error;
    m_shipped.Start(3, 31u);
    GameWorld& world = *m_shipped.world;
    for (int i = 0; i < 30; ++i) world.Update(kFrame);
    DrawFrame(world);
    const VokeTest::ScreenPicture level = ReadPicture();
    // A bright spot of the sky, away from the head-up display and the middle.
    int bx = 0, by = 0;
    for (int y = 60; y < 140; y += 4)
        for (int x = 20; x < 160; x += 4)
            if (Brightness(level, x, y) > Brightness(level, bx, by)) bx = x, by = y;
    const int bright = Brightness(level, bx, by);
    ASSERT_GT(bright, 300);

    // Paused without the menu on top: dimmed to a quarter, "PAUSED" in the
    // middle in white.
    world.Pause();
    world.GetOverlay().Hide();
    DrawFrame(world);
    const VokeTest::ScreenPicture paused = ReadPicture();
    EXPECT_NEAR(Brightness(paused, bx, by), bright * 63 / 255, 6);
    int white = 0;
    for (int y = 140; y < 180; ++y)
        for (int x = 180; x < 300; ++x) white += Brightness(paused, x, y) > 700;
    EXPECT_GT(white, 40);
    // Under the pause menu the level is drawn undimmed (the menu is drawn
    // over the window afterwards).
    world.Pause();
    DrawFrame(world);
    EXPECT_NEAR(Brightness(ReadPicture(), bx, by), bright, 6);
    world.Resume();
    world.GetOverlay().Hide();

    // The ending's fade: half dark 2.75 s after the runner left, then the
    // credits alone.
    world.m_EndingStarted = world.m_RunnerGone = true;
    world.EndingTimer = 2.75f;
    DrawFrame(world);
    EXPECT_NEAR(Brightness(ReadPicture(), bx, by), bright * (255 - 127) / 255, 6);
    world.EndingTimer = 4.0f;
    DrawFrame(world);
    EXPECT_EQ(Brightness(ReadPicture(), bx, by), 0);
}

// The level's debug lines (switched on in the level data) are drawn only
// while a debug overlay exists.
TEST_F(WorldFrames, DebugLinesNeedADebugOverlay)
{
    std::string error;
    ASSERT_TRUE(m_shipped.Load(error)) << error;
    m_shipped.game.m_SoundOn = false;
    m_shipped.Start(2, 17u);
    GameWorld& world = *m_shipped.world;
    for (int i = 0; i < 30; ++i) world.Update(kFrame);
    world.RenderDebugParams = 0;
    DrawFrame(world);
    const VokeTest::ScreenPicture plain = ReadPicture();
    world.RenderDebugParams = 1;
    DrawFrame(world);
    EXPECT_EQ(ReadPicture().CountDiffering(plain, 0), 0) << "no overlay, no lines";

    ASSERT_NE(Voke::DebugOverlay::Create(), nullptr);
    DrawFrame(world);
    Voke::DebugOverlay::s_instance.Reset();
    EXPECT_GT(ReadPicture().CountDiffering(plain, kChannelTolerance), 50) << "the lines";
}

// Without any content (no archive mounted) every load step finds nothing:
// each level still starts, runs and draws, with nothing to draw.
TEST_F(WorldFrames, AWorldWithoutItsContentRunsAndDrawsNothing)
{
    Voke::Vfs::Init();
    Voke::AssetDict::s_engine = new Voke::AssetDict;
    {
        GameBase game;
        game.m_ScreenWidth = kW;
        game.m_ScreenHeight = kH;
        game.m_TutorialShown = true;
        game.InitRandom(3u);
        auto world = std::make_unique<GameWorld>();
        world->SetOwner(&game);
        for (int step = 0; step < GameWorld::kLoadSteps; ++step) world->LoadStep(step);
        EXPECT_EQ(world->GetMusicSource(), nullptr);
        for (int level = 0; level < GameWorld::kLevels; ++level) {
            world->ResetLevels();
            world->StartLevel(level);
            world->StartMusic();
            for (int i = 0; i < 60; ++i) {
                world->OnTouch({{300, 100}});
                world->Update(kFrame);
                DrawFrame(*world);
            }
            EXPECT_EQ(world->GetState(), WorldState::Running) << level;
            world->Pause();
            DrawFrame(*world);
            world->DrawOverlay(m_target);
            world->Resume();
        }
        const VokeTest::ScreenPicture frame = ReadPicture();
        int lit = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) lit += frame.At(x, y) != 0;
        EXPECT_EQ(lit, 0);
        world->Release();
        game.ReleaseRandom();
    }
    Voke::AssetDict::s_engine.Reset();
    Voke::Vfs::Shutdown();
}

}  // namespace
