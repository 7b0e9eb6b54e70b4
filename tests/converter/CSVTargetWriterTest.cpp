#include "converter/TCSVTargetWriter.h"
#include "data/TCSVReader.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace artikel::convert {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

std::string WriteRows(const Rows& rows, std::vector<std::string>* notes = nullptr, char* sep = nullptr)
{
    const fs::path dir = test::MakeTempDir("writer");
    const fs::path target = dir / "t.csv";
    {
        TCSVTargetWriter w(target);
        for (const auto& r : rows)
            w.Row(r);
        w.Commit();
        if (notes)
            *notes = w.Notes();
        if (sep)
            *sep = w.Separator();
    }
    return test::ReadFileBytes(target);
}

// What the program's own reader makes of the file.
Rows ReadBack(const std::string& bytes)
{
    const TCSVOptions opt = DetectCSVOptions(bytes);
    TCSVReader reader(bytes, opt.Separator);
    Rows rows;
    for (reader.First(); !reader.Eof(); reader.Next()) {
        std::vector<std::string> row;
        for (int i = 0; i < reader.FieldCount(); ++i)
            row.push_back(reader.Field(i));
        rows.push_back(row);
    }
    return rows;
}

struct WriterCase {
    const char* name;
    Rows rows;
    char separator;
    std::string expected;
};

class WriterFormat : public testing::TestWithParam<WriterCase> {};

TEST_P(WriterFormat, WritesTheDialectAndReadsBackUnchanged)
{
    const WriterCase& c = GetParam();
    char sep = 0;
    const std::string bytes = WriteRows(c.rows, nullptr, &sep);
    EXPECT_EQ(sep, c.separator);
    EXPECT_EQ(bytes, c.expected);
    EXPECT_EQ(ReadBack(bytes), c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterFormat,
    testing::Values(
        // Quoted exactly when a field holds the separator, a quote, CR or LF.
        WriterCase{"quoting",
                   {{"Artikelnummer", "Text"},
                    {"0815", "Schraube; verzinkt"},
                    {"0816", "Mutter \"M6\""},
                    {"\"Zitat\"", "Zeile 1\r\nZeile 2"},
                    {"0817", "nur\nLF"},
                    {"0818", "1/2\" Muffe, 3,50"}},
                   ';',
                   "Artikelnummer;Text\r\n0815;\"Schraube; verzinkt\"\r\n0816;\"Mutter \"\"M6\"\"\"\r\n"
                   "\"\"\"Zitat\"\"\";\"Zeile 1\r\nZeile 2\"\r\n0817;\"nur\nLF\"\r\n0818;\"1/2\"\" Muffe, 3,50\"\r\n"},
        // Empty cells hide semicolons from the detection: decimal commas outvote them, TAB wins.
        WriterCase{"tab",
                   {{"A", "B", "C", "D", "E"},
                    {"1,5", "", "", "", "2,5"},
                    {"1,5", "", "", "", "2,5"},
                    {"1,5", "", "", "", "2,5"},
                    {"1,5", "", "", "", "2,5"},
                    {"1,5", "", "", "", "2,5"}},
                   '\t',
                   "A\tB\tC\tD\tE\r\n1,5\t\t\t\t2,5\r\n1,5\t\t\t\t2,5\r\n1,5\t\t\t\t2,5\r\n1,5\t\t\t\t2,5\r\n"
                   "1,5\t\t\t\t2,5\r\n"},
        // Two columns of decimal commas: ties go to ",", so "," it is, and its fields are quoted.
        WriterCase{"comma",
                   {{"Preis", "Rabatt"}, {"1,50", "2,50"}, {"3,10", "0,5"}, {"7,25", "1,75"}},
                   ',',
                   "Preis,Rabatt\r\n\"1,50\",\"2,50\"\r\n\"3,10\",\"0,5\"\r\n\"7,25\",\"1,75\"\r\n"}),
    [](const testing::TestParamInfo<WriterCase>& caseInfo) { return std::string(caseInfo.param.name); });

TEST(CSVTargetWriter, CleansRowsAndNamesColumns)
{
    std::vector<std::string> notes;
    Rows rows{
        {"Nr", "", "nr", "Nr (2)"}, {"1", std::string("a\0b", 3), "x", "y"}, {"", "", "", ""}, {"2", "b", "", ""}};
    const std::string bytes = WriteRows(rows, &notes);
    // NUL bytes dropped, an all-empty row dropped, empty and repeated names made distinct (a
    // name a later column already has is not taken).
    EXPECT_EQ(bytes, "Nr;Spalte 2;nr (3);Nr (2)\r\n1;ab;x;y\r\n2;b;;\r\n");
    EXPECT_TRUE(notes.empty());
}

TEST(CSVTargetWriter, KeepsAtMostHundredColumnsAndSaysSo)
{
    std::vector<std::string> header, row;
    for (int i = 0; i < 105; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "S%d", i);
        header.emplace_back(name);
        std::snprintf(name, sizeof name, "%d", i);
        row.emplace_back(name);
    }
    std::vector<std::string> notes;
    const Rows back = ReadBack(WriteRows({header, row}, &notes));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].size(), 100u);
    EXPECT_EQ(back[1].back(), "99");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("105"), std::string::npos);
}

