#pragma once

// How a spreadsheet cell's number is written to the CSV, the same for every workbook format. The
// CSV becomes the database, so no digit is dropped: a number keeps its value to the 15 significant
// digits the spreadsheet holds (binary noise removed), with a decimal comma, no thousands
// separator and never an exponent, and shows at least the decimals of its format ("0.00": 1.5 ->
// "1,50", 0.0345 -> "0,0345"). Zero-padded formats keep their padding ("004711"), percent is the
// value times 100 with "%", currency symbols and other literal text of a format are left out,
// dates and times look as a German spreadsheet shows them.

#include <cstdint>
#include <string>
#include <string_view>

namespace artikel::convert {

struct TCellFormat {
    enum class Kind : std::uint8_t { General, Fixed, Percent, Date, Time, DateTime, Text };
    Kind kind = Kind::General;
    int decimals = 0; // Fixed, Percent: digits after the comma
    int minIntDigits = 1; // Fixed: zero padding of the integer part ("000000" article numbers)
    bool seconds = false; // Time, DateTime: show seconds
    bool elapsedHours = false; // Time: "[h]" hours beyond 24

    // The format of a built-in number format id of the spreadsheet file formats.
    static TCellFormat FromBuiltinId(int id);
    // The format described by a format code such as "0.00", "000000", "dd/mm/yyyy hh:mm".
    static TCellFormat FromCode(std::string_view code);
};

// Shortest form of up to 15 significant digits with a decimal comma, never an exponent.
std::string FormatGeneralNumber(double value);
// The value as the format shows it; date1904 selects the 1904 date system.
std::string FormatCellNumber(double value, const TCellFormat& format, bool date1904);
// dd.mm.yyyy [hh:mm[:ss]] of a spreadsheet serial date; empty when out of range.
std::string FormatSerialDate(double serial, bool withTime, bool seconds, bool date1904);
// "YYYY-MM-DD[THH:MM[:SS]]" (ISO 8601 as spreadsheet files write it) -> dd.mm.yyyy [hh:mm[:ss]];
// the text unchanged when it is not such a date.
std::string IsoDateToGerman(std::string_view iso);

} // namespace artikel::convert
