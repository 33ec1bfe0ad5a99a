// The registry: the engine's tree of typed settings.
//
// Keys hold a bool, a 32-bit integer, a float or a string and are addressed by
// slash-separated paths ("/controls/swap", "/endless/scores/level01"): the
// last component names the key, the others nested nodes. The game keeps its
// user settings and endless-mode records here and writes subtrees to registry
// files; the "/machine" subtree holds read-only keys that compute their values
// when read (installed by the application layer, see AddMachineKey). Code may
// register functions called when a key under a path prefix is set.
//
// Limits: a path holds at most kMaxPathLength bytes; a registry file nests
// nodes at most kMaxFileDepth deep.
//
// Threads: the main thread and the game's loader thread use one registry at
// the same time; every operation takes the registry's lock, and callbacks run
// under it on the thread that set the key.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/core/any.h"
#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

struct lua_State;

namespace Voke {

class Xml;

class RegistryKey {
public:
    enum Type : int32_t { kBool = 0, kInt = 1, kFloat = 2, kString = 3 };

    RegistryKey() = default;
    virtual ~RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Each replaces the value with one of its type, changing the key's type
    // when it held another. Read-only keys return false and change nothing.
    virtual bool Set(bool value);
    virtual bool Set(int value);
    virtual bool Set(float value);
    virtual bool Set(const NarrowString& value);
    // A copy of the value; empty while the key was never set. Computed keys
    // return their current value.
    virtual Any Get() const;

    Type GetType() const { return m_type; }

protected:
    explicit RegistryKey(Type type) : m_type(type) {}

private:
    Any m_value;
    Type m_type = kBool;
};

// A key every Set of which fails.
class RegistryKeyProtected : public RegistryKey {
public:
    bool Set(bool) override { return false; }
    bool Set(int) override { return false; }
    bool Set(float) override { return false; }
    bool Set(const NarrowString&) override { return false; }

protected:
    using RegistryKey::RegistryKey;
};

class RegistryKeyProtectedBool : public RegistryKeyProtected {
public:
    RegistryKeyProtectedBool() : RegistryKeyProtected(kBool) {}
};

class RegistryKeyProtectedInt : public RegistryKeyProtected {
public:
    RegistryKeyProtectedInt() : RegistryKeyProtected(kInt) {}
};

class RegistryKeyProtectedString : public RegistryKeyProtected {
public:
    RegistryKeyProtectedString() : RegistryKeyProtected(kString) {}
};

class Registry : public RefCounter {
public:
    // NOTE: paths longer than this are refused (registry files written by
    // earlier versions never held longer ones).
    static constexpr std::size_t kMaxPathLength = 255;
    // NOTE: deeper nesting in a registry file makes the whole load fail; it is
    // also far more than any path of kMaxPathLength bytes can address.
    static constexpr int kMaxFileDepth = 128;

    // The engine's registry (the application's static registry handle refers
    // to this one), which the script functions below use; empty until the
    // game creates it.
    static SmartPtr<Registry> s_engine;

    class Node {
    public:
        // Both maps order names byte-wise.
        std::map<std::string, std::unique_ptr<Node>> children;
        std::map<std::string, std::unique_ptr<RegistryKey>> keys;
    };

    // Called with the user data, the full path of the key that was set and
    // the key.
    using Callback = void (*)(void* userData, const std::string& path, RegistryKey* key);

