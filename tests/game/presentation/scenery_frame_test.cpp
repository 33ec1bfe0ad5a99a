// One whole scenery frame of the construction site, in the game world's
// drawing order (background layers, smoke, welders, crane, sparks, the
// building row with its fans), from one atlas page as the shipped content
// has it: what it costs in draw calls and texture binds, counted by the
// renderer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/core/asset_dict.h"
#include "engine/graphics/batcher.h"
#include "game/core/building_manager.h"
#include "game/core/game_base.h"
#include "game/presentation/level_background.h"
#include "game/presentation/level_decorations.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/game/core/game_data_folder.h"
#include "tests/game/presentation/render_target.h"

namespace {

using Voke::Color;
using Voke::MakeColor;

constexpr int kPage = 1024;

// A page of solid rectangles packed in shelves, and its description.
class AtlasPage {
public:
    AtlasPage() : m_pixels(size_t(kPage) * kPage, MakeColor(0, 0, 0)) {}

    void Add(const std::string& name, int w, int h, Color c)
    {
        if (m_x + w > kPage) {
            m_x = 0;
            m_y += m_shelf;
            m_shelf = 0;
        }
        ASSERT_LE(m_y + h, kPage) << "the test page is full";
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) m_pixels[size_t(m_y + y) * kPage + size_t(m_x + x)] = c;
        m_xml += "<rect id=\"" + name + "\" x=\"" + std::to_string(m_x) + "\" y=\"" + std::to_string(m_y) +
                 "\" width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\"/>\n";
        m_x += w;
        m_shelf = std::max(m_shelf, h);
    }
    std::string Png() const
    {
        return Voke::Test::MakePngFile(kPage, kPage, [this](int x, int y) { return m_pixels[size_t(y) * kPage + x]; });
    }
    std::string Xml() const { return "<atlas>\n" + m_xml + "</atlas>\n"; }

private:
    std::vector<Color> m_pixels;
    std::string m_xml;
    int m_x = 0, m_y = 0, m_shelf = 0;
};

class SceneryFrame : public PresentationTest::RenderTarget {
protected:
    void SetUp() override
    {
        RenderTarget::SetUp();
        MakeTarget(480, 320);
        m_game.m_ScreenWidth = 480;
        m_game.m_ScreenHeight = 320;
        m_game.InitRandom(5u);
    }

    // The construction site's scenery; the fill colours in the page too,
    // or as images of their own.
    void WriteContent(bool coloursInPage)
    {
        AtlasPage page;
        auto solid = [&](const std::string& name, int w, int h, Color c) {
            if (coloursInPage)
                page.Add(name, w, h, c);
            else
                m_content->Write(name, Voke::Test::MakePngFile(w, h, [c](int, int) { return c; }));
        };
        // Background strips: each picture repeats a 120 x 60 tile across.
        const char* strips[] = {"lev4_bg2_bez_ramienia_dzwigu_a.xml",
                                "lev4_bg2_bez_ramienia_dzwigu_b.xml",
                                "lev4_bg1_a.xml",
                                "lev4_bg1_b.xml",
                                "lev4_bg0_a.xml",
                                "lev4_bg0_b.xml",
                                "lev4_bg.xml"};
        int n = 0;
        for (const char* strip : strips) {
            const std::string tile = "tile" + std::to_string(n) + ".png";
            page.Add(tile, 120, 60, MakeColor(uint8_t(30 * n), 90, 160));
            const int across = n == 6 ? 4 : 3;
            const int high = n == 6 ? 6 : 1;
            m_content->Write(strip, "<p width=\"" + std::to_string(120 * across) + "\" height=\"" +
                                        std::to_string(60 * high) + "\"><texture countx=\"" + std::to_string(across) +
                                        "\" county=\"" + std::to_string(high) + "\" filename=\"" + tile + "\"/></p>");
            ++n;
        }
        solid("c3f536a.png", 4, 4, MakeColor(63, 83, 106));
        solid("c547195.png", 4, 4, MakeColor(84, 113, 149));
        solid("c7396c6.png", 4, 4, MakeColor(115, 150, 198));
        solid("c00ff00.png", 4, 4, MakeColor(0, 255, 0));
        solid("cff0000.png", 4, 4, MakeColor(255, 0, 0));
        // Props.
        page.Add("lev4_spawacz_1.png", 30, 40, MakeColor(200, 200, 0));
        page.Add("lev4_spawacz_2.png", 30, 40, MakeColor(220, 220, 0));
        page.Add("lev4_bg2_ramie_dzwigu.png", 120, 16, MakeColor(180, 60, 0));
        page.Add("lev4_ru_smoke04.png", 24, 24, MakeColor(120, 120, 120));
        page.Add("lev4_smoke_bg0.png", 32, 32, MakeColor(140, 140, 140));
        for (int i = 0; i < 3; ++i)
            page.Add("lev4_fan_" + std::to_string(i + 1) + ".png", 10, 10, MakeColor(0, uint8_t(80 * i), 255));
        // The row's pieces, at the data tests' sizes.
        int32_t rows = 0;
        const BuildingPiece* pieces = GetBuildingPieces(3, &rows);
        std::vector<std::string> added;
        for (int32_t i = 0; i < rows; ++i) {
            const std::string name = pieces[i].image;
            if (std::find(added.begin(), added.end(), name) != added.end()) continue;
            added.push_back(name);
            int w = 0, h = 0;
            VokeTest::GameDataFolder::PieceSize(name, w, h);
            page.Add(name, w, h, MakeColor(uint8_t(40 + 9 * i), 70, 30));
        }
        m_content->Write("level04.png", page.Png());
        m_content->Write("level04.xml", page.Xml());
        ASSERT_TRUE(Voke::AssetDict::s_engine->LoadAtlas("level04.xml"));
    }

