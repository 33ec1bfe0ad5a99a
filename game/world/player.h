// The runner.
//
// One plain object held by the game world: his position and speeds, the
// jump with its held rise and the second jump in the air (a somersault),
// slide, punch, stumble, landing roll and death as nine animation states,
// his motion against the level's buildings and obstacles, the level-exit
// sequence, the frames he is drawn from and the dust puffs behind his feet.
// Positions are level pixels, x to the right and y downward; his position is
// the top-left corner of a 100 x 100 px sprite cell, and he collides through
// a small box inside it. Times are seconds, speeds px/s.
//
// The jump and gravity tuning and the runner's own rules are read from
// "player_params.xml". The six jump constants are process-wide: they hold
// their defaults from program start, the file overwrites them during loading
// (on the loader thread, before play starts) and nothing resets them later.
// Everything else runs on the main thread.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"

namespace Voke {
class Surface;
}

class BuildingManager;
class GameBase;
class Hud;
class ObstacleManager;
class SoundBank;

// Jump and gravity tuning, px and seconds, y downward.
// Added to the vertical speed each second while falling, px/s^2.
extern float GRAVITY_POWER;
// A jump from the ground counts as held at most this long, s.
extern float JUMP_MAX_TIME_OF_GOING_UP;
// Rising speed per unit of jump power, px/s.
extern float JUMP_INIT_SPEED;
// Jump power gained per second while the jump is held.
extern float JUMP_ACCELERATION_OF_GOING_UP;
// Jump power lost per second while it is not held.
extern float JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN;
// After a rise ends, the second (air) jump is allowed this long, s.
extern float TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP;

// Stores the defaults of the six constants (one table in player.cpp, with
// their keys in the tuning file). They hold these from program start; this
// restores them.
void InitPlayerPhysicsDefaults();

// The runner's animation states (Player::m_State).
enum PlayerStateId : int32_t {
    kPlayerRun = 0,
    kPlayerJump = 1,
    kPlayerPunch = 2,
    kPlayerSomersault = 3,
    kPlayerLandingRoll = 4,
    kPlayerSlide = 5,
    kPlayerGetUp = 6,
    kPlayerDeath = 7,
    kPlayerStumble = 8,
    kPlayerStateCount = 9,
};

// The collision box inside the sprite cell, px from its top-left corner:
// (left, top) to (right, bottom), inclusive. Sliding lowers the top.
constexpr int32_t kPlayerBoxLeft = 43;
constexpr int32_t kPlayerBoxTop = 31;
constexpr int32_t kPlayerBoxSlideTop = 55;
constexpr int32_t kPlayerBoxRight = 49;
constexpr int32_t kPlayerBoxBottom = 73;

// Sound bank ids the runner plays.
constexpr int kSoundFootstep = 0;
constexpr int kSoundFootstepOdd = 1;
constexpr int kSoundJump = 2;
constexpr int kSoundSlide = 6;

// NOTE: at most 15 dust puffs live at once; further ones are dropped.
constexpr int32_t kDustParticles = 15;

// One dust puff, in screen pixels; free while life <= 0.
struct DustParticle {
    float life;
    float x;
    float y;
    float vx;
    float vy;
};

class Player {
public:
    // At rest, at the start speeds (360 px/s, at most 720), in the run state,
    // with no level, no images and nothing linked.
    Player();
    // Releases the dust image and every frame image.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Wiring, once: the game base (screen size, shake offsets, random
    // numbers, run statistics) and the sound bank. Either may be null: no
    // statistics and no random dust, or silence.
    void SetSessionStats(GameBase* game);
    void SetSoundBank(SoundBank* soundBank);
    // The current level's buildings, obstacles and score display, at every
    // level start. Null switches the matching behaviour off: without
    // buildings he meets nothing and falls without end.
    void SetCollisionMap(BuildingManager* buildings);
    void SetObstacleManager(ObstacleManager* obstacles);
    void SetScoreHud(Hud* hud);

    // Loads the frame images and the dust image through the asset
    // dictionary (a missing one stays empty and is not drawn), then reads
    // "player_params.xml". Loader thread.
    void Load();
    // Drops every image handle.
    void Release();

