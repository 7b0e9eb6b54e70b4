#pragma once

// The workbook stream of an old Excel file (BIFF5 of Excel 5/95, BIFF8 of Excel 97-2003): the
// worksheets, the shared strings, the number formats and the cells of a sheet, formula results
// included. Every length is checked against the bytes of the stream; a record that claims more
// than is there is cut off, never read past.

#include "converter/TCellFormat.h"
#include "converter/TConvertSink.h"
#include "converter/TXlsxParts.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace artikel::convert {

class TBiffWorkbook {
public:
    // Reads the workbook globals; biff8Hint says the stream was named "Workbook" rather than
    // "Book". Raises EConvertError naming `fileName` for an encrypted or unreadable workbook.
    TBiffWorkbook(std::string fileName, std::string stream, bool biff8Hint);

    struct Sheet {
        std::string name; // Windows-1252
        bool hidden = false;
        std::size_t offset = 0; // of its BOF record in the stream
    };
    // The worksheets in workbook order; chart sheets, macro sheets and modules are left out.
    const std::vector<Sheet>& Sheets() const { return sheets_; }
    // Every sheet name the workbook lists, charts included, in workbook order.
    const std::vector<std::string>& AllSheetNames() const { return allNames_; }
    int BiffVersion() const { return biff8_ ? 8 : 5; }

    // Delivers the non-empty rows of a worksheet, each up to its last value, and returns how
    // many were delivered.
    std::size_t ReadSheet(std::size_t index, TConvertSink& sink);
    // The last sheet read had values right of kMaxColumns; they were left out.
    bool ColumnsDropped() const { return dropped_; }

    static constexpr std::size_t kMaxColumns = 1024;

private:
    struct Cell {
        std::uint32_t row;
        std::uint16_t col;
        std::uint16_t xf;
        std::uint8_t kind;
        std::uint32_t a; // shared string index, or text offset in texts_
        std::uint32_t b; // text length; boolean or error code
        double number;
    };
    void ReadGlobals();
    std::string CellText(const Cell& cell) const;
    std::string ByteText(std::string_view bytes) const;

    std::string fileName_;
    std::string stream_;
    bool biff8_ = true;
    bool date1904_ = false;
    unsigned codePage_ = 1252;
    TStringTable shared_;
    std::vector<TCellFormat> xfFormats_;
    std::vector<Sheet> sheets_;
    std::vector<std::string> allNames_;
    bool dropped_ = false;
    std::string texts_; // inline texts of the sheet being read
};

} // namespace artikel::convert
