// Filtering, locating and sorting: the find box's semantics, and the fast search against a
// plain row-by-row reading of the same rules.

#include "data/TListDataSet.h"
#include "data/TextMatch.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::WriteFileBytes;

std::filesystem::path WriteCsv(const std::string& data)
{
    const auto file = MakeTempDir("flt") / "db.csv";
    WriteFileBytes(file, data);
    return file;
}

std::vector<std::string> Column(const TListDataSet& ds, int slot)
{
    std::vector<std::string> v;
    for (int r = 0; r < ds.RecordCount(); ++r)
        v.emplace_back(ds.Cell(r, slot));
    return v;
}

std::string ErrorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

const char* const kArticles = "Nr;Hersteller;Text\r\n"
                              "1;Bosch;Bohrer 6mm\r\n"
                              "2;Makita;Bohrer 8mm\r\n"
                              "3;bosch;Akkuschrauber\r\n"
                              "4;M\xDCLLER;Dichtung abc\r\n"
                              "5;Wera;aXc Schl\xFCssel\r\n"
                              "6;;\r\n"
                              "7;Fischer;D\xFC"
                              "bel\r\n";

TEST(TListDataSetFilter, FindBoxSemantics)
{
    struct Case {
        const char* text;
        std::vector<std::string> nrs;
    };
    const std::vector<Case> cases = {
        {"bosch", {"1", "3"}},
        {"BOHRER bosch", {"1"}},
        {"bosch  bohrer", {"1"}}, // the empty token matches any row with a value
        {"a?c", {"4", "5"}},
        {"Boh*rer", {"1", "2"}}, // the user's star is removed
        {"m\xFCller", {"4"}},
        {"Hersteller=bosch", {"1", "3"}},
        {"hersteller = BOSCH", {"1", "3"}},
        {"Text=bosch", {}},
        {"*=makita", {"2"}},
        {"  6mm  ", {"1"}},
        {"d\xDC"
         "bel",
         {"7"}},
        {"6", {"1", "6"}}, // "6" is the number of row 6 too
    };
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv(kArticles));
    for (const Case& c : cases) {
        const bool kept = ds.ApplyFilter(c.text, true, true);
        EXPECT_EQ(Column(ds, 0), c.nrs) << c.text;
        EXPECT_EQ(kept, !c.nrs.empty()) << c.text;
        EXPECT_TRUE(ds.Filtered()) << c.text;
        EXPECT_EQ(ds.FilterText(), c.text);
        EXPECT_EQ(ds.FilteredCount(), static_cast<int>(c.nrs.size()));
        EXPECT_EQ(ds.TotalCount(), 7);
    }
}

TEST(TListDataSetFilter, EmptyWordsUnknownColumnAndLength)
{
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv(kArticles));
    for (const char* empty : {"", "   ", "Hersteller=", "***"}) {
        ds.ApplyFilter("bosch", true, true);
        EXPECT_FALSE(ds.ApplyFilter(empty, true, true)) << empty;
        EXPECT_FALSE(ds.Filtered()) << empty;
        EXPECT_EQ(ds.RecordCount(), 7) << empty;
    }

    ds.ApplyFilter("bosch", true, true);
    EXPECT_EQ(ErrorOf([&] { ds.ApplyFilter("Foo=bosch", true, true); }), "Foo not found");
    EXPECT_FALSE(ds.Filtered());
    EXPECT_EQ(ds.FilterText(), "bosch") << "unchanged by the failed filter";
    EXPECT_EQ(ds.RecordCount(), 7);

    // Only 100 characters after "=" count: a 101st is cut off before it can fail.
    TListDataSet wide;
    wide.LoadFromFile(WriteCsv("T\r\n" + std::string(100, 'x') + "\r\n"));
    EXPECT_TRUE(wide.ApplyFilter("T=" + std::string(99, 'x') + " q", true, true));
    EXPECT_FALSE(wide.ApplyFilter("T=" + std::string(98, 'x') + " q", true, true));
}

