// Script-driven animations: the script side of an animated image.
//
// An animated image whose animation file names a script hands its frames to
// the script instead of stepping them by their times: every update calls the
// script's global "Update" (dt) and the image goes on while it returns 1. The
// script sees the constant tables, "require", "VokeMsg", the light userdata
// "this" (the animation) and five functions of the animation:
//
//   FrameNum()     the current frame index
//   SetFrame(i)    makes frame i current and restarts its time
//   NumFrames()    the number of frames
//   FrameTime(i)   frame i's time in seconds as 16.16 fixed point (x 65536)
//   SetAlpha(a)    the image's opacity: a truncated, its low 8 bits
//
// A frame index outside 0 .. NumFrames() - 1, and a non-number argument, are
// the script's argument errors. An update whose "Update" is missing, fails or
// returns no number leaves the frame and the opacity as they were before the
// call and reports the end of the animation. The script's stack is the same
// after every update as before it, whatever the script did.
//
// The image owns the state (one per image, never shared); the state holds a
// plain pointer to the image and must not outlive it. Main thread only.
#pragma once

#include "engine/core/ref_counter.h"
#include "engine/script/lua.h"

namespace Voke {

// What a script may read and change of the animation it drives.
class ScriptedAnimation {
public:
    virtual ~ScriptedAnimation() = default;
    virtual unsigned GetFrameCount() const = 0;
    virtual unsigned GetCurrentFrame() const = 0;
    // Seconds; called only with index < GetFrameCount().
    virtual float GetFrameTime(unsigned index) const = 0;
    // Makes the frame current and sets its remaining time to the frame's
    // time; called only with index < GetFrameCount().
    virtual void SetFrame(unsigned index) = 0;
    virtual unsigned char GetAlpha() const = 0;
    virtual void SetAlpha(unsigned char alpha) = 0;
};

struct AnimationScript {
    // A new state (standard allocator) with "this" and the five functions,
    // after which the script file runs (Lua::DoFile; a file that is missing
    // or fails is reported there and leaves a state without "Update"). Never
    // null; the state is empty only when Lua itself could not be started.
    static SmartPtr<Lua> Attach(ScriptedAnimation* animation, const char* scriptPath);

    // Calls "Update" (dt) with one result: true when it returned 1, false for
    // any other number and for a failed call (see the header comment).
    static bool Update(Lua& script, ScriptedAnimation& animation, float dt);

    // Calls the script's "SetState" (state) with no result; a missing or
    // failing function changes nothing.
    static void SetState(Lua& script, int state);

    // The script functions, as registered.
    static int ScriptFrameNum(lua_State* state);
    static int ScriptSetFrame(lua_State* state);
    static int ScriptNumFrames(lua_State* state);
    static int ScriptFrameTime(lua_State* state);
    static int ScriptSetAlpha(lua_State* state);
};

}  // namespace Voke
