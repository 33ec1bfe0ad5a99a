// Words, characters and lines: the pieces the typesetter cuts a text into,
// measures, breaks into lines and finally writes as placed glyphs into a
// glyph list.
//
// A glyph list is one block of count + 1 placed glyphs; the first record
// whose page is null ends it, and the last record always keeps a null page.
// Its page references are released with the block.
//
// Operations that take a font use it for every character; given null, each
// character uses the font its own format names in its own font set. A
// character for which no font can be found measures 0 and places no glyph;
// one the font lacks measures and draws as the font's replacement glyph.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "engine/core/ref_counter.h"
#include "engine/graphics/rect.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_ex.h"
#include "engine/text/format.h"

namespace Voke {
namespace Text {

struct PlacedGlyph {
    PlacedGlyph() = default;
    PlacedGlyph(int32_t x_, int32_t y_, Surface* page_, const Rect& source_)
        : x(x_), y(y_), page(page_), source(source_) {}
    PlacedGlyph(int32_t x_, int32_t y_, Surface* page_, const Rect& source_, const Color4& color_)
        : x(x_), y(y_), page(page_), source(source_), color(color_) {}

    int32_t x = 0;
    int32_t y = 0;
    SmartPtr<Surface> page;  // null ends the list
    Rect source = {0, 0, 0, 0};
    Color4 color = {0, 0, 0, 255};
};

bool operator==(const PlacedGlyph& a, const PlacedGlyph& b);
inline bool operator!=(const PlacedGlyph& a, const PlacedGlyph& b) { return !(a == b); }

// Owning handle of a glyph list.
using GlyphList = std::unique_ptr<PlacedGlyph[]>;
// A list of `count` glyph slots and the final one, all default records.
GlyphList MakeGlyphList(int count);

// The write position in a glyph list.
struct Cursor {
    PlacedGlyph* list = nullptr;
    int32_t slots = 0;  // the final slot included
    int32_t next = 0;

    void Set(PlacedGlyph* glyphs, int32_t slotCount)
    {
        list = glyphs;
        slots = slotCount;
        next = 0;
    }
    // Never moves into the final slot.
    void Advance()
    {
        if (next < slots - 2) ++next;
    }
};

class Character : public RefCounter {
public:
    explicit Character(uint32_t c) : code(c) {}
    Character(uint32_t c, Format* f) : code(c), format(f) {}

    // The font used for this character: `font` when given, else the font of
    // the character's own format name in its own format's font set, else null.
    FontEx* GetFont(FontEx* font) const;
    // Look the glyph up and cache its width (height); null without a font
    // (the cached value is then 0).
    const FontEx::Glyph* GetWidth(FontEx* font);
    const FontEx::Glyph* GetHeight(FontEx* font);
    // Writes one placed glyph at the pen's top-left corner in the format's
    // colour; nothing without a font or when the list has no free slot.
    void Draw(Cursor& cursor, const Rect& pen, FontEx* font);

    uint32_t code;
    SmartPtr<Format> format;
    int32_t height = -1;
    int32_t width = -1;
};

class Word : public RefCounter, public WeakRefCounter {
public:
    Word() = default;

    // Sum of glyph widths less kerning between neighbours, plus the letter
    // spacing once per character.
    void Measure(FontEx* font);
    // The same from the cached character widths, without kerning.
    void UpdateWidth();
    void MeasureHeight(FontEx* font);
    // Writes the word's glyphs from the pen while at least one pixel of the
    // pen's width remains.
    void Draw(Cursor& cursor, Rect pen, FontEx* font);

    // Both true for an empty word.
    bool IsBlank() const;
    bool IsBreak() const;
    bool HasCJK() const;
    // The last character's format; null for an empty word.
    Format* GetLastFormat() const;
    // Letter spacing of the last character's format; 0 for an empty word.
    int32_t GetLetterSpacing() const;

    bool CanSplitAt(int32_t limit) const;
    // Index of the first character at which the running sum of cached widths
    // exceeds `limit`; the character count when it never does.
    size_t FindSplit(int32_t limit) const;
    // Moves the characters from FindSplit on into a new word and returns it;
    // null, changing nothing, when the split falls on the first character or
    // at the end.
    SmartPtr<Word> SplitAt(int32_t limit);
    // Replaces the characters by `character`, which takes the word's format
    // (a merged one when the first and last characters differ in format).
    // Nothing for an empty word.
    void CollapseTo(Character* character);

    std::vector<SmartPtr<Character>> characters;
    WeakPtr<Word> continuation;
    int32_t height = -1;
    int32_t width = -1;
};

class Line : public RefCounter {
public:
    Line() = default;

    void Measure(FontEx* font);
    void UpdateWidth();
    void UpdateHeight(FontEx* font);
    // Writes the line's glyphs aligned in the box by its last format's
    // alignment; the cached width must be current.
    void Draw(Cursor& cursor, const Rect& box, FontEx* font);
    Format* GetLastFormat() const;

    std::list<SmartPtr<Word>> words;
    int32_t height = -1;
    int32_t width = -1;
};

// Character classes of the layout.
inline bool IsBlankCode(uint32_t c) { return c == 32 || c == 9; }
inline bool IsBreakCode(uint32_t c) { return c == 13 || c == 10; }
inline bool IsCJKCode(uint32_t c) { return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF); }

}  // namespace Text
}  // namespace Voke
