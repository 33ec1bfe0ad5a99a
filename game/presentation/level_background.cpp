#include "game/presentation/level_background.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/presentation/resolution_dependence.h"

namespace {

// NOTE: positions are held within +-2^30 pixels before they reach the
// drawing calls, so no sum of a position and a size can overflow.
constexpr int64_t kFarOff = int64_t(1) << 30;
// The moon stands this far past the right edge, less its own width.
constexpr int32_t kMoonMargin = 10;

struct Rgb {
    bool on;
    uint8_t r, g, b;
};
constexpr Rgb kNone = {false, 0, 0, 0};

// One layer of a level's built-in setup. Names ending in ".png" are plain
// images, the others tiled-picture descriptions.
struct LayerSetup {
    int32_t level;
    int32_t layer;
    const char* items[BackgroundLayer::kMaxItems];
    float factor;
    int32_t baseX;
    int32_t baseY;
    bool once;
    // baseX := screen width + 10 - the first image's width.
    bool rightAligned;
    Rgb below;
    Rgb above;
};

const LayerSetup kSetups[] = {
    {0, 0, {"lev1_bg2_a.xml", "lev1_bg2_b.xml"}, 2.0f, 0, 80, false, false, {true, 45, 40, 66}, kNone},
    {0, 1, {"lev1_bg1_a.xml", "lev1_bg1_b.xml"}, 3.0f, 0, 70, false, false, {true, 63, 75, 119}, kNone},
    {0, 2, {"lev1_bg0.xml"}, 5.0f, 0, 70, false, false, {true, 82, 101, 148}, kNone},
    {0, 3, {"lev1_moon.png"}, 0.0f, 0, -82, true, true, kNone, kNone},
    {0, 4, {"lev1_bg.xml"}, 0.0f, 0, -150, false, false, kNone, kNone},

    {1,
     0,
     {"lev2_bg_platform1_a.xml", "lev2_bg_platform1_b.xml", "lev2_bg_platform1_c.xml", "lev2_bg_platform1_d.xml"},
     1.27f,
     0,
     20,
     false,
     false,
     {true, 24, 40, 49},
     {true, 24, 40, 49}},
    {1,
     1,
     {"lev2_bg_platform2_a.xml", "lev2_bg_platform2_b.xml", "lev2_bg_platform2_c.xml", "lev2_bg_platform2_d.xml",
      "lev2_bg_platform2_e.xml"},
     2.0f,
     0,
     44,
     false,
     false,
     {true, 33, 60, 66},
     kNone},
    {1,
     2,
     {"lev2_bg_platform3_a.xml", "lev2_bg_platform3_b.xml", "lev2_bg_platform3_c.xml", "lev2_bg_platform3_d.xml",
      "lev2_bg_platform3_e.xml"},
     3.5f,
     0,
     104,
     false,
     false,
     {true, 57, 101, 99},
     kNone},
    {1,
     3,
     {"lev2_bg_platform4_a.xml", "lev2_bg_platform4_b.xml", "lev2_bg_platform4_c.xml", "lev2_bg_platform4_d.xml"},
     5.0f,
     0,
     0,
     false,
     false,
     kNone,
     kNone},
    // The platform edge in front of the runner: the only foreground layer.
    {1, 4, {"lev2_bg_peron01.png"}, 0.68f, 0, 480, false, false, {true, 0, 0, 0}, kNone},

    {2, 0, {"lev3_bg_00_rury2.png"}, 1.0f, 0, 168, false, false, kNone, kNone},
    {2, 1, {"lev3_bg_01_a.xml", "lev3_bg_01_b.xml"}, 1.82f, 0, 116, false, false, kNone, {true, 49, 52, 74}},
    {2, 2, {"lev3_bg_02_a.xml", "lev3_bg_02_b.xml"}, 2.6f, 0, 106, false, false, kNone, kNone},
    {2, 3, {"lev3_bg_03_a.xml", "lev3_bg_03_b.xml"}, 3.6f, 0, 96, false, false, {true, 33, 73, 90}, kNone},

    {3,
     0,
     {"lev4_bg2_bez_ramienia_dzwigu_a.xml", "lev4_bg2_bez_ramienia_dzwigu_b.xml"},
     2.0f,
     0,
     110,
     false,
     false,
     {true, 63, 83, 106},
     kNone},
    {3, 1, {"lev4_bg1_a.xml", "lev4_bg1_b.xml"}, 5.0f, 0, 85, false, false, {true, 84, 113, 149}, kNone},
    {3, 2, {"lev4_bg0_a.xml", "lev4_bg0_b.xml"}, 9.0f, 0, 40, false, false, {true, 115, 150, 198}, kNone},
    {3, 3, {"lev4_bg.xml"}, 0.0f, 0, 0, false, false, kNone, kNone},

    {4, 0, {"lev5_bg2_a.xml", "lev5_bg2_b.xml"}, 1.6f, 0, 132, false, false, {true, 137, 97, 75}, kNone},
    {4, 1, {"lev5_bg1_a.xml", "lev5_bg1_b.xml"}, 2.6f, 0, 100, false, false, {true, 165, 131, 97}, kNone},
    {4, 2, {"lev5_bg0_a.xml", "lev5_bg0_b.xml"}, 4.64f, 0, 40, false, false, {true, 198, 158, 115}, kNone},
    {4, 3, {"lev5_bg.xml"}, 0.0f, 0, 0, false, false, {true, 255, 231, 173}, kNone},

    {5, 0, {"lev6_bg2_a.xml", "lev6_bg2_b.xml"}, 2.0f, 0, 100, false, false, {true, 125, 86, 43}, kNone},
    {5, 1, {"lev6_bg1.xml"}, 5.0f, 0, 108, false, false, {true, 75, 80, 90}, kNone},
    {5, 2, {"lev6_bg0.xml"}, 9.0f, 0, 60, false, false, kNone, kNone},
    {5, 3, {"lev6_bg.xml"}, 0.0f, 0, 0, false, false, kNone, kNone},
};

bool IsPlainImage(const char* name)
{
    const size_t n = std::strlen(name);
    return n >= 4 && std::strcmp(name + n - 4, ".png") == 0;
}

// A size as drawn: a negative one (a damaged description) counts as 0.
int32_t Size(int v) { return v > 0 ? v : 0; }

int64_t Bounded(int64_t v) { return std::clamp(v, -kFarOff, kFarOff); }

// The item's size, false for an empty item.
bool ItemSize(const BackgroundLayer& layer, int32_t item, int32_t& w, int32_t& h)
{
    if (const Voke::Surface* image = layer.images[item]) {
        w = Size(image->GetWidth());
        h = Size(image->GetHeight());
        return true;
    }
    if (layer.pictures[item].IsLoaded()) {
        w = Size(layer.pictures[item].GetWidth());
        h = Size(layer.pictures[item].GetHeight());
        return true;
    }
    return false;
}

// The width of one round of the layer's items side by side.
int64_t StripWidth(const BackgroundLayer& layer)
{
    int64_t total = 0;
    const int32_t count = std::min(layer.count, int32_t(BackgroundLayer::kMaxItems));
    for (int32_t i = 0; i < count; ++i) {
        int32_t w = 0, h = 0;
        if (ItemSize(layer, i, w, h)) total += w;
    }
    return total;
}

// A fill's switch and colour as its setup row gives them.
void SetFill(const Rgb& setup, bool& on, uint8_t colour[4])
{
    on = setup.on;
    colour[0] = setup.r;
    colour[1] = setup.g;
    colour[2] = setup.b;
}

// One pixel inside a one-colour image, stretched over w x h from (x, y).
void StretchColour(Voke::Surface* target, Voke::Surface* colour, int64_t x, int64_t y, int64_t w, int64_t h)
{
    const float scale[2] = {static_cast<float>(w), static_cast<float>(h)};
    const float pivot[2] = {0.0f, 0.0f};
    const Voke::Rect pixel = {2, 2, 1, 1};
    Voke::Surface::BlitTransformed(target, colour, static_cast<float>(x), static_cast<float>(y), 0.0f, scale, pivot, 0,
                                   pixel);
}

Voke::SmartPtr<Voke::Surface> FillImage(const uint8_t colour[4])
{
    char name[16];
    BackgroundFillImageName(colour[0], colour[1], colour[2], name, sizeof name);
    return Voke::GetCachedSurface(name, false);
}

}  // namespace

