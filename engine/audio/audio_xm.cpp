#include "engine/audio/audio_xm.h"

namespace Voke {

AudioXM::AudioXM(std::unique_ptr<ModulePlayer::CModuleSong> song)
    : m_song(std::move(song)), m_player(new ModulePlayer::ModulePlayer)
{
    m_player->SetSong(m_song.get());
    m_player->SetOrderRange(-1, -1);
    m_format = AudioFormat{1, ModulePlayer::ModulePlayer::kRate};
}

SmartPtr<AudioXM> AudioXM::Create(const NarrowString& name)
{
    std::unique_ptr<ModulePlayer::CModuleSong> song(new ModulePlayer::CModuleSong);
    if (!song->Load(name)) return nullptr;
    return SmartPtr<AudioXM>(new AudioXM(std::move(song)));
}

SmartPtr<AudioXM> AudioXM::Create(const uint8_t* data, size_t size)
{
    std::unique_ptr<ModulePlayer::CModuleSong> song(new ModulePlayer::CModuleSong);
    if (!song->LoadFromMemory(data, size)) return nullptr;
    return SmartPtr<AudioXM>(new AudioXM(std::move(song)));
}

int AudioXM::Read(void* buffer, int bytes)
{
    const int samples = bytes / 2;
    if (samples <= 0) return 0;
    return m_player->Render(static_cast<int16_t*>(buffer), samples) ? samples * 2 : 0;
}

}  // namespace Voke
