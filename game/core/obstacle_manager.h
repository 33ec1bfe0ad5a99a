// The obstacles of one level: barrels, crates and carts on the roofs.
//
// Here: what an obstacle kind is and how far apart obstacles stand. A kind
// is only the name of its image; its two half images when broken and the
// colour of its splinters follow from the name through fixed tables, and
// each level has a short fixed list of kinds. "obstacles.xml" sets the
// spacing per level. Each of the game world's six managers reads the whole
// spacing table and uses its own level's entry. Loader thread during
// loading, main thread afterwards; no lock.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/core/ref_counter.h"

namespace Voke {
class Surface;
}

// NOTE: an obstacle's image name is kept to 32 bytes.
constexpr int32_t kObstacleNameLength = 32;

// One obstacle on a roof.
struct Obstacle {
    // Drawn, tested and updated; cleared 1.0 s after a hit or a break.
    bool m_Active = false;
    char m_Name[kObstacleNameLength + 1] = {};
    Voke::SmartPtr<Voke::Surface> m_Image;
    // The kind has an upper and a lower half image.
    bool m_HasFragments = false;
    Voke::SmartPtr<Voke::Surface> m_UpperHalf;
    Voke::SmartPtr<Voke::Surface> m_LowerHalf;
    bool m_Hit = false;
    float m_HitTime = 0.0f;
    bool m_Broken = false;
    float m_BreakTime = 0.0f;
    // World pixels: x1, y1 (top-left pixel), x2 = x1 + width, y2 = y1 + height.
    int32_t m_Box[4] = {};
    int32_t m_HitBox[4] = {};
    bool m_SoundDone = false;
};

// Spacing of one level's obstacles, px.
struct ObstacleSpacing {
    // Fixed gap after an obstacle before the next may start.
    int32_t MinimumDistanceBetweenTwoObstacles = 400;
    // Exclusive bound of the random extra gap (GameBase::Random mod this);
    // kept at 1 or more.
    int32_t AdditionalRandomDistanceBetweenTwoObstacles = 100;
};

class ObstacleManager {
public:
    // Level 0, no obstacles, no kinds, the default spacing on every level.
    ObstacleManager();
    ~ObstacleManager();
    ObstacleManager(const ObstacleManager&) = delete;
    ObstacleManager& operator=(const ObstacleManager&) = delete;

    // Reads "obstacles.xml" into the spacing table; a missing or damaged
    // file leaves it as it was.
    void ReadParams();
    // The same from a given file. False for a null name, a file that does
    // not open or one that is not XML (nothing changes), true otherwise.
    // Elements are matched by name without regard to case at any depth; one
    // whose "level" is missing or outside 1 to 6, or whose "value" is
    // missing or does not parse, changes nothing. An additional distance
    // below 1 is kept at 1.
    bool ReadParamsFrom(const char* fileName);
    // Replaces the kind list with the kinds of a level 0 to 5; any other
    // level leaves the list as it was.
    void FillImageList(int32_t level);
    // On an active obstacle that is neither hit nor broken, whose image is
    // one of the kinds with half images: sets m_HasFragments and loads the
    // two halves ("<name>_frag01.png" upper, "<name>_frag02.png" lower),
    // kept loaded by the asset dictionary. A half that cannot be loaded
    // stays empty.
    void AssignFragments(Obstacle& obstacle);
    // Writes the splinter colour of obstacle `id` to rgb[0..2]; leaves them
    // as they were (the caller presets white) for an unknown id, a null
    // output or a kind without a colour of its own.
    void GetFragmentColour(int32_t id, uint8_t* rgb) const;

    // Fields in the order of the record; the level's other members sit
    // between them.
    int32_t m_Level;
    // In increasing id, which is increasing x.
    std::map<int32_t, Obstacle> m_ObstacleMap;
    // The level's kinds. Placement picks one by a random number modulo the
    // list's length, so it must place nothing while the list is empty.
    std::vector<std::string> m_Images;
    ObstacleSpacing m_Spacing[6];
};
