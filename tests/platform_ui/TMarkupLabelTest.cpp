#include "platform/ui/TMarkupLabel.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace artikel;

namespace {

void SendMouse(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton : button;
    QMouseEvent event(type, QPointF(pos), w.mapToGlobal(QPointF(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

QFont LabelFont()
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(13);
    return f;
}

} // namespace

TEST(TMarkupLabel, SizesItselfToItsText)
{
    TMarkupLabel label;
    label.setFont(LabelFont());
    label.setContentsMargins(2, 1, 2, 1);
    label.setAutoSize(true);
    label.move(7, 9);
    label.setText("<b>1.234 </b>Datens\xE4tze | Gefiltert: <b>12");
    const QSize expected = MeasureMarkup(LabelFont(), label.text()) + QSize(4, 2);
    EXPECT_EQ(label.size(), expected);
    EXPECT_EQ(label.pos(), QPoint(7, 9));
    // A second line makes it higher, a shorter text narrower.
    const QSize oneLine = label.size();
    label.setText(label.text() + "\r\n</b>| <b>0,120 s.");
    EXPECT_GT(label.height(), oneLine.height());
    label.setText("kurz");
    EXPECT_LT(label.width(), oneLine.width());
    // A new font sizes it again.
    const QSize small = label.size();
    QFont big = LabelFont();
    big.setPixelSize(26);
    label.setFont(big);
    EXPECT_GT(label.width(), small.width());

    // Without auto size the label keeps its size, but its size hint follows the text.
    TMarkupLabel fixed;
    fixed.setFont(LabelFont());
    fixed.resize(273, 17);
    fixed.setEllipsis(true);
    fixed.setText("| Kopiert:<b> ein sehr langer kopierter Text, der nicht in das Feld passt");
    EXPECT_EQ(fixed.size(), QSize(273, 17));
    EXPECT_GT(fixed.sizeHint().width(), 273);
}

TEST(TMarkupLabel, WrapsAtTheMaximumWidth)
{
    TMarkupLabel label;
    label.setFont(LabelFont());
    label.setAutoSize(true);
    label.setWordWrap(true);
    label.setMaxTextWidth(120);
    label.setText("Um nach <b>Ledgix zu senden</b>, m\xFCssen Sie die <b>Quellfelder dieser Datenbank</b> zuordnen.");
    EXPECT_LE(label.width(), 120);
    EXPECT_GE(label.height(), 3 * QFontMetricsF(LabelFont()).height() - 1);
    EXPECT_TRUE(label.hasHeightForWidth());
    EXPECT_LT(label.heightForWidth(600), label.heightForWidth(120));
}

TEST(TMarkupLabel, ReportsClickedLinksAndShowsTheLinkCursor)
{
    TMarkupLabel label;
    label.setFont(LabelFont());
    label.setAutoSize(true);
    label.setText("Siehe <a href=\"https://example.org/hilfe\">Hilfe</a> oder <a href=\"file://x.txt\">Datei</a>");
    QSignalSpy spy(&label, &TMarkupLabel::linkClicked);
    const qreal before = QFontMetricsF(LabelFont()).horizontalAdvance(QStringLiteral("Siehe "));
    const QPoint onFirst(static_cast<int>(before) + 4, label.height() / 2);
    const QPoint onText(3, label.height() / 2);

    SendMouse(label, QEvent::MouseMove, onFirst);
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    SendMouse(label, QEvent::MouseMove, onText);
    EXPECT_EQ(label.cursor().shape(), Qt::ArrowCursor);

    struct Click {
        QPoint press, release;
        Qt::MouseButton button;
        bool emits;
    };
    for (const Click c :
         {Click{onFirst, onFirst, Qt::LeftButton, true}, Click{onText, onText, Qt::LeftButton, false},
          Click{onFirst, onText, Qt::LeftButton, false}, Click{onFirst, onFirst, Qt::RightButton, false}}) {
        spy.clear();
        SendMouse(label, QEvent::MouseButtonPress, c.press, c.button);
        SendMouse(label, QEvent::MouseButtonRelease, c.release, c.button);
        ASSERT_EQ(spy.count(), c.emits ? 1 : 0) << c.press.x() << "," << c.release.x();
        if (c.emits) {
            EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("https://example.org/hilfe"));
        }
    }
    const MarkupHit second = label.linkAt(QPoint(label.width() - 5, label.height() / 2));
    EXPECT_TRUE(second.hit);
    EXPECT_EQ(second.href, "file://x.txt");
}
