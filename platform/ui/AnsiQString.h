#pragma once

// Program text is Windows-1252 bytes; widgets speak QString. These two convert at that boundary
// with the program's own code-page table.

#include <QString>

#include <string>
#include <string_view>

namespace artikel {

// Every byte maps to one UTF-16 unit, so the result has the same length as the input.
QString FromAnsi(std::string_view ansi);
// Characters the code page cannot hold (and lone surrogates) become `replacement`.
std::string ToAnsi(QStringView text, char replacement = '?');

} // namespace artikel
