// Building pieces that join: every piece of a building style is cut from one
// endless facade made of equal blocks, so any middle piece fits beside any
// other and the left and right pieces close the row.
//
// A piece is the facade's full-width parts (walls, ledges, rails: patterns
// measured from the first block so they continue across joints), then one
// block after another (windows and other features, drawn inside the block so
// that its edge columns stay the facade's), then an end cap on a left or right
// piece. Features of a single piece go inside its blocks too, away from its
// edges.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/picturegen/art_kit.h"

namespace PictureGen {

enum class PieceKind { Left, Middle, Right, Uniform };

struct Facade {
    Facade() = default;
    Facade(int imageHeight, int walkLine) : height(imageHeight), walk(walkLine) {}

    int height = 248;  // image height: the walk line plus enough to reach the screen bottom
    int walk = 40;     // the walk line: the roof's collision top below the image top
    int period = 32;   // block width; middle pieces are whole blocks
    int cap = 16;      // width of the end cap of a left or right piece
    // The full-width parts over [0, w); periodic patterns are measured from
    // origin, the x of the first block.
    std::function<void(Canvas&, int w, int origin)> body;
    // The features of one block whose left edge is at bx.
    std::function<void(Canvas&, int bx, Rng&)> block;
    // The building's end over [x, x + w): leftEnd for the left piece.
    std::function<void(Canvas&, int x, int w, bool leftEnd)> end;
};

// Something drawn on one piece over its blocks [x0, x0 + w) after them.
using PieceExtra = std::function<void(Canvas&, int x0, int w, Rng&)>;

// Paints a piece of `blocks` blocks (plus the cap on a left or right piece)
// and adds it to the book.
void PaintFacadePiece(ArtBook& book, const std::string& group, const std::string& name, const Facade& facade,
                      PieceKind kind, int blocks, const PieceExtra& extra = nullptr);

// Paints the three pieces most styles are made of: "<base>_01.png", the left
// piece of one block (with leftExtra on it: what stands once on a building),
// "<base>_02.png", a middle piece of two blocks, and "<base>_03.png", the
// right piece of one block.
void PaintFacadeStyle(ArtBook& book, const std::string& group, const std::string& base, const Facade& facade,
                      const PieceExtra& leftExtra = nullptr);

// Paints one style of each facade in turn, "<stem>1", "<stem>2", ..., as
// PaintFacadeStyle does; the left piece of style i carries leftExtras[i]
// where there is one. A style has one middle piece, repeated along the
// building: what should stand once goes on the left piece.
void PaintFacadeStyles(ArtBook& book, const std::string& group, const std::string& stem,
                       const std::vector<Facade>& facades, const std::vector<PieceExtra>& leftExtras = {});

// Floor modulo: 0 <= result < m for m > 0.
int Wrap(int a, int m);

// A brick (or stone) wall over a rectangle: faces of size bw x bh with
// one-pixel mortar, every other course shifted by half a brick, each brick's
// tone picked from `tones` by its place in a period of `period` pixels so
// the pattern repeats exactly; measured from origin.
void Bricks(Canvas& c, int x, int y, int w, int h, int origin, int period, const std::vector<Rgb>& tones,
            Rgb mortar, int bw, int bh);

// A window of w x h at (x, y): frame, glass (lit or dark) and optional bars.
void Window(Canvas& c, int x, int y, int w, int h, Rgb frame, Rgb glass, int bars, Rgb barColour);

// Horizontal ledge: a light top face over a shadow, across [x, x + w).
void Ledge(Canvas& c, int x, int y, int w, int h, Rgb lit, Rgb face, Rgb shadow);

}  // namespace PictureGen
