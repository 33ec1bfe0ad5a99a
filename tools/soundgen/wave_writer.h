// Writes a sound as a RIFF WAVE file of 16-bit integer PCM at the generator's
// rate, mono or stereo: the one layout the engine's wave source accepts.
#pragma once

#include <string>

#include "tools/soundgen/signal.h"

namespace SoundGen {

// The bytes of the file (a 44-byte header, then the samples).
std::string WaveBytes(const Sound& sound);

// False, with `error` set, when the file cannot be written completely.
bool WriteFile(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace SoundGen
