#include "engine/graphics/animation_file.h"

#include <cstring>

#include "engine/core/io_stream.h"
#include "engine/core/xml.h"
#include "engine/graphics/asset_surfaces.h"

namespace Voke {

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\"";
constexpr int kDeclarationLength = sizeof(kDeclaration) - 1;

// Animations being loaded on this thread, outermost first.
thread_local int t_nesting = 0;

struct NestingGuard {
    NestingGuard() { ++t_nesting; }
    ~NestingGuard() { --t_nesting; }
};

// An optional integer attribute: 0 when absent or empty; false when present
// but not an integer.
bool ReadOffset(const XmlIt& frame, const char* name, int32_t& out)
{
    out = 0;
    if (!frame.HasAttribute(name, false)) return true;
    int value = 0;
    if (!frame.GetAttribute(name, value)) return false;
    out = value;
    return true;
}

}  // namespace

bool AnimationFile::CanLoad(SeekableStream* stream)
{
    if (!stream) return false;
    char head[kDeclarationLength];
    if (stream->Read(head, kDeclarationLength) != kDeclarationLength) return false;
    return std::memcmp(head, kDeclaration, kDeclarationLength) == 0;
}

AnimatedSurface* AnimationFile::Load(SeekableStream* stream)
{
    if (t_nesting >= kMaxNesting) return nullptr;
    NestingGuard nesting;

    SmartPtr<Xml> document(Xml::Create(stream));
    if (!document) return nullptr;
    XmlIt root = document->Root();
    if (!root) return nullptr;

    bool loop = false;
    if (root.HasAttribute("loop", false) && !root.GetAttribute("loop", loop)) loop = false;

    AnimatedSurface::FrameList frames;
    for (XmlIt frame(root, "frame"); frame; frame.Next()) {
        if (frames.size() >= kMaxFrames) return nullptr;
        std::string image;
        int time = 0;
        AnimatedSurface::Frame entry;
        if (!frame.GetAttribute("image", image) || image.empty()) return nullptr;
        if (!frame.GetAttribute("time", time) || time < 0) return nullptr;
        if (!ReadOffset(frame, "x", entry.x) || !ReadOffset(frame, "y", entry.y)) return nullptr;
        entry.time = float(time) * 0.001f;
        entry.image = GetCachedSurface(image, false);
        if (!entry.image) return nullptr;
        frames.push_back(entry);
    }

    std::string script;
    const bool scripted = root.HasAttribute("script", false) && root.GetAttribute("script", script);
    return AnimatedSurface::Create(frames, loop, scripted ? script.c_str() : nullptr);
}

}  // namespace Voke
