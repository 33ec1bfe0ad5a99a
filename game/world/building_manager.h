// The row of buildings of one level: generated ahead of the runner from the
// level's arrangement parameters and its piece and style tables, recycled as
// it scrolls by, closed by the level's exit and final buildings, and asked
// for collisions, roof spots and building flags.
//
// The game world holds one manager per level. Loading reads the six
// arrangement files ("build_arrange_lev1.xml" to "build_arrange_lev6.xml"),
// loads the level's piece images and generates 25 buildings; during play
// each building that scrolls off the left edge is replaced by a new one at
// the far end, and once the playing time is over the building about a screen
// ahead becomes the exit building, followed by the final building, the last
// of the level. Coordinates are world pixels of the 480 x 320 logical
// screen, y downward. Random numbers come from the owner's GameBase::Random,
// so one seed gives one row.
//
// Each frame the row is drawn with its props: on level index 2 (the sewers)
// water flowing over some middle pieces and two rats walking on the roofs, on
// level index 3 (the construction site) fans turning on some middle pieces
// and beams hanging from the roof line.
//
// Limits: at most 20 middle pieces per building, 36 piece image slots. A
// piece whose image did not load counts as 0 x 0 pixels and draws nothing. The loader thread
// uses a manager during loading and the main thread afterwards; there is no
// lock.
#pragma once

#include <cstdint>
#include <map>

#include "engine/core/ref_counter.h"
#include "game/world/building_tables.h"

namespace Voke {
class Surface;
}

class GameBase;
class ObstacleManager;

// How a level's buildings are put together; read from
// "build_arrange_lev%d.xml", whose element names are the field names.
struct BuildArrangeParams {
    int32_t m_FreeSpaceBetweenConstant = 50;
    // The gap's random part is a draw of 0 to this value inclusive.
    int32_t m_FreeSpaceBetweenRandomRange = 70;
    // Extra gap per building: generation index times this, truncated.
    float m_MoreSpaceIfCloserTillTheEnd = 4.0f;
    int32_t m_ConstantY = 224;
    int32_t m_HeightRandomRange = 64;
    int32_t m_MinMiddleAssets = 1;
    int32_t m_MaxMiddleAssets = 20;
    bool m_AllowSecondCollision = false;
    int32_t m_HowOftenSecondCollision = 1;
    int32_t m_SecondCollisionDistanceFromGround = 30;
    bool m_AlwaysFirstBuildingBetween = false;
    int32_t m_MinBuildingWidth = 350;
    int32_t m_LastBuildingTranslationX = 0;
    int32_t m_LastBuildingTranslationY = 0;
    int32_t m_BuildingsCollisionMarginLeft = 0;
    int32_t m_BuildingsCollisionMarginRight = 0;
};

// NOTE: a building has at most 20 middle pieces.
constexpr int32_t kMaxMiddlePieces = 20;

// One generated building. Piece indices are rows of the level's piece table,
// -1 for none; boxes are inclusive.
struct Building {
    bool active = false;
    int32_t style = 0;
    // The level's exit building: no obstacles on it, landing on it starts
    // the runner's exit.
    bool reached = false;
    // The level's final building, after the exit building.
    bool final = false;
    int32_t leftPiece = -1;
    // In drawing order; the first -1 ends the list.
    int32_t middlePieces[kMaxMiddlePieces] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                              -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int32_t rightPiece = -1;
    int32_t x = 0;       // left edge of the drawn building
    int32_t roofY = 0;   // top edge of the drawn pieces
    int32_t rightX = 0;  // x + the summed widths of the pieces
    int32_t bottomY = 0;
    int32_t collisionLeft = 0;
    int32_t collisionTop = 0;
    int32_t collisionRight = 0;
    int32_t collisionBottom = 0;
    bool hasSecondCollision = false;
    int32_t secondPiece = -1;
    // Drawn extent of the second-collision piece; secondBottom is its lower edge.
    int32_t secondLeft = 0;
    int32_t secondTop = 0;
    int32_t secondRight = 0;
    int32_t secondBottom = 0;
    // The second-collision box ends this far above secondBottom.
    int32_t secondInset = 0;
};

// One of the two rats walking to and fro on the sewer roofs.
struct RatWalker {
    float cycle = 0.0f;  // walk-and-pause cycle, 0 to 1
    int32_t state = 0;   // 0 walking, 1 pausing
    float walkPhase = 0.0f;
    float pausePhase = 0.0f;
    int32_t x = 0;  // last drawn x
};