TEST(TListDataSetFilter, WithoutWrappingAndAnyToken)
{
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv(kArticles));
    // Whole-cell equality ignoring case.
    ds.ApplyFilter("BOSCH", false, true);
    EXPECT_EQ(Column(ds, 0), (std::vector<std::string>{"1", "3"}));
    // "?" is no wildcard without a star in the pattern.
    ds.ApplyFilter("Bosc?", false, true);
    EXPECT_EQ(ds.RecordCount(), 0);
    ds.ApplyFilter("wera makita", false, false);
    EXPECT_EQ(Column(ds, 0), (std::vector<std::string>{"2", "5"}));
    ds.ApplyFilter("wera makita", false, true);
    EXPECT_EQ(ds.RecordCount(), 0);
}

TEST(TListDataSetFilter, SortOrderIsKeptByFiltersAndClearing)
{
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv(kArticles));
    ds.SortByColumn("Hersteller");
    const std::vector<std::string> sorted = {"6", "1", "3", "7", "2", "4", "5"};
    EXPECT_EQ(Column(ds, 0), sorted);
    ds.ApplyFilter("r", true, true);
    EXPECT_EQ(Column(ds, 0), (std::vector<std::string>{"1", "3", "7", "2", "4", "5"}));
    ds.SortByColumn("Nr");
    EXPECT_EQ(Column(ds, 0), (std::vector<std::string>{"1", "2", "3", "4", "5", "7"}));
    EXPECT_EQ(ds.ClearFilter(), 6);
    EXPECT_EQ(Column(ds, 0), sorted) << "all rows in the order they had before the filter";
    EXPECT_EQ(ds.FilterText(), "");

    EXPECT_EQ(ErrorOf([&] { ds.SortByColumn("Foo"); }), "Foo not found");
    EXPECT_EQ(ds.SortColumn(), "Foo");
    EXPECT_EQ(Column(ds, 0), sorted);
}

TEST(TListDataSetFilter, LocateSearchesAllRows)
{
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv(kArticles));
    ds.ApplyFilter("makita", true, true);
    EXPECT_TRUE(ds.Locate("Text", "*bohrer*"));
    EXPECT_FALSE(ds.Filtered());
    EXPECT_EQ(ds.FilterText(), "makita");
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_TRUE(ds.Locate("Hersteller", "*LLER*"));
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(ds.FieldByName("Nr").AsString(), "4");
    EXPECT_TRUE(ds.Locate("Hersteller", "wera"));
    EXPECT_EQ(ds.RecNo(), 5);
    EXPECT_FALSE(ds.Locate("Hersteller", "*nix*"));
    EXPECT_EQ(ErrorOf([&] { ds.Locate("Foo", "x"); }), "Foo not found");
}

