// The level decorations frame by frame, as the game world drives them
// (scroll, update, draw): the props each level places, the sprite pool, the
// train's shake and the flyers' sounds on a mixer without an output device,
// the flyers leaving when the runner dies, and levels whose images are
// missing. No GL context: drawing only decides what is seen.
#include "game/presentation/level_decorations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/audio/mixer.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/presentation/resolution_dependence.h"
#include "game/presentation/sound_bank.h"
#include "tests/engine/audio/audio_test_util.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/game/presentation/presentation_test_files.h"

namespace {

const Voke::AudioFormat kStereo22{2, 22050};
constexpr int kSeed = 4242;
// The three effect sounds, each a constant sample value, long enough to
// sound through every test.
constexpr int16_t kHeliLevel = 100, kTrainLevel = 1000, kPlaneLevel = 10000;

class DecorationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Sound("gl_helikopter_1_przelot.wav", kHeliLevel);
        Sound("gl_metro_2_tory_syrena.wav", kTrainLevel);
        Sound("gl_samolot_przelot_1.wav", kPlaneLevel);
        Voke::AbstractApp::s_mixer = new Voke::Mixer(kStereo22, Voke::MixerConfig(), &Voke::test::NoDevice);
        m_game.m_ScreenWidth = 480;
        m_game.m_ScreenHeight = 320;
        m_game.InitRandom(kSeed);
        m_bank.SetOwner(&m_game);
        m_deco.SetOwner(&m_game);
        m_deco.SetContext(&m_bank);
        m_target = new Voke::Surface(480, 320, Voke::RGBA8888);
    }
    void TearDown() override
    {
        m_target.Reset();
        Voke::AbstractApp::s_mixer.Reset();
    }

    void Sound(const std::string& name, int16_t level)
    {
        m_content.Write(name, PresentationTest::MakeWav(std::vector<int16_t>(200000, level)));
    }
    void Png(const std::string& name, int w, int h)
    {
        m_content.Write(name, Voke::Test::MakePngFile(w, h, [](int, int) { return Voke::MakeColor(9, 9, 9); }));
    }
    // Loads the bank (after the test wrote its images) and the level.
    void Load(int level)
    {
        m_bank.Load();
        m_deco.Load(level);
        m_deco.Reset();
    }
    // One frame of play as the world runs it.
    void Frame(float scrollX, float scrollY = 200.0f, float dt = 0.016f)
    {
        m_deco.SetScroll(scrollX, scrollY);
        m_deco.Update(dt);
        m_deco.RenderAnimations(m_target, 1, -2);
        m_deco.RenderAnimations(m_target, 0, -2);
    }
    // The sum of the sounds playing now.
    int Heard() { return Voke::test::ReadSamples(Voke::AbstractApp::s_mixer.Get(), 4)[0]; }
    int Channels() { return Voke::AbstractApp::s_mixer->GetChannelCount(); }

    PresentationTest::ContentFolder m_content;
    GameBase m_game;
    SoundBank m_bank;
    LevelDecorations m_deco;
    Voke::SmartPtr<Voke::Surface> m_target;
};

