// The high-score table: ranking of new runs, its 120-byte form, and the
// score file in a real save folder, including saves that fail or are cut
// short and files that are not the game's. The unused loading page reads and
// writes the same file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/io_stream.h"
#include "engine/core/key_codes.h"
#include "engine/core/ref_counter.h"
#include "engine/core/vfs.h"
#include "game/menus/loading_screen.h"
#include "game/menus/score_table.h"
#include "game/menus/scores_popup.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

ScoreRecord Record(int32_t distance, int32_t points, int32_t completed = 0) { return {distance, points, completed}; }

std::vector<ScoreRecord> Table(const ScoresPopup& page)
{
    std::vector<ScoreRecord> out;
    for (int32_t k = 0; k < kScoreRecords; ++k) out.push_back(page.GetRecord(k));
    return out;
}

::testing::AssertionResult Same(const ScoreRecord& a, const ScoreRecord& b)
{
    if (a.distance == b.distance && a.points == b.points && a.completed == b.completed)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "{" << a.distance << ", " << a.points << ", " << a.completed
                                         << "} vs {" << b.distance << ", " << b.points << ", " << b.completed << "}";
}

TEST(ScoreRankingTest, CompletedRunsByPointsAboveOthersByDistanceNewerFirst)
{
    ScoresPopup page;
    page.AddScore(nullptr);
    EXPECT_TRUE(Same(page.GetRecord(0), Record(0, 0)));
    ScoreRecord first = Record(300, 10);
    page.AddScore(&first);
    EXPECT_TRUE(Same(page.GetRecord(0), first)) << "an empty table takes a run at rank 1";
    EXPECT_TRUE(Same(page.GetRecord(1), Record(0, 0)));

    ScoreRecord tie = Record(300, 5);
    page.AddScore(&tie);
    EXPECT_TRUE(Same(page.GetRecord(0), tie)) << "an equal distance goes above the older run";
    EXPECT_TRUE(Same(page.GetRecord(1), first));

    ScoreRecord shortButDone = Record(1, 20, 1);
    page.AddScore(&shortButDone);
    EXPECT_TRUE(Same(page.GetRecord(0), shortButDone)) << "completed runs stand above all others";

    ScoreRecord sameDone = Record(5, 20, 1);
    page.AddScore(&sameDone);
    EXPECT_TRUE(Same(page.GetRecord(0), sameDone)) << "equal points: the newer completed run goes above";
    EXPECT_TRUE(Same(page.GetRecord(1), shortButDone));

    ScoreRecord doneMore = Record(0, 25, 3);
    ScoreRecord doneLess = Record(9999, 19, 1);
    page.AddScore(&doneMore);
    page.AddScore(&doneLess);
    EXPECT_TRUE(Same(page.GetRecord(0), doneMore)) << "completed > 0 counts; among them only points";
    EXPECT_TRUE(Same(page.GetRecord(1), sameDone));
    EXPECT_TRUE(Same(page.GetRecord(2), shortButDone));
    EXPECT_TRUE(Same(page.GetRecord(3), doneLess));
    EXPECT_TRUE(Same(page.GetRecord(4), tie));

    // Fill with completed runs: a run that is not completed is dropped, and
    // so is a completed one below all ten; the tenth falls off when one
    // ranks above it.
    for (int i = 0; i < 10; ++i) {
        ScoreRecord done = Record(0, 100 + i, 1);
        page.AddScore(&done);
    }
    const std::vector<ScoreRecord> full = Table(page);
    ScoreRecord far = Record(1 << 30, 1 << 30);
    ScoreRecord low = Record(0, 99, 1);
    page.AddScore(&far);
    page.AddScore(&low);
    for (int32_t k = 0; k < kScoreRecords; ++k) EXPECT_TRUE(Same(page.GetRecord(k), full[size_t(k)]));
    ScoreRecord top = Record(0, 500, 1);
    page.AddScore(&top);
    EXPECT_TRUE(Same(page.GetRecord(0), top));
    for (int32_t k = 1; k < kScoreRecords; ++k) EXPECT_TRUE(Same(page.GetRecord(k), full[size_t(k - 1)]));

    // Ten runs that are not completed: one shorter than all is dropped.
    ScoresPopup others;
    for (int i = 0; i < 10; ++i) {
        ScoreRecord run = Record(50 + i, 0);
        others.AddScore(&run);
    }
    ScoreRecord shorter = Record(49, 1000);
    others.AddScore(&shorter);
    EXPECT_TRUE(Same(others.GetRecord(9), Record(50, 0)));
    ScoreRecord negative = Record(-5, 0);
    others.AddScore(&negative);
    EXPECT_TRUE(Same(others.GetRecord(9), Record(50, 0))) << "comparisons are signed";
}

