#include "tools/pak_builder.h"

#include <lzma.h>
#include <strings.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/core/compressed_file.h"
#include "engine/core/pak_mount.h"

namespace PakBuilder {

namespace {

constexpr uint32_t kHeaderSize = 17;
constexpr uint32_t kCompressedFlag = 0x80000000u;

void PutLE32(std::string& out, uint32_t v)
{
    const char bytes[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    out.append(bytes, 4);
}

// Encodes `size` bytes as one raw LZMA1 stream into at most `limit` bytes.
// False when it does not fit (or liblzma fails).
bool Compress(const lzma_options_lzma& options, const unsigned char* in, size_t size, size_t limit,
              std::string& out)
{
    lzma_options_lzma copy = options;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &copy}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_raw_encoder(&stream, filters) != LZMA_OK) return false;
    out.resize(limit);
    stream.next_in = in;
    stream.avail_in = size;
    stream.next_out = reinterpret_cast<unsigned char*>(out.data());
    stream.avail_out = limit;
    lzma_ret ret;
    do {
        ret = lzma_code(&stream, LZMA_FINISH);
    } while (ret == LZMA_OK && stream.avail_out > 0);
    out.resize(limit - stream.avail_out);
    lzma_end(&stream);
    return ret == LZMA_STREAM_END;
}

}  // namespace

bool NameLess(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; }

bool BuildContent(std::vector<Entry> entries, std::string& content, std::string& error)
{
    for (const Entry& e : entries) {
        if (e.name.empty() || e.name.find('\0') != std::string::npos) {
            error = "bad entry name \"" + e.name + "\"";
            return false;
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return NameLess(a.name, b.name); });
    for (size_t i = 1; i < entries.size(); ++i) {
        if (!NameLess(entries[i - 1].name, entries[i].name)) {
            error = "names differ only in case: \"" + entries[i - 1].name + "\" and \"" + entries[i].name + "\"";
            return false;
        }
    }

    // The reader refuses directories past its limits; such an archive is
    // not written at all.
    if (entries.size() > Voke::PakMount::kMaxEntryCount) {
        error = std::to_string(entries.size()) + " files: more than the " +
                std::to_string(Voke::PakMount::kMaxEntryCount) + " an archive may hold";
        return false;
    }
    uint64_t namesSize = 0;
    for (const Entry& e : entries) namesSize += e.name.size() + 1;
    if (namesSize > Voke::PakMount::kMaxNamesSize) {
        error = std::to_string(namesSize) + " bytes of names: more than the " +
                std::to_string(Voke::PakMount::kMaxNamesSize) + " an archive may hold";
        return false;
    }
    const uint64_t dataStart = 8 + 12 * uint64_t(entries.size()) + namesSize;
    uint64_t total = dataStart;
    for (const Entry& e : entries) total += e.data.size();
    if (total > uint64_t(INT_MAX)) {
        error = "archive content of 2 GiB or more";
        return false;
    }

    content.clear();
    content.reserve(size_t(total));
    PutLE32(content, uint32_t(entries.size()));
    uint32_t nameOffset = 0;
    uint32_t dataOffset = uint32_t(dataStart);
    for (const Entry& e : entries) {
        PutLE32(content, nameOffset);
        PutLE32(content, dataOffset);
        PutLE32(content, uint32_t(e.data.size()));
        nameOffset += uint32_t(e.name.size() + 1);
        dataOffset += uint32_t(e.data.size());
    }
    PutLE32(content, uint32_t(namesSize));
    for (const Entry& e : entries) content.append(e.name.c_str(), e.name.size() + 1);
    for (const Entry& e : entries) content += e.data;
    return true;
}

