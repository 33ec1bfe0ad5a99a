// The engine's clock.
#pragma once

#include <cstdint>

namespace Voke {

// Milliseconds since the Unix epoch, in 64 bits.
int64_t GetTimeMs();
// Milliseconds of the monotonic clock (CLOCK_MONOTONIC), in 64 bits: for
// measuring spans, which a change of the wall clock must not stretch or
// shorten. Its zero is arbitrary.
int64_t GetMonotonicMs();
// Seconds since the Unix epoch (time()).
int32_t GetTime();
// Sleeps for the given number of seconds, fractions included.
void Sleep(const float& seconds);

// Milliseconds of a gettimeofday() reading, computed in 64 bits.
int64_t TimeValToMs(int64_t seconds, int64_t microseconds);

}  // namespace Voke
