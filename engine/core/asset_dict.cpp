#include "engine/core/asset_dict.h"

namespace Voke {

SmartPtr<AssetDict> AssetDict::s_engine;

AssetDict::~AssetDict()
{
    // The assets are released after the lock is dropped.
    std::map<NarrowString, Any> weak, resident;
    std::map<NarrowString, SmartPtr<RefCounter>> atlases;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        weak.swap(m_weak);
        resident.swap(m_resident);
        atlases.swap(m_atlases);
    }
}

bool AssetDict::SplitName(const NarrowString& name, NarrowString& base, NarrowString& options)
{
    const size_t at = name.rfind('@');
    if (at == NarrowString::npos) {
        base = name;
        options.clear();
        return false;
    }
    base = name.substr(0, at);
    options = name.substr(at + 1);
    return true;
}

std::vector<NarrowString> AssetDict::SplitOptions(const NarrowString& options)
{
    std::vector<NarrowString> items;
    size_t start = 0;
    while (start <= options.size()) {
        size_t comma = options.find(',', start);
        if (comma == NarrowString::npos) comma = options.size();
        if (comma > start) items.push_back(options.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

void AssetDict::Remove(const NarrowString& name)
{
    SmartPtr<RefCounter> atlas;  // released after the lock is dropped
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_atlases.find(name);
    if (it == m_atlases.end()) return;
    atlas = it->second;
    m_atlases.erase(it);
}

bool AssetDict::InsertAtlas(const NarrowString& name, RefCounter* atlas)
{
    SmartPtr<RefCounter> held(atlas);
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_atlases.emplace(name, held).second;
}

bool AssetDict::HasAtlas(const NarrowString& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_atlases.count(name) != 0;
}

size_t AssetDict::GetWeakCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_weak.size();
}

size_t AssetDict::GetResidentCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_resident.size();
}

size_t AssetDict::GetAtlasCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_atlases.size();
}

}  // namespace Voke
