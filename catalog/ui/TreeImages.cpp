#include "catalog/ui/TreeImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace artikel {
namespace {

// All images are drawn on a 16-unit grid and scaled to the pixmap, so they stay sharp at any
// device pixel ratio.

// A database: a blue cylinder of three stacked discs.
void DrawDatabase(QPainter& p)
{
    const QColor body(52, 120, 198);
    const QColor light(120, 178, 236);
    const QColor edge(24, 70, 132);
    p.setPen(QPen(edge, 1.0));
    for (int disc = 2; disc >= 0; --disc) {
        const qreal top = 2.5 + disc * 3.5;
        QPainterPath side;
        side.moveTo(2.5, top + 1.5);
        side.lineTo(2.5, top + 4.0);
        side.arcTo(QRectF(2.5, top + 2.5, 11.0, 3.0), 180.0, 180.0);
        side.lineTo(13.5, top + 1.5);
        side.closeSubpath();
        p.setBrush(body);
        p.drawPath(side);
    }
    p.setBrush(light);
    p.drawEllipse(QRectF(2.5, 1.5, 11.0, 3.0));
}

// A filter: an amber funnel.
void DrawFilter(QPainter& p)
{
    QPainterPath funnel;
    funnel.moveTo(1.5, 2.5);
    funnel.lineTo(14.5, 2.5);
    funnel.lineTo(9.5, 8.5);
    funnel.lineTo(9.5, 13.0);
    funnel.lineTo(6.5, 14.5);
    funnel.lineTo(6.5, 8.5);
    funnel.closeSubpath();
    p.setPen(QPen(QColor(150, 92, 0), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(244, 176, 36));
    p.drawPath(funnel);
    p.setPen(QPen(QColor(255, 226, 150), 1.0));
    p.drawLine(QPointF(3.5, 3.8), QPointF(12.5, 3.8));
}

// An error: a white cross on a red disc.
void DrawError(QPainter& p)
{
    p.setPen(QPen(QColor(150, 20, 20), 1.0));
    p.setBrush(QColor(214, 48, 40));
    p.drawEllipse(QRectF(1.5, 1.5, 13.0, 13.0));
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
}

QPixmap Render(int index, qreal ratio)
{
    const int edge = qRound(kTreeImageSize * ratio);
    QPixmap pixmap(edge, edge);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(edge / 16.0, edge / 16.0);
    switch (index) {
    case kImageDatabase: DrawDatabase(p); break;
    case kImageFilter: DrawFilter(p); break;
    default: DrawError(p); break;
    }
    p.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace

QIcon TreeImage(int index)
{
    QIcon icon;
    // The selected row shows the image as it is, not tinted with the highlight colour.
    for (qreal ratio : {1.0, 1.5, 2.0}) {
        const QPixmap pixmap = Render(index, ratio);
        icon.addPixmap(pixmap, QIcon::Normal);
        icon.addPixmap(pixmap, QIcon::Selected);
    }
    return icon;
}

int NodeHeightForImage(int imageHeight)
{
    // 1.2 * h computed exactly in tenths, so halves are recognised without floating-point error.
    const long long tenths = 12LL * imageHeight;
    long long whole = tenths / 10;
    const long long rest = tenths % 10;
    if (rest > 5 || (rest == 5 && whole % 2 != 0))
        ++whole;
    return static_cast<int>(whole);
}

} // namespace artikel
