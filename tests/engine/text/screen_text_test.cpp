// Screen texts in the built fonts drawn through the real GL surfaces and read
// back: every glyph's pixels land where the layout put them, in the text's
// colour, with the shadow and transforms as described.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/core/vfs.h"
#include "engine/text/screen_text.h"
#include "engine/text/typesetter.h"
#include "tests/engine/graphics/gl_fixture.h"
#include "text_test_support.h"

namespace Voke {
namespace Test {
namespace {

class ScreenTextTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        // Description and page read by name through the mount table and
        // the image loaders, as the game reads its fonts.
        Vfs::Init();
        ASSERT_NE(Vfs::MountDirectory(FontDir() + "/", "", 0), nullptr);
        m_font = GetCachedFont("fontMenu.xml");
        ASSERT_EQ(m_font->GetPage()->GetPixelData()->GetFormat(), uint32_t(A8));
        ASSERT_NE(m_font->GetPage(), nullptr);
        int width = 0;
        m_coverage = ReadPngCoverage(FontDir() + "/fontMenu.png", width);
        m_pageWidth = width;
        m_set = new Text::FontSet;
        m_set->Add("default", m_font);
        m_format.fontSet = m_set;
        m_format.fontName = "default";
        m_format.color = {255, 255, 255, 255};
        m_format.flags = Text::Format::kFontName | Text::Format::kColor;
        Surface::Clear(m_window, 0);
    }

    void TearDown() override
    {
        Vfs::Shutdown();
        GLTest::TearDown();
    }

    uint8_t Coverage(const Text::PlacedGlyph& g, int dx, int dy) const
    {
        return m_coverage[size_t(g.source.y + dy) * m_pageWidth + g.source.x + dx];
    }

    // Compares every pixel of every glyph of `text` drawn at (x, y) with the
    // page's coverage times `color`, on black; returns the pixels with ink.
    int ExpectGlyphPixels(const ScreenText& text, int x, int y, Color color)
    {
        int ink = 0;
        for (const Text::PlacedGlyph* g = text.GetGlyphs(); g->page; ++g) {
            // Only what falls inside the window can be read back.
            if (x + g->x + g->source.w > kWidth || y + g->y + g->source.h > kHeight) continue;
            for (int dy = 0; dy < g->source.h; ++dy)
                for (int dx = 0; dx < g->source.w; ++dx) {
                    const int c = Coverage(*g, dx, dy);
                    const Color got = WindowPixel(x + g->x + dx, y + g->y + dy);
                    for (int shift : {0, 8, 16}) {
                        const int want = int(color >> shift & 0xFF) * c / 255;
                        if (std::abs(int(got >> shift & 0xFF) - want) > 2) {
                            ADD_FAILURE() << "glyph pixel (" << dx << ", " << dy << ") got 0x" << std::hex << got;
                            return ink;
                        }
                    }
                    ink += c > 0;
                }
        }
        return ink;
    }

