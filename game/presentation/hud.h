// The head-up display: score, lives, clock, time bar and the popups over
// the runner.
//
// Only the two calls the runner makes are here for now, as inline functions
// that do nothing; the head-up display fills the class in.
#pragma once

#include <cstdint>

class Hud {
public:
    // Shows the points just gained as a popup over the runner.
    void ShowScoreGain(int32_t points) { (void)points; }
    // The screen position of the runner's sprite cell, where the popup goes.
    void SetPlayerPosition(int32_t x, int32_t y)
    {
        (void)x;
        (void)y;
    }
};
