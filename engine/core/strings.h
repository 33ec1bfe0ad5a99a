// Strings and text conversions.
//
// File names, registry paths, keys and text read from files are 8-bit strings
// holding UTF-8 (NarrowString); text that is laid out and drawn is wide text
// whose elements are 32-bit code points (WideString).
#pragma once

#include <cstddef>
#include <string>

namespace Voke {

using NarrowString = std::string;
using WideString = std::wstring;
static_assert(sizeof(wchar_t) == 4, "wide text holds one 32-bit code point per element");

// Each appends the printf form of the value ("%f", "%i", "%u", the character)
// to the string and returns it.
NarrowString& AppendFloat(NarrowString& s, float value);
NarrowString& AppendInt(NarrowString& s, int value);
NarrowString& AppendUInt(NarrowString& s, unsigned value);
NarrowString& AppendChar(NarrowString& s, char c);

// UTF-8 to wide text, stopping at the first zero byte. Malformed input never
// fails: every invalid sequence becomes one U+FFFD.
WideString ToWideString(const NarrowString& utf8);
// Wide text to UTF-8, stopping at the first zero code point. Text holding a
// surrogate, U+FFFE, U+FFFF or a value of 0x80000000 or more gives "".
NarrowString ToNarrowString(const WideString& wide);

namespace Utf8 {

constexpr wchar_t kReplacement = 0xFFFD;

// Decodes at most `limit` code points from the `length` bytes at `in` into
// `out` and returns how many were written. Never reads past `in + length`.
// Decoding ends at a zero byte. A stray continuation byte, a lead byte
// 0xFE/0xFF, a lead byte not followed by enough continuation bytes (also at
// the end of the input) and an overlong form each yield one U+FFFD. The
// classic 5- and 6-byte forms (values up to 0x7FFFFFFF) are accepted, so that
// whatever Encode writes decodes back.
std::size_t Decode(wchar_t* out, const char* in, std::size_t length, std::size_t limit);

// Encodes at most `count` code points into `out` (room for `capacity` bytes)
// and returns the number of bytes written, not counting a terminating zero
// byte, which is stored when there is room. A zero code point ends the
// encoding. Returns -1, with the output unspecified, for a surrogate, U+FFFE,
// U+FFFF, a value of 0x80000000 or more, or when the output does not fit.
// Values are written in the classic 1- to 6-byte forms.
int Encode(char* out, std::size_t capacity, const wchar_t* in, std::size_t count);

}  // namespace Utf8

// Locale-independent reading of a decimal number: white space, an optional
// sign, digits, an optional '.' and fraction digits; no exponent, hexadecimal,
// infinity or NaN. Each fraction digit scales by the single-precision value of
// 0.1, as the engine always has (so "0.1" reads 0.10000000149011612); fraction
// digits beyond the ninth are consumed but ignored. Text without digits gives
// 0. When `end` is given it receives the position after what was read.
double StrToD(const char* text, const char** end = nullptr);

}  // namespace Voke
