// The head-up display's animations, the credits script on a real mixer
// without an output device (its mixed blocks read directly, one block per
// frame, so that the script's time and the sound's run together), and the
// tutorial and pause overlay's taps and its saved control setting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/app/display.h"
#include "engine/audio/mixer.h"
#include "engine/core/registry.h"
#include "engine/core/vfs.h"
#include "engine/graphics/maemo_surface.h"
#include "game/core/game_base.h"
#include "game/presentation/hud.h"
#include "game/presentation/script_player.h"
#include "game/presentation/sound_bank.h"
#include "game/presentation/tutorial_overlay.h"
#include "tests/engine/audio/audio_test_util.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/game/presentation/presentation_test_files.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

const Voke::AudioFormat kStereo22{2, 22050};
// NOTE: the mixer's default block: 1024 stereo frames.
constexpr int kBlockFrames = 1024;
constexpr float kBlockTime = float(kBlockFrames) / 22050.0f;

std::vector<int16_t> Block() { return Voke::test::ReadSamples(Voke::AbstractApp::s_mixer, kBlockFrames * 4); }

bool Silent(const std::vector<int16_t>& block)
{
    for (int16_t s : block)
        if (s != 0) return false;
    return true;
}

// Distinct, non-zero samples, small enough that two plays never saturate.
std::vector<int16_t> Signal(int frames, int base)
{
    std::vector<int16_t> s(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) s[2 * i] = s[2 * i + 1] = int16_t(base + (i * 7) % 5000);
    return s;
}

// An Ogg Vorbis tone of `frames` stereo frames, through the audio tests'
// encoder.
std::string OggTone(int frames)
{
    VokeTest::TempDir dir;
    const std::string command = std::string(VOKE_OGG_ENCODER) + " " + (dir / "tone.ogg") + " 2 22050 " +
                                std::to_string(frames);
    if (std::system(command.c_str()) != 0) return "";
    return VokeTest::ReadAll(dir / "tone.ogg");
}

// ---------------------------------------------------------------- Hud

TEST(HudStates, GuardsOfTheBarsTheLevelBoundsAndThePopup)
{
    GameBase game;
    Hud hud;
    hud.SetOwner(&game);
    // ShowBars only from hidden, HideBars only from shown.
    hud.Reset(0);
    hud.HideBars();
    EXPECT_EQ(hud.GetBarsState(), 0);
    hud.ShowBars();
    hud.Update(0.5f);
    hud.ShowBars();
    hud.HideBars();
    EXPECT_EQ(hud.GetBarsState(), 1);
    EXPECT_FLOAT_EQ(hud.GetBarsAmount(), 0.375f);

    // Reset keeps the level within the six and leaves the panels alone.
    hud.Update(1.0f);
    hud.HideBars();
    hud.Update(2.0f);
    ASSERT_EQ(hud.GetPanelsState(), 2);
    hud.Reset(-3);
    EXPECT_EQ(hud.GetLevel(), 0);
    EXPECT_EQ(hud.GetPanelsState(), 2);
    hud.Reset(9);
    EXPECT_EQ(hud.GetLevel(), 5);

    // The popup fades in 1/1.2 s; a new gain restarts it.
    hud.ShowScoreGain(10);
    hud.Update(0.5f);
    hud.ShowScoreGain(20);
    hud.Update(0.8f);
    EXPECT_TRUE(hud.IsScoreGainActive());
    hud.Update(0.04f);
    EXPECT_FALSE(hud.IsScoreGainActive());

    // Without a game, or without loading, nothing is drawn.
    Hud alone;
    alone.Load();
    alone.Draw(nullptr);
    alone.Release();
}

// ---------------------------------------------------------------- Credits

// Every command, names in any case, an unknown element, a TextCenter "-"
// and positions left out; times are binary fractions so that start times
// add up exactly.
const char kCredits[] =
    "<the_end>\n"
    "  <TextSimple text=\"Vexbolt!\" ypos=\"20\" time=\"0.5\"/>\n"     // 0 at 0
    "  <TextCenter text=\"-\" ypos=\"40\" time=\"0\"/>\n"               // 1 at 0.5
    "  <textcenter text=\"A game\" ypos=\"60\" time=\"0.5\"/>\n"        // 2 at 0.5
    "  <Gfx file=\"logo.png\" xpos=\"100\" time=\"0.25\"/>\n"           // 3 at 1.0
    "  <StartMusic time=\"0.5\"/>\n"                                    // 4 at 1.25
    "  <Splash time=\"0.5\"/>\n"                                        // 5 at 1.75
    "  <Thanks text=\"skipped\" time=\"9\"/>\n"
    "  <StartMovingUp speed=\"40\" time=\"1.0\"/>\n"                    // 6 at 2.25
    "  <StopMovingUp speed=\"5\" time=\"0.25\"/>\n"                     // 7 at 3.25
    "  <ClearScreen time=\"0.25\"/>\n"                                  // 8 at 3.5
    "  <SPLASH time=\"0.25\"/>\n"                                       // 9 at 3.75
    "  <StopMusic time=\"0.5\"/>\n"                                     // 10 at 4.0
    "  <Wait time=\"0.5\"/>\n"                                          // 11 at 4.5, end 5.0
    "</the_end>\n";

