// Loading by path, apart from the rest so that only its users link the
// mount table.
#include "engine/core/vfs.h"
#include "engine/graphics/image_loader.h"

namespace Voke {

Surface* ImageLoader::LoadFile(const NarrowString& path)
{
    SmartPtr<SeekableStream> stream(Vfs::Open(path.c_str()));
    if (!stream) return nullptr;
    return Load(stream);
}

}  // namespace Voke
