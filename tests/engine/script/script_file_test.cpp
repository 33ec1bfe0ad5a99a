// Script files through the mount table, and animations driven by scripts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/vfs.h"
#include "engine/script/animation_script.h"
#include "engine/script/lua.h"
#include "tests/support/pak_files.h"
#include "tools/pak_builder.h"

namespace Voke {
namespace {

// The Lua bytecode of a chunk, as a compiled ".luac" file holds it.
std::string Compile(const char* source)
{
    lua_State* L = luaL_newstate();
    std::string bytes;
    if (luaL_loadstring(L, source) == 0) {
        lua_dump(
            L,
            [](lua_State*, const void* p, size_t size, void* out) {
                static_cast<std::string*>(out)->append(static_cast<const char*>(p), size);
                return 0;
            },
            &bytes);
    }
    lua_close(L);
    return bytes;
}

struct Report {
    std::string path, error;
};
std::vector<Report> g_reports;
void Record(const char* path, const char* error)
{
    g_reports.push_back({path, error});
}

// A mount table holding the given script files in a pak archive, as the
// game's content holds them.
class ScriptFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        Vfs::Init();
        g_reports.clear();
        Lua::SetErrorReporter(Record);
    }
    void TearDown() override
    {
        Lua::SetErrorReporter(nullptr);
        Vfs::Shutdown();
    }
    void Mount(const std::vector<PakBuilder::Entry>& files) { VokeTest::MountArchive(m_dir, "scripts.pak", files); }
    double Global(Lua& lua, const char* name)
    {
        lua_getglobal(lua.GetState(), name);
        const double value = lua_tonumber(lua.GetState(), -1);
        lua_pop(lua.GetState(), 1);
        return value;
    }

    VokeTest::TempDir m_dir;
};

TEST_F(ScriptFiles, CompiledFormWinsAndMissingFilesAreErrors)
{
    Mount({
        {"both.lua", "which = 'source'"},
        {"both.luac", Compile("which = 'compiled' return 1, 2")},
        {"source.lua", "which = 'only source'"},
        {"broken.lua", "which = = 1"},
        {"fails.lua", "which = 'ran' ; local x = nil ; x()"},
        {"counter.lua", "count = ( count or 0 ) + 1"},
        {"main.lua", "count = 0 require( 'counter.lua' ) require( 'counter.lua' )"},
    });
    SmartPtr<Lua> lua(new Lua);
    lua_State* L = lua->GetState();
    lua->OpenLibrary(Lua::kLibBase);

    EXPECT_TRUE(lua->DoFile("both.lua"));
    lua_getglobal(L, "which");
    EXPECT_STREQ(lua_tostring(L, -1), "compiled");
    lua_pop(L, 1);
    EXPECT_EQ(lua_gettop(L), 2) << "the chunk's results stay";
    lua_settop(L, 0);

    EXPECT_TRUE(lua->DoFile("source.lua"));
    lua_getglobal(L, "which");
    EXPECT_STREQ(lua_tostring(L, -1), "only source");
    lua_pop(L, 1);
    EXPECT_TRUE(g_reports.empty());

    EXPECT_FALSE(lua->DoFile("nowhere.lua"));
    EXPECT_FALSE(lua->DoFile("broken.lua"));
    EXPECT_FALSE(lua->DoFile("fails.lua"));
    EXPECT_EQ(lua_gettop(L), 0) << "error values are popped";
    ASSERT_EQ(g_reports.size(), 3u);
    EXPECT_EQ(g_reports[0].path, "nowhere.lua");
    EXPECT_EQ(g_reports[1].path, "broken.lua");
    EXPECT_NE(g_reports[1].error.find("broken.lua\"]:1:"), std::string::npos) << g_reports[1].error;
    EXPECT_NE(g_reports[2].error.find("attempt to call"), std::string::npos) << g_reports[2].error;

    // "require" runs the file every time; a bad argument is a script error.
    EXPECT_TRUE(lua->DoFile("main.lua"));
    EXPECT_EQ(Global(*lua, "count"), 2);
    EXPECT_FALSE(lua->DoString("require( {} )"));
    EXPECT_EQ(lua_gettop(L), 0);
}

