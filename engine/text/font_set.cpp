#include "engine/text/font_set.h"

namespace Voke {
namespace Text {

void FontSet::Add(const NarrowString& name, FontEx* font)
{
    if (!font) return;
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_defaultName.empty()) m_defaultName = name;
    m_fonts.emplace(name, SmartPtr<FontEx>(font));
}

FontEx* FontSet::Find(const NarrowString& name) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    auto it = m_fonts.find(name);
    if (it != m_fonts.end()) return it->second.Get();
    if (name == m_defaultName) return nullptr;
    it = m_fonts.find(m_defaultName);
    return it == m_fonts.end() ? nullptr : it->second.Get();
}

bool FontSet::Contains(const NarrowString& name) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_fonts.count(name) != 0;
}

bool FontSet::HasDefault() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_fonts.count(m_defaultName) != 0;
}

int FontSet::GetCount() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return int(m_fonts.size());
}

void FontSet::SetDefaultName(const NarrowString& name)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_defaultName = name;
}

NarrowString FontSet::GetDefaultName() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_defaultName;
}

}  // namespace Text
}  // namespace Voke
