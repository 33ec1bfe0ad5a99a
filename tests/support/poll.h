// Waiting for a state in tests: the condition is polled until it holds, and
// the time limit only guards against a hang (it is never what a test
// measures).
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace VokeTest {

// Polls `done` every `every` until it holds; whether it did within
// `seconds`.
inline bool PollUntil(const std::function<bool()>& done, double seconds,
                      std::chrono::milliseconds every = std::chrono::milliseconds(20))
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(every);
    }
    return true;
}

}  // namespace VokeTest
