#include "engine/text/font_ex.h"

#include "engine/core/asset_dict.h"
#include "engine/core/io_stream.h"
#include "engine/core/vfs.h"
#include "engine/core/xml.h"
#include "engine/text/font_page.h"

namespace Voke {

namespace {

// An attribute counts only when it exists with a non-empty value.
bool Present(const XmlIt& it, const char* name) { return it.HasAttribute(name, false); }

}  // namespace

FontEx::FontEx(const NarrowString& descPath, const NarrowString& imageName)
{
    SmartPtr<File> stream(Vfs::Open(descPath.c_str()));
    LoadXml(stream.Get());
    LoadImage(imageName);
}

bool FontEx::LoadXml(SeekableStream* stream)
{
    if (!stream) return false;
    SmartPtr<Xml> document(Xml::Create(stream));
    return LoadXml(document.Get());
}

bool FontEx::LoadXml(const Xml* document)
{
    if (!document) return false;
    const XmlIt characters(document, "characters");
    int32_t referenceHeight = 0;
    for (XmlIt it(characters, "char"); it; it.Next()) {
        if (!Present(it, "code") || !Present(it, "x") || !Present(it, "y") || !Present(it, "width") ||
            !Present(it, "height"))
            break;
        unsigned code = 0;
        Glyph glyph = {0, 0, 0, 0};
        it.GetAttribute("code", code);
        it.GetAttribute("x", glyph.x);
        it.GetAttribute("y", glyph.y);
        it.GetAttribute("width", glyph.width);
        it.GetAttribute("height", glyph.height);
        if (referenceHeight == 0)
            referenceHeight = glyph.height;
        else if (glyph.height != referenceHeight)
            return false;
        AddGlyph(code, glyph);
    }
    const XmlIt kerning(document, "kerning");
    for (XmlIt it(kerning, "pair"); it; it.Next()) {
        if (!Present(it, "left") || !Present(it, "right") || !Present(it, "distance")) break;
        unsigned left = 0, right = 0;
        int32_t distance = 0;
        it.GetAttribute("left", left);
        it.GetAttribute("right", right);
        it.GetAttribute("distance", distance);
        AddKerning(left, right, distance);
    }
    return !m_glyphs.empty();
}

bool FontEx::LoadImage(const NarrowString& imageName)
{
    m_page = LoadFontPage(imageName);
    return m_page.Get() != nullptr;
}

const FontEx::Glyph& FontEx::FindGlyph(uint32_t code) const
{
    static const Glyph kNoGlyph = {0, 0, 0, 0};
    auto it = m_glyphs.find(code);
    if (it != m_glyphs.end()) return it->second;
    it = m_glyphs.find(0xFFFD);
    if (it != m_glyphs.end()) return it->second;
    return m_glyphs.empty() ? kNoGlyph : m_glyphs.begin()->second;
}

int32_t FontEx::FindKerning(uint32_t left, uint32_t right) const
{
    auto it = m_kerning.find({left, right});
    return it == m_kerning.end() ? 0 : it->second;
}

int32_t FontEx::GetLineHeight() const { return m_glyphs.empty() ? 0 : m_glyphs.begin()->second.height; }

void FontEx::AddGlyph(uint32_t code, const Glyph& glyph) { m_glyphs.emplace(code, glyph); }

void FontEx::AddKerning(uint32_t left, uint32_t right, int32_t distance)
{
    m_kerning.emplace(std::make_pair(left, right), distance);
}

FontEx* LoadFontEx(const NarrowString& name)
{
    const size_t at = name.rfind('@');
    const NarrowString file = name.substr(0, at);
    const NarrowString options = at == NarrowString::npos ? NarrowString() : name.substr(at);
    NarrowString page = file;
    const size_t dot = page.rfind('.');
    const size_t slash = page.rfind('/');
    if (dot != NarrowString::npos && (slash == NarrowString::npos || dot > slash)) page.erase(dot);
    page += ".png";
    return new FontEx(file, page + options);
}

}  // namespace Voke

namespace Voke {

SmartPtr<FontEx> GetCachedFont(const NarrowString& name)
{
    SmartPtr<AssetDict> dict = AssetDict::s_engine;
    if (!dict) return SmartPtr<FontEx>(LoadFontEx(name));
    return dict->GetCached<FontEx>(name, false, [](const NarrowString& n) { return LoadFontEx(n); });
}

}  // namespace Voke
