#include "game/presentation/sound_bank.h"

#include "engine/app/abstract_app.h"
#include "engine/audio/audio_asset.h"
#include "engine/audio/mixer.h"
#include "game/core/game_base.h"

namespace {

struct SoundEntry {
    int id;
    int slot;
    const char* file;
};

// In loading order. "@buffer" decodes each file whole, once.
const SoundEntry kSounds[] = {
    {0, 0, "gl_kroki_nowe_8_a.wav@buffer"},
    {1, 1, "gl_kroki_nowe_8_b.wav@buffer"},
    {2, 2, "gl_podskok_1.wav@buffer"},
    {6, 6, "gl_wslizg_1.wav@buffer"},
    {10, 7, "gl_alarm_5_syrena_puls_malejacy_sredni.wav@buffer"},
    {11, 8, "gl_new_kanaly_5.wav@buffer"},
    {12, 9, "gl_budowa_loop_3.wav@buffer"},
    {13, 10, "gl_new_suburbs_2.wav@buffer"},
    {14, 11, "gl_fajerwerki_1.wav@buffer"},
    {7, 12, "gl_helikopter_1_przelot.wav@buffer"},
    {8, 13, "gl_metro_2_tory_syrena.wav@buffer"},
    {9, 14, "gl_samolot_przelot_1.wav@buffer"},
    {15, 15, "gl_piorun_1.wav@buffer"},
    {16, 16, "gl_piorun_5.wav@buffer"},
    {17, 17, "gl_new_uderzenie_nowe_2.wav@buffer"},
};

// The slot of an id, or -1.
int SlotOf(int id)
{
    for (const SoundEntry& entry : kSounds)
        if (entry.id == id) return entry.slot;
    return -1;
}

}  // namespace

SoundBank::SoundBank() : m_Owner(nullptr) {}

SoundBank::~SoundBank() = default;

void SoundBank::Load()
{
    for (const SoundEntry& entry : kSounds) m_Sources[entry.slot] = Voke::GetCachedSound(entry.file, true);
}

void SoundBank::Play(int id)
{
    const int slot = SlotOf(id);
    if (slot < 0) return;
    // Held for the call, so that the source outlives the play whatever
    // happens to the slot meanwhile.
    Voke::SmartPtr<Voke::AudioSource> source = m_Sources[slot];
    PlaySource(source, &m_Channels[slot]);
}

void SoundBank::PlaySource(Voke::AudioSource* source, Voke::WeakPtr<Voke::AudioChannel>* channel)
{
    if (!m_Owner || !m_Owner->m_SoundOn) return;
    if (!source) return;
    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    if (!mixer) return;
    // The mixer gives every play a read position of its own over the shared
    // source, starting at its beginning: overlapping plays of one effect
    // each sound whole, and the source an earlier channel is reading on the
    // audio thread is never rewound from here. Forced: an effect is never
    // refused for the channel limit.
    Voke::WeakPtr<Voke::AudioChannel> started = mixer->Play(source, true);
    if (channel) *channel = started;
}

void SoundBank::SetAllPaused(bool paused)
{
    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    if (!mixer) return;
    for (const SoundEntry& entry : kSounds) {
        // The mixer checks under its lock that the channel still plays; one
        // that has ended and been removed is skipped.
        if (m_Channels[entry.slot].GetCell()) mixer->SetChannelPaused(m_Channels[entry.slot], paused);
    }
}

void SoundBank::PauseAll() { SetAllPaused(true); }

void SoundBank::ResumeAll() { SetAllPaused(false); }

void SoundBank::Release()
{
    for (auto& source : m_Sources) source = nullptr;
}
