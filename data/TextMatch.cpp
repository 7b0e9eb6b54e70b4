#include "data/TextMatch.h"

#include "platform/Win1252.h"

#include <array>
#include <cstring>

namespace artikel {

namespace {

constexpr std::array<unsigned char, 256> MakeSortFold()
{
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    for (int i = 'A'; i <= 'Z'; ++i)
        t[static_cast<size_t>(i)] = static_cast<unsigned char>(i + 32);
    for (int i = 0xC0; i <= 0xDE; ++i)
        if (i != 0xD7)
            t[static_cast<size_t>(i)] = static_cast<unsigned char>(i + 32);
    t[0x8A] = 0x9A; // Š
    t[0x8C] = 0x9C; // Œ
    t[0x8E] = 0x9E; // Ž
    t[0x9F] = 0xFF; // Ÿ
    for (unsigned char& c : t) {
        if (c == 0xFC) // ü
            c = 'u';
        else if (c == 0xF6) // ö
            c = 'o';
        else if (c == 0xE4) // ä
            c = 'a';
    }
    return t;
}

// Does `seg` (no "*") match `text` at `at`, which has room for it?
inline bool SegmentAt(std::string_view text, size_t at, std::string_view seg)
{
    for (size_t i = 0; i < seg.size(); ++i) {
        const unsigned char p = static_cast<unsigned char>(seg[i]);
        if (p == '?')
            continue;
        if (kAnsiUpper[p] != kAnsiUpper[static_cast<unsigned char>(text[at + i])])
            return false;
    }
    return true;
}

} // namespace

constexpr std::array<unsigned char, 256> kSortFoldTable = MakeSortFold();
const std::array<unsigned char, 256> kSortFold = kSortFoldTable;

int SortTextCompare(std::string_view a, std::string_view b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    const unsigned char* pa = reinterpret_cast<const unsigned char*>(a.data());
    const unsigned char* pb = reinterpret_cast<const unsigned char*>(b.data());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = kSortFoldTable[pa[i]];
        const unsigned char y = kSortFoldTable[pb[i]];
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool GlobMatch(std::string_view text, std::string_view pattern)
{
    const size_t firstStar = pattern.find('*');
    if (firstStar == std::string_view::npos)
        return text.size() == pattern.size() && SegmentAt(text, 0, pattern);

    // The text before the first star anchors at the start, the text after the last at the end;
    // each segment between stars takes its leftmost place, which is never worse than a later one.
    const std::string_view head = pattern.substr(0, firstStar);
    const size_t lastStar = pattern.rfind('*');
    const std::string_view tail = pattern.substr(lastStar + 1);
    if (head.size() + tail.size() > text.size())
        return false;
    if (!SegmentAt(text, 0, head) || !SegmentAt(text, text.size() - tail.size(), tail))
        return false;

    size_t pos = head.size();
    const size_t limit = text.size() - tail.size();
    size_t segStart = firstStar + 1;
    while (segStart < lastStar) {
        size_t segEnd = pattern.find('*', segStart);
        const std::string_view seg = pattern.substr(segStart, segEnd - segStart);
        segStart = segEnd + 1;
        if (seg.empty())
            continue;
        bool found = false;
        while (pos + seg.size() <= limit) {
            if (SegmentAt(text, pos, seg)) {
                found = true;
                break;
            }
            ++pos;
        }
        if (!found)
            return false;
        pos += seg.size();
    }
    return true;
}

} // namespace artikel
