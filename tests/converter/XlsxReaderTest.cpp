#include "SheetTestSupport.h"
#include "converter/TXlsxParts.h"
#include "converter/TXlsxReader.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

namespace artikel::convert {
namespace {

using sheettest::RecordingSink;
using sheettest::Rows;
using sheettest::SheetXml;
using sheettest::WriteTestXlsx;

std::string ErrorOf(const std::filesystem::path& file, const TZipLimits& limits = TXlsxReader::DefaultLimits())
{
    RecordingSink sink;
    try {
        TXlsxReader(limits).ReadFile(file, sink);
    } catch (const EConvertError& e) {
        return Win1252ToUtf8(e.what());
    }
    return "no error";
}

// Cell styles of the test workbook: 0 general, 1 built-in date, 2 custom date-time,
// 3 two decimals, 4 zero-padded article number, 5 text.
const std::vector<int> kXfs = {0, 14, 164, 2, 165, 49};
const std::vector<std::pair<int, std::string>> kCustom = {{164, "dd/mm/yyyy\\ hh:mm"}, {165, "000000"}};

TEST(XlsxReader, CellsAsTheUserSeesThem)
{
    const auto dir = test::MakeTempDir("xlsx");
    const std::string data =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>"
        "<c r=\"D1\" t=\"inlineStr\"><is><t>Datum</t></is></c><c r=\"E1\" "
        "t=\"str\"><f>\"Men\"&amp;\"ge\"</f><v>Menge</v></c></row>"
        // leading zeros as text, EAN as a number, a date, a price with two decimals, a plain number
        "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>3</v></c><c r=\"B2\"><v>4006381333931</v></c><c r=\"C2\" "
        "s=\"3\"><v>12.5</v></c>"
        "<c r=\"D2\" s=\"1\"><v>45000</v></c><c r=\"E2\"><v>3.0</v></c></row>"
        // gaps keep their column; a number shown zero-padded; rich text; escapes; booleans, errors
        "<row r=\"4\"><c r=\"A4\" s=\"4\"><v>4711</v></c><c r=\"C4\" t=\"s\"><v>4</v></c><c r=\"E4\" "
        "t=\"b\"><v>1</v></c></row>"
        "<row r=\"5\"><c r=\"A5\" t=\"inlineStr\"><is><r><t>Rohr </t></r><r><rPr><b/></rPr><t "
        "xml:space=\"preserve\">1/2\" </t></r>"
        "<rPh><t>x</t></rPh></is></c><c r=\"B5\" t=\"e\"><v>#N/A</v></c><c r=\"D5\" s=\"2\"><v>45000.5</v></c>"
        "<c r=\"E5\" t=\"s\"><v>5</v></c></row>"
        // cells without a reference follow the one before; an empty styled cell ends nothing
        "<row><c t=\"s\"><v>6</v></c><c s=\"5\"><v>0.1</v></c><c s=\"3\"/></row>"
        "<row r=\"8\"><c r=\"B8\" s=\"3\"/></row>"
        "<row r=\"9\"><c r=\"C9\"><is><t>ohne t</t></is></c></row>";
    WriteTestXlsx(dir / "Preise.xlsx", {{"Artikel", SheetXml(data)}},
                  {"<t>Artikelnummer</t>", "<t>EAN</t>", "<t>Preis</t>", "<t>00012345</t>",
                   "<r><t>Stra</t></r><r><t>\xC3\x9F"
                   "e</t></r>",
                   "<t>Zeile_x000D_\nzwei</t>", "<t>ohne r</t>"},
                  kXfs, kCustom);
    RecordingSink sink;
    TXlsxReader().ReadFile(dir / "Preise.xlsx", sink);
    const Rows expected = {
        {"Artikelnummer", "EAN", "Preis", "Datum", "Menge"},
        {"00012345", "4006381333931", "12,50", "15.03.2023", "3"},
        {"004711", "",
         "Stra\xDF"
         "e",
         "", "WAHR"},
        {"Rohr 1/2\" ", "#NV", "", "15.03.2023 12:00", "Zeile\r\nzwei"},
        {"ohne r", "0,1"},
        {"", "", "ohne t"},
    };
    EXPECT_EQ(sink.rows, expected);
    EXPECT_TRUE(sink.notes.empty());
}

TEST(XlsxReader, FirstSheetWithDataAndTheOthersNamed)
{
    const auto dir = test::MakeTempDir("xlsx");
    const std::string empty = SheetXml("<row r=\"1\"><c r=\"A1\" s=\"3\"/></row>");
    const std::string hiddenData =
        SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>versteckt</t></is></c></row>");
    const std::string data = SheetXml("<row r=\"3\"><c r=\"B3\" t=\"inlineStr\"><is><t>Nr</t></is></c></row>"
                                      "<row r=\"4\"><c r=\"B4\"><v>7</v></c></row>");
    WriteTestXlsx(dir / "Mappe.xlsx",
                  {{"Hinweise", hiddenData, true}, {"Leer", empty}, {"Daten", data}, {"Rest", data}}, {}, kXfs,
                  kCustom);
    RecordingSink sink;
    TXlsxReader().ReadFile(dir / "Mappe.xlsx", sink);
    EXPECT_EQ(sink.rows, (Rows{{"", "Nr"}, {"", "7"}}));
    ASSERT_EQ(sink.notes.size(), 1u);
    const std::string note = Win1252ToUtf8(sink.notes[0]);
    // The empty sheet before is not mentioned; the hidden one and the one after are.
    EXPECT_NE(note.find("(„Hinweise“, „Rest“)"), std::string::npos) << note;
    EXPECT_NE(note.find("Blatt „Daten“"), std::string::npos) << note;

    // Only a hidden sheet holds data: it is taken rather than failing.
    WriteTestXlsx(dir / "Versteckt.xlsx", {{"Leer", empty}, {"Hinweise", hiddenData, true}}, {}, kXfs, kCustom);
    RecordingSink hidden;
    TXlsxReader().ReadFile(dir / "Versteckt.xlsx", hidden);
    EXPECT_EQ(hidden.rows, (Rows{{"versteckt"}}));
}

TEST(XlsxReader, Date1904System)
{
    const auto dir = test::MakeTempDir("xlsx");
    WriteTestXlsx(dir / "Mac.xlsx", {{"T", SheetXml("<row><c s=\"1\"><v>43538</v></c></row>")}}, {}, kXfs, kCustom,
                  true);
    RecordingSink sink;
    TXlsxReader().ReadFile(dir / "Mac.xlsx", sink);
    EXPECT_EQ(sink.rows, (Rows{{"15.03.2023"}}));
}

TEST(XlsxReader, BrokenAndHostileWorkbooks)
{
    const auto dir = test::MakeTempDir("xlsx");
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;\">]>"
        "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>&lol2;</t></is></c></row></sheetData></worksheet>";
    WriteTestXlsx(dir / "Entity.xlsx", {{"T", laughs}});
    EXPECT_NE(ErrorOf(dir / "Entity.xlsx").find("DTD"), std::string::npos);

    WriteTestXlsx(dir / "Kaputt.xlsx", {{"T", SheetXml("<row><c><v>1</v></row>")}});
    EXPECT_NE(ErrorOf(dir / "Kaputt.xlsx").find("XML-Fehler"), std::string::npos);

    WriteTestXlsx(dir / "Leer.xlsx", {{"T", SheetXml("")}});
    EXPECT_NE(ErrorOf(dir / "Leer.xlsx").find("kein Tabellenblatt mit Daten"), std::string::npos);

    test::WriteFileBytes(dir / "Text.xlsx", "Nr;Text\r\n");
    EXPECT_NE(ErrorOf(dir / "Text.xlsx").find("keine lesbare Excel-Arbeitsmappe"), std::string::npos);

    {
        TZipWriter zip(dir / "OhneMappe.xlsx");
        zip.Add("docProps/app.xml", "<x/>");
        zip.Close();
    }
    EXPECT_NE(ErrorOf(dir / "OhneMappe.xlsx").find("fehlt"), std::string::npos);
    {
        TZipWriter zip(dir / "Binaer.xlsb");
        zip.Add("[Content_Types].xml", "<Types/>");
        zip.Add("xl/workbook.bin", "\x83\x01");
        zip.Close();
        TZipWriter ods(dir / "Tabelle.ods");
        ods.Add("mimetype", "application/vnd.oasis.opendocument.spreadsheet", false);
        ods.Add("content.xml", "<office:document-content/>");
        ods.Close();
    }
    EXPECT_NE(ErrorOf(dir / "Binaer.xlsb").find(".xlsb"), std::string::npos);
    EXPECT_NE(ErrorOf(dir / "Tabelle.ods").find("OpenDocument"), std::string::npos);

    // A sheet that inflates far beyond its packed size.
    const std::string padded = SheetXml("<row><c><v>1</v></c></row>" + std::string(4 << 20, ' '));
    WriteTestXlsx(dir / "Bombe.xlsx", {{"T", padded}});
    TZipLimits tight = TXlsxReader::DefaultLimits();
    tight.ratioFromBytes = 1 << 20;
    tight.maxRatio = 50;
    EXPECT_NE(ErrorOf(dir / "Bombe.xlsx", tight).find("Zip-Bombe"), std::string::npos);
    tight = TXlsxReader::DefaultLimits();
    tight.maxEntryBytes = 1 << 20;
    EXPECT_NE(ErrorOf(dir / "Bombe.xlsx", tight).find("Zip-Bombe"), std::string::npos);
    EXPECT_EQ(ErrorOf(dir / "Bombe.xlsx"), "no error"); // within the normal limits
}

TEST(XlsxSheetParser, ChunkBoundariesDoNotMatter)
{
    TStringTable shared;
    shared.Add("Rohr");
    shared.Add("Muffe \xE4");
    const std::vector<TCellFormat> formats = {TCellFormat{}, TCellFormat::FromBuiltinId(14)};
    const std::string xml =
        SheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"C1\" t=\"s\"><v>1</v></c></row>"
                 "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>45000</v></c><c r=\"B2\" t=\"s\"><v>99</v></c>"
                 "<c r=\"C2\" t=\"inlineStr\"><is><t>&lt;&amp;&#228;</t></is></c></row>");
    const Rows expected = {{"Rohr", "", "Muffe \xE4"}, {"15.03.2023", "", "<&\xE4"}};
    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, xml.size()}) {
        RecordingSink sink;
        TXlsxSheetParser parser("Mappe.xlsx", shared, formats, false, sink);
        for (std::size_t pos = 0; pos < xml.size(); pos += chunk)
            parser.Feed(xml.data() + pos, std::min(chunk, xml.size() - pos), false);
        parser.Feed(nullptr, 0, true);
        EXPECT_EQ(sink.rows, expected) << chunk;
        EXPECT_EQ(parser.RowsDelivered(), 2u);
    }
}

} // namespace
} // namespace artikel::convert

