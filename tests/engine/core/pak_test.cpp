// Compressed block files and pak archives: round trips through the pak
// writer, access patterns, lookups, concurrent reads and damaged archives.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "engine/core/compressed_file.h"
#include "engine/core/pak_mount.h"
#include "engine/core/vfs.h"
#include "tests/support/files.h"
#include "tests/support/pak_files.h"
#include "tests/support/seed.h"
#include "tests/support/temp_dir.h"
#include "tools/pak_builder.h"

using namespace Voke;

namespace {

using VokeTest::ReadFile;
using VokeTest::WriteBytes;

// Text-like bytes (compress well) or noise (stored raw).
std::string MakeData(size_t size, uint32_t seed, bool text)
{
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    static const char* words[] = {"level ", "<key name=\"", "speed", "\"/>\n", "building ", "42 "};
    if (text) {
        s.clear();
        while (s.size() < size) s += words[rng() % 6];
        s.resize(size);
    } else {
        for (char& c : s) c = char(rng());
    }
    return s;
}

std::string Build(const std::vector<PakBuilder::Entry>& entries, const PakBuilder::Options& options)
{
    std::string file, error;
    EXPECT_TRUE(PakBuilder::BuildArchive(entries, options, file, error)) << error;
    return file;
}

PakBuilder::Options SmallBlocks(uint32_t blockSize, bool compressTable = false)
{
    PakBuilder::Options options;
    options.blockSize = blockSize;
    options.compressTable = compressTable;
    options.threads = 2;
    return options;
}

class Archives : public ::testing::Test {
protected:
    void SetUp() override { Vfs::Init(); }
    void TearDown() override { Vfs::Shutdown(); }

    std::string Save(const std::string& name, const std::string& bytes)
    {
        const std::string path = m_dir / name;
        WriteBytes(path, bytes);
        return path;
    }

    VokeTest::TempDir m_dir;
};

}  // namespace

TEST_F(Archives, PakWriterRoundTripsAFolder)
{
    std::map<std::string, std::string> files = {
        {"c 0 0 0.png", MakeData(3000, 1, false)},
        {"l10n/en.xml", MakeData(70000, 2, true)},  // larger than a 64 KiB block
        {"l10n/Fr.XML", MakeData(5000, 3, true)},
        {"Empty.txt", ""},
        {"a_b", "underscore"},
        {"aB", "mixed case"},
        {"music/Big Theme.ogg", MakeData(300000, 4, false)},
        {"sub dir/deeper/x", "x"},
    };
    for (const auto& [name, data] : files) WriteBytes(m_dir / ("in/" + name), data);

    for (const char* blockSize : {"65536", "4096"}) {
        const std::string archive = m_dir / (std::string("out") + blockSize + ".pak");
        const std::string command = std::string("\"") + PAKWRITER + "\" --block-size " + blockSize + " \"" +
                                    (m_dir / "in") + "\" \"" + archive + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        SmartPtr<PakMount> pak(new PakMount(archive.c_str(), "", 0));
        ASSERT_TRUE(pak->IsValid());
        EXPECT_EQ(pak->GetEntryCount(), int(files.size()));
        for (const auto& [name, data] : files) {
            SmartPtr<File> f = pak->OpenRead(name.c_str());
            ASSERT_NE(f.Get(), nullptr) << name;
            EXPECT_EQ(ReadFile(f), data) << name;
        }
        // The listing names every entry.
        const std::string list = m_dir / "list.txt";
        ASSERT_EQ(std::system((std::string("\"") + PAKWRITER + "\" --list \"" + archive + "\" > \"" + list + "\"").c_str()), 0);
        EXPECT_NE(VokeTest::ReadAll(list).find("music/Big Theme.ogg"), std::string::npos);
    }
    // Names equal without regard to case cannot both go in.
    WriteBytes(m_dir / "in/EMPTY.TXT", "clash");
    const std::string command = std::string("\"") + PAKWRITER + "\" \"" + (m_dir / "in") + "\" \"" + (m_dir / "bad.pak") + "\" 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "bad.pak"));
}

