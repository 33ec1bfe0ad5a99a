// Escaping and rebuilding URLs, and decoding escapes at the very end of a
// text.
#include "engine/core/url.h"

#include <gtest/gtest.h>

namespace Voke {
namespace {

TEST(UrlTest, EscapesEveryByteButTheSafeOnes)
{
    EXPECT_EQ(Url::Escape("a b/c"), "a%20b%2fc");
    EXPECT_EQ(Url::Escape("a b/c", "/"), "a%20b/c");
    EXPECT_EQ(Url::Escape("\xC3\xA9"), "%c3%a9");
    EXPECT_EQ(Url::Escape("Az09-._~"), "Az09-._~");
    EXPECT_EQ(Url::Escape(NarrowString("x\0y", 3)), "x%00y");
    EXPECT_EQ(Url::Escape("", "/"), "");
}

TEST(UrlTest, DecodesOnlyCompleteEscapesAndNeverReadsPastTheEnd)
{
    Url url;
    ASSERT_TRUE(Url::Unescape("%4A%zz", url));
    EXPECT_EQ(url.path, "J%zz");
    // Escapes cut short by the end of the text stay as they are.
    for (const char* text : {"%", "a%", "a%4", "%4", "%%4"}) {
        ASSERT_TRUE(Url::Unescape(text, url)) << text;
        EXPECT_EQ(url.path, text);
    }
    ASSERT_TRUE(Url::Unescape("a%41", url));
    EXPECT_EQ(url.path, "aA");
}

TEST(UrlTest, RebuildsTheTextFromItsParts)
{
    Url url;
    ASSERT_TRUE(Url::Unescape("http://me@example.org:8080/a/b?x=1#top", url));
    EXPECT_EQ(url.GetAuthority(), "me@example.org:8080");
    EXPECT_EQ(url.GetPathAndQuery(), "/a/b?x=1#top");
    EXPECT_EQ(url.ToString(), "http://me%40example.org:8080/a/b?x=1#top");

    url.AddQueryParameter("na me", "v&1");
    EXPECT_EQ(url.query, "x=1&na%20me=v%261");
    // The query's own escapes survive rebuilding; the fragment is escaped.
    url.fragment = "a b";
    EXPECT_EQ(url.GetPathAndQuery(), "/a/b?x=1&na%20me=v%261#a%20b");

    Url bare;
    bare.path = "p q";
    EXPECT_EQ(bare.GetAuthority(), "");
    EXPECT_EQ(bare.ToString(), ":p q");
    bare.AddQueryParameter("k", "");
    EXPECT_EQ(bare.query, "k=");
    bare.user = "u";
    EXPECT_EQ(bare.GetAuthority(), "") << "no host, no authority";
    bare.Clear();
    EXPECT_EQ(bare.ToString(), ":");
}

}  // namespace
}  // namespace Voke
