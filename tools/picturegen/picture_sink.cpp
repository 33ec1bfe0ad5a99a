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
}  // namespace

PictureSink::PictureSink(std::string outDir) : m_outDir(std::move(outDir)) {}

void PictureSink::Add(const std::string& group, const std::string& name, cairo_surface_t* image)
{
    if (m_groupOf.count(name)) {
        std::fprintf(stderr, "picturegen: %s is painted twice\n", name.c_str());
        m_ok = false;
        return;
    }
    m_groupOf[name] = group;
    std::string dir = m_outDir + "/" + group;
    if (!MakeDirs(dir)) {
        std::fprintf(stderr, "picturegen: cannot make %s\n", dir.c_str());
        m_ok = false;
        return;
    }
    cairo_surface_flush(image);
    std::string path = dir + "/" + name;
    if (cairo_surface_write_to_png(image, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "picturegen: cannot write %s\n", path.c_str());
        m_ok = false;
    }
}

void PictureSink::AddSheet(const std::string& name, cairo_surface_t* image)
{
    if (m_sheetDir.empty()) return;
    if (!MakeDirs(m_sheetDir)) {
        m_ok = false;
        return;
    }
    cairo_surface_flush(image);
    std::string path = m_sheetDir + "/" + name + ".png";
    if (cairo_surface_write_to_png(image, path.c_str()) != CAIRO_STATUS_SUCCESS) m_ok = false;
}

cairo_surface_t* NewImage(int width, int height)
{
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
}

}  // namespace PictureGen
