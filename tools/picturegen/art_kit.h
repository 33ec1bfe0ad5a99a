// The drawing kit of the level-art painters: colours, a cairo canvas with the
// few shapes the scenery is built from, a seeded number source, and the book
// that writes every painted picture through the sink and keeps it for the
// contact sheets.
//
// Everything here is deterministic: the number source is a fixed xorshift,
// and cairo draws the same pixels for the same calls in one build.
#pragma once

#include <cairo.h>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "tools/picturegen/picture_sink.h"

namespace PictureGen {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

bool operator==(Rgb a, Rgb b);

// a at t = 0, b at t = 1; components rounded and clamped to 0..255.
Rgb Mix(Rgb a, Rgb b, double t);
// Each component times f, rounded and clamped.
Rgb Scale(Rgb c, double f);
// Each component plus d, clamped.
Rgb Lift(Rgb c, int d);

// The colour (with alpha a) as the context's source, and as a colour stop
// of a gradient at offset.
void SetColour(cairo_t* cr, Rgb c, double a = 1.0);
void AddColourStop(cairo_pattern_t* p, double offset, Rgb c, double a = 1.0);

// The one-colour image names: "c%02x%02x%02x.png" (tiled-picture rectangles,
// splinters, head-up display) and "c%2x%2x%2x.png" (background fills, blank
// padded: black is "c 0 0 0.png").
std::string ColourImageName(Rgb c);
std::string FillColourImageName(Rgb c);

// A small deterministic number source (xorshift32), seeded from a text so that
// each picture gets its own stable sequence.
class Rng {
public:
    explicit Rng(const std::string& seed);
    uint32_t Next();
    // lo..hi inclusive.
    int Range(int lo, int hi);
    // 0 <= x < 1.
    double Unit();
    bool Chance(double p) { return Unit() < p; }

private:
    uint32_t m_state;
};

// A transparent ARGB32 picture of a fixed size and a cairo context on it.
class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    cairo_t* Cr() const { return m_cr; }
    cairo_surface_t* Surface() const { return m_surface; }

    void Rect(double x, double y, double w, double h, Rgb c, double a = 1.0);
    // Several rectangles (x, y, w, h) in one colour, drawn in order.
    void Rects(std::initializer_list<std::array<double, 4>> boxes, Rgb c);
    // A block lit from above: the body, a band `litRows` high along its top
    // in the lit tone and a band `shadeRows` high along its bottom in the
    // shade tone (a band of 0 is not drawn).
    void Slab(double x, double y, double w, double h, Rgb body, Rgb lit, double litRows, Rgb shade = {},
              double shadeRows = 0);
    // A post lit from the left: the body, a band `litCols` wide down its left
    // side in the lit tone and a band `shadeCols` wide down its right side in
    // the shade tone.
    void Post(double x, double y, double w, double h, Rgb body, Rgb lit, double litCols, Rgb shade = {},
              double shadeCols = 0);
    // Points as x0, y0, x1, y1, ...
    void Poly(const std::vector<double>& xy, Rgb c, double a = 1.0);
    void Circle(double cx, double cy, double r, Rgb c, double a = 1.0);
    void Ellipse(double cx, double cy, double rx, double ry, Rgb c, double a = 1.0);
    // A circle's outline, stroked `width` wide (wire loops, coils).
    void Ring(double cx, double cy, double r, double width, Rgb c, double a = 1.0);
    // A round-capped stroke.
    void Line(double x1, double y1, double x2, double y2, double width, Rgb c, double a = 1.0);
    // A butt-capped stroke (for lines that must end flush, such as mesh wires
    // drawn across a whole piece).
    void Bar(double x1, double y1, double x2, double y2, double width, Rgb c, double a = 1.0);
    void VGradient(double x, double y, double w, double h, Rgb top, Rgb bottom, double aTop = 1.0,
                   double aBottom = 1.0);
    // A radial glow fading from alpha a at the centre to nothing at radius r.
    void Glow(double cx, double cy, double r, Rgb c, double a);
    // Makes the area transparent again.
    void Clear(double x, double y, double w, double h);
    // Draws another picture with its top-left corner at (x, y).
    void Draw(cairo_surface_t* picture, double x, double y, double alpha = 1.0);
    // Copies a w x h part of another picture at (sx, sy) to (x, y), pixels
    // replaced (not blended).
    void CopyFrom(cairo_surface_t* picture, int sx, int sy, int w, int h, int x, int y);

private:
    int m_width;
    int m_height;
    cairo_surface_t* m_surface;
    cairo_t* m_cr;
};

// Every picture the level art paints: written through the sink into its group
// and kept (by name) for the contact sheets and for later painters that copy
// parts of earlier ones.
class ArtBook {
public:
    explicit ArtBook(PictureSink& sink);
    ~ArtBook();
    ArtBook(const ArtBook&) = delete;
    ArtBook& operator=(const ArtBook&) = delete;

    // name includes ".png". A name given twice fails the sink's run.
    void Add(const std::string& group, const std::string& name, const Canvas& canvas);
    // Paints a new width x height picture with `paint` and adds it.
    void Paint(const std::string& group, const std::string& name, int width, int height,
               const std::function<void(Canvas&)>& paint);
    // Null when no picture of that name was painted here.
    cairo_surface_t* Find(const std::string& name) const;
    int WidthOf(const std::string& name) const;
    int HeightOf(const std::string& name) const;
    bool Has(const std::string& name) const { return Find(name) != nullptr; }
    PictureSink& Sink() { return m_sink; }

private:
    PictureSink& m_sink;
    std::map<std::string, cairo_surface_t*> m_pictures;
};

}  // namespace PictureGen
