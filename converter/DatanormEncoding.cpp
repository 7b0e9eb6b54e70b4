#include "converter/DatanormEncoding.h"

#include "converter/Cp850.h"
#include "platform/Win1252.h"

#include <cstdint>
#include <cstring>

namespace artikel::convert {
namespace {

// Per byte 0x80-0xFF and code page: bits 0-1 the weight (3 umlaut or "ß", 2 a common sign,
// 1 another letter, 0 box drawing, unused or rare), bit 2 a letter, bit 3 "²" or "³".
// Generated from the code page charts.
constexpr uint8_t kWeight850[128] = {
    5, 7, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 5, 5, 7, 5, 5, 5, 5, 5, 7, 5, 5, 5, 5, 7, 7, 2, 0,  2,  2, 5,
    5, 5, 5, 5, 5, 5, 5, 5, 0, 2, 0, 2, 2, 0, 2, 2, 0, 0, 0, 0, 0, 5, 5, 5, 2, 0, 0, 0, 0,  0,  0, 0,
    0, 0, 0, 0, 0, 0, 5, 5, 0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 5, 5, 5, 2, 5, 5, 5, 0, 0, 0, 0,  0,  5, 0,
    5, 7, 5, 5, 5, 5, 2, 5, 5, 5, 5, 5, 5, 5, 0, 2, 0, 2, 0, 2, 0, 2, 0, 0, 2, 0, 2, 0, 10, 10, 0, 2,
};
constexpr uint8_t kWeight1252[128] = {
    2, 0, 0, 5, 2, 0, 0, 0, 5, 0, 5, 0, 5, 0, 5, 0, 0, 2, 2,  2,  2, 2, 2, 2, 0, 2, 5, 0, 5, 0, 5, 5,
    2, 0, 0, 0, 0, 0, 0, 2, 0, 2, 5, 2, 0, 0, 2, 0, 2, 2, 10, 10, 2, 2, 0, 2, 0, 0, 5, 2, 2, 2, 2, 0,
    5, 5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,  5,  5, 5, 7, 2, 2, 5, 5, 5, 7, 5, 5, 7,
    5, 5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,  5,  5, 5, 7, 0, 2, 5, 5, 5, 7, 5, 5, 5,
};

bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Weight of one byte in one code page, given its neighbours.
int Weight(uint8_t w, unsigned char prev, unsigned char next)
{
    const bool letter = (w & 4) != 0;
    // Between letters only a letter makes sense ("f\x81r" is "für", not a sign).
    if ((IsAsciiLetter(prev) || prev >= 0x80) && (IsAsciiLetter(next) || next >= 0x80))
        return letter ? (w & 3) : 0;
    // "mm²", "m³": a superscript right after a unit.
    if ((w & 8) && prev == 'm' && !IsAsciiLetter(next))
        return 3;
    return w & 3;
}

// Length of the valid UTF-8 sequence at s[i] (2 to 4), or 0. C1 controls, overlong forms and
// surrogates do not count: text of a code page does not form them by chance.
size_t Utf8SequenceAt(std::string_view s, size_t i)
{
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    auto cont = [&](size_t k) { return k < s.size() && (b(k) & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF)
        return cont(i + 1) && !(c == 0xC2 && b(i + 1) < 0xA0) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(i + 1) || !cont(i + 2))
            return 0;
        if ((c == 0xE0 && b(i + 1) < 0xA0) || (c == 0xED && b(i + 1) >= 0xA0))
            return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(i + 1) || !cont(i + 2) || !cont(i + 3))
            return 0;
        if ((c == 0xF0 && b(i + 1) < 0x90) || (c == 0xF4 && b(i + 1) >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

struct TLineScan {
    bool high = false; // a byte above 0x7F
    bool utf8 = true; // every such byte is part of a valid UTF-8 sequence
    bool anySequence = false;
    int evidence = 0; // of the bytes outside valid sequences
};

TLineScan ScanLine(std::string_view line)
{
    TLineScan r;
    for (size_t i = 0; i < line.size();) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        r.high = true;
        if (const size_t n = Utf8SequenceAt(line, i)) {
            r.anySequence = true;
            i += n;
            continue;
        }
        r.utf8 = false;
        const unsigned char prev = i ? static_cast<unsigned char>(line[i - 1]) : ' ';
        const unsigned char next = i + 1 < line.size() ? static_cast<unsigned char>(line[i + 1]) : ' ';
        r.evidence += Weight(kWeight850[c - 0x80], prev, next) - Weight(kWeight1252[c - 0x80], prev, next);
        ++i;
    }
    return r;
}

// A line whose own bytes decide its code page.
constexpr int kDecisive = 2;

template <class Fn>
void ForEachRawLine(std::string_view bytes, Fn&& fn)
{
    const char brk = std::memchr(bytes.data(), '\n', bytes.size()) ? '\n' : '\r';
    size_t p = 0;
    while (p < bytes.size()) {
        const void* e = std::memchr(bytes.data() + p, brk, bytes.size() - p);
        const size_t end = e ? static_cast<size_t>(static_cast<const char*>(e) - bytes.data()) : bytes.size();
        fn(bytes.substr(p, end - p), end < bytes.size());
        p = end + 1;
    }
}

bool AnyHighByte(std::string_view s)
{
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        if (w & 0x8080808080808080ull)
            return true;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return true;
    return false;
}

struct TFileScan {
    size_t utf8Lines = 0, cp850Lines = 0, ansiLines = 0, undecided = 0;
    bool sequencesInBadLines = false;
    long long evidence = 0;
};

// Offset of the first byte above 0x7F at or after `from`, or the size.
size_t NextHighByte(std::string_view s, size_t from)
{
    size_t i = from;
    for (; i + 8 <= s.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        if (w & 0x8080808080808080ull)
            break;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return i;
    return s.size();
}

// Only lines with a byte above 0x7F are looked at; the rest is skipped eight bytes at a time.
TFileScan ScanFile(std::string_view bytes)
{
    TFileScan f;
    const char brk = std::memchr(bytes.data(), '\n', bytes.size()) ? '\n' : '\r';
    size_t p = 0; // a line start
    while (p < bytes.size()) {
        const size_t h = NextHighByte(bytes, p);
        if (h == bytes.size())
            break;
        size_t start = h;
        while (start > p && bytes[start - 1] != brk)
            --start;
        const void* e = std::memchr(bytes.data() + h, brk, bytes.size() - h);
        const size_t end = e ? static_cast<size_t>(static_cast<const char*>(e) - bytes.data()) : bytes.size();
        const TLineScan l = ScanLine(bytes.substr(start, end - start));
        p = end + 1;
        if (l.utf8) {
            ++f.utf8Lines;
            continue;
        }
        f.sequencesInBadLines = f.sequencesInBadLines || l.anySequence;
        f.evidence += l.evidence;
        if (l.evidence >= kDecisive)
            ++f.cp850Lines;
        else if (l.evidence <= -kDecisive)
            ++f.ansiLines;
        else
            ++f.undecided;
    }
    return f;
}

} // namespace

int Cp850Evidence(std::string_view text)
{
    int e = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80)
            continue;
        const unsigned char prev = i ? static_cast<unsigned char>(text[i - 1]) : ' ';
        const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : ' ';
        e += Weight(kWeight850[c - 0x80], prev, next) - Weight(kWeight1252[c - 0x80], prev, next);
    }
    return e;
}

ETextEncoding DetectTextEncoding(std::string_view bytes)
{
    if (!AnyHighByte(bytes))
        return ETextEncoding::Ascii;
    if (IsValidUtf8(bytes))
        return ETextEncoding::Utf8;
    const TFileScan f = ScanFile(bytes);
    if (f.utf8Lines == 0 && !f.sequencesInBadLines && (f.cp850Lines == 0 || f.ansiLines == 0))
        return f.evidence >= 0 ? ETextEncoding::Cp850 : ETextEncoding::Win1252;
    return ETextEncoding::Mixed;
}

std::string DecodeMixedLines(std::string_view bytes)
{
    const TFileScan f = ScanFile(bytes);
    // Ties go to CP850, the format's own code page.
    const bool file850 = f.evidence >= 0;
    const char brk = std::memchr(bytes.data(), '\n', bytes.size()) ? '\n' : '\r';
    std::string out;
    out.reserve(bytes.size());
    ForEachRawLine(bytes, [&](std::string_view line, bool broken) {
        const TLineScan l = ScanLine(line);
        const bool cp850 = l.evidence >= kDecisive || (l.evidence > -kDecisive && file850);
        for (size_t i = 0; i < line.size();) {
            const unsigned char c = static_cast<unsigned char>(line[i]);
            if (c < 0x80) {
                out.push_back(static_cast<char>(c));
                ++i;
            } else if (const size_t n = Utf8SequenceAt(line, i)) {
                out += Utf8ToWin1252(line.substr(i, n));
                i += n;
            } else if (l.anySequence && c >= 0xC2 && c <= 0xF4) {
                // A cut sequence in a UTF-8 line: its character is lost, not another one.
                out.push_back('?');
                ++i;
            } else {
                out.push_back(static_cast<char>(cp850 ? kCp850ToWin1252[c] : c));
                ++i;
            }
        }
        if (broken)
            out.push_back(brk);
    });
    return out;
}

} // namespace artikel::convert
