// Screen texts: a text laid out once, at construction, into a glyph list, with
// the width and height callers align it by; drawn every frame by blitting
// each glyph's rectangle out of its font page.
//
// Glyphs on alpha-only pages (A8) are drawn tinted with their colour; glyphs
// on colour pages keep their own colours. The optional shadow is every glyph
// in opaque black one pixel right and down, drawn before the first glyph.
// A text whose first glyph has no page, or a page of opacity 0, draws
// nothing. Built on any thread; drawn on the main thread only.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_ex.h"
#include "engine/text/format.h"
#include "engine/text/rich_string.h"
#include "engine/text/text_layout.h"

namespace Voke {

class ScreenText : public RefCounter {
public:
    struct Size {
        int32_t width;
        int32_t height;
    };

    // Typesets the text in the format into the box (0, 0, size). Width is
    // the size's; height the size's, or the laid-out height when it is 0.
    ScreenText(const Text::Format& format, const WideString& text, const Size& size);
    ScreenText(const RichString& text, const Size& size);
    // The text in that one font.
    ScreenText(FontEx* font, const WideString& text, const Size& size);
    // Plain layout in one font (no wrapping); width is the laid-out width,
    // height one line's (the first glyph's) height, 0 for an empty text.
    ScreenText(FontEx* font, const WideString& text);
    // Takes over a glyph list; the size is its extent.
    explicit ScreenText(Text::GlyphList glyphs);
    ~ScreenText() override = default;

    // Width and height as the constructors above; the glyphs do not move.
    void SetSize(const Size& size);
    void Draw(Surface* target, int x, int y) const;
    // Rotated by `angle` radians and scaled by `scale` about `pivot` (in the
    // text's own coordinates), which lands on (x, y).
    void DrawTransformed(Surface* target, float x, float y, float angle, float scale, const float pivot[2]) const;

    const Text::PlacedGlyph* GetGlyphs() const { return glyphs.get(); }

    Text::GlyphList glyphs;
    int32_t width = 0;
    int32_t height = 0;
    bool shadow = false;

private:
    bool IsVisible() const;
};

}  // namespace Voke
