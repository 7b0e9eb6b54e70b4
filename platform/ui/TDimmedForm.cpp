#include "platform/ui/TDimmedForm.h"

#include "platform/ui/MainForm.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QThread>

namespace artikel {

namespace {

std::chrono::milliseconds g_fadeStep{5};

void FadeStep(TDimmedForm* layer, int alpha)
{
    layer->SetAlpha(alpha);
    layer->repaint();
    if (g_fadeStep.count() > 0)
        QThread::msleep(static_cast<unsigned long>(g_fadeStep.count()));
}

} // namespace

TDimmedForm::TDimmedForm(QWidget* target, TBackdropMode mode)
    : QWidget(target),
      target_(target),
      mode_(mode)
{
    setObjectName(QStringLiteral("TDimmedForm"));
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(target->rect());
    target->installEventFilter(this);
}

QColor TDimmedForm::LayerColor() const
{
    switch (mode_) {
    case TBackdropMode::Black: return QColor(0, 0, 0);
    case TBackdropMode::Red: return QColor(255, 0, 0);
    case TBackdropMode::None: break;
    }
    // Without the coloured panel the layer shows the window colour.
    return palette().color(QPalette::Window);
}

void TDimmedForm::SetAlpha(int alpha)
{
    alpha_ = std::clamp(alpha, 0, 255);
    update();
}

void TDimmedForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QColor c = LayerColor();
    c.setAlpha(alpha_);
    p.fillRect(rect(), c);
}

bool TDimmedForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == target_ && event->type() == QEvent::Resize)
        setGeometry(target_->rect());
    return QWidget::eventFilter(watched, event);
}

bool IsRemoteSession()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariableIsSet("SESSIONNAME") &&
        qEnvironmentVariable("SESSIONNAME").startsWith(QLatin1String("RDP-"));
#else
    if (qEnvironmentVariableIsSet("XRDP_SESSION"))
        return true;
    // X forwarded over SSH: a display on another host ("localhost:10.0") in an SSH session.
    const QString display = qEnvironmentVariable("DISPLAY");
    return qEnvironmentVariableIsSet("SSH_CONNECTION") && !display.isEmpty() && !display.startsWith(QLatin1Char(':'));
#endif
}

void SetDimmedFadeStep(std::chrono::milliseconds step) { g_fadeStep = step; }

QWidget* DimmingTarget(bool useMainWindow)
{
    if (IsRemoteSession())
        return nullptr;
    QWidget* active = QApplication::activeWindow();
    QWidget* target = (useMainWindow || !active) ? MainForm() : active;
    if (!target || !target->isVisible())
        return nullptr;
    const Qt::WindowFlags flags = target->windowFlags();
    if (flags.testFlag(Qt::FramelessWindowHint) || (flags & Qt::WindowType_Mask) == Qt::Tool)
        return nullptr;
    if (target->width() < 100 || target->height() < 100)
        return nullptr;
    return target;
}

int ShowModalDimmed(QDialog* dialog, bool useMainWindow, TBackdropMode mode)
{
    QWidget* target = DimmingTarget(useMainWindow);
    if (!target)
        return dialog->exec();

    auto* layer = new TDimmedForm(target, mode);
    // The layer goes in every case, also when the dialog raises; it is gone already when the
    // window it covers was closed meanwhile.
    struct Release {
        QPointer<TDimmedForm> layer;
        ~Release()
        {
            for (int alpha = TDimmedForm::kMaxAlpha - TDimmedForm::kAlphaStep; alpha > 0 && layer;
                 alpha -= TDimmedForm::kAlphaStep)
                FadeStep(layer, alpha);
            delete layer.data();
        }
    } release{layer};

    layer->SetAlpha(0);
    layer->show();
    layer->raise();
    for (int alpha = 0; alpha < TDimmedForm::kMaxAlpha;) {
        alpha = std::min(alpha + TDimmedForm::kAlphaStep, TDimmedForm::kMaxAlpha);
        FadeStep(layer, alpha);
    }
    return dialog->exec();
}

} // namespace artikel
