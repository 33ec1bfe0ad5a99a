#include "tools/picturegen/picture_sink.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "tools/picturegen/draw_kit.h"

namespace PictureGen {

namespace {
bool MakeDirs(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return true;
}

std::string Folder(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A relative path that stays below its folder.
bool SafeRelative(const std::string& path)
{
    if (path.empty() || path[0] == '/') return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

// Contact sheet layout.
// NOTE: 1280 px wide sheets; pictures wider than 400 px are shown scaled to
// 400, pictures of 40 px or less twice their size.
constexpr int kSheetWidth = 1280;
constexpr int kMaxShown = 400;
constexpr int kLabelHeight = 12;
constexpr int kGap = 8;

void Checker(cairo_t* cr, int w, int h)
{
    for (int y = 0; y < h; y += 8)
        for (int x = 0; x < w; x += 8) {
            double v = ((x / 8 + y / 8) % 2) ? 0.42 : 0.5;
            cairo_set_source_rgb(cr, v, v, v + 0.04);
            cairo_rectangle(cr, x, y, 8, 8);
            cairo_fill(cr);
        }
}
}  // namespace

PictureSink::PictureSink(std::string outDir) : m_outDir(std::move(outDir)) {}

void PictureSink::Fail(const std::string& message)
{
    std::fprintf(stderr, "picturegen: %s\n", message.c_str());
    m_ok = false;
}

void PictureSink::Add(const std::string& group, const std::string& name, cairo_surface_t* image)
{
    if (!SafeRelative(group) || group.find('/') != std::string::npos || !SafeRelative(name)) {
        Fail("bad picture name " + group + "/" + name);
        return;
    }
    if (m_groupOf.count(name)) {
        Fail(name + " is painted twice");
        return;
    }
    if (!image || cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        Fail("no picture for " + name);
        return;
    }
    m_groupOf[name] = group;
    std::string path = m_outDir + "/" + group + "/" + name;
    if (!MakeDirs(Folder(path))) {
        Fail("cannot make the folder of " + path);
        return;
    }
    cairo_surface_flush(image);
    if (cairo_surface_write_to_png(image, path.c_str()) != CAIRO_STATUS_SUCCESS) Fail("cannot write " + path);
}

Surface PictureSink::Load(const std::string& name) const
{
    auto found = m_groupOf.find(name);
    if (found == m_groupOf.end()) return nullptr;
    std::string path = m_outDir + "/" + found->second + "/" + name;
    Surface picture(cairo_image_surface_create_from_png(path.c_str()));
    if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    return picture;
}

void PictureSink::AddSheet(const std::string& name, cairo_surface_t* image)
{
    if (m_sheetDir.empty()) return;
    if (!MakeDirs(m_sheetDir)) {
        Fail("cannot make " + m_sheetDir);
        return;
    }
    cairo_surface_flush(image);
    std::string path = m_sheetDir + "/" + name + ".png";
    if (cairo_surface_write_to_png(image, path.c_str()) != CAIRO_STATUS_SUCCESS) Fail("cannot write " + path);
}

void PictureSink::WriteGroupSheets()
{
    if (m_sheetDir.empty()) return;
    std::map<std::string, std::vector<std::string>> names;
    for (const auto& [name, group] : m_groupOf) names[group].push_back(name);

    for (const auto& [group, list] : names) {
        struct Item {
            Surface picture;
            std::string name;
            double scale;
            int x, y, w, h;
        };
        std::vector<Item> items;
        int x = kGap, y = 28, rowHeight = 0;
        for (const std::string& name : list) {
            std::string path = m_outDir + "/" + group + "/" + name;
            Surface picture(cairo_image_surface_create_from_png(path.c_str()));
            if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) {
                Fail("cannot read back " + path);
                continue;
            }
            int pw = cairo_image_surface_get_width(picture.get());
            int ph = cairo_image_surface_get_height(picture.get());
            int longest = std::max(pw, ph);
            double scale = longest > kMaxShown ? double(kMaxShown) / longest : (longest <= 40 ? 2.0 : 1.0);
            int w = std::max(static_cast<int>(pw * scale), 1);
            int h = std::max(static_cast<int>(ph * scale), 1);
            int cellWidth = std::max(w, 84);
            if (x + cellWidth > kSheetWidth - kGap) {
                x = kGap;
                y += rowHeight + kLabelHeight + kGap;
                rowHeight = 0;
            }
            items.push_back({std::move(picture), name, scale, x, y, w, h});
            x += cellWidth + kGap;
            rowHeight = std::max(rowHeight, h);
        }
        int height = y + rowHeight + kLabelHeight + kGap;
        Surface sheet = MakeSurface(kSheetWidth, height);
        Context cr = MakeContext(sheet.get());
        cairo_set_source_rgb(cr.get(), 0.16, 0.16, 0.2);
        cairo_paint(cr.get());
        SelectFont(cr.get(), FontStyle::Bold, 14);
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        FillText(cr.get(), kGap, 18, group + " (" + std::to_string(items.size()) + " pictures)");
        SelectFont(cr.get(), FontStyle::Regular, 9);
        for (Item& item : items) {
            cairo_save(cr.get());
            cairo_translate(cr.get(), item.x, item.y);
            cairo_rectangle(cr.get(), 0, 0, item.w, item.h);
            cairo_clip(cr.get());
            Checker(cr.get(), item.w, item.h);
            cairo_scale(cr.get(), item.scale, item.scale);
            cairo_set_source_surface(cr.get(), item.picture.get(), 0, 0);
            cairo_pattern_set_filter(cairo_get_source(cr.get()),
                                     item.scale > 1 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
            cairo_paint(cr.get());
            cairo_restore(cr.get());
            cairo_set_source_rgb(cr.get(), 0.85, 0.85, 0.9);
            FillText(cr.get(), item.x, item.y + item.h + 10, item.name);
        }
        AddSheet(group, sheet.get());
    }
}

cairo_surface_t* NewImage(int width, int height)
{
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
}

}  // namespace PictureGen
