// Registry files: a subtree written as XML and merged back.
//
//   <?xml version="1.0" encoding="utf-8"?>
//   <registry>
//   <TAB><node name="/controls">
//   <TAB><TAB><key name="swap" type="bool">true</key>
//   <TAB></node>
//   </registry>
//
// One tab per depth, LF line ends; in each node its keys come first, then its
// child nodes, each in byte-wise name order. Names and string values are
// escaped, so any text round-trips; readers of older files see no difference,
// since those never held characters that need it.
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

#include "engine/core/registry.h"
#include "engine/core/vfs.h"
#include "engine/core/xml.h"

namespace Voke {
namespace {

// Escapes text for an attribute value (`attribute`) or element content. A
// zero byte ends the text, as it would end it when read back.
void AppendEscaped(std::string& out, const std::string& text, bool attribute)
{
    for (char c : text) {
        switch (c) {
        case '\0': return;
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        // A reader turns line ends into LF, and blanks in attributes into
        // spaces; references keep them as they were.
        case '\r': out += "&#13;"; break;
        case '\n': out += attribute ? "&#10;" : "\n"; break;
        case '\t': out += attribute ? "&#9;" : "\t"; break;
        default: out += c; break;
        }
    }
}

void AppendTabs(std::string& out, int depth) { out.append(static_cast<std::size_t>(depth), '\t'); }

void AppendNode(std::string& out, const Registry::Node& node, const std::string& name, int depth)
{
    AppendTabs(out, depth);
    out += "<node name=\"";
    AppendEscaped(out, name, true);
    out += "\">\n";
    for (const auto& entry : node.keys) {
        // Computed keys give their current value here.
        Any value = entry.second->Get();
        std::string line;
        if (const bool* b = value.Get<bool>()) {
            line = std::string("bool\">") + (*b ? "true" : "false");
        } else if (const int* i = value.Get<int>()) {
            line = "int\">" + std::to_string(*i);
        } else if (const float* f = value.Get<float>()) {
            char buffer[64];
            int n = std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(*f));
            std::string text;
            if (n >= static_cast<int>(sizeof buffer)) {  // up to 3.4e38 in full
                text.resize(static_cast<std::size_t>(n) + 1);
                std::snprintf(&text[0], text.size(), "%f", static_cast<double>(*f));
                text.resize(static_cast<std::size_t>(n));
            } else {
                text.assign(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
            }
            line = "float\">" + text;
        } else if (const std::string* s = value.Get<std::string>()) {
            line = "string\">";
            AppendEscaped(line, *s, false);
        } else {
            continue;  // never given a value: nothing to write
        }
        AppendTabs(out, depth + 1);
        out += "<key name=\"";
        AppendEscaped(out, entry.first, true);
        out += "\" type=\"";
        out += line;
        out += "</key>\n";
    }
    for (const auto& child : node.children) AppendNode(out, *child.second, child.first, depth + 1);
    AppendTabs(out, depth);
    out += "</node>\n";
}

// A registry file read completely before anything of it is stored, so that a
// damaged file changes nothing.
struct StagedKey {
    std::string name;
    Any value;  // empty: create the key, leave its value
};

struct StagedNode {
    std::string name;
    std::vector<StagedKey> keys;
    std::vector<StagedNode> nodes;
};

bool Stage(const XmlIt& element, StagedNode& out, int depth)
{
    if (depth > Registry::kMaxFileDepth) return false;
    for (XmlIt key(element, "key"); key; key.Next()) {
        const char* name = key.GetAttributeRaw("name");
        if (!name) continue;
        StagedKey staged{name, Any()};
        const char* type = key.GetAttributeRaw("type");
        type = type ? type : "";
        if (std::strcmp(type, "bool") == 0) {
            bool b;
            if (key.GetTextBool(b)) staged.value = b;
        } else if (std::strcmp(type, "int") == 0) {
            int i;
            if (key.GetTextInt(i)) staged.value = i;
        } else if (std::strcmp(type, "float") == 0) {
            float f;
            if (key.GetTextFloat(f)) staged.value = f;
        } else if (std::strcmp(type, "string") == 0) {
            const char* text = key.GetText();
            staged.value = std::string(text ? text : "");
        }
        out.keys.push_back(std::move(staged));
    }
    for (XmlIt node(element, "node"); node; node.Next()) {
        const char* name = node.GetAttributeRaw("name");
        if (!name) continue;
        out.nodes.emplace_back();
        out.nodes.back().name = name;
        if (!Stage(node, out.nodes.back(), depth + 1)) return false;
    }
    return true;
}

bool SetKey(RegistryKey& key, const Any& value)
{
    if (const bool* b = value.Get<bool>()) return key.Set(*b);
    if (const int* i = value.Get<int>()) return key.Set(*i);
    if (const float* f = value.Get<float>()) return key.Set(*f);
    if (const std::string* s = value.Get<std::string>()) return key.Set(*s);
    return false;
}

}  // namespace

NarrowString Registry::ToXml(const NarrowString& path)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    Node* node = FindNodeLocked(path, false, false, nullptr);
    if (!node) return NarrowString();
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<registry>\n";
    AppendNode(out, *node, path, 1);
    out += "</registry>\n";
    return out;
}

