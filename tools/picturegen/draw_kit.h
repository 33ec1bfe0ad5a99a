// Drawing helpers shared by every painter of the picture generator: colours,
// owned cairo surfaces and contexts, rounded shapes, the DejaVu fonts through
// FreeType, text measuring, and the ink bounds of a picture.
//
// Everything here is deterministic: fonts are read from fixed files with
// hinting off, so the same build draws the same pixels on every machine that
// has the same cairo and FreeType. Painters may rely on these signatures; new
// helpers are added, existing ones keep their meaning. The kit lives in its
// own namespace, PictureGen::Kit, so that painters with helpers of their own
// (a colour type, a canvas) can sit beside it in one program.
#pragma once

#include <cairo.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace PictureGen::Kit {

inline constexpr double kPi = 3.14159265358979323846;

// An opaque colour given as 0..255 channels, the way the palettes of the
// content direction name them.
struct Rgb {
    int r = 0, g = 0, b = 0;
};

// The colour one step lighter (amount > 0) or darker (amount < 0): each
// channel moves that fraction of the way to white or black.
Rgb Shade(Rgb colour, double amount);
// Mixes two colours: t 0 gives a, t 1 gives b.
Rgb Mix(Rgb a, Rgb b, double t);

void SetColour(cairo_t* cr, Rgb colour, double alpha = 1.0);

// Owned cairo objects. A null pointer means the object could not be made.
struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

// A transparent ARGB32 picture of width x height pixels.
Surface MakeSurface(int width, int height);
// A context drawing on the surface, with anti-aliasing on.
Context MakeContext(cairo_surface_t* surface);
// A transparent width x height picture drawn by `draw` on such a context.
Surface DrawPicture(int width, int height, const std::function<void(cairo_t*)>& draw);

// Fills the current path in the colour.
void FillPath(cairo_t* cr, Rgb colour, double alpha = 1.0);
// Adds a rectangle or a disc to the current path and fills it in the colour.
void FillRect(cairo_t* cr, double x, double y, double w, double h, Rgb colour, double alpha = 1.0);
void FillDisc(cairo_t* cr, double cx, double cy, double r, Rgb colour, double alpha = 1.0);

// A stop of a gradient: its offset (0..1) and its colour and alpha as 0..1.
struct GradientStop {
    double offset, r, g, b, a;
};
// Paints (within the clip) a radial gradient about (cx, cy) running from
// radius inner to radius outer through the stops: glows, flashes, sparks.
void PaintRadial(cairo_t* cr, double cx, double cy, double inner, double outer,
                 std::initializer_list<GradientStop> stops);

// Path helpers; they add to the current path and draw nothing.
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);
// A horizontal capsule: a rectangle whose left and right ends are half circles.
void Capsule(cairo_t* cr, double x, double y, double w, double h);

// The fonts of the game's bitmap fonts come from: DejaVu Sans.
enum class FontStyle { Regular, Bold, BoldOblique, CondensedBold };

// Selects the font on the context at the given pixel size. Fails (false,
// with a message on stderr) when the font file cannot be read; the context
// then keeps its previous font.
bool SelectFont(cairo_t* cr, FontStyle style, double pixelSize);

// Frees the fonts and cairo's caches of them; call once when all drawing is
// done (the program then exits without leaks).
void ReleaseFonts();

struct TextSize {
    double width = 0;    // advance width of the whole string
    double ascent = 0;   // ink above the baseline
    double descent = 0;  // ink below the baseline
    double inkLeft = 0;  // ink start relative to the pen position
    double inkWidth = 0;
};
// Measures UTF-8 text with the font currently selected on the context.
TextSize MeasureText(cairo_t* cr, const std::string& utf8);
// Fills UTF-8 text with its baseline starting at (x, y) in the current source.
void FillText(cairo_t* cr, double x, double y, const std::string& utf8);
// The largest pixel size, at most maxSize, at which the text fits in width.
double FitTextSize(cairo_t* cr, FontStyle style, const std::string& utf8, double width, double maxSize);

// The head of a review sheet: the whole surface painted in (r, g, b) and the
// title written at (x, y) in 14 px bold white.
void SheetHead(cairo_t* cr, double r, double g, double b, double x, double y, const std::string& title);

// The smallest rectangle holding every pixel whose alpha is above the
// threshold; empty (w = h = 0) for a picture without such pixels.
struct InkBox {
    int x = 0, y = 0, w = 0, h = 0;
    bool Empty() const { return w <= 0 || h <= 0; }
};
InkBox FindInk(cairo_surface_t* surface, int alphaThreshold = 0);

// A new surface holding the given rectangle of the source (pixels outside the
// source stay transparent).
Surface CropSurface(cairo_surface_t* source, int x, int y, int w, int h);

}  // namespace PictureGen::Kit
