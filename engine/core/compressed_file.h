// A read-only stream over a file of fixed-size blocks, each stored raw or as a
// raw (headerless) LZMA stream: the outer layer of every pak archive.
//
// Layout (little-endian):
//   0   u32  data start: file offset of block 0
//   4   u32  block size: decoded bytes per block (the last block counts full)
//   8   i32  table bytes: |value| = size of the decoded block table;
//            negative = table stored raw, else one LZMA stream
//   12  5    LZMA properties (lc/lp/pb byte, u32 dictionary size), shared by
//            the table and every compressed block
//   17  ...  the block table, then the blocks from data start on
// Table word i: bits 0-30 the end of block i relative to data start, bit 31
// set when the block is LZMA-coded. Block i starts where block i-1 ends.
//
// Decoding uses liblzma's raw LZMA1 decoder, one per file. A compressed block
// is decoded whole into a buffer of one block before any byte of it is handed
// out, and must give exactly the block size (not a byte fewer or more) without
// a decoder error; reads inside the last decoded block cost a copy. A stored block must hold exactly
// the block size. liblzma decodes only streams with lc + lp <= 4; other
// archives do not open.
//
// Not thread-safe: one reader at a time (the pak mount holds a lock).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/mmap_file.h"

namespace Voke {

class CompressedFile : public MmapFile {
public:
    // NOTE: limits on what a header may ask for, so that a damaged file cannot
    // make the reader allocate without bound. The game's archives use 64 KiB
    // blocks and a few thousand of them.
    static constexpr uint32_t kMaxBlockSize = 16u << 20;
    static constexpr uint32_t kMaxBlockCount = 1u << 20;

    CompressedFile();
    ~CompressedFile() override;

    // Maps the file and reads the header and block table. False (and the file
    // closed) when the file is missing or damaged: a short header, bad LZMA
    // properties (or lc + lp > 4), a block size of 0 or above kMaxBlockSize,
    // fewer than 4 or more than kMaxBlockCount * 4 table bytes, a table that
    // does not decode to exactly its size, a logical length above 2 GiB, a
    // block that runs backwards or past the end of the file, or a stored
    // block whose size is not the block size.
    bool OpenRead(const char* path) override;
    bool Close() override;
    bool IsOpen() override { return !m_table.empty(); }

    // Delivers up to `bytes` decoded bytes and returns how many. Fewer than
    // asked (before the end) means a block is damaged: its data does not
    // decode to exactly the block size. The read then ends where that block
    // begins (or at the position, inside it), never with a byte of it; the
    // block is tried again on the next read.
    int Read(void* buffer, int bytes) override;
    int Write(const void*, int) override { return 0; }
    // Logical position, clamped into [0, Length]; an unknown origin keeps it.
    // Always true.
    bool Seek(int offset, int origin) override;
    int Tell() override { return static_cast<int>(m_position); }
    // Block size times block count; 0 when closed.
    int Length() override { return static_cast<int>(m_size); }

    uint32_t GetBlockSize() const { return m_blockSize; }
    uint32_t GetBlockCount() const { return static_cast<uint32_t>(m_table.size()); }

private:
    struct Decoder;

    // The decoded bytes of `block` (one whole block), or null when the block
    // is damaged.
    const unsigned char* BlockBytes(uint32_t block);
    uint32_t BlockStart(uint32_t block) const;

    std::unique_ptr<Decoder> m_decoder;
    std::vector<uint32_t> m_table;       // empty when closed
    std::vector<unsigned char> m_block;  // the decoded compressed block m_current
    uint32_t m_dataStart = 0;
    uint32_t m_blockSize = 0;
    uint32_t m_size = 0;      // logical
    uint32_t m_position = 0;  // logical
    int64_t m_current = -1;   // compressed block held in m_block, -1 = none
};

}  // namespace Voke
