// Mixing speed: ten looping channels of mixed sources (Ogg Vorbis streamed
// from memory, decoded WAVE buffers, tracker modules) mixed into 60 seconds
// of the game's output format, as the writer thread does it block by block.
// Prints the real-time factor (seconds of audio per CPU second) and, for the
// same Ogg file, the decoder's own speed, so that the source's overhead shows
// as a ratio.
//
//   audio_bench [FILE.ogg]
//
// With a file, that file is the music and is timed whatever its length (the
// seconds come from the file itself); without one, 30 seconds of stereo
// 22050 Hz test signal are encoded with the tests' encoder program.
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "engine/audio/audio_ogg.h"
#include "engine/audio/audio_source.h"
#include "engine/audio/audio_xm.h"
#include "engine/audio/mixer.h"
#include "engine/core/application_title.h"
#include "engine/core/cached_file.h"
#include "engine/core/vfs.h"
#include "tests/engine/audio/xm_builder.h"

const Voke::NarrowString ApplicationTitle = "audio_bench";

namespace {

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

Voke::SmartPtr<Voke::AudioDevice> NoDevice(const Voke::AudioFormat&, const Voke::MixerConfig&) { return nullptr; }

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Memory {
    const std::vector<uint8_t>* data;
    size_t pos;
};

size_t MemRead(void* p, size_t size, size_t count, void* source)
{
    Memory* m = static_cast<Memory*>(source);
    size_t bytes = std::min(size * count, m->data->size() - m->pos);
    std::copy(m->data->begin() + static_cast<long>(m->pos), m->data->begin() + static_cast<long>(m->pos + bytes), static_cast<uint8_t*>(p));
    m->pos += bytes;
    return bytes / size;
}

int MemSeek(void* source, ogg_int64_t offset, int whence)
{
    Memory* m = static_cast<Memory*>(source);
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(m->pos) : static_cast<int64_t>(m->data->size());
    if (base + offset < 0 || base + offset > static_cast<int64_t>(m->data->size())) return -1;
    m->pos = static_cast<size_t>(base + offset);
    return 0;
}

long MemTell(void* source) { return static_cast<long>(static_cast<Memory*>(source)->pos); }

// The file's length in seconds, as the decoder tells it; 0 when it cannot.
double OggSeconds(const std::vector<uint8_t>& file)
{
    Memory memory{&file, 0};
    OggVorbis_File vf;
    ov_callbacks callbacks = {&MemRead, &MemSeek, nullptr, &MemTell};
    if (ov_open_callbacks(&memory, &vf, nullptr, 0, callbacks) != 0) return 0;
    const double seconds = ov_time_total(&vf, -1);
    ov_clear(&vf);
    return seconds > 0 ? seconds : 0;
}

// Seconds of audio the bare decoder produces per CPU second.
double DecoderSpeed(const std::vector<uint8_t>& file, double seconds)
{
    Memory memory{&file, 0};
    OggVorbis_File vf;
    ov_callbacks callbacks = {&MemRead, &MemSeek, nullptr, &MemTell};
    if (ov_open_callbacks(&memory, &vf, nullptr, 0, callbacks) != 0) return 0;
    std::vector<char> buffer(4096);
    const double start = CpuSeconds();
    while (ov_read(&vf, buffer.data(), static_cast<int>(buffer.size()), 0, 2, 1, nullptr) > 0) {}
    const double used = CpuSeconds() - start;
    ov_clear(&vf);
    return seconds / used;
}

// The same through the engine's source over a memory copy.
double SourceSpeed(const std::vector<uint8_t>& file, double seconds)
{
    Voke::SmartPtr<Voke::AudioSource> ogg = Voke::AudioOgg::Create(new Voke::CachedFile(file.data(), static_cast<int>(file.size()), false));
    if (!ogg) return 0;
    std::vector<char> buffer(4096);
    const double start = CpuSeconds();
    while (ogg->Read(buffer.data(), static_cast<int>(buffer.size())) == static_cast<int>(buffer.size())) {}
    return seconds / (CpuSeconds() - start);
}

std::vector<uint8_t> Wave(int channels, int frames, int seed)
{
    Voke::test::ByteWriter w;
    w.Text("RIFF", 4);
    w.U32(0);
    w.Text("WAVEfmt ", 8);
    w.U32(16);
    w.U16(1);
    w.U16(channels);
    w.U32(22050);
    w.U32(22050 * channels * 2);
    w.U16(channels * 2);
    w.U16(16);
    w.Text("data", 4);
    w.U32(frames * channels * 2);
    for (int i = 0; i < frames * channels; ++i) w.U16(static_cast<uint16_t>(4000 * std::sin(i * 0.01 * seed)));
    return w.bytes;
}

std::vector<uint8_t> Module()
{
    using namespace Voke::test;
    XmModule m;
    m.channels = 4;
    m.speed = 6;
    XmPattern p;
    p.rows = 16;
    for (int row = 0; row < 16; ++row)
        for (int c = 0; c < 4; ++c) Event(p.packed, static_cast<uint8_t>(37 + (row * 5 + c * 7) % 24), 1, 0x40, row % 4 == 0 ? 10 : 0, 0x01);
    m.patterns.push_back(p);
    XmInstrument inst;
    XmSample s;
    for (int i = 0; i < 2000; ++i) s.values.push_back(static_cast<int16_t>(12000 * std::sin(i * 2 * M_PI / 50)));
    s.sixteenBit = true;
    s.loopType = 1;
    s.loopLength = 2000;
    inst.samples.push_back(s);
    m.instruments.push_back(inst);
    return BuildXm(m);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: audio_bench [FILE.ogg]\n");
        return 2;
    }
    char dir[] = "/tmp/voke-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string ogg = std::string(dir) + "/music.ogg";
    std::vector<uint8_t> oggFile;
    if (argc == 2) {
        oggFile = ReadFile(argv[1]);
        std::ofstream(ogg, std::ios::binary).write(reinterpret_cast<const char*>(oggFile.data()), static_cast<std::streamsize>(oggFile.size()));
    } else {
        const std::string command = std::string(VOKE_OGG_ENCODER) + " " + ogg + " 2 22050 " + std::to_string(22050 * 30);
        if (std::system(command.c_str()) != 0) return 1;
        oggFile = ReadFile(ogg);
    }
    const double oggSeconds = OggSeconds(oggFile);
    if (oggSeconds <= 0) {
        std::fprintf(stderr, "audio_bench: %s is not an Ogg Vorbis file of known length\n", argc == 2 ? argv[1] : ogg.c_str());
        return 1;
    }
    {
        std::ofstream(std::string(dir) + "/a.wav", std::ios::binary).write(reinterpret_cast<const char*>(Wave(2, 30000, 3).data()), 30000 * 4 + 44);
        std::ofstream(std::string(dir) + "/b.wav", std::ios::binary).write(reinterpret_cast<const char*>(Wave(1, 9000, 5).data()), 9000 * 2 + 44);
        const std::vector<uint8_t> xm = Module();
        std::ofstream(std::string(dir) + "/song.xm", std::ios::binary).write(reinterpret_cast<const char*>(xm.data()), static_cast<std::streamsize>(xm.size()));
    }

