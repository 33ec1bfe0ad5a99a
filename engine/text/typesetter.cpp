#include "engine/text/typesetter.h"

#include <algorithm>
#include <climits>

namespace Voke {
namespace Text {

// Splitting runs into words

void Typesetter::SplitWords(LayoutState& state, const RichString::Run& run)
{
    SmartPtr<Format> copy(new Format(run.format));
    if (!state.baseFormat) {
        state.baseFormat = copy;
        if (!copy->fontSet || !copy->fontSet->HasDefault()) copy->fontSet = fontSet;
    } else {
        state.baseFormat->child = copy.Get();
        copy->parent = state.baseFormat.Get();
        copy->InheritFontSet();
    }
    if (state.words.empty()) state.words.push_back(SmartPtr<Word>(new Word));

    bool previousCJK = false;
    for (wchar_t wc : run.text) {
        const uint32_t code = uint32_t(wc);
        Word* last = state.words.back();
        bool startWord;
        if (last->characters.empty())
            startWord = false;
        else if (IsCJKCode(code) && previousCJK)
            startWord = true;
        else if (IsBlankCode(code))
            // A blank after a break word starts a word of its own, so that
            // words stay purely blanks or purely breaks.
            startWord = !last->IsBlank();
        else if (IsBreakCode(code))
            startWord = !last->IsBreak();
        else
            startWord = last->IsBlank() || last->IsBreak();
        if (startWord) {
            state.words.push_back(SmartPtr<Word>(new Word));
            last = state.words.back();
        }
        last->characters.push_back(SmartPtr<Character>(new Character(code, copy.Get())));
        previousCJK = IsCJKCode(code);
    }
}

// Whitespace

void Typesetter::ApplyWhitespaceMode(LayoutState& state)
{
    const int32_t mode = state.baseFormat ? state.baseFormat->GetWhitespaceMode() : 0;
    std::list<SmartPtr<Word>>& words = state.words;
    if (mode != 1 && mode != 3) {
        while (!words.empty() && words.front()->IsBlank()) words.pop_front();
        while (!words.empty() && words.back()->IsBlank()) words.pop_back();
    }
    if (mode != 0 && mode != 1) return;
    for (auto it = words.begin(); it != words.end(); ++it) {
        Word* w = *it;
        if (w->characters.empty() || !w->IsBlank()) continue;
        SmartPtr<Character> space(new Character(32));
        w->CollapseTo(space);
        if (it == words.begin() && space->format) state.baseFormat = space->format;
    }
}

// Line breaking

void Typesetter::BreakLines(LayoutState& state, int32_t width)
{
    state.lines.clear();
    state.lines.push_back(SmartPtr<Line>(new Line));
    int32_t used = 0;
    for (auto it = state.words.begin(); it != state.words.end(); ++it) {
        Word* w = *it;
        const int32_t ww = w->width;
        Line* line = state.lines.back();
        if (w->IsBreak()) {
            if (!line->words.empty() && line->words.back()->IsBlank()) line->words.pop_back();
            state.lines.push_back(SmartPtr<Line>(new Line));
            used = 0;
        } else if (int64_t(used) + ww <= width) {
            line->words.push_back(w);
            used += ww;
        } else if (line->words.empty()) {
            const int32_t room = width - used;
            const int32_t limit = w->CanSplitAt(room) ? room : w->characters.front()->width;
            SmartPtr<Word> rest = w->SplitAt(limit);
            if (rest) state.words.insert(std::next(it), rest);
            line->words.push_back(w);
            state.lines.push_back(SmartPtr<Line>(new Line));
            used = 0;
        } else {
            if (line->words.back()->IsBlank()) line->words.pop_back();
            state.lines.push_back(SmartPtr<Line>(new Line));
            if (w->IsBlank()) {
                used = 0;
            } else {
                state.lines.back()->words.push_back(w);
                used = ww;
            }
        }
    }
}

// Typesetting

GlyphList Typesetter::Typeset(const RichString& text, const Rect& rect)
{
    LayoutState state;
    for (const RichString::Run& run : text.runs)
        if (!run.text.empty()) SplitWords(state, run);
    if (state.words.empty()) return MakeGlyphList(0);

    const bool single = IsSingleFont(state);
    // Line spacing comes from the text's last character, before trimming.
    SmartPtr<Format> spacingFormat(GetLastWordFormat(state));
    const int32_t lineSpacing = spacingFormat ? spacingFormat->GetLineSpacing() : 0;

    ApplyWhitespaceMode(state);

    FontEx* font = nullptr;
    const Format* base = state.baseFormat;
    if (single && base && base->fontSet) font = base->fontSet->Find(base->fontName);

    for (const SmartPtr<Word>& w : state.words) w->Measure(font);
    BreakLines(state, rect.w);
    for (const SmartPtr<Line>& line : state.lines) {
        line->UpdateWidth();
        line->UpdateHeight(font);
    }

    const int count = CountCharacters(state);
    GlyphList glyphs = MakeGlyphList(count);
    Cursor cursor;
    cursor.Set(glyphs.get(), count + 1);
    Rect pen = rect;
    for (const SmartPtr<Line>& line : state.lines) {
        if (rect.h != 0 && pen.h <= 0) break;
        if (!line->words.empty()) line->Draw(cursor, pen, font);
        const int32_t step = line->height + lineSpacing;
        pen.y += step;
        pen.h -= step;
    }
    return glyphs;
}

GlyphList Typesetter::TypesetWithFont(const WideString& text, const Rect& rect, FontEx* font)
{
    SmartPtr<FontSet> set(new FontSet);
    set->Add("default", font);
    Format format;
    format.fontSet = set;
    format.fontName = "default";
    format.flags = Format::kFontName;
    const RichString rich(text, format);
    return Typeset(rich, rect);
}

GlyphList Typesetter::TypesetWithFontName(const WideString& text, const Rect& rect, const NarrowString& fontName)
{
    Format format;
    format.fontSet = fontSet;
    format.fontName = fontName;
    format.flags = Format::kFontName;
    const RichString rich(text, format);
    return Typeset(rich, rect);
}

GlyphList Typesetter::TypesetWithDefaultFont(const WideString& text, const Rect& rect)
{
    if (!fontSet) return MakeGlyphList(0);
    return TypesetWithFontName(text, rect, fontSet->GetDefaultName());
}

void Typesetter::AddFont(const NarrowString& name, FontEx* font)
{
    if (!fontSet) fontSet = new FontSet;
    fontSet->Add(name, font);
}

// Plain layout

GlyphList Typesetter::LayoutPlain(const WideString& text, FontEx* font)
{
    if (!font) return MakeGlyphList(0);
    const int count = int(std::min<size_t>(text.size(), INT_MAX - 1));
    GlyphList glyphs = MakeGlyphList(count);
    int32_t penX = 0, penY = 0;
    uint32_t previous = 0;
    bool hasPrevious = false;
    for (int i = 0; i < count; ++i) {
        const uint32_t code = uint32_t(text[size_t(i)]);
        const int32_t k = hasPrevious ? font->FindKerning(previous, code) : 0;
        const FontEx::Glyph& glyph = font->FindGlyph(code);
        PlacedGlyph& slot = glyphs[size_t(i)];
        slot.x = penX - k;
        slot.y = penY;
        slot.page = font->GetPage();
        slot.source = {glyph.x, glyph.y, glyph.width, glyph.height};
        if (code == 10) {
            penX = 0;
            penY += glyph.height;
            hasPrevious = false;
        } else {
            penX = penX - k + glyph.width;
            previous = code;
            hasPrevious = true;
        }
    }
    return glyphs;
}

GlyphList Typesetter::LayoutPlainWithFontName(const WideString& text, const NarrowString& fontName)
{
    return LayoutPlain(text, fontSet ? fontSet->Find(fontName) : nullptr);
}

GlyphList Typesetter::LayoutPlainWithDefaultFont(const WideString& text)
{
    return LayoutPlain(text, fontSet ? fontSet->Find(fontSet->GetDefaultName()) : nullptr);
}

int32_t Typesetter::MeasureText(const WideString& text, FontEx* font)
{
    if (!font) return 0;
    int32_t width = 0;
    uint32_t previous = 0;
    bool hasPrevious = false;
    for (wchar_t wc : text) {
        const uint32_t code = uint32_t(wc);
        width += font->FindGlyph(code).width;
        if (hasPrevious) width -= font->FindKerning(previous, code);
        previous = code;
        hasPrevious = true;
    }
    return width;
}

// Queries

int CountCharacters(const Typesetter::LayoutState& state)
{
    int count = 0;
    for (const SmartPtr<Line>& line : state.lines)
        for (const SmartPtr<Word>& w : line->words) count += int(w->characters.size());
    return count;
}

Format* GetLastWordFormat(const Typesetter::LayoutState& state)
{
    return state.words.empty() ? nullptr : state.words.back()->GetLastFormat();
}

bool IsSingleFont(const Typesetter::LayoutState& state)
{
    const Format* base = state.baseFormat;
    if (!base || !base->child.Get()) return true;
    return base->fontSet && base->fontSet->GetCount() == 1;
}

namespace {

template <class Pos, class Size>
int32_t Extent(const PlacedGlyph* glyphs, Pos pos, Size size)
{
    if (!glyphs) return 0;
    if (!glyphs[0].page) return size(glyphs[0]);
    int32_t low = pos(glyphs[0]), high = pos(glyphs[0]) + size(glyphs[0]);
    for (const PlacedGlyph* g = glyphs; g->page; ++g) {
        low = std::min(low, pos(*g));
        high = std::max(high, pos(*g) + size(*g));
    }
    return high - low;
}

}  // namespace

int32_t GetGlyphListWidth(const PlacedGlyph* glyphs)
{
    return Extent(glyphs, [](const PlacedGlyph& g) { return g.x; }, [](const PlacedGlyph& g) { return g.source.w; });
}

int32_t GetGlyphListHeight(const PlacedGlyph* glyphs)
{
    return Extent(glyphs, [](const PlacedGlyph& g) { return g.y; }, [](const PlacedGlyph& g) { return g.source.h; });
}

}  // namespace Text
}  // namespace Voke
