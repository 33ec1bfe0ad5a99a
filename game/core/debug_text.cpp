#include "game/core/debug_text.h"

#include "engine/core/strings.h"
#include "engine/debug/debug_overlay.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_set.h"
#include "engine/text/format.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"

void DrawDebugText(const GameBase* game, Voke::Surface* target, int32_t x, int32_t y, const char* text)
{
    if (!target || !text) return;
    if (Voke::DebugOverlay* overlay = Voke::DebugOverlay::Instance()) {
        overlay->DrawText(target, x, y, text);
        return;
    }
    if (!game || !game->m_Fonts || !game->m_Fonts->Contains("fontbig")) return;
    Voke::Text::Format format;
    format.fontSet = game->m_Fonts;
    format.fontName = "fontbig";
    format.color = {255, 255, 255, 255};
    format.flags = Voke::Text::Format::kFontName | Voke::Text::Format::kColor;
    // Wide enough that the line never wraps.
    Voke::SmartPtr<Voke::ScreenText> line(
        new Voke::ScreenText(format, Voke::ToWideString(text), Voke::ScreenText::Size{target->GetWidth(), 0}));
    if (line->GetGlyphs() && line->GetGlyphs()[0].page) line->Draw(target, x, y);
}
