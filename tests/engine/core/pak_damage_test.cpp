// Damaged archives: every truncation, every changed byte and hand-made bad
// directories must give a failed open or short reads, never a crash, a read
// outside a buffer or an unbounded allocation (run under the sanitizers).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

#include "engine/core/byte_reader.h"
#include "engine/core/compressed_file.h"
#include "engine/core/pak_mount.h"
#include "tests/support/temp_dir.h"
#include "tools/pak_builder.h"

using namespace Voke;

namespace {

struct Outcome {
    bool opened = false;
    bool allRead = true;  // every entry delivered its full size
    int wrongInFull = 0;  // entries delivered in full with other bytes than packed
};

// Mounts `bytes` as an archive and reads every entry to its end, comparing
// entries read in full with `packed` when it is given.
Outcome Probe(const VokeTest::TempDir& dir, const std::string& bytes,
              const std::vector<PakBuilder::Entry>* packed = nullptr)
{
    const std::string path = dir / "probe.pak";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    Outcome outcome;
    SmartPtr<PakMount> pak(new PakMount(path.c_str(), "", 0));
    outcome.opened = pak->IsValid();
    if (!outcome.opened) {
        EXPECT_EQ(pak->GetEntryCount(), 0);
        EXPECT_EQ(pak->FindEntry("a.txt"), nullptr);
        return outcome;
    }
    for (int i = 0; i < pak->GetEntryCount(); ++i) {
        const PakMount::Entry& e = pak->GetEntry(i);
        SmartPtr<File> f = pak->OpenRead(pak->GetName(e));
        if (!f) continue;  // damaged sort order: bisection may miss it
        std::vector<char> buffer(e.size + 1);
        const int n = f->Read(buffer.data(), int(e.size));
        if (n != int(e.size)) outcome.allRead = false;
        if (packed && n == int(e.size)) {
            for (const PakBuilder::Entry& original : *packed)
                if (original.name == pak->GetName(e) && original.data != std::string(buffer.data(), size_t(n)))
                    ++outcome.wrongInFull;
        }
        EXPECT_GE(n, 0);
        EXPECT_LE(n, int(e.size));
    }
    return outcome;
}

std::vector<PakBuilder::Entry> SmallSet()
{
    std::string text;
    while (text.size() < 700) text += "<key name=\"speed\" type=\"float\">1.5</key>\n";
    std::mt19937 rng(3);
    std::string noise(300, '\0');
    for (char& c : noise) c = char(rng());
    return {{"a.txt", text}, {"B/c d.bin", noise}, {"e", ""}};
}

std::string Archive(const std::vector<PakBuilder::Entry>& entries, uint32_t blockSize, bool compressTable)
{
    PakBuilder::Options options;
    options.blockSize = blockSize;
    options.compressTable = compressTable;
    options.threads = 1;
    std::string file, error;
    EXPECT_TRUE(PakBuilder::BuildArchive(entries, options, file, error)) << error;
    return file;
}

std::string Archive(bool compressTable) { return Archive(SmallSet(), 256, compressTable); }

void PutLE32(std::string& s, size_t at, uint32_t v) { std::memcpy(&s[at], &v, 4); }
uint32_t GetLE32(const std::string& s, size_t at) { return ByteReader(s.data() + at, 4).U32(); }

// 33 files of text (coded blocks) or noise (stored blocks) in 4 KiB blocks,
// like a small content archive.
std::vector<PakBuilder::Entry> ThirtyThree(bool noise)
{
    std::mt19937 rng(33);
    std::vector<PakBuilder::Entry> entries;
    for (int i = 0; i < 33; ++i) {
        std::string data;
        const size_t size = 200 + rng() % 1500;
        while (data.size() < size) {
            if (noise)
                data += char(rng());
            else
                data += "<text id=\"IDS_" + std::to_string(rng() % 97) + "\">Play</text>\n";
        }
        entries.push_back({"l10n/file" + std::to_string(i) + ".xml", data});
    }
    return entries;
}

// A stored-blocks archive around hand-made content, to damage the directory.
std::string Wrap(const std::string& content)
{
    PakBuilder::Options options;
    options.blockSize = 64;
    options.preset = 0;
    std::string file, error;
    EXPECT_TRUE(PakBuilder::BuildBlockFile(content, options, file, error)) << error;
    return file;
}

}  // namespace

