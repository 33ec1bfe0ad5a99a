// Running script files of the virtual file system.
#include "engine/script/lua.h"

#include <new>

#include "engine/core/io_stream.h"
#include "engine/core/vfs.h"

namespace Voke {

namespace {

// Reads the compiled form of `path` (path + "c") or else `path` itself into
// `data`. False, with the reason in `error`, when neither opens or the read
// comes up short.
bool ReadScriptFile(const char* path, NarrowString& data, const char*& error)
{
    NarrowString compiled(path);
    compiled += 'c';
    SmartPtr<File> file(Vfs::Open(compiled.c_str()));
    if (!file) file = Vfs::Open(path);
    if (!file) {
        error = "cannot open the file";
        return false;
    }
    const int length = file->Length();
    if (length < 0) {
        error = "cannot read the file";
        return false;
    }
    try {
        data.resize(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        // Never let an exception out: "require" runs this inside Lua's C frames.
        error = "not enough memory for the file";
        return false;
    }
    if (length > 0 && file->Read(&data[0], length) != length) {
        error = "cannot read the file";
        return false;
    }
    return true;
}

}  // namespace

bool Lua::DoFile(const char* path)
{
    const char* error = nullptr;
    if (!m_state) {
        error = "no Lua state";
    } else {
        NarrowString data;
        if (ReadScriptFile(path, data, error)) {
            if (luaL_loadbuffer(m_state, data.data(), data.size(), path) == 0 &&
                lua_pcall(m_state, 0, LUA_MULTRET, 0) == 0)
                return true;
            error = lua_tostring(m_state, -1);
            if (!error) error = "error object is not a string";
            if (ErrorReporter reporter = GetErrorReporter()) reporter(path, error);
            lua_pop(m_state, 1);
            return false;
        }
    }
    if (ErrorReporter reporter = GetErrorReporter()) reporter(path, error);
    return false;
}

int Lua::Require(lua_State* state)
{
    // Checked before any object with a destructor exists: a bad argument
    // leaves this function by a long jump.
    luaL_checklstring(state, 1, nullptr);
    Lua borrowed(state);
    const NarrowString path = borrowed.CheckString(1);
    borrowed.DoFile(path.c_str());
    return 0;
}

}  // namespace Voke