TEST_F(Archives, PakWriterRefusesArchivesTheReaderWouldRefuse)
{
    // One byte per block on a 1.2 MB file: more blocks than a reader takes.
    WriteBytes(m_dir / "big/data.bin", MakeData(1200000, 8, false));
    const std::string archive = m_dir / "big.pak", messages = m_dir / "messages.txt";
    const std::string command = std::string("\"") + PAKWRITER + "\" --block-size 1 \"" + (m_dir / "big") + "\" \"" +
                                archive + "\" 2>\"" + messages + "\"";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(VokeTest::ReadAll(messages).find("more than the 1048576 blocks"), std::string::npos)
        << VokeTest::ReadAll(messages);
    EXPECT_FALSE(std::filesystem::exists(archive));

    // The same limit in the library, one block past it.
    std::string file, error;
    EXPECT_FALSE(PakBuilder::BuildBlockFile(std::string(CompressedFile::kMaxBlockCount + 1, 'x'), SmallBlocks(1), file, error));
    EXPECT_NE(error.find("blocks"), std::string::npos);
}

TEST_F(Archives, PakWriterNamesLinkedFilesByTheirPlaceInTheFolder)
{
    namespace fs = std::filesystem;
    WriteBytes(m_dir / "outside/o.txt", "outside");
    WriteBytes(m_dir / "in/sibling.txt", "sibling");
    WriteBytes(m_dir / "in/sub/x.txt", "x");
    fs::create_symlink("../outside/o.txt", m_dir / "in/link.txt");
    fs::create_symlink("sibling.txt", m_dir / "in/also.txt");
    fs::create_symlink("../sibling.txt", m_dir / "in/sub/up.txt");
    // The folder named with a trailing separator and through a "." part.
    for (const std::string& folder : {m_dir / "in", m_dir / "in/", m_dir / "./in"}) {
        const std::string archive = m_dir / "links.pak";
        const std::string command = std::string("\"") + PAKWRITER + "\" \"" + folder + "\" \"" + archive + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        SmartPtr<PakMount> pak(new PakMount(archive.c_str(), "", 0));
        ASSERT_TRUE(pak->IsValid());
        std::map<std::string, std::string> found;
        for (int i = 0; i < pak->GetEntryCount(); ++i)
            found[pak->GetName(pak->GetEntry(i))] = ReadFile(SmartPtr<File>(pak->OpenRead(pak->GetName(pak->GetEntry(i)))));
        const std::map<std::string, std::string> expected = {{"also.txt", "sibling"}, {"link.txt", "outside"},
                                                             {"sibling.txt", "sibling"}, {"sub/up.txt", "sibling"},
                                                             {"sub/x.txt", "x"}};
        EXPECT_EQ(found, expected) << folder;
    }
}

TEST_F(Archives, ArchivePackedAtBuildTimeMounts)
{
    ASSERT_NE(Vfs::MountPak(FIXTURE_PAK, "", 0), nullptr);
    EXPECT_EQ(ReadFile(SmartPtr<File>(Vfs::Open("read me.TXT"))), "a name with spaces\n");
    EXPECT_EQ(ReadFile(SmartPtr<File>(Vfs::Open("l10n/en.xml"))), "<texts><text id=\"IDS_PLAY\">Play</text></texts>\n");
    SmartPtr<File> empty = Vfs::Open("empty");
    ASSERT_NE(empty.Get(), nullptr);
    EXPECT_EQ(empty->Length(), 0);
}

TEST_F(Archives, CompressedFileServesEveryAccessPattern)
{
    // Text and noise mixed, so some blocks are LZMA-coded and some stored.
    const std::string content = MakeData(9000, 5, true) + MakeData(3000, 6, false) + MakeData(5000, 7, true);
    for (bool compressTable : {false, true}) {
        std::string file, error;
        ASSERT_TRUE(PakBuilder::BuildBlockFile(content, SmallBlocks(1024, compressTable), file, error)) << error;
        SmartPtr<CompressedFile> f(new CompressedFile);
        ASSERT_TRUE(f->OpenRead(Save("c.bin", file).c_str()));
        const int length = f->Length();
        ASSERT_EQ(length, 17 * 1024);  // padded to whole blocks
        std::string padded = content;
        padded.resize(size_t(length), '\0');

        std::string all(size_t(length), '\0');  // sequential, odd pieces
        for (int at = 0; at < length;) at += f->Read(&all[size_t(at)], 333);
        EXPECT_EQ(all, padded);

        const uint32_t seed = VokeTest::TestSeed(9);
        SCOPED_TRACE(VokeTest::SeedNote(seed));
        std::mt19937 rng(seed);
        for (int i = 0; i < 300; ++i) {  // random reads, some spanning blocks
            const int at = int(rng() % uint32_t(length));
            const int size = int(rng() % 3000);
            std::string got(size_t(size), '\0');
            f->Seek(at, IOStream::SeekSet);
            const int n = f->Read(got.data(), size);
            ASSERT_EQ(n, std::min(size, length - at));
            ASSERT_EQ(got.substr(0, size_t(n)), padded.substr(size_t(at), size_t(n)));
        }
        char c;
        f->Seek(0, IOStream::SeekSet);  // back to block 0, then the last byte of block 3
        f->Read(&c, 1);
        f->Seek(4 * 1024 - 1, IOStream::SeekSet);
        ASSERT_EQ(f->Read(&c, 1), 1);
        EXPECT_EQ(c, padded[4 * 1024 - 1]);
        f->Seek(4 * 1024 - 10, IOStream::SeekSet);  // backwards inside the block
        ASSERT_EQ(f->Read(&c, 1), 1);
        EXPECT_EQ(c, padded[4 * 1024 - 10]);

        EXPECT_TRUE(f->Seek(-1, IOStream::SeekSet));
        EXPECT_EQ(f->Tell(), 0);
        EXPECT_TRUE(f->Seek(0, IOStream::SeekEnd));
        EXPECT_EQ(f->Read(&c, 1), 0);
        EXPECT_EQ(f->Write("x", 1), 0);
    }
}

