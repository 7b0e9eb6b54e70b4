#include "search/SymbolCells.h"

#include <gtest/gtest.h>

using namespace artikel;

TEST(SymbolCells, BracketsMakeOneCell)
{
    EXPECT_EQ(SymbolCells("(kg)(m\xB2)x"), (std::vector<std::string>{"kg", "m\xB2", "x"}));
    EXPECT_EQ(SymbolColumns("(kg)(m\xB2)x"), 3);
    EXPECT_EQ(SymbolCells("a()b(c"), (std::vector<std::string>{"a", "b", "(", "c"}));
    EXPECT_TRUE(SymbolCells("").empty());
}

TEST(SymbolCells, DefaultTextHasSixtyTwoCellsInNineColumns)
{
    const std::string text = DefaultSymbolText();
    EXPECT_EQ(text.size(), 68u);
    const std::vector<std::string> cells = SymbolCells(text);
    ASSERT_EQ(cells.size(), 62u);
    EXPECT_EQ(cells.front(), "\x84");
    EXPECT_EQ(cells[52], "m\xB2");
    EXPECT_EQ(cells[53], "m\xB3");
    EXPECT_EQ(cells.back(), "\xD8");
    EXPECT_EQ(SymbolColumns(text), 9);
}
