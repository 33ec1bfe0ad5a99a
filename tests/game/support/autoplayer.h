// A small automatic player for the runner, for tests and benchmarks that
// drive whole levels without a person at the controls.
//
// Called once per game step before the runner's update, it presses what a
// careful player would: a punch just before an obstacle he would meet (a
// jump when the punch is refused), a slide under a second-collision piece
// that the standing runner would hit, and jumps planned against the
// building row. A jump is put off while a jump pressed one step later would
// still work; when that is no longer so it is pressed now, with the first
// plan that works: a hold of one of a few lengths, with or without a
// somersault at a chosen step. A plan works when, played against the
// buildings' own collision test, the runner lands on a roof without meeting
// a wall or a piece and without running into one right after. The jumps are
// predicted from the runner's own motion step, recorded once on a scratch
// runner, so the player follows whatever tuning is loaded.
//
// Limits: it assumes the speed stays as it is while it plans; it plans one
// jump at a time (the next from the roof it lands on); it ignores obstacles
// when planning jumps (it punches them); it never plays the level's exit.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <map>
#include <vector>

#include "game/world/building_manager.h"
#include "game/world/obstacle_manager.h"
#include "game/world/player.h"

namespace VokeTest {

class AutoPlayer {
public:
    // NOTE: the punch comes at most this long before the runner reaches an
    // obstacle (a punch breaks what he meets within about 0.22 s of it), and
    // the slide this long before a second-collision piece (a slide lasts
    // about 0.43 s unless something holds him down).
    static constexpr float kPunchLead = 0.12f;
    static constexpr float kSlideLead = 0.12f;

    // Presses the runner's controls for the coming step of dt seconds.
    void Act(Player& player, const BuildingManager& buildings, const ObstacleManager& obstacles, float dt)
    {
        if (player.IsDying() || player.IsOnSpecialBuilding() || !(dt > 0.0f)) return;
        if (dt != m_dt) Record(dt);
        if (m_planned && player.m_OnGround && !player.m_Rising && m_planStep > 0) m_planned = false;
        if (m_planned) FollowPlan(player);
        if (Obstacles(player, obstacles, dt)) return;
        if (!player.m_OnGround) {
            if (!m_planned) Somersault(player, buildings, dt);
            return;
        }
        auto current = buildings.GetBuildings().find(player.m_GroundKey);
        if (current == buildings.GetBuildings().end()) return;
        if (SecondPiece(player, current->second, dt)) return;
        if (!m_planned) GroundJump(player, buildings, dt);
    }

    // Counts of what it pressed.
    int32_t m_Jumps = 0;
    int32_t m_Somersaults = 0;
    int32_t m_Punches = 0;
    int32_t m_Slides = 0;

private:
    // NOTE: jumps are planned at most 300 steps ahead, with these hold
    // lengths (in steps; the longest outlasts the longest hold, 0 is a tap)
    // and a somersault tried at every third step it may be taken.
    static constexpr int32_t kMaxSteps = 300;
    static constexpr int32_t kHolds[] = {1000, 18, 12, 6, 0};
    static constexpr int32_t kHoldCount = 5;
    static constexpr int32_t kSomersaultGrid = 3;
    static constexpr int32_t kNoSomersault = -1;
    // A planned path keeps this far from walls, px.
    static constexpr int32_t kWallMargin = 2;
    // After landing he must run this long (s) before meeting a piece he
    // has to jump, or this long before one he can slide under.
    static constexpr float kRunOut = 0.3f;
    static constexpr float kSlideReaction = 0.03f;

    struct Plan {
        int32_t hold;        // index into kHolds
        int32_t somersault;  // the second press comes before this update (counted from the jump), or none
    };

    static int32_t Feet(const Player& p) { return p.m_CellY + kPlayerBoxBottom; }
    static int32_t CellAfter(const Player& p, float dt, int32_t k)
    {
        return static_cast<int32_t>(std::floor(p.m_PosX + p.m_Speed * dt * static_cast<float>(k)));
    }
    // Steps until the box one pixel ahead reaches x (0 when it already
    // has); -1 when it will not within the planning range.
    static int32_t StepsUntil(const Player& p, int32_t x, float dt)
    {
        for (int32_t k = 0; k < kMaxSteps; ++k)
            if (CellAfter(p, dt, k) + kPlayerBoxRight + 1 >= x) return k;
        return -1;
    }
    static bool Meets(const BuildingManager& b, int32_t cx, int32_t cy, int32_t ahead = 0)
    {
        return b.TestCollision(cx + kPlayerBoxLeft, cy + kPlayerBoxTop, cx + kPlayerBoxRight + ahead,
                               cy + kPlayerBoxBottom, nullptr, nullptr);
    }