// An animation of fixed frames, as the animated image shows it to scripts.
class FakeAnimation : public ScriptedAnimation {
public:
    explicit FakeAnimation(std::vector<float> times) : m_times(std::move(times)), m_remaining(m_times[0]) {}
    unsigned GetFrameCount() const override { return static_cast<unsigned>(m_times.size()); }
    unsigned GetCurrentFrame() const override { return m_current; }
    float GetFrameTime(unsigned index) const override { return m_times.at(index); }
    void SetFrame(unsigned index) override
    {
        m_current = index;
        m_remaining = m_times.at(index);
        ++frameSwitches;
    }
    unsigned char GetAlpha() const override { return m_alpha; }
    void SetAlpha(unsigned char alpha) override { m_alpha = alpha; }

    float remaining() const { return m_remaining; }
    int frameSwitches = 0;

private:
    std::vector<float> m_times;
    unsigned m_current = 0;
    float m_remaining;
    unsigned char m_alpha = 255;
};

TEST_F(ScriptFiles, ScriptStepsItsAnimationThroughTheBoundFunctions)
{
    // Plain Lua only: no library is open in an animation's state.
    Mount({{"walk.lua",
            "start = FrameNum()\n"
            "half = FrameTime( 0 ) tenth = FrameTime( 1 ) frames = NumFrames()\n"
            "local left = FrameTime( FrameNum() ) / 65536\n"
            "function Update( dt )\n"
            "  left = left - dt\n"
            "  if left < 0 then\n"
            "    local n = FrameNum() + 1\n"
            "    if n == NumFrames() then return 0 end\n"
            "    SetFrame( n ) left = FrameTime( n ) / 65536\n"
            "  end\n"
            "  SetAlpha( 300 )\n"
            "  return 1\n"
            "end\n"
            "function SetState( s ) state = s end\n"}});
    FakeAnimation animation({0.5f, 0.1f, 0.2f});
    SmartPtr<Lua> script = AnimationScript::Attach(&animation, "walk.lua");
    ASSERT_NE(script->GetState(), nullptr);
    EXPECT_TRUE(g_reports.empty());
    EXPECT_EQ(Global(*script, "start"), 0);
    EXPECT_EQ(Global(*script, "half"), 32768);
    EXPECT_EQ(Global(*script, "tenth"), 6553);
    EXPECT_EQ(Global(*script, "frames"), 3);

    const int top = lua_gettop(script->GetState());
    EXPECT_TRUE(AnimationScript::Update(*script, animation, 0.3f));
    EXPECT_EQ(animation.GetCurrentFrame(), 0u);
    EXPECT_EQ(animation.GetAlpha(), 44);
    EXPECT_TRUE(AnimationScript::Update(*script, animation, 0.3f));
    EXPECT_EQ(animation.GetCurrentFrame(), 1u);
    EXPECT_TRUE(AnimationScript::Update(*script, animation, 0.2f));
    EXPECT_EQ(animation.GetCurrentFrame(), 2u);
    EXPECT_FALSE(AnimationScript::Update(*script, animation, 0.5f)) << "0 ends the animation";
    EXPECT_EQ(animation.GetCurrentFrame(), 2u);
    EXPECT_EQ(lua_gettop(script->GetState()), top);

    AnimationScript::SetState(*script, 3);
    EXPECT_EQ(Global(*script, "state"), 3);
    EXPECT_EQ(lua_gettop(script->GetState()), top);
}

