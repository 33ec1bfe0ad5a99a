#include "engine/core/ref_counter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace Voke {
namespace {

int g_alive = 0;

// Data and virtuals in both bases, so a wrong step from the weak part back to
// the object would show.
class Observed : public RefCounter, public WeakRefCounter {
public:
    explicit Observed(int v = 7) : value(v) { ++g_alive; }
    ~Observed() override { --g_alive; }
    int value;
};

class RefCountTest : public ::testing::Test {
protected:
    void SetUp() override { g_alive = 0; }
    void TearDown() override { EXPECT_EQ(g_alive, 0); }
};

TEST_F(RefCountTest, OwningHandlesControlLifetime)
{
    auto* raw = new Observed;
    EXPECT_EQ(raw->GetRefCount(), 0);
    {
        SmartPtr<Observed> a(raw);
        EXPECT_EQ(raw->GetRefCount(), 1);
        SmartPtr<Observed> b = a;
        EXPECT_EQ(raw->GetRefCount(), 2);
        a = a;  // self-assignment keeps it alive
        EXPECT_EQ(g_alive, 1);
        b.Reset();
        EXPECT_EQ(raw->GetRefCount(), 1);
    }
    EXPECT_EQ(g_alive, 0);

    // DecRef tells whether the object lives; releasing a never-owned object
    // destroys it.
    auto* held = new Observed;
    held->IncRef();
    held->IncRef();
    EXPECT_TRUE(held->DecRef());
    EXPECT_FALSE(held->DecRef());
    auto* unowned = new Observed;
    EXPECT_FALSE(unowned->DecRef());
    EXPECT_EQ(g_alive, 0);
}

// Releasing the old object may destroy the last other owner of the new one:
// the new reference must be taken first.
TEST_F(RefCountTest, AssignmentTakesNewReferenceBeforeReleasingOld)
{
    struct Node : RefCounter {
        explicit Node(int v) : value(v) { ++g_alive; }
        ~Node() override { --g_alive; }
        SmartPtr<Node> next;
        int value;
    };
    SmartPtr<Node> head(new Node(1));
    head->next = new Node(2);
    Node* second = head->next;
    head = second;  // the first node, the only other owner of the second, dies
    EXPECT_EQ(g_alive, 1);
    EXPECT_EQ(head->value, 2);
    EXPECT_EQ(head->GetRefCount(), 1);
}

TEST_F(RefCountTest, WeakHandlesReadNullAfterObjectDies)
{
    WeakPtr<Observed> weak;
    WeakPtr<Observed> copy;
    {
        SmartPtr<Observed> owner(new Observed(42));
        weak = owner.Get();
        copy = weak;
        ASSERT_EQ(weak.Get(), owner.Get());
        EXPECT_EQ(weak.Get()->value, 42);
        EXPECT_EQ(weak.GetCell(), copy.GetCell());
        EXPECT_EQ(weak.GetCell()->GetRefCount(), 2);
        EXPECT_EQ(owner->GetRefCount(), 1);  // weak handles own no reference
        SmartPtr<Observed> locked = weak.Lock();
        EXPECT_EQ(owner->GetRefCount(), 2);
    }
    EXPECT_EQ(weak.Get(), nullptr);
    EXPECT_EQ(copy.Get(), nullptr);
    EXPECT_TRUE(weak.Expired());
    EXPECT_EQ(weak.Lock().Get(), nullptr);
}

TEST_F(RefCountTest, CellIsDroppedWithLastWeakHandleAndMadeAnew)
{
    SmartPtr<Observed> owner(new Observed);
    {
        WeakPtr<Observed> first(owner.Get());
        EXPECT_NE(owner->GetWeakReference(), nullptr);
    }
    EXPECT_EQ(owner->GetWeakReference(), nullptr);
    WeakPtr<Observed> second(owner.Get());
    EXPECT_EQ(second.Get(), owner.Get());
    EXPECT_EQ(second.GetCell()->GetRefCount(), 1);
}

// A lost update on the count ends in a double free or a leak; ASan and TSan
// builds turn either into a failure, and the final count shows it directly.
TEST_F(RefCountTest, ConcurrentCopiesKeepTheCountExact)
{
    SmartPtr<Observed> shared(new Observed);
    constexpr int kThreads = 8;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&shared] {
            for (int i = 0; i < kRounds; ++i) {
                SmartPtr<Observed> a = shared;
                SmartPtr<Observed> b = a;
                WeakPtr<Observed> w(b);
                SmartPtr<Observed> c = w.Lock();
                ASSERT_EQ(c.Get(), shared.Get());
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(shared->GetRefCount(), 1);
    EXPECT_EQ(shared->GetWeakReference(), nullptr);
}

// Locking a weak handle while another thread drops the last owner either
// yields a live object or null, never a dead one.
TEST_F(RefCountTest, LockRacesLastReleaseSafely)
{
    for (int round = 0; round < 200; ++round) {
        SmartPtr<Observed> owner(new Observed(round));
        WeakPtr<Observed> weak(owner);
        std::atomic<bool> go{false};
        std::thread reader([&] {
            while (!go) {}
            for (int i = 0; i < 100; ++i) {
                SmartPtr<Observed> locked = weak.Lock();
                if (locked) {
                    EXPECT_EQ(locked->value, round);
                }
            }
        });
        go = true;
        owner.Reset();
        reader.join();
        EXPECT_EQ(weak.Get(), nullptr);
    }
}

}  // namespace
}  // namespace Voke
