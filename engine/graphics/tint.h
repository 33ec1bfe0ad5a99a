// Post-process effects: a surface drawn onto another in a special way. The
// tint draws a rectangle of a source multiplied by a colour; components above
// 255 brighten the texture through a program of its own. Main thread only.
#pragma once

#include "engine/core/ref_counter.h"
#include "engine/graphics/opengl_shader.h"
#include "engine/graphics/rect.h"

namespace Voke {

class Surface;

class PostProcess : public RefCounter {
public:
    ~PostProcess() override = default;
    // Draws `rect` of `source` at (x, y) of `destination`.
    virtual void Apply(Surface* source, Surface* destination, int x, int y, const Rect* rect) = 0;
};

class Tint : public PostProcess {
public:
    // The colour starts as (255, 255, 255): unchanged.
    Tint();

    // Each component times 255, truncated (1.0 is unchanged; above brightens).
    void SetColor(const float& r, const float& g, const float& b);
    void Apply(Surface* source, Surface* destination, int x, int y, const Rect* rect) override;

    int GetR() const { return m_r; }
    int GetG() const { return m_g; }
    int GetB() const { return m_b; }
    OpenGLShader* GetShader() { return &m_shader; }

private:
    int m_r = 255;
    int m_g = 255;
    int m_b = 255;
    OpenGLShader m_shader;
};

}  // namespace Voke
