#include "engine/core/app_globals.h"

#include <atomic>

namespace Voke {

namespace {
std::atomic<float> g_timeRate{1.0f};
}  // namespace

AppGlobals::Holder* AppGlobals::Instance()
{
    static Holder holder;
    return &holder;
}

NarrowString AppGlobals::GetLanguage()
{
    AppGlobals* globals = Instance()->globals;
    return globals ? globals->language : NarrowString();
}

NarrowString AppGlobals::GetCountry()
{
    AppGlobals* globals = Instance()->globals;
    return globals ? globals->country : NarrowString();
}

float GetTimeRate() { return g_timeRate.load(std::memory_order_relaxed); }

void SetTimeRate(float rate) { g_timeRate.store(rate, std::memory_order_relaxed); }

}  // namespace Voke
