// The column selection window: registry lookup, live changes on the grid, width ranges, moving,
// equal widths, saving and loading the layout, Esc.

#include "data/TListDataSet.h"
#include "mainwindow/ColumnLayout.h"
#include "mainwindow/ui/TFColSelectFrm.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/FormClassRegistry.h"
#include "platform/ui/TFSB_BOX.h"
#include "platform/ui/TMarkupLabel.h"
#include "tests/common/TestEnv.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(ColumnWidths, TrackMaximumAndEqualWidths)
{
    // Auto-size: the first of 100/200/300 may grow until the two behind it are 20 wide.
    EXPECT_EQ(WidthTrackMaximum({100, 200, 300}, 0, true), 560);
    EXPECT_EQ(WidthTrackMaximum({100, 200, 300}, 1, true), 480);
    EXPECT_EQ(WidthTrackMaximum({100, 200, 300}, 2, true), 300);
    EXPECT_EQ(WidthTrackMaximum({10, 10, 10}, 0, true), kMinColumnWidth);
    EXPECT_EQ(WidthTrackMaximum({100, 200, 300}, 0, false), 300);

    EXPECT_EQ(EqualColumnWidth(820, 4, false, false, 1), 204);
    EXPECT_EQ(EqualColumnWidth(820, 4, false, false, 0), 205);
    EXPECT_EQ(EqualColumnWidth(820, 4, true, true, 1), (820 - 12 - 14 - 4) / 4);
    EXPECT_EQ(EqualColumnWidth(820, 0, false, false, 1), 0);
}

class ColumnSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterColumnSelection();
        folder_ = MakeTempDir("colsel");
        WriteFileBytes(folder_ / "db.csv", "Nr;Text;Preis;Einheit\r\n1;Rohr;2,50;m\r\n2;Bogen;1,20;St\r\n");
        ds_ = std::make_unique<TListDataSet>();
        ds_->LoadFromFile(folder_ / "db.csv");
        ds_->Open();
        grid_ = std::make_unique<TI_DBGrid>();
        grid_->resize(820, 300);
        grid_->SetDataSet(ds_.get());
        std::vector<TGridColumn> columns;
        for (int i = 0; i < ds_->FieldCount(); ++i)
            columns.push_back({ds_->Field(i).FieldName(), 100 + 10 * i});
        // A title with the bold switch "/b", which the list leaves out.
        columns[1].fieldName = "Text/b";
        grid_->SetColumns(columns);
        grid_->SetLayoutName((folder_ / "grid.col").string());
        grid_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid_.get()));
        dlg_ = std::make_unique<TFColSelectFrm>(grid_.get());
        dlg_->SetGrid(grid_.get(), grid_->LayoutName());
        dlg_->Prepare(QPoint(100, 100));
        dlg_->show();
    }

    QListWidgetItem* Entry(int row) const { return dlg_->Lb->item(row); }
    std::vector<std::string> VisibleFields() const
    {
        std::vector<std::string> out;
        for (const TColumnState& s : grid_->ColumnStates())
            if (s.visible)
                out.push_back(s.fieldName);
        return out;
    }

    std::filesystem::path folder_;
    std::unique_ptr<TListDataSet> ds_;
    std::unique_ptr<TI_DBGrid> grid_;
    std::unique_ptr<TFColSelectFrm> dlg_;
};

TEST_F(ColumnSelectionTest, ShowsTheColumnsAndTheFirstOnesProperties)
{
    EXPECT_EQ(dlg_->windowTitle(), QStringLiteral("Spalten ausw\u00E4hlen"));
    ASSERT_EQ(dlg_->Lb->count(), 4);
    EXPECT_EQ(Entry(1)->text(), QStringLiteral("Text"));
    EXPECT_EQ(dlg_->Lb->currentRow(), 0);
    EXPECT_EQ(dlg_->lbpixel->text(), QStringLiteral("100 Punkte"));
    EXPECT_EQ(dlg_->wc->value(), 100);
    EXPECT_EQ(dlg_->wc->maximum(), 300);
    EXPECT_EQ(dlg_->alt->currentText(), QStringLiteral("links"));
    EXPECT_TRUE(dlg_->chcolsl->isChecked());
    EXPECT_FALSE(dlg_->scautosize->isChecked());
    EXPECT_EQ(dlg_->B_OK->text(), QStringLiteral("Schl&ie\u00DFen"));
}

