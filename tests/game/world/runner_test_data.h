// Data for the runner and obstacle tests: a temporary folder mounted as the
// game's content (building pieces at their fixture sizes, obstacle images
// and their halves, splinter colour tiles) with the engine's asset
// dictionary over it.
#pragma once

#include <string>

#include "engine/core/asset_dict.h"
#include "tests/game/support/game_data_folder.h"

namespace VokeTest {

// Fixture sizes of the obstacle kinds (the suggested 32 to 64 px wide and
// 24 to 40 px high).
struct ObstacleImage {
    const char* name;
    int width;
    int height;
};
constexpr ObstacleImage kObstacleImages[] = {
    {"beczka_red.png", 32, 40}, {"beczki.png", 48, 32}, {"skrzynia2.png", 40, 36},
    {"wozek.png", 56, 30},      {"beczka_kanal.png", 36, 38},
};

class RunnerData : public GameDataFolder {
public:
    RunnerData() { Voke::AssetDict::s_engine = new Voke::AssetDict; }
    ~RunnerData() { Voke::AssetDict::s_engine.Reset(); }

    // Every obstacle image with its two halves (the upper one 10 px high),
    // and the splinter colour tiles.
    bool WriteObstacles()
    {
        for (const char* tile : {"cd64452.png", "cb1b2cb.png", "cd0ab95.png", "cc5beae.png", "caae605.png",
                                 "cffffff.png"})
            if (!WritePng(tile, 4, 4)) return false;
        for (const ObstacleImage& image : kObstacleImages) {
            const std::string stem = std::string(image.name).substr(0, std::string(image.name).size() - 4);
            if (!WritePng(image.name, image.width, image.height) ||
                !WritePng(stem + "_frag01.png", image.width, 10) ||
                !WritePng(stem + "_frag02.png", image.width, image.height - 10))
                return false;
        }
        return true;
    }
};

}  // namespace VokeTest
