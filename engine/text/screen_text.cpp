#include "engine/text/screen_text.h"

#include "engine/text/typesetter.h"

namespace Voke {

namespace {

bool IsAlphaOnly(Surface* page) { return page->GetPixelData() && page->GetPixelData()->GetFormat() == A8; }

Color ToColor(const Text::Color4& c) { return MakeColor(c[0], c[1], c[2], c[3]); }

const Color kShadow = MakeColor(0, 0, 0, 255);

}  // namespace

ScreenText::ScreenText(const Text::Format& format, const WideString& text, const Size& size)
    : ScreenText(RichString(text, format), size)
{
}

ScreenText::ScreenText(const RichString& text, const Size& size)
{
    Text::Typesetter typesetter;
    glyphs = typesetter.Typeset(text, {0, 0, size.width, size.height});
    SetSize(size);
}

ScreenText::ScreenText(FontEx* font, const WideString& text, const Size& size)
{
    Text::Typesetter typesetter;
    glyphs = typesetter.TypesetWithFont(text, {0, 0, size.width, size.height}, font);
    SetSize(size);
}

ScreenText::ScreenText(FontEx* font, const WideString& text)
    : glyphs(Text::Typesetter::LayoutPlain(text, font))
{
    width = Text::GetGlyphListWidth(glyphs.get());
    height = text.empty() ? 0 : glyphs[0].source.h;
}

ScreenText::ScreenText(Text::GlyphList list) : glyphs(std::move(list))
{
    width = Text::GetGlyphListWidth(glyphs.get());
    height = Text::GetGlyphListHeight(glyphs.get());
}

void ScreenText::SetSize(const Size& size)
{
    width = size.width;
    height = size.height != 0 ? size.height : Text::GetGlyphListHeight(glyphs.get());
}

bool ScreenText::IsVisible() const
{
    return glyphs && glyphs[0].page && glyphs[0].page->GetOpacity() != 0;
}

void ScreenText::Draw(Surface* target, int x, int y) const
{
    if (!IsVisible()) return;
    if (shadow)
        for (const Text::PlacedGlyph* g = glyphs.get(); g->page; ++g)
            Surface::BlitTinted(target, x + g->x + 1, y + g->y + 1, &kShadow, g->page, &g->source);
    for (const Text::PlacedGlyph* g = glyphs.get(); g->page; ++g) {
        if (IsAlphaOnly(g->page)) {
            const Color color = ToColor(g->color);
            Surface::BlitTinted(target, x + g->x, y + g->y, &color, g->page, &g->source);
        } else {
            Surface::Blit(target, x + g->x, y + g->y, g->page, &g->source);
        }
    }
}

void ScreenText::DrawTransformed(Surface* target, float x, float y, float angle, float scale,
                                 const float pivot[2]) const
{
    if (!IsVisible()) return;
    const float scales[2] = {scale, scale};
    const uint8_t black[3] = {0, 0, 0};
    if (shadow)
        for (const Text::PlacedGlyph* g = glyphs.get(); g->page; ++g) {
            const float anchor[2] = {pivot[0] - float(g->x), pivot[1] - float(g->y)};
            Surface::BlitTransformedTinted(target, g->page, x + 1, y + 1, angle, scales, anchor, 0, g->source, black);
        }
    for (const Text::PlacedGlyph* g = glyphs.get(); g->page; ++g) {
        const float anchor[2] = {pivot[0] - float(g->x), pivot[1] - float(g->y)};
        if (IsAlphaOnly(g->page)) {
            const uint8_t tint[3] = {g->color[0], g->color[1], g->color[2]};
            Surface::BlitTransformedTinted(target, g->page, x, y, angle, scales, anchor, 0, g->source, tint);
        } else {
            Surface::BlitTransformed(target, g->page, x, y, angle, scales, anchor, 0, g->source);
        }
    }
}

}  // namespace Voke
