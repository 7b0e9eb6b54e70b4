#include "platform/ui/TWiiProgressBar.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>

namespace artikel {

TWiiProgressBar::TWiiProgressBar(QWidget* parent)
    : QWidget(parent)
{
    timer_.setInterval(120);
    connect(&timer_, &QTimer::timeout, this, &TWiiProgressBar::Step);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TWiiProgressBar::SetAppearance(const TBlockAppearance& appearance)
{
    appearance_ = appearance;
    update();
}

QRect TWiiProgressBar::BlockRect(const QRect& client, bool framed, int col, int row)
{
    const int shrink = framed ? 3 : 2;
    const QRect inner = client.adjusted(shrink, shrink, -shrink, -shrink);
    const int w = std::max(0, (inner.width() - (kBlocks - 1) * kGap) / kBlocks);
    const int h = std::max(0, (inner.height() - (kBlocks - 1) * kGap) / kBlocks);
    const int fromRight = kBlocks - 1 - col;
    const int fromBottom = kBlocks - 1 - row;
    const int right = inner.x() + inner.width();
    const int bottom = inner.y() + inner.height();
    return QRect(right - (fromRight + 1) * w - fromRight * kGap, bottom - (fromBottom + 1) * h - fromBottom * kGap, w,
                 h);
}

void TWiiProgressBar::NextRingPosition(int& col, int& row)
{
    constexpr int last = kBlocks - 1;
    const bool onRing = col == 0 || row == 0 || col == last || row == last;
    if (!onRing || col < 0 || row < 0 || col > last || row > last) {
        col = 0;
        row = 0;
    } else if (row == 0 && col < last) {
        ++col;
    } else if (col == last && row < last) {
        ++row;
    } else if (row == last && col > 0) {
        --col;
    } else {
        --row;
    }
}

void TWiiProgressBar::Step()
{
    const bool framed = appearance_.border.isValid();
    const QRect old = BlockRect(rect(), framed, col_, row_);
    NextRingPosition(col_, row_);
    update(old.adjusted(-1, -1, 1, 1));
    update(BlockRect(rect(), framed, col_, row_).adjusted(-1, -1, 1, 1));
}

void TWiiProgressBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const TBlockAppearance& a = appearance_;
    const bool framed = a.border.isValid();
    if (a.background.isValid())
        p.fillRect(rect(), a.background);
    if (framed) {
        p.setPen(a.border);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    for (int row = 0; row < kBlocks; ++row) {
        for (int col = 0; col < kBlocks; ++col) {
            const QRect r = BlockRect(rect(), framed, col, row);
            if (r.isEmpty())
                continue;
            const bool active = col == col_ && row == row_;
            const QColor& from = active ? a.activeColor : a.normalColor;
            const QColor& to = active ? a.activeColorTo : a.normalColorTo;
            if (to.isValid()) {
                QLinearGradient g(r.topLeft(), a.gradientDirection == Qt::Vertical ? r.bottomLeft() : r.topRight());
                g.setColorAt(0, from);
                g.setColorAt(1, to);
                p.fillRect(r, g);
            } else {
                p.fillRect(r, from);
            }
            p.setPen(active ? a.activeBorder : a.normalBorder);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
}

void TWiiProgressBar::UpdateTimer()
{
    if (isEnabled() && isVisible())
        timer_.start();
    else
        timer_.stop();
}

void TWiiProgressBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        UpdateTimer();
    QWidget::changeEvent(event);
}

void TWiiProgressBar::showEvent(QShowEvent* event)
{
    UpdateTimer();
    QWidget::showEvent(event);
}

void TWiiProgressBar::hideEvent(QHideEvent* event)
{
    UpdateTimer();
    QWidget::hideEvent(event);
}

} // namespace artikel
