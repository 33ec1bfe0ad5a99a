// Contact sheets of the level art, for review: per level the building pieces
// joined in rows, and the level as the game composes it at 480 x 320 (its
// background layers, decorations, a row of buildings with props and
// obstacles) at three camera positions, each layer also shown alone; the
// obstacles and props; the menu scene; the flights.
//
// The composition follows the game's placement rules closely enough to judge
// the look; the animation phases are fixed.
#include <algorithm>
#include <cmath>
#include <map>

#include "tools/picturegen/building_tables.h"
#include "tools/picturegen/level_art.h"

namespace PictureGen {

namespace {

struct Emitter {
    int kind;
    int x, y;
    double divisor;
    int period;
    int layer;
    std::vector<std::string> frames;
    std::string secondary;
};

std::vector<Emitter> DecorationSetup(int level)
{
    std::vector<std::string> heli = {"helicopter1.png", "helicopter2.png", "helicopter3.png"};
    std::vector<std::string> welder = {"lev4_spawacz_1.png", "lev4_spawacz_2.png"};
    std::vector<std::string> birds = {"lev5_ptok_1.png", "lev5_ptok_2.png", "lev5_ptok_3.png", "lev5_ptok_4.png",
                                      "lev5_ptok_5.png"};
    std::vector<std::string> water;
    for (int i = 1; i <= 12; ++i) water.push_back(Numbered("lev3_woda3_woda%02d.png", i));
    switch (level) {
    case 0:
        return {{1, 720, 215, 3.0, 2400, 1, heli, "ray_reflec3.png"}, {2, 574, 78, 3.0, 831, 1, {"ray_reflec3.png"}, ""}};
    case 1:
        return {{5, 112, 170, 3.5, 256, 1, {"lev2_lamp_subway_cala.png"}, ""},
                {4, 500, 228, 3.0, 3000, 1, {"lev2_train_background_01.png"}, ""}};
    case 2:
        return {{6, 34, 310, 1.82, 868, 1, water, ""}, {7, 0, 230, 1.01, 261, 1, {"kropla.png"}, ""}};
    case 3:
        return {{8, 110, 247, 2.0, 1024, 1, welder, ""},  {8, 568, 260, 2.0, 1024, 1, welder, ""},
                {8, 658, 335, 2.0, 1024, 1, welder, ""},  {9, 659, 142, 5.0, 1024, 1, {}, ""},
                {9, 816, 120, 5.0, 1024, 1, {}, ""},      {10, 50, 84, 9.0, 1024, 1, {}, ""},
                {10, 940, 134, 9.0, 1024, 1, {}, ""},     {10, 448, 84, 9.0, 1024, 1, {}, ""},
                {11, 951, 141, 2.0, 1024, 1, {"lev4_bg2_ramie_dzwigu.png"}, ""}};
    case 4:
        return {{17, 720, 215, 3.0, 2400, 1, {"lev5_heli_1.png", "lev5_heli_2.png", "lev5_heli_3.png"}, ""},
                {18, 720, 295, 1.6, 1920, 0, birds, ""},
                {19, 1680, 295, 1.6, 1920, 0, birds, ""}};
    case 5:
        return {{12, 460, 150, 5.8, 1000, 1, {"lev6_jetb_747_off.png"}, ""},
                {13, 45, 108, 5.0, 512, 1, {}, ""},
                {13, 53, 110, 5.0, 512, 1, {}, ""},
                {13, 133, 110, 5.0, 512, 1, {}, ""},
                {13, 165, 127, 5.0, 512, 1, {}, ""},
                {14, 25, 58, 9.0, 512, 1, {}, ""},
                {14, 105, 58, 9.0, 512, 1, {}, ""},
                {14, 113, 58, 9.0, 512, 1, {}, ""},
                {15, 500, 258, 7.0, 580, 1, {"lev6_ray_reflec.png"}, ""},
                {15, 600, 258, 7.0, 580, 1, {"lev6_ray_reflec.png"}, ""},
                {15, 300, 258, 7.0, 580, 1, {"lev6_ray_reflec.png"}, ""},
                {16, 819, 223, 2.0, 1024, 0, {"lev6_neon_1_on.png", "lev6_neon_1_off.png"}, ""},
                {16, 312, 210, 2.0, 1024, 0, {"lev6_neon_2_on.png", "lev6_neon_2_off.png"}, ""}};
    default:
        return {};
    }
}

void Blit(cairo_t* cr, cairo_surface_t* s, double x, double y, double alpha = 1.0)
{
    if (!s) return;
    cairo_set_source_surface(cr, s, x, y);
    cairo_paint_with_alpha(cr, alpha);
}

void Turn(cairo_t* cr, cairo_surface_t* s, double x, double y, double px, double py, double angle, bool mirror = false)
{
    if (!s) return;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    if (mirror) {
        cairo_translate(cr, cairo_image_surface_get_width(s), 0);
        cairo_scale(cr, -1, 1);
    }
    cairo_set_source_surface(cr, s, -px, -py);
    cairo_paint(cr);
    cairo_restore(cr);
}

void Square(cairo_t* cr, double x, double y, double s, Rgb c, double a = 1.0)
{
    SetColour(cr, c, a);
    cairo_rectangle(cr, x, y, s, s);
    cairo_fill(cr);
}

double Tri(double p) { return p < 0.5 ? 2 * p : 2 - 2 * p; }

// The particles of an emitter at (x, y): a welder's sparks (kind 8) or a
// chimney's smoke (9 near, 10 far).
void DrawParticles(cairo_t* cr, const ArtBook& book, int kind, double x, double y)
{
    if (kind == 8) {
        for (int k = 0; k < 6; ++k) Square(cr, x + 10 - k * 4, y + 10 + k * 5, 2, {255, 255, 255}, 0.9 - k * 0.12);
        return;
    }
    cairo_surface_t* puff = book.Find(kind == 9 ? "lev4_ru_smoke04.png" : "lev4_smoke_bg0.png");
    for (int k = 0; k < 7; ++k) {
        double px = x - k * (kind == 9 ? 8 : 5), py = y - k * (kind == 9 ? 7 : 8);
        Blit(cr, puff, px - 10, py - 8, kind == 9 ? 1.0 - k * 0.13 : 1.0);
    }
}

// A flock at (x, y): ten birds (kind 18), or five and eight more flying
// the other way (19), each bird at its own frame after `frame`.
void DrawFlock(cairo_t* cr, const ArtBook& book, const Emitter& e, int frame, double x, double y)
{
    struct Bird {
        int ox, oy, k;
    };
    static const Bird ten[] = {{0, 3, 0},  {20, 5, 3},   {30, 1, 1},   {50, 7, 4},   {75, 4, 5},
                               {5, -7, 3}, {28, -15, 6}, {33, -29, 4}, {57, -18, 7}, {77, -16, 8}};
    static const Bird five[] = {{0, -23, 0}, {5, -25, 3}, {12, -11, 1}, {20, -7, 4}, {25, 4, 5}};
    static const Bird eight[] = {{17, 7, 0},   {46, 20, 3},  {75, 13, 6},  {34, 26, 9},
                                 {63, 19, 12}, {22, 12, 15}, {51, 25, 18}, {80, 18, 21}};
    int n = static_cast<int>(e.frames.size());
    auto bird = [&](int k) { return book.Find(e.frames[(frame + k) % n]); };
    if (e.kind == 18) {
        for (const Bird& b : ten) Blit(cr, bird(b.k), x + b.ox, y + b.oy);
    } else {
        for (const Bird& b : five) Blit(cr, bird(b.k), x + b.ox, y + b.oy);
        for (const Bird& b : eight) Turn(cr, bird(b.k), x + b.ox, y + b.oy, 0, 0, 0, true);
    }
}

// Draws the emitters of a layer (below -1: all) the way the far pass does,
// with every phase at 0.3.
void DrawDecorations(cairo_t* cr, const ArtBook& book, int level, int layer, double scrollX, double scrollY,
                     bool sprites)
{
    const double phase = 0.3;
    for (const Emitter& e : DecorationSetup(level)) {
        if (layer >= -1 && e.layer != layer) continue;
        bool smoke = e.kind == 9 || e.kind == 10;
        if (smoke != sprites && !(sprites && e.kind == 8)) continue;
        int lx = static_cast<int>(scrollX / e.divisor);
        if (lx >= 0) lx %= e.period;
        int ly = static_cast<int>(scrollY / e.divisor);
        bool repeats = !(e.kind == 5 || e.kind == 7 || e.kind == 9 || e.kind == 10 || e.kind == 19);
        int frame = e.frames.empty() ? 0 : std::min(static_cast<int>(e.frames.size() * phase),
                                                   static_cast<int>(e.frames.size()) - 1);
        cairo_surface_t* F = e.frames.empty() ? nullptr : book.Find(e.frames[frame]);
        double flyDy = -((lx / 7) % 240);
        for (int copy = 0; copy < (repeats ? 3 : 1); ++copy) {
            double x = e.x - lx + copy * e.period;
            double y = e.y - ly;
            if (x > kScreenWidth + 400) continue;
            if (sprites) {
                DrawParticles(cr, book, e.kind, x, y);
                continue;
            }
            switch (e.kind) {
            case 1:
                Blit(cr, F, x, y + flyDy);
                Turn(cr, book.Find(e.secondary), x + 178, y + flyDy + 84, 71, 14, -1.23 * Tri(phase));
                break;
            case 2:
                Turn(cr, F, x, y, 71, 14, 2.10681 * Tri(phase) - 1.053405);
                break;
            case 4:
                if (copy == 0)
                    for (int j = 0; j < 3; ++j) Blit(cr, F, 20 + j * (F ? cairo_image_surface_get_width(F) : 0), y);
                break;
            case 5:
                for (int j = 0; j < 5; ++j) Turn(cr, F, x + j * e.period, y, 61, 26, 0.1);
                break;
            case 6:
            case 8:
                Blit(cr, F, x, y);
                break;
            case 7:
                for (double cx = x; cx <= kScreenWidth; cx += e.period)
                    if (cx >= 0) Blit(cr, F, cx, y + static_cast<int>(kScreenHeight * phase));
                break;
            case 11:
                Turn(cr, F, x, y, 58, 0, 0.24 * std::sin(2 * M_PI * phase));
                break;
            case 12: {
                double dy = -((lx / 4) % 240);
                Blit(cr, F, x, y + dy);
                Square(cr, x, y + dy + 15, 2, {0, 255, 0});
                Square(cr, x + 113, y + dy + 17, 2, {255, 0, 0});
                break;
            }
            case 13:
                Square(cr, x - 1, y - 1, 3, {255, 0, 0}, 168 / 255.0);
                break;
            case 14:
                Square(cr, x, y, 2, {255, 0, 0});
                break;
            case 15:
                Turn(cr, F, x, y, 40, 0, M_PI + 0.34 * std::sin(2 * M_PI * (phase + copy * 0.3)));
                break;
            case 16:
                Blit(cr, book.Find(e.frames[0]), x, y);
                break;
            case 17:
                Turn(cr, F, x, y + flyDy, 123, 19, 0.26 + 0.13 * std::sin(2 * M_PI * phase));
                break;
            case 18:
            case 19:
                DrawFlock(cr, book, e, frame, x, y - (lx / 4) % 240);
                break;
            default:
                break;
            }
        }
    }
}

// The second-collision distance from the ground the arrangement files use
// per level (the game reads it from "build_arrange_levN.xml").
const int kSecondDistance[6] = {30, 30, 0, 30, 0, 0};

const std::vector<std::vector<std::string>> kObstacles = {{"beczka_red.png", "beczki.png", "skrzynia2.png"},
                                                          {"wozek.png", "skrzynia2.png"},
                                                          {"beczka_red.png", "beczka_kanal.png"},
                                                          {"beczka_red.png", "beczki.png", "skrzynia2.png"},
                                                          {"skrzynia2.png", "beczki.png"},
                                                          {"beczka_red.png", "beczki.png", "skrzynia2.png"}};

// A row of buildings as the generator might build it, drawn at the camera.
void DrawBuildings(cairo_t* cr, const ArtBook& book, int level, double scrollX, double scrollY)
{
    const LevelPieces& t = PieceTable(level);
    int ordinary = static_cast<int>(t.styles.size()) - 1;
    Rng rng("row" + std::to_string(level));
    auto pick = [&](int style, int part) {
        std::vector<int> rows;
        for (size_t i = 0; i < t.rows.size(); ++i)
            if (t.rows[i].style == style && t.rows[i].part == part) rows.push_back(static_cast<int>(i));
        return rows.empty() ? -1 : rows[rng.Range(0, static_cast<int>(rows.size()) - 1)];
    };
    auto width = [&](int row) { return row < 0 ? 0 : book.WidthOf(t.rows[row].image); };
    auto height = [&](int row) { return row < 0 ? 0 : book.HeightOf(t.rows[row].image); };
    int x = -44, previous = -1;
    for (int key = 0; key < 14; ++key) {
        int style = key == 0 ? 0 : rng.Range(0, ordinary - 1);
        if (style == previous && ordinary > 1) style = (style + 1) % ordinary;
        previous = style;
        int left = pick(style, kPartLeft), right = pick(style, kPartRight);
        std::vector<int> middles;
        int w = 0;
        while (w <= 350 || middles.size() < 3) {
            int m = pick(style, kPartMiddle);
            if (m < 0 || middles.size() >= 20) break;
            middles.push_back(m);
            w += width(m);
        }
        int total = width(left) + w + width(right);
        int roof = 224 + (level == 1 && style == 1 ? 80 : (key == 0 ? 0 : rng.Range(0, 64)));
        int collisionTop = roof + t.styles[style].roofOffset;
        double sx = x + 10 - std::trunc(scrollX), sy = roof + kScreenHeight - 128 - std::trunc(scrollY);
        auto piece = [&](int row, double px) {
            const PieceRow& r = t.rows[row];
            double py = sy;
            if (level == 3 && (r.flags & (kFlagBeamLeft | kFlagBeamMiddle | kFlagBeamRight)))
                py = sy + 23 - height(row);
            Blit(cr, book.Find(r.image), px, py);
            return py;
        };
        double pen = sx;
        if (left >= 0) {
            piece(left, pen);
            pen += width(left);
        }
        for (size_t j = 0; j < middles.size(); ++j) {
            double py = piece(middles[j], pen);
            unsigned flags = t.rows[middles[j]].flags;
            if (level == 2 && (flags & kFlagWater))
                Blit(cr, book.Find(Numbered("lev3_woda2_%02d.png", 1 + (3 + j) % 8)), pen + 12, py + 42);
            if (level == 3 && (flags & kFlagFan))
                Blit(cr, book.Find("lev4_fan_" + std::to_string(1 + j % 3) + ".png"), pen + 14, py + 43);
            pen += width(middles[j]);
        }
        if (right >= 0) piece(right, pen);
        if (level == 2 && key > 0) {
            Blit(cr, book.Find("lev3_rat2.png"), sx + total * 0.3, sy - 10);
            Blit(cr, book.Find("lev3_rat_anim_03.png"), sx + total * 0.7, sy - 10);
        }
        double csy = collisionTop + kScreenHeight - 128 - std::trunc(scrollY);
        if (key > 2 && key % 2 == 1 && total >= 320) {
            int s = pick(style, kPartSecond);
            if (s >= 0) {
                cairo_surface_t* img = book.Find(t.rows[s].image);
                double bx = sx + total / 2.0;
                double by = csy + 1 - kSecondDistance[level];
                int h = height(s);
                for (double y = by - h; y + h >= 0; y -= h) {
                    Blit(cr, img, bx, y);
                    if (t.rows[s].flags & kFlagSingle) break;
                }
            }
        } else if (key > 0 && !kObstacles[level].empty()) {
            const std::string& name = kObstacles[level][key % kObstacles[level].size()];
            Blit(cr, book.Find(name), sx + 120, csy - book.HeightOf(name));
        }
        if (key == 0) {
            // The runner's collision box, for scale.
            cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
            cairo_rectangle(cr, sx + 183, csy - 43, 7, 43);
            cairo_fill(cr);
        }
        x += total + 70 + rng.Range(0, 50);
    }
}

void DrawScene(cairo_t* cr, const ArtBook& book, const std::map<std::string, TiledLayout>& layouts, int level,
               double scrollX, double scrollY)
{
    std::vector<LayerSetup> setup = BackgroundSetup(level);
    auto layer = [&](int index) {
        for (const LayerSetup& s : setup)
            if (s.layer == index) DrawBackgroundLayer(cr, s, scrollX, scrollY, layouts, book);
    };
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    if (level == 0) layer(4);
    layer(3);
    if (level == 0 && scrollX > 1000) {
        auto it = layouts.find("thunder1.xml");
        if (it != layouts.end()) DrawLayout(cr, it->second, 150, -20, book);
    }
    layer(2);
    if (level == 1 || level == 5) DrawDecorations(cr, book, level, -2, scrollX, scrollY, false);
    if (level == 3) DrawDecorations(cr, book, level, 2, scrollX, scrollY, true);
    layer(1);
    if (level == 0) DrawDecorations(cr, book, level, -2, scrollX, scrollY, false);
    if (level == 4) DrawDecorations(cr, book, level, 1, scrollX, scrollY, false);
    if (level == 3) DrawDecorations(cr, book, level, 1, scrollX, scrollY, true);
    layer(0);
    if (level == 2 || level == 3) DrawDecorations(cr, book, level, -2, scrollX, scrollY, false);
    if (level == 5 || level == 4) DrawDecorations(cr, book, level, 0, scrollX, scrollY, false);
    if (level == 3) DrawDecorations(cr, book, level, 0, scrollX, scrollY, true);
    DrawBuildings(cr, book, level, scrollX, scrollY);
    if (level == 1) layer(4);
}

void AddSheet(ArtBook& book, const std::string& name, cairo_surface_t* s)
{
    cairo_surface_flush(s);
    book.Sink().AddSheet(name, s);
}

void BuildingSheet(ArtBook& book, int level)
{
    const LevelPieces& t = PieceTable(level);
    const int pad = 12;
    int styles = static_cast<int>(t.styles.size());
    // Per style: the pieces in table order once, then a longer row mixing
    // the middle pieces; second-collision pieces at the end of the first.
    int width = 0, height = pad;
    std::vector<int> rowHeight(styles, 0);
    for (int s = 0; s < styles; ++s) {
        int first = 0, widest = 0, h = 0, middles = 0, ends = 0;
        for (const PieceRow& r : t.rows)
            if (r.style == s) {
                first += book.WidthOf(r.image) + (r.part == kPartSecond ? pad : 0);
                if (r.part == kPartMiddle) {
                    widest = std::max(widest, book.WidthOf(r.image));
                    ++middles;
                } else if (r.part != kPartSecond) {
                    ends += book.WidthOf(r.image);
                }
                h = std::max(h, book.HeightOf(r.image));
            }
        width = std::max({width, first + 3 * pad, ends + widest * (2 * middles + 2) + 3 * pad});
        rowHeight[s] = h;
        height += 2 * (h + pad);
    }
    Canvas sheet(width, height);
    sheet.Rect(0, 0, width, height, {96, 96, 104});
    int y = pad;
    for (int s = 0; s < styles; ++s) {
        // The girders (level 4, style 4) hang by their bottom edge.
        const bool beam = level == 3 && s == 4;
        std::vector<std::string> middles, seconds;
        std::string left, right;
        for (const PieceRow& r : t.rows) {
            if (r.style != s) continue;
            if (r.part == kPartLeft) left = r.image;
            if (r.part == kPartRight) right = r.image;
            if (r.part == kPartMiddle) middles.push_back(r.image);
            if (r.part == kPartSecond) seconds.push_back(r.image);
        }
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<std::string> order{left};
            if (pass == 0) {
                for (const std::string& m : middles) order.push_back(m);
            } else {
                Rng rng("sheet" + std::to_string(level * 10 + s));
                for (int k = 0; k < static_cast<int>(middles.size()) * 2 + 2; ++k)
                    order.push_back(middles[rng.Range(0, static_cast<int>(middles.size()) - 1)]);
            }
            order.push_back(right);
            int x = pad;
            int walk = t.styles[s].roofOffset;
            for (const std::string& name : order) {
                if (name.empty()) continue;
                int py = beam ? y + rowHeight[s] - book.HeightOf(name) : y;
                sheet.Draw(book.Find(name), x, py);
                x += book.WidthOf(name);
            }
            // The walk line, marked left of the row.
            int mark = beam ? y + rowHeight[s] - 23 : y + walk;
            sheet.Rect(2, mark, 8, 1, {255, 60, 200});
            if (pass == 0) {
                x += pad;
                for (const std::string& name : seconds) {
                    sheet.Draw(book.Find(name), x, y + rowHeight[s] - book.HeightOf(name));
                    x += book.WidthOf(name) + pad;
                }
            }
            y += rowHeight[s] + pad;
        }
    }
    AddSheet(book, LevelGroup(level) + "_buildings", sheet.Surface());
}

void SceneSheet(ArtBook& book, const std::map<std::string, TiledLayout>& layouts, int level)
{
    const double scrolls[3] = {0, 1400, 2950};
    std::vector<LayerSetup> setup = BackgroundSetup(level);
    int rows = 1 + static_cast<int>(setup.size());
    Canvas sheet(3 * kScreenWidth, rows * kScreenHeight);
    sheet.Rect(0, 0, sheet.Width(), sheet.Height(), {70, 70, 76});
    for (int p = 0; p < 3; ++p) {
        Canvas view(kScreenWidth, kScreenHeight);
        DrawScene(view.Cr(), book, layouts, level, scrolls[p], 200.0);
        sheet.Draw(view.Surface(), p * kScreenWidth, 0);
        int row = 1;
        for (const LayerSetup& s : setup) {
            Canvas alone(kScreenWidth, kScreenHeight);
            alone.Rect(0, 0, kScreenWidth, kScreenHeight, {70, 70, 76});
            DrawBackgroundLayer(alone.Cr(), s, scrolls[p], 200.0, layouts, book);
            sheet.Draw(alone.Surface(), p * kScreenWidth, row * kScreenHeight);
            ++row;
        }
    }
    for (int p = 1; p < 3; ++p) sheet.Rect(p * kScreenWidth, 0, 1, sheet.Height(), {255, 255, 255});
    for (int r = 1; r < rows; ++r) sheet.Rect(0, r * kScreenHeight, sheet.Width(), 1, {255, 255, 255});
    AddSheet(book, LevelGroup(level) + "_scene", sheet.Surface());
}

void MenuSheet(ArtBook& book, const std::map<std::string, TiledLayout>& layouts)
{
    Canvas view(kScreenWidth, kScreenHeight);
    cairo_t* cr = view.Cr();
    view.Rect(0, 0, kScreenWidth, 14, {80, 90, 143});
    auto draw = [&](const char* file, int x, int y) {
        auto it = layouts.find(file);
        if (it != layouts.end()) DrawLayout(cr, it->second, x, y, book);
    };
    // The interface's pictures of the scene (the lamp, the policeman and his
    // torch) come from the sink when another painter wrote them.
    auto picture = [&book](const char* name) {
        cairo_surface_t* own = book.Find(name);
        return own ? cairo_surface_reference(own) : book.Sink().Load(name);
    };
    draw("menu_main_bg_01.xml", 0, 14);
    cairo_surface_t* lamp = picture("lampka.png");
    Blit(cr, lamp, 215, 23);
    Turn(cr, book.Find("ray_reflec3.png"), 298, 24, 71, 14, 0.5);
    draw("menu_main_bg_02.xml", 72, -10);
    // The policeman's first walk frame with his torch, at x 300.
    cairo_surface_t* torch = picture("menu_main_latarka.png");
    cairo_surface_t* walker = picture("policjant_idzie0000.png");
    Turn(cr, torch, 300 + 3 + 41, 31 + 189, 94, 18, 0);
    Blit(cr, walker, 300 + 41, 31 + 169);
    for (cairo_surface_t* s : {lamp, torch, walker})
        if (s) cairo_surface_destroy(s);
    draw("menu_main_bg_03.xml", 0, 0);
    AddSheet(book, "menu_scene", view.Surface());
}

void FlightSheet(ArtBook& book, const std::map<std::string, TiledLayout>& layouts)
{
    Canvas sheet(3 * kScreenWidth, 2 * kScreenHeight);
    for (int k = 0; k < 6; ++k) {
        Canvas view(kScreenWidth, kScreenHeight);
        view.Rect(0, 0, kScreenWidth, kScreenHeight, {0, 0, 0});
        auto it = layouts.find("flying_from_level_" + std::to_string(k + 1) + "_to_" + std::to_string(k + 2) + ".xml");
        if (it != layouts.end()) DrawLayout(view.Cr(), it->second, 0, 0, book);
        sheet.Draw(view.Surface(), (k % 3) * kScreenWidth, (k / 3) * kScreenHeight);
    }
    AddSheet(book, "flights", sheet.Surface());
}

// Every picture of some groups side by side over a checkerboard.
void PropsSheet(ArtBook& book, const std::string& name, const std::vector<std::string>& pictures)
{
    const int width = 1200, pad = 8;
    int x = pad, y = pad, rowH = 0, height = pad;
    std::vector<std::pair<int, int>> at;
    for (const std::string& p : pictures) {
        int w = book.WidthOf(p), h = book.HeightOf(p);
        if (x + w + pad > width) {
            x = pad;
            y += rowH + pad;
            rowH = 0;
        }
        at.push_back({x, y});
        x += w + pad;
        rowH = std::max(rowH, h);
        height = y + rowH + pad;
    }
    Canvas sheet(width, height);
    for (int cy = 0; cy < height; cy += 8)
        for (int cx = 0; cx < width; cx += 8)
            sheet.Rect(cx, cy, 8, 8, ((cx + cy) / 8) % 2 ? Rgb{90, 90, 96} : Rgb{120, 120, 128});
    for (size_t i = 0; i < pictures.size(); ++i) sheet.Draw(book.Find(pictures[i]), at[i].first, at[i].second);
    AddSheet(book, name, sheet.Surface());
}

}  // namespace

