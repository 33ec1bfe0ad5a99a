// Surfaces: drawable images. The drawing operations arrive with the renderer.
#pragma once

#include "engine/core/ref_counter.h"

namespace Voke {

class Surface : public RefCounter, public WeakRefCounter {
public:
    ~Surface() override = default;
};

}  // namespace Voke
