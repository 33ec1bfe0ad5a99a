// Content for the presentation tests, written at test time into a temporary
// folder that is mounted as the only content: small XML descriptions, PNG
// images (through the graphics tests' PNG writer) and WAV sounds.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/asset_dict.h"
#include "engine/core/vfs.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace PresentationTest {

// A 16-bit PCM WAV file of interleaved samples.
inline std::string MakeWav(const std::vector<int16_t>& samples, int channels = 2, int rate = 22050)
{
    auto u32 = [](std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(char(v >> (8 * i)));
    };
    auto u16 = [](std::string& s, uint16_t v) {
        s.push_back(char(v));
        s.push_back(char(v >> 8));
    };
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::string s = "RIFF";
    u32(s, 36 + dataBytes);
    s += "WAVEfmt ";
    u32(s, 16);
    u16(s, 1);
    u16(s, uint16_t(channels));
    u32(s, uint32_t(rate));
    u32(s, uint32_t(rate * channels * 2));
    u16(s, uint16_t(channels * 2));
    u16(s, 16);
    s += "data";
    u32(s, dataBytes);
    const size_t at = s.size();
    s.resize(at + dataBytes);
    if (dataBytes) std::memcpy(&s[at], samples.data(), dataBytes);
    return s;
}

// A folder of content mounted at the empty mount point, with the engine's
// asset dictionary over it; both are removed when the object dies.
class ContentFolder {
public:
    ContentFolder()
    {
        Voke::Vfs::Init();
        Voke::Vfs::MountDirectory(m_dir.Path() + "/", "", 0);
        Voke::AssetDict::s_engine = new Voke::AssetDict;
    }
    ~ContentFolder()
    {
        Voke::AssetDict::s_engine.Reset();
        Voke::Vfs::Shutdown();
    }
    ContentFolder(const ContentFolder&) = delete;
    ContentFolder& operator=(const ContentFolder&) = delete;

    void Write(const std::string& name, const std::string& bytes) { VokeTest::WriteBytes(m_dir / name, bytes); }

private:
    VokeTest::TempDir m_dir;
};

}  // namespace PresentationTest
