// Sounds by asset name: "path", or "path@cache" (an Ogg Vorbis file held whole
// in memory and decoded while playing), "path@buffer" (decoded whole into a
// buffer); any other option opens a normal streaming source.
#pragma once

#include "engine/audio/audio_source.h"
#include "engine/core/asset_dict.h"

namespace Voke {

// A new source for the asset name, or null when the path has no known ending
// (".wav", ".ogg", ".xm"; "cache" needs ".ogg") or cannot be opened.
SmartPtr<AudioSource> SplitAudioFileOption(const NarrowString& name);

// Get-or-load of a sound through `dict`, as AssetDict::GetCached: the same
// source while anyone holds it; with `keep` it stays for the dictionary's
// lifetime. Null when the sound cannot be made (tried again next time).
SmartPtr<AudioSource> GetCachedSound(AssetDict& dict, const NarrowString& name, bool keep);
// The same through the engine's dictionary; without one, a new source of its
// own at every call (SplitAudioFileOption).
SmartPtr<AudioSource> GetCachedSound(const NarrowString& name, bool keep);

}  // namespace Voke
