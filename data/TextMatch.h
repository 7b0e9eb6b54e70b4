#pragma once

// The comparison rules of filtering and sorting (Windows-1252 text).

#include <array>
#include <string_view>

namespace artikel {

// Byte mapping of the sort: lower case, then "ü" "ö" "ä" folded to "u" "o" "a".
extern const std::array<unsigned char, 256> kSortFold;

// < 0, 0, > 0: bytes compared after kSortFold; on a common prefix the shorter text comes first.
int SortTextCompare(std::string_view a, std::string_view b);

// Whole-text wildcard match: "*" any run (also none), "?" exactly one character, every other
// character equal after the Windows-1252 upper-case mapping.
bool GlobMatch(std::string_view text, std::string_view pattern);

} // namespace artikel
