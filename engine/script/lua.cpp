#include "engine/script/lua.h"

#include <atomic>
#include <cstdio>
#include <new>

#include "engine/core/key_codes.h"
#include "engine/script/heap_arena.h"

namespace Voke {

namespace {

// Registry array slot of the trampoline every protected engine operation goes
// through. Set first thing in a new state; luaL_ref hands out slots after it.
constexpr int kTrampolineSlot = 1;

// Main thread in practice; atomic so that installing it races nothing.
std::atomic<Lua::ErrorReporter> g_errorReporter{nullptr};

const char kNonStringError[] = "error object is not a string";

// Lua calls this for an error outside any protected call and then exits the
// program. The engine makes no such calls; the line says where one came from.
int Panic(lua_State* state)
{
    const char* text = lua_tostring(state, -1);
    std::fprintf(stderr, "Lua: unprotected error: %s\n", text ? text : kNonStringError);
    return 0;
}

// The call profiler: counts calls per function in "Counters" and keeps the
// first description of each function in "Names".
const char kProfilerStart[] =
    "Counters = {}\n"
    "Names = {}\n"
    "local function hook()\n"
    "  local f = debug.getinfo( 2, \"f\" ).func\n"
    "  if Counters[f] == nil then\n"
    "    Counters[f] = 1\n"
    "    Names[f] = debug.getinfo( 2, \"Sn\" )\n"
    "  else\n"
    "    Counters[f] = Counters[f] + 1\n"
    "  end\n"
    "end\n"
    "debug.sethook( hook, \"c\" )\n";

// The report: one "VokeMsg" line per counted function.
const char kProfilerReport[] =
    "debug.sethook()\n"
    "local function getname( func )\n"
    "  local n = Names[func]\n"
    "  if n.what == \"C\" then\n"
    "    return n.name\n"
    "  end\n"
    "  local loc = \"[\" .. n.source .. \"]:\" .. n.linedefined\n"
    "  if n.name then\n"
    "    return loc .. \" (\" .. n.name .. \")\"\n"
    "  end\n"
    "  return loc\n"
    "end\n"
    "for func, count in pairs( Counters ) do\n"
    "  VokeMsg( getname( func ), \" \", count )\n"
    "end\n";

struct GlobalRequest {
    const char* name;
    lua_CFunction function;
    void* pointer;
};

int SetFunctionOp(lua_State* state, void* context)
{
    auto* r = static_cast<GlobalRequest*>(context);
    lua_pushcclosure(state, r->function, 0);
    lua_setfield(state, LUA_GLOBALSINDEX, r->name);
    return 0;
}

int SetPointerOp(lua_State* state, void* context)
{
    auto* r = static_cast<GlobalRequest*>(context);
    lua_pushlightuserdata(state, r->pointer);
    lua_setfield(state, LUA_GLOBALSINDEX, r->name);
    return 0;
}

int SetGlobalOp(lua_State* state, void* context)
{
    lua_setfield(state, LUA_GLOBALSINDEX, static_cast<const char*>(context));
    return 0;
}

int GetGlobalOp(lua_State* state, void* context)
{
    lua_getfield(state, LUA_GLOBALSINDEX, static_cast<const char*>(context));
    return 1;
}

int PushStringOp(lua_State* state, void* context)
{
    lua_pushstring(state, static_cast<const char*>(context));
    return 1;
}

struct CallRequest {
    const char* name;
    int resultCount;
};

// The arguments are the whole frame: fetch the function, put it below them.
int CallOp(lua_State* state, void* context)
{
    auto* r = static_cast<CallRequest*>(context);
    const int argCount = lua_gettop(state);
    lua_getfield(state, LUA_GLOBALSINDEX, r->name);
    lua_insert(state, 1);
    lua_call(state, argCount, r->resultCount);
    return lua_gettop(state);
}

struct LibraryEntry {
    unsigned bit;
    lua_CFunction open;
};

const LibraryEntry kLibraries[] = {
    {Lua::kLibBase, luaopen_base},     {Lua::kLibTable, luaopen_table}, {Lua::kLibString, luaopen_string},
    {Lua::kLibDebug, luaopen_debug},   {Lua::kLibMath, luaopen_math},
};

}  // namespace

// ---- Private heap ----

Lua::LuaHeap::LuaHeap(std::size_t size, void* buffer)
{
    if (size == 0) return;
    if (!buffer) {
        buffer = new (std::nothrow) unsigned char[size];
        if (!buffer) return;
        m_ownsBuffer = true;
    }
    m_buffer = static_cast<unsigned char*>(buffer);
    auto* arena = new HeapArena(m_buffer, size);
    if (arena->GetCapacity() == 0) {
        delete arena;
        return;
    }
    m_arena = arena;
}

Lua::LuaHeap::~LuaHeap()
{
    delete m_arena;
    if (m_ownsBuffer) delete[] m_buffer;
}

void* Lua::Alloc(void* heap, void* pointer, std::size_t /*oldSize*/, std::size_t newSize)
{
    HeapArena* arena = static_cast<LuaHeap*>(heap)->GetArena();
    if (newSize == 0) {
        arena->Free(pointer);
        return nullptr;
    }
    return arena->Reallocate(pointer, newSize);
}

// ---- Construction ----

void Lua::SetErrorReporter(ErrorReporter reporter)
{
    g_errorReporter.store(reporter);
}

Lua::ErrorReporter Lua::GetErrorReporter()
{
    return g_errorReporter.load();
}

Lua::Lua(std::size_t heapSize, void* heapBuffer)
{
    if (heapSize > 0) {
        SmartPtr<LuaHeap> heap(new LuaHeap(heapSize, heapBuffer));
        if (heap->IsValid()) {
            m_state = lua_newstate(&Lua::Alloc, heap.Get());
            if (m_state) m_heap = heap;
        }
    } else {
        m_state = luaL_newstate();
    }
    if (!m_state) return;
    lua_atpanic(m_state, Panic);

    bool ok = lua_cpcall(m_state, InstallTrampoline, nullptr) == 0;
    ok = ok && ExportEnums();
    GlobalRequest require{"require", Require, nullptr};
    GlobalRequest message{"VokeMsg", Message, nullptr};
    ok = ok && RunProtected(SetFunctionOp, &require, 0, 0) == 0;
    ok = ok && RunProtected(SetFunctionOp, &message, 0, 0) == 0;
    if (!ok) {
        // Too little heap for the state and its tables: an empty object.
        lua_close(m_state);
        m_state = nullptr;
        m_heap.Reset();
    }
}

Lua::Lua(lua_State* state) : m_state(state), m_borrowed(true) {}

Lua::~Lua()
{
    if (m_profiling && m_state) DoString(kProfilerReport);
    if (!m_borrowed && m_state) lua_close(m_state);
    m_state = nullptr;
    m_heap.Reset();
}

int Lua::InstallTrampoline(lua_State* state)
{
    lua_pushcfunction(state, Trampoline);
    lua_rawseti(state, LUA_REGISTRYINDEX, kTrampolineSlot);
    return 0;
}

int Lua::Trampoline(lua_State* state)
{
    auto op = reinterpret_cast<ProtectedOp>(lua_touserdata(state, 1));
    void* context = lua_touserdata(state, 2);
    lua_remove(state, 1);
    lua_remove(state, 1);
    return op(state, context);
}

int Lua::RunProtected(ProtectedOp op, void* context, int argCount, int resultCount)
{
    // Fetching the trampoline and pushing light userdata allocate nothing, so
    // nothing here can fail before the protected call.
    lua_rawgeti(m_state, LUA_REGISTRYINDEX, kTrampolineSlot);
    if (lua_tocfunction(m_state, -1) != Trampoline) {
        // A state made elsewhere: push the trampoline itself.
        lua_pop(m_state, 1);
        lua_pushcfunction(m_state, Trampoline);
    }
    // A function pointer travels as light userdata (POSIX guarantees the
    // round trip).
    lua_pushlightuserdata(m_state, reinterpret_cast<void*>(op));
    lua_pushlightuserdata(m_state, context);
    // [args, trampoline, op, context] -> [trampoline, op, context, args]
    for (int i = 0; i < 3; ++i) lua_insert(m_state, -(argCount + 3));
    return lua_pcall(m_state, argCount + 2, resultCount, 0);
}

// ---- Running scripts ----

bool Lua::DoString(const char* source)
{
    if (!m_state) return false;
    if (luaL_loadstring(m_state, source) != 0 || lua_pcall(m_state, 0, LUA_MULTRET, 0) != 0) {
        lua_pop(m_state, 1);
        return false;
    }
    return true;
}

const char* Lua::Call(const char* name, int argCount, int resultCount)
{
    if (!m_state) {
        m_lastError = "no Lua state";
        return m_lastError.c_str();
    }
    const int base = lua_gettop(m_state) - argCount;
    CallRequest request{name, resultCount};
    if (RunProtected(CallOp, &request, argCount, resultCount) == 0) return nullptr;

    const char* text = lua_tostring(m_state, -1);
    m_lastError = text ? text : kNonStringError;
    lua_settop(m_state, base);
    return m_lastError.c_str();
}

// ---- Globals and values ----

void Lua::RegisterFunction(const char* name, lua_CFunction function)
{
    if (!m_state) return;
    GlobalRequest request{name, function, nullptr};
    if (RunProtected(SetFunctionOp, &request, 0, 0) != 0) lua_pop(m_state, 1);
}

void Lua::RegisterUserdata(const char* name, void* pointer)
{
    if (!m_state) return;
    GlobalRequest request{name, nullptr, pointer};
    if (RunProtected(SetPointerOp, &request, 0, 0) != 0) lua_pop(m_state, 1);
}

void Lua::SetGlobal(const char* name)
{
    if (!m_state) return;
    if (RunProtected(SetGlobalOp, const_cast<char*>(name), 1, 0) != 0) lua_pop(m_state, 1);
}

void* Lua::GetGlobalUserdata(const char* name)
{
    if (!m_state) return nullptr;
    if (RunProtected(GetGlobalOp, const_cast<char*>(name), 0, 1) != 0) {
        // Keep the promise of one new value on the stack.
        lua_pop(m_state, 1);
        lua_pushnil(m_state);
    }
    return lua_touserdata(m_state, -1);
}

NarrowString Lua::CheckString(int index) const
{
    std::size_t length = 0;
    const char* text = luaL_checklstring(m_state, index, &length);
    return NarrowString(text, length);
}

void Lua::PushString(const char* text)
{
    if (!m_state) return;
    if (RunProtected(PushStringOp, const_cast<char*>(text), 0, 1) != 0) {
        lua_pop(m_state, 1);
        lua_pushnil(m_state);
    }
}

// ---- Libraries and profiling ----

void Lua::OpenLibrary(unsigned library)
{
    if (!m_state || (m_libraries & library)) return;
    for (const LibraryEntry& entry : kLibraries) {
        if (entry.bit != library) continue;
        if (lua_cpcall(m_state, entry.open, nullptr) != 0) {
            lua_pop(m_state, 1);
            return;
        }
        m_libraries |= library;
        return;
    }
}

void Lua::StartProfiler()
{
    if (!m_state) return;
    m_profiling = true;
    OpenLibrary(kLibDebug);
    DoString(kProfilerStart);
}

// ---- Constant tables ----

void Lua::BeginEnumTable(NarrowString& text, const char* tableName)
{
    text = tableName;
    text += "={";
}

void Lua::AddEnumEntry(NarrowString& text, const char* entryName, int value)
{
    NarrowString name(entryName);
    const std::size_t scope = name.rfind("::");
    if (scope != NarrowString::npos) name.erase(0, scope + 2);
    text += name;
    text += '=';
    AppendInt(text, value);
    text += ',';
}

bool Lua::EndEnumTable(lua_State* state, NarrowString& text)
{
    text += '}';
    if (luaL_loadbuffer(state, text.data(), text.size(), "enum table") != 0 ||
        lua_pcall(state, 0, 0, 0) != 0) {
        lua_pop(state, 1);
        return false;
    }
    return true;
}

bool Lua::ExportEnums()
{
    std::size_t count = 0;
    const KeyCodeName* keys = GetKeyCodeNames(&count);
    NarrowString text;
    BeginEnumTable(text, "keys");
    for (std::size_t i = 0; i < count; ++i) AddEnumEntry(text, keys[i].name, static_cast<int>(keys[i].code));
    return EndEnumTable(m_state, text);
}

// ---- Script functions ----

// "require" is with DoFile (lua_file.cpp).

int Lua::Message(lua_State* /*state*/)
{
    return 0;
}

}  // namespace Voke
