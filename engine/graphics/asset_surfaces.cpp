#include "engine/graphics/asset_surfaces.h"

#include <atomic>

#include "engine/graphics/image_loader.h"

namespace Voke {

namespace {

// Written by tests before loading starts; read by the loader thread and the
// main thread.
std::atomic<SurfaceFileLoader> g_fileLoader{&ImageLoader::LoadFile};

}  // namespace

void SetSurfaceFileLoader(SurfaceFileLoader loader) { g_fileLoader = loader ? loader : &ImageLoader::LoadFile; }

Surface* LoadSurfaceFile(const NarrowString& path) { return g_fileLoader.load()(path); }

void ApplySurfaceOptions(Surface* surface, const NarrowString& options)
{
    if (!surface) return;
    for (const NarrowString& option : AssetDict::SplitOptions(options)) {
        if (option == "565") {
            Surface::ConvertRGB888To565(surface);
        } else if (option == "ck") {
            if (PixelData* pixels = surface->GetPixelData()) pixels->SetColorKey(0xFFFF00FFu);
            surface->SetFlags(surface->TestFlags(~0u) | Surface::kColorKey);
        } else if (option == "linear") {
            surface->SetFlags(surface->TestFlags(~0u) | Surface::kLinear);
        }
        // "rle" and anything else: nothing to do.
    }
}

Surface* LoadSurfaceWithOptions(const NarrowString& name)
{
    NarrowString base, options;
    AssetDict::SplitName(name, base, options);
    Surface* surface = LoadSurfaceFile(base);
    ApplySurfaceOptions(surface, options);
    return surface;
}

SmartPtr<Surface> GetCachedSurface(AssetDict& dict, const NarrowString& name, bool keep)
{
    return dict.GetCached<Surface>(name, keep, &LoadSurfaceWithOptions);
}

SmartPtr<Surface> GetCachedSurface(const NarrowString& name, bool keep)
{
    SmartPtr<AssetDict> dict = AssetDict::s_engine;
    if (dict) return GetCachedSurface(*dict, name, keep);
    return SmartPtr<Surface>(LoadSurfaceWithOptions(name));
}

}  // namespace Voke
