#include "text_test_support.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/core/xml.h"
#include "engine/graphics/pixel_data.h"

namespace Voke {
namespace Test {

std::string FontDir() { return VOKE_TEXT_FONT_DIR; }

Surface* LoadPngPage(const std::string& path)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return nullptr;
    const bool grey = (image.format & PNG_FORMAT_FLAG_COLOR) == 0 && (image.format & PNG_FORMAT_FLAG_ALPHA) == 0;
    image.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_BGRA;
    SmartPtr<MemPixelData> pixels(new MemPixelData(int(image.width), int(image.height), grey ? A8 : RGBA8888));
    if (!png_image_finish_read(&image, nullptr, pixels->GetDataMutable(), int(pixels->GetPitch()), nullptr))
        return nullptr;
    return new Surface(pixels.Get());
}

std::vector<uint8_t> ReadPngCoverage(const std::string& path, int& width)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    const bool grey = (image.format & PNG_FORMAT_FLAG_ALPHA) == 0;
    image.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_GA;
    const int channels = grey ? 1 : 2;
    std::vector<uint8_t> pixels(size_t(image.width) * image.height * channels);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    width = int(image.width);
    if (grey) return pixels;
    std::vector<uint8_t> alpha(pixels.size() / 2);
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = pixels[i * 2 + 1];
    return alpha;
}

SmartPtr<FontEx> LoadBuiltFont(const std::string& name)
{
    SmartPtr<FontEx> font(new FontEx);
    const std::string desc = FontDir() + "/" + name;
    std::ifstream in(desc, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SmartPtr<Xml> document(Xml::Create(text));
    font->LoadXml(document.Get());
    std::string page = desc.substr(0, desc.rfind('.')) + ".png";
    SmartPtr<Surface> surface(LoadPngPage(page));
    font->SetPage(surface);
    return font;
}

SmartPtr<FontEx> MakeTestFont()
{
    SmartPtr<FontEx> font(new FontEx);
    std::vector<uint32_t> codes = {9, 10, 13, 32, 'A', 'V'};
    for (uint32_t c = 'a'; c <= 'z'; ++c) codes.push_back(c);
    for (size_t i = 0; i < codes.size(); ++i)
        font->AddGlyph(codes[i], {int32_t(i) * 10, 0, codes[i] == 'V' ? 12 : 10, 16});
    font->AddKerning('A', 'V', 2);
    SmartPtr<MemPixelData> pixels(new MemPixelData(512, 16, A8));
    SmartPtr<Surface> page(new Surface(pixels.Get()));
    font->SetPage(page);
    return font;
}

}  // namespace Test
}  // namespace Voke
