#include "platform/ui/TMarkupLabel.h"

#include "platform/ui/AnsiQString.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace artikel {

TMarkupLabel::TMarkupLabel(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

TMarkupLabel::TMarkupLabel(std::string_view markup, QWidget* parent)
    : TMarkupLabel(parent)
{
    setText(markup);
}

void TMarkupLabel::setText(std::string_view markup)
{
    if (markup == text_)
        return;
    text_.assign(markup);
    textChanged();
}

void TMarkupLabel::setAutoSize(bool on)
{
    autoSize_ = on;
    textChanged();
}

void TMarkupLabel::setMaxTextWidth(int width)
{
    maxTextWidth_ = std::max(1, width);
    textChanged();
}

void TMarkupLabel::setWordWrap(bool on)
{
    options_.wordWrap = on;
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(on);
    setSizePolicy(policy);
    textChanged();
}

void TMarkupLabel::setEllipsis(bool on)
{
    options_.ellipsis = on;
    textChanged();
}

void TMarkupLabel::setAccelerators(bool on)
{
    options_.accelerators = on;
    textChanged();
}

void TMarkupLabel::setLinkColor(const QColor& color)
{
    options_.linkColor = color;
    update();
}

void TMarkupLabel::setImages(const QList<QPixmap>* images)
{
    options_.images = images;
    textChanged();
}

void TMarkupLabel::textChanged()
{
    updateGeometry();
    if (autoSize_)
        resize(sizeHint());
    update();
}

QSize TMarkupLabel::textSize(int width) const
{
    MarkupOptions options = options_;
    options.palette = &palette();
    return MeasureMarkup(font(), text_, width, options);
}

QSize TMarkupLabel::sizeHint() const
{
    const QMargins m = contentsMargins();
    const QSize s = textSize(maxTextWidth_);
    return QSize(s.width() + m.left() + m.right(), s.height() + m.top() + m.bottom());
}

QSize TMarkupLabel::minimumSizeHint() const
{
    if (options_.ellipsis || options_.wordWrap) {
        const QMargins m = contentsMargins();
        return QSize(m.left() + m.right() + fontMetrics().horizontalAdvance(QStringLiteral("...")),
                     m.top() + m.bottom() + fontMetrics().height());
    }
    return sizeHint();
}

bool TMarkupLabel::hasHeightForWidth() const { return options_.wordWrap; }

int TMarkupLabel::heightForWidth(int width) const
{
    const QMargins m = contentsMargins();
    return textSize(std::max(1, width - m.left() - m.right())).height() + m.top() + m.bottom();
}

void TMarkupLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Active, foregroundRole()));
    MarkupOptions options = options_;
    options.palette = &palette();
    if (isEnabled())
        DrawMarkup(painter, text_, contentsRect(), options);
    else
        DrawMarkupEnabled(painter, false, text_, contentsRect(), options);
}

MarkupHit TMarkupLabel::linkAt(const QPoint& pos) const
{
    MarkupOptions options = options_;
    options.palette = &palette();
    return HitTestMarkup(font(), text_, contentsRect(), pos, options);
}

void TMarkupLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (linkAt(event->position().toPoint()).hit)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    QWidget::mouseMoveEvent(event);
}

void TMarkupLabel::mousePressEvent(QMouseEvent* event)
{
    pressedOnLink_ = false;
    if (event->button() == Qt::LeftButton) {
        const MarkupHit hit = linkAt(event->position().toPoint());
        pressedOnLink_ = hit.hit;
        pressedHref_ = hit.href;
    }
    if (!pressedOnLink_)
        QWidget::mousePressEvent(event);
}

void TMarkupLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && pressedOnLink_) {
        pressedOnLink_ = false;
        const MarkupHit hit = linkAt(event->position().toPoint());
        // A click counts only when press and release are on the same link.
        if (hit.hit && hit.href == pressedHref_) {
            emit linkClicked(FromAnsi(hit.href));
            return;
        }
    }
    QWidget::mouseReleaseEvent(event);
}

void TMarkupLabel::leaveEvent(QEvent* event)
{
    unsetCursor();
    QWidget::leaveEvent(event);
}

void TMarkupLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ContentsRectChange)
        textChanged();
    QWidget::changeEvent(event);
}

} // namespace artikel
