#pragma once

// One entry for every source that is a spreadsheet or text: decides by content (Zip container
// with a workbook, OLE compound file, XML spreadsheet, HTML page with a table, else text) and
// runs the matching reader.

#include "converter/TConvertSink.h"

#include <filesystem>

namespace artikel::convert {

enum class TSheetKind { Xlsx, Xls, Text, OtherZip, SpreadsheetMl, Html };

// What the file holds, by its first bytes (and, for a Zip, whether it contains a workbook).
TSheetKind DetectSheetKind(const std::filesystem::path& file);

// Converts an .xlsx/.xls workbook, an XML spreadsheet, an HTML table or a CSV/text file; title
// lines above the table's header row are left out and named in a note. A file named
// "Clipboard" (pasted text) is always read as text, even when it looks like markup.
// A Zip that is no workbook raises EConvertError: unpacking deliveries is the caller's part.
void ReadSpreadsheetOrText(const std::filesystem::path& file, TConvertSink& sink);

} // namespace artikel::convert
