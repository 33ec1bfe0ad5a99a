// Images by asset name: "path" or "path@options", shared through the asset
// dictionary.
//
// Image options, a ','-separated list after the last '@' (empty items are
// skipped, unknown ones ignored), applied in order to the loaded surface:
//   "565"     converts 24-bit RGB pixels to RGB565
//   "rle"     accepted, no effect
//   "ck"      colour key: the pixel data's key becomes opaque magenta and the
//             surface's colour-key flag is set
//   "linear"  linear filtering
#pragma once

#include "engine/core/asset_dict.h"
#include "engine/core/strings.h"
#include "engine/graphics/surface.h"

namespace Voke {

// How an image file is read by path: the image loaders' LoadFile. Returns a
// new surface (count 0) or null for a missing or unreadable file.
using SurfaceFileLoader = Surface* (*)(const NarrowString& path);
// Replaces the file loader (tests count loads through it); null restores the
// image loaders. Set it while no image is being loaded.
void SetSurfaceFileLoader(SurfaceFileLoader loader);
// Loads one image file through the current file loader; null on failure.
Surface* LoadSurfaceFile(const NarrowString& path);

// Applies an option list (the text after '@') to a loaded surface.
void ApplySurfaceOptions(Surface* surface, const NarrowString& options);

// Loads the image named before the last '@' and applies the options after it.
// A new surface (count 0), or null when the image cannot be loaded (then no
// option is applied).
Surface* LoadSurfaceWithOptions(const NarrowString& name);

// Get-or-load of a surface by asset name through `dict` (see AssetDict::
// GetCached): the same surface while anyone holds it, reloaded after the last
// holder let go; with `keep` it stays loaded for the dictionary's lifetime.
// Null when the image cannot be loaded (tried again at the next request).
SmartPtr<Surface> GetCachedSurface(AssetDict& dict, const NarrowString& name, bool keep);
// The same through the engine's dictionary; without one, a plain
// LoadSurfaceWithOptions.
SmartPtr<Surface> GetCachedSurface(const NarrowString& name, bool keep);

}  // namespace Voke
