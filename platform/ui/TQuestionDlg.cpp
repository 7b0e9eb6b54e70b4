#include "platform/ui/TQuestionDlg.h"

#include "platform/MiniMarkup.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/ApplicationSetup.h"
#include "platform/ui/DialogIcons.h"
#include "platform/ui/MainForm.h"
#include "platform/ui/TDimmedForm.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TSingleInstance.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <cmath>

namespace artikel {

namespace {

constexpr int kTextRightMargin = 16;
constexpr int kIconSize = 48;
constexpr int kButtonWidth = 104;
constexpr int kButtonHeight = 28;

QFont PixelFont(const QFont& base, int pixels, bool bold)
{
    QFont f = base;
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QWidget* AskingWindow()
{
    QWidget* active = QApplication::activeWindow();
    return active ? active : MainForm();
}

QRect WorkAreaFor(const QWidget* w)
{
    const QScreen* screen = w ? w->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TQuestionDlg::TQuestionDlg(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TQuestionDlg"));
    setWindowTitle(ApplicationTitle());
    setWindowFlags((windowFlags() | Qt::Dialog) & ~Qt::WindowContextHelpButtonHint);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    hlsk_ = new TMarkupLabel(this);
    hlsk_->setObjectName(QStringLiteral("HLSK"));
    hlsk_->setFont(PixelFont(font(), 19, true));
    hlsk_->setWordWrap(true);
    hlsk_->setMaxTextWidth(kClientWidth - kIconPanelWidth - kTextRightMargin);
    hlsk_->setAutoSize(true);
    connect(hlsk_, &TMarkupLabel::linkClicked, this, [this](const QString& link) {
        if (linkHandler_)
            linkHandler_(link);
    });

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("InputEdit"));
    edit_->setFont(PixelFont(font(), 13, true));
    edit_->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid #FF0000; background: #FFFFFF; padding: 0 3px; }"));
    edit_->setFixedSize(kEditWidth, kEditHeight);
    edit_->hide();

    bottom_ = new QWidget(this);
    bottom_->setObjectName(QStringLiteral("PBOTTOM"));
    QPalette bottomPal = pal;
    bottomPal.setColor(QPalette::Window, QColor(243, 243, 243));
    bottom_->setPalette(bottomPal);
    bottom_->setAutoFillBackground(true);

    hlhlp_ = new TMarkupLabel(bottom_);
    hlhlp_->setObjectName(QStringLiteral("HLHLP"));
    hlhlp_->setEllipsis(true);

    ok_ = new QPushButton(QStringLiteral("Weiter"), bottom_);
    ok_->setObjectName(QStringLiteral("FOK"));
    cancel_ = new QPushButton(QStringLiteral("Abbrechen"), bottom_);
    cancel_->setObjectName(QStringLiteral("FCANCEL"));
    for (QPushButton* b : {ok_, cancel_}) {
        b->setAutoDefault(false);
        b->setFixedSize(kButtonWidth, kButtonHeight);
        b->installEventFilter(this);
    }
    edit_->installEventFilter(this);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The input line comes first in the tab order.
    setTabOrder(edit_, ok_);
    setTabOrder(ok_, cancel_);
    Relayout();
}

void TQuestionDlg::SetMessage(const QString& message)
{
    QString text = message;
    text.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    hlsk_->setText(ToAnsi(text));
    Relayout();
}

void TQuestionDlg::SetFooter(const QString& footer)
{
    const std::string ansi = ToAnsi(footer);
    hlhlp_->setText(ansi);
    hlhlp_->setToolTip(FromAnsi(StripMarkup(ansi)));
    Relayout();
}

void TQuestionDlg::SetIconIndex(int index)
{
    iconIndex_ = index;
    update();
}

void TQuestionDlg::ShowInput(bool visible, const QString& text)
{
    inputVisible_ = visible;
    edit_->setVisible(visible);
    edit_->setText(text);
    Relayout();
}

void TQuestionDlg::SetCaptions(const QString& okCaption, const QString& cancelCaption)
{
    if (!okCaption.isEmpty())
        ok_->setText(okCaption);
    if (!cancelCaption.isEmpty())
        cancel_->setText(cancelCaption);
}

void TQuestionDlg::SetCancelVisible(bool visible)
{
    cancelVisible_ = visible;
    cancel_->setVisible(visible);
    Relayout();
}

QRect TQuestionDlg::IconRect() const
{
    const int textArea = height() - kBottomPanelHeight;
    return QRect((kIconPanelWidth - kIconSize) / 2, (textArea - kIconSize) / 2, kIconSize, kIconSize);
}

void TQuestionDlg::Relayout()
{
    const QSize label = hlsk_->sizeHint();
    const int editBlock = inputVisible_ ? kEditHeight + 5 : 0;
    int clientHeight = static_cast<int>(std::floor(1.1 * label.height())) + kBottomPanelHeight + editBlock;
    clientHeight = std::max(clientHeight, kMinimumHeight);
    const QRect area = WorkAreaFor(parentWidget() ? parentWidget() : MainForm());
    clientHeight = std::min(clientHeight, std::max(kMinimumHeight, area.height() - 40));
    setFixedSize(kClientWidth, clientHeight);

    const int textArea = clientHeight - kBottomPanelHeight;
    // The message sits centred above the input line; the input line 5 pixels above the
    // bottom of the text area.
    const int labelSpace = textArea - editBlock;
    hlsk_->move(kIconPanelWidth, std::max(0, (labelSpace - label.height()) / 2));
    edit_->move(kIconPanelWidth, textArea - 5 - kEditHeight);

    bottom_->setGeometry(0, textArea, kClientWidth, kBottomPanelHeight);
    const int buttonTop = (kBottomPanelHeight - kButtonHeight) / 2;
    int x = kClientWidth - 12 - kButtonWidth;
    if (cancelVisible_) {
        cancel_->move(x, buttonTop);
        x -= kButtonWidth + 8;
    }
    ok_->move(x, buttonTop);
    const int footerHeight = std::min(hlhlp_->sizeHint().height(), kBottomPanelHeight);
    hlhlp_->setGeometry(12, (kBottomPanelHeight - footerHeight) / 2, std::max(0, x - 24), footerHeight);

    // Centred on the monitor's work area.
    move(area.x() + (area.width() - kClientWidth) / 2, area.y() + (area.height() - clientHeight) / 2);
    update();
}

void TQuestionDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    p.drawPixmap(IconRect(), DialogIcon(iconIndex_, kIconSize, devicePixelRatioF()));
    p.setPen(QColor(220, 220, 220));
    const int y = height() - kBottomPanelHeight - 1;
    p.drawLine(0, y, width(), y);
}

void TQuestionDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QWidget* focus = inputVisible_ ? static_cast<QWidget*>(edit_) : (ok_->isVisible() ? ok_ : cancel_);
    ForceForegroundWindow(this, focus);
}

bool TQuestionDlg::HandleKey(QKeyEvent* event)
{
    QWidget* focus = focusWidget();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (focus == cancel_ && cancel_->isVisible())
            cancel_->click();
        else if (ok_->isVisible())
            ok_->click();
        else
            cancel_->click();
        return true;
    case Qt::Key_Escape: reject(); return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        // In the input line the arrows move the cursor; between the buttons they move the focus.
        if ((focus == ok_ || focus == cancel_) && ok_->isVisible() && cancel_->isVisible()) {
            (focus == ok_ ? cancel_ : ok_)->setFocus(Qt::TabFocusReason);
            return true;
        }
        return false;
    default: return false;
    }
}