TEST(DamagedArchive, EveryTruncationFailsTheOpen)
{
    VokeTest::TempDir dir;
    for (bool compressTable : {false, true}) {
        const std::string good = Archive(compressTable);
        ASSERT_TRUE(Probe(dir, good).opened);
        ASSERT_TRUE(Probe(dir, good).allRead);
        for (size_t length = 0; length < good.size(); ++length)
            EXPECT_FALSE(Probe(dir, good.substr(0, length)).opened) << "length " << length;
    }
}

TEST(DamagedArchive, EveryChangedByteIsSurvived)
{
    VokeTest::TempDir dir;
    for (bool compressTable : {false, true}) {
        const std::string good = Archive(compressTable);
        for (size_t at = 0; at < good.size(); ++at) {
            for (unsigned mask : {0x01u, 0x80u, 0xFFu}) {
                std::string bad = good;
                bad[at] = char(bad[at] ^ mask);
                Probe(dir, bad);  // checks bounds itself; must not crash
            }
        }
    }
}

TEST(DamagedArchive, GarbageInACompressedBlockGivesAShortRead)
{
    VokeTest::TempDir dir;
    std::string file = Archive(false);
    // The first block is LZMA-coded text; a coded stream must begin with a
    // zero byte, so 0xFF bytes are refused by the decoder at once.
    uint32_t dataStart, end0;
    std::memcpy(&dataStart, &file[0], 4);
    std::memcpy(&end0, &file[17], 4);
    ASSERT_TRUE(end0 & 0x80000000u);
    end0 &= 0x7FFFFFFFu;
    // Keep the directory (it is read first): damage the second coded block.
    uint32_t end1;
    std::memcpy(&end1, &file[21], 4);
    ASSERT_TRUE(end1 & 0x80000000u);
    end1 &= 0x7FFFFFFFu;
    for (uint32_t i = dataStart + end0; i < dataStart + end1; ++i) file[i] = char(0xFF);
    const Outcome outcome = Probe(dir, file);
    EXPECT_TRUE(outcome.opened);
    EXPECT_FALSE(outcome.allRead);
}

TEST(DamagedArchive, BadDirectoriesAreRefused)
{
    VokeTest::TempDir dir;
    // count 1, entry {name 0, data 20, size 2}, names size 2, "a\0", data "xy"
    std::string content(8 + 12 + 2 + 2, '\0');
    PutLE32(content, 0, 1);
    PutLE32(content, 4, 0);
    PutLE32(content, 8, 22);
    PutLE32(content, 12, 2);
    PutLE32(content, 16, 2);
    content.replace(20, 2, std::string("a\0", 2));
    content.replace(22, 2, "xy");
    ASSERT_TRUE(Probe(dir, Wrap(content)).opened);

    auto with = [&](size_t at, uint32_t value) {
        std::string bad = content;
        PutLE32(bad, at, value);
        return Probe(dir, Wrap(bad)).opened;
    };
    EXPECT_FALSE(with(0, 0x7FFFFFFF));  // absurd entry count
    EXPECT_FALSE(with(0, 0xFFFFFFFF));  // negative count
    EXPECT_FALSE(with(4, 2));           // name outside the names block
    EXPECT_FALSE(with(8, 0xFFFFFFF0));  // data past the end (and past 4 GiB)
    EXPECT_FALSE(with(12, 1000));       // size past the end
    EXPECT_FALSE(with(16, 0x7FFFFFF0)); // names block past the end
    std::string unterminated = content;
    unterminated[21] = 'b';  // the last name runs past its block
    EXPECT_FALSE(Probe(dir, Wrap(unterminated)).opened);

    // Content that decodes well (zeros) yet claims more entries than a
    // directory may hold.
    std::string huge(8 + 12 * size_t(PakMount::kMaxEntryCount + 1), '\0');
    PutLE32(huge, 0, PakMount::kMaxEntryCount + 1);
    PakBuilder::Options options;
    options.blockSize = 1 << 20;
    options.preset = 0;
    std::string file, error;
    ASSERT_TRUE(PakBuilder::BuildBlockFile(huge, options, file, error)) << error;
    EXPECT_LT(file.size(), huge.size() / 100);
    EXPECT_FALSE(Probe(dir, file).opened);

    std::string empty(8, '\0');  // count 0: mounts, finds nothing
    EXPECT_TRUE(Probe(dir, Wrap(empty)).opened);
}