class BuildingManager {
public:
    // NOTE: the props' frame counts: water 8, rat images 8, fan 3.
    static constexpr int kWaterFrames = 8;
    static constexpr int kRatImages = 8;
    static constexpr int kFanFrames = 3;

    // Empty row; every arrangement block holds the table defaults, with no
    // extra gap per building on levels 2 to 5.
    BuildingManager();
    ~BuildingManager();
    BuildingManager(const BuildingManager&) = delete;
    BuildingManager& operator=(const BuildingManager&) = delete;

    // The game base: screen size, shake offsets and the random source. Not owned.
    void SetOwner(GameBase* owner);
    // The level's obstacles, which place obstacles on each appended
    // building; ObstacleManager::SetBuildingManager links it. Not owned.
    void SetObstacleManager(ObstacleManager* obstacles) { m_Obstacles = obstacles; }

    // Reads "build_arrange_lev%d.xml" (level + 1) into `params`. False, the
    // block unchanged, for a level outside 0 to 5, a null block, a missing
    // file or one that is not XML; true once the file was walked, whatever
    // it held (keys it lacks, or whose integer or boolean value does not
    // parse, keep their values).
    static bool LoadArrangeParams(int32_t level, BuildArrangeParams* params);
    // Reads the six files into the six blocks; results are ignored.
    void LoadAllArrangeParams();

    // Installs level L's piece table, loads its piece images by name (a
    // missing image leaves its slot empty), the level's props (water and
    // rats on level 2, fans on level 3) and generates the level's row.
    void Load(int32_t level);
    // Load one prop group and start its phases; missing frames stay empty.
    void LoadWater();
    void LoadRats();
    void LoadFans();
    // Drops the piece images and the level's prop images; the row, the
    // tables and the phases stay.
    void Release();
    // Drops `count` images of one prop group.
    static void ReleaseFrames(Voke::SmartPtr<Voke::Surface>* frames, int count);
    // The world's hook after Release; nothing to do.
    void OnRelease() {}

    // Draws the row with its props into the target (the logical screen),
    // moved by the scroll, the draw offset and the shake. Buildings off the
    // screen are skipped; missing images draw nothing and count as 0 x 0.
    void Render(Voke::Surface* target);
    // The two rats over the span x to x + width, standing on the line y.
    void DrawSwaying(Voke::Surface* target, int32_t x, int32_t y, int32_t width);
    // The water (fan) frame of middle slot k over a piece drawn at (x, y);
    // neighbouring slots show the next frames.
    void DrawAnim8(Voke::Surface* target, int32_t x, int32_t y, int32_t k);
    void DrawAnim3(Voke::Surface* target, int32_t x, int32_t y, int32_t k);
    // Advances the water phase.
    void AdvanceAnimation(float dt);

    // Camera position and the screen anchor of the level's drawing.
    void SetScroll(float x, float y);
    void SetDrawOffset(int32_t x, int32_t y);
    // The runner's building is known from now on; collision searches start
    // one building before the current key.
    void SetTracking(bool tracking);
    // Key of the building under the runner.
    void SetCurrentKey(int32_t key);
    void ResetCurrent();

    // Rebuilds the row: 25 buildings from key 0. Only for the manager's own
    // level; any other level leaves the row empty.
    void StartLevel(int32_t level);
    // Installs the generator and generates the first 25 buildings; does
    // nothing (the row stays empty) with a null table or image array or
    // fewer than two styles.
    void SetupGenerator(int32_t pieceCount, const BuildingPiece* pieces, const Voke::SmartPtr<Voke::Surface>* images,
                        int32_t styleCount, const BuildingStyle* styles, int32_t pickRange,
                        const BuildArrangeParams& params);
    // Appends one building after the last one.
    void GenerateNextBuilding();
    // Advances the level's props, then replaces the buildings that lie
    // wholly left of the screen with new ones at the far end.
    void Update(const float& dt);
    // Makes the building about one screen ahead of `key` the exit building
    // (widened to more than two screens) and the one after it the final
    // building; nothing for a key without an active building.
    void MarkReached(int32_t key);

    // The summed width of the building's pieces.
    int32_t MeasureBuilding(const Building& building) const;