    // Records, with a scratch runner that meets nothing, how high he is
    // after each step of a jump with each hold, when a somersault may be
    // pressed, and how he moves after a somersault press (which does not
    // depend on how he was moving).
    void Record(float dt)
    {
        m_dt = dt;
        for (int32_t h = 0; h < kHoldCount; ++h) {
            m_rise[h].assign(1, 0.0f);
            m_mayFlip[h].assign(1, false);
            m_rising[h].assign(1, true);
            Player scratch;
            scratch.Reset(0);
            scratch.m_OnGround = 1;
            scratch.Jump();
            for (int32_t k = 1; k < kMaxSteps; ++k) {
                if (k - 1 >= kHolds[h]) scratch.ClearJumpHeld();
                const float window = TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP;
                m_mayFlip[h].push_back(k > 1 && !scratch.m_AirJumpUsed &&
                                       (scratch.m_Rising || scratch.m_TimeSinceRiseEnd < window));
                scratch.Update(dt);
                m_rise[h].push_back(-scratch.m_PosY);
                m_rising[h].push_back(scratch.m_Rising != 0);
            }
        }
        Player scratch;
        scratch.Reset(0);
        scratch.m_TimeSinceRiseEnd = 0.0f;
        scratch.Jump();
        m_flip.assign(1, 0.0f);
        m_flipRising.assign(1, true);
        for (int32_t k = 1; k < kMaxSteps; ++k) {
            scratch.Update(dt);
            m_flip.push_back(scratch.m_PosY);
            m_flipRising.push_back(scratch.m_Rising != 0);
        }
    }

    // Plays a jump pressed `delay` steps from now against the buildings:
    // true when he lands on a roof with room to run on.
    bool Works(const Player& p, const BuildingManager& b, float dt, int32_t delay, const Plan& plan) const
    {
        const std::vector<float>& rise = m_rise[plan.hold];
        const float y0 = p.m_PosY;
        int32_t lastX = p.m_CellX;
        int32_t lastY = p.m_CellY;
        float x = p.m_PosX;
        float speed = p.m_Speed;
        for (int32_t k = 1; k < kMaxSteps; ++k) {
            // His x as the motion step moves him (outside endless mode).
            if (speed < p.m_MaxSpeed) speed = std::min(speed + dt * p.m_Acceleration, p.m_MaxSpeed);
            if (speed > 0.0f && speed < p.m_MinSpeed) speed = p.m_MinSpeed;
            x += dt * speed;
            const int32_t cx = static_cast<int32_t>(std::floor(x));
            const int32_t j = k - delay;  // updates since the press
            if (j <= 0) {
                // Still running: the roof must go on and nothing be in the way.
                if (Meets(b, cx, lastY, 1 + kWallMargin) || !Meets(b, cx, lastY + 1)) return false;
                lastX = cx;
                continue;
            }
            float y = y0 - rise[j];
            if (plan.somersault != kNoSomersault && j >= plan.somersault)
                y = y0 - rise[plan.somersault - 1] + m_flip[j - plan.somersault + 1];
            const int32_t cy = static_cast<int32_t>(std::floor(y));
            // While the jump rises nothing below stops him.
            const bool rising = plan.somersault != kNoSomersault && j >= plan.somersault
                                    ? m_flipRising[j - plan.somersault + 1]
                                    : m_rising[plan.hold][j];
            // Nothing within a pixel of the whole step (and of the wall
            // margin ahead): the step is free.
            if (!b.TestCollision(lastX + kPlayerBoxLeft, std::min(lastY, cy) - 1 + kPlayerBoxTop,
                                 cx + kPlayerBoxRight + 1 + kWallMargin, std::max(lastY, cy) + 1 + kPlayerBoxBottom,
                                 nullptr, nullptr)) {
                lastX = cx;
                lastY = cy;
                continue;
            }
            int32_t rx = cx, ry = cy;
            Sweep(b, lastX, lastY, cx, cy, &rx, &ry);

            // The runner's crash rules where the step ends: something right
            // above, a wall right ahead, or a roof corner right ahead and
            // below; walls are kept at a distance.
            const bool ground = Meets(b, rx, ry + 1);
            if (Meets(b, rx, ry - 1) || Meets(b, rx, ry, 1 + kWallMargin) ||
                (!ground && Meets(b, rx, ry + 1, 1 + kWallMargin)))
                return false;
            if (ground && !rising) {
                // Landed, with roof to spare ahead of him.
                return Meets(b, rx + kWallMargin, ry + 1) && RunsOn(p, b, dt, k, ry);
            }
            if (rx != cx || ry != cy) return false;
            lastX = cx;
            lastY = cy;
        }
        return false;
    }

