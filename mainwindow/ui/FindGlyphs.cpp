#include "mainwindow/ui/FindGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace artikel {

namespace {

const QColor kInk(40, 70, 130);

template <class Draw>
QIcon Glyph(Draw draw)
{
    QPixmap pixmap(40, 40);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(2, 2);
        draw(p);
    }
    pixmap.setDevicePixelRatio(2);
    return QIcon(pixmap);
}

void Funnel(QPainter& p)
{
    QPainterPath path;
    path.moveTo(2, 3);
    path.lineTo(14, 3);
    path.lineTo(9.5, 9);
    path.lineTo(9.5, 15);
    path.lineTo(6.5, 13);
    path.lineTo(6.5, 9);
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(190, 210, 240));
    p.drawPath(path);
}

void Sign(QPainter& p, bool plus)
{
    p.setPen(Qt::NoPen);
    p.setBrush(plus ? QColor(40, 150, 60) : QColor(200, 50, 40));
    p.drawEllipse(QRectF(11, 11, 8, 8));
    p.setPen(QPen(Qt::white, 1.6));
    p.drawLine(QPointF(12.8, 15), QPointF(17.2, 15));
    if (plus)
        p.drawLine(QPointF(15, 12.8), QPointF(15, 17.2));
}

} // namespace

QIcon ClearFindGlyph()
{
    return Glyph([](QPainter& p) {
        p.setPen(QPen(QColor(170, 40, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(15, 15));
        p.drawLine(QPointF(15, 5), QPointF(5, 15));
    });
}

QIcon SearchAgainGlyph()
{
    return Glyph([](QPainter& p) {
        p.setPen(QPen(kInk, 1.8));
        p.setBrush(QColor(200, 220, 245));
        p.drawEllipse(QRectF(3, 3, 9, 9));
        p.setPen(QPen(kInk, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11.5, 11.5), QPointF(16.5, 16.5));
    });
}

QIcon AddFilterGlyph()
{
    return Glyph([](QPainter& p) {
        Funnel(p);
        Sign(p, true);
    });
}

QIcon RemoveFilterGlyph()
{
    return Glyph([](QPainter& p) {
        Funnel(p);
        Sign(p, false);
    });
}

} // namespace artikel
