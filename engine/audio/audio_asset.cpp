#include "engine/audio/audio_asset.h"

namespace Voke {

SmartPtr<AudioSource> SplitAudioFileOption(const NarrowString& name)
{
    NarrowString base, option;
    if (!AssetDict::SplitName(name, base, option)) return AudioSource::Create(name, false);
    if (option == "cache") return AudioSource::CreateCachedOgg(base);
    return AudioSource::Create(base, option == "buffer");
}

SmartPtr<AudioSource> GetCachedSound(AssetDict& dict, const NarrowString& name, bool keep)
{
    return dict.GetCached<AudioSource>(name, keep, &SplitAudioFileOption);
}

SmartPtr<AudioSource> GetCachedSound(const NarrowString& name, bool keep)
{
    SmartPtr<AssetDict> dict = AssetDict::s_engine;
    if (dict) return GetCachedSound(*dict, name, keep);
    return SplitAudioFileOption(name);
}

}  // namespace Voke