    // Reads a player tuning file: the six jump constants, the speed factors
    // after a stumble and BlockAnimations. False for a null name, a file that
    // does not open or one that is not XML (nothing changes); true once the
    // file was walked, whatever it held. A key that occurs twice keeps its
    // last value; a missing or unparsable value, or a factor without a level
    // 1 to 6, changes nothing. Player::Load reads "player_params.xml" with it.
    bool LoadParams(const char* fileName);

    // A level start or retry: clears the jump, death and exit state, puts him
    // at x 0 on level 0 and one screen to the left on later levels, at y 0,
    // running. The speeds stay unless the run started from the level menu
    // (then 360, at most 720). Dust puffs alive finish their life.
    void Reset(int32_t level);
    // Stands him on the first building's roof (nothing without buildings).
    void PlaceOnGround();

    // Speed limits; each keeps the speed within them.
    void SetSpeed(float speed);
    void SetMinSpeed(float speed);
    void SetMaxSpeed(float speed);
    float GetSpeed() const { return m_Speed; }
    void SetAcceleration(float acceleration) { m_Acceleration = acceleration; }
    float GetAcceleration() const { return m_Acceleration; }

    // Input. A jump press on the ground is started by the next Update; one in
    // the air is the somersault, once per airborne period, while rising or
    // shortly after the rise ended. The press counts as held until
    // ClearJumpHeld or the longest hold is over. Jump and punch are refused
    // while the standing box is blocked; everything while dying or after
    // landing on the exit building. See the state table in player.cpp.
    void Jump();
    void Slide();
    void Punch();
    void ClearJumpHeld() { m_JumpHeld = 0; }

    // One game step of dt seconds (at most 0.1): animation, jump, speed,
    // swept move against the buildings, landing, crash, obstacles, gravity,
    // footsteps and dust.
    void Update(float dt);

    // Screen position of the sprite cell, from the world's camera.
    void SetDrawOffset(int32_t x, int32_t y);
    // Draws the runner's frame and the dust, shaken with the screen; tells
    // the score display where he is.
    void Draw(Voke::Surface* target);
    // Only the dust puffs, as Draw draws them.
    void DrawDust(Voke::Surface* target);
    // Starts one dust puff at his feet in the first free slot; nothing when
    // all are alive.
    void EmitDust();

    bool IsDying() const { return m_Dying != 0; }
    // The death has lasted its 1.35 s: the world counts him caught.
    bool IsDeadAnimationDone() const { return m_DeathDone != 0; }
    // He has landed on the level's exit building.
    bool IsOnSpecialBuilding() const { return m_ExitLanded != 0; }
    bool IsInExitPhase() const { return m_ExitPhase != 0; }
    // The cell x of the landing on the exit building, -1 before it.
    int32_t GetSpecialLandingX() const { return m_ExitLanded ? static_cast<int32_t>(m_ExitLandX) : -1; }
    // Where the second exit phase began; either pointer may be null.
    void GetExitStart(float* x, float* y) const;
    // His position, or where he crashed while dying; either may be null.
    void GetPosition(float* x, float* y) const;
    // Key of the building under him, -1 in the air.
    int32_t GetGroundId() const { return m_GroundKey; }

    // Enters a state at its first frame; an id outside 0 to 8 has no frames.
    void SetState(int32_t state);
    // Adds points times the run's multiplier to the score and shows the gain.
    void AddScore(int32_t points);
    // The standing box collides at the current cell (false without buildings).
    bool IsBlockedAbove() const;