class Credits : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string ogg = OggTone(11025);  // half a second, looped
        ASSERT_FALSE(ogg.empty());
        m_content.Write("music_main_menu.ogg", ogg);
        m_splash = Signal(2205, 1000);  // a tenth of a second
        m_content.Write("gl_piorun_1.wav", PresentationTest::MakeWav(m_splash));
        m_content.Write("logo.png", Voke::Test::MakePngFile(8, 8, [](int, int) { return Voke::MakeColor(1, 2, 3); }));
        m_content.Write("the_end.xml", kCredits);
        Voke::AbstractApp::s_mixer = new Voke::Mixer(kStereo22, Voke::MixerConfig(), &Voke::test::NoDevice);
        m_game.m_ScreenWidth = 480;
        m_game.m_ScreenHeight = 320;
        m_player.SetOwner(&m_game);
    }
    void TearDown() override
    {
        m_player.Release();
        Voke::AbstractApp::s_mixer.Reset();
    }

    Voke::Mixer& Mixer() { return *Voke::AbstractApp::s_mixer; }
    bool MusicPlays() { return Mixer().IsPlaying(m_player.GetMusicChannel()); }
    // One frame of one mixer block.
    std::vector<int16_t> Frame()
    {
        m_player.Update(kBlockTime);
        return Block();
    }
    void RunTo(float seconds)
    {
        while (m_player.GetElapsed() < seconds) Frame();
    }

    PresentationTest::ContentFolder m_content;
    std::vector<int16_t> m_splash;
    GameBase m_game;
    ScriptPlayer m_player;
};

TEST_F(Credits, AScriptOfEveryCommandRunsItsWholeLength)
{
    m_player.LoadTheEnd();
    ASSERT_EQ(m_player.GetCount(), 12);
    const int types[12] = {1, 2, 2, 3, 9, 4, 6, 7, 8, 4, 10, 5};
    const float starts[12] = {0, 0.5f, 0.5f, 1.0f, 1.25f, 1.75f, 2.25f, 3.25f, 3.5f, 3.75f, 4.0f, 4.5f};
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(m_player.GetCommand(k).type, types[k]) << k;
        EXPECT_EQ(m_player.GetCommand(k).start, starts[k]) << k;
    }
    EXPECT_EQ(m_player.GetEndTime(), 5.0f);
    // A position left out: 0 on the first element, the previous element's
    // value later.
    EXPECT_EQ(m_player.GetCommand(0).x, 0);
    EXPECT_EQ(m_player.GetCommand(0).y, 20);
    EXPECT_EQ(m_player.GetCommand(3).x, 100);
    EXPECT_EQ(m_player.GetCommand(3).y, 60);
    EXPECT_TRUE(m_player.GetCommand(0).text);
    EXPECT_FALSE(m_player.GetCommand(1).text) << "\"-\" is an empty line";
    EXPECT_TRUE(m_player.GetCommand(2).text);
    EXPECT_TRUE(m_player.GetCommand(3).picture);
    EXPECT_EQ(m_player.GetCommand(6).speed, 40.0f);

    // Nothing runs before Start.
    m_player.Reset();
    Frame();
    EXPECT_EQ(m_player.GetElapsed(), 0.0f);
    EXPECT_FALSE(m_player.IsFinished());

    m_player.Start();
    RunTo(1.25f - kBlockTime);
    EXPECT_EQ(Mixer().GetChannelCount(), 0);
    EXPECT_TRUE(Silent(Block()));
    // The music starts at 1.25 s and loops past its half second.
    RunTo(1.25f);
    EXPECT_TRUE(MusicPlays());
    EXPECT_TRUE(m_player.IsMusicPlaying());
    EXPECT_FALSE(Silent(Block()));
    EXPECT_EQ(Mixer().GetChannelCount(), 1);
    // The splash sound joins it at 1.75 s.
    RunTo(1.75f);
    EXPECT_EQ(Mixer().GetChannelCount(), 2);
    RunTo(3.0f);
    EXPECT_TRUE(MusicPlays());
    EXPECT_EQ(Mixer().GetChannelCount(), 1) << "the splash sound has ended";
    // The second splash plays no sound.
    RunTo(3.75f);
    EXPECT_EQ(Mixer().GetChannelCount(), 1);
    // The music stops at 4.0 s.
    RunTo(4.0f - kBlockTime);
    EXPECT_TRUE(MusicPlays());
    RunTo(4.0f);
    EXPECT_FALSE(MusicPlays());
    EXPECT_FALSE(m_player.IsMusicPlaying());
    EXPECT_EQ(Mixer().GetChannelCount(), 0);
    EXPECT_TRUE(Silent(Block()));
    // Finished at its end time, not a frame before.
    while (m_player.GetElapsed() + kBlockTime < 5.0f) {
        Frame();
        ASSERT_FALSE(m_player.IsFinished()) << m_player.GetElapsed();
    }
    Frame();
    EXPECT_TRUE(m_player.IsFinished());
    for (int k = 0; k < 12; ++k) EXPECT_TRUE(m_player.GetCommand(k).fired) << k;
    m_player.Stop();
    EXPECT_FALSE(m_player.IsFinished());
}

