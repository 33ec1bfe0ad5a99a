#include "tools/picturegen/level_art.h"

#include <set>

#include "tools/picturegen/background_painters.h"
#include "tools/picturegen/building_painters.h"
#include "tools/picturegen/building_tables.h"
#include "tools/picturegen/painters.h"

namespace PictureGen {

const char* const kSharedGroup = "ab01";

void PaintBuildings(ArtBook& book)
{
    PaintPrisonBuildings(book);
    PaintMetroBuildings(book);
    PaintSewerBuildings(book);
    PaintConstructionBuildings(book);
    PaintSuburbBuildings(book);
    PaintRooftopBuildings(book);
}

std::vector<TiledLayout> PaintBackgrounds(ArtBook& book)
{
    std::vector<TiledLayout> out;
    PaintPrisonBackground(book, out);
    PaintThunder(book, out);
    PaintMetroBackground(book, out);
    PaintSewerBackground(book, out);
    PaintConstructionBackground(book, out);
    PaintSuburbBackground(book, out);
    PaintRooftopBackground(book, out);
    return out;
}

namespace {
// The atlas page a tiled picture is drawn with: its level's page for the
// level layers ("lev3_..."), the thunder of the first level, the menu
// backgrounds with the menu, the rest (flights) with the shared page.
std::string LayoutGroup(const std::string& file)
{
    if (file.compare(0, 7, "thunder") == 0) return LevelGroup(0);
    if (file.compare(0, 9, "menu_main") == 0) return "ab02";
    return BuildingGroup(file);
}
}  // namespace

void PaintColourImages(ArtBook& book, const std::vector<TiledLayout>& layouts)
{
    // NOTE: 4 x 4: the game samples the pixel at (2, 2) and stretches it, so
    // a colour image must be at least 3 x 3.
    const int side = 4;
    std::set<std::string> names;
    // Each colour goes on the atlas page of the first picture family that
    // uses it, so that a fill or a splinter drawn between the family's other
    // pictures needs no texture switch of its own (and no file is decoded
    // again for the colours that are fetched by name at every draw).
    auto paint = [&](const std::string& group, const std::string& name, Rgb colour) {
        if (!names.insert(name).second) return;
        Canvas c(side, side);
        cairo_surface_flush(c.Surface());
        unsigned char* data = cairo_image_surface_get_data(c.Surface());
        int stride = cairo_image_surface_get_stride(c.Surface());
        uint32_t pixel = 0xff000000u | (static_cast<uint32_t>(colour.r) << 16) |
                         (static_cast<uint32_t>(colour.g) << 8) | static_cast<uint32_t>(colour.b);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) reinterpret_cast<uint32_t*>(data + y * stride)[x] = pixel;
        cairo_surface_mark_dirty(c.Surface());
        book.Add(group, name, c);
    };
    // The head-up display's colours go with the head-up display's pictures.
    const Rgb hud[] = {{0, 0, 0}, {74, 73, 115}, {37, 38, 58}};
    for (Rgb c : hud) paint("ab02", ColourImageName(c), c);
    // Splinters of the obstacles (white included), the aeroplane's navigation
    // lights and the warning lights go with the obstacles.
    const Rgb shared[] = {{214, 68, 82}, {177, 178, 203}, {208, 171, 149}, {197, 190, 174}, {170, 230, 5},
                          {255, 255, 255}, {0, 255, 0}, {255, 0, 0}};
    for (Rgb c : shared) paint(kSharedGroup, ColourImageName(c), c);
    // The background fills, named with blank padding.
    for (int level = 0; level < 6; ++level)
        for (const LayerSetup& s : BackgroundSetup(level)) {
            if (s.fillBelow) paint(LevelGroup(level), FillColourImageName(s.below), s.below);
            if (s.fillAbove) paint(LevelGroup(level), FillColourImageName(s.above), s.above);
        }
    // The rectangles of the tiled pictures.
    for (const TiledLayout& layout : layouts)
        for (const LayoutTile& t : layout.tiles)
            if (t.rect) paint(LayoutGroup(layout.file), ColourImageName(t.colour), t.colour);
}

std::vector<TiledLayout> PaintAllLevelArt(ArtBook& book)
{
    PaintBuildings(book);
    PaintObstacles(book);
    PaintBuildingProps(book);
    PaintDecorations(book);
    std::vector<TiledLayout> layouts = PaintBackgrounds(book);
    for (TiledLayout& t : PaintMenuBackgrounds(book)) layouts.push_back(t);
    for (TiledLayout& t : PaintFlights(book)) layouts.push_back(t);
    PaintColourImages(book, layouts);
    PaintContactSheets(book, layouts);
    return layouts;
}

void PaintLevelArt(PictureSink& sink)
{
    ArtBook book(sink);
    PaintAllLevelArt(book);
}

}  // namespace PictureGen
