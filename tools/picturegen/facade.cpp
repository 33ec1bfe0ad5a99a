#include "tools/picturegen/facade.h"

#include <algorithm>

namespace PictureGen {

int Wrap(int a, int m)
{
    int r = a % m;
    return r < 0 ? r + m : r;
}

void PaintFacadePiece(ArtBook& book, const std::string& group, const std::string& name, const Facade& facade,
                      PieceKind kind, int blocks, const PieceExtra& extra)
{
    bool left = kind == PieceKind::Left;
    bool right = kind == PieceKind::Right;
    int capW = (left || right) ? facade.cap : 0;
    int width = blocks * facade.period + capW;
    int origin = left ? capW : 0;
    Canvas c(width, facade.height);
    Rng rng(name);
    if (facade.body) facade.body(c, width, origin);
    if (facade.block)
        for (int i = 0; i < blocks; ++i) facade.block(c, origin + i * facade.period, rng);
    if (extra) extra(c, origin, blocks * facade.period, rng);
    if (facade.end) {
        if (left) facade.end(c, 0, capW, true);
        if (right) facade.end(c, width - capW, capW, false);
    }
    book.Add(group, name, c);
}

void PaintFacadeStyle(ArtBook& book, const std::string& group, const std::string& base, const Facade& facade,
                      const PieceExtra& leftExtra)
{
    PaintFacadePiece(book, group, base + "_01.png", facade, PieceKind::Left, 1, leftExtra);
    PaintFacadePiece(book, group, base + "_02.png", facade, PieceKind::Middle, 2);
    PaintFacadePiece(book, group, base + "_03.png", facade, PieceKind::Right, 1);
}

void PaintFacadeStyles(ArtBook& book, const std::string& group, const std::string& stem,
                       const std::vector<Facade>& facades, const std::vector<PieceExtra>& leftExtras)
{
    for (size_t i = 0; i < facades.size(); ++i)
        PaintFacadeStyle(book, group, stem + std::to_string(i + 1), facades[i],
                         i < leftExtras.size() ? leftExtras[i] : nullptr);
}

void Bricks(Canvas& c, int x, int y, int w, int h, int origin, int period, const std::vector<Rgb>& tones,
            Rgb mortar, int bw, int bh)
{
    int perPeriod = period / bw;
    for (int row = 0; row * bh < h; ++row) {
        int ry = y + row * bh;
        int rh = std::min(bh, y + h - ry);
        int shift = (row % 2) * (bw / 2);
        for (int px = x; px < x + w;) {
            int u = Wrap(px - origin - shift, period);
            int brick = u / bw;
            int run = std::min(bw - u % bw, x + w - px);
            // Tone from the brick's place in the period and its course.
            uint32_t hsh = static_cast<uint32_t>(brick * 7919 + (row % 6) * 104729 + perPeriod * 31);
            hsh ^= hsh >> 7;
            hsh *= 2654435761u;
            const Rgb& tone = tones[(hsh >> 13) % tones.size()];
            c.Rect(px, ry, run, rh, tone);
            if (u % bw == 0) c.Rect(px, ry, 1, rh, mortar);
            px += run;
        }
        if (rh == bh) c.Rect(x, ry + bh - 1, w, 1, mortar);
    }
}

void Window(Canvas& c, int x, int y, int w, int h, Rgb frame, Rgb glass, int bars, Rgb barColour)
{
    c.Rect(x, y, w, h, frame);
    c.Rect(x + 1, y + 1, w - 2, h - 2, glass);
    for (int i = 1; i <= bars; ++i) {
        int bx = x + (w * i) / (bars + 1);
        c.Rect(bx, y + 1, 1, h - 2, barColour);
    }
}

void Ledge(Canvas& c, int x, int y, int w, int h, Rgb lit, Rgb face, Rgb shadow)
{
    c.Rect(x, y, w, h, face);
    c.Rect(x, y, w, 1, lit);
    c.Rect(x, y + h, w, 1, shadow);
}

}  // namespace PictureGen
