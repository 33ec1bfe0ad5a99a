#include "engine/graphics/render_features.h"

namespace Voke {

uint32_t GetRenderFeatureFlags() { return 0x3E; }

}  // namespace Voke