TEST(CSVTargetWriter, DataRowsWiderThanTheHeaderKeepTheirCells)
{
    // The wide row comes after the header line has gone to the file, and before it.
    for (const int before : {1, 2000}) {
        Rows rows{{"Nr", "Spalte 3"}};
        std::string body;
        for (int i = 0; i < before; ++i) {
            rows.push_back({std::to_string(i), "Rohr \"1/2\""});
            body += std::to_string(i) + ";\"Rohr \"\"1/2\"\"\"\r\n";
        }
        rows.push_back({"x", "y", "z", "", ""}); // trailing empty cells make no column
        rows.push_back({"w"});
        body += "x;y;z;;\r\nw\r\n";
        std::vector<std::string> notes;
        const std::string bytes = WriteRows(rows, &notes);
        // The generated name does not take one the header already has.
        EXPECT_TRUE(bytes == "Nr;Spalte 3;Spalte 3 (2)\r\n" + body) << before << ": " << bytes.substr(0, 80);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0],
                  "Datenzeilen haben mehr Spalten als die Kopfzeile; die Spalte 3 hei\xDFt \x84Spalte 3 (2)\x93.");
        const Rows back = ReadBack(bytes);
        ASSERT_EQ(back.size(), static_cast<size_t>(before + 3));
        EXPECT_EQ(back[0], (std::vector<std::string>{"Nr", "Spalte 3", "Spalte 3 (2)"}));
        EXPECT_EQ(back[before + 1][2], "z");
    }
}

TEST(CSVTargetWriter, StreamsLargeOutputsInOrder)
{
    Rows rows{{"Nr", "Text"}};
    std::string expected = "Nr;Text\r\n";
    for (int i = 0; i < 60000; ++i) {
        rows.push_back({std::to_string(i), "Artikel " + std::to_string(i) + " mit etwas Text"});
        expected += rows.back()[0] + ";" + rows.back()[1] + "\r\n";
    }
    EXPECT_EQ(WriteRows(rows), expected);
}

TEST(CSVTargetWriter, LeavesNoFileUnlessCommitted)
{
    const fs::path dir = test::MakeTempDir("writer");
    const fs::path target = dir / "t.csv";
    {
        TCSVTargetWriter w(target);
        w.Row({"a", "b"});
        w.Row({"1", "2"});
        EXPECT_FALSE(fs::exists(target));
    }
    EXPECT_TRUE(fs::is_empty(dir));
    {
        TCSVTargetWriter w(target);
        w.Row({"a"});
        w.Abort();
        EXPECT_THROW(w.Commit(), EConvertError);
    }
    EXPECT_TRUE(fs::is_empty(dir));
    // A source without a single row is no table.
    TCSVTargetWriter empty(target);
    EXPECT_THROW(empty.Commit(), EConvertError);
    EXPECT_FALSE(fs::exists(target));
}

TEST(CSVTargetWriter, RefusesAnUnwritableFolder)
{
    EXPECT_THROW(TCSVTargetWriter(test::MakeTempDir("writer") / "missing" / "t.csv"), EConvertError);
}

} // namespace
} // namespace artikel::convert
