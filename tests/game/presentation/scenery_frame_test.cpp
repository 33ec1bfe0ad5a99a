// One whole scenery frame of the construction site, in the game world's
// drawing order (background layers, smoke, welders, crane, sparks, the
// building row with its fans), from one atlas page as the shipped content
// has it: what it costs in draw calls and texture binds, counted by the
// renderer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "engine/graphics/batcher.h"
#include "tests/game/presentation/render_target.h"
#include "tests/game/presentation/scenery_scene.h"

namespace {

class SceneryFrame : public PresentationTest::RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        MakeTarget(480, 320);
        m_scene = std::make_unique<PresentationTest::ConstructionSite>();
    }
    void TearDown() override
    {
        m_scene.reset();
        RenderTarget::TearDown();
    }

    // One frame of play; returns the draw calls its drawing cost.
    uint64_t Frame(float scrollX, uint64_t* binds = nullptr)
    {
        m_scene->Step(scrollX, 100.0f, 0.016f);
        Batcher()->Flush();
        const Voke::RenderStats before = Voke::GetRenderStats();
        Clear(Voke::MakeColor(0, 0, 0));
        m_scene->Draw(m_target);
        Batcher()->Flush();
        const Voke::RenderStats after = Voke::GetRenderStats();
        if (binds) *binds = after.textureBinds - before.textureBinds;
        return after.drawCalls - before.drawCalls;
    }

    std::unique_ptr<PresentationTest::ConstructionSite> m_scene;
};

TEST_F(SceneryFrame, OneAtlasPageKeepsAFrameToAFewDrawCalls)
{
    ASSERT_TRUE(PresentationTest::ConstructionSite::WriteContent(*m_content, true));
    m_scene->Load();
    // Two seconds of running: welders, sparks and smoke fill the pool.
    uint64_t most = 0, binds = 0, mostBinds = 0;
    for (int i = 0; i < 120; ++i) {
        most = std::max(most, Frame(900.0f + 3.0f * float(i), &binds));
        mostBinds = std::max(mostBinds, binds);
    }
    ASSERT_GT(m_scene->m_decorations.GetLiveSpriteCount(), 20);
    std::printf("scenery frame, construction site, one page: at most %llu draw calls, %llu texture binds\n",
                static_cast<unsigned long long>(most), static_cast<unsigned long long>(mostBinds));
    const PresentationTest::Frame frame = Read();
    EXPECT_NE(frame.At(240, 2), Voke::MakeColor(0, 0, 0)) << "the sky";
    EXPECT_NE(frame.At(240, 318), Voke::MakeColor(0, 0, 0)) << "the fill below the nearest strip";
    // The page changes only for the sparks' untextured squares and the
    // fading smoke's blending, besides the target's clear.
    EXPECT_LE(most, 8u);
    EXPECT_LE(mostBinds, 4u);
}

TEST_F(SceneryFrame, FillColoursOutsideThePageCostADrawCallPerFill)
{
    ASSERT_TRUE(PresentationTest::ConstructionSite::WriteContent(*m_content, false));
    m_scene->Load();
    uint64_t most = 0;
    for (int i = 0; i < 120; ++i) most = std::max(most, Frame(900.0f + 3.0f * float(i)));
    std::printf("scenery frame, construction site, fill colours as separate images: at most %llu draw calls\n",
                static_cast<unsigned long long>(most));
    EXPECT_LE(most, 24u);
}

}  // namespace
