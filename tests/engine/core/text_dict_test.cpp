#include "engine/core/text_dict.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "engine/core/xml.h"

namespace Voke {
namespace {

bool LoadText(TextDict& dict, const std::string& text)
{
    SmartPtr<Xml> document = Xml::Create(text);
    return dict.LoadDocument(document);
}

TEST(TextDictTest, LooksUpTextsOfTheLoadedLanguage)
{
    SmartPtr<TextDict> dict(new TextDict);
    EXPECT_EQ(dict->Get("IDS_PLAY"), WideString(L"IDS_PLAY"));
    ASSERT_TRUE(LoadText(*dict,
                         "<?xml version=\"1.0\" encoding=\"utf-8\"?><strings>"
                         "<string id=\"IDS_PLAY\">Play</string>"
                         "<string id=\"IDS_PLAY\">Second</string>"
                         "<string>no id</string>"
                         "<other id=\"IDS_OTHER\">x</other>"
                         "<group><string id=\"IDS_DEEP\">deep</string></group>"
                         "<string id=\"IDS_EMPTY\"></string>"
                         "<string id=\"IDS_SPACE\"> </string>"
                         "<string id=\"IDS_UTF\">\xC3\xA9 \xC3\x9F \xE6\x97\xA5\xE6\x9C\xAC &amp; &#x1F600;</string>"
                         "</strings>"));
    EXPECT_EQ(dict->Get("IDS_PLAY"), WideString(L"Play"));
    EXPECT_EQ(dict->Get("IDS_UTF"), WideString(L"\u00E9 \u00DF \u65E5\u672C & \U0001F600"));
    EXPECT_EQ(dict->Get("IDS_SPACE"), WideString(L" "));
    EXPECT_EQ(dict->Get("IDS_EMPTY"), WideString());
    EXPECT_EQ(dict->Get("IDS_OTHER"), WideString(L"IDS_OTHER"));
    EXPECT_EQ(dict->Get("IDS_DEEP"), WideString(L"IDS_DEEP"));
    EXPECT_EQ(dict->Get("IDS_MISSING"), WideString(L"IDS_MISSING"));

    // A second language replaces the first entirely.
    ASSERT_TRUE(LoadText(*dict, "<strings><string id=\"IDS_QUIT\">Quitter</string></strings>"));
    EXPECT_EQ(dict->Get("IDS_PLAY"), WideString(L"IDS_PLAY"));
    EXPECT_EQ(dict->Get("IDS_QUIT"), WideString(L"Quitter"));

    // A file that does not parse leaves the current language.
    EXPECT_FALSE(LoadText(*dict, "<strings><string id=\"IDS_QUIT\">broken"));
    EXPECT_EQ(dict->Get("IDS_QUIT"), WideString(L"Quitter"));
}

TEST(TextDictTest, ReplaceVariableEndsAndCounts)
{
    WideString text = L"$(x) and $(x), not $(y) or $x";
    EXPECT_EQ(TextDict::ReplaceVariable(text, "x", L"$(x)$(x)"), 2);
    EXPECT_EQ(text, WideString(L"$(x)$(x) and $(x)$(x), not $(y) or $x"));
    EXPECT_EQ(TextDict::ReplaceVariable(text, "y", L""), 1);
    EXPECT_EQ(text, WideString(L"$(x)$(x) and $(x)$(x), not  or $x"));
    EXPECT_EQ(TextDict::ReplaceVariable(text, "z", L"!"), 0);
}

TEST(TextDictTest, ReadersSeeWholeLanguagesWhileOneLoads)
{
    SmartPtr<TextDict> dict(new TextDict);
    SmartPtr<Xml> english = Xml::Create(std::string("<s><string id=\"A\">one</string><string id=\"B\">two</string></s>"));
    SmartPtr<Xml> french = Xml::Create(std::string("<s><string id=\"A\">un</string><string id=\"B\">deux</string></s>"));
    dict->LoadDocument(english);
    std::atomic<bool> done{false};
    std::thread loader([&] {
        for (int i = 0; i < 500; ++i) dict->LoadDocument(i % 2 ? english : french);
        done = true;
    });
    while (!done) {
        WideString a = dict->Get("A");
        EXPECT_TRUE(a == L"one" || a == L"un");
    }
    loader.join();
}

}  // namespace
}  // namespace Voke
