// fontbuilder: renders a bitmap font page and its glyph and kerning table
// from a TrueType font, at build time.
//
//   fontbuilder FONT.ttf PIXEL_SIZE OUT.xml OUT.png [--color]
//
// The page is a greyscale PNG holding the coverage of every glyph (the engine
// loads it as alpha-only pixels and tints it with the text colour); with
// --color it is an RGBA PNG of white glyphs instead, drawn in its own colours.
// The table is the engine's font description: one "char" per code with its
// cell in the page (the cell's width is the advance, its height the font's
// line height, all glyphs top-aligned), then one "pair" per kerning pair with
// the distance that draws the pair closer.
//
// The character set covers English, French, Italian, German and Spanish
// texts: printable ASCII, the Latin-1 letters and punctuation, the euro sign,
// typographic quotes, dashes, the ellipsis, the French ligatures, and U+FFFD,
// which the engine draws for any character a font lacks. Line feed gets an
// empty cell so that plain layouts of several lines draw nothing for it.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Widest page the builder makes; the height grows to fit (kept a power of two
// because small GPUs want one).
constexpr int kPageWidth = 512;
constexpr int kMaxPageHeight = 4096;
// Empty pixels around every cell so that linear filtering never bleeds one
// glyph into its neighbour.
constexpr int kPadding = 1;

std::vector<unsigned> CharacterSet()
{
    std::vector<unsigned> codes;
    codes.push_back(10);
    for (unsigned c = 32; c <= 126; ++c) codes.push_back(c);
    for (unsigned c = 160; c <= 255; ++c) codes.push_back(c);
    const unsigned extra[] = {
        0x152, 0x153,                  // OE, oe ligatures (French)
        0x178,                         // Y with diaeresis (French)
        0x2013, 0x2014,                // en and em dash
        0x2018, 0x2019, 0x201A,        // single quotes
        0x201C, 0x201D, 0x201E,        // double quotes (German low-9 included)
        0x2022, 0x2026,                // bullet, ellipsis
        0x2039, 0x203A,                // single guillemets
        0x20AC,                        // euro sign
        0x2122,                        // trade mark
        0xFFFD,                        // replacement character
    };
    for (unsigned c : extra) codes.push_back(c);
    return codes;
}

struct Cell {
    unsigned code;
    int x = 0, y = 0, width = 0;
    std::vector<unsigned char> coverage;  // width x lineHeight
};

bool WritePng(const char* path, const std::vector<unsigned char>& grey, int width, int height, bool rgba)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    if (!rgba) {
        image.format = PNG_FORMAT_GRAY;
        return png_image_write_to_file(&image, path, 0, grey.data(), width, nullptr) != 0;
    }
    std::vector<unsigned char> pixels(std::size_t(width) * height * 4);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        pixels[i * 4 + 0] = 255;
        pixels[i * 4 + 1] = 255;
        pixels[i * 4 + 2] = 255;
        pixels[i * 4 + 3] = grey[i];
    }
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path, 0, pixels.data(), width * 4, nullptr) != 0;
}

