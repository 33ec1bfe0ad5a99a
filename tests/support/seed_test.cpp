// The seed variable's parsing: what replays a failure must be read exactly or
// refused, never taken as another seed.
#include "tests/support/seed.h"

#include <gtest/gtest.h>

namespace {

TEST(TestSeed, ParsesEveryDecimalSeedAndRefusesTheRest)
{
    EXPECT_EQ(VokeTest::ParseSeed("0"), 0u);
    EXPECT_EQ(VokeTest::ParseSeed("0042"), 42u);
    EXPECT_EQ(VokeTest::ParseSeed("4294967295"), 4294967295u);
    for (const char* bad : {"", "4294967296", "99999999999999999999", "-1", "+1", " 7", "7 ", "0x10", "1e3", "abc"})
        EXPECT_FALSE(VokeTest::ParseSeed(bad)) << '"' << bad << '"';
}

}  // namespace
