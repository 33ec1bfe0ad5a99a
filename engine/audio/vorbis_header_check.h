// A check of an Ogg Vorbis file's headers before the decoder is given them.
//
// Vorbis decoders trust the setup header more than a damaged file deserves:
// a codebook of dimension 0, a residue partition of 0 samples or two floor
// posts at one place make them divide by zero while decoding (a SIGFPE that
// ends the process). The check reads the first three packets of the first
// logical stream (identification, comment, setup) and walks the whole setup
// header as the Vorbis I format lays it out, refusing values the format
// forbids and values a decoder would divide by or index with out of range.
//
// It reads the stream from its start and leaves the position anywhere; the
// caller rewinds. Chained files (a second logical stream) are the caller's
// to refuse: only the first stream's headers are checked.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Voke {

class SeekableStream;

class VorbisHeaderCheck {
public:
    // NOTE: how far into a file the three header packets may reach; the
    // game's files need a few kilobytes.
    static constexpr int kMaxHeaderBytes = 1 << 20;

    // True when the stream begins with an Ogg stream whose identification
    // and setup headers pass (see above). False for a file that is not Ogg
    // Vorbis, whose header packets end early or lie past kMaxHeaderBytes, or
    // whose headers a decoder cannot safely use.
    static bool Check(SeekableStream* stream);

    // The two packets alone. `channels` comes from the identification header.
    static bool CheckIdentification(const uint8_t* packet, size_t size, int& channels);
    static bool CheckSetup(const uint8_t* packet, size_t size, int channels);
};

}  // namespace Voke
