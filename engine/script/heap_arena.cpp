#include "engine/script/heap_arena.h"

#include <cstdint>
#include <cstring>

namespace Voke {

struct alignas(HeapArena::kAlignment) HeapArena::Block {
    std::size_t prevSize;  // size of the block before this one; 0 for the first
    std::size_t size;      // whole block, header included; bit 0 = in use
};

struct HeapArena::FreeLinks {
    Block* next;
    Block* prev;
};

namespace {

constexpr std::size_t kUsedBit = 1;
constexpr std::size_t kHeader = HeapArena::kAlignment;
// NOTE: a free block must hold its header and its two free-list links.
constexpr std::size_t kMinBlock = 2 * HeapArena::kAlignment;

static_assert(kHeader >= 2 * sizeof(std::size_t), "header holds two sizes");
static_assert(kMinBlock - kHeader >= 2 * sizeof(void*), "payload holds the free links");

}  // namespace

// Accessors kept beside the layout they decode.
#define VOKE_SIZE(b) ((b)->size & ~kUsedBit)
#define VOKE_USED(b) (((b)->size & kUsedBit) != 0)
#define VOKE_LINKS(b) (reinterpret_cast<FreeLinks*>(reinterpret_cast<unsigned char*>(b) + kHeader))

HeapArena::HeapArena(void* base, std::size_t size)
{
    if (!base) return;
    const auto start = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t alignedStart = (start + kAlignment - 1) & ~(std::uintptr_t)(kAlignment - 1);
    if (alignedStart - start >= size) return;
    const std::size_t usable = (size - (alignedStart - start)) & ~(kAlignment - 1);
    if (usable < kMinimumSize) return;

    m_begin = reinterpret_cast<unsigned char*>(alignedStart);
    m_end = m_begin + usable - kHeader;
    m_capacity = usable;

    Block* first = reinterpret_cast<Block*>(m_begin);
    first->prevSize = 0;
    first->size = usable - kHeader;
    Block* marker = reinterpret_cast<Block*>(m_end);
    marker->prevSize = first->size;
    marker->size = kUsedBit;
    Link(first);
}

std::size_t HeapArena::BlockSizeFor(std::size_t payload)
{
    if (payload > SIZE_MAX - 2 * kAlignment) return SIZE_MAX;
    std::size_t size = (payload + kHeader + kAlignment - 1) & ~(kAlignment - 1);
    return size < kMinBlock ? kMinBlock : size;
}

HeapArena::Block* HeapArena::FirstBlock() const
{
    return reinterpret_cast<Block*>(m_begin);
}

HeapArena::Block* HeapArena::Next(Block* b) const
{
    return reinterpret_cast<Block*>(reinterpret_cast<unsigned char*>(b) + VOKE_SIZE(b));
}

HeapArena::Block* HeapArena::Prev(Block* b) const
{
    if (reinterpret_cast<unsigned char*>(b) == m_begin) return nullptr;
    return reinterpret_cast<Block*>(reinterpret_cast<unsigned char*>(b) - b->prevSize);
}

void HeapArena::Link(Block* b)
{
    FreeLinks* links = VOKE_LINKS(b);
    links->prev = nullptr;
    links->next = m_freeList;
    if (m_freeList) VOKE_LINKS(m_freeList)->prev = b;
    m_freeList = b;
}

void HeapArena::Unlink(Block* b)
{
    FreeLinks* links = VOKE_LINKS(b);
    if (links->prev) VOKE_LINKS(links->prev)->next = links->next;
    else m_freeList = links->next;
    if (links->next) VOKE_LINKS(links->next)->prev = links->prev;
}

void HeapArena::Trim(Block* b, std::size_t size)
{
    const std::size_t current = VOKE_SIZE(b);
    if (current - size < kMinBlock) return;
    b->size = size | kUsedBit;
    m_used -= current - size;

    Block* rest = Next(b);
    rest->prevSize = size;
    rest->size = current - size;
    Block* after = Next(rest);
    if (!VOKE_USED(after)) {
        Unlink(after);
        rest->size += VOKE_SIZE(after);
    }
    Next(rest)->prevSize = rest->size;
    Link(rest);
}

void* HeapArena::Allocate(std::size_t size)
{
    const std::size_t need = BlockSizeFor(size);
    if (need > m_capacity) return nullptr;
    for (Block* b = m_freeList; b; b = VOKE_LINKS(b)->next) {
        if (VOKE_SIZE(b) < need) continue;
        Unlink(b);
        b->size |= kUsedBit;
        m_used += VOKE_SIZE(b);
        Trim(b, need);
        return reinterpret_cast<unsigned char*>(b) + kHeader;
    }
    return nullptr;
}

void HeapArena::Free(void* p)
{
    if (!p) return;
    Block* b = reinterpret_cast<Block*>(static_cast<unsigned char*>(p) - kHeader);
    b->size &= ~kUsedBit;
    m_used -= b->size;

    Block* after = Next(b);
    if (!VOKE_USED(after)) {
        Unlink(after);
        b->size += VOKE_SIZE(after);
    }
    Block* before = Prev(b);
    if (before && !VOKE_USED(before)) {
        Unlink(before);
        before->size += b->size;
        b = before;
    }
    Next(b)->prevSize = b->size;
    Link(b);
}

void* HeapArena::Reallocate(void* p, std::size_t size)
{
    if (!p) return Allocate(size);
    if (size == 0) {
        Free(p);
        return nullptr;
    }
    Block* b = reinterpret_cast<Block*>(static_cast<unsigned char*>(p) - kHeader);
    const std::size_t need = BlockSizeFor(size);
    const std::size_t current = VOKE_SIZE(b);
    if (need <= current) {
        Trim(b, need);
        return p;
    }
    if (need > m_capacity) return nullptr;

    Block* after = Next(b);
    if (!VOKE_USED(after) && current + VOKE_SIZE(after) >= need) {
        Unlink(after);
        const std::size_t gained = VOKE_SIZE(after);
        b->size += gained;
        m_used += gained;
        Next(b)->prevSize = VOKE_SIZE(b);
        Trim(b, need);
        return p;
    }

    void* moved = Allocate(size);
    if (!moved) return nullptr;
    std::memcpy(moved, p, current - kHeader);
    Free(p);
    return moved;
}

std::size_t HeapArena::GetLargestAllocatable() const
{
    std::size_t largest = 0;
    for (Block* b = m_freeList; b; b = VOKE_LINKS(b)->next)
        if (VOKE_SIZE(b) - kHeader > largest) largest = VOKE_SIZE(b) - kHeader;
    return largest;
}

bool HeapArena::Contains(const void* p) const
{
    const auto* c = static_cast<const unsigned char*>(p);
    return m_begin && c >= m_begin && c < m_begin + m_capacity;
}

bool HeapArena::CheckConsistency() const
{
    if (!m_begin) return m_freeList == nullptr && m_used == 0;

    std::size_t freeBlocks = 0, used = 0, prevSize = 0;
    bool prevFree = false;
    Block* b = FirstBlock();
    while (reinterpret_cast<unsigned char*>(b) != m_end) {
        const std::size_t size = VOKE_SIZE(b);
        const auto* at = reinterpret_cast<unsigned char*>(b);
        if (size < kMinBlock || size % kAlignment != 0) return false;
        if (size > static_cast<std::size_t>(m_end - at)) return false;
        if (b->prevSize != prevSize) return false;
        const bool isFree = !VOKE_USED(b);
        if (isFree && prevFree) return false;
        if (isFree) ++freeBlocks;
        else used += size;
        prevFree = isFree;
        prevSize = size;
        b = Next(b);
    }
    const Block* marker = reinterpret_cast<const Block*>(m_end);
    if (marker->prevSize != prevSize || marker->size != kUsedBit) return false;
    if (used != m_used) return false;

    std::size_t listed = 0;
    Block* prev = nullptr;
    for (Block* f = m_freeList; f; f = VOKE_LINKS(f)->next) {
        if (++listed > freeBlocks) return false;
        if (!Contains(f) || VOKE_USED(f) || VOKE_LINKS(f)->prev != prev) return false;
        prev = f;
    }
    return listed == freeBlocks;
}

#undef VOKE_SIZE
#undef VOKE_USED
#undef VOKE_LINKS

}  // namespace Voke
