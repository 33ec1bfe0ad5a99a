#include "tools/picturegen/tiled_layout.h"

#include <cmath>
#include <sstream>

namespace PictureGen {

TiledLayout& TiledLayout::Texture(const std::string& name, int x, int y, int countx, int county, int stepX,
                                  int stepY)
{
    LayoutTile t;
    t.filename = name;
    t.x = x;
    t.y = y;
    t.countx = countx;
    t.county = county;
    t.width = stepX;
    t.height = stepY;
    tiles.push_back(t);
    return *this;
}

TiledLayout& TiledLayout::Fill(int x, int y, int w, int h, Rgb colour)
{
    LayoutTile t;
    t.rect = true;
    t.x = x;
    t.y = y;
    t.width = w;
    t.height = h;
    t.colour = colour;
    tiles.push_back(t);
    return *this;
}

std::string LayoutXml(const TiledLayout& layout)
{
    if (static_cast<int>(layout.tiles.size()) > kMaxTiles) return std::string();
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    out << "<picture width=\"" << layout.width << "\" height=\"" << layout.height << "\">\n";
    for (const LayoutTile& t : layout.tiles) {
        if (t.rect) {
            out << "\t<rect x=\"" << t.x << "\" y=\"" << t.y << "\" width=\"" << t.width << "\" height=\""
                << t.height << "\" r=\"" << t.colour.r << "\" g=\"" << t.colour.g << "\" b=\"" << t.colour.b
                << "\"/>\n";
            continue;
        }
        out << "\t<texture filename=\"" << t.filename << "\" x=\"" << t.x << "\" y=\"" << t.y << "\"";
        if (t.width != 0) out << " width=\"" << t.width << "\"";
        if (t.height != 0) out << " height=\"" << t.height << "\"";
        if (t.countx != 1) out << " countx=\"" << t.countx << "\"";
        if (t.county != 1) out << " county=\"" << t.county << "\"";
        out << "/>\n";
    }
    out << "</picture>\n";
    return out.str();
}

void DrawLayout(cairo_t* cr, const TiledLayout& layout, int x, int y, const ArtBook& book)
{
    for (const LayoutTile& t : layout.tiles) {
        if (t.rect) {
            SetColour(cr, t.colour);
            cairo_rectangle(cr, x + t.x, y + t.y, t.width, t.height);
            cairo_fill(cr);
            continue;
        }
        cairo_surface_t* image = book.Find(t.filename);
        if (!image) continue;
        int stepX = t.width ? t.width : cairo_image_surface_get_width(image);
        int stepY = t.height ? t.height : cairo_image_surface_get_height(image);
        for (int r = 0; r < t.county; ++r) {
            for (int c = 0; c < t.countx; ++c) {
                cairo_set_source_surface(cr, image, x + t.x + c * stepX, y + t.y + r * stepY);
                cairo_paint(cr);
            }
        }
    }
}

std::vector<LayerSetup> BackgroundSetup(int level)
{
    auto layer = [](int index, std::vector<std::string> items, double factor, int baseY) {
        LayerSetup s;
        s.layer = index;
        s.items = std::move(items);
        s.factor = factor;
        s.baseY = baseY;
        return s;
    };
    auto below = [](LayerSetup s, Rgb c) {
        s.fillBelow = true;
        s.below = c;
        return s;
    };
    auto above = [](LayerSetup s, Rgb c) {
        s.fillAbove = true;
        s.above = c;
        return s;
    };
    std::vector<LayerSetup> out;
    switch (level) {
    case 0: {
        out.push_back(below(layer(0, {"lev1_bg2_a.xml", "lev1_bg2_b.xml"}, 2.0, 80), {45, 40, 66}));
        out.push_back(below(layer(1, {"lev1_bg1_a.xml", "lev1_bg1_b.xml"}, 3.0, 70), {63, 75, 119}));
        out.push_back(below(layer(2, {"lev1_bg0.xml"}, 5.0, 70), {82, 101, 148}));
        LayerSetup moon = layer(3, {"lev1_moon.png"}, 0.0, -82);
        moon.once = true;
        moon.baseXFromRight = true;
        out.push_back(moon);
        out.push_back(layer(4, {"lev1_bg.xml"}, 0.0, -150));
        break;
    }
    case 1:
        out.push_back(above(below(layer(0,
                                        {"lev2_bg_platform1_a.xml", "lev2_bg_platform1_b.xml",
                                         "lev2_bg_platform1_c.xml", "lev2_bg_platform1_d.xml"},
                                        1.27, 20),
                                  {24, 40, 49}),
                            {24, 40, 49}));
        out.push_back(below(layer(1,
                                  {"lev2_bg_platform2_a.xml", "lev2_bg_platform2_b.xml", "lev2_bg_platform2_c.xml",
                                   "lev2_bg_platform2_d.xml", "lev2_bg_platform2_e.xml"},
                                  2.0, 44),
                            {33, 60, 66}));
        out.push_back(below(layer(2,
                                  {"lev2_bg_platform3_a.xml", "lev2_bg_platform3_b.xml", "lev2_bg_platform3_c.xml",
                                   "lev2_bg_platform3_d.xml", "lev2_bg_platform3_e.xml"},
                                  3.5, 104),
                            {57, 101, 99}));
        out.push_back(layer(3,
                            {"lev2_bg_platform4_a.xml", "lev2_bg_platform4_b.xml", "lev2_bg_platform4_c.xml",
                             "lev2_bg_platform4_d.xml"},
                            5.0, 0));
        out.push_back(below(layer(4, {"lev2_bg_peron01.png"}, 0.68, 480), {0, 0, 0}));
        break;
    case 2:
        out.push_back(layer(0, {"lev3_bg_00_rury2.png"}, 1.0, 168));
        out.push_back(above(layer(1, {"lev3_bg_01_a.xml", "lev3_bg_01_b.xml"}, 1.82, 116), {49, 52, 74}));
        out.push_back(layer(2, {"lev3_bg_02_a.xml", "lev3_bg_02_b.xml"}, 2.6, 106));
        out.push_back(below(layer(3, {"lev3_bg_03_a.xml", "lev3_bg_03_b.xml"}, 3.6, 96), {33, 73, 90}));
        break;
    case 3:
        out.push_back(below(
            layer(0, {"lev4_bg2_bez_ramienia_dzwigu_a.xml", "lev4_bg2_bez_ramienia_dzwigu_b.xml"}, 2.0, 110),
            {63, 83, 106}));
        out.push_back(below(layer(1, {"lev4_bg1_a.xml", "lev4_bg1_b.xml"}, 5.0, 85), {84, 113, 149}));
        out.push_back(below(layer(2, {"lev4_bg0_a.xml", "lev4_bg0_b.xml"}, 9.0, 40), {115, 150, 198}));
        out.push_back(layer(3, {"lev4_bg.xml"}, 0.0, 0));
        break;
    case 4:
        out.push_back(below(layer(0, {"lev5_bg2_a.xml", "lev5_bg2_b.xml"}, 1.6, 132), {137, 97, 75}));
        out.push_back(below(layer(1, {"lev5_bg1_a.xml", "lev5_bg1_b.xml"}, 2.6, 100), {165, 131, 97}));
        out.push_back(below(layer(2, {"lev5_bg0_a.xml", "lev5_bg0_b.xml"}, 4.64, 40), {198, 158, 115}));
        out.push_back(below(layer(3, {"lev5_bg.xml"}, 0.0, 0), {255, 231, 173}));
        break;
    case 5:
        out.push_back(below(layer(0, {"lev6_bg2_a.xml", "lev6_bg2_b.xml"}, 2.0, 100), {125, 86, 43}));
        out.push_back(below(layer(1, {"lev6_bg1.xml"}, 5.0, 108), {75, 80, 90}));
        out.push_back(layer(2, {"lev6_bg0.xml"}, 9.0, 60));
        out.push_back(layer(3, {"lev6_bg.xml"}, 0.0, 0));
        break;
    default:
        break;
    }
    return out;
}

void ItemSize(const std::string& item, const std::map<std::string, TiledLayout>& layouts, const ArtBook& book,
              int* w, int* h)
{
    *w = 0;
    *h = 0;
    auto it = layouts.find(item);
    if (it != layouts.end()) {
        *w = it->second.width;
        *h = it->second.height;
    } else if (book.Has(item)) {
        *w = book.WidthOf(item);
        *h = book.HeightOf(item);
    }
}

void DrawBackgroundLayer(cairo_t* cr, const LayerSetup& setup, double scrollX, double scrollY,
                         const std::map<std::string, TiledLayout>& layouts, const ArtBook& book)
{
    const int W = kScreenWidth;
    const int H = kScreenHeight;
    int count = static_cast<int>(setup.items.size());
    if (count == 0) return;
    int total = 0;
    for (const std::string& item : setup.items) {
        int w, h;
        ItemSize(item, layouts, book, &w, &h);
        total += w;
    }
    int baseX = setup.baseX;
    if (setup.baseXFromRight) {
        int w, h;
        ItemSize(setup.items[0], layouts, book, &w, &h);
        baseX = W + 10 - w;
    }
    double f = setup.factor;
    int x = 0;
    if (f > 0) {
        x = static_cast<int>(scrollX / f);
        if (x >= 0 && total > 0) x %= total;
    }
    int y = 0;
    if (f >= 1.0)
        y = static_cast<int>(scrollY / f);
    else if (f > 0)
        y = static_cast<int>(scrollY);
    if (x < 0 && f < 1.0) x += total;

    auto fill = [cr](Rgb c, double fx, double fy, double fw, double fh) {
        if (fw <= 0 || fh <= 0) return;
        SetColour(cr, c);
        cairo_rectangle(cr, fx, fy, fw, fh);
        cairo_fill(cr);
    };

    int drawX = baseX - x;
    int drawY = setup.baseY - y;
    int barren = 0;
    for (int i = 0; drawX <= W; ++i) {
        const std::string& item = setup.items[i % count];
        int w, h;
        ItemSize(item, layouts, book, &w, &h);
        auto it = layouts.find(item);
        if (it != layouts.end()) {
            if (drawX + w >= 0) DrawLayout(cr, it->second, drawX, drawY, book);
            if (setup.fillBelow && drawY + h <= H) fill(setup.below, drawX, drawY + h, w, H + 1 - (drawY + h));
            if (setup.fillAbove && drawY >= 0) fill(setup.above, drawX, 0, w, drawY);
        } else if (book.Has(item)) {
            if (drawX + w >= 0) {
                cairo_set_source_surface(cr, book.Find(item), drawX, drawY);
                cairo_paint(cr);
                if (setup.fillBelow && drawY + h <= H) fill(setup.below, drawX, drawY + h, w, H + 1 - (drawY + h));
            }
        }
        drawX += w;
        if (setup.once) break;
        barren = w > 0 ? 0 : barren + 1;
        if (barren >= count) break;
    }
}

}  // namespace PictureGen
