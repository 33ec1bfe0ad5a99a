#include "engine/app/clock.h"

#include <sys/time.h>
#include <unistd.h>

#include <ctime>

namespace Voke {

int64_t TimeValToMs(int64_t seconds, int64_t microseconds) { return seconds * 1000 + microseconds / 1000; }

int64_t GetTimeMs()
{
    timeval now;
    gettimeofday(&now, nullptr);
    return TimeValToMs(now.tv_sec, now.tv_usec);
}

int64_t GetMonotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int32_t GetTime() { return static_cast<int32_t>(std::time(nullptr)); }

void Sleep(const float& seconds)
{
    if (!(seconds > 0.0f)) return;
    unsigned whole = static_cast<unsigned>(seconds);
    if (whole >= 1) sleep(whole);
    usleep(static_cast<useconds_t>((seconds - static_cast<float>(whole)) * 1000000.0f));
}

}  // namespace Voke
