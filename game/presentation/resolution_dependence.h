// Per-level, per-plane pixel offsets that fit the scenery to the screen.
//
// For each of the six levels and five depth planes an offset (movex, movey):
// defaults computed from the screen height (all zero on the game's 480 x 320
// screen), then the corrections of "resolution_dependence.xml" added on top.
// The level background adds plane p's offset to its layer p; the level
// decorations add them to their props. The game loads one table on the main
// thread before the loading steps start; afterwards it is only read.
//
// Data file: a root of any name whose direct "Translation" children (name
// compared without regard to case) carry the integers "level" (1 to 6),
// "plane" (0 to 4), "movex" and "movey"; each adds its move to that entry.
#pragma once

#include <cstdint>

class ResolutionDependence {
public:
    // NOTE: six levels and five depth planes, as the level backgrounds have.
    static constexpr unsigned kLevels = 6;
    static constexpr unsigned kPlanes = 5;

    ResolutionDependence();
    ~ResolutionDependence() = default;

    // Stores the screen size, writes the defaults for its height and adds
    // "resolution_dependence.xml" when it exists and parses; a missing or
    // damaged file leaves the defaults.
    void Load(int screenWidth, int screenHeight);
    // Adds the entries of another file in the same format, without defaults.
    // False for a null name, a missing file or XML that does not parse.
    bool LoadCopy(const char* fileName);
    // Nothing to release; kept for the owner's unload sequence.
    void Release() {}

    // Level (0 to 5) and plane (0 to 4) are zero-based. Get writes the
    // offset, Apply adds it, each through the pointers that are not null.
    // False, writing nothing, when either index is out of range.
    bool Get(unsigned level, unsigned plane, int* x, int* y) const;
    bool Apply(unsigned level, unsigned plane, int* x, int* y) const;

private:
    struct Offset {
        int32_t movex;
        int32_t movey;
    };

    // Adds the entries of the file; false when it does not open or parse.
    bool ApplyFile(const char* fileName);

    int32_t m_ScreenWidth;
    int32_t m_ScreenHeight;
    Offset m_Offsets[kLevels][kPlanes];
};
