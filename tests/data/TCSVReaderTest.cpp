// Dialect detection, the tokenizer's line and quote rules, unquoting and quoting.

#include "data/TCSVReader.h"

#include "data/TFastMemoryStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace artikel {
namespace {

using Lines = std::vector<std::vector<std::string>>;

// Reads like the dataset does: First, then Next until Eof; each line's fields unquoted.
Lines ReadAll(const std::string& data, char sep, const std::string& lineBreak)
{
    TCSVReader reader(data, sep);
    if (lineBreak.size() == 1) {
        reader.SetLineEnd(lineBreak[0]);
        reader.SetLineBreakLength(1);
    }
    Lines lines;
    for (reader.First(); !reader.Eof(); reader.Next()) {
        std::vector<std::string> fields;
        for (int i = 0; i < reader.FieldCount(); ++i)
            fields.push_back(reader.Field(i));
        lines.push_back(fields);
    }
    return lines;
}

struct DetectCase {
    const char* name;
    std::string sample;
    char separator;
    std::string lineBreak;
};

TEST(DetectCSVOptions, PicksSeparatorAndLineBreak)
{
    const std::vector<DetectCase> cases = {
        {"semicolons", "a;b;c\r\n1;2;3\r\n", ';', "\r\n"},
        {"commas after blanks are prose", "M\xFCller, Hans;12\n", ';', "\n"},
        {"tie goes to comma", "a,b;c\r", ',', "\r"},
        {"tabs win when most", "a\tb\tc,d\n", '\t', "\n"},
        {"nothing at all", "abc", ',', "\r\n"},
        {"doubled separators do not count", "a,,b;c;d\n", ';', "\n"},
        {"trailing separator counts", "a;", ';', "\r\n"},
        {"CR LF beats lone CR", "a\rb\r\nc", ',', "\r\n"},
        {"NUL ends the sample", std::string("a,b\n\0;;;;;;\r\n", 14), ',', "\n"},
        {"only first 10000 bytes", std::string(10000, 'x') + ";;;;\r\n", ',', "\r\n"},
    };
    for (const DetectCase& c : cases) {
        const TCSVOptions o = DetectCSVOptions(std::string_view(c.sample));
        EXPECT_EQ(o.Separator, c.separator) << c.name;
        EXPECT_EQ(o.LineBreak, c.lineBreak) << c.name;
    }
}

TEST(DetectCSVOptions, StreamReadsFromStartAndKeepsPosition)
{
    TFastMemoryStream s;
    const std::string data = "a;b;c\nd;e;f\n";
    s.Write(data.data(), static_cast<int64_t>(data.size()));
    s.SetPosition(7);
    const TCSVOptions o = DetectCSVOptions(s);
    EXPECT_EQ(o.Separator, ';');
    EXPECT_EQ(o.LineBreak, "\n");
    EXPECT_EQ(s.Position(), 7);
}

struct ReadCase {
    const char* name;
    std::string data;
    std::string lineBreak;
    Lines expected;
};

TEST(TCSVReader, LinesAndFields)
{
    const std::string Q = "\"";
    const std::vector<ReadCase> cases = {
        {"quoted separators and doubled quotes",
         "a;" + Q + "b;c" + Q + ";" + Q + "d" + Q + Q + "e" + Q + "\r\n",
         "\r\n",
         {{"a", "b;c", "d\"e"}}},
        {"quoted CR LF kept", Q + "x\r\ny" + Q + ";z\r\nnext\r\n", "\r\n", {{"x\r\ny", "z"}, {"next"}}},
        {"bytes after the closing quote", Q + "ab" + Q + "cd;e\r\n", "\r\n", {{"ab\"c", "e"}}},
        {"trailing empty field, separator only, empty line",
         "a;b;\r\n;\r\n\r\nc\r\n",
         "\r\n",
         {{"a", "b", ""}, {"", ""}, {}, {"c"}}},
        {"last line without break is not delivered", "a;b\r\nc;d", "\r\n", {{"a", "b"}}},
        {"CR file", "a;b\rc\r", "\r", {{"a", "b"}, {"c"}}},
        {"CR file: LF after CR starts the next line", "a\r\nb\r", "\r", {{"a"}, {"\nb"}}},
        {"LF file: CR stays in the last field", "a;b\r\nc\n", "\n", {{"a", "b\r"}, {"c"}}},
        {"CR LF file: lone CR ends the line and skips a byte", "a\rXb\r\n", "\r\n", {{"a"}, {"b"}}},
        {"NUL ends the data", std::string("a;b\r\nc\0d\r\ne\r\n", 13), "\r\n", {{"a", "b"}}},
        {"unclosed quote is read as an ordinary byte",
         "a;" + Q + "b;c\r\nd;e\r\n",
         "\r\n",
         {{"a", "\"b", "c"}, {"d", "e"}}},
        {"unclosed quote at a line start", Q + "x\r\n" + Q + Q + "\r\ny\r\n", "\r\n", {{"\"x"}, {""}, {"y"}}},
        {"many fields grow the table", std::string(150, ';') + "\r\n", "\r\n", {std::vector<std::string>(151)}},
    };
    for (const ReadCase& c : cases)
        EXPECT_EQ(ReadAll(c.data, ';', c.lineBreak), c.expected) << c.name;
}

TEST(TCSVReader, ReadingPastTheEndRaises)
{
    TCSVReader reader(std::string_view("a\r\n"), ';');
    reader.First();
    ASSERT_FALSE(reader.Eof());
    reader.Next();
    EXPECT_TRUE(reader.Eof());
    EXPECT_THROW(reader.Next(), ECSVError);
    try {
        reader.Next();
    } catch (const ECSVError& e) {
        EXPECT_STREQ(e.what(), "Try to read past eof");
    }
}

TEST(TCSVReader, ZeroSeparatorMeansListSeparator)
{
    TCSVReader reader(std::string_view("a;b\r\n"), 0);
    EXPECT_EQ(reader.Separator(), kSystemListSeparator);
    reader.First();
    EXPECT_EQ(reader.FieldCount(), 2);
}

TEST(TCSVReader, UnquoteInPlaceMatchesField)
{
    const std::vector<std::string> raws = {"\"ab\"\"c\"", "\"\"", "\"ab\"cd", "plain", "\"x\"\"\"\"y\"", "\""};
    for (const std::string& raw : raws) {
        TCSVRawField f{raw.data(), static_cast<uint32_t>(raw.size()), false};
        std::string buf = raw;
        TCSVRawField inPlace{buf.data(), static_cast<uint32_t>(buf.size()), false};
        const size_t n = TCSVReader::Unquote(inPlace, buf.data());
        EXPECT_EQ(n, TCSVReader::UnquotedLength(f)) << raw;
        std::string expected;
        if (raw[0] != '"') {
            expected = raw;
        } else if (raw.size() >= 2) {
            const std::string inner = raw.substr(1, raw.size() - 2);
            for (size_t i = 0; i < inner.size(); ++i) {
                expected.push_back(inner[i]);
                if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"')
                    ++i;
            }
        }
        EXPECT_EQ(buf.substr(0, n), expected) << raw;
    }
}

TEST(CSVQuote, DoublesQuotesAndEncloses)
{
    EXPECT_EQ(CSVQuote("a\"b", '"'), "\"a\"\"b\"");
    EXPECT_EQ(CSVQuote("a\"b", '"').size(), std::string("a\"b").size() + 3);
    EXPECT_EQ(CSVQuote("", '"'), "\"\"");
    EXPECT_EQ(CSVQuote("x;y", 0), "x;y");
}

} // namespace
} // namespace artikel
