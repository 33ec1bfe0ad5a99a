#include "engine/core/text_dict.h"

#include <utility>

#include "engine/core/xml.h"

namespace Voke {

TextDict::TextDict() : m_table(std::make_shared<Table>()) {}

TextDict::~TextDict() = default;

bool TextDict::LoadDocument(const Xml* document)
{
    if (!document) return false;
    auto table = std::make_shared<Table>();
    for (XmlIt entry(document, "string"); entry; entry.Next()) {
        const char* id = entry.GetAttributeRaw("id");
        if (!id) continue;
        const char* text = entry.GetText();
        table->emplace(id, ToWideString(text ? text : ""));  // keeps the first
    }
    std::shared_ptr<const Table> old;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        old = std::move(m_table);
        m_table = std::move(table);
    }
    return true;  // the old table is freed here, outside the lock
}

bool TextDict::Load(const NarrowString& path)
{
    SmartPtr<Xml> document = Xml::Load(path);
    return LoadDocument(document);
}

std::shared_ptr<const std::map<NarrowString, WideString>> TextDict::GetAll() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_table;
}

WideString TextDict::Get(const NarrowString& id) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_table->find(id);
    return it == m_table->end() ? ToWideString(id) : it->second;
}

int TextDict::ReplaceVariable(WideString& text, const NarrowString& name, const WideString& value)
{
    const WideString placeholder = L"$(" + ToWideString(name) + L")";
    int count = 0;
    std::size_t at = 0;
    while ((at = text.find(placeholder, at)) != WideString::npos) {
        text.replace(at, placeholder.size(), value);
        at += value.size();
        ++count;
    }
    return count;
}

}  // namespace Voke