TEST_F(Credits, TheMusicStopsWhenTheCreditsStopAreResetOrReleased)
{
    m_player.LoadTheEnd();
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        m_player.Reset();
        m_player.Start();
        RunTo(1.5f);
        ASSERT_TRUE(MusicPlays());
        if (way == 0) m_player.Stop();
        if (way == 1) m_player.Reset();
        if (way == 2) m_player.Release();
        EXPECT_FALSE(MusicPlays());
        EXPECT_FALSE(m_player.IsMusicPlaying());
        while (Mixer().GetChannelCount() > 0) Block();  // the splash's tail, if any
        EXPECT_TRUE(Silent(Block()));
    }
    // Released: an empty script, finished as soon as it starts.
    EXPECT_EQ(m_player.GetCount(), 0);
    m_player.Start();
    EXPECT_TRUE(m_player.IsFinished());

    // The music plays again after a reset, once only however often asked.
    m_player.LoadTheEnd();
    m_player.Reset();
    m_player.Start();
    RunTo(1.3f);
    m_player.StartMusic();
    EXPECT_EQ(Mixer().GetChannelCount(), 1);
    m_player.StopMusic();
    m_player.StopMusic();
    EXPECT_EQ(Mixer().GetChannelCount(), 0);
}

TEST_F(Credits, TheSplashSoundFollowsTheSwitchAndPlaysOnItsOwnPosition)
{
    m_player.LoadTheEnd();
    m_game.m_SoundOn = false;
    m_player.Start();
    RunTo(1.8f);
    EXPECT_TRUE(MusicPlays()) << "the music does not follow the switch";
    EXPECT_EQ(Mixer().GetChannelCount(), 1);

    // The thunder shares the splash sound. Sounding at once, each is heard
    // whole from its own start: the thunder a block ahead.
    m_player.Release();
    m_content.Write("the_end.xml", "<s><Splash time=\"1\"/></s>");
    m_player.LoadTheEnd();
    m_game.m_SoundOn = true;
    SoundBank bank;
    bank.SetOwner(&m_game);
    bank.Load();
    bank.Play(15);
    Block();
    m_player.Reset();
    m_player.Start();
    m_player.Update(0.0f);
    EXPECT_EQ(Mixer().GetChannelCount(), 2);
    const std::vector<int16_t> both = Block();
    for (int i = 0; i < kBlockFrames * 2; ++i)
        ASSERT_EQ(both[i], m_splash[i] + m_splash[2 * kBlockFrames + i]) << i;
}

TEST_F(Credits, ScriptsKeepNinetyNineCommandsAndAMissingScriptEndsAtOnce)
{
    std::string many = "<s>";
    for (int i = 0; i < 100; ++i) many += "<Wait time=\"0.5\"/>";
    many += "</s>";
    m_content.Write("the_end.xml", many);
    m_player.LoadTheEnd();
    EXPECT_EQ(m_player.GetCount(), ScriptPlayer::kMaxCommands);
    EXPECT_EQ(m_player.GetEndTime(), 49.5f);
    // Loading again replaces the script; Load appends.
    m_player.LoadTheEnd();
    EXPECT_EQ(m_player.GetCount(), ScriptPlayer::kMaxCommands);
    m_content.Write("short.xml", "<s><Wait time=\"1\"/><Splash/></s>");
    m_content.Write("broken.xml", "<s><Wait time=\"1\"</s>");
    ScriptPlayer other;
    other.SetOwner(&m_game);
    EXPECT_TRUE(other.Load("short.xml"));
    EXPECT_TRUE(other.Load("short.xml"));
    EXPECT_EQ(other.GetCount(), 4);
    EXPECT_EQ(other.GetCommand(3).time, 0.0f) << "a missing time counts as 0";
    EXPECT_FALSE(other.Load("broken.xml"));
    EXPECT_FALSE(other.Load("absent.xml"));
    EXPECT_EQ(other.GetCount(), 4);

    // An unreadable script: empty, finished as soon as it starts.
    ScriptPlayer empty;
    empty.SetOwner(&m_game);
    m_content.Write("the_end.xml", "");
    empty.LoadTheEnd();
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_FALSE(empty.IsFinished()) << "not started";
    empty.Start();
    EXPECT_TRUE(empty.IsFinished());
}

