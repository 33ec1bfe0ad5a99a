// Text formats: the attributes of a piece of text.
//
// Every attribute is either set on a format, recorded by its bit in `flags`,
// or inherited from the parent format. Game code fills a format on the stack
// (field and bit together) and hands it with a text to a screen text or the
// typesetter; the typesetter copies each run's format to the heap and hangs
// later runs below the first, so unset attributes come from the first run.
//
// `child` and `parent` are weak: a format whose parent is gone is a root. The
// font set is shared by owning handles and never looked up through `parent`.
#pragma once

#include <array>
#include <cstdint>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/text/font_set.h"

namespace Voke {
namespace Text {

// Red, green, blue, alpha.
using Color4 = std::array<uint8_t, 4>;

class Format : public RefCounter, public WeakRefCounter {
public:
    enum Attribute : uint32_t {
        kFontName = 0x1,
        kColor = 0x2,
        kLetterSpacing = 0x4,
        kLineSpacing = 0x8,
        kAlignment = 0x10,  // 1 right, 2 centred, anything else left
        kAttribute20 = 0x20,
        kWhitespaceMode = 0x40,  // 0 to 3, see the typesetter
        kAttribute80 = 0x80,
        kAttribute100 = 0x100,
    };

    Format() = default;
    // Copies the attributes, their flags and the font set; the copy has no
    // parent, no child and no weak observers.
    Format(const Format& other);
    Format& operator=(const Format&) = delete;
    ~Format() override = default;

    // Each getter returns the field of the nearest format up the parent chain
    // whose flags hold the attribute's bit, or the root's own field when none
    // has it.
    const NarrowString& GetFontName() const { return Inherited(kFontName, &Format::fontName); }
    const Color4& GetColor() const { return Inherited(kColor, &Format::color); }
    int32_t GetLetterSpacing() const { return Inherited(kLetterSpacing, &Format::letterSpacing); }
    int32_t GetLineSpacing() const { return Inherited(kLineSpacing, &Format::lineSpacing); }
    int32_t GetAlignment() const { return Inherited(kAlignment, &Format::alignment); }
    int32_t GetAttribute20() const { return Inherited(kAttribute20, &Format::attribute20); }
    int32_t GetWhitespaceMode() const { return Inherited(kWhitespaceMode, &Format::whitespaceMode); }
    int32_t GetAttribute80() const { return Inherited(kAttribute80, &Format::attribute80); }
    int32_t GetAttribute100() const { return Inherited(kAttribute100, &Format::attribute100); }

    // Replaces this format's flags and attributes by those in force at `to`,
    // limited to the attributes set on `to` and its ancestors below `from`'s
    // parent (all the way up when `from` has none). Font set and links are
    // left alone. Either argument may be null (no attributes then).
    void Resolve(const Format* from, const Format* to);
    // Makes this format the child of `upper` and the parent of `lower`;
    // either may be null.
    void InsertBetween(Format* upper, Format* lower);
    // Takes the parent's font set; nothing when the parent is gone.
    void InheritFontSet();

    WeakPtr<Format> child;
    WeakPtr<Format> parent;
    uint32_t flags = 0;
    SmartPtr<FontSet> fontSet;
    NarrowString fontName;
    Color4 color = {0, 0, 0, 255};
    int32_t letterSpacing = 0;
    int32_t lineSpacing = 0;
    int32_t alignment = 0;
    int32_t attribute20 = 0;
    int32_t whitespaceMode = 0;
    int32_t attribute80 = 0;
    int32_t attribute100 = 0;

private:
    // Chains are a few formats long; the bound only guards against a loop
    // made by hand with InsertBetween.
    static constexpr int kMaxChainLength = 256;

    template <class T>
    const T& Inherited(uint32_t bit, T Format::*field) const
    {
        const Format* f = this;
        for (int depth = 0; depth < kMaxChainLength; ++depth) {
            if (f->flags & bit) return f->*field;
            const Format* up = f->parent.Get();
            if (!up) break;
            f = up;
        }
        return f->*field;
    }
};

}  // namespace Text
}  // namespace Voke
