// The private heap arena, against a reference model of live allocations.
#include "engine/script/heap_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <vector>

#include "tests/support/seed.h"

namespace Voke {
namespace {

// Each live allocation is filled with a byte of its own, so that a block that
// overlaps another or is moved wrongly shows up as a changed byte.
struct Model {
    struct Live {
        std::size_t size;
        unsigned char fill;
    };
    std::map<uintptr_t, Live> live;

    void Fill(void* p, std::size_t size, unsigned char fill)
    {
        std::memset(p, fill, size);
        live[reinterpret_cast<uintptr_t>(p)] = {size, fill};
    }
    static bool Holds(const void* p, std::size_t size, unsigned char fill)
    {
        const auto* c = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < size; ++i)
            if (c[i] != fill) return false;
        return true;
    }
    // The new block lies inside the region, aligned, and touches no live one.
    ::testing::AssertionResult Fits(const HeapArena& arena, const void* p, std::size_t size,
                                    uintptr_t lo, uintptr_t hi) const
    {
        const auto at = reinterpret_cast<uintptr_t>(p);
        if (at % HeapArena::kAlignment) return ::testing::AssertionFailure() << "misaligned";
        if (at < lo || at + size > hi || !arena.Contains(p))
            return ::testing::AssertionFailure() << "outside the block";
        auto next = live.lower_bound(at);
        if (next != live.end() && next->first < at + size)
            return ::testing::AssertionFailure() << "overlaps the next block";
        if (next != live.begin() && std::prev(next)->first + std::prev(next)->second.size > at)
            return ::testing::AssertionFailure() << "overlaps the previous block";
        return ::testing::AssertionSuccess();
    }
};

TEST(HeapArena, RandomSequencesMatchTheReferenceModel)
{
    // Eight fixed seeds, or the environment's alone.
    std::vector<uint32_t> seeds = {1, 2, 3, 4, 5, 6, 7, 8};
    if (const std::optional<uint32_t> chosen = VokeTest::EnvironmentSeed()) seeds = {*chosen};
    for (uint32_t seed : seeds) {
        SCOPED_TRACE(VokeTest::SeedNote(seed));
        // A block with guard bytes around it and a deliberately odd start.
        std::vector<unsigned char> memory(16384 + 64, 0xEE);
        unsigned char* base = memory.data() + 32 + (seed % 7);
        const std::size_t size = 16384 - (seed * 13 % 40);
        HeapArena arena(base, size);
        const auto lo = reinterpret_cast<uintptr_t>(base);
        const auto hi = lo + size;
        ASSERT_GT(arena.GetCapacity(), size - 2 * HeapArena::kAlignment);
        const std::size_t fresh = arena.GetLargestAllocatable();

        std::mt19937 rng(seed);
        Model model;
        unsigned char nextFill = 1;
        int failures = 0;
        for (int step = 0; step < 6000; ++step) {
            const unsigned op = rng() % 10;
            // Mostly small requests, now and then a large one.
            const std::size_t want = (rng() % 8 == 0) ? rng() % 3000 : rng() % 200;
            if (op < 4 || model.live.empty()) {
                const std::size_t largest = arena.GetLargestAllocatable();
                void* p = arena.Allocate(want);
                if (!p) {
                    ++failures;
                    EXPECT_GT(want, largest) << "failed although a free block fits";
                    continue;
                }
                ASSERT_TRUE(model.Fits(arena, p, want, lo, hi));
                model.Fill(p, want, nextFill++);
            } else {
                auto it = model.live.begin();
                std::advance(it, rng() % model.live.size());
                void* p = reinterpret_cast<void*>(it->first);
                const Model::Live old = it->second;
                ASSERT_TRUE(Model::Holds(p, old.size, old.fill)) << "a live block was overwritten";
                if (op < 7) {
                    model.live.erase(it);
                    arena.Free(p);
                } else {
                    const uintptr_t key = it->first;
                    model.live.erase(it);
                    void* q = arena.Reallocate(p, want + 1);  // size 0 would free
                    if (!q) {
                        ++failures;
                        ASSERT_GT(want + 1, old.size) << "shrinking failed";
                        ASSERT_TRUE(Model::Holds(p, old.size, old.fill)) << "failed growth changed the block";
                        model.live[key] = old;
                        continue;
                    }
                    ASSERT_TRUE(model.Fits(arena, q, want + 1, lo, hi));
                    const std::size_t kept = want + 1 < old.size ? want + 1 : old.size;
                    ASSERT_TRUE(Model::Holds(q, kept, old.fill)) << "reallocation lost the contents";
                    model.Fill(q, want + 1, nextFill++);
                }
            }
            if (nextFill == 0) nextFill = 1;
            if (step % 64 == 0) {
                ASSERT_TRUE(arena.CheckConsistency()) << "step " << step;
            }
        }
        EXPECT_GT(failures, 0) << "the sequence never filled the arena";

        for (auto& [at, live] : model.live) {
            EXPECT_TRUE(Model::Holds(reinterpret_cast<void*>(at), live.size, live.fill));
            arena.Free(reinterpret_cast<void*>(at));
        }
        EXPECT_TRUE(arena.CheckConsistency());
        EXPECT_EQ(arena.GetUsed(), 0u);
        // Everything merged back into one block.
        EXPECT_EQ(arena.GetLargestAllocatable(), fresh);
        for (unsigned char* g = memory.data(); g < base; ++g) ASSERT_EQ(*g, 0xEE) << "wrote before the block";
        for (unsigned char* g = base + size; g < memory.data() + memory.size(); ++g)
            ASSERT_EQ(*g, 0xEE) << "wrote after the block";
    }
}

TEST(HeapArena, FreeMergesBothNeighboursAndReallocGrowsInPlace)
{
    alignas(16) static unsigned char block[1024];
    HeapArena arena(block, sizeof block);
    const std::size_t fresh = arena.GetLargestAllocatable();
    EXPECT_GT(fresh, sizeof block - 2 * HeapArena::kAlignment);
    void* a = arena.Allocate(100);
    void* b = arena.Allocate(100);
    void* c = arena.Allocate(100);
    ASSERT_TRUE(a && b && c);
    arena.Free(a);
    arena.Free(c);
    arena.Free(b);  // joins a, b, c and the rest
    EXPECT_TRUE(arena.CheckConsistency());
    EXPECT_EQ(arena.GetUsed(), 0u);
    EXPECT_EQ(arena.GetLargestAllocatable(), fresh);

    void* p = arena.Allocate(64);
    void* grown = arena.Reallocate(p, 500);
    EXPECT_EQ(grown, p) << "the free neighbour should have been taken";
    void* shrunk = arena.Reallocate(grown, 16);
    EXPECT_EQ(shrunk, p);
    EXPECT_TRUE(arena.CheckConsistency());
    EXPECT_EQ(arena.Reallocate(p, 0), nullptr);
    EXPECT_EQ(arena.GetUsed(), 0u);
}

TEST(HeapArena, RefusesWhatCannotFit)
{
    alignas(16) static unsigned char block[256];
    HeapArena arena(block, sizeof block);
    EXPECT_EQ(arena.Allocate(SIZE_MAX), nullptr);
    EXPECT_EQ(arena.Allocate(sizeof block), nullptr);
    void* p = arena.Allocate(arena.GetLargestAllocatable());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(arena.Allocate(0), nullptr);
    EXPECT_EQ(arena.Reallocate(p, SIZE_MAX - 8), nullptr);
    EXPECT_TRUE(arena.CheckConsistency());

    HeapArena tiny(block, HeapArena::kMinimumSize - 1);
    EXPECT_EQ(tiny.GetCapacity(), 0u);
    EXPECT_EQ(tiny.Allocate(1), nullptr);
    HeapArena none(nullptr, 4096);
    EXPECT_EQ(none.Allocate(1), nullptr);
}

}  // namespace
}  // namespace Voke
