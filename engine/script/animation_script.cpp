#include "engine/script/animation_script.h"

#include <climits>
#include <cmath>

namespace Voke {

namespace {

// Registry key (its address) of the animation a state drives. The functions
// read it from there rather than from "this", which a script may overwrite.
const char kAnimationKey = 0;

int StoreAnimation(lua_State* state)
{
    lua_pushlightuserdata(state, const_cast<char*>(&kAnimationKey));
    lua_pushvalue(state, 1);
    lua_rawset(state, LUA_REGISTRYINDEX);
    return 0;
}

// Only from a script function: a state without an animation is a script
// error, never a null pointer.
ScriptedAnimation* GetAnimation(lua_State* state)
{
    lua_pushlightuserdata(state, const_cast<char*>(&kAnimationKey));
    lua_rawget(state, LUA_REGISTRYINDEX);
    auto* animation = static_cast<ScriptedAnimation*>(lua_touserdata(state, -1));
    lua_pop(state, 1);
    if (!animation) luaL_error(state, "no animation bound to this script");
    return animation;
}

// The first argument as a frame index: a number that truncates to 0 ..
// count - 1, or the script's argument error.
unsigned CheckFrameIndex(lua_State* state, const ScriptedAnimation& animation)
{
    const double value = luaL_checknumber(state, 1);
    if (!(value > -1.0 && value < static_cast<double>(animation.GetFrameCount())))
        luaL_argerror(state, 1, "frame index out of range");
    return static_cast<unsigned>(value);
}

}  // namespace

SmartPtr<Lua> AnimationScript::Attach(ScriptedAnimation* animation, const char* scriptPath)
{
    SmartPtr<Lua> script(new Lua(0, nullptr));
    lua_State* state = script->GetState();
    if (!state) return script;
    if (lua_cpcall(state, StoreAnimation, animation) != 0) lua_pop(state, 1);
    script->RegisterUserdata("this", animation);
    script->RegisterFunction("FrameNum", ScriptFrameNum);
    script->RegisterFunction("SetFrame", ScriptSetFrame);
    script->RegisterFunction("NumFrames", ScriptNumFrames);
    script->RegisterFunction("FrameTime", ScriptFrameTime);
    script->RegisterFunction("SetAlpha", ScriptSetAlpha);
    const int top = lua_gettop(state);
    script->DoFile(scriptPath);
    lua_settop(state, top);  // the chunk's results are of no use here
    return script;
}

bool AnimationScript::Update(Lua& script, ScriptedAnimation& animation, float dt)
{
    lua_State* state = script.GetState();
    if (!state) return false;
    const int top = lua_gettop(state);
    const unsigned frame = animation.GetCurrentFrame();
    const unsigned char alpha = animation.GetAlpha();

    script.PushNumber(dt);
    const bool called = script.Call("Update", 1, 1) == nullptr;
    const bool valid = called && script.IsNumber(-1);
    const double result = valid ? lua_tonumber(state, -1) : 0.0;
    lua_settop(state, top);
    if (valid) return result == 1.0;

    // Undo what the failed call changed before it failed.
    if (animation.GetCurrentFrame() != frame) animation.SetFrame(frame);
    if (animation.GetAlpha() != alpha) animation.SetAlpha(alpha);
    return false;
}

void AnimationScript::SetState(Lua& script, int value)
{
    lua_State* state = script.GetState();
    if (!state) return;
    const int top = lua_gettop(state);
    script.PushNumber(value);
    script.Call("SetState", 1, 0);
    lua_settop(state, top);
}

// Each function checks its arguments before anything else: a script error
// leaves it by a long jump.

int AnimationScript::ScriptFrameNum(lua_State* state)
{
    lua_pushnumber(state, GetAnimation(state)->GetCurrentFrame());
    return 1;
}

int AnimationScript::ScriptSetFrame(lua_State* state)
{
    ScriptedAnimation* animation = GetAnimation(state);
    animation->SetFrame(CheckFrameIndex(state, *animation));
    return 0;
}

int AnimationScript::ScriptNumFrames(lua_State* state)
{
    lua_pushnumber(state, GetAnimation(state)->GetFrameCount());
    return 1;
}

int AnimationScript::ScriptFrameTime(lua_State* state)
{
    ScriptedAnimation* animation = GetAnimation(state);
    const unsigned index = CheckFrameIndex(state, *animation);
    // 16.16 fixed point in single precision, truncated toward zero; times too
    // long for it saturate.
    const float fixed = 65536.0f * animation->GetFrameTime(index);
    int value = 0;
    if (fixed >= 2147483647.0f) value = INT_MAX;
    else if (fixed <= -2147483648.0f) value = INT_MIN;
    else if (fixed == fixed) value = static_cast<int>(fixed);
    lua_pushnumber(state, value);
    return 1;
}

int AnimationScript::ScriptSetAlpha(lua_State* state)
{
    ScriptedAnimation* animation = GetAnimation(state);
    const double value = luaL_checknumber(state, 1);
    if (!std::isfinite(value)) luaL_argerror(state, 1, "alpha is not a finite number");
    // The low 8 bits of the truncated integer, for any magnitude.
    double low = std::fmod(std::trunc(value), 256.0);
    if (low < 0) low += 256.0;
    animation->SetAlpha(static_cast<unsigned char>(low));
    return 0;
}

}  // namespace Voke