TEST_F(DecorationsTest, ConstructionSiteSetupPlacesNinePropsWithResolutionOffsets)
{
    m_content.Write("resolution_dependence.xml",
                    "<r><Translation level=\"4\" plane=\"0\" movex=\"5\" movey=\"-3\"/>"
                    "<Translation level=\"4\" plane=\"2\" movex=\"-7\" movey=\"2\"/></r>");
    ResolutionDependence table;
    table.Load(480, 320);
    m_game.m_Resolution = &table;
    for (const char* name : {"lev4_spawacz_1.png", "lev4_spawacz_2.png", "lev4_bg2_ramie_dzwigu.png",
                             "lev4_ru_smoke04.png", "lev4_smoke_bg0.png", "cff0000.png"})
        Png(name, 8, 8);
    // Sprites left from an earlier run are cleared by the smoke's loading.
    DecorationSpriteParams spark;
    m_deco.AddSprite(&spark);
    ASSERT_EQ(m_deco.GetLiveSpriteCount(), 1);
    m_deco.Load(3);
    EXPECT_EQ(m_deco.GetLiveSpriteCount(), 0);

    // Every prop in its slot, moved by the offset of its plane.
    int props = 0;
    for (int i = 0; i < LevelDecorations::kEmitters; ++i) props += m_deco.GetEmitter(i).kind != 0;
    EXPECT_EQ(props, 9);
    const DecorationEmitter& welder = m_deco.GetEmitter(0);
    EXPECT_EQ(welder.kind, 8);
    EXPECT_EQ(welder.x, 110 + 5);
    EXPECT_EQ(welder.y, 247 - 3);
    EXPECT_EQ(welder.count, 2);
    EXPECT_EQ(m_deco.GetEmitter(3).x, 659) << "plane 1 has no offset";
    EXPECT_EQ(m_deco.GetEmitter(7).x, 448 - 7);
    EXPECT_EQ(m_deco.GetEmitter(7).y, 84 + 2);
    EXPECT_EQ(m_deco.GetEmitter(8).kind, 11);
    EXPECT_FLOAT_EQ(m_deco.GetEmitter(8).speed, 0.33f);
    // A name used by several props is one shared image.
    EXPECT_EQ(m_deco.GetEmitter(0).frames[1].Get(), m_deco.GetEmitter(2).frames[1].Get());
    EXPECT_NE(m_deco.GetSmokeA(), nullptr);
    EXPECT_NE(m_deco.GetSmokeB(), nullptr);

    // Released, the props keep their places but lose their pictures.
    m_deco.Release();
    EXPECT_EQ(m_deco.GetEmitter(0).kind, 8);
    EXPECT_EQ(m_deco.GetEmitter(0).frames[0].Get(), nullptr);
    EXPECT_EQ(m_deco.GetSmokeA(), nullptr);
    Frame(100.0f);
}

TEST_F(DecorationsTest, SpritePoolFillsFreesAndDrawsNoNumberWhenFull)
{
    Load(0);
    DecorationSpriteParams p;
    p.life = 0.05f;
    p.vx = -100.0f;
    p.vy = 30.0f;
    p.noFade = true;
    for (int i = 0; i < LevelDecorations::kSprites; ++i) m_deco.AddSprite(&p);
    EXPECT_EQ(m_deco.GetLiveSpriteCount(), LevelDecorations::kSprites);

    // Two numbers per sprite, none for a sprite the full pool turns away.
    GameBase reference;
    reference.InitRandom(kSeed);
    std::vector<int32_t> drawn;
    for (int i = 0; i < 2 * LevelDecorations::kSprites; ++i) drawn.push_back(reference.Random());
    m_deco.AddSprite(&p);
    m_deco.AddSprite(nullptr);
    EXPECT_EQ(m_game.Random(), reference.Random());
    for (int i = 0; i < LevelDecorations::kSprites; ++i) {
        const DecorationSprite& s = m_deco.GetSprite(i);
        ASSERT_FLOAT_EQ(s.vx, -100.0f * 0.001f * float(drawn[size_t(2 * i)] % 1000)) << i;
        ASSERT_EQ(s.vy, 30.0f) << "a sprite that does not fade moves at its scale";
    }

    // The sprite moves while it lives; the Update after its life ran out
    // frees its slot.
    m_deco.Update(0.05f);
    const DecorationSprite& first = m_deco.GetSprite(0);
    EXPECT_TRUE(first.used);
    EXPECT_LE(first.life, 0.0f);
    EXPECT_FLOAT_EQ(first.y, 30.0f * 0.05f);
    m_deco.Update(0.01f);
    EXPECT_EQ(m_deco.GetLiveSpriteCount(), 0);

    // A fading sprite's vertical speed is a random share of its scale.
    p.noFade = false;
    m_deco.AddSprite(&p);
    reference.Random();
    const int32_t r = reference.Random();
    EXPECT_FLOAT_EQ(m_deco.GetSprite(0).vy, 30.0f * 0.001f * float(r % 1000));
}

