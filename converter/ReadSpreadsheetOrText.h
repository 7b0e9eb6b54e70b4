#pragma once

// One entry for every source that is a spreadsheet or text: decides by content (Zip container
// with a workbook, OLE compound file, else text) and runs the matching reader.

#include "converter/TConvertSink.h"

#include <filesystem>

namespace artikel::convert {

enum class TSheetKind { Xlsx, Xls, Text, OtherZip };

// What the file holds, by its first bytes (and, for a Zip, whether it contains a workbook).
TSheetKind DetectSheetKind(const std::filesystem::path& file);

// Converts an .xlsx/.xls workbook or a CSV/text file (a file named "Clipboard" included); title
// lines above the table's header row are left out and named in a note.
// A Zip that is no workbook raises EConvertError: unpacking deliveries is the caller's part.
void ReadSpreadsheetOrText(const std::filesystem::path& file, TConvertSink& sink);

} // namespace artikel::convert
