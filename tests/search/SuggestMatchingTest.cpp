#include "search/SuggestMatching.h"

#include <gtest/gtest.h>

namespace artikel {
namespace {

// Windows-1252 bytes written out, so the table reads as text.
const std::string kAe = "\xC4", kae = "\xE4", kEacute = "\xC9", keacute = "\xE9", kss = "\xDF";

TEST(SuggestMatching, CurrentWordEndsAtDelimiters)
{
    struct Case {
        std::string text;
        int caret;
        int expected;
    };
    const Case cases[] = {
        {"kabel", 5, 5}, {"kabel", 3, 3}, {"nym 3x1", 7, 3}, {"nym ", 4, 0}, {"a-b", 3, 1},    {"x=" + kae + "b", 4, 2},
        {"(ab)", 3, 2},  {"ab)", 3, 0},   {"", 0, 0},        {"abc", 99, 3}, {"ab\tcd", 5, 2}, {"#+*_", 4, 4},
        {"a\\b", 3, 1},  {"m?l", 3, 1},   {"{x}", 2, 1},     {"x'y", 3, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CurrentWordLength(c.text, c.caret), c.expected) << c.text << " @" << c.caret;
}

TEST(SuggestMatching, TwoLowerCasingRules)
{
    const std::vector<std::string> words = {
        "Kabel", // 0
        "kabelbinder", // 1
        kAe + "pfel", // 2  upper Ä lowers by the simple rule
        kEacute + "clair", // 3  upper É does not
        keacute + "tude", // 4
        "Stra" + kss + "e", // 5
        "KAB", // 6
        "ka", // 7  shorter than the pattern
    };
    struct Case {
        std::string typed;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"kab", {0, 1, 6}}, {"KAB", {0, 1, 6}}, // the typed text is lower-cased in full
        {"kabelb", {1}},    {kae, {2}},
        {kAe + "PF", {2}},  {keacute, {4}}, // É... stays upper in the stored word
        {kEacute, {4}},     {"stra" + kss, {5}},
        {"x", {}},          {"", {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchSuggestions(words, c.typed), c.expected) << c.typed;
}

TEST(SuggestMatching, StopsAtTheHitLimitInStoredOrder)
{
    std::vector<std::string> words;
    for (int i = 0; i < 1500; ++i)
        words.push_back((i % 2 ? "Ab" : "Ka") + std::to_string(i));
    const std::vector<int> hits = MatchSuggestions(words, "ka");
    ASSERT_EQ(hits.size(), 750u);
    const std::vector<int> all = MatchSuggestions(words, "");
    ASSERT_EQ(all.size(), 1000u);
    EXPECT_EQ(all.front(), 0);
    EXPECT_EQ(all.back(), 999);
    EXPECT_EQ(MatchSuggestions(words, "", 3), (std::vector<int>{0, 1, 2}));
}

TEST(SuggestMatching, DisplayMarkupShowsTheUntypedRestBold)
{
    struct Case {
        std::string entry, typed, expected;
    };
    const Case cases[] = {
        {"Kabel", "ka", "Ka<b>bel</b>"},
        {"Kabel", "", "Kabel"},
        {"Kabel", "xy", "Kabel"},
        {"Kabel", "kabel", "Kabel<b></b>"},
        {kAe + "pfel", kae, kAe + "<b>pfel</b>"},
        {"a<br>b", "a",
         "a<b>\xAC"
         "b</b>"},
        {"a<BR>b", "",
         "a\xAC"
         "b"},
        {"<5mm & mehr", "<5", "&lt;5<b>mm &amp; mehr</b>"},
        {"A&B", "", "A&amp;B"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SuggestionDisplayMarkup(c.entry, c.typed), c.expected) << c.entry << " / " << c.typed;
}

TEST(SuggestMatching, LearnedPhrasesAreTrimmedAndUnquoted)
{
    struct Case {
        std::string text;
        int minLength;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"\"abc def\"", 3, {"abc def"}},
        {"  kabel \r\n\"\"\r\nab\r\nnym", 3, {"kabel", "nym"}},
        {"\" abc \"", 3, {"abc"}},
        {"a\"b\"c", 3, {"abc"}},
        {"abc", 4, {}},
        {"abcd", 4, {"abcd"}},
        {"", 3, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PrepareLearnPhrases(c.text, c.minLength), c.expected) << c.text;
}

TEST(SuggestMatching, BreakTagsAreReplacedInAnyCase)
{
    EXPECT_EQ(ReplaceBreakTags("a<br>b<BR>c<Br>", "\r\n"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(ReplaceBreakTags("<b>x</b><br", "|"), "<b>x</b><br");
}

} // namespace
} // namespace artikel
