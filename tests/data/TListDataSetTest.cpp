// Loading, field naming, navigation, rows and saving of the list dataset.

#include "data/TListDataSet.h"

#include "data/TCSVReader.h"
#include "data/TFastMemoryStream.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;
using Rows = std::vector<std::vector<std::string>>;

std::filesystem::path WriteCsv(const std::string& data)
{
    const auto file = MakeTempDir("ds") / "db.csv";
    WriteFileBytes(file, data);
    return file;
}

std::vector<std::string> FieldNames(const TListDataSet& ds)
{
    std::vector<std::string> names;
    for (int i = 0; i < ds.FieldCount(); ++i)
        names.push_back(ds.Field(i).FieldName());
    return names;
}

// The view's rows, cells 0 .. count-1.
Rows ViewRows(const TListDataSet& ds, int cells)
{
    Rows rows;
    for (int r = 0; r < ds.RecordCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < cells; ++c)
            row.emplace_back(ds.Cell(r, c));
        rows.push_back(row);
    }
    return rows;
}

std::string LoadError(TListDataSet& ds, const std::filesystem::path& file)
{
    try {
        ds.LoadFromFile(file);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

struct LoadCase {
    const char* name;
    std::string data;
    Rows rows; // cells 0..2 of every row
};

TEST(TListDataSetLoad, LineBreaksAndLastLine)
{
    const std::vector<LoadCase> cases = {
        {"CR LF with final break", "a;b;c\r\n1;2;3\r\n4;5;6\r\n", {{"1", "2", "3"}, {"4", "5", "6"}}},
        {"CR LF without final break", "a;b;c\r\n1;2;3\r\n4;5;6", {{"1", "2", "3"}, {"4", "5", "6"}}},
        {"CR with final break", "a;b;c\r1;2;3\r4;5;6\r", {{"1", "2", "3"}, {"4", "5", "6"}}},
        {"CR without final break", "a;b;c\r1;2;3\r4;5;6", {{"1", "2", "3"}, {"4", "5", "6"}}},
        {"LF with final break", "a,b,c\n1,2,3\n4,5,6\n", {{"1", "2", "3"}, {"4", "5", "6"}}},
        {"LF without final break", "a,b,c\n1,2,3\n4,5,6", {{"1", "2", "3"}, {"4", "5", "6"}}},
        {"tabs", "a\tb\tc\n1\t2\t3\n", {{"1", "2", "3"}}},
        {"empty line in the middle",
         "a;b;c\r\n1;2;3\r\n\r\n4;5;6\r\n",
         {{"1", "2", "3"}, {"", "", ""}, {"4", "5", "6"}}},
        {"quoted cells with breaks and quotes",
         "a;b;c\r\n\"x;\r\ny\";\"say \"\"hi\"\"\";3\r\n",
         {{"x;\r\ny", "say \"hi\"", "3"}}},
        {"short and long lines", "a;b;c\r\n1\r\n1;2;3;4;5\r\n", {{"1", "", ""}, {"1", "2", "3"}}},
        {"stray quote loses no row", "a;b;c\r\n1;\"2;3\r\n4;5;6\r\n", {{"1", "\"2", "3"}, {"4", "5", "6"}}},
    };
    for (const LoadCase& c : cases) {
        TListDataSet ds;
        EXPECT_EQ(LoadError(ds, WriteCsv(c.data)), "") << c.name;
        EXPECT_TRUE(ds.Active()) << c.name;
        EXPECT_EQ(ViewRows(ds, 3), c.rows) << c.name;
        EXPECT_EQ(FieldNames(ds), (std::vector<std::string>{"a", "b", "c"})) << c.name;
    }
}

TEST(TListDataSetLoad, FieldNames)
{
    struct Case {
        std::string header;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"Art.-Nr.;Preis (\x80);Rabatt %;Gr\xF6\xDF"
         "e",
         {"ArtNr", "Preis(Euro)", "RabattProz",
          "Gr\xDF"
          "e"}},
        {"a;b;c;d;---", {"a", "b", "c", "d", "Spalte4"}},
        {"Preis;Preis;preis", {"Preis", "Preis1", "preis2"}},
        {"a+b;x y;\xE4\xF6\xFC", {"aundb", "xy", "Spalte2"}},
        {"a;;c", {"a", "Spalte1", "c"}},
        {"a;;c;;", {"a", "Spalte1", "c"}},
        {"Spalte1;;x", {"Spalte1", "Spalte11", "x"}},
    };
    for (const Case& c : cases) {
        TListDataSet ds;
        ds.LoadFromFile(WriteCsv(c.header + "\r\n1;2;3;4;5\r\n"));
        EXPECT_EQ(FieldNames(ds), c.names) << c.header;
        for (int i = 0; i < ds.FieldCount(); ++i) {
            EXPECT_EQ(ds.Header(i), c.names[static_cast<size_t>(i)]);
            EXPECT_EQ(ds.Field(i).FieldNo(), i + 1);
        }
    }
    // A gap in the header keeps every field on its own column.
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv("a;;c\r\n1;2;3\r\n"));
    ds.First();
    EXPECT_EQ(ds.FieldByName("c").AsString(), "3");
    EXPECT_EQ(ds.FieldByName("Spalte1").AsString(), "2");
}

