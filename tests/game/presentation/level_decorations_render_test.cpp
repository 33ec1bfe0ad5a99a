// Level decorations drawn through the GL batcher into a 480 x 320 target and
// read back: props where their layer and motion put them, their repeats, the
// lights, the flocks' frames and mirrored birds, and the sprite pool's
// squares and images fading with their life.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/graphics/asset_surfaces.h"
#include "game/core/game_base.h"
#include "game/presentation/level_decorations.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/game/presentation/render_target.h"

namespace {

using Voke::Color;
using Voke::MakeColor;

constexpr int kW = 480;
constexpr int kH = 320;
const Color kBackdrop = MakeColor(40, 40, 40);

// Channels of a blend of `c` at `alpha` over the backdrop.
int Over(int c, int alpha) { return (c * alpha + 40 * (255 - alpha) + 127) / 255; }

void ExpectNear(Color got, int r, int g, int b, const char* what)
{
    EXPECT_NEAR(Voke::ColorR(got), r, 2) << what;
    EXPECT_NEAR(Voke::ColorG(got), g, 2) << what;
    EXPECT_NEAR(Voke::ColorB(got), b, 2) << what;
}

class DecorationsRender : public PresentationTest::RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        MakeTarget(kW, kH);
        Clear(kBackdrop);
        m_game.m_ScreenWidth = kW;
        m_game.m_ScreenHeight = kH;
        m_game.InitRandom(99u);
        m_deco.SetOwner(&m_game);
    }
    void Solid(const std::string& name, int w, int h, Color c)
    {
        m_content->Write(name, Voke::Test::MakePngFile(w, h, [c](int, int) { return c; }));
    }
    void Load(int level)
    {
        m_deco.Load(level);
        m_deco.Reset();
    }
    void Step(float scrollX, float scrollY, float dt)
    {
        m_deco.SetScroll(scrollX, scrollY);
        m_deco.Update(dt);
    }

    GameBase m_game;
    LevelDecorations m_deco;
};

TEST_F(DecorationsRender, WaterAndDropsDrawWhereTheirLayersPutThem)
{
    // Twelve water frames of their own colours, and the drop.
    char name[32];
    for (int i = 1; i <= 12; ++i) {
        std::snprintf(name, sizeof name, "lev3_woda3_woda%02d.png", i);
        Solid(name, 40, 8, MakeColor(uint8_t(10 * i), 200, 100));
    }
    const Color drop = MakeColor(0, 120, 255);
    Solid("kropla.png", 3, 5, drop);
    Load(2);
    m_game.m_ShakeX = 3;
    m_game.m_ShakeY = 2;
    // The water's layer moves at 1 / 1.82 of the camera, the drops' at
    // 1 / 1.01; both drop by their layer's vertical scroll.
    Step(0.0f, 120.0f, 0.5f);
    m_deco.RenderAnimations(m_target, 1, -2);
    const PresentationTest::Frame frame = Read();

    // Water: phase 0.52 shows frame 6 (the seventh image) at (34, 310 - 65),
    // shaken; its repeats lie a period (868) to the right, off the screen.
    const int wx = 34 + 3, wy = 310 - 65 + 2;
    const Color water = MakeColor(70, 200, 100);
    for (int y = wy - 1; y <= wy + 8; ++y)
        for (int x = wx - 1; x <= wx + 40; ++x) {
            const bool inside = x >= wx && x < wx + 40 && y >= wy && y < wy + 8;
            ASSERT_EQ(frame.At(x, y), inside ? water : kBackdrop) << x << "," << y;
        }
    // Drops: a column every 261 pixels from the layer's start, fallen half
    // the screen's height (phase 0.5).
    const int dy = 230 - 118 + 160 + 2;
    for (int cx : {0 + 3, 261 + 3}) {
        EXPECT_EQ(frame.At(cx, dy), drop) << cx;
        EXPECT_EQ(frame.At(cx + 2, dy + 4), drop) << cx;
        EXPECT_EQ(frame.At(cx + 3, dy), kBackdrop) << cx;
        EXPECT_EQ(frame.At(cx, dy - 1), kBackdrop) << cx;
    }
}

