#include "game/presentation/tiled_picture.h"

#include <algorithm>
#include <cstdio>

#include "engine/core/io_stream.h"
#include "engine/core/report.h"
#include "engine/core/vfs.h"
#include "engine/core/xml.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"

namespace {

// NOTE: repeats that fall on one spot (a step of 0) are drawn at most this
// many times: further copies only saturate a translucent image more, each at
// the cost of a whole blit, and a step of 0 with a huge count would
// otherwise stall the frame.
constexpr int64_t kMaxStackedRepeats = 16;
// NOTE: the opaque rows of pictures wider or taller than this are not
// looked for (no picture of the game comes near).
constexpr int32_t kMaxOpaqueExtent = 4096;

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// The repeats [first, last] of a row or column of `count` repeats `step`
// apart, starting at `origin`, whose `size`-pixel image reaches into
// [0, limit). Empty (first > last) when none does.
void VisibleRange(int64_t origin, int64_t step, int64_t count, int64_t size, int64_t limit, int64_t& first,
                  int64_t& last)
{
    if (step > 0) {
        first = std::max<int64_t>(0, CeilDiv(-size - origin, step));
        last = std::min<int64_t>(count - 1, FloorDiv(limit - 1 - origin, step));
        return;
    }
    first = 0;
    last = origin + size >= 0 && origin < limit ? std::min(count, kMaxStackedRepeats) - 1 : -1;
}

// Sets the bits [from, to) of `bits`, a row of `width` columns, as far as
// they fall inside it.
void SetColumns(std::vector<uint64_t>& bits, int64_t from, int64_t to, int64_t width)
{
    for (int64_t x = std::max<int64_t>(from, 0), end = std::min(to, width); x < end; ++x)
        bits[size_t(x / 64)] |= uint64_t(1) << (x % 64);
}

// Marks each row r of `reached` on which an opaque row of `image` lands,
// for the repeats [first, last] of a column of them `step` apart from row
// `origin`. A row is reached by the image rows r - origin - n * step of the
// repeats n that span it: an arithmetic run, counted from running sums of
// the opaque rows `step` apart, so that each row costs the same however many
// repeats overlap on it. Returns the image and picture rows it looked at.
int64_t MarkReachedRows(const Voke::Surface& image, int64_t origin, int64_t step, int64_t first, int64_t last,
                        std::vector<uint8_t>& reached)
{
    const int64_t h = image.GetHeight(), limit = int64_t(reached.size());
    // opaqueRuns[k]: the opaque rows among k, k - step, k - 2 step, ... (k
    // alone for a step of 0).
    std::vector<int32_t> opaqueRuns(static_cast<size_t>(h));
    for (int64_t k = 0; k < h; ++k) {
        const int32_t before = step > 0 && k >= step ? opaqueRuns[size_t(k - step)] : 0;
        opaqueRuns[size_t(k)] = before + (image.IsRowOpaque(static_cast<int>(k)) ? 1 : 0);
    }
    const int64_t top = std::max<int64_t>(0, origin + first * step);
    const int64_t bottom = std::min(limit, origin + last * step + h);
    for (int64_t r = top; r < bottom; ++r) {
        const int64_t d = r - origin;
        if (step == 0) {
            reached[size_t(r)] = opaqueRuns[size_t(d)] > 0;
            continue;
        }
        const int64_t lo = std::max(first, CeilDiv(d - h + 1, step)), hi = std::min(last, FloorDiv(d, step));
        if (lo > hi) continue;
        const int64_t highest = d - lo * step, lowest = d - hi * step;
        const int32_t below = lowest >= step ? opaqueRuns[size_t(lowest - step)] : 0;
        reached[size_t(r)] = opaqueRuns[size_t(highest)] - below > 0;
    }
    return h + std::max<int64_t>(bottom - top, 0);
}

// The one-colour image a rectangle tile stretches.
Voke::SmartPtr<Voke::Surface> ColourImage(const TiledPicture::Tile& tile)
{
    char name[16];
    std::snprintf(name, sizeof name, "c%02x%02x%02x.png", unsigned(tile.r), unsigned(tile.g), unsigned(tile.b));
    return Voke::GetCachedSurface(name, false);
}

// The game's one loading message, set apart in the output by a line holding
// a single blank above and below it.
void ReportMissingImage(const char* fileName, const char* imageName)
{
    Voke::ReportError(" ");
    Voke::ReportError("ERROR in TiledPicture::Create(): <%s> , <%s> = Texture doesn't exist? ", fileName, imageName);
    Voke::ReportError(" ");
}

}  // namespace

