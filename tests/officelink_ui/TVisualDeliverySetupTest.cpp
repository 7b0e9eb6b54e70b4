// The field-assignment dialog driven as a user drives it: dragging entries between its lists,
// Delete, Escape, and what it shows of an assignment.

#include "officelink/ui/TVisualDeliverySetup.h"

#include "platform/ui/AnsiQString.h"
#include "platform/ui/TIDragDrop.h"
#include "platform/ui/TMarkupLabel.h"
#include "tests/common/TestEnv.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace artikel::test {
namespace {

using Entries = std::vector<std::string>;

class DeliverySetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        TCSVSetup setup;
        setup.SourceColumns[0] = "\"Kurztext\"";
        setup.SourceColumns[3] = "\"Preis\"";
        setup.SourceColumns[1] = "\"A\",\"B\",\"C\"";
        setup.PriceFactor = 1.5;
        setup.Assigned = true;
        dlg_.Fill({"Artikelnummer", "Kurztext", "Langtext", "Preis", "ME"}, setup, "Katalog", "", false);
        dlg_.show();
        dlg_.DragDrop().SetDragRunner(
            [this](QWidget*, std::unique_ptr<QMimeData> data, const QPixmap& image, const QPoint& hotSpot) {
                dragged_ = std::move(data);
                image_ = image;
                hotSpot_ = hotSpot;
            });
    }

    // Presses on an entry and moves the mouse by `distance`, then releases: what was dragged (if
    // anything) is in dragged_.
    void PressAndMove(QListWidget* list, int row, int distance)
    {
        dragged_.reset();
        list->setCurrentRow(row);
        list->scrollToItem(list->item(row));
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        const QPoint to = at + QPoint(distance, 0);
        QMouseEvent move(QEvent::MouseMove, to, list->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, to);
    }

    // Drops the dragged data at a point of a widget of the dialog.
    void DropAt(QWidget* onto, const QPoint& pos)
    {
        ASSERT_TRUE(dragged_);
        QDragEnterEvent enter(onto->mapTo(&dlg_, pos), Qt::CopyAction | Qt::MoveAction, dragged_.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&dlg_, &enter);
        QDropEvent drop(QPointF(onto->mapTo(&dlg_, pos)), Qt::CopyAction | Qt::MoveAction, dragged_.get(),
                        Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg_, &drop);
    }
    void Drag(QListWidget* from, int row, QListWidget* onto, int ontoRow = -1)
    {
        PressAndMove(from, row, 3 * QApplication::startDragDistance());
        if (ontoRow >= 0)
            onto->scrollToItem(onto->item(ontoRow));
        const QPoint pos =
            ontoRow >= 0 ? onto->visualItemRect(onto->item(ontoRow)).center() : QPoint(5, onto->height() - 4);
        DropAt(onto->viewport(), pos);
    }

    TVisualDeliverySetup dlg_;
    std::unique_ptr<QMimeData> dragged_;
    QPixmap image_;
    QPoint hotSpot_;
};

TEST_F(DeliverySetup, ShowsTheAssignmentTheFactorAndTheName)
{
    EXPECT_EQ(dlg_.HLTOP()->text(), TVisualDeliverySetup::kTopText);
    EXPECT_EQ(TVisualDeliverySetup::Entries(dlg_.LB()),
              (Entries{"Artikelnummer", "Kurztext", "Langtext", "Preis", "ME"}));
    EXPECT_EQ(TVisualDeliverySetup::Entries(dlg_.Target(0)), Entries{"Kurztext"});
    EXPECT_EQ(TVisualDeliverySetup::Entries(dlg_.Target(1)), (Entries{"A", "B", "C"}));
    EXPECT_TRUE(dlg_.Target(6)->count() == 0);
    EXPECT_EQ(dlg_.ENodeCaption()->text(), QStringLiteral("Katalog"));
    EXPECT_EQ(dlg_.TargetLabel(3)->text(), "Feld Ledgix <B>Preis</B>");
    EXPECT_EQ(dlg_.HLS()->text(), TVisualDeliverySetup::kSourceMissing);
    const double factor = dlg_.Setup().PriceFactor;
    EXPECT_DOUBLE_EQ(factor, 1.5);

    // A factor of 0 (or no number) shows as 1.
    dlg_.Fill({"X"}, TCSVSetup{}, "K", "", true);
    EXPECT_EQ(dlg_.EditFac()->text(), QStringLiteral("1"));
    EXPECT_EQ(dlg_.HLTOP()->text(), std::string(TVisualDeliverySetup::kTopText) + TVisualDeliverySetup::kAutoAddition);
}

