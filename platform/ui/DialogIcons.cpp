#include "platform/ui/DialogIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace artikel {

namespace {

void DrawBadge(QPainter& p, const QRectF& r, const QColor& fill)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, fill.lighter(118));
    g.setColorAt(1, fill);
    p.setPen(QPen(fill.darker(135), r.width() / 24.0));
    p.setBrush(g);
    p.drawEllipse(r);
}

void DrawNotice(QPainter& p, const QRectF& r)
{
    DrawBadge(p, r, QColor(30, 111, 217));
    const qreal u = r.width() / 16.0;
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(r.center().x(), r.top() + 4.3 * u), 1.2 * u, 1.2 * u);
    p.drawRoundedRect(QRectF(r.center().x() - 1.05 * u, r.top() + 6.6 * u, 2.1 * u, 6.4 * u), 0.5 * u, 0.5 * u);
}

void DrawQuestion(QPainter& p, const QRectF& r)
{
    DrawBadge(p, r, QColor(24, 132, 150));
    const qreal u = r.width() / 16.0;
    QPainterPath hook;
    hook.moveTo(r.left() + 5.6 * u, r.top() + 5.9 * u);
    hook.cubicTo(r.left() + 5.6 * u, r.top() + 2.6 * u, r.left() + 10.4 * u, r.top() + 2.6 * u, r.left() + 10.4 * u,
                 r.top() + 5.6 * u);
    hook.cubicTo(r.left() + 10.4 * u, r.top() + 7.6 * u, r.left() + 8.0 * u, r.top() + 7.8 * u, r.left() + 8.0 * u,
                 r.top() + 9.8 * u);
    p.setPen(QPen(Qt::white, 2.0 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(r.left() + 8.0 * u, r.top() + 12.6 * u), 1.2 * u, 1.2 * u);
}

void DrawWarning(QPainter& p, const QRectF& r)
{
    const QColor fill(232, 160, 20);
    const qreal u = r.width() / 16.0;
    QPainterPath triangle;
    triangle.moveTo(r.center().x(), r.top() + 1.0 * u);
    triangle.lineTo(r.right() - 0.6 * u, r.bottom() - 1.6 * u);
    triangle.lineTo(r.left() + 0.6 * u, r.bottom() - 1.6 * u);
    triangle.closeSubpath();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, fill.lighter(118));
    g.setColorAt(1, fill);
    p.setPen(QPen(fill.darker(135), r.width() / 24.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(r.center().x() - 1.0 * u, r.top() + 5.0 * u, 2.0 * u, 5.2 * u), 0.5 * u, 0.5 * u);
    p.drawEllipse(QPointF(r.center().x(), r.top() + 12.0 * u), 1.15 * u, 1.15 * u);
}

void DrawTextEntry(QPainter& p, const QRectF& r)
{
    DrawBadge(p, r, QColor(46, 139, 87));
    const qreal u = r.width() / 16.0;
    p.save();
    p.translate(r.center());
    p.rotate(-45);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    // Pencil: body, then a tip.
    p.drawRoundedRect(QRectF(-3.2 * u, -1.1 * u, 6.0 * u, 2.2 * u), 0.3 * u, 0.3 * u);
    QPainterPath tip;
    tip.moveTo(-3.9 * u, -1.1 * u);
    tip.lineTo(-6.0 * u, 0);
    tip.lineTo(-3.9 * u, 1.1 * u);
    tip.closeSubpath();
    p.drawPath(tip);
    p.drawRoundedRect(QRectF(3.4 * u, -1.1 * u, 1.6 * u, 2.2 * u), 0.4 * u, 0.4 * u);
    p.restore();
}

} // namespace

QPixmap DialogIcon(int index, int size, qreal devicePixelRatio)
{
    if (index < 0 || index >= kDialogIconCount || size <= 0)
        return {};
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal margin = size / 16.0;
    const QRectF r(margin, margin, size - 2 * margin, size - 2 * margin);
    switch (index) {
    case 0: DrawNotice(p, r); break;
    case 1: DrawQuestion(p, r); break;
    case 2: DrawWarning(p, r); break;
    default: DrawTextEntry(p, r); break;
    }
    return pixmap;
}

} // namespace artikel
