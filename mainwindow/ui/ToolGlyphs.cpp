#include "mainwindow/ui/ToolGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace artikel {
namespace {

// A glyph drawn on a 20 x 20 canvas, at the usual device pixel ratios.
QIcon DrawnIcon(const std::function<void(QPainter&)>& draw)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(20, 20) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kInk(40, 70, 120);

} // namespace

QIcon NewSourceGlyph()
{
    return DrawnIcon([](QPainter& p) {
        QPainterPath page;
        page.moveTo(3.5, 1.5);
        page.lineTo(11.5, 1.5);
        page.lineTo(15.5, 5.5);
        page.lineTo(15.5, 18.5);
        page.lineTo(3.5, 18.5);
        page.closeSubpath();
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::white);
        p.drawPath(page);
        p.drawLine(QPointF(11.5, 1.5), QPointF(11.5, 5.5));
        p.drawLine(QPointF(11.5, 5.5), QPointF(15.5, 5.5));
        p.setPen(QPen(QColor(150, 170, 200), 1));
        for (int y = 8; y <= 14; y += 3)
            p.drawLine(QPointF(6, y + 0.5), QPointF(12, y + 0.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 150, 60));
        p.drawEllipse(QRectF(10, 10, 10, 10));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(15, 12), QPointF(15, 18));
        p.drawLine(QPointF(12, 15), QPointF(18, 15));
    });
}

QIcon DropDownGlyph()
{
    return DrawnIcon([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        const QPointF arrow[] = {{5, 8}, {15, 8}, {10, 13}};
        p.drawPolygon(arrow, 3);
    });
}

QIcon AssignGlyph()
{
    return DrawnIcon([](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(222, 232, 246));
        p.drawRect(QRectF(1.5, 2.5, 6, 15));
        p.setBrush(QColor(255, 240, 200));
        p.drawRect(QRectF(12.5, 2.5, 6, 15));
        p.setPen(QPen(QColor(200, 60, 40), 1.5));
        for (int y = 6; y <= 14; y += 4) {
            p.drawLine(QPointF(8, y), QPointF(12, y));
            p.drawLine(QPointF(10.5, y - 1.5), QPointF(12, y));
            p.drawLine(QPointF(10.5, y + 1.5), QPointF(12, y));
        }
    });
}

} // namespace artikel
