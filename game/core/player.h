// The runner.
//
// Here: the jump and gravity tuning and the runner's own rules read from
// "player_params.xml", and the reach of his longest jump that the level data
// must respect. The six jump constants are process-wide: they hold their
// defaults from program start, the file overwrites them during loading (on
// the loader thread, before play starts) and nothing resets them later.
#pragma once

#include <cstdint>

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

// Stores the defaults of the six constants: 1000, 0.25, 300, 1.62, 7, 0.435.
// They hold these from program start; this restores them.
void InitPlayerPhysicsDefaults();

class Player {
public:
    Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Reads a player tuning file: the six jump constants, the speed factors
    // after a stumble and BlockAnimations. False for a null name, a file that
    // does not open or one that is not XML (nothing changes); true once the
    // file was walked, whatever it held. A key that occurs twice keeps its
    // last value; a missing or unparsable value, or a factor without a level
    // 1 to 6, changes nothing. Player::Load reads "player_params.xml" with it.
    bool LoadParams(const char* fileName);

    // The horizontal speed is multiplied by the entry of the current level
    // when the runner stumbles over an obstacle ("MODIFY_SPEED_AFTER_
    // COLLISION_WITH_OBSTACLE", one per level 0 to 5).
    float m_ObstacleSpeedFactor[6];
    // When set the slide starts only from the run state and the punch only
    // from the run or landing-roll state ("BlockAnimations").
    bool m_BlockAnimations;
};

// NOTE: the reach is worked out in steps of 1/60 s, the game's step at 60
// frames per second, unless a step is given.
constexpr float kJumpReachStep = 1.0f / 60.0f;

// Flight time of the runner's longest jump: a jump held for its full time,
// plus, when `somersault` is set, the second jump pressed at the step that
// keeps him up longest. The result is the last moment after take-off at
// which his feet are still `height` px or more above the take-off roof
// (negative: below it), under the current jump constants, simulated in
// steps of `step` seconds as the motion step plays them. Negative when the
// jump never gets that high.
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
