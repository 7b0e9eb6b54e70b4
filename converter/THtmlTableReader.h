#pragma once

// Reads the table of an HTML page (shops and ERP systems save such pages with the extension .xls):
// the first table with data, each cell's text with entities resolved and blanks collapsed, cells
// spanning several columns or rows kept in their columns. Parsed with libxml2's HTML parser.

#include "converter/TConvertSink.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace artikel::convert {

class THtmlTableReader {
public:
    void ReadFile(const std::filesystem::path& file, TConvertSink& sink);
    // The same for the bytes of a file; `shown` is the name used in messages.
    void ReadBytes(std::string_view bytes, const std::string& shown, TConvertSink& sink);

    static constexpr std::size_t kMaxColumns = 1024;
    static constexpr std::size_t kMaxRows = 1048576;
    static constexpr std::size_t kMaxCellText = 1 << 20;
};

// True when the first bytes of a file are those of an HTML page with a table.
bool LooksLikeHtmlTable(std::string_view head);

} // namespace artikel::convert