bool IsWhollyOpaque(const Voke::Surface& image)
{
    const int h = image.GetHeight();
    for (int y = 0; y < h; ++y)
        if (!image.IsRowOpaque(y)) return false;
    return h > 0;
}

TiledPicture::TiledPicture() : m_Loaded(false), m_Width(0), m_Height(0), m_RowSearchSteps(0) { ClearTiles(); }

TiledPicture::~TiledPicture() = default;

void TiledPicture::ClearTiles()
{
    for (Tile& tile : m_Tiles) {
        tile.used = false;
        tile.kind = false;
        tile.surface = nullptr;
        tile.x = tile.y = tile.width = tile.height = 0;
        tile.countx = tile.county = 0;
        tile.r = tile.g = tile.b = 0;
    }
}

bool TiledPicture::Create(const char* fileName)
{
    if (!fileName) return false;
    {
        Voke::SmartPtr<Voke::File> probe(Voke::Vfs::Open(fileName));
        if (!probe) return false;
    }
    Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Load(fileName));
    if (!document) return false;

    Voke::XmlIt root = document->Root();
    root.GetAttribute("width", m_Width);
    root.GetAttribute("height", m_Height);

    // Every slot starts empty, so that a picture created again keeps neither
    // tiles nor images of its previous description.
    ClearTiles();
    int i = 0;
    for (Voke::XmlIt child(root, nullptr); child && i < kMaxTiles; child.Next()) {
        Tile& tile = m_Tiles[i];
        if (StrICmp(child.GetName(), "texture") == 0)
            tile.kind = false;
        else if (StrICmp(child.GetName(), "rect") == 0)
            tile.kind = true;
        else
            continue;
        tile.used = true;
        child.GetAttribute("x", tile.x);
        child.GetAttribute("y", tile.y);
        child.GetAttribute("width", tile.width);
        child.GetAttribute("height", tile.height);
        child.GetAttribute("countx", tile.countx);
        child.GetAttribute("county", tile.county);
        child.GetAttribute("r", tile.r);
        child.GetAttribute("g", tile.g);
        child.GetAttribute("b", tile.b);
        // A colour is one byte per channel; out-of-range values would name
        // a colour image that cannot exist.
        tile.r = std::clamp(tile.r, 0, 255);
        tile.g = std::clamp(tile.g, 0, 255);
        tile.b = std::clamp(tile.b, 0, 255);

        if (const char* image = child.GetAttributeRaw("filename")) {
            tile.surface = Voke::GetCachedSurface(image, true);
            if (!tile.surface) ReportMissingImage(fileName, image);
        }
        if (tile.countx < 1) tile.countx = 1;
        if (tile.county < 1) tile.county = 1;
        if (tile.surface) {
            if (tile.width == 0) tile.width = tile.surface->GetWidth();
            if (tile.height == 0) tile.height = tile.surface->GetHeight();
        }
        if (tile.width < 0) tile.width = 0;
        if (tile.height < 0) tile.height = 0;
        ++i;
    }
    m_Loaded = true;
    FindOpaqueRows();
    return true;
}

