// The construction site's scenery as the game world runs it, for the frame
// test and the scenery benchmark: content written into a mounted folder
// (every image on one atlas page, as the shipped content has them; the fill
// colours optionally as images of their own), the level's background,
// decorations and building row, one frame of updates and the world's drawing
// order for this level.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "engine/core/asset_dict.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/presentation/level_background.h"
#include "game/presentation/level_decorations.h"
#include "game/world/building_manager.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/game/presentation/presentation_test_files.h"
#include "tests/game/support/game_data_folder.h"

namespace PresentationTest {

// A page of solid rectangles packed in shelves, and its description.
class SceneryAtlas {
public:
    static constexpr int kPage = 1024;

    SceneryAtlas() : m_pixels(size_t(kPage) * kPage, Voke::MakeColor(0, 0, 0)) {}

    // False when the page is full.
    bool Add(const std::string& name, int w, int h, Voke::Color c)
    {
        if (m_x + w > kPage) {
            m_x = 0;
            m_y += m_shelf;
            m_shelf = 0;
        }
        if (w > kPage || m_y + h > kPage) return false;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) m_pixels[size_t(m_y + y) * kPage + size_t(m_x + x)] = c;
        m_xml += "<rect id=\"" + name + "\" x=\"" + std::to_string(m_x) + "\" y=\"" + std::to_string(m_y) +
                 "\" width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\"/>\n";
        m_x += w;
        m_shelf = std::max(m_shelf, h);
        return true;
    }
    std::string Png() const
    {
        return Voke::Test::MakePngFile(kPage, kPage, [this](int x, int y) { return m_pixels[size_t(y) * kPage + x]; });
    }
    std::string Xml() const { return "<atlas>\n" + m_xml + "</atlas>\n"; }

private:
    std::vector<Voke::Color> m_pixels;
    std::string m_xml;
    int m_x = 0, m_y = 0, m_shelf = 0;
};

class ConstructionSite {
public:
    ConstructionSite()
    {
        m_game.m_ScreenWidth = 480;
        m_game.m_ScreenHeight = 320;
        m_game.InitRandom(5u);
    }

    // Writes the level's scenery as "level04.xml" and its page and loads
    // that atlas. False when the page or the atlas fails.
    static bool WriteContent(ContentFolder& content, bool coloursInPage)
    {
        using Voke::MakeColor;
        SceneryAtlas page;
        bool ok = true;
        auto solid = [&](const std::string& name, Voke::Color c) {
            if (coloursInPage)
                ok &= page.Add(name, 4, 4, c);
            else
                content.Write(name, Voke::Test::MakePngFile(4, 4, [c](int, int) { return c; }));
        };
        // Background strips: each picture repeats a 120 x 60 tile across;
        // the sky (the last) is four tiles wide and six high.
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
            ok &= page.Add(tile, 120, 60, MakeColor(uint8_t(30 * n), 90, 160));
            const int across = n == 6 ? 4 : 3, high = n == 6 ? 6 : 1;
            content.Write(strip, "<p width=\"" + std::to_string(120 * across) + "\" height=\"" +
                                     std::to_string(60 * high) + "\"><texture countx=\"" + std::to_string(across) +
                                     "\" county=\"" + std::to_string(high) + "\" filename=\"" + tile + "\"/></p>");
            ++n;
        }
        solid("c3f536a.png", MakeColor(63, 83, 106));
        solid("c547195.png", MakeColor(84, 113, 149));
        solid("c7396c6.png", MakeColor(115, 150, 198));
        solid("c00ff00.png", MakeColor(0, 255, 0));
        solid("cff0000.png", MakeColor(255, 0, 0));
        ok &= page.Add("lev4_spawacz_1.png", 30, 40, MakeColor(200, 200, 0));
        ok &= page.Add("lev4_spawacz_2.png", 30, 40, MakeColor(220, 220, 0));
        ok &= page.Add("lev4_bg2_ramie_dzwigu.png", 120, 16, MakeColor(180, 60, 0));
        ok &= page.Add("lev4_ru_smoke04.png", 24, 24, MakeColor(120, 120, 120));
        ok &= page.Add("lev4_smoke_bg0.png", 32, 32, MakeColor(140, 140, 140));
        for (int i = 0; i < 3; ++i)
            ok &= page.Add("lev4_fan_" + std::to_string(i + 1) + ".png", 10, 10, MakeColor(0, uint8_t(80 * i), 255));
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
            ok &= page.Add(name, w, h, MakeColor(uint8_t(40 + 9 * i), 70, 30));
        }
        content.Write("level04.png", page.Png());
        content.Write("level04.xml", page.Xml());
        return ok && Voke::AssetDict::s_engine && Voke::AssetDict::s_engine->LoadAtlas("level04.xml");
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

    // The world's camera step and updates for one frame.
    void Step(float scrollX, float scrollY, float dt)
    {
        m_background.SetScroll(scrollX, scrollY);
        m_decorations.SetScroll(scrollX, scrollY);
        m_row.SetScroll(scrollX, scrollY - 100.0f);
        m_background.UpdateLayers(dt);
        m_row.Update(dt);
        m_decorations.Update(dt);
    }

    // The world's drawing order on this level, from the farthest layer to
    // the props in front of the runner.
    void Draw(Voke::Surface* target)
    {
        m_background.DrawLayer(target, 3);
        m_background.DrawLayer(target, 2);
        m_decorations.RenderSprites(target, 2);
        m_background.DrawLayer(target, 1);
        m_decorations.RenderSprites(target, 1);
        m_background.DrawLayer(target, 0);
        m_decorations.RenderAnimations(target, 1, -2);
        m_decorations.RenderSprites(target, 0);
        m_row.Render(target);
        m_decorations.RenderAnimations(target, 0, -2);
    }

    GameBase m_game;
    LevelBackground m_background;
    LevelDecorations m_decorations;
    BuildingManager m_row;
};

}  // namespace PresentationTest
