// The game's executable under what goes wrong on a player's machine: save
// files that are damaged, cut short, empty, huge or of another kind; the
// process killed while it saves and while it has the keyboard (which leaves
// key auto-repeat alone); the window closed while it loads, while it
// plays and during the credits; the window destroyed by another client and
// the X server going away; the sound server going away and coming back;
// no message bus; a configuration folder it cannot write; damaged archives.
// Each case runs the real executable on an X server and a session bus of its
// own, so the cases run side by side (the game owns a name on its bus and the
// server's focus).
//
// The game must never crash nor print a sanitizer report, and whatever it
// cannot use it replaces with good files at its next save, or leaves alone
// when it cannot save.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/folder_lock.h"
#include "engine/core/pak_mount.h"
#include "engine/core/registry.h"
#include "game/menus/score_table.h"
#include "tests/game/app/game_process.h"
#include "tests/support/files.h"
#include "tests/support/pak_files.h"
#include "tests/support/seed.h"
#include "tests/support/temp_dir.h"
#include "tools/pak_builder.h"

namespace {

using VokeTest::GameOptions;
using VokeTest::GameProcess;
using VokeTest::GameWindow;
using VokeTest::PollUntil;
using VokeTest::ReadAll;
using VokeTest::WriteBytes;
namespace Screens = VokeTest::Screens;

const std::string kContentData = VEXBOLT_CONTENT_DATA_DIR;

std::string ScoreFileBytes(int32_t distance, int32_t points)
{
    ScoreRecord table[kScoreRecords] = {};
    table[0] = ScoreRecord{distance, points, 0};
    uint8_t bytes[kScoreTableBytes];
    EncodeScoreTable(table, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A registry file the engine reads, holding `key`.
::testing::AssertionResult RegistryFileHolds(const std::string& path, const std::string& key)
{
    Voke::Registry registry;
    if (!registry.LoadFromString(ReadAll(path), false, ""))
        return ::testing::AssertionFailure() << path << " is no registry file:\n" << ReadAll(path).substr(0, 200);
    if (!registry.GetKey(key, false)) return ::testing::AssertionFailure() << path << " lacks " << key;
    return ::testing::AssertionSuccess();
}

class VexboltReliabilityTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_services.Up()) << "no X server or session bus of the test's own"; }

    std::string SavePath(const std::string& name) const { return m_home / (".config/Vexbolt!/save/" + name); }
    GameOptions Options() const
    {
        GameOptions options;
        options.env = m_services.Env();
        return options;
    }

    // Waits until the run has ended with its score saved (the score file
    // differs from `before` and is whole).
    ::testing::AssertionResult RunSaved(GameProcess& game, const std::string& before)
    {
        const bool saved = PollUntil(
            [&] {
                const std::string now = ReadAll(SavePath("config.xml"));
                return (now.size() == size_t(kScoreTableBytes) && now != before) || !game.Running();
            },
            VokeTest::kRunGuardSeconds);
        const std::string now = ReadAll(SavePath("config.xml"));
        if (saved && now.size() == size_t(kScoreTableBytes) && now != before) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no finished run\n" << game.Output();
    }

    // The executable in a folder of its own beside the archives given
    // (name, bytes): the game mounts them from its executable's folder. A
    // hard link or a copy (a symbolic link leads the game back to the
    // build's folder). The program to start.
    std::string GameBeside(const std::vector<std::pair<std::string, std::string>>& archives) const
    {
        const std::string folder = m_home / "game";
        std::filesystem::create_directories(folder);
        std::error_code linked;
        std::filesystem::create_hard_link(VEXBOLT_PROGRAM, folder + "/vexbolt", linked);
        if (linked) std::filesystem::copy_file(VEXBOLT_PROGRAM, folder + "/vexbolt");
        for (const auto& [name, bytes] : archives) WriteBytes(folder + "/" + name, bytes);
        return folder + "/vexbolt";
    }
    // The save folder's files and their bytes.
    std::map<std::string, std::string> SaveFiles() const
    {
        std::map<std::string, std::string> files;
        std::error_code missing;
        for (const auto& entry : std::filesystem::directory_iterator(m_home / ".config/Vexbolt!/save", missing))
            files[entry.path().filename()] = ReadAll(entry.path());
        return files;
    }

    void ExpectNoTemporaryFiles()
    {
        for (const char* name : {"config.xml.tmp", "endless.xml.tmp", "controls.xml.tmp"})
            EXPECT_FALSE(VokeTest::Exists(SavePath(name))) << name;
    }

    VokeTest::TempDir m_home;
    VokeTest::TempDir m_servicesFolder;
    VokeTest::PrivateServices m_services{m_servicesFolder.Path()};
};

// ---------------------------------------------------------------------------
// Bad save files: each kind in each of the three files, across four runs.

enum class Damage { Truncated, Empty, Huge, Foreign };

std::string Damaged(Damage damage, const std::string& good)
{
    switch (damage) {
    case Damage::Truncated:
        return good.substr(0, good.size() / 2);
    case Damage::Empty:
        return "";
    case Damage::Huge: {
        // NOTE: 12 MiB of nested nodes that never close: a reader that
        // recursed per level, or kept the whole file, would show it.
        std::string huge = "<?xml version=\"1.0\"?>\n<registry>";
        const std::string node = "<node name=\"scores\">";
        while (huge.size() < (12u << 20)) huge += node;
        return huge;
    }
    case Damage::Foreign: {
        // The start of a PNG picture.
        std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0", 29);
        png += std::string(4000, '\x5a');
        return png;
    }
    }
    return good;
}

class BadSaveFiles : public VexboltReliabilityTest, public ::testing::WithParamInterface<int> {};

TEST_P(BadSaveFiles, TheGamePlaysAndReplacesThemWithGoodFiles)
{
    const Damage kinds[] = {Damage::Truncated, Damage::Empty, Damage::Huge, Damage::Foreign};
    const int first = GetParam();
    WriteBytes(SavePath("config.xml"), Damaged(kinds[first % 4], ScoreFileBytes(500, 20)));
    WriteBytes(SavePath("endless.xml"), Damaged(kinds[(first + 1) % 4], ReadAll(kContentData + "/endless.xml")));
    WriteBytes(SavePath("controls.xml"), Damaged(kinds[(first + 2) % 4], ReadAll(kContentData + "/controls.xml")));
    const std::string before = ReadAll(SavePath("config.xml"));

    GameProcess game(m_home.Path(), Options());
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    ASSERT_NO_FATAL_FAILURE(VokeTest::StartRun(window));
    ASSERT_TRUE(RunSaved(game, before));
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));

    const std::string scores = ReadAll(SavePath("config.xml"));
    ASSERT_EQ(scores.size(), size_t(kScoreTableBytes));
    ScoreRecord table[kScoreRecords];
    DecodeScoreTable(reinterpret_cast<const uint8_t*>(scores.data()), table);
    EXPECT_GT(table[0].distance, 0);
    EXPECT_TRUE(RegistryFileHolds(SavePath("endless.xml"), "/endless/scores/level01"));
    EXPECT_TRUE(RegistryFileHolds(SavePath("controls.xml"), "/controls/swap"));
    ExpectNoTemporaryFiles();
}

