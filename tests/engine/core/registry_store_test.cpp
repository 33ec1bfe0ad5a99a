// Registry files and language files through the mount table: the save folder,
// failed saves, damaged files on disk.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <utility>

#include "engine/core/io_stream.h"
#include "engine/core/registry.h"
#include "engine/core/vfs.h"
#include "engine/core/xml.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace Voke {
namespace {

using VokeTest::ReadAll;
using VokeTest::WriteBytes;
using VokeTest::Exists;

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
        Vfs::Init();
        Vfs::MountDirectory(m_dir / "data/", "", 0);
        Vfs::MountDirectory("save/", "save/", VfsMount::FallThrough | VfsMount::SaveFiles);
        mkdir((m_dir / "data").c_str(), 0700);
    }
    void TearDown() override { Vfs::Shutdown(); }

    std::string Saved(const std::string& name) const { return m_dir / ("Vexbolt!/save/" + name); }

    VokeTest::TempDir m_dir;
};

TEST_F(RegistryStore, SavedFilesOverrideDefaultsFromTheData)
{
    WriteBytes(m_dir / "data/controls.xml",
               "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<registry>\n\t<node name=\"/controls\">\n"
               "\t\t<key name=\"swap\" type=\"bool\">false</key>\n\t\t<key name=\"other\" type=\"int\">3</key>\n"
               "\t</node>\n</registry>\n");
    SmartPtr<Registry> registry(new Registry);
    ASSERT_TRUE(registry->Load("controls.xml", false, ""));
    // Nothing saved yet: "save/controls.xml" is missing in the folder and in
    // the data. Saving a path that names nothing writes nothing.
    EXPECT_FALSE(registry->Load("save/controls.xml", false, ""));
    EXPECT_FALSE(registry->Save("save/controls.xml", "/none"));
    EXPECT_FALSE(Exists(Saved("controls.xml")));
    registry->Set("/controls/swap", true);
    ASSERT_TRUE(registry->Save("save/controls.xml", "/controls"));

    SmartPtr<Registry> next(new Registry);
    ASSERT_TRUE(next->Load("controls.xml", false, ""));
    ASSERT_TRUE(next->Load("save/controls.xml", false, ""));
    bool swap = false;
    int other = 0;
    EXPECT_TRUE(next->Get("/controls/swap", swap));
    EXPECT_TRUE(swap);
    EXPECT_TRUE(next->Get("/controls/other", other));
    EXPECT_EQ(other, 3);
}

TEST_F(RegistryStore, AFailedSaveKeepsThePreviousFile)
{
    SmartPtr<Registry> registry(new Registry);
    registry->Set("/endless/scores/level01", 100);
    ASSERT_TRUE(registry->Save("save/endless.xml", "/endless"));
    const std::string old = ReadAll(Saved("endless.xml"));

    // The disk refuses bytes beyond a limit, as a full disk would, at every
    // point of the text.
    for (int i = 0; i < 200; ++i) registry->Set("/endless/scores/more" + std::to_string(i), i);
    const std::size_t full = registry->ToXml("/endless").size();
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previous = signal(SIGXFSZ, SIG_IGN);
    for (rlim_t cut : {rlim_t(0), rlim_t(1), rlim_t(old.size()), rlim_t(full / 2), rlim_t(full - 1)}) {
        struct rlimit limit = saved;
        limit.rlim_cur = cut;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        const bool stored = registry->Save("save/endless.xml", "/endless");
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(stored) << cut;
        EXPECT_EQ(ReadAll(Saved("endless.xml")), old) << cut;
        EXPECT_FALSE(Exists(Saved("endless.xml.tmp"))) << cut;
    }
    signal(SIGXFSZ, previous);

    // A folder that cannot be written.
    chmod((m_dir / "Vexbolt!/save").c_str(), 0500);
    if (access((m_dir / "Vexbolt!/save").c_str(), W_OK) != 0) {  // root writes anyway
        EXPECT_FALSE(registry->Save("save/endless.xml", "/endless"));
        EXPECT_EQ(ReadAll(Saved("endless.xml")), old);
    }
    chmod((m_dir / "Vexbolt!/save").c_str(), 0700);
    EXPECT_TRUE(registry->Save("save/endless.xml", "/endless"));
    EXPECT_EQ(ReadAll(Saved("endless.xml")), registry->ToXml("/endless"));
}

TEST_F(RegistryStore, ADamagedFileChangesNeitherRegistryNorDisk)
{
    SmartPtr<Registry> registry(new Registry);
    registry->Set("/endless/scores/level01", 100);
    ASSERT_TRUE(registry->Save("save/endless.xml", "/endless"));
    const std::string good = ReadAll(Saved("endless.xml"));
    const std::string before = registry->ToXml("/");

    for (const std::string& bad : {good.substr(0, good.size() / 2), std::string("\x89PNG\r\n\x1a\n garbage", 16),
                                   std::string("<registry><node name=\"/endless\"><key name=\"k\" type=\"int\">")}) {
        WriteBytes(Saved("endless.xml"), bad);
        EXPECT_FALSE(registry->Load("save/endless.xml", true, ""));
        EXPECT_EQ(registry->ToXml("/"), before);
        EXPECT_EQ(ReadAll(Saved("endless.xml")), bad);
    }
}

// A stream that announces more bytes than it delivers.
class ShortStream : public File {
public:
    explicit ShortStream(std::string text, int length) : m_text(std::move(text)), m_length(length) {}
    int Read(void* buffer, int bytes) override
    {
        int n = std::min<int>(bytes, static_cast<int>(m_text.size()) - m_position);
        if (n <= 0) return 0;
        std::memcpy(buffer, m_text.data() + m_position, static_cast<std::size_t>(n));
        m_position += n;
        return n;
    }
    int Write(const void*, int) override { return 0; }
    bool Seek(int offset, int origin) override
    {
        if (origin != SeekSet) return false;
        m_position = offset;
        return true;
    }
    int Tell() override { return m_position; }
    int Length() override { return m_length; }

private:
    std::string m_text;
    int m_length;
    int m_position = 0;
};

TEST_F(RegistryStore, StreamsAreParsedOnlyWhenReadWhole)
{
    const std::string text = "<r><v>1</v></r>";
    SmartPtr<File> whole(new ShortStream(text, static_cast<int>(text.size())));
    SmartPtr<Xml> document = Xml::Create(whole.Get());
    ASSERT_NE(document, nullptr);
    EXPECT_STREQ(XmlIt(document.Get(), "v").GetText(), "1");

    SmartPtr<File> shorter(new ShortStream(text, static_cast<int>(text.size()) + 100));
    EXPECT_EQ(Xml::Create(shorter.Get()), nullptr);
    SmartPtr<File> negative(new ShortStream(text, -1));
    EXPECT_EQ(Xml::Create(negative.Get()), nullptr);
    EXPECT_EQ(Xml::Create(static_cast<SeekableStream*>(nullptr)), nullptr);
    EXPECT_EQ(Xml::Load("no/such/file.xml"), nullptr);
}

}  // namespace
}  // namespace Voke
