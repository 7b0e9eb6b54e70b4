// Tables saved as markup with a workbook's extension: HTML pages and XML spreadsheets.

#include "SheetTestSupport.h"
#include "converter/ReadSpreadsheetOrText.h"
#include "converter/THtmlTableReader.h"
#include "converter/TSpreadsheetMlReader.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

namespace artikel::convert {
namespace {

using sheettest::RecordingSink;
using sheettest::Rows;

std::string Utf16Le(const std::string& utf8)
{
    std::string out = "\xFF\xFE";
    for (char16_t c : Win1252ToUtf16(Utf8ToWin1252(utf8))) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

const std::string kXmlHead = "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                             "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">";

TEST(MarkupTables, RecognisedByContentWhateverTheExtension)
{
    const auto dir = test::MakeTempDir("markup");
    const std::string xml = "<?xml version=\"1.0\"?>\r\n" + kXmlHead + "</Workbook>";
    const struct {
        std::string bytes;
        TSheetKind kind;
    } cases[] = {
        {xml, TSheetKind::SpreadsheetMl},
        {"\xEF\xBB\xBF" + xml, TSheetKind::SpreadsheetMl},
        {Utf16Le(xml), TSheetKind::SpreadsheetMl},
        {"  <HTML><BODY><TABLE><TR><TD>1</TD></TR></TABLE>", TSheetKind::Html},
        {"<table><tr><td>1</td></tr></table>", TSheetKind::Html},
        {Utf16Le("<!DOCTYPE html><html><table>"), TSheetKind::Html},
        {"<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><table>", TSheetKind::Html},
        {"<leer>;Nr;Text\r\n1;2;3\r\n", TSheetKind::Text},
        {"Nr;Text\r\n1;<table>\r\n", TSheetKind::Text},
    };
    for (const auto& c : cases) {
        test::WriteFileBytes(dir / "f.xls", c.bytes);
        EXPECT_EQ(static_cast<int>(DetectSheetKind(dir / "f.xls")), static_cast<int>(c.kind)) << c.bytes;
    }
    // Pasted text stays text even when it is markup.
    test::WriteFileBytes(dir / "Clipboard", "<table><tr><td>a</td><td>b</td></tr></table>\r\n");
    RecordingSink sink;
    ReadSpreadsheetOrText(dir / "Clipboard", sink);
    ASSERT_FALSE(sink.rows.empty());
    EXPECT_EQ(sink.rows[0][0], "<table><tr><td>a</td><td>b</td></tr></table>");
}

// A page's encoding: its BOM, its declared charset, else UTF-8 when the bytes are, else
// Windows-1252 (where the euro sign is 0x80).
TEST(MarkupTables, HtmlInEveryEncodingAndEntitiesResolved)
{
    const auto dir = test::MakeTempDir("markup");
    const std::string table =
        "<table><tr><th>Preis &euro;</th><th>B\xC3\xA4r&amp;Co</th></tr>"
        "<tr><td>1,50\xE2\x82\xAC</td><td>&auml;&#223;&#x201E;x&nbsp;&nbsp;y&lt;</td></tr></table>";
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"UTF-8, no charset", "<html><body>" + table},
        {"Windows-1252, no charset", Utf8ToWin1252("<html><body>" + table)},
        {"Windows-1252 declared", "<html><head><meta charset=\"windows-1252\"></head><body>" + Utf8ToWin1252(table)},
        {"UTF-8 declared",
         "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>" + table},
        {"UTF-16 with BOM", Utf16Le("<html>" + table)},
    };
    const Rows expected = {{"Preis \x80", "B\xE4r&Co"}, {"1,50\x80", "\xE4\xDF\x84x y<"}};
    for (const auto& c : cases) {
        test::WriteFileBytes(dir / "p.xls", c.bytes);
        RecordingSink sink;
        try {
            THtmlTableReader().ReadFile(dir / "p.xls", sink);
        } catch (const EConvertError& e) {
            ADD_FAILURE() << c.what << ": " << Win1252ToUtf8(e.what());
        }
        EXPECT_EQ(sink.rows, expected) << c.what;
    }
}

TEST(MarkupTables, HtmlWithoutDataIsRefused)
{
    const auto dir = test::MakeTempDir("markup");
    for (const std::string page : {"<html><body><p>Keine Tabelle</p></body></html>",
                                   "<html><table><tr><td> &nbsp; </td></tr><tr><td></td></tr></table>", "<html>"}) {
        test::WriteFileBytes(dir / "leer.xls", page);
        RecordingSink sink;
        try {
            THtmlTableReader().ReadFile(dir / "leer.xls", sink);
            ADD_FAILURE() << page;
        } catch (const EConvertError& e) {
            EXPECT_NE(Win1252ToUtf8(e.what()).find("enthält keine Tabelle mit Daten"), std::string::npos) << e.what();
        }
    }
}

// Spans keep columns in place; a span far to the right neither widens every row nor costs
// memory per spanned column.
TEST(MarkupTables, HtmlSpansAndHugeSpans)
{
    const auto dir = test::MakeTempDir("markup");
    test::WriteFileBytes(dir / "s.xls",
                         "<table><tr><td rowspan=3>A</td><td colspan=2>B</td><td>C</td></tr>"
                         "<tr><td>D</td><td rowspan=2 colspan=2>E</td></tr><tr><td>F</td><td>G</td></tr>"
                         "<tr><td colspan=999999999>H</td><td colspan=1000></td><td>I</td></tr><tr><td "
                         "rowspan=99999999>J</td><td>K</td></tr></table>");
    RecordingSink sink;
    THtmlTableReader().ReadFile(dir / "s.xls", sink);
    const Rows expected = {{"A", "B", "", "C"}, {"", "D", "E"}, {"", "F", "", "", "G"}, {"H"}, {"J", "K"}};
    EXPECT_EQ(sink.rows, expected);
    ASSERT_EQ(sink.notes.size(), 1u);
    EXPECT_NE(Win1252ToUtf8(sink.notes[0]).find("rechts der Spalte 1024"), std::string::npos);
}

TEST(MarkupTables, SpreadsheetMlEncodingsAndRefusals)
{
    const auto dir = test::MakeTempDir("markup");
    const std::string body = kXmlHead +
        "<Worksheet ss:Name=\"T\xE4gl\"><Table><Row><Cell><Data ss:Type=\"String\">"
        "Gr\xF6\xDF"
        "e \x80</Data></Cell></Row></Table></Worksheet></Workbook>";
    for (const char* encoding : {"windows-1252", "Windows-1252", "ISO-8859-1"}) {
        std::string bytes = "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) + "\"?>" + body;
        if (std::string(encoding) == "ISO-8859-1")
            bytes = bytes.replace(bytes.find('\x80'), 1, "&#8364;");
        test::WriteFileBytes(dir / "x.xls", bytes);
        RecordingSink sink;
        TSpreadsheetMlReader().ReadFile(dir / "x.xls", sink);
        EXPECT_EQ(sink.rows,
                  (Rows{{"Gr\xF6\xDF"
                         "e \x80"}}))
            << encoding;
    }
    const struct {
        std::string bytes;
        const char* message;
    } refused[] = {
        {"<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaa\">]>" + kXmlHead + "</Workbook>", "Dokumenttyp"},
        {kXmlHead +
             "<Worksheet ss:Name=\"A\"><Table><Row><Cell><Data ss:Type=\"String\"></Data></Cell></Row></Table>"
             "</Worksheet></Workbook>",
         "kein Tabellenblatt mit Daten"},
        {kXmlHead + "<Worksheet><Table><Row><Cell>", "beschädigt"},
    };
    for (const auto& c : refused) {
        test::WriteFileBytes(dir / "r.xls", c.bytes);
        RecordingSink sink;
        try {
            TSpreadsheetMlReader().ReadFile(dir / "r.xls", sink);
            ADD_FAILURE() << c.bytes;
        } catch (const EConvertError& e) {
            EXPECT_NE(Win1252ToUtf8(e.what()).find(c.message), std::string::npos) << Win1252ToUtf8(e.what());
        }
    }
}

} // namespace
} // namespace artikel::convert
