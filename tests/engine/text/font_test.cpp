// Bitmap fonts: reading descriptions, glyph and kerning lookup, and the fonts
// the font builder makes.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/core/asset_dict.h"
#include "engine/core/vfs.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/core/xml.h"
#include "engine/text/font_ex.h"
#include "tests/support/temp_dir.h"
#include "text_test_support.h"

namespace Voke {
namespace {

SmartPtr<FontEx> FontFromXml(const std::string& xml, bool* result = nullptr)
{
    SmartPtr<FontEx> font(new FontEx);
    SmartPtr<Xml> document(Xml::Create(xml));
    const bool ok = font->LoadXml(document.Get());
    if (result) *result = ok;
    return font;
}

std::string Char(const std::string& attributes) { return "<char " + attributes + "/>"; }

TEST(FontXmlTest, IncompleteCharEndsTheListAndKerningIsStillRead)
{
    bool ok = false;
    SmartPtr<FontEx> font = FontFromXml(
        "<font><characters>" + Char(R"(code="65" x="0" y="0" width="10" height="20")") + "<other/>" +
            Char(R"(code="66" x="10" y="0" width="10" height="20")") +
            Char(R"(code="67" x="20" y="0" height="20")") + Char(R"(code="68" x="30" y="0" width="9" height="20")") +
            "</characters><kerning><pair left=\"65\" right=\"66\" distance=\"3\"/>"
            "<pair left=\"66\" right=\"65\"/><pair left=\"67\" right=\"65\" distance=\"1\"/></kerning></font>",
        &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(font->GetGlyphCount(), 2u);
    EXPECT_EQ(font->FindKerning('A', 'B'), 3);
    EXPECT_EQ(font->FindKerning('B', 'A'), 0);
    EXPECT_EQ(font->GetKerningCount(), 1u);

    font = FontFromXml("<f><characters>" + Char(R"(code="" x="0" y="0" width="10" height="20")") +
                           "</characters></f>",
                       &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(font->GetGlyphCount(), 0u);
}

TEST(FontXmlTest, HeightConflictStopsTheLoad)
{
    bool ok = true;
    SmartPtr<FontEx> font = FontFromXml(
        "<f><characters>" + Char(R"(code="65" x="0" y="0" width="10" height="20")") +
            Char(R"(code="66" x="0" y="0" width="10" height="20")") +
            Char(R"(code="67" x="0" y="0" width="10" height="22")") +
            "</characters><kerning><pair left=\"65\" right=\"66\" distance=\"3\"/></kerning></f>",
        &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(font->GetGlyphCount(), 2u);
    EXPECT_EQ(font->GetKerningCount(), 0u);

    font = FontFromXml("<f><characters>" + Char(R"(code="32" x="0" y="0" width="4" height="0")") +
                           Char(R"(code="65" x="0" y="0" width="10" height="20")") + "</characters></f>",
                       &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(font->FindGlyph(' ').height, 0);
    EXPECT_EQ(font->FindGlyph('A').height, 20);
    EXPECT_EQ(font->GetLineHeight(), 0);  // the glyph with the lowest code
}

TEST(FontXmlTest, NumbersAndDuplicates)
{
    SmartPtr<FontEx> font = FontFromXml(
        "<f><characters>" + Char(R"(code="65" x="0x10" y="010" width="10" height="20")") +
        Char(R"(code="65" x="99" y="0" width="10" height="20")") +
        Char(R"(code="0x41" x="1" y="2" width="3" height="20")") + "</characters></f>");
    EXPECT_EQ(font->FindGlyph('A').x, 16);
    EXPECT_EQ(font->FindGlyph('A').y, 8);
    EXPECT_EQ(font->FindGlyph(0).width, 3);  // "0x41" is no decimal code: it reads 0
}

TEST(FontXmlTest, FallbackGlyphs)
{
    SmartPtr<FontEx> font = FontFromXml("<f><characters>" + Char(R"(code="66" x="1" y="0" width="10" height="20")") +
                                        Char(R"(code="65" x="2" y="0" width="10" height="20")") +
                                        "</characters></f>");
    EXPECT_EQ(font->FindGlyph('z').x, 2);  // the lowest code
    font->AddGlyph(0xFFFD, {7, 0, 10, 20});
    EXPECT_EQ(font->FindGlyph('z').x, 7);
}

TEST(FontXmlTest, DamagedOrMissingDescriptionsGiveAnEmptyFont)
{
    bool ok = true;
    SmartPtr<FontEx> font = FontFromXml("<f><characters><char code=", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(font->FindGlyph('A').width, 0);
    EXPECT_EQ(font->GetLineHeight(), 0);
    EXPECT_FALSE(font->LoadXml(static_cast<SeekableStream*>(nullptr)));

    Vfs::Init();
    VokeTest::TempDir dir;
    std::ofstream(dir / "broken.xml") << "\x01\x02 not xml <<<";
    ASSERT_NE(Vfs::MountDirectory(dir.Path() + "/", "", 0), nullptr);
    SmartPtr<FontEx> broken(LoadFontEx("broken.xml@linear"));
    SmartPtr<FontEx> missing(LoadFontEx("missing.xml"));
    EXPECT_EQ(broken->GetGlyphCount(), 0u);
    EXPECT_EQ(missing->GetGlyphCount(), 0u);
    EXPECT_EQ(missing->GetPage(), nullptr);
    Vfs::Shutdown();
}

// Pages come through the asset dictionary: fonts of one image share a page,
// and fonts asked for by name are shared while someone holds them.
class FontPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetSurfaceFileLoader([](const NarrowString& path) -> Surface* {
            ++s_loads;
            return Voke::Test::LoadPngPage(Voke::Test::FontDir() + "/" + path);
        });
        s_loads = 0;
        Vfs::Init();
        ASSERT_NE(Vfs::MountDirectory(Voke::Test::FontDir() + "/", "", 0), nullptr);
    }
    void TearDown() override
    {
        AssetDict::s_engine.Reset();
        SetSurfaceFileLoader(nullptr);
        Vfs::Shutdown();
    }
    static int s_loads;
};
int FontPageTest::s_loads = 0;

TEST_F(FontPageTest, WithoutADictionaryEveryFontLoadsItsPage)
{
    SmartPtr<FontEx> a(LoadFontEx("fontMenu.xml")), b(GetCachedFont("fontMenu.xml"));
    ASSERT_NE(a->GetPage(), nullptr);
    EXPECT_EQ(a->GetPage()->GetPixelData()->GetFormat(), uint32_t(A8));
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_NE(a->GetPage(), b->GetPage());
    EXPECT_EQ(s_loads, 2);
}

TEST_F(FontPageTest, TheDictionarySharesPagesAndFonts)
{
    AssetDict::s_engine = new AssetDict;
    SmartPtr<FontEx> a(LoadFontEx("fontMenu.xml")), b(LoadFontEx("fontMenu.xml@linear"));
    SmartPtr<FontEx> c(LoadFontEx("fontMenu.xml"));
    EXPECT_EQ(a->GetPage(), c->GetPage());
    EXPECT_NE(a->GetPage(), b->GetPage());  // another image name: another page
    EXPECT_TRUE(b->GetPage()->TestFlags(Surface::kLinear));
    EXPECT_EQ(s_loads, 2);

    SmartPtr<FontEx> cached(GetCachedFont("fontbig.xml"));
    EXPECT_EQ(GetCachedFont("fontbig.xml").Get(), cached.Get());
    EXPECT_GT(cached->GetLineHeight(), a->GetLineHeight());
    cached.Reset();  // the dictionary does not keep fonts alive
    a.Reset();
    c.Reset();
    SmartPtr<FontEx> again(LoadFontEx("fontMenu.xml"));
    EXPECT_EQ(s_loads, 4);  // fontbig's page, then fontMenu's page again

    SmartPtr<FontEx> missing(GetCachedFont("nothing.xml"));
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->GetPage(), nullptr);
    EXPECT_EQ(missing->GetGlyphCount(), 0u);
}

// Every letter and mark of English, French, Italian, German and Spanish texts
// has its own glyph with ink in the built page.
TEST(BuiltFontTest, CoversTheFiveLanguages)
{
    for (const char* name : {"fontMenu.xml", "fontbig.xml"}) {
        SmartPtr<FontEx> font(Voke::Test::LoadBuiltFont(name));
        ASSERT_NE(font->GetPage(), nullptr) << name;
        PixelData* pixels = font->GetPage()->GetPixelData();
        ASSERT_NE(pixels, nullptr);
        const WideString letters =
            L"ABCXYZabcxyz0123456789!?.,;:'\"()-"
            L"àâæçéèêëîïôœùûüÿÀÂÆÇÉÈÊËÎÏÔŒÙÛÜŸ«»‹›€–—…“”‘’"  // French
            L"àèéìíîòóùúÀÈÉÌÍÎÒÓÙÚ"                          // Italian
            L"äöüßÄÖÜ„“‚‘"                                   // German
            L"áéíñóúüÁÉÍÑÓÚÜ¿¡ºª";                            // Spanish
        int pageWidth = 0;
        const std::string png = Voke::Test::FontDir() + "/" + std::string(name).substr(0, std::string(name).size() - 3) + "png";
        const std::vector<uint8_t> coverage = Voke::Test::ReadPngCoverage(png, pageWidth);
        ASSERT_FALSE(coverage.empty());
        const FontEx::Glyph& fallback = font->FindGlyph(0xFFFD);
        for (wchar_t c : letters) {
            const FontEx::Glyph& g = font->FindGlyph(uint32_t(c));
            EXPECT_NE(&g, &fallback) << name << " lacks U+" << std::hex << unsigned(c);
            EXPECT_GT(g.width, 0);
            EXPECT_EQ(g.height, font->GetLineHeight());
            int ink = 0;
            for (int y = g.y; y < g.y + g.height; ++y)
                for (int x = g.x; x < g.x + g.width; ++x) ink += coverage[size_t(y) * pageWidth + x] > 128;
            EXPECT_GT(ink, 0) << name << " draws nothing for U+" << std::hex << unsigned(c);
        }
    }
}

}  // namespace
}  // namespace Voke
