// Walks every element below a data file's root in document order, for the
// game's tuning readers that accept their settings at any depth.
#pragma once

#include <vector>

#include "engine/core/xml.h"

// Calls visit(element) for each element below the root of `document`, parents
// before their children, siblings in document order. Keeps its own stack, so
// deep nesting in a damaged file costs memory, not the thread's stack.
template <typename Visit>
void VisitXmlElements(const Voke::Xml* document, Visit&& visit)
{
    std::vector<Voke::XmlIt> pending;
    Voke::XmlIt it(document, nullptr);
    while (it || !pending.empty()) {
        if (!it) {
            it = pending.back();
            pending.pop_back();
            continue;
        }
        visit(static_cast<const Voke::XmlIt&>(it));
        Voke::XmlIt child(it, nullptr);
        Voke::XmlIt next = it;
        next.Next();
        if (child) {
            pending.push_back(next);
            it = child;
        } else {
            it = next;
        }
    }
}
