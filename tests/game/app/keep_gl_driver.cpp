// Preloaded into the game's executable by its end-to-end tests: keeps Mesa's
// driver loaded for the whole process. The window's eglTerminate would
// otherwise unload it before the leak check at exit, and the few blocks the
// driver keeps for the process would show up as leaks of an unknown module.
#include <dlfcn.h>

namespace {

__attribute__((constructor)) void KeepDriverLoaded()
{
    if (VOKE_GL_DRIVER[0]) dlopen(VOKE_GL_DRIVER, RTLD_LAZY | RTLD_NODELETE);
}

}  // namespace