INSTANTIATE_TEST_SUITE_P(EachKindInEachFile, BadSaveFiles, ::testing::Values(0, 1, 2, 3));

// ---------------------------------------------------------------------------
// Killed while saving: the previous score file or the new one, never a mix.

TEST_F(VexboltReliabilityTest, KilledWhileSavingLeavesThePreviousOrTheNewFile)
{
    const std::string previous = ScoreFileBytes(777, 77);
    WriteBytes(SavePath("config.xml"), previous);
    WriteBytes(SavePath("endless.xml"), ReadAll(kContentData + "/endless.xml"));

    GameProcess game(m_home.Path(), Options());
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    ASSERT_NO_FATAL_FAILURE(VokeTest::StartRun(window));

    // The save begins with its temporary file; the kill comes a random
    // moment (0 to 3 ms) after it is seen, or as soon as the new file is.
    const uint32_t seed = VokeTest::TestSeed();
    SCOPED_TRACE(VokeTest::SeedNote(seed));
    std::mt19937 random(seed);
    const auto delay = std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(random));
    const bool saving = PollUntil(
        [&] {
            return VokeTest::Exists(SavePath("config.xml.tmp")) || ReadAll(SavePath("config.xml")) != previous ||
                   !game.Running();
        },
        VokeTest::kRunGuardSeconds);
    ASSERT_TRUE(saving && game.Running()) << game.Output();
    std::this_thread::sleep_for(delay);
    game.Kill(SIGKILL);

    const std::string scores = ReadAll(SavePath("config.xml"));
    ASSERT_EQ(scores.size(), size_t(kScoreTableBytes));
    if (scores != previous) {
        ScoreRecord table[kScoreRecords];
        DecodeScoreTable(reinterpret_cast<const uint8_t*>(scores.data()), table);
        // The new table: the run ranked among the previous record.
        const bool runFirst = table[0].distance != 777 && table[1].distance == 777 && table[1].points == 77;
        const bool runSecond = table[0].distance == 777 && table[0].points == 77 && table[1].distance > 0;
        EXPECT_TRUE(runFirst || runSecond) << table[0].distance << " " << table[1].distance;
    }
    EXPECT_TRUE(RegistryFileHolds(SavePath("endless.xml"), "/endless/scores/level01"));
}

// ---------------------------------------------------------------------------
// Killed while it has the keyboard, under a window manager: the X server's
// key auto-repeat, a setting of the user's whole session, stays as the user
// set it, on or off, before, while and after the game runs.

class KilledWithTheKeyboard : public VexboltReliabilityTest, public ::testing::WithParamInterface<bool> {};

TEST_P(KilledWithTheKeyboard, LeavesKeyAutoRepeatAsTheUserSetIt)
{
    const bool on = GetParam();
    ASSERT_TRUE(m_services.StartWindowManager());
    Voke::XTestConnection x(m_services.Display().c_str());
    ASSERT_NE(x.display, nullptr);
    on ? XAutoRepeatOn(x.display) : XAutoRepeatOff(x.display);
    ASSERT_EQ(x.AutoRepeatOn(), on) << "before";

    GameProcess game(m_home.Path(), Options());
    GameWindow window(m_services.Display());
    ASSERT_TRUE(window.Find(VokeTest::kScreenGuardSeconds)) << game.Output();
    ASSERT_TRUE(window.WaitFor(Screens::Language, VokeTest::kScreenGuardSeconds)) << game.Output();
    // The window manager gives it the keyboard; the game has taken in that
    // focus once it answers a tap that came after it. (It drops the taps
    // while it waits to become the active window: tapped until one counts.)
    ASSERT_TRUE(PollUntil([&] { return window.Active(); }, 30.0)) << "the game's window is the active one";
    ASSERT_TRUE(PollUntil(
        [&] {
            window.Tap(Screens::kEnglishX, Screens::kEnglishY);
            return window.WaitFor([](const std::vector<uint32_t>& p) { return !Screens::Language(p); }, 2.0);
        },
        VokeTest::kScreenGuardSeconds))
        << "the flags give way to the loading screen\n" << game.Output();
    EXPECT_EQ(x.AutoRepeatOn(), on) << "while it runs";

    game.Kill(SIGKILL);
    // The server has let the game go once its window is gone.
    ASSERT_TRUE(PollUntil([&] { return !window.Viewable(); }, 30.0));
    EXPECT_EQ(x.AutoRepeatOn(), on) << "after the kill";
}

// (Xlib's Bool macro hides ::testing::Bool.)
INSTANTIATE_TEST_SUITE_P(AutoRepeat, KilledWithTheKeyboard, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "On" : "Off"; });

// ---------------------------------------------------------------------------
// Closing the window at any time ends the game cleanly.

TEST_F(VexboltReliabilityTest, ClosedWhileLoadingItEndsCleanly)
{
    GameProcess game(m_home.Path(), Options());
    GameWindow window(game, m_services.Display());
    ASSERT_TRUE(window.Find(VokeTest::kScreenGuardSeconds)) << game.Output();
    ASSERT_TRUE(window.WaitFor(Screens::Language, VokeTest::kScreenGuardSeconds)) << game.Output();
    window.Tap(Screens::kEnglishX, Screens::kEnglishY);
    // The flags give way to the loading screen; closed at once.
    ASSERT_TRUE(window.WaitFor([](const std::vector<uint32_t>& p) { return !Screens::Language(p); },
                               VokeTest::kScreenGuardSeconds));
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
}

TEST_F(VexboltReliabilityTest, ClosedWhilePlayingItEndsCleanly)
{
    GameProcess game(m_home.Path(), Options());
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    ASSERT_NO_FATAL_FAILURE(VokeTest::StartRun(window));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(game.Running()) << game.Output();
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
    // Closing saves the controls.
    EXPECT_TRUE(RegistryFileHolds(SavePath("controls.xml"), "/controls/swap"));
}

// Closed during the credits. They follow the exit of the last level, which
// the window's input reaches only after six levels of play; so the game runs
// on a copy of its data in which the last level is a short walk to its exit:
// the level menu shown, the exit placed at once, no obstacles, and a row in
// which the runner's building is followed by the exit building at its own
// height. Running from one roof onto another at the same height is no
// landing, so the runner jumps now and then: he lands on the exit building
// once he is over it.