void BackgroundFillImageName(uint8_t r, uint8_t g, uint8_t b, char* out, size_t size)
{
    if (!out || size == 0) return;
    std::snprintf(out, size, "c%2x%2x%2x.png", unsigned(r), unsigned(g), unsigned(b));
}

BackgroundLayer::BackgroundLayer()
    : enabled(false),
      count(0),
      x(0),
      y(0),
      factor(0.0f),
      totalWidth(0),
      baseX(0),
      baseY(0),
      once(false),
      fillBelow(false),
      fillBelowColour{0, 0, 0, 255},
      fillAbove(false),
      fillAboveColour{0, 0, 0, 255}
{
}

LevelBackground::LevelBackground() : m_Owner(nullptr), m_ScrollX(0.0f), m_ScrollY(0.0f) {}

LevelBackground::~LevelBackground() = default;

int32_t LevelBackground::ScreenWidth() const { return m_Owner ? m_Owner->m_ScreenWidth : kLogicalScreenWidth; }

int32_t LevelBackground::ScreenHeight() const { return m_Owner ? m_Owner->m_ScreenHeight : kLogicalScreenHeight; }

const BackgroundLayer& LevelBackground::GetLayer(int32_t index) const
{
    return m_Layers[std::clamp(index, 0, kLayers - 1)];
}

