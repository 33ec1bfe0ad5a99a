#include "game/menus/menu_support.h"

#include <algorithm>

#include "engine/app/abstract_app.h"
#include "engine/core/text_dict.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/language.h"

namespace MenuSupport {

Voke::WideString Text(const char* id)
{
    Voke::TextDict* texts = Voke::AbstractApp::s_textDict;
    return texts ? texts->Get(id) : Voke::ToWideString(id);
}

Voke::Text::Format MakeUnalignedFormat(const GameBase* owner, const char* fontName, const Voke::Text::Color4& color)
{
    Voke::Text::Format format;
    if (owner) format.fontSet = owner->m_Fonts;
    format.fontName = fontName;
    format.color = color;
    format.flags = Voke::Text::Format::kFontName | Voke::Text::Format::kColor;
    return format;
}

Voke::Text::Format MakeFormat(const GameBase* owner, const char* fontName, const Voke::Text::Color4& color,
                              int32_t alignment)
{
    Voke::Text::Format format = MakeUnalignedFormat(owner, fontName, color);
    format.alignment = alignment;
    format.flags |= Voke::Text::Format::kAlignment;
    return format;
}

Voke::SmartPtr<Voke::ScreenText> Layout(const Voke::Text::Format& format, const Voke::WideString& text,
                                        int32_t width)
{
    return Voke::SmartPtr<Voke::ScreenText>(new Voke::ScreenText(format, text, Voke::ScreenText::Size{width, 0}));
}

bool HasGlyphs(const Voke::ScreenText* text) { return text && text->glyphs && text->glyphs[0].page; }

int32_t TextWidth(const Voke::ScreenText* text) { return text ? text->width : 0; }

int32_t TextHeight(const Voke::ScreenText* text) { return text ? text->height : 0; }

void DrawText(Voke::Surface* target, const Voke::ScreenText* text, int32_t x, int32_t y)
{
    if (HasGlyphs(text)) text->Draw(target, x, y);
}

Voke::SmartPtr<Voke::Surface> LoadImage(const char* name, bool localised, bool keep)
{
    return Voke::GetCachedSurface(localised ? LocalizedAssetName(name) : Voke::NarrowString(name), keep);
}

int32_t ImageWidth(const Voke::Surface* image) { return image ? image->GetWidth() : 0; }

int32_t ImageHeight(const Voke::Surface* image) { return image ? image->GetHeight() : 0; }

void DrawImage(Voke::Surface* target, Voke::Surface* image, int32_t x, int32_t y)
{
    if (image) Voke::Surface::Blit(target, x, y, image, image->GetClipRect());
}

int32_t ScreenWidth(const GameBase* owner) { return owner ? owner->m_ScreenWidth : 0; }

int32_t ScreenHeight(const GameBase* owner) { return owner ? owner->m_ScreenHeight : 0; }

void ClipTo(Voke::Surface* target, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if (!target) return;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, target->GetWidth());
    y1 = std::min(y1, target->GetHeight());
    target->SetClipRect(Voke::Rect{x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)});
}

void ResetClip(Voke::Surface* target, const GameBase* owner)
{
    if (!target) return;
    const int32_t w = std::max(std::min(target->GetWidth(), ScreenWidth(owner)), 0);
    const int32_t h = std::max(std::min(target->GetHeight(), ScreenHeight(owner)), 0);
    target->SetClipRect(Voke::Rect{0, 0, w, h});
}

}  // namespace MenuSupport