    // One step of the runner's move from cell (x0, y0) toward (x1, y1), walked
    // as his motion step walks it: he stops at the last free point.
    static void Sweep(const BuildingManager& b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t* rx,
                      int32_t* ry)
    {
        *rx = x0;
        *ry = y0;
        const int64_t mx = int64_t(x1) - x0, my = int64_t(y1) - y0;
        const int64_t n = std::max(mx < 0 ? -mx : mx, my < 0 ? -my : my) + 2;
        for (int64_t i = 0; i <= n && i < 50; ++i) {
            const int32_t px = static_cast<int32_t>(i == n ? x1 : x0 + mx * i / n);
            const int32_t py = static_cast<int32_t>(i == n ? y1 : y0 + my * i / n);
            if (Meets(b, px, py)) return;
            *rx = px;
            *ry = py;
        }
    }

    // After landing at step k on row y: he may run on until he could slide
    // under what comes or jump over it. Running off the roof is left to the
    // next jump.
    bool RunsOn(const Player& p, const BuildingManager& b, float dt, int32_t k, int32_t y) const
    {
        const int32_t steps = static_cast<int32_t>(kRunOut / dt);
        for (int32_t i = 1; i <= steps; ++i) {
            const int32_t cx = CellAfter(p, dt, k + i);
            if (!Meets(b, cx, y)) continue;
            const bool slidable = !b.TestCollision(cx + kPlayerBoxLeft, y + kPlayerBoxSlideTop, cx + kPlayerBoxRight,
                                                   y + kPlayerBoxBottom, nullptr, nullptr);
            return slidable && static_cast<float>(i) * dt >= kSlideReaction;
        }
        return true;
    }

    // The first plan that works for a jump `delay` steps from now: the holds
    // from the longest, first without and then with a somersault.
    bool FindPlan(const Player& p, const BuildingManager& b, float dt, int32_t delay, Plan* found) const
    {
        for (int32_t h = 0; h < kHoldCount; ++h) {
            if (Works(p, b, dt, delay, Plan{h, kNoSomersault})) {
                if (found) *found = Plan{h, kNoSomersault};
                return true;
            }
        }
        for (int32_t h = 0; h < kHoldCount; ++h) {
            // From the end of the rise (a press while rising cuts it short).
            int32_t s = 2;
            while (s < kMaxSteps && m_mayFlip[h][s] && s < static_cast<int32_t>(m_rise[h].size()) - 1 &&
                   m_rise[h][s] > m_rise[h][s - 1])
                ++s;
            for (; s < kMaxSteps && m_mayFlip[h][s]; s += kSomersaultGrid) {
                if (Works(p, b, dt, delay, Plan{h, s})) {
                    if (found) *found = Plan{h, s};
                    return true;
                }
            }
        }
        return false;
    }

    void GroundJump(Player& p, const BuildingManager& b, float dt)
    {
        if (FindPlan(p, b, dt, 1, nullptr)) return;  // it can wait a step
        Plan plan{0, kNoSomersault};
        FindPlan(p, b, dt, 0, &plan);  // none works: the longest jump, at the last moment

        p.Jump();
        if (!p.m_JumpRequested) return;
        ++m_Jumps;
        m_planned = true;
        m_plan = plan;
        m_planStep = 0;
        FollowPlan(p);
    }

    // Releases the hold and presses the somersault when the plan says; the
    // step count is the number of updates since the jump was pressed.
    void FollowPlan(Player& p)
    {
        if (m_planStep >= kHolds[m_plan.hold]) p.ClearJumpHeld();
        if (m_plan.somersault != kNoSomersault && m_planStep == m_plan.somersault - 1) {
            p.Jump();
            ++m_Somersaults;
        }
        ++m_planStep;
    }

    // In the air without a plan (he ran off a roof, or jumped an obstacle):
    // the somersault, when he would meet the wall of the roof ahead, at the
    // last step at which it still gets him over.
    void Somersault(Player& p, const BuildingManager& b, float dt)
    {
        if (p.m_Rising || p.m_AirJumpUsed) return;
        const float window = TIME_FROM_JUMP_FALLING_DOWN_AND_WE_STILL_CAN_DO_DOUBLE_JUMP - p.m_TimeSinceRiseEnd;
        if (!(window > 0.0f)) return;
        const int32_t boxLeft = p.m_CellX + kPlayerBoxLeft;
        const Building* far = nullptr;
        for (const auto& entry : b.GetBuildings()) {
            if (entry.second.active && entry.second.collisionRight >= boxLeft) {
                far = &entry.second;
                break;
            }
        }
        if (!far) return;
        const int32_t k = StepsUntil(p, far->collisionLeft, dt);
        if (k <= 0) return;  // over the roof already
        const float limit = static_cast<float>(far->collisionTop - kWallMargin - 1);
        if (FallFeet(p, dt, k) <= limit) return;  // he makes it as he is
        const int32_t lastDelay = std::min(static_cast<int32_t>((window - 1e-4f) / dt), k - 1);
        for (int32_t delay = 1; delay <= lastDelay; ++delay)
            if (FallFeet(p, dt, delay) + m_flip[k - delay] <= limit) return;  // a later press still works
        p.Jump();
        ++m_Somersaults;
    }

