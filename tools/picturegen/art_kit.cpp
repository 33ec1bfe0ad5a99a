#include "tools/picturegen/art_kit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace PictureGen {

namespace {
int Clamp255(double v)
{
    int i = static_cast<int>(std::lround(v));
    return std::min(255, std::max(0, i));
}

void Stroke(cairo_t* cr, double x1, double y1, double x2, double y2, double width, Rgb c, double a,
            cairo_line_cap_t cap)
{
    SetColour(cr, c, a);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, cap);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_stroke(cr);
}
}  // namespace

void SetColour(cairo_t* cr, Rgb c, double a)
{
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, a);
}

void AddColourStop(cairo_pattern_t* p, double offset, Rgb c, double a)
{
    cairo_pattern_add_color_stop_rgba(p, offset, c.r / 255.0, c.g / 255.0, c.b / 255.0, a);
}

bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

Rgb Mix(Rgb a, Rgb b, double t)
{
    return {Clamp255(a.r + (b.r - a.r) * t), Clamp255(a.g + (b.g - a.g) * t), Clamp255(a.b + (b.b - a.b) * t)};
}

Rgb Scale(Rgb c, double f) { return {Clamp255(c.r * f), Clamp255(c.g * f), Clamp255(c.b * f)}; }

Rgb Lift(Rgb c, int d) { return {Clamp255(c.r + d), Clamp255(c.g + d), Clamp255(c.b + d)}; }

std::string ColourImageName(Rgb c)
{
    char name[32];
    std::snprintf(name, sizeof name, "c%02x%02x%02x.png", c.r & 255, c.g & 255, c.b & 255);
    return name;
}

std::string FillColourImageName(Rgb c)
{
    char name[32];
    std::snprintf(name, sizeof name, "c%2x%2x%2x.png", c.r & 255, c.g & 255, c.b & 255);
    return name;
}

Rng::Rng(const std::string& seed) : m_state(2166136261u)
{
    // FNV-1a of the text, so each picture's sequence follows from its name.
    for (unsigned char ch : seed) m_state = (m_state ^ ch) * 16777619u;
    if (m_state == 0) m_state = 0x9e3779b9u;
}

uint32_t Rng::Next()
{
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return m_state;
}

int Rng::Range(int lo, int hi)
{
    if (hi <= lo) return lo;
    return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1));
}

double Rng::Unit() { return (Next() >> 8) / 16777216.0; }

Canvas::Canvas(int width, int height)
    : m_width(width),
      m_height(height),
      m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      m_cr(cairo_create(m_surface))
{
}

Canvas::~Canvas()
{
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
}

void Canvas::Rect(double x, double y, double w, double h, Rgb c, double a)
{
    if (w <= 0 || h <= 0) return;
    SetColour(m_cr, c, a);
    cairo_rectangle(m_cr, x, y, w, h);
    cairo_fill(m_cr);
}

void Canvas::Rects(std::initializer_list<std::array<double, 4>> boxes, Rgb c)
{
    for (const std::array<double, 4>& b : boxes) Rect(b[0], b[1], b[2], b[3], c);
}

void Canvas::Slab(double x, double y, double w, double h, Rgb body, Rgb lit, double litRows, Rgb shade,
                  double shadeRows)
{
    Rect(x, y, w, h, body);
    Rect(x, y, w, litRows, lit);
    Rect(x, y + h - shadeRows, w, shadeRows, shade);
}

void Canvas::Post(double x, double y, double w, double h, Rgb body, Rgb lit, double litCols, Rgb shade,
                  double shadeCols)
{
    Rect(x, y, w, h, body);
    Rect(x, y, litCols, h, lit);
    Rect(x + w - shadeCols, y, shadeCols, h, shade);
}

void Canvas::Poly(const std::vector<double>& xy, Rgb c, double a)
{
    if (xy.size() < 6) return;
    SetColour(m_cr, c, a);
    cairo_move_to(m_cr, xy[0], xy[1]);
    for (size_t i = 2; i + 1 < xy.size(); i += 2) cairo_line_to(m_cr, xy[i], xy[i + 1]);
    cairo_close_path(m_cr);
    cairo_fill(m_cr);
}

void Canvas::Circle(double cx, double cy, double r, Rgb c, double a)
{
    SetColour(m_cr, c, a);
    cairo_new_path(m_cr);
    cairo_arc(m_cr, cx, cy, r, 0, 2 * M_PI);
    cairo_fill(m_cr);
}

