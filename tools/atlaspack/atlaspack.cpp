// atlaspack: packs the picture generator's groups into atlas pages, at build
// time.
//
//   atlaspack PICTURE_DIR OUT_DIR [--require NAME...]
//
// Every folder PICTURE_DIR/<group> except "loose" becomes one atlas: the page
// OUT_DIR/<group>.png holding every PNG of the folder, and the description
// OUT_DIR/<group>.xml naming each picture by its file name with its rectangle
// in the page (the engine's atlas format). The files of "loose" are copied to
// OUT_DIR unchanged, keeping their relative paths. A NAME given after
// --require that no folder provides gets an atlas without entries (a 1 x 1
// transparent page), so that the game's loading of that atlas always
// succeeds; which pictures exist is checked elsewhere, by name.
//
// The output depends only on the input files: pictures are taken in name
// order, the packer's sort is stable and the PNG writer adds no time stamps.
// OUT_DIR should be empty; nothing in it is removed. Exit status 0 on
// success, 1 on failure (with a message on standard error), 2 on bad usage.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <vector>

namespace {

// The packer sorts its rectangles with this; std::stable_sort keeps equal
// rectangles in the order given (name order), whatever the C library's qsort
// does with ties, so the layout is the same on every machine.
void StableSort(void* base, size_t count, size_t size, int (*compare)(const void*, const void*))
{
    unsigned char* bytes = static_cast<unsigned char*>(base);
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return compare(bytes + a * size, bytes + b * size) < 0; });
    std::vector<unsigned char> sorted(count * size);
    for (size_t i = 0; i < count; ++i) std::memcpy(&sorted[i * size], bytes + order[i] * size, size);
    if (count) std::memcpy(bytes, sorted.data(), count * size);
}

}  // namespace

#define STBRP_STATIC
#define STBRP_SORT StableSort
#define STB_RECT_PACK_IMPLEMENTATION
#include <stb/stb_rect_pack.h>

namespace fs = std::filesystem;

namespace {

// NOTE: pages stay within 2048 x 2048, the largest texture that every GLES 2
// device the game aims at accepts; a group that does not fit fails the build.
constexpr int kMaxPageSize = 2048;
constexpr int kMinPageSize = 16;
// Empty pixels between two pictures (and half of it along the page edge), so
// that rotated or scaled drawing never samples a neighbour.
constexpr int kPadding = 2;

struct Picture {
    std::string name;  // file name, the atlas entry's id
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;  // straight alpha, rows top to bottom
    int x = 0;
    int y = 0;
};

bool Fail(const std::string& message)
{
    std::fprintf(stderr, "atlaspack: %s\n", message.c_str());
    return false;
}

bool ReadPng(const fs::path& path, Picture& picture)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return Fail("cannot read " + path.string() + ": " + image.message);
    image.format = PNG_FORMAT_RGBA;
    picture.width = int(image.width);
    picture.height = int(image.height);
    if (picture.width > kMaxPageSize - kPadding || picture.height > kMaxPageSize - kPadding) {
        png_image_free(&image);
        return Fail(path.string() + " is larger than an atlas page");
    }
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr))
        return Fail("cannot decode " + path.string() + ": " + image.message);
    return true;
}

bool WritePng(const fs::path& path, const std::vector<unsigned char>& rgba, int width, int height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr))
        return Fail("cannot write " + path.string() + ": " + image.message);
    return true;
}

std::string XmlEscape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// Page sizes to try (powers of two, which every GLES 2 driver takes with any
// filtering): smallest area first; of equal areas the squarest, then the
// wider.
std::vector<std::pair<int, int>> PageSizes()
{
    std::vector<std::pair<int, int>> sizes;
    for (int w = kMinPageSize; w <= kMaxPageSize; w *= 2)
        for (int h = kMinPageSize; h <= kMaxPageSize; h *= 2) sizes.emplace_back(w, h);
    std::stable_sort(sizes.begin(), sizes.end(), [](const auto& a, const auto& b) {
        const long areaA = long(a.first) * a.second, areaB = long(b.first) * b.second;
        if (areaA != areaB) return areaA < areaB;
        const long skewA = std::max(a.first, a.second) / std::min(a.first, a.second);
        const long skewB = std::max(b.first, b.second) / std::min(b.first, b.second);
        return skewA != skewB ? skewA < skewB : a.first > b.first;
    });
    return sizes;
}

