#include "SheetTestSupport.h"
#include "XlsTestWriter.h"
#include "converter/TXlsReader.h"
#include "converter/TXlsxReader.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

namespace artikel::convert {
namespace {

using sheettest::RecordingSink;
using sheettest::Rows;
using xlstest::Bytes;
using xlstest::WriteTestXls;
using xlstest::WriteTestXlsBook;
using xlstest::XlsBook;
using xlstest::XlsCell;
using xlstest::XlsSheet;

// The message a reader fails with, as UTF-8; empty when it succeeds.
std::string FailureOf(const std::filesystem::path& file)
{
    RecordingSink sink;
    try {
        TXlsReader().ReadFile(file, sink);
    } catch (const EConvertError& e) {
        return Win1252ToUtf8(e.what());
    }
    return {};
}

std::string Record(unsigned type, const std::string& body)
{
    Bytes b;
    b.Record(type, body);
    return b.data;
}

TEST(XlsReader, CellsOfTheFirstSheetWithData)
{
    const auto dir = test::MakeTempDir("xls");
    const std::vector<XlsCell> cells = {
        {0, 0, XlsCell::Text, "Artikelnummer"},
        {0, 1, XlsCell::Text, "Preis"},
        {0, 3, XlsCell::Text, "Datum"},
        {1, 0, XlsCell::Text, "000815"},
        {1, 1, XlsCell::Number, "", 12.5},
        {1, 3, XlsCell::Date, "", 45000},
        {3, 0, XlsCell::Text,
         "M\xFC"
         "ller"},
        {3, 1, XlsCell::Rk, "", 42},
        {3, 2, XlsCell::Number, "", 4006381333931.0},
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
    // The empty sheet is not worth naming.
    EXPECT_NE(note.find("(„Rest“); übernommen wurde nur das Blatt „Preise“"), std::string::npos) << note;
}

TEST(XlsReader, BrokenFilesAreReported)
{
    const auto dir = test::MakeTempDir("xls");
    test::WriteFileBytes(dir / "Kaputt.xls",
                         std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(2000, '\x01'));
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

// Every kind of cell an office program writes, in both workbook versions: formula results
// (number, text from the following STRING record, boolean, error), rich and plain inline text,
// MULRK runs, booleans and errors; chart sheets and charts embedded in a sheet are passed over.
TEST(XlsReader, CellKindsOfBothVersions)
{
    const auto dir = test::MakeTempDir("xls");
    for (int biff : {8, 5}) {
        Bytes mulrk;
        mulrk.U16(2);
        mulrk.U16(1);
        for (std::uint32_t v : {7u, 8u}) {
            mulrk.U16(15);
            mulrk.U32((v << 2) | 2u);
        }
        mulrk.U16(2);
        Bytes embeddedCell;
        embeddedCell.U16(9);
        embeddedCell.U16(0);
        embeddedCell.U16(15);
        embeddedCell.U32(0);
        XlsSheet data{"Preise",
                      {{0, 0, XlsCell::Label, "Nr"},
                       {0, 1, XlsCell::RString, "Text"},
                       {0, 2, XlsCell::Text, "Summe"},
                       {1, 0, XlsCell::Rk, "", 1},
                       {1, 1, XlsCell::FormulaText, "Schraube \xE4"},
                       {1, 2, XlsCell::FormulaNumber, "", 78.46},
                       {1, 3, XlsCell::FormulaBool, "", 1},
                       {1, 4, XlsCell::FormulaError, "", 0x07},
                       {1, 5, XlsCell::Bool, "", 0},
                       {1, 6, XlsCell::Error, "", 0x2A},
                       {3, 0, XlsCell::FormulaText, ""}},
                      Record(0x00BD, mulrk.data) + Record(0x0809, xlstest::Bof(0x0020, biff)) +
                          Record(0x00FD, embeddedCell.data) + Record(0x000A, "")};
        XlsBook book;
        book.biff = biff;
        book.codePage = biff == 8 ? 0x04B0 : 0x04E4;
        book.sheets = {{"Diagramm", {}, "", 2, 0x0020}, data};
        const auto file = dir / ("biff" + std::to_string(biff) + ".xls");
        WriteTestXlsBook(file, book);
        RecordingSink sink;
        TXlsReader().ReadFile(file, sink);
        const Rows expected = {
            {"Nr", "Text", "Summe"},
            {"1", "Schraube \xE4", "78,46", "WAHR", "#DIV/0!", "FALSCH", "#NV"},
            {"", "7", "8"},
        };
        EXPECT_EQ(sink.rows, expected) << "BIFF" << biff;
        EXPECT_TRUE(sink.notes.empty()) << "BIFF" << biff << ": " << Win1252ToUtf8(sink.notes.at(0));
    }
}

// Shared strings split over CONTINUE records: the characters of a string go on in the next
// record behind a new flags byte (here switching to two-byte characters), while its rich-text
// runs and extension data run on without one.
TEST(XlsReader, SharedStringsAcrossContinueRecords)
{
    const auto dir = test::MakeTempDir("xls");
    Bytes sst;
    sst.U32(3);
    sst.U32(3);
    sst.U16(7);
    sst.U8(0);
    sst.data += "Artikel";
    sst.U16(5);
    sst.U8(0);
    sst.data += "Gr"; // "Größe", cut after "Gr"
    Bytes cont1;
    cont1.U8(1);
    cont1.U16(0xF6);
    cont1.U16(0xDF);
    cont1.U16('e'); // "öße" as UTF-16
    cont1.U16(5);
    cont1.U8(0x0C);
    cont1.U16(2);
    cont1.U32(6);
    cont1.data += "Pr"; // rich, with extension data
    Bytes cont2;
    cont2.U8(0);
    cont2.data += "eis";
    cont2.data += std::string(8, '\x01'); // two runs
    cont2.data += std::string(6, '\x02'); // extension data
    // A string whose characters start exactly at a record boundary still gets its flags byte there.
    cont2.U16(2);
    cont2.U8(0);
    Bytes cont3;
    cont3.U8(1);
    cont3.U16(0x20AC);
    cont3.U16('5');
    XlsBook book;
    book.sst =
        Record(0x00FC, sst.data) + Record(0x003C, cont1.data) + Record(0x003C, cont2.data) + Record(0x003C, cont3.data);
    Bytes cells;
    for (std::uint32_t i = 0; i < 5; ++i) {
        Bytes c;
        c.U16(0);
        c.U16(static_cast<unsigned>(i));
        c.U16(15);
        c.U32(i == 4 ? 99 : i); // index 99 does not exist
        cells.data += Record(0x00FD, c.data);
    }
    book.sheets = {{"Tabelle1", {}, cells.data}};
    WriteTestXlsBook(dir / "sst.xls", book);
    RecordingSink sink;
    TXlsReader().ReadFile(dir / "sst.xls", sink);
    const Rows expected = {{"Artikel",
                            "Gr\xF6\xDF"
                            "e",
                            "Preis",
                            "\x80"
                            "5"}};
    EXPECT_EQ(sink.rows, expected);
}

// Excel 5/95 stores bytes of the workbook's code page; a Macintosh workbook's umlauts differ
// from Windows ones, names of sheets included.
TEST(XlsReader, CodePagesOfExcel5Workbooks)
{
    const auto dir = test::MakeTempDir("xls");
    const struct {
        unsigned codePage;
        std::string text, sheet;
    } cases[] = {
        {0x04E4,
         "M\xFCller Gr\xF6\xDF"
         "e 90\xB0",
         "K\xFC"
         "che"},
        {0x8000,
         "M\x9Fller Gr\x9A\xA7"
         "e 90\xA1",
         "K\x9F"
         "che"}, // Mac Roman as Excel writes it
        {10000,
         "M\x9Fller Gr\x9A\xA7"
         "e 90\xA1",
         "K\x9F"
         "che"},
        {850,
         "M\x81ller Gr\x94\xE1"
         "e 90\xF8",
         "K\x81"
         "che"},
    };
    for (const auto& c : cases) {
        XlsBook book;
        book.biff = 5;
        book.codePage = c.codePage;
        // The note names the sheet taken beside another one with data: its name is decoded too.
        book.sheets = {{"Notiz", {{0, 0, XlsCell::Label, "x"}}},
                       {c.sheet, {{0, 0, XlsCell::Label, c.text}, {0, 1, XlsCell::RString, c.text}}}};
        WriteTestXlsBook(dir / "cp.xls", book);
        RecordingSink sink;
        TXlsReader().ReadFile(dir / "cp.xls", sink);
        const std::string want = "M\xFCller Gr\xF6\xDF"
                                 "e 90\xB0";
        EXPECT_EQ(sink.rows, (Rows{{want, want}})) << c.codePage;
        ASSERT_EQ(sink.notes.size(), 1u);
        EXPECT_NE(sink.notes[0].find("K\xFC"
                                     "che"),
                  std::string::npos)
            << c.codePage << Win1252ToUtf8(sink.notes[0]);
    }
}

// The same values and number formats give the same text as in an .xlsx workbook.
TEST(XlsReader, NumbersReadLikeTheXlsxReader)
{
    const auto dir = test::MakeTempDir("xls");
    const struct {
        double value;
        unsigned formatId;
        std::string code; // custom format; empty for a built-in id
    } cases[] = {
        {4711, 164 + 1, "000000"}, {12.5, 2, ""},
        {0.155, 10, ""},           {45000, 14, ""},
        {45000.5, 22, ""},         {1.5, 0, ""},
        {4006381333931.0, 0, ""},  {-3.25, 4, ""},
        {0.5, 164 + 2, "[h]:mm"},  {1234.5, 164 + 3, "0.00\\ \"\xE2\x82\xAC\""},
    };
    XlsBook book;
    std::vector<sheettest::TestSheet> xlsxSheets;
    std::vector<int> xlsxXf;
    std::vector<std::pair<int, std::string>> xlsxFormats;
    std::string xlsxCells;
    std::vector<XlsCell> cells;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        if (!c.code.empty()) {
            Bytes fmt;
            const std::string code = Utf8ToWin1252(c.code);
            fmt.U16(c.formatId);
            fmt.U16(static_cast<unsigned>(code.size()));
            fmt.U8(0);
            fmt.data += code;
            book.globals += Record(0x041E, fmt.data);
            std::string attr;
            for (char ch : c.code)
                attr += ch == '"' ? std::string("&quot;") : std::string(1, ch);
            xlsxFormats.emplace_back(static_cast<int>(c.formatId), attr);
        }
        book.xfFormats.push_back(c.formatId);
        xlsxXf.push_back(static_cast<int>(c.formatId));
        cells.push_back(
            {0, static_cast<std::uint16_t>(i), XlsCell::Number, "", c.value, static_cast<std::uint16_t>(17 + i)});
        xlsxCells += "<c r=\"" + std::string(1, static_cast<char>('A' + i)) + "1\" s=\"" + std::to_string(i) +
            "\"><v>" + std::to_string(c.value) + "</v></c>";
    }
    book.sheets = {{"Tabelle1", cells}};
    WriteTestXlsBook(dir / "z.xls", book);
    sheettest::WriteTestXlsx(dir / "z.xlsx",
                             {{"Tabelle1", sheettest::SheetXml("<row r=\"1\">" + xlsxCells + "</row>")}}, {}, xlsxXf,
                             xlsxFormats);
    RecordingSink xls, xlsx;
    TXlsReader().ReadFile(dir / "z.xls", xls);
    TXlsxReader().ReadFile(dir / "z.xlsx", xlsx);
    ASSERT_EQ(xls.rows.size(), 1u);
    EXPECT_EQ(xls.rows, xlsx.rows);
    EXPECT_EQ(xls.rows[0][0], "004711");
    EXPECT_EQ(xls.rows[0][3], "15.03.2023");
}

// Streams of at least 4096 bytes live in ordinary sectors, smaller ones in the mini stream.
TEST(XlsReader, LargeAndSmallWorkbookStreams)
{
    const auto dir = test::MakeTempDir("xls");
    for (std::uint16_t rows : {2, 3000}) {
        std::vector<XlsCell> cells;
        for (std::uint16_t r = 0; r < rows; ++r)
            cells.push_back({r, 1, XlsCell::Number, "", r + 0.5});
        WriteTestXls(dir / "n.xls", {{"Zahlen", cells}});
        RecordingSink sink;
        TXlsReader().ReadFile(dir / "n.xls", sink);
        ASSERT_EQ(sink.rows.size(), rows);
        EXPECT_EQ(sink.rows.back(), (std::vector<std::string>{"", std::to_string(rows - 1) + ",5"}));
    }
}

// Broken or hostile compound files and workbooks end in a clear message, never in a crash or
// a loop: sector chains that loop or leave the file, sizes beyond the file, encryption.
TEST(XlsReader, HostileFilesAreRefused)
{
    const auto dir = test::MakeTempDir("xls");
    std::vector<XlsCell> many;
    for (std::uint16_t r = 0; r < 1000; ++r)
        many.push_back({r, 0, XlsCell::Number, "", 1});
    XlsBook big;
    big.sheets = {{"Tabelle1", many}};
    const std::string good = xlstest::CompoundFile(xlstest::WorkbookStream(big), "Workbook");
    auto patched = [&](std::size_t offset, std::uint32_t value) {
        std::string b = good;
        for (int i = 0; i < 4; ++i)
            b[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        return b;
    };
    const std::size_t fat = 512, dir0 = 1024;
    XlsBook encrypted;
    encrypted.globals = Record(0x002F, std::string(54, '\x01'));
    encrypted.sheets = {{"Tabelle1", {{0, 0, XlsCell::Number, "", 1}}}};
    XlsBook old;
    old.sheets = {{"Tabelle1", {{0, 0, XlsCell::Number, "", 1}}}};
    std::string biff2 = xlstest::WorkbookStream(old);
    biff2[1] = 0x00; // BOF of Excel 2
    // The FAT's sector listed in a DIFAT sector at the end instead of in the header.
    std::string difat = good;
    const auto difatSector = static_cast<std::uint32_t>(difat.size() / 512 - 1);
    for (std::size_t i = 0x4C; i < 512; ++i)
        difat[i] = '\xFF';
    Bytes difatBody;
    difatBody.U32(0);
    while (difatBody.data.size() < 508)
        difatBody.U32(0xFFFFFFFF);
    difatBody.U32(0xFFFFFFFE);
    difat += difatBody.data;
    auto put = [](std::string& b, std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            b[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    };
    put(difat, 0x44, difatSector);
    put(difat, 0x48, 1);
    std::string difatLoop = difat;
    put(difatLoop, 512 + std::size_t{difatSector} * 512, 0xFFFFFFFF); // lists no FAT sector, then itself
    put(difatLoop, 512 + std::size_t{difatSector} * 512 + 508, difatSector);
    const struct {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"FAT listed in a DIFAT sector", difat, ""},
        {"DIFAT chain loops", difatLoop, "beschädigt"},
        {"stream chain loops", patched(fat + 4 * 5, 3), "beschädigt"},
        {"stream chain leaves the file", patched(fat + 4 * 5, 100000), "beschädigt"},
        {"directory beyond the file", patched(0x30, 70000), "beschädigt"},
        {"FAT sector beyond the file", patched(0x4C, 70000), "beschädigt"},
        {"cut off", good.substr(0, 700), "beschädigt"},
        {"huge declared stream size", patched(dir0 + 128 + 0x78, 0xFFFFFF00), ""},
        {"bad byte order mark", patched(0x1C, 0x0009FFFF), "beschädigt"},
        {"encrypted", xlstest::CompoundFile(xlstest::WorkbookStream(encrypted), "Workbook"),
         "verschlüsselt oder kennwortgeschützt"},
        {"encrypted xlsx", xlstest::CompoundFile(std::string(5000, 'x'), "EncryptedPackage"),
         "verschlüsselt oder kennwortgeschützt"},
        {"other document", xlstest::CompoundFile(std::string(5000, 'x'), "WordDocument"),
         "keine lesbare Excel-Arbeitsmappe"},
        {"Excel 2", xlstest::CompoundFile(biff2, "Workbook"), "vor Excel 5"},
    };
    for (const auto& c : cases) {
        test::WriteFileBytes(dir / "h.xls", c.bytes);
        const std::string message = FailureOf(dir / "h.xls");
        if (*c.message)
            EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
        else
            EXPECT_EQ(message, "") << c.what; // the stream simply ends where its chain ends
    }
}

} // namespace
} // namespace artikel::convert
