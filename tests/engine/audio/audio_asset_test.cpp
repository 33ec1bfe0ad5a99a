// Sounds by asset name: the option after '@' picks how the file is played,
// and the asset dictionary shares one source per name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/audio/audio_asset.h"
#include "engine/core/vfs.h"
#include "tests/support/temp_dir.h"
#include "tools/pak_builder.h"

namespace Voke {
namespace {

class AudioAssets : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string command = std::string(VOKE_OGG_ENCODER) + " " + (m_dir / "tone.ogg") + " 1 22050 4000";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ifstream in(m_dir / "tone.ogg", std::ios::binary);
        const std::string ogg((std::istreambuf_iterator<char>(in)), {});
        std::string archive, error;
        ASSERT_TRUE(PakBuilder::BuildArchive({{"sfx/tone.ogg", ogg}}, PakBuilder::Options(), archive, error)) << error;
        std::ofstream(m_dir / "sound.pak", std::ios::binary) << archive;
        Vfs::Init();
        ASSERT_NE(Vfs::MountPak(m_dir / "sound.pak", "", 0), nullptr);
    }
    void TearDown() override { Vfs::Shutdown(); }

    VokeTest::TempDir m_dir;
};

bool IsBuffer(AudioSource* source) { return dynamic_cast<AudioBuffer*>(source) != nullptr; }

TEST_F(AudioAssets, TheOptionPicksHowTheSoundIsPlayed)
{
    SmartPtr<AudioSource> cached = SplitAudioFileOption("sfx/tone.ogg@cache");
    SmartPtr<AudioSource> buffered = SplitAudioFileOption("sfx/tone.ogg@buffer");
    SmartPtr<AudioSource> other = SplitAudioFileOption("sfx/tone.ogg@loud");
    SmartPtr<AudioSource> plain = SplitAudioFileOption("sfx/tone.ogg");
    ASSERT_TRUE(cached && buffered && other && plain);
    EXPECT_FALSE(IsBuffer(cached));
    EXPECT_TRUE(IsBuffer(buffered));
    EXPECT_FALSE(IsBuffer(other));
    EXPECT_FALSE(IsBuffer(plain));
    EXPECT_EQ(buffered->GetLength(), cached->GetLength());

    // The cached copy no longer needs the archive.
    Vfs::Shutdown();
    Vfs::Init();
    std::vector<char> bytes(512);
    EXPECT_EQ(cached->Read(bytes.data(), 512), 512);

    EXPECT_FALSE(SplitAudioFileOption("sfx/missing.ogg@buffer"));
    EXPECT_FALSE(SplitAudioFileOption("sfx/tone.wav@cache")) << "only Ogg files are cached";
    EXPECT_FALSE(SplitAudioFileOption("@"));
}

TEST_F(AudioAssets, OneSourcePerNameWhileHeld)
{
    SmartPtr<AssetDict> dict = new AssetDict;
    SmartPtr<AudioSource> first = GetCachedSound(*dict, "sfx/tone.ogg@buffer", false);
    ASSERT_TRUE(first);
    EXPECT_EQ(GetCachedSound(*dict, "sfx/tone.ogg@buffer", false).Get(), first.Get());
    WeakPtr<AudioSource> watch = first.Get();
    first.Reset();
    EXPECT_TRUE(watch.Expired());

    WeakPtr<AudioSource> kept = GetCachedSound(*dict, "sfx/tone.ogg@cache", true).Get();
    EXPECT_FALSE(kept.Expired());
    EXPECT_FALSE(GetCachedSound(*dict, "sfx/none.ogg", true));
    EXPECT_EQ(dict->GetResidentCount(), 1u);
    dict.Reset();
    EXPECT_TRUE(kept.Expired());
}

TEST_F(AudioAssets, ByNameAloneTheEngineDictionaryShares)
{
    const SmartPtr<AssetDict> saved = AssetDict::s_engine;
    AssetDict::s_engine = nullptr;
    // Without a dictionary every request opens a source of its own.
    SmartPtr<AudioSource> a = GetCachedSound("sfx/tone.ogg@buffer", true);
    SmartPtr<AudioSource> b = GetCachedSound("sfx/tone.ogg@buffer", true);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_TRUE(IsBuffer(a));
    EXPECT_FALSE(GetCachedSound("sfx/none.ogg", true));

    AssetDict::s_engine = new AssetDict;
    WeakPtr<AudioSource> kept = GetCachedSound("sfx/tone.ogg@cache", true).Get();
    EXPECT_FALSE(kept.Expired()) << "kept by the engine dictionary";
    EXPECT_EQ(GetCachedSound(*AssetDict::s_engine, "sfx/tone.ogg@cache", false).Get(), kept.Get());
    EXPECT_EQ(AssetDict::s_engine->GetResidentCount(), 1u);
    AssetDict::s_engine = saved;
    EXPECT_TRUE(kept.Expired());
}

}  // namespace
}  // namespace Voke
