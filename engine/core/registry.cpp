#include "engine/core/registry.h"

#include <utility>

namespace Voke {

SmartPtr<Registry> Registry::s_engine;

bool RegistryKey::Set(bool value)
{
    m_value = value;
    m_type = kBool;
    return true;
}

bool RegistryKey::Set(int value)
{
    m_value = value;
    m_type = kInt;
    return true;
}

bool RegistryKey::Set(float value)
{
    m_value = value;
    m_type = kFloat;
    return true;
}

bool RegistryKey::Set(const NarrowString& value)
{
    m_value = value;
    m_type = kString;
    return true;
}

Any RegistryKey::Get() const { return m_value; }

bool Registry::IsMachinePath(const NarrowString& path)
{
    static const char kMachine[] = "/machine";
    const std::size_t n = sizeof(kMachine) - 1;
    return path.compare(0, n, kMachine) == 0 && (path.size() == n || path[n] == '/');
}

Registry::Registry() = default;

Registry::~Registry()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_callbacks.clear();
}

Registry::Node* Registry::FindNodeLocked(const NarrowString& path, bool isKeyPath, bool create,
                                         std::string* keyName)
{
    if (path.empty() || path[0] != '/' || path.size() > kMaxPathLength) return nullptr;
    if (!m_creatingMachine && IsMachinePath(path)) create = false;

    std::size_t walkEnd = path.size();
    if (isKeyPath) {
        std::size_t slash = path.rfind('/');
        // Keys never sit directly under the root, and need a name.
        if (slash == 0 || slash + 1 == path.size()) return nullptr;
        if (keyName) keyName->assign(path, slash + 1, std::string::npos);
        walkEnd = slash;
    }

    Node* node = &m_root;
    std::size_t begin = 1;
    while (begin < walkEnd) {
        std::size_t end = path.find('/', begin);
        if (end == std::string::npos || end > walkEnd) end = walkEnd;
        std::string name(path, begin, end - begin);
        auto it = node->children.find(name);
        if (it != node->children.end()) {
            node = it->second.get();
        } else {
            if (!create) return nullptr;
            Node* child = new Node;
            node->children.emplace(std::move(name), std::unique_ptr<Node>(child));
            node = child;
        }
        begin = end + 1;
    }
    return node;
}

Registry::Node* Registry::FindNode(const NarrowString& path, bool isKeyPath, bool create)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return FindNodeLocked(path, isKeyPath, create, nullptr);
}

RegistryKey* Registry::GetKeyLocked(const NarrowString& path, bool create)
{
    std::string name;
    Node* node = FindNodeLocked(path, true, create, &name);
    if (!node) return nullptr;
    auto it = node->keys.find(name);
    if (it != node->keys.end()) return it->second.get();
    if (!create || (!m_creatingMachine && IsMachinePath(path))) return nullptr;
    RegistryKey* key = new RegistryKey;
    node->keys.emplace(std::move(name), std::unique_ptr<RegistryKey>(key));
    return key;
}

RegistryKey* Registry::GetKey(const NarrowString& path, bool create)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return GetKeyLocked(path, create);
}

template <class T>
bool Registry::GetValue(const NarrowString& path, T& out)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    RegistryKey* key = GetKeyLocked(path, false);
    if (!key) return false;
    return key->Get().Get(out);
}

bool Registry::Get(const NarrowString& path, std::string& out) { return GetValue(path, out); }
bool Registry::Get(const NarrowString& path, float& out) { return GetValue(path, out); }
bool Registry::Get(const NarrowString& path, int& out) { return GetValue(path, out); }
bool Registry::Get(const NarrowString& path, bool& out) { return GetValue(path, out); }

template <class T>
bool Registry::SetValue(const NarrowString& path, const T& value)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    RegistryKey* key = GetKeyLocked(path, true);
    if (!key || !key->Set(value)) return false;
    RunCallbacks(path, key);
    return true;
}

bool Registry::Set(const NarrowString& path, const NarrowString& value) { return SetValue(path, value); }
bool Registry::Set(const NarrowString& path, float value) { return SetValue(path, value); }
bool Registry::Set(const NarrowString& path, int value) { return SetValue(path, value); }
bool Registry::Set(const NarrowString& path, bool value) { return SetValue(path, value); }

void Registry::RunCallbacks(const std::string& path, RegistryKey* key)
{
    // A copy, so that a callback may add or remove callbacks.
    std::vector<CallbackEntry> callbacks = m_callbacks;
    for (const CallbackEntry& entry : callbacks) {
        if (path.compare(0, entry.prefix.size(), entry.prefix) == 0)
            entry.function(entry.userData, path, key);
    }
}

void Registry::AddCallback(const NarrowString& prefix, Callback function, void* userData,
                           const char* text1, const char* text2, int line)
{
    std::string description = std::string(text1 ? text1 : "") + " (" + (text2 ? text2 : "") + ": " +
                              std::to_string(line) + ")";
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_callbacks.push_back(CallbackEntry{function, userData, prefix, std::move(description)});
}

std::vector<std::pair<std::string, std::string>> Registry::GetCallbackDescriptions() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    std::vector<std::pair<std::string, std::string>> out;
    out.reserve(m_callbacks.size());
    for (const CallbackEntry& entry : m_callbacks) out.emplace_back(entry.prefix, entry.description);
    return out;
}

bool Registry::RemoveCallback(const NarrowString& prefix, Callback function, void* userData)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (auto it = m_callbacks.begin(); it != m_callbacks.end(); ++it) {
        if (it->function == function && it->userData == userData && it->prefix == prefix) {
            m_callbacks.erase(it);
            return true;
        }
    }
    return false;
}

bool Registry::AddMachineKey(const NarrowString& nodePath, const NarrowString& name, RegistryKey* key)
{
    std::unique_ptr<RegistryKey> owned(key);
    if (!key || name.empty() || !IsMachinePath(nodePath)) return false;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_creatingMachine = true;
    Node* node = FindNodeLocked(nodePath, false, true, nullptr);
    m_creatingMachine = false;
    if (!node) return false;
    node->keys[name] = std::move(owned);
    return true;
}

}  // namespace Voke
