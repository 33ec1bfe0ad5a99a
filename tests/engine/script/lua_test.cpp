// Lua states: the constant tables, calls and errors, libraries, the private
// heap and the profiler. Script files are in script_file_test.cpp.
#include "engine/script/lua.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/key_codes.h"
#include "engine/core/memory.h"
#include "engine/script/heap_arena.h"

namespace Voke {
namespace {

double GlobalNumber(Lua& lua, const char* name)
{
    lua_State* L = lua.GetState();
    lua_getglobal(L, name);
    const double value = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return value;
}

bool GlobalIsNil(Lua& lua, const char* name)
{
    lua_State* L = lua.GetState();
    lua_getglobal(L, name);
    const bool isNil = lua_isnil(L, -1);
    lua_pop(L, 1);
    return isNil;
}

// ---- The "keys" table ----

TEST(LuaKeys, HoldsEveryEngineKeyCodeAndNothingElse)
{
    SmartPtr<Lua> lua(new Lua);
    lua_State* L = lua->GetState();
    ASSERT_NE(L, nullptr);
    std::size_t count = 0;
    const KeyCodeName* names = GetKeyCodeNames(&count);
    ASSERT_EQ(count, 72u);

    lua_getglobal(L, "keys");
    ASSERT_TRUE(lua_istable(L, -1));
    for (std::size_t i = 0; i < count; ++i) {
        lua_getfield(L, -1, names[i].name);
        EXPECT_EQ(lua_tonumber(L, -1), names[i].code) << names[i].name;
        lua_pop(L, 1);
    }
    std::size_t fields = 0;
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        ++fields;
        const double code = lua_tonumber(L, -1);
        EXPECT_FALSE(code >= 35 && code <= 37) << lua_tostring(L, -2);
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    EXPECT_EQ(fields, count);
    EXPECT_EQ(lua_gettop(L), 0);

}

TEST(LuaKeys, EnumTextKeepsBareNamesAndTheLastComma)
{
    NarrowString text;
    Lua::BeginEnumTable(text, "t");
    Lua::AddEnumEntry(text, "Ns::Key::KEY_X", 7);
    Lua::AddEnumEntry(text, "PLAIN", -2);

    SmartPtr<Lua> lua(new Lua);
    EXPECT_TRUE(Lua::EndEnumTable(lua->GetState(), text));
    ASSERT_TRUE(lua->DoString("x = t.KEY_X y = t.PLAIN"));
    EXPECT_EQ(GlobalNumber(*lua, "x"), 7);
    EXPECT_EQ(GlobalNumber(*lua, "y"), -2);

    NarrowString broken = "t={1=";
    EXPECT_FALSE(Lua::EndEnumTable(lua->GetState(), broken));
    EXPECT_EQ(lua_gettop(lua->GetState()), 0) << "the error value must not stay";
}

// ---- Running text, calling functions, errors ----

TEST(LuaCalls, ResultsStayAndErrorsLeaveTheStackAsItWas)
{
    SmartPtr<Lua> lua(new Lua);
    lua_State* L = lua->GetState();
    lua->OpenLibrary(Lua::kLibBase);
    ASSERT_TRUE(lua->DoString("function add( a, b ) return a + b, a - b end\n"
                              "function fail() error( 'broken' ) end\n"
                              "function failTable() error( {} ) end\n"));
    EXPECT_EQ(lua_gettop(L), 0);

    lua->PushNil();  // something of the caller's below the arguments
    lua->PushNumber(5);
    lua->PushNumber(3);
    EXPECT_EQ(lua->Call("add", 2, 2), nullptr);
    ASSERT_EQ(lua_gettop(L), 3);
    EXPECT_EQ(lua_tonumber(L, 2), 8);
    EXPECT_EQ(lua_tonumber(L, 3), 2);
    lua->Pop(2);
    EXPECT_EQ(lua_gettop(L), 1);

    lua->PushNumber(1);
    const char* error = lua->Call("fail", 1, 1);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(std::string(error).find("broken"), std::string::npos) << error;
    EXPECT_EQ(lua_gettop(L), 1);

    error = lua->Call("missing", 0, 1);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(std::string(error).find("nil"), std::string::npos) << error;
    // A non-string error value is still a failure.
    error = lua->Call("failTable", 0, 0);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(std::string(error), "error object is not a string");

    // A script that fails every frame does not grow the stack.
    for (int frame = 0; frame < 1000; ++frame) {
        lua->PushNumber(frame);
        ASSERT_NE(lua->Call("fail", 1, 1), nullptr);
    }
    EXPECT_EQ(lua_gettop(L), 1);
    lua->Pop(1);

    EXPECT_FALSE(lua->DoString("this is not lua"));
    EXPECT_FALSE(lua->DoString("error( 'at run time' )"));
    EXPECT_EQ(lua_gettop(L), 0);
    ASSERT_TRUE(lua->DoString("after = 1"));
    EXPECT_EQ(GlobalNumber(*lua, "after"), 1);
    // Results of a chunk stay.
    ASSERT_TRUE(lua->DoString("return 1, 2"));
    EXPECT_EQ(lua_gettop(L), 2);
}

int g_nativeCalls = 0;
int Native(lua_State* state)
{
    Lua borrowed(state);
    const double n = borrowed.CheckNumber(1);
    const NarrowString s = borrowed.CheckString(2);
    ++g_nativeCalls;
    borrowed.PushString((s + "!").c_str());
    borrowed.PushNumber(n * 2);
    borrowed.PushBool(borrowed.IsBoolean(3) && borrowed.ToBool(3));
    return 3;
}

TEST(LuaCalls, NativeFunctionsUserdataAndGlobals)
{
    SmartPtr<Lua> lua(new Lua);
    lua_State* L = lua->GetState();
    int marker = 0;
    lua->RegisterFunction("native", Native);
    lua->RegisterUserdata("ptr", &marker);
    lua->PushNumber(42);
    lua->SetGlobal("answer");
    EXPECT_EQ(lua_gettop(L), 0);

    g_nativeCalls = 0;
    ASSERT_TRUE(lua->DoString("s, n, b = native( 4, 'x', true ) same = ( ptr == ptr2 )"));
    EXPECT_EQ(g_nativeCalls, 1);
    EXPECT_EQ(GlobalNumber(*lua, "n"), 8);
    EXPECT_EQ(GlobalNumber(*lua, "answer"), 42);
    lua_getglobal(L, "s");
    EXPECT_STREQ(lua_tostring(L, -1), "x!");
    lua_pop(L, 1);

    EXPECT_EQ(lua->GetGlobalUserdata("ptr"), &marker);
    EXPECT_EQ(lua_gettop(L), 1) << "the value stays on the stack";
    EXPECT_EQ(lua->GetGlobalUserdata("answer"), nullptr);
    lua->Pop(2);

    // Argument errors are errors of the script's protected call.
    EXPECT_FALSE(lua->DoString("native( 'no number', 'x' )"));
    EXPECT_FALSE(lua->DoString("native( 1, {} )"));
    EXPECT_EQ(g_nativeCalls, 1);

    // A borrowed wrapper leaves the state open.
    { Lua borrowed(L); }
    ASSERT_TRUE(lua->DoString("still = 1"));
}

// ---- Libraries ----

TEST(LuaLibraries, NoneByDefaultAndOnlyTheFiveSingleBits)
{
    SmartPtr<Lua> lua(new Lua);
    for (const char* name : {"print", "type", "pairs", "string", "table", "math", "debug", "coroutine", "io", "os",
                             "package", "require"})
        EXPECT_EQ(GlobalIsNil(*lua, name), std::string(name) != "require") << name;

    lua->OpenLibrary(3);
    lua->OpenLibrary(0);
    lua->OpenLibrary(32);
    EXPECT_TRUE(GlobalIsNil(*lua, "type"));
    EXPECT_TRUE(GlobalIsNil(*lua, "table"));
    EXPECT_EQ(lua->GetOpenedLibraries(), 0u);

    lua->OpenLibrary(Lua::kLibBase);
    ASSERT_TRUE(lua->DoString("type = nil"));  // a second open must not restore it
    lua->OpenLibrary(Lua::kLibBase);
    EXPECT_TRUE(GlobalIsNil(*lua, "type"));
    EXPECT_FALSE(GlobalIsNil(*lua, "coroutine"));

    for (unsigned bit : {Lua::kLibTable, Lua::kLibString, Lua::kLibDebug, Lua::kLibMath}) lua->OpenLibrary(bit);
    EXPECT_EQ(lua->GetOpenedLibraries(), 31u);
    for (const char* name : {"string", "table", "math", "debug"}) EXPECT_FALSE(GlobalIsNil(*lua, name)) << name;
    for (const char* name : {"io", "os", "package"}) EXPECT_TRUE(GlobalIsNil(*lua, name)) << name;
    EXPECT_EQ(lua_gettop(lua->GetState()), 0);
}

std::vector<std::string> g_messages;
int CaptureMessage(lua_State* state)
{
    std::string line;
    for (int i = 1; i <= lua_gettop(state); ++i) line += lua_tostring(state, i) ? lua_tostring(state, i) : "?";
    g_messages.push_back(line);
    return 0;
}

TEST(LuaLibraries, ProfilerReportsCallCountsWhenTheStateCloses)
{
    g_messages.clear();
    {
        SmartPtr<Lua> lua(new Lua);
        lua->OpenLibrary(Lua::kLibBase);
        lua->RegisterFunction("VokeMsg", CaptureMessage);
        ASSERT_TRUE(lua->DoString("function counted() end"));
        lua->StartProfiler();
        EXPECT_NE(lua->GetOpenedLibraries() & Lua::kLibDebug, 0u);
        ASSERT_TRUE(lua->DoString("for i = 1, 7 do counted() end"));
    }
    bool found = false;
    for (const std::string& line : g_messages)
        if (line.find("]:1 (counted) 7") != std::string::npos) found = true;
    EXPECT_TRUE(found) << (g_messages.empty() ? "no report" : g_messages[0]);
}

// ---- The private heap ----

// Scripts that use the libraries a heap must carry as well as the standard
// allocator: strings, tables, closures, coroutines and collection.
const char* const kOrdinaryScripts[] = {
    "local t = {} for i = 1, 2000 do t[i] = i * i end\n"
    "local s = 0 for i = 1, #t do s = s + t[i] end\n"
    "return s",
    "local parts = {} for i = 1, 300 do parts[#parts + 1] = string.format( '%03d', i ) end\n"
    "local s = table.concat( parts, ',' ) return #s, string.sub( s, 1, 11 ), string.upper( 'abc' )",
    "local function counter() local n = 0 return function() n = n + 1 return n end end\n"
    "local c = counter() c() c() return c(), math.floor( math.sqrt( 1000 ) )",
    "local co = coroutine.create( function( a ) local b = coroutine.yield( a + 1 ) return b * 2 end )\n"
    "local _, x = coroutine.resume( co, 10 ) local _, y = coroutine.resume( co, 21 ) return x, y",
    "local t = {} for i = 1, 500 do t[i] = { name = 'n' .. ( 500 - i ), v = i } end\n"
    "table.sort( t, function( a, b ) return a.name < b.name end ) collectgarbage() return t[1].name, t[500].v",
    "local ok, err = pcall( error, 'inner' ) return ok, err",
};

std::vector<std::string> RunOrdinaryScripts(Lua& lua)
{
    for (unsigned bit : {Lua::kLibBase, Lua::kLibTable, Lua::kLibString, Lua::kLibMath}) lua.OpenLibrary(bit);
    lua_State* L = lua.GetState();
    std::vector<std::string> results;
    for (const char* script : kOrdinaryScripts) {
        const int top = lua_gettop(L);
        if (!lua.DoString(script)) {
            results.push_back("failed");
            continue;
        }
        std::string line;
        for (int i = top + 1; i <= lua_gettop(L); ++i) {
            lua_pushvalue(L, i);
            line += lua_isboolean(L, -1) ? (lua_toboolean(L, -1) ? "true" : "false") : lua_tostring(L, -1);
            line += '|';
            lua_pop(L, 1);
        }
        lua_settop(L, top);
        results.push_back(line);
    }
    return results;
}

TEST(LuaHeap, OrdinaryScriptsRunTheSameWithAndWithoutThePrivateHeap)
{
    SmartPtr<Lua> plain(new Lua);
    const std::vector<std::string> expected = RunOrdinaryScripts(*plain);
    for (const std::string& line : expected) EXPECT_NE(line, "failed");

    SmartPtr<Lua> heaped(new Lua(1 << 20));
    ASSERT_NE(heaped->GetState(), nullptr);
    ASSERT_NE(heaped->GetHeap(), nullptr);
    HeapArena* arena = heaped->GetHeap()->GetArena();
    const std::size_t before = arena->GetUsed();
    EXPECT_EQ(RunOrdinaryScripts(*heaped), expected);
    EXPECT_NE(arena->GetUsed(), before);
    EXPECT_TRUE(arena->CheckConsistency());

    // Script work takes nothing from the general allocator (whose figure is
    // not kept under the address sanitizer).
    const std::size_t general = Memory::GetUsed();
    for (const char* script : kOrdinaryScripts) ASSERT_TRUE(heaped->DoString(script));
    lua_settop(heaped->GetState(), 0);
    if (general != 0) {
        EXPECT_EQ(Memory::GetUsed(), general);
    }

    // A caller's block works as well.
    std::vector<unsigned char> block(1 << 20);
    SmartPtr<Lua> external(new Lua(block.size(), block.data()));
    EXPECT_EQ(RunOrdinaryScripts(*external), expected);
    EXPECT_TRUE(external->GetHeap()->GetArena()->Contains(external->GetState()));
}

TEST(LuaHeap, ASmallHeapHitsItsLimitWithAMemoryError)
{
    SmartPtr<Lua> lua(new Lua(96 * 1024));
    lua_State* L = lua->GetState();
    ASSERT_NE(L, nullptr);
    lua->OpenLibrary(Lua::kLibBase);
    ASSERT_TRUE(lua->DoString("function grow()\n"
                              "  hoard = {} local s = 'x'\n"
                              "  for i = 1, 1e7 do hoard[i] = s .. i end\n"
                              "end\n"));
    const char* error = lua->Call("grow", 0, 0);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(std::string(error), "not enough memory");
    EXPECT_EQ(lua_gettop(L), 0);
    EXPECT_TRUE(lua->GetHeap()->GetArena()->CheckConsistency());

    // The state lives on: drop the hoard and go on working.
    ASSERT_TRUE(lua->DoString("hoard = nil collectgarbage() small = {} for i = 1, 100 do small[i] = i end"));
    EXPECT_EQ(GlobalNumber(*lua, "answer"), 0);
    lua->PushNumber(1);
    lua->SetGlobal("answer");
    EXPECT_EQ(GlobalNumber(*lua, "answer"), 1);

    // Engine-side operations on a full heap fail quietly instead of ending
    // the program.
    ASSERT_NE(lua->Call("grow", 0, 0), nullptr);
    ASSERT_TRUE(lua->DoString("collectgarbage( 'stop' )"));
    lua->Call("grow", 0, 0);  // fills the heap again and leaves it full
    for (int i = 0; i < 50; ++i) {
        const std::string name = "fresh_global_name_" + std::to_string(i);
        lua->RegisterFunction(name.c_str(), CaptureMessage);
        lua->PushString(name.c_str());
        lua->SetGlobal(name.c_str());
        lua->GetGlobalUserdata(name.c_str());
        lua->Pop(1);
    }
    EXPECT_EQ(lua_gettop(L), 0);
    EXPECT_TRUE(lua->GetHeap()->GetArena()->CheckConsistency());
}

TEST(LuaHeap, HeapsTooSmallForTheStateGiveAnEmptyObject)
{
    // Every size from nothing up to a working state: either a usable state
    // or an empty object, never a crash.
    bool sawEmpty = false, sawWorking = false;
    for (std::size_t size = 64; size <= 40 * 1024; size += 384) {
        SmartPtr<Lua> lua(new Lua(size));
        if (!lua->GetState()) {
            sawEmpty = true;
            EXPECT_FALSE(lua->DoString("x = 1"));
            EXPECT_NE(lua->Call("Update", 0, 1), nullptr);
            lua->RegisterFunction("f", CaptureMessage);
            lua->OpenLibrary(Lua::kLibBase);
            EXPECT_EQ(lua->MemoryInUse(), 0);
            continue;
        }
        sawWorking = true;
        lua->DoString("x = keys.KEY_MENU");
    }
    EXPECT_TRUE(sawEmpty);
    EXPECT_TRUE(sawWorking);
}

}  // namespace
}  // namespace Voke
