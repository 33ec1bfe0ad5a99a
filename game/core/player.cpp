#include "game/core/player.h"

#include "engine/core/xml.h"
#include "game/core/game_base.h"

float GRAVITY_POWER = 1000.0f;
float JUMP_MAX_TIME_OF_GOING_UP = 0.25f;
float JUMP_INIT_SPEED = 300.0f;
float JUMP_ACCELERATION_OF_GOING_UP = 1.62f;
float JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN = 7.0f;
float TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP = 0.435f;

void InitPlayerPhysicsDefaults()
{
    GRAVITY_POWER = 1000.0f;
    JUMP_MAX_TIME_OF_GOING_UP = 0.25f;
    JUMP_INIT_SPEED = 300.0f;
    JUMP_ACCELERATION_OF_GOING_UP = 1.62f;
    JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN = 7.0f;
    TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP = 0.435f;
}

Player::Player() : m_BlockAnimations(false)
{
    for (float& factor : m_ObstacleSpeedFactor) factor = 0.92f;
}

bool Player::LoadParams(const char* fileName)
{
    if (!fileName) return false;
    Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Load(fileName));
    if (!document) return false;

    static float* const kConstants[] = {
        &GRAVITY_POWER,
        &JUMP_MAX_TIME_OF_GOING_UP,
        &JUMP_INIT_SPEED,
        &JUMP_ACCELERATION_OF_GOING_UP,
        &JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN,
        &TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP,
    };
    static const char* const kConstantKeys[] = {
        "GRAVITY_POWER",
        "JUMP_MAX_TIME_OF_GOING_UP",
        "JUMP_INIT_SPEED",
        "JUMP_ACCELERATION_OF_GOING_UP",
        "JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN",
        "TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP",
    };

    for (Voke::XmlIt element(document.Get(), nullptr); element; element.Next()) {
        const char* name = element.GetName();
        bool matched = false;
        for (size_t i = 0; i < sizeof kConstants / sizeof kConstants[0] && !matched; ++i) {
            if (StrICmp(name, kConstantKeys[i]) == 0) {
                element.GetAttribute("value", *kConstants[i]);
                matched = true;
            }
        }
        if (matched) continue;
        if (StrICmp(name, "MODIFY_SPEED_AFTER_COLLISION_WITH_OBSTACLE") == 0) {
            int level = 0;
            element.GetAttribute("level", level);
            if (level >= 1 && level <= 6) element.GetAttribute("value", m_ObstacleSpeedFactor[level - 1]);
        } else if (StrICmp(name, "BlockAnimations") == 0) {
            element.GetAttribute("value", m_BlockAnimations);
        }
    }
    return true;
}

namespace {

// NOTE: a simulated jump stops after 20 s of flight or 20000 steps, far
// beyond any jump the constants can make while gravity is positive.
constexpr float kMaxFlightTime = 20.0f;
constexpr int kMaxFlightSteps = 20000;

// The vertical part of the runner's motion step for one jump taken at the
// edge of a roof: the jump is pressed on the ground and held throughout;
// when `somersaultStep` is 1 or more the jump is pressed again just before
// that step. Returns the last moment at which the feet are at or above
// `level` (px relative to take-off, y downward), interpolated between steps,
// or -1 when they never are after take-off. `lastSomersaultStep` gets the
// last step before which a second press is still taken.
float FlightUntil(float level, float dt, int somersaultStep, int* lastSomersaultStep)
{
    const float allowance = TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP;
    float verticalSpeed = 0.0f;
    float power = 0.0f;
    float sincePress = 0.0f;
    float sinceRiseEnd = allowance + 10.0f;
    bool requested = true;
    bool rising = false;
    bool airJumpUsed = false;
    bool held = true;
    bool onGround = true;

    float y = 0.0f;
    float best = level >= 0.0f ? 0.0f : -1.0f;
    int maxSteps = static_cast<int>(kMaxFlightTime / dt);
    if (maxSteps > kMaxFlightSteps) maxSteps = kMaxFlightSteps;
    if (lastSomersaultStep) *lastSomersaultStep = 0;

    for (int k = 1; k <= maxSteps; ++k) {
        const bool mayPressAgain = !onGround && (rising || sinceRiseEnd < allowance) && !airJumpUsed;
        if (mayPressAgain && lastSomersaultStep) *lastSomersaultStep = k;
        if (k == somersaultStep && mayPressAgain) {
            airJumpUsed = true;
            requested = true;
        }

        sincePress += dt;
        if (requested) {
            verticalSpeed = 0.0f;
            requested = false;
            rising = true;
            power = 1.0f;
        } else if (!rising) {
            sinceRiseEnd += dt;
        }
        if (sincePress > JUMP_MAX_TIME_OF_GOING_UP) held = false;

        if (rising) {
            float slowing = dt * JUMP_GOING_UP_HOW_FAST_IS_SLOWING_DOWN;
            bool ends = false;
            if (held && !airJumpUsed) {
                power += JUMP_ACCELERATION_OF_GOING_UP * dt;
                if (power > 0.0f)
                    verticalSpeed = -JUMP_INIT_SPEED * power;
                else {
                    ends = true;
                    slowing = 0.0f;
                }
            } else if (power > slowing) {
                verticalSpeed = -JUMP_INIT_SPEED * power;
                power -= slowing;
            } else {
                ends = true;
            }
            if (ends) {
                verticalSpeed = JUMP_INIT_SPEED * (power - slowing);
                sinceRiseEnd = 0.0f;
                power = 0.0f;
                rising = false;
            }
        }

        float dy = dt * verticalSpeed;
        if (onGround && verticalSpeed > 0.0f) {
            verticalSpeed = 0.0f;
            dy = 0.0f;
        }
        const float previous = y;
        y += dy;
        onGround = false;  // over the gap from the first step on
        if (!rising) verticalSpeed += dt * GRAVITY_POWER;

        if (y <= level) {
            best = k * dt;
        } else if (previous <= level) {
            best = (k - 1) * dt + dt * (level - previous) / (y - previous);
        }
        // Falling past the level with no rise left to come: done. While the
        // second press is being looked for, the flight runs on as long as
        // that press would still be taken.
        const bool pressLeft = !airJumpUsed && (somersaultStep > k || (lastSomersaultStep && sinceRiseEnd < allowance));
        const bool riseLeft = rising || pressLeft;
        if (!riseLeft && verticalSpeed > 0.0f && y > level) break;
    }
    return best;
}

}  // namespace

float ComputeJumpAirTime(float height, bool somersault, float step)
{
    if (!(step > 0.0f)) return -1.0f;
    const float level = -height;
    int lastPress = 0;
    float best = FlightUntil(level, step, 0, &lastPress);
    if (!somersault) return best;
    for (int press = 1; press <= lastPress; ++press) {
        const float time = FlightUntil(level, step, press, nullptr);
        if (time > best) best = time;
    }
    return best;
}

float ComputeJumpReach(float speed, float drop, float step)
{
    // The hit box spans 43 to 49 px of the runner's cell: he leaves the near
    // roof once its left edge passes the roof's right edge and must have his
    // feet 2 px above the far roof when its right edge is 1 px short of it.
    constexpr float kBoxSpan = 49.0f - 43.0f + 1.0f;
    constexpr float kCornerClearance = 2.0f;
    const float time = ComputeJumpAirTime(kCornerClearance - 1.0f - drop, true, step);
    if (time < 0.0f) return -1.0f;
    return speed * (time - step) + kBoxSpan;
}
