// Tracker-module sources: an Extended Module song rendered as it plays,
// mono at 22050 Hz, looping over its whole order list for ever.
#pragma once

#include <memory>

#include "engine/audio/audio_source.h"
#include "engine/audio/module_player.h"

namespace Voke {

class AudioXM : public AudioSource {
public:
    // Loads the named module through the mount table; null when it cannot be
    // opened or is not a valid Extended Module.
    static SmartPtr<AudioXM> Create(const NarrowString& name);
    // The same over a module held in memory.
    static SmartPtr<AudioXM> Create(const uint8_t* data, size_t size);

    // Renders bytes / 2 samples; returns their byte count (an odd request
    // gets one byte less), or 0 when the player cannot play.
    int Read(void* buffer, int bytes) override;
    // A module has no positions: these do nothing and report 0.
    void Rewind() override {}
    int GetLength() override { return 0; }
    void SetPosition(int) override {}
    int GetPosition() override { return 0; }

private:
    explicit AudioXM(std::unique_ptr<ModulePlayer::CModuleSong> song);

    std::unique_ptr<ModulePlayer::CModuleSong> m_song;
    std::unique_ptr<ModulePlayer::ModulePlayer> m_player;
};

}  // namespace Voke
