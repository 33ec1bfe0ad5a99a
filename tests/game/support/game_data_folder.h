// A temporary folder mounted as the whole virtual file system, for tests that
// give the game its data files: XML written as text and solid PNG images of
// chosen sizes, written with libpng.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/vfs.h"
#include "game/world/building_tables.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace VokeTest {

class GameDataFolder {
public:
    GameDataFolder()
    {
        Voke::Vfs::Init();
        m_mounted = Voke::Vfs::MountDirectory(m_dir.Path() + "/", "", 0) != nullptr;
    }
    ~GameDataFolder() { Voke::Vfs::Shutdown(); }
    GameDataFolder(const GameDataFolder&) = delete;
    GameDataFolder& operator=(const GameDataFolder&) = delete;

    bool IsMounted() const { return m_mounted; }
    const std::string& Path() const { return m_dir.Path(); }

    void Write(const std::string& name, const std::string& text) { WriteBytes(m_dir / name, text); }

    // A solid grey RGBA image; false when libpng fails.
    bool WritePng(const std::string& name, int width, int height)
    {
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        image.width = png_uint_32(width);
        image.height = png_uint_32(height);
        image.format = PNG_FORMAT_RGBA;
        std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4, 0x80);
        return png_image_write_to_file(&image, (m_dir / name).c_str(), 0, pixels.data(), 0, nullptr) != 0;
    }

    // Fixture size of a building piece image: derived from its name, so every
    // run and every checkout sees the same row. Second-collision pieces are
    // small; the others 24 to 80 px wide and 200 to 248 px high.
    static void PieceSize(const std::string& name, int& width, int& height)
    {
        uint32_t hash = 2166136261u;
        for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
        const bool second = name.find("sec") != std::string::npos || name.find("billboard") != std::string::npos;
        if (second) {
            width = 32 + 8 * int(hash % 5u);
            height = 40 + 8 * int((hash / 5u) % 4u);
        } else {
            width = 24 + 8 * int(hash % 8u);
            height = 200 + 16 * int((hash / 8u) % 4u);
        }
    }

    // Every image of the six piece tables at its fixture size.
    bool WriteBuildingPieces()
    {
        for (int32_t level = 0; level < kLevelCount; ++level) {
            int32_t rows = 0;
            const BuildingPiece* pieces = GetBuildingPieces(level, &rows);
            for (int32_t i = 0; i < rows; ++i) {
                int width = 0, height = 0;
                PieceSize(pieces[i].image, width, height);
                if (!WritePng(pieces[i].image, width, height)) return false;
            }
        }
        return true;
    }

private:
    TempDir m_dir;
    bool m_mounted = false;
};

}  // namespace VokeTest
