#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/registry.h"
#include "tests/support/seed.h"

namespace Voke {
namespace {

const char kHeader[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<registry>\n";

class FixedString : public RegistryKeyProtectedString {
public:
    Any Get() const override { return Any(std::string("live")); }
};

std::vector<std::string> g_notified;
void Notified(void*, const std::string& path, RegistryKey*) { g_notified.push_back(path); }

TEST(RegistryFileTest, WritesTheExactFormat)
{
    SmartPtr<Registry> registry(new Registry);
    registry->Set("/s/b", 0.05f);
    registry->Set("/s/a", true);
    registry->Set("/s/z/k", -7);
    registry->Set("/s/y/k", -0.5f);
    registry->Set("/s/y/t", "plain text");
    registry->GetKey("/s/unset", true);
    EXPECT_EQ(registry->ToXml("/s"), std::string(kHeader) +
                                         "\t<node name=\"/s\">\n"
                                         "\t\t<key name=\"a\" type=\"bool\">true</key>\n"
                                         "\t\t<key name=\"b\" type=\"float\">0.050000</key>\n"
                                         "\t\t<node name=\"y\">\n"
                                         "\t\t\t<key name=\"k\" type=\"float\">-0.500000</key>\n"
                                         "\t\t\t<key name=\"t\" type=\"string\">plain text</key>\n"
                                         "\t\t</node>\n"
                                         "\t\t<node name=\"z\">\n"
                                         "\t\t\t<key name=\"k\" type=\"int\">-7</key>\n"
                                         "\t\t</node>\n"
                                         "\t</node>\n"
                                         "</registry>\n");
    EXPECT_EQ(registry->ToXml("/missing"), "");
    EXPECT_EQ(registry->ToXml("bad"), "");

    // Computed keys write their current value with their type.
    registry->AddMachineKey("/machine", "platform", new FixedString);
    EXPECT_EQ(registry->ToXml("/machine"), std::string(kHeader) +
                                               "\t<node name=\"/machine\">\n"
                                               "\t\t<key name=\"platform\" type=\"string\">live</key>\n"
                                               "\t</node>\n"
                                               "</registry>\n");
}

TEST(RegistryFileTest, HostileNamesAndValuesRoundTrip)
{
    const std::vector<std::string> texts = {
        "<&>\"'",     "a]]>b",          "&amp; stays &amp;",   "tab\there",        "line\nend",
        "cr\rlf\r\n", " spaced  ",      "   ",                 "\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC",
        "\xF0\x9F\x98\x80", "<!-- no -->", "<![CDATA[x]]>",     "",
    };
    SmartPtr<Registry> source(new Registry);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string name = texts[i].empty() ? "empty" : texts[i];
        for (char& c : name)
            if (c == '/') c = '_';
        ASSERT_TRUE(source->Set("/save/" + name + "/value", texts[i])) << i;
        ASSERT_TRUE(source->Set("/save/node/" + name, static_cast<int>(i))) << i;
    }
    source->Set("/save/num/f", -0.5f);
    source->Set("/save/num/g", 0.05f);
    source->Set("/save/num/i", -7);
    source->Set("/save/num/max", 2147483647);
    source->Set("/save/num/b", false);

    std::string text = source->ToXml("/save");
    SmartPtr<Registry> copy(new Registry);
    ASSERT_TRUE(copy->LoadFromString(text, false, ""));
    EXPECT_EQ(copy->ToXml("/save"), text);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string name = texts[i].empty() ? "empty" : texts[i];
        std::string value = "?";
        EXPECT_TRUE(copy->Get("/save/" + name + "/value", value)) << i;
        EXPECT_EQ(value, texts[i]) << i;
    }
}

TEST(RegistryFileTest, LoadingMergesAndNotifies)
{
    SmartPtr<Registry> registry(new Registry);
    registry->Set("/controls/keep", 1);
    registry->Set("/controls/swap", false);
    registry->AddMachineKey("/machine", "platform", new FixedString);
    g_notified.clear();
    registry->AddCallback("", &Notified, nullptr, "t", "f", 1);

    EXPECT_TRUE(registry->LoadFromString(
        std::string(kHeader) +
            "<node name=\"/controls\"><key name=\"swap\" type=\"bool\">true</key>"
            "<key type=\"int\">5</key>"                              // no name: skipped
            "<key name=\"odd\" type=\"colour\">red</key>"           // unknown type: created only
            "<key name=\"keep\" type=\"int\">zero</key>"            // unreadable: keeps its value
            "<key name=\"flag\" type=\"bool\">1</key>"
            "<key name=\"s\" type=\"string\"/>"
            "<other name=\"x\"/><node><key name=\"lost\" type=\"int\">1</key></node>"
            "<node name=\"sub\"><key name=\"v\" type=\"float\">2.5 </key></node></node></registry>",
        true, ""));
    bool swap = false;
    int keep = 0;
    std::string s = "?";
    float v = 0;
    EXPECT_TRUE(registry->Get("/controls/swap", swap));
    EXPECT_TRUE(swap);
    EXPECT_TRUE(registry->Get("/controls/keep", keep));
    EXPECT_EQ(keep, 1);
    EXPECT_NE(registry->GetKey("/controls/odd", false), nullptr);
    EXPECT_NE(registry->GetKey("/controls/flag", false), nullptr);
    EXPECT_FALSE(registry->Get("/controls/flag", swap));
    EXPECT_TRUE(registry->Get("/controls/s", s));
    EXPECT_EQ(s, "");
    EXPECT_TRUE(registry->Get("/controls/sub/v", v));
    EXPECT_EQ(v, 2.5f);
    EXPECT_EQ(registry->FindNode("/controls", false, false)->children.size(), 1u);
    EXPECT_EQ(g_notified, (std::vector<std::string>{"/controls/swap", "/controls/s", "/controls/sub/v"}));

    // A base path given by the caller wins; "/" gives paths with two slashes.
    g_notified.clear();
    EXPECT_TRUE(registry->LoadFromString(
        std::string(kHeader) + "<node name=\"/ignored\"><node name=\"n\"><key name=\"k\" type=\"int\">010</key>"
                               "</node></node></registry>",
        true, "/"));
    EXPECT_EQ(g_notified, (std::vector<std::string>{"//n/k"}));
    EXPECT_TRUE(registry->Get("/n/k", keep));
    EXPECT_EQ(keep, 8);
    EXPECT_EQ(registry->FindNode("/ignored", false, false), nullptr);

    // Nothing new appears below "/machine", and its keys keep their values.
    EXPECT_TRUE(registry->LoadFromString(
        std::string(kHeader) + "<node name=\"/machine\"><key name=\"platform\" type=\"string\">x</key>"
                               "<key name=\"new\" type=\"int\">1</key><node name=\"sub\"/></node></registry>",
        false, ""));
    EXPECT_TRUE(registry->Get("/machine/platform", s));
    EXPECT_EQ(s, "live");
    EXPECT_EQ(registry->GetKey("/machine/new", false), nullptr);
    EXPECT_EQ(registry->FindNode("/machine/sub", false, false), nullptr);
    EXPECT_FALSE(registry->LoadFromString(std::string(kHeader) + "<node name=\"/machine/x\"/></registry>",
                                          false, ""));

    // Figures beyond the int range read as its nearest bound, not wrapped.
    EXPECT_TRUE(registry->LoadFromString(
        std::string(kHeader) + "<node name=\"/endless\"><node name=\"scores\">"
                               "<key name=\"level01\" type=\"int\">99999999999999</key>"
                               "<key name=\"level02\" type=\"int\">-0x80000001</key></node></node></registry>",
        false, ""));
    EXPECT_TRUE(registry->Get("/endless/scores/level01", keep));
    EXPECT_EQ(keep, INT32_MAX);
    EXPECT_TRUE(registry->Get("/endless/scores/level02", keep));
    EXPECT_EQ(keep, INT32_MIN);
}

TEST(RegistryFileTest, DamagedFilesChangeNothing)
{
    SmartPtr<Registry> registry(new Registry);
    registry->Set("/endless/scores/level01", 100);
    const std::string before = registry->ToXml("/");

    std::string deep = std::string(kHeader) + "<node name=\"/endless\"><key name=\"x\" type=\"int\">1</key>";
    for (int i = 0; i < Registry::kMaxFileDepth + 1; ++i) deep += "<node name=\"d\">";
    for (int i = 0; i < Registry::kMaxFileDepth + 1; ++i) deep += "</node>";
    deep += "</node></registry>";

    const std::vector<std::string> damaged = {
        "",
        "not xml",
        std::string(kHeader) + "<node name=\"/endless\"><key name=\"x\" type=\"int\">1</key>",  // cut short
        "<settings><node name=\"/endless\"><key name=\"x\" type=\"int\">1</key></node></settings>",
        std::string(kHeader) + "<key name=\"x\" type=\"int\">1</key></registry>",
        std::string(kHeader) + "<node><key name=\"x\" type=\"int\">1</key></node></registry>",
        std::string(kHeader) + "<node name=\"relative\"><key name=\"x\" type=\"int\">1</key></node></registry>",
        deep,
    };
    for (const std::string& text : damaged) {
        EXPECT_FALSE(registry->LoadFromString(text, true, "")) << text.substr(0, 120);
        EXPECT_EQ(registry->ToXml("/"), before);
    }

    // Nesting up to the limit loads.
    std::string fits = std::string(kHeader) + "<node name=\"/deep\">";
    for (int i = 0; i < Registry::kMaxFileDepth - 1; ++i) fits += "<node name=\"d\">";
    for (int i = 0; i < Registry::kMaxFileDepth - 1; ++i) fits += "</node>";
    fits += "</node></registry>";
    EXPECT_TRUE(registry->LoadFromString(fits, false, ""));
}


// Random damage to a good file: every load either succeeds or changes
// nothing, and none crashes (run under the sanitizers).
TEST(RegistryFileTest, MutatedFilesLoadOrChangeNothing)
{
    SmartPtr<Registry> source(new Registry);
    source->Set("/m/a", 1);
    source->Set("/m/b", "two & <three>");
    source->Set("/m/n/c", 0.5f);
    source->Set("/m/n/d", true);
    const std::string good = source->ToXml("/m");
    const char kBytes[] = "<>&;\"'/=!?#x0 \t\n\xC3\xFF";

    uint32_t seed = VokeTest::TestSeed(12345);
    SCOPED_TRACE(VokeTest::SeedNote(seed));
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        for (int edits = 1 + next() % 4; edits > 0; --edits) {
            std::size_t at = next() % text.size();
            switch (next() % 3) {
            case 0: text[at] = kBytes[next() % (sizeof kBytes - 1)]; break;
            case 1: text.erase(at, 1 + next() % 8); break;
            default: text.insert(at, 1, kBytes[next() % (sizeof kBytes - 1)]); break;
            }
            if (text.empty()) text = "<";
        }
        SmartPtr<Registry> target(new Registry);
        target->Set("/keep/k", 1);
        const std::string before = target->ToXml("/");
        if (target->LoadFromString(text, true, "")) {
            ++loaded;
        } else {
            EXPECT_EQ(target->ToXml("/"), before) << text;
        }
    }
    EXPECT_GT(loaded, 0);
}

}  // namespace
}  // namespace Voke
