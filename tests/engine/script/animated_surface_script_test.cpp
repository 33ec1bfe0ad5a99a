// Animated surfaces driven by their scripts: the script host installed as
// the animations' driver, the script read from a pak archive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/vfs.h"
#include "engine/graphics/animated_surface.h"
#include "engine/script/animated_surface_script.h"
#include "engine/script/lua.h"
#include "tests/support/pak_files.h"

namespace Voke {
namespace {

class ScriptedAnimations : public ::testing::Test {
protected:
    void SetUp() override
    {
        Vfs::Init();
        Lua::SetErrorReporter([](const char*, const char*) {});
        VokeTest::MountArchive(m_dir, "anim.pak", {
            {"walk.lua",
             "function Update( dt )\n"
             "  if FrameNum() + 1 == NumFrames() then return 0 end\n"
             "  SetFrame( FrameNum() + 1 ) SetAlpha( FrameTime( FrameNum() ) / 65536 * 100 )\n"
             "  return 1\n"
             "end\n"
             "function SetState( s ) SetFrame( s ) end\n"},
        });
        for (float time : {0.5f, 1.0f, 2.0f}) {
            AnimatedSurface::Frame frame;
            frame.image = new Surface(new MemPixelData(2, 2, RGB888));
            frame.time = time;
            m_frames.push_back(frame);
        }
    }
    void TearDown() override
    {
        AnimatedSurface::SetDriverFactory(nullptr);
        Lua::SetErrorReporter(nullptr);
        Vfs::Shutdown();
    }

    VokeTest::TempDir m_dir;
    AnimatedSurface::FrameList m_frames;
};

TEST_F(ScriptedAnimations, TheScriptStepsTheFramesInsteadOfTheTimer)
{
    InstallAnimationScripts();
    SmartPtr<AnimatedSurface> anim = AnimatedSurface::Create(m_frames, false, "walk.lua");
    ASSERT_TRUE(anim);
    EXPECT_TRUE(anim->HasScript());
    EXPECT_TRUE(anim->Update(0.0f)) << "frames change when the script says, not by time";
    EXPECT_EQ(anim->GetCurrentFrame(), 1u);
    EXPECT_EQ(anim->GetOpacity(), 100);
    EXPECT_EQ(anim->GetPixelData(), m_frames[1].image->GetPixelData()) << "drawing sees the script's frame";
    EXPECT_TRUE(anim->Update(0.0f));
    EXPECT_EQ(anim->GetOpacity(), 200);
    EXPECT_FALSE(anim->Update(0.0f));
    EXPECT_EQ(anim->GetCurrentFrame(), 2u);

    anim->SetState(0);
    EXPECT_EQ(anim->GetCurrentFrame(), 0u);

    SmartPtr<AnimatedSurface> copy = new AnimatedSurface(*anim);
    EXPECT_FALSE(copy->HasScript()) << "a copy plays by time";
    anim.Reset();  // the script goes with its surface
    EXPECT_TRUE(copy->Update(0.6f));
    EXPECT_EQ(copy->GetCurrentFrame(), 1u);
}

TEST_F(ScriptedAnimations, WithoutTheScriptHostAnimationsPlayByTime)
{
    SmartPtr<AnimatedSurface> anim = AnimatedSurface::Create(m_frames, true, "walk.lua");
    ASSERT_TRUE(anim);
    EXPECT_FALSE(anim->HasScript());
    EXPECT_TRUE(anim->Update(0.6f));
    EXPECT_EQ(anim->GetCurrentFrame(), 1u);
    anim->SetState(2);  // no script: nothing happens
    EXPECT_EQ(anim->GetCurrentFrame(), 1u);
}

TEST_F(ScriptedAnimations, AMissingScriptEndsTheAnimationWithoutHarm)
{
    InstallAnimationScripts();
    SmartPtr<AnimatedSurface> anim = AnimatedSurface::Create(m_frames, true, "missing.lua");
    ASSERT_TRUE(anim);
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(anim->Update(1.0f));
    EXPECT_EQ(anim->GetCurrentFrame(), 0u);
}

}  // namespace
}  // namespace Voke