// The built archive at `path` with the entries named in `replaced` holding
// other bytes; every name must be one of the archive's.
std::string Repacked(const std::string& path, std::map<std::string, std::string> replaced)
{
    Voke::SmartPtr<Voke::PakMount> pak(new Voke::PakMount(path.c_str(), "", 0));
    EXPECT_TRUE(pak->IsValid()) << path;
    std::vector<PakBuilder::Entry> entries;
    for (int i = 0; i < pak->GetEntryCount(); ++i) {
        const std::string name = pak->GetName(pak->GetEntry(i));
        const auto found = replaced.find(name);
        if (found != replaced.end()) {
            entries.push_back({name, found->second});
            replaced.erase(found);
            continue;
        }
        Voke::SmartPtr<Voke::File> file = pak->OpenRead(name.c_str());
        EXPECT_NE(file.Get(), nullptr) << name;
        if (file) entries.push_back({name, VokeTest::ReadFile(file)});
    }
    for (const auto& [name, bytes] : replaced) ADD_FAILURE() << path << " holds no " << name;
    PakBuilder::Options fast;
    fast.preset = 0;
    std::string archive, error;
    EXPECT_TRUE(PakBuilder::BuildArchive(entries, fast, archive, error)) << error;
    return archive;
}

// The game's data with the last level made a short walk to its exit.
std::string ShortLastLevelData()
{
    // The level buttons shown, and the last level's playing time over from
    // its start: the exit is placed as soon as the runner stands on a roof.
    const char* const levels =
        "<level_gameplay>"
        "<TimeOfPlayingInSeconds level=\"6\" value=\"0\"/>"
        "<DebugLevelsMenu value=\"true\"/>"
        "</level_gameplay>";
    // The exit is the first building starting more than a screen past the
    // start of the one after the runner's: at the start, past the second.
    // Every other building is of the first style, whose roofs lie at one
    // height. The gap after building i is -20000 + 39600 i px: the second
    // building (of another style, whose roof may stand higher) lies far
    // behind the runner, and the third, the exit, starts back under the
    // first one's end, 400 px less the second's width (160 px: one middle
    // piece between its ends) before it. Widened to two screens, the exit
    // then reaches some 750 px past the first building.
    const char* const row =
        "<build_arrange>"
        "<m_FreeSpaceBetweenConstant value=\"-20000\"/>"
        "<m_FreeSpaceBetweenRandomRange value=\"0\"/>"
        "<m_MoreSpaceIfCloserTillTheEnd value=\"39600\"/>"
        "<m_ConstantY value=\"224\"/>"
        "<m_HeightRandomRange value=\"0\"/>"
        "<m_MinMiddleAssets value=\"1\"/>"
        "<m_MaxMiddleAssets value=\"1\"/>"
        "<m_MinBuildingWidth value=\"0\"/>"
        "<m_AllowSecondCollision value=\"false\"/>"
        "<m_AlwaysFirstBuildingBetween value=\"true\"/>"
        "</build_arrange>";
    // One obstacle per billion pixels: none on the level's row.
    const char* const obstacles =
        "<obstacles><MinimumDistanceBetweenTwoObstacles level=\"6\" value=\"1000000000\"/></obstacles>";
    return Repacked(VXB_DATA_PAK,
                    {{"level_gameplay.xml", levels}, {"build_arrange_lev6.xml", row}, {"obstacles.xml", obstacles}});
}

bool Light(uint32_t c) { return Screens::Red(c) > 100 && Screens::Green(c) > 100 && Screens::Blue(c) > 100; }
// The credits' title: white letters on black in the middle of the window
// (logical 130 to 150 px from the top). It stays five seconds of the game's
// time (the white flash that opens the credits and the black before it last
// a second at most: a loaded machine's frames, clamped to a second each, can
// step over them).
bool Title(const std::vector<uint32_t>& p)
{
    int letters = 0;
    for (int y = 216; y < 250; ++y)
        for (int x = 240; x < 560; ++x) letters += Light(Screens::At(p, x, y)) ? 1 : 0;
    return letters > 40 && Screens::Dark(Screens::At(p, 4, 4)) && Screens::Dark(Screens::At(p, 795, 475));
}
// The last level's button, the lowest of the level menu's column.
constexpr int kLastLevelX = 513, kLastLevelY = 316;
// NOTE: only a game that hangs takes this long from the last level's start
// to its credits (some seconds of jumps and the ending's four seconds).
constexpr double kEndingGuardSeconds = 300.0;

TEST_F(VexboltReliabilityTest, ClosedDuringTheCreditsItEndsCleanly)
{
    // With a sound server: the credits' music plays when the window closes.
    ASSERT_TRUE(m_services.StartSoundServer()) << m_services.SoundServerLog();
    GameOptions options = Options();
    options.program = GameBeside({{"data.pak", ShortLastLevelData()}, {"atlas.pak", ReadAll(VXB_ATLAS_PAK)}});
    GameProcess game(m_home.Path(), options);
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    window.Tap(kLastLevelX, kLastLevelY);
    ASSERT_NO_FATAL_FAILURE(VokeTest::CloseTutorial(window));

    // Each tap makes the runner jump (one about every 0.7 s, while the
    // window is watched for the title), until the ending has faded the level
    // out and the credits show their title on black, the music on.
    const bool credits = PollUntil(
        [&] {
            window.Tap(600, 240);
            return window.WaitFor(Title, 0.7) || !game.Running();
        },
        kEndingGuardSeconds);
    ASSERT_TRUE(credits && game.Running()) << "the credits' title\n" << game.Output();
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
}

// ---------------------------------------------------------------------------
// The window taken away while the runner runs: it ends the game as a close
// does (the controls saved on the way out, the scores left whole), without a
// crash or an X error.

class WindowTakenAway : public VexboltReliabilityTest {
protected:
    static constexpr int32_t kDistance = 777, kPoints = 77;

    void SetUp() override
    {
        VexboltReliabilityTest::SetUp();
        WriteBytes(SavePath("config.xml"), ScoreFileBytes(kDistance, kPoints));
    }
    // The runner runs; nothing is saved yet.
    void StartRunning(GameProcess& game, GameWindow& window)
    {
        ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
        ASSERT_NO_FATAL_FAILURE(VokeTest::StartRun(window));
        ASSERT_TRUE(game.Running()) << game.Output();
        ASSERT_FALSE(VokeTest::Exists(SavePath("controls.xml")));
    }
    void ExpectSavedAsAtAClose()
    {
        EXPECT_TRUE(RegistryFileHolds(SavePath("controls.xml"), "/controls/swap"));
        // The earlier record, first or (after a finished run) second.
        const std::string scores = ReadAll(SavePath("config.xml"));
        ASSERT_EQ(scores.size(), size_t(kScoreTableBytes));
        ScoreRecord table[kScoreRecords];
        DecodeScoreTable(reinterpret_cast<const uint8_t*>(scores.data()), table);
        EXPECT_TRUE((table[0].distance == kDistance && table[0].points == kPoints) ||
                    (table[1].distance == kDistance && table[1].points == kPoints));
        ExpectNoTemporaryFiles();
    }
};

