#include "engine/core/xml.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "engine/core/url.h"

namespace Voke {
namespace {

SmartPtr<Xml> Parse(const std::string& text)
{
    SmartPtr<Xml> document = Xml::Create(text);
    EXPECT_NE(document.Get(), nullptr) << text;
    return document;
}

// The first child named "v" of the root.
XmlIt Value(const SmartPtr<Xml>& document) { return XmlIt(document.Get(), "v"); }

TEST(XmlTextTest, FloatCountsOnlyFractionDigits)
{
    struct Case {
        const char* text;
        float expected;
    } cases[] = {
        {"0.050000", 0.05f}, {"7", 7.0f}, {"-0.5", -0.5f}, {"1.", 1.0f}, {" 3.25\t\n", 3.25f},
        {"0.1234567891234", 0.123456789f}, {"12345.000001", 12345.000001f},
    };
    for (const Case& c : cases) {
        SmartPtr<Xml> document = Parse(std::string("<r><v>") + c.text + "</v></r>");
        float value = -99.0f;
        EXPECT_TRUE(Value(document).GetTextFloat(value)) << c.text;
        EXPECT_FLOAT_EQ(value, c.expected) << '"' << c.text << '"';
    }
    for (const char* bad : {"", "abc", ".5", "- 1"}) {
        SmartPtr<Xml> document = Parse(std::string("<r><v>") + bad + "</v></r>");
        float value = -99.0f;
        EXPECT_FALSE(Value(document).GetTextFloat(value)) << '"' << bad << '"';
        EXPECT_EQ(value, -99.0f);
    }
}

TEST(XmlTextTest, IntegerBoolAndTripleGetters)
{
    SmartPtr<Xml> document = Parse(
        "<r><i>0x10</i><o>010</o><s>-7x</s><b>true</b><f>false</f><B>True</B><t> 1.5 , -2 ,3 </t>"
        "<two>1,2</two><empty></empty><u>\xC3\xA9t\xC3\xA9</u></r>");
    int i = 0;
    EXPECT_TRUE(XmlIt(document.Get(), "i").GetTextInt(i));
    EXPECT_EQ(i, 16);
    EXPECT_TRUE(XmlIt(document.Get(), "o").GetTextInt(i));
    EXPECT_EQ(i, 8);
    short s = 0;
    EXPECT_TRUE(XmlIt(document.Get(), "s").GetText(s));  // trailing text is ignored
    EXPECT_EQ(s, -7);

    bool b = false;
    EXPECT_TRUE(XmlIt(document.Get(), "b").GetTextBool(b));
    EXPECT_TRUE(b);
    EXPECT_TRUE(XmlIt(document.Get(), "f").GetTextBool(b));
    EXPECT_FALSE(b);
    b = true;
    EXPECT_FALSE(XmlIt(document.Get(), "B").GetTextBool(b));
    EXPECT_TRUE(b);

    float x = 0, y = 0, z = 0;
    EXPECT_TRUE(XmlIt(document.Get(), "t").GetText(x, y, z));
    EXPECT_FLOAT_EQ(x, 1.5f);
    EXPECT_FLOAT_EQ(y, -2.0f);
    EXPECT_FLOAT_EQ(z, 3.0f);
    x = 9;
    EXPECT_FALSE(XmlIt(document.Get(), "two").GetText(x, y, z));
    EXPECT_EQ(x, 9);

    std::string text = "kept";
    EXPECT_EQ(XmlIt(document.Get(), "empty").GetText(), nullptr);
    EXPECT_FALSE(XmlIt(document.Get(), "empty").GetText(text));
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(XmlIt(document.Get(), "missing").GetTextInt(i));

    WideString wide;
    EXPECT_TRUE(XmlIt(document.Get(), "u").GetText(wide));
    EXPECT_EQ(wide, WideString(L"\u00E9t\u00E9"));
}

TEST(XmlTextTest, TextIsTheWholeCharacterContent)
{
    SmartPtr<Xml> document = Parse("<r><v>foo<b/>bar</v><w>a<!-- note -->b<![CDATA[<c>]]>d<x>inner</x>e</w>"
                                   "<n>1<b/>2</n><one>only</one></r>");
    EXPECT_STREQ(Value(document).GetText(), "foobar");
    XmlIt w(document.Get(), "w");
    EXPECT_STREQ(w.GetText(), "ab<c>de");
    EXPECT_STREQ(XmlIt(w, "x").GetText(), "inner");  // a child's text stays its own
    int n = 0;
    EXPECT_TRUE(XmlIt(document.Get(), "n").GetTextInt(n));
    EXPECT_EQ(n, 12);
    EXPECT_STREQ(XmlIt(document.Get(), "one").GetText(), "only");
    // Elements are walked as before.
    XmlIt child(Value(document), nullptr);
    EXPECT_STREQ(child.GetName(), "b");
    EXPECT_FALSE(child.Next().IsValid());

    // Split text at every level of a deep document is joined without
    // recursion.
    const int kDepth = 100000;
    std::string text = "<r>";
    for (int i = 0; i < kDepth; ++i) text += "x<n>";
    for (int i = 0; i < kDepth; ++i) text += "</n>y";
    text += "</r>";
    document = Parse(text);
    ASSERT_NE(document, nullptr);
    EXPECT_STREQ(document->Root().GetText(), "xy");
    EXPECT_STREQ(XmlIt(document.Get(), "n").GetText(), "xy");
}

TEST(XmlAttributeTest, ScanfRulesAndWordTable)
{
    SmartPtr<Xml> document = Parse(
        "<r><e hex=\"0x10\" neg=\"-1\" yes=\"yes\" Yes=\"Yes\" one=\"1\" no=\"no\" empty=\"\" f=\"abc\""
        " g=\" -2.5\" big=\"70000\" huge=\"99999999999999\" tiny=\"-99999999999999\" hex31=\"0x80000000\""
        " oct=\"017777777777\" oct31=\"020000000000\" long=\"99999999999999999999999\"/></r>");
    XmlIt e(document.Get(), "e");
    int i = 0;
    EXPECT_TRUE(e.GetAttribute("hex", i));
    EXPECT_EQ(i, 16);
    unsigned u = 5;
    EXPECT_TRUE(e.GetAttribute("hex", u));  // "%u" stops at the x
    EXPECT_EQ(u, 0u);
    unsigned short us = 0;
    EXPECT_TRUE(e.GetAttribute("big", us));
    EXPECT_EQ(us, 65535) << "beyond the range: its nearest bound";
    short ss = 0;
    EXPECT_TRUE(e.GetAttribute("neg", ss));
    EXPECT_EQ(ss, -1);
    EXPECT_TRUE(e.GetAttribute("neg", u));
    EXPECT_EQ(u, 0u);

    // "%i" with a range check: a leading 0 is octal, 0x hexadecimal.
    const std::pair<const char*, int> ints[] = {{"huge", INT32_MAX}, {"tiny", INT32_MIN}, {"hex31", INT32_MAX},
                                                {"oct", INT32_MAX},  {"oct31", INT32_MAX}, {"long", INT32_MAX}};
    for (const auto& [name, expected] : ints) {
        EXPECT_TRUE(e.GetAttribute(name, i)) << name;
        EXPECT_EQ(i, expected) << name;
    }
    SmartPtr<Xml> text = Parse("<r><v> 040000000000 </v></r>");
    EXPECT_TRUE(XmlIt(text.Get(), "v").GetTextInt(i));
    EXPECT_EQ(i, INT32_MAX);

    bool b = false;
    EXPECT_TRUE(e.GetAttribute("yes", b));
    EXPECT_TRUE(b);
    EXPECT_TRUE(e.GetAttribute("no", b));
    EXPECT_FALSE(b);
    EXPECT_TRUE(e.GetAttribute("one", b));
    EXPECT_TRUE(b);
    b = false;
    EXPECT_FALSE(e.GetAttribute("Yes", b));
    EXPECT_FALSE(b);

    float f = 7;
    EXPECT_TRUE(e.GetAttribute("f", f));  // present: always read
    EXPECT_EQ(f, 0.0f);
    EXPECT_TRUE(e.GetAttribute("g", f));
    EXPECT_FLOAT_EQ(f, -2.5f);
    f = 7;
    EXPECT_FALSE(e.GetAttribute("absent", f));
    EXPECT_EQ(f, 7);

    EXPECT_TRUE(e.HasAttribute("yes", false));
    EXPECT_TRUE(e.HasAttribute("empty", true));
    EXPECT_FALSE(e.HasAttribute("empty", false));
    EXPECT_FALSE(e.HasAttribute("absent", true));
    EXPECT_EQ(e.GetAttributeRaw("absent"), nullptr);
    EXPECT_STREQ(e.GetAttributeRaw("empty"), "");
}

TEST(XmlIteratorTest, FilteredAndUnfilteredWalks)
{
    SmartPtr<Xml> document = Parse("<r><key n='1'/>text<node n='2'/><!-- c --><key n='3'/><node n='4'/></r>");
    std::string filtered, all;
    for (XmlIt it(document.Get(), "key"); it; it.Next()) filtered += it.GetAttributeRaw("n");
    for (XmlIt it(document.Get(), nullptr); it; it.Next()) all += std::string(it.GetName()) + it.GetAttributeRaw("n");
    EXPECT_EQ(filtered, "13");
    EXPECT_EQ(all, "key1node2key3node4");

    XmlIt nested(XmlIt(document.Get(), "node"), nullptr);
    EXPECT_FALSE(nested.IsValid());
    EXPECT_FALSE(XmlIt(static_cast<const Xml*>(nullptr), "key").IsValid());
    XmlIt exhausted;
    EXPECT_FALSE(exhausted.Next().IsValid());
    EXPECT_STREQ(exhausted.GetName(), "");
    EXPECT_STREQ(document->Root().GetName(), "r");
}

TEST(XmlParseTest, EntitiesDecodeInTextAndAttributes)
{
    SmartPtr<Xml> document = Parse("<r><v a=\"&lt;&amp;&quot;&#233;&#x1F600;\">&lt;&amp;&quot;&#233;&#x1F600;</v></r>");
    const char* expected = "<&\"\xC3\xA9\xF0\x9F\x98\x80";
    EXPECT_STREQ(Value(document).GetText(), expected);
    EXPECT_STREQ(Value(document).GetAttributeRaw("a"), expected);
}

TEST(XmlParseTest, MalformedInputIsRefused)
{
    SmartPtr<Xml> empty = Xml::Create(std::string());
    ASSERT_NE(empty, nullptr);
    EXPECT_FALSE(empty->Root().IsValid());
    EXPECT_FALSE(XmlIt(empty.Get(), "v").IsValid());

    for (const char* bad : {"<r>", "<r><v></r>", "</r>", "<r a=\"1></r>", "<a/><b/>", "   "}) {
        SmartPtr<Xml> document = Xml::Create(std::string(bad));
        EXPECT_EQ(document, nullptr) << bad;
    }
    EXPECT_EQ(Xml::Create(std::string("<r>\0</r>", 8)), nullptr);

    std::string garbage(2 << 20, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919u) >> 3);
    EXPECT_EQ(Xml::Create(garbage), nullptr);