bool TQuestionDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == edit_ || watched == ok_ || watched == cancel_))
        return HandleKey(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

void TQuestionDlg::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(event))
        QDialog::keyPressEvent(event);
}

bool AskText(const QString& message, bool notice, const QString& expected, QString& result,
             const QString& cancelCaption, const QString& okCaption, const QString& footer, bool compare, bool prefill)
{
    result.clear();
    TQuestionDlg dlg(AskingWindow());
    dlg.SetCaptions(okCaption, cancelCaption);
    dlg.SetIconIndex(notice ? 0 : (prefill ? 3 : 1));
    dlg.ShowInput(!expected.isEmpty(), prefill ? expected : QString());
    dlg.SetMessage(message);
    dlg.SetFooter(footer);
    if (ShowModalDimmed(&dlg, false, TBackdropMode::Black) != QDialog::Accepted)
        return false;
    if (!dlg.InputVisible())
        result = QStringLiteral("OK");
    else if (compare)
        result = dlg.InputEdit()->text().trimmed().toLower() == expected.trimmed().toLower() ? expected : QString();
    else
        result = dlg.InputEdit()->text().trimmed();
    return !result.isEmpty();
}

bool AskYesNo(const QString& message, bool notice, const QString& footer, const QString& cancelCaption,
              const QString& okCaption)
{
    QString result;
    AskText(message, notice, QString(), result, cancelCaption, okCaption, footer);
    return result == QLatin1String("OK");
}

void ShowInformation(const QString& message, bool notice, const QString& footer, TLinkHandler linkHandler)
{
    TQuestionDlg dlg(AskingWindow());
    dlg.SetIconIndex(notice ? 0 : 1);
    dlg.SetCancelVisible(false);
    dlg.SetMessage(message);
    dlg.SetFooter(footer);
    dlg.SetLinkHandler(std::move(linkHandler));
    ShowModalDimmed(&dlg, false, TBackdropMode::Black);
}

} // namespace artikel
