#include "catalog/ui/TVisualFindHelperDataModule.h"

#include "platform/Win1252.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/BusyCursor.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QRegularExpression>

namespace artikel {

namespace {

// The balloon's icon: a small magnifier.
QPixmap MagnifierIcon()
{
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.drawEllipse(QRectF(1, 1, 7, 7));
    p.drawLine(QPointF(7, 7), QPointF(11, 11));
    return pm;
}

} // namespace

QString StripQuickSearchMarkup(QString text)
{
    static const QRegularExpression tags(QStringLiteral("<br>|<b>|</b>"), QRegularExpression::CaseInsensitiveOption);
    return text.remove(tags);
}

TVisualFindHelperDataModule& TVisualFindHelperDataModule::Instance()
{
    static TVisualFindHelperDataModule module;
    return module;
}

TVisualFindHelperDataModule::TVisualFindHelperDataModule() { PngImageListGrid << MagnifierIcon(); }

QString TVisualFindHelperDataModule::BalloonText() const
{
    return balloon_ ? StripQuickSearchMarkup(FromAnsi(balloon_->Text())) : QString();
}

void TVisualFindHelperDataModule::CloseBalloon()
{
    if (!balloon_)
        return;
    balloon_->HideWindow();
    delete balloon_.data();
    balloon_ = nullptr;
}

QString TVisualFindHelperDataModule::QuickSearchKey(QWidget* tree, const QRect& place, QChar c, int key,
                                                    Qt::KeyboardModifiers modifiers, int imageIndex)
{
    // The tree's expand and collapse keys.
    if (c == QLatin1Char('+') || c == QLatin1Char('-'))
        return {};
    if (imageIndex != lastImageIndex_)
        CloseBalloon();
    lastImageIndex_ = imageIndex;
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    // Copy and select-all keep working.
    if (mods == Qt::ControlModifier && (key == Qt::Key_C || key == Qt::Key_A))
        return {};

    const QString current = BalloonText();
    QString next;
    if (mods & Qt::ControlModifier) {
        next = QApplication::clipboard()->text().trimmed().left(kClipboardChars);
    } else {
        const int code = UnicodeToWin1252(c.unicode());
        switch (code) {
        case 0:
        case 9:
        case 13: return {};
        case 27: CloseBalloon(); return {};
        case 8: next = current.left(current.size() - 1); break;
        default:
            if (code == 32 || (code >= 42 && code <= 255))
                next = current + QStringLiteral("<b>") + c;
            break;
        }
    }

    TBusyCursorGuard busy;
    if (next.isEmpty()) {
        CloseBalloon();
        return {};
    }
    ShowText(tree, place, next);
    return StripQuickSearchMarkup(next);
}

void TVisualFindHelperDataModule::ShowText(QWidget* tree, const QRect& place, const QString& markup)
{
    if (!balloon_) {
        balloon_ = new TMessageWindow(tree, TimerFactory ? TimerFactory() : nullptr);
        balloon_->SetHideDelay(HideDelay);
        if (!PngImageListGrid.isEmpty())
            balloon_->SetIcon(PngImageListGrid.front());
    }
    balloon_->SetText(ToAnsi(markup));
    const QPoint at = tree->mapToGlobal(QPoint(place.left() + place.width() / 2, place.top() + 17));
    balloon_->move(at);
    balloon_->update();
    balloon_->ShowWindow();
}

void TVisualFindHelperDataModule::MoveHint(QWidget* control, const QRect& place)
{
    if (!balloon_)
        return;
    const QPoint at = control->mapToGlobal(QPoint(place.left() + place.width() / 2, place.top()));
    balloon_->move(at);
    balloon_->ShowWindow();
}

} // namespace artikel