TEST_F(DeliverySetup, TheSourceLineLinksToTheFileInItsFolder)
{
    const auto folder = MakeTempDir("quelle");
    const std::string file = (folder / "Preisliste 2026.csv").string();
    WriteFileBytes(file, "x");
    std::vector<std::string> shown;
    dlg_.SetFileShower([&](const std::string& f) { shown.push_back(f); });
    dlg_.Fill({"X"}, TCSVSetup{}, "K", file, false);
    const std::string line = dlg_.HLS()->text();
    ASSERT_EQ(line.rfind("Quelle der Datenbank war:<br><A href=\"x\">", 0), 0u) << line;
    EXPECT_NE(line.find("Preisliste 2026.csv</A>"), std::string::npos) << line;
    // A click on the link.
    dlg_.HLS()->resize(600, 60);
    QPoint link;
    for (int x = 0; x < 600 && link.isNull(); x += 4)
        for (int y = 0; y < 60 && link.isNull(); y += 2)
            if (dlg_.HLS()->linkAt(QPoint(x, y)).hit)
                link = QPoint(x, y);
    ASSERT_FALSE(link.isNull());
    QTest::mouseClick(dlg_.HLS(), Qt::LeftButton, Qt::NoModifier, link);
    EXPECT_EQ(shown, Entries{file});
}

TEST(DeliverySetupPath, LongPathsAreShortenedInTheMiddle)
{
    std::string p71, p140;
    for (int i = 0; i < 71; ++i)
        p71 += static_cast<char>('A' + i % 26);
    for (int i = 0; i < 140; ++i)
        p140 += static_cast<char>('a' + i % 26);
    EXPECT_EQ(TVisualDeliverySetup::ShortenSourcePath(p71), p71.substr(0, 33) + ".." + p71.substr(38));
    EXPECT_EQ(TVisualDeliverySetup::ShortenSourcePath("  " + p71.substr(0, 70) + " "), p71.substr(0, 70));
    // Beyond 132 characters the tail comes from the 100 characters after the 32nd.
    EXPECT_EQ(TVisualDeliverySetup::ShortenSourcePath(p140), p140.substr(0, 33) + ".." + p140.substr(99, 33));
}

TEST_F(DeliverySetup, DraggingFromTheColumnsAddsOrReplaces)
{
    Drag(dlg_.LB(), 2, dlg_.Target(0));
    Drag(dlg_.LB(), 2, dlg_.Target(0));
    EXPECT_EQ(TVisualDeliverySetup::Entries(dlg_.Target(0)), (Entries{"Kurztext", "Langtext", "Langtext"}));
    Drag(dlg_.LB(), 4, dlg_.Target(3));
    EXPECT_EQ(TVisualDeliverySetup::Entries(dlg_.Target(3)), Entries{"ME"});
    // The drag carries the entry as text, the block with the list's name and index, and an image
    // with the text.
    EXPECT_EQ(dragged_->text(), QStringLiteral("ME"));
    EXPECT_EQ(image_.height(), 20);
    EXPECT_GT(image_.width(), 35);
    EXPECT_EQ(hotSpot_, QPoint(-16, -16));
    // A drop on no list changes nothing.
    Drag(dlg_.LB(), 0, dlg_.Target(5));
    const QPoint empty(dlg_.width() - 5, 3);
    DropAt(&dlg_, empty);
    EXPECT_EQ(dlg_.Target(5)->count(), 1);
}

