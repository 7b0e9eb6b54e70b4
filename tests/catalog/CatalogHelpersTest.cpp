#include "catalog/CatalogHelpers.h"

#include "data/TextMatch.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

using namespace artikel;
namespace fs = std::filesystem;

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(NaturalCompareText, OrdersDigitRunsByValueAndIgnoresCase)
{
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"Liste 9", "Liste 10", -1},
        {"Liste 10", "Liste 9", 1},
        {"Liste 2", "liste 2", 0},
        {"M\xFC"
         "ller",
         "M\xDC"
         "LLER",
         0}, // ü / Ü by the Windows-1252 mapping
        {"abc", "abd", -1},
        {"x2y", "x10y", -1},
        {"9", "10", -1},
        {"", "", 0},
        {"", "a", -1},
        {"a1", "a1b", -1}, // a leading part sorts first
        {"Preisliste Sanit\xE4r 9", "Preisliste Sanit\xE4r 10", -1}, // long texts too
        {"Katalog 99999999999999999999", "Katalog 100000000000000000000", -1},
        {"Datei 007", "Datei 8", -1},
        {"a-1", "a 1", 1}, // plain runs compare as text: '-' after ' '
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(NaturalCompareText(c.a, c.b)), c.expected) << c.a << " | " << c.b;
        EXPECT_EQ(Sign(NaturalCompareText(c.b, c.a)), -c.expected) << c.b << " | " << c.a;
    }
}

// A sort needs a strict weak order: no cycles and equality that is transitive.
TEST(NaturalCompareText, IsAConsistentOrderForSorting)
{
    const std::vector<std::string> texts = {
        "x9",   "x10",  "x10aaaaaaaaa", "X10",      "x010",         "x01", "x1", "x",  "x 1", "x-1",
        "x1a",  "x1A",  "xa",           "9",        "10",           "0",   "00", "",   "a",   "A",
        "\xE4", "\xC4", "Liste 9",      "Liste 10", "Liste 10 neu", "1a",  "1:", "1/", "/",   ":"};
    auto less = [](const std::string& a, const std::string& b) { return NaturalCompareText(a, b) < 0; };
    auto same = [](const std::string& a, const std::string& b) { return NaturalCompareText(a, b) == 0; };
    for (const auto& a : texts)
        for (const auto& b : texts) {
            ASSERT_EQ(Sign(NaturalCompareText(a, b)), -Sign(NaturalCompareText(b, a))) << a << " | " << b;
            for (const auto& c : texts) {
                if (less(a, b) && less(b, c)) {
                    ASSERT_TRUE(less(a, c)) << a << " < " << b << " < " << c;
                }
                if (same(a, b) && same(b, c)) {
                    ASSERT_TRUE(same(a, c)) << a << " = " << b << " = " << c;
                }
            }
        }
}

TEST(NewGuidText, GivesFreshUpperCaseGuidsWithoutBraces)
{
    const std::regex form("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string id = NewGuidText();
        EXPECT_TRUE(std::regex_match(id, form)) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(FileMask, WildcardsAndLetterCase)
{
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    };
    const Case cases[] = {
        {"node.json", "*.json", true},
        {"NODE.JSON", "*.json", true},
        {"node.~json", "*.json", false},
        {"node.json.tmp", "*.json", false},
        {".json", "*.json", true},
        {"a.json.json", "*.json", true},
        {"ab", "a?", true},
        {"a", "a?", false},
        {"abc", "a*c", true},
        {"abcbc", "a*bc", true},
        {"x", "*", true},
        {"", "*", true},
        {"", "?", false},
        {"\xE4.txt", "\xC4.*", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GlobMatch(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST(ListFilesRecursive, FilesOfAFolderComeBeforeThoseOfItsSubFolders)
{
    const fs::path dir = test::MakeTempDir("list");
    test::WriteFileBytes(dir / "b.json", "{}");
    test::WriteFileBytes(dir / "a.JSON", "{}");
    test::WriteFileBytes(dir / "c.txt", "");
    test::WriteFileBytes(dir / "a" / "x" / "deep.json", "{}");
    test::WriteFileBytes(dir / "a" / "node.~json", "{}");
    test::WriteFileBytes(dir / "z" / "node.json", "{}");
    fs::create_directories(dir / "folder.json"); // a folder is never listed
    fs::create_symlink(dir / "a", dir / "loop"); // links to folders are not followed

    const std::string root = dir.string() + "/";
    const std::vector<std::string> expected = {root + "a.JSON", root + "b.json", root + "a/x/deep.json",
                                               root + "z/node.json"};
    EXPECT_EQ(ListFilesRecursive(root, "*.json"), expected);
    EXPECT_EQ(ListFilesRecursive(dir.string(), "*.json"), expected); // without a trailing separator
    EXPECT_TRUE(ListFilesRecursive((dir / "missing").string(), "*.json").empty());
    EXPECT_TRUE(ListFilesRecursive("", "*").empty());
}

} // namespace
