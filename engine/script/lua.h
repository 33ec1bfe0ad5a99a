// The engine's Lua 5.1 host: one interpreter state per Lua object.
//
// A state is made either with Lua's standard allocator or inside a private
// heap of a fixed size (a HeapArena over one block), so that a script cannot
// take more than its heap: when the heap is full, the script gets Lua's memory
// error ("not enough memory") like any other error. Every state gets the
// engine's constant tables (the global "keys") and the script functions
// "require" (runs a file of the virtual file system, no cache, no search path)
// and "VokeMsg" (the engine's message function; it discards its arguments).
// No standard library is open unless OpenLibrary opens it; only the base (with
// coroutines), table, string, debug and math libraries can be opened.
//
// The same class wraps a state owned elsewhere ("borrowed"): native functions
// called from a script build one on their stack around the state they get.
//
// Everything the engine does to a state from outside a script (setting
// globals, fetching functions, pushing strings) runs inside a protected call,
// so that a full heap is an error the caller sees, never Lua's panic exit.
//
// Threads: a state and its heap belong to the thread that made them (the main
// thread in the game); nothing is locked.
#pragma once

#include <lua.hpp>

#include <cstddef>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {

class HeapArena;

class Lua : public RefCounter {
public:
    // The fixed block a heap-backed state lives in.
    class LuaHeap : public RefCounter {
    public:
        // Lays an arena over `buffer` (not owned), or over a block of `size`
        // bytes the heap allocates itself when `buffer` is null. IsValid is
        // false when that block cannot be had or is too small for an arena.
        LuaHeap(std::size_t size, void* buffer);
        ~LuaHeap() override;
        LuaHeap(const LuaHeap&) = delete;
        LuaHeap& operator=(const LuaHeap&) = delete;

        bool IsValid() const { return m_arena != nullptr; }
        HeapArena* GetArena() const { return m_arena; }

    private:
        bool m_ownsBuffer = false;
        unsigned char* m_buffer = nullptr;
        HeapArena* m_arena = nullptr;  // owned
    };

    // Library bits of OpenLibrary.
    enum Library : unsigned {
        kLibBase = 1,  // with the coroutine functions
        kLibTable = 2,
        kLibString = 4,
        kLibDebug = 8,
        kLibMath = 16,
    };

    // Receives a script file's load or run error: the file's path and the
    // error text. The debug overlay installs one that opens its console,
    // pauses the mixer and prints "Fatal error reading file " + path and the
    // text. Without one, errors are silent.
    using ErrorReporter = void (*)(const char* path, const char* error);
    static void SetErrorReporter(ErrorReporter reporter);
    static ErrorReporter GetErrorReporter();

    // A new state: heap size 0 uses Lua's standard allocator; otherwise the
    // state lives in a private heap of that size, over `heapBuffer` (which
    // must outlive this object) or over a block of its own when that is null.
    // Never reports failure: when the heap is too small for the state and its
    // tables (a new state peaks at about 33 KB on a 64-bit build), GetState
    // is null and every operation below does nothing (Call
    // and DoFile report an error).
    explicit Lua(std::size_t heapSize = 0, void* heapBuffer = nullptr);
    // Wraps a state owned elsewhere; destroying the wrapper leaves it open.
    explicit Lua(lua_State* state);
    // Runs the profiler report when profiling, closes an owned state, then
    // releases the heap.
    ~Lua() override;
    Lua(const Lua&) = delete;
    Lua& operator=(const Lua&) = delete;

    lua_State* GetState() const { return m_state; }
    LuaHeap* GetHeap() const { return m_heap.Get(); }

    // Runs a script file of the virtual file system: the compiled form (the
    // path with "c" appended, "x.lua" -> "x.luac") when it exists, else the
    // path itself. The chunk is named by the path; its results stay on the
    // stack. Returns false when neither file exists or can be read, or the
    // chunk fails to load or run; the error goes to the error reporter and
    // the error value is popped.
    bool DoFile(const char* path);
    // Runs a chunk of source text. Returns false on a load or run error, whose
    // value is popped; the chunk's results stay on the stack on success.
    bool DoString(const char* source);
    // Calls the global function `name` with the `argCount` values on top of
    // the stack as its arguments. Null on success, with `resultCount` results
    // (LUA_MULTRET: all) in place of the arguments. On failure returns the
    // error text (valid until the next Call on this object) and the arguments
    // and the error value are gone: the stack is as it was below the
    // arguments. An error value that is no string gives a fixed text.
    const char* Call(const char* name, int argCount, int resultCount);