TEST_F(DecorationsTest, WeldersAndSmokeSpawnOnlyWhileOnScreen)
{
    for (const char* name : {"lev4_spawacz_1.png", "lev4_spawacz_2.png", "lev4_ru_smoke04.png", "lev4_smoke_bg0.png"})
        Png(name, 8, 8);
    Load(3);
    // At scroll 0 the first welder (x 110) and two plumes of smoke B (x 50
    // and 448) are on the screen; the others lie right of it.
    Frame(0.0f);
    EXPECT_EQ(m_deco.GetLiveSpriteCount(), 0) << "nothing is seen before the first drawing";
    GameBase reference;
    reference.InitRandom(kSeed);
    Frame(0.0f, 200.0f, 0.02f);
    ASSERT_EQ(m_deco.GetLiveSpriteCount(), 3);

    // In prop order: a spark at the torch, moved by the same Update...
    const DecorationSprite& spark = m_deco.GetSprite(0);
    const float life = 0.28f + float(reference.Random() % 100) * 0.001f;
    const float vx = -120.0f * 0.001f * float(reference.Random() % 1000);
    const float vy = 200.0f * 0.001f * float(reference.Random() % 1000);
    EXPECT_TRUE(spark.params.square);
    EXPECT_EQ(spark.params.layer, 0);
    EXPECT_FLOAT_EQ(spark.vx, vx);
    EXPECT_FLOAT_EQ(spark.vy, vy);
    EXPECT_FLOAT_EQ(spark.life, life - 0.02f);
    EXPECT_FLOAT_EQ(spark.x, 110.0f + 10.0f + vx * 0.02f);
    EXPECT_FLOAT_EQ(spark.y, 247.0f - 100.0f + 10.0f + vy * 0.02f);
    // ...then two puffs of smoke B, at one to two times their drift.
    for (int i = 1; i <= 2; ++i) {
        const DecorationSprite& puff = m_deco.GetSprite(i);
        EXPECT_EQ(puff.params.image.Get(), m_deco.GetSmokeB());
        EXPECT_EQ(puff.params.layer, 2);
        EXPECT_FLOAT_EQ(puff.vx, -20.0f * 0.001f * float(reference.Random() % 1000) - 20.0f);
        reference.Random();
        EXPECT_FLOAT_EQ(puff.vy, -30.0f);
    }
    // More follow while they are seen; smoke A, right of the screen, puffs
    // nothing.
    for (int i = 0; i < 10; ++i) Frame(0.0f, 200.0f, 0.01f);
    EXPECT_GT(m_deco.GetLiveSpriteCount(), 3);
    for (int i = 0; i < LevelDecorations::kSprites; ++i) {
        const DecorationSprite& s = m_deco.GetSprite(i);
        if (s.used) {
            EXPECT_NE(s.params.image.Get(), m_deco.GetSmokeA());
        }
    }
}

TEST_F(DecorationsTest, SparksKeepTheirSpeedWhenThePlumeImageIsMissing)
{
    Png("lev4_spawacz_1.png", 8, 8);
    Load(3);
    ASSERT_EQ(m_deco.GetSmokeB(), nullptr);
    for (int i = 0; i < 30; ++i) Frame(0.0f, 200.0f, 0.01f);
    int sparks = 0;
    for (int i = 0; i < LevelDecorations::kSprites; ++i) {
        const DecorationSprite& s = m_deco.GetSprite(i);
        if (!s.used || !s.params.square) continue;
        ++sparks;
        EXPECT_GE(s.vx, -120.0f);
        EXPECT_LE(s.vx, 0.0f);
    }
    EXPECT_GT(sparks, 5);
}

TEST_F(DecorationsTest, PassingTrainShakesOnceAndSwingsTheLampsUntilItHasGone)
{
    Png("lev2_lamp_subway_cala.png", 80, 40);
    Png("lev2_train_background_01.png", 100, 30);
    Load(1);
    // The train's copy is at 500 - 5 x (scroll / 3) once it moves with its
    // layer: off the screen to the right at first.
    Frame(0.0f);
    Frame(0.0f);
    m_game.UpdateShake(0.016f);
    EXPECT_FALSE(m_game.m_Shake.IsRunning());
    EXPECT_EQ(Channels(), 0);

    Frame(240.0f);  // cars at 420, 520, 620: the first one is seen
    EXPECT_EQ(Channels(), 0) << "the sound starts in the Update after the train is seen";
    Frame(240.0f);
    EXPECT_TRUE(m_game.m_Shake.IsRunning());
    EXPECT_EQ(Channels(), 1);
    EXPECT_EQ(Heard(), kTrainLevel);
    for (int i = 0; i < 20; ++i) Frame(240.0f + 10.0f * float(i));
    EXPECT_EQ(Channels(), 1) << "once per appearance";
    EXPECT_EQ(m_deco.GetEmitter(0).flash, 1.0f);
    EXPECT_EQ(m_deco.GetEmitter(1).flash, 1.0f);

    // Gone to the left: the lamps' swing fades out over four seconds.
    Frame(600.0f);
    Frame(600.0f);
    EXPECT_EQ(m_deco.GetEmitter(0).flash, 1.0f);
    for (int i = 0; i < 125; ++i) Frame(600.0f, 200.0f, 0.016f);
    EXPECT_NEAR(m_deco.GetEmitter(0).flash, 0.5f, 0.01f);
    for (int i = 0; i < 130; ++i) Frame(600.0f, 200.0f, 0.016f);
    EXPECT_EQ(m_deco.GetEmitter(0).flash, 0.0f);

    // The next train, a period further, comes with its own shake and sound.
    m_game.m_Shake.Stop();
    m_game.UpdateShake(0.016f);
    EXPECT_FALSE(m_game.m_Shake.IsRunning());
    for (int i = 0; i < 3; ++i) Frame(2040.0f);  // the second copy's first car at 100
    EXPECT_TRUE(m_game.m_Shake.IsRunning());
    EXPECT_EQ(Channels(), 2);
}

