// Link detection, the shown form of links, the token highlighting and the layout file texts.

#include "mainwindow/GridCellText.h"

#include "mainwindow/ColumnLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace artikel {
namespace {

TEST(GridCellText, LinkTextNeedsAnExactLowerCasePrefixAtTheStart)
{
    struct Case {
        const char* text;
        bool link;
    };
    const Case cases[] = {
        {"http://example.org", true},
        {"https://x", true},
        {"httpx", true},
        {"file:bild.jpg", true},
        {"picture://a.png", true},
        {"HTTP://example.org", false},
        {"Picture://a.png", false},
        {" http://x", false},
        {"htt", false},
        {"", false},
        {"siehe http://x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsLinkText(c.text), c.link) << c.text;
}

TEST(GridCellText, StripLinkPrefixesTrimsAndRemovesEveryPrefixIgnoringCase)
{
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"http://example.org", "example.org"},
        {"  picture://bild.jpg  ", "bild.jpg"},
        {"HTTPS://a/FILE://b", "a/b"},
        {"file://c:/x.png", "c:/x.png"},
        {"picture://", ""},
        {"   ", ""},
        {"kein link", "kein link"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StripLinkPrefixes(c.in), c.out) << c.in;
}

TEST(GridCellText, HighlightMarksEveryOccurrenceInTheFirstOnesSpelling)
{
    struct Case {
        const char* cell;
        std::vector<std::string> tokens;
        const char* markup;
    };
    const Case cases[] = {
        // The lower-case token finds the capitalised word first: both are drawn capitalised.
        {"Kupfer und kupfer", {"kupfer"}, "<b>Kupfer</b> und <b>Kupfer</b>"},
        {"rohr Rohr ROHR", {"ROHR"}, "<b>rohr</b> <b>rohr</b> <b>rohr</b>"},
        // Umlauts compare by the code page's case mapping.
        {"M\xDC"
         "LLER m\xFCller",
         {"m\xFCller"},
         "<b>M\xDCLLER</b> <b>M\xDCLLER</b>"},
        {"NYM-J 3x1,5", {"nym", "3x1,5"}, "<b>NYM</b>-J <b>3x1,5</b>"},
        // Markup of the cell is stripped; "<" of the text stays text.
        {"<b>fett</b> a<b", {"a"}, "fett <b>a</b>&lt;b"},
        // A later token never cuts into an earlier mark, nor matches the tags.
        {"abcabc", {"bc", "ab"}, "a<b>bc</b>a<b>bc</b>"},
        {"b abc", {"b"}, "<b>b</b> a<b>b</b>c"},
        {"cab", {"ab", "b"}, "c<b>ab</b>"},
        // As in the filter, "*" is ignored and "?" stands for any character.
        // Only occurrences of the part found are marked: "Muller" is not "M\xF6ller".
        {"M\xF6ller, Muller, M\xD6LLER", {"m?ller"}, "<b>M\xF6ller</b>, Muller, <b>M\xF6ller</b>"},
        {"a?c abc", {"a?c"}, "<b>a?c</b> abc"},
        {"Kupferrohr", {"*rohr*"}, "Kupfer<b>rohr</b>"},
    };
    TTokenHighlighter h;
    for (const Case& c : cases) {
        ASSERT_TRUE(h.Highlight(c.cell, c.tokens)) << c.cell;
        EXPECT_EQ(h.Markup(), c.markup) << c.cell;
    }
}

TEST(GridCellText, HighlightReportsCellsWithoutAnyToken)
{
    TTokenHighlighter h;
    EXPECT_FALSE(h.Highlight("Kupferrohr", {"messing"}));
    EXPECT_FALSE(h.Highlight("Kupferrohr", {}));
    EXPECT_FALSE(h.Highlight("", {"a"}));
    EXPECT_FALSE(h.Highlight("ab", {"abc"}));
    EXPECT_FALSE(h.Highlight("ab", {"**"}));
    EXPECT_FALSE(h.Highlight("ab", {"a?c"}));
    EXPECT_TRUE(h.Highlight("Kupferrohr", {"messing", "ROHR"}));
    EXPECT_EQ(h.Markup(), "Kupfer<b>rohr</b>");
}

TEST(ColumnLayoutText, ColumnsRoundTripAndDamagedListsAreRejected)
{
    const std::vector<TColumnState> columns = {
        {"Artikel", 120, true, TColumnAlignment::Left, TColumnAlignment::Center},
        {"Preis", 0, false, TColumnAlignment::Right, TColumnAlignment::Right},
        {"Text\tmit Tab", 77, true, TColumnAlignment::Center, TColumnAlignment::Left},
    };
    const std::string text = EncodeColumns(columns);
    const auto back = DecodeColumns(text);
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 3u);
    EXPECT_EQ((*back)[0], columns[0]);
    EXPECT_EQ((*back)[1], columns[1]);
    EXPECT_EQ((*back)[2].fieldName, "Textmit Tab");

    const std::string header = "ARTIKELBLICK-COLUMNS 1\r\n";
    for (const std::string& bad :
         {std::string("TPF0\x01garbage"), std::string(), header + "A\t1\t1\t0\r\n", header + "A\t-1\t1\t0\t0\r\n",
          header + "A\t10\t2\t0\t0\r\n", header + "A\t10\t1\t3\t0\r\n", header + "\t10\t1\t0\t0\r\n",
          header + "A\t1x\t1\t0\t0\r\n", text.substr(0, text.size() - 4)})
        EXPECT_FALSE(DecodeColumns(bad).has_value()) << bad;
}

TEST(ColumnLayoutText, GridOptionsTakeOnlyOneAsTrueAndMissingLinesAsEmpty)
{
    const TGridOptions two = DecodeGridOptions("1\r\n0\r\n");
    EXPECT_TRUE(two.columnLines);
    EXPECT_FALSE(two.rowLines);
    EXPECT_EQ(two.currentField, "");
    EXPECT_FALSE(two.autoSize);

    const TGridOptions four = DecodeGridOptions("0\r\n1\r\nPreis\r\n1\r\n");
    EXPECT_FALSE(four.columnLines);
    EXPECT_TRUE(four.rowLines);
    EXPECT_EQ(four.currentField, "Preis");
    EXPECT_TRUE(four.autoSize);

    EXPECT_FALSE(DecodeGridOptions("ja\r\n").columnLines);
    EXPECT_EQ(EncodeGridOptions({true, false, "Nr", true}), "1\r\n0\r\nNr\r\n1\r\n");
}

} // namespace
} // namespace artikel
