#pragma once

// Plain-text building blocks of DATANORM records: fields split on ";" without quoting, lines
// ending in CR LF, LF or CR, numbers written in cents.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace artikel::convert::datanorm {

constexpr size_t kMaxFields = 40;

// Field numbers (1-based, as in the record descriptions) of the records read. Fields the
// writers of one version disagree on are read defensively where they are used.
namespace v5 { // header of 5.0
constexpr size_t kVersion = 2, kShortName = 8, kName = 9;
}
namespace v4 { // fixed-width header of 4.0 and 3.0: 0-based offset and length of info text 1
constexpr size_t kInfo1At = 8, kInfo1Len = 40;
}
namespace a4 {
constexpr size_t kVkz = 2, kNumber = 3, kShortText1 = 5, kShortText2 = 6, kPriceFlag = 7, kPriceUnit = 8, kUnit = 9,
                 kPrice = 10, kRebateGroup = 11, kMainGroup = 12, kTextKey = 13;
}
namespace a5 {
constexpr size_t kVkz = 2, kNumber = 3, kShortText1 = 4, kShortText2 = 5, kUnit = 6, kPriceFlag = 7, kPriceUnit = 8,
                 kPrice = 9, kRebateGroup = 10, kMainGroup = 11, kGroup = 12, kMatchcode = 13, kAltNumber = 15,
                 kMaker = 16, kMakerNumber = 17, kMakerType = 18, kEan = 19, kPacking = 21, kCatalogPage = 22,
                 kTextKey = 24;
}
namespace b4 { // extra article data
constexpr size_t kVkz = 2, kNumber = 3, kMatchcode = 4, kAltNumber = 5, kCatalogPage = 6, kMetalFlag = 7,
                 kMetalBase = 8, kMetalWeight = 9, kEan = 10, kGroup = 12, kPacking = 14;
}
namespace b5 { // delete or renumber
constexpr size_t kVkz = 2, kNumber = 3, kNewNumber = 4;
}
namespace t4 { // two text lines per record
constexpr size_t kTextNo = 3, kLine1 = 5, kText1 = 7, kLine2 = 8, kText2 = 10;
}
namespace t5 {
constexpr size_t kTextNo = 3, kKind = 4, kLine = 5, kText = 6;
}
namespace d4 { // two parts per record: line, kind, block, text
constexpr size_t kNumber = 3, kPart1 = 4, kPart2 = 8;
}
namespace d5 {
constexpr size_t kNumber = 3, kLine = 4, kKind = 5, kText = 6, kBlock = 7;
}
namespace p4 { // up to three blocks: article, price flag, price, three (rebate flag, value)
constexpr size_t kFirstBlock = 3, kBlockSize = 9, kBlocks = 3;
constexpr size_t kNumber = 0, kFlag = 1, kPrice = 2, kRebates = 3; // offsets in a block
} // namespace p4
namespace p5 {
constexpr size_t kNumber = 2, kFlag = 3, kUnit = 4, kPrice = 5, kRebateGroup = 6, kRebates = 7;
}
namespace r4 {
constexpr size_t kGroup = 3; // then flag, value, description
}
namespace r5 {
constexpr size_t kGroup = 2;
}
namespace s4 {
constexpr size_t kMain = 3, kMainText = 4, kGroup = 5, kGroupText = 6;
}
namespace s5 {
constexpr size_t kMain = 2, kGroup = 3, kText = 4;
}
namespace e5 { // end record
constexpr size_t kCount = 2;
}
namespace z { // scale prices and surcharges
constexpr size_t kVkz = 2, kNumber = 3, kStep = 4, kKind = 8, kSign = 9, kUnit = 11, kValue = 12, kFrom = 15;
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

inline std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

inline bool AllDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Largest price in cents taken from a field: far beyond any price, and small enough that
// its value per piece stays exact in 64 bits.
constexpr int64_t kMaxCents = 1'000'000'000'000'000LL;

// Digits with an optional sign; a decimal separator means the writer gave euros, not cents.
// Returns false for anything else, and for an amount beyond kMaxCents.
inline bool ParseCents(std::string_view s, int64_t& cents)
{
    s = Trim(s);
    if (s.empty())
        return false;
    bool neg = false;
    if (s.front() == '-' || s.front() == '+') {
        neg = s.front() == '-';
        s.remove_prefix(1);
    }
    int64_t whole = 0;
    size_t i = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (whole > 100'000'000'000'000LL)
            return false;
        whole = whole * 10 + (s[i] - '0');
    }
    if (i == s.size()) {
        if (whole > kMaxCents)
            return false;
        cents = neg ? -whole : whole;
        return i > 0;
    }
    if (s[i] != ',' && s[i] != '.')
        return false;
    int64_t frac = 0;
    int fracDigits = 0;
    for (++i; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        if (fracDigits < 2)
            frac = frac * 10 + (s[i] - '0');
        ++fracDigits;
    }
    if (fracDigits == 1)
        frac *= 10;
    if (whole * 100 + frac > kMaxCents)
        return false;
    cents = whole * 100 + frac;
    if (neg)
        cents = -cents;
    return true;
}