TEST_F(DecorationsTest, HelicopterSoundPlaysEachTimeOneEntersTheScreen)
{
    for (const char* name : {"helicopter1.png", "helicopter2.png", "helicopter3.png"}) Png(name, 100, 40);
    Png("ray_reflec3.png", 150, 20);
    Load(0);
    // The helicopter's copy lies at 720 - scroll / 3.
    Frame(0.0f);
    Frame(0.0f);
    EXPECT_EQ(Channels(), 0) << "right of the screen";
    Frame(960.0f);  // x 400
    Frame(960.0f);
    EXPECT_EQ(Channels(), 1);
    EXPECT_EQ(Heard(), kHeliLevel);
    // Far right again: no flag changes, no sound.
    Frame(0.0f);
    Frame(0.0f);
    EXPECT_EQ(Channels(), 1);
    // Partly off on the left (x -50): the flag drops...
    Frame(2310.0f);
    Frame(2310.0f);
    EXPECT_EQ(Channels(), 1);
    // ...so the next helicopter, one period on, is heard again.
    Frame(960.0f + 7200.0f);
    Frame(960.0f + 7200.0f);
    EXPECT_EQ(Channels(), 2);
}

TEST_F(DecorationsTest, FlyersFollowTheScrollUntilTheRunnerDiesThenLeaveByTime)
{
    for (const char* name : {"lev5_heli_1.png", "lev5_ptok_1.png", "lev5_ptok_2.png", "lev5_ptok_3.png",
                             "lev5_ptok_4.png", "lev5_ptok_5.png"})
        Png(name, 10, 10);
    Load(4);
    Frame(1500.0f);
    Frame(1500.0f);
    const DecorationEmitter& heli = m_deco.GetEmitter(0);
    const DecorationEmitter& birds = m_deco.GetEmitter(1);
    EXPECT_EQ(heli.dy, -float((500 / 7) % 240));
    EXPECT_EQ(birds.dy, -float((937 / 4) % 240));
    EXPECT_EQ(heli.dx, 0.0f);

    m_deco.SetEventFlag();
    EXPECT_TRUE(m_deco.GetEventFlag());
    const float heliY = heli.dy, birdsY = birds.dy;
    for (int i = 0; i < 10; ++i) Frame(1500.0f + 100.0f * float(i), 200.0f, 0.1f);
    EXPECT_NEAR(heli.dx, -24.0f, 1e-3f);
    EXPECT_NEAR(heli.dy, heliY - 38.0f, 1e-3f);
    EXPECT_NEAR(birds.dx, -38.0f, 1e-3f);
    EXPECT_NEAR(birds.dy, birdsY - 50.0f, 1e-3f);
    EXPECT_NEAR(m_deco.GetEmitter(2).dx, -38.0f, 1e-3f);

    // A new start clears the run state but keeps the props.
    m_deco.Reset();
    EXPECT_FALSE(m_deco.GetEventFlag());
    EXPECT_EQ(heli.dx, 0.0f);
    EXPECT_EQ(heli.kind, 17);
    EXPECT_EQ(heli.count, 3) << "a missing frame keeps its slot";
}