bool BuildBlockFile(const std::string& source, const Options& options, std::string& file, std::string& error)
{
    if (options.blockSize == 0 || options.blockSize > Voke::CompressedFile::kMaxBlockSize) {
        error = "block size must be 1 byte to " + std::to_string(Voke::CompressedFile::kMaxBlockSize) + " bytes";
        return false;
    }
    if (options.lc + options.lp > LZMA_LCLP_MAX || options.pb > LZMA_PB_MAX || options.preset > 9) {
        error = "LZMA options out of range (lc + lp <= 4, pb <= 4, preset 0-9)";
        return false;
    }
    lzma_options_lzma lzma;
    if (lzma_lzma_preset(&lzma, options.preset)) {
        error = "bad LZMA preset";
        return false;
    }
    lzma.lc = options.lc;
    lzma.lp = options.lp;
    lzma.pb = options.pb;
    // A block never refers back further than its own start.
    lzma.dict_size = std::max<uint32_t>(options.blockSize, LZMA_DICT_SIZE_MIN);

    std::string content = source;
    const size_t blockSize = options.blockSize;
    const size_t count = std::max<size_t>(1, (content.size() + blockSize - 1) / blockSize);
    if (uint64_t(count) * blockSize > uint64_t(INT_MAX)) {
        error = "archive content of 2 GiB or more";
        return false;
    }
    if (count > Voke::CompressedFile::kMaxBlockCount) {
        error = std::to_string(count) + " blocks of " + std::to_string(blockSize) + " bytes: more than the " +
                std::to_string(Voke::CompressedFile::kMaxBlockCount) + " blocks an archive may have (use a larger block size)";
        return false;
    }
    content.resize(count * blockSize, '\0');

    // Blocks are independent streams, so they are compressed in parallel.
    std::vector<std::string> coded(count);
    std::vector<char> compressed(count, 0);
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            const unsigned char* block = reinterpret_cast<const unsigned char*>(content.data()) + i * blockSize;
            // Kept only when smaller than the block itself.
            compressed[i] = Compress(lzma, block, blockSize, blockSize - 1, coded[i]);
            if (!compressed[i]) coded[i].assign(reinterpret_cast<const char*>(block), blockSize);
        }
    };
    unsigned threads = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    threads = unsigned(std::min<size_t>(threads, count));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();

    std::string table;
    uint64_t end = 0;
    for (size_t i = 0; i < count; ++i) {
        end += coded[i].size();
        if (end > 0x7FFFFFFFu) {
            error = "archive file of 2 GiB or more";
            return false;
        }
        PutLE32(table, uint32_t(end) | (compressed[i] ? kCompressedFlag : 0));
    }
    std::string storedTable = table;
    int32_t tableField = -int32_t(table.size());
    if (options.compressTable) {
        if (!Compress(lzma, reinterpret_cast<const unsigned char*>(table.data()), table.size(),
                      table.size() * 2 + 1024, storedTable)) {
            error = "block table does not compress";
            return false;
        }
        tableField = int32_t(table.size());
    }

    uint8_t props[5];
    lzma_filter filter{LZMA_FILTER_LZMA1, &lzma};
    if (lzma_properties_encode(&filter, props) != LZMA_OK) {
        error = "LZMA properties";
        return false;
    }
    const uint64_t dataStart = kHeaderSize + storedTable.size();
    if (dataStart + end > 0x7FFFFFFFu) {
        error = "archive file of 2 GiB or more";
        return false;
    }
    file.clear();
    file.reserve(size_t(dataStart + end));
    PutLE32(file, uint32_t(dataStart));
    PutLE32(file, options.blockSize);
    PutLE32(file, uint32_t(tableField));
    file.append(reinterpret_cast<const char*>(props), 5);
    file += storedTable;
    for (const std::string& block : coded) file += block;
    return true;
}

bool BuildArchive(std::vector<Entry> entries, const Options& options, std::string& file, std::string& error)
{
    std::string content;
    return BuildContent(std::move(entries), content, error) && BuildBlockFile(content, options, file, error);
}

bool ReadFolder(const std::string& folder, std::vector<Entry>& entries, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, ec);
    if (ec) {
        error = "cannot read folder " + folder + ": " + ec.message();
        return false;
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        // A link to a file counts as that file, under the link's own name.
        if (!it->is_regular_file(ec)) continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::stringstream data;
        data << in.rdbuf();
        if (!in) {
            error = "cannot read " + it->path().string();
            return false;
        }
        // The entry is named by where it stands below the folder: the last
        // depth + 1 parts of the path as the walk spelled it. Resolving the
        // path instead would name a link after its target.
        fs::path name;
        auto part = it->path().end();
        for (int i = 0; i <= it.depth(); ++i) --part;
        for (; part != it->path().end(); ++part) name /= *part;
        entries.push_back({name.generic_string(), data.str()});
    }
    if (ec) {
        error = "cannot read folder " + folder + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace PakBuilder
