#include "engine/core/any.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {
namespace {

class Thing : public RefCounter, public WeakRefCounter {};

TEST(AnyTest, ReadsOnlyAsTheTypeItHolds)
{
    Any value(5);
    int i = 0;
    EXPECT_TRUE(value.Get(i));
    EXPECT_EQ(i, 5);

    float f = 2.5f;
    NarrowString s = "kept";
    EXPECT_FALSE(value.Get(f));  // no conversion from int
    EXPECT_FALSE(value.Get(s));
    EXPECT_EQ(f, 2.5f);
    EXPECT_EQ(s, "kept");

    value = NarrowString("text");  // the type may change
    EXPECT_EQ(value.Get<int>(), nullptr);
    ASSERT_NE(value.Get<NarrowString>(), nullptr);
    EXPECT_EQ(*value.Get<NarrowString>(), "text");

    value = "literal";  // text is held as a string
    EXPECT_TRUE(value.Holds<NarrowString>());

    Any empty;
    Any copy = empty;
    EXPECT_TRUE(copy.Empty());
    EXPECT_FALSE(copy.Get(i));
}

TEST(AnyTest, CopiesCloneHandlesWithTheirCounts)
{
    SmartPtr<Thing> thing(new Thing);
    {
        Any owning(thing);
        EXPECT_EQ(thing->GetRefCount(), 2);
        {
            Any copy(owning);
            EXPECT_EQ(thing->GetRefCount(), 3);
        }
        EXPECT_EQ(thing->GetRefCount(), 2);

        Any weak(WeakPtr<Thing>(thing.Get()));
        WeakRefCounter::WeakReference* cell = thing->GetWeakReference();
        ASSERT_NE(cell, nullptr);
        int cellCount = cell->GetRefCount();
        Any weakCopy = weak;
        EXPECT_EQ(cell->GetRefCount(), cellCount + 1);
        EXPECT_EQ(thing->GetRefCount(), 2);  // the object's count does not move

        owning = 3;  // replacing the value releases the handle
        EXPECT_EQ(thing->GetRefCount(), 1);
    }

    std::map<std::string, Any> cache;
    cache.insert(MakeCacheEntry("a.png", thing));
    EXPECT_EQ(thing->GetRefCount(), 2);
    cache.erase("a.png");
    EXPECT_EQ(thing->GetRefCount(), 1);
}

}  // namespace
}  // namespace Voke