TEST(DamagedArchive, AWrongBlockSizeInTheHeaderDeliversNoWrongEntry)
{
    VokeTest::TempDir dir;
    for (bool noise : {false, true}) {
        const std::vector<PakBuilder::Entry> entries = ThirtyThree(noise);
        const std::string good = Archive(entries, 4096, false);
        const Outcome fine = Probe(dir, good, &entries);
        ASSERT_TRUE(fine.opened);
        EXPECT_TRUE(fine.allRead);
        EXPECT_EQ(fine.wrongInFull, 0);
        // Only the header's block size changed: coded blocks then decode to
        // fewer or more bytes than a block, stored blocks are the wrong size.
        for (uint32_t blockSize : {4104u, 4097u, 4095u, 2048u, 8192u}) {
            std::string bad = good;
            PutLE32(bad, 4, blockSize);
            const Outcome outcome = Probe(dir, bad, &entries);
            EXPECT_FALSE(outcome.opened) << blockSize << (noise ? " stored" : " coded");
            EXPECT_EQ(outcome.wrongInFull, 0) << blockSize;
        }
    }
}

TEST(DamagedArchive, AStoredBlockShorterThanABlockIsRefusedAtOpen)
{
    VokeTest::TempDir dir;
    const std::vector<PakBuilder::Entry> entries = ThirtyThree(true);
    const std::string good = Archive(entries, 4096, false);
    const uint32_t tableAt = 17, count = uint32_t(-int32_t(GetLE32(good, 8))) / 4;
    int stored = 0;
    for (uint32_t i = 0; i + 1 < count; ++i) {
        const uint32_t word = GetLE32(good, tableAt + 4 * i);
        if (word & 0x80000000u) continue;  // coded (the directory compresses)
        ++stored;
        for (uint32_t end : {word - 1, word - 100, word + 1}) {
            std::string bad = good;
            PutLE32(bad, tableAt + 4 * i, end);
            const Outcome outcome = Probe(dir, bad, &entries);
            EXPECT_FALSE(outcome.opened) << "block " << i << " ending at " << end;
            EXPECT_EQ(outcome.wrongInFull, 0);
        }
    }
    EXPECT_GE(stored, 3);
}

TEST(DamagedArchive, NoByteOfABlockThatFailsToDecodeIsDelivered)
{
    VokeTest::TempDir dir;
    std::string text;
    while (text.size() < 3 * 1024) text += "<key name=\"speed\" type=\"float\">" + std::to_string(text.size()) + "</key>\n";
    text.resize(3 * 1024);
    PakBuilder::Options options;
    options.blockSize = 1024;
    options.threads = 1;
    std::string good, error;
    ASSERT_TRUE(PakBuilder::BuildBlockFile(text, options, good, error)) << error;
    const uint32_t dataStart = GetLE32(good, 0);
    const uint32_t end0 = GetLE32(good, 17) & 0x7FFFFFFFu, end1 = GetLE32(good, 21);
    ASSERT_TRUE(end1 & 0x80000000u);  // block 1 is coded
    const std::string path = dir / "blocks.bin";

    // One changed byte anywhere in block 1's coded data: block 1 reads whole
    // and, when it reads, in full; the blocks around it are untouched.
    int refused = 0;
    for (uint32_t at = dataStart + end0; at < dataStart + (end1 & 0x7FFFFFFFu); ++at) {
        for (unsigned mask : {0x01u, 0x10u, 0x80u}) {
            std::string bad = good;
            bad[at] = char(bad[at] ^ mask);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << bad;
            SmartPtr<CompressedFile> f(new CompressedFile);
            ASSERT_TRUE(f->OpenRead(path.c_str()));
            std::string block(1024, '\0');
            for (int offset : {0, 500}) {
                f->Seek(1024 + offset, IOStream::SeekSet);
                const int n = f->Read(block.data(), 1024 - offset);
                EXPECT_TRUE(n == 0 || n == 1024 - offset) << "byte " << at << " mask " << mask << ": " << n;
                if (n == 0) ++refused;
            }
            f->Seek(0, IOStream::SeekSet);
            ASSERT_EQ(f->Read(block.data(), 1024), 1024);
            EXPECT_EQ(block, text.substr(0, 1024));
            f->Seek(2048, IOStream::SeekSet);
            ASSERT_EQ(f->Read(block.data(), 1024), 1024);
            EXPECT_EQ(block, text.substr(2048, 1024));
            // A read across the damaged block stops where it begins.
            f->Seek(1000, IOStream::SeekSet);
            const int across = f->Read(block.data(), 1024);
            EXPECT_TRUE(across == 24 || across == 1024) << across;
        }
    }
    EXPECT_GT(refused, 0);
}