TEST_F(WindowTakenAway, DestroyedByAnotherClientItEndsAsAtAClose)
{
    GameProcess game(m_home.Path(), Options());
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(StartRunning(game, window));
    window.Destroy();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
    EXPECT_EQ(game.Output().find("X Error"), std::string::npos) << game.Output();
    ExpectSavedAsAtAClose();
}

// A write to a server that has gone raises SIGPIPE; the game takes the
// failed write instead, so neither the session bus going away nor the signal
// itself ends it.
TEST_F(WindowTakenAway, ABrokenPipeLeavesItRunning)
{
    GameProcess game(m_home.Path(), Options());
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(StartRunning(game, window));
    m_services.StopSessionBus();
    game.Kill(SIGPIPE);
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
    ExpectSavedAsAtAClose();
}

TEST_F(WindowTakenAway, WithTheXServerGoneItSaysSoInOneLineAndFails)
{
    GameProcess game(m_home.Path(), Options());
    {
        // This process's connection closes before the server goes.
        GameWindow window(game, m_services.Display());
        ASSERT_NO_FATAL_FAILURE(StartRunning(game, window));
    }
    m_services.StopXServer();
    EXPECT_EQ(game.Wait(60.0), 1) << game.Output();
    const std::string output = game.Output();
    for (const char* report : {"Sanitizer", "runtime error", "terminate called", "XIO"})
        EXPECT_EQ(output.find(report), std::string::npos) << output;
    const std::string line = "X: the connection to the display \"" + m_services.Display() + "\" was lost\n";
    const size_t at = output.find(line);
    EXPECT_NE(at, std::string::npos) << output;
    EXPECT_EQ(output.find(line, at + 1), std::string::npos) << output;
    ExpectSavedAsAtAClose();
}

// ---------------------------------------------------------------------------
// Started from anywhere: the game finds its archives beside the real
// executable, or says where it looked.

// The game started with `wrapper` in front, from the folder `from` (a shell
// changes to it and, given `path`, puts that folder first on PATH).
std::vector<std::string> StartedFrom(const std::string& from, const std::string& path = "")
{
    return {"sh", "-c", "cd \"$1\" && PATH=\"$2${2:+:}$PATH\" && export PATH && exec \"$3\"", "sh", from, path};
}

TEST_F(VexboltReliabilityTest, StartedThroughALinkOrThroughPathItFindsItsArchives)
{
    const std::string links = m_home / "bin", elsewhere = m_home / "elsewhere";
    std::filesystem::create_directories(links);
    std::filesystem::create_directories(elsewhere);
    std::filesystem::create_symlink(VEXBOLT_PROGRAM, links + "/vexbolt");
    const std::string buildFolder = std::filesystem::path(VEXBOLT_PROGRAM).parent_path();
    struct Start {
        const char* how;
        std::string program, path;
    };
    // Through the dynamic loader, which is the file the kernel runs then,
    // given the program's path from the other folder.
    const std::string loader = "/lib64/ld-linux-x86-64.so.2";
    const std::string relative = std::filesystem::relative(VEXBOLT_PROGRAM, elsewhere);
    // Under an argv[0] that names some other file: another program, or a
    // wrapper script in another folder that passes its own path on.
    const std::string script = links + "/game";
    WriteBytes(script, "#!/bin/bash\nexec -a \"$0\" \"" + std::string(VEXBOLT_PROGRAM) + "\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    const std::vector<std::string> asEnv = {"bash", "-c", "cd \"$1\" && exec -a /usr/bin/env \"$2\"", "bash",
                                            elsewhere};
    for (const Start& start : {Start{"through a link", links + "/vexbolt", ""},
                               Start{"through a link on PATH", "vexbolt", links},
                               Start{"through PATH", "vexbolt", buildFolder},
                               Start{"through the dynamic loader", relative, ""},
                               Start{"as /usr/bin/env", VEXBOLT_PROGRAM, ""},
                               Start{"through a wrapper script on PATH", "game", links}}) {
        SCOPED_TRACE(start.how);
        GameOptions options = Options();
        options.wrapper = StartedFrom(elsewhere, start.path);
        options.program = start.program;
        if (start.program == relative) {
            if (!VokeTest::Exists(loader)) continue;
            options.wrapper = {"sh", "-c", "cd \"$1\" && exec \"$2\" \"$3\"", "sh", elsewhere, loader};
        }
        if (std::string(start.how) == "as /usr/bin/env") options.wrapper = asEnv;
        GameProcess game(m_home.Path(), options);
        GameWindow window(game, m_services.Display());
        ASSERT_TRUE(window.Find(VokeTest::kScreenGuardSeconds)) << game.Output();
        ASSERT_TRUE(window.WaitFor(Screens::Language, VokeTest::kScreenGuardSeconds)) << game.Output();
        window.Close();
        EXPECT_TRUE(VokeTest::EndedCleanly(game));
    }
}

