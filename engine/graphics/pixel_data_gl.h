// GPU-side pixel data and the registry of live textures.
#pragma once

namespace Voke {

class PixelDataGL {
public:
    // The eviction pass, run once per frame after presenting when the
    // application asks for idle textures to be collected.
    static void CollectUnused();
    // How many eviction passes have run.
    static unsigned GetCollectionCount();
};

}  // namespace Voke