    // Buffers handed over are released on failure as on success (LSan).
    char* buffer = new char[4];
    std::memcpy(buffer, "<r/>", 4);
    SmartPtr<Xml> owned = Xml::Create(buffer, 4);
    EXPECT_NE(owned, nullptr);
    buffer = new char[3];
    std::memcpy(buffer, "<r>", 3);
    EXPECT_EQ(Xml::Create(buffer, 3), nullptr);
}

TEST(XmlParseTest, DeclaredEntitiesAreNotExpanded)
{
    std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
        "<r><v>&d;</v></r>";
    SmartPtr<Xml> document = Xml::Create(laughs);
    ASSERT_NE(document, nullptr);
    EXPECT_STREQ(Value(document).GetText(), "&d;");
    document = Xml::Create(std::string("<r><v>&bogus;</v></r>"));
    ASSERT_NE(document, nullptr);
    EXPECT_STREQ(Value(document).GetText(), "&bogus;");
}

TEST(XmlParseTest, DeepNestingParsesWithoutRecursion)
{
    const int kDepth = 100000;
    std::string text;
    for (int i = 0; i < kDepth; ++i) text += "<n>";
    for (int i = 0; i < kDepth; ++i) text += "</n>";
    SmartPtr<Xml> document = Xml::Create(text);
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(XmlIt(document.Get(), "n").IsValid());
}

TEST(XmlUrlTest, SplitsDecodedUrls)
{
    Url url;
    ASSERT_TRUE(Url::Unescape("http://me@example.org:8080/a%20b/c?x=1&y=%41#top", url));
    EXPECT_EQ(url.scheme, "http");
    EXPECT_EQ(url.user, "me");
    EXPECT_EQ(url.host, "example.org");
    EXPECT_EQ(url.port, "8080");
    EXPECT_EQ(url.path, "/a b/c");
    EXPECT_EQ(url.query, "x=1&y=A");
    EXPECT_EQ(url.fragment, "top");

    ASSERT_TRUE(Url::Unescape("data/level01.xml", url));  // no colon: all path
    EXPECT_EQ(url.scheme, "");
    EXPECT_EQ(url.path, "data/level01.xml");
    ASSERT_TRUE(Url::Unescape("100%zz%4", url));  // broken escapes stay
    EXPECT_EQ(url.path, "100%zz%4");

    EXPECT_FALSE(Url::Unescape("file:a//b", url));  // "//" past the start
    EXPECT_EQ(url.path, "");
    EXPECT_EQ(url.scheme, "");

    SmartPtr<Xml> document = Parse("<r><v href='https://host/p'>mailto:x@y</v></r>");
    XmlIt v = Value(document);
    ASSERT_TRUE(Xml::ParseUrlAttribute(v, "href", url));
    EXPECT_EQ(url.host, "host");
    ASSERT_TRUE(Xml::ParseUrlAttribute(v, url));
    EXPECT_EQ(url.scheme, "mailto");
    EXPECT_EQ(url.path, "x@y");
    EXPECT_FALSE(Xml::ParseUrlAttribute(v, "missing", url));
}

}  // namespace
}  // namespace Voke
