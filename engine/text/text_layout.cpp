#include "engine/text/text_layout.h"

namespace Voke {
namespace Text {

bool operator==(const PlacedGlyph& a, const PlacedGlyph& b)
{
    return a.x == b.x && a.y == b.y && a.page.Get() == b.page.Get() && a.source == b.source && a.color == b.color;
}

GlyphList MakeGlyphList(int count)
{
    if (count < 0) count = 0;
    return GlyphList(new PlacedGlyph[size_t(count) + 1]);
}

// Character

FontEx* Character::GetFont(FontEx* font) const
{
    if (font) return font;
    if (!format || !format->fontSet) return nullptr;
    return format->fontSet->Find(format->fontName);
}

const FontEx::Glyph* Character::GetWidth(FontEx* font)
{
    FontEx* f = GetFont(font);
    const FontEx::Glyph* glyph = f ? &f->FindGlyph(code) : nullptr;
    width = glyph ? glyph->width : 0;
    return glyph;
}

const FontEx::Glyph* Character::GetHeight(FontEx* font)
{
    FontEx* f = GetFont(font);
    const FontEx::Glyph* glyph = f ? &f->FindGlyph(code) : nullptr;
    height = glyph ? glyph->height : 0;
    return glyph;
}

void Character::Draw(Cursor& cursor, const Rect& pen, FontEx* font)
{
    FontEx* f = GetFont(font);
    if (!f || !cursor.list || cursor.next < 0 || cursor.next >= cursor.slots - 1) return;
    const FontEx::Glyph& glyph = f->FindGlyph(code);
    PlacedGlyph& slot = cursor.list[cursor.next];
    slot.x = pen.x;
    slot.y = pen.y;
    slot.page = f->GetPage();
    slot.source = {glyph.x, glyph.y, glyph.width, glyph.height};
    slot.color = format ? format->GetColor() : Color4{0, 0, 0, 255};
    cursor.Advance();
}

// Word

int32_t Word::GetLetterSpacing() const
{
    const Format* f = GetLastFormat();
    return f ? f->GetLetterSpacing() : 0;
}

Format* Word::GetLastFormat() const { return characters.empty() ? nullptr : characters.back()->format.Get(); }

void Word::Measure(FontEx* font)
{
    int32_t sum = 0;
    uint32_t previous = 0;
    for (const SmartPtr<Character>& c : characters) {
        c->GetWidth(font);
        sum += c->width;
        if (FontEx* f = c->GetFont(font)) sum -= f->FindKerning(previous, c->code);
        previous = c->code;
    }
    width = sum + int32_t(characters.size()) * GetLetterSpacing();
}

void Word::UpdateWidth()
{
    int32_t sum = 0;
    for (const SmartPtr<Character>& c : characters) sum += c->width;
    width = sum + int32_t(characters.size()) * GetLetterSpacing();
}

void Word::MeasureHeight(FontEx* font)
{
    int32_t tallest = 0;
    for (const SmartPtr<Character>& c : characters) {
        c->GetHeight(font);
        if (c->height > tallest) tallest = c->height;
    }
    height = tallest;
}

void Word::Draw(Cursor& cursor, Rect pen, FontEx* font)
{
    const int32_t spacing = GetLetterSpacing();
    uint32_t previous = 0;
    for (const SmartPtr<Character>& c : characters) {
        if (pen.w < 1) break;
        FontEx* f = c->GetFont(font);
        const int32_t k = f ? f->FindKerning(previous, c->code) : 0;
        pen.x -= k;
        pen.w += k;
        c->Draw(cursor, pen, font);
        if (c->width < 0) c->GetWidth(font);
        const int32_t advance = spacing + c->width;
        if (advance > 0) {
            pen.x += advance;
            pen.w -= advance;
        }
        previous = c->code;
    }
}

bool Word::IsBlank() const
{
    for (const SmartPtr<Character>& c : characters)
        if (!IsBlankCode(c->code)) return false;
    return true;
}

bool Word::IsBreak() const
{
    for (const SmartPtr<Character>& c : characters)
        if (!IsBreakCode(c->code)) return false;
    return true;
}

bool Word::HasCJK() const
{
    for (const SmartPtr<Character>& c : characters)
        if (IsCJKCode(c->code)) return true;
    return false;
}

bool Word::CanSplitAt(int32_t limit) const
{
    if (characters.empty()) return false;
    return characters.front()->width <= limit && limit < width;
}

size_t Word::FindSplit(int32_t limit) const
{
    int32_t sum = 0;
    for (size_t i = 0; i < characters.size(); ++i) {
        sum += characters[i]->width;
        if (sum > limit) return i;
    }
    return characters.size();
}

SmartPtr<Word> Word::SplitAt(int32_t limit)
{
    const size_t split = FindSplit(limit);
    if (split == 0 || split >= characters.size()) return SmartPtr<Word>();
    SmartPtr<Word> rest(new Word);
    rest->characters.assign(characters.begin() + std::ptrdiff_t(split), characters.end());
    characters.erase(characters.begin() + std::ptrdiff_t(split), characters.end());
    continuation = rest.Get();
    UpdateWidth();
    rest->UpdateWidth();
    return rest;
}

void Word::CollapseTo(Character* character)
{
    if (characters.empty() || !character) return;
    Format* first = characters.front()->format.Get();
    Format* last = characters.back()->format.Get();
    if (first == last) {
        character->format = first;
    } else {
        SmartPtr<Format> merged(new Format);
        merged->Resolve(first, last);
        // The merged format needs a font set to find its font by name: every
        // format of a layout shares the first one's set.
        if (first) merged->fontSet = first->fontSet;
        merged->InsertBetween(first, last);
        character->format = merged;
    }
    SmartPtr<Character> keep(character);
    characters.clear();
    characters.push_back(keep);
}

// Line

void Line::Measure(FontEx* font)
{
    int32_t sum = 0;
    for (const SmartPtr<Word>& w : words) {
        w->Measure(font);
        sum += w->width;
    }
    width = sum;
}

void Line::UpdateWidth()
{
    int32_t sum = 0;
    for (const SmartPtr<Word>& w : words) sum += w->width;
    width = sum;
}

void Line::UpdateHeight(FontEx* font)
{
    int32_t tallest = 0;
    for (const SmartPtr<Word>& w : words) {
        w->MeasureHeight(font);
        if (w->height > tallest) tallest = w->height;
    }
    height = tallest;
}

Format* Line::GetLastFormat() const { return words.empty() ? nullptr : words.back()->GetLastFormat(); }

void Line::Draw(Cursor& cursor, const Rect& box, FontEx* font)
{
    const Format* last = GetLastFormat();
    const int32_t alignment = last ? last->GetAlignment() : 0;
    int32_t offset = 0;
    if (alignment == 1)
        offset = box.w - width;
    else if (alignment == 2)
        offset = (box.w - width) / 2;
    Rect pen = {box.x + offset, box.y, box.w, box.h};
    for (const SmartPtr<Word>& w : words) {
        if (pen.w < 1) break;
        w->Draw(cursor, pen, font);
        pen.x += w->width;
        pen.w -= w->width;
    }
}

}  // namespace Text
}  // namespace Voke