TEST(TListDataSetLoad, HeaderOnlyEmptyAndMissingFiles)
{
    TListDataSet ds;
    EXPECT_EQ(LoadError(ds, WriteCsv("a;b;c\r\n")), "");
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.FieldCount(), 0);
    EXPECT_EQ(ds.Header(1), "b") << "raw header kept while closed";

    EXPECT_EQ(LoadError(ds, WriteCsv("")), "");
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.TotalCount(), 0);

    ds.LoadFromFile(WriteCsv("a\r\n1\r\n"));
    ASSERT_TRUE(ds.Active());
    EXPECT_EQ(LoadError(ds, "/nonexistent/db.csv"), "OSError");
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.TotalCount(), 0);
    EXPECT_EQ(ds.Header(0), "");
}

TEST(TListDataSetLoad, TooManyColumns)
{
    const std::string wide = std::string(100, ';') + "x\r\n"; // 101 fields
    TListDataSet ds;
    EXPECT_EQ(LoadError(ds, WriteCsv("a;b\r\n1;2\r\n" + wide + "3;4\r\n")), "to many cols");
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(ViewRows(ds, 2), (Rows{{"1", "2"}, {"", ""}, {"3", "4"}}));
    EXPECT_EQ(ds.Cell(1, 100), "");

    TListDataSet header;
    EXPECT_EQ(LoadError(header, WriteCsv(wide + "1;2\r\n")), "to many cols");
    EXPECT_TRUE(header.Active());
    EXPECT_EQ(header.FieldCount(), 0);
    EXPECT_EQ(header.TotalCount(), 1);

    // 100 fields are fine, and the last one is kept.
    TListDataSet hundred;
    EXPECT_EQ(LoadError(hundred, WriteCsv("a\r\n" + std::string(99, ';') + "last\r\n")), "");
    EXPECT_EQ(hundred.Cell(0, 99), "last");
}

// Another program may shorten the file while it loads: the load then reads short or fails, and
// what it keeps of the file's start is intact.
TEST(TListDataSetLoad, FileCutShortDuringTheLoadNeverCrashes)
{
    std::string csv = "Nr;Text\r\n";
    const std::string firstRow = "1;erste Zeile\r\n";
    csv += firstRow;
    for (int r = 2; csv.size() < (size_t(6) << 20); ++r)
        csv += std::to_string(r) + ";Artikel mit etwas Text " + std::to_string(r * 7) + "\r\n";
    const auto file = WriteCsv(csv);
    const long long allRows = std::count(csv.begin(), csv.end(), '\n') - 1;
    const off_t keep = 4096;

    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::atomic<bool> stop{false};
    std::thread cutter([&] {
        // Cut to the first page and grow again (the lost part reads as zero bytes), over and over.
        while (!stop.load())
            if (::ftruncate(fd, keep) != 0 || ::ftruncate(fd, static_cast<off_t>(csv.size())) != 0)
                break;
    });
    int loaded = 0;
    for (int i = 0; i < 30; ++i) {
        for (size_t parallel : {size_t(1) << 20, size_t(1) << 30}) {
            TListDataSet ds;
            ds.SetParallelLoadMinimum(parallel);
            const std::string error = LoadError(ds, file);
            if (!error.empty())
                continue;
            ++loaded;
            EXPECT_LE(ds.TotalCount(), allRows);
            ASSERT_GE(ds.TotalCount(), 1);
            EXPECT_EQ(ds.Cell(0, 1), "erste Zeile");
            EXPECT_EQ(FieldNames(ds), (std::vector<std::string>{"Nr", "Text"}));
        }
    }
    stop = true;
    cutter.join();
    ::close(fd);
    EXPECT_GT(loaded, 0);
}

