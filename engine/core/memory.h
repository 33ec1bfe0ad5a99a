// Memory: the allocation front, block pools and memory statistics.
//
// Every allocation of the program (the global new and delete operators and
// the engine's own malloc family) goes through one front: a request is first
// offered to a list of fixed-size block pools and otherwise handed to the
// general allocator, the C library's malloc (thread-safe, with per-thread
// arenas). The engine's application base creates an empty pool manager; a
// program may add pools for sizes it allocates in bulk.
//
// Libraries inside the program allocate with the C library directly; since
// the general allocator is that same malloc, a block from either side may be
// freed by the other.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace Voke {

// One pool of equal blocks carved out of one region.
struct MemPool {
    uint32_t blockSize = 0;   // requested size rounded up to a multiple of 4
    uint32_t blockCount = 0;
    uint32_t regionSize = 0;  // blockSize * blockCount
    unsigned char* region = nullptr;
    void* freeList = nullptr;  // first word of each free block links the next
    uint32_t usedBlocks = 0;   // blocks currently handed out
    MemPool* next = nullptr;

    uint32_t GetUsedBlocks() const;

    // The malloc family of the allocation front: pool first, then the general
    // allocator. Free and Realloc accept blocks from either.
    static void* Malloc(std::size_t size);
    // Null when count * size overflows; never clears memory it did not get.
    static void* Calloc(std::size_t count, std::size_t size);
    // A pool block that still fits is returned as it is; a failed growth
    // returns null and leaves the old block as it was.
    static void* Realloc(void* p, std::size_t size);
    static void Free(void* p);
};

// The list of pools, sorted by block size, ascending. Creating a manager makes
// it the active one used by the allocation front; destroying it returns every
// region to the general allocator and leaves no active manager.
class MemPoolManager {
public:
    MemPoolManager();
    ~MemPoolManager();
    MemPoolManager(const MemPoolManager&) = delete;
    MemPoolManager& operator=(const MemPoolManager&) = delete;

    // Adds a pool of `count` blocks of `size` bytes (rounded up to 4). Pools of
    // equal size keep their order of creation. Returns false, adding nothing,
    // when the region cannot be had or its size does not fit in 32 bits.
    bool AddPool(uint32_t size, uint32_t count);

    // A block from the first pool whose block size is strictly greater than
    // `size`; null when there is none or that pool is exhausted (larger pools
    // are not tried).
    void* Alloc(std::size_t size);

    // Takes the pointer back when a pool's region holds it; false otherwise.
    bool Free(void* p);

    // The pool whose region holds the pointer, or null.
    MemPool* FindPool(const void* p) const;
    // Block size of the pool holding the pointer; 0 when no pool holds it.
    uint32_t BlockSizeOf(const void* p) const;
    MemPool* GetFirstPool() const { return m_firstPool.load(std::memory_order_acquire); }

    static MemPoolManager* Active();

private:
    MemPool* FindPoolLocked(const void* p) const;

    // Set under the mutex; read without it only to skip the lock while the
    // manager has no pool at all, which is the common case.
    std::atomic<MemPool*> m_firstPool{nullptr};
    // Guards the free lists, the used counters and the insertion of pools;
    // taken by every thread that allocates from a pool.
    mutable std::mutex m_mutex;
};

namespace Memory {

// Bytes currently allocated from the general allocator (mallinfo2's uordblks).
std::size_t GetUsed();
// Video memory in use; not tracked, always 0.
std::size_t GetVideoUsed();

}  // namespace Memory

}  // namespace Voke
