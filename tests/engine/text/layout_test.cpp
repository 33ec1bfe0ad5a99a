// Words, lines and the typesetter, on a font of round numbers (see
// MakeTestFont): measured widths, kerning, letter spacing, alignment,
// whitespace modes and line breaking, read from the placed glyphs.
#include <gtest/gtest.h>

#include <vector>

#include "engine/text/typesetter.h"
#include "text_test_support.h"

namespace Voke {
namespace Text {
namespace {

struct Placed {
    uint32_t x, y;  // unsigned only for compact comparisons below
};

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_font = Voke::Test::MakeTestFont();
        m_set = new FontSet;
        m_set->Add("default", m_font);
        m_format.fontSet = m_set;
        m_format.fontName = "default";
        m_format.flags = Format::kFontName;
    }

    void Set(Format::Attribute bit, int32_t value)
    {
        m_format.flags |= bit;
        switch (bit) {
        case Format::kLetterSpacing: m_format.letterSpacing = value; break;
        case Format::kLineSpacing: m_format.lineSpacing = value; break;
        case Format::kAlignment: m_format.alignment = value; break;
        case Format::kWhitespaceMode: m_format.whitespaceMode = value; break;
        default: break;
        }
    }

    // Positions of the placed glyphs, in list order.
    std::vector<std::pair<int, int>> Lay(const WideString& text, Rect box)
    {
        Typesetter typesetter;
        m_glyphs = typesetter.Typeset(RichString(text, m_format), box);
        return Positions(m_glyphs.get());
    }
    static std::vector<std::pair<int, int>> Positions(const PlacedGlyph* glyphs)
    {
        std::vector<std::pair<int, int>> out;
        for (const PlacedGlyph* g = glyphs; g->page; ++g) out.emplace_back(g->x, g->y);
        return out;
    }
    // The glyph rectangle's x tells which character was placed.
    int SourceX(uint32_t code) { return m_font->FindGlyph(code).x; }