namespace artikel::convert {
namespace {

TEST(XlsxReader, FarRightValuesAreDroppedWithANote)
{
    const auto dir = test::MakeTempDir("xlsx");
    WriteTestXlsx(dir / "Breit.xlsx",
                  {{"T",
                    SheetXml("<row><c r=\"A1\"><v>1</v></c><c r=\"AMJ1\"><v>2</v></c>"
                             "<c r=\"AMK1\"><v>3</v></c><c r=\"XFD1\"><v>4</v></c></row>")}});
    RecordingSink sink;
    TXlsxReader().ReadFile(dir / "Breit.xlsx", sink);
    ASSERT_EQ(sink.rows.size(), 1u);
    ASSERT_EQ(sink.rows[0].size(), TXlsxSheetParser::kMaxColumns); // AMJ is column 1024
    EXPECT_EQ(sink.rows[0].front(), "1");
    EXPECT_EQ(sink.rows[0].back(), "2");
    ASSERT_EQ(sink.notes.size(), 1u);
    EXPECT_NE(sink.notes[0].find("Spalte 1024"), std::string::npos) << sink.notes[0];
}

TEST(XlsxSheetParser, NumberCellsInTheGeneralForm)
{
    const struct {
        const char* v;
        const char* shown;
    } cases[] = {
        {"12.50", "12,5"},
        {"100", "100"},
        {"-0.0", "0"},
        {"0.5", "0,5"},
        {"-3.25", "-3,25"},
        {"0.30000000000000004", "0,3"},
        {"1E-3", "0,001"},
        {"4.0063813339310E12", "4006381333931"},
        {"1234567890123456789", "1234567890123460000"},
        {"78.459999999999994", "78,46"},
        {"007", "7"},
        {"abc", "abc"},
    };
    const TStringTable shared;
    const std::vector<TCellFormat> formats = {TCellFormat{}};
    for (const auto& c : cases) {
        RecordingSink sink;
        TXlsxSheetParser parser("Mappe.xlsx", shared, formats, false, sink);
        const std::string xml = SheetXml(std::string("<row><c><v>") + c.v + "</v></c></row>");
        parser.Feed(xml.data(), xml.size(), true);
        EXPECT_EQ(sink.rows, (Rows{{c.shown}})) << c.v;
    }
}

} // namespace
} // namespace artikel::convert
