#include "engine/graphics/pixel_data_gl.h"

namespace Voke {

namespace {
unsigned g_collections = 0;  // main thread only
}  // namespace

void PixelDataGL::CollectUnused() { ++g_collections; }

unsigned PixelDataGL::GetCollectionCount() { return g_collections; }

}  // namespace Voke