TEST(SortTextCompare, FoldsCaseAndUmlauts)
{
    struct Case {
        std::string a, b;
        int sign;
    };
    const std::vector<Case> cases = {
        {"\xC4pfel", "apfel", 0},
        {"\xFC"
         "ber",
         "Uber", 0},
        {"\xD6l", "ol", 0},
        {"z", "\xDF", -1},
        {"abc", "abcd", -1},
        {"B", "a", 1},
        {"", "a", -1},
        {"\xE9", "f", 1},
        {"\x8A", "\x9A", 0},
        {"abcdefgh1", "ABCDEFGH2", -1},
    };
    for (const Case& c : cases) {
        const int r = SortTextCompare(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " / " << c.b;
        const int back = SortTextCompare(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " / " << c.a;
    }
}

TEST(TListDataSetSort, StableByFoldedText)
{
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv("Name;Nr\r\napfel;1\r\nz;2\r\n\xC4pfel;3\r\nabcd;4\r\n\xDF;5\r\nabc;6\r\nApfel;7\r\n"));
    ds.SortByColumn("name");
    EXPECT_EQ(Column(ds, 1), (std::vector<std::string>{"6", "4", "1", "3", "7", "2", "5"}));
    ds.SortByColumn("Name");
    EXPECT_EQ(Column(ds, 1), (std::vector<std::string>{"6", "4", "1", "3", "7", "2", "5"})) << "sorting again keeps it";
}

// A sort of many rows against std::stable_sort with the comparison itself: texts that are
// mostly distinct, and few texts repeated many times in varying case.
TEST(TListDataSetSort, ManyRowsMatchStableSort)
{
    std::mt19937 rng(7);
    const std::string alphabet = "aAbB\xE4\xC4\xFC\xDF"
                                 "z";
    const std::vector<std::string> words = {"Kugelhahn Messing 1/2",
                                            "kugelhahn messing 1/2",
                                            "KUGELHAHN",
                                            "\xC4pfel",
                                            "apfel",
                                            "Apfelbaum",
                                            "",
                                            "Kugelhahn Messing 3/4",
                                            "Dichtung"};
    for (const bool fewTexts : {false, true}) {
        std::string csv = "K;I\r\n";
        std::vector<std::pair<std::string, int>> rows;
        for (int i = 0; i < 70000; ++i) {
            std::string k;
            if (fewTexts) {
                k = words[rng() % words.size()];
            } else {
                const int len = static_cast<int>(rng() % 11);
                for (int j = 0; j < len; ++j)
                    k.push_back(alphabet[rng() % alphabet.size()]);
            }
            rows.emplace_back(k, i);
            csv += k + ";" + std::to_string(i) + "\r\n";
        }
        TListDataSet ds;
        ds.LoadFromFile(WriteCsv(csv));
        ds.SortByColumn("K");
        std::stable_sort(rows.begin(), rows.end(),
                         [](const auto& a, const auto& b) { return SortTextCompare(a.first, b.first) < 0; });
        ASSERT_EQ(ds.RecordCount(), static_cast<int>(rows.size()));
        for (int r = 0; r < ds.RecordCount(); ++r)
            ASSERT_EQ(ds.Cell(r, 1), std::to_string(rows[static_cast<size_t>(r)].second)) << r << " few " << fewTexts;
    }
}

TEST(GlobMatch, WildcardsAndCase)
{
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    };
    const std::vector<Case> cases = {
        {"abc", "abc", true},     {"ABC", "abc", true},    {"abcd", "abc", false},
        {"", "", true},           {"a", "", false},        {"", "*", true},
        {"xyz", "**", true},      {"abc", "a?c", true},    {"ac", "a?c", false},
        {"abc", "*b*", true},     {"abc", "*d*", false},   {"abc", "a*", true},
        {"abc", "*c", true},      {"abc", "*b", false},    {"abab", "*ab", true},
        {"aXbXc", "a*b*c", true}, {"acb", "a*b*c", false}, {"M\xDCLLER", "*m\xFCller*", true},
        {"abc", "abc*", true},    {"ab", "a*b*", true},    {"aa", "a*a*a", false},
        {"\xFF", "\x9F", true},   {"x?", "*\?", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GlobMatch(c.text, c.pattern), c.match) << c.text << " ~ " << c.pattern;
}

// ---- the fast search against the plain reading of the rules ----

bool RefGlob(std::string_view t, std::string_view p)
{
    if (p.empty())
        return t.empty();
    if (p[0] == '*')
        return RefGlob(t, p.substr(1)) || (!t.empty() && RefGlob(t.substr(1), p));
    if (t.empty())
        return false;
    if (p[0] != '?' && kAnsiUpper[static_cast<unsigned char>(p[0])] != kAnsiUpper[static_cast<unsigned char>(t[0])])
        return false;
    return RefGlob(t.substr(1), p.substr(1));
}

std::vector<std::string> Split(const std::string& s)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t b = s.find(' ', start);
        parts.push_back(s.substr(start, b == std::string::npos ? std::string::npos : b - start));
        if (b == std::string::npos)
            return parts;
        start = b + 1;
    }
}