int Fail(const char* what, const char* detail)
{
    std::fprintf(stderr, "fontbuilder: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5 || argc > 6 || (argc == 6 && std::strcmp(argv[5], "--color") != 0))
        return Fail("usage: fontbuilder FONT.ttf PIXEL_SIZE OUT.xml OUT.png [--color]", nullptr);
    const char* fontPath = argv[1];
    const int pixelSize = std::atoi(argv[2]);
    const char* xmlPath = argv[3];
    const char* pngPath = argv[4];
    const bool rgba = argc == 6;
    if (pixelSize < 4 || pixelSize > 256) return Fail("pixel size must be 4 to 256", argv[2]);

    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library)) return Fail("cannot start FreeType", nullptr);
    if (FT_New_Face(library, fontPath, 0, &face)) return Fail("cannot open font", fontPath);
    if (FT_Set_Pixel_Sizes(face, 0, pixelSize)) return Fail("font has no such size", argv[2]);

    const int ascender = int(std::ceil(face->size->metrics.ascender / 64.0));
    const int descender = int(std::floor(face->size->metrics.descender / 64.0));
    const int lineHeight = ascender - descender;

    // Render every glyph into a cell of its advance by the line height, top
    // edge at the ascender; ink outside the cell (overhangs) is clipped.
    std::vector<Cell> cells;
    for (unsigned code : CharacterSet()) {
        Cell cell;
        cell.code = code;
        if (code == 10) {
            cells.push_back(cell);
            continue;
        }
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (index == 0) {
            std::fprintf(stderr, "fontbuilder: %s has no glyph for U+%04X\n", fontPath, code);
            return 1;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL))
            return Fail("cannot render a glyph", nullptr);
        const FT_GlyphSlot slot = face->glyph;
        cell.width = int(std::lround(slot->advance.x / 64.0));
        cell.coverage.assign(std::size_t(cell.width) * lineHeight, 0);
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = ascender - slot->bitmap_top + int(row);
            if (y < 0 || y >= lineHeight) continue;
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int x = slot->bitmap_left + int(col);
                if (x < 0 || x >= cell.width) continue;
                cell.coverage[std::size_t(y) * cell.width + x] = bitmap.buffer[row * bitmap.pitch + col];
            }
        }
        cells.push_back(std::move(cell));
    }

    // Shelf packing in code order.
    int penX = kPadding, penY = kPadding;
    for (Cell& cell : cells) {
        if (penX + cell.width + kPadding > kPageWidth) {
            penX = kPadding;
            penY += lineHeight + kPadding;
        }
        cell.x = penX;
        cell.y = penY;
        penX += cell.width + kPadding;
    }
    int pageHeight = 1;
    while (pageHeight < penY + lineHeight + kPadding) pageHeight *= 2;
    if (pageHeight > kMaxPageHeight) return Fail("glyphs do not fit one page", argv[2]);

    std::vector<unsigned char> page(std::size_t(kPageWidth) * pageHeight, 0);
    for (const Cell& cell : cells)
        for (int y = 0; y < lineHeight && cell.width > 0; ++y)
            std::memcpy(&page[std::size_t(cell.y + y) * kPageWidth + cell.x], &cell.coverage[std::size_t(y) * cell.width],
                        cell.width);
    if (!WritePng(pngPath, page, kPageWidth, pageHeight, rgba)) return Fail("cannot write", pngPath);

    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<font>\n  <characters>\n";
    char line[160];
    for (const Cell& cell : cells) {
        std::snprintf(line, sizeof line, "    <char code=\"%u\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n",
                      cell.code, cell.x, cell.y, cell.width, lineHeight);
        xml += line;
    }
    xml += "  </characters>\n  <kerning>\n";
    if (FT_HAS_KERNING(face)) {
        for (const Cell& left : cells) {
            const FT_UInt li = left.code == 10 ? 0 : FT_Get_Char_Index(face, left.code);
            if (!li) continue;
            for (const Cell& right : cells) {
                const FT_UInt ri = right.code == 10 ? 0 : FT_Get_Char_Index(face, right.code);
                FT_Vector delta;
                if (!ri || FT_Get_Kerning(face, li, ri, FT_KERNING_DEFAULT, &delta)) continue;
                // FreeType moves the right glyph by delta (negative = closer);
                // the engine subtracts the distance from the pen.
                const int distance = -int(std::lround(delta.x / 64.0));
                if (distance == 0) continue;
                std::snprintf(line, sizeof line, "    <pair left=\"%u\" right=\"%u\" distance=\"%d\"/>\n", left.code,
                              right.code, distance);
                xml += line;
            }
        }
    }
    xml += "  </kerning>\n</font>\n";

    FILE* out = std::fopen(xmlPath, "wb");
    if (!out) return Fail("cannot write", xmlPath);
    const bool written = std::fwrite(xml.data(), 1, xml.size(), out) == xml.size();
    if (std::fclose(out) != 0 || !written) return Fail("cannot write", xmlPath);

    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
