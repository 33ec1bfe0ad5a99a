// The tune sources of content/music, copied into the program by the build
// (tools/soundgen/embed_tunes.cmake writes the definitions).
#pragma once

#include <cstddef>

namespace SoundGen {

struct EmbeddedTune {
    const char* stem;  // the file name without ".tune"
    const unsigned char* data;
    size_t size;
};

extern const EmbeddedTune kEmbeddedTunes[];
extern const int kEmbeddedTuneCount;

}  // namespace SoundGen
