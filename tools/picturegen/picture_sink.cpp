#include "tools/picturegen/picture_sink.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

namespace PictureGen {

namespace {
bool MakeDirs(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return true;
}

std::string Folder(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A relative path that stays below its folder.
bool SafeRelative(const std::string& path)
{
    if (path.empty() || path[0] == '/') return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::string Numbered(const char* pattern, int n)
{
    char name[64];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

PictureSink::PictureSink(std::string outDir) : m_outDir(std::move(outDir)) {}

void PictureSink::Fail(const std::string& message)
{
    std::fprintf(stderr, "picturegen: %s\n", message.c_str());
    m_ok = false;
}

void PictureSink::Add(const std::string& group, const std::string& name, cairo_surface_t* image)
{
    if (!SafeRelative(group) || group.find('/') != std::string::npos || !SafeRelative(name)) {
        Fail("bad picture name " + group + "/" + name);
        return;
    }
    if (m_groupOf.count(name)) {
        Fail(name + " is painted twice");
        return;
    }
    if (!image || cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        Fail("no picture for " + name);
        return;
    }
    m_groupOf[name] = group;
    std::string path = m_outDir + "/" + group + "/" + name;
    if (!MakeDirs(Folder(path))) {
        Fail("cannot make the folder of " + path);
        return;
    }
    cairo_surface_flush(image);
    if (cairo_surface_write_to_png(image, path.c_str()) != CAIRO_STATUS_SUCCESS) Fail("cannot write " + path);
}

cairo_surface_t* PictureSink::Load(const std::string& name) const
{
    auto found = m_groupOf.find(name);
    if (found == m_groupOf.end()) return nullptr;
    std::string path = m_outDir + "/" + found->second + "/" + name;
    cairo_surface_t* picture = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(picture) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(picture);
        return nullptr;
    }
    return picture;
}

void PictureSink::AddSheet(const std::string& name, cairo_surface_t* image)
{
    if (m_sheetDir.empty()) return;
    if (!MakeDirs(m_sheetDir)) {
        Fail("cannot make " + m_sheetDir);
        return;
    }
    cairo_surface_flush(image);
    std::string path = m_sheetDir + "/" + name + ".png";
    if (cairo_surface_write_to_png(image, path.c_str()) != CAIRO_STATUS_SUCCESS) Fail("cannot write " + path);
}

}  // namespace PictureGen