TEST_F(VexboltReliabilityTest, WithoutItsArchivesItSaysWhereItLookedAndEnds)
{
    const std::string folder = std::filesystem::path(GameBeside({})).parent_path();
    GameOptions options = Options();
    options.program = folder + "/vexbolt";
    GameProcess game(m_home.Path(), options);
    EXPECT_EQ(game.Wait(VokeTest::kScreenGuardSeconds), 1) << game.Output();
    const std::string output = game.Output();
    for (const char* report : {"Sanitizer", "runtime error", "terminate called"})
        EXPECT_EQ(output.find(report), std::string::npos) << output;
    EXPECT_NE(output.find("the archive \"data.pak\" is missing from the folder \"" + folder + "\"\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(output.find("atlas.pak"), std::string::npos) << "one line\n" << output;
    EXPECT_TRUE(SaveFiles().empty());
}

// ---------------------------------------------------------------------------
// "More games" opens the page with the desktop's opener, which may run as
// long as the browser: the game goes on meanwhile, collects every opener
// that ends and says when one failed.

// The menu's MORE GAMES button, at its top left.
constexpr int kMoreGamesX = 110, kMoreGamesY = 34;

// The processes of `pids` that still exist: running, or ended and not yet
// collected by their parent.
std::vector<pid_t> Uncollected(const std::vector<pid_t>& pids)
{
    std::vector<pid_t> left;
    for (pid_t pid : pids)
        if (kill(pid, 0) == 0 || errno != ESRCH) left.push_back(pid);
    return left;
}

TEST_F(VexboltReliabilityTest, MoreGamesNeverStopsTheGame)
{
    // The stand-in opener reads "mode", then records its process id, and
    // does what the mode said: "fail" exits with 3, "stay" runs until it is
    // ended (as the browser does), anything else exits with 0. Once its id is
    // recorded, a new mode is for the next opener alone.
    const std::string bin = m_home / "opener";
    WriteBytes(bin + "/xdg-open", "#!/bin/sh\nmode=$(cat '" + bin + "/mode')\necho $$ >> '" + bin +
                                      "/started'\ncase $mode in\nfail) exit 3 ;;\nstay) exec sleep 600 ;;\nesac\n");
    chmod((bin + "/xdg-open").c_str(), 0755);
    auto started = [&] {
        std::vector<pid_t> pids;
        std::istringstream in(ReadAll(bin + "/started"));
        for (pid_t pid = 0; in >> pid;) pids.push_back(pid);
        return pids;
    };
    // Openers run in sessions of their own: ended here whatever happens.
    struct EndOpeners {
        std::function<std::vector<pid_t>()> pids;
        ~EndOpeners()
        {
            for (pid_t pid : pids()) kill(pid, SIGKILL);
        }
    } endOpeners{started};

    GameOptions options = Options();
    options.env.push_back("PATH=" + bin + ":" + std::getenv("PATH"));
    GameProcess game(m_home.Path(), options);
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));

    // Openers that end at once are collected, however many.
    WriteBytes(bin + "/mode", "done");
    for (size_t presses = 1; presses <= 3; ++presses) {
        window.Tap(kMoreGamesX, kMoreGamesY);
        ASSERT_TRUE(PollUntil([&] { return started().size() == presses; }, 30.0)) << game.Output();
    }
    EXPECT_TRUE(PollUntil([&] { return Uncollected(started()).empty(); }, 30.0))
        << Uncollected(started()).size() << " of 3 not collected";

    // One that fails is reported in one line.
    WriteBytes(bin + "/mode", "fail");
    window.Tap(kMoreGamesX, kMoreGamesY);
    const std::string line =
        "web page: \"https://vexbolt.example.org/more-games\" could not be opened: xdg-open ended with status 3\n";
    EXPECT_TRUE(PollUntil([&] { return game.Output().find(line) != std::string::npos; }, 30.0)) << game.Output();

    // One that stays: the menu goes on (its play button blinks off and on),
    // and a close ends the game at once; the opener stays.
    WriteBytes(bin + "/mode", "stay");
    window.Tap(kMoreGamesX, kMoreGamesY);
    ASSERT_TRUE(PollUntil([&] { return started().size() == 5; }, 30.0)) << game.Output();
    EXPECT_TRUE(window.WaitFor([](const std::vector<uint32_t>& p) { return !Screens::PlayButton(p); }, 20.0));
    EXPECT_TRUE(window.WaitFor(Screens::PlayButton, 20.0));
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game, 30.0));
    EXPECT_TRUE(RegistryFileHolds(SavePath("controls.xml"), "/controls/swap"));
    EXPECT_EQ(kill(started().back(), 0), 0) << "the opener ended with the game";
    EXPECT_EQ(game.Output().find(line, game.Output().find(line) + 1), std::string::npos) << game.Output();
}

// ---------------------------------------------------------------------------
// A second start in the same session brings the running game to the front
// and ends, under a window manager: from minimised, and from behind another
// program's window.

// Another program's window on the display, mapped and made the active one
// as a user does by clicking it.
class OtherWindow {
public:
    explicit OtherWindow(const std::string& display) : m_x(XOpenDisplay(display.c_str()))
    {
        if (!m_x) return;
        m_window = XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), 0, 0, 800, 480, 0, 0, 0);
        XStoreName(m_x, m_window, "another program");
        XMapWindow(m_x, m_window);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = m_window;
        event.xclient.message_type = XInternAtom(m_x, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;
        XSendEvent(m_x, DefaultRootWindow(m_x), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XSync(m_x, False);
    }
    ~OtherWindow()
    {
        if (m_x) XCloseDisplay(m_x);
    }
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;

    // Whether the window manager made it the active window.
    bool Active() const
    {
        if (!m_x) return false;
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        bool active = XGetWindowProperty(m_x, DefaultRootWindow(m_x), XInternAtom(m_x, "_NET_ACTIVE_WINDOW", False), 0,
                                         1, False, XA_WINDOW, &type, &format, &items, &after, &data) == Success &&
                      items == 1 && *reinterpret_cast<unsigned long*>(data) == m_window;
        if (data) XFree(data);
        return active;
    }

private:
    ::Display* m_x;
    Window m_window = 0;
};

TEST_F(VexboltReliabilityTest, ASecondStartBringsTheRunningGameToTheFront)
{
    ASSERT_TRUE(m_services.StartWindowManager());
    WriteBytes(SavePath("config.xml"), ScoreFileBytes(321, 12));
    GameProcess game(m_home.Path(), Options());
    GameWindow window(game, m_services.Display());
    ASSERT_TRUE(window.Find(VokeTest::kScreenGuardSeconds)) << game.Output();
    ASSERT_TRUE(window.WaitFor(Screens::Language, VokeTest::kScreenGuardSeconds)) << game.Output();
    ASSERT_TRUE(PollUntil([&] { return window.Active(); }, 30.0)) << "the game's window is the active one";
    const std::map<std::string, std::string> saves = SaveFiles();

    auto startAgain = [&](const char* log) {
        GameOptions second = Options();
        second.log = log;
        GameProcess again(m_home.Path(), second);
        EXPECT_EQ(again.Wait(VokeTest::kScreenGuardSeconds), 0) << again.Output();
        EXPECT_EQ(again.Output(), "session: Vexbolt! is already running; it was asked to come to the front\n");
    };

    window.Minimize();
    ASSERT_TRUE(PollUntil([&] { return !window.Viewable() && !window.Active(); }, 30.0)) << "minimised";
    startAgain("second.log");
    EXPECT_TRUE(PollUntil([&] { return window.Viewable() && window.Active(); }, 30.0)) << "brought back";

    {
        OtherWindow other(m_services.Display());
        ASSERT_TRUE(PollUntil([&] { return other.Active(); }, 30.0)) << "another window in front";
        startAgain("third.log");
        EXPECT_TRUE(PollUntil([&] { return window.Active(); }, 30.0)) << "brought to the front";
    }
    EXPECT_EQ(SaveFiles(), saves);

    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
}

// ---------------------------------------------------------------------------
// Lost services.

// Whether the sound server has a playback stream from the game.
bool GamePlaysOn(VokeTest::PrivateServices& services)
{
    std::string out;
    return services.Pactl({"list", "sink-inputs"}, &out) == 0 && out.find("Vexbolt!") != std::string::npos;
}