void Canvas::Ellipse(double cx, double cy, double rx, double ry, Rgb c, double a)
{
    if (rx <= 0 || ry <= 0) return;
    cairo_save(m_cr);
    cairo_translate(m_cr, cx, cy);
    cairo_scale(m_cr, rx, ry);
    cairo_new_path(m_cr);
    cairo_arc(m_cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(m_cr);
    SetColour(m_cr, c, a);
    cairo_fill(m_cr);
}

void Canvas::Ring(double cx, double cy, double r, double width, Rgb c, double a)
{
    SetColour(m_cr, c, a);
    cairo_set_line_width(m_cr, width);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_BUTT);
    cairo_new_path(m_cr);
    cairo_arc(m_cr, cx, cy, r, 0, 2 * M_PI);
    cairo_stroke(m_cr);
}

void Canvas::Line(double x1, double y1, double x2, double y2, double width, Rgb c, double a)
{
    Stroke(m_cr, x1, y1, x2, y2, width, c, a, CAIRO_LINE_CAP_ROUND);
}

void Canvas::Bar(double x1, double y1, double x2, double y2, double width, Rgb c, double a)
{
    Stroke(m_cr, x1, y1, x2, y2, width, c, a, CAIRO_LINE_CAP_BUTT);
}

void Canvas::VGradient(double x, double y, double w, double h, Rgb top, Rgb bottom, double aTop, double aBottom)
{
    if (w <= 0 || h <= 0) return;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    AddColourStop(p, 0, top, aTop);
    AddColourStop(p, 1, bottom, aBottom);
    cairo_set_source(m_cr, p);
    cairo_rectangle(m_cr, x, y, w, h);
    cairo_fill(m_cr);
    cairo_pattern_destroy(p);
}

void Canvas::Glow(double cx, double cy, double r, Rgb c, double a)
{
    if (r <= 0) return;
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
    AddColourStop(p, 0, c, a);
    AddColourStop(p, 0.45, c, a * 0.35);
    AddColourStop(p, 1, c, 0);
    cairo_set_source(m_cr, p);
    cairo_new_path(m_cr);
    cairo_arc(m_cr, cx, cy, r, 0, 2 * M_PI);
    cairo_fill(m_cr);
    cairo_pattern_destroy(p);
}

void Canvas::Clear(double x, double y, double w, double h)
{
    cairo_save(m_cr);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(m_cr, x, y, w, h);
    cairo_fill(m_cr);
    cairo_restore(m_cr);
}

void Canvas::Draw(cairo_surface_t* picture, double x, double y, double alpha)
{
    if (!picture) return;
    cairo_set_source_surface(m_cr, picture, x, y);
    cairo_paint_with_alpha(m_cr, alpha);
}

void Canvas::CopyFrom(cairo_surface_t* picture, int sx, int sy, int w, int h, int x, int y)
{
    if (!picture) return;
    cairo_save(m_cr);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(m_cr, picture, x - sx, y - sy);
    cairo_rectangle(m_cr, x, y, w, h);
    cairo_fill(m_cr);
    cairo_restore(m_cr);
}

ArtBook::ArtBook(PictureSink& sink) : m_sink(sink) {}

ArtBook::~ArtBook()
{
    for (auto& entry : m_pictures) cairo_surface_destroy(entry.second);
}

void ArtBook::Add(const std::string& group, const std::string& name, const Canvas& canvas)
{
    m_sink.Add(group, name, canvas.Surface());
    if (m_pictures.count(name)) return;  // the sink has reported the clash
    m_pictures[name] = cairo_surface_reference(canvas.Surface());
}

void ArtBook::Paint(const std::string& group, const std::string& name, int width, int height,
                    const std::function<void(Canvas&)>& paint)
{
    Canvas canvas(width, height);
    paint(canvas);
    Add(group, name, canvas);
}

cairo_surface_t* ArtBook::Find(const std::string& name) const
{
    auto it = m_pictures.find(name);
    return it == m_pictures.end() ? nullptr : it->second;
}

int ArtBook::WidthOf(const std::string& name) const
{
    cairo_surface_t* s = Find(name);
    return s ? cairo_image_surface_get_width(s) : 0;
}

int ArtBook::HeightOf(const std::string& name) const
{
    cairo_surface_t* s = Find(name);
    return s ? cairo_image_surface_get_height(s) : 0;
}

}  // namespace PictureGen