TEST_F(DecorationsTest, PhasesWrapToZeroAndStartPhasesSurviveEveryStart)
{
    Png("lev6_ray_reflec.png", 10, 40);
    Load(5);
    DecorationEmitter& beam = m_deco.GetEmitter(8);
    EXPECT_FLOAT_EQ(beam.phase, 0.1f);
    EXPECT_FLOAT_EQ(m_deco.GetEmitter(12).phase, 0.5f);
    Frame(0.0f, 200.0f, 0.5f);
    EXPECT_FLOAT_EQ(beam.phase, 0.1f + 0.18f * 0.5f);
    m_deco.Reset();
    EXPECT_FLOAT_EQ(beam.phase, 0.1f);

    // Past 1.0 the phase starts again at exactly 0, not at its excess.
    beam.phase = 0.99f;
    Frame(0.0f, 200.0f, 0.5f);
    EXPECT_EQ(beam.phase, 0.0f);
    // The sweeping beam's speed swells to 0.2593 and dies away again.
    Load(0);
    DecorationEmitter& sweep = m_deco.GetEmitter(1);
    EXPECT_EQ(sweep.state, 2);
    float top = 0.0f;
    for (int i = 0; i < 500; ++i) {
        Frame(0.0f, 200.0f, 0.01f);
        top = std::max(top, sweep.speed);
    }
    EXPECT_FLOAT_EQ(top, 0.2593f);
    EXPECT_EQ(sweep.state, 1);
    for (int i = 0; i < 400; ++i) Frame(0.0f, 200.0f, 0.01f);
    EXPECT_EQ(sweep.state, 2);
}

TEST_F(DecorationsTest, PassesSelectPropsByDistanceAndLayer)
{
    for (const char* name : {"lev5_heli_1.png", "lev5_ptok_1.png"}) Png(name, 10, 10);
    Load(4);
    // The helicopter (x 454) is on layer 1, the flock of ten (x 220) on
    // layer 0; all are far.
    m_deco.SetScroll(800.0f, 200.0f);
    m_deco.Update(0.016f);
    auto seen = [&](int i) { return m_deco.GetEmitter(i).visible; };
    m_deco.RenderAnimations(m_target, 0, -2);
    EXPECT_FALSE(seen(0) || seen(1) || seen(2)) << "no prop is near";
    m_deco.RenderAnimations(m_target, 1, 0);
    EXPECT_FALSE(seen(0));
    EXPECT_TRUE(seen(1));
    m_deco.Update(0.016f);
    m_deco.RenderAnimations(m_target, 1, 1);
    EXPECT_TRUE(seen(0));
    EXPECT_FALSE(seen(1));
    m_deco.Update(0.016f);
    m_deco.RenderAnimations(m_target, 1, -5);
    EXPECT_TRUE(seen(0) && seen(1));

    // Spawn points record the last copy on the screen.
    EXPECT_EQ(m_deco.GetEmitter(1).spawnX, 220);
    EXPECT_EQ(m_deco.GetEmitter(0).spawnX, 454);
}

TEST_F(DecorationsTest, LevelsWithoutImagesOrWithDegenerateDataRunAndDrawNothing)
{
    m_bank.Load();
    for (int level = -1; level <= 6; ++level) {
        SCOPED_TRACE(level);
        m_deco.Load(level);
        m_deco.Reset();
        for (int i = 0; i < 300; ++i) {
            Frame(float(i) * 37.0f, 200.0f + float(i % 40), 0.02f);
            for (int layer = 0; layer < 3; ++layer) m_deco.RenderSprites(m_target, layer);
            if (i == 150) m_deco.SetEventFlag();
        }
        m_deco.Release();
        Frame(0.0f);
    }
    EXPECT_EQ(Channels(), 0) << "unseen props make no sound";

    // Every kind on a prop with a picture, then with no frames counted, no
    // period or a negative one, tiled down.
    Png("kropla.png", 4, 4);
    m_deco.Load(2);
    m_deco.Reset();
    DecorationEmitter& e = m_deco.GetEmitter(1);
    for (int kind = 1; kind <= 19; ++kind)
        for (int count : {1, 0}) {
            SCOPED_TRACE(kind);
            e.kind = kind;
            e.count = count;
            e.period = kind % 2 == 0 ? 0 : -5;
            e.tileDown = true;
            for (int i = 0; i < 5; ++i) Frame(float(i) * 100.0f - 300.0f, float(i) * -400.0f);
        }
    m_deco.Clear();
    EXPECT_EQ(m_deco.GetLiveSpriteCount(), 0);
}

}  // namespace