    // The row of his feet after k steps of falling as he is (no rise left).
    float FallFeet(const Player& p, float dt, int32_t k) const
    {
        const float steps = static_cast<float>(k);
        const float y =
            p.m_PosY + dt * steps * p.m_VerticalSpeed + GRAVITY_POWER * dt * dt * steps * (steps - 1.0f) * 0.5f;
        return std::floor(y) + static_cast<float>(kPlayerBoxBottom);
    }

    // Obstacles: punch the next one he would run or fall into, in time;
    // jump when the punch is refused. True when it acted.
    bool Obstacles(Player& p, const ObstacleManager& obstacles, float dt)
    {
        const int32_t boxLeft = p.m_CellX + 1 + kPlayerBoxLeft;
        const Obstacle* next = nullptr;
        for (const auto& entry : obstacles.m_ObstacleMap) {
            const Obstacle& o = entry.second;
            if (o.m_Active && !o.m_Hit && !o.m_Broken && o.m_HitBox[2] >= boxLeft) {
                next = &o;
                break;
            }
        }
        if (!next) return false;
        // The first coming step at which his box one pixel ahead meets it;
        // in the air he is taken to fall as he is (a rise only lifts him).
        const int32_t lead = static_cast<int32_t>(kPunchLead / dt);
        int32_t meets = -1;
        for (int32_t k = 0; k <= lead && meets < 0; ++k) {
            const int32_t right = CellAfter(p, dt, k) + kPlayerBoxRight + 1;
            if (right - (kPlayerBoxRight - kPlayerBoxLeft) > next->m_HitBox[2]) break;
            if (right < next->m_HitBox[0]) continue;
            const bool falling = !p.m_OnGround && !p.m_Rising;
            const float feet = falling ? FallFeet(p, dt, k) : static_cast<float>(Feet(p));
            const float top = feet - static_cast<float>(kPlayerBoxBottom - kPlayerBoxTop);
            if (feet >= static_cast<float>(next->m_HitBox[1]) && top <= static_cast<float>(next->m_HitBox[3]))
                meets = k;
        }
        if (meets < 0) return false;
        // A punch still fresh when he arrives will do.
        if (p.m_State == kPlayerPunch && p.m_PunchTime + 4.6f * dt * static_cast<float>(meets + 1) <= 1.0f)
            return true;
        p.Punch();
        if (p.m_State == kPlayerPunch && p.m_PunchTime == 0.0f) {
            ++m_Punches;
            return true;
        }
        if (p.m_OnGround && !m_planned) {
            p.Jump();
            ++m_Jumps;
        }
        return true;
    }

    // A second-collision piece ahead on his roof that the standing box would
    // meet and the sliding box would not: slide just before it, and plan no
    // jump until he has passed it. True while such a piece lies ahead.
    bool SecondPiece(Player& p, const Building& b, float dt)
    {
        if (!b.hasSecondCollision || b.secondRight < p.m_CellX + kPlayerBoxLeft) return false;
        const int32_t bottom = b.secondBottom - b.secondInset;
        const int32_t feet = Feet(p);
        const bool standingMeets = bottom >= p.m_CellY + kPlayerBoxTop && b.secondTop <= feet;
        const bool slidingMeets = bottom >= p.m_CellY + kPlayerBoxSlideTop && b.secondTop <= feet;
        if (!standingMeets || slidingMeets) return false;
        const int32_t k = StepsUntil(p, b.secondLeft, dt);
        if (p.m_State != kPlayerSlide && k >= 0 && static_cast<float>(k) * dt <= kSlideLead) {
            p.Slide();
            if (p.m_State == kPlayerSlide) ++m_Slides;
        }
        return true;
    }

    float m_dt = 0.0f;
    // Height above the take-off roof after k steps of a jump with hold h.
    std::vector<float> m_rise[kHoldCount];
    // Whether a second press before update k of that jump is a somersault.
    std::vector<bool> m_mayFlip[kHoldCount];
    // Whether that jump still rises after update k.
    std::vector<bool> m_rising[kHoldCount];
    // Downward move after k steps of a somersault, and whether it still rises.
    std::vector<float> m_flip;
    std::vector<bool> m_flipRising;
    bool m_planned = false;
    Plan m_plan = {0, kNoSomersault};
    int32_t m_planStep = 0;
};

}  // namespace VokeTest
