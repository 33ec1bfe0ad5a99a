// Pak archive reading speed.
//
// Builds a pak archive of about 64 MB of mixed content (XML-like text, raw
// image-like pixels, incompressible noise standing in for PNG/Ogg files) in
// 64 KiB blocks, then prints:
//   1. the decompressed MB/s of reading every entry through the archive
//      reader, and in the same run the MB/s of liblzma decoding the same
//      blocks directly, with the reader's overhead on top of liblzma;
//   2. entries per second with 8 threads reading random small entries at
//      once (and with 1 thread), all through the archive's one shared stream.
// Run: build/bench/pak_bench [folder for the archive, default /tmp]
#include <lzma.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/application_title.h"
#include "engine/core/byte_reader.h"
#include "engine/core/pak_mount.h"
#include "tools/pak_builder.h"

const Voke::NarrowString ApplicationTitle = "pak_bench";

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string TextLike(std::mt19937& rng, size_t size)
{
    static const char* words[] = {"<key name=\"", "speed", "gravity", "\" type=\"float\">", "</key>\n", "level",
                                  "building", "obstacle", " x=\"", " y=\"", "\"/>\n", "<node name=\"", "IDS_MENU_"};
    std::string s;
    s.reserve(size + 32);
    while (s.size() < size) {
        s += words[rng() % 13];
        if (rng() % 3 == 0) s += std::to_string(rng() % 10000);
    }
    s.resize(size);
    return s;
}

std::string ImageLike(std::mt19937& rng, size_t size)
{
    // RGBA pixels: smooth gradients with a little noise, rows of 256 pixels.
    std::string s(size, '\0');
    const int base = int(rng() % 256);
    for (size_t i = 0; i < size; i += 4) {
        const size_t pixel = i / 4;
        const int x = int(pixel % 256), y = int(pixel / 256);
        const int noise = int(rng() % 8);
        s[i] = char(base + x + noise);
        if (i + 1 < size) s[i + 1] = char(base + y + noise);
        if (i + 2 < size) s[i + 2] = char((x ^ y) / 4 + noise);
        if (i + 3 < size) s[i + 3] = char(255);
    }
    return s;
}

std::string Noise(std::mt19937& rng, size_t size)
{
    std::string s(size, '\0');
    for (char& c : s) c = char(rng());
    return s;
}

struct Archive {
    std::string path;
    std::vector<std::string> smallNames;  // entries of at most 4 KiB
    uint64_t contentBytes = 0;
};

Archive Make(const std::string& folder)
{
    std::mt19937 rng(2011);
    std::vector<PakBuilder::Entry> entries;
    Archive archive;
    uint64_t total = 0;
    for (int i = 0; total < (60u << 20); ++i) {
        const int kind = i % 5;  // 2 text, 2 image, 1 noise
        const size_t size = 8192 + rng() % (kind >= 2 && kind <= 3 ? 600000 : 200000);
        std::string data = kind < 2 ? TextLike(rng, size) : kind < 4 ? ImageLike(rng, size) : Noise(rng, size);
        total += data.size();
        entries.push_back({"data/file" + std::to_string(i) + (kind < 2 ? ".xml" : ".png"), std::move(data)});
    }
    for (int i = 0; i < 3000; ++i) {  // small entries spread among the large ones
        const size_t size = 200 + rng() % 3900;
        std::string name = "data/file" + std::to_string(i % 300) + "/small" + std::to_string(i) + ".xml";
        entries.push_back({name, TextLike(rng, size)});
        archive.smallNames.push_back(name);
        total += size;
    }
    archive.contentBytes = total;
    PakBuilder::Options options;  // 64 KiB blocks, lc 3 lp 0 pb 2, preset 6
    std::string file, error;
    const auto start = Clock::now();
    if (!PakBuilder::BuildArchive(std::move(entries), options, file, error)) {
        fprintf(stderr, "pak_bench: %s\n", error.c_str());
        exit(1);
    }
    printf("built %.1f MB of content into a %.1f MB archive in %.1f s\n", total / 1048576.0, file.size() / 1048576.0,
           Seconds(start));
    archive.path = folder + "/pak_bench.pak";
    std::ofstream(archive.path, std::ios::binary | std::ios::trunc) << file;
    return archive;
}

