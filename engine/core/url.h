// A URL split into its parts, with %XX escapes decoded.
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
    static bool Unescape(const NarrowString& text, Url& out);
};

}  // namespace Voke