TEST_F(Archives, RawTableAndHeaderLimits)
{
    // A hand-made file: 2 stored blocks of 4 bytes, raw table of -8 bytes.
    std::string file;
    auto put = [&file](uint32_t v) { file.append(reinterpret_cast<const char*>(&v), 4); };
    put(17 + 8);
    put(4);
    put(uint32_t(-8));
    file += std::string("\x5D\x00\x10\x00\x00", 5);
    put(4);
    put(8);
    file += "abcdefgh";
    SmartPtr<CompressedFile> f(new CompressedFile);
    ASSERT_TRUE(f->OpenRead(Save("raw.bin", file).c_str()));
    EXPECT_EQ(f->Length(), 8);
    char buffer[8];
    EXPECT_EQ(f->Read(buffer, 8), 8);
    EXPECT_EQ(std::string(buffer, 8), "abcdefgh");

    auto patched = [&](size_t at, uint32_t value) {
        std::string bad = file;
        std::memcpy(&bad[at], &value, 4);
        return f->OpenRead(Save("bad.bin", bad).c_str());
    };
    for (uint32_t tableBytes : {0u, 1u, 3u, uint32_t(-3), 0x80000000u, 0x7FFFFFFFu}) EXPECT_FALSE(patched(8, tableBytes));
    EXPECT_FALSE(patched(4, 0));            // block size 0
    EXPECT_FALSE(patched(4, 0x40000000u));  // block size times count past 2 GiB
    EXPECT_FALSE(patched(0, 1000));         // data start past the end
    EXPECT_FALSE(patched(17, 9));           // block 0 past the end
    EXPECT_FALSE(patched(21, 2));           // block 1 ends before it starts
    EXPECT_TRUE(patched(13, 0xFFFFFFFFu));  // absurd dictionary: capped, still reads
    EXPECT_EQ(f->Read(buffer, 8), 8);
    std::string props = file;
    props[12] = char(225);  // no such lc/lp/pb
    EXPECT_FALSE(f->OpenRead(Save("p.bin", props).c_str()));
    props[12] = char(4 + 9 * 1);  // lc 4, lp 1: liblzma cannot decode it
    EXPECT_FALSE(f->OpenRead(Save("p.bin", props).c_str()));
    EXPECT_FALSE(f->IsOpen());
    EXPECT_EQ(f->Read(buffer, 8), 0);
}

TEST_F(Archives, NamesAreFoundInAnyCase)
{
    const std::vector<std::string> names = {"a_b", "aB", "Zed", "abc/x", "A", "a.b", "l10n/en.xml", "\xC3\xA9t\xC3\xA9"};
    std::vector<PakBuilder::Entry> entries;
    for (const std::string& n : names) entries.push_back({n, "<" + n + ">"});
    SmartPtr<PakMount> pak(new PakMount(Save("n.pak", Build(entries, SmallBlocks(256))).c_str(), "", 0));
    ASSERT_TRUE(pak->IsValid());
    for (const std::string& n : names) {
        std::string upper = n, lower = n;
        for (char& c : upper) c = char(toupper(static_cast<unsigned char>(c)));
        for (char& c : lower) c = char(tolower(static_cast<unsigned char>(c)));
        for (const std::string& query : {n, upper, lower}) {
            SmartPtr<File> f = pak->OpenRead(query.c_str());
            ASSERT_NE(f.Get(), nullptr) << query;
            EXPECT_EQ(ReadFile(f), "<" + n + ">");
        }
    }
    for (const char* absent : {"", "a_", "abc", "zed/", "b", "\xff"}) EXPECT_EQ(pak->FindEntry(absent), nullptr) << absent;
    EXPECT_EQ(pak->OpenWrite("a_b"), nullptr);

    SmartPtr<PakMount> empty(new PakMount(Save("e.pak", Build({}, SmallBlocks(64))).c_str(), "", 0));
    EXPECT_TRUE(empty->IsValid());
    EXPECT_EQ(empty->FindEntry("a"), nullptr);
}

