#include "engine/graphics/animated_surface.h"

#include <atomic>

namespace Voke {

namespace {

// Installed at start-up, read whenever an animation with a script is built
// (on the loader thread or the main thread).
std::atomic<AnimatedSurface::DriverFactory> g_driverFactory{nullptr};

}  // namespace

void AnimatedSurface::SetDriverFactory(DriverFactory factory) { g_driverFactory = factory; }

AnimatedSurface* AnimatedSurface::Create(const FrameList& frames, bool loop, const char* scriptPath)
{
    if (frames.empty()) return nullptr;
    for (const Frame& frame : frames)
        if (!frame.image) return nullptr;
    return new AnimatedSurface(frames, loop, scriptPath);
}

AnimatedSurface::AnimatedSurface(const FrameList& frames, bool loop, const char* scriptPath)
    : m_frames(frames), m_loop(loop ? 1 : 0)
{
    SetFrame(0);
    if (scriptPath) {
        if (DriverFactory factory = g_driverFactory.load()) m_script = factory(*this, scriptPath);
    }
}

AnimatedSurface::AnimatedSurface(const AnimatedSurface& other) : Surface(), m_frames(other.m_frames), m_loop(other.m_loop)
{
    SetFrame(0);
}

AnimatedSurface::~AnimatedSurface()
{
    m_script.reset();
    m_frames.clear();
}

int AnimatedSurface::GetWidth() const { return m_frames[m_current].image->GetWidth(); }

int AnimatedSurface::GetHeight() const { return m_frames[m_current].image->GetHeight(); }

const Rect* AnimatedSurface::GetClipRect() const { return m_frames[m_current].image->GetClipRect(); }

uint32_t AnimatedSurface::TestFlags(uint32_t mask) const { return m_frames[m_current].image->TestFlags(mask); }

void AnimatedSurface::SetFrame(unsigned index)
{
    if (index >= m_frames.size()) return;
    m_current = index;
    Surface* image = m_frames[index].image;
    m_pixels = image->GetPixelData();
    m_clip = Rect{0, 0, image->GetWidth(), image->GetHeight()};
    m_timer = m_frames[index].time;
}

void AnimatedSurface::SetState(int state)
{
    if (m_script) m_script->SetState(state);
}

bool AnimatedSurface::Update(const float& dt)
{
    if (m_script) return m_script->Update(dt);
    m_timer -= dt;
    if (!(m_timer < 0.0f)) return true;
    if (m_current + 1 < m_frames.size()) {
        SetFrame(m_current + 1);
        return true;
    }
    if (m_loop) {
        SetFrame(0);
        return true;
    }
    return false;
}

}  // namespace Voke
