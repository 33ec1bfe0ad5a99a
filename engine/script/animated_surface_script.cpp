#include "engine/script/animated_surface_script.h"

#include "engine/graphics/animated_surface.h"
#include "engine/script/animation_script.h"

namespace Voke {

namespace {

// The animation as its script sees it; owned by the animation, so the script
// state never outlives the surface it points to.
class ScriptDriver final : public AnimationDriver, public ScriptedAnimation {
public:
    ScriptDriver(AnimatedSurface& surface, const char* scriptPath) : m_surface(surface)
    {
        m_script = AnimationScript::Attach(this, scriptPath);
    }
    ~ScriptDriver() override { m_script.Reset(); }

    bool Update(float dt) override { return m_script && AnimationScript::Update(*m_script, *this, dt); }
    void SetState(int state) override
    {
        if (m_script) AnimationScript::SetState(*m_script, state);
    }

    unsigned GetFrameCount() const override { return m_surface.GetFrameCount(); }
    unsigned GetCurrentFrame() const override { return m_surface.GetCurrentFrame(); }
    float GetFrameTime(unsigned index) const override { return m_surface.GetFrameTime(index); }
    void SetFrame(unsigned index) override { m_surface.SetFrame(index); }
    unsigned char GetAlpha() const override { return m_surface.GetOpacity(); }
    void SetAlpha(unsigned char alpha) override { m_surface.SetOpacity(alpha); }

private:
    AnimatedSurface& m_surface;
    SmartPtr<Lua> m_script;
};

std::unique_ptr<AnimationDriver> MakeDriver(AnimatedSurface& surface, const char* scriptPath)
{
    return std::unique_ptr<AnimationDriver>(new ScriptDriver(surface, scriptPath));
}

}  // namespace

void InstallAnimationScripts() { AnimatedSurface::SetDriverFactory(&MakeDriver); }

}  // namespace Voke
