#include "platform/ui/TFSB_BOX.h"

#include "platform/ui/AnsiQString.h"
#include "platform/ui/ApplicationSetup.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TSingleInstance.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

namespace artikel {

namespace {

constexpr int kClientWidth = 480;
constexpr int kPanelHeight = 35; // the button panel; 2 pixels gap above it
constexpr int kButtonWidth = 90;
constexpr int kHelpWidth = 70;
constexpr int kButtonHeight = 25;

QRect ScreenArea(const QWidget* w)
{
    const QScreen* screen = w ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QPushButton* MakeButton(const QString& name, const QString& text, int width, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setFixedSize(width, kButtonHeight);
    return b;
}

} // namespace

QString TFSB_BOX::PrepareText(const QString& text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\\r\\n|\\r|\\n|<br>"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList lines = text.split(lineEnd);
    if (lines.size() > kMaxLines) {
        const QString last = lines.last();
        lines = lines.mid(0, kMaxLines);
        return lines.join(QLatin1String("<br>")) + QStringLiteral("<br>................<br>") + last;
    }
    return lines.join(QLatin1String("<br>"));
}

TFSB_BOX::TFSB_BOX(Kind kind, const QString& message, const QString& help, const QString& caption, QWidget* parent)
    : QDialog(parent),
      kind_(kind),
      hasHelp_(!help.isEmpty())
{
    setObjectName(QStringLiteral("TFSB_BOX"));
    setWindowFlags((windowFlags() | Qt::Dialog | Qt::WindowStaysOnTopHint) & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(caption.isEmpty() ? ApplicationTitle() : caption);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    // Larger screens get slightly larger text and wider buttons.
    const bool wide = ScreenArea(parent).width() > 800;
    QFont formFont = font();
    QFont labelFont = font();
    if (wide) {
        formFont.setPointSize(9);
        labelFont.setPointSize(10);
        setFont(formFont);
    }
    const int buttonWidth = wide ? kButtonWidth + kButtonWidth / 5 : kButtonWidth;
    const int helpWidth = wide ? kHelpWidth + kHelpWidth / 10 : kHelpWidth;

    message_ = new TMarkupLabel(this);
    message_->setObjectName(QStringLiteral("HTMLMSG"));
    message_->setFont(labelFont);
    message_->setContentsMargins(14, 14, 14, 6);
    message_->setWordWrap(true);
    message_->setMaxTextWidth(kClientWidth - 28);
    message_->setAutoSize(true);
    message_->setText(ToAnsi(PrepareText(message)));

    helpPanel_ = new QWidget(this);
    helpPanel_->setObjectName(QStringLiteral("FP_help"));
    QPalette helpPal = pal;
    helpPal.setColor(QPalette::Window, QColor(255, 252, 230));
    helpPanel_->setPalette(helpPal);
    helpPanel_->setAutoFillBackground(true);
    help_ = new TMarkupLabel(helpPanel_);
    help_->setObjectName(QStringLiteral("HTMLHELP"));
    help_->setFont(labelFont);
    help_->setContentsMargins(14, 8, 14, 8);
    help_->setWordWrap(true);
    help_->setMaxTextWidth(kClientWidth - 28);
    help_->setAutoSize(true);
    help_->setText(ToAnsi(PrepareText(help)));
    helpPanel_->hide();

    pmsg_ = new QWidget(this);
    pmsg_->setObjectName(QStringLiteral("Pmsg"));
    close_ = MakeButton(QStringLiteral("FB_BREAK2"), QStringLiteral("Schließen"), buttonWidth, pmsg_);
    helpS_ = MakeButton(QStringLiteral("FBhelpS"), QStringLiteral("Hilfe"), helpWidth, pmsg_);

    pquestion_ = new QWidget(this);
    pquestion_->setObjectName(QStringLiteral("Pquestion"));
    yes_ = MakeButton(QStringLiteral("FB_OK"), QStringLiteral("Ja"), buttonWidth, pquestion_);
    no_ = MakeButton(QStringLiteral("FB_BREAK1"), QStringLiteral("Nein"), buttonWidth, pquestion_);
    helpQ_ = MakeButton(QStringLiteral("FBhelpQ"), QStringLiteral("Hilfe"), helpWidth, pquestion_);

    pmsg_->setVisible(kind == Kind::Message);
    pquestion_->setVisible(kind == Kind::Question);
    for (QPushButton* b : {close_, helpS_, yes_, no_, helpQ_})
        b->installEventFilter(this);
    helpS_->setVisible(hasHelp_);
    helpQ_->setVisible(hasHelp_);

    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
    connect(no_, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpS_, &QPushButton::clicked, this, &TFSB_BOX::ShowHelp);
    connect(helpQ_, &QPushButton::clicked, this, &TFSB_BOX::ShowHelp);
    // A link in one of the texts ends the box.
    connect(message_, &TMarkupLabel::linkClicked, this, &QDialog::reject);
    connect(help_, &TMarkupLabel::linkClicked, this, &QDialog::reject);

    // Buttons right-aligned in their panels, help on the left.
    const int top = (kPanelHeight - kButtonHeight) / 2;
    close_->move(kClientWidth - 12 - buttonWidth, top);
    no_->move(kClientWidth - 12 - buttonWidth, top);
    yes_->move(kClientWidth - 12 - 2 * buttonWidth - 8, top);
    helpS_->move(12, top);
    helpQ_->move(12, top);
    Relayout();
}

int TFSB_BOX::MaxHeight() const { return ScreenArea(parentWidget() ? parentWidget() : this).height() * 7 / 10; }

void TFSB_BOX::Relayout()
{
    const int messageHeight = message_->sizeHint().height();
    const int helpHeight = helpPanel_->isVisibleTo(this) ? help_->sizeHint().height() : 0;
    QWidget* panel = kind_ == Kind::Message ? pmsg_ : pquestion_;
    int height = messageHeight + kPanelHeight + 2 + helpHeight;
    height = std::min(height, std::max(kPanelHeight + 40, MaxHeight()));
    setFixedSize(kClientWidth, height);
    // The message may be cut when the box reaches its maximum height; buttons stay visible.
    const int panelTop = std::min(messageHeight + 2, height - kPanelHeight - helpHeight);
    message_->resize(kClientWidth, std::min(messageHeight, panelTop - 2));
    panel->setGeometry(0, panelTop, kClientWidth, kPanelHeight);
    helpPanel_->setGeometry(0, panelTop + kPanelHeight, kClientWidth, helpHeight);
    help_->move(0, 0);
    const QRect area = ScreenArea(parentWidget() ? parentWidget() : this);
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height) / 2);
}

void TFSB_BOX::ShowHelp()
{
    if (!hasHelp_ || helpPanel_->isVisibleTo(this))
        return;
    helpPanel_->show();
    Relayout();
}

void TFSB_BOX::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ForceForegroundWindow(this, kind_ == Kind::Message ? close_ : yes_);
}