void TiledPicture::FindOpaqueRows()
{
    m_OpaqueRows.clear();
    m_OpaqueSources.clear();
    m_RowSearchSteps = 0;
    if (m_Width <= 0 || m_Height <= 0 || m_Width > kMaxOpaqueExtent || m_Height > kMaxOpaqueExtent) return;
    // Every repeat of a tile spans the same columns, so each tile is looked
    // at once: the columns its opaque rows cover (a bitmap of the picture's
    // width) and the picture rows one of those rows lands on. A row is
    // opaque when the tiles landing on it cover every column between them.
    // The work grows with the picture's and the images' sizes, never with
    // the repeat counts.
    const size_t height = size_t(m_Height);
    const size_t words = (size_t(m_Width) + 63) / 64;
    // `words` per contributing tile, and for each row which of them (bit i
    // for the i-th) land on it.
    std::vector<uint64_t> columns;
    std::vector<uint64_t> rowTiles(height, 0);
    std::vector<uint8_t> reached(height);
    int contributing = 0;
    for (const Tile& tile : m_Tiles) {
        if (!tile.used) break;
        std::fill(reached.begin(), reached.end(), 0);
        std::vector<uint64_t> tileColumns(words, 0);
        Voke::SmartPtr<Voke::Surface> source;
        if (tile.kind) {
            source = ColourImage(tile);
            if (!source || !IsWhollyOpaque(*source)) continue;
            SetColumns(tileColumns, tile.x, int64_t(tile.x) + tile.width, m_Width);
            const int64_t top = std::max<int64_t>(tile.y, 0);
            const int64_t bottom = std::min<int64_t>(int64_t(tile.y) + tile.height, m_Height);
            for (int64_t r = top; r < bottom; ++r) reached[size_t(r)] = 1;
            m_RowSearchSteps += std::max<int64_t>(bottom - top, 0);
        } else {
            source = tile.surface;
            if (!source) continue;
            const int64_t w = source->GetWidth(), h = source->GetHeight();
            if (w <= 0 || h <= 0) continue;
            int64_t firstCol, lastCol, firstRow, lastRow;
            VisibleRange(tile.x, tile.width, tile.countx, w, m_Width, firstCol, lastCol);
            VisibleRange(tile.y, tile.height, tile.county, h, m_Height, firstRow, lastRow);
            if (firstCol > lastCol || firstRow > lastRow) continue;
            // Repeats that touch or overlap make one run of columns; apart,
            // one run each (at most half the width's worth are visible).
            const int64_t stepX = tile.width;
            if (stepX <= w) {
                SetColumns(tileColumns, tile.x + firstCol * stepX, tile.x + lastCol * stepX + w, m_Width);
                ++m_RowSearchSteps;
            } else {
                for (int64_t c = firstCol; c <= lastCol; ++c)
                    SetColumns(tileColumns, tile.x + c * stepX, tile.x + c * stepX + w, m_Width);
                m_RowSearchSteps += lastCol - firstCol + 1;
            }
            m_RowSearchSteps += MarkReachedRows(*source, tile.y, tile.height, firstRow, lastRow, reached);
        }
        if (std::none_of(tileColumns.begin(), tileColumns.end(), [](uint64_t word) { return word != 0; })) continue;
        if (std::none_of(reached.begin(), reached.end(), [](uint8_t row) { return row != 0; })) continue;
        for (size_t r = 0; r < height; ++r)
            if (reached[r]) rowTiles[r] |= uint64_t(1) << contributing;
        columns.insert(columns.end(), tileColumns.begin(), tileColumns.end());
        m_OpaqueSources.push_back(source);
        ++contributing;
    }
    if (contributing == 0) return;

    m_OpaqueRows.assign(height, false);
    const uint64_t lastWord = m_Width % 64 ? (uint64_t(1) << (m_Width % 64)) - 1 : ~uint64_t(0);
    std::vector<uint64_t> cover(words);
    bool any = false, opaque = false;
    for (size_t r = 0; r < height; ++r) {
        // Neighbouring rows mostly rest on the same tiles.
        if (r == 0 || rowTiles[r] != rowTiles[r - 1]) {
            std::fill(cover.begin(), cover.end(), 0);
            for (int i = 0; i < contributing; ++i) {
                if (!(rowTiles[r] >> i & 1)) continue;
                for (size_t k = 0; k < words; ++k) cover[k] |= columns[size_t(i) * words + k];
            }
            opaque = (cover[words - 1] & lastWord) == lastWord;
            for (size_t k = 0; k + 1 < words && opaque; ++k) opaque = cover[k] == ~uint64_t(0);
            m_RowSearchSteps += contributing;
        }
        m_OpaqueRows[r] = opaque;
        any = any || opaque;
    }
    if (!any) {
        m_OpaqueRows.clear();
        m_OpaqueSources.clear();
    }
}