TEST(ScoreRankingTest, AHandEditedTableIsShownAndExtendedInRankOrder)
{
    // The best run, a completed one, last; two runs of 900 m, the first
    // written above the other.
    const ScoreRecord edited[kScoreRecords] = {Record(100, 1),  Record(0, 0),   Record(900, 5), Record(300, 2),
                                               Record(900, 6),  Record(200, 3), Record(400, 4), Record(500, 7),
                                               Record(600, 8),  Record(3, 70, 1)};
    uint8_t bytes[kScoreTableBytes];
    EncodeScoreTable(edited, bytes);
    ScoresPopup page;
    page.SetTable(bytes, kScoreTableBytes);
    const ScoreRecord ranked[kScoreRecords] = {Record(3, 70, 1), Record(900, 5), Record(900, 6), Record(600, 8),
                                               Record(500, 7),   Record(400, 4), Record(300, 2), Record(200, 3),
                                               Record(100, 1),   Record(0, 0)};
    for (int32_t k = 0; k < kScoreRecords; ++k) EXPECT_TRUE(Same(page.GetRecord(k), ranked[k])) << k;

    // A new run takes its place by rank; only the empty slot falls off.
    ScoreRecord run = Record(250, 9);
    page.AddScore(&run);
    EXPECT_TRUE(Same(page.GetRecord(0), Record(3, 70, 1)));
    EXPECT_TRUE(Same(page.GetRecord(7), run));
    EXPECT_TRUE(Same(page.GetRecord(9), Record(100, 1)));
}

// Ten records written by hand in rank order, little-endian, with values whose
// bytes differ.
std::string HandMadeTable()
{
    const int32_t values[30] = {1234, 56789, 1, 7,  8,  9, 0x01020304, -2, 2, 20, 21, 0, 18, 19,         0,
                                16,   17,    0, 14, 15, 0, 12,         13, 0, 10, 11, 0, -1, 0x7fffffff, 0};
    std::string bytes;
    for (int32_t v : values)
        for (int i = 0; i < 4; ++i) bytes.push_back(char(uint32_t(v) >> (8 * i)));
    return bytes;
}

TEST(ScoreBytesTest, TableMovesAs120LittleEndianBytesAndNoMore)
{
    const std::string hand = HandMadeTable();
    ASSERT_EQ(hand.size(), size_t(kScoreTableBytes));
    ScoresPopup page;
    std::vector<uint8_t> in(hand.begin(), hand.end());
    page.SetTable(in.data(), 119);
    EXPECT_TRUE(Same(page.GetRecord(0), Record(0, 0))) << "119 bytes are not a table";
    page.SetTable(nullptr, 120);
    page.SetTable(in.data(), 120);
    EXPECT_TRUE(Same(page.GetRecord(0), Record(1234, 56789, 1)));
    EXPECT_TRUE(Same(page.GetRecord(2), Record(0x01020304, -2, 2)));
    EXPECT_TRUE(Same(page.GetRecord(9), Record(-1, 0x7fffffff, 0)));

    std::vector<uint8_t> out(130, 0xAB);
    page.GetTable(out.data(), 119);
    EXPECT_EQ(out[0], 0xAB) << "too small a buffer gets nothing";
    page.GetTable(out.data(), 130);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 120), hand);
    EXPECT_EQ(out[120], 0xAB) << "exactly 120 bytes are copied";
}

// A save folder of its own, mounted at "save/" as the game mounts it.
class ScoreFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
        Voke::Vfs::Init();
        ASSERT_NE(Voke::Vfs::MountDirectory("save/", "save/", Voke::VfsMount::SaveFiles), nullptr);
        m_path = m_dir / "Vexbolt!/save/config.xml";
    }
    void TearDown() override { Voke::Vfs::Shutdown(); }

    void WriteFile(const std::string& bytes) { VokeTest::WriteBytes(m_path, bytes); }
    std::string FileBytes() const { return VokeTest::ReadAll(m_path); }
    bool TempLeft() const { return VokeTest::Exists(m_path + ".tmp"); }

    VokeTest::TempDir m_dir;
    std::string m_path;
};

