#include "engine/graphics/image_loader.h"

#include <cstring>

#include "engine/graphics/animation_file.h"
#include "engine/graphics/compressed_image_loaders.h"
#include "engine/graphics/image_loader_565.h"
#include "engine/graphics/jpeg_image_loader.h"
#include "engine/graphics/png_image_loader.h"
#include "engine/graphics/pvr_plus_image_loader.h"
#include "engine/graphics/rle_image_loader.h"
#include "engine/graphics/surface.h"

namespace Voke {

// Frame animations (an XML file listing frame images) as a loader of the
// selection.
class AnimImageLoader : public ImageLoader {
public:
    static bool CanLoad(SeekableStream* stream) { return AnimationFile::CanLoad(stream); }
    Surface* Load() override { return AnimationFile::Load(m_stream); }
};

namespace {

template <class T>
ImageLoader* Create()
{
    return new T;
}

struct FormatEntry {
    bool (*canLoad)(SeekableStream*);
    ImageLoader* (*create)();
};

// The selection order.
const FormatEntry kFormats[] = {
    {&PngImageLoader::CanLoad, &Create<PngImageLoader>},
    {&JpegImageLoader::CanLoad, &Create<JpegImageLoader>},
    {&AnimImageLoader::CanLoad, &Create<AnimImageLoader>},
    {&RLEImageLoader::CanLoad, &Create<RLEImageLoader>},
    {&ImageLoader565::CanLoad, &Create<ImageLoader565>},
    {&DdsImageLoader::CanLoad, &Create<DdsImageLoader>},
    {&PvrImageLoader::CanLoad, &Create<PvrImageLoader>},
    {&EtcImageLoader::CanLoad, &Create<EtcImageLoader>},
    {&PvrPlusImageLoader::CanLoad, &Create<PvrPlusImageLoader>},
};

}  // namespace

ImageLoader::~ImageLoader() = default;

bool ImageLoader::ReadRow(uint8_t*) { return false; }

bool ImageLoader::IsSaneSize(int64_t width, int64_t height)
{
    return width >= 0 && height >= 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

bool ImageLoader::ReadExact(void* buffer, int64_t bytes)
{
    if (bytes < 0 || bytes > 0x7FFFFFFF || !m_stream) return false;
    if (bytes == 0) return true;
    return m_stream->Read(buffer, int(bytes)) == int(bytes);
}

ByteReader ImageLoader::ReadTaggedHeader(uint8_t* buffer, int bytes)
{
    ByteReader header(buffer, ReadExact(buffer, bytes) ? size_t(bytes) : 0);
    header.Skip(4);
    return header;
}

int64_t ImageLoader::BytesLeft()
{
    if (!m_stream) return 0;
    int64_t left = int64_t(m_stream->Length()) - m_stream->Tell();
    return left > 0 ? left : 0;
}

ImageLoader* ImageLoader::Select(SeekableStream* stream)
{
    if (!stream) return nullptr;
    ImageLoader* loader = nullptr;
    for (const FormatEntry& format : kFormats) {
        if (!stream->Seek(0, IOStream::SeekSet)) continue;
        if (format.canLoad(stream)) {
            loader = format.create();
            break;
        }
    }
    if (!loader) return nullptr;
    stream->Seek(0, IOStream::SeekSet);
    loader->SetStream(stream);
    return loader;
}

Surface* ImageLoader::Load(SeekableStream* stream)
{
    SmartPtr<SeekableStream> hold(stream);
    SmartPtr<ImageLoader> loader(Select(stream));
    if (!loader) return nullptr;
    return loader->Load();
}


}  // namespace Voke