const std::vector<bool>* TiledPicture::GetOpaqueRows() const
{
    if (!m_Loaded || m_OpaqueRows.empty()) return nullptr;
    for (const Voke::SmartPtr<Voke::Surface>& source : m_OpaqueSources)
        if (source->GetOpacity() != 255) return nullptr;
    return &m_OpaqueRows;
}

void TiledPicture::Draw(Voke::Surface* target, int x, int y)
{
    if (!target) return;
    const int64_t targetW = target->GetWidth();
    const int64_t targetH = target->GetHeight();
    for (const Tile& tile : m_Tiles) {
        if (!tile.used) break;
        if (tile.kind)
            DrawRect(target, tile, x, y, targetW, targetH);
        else
            DrawTexture(target, tile, x, y, targetW, targetH);
    }
}

void TiledPicture::DrawTexture(Voke::Surface* target, const Tile& tile, int64_t x, int64_t y, int64_t targetW,
                               int64_t targetH)
{
    Voke::Surface* image = tile.surface;
    if (!image) return;
    const int64_t originX = x + tile.x, originY = y + tile.y;
    // Only the repeats that reach into the target are visited, so a long
    // strip or a huge count costs no more than what is seen.
    int64_t firstCol, lastCol, firstRow, lastRow;
    VisibleRange(originX, tile.width, tile.countx, image->GetWidth(), targetW, firstCol, lastCol);
    VisibleRange(originY, tile.height, tile.county, image->GetHeight(), targetH, firstRow, lastRow);
    for (int64_t r = firstRow; r <= lastRow; ++r) {
        const int64_t py = originY + r * tile.height;
        for (int64_t c = firstCol; c <= lastCol; ++c) {
            const int64_t px = originX + c * tile.width;
            Voke::Surface::Blit(target, static_cast<int>(px), static_cast<int>(py), image, image->GetClipRect());
        }
    }
}

void TiledPicture::DrawRect(Voke::Surface* target, const Tile& tile, int64_t x, int64_t y, int64_t targetW,
                            int64_t targetH)
{
    // The rectangle cut to the target in exact integers first: a position or
    // size past 2^24 has no exact float, and a rectangle drawn short of its
    // extent would leave rows that the opaque-row search counts as covered.
    const int64_t left = std::max<int64_t>(x + tile.x, 0);
    const int64_t top = std::max<int64_t>(y + tile.y, 0);
    const int64_t right = std::min<int64_t>(x + tile.x + tile.width, targetW);
    const int64_t bottom = std::min<int64_t>(y + tile.y + tile.height, targetH);
    if (left >= right || top >= bottom) return;
    Voke::SmartPtr<Voke::Surface> colour = ColourImage(tile);
    if (!colour) return;
    // One pixel inside the colour image, stretched over the rectangle.
    const float scale[2] = {static_cast<float>(right - left), static_cast<float>(bottom - top)};
    const float pivot[2] = {0.0f, 0.0f};
    const Voke::Rect pixel = {2, 2, 1, 1};
    Voke::Surface::BlitTransformed(target, colour, static_cast<float>(left), static_cast<float>(top), 0.0f, scale,
                                   pivot, 0, pixel);
}

void TiledPicture::Release()
{
    ClearTiles();
    m_OpaqueRows.clear();
    m_OpaqueSources.clear();
    m_RowSearchSteps = 0;
    m_Loaded = false;
}