void LevelBackground::Load(int32_t levelIndex)
{
    for (BackgroundLayer& layer : m_Layers) {
        layer.enabled = false;
        layer.count = 0;
        layer.x = layer.y = 0;
        layer.factor = 1.0f;
        layer.totalWidth = 0;
        layer.baseX = layer.baseY = 0;
        layer.once = false;
        layer.fillBelow = layer.fillAbove = false;
        layer.fillBelowImage.Reset();
        layer.fillAboveImage.Reset();
    }

    RunSetup(levelIndex);

    for (int32_t index = 0; index < kLayers; ++index) {
        BackgroundLayer& layer = m_Layers[index];
        if (!layer.enabled) continue;
        layer.totalWidth = static_cast<int32_t>(std::min<int64_t>(StripWidth(layer), kFarOff));

        int dx = 0, dy = 0;
        if (m_Owner && m_Owner->m_Resolution)
            m_Owner->m_Resolution->Get(static_cast<unsigned>(levelIndex), static_cast<unsigned>(index), &dx, &dy);
        // The offsets are data: summed wide and held within the far-off range.
        layer.baseX = static_cast<int32_t>(Bounded(int64_t(layer.baseX) + dx));
        layer.baseY = static_cast<int32_t>(Bounded(int64_t(layer.baseY) + dy));

        if (layer.fillBelow) layer.fillBelowImage = FillImage(layer.fillBelowColour);
        if (layer.fillAbove) layer.fillAboveImage = FillImage(layer.fillAboveColour);
    }
}

void LevelBackground::AddImage(BackgroundLayer& layer, const char* name)
{
    const int32_t i = layer.count++;
    layer.pictures[i].Release();
    layer.images[i] = Voke::GetCachedSurface(name, false);
}

void LevelBackground::AddPicture(BackgroundLayer& layer, const char* name)
{
    const int32_t i = layer.count++;
    layer.images[i].Reset();
    // A description that does not load leaves the item empty, not the
    // picture of an earlier load.
    if (!layer.pictures[i].Create(name)) layer.pictures[i].Release();
}

void LevelBackground::RunSetup(int32_t levelIndex)
{
    for (const LayerSetup& setup : kSetups) {
        if (setup.level != levelIndex) continue;
        BackgroundLayer& layer = m_Layers[setup.layer];
        layer.enabled = true;
        for (const char* item : setup.items) {
            if (!item) break;
            if (IsPlainImage(item))
                AddImage(layer, item);
            else
                AddPicture(layer, item);
        }
        layer.factor = setup.factor;
        layer.baseX = setup.baseX;
        layer.baseY = setup.baseY;
        layer.once = setup.once;
        if (setup.rightAligned) {
            const Voke::Surface* image = layer.images[0];
            layer.baseX = ScreenWidth() + kMoonMargin - (image ? Size(image->GetWidth()) : 0);
        }
        SetFill(setup.below, layer.fillBelow, layer.fillBelowColour);
        SetFill(setup.above, layer.fillAbove, layer.fillAboveColour);
    }
}

void LevelBackground::SetScroll(float x, float y)
{
    m_ScrollX = x;
    m_ScrollY = y;
}