void TFSB_BOX::changeEvent(QEvent* event)
{
    // While open, the box takes the foreground back when another window takes it.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && !isActiveWindow()) {
                raise();
                activateWindow();
            }
        });
    }
    QDialog::changeEvent(event);
}

bool TFSB_BOX::HandleKey(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_F1)
        return true;
    if (kind_ == Kind::Message) {
        const bool modifierKey =
            key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta;
        if (!modifierKey && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
            reject();
            return true;
        }
        return false;
    }
    QWidget* focus = focusWidget();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter on a focused "Nein" (or "Hilfe") presses that button; otherwise it confirms.
        if (focus == no_ || focus == helpQ_)
            static_cast<QPushButton*>(focus)->click();
        else
            yes_->click();
        return true;
    case Qt::Key_Escape: reject(); return true;
    case Qt::Key_Left:
    case Qt::Key_Right: (focus == yes_ ? no_ : yes_)->setFocus(Qt::TabFocusReason); return true;
    default: return false;
    }
}

bool TFSB_BOX::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() && isAncestorOf(static_cast<QWidget*>(watched)))
        return HandleKey(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

void TFSB_BOX::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(event))
        QDialog::keyPressEvent(event);
}

void ShowMessageBox(const QString& message, const QString& help, const QString& caption)
{
    TFSB_BOX box(TFSB_BOX::Kind::Message, message, help, caption, QApplication::activeWindow());
    box.exec();
}

bool AskYesNoBox(const QString& message, const QString& help, const QString& caption)
{
    TFSB_BOX box(TFSB_BOX::Kind::Question, message, help, caption, QApplication::activeWindow());
    return box.exec() == QDialog::Accepted;
}

} // namespace artikel
