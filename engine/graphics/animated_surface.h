// Animated surfaces: a surface showing one of a list of frame images at a
// time, stepped by a frame timer or by a script.
//
// Drawing sees the current frame through the virtual operations: its pixel
// data, size, clip, flags, page position, and the frame's draw offset; the
// opacity is the animation's own (255 at first), whatever the frames' are.
//
// Without a script, Update(dt) counts the current frame's time down; when it
// runs out the next frame starts with its full time (the overshoot is
// dropped, so one update advances at most one frame). After the last frame a
// looping animation starts again and a one-shot one stays on it and Update
// returns false from then on.
//
// With a script, a driver made by the installed script factory steps the
// frames instead (the script host installs it; see
// engine/script/animated_surface_script.h). While no factory is installed an
// animation naming a script plays by its frame timer.
//
// Main thread only (update and draw); may be built on the loader thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/graphics/surface.h"

namespace Voke {

class AnimatedSurface;

// What steps a scripted animation.
class AnimationDriver {
public:
    virtual ~AnimationDriver() = default;
    // One update; true while the animation goes on.
    virtual bool Update(float dt) = 0;
    // Hands a game state number to the script.
    virtual void SetState(int state) = 0;
};

class AnimatedSurface : public Surface {
public:
    struct Frame {
        SmartPtr<Surface> image;  // never null inside an animated surface
        float time = 0.0f;        // seconds the frame stays
        int32_t x = 0, y = 0;     // draw offset
    };
    using FrameList = std::vector<Frame>;

    // Makes the driver of a scripted animation: `surface` is the animation
    // (not yet fully built: only its frames may be read), `scriptPath` the
    // script file. Null leaves the animation to its frame timer.
    using DriverFactory = std::unique_ptr<AnimationDriver> (*)(AnimatedSurface& surface, const char* scriptPath);
    // Installs the script factory (null removes it); set at start-up.
    static void SetDriverFactory(DriverFactory factory);

    // A new animation (count 0), or null when the list is empty or a frame has
    // no image: nothing ever shows a missing frame. `scriptPath` may be null.
    static AnimatedSurface* Create(const FrameList& frames, bool loop, const char* scriptPath);

    // A copy of the frames and the loop flag, starting at frame 0 with
    // opacity 255 and no script.
    AnimatedSurface(const AnimatedSurface& other);
    // Releases the script, then the frames.
    ~AnimatedSurface() override;

    int GetWidth() const override;
    int GetHeight() const override;
    const Rect* GetClipRect() const override;
    uint32_t TestFlags(uint32_t mask) const override;
    bool Update(const float& dt) override;
    int GetDrawOffsetX() const override { return m_frames[m_current].x; }
    int GetDrawOffsetY() const override { return m_frames[m_current].y; }
    int GetPageX() const override { return m_frames[m_current].image->GetPageX(); }
    int GetPageY() const override { return m_frames[m_current].image->GetPageY(); }

    // Makes frame `index` current with its full time; an index outside the
    // list changes nothing.
    void SetFrame(unsigned index);
    // Passes `state` to the script's "SetState"; nothing without a script.
    void SetState(int state);

    unsigned GetFrameCount() const { return unsigned(m_frames.size()); }
    unsigned GetCurrentFrame() const { return m_current; }
    // Seconds; 0 outside the list.
    float GetFrameTime(unsigned index) const { return index < m_frames.size() ? m_frames[index].time : 0.0f; }
    const Frame& GetFrame(unsigned index) const { return m_frames.at(index); }
    bool IsLooping() const { return m_loop != 0; }
    float GetTimer() const { return m_timer; }
    bool HasScript() const { return m_script != nullptr; }

private:
    // `frames` is not empty and has no null image (Create checks).
    AnimatedSurface(const FrameList& frames, bool loop, const char* scriptPath);

    FrameList m_frames;
    unsigned m_current = 0;
    uint8_t m_loop = 0;
    float m_timer = 0.0f;
    std::unique_ptr<AnimationDriver> m_script;  // declared last: released first
};

}  // namespace Voke