void LevelBackground::ComputeLayer(BackgroundLayer& layer) const
{
    // Wrapped into the strip when not negative; the vertical offset follows
    // the divisor for far layers and the camera itself for near ones.
    ComputeParallaxTile(m_Owner, 1, 1, layer.totalWidth, &layer.x, &layer.y, m_ScrollX, m_ScrollY, layer.factor);
    // A layer in front of the camera's plane moving left of its start
    // shows the strip's end.
    if (layer.x < 0 && layer.factor < 1.0f) layer.x += layer.totalWidth;
}

void LevelBackground::UpdateLayers()
{
    for (BackgroundLayer& layer : m_Layers)
        if (layer.enabled) ComputeLayer(layer);
}

void LevelBackground::UpdateLayersCopy() { UpdateLayers(); }

void LevelBackground::FillBelow(Voke::Surface* target, const BackgroundLayer& layer, int64_t x, int64_t y, int64_t w,
                                int64_t h, int64_t screenH) const
{
    Voke::Surface* colour = layer.fillBelowImage;
    if (!colour || w <= 0) return;
    // From the item's bottom to one pixel past the screen's; the part above
    // the target is cut off (the stretched colour looks the same).
    const int64_t top = std::max<int64_t>(y + h, -1);
    const int64_t height = screenH + 1 - top;
    if (height > 0) StretchColour(target, colour, x, top, w, height);
}

void LevelBackground::FillAbove(Voke::Surface* target, const BackgroundLayer& layer, int64_t x, int64_t y,
                                int64_t w) const
{
    Voke::Surface* colour = layer.fillAboveImage;
    if (!colour || w <= 0) return;
    // From the screen's top down to the item; past the target it is cut off.
    const int64_t height = std::min<int64_t>(y, int64_t(target->GetHeight()) + 1);
    if (height > 0) StretchColour(target, colour, x, 0, w, height);
}

template <class Place>
void LevelBackground::PlaceItems(const Voke::Surface& target, const BackgroundLayer& layer, Place&& place) const
{
    if (!layer.enabled || layer.count <= 0) return;

    const int32_t count = std::min(layer.count, int32_t(BackgroundLayer::kMaxItems));
    int64_t drawX = int64_t(layer.baseX) - layer.x;
    int64_t drawY = int64_t(layer.baseY) - layer.y;
    // Fixed layers (the sky, the moon) stay still while the screen shakes.
    if (layer.factor > 0.0f && m_Owner) {
        drawX += m_Owner->m_ShakeX;
        drawY += m_Owner->m_ShakeY;
    }
    drawY = Bounded(drawY);
    const int64_t targetW = target.GetWidth();

    // Whole strips that end left of the target are stepped over at once, so
    // a strip far to the left costs no more than one on the screen.
    if (!layer.once && drawX < 0) {
        const int64_t cycle = StripWidth(layer);
        if (cycle > 0) drawX += ((-drawX - 1) / cycle) * cycle;
    }
    if (drawX < -kFarOff) return;

    int32_t noWidth = 0;
    for (int32_t i = 0; drawX <= targetW; ++i) {
        const int32_t item = i % count;
        int32_t w = 0, h = 0;
        if (ItemSize(layer, item, w, h)) {
            if (drawX + w >= 0) place(item, drawX, drawY, w, h);
            drawX += w;
        }
        if (layer.once) break;
        // A round of items that adds no width would never reach the edge.
        noWidth = w > 0 ? 0 : noWidth + 1;
        if (noWidth >= count) break;
    }
}

void LevelBackground::DrawLayer(Voke::Surface* target, int32_t layerIndex)
{
    if (!target || layerIndex < 0 || layerIndex >= kLayers) return;
    BackgroundLayer& layer = m_Layers[layerIndex];
    const int64_t screenH = ScreenHeight();
    PlaceItems(*target, layer, [&](int32_t item, int64_t drawX, int64_t drawY, int32_t w, int32_t h) {
        const int x = static_cast<int>(drawX), y = static_cast<int>(drawY);
        const bool isImage = layer.images[item] != nullptr;
        if (isImage)
            Voke::Surface::Blit(target, x, y, layer.images[item], layer.images[item]->GetClipRect());
        else
            layer.pictures[item].Draw(target, x, y);
        if (layer.fillBelow && drawY + h <= screenH) FillBelow(target, layer, drawX, drawY, w, h, screenH);
        // Plain images have no fill above.
        if (!isImage && layer.fillAbove && drawY >= 0) FillAbove(target, layer, drawX, drawY, w);
    });
}

