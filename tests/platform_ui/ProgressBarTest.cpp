#include "platform/ui/DialogIcons.h"
#include "platform/ui/TWiiProgressBar.h"

#include <QImage>

#include <gtest/gtest.h>

#include <set>

using namespace artikel;

TEST(WiiProgressBar, ActiveBlockWalksClockwiseAroundTheRing)
{
    TWiiProgressBar bar;
    EXPECT_EQ(bar.Interval(), 120);
    const std::pair<int, int> ring[] = {{1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}, {0, 0}, {1, 0}};
    for (const auto& [col, row] : ring) {
        bar.Step();
        EXPECT_EQ(std::pair(bar.ActiveColumn(), bar.ActiveRow()), std::pair(col, row));
    }
    int col = 1, row = 1;
    TWiiProgressBar::NextRingPosition(col, row);
    EXPECT_EQ(std::pair(col, row), std::pair(0, 0)) << "the centre is not on the ring";
}

TEST(WiiProgressBar, BlocksLaidOutFromTheBottomRight)
{
    struct Case {
        QRect client;
        bool framed;
        int col, row;
        QRect expected;
    } cases[] = {
        {QRect(0, 0, 30, 30), false, 2, 2, QRect(22, 22, 6, 6)},
        {QRect(0, 0, 30, 30), false, 0, 0, QRect(2, 2, 6, 6)},
        {QRect(0, 0, 32, 32), false, 0, 0, QRect(4, 4, 6, 6)}, // the leftover pixels stay top left
        {QRect(0, 0, 32, 32), true, 2, 0, QRect(23, 3, 6, 6)},
        {QRect(0, 0, 40, 22), false, 1, 1, QRect(16, 10, 9, 3)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TWiiProgressBar::BlockRect(c.client, c.framed, c.col, c.row), c.expected)
            << c.client.width() << "x" << c.client.height() << " " << c.col << "," << c.row;
}

TEST(WiiProgressBar, AnimatesWhileEnabledAndPaintsTheActiveColours)
{
    TWiiProgressBar bar;
    bar.resize(36, 36);
    bar.show();
    EXPECT_TRUE(bar.Animating());
    bar.setEnabled(false);
    EXPECT_FALSE(bar.Animating());
    bar.setEnabled(true);
    EXPECT_TRUE(bar.Animating());
    bar.hide();
    EXPECT_FALSE(bar.Animating()) << "a hidden indicator costs no timer";

    TBlockAppearance look;
    look.normalColor = QColor(157, 191, 225);
    look.activeColor = QColor(200, 30, 30);
    look.activeBorder = Qt::black;
    bar.SetAppearance(look);
    bar.Step(); // active: column 1, row 0
    const QImage image = bar.grab().toImage();
    const QPoint active = TWiiProgressBar::BlockRect(bar.rect(), false, 1, 0).center();
    const QPoint normal = TWiiProgressBar::BlockRect(bar.rect(), false, 1, 1).center();
    EXPECT_EQ(image.pixelColor(active), look.activeColor);
    EXPECT_EQ(image.pixelColor(normal), look.normalColor);
}

TEST(DialogIcons, FourDistinctIcons)
{
    std::set<qint64> keys;
    for (int i = 0; i < kDialogIconCount; ++i) {
        const QPixmap icon = DialogIcon(i, 48);
        ASSERT_FALSE(icon.isNull()) << i;
        const QImage image = icon.toImage();
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "corners stay transparent";
        EXPECT_GT(image.pixelColor(24, 30).alpha(), 0) << "the badge fills the middle";
        keys.insert(static_cast<qint64>(qHashBits(image.constBits(), static_cast<size_t>(image.sizeInBytes()))));
    }
    EXPECT_EQ(keys.size(), 4u);
    EXPECT_TRUE(DialogIcon(4, 48).isNull());
    EXPECT_TRUE(DialogIcon(-1, 48).isNull());
}
