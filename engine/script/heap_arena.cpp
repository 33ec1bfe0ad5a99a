#include "engine/script/heap_arena.h"

#include <cstdint>
#include <cstring>

namespace Voke {

// Block layout, at an address one header word below a 16-byte boundary:
//   in use: [head][payload ..................................]
//   free:   [head][next][prev] ...                   [size]
// The last word of a free block repeats its size (read by the right-hand
// neighbour to find it); an in-use block's payload runs over that word.
struct HeapArena::Block {
    std::size_t head;  // size | kInUse | kPrevInUse
};

struct HeapArena::FreeLinks {
    Block* next;
    Block* prev;
};

namespace {

constexpr std::size_t kInUse = 1;
constexpr std::size_t kPrevInUse = 2;
constexpr std::size_t kFlags = kInUse | kPrevInUse;
constexpr std::size_t kHeader = sizeof(std::size_t);
constexpr std::size_t kAlign = HeapArena::kAlignment;
// NOTE: a free block must hold its header, its two links and its size word.
constexpr std::size_t kMinBlock = (2 * kHeader + 2 * sizeof(void*) + kAlign - 1) & ~(kAlign - 1);

static_assert(kAlign % kHeader == 0, "the header fits the alignment");
static_assert(HeapArena::kMinimumSize >= kMinBlock + kAlign, "room for one block and the end marker");

}  // namespace

#define VOKE_SIZE(b) ((b)->head & ~kFlags)
#define VOKE_BLOCK_AT(p) (reinterpret_cast<Block*>(p))
#define VOKE_BYTES(b) (reinterpret_cast<unsigned char*>(b))
#define VOKE_LINKS(b) (reinterpret_cast<FreeLinks*>(VOKE_BYTES(b) + kHeader))
#define VOKE_FOOTER(b) (*reinterpret_cast<std::size_t*>(VOKE_BYTES(b) + VOKE_SIZE(b) - kHeader))

HeapArena::HeapArena(void* base, std::size_t size)
{
    if (!base) return;
    const auto start = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t first = (start + kAlign - 1) & ~(std::uintptr_t)(kAlign - 1);
    const std::uintptr_t last = (start + size) & ~(std::uintptr_t)(kAlign - 1);
    if (start + size < start || last <= first || last - first < kMinimumSize) return;

    m_region = reinterpret_cast<unsigned char*>(first);
    m_capacity = last - first;
    // Headers sit one word below a boundary so that payloads sit on it.
    m_begin = m_region + kAlign - kHeader;
    m_end = m_region + m_capacity - kHeader;

    Block* block = VOKE_BLOCK_AT(m_begin);
    block->head = kPrevInUse;  // nothing before it to merge with
    Block* marker = VOKE_BLOCK_AT(m_end);
    marker->head = kInUse | kPrevInUse;
    MarkFree(block, static_cast<std::size_t>(m_end - m_begin));
    Link(block);
}

std::size_t HeapArena::BlockSizeFor(std::size_t payload)
{
    if (payload > SIZE_MAX - 2 * kAlign) return SIZE_MAX;
    std::size_t size = (payload + kHeader + kAlign - 1) & ~(kAlign - 1);
    return size < kMinBlock ? kMinBlock : size;
}

HeapArena::Block* HeapArena::FirstBlock() const
{
    return VOKE_BLOCK_AT(m_begin);
}

HeapArena::Block* HeapArena::Next(Block* b) const
{
    return VOKE_BLOCK_AT(VOKE_BYTES(b) + VOKE_SIZE(b));
}

HeapArena::Block* HeapArena::Prev(Block* b) const
{
    // Only valid when the block before is free: its size word ends just here.
    const std::size_t size = *reinterpret_cast<std::size_t*>(VOKE_BYTES(b) - kHeader);
    return VOKE_BLOCK_AT(VOKE_BYTES(b) - size);
}

void HeapArena::MarkFree(Block* b, std::size_t size)
{
    b->head = size | (b->head & kPrevInUse);
    VOKE_FOOTER(b) = size;
    Next(b)->head &= ~kPrevInUse;
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
    b->head = size | (b->head & kFlags);
    m_used -= current - size;

    Block* rest = Next(b);
    rest->head = kPrevInUse;
    std::size_t restSize = current - size;
    Block* after = VOKE_BLOCK_AT(VOKE_BYTES(rest) + restSize);
    if (!(after->head & kInUse)) {
        Unlink(after);
        restSize += VOKE_SIZE(after);
    }
    MarkFree(rest, restSize);
    Link(rest);
}

void* HeapArena::Allocate(std::size_t size)
{
    const std::size_t need = BlockSizeFor(size);
    if (need > m_capacity) return nullptr;
    for (Block* b = m_freeList; b; b = VOKE_LINKS(b)->next) {
        if (VOKE_SIZE(b) < need) continue;
        Unlink(b);
        b->head |= kInUse;
        Next(b)->head |= kPrevInUse;
        m_used += VOKE_SIZE(b);
        Trim(b, need);
        return VOKE_BYTES(b) + kHeader;
    }
    return nullptr;
}

void HeapArena::Free(void* p)
{
    if (!p) return;
    Block* b = VOKE_BLOCK_AT(static_cast<unsigned char*>(p) - kHeader);
    std::size_t size = VOKE_SIZE(b);
    m_used -= size;

    Block* after = Next(b);
    if (!(after->head & kInUse)) {
        Unlink(after);
        size += VOKE_SIZE(after);
    }
    if (!(b->head & kPrevInUse)) {
        Block* before = Prev(b);
        Unlink(before);
        size += VOKE_SIZE(before);
        b = before;
    }
    MarkFree(b, size);
    Link(b);
}

void* HeapArena::Reallocate(void* p, std::size_t size)
{
    if (!p) return Allocate(size);
    if (size == 0) {
        Free(p);
        return nullptr;
    }
    Block* b = VOKE_BLOCK_AT(static_cast<unsigned char*>(p) - kHeader);
    const std::size_t need = BlockSizeFor(size);
    const std::size_t current = VOKE_SIZE(b);
    if (need <= current) {
        Trim(b, need);
        return p;
    }
    if (need > m_capacity) return nullptr;

    Block* after = Next(b);
    if (!(after->head & kInUse) && current + VOKE_SIZE(after) >= need) {
        Unlink(after);
        const std::size_t gained = VOKE_SIZE(after);
        b->head += gained;
        Next(b)->head |= kPrevInUse;
        m_used += gained;
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
    return m_region && c >= m_region && c < m_region + m_capacity;
}

bool HeapArena::CheckConsistency() const
{
    if (!m_region) return m_freeList == nullptr && m_used == 0;

    std::size_t freeBlocks = 0, used = 0;
    bool prevInUse = true;
    Block* b = FirstBlock();
    while (VOKE_BYTES(b) != m_end) {
        const std::size_t size = VOKE_SIZE(b);
        if (size < kMinBlock || size % kAlign != 0) return false;
        if (size > static_cast<std::size_t>(m_end - VOKE_BYTES(b))) return false;
        if (((b->head & kPrevInUse) != 0) != prevInUse) return false;
        const bool inUse = (b->head & kInUse) != 0;
        if (!inUse && !prevInUse) return false;  // two free neighbours
        if (inUse) {
            used += size;
        } else {
            ++freeBlocks;
            if (VOKE_FOOTER(b) != size) return false;
        }
        prevInUse = inUse;
        b = Next(b);
    }
    if ((b->head & ~kPrevInUse) != kInUse || ((b->head & kPrevInUse) != 0) != prevInUse) return false;
    if (used != m_used) return false;

    std::size_t listed = 0;
    Block* prev = nullptr;
    for (Block* f = m_freeList; f; f = VOKE_LINKS(f)->next) {
        if (++listed > freeBlocks) return false;
        if (!Contains(f) || (f->head & kInUse) || VOKE_LINKS(f)->prev != prev) return false;
        prev = f;
    }
    return listed == freeBlocks;
}

#undef VOKE_SIZE
#undef VOKE_BLOCK_AT
#undef VOKE_BYTES
#undef VOKE_LINKS
#undef VOKE_FOOTER

}  // namespace Voke
