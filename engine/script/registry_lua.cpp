// The registry's script functions, on the engine's registry.
//
// Lua raises errors by a long jump, which must not cross a live C++ object:
// the arguments are checked with the plain Lua interface before anything with
// a destructor exists, and strings are pushed through the host's protected
// push (nil when the script heap is full).
#include <climits>
#include <cmath>
#include <string>

#include "engine/core/registry.h"
#include "engine/script/lua.h"

namespace Voke {

int Registry::LuaSet(lua_State* state)
{
    std::size_t pathLength = 0;
    const char* path = luaL_checklstring(state, 1, &pathLength);
    Registry* registry = Registry::s_engine;
    bool result = false;
    if (registry) {
        const std::string key(path, pathLength);
        if (lua_type(state, 2) == LUA_TBOOLEAN) {
            result = registry->Set(key, lua_toboolean(state, 2) != 0);
        } else if (lua_isnumber(state, 2)) {
            const double value = lua_tonumber(state, 2);
            // Whole numbers within the int range are ints; others (fractions,
            // huge values, infinities, NaN) are floats rather than a wrapped
            // int.
            if (std::trunc(value) == value && value >= INT_MIN && value <= INT_MAX)
                result = registry->Set(key, static_cast<int>(value));
            else
                result = registry->Set(key, static_cast<float>(value));
        } else if (lua_type(state, 2) == LUA_TSTRING) {
            std::size_t length = 0;
            const char* text = lua_tolstring(state, 2, &length);
            result = registry->Set(key, std::string(text, length));
        }
    }
    lua_pushboolean(state, result ? 1 : 0);
    return 1;
}

int Registry::LuaGet(lua_State* state)
{
    std::size_t pathLength = 0;
    const char* path = luaL_checklstring(state, 1, &pathLength);
    Registry* registry = Registry::s_engine;
    if (!registry) {
        lua_pushnil(state);
        return 1;
    }
    const std::string key(path, pathLength);
    bool b;
    int i;
    float f;
    std::string text;
    if (registry->Get(key, b)) {
        lua_pushboolean(state, b ? 1 : 0);
    } else if (registry->Get(key, i)) {
        lua_pushnumber(state, i);
    } else if (registry->Get(key, f)) {
        lua_pushnumber(state, f);
    } else if (registry->Get(key, text)) {
        Lua(state).PushString(text.c_str());
    } else {
        lua_pushnil(state);
    }
    return 1;
}

}  // namespace Voke
