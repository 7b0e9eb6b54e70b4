#include "platform/Win1252.h"

#include <array>

namespace artikel {

namespace {

constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

constexpr std::array<unsigned char, 256> MakeUpper()
{
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int i = 'a'; i <= 'z'; ++i)
        t[i] = static_cast<unsigned char>(i - 32);
    for (int i = 0xE0; i <= 0xFE; ++i)
        if (i != 0xF7)
            t[i] = static_cast<unsigned char>(i - 32);
    t[0x9A] = 0x8A; // š
    t[0x9C] = 0x8C; // œ
    t[0x9E] = 0x8E; // ž
    t[0xFF] = 0x9F; // ÿ
    return t;
}

constexpr std::array<unsigned char, 256> MakeLower()
{
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int i = 'A'; i <= 'Z'; ++i)
        t[i] = static_cast<unsigned char>(i + 32);
    for (int i = 0xC0; i <= 0xDE; ++i)
        if (i != 0xD7)
            t[i] = static_cast<unsigned char>(i + 32);
    t[0x8A] = 0x9A;
    t[0x8C] = 0x9C;
    t[0x8E] = 0x9E;
    t[0x9F] = 0xFF;
    return t;
}

constexpr auto kUpperArr = MakeUpper();
constexpr auto kLowerArr = MakeLower();

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns false (and consumes one byte) when malformed.
bool DecodeUtf8(std::string_view s, size_t& i, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    int len = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + len > s.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += len;
    return true;
}

} // namespace

const unsigned char kAnsiUpper[256] = {
#define R(i) kUpperArr[i]
#define R8(i) R(i), R(i + 1), R(i + 2), R(i + 3), R(i + 4), R(i + 5), R(i + 6), R(i + 7)
#define R64(i) R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef R
#define R(i) kLowerArr[i]
};
const unsigned char kAnsiLower[256] = {R64(0), R64(64), R64(128), R64(192)};
#undef R
#undef R8
#undef R64

std::string AnsiUpperCase(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        c = static_cast<char>(kAnsiUpper[static_cast<unsigned char>(c)]);
    return r;
}

std::string AnsiLowerCase(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        c = static_cast<char>(kAnsiLower[static_cast<unsigned char>(c)]);
    return r;
}

bool SameTextNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (kAnsiUpper[static_cast<unsigned char>(a[i])] != kAnsiUpper[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameTextNoCase(text.substr(0, prefix.size()), prefix);
}

bool ContainsNoCase(std::string_view text, std::string_view word)
{
    if (word.size() > text.size())
        return false;
    for (size_t at = 0; at + word.size() <= text.size(); ++at)
        if (SameTextNoCase(text.substr(at, word.size()), word))
            return true;
    return false;
}

int CompareTextNoCase(std::string_view a, std::string_view b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const int x = kAnsiUpper[static_cast<unsigned char>(a[i])];
        const int y = kAnsiUpper[static_cast<unsigned char>(b[i])];
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

char32_t Win1252ToUnicode(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0)
        return kHigh[c - 0x80];
    return c;
}

int UnicodeToWin1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp)
            return 0x80 + i;
    return -1;
}

std::string Win1252ToUtf8(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    for (char ch : ansi)
        AppendUtf8(out, Win1252ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::string Utf8ToWin1252(std::string_view utf8, char replacement)
{
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        if (!DecodeUtf8(utf8, i, cp)) {
            out += replacement;
            continue;
        }
        const int b = UnicodeToWin1252(cp);
        out += b < 0 ? replacement : static_cast<char>(b);
    }
    return out;
}

std::string Utf16ToWin1252(std::u16string_view utf16, char replacement)
{
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        }
        const int b = UnicodeToWin1252(cp);
        out += b < 0 ? replacement : static_cast<char>(b);
    }
    return out;
}

std::u16string Win1252ToUtf16(std::string_view ansi)
{
    std::u16string out;
    out.reserve(ansi.size());
    for (char ch : ansi)
        out += static_cast<char16_t>(Win1252ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        char32_t cp = 0;
        if (!DecodeUtf8(bytes, i, cp))
            return false;
    }
    return true;
}

} // namespace artikel