// ---------------------------------------------------------------- Overlay

// A window surface of a given size without a window system.
class SizedSurface : public Voke::MaemoSurface {
public:
    SizedSurface(int width, int height) : MaemoSurface(width, height) {}
};

// A button 100 x 40 on a 960 x 640 window, logical touches at half scale:
// the button spans window pixels 430..530 x 128..168, logical 215..265 x
// 64..84.
class Overlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
        m_app = new Voke::AbstractApp(0);
        m_window = new SizedSurface(960, 640);
        m_app->SetDisplay(new Voke::Display(m_window));
        Voke::Vfs::Init();
        Voke::Vfs::MountDirectory(m_dir / "data/", "", 0);
        Voke::Vfs::MountDirectory("save/", "save/", Voke::VfsMount::FallThrough | Voke::VfsMount::SaveFiles);
        Voke::AssetDict::s_engine = new Voke::AssetDict;
        Voke::AbstractApp::s_registry = new Voke::Registry;
        Voke::AbstractApp::s_mixer = new Voke::Mixer(kStereo22, Voke::MixerConfig(), &Voke::test::NoDevice);
        VokeTest::WriteBytes(m_dir / "data/tutorial-android-main-menu.png",
                             Voke::Test::MakePngFile(100, 40, [](int, int) { return Voke::MakeColor(9, 9, 9); }));
        VokeTest::WriteBytes(m_dir / "data/gl_podskok_1.wav", PresentationTest::MakeWav(Signal(8000, 1000)));
        m_game.m_PointerScaleX = 0.5f;
        m_game.m_PointerScaleY = 0.5f;
        m_bank.SetOwner(&m_game);
        m_bank.Load();
        m_overlay.SetOwner(&m_game);
        m_overlay.SetSoundBank(&m_bank);
    }
    void TearDown() override
    {
        Voke::Vfs::Shutdown();
        m_app.Reset();  // and the engine's handles with it
    }

    void Defaults(const char* swap)
    {
        VokeTest::WriteBytes(m_dir / "data/controls.xml",
                             std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<registry>\n"
                                         "\t<node name=\"/controls\">\n\t\t<key name=\"swap\" type=\"bool\">") +
                                 swap + "</key>\n\t</node>\n</registry>\n");
    }
    std::string Saved() const { return m_dir / "Vexbolt!/save/controls.xml"; }
    void Touch(std::initializer_list<TouchPoint> points) { m_overlay.HandleTouches(TouchList(points)); }

    VokeTest::TempDir m_dir;
    Voke::SmartPtr<Voke::AbstractApp> m_app;
    Voke::SmartPtr<Voke::MaemoSurface> m_window;
    GameBase m_game;
    SoundBank m_bank;
    TutorialOverlay m_overlay;
};

