// The drop side of the program's drag and drop: which control a drop lands on and which handler
// gets what.

#include "platform/ui/TIDragDrop.h"

#include "platform/DragDropBlock.h"

#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

namespace artikel::test {
namespace {

struct TDropRecord {
    QWidget* control = nullptr;
    std::string text;
    std::string block;
};

class DropFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner_.resize(300, 200);
        list_ = new QListWidget(&owner_);
        list_->setGeometry(10, 10, 100, 100);
        list_->addItem(QStringLiteral("a"));
        disabled_ = new QListWidget(&owner_);
        disabled_->setGeometry(150, 10, 100, 100);
        disabled_->setEnabled(false);
        dd_ = new TIDragDrop(&owner_);
        dd_->SetOnTextDrop([this](QWidget* control, const std::string& text, const std::string& block, const QPoint&) {
            texts_.push_back({control, text, block});
        });
        dd_->SetOnOtherDrop([this](QWidget*, const TDropSetOtherStruct& other) { others_.push_back(other); });
        owner_.show();
    }
    void DropAt(const QMimeData& data, QPoint pos)
    {
        // The drop goes to the widget that accepted the drag's entry.
        QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&owner_, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(pos), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&owner_, &drop);
        EXPECT_EQ(drop.dropAction(), Qt::IgnoreAction);
    }

    QWidget owner_;
    QListWidget* list_ = nullptr;
    QListWidget* disabled_ = nullptr;
    TIDragDrop* dd_ = nullptr;
    std::vector<TDropRecord> texts_;
    std::vector<TDropSetOtherStruct> others_;
};

TEST_F(DropFixture, TextGoesToTheListUnderThePointOnly)
{
    QMimeData data;
    data.setText(QStringLiteral("Preis"));
    const std::string block = EncodeDragDropBlock({"LB", "3", "LB", ""});
    data.setData(QString::fromLatin1(kDragDropMimeType), QByteArray::fromStdString(block));

    DropAt(data, QPoint(50, 50)); // the list's viewport counts as the list
    DropAt(data, QPoint(280, 180)); // the form itself
    DropAt(data, QPoint(200, 50)); // a disabled list: its parent, the form
    ASSERT_EQ(texts_.size(), 1u);
    EXPECT_EQ(texts_[0].control, list_);
    EXPECT_EQ(texts_[0].text, "Preis");
    EXPECT_EQ(DecodeDragDropBlock(texts_[0].block).body, "3");
    // The private block also reaches the other-drop handler, once per drop.
    ASSERT_EQ(others_.size(), 3u);
    EXPECT_EQ(others_[0].kind, TDropSetOtherStruct::PrivateBlock);
    EXPECT_EQ(others_[0].block.size(), kDragDropBlockSize);
}

TEST_F(DropFixture, FilesAreHandedAsAListOfPaths)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a b.csv")), QUrl(QStringLiteral("https://example.org/x")),
                  QUrl::fromLocalFile(QStringLiteral("/tmp/c.xls"))});
    DropAt(data, QPoint(280, 180));
    EXPECT_TRUE(texts_.empty());
    ASSERT_EQ(others_.size(), 1u);
    EXPECT_EQ(others_[0].kind, TDropSetOtherStruct::Files);
    EXPECT_EQ(others_[0].files, "/tmp/a b.csv\r\n/tmp/c.xls");
    EXPECT_FALSE(others_[0].dragging);
}

TEST(DragImage, IsTwentyPixelsHighAndTheTextWide)
{
    const QPixmap shortImage = TIDragDrop::DragImage(QStringLiteral("ME"));
    const QPixmap longImage = TIDragDrop::DragImage(QStringLiteral("Artikelnummer des Lieferanten"));
    EXPECT_EQ(shortImage.height(), 20);
    EXPECT_GT(longImage.width(), shortImage.width());
    // The fill colour inside the edge.
    EXPECT_EQ(shortImage.toImage().pixelColor(shortImage.width() - 4, 3), QColor(146, 163, 203));
}

} // namespace
} // namespace artikel::test
