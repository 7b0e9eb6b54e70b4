// The grid's own behaviour: link opening, row marking, type-ahead, colours and column layouts.

#include "mainwindow/ui/TI_DBGrid.h"

#include "data/TListDataSet.h"
#include "mainwindow/ui/TGridDelegate.h"
#include "tests/common/TestEnv.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

const char* kRows = "Nr;Text;Bild\r\n"
                    "1;Kupferrohr;picture://rohr.jpg\r\n"
                    "2;Kupferbogen;http://bogen.png\xACpicture://fehlt.png\r\n"
                    "3;Schraube;picture://../draussen.jpg\r\n"
                    "4;Mutter;kein Bild\r\n"
                    "5;Scheibe;\r\n";

class GridFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = MakeTempDir("grid");
        WriteFileBytes(folder_ / "db.csv", kRows);
        ds_ = std::make_unique<TListDataSet>();
        ds_->LoadFromFile(folder_ / "db.csv");
        ds_->Open();
        grid_ = std::make_unique<TI_DBGrid>();
        grid_->resize(500, 300);
        grid_->SetDataSet(ds_.get());
        grid_->SetColumns(DefaultColumns());
        grid_->SetLayoutName((folder_ / "grid.col").string());
        grid_->SetFileShower([this](const std::string& file) { shown_.push_back(file); });
        grid_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid_.get()));
    }

    std::vector<TGridColumn> DefaultColumns() const
    {
        std::vector<TGridColumn> columns;
        for (int i = 0; i < ds_->FieldCount(); ++i)
            columns.push_back({ds_->Field(i).FieldName(), 100});
        return columns;
    }

    void SetCurrent(int row, int column)
    {
        grid_->selectionModel()->setCurrentIndex(grid_->Model().index(row, column),
                                                 QItemSelectionModel::ClearAndSelect);
    }

    QPoint CellPoint(int row, int column) const
    {
        return grid_->visualRect(grid_->Model().index(row, column)).center();
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent e(type, at, grid_->viewport()->mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(grid_->viewport(), &e);
    }

    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
        const QPoint mid = (from + to) / 2;
        Mouse(QEvent::MouseMove, mid, Qt::NoButton, Qt::LeftButton, modifiers);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
    }

    std::filesystem::path folder_;
    std::unique_ptr<TListDataSet> ds_;
    std::unique_ptr<TI_DBGrid> grid_;
    std::vector<std::string> shown_;
};

TEST_F(GridFixture, OpenCellLinkShowsPicturesOfThePictureFolderOrItsExplanatoryFile)
{
    const std::filesystem::path images = folder_ / "images";
    std::filesystem::create_directories(images);
    WriteFileBytes(images / "rohr.jpg", "jpg");
    WriteFileBytes(folder_ / "draussen.jpg", "jpg");
    const std::string hint = (images / TI_DBGrid::kPictureHintFile).string();

    struct Case {
        int row;
        int column;
        bool link;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {0, 2, true, {(images / "rohr.jpg").string()}},
        // Two links, both missing: the explanatory file is shown for each.
        {1, 2, true, {hint, hint}},
        // A link never leaves the picture folder, even when the file outside exists.
        {2, 2, true, {hint}},
        {3, 2, false, {}},
        {4, 2, false, {}},
        {0, 1, false, {}},
    };
    for (const Case& c : cases) {
        shown_.clear();
        std::filesystem::remove(hint);
        SetCurrent(c.row, c.column);
        EXPECT_EQ(grid_->OpenCellLink(), c.link) << c.row;
        EXPECT_EQ(shown_, c.shown) << c.row;
        const bool hinted = !c.shown.empty() && c.shown.back() == hint;
        ASSERT_EQ(std::filesystem::exists(hint), hinted) << c.row;
        if (hinted) {
            EXPECT_EQ(ReadFileBytes(hint), std::string("Bilder m\xFCssen in dieses Verzeichnis gelegt werden\r\n"));
        }
    }

    // Enter in the grid opens the current cell's link; the folder is created when missing.
    std::filesystem::remove_all(images);
    shown_.clear();
    SetCurrent(0, 2);
    QTest::keyClick(grid_.get(), Qt::Key_Return);
    EXPECT_EQ(shown_, std::vector<std::string>{hint});
    EXPECT_TRUE(std::filesystem::exists(hint));
}

