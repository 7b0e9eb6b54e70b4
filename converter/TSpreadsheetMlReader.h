#pragma once

// Reads an XML spreadsheet of the 2003 office format (SpreadsheetML, often saved as .xls or .xml
// by shops and ERP systems): the worksheet that holds the article table (chosen like a
// workbook's sheet), with the number formats of its styles. Other worksheets with data are named
// in a note.

#include "converter/TConvertSink.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace artikel::convert {

class TSpreadsheetMlReader {
public:
    void ReadFile(const std::filesystem::path& file, TConvertSink& sink);
    // The same for the bytes of a file; `shown` is the name used in messages.
    void ReadBytes(std::string_view bytes, const std::string& shown, TConvertSink& sink);

    static constexpr std::size_t kMaxColumns = 1024;
    static constexpr std::size_t kMaxRows = 1048576;
};

// True when the first bytes of a file are those of such an XML spreadsheet.
bool LooksLikeSpreadsheetMl(std::string_view head);

} // namespace artikel::convert