TEST_F(DecorationsRender, AeroplaneCarriesNavigationLightsAndWarningLightsBlink)
{
    const Color plane = MakeColor(200, 200, 210);
    Solid("lev6_jetb_747_off.png", 120, 30, plane);
    Solid("c00ff00.png", 4, 4, MakeColor(0, 255, 0));
    Solid("cff0000.png", 4, 4, MakeColor(255, 0, 0));
    Load(5);
    // Camera at 2090: the plane's layer (divisor 5.8) has moved 360 pixels,
    // the 3 x 3 lights' (5.0) 418, the 2 x 2 lights' (9.0) 232.
    Step(2090.0f, 0.0f, 0.016f);
    m_deco.RenderAnimations(m_target, 1, -2);
    PresentationTest::Frame frame = Read();

    EXPECT_EQ(frame.At(100, 150), plane);
    EXPECT_EQ(frame.At(99, 150), kBackdrop);
    EXPECT_EQ(frame.At(219, 179), plane);
    // Green on the left wing's tip, red 113 pixels to the right, 2 x 2 each.
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(frame.At(100 + d % 2, 165 + d / 2), MakeColor(0, 255, 0));
        EXPECT_EQ(frame.At(213 + d % 2, 167 + d / 2), MakeColor(255, 0, 0));
    }
    // The 3 x 3 warning lights, a period (512) after their place, drawn at
    // opacity 168; the 2 x 2 ones opaque.
    for (int x : {45, 53, 133}) {
        const int lx = x - 418 + 512 - 1, ly = (x == 45 ? 108 : 110) - 1;
        ExpectNear(frame.At(lx, ly), Over(255, 168), Over(0, 168), Over(0, 168), "3 x 3 light");
        ExpectNear(frame.At(lx + 2, ly + 2), Over(255, 168), Over(0, 168), Over(0, 168), "3 x 3 light");
        EXPECT_EQ(frame.At(lx + 3, ly + 3), kBackdrop);
    }
    for (int x : {25, 105, 113}) {
        EXPECT_EQ(frame.At(x - 232 + 512, 58), MakeColor(255, 0, 0));
        EXPECT_EQ(frame.At(x - 232 + 512 + 1, 59), MakeColor(255, 0, 0));
    }
    EXPECT_EQ(frame.At(25 - 232 + 512 + 2, 58), kBackdrop);

    // A tenth of a cycle on, the warning lights are dark.
    Clear(kBackdrop);
    Step(2090.0f, 0.0f, 0.2f);
    m_deco.RenderAnimations(m_target, 1, -2);
    frame = Read();
    EXPECT_EQ(frame.At(45 - 418 + 512, 108), kBackdrop);
    EXPECT_EQ(frame.At(25 - 232 + 512, 58), kBackdrop);
}

// Bird frame k: its left half and right half in two colours, so a mirrored
// bird shows.
Color BirdLeft(int k) { return MakeColor(uint8_t(50 + 40 * k), 10, 10); }
Color BirdRight(int k) { return MakeColor(10, uint8_t(50 + 40 * k), 10); }

