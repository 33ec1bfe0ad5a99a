// Every sound file the generator writes, by the name the game asks for.
//
// The wave files come from the recipes; the music comes from the tunes in
// content/music, built into the program at compile time (so that a changed
// tune rebuilds the generator and, through it, the content that depends on
// it). A tune "NAME.tune" becomes "NAME.ogg".
#pragma once

#include <string>
#include <vector>

#include "tools/soundgen/signal.h"

namespace SoundGen {

enum class SoundKind {
    Effect,  // short, dry, at -3 dBFS
    Cue,     // a level's ambient cue, 2-6 s, faded in and out
    Pass,    // something passing by, stereo
    Jingle,  // the caption jingle
};

struct SoundEntry {
    const char* file;
    SoundKind kind;
    Sound (*render)();
};

// The wave files, in the order the generator writes them.
const std::vector<SoundEntry>& WaveSounds();

struct TuneEntry {
    std::string file;    // "NAME.ogg"
    std::string source;  // "NAME.tune", for messages
    std::string text;
};

// The tunes built into the program, sorted by file name.
const std::vector<TuneEntry>& Tunes();

}  // namespace SoundGen