    SmartPtr<FontEx> m_font;
    SmartPtr<Text::FontSet> m_set;
    Text::Format m_format;
    std::vector<uint8_t> m_coverage;
    int m_pageWidth = 0;
};

TEST_F(ScreenTextTest, AccentedLettersOfFiveLanguagesDrawTheirGlyphs)
{
    for (const wchar_t* line : {L"Ça côté œuf «é»", L"Città più", L"Größe Übel", L"¿Señor? ¡Sí!"}) {
        Surface::Clear(m_window, 0);
        ScreenText text(m_format, line, {kWidth - 2, 0});
        ASSERT_NE(text.GetGlyphs()[0].page, nullptr);
        EXPECT_EQ(text.width, kWidth - 2);
        EXPECT_EQ(text.height % m_font->GetLineHeight(), 0);
        text.Draw(m_window, 2, 3);
        EXPECT_GT(ExpectGlyphPixels(text, 2, 3, MakeColor(255, 255, 255)), 20) << ToNarrowString(line);
    }
}

TEST_F(ScreenTextTest, ColourAndLinesComeFromTheFormat)
{
    m_format.color = {255, 64, 0, 255};
    m_format.alignment = 1;
    m_format.flags |= Text::Format::kAlignment;
    ScreenText text(m_format, L"Ä é\nñ", {60, 0});
    EXPECT_EQ(text.height, 2 * m_font->GetLineHeight());
    const Text::PlacedGlyph* g = text.GetGlyphs();
    EXPECT_EQ(g[2].x + g[2].source.w, 60);  // right-aligned
    EXPECT_EQ(g[3].y, m_font->GetLineHeight());
    text.Draw(m_window, 0, 0);
    EXPECT_GT(ExpectGlyphPixels(text, 0, 0, MakeColor(255, 64, 0)), 20);
    // Nothing left of the right-aligned text on its first line.
    for (int x = 0; x < g[0].x; ++x) EXPECT_EQ(WindowPixel(x, 5), MakeColor(0, 0, 0)) << x;
}

TEST_F(ScreenTextTest, ShadowIsDrawnFirstAndBlack)
{
    Surface::Clear(m_window, 255);
    m_format.color = {255, 0, 0, 255};
    ScreenText text(m_format, L"ll", {60, 0});
    text.shadow = true;
    text.Draw(m_window, 4, 4);
    // A pixel with full ink is red (no shadow covers a glyph); a pixel one
    // down-right of full ink with no ink of its own is black.
    int red = 0, black = 0;
    for (const Text::PlacedGlyph* g = text.GetGlyphs(); g->page; ++g)
        for (int dy = 1; dy < g->source.h; ++dy)
            for (int dx = 1; dx < g->source.w; ++dx) {
                const Color got = WindowPixel(4 + g->x + dx, 4 + g->y + dy);
                const bool dark = ColorR(got) < 24 && ColorG(got) < 24 && ColorB(got) < 24;
                if (Coverage(*g, dx, dy) >= 240) red += ColorR(got) >= 230 && ColorG(got) < 24 && ColorB(got) < 24;
                if (Coverage(*g, dx - 1, dy - 1) >= 240 && Coverage(*g, dx, dy) == 0) black += dark;
            }
    EXPECT_GT(red, 10);
    EXPECT_GT(black, 5);
}

TEST_F(ScreenTextTest, ColourPagesKeepTheirColours)
{
    SmartPtr<FontEx> font(LoadBuiltFont("fontcolor.xml"));
    ASSERT_EQ(font->GetPage()->GetPixelData()->GetFormat(), uint32_t(RGBA8888));
    SmartPtr<Text::FontSet> set(new Text::FontSet);
    set->Add("colour", font);
    Text::Format format;
    format.fontSet = set;
    format.color = {255, 0, 0, 255};
    format.flags = Text::Format::kColor;
    ScreenText text(format, L"H", {40, 0});
    text.Draw(m_window, 0, 0);
    // Some pixel of the H is pure white: the colour page is not tinted.
    bool white = false;
    for (int y = 0; y < text.height && !white; ++y)
        for (int x = 0; x < 12 && !white; ++x) white = WindowPixel(x, y) == MakeColor(255, 255, 255);
    EXPECT_TRUE(white);
}

TEST_F(ScreenTextTest, InvisibleTexts)
{
    ScreenText text(m_format, L"Hé", {60, 0});
    text.shadow = true;
    m_font->GetPage()->SetOpacity(0);
    text.Draw(m_window, 0, 0);
    const float pivot[2] = {0, 0};
    text.DrawTransformed(m_window, 0, 0, 0.5f, 1.0f, pivot);
    m_font->GetPage()->SetOpacity(255);
    for (int y = 0; y < text.height; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(WindowPixel(x, y), MakeColor(0, 0, 0));

    ScreenText none(Text::MakeGlyphList(0));
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
    none.Draw(m_window, 0, 0);

    SmartPtr<FontEx> empty(new FontEx);
    ScreenText blank(empty, L"abc", {60, 0});
    blank.Draw(m_window, 0, 0);
    EXPECT_EQ(blank.width, 60);
    EXPECT_EQ(blank.height, 0);
}

TEST_F(ScreenTextTest, PlainLayoutMeasuresOneLine)
{
    ScreenText text(m_font, L"ab\ncd");
    EXPECT_EQ(text.height, m_font->GetLineHeight());
    const Text::PlacedGlyph* g = text.GetGlyphs();
    EXPECT_EQ(g[3].x, 0);
    EXPECT_EQ(g[3].y, m_font->GetLineHeight());
    EXPECT_EQ(text.width, Text::GetGlyphListWidth(g));
}

TEST_F(ScreenTextTest, TransformedDrawing)
{
    ScreenText text(m_format, L"Éa", {60, 0});
    const float origin[2] = {0, 0};
    text.DrawTransformed(m_window, 3, 2, 0.0f, 1.0f, origin);
    EXPECT_GT(ExpectGlyphPixels(text, 3, 2, MakeColor(255, 255, 255)), 20);

    // Scaled by 2 about the text's top-left corner: every ink pixel of the
    // first glyph covers a 2 x 2 block.
    Surface::Clear(m_window, 0);
    text.DrawTransformed(m_window, 0, 0, 0.0f, 2.0f, origin);
    const Text::PlacedGlyph& g = text.GetGlyphs()[0];
    int full = 0;
    for (int dy = 0; dy < g.source.h && 2 * dy + 1 < kHeight; ++dy)
        for (int dx = 0; dx < g.source.w; ++dx)
            if (Coverage(g, dx, dy) == 255) {
                ++full;
                EXPECT_EQ(WindowPixel(2 * dx, 2 * dy), MakeColor(255, 255, 255));
                EXPECT_EQ(WindowPixel(2 * dx + 1, 2 * dy + 1), MakeColor(255, 255, 255));
            }
    EXPECT_GT(full, 3);

    // Half a turn about the text's centre maps (x, y) to (2c - x, 2c - y).
    Surface::Clear(m_window, 0);
    const float centre[2] = {float(text.width) / 2, float(text.height) / 2};
    text.DrawTransformed(m_window, 30, 20, 3.14159265f, 1.0f, centre);
    int matched = 0;
    for (int dy = 0; dy < g.source.h; ++dy)
        for (int dx = 0; dx < g.source.w; ++dx)
            if (Coverage(g, dx, dy) == 255) {
                const int x = int(30 + centre[0] - (g.x + dx) - 1), y = int(20 + centre[1] - (g.y + dy) - 1);
                matched += WindowPixel(x, y) == MakeColor(255, 255, 255);
            }
    EXPECT_GT(matched, 3);
}

}  // namespace
}  // namespace Test
}  // namespace Voke