TEST_F(DecorationsRender, FlocksTakeTheirFramesInTurnAndHalfTheMixedFlockIsMirrored)
{
    for (int k = 0; k < 5; ++k)
        m_content->Write("lev5_ptok_" + std::to_string(k + 1) + ".png",
                         Voke::Test::MakePngFile(6, 4, [k](int x, int) { return x < 3 ? BirdLeft(k) : BirdRight(k); }));
    Load(4);

    struct Bird {
        int ox, oy, k;
    };
    // The flock of ten at x 100: its layer (divisor 1.6) moved 620 pixels.
    Step(993.0f, 0.0f, 0.1f);
    Step(993.0f, 0.0f, 0.1f);
    m_deco.RenderAnimations(m_target, 1, 0);
    PresentationTest::Frame frame = Read();
    const DecorationEmitter& ten = m_deco.GetEmitter(1);
    ASSERT_EQ(ten.frame, 4);
    ASSERT_EQ(ten.dy, -155.0f);
    const Bird flock[] = {{0, 3, 0},  {20, 5, 3},   {30, 1, 1},   {50, 7, 4},   {75, 4, 5},
                          {5, -7, 3}, {28, -15, 6}, {33, -29, 4}, {57, -18, 7}, {77, -16, 8}};
    for (const Bird& b : flock) {
        const int f = (4 + b.k) % 5;
        const int x = 100 + b.ox, y = 140 + b.oy;
        EXPECT_EQ(frame.At(x + 1, y + 1), BirdLeft(f)) << b.ox;
        EXPECT_EQ(frame.At(x + 4, y + 2), BirdRight(f)) << b.ox;
    }
    EXPECT_EQ((4 + 8) % 5, 2);

    // The flock of thirteen, at x 100 with its layer moved 1580 pixels:
    // five birds as drawn, eight mirrored and shifted against the climb.
    Clear(kBackdrop);
    Load(4);
    Step(2528.5f, 0.0f, 0.1f);
    Step(2528.5f, 0.0f, 0.1f);
    m_deco.RenderAnimations(m_target, 1, 0);
    frame = Read();
    const DecorationEmitter& thirteen = m_deco.GetEmitter(2);
    ASSERT_EQ(thirteen.frame, 3);
    ASSERT_EQ(thirteen.dy, -155.0f);
    for (const Bird& b : {Bird{0, -23, 0}, Bird{5, -25, 3}, Bird{12, -11, 1}, Bird{20, -7, 4}, Bird{25, 4, 5}}) {
        const int f = (3 + b.k) % 5;
        EXPECT_EQ(frame.At(100 + b.ox + 1, 140 + b.oy + 1), BirdLeft(f)) << b.ox;
        EXPECT_EQ(frame.At(100 + b.ox + 4, 140 + b.oy + 1), BirdRight(f)) << b.ox;
    }
    for (const Bird& b : {Bird{17, 7, 0}, Bird{46, 20, 3}, Bird{75, 13, 6}, Bird{34, 26, 9}, Bird{63, 19, 12},
                          Bird{22, 12, 15}, Bird{51, 25, 18}, Bird{80, 18, 21}}) {
        const int f = (3 + b.k) % 5;
        const int x = 100 + b.ox + 155, y = 140 + b.oy;
        EXPECT_EQ(frame.At(x + 1, y + 1), BirdRight(f)) << b.ox;
        EXPECT_EQ(frame.At(x + 4, y + 1), BirdLeft(f)) << b.ox;
    }
}

TEST_F(DecorationsRender, SpritesFadeWithTheirLifeOnTheirOwnLayer)
{
    const Color smoke = MakeColor(220, 180, 90);
    Solid("puff.png", 5, 5, smoke);
    Load(0);
    DecorationSpriteParams spark;
    spark.life = 1.0f;
    spark.x = 100.0f;
    spark.y = 100.0f;
    spark.vx = spark.vy = 0.0f;
    spark.square = true;
    spark.colour[0] = 255;
    spark.colour[1] = 255;
    spark.colour[2] = 0;
    spark.size = 4;
    m_deco.AddSprite(&spark);

    DecorationSpriteParams plume;
    plume.image = Voke::GetCachedSurface("puff.png", true);
    ASSERT_NE(plume.image.Get(), nullptr);
    plume.life = 2.0f;
    plume.x = 200.0f;
    plume.y = 150.0f;
    plume.vx = plume.vy = 0.0f;
    plume.layer = 1;
    plume.noFade = true;
    m_deco.AddSprite(&plume);
    DecorationSpriteParams fading = plume;
    fading.noFade = false;
    fading.x = 300.0f;
    m_deco.AddSprite(&fading);

    Step(0.0f, 0.0f, 0.5f);
    m_game.m_ShakeX = -2;
    m_deco.RenderSprites(m_target, 0);
    PresentationTest::Frame frame = Read();
    // Half its life left: alpha 128, a 4 x 4 square centred on its point.
    const int a = 128;
    ExpectNear(frame.At(96, 98), Over(255, a), Over(255, a), Over(0, a), "spark");
    ExpectNear(frame.At(99, 101), Over(255, a), Over(255, a), Over(0, a), "spark");
    EXPECT_EQ(frame.At(100, 100), kBackdrop);
    EXPECT_EQ(frame.At(198, 150), kBackdrop) << "layer 1 is not drawn with layer 0";

    m_deco.RenderSprites(m_target, 1);
    frame = Read();
    // The plume that does not fade is opaque; the other at 3/4 of its life.
    EXPECT_EQ(frame.At(196, 148), smoke);
    EXPECT_EQ(frame.At(200, 152), smoke);
    EXPECT_EQ(frame.At(201, 152), kBackdrop);
    ExpectNear(frame.At(298, 150), Over(220, 192), Over(180, 192), Over(90, 192), "fading plume");
}

}  // namespace