TEST_F(Archives, VirtualFileSeeksInsideItsEntry)
{
    SmartPtr<PakMount> pak(new PakMount(Save("v.pak", Build({{"ten", "0123456789"}, {"z", "zz"}}, SmallBlocks(4))).c_str(), "", 0));
    SmartPtr<File> f = pak->OpenRead("ten");
    ASSERT_NE(f.Get(), nullptr);
    char buffer[16];
    EXPECT_TRUE(f->Seek(20, IOStream::SeekSet));
    EXPECT_EQ(f->Tell(), 10);
    EXPECT_EQ(f->Read(buffer, 10), 0);
    EXPECT_TRUE(f->Seek(-3, IOStream::SeekEnd));
    EXPECT_EQ(f->Read(buffer, 10), 3);
    EXPECT_EQ(std::string(buffer, 3), "789");
    EXPECT_TRUE(f->Seek(-100, IOStream::SeekCur));
    EXPECT_EQ(f->Tell(), 0);
    EXPECT_TRUE(f->Close());
    EXPECT_EQ(f->Length(), -1);
    EXPECT_EQ(f->Read(buffer, 1), 0);
    EXPECT_FALSE(f->Seek(0, IOStream::SeekSet));
}

TEST_F(Archives, MountOrderSaveFolderThenAtlasThenData)
{
    const std::string data = Save("data.pak", Build({{"ab01.xml", "data"}, {"only-data", "d"}, {"save/x", "pak save"}}, SmallBlocks(64)));
    const std::string atlas = Save("atlas.pak", Build({{"AB01.xml", "atlas"}}, SmallBlocks(64)));
    setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
    ASSERT_NE(Vfs::MountPak(data, "", 0), nullptr);
    ASSERT_NE(Vfs::MountPak(atlas, "", VfsMount::FallThrough), nullptr);
    ASSERT_NE(Vfs::MountDirectory("save/", "save/", VfsMount::FallThrough | VfsMount::SaveFiles), nullptr);
    EXPECT_EQ(Vfs::MountPak(m_dir / "missing.pak", "", 0), nullptr);

    EXPECT_EQ(ReadFile(SmartPtr<File>(Vfs::Open("ab01.xml"))), "atlas");
    EXPECT_EQ(ReadFile(SmartPtr<File>(Vfs::Open("only-data"))), "d");
    EXPECT_EQ(Vfs::Open("nowhere"), nullptr);
    EXPECT_EQ(ReadFile(SmartPtr<File>(Vfs::Open("save/x"))), "pak save");  // falls through
    EXPECT_TRUE(Vfs::WriteFile("save/x", "saved", 5));
    EXPECT_EQ(ReadFile(SmartPtr<File>(Vfs::Open("save/x"))), "saved");
    EXPECT_EQ(Vfs::OpenWrite("ab01.xml"), nullptr);

    // An entry stays readable after its archive is unmounted.
    SmartPtr<File> kept = Vfs::Open("only-data");
    Vfs::Shutdown();
    EXPECT_EQ(ReadFile(kept), "d");
}

TEST_F(Archives, ConcurrentReadersShareOneStream)
{
    std::vector<PakBuilder::Entry> entries;
    for (int i = 0; i < 16; ++i) entries.push_back({"e" + std::to_string(i), MakeData(3000 + size_t(i) * 517, uint32_t(i), i % 3 != 0)});
    SmartPtr<PakMount> pak(new PakMount(Save("t.pak", Build(entries, SmallBlocks(2048))).c_str(), "", 0));
    ASSERT_TRUE(pak->IsValid());
    std::vector<int> errors(8, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 rng{uint32_t(t)};
            for (int i = 0; i < 60; ++i) {
                const PakBuilder::Entry& e = entries[rng() % entries.size()];
                SmartPtr<File> f = pak->OpenRead(e.name.c_str());
                std::string got(e.data.size(), '\0');
                // Small pieces, so the threads' reads interleave.
                for (size_t at = 0; at < got.size();) {
                    const int n = f->Read(&got[at], 700);
                    if (n <= 0) break;
                    at += size_t(n);
                }
                if (got != e.data) ++errors[size_t(t)];
            }
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(errors, std::vector<int>(8, 0));
}
