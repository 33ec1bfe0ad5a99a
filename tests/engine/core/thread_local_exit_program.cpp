// Loads each library named on the command line (thread_local_library),
// touches its thread-local block on the main thread and on a few threads that
// are still running when the program ends, and exits with 0: what a program
// that drew through the GL driver leaves to the sanitizer's leak check at exit.
// Any other status, or a report from the runtime, is the runtime's doing.
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace {

using Touch = char* (*)();
std::vector<Touch> g_touches;
std::atomic<int> g_touched{0};

void* TouchAndStay(void*)
{
    for (Touch touch : g_touches) touch();
    g_touched.fetch_add(1);
    for (;;) pause();
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        void* library = dlopen(argv[i], RTLD_NOW);
        if (!library) {
            std::printf("cannot load %s: %s\n", argv[i], dlerror());
            return 2;
        }
        Touch touch = reinterpret_cast<Touch>(dlsym(library, "TouchThreadBlock"));
        if (!touch) {
            std::printf("%s has no TouchThreadBlock\n", argv[i]);
            return 2;
        }
        touch();
        g_touches.push_back(touch);
    }
    // NOTE: four threads, like the GL driver's rasterising threads.
    constexpr int kThreads = 4;
    for (int i = 0; i < kThreads; ++i) {
        pthread_t thread;
        if (pthread_create(&thread, nullptr, TouchAndStay, nullptr) != 0) return 3;
        pthread_detach(thread);
    }
    // Until every thread has its block (a state, not a time).
    while (g_touched.load() < kThreads) usleep(1000);
    return 0;
}
