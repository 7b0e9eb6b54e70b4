#pragma once

// The texts of the status line (mini markup, Windows-1252).

#include <string>
#include <string_view>

namespace artikel {

inline constexpr const char* kStatusLoading = "<font color=\"clblue\" /font>Datenbank wird geladen..";
inline constexpr const char* kStatusNoDataSet = "<font color=\"clred\" /font>Dauert etwas l\xE4nger..";

// A count with a separator between groups of three digits ("1.234.567"); an empty separator
// gives the plain digits.
std::string FormatCount(long long value, std::string_view groupSeparator);

// The counts line: total and filtered rows, and the filter in force when there is one (shown as
// typed: markup characters in it are escaped).
std::string StatusCountsText(long long total, long long filtered, std::string_view filterText,
                             std::string_view groupSeparator);

// The digit-group separator of the user's locale, as Windows-1252.
std::string LocaleGroupSeparator();

} // namespace artikel