    Voke::Vfs::Init();
    Voke::Vfs::MountDirectory(std::string(dir) + "/", "", 0);

    const double decoder = DecoderSpeed(oggFile, oggSeconds);
    const double source = SourceSpeed(oggFile, oggSeconds);

    Voke::SmartPtr<Voke::Mixer> mixer(new Voke::Mixer(Voke::AudioFormat{2, 22050}, Voke::MixerConfig(), &NoDevice));
    Voke::SmartPtr<Voke::AudioSource> music = Voke::AudioSource::CreateCachedOgg("music.ogg");
    Voke::SmartPtr<Voke::AudioSource> music2 = Voke::AudioSource::CreateCachedOgg("music.ogg");
    Voke::SmartPtr<Voke::AudioSource> a = Voke::AudioSource::Create("a.wav", true);
    Voke::SmartPtr<Voke::AudioSource> b = Voke::AudioSource::Create("b.wav", true);
    Voke::SmartPtr<Voke::AudioSource> song1 = Voke::AudioSource::Create("song.xm", false);
    Voke::SmartPtr<Voke::AudioSource> song2 = Voke::AudioSource::Create("song.xm", false);
    if (!music || !music2 || !a || !b || !song1 || !song2) return 1;
    std::printf("Ogg decoding, %.1f s, %d channels at %d Hz: decoder alone %.0f x real time, through the source %.0f x (ratio %.2f)\n",
                oggSeconds, music->GetFormat().channels, music->GetFormat().rate, decoder, source,
                decoder > 0 ? source / decoder : 0.0);

    // Ten channels: the music twice from one source (separate positions),
    // a second music stream, five sound-effect buffers, two modules.
    Voke::AudioSource* plays[] = {music, music, music2, a, a, a, b, b, song1, song2};
    for (Voke::AudioSource* s : plays) mixer->Play(s, true, true);
    if (mixer->GetChannelCount() == 10) {
        const int outputSeconds = 60;
        const long blocks = outputSeconds * 22050L * 4 / 4096;
        std::vector<uint8_t> block(4096);
        const double start = CpuSeconds();
        for (long i = 0; i < blocks; ++i) mixer->Read(block.data(), 4096);
        const double used = CpuSeconds() - start;
        const double mixed = blocks * 4096.0 / (22050 * 4);
        std::printf("mixing 10 channels (3 Ogg, 5 WAVE buffers, 2 modules): %.1f s of audio in %.3f CPU s, real-time factor %.0f\n",
                    mixed, used, mixed / used);
    } else {
        std::printf("mixing skipped: the mixer (22050 Hz stereo) does not convert the music's rate\n");
    }

    mixer.Reset();
    Voke::Vfs::Shutdown();
    std::system((std::string("rm -rf ") + dir).c_str());
    return 0;
}