TEST_F(ScoreFileTest, HandMadeFileRoundTripsByteForByte)
{
    const std::string hand = HandMadeTable();
    WriteFile(hand);
    uint8_t bytes[kScoreTableBytes] = {};
    ASSERT_TRUE(LoadScoreFile(bytes));
    ScoresPopup page;
    page.SetTable(bytes, kScoreTableBytes);
    EXPECT_TRUE(Same(page.GetRecord(0), Record(1234, 56789, 1)));

    // A run added and saved: the file holds the new table, 120 bytes.
    ScoreRecord run = Record(5000, 1, 0);
    page.AddScore(&run);
    uint8_t saved[kScoreTableBytes];
    page.GetTable(saved, kScoreTableBytes);
    ASSERT_TRUE(SaveScoreFile(saved));
    const std::string file = FileBytes();
    ASSERT_EQ(file.size(), size_t(kScoreTableBytes));
    EXPECT_EQ(file.substr(0, 36), hand.substr(0, 36)) << "below the three completed runs";
    EXPECT_EQ(file.substr(36, 12), std::string("\x88\x13\0\0\x01\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(file.substr(48), hand.substr(36, 72));
    EXPECT_FALSE(TempLeft());

    // Loading it again and saving unchanged gives the same bytes.
    uint8_t again[kScoreTableBytes];
    ASSERT_TRUE(LoadScoreFile(again));
    ScoresPopup reloaded;
    reloaded.SetTable(again, kScoreTableBytes);
    reloaded.GetTable(again, kScoreTableBytes);
    ASSERT_TRUE(SaveScoreFile(again));
    EXPECT_EQ(FileBytes(), file);
}

TEST_F(ScoreFileTest, FilesThatAreNotScoreTablesLeaveTheTableAndTheFile)
{
    uint8_t bytes[kScoreTableBytes];
    std::memset(bytes, 0x5A, sizeof bytes);
    EXPECT_FALSE(LoadScoreFile(bytes)) << "no file";

    const std::string hand = HandMadeTable();
    for (const std::string& content : {std::string(), hand.substr(0, 119)}) {
        WriteFile(content);
        EXPECT_FALSE(LoadScoreFile(bytes)) << content.size() << " bytes";
        EXPECT_EQ(FileBytes(), content) << "the file is left as it was";
    }
    std::filesystem::remove(m_path);
    std::filesystem::create_directories(m_path);
    EXPECT_FALSE(LoadScoreFile(bytes)) << "a folder in its place";
    for (uint8_t b : bytes) ASSERT_EQ(b, 0x5A);

    // A stream that promises 120 bytes but delivers fewer.
    class ShortStream : public Voke::SeekableStream {
    public:
        int Read(void* buffer, int bytes) override
        {
            const int n = bytes < 50 - m_pos ? bytes : 50 - m_pos;
            std::memset(buffer, 1, size_t(n > 0 ? n : 0));
            m_pos += n > 0 ? n : 0;
            return n > 0 ? n : 0;
        }
        int Write(const void*, int) override { return 0; }
        bool Seek(int, int) override { return false; }
        int Tell() override { return 0; }
        int Length() override { return kScoreTableBytes; }

    private:
        int m_pos = 0;
    };
    Voke::SmartPtr<ShortStream> damaged(new ShortStream);
    EXPECT_FALSE(ReadScoreTable(damaged, bytes));
    for (uint8_t b : bytes) ASSERT_EQ(b, 0x5A);
}

// Writes beyond `limit` bytes of any file fail with EFBIG, as on a full
// disk, until the object dies.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved;
    sighandler_t m_handler;
};

TEST_F(ScoreFileTest, ALongerFileGivesItsFirst120Bytes)
{
    // Bytes appended to a score file (by hand, or by another program) do not
    // cost the player the table, so the next save keeps the scores.
    const std::string hand = HandMadeTable();
    for (const std::string& content : {hand + "x", hand + std::string(1 << 20, '\x7f')}) {
        WriteFile(content);
        uint8_t bytes[kScoreTableBytes] = {};
        ASSERT_TRUE(LoadScoreFile(bytes)) << content.size() << " bytes";
        EXPECT_EQ(std::string(bytes, bytes + kScoreTableBytes), hand);
        EXPECT_EQ(FileBytes(), content) << "reading leaves the file as it was";

        LoadingScreen reader(LoadingScreen::kRead);
        reader.Step();
        reader.Step();
        EXPECT_TRUE(reader.IsDone());
        EXPECT_EQ(std::string(reader.GetReadTable(), reader.GetReadTable() + kScoreTableBytes), hand);
    }
}

TEST_F(ScoreFileTest, SaveFailingAtAnyByteKeepsThePreviousTable)
{
    const std::string hand = HandMadeTable();
    WriteFile(hand);
    uint8_t other[kScoreTableBytes];
    std::memset(other, 0x33, sizeof other);
    for (rlim_t limit = 0; limit < rlim_t(kScoreTableBytes); ++limit) {
        bool saved;
        {
            FileSizeLimit full(limit);
            saved = SaveScoreFile(other);
        }
        EXPECT_FALSE(saved) << "failing at byte " << limit;
        ASSERT_EQ(FileBytes(), hand) << "failing at byte " << limit;
        EXPECT_FALSE(TempLeft());
    }
    uint8_t loaded[kScoreTableBytes];
    ASSERT_TRUE(LoadScoreFile(loaded));
    EXPECT_EQ(std::string(loaded, loaded + kScoreTableBytes), hand);
}

TEST_F(ScoreFileTest, SaveCutShortByACrashKeepsThePreviousTable)
{
    const std::string hand = HandMadeTable();
    WriteFile(hand);
    uint8_t other[kScoreTableBytes];
    std::memset(other, 0x44, sizeof other);
    for (int written : {0, 1, 60, 119, 120}) {
        // The child dies in the middle of the save, without closing.
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Voke::SmartPtr<Voke::File> file = Voke::Vfs::OpenWrite(kScoreFileName);
            if (file) file->Write(other, written);
            _exit(file ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(FileBytes(), hand) << written << " bytes written";
        uint8_t loaded[kScoreTableBytes];
        ASSERT_TRUE(LoadScoreFile(loaded));
        EXPECT_EQ(std::string(loaded, loaded + kScoreTableBytes), hand);
    }
    // The next save replaces the stale temporary file and the table.
    ASSERT_TRUE(SaveScoreFile(other));
    EXPECT_EQ(FileBytes(), std::string(reinterpret_cast<char*>(other), kScoreTableBytes));
    EXPECT_FALSE(TempLeft());
}

TEST_F(ScoreFileTest, LoadingPageReadsAndWritesTheTableWithRetry)
{
    const std::string hand = HandMadeTable();
    {
        LoadingScreen reader(LoadingScreen::kRead);
        reader.OnKeyDown(Voke::KEY_SELECT);
        reader.Step();
        reader.OnKeyDown(Voke::KEY_BACK);
        EXPECT_FALSE(reader.IsDone()) << "keys do nothing before an error";
        reader.Step();
        EXPECT_TRUE(reader.IsDone()) << "no file ends the job";
    }
    {
        WriteFile(hand.substr(0, 119));
        LoadingScreen reader(LoadingScreen::kRead);
        reader.Step();
        reader.Step();
        EXPECT_TRUE(reader.IsDone());
        EXPECT_EQ(reader.GetReadTable()[0], 0) << "119 bytes leave the table cleared";
    }
    WriteFile(hand);
    LoadingScreen reader(LoadingScreen::kRead);
    reader.Step();
    reader.Step();
    ASSERT_TRUE(reader.IsDone());
    EXPECT_EQ(std::string(reader.GetReadTable(), reader.GetReadTable() + kScoreTableBytes), hand);

    // A write that fails shows the error page; yes retries on the second
    // following step, and the file changes only once the write succeeds.
    LoadingScreen writer(LoadingScreen::kWrite);
    std::memset(writer.GetWriteTable(), 0x21, kScoreTableBytes);
    writer.Step();
    {
        FileSizeLimit full(10);
        writer.Step();
    }
    EXPECT_FALSE(writer.IsDone());
    EXPECT_EQ(writer.GetState(), 5);
    EXPECT_EQ(FileBytes(), hand);
    writer.OnKeyDown(Voke::KEY_PSP_CROSS);
    EXPECT_EQ(writer.GetState(), 0);
    writer.Step();
    EXPECT_EQ(FileBytes(), hand);
    writer.Step();
    EXPECT_TRUE(writer.IsDone());
    EXPECT_EQ(FileBytes(), std::string(kScoreTableBytes, '\x21'));

    // No on an error page gives up.
    LoadingScreen giveUp(LoadingScreen::kWrite);
    giveUp.Step();
    {
        FileSizeLimit full(0);
        giveUp.Step();
    }
    giveUp.OnKeyDown(Voke::KEY_PSP_CIRCLE);
    EXPECT_TRUE(giveUp.IsDone());
}

}  // namespace