void PaintContactSheets(ArtBook& book, const std::vector<TiledLayout>& layouts)
{
    if (!book.Sink().SheetsEnabled()) return;
    std::map<std::string, TiledLayout> byFile;
    for (const TiledLayout& t : layouts) byFile[t.file] = t;
    for (int level = 0; level < 6; ++level) {
        BuildingSheet(book, level);
        SceneSheet(book, byFile, level);
    }
    MenuSheet(book, byFile);
    FlightSheet(book, byFile);
    std::vector<std::string> props;
    for (const char* o : {"beczka_red", "beczki", "skrzynia2", "wozek", "beczka_kanal"})
        for (const char* suffix : {".png", "_frag01.png", "_frag02.png"}) props.push_back(std::string(o) + suffix);
    for (int i = 1; i <= 8; ++i) props.push_back(Numbered("lev3_woda2_%02d.png", i));
    for (const char* r : {"lev3_rat.png", "lev3_rat2.png", "lev3_rat_anim_01.png", "lev3_rat_anim_02.png",
                          "lev3_rat_anim_03.png", "lev3_rat_anim_04.png", "lev4_fan_1.png", "lev4_fan_2.png",
                          "lev4_fan_3.png"})
        props.push_back(r);
    PropsSheet(book, "obstacles_and_props", props);
    std::vector<std::string> deco;
    for (int i = 1; i <= 3; ++i) deco.push_back("helicopter" + std::to_string(i) + ".png");
    for (const char* d : {"ray_reflec3.png", "lev2_lamp_subway_cala.png", "lev2_train_background_01.png",
                          "kropla.png", "lev4_spawacz_1.png", "lev4_spawacz_2.png", "lev4_bg2_ramie_dzwigu.png",
                          "lev4_ru_smoke04.png", "lev4_smoke_bg0.png", "lev5_heli_1.png", "lev5_heli_2.png",
                          "lev5_heli_3.png", "lev5_ptok_1.png", "lev5_ptok_2.png", "lev5_ptok_3.png",
                          "lev5_ptok_4.png", "lev5_ptok_5.png", "lev6_jetb_747_off.png", "lev6_ray_reflec.png",
                          "lev6_neon_1_on.png", "lev6_neon_1_off.png", "lev6_neon_2_on.png", "lev6_neon_2_off.png",
                          "thunder_bolt.png", "lev1_moon.png"})
        deco.push_back(d);
    for (int i = 1; i <= 12; ++i) deco.push_back(Numbered("lev3_woda3_woda%02d.png", i));
    PropsSheet(book, "decorations", deco);
}

}  // namespace PictureGen
