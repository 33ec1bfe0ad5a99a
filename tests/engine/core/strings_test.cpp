#include "engine/core/strings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>

#include "tests/support/seed.h"

namespace Voke {
namespace {

WideString DecodeBytes(const std::string& bytes)
{
    WideString out(bytes.size() + 1, L'\0');
    std::size_t n = Utf8::Decode(&out[0], bytes.data(), bytes.size(), out.size());
    out.resize(n);
    return out;
}

TEST(AppendTest, UsesPrintfForms)
{
    NarrowString s = "v=";
    AppendFloat(s, 1.5f);
    EXPECT_EQ(s, "v=1.500000");
    s.clear();
    AppendInt(s, -42);
    AppendChar(s, ',');
    AppendUInt(s, UINT_MAX);
    EXPECT_EQ(s, "-42,4294967295");
    s.clear();
    AppendFloat(s, 3.0e38f);  // longer than any small fixed buffer
    EXPECT_EQ(s.size(), 46u);
}

TEST(Utf8DecodeTest, WellFormedSequences)
{
    EXPECT_EQ(DecodeBytes("A\xC3\xA9"), WideString(L"A\u00E9"));
    EXPECT_EQ(DecodeBytes("\xE2\x82\xAC"), WideString(1, 0x20AC));
    EXPECT_EQ(DecodeBytes("\xF0\x9F\x98\x80"), WideString(1, 0x1F600));
    // Decoding stops at the first zero byte even with room left.
    EXPECT_EQ(DecodeBytes(std::string("ab\0cd", 5)), WideString(L"ab"));
    // The limit caps the code points written.
    wchar_t out[2];
    EXPECT_EQ(Utf8::Decode(out, "abc", 3, 2), 2u);
}

TEST(Utf8DecodeTest, MalformedInputBecomesReplacementsWithoutOverread)
{
    const wchar_t R = Utf8::kReplacement;
    EXPECT_EQ(DecodeBytes("\xA9"), WideString(1, R));                 // stray continuation
    EXPECT_EQ(DecodeBytes("\xFF" "a"), (WideString{R, L'a'}));         // impossible lead
    EXPECT_EQ(DecodeBytes("\xC3" "a"), (WideString{R, L'a'}));         // missing continuation
    EXPECT_EQ(DecodeBytes("\xC0\x80"), WideString(1, R));              // overlong zero
    EXPECT_EQ(DecodeBytes("\xE0\x80\xAF"), WideString(1, R));          // overlong '/'
    EXPECT_EQ(DecodeBytes("x\xE2\x82"), (WideString{L'x', R}));        // cut at the end

    // The decoder is given exactly the bytes of a truncated sequence, with no
    // terminator behind them: ASan reports any read past the end.
    std::vector<char> exact = {'\xF0', '\x9F', '\x98'};
    wchar_t out[4];
    EXPECT_EQ(Utf8::Decode(out, exact.data(), exact.size(), 4), 1u);
    EXPECT_EQ(out[0], R);

    const uint32_t seed = VokeTest::TestSeed(1234);
    SCOPED_TRACE(VokeTest::SeedNote(seed));
    std::mt19937 random(seed);
    for (int i = 0; i < 2000; ++i) {
        std::vector<char> junk(random() % 12);
        for (char& c : junk) c = static_cast<char>(random());
        WideString result(junk.size(), L'\0');
        std::size_t n = Utf8::Decode(result.empty() ? nullptr : &result[0], junk.data(), junk.size(), junk.size());
        ASSERT_LE(n, junk.size());
    }
}

TEST(Utf8EncodeTest, RoundTripsEveryCodePoint)
{
    for (uint32_t cp = 1; cp <= 0x10FFFF; ++cp) {
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) continue;
        WideString wide(1, static_cast<wchar_t>(cp));
        NarrowString utf8 = ToNarrowString(wide);
        ASSERT_FALSE(utf8.empty()) << cp;
        ASSERT_EQ(ToWideString(utf8), wide) << cp;
    }
    // The classic long forms decode back too.
    WideString big(1, static_cast<wchar_t>(0x7FFFFFFF));
    NarrowString six = ToNarrowString(big);
    EXPECT_EQ(six, "\xFD\xBF\xBF\xBF\xBF\xBF");
    EXPECT_EQ(ToWideString(six), big);
}

TEST(Utf8EncodeTest, RefusesWhatIsNoCharacter)
{
    EXPECT_EQ(ToNarrowString(WideString{L'a', static_cast<wchar_t>(0xD800), L'b'}), "");
    EXPECT_EQ(ToNarrowString(WideString(1, static_cast<wchar_t>(0xFFFE))), "");
    EXPECT_EQ(ToNarrowString(WideString(1, static_cast<wchar_t>(0x80000000u))), "");
    EXPECT_EQ(ToNarrowString(WideString{L'a', 0, L'b'}), "a");  // zero ends the text

    char small[3];
    const wchar_t euro[] = {0x20AC};
    EXPECT_EQ(Utf8::Encode(small, sizeof small, euro, 1), 3);
    EXPECT_EQ(Utf8::Encode(small, 2, euro, 1), -1);  // does not fit
}

TEST(StrToDTest, ReadsDecimalNumbersLikeTheEngineAlwaysHas)
{
    const char* end = nullptr;
    const char* text = "  -12.5x";
    EXPECT_NEAR(StrToD(text, &end), -12.5, 1e-6);
    EXPECT_EQ(end, text + 7);

    text = "3.";
    EXPECT_EQ(StrToD(text, &end), 3.0);
    EXPECT_EQ(end, text + 2);

    text = "1e3";
    EXPECT_EQ(StrToD(text, &end), 1.0);
    EXPECT_EQ(end, text + 1);

    EXPECT_EQ(StrToD("0.1"), 0.10000000149011612);

    text = " -x";
    EXPECT_EQ(StrToD(text, &end), 0.0);
    EXPECT_EQ(end, text + 2);
}

TEST(StrToDTest, LongNumbersDoNotWrap)
{
    EXPECT_EQ(StrToD("4294967296"), 4294967296.0);
    EXPECT_EQ(StrToD("12345678901234"), 12345678901234.0);
    const char* text = "2.12345678912345z";
    const char* end = nullptr;
    EXPECT_NEAR(StrToD(text, &end), 2.123456789, 1e-6);
    EXPECT_EQ(*end, 'z');
}

}  // namespace
}  // namespace Voke
