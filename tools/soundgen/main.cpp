// soundgen [--summary] OUT_DIR: synthesises every sound file of the game and
// writes it flat into OUT_DIR (made when missing): the effects and cues as
// 16-bit PCM wave files, the music as Ogg Vorbis loops. With --summary it
// prints, per file, its channels, duration, peak and RMS level, for review
// without listening.
// soundgen --list prints the file names and writes nothing.
//
// The output depends only on this program (the tunes are built into it): one
// build, one set of bytes. Exit status 0 on success, 1 when a tune does not
// parse or a file cannot be written, 2 on a usage error.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/soundgen/catalogue.h"
#include "tools/soundgen/ogg_writer.h"
#include "tools/soundgen/tune.h"
#include "tools/soundgen/tune_renderer.h"
#include "tools/soundgen/wave_writer.h"

namespace {

// NOTE: Vorbis quality 0.4 is about 64 kbit/s for 22050 Hz stereo: clean for
// synthesised music, and a minute of it stays under half a megabyte in memory
// (the game holds the music files whole).
const float kOggQuality = 0.4f;

void PrintSummary(const std::string& file, const SoundGen::Sound& sound)
{
    const SoundGen::Level level = SoundGen::Measure(sound);
    std::printf("%-44s %-6s %7.3f s  peak %6.1f dBFS  rms %6.1f dBFS\n", file.c_str(),
                sound.IsStereo() ? "stereo" : "mono", sound.Seconds(), level.peakDb, level.rmsDb);
}

}  // namespace

int main(int argc, char** argv)
{
    bool summary = false, list = false;
    std::string outDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--summary") == 0)
            summary = true;
        else if (std::strcmp(argv[i], "--list") == 0)
            list = true;
        else if (outDir.empty() && argv[i][0] != '-')
            outDir = argv[i];
        else
            outDir.clear(), argc = 0;
    }
    if (list) {
        for (const SoundGen::SoundEntry& entry : SoundGen::WaveSounds()) std::printf("%s\n", entry.file);
        for (const SoundGen::TuneEntry& tune : SoundGen::Tunes()) std::printf("%s\n", tune.file.c_str());
        return 0;
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "usage: soundgen [--summary] OUT_DIR\n       soundgen --list\n");
        return 2;
    }

    std::error_code made;
    std::filesystem::create_directories(outDir, made);
    if (made) {
        std::fprintf(stderr, "soundgen: %s: %s\n", outDir.c_str(), made.message().c_str());
        return 1;
    }
    std::string error;
    for (const SoundGen::SoundEntry& entry : SoundGen::WaveSounds()) {
        const SoundGen::Sound sound = entry.render();
        if (!SoundGen::WriteFile(outDir + "/" + entry.file, SoundGen::WaveBytes(sound), error)) {
            std::fprintf(stderr, "soundgen: %s\n", error.c_str());
            return 1;
        }
        if (summary) PrintSummary(entry.file, sound);
    }
    for (const SoundGen::TuneEntry& entry : SoundGen::Tunes()) {
        SoundGen::Tune tune;
        if (!SoundGen::ParseTune(entry.text, entry.source, tune, error)) {
            std::fprintf(stderr, "soundgen: %s\n", error.c_str());
            return 1;
        }
        const SoundGen::Sound sound = SoundGen::RenderTune(tune);
        std::string bytes;
        if (!SoundGen::EncodeOgg(sound, kOggQuality, bytes, error) ||
            !SoundGen::WriteFile(outDir + "/" + entry.file, bytes, error)) {
            std::fprintf(stderr, "soundgen: %s: %s\n", entry.file.c_str(), error.c_str());
            return 1;
        }
        if (summary) PrintSummary(entry.file, sound);
    }
    return 0;
}
