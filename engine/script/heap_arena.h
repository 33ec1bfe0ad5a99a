// A private heap: a first-fit allocator over one fixed block of memory.
//
// The block is cut into blocks that each begin with a one-word header (the
// block's size, whether it is in use and whether the block before it is);
// a free block also keeps its size in its last word and two free-list links
// in its payload, so that it can be found from both neighbours. Allocation
// takes the first free block that fits and splits off the rest; freeing
// merges a block with free neighbours on both sides, so no two free blocks are
// ever adjacent. A script state created over an arena gets all its memory from
// it and from nothing else, and a full arena is an ordinary allocation failure
// (a null result), never a write outside the block.
//
// Limits: payloads are aligned to 16 bytes (what Lua's values need); a block
// costs one word more than its payload, rounded up to 16 bytes, and is at
// least 32 bytes; an arena needs at least kMinimumSize bytes. Not
// thread-safe: one arena belongs to one script state on one thread.
#pragma once

#include <cstddef>

namespace Voke {

class HeapArena {
public:
    // NOTE: alignment of every payload and granule of every block size.
    static constexpr std::size_t kAlignment = 16;
    // Smallest region that holds one usable block and the end marker.
    static constexpr std::size_t kMinimumSize = 4 * kAlignment;

    // Lays the arena over [base, base + size); the region is trimmed to the
    // alignment. The arena does not own the memory. A region smaller than
    // kMinimumSize (or a null base) gives an arena that allocates nothing.
    HeapArena(void* base, std::size_t size);
    HeapArena(const HeapArena&) = delete;
    HeapArena& operator=(const HeapArena&) = delete;

    // A payload of at least `size` bytes, or null when no free block fits.
    // Size 0 gets a minimal block.
    void* Allocate(std::size_t size);
    // Returns the block to the arena; null is ignored. The pointer must come
    // from this arena and not be freed already.
    void Free(void* p);
    // Resizes in place when the block, or the block and its free right-hand
    // neighbour, can hold `size`; otherwise moves the payload to a new block.
    // A null pointer allocates; size 0 frees and returns null. Shrinking never
    // fails. When growing fails the result is null and the old block is left
    // exactly as it was.
    void* Reallocate(void* p, std::size_t size);

    // Bytes of the region the arena manages (after trimming).
    std::size_t GetCapacity() const { return m_capacity; }
    // Bytes in blocks handed out, headers included.
    std::size_t GetUsed() const { return m_used; }
    // The largest size an Allocate call can succeed with right now.
    std::size_t GetLargestAllocatable() const;
    // True when p lies inside the arena's region.
    bool Contains(const void* p) const;
    // Walks every block and the free list and checks that they agree: sizes
    // tile the region exactly, the back links match, no two free blocks are
    // adjacent, every free block is listed once and the used total is right.
    // For tests; linear in the number of blocks.
    bool CheckConsistency() const;

private:
    struct Block;
    struct FreeLinks;

    static std::size_t BlockSizeFor(std::size_t payload);
    Block* FirstBlock() const;
    Block* Next(Block* b) const;
    Block* Prev(Block* b) const;
    void Link(Block* b);
    void Unlink(Block* b);
    // Cuts `b` (in use) down to `size` bytes and frees the rest, merging it
    // with a free right-hand neighbour.
    void Trim(Block* b, std::size_t size);
    // Marks `b` free with the given size and tells its right-hand neighbour.
    void MarkFree(Block* b, std::size_t size);

    unsigned char* m_region = nullptr;  // the aligned start of the region
    unsigned char* m_begin = nullptr;   // first block
    unsigned char* m_end = nullptr;     // the end marker (an in-use block of size 0)
    std::size_t m_capacity = 0;
    std::size_t m_used = 0;
    Block* m_freeList = nullptr;
};

}  // namespace Voke