TEST_F(VexboltReliabilityTest, GoesOnSilentWithoutTheSoundServerAndPlaysWhenItIsBack)
{
    ASSERT_TRUE(m_services.StartSoundServer()) << m_services.SoundServerLog();
    GameProcess game(m_home.Path(), Options());
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    ASSERT_TRUE(PollUntil([&] { return GamePlaysOn(m_services); }, 20.0)) << "no stream from the game";

    m_services.StopSoundServer();
    // The menu still runs: its play button blinks off and on.
    ASSERT_TRUE(window.WaitFor([](const std::vector<uint32_t>& p) { return !Screens::PlayButton(p); }, 20.0));
    ASSERT_TRUE(window.WaitFor(Screens::PlayButton, 20.0));
    ASSERT_NO_FATAL_FAILURE(VokeTest::StartRun(window));

    ASSERT_TRUE(m_services.StartSoundServer()) << m_services.SoundServerLog();
    EXPECT_TRUE(PollUntil([&] { return GamePlaysOn(m_services); }, 30.0)) << "the game did not come back";
    ASSERT_TRUE(game.Running()) << game.Output();
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
}

TEST_F(VexboltReliabilityTest, RunsWithoutAnyMessageBus)
{
    GameOptions options = Options();
    for (std::string& var : options.env) {
        if (var.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) == 0) var = "DBUS_SESSION_BUS_ADDRESS=unix:path=" + m_home / "no-bus";
    }
    GameProcess game(m_home.Path(), options);
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    ASSERT_NO_FATAL_FAILURE(VokeTest::StartRun(window));
    ASSERT_TRUE(game.Running()) << game.Output();
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
}

const char* const kReadOnlyMount =
    "d=$1; shift; mount --bind \"$d\" \"$d\" && mount -o remount,ro,bind \"$d\" \"$d\" && exec \"$@\"";

// Whether a folder can be mounted read-only in a mount namespace of a
// child's own (root without the right to mount cannot).
bool CanMountReadOnly(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    VokeTest::ChildProcess probe({"unshare", "--mount", "--propagation", "private", "sh", "-c", kReadOnlyMount, "sh",
                                  folder, "/bin/sh", "-c", "! touch \"$0\"/file", folder},
                                 VokeTest::Environment({}, {}));
    return probe.Wait(20.0) == 0;
}

// A configuration folder the game cannot write: its saves fail and leave
// the files as they were. As root permissions do not stop a write, so the
// folder is mounted read-only in a mount namespace of the game's own.
TEST_F(VexboltReliabilityTest, WithAReadOnlyConfigurationFolderSavesFailCleanly)
{
    const std::string scores = ScoreFileBytes(321, 12);
    const std::string controls =
        "<?xml version=\"1.0\"?><registry><node name=\"/controls\"><key name=\"swap\" type=\"bool\">true</key>"
        "</node></registry>";
    WriteBytes(SavePath("config.xml"), scores);
    WriteBytes(SavePath("controls.xml"), controls);
    const std::string folder = m_home / ".config";

    GameOptions options = Options();
    if (geteuid() == 0) {
        if (!CanMountReadOnly(m_home / "probe")) GTEST_SKIP() << "no read-only mounts here";
        options.wrapper = {"unshare", "--mount", "--propagation", "private", "sh", "-c", kReadOnlyMount, "sh", folder};
    } else {
        for (const char* dir : {"/.config/Vexbolt!/save", "/.config/Vexbolt!", "/.config"})
            chmod((m_home.Path() + dir).c_str(), 0500);
    }

    GameProcess game(m_home.Path(), options);
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    ASSERT_NO_FATAL_FAILURE(VokeTest::StartRun(window));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    window.Close();  // closing saves the controls
    EXPECT_TRUE(VokeTest::EndedCleanly(game));

    for (const char* dir : {"/.config", "/.config/Vexbolt!", "/.config/Vexbolt!/save"})
        chmod((m_home.Path() + dir).c_str(), 0700);
    EXPECT_EQ(ReadAll(SavePath("config.xml")), scores);
    EXPECT_EQ(ReadAll(SavePath("controls.xml")), controls);
    ExpectNoTemporaryFiles();
}

// ---------------------------------------------------------------------------
// Damaged archives: the game names the archive in one line and exits with a
// failure, or runs with what it could read; it never crashes.

struct ArchiveDamage {
    const char* archive;
    const char* how;  // "half", "head" (its first 100 bytes), "bytes", "empty"
};

void PrintTo(const ArchiveDamage& damage, std::ostream* out) { *out << damage.archive << " " << damage.how; }

class DamagedGameArchive : public VexboltReliabilityTest, public ::testing::WithParamInterface<ArchiveDamage> {};

TEST_P(DamagedGameArchive, IsReportedOrSurvivedNeverACrash)
{
    std::vector<std::pair<std::string, std::string>> archives = {{"data.pak", ReadAll(VXB_DATA_PAK)},
                                                                 {"atlas.pak", ReadAll(VXB_ATLAS_PAK)}};
    for (auto& [name, bytes] : archives) {
        ASSERT_GT(bytes.size(), 4096u) << name;
        if (name != GetParam().archive) continue;
        const std::string how = GetParam().how;
        if (how == "half") bytes.resize(bytes.size() / 2);
        if (how == "head") bytes.resize(100);
        if (how == "empty") bytes.clear();
        if (how == "bytes") {
            // Every 997th byte changed, the index and the headers among
            // them.
            for (size_t k = 0; k < bytes.size(); k += 997) bytes[k] = char(bytes[k] ^ 0x5A);
            for (size_t k = bytes.size() - 64; k < bytes.size(); k += 7) bytes[k] = char(bytes[k] ^ 0xA5);
        }
    }

    GameOptions options = Options();
    options.program = GameBeside(archives);
    GameProcess game(m_home.Path(), options);
    GameWindow window(game, m_services.Display());

    // Ended by itself: with a failure status (not a signal) and the
    // archive named on one line.
    auto reported = [&](int status) {
        EXPECT_GT(status, 0);
        EXPECT_LT(status, 128) << "ended by a signal\n" << game.Output();
        const std::string output = game.Output();
        for (const char* report : {"Sanitizer", "runtime error", "terminate called"})
            EXPECT_EQ(output.find(report), std::string::npos) << output;
        const size_t at = output.find(GetParam().archive);
        ASSERT_NE(at, std::string::npos) << output;
        const size_t begin = output.rfind('\n', at), end = output.find('\n', at);
        std::cout << "reported: " << output.substr(begin == std::string::npos ? 0 : begin + 1, end - begin - 1) << "\n";
    };

    // The flags, or the end.
    ASSERT_TRUE(PollUntil(
        [&] {
            if (!game.Running()) return true;
            const std::vector<uint32_t> p = window.Find(0.0) ? window.Capture() : std::vector<uint32_t>();
            return !p.empty() && Screens::Language(p);
        },
        VokeTest::kScreenGuardSeconds))
        << game.Output();
    if (!game.Running()) return reported(game.Wait(0.0));

    // The flags are up: loading with what could be read, then the menu (or
    // as much of it as could be read) or the end.
    window.Tap(Screens::kEnglishX, Screens::kEnglishY);
    PollUntil(
        [&] {
            if (!game.Running()) return true;
            const std::vector<uint32_t> p = window.Capture();
            return !p.empty() && !Screens::Language(p) && Screens::MostlyDrawn(p);
        },
        30.0);
    if (!game.Running()) return reported(game.Wait(0.0));
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
}

