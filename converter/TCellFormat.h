#pragma once

// How a spreadsheet cell's number is shown in the CSV: the way a German user sees it in the
// spreadsheet program (decimal comma, dates as dd.mm.yyyy, no spurious ".0", no exponent for
// article numbers and EANs stored as numbers).

#include <cstdint>
#include <string>
#include <string_view>

namespace artikel::convert {

struct TCellFormat {
    enum class Kind : std::uint8_t { General, Fixed, Percent, Date, Time, DateTime, Text };
    Kind kind = Kind::General;
    int decimals = 0;        // Fixed, Percent: digits after the comma
    int minIntDigits = 1;    // Fixed: zero padding of the integer part ("000000" article numbers)
    bool seconds = false;    // Time, DateTime: show seconds
    bool elapsedHours = false; // Time: "[h]" hours beyond 24

    // The format of a built-in number format id of the spreadsheet file formats.
    static TCellFormat FromBuiltinId(int id);
    // The format described by a format code such as "0.00", "000000", "dd/mm/yyyy hh:mm".
    static TCellFormat FromCode(std::string_view code);
};

// Shortest form of up to 15 significant digits with a decimal comma, never an exponent for
// magnitudes below 1e15.
std::string FormatGeneralNumber(double value);
// The value as the format shows it; date1904 selects the 1904 date system.
std::string FormatCellNumber(double value, const TCellFormat& format, bool date1904);
// dd.mm.yyyy [hh:mm[:ss]] of a spreadsheet serial date; empty when out of range.
std::string FormatSerialDate(double serial, bool withTime, bool seconds, bool date1904);
// "YYYY-MM-DD[THH:MM[:SS]]" (ISO 8601 as spreadsheet files write it) -> dd.mm.yyyy [hh:mm[:ss]];
// the text unchanged when it is not such a date.
std::string IsoDateToGerman(std::string_view iso);

} // namespace artikel::convert
