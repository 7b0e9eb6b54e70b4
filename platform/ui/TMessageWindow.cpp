#include "platform/ui/TMessageWindow.h"

#include "platform/ui/MarkupRenderer.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace artikel {

namespace {

class TQtHideTimer : public THideTimer {
public:
    TQtHideTimer()
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTimeout)
                onTimeout();
        });
    }
    void Start(int milliseconds) override { timer_.start(milliseconds); }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

QFont BalloonFont()
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    return f;
}

} // namespace

TCustomMessageWindow::TCustomMessageWindow(QWidget* owner)
    : QWidget(owner)
{
    // Its own top-level window above everything, whatever the owner: clicks neither activate
    // it nor stop at it.
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                   Qt::WindowTransparentForInput);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void TCustomMessageWindow::ShowWindow()
{
    show();
    raise();
    shown_ = true;
}

void TCustomMessageWindow::HideWindow()
{
    hide();
    shown_ = false;
}

TMessageWindow::TMessageWindow(QWidget* owner, std::unique_ptr<THideTimer> timer)
    : TCustomMessageWindow(owner),
      timer_(timer ? std::move(timer) : std::make_unique<TQtHideTimer>())
{
    setFont(BalloonFont());
    timer_->onTimeout = [this] { HideWindow(); };
    Relayout();
}

TMessageWindow::~TMessageWindow() { timer_->onTimeout = nullptr; }

void TMessageWindow::SetText(std::string markup)
{
    text_ = std::move(markup);
    Relayout();
    update();
}

void TMessageWindow::SetIcon(const QPixmap& icon)
{
    icon_ = icon;
    iconMode_ = !icon.isNull();
    Relayout();
}

void TMessageWindow::SetHideDelay(int milliseconds)
{
    hideDelay_ = milliseconds;
    if (timer_->Active())
        timer_->Start(milliseconds);
}

void TMessageWindow::ShowWindow()
{
    TCustomMessageWindow::ShowWindow();
    timer_->Start(hideDelay_);
}

void TMessageWindow::HideWindow()
{
    timer_->Stop();
    text_.clear();
    TCustomMessageWindow::HideWindow();
}

void TMessageWindow::Relayout()
{
    const QSize text = MeasureMarkup(font(), text_, kMeasureWidth);
    const bool icon = iconMode_ && showIcon_;
    int w = text.width() + 2 + margins_.left() + margins_.right();
    int h = text.height();
    if (icon) {
        w += icon_.width() + 6;
        h = std::max(h, icon_.height());
    }
    h += margins_.top() + margins_.bottom();
    // Room for the frame and the pointer above.
    resize(w + 8, h + 16);
    setMask(QRegion(Shape().toFillPolygon().toPolygon()));
}

QPainterPath TMessageWindow::Shape() const
{
    QPainterPath body;
    body.addRoundedRect(QRectF(0, 8, width(), height() - 8), 3.5, 3.5);
    QPainterPath pointer;
    pointer.addPolygon(QPolygonF({QPointF(8, 8), QPointF(8, 0), QPointF(16, 8), QPointF(8, 8)}));
    return body.united(pointer);
}

void TMessageWindow::paintEvent(QPaintEvent*)
{
    // Drawn in one go onto the widget's own back buffer; the background is never erased apart.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPainterPath shape = Shape();
    p.fillPath(shape, palette().color(QPalette::Window));
    // The frame one pixel inside the shape, so the mask does not cut its right and bottom edges.
    QPainterPath frame;
    frame.addRoundedRect(QRectF(0, 8, width() - 1, height() - 9), 3.5, 3.5);
    QPainterPath pointer;
    pointer.addPolygon(QPolygonF({QPointF(8, 8), QPointF(8, 0), QPointF(16, 8), QPointF(8, 8)}));
    p.setPen(QPen(palette().color(QPalette::Dark), 1));
    p.drawPath(frame.united(pointer));
    int left = margins_.left() / 2 + 4;
    const int top = margins_.top() / 2 + 12;
    if (iconMode_ && showIcon_) {
        p.drawPixmap(left, top, icon_);
        left += icon_.width() + 6;
    }
    p.setFont(font());
    p.setPen(palette().color(QPalette::ToolTipText));
    MarkupOptions options;
    options.accelerators = false;
    DrawMarkup(p, text_, QRect(left, top, width() - left, height() - top), options);
}

} // namespace artikel
