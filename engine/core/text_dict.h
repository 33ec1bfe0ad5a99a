// The text dictionary: the displayed texts of the chosen language, looked up
// by identifier ("IDS_PLAY").
//
// A language file is an XML document whose root holds "string" elements, each
// with an "id" attribute and UTF-8 text ("l10n/en.xml", "l10n/fr.xml", ...).
//
// Threads: the game's loader thread loads a language while the main thread's
// menus look texts up; a load builds the new table apart and swaps it in under
// the dictionary's lock.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {

class Xml;

class TextDict : public RefCounter, public WeakRefCounter {
public:
    TextDict();
    ~TextDict() override;

    // Replaces the contents with the strings of the file, opened through the
    // mount table. A file that does not open or parse returns false and leaves
    // the contents as they were.
    bool Load(const NarrowString& path);
    // Replaces the contents with the strings of the document. The first
    // definition of an identifier wins; a "string" element without "id" is
    // skipped. A null document returns false and leaves the contents as they
    // were.
    bool LoadDocument(const Xml* document);

    // The text of the identifier; the identifier itself when the dictionary
    // has none, so that a missing translation shows its name.
    WideString Get(const NarrowString& id) const;

    // Every identifier and its text, in identifier order, as loaded now (a
    // later load does not change the returned table).
    std::shared_ptr<const std::map<NarrowString, WideString>> GetAll() const;

    // Replaces every "$(name)" in `text` with `value` and returns how many it
    // replaced. The search goes on after each inserted value, so a value that
    // holds the placeholder is not expanded again.
    static int ReplaceVariable(WideString& text, const NarrowString& name, const WideString& value);

private:
    using Table = std::map<NarrowString, WideString>;

    // Guards the table pointer; taken by the loader thread (swap) and the
    // main thread (lookups).
    mutable std::mutex m_lock;
    std::shared_ptr<const Table> m_table;
};

}  // namespace Voke