using Table = std::vector<std::vector<std::string>>; // every row's cells up to its last value

// Row positions of all rows (unfiltered view) that the rules keep.
std::vector<int> Reference(const Table& table, int column, const std::string& pattern, bool every)
{
    const bool wild = pattern.find('*') != std::string::npos;
    const std::vector<std::string> tokens = Split(pattern);
    auto cellMatch = [&](std::string_view cell, const std::string& tok) {
        return wild ? RefGlob(cell, tok) : (!cell.empty() && SameTextNoCase(cell, tok));
    };
    std::vector<int> out;
    for (size_t r = 0; r < table.size(); ++r) {
        size_t count = 0;
        for (const std::string& tok : tokens) {
            bool any = false;
            for (const std::string& cell : table[r])
                if (!cell.empty() && cellMatch(cell, tok)) {
                    any = true;
                    break;
                }
            const size_t col = static_cast<size_t>(column);
            if (any && (column < 0 || cellMatch(col < table[r].size() ? table[r][col] : std::string(), tok)))
                ++count;
        }
        if (every ? count == tokens.size() : count >= 1)
            out.push_back(static_cast<int>(r));
    }
    return out;
}

std::string Cell3(const std::vector<std::string>& row) { return row.size() > 2 ? row[2] : std::string(); }

TEST(TListDataSetFilter, FastSearchAgreesWithTheRules)
{
    std::mt19937 rng(99);
    const std::string alphabet = "abAB\xFC\xDC\xDF?x \"";
    auto word = [&](int maxLen) {
        std::string w;
        const int len = static_cast<int>(rng() % static_cast<unsigned>(maxLen + 1));
        for (int i = 0; i < len; ++i) {
            char c = alphabet[rng() % alphabet.size()];
            if (c == ' ' || c == '"')
                c = 'b';
            w.push_back(c);
        }
        return w;
    };
    std::string csv = "A;B;C;D\r\n";
    for (int r = 0; r < 5000; ++r) {
        const int n = static_cast<int>(rng() % 6);
        for (int c = 0; c < n; ++c) {
            if (c)
                csv += ';';
            csv += word(6);
        }
        csv += "\r\n";
    }
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv(csv));
    // Rows that are not in the arena, and holes where rows were deleted.
    for (int i = 0; i < 50; ++i) {
        auto row = std::make_unique<TListRecordData>();
        (*row)[static_cast<size_t>(rng() % 101)] = word(5);
        (*row)[1] = word(4);
        ds.AddRecord(std::move(row), false, false);
    }
    for (int i = 0; i < 30; ++i) {
        ds.SetRecNo(static_cast<int>(rng() % static_cast<unsigned>(ds.RecordCount())) + 1);
        ds.Delete();
    }
    ds.SortByColumn("C"); // filters keep the order of all rows, which is no longer the arena's

    // The unfiltered view; the filter keeps its order.
    Table all;
    for (int r = 0; r < ds.RecordCount(); ++r) {
        all.emplace_back();
        for (int s = 0; s < kRecordCells; ++s)
            all.back().emplace_back(ds.Cell(r, s));
        while (!all.back().empty() && all.back().back().empty())
            all.back().pop_back(); // trailing empty cells match nothing
    }

    for (int q = 0; q < 200; ++q) {
        std::string pattern;
        const int tokens = 1 + static_cast<int>(rng() % 3);
        const bool wrap = rng() % 4 != 0;
        for (int t = 0; t < tokens; ++t) {
            std::string tok = word(3);
            if (wrap) {
                std::string wrapped;
                if (rng() % 5)
                    wrapped += '*';
                wrapped += tok;
                if (rng() % 5)
                    wrapped += '*';
                tok = wrapped;
            }
            if (rng() % 7 == 0)
                tok.insert(tok.begin() + static_cast<std::ptrdiff_t>(tok.size() / 2), '*');
            if (t)
                pattern += ' ';
            pattern += tok;
        }
        if (pattern.empty())
            continue; // no pattern means no filter, covered above
        const bool every = rng() % 3 != 0;
        const int column = rng() % 3 == 0 ? static_cast<int>(rng() % 4) : -1;
        ds.ClearFilter();
        const std::vector<int> expected = Reference(all, column, pattern, every);
        ds.SelectRows(column < 0 ? "" : ds.Field(column).FieldName(), pattern, every, true);
        ASSERT_EQ(ds.RecordCount(), static_cast<int>(expected.size())) << "[" << pattern << "] col " << column;
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(ds.Cell(static_cast<int>(i), 2), Cell3(all[static_cast<size_t>(expected[i])])) << pattern;
    }
}