TEST_F(ColumnSelectionTest, TwoColumnsAlwaysStayVisible)
{
    Entry(0)->setCheckState(Qt::Unchecked);
    Entry(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(VisibleFields(), (std::vector<std::string>{"Preis", "Einheit"}));
    EXPECT_EQ(dlg_->lbpixel->text(), QStringLiteral("Versteckt"));
    EXPECT_FALSE(dlg_->wc->isEnabled());

    Entry(2)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(Entry(2)->checkState(), Qt::Checked);
    EXPECT_EQ(VisibleFields(), (std::vector<std::string>{"Preis", "Einheit"}));

    // Checking again shows the column with the width it had.
    Entry(0)->setCheckState(Qt::Checked);
    EXPECT_EQ(grid_->columnWidth(0), 100);
    EXPECT_EQ(dlg_->lbpixel->text(), QStringLiteral("100 Punkte"));
}

TEST_F(ColumnSelectionTest, WidthAlignmentAndLinesChangeTheGridAtOnce)
{
    dlg_->Lb->setCurrentRow(1);
    dlg_->wc->setValue(150);
    EXPECT_EQ(grid_->columnWidth(1), 150);
    QTest::mouseClick(dlg_->finc, Qt::LeftButton);
    EXPECT_EQ(grid_->columnWidth(1), 151);
    EXPECT_EQ(dlg_->lbpixel->text(), QStringLiteral("151 Punkte"));

    dlg_->ald->setCurrentIndex(1);
    dlg_->alt->setCurrentIndex(2);
    EXPECT_EQ(grid_->ColumnStateOf(1).alignment, TColumnAlignment::Right);
    EXPECT_EQ(grid_->ColumnStateOf(1).titleAlignment, TColumnAlignment::Center);

    dlg_->chcolsl->setChecked(false);
    EXPECT_FALSE(grid_->ColumnLines());
    dlg_->scautosize->setChecked(true);
    EXPECT_TRUE(grid_->AutoSize());
    EXPECT_GT(dlg_->wc->maximum(), 300); // the range follows the grid's width
}

TEST_F(ColumnSelectionTest, MovingAndEqualWidths)
{
    dlg_->Lb->setCurrentRow(0);
    QTest::mouseClick(dlg_->fbottom, Qt::LeftButton);
    QTest::mouseClick(dlg_->fbottom, Qt::LeftButton);
    EXPECT_EQ(VisibleFields(), (std::vector<std::string>{"Text/b", "Preis", "Nr", "Einheit"}));
    EXPECT_EQ(dlg_->Lb->currentRow(), 2);
    EXPECT_EQ(Entry(2)->text(), QStringLiteral("Nr"));
    QTest::mouseClick(dlg_->ftop, Qt::LeftButton);
    EXPECT_EQ(VisibleFields(), (std::vector<std::string>{"Text/b", "Nr", "Preis", "Einheit"}));
    dlg_->Lb->setCurrentRow(0);
    QTest::mouseClick(dlg_->ftop, Qt::LeftButton); // nothing above the first
    EXPECT_EQ(VisibleFields().front(), "Text/b");

    const int expected = EqualColumnWidth(grid_->viewport()->width(), 4, false, false, 1);
    QTest::mouseClick(dlg_->FlatSpeedButton3, Qt::LeftButton);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(grid_->columnWidth(c), expected) << c;
}

TEST_F(ColumnSelectionTest, SavedLayoutComesBack)
{
    Entry(3)->setCheckState(Qt::Unchecked);
    dlg_->Lb->setCurrentRow(1);
    dlg_->wc->setValue(177);
    QTest::mouseClick(dlg_->ftop, Qt::LeftButton);
    dlg_->scrowsl->setChecked(false);
    QTest::mouseClick(dlg_->FlatSpeedButton1, Qt::LeftButton);
    EXPECT_FALSE(dlg_->isVisible());
    EXPECT_EQ(dlg_->result(), QDialog::Rejected);
    const std::string cox = ReadFileBytes(CoxFileName(grid_->LayoutName()));
    EXPECT_EQ(cox.substr(0, 6), "1\r\n0\r\n");
    EXPECT_TRUE(cox.ends_with("0\r\n"));

    // Everything changed afterwards, then the layout loaded from a new window.
    grid_->horizontalHeader()->moveSection(0, 3);
    grid_->setColumnWidth(1, 60);
    grid_->SetColumnVisible(3, true);
    TFColSelectFrm again(grid_.get());
    again.SetGrid(grid_.get(), grid_->LayoutName());
    again.Prepare(QPoint(0, 0));
    again.show();
    QTest::mouseClick(again.FlatSpeedButton2, Qt::LeftButton);
    EXPECT_EQ(VisibleFields(), (std::vector<std::string>{"Text/b", "Nr", "Preis"}));
    EXPECT_EQ(grid_->columnWidth(1), 177);
    EXPECT_FALSE(grid_->RowLines());
}

TEST_F(ColumnSelectionTest, EscForbidsFurtherVisibilityChanges)
{
    Entry(0)->setCheckState(Qt::Unchecked);
    QTest::keyClick(dlg_->Lb, Qt::Key_Escape);
    EXPECT_FALSE(dlg_->isVisible());
    EXPECT_FALSE(dlg_->ChangesAllowed());
    EXPECT_EQ(VisibleFields().size(), 3u); // what was done stays
    Entry(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(VisibleFields().size(), 3u);
}

TEST_F(ColumnSelectionTest, RightClickOnTheTitlesOpensTheRegisteredWindow)
{
    dlg_.reset();
    bool opened = false;
    test::OnNextModal([&](QWidget* w) {
        auto* frm = qobject_cast<TFColSelectFrm*>(w);
        opened = frm && frm->Lb->count() == 4 && TColSelectBase::OpenWindow() == frm;
        QTest::keyClick(w, Qt::Key_Escape);
    });
    QHeaderView* titles = grid_->horizontalHeader();
    emit titles->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(opened);
    EXPECT_EQ(TColSelectBase::OpenWindow(), nullptr);

    // Without the registered class the grid says what is missing.
    RegisterFormClass(QString::fromLatin1(kColSelectClassName), {});
    QString shown;
    test::OnNextModal([&](QWidget* w) {
        if (auto* box = qobject_cast<TFSB_BOX*>(w))
            shown = FromAnsi(box->MessageLabel()->text());
        QTest::keyClick(w, Qt::Key_Escape);
    });
    emit titles->customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(shown, QStringLiteral("Missing Class \"TFColSelectFrm\""));
    RegisterColumnSelection();
}

} // namespace
} // namespace artikel
