#include "engine/core/url.h"

namespace Voke {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

NarrowString DecodePercents(const NarrowString& text)
{
    NarrowString out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = HexValue(text[i + 1]);
            int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// Splits `text` at the first `mark`: what follows goes to `after` (the mark
// dropped), what precedes stays in `text`.
void SplitOff(NarrowString& text, char mark, NarrowString& after)
{
    std::size_t at = text.find(mark);
    if (at == NarrowString::npos) return;
    after = text.substr(at + 1);
    text.erase(at);
}

}  // namespace

void Url::Clear() { *this = Url(); }

NarrowString Url::Escape(const NarrowString& text, const char* extraSafe)
{
    static const char kHex[] = "0123456789abcdef";
    NarrowString out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        bool safe = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                    byte == '-' || byte == '.' || byte == '_' || byte == '~';
        for (const char* extra = extraSafe; !safe && extra && *extra; ++extra) safe = *extra == c;
        if (safe) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        }
    }
    return out;
}

NarrowString Url::GetAuthority() const
{
    if (host.empty()) return NarrowString();
    NarrowString out;
    if (!user.empty()) out += user + "@";
    out += host;
    if (!port.empty()) out += ":" + port;
    return out;
}

NarrowString Url::GetPathAndQuery() const
{
    NarrowString out = path;
    if (!query.empty()) out += "?" + Escape(query, "=&%/:");
    if (!fragment.empty()) out += "#" + Escape(fragment);
    return out;
}

NarrowString Url::ToString() const
{
    NarrowString out = scheme + ":";
    NarrowString authority = GetAuthority();
    if (!authority.empty()) out += "//" + Escape(authority, ":");
    out += path;
    if (!query.empty()) out += "?" + Escape(query, "=&%");
    if (!fragment.empty()) out += "#" + Escape(fragment);
    return out;
}

void Url::AddQueryParameter(const NarrowString& name, const NarrowString& value)
{
    if (!query.empty()) query += "&";
    query += Escape(name) + "=" + Escape(value);
}

bool Url::Unescape(const NarrowString& text, Url& out)
{
    out.Clear();
    NarrowString rest = DecodePercents(text);
    std::size_t colon = rest.find(':');
    Url url;
    if (colon != NarrowString::npos) {
        url.scheme = rest.substr(0, colon);
        rest.erase(0, colon + 1);
    }
    SplitOff(rest, '#', url.fragment);
    SplitOff(rest, '?', url.query);

    if (rest.compare(0, 2, "//") == 0) {
        std::size_t slash = rest.find('/', 2);
        NarrowString authority = rest.substr(2, slash == NarrowString::npos ? NarrowString::npos : slash - 2);
        url.path = slash == NarrowString::npos ? NarrowString() : rest.substr(slash);
        std::size_t at = authority.find('@');
        if (at != NarrowString::npos) {
            url.user = authority.substr(0, at);
            authority.erase(0, at + 1);
        }
        SplitOff(authority, ':', url.port);
        url.host = authority;
    } else if (rest.find("//") != NarrowString::npos) {
        return false;
    } else {
        url.path = rest;
    }
    out = url;
    return true;
}

}  // namespace Voke