    using P = std::vector<std::pair<int, int>>;
    SmartPtr<FontEx> m_font;
    SmartPtr<FontSet> m_set;
    Format m_format;
    GlyphList m_glyphs;
};

TEST_F(LayoutTest, KerningAndLetterSpacing)
{
    SmartPtr<Format> format(new Format(m_format));
    format->letterSpacing = 1;
    format->flags |= Format::kLetterSpacing;
    Word word;
    word.characters.push_back(new Character('A', format));
    word.characters.push_back(new Character('V', format));
    word.Measure(nullptr);
    EXPECT_EQ(word.width, 10 + 12 - 2 + 2 * 1);

    Set(Format::kLetterSpacing, 1);
    EXPECT_EQ(Lay(L"AV", {0, 0, 100, 0}), (P{{0, 0}, {9, 0}}));
    EXPECT_EQ(Lay(L"A V", {0, 0, 100, 0}), (P{{0, 0}, {11, 0}, {22, 0}}));  // no kerning across words
    Set(Format::kLetterSpacing, -20);
    EXPECT_EQ(Lay(L"ab", {0, 0, 100, 0}), (P{{0, 0}, {0, 0}}));

    EXPECT_EQ(Typesetter::MeasureText(L"AVa", m_font), 10 + 12 - 2 + 10);
    GlyphList plain = Typesetter::LayoutPlain(L"AV\na", m_font);
    EXPECT_EQ(Positions(plain.get()), (P{{0, 0}, {8, 0}, {20, 0}, {0, 16}}));
}

TEST_F(LayoutTest, Alignment)
{
    Set(Format::kAlignment, 1);
    EXPECT_EQ(Lay(L"abcdef", {5, 0, 100, 0}).front().first, 5 + 40);
    Set(Format::kAlignment, 2);
    EXPECT_EQ(Lay(L"abcdef", {5, 0, 100, 0}).front().first, 5 + 20);

    // Odd free space halves toward zero, also when negative.
    SmartPtr<Format> format(new Format(m_format));
    SmartPtr<Word> word(new Word);
    word->characters.push_back(new Character('a', format));
    word->Measure(nullptr);
    for (auto [lineWidth, x] : {std::pair<int, int>{61, 19}, {101, 0}, {103, -1}}) {
        Line line;
        line.words.push_back(word);
        line.width = lineWidth;
        GlyphList list = MakeGlyphList(1);
        Cursor cursor;
        cursor.Set(list.get(), 2);
        line.Draw(cursor, {0, 0, 100, 0}, nullptr);
        EXPECT_EQ(list[0].x, x) << lineWidth;
    }
}

TEST_F(LayoutTest, WhitespaceModes)
{
    const WideString text = L"  ab   cd  ";
    Set(Format::kWhitespaceMode, 0);
    EXPECT_EQ(Lay(text, {0, 0, 1000, 0}), (P{{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}}));
    EXPECT_EQ(m_glyphs[2].source.x, SourceX(' '));
    Set(Format::kWhitespaceMode, 1);
    EXPECT_EQ(Lay(text, {0, 0, 1000, 0}).size(), 7u);
    EXPECT_EQ(m_glyphs[1].x, 10);  // one space before the first word
    Set(Format::kWhitespaceMode, 2);
    EXPECT_EQ(Lay(text, {0, 0, 1000, 0}).size(), 7u);
    EXPECT_EQ(m_glyphs[0].x, 0);
    EXPECT_EQ(m_glyphs[5].x, 50);
    Set(Format::kWhitespaceMode, 3);
    EXPECT_EQ(Lay(text, {0, 0, 1000, 0}).size(), 11u);
    EXPECT_EQ(m_glyphs[2].x, 20);  // leading spaces shift the first word
    Set(Format::kWhitespaceMode, -4);
    EXPECT_EQ(Lay(text, {0, 0, 1000, 0}).size(), 7u);

    for (int mode : {0, 2}) {
        Set(Format::kWhitespaceMode, mode);
        EXPECT_TRUE(Lay(L" \t  ", {0, 0, 100, 0}).empty());
        EXPECT_EQ(GetGlyphListWidth(m_glyphs.get()), 0);
        EXPECT_EQ(GetGlyphListHeight(m_glyphs.get()), 0);
    }
}

TEST_F(LayoutTest, LineBreaks)
{
    // Two words that fit except for the last letter: the space is dropped and
    // the right-aligned first line ends at the right edge.
    Set(Format::kAlignment, 1);
    EXPECT_EQ(Lay(L"ab cd", {0, 0, 40, 0}), (P{{20, 0}, {30, 0}, {20, 16}, {30, 16}}));
    EXPECT_EQ(Lay(L"ab cd", {0, 0, 50, 0}).size(), 5u);  // an exact fit fits
    Set(Format::kAlignment, 0);

    EXPECT_EQ(Lay(L"a\r\nb", {0, 0, 100, 0}), (P{{0, 0}, {0, 16}}));
    EXPECT_EQ(Lay(L"a\n\nb", {0, 0, 100, 0}), (P{{0, 0}, {0, 16}}));
    EXPECT_EQ(Lay(L"ab\n", {0, 0, 100, 0}), Lay(L"ab", {0, 0, 100, 0}));
    Set(Format::kLineSpacing, 5);
    EXPECT_EQ(Lay(L"\nab", {0, 0, 100, 0}), (P{{0, 5}, {10, 5}}));
    EXPECT_EQ(Lay(L"a\nb", {0, 0, 100, 0}), (P{{0, 0}, {0, 21}}));
}

TEST_F(LayoutTest, OverLongWords)
{
    EXPECT_EQ(Lay(L"abcdefghij", {0, 0, 35, 0}),
              (P{{0, 0}, {10, 0}, {20, 0}, {0, 16}, {10, 16}, {20, 16}, {0, 32}, {10, 32}, {20, 32}, {0, 48}}));
    // A first character wider than the box stands alone on its line.
    EXPECT_EQ(Lay(L"ab", {0, 0, 5, 0}), (P{{0, 0}, {0, 16}}));
    // A too-wide word after others moves whole to a new line and is cut where
    // the box's width runs out.
    EXPECT_EQ(Lay(L"ab cdefghijkl", {0, 0, 50, 0}),
              (P{{0, 0}, {10, 0}, {0, 16}, {10, 16}, {20, 16}, {30, 16}, {40, 16}}));

    EXPECT_TRUE(Lay(L"abc", {0, 0, 0, 0}).empty());
    EXPECT_TRUE(Lay(L"abc", {0, 0, -3, 0}).empty());
    EXPECT_EQ(Lay(L"a\nb", {0, 0, 100, 10}), (P{{0, 0}}));  // a height below one line still places it
    EXPECT_TRUE(Lay(L"a\nb", {0, 0, 100, -1}).empty());
}

TEST_F(LayoutTest, IdeographsBreakAnywhere)
{
    // The test font lacks these codes: they measure as its lowest-code glyph.
    EXPECT_EQ(Lay(L"a \u4E00\u4E01\u4E02", {0, 0, 35, 0}), (P{{0, 0}, {10, 0}, {20, 0}, {0, 16}, {10, 16}}));
    EXPECT_EQ(Lay(L"a \u3042\u3044\u3046", {0, 0, 35, 0}), (P{{0, 0}, {0, 16}, {10, 16}, {20, 16}}));
    EXPECT_EQ(Lay(L"a \u4E00\u3042", {0, 0, 35, 0}), (P{{0, 0}, {0, 16}, {10, 16}}));
}

TEST_F(LayoutTest, RunsKeepColoursAndInheritAlignment)
{
    Format first(m_format), second(m_format);
    first.color = {255, 0, 0, 255};
    first.alignment = 2;
    first.flags |= Format::kColor | Format::kAlignment;
    second.color = {0, 255, 0, 255};
    second.flags = Format::kColor;
    RichString text(L"ab", first);
    text.Append(L"", second).Append(L"cd", second);
    Typesetter typesetter;
    GlyphList glyphs = typesetter.Typeset(text, {0, 0, 100, 0});
    EXPECT_EQ(Positions(glyphs.get()), (P{{30, 0}, {40, 0}, {50, 0}, {60, 0}}));
    EXPECT_EQ(glyphs[1].color, (Color4{255, 0, 0, 255}));
    EXPECT_EQ(glyphs[2].color, (Color4{0, 255, 0, 255}));
}

TEST_F(LayoutTest, MissingFontsPlaceNothing)
{
    Format noFont;
    Typesetter typesetter;
    GlyphList glyphs = typesetter.Typeset(RichString(L"abc def", noFont), {0, 0, 100, 0});
    EXPECT_EQ(glyphs[0].page, nullptr);

    SmartPtr<FontEx> empty(new FontEx);
    glyphs = typesetter.TypesetWithFont(L"abc def", {0, 0, 100, 0}, empty);
    EXPECT_EQ(glyphs[0].page, nullptr);
    glyphs = Typesetter::LayoutPlain(L"abc", empty);
    EXPECT_EQ(glyphs[0].page, nullptr);
    EXPECT_EQ(Typesetter::LayoutPlain(L"abc", nullptr)[0].page, nullptr);

    // A font name the set does not hold falls back to the set's default.
    m_format.fontName = "fontbig";
    EXPECT_EQ(Lay(L"ab", {0, 0, 100, 0}).size(), 2u);
    // Typesetting without a font set uses the typesetter's own.
    typesetter.AddFont("menu", m_font);
    EXPECT_EQ(Positions(typesetter.TypesetWithDefaultFont(L"a b", {0, 0, 100, 0}).get()).size(), 3u);
    EXPECT_EQ(Positions(typesetter.LayoutPlainWithFontName(L"ab", "menu").get()).size(), 2u);
}

TEST(CursorTest, NeverEntersTheFinalSlot)
{
    SmartPtr<FontEx> font(Voke::Test::MakeTestFont());
    GlyphList list = MakeGlyphList(4);
    Cursor cursor;
    cursor.Set(list.get(), 5);
    Word word;
    for (wchar_t c : WideString(L"abcdefg")) word.characters.push_back(new Character(uint32_t(c)));
    word.Measure(font);
    word.Draw(cursor, {0, 0, 1000, 0}, font);
    EXPECT_EQ(cursor.next, 3);
    EXPECT_NE(list[3].page, nullptr);
    EXPECT_EQ(list[4].page, nullptr);
    EXPECT_EQ(list[3].x, 60);  // the last glyph drawn overwrote the last free slot
}

}  // namespace
}  // namespace Text
}  // namespace Voke
