#include <gtest/gtest.h>

#include <string>

#include "engine/core/registry.h"
#include "engine/script/lua.h"

namespace Voke {
namespace {

class RegistryScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        Registry::s_engine = new Registry;
        m_lua = new Lua;
        m_lua->RegisterFunction("RegSet", &Registry::LuaSet);
        m_lua->RegisterFunction("RegGet", &Registry::LuaGet);
    }
    void TearDown() override
    {
        m_lua.Reset();
        Registry::s_engine.Reset();
    }

    // Runs `source` (which returns one value) and gives that value's type.
    int Run(const std::string& source)
    {
        lua_State* L = m_lua->GetState();
        lua_settop(L, 0);
        EXPECT_TRUE(m_lua->DoString(source.c_str())) << source;
        return lua_type(L, -1);
    }
    lua_State* L() { return m_lua->GetState(); }

    SmartPtr<Lua> m_lua;
};

TEST_F(RegistryScript, SetChoosesTheTypeFromTheValue)
{
    Registry& registry = *Registry::s_engine;
    ASSERT_EQ(Run("return RegSet('/s/b', true)"), LUA_TBOOLEAN);
    EXPECT_TRUE(lua_toboolean(L(), -1));
    Run("return RegSet('/s/i', 7.0)");
    Run("return RegSet('/s/f', -2.5)");
    Run("return RegSet('/s/n', '12')");
    Run("return RegSet('/s/t', 'text')");
    Run("return RegSet('/s/big', 1e12)");
    bool b = false;
    int i = 0;
    float f = 0;
    std::string t;
    EXPECT_TRUE(registry.Get("/s/b", b));
    EXPECT_TRUE(b);
    EXPECT_TRUE(registry.Get("/s/i", i));
    EXPECT_EQ(i, 7);
    EXPECT_TRUE(registry.Get("/s/f", f));
    EXPECT_EQ(f, -2.5f);
    EXPECT_TRUE(registry.Get("/s/n", i));
    EXPECT_EQ(i, 12);
    EXPECT_TRUE(registry.Get("/s/t", t));
    EXPECT_EQ(t, "text");
    EXPECT_TRUE(registry.Get("/s/big", f));
    EXPECT_EQ(f, 1e12f);

    // Other values and refused paths give false.
    ASSERT_EQ(Run("return RegSet('/s/x', {})"), LUA_TBOOLEAN);
    EXPECT_FALSE(lua_toboolean(L(), -1));
    EXPECT_EQ(registry.GetKey("/s/x", false), nullptr);
    Run("return RegSet('/machine/x', 1)");
    EXPECT_FALSE(lua_toboolean(L(), -1));
    // A path that is no string is the script's argument error.
    EXPECT_FALSE(m_lua->DoString("RegSet({}, 1)"));
}

TEST_F(RegistryScript, GetPushesByType)
{
    Registry& registry = *Registry::s_engine;
    registry.Set("/g/b", false);
    registry.Set("/g/i", 5);
    registry.Set("/g/f", 0.5f);
    registry.Set("/g/t", "x<y");
    registry.GetKey("/g/unset", true);
    ASSERT_EQ(Run("return RegGet('/g/b')"), LUA_TBOOLEAN);
    EXPECT_FALSE(lua_toboolean(L(), -1));
    ASSERT_EQ(Run("return RegGet('/g/i')"), LUA_TNUMBER);
    EXPECT_EQ(lua_tonumber(L(), -1), 5);
    ASSERT_EQ(Run("return RegGet('/g/f')"), LUA_TNUMBER);
    EXPECT_EQ(lua_tonumber(L(), -1), 0.5);
    ASSERT_EQ(Run("return RegGet('/g/t')"), LUA_TSTRING);
    EXPECT_STREQ(lua_tostring(L(), -1), "x<y");
    EXPECT_EQ(Run("return RegGet('/g/missing')"), LUA_TNIL);
    EXPECT_EQ(Run("return RegGet('/g/unset')"), LUA_TNIL);

    Registry::s_engine.Reset();
    EXPECT_EQ(Run("return RegGet('/g/i')"), LUA_TNIL);
    ASSERT_EQ(Run("return RegSet('/g/i', 1)"), LUA_TBOOLEAN);
    EXPECT_FALSE(lua_toboolean(L(), -1));
}

}  // namespace
}  // namespace Voke
