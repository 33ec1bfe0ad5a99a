// A URL split into its parts, with %XX escapes decoded, and the operations
// that put one back together with escapes.
#pragma once

#include "engine/core/strings.h"

namespace Voke {

struct Url {
    NarrowString scheme;
    NarrowString user;
    NarrowString host;
    NarrowString port;
    NarrowString path;
    NarrowString query;
    NarrowString fragment;

    void Clear();

    // Decodes every %XX (either case; any other '%' stays) in `text`, then
    // splits it: the scheme before the first ':', the fragment after the first
    // '#', the query after the first '?', then either "//" and an authority
    // ([user@]host[:port]) up to the next '/', the rest being the path, or a
    // plain path. Returns false, with every part empty, when "//" stands
    // anywhere but at the start of what follows the scheme.
    // A '%' with fewer than two characters after it is kept as it is.
    static bool Unescape(const NarrowString& text, Url& out);

    // Copies ASCII letters, digits, "-._~" and the bytes of `extraSafe`;
    // every other byte becomes '%' and two lower-case hexadecimal digits.
    static NarrowString Escape(const NarrowString& text, const char* extraSafe = "");

    // "[user@]host[:port]"; empty when the host is empty.
    NarrowString GetAuthority() const;
    // The path, then "?query" (the query escaped with "=&%/:" kept) and
    // "#fragment" (escaped), each only when not empty.
    NarrowString GetPathAndQuery() const;
    // "scheme:", then "//" and the escaped authority (':' kept) when there is
    // one, the path, "?query" (escaped, "=&%" kept) and "#fragment"
    // (escaped), each only when not empty.
    NarrowString ToString() const;
    // Appends "name=value" to the query, both escaped, after a '&' when the
    // query already holds something.
    void AddQueryParameter(const NarrowString& name, const NarrowString& value);
};

}  // namespace Voke
