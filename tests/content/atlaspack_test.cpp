// The atlas packer run as the content build runs it, on picture groups
// written here: every picture lands whole and apart in its page, loose
// pictures are copied, missing atlases are made empty, and bad input stops
// the build.
#include <gtest/gtest.h>
#include <png.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
};

// A picture whose every pixel differs: red and green encode the position,
// blue the picture.
Image Pattern(int width, int height, int tag)
{
    Image image{width, height, std::vector<unsigned char>(size_t(width) * height * 4)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &image.rgba[(size_t(y) * width + x) * 4];
            p[0] = (unsigned char)(x * 7);
            p[1] = (unsigned char)(y * 5);
            p[2] = (unsigned char)tag;
            p[3] = (unsigned char)(128 + tag);
        }
    return image;
}

void WritePng(const std::string& path, const Image& image)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&png, path.c_str(), 0, image.rgba.data(), 0, nullptr)) << path;
}

bool ReadPng(const std::string& path, Image& image)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGBA;
    image.width = int(png.width);
    image.height = int(png.height);
    image.rgba.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr) != 0;
}

struct Rect {
    int x, y, w, h;
};

std::map<std::string, Rect> ReadRects(const std::string& path)
{
    std::map<std::string, Rect> rects;
    pugi::xml_document document;
    if (!document.load_file(path.c_str())) return rects;
    for (pugi::xml_node rect : document.document_element().children("rect"))
        rects[rect.attribute("id").value()] = {rect.attribute("x").as_int(), rect.attribute("y").as_int(),
                                               rect.attribute("width").as_int(), rect.attribute("height").as_int()};
    return rects;
}

int RunPacker(const std::string& arguments)
{
    const std::string command = std::string(VXB_ATLASPACK) + " " + arguments + " 2>/dev/null";
    return std::system(command.c_str());
}

class AtlasPack : public ::testing::Test {
protected:
    std::string In(const std::string& name) { return m_dir / ("pictures/" + name); }
    std::string Out(const std::string& name) { return m_dir / ("atlas/" + name); }
    int Pack(const std::string& extra = "")
    {
        return RunPacker(m_dir / "pictures" + " " + m_dir / "atlas" + extra);
    }
    VokeTest::TempDir m_dir;
};

TEST_F(AtlasPack, EveryPictureLandsWholeAndApartInItsPage)
{
    const int sizes[][2] = {{40, 20}, {17, 33}, {5, 5}, {64, 9}, {3, 3}, {23, 23}, {1, 50}};
    std::map<std::string, Image> pictures;
    for (int i = 0; i < 7; ++i) {
        const std::string name = "p" + std::to_string(i) + (i == 6 ? " wide&tall.png" : ".png");
        pictures[name] = Pattern(sizes[i][0], sizes[i][1], i + 1);
        WritePng(In("ab01/" + name), pictures[name]);
    }
    ASSERT_EQ(Pack(), 0);

    Image page;
    ASSERT_TRUE(ReadPng(Out("ab01.png"), page));
    EXPECT_EQ(page.width & (page.width - 1), 0) << "a power of two";
    EXPECT_EQ(page.height & (page.height - 1), 0) << "a power of two";
    const std::map<std::string, Rect> rects = ReadRects(Out("ab01.xml"));
    ASSERT_EQ(rects.size(), pictures.size());
    for (const auto& [name, rect] : rects) {
        const Image& source = pictures.at(name);
        ASSERT_EQ(rect.w, source.width) << name;
        ASSERT_EQ(rect.h, source.height) << name;
        ASSERT_LE(rect.x + rect.w, page.width) << name;
        ASSERT_LE(rect.y + rect.h, page.height) << name;
        for (int y = 0; y < rect.h; ++y)
            ASSERT_EQ(std::memcmp(&page.rgba[(size_t(rect.y + y) * page.width + rect.x) * 4],
                                  &source.rgba[size_t(y) * source.width * 4], size_t(source.width) * 4),
                      0)
                << name << " row " << y;
        // At least one empty pixel between two pictures.
        for (const auto& [other, o] : rects) {
            if (other == name) continue;
            EXPECT_TRUE(rect.x + rect.w < o.x || o.x + o.w < rect.x || rect.y + rect.h < o.y || o.y + o.h < rect.y)
                << name << " touches " << other;
        }
    }
}

TEST_F(AtlasPack, SameInputGivesTheSameBytes)
{
    for (int i = 0; i < 12; ++i) WritePng(In("level01/same" + std::to_string(i) + ".png"), Pattern(16, 16, i));
    ASSERT_EQ(Pack(), 0);
    const std::string page = VokeTest::ReadAll(Out("level01.png"));
    const std::string xml = VokeTest::ReadAll(Out("level01.xml"));
    std::filesystem::remove_all(m_dir / "atlas");
    ASSERT_EQ(Pack(), 0);
    EXPECT_EQ(VokeTest::ReadAll(Out("level01.png")), page);
    EXPECT_EQ(VokeTest::ReadAll(Out("level01.xml")), xml);
}

TEST_F(AtlasPack, LoosePicturesAreCopiedAndMissingAtlasesMadeEmpty)
{
    WritePng(In("ab01/a.png"), Pattern(4, 4, 1));
    WritePng(In("loose/splash.png"), Pattern(8, 8, 2));
    WritePng(In("loose/loading/load1.png"), Pattern(2, 2, 3));
    ASSERT_EQ(Pack(" --require ab01 ab_fr"), 0);
    EXPECT_EQ(VokeTest::ReadAll(Out("splash.png")), VokeTest::ReadAll(In("loose/splash.png")));
    EXPECT_TRUE(VokeTest::Exists(Out("loading/load1.png")));
    EXPECT_FALSE(VokeTest::Exists(Out("loose.png")));
    EXPECT_EQ(ReadRects(Out("ab01.xml")).size(), 1u);
    Image empty;
    ASSERT_TRUE(ReadPng(Out("ab_fr.png"), empty));
    EXPECT_TRUE(ReadRects(Out("ab_fr.xml")).empty());
    pugi::xml_document description;
    EXPECT_TRUE(description.load_file(Out("ab_fr.xml").c_str()));
}

TEST_F(AtlasPack, BadInputFailsTheBuild)
{
    // A loose picture named like an atlas page.
    WritePng(In("ab01/a.png"), Pattern(4, 4, 1));
    WritePng(In("loose/ab01.png"), Pattern(4, 4, 2));
    EXPECT_NE(Pack(), 0);
    std::filesystem::remove(In("loose/ab01.png"));
    std::filesystem::remove_all(m_dir / "atlas");
    ASSERT_EQ(Pack(), 0);

    // Something that is not a PNG picture in a group.
    VokeTest::WriteBytes(In("ab02/notes.txt"), "x");
    EXPECT_NE(Pack(), 0);
    std::filesystem::remove(In("ab02/notes.txt"));
    VokeTest::WriteBytes(In("ab02/broken.png"), "\x89PNG not really");
    EXPECT_NE(Pack(), 0);
    std::filesystem::remove(In("ab02/broken.png"));

    // More than one page can hold: two pictures wider than half of it.
    WritePng(In("level02/big1.png"), Pattern(1030, 1030, 1));
    WritePng(In("level02/big2.png"), Pattern(1030, 1030, 2));
    EXPECT_NE(Pack(), 0);
    EXPECT_NE(RunPacker(""), 0);
}

}  // namespace
