// Touch points as the game hands them to its pages, dialogs and the running
// level: positions on the logical 480 x 320 screen, x to the right, y down.
// The application keeps a single point (the last finger's), but every
// handler takes a list.
#pragma once

#include <cstdint>
#include <vector>

struct TouchPoint {
    int32_t x;
    int32_t y;
};

using TouchList = std::vector<TouchPoint>;
