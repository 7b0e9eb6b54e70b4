#pragma once

// Reads an .xlsx workbook: the sheet that holds the table (ChooseSheet), streamed from the
// archive, so a large sheet needs no more memory than its shared strings. The other sheets with
// data are named in a note.

#include "converter/TConvertSink.h"
#include "converter/TZipExtract.h"

#include <filesystem>

namespace artikel::convert {

class TXlsxReader {
public:
    // Each XML part of the workbook is held to these limits while it is inflated.
    explicit TXlsxReader(TZipLimits limits = DefaultLimits());
    void ReadFile(const std::filesystem::path& file, TConvertSink& sink);

    static TZipLimits DefaultLimits();

private:
    TZipLimits limits_;
};

} // namespace artikel::convert
