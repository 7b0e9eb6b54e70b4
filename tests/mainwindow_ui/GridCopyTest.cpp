// The grid's copy commands in the main window: the cell copy with its label, the row copy as CSV
// and HTML in marking order without hidden columns, and the cells' context menu.

#include "mainwindow/ui/TI_DBGrid.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/TMarkupLabel.h"
#include "tests/mainwindow_ui/MainWindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>

namespace artikel::test {
namespace {

// A quote, a line break inside a quoted value, markup and an umlaut (Windows-1252).
const char* kCsv = "Nr;Text;Preis\r\n"
                   "1;\"Rohr 1/2\"\"\";1,50\r\n"
                   "2;\"Messing\r\nbogen\";2,00\r\n"
                   "3;<b>M\xFC"
                   "ffe</b> & Co;0,75\r\n";

class GridCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx_.AddDatabase("db-a", "A", kCsv);
        fx_.SetLastNode("db-a");
        w_ = &fx_.Start();
        grid_ = w_->I_DBGrid1();
        ASSERT_EQ(grid_->model()->rowCount(), 3);
        QApplication::clipboard()->clear();
    }
    void SetCurrent(int row, int column) { grid_->setCurrentIndex(grid_->model()->index(row, column)); }
    static std::string ClipboardText() { return ToAnsi(QApplication::clipboard()->text()); }

    TCatalogFixture fx_;
    TMainFrm* w_ = nullptr;
    TI_DBGrid* grid_ = nullptr;
};

TEST_F(GridCopy, CellCopyPutsTheTextAndShowsItWithoutMarkup)
{
    SetCurrent(2, 1);
    grid_->setFocus();
    QTest::keyClick(grid_, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(),
              "<b>M\xFC"
              "ffe</b> & Co");
    EXPECT_EQ(w_->HLCopied()->text(),
              "| Kopiert:<b> M\xFC"
              "ffe &amp; Co");
    EXPECT_EQ(w_->SoundCount(TSound::WaveCopy), 1);

    // Ctrl must be the only modifier; the menu's "Kopieren" copies the same way.
    SetCurrent(0, 0);
    QTest::keyClick(grid_, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ClipboardText(),
              "<b>M\xFC"
              "ffe</b> & Co");
    w_->MNU_COPYTEXT()->trigger();
    EXPECT_EQ(ClipboardText(), "1");
    EXPECT_EQ(w_->SoundCount(TSound::WaveCopy), 2);
}

TEST_F(GridCopy, RowCopyWithoutMarksIsTheHeaderAndTheCurrentRow)
{
    SetCurrent(1, 2);
    w_->Zeilekopieren1()->trigger();
    EXPECT_EQ(ClipboardText(), "\"Nr\",\"Text\",\"Preis\"\r\n\"2\",\"Messingbogen\",\"2,00\"\r\n");
    EXPECT_EQ(w_->SoundCount(TSound::WaveCopy), 1);
}

TEST_F(GridCopy, RowCopyTakesMarksInMarkingOrderAndOnlyShownColumnsInDisplayOrder)
{
    grid_->SetColumnVisible(0, false);
    grid_->horizontalHeader()->moveSection(2, 1); // Preis before Text
    grid_->RowMarks().Mark(2);
    grid_->RowMarks().Mark(0);
    const std::string before = w_->HLCopied()->text();
    w_->Zeilekopieren1()->trigger();
    EXPECT_EQ(ClipboardText(),
              "\"Preis\",\"Text\"\r\n"
              "\"0,75\",\"<b>M\xFC"
              "ffe</b> & Co\"\r\n"
              "\"1,50\",\"Rohr 1/2\"\"\"\r\n");
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime->hasHtml());
    EXPECT_EQ(mime->html().toStdString(),
              "<html><head><meta charset=\"utf-8\"></head><body><table>"
              "<tr><th>Preis</th><th>Text</th></tr>"
              "<tr><td>0,75</td><td>&lt;b&gt;M\xC3\xBC"
              "ffe&lt;/b&gt; &amp; Co</td></tr>"
              "<tr><td>1,50</td><td>Rohr 1/2&quot;</td></tr></table></body></html>");
    // The row copy leaves the copy label alone.
    EXPECT_EQ(w_->HLCopied()->text(), before);
}

TEST_F(GridCopy, TheCellsContextMenuOffersBothCommands)
{
    QMenu* menu = w_->oxPopupMenuGrid();
    ASSERT_FALSE(menu->isVisible());
    const QPoint at(30, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid_->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid_->viewport(), &event);
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000));
    std::vector<std::string> captions;
    for (QAction* a : menu->actions())
        captions.push_back(a->text().toStdString());
    EXPECT_EQ(captions, (std::vector<std::string>{"Kopieren", "Zeile(n) kopieren"}));
    menu->hide();
}

} // namespace
} // namespace artikel::test
