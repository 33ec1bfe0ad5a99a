// The mount table, save files and safe saving.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <thread>
#include <vector>

#include "engine/core/folder_lock.h"
#include "engine/core/maemo_game_save_file.h"
#include "engine/core/safe_save.h"
#include "engine/core/vfs.h"
#include "tests/support/files.h"
#include "tests/support/pak_files.h"
#include "tests/support/temp_dir.h"

using namespace Voke;

namespace {

using VokeTest::ReadAll;
using VokeTest::WriteBytes;
using VokeTest::Exists;
using VokeTest::ReadFile;

// Points the configuration folder at a fresh temporary folder for one test.
class SaveFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
        Vfs::Init();
    }
    void TearDown() override { Vfs::Shutdown(); }

    std::string Config(const std::string& rest) const { return m_dir / ("Vexbolt!/" + rest); }

    VokeTest::TempDir m_dir;
};

// A mount that records the names it was asked for and opens nothing.
class RecordingMount : public VfsMount {
public:
    RecordingMount(const char* mountPoint, int flags, std::vector<std::string>* log, const char* tag)
        : VfsMount(mountPoint, flags), m_log(log), m_tag(tag)
    {
    }
    File* OpenRead(const char* name) override
    {
        m_log->push_back(m_tag + ":" + name);
        return nullptr;
    }
    File* OpenWrite(const char* name) override { return OpenRead(name); }

private:
    std::vector<std::string>* m_log;
    std::string m_tag;
};

}  // namespace

TEST(Vfs, NoListOrEmptyListOpensNothing)
{
    Vfs::Shutdown();
    EXPECT_EQ(Vfs::Open("a.xml"), nullptr);
    EXPECT_EQ(Vfs::MountDirectory("/", "", 0), nullptr);
    SmartPtr<File> cached = Vfs::OpenCached("a.xml");
    ASSERT_NE(cached.Get(), nullptr);
    EXPECT_EQ(cached->Length(), 0);
    Vfs::Init();
    EXPECT_EQ(Vfs::Open("a.xml"), nullptr);
    EXPECT_EQ(Vfs::OpenWrite("save/a.xml"), nullptr);
    Vfs::Shutdown();
}

TEST(Vfs, SearchStopsAtTheFirstClaimingMountWithoutFallThrough)
{
    Vfs::Init();
    std::vector<std::string> log;
    // Pushed to the front, so searched in the reverse order.
    VfsMount* data = new RecordingMount("", 0, &log, "data");
    VfsMount* atlas = new RecordingMount("", VfsMount::FallThrough, &log, "atlas");
    VfsMount* save = new RecordingMount("save/", VfsMount::FallThrough, &log, "save");
    VfsMount* other = new RecordingMount("other/", 0, &log, "other");
    SmartPtr<VfsMount> keep[] = {data, atlas, save, other};
    for (VfsMount* m : {data, atlas, save, other}) ASSERT_EQ(Vfs::PushFront(m), m);

    EXPECT_EQ(Vfs::Open("SAVE/Endless.xml"), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"save:Endless.xml", "atlas:SAVE/Endless.xml", "data:SAVE/Endless.xml"}));
    log.clear();
    EXPECT_EQ(Vfs::OpenWrite("other/x"), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"other:x"}));
    log.clear();

    EXPECT_EQ(Vfs::FindMount("ab01.xml"), atlas);
    EXPECT_EQ(Vfs::FindMount("ab01.xml", data), data);
    EXPECT_EQ(Vfs::Unmount("save/x").Get(), save);
    EXPECT_EQ(Vfs::Unmount(atlas).Get(), atlas);
    EXPECT_EQ(Vfs::Unmount(atlas).Get(), nullptr);
    Vfs::Open("save/x");
    EXPECT_EQ(log, (std::vector<std::string>{"data:save/x"}));
    Vfs::Shutdown();
}

