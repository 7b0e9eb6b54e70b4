#pragma once

// Reads an old Excel workbook (.xls: BIFF5 or BIFF8 in an OLE2 compound file): the worksheet that
// holds the table (ChooseSheet; chart sheets are no candidates), text as text, numbers and
// formula results as their number format shows them. The other sheets with data are named in a
// note.

#include "converter/TConvertSink.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace artikel::convert {

class TXlsReader {
public:
    void ReadFile(const std::filesystem::path& file, TConvertSink& sink);
    // The same for the bytes of a file; `shown` is the name used in messages.
    void ReadBytes(std::string_view bytes, const std::string& shown, TConvertSink& sink);
};

} // namespace artikel::convert
