// The asset dictionary's names, caching rules and atlas map, with loaders
// that count their calls, and its use from two threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/core/asset_dict.h"

namespace Voke {
namespace {

// An observable asset, as surfaces, fonts and sounds are.
class Thing : public RefCounter, public WeakRefCounter {
public:
    explicit Thing(NarrowString n) : name(std::move(n)) {}
    NarrowString name;
};

class Other : public RefCounter, public WeakRefCounter {};

std::atomic<int> g_loads{0};

Thing* LoadThing(const NarrowString& name)
{
    ++g_loads;
    return name.find("missing") == NarrowString::npos ? new Thing(name) : nullptr;
}

class AssetDictTest : public ::testing::Test {
protected:
    void SetUp() override { g_loads = 0; }
    SmartPtr<Thing> Get(const NarrowString& name, bool keep = false)
    {
        return dict->GetCached<Thing>(name, keep, &LoadThing);
    }
    SmartPtr<AssetDict> dict = new AssetDict;
};

TEST(AssetNames, SplitAtTheLastAtAndSkipEmptyOptions)
{
    NarrowString base, options;
    EXPECT_TRUE(AssetDict::SplitName("img.png@ck,linear", base, options));
    EXPECT_EQ(base, "img.png");
    EXPECT_EQ(options, "ck,linear");
    EXPECT_TRUE(AssetDict::SplitName("a@b.png@linear", base, options));
    EXPECT_EQ(base, "a@b.png");
    EXPECT_EQ(options, "linear");
    EXPECT_FALSE(AssetDict::SplitName("plain.png", base, options));
    EXPECT_EQ(base, "plain.png");
    EXPECT_EQ(options, "");
    EXPECT_TRUE(AssetDict::SplitName("trailing@", base, options));
    EXPECT_EQ(base, "trailing");

    EXPECT_EQ(AssetDict::SplitOptions(",,565,"), std::vector<NarrowString>{"565"});
    EXPECT_EQ(AssetDict::SplitOptions("ck,linear"), (std::vector<NarrowString>{"ck", "linear"}));
    EXPECT_TRUE(AssetDict::SplitOptions("").empty());
    EXPECT_TRUE(AssetDict::SplitOptions(",").empty());
}

TEST_F(AssetDictTest, SameAssetWhileHeldReloadedAfterTheLastHolder)
{
    SmartPtr<Thing> a = Get("a.png");
    ASSERT_TRUE(a);
    EXPECT_EQ(Get("a.png").Get(), a.Get());
    EXPECT_EQ(g_loads, 1);
    EXPECT_EQ(a->GetRefCount(), 1) << "the weak cache owns nothing";

    a.Reset();
    SmartPtr<Thing> again = Get("a.png");
    ASSERT_TRUE(again);
    EXPECT_EQ(g_loads, 2);
    EXPECT_EQ(dict->GetWeakCount(), 1u) << "the stale entry was replaced";
}

TEST_F(AssetDictTest, KeepHoldsTheAssetForTheDictionarysLifetime)
{
    WeakPtr<Thing> watch = Get("kept.png", true).Get();
    EXPECT_FALSE(watch.Expired());
    EXPECT_TRUE(Get("kept.png"));
    EXPECT_EQ(g_loads, 1);
    // A later keep of a cached asset makes it resident too, once.
    SmartPtr<Thing> b = Get("b.png");
    WeakPtr<Thing> watchB = b.Get();
    Get("b.png", true);
    Get("b.png", true);
    b.Reset();
    EXPECT_FALSE(watchB.Expired());
    EXPECT_EQ(dict->GetResidentCount(), 2u);

    dict.Reset();
    EXPECT_TRUE(watch.Expired());
    EXPECT_TRUE(watchB.Expired());
}

TEST_F(AssetDictTest, FailedLoadsAreRetriedAndNeverResident)
{
    EXPECT_FALSE(Get("missing.png", true));
    EXPECT_FALSE(Get("missing.png", true));
    EXPECT_EQ(g_loads, 2);
    EXPECT_EQ(dict->GetResidentCount(), 0u);
}

TEST_F(AssetDictTest, AnEntryOfAnotherTypeIsNotReadAsThisOne)
{
    SmartPtr<Other> other = new Other;
    dict->SetWeak<Other>("shared.name", other.Get());
    SmartPtr<Thing> thing = Get("shared.name");
    ASSERT_TRUE(thing);
    EXPECT_EQ(thing->name, "shared.name");
    EXPECT_EQ(g_loads, 1);
}

TEST_F(AssetDictTest, AtlasesAreKeptUntilRemoved)
{
    struct Book : RefCounter {};
    WeakPtr<Thing> entry;
    {
        SmartPtr<Book> book = new Book;
        SmartPtr<Thing> rect = new Thing("rect");
        ASSERT_TRUE(dict->InsertAtlas("ab01.xml", book));
        EXPECT_FALSE(dict->InsertAtlas("ab01.xml", new Book)) << "the first atlas stays";
        dict->SetWeak<Thing>("rect", rect.Get());
        entry = rect.Get();
        // The atlas owns its rectangles; here the test's handle stands in.
        EXPECT_EQ(Get("rect").Get(), rect.Get());
    }
    EXPECT_EQ(dict->GetAtlasCount(), 1u);
    dict->Remove("nothing.xml");
    dict->Remove("ab01.xml");
    EXPECT_FALSE(dict->HasAtlas("ab01.xml"));
    EXPECT_TRUE(entry.Expired());
    EXPECT_TRUE(Get("rect"));
    EXPECT_EQ(g_loads, 1) << "a released rectangle is looked for in the file system";
}

// The loader thread and the main thread ask for the same names at once, keep
// some, drop others, and remove atlases. Run under ThreadSanitizer as well.
TEST_F(AssetDictTest, TwoThreadsShareOneCopyPerName)
{
    constexpr int kRounds = 2000;
    constexpr int kNames = 8;
    std::atomic<bool> mismatch{false};
    auto work = [&](int seed) {
        std::vector<SmartPtr<Thing>> held(kNames);
        for (int i = 0; i < kRounds; ++i) {
            const int n = (i * 7 + seed) % kNames;
            const NarrowString name = "asset" + std::to_string(n) + ".png";
            SmartPtr<Thing> got = Get(name, n == 0);
            if (!got || got->name != name) mismatch = true;
            if (held[n] && held[n].Get() != got.Get()) mismatch = true;  // held, so it must come back
            held[n] = (i % 3 == 0) ? SmartPtr<Thing>() : got;
            if (i % 50 == 0) {
                dict->InsertAtlas("atlas.xml", new Thing("atlas"));
                dict->Remove("atlas.xml");
            }
        }
    };
    std::thread loader(work, 3);
    work(0);
    loader.join();
    EXPECT_FALSE(mismatch);
    EXPECT_EQ(dict->GetResidentCount(), 1u);
    EXPECT_LE(dict->GetWeakCount(), size_t(kNames));
}

}  // namespace
}  // namespace Voke
