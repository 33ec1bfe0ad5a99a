#include "tools/picturegen/draw_kit.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#ifndef PICTUREGEN_FONT_DIR
#define PICTUREGEN_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace PictureGen::Kit {

Rgb Shade(Rgb c, double amount)
{
    auto move = [amount](int v) {
        double target = amount >= 0 ? 255.0 : 0.0;
        double t = std::fabs(amount);
        return static_cast<int>(std::lround(v + (target - v) * t));
    };
    return {move(c.r), move(c.g), move(c.b)};
}

Rgb Mix(Rgb a, Rgb b, double t)
{
    auto mix = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

void SetColour(cairo_t* cr, Rgb c, double alpha)
{
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha);
}

void PaintRadial(cairo_t* cr, double cx, double cy, double inner, double outer,
                 std::initializer_list<GradientStop> stops)
{
    cairo_pattern_t* gradient = cairo_pattern_create_radial(cx, cy, inner, cx, cy, outer);
    for (const GradientStop& s : stops) cairo_pattern_add_color_stop_rgba(gradient, s.offset, s.r, s.g, s.b, s.a);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);
}

Surface MakeSurface(int width, int height)
{
    return Surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 1), std::max(height, 1)));
}

Context MakeContext(cairo_surface_t* surface)
{
    Context cr(cairo_create(surface));
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_GRAY);
    return cr;
}

Surface DrawPicture(int width, int height, const std::function<void(cairo_t*)>& draw)
{
    Surface picture = MakeSurface(width, height);
    Context cr = MakeContext(picture.get());
    draw(cr.get());
    return picture;
}

void FillPath(cairo_t* cr, Rgb colour, double alpha)
{
    SetColour(cr, colour, alpha);
    cairo_fill(cr);
}

void FillRect(cairo_t* cr, double x, double y, double w, double h, Rgb colour, double alpha)
{
    cairo_rectangle(cr, x, y, w, h);
    FillPath(cr, colour, alpha);
}

void FillDisc(cairo_t* cr, double cx, double cy, double r, Rgb colour, double alpha)
{
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    FillPath(cr, colour, alpha);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    r = std::min(r, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void Capsule(cairo_t* cr, double x, double y, double w, double h)
{
    RoundedRect(cr, x, y, w, h, h / 2);
}

namespace {

// NOTE: the faces live for the whole run of the generator (a handful of
// files); FreeType and cairo keep their own caches per face.
struct FontCache {
    FT_Library library = nullptr;
    cairo_font_face_t* faces[4] = {};
    bool failed[4] = {};
};

FontCache& Fonts()
{
    static FontCache cache;
    return cache;
}

const char* FontFile(FontStyle style)
{
    switch (style) {
    case FontStyle::Regular: return "DejaVuSans.ttf";
    case FontStyle::Bold: return "DejaVuSans-Bold.ttf";
    case FontStyle::BoldOblique: return "DejaVuSans-BoldOblique.ttf";
    case FontStyle::CondensedBold: return "DejaVuSansCondensed-Bold.ttf";
    }
    return "DejaVuSans.ttf";
}

cairo_font_face_t* Face(FontStyle style)
{
    FontCache& cache = Fonts();
    int index = static_cast<int>(style);
    if (cache.faces[index] || cache.failed[index]) return cache.faces[index];
    if (!cache.library && FT_Init_FreeType(&cache.library) != 0) {
        std::fprintf(stderr, "picturegen: FreeType does not start\n");
        cache.failed[index] = true;
        return nullptr;
    }
    std::string path = std::string(PICTUREGEN_FONT_DIR) + "/" + FontFile(style);
    FT_Face face = nullptr;
    if (FT_New_Face(cache.library, path.c_str(), 0, &face) != 0) {
        std::fprintf(stderr, "picturegen: cannot read the font %s\n", path.c_str());
        cache.failed[index] = true;
        return nullptr;
    }
    // Hinting off so that glyph shapes do not depend on the FreeType
    // build's hinting engine.
    cairo_font_face_t* fontFace = cairo_ft_font_face_create_for_ft_face(face, FT_LOAD_NO_HINTING);
    // The FreeType face must outlive cairo's face: cairo lets it go when it
    // drops its last reference.
    static const cairo_user_data_key_t key{};
    cairo_font_face_set_user_data(fontFace, &key, face, [](void* f) { FT_Done_Face(static_cast<FT_Face>(f)); });
    cache.faces[index] = fontFace;
    return fontFace;
}

}  // namespace

void ReleaseFonts()
{
    FontCache& cache = Fonts();
    for (cairo_font_face_t*& face : cache.faces) {
        if (face) cairo_font_face_destroy(face);
        face = nullptr;
    }
    // Drops cairo's caches of scaled fonts, which hold the last references.
    cairo_debug_reset_static_data();
    if (cache.library) FT_Done_FreeType(cache.library);
    cache.library = nullptr;
}

bool SelectFont(cairo_t* cr, FontStyle style, double pixelSize)
{
    cairo_font_face_t* face = Face(style);
    if (!face) return false;
    cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, pixelSize);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    return true;
}

TextSize MeasureText(cairo_t* cr, const std::string& utf8)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, utf8.c_str(), &e);
    TextSize size;
    size.width = e.x_advance;
    size.ascent = -e.y_bearing;
    size.descent = e.height + e.y_bearing;
    size.inkLeft = e.x_bearing;
    size.inkWidth = e.width;
    return size;
}

void FillText(cairo_t* cr, double x, double y, const std::string& utf8)
{
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, utf8.c_str());
    cairo_fill(cr);
}

double FitTextSize(cairo_t* cr, FontStyle style, const std::string& utf8, double width, double maxSize)
{
    double size = maxSize;
    while (size > 4) {
        if (!SelectFont(cr, style, size)) return maxSize;
        if (MeasureText(cr, utf8).width <= width) return size;
        size -= 0.25;
    }
    return size;
}

void SheetHead(cairo_t* cr, double r, double g, double b, double x, double y, const std::string& title)
{
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    SelectFont(cr, FontStyle::Bold, 14);
    cairo_set_source_rgb(cr, 1, 1, 1);
    FillText(cr, x, y, title);
}

InkBox FindInk(cairo_surface_t* surface, int alphaThreshold)
{
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    cairo_format_t format = cairo_image_surface_get_format(surface);
    int x0 = w, y0 = h, x1 = -1, y1 = -1;
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = data + y * stride;
        for (int x = 0; x < w; ++x) {
            int alpha = format == CAIRO_FORMAT_A8 ? row[x]
                                                  : static_cast<int>(reinterpret_cast<const uint32_t*>(row)[x] >> 24);
            if (alpha > alphaThreshold) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 < 0) return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

Surface CropSurface(cairo_surface_t* source, int x, int y, int w, int h)
{
    Surface out = MakeSurface(w, h);
    Context cr = MakeContext(out.get());
    cairo_set_source_surface(cr.get(), source, -x, -y);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    return out;
}

}  // namespace PictureGen::Kit
