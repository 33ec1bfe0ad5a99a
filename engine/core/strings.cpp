#include "engine/core/strings.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace Voke {

namespace {

template <class... Args>
NarrowString& AppendFormatted(NarrowString& s, const char* format, Args... args)
{
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n < 0) return s;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        s.append(buffer, static_cast<std::size_t>(n));
    } else {
        // "%f" of a large float can be longer than the buffer.
        std::vector<char> big(static_cast<std::size_t>(n) + 1);
        std::snprintf(big.data(), big.size(), format, args...);
        s.append(big.data(), static_cast<std::size_t>(n));
    }
    return s;
}

// Smallest value that needs a sequence of `length` bytes; anything below it
// in that length is an overlong form.
uint32_t MinimumForLength(int length)
{
    static const uint32_t kMinimum[7] = {0, 0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
    return kMinimum[length];
}

}  // namespace

NarrowString& AppendFloat(NarrowString& s, float value) { return AppendFormatted(s, "%f", static_cast<double>(value)); }
NarrowString& AppendInt(NarrowString& s, int value) { return AppendFormatted(s, "%i", value); }
NarrowString& AppendUInt(NarrowString& s, unsigned value) { return AppendFormatted(s, "%u", value); }
NarrowString& AppendChar(NarrowString& s, char c)
{
    s.push_back(c);
    return s;
}

namespace Utf8 {

std::size_t Decode(wchar_t* out, const char* in, std::size_t length, std::size_t limit)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(in);
    const unsigned char* end = p + length;
    std::size_t written = 0;
    while (written < limit && p < end) {
        unsigned char lead = *p;
        if (lead == 0) break;
        if (lead < 0x80) {
            out[written++] = lead;
            ++p;
            continue;
        }
        int n = 0;
        while (n < 8 && (lead & (0x80u >> n))) ++n;
        ++p;
        if (n == 1 || n > 6) {  // stray continuation byte, or 0xFE / 0xFF
            out[written++] = kReplacement;
            continue;
        }
        uint32_t value = lead & (0xFFu >> (n + 1));
        int taken = 1;
        while (taken < n && p < end && (*p & 0xC0) == 0x80) {
            value = (value << 6) | (*p & 0x3F);
            ++p;
            ++taken;
        }
        // A sequence cut short resumes at the byte that broke it.
        if (taken < n || value < MinimumForLength(n))
            out[written++] = kReplacement;
        else
            out[written++] = static_cast<wchar_t>(value);
    }
    return written;
}

int Encode(char* out, std::size_t capacity, const wchar_t* in, std::size_t count)
{
    std::size_t written = 0;
    for (std::size_t i = 0; i < count; ++i) {
        uint32_t v = static_cast<uint32_t>(in[i]);
        if (v == 0) break;
        if ((v >= 0xD800 && v <= 0xDFFF) || v == 0xFFFE || v == 0xFFFF || v >= 0x80000000u)
            return -1;
        int length = v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : v < 0x200000 ? 4 : v < 0x4000000 ? 5 : 6;
        if (written + static_cast<std::size_t>(length) > capacity) return -1;
        if (length == 1) {
            out[written++] = static_cast<char>(v);
            continue;
        }
        static const unsigned char kLeadMark[7] = {0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
        for (int k = length - 1; k > 0; --k) {
            out[written + static_cast<std::size_t>(k)] = static_cast<char>(0x80 | (v & 0x3F));
            v >>= 6;
        }
        out[written] = static_cast<char>(kLeadMark[length] | v);
        written += static_cast<std::size_t>(length);
    }
    if (written < capacity) out[written] = '\0';
    return static_cast<int>(written);
}

}  // namespace Utf8

WideString ToWideString(const NarrowString& utf8)
{
    if (utf8.empty()) return WideString();
    WideString result(utf8.size(), L'\0');
    std::size_t n = Utf8::Decode(&result[0], utf8.data(), utf8.size(), utf8.size());
    result.resize(n);
    return result;
}

NarrowString ToNarrowString(const WideString& wide)
{
    if (wide.empty()) return NarrowString();
    std::vector<char> buffer(wide.size() * 6 + 1);
    int n = Utf8::Encode(buffer.data(), buffer.size(), wide.data(), wide.size());
    if (n < 0) return NarrowString();
    return NarrowString(buffer.data(), static_cast<std::size_t>(n));
}

double StrToD(const char* text, const char** end)
{
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // The integer part accumulates in a double so that long numbers do not
    // wrap around.
    double value = 0.0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10.0 + (*p - '0');
        ++p;
    }
    if (*p == '.') {
        ++p;
        const double kTenth = static_cast<double>(0.1f);
        double scale = 1.0;
        uint32_t fraction = 0;
        int digits = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            if (digits == 9) continue;  // beyond what the 32-bit accumulator holds
            scale *= kTenth;
            fraction = fraction * 10 + static_cast<uint32_t>(*p - '0');
            ++digits;
        }
        value += fraction * scale;
    }
    if (end) *end = p;
    return negative ? -value : value;
}

}  // namespace Voke
