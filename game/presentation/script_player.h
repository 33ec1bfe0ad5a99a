// A timed script of texts, pictures, a white flash, music and upward
// scrolling: the game's end credits, read from "the_end.xml".
//
// The script file's root holds one element per command, in order, each
// taking up its "time" in seconds before the next starts:
//   TextSimple  text, xpos, ypos   a text with its left edge at xpos
//   TextCenter  text, ypos         a text centred across the screen ("-" is
//                                  an empty line)
//   Gfx         file, xpos, ypos   a picture by asset name
//   Splash                         a white layer fading out within a second;
//                                  the first one since Reset plays a sound
//   Wait                           nothing
//   StartMovingUp  speed           scrolling up at speed pixels per second
//   StopMovingUp                   scrolling stops, the offset returns to 0
//   ClearScreen                    everything earlier stops being drawn
//   StartMusic / StopMusic         the credits music, looping
// Names are compared without regard to case; other elements are skipped.
// Positions are given for a 480 x 320 screen and scaled to the game's. A
// position missing from an element keeps the value of the previous element
// of the file (0 for the first).
//
// Limits: at most 99 commands; later ones are dropped without a message.
// A missing file, text, picture or sound leaves the matching command with
// nothing to show or play.
//
// The game world owns one player: it loads it on the loader thread, then
// resets, starts, updates and draws it on the main thread. The music channel
// is stopped whenever the script stops, is reset or released, so that the
// looping music never outlives the credits.
#pragma once

#include <cstdint>

#include "engine/audio/audio_channel.h"
#include "engine/audio/audio_source.h"
#include "engine/core/ref_counter.h"

namespace Voke {
class ScreenText;
class Surface;
}  // namespace Voke

class GameBase;

class ScriptPlayer {
public:
    // NOTE: a script holds at most 99 commands; one more record carries the
    // script's end time.
    static constexpr int kMaxCommands = 99;
    static constexpr int kRecords = 100;

    enum CommandType : int32_t {
        kTextSimple = 1,
        kTextCenter = 2,
        kGfx = 3,
        kSplash = 4,
        kWait = 5,
        kStartMovingUp = 6,
        kStopMovingUp = 7,
        kClearScreen = 8,
        kStartMusic = 9,
        kStopMusic = 10,
    };

    struct Command {
        int32_t type;
        bool fired;  // executed by Update since the last Reset
        int32_t x;   // screen pixels, already scaled
        int32_t y;
        Voke::SmartPtr<Voke::ScreenText> text;
        Voke::SmartPtr<Voke::Surface> picture;
        float time;   // seconds from this command's start to the next one's
        float start;  // the sum of the times of all earlier commands
        float speed;  // pixels per second, for StartMovingUp
    };

    ScriptPlayer();
    ~ScriptPlayer();
    ScriptPlayer(const ScriptPlayer&) = delete;
    ScriptPlayer& operator=(const ScriptPlayer&) = delete;

    // The game: screen size, font set and sound switch. Without one the
    // screen counts as 480 x 320, texts are not built and nothing plays the
    // splash sound.
    void SetOwner(GameBase* owner) { m_Owner = owner; }
    // Loads the music, the splash sound and "the_end.xml" in place of any
    // earlier script, and computes the start times. A missing file gives an
    // empty script that is finished as soon as it starts.
    void LoadTheEnd();
    // Appends the commands of a script file to those held, without start
    // times, music or sound; false when the file is missing or does not
    // parse.
    bool Load(const char* fileName);
    // Appends one command; dropped when 99 are held. `string` is the text
    // (TextSimple, TextCenter) or the picture's asset name (Gfx), or null.
    void AddCommand(int32_t type, const char* string, int32_t x, int32_t y, float time, float speed);

    // Back to the script's beginning, inactive, music stopped.
    void Reset();
    // Runs the script from its beginning.
    void Start();
    // Inactive, music stopped.
    void Stop();
    bool IsActive() const { return m_Active; }
    // Active and past the script's end time.
    bool IsFinished() const;
    void Update(float dt);
    // Draws what the script shows now; the target is not cleared first.
    void Draw(Voke::Surface* target);
    // Starts the music, looping, unless it is playing or missing.
    void StartMusic();
    // Stops the music, when it is playing.
    void StopMusic();
    // Stops the music, drops the sounds, texts and pictures and empties the
    // script.
    void Release();

    // Progress, for inspection.
    int32_t GetCount() const { return m_Count; }
    const Command& GetCommand(int i) const { return m_Commands[i]; }
    float GetElapsed() const { return m_Elapsed; }
    float GetScroll() const { return m_Scroll; }
    float GetEndTime() const { return m_Commands[m_Count].start; }
    bool IsMusicPlaying() const { return m_MusicPlaying; }
    const Voke::WeakPtr<Voke::AudioChannel>& GetMusicChannel() const { return m_MusicChannel; }

private:
    // Reads the elements of a script file into commands; false when the file
    // is missing or does not parse.
    bool ReadScript(const char* fileName);
    void ComputeStartTimes();
    void Fire(int k);
    int32_t ScreenWidth() const;
    int32_t ScreenHeight() const;

    GameBase* m_Owner;
    bool m_Active;
    float m_Elapsed;
    float m_Scroll;
    bool m_Moving;
    float m_Speed;
    int32_t m_First;
    Voke::SmartPtr<Voke::AudioSource> m_Music;
    Voke::WeakPtr<Voke::AudioChannel> m_MusicChannel;
    bool m_MusicPlaying;
    bool m_SplashPlayed;
    Voke::SmartPtr<Voke::AudioSource> m_SplashSound;
    int32_t m_Count;
    Command m_Commands[kRecords];
};
