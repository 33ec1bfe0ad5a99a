// Font sets: bitmap fonts by name, with a default that answers every name not
// stored.
//
// The game's font set is read by the main thread (it lays out texts while the
// game loads) while the loader thread adds fonts to it, so every operation
// takes the set's lock. Fonts are never removed, so a font returned by Find
// stays alive as long as the set.
#pragma once

#include <map>
#include <mutex>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/text/font_ex.h"

namespace Voke {
namespace Text {

class FontSet : public RefCounter {
public:
    FontSet() = default;
    ~FontSet() override = default;

    // Stores `font` under `name` unless a font is stored there already (the
    // first one stays); a null font is not stored. The first name added to a
    // set without a default name becomes the default name.
    void Add(const NarrowString& name, FontEx* font);
    // The font stored under `name`; else, unless `name` is the default name,
    // the default font; else null. Names are compared byte by byte.
    FontEx* Find(const NarrowString& name) const;
    bool Contains(const NarrowString& name) const;
    // True when a font is stored under the default name.
    bool HasDefault() const;
    int GetCount() const;
    // Whether or not a font of that name is stored.
    void SetDefaultName(const NarrowString& name);
    NarrowString GetDefaultName() const;

private:
    // Taken by the main thread (layout) and the loader thread (adding fonts).
    mutable std::mutex m_lock;
    NarrowString m_defaultName;
    std::map<NarrowString, SmartPtr<FontEx>> m_fonts;
};

}  // namespace Text
}  // namespace Voke