    // An empty registry. The "/machine" keys come from AddMachineKey.
    Registry();
    ~Registry() override;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The node a path names (with `isKeyPath`, the node holding the key it
    // names), created with its parents when `create` is on. Null for an empty
    // path, one not beginning with '/', one longer than kMaxPathLength, a key
    // path whose key name is empty or that puts a key directly under the root,
    // a missing node without `create`, and any new node below "/machine".
    // Nodes are never removed, so the result stays valid as long as the
    // registry; reading or changing what it holds is up to the caller's own
    // synchronisation.
    Node* FindNode(const NarrowString& path, bool isKeyPath, bool create);
    // The key a path names, created (untyped and empty) when missing and
    // `create` is on; null as for FindNode.
    RegistryKey* GetKey(const NarrowString& path, bool create);

    // Copy the key's value into `out` and return true. False, with `out`
    // untouched, when there is no such key, it was never set, or it holds
    // another type than `out` (values are never converted).
    bool Get(const NarrowString& path, std::string& out);
    bool Get(const NarrowString& path, float& out);
    bool Get(const NarrowString& path, int& out);
    bool Get(const NarrowString& path, bool& out);

    // Store the value, creating the key and its nodes, then run the callbacks
    // whose prefix begins the path. False, with nothing changed and no
    // callback run, for a path FindNode refuses or a read-only key.
    bool Set(const NarrowString& path, const NarrowString& value);
    bool Set(const NarrowString& path, const char* value) { return Set(path, NarrowString(value)); }
    bool Set(const NarrowString& path, float value);
    bool Set(const NarrowString& path, int value);
    bool Set(const NarrowString& path, bool value);

    // Registers `function` for every key set under `prefix` (a plain leading
    // part of the path: "/controls" also covers "/controlsX/y"; "" covers
    // all). The description "text1 (text2: line)" names who registered it.
    void AddCallback(const NarrowString& prefix, Callback function, void* userData,
                     const char* text1, const char* text2, int line);
    // Removes the first entry matching all three; false when there is none.
    bool RemoveCallback(const NarrowString& prefix, Callback function, void* userData);

    // Calls visit(root) with the root node under the registry's lock, so the
    // tree can be walked while the loader thread may be setting keys.
    // `visit` may read keys but must not add nodes or keys.
    template <class Visit>
    void Inspect(Visit&& visit)
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        visit(static_cast<const Node&>(m_root));
    }
    // The prefix and description of every registered callback, in the order
    // of registration.
    std::vector<std::pair<std::string, std::string>> GetCallbackDescriptions() const;

    // Installs a read-only key under "/machine", creating its node. Takes
    // ownership of `key` (deleted on failure) and replaces a key of the same
    // name. False when `nodePath` is not "/machine" or below it, or when the
    // name is empty.
    bool AddMachineKey(const NarrowString& nodePath, const NarrowString& name, RegistryKey* key);

    // The registry file text for the subtree at `path`, or "" when the path
    // names no node. Keys never given a value are left out.
    NarrowString ToXml(const NarrowString& path);
    // Writes ToXml(path) to `file` through the mount table's safe write: the
    // previous file is replaced only when the whole text was written and
    // kept. False, with the file untouched, when the path names no node or
    // any step fails.
    bool Save(const NarrowString& file, const NarrowString& path);
    // LoadFromString on the file opened through the mount table; false when
    // it does not open.
    bool Load(const NarrowString& file, bool notify, const NarrowString& basePath);
    // Merges a registry file into the registry under `basePath`, or, when that
    // is empty, under the path the file names. With `notify`, the callbacks
    // run for every key stored. A text that is not a well-formed registry
    // file (wrong root, no node, nesting beyond kMaxFileDepth) or a base path
    // that cannot be created gives false and changes nothing. Values that do
    // not read as their type, and unknown types, create the key but leave its
    // value as it was; read-only keys keep their values.
    bool LoadFromString(const std::string& text, bool notify, const NarrowString& basePath);
    bool LoadDocument(const Xml* document, bool notify, const NarrowString& basePath);

    // Script functions (lua_CFunction) over the engine's registry, s_engine;
    // they live with the script host (engine/script/registry_lua.cpp) and
    // nothing registers them by default.
    // LuaSet (path, value): a boolean sets a bool; a number, or a string that
    // reads as one, sets a float when it has a fraction or lies outside the
    // int range and otherwise an int; another string sets a string; other
    // values set nothing. Returns the result of the set (false without a
    // registry). LuaGet (path): the key's value as a boolean, number or
    // string; nil when there is no such key, no value or no registry.
    static int LuaSet(lua_State* state);
    static int LuaGet(lua_State* state);

private:
    struct CallbackEntry {
        Callback function;
        void* userData;
        std::string prefix;
        std::string description;
    };

    // Whether the path's first component is "machine".
    static bool IsMachinePath(const NarrowString& path);
    Node* FindNodeLocked(const NarrowString& path, bool isKeyPath, bool create, std::string* keyName);
    RegistryKey* GetKeyLocked(const NarrowString& path, bool create);
    template <class T>
    bool GetValue(const NarrowString& path, T& out);
    template <class T>
    bool SetValue(const NarrowString& path, const T& value);
    void RunCallbacks(const std::string& path, RegistryKey* key);

    // Taken by the main thread and the loader thread around every operation;
    // recursive so that callbacks may read and set keys.
    mutable std::recursive_mutex m_lock;
    Node m_root;
    std::vector<CallbackEntry> m_callbacks;
    bool m_creatingMachine = false;
};

}  // namespace Voke
