// Small services shared by the menu pages and dialogs: texts of the chosen
// language, the text formats and screen texts the pages build, images that
// may be missing, the sliding bottom bar, and the clip rectangle the
// scrolling pages narrow.
//
// Every image helper accepts a null surface: a page whose picture failed to
// load lays itself out with a 0 x 0 image and draws nothing in its place.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/text/format.h"
#include "engine/text/screen_text.h"

namespace Voke {
class Surface;
}

class GameBase;

namespace MenuSupport {

// Text alignments of a format (its alignment attribute).
constexpr int32_t kAlignLeft = 0;
constexpr int32_t kAlignRight = 1;
constexpr int32_t kAlignCentre = 2;

// The text of `id` in the chosen language; the id itself, widened, when the
// dictionary lacks it or no dictionary exists.
Voke::WideString Text(const char* id);

// A format on the owner's font set (none without an owner) with the font
// name, colour and alignment set.
Voke::Text::Format MakeFormat(const GameBase* owner, const char* fontName, const Voke::Text::Color4& color,
                              int32_t alignment);
// The same without an alignment: the text is left-aligned.
Voke::Text::Format MakeUnalignedFormat(const GameBase* owner, const char* fontName, const Voke::Text::Color4& color);

// The text laid out in the format over `width` pixels with no height limit.
Voke::SmartPtr<Voke::ScreenText> Layout(const Voke::Text::Format& format, const Voke::WideString& text,
                                        int32_t width);
// A page's title: the text of `id` in the owner's "fontbig", white, centred
// over `width` pixels.
Voke::SmartPtr<Voke::ScreenText> LayoutTitle(const GameBase* owner, const char* id, int32_t width);
// The number printed with a printf format of one int conversion ("%d",
// "%2d"), widened.
Voke::WideString NumberText(const char* format, int32_t value);

// Whether the text laid out at least one glyph; false for null.
bool HasGlyphs(const Voke::ScreenText* text);
// The text's width and height; 0 for null.
int32_t TextWidth(const Voke::ScreenText* text);
int32_t TextHeight(const Voke::ScreenText* text);
// Draws the text when it has glyphs.
void DrawText(Voke::Surface* target, const Voke::ScreenText* text, int32_t x, int32_t y);

// A surface by asset name through the engine's asset dictionary, the name
// first mapped to the chosen language's variant when `localised`. Empty when
// the image cannot be loaded.
Voke::SmartPtr<Voke::Surface> LoadImage(const char* name, bool localised, bool keep);
// The image's size; 0 for null.
int32_t ImageWidth(const Voke::Surface* image);
int32_t ImageHeight(const Voke::Surface* image);
// Blits the image whole with its top-left corner at (x, y); nothing for null.
void DrawImage(Voke::Surface* target, Voke::Surface* image, int32_t x, int32_t y);

// The bar that the main menu and the game-over dialog slide in along the
// bottom edge: the cap picture at its left end, then the bar's body with a
// one-pixel top line, reaching a screen width past the cap. `elapsed`
// seconds into the slide its left end stands at 530 - 2 * min(trunc(640 *
// elapsed), 160): at rest at 210 after a quarter second. A missing cap
// counts as 0 x 0.
void DrawBottomBar(Voke::Surface* target, const GameBase* owner, Voke::Surface* cap, float elapsed);

// The game's logical screen size; 0 x 0 without an owner.
int32_t ScreenWidth(const GameBase* owner);
int32_t ScreenHeight(const GameBase* owner);

// Narrows the target's clip rectangle to x0 <= x < x1, y0 <= y < y1 (within
// the target), and restores the whole logical screen afterwards: (0, 0,
// min(target width, W), min(target height, H)).
void ClipTo(Voke::Surface* target, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
void ResetClip(Voke::Surface* target, const GameBase* owner);

}  // namespace MenuSupport
