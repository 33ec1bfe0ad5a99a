// A program built on the engine's entry, for the entry tests: it reports on
// standard output what reaches its application, one line each.
#include <unistd.h>

#include <cstdio>

#include "engine/app/maemo_main.h"
#include "engine/core/key_codes.h"

namespace {

class ReportingApp : public Voke::MaemoApplication {
public:
    ReportingApp() : MaemoApplication(0) {}

    void Initialize() override
    {
        char cwd[4096] = {};
        if (!getcwd(cwd, sizeof(cwd) - 1)) cwd[0] = 0;
        Say("ready %lu %s", GetWindow(), cwd);
    }
    void Unload() override { Say("unload"); }
    void OnKeyDown(unsigned key) override
    {
        Say("key down %u", key);
        if (key == Voke::KEY_M) Say("minimize %d", Minimize() ? 1 : 0);
        if (key == Voke::KEY_X) Exit();
    }
    void OnFocusChanged(bool active) override { Say(active ? "active" : "inactive"); }

private:
    template <class... Args>
    void Say(const char* format, Args... args)
    {
        std::printf(format, args...);
        std::printf("\n");
        std::fflush(stdout);
    }
};

}  // namespace

const Voke::NarrowString ApplicationTitle = "Vexbolt!";

Voke::MaemoApplication* CreateApplication() { return new ReportingApp; }
