// A picture described by an XML file: up to 64 tiles, each an image repeated
// on a grid or a rectangle of one colour.
//
// The level backgrounds, the thunder bolt, the main-menu backgrounds and the
// level-to-level flight pictures are tiled pictures. The description's root
// element (any name) gives the picture's "width" and "height"; its direct
// "texture" and "rect" children (names compared without regard to case)
// are the tiles, in drawing order, with the integer attributes "x", "y",
// "width", "height", "countx", "county", "r", "g", "b" and the image asset
// name "filename". Other children take no slot; children past the 64th tile
// are ignored.
//
// Create runs on the loader thread, Draw on the main thread once loading has
// finished; the picture has no lock.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/ref_counter.h"

namespace Voke {
class Surface;
}

class TiledPicture {
public:
    // NOTE: a description holds at most 64 tiles; further tile elements are
    // ignored.
    static constexpr int kMaxTiles = 64;

    struct Tile {
        bool used;
        // 0: an image repeated countx x county times, `width` x `height`
        // apart; 1: a `width` x `height` rectangle of the colour (r, g, b).
        bool kind;
        Voke::SmartPtr<Voke::Surface> surface;
        int32_t x;
        int32_t y;
        int32_t width;   // never negative after loading
        int32_t height;  // never negative after loading
        int32_t countx;  // at least 1 after loading
        int32_t county;  // at least 1 after loading
        int32_t r;       // 0 to 255 after loading
        int32_t g;
        int32_t b;
    };

    TiledPicture();
    ~TiledPicture();
    TiledPicture(const TiledPicture&) = delete;
    TiledPicture& operator=(const TiledPicture&) = delete;

    // Loads the description through the mount table. False, leaving the
    // picture as it was, for a null name, a missing file or XML that does
    // not parse. A tile image that cannot be loaded is reported on standard
    // output; its tile stays in the list and draws nothing, and Create still
    // returns true. Creating a loaded picture again replaces all its tiles.
    bool Create(const char* fileName);
    // Draws the tiles in order with the picture's origin at (x, y) of the
    // target. Only the repeats that reach into the target are blitted.
    void Draw(Voke::Surface* target, int x, int y);
    bool IsLoaded() const { return m_Loaded; }
    // The root's "width" and "height" (0 when absent); kept by Release.
    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }
    // One flag per row of the picture (0 to height - 1): whether its tiles
    // draw the row opaque from x = 0 to the width, as far as their images
    // tell (Voke::Surface::IsRowOpaque) and their opacity is still 255.
    // Null when no row is known to be opaque.
    const std::vector<bool>* GetOpaqueRows() const;
    // What finding those rows took at Create: the image rows asked, the
    // picture rows each tile was placed on, the runs of columns it spans
    // and the rows whose tiles were combined. It grows with the picture's
    // size and its images' heights, never with the repeat counts.
    int64_t GetRowSearchSteps() const { return m_RowSearchSteps; }
    // Drops every tile and its image and clears the loaded flag.
    void Release();

private:
    void ClearTiles();
    void FindOpaqueRows();
    void DrawTexture(Voke::Surface* target, const Tile& tile, int64_t x, int64_t y, int64_t targetW,
                     int64_t targetH);
    void DrawRect(Voke::Surface* target, const Tile& tile, int64_t x, int64_t y, int64_t targetW, int64_t targetH);

    bool m_Loaded;
    int32_t m_Width;
    int32_t m_Height;
    Tile m_Tiles[kMaxTiles];
    // From FindOpaqueRows at Create: the rows, and the images they rest on
    // (a later opacity change of one of them voids them).
    std::vector<bool> m_OpaqueRows;
    std::vector<Voke::SmartPtr<Voke::Surface>> m_OpaqueSources;
    int64_t m_RowSearchSteps;
};

// Whether a blit of the image draws every one of its rows opaque
// (Voke::Surface::IsRowOpaque); false for an empty image.
bool IsWhollyOpaque(const Voke::Surface& image);
