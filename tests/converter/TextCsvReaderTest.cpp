#include "SheetTestSupport.h"
#include "converter/TTextCsvReader.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <random>

namespace artikel::convert {
namespace {

using sheettest::RecordingSink;
using sheettest::Rows;

std::string Utf16(const std::u16string& s, bool le, bool bom)
{
    std::string out;
    if (bom)
        out = le ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t u : s) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += le ? lo : hi;
        out += le ? hi : lo;
    }
    return out;
}

std::string Repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

Rows Read(const std::string& bytes)
{
    RecordingSink sink;
    TTextCsvReader("Liste.csv").ReadBytes(bytes, sink);
    return sink.rows;
}

TEST(TextCsvReader, EncodingsAndSeparators)
{
    const struct {
        const char* name;
        std::string bytes;
        Rows rows;
    } cases[] = {
        {"utf8 bom ;",
         "\xEF\xBB\xBFNr;Text\r\n00123;M\xC3\xBCller \xE2\x82\xAC\r\n",
         {{"Nr", "Text"}, {"00123", "M\xFCller \x80"}}},
        {"utf8 no bom ,",
         "Nr,Text\n1,Stra\xC3\x9F"
         "e\n",
         {{"Nr", "Text"},
          {"1",
           "Stra\xDF"
           "e"}}},
        {"utf16le bom tab",
         Utf16(u"Nr\tText\r\n1\t\u00C4rger \u03A9\r\n", true, true),
         {{"Nr", "Text"}, {"1", "\xC4rger ?"}}},
        {"utf16be bom |", Utf16(u"Nr|Text\n2|\u00F6l\n", false, true), {{"Nr", "Text"}, {"2", "\xF6l"}}},
        {"utf16le no bom", Utf16(u"Nr;Text\r\n3;Rohr\r\n", true, false), {{"Nr", "Text"}, {"3", "Rohr"}}},
        {"cp1252", "Nr;Text\r\n4;M\xFCller\r\n", {{"Nr", "Text"}, {"4", "M\xFCller"}}},
        {"decimal commas beside ;",
         "Nr;Preis;Menge\n1;12,50;1,5\n2;3,20;2,0\n",
         {{"Nr", "Preis", "Menge"}, {"1", "12,50", "1,5"}, {"2", "3,20", "2,0"}}},
        {"commas in names", "Name;Nr\nM\xFCller, Hans;12\n", {{"Name", "Nr"}, {"M\xFCller, Hans", "12"}}},
        {"single column", "Rohr\nMuffe\n", {{"Rohr"}, {"Muffe"}}},
        {"utf8 with a stray cp1252 byte",
         "Nr;Text\n1;" + Repeat("\xC3\xA4", 20) + "\n2;M\xFCller\n",
         {{"Nr", "Text"}, {"1", Repeat("\xE4", 20)}, {"2", "M\xFCller"}}},
        {"mostly cp1252",
         "Nr;Text\n1;\xE4\n2;\xF6\n3;\xC3\xA4\n",
         {{"Nr", "Text"}, {"1", "\xE4"}, {"2", "\xF6"}, {"3", "\xC3\xA4"}}},
        {"cp850 umlauts in words",
         "Nr;Text\r\n1;Gr\x94\xE1"
         "e f\x81r \x99lfilter\r\n",
         {{"Nr", "Text"},
          {"1",
           "Gr\xF6\xDF"
           "e f\xFCr \xD6lfilter"}}},
        {"cp850 degree and square",
         "Nr;Text\r\n1;Bogen 90\xF8, 1,5 mm\xFD\r\n",
         {{"Nr", "Text"}, {"1", "Bogen 90\xB0, 1,5 mm\xB2"}}},
        {"cp1252 degree, square, quotes",
         "Nr;Text\r\n1;\x84Profi\x93 90\xB0 mm\xB2\r\n",
         {{"Nr", "Text"}, {"1", "\x84Profi\x93 90\xB0 mm\xB2"}}},
        {"cp1252 umlauts beside quotes",
         "Nr;Text\r\n1;\x84S\xFC\xDF\x93 und \x84T\xFCr\x93\r\n",
         {{"Nr", "Text"}, {"1", "\x84S\xFC\xDF\x93 und \x84T\xFCr\x93"}}},
        {"sep= declares the separator", "sep=,\r\nNr,Text;x\r\n1,a;b\r\n", {{"Nr", "Text;x"}, {"1", "a;b"}}},
        {"quoted sep=", "\"sep=|\"\nA|B,C\n1|2,3\n", {{"A", "B,C"}, {"1", "2,3"}}},
        {"comma and blank", "a, b, c\n1, \"x, y\", 3\n", {{"a", "b", "c"}, {"1", "x, y", "3"}}},
        {"semicolon and blanks", "Nr;  Text\n1;  Rohr\n2;  Muffe\n", {{"Nr", "Text"}, {"1", "Rohr"}, {"2", "Muffe"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.bytes), c.rows) << c.name;
}

TEST(TextCsvReader, QuotingAndLineBreaks)
{
    const struct {
        const char* name;
        std::string bytes;
        Rows rows;
    } cases[] = {
        {"quoted separator, doubled quote, CRLF inside",
         "a;b;c\r\n1;\"x;y\";\"Rohr 1/2\"\" \r\nverzinkt\"\r\n",
         {{"a", "b", "c"}, {"1", "x;y", "Rohr 1/2\" \r\nverzinkt"}}},
        {"CR line ends", "a;b\r1;2\r3;4", {{"a", "b"}, {"1", "2"}, {"3", "4"}}},
        {"mixed line ends, blank lines", "a;b\n\r\n1;2\r\n\n;\n3;4\r", {{"a", "b"}, {"1", "2"}, {"3", "4"}}},
        {"trailing empty fields kept", "a;b;c\n1;;\n", {{"a", "b", "c"}, {"1", "", ""}}},
        {"unclosed quote stays literal", "a;b\n1;\"offen\n2;x\n", {{"a", "b"}, {"1", "\"offen"}, {"2", "x"}}},
        {"NUL bytes dropped, DOS end mark", std::string("a;b\n1;2\0\0\n", 11) + "\x1A", {{"a", "b"}, {"1", "2"}}},
        {"text after closing quote", "a;b\n\"x\"y;2\n", {{"a", "b"}, {"xy", "2"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.bytes), c.rows) << c.name;
}

TEST(TextCsvReader, SeparatorDetection)
{
    const struct {
        const char* text;
        char sep;
    } cases[] = {
        {"a;b;c\n1;2;3\n", ';'},
        {"a,b,c\n1,2,3\n", ','},
        {"a\tb\n1,5\t2,5\n", '\t'},
        {"a|b\n1|2\n", '|'},
        {"\"x;y\",b\n\"1;2\",3\n", ','}, // separators inside quotes do not count
        {"\"a\"\"b;c;d\",e\n\"f\"\"g;h;i\",j\n", ','}, // nor after a doubled quote inside them
        {"Text, mit Komma\nnoch, eins\n", 0}, // commas before blanks are punctuation
        {"nur Text\n", 0},
        {"a;b\nc,d;e\nf;g\n", ';'},
        {"a, b, c\n1, 2, 3\n", ','}, // the same number of ", " on every line is a table
        {"a, b\n1, 2\nx, y\n", ','},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TTextCsvReader::DetectSeparator(c.text), c.sep) << c.text;
}

TEST(TextCsvReader, RefusesWhatIsNoText)
{
    std::mt19937 rng(7);
    std::string junk(4096, '\0');
    for (char& c : junk)
        c = static_cast<char>(rng());
    const std::string manyCells(TTextCsvReader::kMaxCells + 5, ';');
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty", "", "ist leer"},
        {"binary", junk, "keine Textdatei"},
        {"only blank lines", "\r\n\r\n;;\r\n", "keine Daten"},
        {"too many cells", "a\n" + manyCells + "\n", "mehr als 16384 Spalten"},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        try {
            TTextCsvReader("Liste.csv").ReadBytes(c.bytes, sink);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const EConvertError& e) {
            const std::string what = Win1252ToUtf8(e.what());
            EXPECT_NE(what.find("Liste.csv"), std::string::npos) << c.name << ": " << what;
            EXPECT_NE(what.find(c.message), std::string::npos) << c.name << ": " << what;
        }
    }
}

TEST(TextCsvReader, ReadsAFileCalledClipboard)
{
    const auto dir = test::MakeTempDir("clip");
    test::WriteFileBytes(dir / "Clipboard", "Artikel\tPreis\r\n4711\t9,95\r\n");
    RecordingSink sink;
    TTextCsvReader("Clipboard").ReadFile(dir / "Clipboard", sink);
    EXPECT_EQ(sink.rows, (Rows{{"Artikel", "Preis"}, {"4711", "9,95"}}));
}

} // namespace
} // namespace artikel::convert
