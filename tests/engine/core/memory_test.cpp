#include "engine/core/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace Voke {
namespace {

bool Overlaps(const std::vector<std::pair<uintptr_t, std::size_t>>& blocks)
{
    auto sorted = blocks;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i - 1].first + sorted[i - 1].second > sorted[i].first) return true;
    return false;
}

// Each test has a manager of its own with pools of 16 and 32 bytes; the
// application base's manager, if any, is set aside meanwhile.
class PoolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(MemPoolManager::Active(), nullptr);
        manager = new MemPoolManager;
        ASSERT_TRUE(manager->AddPool(32, 4));
        ASSERT_TRUE(manager->AddPool(13, 4));  // rounds up to 16
    }
    void TearDown() override
    {
        delete manager;
        EXPECT_EQ(MemPoolManager::Active(), nullptr);
    }
    MemPoolManager* manager = nullptr;
};

TEST_F(PoolTest, RequestsGoToTheFirstPoolStrictlyLarger)
{
    MemPool* small = manager->GetFirstPool();
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->blockSize, 16u);
    MemPool* large = small->next;
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->blockSize, 32u);

    void* a = MemPool::Malloc(15);
    void* b = MemPool::Malloc(16);  // exactly the block size goes larger
    void* c = MemPool::Malloc(40);  // no pool: general allocator
    EXPECT_EQ(manager->FindPool(a), small);
    EXPECT_EQ(manager->FindPool(b), large);
    EXPECT_EQ(manager->FindPool(c), nullptr);
    EXPECT_EQ(small->GetUsedBlocks(), 1u);
    MemPool::Free(a);
    MemPool::Free(b);
    MemPool::Free(c);
    EXPECT_EQ(small->GetUsedBlocks(), 0u);
    EXPECT_EQ(large->GetUsedBlocks(), 0u);
}

TEST_F(PoolTest, ExhaustedPoolFallsBackToGeneralAllocatorNotLargerPool)
{
    MemPool* small = manager->GetFirstPool();
    std::vector<void*> blocks;
    for (int i = 0; i < 4; ++i) blocks.push_back(MemPool::Malloc(8));
    void* extra = MemPool::Malloc(8);
    EXPECT_EQ(manager->FindPool(extra), nullptr);
    for (void* p : blocks) EXPECT_EQ(manager->FindPool(p), small);

    std::vector<std::pair<uintptr_t, std::size_t>> spans;
    for (void* p : blocks) spans.emplace_back(reinterpret_cast<uintptr_t>(p), 16);
    EXPECT_FALSE(Overlaps(spans));
    // The last block of the region is claimed; the byte after the region is not.
    uintptr_t start = reinterpret_cast<uintptr_t>(small->region);
    EXPECT_EQ(manager->FindPool(reinterpret_cast<void*>(start + 48)), small);
    EXPECT_EQ(manager->FindPool(reinterpret_cast<void*>(start + 64)), nullptr);

    for (void* p : blocks) MemPool::Free(p);
    MemPool::Free(extra);
    // Freed blocks come back last-in first-out.
    void* again = MemPool::Malloc(8);
    EXPECT_EQ(again, blocks.back());
    MemPool::Free(again);
}

TEST_F(PoolTest, ReallocKeepsFittingBlocksAndMovesGrowingOnes)
{
    auto* p = static_cast<char*>(MemPool::Malloc(10));
    std::memcpy(p, "0123456789", 10);
    EXPECT_EQ(MemPool::Realloc(p, 16), p);
    auto* grown = static_cast<char*>(MemPool::Realloc(p, 100));
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(std::memcmp(grown, "0123456789", 10), 0);
    EXPECT_EQ(manager->FindPool(grown), nullptr);
    EXPECT_EQ(MemPool::Malloc(10), p);  // the old block went back to its pool
    MemPool::Free(p);
    MemPool::Free(grown);
    void* fresh = MemPool::Realloc(nullptr, 12);
    EXPECT_EQ(manager->FindPool(fresh), manager->GetFirstPool());
    MemPool::Free(fresh);
}

TEST_F(PoolTest, ThreadsNeverShareABlock)
{
    constexpr int kThreads = 6;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 2000; ++i) {
                auto* p = static_cast<unsigned char*>(MemPool::Malloc(12));
                std::memset(p, t, 12);
                for (int k = 0; k < 12; ++k) ASSERT_EQ(p[k], t);
                MemPool::Free(p);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(manager->GetFirstPool()->GetUsedBlocks(), 0u);
}

TEST(AllocationFrontTest, WithoutPoolsBehavesLikeTheGeneralAllocator)
{
    MemPool::Free(nullptr);
    ::operator delete(nullptr);
    void* p = MemPool::Malloc(100);
    ASSERT_NE(p, nullptr);
    p = MemPool::Realloc(p, 100000);
    ASSERT_NE(p, nullptr);
    MemPool::Free(p);

    auto* zeros = static_cast<unsigned char*>(MemPool::Calloc(16, 4));
    ASSERT_NE(zeros, nullptr);
    EXPECT_TRUE(std::all_of(zeros, zeros + 64, [](unsigned char c) { return c == 0; }));
    MemPool::Free(zeros);

    EXPECT_EQ(MemPool::Calloc(SIZE_MAX / 2, 4), nullptr);  // size overflow
    EXPECT_EQ(Memory::GetVideoUsed(), 0u);
}

TEST(AllocationFrontTest, UsedMemoryFollowsAllocations)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's allocator keeps no malloc statistics";
#endif
    std::size_t before = Memory::GetUsed();
    std::vector<char*> blocks;
    for (int i = 0; i < 16; ++i) blocks.push_back(new char[4096]);
    EXPECT_GE(Memory::GetUsed(), before + 16 * 4096);
    for (char* b : blocks) delete[] b;
}

}  // namespace
}  // namespace Voke
