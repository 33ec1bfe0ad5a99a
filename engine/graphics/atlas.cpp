#include "engine/graphics/atlas.h"

#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/core/vfs.h"
#include "engine/core/xml.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/pixel_data_gl.h"

namespace Voke {

AtlasSurface::AtlasSurface(Surface* page, int x, int y, int width, int height)
    : m_page(page), m_x(x), m_y(y), m_width(width), m_height(height)
{
    SetPixelData(page->GetPixelData());
    m_clip = Rect{0, 0, width, height};
    // The atlas makes its entries right after loading the page, before
    // anything can draw (and so upload) it.
    PixelData* pixels = page->GetPixelData();
    if (pixels && pixels->GetKind() == PixelData::kTexture) {
        m_opaqueRows = static_cast<PixelDataGL*>(pixels)->FindOpaqueRows(x, y, width, height);
        m_clearRows = static_cast<PixelDataGL*>(pixels)->FindClearRows(x, y, width, height);
    }
}

bool AtlasSurface::IsRowOpaque(int y) const
{
    if (y < 0 || size_t(y) >= m_opaqueRows.size() || GetOpacity() != 255) return false;
    return !TestFlags(kLinear | kColorKey) && m_opaqueRows[size_t(y)];
}

bool AtlasSurface::IsRowClear(int y) const
{
    if (y < 0 || size_t(y) >= m_clearRows.size()) return false;
    return !TestFlags(kLinear | kColorKey) && m_clearRows[size_t(y)];
}

AtlasSurface::~AtlasSurface() { m_page.Reset(); }

std::vector<const char*> Atlas::GetPageCandidates(const GLCaps& caps)
{
    std::vector<const char*> order;
    if (caps.dxtc) order.push_back("dds");
    if (caps.pvr) {
        order.push_back("pvr+");
        order.push_back("pvr");
    }
    if (caps.etc) order.push_back("etc");
    order.push_back("png");
    if (!caps.dxtc) order.push_back("dds");
    if (!caps.etc) order.push_back("etc");
    return order;
}

const char* Atlas::ChoosePageExtension(const NarrowString& pageBase, const GLCaps& caps)
{
    for (const char* extension : GetPageCandidates(caps)) {
        SmartPtr<File> probe(Vfs::Open((pageBase + extension).c_str()));
        if (probe) return extension;
    }
    return nullptr;
}

namespace {

// One "rect" element, checked against the page; false when it is damaged.
bool ReadRect(const XmlIt& rect, const Surface& page, Rect& out)
{
    if (!rect.GetAttribute("x", out.x) || !rect.GetAttribute("y", out.y) || !rect.GetAttribute("width", out.w) ||
        !rect.GetAttribute("height", out.h))
        return false;
    if (out.x < 0 || out.y < 0 || out.w < 0 || out.h < 0) return false;
    return int64_t(out.x) + out.w <= page.GetWidth() && int64_t(out.y) + out.h <= page.GetHeight();
}

}  // namespace

Atlas::Atlas(const NarrowString& path, const NarrowString& pageBase, const NarrowString& tag, AssetDict* dict)
{
    const char* extension = ChoosePageExtension(pageBase, *GetGLCaps());
    if (!extension) return;
    NarrowString pageName = pageBase + extension;
    if (!tag.empty()) pageName += "@" + tag;
    SmartPtr<AssetDict> engine = AssetDict::s_engine;
    if (!dict) dict = engine;
    m_page = dict ? GetCachedSurface(*dict, pageName, false) : SmartPtr<Surface>(LoadSurfaceWithOptions(pageName));
    if (!m_page) return;

    SmartPtr<Xml> description(Xml::Load(path));
    if (!description) return;
    m_loaded = m_complete = true;
    for (XmlIt rect(description, "rect"); rect; rect.Next()) {
        Rect area;
        if (!ReadRect(rect, *m_page, area)) {
            m_complete = false;
            continue;
        }
        NarrowString name;
        rect.GetAttribute("id", name);
        if (!tag.empty()) name += "@" + tag;
        if (m_entries.count(name)) continue;
        m_entries.emplace(name, SmartPtr<AtlasSurface>(new AtlasSurface(m_page, area.x, area.y, area.w, area.h)));
    }
}

Atlas::~Atlas()
{
    m_entries.clear();
    m_page.Reset();
}

AtlasSurface* Atlas::Find(const NarrowString& name) const
{
    auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : it->second.Get();
}

bool AssetDict::LoadAtlas(const NarrowString& name)
{
    NarrowString file, tag;
    SplitName(name, file, tag);

    SmartPtr<RefCounter> kept;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_atlases.find(name);
        if (it != m_atlases.end()) kept = it->second;
    }
    SmartPtr<Atlas> atlas = static_cast<Atlas*>(kept.Get());
    if (!atlas) {
        const NarrowString pageBase = file.size() >= 3 ? file.substr(0, file.size() - 3) : NarrowString();
        atlas = new Atlas(file, pageBase, tag, this);
        // An atlas without its page or description is not kept, so asking
        // again retries.
        if (!atlas->IsLoaded()) return false;
        if (!InsertAtlas(name, atlas)) {
            // Another thread kept one meanwhile: register that one's entries.
            std::lock_guard<std::mutex> lock(m_mutex);
            kept = m_atlases[name];
        }
        if (kept) atlas = static_cast<Atlas*>(kept.Get());
    }
    for (const auto& entry : atlas->GetEntries()) SetWeak<Surface>(entry.first, entry.second.Get());
    return atlas->IsComplete();
}

void AssetDict::UploadAtlasPages()
{
    Batcher* batcher = Batcher::Get();
    if (!batcher) return;
    std::vector<SmartPtr<RefCounter>> atlases;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& kept : m_atlases) atlases.push_back(kept.second);
    }
    // Binding a page through the batcher uploads it the way a first draw
    // would, and the batcher knows what is bound afterwards.
    for (const SmartPtr<RefCounter>& kept : atlases) {
        Surface* page = static_cast<Atlas*>(kept.Get())->GetPage();
        if (page && page->GetPixelData())
            batcher->SetTexture(page->GetPixelData(), page->TestFlags(~0u), page->GetOpacity());
    }
}

}  // namespace Voke