TEST(Vfs, NativeMountReadsFilesAndRefusesWrites)
{
    VokeTest::TempDir dir;
    WriteBytes(dir / "a.txt", "native");
    Vfs::Init();
    ASSERT_NE(Vfs::MountDirectory(dir.Path() + "/", "", 0), nullptr);
    SmartPtr<File> file = Vfs::Open("a.txt");
    ASSERT_NE(file.Get(), nullptr);
    EXPECT_EQ(ReadFile(file), "native");
    EXPECT_EQ(Vfs::Open("b.txt"), nullptr);
    EXPECT_EQ(Vfs::OpenWrite("a.txt"), nullptr);
    SmartPtr<File> cached = Vfs::OpenCached("a.txt");
    EXPECT_EQ(ReadFile(cached), "native");

    // Names of any length are used whole rather than cut to a fixed buffer.
    const std::string longName(200, 'n');
    WriteBytes(dir / longName, "long");
    SmartPtr<File> longFile = Vfs::Open(longName.c_str());
    ASSERT_NE(longFile.Get(), nullptr);
    EXPECT_EQ(ReadFile(longFile), "long");
    EXPECT_EQ(Vfs::Open(longName.substr(0, 150).c_str()), nullptr);

    Vfs::Shutdown();
}

TEST(Vfs, NativeMountUsesDeepRootsWhole)
{
    // A root of a few hundred characters, as a build folder deep in a
    // checkout gives: files below it are found, a longer sibling of the same
    // prefix is not confused with it.
    VokeTest::TempDir dir;
    std::string deep = dir.Path();
    for (int i = 0; i < 8; ++i) {
        deep += "/" + std::string(30, char('a' + i));
        ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    }
    WriteBytes(deep + "/font.xml", "deep");
    Vfs::Init();
    VfsMount* mount = Vfs::MountDirectory(deep + "/", "fonts/", 0);
    ASSERT_NE(mount, nullptr);
    EXPECT_EQ(static_cast<NativeMount*>(mount)->GetRoot(), deep + "/");
    SmartPtr<File> file = Vfs::Open("fonts/font.xml");
    ASSERT_NE(file.Get(), nullptr);
    EXPECT_EQ(ReadFile(file), "deep");

    // A root past the system's path limit cannot open anything: null, not a
    // file found under a cut prefix.
    Vfs::MountDirectory(dir.Path() + "/" + std::string(5000, 'x') + "/", "long/", 0);
    EXPECT_EQ(Vfs::Open("long/font.xml"), nullptr);
    Vfs::Shutdown();
}

