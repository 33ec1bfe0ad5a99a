// Streams and files: lines, seeking rules of each file kind, bounds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "engine/core/cached_file.h"
#include "engine/core/mmap_file.h"
#include "engine/core/posix_file.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

using namespace Voke;

using VokeTest::WriteBytes;

TEST(IOStream, ReadLineDropsCarriageReturnAndReportsTheEnd)
{
    const char bytes[] = {'a', 13, 10, 'b'};
    SmartPtr<CachedFile> file(new CachedFile(bytes, 4, false));
    NarrowString line;
    EXPECT_TRUE(file->ReadLine(line));
    EXPECT_EQ(line, "a");
    line.clear();
    EXPECT_FALSE(file->ReadLine(line));
    EXPECT_EQ(line, "b");
    // The line is appended to, not replaced.
    SmartPtr<CachedFile> again(new CachedFile("x\ny", 3, true));
    NarrowString joined = "<";
    again->ReadLine(joined);
    again->ReadLine(joined);
    EXPECT_EQ(joined, "<xy");
}

TEST(MmapFile, SeekClampsAndReadsStayInTheMapping)
{
    VokeTest::TempDir dir;
    WriteBytes(dir / "f", "0123456789");
    SmartPtr<MmapFile> file(new MmapFile);
    ASSERT_TRUE(file->OpenRead((dir / "f").c_str()));
    EXPECT_EQ(file->Length(), 10);
    EXPECT_TRUE(file->Seek(-5, IOStream::SeekSet));
    EXPECT_EQ(file->Tell(), 0);
    EXPECT_TRUE(file->Seek(10, IOStream::SeekEnd));
    EXPECT_EQ(file->Tell(), 10);
    EXPECT_TRUE(file->Seek(3, 7));  // unknown origin keeps the position
    EXPECT_EQ(file->Tell(), 10);

    char buffer[16] = {};
    file->Seek(-3, IOStream::SeekEnd);
    EXPECT_EQ(file->Read(buffer, 16), 3);
    EXPECT_EQ(std::string(buffer, 3), "789");
    file->Seek(0, IOStream::SeekSet);
    EXPECT_EQ(file->Read(buffer, -4), 0);
    int want = 4;
    const unsigned char* p = file->Map(want);
    EXPECT_EQ(want, 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), 4), "0123");
    want = -1;
    file->Map(want);
    EXPECT_EQ(want, 0);
    EXPECT_EQ(file->Tell(), 4);
}

TEST(MmapFile, RefusesWhatIsNotAReadableRegularFile)
{
    VokeTest::TempDir dir;
    SmartPtr<MmapFile> file(new MmapFile);
    EXPECT_FALSE(file->OpenRead(dir.Path().c_str()));
    EXPECT_FALSE(file->OpenRead((dir / "missing").c_str()));
    EXPECT_FALSE(file->IsOpen());
    EXPECT_FALSE(file->OpenWrite((dir / "new").c_str()));
    EXPECT_EQ(file->Write("x", 1), 0);

    // An empty file is a file: open, nothing to read.
    WriteBytes(dir / "empty", "");
    ASSERT_TRUE(file->OpenRead((dir / "empty").c_str()));
    EXPECT_EQ(file->Length(), 0);
    char c;
    EXPECT_EQ(file->Read(&c, 1), 0);
}

TEST(CachedFile, SeekIsUnclampedAndReadsOutsideGiveNothing)
{
    SmartPtr<CachedFile> file(new CachedFile("abcd", 4, true));
    EXPECT_TRUE(file->Seek(10, IOStream::SeekEnd));
    EXPECT_EQ(file->Tell(), 14);
    char buffer[8];
    EXPECT_EQ(file->Read(buffer, 8), 0);
    EXPECT_TRUE(file->Seek(-3, IOStream::SeekSet));
    EXPECT_EQ(file->Tell(), -3);
    EXPECT_EQ(file->Read(buffer, 8), 0);
    EXPECT_FALSE(file->Seek(0, 3));
    EXPECT_TRUE(file->Seek(2, IOStream::SeekSet));
    EXPECT_EQ(file->Read(buffer, 8), 2);
    EXPECT_EQ(std::string(buffer, 2), "cd");

    SmartPtr<CachedFile> closed(new CachedFile);
    EXPECT_FALSE(closed->Seek(0, IOStream::SeekSet));
    EXPECT_EQ(closed->Read(buffer, 1), 0);
    EXPECT_FALSE(closed->OpenWrite("anything"));
}

TEST(CachedFile, ViewOfTheCallersBufferIsNeverFreed)
{
    static const char data[] = "static data";
    {
        SmartPtr<CachedFile> view(new CachedFile(data, 6, false));
        char buffer[6];
        EXPECT_EQ(view->Read(buffer, 6), 6);
    }  // freeing `data` here would be caught by the address sanitizer
    EXPECT_EQ(std::string(data), "static data");
}

TEST(PosixFile, WritesReadsAndKeepsThePositionForLength)
{
    VokeTest::TempDir dir;
    const std::string path = dir / "p";
    SmartPtr<PosixFile> file(new PosixFile);
    ASSERT_TRUE(file->OpenWrite(path.c_str()));
    EXPECT_TRUE(file->WriteString("hello world"));
    EXPECT_EQ(file->Write("x", -1), 0);
    EXPECT_TRUE(file->Close());

    ASSERT_TRUE(file->OpenRead(path.c_str()));
    EXPECT_TRUE(file->Seek(6, IOStream::SeekSet));
    EXPECT_EQ(file->Length(), 11);
    EXPECT_EQ(file->Tell(), 6);
    EXPECT_FALSE(file->Seek(0, 3));
    EXPECT_EQ(file->Tell(), 6);
    char buffer[8] = {};
    EXPECT_EQ(file->Read(buffer, 8), 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(file->Write("x", 1), 0);  // opened for reading

    file->Close();
    EXPECT_FALSE(file->Seek(0, IOStream::SeekSet));
    EXPECT_EQ(file->Read(buffer, 1), 0);
    EXPECT_EQ(file->Length(), 0);
    EXPECT_FALSE(file->OpenRead((dir / "missing").c_str()));
}