TEST_F(GridFixture, LinkCaptionStripsThePrefix)
{
    EXPECT_EQ(TGridDelegate::LinkCaption("http://example.org"), QStringLiteral("Link: example.org"));
    EXPECT_EQ(TGridDelegate::LinkCaption(" picture://a.jpg "), QStringLiteral("Link: a.jpg"));
}

TEST_F(GridFixture, RubberBandAndCtrlClicksMarkRows)
{
    const THereRubberHandler& marks = grid_->RowMarks();
    Drag(CellPoint(0, 1), CellPoint(2, 1));
    EXPECT_EQ(marks.Marks(), (std::vector<int>{0, 1, 2}));

    // Without Shift a band unmarks marked rows and marks the others.
    Drag(CellPoint(2, 0), CellPoint(3, 0));
    EXPECT_EQ(marks.Marks(), (std::vector<int>{0, 1, 3}));
    // With Shift it only adds.
    Drag(CellPoint(3, 0), CellPoint(4, 0), Qt::ShiftModifier);
    EXPECT_EQ(marks.Marks(), (std::vector<int>{0, 1, 3, 4}));

    // Ctrl-clicks toggle and keep the other marks.
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::ControlModifier, CellPoint(1, 1));
    EXPECT_EQ(marks.Marks(), (std::vector<int>{0, 3, 4}));
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::ControlModifier, CellPoint(2, 1));
    EXPECT_EQ(marks.Marks(), (std::vector<int>{0, 3, 4, 2}));

    // A plain click clears every mark.
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(1, 1));
    EXPECT_TRUE(marks.Empty());

    // A band that touches a single row is a click: no mark stays.
    const QRect cell = grid_->visualRect(grid_->Model().index(1, 0));
    Drag(cell.topLeft() + QPoint(2, 2), cell.topLeft() + QPoint(60, 4));
    EXPECT_TRUE(marks.Empty());
}

TEST_F(GridFixture, ABandLeavingOneMarkIsAClickAndBelowTheRowsMovesToTheLastOne)
{
    THereRubberHandler& marks = grid_->RowMarks();
    marks.Mark(4);
    // Row 3 is marked, row 4 unmarked: one mark is left, so none stays.
    const QRect last = grid_->visualRect(grid_->Model().index(4, 1));
    Drag(CellPoint(3, 1), last.bottomLeft() + QPoint(5, 30));
    EXPECT_TRUE(marks.Empty());
    EXPECT_EQ(grid_->currentIndex().row(), 4);
    EXPECT_EQ(ds_->CurrentRow(), 4);
}

TEST_F(GridFixture, ADataSetOfOneRowIsNeverMarkedByMouse)
{
    ds_->ApplyFilter("Mutter", true, true);
    ASSERT_EQ(grid_->Model().rowCount(), 1);
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::ControlModifier, CellPoint(0, 1));
    EXPECT_TRUE(grid_->RowMarks().Empty());
    // Ctrl+A walks the filtered view.
    QTest::keyClick(grid_.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid_->RowMarks().Marks(), std::vector<int>{0});
}

