#include "converter/TXlsReader.h"

#include "SheetTestSupport.h"
#include "XlsTestWriter.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

namespace artikel::convert {
namespace {

using sheettest::RecordingSink;
using sheettest::Rows;
using xlstest::XlsCell;
using xlstest::WriteTestXls;

TEST(XlsReader, CellsOfTheFirstSheetWithData) {
    const auto dir = test::MakeTempDir("xls");
    const std::vector<XlsCell> cells = {
        {0, 0, XlsCell::Text, "Artikelnummer"}, {0, 1, XlsCell::Text, "Preis"}, {0, 3, XlsCell::Text, "Datum"},
        {1, 0, XlsCell::Text, "000815"}, {1, 1, XlsCell::Number, "", 12.5}, {1, 3, XlsCell::Date, "", 45000},
        {3, 0, XlsCell::Text, "M\xFC" "ller"}, {3, 1, XlsCell::Rk, "", 42}, {3, 2, XlsCell::Number, "", 4006381333931.0},
    };
    WriteTestXls(dir / "Alt.xls", {{"Leer", {}}, {"Preise", cells}, {"Rest", {{0, 0, XlsCell::Text, "x"}}}});
    RecordingSink sink;
    TXlsReader().ReadFile(dir / "Alt.xls", sink);
    const Rows expected = {
        {"Artikelnummer", "Preis", "", "Datum"},
        {"000815", "12,5", "", "15.03.2023"},
        {"M\xFCller", "42", "4006381333931"},
    };
    EXPECT_EQ(sink.rows, expected);
    ASSERT_EQ(sink.notes.size(), 1u);
    const std::string note = Win1252ToUtf8(sink.notes[0]);
    EXPECT_NE(note.find("„Leer“, „Rest“"), std::string::npos) << note;
}

TEST(XlsReader, BrokenFilesAreReported) {
    const auto dir = test::MakeTempDir("xls");
    test::WriteFileBytes(dir / "Kaputt.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(2000, '\x01'));
    WriteTestXls(dir / "Leer.xls", {{"Tabelle1", {}}});
    const struct {
        const char* file;
        const char* message;
    } cases[] = {{"Kaputt.xls", "keine lesbare Excel-Arbeitsmappe"}, {"Leer.xls", "kein Tabellenblatt mit Daten"}};
    for (const auto& c : cases) {
        RecordingSink sink;
        try {
            TXlsReader().ReadFile(dir / c.file, sink);
            ADD_FAILURE() << c.file;
        } catch (const EConvertError& e) {
            EXPECT_NE(Win1252ToUtf8(e.what()).find(c.message), std::string::npos) << Win1252ToUtf8(e.what());
        }
    }
}

} // namespace
} // namespace artikel::convert
