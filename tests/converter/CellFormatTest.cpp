#include "converter/TCellFormat.h"

#include <gtest/gtest.h>

namespace artikel::convert {
namespace {

using Kind = TCellFormat::Kind;

TEST(CellFormat, GeneralNumbersLookAsInTheSpreadsheet)
{
    const struct {
        double value;
        const char* shown;
    } cases[] = {
        {12.5, "12,5"},
        {3.0, "3"}, // no spurious ",0"
        {0.1 + 0.2, "0,3"}, // 15 significant digits, as the spreadsheet keeps them
        {4006381333931.0, "4006381333931"}, // an EAN stored as a number: every digit, no exponent
        {123456789012345.0, "123456789012345"},
        {-0.0, "0"},
        {-7.25, "-7,25"},
        {1e20, "100000000000000000000"}, // never an exponent
        {12345678901234567890.0, "12345678901234600000"},
        {78.459999999999994, "78,46"}, // binary noise removed
        {1.5e-12, "0,0000000000015"},
        {0.000125, "0,000125"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatGeneralNumber(c.value), c.shown) << c.value;
}

TEST(CellFormat, FormatCodesAreRecognised)
{
    const struct {
        const char* code;
        Kind kind;
        int decimals;
        int minInt;
        bool seconds;
    } cases[] = {
        {"0.00", Kind::Fixed, 2, 1, false},
        {"#,##0.00 \"\xE2\x82\xAC\"", Kind::Fixed, 2, 1, false},
        {"000000", Kind::Fixed, 0, 6, false},
        {"0.0%", Kind::Percent, 1, 1, false},
        {"dd/mm/yyyy", Kind::Date, 0, 1, false},
        {"[$-407]DD.MM.YYYY", Kind::Date, 0, 1, false},
        {"d.m.yy h:mm:ss", Kind::DateTime, 0, 1, true},
        {"hh:mm", Kind::Time, 0, 1, false},
        {"mmm yyyy", Kind::Date, 0, 1, false},
        {"0.00E+00", Kind::General, 0, 1, false},
        {"General", Kind::General, 0, 1, false},
        {"@", Kind::Text, 0, 1, false},
        {"#,##0.00;[Red]-#,##0.00", Kind::Fixed, 2, 1, false},
        {"\"Datum\" 0", Kind::Fixed, 0, 1, false}, // a quoted word with a "d" is no date
    };
    for (const auto& c : cases) {
        const TCellFormat f = TCellFormat::FromCode(c.code);
        EXPECT_EQ(f.kind, c.kind) << c.code;
        EXPECT_EQ(f.decimals, c.decimals) << c.code;
        EXPECT_EQ(f.minIntDigits, c.minInt) << c.code;
        EXPECT_EQ(f.seconds, c.seconds) << c.code;
    }
    EXPECT_TRUE(TCellFormat::FromCode("[h]:mm:ss").elapsedHours);
    EXPECT_EQ(TCellFormat::FromBuiltinId(14).kind, Kind::Date);
    EXPECT_EQ(TCellFormat::FromBuiltinId(22).kind, Kind::DateTime);
    EXPECT_EQ(TCellFormat::FromBuiltinId(2).decimals, 2);
    EXPECT_EQ(TCellFormat::FromBuiltinId(49).kind, Kind::Text);
}

TEST(CellFormat, FormattedValues)
{
    const struct {
        double value;
        const char* code;
        bool date1904;
        const char* shown;
    } cases[] = {
        {12.5, "0.00", false, "12,50"},
        {1234.5, "#,##0.00", false, "1234,50"}, // no thousands separator: the price stays a number
        {123, "000000", false, "000123"},
        {-0.001, "0.00", false, "-0,001"}, // at least the decimals shown, never fewer digits
        {1.005, "0.00", false, "1,005"},
        {0.0345, "0.00 \"\xE2\x82\xAC\"", false, "0,0345"}, // a price is not rounded to the cents shown
        {0.0345, "#,##0.00 [$\xE2\x82\xAC-407]", false, "0,0345"},
        {1.5, "0.00", false, "1,50"},
        {12.5, "0", false, "12,5"},
        {-12.5, "0", false, "-12,5"},
        {0.004, "0.00", false, "0,004"},
        {123456.789, "#,##0.00", false, "123456,789"},
        {4711, "000000", false, "004711"},
        {0.5, "000", false, "000,5"},
        {0.075, "0.0%", false, "7,5%"},
        {0.155, "0%", false, "15,5%"},
        {0.15, "0.00%", false, "15,00%"},
        {1.0 / 3.0, "0.00", false, "0,333333333333333"},
        {1.5, "@", false, "1,5"},
        {3.75, "[h]:mm:ss", false, "90:00:00"}, // a duration counts whole days as hours
        {45000, "dd.mm.yyyy", false, "15.03.2023"},
        {45000.75, "dd.mm.yyyy hh:mm", false, "15.03.2023 18:00"},
        {1, "dd.mm.yyyy", false, "01.01.1900"},
        {59, "dd.mm.yyyy", false, "28.02.1900"},
        {60, "dd.mm.yyyy", false, "29.02.1900"}, // the leap day 1900 never had, as the spreadsheet shows it
        {61, "dd.mm.yyyy", false, "01.03.1900"},
        {0, "dd.mm.yyyy", true, "01.01.1904"},
        {43538, "dd.mm.yyyy", true, "15.03.2023"},
        {0.5, "hh:mm:ss", false, "12:00:00"},
        {1.25, "[h]:mm", false, "30:00"},
        {45000.99999999, "dd.mm.yyyy hh:mm", false, "16.03.2023 00:00"}, // rounding carries into the day
        {-5, "dd.mm.yyyy", false, "-5"}, // no date before 1900
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatCellNumber(c.value, TCellFormat::FromCode(c.code), c.date1904), c.shown)
            << c.value << " " << c.code;
}

TEST(CellFormat, IsoDates)
{
    EXPECT_EQ(IsoDateToGerman("2024-02-29"), "29.02.2024");
    EXPECT_EQ(IsoDateToGerman("2024-02-29T00:00:00"), "29.02.2024");
    EXPECT_EQ(IsoDateToGerman("2024-02-29T13:45:00"), "29.02.2024 13:45");
    EXPECT_EQ(IsoDateToGerman("2024-02-29 13:45:30"), "29.02.2024 13:45:30");
    EXPECT_EQ(IsoDateToGerman("24-2-29"), "24-2-29");
}

} // namespace
} // namespace artikel::convert
