// Rich strings: text made of runs, each a wide string with its own format;
// the typesetter's input.
#pragma once

#include <list>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/text/format.h"

namespace Voke {

class RichString : public RefCounter {
public:
    struct Run {
        Run(const WideString& t, const Text::Format& f) : text(t), format(f) {}
        WideString text;
        Text::Format format;  // a copy: no parent, no child
    };

    RichString() = default;
    RichString(const WideString& text, const Text::Format& format) { Append(text, format); }
    ~RichString() override = default;

    // Adds a run holding copies of the text and the format (an empty text is
    // stored too); returns this string so that calls chain.
    RichString& Append(const WideString& text, const Text::Format& format)
    {
        runs.emplace_back(text, format);
        return *this;
    }

    std::list<Run> runs;
};

}  // namespace Voke
