// Encodes a sound as Ogg Vorbis with libvorbisenc, in memory.
//
// Kept out of the generator's core library: libvorbisenc exports the same
// symbol names as the integer decoder the engine links, so no program may
// hold both. The encoder is deterministic for a given input once the stream's
// serial number is fixed (it is: see the NOTE in ogg_writer.cpp), so one
// build writes the same bytes every time. The decoded length equals the
// input's frame count exactly (the last page's granule position says so).
#pragma once

#include <string>

#include "tools/soundgen/signal.h"

namespace SoundGen {

// `quality` is the encoder's variable-bitrate quality, -0.1 .. 1. False, with
// `error` set, when the encoder refuses the format or fails.
bool EncodeOgg(const Sound& sound, float quality, std::string& bytes, std::string& error);

}  // namespace SoundGen
