// XML access.
//
// Every XML data file (registry files, localised texts, atlas and animation
// descriptions, fonts, tuning files) is read into an Xml document and walked
// with XmlIt, a small value naming one element, with typed getters for its
// text and attributes.
//
// The parser is pugixml. It decodes the five predefined entities and numeric
// character references, skips a DOCTYPE without expanding any entity it
// declares, and does not recurse while parsing, so hostile nesting costs
// memory in proportion to the input only.
//
// Getters never throw: each returns true when the item was present and read,
// and false otherwise, leaving its output untouched. Integers are read as
// the scanf conversions named beside each getter read them (leading blanks,
// a sign, digits up to the first other character), except that a value
// beyond the output's range reads as the nearest bound of that range.
#pragma once

#include <cstddef>
#include <string>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace pugi {
struct xml_node_struct;
class xml_document;
}  // namespace pugi

namespace Voke {

class SeekableStream;
struct Url;
class XmlIt;

class Xml : public RefCounter {
public:
    ~Xml() override;
    Xml(const Xml&) = delete;
    Xml& operator=(const Xml&) = delete;

    // Parses `length` bytes of a buffer the document then owns (allocated with
    // new[]; it is freed even when parsing fails). Null on a parse error.
    static Xml* Create(char* buffer, std::size_t length);
    // Parses a copy of the text. Null on a parse error; an empty text gives a
    // document without a root element.
    static Xml* Create(const std::string& text);
    // Parses the whole stream, from its start to its Length. Null when the
    // stream is null, reports a negative length, delivers fewer bytes than
    // its length, or holds no well-formed document.
    static Xml* Create(SeekableStream* stream);
    // Opens the path through the mount table and parses it. Null when the path
    // does not open or does not parse.
    static Xml* Load(const NarrowString& path);

    // The root element (no name filter); exhausted when there is none.
    XmlIt Root() const;

    // The element's text / the attribute's value split as a URL (Url::Unescape).
    // False when absent or when the value does not split.
    static bool ParseUrlAttribute(const XmlIt& element, Url& out);
    static bool ParseUrlAttribute(const XmlIt& element, const char* name, Url& out);

private:
    Xml();
    bool Parse(const char* data, std::size_t length);

    pugi::xml_document* m_document;
};

class XmlIt {
public:
    // Exhausted.
    XmlIt() = default;
    // The first child element of the document's root element named `name`, or
    // of any name when `name` is null, which also sets no filter. A null
    // document gives an exhausted iterator.
    XmlIt(const Xml* document, const char* name);
    // The same, starting from the current element of `parent`.
    XmlIt(const XmlIt& parent, const char* name);

    // With a filter, the next sibling of the same name; without one, the next
    // sibling element of any name. An exhausted iterator stays exhausted.
    XmlIt& Next();
    bool IsValid() const { return m_node != nullptr; }
    explicit operator bool() const { return IsValid(); }

    // The element's name; "" when exhausted.
    const char* GetName() const;

    // Text getters: false when exhausted or when the element has no text.
    // An element's text is its whole character content: its text and CDATA
    // children joined in order, also where child elements or comments split
    // them (<a>foo<b/>bar</a> reads "foobar"); the text of child elements is
    // theirs, not part of it.
    // The raw text, or null.
    const char* GetText() const;
    bool GetText(short& out) const;        // scanf "%hd"
    bool GetTextInt(int& out) const;       // scanf "%i": decimal, 0x hexadecimal, 0 octal
    bool GetText(float& a, float& b, float& c) const;  // " %f , %f , %f ", all three
    // An integer part read like GetTextInt and, after a '.', decimal fraction
    // digits (the first nine count). Anything after the digits, such as
    // trailing blanks or a line end, is ignored.
    bool GetTextFloat(float& out) const;
    bool GetTextBool(bool& out) const;     // exactly "true" or "false"
    bool GetText(std::string& out) const;
    bool GetText(WideString& out) const;   // UTF-8 to wide

    // Attribute getters: false when exhausted or when the attribute is absent.
    // The raw value, or null.
    const char* GetAttributeRaw(const char* name) const;
    // True when present and not empty; `whenEmpty` when present but empty;
    // false when absent.
    bool HasAttribute(const char* name, bool whenEmpty) const;
    bool GetAttribute(const char* name, unsigned short& out) const;  // "%hu"
    bool GetAttribute(const char* name, short& out) const;           // "%hd"
    bool GetAttribute(const char* name, unsigned& out) const;        // "%u"
    bool GetAttribute(const char* name, int& out) const;             // "%i"
    // StrToD of the value: always succeeds once the attribute is present (a
    // value without digits reads 0), as the data files have always relied on.
    bool GetAttribute(const char* name, float& out) const;
    // One of "yes", "no", "1", "0", "true", "false" (case-sensitive).
    bool GetAttribute(const char* name, bool& out) const;
    bool GetAttribute(const char* name, std::string& out) const;
    bool GetAttribute(const char* name, WideString& out) const;

private:
    explicit XmlIt(pugi::xml_node_struct* node, const char* filter = nullptr)
        : m_filter(filter), m_node(node) {}
    friend class Xml;

    const char* m_filter = nullptr;  // not owned; must outlive the iterator
    pugi::xml_node_struct* m_node = nullptr;
};

}  // namespace Voke
