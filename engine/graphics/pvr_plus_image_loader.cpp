#include "engine/graphics/pvr_plus_image_loader.h"

#include <cstring>

#include "engine/graphics/batcher.h"
#include "engine/graphics/compressed_image_loaders.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/png_image_loader.h"
#include "engine/graphics/surface.h"

namespace Voke {

namespace {

ImageLoader* PartLoader(bool pvr, SeekableStream* stream)
{
    ImageLoader* loader = pvr ? static_cast<ImageLoader*>(new PvrImageLoader) : new PngImageLoader;
    loader->SetStream(stream);
    return loader;
}

// The texture of a part's surface; null when the part did not load.
PixelDataGL* TakeTexture(Surface* surface)
{
    if (!surface || !surface->GetPixelData() || surface->GetPixelData()->GetKind() != PixelData::kTexture)
        return nullptr;
    return static_cast<PixelDataGL*>(surface->GetPixelData());
}

}  // namespace

bool PvrPlusImageLoader::CanLoad(SeekableStream* stream)
{
    if (!stream) return false;
    uint8_t header[5];
    if (stream->Read(header, 5) != 5 || std::memcmp(header, "PVR+", 4) != 0) return false;
    return header[4] == 0 || GetGLCaps()->pvr;
}

bool PvrPlusImageLoader::ParseHeader()
{
    uint8_t header[5];
    if (!ReadExact(header, 5)) return false;
    m_colourIsPvr = (header[4] & 1) != 0;
    m_alphaIsPvr = (header[4] & 2) != 0;
    return true;
}

Surface* PvrPlusImageLoader::Load()
{
    if (!ParseHeader()) return nullptr;
    SmartPtr<ImageLoader> colourLoader(PartLoader(m_colourIsPvr, m_stream));
    SmartPtr<PixelDataGL> colour;
    {
        SmartPtr<Surface> surface(colourLoader->Load());
        colour = TakeTexture(surface);
    }
    if (!colour) return nullptr;
    SmartPtr<ImageLoader> alphaLoader(PartLoader(m_alphaIsPvr, m_stream));
    // A PNG loader reads its file through the end chunk when it goes, which
    // leaves the stream at the alpha part.
    colourLoader.Reset();
    SmartPtr<PixelDataGL> alpha;
    {
        SmartPtr<Surface> surface(alphaLoader->Load());
        alpha = TakeTexture(surface);
    }
    if (!alpha) return nullptr;
    return new Surface(new PixelDataComposite(colour, alpha));
}

}  // namespace Voke
