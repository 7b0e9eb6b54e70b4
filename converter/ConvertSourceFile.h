#pragma once

// The converter's dispatch: what a source file holds is decided by its content, not its name.

#include "converter/TConvertSink.h"

#include <filesystem>

namespace artikel::convert {

// Converts a DATANORM file (with the rest of its delivery beside it), a Zip holding a DATANORM
// delivery or a single CSV/Excel file, an .xlsx/.xls workbook, or a CSV/text file (the clipboard
// file "Clipboard" included) into header and rows on the sink. Raises EConvertError.
void ConvertSourceFile(const std::filesystem::path& source, TConvertSink& sink);

} // namespace artikel::convert
