// Registry and language files read from pak archives built by the pak writer,
// beside the same files in the save folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/core/vfs.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace Voke {
namespace {

using VokeTest::ReadAll;
using VokeTest::WriteBytes;

class RegistryPak : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
        Vfs::Init();
        mkdir((m_dir / "in").c_str(), 0700);
        mkdir((m_dir / "in/l10n").c_str(), 0700);
    }
    void TearDown() override { Vfs::Shutdown(); }

    // Packs the folder "in" into "data.pak" with the pak writer.
    std::string Pack()
    {
        const std::string archive = m_dir / "data.pak";
        const std::string command = std::string("\"") + PAKWRITER + "\" --block-size 4096 \"" + (m_dir / "in") +
                                    "\" \"" + archive + "\"";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return archive;
    }

    VokeTest::TempDir m_dir;
};

TEST_F(RegistryPak, SavedRegistryReadsBackIdenticallyFromAPakAndTheSaveFolder)
{
    SmartPtr<Registry> source(new Registry);
    source->Set("/endless/scores/level01", 1234);
    source->Set("/endless/scores/level06", -1);
    source->Set("/endless/<&>\"'/\xC3\xA9t\xC3\xA9", "<&>\"' \xF0\x9F\x98\x80\r\n\tend ");
    source->Set("/endless/blank", "   ");
    source->Set("/endless/ratio", 0.05f);
    source->Set("/endless/on", true);
    const std::string text = source->ToXml("/endless");

    Vfs::MountDirectory("save/", "save/", VfsMount::FallThrough | VfsMount::SaveFiles);
    ASSERT_TRUE(source->Save("save/endless.xml", "/endless"));
    const std::string saved = ReadAll(m_dir / "Vexbolt!/save/endless.xml");
    ASSERT_EQ(saved, text);

    // The same bytes as the pak default "endless.xml", with the data mounted
    // below the save folder as the game does.
    WriteBytes(m_dir / "in/endless.xml", saved);
    Vfs::Shutdown();
    Vfs::Init();
    ASSERT_NE(Vfs::MountPak(Pack(), "", 0), nullptr);
    Vfs::MountDirectory("save/", "save/", VfsMount::FallThrough | VfsMount::SaveFiles);

    SmartPtr<Registry> fromPak(new Registry);
    ASSERT_TRUE(fromPak->Load("endless.xml", false, ""));
    EXPECT_EQ(fromPak->ToXml("/endless"), text);

    SmartPtr<Registry> fromSave(new Registry);
    ASSERT_TRUE(fromSave->Load("save/endless.xml", false, ""));
    EXPECT_EQ(fromSave->ToXml("/endless"), text);
}

TEST_F(RegistryPak, LanguageFilesComeFromThePak)
{
    WriteBytes(m_dir / "in/l10n/en.xml",
               "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<strings>\n"
               "\t<string id=\"IDS_PLAY\">Play</string>\n\t<string id=\"IDS_BACK\">&lt; Back</string>\n</strings>\n");
    WriteBytes(m_dir / "in/l10n/de.xml",
               "<strings><string id=\"IDS_PLAY\">Spielen \xC3\x9F</string></strings>");
    ASSERT_NE(Vfs::MountPak(Pack(), "", 0), nullptr);

    SmartPtr<TextDict> dict(new TextDict);
    ASSERT_TRUE(dict->Load("l10n/en.xml"));
    EXPECT_EQ(dict->Get("IDS_BACK"), WideString(L"< Back"));
    ASSERT_TRUE(dict->Load("L10N/DE.XML"));  // pak names match without regard to case
    EXPECT_EQ(dict->Get("IDS_PLAY"), WideString(L"Spielen \u00DF"));
    EXPECT_EQ(dict->Get("IDS_BACK"), WideString(L"IDS_BACK"));
    EXPECT_FALSE(dict->Load("l10n/fr.xml"));  // missing: the language stays
    EXPECT_EQ(dict->Get("IDS_PLAY"), WideString(L"Spielen \u00DF"));
}

}  // namespace
}  // namespace Voke