    // Exact lookups; false, false and 0 for a missing or inactive building.
    bool IsReached(int32_t key) const;
    bool GetBuildingFlag(int32_t key) const;
    int32_t GetBuildingLeft(int32_t key) const;
    // Collision top of building 0; 0 when the row is empty.
    int32_t GetFirstTop() const;
    // The vertical shift that puts the bottom (y2) of the span x1..x2 on the
    // roof of a building that can carry it, away from its ends and its
    // second-collision piece, never building 0; -1 when there is none. The
    // building's key goes to `key` when given. y1 is not used.
    int32_t FindRoofSpot(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool strict, int32_t* key) const;
    // True when the box meets a roof or a second-collision piece. `depth`
    // gets how far the box bottom reaches into the roof (0 for a
    // second-collision piece), `key` the building's key; both may be null.
    bool TestCollision(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t* depth, int32_t* key) const;

    // Right edge of the last building (the one with the largest key); 0 when
    // the row is empty. Obstacle placement fills the row up to here.
    int32_t GetLastBuildingRight() const;
    // The row, in key order (left to right).
    const std::map<int32_t, Building>& GetBuildings() const { return m_Buildings; }
    int32_t GetLevel() const { return m_Level; }
    float GetWaterPhase() const { return m_WaterPhase; }
    float GetFanPhase() const { return m_FanPhase; }
    const RatWalker& GetRat(int i) const { return i == 0 ? m_Rat1 : m_Rat2; }
    const BuildArrangeParams& GetArrangeParams(int32_t level) const;

private:
    int32_t Random();
    // GameBase::Random mod (n + 1): 0 to n; 0 for n <= 0. A number is drawn
    // in every case, so the sequence does not depend on the data.
    int32_t Draw(int32_t n);
    // The steps of GenerateNextBuilding for key i, in its order (and so in
    // the order of their random draws).
    int32_t PickStyle(int32_t i);
    void PickMiddlePieces(Building& b, const BuildingStyle& s, int32_t i);
    void PlaceBuilding(Building& b, const BuildingStyle& s, int32_t i, int32_t total);
    void PlaceSecondCollision(Building& b, const BuildingStyle& s, int32_t i, int32_t total);
    // The piece of `part` of `style`: with k matching rows in table order,
    // the ((max(draw, 1) - 1) mod k)-th; -1 when the style has none.
    int32_t PickPiece(int32_t style, int32_t part);
    const Voke::Surface* PieceImage(int32_t piece) const;
    int32_t PieceWidth(int32_t piece) const;
    int32_t PieceHeight(int32_t piece) const;
    // Drawing: the image of a piece row (null when missing or out of the
    // table), its flags, and where a piece's top lies on level 3's beams.
    Voke::Surface* DrawnImage(int32_t piece) const;
    uint32_t PieceFlags(int32_t piece) const;
    int64_t PieceTop(int64_t roof, int32_t piece, uint32_t beamFlag) const;
    void DrawPieces(Voke::Surface* target, const Building& b, int64_t sx, int64_t sy);
    void DrawSecondPiece(Voke::Surface* target, const Building& b, int64_t originX, int64_t originY);
    int32_t ScreenWidth() const;
    int32_t ScreenHeight() const;
    // Style of the building before key i, 0 when there is none.
    int32_t PreviousStyle(int32_t key) const;

    bool m_Tracking;
    int32_t m_CurrentKey;
    GameBase* m_Owner;
    int32_t m_Level;
    std::map<int32_t, Building> m_Buildings;
    float m_ScrollX;
    float m_ScrollY;
    int32_t m_DrawOffsetX;
    int32_t m_DrawOffsetY;
    int32_t m_ImageCount;
    const BuildingPiece* m_PieceTable;
    Voke::SmartPtr<Voke::Surface> m_PieceImages[kMaxBuildingPieces];
    // The level props: water over some middle pieces and two walking rats
    // on level 2, fans on level 3.
    Voke::SmartPtr<Voke::Surface> m_WaterFrames[kWaterFrames];
    float m_WaterPhase;
    Voke::SmartPtr<Voke::Surface> m_RatImages[kRatImages];
    RatWalker m_Rat1;
    RatWalker m_Rat2;
    Voke::SmartPtr<Voke::Surface> m_FanFrames[kFanFrames];
    float m_FanPhase;
    BuildArrangeParams m_Arrangement[kLevelCount];
    int32_t m_GenPieceCount;
    const BuildingPiece* m_GenPieces;
    const Voke::SmartPtr<Voke::Surface>* m_GenImages;
    int32_t m_OrdinaryStyleCount;
    const BuildingStyle* m_Styles;
    int32_t m_PickRange;
    BuildArrangeParams m_GenParams;
    int32_t m_NextKey;
    int32_t m_NextX;
    int32_t m_SecondCountdown;
    ObstacleManager* m_Obstacles;
};
