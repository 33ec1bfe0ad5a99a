#include "engine/core/xml.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include <pugixml.hpp>

#include "engine/core/url.h"

#include "engine/core/io_stream.h"
#include "engine/core/vfs.h"

namespace Voke {
namespace {

// Reads an integer as the scanf conversions do: leading blanks, a sign, then
// digits in `base` (0: a leading 0x is hexadecimal and a leading 0 octal, as
// "%i"), stopping at the first character that is no digit. Read wide, a
// value beyond T's range becomes its nearest bound instead of wrapping (for
// which scanf leaves the result undefined). False, with `out` untouched,
// without a digit.
template <class T>
bool ReadInteger(const char* text, int base, T& out)
{
    if (!text) return false;
    char* end = nullptr;
    long long value = std::strtoll(text, &end, base);
    if (end == text) return false;
    // strtoll itself saturates at the long long bounds (ERANGE).
    if (value < static_cast<long long>(std::numeric_limits<T>::min())) value = std::numeric_limits<T>::min();
    if (value > static_cast<long long>(std::numeric_limits<T>::max())) value = std::numeric_limits<T>::max();
    out = static_cast<T>(value);
    return true;
}

// Default options, plus keeping a text made only of blanks when it is the
// element's whole content: a dictionary text may be a single space. Entities
// declared in a DOCTYPE are never expanded (the DOCTYPE is skipped).
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

bool IsText(pugi::xml_node node) { return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata; }

// Gives every element with more than one text or CDATA child (text split by
// a child element or a comment) one text child holding all of it in order,
// so that an element's text is its whole character content. The walk is a
// loop, not a recursion, like the parse.
void JoinTexts(pugi::xml_node root)
{
    pugi::xml_node node = root;
    while (node) {
        pugi::xml_node first;
        std::string joined;
        bool split = false;
        for (pugi::xml_node child = node.first_child(); child;) {
            pugi::xml_node next = child.next_sibling();
            if (IsText(child)) {
                joined += child.value();
                if (first) {
                    split = true;
                    node.remove_child(child);
                } else {
                    first = child;
                }
            }
            child = next;
        }
        if (split) first.set_value(joined.c_str());

        // Next in document order: down, else along, else up and along.
        pugi::xml_node down = node.first_child();
        while (down && down.type() != pugi::node_element) down = down.next_sibling();
        if (down) {
            node = down;
            continue;
        }
        while (node && node != root) {
            pugi::xml_node along = node.next_sibling();
            while (along && along.type() != pugi::node_element) along = along.next_sibling();
            if (along) {
                node = along;
                break;
            }
            node = node.parent();
        }
        if (node == root) break;
    }
}

pugi::xml_node FirstElement(pugi::xml_node parent, const char* name)
{
    if (name) return parent.child(name);
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element) return n;
    return pugi::xml_node();
}

}  // namespace

Xml::Xml() : m_document(new pugi::xml_document) {}

Xml::~Xml() { delete m_document; }

bool Xml::Parse(const char* data, std::size_t length)
{
    if (length == 0) return true;  // a document without a root
    pugi::xml_parse_result result = m_document->load_buffer(data, length, kParseOptions);
    if (result.status != pugi::status_ok) return false;
    // pugixml accepts fragments; a document has exactly one root element and
    // no text beside it.
    int elements = 0;
    for (pugi::xml_node n = m_document->first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element) ++elements;
        else if (IsText(n)) return false;
    }
    if (elements != 1) return false;
    JoinTexts(m_document->document_element());
    return true;
}

Xml* Xml::Create(char* buffer, std::size_t length)
{
    // pugixml parses a copy, so the buffer goes as soon as it is parsed.
    std::unique_ptr<char[]> owned(buffer);
    std::unique_ptr<Xml> document(new Xml);
    if (!document->Parse(buffer, buffer ? length : 0)) return nullptr;
    return document.release();
}

Xml* Xml::Create(const std::string& text)
{
    std::unique_ptr<Xml> document(new Xml);
    if (!document->Parse(text.data(), text.size())) return nullptr;
    return document.release();
}

Xml* Xml::Create(SeekableStream* stream)
{
    if (!stream) return nullptr;
    const int length = stream->Length();
    if (length < 0 || !stream->Seek(0, IOStream::SeekSet)) return nullptr;
    std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(length) + 1]);
    int total = 0;
    while (total < length) {
        int n = stream->Read(buffer.get() + total, length - total);
        if (n <= 0) break;
        total += n;
    }
    // A short read means a damaged file: never parse bytes that were not read.
    if (total != length) return nullptr;
    return Create(buffer.release(), static_cast<std::size_t>(length));
}

Xml* Xml::Load(const NarrowString& path)
{
    SmartPtr<File> file = Vfs::Open(path.c_str());
    return Create(file.Get());
}

XmlIt Xml::Root() const { return XmlIt(m_document->document_element().internal_object()); }

XmlIt::XmlIt(const Xml* document, const char* name) : m_filter(name)
{
    if (!document) return;
    XmlIt root = document->Root();
    m_node = FirstElement(pugi::xml_node(root.m_node), name).internal_object();
}

XmlIt::XmlIt(const XmlIt& parent, const char* name) : m_filter(name)
{
    if (!parent.m_node) return;
    m_node = FirstElement(pugi::xml_node(parent.m_node), name).internal_object();
}