inline int64_t ParseInt(std::string_view s, int64_t fallback)
{
    s = Trim(s);
    if (!AllDigits(s) || s.size() > 15)
        return fallback;
    int64_t v = 0;
    for (char c : s)
        v = v * 10 + (c - '0');
    return v;
}

// Text numbers are numbers: "0042" in the article and "42" in the text block name the same block.
inline std::string NormalizeKey(std::string_view s)
{
    s = Trim(s);
    if (AllDigits(s)) {
        while (s.size() > 1 && s.front() == '0')
            s.remove_prefix(1);
    }
    return std::string(s);
}

inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

struct TFields {
    std::array<std::string_view, kMaxFields> f;
    size_t n = 0;
    // 1-based field number as in the record descriptions; missing fields are empty.
    std::string_view operator[](size_t i) const { return i >= 1 && i <= n ? f[i - 1] : std::string_view(); }
};

inline void SplitFields(std::string_view line, TFields& out)
{
    // A byte loop: fields are short, a library search per field costs more than it saves.
    out.n = 0;
    const char* p = line.data();
    const char* end = p + line.size();
    const char* start = p;
    for (; p < end; ++p) {
        if (*p == ';') {
            out.f[out.n++] = std::string_view(start, static_cast<size_t>(p - start));
            if (out.n == kMaxFields)
                return;
            start = p + 1;
        }
    }
    if (start < end)
        out.f[out.n++] = std::string_view(start, static_cast<size_t>(end - start));
}

// Calls fn(line) for every non-blank line; CR LF, LF or CR end a line, a DOS end-of-file byte
// and blanks around a line are dropped.
template <class Fn>
void ForEachLine(const char* data, size_t size, Fn&& fn)
{
    const char* p = data;
    const char* end = data + size;
    const bool lf = std::memchr(data, '\n', size) != nullptr;
    const char breakChar = lf ? '\n' : '\r';
    while (p < end) {
        const char* e = static_cast<const char*>(std::memchr(p, breakChar, static_cast<size_t>(end - p)));
        if (!e)
            e = end;
        std::string_view line(p, static_cast<size_t>(e - p));
        while (!line.empty() && (line.back() == '\r' || line.back() == '\x1a' || IsBlank(line.back())))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == '\x1a' || IsBlank(line.front())))
            line.remove_prefix(1);
        if (!line.empty() && !fn(line))
            return;
        p = e + 1;
    }
}

inline std::string_view SkipBom(std::string_view s)
{
    if (s.size() >= 3 && s.substr(0, 3) == "\xEF\xBB\xBF")
        s.remove_prefix(3);
    return s;
}

inline bool IsRecordLetter(char c) { return std::strchr("ABCDEJKPRSTVWZ", c) != nullptr && c != '\0'; }

// Fixed-point text with a decimal comma: scaled / 10^decimals.
inline void FormatFixed(std::string& out, int64_t scaled, int decimals)
{
    out.clear();
    bool neg = scaled < 0;
    uint64_t v = neg ? static_cast<uint64_t>(-(scaled + 1)) + 1 : static_cast<uint64_t>(scaled);
    char buf[40];
    int n = 0;
    for (int d = 0; d < decimals; ++d) {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    buf[n++] = ',';
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    if (neg)
        buf[n++] = '-';
    out.assign(std::string_view(buf, static_cast<size_t>(n)));
    std::reverse(out.begin(), out.end());
}

// Cents for `unit` pieces as euros for one piece: at least 4 decimals, as many as a power-of-ten
// unit needs to stay exact; other units are rounded half up.
inline void FormatPerUnit(std::string& out, int64_t cents, uint32_t unit)
{
    int decimals = 4;
    unsigned __int128 pow = 100; // 10^(decimals - 2)
    while (pow < unit) {
        pow *= 10;
        ++decimals;
    }
    const bool neg = cents < 0;
    const unsigned __int128 c = static_cast<unsigned __int128>(neg ? -cents : cents);
    const unsigned __int128 scaled = (c * pow * 2 + unit) / (2 * static_cast<unsigned __int128>(unit));
    const int64_t s = static_cast<int64_t>(scaled);
    FormatFixed(out, neg ? -s : s, decimals);
}

} // namespace artikel::convert::datanorm