    // Fields in declaration order (pointers are not owned).
    float m_PosX;
    float m_PosY;
    int32_t m_CellX;
    int32_t m_CellY;
    float m_Speed;
    float m_VerticalSpeed;  // downward positive
    GameBase* m_Game;
    int32_t m_Level;
    BuildingManager* m_Buildings;
    ObstacleManager* m_Obstacles;
    Hud* m_Hud;
    SoundBank* m_SoundBank;
    float m_MinSpeed;
    float m_MaxSpeed;
    float m_Acceleration;
    uint8_t m_JumpRequested;
    uint8_t m_Rising;
    uint8_t m_AirJumpUsed;
    float m_JumpPower;
    float m_TimeSinceJumpPress;
    float m_TimeSinceRiseEnd;
    uint8_t m_JumpHeld;
    uint8_t m_OnGround;
    int32_t m_GroundKey;
    // 0 right after a punch, growing 4.6 per second to at most 2; a hit while
    // it is 1 or less breaks the obstacle.
    float m_PunchTime;
    // The horizontal speed is multiplied by the entry of the current level
    // when the runner stumbles over an obstacle ("MODIFY_SPEED_AFTER_
    // COLLISION_WITH_OBSTACLE", one per level 0 to 5).
    float m_ObstacleSpeedFactor[6];
    // The frames of each state.
    Voke::SmartPtr<Voke::Surface> m_RunFrames[17];
    Voke::SmartPtr<Voke::Surface> m_JumpFrames[46];
    Voke::SmartPtr<Voke::Surface> m_PunchFrames[5];
    Voke::SmartPtr<Voke::Surface> m_SomersaultFrames[26];
    Voke::SmartPtr<Voke::Surface> m_LandingRollFrames[13];
    Voke::SmartPtr<Voke::Surface> m_SlideFrames[8];
    Voke::SmartPtr<Voke::Surface> m_GetUpFrames[6];
    Voke::SmartPtr<Voke::Surface> m_DeathFrames[8];
    Voke::SmartPtr<Voke::Surface> m_StumbleFrames[24];
    int32_t m_State;
    int32_t m_FrameCount;
    float m_Phase;
    int32_t m_Frame;
    int32_t m_DrawX;
    int32_t m_DrawY;
    uint8_t m_Dying;
    float m_DeathTimer;
    uint8_t m_DeathDone;
    float m_CrashX;
    float m_CrashY;
    uint8_t m_ExitLanded;
    float m_ExitLandTimer;
    uint8_t m_ExitPhase;
    float m_ExitLandX;
    float m_ExitStartX;
    float m_ExitStartY;
    // When set the slide starts only from the run state and the punch only
    // from the run or landing-roll state ("BlockAnimations").
    bool m_BlockAnimations;
    int32_t m_FootstepIndex;
    Voke::SmartPtr<Voke::Surface> m_DustImage;
    DustParticle m_Dust[kDustParticles];
    // The dust emission runs while this is above 0.
    float m_DustEmitTime;
    float m_DustCountdown;
    int32_t m_BreakStreak;

private:
    // The frame slots of a state and their number; null for an unknown state.
    Voke::SmartPtr<Voke::Surface>* Frames(int32_t state, int32_t* count);
    // The box of the current state placed at cell (cx, cy) meets a building.
    bool Collides(int32_t cx, int32_t cy, int32_t top) const;
    // The steps of Update, in its order.
    void DeathAndExitStep(float dt);
    void AnimationStep(float dt);
    void JumpStep(float dt);
    void RiseStep(float dt);
    void SpeedStep(float dt);
    void Move(float dt, int32_t top);
    void GroundStep(int32_t top);
    void Land(int32_t key);
    bool Crash(int32_t top);
    void HitObstacles(float dt, int32_t top);
    void Footsteps();
    void DustStep(float dt);
    void PlaySound(int id);
    int32_t Random();
};

// NOTE: the reach is worked out in steps of 1/60 s, the game's step at 60
// frames per second, unless a step is given.
constexpr float kJumpReachStep = 1.0f / 60.0f;

// Flight time of the runner's longest jump: a jump held for its full time,
// plus, when `somersault` is set, the second jump pressed at the step that
// keeps him up longest. The result is the last moment after take-off at
// which his feet are still `height` px or more above the take-off roof
// (negative: below it), under the current jump constants, played by the
// runner's own Update in steps of `step` seconds with nothing under him
// after take-off. Negative when the jump never gets that high.
float ComputeJumpAirTime(float height, bool somersault, float step = kJumpReachStep);

// The widest gap the runner can cross at `speed` px/s with his longest jump
// (full hold and best-timed somersault): the largest distance, in px,
// between the near roof's collision right edge and the far roof's collision
// left edge (Building::collisionRight and collisionLeft) for which he lands
// on the far roof, when the far roof's collision top lies `drop` px below
// the near one's (negative: above). It allows for the hit box's width, for
// the feet clearing the far roof's corner by 2 px, and for the press coming
// up to one step's travel before the edge. Negative when the far roof is
// out of reach at any distance. A level's gaps are fair when each is within
// the reach at the level's minimum speed (LevelParams::PlayerMinHorizontalSpeed).
float ComputeJumpReach(float speed, float drop, float step = kJumpReachStep);
