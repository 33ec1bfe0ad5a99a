// The options every AddressSanitizer build of this project starts with: the
// test programs, the game and the tools they start as children, and the
// content generators run while building. The runtime reads these first and
// ASAN_OPTIONS after them, so an ASAN_OPTIONS string only adds to them (or
// changes a single option); no environment has to repeat them.
//
// Linked into every executable of a sanitized build (see the top-level
// CMakeLists.txt); nothing else defines or calls it.

// intercept_tls_get_addr=0: the runtime that comes with g++ 12 wraps
// __tls_get_addr to learn where each thread's dynamic TLS blocks are, for the
// leak check. A block that starts 16 bytes past a 4096-byte boundary is taken
// for an old C library's layout, and the two words before it are read as the
// block's address and size. The leak check at exit then scans that bogus
// range, and its tracer dies ("Tracer caught signal 11") after the program's
// own work passed. Every library loaded with dlopen that has thread-local data
// (the GL driver and its code generator among them) makes such blocks, so any
// program that draws could hit it, depending on the heap's layout. Without the
// wrapper the leak check still scans the static TLS and every thread's stack
// and registers; only a pointer held in a loaded library's thread-local data
// alone would go unseen (and be reported as a leak, never hidden).
// NOTE: this can go with a sanitizer runtime that no longer has the fault
// (later runtimes check the block's layout); the test
// SanitizerRuntime.ThreadLocalDataOfLoadedLibrariesPassesTheLeakCheck fails
// as soon as the option is missing and the fault is still there.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
