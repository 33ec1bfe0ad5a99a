// The bounded little-endian reader every binary parser reads through.
#include "engine/core/byte_reader.h"

#include <gtest/gtest.h>

namespace Voke {
namespace {

TEST(ByteReader, ReadsLittleEndianFieldsInOrder)
{
    const uint8_t bytes[] = {'R', 'I', 'F', 'F', 0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0x7F, 'x', 'y'};
    ByteReader in(bytes, sizeof bytes);
    EXPECT_TRUE(in.Match("RIFF", 4));
    EXPECT_EQ(in.U32(), 0x04030201u);
    EXPECT_EQ(in.I32(), -2);
    EXPECT_EQ(in.U16(), 0x1234);
    EXPECT_EQ(in.U8(), 0x7F);
    EXPECT_EQ(in.Tell(), 15u);
    EXPECT_EQ(in.Remaining(), 2u);
    ByteReader rest = in.Sub(2);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_TRUE(rest.Match("xy", 2));
    EXPECT_TRUE(in.Ok());
    EXPECT_TRUE(in.Seek(4));
    EXPECT_EQ(in.U8(), 0x01);
    EXPECT_FALSE(in.Match("RIFF", 4));  // other bytes: no match, still in bounds
    EXPECT_TRUE(in.Ok());
    EXPECT_EQ(LoadLE32(bytes + 4), 0x04030201u);
    EXPECT_EQ(LoadLE16(bytes + 12), 0x1234);
}

TEST(ByteReader, ReadsPastTheEndGiveZerosAndStayFailed)
{
    const uint8_t bytes[] = {1, 2, 3};
    ByteReader in(bytes, sizeof bytes);
    EXPECT_EQ(in.U16(), 0x0201);
    EXPECT_EQ(in.U16(), 0);  // one byte left: nothing is read from beyond
    EXPECT_FALSE(in.Ok());
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(in.U8(), 0);
    EXPECT_TRUE(in.Seek(0));  // moving back does not clear the failure
    EXPECT_FALSE(in.Ok());

    ByteReader copy(bytes, sizeof bytes);
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_FALSE(copy.Bytes(out, 4));
    EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0);
    EXPECT_EQ(ByteReader(bytes, 3).Take(4), nullptr);
    EXPECT_FALSE(ByteReader(bytes, 3).Seek(4));
    ByteReader sub(bytes, 3);
    EXPECT_FALSE(sub.Sub(5).Ok());
    EXPECT_FALSE(sub.Ok());
    // Sizes that would wrap a pointer sum are refused like any other.
    ByteReader wrap(bytes, 3);
    wrap.U8();
    EXPECT_FALSE(wrap.Skip(SIZE_MAX));
    EXPECT_EQ(ByteReader().U32(), 0u);
    EXPECT_TRUE(ByteReader().Skip(0));
}

}  // namespace
}  // namespace Voke
