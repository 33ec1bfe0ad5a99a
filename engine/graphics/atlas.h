// Texture atlases: one page image holding many small images, and an XML
// description naming each one with its rectangle in the page.
//
// Description: a root element of any name whose "rect" children are the
// entries, with attributes "id" (text, "" when absent) and "x", "y",
// "width", "height" (integers read with "%i"). The page file is the
// description's path without its last three characters plus the extension
// that suits the GPU (see Atlas::GetPageCandidates), fetched through the
// asset dictionary with the atlas's tag as its image options; an entry's name
// is its id, plus '@' and the tag when there is one.
#pragma once

#include <map>
#include <vector>

#include "engine/core/asset_dict.h"
#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/surface.h"

namespace Voke {

// One rectangle of a page, drawn like an image of its own: it shares the
// page's pixel data and offsets every source rectangle by its position.
class AtlasSurface : public Surface {
public:
    // `page` must not be null (the atlas never makes an entry without one).
    AtlasSurface(Surface* page, int x, int y, int width, int height);
    ~AtlasSurface() override;

    int GetWidth() const override { return m_width; }
    int GetHeight() const override { return m_height; }
    // Filtering and colour key are the page's.
    uint32_t TestFlags(uint32_t mask) const override { return m_page->TestFlags(mask); }
    int GetPageX() const override { return m_x; }
    int GetPageY() const override { return m_y; }
    // Known when the page's pixels were still in memory as the entry was
    // made; never with linear filtering (which mixes in the neighbouring
    // rows), a colour key or an opacity below 255.
    bool IsRowOpaque(int y) const override;
    // Known alike; never with linear filtering or a colour key.
    bool IsRowClear(int y) const override;

    Surface* GetPage() const { return m_page; }

private:
    SmartPtr<Surface> m_page;
    int32_t m_x, m_y, m_width, m_height;
    // One flag per row of the rectangle: all its page pixels opaque.
    std::vector<bool> m_opaqueRows;
    // One flag per row: all its page pixels fully transparent.
    std::vector<bool> m_clearRows;
};

class Atlas : public RefCounter {
public:
    using Entries = std::map<NarrowString, SmartPtr<AtlasSurface>>;

    // Reads the description at `path`, fetches the page `pageBase` +
    // extension (+ '@' + tag) through `dict` (the engine's dictionary when
    // null; a plain load when there is none) and makes one entry per good
    // rectangle; the first of two rectangles with the same name wins.
    // Never fails outright: a missing or unreadable page or description gives
    // an atlas without entries (IsLoaded false); a damaged rectangle (an
    // attribute missing or not an integer, a negative size, or reaching
    // outside the page) is left out; IsComplete tells whether anything was
    // wrong.
    Atlas(const NarrowString& path, const NarrowString& pageBase, const NarrowString& tag,
          AssetDict* dict = nullptr);
    // Releases the entries, then the page.
    ~Atlas() override;

    bool IsComplete() const { return m_complete; }
    // True when both the page and the description were read.
    bool IsLoaded() const { return m_loaded; }
    Surface* GetPage() const { return m_page; }
    const Entries& GetEntries() const { return m_entries; }
    // The entry of that name, or null.
    AtlasSurface* Find(const NarrowString& name) const;

    // Page file extensions in the order they are tried, from the capability
    // flags: "dds" with S3TC, "pvr+" and "pvr" with PVRTC, "etc" with ETC1,
    // then "png" always, then "dds" and "etc" when unsupported (the loaders
    // decode those formats in software).
    static std::vector<const char*> GetPageCandidates(const GLCaps& caps);
    // The first candidate for which pageBase + extension opens through the
    // mount table; null when none does.
    static const char* ChoosePageExtension(const NarrowString& pageBase, const GLCaps& caps);

private:
    SmartPtr<Surface> m_page;
    Entries m_entries;
    bool m_loaded = false;
    bool m_complete = false;
};

}  // namespace Voke