// Places every picture in the smallest page that holds them all; false when
// none up to the largest page does.
bool Pack(std::vector<Picture>& pictures, int& pageWidth, int& pageHeight)
{
    long area = 0;
    for (const Picture& p : pictures) area += long(p.width + kPadding) * (p.height + kPadding);
    for (const auto& [w, h] : PageSizes()) {
        if (long(w) * h < area) continue;
        std::vector<stbrp_rect> rects(pictures.size());
        for (size_t i = 0; i < pictures.size(); ++i) {
            rects[i] = stbrp_rect{};
            rects[i].id = int(i);
            rects[i].w = pictures[i].width + kPadding;
            rects[i].h = pictures[i].height + kPadding;
        }
        std::vector<stbrp_node> nodes(static_cast<size_t>(w));
        stbrp_context context;
        // The page is shrunk by the padding so that pictures along its right
        // and bottom edges keep their margin too.
        stbrp_init_target(&context, w - kPadding / 2, h - kPadding / 2, nodes.data(), int(nodes.size()));
        if (!stbrp_pack_rects(&context, rects.data(), int(rects.size()))) continue;
        for (const stbrp_rect& r : rects) {
            pictures[size_t(r.id)].x = r.x + kPadding / 2;
            pictures[size_t(r.id)].y = r.y + kPadding / 2;
        }
        pageWidth = w;
        pageHeight = h;
        return true;
    }
    return false;
}

bool WriteAtlas(const fs::path& outDir, const std::string& group, const std::vector<Picture>& pictures, int width,
                int height)
{
    std::vector<unsigned char> page(size_t(width) * height * 4, 0);
    for (const Picture& p : pictures)
        for (int row = 0; row < p.height; ++row)
            std::memcpy(&page[(size_t(p.y + row) * width + p.x) * 4], &p.rgba[size_t(row) * p.width * 4],
                        size_t(p.width) * 4);
    if (!WritePng(outDir / (group + ".png"), page, width, height)) return false;

    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<atlas width=\"" + std::to_string(width) +
                      "\" height=\"" + std::to_string(height) + "\">\n";
    for (const Picture& p : pictures)
        xml += "  <rect id=\"" + XmlEscape(p.name) + "\" x=\"" + std::to_string(p.x) + "\" y=\"" + std::to_string(p.y) +
               "\" width=\"" + std::to_string(p.width) + "\" height=\"" + std::to_string(p.height) + "\"/>\n";
    xml += "</atlas>\n";
    const fs::path xmlPath = outDir / (group + ".xml");
    std::ofstream out(xmlPath, std::ios::binary);
    out << xml;
    out.close();
    if (!out) return Fail("cannot write " + xmlPath.string());
    return true;
}

bool PackGroup(const fs::path& folder, const fs::path& outDir, const std::string& group)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) return Fail("unexpected " + entry.path().string() + " in an atlas group");
        if (entry.path().extension() != ".png") return Fail(entry.path().string() + " is not a PNG picture");
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<Picture> pictures(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        pictures[i].name = files[i].filename().string();
        if (!ReadPng(files[i], pictures[i])) return false;
    }
    int width = 1, height = 1;
    if (!pictures.empty() && !Pack(pictures, width, height))
        return Fail("the pictures of " + group + " do not fit one page of " + std::to_string(kMaxPageSize) + " x " +
                    std::to_string(kMaxPageSize));
    return WriteAtlas(outDir, group, pictures, width, height);
}

bool CopyLoose(const fs::path& folder, const fs::path& outDir, std::set<std::string>& written)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        const fs::path relative = fs::relative(file, folder);
        if (!written.insert(relative.generic_string()).second)
            return Fail("loose picture " + relative.generic_string() + " collides with an atlas file");
        fs::create_directories((outDir / relative).parent_path());
        std::error_code ec;
        fs::copy_file(file, outDir / relative, fs::copy_options::overwrite_existing, ec);
        if (ec) return Fail("cannot copy " + file.string() + ": " + ec.message());
    }
    return true;
}

int Run(const fs::path& pictureDir, const fs::path& outDir, const std::vector<std::string>& required)
{
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec) {
        Fail("cannot make " + outDir.string() + ": " + ec.message());
        return 1;
    }

    std::vector<std::string> groups;
    if (fs::is_directory(pictureDir))
        for (const fs::directory_entry& entry : fs::directory_iterator(pictureDir)) {
            if (!entry.is_directory()) {
                Fail("unexpected file " + entry.path().string() + " outside the picture groups");
                return 1;
            }
            groups.push_back(entry.path().filename().string());
        }
    std::sort(groups.begin(), groups.end());

    std::set<std::string> written;
    try {
        for (const std::string& group : groups) {
            if (group == "loose") continue;
            if (!PackGroup(pictureDir / group, outDir, group)) return 1;
            written.insert(group + ".png");
            written.insert(group + ".xml");
        }
        for (const std::string& name : required) {
            if (written.count(name + ".xml")) continue;
            if (!WriteAtlas(outDir, name, {}, 1, 1)) return 1;
            written.insert(name + ".png");
            written.insert(name + ".xml");
        }
        if (std::find(groups.begin(), groups.end(), "loose") != groups.end() &&
            !CopyLoose(pictureDir / "loose", outDir, written))
            return 1;
    } catch (const fs::filesystem_error& e) {
        Fail(e.what());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || (argc > 3 && std::strcmp(argv[3], "--require") != 0)) {
        std::fprintf(stderr, "usage: atlaspack PICTURE_DIR OUT_DIR [--require NAME...]\n");
        return 2;
    }
    const std::vector<std::string> required(argv + std::min(argc, 4), argv + argc);
    return Run(argv[1], argv[2], required);
}