TEST_F(ScriptFiles, BoundFunctionsCheckTheirArguments)
{
    Mount({{"calls.lua",
            "function Update( dt ) return 1 end\n"
            "function alpha( a ) SetAlpha( a ) end\n"
            "function frame( i ) SetFrame( i ) end\n"
            "function time( i ) return FrameTime( i ) end\n"}});
    FakeAnimation animation({0.5f, 0.25f});
    SmartPtr<Lua> script = AnimationScript::Attach(&animation, "calls.lua");
    lua_State* L = script->GetState();
    auto call = [&](const char* name, double arg) {
        script->PushNumber(arg);
        const bool ok = script->Call(name, 1, 0) == nullptr;
        EXPECT_EQ(lua_gettop(L), 0);
        return ok;
    };

    EXPECT_TRUE(call("alpha", 255.9));
    EXPECT_EQ(animation.GetAlpha(), 255);
    EXPECT_TRUE(call("alpha", -1));
    EXPECT_EQ(animation.GetAlpha(), 255);
    EXPECT_TRUE(call("alpha", 128));
    EXPECT_EQ(animation.GetAlpha(), 128);
    EXPECT_TRUE(call("alpha", 1e300));  // no undefined conversion for huge numbers
    EXPECT_FALSE(call("alpha", 0.0 / 0.0));

    animation.SetFrame(1);
    const int switches = animation.frameSwitches;
    EXPECT_TRUE(call("frame", 1.9));  // the current index restarts the frame
    EXPECT_EQ(animation.GetCurrentFrame(), 1u);
    EXPECT_EQ(animation.frameSwitches, switches + 1);
    EXPECT_TRUE(call("frame", -0.5));  // truncates to 0
    EXPECT_EQ(animation.GetCurrentFrame(), 0u);
    for (double bad : {2.0, -1.0, 1e10, -4e9, 0.0 / 0.0}) {
        EXPECT_FALSE(call("frame", bad)) << bad;
        EXPECT_FALSE(call("time", bad)) << bad;
    }
    EXPECT_EQ(animation.GetCurrentFrame(), 0u);

    EXPECT_FALSE(script->DoString("SetFrame( 'first' )"));
    EXPECT_FALSE(script->DoString("SetAlpha()"));
    // Overwriting "this" does not redirect the functions.
    EXPECT_TRUE(script->DoString("this = nil n = NumFrames()"));
    EXPECT_EQ(Global(*script, "n"), 2);
}

TEST_F(ScriptFiles, FailingScriptsLeaveTheAnimationAsItIs)
{
    Mount({
        {"no_update.lua", "x = 1"},
        {"fails.lua", "function Update( dt ) SetFrame( 1 ) SetAlpha( 7 ) local t = nil return t.field end"},
        {"bad_index.lua", "function Update( dt ) SetAlpha( 9 ) SetFrame( 5 ) return 1 end"},
        {"wrong_type.lua", "function Update( dt ) SetFrame( 1 ) return {} end"},
        {"two.lua", "function Update( dt ) return 2 end"},
        {"syntax.lua", "function Update( dt ) return 1"},
    });
    for (const char* name : {"no_update.lua", "fails.lua", "bad_index.lua", "wrong_type.lua", "two.lua",
                             "syntax.lua", "missing.lua"}) {
        SCOPED_TRACE(name);
        FakeAnimation animation({0.1f, 0.1f});
        SmartPtr<Lua> script = AnimationScript::Attach(&animation, name);
        ASSERT_NE(script->GetState(), nullptr);
        const int top = lua_gettop(script->GetState());
        for (int frame = 0; frame < 1000; ++frame)
            ASSERT_FALSE(AnimationScript::Update(*script, animation, 0.016f));
        EXPECT_EQ(animation.GetCurrentFrame(), 0u);
        EXPECT_EQ(animation.GetAlpha(), 255);
        EXPECT_EQ(lua_gettop(script->GetState()), top) << "the stack must not grow";
    }
    // Only the files that could not be run at all were reported.
    ASSERT_EQ(g_reports.size(), 2u);
    EXPECT_EQ(g_reports[0].path, "syntax.lua");
    EXPECT_EQ(g_reports[1].path, "missing.lua");
}

}  // namespace
}  // namespace Voke