// Long tokens on repetitive cells: candidates for the first and last byte are everywhere, so the
// search takes its linear path. Checked against a plain position-by-position reading.
TEST(TListDataSetFilter, LongTokensOnRepetitiveCellsAgreeWithTheRules)
{
    std::mt19937 rng(7);
    const std::vector<std::string> units = {"a", "ab", "aab", "aA", "abaab"};
    auto repetitive = [&](size_t len) {
        const std::string& unit = units[rng() % units.size()];
        std::string s;
        while (s.size() < len)
            s += unit;
        s.resize(len);
        for (int k = static_cast<int>(rng() % 3); k > 0; --k)
            s[rng() % len] = "abB\xDC"[rng() % 4];
        return s;
    };
    auto same = [](char t, char p) {
        return t != '\0' &&
            (p == '?' || kAnsiUpper[static_cast<unsigned char>(t)] == kAnsiUpper[static_cast<unsigned char>(p)]);
    };
    auto at = [&](const std::string& cell, size_t s, const std::string& core) {
        for (size_t i = 0; i < core.size(); ++i)
            if (!same(cell[s + i], core[i]))
                return false;
        return true;
    };
    auto contains = [&](const std::string& cell, const std::string& core) {
        for (size_t s = 0; s + core.size() <= cell.size(); ++s)
            if (at(cell, s, core))
                return true;
        return false;
    };

    std::string csv = "A;B;C\r\n";
    Table rows;
    for (int r = 0; r < 24; ++r) {
        std::vector<std::string> row = {repetitive(1 + rng() % 40), repetitive(1000 + rng() % 4000), "x"};
        if (r % 5 == 0)
            row[0] = row[1]; // whole-cell matches
        csv += row[0] + ";" + row[1] + ";" + row[2] + "\r\n";
        rows.push_back(row);
    }
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv(csv));
    ASSERT_EQ(ds.RecordCount(), static_cast<int>(rows.size()));

    for (int q = 0; q < 80; ++q) {
        // Mostly a piece of some cell, sometimes changed in one place or given a "?".
        const std::string& from = rows[rng() % rows.size()][1];
        const size_t len = std::min(from.size(), size_t(20) + rng() % 300);
        const size_t pos = rng() % (from.size() - len + 1);
        std::string core = q % 8 == 0 ? from : from.substr(pos, len);
        if (rng() % 2)
            core[rng() % core.size()] = "abA"[rng() % 3];
        const bool qMark = rng() % 3 == 0;
        if (qMark)
            core[rng() % core.size()] = '?';
        const bool wrap = rng() % 4 != 0;
        const int column = rng() % 3 == 0 ? 1 : -1;
        // A lone "*" token (every row has a value) turns wildcards on for an unwrapped token.
        const bool wild = wrap || rng() % 2;
        const std::string pattern = wrap ? "*" + core + "*" : (wild ? "* " + core : core);

        std::vector<std::string> expected;
        for (const auto& row : rows) {
            auto cellMatch = [&](const std::string& cell) {
                if (cell.empty())
                    return false;
                if (wrap)
                    return contains(cell, core);
                if (cell.size() != core.size())
                    return false;
                if (wild)
                    return at(cell, 0, core);
                return SameTextNoCase(cell, core);
            };
            const bool any = cellMatch(row[0]) || cellMatch(row[1]) || cellMatch(row[2]);
            if (any && (column < 0 || cellMatch(row[static_cast<size_t>(column)])))
                expected.push_back(row[1]);
        }
        ds.ClearFilter();
        ds.SelectRows(column < 0 ? "" : "B", pattern, true, true);
        EXPECT_EQ(Column(ds, 1), expected) << "query " << q << " length " << core.size() << " col " << column;
    }
}

