#include "game/menus/menu_support.h"

#include <algorithm>
#include <cstdio>

#include "engine/app/abstract_app.h"
#include "engine/core/text_dict.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/language.h"
#include "game/core/pixel_math.h"

namespace {
// NOTE: the bottom bar slides 160 steps of 2 pixels at 640 steps a second.
constexpr float kBarRate = 640.0f;
constexpr int32_t kBarSteps = 160;
const Voke::Color kBarEdgeColour = Voke::MakeColor(73, 73, 114, 255);
const Voke::Color kBarColour = Voke::MakeColor(37, 38, 58, 255);
}  // namespace

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

Voke::SmartPtr<Voke::ScreenText> LayoutTitle(const GameBase* owner, const char* id, int32_t width)
{
    return Layout(MakeFormat(owner, "fontbig", {255, 255, 255, 255}, kAlignCentre), Text(id), width);
}

Voke::WideString NumberText(const char* format, int32_t value)
{
    // NOTE: 16 characters hold any int with sign and padding.
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<int>(value));
    return Voke::ToWideString(text);
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

void DrawBottomBar(Voke::Surface* target, const GameBase* owner, Voke::Surface* cap, float elapsed)
{
    const int32_t w = ScreenWidth(owner), h = ScreenHeight(owner);
    const int32_t reveal = std::min(TruncToPixel(elapsed * kBarRate), kBarSteps);
    const int32_t x = 2 * (265 - reveal);
    // The cap's bottom row stands half a 26th of the screen height above
    // the bottom edge.
    const int32_t capTop = h - 1 - (h / 26) / 2 - ImageHeight(cap);
    const int32_t bodyX = x + ImageWidth(cap);
    DrawImage(target, cap, x, capTop);
    Voke::Surface::FillRect(target, bodyX, capTop, bodyX + w, capTop + 1, &kBarEdgeColour);
    Voke::Surface::FillRect(target, bodyX, capTop + 1, bodyX + w, capTop + ImageHeight(cap) - 1, &kBarColour);
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