// liblzma alone: decodes every block of the archive file (stored blocks are
// copied). Returns the decoded bytes.
uint64_t DecodeBlocksDirectly(const std::string& file, std::vector<unsigned char>& out)
{
    const unsigned char* d = reinterpret_cast<const unsigned char*>(file.data());
    Voke::ByteReader header(d, file.size());
    const uint32_t dataStart = header.U32(), blockSize = header.U32();
    const uint32_t count = uint32_t(-header.I32()) / 4;  // the builder writes a raw table
    lzma_filter props{LZMA_FILTER_LZMA1, nullptr};
    if (lzma_properties_decode(&props, nullptr, d + 12, 5) != LZMA_OK) return 0;
    lzma_options_lzma options = *static_cast<lzma_options_lzma*>(props.options);
    free(props.options);
    options.dict_size = std::max<uint32_t>(blockSize, LZMA_DICT_SIZE_MIN);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream stream = LZMA_STREAM_INIT;
    out.resize(blockSize);
    uint64_t total = 0;
    uint32_t start = 0;
    for (uint32_t i = 0; i < count; ++i) {
        header.Seek(17 + 4 * size_t(i));
        const uint32_t word = header.U32(), end = word & 0x7FFFFFFF;
        if (word & 0x80000000u) {
            if (lzma_raw_decoder(&stream, filters) != LZMA_OK) return 0;
            stream.next_in = d + dataStart + start;
            stream.avail_in = end - start;
            stream.next_out = out.data();
            stream.avail_out = blockSize;
            while (stream.avail_out && lzma_code(&stream, LZMA_RUN) == LZMA_OK) {
            }
        } else {
            memcpy(out.data(), d + dataStart + start, blockSize);
        }
        total += blockSize;
        start = end;
    }
    lzma_end(&stream);
    return total;
}

uint64_t ReadEveryEntry(Voke::PakMount* pak, std::vector<char>& buffer)
{
    uint64_t total = 0;
    for (int i = 0; i < pak->GetEntryCount(); ++i) {
        const Voke::PakMount::Entry& e = pak->GetEntry(i);
        Voke::SmartPtr<Voke::File> f = pak->OpenRead(pak->GetName(e));
        if (buffer.size() < e.size) buffer.resize(e.size);
        total += uint64_t(f->Read(buffer.data(), int(e.size)));
    }
    return total;
}

double RandomSmallReads(Voke::PakMount* pak, const std::vector<std::string>& names, int threads, double seconds)
{
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> done{0};
    std::vector<std::thread> pool;
    const auto start = Clock::now();
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            std::mt19937 rng(uint32_t(t) + 1);
            char buffer[8192];
            uint64_t mine = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                Voke::SmartPtr<Voke::File> f = pak->OpenRead(names[rng() % names.size()].c_str());
                if (f->Read(buffer, f->Length()) == f->Length()) ++mine;
            }
            done += mine;
        });
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (std::thread& t : pool) t.join();
    return double(done.load()) / Seconds(start);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const Archive archive = Make(folder);
    std::ifstream in(archive.path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Voke::SmartPtr<Voke::PakMount> pak(new Voke::PakMount(archive.path.c_str(), "", 0));
    if (!pak->IsValid()) {
        fprintf(stderr, "pak_bench: the archive does not open\n");
        return 1;
    }

    // Alternate the two measurements and keep the best of each, so both see
    // the same machine state.
    std::vector<char> buffer;
    std::vector<unsigned char> scratch;
    double readerBest = 0, lzmaBest = 0;
    uint64_t readerBytes = 0, lzmaBytes = 0;
    for (int round = 0; round < 5; ++round) {
        auto start = Clock::now();
        lzmaBytes = DecodeBlocksDirectly(file, scratch);
        lzmaBest = std::max(lzmaBest, lzmaBytes / 1e6 / Seconds(start));
        start = Clock::now();
        readerBytes = ReadEveryEntry(pak, buffer);
        readerBest = std::max(readerBest, readerBytes / 1e6 / Seconds(start));
    }
    if (readerBytes != archive.contentBytes) {
        fprintf(stderr, "pak_bench: read %llu bytes, expected %llu\n", (unsigned long long)readerBytes,
                (unsigned long long)archive.contentBytes);
        return 1;
    }
    const double overhead = (lzmaBest / readerBest - 1.0) * 100.0;
    printf("read every entry (%d entries, %.1f MB): %8.1f MB/s decompressed\n", pak->GetEntryCount(),
           readerBytes / 1e6, readerBest);
    printf("liblzma on the same blocks (%.1f MB):    %8.1f MB/s decompressed\n", lzmaBytes / 1e6, lzmaBest);
    printf("reader overhead on top of liblzma:        %8.1f %%  (limit 10 %%)\n", overhead);

    const double eight = RandomSmallReads(pak, archive.smallNames, 8, 3.0);
    const double one = RandomSmallReads(pak, archive.smallNames, 1, 2.0);
    printf("random small entries (200 B - 4 KiB), 8 threads: %8.0f entries/s\n", eight);
    printf("random small entries (200 B - 4 KiB), 1 thread:  %8.0f entries/s\n", one);
    remove(archive.path.c_str());
    return overhead < 10.0 ? 0 : 1;
}
