// The obstacles of one level: barrels, crates and carts on the roofs.
//
// A kind is only the name of its image; its two half images when broken and
// the colour of its splinters follow from the name through fixed tables, and
// each level has a short fixed list of kinds. "obstacles.xml" sets the
// spacing per level; each of the game world's six managers reads the whole
// spacing table and uses its own level's entry.
//
// The manager places obstacles along the level's building row as it grows
// (at the tuned spacing, each wholly on one roof, away from the roof ends,
// never on the first building or the exit's run-up building), answers the
// runner's collision question, records a trip or a break, runs the flying
// splinters of broken obstacles, forgets obstacles that have scrolled off
// the left edge, and draws obstacles and splinters. Positions are world
// pixels of the 480 x 320 logical screen, y downward. Random numbers come
// from the owner's GameBase::Random, so one seed gives one placement.
//
// Limits: 60 splinters at once; an obstacle's name is kept to 32 bytes.
// Loader thread during loading, main thread afterwards; no lock.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/core/ref_counter.h"

namespace Voke {
class Surface;
}

class BuildingManager;
class GameBase;
class SoundBank;

// The sound bank's id of the break sound.
constexpr int kSoundImpact = 17;

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

// One splinter of a broken obstacle, world pixels and seconds.
struct ObstacleFragment {
    bool m_Active = false;
    // The life given at emission; the fade runs over it.
    float m_LifeSpan = 1.0f;
    float m_StartX = 0.0f;
    float m_StartY = 0.0f;
    // Velocity scales, px/s.
    float m_MaxSpeedX = 1000.0f;
    float m_MaxSpeedY = 1000.0f;
    uint8_t m_Colour[4] = {255, 255, 255, 255};
    // Edge of the square, px.
    int32_t m_Size = 2;
    float m_Life = 0.0f;
    float m_X = 0.0f;
    float m_Y = 0.0f;
    float m_SpeedX = 0.0f;
    float m_SpeedY = 0.0f;
};

// NOTE: 60 splinters fly at once; a break while the pool is full shows fewer.
constexpr int32_t kObstacleFragments = 60;
// NOTE: six splinter colours: the five kinds that have their own, and white.
constexpr int32_t kFragmentTiles = 6;

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
    // Level 0, no obstacles, no kinds, the default spacing on every level,
    // placement off, nothing linked.
    ObstacleManager();
    ~ObstacleManager();
    ObstacleManager(const ObstacleManager&) = delete;
    ObstacleManager& operator=(const ObstacleManager&) = delete;

    // The game base: random numbers, screen size and shake offsets. Without
    // one no random number is drawn (every draw is 0).
    void SetOwner(GameBase* owner) { m_Game = owner; }
    // Where the break sound plays; null for silence.
    void SetSoundBank(SoundBank* soundBank) { m_SoundBank = soundBank; }

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
    // Sets the manager up for a level: erases every obstacle, clears the
    // scroll and draw offset, installs the level's kinds, resets the
    // splinters and loads the splinter colour tiles. The spacing, the
    // placement switch, the next id and the cursor stay.
    void SetupForLevel(int32_t level);
    // Links the level's buildings, both ways (the buildings call Generate
    // after each building they append). Not owned.
    void SetBuildingManager(BuildingManager* buildings);

    // Places obstacles up to the right edge of the last building. With
    // `reset` it first erases every obstacle and starts again from x 0 with
    // placement on. Nothing without buildings, with placement off or while
    // the level has no kinds.
    void Generate(bool reset);
    // The camera: screen anchor of the level's drawing and scroll position.
    void SetDrawOffset(int32_t x, int32_t y);
    void SetScroll(float x, float y);

    // The first active obstacle, neither hit nor broken, whose collision box
    // meets the rectangle (inclusive edges); its id goes to `id` when given.
    bool FindHit(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t* id) const;
    // The runner tripped over obstacle `id`: it tumbles away for a second.
    // An unknown id changes nothing.
    void MarkHit(int32_t id);
    // A punch broke obstacle `id`: its halves fly for a second and 60
    // splinters of its colour burst from its centre. An unknown id changes
    // nothing.
    void Break(int32_t id);
    // Advances hit and broken obstacles (the break sound plays on the first
    // update after a break), the splinters, and erases obstacles that lie
    // wholly left of the screen.
    void Update(float dt);
    // The level's exit is placed: erases active obstacles from x on and
    // stops placement until the next reset.
    void ClearAhead(int32_t x);

    // Draws the obstacles (intact, tumbling or broken in halves), shaken
    // with the screen.
    void Render(Voke::Surface* target);
    // Draws the splinters at the camera's offset.
    void RenderFragments(Voke::Surface* target);
    void RenderFragmentsAt(Voke::Surface* target, int32_t offX, int32_t offY);

    // Erases every obstacle and drops the colour tiles.
    void Release();
    // The world's hook after Release; nothing to do.
    void OnRelease() {}

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

    // All 60 splinter slots to their reset values.
    void ResetFragments();
    // Puts the obstacle's boxes on the roof under them; false (boxes
    // unchanged) when there is no roof that can carry it there, or the roof
    // is the exit's run-up building.
    bool PlaceOnRoof(Obstacle& obstacle);
    // Starts a splinter from the template's first seven fields in the first
    // free slot, with a random forward and vertical speed; dropped, without
    // drawing a random number, when all 60 fly.
    void EmitFragment(const ObstacleFragment& fragment);
    // Moves the splinters in straight lines and frees those whose life ran out.
    void UpdateFragments(float dt);

    // Fields in the order of the record.
    GameBase* m_Game;
    int32_t m_Level;
    // In increasing id, which is increasing x.
    std::map<int32_t, Obstacle> m_ObstacleMap;
    // The level's kinds. Placement picks one by a random number modulo the
    // list's length, so it must place nothing while the list is empty.
    std::vector<std::string> m_Images;
    float m_ScrollX;
    float m_ScrollY;
    int32_t m_DrawX;
    int32_t m_DrawY;
    BuildingManager* m_Buildings;
    SoundBank* m_SoundBank;
    ObstacleFragment m_Fragments[kObstacleFragments];
    ObstacleSpacing m_Spacing[6];
    // Placement is on (a reset turns it on, ClearAhead off).
    bool m_Generating;
    // Id of the next obstacle placed.
    int32_t m_NextId;
    // World x at which the next candidate starts.
    int32_t m_Cursor;
    // The splinter colour tiles, held so that they are decoded once rather
    // than whenever no splinter happens to hold them. Entry i is the tile of
    // the i-th colour (white last); empty while not loaded.
    Voke::SmartPtr<Voke::Surface> m_FragmentTiles[kFragmentTiles];

private:
    int32_t Random();
    // The held tile of a splinter colour, loaded now if it is missing; null
    // when it cannot be had.
    Voke::Surface* FragmentTile(const uint8_t* rgb);
};