TEST(Vfs, OpensOnOneNativeMountFromSeveralThreads)
{
    VokeTest::TempDir dir;
    for (int i = 0; i < 8; ++i) WriteBytes(dir / ("f" + std::to_string(i)), std::string(i + 1, char('a' + i)));
    Vfs::Init();
    Vfs::MountDirectory(dir.Path() + "/", "", 0);
    std::vector<std::thread> threads;
    std::vector<int> bad(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &bad] {
            const std::string name = "f" + std::to_string(t);
            for (int i = 0; i < 200; ++i) {
                SmartPtr<File> f = Vfs::Open(name.c_str());
                if (!f || ReadFile(f) != std::string(t + 1, char('a' + t))) ++bad[t];
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(bad, std::vector<int>(8, 0));
    Vfs::Shutdown();
}

TEST_F(SaveFolder, BuildPathFollowsTheEnvironment)
{
    EXPECT_EQ(MaemoGameSaveFile::BuildPath("save/a.xml"), Config("save/a.xml"));
    const std::string home = getenv("HOME") ? getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(MaemoGameSaveFile::BuildPath("x"), "/home/u/.config/Vexbolt!/x");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "", 1);
    EXPECT_EQ(MaemoGameSaveFile::BuildPath("x"), "");
    SmartPtr<MaemoGameSaveFile> file(new MaemoGameSaveFile);
    EXPECT_FALSE(file->OpenWrite("x"));
    EXPECT_FALSE(file->OpenRead("x"));
    setenv("HOME", home.c_str(), 1);
}

TEST_F(SaveFolder, ARelativeConfigHomeIsIgnored)
{
    // Taken as given it would put the saves under the working folder.
    const std::string home = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", "/home/u", 1);
    for (const char* relative : {"build", "./cfg", "cfg/"}) {
        setenv("XDG_CONFIG_HOME", relative, 1);
        EXPECT_EQ(MaemoGameSaveFile::BuildPath("x"), "/home/u/.config/Vexbolt!/x") << relative;
    }
    setenv("HOME", "", 1);
    EXPECT_EQ(MaemoGameSaveFile::BuildPath("x"), "");
    setenv("HOME", home.c_str(), 1);
}

// The start-up check of the save folder: it names the folder and the error
// a save would meet, and only looks.
TEST_F(SaveFolder, CheckWritableNamesTheFolderAndCreatesNothing)
{
    std::string folder;
    // Missing: the configuration folder can hold it, as a save creates it.
    EXPECT_EQ(MaemoGameSaveFile::CheckWritable("save", folder), 0);
    EXPECT_EQ(folder, Config("save"));
    EXPECT_FALSE(Exists(m_dir / "Vexbolt!"));
    ASSERT_TRUE(Vfs::MountDirectory("save/", "save/", VfsMount::FallThrough | VfsMount::SaveFiles));
    ASSERT_TRUE(Vfs::WriteFile("save/endless.xml", "<registry/>", 11));
    EXPECT_EQ(MaemoGameSaveFile::CheckWritable("save", folder), 0);
    EXPECT_EQ(ReadAll(Config("save/endless.xml")), "<registry/>");

    // A file in the folder's place, or in its parent's.
    WriteBytes(Config("file"), "x");
    EXPECT_EQ(MaemoGameSaveFile::CheckWritable("file", folder), ENOTDIR);
    EXPECT_EQ(MaemoGameSaveFile::CheckWritable("file/save", folder), ENOTDIR);
    EXPECT_EQ(folder, Config("file/save"));

    // Permissions do not stop root, who writes there all the same.
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(Config("save").c_str(), 0500), 0);
        EXPECT_EQ(MaemoGameSaveFile::CheckWritable("save", folder), EACCES);
        EXPECT_EQ(MaemoGameSaveFile::CheckWritable("save/deeper/still", folder), EACCES);
        chmod(Config("save").c_str(), 0700);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Config("save")), {}), 1);  // endless.xml

    // No configuration folder at all.
    const std::string home = getenv("HOME") ? getenv("HOME") : "";
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(MaemoGameSaveFile::CheckWritable("save", folder), ENOENT);
    EXPECT_EQ(folder, "");
    setenv("HOME", home.c_str(), 1);
}

// The start-up claim of the save folder. Another copy of the game holds it:
// this one reads its saves and writes none until it has the folder.
TEST_F(SaveFolder, AFolderHeldElsewhereRefusesEveryWriteAndStillReads)
{
    Vfs::MountDirectory("save/", "save/", VfsMount::FallThrough | VfsMount::SaveFiles);
    ASSERT_TRUE(Vfs::WriteFile("save/endless.xml", "<registry/>", 11));
    FolderLock other;
    ASSERT_EQ(other.Take(Config("save")), FolderLock::State::kHeld);
    int holder = 0;
    EXPECT_EQ(MaemoGameSaveFile::ClaimFolder("save/", holder), FolderLock::State::kInUse);
    EXPECT_EQ(holder, getpid());

    EXPECT_EQ(Vfs::OpenWrite("save/config.xml"), nullptr);
    EXPECT_FALSE(Vfs::WriteFile("save/endless.xml", "<other/>", 8));
    EXPECT_FALSE(Vfs::WriteFile("save/new/controls.xml", "x", 1));
    SmartPtr<File> file = Vfs::Open("save/endless.xml");
    ASSERT_NE(file.Get(), nullptr);
    EXPECT_EQ(ReadFile(file), "<registry/>");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Config("save")))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".lock", "endless.xml"}));

    // Given back: the next claim has it, and saves land again.
    other.Release();
    EXPECT_EQ(MaemoGameSaveFile::ClaimFolder("save/", holder), FolderLock::State::kHeld);
    EXPECT_EQ(other.Take(Config("save")), FolderLock::State::kInUse);
    EXPECT_TRUE(Vfs::WriteFile("save/endless.xml", "<other/>", 8));
    EXPECT_EQ(ReadAll(Config("save/endless.xml")), "<other/>");
}

