// The game's short sound effects, played by id.
//
// Every effect has a small integer id; the bank starts the matching sound,
// decoded into memory once at loading, on the engine's mixer, but only while
// the game's sound switch (GameBase::m_SoundOn) is on. Each play reads the
// shared sound through a position of its own, so one effect may sound
// several times at once, each play whole. Per effect the bank keeps a handle
// to the channel it started last, through which PauseAll and ResumeAll reach
// the sounds that are still playing when the game pauses.
//
// Load runs on the loader thread; everything else on the main thread, after
// loading has finished. Channel flags change only through the mixer's
// locked setters, never on a channel directly.
#pragma once

#include "engine/audio/audio_channel.h"
#include "engine/audio/audio_source.h"
#include "engine/core/ref_counter.h"

class GameBase;

class SoundBank {
public:
    // NOTE: 18 sound slots; ids 3, 4 and 5 have no sound, and slots 3 to 5
    // are never loaded.
    static constexpr int kSlots = 18;

    SoundBank();
    // Releases the sounds and the channel handles; the channels themselves
    // play on to their end.
    ~SoundBank();
    SoundBank(const SoundBank&) = delete;
    SoundBank& operator=(const SoundBank&) = delete;

    // The game, read for its sound switch before every play. Without an
    // owner nothing plays.
    void SetOwner(GameBase* owner) { m_Owner = owner; }
    // Gets the fifteen sounds through the engine's asset dictionary (kept for
    // the run). A sound that cannot be loaded leaves its slot empty and its
    // id silent; nothing is reported.
    void Load();
    // Plays the sound of an id; an id without a sound, an empty slot, the
    // sound switch off or a missing mixer do nothing.
    void Play(int id);
    // Starts `source` on the global mixer (forced past its channel limit)
    // through a read position of its own, the shared source itself never
    // rewound. With `channel` the new channel's handle replaces the one
    // there (whose channel plays on, untracked).
    void PlaySource(Voke::AudioSource* source, Voke::WeakPtr<Voke::AudioChannel>* channel);
    // Pauses / resumes the newest channel of every sound while it still
    // plays; a paused channel keeps its position.
    void PauseAll();
    void ResumeAll();
    // Drops the sounds (plays are ignored until the next Load); the channel
    // handles stay, so PauseAll and ResumeAll still reach playing sounds.
    void Release();

private:
    void SetAllPaused(bool paused);

    GameBase* m_Owner;
    Voke::SmartPtr<Voke::AudioSource> m_Sources[kSlots];
    Voke::WeakPtr<Voke::AudioChannel> m_Channels[kSlots];
};