TEST_F(DeliverySetup, DraggingInsideATargetReordersAndOntoTheColumnsRemoves)
{
    Drag(dlg_.Target(1), 0, dlg_.Target(1), 2);
    EXPECT_EQ(TVisualDeliverySetup::Entries(dlg_.Target(1)), (Entries{"B", "C", "A"}));
    EXPECT_EQ(dlg_.Target(1)->currentRow(), 2);
    // Onto itself, and from another target list: no change.
    Drag(dlg_.Target(1), 1, dlg_.Target(1), 1);
    Drag(dlg_.Target(0), 0, dlg_.Target(1), 2);
    EXPECT_EQ(TVisualDeliverySetup::Entries(dlg_.Target(1)), (Entries{"B", "C", "A"}));
    // Onto the column list: the dragged entry goes.
    Drag(dlg_.Target(1), 1, dlg_.LB(), 0);
    EXPECT_EQ(TVisualDeliverySetup::Entries(dlg_.Target(1)), (Entries{"B", "A"}));
    EXPECT_EQ(dlg_.LB()->count(), 5);
}

TEST_F(DeliverySetup, APressWithoutMovingStartsNoDrag)
{
    PressAndMove(dlg_.LB(), 1, 0);
    EXPECT_FALSE(dragged_);
    EXPECT_FALSE(dlg_.DragDrop().DragPending());
}

TEST_F(DeliverySetup, DeleteRemovesTheSelectedEntryOfATargetOnly)
{
    dlg_.Target(1)->setFocus();
    dlg_.Target(1)->setCurrentRow(1);
    QTest::keyClick(dlg_.Target(1), Qt::Key_Delete);
    EXPECT_EQ(TVisualDeliverySetup::Entries(dlg_.Target(1)), (Entries{"A", "C"}));
    dlg_.LB()->setCurrentRow(0);
    QTest::keyClick(dlg_.LB(), Qt::Key_Delete);
    EXPECT_EQ(dlg_.LB()->count(), 5);
}

TEST(EditFieldAssignment, AssignsAutomaticallyAndEscapeKeepsTheChanges)
{
    TCSVSetup setup;
    std::string caption = "Alt";
    std::string top;
    OnNextModal([&](QWidget* modal) {
        auto* dlg = qobject_cast<TVisualDeliverySetup*>(modal);
        ASSERT_NE(dlg, nullptr);
        top = dlg->HLTOP()->text();
        dlg->ENodeCaption()->setText(QStringLiteral("Neu"));
        dlg->EditFac()->setText(QStringLiteral(" 1.25 "));
        dlg->Target(0)->setCurrentRow(0);
        QTest::keyClick(dlg->Target(0), Qt::Key_Delete);
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    EditFieldAssignment({"Artikelnummer", "Kurztext", "Langtext", "Preis", "ME"}, setup, caption, "");
    EXPECT_EQ(top, std::string(TVisualDeliverySetup::kTopText) + TVisualDeliverySetup::kAutoAddition);
    EXPECT_EQ(caption, "Neu");
    EXPECT_TRUE(setup.Assigned);
    EXPECT_EQ(setup.SourceColumns[0], "");
    EXPECT_EQ(setup.SourceColumns[1], "\"Langtext\"");
    EXPECT_EQ(setup.SourceColumns[2], "\"Artikelnummer\"");
    EXPECT_EQ(setup.SourceColumns[3], "\"Preis\"");
    EXPECT_EQ(setup.SourceColumns[4], "");
    EXPECT_DOUBLE_EQ(setup.PriceFactor, 1.25);

    // Assigned already: nothing is added automatically; a blank name keeps the caption.
    TCSVSetup given;
    given.SourceColumns[5] = "\"ME\"";
    given.Assigned = true;
    OnNextModal([&](QWidget* modal) {
        auto* dlg = static_cast<TVisualDeliverySetup*>(modal);
        top = dlg->HLTOP()->text();
        dlg->ENodeCaption()->setText(QStringLiteral("   "));
        dlg->close();
    });
    EditFieldAssignment({"Artikelnummer", "Preis", "ME"}, given, caption, "");
    EXPECT_EQ(top, TVisualDeliverySetup::kTopText);
    EXPECT_EQ(caption, "Neu");
    EXPECT_EQ(given.SourceColumns[3], "");
    EXPECT_EQ(given.SourceColumns[5], "\"ME\"");
}

} // namespace
} // namespace artikel::test
