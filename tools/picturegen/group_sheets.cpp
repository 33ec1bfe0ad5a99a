// The contact sheet of each picture group: every picture of the group with
// its name, read back from the files the sink wrote. Kept apart from the
// sink's file writing, which needs nothing but cairo.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/picture_sink.h"

namespace PictureGen {

using namespace Kit;

namespace {

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
        SheetHead(cr.get(), 0.16, 0.16, 0.2, kGap, 18, group + " (" + std::to_string(items.size()) + " pictures)");
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

}  // namespace PictureGen