    void Load()
    {
        m_background.SetOwner(&m_game);
        m_background.Load(3);
        m_decorations.SetOwner(&m_game);
        m_decorations.Load(3);
        m_decorations.Reset();
        m_row.SetOwner(&m_game);
        m_row.Load(3);
    }

    // A frame of play: the world's camera step and updates, then its
    // drawing order for this level. Returns the draw calls it cost.
    uint64_t Frame(float scrollX, float scrollY, uint64_t* binds = nullptr)
    {
        m_background.SetScroll(scrollX, scrollY);
        m_decorations.SetScroll(scrollX, scrollY);
        m_row.SetScroll(scrollX, scrollY - 100.0f);
        m_background.UpdateLayers(0.016f);
        m_row.Update(0.016f);
        m_decorations.Update(0.016f);

        Batcher()->Flush();
        const Voke::RenderStats before = Voke::GetRenderStats();
        Clear(MakeColor(0, 0, 0));
        m_background.DrawLayer(m_target, 3);
        m_background.DrawLayer(m_target, 2);
        m_decorations.RenderSprites(m_target, 2);
        m_background.DrawLayer(m_target, 1);
        m_decorations.RenderSprites(m_target, 1);
        m_background.DrawLayer(m_target, 0);
        m_decorations.RenderAnimations(m_target, 1, -2);
        m_decorations.RenderSprites(m_target, 0);
        m_row.Render(m_target);
        m_decorations.RenderAnimations(m_target, 0, -2);
        Batcher()->Flush();
        const Voke::RenderStats after = Voke::GetRenderStats();
        if (binds) *binds = after.textureBinds - before.textureBinds;
        return after.drawCalls - before.drawCalls;
    }

    GameBase m_game;
    LevelBackground m_background;
    LevelDecorations m_decorations;
    BuildingManager m_row;
};

TEST_F(SceneryFrame, OneAtlasPageKeepsAFrameToAFewDrawCalls)
{
    WriteContent(true);
    Load();
    // Let the welders and the smoke fill the sprite pool.
    uint64_t most = 0, binds = 0, mostBinds = 0;
    for (int i = 0; i < 120; ++i) {
        const uint64_t calls = Frame(900.0f + 3.0f * float(i), 100.0f, &binds);
        most = std::max(most, calls);
        mostBinds = std::max(mostBinds, binds);
    }
    ASSERT_GT(m_decorations.GetLiveSpriteCount(), 20);
    std::printf("scenery frame, construction site, one page: at most %llu draw calls, %llu texture binds\n",
                static_cast<unsigned long long>(most), static_cast<unsigned long long>(mostBinds));
    // Something of every part is on the screen.
    const PresentationTest::Frame frame = Read();
    EXPECT_NE(frame.At(240, 2), MakeColor(0, 0, 0)) << "the sky";
    // The page's texture changes only for the sparks' untextured squares,
    // the smoke's fading blends and the target's clear.
    EXPECT_LE(most, 12u);
    EXPECT_LE(mostBinds, 6u);
}

TEST_F(SceneryFrame, FillColoursOutsideThePageCostADrawCallPerFill)
{
    WriteContent(false);
    Load();
    uint64_t most = 0;
    for (int i = 0; i < 120; ++i) most = std::max(most, Frame(900.0f + 3.0f * float(i), 100.0f));
    std::printf("scenery frame, construction site, fill colours as separate images: at most %llu draw calls\n",
                static_cast<unsigned long long>(most));
    EXPECT_LE(most, 40u);
}

}  // namespace
