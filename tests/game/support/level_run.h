// One level played without the game world: the runner, the building row and
// the obstacles of a level, stepped the way the running level steps them.
//
// It does, for the runner and his level only, what the game world does at a
// level start and in each game step: the level's speeds, the camera (draw
// offsets and scroll, which decide when buildings and obstacles are
// recycled), the speed rule of the acceleration ranges, the runner's update
// (not on the level's first step), then the buildings and the obstacles. The
// clock, the exit, sound cues, weather and the rest of the presentation are
// left out, and nothing is drawn, so it runs headless.
//
// The data comes through the mount table as the game reads it; images only
// for their sizes (the runner loads none).
#pragma once

#include <algorithm>
#include <cstdint>

#include "game/core/game_base.h"
#include "game/world/building_manager.h"
#include "game/world/game_world.h"
#include "game/world/obstacle_manager.h"
#include "game/world/player.h"

namespace VokeTest {

class LevelRun {
public:
    // `game` gives the random numbers, screen size and run statistics.
    explicit LevelRun(GameBase& game) : m_game(game)
    {
        m_buildings.SetOwner(&game);
        m_obstacles.SetOwner(&game);
        m_player.SetSessionStats(&game);
    }

    // Reads the tuning files and loads the level's buildings and obstacle
    // data, as the game's loading steps do.
    void Load(int32_t level)
    {
        m_world.ReadLevelParams("level_gameplay.xml");
        m_player.LoadParams("player_params.xml");
        m_buildings.LoadAllArrangeParams();
        m_buildings.Load(level);
        m_obstacles.ReadParams();
        m_obstacles.SetupForLevel(level);
        m_obstacles.SetBuildingManager(&m_buildings);
        m_level = level;
    }

    // A fresh run of the level: the row rebuilt, obstacles placed, the runner
    // at the start at the level's start speed (as from the level menu).
    void Start()
    {
        m_buildings.StartLevel(m_level);
        m_obstacles.Generate(true);
        m_buildings.ResetCurrent();
        m_game.m_FromLevelMenu = true;
        m_player.Reset(m_level);
        m_player.SetCollisionMap(&m_buildings);
        m_player.SetObstacleManager(&m_obstacles);
        const LevelParams& params = m_world.GetLevelParams(m_level);
        m_player.SetMinSpeed(params.PlayerMinHorizontalSpeed);
        m_player.SetMaxSpeed(params.PlayerMaxHorizontalSpeed);
        m_player.SetAcceleration(params.PlayerAcceleration);
        m_player.SetSpeed(params.PlayerStartHorizontalSpeed);
        m_player.PlaceOnGround();
        m_frames = 0;
        m_elapsed = 0.0f;
        m_followShare = 77.0f;
    }

    void Step(float dt)
    {
        Camera(dt);
        SpeedRule();
        if (m_frames > 0) m_player.Update(dt);
        m_buildings.Update(dt);
        m_obstacles.Update(dt);
        m_elapsed += dt;
        m_frames += 1;
    }

    Player& GetPlayer() { return m_player; }
    BuildingManager& GetBuildings() { return m_buildings; }
    ObstacleManager& GetObstacles() { return m_obstacles; }
    const LevelParams& GetParams() const { return m_world.GetLevelParams(m_level); }
    float GetElapsed() const { return m_elapsed; }

private:
    // The camera follows the runner: x fully, y split between moving him on
    // the screen and scrolling the scenery, which scrolls at most 26 px
    // below its rest.
    void Camera(float dt)
    {
        float px = 0.0f, py = 0.0f;
        m_player.GetPosition(&px, &py);
        const int32_t baseY = m_game.m_ScreenHeight - 128;
        m_buildings.SetDrawOffset(10, baseY);
        m_obstacles.SetDrawOffset(10, baseY);
        m_player.SetDrawOffset(10, baseY);
        const float dy = py - 200.0f;
        float share = m_followShare;
        if (m_level != 0 && m_elapsed < 1.0f) share *= m_elapsed;
        float a = share * dy * 0.01f;
        float b = (100.0f - share) * dy * 0.01f;
        if (dy > a + b) a += dy - (a + b);
        if (!m_player.IsOnSpecialBuilding() && b > 26.0f) {
            b = 26.0f;
            a = dy - 26.0f;
        }
        if (m_player.IsOnSpecialBuilding()) m_followShare = std::max(m_followShare - dt * 200.0f, 0.0f);
        if (m_player.IsDying())
            m_player.SetDrawOffset(m_player.m_CellX - static_cast<int32_t>(px) + 10,
                                   static_cast<int32_t>(a) + baseY + m_player.m_CellY - static_cast<int32_t>(py));
        else
            m_player.SetDrawOffset(10, static_cast<int32_t>(a) + baseY);
        m_buildings.SetScroll(px, b + 200.0f);
        m_obstacles.SetScroll(px, b + 200.0f);
    }

    // The highest-numbered acceleration range whose lower speed he has reached.
    void SpeedRule()
    {
        const LevelParams& params = m_world.GetLevelParams(m_level);
        const int32_t n = params.rangeCount - (m_game.m_Endless ? 1 : 0);
        for (int32_t i = n - 1; i >= 0; --i) {
            if (params.ranges[i].minvel <= m_player.m_Speed) {
                m_player.SetAcceleration(params.ranges[i].value);
                return;
            }
        }
    }

    GameBase& m_game;
    GameWorld m_world;
    BuildingManager m_buildings;
    ObstacleManager m_obstacles;
    Player m_player;
    int32_t m_level = 0;
    int32_t m_frames = 0;
    float m_elapsed = 0.0f;
    float m_followShare = 77.0f;
};

}  // namespace VokeTest
