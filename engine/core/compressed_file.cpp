#include "engine/core/compressed_file.h"

#include <lzma.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "engine/core/byte_reader.h"

namespace Voke {

namespace {

constexpr uint32_t kHeaderSize = 17;
constexpr uint32_t kCompressedFlag = 0x80000000u;
// liblzma's smallest dictionary.
constexpr uint32_t kMinDictionary = 4096;

}  // namespace

struct CompressedFile::Decoder {
    lzma_stream stream = LZMA_STREAM_INIT;
    lzma_options_lzma options{};
    lzma_filter filters[2]{};

    ~Decoder() { lzma_end(&stream); }

    // Restarts decoding of a raw stream held in [input, input + size).
    bool Start(const unsigned char* input, size_t size)
    {
        filters[0].id = LZMA_FILTER_LZMA1;
        filters[0].options = &options;
        filters[1].id = LZMA_VLI_UNKNOWN;
        filters[1].options = nullptr;
        if (lzma_raw_decoder(&stream, filters) != LZMA_OK) return false;
        stream.next_in = input;
        stream.avail_in = size;
        return true;
    }

    // Produces up to `count` bytes into `out`; returns how many arrived.
    // Stops early on a decoder error, an end marker or input running out.
    size_t Produce(unsigned char* out, size_t count)
    {
        stream.next_out = out;
        stream.avail_out = count;
        while (stream.avail_out > 0) {
            const size_t inBefore = stream.avail_in;
            const size_t outBefore = stream.avail_out;
            if (lzma_code(&stream, LZMA_RUN) != LZMA_OK) break;
            if (stream.avail_in == inBefore && stream.avail_out == outBefore) break;
        }
        return count - stream.avail_out;
    }
};

CompressedFile::CompressedFile() : m_decoder(new Decoder) {}

CompressedFile::~CompressedFile() = default;

bool CompressedFile::Close()
{
    m_table.clear();
    m_table.shrink_to_fit();
    m_block.clear();
    m_block.shrink_to_fit();
    lzma_end(&m_decoder->stream);
    m_decoder->stream = LZMA_STREAM_INIT;
    m_dataStart = m_blockSize = m_size = m_position = 0;
    m_current = -1;
    return MmapFile::Close();
}

bool CompressedFile::OpenRead(const char* path)
{
    if (!MmapFile::OpenRead(path)) return false;  // closes this file first
    const unsigned char* data = Data();
    const uint32_t fileSize = static_cast<uint32_t>(MmapFile::Length());
    auto fail = [this] {
        Close();
        return false;
    };

    ByteReader header(data, fileSize);
    const uint32_t dataStart = header.U32();
    const uint32_t blockSize = header.U32();
    const int32_t tableField = header.I32();
    const uint8_t* properties = header.Take(5);
    if (!header.Ok()) return fail();

    lzma_filter props{LZMA_FILTER_LZMA1, nullptr};
    if (lzma_properties_decode(&props, nullptr, properties, 5) != LZMA_OK) return fail();
    m_decoder->options = *static_cast<lzma_options_lzma*>(props.options);
    free(props.options);  // allocated by liblzma with malloc
    if (m_decoder->options.lc + m_decoder->options.lp > LZMA_LCLP_MAX) return fail();

    if (blockSize == 0 || blockSize > kMaxBlockSize) return fail();
    if (tableField == INT32_MIN) return fail();
    const bool rawTable = tableField < 0;
    const uint32_t tableBytes = static_cast<uint32_t>(rawTable ? -tableField : tableField);
    const uint32_t count = tableBytes / 4;
    if (count < 1 || count > kMaxBlockCount) return fail();
    if (uint64_t(count) * blockSize > uint64_t(INT_MAX)) return fail();
    if (dataStart > fileSize) return fail();

    // No block decodes more than one block from a fresh state, and the table
    // no more than its size, so a larger dictionary than that is never used.
    uint32_t dictionary = std::min(m_decoder->options.dict_size, std::max(blockSize, tableBytes));
    m_decoder->options.dict_size = std::max(dictionary, kMinDictionary);

    std::vector<unsigned char> words(size_t(count) * 4);
    if (rawTable) {
        if (!header.Bytes(words.data(), words.size())) return fail();
    } else {
        if (!m_decoder->Start(data + kHeaderSize, fileSize - kHeaderSize)) return fail();
        if (m_decoder->Produce(words.data(), words.size()) != words.size()) return fail();
    }

    std::vector<uint32_t> table(count);
    ByteReader wordReader(words.data(), words.size());
    uint32_t previousEnd = 0;
    for (uint32_t& word : table) {
        word = wordReader.U32();
        const uint32_t end = word & ~kCompressedFlag;
        if (end < previousEnd || uint64_t(dataStart) + end > fileSize) return fail();
        // A stored block holds exactly one block: a short one would shift
        // every byte read from it and serve bytes of the next block.
        if (!(word & kCompressedFlag) && end - previousEnd != blockSize) return fail();
        previousEnd = end;
    }

    m_table = std::move(table);
    m_dataStart = dataStart;
    m_blockSize = blockSize;
    m_size = count * blockSize;
    m_position = 0;
    m_current = -1;
    return true;
}

uint32_t CompressedFile::BlockStart(uint32_t block) const
{
    return block == 0 ? 0 : m_table[block - 1] & ~kCompressedFlag;
}

const unsigned char* CompressedFile::BlockBytes(uint32_t block)
{
    const unsigned char* start = Data() + m_dataStart + BlockStart(block);
    if (!(m_table[block] & kCompressedFlag)) return start;  // exactly one block, checked at open
    if (m_current == int64_t(block)) return m_block.data();

    // The whole block is decoded before any of it is handed out, so a block
    // that decodes short, fails part way or holds more than one block (the
    // header's block size is wrong) delivers nothing at all.
    m_current = -1;
    m_block.resize(m_blockSize);
    const uint32_t extent = (m_table[block] & ~kCompressedFlag) - BlockStart(block);
    if (!m_decoder->Start(start, extent)) return nullptr;
    if (m_decoder->Produce(m_block.data(), m_blockSize) != m_blockSize) return nullptr;
    unsigned char beyond;
    if (m_decoder->Produce(&beyond, 1) != 0) return nullptr;
    m_current = block;
    return m_block.data();
}

int CompressedFile::Read(void* buffer, int bytes)
{
    if (m_table.empty() || bytes <= 0 || m_position >= m_size) return 0;
    const uint32_t n = std::min(uint32_t(bytes), m_size - m_position);
    unsigned char* out = static_cast<unsigned char*>(buffer);
    uint32_t done = 0;
    while (done < n) {
        const uint32_t block = m_position / m_blockSize;
        const uint32_t offset = m_position - block * m_blockSize;
        const unsigned char* source = BlockBytes(block);
        if (!source) break;  // damaged: the read ends before this block
        const uint32_t chunk = std::min(m_blockSize - offset, n - done);
        std::memcpy(out + done, source + offset, chunk);
        done += chunk;
        m_position += chunk;
    }
    return static_cast<int>(done);
}

bool CompressedFile::Seek(int offset, int origin)
{
    m_position = ClampedSeek(offset, origin, m_position, m_size);
    return true;
}

}  // namespace Voke
