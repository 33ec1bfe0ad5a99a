// One line of debug text (the frame rate, the running level's figures).
//
// The engine's debug overlay has a small font of its own, but the overlay
// exists only when something creates it, which the game never does. Without
// it the line is laid out in the game's "fontbig" instead, so that switching
// the debug output on never depends on an object that is not there.
#pragma once

#include <cstdint>

namespace Voke {
class Surface;
}

class GameBase;

// Draws `text` with its top-left corner at (x, y) of the target: with the
// debug overlay's font when an overlay exists, else in white "fontbig" from
// the game's font set. Nothing for a null target or text, or when neither
// font can be had. The fallback lays the text out anew on every call (debug
// output only).
void DrawDebugText(const GameBase* game, Voke::Surface* target, int32_t x, int32_t y, const char* text);