INSTANTIATE_TEST_SUITE_P(
    TruncatedOrChanged, DamagedGameArchive,
    ::testing::Values(ArchiveDamage{"data.pak", "half"}, ArchiveDamage{"data.pak", "head"},
                      ArchiveDamage{"data.pak", "bytes"}, ArchiveDamage{"data.pak", "empty"},
                      ArchiveDamage{"atlas.pak", "half"}, ArchiveDamage{"atlas.pak", "head"},
                      ArchiveDamage{"atlas.pak", "bytes"}),
    [](const ::testing::TestParamInfo<ArchiveDamage>& info) {
        return std::string(info.param.archive[0] == 'd' ? "Data" : "Atlas") + "_" + info.param.how;
    });

// ---------------------------------------------------------------------------
// The start: a bad archive ends it at its line, before the save folder, the
// sound server or the game's data are touched; saves that cannot be kept are
// said once, and the game plays on.

// A socket where the game looks for its sound server, which only listens: a
// game that starts its sound connects, and the connection waits there (it
// stays queued even when its client has gone).
class ListeningSoundSocket {
public:
    explicit ListeningSoundSocket(const std::string& path) : m_path(path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof(address.sun_path)) return;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0) return;
        if (bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || listen(m_fd, 8) != 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~ListeningSoundSocket()
    {
        if (m_fd >= 0) close(m_fd);
        unlink(m_path.c_str());
    }
    ListeningSoundSocket(const ListeningSoundSocket&) = delete;
    ListeningSoundSocket& operator=(const ListeningSoundSocket&) = delete;

    bool Listening() const { return m_fd >= 0; }
    bool Called() const
    {
        pollfd fd{m_fd, POLLIN, 0};
        return poll(&fd, 1, 0) > 0;
    }
    std::string Env() const { return "PULSE_SERVER=unix:" + m_path; }

private:
    std::string m_path;
    int m_fd = -1;
};

class VexboltReliabilityStartTest : public VexboltReliabilityTest {
protected:
    // The game beside `archives` ends by itself with status 1 after `line`,
    // having called no sound server and created no save folder.
    void ExpectTheStartEndsAt(const std::vector<std::pair<std::string, std::string>>& archives,
                              const std::string& line)
    {
        ListeningSoundSocket sound(m_home / "sound.sock");
        ASSERT_TRUE(sound.Listening());
        GameOptions options = Options();
        options.env.push_back(sound.Env());
        options.program = GameBeside(archives);
        GameProcess game(m_home.Path(), options);
        PollUntil([&] { return !game.Running() || sound.Called(); }, VokeTest::kScreenGuardSeconds);
        ASSERT_FALSE(sound.Called()) << "the start went on to the sound server\n" << game.Output();
        EXPECT_EQ(game.Wait(VokeTest::kScreenGuardSeconds), 1) << game.Output();
        const std::string output = game.Output();
        for (const char* report : {"Sanitizer", "runtime error", "terminate called"})
            EXPECT_EQ(output.find(report), std::string::npos) << output;
        EXPECT_NE(output.find(line + "\n"), std::string::npos) << output;
        EXPECT_FALSE(VokeTest::Exists(m_home / ".config/Vexbolt!"));
    }
    // The one line about saves in `output`, or a failure naming them all.
    static ::testing::AssertionResult SaidOnce(const std::string& output, const std::string& line)
    {
        const size_t at = output.find(line + "\n");
        if (at == std::string::npos || (at > 0 && output[at - 1] != '\n'))
            return ::testing::AssertionFailure() << "no line \"" << line << "\"\n" << output;
        if (output.find("save:", at + 1) != std::string::npos || output.find("save:") != at)
            return ::testing::AssertionFailure() << "more than one line\n" << output;
        return ::testing::AssertionSuccess();
    }
};

TEST_F(VexboltReliabilityStartTest, AMissingArchiveEndsTheStartAtItsLine)
{
    const std::string folder = m_home / "game";
    ExpectTheStartEndsAt({}, "the archive \"data.pak\" is missing from the folder \"" + folder + "\"");
}

TEST_F(VexboltReliabilityStartTest, ADamagedArchiveEndsTheStartAtItsLine)
{
    // "data.pak" is mounted: the game's data could be loaded from it.
    ExpectTheStartEndsAt({{"data.pak", ReadAll(VXB_DATA_PAK)}, {"atlas.pak", ReadAll(VXB_ATLAS_PAK).substr(0, 100)}},
                         "the archive \"atlas.pak\" is damaged and cannot be read");
}

TEST_F(VexboltReliabilityStartTest, WithoutAHomeFolderItSaysSoOnceAndPlays)
{
    GameOptions options = Options();
    options.wrapper = {"env", "-u", "HOME", "-u", "XDG_CONFIG_HOME"};
    GameProcess game(m_home.Path(), options);
    GameWindow window(m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    window.Close();  // its save of the controls fails
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
    EXPECT_TRUE(SaidOnce(game.Output(), "save: settings and scores will not be kept: HOME is not set, so there is no "
                                        "configuration folder"));
}

// Mounted read-only as in WithAReadOnlyConfigurationFolderSavesFailCleanly.
TEST_F(VexboltReliabilityStartTest, AReadOnlyConfigurationFolderIsNamedAtTheStart)
{
    const std::string controls =
        "<?xml version=\"1.0\"?><registry><node name=\"/controls\"><key name=\"swap\" type=\"bool\">true</key>"
        "</node></registry>";
    WriteBytes(SavePath("controls.xml"), controls);
    GameOptions options = Options();
    int error = EACCES;
    if (geteuid() == 0) {
        if (!CanMountReadOnly(m_home / "probe")) GTEST_SKIP() << "no read-only mounts here";
        options.wrapper = {"unshare", "--mount", "--propagation", "private", "sh", "-c", kReadOnlyMount, "sh",
                           m_home / ".config"};
        error = EROFS;
    } else {
        for (const char* dir : {"/.config/Vexbolt!/save", "/.config/Vexbolt!", "/.config"})
            chmod((m_home.Path() + dir).c_str(), 0500);
    }

    GameProcess game(m_home.Path(), options);
    GameWindow window(m_services.Display());
    ASSERT_TRUE(window.Find(VokeTest::kScreenGuardSeconds)) << game.Output();
    ASSERT_TRUE(window.WaitFor(Screens::Language, VokeTest::kScreenGuardSeconds)) << game.Output();
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game));

    for (const char* dir : {"/.config", "/.config/Vexbolt!", "/.config/Vexbolt!/save"})
        chmod((m_home.Path() + dir).c_str(), 0700);
    EXPECT_TRUE(SaidOnce(game.Output(), "save: settings and scores will not be kept: the folder \"" +
                                            m_home / ".config/Vexbolt!/save" + "\" cannot be written (" +
                                            std::strerror(error) + ")"));
    EXPECT_EQ(SaveFiles(), (std::map<std::string, std::string>{{"controls.xml", controls}}));
}

