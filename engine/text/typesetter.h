// The typesetter: turns a rich string into a glyph list. It splits the runs
// into words, applies the text's whitespace mode, measures the words with
// their fonts, breaks them into lines no wider than a rectangle, aligns each
// line and stacks the lines downwards, as far as the rectangle's height when
// that is not 0.
//
// Whitespace modes (the base format's attribute 0x40):
//   0  leading and trailing blanks removed, blanks between words become one space
//   1  every run of blanks, leading and trailing ones too, becomes one space
//   2  leading and trailing blanks removed, the others kept
//   3  every blank kept
//   other values act as 2.
//
// Every layout needs a font from a font set (the first run's, else the
// typesetter's); characters for which none is found place no glyph. Layout
// never fails otherwise: the worst result is a list without glyphs.
#pragma once

#include <list>
#include <vector>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/graphics/rect.h"
#include "engine/text/font_ex.h"
#include "engine/text/font_set.h"
#include "engine/text/format.h"
#include "engine/text/rich_string.h"
#include "engine/text/text_layout.h"

namespace Voke {
namespace Text {

class Typesetter : public RefCounter {
public:
    // The working state of one Typeset call.
    struct LayoutState {
        std::vector<SmartPtr<Line>> lines;
        std::list<SmartPtr<Word>> words;
        // The heap format of the first non-empty run. Held owning for the
        // whole call: trimming may remove every character of the first run,
        // and the layout still reads its font and whitespace mode.
        SmartPtr<Format> baseFormat;
    };

    Typesetter() = default;
    ~Typesetter() override = default;

    // Lays the rich string out in `rect` (lines from its x, y, broken for its
    // width; height 0 means no limit).
    GlyphList Typeset(const RichString& text, const Rect& rect);
    // The text in one font, named "default" in a new font set.
    GlyphList TypesetWithFont(const WideString& text, const Rect& rect, FontEx* font);
    // The text in the font of that name in this typesetter's font set.
    GlyphList TypesetWithFontName(const WideString& text, const Rect& rect, const NarrowString& fontName);
    // The same with the font set's default name.
    GlyphList TypesetWithDefaultFont(const WideString& text, const Rect& rect);
    // Creates the font set when needed and adds the font to it.
    void AddFont(const NarrowString& name, FontEx* font);
    FontSet* GetFontSet() const { return fontSet; }

    // One record per character, line feeds included; kerning between
    // neighbours, a new line only at a line feed (moving down by that record's
    // height), no wrapping, spacing or alignment, default colour. A null font
    // gives a list without glyphs.
    static GlyphList LayoutPlain(const WideString& text, FontEx* font);
    GlyphList LayoutPlainWithFontName(const WideString& text, const NarrowString& fontName);
    GlyphList LayoutPlainWithDefaultFont(const WideString& text);
    // Sum of glyph widths less kerning between neighbours; 0 without a font.
    static int32_t MeasureText(const WideString& text, FontEx* font);

    SmartPtr<FontSet> fontSet;

private:
    void SplitWords(LayoutState& state, const RichString::Run& run);
    static void ApplyWhitespaceMode(LayoutState& state);
    static void BreakLines(LayoutState& state, int32_t width);
};

// Queries on a layout state.
int CountCharacters(const Typesetter::LayoutState& state);
// The format of the last character of the last word; null when there is none.
Format* GetLastWordFormat(const Typesetter::LayoutState& state);
bool IsSingleFont(const Typesetter::LayoutState& state);

// The extent of the glyphs placed before the first null page; when the
// first record is already null, that record's own source width (height).
int32_t GetGlyphListWidth(const PlacedGlyph* glyphs);
int32_t GetGlyphListHeight(const PlacedGlyph* glyphs);

}  // namespace Text
}  // namespace Voke
