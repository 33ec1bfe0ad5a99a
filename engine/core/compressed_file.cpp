#include "engine/core/compressed_file.h"

#include <lzma.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace Voke {

namespace {

constexpr uint32_t kHeaderSize = 17;
constexpr uint32_t kCompressedFlag = 0x80000000u;
// NOTE: decoded bytes that a forward seek inside a block skips are produced
// into this scratch buffer, this many at a time.
constexpr uint32_t kSkipChunk = 4096;
// liblzma's smallest dictionary.
constexpr uint32_t kMinDictionary = 4096;

uint32_t ReadLE32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

struct CompressedFile::Decoder {
    lzma_stream stream = LZMA_STREAM_INIT;
    lzma_options_lzma options{};
    lzma_filter filters[2]{};
    unsigned char scratch[kSkipChunk];

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
    lzma_end(&m_decoder->stream);
    m_decoder->stream = LZMA_STREAM_INIT;
    m_dataStart = m_blockSize = m_size = m_position = m_produced = 0;
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
    if (fileSize < kHeaderSize) return fail();

    const uint32_t dataStart = ReadLE32(data);
    const uint32_t blockSize = ReadLE32(data + 4);
    const int32_t tableField = static_cast<int32_t>(ReadLE32(data + 8));

    lzma_filter props{LZMA_FILTER_LZMA1, nullptr};
    if (lzma_properties_decode(&props, nullptr, data + 12, 5) != LZMA_OK) return fail();
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
        if (uint64_t(kHeaderSize) + words.size() > fileSize) return fail();
        std::memcpy(words.data(), data + kHeaderSize, words.size());
    } else {
        if (!m_decoder->Start(data + kHeaderSize, fileSize - kHeaderSize)) return fail();
        if (m_decoder->Produce(words.data(), words.size()) != words.size()) return fail();
    }

    std::vector<uint32_t> table(count);
    uint32_t previousEnd = 0;
    for (uint32_t i = 0; i < count; ++i) {
        table[i] = ReadLE32(&words[size_t(i) * 4]);
        const uint32_t end = table[i] & ~kCompressedFlag;
        if (end < previousEnd || uint64_t(dataStart) + end > fileSize) return fail();
        previousEnd = end;
    }

    m_table = std::move(table);
    m_dataStart = dataStart;
    m_blockSize = blockSize;
    m_size = count * blockSize;
    m_position = 0;
    m_current = -1;
    m_produced = 0;
    return true;
}

uint32_t CompressedFile::BlockStart(uint32_t block) const
{
    return block == 0 ? 0 : m_table[block - 1] & ~kCompressedFlag;
}

uint32_t CompressedFile::BlockEnd(uint32_t block) const { return m_table[block] & ~kCompressedFlag; }

bool CompressedFile::StartBlock(uint32_t block)
{
    m_current = -1;
    m_produced = 0;
    m_compressed = (m_table[block] & kCompressedFlag) != 0;
    if (m_compressed) {
        const uint32_t start = BlockStart(block);
        if (!m_decoder->Start(Data() + m_dataStart + start, BlockEnd(block) - start)) return false;
    }
    m_current = block;
    return true;
}

uint32_t CompressedFile::Decode(unsigned char* out, uint32_t count)
{
    const uint32_t got = static_cast<uint32_t>(m_decoder->Produce(out, count));
    m_produced += got;
    return got;
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
        if (m_current != int64_t(block) || offset < m_produced) {
            if (!StartBlock(block)) break;
        }
        const uint32_t chunk = std::min(m_blockSize - offset, n - done);
        uint32_t got = 0;
        if (m_compressed) {
            while (m_produced < offset) {
                const uint32_t skip = std::min(offset - m_produced, kSkipChunk);
                if (Decode(m_decoder->scratch, skip) != skip) break;
            }
            if (m_produced == offset) got = Decode(out + done, chunk);
        } else {
            const uint32_t start = BlockStart(block);
            const uint32_t extent = BlockEnd(block) - start;
            got = offset < extent ? std::min(chunk, extent - offset) : 0;
            if (got) std::memcpy(out + done, Data() + m_dataStart + start + offset, got);
            m_produced = offset + got;
        }
        done += got;
        m_position += got;
        if (got < chunk) {
            m_current = -1;  // damaged: restart the block on the next read
            break;
        }
    }
    return static_cast<int>(done);
}

bool CompressedFile::Seek(int offset, int origin)
{
    int64_t target;
    switch (origin) {
    case SeekSet: target = offset; break;
    case SeekCur: target = int64_t(m_position) + offset; break;
    case SeekEnd: target = int64_t(m_size) + offset; break;
    default: return true;
    }
    m_position = static_cast<uint32_t>(std::clamp<int64_t>(target, 0, m_size));
    return true;
}

}  // namespace Voke