// A relative XDG_CONFIG_HOME would put the saves under the game's folder;
// the saves go to HOME's configuration folder, which can be written.
TEST_F(VexboltReliabilityStartTest, ARelativeConfigurationHomeIsIgnored)
{
    GameOptions options = Options();
    options.env.push_back("XDG_CONFIG_HOME=config");
    options.program = GameBeside({{"data.pak", ReadAll(VXB_DATA_PAK)}, {"atlas.pak", ReadAll(VXB_ATLAS_PAK)}});
    GameProcess game(m_home.Path(), options);
    GameWindow window(m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    window.Close();  // closing saves the controls
    EXPECT_TRUE(VokeTest::EndedCleanly(game));
    EXPECT_TRUE(RegistryFileHolds(SavePath("controls.xml"), "/controls/swap"));
    EXPECT_FALSE(VokeTest::Exists(m_home / "game/config"));
    EXPECT_EQ(game.Output().find("save:"), std::string::npos) << game.Output();
}

// ---------------------------------------------------------------------------
// Two copies of the game on one save folder, each on services of its own (as
// two starts without a session bus each start a bus): the first keeps the
// folder, the second plays, keeps nothing and says so.

class VexboltSaveFolderTest : public VexboltReliabilityStartTest {
protected:
    // Who holds the save folder now, as another copy would see it: the
    // holder's process id; 0 when it is free (this test takes it and gives
    // it back at once); -1 when it cannot be locked (no folder).
    int SaveFolderHolder() const
    {
        Voke::FolderLock probe;
        switch (probe.Take(m_home / ".config/Vexbolt!/save")) {
        case Voke::FolderLock::State::kHeld:
            return 0;
        case Voke::FolderLock::State::kInUse:
            return probe.Holder();
        default:
            return -1;
        }
    }
    // A second game's options: on `services`, with a log of its own.
    static GameOptions SecondOptions(const VokeTest::PrivateServices& services)
    {
        GameOptions options;
        options.env = services.Env();
        options.log = "second.log";
        return options;
    }
};

TEST_F(VexboltSaveFolderTest, ASecondCopySaysItKeepsNothingAndLeavesTheFolderAlone)
{
    VokeTest::TempDir otherFolder;
    VokeTest::PrivateServices other{otherFolder.Path()};
    ASSERT_TRUE(other.Up());
    WriteBytes(SavePath("config.xml"), ScoreFileBytes(797, 30));
    const std::string scores = ReadAll(SavePath("config.xml"));
    GameProcess first(m_home.Path(), Options());
    GameWindow firstWindow(first, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachLanguage(first, firstWindow));
    const std::map<std::string, std::string> saves = SaveFiles();
    {
        GameProcess second(m_home.Path(), SecondOptions(other));
        GameWindow window(second, other.Display());
        ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(second, window));
        window.Close();  // its save of the controls fails
        EXPECT_TRUE(VokeTest::EndedCleanly(second));
        EXPECT_TRUE(SaidOnce(second.Output(), "save: settings and scores will not be kept: the folder \"" +
                                                  m_home / ".config/Vexbolt!/save" +
                                                  "\" is in use by another copy of the game (process " +
                                                  std::to_string(first.Pid()) + ")"));
    }
    EXPECT_EQ(SaveFiles(), saves);

    // The first copy's saves still land.
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(first, firstWindow));
    ASSERT_NO_FATAL_FAILURE(VokeTest::StartRun(firstWindow));
    ASSERT_TRUE(RunSaved(first, scores));
    firstWindow.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(first));
    EXPECT_TRUE(RegistryFileHolds(SavePath("controls.xml"), "/controls/swap"));
    EXPECT_EQ(first.Output().find("save:"), std::string::npos) << first.Output();
}

TEST_F(VexboltSaveFolderTest, AFirstCopyKilledWithSigkillLeavesTheFolderFree)
{
    VokeTest::TempDir otherFolder;
    VokeTest::PrivateServices other{otherFolder.Path()};
    ASSERT_TRUE(other.Up());
    GameProcess first(m_home.Path(), Options());
    GameWindow firstWindow(first, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachLanguage(first, firstWindow));
    first.Kill(SIGKILL);

    GameProcess second(m_home.Path(), SecondOptions(other));
    GameWindow window(second, other.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(second, window));
    EXPECT_EQ(SaveFolderHolder(), second.Pid());
    window.Close();  // closing saves the controls
    EXPECT_TRUE(VokeTest::EndedCleanly(second));
    EXPECT_EQ(second.Output().find("save:"), std::string::npos) << second.Output();
    EXPECT_TRUE(RegistryFileHolds(SavePath("controls.xml"), "/controls/swap"));
}

// The web page's opener, started from the game, may outlive it (a browser):
// it must not keep the folder from the next copy.
TEST_F(VexboltSaveFolderTest, AProgramTheGameStartedDoesNotKeepTheFolder)
{
    const std::string bin = m_home / "opener";
    WriteBytes(bin + "/xdg-open", "#!/bin/sh\necho $$ > '" + bin + "/started'\nexec sleep 600\n");
    chmod((bin + "/xdg-open").c_str(), 0755);
    struct EndOpener {
        std::string started;
        ~EndOpener()
        {
            if (const pid_t pid = std::atoi(ReadAll(started).c_str()); pid > 0) kill(pid, SIGKILL);
        }
    } endOpener{bin + "/started"};

    GameOptions options = Options();
    options.env.push_back("PATH=" + bin + ":" + std::getenv("PATH"));
    GameProcess game(m_home.Path(), options);
    GameWindow window(game, m_services.Display());
    ASSERT_NO_FATAL_FAILURE(VokeTest::ReachMenu(game, window));
    window.Tap(kMoreGamesX, kMoreGamesY);
    ASSERT_TRUE(PollUntil([&] { return !ReadAll(bin + "/started").empty(); }, 30.0)) << game.Output();
    EXPECT_EQ(SaveFolderHolder(), game.Pid());
    window.Close();
    EXPECT_TRUE(VokeTest::EndedCleanly(game, 30.0));
    const pid_t opener = std::atoi(ReadAll(bin + "/started").c_str());
    ASSERT_EQ(kill(opener, 0), 0) << "the opener ended with the game";
    EXPECT_EQ(SaveFolderHolder(), 0);
}

}  // namespace
