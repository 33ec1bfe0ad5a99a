#include "engine/core/memory.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Voke {

namespace {

// The manager the allocation front offers requests to; null before the
// application base creates one. Read by every allocating thread.
std::atomic<MemPoolManager*> g_activeManager{nullptr};

void* PoolAlloc(std::size_t size)
{
    MemPoolManager* manager = g_activeManager.load(std::memory_order_acquire);
    return manager ? manager->Alloc(size) : nullptr;
}

bool PoolFree(void* p)
{
    MemPoolManager* manager = g_activeManager.load(std::memory_order_acquire);
    return manager && manager->Free(p);
}

void* FrontAlloc(std::size_t size)
{
    if (void* p = PoolAlloc(size)) return p;
    return std::malloc(size);
}

void FrontFree(void* p)
{
    if (!p || PoolFree(p)) return;
    std::free(p);
}

}  // namespace

uint32_t MemPool::GetUsedBlocks() const { return usedBlocks; }

MemPoolManager::MemPoolManager() { g_activeManager.store(this, std::memory_order_release); }

MemPoolManager::~MemPoolManager()
{
    MemPoolManager* self = this;
    g_activeManager.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
    for (MemPool* pool = m_firstPool.load(); pool;) {
        MemPool* next = pool->next;
        std::free(pool->region);
        pool->~MemPool();
        std::free(pool);
        pool = next;
    }
}

MemPoolManager* MemPoolManager::Active() { return g_activeManager.load(std::memory_order_acquire); }

bool MemPoolManager::AddPool(uint32_t size, uint32_t count)
{
    if (size == 0 || count == 0 || size > UINT32_MAX - 3) return false;
    uint32_t blockSize = (size + 3) & ~3u;
    uint64_t regionSize = static_cast<uint64_t>(blockSize) * count;
    if (regionSize > UINT32_MAX) return false;

    void* record = std::malloc(sizeof(MemPool));
    if (!record) return false;
    auto* region = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(regionSize)));
    if (!region) {
        std::free(record);
        return false;
    }
    MemPool* pool = new (record) MemPool;
    pool->blockSize = blockSize;
    pool->blockCount = count;
    pool->regionSize = static_cast<uint32_t>(regionSize);
    pool->region = region;
    // Thread the free list through the blocks in address order.
    for (uint32_t i = 0; i < count; ++i) {
        void* next = i + 1 < count ? region + static_cast<std::size_t>(i + 1) * blockSize : nullptr;
        std::memcpy(region + static_cast<std::size_t>(i) * blockSize, &next, sizeof next);
    }
    pool->freeList = region;

    std::lock_guard<std::mutex> guard(m_mutex);
    MemPool* first = m_firstPool.load(std::memory_order_relaxed);
    if (!first || blockSize < first->blockSize) {
        pool->next = first;
        m_firstPool.store(pool, std::memory_order_release);
        return true;
    }
    MemPool* after = first;
    while (after->next && after->next->blockSize <= blockSize) after = after->next;
    pool->next = after->next;
    after->next = pool;
    return true;
}

void* MemPoolManager::Alloc(std::size_t size)
{
    if (!m_firstPool.load(std::memory_order_acquire)) return nullptr;
    std::lock_guard<std::mutex> guard(m_mutex);
    MemPool* pool = m_firstPool.load(std::memory_order_relaxed);
    while (pool && pool->blockSize <= size) pool = pool->next;
    if (!pool || !pool->freeList) return nullptr;
    void* block = pool->freeList;
    std::memcpy(&pool->freeList, block, sizeof(void*));
    ++pool->usedBlocks;
    return block;
}

MemPool* MemPoolManager::FindPool(const void* p) const
{
    if (!m_firstPool.load(std::memory_order_acquire)) return nullptr;
    std::lock_guard<std::mutex> guard(m_mutex);
    return FindPoolLocked(p);
}

uint32_t MemPoolManager::BlockSizeOf(const void* p) const
{
    MemPool* pool = FindPool(p);
    return pool ? pool->blockSize : 0;
}

MemPool* MemPoolManager::FindPoolLocked(const void* p) const
{
    auto address = reinterpret_cast<uintptr_t>(p);
    for (MemPool* pool = m_firstPool.load(std::memory_order_relaxed); pool; pool = pool->next) {
        auto start = reinterpret_cast<uintptr_t>(pool->region);
        if (address >= start && address <= start + pool->regionSize - pool->blockSize) return pool;
    }
    return nullptr;
}

bool MemPoolManager::Free(void* p)
{
    if (!m_firstPool.load(std::memory_order_acquire)) return false;
    std::lock_guard<std::mutex> guard(m_mutex);
    MemPool* pool = FindPoolLocked(p);
    if (!pool) return false;
    std::memcpy(p, &pool->freeList, sizeof(void*));
    pool->freeList = p;
    --pool->usedBlocks;
    return true;
}

void* MemPool::Malloc(std::size_t size) { return FrontAlloc(size); }

void* MemPool::Calloc(std::size_t count, std::size_t size)
{
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    std::size_t total = count * size;
    void* p = FrontAlloc(total);
    if (p) std::memset(p, 0, total);
    return p;
}

void* MemPool::Realloc(void* p, std::size_t size)
{
    if (!p) return FrontAlloc(size);
    MemPoolManager* manager = g_activeManager.load(std::memory_order_acquire);
    if (manager) {
        if (uint32_t blockSize = manager->BlockSizeOf(p)) {
            if (size <= blockSize) return p;
            void* bigger = FrontAlloc(size);
            if (!bigger) return nullptr;
            std::memcpy(bigger, p, blockSize);
            manager->Free(p);
            return bigger;
        }
    }
    return std::realloc(p, size);
}

void MemPool::Free(void* p) { FrontFree(p); }

namespace Memory {

std::size_t GetUsed() { return mallinfo2().uordblks; }

std::size_t GetVideoUsed() { return 0; }

}  // namespace Memory

}  // namespace Voke

// The global allocation operators go through the same front.

void* operator new(std::size_t size)
{
    if (void* p = Voke::MemPool::Malloc(size)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    if (void* p = Voke::MemPool::Malloc(size)) return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Voke::MemPool::Malloc(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Voke::MemPool::Malloc(size); }
void operator delete(void* p) noexcept { Voke::MemPool::Free(p); }
void operator delete[](void* p) noexcept { Voke::MemPool::Free(p); }
void operator delete(void* p, std::size_t) noexcept { Voke::MemPool::Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Voke::MemPool::Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Voke::MemPool::Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Voke::MemPool::Free(p); }