// Filters, sorts, clearing and added rows in random order against a model that sorts the kept
// rows again after every filter (a stable sort by text, case and umlauts folded).
TEST(TListDataSetFilter, SortInForceMatchesSortingTheKeptRowsAgain)
{
    std::mt19937 rng(5);
    const std::string letters = "abAB\xE4\xC4";
    auto text = [&] {
        std::string t;
        for (int i = static_cast<int>(rng() % 3); i >= 0; --i)
            t.push_back(letters[rng() % letters.size()]);
        return t;
    };
    std::string csv = "Nr;X;Y\r\n";
    std::vector<std::vector<std::string>> all; // the model's rows: Nr, X, Y
    for (int r = 0; r < 300; ++r) {
        all.push_back({std::to_string(r), text(), text()});
        csv += all.back()[0] + ";" + all.back()[1] + ";" + all.back()[2] + "\r\n";
    }
    TListDataSet ds;
    ds.LoadFromFile(WriteCsv(csv));
    std::vector<std::vector<std::string>> view = all;
    bool filtered = false;
    int sortSlot = -1;
    auto sortRows = [](std::vector<std::vector<std::string>>& rows, int slot) {
        std::stable_sort(rows.begin(), rows.end(), [slot](const auto& a, const auto& b) {
            return SortTextCompare(a[static_cast<size_t>(slot)], b[static_cast<size_t>(slot)]) < 0;
        });
    };
    for (int step = 0; step < 400; ++step) {
        const unsigned op = rng() % 10;
        std::string what;
        if (op < 5) {
            const std::string token = std::string(1, letters[rng() % letters.size()]);
            what = "filter " + token;
            ds.ApplyFilter(token, true, true);
            view.clear();
            for (const auto& row : all)
                if (RefGlob(row[1], "*" + token + "*") || RefGlob(row[2], "*" + token + "*"))
                    view.push_back(row);
            if (sortSlot >= 0)
                sortRows(view, sortSlot);
            filtered = true;
        } else if (op < 7) {
            sortSlot = 1 + static_cast<int>(rng() % 2);
            what = "sort " + std::to_string(sortSlot);
            ds.SortByColumn(sortSlot == 1 ? "X" : "Y");
            if (filtered) {
                sortRows(view, sortSlot);
            } else {
                sortRows(all, sortSlot);
                view = all;
            }
        } else if (op < 9) {
            what = "clear";
            ds.ClearFilter();
            view = all;
            filtered = false;
        } else {
            what = "add";
            auto row = std::make_unique<TListRecordData>();
            all.push_back({std::to_string(all.size()), text(), text()});
            for (size_t c = 0; c < 3; ++c)
                (*row)[c] = all.back()[c];
            const bool intoFiltered = rng() % 2;
            ds.AddRecord(std::move(row), intoFiltered, true);
            if (filtered && intoFiltered)
                view.push_back(all.back());
            else if (!filtered)
                view = all;
        }
        std::vector<std::string> expected;
        for (const auto& row : view)
            expected.push_back(row[0]);
        ASSERT_EQ(Column(ds, 0), expected) << "step " << step << ": " << what;
    }
}

} // namespace
} // namespace artikel