void LevelBackground::DrawLayer(Voke::Surface* target, int32_t layerIndex, RowBand rows)
{
    if (!target) return;
    const Voke::Rect clip = *target->GetClipRect();
    const int32_t top = std::max(clip.y, rows.top);
    const int32_t bottom = static_cast<int32_t>(std::min<int64_t>(int64_t(clip.y) + clip.h, rows.bottom));
    if (top >= bottom) return;
    if (top == clip.y && bottom == clip.y + clip.h) {
        DrawLayer(target, layerIndex);
        return;
    }
    target->SetClipRect(Voke::Rect{clip.x, top, clip.w, bottom - top});
    DrawLayer(target, layerIndex);
    target->SetClipRect(clip);
}

void LevelBackground::MarkCoveredRows(const Voke::Surface& target, const BackgroundLayer& layer,
                                      std::vector<uint8_t>& rows) const
{
    const int64_t targetW = target.GetWidth();
    const int64_t screenH = ScreenHeight();
    // Rows every item placed so far covers over its width, and how far the
    // items reach to the left and right.
    std::vector<uint8_t> covered(rows.size(), 1);
    int64_t left = 0, right = 0;
    bool placed = false;
    const bool fillsBelow = layer.fillBelow && layer.fillBelowImage && IsWhollyOpaque(*layer.fillBelowImage);
    const bool fillsAbove = layer.fillAbove && layer.fillAboveImage && IsWhollyOpaque(*layer.fillAboveImage);
    PlaceItems(target, layer, [&](int32_t item, int64_t drawX, int64_t drawY, int32_t w, int32_t h) {
        if (!placed) left = drawX;
        placed = true;
        right = drawX + w;
        const Voke::Surface* image = layer.images[item];
        const std::vector<bool>* pictureRows = image ? nullptr : layer.pictures[item].GetOpaqueRows();
        // As drawn by DrawLayer: the fill below from the item's bottom (not
        // above -1) down past the screen, the one above from the top down
        // to the item.
        const int64_t belowTop = fillsBelow && drawY + h <= screenH ? std::max<int64_t>(drawY + h, -1) : kFarOff;
        const int64_t aboveBottom = !image && fillsAbove && drawY >= 0 ? drawY : 0;
        for (size_t y = 0; y < covered.size(); ++y) {
            if (!covered[y]) continue;
            const int64_t row = int64_t(y), k = row - drawY;
            bool opaque = (row >= belowTop && row <= screenH) || row < aboveBottom;
            if (!opaque && k >= 0 && k < h)
                opaque = image ? image->IsRowOpaque(static_cast<int>(k)) : pictureRows && (*pictureRows)[size_t(k)];
            covered[y] = opaque;
        }
    });
    if (!placed || left > 0 || right < targetW) return;
    for (size_t y = 0; y < rows.size(); ++y)
        if (covered[y]) rows[y] = 1;
}

void LevelBackground::FindVisibleRows(const Voke::Surface& target, const int32_t* order, int32_t count,
                                      RowBand bands[kLayers]) const
{
    const int32_t height = std::max(target.GetHeight(), 0);
    for (int32_t i = 0; i < kLayers; ++i) bands[i] = RowBand{0, height};
    std::vector<uint8_t> covered(size_t(height), 0);
    for (int32_t i = count - 1; i >= 0; --i) {
        const int32_t index = order[i];
        if (index < 0 || index >= kLayers) continue;
        int32_t top = 0, bottom = height;
        while (top < bottom && covered[size_t(top)]) ++top;
        while (bottom > top && covered[size_t(bottom - 1)]) --bottom;
        bands[index] = RowBand{top, bottom};
        MarkCoveredRows(target, m_Layers[index], covered);
    }
}

void LevelBackground::Release()
{
    for (BackgroundLayer& layer : m_Layers) {
        for (int32_t i = 0; i < layer.count && i < BackgroundLayer::kMaxItems; ++i) {
            layer.pictures[i].Release();
            layer.images[i].Reset();
        }
        layer.fillBelowImage.Reset();
        layer.fillAboveImage.Reset();
    }
}
