// Building pak archives: the logical content (directory, names, file data)
// and the compressed block file around it, in the layout the engine's
// CompressedFile and PakMount read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace PakBuilder {

struct Entry {
    std::string name;  // full path inside the archive, '/' separated
    std::string data;
};

struct Options {
    uint32_t blockSize = 64 * 1024;  // decoded bytes per block
    // LZMA literal context / literal position / position bits. The engine
    // decodes with liblzma, which needs lc + lp <= 4.
    uint32_t lc = 3;
    uint32_t lp = 0;
    uint32_t pb = 2;
    uint32_t preset = 6;         // liblzma compression level, 0-9
    bool compressTable = false;  // store the block table as an LZMA stream
    unsigned threads = 0;        // blocks compressed at once; 0 = one per core
};

// True when `a` sorts before `b` in the directory: strcasecmp order (ASCII
// letters folded to lower case, bytes compared unsigned).
bool NameLess(const std::string& a, const std::string& b);

// The logical archive content: sorts the entries and lays out the directory,
// the names block and the data. False with a message for an empty name, a
// name holding a NUL byte, two names equal without regard to case, more
// files or bytes of names than the engine's reader accepts, or content of
// 2 GiB or more.
bool BuildContent(std::vector<Entry> entries, std::string& content, std::string& error);

// Wraps `content` in a compressed block file: the content is padded with
// zeros to whole blocks, and each block is stored LZMA-coded when that is
// smaller, else raw. False with a message for bad options, more blocks than
// the engine's reader accepts, or a file of 2 GiB or more.
bool BuildBlockFile(const std::string& content, const Options& options, std::string& file, std::string& error);

// BuildContent then BuildBlockFile.
bool BuildArchive(std::vector<Entry> entries, const Options& options, std::string& file, std::string& error);

// Every regular file below `folder`, named by its path relative to it; a
// link to a file gives that file's bytes under the link's path.
bool ReadFolder(const std::string& folder, std::vector<Entry>& entries, std::string& error);

}  // namespace PakBuilder
