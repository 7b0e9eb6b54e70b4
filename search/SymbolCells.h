#pragma once

// The symbols the text menu offers for insertion: a text in which every character is one cell,
// except that a text in round brackets such as "(m²)" is one cell of the characters between.

#include <string>
#include <string_view>
#include <vector>

namespace artikel {

inline constexpr const char* kSymbolGridKey = "TSymbolDlg.Grid.XY";
inline constexpr const char* kSymbolCharsKey = "TSymbolDlg.ASCII.Chars";
inline constexpr int kSymbolCellDefault = 30;
inline constexpr int kSymbolCellMin = 20;
inline constexpr int kSymbolCellMax = 50;

// The default symbol text (Windows-1252): typographic signs, currency, fractions, powers, "(m²)"
// and "(m³)".
std::string DefaultSymbolText();

// The cells of a symbol text (Windows-1252). An opening bracket without its closing one is a
// cell of its own; "()" gives no cell.
std::vector<std::string> SymbolCells(std::string_view text);

// The number of grid columns for a symbol text: the square root of its length in characters
// (brackets included), rounded up.
int SymbolColumns(std::string_view text);

} // namespace artikel