XmlIt& XmlIt::Next()
{
    if (!m_node) return *this;
    pugi::xml_node node(m_node);
    if (m_filter) {
        node = node.next_sibling(m_filter);
    } else {
        do node = node.next_sibling();
        while (node && node.type() != pugi::node_element);
    }
    m_node = node.internal_object();
    return *this;
}

const char* XmlIt::GetName() const { return m_node ? pugi::xml_node(m_node).name() : ""; }

const char* XmlIt::GetText() const
{
    if (!m_node) return nullptr;
    pugi::xml_text text = pugi::xml_node(m_node).text();
    return text.empty() ? nullptr : text.get();
}

bool XmlIt::GetText(short& out) const { return ReadInteger(GetText(), 10, out); }

bool XmlIt::GetTextInt(int& out) const { return ReadInteger(GetText(), 0, out); }

bool XmlIt::GetText(float& a, float& b, float& c) const
{
    const char* text = GetText();
    float x, y, z;
    if (!text || std::sscanf(text, " %f , %f , %f ", &x, &y, &z) != 3) return false;
    a = x;
    b = y;
    c = z;
    return true;
}

bool XmlIt::GetTextFloat(float& out) const
{
    const char* text = GetText();
    if (!text) return false;
    // The integer part, read as "%i" reads it (sign, 0x hexadecimal, leading
    // 0 octal), clamped to the int range instead of overflowing.
    char* end = nullptr;
    long long integer = std::strtoll(text, &end, 0);
    if (end == text) return false;
    if (integer > INT_MAX) integer = INT_MAX;
    if (integer < INT_MIN) integer = INT_MIN;
    double value = static_cast<double>(integer);
    if (*end == '.' && end[1] >= '0' && end[1] <= '9') {
        // Only the fraction's digits count, never what follows them; a blank
        // or a line end after "1.5" must not scale the fraction.
        // NOTE: nine digits are more than a float holds; later ones are read
        // past and ignored.
        double fraction = 0.0, scale = 1.0;
        int digits = 0;
        for (const char* p = end + 1; *p >= '0' && *p <= '9'; ++p) {
            if (digits == 9) continue;
            fraction = fraction * 10.0 + (*p - '0');
            scale *= 10.0;
            ++digits;
        }
        // The sign belongs to the whole number, so "-0.5" is -0.5.
        const char* first = text;
        while (*first == ' ' || (*first >= '\t' && *first <= '\r')) ++first;
        value += (*first == '-' ? -fraction : fraction) / scale;
    }
    out = static_cast<float>(value);
    return true;
}

bool XmlIt::GetTextBool(bool& out) const
{
    const char* text = GetText();
    if (!text) return false;
    if (std::strcmp(text, "true") == 0) {
        out = true;
        return true;
    }
    if (std::strcmp(text, "false") == 0) {
        out = false;
        return true;
    }
    return false;
}

bool XmlIt::GetText(std::string& out) const
{
    const char* text = GetText();
    if (!text) return false;
    out = text;
    return true;
}

bool XmlIt::GetText(WideString& out) const
{
    const char* text = GetText();
    if (!text) return false;
    out = ToWideString(text);
    return true;
}

const char* XmlIt::GetAttributeRaw(const char* name) const
{
    if (!m_node) return nullptr;
    pugi::xml_attribute attribute = pugi::xml_node(m_node).attribute(name);
    return attribute ? attribute.value() : nullptr;
}

bool XmlIt::HasAttribute(const char* name, bool whenEmpty) const
{
    const char* value = GetAttributeRaw(name);
    if (!value) return false;
    return *value ? true : whenEmpty;
}

bool XmlIt::GetAttribute(const char* name, unsigned short& out) const
{
    return ReadInteger(GetAttributeRaw(name), 10, out);
}

bool XmlIt::GetAttribute(const char* name, short& out) const { return ReadInteger(GetAttributeRaw(name), 10, out); }

bool XmlIt::GetAttribute(const char* name, unsigned& out) const { return ReadInteger(GetAttributeRaw(name), 10, out); }

bool XmlIt::GetAttribute(const char* name, int& out) const { return ReadInteger(GetAttributeRaw(name), 0, out); }

bool XmlIt::GetAttribute(const char* name, float& out) const
{
    const char* value = GetAttributeRaw(name);
    if (!value) return false;
    out = static_cast<float>(StrToD(value));
    return true;
}

bool XmlIt::GetAttribute(const char* name, bool& out) const
{
    const char* value = GetAttributeRaw(name);
    if (!value) return false;
    static const struct {
        const char* word;
        bool value;
    } kWords[] = {{"yes", true}, {"no", false}, {"1", true}, {"0", false}, {"true", true}, {"false", false}};
    for (const auto& entry : kWords) {
        if (std::strcmp(value, entry.word) == 0) {
            out = entry.value;
            return true;
        }
    }
    return false;
}

bool XmlIt::GetAttribute(const char* name, std::string& out) const
{
    const char* value = GetAttributeRaw(name);
    if (!value) return false;
    out = value;
    return true;
}

bool XmlIt::GetAttribute(const char* name, WideString& out) const
{
    const char* value = GetAttributeRaw(name);
    if (!value) return false;
    out = ToWideString(value);
    return true;
}

bool Xml::ParseUrlAttribute(const XmlIt& element, Url& out)
{
    const char* text = element.GetText();
    return text && Url::Unescape(text, out);
}

bool Xml::ParseUrlAttribute(const XmlIt& element, const char* name, Url& out)
{
    const char* value = element.GetAttributeRaw(name);
    return value && Url::Unescape(value, out);
}

}  // namespace Voke
