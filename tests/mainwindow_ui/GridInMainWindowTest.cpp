// The grid inside the main window: the saved layout applied after a load, the search tokens
// handed over, and the row marks dropped by searches, sorts and loads.

#include "mainwindow/ColumnLayout.h"
#include "mainwindow/ui/StatusLine.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "platform/ui/TMarkupLabel.h"
#include "tests/mainwindow_ui/MainWindowFixture.h"

#include <QHeaderView>

namespace artikel::test {
namespace {

const char* kCsv = "Nr;Text;Preis\r\n"
                   "1;Kupferrohr;1,50\r\n"
                   "2;Messingbogen;2,00\r\n"
                   "3;Kupfermuffe;0,75\r\n";

TEST(GridInMainWindow, TheSavedLayoutIsAppliedAfterTheLoad)
{
    TCatalogFixture fx;
    const auto folder = fx.AddDatabase("db-a", "A", kCsv);
    WriteFileBytes(folder / "grid.col.COL",
                   EncodeColumns({{"Preis", 60, true, TColumnAlignment::Right, TColumnAlignment::Right},
                                  {"Gone", 10, true, TColumnAlignment::Left, TColumnAlignment::Left},
                                  {"Nr", 30, false, TColumnAlignment::Left, TColumnAlignment::Left}}));
    WriteFileBytes(folder / "grid.col.COX", "1\r\n1\r\nText\r\n0\r\n");
    fx.SetLastNode("db-a");
    TMainFrm& w = fx.Start();
    TI_DBGrid* grid = w.I_DBGrid1();
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(std::filesystem::path(grid->LayoutName()), folder / "grid.col");

    std::vector<std::string> order;
    for (const TColumnState& c : grid->ColumnStates())
        order.push_back(c.fieldName + ":" + std::to_string(c.width) + (c.visible ? "" : "-"));
    // "Preis" takes position 0; "Gone" is unknown; "Nr" is hidden but keeps its saved width.
    const int defaultWidth = grid->ColumnStates()[1].width;
    EXPECT_EQ(order, (std::vector<std::string>{"Preis:60", "Text:" + std::to_string(defaultWidth), "Nr:30-"}));
    EXPECT_EQ(grid->SelectedField(), "Text");
}

TEST(GridInMainWindow, SearchesHandTheirTokensAndSearchesAndSortsDropTheMarks)
{
    TCatalogFixture fx;
    fx.AddDatabase("db-a", "A", kCsv);
    fx.SetLastNode("db-a");
    TMainFrm& w = fx.Start();
    TI_DBGrid* grid = w.I_DBGrid1();
    ASSERT_EQ(grid->model()->rowCount(), 3);

    grid->RowMarks().Mark(0);
    grid->RowMarks().Mark(2);
    w.ApplySearch("kupfer 1,5");
    EXPECT_EQ(grid->SearchTokens(), (std::vector<std::string>{"kupfer", "1,5"}));
    EXPECT_TRUE(grid->RowMarks().Empty());

    w.ApplySearch("");
    EXPECT_TRUE(grid->SearchTokens().empty());
    grid->RowMarks().Mark(1);
    w.SortByGridColumn(1);
    EXPECT_TRUE(grid->RowMarks().Empty());
}

TEST(GridInMainWindow, TypeAheadThatDropsTheFilterClearsItFromTheStatusLineAndTheHighlighting)
{
    TCatalogFixture fx;
    fx.AddDatabase("db-a", "A", kCsv);
    fx.SetLastNode("db-a");
    TMainFrm& w = fx.Start();
    TI_DBGrid* grid = w.I_DBGrid1();
    const auto countsLine = [&] { return w.PSH()->text().substr(0, w.PSH()->text().find("\r\n")); };

    w.ApplySearch("kupfer");
    ASSERT_EQ(grid->model()->rowCount(), 2);
    ASSERT_EQ(countsLine(), StatusCountsText(3, 2, "kupfer", LocaleGroupSeparator()));
    ASSERT_EQ(grid->SearchTokens(), std::vector<std::string>{"kupfer"});

    // Typing in the grid locates "mess" among all rows: the filter is gone at once.
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 1));
    QTest::keyClicks(grid, QStringLiteral("mess"));
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(countsLine(), StatusCountsText(3, 0, "", LocaleGroupSeparator()));
    EXPECT_TRUE(grid->SearchTokens().empty());
    EXPECT_TRUE(w.SearchTokens().empty());

    // A new search shows its own filter again.
    w.ApplySearch("muffe");
    EXPECT_EQ(countsLine(), StatusCountsText(3, 1, "muffe", LocaleGroupSeparator()));
    EXPECT_EQ(grid->SearchTokens(), std::vector<std::string>{"muffe"});
}

} // namespace
} // namespace artikel::test