bool Registry::Save(const NarrowString& file, const NarrowString& path)
{
    // Built under the lock, written outside it.
    NarrowString text = ToXml(path);
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return false;
    return Vfs::WriteFile(file.c_str(), text.data(), static_cast<int>(text.size()));
}

bool Registry::Load(const NarrowString& file, bool notify, const NarrowString& basePath)
{
    SmartPtr<Xml> document = Xml::Load(file);
    return document && LoadDocument(document, notify, basePath);
}

bool Registry::LoadFromString(const std::string& text, bool notify, const NarrowString& basePath)
{
    SmartPtr<Xml> document = Xml::Create(text);
    return document && LoadDocument(document, notify, basePath);
}

namespace {

struct Applier {
    Registry* registry;
    bool notify;
    bool create;  // false below "/machine", where nothing new may appear
    void (*run)(Registry*, const std::string&, RegistryKey*);

    void Apply(Registry::Node& node, const std::string& path, const StagedNode& staged) const
    {
        for (const StagedKey& k : staged.keys) {
            auto it = node.keys.find(k.name);
            if (it == node.keys.end()) {
                if (!create) continue;
                it = node.keys.emplace(k.name, std::unique_ptr<RegistryKey>(new RegistryKey)).first;
            }
            if (SetKey(*it->second, k.value) && notify) run(registry, path + "/" + k.name, it->second.get());
        }
        for (const StagedNode& n : staged.nodes) {
            auto it = node.children.find(n.name);
            if (it == node.children.end()) {
                if (!create) continue;
                it = node.children.emplace(n.name, std::unique_ptr<Registry::Node>(new Registry::Node)).first;
            }
            Apply(*it->second, path + "/" + n.name, n);
        }
    }
};

}  // namespace

bool Registry::LoadDocument(const Xml* document, bool notify, const NarrowString& basePath)
{
    if (!document) return false;
    XmlIt root = document->Root();
    if (!root || std::strcmp(root.GetName(), "registry") != 0) return false;
    XmlIt top(root, "node");
    if (!top) return false;
    NarrowString base = basePath;
    if (base.empty()) {
        const char* name = top.GetAttributeRaw("name");
        base = name ? name : "";
    }
    StagedNode staged;
    if (!Stage(top, staged, 1)) return false;

    std::lock_guard<std::recursive_mutex> lock(m_lock);
    Node* node = FindNodeLocked(base, false, true, nullptr);
    if (!node) return false;
    Applier applier{this, notify, !IsMachinePath(base),
                    [](Registry* r, const std::string& p, RegistryKey* k) { r->RunCallbacks(p, k); }};
    applier.Apply(*node, base, staged);
    return true;
}

}  // namespace Voke