TEST_F(GridFixture, KeysMarkAllClearAndMarkTheCurrentRowWithShift)
{
    THereRubberHandler& marks = grid_->RowMarks();
    SetCurrent(2, 0);
    QTest::keyClick(grid_.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(marks.Marks(), (std::vector<int>{0, 1, 2, 3, 4}));
    QTest::keyClick(grid_.get(), Qt::Key_Escape);
    EXPECT_TRUE(marks.Empty());

    // Shift marks the current row, then every row it moves onto.
    QTest::keyClick(grid_.get(), Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClick(grid_.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid_.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(marks.Marks(), (std::vector<int>{2, 3}));

    // A sort rebuilds the rows: the marks are gone.
    ds_->SortByColumn("Text");
    EXPECT_TRUE(marks.Empty());
}

TEST_F(GridFixture, MarkedRowsAndTheCurrentRowAmongThemTakeTheirColours)
{
    SetCurrent(0, 0);
    grid_->RowMarks().Mark(2);
    grid_->RowMarks().Mark(3);
    const QImage image = grid_->viewport()->grab().toImage();
    auto background = [&](int row) {
        const QRect r = grid_->visualRect(grid_->Model().index(row, 1));
        return image.pixelColor(r.right() - 4, r.center().y());
    };
    const QColor markColour = grid_->hasFocus() ? TGridDelegate::kMarkedFocused : TGridDelegate::kMarkedUnfocused;
    EXPECT_EQ(background(2), markColour);
    EXPECT_EQ(background(3), markColour);
    EXPECT_EQ(background(0), TGridDelegate::kCurrentAmongMarks);
    EXPECT_EQ(background(4), grid_->palette().color(QPalette::Base));
}

TEST_F(GridFixture, LinkCellsArePinkWithBlueTextAndLinesFollowTheirOptions)
{
    SetCurrent(3, 0);
    struct Case {
        bool columnLines;
        bool rowLines;
    };
    for (const Case c : {Case{true, true}, Case{true, false}, Case{false, true}, Case{false, false}}) {
        grid_->SetGridLines(c.columnLines, c.rowLines);
        const QImage image = grid_->viewport()->grab().toImage();
        const QRect link = grid_->visualRect(grid_->Model().index(0, 2));
        EXPECT_EQ(image.pixelColor(link.right() - 3, link.center().y()), TGridDelegate::kLinkBackground);
        bool blue = false;
        for (int x = link.left(); x < link.right() && !blue; ++x)
            for (int y = link.top(); y < link.bottom() && !blue; ++y)
                blue = image.pixelColor(x, y) == TGridDelegate::kLinkText;
        EXPECT_TRUE(blue);
        const QRect plain = grid_->visualRect(grid_->Model().index(4, 0));
        EXPECT_EQ(image.pixelColor(plain.right(), plain.center().y()) == grid_->GridLineColor(), c.columnLines);
        EXPECT_EQ(image.pixelColor(plain.center().x(), plain.bottom()) == grid_->GridLineColor(), c.rowLines);
    }
}

TEST_F(GridFixture, HintsShowTheFullTextExceptForLinksAndLinksGetTheHandCursor)
{
    struct Case {
        int row;
        int column;
        bool link;
    };
    // Links first: a hidden hint keeps its text for a moment.
    for (const Case c : {Case{0, 2, true}, Case{1, 2, true}, Case{3, 2, false}, Case{0, 1, false}}) {
        const QPoint at = CellPoint(c.row, c.column);
        QHelpEvent help(QEvent::ToolTip, at, grid_->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid_->viewport(), &help);
        const std::string text(grid_->Model().CellText(c.row, c.column));
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string(), c.link ? "" : text) << text;
        Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
        EXPECT_EQ(grid_->viewport()->cursor().shape(), c.link ? Qt::PointingHandCursor : Qt::ArrowCursor) << text;
    }
}

TEST_F(GridFixture, TypingLocatesInTheCurrentColumnUntilTheTextIsDropped)
{
    SetCurrent(0, 1);
    QTest::keyClicks(grid_.get(), QStringLiteral("bog"));
    EXPECT_EQ(grid_->TypeAheadText(), "bog");
    EXPECT_EQ(ds_->CurrentRow(), 1);
    QTest::keyClick(grid_.get(), Qt::Key_Backspace);
    QTest::keyClick(grid_.get(), Qt::Key_Backspace);
    QTest::keyClicks(grid_.get(), QStringLiteral("ch"));
    EXPECT_EQ(grid_->TypeAheadText(), "bch");
    QTest::keyClick(grid_.get(), Qt::Key_Escape);
    EXPECT_EQ(grid_->TypeAheadText(), "");

    // Once the pause is over, the next key starts a new text.
    grid_->SetTypeAheadTimeout(-1);
    QTest::keyClicks(grid_.get(), QStringLiteral("ku"));
    EXPECT_EQ(grid_->TypeAheadText(), "u");
    grid_->SetTypeAheadTimeout(TI_DBGrid::kTypeAheadTimeoutMs);
    QTest::keyClicks(grid_.get(), QStringLiteral("tt"));
    EXPECT_EQ(grid_->TypeAheadText(), "utt");
    EXPECT_EQ(ds_->Cell(ds_->CurrentRow(), 1), "Mutter");
}

TEST_F(GridFixture, ASavedLayoutRestoresOrderWidthsVisibilityAndAlignment)
{
    QHeaderView* header = grid_->horizontalHeader();
    header->moveSection(2, 0); // Bild, Nr, Text
    grid_->setColumnWidth(0, 40);
    grid_->setColumnWidth(2, 170);
    grid_->SetColumnVisible(1, false);
    grid_->Model().SetColumnAlignment(0, Qt::AlignRight | Qt::AlignVCenter, Qt::AlignHCenter | Qt::AlignVCenter);
    SetCurrent(0, 2);
    grid_->SaveColumnLayout(true, false, false);
    const std::vector<TColumnState> saved = grid_->ColumnStates();
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[0].fieldName, "Bild");
    EXPECT_EQ(saved[2].width, 100);
    EXPECT_FALSE(saved[2].visible);

    // A fresh set of columns (as after a load), with one more field the file does not know.
    auto columns = DefaultColumns();
    columns.push_back({"Neu", 55});
    grid_->SetColumns(columns);
    grid_->SetGridLines(true, true);
    SetCurrent(0, 0);
    grid_->LoadColumnLayout();
    EXPECT_EQ(grid_->ColumnStates(),
              (std::vector<TColumnState>{
                  {"Bild", 170, true, TColumnAlignment::Left, TColumnAlignment::Left},
                  {"Nr", 40, true, TColumnAlignment::Right, TColumnAlignment::Center},
                  {"Text", 100, false, TColumnAlignment::Left, TColumnAlignment::Left},
                  {"Neu", 55, true, TColumnAlignment::Left, TColumnAlignment::Left},
              }));
    EXPECT_EQ(grid_->SelectedField(), "Bild");
    EXPECT_TRUE(grid_->ColumnLines());
    EXPECT_FALSE(grid_->RowLines());
    EXPECT_EQ(grid_->Model().headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
              static_cast<int>(Qt::AlignHCenter | Qt::AlignVCenter));
}

TEST_F(GridFixture, SavingTheLayoutReplacesLinksInsteadOfWritingThroughThem)
{
    const std::filesystem::path outside = MakeTempDir("grid-outside");
    const std::string layout = (folder_ / "grid.col").string();
    for (const std::string& name : {ColFileName(layout), CoxFileName(layout)}) {
        const std::filesystem::path planted = outside / std::filesystem::path(name).filename();
        test::WriteFileBytes(planted, "planted");
        std::filesystem::create_symlink(planted, name);
    }
    grid_->SaveColumnLayout(true, false, false);
    for (const std::string& name : {ColFileName(layout), CoxFileName(layout)}) {
        EXPECT_FALSE(std::filesystem::is_symlink(name)) << name;
        EXPECT_NE(test::ReadFileBytes(name), "planted") << name;
        EXPECT_EQ(test::ReadFileBytes(outside / std::filesystem::path(name).filename()), "planted") << name;
    }
}

TEST_F(GridFixture, NewColumnsStartInFieldOrderAllShownWhateverTheLastDatabaseHad)
{
    QHeaderView* header = grid_->horizontalHeader();
    header->moveSection(2, 0);
    grid_->SetColumnVisible(1, false);

    // The next database, with as many fields and no saved layout of its own.
    std::vector<TGridColumn> columns{{"A", 30}, {"B", 40}, {"C", 50}};
    grid_->SetColumns(columns);
    grid_->SetLayoutName((folder_ / "other.col").string());
    grid_->LoadColumnLayout();
    EXPECT_EQ(grid_->ColumnStates(),
              (std::vector<TColumnState>{
                  {"A", 30, true, TColumnAlignment::Left, TColumnAlignment::Left},
                  {"B", 40, true, TColumnAlignment::Left, TColumnAlignment::Left},
                  {"C", 50, true, TColumnAlignment::Left, TColumnAlignment::Left},
              }));
}

TEST_F(GridFixture, ACoxWithTwoLinesSetsTheLinesAndLeavesAutoSizeOff)
{
    grid_->SetAutoSize(true);
    WriteFileBytes(folder_ / "grid.col.COX", "0\r\n1\r\n");
    grid_->LoadColumnLayout();
    EXPECT_FALSE(grid_->ColumnLines());
    EXPECT_TRUE(grid_->RowLines());
    EXPECT_FALSE(grid_->AutoSize());
    EXPECT_EQ(grid_->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

TEST_F(GridFixture, AnUnreadableColIsDeletedAndTheColumnsKeepTheirWidths)
{
    const auto col = folder_ / "grid.col.COL";
    WriteFileBytes(col, std::string("TPF0\x0b\x00\x01garbage", 12));
    grid_->LoadColumnLayout();
    EXPECT_FALSE(std::filesystem::exists(col));
    for (const TColumnState& c : grid_->ColumnStates())
        EXPECT_EQ(c.width, 100) << c.fieldName;
}

} // namespace
} // namespace artikel