TEST_F(SaveFolder, SaveMountWritesIntoTheConfigurationFolder)
{
    Vfs::MountDirectory("save/", "save/", VfsMount::FallThrough | VfsMount::SaveFiles);
    EXPECT_EQ(Vfs::Open("save/endless.xml"), nullptr);
    EXPECT_FALSE(Exists(m_dir / "Vexbolt!"));  // reading creates nothing

    EXPECT_TRUE(Vfs::WriteFile("SAVE/endless.xml", "<registry/>", 11));
    EXPECT_EQ(ReadAll(Config("save/endless.xml")), "<registry/>");
    struct stat st;
    ASSERT_EQ(stat(Config("save").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(Exists(Config("save/endless.xml.tmp")));

    SmartPtr<File> file = Vfs::Open("save/endless.xml");
    ASSERT_NE(file.Get(), nullptr);
    EXPECT_EQ(ReadFile(file), "<registry/>");

    // The stream API commits on Close or on release, as the registry uses it.
    {
        SmartPtr<File> out = Vfs::OpenWrite("save/config.xml");
        ASSERT_NE(out.Get(), nullptr);
        EXPECT_EQ(out->Write("0123456789", 10), 10);
    }
    EXPECT_EQ(ReadAll(Config("save/config.xml")), "0123456789");
}

TEST_F(SaveFolder, AFileInPlaceOfTheFolderFailsTheWrite)
{
    ASSERT_EQ(mkdir((m_dir / "Vexbolt!").c_str(), 0700), 0);
    WriteBytes(Config("save"), "not a folder");
    Vfs::MountDirectory("save/", "save/", VfsMount::FallThrough | VfsMount::SaveFiles);
    EXPECT_EQ(Vfs::OpenWrite("save/endless.xml"), nullptr);
    EXPECT_FALSE(Vfs::WriteFile("save/endless.xml", "x", 1));
    EXPECT_EQ(ReadAll(Config("save")), "not a folder");
}

TEST_F(SaveFolder, AFailedSaveKeepsThePreviousFile)
{
    Vfs::MountDirectory("save/", "save/", VfsMount::FallThrough | VfsMount::SaveFiles);
    const std::string old(300, 'o');
    ASSERT_TRUE(Vfs::WriteFile("save/endless.xml", old.data(), int(old.size())));

    // A stream that fails half-way: the file-size limit refuses bytes beyond
    // 1000, as a full disk would. (Whole-file writes: registry_store_test.)
    const std::string big(5000, 'n');
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit limit = saved;
    limit.rlim_cur = 1000;
    auto previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    SmartPtr<File> out = Vfs::OpenWrite("save/endless.xml");
    const bool streamed = out && out->Write(big.data(), int(big.size())) == int(big.size()) && out->Close();
    out.Reset();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    EXPECT_FALSE(streamed);
    EXPECT_EQ(ReadAll(Config("save/endless.xml")), old);
    EXPECT_FALSE(Exists(Config("save/endless.xml.tmp")));

    // The rename itself failing (a folder in the target's place).
    ASSERT_EQ(mkdir(Config("save/dir.xml").c_str(), 0700), 0);
    EXPECT_FALSE(Vfs::WriteFile("save/dir.xml", "x", 1));
    EXPECT_FALSE(Exists(Config("save/dir.xml.tmp")));
}

TEST(SafeSave, ReplacesTheTargetOnlyWhenEverythingWorked)
{
    VokeTest::TempDir dir;
    const std::string target = dir / "scores";
    WriteBytes(target, "old");
    EXPECT_TRUE(SafeSave::WriteFile(target, "new contents", 12));
    EXPECT_EQ(ReadAll(target), "new contents");

    FILE* f = SafeSave::Begin(target);
    ASSERT_NE(f, nullptr);
    fputs("half", f);
    EXPECT_FALSE(SafeSave::Finish(f, target, false));  // a write fell short
    EXPECT_EQ(ReadAll(target), "new contents");
    EXPECT_FALSE(Exists(SafeSave::TempPath(target)));
    EXPECT_FALSE(SafeSave::WriteFile(dir / "missing/x", "x", 1));
}
