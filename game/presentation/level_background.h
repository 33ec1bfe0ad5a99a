// The parallax scenery behind one level: up to five layers, each a strip of
// pictures repeated side by side, moving more slowly than the camera the
// farther back it lies, with optional one-colour fills above and below the
// strip.
//
// The game world holds one background per level and loads it once with its
// level index; the layer contents of all six levels are built in (Load). Each
// frame of play the world passes the camera position (SetScroll), recomputes
// the layer offsets (UpdateLayers) and draws the layers one at a time
// (DrawLayer), interleaved with the rest of the scene. Layer 0 is the
// nearest; a layer's factor divides the camera movement (0: fixed, below 1:
// in front of the camera's plane).
//
// Limits: five layers of at most six items; an item is a tiled picture (a
// description file) or a plain image (a name ending in ".png"). An item that
// failed to load adds no width and draws nothing; a missing fill colour
// image skips the fill. Load runs on the loader thread, everything else on
// the main thread; there is no lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/ref_counter.h"
#include "game/presentation/tiled_picture.h"

namespace Voke {
class Surface;
}

class GameBase;

struct BackgroundLayer {
    // NOTE: six items per layer, the most any level uses.
    static constexpr int kMaxItems = 6;

    BackgroundLayer();

    bool enabled;
    int32_t count;
    // Item i is a plain image when images[i] is set, else a tiled picture
    // when pictures[i] is loaded, else empty.
    Voke::SmartPtr<Voke::Surface> images[kMaxItems];
    TiledPicture pictures[kMaxItems];
    // Current parallax displacement, from UpdateLayers.
    int32_t x;
    int32_t y;
    // Parallax divisor: the layer moves by the camera movement / factor.
    float factor;
    int32_t totalWidth;
    // The strip's screen position before displacement.
    int32_t baseX;
    int32_t baseY;
    // Only the first item, not repeated.
    bool once;
    bool fillBelow;
    uint8_t fillBelowColour[4];
    bool fillAbove;
    uint8_t fillAboveColour[4];
    // The fills' one-colour images ("c%2x%2x%2x.png" of the colours), got
    // once at Load so that drawing needs no lookup by name; null when the
    // fill is off or its image is missing.
    Voke::SmartPtr<Voke::Surface> fillBelowImage;
    Voke::SmartPtr<Voke::Surface> fillAboveImage;
};

// Rows [top, bottom) of a target; empty when bottom <= top.
struct RowBand {
    int32_t top;
    int32_t bottom;
};

class LevelBackground {
public:
    // NOTE: five layers, the depth planes of the resolution table.
    static constexpr int kLayers = 5;

    // No owner; every layer disabled and empty.
    LevelBackground();
    ~LevelBackground();
    LevelBackground(const LevelBackground&) = delete;
    LevelBackground& operator=(const LevelBackground&) = delete;

    // The game: logical screen size, shake offsets and resolution table. Not
    // owned. Without one the layers neither shake nor take resolution
    // offsets, and the screen is taken as 480 x 320.
    void SetOwner(GameBase* owner) { m_Owner = owner; }
    // Builds the layers of level 0 to 5 (any other index leaves every layer
    // disabled). Items that fail to load stay empty; nothing is reported
    // beyond the tiled picture's own message.
    void Load(int32_t levelIndex);
    // The camera position: horizontal scroll, and vertical position + 200.
    void SetScroll(float x, float y);
    // Recomputes every enabled layer's displacement from the scroll.
    void UpdateLayers();
    // The same; the frame time is not needed (the game world passes it).
    void UpdateLayers(float /*dt*/) { UpdateLayers(); }
    // Identical to UpdateLayers.
    void UpdateLayersCopy();
    // Draws layer 0 to 4 into the target; any other index, a disabled or
    // empty layer or a null target draws nothing.
    void DrawLayer(Voke::Surface* target, int32_t layerIndex);
    // The same, limited to the rows of the band (within the target's clip);
    // an empty band draws nothing.
    void DrawLayer(Voke::Surface* target, int32_t layerIndex, RowBand rows);
    // For the layers drawn in `order` (back to front, `count` of them, as
    // they stand now): the band of target rows each must draw, all rows but
    // those at its top and bottom that the layers drawn after it cover with
    // opaque pixels over the target's whole width; the last one gets every
    // row. bands is indexed by layer; layers not in the order get every row.
    // Drawing each layer in its band changes no pixel of the result.
    void FindVisibleRows(const Voke::Surface& target, const int32_t* order, int32_t count,
                         RowBand bands[kLayers]) const;
    // Drops every item's picture and image and the fill images; the layer
    // numbers stay, so a released background draws nothing until loaded
    // again.
    void Release();

    // For tests and tools: layer 0 to 4 (the last one for any other index).
    const BackgroundLayer& GetLayer(int32_t index) const;
    float GetScrollX() const { return m_ScrollX; }
    float GetScrollY() const { return m_ScrollY; }

private:
    // Item i of the layer as a plain image or as a tiled picture.
    void AddImage(BackgroundLayer& layer, const char* name);
    void AddPicture(BackgroundLayer& layer, const char* name);
    void RunSetup(int32_t levelIndex);
    void ComputeLayer(BackgroundLayer& layer) const;
    // The fill under (above) an item at (x, y), w x h.
    void FillBelow(Voke::Surface* target, const BackgroundLayer& layer, int64_t x, int64_t y, int64_t w, int64_t h,
                   int64_t screenH) const;
    void FillAbove(Voke::Surface* target, const BackgroundLayer& layer, int64_t x, int64_t y, int64_t w) const;
    // Calls place(item, x, y, w, h) for each item of the layer that reaches
    // into the target, left to right, where it is drawn now.
    template <class Place>
    void PlaceItems(const Voke::Surface& target, const BackgroundLayer& layer, Place&& place) const;
    // Sets rows[y] for the target rows the layer covers (see FindVisibleRows).
    void MarkCoveredRows(const Voke::Surface& target, const BackgroundLayer& layer, std::vector<uint8_t>& rows) const;
    int32_t ScreenWidth() const;
    int32_t ScreenHeight() const;

    GameBase* m_Owner;
    BackgroundLayer m_Layers[kLayers];
    float m_ScrollX;
    float m_ScrollY;
};

// The asset name of the one-colour image of (r, g, b) that the background's
// fills stretch: "c%2x%2x%2x.png", each component lower-case hexadecimal
// padded with a blank (0, 0, 0 gives "c 0 0 0.png"); truncated to fit `size`
// bytes (16 hold any name).
void BackgroundFillImageName(uint8_t r, uint8_t g, uint8_t b, char* out, size_t size);
