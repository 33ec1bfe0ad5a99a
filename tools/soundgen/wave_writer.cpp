#include "tools/soundgen/wave_writer.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace SoundGen {

namespace {

void Put16(std::string& out, uint32_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

std::string WaveBytes(const Sound& sound)
{
    const std::vector<short> pcm = ToPcm16(sound);
    const uint32_t channels = sound.IsStereo() ? 2 : 1;
    const uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    Put32(out, 36 + dataBytes);
    out += "WAVE";
    out += "fmt ";
    Put32(out, 16);
    Put16(out, 1);  // integer PCM
    Put16(out, channels);
    Put32(out, kRate);
    Put32(out, kRate * channels * 2);
    Put16(out, channels * 2);
    Put16(out, 16);
    out += "data";
    Put32(out, dataBytes);
    for (short s : pcm) Put16(out, static_cast<uint16_t>(s));
    return out;
}

bool WriteFile(const std::string& path, const std::string& bytes, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = path + ": write failed";
        return false;
    }
    return true;
}

}  // namespace SoundGen
