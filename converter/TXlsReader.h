#pragma once

// Reads an old Excel workbook (.xls, BIFF) through libfreexl: the first sheet with data, text as
// text, numbers in the general form with a decimal comma, dates as dd.mm.yyyy. Other sheets are
// named in a note.

#include "converter/TConvertSink.h"

#include <filesystem>

namespace artikel::convert {

class TXlsReader {
public:
    void ReadFile(const std::filesystem::path& file, TConvertSink& sink);
};

} // namespace artikel::convert