// The load writes cells into the file's own buffer; compare it with the plain reading of the
// same bytes through the tokenizer, on many random files.
TEST(TListDataSetLoad, MatchesTokenizerOnRandomFiles)
{
    std::mt19937 rng(1234);
    const std::string alphabet = "ab;,\"\r\n \t\xFC";
    for (int round = 0; round < 600; ++round) {
        std::string data;
        const int len = static_cast<int>(rng() % 300);
        for (int i = 0; i < len; ++i)
            data.push_back(alphabet[rng() % alphabet.size()]);
        if (rng() % 4 == 0)
            data += std::string(static_cast<size_t>(rng() % 130), ';') + "\r\n";

        const auto file = WriteCsv(data);
        TListDataSet ds;
        const std::string err = LoadError(ds, file);
        // The same file split between two cores at a guessed line start.
        TListDataSet split;
        split.SetParallelLoadMinimum(0);
        EXPECT_EQ(LoadError(split, file), err) << round;

        const TCSVOptions o = DetectCSVOptions(std::string_view(data));
        std::string buf = data;
        if (buf.size() < o.LineBreak.size() || buf.substr(buf.size() - o.LineBreak.size()) != o.LineBreak)
            buf += o.LineBreak;
        TCSVReader reader(std::string_view(buf), o.Separator);
        if (o.LineBreak.size() == 1) {
            reader.SetLineEnd(o.LineBreak[0]);
            reader.SetLineBreakLength(1);
        }
        Rows expected;
        bool tooMany = false;
        reader.First();
        if (!reader.Eof()) {
            tooMany = reader.FieldCount() > 100;
            reader.Next();
        }
        for (; !reader.Eof(); reader.Next()) {
            std::vector<std::string> row(101);
            if (reader.FieldCount() > 100)
                tooMany = true;
            else
                for (int i = 0; i < reader.FieldCount(); ++i)
                    row[static_cast<size_t>(i)] = reader.Field(i);
            expected.push_back(row);
        }
        EXPECT_EQ(err, tooMany ? "to many cols" : "") << round;
        ASSERT_EQ(ds.TotalCount(), static_cast<int>(expected.size())) << round;
        EXPECT_EQ(ViewRows(ds, 101), expected) << round;
        EXPECT_EQ(ViewRows(split, 101), expected) << round;
        EXPECT_EQ(ds.Separator(), o.Separator);
    }
}

std::unique_ptr<TListRecordData> Row(std::initializer_list<const char*> cells)
{
    auto r = std::make_unique<TListRecordData>();
    size_t i = 0;
    for (const char* c : cells)
        (*r)[i++] = c;
    return r;
}

TEST(TListDataSetCursor, NavigationRecNoAndBookmarks)
{
    TListDataSet ds;
    EXPECT_EQ(ds.RecNo(), -1) << "closed";
    ds.LoadFromFile(WriteCsv("n\r\na\r\nb\r\nc\r\n"));
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(ds.FieldByName("n").AsString(), "a");
    EXPECT_TRUE(ds.Next());
    EXPECT_TRUE(ds.Next());
    EXPECT_FALSE(ds.Next());
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(ds.FieldByName("N").AsString(), "c");
    const TBookmark mark = ds.GetBookmark();
    ds.First();
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Prior());
    EXPECT_EQ(ds.RecNo(), 1);
    ds.GotoBookmark(mark);
    EXPECT_EQ(ds.RecNo(), 3);
    ds.SetRecNo(2);
    EXPECT_EQ(ds.FieldByName("n").AsString(), "b");
    for (int ignored : {0, 4, -1}) {
        ds.SetRecNo(ignored);
        EXPECT_EQ(ds.RecNo(), 2) << ignored;
    }
    ds.Last();
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_TRUE(ds.Prior());
    EXPECT_EQ(ds.RecNo(), 2);
}

TEST(TListDataSetRows, DeleteCurrentRow)
{
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv("n\r\na\r\nb\r\nc\r\n"));
    ds.SetRecNo(2);
    ds.Delete();
    EXPECT_EQ(ViewRows(ds, 1), (Rows{{"a"}, {"c"}}));
    EXPECT_EQ(ds.RecNo(), 1) << "the row before the deleted one";
    ds.SetRecNo(1);
    ds.Delete();
    EXPECT_EQ(ViewRows(ds, 1), (Rows{{"c"}}));
    EXPECT_EQ(ds.FieldByName("n").AsString(), "c");
    ds.Delete();
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.FieldByName("n").AsString(), "");
    ds.Delete(); // nothing to delete
    EXPECT_EQ(ds.TotalCount(), 0);
}

TEST(TListDataSetRows, AddRecordClearAndPositionsQueue)
{
    TListDataSetEx queue;
    queue.Open();
    ASSERT_EQ(queue.FieldCount(), 7);
    EXPECT_EQ(FieldNames(queue),
              (std::vector<std::string>{"sfdescription", "sflongtext", "sfpartNo", "sfPrice", "sfpartUnit",
                                        "sfQuantity", "sfPos"}));
    queue.AddRecord(Row({"Bohrer", "lang", "4711"}), false, true);
    queue.AddRecord(Row({"Schraube", "", "0815"}), false, true);
    EXPECT_EQ(queue.RecordCount(), 2);
    EXPECT_EQ(queue.FieldByName("sfPartNo").AsString(), "4711");
    queue.SetRecNo(2);
    queue.Delete();
    EXPECT_EQ(queue.Cell(0, 0), "Bohrer");

    // Into the filtered view only when asked.
    queue.ApplyFilter("bohr", true, true);
    queue.AddRecord(Row({"Hammer"}), false, false);
    queue.AddRecord(Row({"Zange"}), true, false);
    EXPECT_EQ(ViewRows(queue, 1), (Rows{{"Bohrer"}, {"Zange"}}));
    EXPECT_EQ(queue.TotalCount(), 3);

    queue.Clear();
    EXPECT_TRUE(queue.Active());
    EXPECT_EQ(queue.TotalCount(), 0);
    EXPECT_EQ(queue.FilteredCount(), 0);
    EXPECT_EQ(queue.FieldCount(), 7);
}

