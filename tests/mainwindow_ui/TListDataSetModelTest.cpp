// The grid's table model over a list dataset, and the grid's cursor following and empty message.

#include "mainwindow/ui/TListDataSetModel.h"

#include "data/TListDataSet.h"
#include "mainwindow/ProgramTitle.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "tests/common/TestEnv.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::WriteFileBytes;

std::unique_ptr<TListDataSet> LoadCsv(const std::string& bytes)
{
    const auto file = MakeTempDir("model") / "db.csv";
    WriteFileBytes(file, bytes);
    auto ds = std::make_unique<TListDataSet>();
    ds->LoadFromFile(file);
    return ds;
}

std::vector<TGridColumn> AllColumns(const TListDataSet& ds)
{
    std::vector<TGridColumn> columns;
    for (int i = 0; i < ds.FieldCount(); ++i)
        columns.push_back({ds.Field(i).FieldName(), 80});
    return columns;
}

// Collects the warnings QAbstractItemModelTester reports.
std::vector<std::string>* g_warnings = nullptr;
void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (g_warnings && type != QtDebugMsg && type != QtInfoMsg)
        g_warnings->push_back(text.toStdString());
}

const char* kArticles = "Nr;Text;Preis\r\n"
                        "3;Kupferrohr;1,50\r\n"
                        "1;M\xFCtze;2,00\r\n"
                        "2;Kupferbogen;0,75\r\n"
                        "4;Schraube;0,10\r\n";

TEST(TListDataSetModel, PassesTheModelTesterThroughLoadFilterSortReloadAndDestruction)
{
    std::vector<std::string> warnings;
    g_warnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
    {
        TListDataSetModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
        auto ds = LoadCsv(kArticles);
        model.SetDataSet(ds.get());
        model.SetColumns(AllColumns(*ds));
        ds->ApplyFilter("kupfer", true, true);
        ds->SortByColumn("Text");
        ds->ClearFilter();
        ds->SetRecNo(3);
        const auto other = MakeTempDir("reload") / "other.csv";
        WriteFileBytes(other, "A;B\r\nx;y\r\n");
        ds->LoadFromFile(other);
        EXPECT_EQ(model.rowCount(), 1);
        ds.reset();
        EXPECT_EQ(model.rowCount(), 0);
        EXPECT_EQ(model.columnCount(), 0);
        EXPECT_EQ(model.DataSet(), nullptr);
    }
    qInstallMessageHandler(previous);
    g_warnings = nullptr;
    EXPECT_TRUE(warnings.empty()) << warnings.front();
}

TEST(TListDataSetModel, CellsAndTitlesComeFromTheFieldsTheColumnsName)
{
    auto ds = LoadCsv(kArticles);
    TListDataSetModel model;
    model.SetDataSet(ds.get());
    // Columns in another order than the fields, and one naming no field.
    model.SetColumns({{"Preis", 50}, {"Text", 90}, {"Fehlt", 40}, {"nr", 30}});

    struct Case {
        int row, column;
        QString text;
    };
    const Case cases[] = {
        {0, 0, QStringLiteral("1,50")},
        {0, 1, QStringLiteral("Kupferrohr")},
        {1, 1, QStringLiteral("M\u00fctze")},
        {3, 3, QStringLiteral("4")},
        {2, 2, QString()},
        {0, 3, QStringLiteral("3")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model.data(model.index(c.row, c.column)).toString(), c.text) << c.row << "," << c.column;
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Text"));
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("nr"));
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::EditRole).isValid());
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

TEST(TListDataSetModel, PublishesChangesOnceAtTheOutermostEndOfABracket)
{
    auto ds = LoadCsv(kArticles);
    TListDataSetModel model;
    model.SetDataSet(ds.get());
    model.SetColumns(AllColumns(*ds));
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    ds->DisableControls();
    ds->ApplyFilter("kupfer", true, true);
    ds->SortByColumn("Text");
    // Inside the bracket the view still sees the old row count; the cells it may read are safe.
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.data(model.index(3, 1)).toString(), QString());
    EXPECT_EQ(resets.count(), 0);
    ds->EnableControls();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("Kupferbogen"));

    ds->SortByColumn("Preis");
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QStringLiteral("0,75"));

    // A bracket without a change publishes nothing.
    ds->DisableControls();
    ds->EnableControls();
    EXPECT_EQ(resets.count(), 2);
}

TEST(TI_DBGrid, CurrentRowAndDatasetCursorFollowEachOther)
{
    auto ds = LoadCsv(kArticles);
    TI_DBGrid grid;
    grid.resize(400, 200);
    grid.SetDataSet(ds.get());
    grid.SetColumns(AllColumns(*ds));
    grid.show();

    ds->SetRecNo(3);
    EXPECT_EQ(grid.currentIndex().row(), 2);

    grid.setCurrentIndex(grid.model()->index(3, 1));
    EXPECT_EQ(ds->RecNo(), 4);
    EXPECT_EQ(grid.SelectedField(), "Text");

    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(ds->RecNo(), 3);

    // Moves inside a bracket (a walk over marked rows) show only once it closes.
    ds->DisableControls();
    ds->SetRecNo(1);
    EXPECT_EQ(grid.currentIndex().row(), 2);
    ds->EnableControls();
    EXPECT_EQ(grid.currentIndex().row(), 0);
    EXPECT_EQ(grid.currentIndex().column(), 1);

    // A sort keeps the cursor's place in the view and the grid shows it there.
    ds->SetRecNo(4);
    ds->SortByColumn("Nr");
    EXPECT_EQ(grid.currentIndex().row(), ds->CurrentRow());
}

TEST(TI_DBGrid, RowsAreUniformAndTheEmptyMessageTellsWhatIsGoingOn)
{
    TI_DBGrid grid;
    EXPECT_TRUE(grid.verticalHeader()->isHidden());
    EXPECT_EQ(grid.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

    struct Case {
        int tag;
        bool withData;
        QString message;
    };
    auto ds = LoadCsv(kArticles);
    const Case cases[] = {
        {TI_DBGrid::kTagNothingChosen, false, QString::fromLatin1(kProgramTitle)},
        {TI_DBGrid::kTagChosen, false, QStringLiteral("Laden der Datenbank..")},
        {TI_DBGrid::kTagChosen, true, QString()},
        {TI_DBGrid::kTagNothingChosen, true, QString()},
    };
    for (const Case& c : cases) {
        grid.SetTag(c.tag);
        grid.SetDataSet(c.withData ? ds.get() : nullptr);
        EXPECT_EQ(grid.EmptyMessage(), c.message) << c.tag << c.withData;
    }

    // A filter that keeps nothing shows an empty grid, not a loading text.
    grid.SetDataSet(ds.get());
    grid.SetColumns(AllColumns(*ds));
    ds->ApplyFilter("gibtesnicht", true, true);
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.EmptyMessage(), QString());

    ds->ClearFilter();
    for (int row = 0; row < grid.model()->rowCount(); ++row)
        EXPECT_EQ(grid.rowHeight(row), TI_DBGrid::kRowHeight);
}

} // namespace
} // namespace artikel