    // Globals. A full heap makes these do nothing (the value SetGlobal would
    // take is still popped).
    void RegisterFunction(const char* name, lua_CFunction function);
    void RegisterUserdata(const char* name, void* pointer);  // a light userdata
    void SetGlobal(const char* name);                        // pops the top value into it
    // Pushes the global and returns it as a pointer (null when it is no
    // userdata); the value stays on the stack.
    void* GetGlobalUserdata(const char* name);
    // The names other parts of the engine use for the same two operations.
    void SetGlobalPointer(const char* name, void* pointer) { RegisterUserdata(name, pointer); }
    void* GetGlobalPointer(const char* name) { return GetGlobalUserdata(name); }

    // Typed access to stack values (Lua stack indices). These need a state
    // (GetState not null); they are meant for native functions.
    bool GetType(int index, int type) const { return lua_type(m_state, index) == type; }
    bool IsBoolean(int index) const { return lua_isboolean(m_state, index); }
    bool IsString(int index) const { return lua_isstring(m_state, index) == 1; }  // string or number
    bool IsNumber(int index) const { return lua_isnumber(m_state, index) == 1; }  // or a numeric string
    bool ToBool(int index) const { return lua_toboolean(m_state, index) != 0; }
    // Both raise the script's argument error for a value of the wrong type:
    // only inside a native function, and before it holds any object with a
    // destructor (a Lua error leaves the function by a long jump).
    double CheckNumber(int index) const { return luaL_checknumber(m_state, index); }
    NarrowString CheckString(int index) const;
    void PushNil() { lua_pushnil(m_state); }
    void PushBool(bool value) { lua_pushboolean(m_state, value ? 1 : 0); }
    // Pushes nil instead when the heap has no room for the string.
    void PushString(const char* text);
    void PushNumber(double value) { lua_pushnumber(m_state, value); }
    void Pop(int count) { lua_settop(m_state, -count - 1); }
    // Kilobytes the state has allocated.
    int MemoryInUse() const { return m_state ? lua_gc(m_state, LUA_GCCOUNT, 0) : 0; }

    // Opens one standard library: exactly one of the Library bits. Other
    // values, and a library already opened through this object, do nothing.
    void OpenLibrary(unsigned library);
    unsigned GetOpenedLibraries() const { return m_libraries; }

    // Opens the debug library and counts every call of a function from now
    // on; the destructor prints one "VokeMsg" line per function: its name (a
    // Lua function as "[source]:line", with " (name)" when it has one) and
    // its count. The report needs the base library (it walks the counters
    // with pairs); without it nothing is printed.
    void StartProfiler();

    // The constant tables, as text run as a Lua chunk named "enum table":
    // BeginEnumTable gives "name={", each entry adds "entry=value," (only the
    // part after the last "::" of a qualified name), EndEnumTable adds "}"
    // and runs it. Returns false when the chunk fails (the error is popped).
    static void BeginEnumTable(NarrowString& text, const char* tableName);
    static void AddEnumEntry(NarrowString& text, const char* entryName, int value);
    static bool EndEnumTable(lua_State* state, NarrowString& text);

    // The allocation function of heap-backed states: size 0 frees, anything
    // else reallocates in the arena (a null result is Lua's memory error).
    static void* Alloc(void* heap, void* pointer, std::size_t oldSize, std::size_t newSize);

private:
    // The script functions every state gets.
    static int Require(lua_State* state);  // "require"
    static int Message(lua_State* state);  // "VokeMsg"

    // Exports every constant table; false when the state had no room.
    bool ExportEnums();
    // Runs `op` in a protected call with the top `argCount` values as its
    // arguments, leaving `resultCount` values in their place. Returns the
    // status of lua_pcall; on failure the error value is on top.
    using ProtectedOp = int (*)(lua_State* state, void* context);
    int RunProtected(ProtectedOp op, void* context, int argCount, int resultCount);
    static int Trampoline(lua_State* state);
    static int InstallTrampoline(lua_State* state);

    lua_State* m_state = nullptr;
    bool m_borrowed = false;
    bool m_profiling = false;
    unsigned m_libraries = 0;
    SmartPtr<LuaHeap> m_heap;
    NarrowString m_lastError;  // the text Call returned last
};

}  // namespace Voke