TEST(TListDataSetFields, LookupByNameIgnoresCase)
{
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv("Name;Preis\r\nx;1\r\n"));
    EXPECT_EQ(ds.FindField("preis"), &ds.Field(1));
    EXPECT_EQ(ds.FindField("PREIS"), &ds.Field(1));
    EXPECT_EQ(ds.FindField("Pre"), nullptr);
    EXPECT_EQ(ds.ColumnIndex("NAME"), 0);
    EXPECT_EQ(ds.ColumnIndex(""), -1);
    EXPECT_EQ(ds.ColumnIndex("Nam"), -1);
    try {
        ds.FieldByName("Gibts");
        FAIL() << "no error";
    } catch (const EDataSetError& e) {
        EXPECT_STREQ(e.what(), "Das Feld 'Gibts' wurde nicht gefunden");
    }
}

TEST(TListDataSetSave, QuotesEveryValue)
{
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv("a;b;c\r\n\"\"\"hi\"\"\";;x,y\r\n1;2;3\r\n"));
    TFastMemoryStream out;
    ds.SaveToStream(out);
    const std::string text(out.Memory(), static_cast<size_t>(out.Size()));
    EXPECT_EQ(text, "\"a\",\"b\",\"c\"\r\n\"\"\"hi\"\"\",\"\",\"x,y\"\r\n\"1\",\"2\",\"3\"\r\n");

    // Only the view, in view order; saved through a file and loaded again.
    ds.ApplyFilter("2", true, true);
    const auto file = MakeTempDir("save") / "basket.csv";
    WriteFileBytes(file, "old content that must go");
    ds.SaveToFile(file);
    EXPECT_EQ(ReadFileBytes(file), "\"a\",\"b\",\"c\"\r\n\"1\",\"2\",\"3\"\r\n");
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".~sav"));

    TListDataSet closed;
    closed.SaveToFile(file);
    EXPECT_EQ(ReadFileBytes(file), "") << "a closed dataset saves nothing";
}

TEST(TListDataSetSave, FailedSaveKeepsTheOldFile)
{
    const auto dir = MakeTempDir("save");
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv("a\r\n1\r\n"));
    // The target is a folder: the rename fails, nothing is left behind.
    std::filesystem::create_directories(dir / "target" / "inner");
    EXPECT_THROW(ds.SaveToFile(dir / "target"), EStreamError);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "target" / "inner"));
    EXPECT_FALSE(std::filesystem::exists(dir / "target.~sav"));
}

// Counts what an observer sees.
class TCountingObserver : public IDataSetObserver {
public:
    int depth = 0, maxDepth = 0, refreshedOutside = 0, refreshed = 0, cursorMoves = 0;
    bool destroyed = false;
    void DataSetBeginUpdate(TListDataSet&) override { maxDepth = std::max(maxDepth, ++depth); }
    void DataSetEndUpdate(TListDataSet&) override { --depth; }
    void DataSetRefreshed(TListDataSet&) override
    {
        ++refreshed;
        if (depth == 0)
            ++refreshedOutside;
    }
    void DataSetCursorMoved(TListDataSet&) override { ++cursorMoves; }
    void DataSetDestroyed(TListDataSet&) override { destroyed = true; }
};

TEST(TListDataSetObserver, ChangesComeInsideUpdateBrackets)
{
    TCountingObserver obs;
    {
        TListDataSet ds;
        ds.AddObserver(&obs);
        ds.LoadFromFile(WriteCsv("n\r\nb\r\na\r\n"));
        ds.ApplyFilter("a", true, true);
        ds.SortByColumn("n");
        ds.ClearFilter();
        EXPECT_THROW(ds.SortByColumn("zz"), EDataSetError);
        ds.SetRecNo(2);
        EXPECT_EQ(obs.depth, 0) << "brackets balance, also after an error";
        EXPECT_GT(obs.refreshed, 4);
        EXPECT_EQ(obs.refreshedOutside, 0);
        EXPECT_GT(obs.cursorMoves, 0);
    }
    EXPECT_TRUE(obs.destroyed);
}

} // namespace
} // namespace artikel
