// The rendering features the text-layout services report to the effects.
#pragma once

#include <cstdint>

namespace Voke {

// The feature mask 0x3E, the same on every call. Bit 0x20 lets the tint
// effect use its own over-bright program.
uint32_t GetRenderFeatureFlags();

}  // namespace Voke
