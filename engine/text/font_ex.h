// Bitmap fonts: one page image holding every glyph, a table of glyph
// rectangles by character code and a table of kerning distances by ordered
// character pair, read from an XML description:
//
//   <font>
//     <characters> <char code="65" x="5" y="0" width="11" height="16"/> ... </characters>
//     <kerning> <pair left="65" right="86" distance="1"/> ... </kerning>
//   </font>
//
// A glyph's width is its advance; glyphs share their top edge and one height.
// A kerning distance is subtracted from the pen before the right character.
// Both tables are filled while the font is built and read-only afterwards, so
// any thread may query a built font.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/graphics/surface.h"

namespace Voke {

class SeekableStream;
class Xml;

class FontEx : public RefCounter, public WeakRefCounter {
public:
    struct Glyph {
        int32_t x;
        int32_t y;
        int32_t width;
        int32_t height;
    };

    // An empty font: no glyphs, no kerning, no page.
    FontEx() = default;
    // Reads the description at `descPath` through the mount table, then the
    // page image `imageName` (an asset name, options after '@' included).
    // Never fails as a whole: a missing or damaged description leaves the
    // tables with what was read (possibly nothing), a missing page leaves the
    // page null; such a font measures and lays out, and draws nothing.
    FontEx(const NarrowString& descPath, const NarrowString& imageName);
    ~FontEx() override = default;

    // Reads a description. Glyphs end at the first "char" lacking one of its
    // attributes (or with one empty), kerning pairs likewise; the first
    // definition of a code or pair wins. A glyph whose height differs from the
    // first non-zero height ends the load with false, keeping the glyphs read
    // before it and reading no kerning. True when at least one glyph was read
    // and no height differed; false for a null, unreadable or unparsable
    // stream or document.
    bool LoadXml(SeekableStream* stream);
    bool LoadXml(const Xml* document);
    // Obtains the page image through the asset dictionary (font_page.h); true
    // when one was obtained.
    // The previous page is released either way.
    bool LoadImage(const NarrowString& imageName);
    // Sets the page directly (a font built in code).
    void SetPage(Surface* page) { m_page = page; }
    Surface* GetPage() const { return m_page; }

    // The glyph of `code`, else that of U+FFFD, else the one with the lowest
    // code; a font without glyphs answers an empty rectangle.
    const Glyph& FindGlyph(uint32_t code) const;
    // 0 for a pair that is not listed.
    int32_t FindKerning(uint32_t left, uint32_t right) const;
    // The height of the glyph with the lowest code; 0 without glyphs.
    int32_t GetLineHeight() const;
    // A code already present keeps its rectangle.
    void AddGlyph(uint32_t code, const Glyph& glyph);
    // A pair already present keeps its distance.
    void AddKerning(uint32_t left, uint32_t right, int32_t distance);
    size_t GetGlyphCount() const { return m_glyphs.size(); }
    size_t GetKerningCount() const { return m_kerning.size(); }

private:
    std::map<uint32_t, Glyph> m_glyphs;
    std::map<std::pair<uint32_t, uint32_t>, int32_t> m_kerning;
    SmartPtr<Surface> m_page;
};

// Loads the font named `name`: the part before the last '@' is the
// description, and the page image is the description's name with its
// extension replaced by "png", followed by the '@' and options when given
// ("font.xml@linear" reads "font.xml" and the page "font.png@linear").
// Never null (see the FontEx constructor).
FontEx* LoadFontEx(const NarrowString& name);

// The font named `name` shared through the engine's asset dictionary (a weak
// entry: the font stays loaded while someone holds it), loaded with LoadFontEx
// on a miss; without a dictionary a new LoadFontEx. Never null.
SmartPtr<FontEx> GetCachedFont(const NarrowString& name);

}  // namespace Voke