TEST_F(Overlay, TapsResumeThePauseMenuOrLeaveItThroughItsButton)
{
    m_overlay.Load();
    m_overlay.Show(TutorialOverlay::kPause);
    EXPECT_TRUE(m_overlay.IsActive());
    EXPECT_EQ(m_overlay.GetButtonX(), 430);
    EXPECT_EQ(m_overlay.GetButtonY(), 128);

    // Beside the button: the menu closes, play resumes.
    for (TouchPoint miss : {TouchPoint{266, 84}, TouchPoint{214, 70}, TouchPoint{240, 63}, TouchPoint{240, 85}}) {
        m_overlay.Show(TutorialOverlay::kPause);
        Touch({miss});
        EXPECT_FALSE(m_overlay.IsActive());
        EXPECT_EQ(m_overlay.GetTouchResult(), 2) << miss.x << "," << miss.y;
    }
    // On it, edges included: the run is left.
    for (TouchPoint hit : {TouchPoint{215, 64}, TouchPoint{265, 84}, TouchPoint{240, 70}}) {
        m_overlay.Show(TutorialOverlay::kPause);
        EXPECT_EQ(m_overlay.GetTouchResult(), 2);
        Touch({hit});
        EXPECT_FALSE(m_overlay.IsActive());
        EXPECT_EQ(m_overlay.GetTouchResult(), 1) << hit.x << "," << hit.y;
    }
    // The first point that hits counts.
    m_overlay.Show(TutorialOverlay::kPause);
    Touch({{0, 0}, {250, 80}, {1, 1}});
    EXPECT_EQ(m_overlay.GetTouchResult(), 1);

    // Leaving pauses the game's sounds.
    m_bank.Play(2);
    EXPECT_FALSE(Silent(Block()));
    m_overlay.Show(TutorialOverlay::kPause);
    Touch({{240, 70}});
    EXPECT_TRUE(Silent(Block()));
    EXPECT_EQ(Voke::AbstractApp::s_mixer->GetChannelCount(), 1) << "paused, not stopped";
    m_bank.ResumeAll();

    // The tutorial has no button: any touch closes it and resumes.
    m_overlay.Show(TutorialOverlay::kTutorial);
    Touch({{240, 70}});
    EXPECT_FALSE(m_overlay.IsActive());
    EXPECT_EQ(m_overlay.GetTouchResult(), 2);
    EXPECT_FALSE(Silent(Block()));

    // A closed overlay takes no touch.
    Touch({{0, 0}});
    EXPECT_EQ(m_overlay.GetTouchResult(), 2);
    m_overlay.Show(TutorialOverlay::kPause);
    Touch({{240, 70}});
    Touch({{0, 0}});
    EXPECT_EQ(m_overlay.GetTouchResult(), 1);

    // Without the button's picture the pause menu is a plain picture.
    Voke::Vfs::Shutdown();
    Voke::Vfs::Init();
    Voke::AssetDict::s_engine = new Voke::AssetDict;
    TutorialOverlay plain;
    plain.SetOwner(&m_game);
    plain.Load();
    plain.Show(TutorialOverlay::kPause);
    plain.HandleTouches({{240, 70}});
    EXPECT_FALSE(plain.IsActive());
    EXPECT_EQ(plain.GetTouchResult(), 2);
}

TEST_F(Overlay, TimerRunsOnlyWhileShown)
{
    m_overlay.Show(TutorialOverlay::kTutorial);
    m_overlay.Tick(0.5f);
    m_overlay.Hide();
    m_overlay.Tick(1.0f);
    EXPECT_EQ(m_overlay.GetTimer(), 0.5f);
    m_overlay.Reset();
    EXPECT_EQ(m_overlay.GetTimer(), 0.0f);
}

TEST_F(Overlay, TheSwapSettingIsSavedAndReadBack)
{
    // The data's default, no saved copy yet.
    Defaults("true");
    m_overlay.Load();
    EXPECT_TRUE(m_game.m_SwapControls);
    EXPECT_FALSE(VokeTest::Exists(Saved()));
    // Written when the world releases its resources.
    m_overlay.Release();
    ASSERT_TRUE(VokeTest::Exists(Saved()));
    EXPECT_NE(VokeTest::ReadAll(Saved()).find("true"), std::string::npos);

    // The player's choice wins over the default at the next start.
    m_game.m_SwapControls = false;
    EXPECT_TRUE(m_overlay.SaveControls());
    Voke::AbstractApp::s_registry = new Voke::Registry;
    GameBase next;
    next.m_SwapControls = true;
    TutorialOverlay again;
    again.SetOwner(&next);
    again.LoadControls();
    EXPECT_FALSE(next.m_SwapControls);

    // A damaged save is read as no save; the default holds.
    const std::string damaged = "<registry><node name=\"/controls\"><key name=\"swap\"";
    VokeTest::WriteBytes(Saved(), damaged);
    Voke::AbstractApp::s_registry = new Voke::Registry;
    again.LoadControls();
    EXPECT_TRUE(next.m_SwapControls);

    // With neither file the byte keeps its value.
    std::remove((m_dir / "data/controls.xml").c_str());
    std::remove(Saved().c_str());
    Voke::AbstractApp::s_registry = new Voke::Registry;
    next.m_SwapControls = true;
    again.LoadControls();
    EXPECT_TRUE(next.m_SwapControls);
    next.m_SwapControls = false;
    again.LoadControls();
    EXPECT_FALSE(next.m_SwapControls);

    // Without a registry nothing is written.
    Voke::AbstractApp::s_registry.Reset();
    EXPECT_FALSE(again.SaveControls());
    EXPECT_FALSE(VokeTest::Exists(Saved()));
}

}  // namespace
