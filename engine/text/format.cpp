#include "engine/text/format.h"

namespace Voke {
namespace Text {

Format::Format(const Format& other)
    : RefCounter(),
      WeakRefCounter(),
      flags(other.flags),
      fontSet(other.fontSet),
      fontName(other.fontName),
      color(other.color),
      letterSpacing(other.letterSpacing),
      lineSpacing(other.lineSpacing),
      alignment(other.alignment),
      attribute20(other.attribute20),
      whitespaceMode(other.whitespaceMode),
      attribute80(other.attribute80),
      attribute100(other.attribute100)
{
}

void Format::Resolve(const Format* from, const Format* to)
{
    flags = 0;
    if (!to) return;
    const Format* stop = from ? from->parent.Get() : nullptr;
    const Format* g = to;
    for (int depth = 0; g && g != stop && depth < kMaxChainLength; ++depth) {
        flags |= g->flags;
        g = g->parent.Get();
    }
    if (flags & kFontName) fontName = to->GetFontName();
    if (flags & kColor) color = to->GetColor();
    if (flags & kLetterSpacing) letterSpacing = to->GetLetterSpacing();
    if (flags & kLineSpacing) lineSpacing = to->GetLineSpacing();
    if (flags & kAlignment) alignment = to->GetAlignment();
    if (flags & kAttribute20) attribute20 = to->GetAttribute20();
    if (flags & kWhitespaceMode) whitespaceMode = to->GetWhitespaceMode();
    if (flags & kAttribute80) attribute80 = to->GetAttribute80();
    if (flags & kAttribute100) attribute100 = to->GetAttribute100();
}

void Format::InsertBetween(Format* upper, Format* lower)
{
    parent = upper;
    child = lower;
    if (lower) lower->parent = this;
    if (upper) upper->child = this;
}

void Format::InheritFontSet()
{
    if (Format* up = parent.Get()) fontSet = up->fontSet;
}

}  // namespace Text
}  // namespace Voke
